// Turns the bytes a VT100/VT220 terminal sends into key codes: ESC O and
// ESC [ sequences, ESC [ n ~ for the VT220 keys, and the modifier report
// ESC _ : x x x h h ST.  A sequence that is not recognised is kept and
// delivered byte by byte as characters.
#include "terminal/key_decoder.h"

#include <cstdio>

#include "terminal/key_tables.h"

namespace zrl {
namespace {

using keys::kEsc;

// The longest sequence, counted from its ESC: ESC _ : x x x h h ESC '\'.
constexpr std::size_t kLongestSequence = 10;

// Reads the bytes of one sequence and keeps each in the pending buffer.
class Sequence {
  public:
    Sequence(KeyInput &input, ByteSource source) : input_(input), source_(source) {
        input_.pending[0] = kEsc;
        input_.count = 1;
        input_.read = 0;
    }

    int next() {
        last_ = source_.next(source_.context) & 0xFF;
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
    ByteSource source_;
    int last_ = kEsc;
};

// After ESC O or ESC [: the key, or 0 when the bytes name none.
int introduced_key(Sequence &seq) {
    const std::size_t at = keys::kFinals.find(static_cast<char>(seq.next()));
    if (at == std::string_view::npos) return 0;
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

int hex_digit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// After ESC _: the new modifier state, or -1 when the report breaks off
// (no ':' after the introducer, or an ESC after the digits without '\').
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
int decode(KeyInput &input, ByteSource source, int *changed) {
    Sequence seq(input, source);
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

int take_pending(KeyInput &input) {
    --input.count;
    return input.pending[input.read++];
}

int with_state(int code, int state) {
    return static_cast<int>(static_cast<unsigned>(code) | (static_cast<unsigned>(state) << 24));
}

} // namespace

KeyInput &key_input() {
    static KeyInput input;
    return input;
}

int read_key(KeyInput &input, ByteSource source, int timeout, bool modifiers) {
    int changed = 0;
    for (;;) {
        if (input.count != 0) return take_pending(input);
        if (timeout != -1) std::printf("getkeyt: timout not implemented yet\n");
        int c = source.next(source.context) & 0xFF;
        if (c == kEsc) {
            c = decode(input, source, modifiers ? &changed : nullptr);
            if (input.count != 0) c = take_pending(input);
        }
        if (c == keys::kDel) c = keys::kDelete;
        if (c < 0) continue;
        if (modifiers) {
            if (changed != 0) return with_state(keys::kModifierEvent | changed, input.state);
            return with_state(c, input.state);
        }
        return (input.state & keys::kAltBits) != 0 ? c + keys::kAltFlag : c;
    }
}

} // namespace zrl
