// Shared machinery of the simulated Windows: resets, planned failures, the trace, the clock.
//
// Each part keeps its state in one struct with one instance, reached directly by name
// (Process, FileSystem, Registry, User, ...): in its own file, or through the part's
// header where other parts need it. sim::Reset makes each new through the part's Reset.
#ifndef TAVIO_PLATFORM_SIM_SIM_INTERNAL_H
#define TAVIO_PLATFORM_SIM_SIM_INTERNAL_H

#include <time.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "sim.h"

namespace sim {
namespace internal {

// Each part's way to become new, in its own file; sim::Reset runs them all.
void ResetProcess();
void ResetFileSystem();
void ResetEnvironment();
void ResetProfile();
void ResetRegistry();
void ResetShell();
void ResetSync();
void ResetUser();

// For the resets, which build each part new: gives the new part's vector the old one's
// buffer, emptied, so that the next run does not allocate and grow it all over again.
template <typename T>
void KeepBuffer(std::vector<T>& fresh, std::vector<T>& used) {
    used.clear();
    fresh.swap(used);
}

// Puts a text that is kept for reuse on the heap for good. A string that outgrows its
// inline room allocates without freeing anything; libFuzzer takes a run that allocates
// more than it frees for a possible leak, runs it again and then checks the whole heap.
// Reused entries handed texts of other lengths run after run did that again and again;
// a text already on the heap frees its old buffer whenever it grows.
inline void KeepOnHeap(std::string& text) {
    constexpr size_t kRoom = 32;  // beyond any string's inline room
    if (text.capacity() < kRoom) text.reserve(kRoom);
}

// Virtual time: advanced only by waits, those of GetMessageA (sim_messages.cpp) and of
// WaitForSingleObject (sim_sync.cpp).
struct ClockState {
    DWORD now = 0;                        // milliseconds since Reset
    DWORD cap = 24u * 60u * 60u * 1000u;  // where a wait may not go: the cap set by SetTimeCap
    time_t localBase = 0;                 // the local time at 0, in seconds since 1970 (SetClock)
};
extern ClockState Clock;

// Counts the call and says whether it is planned to fail; *value receives the planned
// result, and GetLastError reports the planned error. function is a string literal: its
// address is remembered as standing for that name.
bool PlannedFailure(const char* function, long long* value);

// A line of the trace; the pieces form joins its parts straight into the line. The lines'
// buffers are kept across resets, so a run that traces as much as an earlier one
// allocates nothing for it.
void AddTrace(const std::string& line);
void AddTrace(std::initializer_list<std::string_view> pieces);
void AddFailure(const std::string& what);

// Case-insensitive comparison of ASCII text, as lstrcmpiA does for it.
int CompareNoCase(const std::string& a, const std::string& b);

// Provided by the window side (sim_messages.cpp) for the shell side (sim_shell.cpp):
// a window of another process appears after the launcher's timer has ticked n times.
void ScheduleWindowAfterTicks(const std::string& className, const std::string& title, int ticks);
// Called by the window side after each WM_TIMER it delivers.
void NoteTimerTick();

// For waits that handle no messages (WaitForSingleObject): lets virtual time run to the
// next event scheduled with sim::At, if one is due no later than the given time, and runs
// the events then due; false, the clock untouched, when none is.
bool RunNextEventBy(unsigned long long latest);

// The registry, for the shell side's association lookups.
bool ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName, std::string* text);

}  // namespace internal
}  // namespace sim

#endif
