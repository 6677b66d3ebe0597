// What another process's window looks like on the screen: its DPI, its pixels, a screenshot,
// and keys held as a user holds them. Shared by the scenario driver and the demo's helper.
#ifndef TAVIO_TESTS_E2E_DISPLAY_CHECKS_H
#define TAVIO_TESTS_E2E_DISPLAY_CHECKS_H

#include <windows.h>

#include <string>
#include <vector>

// The DPI the system gave the window (GetDpiForWindow), or 0 where user32 lacks the call.
UINT WindowDpi(HWND window);
// The DPI of this process's display (GetDeviceCaps of the screen's LOGPIXELSY).
int SystemDpi();
// The window's DPI awareness as a word: "unaware", "system", "per-monitor", or "unknown"
// where user32 cannot tell.
std::string WindowAwareness(HWND window);

// The window's client area as the screen shows it now, 32-bit pixels top-down (0x00RRGGBB).
struct ClientPixels {
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
};
bool ReadClientPixels(HWND window, ClientPixels& out);
// Pixels darker than mid-grey in the rows [top, bottom) of the client area.
int DarkPixels(const ClientPixels& client, int top, int bottom);

// Saves the window as the screen shows it (frame and caption included) as a 24-bit BMP.
bool SaveWindowShot(HWND window, const std::string& path);

// Presses (down) or releases the keys through SendInput, as the keyboard would.
bool SendKeys(const std::vector<WORD>& keys, bool down);

#endif
