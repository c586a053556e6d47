// Day of the year, day of the week and week of the year, checked over every
// day of the supported range against a reference built on the standard
// library's civil calendar.
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

// Week 1 is the Monday-to-Sunday week that holds the year's first Thursday;
// days before it are week 0 and the weeks count on to the year's end.
int reference_week(chr::sys_days day) {
    chr::year y = chr::year_month_day{day}.year();
    chr::sys_days week1 = chr::sys_days{y / chr::January / chr::Thursday[1]} - chr::days{3};
    return day < week1 ? 0 : static_cast<int>((day - week1).count() / 7) + 1;
}

// Stops at the first disagreement so that a fault reports one date.  For
// 1900 the weekday is right from 1 March on (the record's calendar has a
// 29 February 1900).
TEST(Calendar, AgreesWithTheCivilCalendarFrom1901To2099) {
    const chr::sys_days last{chr::year{2099} / 12 / 31};
    for (chr::sys_days day{chr::year{1901} / 1 / 1}; day <= last; day += chr::days{1}) {
        const chr::year_month_day ymd{day};
        ZRL_DATE d =
            make_date(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                      static_cast<int>(unsigned(ymd.day())));
        const int yday =
            static_cast<int>((day - chr::sys_days{ymd.year() / chr::January / 1}).count()) + 1;
        const std::string at = std::to_string(static_cast<int>(ymd.year())) + "-" +
                               std::to_string(d.month) + "-" + std::to_string(d.day);
        ASSERT_EQ(dayyear(&d), yday) << at;
        ASSERT_EQ(dayweek(&d), static_cast<int>(chr::weekday{day}.iso_encoding())) << at;
        ASSERT_EQ(weekyear(&d), reference_week(day)) << at;
    }
    ZRL_DATE march = make_date(1900, 3, 1), leap_day = make_date(1900, 2, 29);
    EXPECT_EQ(dayweek(&march), 4);
    EXPECT_EQ(dayweek(&leap_day), 3);
    EXPECT_EQ(dayyear(&leap_day), 60);
}

// A century other than 20 counts as 19; an out-of-range month, or no record,
// gives 0 everywhere.
TEST(Calendar, ReadsAnyRecord) {
    ZRL_DATE ref = make_date(1972, 7, 14);
    for (int century : {0, 21, 99}) {
        ZRL_DATE d{static_cast<unsigned char>(century), 72, 7, 14};
        EXPECT_EQ(std::vector<int>({dayyear(&d), dayweek(&d), weekyear(&d)}),
                  std::vector<int>({dayyear(&ref), dayweek(&ref), weekyear(&ref)}))
            << century;
    }
    for (int month : {0, 13}) {
        ZRL_DATE d{20, 26, static_cast<unsigned char>(month), 15};
        EXPECT_EQ(std::vector<int>({dayyear(&d), dayweek(&d), weekyear(&d)}), std::vector<int>(3));
    }
    EXPECT_EQ(std::vector<int>({dayyear(nullptr), dayweek(nullptr), weekyear(nullptr)}),
              std::vector<int>(3));
}

} // namespace
