// File specifications and switches from the current command line.
//
// A command line such as 'IN.DAT/LIST/WIDTH=132,OUT.LIS/NOLOG' is taken
// apart in place from the command cursor: fspec hands out one specification
// at a time and applies the switches written behind it, pspec applies
// switches that stand at the cursor.  Separators are overwritten with NULs,
// so every specification and value handed out is a piece of the command
// line itself.  Every read stops at the text's NUL: nothing is read or
// written outside the command line, whatever it holds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "filespec/command_line.h"
#include "frame/status.h"
#include "text/keywords.h"
#include <zrlshared.h>

namespace zrl {
namespace {

// The character that introduces a switch; set anew by every call.
char switch_character = '/';

constexpr int kStride = static_cast<int>(sizeof(ZRL_SWITCH));

bool opens_brackets(char c) {
    return c == '[' || c == '<';
}
bool closes_brackets(char c) {
    return c == ']' || c == '>';
}

// The bytes at which the scan of a specification has something to decide;
// runs of all other bytes are passed over whole.
constexpr std::array<bool, 256> kDecides = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {'\0', '/', ',', '"', '[', '<', ']', '>'})
        table[c] = true;
    return table;
}();

// The value behind '=' or ':', up to the first '/' or ',' outside
// parentheses (which nest) and brackets (which do not), or the end.  The
// terminator becomes a NUL and the cursor steps past it; the separator, or 0
// at the end of the text.
char extract_value() {
    int depth = 0;
    bool in_brackets = false;
    for (char *p = command_cursor;; ++p) {
        const char c = *p;
        if (c == '\0') {
            command_cursor = p;
            return '\0';
        }
        if (in_brackets) {
            if (closes_brackets(c)) in_brackets = false;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0) --depth;
        } else if (depth == 0 && opens_brackets(c)) {
            in_brackets = true;
        } else if (depth == 0 && (c == '/' || c == ',')) {
            *p = '\0';
            command_cursor = p + 1;
            return c;
        }
    }
}

// A value written in parentheses loses them: '(1,2)' gives '1,2'.
char *without_parentheses(char *value) {
    const std::size_t length = std::strlen(value);
    if (length >= 2 && value[0] == '(' && value[length - 1] == ')') {
        value[length - 1] = '\0';
        return value + 1;
    }
    return value;
}

// Applies the switches at the cursor, which stands just past a '/'.  Returns
// the character that ended them: ',' when the specification is complete, 0
// at the end of the text, '/' or another character otherwise.  A failure
// leaves its status in zrl_error.
char parse_switches(const ZRL_SWITCH *table) {
    char last_separator = '\0';
    for (;;) {
        bool negated = false;
        auto *entry = static_cast<const ZRL_SWITCH *>(
            find_keyword(keyword_view(command_cursor), table, kStride));
        if (entry == nullptr && (command_cursor[0] == 'N' || command_cursor[0] == 'n') &&
            (command_cursor[1] == 'O' || command_cursor[1] == 'o')) {
            command_cursor += 2;
            negated = true;
            entry = static_cast<const ZRL_SWITCH *>(
                find_keyword(keyword_view(command_cursor), table, kStride));
        }
        if (entry == nullptr) {
            set_status(kInvalid);
            return last_separator;
        }
        command_cursor = const_cast<char *>(skip_keyword(command_cursor));
        if (entry->flag != nullptr) *entry->flag = negated ? 0 : 1;

        char separator;
        if (*command_cursor == '=' || *command_cursor == ':') {
            ++command_cursor;
            char *const start = command_cursor;
            separator = extract_value();
            char *const value = without_parentheses(start);
            if (entry->dest == nullptr) {
                set_status(kInvalid);
                return separator;
            }
            if (entry->convert != nullptr)
                entry->convert(value, entry->dest);
            else
                *static_cast<char **>(entry->dest) = value;
        } else {
            separator = *command_cursor;
            if (separator == ',' || separator == '/') ++command_cursor;
        }
        last_separator = separator;
        if (zrl_error != kSuccess || separator != '/') return separator;
    }
}

// A failure: the status (22 unless a converter left its own) and the
// caller's message through errexit, which normally does not return.
void fail(const char *message) {
    if (zrl_error == kSuccess) set_status(kInvalid);
    errexit(message);
}

enum class State { kNormal, kBrackets, kQuotes };

char *next_specification(const ZRL_SWITCH *table, const char *message) {
    set_status(kSuccess);
    switch_character = '/';
    if (command_cursor == nullptr || *command_cursor == '\0') return nullptr;

    char *start = command_cursor;
    State state = State::kNormal;
    for (;;) {
        while (!kDecides[static_cast<unsigned char>(*command_cursor)])
            ++command_cursor;
        char *const here = command_cursor;
        const char c = *here;
        if (c == '\0') break;
        if (c == switch_character) {
            *here = '\0';
            ++command_cursor;
            if (table == nullptr) return fail(message), nullptr;
            const char separator = parse_switches(table);
            if (zrl_error != kSuccess) return fail(message), nullptr;
            if (separator == ',') break;
            continue;
        }
        ++command_cursor;
        if (state == State::kNormal) {
            if (c == ',') {
                *here = '\0';
                break;
            }
            if (c == '"') {
                state = State::kQuotes;
                if (here == start) start = command_cursor;
            } else if (opens_brackets(c)) {
                state = State::kBrackets;
            } else if (closes_brackets(c)) {
                return fail(message), nullptr;
            }
        } else if (state == State::kQuotes) {
            if (c == '"') {
                *here = '\0';
                state = State::kNormal;
            }
        } else if (c == '"' || opens_brackets(c)) {
            return fail(message), nullptr;
        } else if (closes_brackets(c)) {
            state = State::kNormal;
        }
    }
    if (state != State::kNormal) return fail(message), nullptr;
    return start;
}

void switches_at_cursor(const ZRL_SWITCH *table, const char *message) {
    set_status(kSuccess);
    switch_character = '/';
    if (command_cursor == nullptr || *command_cursor != switch_character) return;
    ++command_cursor;
    if (table == nullptr) return fail(message);
    parse_switches(table);
    if (zrl_error != kSuccess) fail(message);
}

} // namespace
} // namespace zrl

extern "C" {

ZRL_API char *fspec(const ZRL_SWITCH *table, const char *message) {
    return zrl::next_specification(table, message);
}

ZRL_API void pspec(const ZRL_SWITCH *table, const char *message) {
    zrl::switches_at_cursor(table, message);
}

} // extern "C"
