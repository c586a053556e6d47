// spawn and spawn_nc with real children (tests/process/child/zrl_child.c):
// results, the files the redirections create, the arguments a child receives,
// and on POSIX the standard streams, the session and the reaping.
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "process/beside.h"
#include "support/tree.h"
#include <zrlshared.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace {

using namespace zrl_test;

std::string child(const std::string &actions) {
    return "\"" + child_program() + "\" " + actions;
}

// Waits (at most ten seconds) for a background child to have written a file
// with its -w action ("done").
bool appears(const Tree &tree, const std::string &name) {
    auto written = [&] { return tree.exists(name) && tree.content(name) == "done"; };
    for (int i = 0; i < 1000 && !written(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return written();
}

// The error numbers of the platform for a missing program and for a file
// that cannot be created in a missing directory or under the empty name.
constexpr int kNoProgram = 2; // ENOENT and ERROR_FILE_NOT_FOUND alike
constexpr int kNoFile = kWindows ? 3 : ENOENT; // ERROR_PATH_NOT_FOUND
constexpr int kTooLong = kWindows ? 206 : E2BIG; // ERROR_FILENAME_EXCED_RANGE

// The descriptors the process holds (Linux); 0 where they cannot be listed.
std::size_t open_descriptors() {
    std::error_code ec;
    std::size_t n = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end;
         it.increment(ec))
        ++n;
    return ec ? 0 : n;
}

TEST(SpawnNc, GivesTheExitCodeOrTheErrorNumber) {
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    struct Case {
        std::string command;
        int result;
    };
    std::vector<Case> cases = {
        {child("-x 0"), 0},
        {child("-x 7"), 7},
        {child("-x 255"), 255},
        {child("-x 9 &"), 0},
        {"zrl_no_such_program_here -x 1", kNoProgram},
        {"", kNoProgram},
        {child("-x 3 ") + std::string(512, 'a'), kTooLong},
    };
    if (!kWindows) {
        // Killed by a signal: 128 plus its number.
        cases.push_back({child("-k 9"), 128 + 9});
        cases.push_back({child("-k 15"), 128 + 15});
    }
    const std::size_t open_before = open_descriptors();
    for (const Case &c : cases)
        EXPECT_EQ(spawn_nc(c.command.c_str(), nullptr, nullptr), c.result) << c.command;
    // Failures as well as children that ran leave no descriptor behind.
    Tree tree("spawn_fds");
    InDirectory here(tree.root());
    EXPECT_EQ(spawn_nc(child("-x 0 > o 2> e").c_str(), nullptr, nullptr), 0);
    EXPECT_NE(spawn_nc(child("-x 0 > no_such_dir/o").c_str(), nullptr, nullptr), 0);
    EXPECT_NE(spawn_nc(".", nullptr, nullptr), 0) << "a directory as the program";
    EXPECT_EQ(open_descriptors(), open_before);
}

TEST(Spawn, GivesTheInterpretersResultMinusOneForNullAndZeroForBackground) {
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    // No quotes: the command interpreter takes the path as it stands.
    const std::string program = child_program();
    EXPECT_EQ(spawn(nullptr), -1);
    EXPECT_EQ(spawn((program + " -x 5").c_str()), 5);
    EXPECT_EQ(spawn((program + " -x 0").c_str()), 0);
    Tree tree("spawn");
    InDirectory here(tree.root());
    EXPECT_EQ(spawn((program + " -w bg -x 5 & &  ").c_str()), 0);
    ASSERT_TRUE(appears(tree, "bg"));
    EXPECT_EQ(spawn("zrl_no_such_program_here &"), kNoProgram);
    EXPECT_EQ(_zrl_attach, 0);
}

TEST(SpawnNc, RedirectionsCreateExactlyTheNamedFiles) {
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    struct Case {
        std::string actions;
        const char *output; // default names
        const char *error;
        int result;
        std::string changes;
        std::vector<std::pair<std::string, std::string>> contents;
    };
    const Case cases[] = {
        {"-o O -e E > out.txt 2> err.txt", nullptr, nullptr, 0, "*err.txt *out.txt",
         {{"out.txt", "O"}, {"err.txt", "E"}}},
        {"-o O > a > b", nullptr, nullptr, 0, "+a", {{"a", "O"}}},
        {"-o O 1> one 2> two", nullptr, nullptr, 0, "+one +two", {{"one", "O"}, {"two", ""}}},
        {"-e E 2>&1", nullptr, nullptr, 0, "+&1", {{"&1", "E"}}},
        {"-o O -e E", "dout", "derr", 0, "+derr +dout", {{"dout", "O"}, {"derr", "E"}}},
        {"-o O > c", "dout", nullptr, 0, "+c", {{"c", "O"}}},
        {"-e E 2> e", nullptr, "derr", 0, "+e", {{"e", "E"}}},
        // The empty name of a trailing " >" cannot be created: nothing runs.
        {"-o O -w w >", nullptr, nullptr, kNoFile, "", {}},
        // The error file fails: the output file stays, empty; nothing runs.
        {"-o O -w w > o 2> nodir/e", nullptr, nullptr, kNoFile, "+o", {{"o", ""}}},
        {"-o O -w w > out.txt", nullptr, "nodir/e", kNoFile, "*out.txt", {{"out.txt", ""}}},
        // In the background the files are the child's to write.
        {"-o O -w w > bg &", nullptr, nullptr, 0, "+bg +w", {{"bg", "O"}, {"w", "done"}}},
    };
    for (const Case &c : cases) {
        Tree tree("spawn");
        tree.file("out.txt", "old");
        tree.file("err.txt", "old");
        tree.file("b", "keep");
        tree.file("1", "keep");
        InDirectory here(tree.root());
        const Tree::Snapshot before = tree.snapshot();
        EXPECT_EQ(spawn_nc(child(c.actions).c_str(), c.output, c.error), c.result) << c.actions;
        if (c.result == 0 && c.actions.back() == '&') {
            ASSERT_TRUE(appears(tree, "w"));
        }
        EXPECT_EQ(changes(before, tree.snapshot()), c.changes) << c.actions;
        for (const auto &[name, content] : c.contents)
            EXPECT_EQ(tree.content(name), content) << c.actions << " " << name;
    }
}

// The child's C runtime (Windows) or the library's split (POSIX) gives the
// program the arguments that the Windows rules read from the command.
TEST(SpawnNc, HandsTheChildItsArgumentsByTheWindowsRules) {
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    Tree tree("spawn");
    InDirectory here(tree.root());
    const std::string command = child("-a args \"a b\" c\\\"d \"\" x\\\\\" y\" 2> err");
    ASSERT_EQ(spawn_nc(command.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(tree.content("args"), "[program]\n[-a]\n[args]\n[a b]\n[c\"d]\n[]\n[x\\ y]\n");
}

#if !defined(_WIN32)

std::string inode_of(const std::string &path) {
    struct stat s {};
    stat(path.c_str(), &s);
    return std::to_string(static_cast<unsigned long>(s.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long>(s.st_ino));
}

// Standard input, output and error of a child, and whether it leads its own
// session (and so has no controlling terminal).
TEST(SpawnNcPosix, StartsInANewSessionWithTheStandardStreamsAsDecided) {
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    Tree tree("spawn");
    InDirectory here(tree.root());
    ASSERT_EQ(spawn_nc(child("-p plain").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(tree.content("plain"), "null\nnull\nnull\nleader\n");
    ASSERT_EQ(spawn_nc(child("-p both > o 2> e").c_str(), nullptr, nullptr), 0);
    const std::string o = inode_of(tree.at("o")), e = inode_of(tree.at("e"));
    EXPECT_EQ(tree.content("both"), e + "\n" + o + "\n" + e + "\nleader\n");
    ASSERT_EQ(spawn_nc(child("-p bg -w w &").c_str(), nullptr, nullptr), 0);
    ASSERT_TRUE(appears(tree, "w"));
    EXPECT_EQ(tree.content("bg"), "null\nnull\nnull\nleader\n");
    ASSERT_EQ(spawn(child("-p sp -w w2 &").c_str()), 0);
    ASSERT_TRUE(appears(tree, "w2"));
    EXPECT_EQ(tree.content("sp").substr(tree.content("sp").size() - 7), "leader\n");
}

// Background children are never left as zombies: the caller has no child
// left to reap once they have run.
TEST(SpawnNcPosix, LeavesNoZombieBehindABackgroundStart) {
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    Tree tree("spawn");
    InDirectory here(tree.root());
    ASSERT_EQ(spawn_nc(child("-w a").c_str(), nullptr, nullptr), 0);
    ASSERT_EQ(spawn_nc(child("-w b &").c_str(), nullptr, nullptr), 0);
    ASSERT_EQ(spawn(child("-w c &").c_str()), 0);
    ASSERT_TRUE(appears(tree, "b"));
    ASSERT_TRUE(appears(tree, "c"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int status = 0;
    errno = 0;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

#endif

} // namespace
