// Text services: list merge sort, list merge and array Shell sort against
// std::stable_sort and a Shell sort written from the gap list; the integer
// scaling operations and the rounded square root against wide-integer models;
// the string primitives against std::string, and keyword matching.  sepstr,
// sqzstr and the keyword matcher are fuzzed against models; the rows here pin
// one rule of the first and what the last's fuzzer does not look at (the
// squeeze has only its fuzzer).
#include <zrlshared.h>

#include <gtest/gtest.h>

#include "format/guarded_buffer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

namespace {

// A caller record: the link first, then data the sorts must not touch.
struct Record {
    Record *next;
    int key, seq;
};

int by_key(zrl_word a, zrl_word b) {
    const auto *x = reinterpret_cast<const Record *>(a), *y = reinterpret_cast<const Record *>(b);
    return (x->key > y->key) - (x->key < y->key);
}

// (key, sequence number) of each record along a list; a cycle shows up as a
// wrong length.
std::vector<std::pair<int, int>> walk(const void *head, std::size_t limit) {
    std::vector<std::pair<int, int>> seen;
    for (auto *r = static_cast<const Record *>(head); r != nullptr && seen.size() <= limit;
         r = r->next)
        seen.emplace_back(r->key, r->seq);
    return seen;
}

// Stable for every length: the records in the order of their (key, sequence
// number) pairs, with keys from few values.  An overstated count still sorts:
// it leaves the first half whole and the second empty, so lmerge meets an
// empty side.  A count below 2 leaves the list as it is; an empty first side
// gives the second list.
TEST(Lmsort, IsStableForEveryLengthAndCount) {
    std::mt19937 rng(12345);
    std::vector<Record> records(100000);
    // Links the first n records in order, numbered from 0, with the keys given.
    const auto link = [&](std::size_t n, auto key_of) -> Record * {
        for (std::size_t i = 0; i < n; ++i)
            records[i] = {i + 1 < n ? &records[i + 1] : nullptr, key_of(i), static_cast<int>(i)};
        return n == 0 ? nullptr : records.data();
    };
    for (std::size_t step = 0; step <= 600; ++step) {
        const std::size_t n = step < 600 ? step : records.size(); // and one long list
        Record *head = link(n, [&](std::size_t) { return static_cast<int>(rng() % (n / 4 + 1)); });
        const int count = static_cast<int>(n % 7 == 0 ? n * 3 + 1 : n % 7 == 3 ? 1 : n);
        auto expected = walk(head, n);
        if (count > 1) std::sort(expected.begin(), expected.end());
        ASSERT_EQ(walk(lmsort(head, count, by_key), n), expected) << n;
    }
    EXPECT_EQ(lmerge(nullptr, &records[2], by_key), &records[2]);
}

// For shsort the words carry a key above their index; only the key compares.
int by_high_key(zrl_word a, zrl_word b) {
    return (a >> 16 > b >> 16) - (a >> 16 < b >> 16);
}

// Equal keys end up in an order that depends on every gap used, which must
// match a Shell sort written from the gap list: every gap of 1, 4, 13, 40,
// ... not above n, largest first, each an insertion pass moving an element
// down past all not greater.
TEST(Shsort, UsesExactlyTheGapsOneFourThirteenForty) {
    std::mt19937 rng(4711);
    for (std::size_t n = 0; n <= 1100; ++n) {
        std::vector<zrl_word> expected(n);
        for (std::size_t i = 0; i < n; ++i)
            expected[i] = static_cast<zrl_word>((rng() % 4) << 16 | i);
        std::vector<zrl_word> words = expected;
        for (std::size_t h : {1093u, 364u, 121u, 40u, 13u, 4u, 1u}) {
            for (std::size_t i = h; i < n; ++i) {
                const zrl_word x = expected[i];
                std::size_t j = i;
                for (; j >= h && by_high_key(x, expected[j - h]) <= 0; j -= h)
                    expected[j] = expected[j - h];
                expected[j] = x;
            }
        }
        shsort(words.data(), static_cast<int>(n), by_high_key);
        ASSERT_EQ(words, expected) << "n = " << n;
    }
}

// The rounded operations are (2|n|/|d| + 1) / 2 with the sign applied, cut
// to 32 bits; muldiv truncates toward zero and rmuldiv rounds halves away
// from zero, on the low 16 bits of each operand.  Small divisors are common,
// so exact halves occur often; the operands include the most negative values
// (whose magnitude 2^31 takes part) and the powers of two whose products
// reach 2^31 or make halves.  A zero divisor gives 0.  Then the rounded
// square root over its whole range.
TEST(ScalingOperations, MatchWideIntegerModelsAndLsqrtRoundsToTheNearestRoot) {
    EXPECT_EQ(qrdv(0, INT32_MIN, -3), -1431655765); // the magnitude 2^63
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<std::int64_t> wide(INT64_MIN + 1, INT64_MAX);
    const std::int32_t special[] = {INT32_MIN, -32768, 16384, 65536, 1073741824, -1, 1, 2, 0};
    const auto any = [&] {
        return rng() % 4 == 0 ? special[rng() % 9]
                              : static_cast<std::int32_t>(rng()) >> (rng() % 32);
    };
    auto rounded = [](std::int64_t n, std::int64_t d) {
        const auto mn = static_cast<std::uint64_t>(n < 0 ? -n : n);
        const auto md = static_cast<std::uint64_t>(d < 0 ? -d : d);
        std::uint64_t q = d == 0 ? 0 : (2 * mn / md + 1) / 2;
        if ((n < 0) != (d < 0)) q = 0 - q;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(q));
    };
    for (int i = 0; i < 200000; ++i) {
        const std::int64_t n = wide(rng) >> (rng() % 64); // all magnitudes
        const std::int32_t a = any(), b = any(), d = any();
        const auto low = static_cast<unsigned int>(static_cast<std::uint64_t>(n) & 0xFFFFFFFFu);
        const std::int32_t p = static_cast<std::int16_t>(a) * static_cast<std::int16_t>(b);
        const auto c = static_cast<std::int16_t>(d);
        const std::vector<int> got = {qrdv(low, static_cast<int>(n >> 32), d), qrmd(a, b, d),
                                      muldiv(a, b, d), rmuldiv(a, b, d)};
        const std::vector<int> want = {
            rounded(n, d), rounded(std::int64_t{a} * b, d), c == 0 ? 0 : p / c,
            c == 0 ? 0 : static_cast<int>(std::round(static_cast<double>(p) / c))};
        ASSERT_EQ(got, want) << n << " / " << a << " * " << b << " / " << d;
    }
    // lsqrt reads its argument as unsigned; the root passes r + 0.5 between
    // r*r + r and r*r + r + 1, checked at every such boundary.
    for (std::uint32_t r = 0; r < 65536; ++r) {
        ASSERT_EQ(lsqrt(static_cast<int>(r * r + r)), static_cast<int>(r)) << r;
        ASSERT_EQ(lsqrt(static_cast<int>(r * r + r + 1)), static_cast<int>(r) + 1) << r;
    }
}

