// The one internal interface between the library and the operating system.
// Everything above this layer is portable; platform/posix and platform/win32
// each implement these plain functions for their system.
#pragma once

#include <cstddef>
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

// ---- Drives (platform/*/drive_type.cpp) ----

// What GetDriveTypeA reports for a root such as "C:\", in its order.
enum class DriveType : int {
    kUnknown,
    kNoRootDirectory,
    kRemovable,
    kFixed,
    kRemote,
    kCdRom,
    kRamDisk,
};

// The type of the drive whose root is `root` ("C:\").  POSIX has no drive
// letters: every root there is kNoRootDirectory.
DriveType drive_type(const char *root);

// ---- Name listing (platform/*/list_names.cpp) ----

// Receives one entry name in UTF-8; returns false to stop the listing.
using NameSink = bool (*)(void *context, const char *name);

// Lists the entries that `pattern` (UTF-8, wildcards '*' and '?' in its last
// component) matches, asking the system for the names alone, in large
// batches: Windows 7 and later enumerate with basic information and large
// fetches; POSIX reads the directory without inspecting each entry, for a
// last component of "*" only.  Names come in the system's order and in the
// form the UTF-8 layer's enumeration gives them ("." and ".." included where
// the system delivers them).  Returns false, having listed nothing, when the
// system offers no such listing for the pattern: the caller then uses the
// layer's enumeration.  A pattern that matches nothing, or a directory that
// cannot be read, lists nothing and returns true.
bool list_names(const char *pattern, NameSink sink, void *context);

// ---- Disk space and the current directory (platform/*/disk_space.cpp) ----

// The space of one file system, in allocation units of unit_bytes bytes.
struct DiskSpace {
    std::uint64_t unit_bytes;  // Windows: sectors per cluster x bytes per sector
    std::uint64_t free_units;  // free for this process (quotas and reserves applied)
    std::uint64_t total_units; // the size of the whole file system
};

// Windows: `where` is the root of a drive, "C:\" (GetDiskFreeSpaceA).
// POSIX: `where` is any existing path on the file system asked about; a
// backslash in it separates directories as in the UTF-8 layer (statvfs).
// False, with `space` unspecified, when the system cannot tell.
bool disk_space(const char *where, DiskSpace &space);

// The current directory in `buffer` (`size` bytes, NUL included), in the
// system's form: "C:\DATA" on Windows (GetCurrentDirectoryA), "/home/ann" on
// POSIX.  False, with an empty buffer, when it cannot be read or does not fit.
bool current_directory(char *buffer, std::size_t size);

// ---- Descriptors of the record I/O (platform/*/descriptor.cpp) ----
// The runtime's descriptors as open_utf8 gives them.  Each call returns -1 on
// failure with the runtime's error number in errno.

// Bytes read, 0 at the end of the file.
long fd_read(int fd, void *to, std::size_t count);
// Bytes written.
long fd_write(int fd, const void *from, std::size_t count);
// The new offset; whence 0 counts from the start, 1 from the current offset,
// 2 from the end.
std::int64_t fd_seek(int fd, std::int64_t offset, int whence);
// 0 on success.
int fd_close(int fd);
// Whether the descriptor is a terminal or another character device.
bool fd_is_terminal(int fd);

} // namespace zrl::platform
