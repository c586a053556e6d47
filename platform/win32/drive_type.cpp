// Drive types from GetDriveTypeA, whose results run in the order of DriveType.
#include "platform/platform.h"

#include <windows.h>

namespace zrl::platform {

DriveType drive_type(const char *root) {
    const UINT type = GetDriveTypeA(root);
    if (type > DRIVE_RAMDISK) return DriveType::kUnknown;
    return static_cast<DriveType>(type);
}

} // namespace zrl::platform
