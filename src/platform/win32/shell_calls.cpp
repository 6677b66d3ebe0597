// ShellExecuteA and FindExecutableA (and W) for the product: shell32 is loaded on the first call
// instead of at start-up (see platform_windows.h), and stays loaded.
#include "platform/windows_api.h"

namespace {

// A missing shell32 fails the call as the shell reports a missing DLL.
const ULONG_PTR DllNotFound = 32;  // SE_ERR_DLLNOTFOUND

HMODULE Shell32;

void (*ShellFunction(const char* name))() {
    // Searched for as the import would be: a known DLL on NT, the usual search elsewhere.
    if (Shell32 == nullptr) Shell32 = LoadLibraryA("SHELL32.DLL");
    return Shell32 != nullptr ? reinterpret_cast<void (*)()>(GetProcAddress(Shell32, name)) : nullptr;
}

}  // namespace

extern "C" HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                          INT show) {
    typedef HINSTANCE(WINAPI * Function)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const Function shellExecute = reinterpret_cast<Function>(ShellFunction("ShellExecuteA"));
    if (shellExecute == nullptr) return reinterpret_cast<HINSTANCE>(DllNotFound);
    return shellExecute(owner, verb, file, parameters, directory, show);
}

extern "C" HINSTANCE WINAPI FindExecutableA(LPCSTR file, LPCSTR directory, LPSTR result) {
    typedef HINSTANCE(WINAPI * Function)(LPCSTR, LPCSTR, LPSTR);
    const Function findExecutable = reinterpret_cast<Function>(ShellFunction("FindExecutableA"));
    if (findExecutable == nullptr) return reinterpret_cast<HINSTANCE>(DllNotFound);
    return findExecutable(file, directory, result);
}

extern "C" HINSTANCE WINAPI FindExecutableW(LPCWSTR file, LPCWSTR directory, LPWSTR result) {
    typedef HINSTANCE(WINAPI * Function)(LPCWSTR, LPCWSTR, LPWSTR);
    const Function findExecutable = reinterpret_cast<Function>(ShellFunction("FindExecutableW"));
    if (findExecutable == nullptr) return reinterpret_cast<HINSTANCE>(DllNotFound);
    return findExecutable(file, directory, result);
}
