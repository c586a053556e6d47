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
constexpr char kMarker = 'X';     // fills the writers' buffers beyond their room

template <class Record> std::string show(const Record &r) {
    const auto *b = reinterpret_cast<const unsigned char *>(&r);
    return std::to_string(b[0]) + "/" + std::to_string(b[1]) + "/" + std::to_string(b[2]) + "/" +
           std::to_string(b[3]);
}

template <class Record> bool same(const Record &a, const Record &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A field is stored only when found and in range; parsing stops at the first
// character that does not fit and never touches the status.  Well-formed
// text is left to the round trip below.
TEST(Cvtadt, StoresTheFieldsFoundAndInRange) {
    const struct {
        const char *text;
        ZRL_DATE expected; // starting from a record of U bytes
        int consumed;
    } cases[] = {
        {"12-jan-99", {19, 99, 1, 12}, 9}, {"12/1/26", {20, 26, 1, 12}, 7},
        {"12-JAN", {U, U, 1, 12}, 6},      {"31-Dec-2099 tail", {20, 99, 12, 31}, 11},
        {"7-JAN-", {20, 0, 1, 7}, 6},  // no digits read as year 0
        {"5-XYZ-10", {U, U, U, 5}, 2}, // "-" consumed, the unknown name not
        {"  7", {U, U, U, U}, 1},      // only one blank is skipped
        {"32-JAN-26", {20, 26, 1, U}, 9},  {"7/13/26", {20, 26, U, 7}, 7},
        {"7-JAN-25600", {U, U, 1, 7}, 11}, // century 256 does not fit its byte
    };
    for (const auto &c : cases) {
        ZRL_DATE d{U, U, U, U};
        zrl_error = 77;
        EXPECT_EQ(cvtadt(c.text, &d), c.consumed) << c.text;
        EXPECT_TRUE(same(d, c.expected)) << c.text << " gives " << show(d);
        EXPECT_EQ(zrl_error, 77) << c.text;
    }
    ZRL_DATE d{U, U, U, U};
    EXPECT_EQ(cvtadt(nullptr, &d), 0);
    EXPECT_TRUE(same(d, ZRL_DATE{U, U, U, U}));
    EXPECT_EQ(cvtadt("12-JAN-26", nullptr), 0);
}

TEST(Cvtatm, StoresTheFieldsFoundAndInRange) {
    const struct {
        const char *text;
        ZRL_TIME expected; // starting from a record of U bytes
        int consumed;
    } cases[] = {
        {"   12", {12, U, U, U}, 5}, // every leading blank is skipped
        {"12:", {12, 0, U, U}, 3},   // no digits read as 0
        {"24:10", {U, 10, U, U}, 5},
        {"12:30:60", {12, 30, U, U}, 8}, // the fourth byte goes with the second
        {"x", {0, U, U, U}, 0},          // a non-digit start stores hour 0
    };
    for (const auto &c : cases) {
        ZRL_TIME t{U, U, U, U};
        zrl_error = 77;
        EXPECT_EQ(cvtatm(c.text, &t), c.consumed) << c.text;
        EXPECT_TRUE(same(t, c.expected)) << c.text << " gives " << show(t);
        EXPECT_EQ(zrl_error, 77) << c.text;
    }
    ZRL_TIME t{U, U, U, U};
    EXPECT_EQ(cvtatm(nullptr, &t), 0);
    EXPECT_TRUE(same(t, ZRL_TIME{U, U, U, U}));
    EXPECT_EQ(cvtatm("12:00", nullptr), 0);
}

// Runs a writer on a buffer filled with the marker and checks the text, the
// count and that nothing past the documented size changed.
template <class Write> void expect_text(Write write, int size, const std::string &want) {
    char out[32];
    std::memset(out, kMarker, sizeof out);
    EXPECT_EQ(write(out), size) << want;
    EXPECT_EQ(std::string(out, std::strlen(out)), want);
    for (std::size_t i = static_cast<std::size_t>(size) + 1; i < sizeof out; ++i)
        ASSERT_EQ(out[i], kMarker) << want << " at " << i;
}

// "???" names a month outside 1-12; a field above 99 widens, and the text is
// cut at the documented size instead of running past it (a cut
// right-justified field drops its fill first).
TEST(DateTimeText, WritesFixedSizeTextCutAtTheBufferSize) {
    const std::pair<ZRL_DATE, const char *> dates[] = {
        {{20, 5, 13, 4}, " 4-?\?\?-05"},
        {{20, 5, 1, 255}, "255-JAN-5"},
        {{20, 123, 1, 4}, " 4-JAN-12"},
    };
    for (const auto &c : dates)
        expect_text([&](char *out) { return cvtdta(&c.first, out); }, 9, c.second);
    const std::pair<ZRL_TIME, const char *> times[] = {
        {{12, 30, 0, 77}, "12:30:00"},  // the fourth byte is not shown
        {{12, 30, 199, 0}, "12:30:99"}, // the second is taken modulo 100
        {{100, 5, 3, 0}, "100: 5:3"},
    };
    for (const auto &c : times)
        expect_text([&](char *out) { return cvttma(&c.first, out); }, 8, c.second);
    expect_text([](char *out) { return cvtdta(nullptr, out); }, 0, "");
    expect_text([](char *out) { return cvttma(nullptr, out); }, 0, "");
    ZRL_DATE d{20, 26, 1, 1};
    ZRL_TIME t{1, 2, 3, 0};
    EXPECT_EQ(cvtdta(&d, nullptr), 0);
    EXPECT_EQ(cvttma(&t, nullptr), 0);
}

// Every date whose two-digit year reads back into the same century, and every
// time of day.
TEST(DateTimeText, EveryDateFrom1951To2050AndEveryTimeSurviveTheRoundTrip) {
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
TEST(Dattim, FillsTheRecordsGivenWithTheLocalDateAndTime) {
    dattim(nullptr, nullptr);
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::time_t before = std::time(nullptr);
        ZRL_DATE d{U, U, U, U}, d2{U, U, U, U};
        ZRL_TIME t{U, U, U, U}, t2{U, U, U, U};
        dattim(&d, &t);
        dattim(&d2, nullptr);
        dattim(nullptr, &t2);
        if (before != std::time(nullptr)) continue;
        const std::tm now = *std::localtime(&before);
        const int y = now.tm_year + 1900;
        EXPECT_EQ(show(d), show(ZRL_DATE{static_cast<unsigned char>(y / 100),
                                         static_cast<unsigned char>(y % 100),
                                         static_cast<unsigned char>(now.tm_mon + 1),
                                         static_cast<unsigned char>(now.tm_mday)}));
        EXPECT_EQ(show(t), std::to_string(now.tm_hour) + "/" + std::to_string(now.tm_min) + "/" +
                               std::to_string(now.tm_sec) + "/0");
        EXPECT_TRUE(same(d, d2) && same(t, t2));
        return;
    }
    FAIL() << "the clock never held still for a second";
}

// Each stopwatch is checked in one test, so that the first call of the
// process is the one that checks for 0 whatever order the tests run in.
TEST(Stopwatch, ElapsedStartsAtZeroAndMovesForward) {
    EXPECT_EQ(elapsed(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int a = elapsed();
    EXPECT_GT(a, 0);
    EXPECT_LT(a, 60 * 60 * 1000);
    EXPECT_GE(elapsed(), a);
}

// One thread cannot use more CPU time than wall-clock time (plus the
// accounting granularity of the system).
TEST(Stopwatch, CputimeStartsAtZeroAndCountsWork) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(cputime(), 0);
    volatile std::uint64_t sink = 0;
    int last = 0;
    while (last == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        for (int i = 0; i < 100000; ++i)
            sink = sink + static_cast<std::uint64_t>(i);
        ASSERT_GE(cputime(), last) << "CPU time went backward";
        last = cputime();
    }
    EXPECT_GT(last, 0);
    using std::chrono::milliseconds;
    EXPECT_LE(
        last,
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start).count() +
            100);
}

} // namespace
