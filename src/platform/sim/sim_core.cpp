// The simulation's shared machinery: reset hooks, planned failures, trace, failures, clock.
#include <ctype.h>

#include <map>
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
};

struct CoreState {
    std::vector<void (*)()> resets;
    std::map<std::string, int> counts;
    std::multimap<std::string, PlannedCall> plans;
    std::vector<std::string> trace;
    std::vector<std::string> failures;
    DWORD clock = 0;
    DWORD lastError = 0;
};

CoreState& Core() {
    static CoreState state;  // host-only: built on first use, so hooks may register at static init
    return state;
}

}  // namespace

ResetHook::ResetHook(void (*reset)()) { Core().resets.push_back(reset); }

bool PlannedFailure(const char* function, long long* value) {
    CoreState& core = Core();
    const int n = ++core.counts[function];
    auto range = core.plans.equal_range(function);
    for (auto it = range.first; it != range.second; ++it) {
        const PlannedCall& plan = it->second;
        if (n == plan.nth || (plan.forever && n > plan.nth)) {
            if (value != nullptr) *value = plan.value;
            core.lastError = plan.error;
            return true;
        }
    }
    return false;
}

void AddTrace(const std::string& line) { Core().trace.push_back(line); }
void AddFailure(const std::string& what) { Core().failures.push_back(what); }

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

DWORD& Clock() { return Core().clock; }

}  // namespace internal

void Reset() {
    internal::CoreState& core = internal::Core();
    core.counts.clear();
    core.plans.clear();
    core.trace.clear();
    core.failures.clear();
    core.clock = 0;
    core.lastError = 0;
    for (void (*reset)() : core.resets) reset();
}

const std::vector<std::string>& Failures() { return internal::Core().failures; }
const std::vector<std::string>& Trace() { return internal::Core().trace; }
DWORD Now() { return internal::Core().clock; }

void FailCall(const char* function, int nth, bool forever, long long value, DWORD error) {
    internal::Core().plans.insert({function, {nth, forever, value, error}});
}

int CallCount(const char* function) {
    auto& counts = internal::Core().counts;
    auto it = counts.find(function);
    return it == counts.end() ? 0 : it->second;
}

}  // namespace sim

DWORD WINAPI GetLastError() { return sim::internal::Core().lastError; }
void WINAPI SetLastError(DWORD code) { sim::internal::Core().lastError = code; }
