// The C runtime's time functions on the simulated clock, with local time taken as UTC.
#include <stdio.h>

#include "sim_internal.h"

namespace crt {

time_t time(time_t* result) {
    long long planned = 0;
    time_t now;
    if (sim::internal::PlannedFailure("time", &planned)) now = static_cast<time_t>(planned);
    else now = sim::internal::Clock.localBase + static_cast<time_t>(sim::internal::Clock.now / 1000);
    if (result != nullptr) *result = now;
    return now;
}

tm* localtime(const time_t* when) {
    static tm converted;  // one static result per process, as the C runtime keeps
    long long planned = 0;
    if (sim::internal::PlannedFailure("localtime", &planned)) return nullptr;
    // gmtime's own static result, copied at once: one thread, and gmtime_r is not everywhere
    // (the Windows build of the simulation lacks it).
    const tm* utc = when != nullptr ? gmtime(when) : nullptr;
    if (utc == nullptr) return nullptr;
    converted = *utc;
    return &converted;
}

char* asctime(const tm* when) {
    static char text[64];  // 26 for four-digit years; room for any int year
    long long planned = 0;
    if (sim::internal::PlannedFailure("asctime", &planned)) return nullptr;
    if (when == nullptr) return nullptr;
    static const char days[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Out-of-range fields would index past the tables in the C runtime; here they read "???".
    const char* day = when->tm_wday >= 0 && when->tm_wday < 7 ? days[when->tm_wday] : "???";
    const char* month = when->tm_mon >= 0 && when->tm_mon < 12 ? months[when->tm_mon] : "???";
    snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", day, month, when->tm_mday, when->tm_hour,
             when->tm_min, when->tm_sec, 1900LL + when->tm_year);
    return text;
}

}  // namespace crt
