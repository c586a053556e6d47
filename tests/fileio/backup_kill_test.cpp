// The backup of a re-created file when the writer never gets to its close:
// a writer killed halfway, and a create that the system refuses after the
// backup was made.  Both run in a child process (fork), so that the test
// program itself is neither killed nor left short of descriptors.
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "fileio/record_files.h"
#include "support/tree.h"

#if !defined(_WIN32)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using zrl_test::Tree;

#if !defined(_WIN32)

// Fills the buffer of a writer with `count` bytes of `c` and writes them out.
bool write_part(FDB *fdb, char c, int count) {
    if (fdb->endptr - fdb->datptr < count) return false;
    std::memset(fdb->datptr, c, static_cast<std::size_t>(count));
    fdb->datptr += count;
    fdb->f_flags |= ZRL_FDB_UNWRITTEN;
    fflushx(fdb);
    return zrl_error == 0;
}

// Starts a writer that re-creates `path` with BACKUP, writes part of the new
// version, tells the parent through the pipe and waits to be killed; then
// kills it.  True when the child got that far and died by the signal.
bool kill_writer_halfway(const std::string &path, int part) {
    int ready[2];
    if (pipe(ready) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(ready[0]);
        FDB *fdb = fopenw("B", path.c_str(), nullptr, nullptr);
        if (fdb == nullptr || fdb->handle < 0 || !write_part(fdb, 'n', part)) _exit(2);
        const char go = 'w';
        if (write(ready[1], &go, 1) != 1) _exit(3);
        for (;;)
            pause();
    }
    close(ready[1]);
    char got = 0;
    const bool reported = read(ready[0], &got, 1) == 1;
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return reported && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(BackupReliability, AKilledWriterLeavesThePreviousVersionUnderItsBackupName) {
    Tree dir("backup_kill");
    dir.file("R.TXT", "version 1");
    ASSERT_TRUE(kill_writer_halfway(dir.at("R.TXT"), 1000));

    EXPECT_EQ(dir.listing(), "R.TXT R_TXT.bak");
    EXPECT_EQ(dir.content("R_TXT.bak"), "version 1") << "the previous version survives";
    EXPECT_EQ(dir.content("R.TXT"), std::string(1000, 'n')) << "the part written before the kill";

    // The next create finds the left-over backup and takes the next name.
    FDB *fdb = fopenw("B", dir.at("R.TXT").c_str(), nullptr, nullptr);
    ASSERT_GE(fdb->handle, 0);
    EXPECT_EQ(dir.listing(), "R.TXT R_TXT.bak R_TXT.bal");
    EXPECT_EQ(dir.content("R_TXT.bal"), std::string(1000, 'n'));
    EXPECT_EQ(dir.content("R_TXT.bak"), "version 1");
    ASSERT_TRUE(write_part(fdb, 'v', 3));
    EXPECT_EQ(fclosx(fdb), 0);
    EXPECT_EQ(dir.listing(), "R.TXT R_TXT.bak") << "only its own backup goes at the close";
    EXPECT_EQ(dir.content("R.TXT"), "vvv");
    EXPECT_EQ(dir.content("R_TXT.bak"), "version 1");
}

// With every descriptor in use the create fails after the backup was made;
// the old version must be back under its own name.  The child reports the
// open's status as its exit code.
TEST(BackupReliability, AFailedCreatePutsTheOldVersionBack) {
    Tree dir("backup_failed_create");
    dir.file("R.TXT", "version 1");
    const std::string path = dir.at("R.TXT");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit;
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(101);
        if (limit.rlim_cur > 64) limit.rlim_cur = 64;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(102);
        while (open("/dev/null", O_RDONLY) >= 0) {
        }
        if (errno != EMFILE) _exit(103);
        FDB *fdb = fopenw("B", path.c_str(), nullptr, nullptr);
        if (fdb == nullptr) _exit(104);
        _exit(fdb->handle < 0 ? zrl_error : 105);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EMFILE) << "the create failed with the runtime's number";
    EXPECT_EQ(dir.listing(), "R.TXT") << "no backup left behind";
    EXPECT_EQ(dir.content("R.TXT"), "version 1");
}

#else

TEST(BackupReliability, AKilledWriterLeavesThePreviousVersionUnderItsBackupName) {
    GTEST_SKIP() << "needs fork";
}

#endif

} // namespace
