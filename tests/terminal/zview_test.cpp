// The sample viewer in a real terminal (the one place trm_attach succeeds):
// tmux runs it on an 80 x 24 pseudo-terminal, sends keys, reads the screen.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "process/beside.h"
#include "support/tree.h"

namespace {

TEST(Zview, ShowsAndQuitsWithTheTerminalModeRestored) {
    const std::string zview = zrl_test::program_directory() + "zview";
    if (zrl_test::kWindows || !std::filesystem::exists(zview) ||
        std::system("tmux -V >/dev/null 2>&1") != 0 || !zrl_test::build_programs_start())
        GTEST_SKIP() << "needs POSIX, tmux and the sample tools, which start here";
    zrl_test::Tree dir("zview");
    const std::string tmux = "tmux -S " + dir.at("tmux"); // a server of its own
    const std::string script = "cd " + dir.root() + " && seq -f \"line %g\" 100 >sample.txt && " +
                               "stty -g >before && " + zview +
                               " sample.txt; s=$?; stty -g >after; echo exit status $s; sleep 20";
    ASSERT_EQ(std::system((tmux + " new-session -d -x 80 -y 24 '" + script + "'").c_str()), 0);
    // The screen once it shows `text` (or after two seconds).
    auto screen_with = [&](const char *text) {
        for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            std::system((tmux + " capture-pane -p >" + dir.at("screen")).c_str());
            if (dir.content("screen").find(text) != std::string::npos) break;
        }
        return dir.content("screen");
    };
    // The first page; then the viewer quits, and the shell saves the
    // terminal mode and shows its status.
    EXPECT_EQ(screen_with("lines 1-23 of 100").substr(0, 7), "line 1\n");
    std::system((tmux + " send-keys F4").c_str());
    EXPECT_NE(screen_with("exit status 0").find("exit status 0"), std::string::npos);
    std::system((tmux + " kill-server 2>/dev/null").c_str());
    EXPECT_EQ(dir.content("after"), dir.content("before"));
    EXPECT_NE(dir.content("before"), "");
}

} // namespace
