// The calendar of the date record: month names, day of the year, day of the
// week and week of the year.  Pure arithmetic on the record, no clock.
#pragma once

#include <zrlshared.h>

#include <array>

namespace zrl::calendar {

// Month names in month order, then the name shown for a month outside 1-12.
inline constexpr std::array<const char *, 13> kMonthNames = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC", "???"};

constexpr bool valid_month(int month) {
    return month >= 1 && month <= 12;
}

// "JAN" to "DEC" for months 1 to 12, "???" for anything else.
constexpr const char *month_name(int month) {
    return kMonthNames[valid_month(month) ? month - 1 : 12];
}

// Every year whose year of century is divisible by 4 is a leap year, century
// years included.
constexpr bool is_leap(int year_of_century) {
    return year_of_century % 4 == 0;
}

// 1-366; 0 for a month outside 1-12.
int day_of_year(const ZRL_DATE &date);

// Monday = 1 to Sunday = 7; 0 for a month outside 1-12.
int day_of_week(const ZRL_DATE &date);

// 0-53; 0 for a month outside 1-12.
int week_of_year(const ZRL_DATE &date);

} // namespace zrl::calendar
