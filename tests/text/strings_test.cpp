// String primitives and keyword matching.  sepstr, sqzstr and the keyword
// matcher are fuzzed against models; the rows here pin the documented cases
// of the first and the last (the squeeze has only its fuzzer).
#include <climits>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include <zrlshared.h>

using namespace std::string_literals;

namespace {

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
        const auto or_len = [&](std::size_t i) { return long(i == npos ? str.size() : i); };
        zrl_error = kUntouched;
        const std::vector<long> got = {
            cposstr(ch, s), pcposstr(ch, s) - s, sposstr(sub.c_str(), s),
            psposstr(sub.c_str(), s) - s, zrl_error, chrstr(ch, s), zrl_error,
            posstr(sub.c_str(), s, start), zrl_error, cmpstr(s, sub.c_str()),
            cmpbuf(s, sub.c_str(), n)};
        EXPECT_EQ(got, (std::vector<long>{at == npos ? -1 : or_len(at), or_len(at),
                                          str.empty() || sub_at == npos ? -1 : or_len(sub_at),
                                          or_len(sub_at), kUntouched, or_len(at),
                                          at == npos && ch != '\0' ? 22 : 0, or_len(from),
                                          from == npos ? 22 : 0, compare(s, sub.c_str(), INT_MAX),
                                          compare(s, sub.c_str(), n)}))
            << "'" << str << "' / '" << sub << "' / " << int(ch) << " / " << start << " / " << n;
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        std::strcpy(buf, s);
        EXPECT_EQ(appstr(buf, sub.c_str()), len + static_cast<int>(sub.size()));
        EXPECT_EQ(buf, str + sub);
        EXPECT_EQ(buf[str.size() + sub.size() + 1], '#');
    }
    EXPECT_EQ(cmpbuf(nullptr, nullptr, 0), 0);
}

// A given separator splits at each occurrence; ' ' at runs of blanks; NUL at
// blanks or commas, a comma after a word only ending it.  When the slots run
// out the last field keeps the rest in NUL mode; slots left over point at
// the string's terminating NUL.
TEST(Sepstr, SplitsInPlaceAndStoresTheFields) {
    const struct {
        std::string text;
        char sep;
        int n;
        const char *fields; // each followed by "|"
        std::string image;  // the whole buffer afterwards
    } cases[] = {
        // clang-format off
        {"a,b,", ',', 4, "a|b|", "a\0b\0"s},          {"a,,b", ',', 4, "a||b|", "a\0\0b"s},
        {"a,b,c", ',', 2, "a|b|", "a\0b\0c"s},        {"  a  b ", ' ', 4, "a|b|", "\0\0a\0\0b\0"s},
        {"  one  two,three", '\0', 4, "one|two|three|", "\0\0one\0\0two\0three"s},
        {"a , ,b", '\0', 4, "a||b|", "a\0\0\0\0b"s}, {"a b,c", '\0', 2, "a|b,c|", "a\0b,c"s},
        {" a,b ", ',', 0, "", " a,b "},
        // clang-format on
    };
    for (const auto &c : cases) {
        std::string buf = c.text;
        std::vector<char *> slots(4, nullptr);
        const int count = sepstr(buf.data(), c.sep, slots.data(), c.n);
        std::string fields;
        for (int i = 0; i < c.n; ++i)
            fields += i < count                             ? std::string(slots[i]) + "|"
                      : slots[i] == buf.data() + buf.size() ? ""
                                                            : "?";
        EXPECT_EQ(fields, c.fields) << c.text;
        EXPECT_EQ(buf, c.image) << c.text;
    }
}

// An attribute table with S before SEQ.
struct Entry {
    const char *keyword;
    zrl_word value;
};
const Entry kAttributes[] = {
    {"NOPFS", 1}, {"S*TREAM_TYPE", 2}, {"V*ARIABLE_TYPE", 3}, {"SEQ*UENTIAL", 5}, {"FA*ST_FILE", 8},
    {"END1", 10}, {"END2", 11},        {"DIR*ECTORY", 12},    {"*ALL", 13},       {nullptr, 0}};

// One leading non-keyword character is skipped; the typed word ends at any
// non-keyword character and must be at least the part before the asterisk;
// the first match wins.  The entry itself is returned, the status is left
// alone, and a stride too small for the keyword pointer is refused.
// skipkeyword steps over the first byte, whatever it is, then over keyword
// characters.  The keyword fuzzer checks the matching against a reference.
TEST(Findkeyword, MatchesAbbreviationsCaseBlind) {
    const std::pair<const char *, zrl_word> rows[] = {
        // clang-format off
        {"s", 2}, {"/st", 2}, {"stream_type=1", 2}, {"se", 0}, {"seq", 5}, {"SEQUENTIAL", 5},
        {"streamx", 0}, {"END", 0}, {"end2", 11}, {"s\xe9", 2}, {"di", 0}, {"//s", 13}, {"", 0},
        // clang-format on
    };
    zrl_error = kUntouched;
    for (const auto &[text, value] : rows) {
        const void *hit = findkeyword(text, kAttributes, sizeof(Entry));
        EXPECT_EQ(hit ? static_cast<const Entry *>(hit)->value : 0, value) << "'" << text << "'";
    }
    EXPECT_EQ(findkeyword("dir", kAttributes, sizeof(Entry)), &kAttributes[7]);
    EXPECT_EQ(zrl_error, kUntouched);
    EXPECT_EQ(findkeyword(nullptr, kAttributes, sizeof(Entry)), nullptr);
    EXPECT_EQ(findkeyword("s", nullptr, sizeof(Entry)), nullptr);
    EXPECT_EQ(findkeyword("s", kAttributes, static_cast<int>(sizeof(char *)) - 1), nullptr);
    const std::pair<const char *, int> cases[] = {{"/S=1", 2},   {"=x", 2},  {"", 0},
                                                  {"$a_1.x", 4}, {"//x", 1}, {"\xe9z\xe9", 2}};
    for (const auto &[text, offset] : cases)
        EXPECT_EQ(skipkeyword(text), text + offset) << "'" << text << "'";
}

} // namespace
