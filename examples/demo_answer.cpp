// The demo's hands under Wine (not on the disc): prepares the prefix, watches and answers the launcher's boxes.
//
// Usage, one job per start; every wait is bounded by SECONDS:
//   demo_answer prepare headless|display   Wine's window settings for the run; clears the
//                                          sample's registry value and installed copy
//   demo_answer box EXE SECONDS answer|show
//       waits for a message box of a process named EXE and prints it ("caption: ...",
//       "text: ...", "buttons: ..."), then "ready". answer: reads a line from stdin, then
//       presses OK (whatever the default button) and prints "pressed OK" once the box has
//       gone. show: leaves the box to the user and prints "closed" once it has gone.
//   demo_answer window CLASS SECONDS [EXE] waits for a visible window of CLASS, prints its title;
//                                          with EXE, gives up as soon as no process EXE is left
//   demo_answer gone CLASS SECONDS         waits until no window of CLASS is left
//   demo_answer close CLASS SECONDS        asks every window of CLASS to close, waits until gone
//   demo_answer installed                  prints the recorded install folder and whether
//                                          the sample program is in it
//   demo_answer dpi N                      sets the display's DPI for programs started from now
//                                          on (HKEY_CURRENT_USER\Control Panel\Desktop, LogPixels)
//   demo_answer reveal CLASS SECONDS PROGRAM
//       holds Shift and Ctrl, starts PROGRAM (the launcher again) from D:\, and once it has
//       ended and a visible window of CLASS (the running launcher's) is there, lets go
// Exit code 0 on success; 1 when a wait timed out or the check failed; 2 when EXE ended
// (or never started) without showing the box or the window waited for; 3 on bad usage.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "../tests/e2e/display_checks.h"
#include "../tests/e2e/message_box.h"
#include "sample_disc.h"

namespace {

const DWORD kPollMs = 50;
// A launcher that has not shown up in the process list by then is not coming.
const DWORD kStartGraceMs = 10000;

void Print(const char* text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, nullptr);
}

void PrintLine(const char* label, const char* text) {
    Print(label);
    Print(text);
    Print("\n");
}

// Reads one line (or up to end of input) from stdin; false at once on end of input.
bool ReadLine() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char c;
    DWORD got;
    bool any = false;
    while (ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
        any = true;
        if (c == '\n') return true;
    }
    return any;
}

bool Expired(DWORD start, DWORD limitMs) { return GetTickCount() - start >= limitMs; }

DWORD SecondsArg(const char* text) {
    DWORD seconds = 0;
    for (; *text >= '0' && *text <= '9'; ++text) seconds = seconds * 10 + (*text - '0');
    return seconds > 0 && seconds <= 3600 ? seconds : 0;
}

// ---- processes and windows

const int kMostProcesses = 64;
struct ProcessSet {
    DWORD Ids[kMostProcesses];
    int Count;
};

void FindProcesses(const char* exeName, ProcessSet& set) {
    set.Count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && set.Count < kMostProcesses;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) == 0) set.Ids[set.Count++] = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
}

bool ClassIs(HWND window, const char* className) {
    char name[256];
    return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, className) == 0;
}

struct BoxSearch {
    const ProcessSet* Owners;
    HWND Found;
};

BOOL CALLBACK FindBoxOf(HWND window, LPARAM param) {
    BoxSearch& search = *reinterpret_cast<BoxSearch*>(param);
    if (!IsWindowVisible(window) || !IsMessageBoxWindow(window)) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    for (int i = 0; i < search.Owners->Count; ++i) {
        if (search.Owners->Ids[i] == owner) {
            search.Found = window;
            return FALSE;
        }
    }
    return TRUE;
}

struct ClassSearch {
    const char* ClassName;
    bool VisibleOnly;
    bool Close;  // post WM_CLOSE to each one found
    HWND Found;
};

