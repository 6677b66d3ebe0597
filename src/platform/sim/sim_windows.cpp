// Simulated USER windows: class registration, icons, top-level windows, lookup and showing.
#include <ctype.h>
#include <string.h>

#include <algorithm>

#include "sim_user.h"

namespace sim {
namespace internal {

void ResetUser() {
    user::UserState fresh;
    user::UserState& used = user::User;
    KeepBuffer(fresh.classes, used.classes);
    KeepBuffer(fresh.windows, used.windows);
    KeepBuffer(fresh.zOrder, used.zOrder);
    KeepBuffer(fresh.posted, used.posted);
    KeepBuffer(fresh.timers, used.timers);
    KeepBuffer(fresh.events, used.events);
    KeepBuffer(fresh.pendingWindows, used.pendingWindows);
    KeepBuffer(fresh.postedToOthers, used.postedToOthers);
    KeepBuffer(fresh.boxes, used.boxes);
    KeepBuffer(fresh.answers, used.answers);
    KeepBuffer(fresh.textOuts, used.textOuts);
    used = std::move(fresh);
}

}  // namespace internal

namespace user {
namespace {

constexpr ULONG_PTR kWindowBase = 0x10000;
constexpr size_t kMaxClassName = 255;  // longer names do not fit Windows' atom table

bool IsIntResource(LPCSTR name) { return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0; }

// How a resource or class name reads in the records: the text, or "#<id>" for an integer id.
std::string ResourceName(LPCSTR name) {
    if (name == nullptr) return std::string();
    if (IsIntResource(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

// A name's key in the atom table: upper case, made in a buffer kept for the purpose (looked
// up at every FindWindowA, once per timer tick of a wait, and for every class and window).
const std::string& AtomKey(std::string_view name) {
    static std::string key;
    key.assign(name);
    for (char& c : key) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return key;
}

ATOM AtomFor(const std::string& name) {
    UserState& user = User;
    const std::string& key = AtomKey(name);
    auto it = user.atoms.find(key);
    if (it != user.atoms.end()) return it->second;
    const ATOM atom = user.nextAtom++;
    user.atoms.emplace(key, atom);
    return atom;
}

ATOM FindAtom(const char* name) {
    const auto& atoms = User.atoms;
    auto it = atoms.find(AtomKey(name));
    return it == atoms.end() ? 0 : it->second;
}

ClassRecord* OwnClass(ATOM atom) {
    for (ClassRecord& record : User.classes)
        if (record.atom == atom) return &record;
    return nullptr;
}

// The class a name or MAKEINTATOM value names, or 0.
ATOM AtomOfClassArgument(LPCSTR className) {
    if (className == nullptr) return 0;
    if (IsIntResource(className)) return static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
    return FindAtom(className);
}

std::string ResourceOf(const void* handle) {
    if (handle == nullptr) return std::string();
    const auto& resources = User.resources;
    auto it = resources.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == resources.end() ? "<unknown handle>" : it->second;
}

ATOM Register(UINT cbSize, bool extended, UINT style, WNDPROC procedure, int classExtra, int windowExtra,
              HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background, LPCSTR menu, LPCSTR className,
              HICON smallIcon) {
    if (className == nullptr || IsIntResource(className) || className[0] == '\0' || strlen(className) > kMaxClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UserState& user = User;
    const ATOM existing = FindAtom(className);
    if (existing != 0 && OwnClass(existing) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ClassRecord record;
    record.atom = AtomFor(className);
    record.name = className;
    ClassInfo& info = record.info;
    info.registered = true;
    info.extended = extended;
    info.cbSize = cbSize;
    info.style = style;
    info.procedure = procedure;
    info.classExtra = classExtra;
    info.windowExtra = windowExtra;
    info.instance = instance;
    info.icon = ResourceOf(icon);
    info.smallIcon = ResourceOf(smallIcon);
    info.cursor = ResourceOf(cursor);
    info.background = reinterpret_cast<ULONG_PTR>(background);
    info.menu = ResourceName(menu);
    const ATOM atom = record.atom;
    user.classes.push_back(std::move(record));
    return atom;
}

WindowRecord* Record(HWND window) {
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(window);
    if (value < kWindowBase || (value - kWindowBase) % 4 != 0) return nullptr;
    const size_t index = (value - kWindowBase) / 4;
    auto& windows = User.windows;
    return index < windows.size() ? &windows[index] : nullptr;
}

size_t IndexOf(HWND window) { return (reinterpret_cast<ULONG_PTR>(window) - kWindowBase) / 4; }

HWND NewWindow(WindowRecord record) {
    UserState& user = User;
    user.windows.push_back(std::move(record));
    const size_t index = user.windows.size() - 1;
    user.zOrder.insert(user.zOrder.begin(), index);  // a new top-level window starts on top
    return HandleOf(index);
}

void RaiseToTop(size_t index) {
    auto& order = User.zOrder;
    order.erase(std::remove(order.begin(), order.end(), index), order.end());
    order.insert(order.begin(), index);
}

// One handle per resource name, as repeated loads of a shared icon give the same one.
ULONG_PTR FakeResource(LPCSTR name) {
    if (name == nullptr) return 0;
    UserState& user = User;
    const std::string resource = ResourceName(name);
    for (const auto& entry : user.resources)
        if (entry.second == resource) return entry.first;
    const ULONG_PTR handle = user.nextResource;
    user.nextResource += 4;
    user.resources[handle] = resource;
    return handle;
}

// How a name reads in the trace: as ResourceName, or "<null>" for none; an integer id's
// "#<id>" is kept in *number.
std::string_view ShownOrNull(LPCSTR text, std::string* number) {
    if (text == nullptr) return "<null>";
    if (IsIntResource(text)) return *number = ResourceName(text);
    return text;
}

}  // namespace

UserState User;

HWND HandleOf(size_t index) { return reinterpret_cast<HWND>(kWindowBase + 4 * index); }

WindowRecord* AnyWindow(HWND window) {
    WindowRecord* record = Record(window);
    return record != nullptr && record->exists ? record : nullptr;
}

WindowRecord* OwnWindow(HWND window) {
    WindowRecord* record = AnyWindow(window);
    return record != nullptr && record->ownProcess ? record : nullptr;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = OwnWindow(window);
    if (record == nullptr || record->procedure == nullptr) return 0;
    return record->procedure(window, message, wParam, lParam);
}

HWND AddForeignWindow(const std::string& className, const std::string& title, bool visible) {
    WindowRecord record;
    record.exists = true;
    record.ownProcess = false;
    record.className = className;
    record.atom = AtomFor(className);  // the other process registered it: the name is now known
    record.title = title;
    record.visible = visible;
    return NewWindow(std::move(record));
}

HWND NextWindowToPaint() {
    UserState& user = User;
    for (size_t index : user.zOrder) {
        const WindowRecord& record = user.windows[index];
        // A minimised window has no client area to paint; it waits for its restore.
        if (record.exists && record.ownProcess && record.visible && !record.iconic && record.needsPaint)
            return HandleOf(index);
    }
    return nullptr;
}

}  // namespace user

// ---- Test-facing control ----

HWND AddOtherProcessWindow(const char* className, const char* title, bool visible) {
    return user::AddForeignWindow(className != nullptr ? className : "", title != nullptr ? title : "", visible);
}

void RemoveOtherProcessWindow(HWND window) {
    user::WindowRecord* record = user::AnyWindow(window);
    if (record != nullptr && !record->ownProcess) record->exists = false;
}

WindowInfo Window(HWND window) {
    WindowInfo info{};
    info.lastShowCommand = -1;
    user::WindowRecord* record = user::OwnWindow(window);
    if (record == nullptr) return info;
    info.exists = true;
    info.className = record->className;
    info.title = record->title;
    info.style = record->style;
    info.exStyle = record->exStyle;
    info.x = record->x;
    info.y = record->y;
    info.width = record->width;
    info.height = record->height;
    info.visible = record->visible;
    info.iconic = record->iconic;
    info.foreground = record->foreground;
    info.lastShowCommand = record->lastShowCommand;
    return info;
}

ClassInfo Class(const char* className) {
    if (className != nullptr) {
        const ATOM atom = user::AtomOfClassArgument(className);
        if (atom != 0) {
            if (const user::ClassRecord* record = user::OwnClass(atom)) return record->info;
        }
    }
    ClassInfo none{};
    return none;
}

void UserMinimizes(HWND window) {
    user::WindowRecord* record = user::OwnWindow(window);
    if (record != nullptr && record->visible) record->iconic = true;
}

void UserCloses(HWND window) {
    // The close box's WM_SYSCOMMAND ends up as this WM_CLOSE, taken in turn with posted messages.
    if (user::OwnWindow(window) == nullptr) return;
    MSG msg{};
    msg.hwnd = window;
    msg.message = WM_CLOSE;
    msg.time = internal::Clock.now;
    user::User.posted.push_back(msg);
}

}  // namespace sim

using sim::user::User;
using sim::user::WindowRecord;

// ---- Win32 ----

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("LoadIconA", &planned))
        return reinterpret_cast<HICON>(static_cast<ULONG_PTR>(planned));
    return reinterpret_cast<HICON>(sim::user::FakeResource(name));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("LoadCursorA", &planned))
        return reinterpret_cast<HCURSOR>(static_cast<ULONG_PTR>(planned));
    return reinterpret_cast<HCURSOR>(sim::user::FakeResource(name));
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("RegisterClassA", &planned)) return static_cast<ATOM>(planned);
    if (windowClass == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string number;
    const LPCSTR name = windowClass->lpszClassName;
    sim::internal::AddTrace({"RegisterClassA ", name != nullptr ? sim::user::ShownOrNull(name, &number) : ""});
    return sim::user::Register(0, false, windowClass->style, windowClass->lpfnWndProc, windowClass->cbClsExtra,
                               windowClass->cbWndExtra, windowClass->hInstance, windowClass->hIcon,
                               windowClass->hCursor, windowClass->hbrBackground, windowClass->lpszMenuName,
                               windowClass->lpszClassName, nullptr);
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("RegisterClassExA", &planned)) return static_cast<ATOM>(planned);
    if (windowClass == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string number;
    const LPCSTR name = windowClass->lpszClassName;
    sim::internal::AddTrace({"RegisterClassExA ", name != nullptr ? sim::user::ShownOrNull(name, &number) : ""});
    // 48 is the record's size on 32-bit Windows, the product's; the host's record is wider.
    if (windowClass->cbSize != 48 && windowClass->cbSize != sizeof(WNDCLASSEXA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return sim::user::Register(windowClass->cbSize, true, windowClass->style, windowClass->lpfnWndProc,
                               windowClass->cbClsExtra, windowClass->cbWndExtra, windowClass->hInstance,
                               windowClass->hIcon, windowClass->hCursor, windowClass->hbrBackground,
                               windowClass->lpszMenuName, windowClass->lpszClassName, windowClass->hIconSm);
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("CreateWindowExA", &planned))
        return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(planned));
    std::string number;
    sim::internal::AddTrace({"CreateWindowExA ", sim::user::ShownOrNull(className, &number)});
    const ATOM atom = sim::user::AtomOfClassArgument(className);
    const sim::user::ClassRecord* windowClass = atom != 0 ? sim::user::OwnClass(atom) : nullptr;
    if (windowClass == nullptr) {
        SetLastError(sim::user::kErrorClassDoesNotExist);
        return nullptr;
    }
    WindowRecord record;
    record.exists = true;
    record.ownProcess = true;
    record.className = windowClass->name;
    record.atom = atom;
    record.title = title != nullptr ? title : "";
    record.style = style;
    record.exStyle = exStyle;
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    record.visible = (style & WS_VISIBLE) != 0;
    record.needsPaint = record.visible;
    record.procedure = windowClass->info.procedure;
    const HWND window = sim::user::NewWindow(std::move(record));
    // No CREATESTRUCT is built: lParam is 0, so a procedure must not read it.
    if (sim::user::Send(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR title) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("FindWindowA", &planned))
        return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(planned));
    std::string classNumber, titleNumber;
    sim::internal::AddTrace({"FindWindowA ", sim::user::ShownOrNull(className, &classNumber), "|",
                             sim::user::ShownOrNull(title, &titleNumber)});
    ATOM atom = 0;
    if (className != nullptr) {
        // Through the atom table: "" and a name no process registered match no window at all.
        atom = sim::user::AtomOfClassArgument(className);
        if (atom == 0 || (!sim::user::IsIntResource(className) && className[0] == '\0')) {
            SetLastError(sim::user::kErrorClassDoesNotExist);
            return nullptr;
        }
    }
    sim::user::UserState& user = User;
    for (size_t index : user.zOrder) {
        const WindowRecord& record = user.windows[index];
        if (!record.exists) continue;
        if (className != nullptr && record.atom != atom) continue;
        // The stored text, whole and ignoring case; "" matches only windows without text.
        if (title != nullptr && sim::internal::CompareNoCase(record.title, title) != 0) continue;
        return sim::user::HandleOf(index);
    }
    return nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("DestroyWindow", &planned)) return static_cast<BOOL>(planned);
    sim::internal::AddTrace({"DestroyWindow"});
    WindowRecord* record = sim::user::AnyWindow(window);
    if (record == nullptr || record->destroying) {
        SetLastError(sim::user::kErrorInvalidWindowHandle);
        return FALSE;
    }
    if (!record->ownProcess) {
        SetLastError(ERROR_ACCESS_DENIED);  // another thread's window cannot be destroyed from here
        return FALSE;
    }
    record->destroying = true;
    record->visible = false;
    sim::user::Send(window, WM_DESTROY, 0, 0);
    // The procedure may have created windows meanwhile: look the record up again.
    record = sim::user::Record(window);
    record->exists = false;
    record->destroying = false;
    record->foreground = false;
    sim::user::ForgetWindowMessages(window);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("DefWindowProcA", &planned)) return static_cast<LRESULT>(planned);
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) sim::user::Send(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_PAINT: {
            // Validates, so a procedure that leaves painting to the default gets no endless WM_PAINT.
            PAINTSTRUCT paint;
            if (BeginPaint(window, &paint) != nullptr) EndPaint(window, &paint);
            return 0;
        }
        default:
            return 0;
    }
}

