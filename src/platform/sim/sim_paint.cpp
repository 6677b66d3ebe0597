// Simulated GDI: the paint cycle and one device context whose text output is recorded.
#include "sim_user.h"

namespace sim {
namespace user {
namespace {

constexpr ULONG_PTR kPaintDc = 0xDC0000;
constexpr COLORREF kInvalidColour = 0xFFFFFFFF;  // CLR_INVALID

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
