// The key readers' engine, which turns the bytes a VT100/VT220 terminal
// sends into key codes: ESC O and ESC [ sequences, ESC [ n ~ for the VT220
// keys, and the modifier report ESC _ : x x x h h ST.  A sequence that is
// not recognised is kept and delivered byte by byte as characters.
//
// Escape-sequence decoding, the pending bytes of a
// sequence that was not recognised, and the modifier mask and state.  It
// takes its bytes from a source (any callable giving the next byte), so that
// the exported readers run it on standard input, read straight from the
// stream's buffer, and the tests and the fuzzer on bytes of their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>

#include "terminal/key_tables.h"

namespace zrl {

// Delivers the next input byte, 0 to 255; it never reports an end.
struct ByteSource {
    int (*next)(void *context);
    void *context;
    int operator()() const { return next(context); }
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

// The keyboard input state of the process.
inline KeyInput &key_input() {
    static KeyInput input;
    return input;
}

namespace key_decoding {

using keys::kEsc;

// The longest sequence, counted from its ESC: ESC _ : x x x h h ESC '\'.
inline constexpr std::size_t kLongestSequence = 10;

// Reads the bytes of one sequence and keeps each in the pending buffer.
template <class Source>
class Sequence {
  public:
    Sequence(KeyInput &input, Source &source) : input_(input), source_(source) {
        input_.pending[0] = kEsc;
        input_.count = 1;
        input_.read = 0;
    }

    int next() {
        last_ = source_() & 0xFF;
        if (input_.count < input_.pending.size())
            input_.pending[input_.count++] = static_cast<unsigned char>(last_);
        return last_;
    }

    int last() const { return last_; }

    // Whether a sequence that starts at the ESC just read still fits whole.
    bool room_for_another() const {
        return input_.pending.size() - input_.count >= kLongestSequence - 1;
    }

  private:
    KeyInput &input_;
    Source &source_;
    int last_ = kEsc;
};

// After ESC O or ESC [: the key, or 0 when the bytes name none.
template <class Sequence>
int introduced_key(Sequence &seq) {
    const std::size_t position = keys::kFinalPlusOne[static_cast<std::size_t>(seq.next())];
    if (position == 0) return 0;
    const std::size_t at = position - 1;
    if (at < keys::kFirstDigit) return keys::kFirstKey + static_cast<int>(at);
    int n = static_cast<int>(at - keys::kFirstDigit) + 1;
    const int g = seq.next();
    if (g != '~') {
        // The second byte counts as a digit unchecked; the range test below
        // catches what is none.
        n = 10 * n + (g - '0');
        if (seq.next() != '~') return 0;
    }
    if (n < 0 || n >= static_cast<int>(keys::kNumbered.size())) return 0;
    return keys::kNumbered[static_cast<std::size_t>(n)];
}

inline int hex_digit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// After ESC _: the new modifier state, or -1 when the report breaks off
// (no ':' after the introducer, or an ESC after the digits without '\').
template <class Sequence>
int modifier_report(Sequence &seq) {
    if (seq.next() != ':') return -1;
    seq.next();
    seq.next();
    seq.next();
    const int high = hex_digit(seq.next());
    const int low = hex_digit(seq.next());
    if (seq.next() == kEsc && seq.next() != '\\') return -1;
    return 16 * high + low;
}

// Runs after an ESC has been read.  Returns a key code; for a modifier
// report 0 (changed given: the changed keys stored there) or -1 (no changed:
// nothing to deliver); for a sequence that is not recognised -1 with its
// bytes pending.
template <class Source>
int decode(KeyInput &input, Source &source, int *changed) {
    Sequence<Source> seq(input, source);
    for (;;) {
        const int c = seq.next();
        if (c == 'O' || c == '[') {
            const int key = introduced_key(seq);
            if (key != 0) {
                input.count = 0;
                return key;
            }
        } else if (c == '_') {
            const int report = modifier_report(seq);
            if (report >= 0) {
                input.count = 0;
                const int old = input.state;
                if (changed == nullptr) {
                    input.state = report;
                    return -1;
                }
                input.state = report & input.mask;
                *changed = input.state ^ old;
                return 0;
            }
        }
        // A new sequence may begin at an ESC that broke this one off.  When
        // the buffer could not hold it whole, the decoder gives up and
        // delivers everything it holds, that ESC included.
        if (seq.last() == kEsc && seq.room_for_another()) continue;
        input.read = 0;
        return -1;
    }
}

inline int take_pending(KeyInput &input) {
    --input.count;
    return input.pending[input.read++];
}

inline int with_state(int code, int state) {
    return static_cast<int>(static_cast<unsigned>(code) | (static_cast<unsigned>(state) << 24));
}

} // namespace key_decoding

// One key as trm_keyt (modifiers false) or trm_mkeyt (modifiers true)
// delivers it.  A timeout other than -1 prints the not-implemented message
// each time a new key is read.
template <class Source>
int read_key(KeyInput &input, Source &&source, int timeout, bool modifiers) {
    int changed = 0;
    for (;;) {
        if (input.count != 0) return key_decoding::take_pending(input);
        if (timeout != -1) std::printf("getkeyt: timout not implemented yet\n");
        int c = source() & 0xFF;
        if (c == keys::kEsc) {
            c = key_decoding::decode(input, source, modifiers ? &changed : nullptr);
            if (input.count != 0) c = key_decoding::take_pending(input);
        }
        if (c == keys::kDel) c = keys::kDelete;
        if (c < 0) continue;
        if (modifiers) {
            if (changed != 0)
                return key_decoding::with_state(keys::kModifierEvent | changed, input.state);
            return key_decoding::with_state(c, input.state);
        }
        return (input.state & keys::kAltBits) != 0 ? c + keys::kAltFlag : c;
    }
}

} // namespace zrl
