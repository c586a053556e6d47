// String primitives: append, compare, search, sepstr and sqzstr.
#include <cstring>
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

// chrstr gives the length and status 22 on a miss; cposstr gives -1 (also
// for the NUL) and pcposstr points at the terminating NUL.
TEST(CharacterSearch, ReportsAMissEachInItsOwnWay) {
    const struct {
        char ch;
        const char *str;
        int chrstr, status, cposstr, pcposstr;
    } cases[] = {
        {'x', "abc", 3, 22, -1, 3},      {'a', "abc", 0, 0, 0, 0}, {'b', "abcb", 1, 0, 1, 1},
        {'\0', "abc", 3, 0, -1, 3},      {'a', "", 0, 22, -1, 0},  {'\0', "", 0, 0, -1, 0},
        {'\xe9', "caf\xe9", 3, 0, 3, 3},
    };
    for (const auto &c : cases) {
        zrl_error = kUntouched;
        EXPECT_EQ(chrstr(c.ch, c.str), c.chrstr) << c.str << " / " << int(c.ch);
        EXPECT_EQ(zrl_error, c.status) << c.str << " / " << int(c.ch);
        EXPECT_EQ(cposstr(c.ch, c.str), c.cposstr) << c.str << " / " << int(c.ch);
        EXPECT_EQ(pcposstr(c.ch, c.str), c.str + c.pcposstr) << c.str << " / " << int(c.ch);
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

TEST(Posstr, FindsFromStartOrReturnsLengthWithStatus) {
    const struct {
        const char *sub, *str;
        int start, result, status;
    } cases[] = {
        {"", "abc", 1, 1, 0},      {"c", "abc", 3, 3, 22},   {"", "", 0, 0, 22},
        {"b", "abc", -1, 3, 22},   {"bc", "abcbc", 2, 3, 0}, {"abc", "abc", 0, 0, 0},
        {"abcd", "abc", 0, 3, 22}, {"aab", "aaab", 0, 1, 0}, {"a", "abc", 1, 3, 22},
    };
    for (const auto &c : cases) {
        zrl_error = kUntouched;
        EXPECT_EQ(posstr(c.sub, c.str, c.start), c.result) << c.sub << " in " << c.str;
        EXPECT_EQ(zrl_error, c.status) << c.sub << " in " << c.str << " from " << c.start;
    }
}

// sposstr gives -1 on a miss, psposstr the terminating NUL.
TEST(Sposstr, ReturnsFirstMatchOrMinusOne) {
    const struct {
        const char *sub, *str;
        int pos, ptr_offset;
    } cases[] = {
        {"", "", -1, 0},     {"", "a", 0, 0},      {"aab", "aaab", 1, 1},
        {"x", "abc", -1, 3}, {"abc", "ab", -1, 2}, {"c", "abc", 2, 2},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(sposstr(c.sub, c.str), c.pos) << c.sub << " in " << c.str;
        EXPECT_EQ(psposstr(c.sub, c.str), c.str + c.ptr_offset) << c.sub << " in " << c.str;
    }
}

TEST(StringPrimitives, OnlyChrstrAndPosstrTouchTheStatus) {
    zrl_error = kUntouched;
    char buf[8] = "ab";
    char *fields[2];
    appstr(buf, "c");
    cposstr('x', "abc");
    pcposstr('x', "abc");
    cmpstr("a", "b");
    cmpbuf("a", "b", 1);
    psposstr("x", "abc");
    sposstr("x", "abc");
    sepstr(buf, ',', fields, 2);
    sqzstr(buf);
    EXPECT_EQ(zrl_error, kUntouched);
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
        {"leading separator gives empty field", ",a", ',', 3, {"", "a"}, "\0a"s},
        {"blanks are kept", "a b, c", ',', 3, {"a b", " c"}, "a b\0 c"s},
        {"slots run out, last field cut", "a,b,c", ',', 2, {"a", "b"}, "a\0b\0c"s},
        {"runs of blanks", "  one  two ", ' ', 4, {"one", "two"}, "\0\0one\0\0two\0"s},
        {"tab is not a blank", "\tx y", ' ', 3, {"\tx", "y"}, "\tx\0y"s},
        {"rest left unsplit", "a  b  c", ' ', 2, {"a", "b"}, "a\0\0b\0 c"s},
        {"mixed", "  one  two,three", '\0', 4, {"one", "two", "three"}, "\0\0one\0\0two\0three"s},
        {"commas between blanks", "a , ,b", '\0', 4, {"a", "", "b"}, "a\0\0\0\0b"s},
        {"comma in blanks", " , ", '\0', 3, {""}, "\0\0\0"s},
        {"last field runs to the end", "a b,c", '\0', 2, {"a", "b,c"}, "a\0b,c"s},
        {"slots run out on empty field", "a,,b", '\0', 2, {"a", ""}, "a\0\0b"s},
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
