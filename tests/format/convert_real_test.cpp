// Real conversions: convad (text to double, nine significant digits, stepwise
// scaling) and convda, dtoa and convda_noexp (seven significant digits).
#include "format/guarded_buffer.h"

#include <zrlshared.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

using zrl_test::GuardedBuffer;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDenorm = std::numeric_limits<double>::denorm_min();

// ---- convad ----------------------------------------------------------------

// Text without a digit is 0.0 with only a sign consumed; nine significant
// digits enter the mantissa and the tenth rounds it; the value saturates at
// infinity and zero, and exponent text wraps like convai.  Plain values are
// left to the comparison with strtod below.
TEST(Convad, ReadsDecimalTextAndReportsTheCharactersConsumed) {
    const struct {
        const char *text;
        double value;
        int consumed;
    } cases[] = {
        {"1e+2x", 100.0, 4},
        {"2e1.5", 20.0, 3},
        {"1.2.3", 1.2, 3},
        {"", 0.0, 0},
        {"-.", 0.0, 1},
        {"+-1", 0.0, 1},
        {"1234567895", 1234567900.0, 10},
        {"123456789.4999", 123456789.0, 14},
        {"1e400", kInf, 5},
        {"1e-2147483648", 0.0, 13},
        {"1e4294967297", 10.0, 12},
    };
    for (const auto &c : cases) {
        double value = -7.0;
        EXPECT_EQ(convad(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(atod(c.text), c.value) << c.text;
    }
    // The sign travels with the integer mantissa, so a zero is always +0.0;
    // digits after the tenth never change the mantissa.
    EXPECT_FALSE(std::signbit(atod("-0.0")));
    EXPECT_EQ(atod("1.234567891999"), atod("1.23456789"));
    EXPECT_EQ(atod(("1" + std::string(400, '0')).c_str()), kInf);
    EXPECT_EQ(atod(("0." + std::string(400, '0') + "1").c_str()), 0.0);
}

// convad scales its integer mantissa M by 10.0 one step at a time, which gives
// the correctly rounded value of M * 10^E (strtod's) exactly when no step but
// the last can round:
//   E >= 0 and M * 5^E < 2^53: every partial product is a double;
//   E < 0 and 5^(-E-1) divides M: every quotient but the last is a double,
//     and the last is one correctly rounded division.
// Random texts of up to nine significant digits, in varied spellings (point
// anywhere, leading zeros, exponent letter and sign), are drawn from exactly
// that domain.
TEST(Convad, AgreesWithStrtodWhereStepwiseScalingIsExact) {
    std::mt19937_64 rng(20240126);
    auto below = [&](std::uint64_t n) { return n == 0 ? 0 : rng() % n; };
    const std::uint64_t two53 = std::uint64_t{1} << 53;
    for (int i = 0; i < 200000; ++i) {
        const int e = static_cast<int>(below(36)) - 13; // -13 .. 22
        std::uint64_t pow5 = 1;
        for (int k = 0; k < (e >= 0 ? e : -e - 1); ++k)
            pow5 *= 5;
        std::uint64_t top = 9; // up to nine digits, short as common as long
        for (std::uint64_t k = below(9); k > 0; --k)
            top = top * 10 + 9;
        const std::uint64_t m = e >= 0 ? 1 + below(std::min<std::uint64_t>(top, (two53 - 1) / pow5))
                                       : pow5 * (1 + below(top / pow5));
        const std::string digits = std::to_string(m);
        // Place the point with `fraction` digits behind it (more than there are
        // digits means zeros after "0."), and add the exponent that restores e.
        const int fraction = static_cast<int>(below(digits.size() + 4));
        std::string text = below(4) == 0 ? "-" : (below(6) == 0 ? "+" : "");
        text += std::string(below(3), '0');
        if (fraction == 0) {
            text += digits;
            if (below(3) == 0) text += '.';
        } else if (fraction < static_cast<int>(digits.size())) {
            text += digits.substr(0, digits.size() - static_cast<std::size_t>(fraction)) + "." +
                    digits.substr(digits.size() - static_cast<std::size_t>(fraction));
        } else {
            text += (below(2) ? "0." : ".") +
                    std::string(static_cast<std::size_t>(fraction) - digits.size(), '0') + digits;
        }
        const int exponent = e + fraction;
        if (exponent != 0 || below(4) == 0) {
            text += below(2) ? "e" : "E";
            if (exponent >= 0 && below(2)) text += '+';
            text += std::to_string(exponent);
        }
        double value = 0.0;
        ASSERT_EQ(convad(text.c_str(), &value), static_cast<int>(text.size())) << text;
        ASSERT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
    }
}

// ---- convda and dtoa -------------------------------------------------------

// Seven significant digits, fixed notation for exponents -9..0 of the
// seven-digit form (0.001 up to 9999999), rounding at the scaling thresholds
// (2147483647, 214748364.7, 99999995), the extremes and the named values.
TEST(Convda, WritesSevenSignificantDigitsInFixedOrExponentNotation) {
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {0.0001, "1E-4"},
        {12345678.0, "1.234568E7"},
        {-0.00123456789, "-0.001234568"}, // the longest fixed text
        {0.000999999949, "9.999999E-4"},
        {0.00099999996, "0.001"},
        {9999999.45, "9999999"},
        {9999999.5, "1E7"},
        {2147483648.0, "2.147484E9"},
        {214748364.7, "2.147484E8"},
        {99999995.0, "1E8"},
        {-DBL_MAX, "-1.797693E308"},
        {-kDenorm, "-4.940656E-324"},
        {kInf, "INF"},
        {-kNaN, "NAN"},
    };
    for (const auto &c : cases) {
        for (int style = 0; style < 2; ++style) {
            GuardedBuffer buffer(16);
            const int n =
                style == 0 ? convda(&c.value, buffer.data()) : dtoa(c.value, buffer.data());
            EXPECT_EQ(buffer.text(), c.text);
            EXPECT_EQ(n, static_cast<int>(std::strlen(c.text))) << c.text;
            EXPECT_TRUE(buffer.untouched_from(n + 1)) << c.text;
        }
    }
}

// Reading the text back gives the value to seven significant digits, over
// the whole normal range; where convda writes fixed notation of at most
// eight characters, convda_noexp writes the same.
TEST(Convda, TextReadsBackToSevenSignificantDigits) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    int compared = 0;
    for (int i = 0; i < 100000; ++i) {
        const int exp10 = static_cast<int>(rng() % 600) - 300;
        const double x =
            mantissa(rng) * std::pow(10.0, i % 2 ? exp10 : exp10 % 7) * (rng() % 2 ? 1 : -1);
        char text[16], cut[16];
        const int n = dtoa(x, text);
        ASSERT_LE(n, 15);
        ASSERT_EQ(n, static_cast<int>(std::strlen(text)));
        double back = 0.0;
        ASSERT_EQ(convad(text, &back), n) << text;
        // Truncation before the final rounding adds up to 0.1 of a unit.
        ASSERT_LE(std::fabs(back - x), 6.1e-7 * std::fabs(x)) << text;
        if (n > 8 || std::strchr(text, 'E') != nullptr) continue;
        EXPECT_EQ(convda_noexp(&x, cut), n);
        EXPECT_STREQ(cut, text);
        ++compared;
    }
    EXPECT_GT(compared, 10000);
}

