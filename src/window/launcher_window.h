// The hidden launcher window, its wait for the started program's window, window lookups and deferral.
#ifndef TAVIO_WINDOW_LAUNCHER_WINDOW_H
#define TAVIO_WINDOW_LAUNCHER_WINDOW_H

#include "platform/windows_api.h"

// NoWait is 0: the wait's state starts all zero, as constant initialisation leaves it.
enum WaitTarget { NoWait = 0, Install32Window = 1, InstallNTWindow = 2, Run32Window = 3, RunNTWindow = 4 };

constexpr UINT CloseCommand = 106;     // the one WM_COMMAND the window understands
constexpr UINT_PTR WaitTimer = 1;      // id of the half-second timer
constexpr UINT WaitTimerPeriod = 500;  // milliseconds
// A caption with the system menu and both boxes, a fixed frame, not visible.
constexpr DWORD LauncherWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// The window's title is LauncherTitleText, fixed, not a setting: a second instance looks for
// it together with LauncherWindowClass.

// The launcher window, the wait for the started program's window, and the last lookup.
struct WindowWaitState {
    HWND LauncherWindow;    // null before creation, and again once destroyed
    int ActiveWaitTarget;   // a WaitTarget: whether ticks act and the timer is stopped at destruction
    const char* WaitClass;  // a setting's own text, or null
    const char* WaitTitle;  // null: any title
    LONG Countdown;         // ticks left; -1: no limit
    HWND FoundWindow;       // result of the last FindRunningWindow lookup
};
extern WindowWaitState WindowWait;

// The class atom, 0 on failure.
ATOM RegisterLauncherClass(HINSTANCE instance, const char* className);
// 1 with LauncherWindow set, 0 on failure. showMode is not used: the window stays hidden.
int CreateLauncherWindow(HINSTANCE instance, int showMode, const char* className);
// "(ignore)" as class: false without a lookup; as title: any title.
bool FindRunningWindow(const char* className, const char* title);
// True when a running launcher was found and posted the deferral notice.
bool DeferToRunningLauncher();
// Runs the wait and the message loop until the window is destroyed; the quit code (0).
int WaitForProgramWindow(int target);
LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
