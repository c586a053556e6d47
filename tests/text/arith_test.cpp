// Integer scaling operations and the rounded square root.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

struct Triple {
    int a, b, c;
    int expected;
};

TEST(Muldiv, TruncatesTowardZeroUsingOnlyTheLow16Bits) {
    const Triple cases[] = {
        {300, 300, 7, 12857}, // 32-bit product 90000
        {7, 1, 2, 3},
        {-7, 1, 2, -3},
        {7, 1, -2, -3},
        {-7, -1, -2, -3},
        {7, -1, -2, 3},
        {65537, 5, 1, 5}, // 65537 acts as 1
        {5, 65537, 65537, 5},
        {0x18000, 1, 1, -32768}, // low 16 bits 0x8000
        {65535, 3, 1, -3},       // low 16 bits are -1
        {-32768, -32768, 1, 1073741824},
        {-32768, -32768, -1, -1073741824},
        {32767, 32767, 32767, 32767},
        {0, 12345, -7, 0},
    };
    for (const auto &t : cases)
        EXPECT_EQ(muldiv(t.a, t.b, t.c), t.expected) << t.a << " * " << t.b << " / " << t.c;
}

TEST(Rmuldiv, RoundsHalvesAwayFromZeroForEverySignCombination) {
    const Triple cases[] = {
        {5, 1, 2, 3},
        {-5, 1, 2, -3},
        {5, 1, -2, -3},
        {-5, 1, -2, 3},
        {4, 1, 3, 1},
        {5, 1, 3, 2},
        {-5, 1, 3, -2},
        {7, 1, 2, 4},
        {-7, 1, 2, -4},
        {300, 300, 7, 12857}, // 12857.14
        {300, 300, -7, -12857},
        {65537, 7, 2, 4}, // 65537 acts as 1
        {-32768, -32768, 32767, 32769},
        // A divisor of -32768 rounds like any other: its half is 16384.
        {1, 16384, -32768, -1},
        {-1, 16384, -32768, 1},
        {1, 16383, -32768, 0},
        {-32768, -32768, -32768, -32768},
        {1, 16384, 0x18000, -1}, // the same divisor given as its low 16 bits
    };
    for (const auto &t : cases)
        EXPECT_EQ(rmuldiv(t.a, t.b, t.c), t.expected) << t.a << " * " << t.b << " / " << t.c;
}

TEST(Qrmd, RoundsA64BitProductAndKeepsTheLow32Bits) {
    const Triple cases[] = {
        {100000, 100000, 30000, 333333}, // product above 32 bits
        {10, 1, 4, 3},                   // 2.5 rounds away from zero
        {-10, 1, 4, -3},
        {10, -1, 4, -3},
        {10, 1, -4, -3},
        {-10, -1, 4, 3},
        {-10, 1, -4, 3},
        {-10, -1, -4, -3},
        {9, 1, 4, 2},
        {11, 1, 4, 3},
        {0, -5, 3, 0},
        {65536, 65536, 1, 0},          // 2^32 cut to its low 32 bits
        {65536, 65536, 2, INT32_MIN},  // 2^31 does not fit
        {65536, 65536, 3, 1431655765}, // 1431655765.33
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
        // The most negative int takes part with its exact magnitude 2^31.
        {INT32_MIN, 1, 1, INT32_MIN},
        {INT32_MIN, -1, 1, INT32_MIN}, // +2^31 cut to 32 bits
        {INT32_MIN, 1, INT32_MIN, 1},
        {INT32_MIN, 1, -2, 1073741824},
        {INT32_MIN, 3, 2, 1073741824}, // -3 * 2^30 cut to 32 bits
        {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
        {INT32_MIN, INT32_MIN, 1, 0},   // 2^62
        {1, 1, INT32_MIN, 0},           // -2^-31 rounds to 0
        {1, 1073741824, INT32_MIN, -1}, // -0.5 rounds away from zero
    };
    for (const auto &t : cases)
        EXPECT_EQ(qrmd(t.a, t.b, t.c), t.expected) << t.a << " * " << t.b << " / " << t.c;
}

TEST(Qrdv, DividesTheTwoHalvesRoundedAndKeepsTheLow32Bits) {
    struct Case {
        unsigned int low;
        int high;
        int d;
        int expected;
    };
    const Case cases[] = {
        {7, 0, 2, 4},
        {7, 0, -2, -4},
        {0xFFFFFFF9u, -1, 2, -4}, // -7
        {0xFFFFFFF9u, -1, -2, 4},
        {5, 0, 3, 2},
        {3567587328u, 232, 1000000, 1000000}, // 10^12
        {0xFFFFFFFFu, 0, 2, INT32_MIN},       // the low half is unsigned: 2^32 - 1
        {0, 1, 1, 0},                         // 2^32
        {0, 1, 3, 1431655765},
        {0, INT32_MIN, 1, 0},            // -2^63: magnitude 2^63
        {0, INT32_MIN, -3, -1431655765}, // 2^63 / 3 rounded, cut to 32 bits
        {0, INT32_MIN, 3, 1431655765},
        {0, INT32_MIN, INT32_MIN, 0}, // 2^32
        {0xFFFFFFFFu, INT32_MAX, 7, 1227133513},
        {0, 0, INT32_MIN, 0},
        {0x40000000u, 0, INT32_MIN, -1}, // -0.5 rounds away from zero
    };
    for (const auto &t : cases)
        EXPECT_EQ(qrdv(t.low, t.high, t.d), t.expected) << t.high << ":" << t.low << " / " << t.d;
}

// Away from the most negative values, both roundings are the plain
// (2|n|/|d| + 1) / 2 with the sign applied, cut to 32 bits.
TEST(Qrdv, MatchesDoubledQuotientRoundingOnRandomOperands) {
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
    }
}

