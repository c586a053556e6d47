// FDB records: allocation, attribute text, copied attributes, questions by
// keyword and release.
#include <cerrno>
#include <cstdint>
#include <tuple>

#include "fileio/record_files.h"

namespace {

using namespace zrl_test; // Joined as J, first_byte, the console captures

// Each text is applied to an FDB that has alloc 7, so that a keyword that
// sets alloc shows it; the FDB comes back marked, and each unknown word
// writes one line with the whole text.  (The resize of the buffer of an open
// FDB is a step of the record I/O model.)  fdbload copies two of the flags.
TEST(Fdbset, AppliesTheKeywordsOfTheTextAndFdbloadCopiesTwoFlags) {
    // The flags a text may set: NOPFS, IMAGE, SEQ, BACKUP, FAST.
    constexpr std::uint32_t N = ZRL_FDB_NOPFS, I = ZRL_FDB_IMAGE, S = ZRL_FDB_SEQUENTIAL,
                            B = ZRL_FDB_BACKUP, F = ZRL_FDB_FAST_TRANSFER;
    // The text; its flags, bufsize, alloc and status; the count of unknown words.
    const std::tuple<const char *, std::uint32_t, int, std::uint32_t, int, int> cases[] = {
        {nullptr, 0, 16384, 0, 0, 0}, // no text counts as the empty text
        {"seq/FA/backup", S | B | F, 65536, 7, 0, 0},
        {"SEQ/DEFAULT", 0, 16384, 0, 0, 0},
        {"NOPFS/I/B/A=-1", N | I | B, 16384, 0xFFFFFFFFu, 0, 0},
        {"S,V R C NOT NOR F=3/E:2", 0, 16384, 7, 0, 0},
        // Elements right after a keyword with a value are applied.
        {"A=100/BACKUP", B, 16384, 100, 0, 0},
        {"ALLOCATED/SEQ", S, 65536, 0, 0, 0},
        {"END1=\\012/B", B, 16384, 7, 0, 0},
        // Unknown words: the rest applied, before and after them.
        {"XYZ/B/QQ", B, 16384, 7, 22, 2},
        {"SEQ=5", S, 65536, 7, 22, 1},
        // Each failed word moves on by one character and the keyword behind it.
        {"//", 0, 16384, 7, 22, 2},
    };
    for (const auto &[text, flags, bufsize, alloc, status, unknown] : cases) {
        SCOPED_TRACE(text == nullptr ? "null" : text);
        FDB *fdb = fdbset(nullptr, text == nullptr ? nullptr : "A=7");
        zrl_error = 99;
        const std::string shown = capture_stdout([&] { EXPECT_EQ(fdbset(fdb, text), fdb); });
        std::string lines;
        for (int i = 0; i < unknown; ++i)
            lines += "FDBSET - Invalid keyword: " + std::string(text) + "\n";
        EXPECT_EQ((J() << fdb->f_flags << fdb->bufsize << fdb->alloc << zrl_error << shown
                       << first_byte(fdb))
                      .str(),
                  (J() << flags << bufsize << alloc << status << lines << 0xFF).str());
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

// The fixed answers leave the status alone; refusals write their lines; the
// dump of a null FDB shows nothing; not open, the failed seek of BLOCKS is
// reported.  (The size in blocks, rounded up, is asked of every flushed file
// in the record I/O model; the answer for a terminal is in the test of the
// opens with a pseudo-terminal.)
TEST(Fdbinfo, AnswersByKeyword) {
    FDB *fdb = fdballoc();
    J got;
    for (const char *keyword : {"S", "FIXED_TYPE", "VARIABLE", "/R"})
        got << (zrl_error = 7, fdbinfo(fdb, keyword)) << zrl_error;
    std::string out;
    const std::string err = capture_stderr([&] {
        out = capture_stdout([&] { got << fdbinfo(fdb, "XYZ") << fdbinfo(nullptr, "STREAM"); });
    });
    EXPECT_EQ((got << out + err << zrl_error << fdbinfo(fdb, "BLOCKS") << zrl_error).str(),
              (J() << "1 7 1 7 0 7 0 7" << 22 << 22
                   << "FDBINFO - Illegal keyword: XYZ\nFDBINFO - Illegal fdb argument:\n"
                   << 22 << 0 << EBADF)
                  .str());
    fdbfree(fdb);
}

} // namespace
