// The simulated Windows: how tests and host tools set up and inspect the machine the logic runs on.
//
// One process-wide machine. Reset() makes it new: an empty file system, an empty
// registry with its four roots, no windows but those of the test, the virtual clock at
// 0, Windows NT 4 as the version, no key held, no planned failures, no scripts.
// Everything the logic sees goes through the Win32 calls of platform_windows.h.
#ifndef TAVIO_PLATFORM_SIM_SIM_H
#define TAVIO_PLATFORM_SIM_SIM_H

#include <functional>
#include <string>
#include <vector>

#include "platform_windows.h"

namespace sim {

void Reset();

// ---- Failures the simulation itself detects ----
// A GetMessageA that would wait forever (empty queue, no timer, nothing scheduled) or a
// run whose virtual time passes the cap records a failure, and GetMessageA returns 0
// (as for WM_QUIT, wParam kDeadlockExitCode) so the loop under test ends instead of
// hanging. Tests check Failures() is empty (the unit-test fixture does so).
constexpr WPARAM kDeadlockExitCode = 0xDEAD;
const std::vector<std::string>& Failures();
// Virtual milliseconds after which any wait counts as endless; default 24 hours.
void SetTimeCap(DWORD milliseconds);

// ---- Version, module, keys ----
constexpr DWORD kWindows95 = 0xC3B60004;  // high bit set: the 95/98 family, major 4
constexpr DWORD kWindows98 = 0xC0000A04;
constexpr DWORD kWin32s = 0x80000A03;      // high bit set, major 3
constexpr DWORD kWindowsNT4 = 0x05650004;  // high bit clear
constexpr DWORD kWindows10 = 0x23F00206;
void SetVersion(DWORD version);
void SetModulePath(const char* path);  // what GetModuleFileNameA reports
// A 64-bit Windows running the launcher as a 32-bit process (WOW64): IsWow64Process says so
// (on NT 5.1 and later; the version stays whatever SetVersion gave), the launcher's view of
// HKEY_LOCAL_MACHINE\Software is Software\WOW6432Node, and the environment has a 32-bit
// process's folders: ProgramFiles, CommonProgramFiles and ProgramFiles(x86) in
// "C:\Program Files (x86)", ProgramW6432 and CommonProgramW6432 in "C:\Program Files".
// Set it after Reset(): the variables are set then.
void SetMachine64(bool wow64);
// Where a 32-bit installer's record for root\keyPath lies on 64-bit Windows: the key as named,
// or for HKEY_LOCAL_MACHINE\Software its place below Software\WOW6432Node.
std::string Wow64KeyPath(HKEY root, const char* keyPath);
// text (the simulation's own text) with the environment's variables expanded, as the
// Unicode ExpandEnvironmentStringsW gives it: a name outside the ANSI code page stays whole.
std::string Expanded(const std::string& text);
// A name outside the ANSI code page, written in UTF-8, as the simulation's calls take it
// (sim::AddFile(sim::Utf8("C:\\東京\\RUN.EXE").c_str())): the ANSI calls give '?' for each
// character code page 1252 lacks, the Unicode calls give the name whole.
std::string Utf8(const char* utf8);
// The reverse: a text of the simulation (as Utf8 makes it, or ANSI text of the code page) in UTF-8.
std::string Utf8Of(const std::string& text);
// A module path too long for the buffer: GetModuleFileNameA fills the whole buffer and leaves
// it unterminated, as Windows 2000 and XP do; by default it is cut and terminated, as later
// versions (and Wine) do.
void SetModuleNameCutUnterminated(bool unterminated);
void SetKeyDown(int virtualKey, bool down);
// Whether the GetModuleHandleA("USER32") / GetProcAddress pair finds RegisterClassExA.
void SetRegisterClassExAvailable(bool available);

// ---- File system ----
// Paths are Windows paths ("D:\\SETUP32\\SETUP.EXE"); drives exist as soon as a path on
// them is added. Names compare ignoring case. Parent folders are created as needed.
void AddFolder(const char* path);
void AddFile(const char* path, std::string content = std::string());
// Loads a folder of the host (a disc being made) below a Windows folder ("D:\\"), with its
// subfolders, as they are now; the files' bytes stay on the host and are read when needed.
// Host names in UTF-8 become ANSI names. False (and a failure recorded) when the folder
// cannot be read or two of its names differ only in letter case.
bool AddHostFolder(const char* windowsFolder, const char* hostFolder);
void RemoveFile(const char* path);
bool FileExistsInSim(const char* path);
// A file's bytes as they are now (a host folder's file read from the host); false for no file.
bool FileContent(const char* path, std::string* bytes);
// Gives the last component of an existing file or folder its 8.3 alias ("README~1.TXT");
// GetShortPathNameA then uses the alias for that component wherever it appears.
void SetShortName(const char* longPath, const char* alias);
// The full path with each existing component's long name, as a started program finds its
// own module path; components that do not exist stay as written.
std::string LongPath(const char* path);
// A stale copy of a profile file in the system's cache, as the 95/98 family keeps one
// across processes: reads see it until the cache is flushed for that path.
void CacheProfileFile(const char* path, const std::string& staleContent);
// Paths whose cached copy the logic dropped (WritePrivateProfileString*(NULL, NULL, NULL, path)).
const std::vector<std::string>& ProfileFlushes();
// A profile file as GetPrivateProfileStringA parses it, for tools that point at its lines:
// each section header and each entry the reader keeps, in file order (comments, blank
// lines and the entries the reader drops are left out). Empty when it cannot be read.
struct ProfileEntry {
    int line;           // 1-based; CR LF, a lone CR and a lone LF each end one line
    bool section;       // a header: name is the section's name
    std::string name;   // trimmed; a line without '=' is a key of that whole text
    bool hasValue;      // the line has '='
    std::string value;  // trimmed, with any quotes as written
};
std::vector<ProfileEntry> ProfileEntries(const char* path);

// ---- Registry and environment ----
// Keys are created as needed; key paths use backslashes and compare ignoring case.
void AddRegistryKey(HKEY root, const char* keyPath);
void SetRegistryValue(HKEY root, const char* keyPath, const char* valueName, DWORD type, const void* data, DWORD size);
// A string value with its terminating zero, of type REG_SZ or REG_EXPAND_SZ.
void SetRegistryString(HKEY root, const char* keyPath, const char* valueName, const std::string& text,
                       DWORD type = REG_SZ);
void SetEnvironmentVariable(const char* name, const char* value);
// Number of writes the logic made to the registry or files: always 0 for the launcher.
int WriteCount();
// Registry keys the logic opened and has not closed yet; the unit fixture fails a test that leaves one.
int OpenRegistryKeyCount();

// ---- Shell ----
// FindExecutableA resolves through the simulated HKEY_CLASSES_ROOT: ".ext" default value
// names a class, "<class>\\shell\\<default verb>\\command" the command. This sets both.
void AddAssociation(const char* extension, const char* className, const char* openCommand);
struct ShellStart {
    bool ownerNull;
    std::string verb;  // "<null>" for a null verb
    std::string file;
    std::string parameters;
    std::string directory;  // "<null>" for a null directory
    int show;
    UINT result;
    // For a document, the command line its association ran (the open command with the
    // document in place of %1, %l, %L); empty when the file was started itself or nothing ran.
    std::string command;
};
// Every ShellExecuteA call, in order.
const std::vector<ShellStart>& ShellStarts();
// The program the last successful FindExecutable named (its command's placeholders filled in
// with the document, as the shell does), in ANSI; empty before any.
std::string ShellNamedProgram();
// The result of the next ShellExecuteA calls. By default a start succeeds (33) when the
// file exists, else fails with 2 (a missing file or folder alike); a document (an
// existing file whose extension is no program's) runs its class's default verb's command:
// 31 when there is no class, verb or command (an empty one, as a DelegateExecute verb has,
// included: Wine's answer), 2 when the command's program is missing, else 33.
void SetShellExecuteResult(UINT result);
void ClearShellExecuteResult();
// After the next successful start, a window of another process with this class and
// title appears once the launcher's timer has ticked afterTicks times (0: at once).
void OpenWindowAfterStart(const char* className, const char* title, int afterTicks);

// ---- Windows of other processes ----
HWND AddOtherProcessWindow(const char* className, const char* title, bool visible = true);
void RemoveOtherProcessWindow(HWND window);
// Messages posted to windows of other processes (a deferral notice, for one).
struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
const std::vector<PostedMessage>& PostedToOtherProcesses();

// ---- Named mutexes shared with other processes ----
// Names compare with letter case, as Windows compares them. A mutex another process
// created and owns: CreateMutexA of that name here opens it (ERROR_ALREADY_EXISTS), and a
// wait for it blocks, letting virtual time run through the events of sim::At, until that
// process lets it go or the wait's time-out passes.
void OtherProcessHoldsMutex(const char* name);
// That process releases the mutex and closes its handle; or, with abandoned, ends while it
// still owns it: the next wait that takes the mutex then returns WAIT_ABANDONED. A mutex no
// handle refers to any more is gone. Call from sim::At to have it happen during a wait.
void OtherProcessReleasesMutex(const char* name, bool abandoned = false);
struct MutexInfo {
    bool exists;
    bool ownedHere;       // by this process's thread
    bool ownedElsewhere;  // by another process
    int handlesHere;      // this process's open handles to it
};
MutexInfo Mutex(const char* name);
// This process's open handles to kernel objects.
int OpenHandleCount();

// ---- This process's windows ----
struct WindowInfo {
    bool exists;  // false once destroyed
    std::string className;
    std::string title;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    bool visible;
    bool iconic;
    bool foreground;
    int lastShowCommand;  // -1 before any ShowWindow
};
WindowInfo Window(HWND window);
// A registered class of this process, as the logic registered it.
struct ClassInfo {
    bool registered;
    bool extended;  // through RegisterClassExA
    UINT cbSize;
    UINT style;
    WNDPROC procedure;
    int classExtra, windowExtra;
    HINSTANCE instance;
    std::string icon, smallIcon, cursor;  // resource names loaded ("GENERIC", "SMALL", "#32512"), "" for none
    ULONG_PTR background;
    std::string menu;
};
ClassInfo Class(const char* className);
// What the user does: minimise a window, or close it (WM_CLOSE posted, as the close box does).
void UserMinimizes(HWND window);
void UserCloses(HWND window);

// ---- Painting ----
struct TextOutCall {
    int x, y;
    std::string text;
    int backgroundMode;
    COLORREF backgroundColour;
    COLORREF textColour;
};
// The display's dots per inch, as GetDeviceCaps(LOGPIXELSY) reports it for the screen (default 96).
void SetDisplayDpi(int dpi);
// Screen device contexts GetDC(NULL) handed out that were not released.
int ScreenDcsHeld();
// Every TextOutA call, in order.
const std::vector<TextOutCall>& TextOuts();
int PaintCount();

// ---- Message boxes ----
constexpr int kCloseBox = -1;  // an answer: the user closes the box with its close button (or Escape)
struct MessageBoxCall {
    bool ownerNull;
    std::string caption;
    std::string text;
    UINT type;
    int answer;        // what MessageBoxA returned
    bool endedByQuit;  // a pending quit request ended the box at once
};
// Answers the next boxes in order (IDOK, IDCANCEL or kCloseBox); once they run out, IDOK.
void AnswerMessageBoxes(const std::vector<int>& answers);
// Runs while a box is open, before it is answered; it may post messages (they are
// dispatched by the box's modal loop before it returns) and may change the answer.
using MessageBoxScript = std::function<void(const MessageBoxCall& box, int& answer)>;
void SetMessageBoxScript(MessageBoxScript script);
const std::vector<MessageBoxCall>& MessageBoxes();

// ---- Clock, scheduled events ----
DWORD Now();  // virtual milliseconds since Reset
// The local time that crt::time and crt::localtime report at virtual time 0 (seconds since 1970, UTC).
void SetClock(time_t secondsAtStart);
// Runs action when the virtual clock reaches the given time, from within a waiting GetMessageA.
void At(DWORD milliseconds, std::function<void()> action);
// Ticks of WM_TIMER delivered so far.
int TimerTicks();

// ---- Planned failures ----
// The nth call (1-based) of the named Win32 or C runtime function fails, and every later
// one too when forever is set. The call returns value (cast to its result type) without
// doing its work; for calls that report through GetLastError the error is set to error.
// Names as in the API: "GetModuleFileNameA", "GetShortPathNameA", "RegisterClassA",
// "RegisterClassExA", "CreateWindowExA", "SetTimer", "GetMessageA", "PostMessageA",
// "ShellExecuteA", "FindExecutableA", "localtime", "RegOpenKeyExA", "RegQueryValueExA",
// "ExpandEnvironmentStringsA", "GetProcAddress", "GetModuleHandleA", ...
// A name the simulation has no such call for throws std::invalid_argument, here and in CallCount.
void FailCall(const char* function, int nth, bool forever, long long value, DWORD error = 0);
// The next call from now (and every later one too when forever is set).
void FailNextCall(const char* function, bool forever, long long value, DWORD error = 0);
int CallCount(const char* function);
// The planned failures that have not fired yet, as "<function> call <n>[ and later]";
// the unit-test fixture fails a test that leaves one.
std::vector<std::string> UnfiredFailures();

// ---- The story of a run ----
// One line per call of interest, in order, for sequence checks, e.g.
// "RegisterClassExA Fendral Tavio Launcher Class", "CreateWindowExA Fendral Tavio Launcher Class",
// "FindWindowA <class>|<title>" (null shown as "<null>"), "PostMessageA 1025",
// "MessageBoxA <caption>", "ShellExecuteA <file>", "SetTimer 1 500", "KillTimer 1",
// "DestroyWindow", "PostQuitMessage 0", "WritePrivateProfileStringA <path>",
// "CreateMutexA <name>", "WaitForSingleObject <time-out> <result>", "ReleaseMutex", "CloseHandle".
// The lines as of this call: ask again after the machine has run on or been reset.
const std::vector<std::string>& Trace();

}  // namespace sim

#endif
