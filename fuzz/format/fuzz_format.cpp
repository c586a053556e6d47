// Fuzzes the format engine.  The input is: two bytes of limit, the format text
// up to a NUL, then the bytes from which the argument values are taken.  The
// engine asks for each argument with the type of the field it meets, so every
// value is read as what it is.  The output sits at the very end of a heap
// block of exactly limit + 1 bytes, so that any write past the NUL is caught.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <span>
#include <string>

#include "format/engine.h"

namespace {

template <int N> int write_run(zrl_word, char *buffer) {
    std::memset(buffer, 'f', N);
    buffer[N] = '\0';
    return 0;
}

int write_value(zrl_word value, char *buffer) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    int n = 0;
    do {
        buffer[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    buffer[n] = '\0';
    return 0;
}

// Functions that keep to the 132-byte contract, and one missing function.
constexpr ZRL_FormatFn kFormatters[] = {nullptr,        write_run<0>,   write_run<1>, write_run<7>,
                                        write_run<130>, write_run<131>, write_value};

class FuzzArgs final : public zrl::FormatArgs {
  public:
    explicit FuzzArgs(std::span<const std::uint8_t> data) : data_(data) {}

    int next_int() override { return static_cast<int>(take<std::uint32_t>()); }
    double next_double() override { return take<double>(); }
    const char *next_string() override {
        const std::uint8_t pick = take<std::uint8_t>();
        switch (pick % 6) {
        case 0:
            return nullptr;
        case 1:
            return "";
        case 2:
            return "JAN";
        case 3:
            return kLong.c_str();
        default: {
            // A string made of the next bytes, NULs turned into letters.
            const std::size_t length = take<std::uint8_t>();
            std::string &s = strings_.emplace_back();
            for (std::size_t i = 0; i < length && pos_ < data_.size(); ++i) {
                const char c = static_cast<char>(data_[pos_++]);
                s.push_back(c == '\0' ? 'n' : c);
            }
            return s.c_str();
        }
        }
    }
    zrl::FormatterArg next_formatter() override {
        const zrl_word value = static_cast<zrl_word>(take<std::uint32_t>());
        const std::uint8_t pick = take<std::uint8_t>();
        return {value, kFormatters[pick % std::size(kFormatters)]};
    }

  private:
    template <class T> T take() {
        unsigned char bytes[sizeof(T)] = {};
        const std::size_t n = std::min(sizeof(T), data_.size() - pos_);
        std::memcpy(bytes, data_.data() + pos_, n);
        pos_ += n;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    inline static const std::string kLong = std::string(300, 'L');
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::deque<std::string> strings_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2) return 0;
    const int max = (data[0] | (data[1] << 8)) % 2048;
    const std::uint8_t *text = data + 2;
    const std::size_t rest = size - 2;
    const std::size_t format_length =
        static_cast<std::size_t>(std::find(text, text + rest, 0) - text);
    const std::string format(reinterpret_cast<const char *>(text), format_length);
    const std::span<const std::uint8_t> values(text + std::min(rest, format_length + 1),
                                               text + rest);

    // The text without a limit that matters, for comparison.
    constexpr std::size_t kFull = zrl::kFormatLimit;
    auto full = std::make_unique<char[]>(kFull + 1);
    FuzzArgs full_args(values);
    const int full_n = zrl::format_typed({full.get(), kFull + 1}, format.c_str(), full_args);
    if (full_n < 0 || full_n > static_cast<int>(kFull) ||
        std::strlen(full.get()) != static_cast<std::size_t>(full_n))
        std::abort();

    auto out = std::make_unique<char[]>(static_cast<std::size_t>(max) + 1);
    FuzzArgs args(values);
    const int n =
        zrl::format_typed({out.get(), static_cast<std::size_t>(max) + 1}, format.c_str(), args);
    if (n < 0 || n > max || out[static_cast<std::size_t>(n)] != '\0') std::abort();
    if (std::strlen(out.get()) != static_cast<std::size_t>(n)) std::abort();

    // The limit cuts the count exactly; without right-justification the cut
    // text is a prefix of the full one.
    if (full_n < static_cast<int>(kFull) && n != std::min(max, full_n)) std::abort();
    if (format.find('^') == std::string::npos &&
        std::memcmp(out.get(), full.get(), static_cast<std::size_t>(n)) != 0)
        std::abort();
    return 0;
}
