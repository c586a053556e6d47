// Day of the year, day of the week and week of the year.  The weekday and
// week checks run over every day of the supported range and compare with an
// independent reference built on the standard library's civil calendar.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

namespace chr = std::chrono;

ZRL_DATE make_date(int full_year, int month, int day) {
    return ZRL_DATE{static_cast<unsigned char>(full_year / 100),
                    static_cast<unsigned char>(full_year % 100), static_cast<unsigned char>(month),
                    static_cast<unsigned char>(day)};
}

ZRL_DATE record_of(chr::sys_days day) {
    chr::year_month_day ymd{day};
    return make_date(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                     static_cast<int>(unsigned(ymd.day())));
}

// Week 1 is the Monday-to-Sunday week that holds the year's first Thursday;
// days before it are week 0 and the weeks count on to the year's end.
int reference_week(chr::sys_days day) {
    chr::year y = chr::year_month_day{day}.year();
    chr::sys_days first_thursday{y / chr::January / chr::Thursday[1]};
    chr::sys_days week1 = first_thursday - chr::days{3};
    if (day < week1) return 0;
    return static_cast<int>((day - week1).count() / 7) + 1;
}

std::string text_of(chr::sys_days day) {
    chr::year_month_day ymd{day};
    return std::to_string(static_cast<int>(ymd.year())) + '-' +
           std::to_string(unsigned(ymd.month())) + '-' + std::to_string(unsigned(ymd.day()));
}

int reference_day_of_year(chr::sys_days day) {
    chr::year y = chr::year_month_day{day}.year();
    return static_cast<int>((day - chr::sys_days{y / chr::January / 1}).count()) + 1;
}

struct CalendarCase {
    int year, month, day;
    int expected;
};

TEST(Dayyear, CountsDaysOfEarlierMonthsAndTheLeapDay) {
    const CalendarCase cases[] = {
        {2026, 1, 1, 1},     {2026, 2, 28, 59},   {2026, 3, 1, 60},    {2026, 12, 31, 365},
        {2000, 3, 1, 61},    {2000, 2, 29, 60},   {2000, 12, 31, 366}, {2024, 12, 31, 366},
        {1996, 12, 31, 366}, {1900, 12, 31, 366}, {1999, 12, 31, 365}, {2024, 2, 29, 60},
        {2024, 3, 1, 61},    {2023, 3, 1, 60},
    };
    for (const auto &c : cases) {
        ZRL_DATE d = make_date(c.year, c.month, c.day);
        EXPECT_EQ(dayyear(&d), c.expected) << c.year << '-' << c.month << '-' << c.day;
    }
}

TEST(Dayweek, WorkedDates) {
    const CalendarCase cases[] = {
        {1939, 1, 1, 7}, // a Sunday: the start of the count
        {2026, 1, 1, 4}, // Thursday
        {2000, 2, 29, 2}, {2000, 3, 1, 3}, {2099, 12, 31, 4},
    };
    for (const auto &c : cases) {
        ZRL_DATE d = make_date(c.year, c.month, c.day);
        EXPECT_EQ(dayweek(&d), c.expected) << c.year << '-' << c.month << '-' << c.day;
    }
}

TEST(Weekyear, WorkedDates) {
    const CalendarCase cases[] = {
        {2021, 1, 1, 0}, // a Friday: before the first Thursday's week
        {2021, 1, 3, 0}, // Sunday of the same week
        {2021, 1, 4, 1}, // Monday
        {2026, 1, 1, 1}, // a Thursday opens week 1
        {2026, 12, 31, 53}, {2020, 12, 31, 53}, {2021, 12, 31, 52},
    };
    for (const auto &c : cases) {
        ZRL_DATE d = make_date(c.year, c.month, c.day);
        EXPECT_EQ(weekyear(&d), c.expected) << c.year << '-' << c.month << '-' << c.day;
    }
}

