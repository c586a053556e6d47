// The terminal's attached state: trm_attach declares that the program drives
// the terminal on standard input and output, trm_detach takes that back.
// Only the flag changes; nothing is sent to the terminal.
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include <zrlshared.h>

namespace {

// Set once trm_detach is on the at-exit list, so that it goes there once.
int detach_registered = 0;

} // namespace

extern "C" {

ZRL_API int _zrl_attach = 0;

ZRL_API void trm_detach(void) {
    _zrl_attach = 0;
}

ZRL_API void trm_attach(void) {
    if (_zrl_attach != 0) return;
    if (!zrl::platform::fd_is_terminal(0) || !zrl::platform::fd_is_terminal(1)) {
        std::fputs("ERROR : stdin or stdout not a tty\n", stderr);
        std::exit(-1);
    }
    _zrl_attach = 1;
    if (detach_registered == 0) {
        detach_registered = 1;
        std::atexit(trm_detach);
    }
}

} // extern "C"
