// Keyword tables: abbreviation matching, table strides and keyword lists.
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include <zrlshared.h>

namespace {

// Keyword and one or three words.
struct Entry2 {
    const char *keyword;
    zrl_word value;
};
struct Entry4 {
    const char *keyword;
    zrl_word value, extra1, extra2;
};

// An attribute table in the order of the file attributes, S before SEQ.
const Entry4 kAttributes[] = {{"NOPFS", 1, 0, 0},          {"S*TREAM_TYPE", 2, 0, 0},
                              {"V*ARIABLE_TYPE", 3, 0, 0}, {"D*EFAULT", 4, 0, 0},
                              {"SEQ*UENTIAL", 5, 0, 0},    {"B*ACKUP", 6, 0, 0},
                              {"A*LLOCATED", 7, 0, 0},     {"FA*ST_FILE_TRANSFER", 8, 0, 0},
                              {"NOR*ECORD", 9, 0, 0},      {"END1", 10, 0, 0},
                              {"END2", 11, 0, 0},          {nullptr, 0, 0, 0}};

const Entry2 kFields[] = {{"NOD*E", 1},  {"DEV*ICE", 2},   {"DIR*ECTORY", 4}, {"NAM*E", 8},
                          {"TYP*E", 16}, {"VER*SION", 32}, {nullptr, 0}};

// The first entry that matches wins; an asterisk at the start accepts an
// empty word, and a non-keyword character inside a keyword ends it.
const Entry2 kOdd[] = {{"S*TREAM", 1}, {"SE*T", 2},   {"*ALL", 3},
                       {"X-Y*Z", 4},   {"l*ower", 5}, {nullptr, 0}};

template <class Entry> zrl_word value_of(const char *text, const Entry *table) {
    const void *hit = findkeyword(text, table, static_cast<int>(sizeof(Entry)));
    return hit == nullptr ? 0 : static_cast<const Entry *>(hit)->value;
}

// One leading non-keyword character is skipped; the typed word ends at any
// non-keyword character and must be at least the part before the asterisk.
TEST(Findkeyword, MatchesAbbreviationsCaseBlind) {
    const std::pair<const char *, zrl_word> attributes[] = {
        {"s", 2},     {"/st", 2},        {"stream_type=1", 2},
        {"-v", 3},    {" s", 2},         {"se", 0},
        {"seq", 5},   {"SEQUENTIAL", 5}, {"sequentiall", 0},
        {"END", 0},   {"end2", 11},      {"NOPF", 0},
        {"nopfs", 1}, {"NOPFSX", 0},     {"f", 0},
        {"fa", 8},    {"s\xe9", 2},      {"s$", 0},
        {"  s", 0},   {"//s", 0},        {"", 0},
        {"/", 0}};
    for (const auto &[text, value] : attributes)
        EXPECT_EQ(value_of(text, kAttributes), value) << "'" << text << "'";
    const std::pair<const char *, zrl_word> fields[] = {
        {"dir=[x]", 4}, {"di", 0}, {"nam.typ", 8}, {"dir\x80", 4}, {"directoryx", 0}};
    for (const auto &[text, value] : fields)
        EXPECT_EQ(value_of(text, kFields), value) << "'" << text << "'";
    const std::pair<const char *, zrl_word> odd[] = {{"s", 1},   {"se", 2}, {"  ", 3},
                                                     {"/=", 3},  {"a", 3},  {"x", 4},
                                                     {"x-y", 4}, {"xy", 0}, {"LOW", 5}};
    for (const auto &[text, value] : odd)
        EXPECT_EQ(value_of(text, kOdd), value) << "'" << text << "'";
}

TEST(Findkeyword, ReturnsEntryItselfAndLeavesTextAndStatusAlone) {
    const char text[] = "/Seq=x";
    zrl_error = 77;
    EXPECT_EQ(findkeyword(text, kAttributes, sizeof(Entry4)), &kAttributes[4]);
    EXPECT_STREQ(text, "/Seq=x");
    EXPECT_EQ(findkeyword("/zz", kAttributes, sizeof(Entry4)), nullptr);
    EXPECT_EQ(zrl_error, 77);
    EXPECT_EQ(findkeyword(nullptr, kFields, sizeof(Entry2)), nullptr);
    EXPECT_EQ(findkeyword("dir", nullptr, sizeof(Entry2)), nullptr);
    // A stride that cannot hold the keyword pointer is refused, not walked.
    EXPECT_EQ(findkeyword("nod", kFields, -16), nullptr);
    EXPECT_EQ(findkeyword("nod", kFields, static_cast<int>(sizeof(char *)) - 1), nullptr);
}

// The same keywords in a packed table whose stride leaves the keyword
// pointers unaligned.
const char *const kStrideTexts[] = {"nod", "/dev", "dir:", "name", "TYP", "ver=1", "xyz", "d"};
const int kStrideHits[] = {0, 1, 2, 3, 4, 5, -1, -1};

TEST(Findkeyword, WorksWithAnyStride) {
    constexpr int stride = static_cast<int>(sizeof(const char *)) + 3;
    alignas(8) unsigned char table[7 * stride] = {};
    for (int i = 0; i < 7; ++i)
        std::memcpy(table + i * stride, &kFields[i].keyword, sizeof(const char *));
    for (std::size_t i = 0; i < std::size(kStrideTexts); ++i) {
        const void *hit = findkeyword(kStrideTexts[i], table, stride);
        const void *want = kStrideHits[i] < 0 ? nullptr : table + kStrideHits[i] * stride;
        EXPECT_EQ(hit, want) << kStrideTexts[i];
    }
}

TEST(Skipkeyword, StepsOverFirstByteThenKeywordCharacters) {
    const std::pair<const char *, int> cases[] = {{"/S=1", 2},
                                                  {"=x", 2},
                                                  {"", 0},
                                                  {"stream_type:v", 11},
                                                  {"/", 1},
                                                  {"ab c", 2},
                                                  {"\xe9"
                                                   "abc",
                                                   4},
                                                  {"$a_1.x", 4},
                                                  {"//x", 1}};
    for (const auto &[text, offset] : cases)
        EXPECT_EQ(skipkeyword(text), text + offset) << "'" << text << "'";
}

} // namespace