constexpr int kUntouched = 77;

// The difference of the first differing bytes as unsigned values, within n
// bytes and up to a NUL common to both.
int compare(const char *a, const char *b, int n) {
    for (int i = 0; i < n; ++i) {
        const int x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y || x == 0) return x - y;
    }
    return 0;
}

// The searches against std::string over random strings of a small alphabet
// (a byte above 127 among them), so that hits, misses, empty strings and
// every start position occur.  chrstr gives the length and status 22 on a
// miss, cposstr -1 (also for the NUL), pcposstr and psposstr the terminating
// NUL; sposstr finds nothing in an empty string; posstr searches from start,
// which must lie inside the string.  Only chrstr and posstr touch the status.
// cmpstr, cmpbuf and appstr run on the same strings.
using Offset = std::ptrdiff_t; // what the searches give: an offset or a result

TEST(StringSearches, AgreeWithStdString) {
    std::mt19937 rng(11);
    const auto random_text = [&](unsigned longest) {
        std::string t(rng() % (longest + 1), ' ');
        for (char &c : t)
            c = "ab\xe9"[rng() % 3];
        return t;
    };
    constexpr auto npos = std::string::npos;
    for (int i = 0; i < 20000; ++i) {
        const std::string str = random_text(6), sub = random_text(3);
        const char *s = str.c_str();
        const int len = static_cast<int>(str.size());
        const char ch = "ab\xe9"[rng() % 4]; // the fourth is the NUL
        const std::size_t at = ch == '\0' ? npos : str.find(ch), sub_at = str.find(sub);
        const int start = static_cast<int>(rng() % (str.size() + 3)) - 1;
        const std::size_t from = start < 0 || start >= len ? npos : str.find(sub, start);
        const int n = static_cast<int>(rng() % 9) - 1;
        const auto off = [&](std::size_t k) -> Offset { return k == npos ? str.size() : k; };
        zrl_error = kUntouched;
        // clang-format off
        const std::vector<Offset> got = {
            cposstr(ch, s), pcposstr(ch, s) - s, sposstr(sub.c_str(), s),
            psposstr(sub.c_str(), s) - s, zrl_error, chrstr(ch, s), zrl_error,
            posstr(sub.c_str(), s, start), zrl_error, cmpstr(s, sub.c_str()),
            cmpbuf(s, sub.c_str(), n)};
        // clang-format on
        EXPECT_EQ(got, (std::vector<Offset>{at == npos ? -1 : off(at), off(at),
                                            str.empty() || sub_at == npos ? -1 : off(sub_at),
                                            off(sub_at), kUntouched, off(at),
                                            at == npos && ch != '\0' ? 22 : 0, off(from),
                                            from == npos ? 22 : 0, compare(s, sub.c_str(), INT_MAX),
                                            compare(s, sub.c_str(), n)}))
            << "'" << str << "' / '" << sub << "' / " << int(ch) << " / " << start << " / " << n;
        const auto append = [&](char *b) { return appstr(std::strcpy(b, s), sub.c_str()); };
        EXPECT_EQ(zrl_test::guarded(16, append), str + sub);
    }
}

