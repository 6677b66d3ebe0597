// Simulated message queue: posting, GetMessageA's order, timers on the virtual clock, modal boxes.
#include <algorithm>

#include "sim_user.h"

namespace sim {
namespace user {
namespace {

constexpr UINT kTimerMinimum = 10;  // Windows raises shorter periods to 10 ms
constexpr UINT kTimerMaximum = 0x7FFFFFFF;
// A procedure that never validates would get WM_PAINT forever, as on Windows; the simulation
// stops it instead of spinning.
constexpr int kPaintLoopLimit = 1000;

std::string Number(long long value) { return std::to_string(value); }

MSG Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = internal::Clock.now;
    return msg;
}

// The next message ready now, in Windows' order: posted, quit, paint, timer.
bool TakeReady(MSG* msg, bool* paintLoop) {
    UserState& user = User;
    if (!user.posted.empty()) {
        *msg = user.posted.front();
        user.posted.erase(user.posted.begin());
        return true;
    }
    if (user.quitPending) {
        // Taken once: the request is then spent.
        user.quitPending = false;
        *msg = Message(nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<LONG_PTR>(user.quitCode)), 0);
        return true;
    }
    if (HWND window = NextWindowToPaint()) {
        if (++user.paintsWithoutBeginPaint > kPaintLoopLimit) {
            *paintLoop = true;
            return false;
        }
        *msg = Message(window, WM_PAINT, 0, 0);
        return true;
    }
    const unsigned long long now = internal::Clock.now;
    TimerRecord* due = nullptr;
    for (TimerRecord& timer : user.timers)
        if (timer.due <= now && (due == nullptr || timer.due < due->due)) due = &timer;
    if (due != nullptr) {
        // One WM_TIMER however many periods have passed; the next expiry stays on the period grid.
        while (due->due <= now) due->due += due->period;
        *msg = Message(due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->callback));
        internal::NoteTimerTick();
        return true;
    }
    return false;
}

// The virtual time at which something next happens, if anything will.
bool NextWake(unsigned long long* when) {
    const UserState& user = User;
    bool found = false;
    for (const TimerRecord& timer : user.timers) {
        if (!found || timer.due < *when) *when = timer.due;
        found = true;
    }
    if (!user.events.empty()) {
        const unsigned long long at = std::max<unsigned long long>(user.events.front().at, internal::Clock.now);
        if (!found || at < *when) *when = at;
        found = true;
    }
    return found;
}

void RunDueEvents() {
    UserState& user = User;
    while (!user.events.empty() && user.events.front().at <= internal::Clock.now) {
        std::function<void()> action = std::move(user.events.front().action);
        user.events.erase(user.events.begin());
        action();  // may schedule more, post, or add windows
    }
}

BOOL EndEndlessWait(MSG* msg, const std::string& why) {
    internal::AddFailure(why);
    *msg = Message(nullptr, WM_QUIT, kDeadlockExitCode, 0);
    return 0;
}

// The box's own loop: posted messages and paints for the thread's windows, no timers.
// Returns true when a quit request is pending, which ends the box.
bool RunModalLoop() {
    UserState& user = User;
    for (;;) {
        if (user.quitPending) return true;
        if (!user.posted.empty()) {
            const MSG msg = user.posted.front();
            user.posted.erase(user.posted.begin());
            DispatchMessageA(&msg);
            continue;
        }
        if (HWND window = NextWindowToPaint()) {
            if (++user.paintsWithoutBeginPaint > kPaintLoopLimit) {
                internal::AddFailure("WM_PAINT keeps coming inside a message box: the window is never validated");
                return false;
            }
            Send(window, WM_PAINT, 0, 0);
            continue;
        }
        return false;
    }
}

// What the user's answer gives for this box's buttons.
int ResolveAnswer(int answer, UINT type, const std::string& caption) {
    const UINT buttons = type & 0xF;
    if (answer == kCloseBox) return buttons == MB_OK ? IDOK : IDCANCEL;
    if (buttons == MB_OK && answer != IDOK) {
        internal::AddFailure("MessageBoxA \"" + caption + "\": answer " + Number(answer) +
                             " is not a button of an OK box");
        return IDOK;
    }
    if (buttons == MB_OKCANCEL && answer != IDOK && answer != IDCANCEL) {
        internal::AddFailure("MessageBoxA \"" + caption + "\": answer " + Number(answer) +
                             " is not a button of an OK/Cancel box");
        return IDCANCEL;
    }
    return answer;
}

}  // namespace

