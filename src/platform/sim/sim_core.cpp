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
    "ExpandEnvironmentStringsW",
    "FindExecutableA",
    "FindExecutableW",
    "FindWindowA",
    "GetAsyncKeyState",
    "GetDC",
    "GetDeviceCaps",
    "GetFileAttributesA",
    "GetMessageA",
    "GetModuleFileNameA",
    "GetModuleFileNameW",
    "GetModuleHandleA",
    "GetPrivateProfileStringA",
    "GetProcAddress",
    "GetShortPathNameA",
    "GetShortPathNameW",
    "GetVersion",
    "IsIconic",
    "IsWow64Process",
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
    "RegQueryValueExW",
    "RegisterClassA",
    "RegisterClassExA",
    "ReleaseDC",
    "ReleaseMutex",
    "SetBkColor",
    "SetCurrentDirectoryW",
    "SetBkMode",
    "SetForegroundWindow",
    "SetTextColor",
    "SetTimer",
    "ShellExecuteA",
    "ShowWindow",
    "TextOutA",
    "TranslateMessage",
    "WaitForSingleObject",
    "WideCharToMultiByte",
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
    // without comparing names, in a table keyed by the address (open addressing, so two
    // literals never take turns in one slot and fall back to the names each time).
    // Entries stay valid because counts never drops a name.
    struct LiteralCount {
        const char* literal = nullptr;
        int* count = nullptr;
    };
    static constexpr size_t kLiteralSlots = 512;
    LiteralCount countOfLiteral[kLiteralSlots];
    std::multimap<std::string, PlannedCall, std::less<>> plans;
    std::vector<std::string> trace;  // its first traceLines entries are this run's; the rest wait for reuse
    size_t traceLines = 0;
    std::vector<std::string> failures;
    DWORD lastError = 0;
};

CoreState Core;

}  // namespace

ClockState Clock;

namespace {

int* CountByName(const char* function) {
    auto& counts = Core.counts;
    auto counted = counts.find(std::string_view(function));
    if (counted == counts.end()) counted = counts.emplace(function, 0).first;
    return &counted->second;
}

// The count of the call named by this literal. Literals lie on coarse boundaries (the
// address sanitizer pads every global), so the whole address is hashed, not its low bits.
int* CountOfLiteral(const char* function) {
    CoreState& core = Core;
    const uint64_t address = reinterpret_cast<uintptr_t>(function);
    static_assert(CoreState::kLiteralSlots == 1u << 9, "the hash keeps 9 bits");
    const size_t first = static_cast<size_t>((address * 0x9E3779B97F4A7C15ull) >> (64 - 9));
    for (size_t probe = 0; probe < CoreState::kLiteralSlots; ++probe) {
        CoreState::LiteralCount& slot = core.countOfLiteral[(first + probe) % CoreState::kLiteralSlots];
        if (slot.literal == function) return slot.count;
        if (slot.literal == nullptr) {
            if (!Failable(function)) AddFailure(std::string(function) + " can fail but is missing from kFailableCalls");
            slot.literal = function;
            slot.count = CountByName(function);
            return slot.count;
        }
    }
    return CountByName(function);  // every slot taken (never, with some 50 names): counted by name
}

}  // namespace

bool PlannedFailure(const char* function, long long* value) {
    CoreState& core = Core;
    const int n = ++*CountOfLiteral(function);
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

namespace {

std::string& NextTraceLine() {
    CoreState& core = Core;
    if (core.traceLines == core.trace.size()) KeepOnHeap(core.trace.emplace_back());
    std::string& line = core.trace[core.traceLines++];
    line.clear();
    return line;
}

}  // namespace

void AddTrace(const std::string& line) { NextTraceLine() = line; }

void AddTrace(std::initializer_list<std::string_view> pieces) {
    std::string& line = NextTraceLine();
    for (const std::string_view piece : pieces) line += piece;
}

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

}  // namespace internal

void Reset() {
    internal::CoreState& core = internal::Core;
    // Zeroed, not cleared: the names stay, so counting allocates only for a name's first call.
    for (auto& count : core.counts) count.second = 0;
    core.plans.clear();
    core.traceLines = 0;
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
const std::vector<std::string>& Trace() {
    internal::CoreState& core = internal::Core;
    core.trace.resize(core.traceLines);  // the spare lines of longer earlier runs go
    return core.trace;
}
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
