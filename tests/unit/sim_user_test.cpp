// Tests of the simulated USER, GDI and clock: the behaviour of Windows the logic relies on.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "sim.h"
#include "sim_internal.h"

namespace {

// What every window procedure of these tests saw, in order, as "<message>" or "<message>:<wParam>".
std::vector<std::string> seen;
// Run for each message the recording procedure sees, before it handles it.
std::function<bool(HWND, UINT, WPARAM)> onMessage;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER || message == WM_USER + 1 || message == WM_COMMAND)
        seen.push_back(std::to_string(message) + ":" + std::to_string(wParam));
    else
        seen.push_back(std::to_string(message));
    if (onMessage && onMessage(window, message, wParam)) return 0;
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(7);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        TextOutA(dc, 10, 10, "Launched", 8);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

class SimUserTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Reset();
        seen.clear();
        onMessage = nullptr;
    }
    void TearDown() override {
        for (const std::string& failure : sim::Failures()) ADD_FAILURE() << "simulated Windows: " << failure;
    }
    // Checks the failure a test provoked on purpose and clears it.
    void ExpectOneFailureContaining(const std::string& part) {
        ASSERT_EQ(sim::Failures().size(), 1u);
        EXPECT_NE(sim::Failures()[0].find(part), std::string::npos) << sim::Failures()[0];
        sim::Reset();
    }
    static ATOM RegisterRecordingClass(const char* name) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = name;
        return RegisterClassA(&windowClass);
    }
    static HWND CreateRecordingWindow(const char* title = "Tavio Launcher", DWORD style = 0x00CB0000) {
        if (sim::Class("Test Class").registered == false) RegisterRecordingClass("Test Class");
        return CreateWindowExA(0, "Test Class", title, style, 50, 50, 200, 80, nullptr, nullptr, nullptr, nullptr);
    }
};

TEST_F(SimUserTest, FindWindowMatchesAsWindowsDoes) {
    const HWND launcher = CreateRecordingWindow();  // hidden
    const HWND viewer = sim::AddOtherProcessWindow("Viewer Frame", "Read Me");
    const HWND untitled = sim::AddOtherProcessWindow("Viewer Frame", "");
    const HWND setup = sim::AddOtherProcessWindow("Setup Frame", "Setup", false);
    sim::RemoveOtherProcessWindow(sim::AddOtherProcessWindow("Gone Frame", "Gone"));
    sim::AddOtherProcessWindow("", "Nameless Class");
    DestroyWindow(CreateRecordingWindow("Closed Already"));
    MSG msg;
    GetMessageA(&msg, nullptr, 0, 0);  // takes the quit request the destroyed window made

    struct Case {
        const char* name;
        const char* className;
        const char* title;
        HWND expected;
    } cases[] = {
        {"class and title ignoring case", "test class", "TAVIO LAUNCHER", launcher},
        {"hidden own window by class alone", "Test Class", nullptr, launcher},
        {"empty title matches only empty text", "Viewer Frame", "", untitled},
        {"any class by title", nullptr, "read me", viewer},
        {"title compared whole, not as prefix", "Viewer Frame", "Read", nullptr},
        {"title compared whole, no trailing blank", "Viewer Frame", "Read Me ", nullptr},
        {"hidden window of another process", "Setup Frame", "Setup", setup},
        {"empty class finds nothing", "", nullptr, nullptr},
        {"empty class finds nothing, even a window with one", "", "Nameless Class", nullptr},
        {"unregistered class finds nothing", "Never Registered", nullptr, nullptr},
        {"removed window not found", "Gone Frame", nullptr, nullptr},
        {"destroyed window not found", nullptr, "Closed Already", nullptr},
        {"class right, title of another class", "Setup Frame", "Read Me", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindWindowA(c.className, c.title), c.expected);
    }
    FindWindowA(nullptr, "Read Me");
    EXPECT_EQ(sim::Trace().back(), "FindWindowA <null>|Read Me");
}

