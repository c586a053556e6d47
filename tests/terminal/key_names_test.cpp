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
    return name != nullptr ? "\"" + std::string(name) + "\"" : "null";
}

void set_mask(int mask) {
    zrl_test::capture_stdout([&] { trm_init_mkey(mask); });
}

// The names the round trip below cannot tell: which codes have none, the
// Alt form, UP and DOWN, the modifier names and the order of the prefixes.
TEST(KeyNames, CodesGiveTheirNamesAndNamesTheirCodes) {
    const struct {
        int code;
        const char *plain, *modifier_aware;
    } codes[] = {
        {9 + 512, "@TAB", "TAB"},  {97, nullptr, "a"},          {97 + 512, "@a", "a"},
        {0, nullptr, ""},          {512, "", ""},               {27 + 512, nullptr, nullptr},
        {300, nullptr, nullptr},   {-1, nullptr, "@^~UNKNOWNMODIFDOWN"},
        {at(0x08, 266), "UP", "^UP"},
        {at(0x01, 0x800001), "^A", "~SHIFTDOWN"},
        {at(0x00, 0x800001), "^A", "SHIFTUP"},
        {at(0x04, 0x800004), "^D", "~SHIFTLOCKDOWN"},
        {at(0x10, 0x800020), nullptr, "@ALTUP"},
        {at(0x40, 0x800040), nullptr, "COMPOSEDOWN"},
        {at(0x00, 0x800000), nullptr, "UNKNOWNMODIFUP"},
    };
    for (const auto &c : codes) {
        EXPECT_EQ(shown(trm_lookupkey(c.code)), shown(c.plain)) << std::hex << c.code;
        EXPECT_EQ(shown(trm_mlookupkey(c.code)), shown(c.modifier_aware)) << std::hex << c.code;
    }
    const struct {
        const char *name;
        int plain, modifier_aware;
    } names[] = {
        {"pf1", 0, -1},      {nullptr, 0, -1},          {"PF1 ", 0, -1},       {"a", 0, 'a'},
        {"RITE", 269, 269},  {"^I", 9, 9},              {"@PF1", 0, at(0x10, 272)},
        {"^~@UP", 0, -1},    {"@", 0, '@'},             {"~", 0, '~'},
        {"~~", 0, at(0x01, '~')}, {"^A", 1, 1},         {"@^a", 0, at(0x10, 1)},
        {"SHIFTUP", 0, 0x800001}, {"\303\251", 0, -1},
    };
    set_mask(0);
    for (const auto &c : names) {
        EXPECT_EQ(trm_lookupcode(c.name), c.plain) << shown(c.name);
        EXPECT_EQ(trm_mlookupcode(c.name), c.modifier_aware) << shown(c.name);
    }
    // A terminal that reports Ctrl keeps it as a modifier.
    set_mask(8);
    EXPECT_EQ(trm_mlookupcode("^A"), at(0x08, 'A'));
    set_mask(0);
}

// The modifier-aware prefixes name the first key of each kind.
int first_keys(int state) {
    return ((state & 0x30) != 0 ? 16 : 0) | (state & 8) | ((state & 7) != 0 ? 1 : 0);
}

// Every name in the table leads back to its code: the plain name of every
// code with one, and the modifier-aware name of every code and modifier
// event under every modifier state, up to the key of each kind that the name
// stands for (the second Shift key is named as the first, the ^ names of 129
// to 154 as 1 to 26).  While the terminal reports Ctrl, the ^ of a control
// character's name that comes first or after @ alone is read as the Ctrl
// key: ^A is Ctrl with A.
TEST(KeyNames, EveryNameLooksUpItsCode) {
    for (int code = 0; code < 1024; ++code) {
        const char *name = trm_lookupkey(code);
        if (name == nullptr || name[0] == '\0') continue;
        const bool alt = name[0] == '@';
        const int base = code & 0x1FF;
        const int expected = base >= 129 && base <= 154 ? base - 128 : base;
        if (!alt) {
            EXPECT_EQ(trm_lookupcode(name), expected) << name;
        }
        EXPECT_EQ(trm_mlookupcode(name), alt ? at(0x10, expected) : expected) << name;
    }
    set_mask(0xFF);
    int checked = 0;
    for (int state = 0; state < 256; ++state) {
        for (int base = 1; base < 512; ++base) {
            const char *plain_name = trm_mlookupkey(base);
            if (plain_name == nullptr) continue;
            const std::string plain = plain_name;
            const std::string name = trm_mlookupkey(at(state, base));
            int expected = at(first_keys(state), base >= 129 && base <= 154 ? base - 128 : base);
            if (plain.size() == 2 && plain[0] == '^' && (state & 15) == 0)
                expected = at(first_keys(state) | 8, plain[1]);
            EXPECT_EQ(trm_mlookupcode(name.c_str()), expected) << name;
            ++checked;
        }
        for (int changed : {1, 2, 4, 8, 16, 32, 64, 128}) {
            const char *name = trm_mlookupkey(at(state, 0x800000 | changed));
            ASSERT_NE(name, nullptr);
            // The second key of a pair is named as the first.
            const int first =
                changed == 2 || changed == 32 || changed == 128 ? changed / 2 : changed;
            EXPECT_EQ(trm_mlookupcode(name), at(first_keys(state), 0x800000 | first)) << name;
        }
    }
    EXPECT_EQ(checked, 256 * (26 + 95 + 26 + 94 + 30));
    set_mask(0);
}

} // namespace
