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
    struct Case {
        const char *dest, *src, *result;
    };
    const Case cases[] = {
        {"abc", "", "abc"}, {"", "", ""}, {"ab", "cd", "abcd"}, {"", "xyz", "xyz"}};
    for (const Case &c : cases) {
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        std::strcpy(buf, c.dest);
        const int len = appstr(buf, c.src);
        EXPECT_STREQ(buf, c.result) << c.dest << "+" << c.src;
        EXPECT_EQ(len, static_cast<int>(std::strlen(c.result)));
        EXPECT_EQ(buf[len + 1], '#');
    }
}

TEST(Chrstr, ReturnsPositionOrLengthWithStatus) {
    struct Case {
        char ch;
        const char *str;
        int pos, status;
    };
    const Case cases[] = {
        {'x', "abc", 3, 22}, {'a', "abc", 0, 0}, {'c', "abc", 2, 0}, {'b', "abcb", 1, 0},
        {'\0', "abc", 3, 0}, {'a', "", 0, 22},   {'\0', "", 0, 0},   {'\xe9', "caf\xe9", 3, 0},
    };
    for (const Case &c : cases) {
        zrl_error = kUntouched;
        EXPECT_EQ(chrstr(c.ch, c.str), c.pos) << c.str << " / " << int(c.ch);
        EXPECT_EQ(zrl_error, c.status) << c.str << " / " << int(c.ch);
    }
}

TEST(Cposstr, ReturnsMinusOneForMissEmptyStringAndNul) {
    struct Case {
        char ch;
        const char *str;
        int pos;
    };
    const Case cases[] = {{'a', "", -1},
                          {'\0', "abc", -1},
                          {'c', "abc", 2},
                          {'x', "abc", -1},
                          {'\xe9', "caf\xe9", 3}};
    for (const Case &c : cases)
        EXPECT_EQ(cposstr(c.ch, c.str), c.pos) << c.str << " / " << int(c.ch);
}

TEST(Pcposstr, PointsAtMatchOrAtTerminatingNul) {
    struct Case {
        char ch;
        const char *str;
        int offset;
    };
    const Case cases[] = {{'a', "", 0}, {'x', "abc", 3}, {'\0', "abc", 3}, {'b', "abcb", 1}};
    for (const Case &c : cases)
        EXPECT_EQ(pcposstr(c.ch, c.str), c.str + c.offset) << c.str << " / " << int(c.ch);
}

TEST(Cmpstr, ReturnsUnsignedDifferenceOfFirstDifferingBytes) {
    struct Case {
        const char *a, *b;
        int result;
    };
    const Case cases[] = {{"a", "ab", -'b'},        {"ab", "a", 'b'},
                          {"abc", "abc", 0},        {"", "", 0},
                          {"abd", "abc", 1},        {"\xff", "a", 255 - 'a'},
                          {"a", "\xff", 'a' - 255}, {"abc", "abd\xff", -1}};
    for (const Case &c : cases)
        EXPECT_EQ(cmpstr(c.a, c.b), c.result) << c.a << " vs " << c.b;
}

