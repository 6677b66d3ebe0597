// Whole runs of RunLauncher on the simulated Windows: every path of the decision and its exit code.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "launch/alerts.h"
#include "launch/launch_control.h"
#include "launch/run_launcher.h"
#include "settings/settings_file.h"
#include "run_fixture.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

namespace {

class RunTest : public WholeRunTest {};

// One row: a disc and a machine, the user's answers, and what must come of it.
struct RunCase {
    const char* name;
    std::string settings;
    std::function<void()> machine;  // registry values, files, open windows
    std::vector<int> answers;
    int exitCode;
    Strings captions;
    Strings started;
};

void DiscWithInstaller() { sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ"); }
void DiscWithProgram() { sim::AddFile("D:\\RUN32.EXE", "MZ"); }
void InstalledAt(const char* folder, bool programThere) {
    sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, folder);
    if (programThere) sim::AddFile((std::string("C:\\APPS\\TOOL\\RUN32.EXE")).c_str(), "MZ");
}

const char kInstall[] = "Install software from CD?";
const char kRun[] = "Automatically run?";
const char kReinstall[] = "Installed software moved or deleted?";
const char kTitle[] = "Tavio Launcher";

TEST_F(RunTest, EveryPathEndsWithItsExitCode) {
    const RunCase cases[] = {
        {"install offered and accepted", "", DiscWithInstaller, {IDOK}, 0, {kInstall}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"install cancelled", "", DiscWithInstaller, {IDCANCEL}, 3, {kInstall}, {}},
        {"install alert closed with its close box", "", DiscWithInstaller, {sim::kCloseBox}, 3, {kInstall}, {}},
        {"install without alert", "InstallShowAlert=0", DiscWithInstaller, {}, 0, {}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"install alert value 2 is off", "InstallShowAlert=2", DiscWithInstaller, {}, 0, {}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"install alert OK only, closed", "InstallAllowCancel=0", DiscWithInstaller, {sim::kCloseBox}, 0, {kInstall},
         {"D:\\SETUP32\\SETUP.EXE"}},
        {"install alert OK only with 2, closed", "InstallAllowCancel=2", DiscWithInstaller, {sim::kCloseBox}, 0,
         {kInstall}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"installer missing", "", [] {}, {}, 4, {kTitle}, {}},
        {"installer window already open", "Install32WindowClass=SetupWnd\r\nInstallNTWindowClass=SetupWnd",
         [] {
             DiscWithInstaller();
             sim::AddOtherProcessWindow("SetupWnd", "Setup", false);
         },
         {}, 21, {}, {}},
        {"root name not predefined", "RunLocationRoot=HKLM", DiscWithInstaller, {}, 4, {kTitle}, {}},
        {"root name in lower case", "RunLocationRoot=hkey_local_machine",
         [] {
             DiscWithInstaller();
             sim::SetRegistryString(HKEY_LOCAL_MACHINE, kRegistryKey, kRegistryValue, "C:\\APPS\\TOOL");
             sim::AddFile("C:\\APPS\\TOOL\\RUN32.EXE", "MZ");
         },
         {IDOK}, 0, {kRun}, {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"installed and run", "", [] { InstalledAt("C:\\APPS\\TOOL", true); }, {IDOK}, 0, {kRun},
         {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"installed with trailing backslash", "", [] { InstalledAt("C:\\APPS\\TOOL\\", true); }, {IDOK}, 0, {kRun},
         {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        // Installers and editors write ANSI text: a folder, key or value name outside ASCII is used as written.
        {"install folder outside ASCII", "",
         [] {
             DiscWithInstaller();
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, "C:\\ACC\\Zubeh\xF6r");
             sim::AddFile("C:\\ACC\\Zubeh\xF6r\\RUN32.EXE", "MZ");
         },
         {IDOK}, 0, {kRun}, {"C:\\ACC\\Zubeh\xF6r\\RUN32.EXE"}},
        {"key and value named outside ASCII",
         "RunLocationKey=Software\\M\xFCller Soft\\Tool\r\nRunLocationValue=Verzeichnis f\xFCr CD",
         [] {
             DiscWithInstaller();
             sim::SetRegistryString(HKEY_CLASSES_ROOT, "Software\\M\xFCller Soft\\Tool", "Verzeichnis f\xFCr CD",
                                    "C:\\APPS\\TOOL");
             sim::AddFile("C:\\APPS\\TOOL\\RUN32.EXE", "MZ");
         },
         {IDOK}, 0, {kRun}, {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        // An empty location names no installation, though \RUN32.EXE exists on the current drive.
        {"empty location", "",
         [] {
             DiscWithInstaller();
             DiscWithProgram();
             InstalledAt("", false);
         },
         {IDOK}, 0, {kInstall}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"location that the clean-up empties", "ExtractFolder=1",
         [] {
             DiscWithInstaller();
             DiscWithProgram();
             InstalledAt("\"%ProgramFiles%\\Tool\\tool.exe\"", false);
         },
         {IDOK}, 0, {kInstall}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"empty location, nothing to run or verify", "RunNeeded=0",
         [] {
             DiscWithInstaller();
             InstalledAt("", false);
         },
         {IDOK}, 0, {kInstall}, {"D:\\SETUP32\\SETUP.EXE"}},
        {"run alert cancelled", "", [] { InstalledAt("C:\\APPS\\TOOL", true); }, {IDCANCEL}, 0, {kRun}, {}},
        {"run alert OK only, closed", "RunAllowCancel=0", [] { InstalledAt("C:\\APPS\\TOOL", true); },
         {sim::kCloseBox}, 0, {kRun}, {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"run alert OK only with 2, closed", "RunAllowCancel=2", [] { InstalledAt("C:\\APPS\\TOOL", true); },
         {sim::kCloseBox}, 0, {kRun}, {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"run alert value 2 is off", "RunShowAlert=2", [] { InstalledAt("C:\\APPS\\TOOL", true); }, {}, 0, {},
         {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"disc run alert value 2 is off", "InstallNeeded=0\r\nRunShowAlert=2", DiscWithProgram, {}, 0, {},
         {"D:\\RUN32.EXE"}},
        {"installed program missing", "", [] { InstalledAt("C:\\APPS\\TOOL", false); }, {}, 7, {kReinstall}, {}},
        {"installed program missing, quietly", "ReinstallShowAlert=0", [] { InstalledAt("C:\\APPS\\TOOL", false); },
         {}, 6, {}, {}},
        {"nothing to run or verify", "RunNeeded=0", [] { InstalledAt("C:\\NOWHERE", false); }, {}, 0, {}, {}},
        {"verify only, present", "RunNeeded=0\r\nVerifyInstallation=1", [] { InstalledAt("C:\\APPS\\TOOL", true); },
         {}, 0, {}, {}},
        {"verify only, missing", "RunNeeded=0\r\nVerifyInstallation=1", [] { InstalledAt("C:\\APPS\\TOOL", false); },
         {}, 7, {kReinstall}, {}},
        {"relative without verification", "RunRelative=1",
         [] {
             InstalledAt("C:\\NOWHERE", false);
             DiscWithProgram();
         },
         {IDOK}, 0, {kRun}, {"D:\\RUN32.EXE"}},
        {"relative, verified file present", "RunRelative=1\r\nVerifyInstallation=1\r\nInstalledProgram32=TOOL.DAT\r\nInstalledProgramNT=TOOL.DAT",
         [] {
             InstalledAt("C:\\APPS\\TOOL", false);
             sim::AddFile("C:\\APPS\\TOOL\\TOOL.DAT", "");
             DiscWithProgram();
         },
         {IDOK}, 0, {kRun}, {"D:\\RUN32.EXE"}},
        {"relative, verified file missing", "RunRelative=1\r\nVerifyInstallation=1\r\nInstalledProgram32=TOOL.DAT\r\nInstalledProgramNT=TOOL.DAT",
         [] {
             InstalledAt("C:\\APPS\\TOOL", true);
             DiscWithProgram();
         },
         {}, 7, {kReinstall}, {}},
        {"relative, verified file left empty", "RunRelative=1\r\nVerifyInstallation=1",
         [] {
             InstalledAt("C:\\APPS\\TOOL", true);
             DiscWithProgram();
         },
         {}, 7, {kReinstall}, {}},
        {"program window already open", "Run32WindowClass=ToolWnd\r\nRunNTWindowClass=ToolWnd",
         [] {
             InstalledAt("C:\\APPS\\TOOL", true);
             sim::AddOtherProcessWindow("ToolWnd", "Tool", true);
         },
         {}, 23, {}, {}},
        {"run from the disc", "InstallNeeded=0", DiscWithProgram, {IDOK}, 0, {kRun}, {"D:\\RUN32.EXE"}},
        {"install check off with 2", "InstallNeeded=2", DiscWithProgram, {IDOK}, 0, {kRun}, {"D:\\RUN32.EXE"}},
        {"disc program missing", "InstallNeeded=0", [] {}, {}, 9, {kTitle}, {}},
        {"disc program window open", "InstallNeeded=0\r\nRun32WindowClass=ToolWnd\r\nRunNTWindowClass=ToolWnd",
         [] {
             DiscWithProgram();
             sim::AddOtherProcessWindow("ToolWnd", "Tool", false);
         },
         {}, 23, {}, {}},
        {"nothing to run from the disc", "InstallNeeded=0\r\nRunNeeded=0", [] {}, {}, 0, {}, {}},
        {"failed start is reported and ends with 0", "InstallNeeded=0\r\nRunShowAlert=0",
         [] {
             DiscWithProgram();
             sim::SetShellExecuteResult(5);
         },
         {}, 0, {kTitle}, {"D:\\RUN32.EXE"}},
    };
    for (DWORD version : {sim::kWindows98, sim::kWindowsNT4}) {
        for (const RunCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (version == sim::kWindows98 ? " [98]" : " [NT]"));
            Fresh();
            sim::SetVersion(version);
            Ini(c.settings);
            c.machine();
            sim::AnswerMessageBoxes(c.answers);
            EXPECT_EQ(Run(), c.exitCode);
            EXPECT_EQ(Captions(), c.captions);
            EXPECT_EQ(Started(), c.started);
            EXPECT_EQ(sim::WriteCount(), 0);
            // Every path after the window's creation ends through the loop: window gone, no timer left.
            EXPECT_EQ(WindowWait.LauncherWindow, nullptr);
            EXPECT_TRUE(sim::Failures().empty());
        }
    }
}

// Names outside the ANSI code page, as NT names them in Unicode: the NT family reaches them by
// their exact or short form, or as the current folder where the volume keeps no 8.3 names;
// the 95/98 family reads them as the ANSI calls give them, '?' and all, as it always has.
TEST_F(RunTest, NamesOutsideTheCodePageAreFoundOnNT) {
    const std::string lodz = sim::Utf8("C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA");            // C:\Łódź
    const std::string tokyo = sim::Utf8("C:\\\xE6\x9D\xB1\xE4\xBA\xAC");               // C:\東京
    const std::string disc = sim::Utf8("D:\\cd-\xE6\x9D\xB1\xE4\xBA\xAC");             // D:\cd-東京
    const std::string user = sim::Utf8("C:\\Users\\\xCE\xA3\xCF\x89\xCF\x84\xCE\xB7\xCF\x81\xCE\xB7\xCF\x82");  // Σωτήρης
    const struct Case {
        const char* name;
        const char* settings;
        std::function<void()> machine;
        std::string modulePath;  // empty: D:\AUTOPLAY.EXE
        int exitNT;
        Strings startedNT;
        int exit98;
        Strings started98;
        const char* currentNT;  // the current folder after an NT run
    } cases[] = {
        {"install folder with a short form", "",
         [&] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, lodz);
             sim::AddFile((lodz + "\\RUN32.EXE").c_str(), "MZ");
             sim::SetShortName(lodz.c_str(), "LODZ~1");
         },
         "", 0, {"C:\\LODZ~1\\RUN32.EXE"}, 7, {}, "D:\\"},
        {"install folder in CJK, quietly missing on 98", "ReinstallShowAlert=0",
         [&] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, tokyo);
             sim::AddFile((tokyo + "\\RUN32.EXE").c_str(), "MZ");
             sim::SetShortName(tokyo.c_str(), "C7A1~1");
         },
         "", 0, {"C:\\C7A1~1\\RUN32.EXE"}, 6, {}, "D:\\"},
        {"expandable record under a user's folder", "",
         [&] {
             sim::SetEnvironmentVariable("USERPROFILE", user.c_str());
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, "%USERPROFILE%\\Tool",
                                    REG_EXPAND_SZ);
             sim::AddFile((user + "\\Tool\\RUN32.EXE").c_str(), "MZ");
             sim::SetShortName(user.c_str(), "9FB8~1");
         },
         "", 0, {"C:\\Users\\9FB8~1\\Tool\\RUN32.EXE"}, 7, {}, "D:\\"},
        {"command line of a program in such a folder", "ExtractFolder=1",
         [&] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue,
                                    "\"" + tokyo + "\\tool.exe\" /uninstall");
             sim::AddFile((tokyo + "\\RUN32.EXE").c_str(), "MZ");
             sim::SetShortName(tokyo.c_str(), "C7A1~1");
         },
         "", 0, {"C:\\C7A1~1\\RUN32.EXE"}, 7, {}, "D:\\"},
        // A volume that keeps no 8.3 names: the folder is reached as the current folder.
        {"install folder without a short form", "",
         [&] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, tokyo);
             sim::AddFile((tokyo + "\\RUN32.EXE").c_str(), "MZ");
         },
         "", 0, {".\\RUN32.EXE"}, 7, {}, "C:\\\x01\xE6\x9D\xB1\x01\xE4\xBA\xAC\\"},
        {"launcher in such a folder", "InstallNeeded=0",
         [&] {
             sim::AddFile((disc + "\\AUTOPLAY.INI").c_str(), "[Tavio32 Settings]\r\nInstallNeeded=0\r\n");
             sim::AddFile((disc + "\\RUN32.EXE").c_str(), "MZ");
             sim::SetShortName(disc.c_str(), "CD-C7A~1");
         },
         disc + "\\AUTOPLAY.EXE", 0, {"D:\\CD-C7A~1\\RUN32.EXE"}, 1, {}, "D:\\"},
        {"launcher in such a folder without a short form", "InstallNeeded=0",
         [&] {
             sim::AddFile((disc + "\\AUTOPLAY.INI").c_str(), "[Tavio32 Settings]\r\nInstallNeeded=0\r\n");
             sim::AddFile((disc + "\\RUN32.EXE").c_str(), "MZ");
         },
         disc + "\\AUTOPLAY.EXE", 0, {".\\RUN32.EXE"}, 1, {}, "D:\\cd-\x01\xE6\x9D\xB1\x01\xE4\xBA\xAC\\"},
        // Once the launcher's own folder is the current one, an install folder cannot be.
        {"both without a short form", "",
         [&] {
             sim::AddFile((disc + "\\AUTOPLAY.INI").c_str(), "[Tavio32 Settings]\r\n");
             sim::AddFile((disc + "\\SETUP32\\SETUP.EXE").c_str(), "MZ");
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, tokyo);
             sim::AddFile((tokyo + "\\RUN32.EXE").c_str(), "MZ");
         },
         disc + "\\AUTOPLAY.EXE", 0, {".\\SETUP32\\SETUP.EXE"}, 1, {}, "D:\\cd-\x01\xE6\x9D\xB1\x01\xE4\xBA\xAC\\"},
        {"document whose viewer lies in such a folder", "InstallNeeded=0\r\nRunProgram32=README.TVD\r\nRunProgramNT=README.TVD",
         [&] {
             sim::AddFile("D:\\README.TVD", "text");
             sim::AddAssociation(".TVD", "tvdfile", ("\"" + tokyo + "\\VIEW.EXE\" \"%1\"").c_str());
             sim::AddFile((tokyo + "\\VIEW.EXE").c_str(), "MZ");
             sim::SetShortName(tokyo.c_str(), "C7A1~1");
         },
         "", 0, {"C:\\C7A1~1\\VIEW.EXE"}, 0, {"C:\\??\\VIEW.EXE"}, "D:\\"},
        // With affixes the open command must be read to be seen as plain: in Unicode too.
        {"such a viewer with affixes", "InstallNeeded=0\r\nRunProgram32=README.TVD\r\nRunProgramNT=README.TVD\r\nRunNTSuffix=-b",
         [&] {
             sim::AddFile("D:\\README.TVD", "text");
             sim::AddAssociation(".TVD", "tvdfile", ("\"" + tokyo + "\\VIEW.EXE\" \"%1\"").c_str());
             sim::AddFile((tokyo + "\\VIEW.EXE").c_str(), "MZ");
             sim::SetShortName(tokyo.c_str(), "C7A1~1");
         },
         "", 0, {"C:\\C7A1~1\\VIEW.EXE"}, 0, {"C:\\??\\VIEW.EXE"}, "D:\\"},
    };
    for (const DWORD version : {sim::kWindows10, sim::kWindows98}) {
        const bool nt = version == sim::kWindows10;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (nt ? " [NT]" : " [98]"));
            Fresh(c.modulePath.empty() ? "D:\\AUTOPLAY.EXE" : c.modulePath);
            sim::SetVersion(version);
            sim::AddFile("D:\\SETUP32\\SETUP.EXE", "MZ");
            Ini(std::string("RunShowAlert=0\r\n") + c.settings);
            c.machine();
            EXPECT_EQ(Run(), nt ? c.exitNT : c.exit98);
            EXPECT_EQ(Started(), nt ? c.startedNT : c.started98);
            if (nt) {
                const Strings& trace = sim::Trace();
                const bool entered = std::find_if(trace.begin(), trace.end(), [](const std::string& line) {
                                         return line.compare(0, 20, "SetCurrentDirectoryW") == 0;
                                     }) != trace.end();
                EXPECT_EQ(std::string(c.currentNT) != "D:\\", entered);
                // No '?' that stands for a lost character reached a call.
                for (const sim::ShellStart& start : sim::ShellStarts())
                    EXPECT_EQ(std::string::npos, (start.file + start.parameters + start.directory).find('?'));
            }
            EXPECT_EQ(sim::WriteCount(), 0);
        }
    }
}