TEST_F(SimUserTest, RegisterClassRules) {
    WNDCLASSEXA extended{};
    extended.cbSize = 48;
    extended.style = CS_HREDRAW | CS_VREDRAW;
    extended.lpfnWndProc = RecordingProc;
    extended.hIcon = LoadIconA(nullptr, "GENERIC");
    extended.hIconSm = LoadIconA(nullptr, "SMALL");
    extended.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    extended.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    extended.lpszClassName = "Fendral Tavio Launcher Class";
    EXPECT_NE(extended.hIcon, nullptr);
    EXPECT_NE(extended.hIcon, extended.hIconSm);
    EXPECT_NE(extended.hIcon, extended.hCursor);
    // Another launcher's window of the same class lives in another process: no clash.
    sim::AddOtherProcessWindow("Fendral Tavio Launcher Class", "Tavio Launcher");
    EXPECT_NE(RegisterClassExA(&extended), 0);
    const sim::ClassInfo info = sim::Class("FENDRAL TAVIO LAUNCHER CLASS");
    EXPECT_TRUE(info.registered);
    EXPECT_TRUE(info.extended);
    EXPECT_EQ(info.cbSize, 48u);
    EXPECT_EQ(info.style, 3u);
    EXPECT_EQ(info.icon, "GENERIC");
    EXPECT_EQ(info.smallIcon, "SMALL");
    EXPECT_EQ(info.cursor, "#32512");
    EXPECT_EQ(info.background, 6u);
    EXPECT_EQ(info.menu, "");

    const std::string longest(255, 'c');
    const std::string tooLong(256, 'c');
    struct Case {
        const char* name;
        UINT cbSize;
        std::string className;
        bool succeeds;
        DWORD error;
    } cases[] = {
        {"duplicate ignoring case", 48, "fendral tavio launcher class", false, ERROR_CLASS_ALREADY_EXISTS},
        {"host record size", sizeof(WNDCLASSEXA), "Host Sized", true, 0},
        {"wrong record size", 40, "Wrong Size", false, ERROR_INVALID_PARAMETER},
        {"255 characters", 48, longest, true, 0},
        {"256 characters", 48, tooLong, false, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WNDCLASSEXA attempt = extended;
        attempt.cbSize = c.cbSize;
        attempt.lpszClassName = c.className.c_str();
        SetLastError(0);
        const ATOM atom = RegisterClassExA(&attempt);
        EXPECT_EQ(atom != 0, c.succeeds);
        if (!c.succeeds) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_EQ(sim::Class(c.className.c_str()).registered, c.succeeds || c.error == ERROR_CLASS_ALREADY_EXISTS);
    }
    EXPECT_EQ(sim::Trace().front(), "RegisterClassExA Fendral Tavio Launcher Class");
}

TEST_F(SimUserTest, CreateWindowRecordsAndNeedsRegisteredClass) {
    EXPECT_EQ(CreateWindowExA(0, "Test Class", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    const HWND window = CreateRecordingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(seen, std::vector<std::string>{"1"});  // WM_CREATE
    const sim::WindowInfo info = sim::Window(window);
    EXPECT_TRUE(info.exists);
    EXPECT_EQ(info.className, "Test Class");
    EXPECT_EQ(info.title, "Tavio Launcher");
    EXPECT_EQ(info.style, 0x00CB0000u);
    EXPECT_EQ(info.x, 50);
    EXPECT_EQ(info.y, 50);
    EXPECT_EQ(info.width, 200);
    EXPECT_EQ(info.height, 80);
    EXPECT_FALSE(info.visible);
    EXPECT_EQ(info.lastShowCommand, -1);
    EXPECT_TRUE(sim::Window(CreateRecordingWindow("Shown", WS_VISIBLE)).visible);
}

TEST_F(SimUserTest, DestroyWindowDeliversDestroyBeforeReturning) {
    const HWND window = CreateRecordingWindow();
    int nestedResult = -1;
    onMessage = [&](HWND w, UINT message, WPARAM) {
        if (message != WM_DESTROY) return false;
        EXPECT_TRUE(sim::Window(w).exists);  // still a window while it hears of its end
        nestedResult = DestroyWindow(w);
        return false;
    };
    seen.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(seen, std::vector<std::string>{"2"});  // once, despite the nested call
    EXPECT_EQ(nestedResult, FALSE);
    EXPECT_FALSE(sim::Window(window).exists);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_FALSE(PostMessageA(window, WM_USER + 1, 0, 0));
    EXPECT_EQ(FindWindowA("Test Class", nullptr), nullptr);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(SimUserTest, CloseGoesThroughDefaultHandlingToDestroy) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        std::vector<std::string> expected;
    } cases[] = {
        {"close", WM_CLOSE, 0, {"16", "2"}},
        {"system menu close", WM_SYSCOMMAND, SC_CLOSE, {"274", "16", "2"}},
        {"close box with mouse bits", WM_SYSCOMMAND, SC_CLOSE | 2, {"274", "16", "2"}},
        {"other command", WM_COMMAND, 107, {"273:107"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        const HWND window = CreateRecordingWindow();
        seen.clear();
        PostMessageA(window, c.message, c.wParam, 0);
        MSG msg;
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        DispatchMessageA(&msg);
        EXPECT_EQ(seen, c.expected);
        sim::Reset();
    }
}

TEST_F(SimUserTest, QuitComesAfterPostedMessagesAndOnlyOnce) {
    const HWND window = CreateRecordingWindow();
    const HWND other = sim::AddOtherProcessWindow("Other", "Other");
    PostMessageA(window, WM_USER + 1, 1, 0);
    PostQuitMessage(3);
    PostMessageA(window, WM_USER + 1, 2, 0);
    PostMessageA(other, WM_USER + 1, 9, 0);  // goes to the other process's queue
    SetTimer(window, 1, 500, nullptr);
    std::vector<std::string> got;
    MSG msg;
    for (int i = 0; i < 4; ++i) {
        const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
        got.push_back(result == 0 ? "quit:" + std::to_string(msg.wParam)
                                  : std::to_string(msg.message) + ":" + std::to_string(msg.wParam));
    }
    // The quit request is spent: the next message is the timer's, not a second WM_QUIT.
    EXPECT_EQ(got, (std::vector<std::string>{"1025:1", "1025:2", "quit:3", "275:1"}));
    ASSERT_EQ(sim::PostedToOtherProcesses().size(), 1u);
    EXPECT_EQ(sim::PostedToOtherProcesses()[0].window, other);
    EXPECT_EQ(sim::PostedToOtherProcesses()[0].wParam, 9u);
    EXPECT_EQ(sim::Trace(), (std::vector<std::string>{"RegisterClassA Test Class", "CreateWindowExA Test Class",
                                                      "PostMessageA 1025", "PostQuitMessage 3", "PostMessageA 1025",
                                                      "PostMessageA 1025", "SetTimer 1 500"}));
}

TEST_F(SimUserTest, PaintComesAfterPostedAndBeforeTimer) {
    const HWND shown = CreateRecordingWindow("Shown", WS_VISIBLE);
    const HWND hidden = CreateRecordingWindow("Hidden");
    SetTimer(shown, 1, 500, nullptr);
    RedrawWindow(hidden, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);  // hidden: never painted
    sim::At(500, [shown] { PostMessageA(shown, WM_USER + 1, 0, 0); });
    sim::At(600, [shown] { RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE); });
    seen.clear();
    std::vector<DWORD> times;
    MSG msg;
    while (sim::TimerTicks() < 2 && GetMessageA(&msg, nullptr, 0, 0)) {
        times.push_back(sim::Now());
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"15", "1025:0", "275:1", "15", "275:1"}));
    EXPECT_EQ(times, (std::vector<DWORD>{0, 500, 500, 600, 1000}));
    EXPECT_EQ(sim::PaintCount(), 2);
}

TEST_F(SimUserTest, TimersRunOnTheVirtualClock) {
    const HWND window = CreateRecordingWindow();
    EXPECT_EQ(SetTimer(window, 1, 500, nullptr), 1u);
    EXPECT_EQ(SetTimer(window, 2, 1200, nullptr), 2u);
    MSG msg;
    std::vector<std::string> got;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        got.push_back(std::to_string(msg.wParam) + "@" + std::to_string(sim::Now()));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"1@500", "1@1000", "2@1200", "1@1500", "1@2000"}));
    EXPECT_EQ(sim::TimerTicks(), 5);
    EXPECT_TRUE(KillTimer(window, 1));
    EXPECT_FALSE(KillTimer(window, 1));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(sim::Now(), 2400u);
    EXPECT_EQ(sim::Trace(), (std::vector<std::string>{"RegisterClassA Test Class", "CreateWindowExA Test Class",
                                                      "SetTimer 1 500", "SetTimer 2 1200", "KillTimer 1",
                                                      "KillTimer 1"}));
}

