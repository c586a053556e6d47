// Keys and their names.  Key input through a file, a pipe and (POSIX) a raw
// pseudo-terminal: every key's sequence built from the key table, decoded and
// encoded; the replay of modifier reports; timeouts; the end of input and a
// missing terminal.  The names of every code, plain and under every modifier
// state, against a model of the name table, each looked up back to its code.
// The fuzzer fuzz/terminal/fuzz_keys.cpp checks the decoder against a model,
// with the replay of the sequences it does not know and the bound of its
// pending bytes.
#include <bit>
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

class KeysThrough : public ::testing::TestWithParam<zrl_test::Feed> {};
INSTANTIATE_TEST_SUITE_P(Feeds, KeysThrough, ::testing::ValuesIn(zrl_test::feeds()),
                         [](const auto &info) { return zrl_test::feed_name(info.param); });

int at(int state, int low) {
    return static_cast<int>(static_cast<unsigned>(state) << 24 | static_cast<unsigned>(low));
}

// Feeds `input` the test's way and reads `n` keys with `reader`.
Keys read(const std::string &input, std::size_t n, int (*reader)() = trm_key) {
    zrl_test::StdinFeed in(input, KeysThrough::GetParam());
    Keys keys;
    while (keys.size() < n)
        keys.push_back(reader());
    return keys;
}

void set_mask(int mask) {
    capture_stdout([&] { trm_init_mkey(mask); });
}

// The key table: the final byte of 256 to 277, the VT220 number of 279 to
// 299, and the names of 266 to 299 ("" for none).
const char kFinals[] = "pqrstuvwxyABDCMnPQRSml";
const int kNumbers[] = {1,  2,  3,  4,  5,  6,  17, 18, 19, 20, 21,
                        23, 24, 25, 26, 28, 29, 31, 32, 33, 34};
