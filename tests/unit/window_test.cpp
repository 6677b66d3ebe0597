// Host tests of the launcher window: class, window, lookups and the wait loop.
#include <string>
#include <vector>

#include "settings/launcher_settings.h"
#include "window_fixture.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

namespace {

constexpr DWORD kTick = WaitTimerPeriod;

int TraceCount(const std::string& line) {
    int n = 0;
    for (const std::string& entry : sim::Trace())
        if (entry == line) ++n;
    return n;
}

// The trace from the first line equal to first, with the FindWindowA lines of the ticks left out.
std::vector<std::string> TraceFrom(const std::string& first) {
    std::vector<std::string> lines;
    bool started = false;
    for (const std::string& entry : sim::Trace()) {
        started = started || entry == first;
        if (started && entry.compare(0, 12, "FindWindowA ") != 0) lines.push_back(entry);
    }
    return lines;
}

class WindowTest : public WindowRoomTest {};

// ---- Class and window ----

TEST_F(WindowTest, RegistersTheExtendedClassOnlyOnThe95FamilyWhenUser32HasIt) {
    struct Case {
        const char* name;
        DWORD version;
        bool exAvailable;
        const char* failing;  // a lookup planned to give null
        bool extended;
    } cases[] = {
        {"Windows 95", sim::kWindows95, true, nullptr, true},
        {"Windows 98", sim::kWindows98, true, nullptr, true},
        {"Windows NT 4", sim::kWindowsNT4, true, nullptr, false},
        {"Windows 10", sim::kWindows10, true, nullptr, false},
        {"Win32s, major version 3", sim::kWin32s, true, nullptr, false},
        {"98 without RegisterClassExA", sim::kWindows98, false, nullptr, false},
        {"98, no USER32 module handle", sim::kWindows98, true, "GetModuleHandleA", false},
        {"98, GetProcAddress gives null", sim::kWindows98, true, "GetProcAddress", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::SetVersion(c.version);
        sim::SetRegisterClassExAvailable(c.exAvailable);
        if (c.failing != nullptr) sim::FailCall(c.failing, 1, true, 0);

        EXPECT_NE(0, RegisterLauncherClass(kInstance, "Fendral Tavio Launcher Class"));

        const sim::ClassInfo info = sim::Class("Fendral Tavio Launcher Class");
        ASSERT_TRUE(info.registered);
        EXPECT_EQ(c.extended, info.extended);
        EXPECT_EQ(c.extended ? 1 : 0, TraceCount("RegisterClassExA Fendral Tavio Launcher Class"));
        EXPECT_EQ(c.extended ? 0 : 1, TraceCount("RegisterClassA Fendral Tavio Launcher Class"));
        EXPECT_EQ(c.extended ? static_cast<UINT>(sizeof(WNDCLASSEXA)) : 0u, info.cbSize);
        EXPECT_EQ(c.extended ? "SMALL" : "", info.smallIcon);
        EXPECT_EQ(static_cast<UINT>(CS_HREDRAW | CS_VREDRAW), info.style);
        EXPECT_EQ(&LauncherWindowProc, info.procedure);
        EXPECT_EQ(0, info.classExtra);
        EXPECT_EQ(0, info.windowExtra);
        EXPECT_EQ(kInstance, info.instance);
        EXPECT_EQ("GENERIC", info.icon);
        EXPECT_EQ("#32512", info.cursor);
        EXPECT_EQ(static_cast<ULONG_PTR>(COLOR_WINDOW + 1), info.background);
        EXPECT_EQ("", info.menu);
    }
}

TEST_F(WindowTest, AFailedRegistrationGivesZeroAndIsNotRetried) {
    struct Case {
        const char* name;
        DWORD version;
        const char* failing;
        const char* other;  // the function that must not be tried instead
    } cases[] = {
        {"RegisterClassExA on 98", sim::kWindows98, "RegisterClassExA", "RegisterClassA"},
        {"RegisterClassA on NT", sim::kWindowsNT4, "RegisterClassA", "RegisterClassExA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::SetVersion(c.version);
        sim::FailCall(c.failing, 1, false, 0);
        EXPECT_EQ(0, RegisterLauncherClass(kInstance, "Fendral Tavio Launcher Class"));
        EXPECT_EQ(0, sim::CallCount(c.other));
    }
}

TEST_F(WindowTest, CreatesTheWindowHiddenWithItsFixedTitleAndFrame) {
    const HWND window = MakeLauncherWindow();
    ASSERT_NE(nullptr, window);
    const sim::WindowInfo info = sim::Window(window);
    EXPECT_TRUE(info.exists);
    EXPECT_EQ("Fendral Tavio Launcher Class", info.className);
    EXPECT_EQ("Tavio Launcher", info.title);
    EXPECT_EQ(0x00CB0000u, info.style);
    EXPECT_EQ(0u, info.style & (WS_VISIBLE | WS_THICKFRAME));
    EXPECT_EQ(0u, info.exStyle);
    EXPECT_EQ(50, info.x);
    EXPECT_EQ(50, info.y);
    EXPECT_EQ(200, info.width);
    EXPECT_EQ(80, info.height);
    EXPECT_FALSE(info.visible);
    EXPECT_EQ(-1, info.lastShowCommand);
}

TEST_F(WindowTest, AFailedCreationGivesZeroAndLeavesNoWindow) {
    RegisterLauncherClass(kInstance, Settings.LauncherWindowClass.CStr());
    sim::FailCall("CreateWindowExA", 1, false, 0);
    EXPECT_EQ(0, CreateLauncherWindow(kInstance, SW_SHOWNORMAL, Settings.LauncherWindowClass.CStr()));
    EXPECT_EQ(nullptr, WindowWait.LauncherWindow);
}

// ---- Lookups ----

TEST_F(WindowTest, FindRunningWindowHonoursTheMarkerAndPassesEmptyTextOn) {
    const HWND earlier = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
    struct Case {
        const char* name;
        const char* className;
        const char* title;
        bool found;
        const char* lookup;  // the FindWindowA trace line, null: no lookup at all
    } cases[] = {
        {"class and title", "Tool Class", "Tool Main", true, "FindWindowA Tool Class|Tool Main"},
        {"title marker: any title", "Tool Class", "(ignore)", true, "FindWindowA Tool Class|<null>"},
        {"title marker in other letters", "Tool Class", "(IGNORE)", true, "FindWindowA Tool Class|<null>"},
        {"wrong title", "Tool Class", "Other", false, "FindWindowA Tool Class|Other"},
        {"empty title is a value", "Tool Class", "", false, "FindWindowA Tool Class|"},
        {"empty class is a value", "", "(ignore)", false, "FindWindowA |<null>"},
        {"class marker", "(ignore)", "Tool Main", false, nullptr},
        {"class marker in capitals", "(IGNORE)", "(ignore)", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        const HWND tool = sim::AddOtherProcessWindow("Tool Class", "Tool Main", false);
        WindowWait.FoundWindow = earlier;

        EXPECT_EQ(c.found, FindRunningWindow(c.className, c.title));

        if (c.lookup == nullptr) {
            EXPECT_EQ(0, sim::CallCount("FindWindowA"));
            EXPECT_EQ(earlier, WindowWait.FoundWindow);  // untouched without a lookup
        } else {
            EXPECT_EQ(1, TraceCount(c.lookup));
            EXPECT_EQ(c.found ? tool : nullptr, WindowWait.FoundWindow);
        }
    }
}

// ---- The wait ----

TEST_F(WindowTest, EachTargetWaitsForItsOwnClassAndTitle) {
    struct Case {
        const char* name;
        int target;
        const char* lookup;
    } cases[] = {
        {"Install32Window", Install32Window, "FindWindowA Setup 95|Setup 95 Title"},
        {"InstallNTWindow", InstallNTWindow, "FindWindowA Setup NT|Setup NT Title"},
        {"Run32Window", Run32Window, "FindWindowA Run 95|Run 95 Title"},
        {"RunNTWindow", RunNTWindow, "FindWindowA Run NT|Run NT Title"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.Install32WindowClass.Assign("Setup 95");
        Settings.Install32WindowTitle.Assign("Setup 95 Title");
        Settings.InstallNTWindowClass.Assign("Setup NT");
        Settings.InstallNTWindowTitle.Assign("Setup NT Title");
        Settings.Run32WindowClass.Assign("Run 95");
        Settings.Run32WindowTitle.Assign("Run 95 Title");
        Settings.RunNTWindowClass.Assign("Run NT");
        Settings.RunNTWindowTitle.Assign("Run NT Title");
        Settings.WindowTimeOut = 5;
        // Only the target's own window is ever there; any other pair would run to the time-out.
        const std::string lookup = c.lookup;
        const std::string className = lookup.substr(12, lookup.find('|') - 12);
        sim::AddOtherProcessWindow(className.c_str(), lookup.substr(lookup.find('|') + 1).c_str());
        MakeLauncherWindow();

        EXPECT_EQ(0, WaitForProgramWindow(c.target));

        EXPECT_EQ(1, sim::TimerTicks());
        EXPECT_EQ(1, TraceCount(c.lookup));
        EXPECT_EQ(1, sim::CallCount("FindWindowA"));
    }
}

TEST_F(WindowTest, TheTimeOutCountsTwoTicksPerSecond) {
    struct Case {
        const char* name;
        LONG timeOut;
        int ticks;
    } cases[] = {
        {"1 second", 1, 2},
        {"2 seconds", 2, 4},
        {"the default 90", 90, 180},
        {"15000, the longest limit", 15000, 30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.Run32WindowClass.Assign("Never Opens");
        Settings.WindowTimeOut = c.timeOut;
        const HWND window = MakeLauncherWindow();

        EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

        EXPECT_EQ(c.ticks, sim::TimerTicks());
        EXPECT_EQ(static_cast<DWORD>(c.ticks) * kTick, sim::Now());
        EXPECT_FALSE(sim::Window(window).exists);
        EXPECT_EQ(nullptr, WindowWait.LauncherWindow);
        EXPECT_EQ(1, TraceCount("KillTimer 1"));
    }
}

TEST_F(WindowTest, TimeOutsOutsideTheRangeNeverRunOut) {
    // Past 30002 ticks: more than 15000 or 15001 seconds' worth would allow.
    constexpr int kOpensAtTick = 31000;
    const LONG cases[] = {15001, 0, -1, -90, 0x7FFFFFFF};
    for (const LONG timeOut : cases) {
        SCOPED_TRACE("WindowTimeOut " + std::to_string(timeOut));
        Restart();
        Settings.Run32WindowClass.Assign("Late Window");
        Settings.WindowTimeOut = timeOut;
        sim::SetTimeCap(kOpensAtTick * kTick + 10 * kTick);
        sim::At(kOpensAtTick * kTick - kTick / 2, [] { sim::AddOtherProcessWindow("Late Window", "Late"); });
        MakeLauncherWindow();

        EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

        EXPECT_EQ(-1, WindowWait.Countdown);
        EXPECT_EQ(kOpensAtTick, sim::TimerTicks());
    }
}

TEST_F(WindowTest, AWindowAlreadyOpenEndsTheWaitAtTheFirstTick) {
    Settings.Run32WindowClass.Assign("Tool Class");
    sim::AddOtherProcessWindow("Tool Class", "Anything at all", false);
    MakeLauncherWindow();

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    EXPECT_EQ(1, sim::TimerTicks());
    EXPECT_EQ(kTick, sim::Now());
    const std::vector<std::string> expected = {"SetTimer 1 500", "DestroyWindow", "KillTimer 1",
                                               "PostQuitMessage 0"};
    EXPECT_EQ(expected, TraceFrom("SetTimer 1 500"));
}

TEST_F(WindowTest, TheTitleSettingNarrowsTheWaitUnlessItIsTheMarker) {
    struct Case {
        const char* name;
        const char* title;
        int ticks;
    } cases[] = {
        {"marker: the first window of the class ends it", "(ignore)", 1},
        {"marker in capitals", "(IGNORE)", 1},
        {"a title waits for its own window", "Main Window", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.Run32WindowClass.Assign("Tool Class");
        Settings.Run32WindowTitle.Assign(c.title);
        Settings.WindowTimeOut = 10;
        sim::AddOtherProcessWindow("Tool Class", "Splash");
        sim::At(3 * kTick - kTick / 2, [] { sim::AddOtherProcessWindow("Tool Class", "Main Window"); });
        MakeLauncherWindow();

        EXPECT_EQ(0, WaitForProgramWindow(Run32Window));
        EXPECT_EQ(c.ticks, sim::TimerTicks());
    }
}

TEST_F(WindowTest, AnEmptyClassIsLookedForUntilTheTimeOut) {
    Settings.Run32WindowClass.Assign("");
    Settings.WindowTimeOut = 3;
    sim::AddOtherProcessWindow("Tool Class", "");
    MakeLauncherWindow();

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    EXPECT_EQ(6, sim::TimerTicks());
    EXPECT_EQ(6, TraceCount("FindWindowA |<null>"));
}

TEST_F(WindowTest, WithoutAClassToLookForTheWaitEndsAtOnceWithoutATimer) {
    struct Case {
        const char* name;
        int target;
        const char* run32Class;
    } cases[] = {
        {"NoWait", NoWait, "Tool Class"},
        {"target 7 acts as NoWait", 7, "Tool Class"},
        {"target -1 acts as NoWait", -1, "Tool Class"},
        {"default class settings", Run32Window, "(ignore)"},
        {"marker in capitals", Run32Window, "(IGNORE)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        // Every pair names an open window: only a wait that reads the wrong pair would find one.
        for (SettingText* cls : {&Settings.Install32WindowClass, &Settings.InstallNTWindowClass,
                                 &Settings.RunNTWindowClass})
            cls->Assign("Tool Class");
        Settings.Run32WindowClass.Assign(c.run32Class);
        sim::AddOtherProcessWindow("Tool Class", "Main");
        const HWND window = MakeLauncherWindow();

        EXPECT_EQ(0, WaitForProgramWindow(c.target));

        EXPECT_EQ(0, sim::CallCount("SetTimer"));
        EXPECT_EQ(0, sim::CallCount("FindWindowA"));
        EXPECT_EQ(0u, sim::Now());
        EXPECT_EQ(NoWait, WindowWait.ActiveWaitTarget);
        EXPECT_EQ(nullptr, WindowWait.WaitClass);
        EXPECT_FALSE(sim::Window(window).exists);
        const std::vector<std::string> expected = {"PostMessageA 273", "DestroyWindow", "PostQuitMessage 0"};
        EXPECT_EQ(expected, TraceFrom("PostMessageA 273"));
    }
}

TEST_F(WindowTest, NoWaitHandlesMessagesAlreadyQueuedBeforeClosing) {
    sim::SetClock(9 * 3600 + 5 * 60 + 3);
    const HWND window = MakeLauncherWindow();
    PostMessageA(window, DeferralNotice, 0, 0);

    EXPECT_EQ(0, WaitForProgramWindow(NoWait));

    // Messages for a destroyed window are dropped: the notice was taken first.
    EXPECT_STREQ("Deferred  09:05:03", StatusDisplay.DeferredLine.CStr());
}

TEST_F(WindowTest, OnlyCommand106InTheLowWordClosesTheWindow) {
    struct Case {
        const char* name;
        WPARAM wParam;
        LPARAM lParam;
        bool closes;
    } cases[] = {
        {"106", CloseCommand, 0, true},
        {"106 with a notification code in the high word", MAKEWPARAM(CloseCommand, 1), 0, true},
        {"106 with high word 0xFFFF and a control", MAKEWPARAM(CloseCommand, 0xFFFF), 0x5678, true},
        {"107", 107, 0, false},
        {"106 in the high word only", MAKEWPARAM(0, CloseCommand), 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        const HWND window = MakeLauncherWindow();

        EXPECT_EQ(0, LauncherWindowProc(window, WM_COMMAND, c.wParam, c.lParam));

        EXPECT_EQ(!c.closes, sim::Window(window).exists);
        EXPECT_EQ(c.closes ? 1 : 0, TraceCount("PostQuitMessage 0"));
    }
}

TEST_F(WindowTest, TheUserClosingTheRevealedWindowEndsAWaitWithoutLimit) {
    Settings.Run32WindowClass.Assign("Never Opens");
    Settings.WindowTimeOut = 0;
    sim::SetTimeCap(60 * 1000);
    const HWND window = MakeLauncherWindow();
    sim::At(1000 + kTick / 2, [window] {
        sim::SetKeyDown(VK_SHIFT, true);
        sim::SetKeyDown(VK_CONTROL, true);
        PostMessageA(window, DeferralNotice, 0, 0);
    });
    sim::At(3000 + kTick / 2, [window] { sim::UserCloses(window); });

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    EXPECT_TRUE(StatusDisplay.WindowRevealed);
    EXPECT_EQ(6, sim::TimerTicks());
    EXPECT_FALSE(sim::Window(window).exists);
    EXPECT_EQ(1, TraceCount("KillTimer 1"));
}

TEST_F(WindowTest, ANoticeNeitherEndsNorLengthensTheWait) {
    Settings.Run32WindowClass.Assign("Never Opens");
    Settings.WindowTimeOut = 2;
    const HWND window = MakeLauncherWindow();
    for (DWORD at : {kTick / 2, 3 * kTick / 2, 5 * kTick / 2, 7 * kTick / 2})
        sim::At(at, [window] { PostMessageA(window, DeferralNotice, 0, 0); });

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    EXPECT_EQ(4, sim::TimerTicks());
    EXPECT_EQ(4 * kTick, sim::Now());
    EXPECT_FALSE(StatusDisplay.DeferredLine.Empty());
}

// ---- Failures the wait must survive ----

TEST_F(WindowTest, ATimerThatCannotBeStartedEndsTheWaitAtOnce) {
    Settings.Run32WindowClass.Assign("Never Opens");
    Settings.WindowTimeOut = 0;  // no limit: only the missing timer could end it
    const HWND window = MakeLauncherWindow();
    sim::FailCall("SetTimer", 1, false, 0);

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    EXPECT_EQ(0, sim::TimerTicks());
    EXPECT_FALSE(sim::Window(window).exists);
    EXPECT_EQ(NoWait, WindowWait.ActiveWaitTarget);
    EXPECT_EQ(0, sim::CallCount("KillTimer"));  // there is no timer to stop
}

TEST_F(WindowTest, AMessageQueueErrorEndsTheLoopAndDestroysTheWindow) {
    struct Case {
        const char* name;
        int target;
        int failingCall;
        int killTimers;
    } cases[] = {
        {"first call, waiting", Run32Window, 1, 1},
        {"after some ticks, waiting", Run32Window, 4, 1},
        {"NoWait", NoWait, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.Run32WindowClass.Assign("Never Opens");
        Settings.WindowTimeOut = 0;
        const HWND window = MakeLauncherWindow();
        sim::FailCall("GetMessageA", c.failingCall, false, -1);

        EXPECT_EQ(0, WaitForProgramWindow(c.target));

        EXPECT_EQ(c.failingCall, sim::CallCount("GetMessageA"));
        EXPECT_FALSE(sim::Window(window).exists);
        EXPECT_EQ(nullptr, WindowWait.LauncherWindow);
        EXPECT_EQ(c.killTimers, TraceCount("KillTimer 1"));
    }
}

TEST_F(WindowTest, AFailedCloseCommandPostDestroysTheWindowDirectly) {
    const HWND window = MakeLauncherWindow();
    sim::FailCall("PostMessageA", 1, false, 0);

    EXPECT_EQ(0, WaitForProgramWindow(NoWait));

    EXPECT_FALSE(sim::Window(window).exists);
    EXPECT_EQ(1, TraceCount("PostQuitMessage 0"));
}

TEST_F(WindowTest, WithoutAWindowTheWaitReturnsAtOnce) {
    Settings.Run32WindowClass.Assign("Tool Class");
    sim::AddOtherProcessWindow("Tool Class", "Main");
    for (int target : {Run32Window, NoWait}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(0, WaitForProgramWindow(target));
    }
    EXPECT_EQ(0, sim::CallCount("GetMessageA"));
    EXPECT_EQ(0, sim::CallCount("SetTimer"));
    EXPECT_EQ(0, sim::CallCount("PostMessageA"));
}

TEST_F(WindowTest, AWindowRevealedAndClosedDuringAnAlertEndsTheWaitWithoutATimer) {
    Settings.Run32WindowClass.Assign("Never Opens");
    Settings.WindowTimeOut = 0;
    const HWND window = MakeLauncherWindow();
    sim::SetMessageBoxScript([window](const sim::MessageBoxCall&, int&) {
        sim::SetKeyDown(VK_SHIFT, true);
        sim::SetKeyDown(VK_CONTROL, true);
        PostMessageA(window, DeferralNotice, 0, 0);
        sim::UserCloses(window);
    });
    MessageBoxA(nullptr, "Run it?", "Tavio Launcher", MB_OKCANCEL | MB_DEFBUTTON2);
    ASSERT_TRUE(StatusDisplay.WindowRevealed);
    ASSERT_FALSE(sim::Window(window).exists);
    EXPECT_EQ(nullptr, WindowWait.LauncherWindow);

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    EXPECT_EQ(0, sim::CallCount("SetTimer"));
    EXPECT_EQ(NoWait, WindowWait.ActiveWaitTarget);
}

}  // namespace
