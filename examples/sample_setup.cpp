// The sample disc's installer (SETUP32\SETUP.EXE): copies the sample program and records where.
//
// It shows its window first, so that a launcher waiting for the installer's window is released
// at once, then copies PAYLOAD\SAMPLE.EXE from the disc into %ProgramFiles%\Tavio Sample, writes
// that folder to HKEY_CURRENT_USER\Software\Tavio Sample\Install Locations, value "Sample CD",
// and keeps its window up for two more seconds so that it is seen. Exit code 0 when installed.
#include <windows.h>

#include "sample_disc.h"

namespace {

const UINT_PTR kInstallTimer = 1;
const UINT_PTR kCloseTimer = 2;
const UINT kShownMs = 2000;
const UINT kFailureShownMs = 5000;

struct SetupState {
    char Status[2 * MAX_PATH + 100];  // the line the window shows
    int ExitCode;                     // 0 once installed
};
SetupState Setup = {"Installing the sample...", 1};

// The disc's root, ending in a backslash: two folders up from D:\SETUP32\SETUP.EXE.
bool DiscRoot(char* root, DWORD size) {
    DWORD got = GetModuleFileNameA(nullptr, root, size);
    if (got == 0 || got >= size) return false;
    for (int cut = 0; cut < 2; ++cut) {
        char* slash = nullptr;
        for (char* p = root; *p; ++p)
            if (*p == '\\') slash = p;
        if (!slash) return false;
        *slash = '\0';
    }
    lstrcatA(root, "\\");
    return true;
}

void Fail(const char* what, const char* path, DWORD error) {
    wsprintfA(Setup.Status, "Setup failed: %s %s (error %lu).", what, path, error);
    Setup.ExitCode = 1;
}

void Install() {
    char source[MAX_PATH], folder[MAX_PATH], target[MAX_PATH];
    if (!DiscRoot(source, sizeof source) ||
        lstrlenA(source) + sizeof SAMPLE_PAYLOAD_FOLDER "\\" SAMPLE_PROGRAM_FILE > sizeof source) {
        Fail("cannot find", "the disc", ERROR_PATH_NOT_FOUND);
        return;
    }
    lstrcatA(source, SAMPLE_PAYLOAD_FOLDER "\\" SAMPLE_PROGRAM_FILE);
    if (!SampleInstallFolder(folder, sizeof folder - sizeof "\\" SAMPLE_PROGRAM_FILE)) {
        Fail("cannot name", "the install folder", ERROR_BUFFER_OVERFLOW);
        return;
    }
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        Fail("cannot create", folder, GetLastError());
        return;
    }
    wsprintfA(target, "%s\\%s", folder, SAMPLE_PROGRAM_FILE);
    if (!CopyFileA(source, target, FALSE)) {
        Fail("cannot copy", source, GetLastError());
        return;
    }
    HKEY key;
    LONG status =
        RegCreateKeyExA(HKEY_CURRENT_USER, SAMPLE_LOCATION_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExA(key, SAMPLE_LOCATION_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                                lstrlenA(folder) + 1);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        Fail("cannot record the install folder under", "HKEY_CURRENT_USER\\" SAMPLE_LOCATION_KEY, status);
        return;
    }
    wsprintfA(Setup.Status, "The sample is installed in %s.", folder);
    Setup.ExitCode = 0;
}

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            KillTimer(window, wParam);
            if (wParam == kInstallTimer) {
                Install();
                InvalidateRect(window, nullptr, TRUE);
                SetTimer(window, kCloseTimer, Setup.ExitCode == 0 ? kShownMs : kFailureShownMs, nullptr);
            } else {
                DestroyWindow(window);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            InflateRect(&area, -16, -16);
            HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            DrawTextA(dc, Setup.Status, -1, &area, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
            SelectObject(dc, oldFont);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(Setup.ExitCode);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SetupWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = SAMPLE_SETUP_CLASS;
    if (!RegisterClassA(&windowClass)) return 1;

    const int width = 460, height = 150;
    HWND window =
        CreateWindowExA(0, SAMPLE_SETUP_CLASS, SAMPLE_SETUP_TITLE, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                        (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                        width, height, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showMode);
    UpdateWindow(window);
    // Copy from the first timer tick, once the window has been painted.
    SetTimer(window, kInstallTimer, 100, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return Setup.ExitCode;
}