// 64-bit Windows: the launcher, a 32-bit program, sees HKEY_LOCAL_MACHINE\Software at
// Software\WOW6432Node, where 32-bit installers write; a record a 64-bit installer wrote in the
// 64-bit view is read when the launcher's own view has none, and expands as a 64-bit program
// would expand it.
TEST_F(RunTest, RecordsOfThe64BitViewAreFoundUnderWow64) {
    const char kKey[] = "Software\\Acme\\Tool";
    const char kKey32[] = "Software\\WOW6432Node\\Acme\\Tool";
    const char kUninstall64[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool";
    const struct Case {
        const char* name;
        DWORD version;
        bool wow64;
        const char* settings;
        const char* key32;  // where the 32-bit view's record lies (nullptr: none)
        const char* text32;
        DWORD type32;
        const char* key64;  // the 64-bit view's record (nullptr: none)
        const char* text64;
        DWORD type64;
        Strings started;  // empty: the installer is offered and started
    } cases[] = {
        {"64-bit view only", sim::kWindows10, true, "", nullptr, "", REG_SZ, kKey, "C:\\Program Files\\Tool", REG_SZ,
         {"C:\\Program Files\\Tool\\RUN32.EXE"}},
        {"both views: the 32-bit one first", sim::kWindows10, true, "", kKey32, "C:\\Program Files (x86)\\Tool", REG_SZ,
         kKey, "C:\\Program Files\\Tool", REG_SZ, {"C:\\Program Files (x86)\\Tool\\RUN32.EXE"}},
        {"32-bit view only", sim::kWindows10, true, "", kKey32, "C:\\Program Files (x86)\\Tool", REG_SZ, nullptr, "",
         REG_SZ, {"C:\\Program Files (x86)\\Tool\\RUN32.EXE"}},
        {"expandable, 64-bit view", sim::kWindows10, true, "", nullptr, "", REG_SZ, kKey, "%ProgramFiles%\\Tool",
         REG_EXPAND_SZ, {"C:\\Program Files\\Tool\\RUN32.EXE"}},
        {"expandable, 64-bit view, common files", sim::kWindows10, true, "", nullptr, "", REG_SZ, kKey,
         "%commonprogramfiles%\\Tool", REG_EXPAND_SZ, {"C:\\Program Files\\Common Files\\Tool\\RUN32.EXE"}},
        {"expandable, 64-bit view, the x86 folder named", sim::kWindows10, true, "", nullptr, "", REG_SZ, kKey,
         "%ProgramFiles(x86)%\\Tool", REG_EXPAND_SZ, {"C:\\Program Files (x86)\\Tool\\RUN32.EXE"}},
        {"expandable, 32-bit view", sim::kWindows10, true, "", kKey32, "%ProgramFiles%\\Tool", REG_EXPAND_SZ, nullptr,
         "", REG_SZ, {"C:\\Program Files (x86)\\Tool\\RUN32.EXE"}},
        {"uninstall record of a 64-bit installer",
         sim::kWindows10, true,
         "RunLocationKey=Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool\r\nRunLocationValue=InstallLocation",
         nullptr, "", REG_SZ, kUninstall64, "C:\\Program Files\\Tool\\", REG_SZ,
         {"C:\\Program Files\\Tool\\RUN32.EXE"}},
        // Without IsWow64Process (NT 4, 2000) nothing changes: only the launcher's own view is read.
        {"no IsWow64Process", sim::kWindowsNT4, true, "", nullptr, "", REG_SZ, kKey, "C:\\Program Files\\Tool", REG_SZ,
         {}},
        {"no IsWow64Process on 98", sim::kWindows98, true, "", nullptr, "", REG_SZ, kKey, "C:\\Program Files\\Tool",
         REG_SZ, {}},
        // A 32-bit Windows has one view: its installers' records lie at the key as named.
        {"32-bit Windows", sim::kWindows10, false, "", nullptr, "", REG_SZ, kKey, "C:\\Program Files\\Tool", REG_SZ,
         {"C:\\Program Files\\Tool\\RUN32.EXE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        sim::SetVersion(c.version);
        sim::SetMachine64(c.wow64);
        Ini(std::string("RunShowAlert=0\r\nInstallShowAlert=0\r\nRunLocationRoot=HKEY_LOCAL_MACHINE\r\n") +
            (c.settings[0] != '\0' ? c.settings : "RunLocationKey=Software\\Acme\\Tool\r\nRunLocationValue=Path"));
        DiscWithInstaller();
        const char* value = c.settings[0] != '\0' ? "InstallLocation" : "Path";
        if (c.key32) sim::SetRegistryString(HKEY_LOCAL_MACHINE, c.key32, value, c.text32, c.type32);
        if (c.key64) sim::SetRegistryString(HKEY_LOCAL_MACHINE, c.key64, value, c.text64, c.type64);
        for (const char* folder : {"C:\\Program Files\\Tool", "C:\\Program Files (x86)\\Tool",
                                   "C:\\Program Files\\Common Files\\Tool"})
            sim::AddFile((std::string(folder) + "\\RUN32.EXE").c_str(), "MZ");
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Started(), c.started.empty() ? Strings{"D:\\SETUP32\\SETUP.EXE"} : c.started);
        EXPECT_EQ(sim::WriteCount(), 0);
    }
}

// A start that fails is reported with the family's text for what was started, and no wait
// follows even when a window class is named.
TEST_F(RunTest, FailedStartsAreReportedAndNotWaitedFor) {
    struct Case {
        const char* name;
        const char* settings;
        std::function<void()> machine;
        const char* on95;
        const char* onNT;
    };
    const char kReason[] = "\n\nThe operating system denied access to the specified file.";
    const Case cases[] = {
        {"installer", "", DiscWithInstaller, "Error running the installer file for Windows 95, \nD:\\SETUP32\\SETUP.EXE",
         "Error running the installer file for Windows NT, \nD:\\SETUP32\\SETUP.EXE"},
        {"installed program", "", [] { InstalledAt("C:\\APPS\\TOOL", true); },
         "Error running the installed file for Windows 95, \nC:\\APPS\\TOOL\\RUN32.EXE",
         "Error running the installed file for Windows NT, \nC:\\APPS\\TOOL\\RUN32.EXE"},
        {"disc program", "InstallNeeded=0\r\n", DiscWithProgram, "Error running the file for Windows 95, \nD:\\RUN32.EXE",
         "Error running the file for Windows NT, \nD:\\RUN32.EXE"},
    };
    for (DWORD version : {sim::kWindows98, sim::kWindowsNT4}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (version == sim::kWindows98 ? " [98]" : " [NT]"));
            Fresh();
            sim::SetVersion(version);
            Ini(std::string(c.settings) +
                "InstallShowAlert=0\r\nRunShowAlert=0\r\nInstall32WindowClass=W\r\nInstallNTWindowClass=W\r\n"
                "Run32WindowClass=W\r\nRunNTWindowClass=W");
            c.machine();
            sim::SetShellExecuteResult(5);
            EXPECT_EQ(Run(), 0);
            EXPECT_EQ(Captions(), Strings{kTitle});
            EXPECT_EQ(BoxTexts(), Strings{std::string(version == sim::kWindows98 ? c.on95 : c.onNT) + kReason});
            EXPECT_EQ(sim::CallCount("SetTimer"), 0);
        }
    }
}

