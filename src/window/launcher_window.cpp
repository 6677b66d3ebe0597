// The launcher window: class, creation, lookups, deferral, the wait loop and the window procedure.
#include "window/launcher_window.h"

#include <stddef.h>

#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "window/status_lines.h"

WindowWaitState WindowWait;

namespace {

typedef ATOM(WINAPI* RegisterClassExFunction)(const WNDCLASSEXA*);

constexpr size_t ProcedureOffset = offsetof(WNDCLASSA, lpfnWndProc);
static_assert(offsetof(WNDCLASSEXA, hIconSm) - offsetof(WNDCLASSEXA, lpfnWndProc) == sizeof(WNDCLASSA) - ProcedureOffset,
              "WNDCLASSEXA holds WNDCLASSA's members from the procedure on, laid out alike");

// The close command goes through the queue so that messages already posted (a deferral
// notice, say) are handled first. Should the post fail, the window is destroyed here so
// that the loop still gets its quit request.
void CloseAfterQueuedMessages(HWND window) {
    if (!PostMessageA(window, WM_COMMAND, CloseCommand, 0)) DestroyWindow(window);
}

void WaitTick(HWND window) {
    if (WindowWait.ActiveWaitTarget == NoWait || WindowWait.WaitClass == nullptr) return;
    if (FindWindowA(WindowWait.WaitClass, WindowWait.WaitTitle) != nullptr) {
        DestroyWindow(window);
        return;
    }
    // Ticks handled, not time passed: a delayed tick delays the time-out too.
    if (WindowWait.Countdown > 0) {
        --WindowWait.Countdown;
        if (WindowWait.Countdown == 0) DestroyWindow(window);
    }
}

// The class and title settings of the window each wait target looks for, from Install32Window on.
struct WaitSettings {
    SettingText LauncherSettings::*WindowClass;
    SettingText LauncherSettings::*WindowTitle;
};
const WaitSettings WaitSettingsOf[] = {
    {&LauncherSettings::Install32WindowClass, &LauncherSettings::Install32WindowTitle},
    {&LauncherSettings::InstallNTWindowClass, &LauncherSettings::InstallNTWindowTitle},
    {&LauncherSettings::Run32WindowClass, &LauncherSettings::Run32WindowTitle},
    {&LauncherSettings::RunNTWindowClass, &LauncherSettings::RunNTWindowTitle},
};

// Starts the wait for target's window: its class and title, the countdown, the timer.
// False, with no wait in force, when there is nothing to wait for.
bool StartWait(int target) {
    if (target < Install32Window || target > RunNTWindow) return false;
    const SettingText* waitClass = &(Settings.*WaitSettingsOf[target - Install32Window].WindowClass);
    const SettingText* waitTitle = &(Settings.*WaitSettingsOf[target - Install32Window].WindowTitle);
    if (IsIgnoreMarker(waitClass->CStr())) return false;
    const LONG timeOut = Settings.WindowTimeOut;
    WindowWait.Countdown = (timeOut >= 1 && timeOut <= 15000) ? timeOut * 2 : -1;
    // Without the timer no tick would ever come: end as if there were nothing to wait for.
    if (SetTimer(WindowWait.LauncherWindow, WaitTimer, WaitTimerPeriod, nullptr) == 0) return false;
    WindowWait.ActiveWaitTarget = target;
    WindowWait.WaitClass = waitClass->CStr();
    WindowWait.WaitTitle = IsIgnoreMarker(waitTitle->CStr()) ? nullptr : waitTitle->CStr();
    return true;
}

}  // namespace

ATOM RegisterLauncherClass(HINSTANCE instance, const char* className) {
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = LauncherWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "GENERIC");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;

    // Only the 95/98 family (major version 4 and up with the high bit set) gets the small
    // icon. RegisterClassExA is looked up, not imported, so that the program still loads
    // where user32 lacks it.
    const DWORD version = GetVersion();
    const DWORD major = version & 0xFFu;
    if (IsWindows95Family(version) && major >= 4) {
        HMODULE user32 = GetModuleHandleA("USER32");
        FARPROC found = user32 != nullptr ? GetProcAddress(user32, "RegisterClassExA") : nullptr;
        if (found != nullptr) {
            RegisterClassExFunction registerClassEx =
                reinterpret_cast<RegisterClassExFunction>(reinterpret_cast<void (*)()>(found));
            WNDCLASSEXA extended;
            extended.cbSize = sizeof(WNDCLASSEXA);
            extended.style = windowClass.style;
            // From the procedure to the class name both structures hold the same members
            // in the same order: one block copy, smaller than ten member copies.
            __builtin_memcpy(&extended.lpfnWndProc, &windowClass.lpfnWndProc, sizeof(WNDCLASSA) - ProcedureOffset);
            extended.hIconSm = LoadIconA(instance, "SMALL");
            return registerClassEx(&extended);
        }
    }
    return RegisterClassA(&windowClass);
}

int CreateLauncherWindow(HINSTANCE instance, int showMode, const char* className) {
    // Never shown here: only the Shift+Ctrl gesture of a deferral notice reveals it. The
    // launcher is DPI-aware: its place and size are given at 96 DPI and scale with the display.
    MeasureDisplayDpi();
    const int corner = Scaled(50);
    HWND window = CreateWindowExA(0, className, LauncherTitleText, LauncherWindowStyle, corner, corner, Scaled(200),
                                  Scaled(80), nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    WindowWait.LauncherWindow = window;
    return 1;
}

bool FindRunningWindow(const char* className, const char* title) {
    if (IsIgnoreMarker(className)) className = nullptr;
    // A null class would match any window at all; it names none. FoundWindow keeps its value.
    if (className == nullptr) return false;
    if (IsIgnoreMarker(title)) title = nullptr;
    WindowWait.FoundWindow = FindWindowA(className, title);
    return WindowWait.FoundWindow != nullptr;
}

bool DeferToRunningLauncher() {
    if (!FindRunningWindow(Settings.LauncherWindowClass.CStr(), LauncherTitleText)) return false;
    // Posted, never sent: this instance must not block on the running one. A lost notice
    // (its window gone since the lookup) changes nothing for this instance.
    PostMessageA(WindowWait.FoundWindow, DeferralNotice, 0, 0);
    return true;
}

int WaitForProgramWindow(int target) {
    WindowWait.ActiveWaitTarget = NoWait;
    WindowWait.WaitClass = nullptr;
    WindowWait.WaitTitle = nullptr;
    // No window (never made, or revealed and closed by the user during an alert): nothing
    // could end a loop but a quit request that may or may not be queued, so do not block.
    if (WindowWait.LauncherWindow == nullptr) return 0;
    if (!StartWait(target)) CloseAfterQueuedMessages(WindowWait.LauncherWindow);

    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) {
            // The queue cannot be read: end now, and leave no window or timer behind.
            if (WindowWait.LauncherWindow != nullptr) DestroyWindow(WindowWait.LauncherWindow);
            return 0;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            if (WindowWait.ActiveWaitTarget != NoWait) KillTimer(window, WaitTimer);
            // A later wait must not start a timer on, or post to, a window that is gone.
            if (WindowWait.LauncherWindow == window) WindowWait.LauncherWindow = nullptr;
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            PaintStatusLines(window);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == CloseCommand) {
                DestroyWindow(window);
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_TIMER:
            WaitTick(window);
            return 0;
        case DeferralNotice:
            HandleDeferralNotice(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
