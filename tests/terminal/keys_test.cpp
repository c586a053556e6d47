// Key input: the decoder against the terminal's sequences, the replay of
// sequences it does not know, modifier reports, and the end of input.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif
#include <zrlshared.h>

#include "support/console.h"
#include "support/tree.h"

namespace {

using zrl_test::capture_stdout;
using zrl_test::Feed;
using zrl_test::feed_name;
using zrl_test::StdinFeed;

// How the tests of the decoder feed standard input: each runs through a
// file, a pipe and (POSIX) a pseudo-terminal in raw mode.
Feed current_feed = Feed::kFile;

class KeysThrough : public ::testing::TestWithParam<Feed> {
  protected:
    void SetUp() override { current_feed = GetParam(); }
    void TearDown() override { current_feed = Feed::kFile; }
};

INSTANTIATE_TEST_SUITE_P(Feeds, KeysThrough, ::testing::ValuesIn(zrl_test::feeds()),
                         [](const auto &info) { return std::string(feed_name(info.param)); });

// Feeds `input` and reads `n` keys with `reader`.
std::vector<int> read_keys(const std::string &input, std::size_t n, int (*reader)() = trm_key) {
    StdinFeed feed(input, current_feed);
#if !defined(_WIN32)
    EXPECT_EQ(isatty(0) == 1, current_feed == Feed::kTerminal);
#endif
    std::vector<int> keys;
    for (std::size_t i = 0; i < n; ++i)
        keys.push_back(reader());
    return keys;
}

// Every key above 255 as the terminal sends it.  Each received form is
// tried after both introducers; `sent` is what trm_translate_code gives.
struct Key {
    const char *name; // null: the key has no name
    int code;
    std::vector<std::string> received;
    std::string sent;
};

const std::vector<Key> &all_keys() {
    static const std::vector<Key> keys = {
        {nullptr, 256, {"p"}, "\033[p"},
        {nullptr, 257, {"q"}, "\033[q"},
        {nullptr, 258, {"r"}, "\033[r"},
        {nullptr, 259, {"s"}, "\033[s"},
        {nullptr, 260, {"t"}, "\033[t"},
        {nullptr, 261, {"u"}, "\033[u"},
        {nullptr, 262, {"v"}, "\033[v"},
        {nullptr, 263, {"w"}, "\033[w"},
        {nullptr, 264, {"x"}, "\033[x"},
        {nullptr, 265, {"y"}, "\033[y"},
        {"UP", 266, {"A"}, "\033[A"},
        {"DOWN", 267, {"B"}, "\033[B"},
        {"LEFT", 268, {"D"}, "\033[D"},
        {"RITE", 269, {"C"}, "\033[C"},
        {nullptr, 270, {"M"}, "\033[M"},
        {nullptr, 271, {"n"}, "\033[n"},
        {"PF1", 272, {"P", "11~"}, "\033[P"},
        {"PF2", 273, {"Q", "12~"}, "\033[Q"},
        {"PF3", 274, {"R", "13~"}, "\033[R"},
        {"PF4", 275, {"S", "14~"}, "\033[S"},
        {nullptr, 276, {"m"}, "\033[m"},
        {nullptr, 277, {"l"}, "\033[l"},
        {"RUB", 278, {}, "\177"},
        {"FIND", 279, {"1~"}, "\033[1~"},
        {"INSH", 280, {"2~"}, "\033[2~"},
        {"REM", 281, {"3~"}, "\033[3~"},
        {"SEL", 282, {"4~"}, "\033[4~"},
        {"PRV", 283, {"5~"}, "\033[5~"},
        {"NXT", 284, {"6~"}, "\033[6~"},
        {"F6", 285, {"17~"}, "\033[17~"},
        {"F7", 286, {"18~"}, "\033[18~"},
        {"F8", 287, {"19~"}, "\033[19~"},
        {"F9", 288, {"20~"}, "\033[20~"},
        {"F10", 289, {"21~"}, "\033[21~"},
        {"F11", 290, {"23~"}, "\033[23~"},
        {"F12", 291, {"24~"}, "\033[24~"},
        {"F13", 292, {"25~"}, "\033[25~"},
        {"F14", 293, {"26~"}, "\033[26~"},
        {"HELP", 294, {"28~", "15~"}, "\033[28~"},
        {"DO", 295, {"29~"}, "\033[29~"},
        {"F17", 296, {"31~"}, "\033[31~"},
        {"F18", 297, {"32~"}, "\033[32~"},
        {"F19", 298, {"33~"}, "\033[33~"},
        {"F20", 299, {"34~"}, "\033[34~"},
    };
    return keys;
}

TEST_P(KeysThrough, EveryKeyDecodesEncodesAndIsNamed) {
    std::string input;
    std::vector<int> expected;
    for (const Key &key : all_keys()) {
        for (const std::string &r : key.received)
            for (const char *intro : {"\033[", "\033O"}) {
                input += intro + r;
                expected.push_back(key.code);
            }
        input += key.sent;
        expected.push_back(key.code);

        char buffer[8] = "#######";
        EXPECT_EQ(trm_translate_code(buffer, key.code), static_cast<int>(key.sent.size()))
            << key.code;
        EXPECT_EQ(std::string(buffer), key.sent) << key.code;
        const char *name = trm_lookupkey(key.code);
        EXPECT_EQ(name ? std::string(name) : "(none)", key.name ? key.name : "(none)") << key.code;
        if (key.name != nullptr) {
            EXPECT_EQ(trm_lookupcode(key.name), key.code) << key.name;
            EXPECT_EQ(trm_mlookupcode(key.name), key.code) << key.name;
            EXPECT_STREQ(trm_mlookupkey(key.code), key.name);
            EXPECT_EQ(trm_lookupkey(key.code + 512), std::string("@") + key.name);
        }
    }
    EXPECT_EQ(read_keys(input, expected.size()), expected);
}

// Encoding then decoding gives every code back; ESC alone opens a sequence
// and 0x7F is the DEL key, so those two are not their own round trip.
TEST_P(KeysThrough, TranslatedCodesDecodeToThemselves) {
    std::string input;
    std::vector<int> expected;
    for (int code = 0; code <= 299; ++code) {
        if (code == 27 || code == 127) continue;
        char buffer[6];
        const int n = trm_translate_code(buffer, code);
        ASSERT_GT(n, 0) << code;
        input.append(buffer, static_cast<std::size_t>(n));
        expected.push_back(code);
    }
    EXPECT_EQ(read_keys(input, expected.size()), expected);
    EXPECT_EQ(read_keys(input, expected.size(), trm_mkey), expected);

    const struct {
        int code;
        std::string out;
    } edges[] = {{0, std::string(1, '\0')}, {-1, ""}, {300, ""}, {65 + 512, ""}, {511, ""}};
    for (const auto &e : edges) {
        char buffer[6] = "#####";
        EXPECT_EQ(trm_translate_code(buffer, e.code), static_cast<int>(e.out.size())) << e.code;
        EXPECT_EQ(std::string(buffer, e.out.size()), e.out) << e.code;
        EXPECT_EQ(buffer[e.out.size()], '\0') << e.code;
    }
}

// A sequence the decoder does not know comes back byte for byte, exactly as
// read (0x7F included), and nothing is read anew until it is delivered; a
// new sequence may start at an ESC that breaks one off.
TEST_P(KeysThrough, UnknownSequencesAreReplayedByteForByte) {
    const struct {
        std::string input;
        std::vector<int> keys;
    } cases[] = {
        {"\033[22~", {27, 91, 50, 50, 126}},
        {"\033[Z", {27, 91, 90}},
        {"\033\033[B", {267}},
        {"\033\033\033OA", {266}},
        {"\033\177", {27, 127}},
        {"\177", {278}},
        {"\033[16~", {27, 91, 49, 54, 126}},
        {"\033[69~", {27, 91, 54, 57, 126}},
        {"\033[1xy", {27, 91, 49, 120, 121}},
        // The second byte of a number is taken as a digit unchecked.
        {"\033[2\033~", {27, 91, 50, 27, 126}},
        {"\033[\377", {27, 91, 255}},
        // Modifier reports that break off leave the state alone.
        {"\033_:abc01\033x", {27, 95, 58, 97, 98, 99, 48, 49, 27, 120}},
        {"\033_\033[A", {266}},
        {"\033_:abc01\033\033[C", {269}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(read_keys(c.input, c.keys.size()), c.keys) << c.input;
        EXPECT_EQ(read_keys(c.input, c.keys.size(), trm_mkey), c.keys) << c.input;
    }
}

// A run of ESCs that never makes a sequence fills the pending buffer; the
// decoder then gives up and delivers what it holds, and goes on: every byte
// comes back once, in order.
TEST_P(KeysThrough, PendingBufferThatFillsUpIsDelivered) {
    for (std::size_t run : {247u, 248u, 249u, 1000u}) {
        std::vector<int> expected(run, 27);
        expected.push_back('x');
        EXPECT_EQ(read_keys(std::string(run, '\033') + "x", run + 1), expected) << run;
    }
}

std::string report(const char *digits, const char *end = "\033\\") {
    return std::string("\033_:xyz") + digits + end;
}

// The plain reader swallows reports and sets the Alt flag from them, masked
// by nothing; a pending byte never carries the flag.
TEST_P(KeysThrough, PlainReaderAddsTheAltFlagFromReports) {
    const std::string input = report("10") + "a" + "\177" + "\033[A" + report("20", "X") +
                              "\033[Z" + report("2f") + "b" + report("00") + "c";
    EXPECT_EQ(read_keys(input, 8),
              (std::vector<int>{'a' + 512, 790, 266 + 512, 27 + 512, 91, 90, 'b' + 512, 'c'}));
}

int at(int state, int low) {
    return static_cast<int>(static_cast<unsigned>(state) << 24 | static_cast<unsigned>(low));
}

TEST_P(KeysThrough, ModifierReaderReportsEventsWithinTheMask) {
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_init_mkey(9), 9); }),
              "\033[1;2;2;0;3;0;4;2+r\033[5;0;6;0;7;0;8;0+r");
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_init_mkey(-1), 9); }), "");
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_init_mkey(0xF6), 0xF6); }),
              "\033[1;0;2;2;3;2;4;0+r\033[5;2;6;2;7;2;8;2+r");
    capture_stdout([] { trm_init_mkey(1); });
    const struct {
        std::string input;
        int key;
        const char *name;
    } steps[] = {
        {report("01"), at(0x01, 0x800001), "~SHIFTDOWN"},
        {"a", at(0x01, 'a'), "~a"},
        {report("09"), at(0x01, 0), "~"}, // Ctrl is outside the mask: no change
        {report("00"), at(0x00, 0x800001), "SHIFTUP"},
        {"\177", 278, "RUB"},
        {"\033[Z", 27, nullptr},
        {"", 91, "["},
        {"", 90, "Z"},
    };
    for (const auto &s : steps) {
        const int key = read_keys(s.input, 1, trm_mkey)[0];
        EXPECT_EQ(key, s.key) << s.input;
        const char *name = trm_mlookupkey(key);
        EXPECT_EQ(name ? std::string(name) : "(none)", s.name ? s.name : "(none)") << s.input;
    }
    capture_stdout([] { trm_init_mkey(0xFF); });
    const struct {
        std::string input;
        std::vector<int> keys;
    } runs[] = {
        {report("08") + "\033[A" + report("18") + report("00"),
         {at(0x08, 0x800008), at(0x08, 266), at(0x18, 0x800010), at(0, 0x800018)}},
        {report("c0") + "x" + report("00"), {at(0xc0, 0x8000c0), at(0xc0, 'x'), at(0, 0x8000c0)}},
    };
    for (const auto &r : runs)
        EXPECT_EQ(read_keys(r.input, r.keys.size(), trm_mkey), r.keys) << r.input;
    capture_stdout([] { trm_init_mkey(0); });
}