TEST_F(RunTest, AlertsShowTheirFiveLinesAndButtons) {
    Ini("InstallAlertText2=Second\r\nInstallAlertText5=Fifth");
    DiscWithInstaller();
    sim::AnswerMessageBoxes({IDCANCEL});
    EXPECT_EQ(Run(), 3);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    const sim::MessageBoxCall& box = sim::MessageBoxes()[0];
    EXPECT_EQ(box.text, "This is the first time you've used this CD. Do you want to install the software?\nSecond\n\n\nFifth");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_TRUE(box.ownerNull);

    FixedText<4096> text;
    text.Clear();
    ComposeAlert(text, "", "", "", "", "");
    EXPECT_STREQ(text.CStr(), "\n\n\n\n");
}

TEST_F(RunTest, ReinstallAlertIsOkOnlyWithItsLines) {
    Ini("ReinstallAlertText1=\r\nReinstallAlertText3=Please reinstall.");
    InstalledAt("C:\\APPS\\TOOL", false);
    EXPECT_EQ(Run(), 7);
    ASSERT_EQ(sim::MessageBoxes().size(), 1u);
    EXPECT_EQ(sim::MessageBoxes()[0].text, "\n\nPlease reinstall.\n\n");
    EXPECT_EQ(sim::MessageBoxes()[0].type, static_cast<UINT>(MB_OK));
}

