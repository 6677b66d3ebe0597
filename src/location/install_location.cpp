// The install-location lookup in the registry, and the folder clean-up.
#include "location/install_location.h"

#include "platform/wide_names.h"

RegistryQueryState RegistryQuery;

namespace {

// The query reads up to this many bytes of a value; a longer value is unusable.
constexpr DWORD QueryDataSize = 1600;

void RemoveLeading(char* text, size_t count) {
    size_t i = 0;
    do {
        text[i] = text[i + count];
    } while (text[i++] != '\0');
}

size_t TextLength(const char* text) {
    size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

// NT: the value as Windows holds it, in Unicode, so that a folder named outside the ANSI code
// page is not read as '?'. A text the ANSI code page holds comes out exactly as the ANSI call
// gives it; any other must name a file or folder (for a command line, once cleaned into its
// folder) and is taken in its short form. -1: no Unicode call here, the ANSI route stands.
// Whether wide text at `at` spells ascii, whose small letters match either case.
bool Spells(const WCHAR* at, const char* ascii) {
    for (; *ascii != '\0'; ++at, ++ascii)
        if ((*at | 0x20) != *ascii) return false;
    return true;
}

// A record of the 64-bit view names the folders a 64-bit installer meant: %ProgramFiles% and
// %CommonProgramFiles% expand, in a 32-bit process, to the (x86) folders, and their 64-bit
// forms are %ProgramW6432% and %CommonProgramW6432%, names of the same length.
void NameThe64BitFolders(WCHAR* text) {
    for (; *text != 0; ++text) {
        if (*text != '%') continue;
        WCHAR* name = text + 1;
        if (Spells(name, "common")) name += 6;
        if (!Spells(name, "programfiles%")) continue;
        for (int i = 0; i < 5; ++i) name[7 + i] = "W6432"[i];
    }
}

// Whether the process is a 32-bit one on 64-bit Windows. IsWow64Process is looked up, not
// imported: Windows 95, 98, NT 4 and 2000 lack it, and there the answer is no.
bool RunsUnderWow64() {
    typedef BOOL(WINAPI * Wow64Function)(HANDLE, PBOOL);
    const Wow64Function isWow64 = reinterpret_cast<Wow64Function>(NtFunction("KERNEL32", "IsWow64Process"));
    BOOL wow64 = FALSE;
    // (HANDLE)-1 is the process's own pseudo handle, as GetCurrentProcess gives it.
    return isWow64 != nullptr && isWow64(reinterpret_cast<HANDLE>(-1), &wow64) && wow64;
}

int QueryWide(HKEY key, LocationUse use, REGSAM view) {
    typedef LSTATUS(WINAPI * QueryFunction)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    typedef DWORD(WINAPI * ExpandFunction)(LPCWSTR, LPWSTR, DWORD);
    const QueryFunction queryValue = reinterpret_cast<QueryFunction>(NtFunction("ADVAPI32", "RegQueryValueExW"));
    const ExpandFunction expand = reinterpret_cast<ExpandFunction>(NtFunction("KERNEL32", "ExpandEnvironmentStringsW"));
    if (queryValue == nullptr || expand == nullptr) return -1;
    WideNamesState& wide = WideNames;
    if (MultiByteToWideChar(CP_ACP, 0, RegistryQuery.ValueName.CStr(), -1, wide.Name, MAX_PATH * 2) == 0) return 0;
    DWORD type = REG_NONE;
    DWORD size = QueryDataSize * sizeof(WCHAR);
    if (queryValue(key, wide.Name, nullptr, &type, reinterpret_cast<LPBYTE>(wide.Text), &size) != ERROR_SUCCESS)
        return 0;
    // The Unicode call adds no terminator to a value stored without one.
    wide.Text[size / sizeof(WCHAR)] = 0;
    WCHAR* text = wide.Text;
    if (type == REG_EXPAND_SZ) {
        if (view & KEY_WOW64_64KEY) NameThe64BitFolders(wide.Text);
        const DWORD needed = expand(wide.Text, wide.Other, QueryDataSize);
        if (needed == 0 || needed > QueryDataSize) return 0;
        text = wide.Other;
    } else if (type != REG_SZ) {
        return 0;
    }
    char* result = RegistryQuery.ResultText.Data();
    const int resultSize = static_cast<int>(RegistryQuery.ResultText.BufferSize());
    RegistryQuery.ResultText.Terminate();
    if (AnsiFromWide(text, result, resultSize)) return 1;
    if (use == LocationText) {
        RegistryQuery.ResultInUtf8 = true;
        const int converted = WideCharToMultiByte(CP_UTF8, 0, text, -1, result, resultSize, nullptr, nullptr);
        RegistryQuery.ResultText.Terminate();  // one that did not fit may have filled the buffer
        return converted != 0 ? 1 : 0;
    }
    if (use == LocationFolderOfCommand) {
        // Cleaned in UTF-8, whose multibyte characters hold no quote, blank, percent sign or
        // backslash, and turned back into Unicode.
        char* utf8 = reinterpret_cast<char*>(wide.RoundTrip);
        if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof wide.RoundTrip, nullptr, nullptr) == 0) return 0;
        CleanInstallFolder(utf8);
        if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, WideCapacity) == 0) return 0;
    }
    if (AnsiNameOf(text, WideCapacity, result, resultSize)) return 1;
    // An install folder that no ANSI text names is reached as the current folder.
    return use != LocationText && EnterFolder(text) && RegistryQuery.ResultText.Assign(".") ? 1 : 0;
}

}  // namespace

