// What the record I/O model does not reach: FDBs that are not open, stores
// without write access, image access and raw blocks, terminals, offsets past
// 2 GiB, and the failures of a full device and of a descriptor closed behind
// the FDB's back.
#include <zrlshared.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
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
#define close_fd _close
#else
#include <unistd.h>
#define close_fd close
#endif

namespace {

using zrl_test::capture_stdout;
using zrl_test::ScratchFile;

const char kNoWriteAccess[] = "ERROR: Trying to write in a file not opened for write access\n";

bool buffer_consistent(const FDB *fdb) {
    return fdb->bufptr <= fdb->datptr && fdb->datptr <= fdb->endptr && fdb->endptr <= fdb->bufptr + fdb->bufsize;
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

// Stores into a reader are refused at the latest when they would reach the
// file; the close then fails and leaves the file open, and the file keeps
// its bytes.
TEST(Fput, ReadOnlyFdbReportsAndLeavesFileUnchanged) {
    ScratchFile file("ro.dat", "original");
    FDB *fdb = file.open(fopenr);
    // Nothing read yet: the buffer has no room, so the store is refused at once.
    EXPECT_EQ(capture_stdout([&] { fputb(fdb, 'X'); }), kNoWriteAccess);
    EXPECT_EQ(zrl_error, 5);
    // With data in the buffer the store goes in, and the flush refuses it.
    EXPECT_EQ(fgetb(fdb), 'o');
    EXPECT_EQ(capture_stdout([&] { fputb(fdb, 'X'); }), "");
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(capture_stdout([&] { fflushx(fdb); }), kNoWriteAccess);
    EXPECT_EQ(zrl_error, 5);
    EXPECT_EQ(capture_stdout([&] { EXPECT_EQ(fclosx(fdb), 5); }), kNoWriteAccess);
    EXPECT_GE(fdb->handle, 0);
    // Leaving the buffer drops the refused bytes; the FDB then closes.
    EXPECT_EQ(capture_stdout([&] { ftoeof(fdb); }), kNoWriteAccess);
    int result = -99;
    EXPECT_EQ(capture_stdout([&] { result = fputm(fdb, "xyz", 3); }), kNoWriteAccess);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(capture_stdout([&] { result = fputstr(fdb, "xyz"); }), kNoWriteAccess);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(zrl_error, 5);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.contents(), "original");
}

// An image-access FDB moves by 512-byte blocks and transfers raw blocks; the
// positioning of buffered FDBs refuses it with messages.
TEST(ImageAccess, BlocksMoveAndTransferAndBufferedPositioningIsRefused) {
    std::string contents;
    for (int i = 0; i < 1600; ++i) contents.push_back(static_cast<char>(i / 512 + 'A'));
    ScratchFile file("blk.dat", contents);
    FDB *fdb = file.open(fopenu, "IMAGE");
    ASSERT_GE(fdb->handle, 0);
    EXPECT_EQ(fsetblk(fdb, 3), 1024);
    EXPECT_EQ(zrl_error, 0);
    std::string to(1000, '\0');
    fdb->f_flags |= ZRL_FDB_EOF;
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 576) << "up to the end of the file";
    EXPECT_EQ(to.substr(0, 576), contents.substr(1024));
    EXPECT_EQ(fdb->f_flags & ZRL_FDB_EOF, 0u);
    EXPECT_EQ(fgetblk(fdb, to.data(), 1000), 0);
    EXPECT_EQ(zrl_error, -1);
    EXPECT_NE(fdb->f_flags & ZRL_FDB_EOF, 0u);
    EXPECT_EQ(fsetblk(fdb, 2), 512);
    EXPECT_EQ(fputblk(fdb, "zz", 2), 2);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fsetblk(fdb, 0), -1);
    EXPECT_EQ(zrl_error, EINVAL);

    const char *saved = programident;
    programident = "PROG";
    const std::string fgetp_line = std::string("PROG - FGETP on file ") + fdb->filspc + " not allowed with image access.\n";
    const std::string fputp_line = std::string("PROG - FPUTP on file ") + fdb->filspc + " not allowed with image access.\n";
    std::int32_t result = 0;
    EXPECT_EQ(capture_stdout([&] { result = fputp(fdb, 10); }), fputp_line);
    EXPECT_EQ(result, 10);
    EXPECT_EQ(zrl_error, 5);
    EXPECT_EQ(capture_stdout([&] { result = fskipb(fdb, 4); }), fgetp_line + fputp_line);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(zrl_error, 5);
    programident = saved;
    EXPECT_EQ(file.close(), 0);
    contents[512] = contents[513] = 'z';
    EXPECT_EQ(file.contents(), contents);
    EXPECT_EQ(fputblk(file.open(fopenw, "IMAGE"), "zz", -3), 0);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(fsetblk(file.open(fopenr), 3), -1) << "a buffered FDB";
    EXPECT_EQ(zrl_error, 22);
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
    fputnstr(fdb, "defgh", -4);
    EXPECT_EQ(fputnstr(fdb, "defgh", 2), 2);
    EXPECT_EQ(file.contents(), "buffered\nabc\n\nde\n");
}