BOOL CALLBACK FindOfClass(HWND window, LPARAM param) {
    ClassSearch& search = *reinterpret_cast<ClassSearch*>(param);
    if (!ClassIs(window, search.ClassName)) return TRUE;
    if (search.VisibleOnly && !IsWindowVisible(window)) return TRUE;
    search.Found = window;
    if (!search.Close) return FALSE;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

HWND FindOfClass(const char* className, bool visibleOnly, bool close = false) {
    ClassSearch search = {className, visibleOnly, close, nullptr};
    EnumWindows(FindOfClass, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// ---- box

// The box's text, one "text: " line per line, with the trailing empty lines dropped.
void PrintBoxText(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
    size_t line = 0;
    for (size_t p = 0;; ++p) {
        if (p == end || text[p] == '\n' || text[p] == '\r') {
            PrintLine("text: ", text.substr(line, p - line).c_str());
            if (p == end) break;
            if (text[p] == '\r' && p + 1 < end && text[p + 1] == '\n') ++p;
            line = p + 1;
        }
    }
}

// Labels without their access-key marks, as the user reads them.
std::string Label(const std::string& raw) {
    std::string label;
    for (char c : raw)
        if (c != '&') label += c;
    return label;
}

void PrintButtons(const MessageBoxView& box) {
    std::string line;
    for (const std::string& button : box.buttons) line += (line.empty() ? "" : ", ") + Label(button);
    if (!box.defaultButton.empty()) line += " (default " + Label(box.defaultButton) + ")";
    PrintLine("buttons: ", line.c_str());
}

bool WaitGone(HWND window, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (Expired(start, limitMs)) return false;
        Sleep(kPollMs);
    }
    return true;
}

int Box(const char* exeName, DWORD seconds, bool answer) {
    const DWORD start = GetTickCount(), limitMs = seconds * 1000;
    bool seen = false;
    HWND box = nullptr;
    for (;;) {
        ProcessSet owners;
        FindProcesses(exeName, owners);
        if (owners.Count > 0) {
            seen = true;
            BoxSearch search = {&owners, nullptr};
            EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&search));
            box = search.Found;
        } else if (seen || Expired(start, kStartGraceMs)) {
            PrintLine(exeName, seen ? " ended without a message box" : " is not running");
            return 2;
        }
        if (box) break;
        if (Expired(start, limitMs)) {
            PrintLine("no message box within the time, from ", exeName);
            return 1;
        }
        Sleep(kPollMs);
    }
    const MessageBoxView view = ReadMessageBox(box);
    Sleep(100);  // and painted, for the screenshot
    if (!IsWindow(box)) {
        Print("a message box closed before it could be read\n");
        return 1;
    }
    PrintLine("caption: ", view.caption.c_str());
    PrintBoxText(view.text);
    PrintButtons(view);
    Print("ready\n");
    if (!answer) {
        if (!WaitGone(box, limitMs)) {
            Print("still open\n");
            return 1;
        }
        Print("closed\n");
        return 0;
    }
    if (!ReadLine()) return 1;
    // IDOK as the OK button's click sends it; Enter would choose the default, which may be Cancel.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    if (!WaitGone(box, 5000)) {
        Print("the box did not close\n");
        return 1;
    }
    Print("pressed OK\n");
    return 0;
}

// ---- windows by class

int Window(const char* className, DWORD seconds, const char* exeName) {
    const DWORD start = GetTickCount();
    for (bool last = false;;) {
        if (HWND window = FindOfClass(className, true)) {
            char title[256];
            GetWindowTextA(window, title, sizeof title);
            PrintLine("title: ", title);
            return 0;
        }
        if (last) {
            PrintLine(exeName, " ended, and no window opened");
            return 2;
        }
        if (exeName) {
            // The window may have opened between the look above and this one: look once more.
            ProcessSet running;
            FindProcesses(exeName, running);
            last = running.Count == 0;
            if (last) continue;
        }
        if (Expired(start, seconds * 1000)) {
            PrintLine("no window of class ", className);
            return 1;
        }
        Sleep(kPollMs);
    }
}

int Gone(const char* className, DWORD seconds, bool close) {
    const DWORD start = GetTickCount();
    if (close) FindOfClass(className, false, true);
    while (FindOfClass(className, false)) {
        if (Expired(start, seconds * 1000)) {
            PrintLine("still open: a window of class ", className);
            return 1;
        }
        Sleep(kPollMs);
    }
    return 0;
}

// ---- registry and files

bool SetValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool done = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return done;
}

void DeleteValue(const char* keyPath, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

int Prepare(bool headless) {
    int status = 0;
    if (headless) {
        // Under a bare X server a managed window costs about 2 s whenever a box opens or closes.
        if (!SetValue("Software\\Wine\\X11 Driver", "Managed", REG_SZ, "N", 2)) status = 1;
        // A crash must end the run, not wait for somebody to close Wine's crash dialog.
        const DWORD off = 0;
        if (!SetValue("Software\\Wine\\WineDbg", "ShowCrashDialog", REG_DWORD, &off, sizeof off)) status = 1;
    } else {
        DeleteValue("Software\\Wine\\X11 Driver", "Managed");
        DeleteValue("Software\\Wine\\WineDbg", "ShowCrashDialog");
    }
    if (status) Print("cannot write Wine's settings under HKEY_CURRENT_USER\\Software\\Wine\n");

    DeleteValue(SAMPLE_LOCATION_KEY, SAMPLE_LOCATION_VALUE);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SAMPLE_LOCATION_KEY, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, SAMPLE_LOCATION_VALUE, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            Print("cannot delete the value " SAMPLE_LOCATION_VALUE "\n");
            status = 1;
        }
        RegCloseKey(key);
    }
    char folder[MAX_PATH], program[MAX_PATH];
    if (SampleInstallFolder(folder, sizeof folder - sizeof "\\" SAMPLE_PROGRAM_FILE)) {
        wsprintfA(program, "%s\\%s", folder, SAMPLE_PROGRAM_FILE);
        DeleteFileA(program);
        RemoveDirectoryA(folder);
        if (GetFileAttributesA(program) != INVALID_FILE_ATTRIBUTES) {
            PrintLine("cannot delete ", program);
            status = 1;
        }
    }
    return status;
}

