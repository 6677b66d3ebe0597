// The floor of any launcher run: what every run must do and nothing else. It registers a
// window class, creates the hidden window, destroys it and runs the message loop to its end,
// started like the launcher (no C runtime start-up code), so that the benchmark compares the
// launcher with this rather than with a program that never touches the window system.
#include <windows.h>

static LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

extern "C" void WINAPI FloorEntry() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FloorWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Tavio Bench Floor";
    UINT code = 1;
    if (RegisterClassA(&windowClass) != 0) {
        HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Tavio Bench Floor", 0x00CB0000, 50, 50, 200, 80,
                                      nullptr, nullptr, instance, nullptr);
        if (window != nullptr) {
            DestroyWindow(window);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
            code = static_cast<UINT>(msg.wParam);
        }
    }
    ExitProcess(code);
}
