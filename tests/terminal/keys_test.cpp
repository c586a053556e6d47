// Key input through a file, a pipe and (POSIX) a raw pseudo-terminal: every
// key's sequence built from the key table, decoded and encoded; the replay of
// modifier reports; the end of input.  The fuzzer fuzz/terminal/fuzz_keys.cpp
// checks the decoder against a model, with the replay of the sequences it
// does not know and the bound of its pending bytes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"
#include "support/tree.h"

namespace {

using zrl_test::capture_stdout;
using Keys = std::vector<int>;

class KeysThrough : public ::testing::TestWithParam<zrl_test::Feed> {
  protected:
    // Feeds `input` and reads `n` keys with `reader`.
    Keys read(const std::string &input, std::size_t n, int (*reader)() = trm_key) {
        zrl_test::StdinFeed in(input, GetParam());
        Keys keys;
        while (keys.size() < n)
            keys.push_back(reader());
        return keys;
    }
};
INSTANTIATE_TEST_SUITE_P(Feeds, KeysThrough, ::testing::ValuesIn(zrl_test::feeds()),
                         [](const auto &info) { return zrl_test::feed_name(info.param); });

int at(int state, int low) {
    return static_cast<int>(static_cast<unsigned>(state) << 24 | static_cast<unsigned>(low));
}

// The key table: the final byte of 256 to 277, the VT220 number of 279 to
// 299, and the names of 266 to 299 ("-" for none).
const char kFinals[] = "pqrstuvwxyABDCMnPQRSml";
const int kNumbers[] = {1,  2,  3,  4,  5,  6,  17, 18, 19, 20, 21,
                        23, 24, 25, 26, 28, 29, 31, 32, 33, 34};
const char *const kNames[] = {"UP",  "DOWN", "LEFT", "RITE", "-",    "-",    "PF1", "PF2", "PF3",
                              "PF4", "-",    "-",    "RUB",  "FIND", "INSH", "REM", "SEL", "PRV",
                              "NXT", "F6",   "F7",   "F8",   "F9",   "F10",  "F11", "F12", "F13",
                              "F14", "HELP", "DO",   "F17",  "F18",  "F19",  "F20"};

std::string sent(int code) {
    if (code < 256 || code == 278)
        return std::string(1, static_cast<char>(code == 278 ? 127 : code));
    if (code < 278) return std::string("\033[") + kFinals[code - 256];
    return "\033[" + std::to_string(kNumbers[code - 279]) + "~";
}

// Every code from 0 to 299 is encoded as the table says and decodes to
// itself (ESC alone opens a sequence and 0x7F is the DEL key, so those two
// are not their own round trip), after either introducer, by both readers;
// and every named key looks up both ways.
TEST_P(KeysThrough, EveryKeyEncodesDecodesAndIsNamed) {
    std::string input = "\033[11~\033[12~\033O13~\033[14~\033[15~"; // PF1-4 and HELP
    Keys expected = {272, 273, 274, 275, 294};
    for (int code = -1; code <= 300; ++code) {
        char buffer[8] = "#######";
        const int n = trm_translate_code(buffer, code);
        ASSERT_EQ(std::string(buffer, n + 1u), (code < 0 || code > 299 ? "" : sent(code)) + '\0');
        if (code < 0 || code > 299 || code == 27 || code == 127) continue;
        input += sent(code) + (code >= 256 && code != 278 ? "\033O" + sent(code).substr(2) : "");
        expected.insert(expected.end(), code >= 256 && code != 278 ? 2 : 1, code);
        const std::string name = code < 266 ? "-" : kNames[code - 266];
        const char *plain = trm_lookupkey(code);
        if (code < 256) continue;
        EXPECT_EQ(plain != nullptr ? plain : "-", name) << code;
        if (name == "-") continue;
        EXPECT_EQ(trm_lookupcode(name.c_str()), code) << name;
        EXPECT_EQ(trm_mlookupcode(name.c_str()), code) << name;
        EXPECT_EQ(trm_lookupkey(code + 512), "@" + name);
    }
    EXPECT_EQ(read(input, expected.size()), expected);
    EXPECT_EQ(read(input, expected.size(), trm_mkey), expected);
}

std::string report(const char *digits, const char *end = "\033\\") {
    return std::string("\033_:xyz") + digits + end;
}

// The plain reader swallows reports and sets the Alt flag from them, masked
// by nothing; a pending byte never carries the flag.  The modifier reader
// reports the changes within the mask as events.
TEST_P(KeysThrough, ReadersFollowTheModifierReports) {
    EXPECT_EQ(read(report("10") + "a\177\033[A" + report("20", "X") + "\033[Z" + report("2f") +
                       "b" + report("00") + "c",
                   8),
              (Keys{'a' + 512, 790, 266 + 512, 27 + 512, 91, 90, 'b' + 512, 'c'}));
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_init_mkey(9), 9); }),
              "\033[1;2;2;0;3;0;4;2+r\033[5;0;6;0;7;0;8;0+r");
    EXPECT_EQ(capture_stdout([] { EXPECT_EQ(trm_init_mkey(-1), 9); }), "");
    EXPECT_EQ(
        read(report("09") + "a" + report("01") + report("00") + "\177" + report("30"), 6, trm_mkey),
        (Keys{at(9, 0x800009), at(9, 'a'), at(1, 0x800008), at(0, 0x800001), 278, 0}));
    capture_stdout([] { trm_init_mkey(0xF6); });
    EXPECT_EQ(read(report("E0") + report("1f"), 2, trm_mkey),
              (Keys{at(0xE0, 0x8000E0), at(0x16, 0x8000F6)}));
    capture_stdout([] { trm_init_mkey(0); });
}

