// Another process's window on the screen: DPI, pixels, screenshots, and held keys.
#include "display_checks.h"

#include <cstdio>

namespace {

// Looked up: user32 has the DPI calls from Windows 10 1607 on, and Wine from version 4.
FARPROC User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

template <typename Function>
Function Lookup(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(User32Function(name)));
}

// The window's rectangle on the screen, copied into a top-down 32-bit DIB section.
bool CopyFromScreen(int left, int top, int width, int height, std::vector<DWORD>& pixels) {
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) pixels.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace

UINT WindowDpi(HWND window) {
    typedef UINT(WINAPI * GetDpiForWindowFunction)(HWND);
    GetDpiForWindowFunction getDpi = Lookup<GetDpiForWindowFunction>("GetDpiForWindow");
    return getDpi != nullptr ? getDpi(window) : 0;
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string WindowAwareness(HWND window) {
    // DPI_AWARENESS_CONTEXT and DPI_AWARENESS, spelt out: older headers lack them.
    typedef HANDLE(WINAPI * ContextFunction)(HWND);
    typedef int(WINAPI * AwarenessFunction)(HANDLE);
    ContextFunction contextOf = Lookup<ContextFunction>("GetWindowDpiAwarenessContext");
    AwarenessFunction awarenessOf = Lookup<AwarenessFunction>("GetAwarenessFromDpiAwarenessContext");
    if (contextOf == nullptr || awarenessOf == nullptr) return "unknown";
    switch (awarenessOf(contextOf(window))) {
        case 0: return "unaware";
        case 1: return "system";
        case 2: return "per-monitor";
        default: return "unknown";
    }
}

bool ReadClientPixels(HWND window, ClientPixels& out) {
    RECT client;
    POINT origin = {0, 0};
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return false;
    out.width = client.right;
    out.height = client.bottom;
    return CopyFromScreen(origin.x, origin.y, out.width, out.height, out.pixels);
}

int DarkPixels(const ClientPixels& client, int top, int bottom) {
    int dark = 0;
    for (int y = top < 0 ? 0 : top; y < bottom && y < client.height; ++y) {
        for (int x = 0; x < client.width; ++x) {
            const DWORD p = client.pixels[static_cast<size_t>(y) * client.width + x];
            const int grey = (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
            if (grey < 128) ++dark;
        }
    }
    return dark;
}

bool SaveWindowShot(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<DWORD> pixels;
    if (!CopyFromScreen(r.left, r.top, width, height, pixels)) return false;
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::vector<unsigned char> rows(info.biSizeImage, 0);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = &rows[static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const DWORD p = pixels[static_cast<size_t>(y) * width + x];
            row[3 * x] = static_cast<unsigned char>(p & 0xFF);
            row[3 * x + 1] = static_cast<unsigned char>((p >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<unsigned char>((p >> 16) & 0xFF);
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
              std::fwrite(rows.data(), 1, rows.size(), f) == rows.size();
    return std::fclose(f) == 0 && ok;
}

bool SendKeys(const std::vector<WORD>& keys, bool down) {
    std::vector<INPUT> inputs(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        // Released in the reverse order of pressing.
        inputs[i].ki.wVk = down ? keys[i] : keys[keys.size() - 1 - i];
        inputs[i].ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    }
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}
