// The write-back (fflushx) and the fill behind it, seen through the FDB's
// fields and the file on disk.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "fileio/record_files.h"
#include "support/tree.h"
#include "support/console.h"

namespace {

using zrl_test::Tree;
using zrl_test::store_bytes;

std::ptrdiff_t room(const FDB *fdb) {
    return fdb->endptr - fdb->bufptr;
}

// fflushx of an update FDB with read access and nothing unwritten loads the
// buffer from the logical position, which lets a test reach the fill.
TEST(Fflushx, WritesAChangedUpdateBufferBackWhereItWasRead) {
    Tree dir("flush_update");
    dir.file("u.txt", "abcdefghij");
    FDB *fdb = fopenu(nullptr, dir.at("u.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    fflushx(fdb);
    ASSERT_EQ(zrl_error, 0);
    ASSERT_EQ(room(fdb), 10) << "the fill read the whole file";
    EXPECT_EQ(fdb->position, 0);

    // Read four bytes, change the fifth, move past it.
    fdb->datptr = fdb->bufptr + 4;
    store_bytes(fdb, "X");
    fflushx(fdb);
    EXPECT_EQ(zrl_error, 0);
    EXPECT_EQ(dir.content("u.txt"), "abcdXfghij") << "written back in place, length kept";
    EXPECT_EQ(fdb->position, 5) << "the buffer now starts at the logical position";
    ASSERT_EQ(room(fdb), 5);
    EXPECT_EQ(std::string(fdb->bufptr, 5), "fghij") << "the next read continues after X";
    EXPECT_EQ(fclosx(fdb), 0);
    fdbfree(fdb);
}

TEST(Fflushx, TurnsAWriterThatReadToTheEndIntoAnAppender) {
    Tree dir("flush_eof");
    dir.file("u.txt", "abc");
    FDB *fdb = fopenu(nullptr, dir.at("u.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    fflushx(fdb);
    ASSERT_EQ(room(fdb), 3);
    fdb->datptr = fdb->endptr; // everything read

    fflushx(fdb); // refills at 3: the end of the file
    EXPECT_EQ(zrl_error, 0) << "the end met by the write-back's fill is not reported";
    EXPECT_NE(fdb->f_flags & ZRL_FDB_EOF, 0u);
    EXPECT_EQ(fdb->f_flags & ZRL_FDB_READ, 0u) << "read access dropped";
    EXPECT_EQ(room(fdb), fdb->bufsize) << "the buffer is an output area";
    EXPECT_EQ(fdb->position, 3);

    store_bytes(fdb, "de");
    EXPECT_EQ(fclosx(fdb), 0);
    EXPECT_EQ(dir.content("u.txt"), "abcde");
    fdbfree(fdb);
}

TEST(Fclosx, RefusesBytesStoredWithoutWriteAccessAndStaysOpen) {
    Tree dir("flush_noaccess");
    dir.file("r.txt", "abc");
    FDB *fdb = fopenr(nullptr, dir.at("r.txt").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    // A reader's buffer as a read of the whole file leaves it.
    std::memcpy(fdb->bufptr, "abc", 3);
    fdb->endptr = fdb->bufptr + 3;
    store_bytes(fdb, "X");
    // The close refuses them and leaves the file open and unchanged.
    const std::string close_out = zrl_test::capture_stdout([&] { EXPECT_EQ(fclosx(fdb), 5); });
    EXPECT_NE(close_out.find("not opened for write access"), std::string::npos);
    EXPECT_GE(fdb->handle, 0);
    EXPECT_EQ(dir.content("r.txt"), "abc");
    fdb->f_flags &= ~ZRL_FDB_UNWRITTEN;
    EXPECT_EQ(fclosx(fdb), 0);
    fdbfree(fdb);
}

#if defined(__linux__)
// /dev/full takes every seek and refuses every write with ENOSPC.
TEST(Fflushx, AFailingWriteKeepsItsStatusAndStillResetsTheBuffer) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    FDB *fdb = fopenw(nullptr, "/dev/full", nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    store_bytes(fdb, "0123");
    fflushx(fdb);
    EXPECT_EQ(zrl_error, ENOSPC);
    EXPECT_EQ(fdb->datptr, fdb->bufptr);
    EXPECT_EQ(room(fdb), fdb->bufsize);
    EXPECT_EQ(fdb->f_flags & ZRL_FDB_UNWRITTEN, 0u);

    store_bytes(fdb, "4567");
    EXPECT_EQ(fclosx(fdb), ENOSPC) << "a failed write-back keeps the file open";
    EXPECT_GE(fdb->handle, 0);
    EXPECT_EQ(fclosx(fdb), 0) << "nothing is left to write the second time";
    EXPECT_EQ(fdb->handle, -1);
    fdbfree(fdb);
}
#endif

} // namespace
