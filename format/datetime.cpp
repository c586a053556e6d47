// Date and time text: dd-MMM-yy and hh:mm:ss in both directions.
//
// The parsers store only what they find and what fits the record; every
// other field keeps its value, so a caller can fill a record with the current
// date or time first and let the parser overwrite what the user typed.  A
// negative number is out of range like a number that is too large, and so is
// a four-digit year whose century does not fit the century byte.
//
// The writers go through the format engine with an output of exactly the
// documented size (10 bytes for a date, 9 for a time): a day or a year above
// 99, or an hour or minute above 99, would widen its field, and is cut at the
// end of the buffer instead.
#include <zrlshared.h>

#include <array>
#include <span>

#include "format/calendar.h"
#include "format/convert.h"
#include "format/engine.h"

namespace zrl {

namespace {

constexpr int kDateChars = 9; // dd-MMM-yy
constexpr int kTimeChars = 8; // hh:mm:ss

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The month whose name the next three characters spell, case folded; 0 when
// none does.  The comparison stops at the first difference, so it never
// reads past a NUL.
int month_at(const char *text) {
    for (int month = 1; month <= 12; ++month) {
        const char *name = calendar::month_name(month);
        int i = 0;
        while (i < 3 && upper(text[i]) == name[i])
            ++i;
        if (i == 3) return month;
    }
    return 0;
}

// Reads an integer at p, advancing p past what convai consumed.
int read_int(const char *&p) {
    int value = 0;
    p += convai(p, value);
    return value;
}

// The arguments of the date and time pictures: a few integers and at most
// one string, taken in field order.
class FieldArgs final : public FormatArgs {
  public:
    FieldArgs(std::array<int, 3> ints, const char *text) : ints_(ints), text_(text) {}
    int next_int() override { return next_ < ints_.size() ? ints_[next_++] : 0; }
    double next_double() override { return 0.0; }
    const char *next_string() override { return text_; }
    FormatterArg next_formatter() override { return FormatterArg{0, nullptr}; }

  private:
    std::array<int, 3> ints_;
    std::size_t next_ = 0;
    const char *text_;
};

// Turns the blank at position i of the written text into "0".
void zero_fill(std::span<char> text, int written, int i) {
    if (i < written && text[static_cast<std::size_t>(i)] == ' ')
        text[static_cast<std::size_t>(i)] = '0';
}

int parse_date(const char *text, ZRL_DATE &date) {
    const char *p = text;
    if (*p == ' ') ++p;
    if (*p != '\0') {
        int day = read_int(p);
        if (day >= 1 && day <= 31) date.day = static_cast<unsigned char>(day);
    }
    if (*p == '-') {
        ++p;
        if (int month = month_at(p); month != 0) {
            date.month = static_cast<unsigned char>(month);
            p += 3;
        }
    } else if (*p == '/') {
        ++p;
        int month = read_int(p);
        if (calendar::valid_month(month)) date.month = static_cast<unsigned char>(month);
    }
    if (*p == '-' || *p == '/') {
        ++p;
        int year = read_int(p);
        if (year >= 100) {
            if (year / 100 <= 255) {
                date.century = static_cast<unsigned char>(year / 100);
                date.year = static_cast<unsigned char>(year % 100);
            }
        } else if (year >= 0) {
            // Two digits: 00-50 are this century, 51-99 the last one.
            date.year = static_cast<unsigned char>(year);
            date.century = year <= 50 ? 20 : 19;
        }
    }
    return static_cast<int>(p - text);
}

int parse_time(const char *text, ZRL_TIME &time) {
    const char *p = text;
    while (*p == ' ')
        ++p;
    if (*p == '\0') return static_cast<int>(p - text);
    // No digits read as 0, which is a valid hour.
    int hour = read_int(p);
    if (hour >= 0 && hour < 24) time.hour = static_cast<unsigned char>(hour);
    if (*p == ':') {
        ++p;
        int minute = read_int(p);
        if (minute >= 0 && minute < 60) time.minute = static_cast<unsigned char>(minute);
        if (*p == ':') {
            ++p;
            int second = read_int(p);
            if (second >= 0 && second < 60) {
                time.second = static_cast<unsigned char>(second);
                time.zero = 0;
            }
        }
    }
    return static_cast<int>(p - text);
}

int date_text(const ZRL_DATE &date, std::span<char, kDateChars + 1> out) {
    FieldArgs args({date.day, date.year, 0}, calendar::month_name(date.month));
    int written = format_typed(out, "#^-'-#^", args);
    zero_fill(out, written, 7); // the tens of the year
    return written;
}

int time_text(const ZRL_TIME &time, std::span<char, kTimeChars + 1> out) {
    FieldArgs args({time.hour, time.minute, time.second % 100}, nullptr);
    int written = format_typed(out, "#^:#^:#^", args);
    for (int i : {0, 3, 6})
        zero_fill(out, written, i);
    return written;
}

} // namespace
} // namespace zrl

// A null text or record is taken as an empty text: nothing is consumed or
// stored.  A null output buffer gets nothing; a null record writes the empty
// text.

extern "C" ZRL_API int cvtadt(const char *text, ZRL_DATE *date) {
    if (text == nullptr || date == nullptr) return 0;
    return zrl::parse_date(text, *date);
}

extern "C" ZRL_API int cvtatm(const char *text, ZRL_TIME *hms) {
    if (text == nullptr || hms == nullptr) return 0;
    return zrl::parse_time(text, *hms);
}

extern "C" ZRL_API int cvtdta(const ZRL_DATE *date, char *out) {
    if (out == nullptr) return 0;
    if (date == nullptr) {
        out[0] = '\0';
        return 0;
    }
    return zrl::date_text(*date, std::span<char, zrl::kDateChars + 1>(out, zrl::kDateChars + 1));
}

extern "C" ZRL_API int cvttma(const ZRL_TIME *hms, char *out) {
    if (out == nullptr) return 0;
    if (hms == nullptr) {
        out[0] = '\0';
        return 0;
    }
    return zrl::time_text(*hms, std::span<char, zrl::kTimeChars + 1>(out, zrl::kTimeChars + 1));
}
