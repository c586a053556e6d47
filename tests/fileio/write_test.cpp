// Writing and positioning through the FDB, checked against the bytes that
// reach the disk; and the failures of a full device, a descriptor closed
// behind the FDB's back, and an FDB without write access.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fileio/record_files.h"
#include "support/console.h"
#include "support/tree.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

using zrl_test::capture_stdout;
using zrl_test::ScratchFile;

constexpr int kBuffer = 16384;
const char kNoWriteAccess[] = "ERROR: Trying to write in a file not opened for write access\n";

int close_behind_back(int fd) {
#if defined(_WIN32)
    return _close(fd);
#else
    return close(fd);
#endif
}

bool buffer_consistent(const FDB *fdb) {
    return fdb->bufptr <= fdb->datptr && fdb->datptr <= fdb->endptr &&
           fdb->endptr <= fdb->bufptr + fdb->bufsize;
}

TEST(Fputnstr, WritesTheCountedTextAndALineFeed) {
    using namespace std::string_literals;
    const struct {
        const char *text;
        int count;
        std::string bytes;
    } cases[] = {{"abcdef", 3, "abc\n"}, {"a\0bc", 3, "a\0b\n"s}, {"abc", -4, "\n"}};
    for (const auto &c : cases) {
        ScratchFile file("store.dat", "");
        fputnstr(file.open(fopenw), c.text, c.count);
        EXPECT_EQ(file.close(), 0);
        EXPECT_EQ(file.contents(), c.bytes);
    }
}

TEST(RecordIo, NotOpenGivesStatus22) {
    FDB *never_opened = fdballoc();
    for (FDB *fdb : {static_cast<FDB *>(nullptr), never_opened}) {
        SCOPED_TRACE(fdb == nullptr ? "null" : "never opened");
        std::int32_t context = 3;
        char text[256] = "unchanged";
        const struct {
            const char *name;
            std::function<std::int64_t()> call;
            std::int64_t result;
            int status;
        } cases[] = {
            {"fputb", [&] { return (fputb(fdb, 'a'), 0); }, 0, 22},
            {"fflushx", [&] { return (fflushx(fdb), 0); }, 0, 22},
            {"fputm", [&] { return fputm(fdb, "ab", 2); }, 22, 22},
            {"fputstr", [&] { return fputstr(fdb, "ab"); }, 0, 22},
            {"fputblk", [&] { return fputblk(fdb, "ab", 2); }, 0, 22},
            {"ftoeof", [&] { return ftoeof(fdb); }, -1, 22},
            {"fskipm", [&] { return fskipm(fdb, 1, 3); }, -1, 22},
            {"fsetblk", [&] { return fsetblk(fdb, 1); }, -1, 22},
            {"fputp", [&] { return fputp(fdb, 7); }, 7, 22},
            {"fputctx", [&] { return (fputctx(fdb, &context), 0); }, 0, 22},
            {"fgetll", [&] { return fgetll(fdb); }, 0, 22},
            {"fgetm", [&] { return fgetm(fdb, text, 10); }, 0, 22},
            {"fgetstr", [&] { return fgetstr(fdb, text); }, 0, 22},
            {"fgetcbin", [&] { return fgetcbin(fdb); }, 0, 22},
            {"fgeteof", [&] { return fgeteof(fdb); }, 0, 22},
            {"fgetp", [&] { return fgetp(fdb); }, -1, 22},
            {"fgetctx", [&] { return (fgetctx(fdb, &context), context); }, -1, 22},
            {"fgetblk", [&] { return fgetblk(fdb, text, 10); }, 0, -1},
        };
        for (const auto &c : cases) {
            zrl_error = 0;
            EXPECT_EQ(c.call(), c.result) << c.name;
            EXPECT_EQ(zrl_error, c.status) << c.name;
        }
        EXPECT_STREQ(text, "");
    }
    fdbfree(never_opened);
}