void ForgetWindowMessages(HWND window) {
    UserState& user = User;
    user.posted.erase(
        std::remove_if(user.posted.begin(), user.posted.end(), [window](const MSG& msg) { return msg.hwnd == window; }),
        user.posted.end());
    user.timers.erase(std::remove_if(user.timers.begin(), user.timers.end(),
                                     [window](const TimerRecord& timer) { return timer.window == window; }),
                      user.timers.end());
}

}  // namespace user

namespace internal {

void ScheduleWindowAfterTicks(const std::string& className, const std::string& title, int ticks) {
    user::UserState& user = user::User;
    if (ticks <= 0) {
        user::AddForeignWindow(className, title, true);
        return;
    }
    user.pendingWindows.push_back({className, title, user.timerTicks + ticks});
}

// Counted when GetMessageA hands the WM_TIMER out, so a window due after n ticks is
// already there when the n-th tick is handled.
void NoteTimerTick() {
    user::UserState& user = user::User;
    ++user.timerTicks;
    std::vector<user::PendingWindow> waiting;
    for (const user::PendingWindow& pending : user.pendingWindows) {
        if (pending.tickCount <= user.timerTicks) user::AddForeignWindow(pending.className, pending.title, true);
        else waiting.push_back(pending);
    }
    user.pendingWindows = waiting;
}

bool RunNextEventBy(unsigned long long latest) {
    user::UserState& user = user::User;
    if (user.events.empty()) return false;
    const unsigned long long at = std::max<unsigned long long>(user.events.front().at, Clock.now);
    if (at > latest) return false;
    Clock.now = static_cast<DWORD>(at);
    user::RunDueEvents();
    return true;
}

}  // namespace internal

int TimerTicks() { return user::User.timerTicks; }

void At(DWORD milliseconds, std::function<void()> action) {
    auto& events = user::User.events;
    auto later = std::upper_bound(events.begin(), events.end(), milliseconds,
                                  [](DWORD at, const user::ScheduledEvent& event) { return at < event.at; });
    events.insert(later, user::ScheduledEvent{milliseconds, std::move(action)});
}

const std::vector<PostedMessage>& PostedToOtherProcesses() { return user::User.postedToOthers; }

void AnswerMessageBoxes(const std::vector<int>& answers) { user::User.answers.assign(answers.begin(), answers.end()); }
void SetMessageBoxScript(MessageBoxScript script) { user::User.script = std::move(script); }
const std::vector<MessageBoxCall>& MessageBoxes() { return user::User.boxes; }

}  // namespace sim

using sim::user::User;

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("PostMessageA", &planned)) return static_cast<BOOL>(planned);
    sim::internal::AddTrace({"PostMessageA ", sim::user::Number(message)});
    sim::user::UserState& user = User;
    if (window != nullptr) {
        const sim::user::WindowRecord* record = sim::user::AnyWindow(window);
        if (record == nullptr) {
            SetLastError(sim::user::kErrorInvalidWindowHandle);
            return FALSE;
        }
        if (!record->ownProcess) {
            user.postedToOthers.push_back({window, message, wParam, lParam});
            return TRUE;
        }
    }
    // A null window posts to the thread itself, as PostThreadMessage would.
    user.posted.push_back(sim::user::Message(window, message, wParam, lParam));
    return TRUE;
}

