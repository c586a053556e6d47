// Key names in both directions, plain ("PF1", "@TAB") and modifier-aware
// ("~SHIFTDOWN", "^UP"), and the bytes a terminal sends for a key code.
#include <array>
#include <cstring>
#include <string_view>

#include <zrlshared.h>

#include "terminal/key_decoder.h"
#include "terminal/key_tables.h"
#include "text/bounded_text.h"

namespace zrl {
namespace {

using std::string_view;

// One entry of the key name table: "@" and the name (the name of the key
// pressed with Alt), or nothing for a code without a name.  Code 0 has the
// empty name, which has no "@" form: its entry is the empty text.
struct KeyName {
    bool named;
    char text[7];
    const char *plain() const { return text[0] == '@' ? text + 1 : text; }
};

constexpr void set_name(std::array<KeyName, 512> &table, int code, string_view name) {
    KeyName &entry = table[static_cast<std::size_t>(code)];
    entry.named = true;
    entry.text[0] = '@';
    for (std::size_t i = 0; i < name.size(); ++i)
        entry.text[i + 1] = name[i];
}

struct NamedKey {
    const char *name;
    int code;
};

// The names that trm_lookupcode knows, in the order they are tried.
constexpr std::array<NamedKey, 58> kNamedKeys = {{
    {"TAB", 9},    {"RET", 13},  {"UP", 266},   {"DOWN", 267}, {"RITE", 269}, {"LEFT", 268},
    {"PF1", 272},  {"PF2", 273}, {"PF3", 274},  {"PF4", 275},  {"RUB", 278},  {"FIND", 279},
    {"INSH", 280}, {"REM", 281}, {"SEL", 282},  {"PRV", 283},  {"NXT", 284},  {"F6", 285},
    {"F7", 286},   {"F8", 287},  {"F9", 288},   {"F10", 289},  {"F11", 290},  {"F12", 291},
    {"F13", 292},  {"F14", 293}, {"HELP", 294}, {"DO", 295},   {"F17", 296},  {"F18", 297},
    {"F19", 298},  {"F20", 299}, {"^A", 1},     {"^B", 2},     {"^C", 3},     {"^D", 4},
    {"^E", 5},     {"^F", 6},    {"^G", 7},     {"^H", 8},     {"^I", 9},     {"^J", 10},
    {"^K", 11},    {"^L", 12},   {"^M", 13},    {"^N", 14},    {"^O", 15},    {"^P", 16},
    {"^Q", 17},    {"^R", 18},   {"^S", 19},    {"^T", 20},    {"^U", 21},    {"^V", 22},
    {"^W", 23},    {"^X", 24},   {"^Y", 25},    {"^Z", 26},
}};
static_assert(kNamedKeys.back().code == 26);

// The modifier events that trm_mlookupcode knows; UP and DOWN give one code.
constexpr std::array<NamedKey, 10> kModifierEvents = {{
    {"SHIFTUP", 1},
    {"SHIFTDOWN", 1},
    {"SHIFTLOCKDOWN", 4},
    {"SHIFTLOCKUP", 4},
    {"CTRLUP", 8},
    {"CTRLDOWN", 8},
    {"COMPOSEUP", 64},
    {"COMPOSEDOWN", 64},
    {"ALTUP", 16},
    {"ALTDOWN", 16},
}};

constexpr std::array<KeyName, 512> make_key_names() {
    std::array<KeyName, 512> table{};
    table[0].named = true;
    for (int c = 1; c <= 26; ++c) {
        const char letter[] = {'^', static_cast<char>('A' + c - 1)};
        set_name(table, c, string_view(letter, 2));
        set_name(table, c + 128, string_view(letter, 2));
    }
    set_name(table, 9, "TAB");
    set_name(table, 13, "RET");
    for (int c = 32; c <= 126; ++c) {
        const char one = static_cast<char>(c);
        set_name(table, c, string_view(&one, 1));
    }
    for (int c = 161; c <= 254; ++c) {
        const char one = static_cast<char>(c);
        set_name(table, c, string_view(&one, 1));
    }
    // Every named key above 255 is in the named-key list.
    for (const NamedKey &key : kNamedKeys)
        if (key.code > 255) set_name(table, key.code, key.name);
    return table;
}

constexpr std::array<KeyName, 512> kKeyNames = make_key_names();

const KeyName &key_name(unsigned code) {
    return kKeyNames[code & 0x1FF];
}

const char *plain_name(int code) {
    const KeyName &entry = key_name(static_cast<unsigned>(code));
    if (!entry.named) return nullptr;
    if ((code & keys::kAltFlag) != 0) return entry.text;
    return std::strlen(entry.plain()) >= 2 ? entry.plain() : nullptr;
}

const char *modifier_event_name(int changed) {
    switch (changed) {
    case 1:
    case 2:
        return "SHIFT";
    case 4:
        return "SHIFTLOCK";
    case 8:
        return "CTRL";
    case 16:
    case 32:
        return "ALT";
    case 64:
    case 128:
        return "COMPOSE";
    default:
        return "UNKNOWNMODIF";
    }
}

char name_buffer[32];

// Character by character: the names are a few characters long.
void put_text(BoundedText &out, const char *text) {
    for (; *text != '\0'; ++text)
        out.put(*text);
}

const char *modifier_aware_name(int code) {
    const unsigned u = static_cast<unsigned>(code);
    const unsigned state = u >> 24;
    const unsigned base = u & 0x7FFFFF;
    BoundedText name(name_buffer, sizeof name_buffer - 1);
    if ((state & keys::kAltBits) != 0) name.put('@');
    if ((state & keys::kCtrlBit) != 0) name.put('^');
    if ((state & keys::kShiftBits) != 0) name.put('~');
    if ((u & keys::kModifierEvent) != 0) {
        put_text(name, modifier_event_name(static_cast<int>(base)));
        put_text(name, (state & base) != 0 ? "DOWN" : "UP");
    } else {
        const KeyName &entry = key_name(base);
        if (!entry.named) return nullptr;
        put_text(name, entry.plain());
    }
    name.finish();
    return name_buffer;
}

int find(const NamedKey *first, const NamedKey *last, const char *name) {
    for (; first != last; ++first)
        if (std::strcmp(first->name, name) == 0) return first->code;
    return 0;
}

int plain_code(const char *name) {
    if (name == nullptr) return 0;
    return find(kNamedKeys.begin(), kNamedKeys.end(), name);
}

int shifted(int flags) {
    return static_cast<int>(static_cast<unsigned>(flags) << 24);
}

// The empty name, and a name that is prefixes only, is no key: -1.
int modifier_aware_code(const char *name) {
    if (name == nullptr) return -1;
    int flags = 0;
    const struct {
        char prefix;
        int bit;
    } prefixes[] = {{'@', 16}, {'^', keys::kCtrlBit}, {'~', 1}};
    for (const auto &p : prefixes) {
        if (name[0] == p.prefix && name[1] != '\0') {
            flags |= p.bit;
            ++name;
        }
    }
    if (name[0] == '\0') return -1;
    if (name[1] != '\0') {
        if (const int code = find(kNamedKeys.begin(), kNamedKeys.end(), name); code != 0)
            return code | shifted(flags);
        if (const int bit = find(kModifierEvents.begin(), kModifierEvents.end(), name); bit != 0)
            return bit | keys::kModifierEvent | shifted(flags);
        return -1;
    }
    const int ch = static_cast<unsigned char>(name[0]);
    if ((flags & keys::kCtrlBit) != 0 && (key_input().mask & keys::kCtrlBit) == 0)
        return (ch & 0x1F) | shifted(flags & ~keys::kCtrlBit);
    return ch | shifted(flags);
}

// Codes without a sequence of their own (above 299, Alt-flagged ones
// included) give the empty text.
int translate(char *buffer, int code) {
    if (buffer == nullptr) return 0;
    BoundedText out(buffer, 5);
    if (code >= 0 && code < keys::kFirstKey) {
        out.put(static_cast<char>(code));
    } else if (code == keys::kDelete) {
        out.put(static_cast<char>(keys::kDel));
    } else if (code >= keys::kFirstKey && code < keys::kDelete) {
        out.put(static_cast<char>(keys::kEsc));
        out.put('[');
        out.put(keys::kFinals[static_cast<std::size_t>(code - keys::kFirstKey)]);
    } else if (code > keys::kDelete && code <= keys::kLastKey) {
        const int number = keys::kVt220Numbers[static_cast<std::size_t>(code - keys::kDelete - 1)];
        out.put(static_cast<char>(keys::kEsc));
        out.put('[');
        if (number >= 10) out.put(static_cast<char>('0' + number / 10));
        out.put(static_cast<char>('0' + number % 10));
        out.put('~');
    }
    return static_cast<int>(out.finish());
}

} // namespace
} // namespace zrl

extern "C" ZRL_API const char *trm_lookupkey(int code) {
    return zrl::plain_name(code);
}
extern "C" ZRL_API const char *trm_mlookupkey(int code) {
    return zrl::modifier_aware_name(code);
}
extern "C" ZRL_API int trm_lookupcode(const char *name) {
    return zrl::plain_code(name);
}
extern "C" ZRL_API int trm_mlookupcode(const char *name) {
    return zrl::modifier_aware_code(name);
}
extern "C" ZRL_API int trm_translate_code(char *buffer, int code) {
    return zrl::translate(buffer, code);
}
