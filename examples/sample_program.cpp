// The sample disc's program (SAMPLE.EXE): one window that the launcher waits for, with a line of text.
//
// It ends when its window is closed. For runs nobody watches it can end by itself: a number of
// seconds as its argument (SAMPLE.EXE 5) or in the environment variable TAVIO_SAMPLE_SECONDS.
#include <windows.h>

#include "sample_disc.h"

namespace {

const UINT_PTR kEndTimer = 1;
const int kMostSeconds = 3600;

const char kLine[] = "The sample program is running. Close this window to end it.";

// The seconds to live named by text such as " 5"; 0 for none or out of range.
int SecondsIn(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    int seconds = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        seconds = seconds * 10 + (*text - '0');
        if (seconds > kMostSeconds) return 0;
    }
    return seconds;
}

int SecondsToLive(const char* commandLine) {
    int seconds = SecondsIn(commandLine);
    if (seconds > 0) return seconds;
    char value[16];
    DWORD got = GetEnvironmentVariableA("TAVIO_SAMPLE_SECONDS", value, sizeof value);
    return got > 0 && got < sizeof value ? SecondsIn(value) : 0;
}

LRESULT CALLBACK SampleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            KillTimer(window, wParam);
            DestroyWindow(window);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            DrawTextA(dc, kLine, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, oldFont);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showMode) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SampleWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = SAMPLE_PROGRAM_CLASS;
    if (!RegisterClassA(&windowClass)) return 1;

    const int width = 480, height = 160;
    HWND window = CreateWindowExA(
        0, SAMPLE_PROGRAM_CLASS, SAMPLE_PROGRAM_TITLE, WS_OVERLAPPEDWINDOW, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showMode);
    UpdateWindow(window);

    const int seconds = SecondsToLive(commandLine);
    if (seconds > 0) SetTimer(window, kEndTimer, seconds * 1000u, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