void WINAPI PostQuitMessage(int code) {
    sim::internal::PlannedFailure("PostQuitMessage", nullptr);
    sim::internal::AddTrace({"PostQuitMessage ", sim::user::Number(code)});
    // A flag, not a queued message: it waits behind every posted message and the latest code wins.
    User.quitPending = true;
    User.quitCode = code;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT first, UINT last) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("GetMessageA", &planned)) return static_cast<BOOL>(planned);
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (window != nullptr || first != 0 || last != 0)
        sim::internal::AddFailure("GetMessageA with a window or message filter is not simulated");
    for (;;) {
        bool paintLoop = false;
        if (sim::user::TakeReady(msg, &paintLoop)) return msg->message == WM_QUIT ? 0 : TRUE;
        if (paintLoop)
            return sim::user::EndEndlessWait(msg, "GetMessageA: WM_PAINT keeps coming, the window is never validated");
        unsigned long long wake = 0;
        if (!sim::user::NextWake(&wake))
            return sim::user::EndEndlessWait(
                msg, "GetMessageA would wait forever at " + sim::user::Number(sim::internal::Clock.now) +
                         " ms: no message posted, no quit requested, no timer running, nothing scheduled");
        if (wake > sim::internal::Clock.cap)
            return sim::user::EndEndlessWait(msg, "GetMessageA: virtual time would pass the cap of " +
                                                      sim::user::Number(sim::internal::Clock.cap) + " ms");
        sim::internal::Clock.now = static_cast<DWORD>(wake);
        sim::user::RunDueEvents();
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("TranslateMessage", &planned)) return static_cast<BOOL>(planned);
    return FALSE;  // no keyboard input reaches the simulated queue, so there is nothing to translate
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("DispatchMessageA", &planned)) return static_cast<LRESULT>(planned);
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    return sim::user::Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC callback) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("SetTimer", &planned)) return static_cast<UINT_PTR>(planned);
    sim::internal::AddTrace(
        {"SetTimer ", sim::user::Number(static_cast<long long>(id)), " ", sim::user::Number(period)});
    sim::user::UserState& user = User;
    if (window != nullptr && sim::user::OwnWindow(window) == nullptr) {
        SetLastError(sim::user::kErrorInvalidWindowHandle);
        return 0;
    }
    if (window == nullptr) id = user.nextThreadTimer--;  // a thread timer gets an id of its own
    period = std::min(std::max(period, sim::user::kTimerMinimum), sim::user::kTimerMaximum);
    const unsigned long long due = static_cast<unsigned long long>(sim::internal::Clock.now) + period;
    for (sim::user::TimerRecord& timer : user.timers) {
        if (timer.window == window && timer.id == id) {
            // Setting an existing timer again restarts it with the new period.
            timer.period = period;
            timer.due = due;
            timer.callback = callback;
            return id != 0 ? id : 1;
        }
    }
    user.timers.push_back({window, id, period, due, callback});
    return id != 0 ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("KillTimer", &planned)) return static_cast<BOOL>(planned);
    sim::internal::AddTrace({"KillTimer ", sim::user::Number(static_cast<long long>(id))});
    auto& timers = User.timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->window == window && it->id == id) {
            timers.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    long long planned = 0;
    if (sim::internal::PlannedFailure("MessageBoxA", &planned)) return static_cast<int>(planned);
    sim::user::UserState& user = User;
    // Recorded at once, so boxes opened from inside this one's loop come after it; looked
    // up by index from then on, since those boxes may move the records.
    const size_t index = user.boxes.size();
    user.boxes.emplace_back();
    sim::MessageBoxCall& call = user.boxes.back();
    call.ownerNull = owner == nullptr;
    call.caption = caption != nullptr ? caption : "Error";  // Windows' caption when none is given
    call.text = text != nullptr ? text : "";
    call.type = type;
    call.answer = IDOK;
    call.endedByQuit = false;
    sim::internal::AddTrace({"MessageBoxA ", call.caption});
    if (user.quitPending) {
        // The box ends before the user sees it: no scripted answer is used up.
        user.boxes[index].endedByQuit = true;
        return IDOK;
    }
    int answer = IDOK;
    if (!user.answers.empty()) {
        answer = user.answers.front();
        user.answers.erase(user.answers.begin());
    }
    if (user.script) {
        sim::MessageBoxCall view = user.boxes[index];
        view.answer = answer;
        sim::MessageBoxScript script = user.script;  // the script may replace itself
        script(view, answer);
    }
    // The quit request stays pending when it ends the box: the next GetMessageA and every
    // later box see it too.
    if (sim::user::RunModalLoop()) {
        user.boxes[index].endedByQuit = true;
        user.boxes[index].answer = IDOK;
        return IDOK;
    }
    answer = sim::user::ResolveAnswer(answer, type, user.boxes[index].caption);
    user.boxes[index].answer = answer;
    return answer;
}
