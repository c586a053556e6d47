// Date and time: the texts in both directions, the calendar against the
// standard library's civil calendar, the current date and time against the C
// runtime's, and the stopwatches.
#include "format/guarded_buffer.h"

#include <zrlshared.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

namespace chr = std::chrono;
constexpr unsigned char U = 0xEE; // a field the parser must leave alone

template <class Record> std::string show(const Record &r) {
    const auto *b = reinterpret_cast<const unsigned char *>(&r);
    return std::to_string(b[0]) + "/" + std::to_string(b[1]) + "/" + std::to_string(b[2]) + "/" +
           std::to_string(b[3]);
}

ZRL_DATE make_date(int year, unsigned month, unsigned day) {
    return {static_cast<unsigned char>(year / 100), static_cast<unsigned char>(year % 100),
            static_cast<unsigned char>(month), static_cast<unsigned char>(day)};
}

// A field is stored only when found and in range; parsing stops at the first
// character that does not fit and never touches the status.  Well-formed
// dates are left to the round trip below, well-formed times to the fuzzer.
TEST(Cvtadt, StoresTheFieldsFoundAndInRange) {
    const struct {
        const char *text;
        ZRL_DATE expected; // starting from a record of U bytes
        int consumed;
    } cases[] = {
        // clang-format off
        {"12-jan-99", {19, 99, 1, 12}, 9}, {"1/2/50", {20, 50, 2, 1}, 6},
        {"12-JAN", {U, U, 1, 12}, 6},      {"31-Dec-2099 tail", {20, 99, 12, 31}, 11},
        {"7-JAN-", {20, 0, 1, 7}, 6},      {"5-XYZ-10", {U, U, U, 5}, 2},
        {"  7", {U, U, U, U}, 1},          {"32-JAN-26", {20, 26, 1, U}, 9},
        {"7/13/26", {20, 26, U, 7}, 7},    {"7-JAN-25600", {U, U, 1, 7}, 11},
        // clang-format on
    };
    for (const auto &c : cases) {
        ZRL_DATE d{U, U, U, U};
        zrl_error = 77;
        EXPECT_EQ(cvtadt(c.text, &d), c.consumed) << c.text;
        EXPECT_EQ(show(d), show(c.expected)) << c.text;
        EXPECT_EQ(zrl_error, 77) << c.text;
    }
    const std::pair<const char *, ZRL_TIME> times[] = {
        // clang-format off
        {"   12", {12, U, U, U}}, {"12:", {12, 0, U, U}}, {"24:10", {U, 10, U, U}},
        {"12:30:60", {12, 30, U, U}}, {"x", {0, U, U, U}},
        // clang-format on
    };
    for (const auto &[text, expected] : times) {
        ZRL_TIME t{U, U, U, U};
        EXPECT_EQ(cvtatm(text, &t), text[0] == 'x' ? 0 : static_cast<int>(std::strlen(text)));
        EXPECT_EQ(show(t), show(expected)) << text;
    }
    ZRL_DATE d{U, U, U, U};
    ZRL_TIME t{U, U, U, U};
    EXPECT_EQ(cvtadt(nullptr, &d) + cvtatm(nullptr, &t) + cvtadt("1", nullptr), 0);
    EXPECT_EQ(show(d) + show(t), show(ZRL_DATE{U, U, U, U}) + show(ZRL_TIME{U, U, U, U}));
}

// "???" names a month outside 1-12; a field above 99 widens and the text is
// cut at the documented size; a second is taken modulo 100.
TEST(DateTimeText, WritesFixedSizeText) {
    const std::pair<ZRL_DATE, const char *> dates[] = {{{20, 5, 13, 4}, " 4-?\?\?-05"},
                                                       {{20, 5, 1, 255}, "255-JAN-5"},
                                                       {{20, 123, 1, 4}, " 4-JAN-12"}};
    for (const auto &[date, text] : dates)
        EXPECT_EQ(zrl_test::guarded(10, [&](char *b) { return cvtdta(&date, b); }), text);
    const std::pair<ZRL_TIME, const char *> times[] = {
        {{9, 5, 3, 77}, "09:05:03"}, {{12, 30, 199, 0}, "12:30:99"}, {{100, 5, 3, 0}, "100: 5:3"}};
    for (const auto &[time, text] : times)
        EXPECT_EQ(zrl_test::guarded(9, [&](char *b) { return cvttma(&time, b); }), text);
    EXPECT_EQ(zrl_test::guarded(9, [](char *b) { return cvttma(nullptr, b); }), "");
}

