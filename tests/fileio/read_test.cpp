// Reading what the model test does not reach: 8-byte integers, fgetnstr,
// the saved context, raw blocks, and lines whose end falls on a buffer
// boundary, checked against a reference split of the file into lines.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/record_files.h"

namespace {

using zrl_test::ScratchFile;

TEST(Fget, ReadsLongLongsLittleEndianAndEndsOnAShortOne) {
    ScratchFile file("ll.dat", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\xff\xff\xff\xff\xff\xff\xff", 15));
    FDB *fdb = file.open(fopenr);
    EXPECT_EQ(fgetll(fdb), 0x0807060504030201LL);
    EXPECT_EQ(fgetll(fdb), 0);
    EXPECT_EQ(zrl_error, -1);
}

TEST(Fgetctx, SavesThePositionThatFputctxGoesBackTo) {
    ScratchFile file("pos.dat", "abcdefghij");
    FDB *fdb = file.open(fopenr);
    fskipb(fdb, 5);
    std::int32_t context = 0;
    fgetctx(fdb, &context);
    EXPECT_EQ(context, 5);
    EXPECT_EQ(fgetb(fdb), 'f');
    fputctx(fdb, &context);
    EXPECT_EQ(fgetb(fdb), 'f');
}

TEST(Fgetblk, ReadsStraightFromDescriptorAndClearsEndOfFile) {
    std::string contents;
    for (int i = 0; i < 1500; ++i) contents.push_back(static_cast<char>(i % 253));
    ScratchFile file("raw.dat", contents);
    FDB *fdb = file.open(fopenr, "IMAGE");
    std::string to(1000, '\0');
    fdb->f_flags |= ZRL_FDB_EOF;
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 1000);
    EXPECT_FALSE(fdb->f_flags & ZRL_FDB_EOF);
    EXPECT_EQ(to, contents.substr(0, 1000));
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 500);
    EXPECT_EQ(to.substr(0, 500), contents.substr(1000));
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_TRUE(fdb->f_flags & ZRL_FDB_EOF);
}

TEST(Fgetnstr, MaximumDecidesTheNul) {
    ScratchFile file("nstr.dat", "abcdef\nab\nskipped\nz");
    FDB *fdb = file.open(fopenr);
    char to[8];
    std::memset(to, '#', sizeof to);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 3);
    EXPECT_EQ(std::string(to, 4), "abc#");
    std::memset(to, '#', sizeof to);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 2);
    EXPECT_EQ(std::string(to, 4), std::string("ab\0#", 4));
    EXPECT_EQ(fgetnstr(fdb, to, 0), 0) << "0 skips a line and stores the NUL only";
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(to[0], '\0');
    EXPECT_EQ(fgetnstr(fdb, to, 3), 1);
    EXPECT_EQ(fgetnstr(fdb, to, 3), 0);
    EXPECT_EQ(zrl_error, -1);
}

// The lines of a file: each ends at a line feed, a carriage return, or a
// carriage return with a line feed; a last line without a line end counts.
std::vector<std::string> reference_lines(const std::string &file) {
    std::vector<std::string> lines;
    for (std::size_t i = 0, j; i < file.size(); i = j) {
        for (j = i; j < file.size() && file[j] != '\n' && file[j] != '\r'; ++j) {
        }
        lines.push_back(file.substr(i, j - i));
        if (j < file.size()) j += (file[j] == '\r' && j + 1 < file.size() && file[j + 1] == '\n') ? 2 : 1;
    }
    return lines;
}

// All lines through fgetstr (max < 0: up to a NUL byte, at most 255
// characters) or fgetnstr, checking that nothing is stored past the room.
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
            return lines;
        }
        if (n < max) {
            EXPECT_EQ(to[static_cast<std::size_t>(n)], '\0');
        }
        lines.emplace_back(to.data(), static_cast<std::size_t>(n));
        if (lines.size() > 100000) return lines;
    }
}

void expect_lines(const std::string &contents, const char *attributes) {
    const auto lines = reference_lines(contents);
    std::vector<std::string> by_str, by_n;
    for (const auto &l : lines) {
        by_str.push_back(l.substr(0, std::min<std::size_t>(l.find('\0'), 255)));
        by_n.push_back(l.substr(0, 300));
    }
    // A last line with no line end of which fgetstr stores nothing reads as
    // the end of the file.
    if (!contents.empty() && contents.back() != '\n' && contents.back() != '\r' && by_str.back().empty())
        by_str.pop_back();
    ScratchFile file("lines.dat", contents);
    EXPECT_EQ(read_all(file.open(fopenr, attributes), -1), by_str);
    EXPECT_EQ(read_all(file.open(fopenr, attributes), 300), by_n);
}

TEST(Fgetstr, SmallFilesLineByLine) {
    using namespace std::string_literals;
    for (const std::string &f : {""s, "\r\r\n\n"s, "\n\r"s, "a\nb\rc\r\nd"s, "\x7f\x80\xff\n"s, "x\0y\n\0z"s})
        expect_lines(f, "");
    expect_lines(std::string(300, 'L') + "\nnext\n" + std::string(256, 'N') + "\rlast", "");
}

// A line whose end lies just before, on or just after the end of the first
// buffer, for every kind of line end and several lengths, so that the text
// crosses the boundary too; the last line ends every way, or not at all.
TEST(Fgetstr, LineEndsAroundBufferBoundary) {
    for (const auto &[attributes, bufsize] : {std::pair{"", 16384}, std::pair{"SEQ", 65536}})
        for (int end_at = bufsize - 2; end_at <= bufsize + 2; ++end_at)
            for (int length : {0, 1, 254, 255, 256, 400})
                for (const char *end : {"\n", "\r", "\r\n"})
                    for (const char *last : {"\n", "\r", "\r\n", ""}) {
                        const auto before = static_cast<std::size_t>(end_at - length);
                        std::string contents;
                        while (contents.size() + 101 <= before)
                            contents += std::string(100, static_cast<char>('a' + contents.size() % 26)) + "\n";
                        if (contents.size() < before) contents += std::string(before - contents.size() - 1, 'p') + "\n";
                        contents += std::string(static_cast<std::size_t>(length), 'T') + end + "tail" + last;
                        SCOPED_TRACE(std::string(attributes) + " end at " + std::to_string(end_at) + " length " +
                                     std::to_string(length) + " end " + testing::PrintToString(std::string(end)));
                        expect_lines(contents, attributes);
                        if (HasFailure()) return;
                    }
}

} // namespace
