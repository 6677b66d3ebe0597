// The window side's shared state: classes, windows, the queue, timers, boxes and painting.
#ifndef TAVIO_PLATFORM_SIM_SIM_USER_H
#define TAVIO_PLATFORM_SIM_SIM_USER_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim_internal.h"

namespace sim {
namespace user {

// Error codes Windows sets here that the logic's header has no name for.
constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorClassDoesNotExist = 1411;

struct WindowRecord {
    bool exists = false;
    bool ownProcess = false;
    bool destroying = false;  // WM_DESTROY is being delivered: a nested DestroyWindow must not run twice
    std::string className;
    ATOM atom = 0;
    std::string title;
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool visible = false;
    bool iconic = false;
    bool foreground = false;
    int lastShowCommand = -1;
    bool needsPaint = false;  // has an update region
    WNDPROC procedure = nullptr;
};

struct ClassRecord {
    ATOM atom = 0;
    ClassInfo info;
    std::string name;
};

struct TimerRecord {
    HWND window;
    UINT_PTR id;
    UINT period;
    unsigned long long due;  // wider than the clock, so a late expiry cannot wrap
    TIMERPROC callback;
};

struct ScheduledEvent {
    DWORD at;
    std::function<void()> action;
};

struct PendingWindow {
    std::string className, title;
    int tickCount;  // appears once TimerTicks reaches this
};

struct DeviceContext {
    bool open = false;
    HWND window = nullptr;
    int backgroundMode = OPAQUE;
    COLORREF backgroundColour = 0x00FFFFFF;
    COLORREF textColour = 0;
};

struct UserState {
    // Atom table shared by every process: a class name known anywhere has one atom.
    std::map<std::string, ATOM> atoms;  // key: upper-case name
    ATOM nextAtom = 0xC000;
    std::vector<ClassRecord> classes;            // this process's
    std::map<ULONG_PTR, std::string> resources;  // fake icon/cursor handle -> resource name
    ULONG_PTR nextResource = 0x20000;

    std::vector<WindowRecord> windows;  // handle = kWindowBase + 4 * index
    std::vector<size_t> zOrder;         // indices, topmost first

    // Vectors, not deques: a short queue, and a new one costs no allocation at every reset.
    std::vector<MSG> posted;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<TimerRecord> timers;
    UINT_PTR nextThreadTimer = 0x7FFF;   // ids for SetTimer(NULL, ...), counted down
    std::vector<ScheduledEvent> events;  // in time order, ties in insertion order
    std::vector<PendingWindow> pendingWindows;
    int timerTicks = 0;
    int paintsWithoutBeginPaint = 0;  // WM_PAINTs handed out since the last BeginPaint
    std::vector<PostedMessage> postedToOthers;

    std::vector<MessageBoxCall> boxes;
    std::vector<int> answers;
    MessageBoxScript script;

    DeviceContext dc;
    int displayDpi = 96;  // LOGPIXELSY of the screen
    int screenDcs = 0;    // GetDC(NULL) handed out and not released
    std::vector<TextOutCall> textOuts;
    int paintCount = 0;
};

extern UserState User;

// This process's live window behind a handle, or null.
WindowRecord* OwnWindow(HWND window);
// Any live window (this or another process), or null.
WindowRecord* AnyWindow(HWND window);
HWND HandleOf(size_t index);
// Calls the window procedure directly, as SendMessage does on the window's own thread.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Messages for a destroyed window are dropped with it, as Windows' queue cleanup does.
void ForgetWindowMessages(HWND window);
// A window of another process, as AddOtherProcessWindow makes it.
HWND AddForeignWindow(const std::string& className, const std::string& title, bool visible);
// The own visible window next to paint, or null.
HWND NextWindowToPaint();

}  // namespace user
}  // namespace sim

#endif
