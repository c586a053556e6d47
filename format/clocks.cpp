// The current date and time, and the two stopwatches.
//
// The stopwatches keep the process-wide state they are documented with: a
// first-call flag and a base each, unguarded, since callers use the library
// from one thread at a time.
#include <zrlshared.h>

#include <cstdint>

#include "platform/platform.h"

namespace zrl {

namespace {

bool cpu_first_call = true;
double cpu_base = 0.0; // kernel + user time at the first call, 100-ns units

bool tick_first_call = true;
std::uint32_t tick_base = 0; // milliseconds at the first call

} // namespace

// When the clock cannot be read the records keep their values.
void current_date_time(ZRL_DATE *date, ZRL_TIME *time) {
    platform::LocalTime now{};
    if (!platform::local_time(now)) return;
    if (date != nullptr) {
        const int since_1900 = now.year - 1900;
        date->century = static_cast<unsigned char>(since_1900 / 100 + 19);
        date->year = static_cast<unsigned char>(since_1900 % 100);
        date->month = static_cast<unsigned char>(now.month);
        date->day = static_cast<unsigned char>(now.day);
    }
    if (time != nullptr) {
        time->hour = static_cast<unsigned char>(now.hour);
        time->minute = static_cast<unsigned char>(now.minute);
        time->second = static_cast<unsigned char>(now.second);
        time->zero = 0;
    }
}

// Milliseconds rounded to the nearest.  Should the system ever fail to report
// the process times, the call counts as no time at all since the first one.
// After 2^31 ms (about 25 days of CPU time) the count wraps as elapsed does.
int cpu_milliseconds() {
    std::uint64_t kernel = 0, user = 0;
    double sum = platform::process_times(kernel, user)
                     ? static_cast<double>(kernel) + static_cast<double>(user)
                     : cpu_base;
    if (cpu_first_call) {
        cpu_base = sum;
        cpu_first_call = false;
    }
    const double ms = (sum - cpu_base) / 10000.0 + 0.5;
    if (ms < 0.0) return 0;
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

// Unsigned 32-bit difference: right across one wrap of the tick counter.
int elapsed_milliseconds() {
    const std::uint32_t now = platform::tick_count();
    if (tick_first_call) {
        tick_base = now;
        tick_first_call = false;
        return 0;
    }
    return static_cast<int>(now - tick_base);
}

} // namespace zrl

extern "C" ZRL_API void dattim(ZRL_DATE *date, ZRL_TIME *hms) {
    zrl::current_date_time(date, hms);
}

extern "C" ZRL_API int cputime(void) {
    return zrl::cpu_milliseconds();
}

extern "C" ZRL_API int elapsed(void) {
    return zrl::elapsed_milliseconds();
}
