// Deferral notices, the reveal gesture, and the two status lines.
#ifndef TAVIO_WINDOW_STATUS_LINES_H
#define TAVIO_WINDOW_STATUS_LINES_H

#include "platform/fixed_text.h"
#include "platform/windows_api.h"

constexpr UINT DeferralNotice = WM_USER + 1;  // 1025, wParam and lParam 0

struct StatusDisplayState {
    FixedText<18> LaunchedLine;  // "Launched hh:mm:ss" or "Launched."
    FixedText<19> DeferredLine;  // "Deferred  hh:mm:ss" or "Deferred.", empty before a notice
    bool WindowRevealed;         // shown by the Shift+Ctrl gesture; never cleared
    int StartShowMode;           // the show mode the process was started with
    int Dpi;                     // the display's dots per inch when the window was made, 96 or more
};
extern StatusDisplayState StatusDisplay;

void InitStatusLines();
// Reads the display's DPI into StatusDisplay.Dpi: the window and its lines scale with it.
void MeasureDisplayDpi();
// A length the window's layout gives at 96 DPI, at StatusDisplay.Dpi.
int Scaled(int pixelsAt96);
LRESULT HandleDeferralNotice(HWND window);
LRESULT PaintStatusLines(HWND window);
// The local time of day as "hh:mm:ss"; false when there is no local time.
bool TimeOfDayText(FixedText<9>& text);

#endif