BOOL WINAPI ShowWindow(HWND window, int show) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("ShowWindow", &planned)) return static_cast<BOOL>(planned);
    WindowRecord* record = sim::user::OwnWindow(window);
    if (record == nullptr) {
        SetLastError(sim::user::kErrorInvalidWindowHandle);
        return FALSE;
    }
    const bool wasVisible = record->visible;
    const bool wasIconic = record->iconic;
    switch (show) {
        case SW_HIDE:
            record->visible = false;
            break;
        case SW_SHOWNORMAL:
        case SW_SHOWDEFAULT:  // the process was started without a show command: normal
        case SW_SHOWMAXIMIZED:
        case SW_SHOWNOACTIVATE:
        case SW_RESTORE:
            record->visible = true;
            record->iconic = false;
            break;
        case SW_SHOW:
        case SW_SHOWNA:
            record->visible = true;
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
            record->visible = true;
            record->iconic = true;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
    }
    record->lastShowCommand = show;
    if (record->visible && (!wasVisible || wasIconic != record->iconic)) record->needsPaint = true;
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("SetForegroundWindow", &planned)) return static_cast<BOOL>(planned);
    WindowRecord* record = sim::user::AnyWindow(window);
    if (record == nullptr) return FALSE;
    for (WindowRecord& other : User.windows) other.foreground = false;
    record->foreground = true;
    sim::user::RaiseToTop(sim::user::IndexOf(window));
    return TRUE;
}

BOOL WINAPI IsIconic(HWND window) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("IsIconic", &planned)) return static_cast<BOOL>(planned);
    const WindowRecord* record = sim::user::AnyWindow(window);
    return record != nullptr && record->iconic ? TRUE : FALSE;
}

BOOL WINAPI RedrawWindow(HWND window, const RECT* update, HRGN region, UINT flags) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("RedrawWindow", &planned)) return static_cast<BOOL>(planned);
    WindowRecord* record = sim::user::OwnWindow(window);
    if (record == nullptr) {
        SetLastError(sim::user::kErrorInvalidWindowHandle);
        return FALSE;
    }
    if ((flags & (RDW_INVALIDATE | RDW_INTERNALPAINT)) != 0) record->needsPaint = true;
    return TRUE;
}