// ---- convda_noexp ------------------------------------------------------------

// Fixed notation cut to eight characters, the uncut length returned; numbers
// that round to 10^7 or more, infinities and NaNs give the empty text (a real
// field's overflow fill), and below 10^-6 a zero with the sign kept.
TEST(ConvdaNoexp, WritesFixedNotationCutToEightCharacters) {
    const struct {
        double value;
        const char *kept; // the text left in the buffer
        int result;       // the uncut length
    } cases[] = {
        {-123456.75, "-123456.", 9},
        {-1.234567e-6, "-0.00000", 15},
        {0.0, "0", 1},
        {-9999999.6, "", 0},
        {-1.0e-7, "-0", 2},
        {9.9999996e-7, "0.000001", 8},
        {kInf, "", 0},
        {-kNaN, "", 0},
    };
    for (const auto &c : cases) {
        GuardedBuffer buffer(16);
        const int n = convda_noexp(&c.value, buffer.data());
        EXPECT_EQ(buffer.text(), c.kept) << c.value;
        EXPECT_EQ(n, c.result) << c.value;
        EXPECT_EQ(buffer.data()[8], '\0') << c.value;
        EXPECT_TRUE(buffer.untouched_from(static_cast<int>(std::strlen(c.kept)) + 1, 8)) << c.value;
    }
}

} // namespace
