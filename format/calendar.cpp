// Calendar arithmetic on the date record.
//
// The record's calendar runs from 1900 to 2099: the century byte 20 means
// 20xx and every other value 19xx, and every fourth year of the century is a
// leap year.  The weekday count starts at 1 January 1939, a Sunday.  Earlier
// years count backward from there with floor division, so the results agree
// with the civil calendar from 1 March 1900 to 31 December 2099 (the record's
// own 29 February 1900 sits on the day before 1 March, a Wednesday).
#include "format/calendar.h"

namespace zrl::calendar {

namespace {

// Days of all months before month m, at index m - 1.
constexpr std::array<int, 12> kDaysBefore = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr int floor_div(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}
constexpr int floor_mod(int a, int b) {
    return a - floor_div(a, b) * b;
}

} // namespace

int day_of_year(const ZRL_DATE &date) {
    if (!valid_month(date.month)) return 0;
    int leap_day = is_leap(date.year) && date.month > 2 ? 1 : 0;
    return date.day + kDaysBefore[date.month - 1] + leap_day;
}

int day_of_week(const ZRL_DATE &date) {
    if (!valid_month(date.month)) return 0;
    int years = date.year - 39 + (date.century == 20 ? 100 : 0); // full year minus 1939
    int days = 365 * years + floor_div(years + 2, 4) + day_of_year(date) + 5;
    return floor_mod(days, 7) + 1;
}

int week_of_year(const ZRL_DATE &date) {
    if (!valid_month(date.month)) return 0;
    ZRL_DATE new_year = date;
    new_year.month = 1;
    new_year.day = 1;
    // A year that starts on Monday to Thursday has its week 1 already in the
    // first days: shift them a week on.
    int first = day_of_week(new_year);
    if (first < 5) first += 7;
    return (day_of_year(date) + first - 2) / 7;
}

} // namespace zrl::calendar

extern "C" ZRL_API int dayyear(const ZRL_DATE *date) {
    return date != nullptr ? zrl::calendar::day_of_year(*date) : 0;
}

extern "C" ZRL_API int dayweek(const ZRL_DATE *date) {
    return date != nullptr ? zrl::calendar::day_of_week(*date) : 0;
}

extern "C" ZRL_API int weekyear(const ZRL_DATE *date) {
    return date != nullptr ? zrl::calendar::week_of_year(*date) : 0;
}
