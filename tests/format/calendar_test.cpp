// Day of the year, day of the week and week of the year.  The weekday and
// week checks run over every day of the supported range and compare with an
// independent reference built on the standard library's civil calendar.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

namespace chr = std::chrono;

ZRL_DATE make_date(int full_year, int month, int day) {
    return ZRL_DATE{static_cast<unsigned char>(full_year / 100),
                    static_cast<unsigned char>(full_year % 100), static_cast<unsigned char>(month),
                    static_cast<unsigned char>(day)};
}

std::string show_date(const ZRL_DATE &d) {
    return std::to_string(d.century * 100 + d.year) + '-' + std::to_string(d.month) + '-' +
           std::to_string(d.day);
}

// Week 1 is the Monday-to-Sunday week that holds the year's first Thursday;
// days before it are week 0 and the weeks count on to the year's end.
int reference_week(chr::sys_days day) {
    chr::year y = chr::year_month_day{day}.year();
    chr::sys_days week1 = chr::sys_days{y / chr::January / chr::Thursday[1]} - chr::days{3};
    return day < week1 ? 0 : static_cast<int>((day - week1).count() / 7) + 1;
}

TEST(Calendar, GivesTheWorkedDates) {
    const struct {
        int year, month, day;
        int yday, wday, week;
    } cases[] = {
        {1939, 1, 1, 1, 7, 0}, // a Sunday: the start of the count
        {2026, 1, 1, 1, 4, 1}, // a Thursday opens week 1
        {2021, 1, 3, 3, 7, 0}, // the Sunday before the first Thursday's week
        {2021, 1, 4, 4, 1, 1},      {2000, 2, 29, 60, 2, 9},    {2000, 12, 31, 366, 7, 52},
        {2023, 3, 1, 60, 3, 9},     {2026, 12, 31, 365, 4, 53}, {2021, 12, 31, 365, 5, 52},
        {2099, 12, 31, 365, 4, 53},
    };
    for (const auto &c : cases) {
        ZRL_DATE d = make_date(c.year, c.month, c.day);
        EXPECT_EQ(dayyear(&d), c.yday) << c.year << '-' << c.month << '-' << c.day;
        EXPECT_EQ(dayweek(&d), c.wday) << c.year << '-' << c.month << '-' << c.day;
        EXPECT_EQ(weekyear(&d), c.week) << c.year << '-' << c.month << '-' << c.day;
    }
}

// Every day from 1901 to 2099 against the reference; stops at the first
// disagreement so that a fault reports one date, not thousands.  Before 1939
// the count runs on backward; for 1900 it is right from 1 March on (the
// record's calendar has a 29 February 1900).
TEST(Calendar, AgreesWithTheCivilCalendarFrom1901To2099) {
    const chr::sys_days last{chr::year{2099} / 12 / 31};
    for (chr::sys_days day{chr::year{1901} / 1 / 1}; day <= last; day += chr::days{1}) {
        const chr::year_month_day ymd{day};
        ZRL_DATE d =
            make_date(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                      static_cast<int>(unsigned(ymd.day())));
        const int yday =
            static_cast<int>((day - chr::sys_days{ymd.year() / chr::January / 1}).count()) + 1;
        ASSERT_EQ(dayyear(&d), yday) << show_date(d);
        ASSERT_EQ(dayweek(&d), static_cast<int>(chr::weekday{day}.iso_encoding())) << show_date(d);
        ASSERT_EQ(weekyear(&d), reference_week(day)) << show_date(d);
    }
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
// weekday and a week in range (a century other than 20 counts as 19); an
// out-of-range day still gives a weekday, an out-of-range month gives 0.
TEST(Calendar, StaysInRangeForAnyRecord) {
    for (int century : {0, 19, 20, 21, 255}) {
        for (int year = 0; year < 256; ++year) {
            for (int month = 1; month <= 12; ++month) {
                for (int day : {0, 1, 28, 31, 255}) {
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
    ZRL_DATE ref = make_date(1972, 7, 14);
    for (int century : {0, 21, 99}) {
        ZRL_DATE d{static_cast<unsigned char>(century), 72, 7, 14};
        EXPECT_EQ(dayweek(&d), dayweek(&ref)) << century;
        EXPECT_EQ(weekyear(&d), weekyear(&ref)) << century;
        EXPECT_EQ(dayyear(&d), dayyear(&ref)) << century;
    }
    for (int month : {0, 13, 255}) {
        ZRL_DATE d{20, 26, static_cast<unsigned char>(month), 15};
        EXPECT_EQ(std::vector<int>({dayyear(&d), dayweek(&d), weekyear(&d)}), std::vector<int>(3))
            << month;
    }
    EXPECT_EQ(std::vector<int>({dayyear(nullptr), dayweek(nullptr), weekyear(nullptr)}),
              std::vector<int>(3));
}

} // namespace
