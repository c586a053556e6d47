// Compact integers: any bytes into the decoder, and any 32-bit value through
// the encoder and back.  The decoder reads at most five bytes, so it gets a
// heap buffer of exactly five, padded with continuation bytes so that an
// input shorter than its own encoding drives it to that limit; the encoder
// gets exactly the five bytes it may fill.
#include <zrlshared.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kMaxBytes = 5;

void check(bool ok) {
    if (!ok) std::abort();
}

void decode_any(const std::uint8_t *data, std::size_t size) {
    auto buffer = std::make_unique<unsigned char[]>(kMaxBytes);
    std::memset(buffer.get(), 0xFF, kMaxBytes);
    std::memcpy(buffer.get(), data, size < kMaxBytes ? size : kMaxBytes);

    std::int32_t value = 0;
    const int count = defmtcbin(buffer.get(), &value);
    check(count >= 1 && count <= kMaxBytes);
    for (int i = 0; i < count - 1; ++i) check((buffer[i] & 0x80) != 0);
    check(count == kMaxBytes || (buffer[count - 1] & 0x80) == 0);

    // The value's own encoding is never longer; where it is as long, it is
    // the same groups.  Five groups carry 35 bits, of which the value keeps
    // the low 32: there only the first byte's low four bits count, and the
    // fifth byte's continuation bit is ignored.
    auto again = std::make_unique<unsigned char[]>(kMaxBytes);
    const int length = fmtcbin(again.get(), value);
    check(length >= 1 && length <= count);
    if (length == count) {
        const int first_mask = count == kMaxBytes ? 0x0F : 0xFF;
        check((again[0] & first_mask) == (buffer[0] & first_mask));
        for (int i = 1; i < count - 1; ++i) check(again[i] == buffer[i]);
        if (count > 1) check(again[count - 1] == (buffer[count - 1] & 0x7F));
    }
    std::int32_t back = 0;
    check(defmtcbin(again.get(), &back) == length && back == value);
}

void round_trip(const std::uint8_t *data, std::size_t size) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, data, size < sizeof bits ? size : sizeof bits);
    const auto value = static_cast<std::int32_t>(bits);
    auto buffer = std::make_unique<unsigned char[]>(kMaxBytes);
    const int length = fmtcbin(buffer.get(), value);
    check(length >= 1 && length <= kMaxBytes);
    std::int32_t back = 0;
    check(defmtcbin(buffer.get(), &back) == length && back == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    decode_any(data, size);
    round_trip(data, size);
    return 0;
}
