// What the record I/O model does not reach: FDBs that are not open, stores
// without write access, image access and raw blocks, terminals, offsets past
// 2 GiB, and the failures of a full device.
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

#include "fileio/record_files.h"

namespace {

using J = zrl_test::Joined;
using zrl_test::capture_stdout;
using zrl_test::ScratchFile;

const char kNoWriteAccess[] = "ERROR: Trying to write in a file not opened for write access\n";

// Every operation refuses an FDB that is not open, null or never opened,
// with status 22 (fgetblk reports the end of the file) and a result of its
// own, and leaves the caller's buffers empty.
TEST(RecordIo, NotOpenGivesStatus22) {
    FDB *never_opened = fdballoc();
    for (FDB *fdb : {static_cast<FDB *>(nullptr), never_opened}) {
        std::int32_t context = 3;
        char text[256] = "unchanged";
        const std::pair<std::function<std::int64_t()>, std::int64_t> cases[] = {
            {[&] { return (fputb(fdb, 'a'), 0); }, 0},
            {[&] { return (fflushx(fdb), 0); }, 0},
            {[&] { return fputm(fdb, "ab", 2); }, 22},
            {[&] { return fputstr(fdb, "ab"); }, 0},
            {[&] { return fputblk(fdb, "ab", 2); }, 0},
            {[&] { return ftoeof(fdb); }, -1},
            {[&] { return fskipm(fdb, 1, 3); }, -1},
            {[&] { return fsetblk(fdb, 1); }, -1},
            {[&] { return fputp(fdb, 7); }, 7},
            {[&] { return (fputctx(fdb, &context), 0); }, 0},
            {[&] { return fgetll(fdb); }, 0},
            {[&] { return fgetm(fdb, text, 10); }, 0},
            {[&] { return fgetstr(fdb, text); }, 0},
            {[&] { return fgetcbin(fdb); }, 0},
            {[&] { return fgeteof(fdb); }, 0},
            {[&] { return fgetp(fdb); }, -1},
            {[&] { return (fgetctx(fdb, &context), context); }, -1},
            {[&] { return fgetblk(fdb, text, 10) - 100; }, -100},
        };
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            zrl_error = 0;
            EXPECT_EQ((J() << cases[i].first() << zrl_error).str(),
                      (J() << cases[i].second << (i + 1 == std::size(cases) ? -1 : 22)).str())
                << "case " << i;
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
    // What a store prints, its result and the status.
    const auto store = [](const std::function<int()> &call) {
        int result = -99;
        const std::string shown = capture_stdout([&] { result = call(); });
        return shown + std::to_string(result) + "/" + std::to_string(zrl_error);
    };
    const std::string refused = kNoWriteAccess;
    // Nothing read yet: the buffer has no room, so the store is refused at once.
    EXPECT_EQ(store([&] { return (fputb(fdb, 'X'), 0); }), refused + "0/5");
    // With data in the buffer the store goes in, and the flush refuses it.
    EXPECT_EQ(fgetb(fdb), 'o');
    EXPECT_EQ(store([&] { return (fputb(fdb, 'X'), 0); }), "0/0");
    EXPECT_EQ(store([&] { return (fflushx(fdb), 0); }), refused + "0/5");
    EXPECT_EQ(store([&] { return fclosx(fdb); }), refused + "5/5");
    EXPECT_GE(fdb->handle, 0);
    // Leaving the buffer drops the refused bytes; the FDB then closes.
    EXPECT_EQ(capture_stdout([&] { ftoeof(fdb); }), kNoWriteAccess);
    EXPECT_EQ(store([&] { return fputm(fdb, "xyz", 3); }), refused + "5/5");
    EXPECT_EQ(store([&] { return fputstr(fdb, "xyz"); }), refused + "0/5");
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.contents(), "original");
}

// An image-access FDB moves by 512-byte blocks and transfers raw blocks; the
// positioning of buffered FDBs refuses it with messages.
TEST(ImageAccess, BlocksMoveAndTransferAndBufferedPositioningIsRefused) {
    std::string contents;
    for (int i = 0; i < 1600; ++i)
        contents.push_back(static_cast<char>(i / 512 + 'A'));
    ScratchFile file("blk.dat", contents);
    FDB *fdb = file.open(fopenu, "IMAGE");
    EXPECT_EQ(fsetblk(fdb, 3), 1024);
    std::string to(1000, '\0');
    fdb->f_flags |= ZRL_FDB_EOF;
    // Up to the end of the file, which clears the flag; then the end.
    EXPECT_EQ((J() << fgetblk(fdb, to.data(), 1000) << (fdb->f_flags & ZRL_FDB_EOF)).str(),
              "576 0 ");
    EXPECT_EQ(to.substr(0, 576), contents.substr(1024));
    EXPECT_EQ(
        (J() << fgetblk(fdb, to.data(), 1000) << zrl_error << (fdb->f_flags & ZRL_FDB_EOF)).str(),
        (J() << 0 << -1 << ZRL_FDB_EOF).str());
    EXPECT_EQ(
        (J() << fsetblk(fdb, 2) << fputblk(fdb, "zz", 2) << fsetblk(fdb, 0) << zrl_error).str(),
        (J() << 512 << 2 << -1 << EINVAL).str());
    const char *saved = programident;
    programident = "PROG";
    const std::string on =
        std::string(" on file ") + fdb->filspc + " not allowed with image access.\n";
    std::int32_t result = 0;
    EXPECT_EQ(
        (J() << capture_stdout([&] { result = fputp(fdb, 10); }) << result
             << capture_stdout([&] { fskipb(fdb, 4); }) << zrl_error)
            .str(),
        (J() << "PROG - FPUTP" + on << 10 << "PROG - FGETP" + on + "PROG - FPUTP" + on << 5).str());
    programident = saved;
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(file.contents(), contents.replace(512, 2, "zz"));
    EXPECT_EQ((J() << fsetblk(file.open(fopenr), 3) << zrl_error).str(), "-1 22 ") << "buffered";
}

// A file stands in for the terminal: the flag is what decides.
TEST(Fputstr, TerminalLineReachesDeviceBeforeReturn) {
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
// signed number turns negative.
TEST(Fputp, PositionsAreUnsignedOffsetsPastTwoGibibytes) {
    constexpr std::uint32_t kMark = 0x80000000u;
    ScratchFile file("big.dat", "");
    const auto path = zrl_test::os_path(file.path());
    std::error_code ec;
    std::filesystem::resize_file(path, 0xA0000000u, ec);
    if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(kMark - 2) << "ABCD";
    FDB *fdb = file.open(fopenu);
    fputp(fdb, static_cast<std::int32_t>(kMark - 1));
    EXPECT_EQ(fgetb(fdb), 'B');
    fputb(fdb, 'c');
    EXPECT_EQ(fgetp(fdb), static_cast<std::int32_t>(kMark + 1));
    fputp(fdb, static_cast<std::int32_t>(0x90000000u));
    fputb(fdb, 'Z');
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 0xA0000000u);
    std::ifstream in(path, std::ios::binary);
    std::string around(4, '\0');
    in.seekg(kMark - 2).read(around.data(), 4);
    EXPECT_EQ(around, "ABcD");
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
        EXPECT_EQ((J() << zrl_error << (fdb->f_flags & ZRL_FDB_UNWRITTEN)).str(),
                  (J() << ENOSPC << 0).str());
        std::vector<char> block(3 * 16384, 'f');
        EXPECT_EQ(fputm(fdb, block.data(), static_cast<int>(block.size())), ENOSPC);
        EXPECT_TRUE(fdb->bufptr <= fdb->datptr && fdb->datptr <= fdb->endptr &&
                    fdb->endptr <= fdb->bufptr + fdb->bufsize);
        // "x" fits in the buffer: no flush due.
        EXPECT_EQ((J() << fputstr(fdb, "x") << fclosx(fdb) << fclosx(fdb)).str(),
                  (J() << 1 << ENOSPC << 0).str());
        fdbfree(fdb);
    }
}

} // namespace