TEST_F(SimUserTest, TimersOfADestroyedWindowStop) {
    const HWND window = CreateRecordingWindow();
    SetTimer(window, 1, 500, nullptr);
    onMessage = [](HWND, UINT message, WPARAM) { return message == WM_DESTROY; };  // no quit request
    DestroyWindow(window);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, sim::kDeadlockExitCode);
    ExpectOneFailureContaining("wait forever");
}

TEST_F(SimUserTest, EndlessWaitsEndTheLoop) {
    struct Case {
        const char* name;
        bool timer;
        const char* failure;
    } cases[] = {
        {"nothing to wait for", false, "wait forever"},
        {"timer past the cap", true, "cap of 2000 ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::SetTimeCap(2000);
        const HWND window = CreateRecordingWindow();
        if (c.timer) SetTimer(window, 1, 500, nullptr);
        MSG msg;
        int ticks = 0;
        while (GetMessageA(&msg, nullptr, 0, 0)) ++ticks;
        EXPECT_EQ(ticks, c.timer ? 4 : 0);
        EXPECT_EQ(msg.wParam, sim::kDeadlockExitCode);
        EXPECT_LE(sim::Now(), 2000u);
        ExpectOneFailureContaining(c.failure);
    }
}

TEST_F(SimUserTest, ScheduledWindowAppearsAfterTicks) {
    const HWND window = CreateRecordingWindow();
    SetTimer(window, 1, 500, nullptr);
    sim::internal::ScheduleWindowAfterTicks("Setup Frame", "Setup", 3);
    std::vector<bool> foundAtTick;
    MSG msg;
    while (foundAtTick.size() < 4 && GetMessageA(&msg, nullptr, 0, 0))
        foundAtTick.push_back(FindWindowA("Setup Frame", "Setup") != nullptr);
    EXPECT_EQ(foundAtTick, (std::vector<bool>{false, false, true, true}));
    sim::internal::ScheduleWindowAfterTicks("Now Frame", "", 0);
    EXPECT_NE(FindWindowA("Now Frame", ""), nullptr);
}

TEST_F(SimUserTest, MessageBoxAnswers) {
    struct Case {
        const char* name;
        UINT type;
        int answer;
        int expected;
    } cases[] = {
        {"OK box, OK", MB_OK, IDOK, IDOK},
        {"OK box, close box", MB_OK, sim::kCloseBox, IDOK},
        {"OK/Cancel, OK", MB_OKCANCEL | MB_DEFBUTTON2, IDOK, IDOK},
        {"OK/Cancel, Cancel", MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL, IDCANCEL},
        {"OK/Cancel, close box", MB_OKCANCEL | MB_DEFBUTTON2, sim::kCloseBox, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::AnswerMessageBoxes({c.answer});
        EXPECT_EQ(MessageBoxA(nullptr, "Line 1\n\n\n\n", "Install software from CD?", c.type), c.expected);
        EXPECT_EQ(MessageBoxA(nullptr, "again", "Next", c.type), IDOK);  // answers used up: OK
        ASSERT_EQ(sim::MessageBoxes().size(), 2u);
        const sim::MessageBoxCall& box = sim::MessageBoxes()[0];
        EXPECT_TRUE(box.ownerNull);
        EXPECT_EQ(box.caption, "Install software from CD?");
        EXPECT_EQ(box.text, "Line 1\n\n\n\n");
        EXPECT_EQ(box.type, c.type);
        EXPECT_EQ(box.answer, c.expected);
        EXPECT_FALSE(box.endedByQuit);
        EXPECT_EQ(sim::Trace()[0], "MessageBoxA Install software from CD?");
    }
}

TEST_F(SimUserTest, MessageBoxDispatchesPostedMessagesButNoTimers) {
    const HWND window = CreateRecordingWindow();
    SetTimer(window, 1, 500, nullptr);
    PostMessageA(window, WM_USER + 1, 1, 0);  // queued before the box opened
    bool returned = false;
    sim::SetMessageBoxScript([&](const sim::MessageBoxCall& box, int& answer) {
        EXPECT_EQ(box.caption, "Run");
        EXPECT_EQ(box.answer, IDOK);  // the scripted answer so far
        PostMessageA(window, WM_USER + 1, 2, 0);
        answer = IDCANCEL;
    });
    onMessage = [&](HWND, UINT message, WPARAM) {
        EXPECT_FALSE(returned);  // handled while the box is open
        return false;
    };
    seen.clear();
    EXPECT_EQ(MessageBoxA(nullptr, "text", "Run", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    returned = true;
    EXPECT_EQ(seen, (std::vector<std::string>{"1025:1", "1025:2"}));
    EXPECT_EQ(sim::Now(), 0u);
    EXPECT_EQ(sim::TimerTicks(), 0);
}

TEST_F(SimUserTest, PendingQuitEndsBoxes) {
    struct Case {
        const char* name;
        bool quitBeforeBox;
    } cases[] = {
        {"quit already pending when the box opens", true},
        {"window closed while the box is open", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        const HWND window = CreateRecordingWindow();
        ShowWindow(window, SW_SHOWNORMAL);
        if (c.quitBeforeBox) PostQuitMessage(0);
        bool scriptRan = false;
        sim::AnswerMessageBoxes({IDCANCEL, IDCANCEL});
        sim::SetMessageBoxScript([&](const sim::MessageBoxCall&, int&) {
            scriptRan = true;
            sim::UserCloses(window);
        });
        EXPECT_EQ(MessageBoxA(nullptr, "text", "Install", MB_OKCANCEL | MB_DEFBUTTON2), IDOK);
        EXPECT_EQ(scriptRan, !c.quitBeforeBox);
        scriptRan = false;
        // The request stays pending: a later box ends at once too, unseen.
        EXPECT_EQ(MessageBoxA(nullptr, "text", "Run", MB_OKCANCEL | MB_DEFBUTTON2), IDOK);
        EXPECT_FALSE(scriptRan);
        ASSERT_EQ(sim::MessageBoxes().size(), 2u);
        EXPECT_TRUE(sim::MessageBoxes()[0].endedByQuit);
        EXPECT_TRUE(sim::MessageBoxes()[1].endedByQuit);
        EXPECT_EQ(sim::MessageBoxes()[1].answer, IDOK);
        EXPECT_EQ(sim::Window(window).exists, c.quitBeforeBox);
        MSG msg;
        EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
        EXPECT_EQ(msg.wParam, c.quitBeforeBox ? 0u : 7u);
    }
}

TEST_F(SimUserTest, ShowWindowCommands) {
    struct Case {
        const char* name;
        int first, second;
        BOOL secondResult;
        bool visible, iconic;
    } cases[] = {
        {"normal", SW_SHOWNORMAL, SW_SHOW, TRUE, true, false},
        {"default acts as normal", SW_SHOWDEFAULT, SW_SHOWNA, TRUE, true, false},
        {"hide", SW_SHOWNORMAL, SW_HIDE, TRUE, false, false},
        {"minimised without activation", SW_HIDE, SW_SHOWMINNOACTIVE, FALSE, true, true},
        {"minimise", SW_SHOW, SW_MINIMIZE, TRUE, true, true},
        {"restore", SW_SHOWMINIMIZED, SW_RESTORE, TRUE, true, false},
        {"show keeps minimised", SW_SHOWMINIMIZED, SW_SHOW, TRUE, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        const HWND window = CreateRecordingWindow();
        EXPECT_EQ(ShowWindow(window, c.first), FALSE);  // it was hidden
        EXPECT_EQ(ShowWindow(window, c.second), c.secondResult);
        const sim::WindowInfo info = sim::Window(window);
        EXPECT_EQ(info.visible, c.visible);
        EXPECT_EQ(info.iconic, c.iconic);
        EXPECT_EQ(IsIconic(window) != FALSE, c.iconic);
        EXPECT_EQ(info.lastShowCommand, c.second);
        // Shown and not minimised, it is painted; otherwise it waits for its restore.
        sim::At(10, [] {});
        MSG msg;
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0) || !sim::Failures().empty());
        EXPECT_EQ(msg.message == WM_PAINT, c.visible && !c.iconic);
        sim::Reset();
    }
}

TEST_F(SimUserTest, UserActionsAndForeground) {
    const HWND window = CreateRecordingWindow();
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_TRUE(SetForegroundWindow(window));
    EXPECT_TRUE(sim::Window(window).foreground);
    sim::UserMinimizes(window);
    EXPECT_TRUE(IsIconic(window));
    sim::UserCloses(window);
    MSG msg;
    seen.clear();
    while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
    EXPECT_EQ(seen, (std::vector<std::string>{"16", "2"}));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(sim::Window(window).exists);
    EXPECT_FALSE(IsIconic(window));
}

TEST_F(SimUserTest, PaintRecordsTextWithDeviceContextState) {
    const HWND window = CreateRecordingWindow("Shown", WS_VISIBLE);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), 0x00FFFFFFu);
    EXPECT_EQ(SetTextColor(dc, RGB(200, 0, 0)), 0u);
    EXPECT_TRUE(TextOutA(dc, 10, 30, "Deferred  13:00:00 and more", 18));
    EXPECT_TRUE(TextOutA(dc, 10, 50, "", 0));
    EXPECT_FALSE(TextOutA(dc, 10, 70, "x", -1));
    EXPECT_TRUE(EndPaint(window, &paint));
    EXPECT_FALSE(TextOutA(dc, 0, 0, "late", 4));  // the context ended with the paint
    ASSERT_EQ(sim::TextOuts().size(), 2u);
    const sim::TextOutCall& call = sim::TextOuts()[0];
    EXPECT_EQ(call.x, 10);
    EXPECT_EQ(call.y, 30);
    EXPECT_EQ(call.text, "Deferred  13:00:00");
    EXPECT_EQ(call.backgroundMode, OPAQUE);
    EXPECT_EQ(call.backgroundColour, RGB(1, 2, 3));
    EXPECT_EQ(call.textColour, RGB(200, 0, 0));
    EXPECT_EQ(sim::TextOuts()[1].text, "");
    EXPECT_EQ(sim::PaintCount(), 1);
    // Validated: no WM_PAINT follows until the window is invalidated again.
    sim::At(100, [window] { RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE); });
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(sim::Now(), 100u);
}

TEST_F(SimUserTest, TimeTextFollowsTheVirtualClock) {
    struct Case {
        const char* name;
        time_t start;
        DWORD at;
        const char* expected;
    } cases[] = {
        {"epoch", 0, 0, "Thu Jan  1 00:00:00 1970\n"},
        {"single-digit day, padded with a blank", 1700000000 - 13 * 86400, 0, "Wed Nov  1 22:13:20 2023\n"},
        {"milliseconds dropped", 1700000000, 1999, "Tue Nov 14 22:13:21 2023\n"},
        {"leading zeros in the time", 946717503, 0, "Sat Jan  1 09:05:03 2000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::SetClock(c.start);
        std::string text;
        sim::At(c.at, [&text] {
            time_t now = 0;
            const time_t returned = crt::time(&now);
            EXPECT_EQ(returned, now);
            text = crt::asctime(crt::localtime(&now));
        });
        MSG msg;
        GetMessageA(&msg, nullptr, 0, 0);  // runs the event, then finds nothing more to wait for
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(text.substr(11, 8).size(), 8u);
        sim::Reset();
    }
}

TEST_F(SimUserTest, PlannedFailuresReturnThePlannedValue) {
    const HWND window = CreateRecordingWindow();
    sim::FailCall("GetMessageA", 1, false, -1);
    sim::FailCall("PostMessageA", 1, true, 0);
    sim::FailCall("SetTimer", 1, false, 0);
    sim::FailCall("CreateWindowExA", 2, false, 0);  // the first made the window above
    sim::FailCall("localtime", 2, false, 0);
    sim::FailCall("MessageBoxA", 1, false, 0);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);
    EXPECT_FALSE(PostMessageA(window, WM_USER + 1, 0, 0));
    EXPECT_FALSE(PostMessageA(window, WM_USER + 1, 0, 0));  // for good
    EXPECT_EQ(SetTimer(window, 1, 500, nullptr), 0u);
    EXPECT_EQ(SetTimer(window, 1, 500, nullptr), 1u);  // once only
    EXPECT_EQ(CreateWindowExA(0, "Test Class", "t", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    time_t now = crt::time(nullptr);
    EXPECT_NE(crt::localtime(&now), nullptr);
    EXPECT_EQ(crt::localtime(&now), nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), 0);
    EXPECT_EQ(sim::CallCount("PostMessageA"), 2);
    // The failed posts queued nothing: the armed timer's tick is the first message.
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
}

// A misspelt name is refused at once; a plan that is never reached is named at the end.
TEST_F(SimUserTest, PlannedFailuresCannotMissSilently) {
    EXPECT_THROW(sim::FailCall("GetMessage", 1, false, 0), std::invalid_argument);
    EXPECT_THROW(sim::FailNextCall("postmessagea", false, 0), std::invalid_argument);
    EXPECT_THROW(sim::CallCount("SetTimers"), std::invalid_argument);
    sim::FailCall("KillTimer", 2, true, 0);
    sim::FailNextCall("PostQuitMessage", false, 0);
    PostQuitMessage(0);
    KillTimer(nullptr, 1);
    EXPECT_EQ(sim::UnfiredFailures(), std::vector<std::string>{"KillTimer call 2 and later"});
    KillTimer(nullptr, 1);
    EXPECT_TRUE(sim::UnfiredFailures().empty());
}

}  // namespace
