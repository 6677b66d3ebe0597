// Finds the launcher's folder and settings file, and reads settings and message texts from it.
#include "settings/settings_file.h"

#include "platform/file_exists.h"
#include "platform/wide_names.h"
#include "platform/windows_api.h"

SettingsFileState SettingsFile;

const char SettingsSection[] = "Tavio32 Settings";
const char ErrorsSection[] = "Tavio32 Errors";
const char AbsenceMarker[] = "<<<Not a valid setting!>>>";
const char LauncherTitleText[] = "Tavio Launcher";

// Index of the last backslash, scanning from the next-to-last character down; -1 if none.
static long LastBackslash(const char* text, size_t length) {
    for (long i = static_cast<long>(length) - 2; i >= 0; --i)
        if (text[i] == '\\') return i;
    return -1;
}

static bool FailLocating(const char* message) {
    MessageBoxA(nullptr, message, LauncherTitleText, MB_OK);
    return false;
}

// NT: the launcher's own path as Windows names it, in Unicode, made ANSI through its short
// form (the form the folder has always been taken in), so that a folder named outside the
// ANSI code page is still found. Where no ANSI text names the folder, it becomes the current
// folder and the path ".\." stands for it. False where the Unicode call is not there: the
// ANSI route then stands.
static bool ModulePathFromWide(WorkText& path) {
    typedef DWORD(WINAPI * ModuleFileNameFunction)(HMODULE, LPWSTR, DWORD);
    const ModuleFileNameFunction moduleFileName =
        reinterpret_cast<ModuleFileNameFunction>(NtFunction("KERNEL32", "GetModuleFileNameW"));
    WCHAR* wide = WideNames.Text;
    if (moduleFileName == nullptr) return false;
    const DWORD length = moduleFileName(nullptr, wide, WideCapacity);
    if (length == 0 || length >= static_cast<DWORD>(WideCapacity)) return false;
    ShortenWide(wide, WideCapacity);
    if (AnsiFromWide(wide, path.Data(), static_cast<int>(path.BufferSize()))) return true;
    for (DWORD i = length; i > 0; --i)
        if (wide[i - 1] == '\\') {
            wide[i] = 0;
            break;
        }
    return EnterFolder(wide) && path.Assign(".\\.");
}

static bool LocateSelfSteps() {
    WorkText& path = SettingsFile.WorkBuffer;
    path.Clear();
    if (GetModuleFileNameA(nullptr, path.Data(), static_cast<DWORD>(path.BufferSize())) == 0)
        return FailLocating("Tavio Launcher wasn't able to locate its executable file.");
    path.Terminate();  // a path that filled the buffer comes back unterminated on some versions

    const long nameStart = LastBackslash(path.CStr(), path.Length()) + 1;
    if (nameStart == 0) return FailLocating("Tavio Launcher wasn't able to determine its file name.");
    const char* name = path.CStr() + nameStart;
    long dot = -1;
    for (long i = static_cast<long>(path.Length()) - nameStart - 1; i >= 0; --i)
        if (name[i] == '.') {
            dot = i;
            break;
        }
    if (dot < 0) return FailLocating("Tavio Launcher wasn't able to determine its extension.");
    // A name too long for its slot stays marked Cut: no candidate path is then tried.
    SettingsFile.SettingsFileName.AssignPart(name, static_cast<size_t>(dot));
    SettingsFile.SettingsFileName.Append(".INI");

    if (!ModulePathFromWide(path)) {
        FixedText<1024> shortPath;
        shortPath.Clear();
        const DWORD shortLength =
            GetShortPathNameA(path.CStr(), shortPath.Data(), static_cast<DWORD>(shortPath.BufferSize()));
        if (ShortPathCounts(shortLength, static_cast<DWORD>(shortPath.BufferSize()))) {
            shortPath.Terminate();
            path.Assign(shortPath.CStr());
        }
    }

    const long folderEnd = LastBackslash(path.CStr(), path.Length());
    // A folder cut to fit would be another folder, and would read another disc's settings.
    if (folderEnd < 0 || !SettingsFile.LauncherDirectory.AssignPart(path.CStr(), static_cast<size_t>(folderEnd) + 1))
        return FailLocating("Tavio Launcher wasn't able to locate its directory.");
    return true;
}

// Runs steps on the first call only; every call gives that first answer.
static bool Once(bool& tried, bool& answer, bool (*steps)()) {
    if (!tried) {
        tried = true;
        answer = steps();
    }
    return answer;
}

bool LocateSelf() { return Once(SettingsFile.SelfLocateTried, SettingsFile.SelfLocated, LocateSelfSteps); }

// Tries LauncherDirectory + subfolder + settings file name; a path that does not fit is not found.
static bool TryCandidate(const char* subfolder) {
    FixedText<360>& candidate = SettingsFile.SettingsFilePath;
    candidate.Assign(SettingsFile.LauncherDirectory.CStr());
    candidate.Append(subfolder);
    candidate.Append(SettingsFile.SettingsFileName.CStr());
    return SettingsFile.SettingsFileName.Fits() && candidate.Fits() && FileExists(candidate.CStr());
}

