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
};
extern StatusDisplayState StatusDisplay;

void InitStatusLines();
LRESULT HandleDeferralNotice(HWND window);
LRESULT PaintStatusLines(HWND window);
// The local time of day as "hh:mm:ss"; false when there is no local time.
bool TimeOfDayText(FixedText<9>& text);

#endif