TEST(Fputm, LargeBlockFlushesWholeBuffersAndRestAtClose) {
    std::string data;
    for (int i = 0; i < 20000; ++i)
        data.push_back(static_cast<char>(i * 13 + i / 256));
    ScratchFile file("big.dat", "");
    FDB *fdb = file.open(fopenw);
    EXPECT_EQ(fputm(fdb, data.data(), 20000), 0);
    EXPECT_EQ(std::filesystem::file_size(file.path()), static_cast<std::uintmax_t>(kBuffer));
    EXPECT_EQ(fgetp(fdb), 20000);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.contents(), data);
}

TEST(Fputstr, TerminalLineReachesDeviceBeforeReturn) {
    // A file stands in for the terminal: the flag is what decides.
    ScratchFile file("tty.dat", "");
    FDB *fdb = file.open(fopenw);
    fputstr(fdb, "buffered");
    EXPECT_EQ(file.contents(), "");
    fdb->f_flags |= ZRL_FDB_TERMINAL;
    EXPECT_EQ(fputstr(fdb, "abc"), 3);
    EXPECT_EQ(file.contents(), "buffered\nabc\n");
    EXPECT_EQ(fputnstr(fdb, "defgh", 2), 2);
    EXPECT_EQ(file.contents(), "buffered\nabc\nde\n");
}

// ---- No write access ---------------------------------------------------------------------

TEST(Fput, ReadOnlyFdbReportsAndLeavesFileUnchanged) {
    ScratchFile file("ro.dat", "original");
    FDB *fdb = file.open(fopenr);
    // Nothing read yet: the buffer has no room, so the store is refused at once.
    std::string out = capture_stdout([&] { fputb(fdb, 'X'); });
    EXPECT_EQ(out, kNoWriteAccess);
    EXPECT_EQ(zrl_error, 5);
    // With data in the buffer the store goes in, and the flush refuses it.
    EXPECT_EQ(fgetb(fdb), 'o');
    out = capture_stdout([&] { fputb(fdb, 'X'); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(zrl_error, 0);
    out = capture_stdout([&] { fflushx(fdb); });
    EXPECT_EQ(out, kNoWriteAccess);
    EXPECT_EQ(zrl_error, 5);
    // Leaving the buffer drops the refused bytes; the FDB then closes.
    out = capture_stdout([&] { ftoeof(fdb); });
    EXPECT_EQ(out, kNoWriteAccess);
    int result = -99;
    EXPECT_EQ(capture_stdout([&] { result = fputm(fdb, "xyz", 3); }), kNoWriteAccess);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(capture_stdout([&] { result = fputstr(fdb, "xyz"); }), kNoWriteAccess);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(zrl_error, 5);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.contents(), "original");
}

// ---- Positioning ----------------------------------------------------------------------------

struct SkipCase {
    const char *name;
    std::int32_t (*skip)(FDB *);
    std::int32_t position; // after the skip, starting from 100; -1: the end
};

TEST(Fskip, MovesByItemsInWrappingArithmetic) {
    const SkipCase cases[] = {
        {"negative item size", [](FDB *f) { return fskipm(f, 4, -5); }, 80},
        {"items to all bits set", [](FDB *f) { return fskipm(f, -101, 1); }, -1},
    };
    const std::int32_t size = 2 * kBuffer + 300;
    std::string contents;
    for (int i = 0; i < size; ++i)
        contents.push_back(static_cast<char>(i % 251));
    ScratchFile file("skip.dat", contents);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FDB *fdb = file.open(fopenu);
        fputp(fdb, 100);
        const std::int32_t result = c.skip(fdb);
        EXPECT_EQ(zrl_error, 0);
        EXPECT_EQ(result, c.position);
        const std::int32_t expected = c.position == -1 ? size : c.position;
        EXPECT_EQ(fgetp(fdb), expected);
        if (expected < size) {
            EXPECT_EQ(fgetb(fdb), contents[static_cast<std::size_t>(expected)]);
        }
    }
}

