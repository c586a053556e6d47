// Reading through the FDB: integers, blocks, lines, raw blocks and the
// position and size queries, checked against files written beforehand.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fileio/record_files.h"
#include "support/console.h"

namespace {

using zrl_test::ScratchFile;

constexpr int kBuffer = 16384;
constexpr int kSeqBuffer = 65536;

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

// ---- Integers ---------------------------------------------------------------

struct IntegerCase {
    const char *name;
    std::string file;
    int width; // 1, 2, 4 or 8
    std::int64_t value;
    int status;
};

std::int64_t read_integer(FDB *fdb, int width) {
    switch (width) {
    case 1:
        return static_cast<unsigned char>(fgetb(fdb));
    case 2:
        return fgetw(fdb);
    case 4:
        return fgetl(fdb);
    default:
        return fgetll(fdb);
    }
}

TEST(Fget, ReadsLittleEndianIntegersOfEveryWidth) {
    const IntegerCase cases[] = {
        {"byte", bytes({0x9C}), 1, 0x9C, 0},
        {"word", bytes({0x01, 0x02}), 2, 0x0201, 0},
        {"word unsigned", bytes({0xFF, 0xFF}), 2, 0xFFFF, 0},
        {"long", bytes({0x01, 0x02, 0x03, 0x04}), 4, 0x04030201, 0},
        {"long negative", bytes({0xFE, 0xFF, 0xFF, 0xFF}), 4, -2, 0},
        {"long long", bytes({1, 2, 3, 4, 5, 6, 7, 8}), 8, 0x0807060504030201LL, 0},
        {"long long negative", bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 8, -1, 0},
        {"byte of empty file", "", 1, 0, -1},
        {"word of one byte", bytes({0x01}), 2, 0, -1},
        {"long long of seven bytes", bytes({1, 2, 3, 4, 5, 6, 7}), 8, 0, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFile file("int.dat", c.file);
        FDB *fdb = file.open(fopenr);
        ASSERT_GE(fdb->handle, 0);
        EXPECT_EQ(read_integer(fdb, c.width), c.value);
        EXPECT_EQ(zrl_error, c.status);
    }
}

TEST(Fget, NotOpenGivesStatus22AndNullResults) {
    FDB *never_opened = fdballoc();
    for (FDB *fdb : {static_cast<FDB *>(nullptr), never_opened}) {
        SCOPED_TRACE(fdb == nullptr ? "null" : "never opened");
        char text[256] = "unchanged";
        std::int32_t context = 99;
        struct Case {
            const char *name;
            std::function<std::int64_t()> call;
            std::int64_t result;
            int status;
        };
        const Case cases[] = {
            {"fgetb", [&] { return fgetb(fdb); }, 0, 22},
            {"fgetw", [&] { return fgetw(fdb); }, 0, 22},
            {"fgetl", [&] { return fgetl(fdb); }, 0, 22},
            {"fgetll", [&] { return fgetll(fdb); }, 0, 22},
            {"fgetm", [&] { return fgetm(fdb, text, 10); }, 0, 22},
            {"fgetnstr", [&] { return fgetnstr(fdb, text, 5); }, 0, 22},
            {"fgetstr", [&] { return fgetstr(fdb, text); }, 0, 22},
            {"fgetcbin", [&] { return fgetcbin(fdb); }, 0, 22},
            {"fgeteof", [&] { return fgeteof(fdb); }, 0, 22},
            {"fgetp", [&] { return fgetp(fdb); }, -1, 22},
            {"fgetctx", [&] { return (fgetctx(fdb, &context), context); }, -1, 22},
            {"fgetblk", [&] { return fgetblk(fdb, text, 10); }, 0, -1},
        };
        for (const Case &c : cases) {
            zrl_error = 0;
            EXPECT_EQ(c.call(), c.result) << c.name;
            EXPECT_EQ(zrl_error, c.status) << c.name;
        }
        EXPECT_STREQ(text, "");
    }
    fdbfree(never_opened);
}

// ---- Memory blocks and positions ----------------------------------------------

TEST(Fgetm, ShortReadAtEndThenEndOfFile) {
    ScratchFile file("block.dat", "0123456789abcd");
    FDB *fdb = file.open(fopenr);
    char to[16] = {};
    EXPECT_EQ(fgetm(fdb, to, 10), 10);
    EXPECT_EQ(fgetm(fdb, to, 10), 4);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(std::string(to, 4), "abcd");
    EXPECT_EQ(fgetm(fdb, to, 10), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_EQ(fgetm(fdb, to, 0), 0);
    EXPECT_EQ(zrl_error, 0);
}

TEST(Fgetctx, SavesThePositionThatFputctxGoesBackTo) {
    ScratchFile file("pos.dat", "abcdefghij");
    FDB *fdb = file.open(fopenr);
    char to[8];
    fgetm(fdb, to, 5);
    std::int32_t context = 0;
    fgetctx(fdb, &context);
    EXPECT_EQ(context, 5);
    EXPECT_EQ(fgetb(fdb), 'f');
    fputctx(fdb, &context);
    EXPECT_EQ(fgetb(fdb), 'f');
}

// ---- Raw blocks -------------------------------------------------------------------

TEST(Fgetblk, ReadsStraightFromDescriptorAndClearsEndOfFile) {
    std::string contents;
    for (int i = 0; i < 1500; ++i)
        contents.push_back(static_cast<char>(i % 253));
    ScratchFile file("raw.dat", contents);
    FDB *fdb = file.open(fopenr, "IMAGE");
    std::string to(1000, '\0');
    fdb->f_flags |= ZRL_FDB_EOF;
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 1000);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_FALSE(fdb->f_flags & ZRL_FDB_EOF);
    EXPECT_EQ(to, contents.substr(0, 1000));
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 500);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(to.substr(0, 500), contents.substr(1000));
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_TRUE(fdb->f_flags & ZRL_FDB_EOF);
}

// ---- Lines ---------------------------------------------------------------------------

// The lines of a file as the documentation defines them: each ends at a line
// feed, a carriage return, or a carriage return with a line feed; a last line
// without a line end counts.
std::vector<std::string> reference_lines(const std::string &file) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < file.size()) {
        std::size_t j = i;
        while (j < file.size() && file[j] != '\n' && file[j] != '\r')
            ++j;
        lines.push_back(file.substr(i, j - i));
        if (j < file.size())
            j += (file[j] == '\r' && j + 1 < file.size() && file[j + 1] == '\n') ? 2 : 1;
        i = j;
    }
    return lines;
}

