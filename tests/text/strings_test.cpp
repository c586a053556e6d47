// String primitives: append, compare, search, sepstr and sqzstr.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zrlshared.h>

using namespace std::string_literals;

namespace {

constexpr int kUntouched = 77;

TEST(Appstr, AppendsAndReturnsNewLengthWithoutWritingPastTheNul) {
    const struct {
        const char *dest, *src, *result;
    } cases[] = {{"abc", "", "abc"}, {"", "", ""}, {"ab", "cd", "abcd"}};
    for (const auto &c : cases) {
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        std::strcpy(buf, c.dest);
        const int len = appstr(buf, c.src);
        EXPECT_STREQ(buf, c.result) << c.dest << "+" << c.src;
        EXPECT_EQ(len, static_cast<int>(std::strlen(c.result)));
        EXPECT_EQ(buf[len + 1], '#');
    }
}

// The character and substring searches against std::string over random
// strings of a small alphabet (a byte above 127 among them), so that hits,
// misses, empty strings and every start position occur.  chrstr gives the
// length and status 22 on a miss, cposstr -1 (also for the NUL), pcposstr
// and psposstr the terminating NUL; sposstr finds nothing in an empty
// string; posstr searches from start, which must lie inside the string.
// Only chrstr and posstr touch the status.
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
        const std::size_t at = ch == '\0' ? npos : str.find(ch);
        const std::size_t sub_at = str.find(sub);
        SCOPED_TRACE("'" + str + "' / '" + sub + "' / " + std::to_string(ch));
        zrl_error = kUntouched;
        EXPECT_EQ(cposstr(ch, s), at == npos ? -1 : static_cast<int>(at));
        EXPECT_EQ(pcposstr(ch, s), s + (at == npos ? str.size() : at));
        EXPECT_EQ(sposstr(sub.c_str(), s), str.empty() || sub_at == npos ? -1 : int(sub_at));
        EXPECT_EQ(psposstr(sub.c_str(), s), s + (sub_at == npos ? str.size() : sub_at));
        EXPECT_EQ(zrl_error, kUntouched);
        EXPECT_EQ(chrstr(ch, s), ch == '\0' || at == npos ? len : static_cast<int>(at));
        EXPECT_EQ(zrl_error, ch != '\0' && at == npos ? 22 : 0);
        const int start = static_cast<int>(rng() % (str.size() + 3)) - 1;
        const std::size_t from = start < 0 || start >= len ? npos : str.find(sub, start);
        zrl_error = kUntouched;
        EXPECT_EQ(posstr(sub.c_str(), s, start), from == npos ? len : static_cast<int>(from));
        EXPECT_EQ(zrl_error, from == npos ? 22 : 0);
    }
}

// The unsigned difference of the first differing bytes; cmpbuf compares at
// most n bytes and stops at a common NUL.
TEST(Cmpstr, ReturnsUnsignedDifferenceOfFirstDifferingBytes) {
    const struct {
        const char *a, *b;
        int result;
    } cases[] = {{"a", "ab", -'b'},        {"abc", "abc", 0},        {"abd", "abc", 1},
                 {"\xff", "a", 255 - 'a'}, {"a", "\xff", 'a' - 255}, {"abc", "abd\xff", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(cmpstr(c.a, c.b), c.result) << c.a << " vs " << c.b;
    const struct {
        const char *a, *b;
        int n, result;
    } buffers[] = {
        {"abcX", "abcY", 3, 0}, {"abcX", "abcY", 4, -1},  {"abcX", "abcY", 40, -1},
        {"a\0x", "a\0y", 3, 0}, {"\xff", "\x01", 1, 254}, {"ab", "abc", 3, -'c'},
        {"abc", "xyz", -3, 0},  {nullptr, nullptr, 0, 0}, // a count below 1 reads nothing
    };
    for (const auto &c : buffers)
        EXPECT_EQ(cmpbuf(c.a, c.b, c.n), c.result) << c.a << " vs " << c.b << " n=" << c.n;
}

// A given separator splits at each occurrence; ' ' splits at runs of blanks;
// NUL splits at blanks or commas.  When the slots run out the last field
// keeps the rest; slots left over point at the string's terminating NUL.
TEST(Sepstr, SplitsInPlaceAndStoresTheFields) {
    const struct {
        const char *label;
        std::string text;
        char sep;
        int n;
        std::vector<std::string> fields; // the fields stored, in order
        std::string image;               // the whole buffer afterwards
    } cases[] = {
        {"trailing separator adds no field", "a,b,", ',', 4, {"a", "b"}, "a\0b\0"s},
        {"double separator gives empty field", "a,,b", ',', 4, {"a", "", "b"}, "a\0\0b"s},
        {"slots run out, last field cut", "a,b,c", ',', 2, {"a", "b"}, "a\0b\0c"s},
        {"runs of blanks", "  one  two ", ' ', 4, {"one", "two"}, "\0\0one\0\0two\0"s},
        {"rest left unsplit", "a  b  c", ' ', 2, {"a", "b"}, "a\0\0b\0 c"s},
        {"mixed", "  one  two,three", '\0', 4, {"one", "two", "three"}, "\0\0one\0\0two\0three"s},
        {"commas between blanks", "a , ,b", '\0', 4, {"a", "", "b"}, "a\0\0\0\0b"s},
        {"comma in blanks", " , ", '\0', 3, {""}, "\0\0\0"s},
        {"last field runs to the end", "a b,c", '\0', 2, {"a", "b,c"}, "a\0b,c"s},
        {"no slots", " a,b ", ',', 0, {}, " a,b "},
        {"negative count", " a,b ", '\0', -1, {}, " a,b "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<char> buf(c.text.begin(), c.text.end());
        buf.push_back('\0');
        std::vector<char *> slots(c.n > 0 ? static_cast<std::size_t>(c.n) : 1, buf.data());
        const int count = sepstr(buf.data(), c.sep, slots.data(), c.n);
        ASSERT_EQ(count, static_cast<int>(c.fields.size()));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(slots[i], c.fields[i]) << "field " << i;
        for (std::size_t i = static_cast<std::size_t>(count); i < slots.size(); ++i)
            EXPECT_EQ(slots[i], c.n > 0 ? buf.data() + c.text.size() : buf.data()) << i;
        EXPECT_EQ(std::string(buf.data(), c.text.size()), c.image);
        EXPECT_EQ(buf.back(), '\0');
    }
}

TEST(Sqzstr, SqueezesAndUpperCasesInDocumentedOrder) {
    const struct {
        const char *label;
        std::string in, out;
    } cases[] = {
        {"tabs and blanks", "  dir\t\t/full  ", "DIR /FULL"},
        {"backspace removes kept char", "ab\bc", "AC"},
        {"leading blank is not kept", " \bab", "AB"},
        {"backspace may leave two blanks", "a x\b b", "A  B"},
        {"carriage return stays", "a\rb", "A\rB"},
        {"blank before line feed removed at the end", "a\t\n", "A"},
        {"only one leading blank removed", " \n a", " A"},
        {"trailing blank before backspace", "x\b ", ""},
        {"only a to z folded", "`az{@AZ[\xe9", "`AZ{@AZ[\xe9"},
    };
    for (const auto &c : cases) {
        std::vector<char> buf(c.in.begin(), c.in.end());
        buf.push_back('\0');
        const int len = sqzstr(buf.data());
        EXPECT_EQ(std::string(buf.data()), c.out) << c.label;
        EXPECT_EQ(len, static_cast<int>(c.out.size())) << c.label;
    }
}

} // namespace
