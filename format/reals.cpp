// Real conversions: decimal text to double with nine significant digits, and
// doubles to text with seven significant digits in fixed or exponent notation.
// Both scale by 10.0 one multiplication or division at a time, so their
// results are those of that stepwise arithmetic, not correctly rounded ones.
#include "format/convert.h"
#include "format/digits.h"

#include <zrlshared.h>

#include <cfloat>
#include <cmath>
#include <cstring>

namespace zrl {

namespace {

// Where the compiler keeps doubles in wider registers (x87), each scaling step
// is stored once so that it rounds as a double: the stepwise results are then
// the same on every build.
inline double as_double(double v) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD != 0
    volatile double stored = v;
    return stored;
#else
    return v;
#endif
}

constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Digits kept in the mantissa; the next one rounds it.
constexpr int kMantissaDigits = 9;

// Fixed notation of m * 10^e for a seven-digit m and -12 <= e <= 0, with the
// trailing zeros of the fraction and then a bare point removed.  At most
// "-0." and twelve fraction digits: 15 characters.  Returns the length; no NUL.
int put_fixed(const SevenDigits &d, char *out) {
    char m[7];
    digits::put_decimal(m, 7, d.m);
    const int fraction = -d.e;
    int n = 0;
    if (d.negative) out[n++] = '-';
    // Digits of m that stay after removing trailing zeros of the fraction.
    int last = 7;
    while (last > 7 - fraction && last > 1 && m[last - 1] == '0')
        --last;
    if (fraction <= 6) {
        const int whole = 7 - fraction;
        std::memcpy(out + n, m, static_cast<std::size_t>(whole));
        n += whole;
        if (last > whole) {
            out[n++] = '.';
            std::memcpy(out + n, m + whole, static_cast<std::size_t>(last - whole));
            n += last - whole;
        }
        return n;
    }
    out[n++] = '0';
    out[n++] = '.';
    for (int z = 7; z < fraction; ++z)
        out[n++] = '0';
    std::memcpy(out + n, m, static_cast<std::size_t>(last));
    return n + last;
}

// "d.dddddd" without trailing fraction zeros, "E" and the exponent.
int put_exponent(const SevenDigits &d, char *out) {
    char m[7];
    digits::put_decimal(m, 7, d.m);
    int n = 0;
    if (d.negative) out[n++] = '-';
    out[n++] = m[0];
    int last = 7;
    while (last > 1 && m[last - 1] == '0')
        --last;
    if (last > 1) {
        out[n++] = '.';
        std::memcpy(out + n, m + 1, static_cast<std::size_t>(last - 1));
        n += last - 1;
    }
    out[n++] = 'E';
    return n + convia(d.e + 6, out + n);
}

} // namespace

// Nine significant digits enter a 32-bit mantissa and the tenth rounds it;
// later digits before the point only raise the exponent.  The value is the
// signed mantissa scaled by 10.0 once per unit of exponent.
int convad(const char *text, double &value) {
    int i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') ++i;
    std::uint32_t mantissa = 0;
    std::int64_t exponent = 0;
    int significant = 0;
    bool point = false;
    bool any_digit = false;
    for (;; ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!is_digit(c)) break;
        any_digit = true;
        const auto digit = static_cast<std::uint32_t>(c - '0');
        if (significant < kMantissaDigits) {
            // Leading zeros enter too (they leave the mantissa 0) so that the
            // ones after the point still scale the value.
            mantissa = mantissa * 10 + digit;
            if (point) --exponent;
            if (mantissa != 0) ++significant;
        } else {
            if (!point) ++exponent;
            if (significant == kMantissaDigits) {
                if (digit >= 5) ++mantissa;
                ++significant;
            }
        }
    }
    if (!any_digit) {
        value = 0.0;
        // Text without digits consumes at most its sign.
        return text[0] == '-' || text[0] == '+' ? 1 : 0;
    }
    if (text[i] == 'e' || text[i] == 'E') {
        ++i;
        int more = 0;
        i += convai(text + i, more);
        exponent += more;
    }
    // The mantissa, below 10^9 + 1, takes the sign as an integer: a zero
    // mantissa therefore gives +0.0 whatever the sign.
    const auto signed_mantissa = static_cast<std::int64_t>(mantissa);
    double v = static_cast<double>(negative ? -signed_mantissa : signed_mantissa);
    if (mantissa != 0) {
        // Once infinite or zero the value stays so; stopping there keeps a
        // huge exponent from costing billions of steps.
        for (; exponent > 0 && !std::isinf(v); --exponent)
            v = as_double(v * 10.0);
        for (; exponent < 0 && v != 0.0; ++exponent)
            v = as_double(v / 10.0);
    }
    value = v;
    return i;
}