// What fgetstr stores of a line: up to a NUL byte, at most 255 characters.
std::string as_fgetstr(const std::string &line) {
    return line.substr(0, std::min<std::size_t>(line.find('\0'), 255));
}

// All lines through fgetstr (max < 0) or fgetnstr, checking that nothing is
// stored past the room given.
std::vector<std::string> read_all(FDB *fdb, int max) {
    std::vector<std::string> lines;
    const auto room = static_cast<std::size_t>(max < 0 ? 256 : max + 1);
    std::vector<char> to(room + 1);
    for (;;) {
        to[room] = '#';
        const int n = max < 0 ? fgetstr(fdb, to.data()) : fgetnstr(fdb, to.data(), max);
        EXPECT_EQ(to[room], '#');
        if (max < 0) {
            EXPECT_EQ(static_cast<int>(std::strlen(to.data())), n);
        }
        if (n == 0 && zrl_error != 0) {
            EXPECT_EQ(zrl_error, -1);
            break;
        }
        EXPECT_EQ(zrl_error, 0);
        if (n < max) {
            EXPECT_EQ(to[static_cast<std::size_t>(n)], '\0');
        }
        lines.emplace_back(to.data(), static_cast<std::size_t>(n));
        if (lines.size() > 100000) break;
    }
    return lines;
}

// Reports the first line that differs rather than both lists whole.
void expect_same_lines(const std::vector<std::string> &got,
                       const std::vector<std::string> &expected) {
    for (std::size_t i = 0; i < std::min(got.size(), expected.size()); ++i) {
        if (got[i] != expected[i]) {
            ADD_FAILURE() << "line " << i << ": got " << testing::PrintToString(got[i])
                          << ", expected " << testing::PrintToString(expected[i]);
            return;
        }
    }
    EXPECT_EQ(got.size(), expected.size());
}

void expect_lines(const std::string &contents, const char *attributes = "") {
    const auto lines = reference_lines(contents);
    std::vector<std::string> expected_str;
    for (const auto &l : lines)
        expected_str.push_back(as_fgetstr(l));
    // A last line with no line end of which fgetstr stores nothing (it starts
    // with a NUL byte) reads as the end of the file.
    const bool open_end = !contents.empty() && contents.back() != '\n' && contents.back() != '\r';
    if (open_end && expected_str.back().empty()) expected_str.pop_back();
    ScratchFile file("lines.dat", contents);
    expect_same_lines(read_all(file.open(fopenr, attributes), -1), expected_str);
    std::vector<std::string> expected_n;
    for (const auto &l : lines)
        expected_n.push_back(l.substr(0, 300));
    expect_same_lines(read_all(file.open(fopenr, attributes), 300), expected_n);
}