// Walks every day from `first` to `last` and compares day of the year, day of
// the week and week of the year with the reference; stops at the first
// disagreement of each kind so that a fault reports one date, not thousands.
void compare_range(chr::sys_days first, chr::sys_days last) {
    bool yday_ok = true, wday_ok = true, week_ok = true;
    int days = 0;
    for (chr::sys_days day = first; day <= last; day += chr::days{1}) {
        ++days;
        ZRL_DATE d = record_of(day);
        if (yday_ok && dayyear(&d) != reference_day_of_year(day)) {
            ADD_FAILURE() << "dayyear " << text_of(day);
            yday_ok = false;
        }
        if (wday_ok && dayweek(&d) != static_cast<int>(chr::weekday{day}.iso_encoding())) {
            ADD_FAILURE() << "dayweek " << text_of(day) << " gives " << dayweek(&d);
            wday_ok = false;
        }
        if (week_ok && weekyear(&d) != reference_week(day)) {
            ADD_FAILURE() << "weekyear " << text_of(day) << " gives " << weekyear(&d)
                          << ", expected " << reference_week(day);
            week_ok = false;
        }
    }
    EXPECT_EQ(days, (last - first).count() + 1);
}

TEST(Calendar, AgreesWithTheCivilCalendarFrom1939To2099) {
    compare_range(chr::sys_days{chr::year{1939} / 1 / 1}, chr::sys_days{chr::year{2099} / 12 / 31});
}

// Before 1939 the count runs on backward: right from 1901 on, and for 1900
// from 1 March on (the record's calendar has a 29 February 1900).
TEST(Calendar, AgreesWithTheCivilCalendarBackTo1901) {
    compare_range(chr::sys_days{chr::year{1901} / 1 / 1}, chr::sys_days{chr::year{1938} / 12 / 31});
    for (int day = 1; day <= 31; ++day) {
        ZRL_DATE d = make_date(1900, 3, day);
        chr::sys_days civil{chr::year{1900} / 3 / day};
        EXPECT_EQ(dayweek(&d), static_cast<int>(chr::weekday{civil}.iso_encoding())) << day;
    }
    ZRL_DATE leap_day = make_date(1900, 2, 29);
    EXPECT_EQ(dayweek(&leap_day), 3); // the day before Thursday, 1 March 1900
    EXPECT_EQ(dayyear(&leap_day), 60);
}

// Whatever the century and year bytes hold, a valid month and day give a
// weekday and a week in range; an out-of-range day still gives a weekday.
TEST(Calendar, WeekdayAndWeekStayInRangeForAnyYearByte) {
    for (int century : {0, 19, 20, 21, 255}) {
        for (int year = 0; year < 256; ++year) {
            for (int month = 1; month <= 12; ++month) {
                for (int day : {0, 1, 15, 28, 31, 255}) {
                    ZRL_DATE d{static_cast<unsigned char>(century),
                               static_cast<unsigned char>(year), static_cast<unsigned char>(month),
                               static_cast<unsigned char>(day)};
                    int wd = dayweek(&d);
                    ASSERT_TRUE(wd >= 1 && wd <= 7) << century << ' ' << year << ' ' << month;
                    if (day >= 1 && day <= 28) {
                        int wk = weekyear(&d);
                        ASSERT_TRUE(wk >= 0 && wk <= 53) << century << ' ' << year << ' ' << month;
                    }
                }
            }
        }
    }
}

TEST(Calendar, CenturyOtherThan20CountsAs19) {
    for (int century : {0, 1, 19, 21, 99}) {
        ZRL_DATE d{static_cast<unsigned char>(century), 72, 7, 14};
        ZRL_DATE ref = make_date(1972, 7, 14);
        EXPECT_EQ(dayweek(&d), dayweek(&ref)) << century;
        EXPECT_EQ(weekyear(&d), weekyear(&ref)) << century;
        EXPECT_EQ(dayyear(&d), dayyear(&ref)) << century;
    }
}

TEST(Calendar, MonthOutsideTheYearGivesZero) {
    for (int month : {0, 13, 14, 255}) {
        ZRL_DATE d{20, 26, static_cast<unsigned char>(month), 15};
        EXPECT_EQ(dayyear(&d), 0) << month;
        EXPECT_EQ(dayweek(&d), 0) << month;
        EXPECT_EQ(weekyear(&d), 0) << month;
    }
    EXPECT_EQ(dayyear(nullptr), 0);
    EXPECT_EQ(dayweek(nullptr), 0);
    EXPECT_EQ(weekyear(nullptr), 0);
}

} // namespace
