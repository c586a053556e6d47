// The one internal interface between the library and the operating system.
// Everything above this layer is portable; platform/posix and platform/win32
// each implement these plain functions for their system.
#pragma once

#include <cstdint>

namespace zrl::platform {

// ---- Clocks (platform/*/clock.cpp) ----

// The current moment broken down in local time.
struct LocalTime {
    int year;  // full year, e.g. 2026
    int month; // 1-12
    int day;   // 1-31
    int hour;
    int minute;
    int second;
};

// Fills `now` with the current local date and time; false when the clock or
// the time-zone conversion fails.
bool local_time(LocalTime &now);

// CPU time this process has used in the kernel and in user mode, each in
// 100-nanosecond units; false when the system cannot tell.
bool process_times(std::uint64_t &kernel, std::uint64_t &user);

// A millisecond counter that only moves forward and wraps at 2^32.
std::uint32_t tick_count();

} // namespace zrl::platform
