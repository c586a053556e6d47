// FDB records: allocation, attribute text, copied attributes, questions by
// keyword and release.
#include <cerrno>
#include <cstdint>
#include <utility>

#include "fileio/record_files.h"

namespace {

using J = zrl_test::Joined;
using zrl_test::first_byte;
using zrl_test::Tree;

// A new FDB is reset and has no buffer.  Each text is applied to an FDB that
// has alloc 7, so that a keyword that sets alloc shows it.
TEST(Fdbset, AppliesTheKeywordsOfTheText) {
    zrl_error = 99;
    FDB *fresh = fdballoc();
    EXPECT_TRUE(zrl_error == 0 && first_byte(fresh) == 0xFFu && fresh->handle == -1 &&
                fresh->bufptr == nullptr && fresh->bufsize == 16384);
    EXPECT_EQ(fdbfree(fresh), 0);
    zrl_error = 5;
    EXPECT_EQ(fdbfree(nullptr), 0);
    EXPECT_EQ(zrl_error, 0);
    const struct {
        const char *text;
        std::int32_t bufsize;
        std::uint32_t flags, alloc;
        int status;
        const char *message; // what fdbset writes to standard output
    } cases[] = {
        {nullptr, 16384, 0, 0, 0, ""}, // no text counts as the empty text
        {"seq/FA/backup", 65536, ZRL_FDB_SEQUENTIAL | ZRL_FDB_FAST_TRANSFER | ZRL_FDB_BACKUP, 7, 0,
         ""},
        {"SEQ/XYZ", 65536, ZRL_FDB_SEQUENTIAL, 7, 22, "FDBSET - Invalid keyword: SEQ/XYZ\n"},
        {"SEQ/DEFAULT", 16384, 0, 0, 0, ""},
        {"NOPFS/I/B/A=-1", 16384, ZRL_FDB_NOPFS | ZRL_FDB_IMAGE | ZRL_FDB_BACKUP, 0xFFFFFFFFu, 0,
         ""},
        {"S,V R C NOT NOR F=3/E:2", 16384, 0, 7, 0, ""},
        // Elements right after a keyword with a value are applied.
        {"A=100/BACKUP", 16384, ZRL_FDB_BACKUP, 100, 0, ""},
        {"ALLOCATED/SEQ", 65536, ZRL_FDB_SEQUENTIAL, 0, 0, ""},
        {"END1=\\012/B", 16384, ZRL_FDB_BACKUP, 7, 0, ""},
        // Unknown words: the whole text in each message, the rest applied.
        {"XYZ/B/QQ", 16384, ZRL_FDB_BACKUP, 7, 22,
         "FDBSET - Invalid keyword: XYZ/B/QQ\nFDBSET - Invalid keyword: XYZ/B/QQ\n"},
        {"SEQ=5", 65536, ZRL_FDB_SEQUENTIAL, 7, 22, "FDBSET - Invalid keyword: SEQ=5\n"},
        // Each failed word moves on by one character and the keyword behind it.
        {"//", 16384, 0, 7, 22, "FDBSET - Invalid keyword: //\nFDBSET - Invalid keyword: //\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text == nullptr ? "null" : c.text);
        FDB *fdb = fdbset(nullptr, c.text == nullptr ? nullptr : "A=7");
        zrl_error = 99;
        FDB *result = nullptr;
        EXPECT_EQ((J() << zrl_test::capture_stdout([&] { result = fdbset(fdb, c.text); })
                       << (result == fdb) << zrl_error << fdb->bufsize << fdb->f_flags << fdb->alloc
                       << first_byte(fdb))
                      .str(),
                  (J() << c.message << true << c.status << c.bufsize << c.flags << c.alloc << 0xFF)
                      .str());
        fdbfree(fdb);
    }
}

// A buffer that exists is resized with its extra byte (the address checker
// sees the store at the end; the fuzzer resizes the buffers of FDBs that are
// not open); on an open FDB the pointers move with it, no marker is written
// into datptr, and the stored bytes reach the file.
TEST(Fdbset, ResizesABufferThatExists) {
    Tree dir("fdbset_resize");
    FDB *fdb = fopenw(nullptr, dir.at("w.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    zrl_test::store_bytes(fdb, "abc");
    char *const data = fdb->datptr;
    fdbset(fdb, "NOPFS");
    EXPECT_EQ(fdb->datptr, data);
    fdbset(fdb, "SEQ");
    EXPECT_EQ(fdb->datptr - fdb->bufptr, 3);
    fdb->bufptr[65536] = '\0';
    EXPECT_EQ(fclosx(fdb), 0);
    EXPECT_EQ(dir.content("w.txt"), "abc");
    fdbfree(fdb);
}

TEST(Fdbload, CopiesOnlyImageAccessAndSequential) {
    FDB *model = fdbset(nullptr, "SEQ/I/B/FA/NOPFS/A=9");
    FDB *fdb = fdbset(nullptr, "B/A=5");
    // No buffer size is copied; the reset clears the allocation request.
    EXPECT_EQ((J() << (fdbload(fdb, model) == fdb) << zrl_error << fdb->f_flags << fdb->bufsize
                   << fdb->alloc)
                  .str(),
              (J() << true << 0 << (ZRL_FDB_SEQUENTIAL | ZRL_FDB_IMAGE) << 16384 << 0).str());
    fdbfree(fdb);
    fdbfree(model);
}

// The fixed answers leave the status alone; refusals write their lines.  (The
// size in blocks, rounded up, is asked of every flushed file in the record
// I/O model.)
TEST(Fdbinfo, AnswersByKeyword) {
    FDB *fdb = fdballoc();
    const std::pair<const char *, int> answers[] = {
        {"S", 1}, {"FIXED_TYPE", 1}, {"VARIABLE", 0}, {"/R", 0}};
    for (const auto &[keyword, result] : answers) {
        zrl_error = 7;
        EXPECT_EQ((J() << fdbinfo(fdb, keyword) << zrl_error).str(), (J() << result << 7).str());
    }
    fdb->f_flags |= ZRL_FDB_TERMINAL;
    EXPECT_EQ(fdbinfo(fdb, "T"), 0x0100);
    std::string out;
    const std::string err = zrl_test::capture_stderr([&] {
        out = zrl_test::capture_stdout([&] {
            EXPECT_EQ(fdbinfo(fdb, "XYZ"), 22);
            EXPECT_EQ(fdbinfo(nullptr, "STREAM"), 22);
        });
    });
    // The dump of a null FDB shows nothing; not open, the failed seek is reported.
    EXPECT_EQ((J() << out + err << zrl_error << fdbinfo(fdb, "BLOCKS") << zrl_error).str(),
              (J() << "FDBINFO - Illegal keyword: XYZ\nFDBINFO - Illegal fdb argument:\n"
                   << 22 << 0 << EBADF)
                  .str());
    fdbfree(fdb);
}

} // namespace