TEST_F(RunTest, ErrorReportsNameThePathAndTakeTheFilesTexts) {
    struct Case {
        const char* name;
        DWORD version;
        std::string settings;
        std::string errors;
        int exitCode;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {"installer missing on 98", sim::kWindows98, "", "", 4,
         "Tavio Launcher couldn't locate the installer file for Windows 95,\nD:\\SETUP32\\SETUP.EXE", kTitle},
        {"installer missing on NT", sim::kWindowsNT4, "InstallProgramNT=NT\\SETUP.EXE", "", 4,
         "Tavio Launcher couldn't locate the installer file for Windows NT,\nD:\\NT\\SETUP.EXE", kTitle},
        {"disc program missing on 98", sim::kWindows98, "InstallNeeded=0", "", 9,
         "Tavio Launcher couldn't locate the file for Windows 95, \nD:\\RUN32.EXE", kTitle},
        {"disc program missing on NT", sim::kWindowsNT4, "InstallNeeded=0\r\nRunProgramNT=GO.EXE", "", 9,
         "Tavio Launcher couldn't locate the file for Windows NT, \nD:\\GO.EXE", kTitle},
        {"bad root", sim::kWindowsNT4, "RunLocationRoot=HKLM", "", 4,
         "The indicated registry root key is not a valid predefined key.", kTitle},
        {"texts from the errors section", sim::kWindowsNT4, "RunLocationRoot=HKEY_LOCAL", "ErrorRoot=Bad root.\r\nLauncherTitle=My CD",
         4, "Bad root.", "My CD"},
        {"empty replacement", sim::kWindows98, "InstallNeeded=0", "ErrorFindNoInst32=", 9, "\nD:\\RUN32.EXE", kTitle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        sim::SetVersion(c.version);
        Ini(c.settings, c.errors);
        EXPECT_EQ(Run(), c.exitCode);
        ASSERT_EQ(sim::MessageBoxes().size(), 1u);
        EXPECT_EQ(sim::MessageBoxes()[0].text, c.text);
        EXPECT_EQ(sim::MessageBoxes()[0].caption, c.caption);
        EXPECT_EQ(sim::MessageBoxes()[0].type, static_cast<UINT>(MB_OK));
    }
}

TEST_F(RunTest, TheFamilyPicksEachPairsMember) {
    for (DWORD version : {sim::kWindows95, sim::kWindows98, sim::kWindowsNT4, sim::kWindows10}) {
        SCOPED_TRACE(version);
        Fresh();
        sim::SetVersion(version);
        Ini("InstallNeeded=0\r\nRunShowAlert=0\r\nRunProgram32=APP95.EXE\r\nRunProgramNT=APPNT.EXE\r\n"
            "Run32Prefix=-95\r\nRunNTPrefix=-nt\r\nRun32Suffix=/w\r\nRunNTSuffix=/n");
        sim::AddFile("D:\\APP95.EXE", "MZ");
        sim::AddFile("D:\\APPNT.EXE", "MZ");
        EXPECT_EQ(Run(), 0);
        ASSERT_EQ(sim::ShellStarts().size(), 1u);
        const sim::ShellStart& start = sim::ShellStarts()[0];
        const bool family95 = (version & 0x80000000u) != 0;
        EXPECT_EQ(start.file, family95 ? "D:\\APP95.EXE" : "D:\\APPNT.EXE");
        EXPECT_EQ(start.parameters, family95 ? "-95  /w" : "-nt  /n");
        EXPECT_EQ(start.directory, "D:");
        EXPECT_EQ(start.show, SW_SHOWNORMAL);
    }
}

TEST_F(RunTest, InstallCheckReadsTheNamedValueOnlyWhenAsked) {
    struct Case {
        const char* name;
        std::string settings;
        std::function<void()> registry;
        Strings started;
    };
    const Case cases[] = {
        {"(Default) selects the key's default value", "RunLocationValue=(default)\r\nRunShowAlert=0",
         [] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, "", "C:\\APPS\\TOOL");
             sim::AddFile("C:\\APPS\\TOOL\\RUN32.EXE", "MZ");
         },
         {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"a value of another type is no installation", "RunShowAlert=0\r\nInstallShowAlert=0",
         [] {
             const DWORD number = 7;
             sim::SetRegistryValue(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, REG_DWORD, &number, 4);
             DiscWithInstaller();
         },
         {"D:\\SETUP32\\SETUP.EXE"}},
        {"a command line cleaned into its folder", "ExtractFolder=1\r\nRunShowAlert=0",
         [] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, "  \"C:\\APPS\\TOOL\\tool.exe\" \"%1\"");
             sim::AddFile("C:\\APPS\\TOOL\\RUN32.EXE", "MZ");
         },
         {"C:\\APPS\\TOOL\\RUN32.EXE"}},
        {"a key path too long for the query is no installation",
         "InstallShowAlert=0\r\nRunLocationKey=" + std::string(200, 'K'),
         [] {
             sim::SetRegistryString(HKEY_CLASSES_ROOT, std::string(199, 'K').c_str(), kRegistryValue, "C:\\APPS\\TOOL");
             DiscWithInstaller();
         },
         {"D:\\SETUP32\\SETUP.EXE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        Ini(c.settings);
        c.registry();
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Started(), c.started);
    }

    // With the install check off the registry is not read at all.
    Fresh();
    Ini("InstallNeeded=0\r\nRunShowAlert=0");
    DiscWithProgram();
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 0);
}

