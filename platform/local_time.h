// The broken-down C time both platforms' clocks start from, in the platform
// layer's own record.
#pragma once

#include <ctime>

#include "platform/platform.h"

namespace zrl::platform {

inline LocalTime local_time_from(const std::tm &parts) {
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

} // namespace zrl::platform
