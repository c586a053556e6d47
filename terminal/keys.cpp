// The key readers on standard input, and the request that tells the terminal
// which modifier keys to report.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <zrlshared.h>

#include "platform/terminal_io.h"
#include "terminal/key_decoder.h"
#include "text/bounded_text.h"

namespace zrl {
namespace {

// No reader delivers an end of file.  An end is read again after a wait for
// input that takes no processor time: a terminal's end (Ctrl-D, or a read
// timeout of a raw mode the caller chose) is followed by a key.  Input that
// is at its end again right after that wait will stay there (a closed pipe,
// a file, a hung-up terminal): no key can ever come, so rather than wait for
// good the program ends, with a message and status -1 as when the terminal
// cannot be attached.  The at-exit routines run, so a caller's restore of
// the terminal mode does too.
int stdin_byte_after_end() {
    for (;;) {
        std::clearerr(stdin);
        platform::wait_for_input();
        errno = 0;
        const int c = std::getc(stdin);
        if (c != EOF) return c;
        // A signal that cut the read short is no end of input.
        if (!(std::ferror(stdin) && errno == EINTR)) break;
    }
    std::fputs("ERROR : end of input on stdin\n", stderr);
    std::exit(-1);
}

// The decoder reads standard input through an inline source, so that a
// byte costs the runtime's getc and no call of the library's own.
int read_stdin_key(int timeout, bool modifiers) {
    return read_key(
        key_input(),
        [] {
            const int c = std::getc(stdin);
            return c != EOF ? c : stdin_byte_after_end();
        },
        timeout, modifiers);
}

// Set while the routine that switches the reports off is on the at-exit list.
int restore_registered = 0;

void restore_modifier_reports() {
    trm_init_mkey(0);
    restore_registered = 0;
}

// ESC [ 1 ; r1 ; 2 ; r2 ; 3 ; r3 ; 4 ; r4 + r, then the same for keys 5 to 8,
// rk being 2 for a key in the mask and 0 for any other.
void send_modifier_request(int mask) {
    char request[48];
    BoundedText text(request, sizeof request - 1);
    for (int key = 1; key <= 8; ++key) {
        if (key == 1 || key == 5) {
            text.put('\033');
            text.put('[');
        }
        text.put(static_cast<char>('0' + key));
        text.put(';');
        text.put((mask & (1 << (key - 1))) != 0 ? '2' : '0');
        if (key == 4 || key == 8) {
            text.put('+');
            text.put('r');
        } else {
            text.put(';');
        }
    }
    text.finish();
    trm_type(request);
    trm_flush();
}

int init_modifier_keys(int mask) {
    KeyInput &input = key_input();
    if (mask == -1) return input.mask;
    if (restore_registered == 0) {
        std::atexit(restore_modifier_reports);
        restore_registered = 1;
    }
    send_modifier_request(mask);
    input.mask = mask;
    return mask;
}

} // namespace
} // namespace zrl

extern "C" ZRL_API int trm_key(void) {
    return zrl::read_stdin_key(-1, false);
}
extern "C" ZRL_API int trm_keyr(void) {
    return zrl::read_stdin_key(0, false);
}
extern "C" ZRL_API int trm_keyt(int timeout) {
    return zrl::read_stdin_key(timeout, false);
}
extern "C" ZRL_API int trm_mkey(void) {
    return zrl::read_stdin_key(-1, true);
}
extern "C" ZRL_API int trm_mkeyr(void) {
    return zrl::read_stdin_key(0, true);
}
extern "C" ZRL_API int trm_mkeyt(int timeout) {
    return zrl::read_stdin_key(timeout, true);
}
extern "C" ZRL_API int trm_init_mkey(int mask) {
    return zrl::init_modifier_keys(mask);
}