// Positions are unsigned 32-bit offsets: a sparse file of 2.5 GiB is read,
// updated and positioned in across the 2 GiB mark, where the position as a
// signed number turns negative, and -5 is the offset 4 GiB - 5.
TEST(Fputp, PositionsAreUnsignedOffsetsPastTwoGibibytes) {
    constexpr std::uint32_t kMark = 0x80000000u;
    ScratchFile file("big.dat", "");
    const auto path = zrl_test::os_path(file.path());
    std::error_code ec;
    std::filesystem::resize_file(path, 0xA0000000u, ec);
    if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(kMark - 8) << "ABCDEFGHIJKLMNOP";
    const auto at = [](std::uint32_t offset) { return static_cast<std::int32_t>(offset); };
    FDB *fdb = file.open(fopenu);
    // A buffer that ends 8 bytes past the mark; the next fill starts there.
    fputp(fdb, at(kMark - fdb->bufsize + 8));
    std::vector<char> got(static_cast<std::size_t>(fdb->bufsize));
    ASSERT_EQ(fgetm(fdb, got.data(), fdb->bufsize), fdb->bufsize);
    EXPECT_EQ(std::string(got.end() - 16, got.end()), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(fgetp(fdb), at(kMark + 8));
    EXPECT_EQ(fputm(fdb, "wxyz", 4), 0);
    fputp(fdb, at(kMark - 4));
    EXPECT_EQ(fgetb(fdb), 'E');
    fputb(fdb, 'e');
    EXPECT_EQ(fputp(fdb, at(0x90000000u)), at(0x90000000u));
    fputb(fdb, 'Z');
    EXPECT_EQ(fputp(fdb, -5), -5);
    EXPECT_EQ(fgetp(fdb), -5);
    EXPECT_EQ(fgetb(fdb), 0);
    EXPECT_EQ(zrl_error, -1) << "4 GiB - 5 lies past the end";
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 0xA0000000u);
    std::ifstream in(path, std::ios::binary);
    std::string around(20, '\0');
    in.seekg(kMark - 8).read(around.data(), 20);
    EXPECT_EQ(around, "ABCDEeGHIJKLMNOPwxyz");
    EXPECT_EQ(in.seekg(0x90000000u).get(), 'Z');
}

// A failing write keeps its status and still resets the buffer; the close
// then fails and leaves the file open, and the second close has nothing left
// to write.  (/dev/full takes every seek and refuses every write.)
TEST(Fputm, FullDeviceGivesNoSpaceStatus) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (zrl_test::Opener opener : {fopenw, fopenu}) {
        FDB *fdb = opener(nullptr, "/dev/full", nullptr, nullptr);
        ASSERT_GE(fdb->handle, 0) << zrl_error;
        EXPECT_EQ(fputm(fdb, "0123456789", 10), 0);
        fflushx(fdb);
        EXPECT_EQ(zrl_error, ENOSPC);
        EXPECT_EQ(fdb->f_flags & ZRL_FDB_UNWRITTEN, 0u);
        EXPECT_EQ(fdb->datptr, fdb->bufptr);
        std::vector<char> block(3 * 16384, 'f');
        EXPECT_EQ(fputm(fdb, block.data(), static_cast<int>(block.size())), ENOSPC);
        EXPECT_TRUE(buffer_consistent(fdb));
        EXPECT_EQ(fputstr(fdb, "x"), 1); // fits in the buffer: no flush due
        EXPECT_EQ(fclosx(fdb), ENOSPC);
        EXPECT_GE(fdb->handle, 0);
        EXPECT_EQ(fclosx(fdb), 0);
        fdbfree(fdb);
    }
}

TEST(Fget, DescriptorClosedBehindTheBackFailsCleanly) {
    ScratchFile file("closed.dat", std::string(100, 'c'));
    FDB *fdb = file.open(fopenu);
    ASSERT_EQ(fgetb(fdb), 'c');
    ASSERT_EQ(close_fd(fdb->handle), 0);
    // Nothing in between may open a descriptor: it could take the number.
    fputb(fdb, 'Z'); // stored in the buffer: no system call yet
    fflushx(fdb);
    const int flush_status = zrl_error;
    const char byte = fgetb(fdb);
    const int read_status = zrl_error; // nothing read: the end of the file
    const int written = fputblk(fdb, "ab", 2);
    const int block_status = zrl_error;
    const std::int32_t size = fgeteof(fdb);
    const int size_status = zrl_error;
    const int close_status = fclosx(fdb);
    EXPECT_EQ(flush_status, EBADF);
    EXPECT_EQ(byte, 0);
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
