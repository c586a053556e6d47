// Runs a text writer in a buffer with a known filler behind the room it may
// use, so that a test sees anything written past the NUL or past the room.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zrl_test {

// Runs `write` in a guarded buffer of `room` bytes and returns its text,
// which must end inside the room with nothing changed behind its NUL but the
// bytes before `scratch_end` (those the writer is documented to use).  The
// writer's result goes to `result` when given, else it must be the text's
// length.
template <class Write>
std::string guarded(int room, Write write, int *result = nullptr, int scratch_end = 0) {
    std::vector<char> bytes(room + 32u, '\x5A');
    const int n = write(bytes.data());
    const auto nul = std::find(bytes.begin(), bytes.begin() + room, '\0');
    const std::string text(bytes.begin(), nul);
    EXPECT_LT(text.size(), static_cast<std::size_t>(room)) << text;
    for (std::size_t i = text.size() + 1; i < bytes.size(); ++i)
        EXPECT_TRUE(bytes[i] == '\x5A' || static_cast<int>(i) < scratch_end) << text << " at " << i;
    EXPECT_TRUE(result != nullptr || n == static_cast<int>(text.size())) << text;
    if (result != nullptr) *result = n;
    return text;
}

} // namespace zrl_test
