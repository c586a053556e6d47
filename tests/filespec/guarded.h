// A text buffer with a filler behind the room a writer may use, so that a
// test sees whether anything was written past the NUL or past the room.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace filespec_test {

class Guarded {
  public:
    explicit Guarded(int room) : room_(room), bytes_(static_cast<std::size_t>(room) + 32, kFill) {}
    char *data() { return bytes_.data(); }
    // The text up to the first NUL within the room.
    std::string text() const {
        return std::string(bytes_.begin(), std::find(bytes_.begin(), bytes_.begin() + room_, '\0'));
    }
    bool untouched_from(int from) const {
        return std::all_of(bytes_.begin() + from, bytes_.end(), [](char c) { return c == kFill; });
    }

  private:
    static constexpr char kFill = '\x5A';
    int room_;
    std::vector<char> bytes_;
};

} // namespace filespec_test