// Every day from 1901 to 2099 against the civil calendar.  Week 1 is the
// Monday-to-Sunday week that holds the year's first Thursday; days before it
// are week 0 and the weeks count on to the year's end (the date fuzzer
// takes valid records through their text and back).  For 1900 the weekday
// is right from 1 March on (the record's calendar has a 29 February 1900).
// A century other than 20 counts as 19; a month out of range, or no record,
// gives 0.
TEST(Calendar, AgreesWithTheCivilCalendarFrom1901To2099) {
    for (chr::sys_days day{chr::year{1901} / 1 / 1}; day <= chr::year{2099} / 12 / 31;
         day += chr::days{1}) {
        const chr::year_month_day ymd{day};
        ZRL_DATE d = make_date(int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
        const chr::sys_days week1 =
            chr::sys_days{ymd.year() / chr::January / chr::Thursday[1]} - chr::days{3};
        const int week = day < week1 ? 0 : static_cast<int>((day - week1).count() / 7) + 1;
        const int yday = static_cast<int>((day - chr::sys_days{ymd.year() / 1 / 1}).count()) + 1;
        ASSERT_EQ(std::vector<int>({dayyear(&d), dayweek(&d), weekyear(&d)}),
                  std::vector<int>({yday, int(chr::weekday{day}.iso_encoding()), week}))
            << show(d);
    }
    ZRL_DATE march = make_date(1900, 3, 1), leap_day = make_date(1900, 2, 29);
    ZRL_DATE other = {0, 72, 7, 14}, ref = make_date(1972, 7, 14), month13 = {20, 26, 13, 15};
    EXPECT_EQ(std::vector<int>({dayweek(&march), dayweek(&leap_day), dayyear(&leap_day)}),
              std::vector<int>({4, 3, 60}));
    EXPECT_EQ(std::vector<int>({dayyear(&other), dayweek(&other), weekyear(&other)}),
              std::vector<int>({dayyear(&ref), dayweek(&ref), weekyear(&ref)}));
    EXPECT_EQ(std::vector<int>({dayyear(&month13), weekyear(&month13), dayweek(nullptr)}),
              std::vector<int>(3));
}

// The library's clock against the C runtime's, read on both sides of the
// call; retried when a second boundary falls in between.
TEST(Dattim, FillsTheRecordsGivenWithTheLocalDateAndTime) {
    dattim(nullptr, nullptr);
    ZRL_DATE d{U, U, U, U};
    ZRL_TIME t{U, U, U, U};
    std::time_t before = 0;
    do {
        before = std::time(nullptr);
        dattim(&d, nullptr);
        dattim(nullptr, &t);
    } while (before != std::time(nullptr));
    const std::tm now = *std::localtime(&before);
    EXPECT_EQ(show(d), show(make_date(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday)));
    EXPECT_EQ(show(t), std::to_string(now.tm_hour) + "/" + std::to_string(now.tm_min) + "/" +
                           std::to_string(now.tm_sec) + "/0");
}

// Both stopwatches are checked in one test, so that the first calls of the
// process are the ones that check for 0.
TEST(Stopwatch, StartsAtZeroAndCountsMilliseconds) {
    EXPECT_EQ(elapsed(), 0);
    EXPECT_EQ(cputime(), 0);
    std::this_thread::sleep_for(chr::milliseconds(50));
    const int wall = elapsed();
    EXPECT_GE(wall, 50);
    EXPECT_LE(cputime(), wall + 100);
}

} // namespace
