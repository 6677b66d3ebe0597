// Deferral notices, the reveal gesture and the status lines.
#include "window/status_lines.h"

StatusDisplayState StatusDisplay;

namespace {

// The high bit of GetAsyncKeyState: the key is down now, at handling time.
bool KeyDown(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

template <size_t Size>
void DrawLine(HDC dc, int x, int y, const FixedText<Size>& line) {
    if (!line.Empty()) TextOutA(dc, x, y, line.CStr(), static_cast<int>(line.Length()));
}

}  // namespace

bool TimeOfDayText(FixedText<9>& text) {
    text.Clear();
    crt::time_t now = crt::time(nullptr);
    crt::tm* local = crt::localtime(&now);
    if (local == nullptr) return false;
    // "Wed Jan 02 09:05:03 1980\n": the time of day is the 8 characters after the first 11.
    const char* stamp = crt::asctime(local);
    if (stamp == nullptr) return false;
    for (int i = 0; i < 11; ++i) {
        if (stamp[i] == '\0') return false;
    }
    text.AssignPart(stamp + 11, 8);
    return text.Length() == 8;
}

namespace {

// The line as label and the time of day, or as its timeless form when there is no local time.
template <size_t Size>
void StampLine(FixedText<Size>& line, const char* label, const char* timeless) {
    FixedText<9> time;
    if (TimeOfDayText(time)) {
        line.Assign(label);
        line.Append(time.CStr());
    } else {
        line.Assign(timeless);
    }
}

}  // namespace

void MeasureDisplayDpi() {
    HDC screen = GetDC(nullptr);
    // Without a screen context GetDeviceCaps answers 0: drawn as at 96 DPI then.
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    StatusDisplay.Dpi = dpi > 96 ? dpi : 96;
}

int Scaled(int pixelsAt96) { return pixelsAt96 * StatusDisplay.Dpi / 96; }

void InitStatusLines() {
    StampLine(StatusDisplay.LaunchedLine, "Launched ", "Launched.");
    StatusDisplay.DeferredLine.Clear();
    StatusDisplay.WindowRevealed = false;
}

LRESULT HandleDeferralNotice(HWND window) {
    StampLine(StatusDisplay.DeferredLine, "Deferred  ", "Deferred.");

    // Ctrl is asked only while Shift is down.
    if (!StatusDisplay.WindowRevealed && KeyDown(VK_SHIFT) && KeyDown(VK_CONTROL)) {
        StatusDisplay.WindowRevealed = true;
        ShowWindow(window, StatusDisplay.StartShowMode);
        SetForegroundWindow(window);
    }
    // Also right after the reveal: a process started minimised comes up minimised and is
    // restored within the same notice.
    if (StatusDisplay.WindowRevealed) {
        if (IsIconic(window)) {
            ShowWindow(window, SW_RESTORE);
        } else {
            RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
        }
    }
    return 0;
}

LRESULT PaintStatusLines(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr) {
        // Black on opaque white, whatever the system window colour around the text.
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        // 20 pixels a line at 96 DPI: the system font's 16 and some space, at any scaling.
        const int x = Scaled(10);
        DrawLine(dc, x, x, StatusDisplay.LaunchedLine);
        DrawLine(dc, x, Scaled(30), StatusDisplay.DeferredLine);
    }
    EndPaint(window, &paint);
    return 0;
}
