// spawn and spawn_nc with real children (tests/process/child/zrl_child.c):
// results, the files the redirections create, the arguments a child receives,
// the descriptors held or passed on (Linux) and on POSIX the reaping.
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "process/beside.h"
#include "support/tree.h"
#include <zrlshared.h>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace zrl_test;

// Waits (at most ten seconds) for a background child's file to hold `text`.
bool appears(const Tree &tree, const std::string &name, const std::string &text) {
    for (int i = 0; i < 1000 && tree.content(name) != text; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return tree.content(name) == text;
}

// The descriptors the process holds (Linux); 0 where they cannot be listed.
std::ptrdiff_t open_descriptors() {
    std::error_code ec;
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd", ec), {});
}

// spawn_nc's results: exit codes, error numbers (2 for a missing program on
// both platforms) and 0 for a background start.  Exactly the named files
// change, among decoys that a wrong reading of the redirections would hit, and
// no descriptor is left behind by children that ran or failures.  Then spawn,
// whose command interpreter takes the program's path without quotes; its
// background children are never left as zombies, and a detached terminal
// stays detached.
TEST(Spawn, RunsChildrenAndCreatesExactlyTheNamedFiles) {
    if (!build_programs_start())
        GTEST_SKIP() << "the build's programs do not start here (qemu-i386)";
    const int no_file = kWindows ? 3 : ENOENT;
    const struct {
        std::string actions;        // of the child; a whole command unless it starts with "-"
        const char *output, *error; // default names
        int result;
        std::string changes, contents; // of the changed files, in order
    } cases[] = {{"-x 255", nullptr, nullptr, 255, "", ""},
                 {"zrl_no_such_program_here -x 1", nullptr, nullptr, 2, "", ""},
                 {"-o O -e E > out.txt 2> err.txt", nullptr, nullptr, 0, "*err.txt *out.txt", "EO"},
                 {"-o O > a > b", nullptr, nullptr, 0, "+a", "O"},
                 {"-e E 2>&1", nullptr, nullptr, 0, "+&1", "E"},
                 {"-o O -e E", "dout", "derr", 0, "+derr +dout", "EO"},
                 {"-o O > c", "dout", nullptr, 0, "+c", "O"},
                 // A file that cannot be created: nothing runs; one created stays empty.
                 {"-o O -a w >", nullptr, nullptr, no_file, "", ""},
                 {"-o O -a w > o 2> nodir/e", nullptr, nullptr, no_file, "+o", ""},
                 {"-o O -a w > out.txt", nullptr, "nodir/e", no_file, "*out.txt", ""},
                 // In the background the files are the child's to write and its
                 // exit code is not waited for.
                 {"-o O -x 9 > bg &", nullptr, nullptr, 0, "+bg", "O"},
                 // The child's C runtime (Windows) or the library's split (POSIX)
                 // gives the program the arguments the Windows rules read.
                 {"-a args \"a b\" c\\\"d \"\" x\\\\\" y\" 2> err", nullptr, nullptr, 0,
                  "+args +err", "[program]\n[-a]\n[args]\n[a b]\n[c\"d]\n[]\n[x\\ y]\n"}};
    const std::ptrdiff_t open_before = open_descriptors();
    for (const auto &c : cases) {
        Tree tree("spawn");
        for (const char *decoy : {"out.txt", "err.txt", "b", "1"})
            tree.file(decoy, "old");
        InDirectory here(tree.root());
        const Tree::Snapshot before = tree.snapshot();
        const std::string command =
            c.actions[0] == '-' ? "\"" + child_program() + "\" " + c.actions : c.actions;
        EXPECT_EQ(spawn_nc(command.c_str(), c.output, c.error), c.result) << c.actions;
        EXPECT_TRUE(!c.actions.ends_with('&') || appears(tree, "bg", "O"));
        const Tree::Snapshot after = tree.snapshot();
        EXPECT_EQ(changes(before, after), c.changes) << c.actions;
        std::string contents;
        for (const auto &[name, content] : after)
            contents += before.count(name) != 0 && before.at(name) == content ? "" : content;
        EXPECT_EQ(contents, c.contents) << c.actions;
    }
    EXPECT_EQ(open_descriptors(), open_before);
    Tree tree("spawn");
    InDirectory here(tree.root());
    const std::string program = child_program();
    EXPECT_EQ(spawn(nullptr), -1);
    EXPECT_EQ(spawn((program + " -x 5").c_str()), 5);
    EXPECT_EQ(spawn((program + " -a bg -x 5 & &  ").c_str()), 0);
    EXPECT_TRUE(appears(tree, "bg", "[program]\n[-a]\n[bg]\n[-x]\n[5]\n"));
#if !defined(_WIN32)
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1); // no child of ours is left, running or not
#endif
    EXPECT_EQ(spawn("zrl_no_such_program_here &"), 2);
    EXPECT_EQ(_zrl_attach, 0);
#if defined(__linux__)
    // A descriptor the caller holds open without close-on-exec does not pass
    // to a child: it sees the standard three and its own listing's.
    const int held = dup(1);
    EXPECT_EQ(spawn_nc("ls /proc/self/fd", "fds", nullptr), 0);
    EXPECT_EQ(tree.content("fds"), "0\n1\n2\n3\n");
    close(held);
#endif
}

} // namespace
