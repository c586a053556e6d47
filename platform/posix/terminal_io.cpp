// The terminal on POSIX: isatty, poll on standard input, and no console
// attribute (colours travel as control sequences).
#include "platform/terminal_io.h"

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace zrl::platform {

bool is_terminal(int fd) {
    return ::isatty(fd) != 0;
}

// poll returns at once for input that is at its end for good (a closed pipe,
// a hung-up terminal, a file); on a live terminal or pipe it sleeps until a
// byte comes.  A failing poll (standard input closed) rests 50 ms instead, so
// that no caller's retry can spin.
void wait_for_input() {
    pollfd in{0, POLLIN, 0};
    int n;
    do
        n = ::poll(&in, 1, -1);
    while (n < 0 && errno == EINTR);
    if (n < 0 || (in.revents & POLLNVAL) != 0) {
        const timespec rest{0, 50 * 1000 * 1000};
        ::nanosleep(&rest, nullptr);
    }
}

bool colours_by_console() {
    return false;
}

ConsoleHandle console_output() {
    return kHandleUnusable;
}

std::uint16_t console_attribute(ConsoleHandle) {
    return 0;
}

void set_console_attribute(ConsoleHandle, std::uint16_t) {}

} // namespace zrl::platform
