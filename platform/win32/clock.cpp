// Clocks on Windows: local time from the C runtime (the 64-bit variants, so
// the date stays right after 2038), process CPU times from GetProcessTimes,
// the millisecond counter from GetTickCount.
#include "platform/local_time.h"

#include <windows.h>

#include <time.h>

namespace zrl::platform {

bool local_time(LocalTime &now) {
    __time64_t seconds = _time64(nullptr);
    struct tm parts {};
    if (seconds == static_cast<__time64_t>(-1) || _localtime64_s(&parts, &seconds) != 0)
        return false;
    now = local_time_from(parts);
    return true;
}

namespace {
std::uint64_t hundred_ns(const FILETIME &span) {
    return (static_cast<std::uint64_t>(span.dwHighDateTime) << 32) | span.dwLowDateTime;
}
} // namespace

bool process_times(std::uint64_t &kernel, std::uint64_t &user) {
    FILETIME creation, exit, kernel_time, user_time;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel_time, &user_time))
        return false;
    kernel = hundred_ns(kernel_time);
    user = hundred_ns(user_time);
    return true;
}

std::uint32_t tick_count() {
    return GetTickCount();
}

} // namespace zrl::platform