int Installed() {
    char folder[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH, type = 0;
    HKEY key;
    LONG found = RegOpenKeyExA(HKEY_CURRENT_USER, SAMPLE_LOCATION_KEY, 0, KEY_QUERY_VALUE, &key);
    if (found == ERROR_SUCCESS) {
        found = RegQueryValueExA(key, SAMPLE_LOCATION_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
        RegCloseKey(key);
    }
    if (found != ERROR_SUCCESS || type != REG_SZ) {
        Print("no install folder recorded in HKEY_CURRENT_USER\\" SAMPLE_LOCATION_KEY ", " SAMPLE_LOCATION_VALUE "\n");
        return 1;
    }
    folder[size < sizeof folder ? size : MAX_PATH] = '\0';
    PrintLine("recorded install folder: ", folder);
    char program[2 * MAX_PATH];
    wsprintfA(program, "%s\\%s", folder, SAMPLE_PROGRAM_FILE);
    if (GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES) {
        PrintLine("missing: ", program);
        return 1;
    }
    PrintLine("installed: ", program);
    return 0;
}

int SetDpi(const char* text) {
    const DWORD dpi = SecondsArg(text);
    HKEY key;
    if (dpi < 96 || RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                    &key, nullptr) != ERROR_SUCCESS)
        return 1;
    const LONG status = RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}

int Reveal(const char* className, DWORD seconds, const char* program) {
    const DWORD start = GetTickCount();
    const std::vector<WORD> keys = {VK_SHIFT, VK_CONTROL};
    if (!SendKeys(keys, true)) {
        Print("cannot press Shift and Ctrl\n");
        return 1;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    char commandLine[MAX_PATH + 2];
    wsprintfA(commandLine, "\"%s\"", program);
    int status = 1;
    if (CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, "D:\\", &si, &pi)) {
        Print("started the launcher again with Shift and Ctrl held\n");
        WaitForSingleObject(pi.hProcess, seconds * 1000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        while (!Expired(start, seconds * 1000)) {
            if (HWND window = FindOfClass(className, true)) {
                char title[256] = "";
                GetWindowTextA(window, title, sizeof title);
                PrintLine("revealed: ", title);
                status = 0;
                break;
            }
            Sleep(kPollMs);
        }
    } else {
        PrintLine("cannot start ", program);
    }
    SendKeys(keys, false);
    return status;
}

int Usage() {
    Print(
        "usage: demo_answer prepare headless|display | box EXE SECONDS answer|show |\n"
        "       window CLASS SECONDS [EXE] | gone CLASS SECONDS | close CLASS SECONDS | installed |\n"
        "       dpi N | reveal CLASS SECONDS PROGRAM\n");
    return 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const char* job = argv[1];
    if (lstrcmpA(job, "prepare") == 0 && argc == 3) return Prepare(lstrcmpA(argv[2], "headless") == 0);
    if (lstrcmpA(job, "installed") == 0 && argc == 2) return Installed();
    if (lstrcmpA(job, "dpi") == 0 && argc == 3) return SetDpi(argv[2]);
    const DWORD seconds = argc >= 4 ? SecondsArg(argv[3]) : 0;
    if (seconds == 0) return Usage();
    if (lstrcmpA(job, "box") == 0 && argc == 5) {
        if (lstrcmpA(argv[4], "answer") == 0) return Box(argv[2], seconds, true);
        if (lstrcmpA(argv[4], "show") == 0) return Box(argv[2], seconds, false);
        return Usage();
    }
    if (lstrcmpA(job, "window") == 0 && (argc == 4 || argc == 5))
        return Window(argv[2], seconds, argc == 5 ? argv[4] : nullptr);
    if (lstrcmpA(job, "gone") == 0 && argc == 4) return Gone(argv[2], seconds, false);
    if (lstrcmpA(job, "reveal") == 0 && argc == 5) return Reveal(argv[2], seconds, argv[4]);
    if (lstrcmpA(job, "close") == 0 && argc == 4) return Gone(argv[2], seconds, true);
    return Usage();
}
