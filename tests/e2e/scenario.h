// One end-to-end scenario as read from its .scn file: the disc, the registry, the boxes and the outcome.
#ifndef TAVIO_E2E_SCENARIO_H
#define TAVIO_E2E_SCENARIO_H

#include <string>
#include <vector>

// A file to lay out before the run. Disc paths are relative to the disc root (D:\);
// paths with a drive must lie under C:\e2e\, which the driver empties before each run.
struct ScenarioFile {
    std::string path;
    std::string content;  // bytes as written, line ends included
    int line;             // where the section starts, for messages
};

// A copy of the fake program, with the window it is to open.
struct ScenarioFake {
    std::string path;
    std::string windowClass;  // empty: it opens no window
    std::string windowTitle;
    int windowDelayMs = 0;
    int stayMs = -1;  // -1: the driver's default (long enough to be waited for)
    int exitCode = 0;
    bool prestart = false;  // started by the driver before the launcher, its window awaited
};

// One registry change made before the run.
struct ScenarioRegistryOp {
    bool remove = false;    // delete the key and all below it
    std::string key;        // ROOT\path, ROOT one of HKCR, HKCU, HKLM, HKU or the full names
    std::string valueName;  // "(Default)" is the key's default value
    unsigned type = 1;      // REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY
    std::string data;
    int line = 0;
};

// A message box the launcher is expected to show, and how to answer it.
struct ScenarioBox {
    bool hasCaption = false, hasText = false, hasButtons = false, hasDefault = false;
    std::string caption, text;
    std::vector<std::string> buttons;  // left to right
    std::string defaultButton;         // "" when no button is the default
    std::string answer = "OK";         // a button's text, or "close" for the close box
    int delayMs = 0;                   // how long the user reads the box before answering
    int line = 0;
};

// A second start of the launcher during the first one's run, or together with it.
struct ScenarioSecond {
    enum When { Never, WhileBox, AfterStarted, AfterDelay, Together } when = Never;
    int number = 0;        // box number, count of log lines, or milliseconds
    int expectedExit = 2;  // a deferring instance ends with 2
    int count = 1;         // further starts, one after another
    int gapMinMs = 0;      // pause between two of them, drawn from [gapMinMs, gapMaxMs]
    int gapMaxMs = 0;
    bool holdShiftCtrl = false;  // Shift and Ctrl held down from before the start until the reveal
};

// The first launcher's window shown by the Shift+Ctrl gesture: where it must stand.
struct ScenarioReveal {
    bool expected = false;
    int x = 0, y = 0, width = 0, height = 0;  // the window's rectangle on the screen
};

struct Scenario {
    std::string name;
    std::string launcher = "AUTOPLAY.EXE";  // where the launcher goes, relative to the disc
    int timeoutMs = 15000;                   // for the launcher's whole run
    int dpi = 0;                             // the display's DPI for this run; 0: the prefix's own
    std::vector<ScenarioFile> files;
    std::vector<std::string> folders;
    std::vector<ScenarioFake> fakes;
    std::vector<ScenarioRegistryOp> registry;
    std::vector<ScenarioBox> boxes;
    ScenarioSecond second;
    int expectedExit = 0;
    std::vector<std::string> expectedLog;  // every line the fake programs write, in order; '*' matches any run
    bool checkUnchanged = true;            // disc, C:\e2e and the watched keys byte for byte
    std::vector<std::string> watchedKeys;  // beyond the default Software\Fendral of every root
    int minMs = -1, maxMs = -1;            // bounds on the launcher's run time
    ScenarioReveal reveal;
    bool checkManifest = false;  // Wine's loader log of the first launcher: its manifest taken
};

// Reads a scenario for one Windows family (a Wine version name: win98, win10, ...). A key
// written key@95 counts only on the 95/98 family, key@nt only on NT. On failure returns
// false with the reason (file:line) in error.
bool LoadScenario(const std::string& file, const std::string& family, Scenario& scenario, std::string& error);

// Replaces {CR} {LF} {TAB} {SP} {LBRACE} {RBRACE} {xHH} by the characters they name, and
// {uXXXX} by the mark and the character's UTF-8 (ASCII as itself); any other text in braces
// stays as written.
std::string Unescape(const std::string& text);

// The reverse for messages: control characters, marked characters and trailing blanks made visible.
std::string Visible(const std::string& text);

#endif