// A timeout other than -1 prints its message each time the reader goes to
// the input for a new key, so again after a swallowed report, but not for
// pending bytes.
TEST(Keys, TimeoutOtherThanWaitPrintsItsMessage) {
    const std::string message = "getkeyt: timout not implemented yet\n";
    const struct {
        std::string input;
        int (*reader)(int);
        int timeout;
        std::vector<int> keys;
        int messages;
    } cases[] = {
        {"a", trm_keyt, 5, {'a'}, 1},
        {"\033[Zb", trm_keyt, 1, {27, 91, 90, 'b'}, 2},
        {report("00") + report("00") + "c", trm_keyt, -2, {'c'}, 3},
    };
    for (const auto &c : cases) {
        StdinFeed feed(c.input);
        std::vector<int> keys;
        const std::string out = capture_stdout([&] {
            for (std::size_t i = 0; i < c.keys.size(); ++i)
                keys.push_back(c.reader(c.timeout));
        });
        EXPECT_EQ(keys, c.keys) << c.input;
        std::string expected;
        for (int i = 0; i < c.messages; ++i)
            expected += message;
        EXPECT_EQ(out, expected) << c.input;
    }
    StdinFeed feed("de");
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_keyr(), 'd'); }), message);
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_mkeyr(), 'e'); }), message);
}

