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

// ---- convad ----------------------------------------------------------------

struct RealParseCase {
    const char *text;
    double value;
    int consumed;
};

TEST(Convad, ReadsDecimalTextAndReportsTheCharactersConsumed) {
    const RealParseCase cases[] = {
        {"12.5", 12.5, 4},
        {"1e", 1.0, 2},
        {"1.2.3", 1.2, 3},
        {".5", 0.5, 2},
        {"-12.5e-1", -1.25, 8},
        {"+3", 3.0, 2},
        {"1E3", 1000.0, 3},
        {"1e+2x", 100.0, 4},
        {"2e-", 2.0, 3},
        {"2e+", 2.0, 3},
        {"2e1.5", 20.0, 3},
        {"0.05", 0.05, 4},
        {"5.", 5.0, 2},
        {"1x", 1.0, 1},
        {"000000000012345", 12345.0, 15},
        {"0.000", 0.0, 5},
        {"0e99", 0.0, 4},
        {"999999999", 999999999.0, 9},
        {"-999999999", -999999999.0, 10},
    };
    for (const auto &c : cases) {
        double value = -7.0;
        EXPECT_EQ(convad(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(atod(c.text), c.value) << c.text;
    }
}

// Text without a digit is 0.0; only a sign counts as consumed.
TEST(Convad, ConsumesOnlyTheSignOfTextWithoutDigits) {
    const RealParseCase cases[] = {
        {"", 0.0, 0},   {"-", 0.0, 1},   {"+", 0.0, 1},  {".", 0.0, 0},   {"-.", 0.0, 1},
        {"e5", 0.0, 0}, {".e5", 0.0, 0}, {" 1", 0.0, 0}, {"+-1", 0.0, 1}, {"x", 0.0, 0},
    };
    for (const auto &c : cases) {
        double value = -7.0;
        EXPECT_EQ(convad(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, 0.0) << c.text;
    }
}

// The sign travels with the integer mantissa, so a zero is always +0.0.
TEST(Convad, GivesPositiveZeroForNegativeZeroText) {
    for (const char *text : {"-0", "-0.0", "-0e5", "-000"}) {
        double value = 1.0;
        convad(text, &value);
        EXPECT_EQ(value, 0.0) << text;
        EXPECT_FALSE(std::signbit(value)) << text;
    }
}

// Nine significant digits enter the mantissa; the tenth rounds it up when it
// is 5 or more; later ones only scale (before the point) or vanish (after it).
TEST(Convad, KeepsNineSignificantDigitsAndRoundsOnTheTenth) {
    const RealParseCase cases[] = {
        {"1234567895", 1234567900.0, 10},   {"1234567894", 1234567890.0, 10},
        {"12345678951", 12345679000.0, 11}, {"12345678949", 12345678900.0, 11},
        {"9999999999", 10000000000.0, 10},  {"1999999999.5", 2000000000.0, 12},
        {"-1234567895", -1234567900.0, 11}, {"0001234567895", 1234567900.0, 13},
        {"123456789.5", 123456790.0, 11},   {"123456789.4999", 123456789.0, 14},
    };
    for (const auto &c : cases) {
        double value = 0.0;
        EXPECT_EQ(convad(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    // Digits after the tenth, before or after the point, never change the mantissa.
    const std::pair<const char *, const char *> same[] = {
        {"1.23456789123", "1.23456789"},        {"1.234567891999", "1.23456789"},
        {"1.234567895", "1.2345679"},           {"0.000123456789999", "0.000123456790"},
        {"98765432.19999e-3", "98765432.2e-3"}, {"1234567890000000000000", "123456789e13"},
    };
    for (const auto &[long_text, short_text] : same) {
        double a = 0.0, b = 1.0;
        EXPECT_EQ(convad(long_text, &a), static_cast<int>(std::strlen(long_text))) << long_text;
        convad(short_text, &b);
        EXPECT_EQ(a, b) << long_text;
    }
    // Where the tenth digit matters, the result is not strtod's.
    EXPECT_NE(atod("1234567895"), std::strtod("1234567895", nullptr));
    EXPECT_NE(atod("1.23456789123"), std::strtod("1.23456789123", nullptr));
}

// A mantissa scaled past the double range becomes infinite or zero and stays
// so; exponent text wraps like convai, and a huge exponent costs no time.
TEST(Convad, SaturatesAtInfinityAndZero) {
    const RealParseCase cases[] = {
        {"1e400", kInf, 5},         {"-1e400", -kInf, 6},       {"1e-400", 0.0, 6},
        {"1e2147483647", kInf, 12}, {"1e-2147483648", 0.0, 13}, {"1e4294967296", 1.0, 12},
        {"1e4294967297", 10.0, 12},
    };
    for (const auto &c : cases) {
        double value = 0.0;
        EXPECT_EQ(convad(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    EXPECT_TRUE(std::isfinite(atod("1.7e308")));
    EXPECT_EQ(atod("1.8e308"), kInf);
    const std::string digits = "1" + std::string(400, '0');
    EXPECT_EQ(atod(digits.c_str()), kInf);
    const std::string fraction = "0." + std::string(400, '0') + "1";
    double value = 1.0;
    EXPECT_EQ(convad(fraction.c_str(), &value), static_cast<int>(fraction.size()));
    EXPECT_EQ(value, 0.0);
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
        // Up to nine digits, short mantissas as common as long ones.
        std::uint64_t top = 9;
        for (std::uint64_t k = below(9); k > 0; --k)
            top = top * 10 + 9;
        std::uint64_t m;
        if (e >= 0) {
            m = 1 + below(std::min<std::uint64_t>(top, (two53 - 1) / pow5));
        } else {
            m = pow5 * (1 + below(top / pow5));
        }
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
        char *end = nullptr;
        const double reference = std::strtod(text.c_str(), &end);
        ASSERT_EQ(end, text.c_str() + text.size()) << text;
        ASSERT_EQ(value, reference) << text;
    }
}

// ---- convda and dtoa -------------------------------------------------------

struct RealWriteCase {
    double value;
    const char *text;
};

void expect_convda(double value, const std::string &expected) {
    char label[40];
    std::snprintf(label, sizeof label, "%.17g", value);
    for (int style = 0; style < 2; ++style) {
        GuardedBuffer buffer(16);
        const int n = style == 0 ? convda(&value, buffer.data()) : dtoa(value, buffer.data());
        EXPECT_EQ(buffer.text(), expected) << label;
        EXPECT_EQ(n, static_cast<int>(expected.size())) << label;
        EXPECT_TRUE(buffer.untouched_from(n + 1)) << label;
    }
}

TEST(Convda, WritesSevenSignificantDigitsInFixedOrExponentNotation) {
    const RealWriteCase cases[] = {
        {1.0, "1"},
        {0.5, "0.5"},
        {0.001, "0.001"},
        {0.0001, "1E-4"},
        {123.456, "123.456"},
        {1234567.0, "1234567"},
        {12345678.0, "1.234568E7"},
        {1.0e7, "1E7"},
        {3.14159265, "3.141593"},
        {-2.5, "-2.5"},
        {1.0 / 3, "0.3333333"},
        {0.0, "0"},
        {-0.0, "0"},
        {9999999.6, "1E7"},
        {9999999.4, "9999999"},
        {100.0, "100"},
        {-1.0e-20, "-1E-20"},
        {2.0e-13, "2E-13"},
        {6.02214076e23, "6.022141E23"},
    };
    for (const auto &c : cases)
        expect_convda(c.value, c.text);
}

// Fixed notation holds for exponents -9..0 of the seven-digit form: from
// 0.001 (which gets two extra zeros after "0.") up to 9999999.
TEST(Convda, SwitchesNotationAtTheEdgesOfTheFixedRange) {
    const RealWriteCase cases[] = {
        {0.00123456789, "0.001234568"},   // e = -9: "0.00" and seven digits
        {-0.00123456789, "-0.001234568"}, // the longest fixed text
        {0.0123456789, "0.01234568"},     // e = -8
        {0.123456789, "0.1234568"},       // e = -7
        {1.23456789, "1.234568"},         // e = -6
        {0.000999999949, "9.999999E-4"},  // e = -10
        {0.00099999996, "0.001"},         // rounds up into e = -9
        {0.000123456789, "1.234568E-4"},
        {1.0e-12, "1E-12"},
        {1.0e-13, "1E-13"},
        {1.0e-30, "1E-30"},
        {9999999.0, "9999999"},
        {9999999.5, "1E7"},
        {10000000.0, "1E7"},
        {-9999999.5, "-1E7"},
        {-12345678.0, "-1.234568E7"},
    };
    for (const auto &c : cases)
        expect_convda(c.value, c.text);
}

// Values at the thresholds of the scaling: 2147483647 (no division),
// 214748364.7 (one more multiplication), and 99999995 (one more division
// before rounding to seven digits).
TEST(Convda, RoundsCorrectlyAtTheScalingThresholds) {
    const RealWriteCase cases[] = {
        {2147483647.0, "2.147484E9"},
        {2147483648.0, "2.147484E9"},
        {4294967295.0, "4.294967E9"},
        {214748364.7, "2.147484E8"},
        {214748364.8, "2.147484E8"},
        {214748364.0, "2.147484E8"},
        {99999995.0, "1E8"},
        {99999994.0, "9.999999E7"},
        {99999994.9, "9.999999E7"},
        {9999999.45, "9999999"},
        {1.0e9, "1E9"},
        {1.0e10, "1E10"},
        {1.5, "1.5"},
    };
    for (const auto &c : cases)
        expect_convda(c.value, c.text);
}

TEST(Convda, HandlesTheExtremesOfTheDoubleRange) {
    const RealWriteCase cases[] = {
        {DBL_MAX, "1.797693E308"},
        {-DBL_MAX, "-1.797693E308"},
        {DBL_MIN, "2.225074E-308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656E-324"},
        {-std::numeric_limits<double>::denorm_min(), "-4.940656E-324"},
        {1.0e300, "1E300"},
    };
    for (const auto &c : cases)
        expect_convda(c.value, c.text);
}

// Infinities and NaNs have no seven-digit form; they are named instead.
TEST(Convda, NamesInfinitiesAndNaNs) {
    expect_convda(kInf, "INF");
    expect_convda(-kInf, "-INF");
    expect_convda(kNaN, "NAN");
    expect_convda(-kNaN, "NAN");
}

// Reading the text back gives the value to seven significant digits, over
// the whole normal range.
TEST(Convda, TextReadsBackToSevenSignificantDigits) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    for (int i = 0; i < 100000; ++i) {
        const int exp10 = static_cast<int>(rng() % 600) - 300;
        double x = mantissa(rng) * std::pow(10.0, exp10);
        if (rng() % 2) x = -x;
        char text[16];
        const int n = dtoa(x, text);
        ASSERT_LE(n, 15);
        ASSERT_EQ(n, static_cast<int>(std::strlen(text)));
        double back = 0.0;
        ASSERT_EQ(convad(text, &back), n) << text;
        // Truncation before the final rounding adds up to 0.1 of a unit.
        ASSERT_LE(std::fabs(back - x), 6.1e-7 * std::fabs(x)) << text;
    }
}

// ---- convda_noexp ------------------------------------------------------------

struct NoexpCase {
    double value;
    const char *kept; // the text left in the buffer
    int result;       // the uncut length
};

void expect_noexp(const NoexpCase &c) {
    char label[40];
    std::snprintf(label, sizeof label, "%.17g", c.value);
    GuardedBuffer buffer(16);
    const int n = convda_noexp(&c.value, buffer.data());
    EXPECT_EQ(buffer.text(), c.kept) << label;
    EXPECT_EQ(n, c.result) << label;
    EXPECT_EQ(buffer.data()[8], '\0') << label;
    EXPECT_TRUE(buffer.untouched_from(static_cast<int>(std::strlen(c.kept)) + 1, 8)) << label;
}

TEST(ConvdaNoexp, WritesFixedNotationCutToEightCharacters) {
    const NoexpCase cases[] = {
        {0.0001, "0.0001", 6},
        {1.0e-6, "0.000001", 8},
        {1.0 / 3, "0.333333", 9},
        {123456.75, "123456.8", 8},
        {-123456.75, "-123456.", 9},
        {1.0, "1", 1},
        {-2.5, "-2.5", 4},
        {0.5, "0.5", 3},
        {9999999.4, "9999999", 7},
        {1234567.0, "1234567", 7},
        {-1234567.4, "-1234567", 8},
        {0.00123456789, "0.001234", 11},
        {1.234567e-6, "0.000001", 14},
        {-1.234567e-6, "-0.00000", 15},
        {0.0, "0", 1},
        {-0.0, "0", 1},
    };
    for (const auto &c : cases)
        expect_noexp(c);
}

// Numbers that round to 10^7 or more have no fixed form; below 10^-6 they
// show as zero with the sign kept.
TEST(ConvdaNoexp, GivesEmptyTextForLargeNumbersAndZeroForTinyOnes) {
    const NoexpCase cases[] = {
        {12345678.0, "", 0},
        {-12345678.0, "", 0},
        {9999999.6, "", 0},
        {-9999999.6, "", 0},
        {1.0e300, "", 0},
        {-1.0e-7, "-0", 2},
        {1.0e-7, "0", 1},
        {9.99999e-7, "0", 1},
        {-9.99999e-7, "-0", 2},
        {std::numeric_limits<double>::denorm_min(), "0", 1},
        {9.9999996e-7, "0.000001", 8},
    };
    for (const auto &c : cases)
        expect_noexp(c);
}

// Infinities and NaNs cannot be shown in fixed notation either: the empty
// text, which a real field turns into its overflow fill.
TEST(ConvdaNoexp, GivesEmptyTextForInfinitiesAndNaNs) {
    for (double v : {kInf, -kInf, kNaN, -kNaN})
        expect_noexp({v, "", 0});
}

// Where convda writes fixed notation of at most eight characters, the two
// agree.
TEST(ConvdaNoexp, MatchesConvdaForShortFixedTexts) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    int compared = 0;
    for (int i = 0; i < 50000; ++i) {
        const double x =
            mantissa(rng) * std::pow(10.0, static_cast<int>(rng() % 12) - 5) * (rng() % 2 ? 1 : -1);
        char full[16], cut[16];
        const int n = convda(&x, full);
        if (n > 8 || std::strchr(full, 'E') != nullptr) continue;
        EXPECT_EQ(convda_noexp(&x, cut), n);
        EXPECT_STREQ(cut, full);
        ++compared;
    }
    EXPECT_GT(compared, 10000);
}

} // namespace
