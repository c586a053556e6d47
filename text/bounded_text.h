// A text written into a caller's buffer that holds `max` characters and one
// more byte for the NUL.  Every write is cut to the room that is left, so
// nothing is ever written outside the buffer; finish() adds the NUL.  The
// format engine and the file specification parser both build their results
// with it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace zrl {

class BoundedText {
  public:
    BoundedText(char *base, std::size_t max) : base_(base), max_(max) {}

    std::size_t size() const { return size_; }
    std::size_t room() const { return max_ - size_; }
    bool full() const { return size_ == max_; }

    // Where in-place writers (the formatting functions) put their text; room()
    // + 1 bytes are there to take it.
    char *cursor() { return base_ + size_; }

    void append(std::string_view text) { append(text.data(), text.size()); }

    void put(char c) {
        if (size_ < max_) base_[size_++] = c;
    }

    // Copies at most n characters of the text, which is either elsewhere or
    // already at the cursor (a formatting function's text); returns how many.
    std::size_t append(const char *text, std::size_t n) {
        n = std::min(n, room());
        char *to = base_ + size_;
        if (to != text) {
            // Most literal pieces and field texts are a few characters long.
            if (n <= 8) {
                for (std::size_t i = 0; i < n; ++i)
                    to[i] = text[i];
            } else {
                std::memcpy(to, text, n);
            }
        }
        size_ += n;
        return n;
    }

    void fill(char c, std::size_t n) {
        n = std::min(n, room());
        for (std::size_t i = 0; i < n; ++i)
            base_[size_ + i] = c;
        size_ += n;
    }

    // Moves the text of `length` characters at `start` to the end of what
    // has been written since, and blanks the columns it leaves.
    void right_justify(std::size_t start, std::size_t length) {
        const std::size_t shift = size_ - start - length;
        char *field = base_ + start;
        for (std::size_t i = length; i-- > 0;)
            field[shift + i] = field[i];
        for (std::size_t i = 0; i < shift; ++i)
            field[i] = ' ';
    }

    std::size_t finish() {
        base_[size_] = '\0';
        return size_;
    }

  private:
    char *base_;
    std::size_t max_;
    std::size_t size_ = 0;
};

} // namespace zrl
