// The simulated process as Windows reports it: the version, the module, loaded system modules and their exports, key state.
#include <string.h>

#include <set>

#include "sim_kernel.h"

namespace sim {
namespace internal {

ProcessState Process;

void ResetProcess() { Process = ProcessState(); }

namespace {

// Fake module handles: never dereferenced, only compared.
HMODULE const kThisModule = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x00400000));
HMODULE const kUser32 = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x7E410000));
HMODULE const kKernel32 = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x7C800000));
HMODULE const kAdvapi32 = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x77DD0000));

// The exports GetProcAddress finds, beyond RegisterClassExA: the Unicode calls the logic
// reaches on the NT family. The 95/98 family exports most of them too, as stubs.
struct Export {
    HMODULE module;
    const char* name;
    void (*function)();
};
template <typename F>
void (*AsProc(F* function))() {
    return reinterpret_cast<void (*)()>(function);
}
const Export kExports[] = {
    {kKernel32, "GetModuleFileNameW", AsProc(&GetModuleFileNameW)},
    {kKernel32, "GetShortPathNameW", AsProc(&GetShortPathNameW)},
    {kKernel32, "ExpandEnvironmentStringsW", AsProc(&ExpandEnvironmentStringsW)},
    {kKernel32, "SetCurrentDirectoryW", AsProc(&SetCurrentDirectoryW)},
    {kKernel32, "IsWow64Process", AsProc(&IsWow64Process)},
    {kKernel32, "WritePrivateProfileStringW", AsProc(&WritePrivateProfileStringW)},
    {kAdvapi32, "RegQueryValueExW", AsProc(&RegQueryValueExW)},
};

constexpr DWORD kErrorModNotFound = 126;
constexpr DWORD kErrorProcNotFound = 127;

}  // namespace
}  // namespace internal

void SetVersion(DWORD version) { internal::Process.version = version; }
void SetModulePath(const char* path) { internal::Process.modulePath = path ? path : ""; }

std::string Utf8(const char* utf8) { return internal::InternalFromUtf8(utf8 != nullptr ? utf8 : ""); }

std::string Utf8Of(const std::string& text) {
    const std::u16string wide = internal::WideFromInternal(text);
    return internal::Utf8FromWide(reinterpret_cast<const WCHAR*>(wide.c_str()), wide.size());
}

namespace internal {
bool UnicodeCallOn95() {
    if ((Process.version & 0x80000000u) == 0) return false;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return true;
}
}  // namespace internal
void SetKeyDown(int virtualKey, bool down) {
    if (down) internal::Process.keysDown.insert(virtualKey);
    else internal::Process.keysDown.erase(virtualKey);
}
void SetRegisterClassExAvailable(bool available) { internal::Process.registerClassExAvailable = available; }
void SetModuleNameCutUnterminated(bool unterminated) { internal::Process.moduleNameCutUnterminated = unterminated; }

void SetMachine64(bool wow64) {
    internal::Process.wow64 = wow64;
    if (!wow64) return;
    SetEnvironmentVariable("ProgramFiles", "C:\\Program Files (x86)");
    SetEnvironmentVariable("ProgramFiles(x86)", "C:\\Program Files (x86)");
    SetEnvironmentVariable("CommonProgramFiles", "C:\\Program Files (x86)\\Common Files");
    SetEnvironmentVariable("CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files");
    SetEnvironmentVariable("ProgramW6432", "C:\\Program Files");
    SetEnvironmentVariable("CommonProgramW6432", "C:\\Program Files\\Common Files");
}

}  // namespace sim

using sim::internal::PlannedFailure;
using sim::internal::Process;

