// The scenario driver: lays out a disc, runs the real launcher under Wine, answers its boxes, checks the outcome.
//
//   e2e_driver.exe SCENARIO.scn FAMILY LAUNCHER.EXE
//
// FAMILY is a Wine version name (win98 for the 95/98 family, win10 or nt40 for NT), set for
// the launcher's executable name under HKCU\Software\Wine\AppDefaults before it starts.
// The disc is drive D:, which the runner maps to an empty folder of its own for each run;
// C:\e2e\ (the scenario's files off the disc) and C:\e2e-run\ (the fake programs' log) are
// emptied by the runner too. The driver refuses to run when D:\ is not empty, so it never
// lays a disc over anything else.
// Paths and string values may name characters outside the ANSI code page (wide_text.h): they
// reach Windows through the Unicode calls.
// Prints a transcript; exit status 0 when everything matched, 1 on a mismatch, 2 when the
// scenario could not be run at all.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "display_checks.h"
#include "message_box.h"
#include "scenario.h"
#include "wide_text.h"

namespace {

const char kDisc[] = "D:\\";
const char kOffDisc[] = "C:\\e2e\\";
const char kRunFolder[] = "C:\\e2e-run";
const char kLog[] = "C:\\e2e-run\\fakeprog.log";
const DWORD kSecondTimeoutMs = 10000;
const DWORD kBoxCloseTimeoutMs = 5000;
// A program the launcher started writes its log line within this time after the launcher ends.
const DWORD kLogTimeoutMs = 5000;
// Time given to a program started but not yet logged, when no more lines are expected.
const DWORD kLogSettleMs = 300;

std::vector<std::string> g_mismatches;
std::string g_transcript;
// Where screenshots go ("" for none): the folder TAVIO_E2E_SHOTS names, and the run's name.
std::string g_shotPrefix;

void Note(const std::string& line) { g_transcript += "  " + line + "\n"; }
void Mismatch(const std::string& line) { g_mismatches.push_back(line); }

std::string Quoted(const std::string& text) { return "\"" + Visible(text) + "\""; }

[[noreturn]] void Abort(const std::string& why) {
    std::printf("%s", g_transcript.c_str());
    std::printf("  ERROR %s\n", why.c_str());
    std::fflush(stdout);
    ExitProcess(2);
}

bool IEquals(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Parent(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool HasDrive(const std::string& path) { return path.size() >= 2 && path[1] == ':'; }

// A scenario path as a full path: on the disc unless it names a drive (then under C:\e2e\).
std::string FullPath(const std::string& path) {
    if (!HasDrive(path)) return kDisc + path;
    if (path.size() < sizeof kOffDisc - 1 || !IEquals(path.substr(0, sizeof kOffDisc - 1), kOffDisc))
        Abort("paths off the disc must lie under " + std::string(kOffDisc) + ": " + path);
    return path;
}

void MakeFolders(const std::string& folder) {
    if (folder.size() <= 3) return;  // a drive root
    if (GetFileAttributesW(WideOf(folder).c_str()) != INVALID_FILE_ATTRIBUTES) return;
    MakeFolders(Parent(folder));
    if (!CreateDirectoryW(WideOf(folder).c_str(), nullptr)) Abort("cannot create folder " + Visible(folder));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    MakeFolders(Parent(path));
    HANDLE f =
        CreateFileW(WideOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) Abort("cannot write " + Visible(path));
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    if (!ok || written != bytes.size()) Abort("cannot write " + Visible(path));
}

bool ReadBytes(const std::string& path, std::string& bytes) {
    HANDLE f = CreateFileW(WideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(f, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(f);
    return true;
}

void CopyInto(const std::string& from, const std::string& to) {
    MakeFolders(Parent(to));
    if (!CopyFileW(WideOf(from).c_str(), WideOf(to).c_str(), FALSE))
        Abort("cannot copy " + Visible(from) + " to " + Visible(to));
}

// ---- registry ----

struct RegistryPath {
    HKEY root;
    std::string rootName, subKey;
};

bool SplitKey(const std::string& key, RegistryPath& out) {
    static const struct { const char* shortName; const char* longName; HKEY root; } kRoots[] = {
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKU", "HKEY_USERS", HKEY_USERS}};
    size_t slash = key.find('\\');
    std::string first = key.substr(0, slash);
    for (const auto& r : kRoots) {
        if (IEquals(first, r.shortName) || IEquals(first, r.longName)) {
            out.root = r.root;
            out.rootName = r.shortName;
            out.subKey = slash == std::string::npos ? "" : key.substr(slash + 1);
            return true;
        }
    }
    return false;
}

void DeleteTree(HKEY root, const std::wstring& subKey) {
    HKEY key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    wchar_t name[512];
    for (;;) {
        DWORD length = 512;
        if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteTree(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyW(root, subKey.c_str());
}

void ApplyRegistryOp(const ScenarioRegistryOp& op) {
    RegistryPath path;
    if (!SplitKey(op.key, path) || path.subKey.empty()) Abort("bad registry key " + op.key);
    if (op.remove) {
        DeleteTree(path.root, WideOf(path.subKey));
        return;
    }
    HKEY key;
    if (RegCreateKeyExW(path.root, WideOf(path.subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        Abort("cannot create key " + Visible(op.key));
    std::string data;
    if (op.type == REG_SZ || op.type == REG_EXPAND_SZ) {
        const std::wstring text = WideOf(op.data);
        data.assign(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    } else if (op.type == REG_DWORD) {
        DWORD v = std::strtoul(op.data.c_str(), nullptr, 0);
        data.assign(reinterpret_cast<const char*>(&v), sizeof v);
    } else {  // REG_BINARY: hex pairs, blanks allowed between them
        data.clear();
        for (size_t i = 0; i < op.data.size();) {
            if (op.data[i] == ' ') { ++i; continue; }
            data.push_back(static_cast<char>(std::strtoul(op.data.substr(i, 2).c_str(), nullptr, 16)));
            i += 2;
        }
    }
    const std::wstring name = IEquals(op.valueName, "(Default)") ? L"" : WideOf(op.valueName);
    LONG status = RegSetValueExW(key, name.c_str(), 0, op.type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) Abort("cannot set " + Visible(op.key) + " " + Visible(op.valueName));
}

// A value as it stood before a scenario set it: a key of the prefix's own (Wine's .url
// association, say) gets its value back after the run instead of being deleted.
struct SavedValue {
    ScenarioRegistryOp op;
    bool keyExisted = false, valueExisted = false;
    DWORD type = REG_NONE;
    std::string data;
};

SavedValue SaveValue(const ScenarioRegistryOp& op) {
    SavedValue saved;
    saved.op = op;
    RegistryPath path;
    HKEY key;
    if (!SplitKey(op.key, path) || RegOpenKeyExA(path.root, path.subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return saved;
    saved.keyExisted = true;
    const std::string name = IEquals(op.valueName, "(Default)") ? "" : op.valueName;
    char data[4096];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &saved.type, reinterpret_cast<BYTE*>(data), &size) ==
        ERROR_SUCCESS) {
        saved.valueExisted = true;
        saved.data.assign(data, size);
    }
    RegCloseKey(key);
    return saved;
}

void RestoreValue(const SavedValue& saved) {
    if (!saved.keyExisted) {
        ScenarioRegistryOp undo = saved.op;
        undo.remove = true;
        ApplyRegistryOp(undo);
        return;
    }
    RegistryPath path;
    HKEY key;
    if (!SplitKey(saved.op.key, path) ||
        RegOpenKeyExA(path.root, path.subKey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    const std::string name = IEquals(saved.op.valueName, "(Default)") ? "" : saved.op.valueName;
    if (saved.valueExisted)
        RegSetValueExA(key, name.c_str(), 0, saved.type, reinterpret_cast<const BYTE*>(saved.data.data()),
                       static_cast<DWORD>(saved.data.size()));
    else
        RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

void SetFamily(const std::string& exeName, const std::string& family) {
    ScenarioRegistryOp op;
    op.key = "HKCU\\Software\\Wine\\AppDefaults\\" + exeName;
    op.valueName = "Version";
    op.data = family;
    ApplyRegistryOp(op);
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char two[4];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out;
}

// Every key and value below one key, one entry per key and per value; values as stored, in Unicode.
void DumpKey(HKEY root, const std::string& label, const std::wstring& subKey, std::map<std::string, std::string>& out) {
    HKEY key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out[label] = "key";
    for (DWORD i = 0;; ++i) {
        static wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, dataLength = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &dataLength) != ERROR_SUCCESS) break;
        std::string data(dataLength, '\0');
        nameLength = 16384;
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &dataLength);
        data.resize(dataLength);
        out[label + " [" + TextOf(name, nameLength) + "]"] = "type " + std::to_string(type) + " data " + Hex(data);
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& c : children)
        DumpKey(root, label + "\\" + TextOf(c), subKey.empty() ? c : subKey + L"\\" + c, out);
}

// ---- files ----

void DumpFolder(const std::string& folder, std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideOf(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = TextOf(found.cFileName, lstrlenW(found.cFileName));
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[path + "\\"] = "folder";
            DumpFolder(path, out);
        } else {
            std::string bytes;
            ReadBytes(path, bytes);
            char stamp[64];
            std::snprintf(stamp, sizeof stamp, "written %08lx%08lx ", found.ftLastWriteTime.dwHighDateTime,
                          found.ftLastWriteTime.dwLowDateTime);
            out[path] = stamp + Hex(bytes);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

typedef std::map<std::string, std::string> Snapshot;

Snapshot TakeSnapshot(const std::vector<std::string>& keys) {
    Snapshot s;
    DumpFolder("D:", s);
    DumpFolder("C:\\e2e", s);
    for (const std::string& k : keys) {
        RegistryPath path;
        if (SplitKey(k, path)) DumpKey(path.root, path.rootName + "\\" + path.subKey, WideOf(path.subKey), s);
    }
    return s;
}

// A file entry is "written <time> <bytes>": a rewrite with the same bytes is still a write.
bool OnlyTimeDiffers(const std::string& a, const std::string& b) {
    const size_t head = sizeof "written 0123456789abcdef " - 1;
    return a.compare(0, 8, "written ") == 0 && b.compare(0, 8, "written ") == 0 && a.size() >= head &&
           b.size() >= head && a.compare(head, std::string::npos, b, head, std::string::npos) == 0;
}

void CompareSnapshots(const Snapshot& before, const Snapshot& after) {
    for (const auto& b : before) {
        auto a = after.find(b.first);
        if (a == after.end()) Mismatch("written: " + Visible(b.first) + " was removed");
        else if (a->second != b.second)
            Mismatch("written: " + Visible(b.first) +
                     (OnlyTimeDiffers(a->second, b.second) ? " (time stamp changed)" : " changed"));
    }
    for (const auto& a : after)
        if (before.find(a.first) == before.end()) Mismatch("written: " + Visible(a.first) + " was created");
}

// ---- processes and boxes ----

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? ", " : "") + parts[i];
    return out;
}

struct BoxSearch {
    DWORD pid;
    const std::set<HWND>* skip;
    HWND found;
};

BOOL CALLBACK FindBoxProc(HWND window, LPARAM param) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || search->skip->count(window)) return TRUE;
    if (IsMessageBoxWindow(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A process's top-level windows, each as its class and whether it is visible: what a run that
// timed out had on the screen (a box the search did not take, or nothing at all).
BOOL CALLBACK ListWindowsProc(HWND window, LPARAM param) {
    std::pair<DWORD, std::string>* list = reinterpret_cast<std::pair<DWORD, std::string>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != list->first) return TRUE;
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    list->second += std::string(list->second.empty() ? "" : ", ") + name + (IsWindowVisible(window) ? " (visible)" : "");
    return TRUE;
}

std::string WindowsOf(DWORD pid) {
    std::pair<DWORD, std::string> list(pid, std::string());
    EnumWindows(ListWindowsProc, reinterpret_cast<LPARAM>(&list));
    return list.second.empty() ? "none" : list.second;
}

HWND FindBox(DWORD pid, const std::set<HWND>& skip) {
    BoxSearch search = {pid, &skip, nullptr};
    EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DescribeBox(const std::string& label, const MessageBoxView& box) {
    Note(label + ": caption " + Quoted(box.caption));
    Note("  text " + Quoted(box.text));
    Note("  buttons " + Joined(box.buttons) + ", default " + (box.defaultButton.empty() ? "none" : box.defaultButton));
}

// Answers a box with a button's command (as a click does) or with the close box.
bool AnswerBox(const MessageBoxView& box, const std::string& answer) {
    if (IEquals(answer, "close")) {
        PostMessageA(box.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        if (!PressMessageBoxButton(box, answer)) return false;
    }
    DWORD start = GetTickCount();
    while (IsWindow(box.window) && IsWindowVisible(box.window) && GetTickCount() - start < kBoxCloseTimeoutMs) Sleep(10);
    return !(IsWindow(box.window) && IsWindowVisible(box.window));
}

std::vector<std::string> ReadLog() {
    std::vector<std::string> lines;
    std::string bytes;
    if (!ReadBytes(kLog, bytes)) return lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos) break;  // a line still being written
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

bool GlobMatch(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return GlobMatch(pattern + 1, text) || (*text && GlobMatch(pattern, text + 1));
    return *text == *pattern && GlobMatch(pattern + 1, text + 1);
}

// When the process began, as a FILETIME count; 0 when it cannot be asked.
unsigned long long CreationTimeOf(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (p == nullptr) return 0;
    FILETIME created, exited, kernel, user;
    unsigned long long when = 0;
    if (GetProcessTimes(p, &created, &exited, &kernel, &user))
        when = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    CloseHandle(p);
    return when;
}

// The processes started by the given ones since notBefore, with their executable names.
// Process ids are reused: a long-running process of Wine's own can name as its parent an
// id that a launcher of this run was given later, so only processes begun during the run count.
std::vector<std::pair<DWORD, std::string>> ChildrenOf(const std::set<DWORD>& parents, unsigned long long notBefore) {
    std::vector<std::pair<DWORD, std::string>> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return out;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry))
        if (parents.count(entry.th32ParentProcessID) && entry.th32ProcessID != GetCurrentProcessId() &&
            CreationTimeOf(entry.th32ProcessID) >= notBefore)
            out.push_back({entry.th32ProcessID, entry.szExeFile});
    CloseHandle(snap);
    return out;
}

struct Launch {
    PROCESS_INFORMATION pi = {};
    DWORD started = 0;
};

// Where the first launcher's Wine log goes when the scenario checks its manifest.
const char kLoaderLog[] = "C:\\e2e-run\\loader.log";

// WINEDEBUG: the channels to log, with the launcher's standard error into kLoaderLog; empty
// for none (Wine's log stays off).
Launch StartLauncher(const std::string& exe, const std::string& wineDebug = std::string()) {
    Launch launch;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    HANDLE log = INVALID_HANDLE_VALUE;
    char previous[256] = "";
    if (!wineDebug.empty()) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        log = CreateFileA(kLoaderLog, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (log == INVALID_HANDLE_VALUE) Abort(std::string("cannot write ") + kLoaderLog);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = log;
        GetEnvironmentVariableA("WINEDEBUG", previous, sizeof previous);
        // Wine reads it from the new process's environment.
        SetEnvironmentVariableA("WINEDEBUG", wineDebug.c_str());
    }
    std::wstring commandLine = L"\"" + WideOf(exe) + L"\"";
    // Started from the disc's root, as AutoPlay does.
    const BOOL started = CreateProcessW(WideOf(exe).c_str(), &commandLine[0], nullptr, nullptr,
                                        log != INVALID_HANDLE_VALUE, 0, nullptr, WideOf(kDisc).c_str(), &si, &launch.pi);
    const DWORD error = GetLastError();
    if (log != INVALID_HANDLE_VALUE) {
        CloseHandle(log);
        SetEnvironmentVariableA("WINEDEBUG", previous[0] != '\0' ? previous : nullptr);
    }
    if (!started) Abort("cannot start " + Visible(exe) + " (error " + std::to_string(error) + ")");
    launch.started = GetTickCount();
    return launch;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

class Run {
public:
    Run(const Scenario& sc, const std::string& exe) : sc_(sc), exe_(exe) {}

    void Go() {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        runStart_ = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        Launch first = StartLauncher(exe_, sc_.checkManifest ? "+actctx" : "");
        pids_.insert(first.pi.dwProcessId);
        firstPid_ = first.pi.dwProcessId;
        Note("started " + Visible(exe_) + " (pid " + std::to_string(first.pi.dwProcessId) + ")");
        if (sc_.second.when == ScenarioSecond::Together) return GoTogether(first);
        bool exited = false;
        while (!exited) {
            exited = WaitForSingleObject(first.pi.hProcess, 15) == WAIT_OBJECT_0;
            if (exited) break;
            DWORD elapsed = GetTickCount() - first.started;
            if (elapsed > static_cast<DWORD>(sc_.timeoutMs)) {
                Note("its windows at the time-out: " + WindowsOf(first.pi.dwProcessId));
                TerminateProcess(first.pi.hProcess, 999);
                WaitForSingleObject(first.pi.hProcess, 5000);
                Mismatch("the launcher was still running after " + std::to_string(sc_.timeoutMs) + " ms; killed");
                Note("killed after the time-out");
                break;
            }
            if (!secondDone_ && sc_.second.when == ScenarioSecond::AfterStarted &&
                static_cast<int>(ReadLog().size()) >= sc_.second.number)
                StartSecond("after " + std::to_string(sc_.second.number) + " started");
            if (!secondDone_ && sc_.second.when == ScenarioSecond::AfterDelay &&
                elapsed >= static_cast<DWORD>(sc_.second.number))
                StartSecond("after " + std::to_string(sc_.second.number) + " ms");
            HWND window = FindBox(first.pi.dwProcessId, handled_);
            if (window) HandleBox(window);
        }
        elapsedMs_ = GetTickCount() - first.started;
        if (exited) {
            exitCode_ = ExitCodeOf(first.pi.hProcess);
            Note("exit code " + std::to_string(exitCode_) + " after " + std::to_string(elapsedMs_) + " ms");
        }
        CloseHandle(first.pi.hThread);
        CloseHandle(first.pi.hProcess);
        if (exited) Check();
        StopStarted();
    }

private:
    // Fixed: the same gaps on every run, so a failure can be replayed.
    static constexpr unsigned kGapSeed = 12345;

    // Sleeps the scenario's gap between two starts, drawn from MIN-MAX by seed.
    void SleepGap(unsigned& seed) const {
        seed = seed * 1103515245u + 12345u;
        const int span = sc_.second.gapMaxMs - sc_.second.gapMinMs;
        Sleep(static_cast<DWORD>(sc_.second.gapMinMs + (span > 0 ? static_cast<int>((seed >> 16) % (span + 1)) : 0)));
    }

    // Launchers started at the same instant: whichever acts, its boxes are answered; the
    // exit codes are checked as a set.
    void GoTogether(Launch first) {
        secondDone_ = true;
        std::vector<Launch> group = {first};
        unsigned seed = kGapSeed;
        for (int i = 0; i < sc_.second.count; ++i) {
            if (i > 0) SleepGap(seed);
            group.push_back(StartLauncher(exe_));
            pids_.insert(group.back().pi.dwProcessId);
            Note("started together with it (pid " + std::to_string(group.back().pi.dwProcessId) + ")");
        }
        std::vector<bool> ended(group.size(), false);
        std::vector<int> codes;
        for (;;) {
            std::vector<HANDLE> running;
            for (size_t i = 0; i < group.size(); ++i) {
                if (ended[i]) continue;
                if (WaitForSingleObject(group[i].pi.hProcess, 0) == WAIT_OBJECT_0) {
                    ended[i] = true;
                    codes.push_back(static_cast<int>(ExitCodeOf(group[i].pi.hProcess)));
                    Note("pid " + std::to_string(group[i].pi.dwProcessId) + " exit code " + std::to_string(codes.back()) +
                         " after " + std::to_string(GetTickCount() - first.started) + " ms");
                    continue;
                }
                running.push_back(group[i].pi.hProcess);
            }
            if (running.empty()) break;
            if (GetTickCount() - first.started > static_cast<DWORD>(sc_.timeoutMs)) {
                for (HANDLE p : running) {
                    TerminateProcess(p, 999);
                    WaitForSingleObject(p, 5000);
                }
                Mismatch("a launcher was still running after " + std::to_string(sc_.timeoutMs) + " ms; killed");
                break;
            }
            WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 15);
            for (size_t i = 0; i < group.size(); ++i) {
                if (ended[i]) continue;
                if (HWND window = FindBox(group[i].pi.dwProcessId, handled_))
                    HandleBox(window, " (pid " + std::to_string(group[i].pi.dwProcessId) + ")");
            }
        }
        elapsedMs_ = GetTickCount() - first.started;
        for (Launch& launch : group) {
            CloseHandle(launch.pi.hThread);
            CloseHandle(launch.pi.hProcess);
        }
        if (codes.size() == group.size()) {
            std::vector<int> expected(group.size() - 1, sc_.second.expectedExit);
            expected.push_back(sc_.expectedExit);
            std::sort(expected.begin(), expected.end());
            std::sort(codes.begin(), codes.end());
            if (codes != expected) Mismatch("exit codes: expected " + Codes(expected) + ", got " + Codes(codes));
            Check();
        }
        StopStarted();
    }

    static std::string Codes(const std::vector<int>& codes) {
        std::string out;
        for (size_t i = 0; i < codes.size(); ++i) out += (i ? " " : "") + std::to_string(codes[i]);
        return out;
    }

    void HandleBox(HWND window, const std::string& whose = std::string()) {
        handled_.insert(window);
        MessageBoxView box = ReadMessageBox(window);
        const size_t index = boxes_.size();
        boxes_.push_back(box);
        DescribeBox("box " + std::to_string(index + 1) + whose, box);
        CheckDisplay(window, "box " + std::to_string(index + 1), "box" + std::to_string(index + 1));
        if (!secondDone_ && sc_.second.when == ScenarioSecond::WhileBox &&
            sc_.second.number == static_cast<int>(index + 1))
            StartSecond("while box " + std::to_string(index + 1) + " is open");
        // Of launchers started together, a box beyond the listed ones is answered like the
        // last listed, as a user answers each such alert.
        const bool together = sc_.second.when == ScenarioSecond::Together && !sc_.boxes.empty();
        const ScenarioBox* listed = index < sc_.boxes.size() ? &sc_.boxes[index] : together ? &sc_.boxes.back() : nullptr;
        const std::string answer = listed != nullptr ? listed->answer : "close";
        if (listed != nullptr && listed->delayMs > 0) Sleep(static_cast<DWORD>(listed->delayMs));
        Note("  answered " + answer);
        if (!AnswerBox(box, answer)) {
            Mismatch("box " + std::to_string(index + 1) + ": could not answer " + answer);
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    }

    // Starts the launcher count more times, one after another with the scenario's gaps;
    // each must end by itself with the expected code and show nothing.
    void StartSecond(const std::string& when) {
        secondDone_ = true;
        unsigned seed = kGapSeed;
        for (int i = 0; i < sc_.second.count; ++i) {
            if (i > 0) SleepGap(seed);
            StartOneMore(sc_.second.count > 1 ? when + ", start " + std::to_string(i + 1) : when);
        }
    }

    // The DPI the system gave a window of the launcher, against the scenario's; a screenshot.
    void CheckDisplay(HWND window, const std::string& label, const std::string& shot) {
        if (sc_.dpi != 0) {
            const UINT dpi = WindowDpi(window);
            const std::string awareness = WindowAwareness(window);
            Note(label + ": GetDpiForWindow " + (dpi != 0 ? std::to_string(dpi) : "missing") + ", DPI awareness " +
                 awareness + " (the display: " + std::to_string(SystemDpi()) + " DPI)");
            // The manifest makes the launcher DPI-aware; without it the system would scale it.
            if (awareness != "per-monitor" && awareness != "unknown")
                Mismatch(label + ": DPI awareness " + awareness + ", expected per-monitor");
            // Wine 8 answers 96 for a per-monitor-aware window of another process, whatever the display.
            if (dpi != 0 && dpi != static_cast<UINT>(sc_.dpi) && !(dpi == 96 && awareness == "per-monitor"))
                Mismatch(label + ": the system gave it " + std::to_string(dpi) + " DPI, expected " +
                         std::to_string(sc_.dpi));
        }
        if (g_shotPrefix.empty()) return;
        // Shot once painted: some of the client area dark, some light.
        ClientPixels client;
        for (const DWORD start = GetTickCount(); GetTickCount() - start < 2000; Sleep(20)) {
            if (!ReadClientPixels(window, client)) continue;
            const int ink = DarkPixels(client, 0, client.height);
            if (ink > 0 && ink < client.width * client.height / 2) break;
        }
        if (!SaveWindowShot(window, g_shotPrefix + shot + ".bmp")) Note(label + ": no screenshot");
    }

    // The first launcher's window: visible within 3 s of the gesture, where the scenario
    // says, with ink on both status lines' rows.
    void CheckReveal() {
        const DWORD start = GetTickCount();
        HWND window = nullptr;
        while (GetTickCount() - start < 3000) {
            window = LauncherWindowOf(firstPid_);
            if (window != nullptr && IsWindowVisible(window)) break;
            Sleep(10);
        }
        if (window == nullptr || !IsWindowVisible(window)) {
            Mismatch("the first launcher's window was not revealed within 3000 ms");
            return;
        }
        RECT r;
        GetWindowRect(window, &r);
        const ScenarioReveal& want = sc_.reveal;
        const std::string at = std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                               std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
        Note("revealed after " + std::to_string(GetTickCount() - start) + " ms at " + at);
        if (r.left != want.x || r.top != want.y || r.right - r.left != want.width || r.bottom - r.top != want.height)
            Mismatch("revealed at " + at + ", expected " + std::to_string(want.x) + " " + std::to_string(want.y) + " " +
                     std::to_string(want.width) + " " + std::to_string(want.height));
        // Lines at 10 and 30 pixels, 20 apart, at 96 DPI: each line's rows scaled alike.
        const int dpi = sc_.dpi != 0 ? sc_.dpi : 96;
        const int line1 = 10 * dpi / 96, line2 = 30 * dpi / 96, end = 50 * dpi / 96;
        int ink1 = 0, ink2 = 0;
        ClientPixels client;
        // Text, not a blank or a not yet painted area: some of each line's rows dark, most light.
        auto isText = [&client](int ink, int top, int bottom) { return ink > 0 && ink < (bottom - top) * client.width / 2; };
        while (GetTickCount() - start < 5000) {
            if (ReadClientPixels(window, client)) {
                ink1 = DarkPixels(client, line1, line2);
                ink2 = DarkPixels(client, line2, end);
                if (isText(ink1, line1, line2) && isText(ink2, line2, end)) break;
            }
            Sleep(20);
        }
        Note("status lines: " + std::to_string(ink1) + " and " + std::to_string(ink2) + " dark pixels in rows " +
             std::to_string(line1) + "-" + std::to_string(line2 - 1) + " and " + std::to_string(line2) + "-" +
             std::to_string(end - 1) + " of a " + std::to_string(client.width) + "x" + std::to_string(client.height) +
             " client area");
        if (!isText(ink1, line1, line2) || !isText(ink2, line2, end))
            Mismatch("the revealed window does not show both status lines");
        CheckDisplay(window, "revealed window", "reveal");
    }

    // The launcher window of the process: the fixed title, whatever class the settings give it.
    struct WindowSearch {
        DWORD pid;
        HWND found;
    };
    static BOOL CALLBACK MatchLauncherWindow(HWND window, LPARAM data) {
        WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char title[64];
        if (owner != search->pid || GetWindowTextA(window, title, sizeof title) == 0 ||
            std::strcmp(title, "Tavio Launcher") != 0 || IsMessageBoxWindow(window))
            return TRUE;
        search->found = window;
        return FALSE;
    }
    static HWND LauncherWindowOf(DWORD pid) {
        WindowSearch search = {pid, nullptr};
        EnumWindows(MatchLauncherWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void StartOneMore(const std::string& when) {
        const std::vector<WORD> keys = {VK_SHIFT, VK_CONTROL};
        if (sc_.second.holdShiftCtrl) {
            if (!SendKeys(keys, true)) Mismatch("SendInput could not press Shift and Ctrl");
            Note("holding Shift and Ctrl");
        }
        Launch second = StartLauncher(exe_);
        pids_.insert(second.pi.dwProcessId);
        Note("second instance " + when + " (pid " + std::to_string(second.pi.dwProcessId) + ")");
        std::set<HWND> seen;
        bool exited = false;
        while (!(exited = WaitForSingleObject(second.pi.hProcess, 15) == WAIT_OBJECT_0)) {
            if (GetTickCount() - second.started > kSecondTimeoutMs) break;
            HWND window = FindBox(second.pi.dwProcessId, seen);
            if (!window) continue;
            seen.insert(window);
            MessageBoxView box = ReadMessageBox(window);
            DescribeBox("second instance's box", box);
            Mismatch("the second instance showed a box: " + Quoted(box.caption) + " " + Quoted(box.text));
            AnswerBox(box, "close");
        }
        if (!exited) {
            TerminateProcess(second.pi.hProcess, 999);
            WaitForSingleObject(second.pi.hProcess, 5000);
            Mismatch("the second instance was still running after " + std::to_string(kSecondTimeoutMs) + " ms; killed");
        } else {
            DWORD code = ExitCodeOf(second.pi.hProcess);
            Note("second instance exit code " + std::to_string(code));
            if (static_cast<int>(code) != sc_.second.expectedExit)
                Mismatch("second instance exit code: expected " + std::to_string(sc_.second.expectedExit) + ", got " +
                         std::to_string(code));
            if (sc_.reveal.expected) CheckReveal();
        }
        if (sc_.second.holdShiftCtrl) {
            SendKeys(keys, false);
            Note("released Shift and Ctrl");
        }
        CloseHandle(second.pi.hThread);
        CloseHandle(second.pi.hProcess);
    }

    void Check() {
        if (sc_.second.when != ScenarioSecond::Together && static_cast<int>(exitCode_) != sc_.expectedExit)
            Mismatch("exit code: expected " + std::to_string(sc_.expectedExit) + ", got " + std::to_string(exitCode_));
        if (sc_.minMs >= 0 && elapsedMs_ < static_cast<DWORD>(sc_.minMs))
            Mismatch("ran " + std::to_string(elapsedMs_) + " ms, expected at least " + std::to_string(sc_.minMs));
        if (sc_.maxMs >= 0 && elapsedMs_ > static_cast<DWORD>(sc_.maxMs))
            Mismatch("ran " + std::to_string(elapsedMs_) + " ms, expected at most " + std::to_string(sc_.maxMs));
        if (sc_.second.when != ScenarioSecond::Never && !secondDone_)
            Mismatch("the second instance was never started: its moment did not come");

        for (size_t i = 0; i < sc_.boxes.size() || i < boxes_.size(); ++i) {
            const std::string label = "box " + std::to_string(i + 1);
            if (i >= boxes_.size()) {
                const ScenarioBox& want = sc_.boxes[i];
                Mismatch(label + ": not shown (expected caption " + Quoted(want.caption) + ", text " +
                         Quoted(want.text) + ")");
                continue;
            }
            const MessageBoxView& got = boxes_[i];
            if (i >= sc_.boxes.size()) {
                Mismatch(label + ": not expected (caption " + Quoted(got.caption) + ", text " + Quoted(got.text) + ")");
                continue;
            }
            const ScenarioBox& want = sc_.boxes[i];
            if (want.hasCaption && got.caption != want.caption)
                Mismatch(label + " caption: expected " + Quoted(want.caption) + ", got " + Quoted(got.caption));
            if (want.hasText && got.text != want.text)
                Mismatch(label + " text:\n      expected " + Quoted(want.text) + "\n      got      " + Quoted(got.text));
            if (want.hasButtons && got.buttons != want.buttons)
                Mismatch(label + " buttons: expected " + Joined(want.buttons) + ", got " + Joined(got.buttons));
            if (want.hasDefault && got.defaultButton != want.defaultButton)
                Mismatch(label + " default button: expected " + (want.defaultButton.empty() ? "none" : want.defaultButton) +
                         ", got " + (got.defaultButton.empty() ? "none" : got.defaultButton));
        }

        // Programs started late write their line after the launcher has gone.
        std::vector<std::string> log = ReadLog();
        DWORD wait = GetTickCount();
        while (log.size() < sc_.expectedLog.size() && GetTickCount() - wait < kLogTimeoutMs) {
            Sleep(20);
            log = ReadLog();
        }
        if (!sc_.fakes.empty() && log.size() == sc_.expectedLog.size()) {
            Sleep(kLogSettleMs);
            log = ReadLog();
        }
        for (const std::string& line : log) Note("started: " + Visible(line));
        for (size_t i = 0; i < log.size() || i < sc_.expectedLog.size(); ++i) {
            const std::string label = "start " + std::to_string(i + 1);
            if (i >= log.size()) Mismatch(label + ": missing, expected " + Quoted(sc_.expectedLog[i]));
            else if (i >= sc_.expectedLog.size()) Mismatch(label + ": not expected: " + Quoted(log[i]));
            else if (!GlobMatch(sc_.expectedLog[i].c_str(), log[i].c_str()))
                Mismatch(label + ":\n      expected " + Quoted(sc_.expectedLog[i]) + "\n      got      " + Quoted(log[i]));
        }
    }

    // Ends whatever the launchers started that still runs, so that the next run starts clean.
    void StopStarted() {
        for (const auto& child : ChildrenOf(pids_, runStart_)) {
            bool logged = false;
            for (const ScenarioFake& f : sc_.fakes) logged |= IEquals(BaseName(f.path), child.second);
            if (!logged) Note("started a program that is no fake: " + child.second);
            if (!logged && sc_.checkUnchanged) Mismatch("started " + child.second + ", which no scenario file provides");
            HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child.first);
            if (p) {
                TerminateProcess(p, 0);
                WaitForSingleObject(p, 2000);
                CloseHandle(p);
            }
        }
    }

    const Scenario& sc_;
    std::string exe_;
    std::set<HWND> handled_;
    std::set<DWORD> pids_;
    std::vector<MessageBoxView> boxes_;
    bool secondDone_ = false;
    DWORD firstPid_ = 0;
    unsigned long long runStart_ = 0;  // FILETIME of the run's start
    DWORD exitCode_ = 0;
    DWORD elapsedMs_ = 0;
};

// A program already running when the launcher starts: started here, its window awaited.
HANDLE Prestart(const ScenarioFake& fake) {
    const std::string path = FullPath(fake.path);
    std::wstring commandLine = L"\"" + WideOf(path) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(WideOf(path).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        WideOf(Parent(path)).c_str(), &si, &pi))
        Abort("cannot start " + Visible(path));
    CloseHandle(pi.hThread);
    if (!fake.windowClass.empty()) {
        const DWORD start = GetTickCount();
        while (!FindWindowA(fake.windowClass.c_str(), nullptr)) {
            if (GetTickCount() - start > 10000) Abort("the window of " + path + " did not open");
            Sleep(10);
        }
    }
    Note("already running: " + Visible(path));
    return pi.hProcess;
}

std::string OwnFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return Parent(path);
}

bool FolderIsEmpty(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES;
    bool empty = true;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") empty = false;
    } while (empty && FindNextFileA(search, &found));
    FindClose(search);
    return empty;
}

// This driver again, with the same command line and standard handles; its exit status.
DWORD RunAgain() {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError})
        if (h != nullptr && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION pi = {};
    std::string commandLine = GetCommandLineA();
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        Abort("cannot run the driver again at the scenario's DPI");
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::printf("usage: e2e_driver SCENARIO.scn FAMILY LAUNCHER.EXE\n");
        return 2;
    }
    const std::string family = argv[2];
    Scenario sc;
    std::string error;
    if (!LoadScenario(argv[1], family, sc, error)) Abort(error);
    // The fake programs write a character the code page holds as its ANSI bytes, however written here.
    for (std::string& line : sc.expectedLog) line = Canonical(line);
    const std::string product = argv[3];
    if (GetFileAttributesA(product.c_str()) == INVALID_FILE_ATTRIBUTES) Abort("no launcher at " + product);
    const std::string fakeprog = OwnFolder() + "\\e2e_fakeprog.exe";
    if (GetFileAttributesA(fakeprog.c_str()) == INVALID_FILE_ATTRIBUTES) Abort("no fake program at " + fakeprog);
    if (!FolderIsEmpty(kDisc)) Abort("the disc D:\\ is not an empty folder of the harness");

    // Registry: the family, then a clean install-location key everywhere, then the scenario's values.
    const std::string exe = FullPath(sc.launcher);
    SetFamily(BaseName(exe), family);
    char shots[MAX_PATH];
    const DWORD shotsLength = GetEnvironmentVariableA("TAVIO_E2E_SHOTS", shots, sizeof shots);
    if (shotsLength > 0 && shotsLength < sizeof shots) g_shotPrefix = std::string(shots) + "\\" + sc.name + "-" + family + "-";
    // The display's DPI: Wine reads it once per process, as Windows does at log-on.
    ScenarioRegistryOp dpi;
    dpi.key = "HKCU\\Control Panel\\Desktop";
    dpi.valueName = "LogPixels";
    dpi.type = REG_DWORD;
    dpi.data = std::to_string(sc.dpi != 0 ? sc.dpi : 96);
    ApplyRegistryOp(dpi);
    // The driver reads windows' DPI as a process of that display: it runs the scenario again
    // as a process started after the change.
    if (sc.dpi != 0 && GetEnvironmentVariableA("TAVIO_E2E_AT_DPI", nullptr, 0) == 0) {
        SetEnvironmentVariableA("TAVIO_E2E_AT_DPI", dpi.data.c_str());
        std::fflush(stdout);
        const DWORD code = RunAgain();
        dpi.data = "96";
        ApplyRegistryOp(dpi);
        return static_cast<int>(code);
    }
    std::vector<std::string> watched = {"HKCR\\Software\\Fendral", "HKCU\\Software\\Fendral", "HKLM\\Software\\Fendral",
                                        "HKU\\.DEFAULT\\Software\\Fendral"};
    for (const std::string& k : watched) {
        ScenarioRegistryOp clean;
        clean.remove = true;
        clean.key = k;
        ApplyRegistryOp(clean);
    }
    std::vector<SavedValue> saved;
    for (const ScenarioRegistryOp& op : sc.registry) {
        if (!op.remove) saved.push_back(SaveValue(op));
        ApplyRegistryOp(op);
        if (std::find(watched.begin(), watched.end(), op.key) == watched.end()) watched.push_back(op.key);
    }
    for (const std::string& k : sc.watchedKeys) watched.push_back(k);

    // The disc, and what lies off it.
    MakeFolders(kRunFolder);
    SetEnvironmentVariableA("TAVIO_E2E_LOG", kLog);
    CopyInto(product, exe);
    for (const std::string& folder : sc.folders) MakeFolders(FullPath(folder));
    for (const ScenarioFile& file : sc.files) WriteBytes(FullPath(file.path), file.content);
    for (const ScenarioFake& fake : sc.fakes) {
        const std::string path = FullPath(fake.path);
        CopyInto(fakeprog, path);
        // A program running before the launcher must outlive its run; the driver ends it.
        const int stay = fake.stayMs >= 0 ? fake.stayMs : fake.prestart ? 600000 : fake.windowClass.empty() ? 0 : 5000;
        WriteBytes(path + ".cfg", "[fake]\r\nWindowClass=" + fake.windowClass + "\r\nWindowTitle=" + fake.windowTitle +
                                      "\r\nWindowDelay=" + std::to_string(fake.windowDelayMs) +
                                      "\r\nStay=" + std::to_string(stay) +
                                      "\r\nExitCode=" + std::to_string(fake.exitCode) + "\r\n");
    }

    Note("scenario " + sc.name + " [" + family + "]");
    std::vector<HANDLE> prestarted;
    for (const ScenarioFake& fake : sc.fakes)
        if (fake.prestart) prestarted.push_back(Prestart(fake));
    const Snapshot before = sc.checkUnchanged ? TakeSnapshot(watched) : Snapshot();
    Run run(sc, exe);
    run.Go();
    if (sc.checkUnchanged) CompareSnapshots(before, TakeSnapshot(watched));
    for (HANDLE p : prestarted) {
        TerminateProcess(p, 0);
        WaitForSingleObject(p, 2000);
        CloseHandle(p);
    }
    if (sc.dpi != 0) {
        dpi.data = "96";
        ApplyRegistryOp(dpi);
    }
    // The prefix's registry outlives the run: leave no association or location behind, and
    // the prefix's own values as they were (restored last first).
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) RestoreValue(*it);

    std::printf("%s", g_transcript.c_str());
    for (const std::string& m : g_mismatches) std::printf("  MISMATCH %s\n", m.c_str());
    std::fflush(stdout);
    return g_mismatches.empty() ? 0 : 1;
}
