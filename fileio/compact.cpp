// Compact binary integers: a signed 32-bit value in 1 to 5 bytes of 7 bits,
// most significant group first, bit 7 set on every byte but the last, the
// first byte's 7 bits signed.  The arithmetic runs on uint32_t, where shifts
// and wrapping are defined for every value; the results are those of the
// signed two's-complement description.
#include <cstdint>

#include "fileio/bytes.h"
#include "fileio/fdb.h"
#include "frame/status.h"

namespace zrl {

namespace {

constexpr int kMaxBytes = 5;
constexpr std::uint32_t kMore = 0x80;
constexpr std::uint32_t kGroup = 0x7F;

// v >> 7 with the sign copied into the vacated bits.
constexpr std::uint32_t shift_right_7(std::uint32_t v) {
    return (v >> 7) | ((v & 0x80000000u) != 0 ? 0xFE000000u : 0u);
}

// Whether v, read as signed, lies in -64..63: what one group holds.
constexpr bool fits_first_group(std::uint32_t v) {
    return v + 64u < 128u;
}

// The first byte's 7 bits as a signed value: bit 6 is the sign.
constexpr std::uint32_t first_group(unsigned char byte) {
    const std::uint32_t v = byte & kGroup;
    return (v & 0x40u) != 0 ? (v | ~std::uint32_t{0x3F}) : v;
}

int encode_compact(unsigned char *out, std::int32_t value) {
    unsigned char scratch[kMaxBytes];
    int count = 0;
    auto v = static_cast<std::uint32_t>(value);
    while (!fits_first_group(v)) {
        scratch[count++] = static_cast<unsigned char>((v & kGroup) | kMore);
        v = shift_right_7(v);
    }
    scratch[count++] = static_cast<unsigned char>((v & kGroup) | kMore);
    scratch[0] &= kGroup;
    for (int i = 0; i < count; ++i) out[i] = scratch[count - 1 - i];
    return count;
}

// Decoding stops at the first byte with bit 7 clear, and in any case after
// five bytes: no value needs more, so a damaged encoding never makes the
// decoder read past the fifth byte.  Five groups carry 35 bits; the value
// keeps the low 32, as the shifts of a 32-bit register would.  Returns the
// number of bytes consumed.
template <class NextByte> int decode_compact(NextByte next, std::int32_t &result) {
    unsigned char byte = 0;
    if (!next(byte)) return 0;
    std::uint32_t v = first_group(byte);
    int count = 1;
    while ((byte & kMore) != 0 && count < kMaxBytes) {
        if (!next(byte)) return count;
        v = (v << 7) + (byte & kGroup);
        ++count;
    }
    result = static_cast<std::int32_t>(v);
    return count;
}

} // namespace

} // namespace zrl

using namespace zrl;

extern "C" ZRL_API int fmtcbin(unsigned char *buffer, int32_t value) {
    return encode_compact(buffer, value);
}

extern "C" ZRL_API int defmtcbin(const unsigned char *buffer, int32_t *result) {
    const unsigned char *p = buffer;
    std::int32_t value = 0;
    const int count = decode_compact(
        [&p](unsigned char &byte) {
            byte = *p++;
            return true;
        },
        value);
    *result = value;
    return count;
}

// 0 when a byte cannot be read (the end of the file, an FDB that is not
// open); zrl_error tells a decoded 0 from that.
extern "C" ZRL_API int32_t fgetcbin(FDB *fdb) {
    set_status(kSuccess);
    if (!is_open(fdb)) return set_status(kInvalid), 0;
    bool failed = false;
    std::int32_t value = 0;
    decode_compact(
        [fdb, &failed](unsigned char &byte) {
            if (get_byte(*fdb, byte)) return true;
            failed = true;
            return false;
        },
        value);
    return failed ? 0 : value;
}