TEST(Cmpbuf, ComparesAtMostNBytesAndStopsAtCommonNul) {
    struct Case {
        const char *a, *b;
        int n, result;
    };
    const Case cases[] = {
        {"abcX", "abcY", 3, 0}, {"abcX", "abcY", 4, -1}, {"abcX", "abcY", 40, -1},
        {"ab", "ab", 10, 0},    {"a\0x", "a\0y", 3, 0},  {"\xff", "\x01", 1, 254},
        {"ab", "abc", 3, -'c'}, {"abc", "xyz", 0, 0},    {"abc", "xyz", -3, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cmpbuf(c.a, c.b, c.n), c.result) << c.a << " vs " << c.b << " n=" << c.n;
    // A count below 1 reads nothing at all.
    EXPECT_EQ(cmpbuf(nullptr, nullptr, 0), 0);
}

TEST(Posstr, FindsFromStartOrReturnsLengthWithStatus) {
    struct Case {
        const char *sub, *str;
        int start, result, status;
    };
    const Case cases[] = {
        {"", "abc", 1, 1, 0},      {"c", "abc", 3, 3, 22},   {"x", "", 0, 0, 22},
        {"", "", 0, 0, 22},        {"b", "abc", -1, 3, 22},  {"bc", "abcbc", 2, 3, 0},
        {"bc", "abcbc", 0, 1, 0},  {"cd", "abc", 0, 3, 22},  {"abc", "abc", 0, 0, 0},
        {"abcd", "abc", 0, 3, 22}, {"aab", "aaab", 0, 1, 0}, {"a", "abc", 1, 3, 22},
    };
    for (const Case &c : cases) {
        zrl_error = kUntouched;
        EXPECT_EQ(posstr(c.sub, c.str, c.start), c.result) << c.sub << " in " << c.str;
        EXPECT_EQ(zrl_error, c.status) << c.sub << " in " << c.str << " from " << c.start;
    }
}

TEST(Sposstr, ReturnsFirstMatchOrMinusOne) {
    struct Case {
        const char *sub, *str;
        int pos, ptr_offset;
    };
    // ptr_offset is what psposstr gives for the same arguments.
    const Case cases[] = {
        {"", "", -1, 0},     {"", "a", 0, 0},      {"aab", "aaab", 1, 1}, {"x", "abc", -1, 3},
        {"bc", "abc", 1, 1}, {"abc", "ab", -1, 2}, {"c", "abc", 2, 2},    {"abc", "abc", 0, 0},
    };
    for (const Case &c : cases) {
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

struct SepCase {
    const char *label;
    std::string text; // may hold NULs only as the image below
    char sep;
    int n;
    std::vector<std::string> fields; // the fields stored, in order
    std::string image;               // the whole buffer afterwards
};

void check_sepstr(const SepCase &c) {
    SCOPED_TRACE(c.label);
    std::vector<char> buf(c.text.begin(), c.text.end());
    buf.push_back('\0');
    std::vector<char *> slots(c.n > 0 ? static_cast<std::size_t>(c.n) : 0, nullptr);
    const int count = sepstr(buf.data(), c.sep, slots.data(), c.n);
    ASSERT_EQ(count, static_cast<int>(c.fields.size()));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(slots[i], c.fields[i]) << "field " << i;
    // Slots left over point at the string's own terminating NUL.
    for (std::size_t i = static_cast<std::size_t>(count); i < slots.size(); ++i)
        EXPECT_EQ(slots[i], buf.data() + c.text.size()) << "slot " << i;
    EXPECT_EQ(std::string(buf.data(), c.text.size()), c.image);
    EXPECT_EQ(buf.back(), '\0');
}

TEST(Sepstr, SplitsOnAGivenSeparator) {
    const SepCase cases[] = {
        {"trailing separator adds no field", "a,b,", ',', 4, {"a", "b"}, "a\0b\0"s},
        {"double separator gives empty field", "a,,b", ',', 4, {"a", "", "b"}, "a\0\0b"s},
        {"leading separator gives empty field", ",a", ',', 3, {"", "a"}, "\0a"s},
        {"blanks are kept", "a b, c", ',', 3, {"a b", " c"}, "a b\0 c"s},
        {"empty string", "", ',', 2, {}, ""},
        {"lone separator", ",", ',', 2, {""}, "\0"s},
        {"other separator", "x:y:z", ':', 5, {"x", "y", "z"}, "x\0y\0z"s},
        {"slots run out, last field cut", "a,b,c", ',', 2, {"a", "b"}, "a\0b\0c"s},
        {"one slot", "a,b,c", ',', 1, {"a"}, "a\0b,c"s},
    };
    for (const SepCase &c : cases)
        check_sepstr(c);
}

TEST(Sepstr, SplitsOnRunsOfBlanks) {
    const SepCase cases[] = {
        {"runs of blanks", "  one  two ", ' ', 4, {"one", "two"}, "\0\0one\0\0two\0"s},
        {"commas are ordinary", "a,b", ' ', 2, {"a,b"}, "a,b"},
        {"only blanks", "   ", ' ', 2, {}, "\0\0\0"s},
        {"tab is not a blank", "\tx y", ' ', 3, {"\tx", "y"}, "\tx\0y"s},
        {"slots run out, last field cut", "a b c", ' ', 2, {"a", "b"}, "a\0b\0c"s},
        {"rest left unsplit", "a  b  c", ' ', 2, {"a", "b"}, "a\0\0b\0 c"s},
    };
    for (const SepCase &c : cases)
        check_sepstr(c);
}

TEST(Sepstr, SplitsOnBlanksOrCommas) {
    const SepCase cases[] = {
        {"mixed", "  one  two,three", '\0', 4, {"one", "two", "three"}, "\0\0one\0\0two\0three"s},
        {"double comma", "a,,b", '\0', 4, {"a", "", "b"}, "a\0\0b"s},
        {"commas between blanks", "a , ,b", '\0', 4, {"a", "", "b"}, "a\0\0\0\0b"s},
        {"leading comma", ",a", '\0', 3, {"", "a"}, "\0a"s},
        {"trailing comma", "a,", '\0', 3, {"a"}, "a\0"s},
        {"blank only", "a b", '\0', 3, {"a", "b"}, "a\0b"s},
        {"commas only", ",,", '\0', 3, {"", ""}, "\0\0"s},
        {"comma in blanks", " , ", '\0', 3, {""}, "\0\0\0"s},
        {"empty string", "", '\0', 3, {}, ""},
        {"one slot keeps the rest", "a,b c", '\0', 1, {"a,b c"}, "a,b c"},
        {"last field runs to the end", "a b,c", '\0', 2, {"a", "b,c"}, "a\0b,c"s},
        {"last field keeps its blank", "a ,b", '\0', 1, {"a ,b"}, "a ,b"},
        {"slots run out on empty field", "a,,b", '\0', 2, {"a", ""}, "a\0\0b"s},
    };
    for (const SepCase &c : cases)
        check_sepstr(c);
}

TEST(Sepstr, NoSlotsWritesNothing) {
    for (char sep : {',', ' ', '\0'}) {
        for (int n : {0, -1}) {
            char buf[] = " a,b ";
            char *slot = buf;
            EXPECT_EQ(sepstr(buf, sep, &slot, n), 0);
            EXPECT_EQ(std::string(buf, sizeof buf), " a,b \0"s);
            EXPECT_EQ(slot, buf);
        }
    }
}

TEST(Sqzstr, SqueezesAndUpperCasesInDocumentedOrder) {
    struct Case {
        const char *label;
        std::string in, out;
    };
    const Case cases[] = {
        {"tabs and blanks", "  dir\t\t/full  ", "DIR /FULL"},
        {"single blank", " ", ""},
        {"empty", "", ""},
        {"backspace removes kept char", "ab\bc", "AC"},
        {"backspace with nothing kept", "\bab", "AB"},
        {"leading blank is not kept", " \bab", "AB"},
        {"backspaces in a row", "ab\b\b\bc", "C"},
        {"backspace may leave two blanks", "a x\b b", "A  B"},
        {"backspace removes a blank", "x \b", "X"},
        {"line feed removed", "a\nb", "AB"},
        {"carriage return stays", "a\rb", "A\rB"},
        {"blank before line feed removed at the end", "a\t\n", "A"},
        {"only one leading blank removed", " \n a", " A"},
        {"trailing blank before backspace", "x\b ", ""},
        {"high bytes unchanged", "caf\xe9", "CAF\xe9"},
        {"only a to z folded", "`az{@AZ[", "`AZ{@AZ["},
        {"other controls stay",
         "\x01"
         "ctl",
         "\x01"
         "CTL"},
    };
    for (const Case &c : cases) {
        std::vector<char> buf(c.in.begin(), c.in.end());
        buf.push_back('\0');
        const int len = sqzstr(buf.data());
        EXPECT_EQ(std::string(buf.data()), c.out) << c.label;
        EXPECT_EQ(len, static_cast<int>(c.out.size())) << c.label;
    }
}

} // namespace
