// POSIX has one tree under '/' and no drive letters, so no text names the
// root of a drive.
#include "platform/platform.h"

namespace zrl::platform {

DriveType drive_type(const char *) {
    return DriveType::kNoRootDirectory;
}

} // namespace zrl::platform