TEST_F(RunTest, StartUpEndsEarlyWithoutAWindow) {
    // A previous instance handle: 1 before anything is read.
    EXPECT_EQ(RunLauncher(nullptr, reinterpret_cast<HINSTANCE>(1), nullptr, SW_SHOWNORMAL), 1);
    EXPECT_EQ(sim::CallCount("GetModuleFileNameA"), 0);

    // No settings file: its message, and 1.
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Captions(), Strings{kTitle});

    // The class or the window cannot be made: 3 or 4, no message, nothing started.
    // (NT registers its class with RegisterClassA.)
    const char* const failing[] = {"RegisterClassA", "CreateWindowExA"};
    const int exitCodes[] = {3, 4};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(failing[i]);
        Fresh();
        Ini("");
        DiscWithInstaller();
        sim::FailCall(failing[i], 1, true, 0);
        EXPECT_EQ(Run(), exitCodes[i]);
        EXPECT_TRUE(sim::MessageBoxes().empty());
        EXPECT_TRUE(sim::ShellStarts().empty());
    }
}

TEST_F(RunTest, ASecondStartDefersToTheRunningLauncher) {
    Ini("");
    DiscWithInstaller();
    HWND running = sim::AddOtherProcessWindow("fendral tavio launcher class", "TAVIO LAUNCHER", false);
    EXPECT_EQ(Run(), 2);
    // The whole run: the look under the guard and the notice; no window, box or start.
    const Strings story = {"WritePrivateProfileStringW D:\\AUTOPLAY.INI", "CreateMutexA D:/AUTOPLAY.INI",
                           "WaitForSingleObject 5000 WAIT_OBJECT_0",
                           "FindWindowA Fendral Tavio Launcher Class|Tavio Launcher", "PostMessageA 1025"};
    EXPECT_EQ(story, sim::Trace());
    ASSERT_EQ(sim::PostedToOtherProcesses().size(), 1u);
    EXPECT_EQ(sim::PostedToOtherProcesses()[0].window, running);
    EXPECT_EQ(sim::PostedToOtherProcesses()[0].wParam, 0u);
    EXPECT_EQ(sim::PostedToOtherProcesses()[0].lParam, 0);
    EXPECT_EQ(StatusDisplay.LaunchedLine.Length(), 0u);  // no status lines built

    // Another disc's launcher (another class) is not deferred to, nor is a "(ignore)" class.
    for (const char* settings : {"LauncherWindowClass=Other Disc", "LauncherWindowClass=(IGNORE)"}) {
        SCOPED_TRACE(settings);
        Fresh();
        Ini(std::string(settings) + "\r\nInstallShowAlert=0");
        DiscWithInstaller();
        sim::AddOtherProcessWindow("Fendral Tavio Launcher Class", "Tavio Launcher", false);
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Started(), Strings{"D:\\SETUP32\\SETUP.EXE"});
    }
}

