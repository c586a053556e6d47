// The sample viewer in a real terminal: tmux runs it on a pseudo-terminal of
// 80 x 24, sends keys and reads the screen back.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "process/beside.h"
#include "support/console.h"
#include "support/tree.h"

namespace {

TEST(Zview, PagesFindsAndQuitsWithTheTerminalModeRestored) {
    if (zrl_test::kWindows) GTEST_SKIP() << "tmux drives POSIX terminals only";
    const std::string zview = zrl_test::program_directory() + "zview";
    if (!std::filesystem::exists(zview)) GTEST_SKIP() << "zview is not built here";
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";

    zrl_test::Tree dir("zview");
    {
        std::ofstream sample(dir.at("sample.txt"));
        for (int i = 1; i <= 100; ++i)
            sample << (i == 70 ? "the needle is here" : "line " + std::to_string(i)) << "\n";
    }
    const std::string tmux =
        "tmux -L zrl_zview_" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + " ";
    const std::string screen = dir.at("screen");
    // Waits up to two seconds for the screen to show `text` on its status
    // line and `first` on its first line.
    auto shows = [&](const std::string &text, const std::string &first) {
        for (int i = 0; i < 100; ++i) {
            std::system((tmux + "capture-pane -p >" + screen).c_str());
            const std::string now = zrl_test::file_content(screen);
            if (now.find(text) != std::string::npos) return now.substr(0, now.find('\n')) == first;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    auto keys = [&](const char *keys) { std::system((tmux + "send-keys " + keys).c_str()); };
    ASSERT_EQ(std::system((tmux + "new-session -d -x 80 -y 24 'cd " + dir.root() +
                           " && stty -g >before && " + zview +
                           " sample.txt; echo $? >status; stty -g >after; sleep 20'")
                              .c_str()),
              0)
        << "tmux cannot start a session";
    const char *const steps[][3] = {{"", " sample.txt lines 1-23 of 100   PF1 help", "line 1"},
                                    {"NPage", "lines 24-46 of 100", "line 24"},
                                    {"Down", "lines 25-47 of 100", "line 25"},
                                    {"F2", " Find:", "line 25"},
                                    {"needle Enter", "lines 70-92 of 100", "the needle is here"}};
    for (const auto &[sent, status, first] : steps) {
        if (*sent != '\0') keys(sent);
        EXPECT_TRUE(shows(status, first)) << sent;
    }
    keys("F4");
    for (int i = 0; i < 100 && !dir.exists("after"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::system((tmux + "kill-server 2>/dev/null").c_str());
    EXPECT_EQ(dir.content("status"), "0\n");
    EXPECT_NE(dir.content("before"), "");
    EXPECT_EQ(dir.content("after"), dir.content("before"));
}

} // namespace