// Positions are unsigned 32-bit offsets: a sparse file of 2.5 GiB is read,
// updated and positioned in across the 2 GiB mark, where the position as a
// signed number turns negative, and -5 is the offset 4 GiB - 5.
TEST(Fputp, PositionsAreUnsignedOffsetsPastTwoGibibytes) {
    constexpr std::uint32_t kMark = 0x80000000u;
    constexpr std::uint32_t kSize = 0xA0000000u;
    ScratchFile file("big.dat", "");
    std::error_code ec;
    std::filesystem::resize_file(zrl_test::os_path(file.path()), kSize, ec);
    if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
    {
        std::fstream f(zrl_test::os_path(file.path()),
                       std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(kMark - 8);
        f << "ABCDEFGHIJKLMNOP";
    }
    const auto at = [](std::uint32_t offset) { return static_cast<std::int32_t>(offset); };
    FDB *fdb = file.open(fopenu);
    // A buffer that ends 8 bytes past the mark; the next fill starts there.
    fputp(fdb, at(kMark - kBuffer + 8));
    std::vector<char> skipped(kBuffer - 16);
    ASSERT_EQ(fgetm(fdb, skipped.data(), kBuffer - 16), kBuffer - 16);
    char got[16];
    ASSERT_EQ(fgetm(fdb, got, 16), 16);
    EXPECT_EQ(std::string(got, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(fgetp(fdb), at(kMark + 8));
    // Written back in place, and moved to and from offsets past the mark.
    EXPECT_EQ(fputm(fdb, "wxyz", 4), 0);
    fflushx(fdb);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fgetp(fdb), at(kMark + 12));
    fputp(fdb, at(kMark - 4));
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fgetb(fdb), 'E');
    fputb(fdb, 'e');
    EXPECT_EQ(fputp(fdb, at(0x90000000u)), at(0x90000000u));
    EXPECT_EQ(fgetp(fdb), at(0x90000000u));
    fputb(fdb, 'Z');
    EXPECT_EQ(fputp(fdb, -5), -5);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fgetp(fdb), -5);
    EXPECT_EQ(fgetb(fdb), 0);
    EXPECT_EQ(zrl_error, -1) << "4 GiB - 5 lies past the end";
    EXPECT_EQ(file.close(), 0);

    EXPECT_EQ(std::filesystem::file_size(zrl_test::os_path(file.path())), kSize);
    std::ifstream in(zrl_test::os_path(file.path()), std::ios::binary);
    char around[20];
    in.seekg(kMark - 8);
    in.read(around, sizeof around);
    EXPECT_EQ(std::string(around, sizeof around), "ABCDEeGHIJKLMNOPwxyz");
    in.seekg(0x90000000u);
    EXPECT_EQ(in.get(), 'Z');
}

TEST(Fputp, ImageAccessRefusedWithMessages) {
    ScratchFile file("img.dat", std::string(2000, 'i'));
    FDB *fdb = file.open(fopenr, "IMAGE");
    ASSERT_GE(fdb->handle, 0);
    const char *saved = programident;
    programident = "PROG";
    const std::string fgetp_line =
        std::string("PROG - FGETP on file ") + fdb->filspc + " not allowed with image access.\n";
    const std::string fputp_line =
        std::string("PROG - FPUTP on file ") + fdb->filspc + " not allowed with image access.\n";
    std::int32_t result = 0;
    std::string out = capture_stdout([&] { result = fputp(fdb, 10); });
    EXPECT_EQ(result, 10);
    EXPECT_EQ(zrl_error, 5);
    EXPECT_EQ(out, fputp_line);
    out = capture_stdout([&] { result = fskipb(fdb, 4); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(zrl_error, 5);
    EXPECT_EQ(out, fgetp_line + fputp_line);
    programident = saved;
}

// ---- Image access: raw blocks ---------------------------------------------------------------

TEST(Fsetblk, MovesDescriptorByBlocksOfImageFile) {
    std::string contents;
    for (int i = 0; i < 2000; ++i)
        contents.push_back(static_cast<char>(i / 512 + 'A'));
    ScratchFile file("blk.dat", contents);
    FDB *fdb = file.open(fopenu, "IMAGE");
    EXPECT_EQ(fsetblk(fdb, 3), 1024);
    EXPECT_EQ(zrl_error, 0);
    char to[3] = {};
    EXPECT_EQ(fgetblk(fdb, to, 2), 2);
    EXPECT_STREQ(to, "CC");
    EXPECT_EQ(fsetblk(fdb, 2), 512);
    EXPECT_EQ(fputblk(fdb, "zz", 2), 2);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fsetblk(fdb, 1), 0);
    EXPECT_EQ(fsetblk(fdb, 0), -1);
    EXPECT_EQ(zrl_error, EINVAL);
    EXPECT_EQ(file.close(), 0);
    contents[512] = contents[513] = 'z';
    EXPECT_EQ(file.contents(), contents);
    EXPECT_EQ(fputblk(file.open(fopenw, "IMAGE"), "zz", -3), 0);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fsetblk(file.open(fopenr), 3), -1) << "a buffered FDB";
    EXPECT_EQ(zrl_error, 22);
}

