// Date and time text in both directions, the current date and time, and the
// stopwatches.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

namespace {

constexpr unsigned char U = 0xEE; // a field the parser must leave alone

std::string show(const ZRL_DATE &d) {
    return std::to_string(d.century) + "/" + std::to_string(d.year) + "/" +
           std::to_string(d.month) + "/" + std::to_string(d.day);
}

std::string show(const ZRL_TIME &t) {
    return std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
           std::to_string(t.second) + "." + std::to_string(t.zero);
}

bool same(const ZRL_DATE &a, const ZRL_DATE &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
bool same(const ZRL_TIME &a, const ZRL_TIME &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct DateParse {
    const char *text;
    ZRL_DATE expected; // starting from a record of U bytes
    int consumed;
};

TEST(Cvtadt, StoresTheFieldsFoundAndInRange) {
    const DateParse cases[] = {
        {"12-jan-99", {19, 99, 1, 12}, 9},
        {"12-JAN-26", {20, 26, 1, 12}, 9},
        {"12-jan-1999", {19, 99, 1, 12}, 11},
        {"12/1/26", {20, 26, 1, 12}, 7},
        {"12", {U, U, U, 12}, 2},
        {"12-JAN", {U, U, 1, 12}, 6},
        {"1/2/50", {20, 50, 2, 1}, 6},
        {"1/2/51", {19, 51, 2, 1}, 6},
        {"7-mAy-05", {20, 5, 5, 7}, 8},
        {"31-Dec-2099 tail", {20, 99, 12, 31}, 11},
        {"7-JAN/26", {20, 26, 1, 7}, 8},
        {"7/2-26", {20, 26, 2, 7}, 6},
        {"7-JAN-100", {1, 0, 1, 7}, 9},
        {"7-JAN-25599", {255, 99, 1, 7}, 11},
        {"7-JAN-", {20, 0, 1, 7}, 6},              // no digits read as year 0
        {"+-JAN-26", {20, 26, 1, U}, 8},           // a lone sign is consumed, value 0
        {"4294967303-JAN-26", {20, 26, 1, 7}, 17}, // numbers wrap modulo 2^32
    };
    for (const auto &c : cases) {
        ZRL_DATE d{U, U, U, U};
        zrl_error = 77;
        EXPECT_EQ(cvtadt(c.text, &d), c.consumed) << c.text;
        EXPECT_TRUE(same(d, c.expected)) << c.text << " gives " << show(d);
        EXPECT_EQ(zrl_error, 77) << "parsers never touch the status: " << c.text;
    }
}

TEST(Cvtadt, StopsAtTheFirstCharacterThatDoesNotFit) {
    const DateParse cases[] = {
        {"5-XYZ-10", {U, U, U, 5}, 2}, // "-" consumed, the unknown name not
        {"7-JA", {U, U, U, 7}, 2},     // the comparison stops at the NUL
        {"7/JAN/26", {U, U, U, 7}, 2}, // no month digits: value 0, not stored
        {"7.JAN", {U, U, U, 7}, 1},    // neither "-" nor "/"
        {"  7", {U, U, U, U}, 1},      // only one blank is skipped
        {" 7", {U, U, U, 7}, 2},       // after the one blank, the day
        {" ", {U, U, U, U}, 1},        // a blank and nothing else
        {"", {U, U, U, U}, 0},         // the empty text
        {"x-JAN-26", {U, U, U, U}, 0}, // no day: the letter stops the parse
        {"7--26", {20, 26, U, 7}, 5},  // no month name, then the year
    };
    for (const auto &c : cases) {
        ZRL_DATE d{U, U, U, U};
        EXPECT_EQ(cvtadt(c.text, &d), c.consumed) << c.text;
        EXPECT_TRUE(same(d, c.expected)) << c.text << " gives " << show(d);
    }
}

TEST(Cvtadt, KeepsFieldsWhoseValueIsOutOfRange) {
    const DateParse cases[] = {
        {"32-JAN-26", {20, 26, 1, U}, 9},
        {"0-JAN-26", {20, 26, 1, U}, 8},
        {"-5-JAN-26", {20, 26, 1, U}, 9},
        {"7/13/26", {20, 26, U, 7}, 7},
        {"7/0/26", {20, 26, U, 7}, 6},
        {"7/-1/26", {20, 26, U, 7}, 7},
        {"7-JAN--5", {U, U, 1, 7}, 8},
        {"7-JAN-25600", {U, U, 1, 7}, 11},         // century 256 does not fit its byte
        {"4294967335-JAN-26", {20, 26, 1, U}, 17}, // 2^32 + 39: wraps to 39
    };
    for (const auto &c : cases) {
        ZRL_DATE d{U, U, U, U};
        int consumed = cvtadt(c.text, &d);
        EXPECT_EQ(consumed, c.consumed) << c.text;
        EXPECT_TRUE(same(d, c.expected)) << c.text << " gives " << show(d);
    }
}

TEST(Cvtadt, NullArgumentsConsumeNothing) {
    ZRL_DATE d{U, U, U, U};
    EXPECT_EQ(cvtadt(nullptr, &d), 0);
    EXPECT_TRUE(same(d, ZRL_DATE{U, U, U, U}));
    EXPECT_EQ(cvtadt("12-JAN-26", nullptr), 0);
}

struct TimeParse {
    const char *text;
    ZRL_TIME expected; // starting from a record of U bytes
    int consumed;
};

TEST(Cvtatm, StoresTheFieldsFoundAndInRange) {
    const TimeParse cases[] = {
        {"23:59:59", {23, 59, 59, 0}, 8},
        {"9:05:03", {9, 5, 3, 0}, 7},
        {"00:00:00", {0, 0, 0, 0}, 8},
        {"   12", {12, U, U, U}, 5}, // every leading blank is skipped
        {"12:30", {12, 30, U, U}, 5},
        {"12:", {12, 0, U, U}, 3}, // no digits read as 0
        {"12::", {12, 0, 0, 0}, 4},
        {"+5", {5, U, U, U}, 2},
        {"12:30:45:10", {12, 30, 45, 0}, 8},
        {"1:2:3 pm", {1, 2, 3, 0}, 5},
    };
    for (const auto &c : cases) {
        ZRL_TIME t{U, U, U, U};
        zrl_error = 77;
        EXPECT_EQ(cvtatm(c.text, &t), c.consumed) << c.text;
        EXPECT_TRUE(same(t, c.expected)) << c.text << " gives " << show(t);
        EXPECT_EQ(zrl_error, 77) << "parsers never touch the status: " << c.text;
    }
}

TEST(Cvtatm, KeepsFieldsOutOfRangeAndStopsEarly) {
    const TimeParse cases[] = {
        {"24:10", {U, 10, U, U}, 5},
        {"12:60:30", {12, U, 30, 0}, 8},
        {"12:30:60", {12, 30, U, U}, 8}, // the fourth byte goes with the second
        {"-1:30", {U, 30, U, U}, 5},
        {"   ", {U, U, U, U}, 3}, // nothing after the blanks: no field
        {"", {U, U, U, U}, 0},
        {"x", {0, U, U, U}, 0},   // a non-digit start stores hour 0
        {"\t5", {0, U, U, U}, 0}, // a tab is not a blank
        {"  :15", {0, 15, U, U}, 5},
    };
    for (const auto &c : cases) {
        ZRL_TIME t{U, U, U, U};
        EXPECT_EQ(cvtatm(c.text, &t), c.consumed) << c.text;
        EXPECT_TRUE(same(t, c.expected)) << c.text << " gives " << show(t);
    }
}

TEST(Cvtatm, NullArgumentsConsumeNothing) {
    ZRL_TIME t{U, U, U, U};
    EXPECT_EQ(cvtatm(nullptr, &t), 0);
    EXPECT_TRUE(same(t, ZRL_TIME{U, U, U, U}));
    EXPECT_EQ(cvtatm("12:00", nullptr), 0);
}

// The writers run on a buffer larger than documented and filled with a
// marker, so that a byte written past the documented size shows.
constexpr char kMarker = 'X';

struct DateText {
    ZRL_DATE date;
    const char *expected;
};

TEST(Cvtdta, WritesDayMonthNameAndTwoDigitYear) {
    const DateText cases[] = {
        {{20, 26, 1, 4}, " 4-JAN-26"},   {{20, 5, 5, 12}, "12-MAY-05"},
        {{19, 99, 12, 31}, "31-DEC-99"}, {{20, 0, 2, 29}, "29-FEB-00"},
        {{20, 5, 13, 4}, " 4-?\?\?-05"}, // "???" for a month outside 1-12
        {{20, 0, 0, 0}, " 0-?\?\?-00"},  {{20, 7, 255, 9}, " 9-?\?\?-07"},
    };
    for (const auto &c : cases) {
        char out[32];
        std::memset(out, kMarker, sizeof out);
        int n = cvtdta(&c.date, out);
        EXPECT_STREQ(out, c.expected) << show(c.date);
        EXPECT_EQ(n, 9) << show(c.date);
        for (std::size_t i = 10; i < sizeof out; ++i)
            ASSERT_EQ(out[i], kMarker) << i;
    }
}

struct TimeText {
    ZRL_TIME time;
    const char *expected;
};

TEST(Cvttma, WritesTwoDigitFields) {
    const TimeText cases[] = {
        {{9, 5, 3, 0}, "09:05:03"},     {{23, 59, 59, 0}, "23:59:59"}, {{0, 0, 0, 0}, "00:00:00"},
        {{12, 30, 0, 77}, "12:30:00"},  // the fourth byte is not shown
        {{12, 30, 199, 0}, "12:30:99"}, // the second is taken modulo 100
        {{99, 99, 99, 0}, "99:99:99"},
    };
    for (const auto &c : cases) {
        char out[32];
        std::memset(out, kMarker, sizeof out);
        int n = cvttma(&c.time, out);
        EXPECT_STREQ(out, c.expected) << show(c.time);
        EXPECT_EQ(n, 8) << show(c.time);
        for (std::size_t i = 9; i < sizeof out; ++i)
            ASSERT_EQ(out[i], kMarker) << i;
    }
}

// A day or year above 99 widens its field, and an hour or minute above 99
// too: the text is cut at the documented size instead of running past it.
TEST(DateTimeText, OutOfRangeFieldsAreCutAtTheBufferSize) {
    const ZRL_DATE dates[] = {{20, 5, 1, 255}, {20, 123, 1, 4}, {255, 255, 255, 255}};
    for (const auto &d : dates) {
        char out[32];
        std::memset(out, kMarker, sizeof out);
        EXPECT_EQ(cvtdta(&d, out), 9) << show(d);
        EXPECT_EQ(out[9], '\0') << show(d);
        for (std::size_t i = 10; i < sizeof out; ++i)
            ASSERT_EQ(out[i], kMarker) << i;
    }
    char out[32];
    std::memset(out, kMarker, sizeof out);
    ZRL_DATE wide_day{20, 5, 1, 255};
    cvtdta(&wide_day, out);
    EXPECT_EQ(std::string(out, 8), "255-JAN-");

    const ZRL_TIME times[] = {{255, 255, 255, 0}, {100, 5, 3, 0}, {5, 100, 3, 0}};
    for (const auto &t : times) {
        std::memset(out, kMarker, sizeof out);
        EXPECT_EQ(cvttma(&t, out), 8) << show(t);
        EXPECT_EQ(out[8], '\0') << show(t);
        for (std::size_t i = 9; i < sizeof out; ++i)
            ASSERT_EQ(out[i], kMarker) << i;
    }
    std::memset(out, kMarker, sizeof out);
    ZRL_TIME wide_hour{100, 5, 3, 0};
    cvttma(&wide_hour, out);
    EXPECT_EQ(std::string(out, 5), "100: ");
}

TEST(DateTimeText, NullRecordWritesTheEmptyText) {
    char out[16];
    std::memset(out, kMarker, sizeof out);
    EXPECT_EQ(cvtdta(nullptr, out), 0);
    EXPECT_EQ(out[0], '\0');
    std::memset(out, kMarker, sizeof out);
    EXPECT_EQ(cvttma(nullptr, out), 0);
    EXPECT_EQ(out[0], '\0');
    ZRL_DATE d{20, 26, 1, 1};
    ZRL_TIME t{1, 2, 3, 0};
    EXPECT_EQ(cvtdta(&d, nullptr), 0);
    EXPECT_EQ(cvttma(&t, nullptr), 0);
}

// Every date whose two-digit year reads back into the same century.
TEST(DateTimeText, EveryDateFrom1951To2050SurvivesTheRoundTrip) {
    namespace chr = std::chrono;
    const chr::sys_days last{chr::year{2050} / 12 / 31};
    int failures = 0;
    for (chr::sys_days day{chr::year{1951} / 1 / 1}; day <= last && failures < 5;
         day += chr::days{1}) {
        chr::year_month_day ymd{day};
        int y = static_cast<int>(ymd.year());
        ZRL_DATE d{static_cast<unsigned char>(y / 100), static_cast<unsigned char>(y % 100),
                   static_cast<unsigned char>(unsigned(ymd.month())),
                   static_cast<unsigned char>(unsigned(ymd.day()))};
        char text[10];
        ZRL_DATE back{U, U, U, U};
        if (cvtdta(&d, text) != 9 || cvtadt(text, &back) != 9 || !same(back, d)) {
            ADD_FAILURE() << show(d) << " -> '" << text << "' -> " << show(back);
            ++failures;
        }
    }
}

TEST(DateTimeText, EveryTimeOfDaySurvivesTheRoundTrip) {
    int failures = 0;
    for (int s = 0; s < 24 * 3600 && failures < 5; ++s) {
        ZRL_TIME t{static_cast<unsigned char>(s / 3600), static_cast<unsigned char>(s / 60 % 60),
                   static_cast<unsigned char>(s % 60), 0};
        char text[9];
        ZRL_TIME back{U, U, U, U};
        if (cvttma(&t, text) != 8 || cvtatm(text, &back) != 8 || !same(back, t)) {
            ADD_FAILURE() << show(t) << " -> '" << text << "' -> " << show(back);
            ++failures;
        }
    }
}

// The library's clock against the C runtime's, read on both sides of the
// call; retried when a second boundary falls in between.
TEST(Dattim, FillsBothRecordsWithTheLocalDateAndTime) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::time_t before = std::time(nullptr);
        ZRL_DATE d{U, U, U, U};
        ZRL_TIME t{U, U, U, U};
        dattim(&d, &t);
        std::time_t after = std::time(nullptr);
        if (before != after) continue;
        std::tm now = *std::localtime(&before);
        int year = now.tm_year + 1900;
        EXPECT_EQ(d.century, year / 100);
        EXPECT_EQ(d.year, year % 100);
        EXPECT_EQ(d.month, now.tm_mon + 1);
        EXPECT_EQ(d.day, now.tm_mday);
        EXPECT_EQ(t.hour, now.tm_hour);
        EXPECT_EQ(t.minute, now.tm_min);
        EXPECT_EQ(t.second, now.tm_sec);
        EXPECT_EQ(t.zero, 0);
        return;
    }
    FAIL() << "the clock never held still for a second";
}

TEST(Dattim, FillsOnlyTheRecordsGiven) {
    ZRL_DATE d{U, U, U, U};
    ZRL_TIME t{U, U, U, U};
    dattim(nullptr, &t);
    EXPECT_LT(t.hour, 24);
    EXPECT_EQ(t.zero, 0);
    dattim(&d, nullptr);
    EXPECT_TRUE(d.century == 20 || d.century == 21);
    EXPECT_TRUE(d.month >= 1 && d.month <= 12);
    dattim(nullptr, nullptr);
}

// Both stopwatches are checked in one test each, so that the first call of
// the process is the one that checks for 0 whatever order the tests run in.
TEST(Stopwatch, ElapsedStartsAtZeroAndMovesForward) {
    EXPECT_EQ(elapsed(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int a = elapsed();
    EXPECT_GT(a, 0);
    EXPECT_LT(a, 60 * 60 * 1000);
    int b = elapsed();
    EXPECT_GE(b, a);
}

TEST(Stopwatch, CputimeStartsAtZeroAndCountsWork) {
    const auto wall_start = std::chrono::steady_clock::now();
    EXPECT_EQ(cputime(), 0);
    volatile std::uint64_t sink = 0;
    int last = 0;
    while (last == 0 && std::chrono::steady_clock::now() - wall_start < std::chrono::seconds(20)) {
        for (int i = 0; i < 100000; ++i)
            sink = sink + static_cast<std::uint64_t>(i);
        int now = cputime();
        ASSERT_GE(now, last) << "CPU time went backward";
        last = now;
    }
    EXPECT_GT(last, 0);
    const auto wall_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - wall_start)
                             .count();
    // One thread cannot use more CPU time than wall-clock time (plus the
    // accounting granularity of the system).
    EXPECT_LE(last, wall_ms + 100);
}

} // namespace
