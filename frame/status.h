// Internal helpers for the status code `zrl_error`, shared by every subsystem.
#pragma once

#include <zrlshared.h>

namespace zrl {

// Status codes the library itself detects; positive values are the C
// runtime's error numbers for the same conditions.
enum Status : int {
    kSuccess = 0,
    kEndOfFile = -1,
    kIoFailure = 5,
    kNoMemory = 12,
    kInvalid = 22,
    kTooLarge = 27,
};

inline int set_status(int code) {
    zrl_error = code;
    return code;
}

// A failed runtime call reports its own error number, or 5 when it left none,
// so that a failure never leaves the status at 0.
inline int status_from_errno(int err) { return err != 0 ? err : kIoFailure; }

} // namespace zrl
