// Descriptors of the record I/O on Windows: the C runtime's low-level calls.
// A single call moves at most 2 GB less one byte; the callers ask for
// buffer-sized counts.
#include "platform/platform.h"

#include <cerrno>
#include <climits>
#include <io.h>
#include <stdio.h>

namespace zrl::platform {

namespace {
unsigned int clamp(std::size_t count) {
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<unsigned int>(count);
}
} // namespace

long fd_read(int fd, void *to, std::size_t count) {
    return _read(fd, to, clamp(count));
}

long fd_write(int fd, const void *from, std::size_t count) {
    return _write(fd, from, clamp(count));
}

std::int64_t fd_seek(int fd, std::int64_t offset, int whence) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (whence < 0 || whence > 2) {
        errno = EINVAL;
        return -1;
    }
    return _lseeki64(fd, offset, kWhence[whence]);
}

int fd_close(int fd) {
    return _close(fd);
}

bool fd_is_terminal(int fd) {
    return _isatty(fd) != 0;
}

} // namespace zrl::platform
