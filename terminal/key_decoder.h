// The key readers' engine: escape-sequence decoding, the pending bytes of a
// sequence that was not recognised, and the modifier mask and state.  It
// takes its bytes from a source, so that the exported readers run it on
// standard input and the tests and the fuzzer on bytes of their own.
#pragma once

#include <array>
#include <cstddef>

namespace zrl {

// Delivers the next input byte, 0 to 255; it never reports an end.
struct ByteSource {
    int (*next)(void *context);
    void *context;
};

// The input state of one keyboard: the process has one (key_input()).
struct KeyInput {
    // The bytes of the sequence being decoded; after one that was not
    // recognised, the bytes still to be delivered from `read` on.
    std::array<unsigned char, 256> pending{};
    std::size_t read = 0;
    std::size_t count = 0;
    int mask = 0;  // the modifier keys the terminal was asked to report
    int state = 0; // the modifier keys down, as last reported
};

KeyInput &key_input();

// One key as trm_keyt (modifiers false) or trm_mkeyt (modifiers true)
// delivers it.  A timeout other than -1 prints the not-implemented message
// each time a new key is read.
int read_key(KeyInput &input, ByteSource source, int timeout, bool modifiers);

} // namespace zrl
