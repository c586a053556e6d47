// Keyword tables: abbreviation matching, table strides and keyword lists.
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <zrlshared.h>

namespace {

// Keyword and one word: 8 bytes on a 32-bit build.
struct Entry2 {
    const char *keyword;
    zrl_word value;
};
// Keyword and three words: 16 bytes on a 32-bit build.
struct Entry4 {
    const char *keyword;
    zrl_word value, extra1, extra2;
};
// Keyword and two words: an unusual 12-byte stride on a 32-bit build.
struct Entry3 {
    const char *keyword;
    zrl_word value, extra;
};

// An attribute table in the order of the file attributes, S before SEQ.
const Entry4 kAttributes[] = {
    {"NOPFS", 1, 0, 0},          {"S*TREAM_TYPE", 2, 0, 0},
    {"V*ARIABLE_TYPE", 3, 0, 0}, {"D*EFAULT", 4, 0, 0},
    {"SEQ*UENTIAL", 5, 0, 0},    {"B*ACKUP", 6, 0, 0},
    {"A*LLOCATED", 7, 0, 0},     {"FA*ST_FILE_TRANSFER", 8, 0, 0},
    {"NOR*ECORD", 9, 0, 0},      {"END1", 10, 0, 0},
    {"END2", 11, 0, 0},          {nullptr, 0, 0, 0},
};

const Entry2 kFields[] = {
    {"NOD*E", 1},  {"DEV*ICE", 2},   {"DIR*ECTORY", 4}, {"NAM*E", 8},
    {"TYP*E", 16}, {"VER*SION", 32}, {nullptr, 0},
};

template <class Entry> zrl_word value_of(const char *text, const Entry *table) {
    const void *hit = findkeyword(text, table, static_cast<int>(sizeof(Entry)));
    return hit == nullptr ? 0 : static_cast<const Entry *>(hit)->value;
}

TEST(Findkeyword, MatchesAbbreviationsInAttributeTable) {
    struct Case {
        const char *text;
        zrl_word value; // 0: no match
    };
    const Case cases[] = {
        {"s", 2},
        {"S", 2},
        {"/st", 2},
        {"stream_type", 2},
        {"stream_type=1", 2},
        {"-v", 3},
        {"d:", 4},
        {" s", 2},
        {"se", 0},
        {"seq", 5},
        {"SEQUENTIAL", 5},
        {"seque", 5},
        {"sequentiall", 0},
        {"streamx", 0},
        {"END", 0},
        {"end", 0},
        {"end2", 11},
        {"END1", 10},
        {"e", 0},
        {"NOPF", 0},
        {"nopfs", 1},
        {"NOPFSX", 0},
        {"no", 0},
        {"nor", 9},
        {"f", 0},
        {"fa", 8},
        {"s\xe9", 2},
        {"s$", 0},
        {"  s", 0},
        {"//s", 0},
        {"", 0},
        {"/", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(value_of(c.text, kAttributes), c.value) << "'" << c.text << "'";
}

TEST(Findkeyword, TypedWordEndsAtAnyNonKeywordCharacter) {
    struct Case {
        const char *text;
        zrl_word value;
    };
    const Case cases[] = {
        {"dir=[x]", 4}, {"DIR:", 4},     {"di", 0},         {"directory", 4},
        {"nod", 1},     {"version", 32}, {"type", 16},      {"nam.typ", 8},
        {"dir-", 4},    {"dir\x80", 4},  {"directoryx", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(value_of(c.text, kFields), c.value) << "'" << c.text << "'";
}

TEST(Findkeyword, ReturnsEntryItselfAndLeavesTextAndStatusAlone) {
    const char text[] = "/Seq=x";
    zrl_error = 77;
    EXPECT_EQ(findkeyword(text, kAttributes, sizeof(Entry4)), &kAttributes[4]);
    EXPECT_STREQ(text, "/Seq=x");
    EXPECT_EQ(findkeyword("/zz", kAttributes, sizeof(Entry4)), nullptr);
    EXPECT_EQ(zrl_error, 77);
}

TEST(Findkeyword, UnusableArgumentsGiveNull) {
    EXPECT_EQ(findkeyword(nullptr, kFields, sizeof(Entry2)), nullptr);
    EXPECT_EQ(findkeyword("dir", nullptr, sizeof(Entry2)), nullptr);
    // A stride that cannot hold the keyword pointer is refused, not walked.
    EXPECT_EQ(findkeyword("nod", kFields, 0), nullptr);
    EXPECT_EQ(findkeyword("nod", kFields, -16), nullptr);
    EXPECT_EQ(findkeyword("nod", kFields, static_cast<int>(sizeof(char *)) - 1), nullptr);
    EXPECT_EQ(findkeyword("nod", kFields, static_cast<int>(sizeof(Entry2))), &kFields[0]);
}

TEST(Findkeyword, FirstMatchingEntryWinsAndAsteriskMarksMinimum) {
    const Entry2 table[] = {
        {"S*TREAM", 1}, {"SE*T", 2}, {"*ALL", 3}, {"X-Y*Z", 4}, {"l*ower", 5}, {nullptr, 0},
    };
    struct Case {
        const char *text;
        zrl_word value;
    };
    const Case cases[] = {
        {"s", 1},
        {"se", 2},
        {"set", 2},
        {"stream", 1},
        // An empty typed word is accepted by a keyword that starts with the asterisk.
        {"  ", 3},
        {"/=", 3},
        {"a", 3},
        {"all", 3},
        // A non-keyword character inside a keyword text ends the keyword.
        {"x", 4},
        {"x-y", 4},
        {"xy", 0},
        // Lower-case keyword texts are folded as well.
        {"LOW", 5},
        {"l", 5},
    };
    for (const Case &c : cases)
        EXPECT_EQ(value_of(c.text, table), c.value) << "'" << c.text << "'";
}

// The same keywords laid out with several strides must match alike.
template <class Entry> std::vector<Entry> field_table() {
    std::vector<Entry> table(7);
    for (std::size_t i = 0; i < 6; ++i) {
        table[i].keyword = kFields[i].keyword;
        table[i].value = kFields[i].value;
    }
    table[6].keyword = nullptr;
    return table;
}

const char *const kStrideTexts[] = {"nod", "/dev", "dir:", "name", "TYP", "ver=1", "xyz", "d"};
const int kStrideHits[] = {0, 1, 2, 3, 4, 5, -1, -1};

template <class Entry> void check_stride() {
    const std::vector<Entry> table = field_table<Entry>();
    for (std::size_t i = 0; i < std::size(kStrideTexts); ++i) {
        const void *hit = findkeyword(kStrideTexts[i], table.data(), sizeof(Entry));
        const void *want = kStrideHits[i] < 0 ? nullptr : &table[kStrideHits[i]];
        EXPECT_EQ(hit, want) << kStrideTexts[i] << " stride " << sizeof(Entry);
    }
}

TEST(Findkeyword, WorksWithTwoThreeAndFourWordEntries) {
    check_stride<Entry2>();
    check_stride<Entry3>();
    check_stride<Entry4>();
}

TEST(Findkeyword, WorksWithPackedEntriesOfOddStride) {
    // Keyword pointer plus three bytes of data: the pointers are unaligned.
    constexpr int stride = static_cast<int>(sizeof(const char *)) + 3;
    alignas(8) unsigned char table[7 * stride] = {};
    for (int i = 0; i < 7; ++i) {
        const char *keyword = i < 6 ? kFields[i].keyword : nullptr;
        std::memcpy(table + i * stride, &keyword, sizeof keyword);
        table[i * stride + sizeof keyword] = static_cast<unsigned char>(i);
    }
    for (std::size_t i = 0; i < std::size(kStrideTexts); ++i) {
        const void *hit = findkeyword(kStrideTexts[i], table, stride);
        const void *want = kStrideHits[i] < 0 ? nullptr : table + kStrideHits[i] * stride;
        EXPECT_EQ(hit, want) << kStrideTexts[i];
    }
}

// Walks a keyword list as the field-list readers do.
std::vector<zrl_word> walk(const char *list) {
    std::vector<zrl_word> found;
    for (const char *p = list; *p != '\0'; p = skipkeyword(p)) {
        const void *hit = findkeyword(p, kFields, sizeof(Entry2));
        if (hit != nullptr) found.push_back(static_cast<const Entry2 *>(hit)->value);
    }
    return found;
}

TEST(Findkeyword, WalksKeywordListsWithSkipkeyword) {
    struct Case {
        const char *list;
        std::vector<zrl_word> found;
    };
    const Case cases[] = {
        {"DIR,NAM,TYP,VER", {4, 8, 16, 32}},
        {"NOD,DEV", {1, 2}},
        {"dir,xyz,ver", {4, 32}},
        {"nam typ", {8, 16}},
        {"/dir/nam", {4, 8}},
        {"DIR,,NAM", {4, 8}},
        {"", {}},
        {",", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(walk(c.list), c.found) << c.list;
}

TEST(Skipkeyword, StepsOverFirstByteThenKeywordCharacters) {
    struct Case {
        const char *text;
        int offset;
    };
    const Case cases[] = {
        {"/S=1", 2},
        {"S=1", 1},
        {"=x", 2},
        {"", 0},
        {"stream_type:v", 11},
        {"/", 1},
        {"ab c", 2},
        {"\xe9"
         "abc",
         4},
        {"$a_1.x", 4},
        {"//x", 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(skipkeyword(c.text), c.text + c.offset) << "'" << c.text << "'";
}

} // namespace
