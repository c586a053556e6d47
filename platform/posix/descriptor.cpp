// Descriptors of the record I/O on POSIX: the plain system calls, retried
// when a signal interrupts them.
#define _FILE_OFFSET_BITS 64

#include "platform/platform.h"

#include <cerrno>
#include <sys/types.h>
#include <unistd.h>

namespace zrl::platform {

long fd_read(int fd, void *to, std::size_t count) {
    ssize_t n;
    do
        n = ::read(fd, to, count);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long fd_write(int fd, const void *from, std::size_t count) {
    ssize_t n;
    do
        n = ::write(fd, from, count);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

std::int64_t fd_seek(int fd, std::int64_t offset, int whence) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (whence < 0 || whence > 2) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<std::int64_t>(::lseek(fd, static_cast<off_t>(offset), kWhence[whence]));
}

int fd_close(int fd) {
    return ::close(fd);
}

bool fd_is_terminal(int fd) {
    return ::isatty(fd) != 0;
}

} // namespace zrl::platform
