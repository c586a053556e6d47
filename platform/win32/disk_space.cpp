// Disk space from GetDiskFreeSpaceA and the current directory from
// GetCurrentDirectoryA.
#include "platform/platform.h"

#include <windows.h>

namespace zrl::platform {

bool disk_space(const char *where, DiskSpace &space) {
    DWORD sectors_per_cluster = 0;
    DWORD bytes_per_sector = 0;
    DWORD free_clusters = 0;
    DWORD total_clusters = 0;
    if (where == nullptr || !GetDiskFreeSpaceA(where, &sectors_per_cluster, &bytes_per_sector,
                                               &free_clusters, &total_clusters))
        return false;
    space.unit_bytes = static_cast<std::uint64_t>(sectors_per_cluster) * bytes_per_sector;
    space.free_units = free_clusters;
    space.total_units = total_clusters;
    return true;
}

bool current_directory(char *buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return false;
    const DWORD room = size < 4096 ? static_cast<DWORD>(size) : 4096;
    // The result is the length without the NUL when the path fits, and the
    // size needed (NUL included) when it does not.
    const DWORD n = GetCurrentDirectoryA(room, buffer);
    if (n == 0 || n >= room) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

} // namespace zrl::platform
