// Key names: the plain and modifier-aware lookups in both directions.
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

#include "support/console.h"

namespace {

int at(int state, int low) {
    return static_cast<int>(static_cast<unsigned>(state) << 24 | static_cast<unsigned>(low));
}

std::string shown(const char *name) {
    return name != nullptr ? "'" + std::string(name) + "'" : "-";
}

void set_mask(int mask) {
    zrl_test::capture_stdout([&] { trm_init_mkey(mask); });
}

// What the round trip below cannot tell: which codes have no name, the Alt
// form, UP and DOWN, the modifier names and the order of the prefixes.
TEST(KeyNames, CodesGiveTheirNamesAndNamesTheirCodes) {
    const std::tuple<int, const char *, const char *> codes[] = {
        {9 + 512, "@TAB", "TAB"},
        {97, nullptr, "a"},
        {97 + 512, "@a", "a"},
        {0, nullptr, ""},
        {512, "", ""},
        {27 + 512, nullptr, nullptr},
        {300, nullptr, nullptr},
        {-1, nullptr, "@^~UNKNOWNMODIFDOWN"},
        {at(0x08, 266), "UP", "^UP"},
        {at(0x01, 0x800001), "^A", "~SHIFTDOWN"},
        {at(0x00, 0x800002), "^B", "SHIFTUP"},
        {at(0x04, 0x800004), "^D", "~SHIFTLOCKDOWN"},
        {at(0x10, 0x800020), nullptr, "@ALTUP"},
        {at(0x80, 0x800080), nullptr, "COMPOSEDOWN"},
        {at(0, 0x800000), nullptr, "UNKNOWNMODIFUP"}};
    for (const auto &[code, plain, modifier_aware] : codes) {
        EXPECT_EQ(shown(trm_lookupkey(code)), shown(plain)) << std::hex << code;
        EXPECT_EQ(shown(trm_mlookupkey(code)), shown(modifier_aware)) << std::hex << code;
    }
    const std::tuple<const char *, int, int> names[] = {{"pf1", 0, -1},
                                                        {nullptr, 0, -1},
                                                        {"PF1 ", 0, -1},
                                                        {"a", 0, 'a'},
                                                        {"RITE", 269, 269},
                                                        {"^I", 9, 9},
                                                        {"@PF1", 0, at(0x10, 272)},
                                                        {"^~@UP", 0, -1},
                                                        {"@", 0, '@'},
                                                        {"~", 0, '~'},
                                                        {"~~", 0, at(0x01, '~')},
                                                        {"^A", 1, 1},
                                                        {"@^a", 0, at(0x10, 1)},
                                                        {"SHIFTUP", 0, 0x800001},
                                                        {"\303\251", 0, -1}};
    set_mask(0);
    for (const auto &[name, plain, modifier_aware] : names) {
        EXPECT_EQ(trm_lookupcode(name), plain) << shown(name);
        EXPECT_EQ(trm_mlookupcode(name), modifier_aware) << shown(name);
    }
    set_mask(8); // a terminal that reports Ctrl keeps it as a modifier
    EXPECT_EQ(trm_mlookupcode("^A"), at(0x08, 'A'));
    set_mask(0);
}

// Every name leads back to its code: the plain name of every code with one,
// and the modifier-aware name of every code and modifier event under every
// modifier state, up to the key of each kind that the name stands for (the
// first of a pair; the ^ names of 129 to 154 as 1 to 26).  While the terminal
// reports Ctrl, a control character's ^ without Shift or Ctrl down is read as
// the Ctrl key: ^A is Ctrl with A.
TEST(KeyNames, EveryNameLooksUpItsCode) {
    auto unshifted = [](int base) { return base >= 129 && base <= 154 ? base - 128 : base; };
    for (int code = 0; code < 1024; ++code) {
        const char *name = trm_lookupkey(code);
        if (name == nullptr || name[0] == '\0') continue;
        const int base = unshifted(code & 0x1FF);
        EXPECT_EQ(name[0] == '@' ? 0 : trm_lookupcode(name), name[0] == '@' ? 0 : base) << name;
        EXPECT_EQ(trm_mlookupcode(name), name[0] == '@' ? at(0x10, base) : base) << name;
    }
    set_mask(0xFF);
    int checked = 0;
    for (int state = 0; state < 256; ++state) {
        const int first = ((state & 0x30) != 0 ? 16 : 0) | (state & 8) | ((state & 7) != 0 ? 1 : 0);
        for (int base = 1; base < 512; ++base) {
            if (trm_mlookupkey(base) == nullptr) continue;
            const std::string plain = trm_mlookupkey(base), name = trm_mlookupkey(at(state, base));
            const bool ctrl = plain.size() == 2 && plain[0] == '^' && (state & 15) == 0;
            EXPECT_EQ(trm_mlookupcode(name.c_str()),
                      ctrl ? at(first | 8, plain[1]) : at(first, unshifted(base)))
                << name;
            ++checked;
        }
        for (int changed = 1; changed < 256; changed *= 2) {
            const std::string name = shown(trm_mlookupkey(at(state, 0x800000 | changed)));
            const int key = changed & 0x5D ? changed : changed / 2;
            EXPECT_EQ(trm_mlookupcode(name.substr(1, name.size() - 2).c_str()),
                      at(first, 0x800000 | key))
                << name;
        }
    }
    EXPECT_EQ(checked, 256 * (26 + 95 + 26 + 94 + 30));
    set_mask(0);
}

} // namespace
