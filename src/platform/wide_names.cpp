// The bridge from Windows' Unicode names to the ANSI text every other call of the launcher takes.
#include "platform/wide_names.h"

WideNamesState WideNames;

void (*NtFunction(const char* module, const char* name))() {
    if (IsWindows95Family()) return nullptr;
    const HMODULE handle = GetModuleHandleA(module);
    return handle != nullptr ? reinterpret_cast<void (*)()>(GetProcAddress(handle, name)) : nullptr;
}

bool AnsiFromWide(const WCHAR* wide, char* out, int size) {
    // The round trip catches both ways a name is lost: the default character, and the
    // best-fit letters some systems put in its place (a look-alike names another file).
    WCHAR* back = WideNames.RoundTrip;
    const int converted = WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, nullptr, nullptr);
    // A conversion that did not fit may have filled the buffer with what did: terminated all the same.
    out[size - 1] = '\0';
    if (converted == 0 || MultiByteToWideChar(CP_ACP, 0, out, -1, back, WideCapacity) == 0) return false;
    for (int i = 0; wide[i] == back[i]; ++i)
        if (wide[i] == 0) return true;
    return false;
}

bool ShortenWide(WCHAR* wide, DWORD capacity) {
    typedef DWORD(WINAPI * ShortPathFunction)(LPCWSTR, LPWSTR, DWORD);
    const ShortPathFunction shortPath =
        reinterpret_cast<ShortPathFunction>(NtFunction("KERNEL32", "GetShortPathNameW"));
    return shortPath != nullptr && ShortPathCounts(shortPath(wide, wide, capacity), capacity);
}

bool AnsiNameOfUtf8(char* name, int size) {
    return MultiByteToWideChar(CP_UTF8, 0, name, -1, WideNames.Other, WideCapacity) != 0 &&
           AnsiNameOf(WideNames.Other, WideCapacity, name, size);
}

bool EnterFolder(const WCHAR* folder) {
    typedef BOOL(WINAPI * SetFolderFunction)(LPCWSTR);
    const SetFolderFunction setFolder =
        reinterpret_cast<SetFolderFunction>(NtFunction("KERNEL32", "SetCurrentDirectoryW"));
    if (WideNames.FolderEntered || setFolder == nullptr || !setFolder(folder)) return false;
    WideNames.FolderEntered = true;
    return true;
}

bool AnsiNameOf(WCHAR* wide, DWORD capacity, char* out, int size) {
    if (AnsiFromWide(wide, out, size)) return true;
    // Where the volume keeps 8.3 names, the short form of a name outside the code page is ASCII.
    return ShortenWide(wide, capacity) && AnsiFromWide(wide, out, size);
}
