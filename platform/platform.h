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

// ---- Directory listing (platform/*/list_entries.cpp) ----

// What a listing knows of an entry without asking for its status: a
// directory, anything else, or unknown (a symbolic link, or a file system
// that does not say), where a caller that must know asks for the status.
enum class EntryKind : unsigned char { kUnknown, kOther, kDirectory };

// Receives one entry: its name in UTF-8, the name's length and its kind;
// returns false to stop the listing.
using EntrySink = bool (*)(void *context, const char *name, std::size_t length, EntryKind kind);

// Lists the entries that `pattern` (UTF-8, at most 4095 bytes, wildcards
// '*' and '?' in its last component, matched by the Windows rules) matches,
// in the system's order and in the form the UTF-8 layer's enumeration gives
// them ("." and ".." included where the system delivers them).  Names alone
// are asked for, in large batches: Windows 7 and later enumerate with basic
// information and large fetches (earlier versions through the UTF-8 layer);
// POSIX reads the directory and takes each entry's kind from the directory
// itself, with no status call per entry.  A last component without
// wildcards lists the one entry of that name, if it exists.  A pattern that
// matches nothing, or a directory that cannot be read, lists nothing.
void list_entries(const char *pattern, EntrySink sink, void *context);

// ---- Pages (platform/*/pages.cpp) ----

// Memory straight from the system's page allocator, for the big blocks of
// fixed slots that a search fills: a block is touched only where it is
// written, blocks of megabytes are given large pages where the system offers
// them, and growth moves no memory where the system can remap.
// pages_obtain gives `bytes` (a multiple of 4096) or null.  pages_resize
// gives the block at its new size with its contents kept (maybe elsewhere),
// or null with the old block untouched.  pages_release gives a block back.
void *pages_obtain(std::size_t bytes);
void *pages_resize(void *block, std::size_t old_bytes, std::size_t new_bytes);
void pages_release(void *block, std::size_t bytes);

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
