// The sample viewer in a real terminal: tmux runs it on a pseudo-terminal of
// 80 x 24, sends keys and reads the screen back.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "process/beside.h"
#include "support/console.h"
#include "support/tree.h"

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What a shell command writes to its standard output.
std::string run(const std::string &command) {
    const std::string out = zrl_test::temp_path("tmux_out");
    std::system((command + " >" + out + " 2>/dev/null").c_str());
    std::string text = read_file(out);
    std::remove(out.c_str());
    return text;
}

class Session {
  public:
    explicit Session(const std::string &socket) : tmux_("tmux -L " + socket) {}
    ~Session() { run(tmux_ + " kill-server 2>/dev/null"); }

    bool start(const std::string &command) {
        return std::system((tmux_ + " new-session -d -x 80 -y 24 '" + command + "'").c_str()) == 0;
    }
    void keys(const std::string &keys) { run(tmux_ + " send-keys " + keys); }
    std::string screen() { return run(tmux_ + " capture-pane -p"); }

    // Waits up to two seconds for the screen to show `text`.
    bool shows(const std::string &text) {
        for (int i = 0; i < 100; ++i) {
            if (screen().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

  private:
    std::string tmux_;
};

std::string first_line(const std::string &screen) {
    return screen.substr(0, screen.find('\n'));
}

TEST(Zview, PagesFindsAndQuitsWithTheTerminalModeRestored) {
    if (zrl_test::kWindows) GTEST_SKIP() << "tmux drives POSIX terminals only";
    const fs::path zview = fs::read_symlink("/proc/self/exe").parent_path() / "zview";
    if (!fs::exists(zview)) GTEST_SKIP() << "zview is not built here";
    ZRL_SKIP_UNLESS_PROGRAMS_START();
    if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";

    const fs::path dir = zrl_test::temp_path("zview");
    fs::create_directories(dir);
    {
        std::ofstream sample(dir / "sample.txt");
        for (int i = 1; i <= 100; ++i)
            sample << (i == 70 ? "the needle is here" : "line " + std::to_string(i)) << "\n";
    }
    Session tmux("zrl_zview_" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::string d = dir.string();
    ASSERT_TRUE(tmux.start("cd " + d + " && stty -g >before && " + zview.string() +
                           " sample.txt; echo $? >status; stty -g >after; sleep 20"))
        << "tmux cannot start a session";

    ASSERT_TRUE(tmux.shows(" sample.txt lines 1-23 of 100   PF1 help")) << tmux.screen();
    EXPECT_EQ(first_line(tmux.screen()), "line 1");
    tmux.keys("NPage");
    ASSERT_TRUE(tmux.shows("lines 24-46 of 100")) << tmux.screen();
    EXPECT_EQ(first_line(tmux.screen()), "line 24");
    tmux.keys("Down");
    ASSERT_TRUE(tmux.shows("lines 25-47 of 100")) << tmux.screen();
    EXPECT_EQ(first_line(tmux.screen()), "line 25");
    tmux.keys("F2");
    ASSERT_TRUE(tmux.shows(" Find:")) << tmux.screen();
    tmux.keys("needle Enter");
    ASSERT_TRUE(tmux.shows("lines 70-92 of 100")) << tmux.screen();
    EXPECT_EQ(first_line(tmux.screen()), "the needle is here");
    tmux.keys("F4");
    for (int i = 0; i < 100 && !fs::exists(dir / "after"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(read_file(dir / "status"), "0\n");
    const std::string before = read_file(dir / "before");
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(read_file(dir / "after"), before);
    fs::remove_all(dir);
}

} // namespace
