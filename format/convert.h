// Conversions between 32-bit integers, doubles and text, for the rest of the
// library.  Every writer stores the text and a NUL and returns the length of
// the text; the parsers stop at the first character that does not fit and
// return how many characters they consumed.  Nothing here allocates, keeps
// state or checks its pointers.
#pragma once

#include <cstdint>

namespace zrl {

// Room that always suffices for each writer, the NUL included.
inline constexpr int kDecimalRoom = 12;    // convia, convua, convoa
inline constexpr int kHundredthsRoom = 13; // convha
inline constexpr int kHexRoom = 9;         // convxa
inline constexpr int kMinDigitsRoom = 18;  // convlg
inline constexpr int kRealRoom = 16;       // convda, convda_noexp
// Most digits convlg produces; a larger minimum is clamped to it.
inline constexpr int kMinDigitsMax = 16;

// ---- Text to number ----

int convai(const char *text, int &value);           // [+|-]digits
int convax(const char *text, std::uint32_t &value); // hex digits, low 32 bits kept
int convad(const char *text, double &value);        // decimal real, 9 digits kept
int conva5(const char *text, std::uint16_t *words); // RAD-50; words written

// ---- Number to text ----

int convia(std::int32_t value, char *out);  // signed decimal
int convua(std::uint32_t value, char *out); // unsigned decimal
int convoa(std::uint32_t value, char *out); // octal
int convxa(std::uint32_t value, char *out); // eight upper-case hex digits
int convha(std::int32_t value, char *out);  // hundredths: "123.45", "-0.05"
// Decimal with at least mindigits digits (clamped to 0..16); with strip the
// low-order zeros are dropped.
int convlg(std::int32_t value, char *out, int mindigits, bool strip);
int conv5a(char *out, const std::uint16_t *words, int count);

// Seven significant digits: |x| is about m * 10^e, m of exactly seven digits,
// or m = 0 and e = 1 for a zero.  Only for finite x.
struct SevenDigits {
    bool negative = false;
    std::uint32_t m = 0;
    int e = 1;
};
SevenDigits seven_digits(double x);

// Seven significant digits in fixed or exponent notation ("0.5", "1.234568E7");
// infinities give "INF" or "-INF", a NaN gives "NAN".
int convda(double x, char *out);

// Seven significant digits in fixed notation, cut to eight characters: a NUL
// is always stored at out[8] (out needs kRealRoom bytes).  The result is the
// length of the uncut text, which may exceed 8.  A number that rounds to 10^7
// or more has no fixed form: empty text and 0.  Infinities and NaNs have none
// either and give the same empty text, so that a real field shows its overflow
// fill for them.
int convda_noexp(double x, char *out);

} // namespace zrl