// |x| is scaled by 10.0 into (214748364.7, 2147483647], truncated, cut to at
// most eight digits below 99999995 and rounded to seven.
SevenDigits seven_digits(double x) {
    SevenDigits d;
    if (x == 0.0) return d;
    d.negative = x < 0.0;
    double v = std::fabs(x);
    int e = 0;
    while (v > 2147483647.0) {
        v = as_double(v / 10.0);
        ++e;
    }
    while (214748364.7 >= v) {
        v = as_double(v * 10.0);
        --e;
    }
    auto c = static_cast<std::uint32_t>(v);
    while (c >= 99999995u) {
        c /= 10;
        ++e;
    }
    d.m = (c + 5) / 10;
    d.e = e + 1;
    return d;
}

// Fixed notation for -9 <= e <= 0, exponent notation otherwise: at most
// "-1.234567E-324", 14 characters.  Infinities and NaNs, which have no
// decomposition, are written "INF", "-INF" and "NAN" (a NaN's sign is not
// shown).
int convda(double x, char *out) {
    int n = 0;
    if (std::isnan(x)) {
        std::memcpy(out, "NAN", 4);
        return 3;
    }
    if (std::isinf(x)) {
        if (x < 0) out[n++] = '-';
        std::memcpy(out + n, "INF", 4);
        return n + 3;
    }
    const SevenDigits d = seven_digits(x);
    if (d.m == 0) {
        n = 1;
        out[0] = '0';
    } else if (d.e >= -9 && d.e <= 0) {
        n = put_fixed(d, out);
    } else {
        n = put_exponent(d, out);
    }
    out[n] = '\0';
    return n;
}

// A zero, whose decomposition exponent 1 says nothing about its size, is
// written "0" before the range checks.  Magnitudes below 10^-6 (e < -12) show
// as "0" or "-0".  Infinities and NaNs give the empty text and 0 like a number
// too large for fixed notation.
int convda_noexp(double x, char *out) {
    char text[kRealRoom];
    int n = 0;
    if (std::isfinite(x)) {
        const SevenDigits d = seven_digits(x);
        if (d.m == 0) {
            text[n++] = '0';
        } else if (d.e > 0) {
            n = 0;
        } else if (d.e < -12) {
            if (d.negative) text[n++] = '-';
            text[n++] = '0';
        } else {
            n = put_fixed(d, text);
        }
    }
    const int kept = n < 8 ? n : 8;
    std::memcpy(out, text, static_cast<std::size_t>(kept));
    out[kept] = '\0';
    out[8] = '\0';
    return n;
}

} // namespace zrl

// ---- exported entries ----

extern "C" {

ZRL_API int convad(const char *text, double *value) {
    return zrl::convad(text, *value);
}

ZRL_API double atod(const char *text) {
    double v = 0.0;
    zrl::convad(text, v);
    return v;
}

ZRL_API int convda(const double *value, char *buffer) {
    return zrl::convda(*value, buffer);
}
ZRL_API int dtoa(double value, char *buffer) {
    return zrl::convda(value, buffer);
}

ZRL_API int convda_noexp(const double *value, char *buffer) {
    return zrl::convda_noexp(*value, buffer);
}

} // extern "C"