// The first request registers the routine that switches the reports off:
// at exit the terminal gets the request for no keys, once.
TEST(KeysDeathTest, ModifierReportsAreSwitchedOffAtExit) {
    // A name of its own that the child on Windows, which runs this body
    // anew, computes alike.
    const std::string path =
        (std::filesystem::temp_directory_path() / "zrl_test_terminal_mkey_exit").string();
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
            if (std::freopen(path.c_str(), "wb", stdout) == nullptr) std::_Exit(100);
            trm_init_mkey(3);
            trm_init_mkey(5);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    std::FILE *f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string out;
    for (int c; (c = std::fgetc(f)) != EOF;)
        out += static_cast<char>(c);
    std::fclose(f);
    std::remove(path.c_str());
    EXPECT_EQ(out, "\033[1;2;2;2;3;0;4;0+r\033[5;0;6;0;7;0;8;0+r"
                   "\033[1;2;2;0;3;2;4;0+r\033[5;0;6;0;7;0;8;0+r"
                   "\033[1;0;2;0;3;0;4;0+r\033[5;0;6;0;7;0;8;0+r");
}

// Input at its end for good ends the program with a message and status -1
// once the keys before it are read; a sequence cut by the end is no key.
TEST(KeysDeathTest, InputAtItsEndForGoodEndsTheProgram) {
    const struct {
        const char *input;
        int keys_before;
    } cases[] = {{"", 0}, {"ab", 2}, {"\033[1", 0}, {"\033[Zq", 4}};
    for (const auto &c : cases) {
        const std::string path = zrl_test::temp_path("eof");
        std::FILE *f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(c.input, f);
        std::fclose(f);
        EXPECT_EXIT(
            {
                if (std::freopen(path.c_str(), "rb", stdin) == nullptr) std::_Exit(100);
                for (int i = 0; i < c.keys_before; ++i)
                    if (trm_key() < 0) std::_Exit(101);
                trm_key();
                std::_Exit(102);
            },
            ::testing::ExitedWithCode(zrl_test::kWindows ? -1 : 255),
            "^ERROR : end of input on stdin\n$")
            << c.input;
        std::remove(path.c_str());
    }
}

} // namespace
