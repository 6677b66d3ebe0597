// Simulated GDI: the paint cycle and one device context whose text output is recorded.
#include "sim_user.h"

namespace sim {
namespace user {
namespace {

constexpr ULONG_PTR kPaintDc = 0xDC0000;
constexpr COLORREF kInvalidColour = 0xFFFFFFFF;  // CLR_INVALID
constexpr ULONG_PTR kScreenDc = 0xDC0001;

DeviceContext* OpenDc(HDC dc) {
    DeviceContext& context = User.dc;
    return reinterpret_cast<ULONG_PTR>(dc) == kPaintDc && context.open ? &context : nullptr;
}

// Sets one colour of an open device context: the previous colour, or CLR_INVALID.
COLORREF SwapColour(HDC dc, COLORREF DeviceContext::*colourOf, COLORREF colour) {
    DeviceContext* context = OpenDc(dc);
    if (context == nullptr) return kInvalidColour;
    const COLORREF previous = context->*colourOf;
    context->*colourOf = colour;
    return previous;
}

}  // namespace
}  // namespace user

const std::vector<TextOutCall>& TextOuts() { return user::User.textOuts; }
int PaintCount() { return user::User.paintCount; }
void SetDisplayDpi(int dpi) { user::User.displayDpi = dpi; }
int ScreenDcsHeld() { return user::User.screenDcs; }

}  // namespace sim

using sim::user::User;

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("BeginPaint", &planned))
        return reinterpret_cast<HDC>(static_cast<ULONG_PTR>(planned));
    sim::user::WindowRecord* record = sim::user::OwnWindow(window);
    if (record == nullptr || paint == nullptr) return nullptr;
    sim::user::UserState& user = User;
    record->needsPaint = false;
    user.paintsWithoutBeginPaint = 0;
    ++user.paintCount;
    // A fresh context each paint, in GDI's defaults: opaque, white behind black text.
    user.dc = sim::user::DeviceContext{};
    user.dc.open = true;
    user.dc.window = window;
    *paint = PAINTSTRUCT{};
    paint->hdc = reinterpret_cast<HDC>(sim::user::kPaintDc);
    paint->fErase = TRUE;  // the class background has been drawn
    paint->rcPaint.right = record->width;
    paint->rcPaint.bottom = record->height;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("EndPaint", &planned)) return static_cast<BOOL>(planned);
    User.dc.open = false;
    return TRUE;
}

int WINAPI SetBkMode(HDC dc, int mode) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("SetBkMode", &planned)) return static_cast<int>(planned);
    sim::user::DeviceContext* context = sim::user::OpenDc(dc);
    if (context == nullptr || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
    const int previous = context->backgroundMode;
    context->backgroundMode = mode;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC dc, COLORREF colour) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("SetBkColor", &planned)) return static_cast<COLORREF>(planned);
    return sim::user::SwapColour(dc, &sim::user::DeviceContext::backgroundColour, colour);
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("SetTextColor", &planned)) return static_cast<COLORREF>(planned);
    return sim::user::SwapColour(dc, &sim::user::DeviceContext::textColour, colour);
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("TextOutA", &planned)) return static_cast<BOOL>(planned);
    sim::user::DeviceContext* context = sim::user::OpenDc(dc);
    if (context == nullptr || length < 0 || (text == nullptr && length > 0)) return FALSE;
    sim::TextOutCall call;
    call.x = x;
    call.y = y;
    call.text = length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
    call.backgroundMode = context->backgroundMode;
    call.backgroundColour = context->backgroundColour;
    call.textColour = context->textColour;
    User.textOuts.push_back(call);
    return TRUE;
}

// Only the screen's context: the logic asks it for the display's DPI and nothing else.
HDC WINAPI GetDC(HWND window) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("GetDC", &planned)) return reinterpret_cast<HDC>(static_cast<ULONG_PTR>(planned));
    if (window != nullptr) return nullptr;
    ++User.screenDcs;
    return reinterpret_cast<HDC>(sim::user::kScreenDc);
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("ReleaseDC", &planned)) return static_cast<int>(planned);
    if (window != nullptr || reinterpret_cast<ULONG_PTR>(dc) != sim::user::kScreenDc || User.screenDcs == 0) return 0;
    --User.screenDcs;
    return 1;
}

int WINAPI GetDeviceCaps(HDC dc, int index) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("GetDeviceCaps", &planned)) return static_cast<int>(planned);
    const ULONG_PTR handle = reinterpret_cast<ULONG_PTR>(dc);
    const bool known = (handle == sim::user::kScreenDc && User.screenDcs > 0) || sim::user::OpenDc(dc) != nullptr;
    // Only the one index the logic asks; others, like an unknown context, answer 0.
    return known && index == LOGPIXELSY ? User.displayDpi : 0;
}
