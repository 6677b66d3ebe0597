// The simulation's shared machinery: the reset, planned failures, trace, failures, clock, last error.
#include <ctype.h>
#include <stdint.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "sim_internal.h"

namespace sim {
namespace internal {
namespace {

struct PlannedCall {
    int nth;
    bool forever;
    long long value;
    DWORD error;
    bool fired;
};

// Every call a failure can be planned for: the names PlannedFailure is called with.
const char* const kFailableCalls[] = {
    "BeginPaint",
    "CloseHandle",
    "CreateMutexA",
    "CreateWindowExA",
    "DefWindowProcA",
    "DestroyWindow",
    "DispatchMessageA",
    "EndPaint",
    "ExpandEnvironmentStringsA",
    "FindExecutableA",
    "FindWindowA",
    "GetAsyncKeyState",
    "GetFileAttributesA",
    "GetMessageA",
    "GetModuleFileNameA",
    "GetModuleHandleA",
    "GetPrivateProfileStringA",
    "GetProcAddress",
    "GetShortPathNameA",
    "GetVersion",
    "IsIconic",
    "KillTimer",
    "LoadCursorA",
    "LoadIconA",
    "MessageBoxA",
    "MultiByteToWideChar",
    "OpenFile",
    "PostMessageA",
    "PostQuitMessage",
    "RedrawWindow",
    "RegCloseKey",
    "RegOpenKeyExA",
    "RegQueryValueExA",
    "RegisterClassA",
    "RegisterClassExA",
    "ReleaseMutex",
    "SetBkColor",
    "SetBkMode",
    "SetForegroundWindow",
    "SetTextColor",
    "SetTimer",
    "ShellExecuteA",
    "ShowWindow",
    "TextOutA",
    "TranslateMessage",
    "WaitForSingleObject",
    "WritePrivateProfileStringA",
    "WritePrivateProfileStringW",
    "asctime",
    "localtime",
    "lstrcmpiA",
    "time",
};

bool Failable(std::string_view function) {
    return std::find(std::begin(kFailableCalls), std::end(kFailableCalls), function) != std::end(kFailableCalls);
}

// A name no call answers to would plan a failure that never fires, or count calls that
// never come: the test is wrong, and ends here rather than pass for the wrong reason.
void RequireFailable(const char* caller, const char* function) {
    if (function == nullptr || !Failable(function))
        throw std::invalid_argument(std::string(caller) + ": the simulated Windows has no call named \"" +
                                    (function != nullptr ? function : "<null>") + "\"");
}

struct CoreState {
    // Transparent comparison: a call is counted without making a string of its name.
    std::map<std::string, int, std::less<>> counts;
    // Each caller names its function by a string literal: its address finds the count
    // without comparing names, in a small table indexed by the address. Entries stay
    // valid because counts never drops a name.
    struct LiteralCount {
        const char* literal = nullptr;
        int* count = nullptr;
    };
    LiteralCount countOfLiteral[256];
    std::multimap<std::string, PlannedCall, std::less<>> plans;
    std::vector<std::string> trace;
    std::vector<std::string> failures;
    DWORD lastError = 0;
};

CoreState Core;

}  // namespace

ClockState Clock;

bool PlannedFailure(const char* function, long long* value) {
    CoreState& core = Core;
    CoreState::LiteralCount& slot = core.countOfLiteral[(reinterpret_cast<uintptr_t>(function) >> 2) & 255];
    if (slot.literal != function) {
        if (!Failable(function)) AddFailure(std::string(function) + " can fail but is missing from kFailableCalls");
        auto counted = core.counts.find(std::string_view(function));
        if (counted == core.counts.end()) counted = core.counts.emplace(function, 0).first;
        slot.literal = function;
        slot.count = &counted->second;
    }
    const int n = ++*slot.count;
    if (core.plans.empty()) return false;
    auto range = core.plans.equal_range(std::string_view(function));
    for (auto it = range.first; it != range.second; ++it) {
        PlannedCall& plan = it->second;
        if (n == plan.nth || (plan.forever && n > plan.nth)) {
            plan.fired = true;
            if (value != nullptr) *value = plan.value;
            core.lastError = plan.error;
            return true;
        }
    }
    return false;
}

void AddTrace(const std::string& line) { Core.trace.push_back(line); }
void AddFailure(const std::string& what) { Core.failures.push_back(what); }

int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int x = tolower(static_cast<unsigned char>(a[i]));
        const int y = tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace internal

void Reset() {
    internal::CoreState& core = internal::Core;
    // Zeroed, not cleared: the names stay, so counting allocates only for a name's first call.
    for (auto& count : core.counts) count.second = 0;
    core.plans.clear();
    core.trace.clear();
    core.failures.clear();
    core.lastError = 0;
    internal::Clock = internal::ClockState();
    internal::ResetProcess();
    internal::ResetFileSystem();
    internal::ResetEnvironment();
    internal::ResetProfile();
    internal::ResetRegistry();
    internal::ResetShell();
    internal::ResetSync();
    internal::ResetUser();
}

const std::vector<std::string>& Failures() { return internal::Core.failures; }
const std::vector<std::string>& Trace() { return internal::Core.trace; }
DWORD Now() { return internal::Clock.now; }
void SetTimeCap(DWORD milliseconds) { internal::Clock.cap = milliseconds; }
void SetClock(time_t secondsAtStart) { internal::Clock.localBase = secondsAtStart; }

void FailCall(const char* function, int nth, bool forever, long long value, DWORD error) {
    internal::RequireFailable("FailCall", function);
    internal::Core.plans.insert({function, {nth, forever, value, error, false}});
}

void FailNextCall(const char* function, bool forever, long long value, DWORD error) {
    FailCall(function, CallCount(function) + 1, forever, value, error);
}

std::vector<std::string> UnfiredFailures() {
    std::vector<std::string> unfired;
    for (const auto& planned : internal::Core.plans)
        if (!planned.second.fired)
            unfired.push_back(planned.first + " call " + std::to_string(planned.second.nth) +
                              (planned.second.forever ? " and later" : ""));
    return unfired;
}

int CallCount(const char* function) {
    internal::RequireFailable("CallCount", function);
    auto& counts = internal::Core.counts;
    auto it = counts.find(std::string_view(function));
    return it == counts.end() ? 0 : it->second;
}

}  // namespace sim

DWORD WINAPI GetLastError() { return sim::internal::Core.lastError; }
void WINAPI SetLastError(DWORD code) { sim::internal::Core.lastError = code; }
