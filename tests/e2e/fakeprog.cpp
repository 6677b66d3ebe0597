// The program the launcher starts in the Wine scenarios: logs how it was started, may open a window.
//
// Copied to whatever names a disc needs (SETUP.EXE, RUN32.EXE, a viewer). On start it appends
// one line "module|command line|current directory" to the log named by TAVIO_E2E_LOG
// (C:\e2e-run\fakeprog.log when unset), each taken in Unicode and written as the harness's
// texts are (wide_text.h), so that a folder named outside the ANSI code page shows as it is.
// A profile file beside it named after itself plus ".cfg" (D:\SETUP32\SETUP.EXE.cfg) may ask, in section [fake], for:
//   WindowClass, WindowTitle  a top-level window to open (nothing opens without a class)
//   WindowDelay               milliseconds from start to opening it
//   Stay                      milliseconds to live on after that (after start without window)
//   ExitCode                  the process exit code
#include <windows.h>

#include <string>

#include "wide_text.h"

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
    static wchar_t module[MAX_PATH], directory[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, directory);
    // The command line is kept to 4095 characters, as the log has always cut it.
    std::wstring commandLine = GetCommandLineW();
    if (commandLine.size() > 4095) commandLine.resize(4095);
    const std::string line = TextOf(module, lstrlenW(module)) + "|" + TextOf(commandLine) + "|" +
                             TextOf(directory, lstrlenW(directory)) + "\r\n";
    AppendToLog(line.data(), static_cast<DWORD>(line.size()));

    const std::wstring config = std::wstring(module) + L".cfg";
    wchar_t windowClassWide[256], windowTitleWide[256];
    GetPrivateProfileStringW(L"fake", L"WindowClass", L"", windowClassWide, 256, config.c_str());
    GetPrivateProfileStringW(L"fake", L"WindowTitle", L"", windowTitleWide, 256, config.c_str());
    const UINT delay = GetPrivateProfileIntW(L"fake", L"WindowDelay", 0, config.c_str());
    const UINT stay = GetPrivateProfileIntW(L"fake", L"Stay", 0, config.c_str());
    const int exitCode = static_cast<int>(GetPrivateProfileIntW(L"fake", L"ExitCode", 0, config.c_str()));
    // The window's class and title as the driver wrote them, in ANSI.
    char windowClass[256], windowTitle[256];
    WideCharToMultiByte(CP_ACP, 0, windowClassWide, -1, windowClass, sizeof windowClass, nullptr, nullptr);
    WideCharToMultiByte(CP_ACP, 0, windowTitleWide, -1, windowTitle, sizeof windowTitle, nullptr, nullptr);

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
