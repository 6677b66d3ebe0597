// The program the launcher starts in the Wine scenarios: logs how it was started, may open a window.
//
// Copied to whatever names a disc needs (SETUP.EXE, RUN32.EXE, a viewer). On start it appends
// one line "module|command line|current directory" to the log named by TAVIO_E2E_LOG
// (C:\e2e-run\fakeprog.log when unset). A profile file beside it named after itself plus
// ".cfg" (D:\SETUP32\SETUP.EXE.cfg) may ask, in section [fake], for:
//   WindowClass, WindowTitle  a top-level window to open (nothing opens without a class)
//   WindowDelay               milliseconds from start to opening it
//   Stay                      milliseconds to live on after that (after start without window)
//   ExitCode                  the process exit code
#include <windows.h>

static const char kDefaultLog[] = "C:\\e2e-run\\fakeprog.log";

static void AppendToLog(const char* line, DWORD length) {
    char log[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("TAVIO_E2E_LOG", log, sizeof log);
    if (got == 0 || got >= sizeof log) lstrcpyA(log, kDefaultLog);
    // The driver may be reading the log, or a second copy of us writing it: retry briefly.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, length, &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(20);
    }
}

static LRESULT CALLBACK FakeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Keeps the thread's windows answering until the deadline (GetTickCount time) has passed.
static void PumpUntil(DWORD deadline) {
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static char module[MAX_PATH], directory[MAX_PATH], line[3 * 4096];
    GetModuleFileNameA(nullptr, module, sizeof module);
    GetCurrentDirectoryA(sizeof directory, directory);
    wsprintfA(line, "%s|", module);
    // wsprintfA stops at 1024 characters: the command line is appended by hand.
    lstrcpynA(line + lstrlenA(line), GetCommandLineA(), 4096);
    lstrcatA(line, "|");
    lstrcatA(line, directory);
    lstrcatA(line, "\r\n");
    AppendToLog(line, lstrlenA(line));

    char config[MAX_PATH + 8];
    lstrcpyA(config, module);
    lstrcatA(config, ".cfg");
    char windowClass[256], windowTitle[256];
    GetPrivateProfileStringA("fake", "WindowClass", "", windowClass, sizeof windowClass, config);
    GetPrivateProfileStringA("fake", "WindowTitle", "", windowTitle, sizeof windowTitle, config);
    const UINT delay = GetPrivateProfileIntA("fake", "WindowDelay", 0, config);
    const UINT stay = GetPrivateProfileIntA("fake", "Stay", 0, config);
    const int exitCode = static_cast<int>(GetPrivateProfileIntA("fake", "ExitCode", 0, config));

    if (windowClass[0] != '\0') {
        PumpUntil(GetTickCount() + delay);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = FakeWindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = windowClass;
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, windowClass, windowTitle, WS_OVERLAPPEDWINDOW, 100, 100, 240, 120,
                                      nullptr, nullptr, instance, nullptr);
        if (window != nullptr) ShowWindow(window, SW_SHOWNORMAL);
    }
    PumpUntil(GetTickCount() + stay);
    return exitCode;
}
