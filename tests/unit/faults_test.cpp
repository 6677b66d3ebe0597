// Whole runs against a refusing Windows: each call the launcher relies on fails once or for good.
#include <string>
#include <vector>

#include "launch/run_launcher.h"
#include "settings/settings_file.h"
#include "run_fixture.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

namespace {

const char kInstaller[] = "D:\\SETUP32\\SETUP.EXE";
const char kInstalled[] = "C:\\APPS\\TOOL\\RUN32.EXE";
const char kViewer[] = "C:\\VIEW\\VIEW.EXE";

class FaultTest : public WholeRunTest {
protected:
    // The installer on the disc, nothing installed, no alert: a normal run starts the installer.
    static void InstallerDisc(const std::string& more = std::string()) {
        Ini("InstallShowAlert=0\r\n" + more);
        sim::AddFile(kInstaller, "MZ");
    }
    // Installed at C:\APPS\TOOL with its program there; the run alert off.
    static void InstalledDisc(DWORD type = REG_SZ, const char* location = "C:\\APPS\\TOOL") {
        InstallerDisc("RunShowAlert=0");
        sim::SetRegistryString(HKEY_CLASSES_ROOT, kRegistryKey, kRegistryValue, location, type);
        sim::AddFile(kInstalled, "MZ");
    }
    // A document on the disc, opened by its associated viewer.
    static void DocumentDisc(bool viewerThere = true) {
        Ini("InstallNeeded=0\r\nRunShowAlert=0\r\nRunProgram32=README.TXT\r\nRunProgramNT=README.TXT");
        sim::AddFile("D:\\README.TXT", "text");
        sim::AddAssociation(".TXT", "txtfile", "C:\\VIEW\\VIEW.EXE %1");
        if (viewerThere) sim::AddFile(kViewer, "MZ");
    }
};

// ---- Start-up and the decision ----

TEST_F(FaultTest, EachRefusedCallEndsTheRunItsPromisedWay) {
    const std::string located = "Tavio Launcher wasn't able to locate its executable file.";
    const struct Case {
        const char* name;
        void (*disc)();
        DWORD version;
        const char* function;
        int nth;
        bool forever;
        long long value;
        DWORD error;
        int exitCode;
        Strings boxes;
        Strings started;
    } cases[] = {
        {"own path not found", [] { InstallerDisc(); }, sim::kWindowsNT4, "GetModuleFileNameA", 1, false, 0, 0, 1,
         {located}, {}},
        {"class refused on NT", [] { InstallerDisc(); }, sim::kWindowsNT4, "RegisterClassA", 1, true, 0, 0, 3, {}, {}},
        {"extended class refused on 95", [] { InstallerDisc(); }, sim::kWindows95, "RegisterClassExA", 1, true, 0, 0, 3,
         {}, {}},
        {"RegisterClassExA not exported: the plain class", [] { InstallerDisc(); }, sim::kWindows98,
         "GetProcAddress", 1, true, 0, 0, 0, {}, {kInstaller}},
        {"USER32 not found: the plain class", [] { InstallerDisc(); }, sim::kWindows98, "GetModuleHandleA", 1, true, 0,
         0, 0, {}, {kInstaller}},
        {"window refused", [] { InstallerDisc(); }, sim::kWindowsNT4, "CreateWindowExA", 1, true, 0, 0, 4, {}, {}},
        // Without its start-up guard the launcher starts as it did before guards.
        {"guard refused", [] { InstallerDisc(); }, sim::kWindowsNT4, "CreateMutexA", 1, true, 0, 0, 0, {}, {kInstaller}},
        {"wait for the guard failed", [] { InstallerDisc(); }, sim::kWindowsNT4, "WaitForSingleObject", 1, true,
         WAIT_FAILED, ERROR_INVALID_HANDLE, 0, {}, {kInstaller}},
        {"guard not released", [] { InstallerDisc(); }, sim::kWindows95, "ReleaseMutex", 1, true, 0, 0, 0, {},
         {kInstaller}},
        {"no local time", [] { InstallerDisc(); }, sim::kWindowsNT4, "localtime", 1, true, 0, 0, 0, {}, {kInstaller}},
        {"no time text", [] { InstallerDisc(); }, sim::kWindowsNT4, "asctime", 1, true, 0, 0, 0, {}, {kInstaller}},
        // A location that cannot be read counts as no installation: the installer is offered.
        {"key cannot be opened", [] { InstalledDisc(); }, sim::kWindowsNT4, "RegOpenKeyExA", 1, true,
         ERROR_ACCESS_DENIED, 0, 0, {}, {kInstaller}},
        // NT reads the value in Unicode, the 95/98 family in ANSI.
        {"value cannot be read", [] { InstalledDisc(); }, sim::kWindowsNT4, "RegQueryValueExW", 1, true,
         ERROR_ACCESS_DENIED, 0, 0, {}, {kInstaller}},
        {"value cannot be read, 98", [] { InstalledDisc(); }, sim::kWindows98, "RegQueryValueExA", 1, true,
         ERROR_ACCESS_DENIED, 0, 0, {}, {kInstaller}},
        {"value reported too long", [] { InstalledDisc(); }, sim::kWindowsNT4, "RegQueryValueExW", 1, true,
         ERROR_MORE_DATA, 0, 0, {}, {kInstaller}},
        {"value reported too long, 98", [] { InstalledDisc(); }, sim::kWindows98, "RegQueryValueExA", 1, true,
         ERROR_MORE_DATA, 0, 0, {}, {kInstaller}},
        {"expansion refused", [] { InstalledDisc(REG_EXPAND_SZ, "%SystemDrive%\\APPS\\TOOL"); }, sim::kWindowsNT4,
         "ExpandEnvironmentStringsW", 1, true, 0, 0, 0, {}, {kInstaller}},
        {"expansion refused, 98", [] { InstalledDisc(REG_EXPAND_SZ, "%SystemDrive%\\APPS\\TOOL"); },
         sim::kWindows98, "ExpandEnvironmentStringsA", 1, true, 0, 0, 0, {}, {kInstaller}},
        {"expansion needs more than the buffer", [] { InstalledDisc(REG_EXPAND_SZ, "%SystemDrive%\\APPS\\TOOL"); },
         sim::kWindowsNT4, "ExpandEnvironmentStringsW", 1, true, 1601, 0, 0, {}, {kInstaller}},
        {"expansion needs more than the buffer, 98",
         [] { InstalledDisc(REG_EXPAND_SZ, "%SystemDrive%\\APPS\\TOOL"); }, sim::kWindows98,
         "ExpandEnvironmentStringsA", 1, true, 1601, 0, 0, {}, {kInstaller}},
        // The fallback lookup of a document's open command refused: the shell's choice stands.
        {"open command unreadable", [] { DocumentDisc(false), sim::AddFolder("C:\\VIEW"); }, sim::kWindowsNT4, "RegOpenKeyExA", 1, true,
         ERROR_ACCESS_DENIED, 0, 0,
         {"Error running the file for Windows NT, \nD:\\README.TXT\n\nThe specified file was not found."},
         {"D:\\README.TXT"}},  // no open command to judge: the shell's own open, which finds no viewer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        sim::SetEnvironmentVariable("SystemDrive", "C:");
        sim::SetVersion(c.version);
        c.disc();
        sim::FailCall(c.function, c.nth, c.forever, c.value, c.error);

        EXPECT_EQ(c.exitCode, Run());
        EXPECT_EQ(c.boxes, BoxTexts());
        EXPECT_EQ(c.started, Started());
        EXPECT_EQ(0, sim::WriteCount());
        // Whatever ended the run, no launcher window is left behind.
        EXPECT_EQ(nullptr, WindowWait.LauncherWindow);
    }
}

TEST_F(FaultTest, ClassMadeWithoutRegisterClassExAHasNoSmallIcon) {
    sim::SetVersion(sim::kWindows95);
    InstallerDisc();
    sim::FailCall("GetProcAddress", 1, true, 0);
    EXPECT_EQ(0, Run());
    const sim::ClassInfo made = sim::Class("Fendral Tavio Launcher Class");
    EXPECT_TRUE(made.registered);
    EXPECT_FALSE(made.extended);
    EXPECT_EQ(0, sim::CallCount("RegisterClassExA"));
}

TEST_F(FaultTest, NoLocalTimeGivesTheTimelessStatusLine) {
    InstallerDisc();
    sim::FailCall("localtime", 1, true, 0);
    EXPECT_EQ(0, Run());
    EXPECT_STREQ("Launched.", StatusDisplay.LaunchedLine.CStr());
}

// Every refusal of GetShortPathNameA (0, 87, or the size needed when the buffer is too
// small) leaves the long form in use, silently, for the own folder and for the start; on NT
// the own folder's short form comes from GetShortPathNameW, refused the same ways.
TEST_F(FaultTest, RefusedShortFormsFallBackToTheLongForm) {
    const char* const shortDirectory = "D:\\LONGFO~1\\";
    const char* const longDirectory = "D:\\LONG FOLDER\\";
    const char* const startedShort = "D:\\LONGFO~1\\SETUP32\\SETUP.EXE";
    const char* const startedLong = "D:\\LONG FOLDER\\SETUP32\\SETUP.EXE";
    const struct Case {
        const char* name;
        long long value;  // -1: no refusal
        int nth;          // the own path's conversion is the first call, the start's the second
        bool forever;
        const char* directory;
        const char* started;
        const char* function = "GetShortPathNameA";
        DWORD version = sim::kWindows98;
    } cases[] = {
        {"no refusal", -1, 1, false, shortDirectory, startedShort},
        {"NT, no refusal", -1, 1, false, shortDirectory, startedShort, "GetShortPathNameW", sim::kWindowsNT4},
        {"NT, 0 for the own path", 0, 1, false, longDirectory, startedShort, "GetShortPathNameW", sim::kWindowsNT4},
        {"NT, 87 for the own path", 87, 1, false, longDirectory, startedShort, "GetShortPathNameW", sim::kWindowsNT4},
        {"NT, 1601, the own path's buffer size", 1601, 1, false, longDirectory, startedShort, "GetShortPathNameW",
         sim::kWindowsNT4},
        {"0 for the own path", 0, 1, false, longDirectory, startedShort},
        {"87 for the own path", 87, 1, false, longDirectory, startedShort},
        {"1024, the own path's buffer size", 1024, 1, false, longDirectory, startedShort},
        {"87 for the start", 87, 2, false, shortDirectory, startedShort},
        {"512, the start's buffer size", 512, 2, false, shortDirectory, startedShort},
        {"0 for good", 0, 1, true, longDirectory, startedLong},
        {"87 for good", 87, 1, true, longDirectory, startedLong},
        {"5000 for good", 5000, 1, true, longDirectory, startedLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        sim::SetVersion(c.version);
        sim::SetModulePath("D:\\LONG FOLDER\\AUTOPLAY.EXE");
        sim::AddFile("D:\\LONG FOLDER\\AUTOPLAY.EXE", "MZ");
        sim::AddFile("D:\\LONG FOLDER\\AUTOPLAY.INI", "[Tavio32 Settings]\r\nInstallShowAlert=0\r\n");
        sim::AddFile("D:\\LONG FOLDER\\SETUP32\\SETUP.EXE", "MZ");
        sim::SetShortName("D:\\LONG FOLDER", "LONGFO~1");
        if (c.value >= 0) sim::FailCall(c.function, c.nth, c.forever, c.value);

        EXPECT_EQ(0, Run());
        EXPECT_STREQ(c.directory, SettingsFile.LauncherDirectory.CStr());
        EXPECT_EQ(Strings{c.started}, Started());
        EXPECT_TRUE(sim::MessageBoxes().empty());
    }
}

// ---- Failed starts ----

// The reason for each failure code, as the report words it.
std::string Reason(unsigned code) {
    switch (code) {
        case 0: return "The operating system is out of memory or resources.";
        case 2: return "The specified file was not found.";
        case 3: return "The specified path was not found.";
        case 5: return "The operating system denied access to the specified file.";
        case 8: return "The shell did not have enough memory to complete the operation.";
        case 11: return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
        case 26: return "A sharing violation occurred.";
        case 27: return "The filename association is incomplete or invalid.";
        case 28: return "The DDE transaction could not be completed because the request timed out.";
        case 29: return "The DDE transaction failed.";
        case 30:
            return "The DDE transaction could not be completed because other DDE transactions were being processed.";
        case 31: return "There is no application associated with the given filename extension.";
        case 32: return "A necessary dynamic-link library was not found.";
        default: return "Unknown error.";
    }
}

TEST_F(FaultTest, EveryShellFailureIsReportedOnceAndEndsWithZero) {
    for (const DWORD version : {sim::kWindowsNT4, sim::kWindows98}) {
        const bool nt = version == sim::kWindowsNT4;
        for (unsigned code = 0; code <= 32; ++code) {
            SCOPED_TRACE(std::string(nt ? "NT, " : "98, ") + "ShellExecuteA gives " + std::to_string(code));
            Fresh();
            sim::SetVersion(version);
            // The installer has a window to wait for: a failed start must not wait for it.
            InstallerDisc("Install32WindowClass=SetupMain\r\nInstallNTWindowClass=SetupMain\r\nWindowTimeOut=0");
            sim::FailCall("ShellExecuteA", 1, true, code);

            EXPECT_EQ(0, Run());
            ASSERT_EQ(1u, sim::ShellStarts().size());
            EXPECT_EQ(code, sim::ShellStarts()[0].result);
            const std::string first = std::string("Error running the installer file for Windows ") +
                                      (nt ? "NT" : "95") + ", \n" + kInstaller + "\n\n" + Reason(code);
            EXPECT_EQ(Strings{first}, BoxTexts());
            ASSERT_EQ(1u, sim::MessageBoxes().size());
            EXPECT_EQ("Tavio Launcher", sim::MessageBoxes()[0].caption);
            EXPECT_EQ(static_cast<UINT>(MB_OK), sim::MessageBoxes()[0].type);
            EXPECT_EQ(0, sim::TimerTicks());
        }
    }
}

// Without affixes the shell's own open of the document has the last word; with one, the
// failure is reported and nothing starts.
TEST_F(FaultTest, EveryAssociationFailureIsReportedWithoutAStart) {
    for (unsigned code = 0; code <= 32; ++code) {
        SCOPED_TRACE("FindExecutableW gives " + std::to_string(code));
        Fresh();
        DocumentDisc();
        Ini("InstallNeeded=0\r\nRunShowAlert=0\r\nRunProgramNT=README.TXT\r\nRunNTSuffix=-b");
        sim::FailCall("FindExecutableW", 1, true, code);

        EXPECT_EQ(0, Run());
        EXPECT_TRUE(sim::ShellStarts().empty());
        EXPECT_EQ(Strings{"Error running the file for Windows NT, \nD:\\README.TXT\n\n" + Reason(code)}, BoxTexts());

        Fresh();
        DocumentDisc();
        sim::FailCall("FindExecutableW", 1, true, code);
        EXPECT_EQ(0, Run());
        EXPECT_EQ(Strings{"D:\\README.TXT"}, Started());
        EXPECT_TRUE(BoxTexts().empty());
    }
}

TEST_F(FaultTest, ShellResultsAbove32CountAsStarted) {
    for (const long long value : {33LL, 42LL, 0x7FFFFFFFLL, 0xFFFFFFFFLL}) {
        SCOPED_TRACE(value);
        Fresh();
        InstallerDisc();
        sim::FailCall("ShellExecuteA", 1, true, value);
        EXPECT_EQ(0, Run());
        EXPECT_TRUE(sim::MessageBoxes().empty());
        EXPECT_EQ(Strings{kInstaller}, Started());
    }
}

// ---- The wait and its message loop ----

TEST_F(FaultTest, TheWaitEndsWhenItsCallsAreRefused) {
    const struct Case {
        const char* name;
        const char* function;
        int nth;
        bool forever;
        long long value;
        bool waits;  // the installer has a window to wait for, with no time limit
        int exitCode;
        Strings started;
    } cases[] = {
        {"timer refused: the wait ends at once", "SetTimer", 1, true, 0, true, 0, {kInstaller}},
        {"queue error in the wait", "GetMessageA", 1, false, -1, true, 0, {kInstaller}},
        {"queue error for good in the wait", "GetMessageA", 1, true, -1, true, 0, {kInstaller}},
        {"queue error with nothing to wait for", "GetMessageA", 1, true, -1, false, 0, {kInstaller}},
        {"close command cannot be posted", "PostMessageA", 1, true, 0, false, 0, {kInstaller}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        // The installer's window never opens: only the refusal can end a wait without a limit.
        InstallerDisc(c.waits ? "Install32WindowClass=SetupMain\r\nInstallNTWindowClass=SetupMain\r\nWindowTimeOut=0"
                              : "");
        sim::FailCall(c.function, c.nth, c.forever, c.value);

        EXPECT_EQ(c.exitCode, Run());
        EXPECT_EQ(c.started, Started());
        EXPECT_EQ(0, sim::TimerTicks());
        EXPECT_EQ(nullptr, WindowWait.LauncherWindow);
        EXPECT_LT(sim::Now(), 1000u) << "the run waited";
    }
}

TEST_F(FaultTest, QueueErrorDuringAWaitEndsItAndStopsTheTimer) {
    InstallerDisc("Install32WindowClass=SetupMain\r\nInstallNTWindowClass=SetupMain\r\nWindowTimeOut=0");
    sim::FailCall("GetMessageA", 5, false, -1);  // after a few ticks

    EXPECT_EQ(0, Run());
    EXPECT_EQ(Strings{kInstaller}, Started());
    EXPECT_EQ(4, sim::TimerTicks());
    EXPECT_EQ(1, sim::CallCount("KillTimer"));
    EXPECT_EQ(nullptr, WindowWait.LauncherWindow);
}

TEST_F(FaultTest, ALostDeferralNoticeStillEndsTheSecondInstance) {
    InstallerDisc();
    sim::AddOtherProcessWindow("Fendral Tavio Launcher Class", "Tavio Launcher", false);
    sim::FailCall("PostMessageA", 1, true, 0);

    EXPECT_EQ(2, Run());
    EXPECT_TRUE(sim::ShellStarts().empty());
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_EQ(0, sim::CallCount("CreateWindowExA"));
}

}  // namespace
