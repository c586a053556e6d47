// The attached state: whether the program drives the terminal on standard
// input and output.  The spawner clears it around a foreground command and
// sets it again afterwards; nothing is sent to the terminal either way.
#include <cstdio>
#include <cstdlib>

#include <zrlshared.h>

#include "platform/terminal_io.h"

int _zrl_attach = 0;

namespace zrl {
namespace {

// Set once trm_detach is on the runtime's at-exit list: it goes there once
// per process, however often the program attaches.
int detach_registered = 0;

void attach() {
    if (_zrl_attach != 0) return;
    if (!platform::is_terminal(0) || !platform::is_terminal(1)) {
        std::fputs("ERROR : stdin or stdout not a tty\n", stderr);
        std::exit(-1);
    }
    _zrl_attach = 1;
    if (detach_registered == 0) {
        detach_registered = 1;
        std::atexit(trm_detach);
    }
}

} // namespace
} // namespace zrl

extern "C" ZRL_API void trm_attach(void) {
    zrl::attach();
}

extern "C" ZRL_API void trm_detach(void) {
    _zrl_attach = 0;
}

extern "C" ZRL_API int trm_flush(void) {
    return std::fflush(stdout);
}
