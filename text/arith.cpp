// Integer scaling: multiply-then-divide in 16-bit and 32/64-bit forms,
// rounded 64-by-32 division and the rounded square root.
//
// Every intermediate is computed in a type wide enough to hold it, so no
// signed overflow can occur; results that do not fit are cut to their low 32
// bits explicitly.
//
// A zero divisor is a caller error that nothing reports; rather than trap,
// these operations then return 0.
#include <zrlshared.h>

#include <cmath>
#include <cstdint>

namespace zrl {
namespace {

// Only the low 16 bits of each argument of muldiv and rmuldiv count.
std::int32_t low16(int value) {
    return static_cast<std::int16_t>(value);
}

std::uint64_t magnitude(std::int64_t value) {
    // Negated in unsigned arithmetic, so the most negative value has its
    // true magnitude as well.
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

int low32(std::uint64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// (floor(2n / d) + 1) / 2 for unsigned n and d: n / d rounded to nearest with
// halves up.  With n = q*d + r the doubled quotient is 2q plus 1 exactly when
// 2r >= d, so the result is q plus that carry; this form needs no room for 2n
// and therefore also holds for a magnitude of 2^63.
std::uint64_t rounded_quotient(std::uint64_t n, std::uint64_t d) {
    const std::uint64_t q = n / d;
    const std::uint64_t r = n % d;
    return q + (r >= d - r ? 1 : 0);
}

// Signed n / d rounded to nearest, halves away from zero, cut to 32 bits.
// The sign is the exclusive-or of the operands' signs and the division runs
// on the magnitudes, so the most negative int (and, for qrdv, the most
// negative 64-bit dividend) divides like any other value: its magnitude is
// exact in 64 bits.
int signed_rounded(std::uint64_t n_magnitude, bool negative, std::uint64_t d_magnitude) {
    const std::uint64_t q = rounded_quotient(n_magnitude, d_magnitude);
    return low32(negative ? 0 - q : q);
}

} // namespace

int muldiv16(int a, int b, int c) {
    const std::int32_t divisor = low16(c);
    if (divisor == 0) return 0;
    // |a * b| <= 2^30, so the product and the quotient fit in 32 bits.
    return low16(a) * low16(b) / divisor;
}

// Halves round away from zero: half the divisor's magnitude is added in the
// direction of the product's sign before truncating.  The magnitude is taken
// in 32 bits, so a divisor of -32768 has half 16384 and rounds like every
// other divisor (1 * 16384 / -32768 gives -1).
int rmuldiv16(int a, int b, int c) {
    const std::int32_t divisor = low16(c);
    if (divisor == 0) return 0;
    const std::int32_t p = low16(a) * low16(b);
    std::int32_t r = (divisor < 0 ? -divisor : divisor) / 2;
    if (p < 0) r = -r;
    return (p + r) / divisor;
}

// a * b / c with a 64-bit product, rounded.  2 * |a| * |b| is at most 2^63,
// so the product of the magnitudes always fits.
int qrmd32(int a, int b, int c) {
    if (c == 0) return 0;
    const bool negative = ((a < 0) != (b < 0)) != (c < 0);
    return signed_rounded(magnitude(a) * magnitude(b), negative, magnitude(c));
}

// The 64-bit dividend high * 2^32 + low divided by d, rounded.
int qrdv64(unsigned int low, int high, int d) {
    if (d == 0) return 0;
    const auto n = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
        static_cast<std::uint32_t>(low));
    const bool negative = (n < 0) != (d < 0);
    return signed_rounded(magnitude(n), negative, magnitude(d));
}

// Square root of n taken as unsigned 32 bits, rounded to nearest.  A double
// holds every such n exactly and its root closely enough that adding 0.5 and
// truncating never lands on the wrong side: the nearest root is never within
// 1e-6 of a half.
int isqrt_rounded(int n) {
    const double value = static_cast<double>(static_cast<std::uint32_t>(n));
    return static_cast<int>(std::sqrt(value) + 0.5);
}

} // namespace zrl

extern "C" ZRL_API int muldiv(int a, int b, int c) {
    return zrl::muldiv16(a, b, c);
}

extern "C" ZRL_API int rmuldiv(int a, int b, int c) {
    return zrl::rmuldiv16(a, b, c);
}

extern "C" ZRL_API int qrmd(int a, int b, int c) {
    return zrl::qrmd32(a, b, c);
}

extern "C" ZRL_API int qrdv(unsigned int low, int high, int d) {
    return zrl::qrdv64(low, high, d);
}

extern "C" ZRL_API int lsqrt(int n) {
    return zrl::isqrt_rounded(n);
}
