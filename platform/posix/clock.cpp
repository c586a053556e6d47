// Clocks on POSIX systems: local time from time/localtime_r, process CPU
// times from getrusage, the millisecond counter from the monotonic clock.
#include "platform/local_time.h"

#include <sys/resource.h>
#include <time.h>

namespace zrl::platform {

bool local_time(LocalTime &now) {
    time_t seconds = time(nullptr);
    struct tm parts {};
    if (seconds == static_cast<time_t>(-1) || localtime_r(&seconds, &parts) == nullptr)
        return false;
    now = local_time_from(parts);
    return true;
}

namespace {
std::uint64_t hundred_ns(const struct timeval &span) {
    return static_cast<std::uint64_t>(span.tv_sec) * 10000000u +
           static_cast<std::uint64_t>(span.tv_usec) * 10u;
}
} // namespace

bool process_times(std::uint64_t &kernel, std::uint64_t &user) {
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return false;
    kernel = hundred_ns(usage.ru_stime);
    user = hundred_ns(usage.ru_utime);
    return true;
}

std::uint32_t tick_count() {
    struct timespec now {};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

} // namespace zrl::platform