const char *const kNames[] = {"UP",  "DOWN", "LEFT", "RITE", "",     "",     "PF1", "PF2", "PF3",
                              "PF4", "",     "",     "RUB",  "FIND", "INSH", "REM", "SEL", "PRV",
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
// are not their own round trip), after either introducer, by both readers.
TEST_P(KeysThrough, EveryKeyEncodesAndDecodes) {
    std::string input = "\033[11~\033[12~\033O13~\033[14~\033[15~"; // PF1-4 and HELP
    Keys expected = {272, 273, 274, 275, 294};
    for (int code = -1; code <= 300; ++code) {
        char buffer[8] = "#######";
        const int n = trm_translate_code(buffer, code);
        ASSERT_EQ(std::string(buffer, n + 1u), (code < 0 || code > 299 ? "" : sent(code)) + '\0');
        if (code < 0 || code > 299 || code == 27 || code == 127) continue;
        input += sent(code) + (code >= 256 && code != 278 ? "\033O" + sent(code).substr(2) : "");
        expected.insert(expected.end(), code >= 256 && code != 278 ? 2 : 1, code);
    }
    EXPECT_EQ(read(input, expected.size()), expected);
    EXPECT_EQ(read(input, expected.size(), trm_mkey), expected);
}

std::string report(const char *digits, const char *end = "\033\\") {
    return std::string("\033_:xyz") + digits + end;
}

// The plain reader swallows reports and sets the Alt flag from them, masked
// by nothing; a pending byte never carries the flag.  The modifier reader
// reports the changes within the mask as events (the fuzzer follows them on
// random reports; here only the mask is asked for).  A timeout other than -1
// prints its message each time a reader goes to the input for a new key, not
// for pending bytes.
TEST_P(KeysThrough, ReadersFollowTheModifierReportsAndTimeouts) {
    EXPECT_EQ(read(report("10") + "a\177\033[A" + report("20", "X") + "\033[Z" + report("f0") +
                       "b" + report("00") + "c",
                   8),
              (Keys{'a' + 512, 790, 266 + 512, 27 + 512, 91, 90, 'b' + 512, 'c'}));
    EXPECT_EQ(capture_stdout([&] {
                  EXPECT_EQ(read("\033[Z", 3, [] { return trm_keyt(5); }), (Keys{27, 91, 90}));
                  EXPECT_EQ(read("d", 1, trm_mkeyr), Keys{'d'});
              }),
              "getkeyt: timout not implemented yet\ngetkeyt: timout not implemented yet\n");
    set_mask(9);
    EXPECT_EQ(trm_init_mkey(-1), 9); // asks for the mask without a request
    set_mask(0);
}

// Attaching tests standard input and output only when detached, and without
// a terminal ends the program with a message and status -1; detaching sends
// nothing.  Input at its end for good ends the program the same way; on the
// way out the routine that the first request for reports registered, once,
// switches them off.
TEST(TerminalDeathTest, NoTerminalOrTheEndOfInputEndsTheProgram) {
    _zrl_attach = 1;
    trm_attach(); // standard input need not be a terminal: nothing is tested
    EXPECT_EQ(capture_stdout(trm_detach), "");
    EXPECT_EQ(_zrl_attach, 0);
    EXPECT_EQ(trm_flush(), 0);
    zrl_test::StdinFeed feed("");
    EXPECT_EXIT(trm_attach(), ::testing::ExitedWithCode(zrl_test::kWindows ? -1 : 255),
                "^ERROR : stdin or stdout not a tty\n$");
    // A fixed name: the child on Windows runs this body anew.
    const auto path = std::filesystem::temp_directory_path() / "zrl_test_mkey_exit";
    EXPECT_EXIT(
        {
            if (std::freopen(path.string().c_str(), "wb", stdout) == nullptr) std::_Exit(100);
            trm_init_mkey(3);
            trm_init_mkey(5);
            trm_key();
        },
        ::testing::ExitedWithCode(zrl_test::kWindows ? -1 : 255),
        "^ERROR : end of input on stdin\n$");
    EXPECT_EQ(zrl_test::file_content(path.string()),
              "\033[1;2;2;2;3;0;4;0+r\033[5;0;6;0;7;0;8;0+r"
              "\033[1;2;2;0;3;2;4;0+r\033[5;0;6;0;7;0;8;0+r"
              "\033[1;0;2;0;3;0;4;0+r\033[5;0;6;0;7;0;8;0+r");
    std::filesystem::remove(path);
}

std::string shown(const char *name) {
    return name != nullptr ? "'" + std::string(name) + "'" : "-";
}

// The name table's entry for a base code without its "@": "" for none, and
// for code 0, whose name is the empty one.
std::string entry(int base) {
    if (base == 9 || base == 13) return base == 9 ? "TAB" : "RET";
    if ((base >= 1 && base <= 26) || (base >= 129 && base <= 154))
        return {'^', static_cast<char>('@' + base % 128)};
    if ((base >= 32 && base <= 126) || (base >= 161 && base <= 254))
        return {static_cast<char>(base)};
    return base >= 266 && base < 300 ? kNames[base - 266] : "";
}

// What trm_mlookupkey gives for a code, as `shown`: the prefixes of the
// state, then the name of the base code or of the modifier event.
std::string modifier_name(int code) {
    const unsigned state = static_cast<unsigned>(code) >> 24, low = code & 0x7FFFFF;
    std::string name =
        std::string(state & 48 ? "@" : "") + (state & 8 ? "^" : "") + (state & 7 ? "~" : "");
    if ((code & 0x800000) != 0) {
        const char *const kinds[] = {"SHIFT", "SHIFT", "SHIFTLOCK", "CTRL",
                                     "ALT",   "ALT",   "COMPOSE",   "COMPOSE"};
        name +=
            std::has_single_bit(low) && low < 256 ? kinds[std::countr_zero(low)] : "UNKNOWNMODIF";
        return "'" + name + ((state & low) != 0 ? "DOWN" : "UP") + "'";
    }
    const std::string base = entry(code & 0x1FF);
    return (code & 0x1FF) != 0 && base.empty() ? "-" : "'" + name + base + "'";
}

// What trm_mlookupcode gives for the name of a code while the terminal
// reports every modifier: the first key of each kind of prefix, the first
// key of a pair, the ^ names of 129 to 154 as 1 to 26; a control character's
// ^ without Shift or Ctrl down is read as the Ctrl key.
int code_of_name(int code) {
    const int state = (code >> 24) & 0xFF, low = code & 0x7FFFFF;
    const int first = (state & 48 ? 16 : 0) | (state & 8) | (state & 7 ? 1 : 0);
    if ((code & 0x800000) != 0)
        return std::has_single_bit(static_cast<unsigned>(low)) && low < 256
                   ? at(first, 0x800000 | (low & 0x5D ? low : low / 2))
                   : -1;
    const int base = low & 0x1FF;
    const std::string name = entry(base);
    if (name.size() == 2 && name[0] == '^' && (state & 15) == 0) return at(first | 8, name[1]);
    return at(first, base >= 129 && base <= 154 ? base - 128 : base);
}

// Every code's names as the model gives them, plain for the codes with and
// without the Alt flag, modifier-aware under every state for every base code
// and modifier event; every name leads back to its code.  First, a name that
// no code has.
TEST(KeyNames, EveryCodeHasItsNamesAndEveryNameItsCode) {
    set_mask(0); // a terminal that does not report Ctrl: ^A is the control character
    EXPECT_EQ(trm_mlookupcode("pf1"), -1);
    // The plain name: with the Alt flag the name under Alt, else the name
    // alone when it has two characters or more; code 0's empty name has only
    // the Alt form.  A plain name without "@" is the modifier-aware one.
    for (int code = 0; code < 1024; ++code) {
        const int base = code & 0x1FF, alt = code & 0x200;
        std::string plain = modifier_name(alt != 0 ? at(16, base) : base);
        if (base == 0 || (alt == 0 && plain.size() < 4)) plain = code == 512 ? "''" : "-";
        const char *name = trm_lookupkey(code);
        ASSERT_EQ(shown(name), plain) << code;
        if (name == nullptr || name[0] == '\0') continue;
        EXPECT_EQ(trm_lookupcode(name), alt != 0 ? 0 : trm_mlookupcode(name)) << name;
    }
    const int changed[] = {0, 1, 2, 4, 8, 16, 32, 64, 128, 3, 0x7FFFFF};
    set_mask(0xFF);
    for (int state = 0; state < 256; ++state)
        for (int low = 0; low < 1024 + 11; ++low) {
            const int code = at(state, low < 1024 ? low : 0x800000 | changed[low - 1024]);
            const char *name = trm_mlookupkey(code);
            ASSERT_EQ(shown(name), modifier_name(code)) << std::hex << code;
            if (name == nullptr || (code & 0x8001FF) == 0) continue;
            EXPECT_EQ(trm_mlookupcode(name), code_of_name(code)) << name;
        }
    set_mask(0);
}

} // namespace