DWORD WINAPI GetVersion() {
    long long planned = 0;
    if (PlannedFailure("GetVersion", &planned)) return static_cast<DWORD>(planned);
    return Process.version;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("GetModuleFileNameA", &planned)) return static_cast<DWORD>(planned);
    // Any handle but the system modules' stands for this process: tests pass whatever
    // instance handle they like to the entry point.
    const std::string ansi = sim::internal::AnsiFromInternal(Process.modulePath);
    std::string_view path = ansi;
    if (module == sim::internal::kUser32) path = "C:\\WINDOWS\\SYSTEM32\\USER32.DLL";
    if (module == sim::internal::kKernel32) path = "C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL";
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() < size) {
        memcpy(buffer, path.data(), path.size());
        buffer[path.size()] = '\0';
        return static_cast<DWORD>(path.size());
    }
    // Too small: Windows 2000 and XP fill the whole buffer, leave it unterminated, return
    // the size and set no error; later versions cut to size - 1 characters and terminate.
    if (Process.moduleNameCutUnterminated) {
        memcpy(buffer, path.data(), size);
        SetLastError(ERROR_SUCCESS);
        return size;
    }
    memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64) {
    long long planned = 0;
    if (PlannedFailure("IsWow64Process", &planned)) return static_cast<BOOL>(planned);
    // Only the process's own pseudo handle is simulated.
    if (process != reinterpret_cast<HANDLE>(-1) || wow64 == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *wow64 = Process.wow64 ? TRUE : FALSE;
    return TRUE;
}

// As the A form; the cut of a path too long follows the later versions' rule.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("GetModuleFileNameW", &planned)) return static_cast<DWORD>(planned);
    if (sim::internal::UnicodeCallOn95()) return 0;
    std::u16string path = sim::internal::WideFromInternal(Process.modulePath);
    if (module == sim::internal::kUser32) path = u"C:\\WINDOWS\\SYSTEM32\\USER32.DLL";
    if (module == sim::internal::kKernel32) path = u"C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL";
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const size_t copied = path.size() < size ? path.size() : size - 1;
    memcpy(buffer, path.data(), copied * sizeof(WCHAR));
    buffer[copied] = 0;
    if (copied < path.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    SetLastError(ERROR_SUCCESS);  // as Wine's kernelbase sets it on success
    return static_cast<DWORD>(copied);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    long long planned = 0;
    if (PlannedFailure("GetModuleHandleA", &planned)) return reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(planned));
    if (name == nullptr) return sim::internal::kThisModule;
    const std::string module = sim::internal::FoldKey(name);
    if (module == "USER32" || module == "USER32.DLL") return sim::internal::kUser32;
    if (module == "KERNEL32" || module == "KERNEL32.DLL") return sim::internal::kKernel32;
    if (module == "ADVAPI32" || module == "ADVAPI32.DLL") return sim::internal::kAdvapi32;
    SetLastError(sim::internal::kErrorModNotFound);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    long long planned = 0;
    if (PlannedFailure("GetProcAddress", &planned)) return reinterpret_cast<FARPROC>(static_cast<ULONG_PTR>(planned));
    // Export names match exactly, letter case included; a small value is an ordinal.
    if (module == sim::internal::kUser32 && reinterpret_cast<ULONG_PTR>(name) > 0xFFFF &&
        strcmp(name, "RegisterClassExA") == 0 && Process.registerClassExAvailable)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RegisterClassExA));
    // IsWow64Process came with XP SP2 (NT 5.1): NT 4 and 2000 lack it, as the 95/98 family does.
    const DWORD version = sim::internal::Process.version;
    const bool hasWow64Call = (version & 0x80000000u) == 0 && ((version & 0xFF) > 5 || (version & 0xFFFF) >= 0x0105);
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && (hasWow64Call || strcmp(name, "IsWow64Process") != 0))
        for (const sim::internal::Export& entry : sim::internal::kExports)
            if (entry.module == module && strcmp(name, entry.name) == 0) return reinterpret_cast<FARPROC>(entry.function);
    SetLastError(sim::internal::kErrorProcNotFound);
    return nullptr;
}

SHORT WINAPI GetAsyncKeyState(int key) {
    long long planned = 0;
    if (PlannedFailure("GetAsyncKeyState", &planned)) return static_cast<SHORT>(planned);
    const std::set<int>& down = Process.keysDown;
    bool held = down.count(key) != 0;
    // The generic shift and control keys report either of the left and right keys.
    if (key == VK_SHIFT) held = held || down.count(0xA0) || down.count(0xA1);
    if (key == VK_CONTROL) held = held || down.count(0xA2) || down.count(0xA3);
    return held ? static_cast<SHORT>(0x8000) : 0;
}