// Two launchers of one disc started together, as the other one (another process) meets
// this one at the start-up guard: it holds the guard from its look for a launcher window
// until its own window exists. This launcher waits for the guard, then defers to that
// window; it goes on as before guards when the other ends or lets go without a window,
// or hangs past the bound, and never waits for another disc's or another launcher's guard.
TEST_F(RunTest, ALauncherStartedTogetherWithAnotherWaitsForItsWindow) {
    // What the other launcher does 40 ms into this one's run.
    enum Other { MakesItsWindow, EndsWithoutWindow, LetsGoWithoutWindow, Hangs };
    const std::string guard = "D:/AUTOPLAY.INI";
    const struct Case {
        const char* name;
        std::string settings;
        std::string modulePath;
        std::string otherGuard;  // the guard the other launcher holds
        Other other;
        int exitCode;
        DWORD waited;
    } cases[] = {
        {"the other makes its window: defer to it", "", "D:\\AUTOPLAY.EXE", guard, MakesItsWindow, 2, 40},
        {"the same launcher, its path spelt in small letters", "", "d:\\autoplay.exe", guard, MakesItsWindow, 2, 40},
        {"the same launcher, its folder by its long name", "", "D:\\Tavio Sample\\AUTOPLAY.EXE",
         "D:/TAVIOS~1/AUTOPLAY.INI", MakesItsWindow, 2, 40},
        {"the same launcher, its folder by its short name", "", "D:\\TAVIOS~1\\AUTOPLAY.EXE",
         "D:/TAVIOS~1/AUTOPLAY.INI", MakesItsWindow, 2, 40},
        {"the other ends without a window: its abandoned guard is taken", "", "D:\\AUTOPLAY.EXE", guard,
         EndsWithoutWindow, 0, 40},
        {"the other lets go without a window", "", "D:\\AUTOPLAY.EXE", guard, LetsGoWithoutWindow, 0, 40},
        {"the other hangs: five seconds, then on as before", "", "D:\\AUTOPLAY.EXE", guard, Hangs, 0, 5000},
        {"deferral switched off: no guard, no wait", "LauncherWindowClass=(Ignore)", "D:\\AUTOPLAY.EXE", guard, Hangs,
         0, 0},
        {"another disc's launcher", "", "D:\\AUTOPLAY.EXE", "E:/AUTOPLAY.INI", Hangs, 0, 0},
        {"another launcher in the same folder", "", "D:\\AUTOPLAY.EXE", "D:/SETUP.INI", Hangs, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        // The disc's root, and a folder with a long name and its 8.3 alias.
        for (const std::string folder : {"D:\\", "D:\\Tavio Sample\\"}) {
            sim::AddFile((folder + "AUTOPLAY.EXE").c_str(), "MZ");
            sim::AddFile((folder + "AUTOPLAY.INI").c_str(), "[Tavio32 Settings]\r\n" + c.settings + "\r\n");
            sim::AddFile((folder + "SETUP32\\SETUP.EXE").c_str(), "MZ");
        }
        sim::SetShortName("D:\\Tavio Sample", "TAVIOS~1");
        sim::SetModulePath(c.modulePath.c_str());
        const std::string otherGuard = c.otherGuard;
        sim::OtherProcessHoldsMutex(otherGuard.c_str());
        if (c.other == MakesItsWindow)
            sim::At(40, [otherGuard] {
                sim::AddOtherProcessWindow("Fendral Tavio Launcher Class", "Tavio Launcher", false);
                sim::OtherProcessReleasesMutex(otherGuard.c_str());
            });
        if (c.other == EndsWithoutWindow || c.other == LetsGoWithoutWindow)
            sim::At(40, [otherGuard, c] { sim::OtherProcessReleasesMutex(otherGuard.c_str(), c.other == EndsWithoutWindow); });
        // The guard is let go before the alert opens: a launcher started now would not wait.
        bool guardFreeAtAlert = false;
        sim::SetMessageBoxScript([&guardFreeAtAlert](const sim::MessageBoxCall&, int&) {
            guardFreeAtAlert = sim::OpenHandleCount() == 0;
        });
        EXPECT_EQ(c.exitCode, Run());
        EXPECT_EQ(c.waited, sim::Now());
        if (c.exitCode == 2) {
            EXPECT_TRUE(sim::MessageBoxes().empty());
            EXPECT_TRUE(sim::ShellStarts().empty());
            EXPECT_EQ(0, sim::CallCount("CreateWindowExA"));
            ASSERT_EQ(1u, sim::PostedToOtherProcesses().size());
            EXPECT_EQ(1025u, sim::PostedToOtherProcesses()[0].message);
        } else {
            EXPECT_EQ(Captions(), Strings{kInstall});
            EXPECT_EQ(Strings{"D:\\SETUP32\\SETUP.EXE"}, Started());
            EXPECT_TRUE(guardFreeAtAlert);
        }
    }
}

// The whole story of a first launcher's start-up: the guard spans the look for a running
// launcher and the making of the window, and nothing else; a launcher without its settings
// file takes none before its message.
TEST_F(RunTest, TheGuardSpansTheLookAndTheWindowOnly) {
    Ini("");
    DiscWithInstaller();
    EXPECT_EQ(Run(), 0);
    Strings story;
    for (const std::string& line : sim::Trace())
        for (const char* call : {"CreateMutexA", "WaitForSingleObject", "ReleaseMutex", "CloseHandle", "FindWindowA",
                                 "CreateWindowExA", "MessageBoxA", "ShellExecuteA"})
            if (line.compare(0, strlen(call), call) == 0) story.push_back(line);
    const Strings expected = {
        "CreateMutexA D:/AUTOPLAY.INI",
        "WaitForSingleObject 5000 WAIT_OBJECT_0",
        "FindWindowA Fendral Tavio Launcher Class|Tavio Launcher",
        "CreateWindowExA Fendral Tavio Launcher Class",
        "ReleaseMutex",
        "CloseHandle",
        "MessageBoxA Install software from CD?",
        "ShellExecuteA D:\\SETUP32\\SETUP.EXE",
    };
    EXPECT_EQ(expected, story);

    Fresh();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Captions(), Strings{kTitle});
    EXPECT_EQ(0, sim::CallCount("CreateMutexA"));
}