TEST(Fgetstr, DocumentedLineEnds) {
    ScratchFile file("ends.dat", "ab\r\ncd\ref\n");
    FDB *fdb = file.open(fopenr);
    char to[256];
    EXPECT_EQ(fgetstr(fdb, to), 2);
    EXPECT_STREQ(to, "ab");
    EXPECT_EQ(fgetstr(fdb, to), 2);
    EXPECT_STREQ(to, "cd");
    EXPECT_EQ(fgetstr(fdb, to), 2);
    EXPECT_STREQ(to, "ef");
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fgetstr(fdb, to), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_STREQ(to, "");
}

TEST(Fgetstr, SmallFilesLineByLine) {
    const char *const files[] = {
        "",
        "\n",
        "\r",
        "\r\n",
        "\n\n",
        "\r\r",
        "\n\r",
        "\r\r\n\n",
        "abc",
        "abc\n",
        "abc\r",
        "abc\r\n",
        "a\nb\rc\r\nd",
        "\n\nx\n\n",
        "tab\tand space \n",
        "\x7f\x80\xff\n",
    };
    for (const char *f : files) {
        SCOPED_TRACE(testing::PrintToString(std::string(f)));
        expect_lines(f);
    }
}

TEST(Fgetstr, LongLineKeeps255AndNextReadStartsOnNextLine) {
    const std::string line300(300, 'L');
    ScratchFile file("long.dat", line300 + "\nnext\n" + std::string(255, 'M') + "\r\n" +
                                     std::string(256, 'N') + "\rlast");
    FDB *fdb = file.open(fopenr);
    char to[256];
    EXPECT_EQ(fgetstr(fdb, to), 255);
    EXPECT_EQ(std::string(to), line300.substr(0, 255));
    EXPECT_EQ(fgetstr(fdb, to), 4);
    EXPECT_STREQ(to, "next");
    EXPECT_EQ(fgetstr(fdb, to), 255);
    EXPECT_EQ(std::string(to), std::string(255, 'M'));
    EXPECT_EQ(fgetstr(fdb, to), 255);
    EXPECT_EQ(std::string(to), std::string(255, 'N'));
    EXPECT_EQ(fgetstr(fdb, to), 4);
    EXPECT_STREQ(to, "last");
    EXPECT_EQ(fgetstr(fdb, to), 0);
    EXPECT_EQ(zrl_error, -1);
}

TEST(Fgetnstr, MaximumDecidesTheNul) {
    ScratchFile file("nstr.dat", "abcdef\nab\nabc\nskipped\nz");
    FDB *fdb = file.open(fopenr);
    char to[8];
    std::memset(to, '#', sizeof to);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 3);
    EXPECT_EQ(std::string(to, 4), "abc#");
    std::memset(to, '#', sizeof to);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 2);
    EXPECT_EQ(std::string(to, 4), std::string("ab\0#", 4));
    std::memset(to, '#', sizeof to);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 3);
    EXPECT_EQ(std::string(to, 4), "abc#");
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fgetnstr(fdb, to, 0), 0) << "0 skips a line and stores the NUL only";
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(to[0], '\0');
    EXPECT_EQ(fgetnstr(fdb, to, 3), 1);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 0);
    EXPECT_EQ(zrl_error, -1);
}

// A line whose end lies just before, on or just after the end of the first
// buffer, for every kind of line end, with lines of several lengths so that
// the text itself crosses the boundary too; the last line ends every way,
// or not at all.
TEST(Fgetstr, LineEndsAroundBufferBoundary) {
    const char *const ends[] = {"\n", "\r", "\r\n"};
    const char *const last_ends[] = {"\n", "\r", "\r\n", ""};
    struct Size {
        const char *attributes;
        int bufsize;
    };
    for (const Size size : {Size{"", kBuffer}, Size{"SEQ", kSeqBuffer}}) {
        for (int end_at = size.bufsize - 2; end_at <= size.bufsize + 2; ++end_at) {
            for (int length : {0, 1, 7, 254, 255, 256, 400}) {
                for (const char *end : ends) {
                    for (const char *last : last_ends) {
                        // Lines of 100 characters, then one shorter line, up
                        // to where the line under test starts.
                        const auto before = static_cast<std::size_t>(end_at - length);
                        std::string contents;
                        while (contents.size() + 101 <= before)
                            contents +=
                                std::string(100, static_cast<char>('a' + contents.size() % 26)) +
                                "\n";
                        if (contents.size() < before)
                            contents += std::string(before - contents.size() - 1, 'p') + "\n";
                        contents += std::string(static_cast<std::size_t>(length), 'T') + end;
                        contents += std::string("tail") + last;
                        SCOPED_TRACE(std::string(size.attributes) + " end at " +
                                     std::to_string(end_at) + " length " + std::to_string(length) +
                                     " end " + testing::PrintToString(std::string(end)) + " last " +
                                     testing::PrintToString(std::string(last)));
                        expect_lines(contents, size.attributes);
                        if (HasFailure()) return;
                    }
                }
            }
        }
    }
}

} // namespace
