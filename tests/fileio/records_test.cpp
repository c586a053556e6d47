// What the record I/O model does not reach: FDBs that are not open, stores
// without write access (also what a failing flush and close leave), image
// access and raw blocks, and the attribute text of FDBs and their copies.
// (Lines written to a terminal are in the test of the opens with a
// pseudo-terminal.)
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <tuple>
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
    FDB *fdb = fopenr("", file.path.c_str(), nullptr, nullptr); // released by its second close
    // What a store prints, its result and the status.
    const auto store = [](auto call) {
        int result = -99;
        const std::string shown = capture_stdout([&] { result = call(); });
        return shown + std::to_string(result) + "/" + std::to_string(zrl_error);
    };
    const auto put = [&] { return (fputb(fdb, 'X'), 0); };
    const std::string no = "ERROR: Trying to write in a file not opened for write access\n";
    EXPECT_EQ((J() << store(put) << fgetb(fdb) << store(put)
                   << store([&] { return (fflushx(fdb), 0); }) << store([&] { return fclosx(fdb); })
                   << (fdb->handle >= 0) << store([&] { return ftoeof(fdb); }) << fclosx(fdb)
                   << file.contents())
                  .str(),
              (J() << no + "0/5" << 'o' << "0/0" << no + "0/5" << no + "5/5" << true << no + "0/5"
                   << 0 << "original")
                  .str());
}

// An image-access FDB moves by 512-byte blocks and transfers raw blocks; a
// read past the end gives the end of the file; block 0 is refused.
TEST(ImageAccess, BlocksMoveAndTransfer) {
    std::string contents = std::string(512, 'A') + std::string(512, 'B') + std::string(576, 'C');
    const ScratchFile file("blk.dat", contents);
    FDB *fdb = fopenu("IMAGE", file.path.c_str(), nullptr, nullptr);
    std::string to(1000, '\0');
    EXPECT_EQ((J() << fsetblk(fdb, 3) << fgetblk(fdb, to.data(), 1000) << to.substr(0, 577)
                   << fgetblk(fdb, to.data(), 1000) << zrl_error << fsetblk(fdb, 2)
                   << fputblk(fdb, "zz", 2) << fsetblk(fdb, 0) << zrl_error << fclosx(fdb)
                   << file.contents())
                  .str(),
              (J() << 1024 << 576 << std::string(576, 'C') + '\0' << 0 << -1 << 512 << 2 << -1
                   << EINVAL << 0 << contents.replace(512, 2, "zz"))
                  .str());
}

// Each text is applied to an FDB that has alloc 7, so that a keyword that
// sets alloc shows it; each unknown word writes one line.  (The attribute
// fuzzer sees the buffer size follow SEQ and the FDB come back marked; the
// resize of the buffer of an open FDB is a step of the record I/O model.)
// fdbload copies two of the flags.
TEST(Fdbset, AppliesTheKeywordsOfTheTextAndFdbloadCopiesTwoFlags) {
    // The flags a text may set: NOPFS, IMAGE, SEQ, BACKUP, FAST.
    constexpr std::uint32_t N = ZRL_FDB_NOPFS, I = ZRL_FDB_IMAGE, S = ZRL_FDB_SEQUENTIAL,
                            B = ZRL_FDB_BACKUP, F = ZRL_FDB_FAST_TRANSFER;
    // The text; its flags, alloc and status; the count of unknown words.
    const std::tuple<const char *, std::uint32_t, std::uint32_t, int, int> cases[] = {
        {nullptr, 0, 0, 0, 0}, // no text counts as the empty text
        {"seq/FA/backup", S | B | F, 7, 0, 0},
        {"SEQ/DEFAULT", 0, 0, 0, 0},
        {"NOPFS/I/B/A=-1", N | I | B, 0xFFFFFFFFu, 0, 0},
        {"S,V R C NOT NOR F=3/E:2", 0, 7, 0, 0},
        // Elements right after a keyword with a value are applied.
        {"A=100/BACKUP", B, 100, 0, 0},
        // Unknown words: the rest applied, before and after them.
        {"XYZ/B/QQ", B, 7, 22, 2},
        {"SEQ=5", S, 7, 22, 1},
    };
    for (const auto &[text, flags, alloc, status, unknown] : cases) {
        SCOPED_TRACE(text == nullptr ? "null" : text);
        FDB *fdb = fdbset(nullptr, text == nullptr ? nullptr : "A=7");
        zrl_error = 99;
        const std::string shown = capture_stdout([&] { EXPECT_EQ(fdbset(fdb, text), fdb); });
        EXPECT_EQ((J() << fdb->f_flags << fdb->alloc << zrl_error
                       << std::count(shown.begin(), shown.end(), '\n'))
                      .str(),
                  (J() << flags << alloc << status << unknown).str());
        fdbfree(fdb);
    }
    // fdbload copies only image access and sequential, no buffer size; its
    // reset clears the allocation request.
    FDB *model = fdbset(nullptr, "SEQ/I/B/FA/NOPFS/A=9");
    FDB *fdb = fdbset(nullptr, "B/A=5");
    EXPECT_EQ((J() << (fdbload(fdb, model) == fdb) << zrl_error << fdb->f_flags << fdb->bufsize
                   << fdb->alloc)
                  .str(),
              (J() << true << 0 << (I | S) << 16384 << 0).str());
    fdbfree(fdb);
    fdbfree(model);
}

} // namespace
