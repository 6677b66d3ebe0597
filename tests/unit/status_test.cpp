// Host tests of deferral: the second-instance check, notices, the reveal and the status lines.
#include <string>
#include <vector>

#include "settings/launcher_settings.h"
#include "window_fixture.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

namespace {

constexpr time_t kHour = 3600;

void HoldKeys(bool shift, bool control) {
    sim::SetKeyDown(VK_SHIFT, shift);
    sim::SetKeyDown(VK_CONTROL, control);
}

class StatusTest : public WindowRoomTest {};

// ---- The second-instance check ----

TEST_F(StatusTest, DefersOnlyToALauncherWindowOfItsOwnClassAndTitle) {
    struct Case {
        const char* name;
        const char* setting;   // LauncherWindowClass
        const char* className; // of the window already open
        const char* title;
        bool defers;
    } cases[] = {
        {"a running launcher, hidden", "Fendral Tavio Launcher Class", "Fendral Tavio Launcher Class",
         "Tavio Launcher", true},
        {"another disc's launcher class", "Disc Two Launcher", "Fendral Tavio Launcher Class", "Tavio Launcher",
         false},
        {"same class, another title", "Fendral Tavio Launcher Class", "Fendral Tavio Launcher Class",
         "Tavio Launcher 2", false},
        {"class setting is the marker", "(ignore)", "(ignore)", "Tavio Launcher", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Settings.LauncherWindowClass.Assign(c.setting);
        const HWND running = sim::AddOtherProcessWindow(c.className, c.title, false);

        EXPECT_EQ(c.defers, DeferToRunningLauncher());

        const std::vector<sim::PostedMessage>& posted = sim::PostedToOtherProcesses();
        ASSERT_EQ(c.defers ? 1u : 0u, posted.size());
        if (c.defers) {
            EXPECT_EQ(running, posted[0].window);
            EXPECT_EQ(1025u, posted[0].message);
            EXPECT_EQ(0u, posted[0].wParam);
            EXPECT_EQ(0, posted[0].lParam);
        }
        // A second instance builds no status lines and no window of its own.
        EXPECT_TRUE(StatusDisplay.LaunchedLine.Empty());
        EXPECT_EQ(0, sim::CallCount("CreateWindowExA"));
    }
}

TEST_F(StatusTest, ANoticeThatCannotBeDeliveredStillDefers) {
    sim::AddOtherProcessWindow("Fendral Tavio Launcher Class", "Tavio Launcher", false);
    sim::FailCall("PostMessageA", 1, false, 0);
    EXPECT_TRUE(DeferToRunningLauncher());
}

// ---- The status lines ----

TEST_F(StatusTest, LinesCarryTheTimeOfDayOrEndInAFullStop) {
    struct Case {
        const char* name;
        time_t launched, deferred;
        bool noLocalTime;
        const char* launchedLine;
        const char* deferredLine;
    } cases[] = {
        {"morning and afternoon", 9 * kHour + 5 * 60 + 3, 13 * kHour, false, "Launched 09:05:03",
         "Deferred  13:00:00"},
        {"midnight and the last second", 0, 24 * kHour - 1, false, "Launched 00:00:00", "Deferred  23:59:59"},
        {"a later day", 400 * 24 * kHour + 7 * kHour, 400 * 24 * kHour + 7 * kHour + 61, false,
         "Launched 07:00:00", "Deferred  07:01:01"},
        {"no local time", 9 * kHour, 10 * kHour, true, "Launched.", "Deferred."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        if (c.noLocalTime) sim::FailCall("localtime", 1, true, 0);
        sim::SetClock(c.launched);
        const HWND window = MakeLauncherWindow();
        EXPECT_TRUE(StatusDisplay.DeferredLine.Empty());
        sim::SetClock(c.deferred);

        HandleDeferralNotice(window);

        EXPECT_STREQ(c.launchedLine, StatusDisplay.LaunchedLine.CStr());
        EXPECT_STREQ(c.deferredLine, StatusDisplay.DeferredLine.CStr());
        // "Launched hh:mm:ss" and "Deferred  hh:mm:ss" fill their texts exactly: nothing cut.
        EXPECT_TRUE(StatusDisplay.LaunchedLine.Fits());
        EXPECT_TRUE(StatusDisplay.DeferredLine.Fits());
    }
}

TEST_F(StatusTest, EachNoticeReplacesTheDeferredLine) {
    sim::SetClock(8 * kHour);
    const HWND window = MakeLauncherWindow();
    const struct {
        time_t at;
        bool noLocalTime;
        const char* line;
    } notices[] = {
        {10 * kHour, false, "Deferred  10:00:00"},
        {10 * kHour + 9, false, "Deferred  10:00:09"},
        {10 * kHour + 12, true, "Deferred."},
        {10 * kHour + 15, false, "Deferred  10:00:15"},
    };
    for (const auto& notice : notices) {
        SCOPED_TRACE(notice.line);
        sim::SetClock(notice.at);
        if (notice.noLocalTime) sim::FailNextCall("localtime", false, 0);
        HandleDeferralNotice(window);
        EXPECT_STREQ(notice.line, StatusDisplay.DeferredLine.CStr());
    }
    EXPECT_STREQ("Launched 08:00:00", StatusDisplay.LaunchedLine.CStr());
}

// ---- The reveal ----

TEST_F(StatusTest, OnlyShiftAndCtrlTogetherRevealTheWindow) {
    struct Case {
        const char* name;
        bool shift, control;
        bool revealed;
        int keyQueries;  // Ctrl is not asked while Shift is up
    } cases[] = {
        {"no keys", false, false, false, 1},
        {"Shift alone", true, false, false, 2},
        {"Ctrl alone", false, true, false, 1},
        {"Shift and Ctrl", true, true, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        StatusDisplay.StartShowMode = SW_SHOWNORMAL;
        const HWND window = MakeLauncherWindow();
        HoldKeys(c.shift, c.control);

        EXPECT_EQ(0, HandleDeferralNotice(window));

        EXPECT_EQ(c.revealed, StatusDisplay.WindowRevealed);
        EXPECT_EQ(c.keyQueries, sim::CallCount("GetAsyncKeyState"));
        const sim::WindowInfo info = sim::Window(window);
        EXPECT_EQ(c.revealed, info.visible);
        EXPECT_EQ(c.revealed, info.foreground);
        EXPECT_EQ(c.revealed ? SW_SHOWNORMAL : -1, info.lastShowCommand);
        EXPECT_EQ(c.revealed ? 1 : 0, sim::CallCount("RedrawWindow"));
        EXPECT_FALSE(StatusDisplay.DeferredLine.Empty());
    }
}

TEST_F(StatusTest, TheKeysCountAsTheyAreWhenTheNoticeIsHandled) {
    struct Case {
        const char* name;
        bool downWhenPosted, downWhenHandled;
    } cases[] = {
        {"pressed after the post", false, true},
        {"released before handling", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        const HWND window = MakeLauncherWindow();
        HoldKeys(c.downWhenPosted, c.downWhenPosted);
        PostMessageA(window, DeferralNotice, 0, 0);
        HoldKeys(c.downWhenHandled, c.downWhenHandled);

        WaitForProgramWindow(NoWait);

        EXPECT_EQ(c.downWhenHandled, StatusDisplay.WindowRevealed);
    }
}

TEST_F(StatusTest, TheRevealShowsWithTheStartShowModeAndRestoresAMinimisedStart) {
    struct Case {
        const char* name;
        int startShowMode;
        int lastShowCommand;
        int redraws;
    } cases[] = {
        {"started normally", SW_SHOWDEFAULT, SW_SHOWDEFAULT, 1},
        {"started minimised, not active", SW_SHOWMINNOACTIVE, SW_RESTORE, 0},
        {"started minimised", SW_SHOWMINIMIZED, SW_RESTORE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        StatusDisplay.StartShowMode = c.startShowMode;
        const HWND window = MakeLauncherWindow();
        HoldKeys(true, true);

        HandleDeferralNotice(window);

        const sim::WindowInfo info = sim::Window(window);
        EXPECT_TRUE(info.visible);
        EXPECT_FALSE(info.iconic);
        EXPECT_TRUE(info.foreground);
        EXPECT_EQ(c.lastShowCommand, info.lastShowCommand);
        EXPECT_EQ(c.redraws, sim::CallCount("RedrawWindow"));
    }
}

TEST_F(StatusTest, AfterTheRevealEachNoticeRepaintsOrRestores) {
    sim::SetClock(9 * kHour);
    Settings.Run32WindowClass.Assign("Never Opens");
    Settings.WindowTimeOut = 0;
    sim::SetTimeCap(60 * 1000);
    StatusDisplay.StartShowMode = SW_SHOWNORMAL;
    const HWND window = MakeLauncherWindow();
    // Between ticks: the reveal at 1 s, a plain notice at 3 s, a notice to the minimised
    // window at 5 s, the user closing it at 7 s.
    sim::At(1250, [window] {
        HoldKeys(true, true);
        PostMessageA(window, DeferralNotice, 0, 0);
    });
    sim::At(1400, [] { HoldKeys(false, false); });
    sim::At(3250, [window] { PostMessageA(window, DeferralNotice, 0, 0); });
    sim::At(4250, [window] { sim::UserMinimizes(window); });
    sim::At(5250, [window] { PostMessageA(window, DeferralNotice, 0, 0); });
    sim::At(7250, [window] { sim::UserCloses(window); });

    EXPECT_EQ(0, WaitForProgramWindow(Run32Window));

    struct Line {
        int x, y;
        const char* text;
    };
    const Line expected[] = {
        {10, 10, "Launched 09:00:00"}, {10, 30, "Deferred  09:00:01"},
        {10, 10, "Launched 09:00:00"}, {10, 30, "Deferred  09:00:03"},
        {10, 10, "Launched 09:00:00"}, {10, 30, "Deferred  09:00:05"},
    };
    const std::vector<sim::TextOutCall>& drawn = sim::TextOuts();
    ASSERT_EQ(sizeof expected / sizeof expected[0], drawn.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE("text out " + std::to_string(i));
        EXPECT_EQ(expected[i].x, drawn[i].x);
        EXPECT_EQ(expected[i].y, drawn[i].y);
        EXPECT_EQ(expected[i].text, drawn[i].text);
        EXPECT_EQ(OPAQUE, drawn[i].backgroundMode);
        EXPECT_EQ(0x00FFFFFFu, drawn[i].backgroundColour);
        EXPECT_EQ(0x00000000u, drawn[i].textColour);
    }
    EXPECT_EQ(1, sim::CallCount("SetForegroundWindow"));  // only the reveal brings it forward
    EXPECT_EQ(14, sim::TimerTicks());
}

TEST_F(StatusTest, PaintingDrawsTheLaunchedLineAloneBeforeAnyNotice) {
    sim::SetClock(9 * kHour + 5 * 60 + 3);
    const HWND window = MakeLauncherWindow();
    ShowWindow(window, SW_SHOWNORMAL);

    EXPECT_EQ(0, LauncherWindowProc(window, WM_PAINT, 0, 0));

    ASSERT_EQ(1u, sim::TextOuts().size());
    EXPECT_EQ(10, sim::TextOuts()[0].x);
    EXPECT_EQ(10, sim::TextOuts()[0].y);
    EXPECT_EQ("Launched 09:05:03", sim::TextOuts()[0].text);
    EXPECT_EQ(1, sim::PaintCount());
    EXPECT_EQ(1, sim::CallCount("EndPaint"));
}

TEST_F(StatusTest, TheWindowAndItsLinesScaleWithTheDisplayDpi) {
    struct Case {
        const char* name;
        int dpi;                // the screen's LOGPIXELSY
        bool noScreenDc;        // GetDC(NULL) fails
        int corner, width, height;
        int lineX, secondLineY;  // the first line is at (lineX, lineX)
    } cases[] = {
        {"100%", 96, false, 50, 200, 80, 10, 30},
        {"150%", 144, false, 75, 300, 120, 15, 45},
        {"200%", 192, false, 100, 400, 160, 20, 60},
        {"125%, cut down to whole pixels", 120, false, 62, 250, 100, 12, 37},
        {"below 96 counts as 96", 72, false, 50, 200, 80, 10, 30},
        {"no screen context", 192, true, 50, 200, 80, 10, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        sim::SetClock(9 * kHour);
        sim::SetDisplayDpi(c.dpi);
        if (c.noScreenDc) sim::FailCall("GetDC", 1, false, 0);
        const HWND window = MakeLauncherWindow();
        EXPECT_EQ(0, sim::ScreenDcsHeld());

        const sim::WindowInfo info = sim::Window(window);
        EXPECT_EQ(c.corner, info.x);
        EXPECT_EQ(c.corner, info.y);
        EXPECT_EQ(c.width, info.width);
        EXPECT_EQ(c.height, info.height);

        HoldKeys(true, true);
        HandleDeferralNotice(window);
        EXPECT_EQ(0, LauncherWindowProc(window, WM_PAINT, 0, 0));
        const std::vector<sim::TextOutCall>& drawn = sim::TextOuts();
        ASSERT_EQ(2u, drawn.size());
        EXPECT_EQ(c.lineX, drawn[0].x);
        EXPECT_EQ(c.lineX, drawn[0].y);
        EXPECT_EQ(c.lineX, drawn[1].x);
        EXPECT_EQ(c.secondLineY, drawn[1].y);
        EXPECT_EQ("Deferred  09:00:00", drawn[1].text);
    }
}

}  // namespace