// A zero divisor is the caller's error; the operations return 0 instead of
// trapping, also when only the low 16 bits are zero.
TEST(ScalingOperations, ReturnZeroForAZeroDivisor) {
    EXPECT_EQ(muldiv(5, 5, 0), 0);
    EXPECT_EQ(muldiv(5, 5, 65536), 0);
    EXPECT_EQ(rmuldiv(5, 5, 0), 0);
    EXPECT_EQ(rmuldiv(5, 5, -65536), 0);
    EXPECT_EQ(qrmd(5, 5, 0), 0);
    EXPECT_EQ(qrdv(5, 5, 0), 0);
}

TEST(Lsqrt, RoundsToTheNearestRoot) {
    const struct {
        int n;
        int expected;
    } cases[] = {
        {0, 0},
        {1, 1},
        {2, 1},
        {3, 2},
        {4, 2},
        {6, 2},
        {7, 3},
        {8, 3},
        {9, 3},
        {2147483647, 46341},
        {-1, 65536},        // 4294967295 as unsigned
        {INT32_MIN, 46341}, // 2^31
        {-131072, 65535},   // 2^32 - 2^17, one below 65535^2
    };
    for (const auto &t : cases)
        EXPECT_EQ(lsqrt(t.n), t.expected) << t.n;
}

// Integer reference: r = floor(sqrt(n)), plus one when n > r*r + r, which is
// where the root passes r + 0.5.  Checked densely at the bottom and at every
// square and every rounding boundary over the whole unsigned range.
TEST(Lsqrt, MatchesAnIntegerReferenceOverTheWholeRange) {
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
        const int below = static_cast<int>(r);
        const int expected[] = {below, below, below, below + 1};
        for (int k = 0; k < 4; ++k) {
            if (probes[k] > 0xFFFFFFFFu) continue;
            const auto n = static_cast<int>(static_cast<std::uint32_t>(probes[k]));
            ASSERT_EQ(lsqrt(n), expected[k]) << probes[k];
        }
    }
    std::mt19937 rng(1);
    for (int i = 0; i < 100000; ++i) {
        const std::uint32_t n = rng();
        std::uint64_t r = static_cast<std::uint64_t>(lsqrt(static_cast<int>(n)));
        // r is the nearest root exactly when (r - 0.5)^2 <= n < (r + 0.5)^2.
        ASSERT_TRUE(r == 0 || r * r - r < n) << n;
        ASSERT_TRUE(n <= r * r + r) << n;
    }
}

} // namespace
