// Fuzzes the key decoder against a plain model of the terminal's sequences:
// every key, the bytes each call takes from the input, the pending bytes and
// the modifier state must agree after every call, and no call may read more
// than a sequence's worth past the end of the input.
//
// Input: byte 0 is the modifier mask, byte 1 picks, bit by bit, the reader
// of each call (set: modifier-aware), the rest is what the terminal sends.
// Past its end the input goes on with the byte 'z', which ends any sequence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "terminal/key_decoder.h"

namespace {

struct Bytes {
    const std::uint8_t *data;
    std::size_t size;
    std::size_t pos = 0;
    int next() {
        const int c = pos < size ? data[pos] : 'z';
        ++pos;
        return c;
    }
};

int next_byte(void *context) {
    return static_cast<Bytes *>(context)->next();
}

int numbered(int n) {
    if (n >= 1 && n <= 6) return 278 + n;
    if (n >= 11 && n <= 14) return 261 + n;
    if (n == 15 || n == 28) return 294;
    if (n >= 17 && n <= 21) return 268 + n;
    if (n >= 23 && n <= 26) return 267 + n;
    if (n == 29) return 295;
    if (n >= 31 && n <= 34) return 265 + n;
    return 0;
}

int hex(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// The readers as the terminal's protocol describes them, on a growing list.
struct Model {
    Bytes in;
    std::deque<int> pending;
    int state = 0;
    int mask = 0;

    // After ESC: a key, a report (0 or -1), or the sequence left pending.
    int sequence(bool modifiers, int &changed) {
        std::vector<int> seq{27};
        auto read = [&] {
            seq.push_back(in.next());
            return seq.back();
        };
        for (;;) {
            const int b = read();
            if (b == 'O' || b == '[') {
                const int f = read();
                const char *finals = "pqrstuvwxyABDCMnPQRSml123456";
                const char *at = f != 0 ? std::strchr(finals, f) : nullptr;
                if (at != nullptr) {
                    const int i = static_cast<int>(at - finals);
                    if (i < 22) return 256 + i;
                    int n = i - 21;
                    const int g = read();
                    bool ended = true;
                    if (g != '~') {
                        n = 10 * n + (g - '0');
                        ended = read() == '~';
                    }
                    if (ended && n >= 0 && n <= 34 && numbered(n) != 0) return numbered(n);
                }
            } else if (b == '_' && read() == ':') {
                read();
                read();
                read();
                const int v = 16 * hex(read()) + hex(read());
                if (read() != 27 || read() == '\\') {
                    const int old = state;
                    if (!modifiers) {
                        state = v;
                        return -1;
                    }
                    state = v & mask;
                    changed = state ^ old;
                    return 0;
                }
            }
            if (seq.back() == 27 && seq.size() <= 256 - 9) continue;
            pending.assign(seq.begin() + 1, seq.end());
            return 27;
        }
    }

    int key(bool modifiers) {
        int changed = 0;
        for (;;) {
            if (!pending.empty()) {
                const int c = pending.front();
                pending.pop_front();
                return c;
            }
            int c = in.next();
            if (c == 27) c = sequence(modifiers, changed);
            if (c == 127) c = 278;
            if (c < 0) continue;
            const unsigned top = static_cast<unsigned>(state) << 24;
            if (modifiers)
                return static_cast<int>(changed != 0
                                            ? top | 0x800000u | static_cast<unsigned>(changed)
                                            : top | static_cast<unsigned>(c));
            return (state & 48) != 0 ? c + 512 : c;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2) return 0;
    const int mask = data[0];
    const int modes = data[1];
    Bytes input{data + 2, size - 2};
    Model model{{data + 2, size - 2}, {}, 0, mask};
    zrl::KeyInput state;
    state.mask = mask;
    const zrl::ByteSource source{next_byte, &input};
    for (int call = 0; input.pos < input.size || state.count != 0; ++call) {
        const bool modifiers = ((modes >> (call % 8)) & 1) != 0;
        const std::size_t before = input.pos;
        const int key = zrl::read_key(state, source, -1, modifiers);
        const int expected = model.key(modifiers);
        if (key != expected) std::abort();
        if (input.pos != model.in.pos || state.count != model.pending.size()) std::abort();
        if (state.state != model.state) std::abort();
        if (state.count > state.pending.size() || state.read + state.count > state.pending.size())
            std::abort();
        // A call that began inside the input ends within one sequence past it.
        if (before <= input.size && input.pos > input.size + 9) std::abort();
    }
    return 0;
}
