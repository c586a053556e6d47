// Integer scaling operations and the rounded square root.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// The extremes that the random comparison below does not reach: muldiv and
// rmuldiv on the low 16 bits of each operand (signed); qrmd keeps the low 32
// bits of the quotient, the most negative int taking part with its magnitude
// 2^31.  A zero divisor gives 0.
TEST(ScalingOperations, KeepTheirOperandAndResultWidthsAtTheExtremes) {
    const struct {
        int a, b, c;
        int muldiv, rmuldiv, qrmd;
    } cases[] = {
        {-32768, -32768, -32768, -32768, -32768, -32768},
        {1, 16384, -32768, 0, -1, -1},
        {1, 16384, 0x18000, 0, -1, 0},
        {65536, 65536, 2, 0, 0, INT32_MIN}, // 2^31 does not fit
        {INT32_MAX, INT32_MAX, INT32_MAX, -1, -1, INT32_MAX},
        {INT32_MIN, -1, 1, 0, 0, INT32_MIN}, // +2^31 cut to 32 bits
        {INT32_MIN, INT32_MIN, 1, 0, 0, 0},  // 2^62
        {1, 1073741824, INT32_MIN, 0, 0, -1},
        {5, 5, 0, 0, 0, 0},
        {5, 5, -65536, 0, 0, 0},
    };
    for (const auto &t : cases) {
        EXPECT_EQ(muldiv(t.a, t.b, t.c), t.muldiv) << t.a << " * " << t.b << " / " << t.c;
        EXPECT_EQ(rmuldiv(t.a, t.b, t.c), t.rmuldiv) << t.a << " * " << t.b << " / " << t.c;
        EXPECT_EQ(qrmd(t.a, t.b, t.c), t.qrmd) << t.a << " * " << t.b << " / " << t.c;
    }
}

// The low half is unsigned, the high half signed; -2^63 has magnitude 2^63.
TEST(Qrdv, DividesTheTwoHalvesRoundedAndKeepsTheLow32Bits) {
    const struct {
        unsigned int low;
        int high, d, expected;
    } cases[] = {
        {7, 0, -2, -4},
        {0xFFFFFFF9u, -1, 2, -4},
        {0xFFFFFFFFu, 0, 2, INT32_MIN},
        {0, INT32_MIN, -3, -1431655765},
        {0, INT32_MIN, INT32_MIN, 0},
        {0x40000000u, 0, INT32_MIN, -1},
        {5, 5, 0, 0},
    };
    for (const auto &t : cases)
        EXPECT_EQ(qrdv(t.low, t.high, t.d), t.expected) << t.high << ":" << t.low << " / " << t.d;
}

// Away from the most negative values, the rounded operations are the plain
// (2|n|/|d| + 1) / 2 with the sign applied, cut to 32 bits; muldiv truncates
// toward zero and rmuldiv rounds halves away from zero, on 16-bit operands.
// Small divisors are common, so exact halves occur often.
TEST(ScalingOperations, MatchModelsOnRandomOperands) {
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<std::int64_t> wide(INT64_MIN + 1, INT64_MAX);
    std::uniform_int_distribution<std::int32_t> narrow(INT32_MIN + 1, INT32_MAX);
    auto rounded = [](std::int64_t n, std::int64_t d) {
        const std::uint64_t mn = static_cast<std::uint64_t>(n < 0 ? -n : n);
        const std::uint64_t md = static_cast<std::uint64_t>(d < 0 ? -d : d);
        std::uint64_t q = (2 * mn / md + 1) / 2;
        if ((n < 0) != (d < 0)) q = 0 - q;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(q));
    };
    for (int i = 0; i < 200000; ++i) {
        std::int64_t n = wide(rng) >> (rng() % 64); // all magnitudes
        std::int32_t d = narrow(rng) >> (rng() % 32);
        if (d == 0) d = 1;
        const auto low = static_cast<unsigned int>(static_cast<std::uint64_t>(n) & 0xFFFFFFFFu);
        const auto high = static_cast<int>(n >> 32);
        ASSERT_EQ(qrdv(low, high, d), rounded(n, d)) << n << " / " << d;

        const std::int32_t a = narrow(rng) >> (rng() % 32);
        const std::int32_t b = narrow(rng) >> (rng() % 32);
        ASSERT_EQ(qrmd(a, b, d), rounded(static_cast<std::int64_t>(a) * b, d))
            << a << " * " << b << " / " << d;

        const std::int32_t p =
            std::int32_t{static_cast<std::int16_t>(a)} * static_cast<std::int16_t>(b);
        const std::int16_t c = static_cast<std::int16_t>(d);
        if (c == 0) continue;
        ASSERT_EQ(muldiv(a, b, d), p / c) << a << " * " << b << " / " << d;
        ASSERT_EQ(rmuldiv(a, b, d), static_cast<int>(std::round(static_cast<double>(p) / c)))
            << a << " * " << b << " / " << d;
    }
}

// The argument is read as unsigned.  Integer reference: r = floor(sqrt(n)),
// plus one when n > r*r + r, which is where the root passes r + 0.5; checked
// densely at the bottom and at every square and rounding boundary.
TEST(Lsqrt, RoundsToTheNearestRootOverTheWholeRange) {
    EXPECT_EQ(lsqrt(-1), 65536);        // 4294967295
    EXPECT_EQ(lsqrt(INT32_MIN), 46341); // 2^31
    EXPECT_EQ(lsqrt(-131072), 65535);   // 2^32 - 2^17, one below 65535^2
    auto reference = [](std::uint64_t n) {
        std::uint64_t r = 0;
        while ((r + 1) * (r + 1) <= n)
            ++r;
        return static_cast<int>(n > r * r + r ? r + 1 : r);
    };
    for (std::uint64_t n = 0; n < 20000; ++n)
        ASSERT_EQ(lsqrt(static_cast<int>(static_cast<std::uint32_t>(n))), reference(n)) << n;
    for (std::uint64_t r = 2; r <= 65536; ++r) {
        const std::uint64_t probes[] = {r * r - 1, r * r, r * r + r, r * r + r + 1};
        for (int k = 0; k < 4; ++k) {
            if (probes[k] > 0xFFFFFFFFu) continue;
            const auto n = static_cast<int>(static_cast<std::uint32_t>(probes[k]));
            ASSERT_EQ(lsqrt(n), static_cast<int>(r) + (k == 3)) << probes[k];
        }
    }
}

} // namespace