bool MapRootKey(const char* name) {
    if (name == nullptr) return false;
    HKEY root;
    if (lstrcmpiA(name, "HKEY_CLASSES_ROOT") == 0) root = HKEY_CLASSES_ROOT;
    else if (lstrcmpiA(name, "HKEY_CURRENT_USER") == 0) root = HKEY_CURRENT_USER;
    else if (lstrcmpiA(name, "HKEY_LOCAL_MACHINE") == 0) root = HKEY_LOCAL_MACHINE;
    else if (lstrcmpiA(name, "HKEY_USERS") == 0) root = HKEY_USERS;
    else return false;
    RegistryQuery.Root = root;
    return true;
}

namespace {
int QueryView(LocationUse use, REGSAM view);
}  // namespace

int QueryInstallLocation(LocationUse use) {
    RegistryQueryState& query = RegistryQuery;
    // A name cut to fit would name another key or value: better not found than wrong.
    query.ResultInUtf8 = false;
    if (!query.KeyPath.Fits() || !query.ValueName.Fits()) return 0;
    const int found = QueryView(use, 0);
    // On 64-bit Windows the launcher's view of HKEY_LOCAL_MACHINE\Software is the 32-bit
    // one (WOW6432Node), where 32-bit installers write; a 64-bit installer records its folder
    // in the 64-bit view, read second so that every record found today is found the same.
    if (found != 0 || use == LocationText || !RunsUnderWow64()) return found;
    return QueryView(use, KEY_WOW64_64KEY);
}

namespace {

// The query in one view of the registry: 0 for the launcher's own, KEY_WOW64_64KEY for the 64-bit one.
int QueryView(LocationUse use, REGSAM view) {
    RegistryQueryState& query = RegistryQuery;

    // Key path and value name are ANSI text (from the settings file, or from the registry
    // for an association), as the ANSI registry calls read them: a conversion to another
    // code page would name another key outside ASCII.
    HKEY key;
    if (RegOpenKeyExA(query.Root, query.KeyPath.CStr(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return 0;
    const int found = QueryWide(key, use, view);
    if (found >= 0) {
        RegCloseKey(key);
        return found;
    }
    // One byte beyond the query's size, so that data stored without its terminating
    // zero (Windows adds one only where the buffer has room) can still be terminated.
    FixedText<QueryDataSize + 1> data;
    DWORD type = REG_NONE;
    DWORD size = QueryDataSize;
    const LSTATUS status =
        RegQueryValueExA(key, query.ValueName.CStr(), nullptr, &type, reinterpret_cast<LPBYTE>(data.Data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return 0;
    data.Text[size < QueryDataSize ? size : QueryDataSize] = '\0';

    const char* text = data.CStr();
    FixedText<QueryDataSize> expanded;
    if (type == REG_EXPAND_SZ) {
        // The result counts the terminator; above the buffer's size means it did not fit.
        const DWORD needed = ExpandEnvironmentStringsA(data.CStr(), expanded.Data(), expanded.BufferSize());
        if (needed == 0 || needed > expanded.BufferSize()) return 0;
        expanded.Terminate();
        text = expanded.CStr();
    } else if (type != REG_SZ) {
        return 0;
    }

    // A cut location would name another folder: a value too long for the result is unusable.
    if (TextLength(text) > query.ResultText.Capacity) return 0;
    // The text stays ANSI: the file calls and the shell that use it read ANSI.
    query.ResultText.Assign(text);
    return 1;
}

}  // namespace

void CleanInstallFolder(char* text) {
    size_t spaces = 0;
    while (text[spaces] == ' ') ++spaces;
    if (spaces > 0 && text[spaces] != '\0') RemoveLeading(text, spaces);

    if (text[0] == '"') {
        RemoveLeading(text, 1);
        for (size_t i = 0; text[i] != '\0'; ++i) {
            if (text[i] == '"') {
                text[i] = '\0';
                break;
            }
        }
    }

    // What follows a quote or a percent sign is an argument of a command line.
    for (size_t i = 0; text[i] != '\0'; ++i) {
        if (text[i] == '"' || text[i] == '%') {
            text[i] = '\0';
            break;
        }
    }

    size_t length = TextLength(text);
    while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';

    size_t lastBackslash = length;
    for (size_t i = 0; i < length; ++i)
        if (text[i] == '\\') lastBackslash = i;
    if (lastBackslash < length) text[lastBackslash + 1] = '\0';
}
