// Reading and answering another process's message box through its controls.
#include "message_box.h"

#include <algorithm>

namespace {

std::string WindowText(HWND window) {
    char text[8192];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool ClassIs(HWND window, const char* name) {
    char cls[64];
    return GetClassNameA(window, cls, sizeof cls) > 0 && lstrcmpiA(cls, name) == 0;
}

BOOL CALLBACK CollectButtons(HWND child, LPARAM param) {
    std::vector<HWND>* list = reinterpret_cast<std::vector<HWND>*>(param);
    if (ClassIs(child, "Button") && (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) list->push_back(child);
    return TRUE;
}

MessageBoxView ReadOnce(HWND window) {
    MessageBoxView box;
    box.window = window;
    box.caption = WindowText(window);
    HWND text = GetDlgItem(window, 0xFFFF);
    box.text = text ? WindowText(text) : "<no control 0xFFFF>";
    std::vector<HWND> list;
    EnumChildWindows(window, CollectButtons, reinterpret_cast<LPARAM>(&list));
    // Left to right, as the user reads them.
    std::sort(list.begin(), list.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    for (HWND b : list) {
        box.buttons.push_back(WindowText(b));
        box.buttonIds.push_back(GetDlgCtrlID(b));
        box.buttonWindows.push_back(b);
        if ((GetWindowLongA(b, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) box.defaultButton = box.buttons.back();
    }
    return box;
}

bool Same(const MessageBoxView& a, const MessageBoxView& b) {
    return a.caption == b.caption && a.text == b.text && a.buttons == b.buttons && a.defaultButton == b.defaultButton;
}

}  // namespace

bool IsMessageBoxWindow(HWND window) { return ClassIs(window, "#32770"); }

MessageBoxView ReadMessageBox(HWND window) {
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(window) && GetTickCount() - start < 3000 && IsWindow(window)) Sleep(10);
    MessageBoxView last = ReadOnce(window);
    for (int i = 0; i < 50; ++i) {
        Sleep(20);
        MessageBoxView now = ReadOnce(window);
        if (Same(now, last)) return now;
        last = now;
    }
    return last;
}

bool PressMessageBoxButton(const MessageBoxView& box, const std::string& answer) {
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        if (box.buttons[i] != answer) continue;
        PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(box.buttonIds[i], BN_CLICKED),
                     reinterpret_cast<LPARAM>(box.buttonWindows[i]));
        return true;
    }
    return false;
}