static bool LocateSettingsFileSteps() {
    if (!LocateSelf()) return false;
    if (!TryCandidate("") && !TryCandidate("SETTINGS\\")) {
        SettingsFile.SettingsFilePath.Clear();
        return FailLocating(
            "Tavio Launcher wasn't able to locate its settings file\r"
            "either in its own directory or in its 'SETTINGS' subdirectory.");
    }
    // Drop any cached copy (the 95/98 family keeps one across processes, so a disc
    // changed in the same drive could otherwise be read with the last disc's settings).
    if (IsWindows95Family()) {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsFile.SettingsFilePath.CStr());
    } else {
        // The path is ANSI text, like every path the launcher uses; read as any other code
        // page it would name another file outside ASCII. One character never gives more
        // than one UTF-16 unit, so the 359 characters fit.
        // The Unicode call is looked up, not imported: Windows 95's own DLLs need not export it.
        typedef BOOL(WINAPI * FlushFunction)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);
        const FlushFunction flush =
            reinterpret_cast<FlushFunction>(NtFunction("KERNEL32", "WritePrivateProfileStringW"));
        WCHAR widePath[360];
        if (flush != nullptr && MultiByteToWideChar(CP_ACP, 0, SettingsFile.SettingsFilePath.CStr(), -1, widePath, 360) != 0)
            flush(nullptr, nullptr, nullptr, widePath);
    }
    return true;
}

bool LocateSettingsFile() {
    return Once(SettingsFile.FileLocateTried, SettingsFile.FileLocated, LocateSettingsFileSteps);
}

// Reads key from section into buffer; false when the key is absent.
static bool ReadProfileValue(const char* section, const char* key, WorkText& buffer) {
    buffer.Clear();
    GetPrivateProfileStringA(section, key, AbsenceMarker, buffer.Data(), static_cast<DWORD>(buffer.BufferSize()),
                             SettingsFile.SettingsFilePath.CStr());
    buffer.Terminate();
    return lstrcmpiA(buffer.CStr(), AbsenceMarker) != 0;
}

bool ReadTextSetting(const char* key, SettingText& field) {
    if (!LocateSettingsFile()) return false;
    if (ReadProfileValue(SettingsSection, key, SettingsFile.WorkBuffer))
        field.Assign(SettingsFile.WorkBuffer.CStr());  // cut at the slot's 359 characters
    return true;
}

bool ReadNumberSetting(const char* key, LONG& field) {
    if (!LocateSettingsFile()) return false;
    if (ReadProfileValue(SettingsSection, key, SettingsFile.WorkBuffer))
        field = ParseNumber(SettingsFile.WorkBuffer.CStr());
    return true;
}

// Whether name, a key as the file holds it, may be key (letters and digits) in any letter
// case. Folding by the 0x20 bit matches each letter in both cases exactly; it also lets a
// few other bytes pass for a digit or the end, which costs only a lookup of its own.
static bool MayBeKey(const char* name, const char* key) {
    for (;; ++name, ++key) {
        if ((*name | 0x20) != (*key | 0x20)) return false;
        if (*key == '\0') return true;
    }
}

// Lists the keys of the settings section in KeyList and gives the list's length, or 0 when
// the list may lack a key that a lookup would find: an empty one (no section, no keys, or a
// first key without a name, which Windows reports as no list at all), one that may have been
// cut, or one with a name outside ASCII, whose letter case only the system's own comparison
// can fold.
static DWORD ListSettingKeys() {
    char* list = SettingsFile.KeyList;
    const DWORD size = sizeof SettingsFile.KeyList;
    const DWORD length =
        GetPrivateProfileStringA(SettingsSection, nullptr, "", list, size, SettingsFile.SettingsFilePath.CStr());
    if (length == 0 || length >= size - 2) return 0;  // size - 2: cut to fit
    list[length] = '\0';
    for (DWORD i = 0; i < length; ++i)
        if (static_cast<unsigned char>(list[i]) >= 0x80) return 0;
    return length;
}

// Whether the list of this length names key. A key without a name ("=value" amid the
// others) is an empty name in it, not its end: the names run to the length given.
static bool KeyListed(const char* key, DWORD length) {
    const char* list = SettingsFile.KeyList;
    for (DWORD i = 0; i < length;) {
        if (MayBeKey(list + i, key)) return true;
        while (list[i++] != '\0') {
        }
    }
    return false;
}

bool ReadAllSettings() {
    if (!LocateSettingsFile()) return false;
    // A key the section does not hold keeps its default: one call lists the keys that are
    // there, and only those are looked up, where each lookup reads the file anew.
    const DWORD listed = ListSettingKeys();
    for (int i = 0; i < SettingCount; ++i) {
        const SettingEntry& entry = SettingCatalogue[i];
        if (listed != 0 && !KeyListed(entry.Key, listed)) continue;
        const bool read = entry.Kind == NumberSetting ? ReadNumberSetting(entry.Key, entry.Number())
                                                      : ReadTextSetting(entry.Key, entry.Text());
        if (!read) return false;
    }
    return true;
}

const char* ReadErrorText(const char* key, const char* builtInText) {
    // Only ever called once the file is located; without one the built-in text stands.
    if (!SettingsFile.FileLocated || !ReadProfileValue(ErrorsSection, key, SettingsFile.ResultBuffer))
        SettingsFile.ResultBuffer.Assign(builtInText);
    return SettingsFile.ResultBuffer.CStr();
}

LONG ParseNumber(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    // Saturate instead of wrapping, so that a huge time-out never reads as a small one: the
    // magnitude stops at 2^31, beyond both ends of the range, and never overflows 32 bits.
    const DWORD stop = 0x80000000u;
    DWORD magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude < stop / 10 + 1 ? magnitude * 10 + static_cast<DWORD>(*text - '0') : stop;
        if (magnitude > stop) magnitude = stop;
    }
    if (negative) return static_cast<LONG>(0u - magnitude);
    return magnitude >= stop ? 0x7FFFFFFF : static_cast<LONG>(magnitude);
}
