// What the record I/O model does not reach: FDBs that are not open, stores
// without write access (also what a failing flush and close leave), image
// access and raw blocks, and offsets past 2 GiB.  (Lines written to a terminal
// are in the test of the opens with a pseudo-terminal.)
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include "fileio/record_files.h"

namespace {

using namespace zrl_test; // Joined as J, ScratchFile, capture_stdout

// An FDB that is not open, null or never opened: a store, a positioning, a
// question, a line read, a block read and the close each give status 22
// (fgetblk reports the end of the file) and a result of its own, and the
// reads leave the caller's buffer empty.  The status is cleared before each
// call.
TEST(RecordIo, NotOpenGivesStatus22) {
    FDB *never_opened = fdballoc();
    for (FDB *fdb : {static_cast<FDB *>(nullptr), never_opened}) {
        char text[256] = "unchanged";
        // A result and the status, which is then cleared for the next call.
        const auto got = [](std::int64_t result) {
            return std::to_string(result) + "/" + std::to_string(std::exchange(zrl_error, 0));
        };
        zrl_error = 0;
        EXPECT_EQ((J() << got(fputm(fdb, "ab", 2)) << got(fputp(fdb, 7)) << got(fgetp(fdb))
                       << got(fgetstr(fdb, text)) << got(fgetblk(fdb, text, 10)) << text
                       << got(fclosx(fdb)))
                      .str(),
                  "22/22 7/22 -1/22 0/22 0/-1  22/22 ");
    }
    fdbfree(never_opened);
}

// Stores into a reader are refused at the latest when they would reach the
// file: nothing read yet, the buffer has no room and the store is refused at
// once; with data in the buffer the store goes in and the flush refuses it.
// The close then fails and leaves the file open; leaving the buffer drops the
// refused bytes, and the file keeps its bytes.
TEST(Fput, ReadOnlyFdbReportsAndLeavesFileUnchanged) {
    const ScratchFile file("ro.dat", "original");
    FDB *fdb = file.open(fopenr);
    // What a store prints, its result and the status.
    const auto store = [](const std::function<int()> &call) {
        int result = -99;
        const std::string shown = capture_stdout([&] { result = call(); });
        return shown + std::to_string(result) + "/" + std::to_string(zrl_error);
    };
    const auto put = [&] { return (fputb(fdb, 'X'), 0); };
    const std::string no = "ERROR: Trying to write in a file not opened for write access\n";
    EXPECT_EQ((J() << store(put) << fgetb(fdb) << store(put)
                   << store([&] { return (fflushx(fdb), 0); }) << store([&] { return fclosx(fdb); })
                   << (fdb->handle >= 0) << store([&] { return ftoeof(fdb); })
                   << store([&] { return fputm(fdb, "xyz", 3); })
                   << store([&] { return fputstr(fdb, "xyz"); }) << fclosx(fdb) << file.contents())
                  .str(),
              (J() << no + "0/5" << 'o' << "0/0" << no + "0/5" << no + "5/5" << true << no + "0/5"
                   << no + "5/5" << no + "0/5" << 0 << "original")
                  .str());
}

// An image-access FDB moves by 512-byte blocks and transfers raw blocks: a
// read up to the end of the file clears the end-of-file flag, the next read
// sets it; block 0 is refused.  A buffered FDB has no blocks.
TEST(ImageAccess, BlocksMoveAndTransferAndBufferedFdbsHaveNone) {
    std::string contents = std::string(512, 'A') + std::string(512, 'B') + std::string(576, 'C');
    const ScratchFile file("blk.dat", contents);
    FDB *fdb = file.open(fopenu, "IMAGE");
    FDB *buffered = file.open(fopenr);
    std::string to(1000, '\0');
    fdb->f_flags |= ZRL_FDB_EOF;
    EXPECT_EQ(
        (J() << fsetblk(fdb, 3) << fgetblk(fdb, to.data(), 1000) << (fdb->f_flags & ZRL_FDB_EOF)
             << to.substr(0, 577) << fgetblk(fdb, to.data(), 1000) << zrl_error
             << (fdb->f_flags & ZRL_FDB_EOF) << fsetblk(fdb, 2) << fputblk(fdb, "zz", 2)
             << fsetblk(fdb, 0) << zrl_error << fclosx(fdb) << file.contents()
             << fsetblk(buffered, 3) << zrl_error << fclosx(buffered))
            .str(),
        (J() << 1024 << 576 << 0 << std::string(576, 'C') + '\0' << 0 << -1 << ZRL_FDB_EOF << 512
             << 2 << -1 << EINVAL << 0 << contents.replace(512, 2, "zz") << -1 << 22 << 0)
            .str());
}

// Positions are unsigned 32-bit offsets: a sparse file of 2.5 GiB is read,
// updated and positioned in across the 2 GiB mark, where the position as a
// signed number turns negative.
TEST(Fputp, PositionsAreUnsignedOffsetsPastTwoGibibytes) {
    constexpr std::uint32_t kMark = 0x80000000u, kLate = 0x90000000u, kSize = 0xA0000000u;
    const auto at = [](std::uint32_t offset) { return static_cast<std::int32_t>(offset); };
    const ScratchFile file("big.dat", "");
    const auto path = os_path(file.path);
    std::error_code ec;
    std::filesystem::resize_file(path, kSize, ec);
    if (ec) GTEST_SKIP() << "no room for a sparse file: " << ec.message();
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(kMark - 2) << "ABCD";
    FDB *fdb = file.open(fopenu);
    EXPECT_EQ((J() << fputp(fdb, at(kMark - 1)) << fgetb(fdb) << (fputb(fdb, 'c'), fgetp(fdb))
                   << fputp(fdb, at(kLate)) << (fputb(fdb, 'Z'), fclosx(fdb))
                   << std::filesystem::file_size(path))
                  .str(),
              (J() << at(kMark - 1) << 'B' << at(kMark + 1) << at(kLate) << 0 << kSize).str());
    std::ifstream in(path, std::ios::binary);
    std::string around(4, '\0');
    in.seekg(kMark - 2).read(around.data(), 4);
    EXPECT_EQ(around + static_cast<char>(in.seekg(kLate).get()), "ABcDZ");
}

} // namespace