// ---- Failures of the device and the descriptor ---------------------------------------------

TEST(Fputm, FullDeviceGivesNoSpaceStatus) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (zrl_test::Opener opener : {fopenw, fopenu}) {
        FDB *fdb = opener(nullptr, "/dev/full", nullptr, nullptr);
        ASSERT_NE(fdb, nullptr);
        ASSERT_GE(fdb->handle, 0) << zrl_error;
        EXPECT_EQ(fputm(fdb, "0123456789", 10), 0);
        fflushx(fdb);
        EXPECT_EQ(zrl_error, ENOSPC);
        EXPECT_TRUE(buffer_consistent(fdb));
        std::vector<char> block(3 * kBuffer, 'f');
        EXPECT_EQ(fputm(fdb, block.data(), static_cast<int>(block.size())), ENOSPC);
        EXPECT_TRUE(buffer_consistent(fdb));
        EXPECT_EQ(fputstr(fdb, "x"), 1); // fits in the buffer: no flush due
        fflushx(fdb);
        EXPECT_EQ(zrl_error, ENOSPC);
        EXPECT_EQ(fclosx(fdb), 0);
        fdbfree(fdb);
    }
}

TEST(Fget, DescriptorClosedBehindTheBackFailsCleanly) {
    ScratchFile file("closed.dat", std::string(100, 'c'));
    FDB *fdb = file.open(fopenu);
    ASSERT_EQ(fgetb(fdb), 'c');
    ASSERT_EQ(close_behind_back(fdb->handle), 0);
    // Nothing in between may open a descriptor: it could take the number.
    fputb(fdb, 'Z'); // stored in the buffer: no system call yet
    EXPECT_EQ(zrl_error, 0);
    fflushx(fdb);
    const int flush_status = zrl_error;
    EXPECT_TRUE(buffer_consistent(fdb));
    EXPECT_EQ(fgetb(fdb), 0);
    const int read_status = zrl_error; // nothing read: the end of the file
    EXPECT_TRUE(buffer_consistent(fdb));
    const int written = fputblk(fdb, "ab", 2);
    const int block_status = zrl_error;
    const std::int32_t size = fgeteof(fdb);
    const int size_status = zrl_error;
    const int close_status = fclosx(fdb);
    EXPECT_EQ(flush_status, EBADF);
    EXPECT_EQ(read_status, -1);
    EXPECT_EQ(written, -1);
    EXPECT_EQ(block_status, EBADF);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(size_status, EBADF);
    EXPECT_EQ(close_status, EBADF);
    EXPECT_TRUE(buffer_consistent(fdb));
    fdb->handle = -1; // already closed: let the scratch file release it
    EXPECT_EQ(file.contents(), std::string(100, 'c'));
}

} // namespace