// A timeout other than -1 prints its message each time the reader goes to
// the input for a new key (so again after a swallowed report), not for
// pending bytes.  The first request for reports registers the routine that
// switches them off at exit, once.  Input at its end for good ends the
// program with a message and status -1, a sequence cut by the end being no key.
TEST(KeysDeathTest, TimeoutsExitAndTheEndOfInput) {
    const std::string message = "getkeyt: timout not implemented yet\n";
    Keys keys;
    {
        zrl_test::StdinFeed feed("\033[Z" + report("00") + "cd");
        EXPECT_EQ(capture_stdout([&] {
                      for (int i = 0; i < 4; ++i)
                          keys.push_back(trm_keyt(5));
                      keys.push_back(trm_mkeyr());
                  }),
                  message + message + message + message);
    }
    EXPECT_EQ(keys, (Keys{27, 91, 90, 'c', 'd'}));
    // A fixed name: the child on Windows runs this body anew.
    const auto path = std::filesystem::temp_directory_path() / "zrl_test_mkey_exit";
    EXPECT_EXIT(
        {
            if (std::freopen(path.string().c_str(), "wb", stdout) == nullptr) std::_Exit(100);
            trm_init_mkey(3);
            trm_init_mkey(5);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(zrl_test::file_content(path.string()),
              "\033[1;2;2;2;3;0;4;0+r\033[5;0;6;0;7;0;8;0+r"
              "\033[1;2;2;0;3;2;4;0+r\033[5;0;6;0;7;0;8;0+r"
              "\033[1;0;2;0;3;0;4;0+r\033[5;0;6;0;7;0;8;0+r");
    std::filesystem::remove(path);
    for (const char *input : {"ab", "\033[1"}) {
        zrl_test::StdinFeed feed(input);
        EXPECT_EXIT(
            {
                if (input[0] == 'a' && (trm_key() != 'a' || trm_key() != 'b')) std::_Exit(101);
                trm_key();
                std::_Exit(102);
            },
            ::testing::ExitedWithCode(zrl_test::kWindows ? -1 : 255),
            "^ERROR : end of input on stdin\n$");
    }
}

} // namespace
