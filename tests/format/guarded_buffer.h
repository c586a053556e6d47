// A text buffer with a known filler behind the room a writer may use, so that
// a test can see whether anything was written past the NUL or past the room.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zrl_test {

class GuardedBuffer {
  public:
    explicit GuardedBuffer(int room) : room_(room), bytes_(room + 32u, '\x5A') {}
    char *data() { return bytes_.data(); }
    // The text up to the first NUL within the room (all of the room if none).
    std::string text() const {
        return {bytes_.begin(), std::find(bytes_.begin(), bytes_.begin() + room_, '\0')};
    }
    // True when no byte from position `from` on still differs from the filler,
    // `except` (a position that the writer is documented to set) aside.
    bool untouched_from(int from, int except = -1) const {
        for (int i = from; i < static_cast<int>(bytes_.size()); ++i)
            if (i != except && bytes_[static_cast<std::size_t>(i)] != '\x5A') return false;
        return true;
    }

  private:
    int room_;
    std::vector<char> bytes_;
};

// Runs `write` in a guarded buffer of `room` bytes and returns its text,
// which must end inside the room with nothing changed behind its NUL
// (`except` aside).  The writer's result goes to `result` when given, else
// it must be the text's length.
template <class Write>
std::string guarded(int room, Write write, int *result = nullptr, int except = -1) {
    GuardedBuffer buffer(room);
    const int n = write(buffer.data());
    const std::string text = buffer.text();
    EXPECT_LT(text.size(), static_cast<std::size_t>(room)) << text;
    EXPECT_TRUE(buffer.untouched_from(static_cast<int>(text.size()) + 1, except)) << text;
    EXPECT_TRUE(result != nullptr || n == static_cast<int>(text.size())) << text;
    if (result != nullptr) *result = n;
    return text;
}

} // namespace zrl_test