TEST_F(RunTest, WaitEndsWhenTheStartedProgramsWindowOpens) {
    Ini("InstallNeeded=0\r\nRunShowAlert=0\r\nRun32WindowClass=ToolWnd\r\nRunNTWindowClass=ToolWnd");
    DiscWithProgram();
    sim::OpenWindowAfterStart("ToolWnd", "Tool", 3);
    EXPECT_EQ(Run(), 0);
    // A look at each tick; the third finds the window, which ends the wait.
    const Strings story = {"ShellExecuteA D:\\RUN32.EXE", "SetTimer 1 500", "FindWindowA ToolWnd|<null>",
                           "FindWindowA ToolWnd|<null>", "FindWindowA ToolWnd|<null>", "DestroyWindow",
                           "KillTimer 1", "PostQuitMessage 0"};
    EXPECT_EQ(story, StoryFrom("ShellExecuteA"));
}

TEST_F(RunTest, NoticeDuringAnAlertIsRecordedAndTheAlertStays) {
    Ini("");
    DiscWithInstaller();
    sim::SetClock(13 * 3600);  // 13:00:00
    sim::SetMessageBoxScript([](const sim::MessageBoxCall&, int&) {
        PostMessageA(WindowWait.LauncherWindow, 1025, 0, 0);
    });
    sim::AnswerMessageBoxes({IDOK});
    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(StatusDisplay.DeferredLine.CStr(), "Deferred  13:00:00");
    EXPECT_EQ(Started(), Strings{"D:\\SETUP32\\SETUP.EXE"});
}