// The sepstr fuzzer holds all three modes to a model; this case pins the
// blank-or-comma mode's comma rule: a comma after a word only ends it, any
// other comma is an empty field.
TEST(Sepstr, ACommaAfterAWordOnlyEndsIt) {
    std::string text = "a , ,b";
    char *field[4] = {};
    EXPECT_EQ(sepstr(text.data(), '\0', field, 4), 3);
    EXPECT_EQ(std::string(field[0]) + "|" + field[1] + "|" + field[2] + "|" + field[3], "a||b|");
    EXPECT_EQ(text, std::string("a\0\0\0\0b", 6));
}

// An attribute table with S before SEQ.
struct Entry {
    const char *keyword;
    zrl_word value;
};
const Entry kAttributes[] = {{"S*TREAM_TYPE", 2}, {"SEQ*UENTIAL", 5}, {"*ALL", 13}, {nullptr, 0}};

// One leading non-keyword character is skipped; the typed word ends at any
// non-keyword character and must be at least the part before the asterisk;
// the first match wins, and the entry itself is returned.  skipkeyword steps
// over the first byte, whatever it is, then over keyword characters.  The
// keyword fuzzer checks the matching and the skipping against a reference, so
// the rows here only show the case blindness, the order of the entries and
// one skip of each kind.
TEST(Findkeyword, MatchesAbbreviationsCaseBlind) {
    const std::pair<const char *, zrl_word> rows[] = {{"/st", 2}, {"seq", 5}, {"//s", 13}};
    for (const auto &[text, value] : rows) {
        const void *hit = findkeyword(text, kAttributes, sizeof(Entry));
        EXPECT_EQ(hit ? static_cast<const Entry *>(hit)->value : 0, value) << "'" << text << "'";
    }
    EXPECT_EQ(findkeyword(nullptr, kAttributes, sizeof(Entry)), nullptr);
    const std::pair<const char *, int> cases[] = {{"/S=1", 2}, {"", 0}, {"\xe9z\xe9", 2}};
    for (const auto &[text, offset] : cases)
        EXPECT_EQ(skipkeyword(text), text + offset) << "'" << text << "'";
}

} // namespace
