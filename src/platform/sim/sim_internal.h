// Shared machinery of the simulated Windows: resets, planned failures, the trace, the clock.
#ifndef TAVIO_PLATFORM_SIM_SIM_INTERNAL_H
#define TAVIO_PLATFORM_SIM_SIM_INTERNAL_H

#include <string>

#include "sim.h"

namespace sim {
namespace internal {

// Each part of the simulation registers how it becomes new; sim::Reset runs them all.
// Register from a static object's constructor in the part's own file.
struct ResetHook {
    explicit ResetHook(void (*reset)());
};

// Counts the call and says whether it is planned to fail; *value receives the planned
// result, and GetLastError reports the planned error. function is a string literal: its
// address is remembered as standing for that name.
bool PlannedFailure(const char* function, long long* value);

void AddTrace(const std::string& line);
void AddFailure(const std::string& what);

// Case-insensitive comparison of ASCII text, as lstrcmpiA does for it.
int CompareNoCase(const std::string& a, const std::string& b);
std::string Upper(const std::string& text);

// Provided by the window side (sim_user.cpp) for the shell side (sim_kernel.cpp):
// a window of another process appears after the launcher's timer has ticked n times.
void ScheduleWindowAfterTicks(const std::string& className, const std::string& title, int ticks);
// Called by the window side after each WM_TIMER it delivers.
void NoteTimerTick();

// For waits that handle no messages (WaitForSingleObject): lets virtual time run to the
// next event scheduled with sim::At, if one is due no later than the given time, and runs
// the events then due; false, the clock untouched, when none is.
bool RunNextEventBy(unsigned long long latest);
// Where virtual time may not go: the cap set by SetTimeCap.
DWORD TimeCap();

// The registry and file system, for the shell side's association lookups.
bool ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName, std::string* text);

// Virtual time in milliseconds since Reset; advanced only by the window side's waits.
DWORD& Clock();

}  // namespace internal
}  // namespace sim

#endif