TEST_F(RunTest, WindowClosedByTheUserDuringAnAlertStartsNothing) {
    struct Case {
        const char* name;
        std::string settings;
        std::function<void()> machine;
        int exitCode;
    };
    const Case cases[] = {
        {"install alert", "", DiscWithInstaller, 3},
        {"run alert", "InstallNeeded=0", DiscWithProgram, 0},
        {"run alert OK only", "InstallNeeded=0\r\nRunAllowCancel=0", DiscWithProgram, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        Ini(c.settings);
        c.machine();
        // A second start with Shift and Ctrl held reveals the window; the user closes it.
        sim::SetMessageBoxScript([](const sim::MessageBoxCall&, int&) {
            sim::SetKeyDown(VK_SHIFT, true);
            sim::SetKeyDown(VK_CONTROL, true);
            HWND window = WindowWait.LauncherWindow;
            PostMessageA(window, 1025, 0, 0);
            sim::UserCloses(window);
        });
        EXPECT_EQ(Run(), c.exitCode);
        EXPECT_TRUE(StatusDisplay.WindowRevealed);
        EXPECT_TRUE(sim::ShellStarts().empty());
        ASSERT_EQ(sim::MessageBoxes().size(), 1u);
        EXPECT_TRUE(sim::MessageBoxes()[0].endedByQuit);
    }
}

}  // namespace
