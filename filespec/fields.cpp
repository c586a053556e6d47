// The field scanner and field lists.  Each rule below reads only the text
// behind the previous field, so a whole specification is split by one pass of
// six short scans.
#include "filespec/fields.h"

#include <cstdint>

#include "text/keywords.h"

namespace zrl {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Specifications are short: plain loops over the characters beat the library's
// set searches, which look each character up in the set with a call.
template <class Match> std::size_t first_of(std::string_view t, std::size_t from, Match match) {
    for (std::size_t i = from; i < t.size(); ++i)
        if (match(t[i])) return i;
    return kNone;
}

template <class Match> std::size_t last_of(std::string_view t, Match match) {
    for (std::size_t i = t.size(); i-- > 0;)
        if (match(t[i])) return i;
    return kNone;
}

constexpr auto is = [](char wanted) { return [wanted](char c) { return c == wanted; }; };
constexpr auto is_slash_or_backslash = [](char c) { return c == '/' || c == '\\'; };
constexpr auto is_closing_bracket = [](char c) { return c == ']' || c == '>'; };

// Through the first or the last matching character, or 0 when there is none.
template <class Match> std::size_t through_first(std::string_view t, Match match) {
    const std::size_t at = first_of(t, 0, match);
    return at == kNone ? 0 : at + 1;
}

template <class Match> std::size_t through_last(std::string_view t, Match match) {
    const std::size_t at = last_of(t, match);
    return at == kNone ? 0 : at + 1;
}

// Up to (not including) the last dot, or all of the text without one.
std::size_t up_to_last_dot(std::string_view t) {
    const std::size_t at = last_of(t, is('.'));
    return at == kNone ? t.size() : at;
}

bool starts_with(std::string_view t, char c) {
    return !t.empty() && t.front() == c;
}

// A device that a leading separator starts runs through the next separator,
// or over all of the text.  Otherwise the device runs through the first colon,
// unless a separator comes first.
template <class Separator, class Leading>
std::size_t separator_device(std::string_view t, Separator separator, Leading leading) {
    if (t.empty()) return 0;
    if (leading(t.front())) {
        const std::size_t next = first_of(t, 1, separator);
        return next == kNone ? t.size() : next + 1;
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == ':') return i + 1;
        if (separator(t[i])) return 0;
    }
    return 0;
}

// A logical name through its colon: two or more characters before the first
// colon and no separator among them.  Anything else starts a directory or a
// name, as the file system reads it.
std::size_t logical_device(std::string_view t) {
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == ':') return i >= 2 ? i + 1 : 0;
        if (is_slash_or_backslash(t[i])) return 0;
    }
    return 0;
}

// '[dir]' or '<dir>': through the first closing bracket; a dot just before
// it carries the directory on through the next closing bracket.  An
// unclosed group is not part of the directory.
std::size_t bracket_directory(std::string_view t) {
    if (!starts_with(t, '[') && !starts_with(t, '<')) return 0;
    std::size_t complete = 0;
    std::size_t from = 1;
    for (;;) {
        const std::size_t close = first_of(t, from, is_closing_bracket);
        if (close == kNone) return complete;
        complete = close + 1;
        if (t[close - 1] != '.') return complete;
        from = complete;
    }
}

std::size_t node(std::string_view t, Syntax syntax) {
    if (syntax != Syntax::kBracket) return 0;
    const std::size_t colon = first_of(t, 0, is(':'));
    return colon != kNone && colon + 1 < t.size() && t[colon + 1] == ':' ? colon + 2 : 0;
}

std::size_t device(std::string_view t, Syntax syntax) {
    switch (syntax) {
    case Syntax::kBackslash:
        return separator_device(t, is_slash_or_backslash, is_slash_or_backslash);
    case Syntax::kPosix:
        return logical_device(t);
    case Syntax::kSlash:
        return separator_device(t, is('/'), is('/'));
    case Syntax::kGeneric:
    case Syntax::kBracket:
        return through_first(t, is(':'));
    case Syntax::kColon:
        return starts_with(t, ':') ? 0 : through_first(t, is(':'));
    }
    return 0;
}

std::size_t directory(std::string_view t, Syntax syntax) {
    switch (syntax) {
    case Syntax::kBackslash:
        return through_last(t, is('\\'));
    case Syntax::kPosix:
        return through_last(t, is_slash_or_backslash);
    case Syntax::kSlash:
        return through_last(t, is('/'));
    case Syntax::kColon:
        return through_last(t, is(':'));
    case Syntax::kBracket:
        return bracket_directory(t);
    case Syntax::kGeneric:
        return 0;
    }
    return 0;
}

std::size_t name(std::string_view t, Syntax syntax) {
    if (syntax == Syntax::kBracket) {
        const std::size_t end = first_of(t, 0, [](char c) { return c == ';' || c == '.'; });
        return end == kNone ? t.size() : end;
    }
    return up_to_last_dot(t);
}

std::size_t type(std::string_view t, Syntax syntax) {
    if (!starts_with(t, '.')) return 0;
    if (syntax == Syntax::kBracket) {
        const std::size_t end = first_of(t, 0, is(';'));
        return end == kNone ? t.size() : end;
    }
    return t.size();
}

std::size_t version(std::string_view t, Syntax syntax) {
    return syntax == Syntax::kBracket && starts_with(t, ';') ? t.size() : 0;
}

bool known(Syntax syntax) {
    const int s = static_cast<int>(syntax);
    return s >= static_cast<int>(Syntax::kBackslash) && s <= static_cast<int>(Syntax::kPosix);
}

// Field and mode keyword tables: a keyword and its value as a 32-bit integer.
struct KeywordBit {
    const char *keyword;
    std::int32_t bit;
};

constexpr KeywordBit kFieldKeywords[] = {
    {"NOD*E", 1},  {"DEV*ICE", 2},   {"DIR*ECTORY", 4}, {"NAM*E", 8},
    {"TYP*E", 16}, {"VER*SION", 32}, {nullptr, 0},
};

constexpr std::int32_t kCanonicalMode = 256;
constexpr KeywordBit kModeKeywords[] = {{"CAN*ONICAL", kCanonicalMode}, {nullptr, 0}};

} // namespace

std::size_t field_extent(std::string_view rest, int field, Syntax syntax) {
    if (!known(syntax)) return 0;
    switch (field) {
    case kNode:
        return node(rest, syntax);
    case kDevice:
        return device(rest, syntax);
    case kDirectory:
        return directory(rest, syntax);
    case kName:
        return name(rest, syntax);
    case kType:
        return type(rest, syntax);
    case kVersion:
        return version(rest, syntax);
    default:
        return 0;
    }
}

Fields split_fields(std::string_view text, Syntax syntax) {
    Fields fields;
    for (int f = 0; f < kFieldCount; ++f) {
        const std::size_t n = field_extent(text, f, syntax);
        fields[static_cast<std::size_t>(f)] = text.substr(0, n);
        text.remove_prefix(n);
    }
    return fields;
}

unsigned field_mask(const char *list) {
    if (list == nullptr || *list == '\0') return kAllFields;
    unsigned mask = 0;
    for (const char *at = list; *at != '\0'; at = skip_keyword(at))
        if (const KeywordBit *hit = find_keyword(at, kFieldKeywords))
            mask |= static_cast<unsigned>(hit->bit);
    return mask;
}

bool is_canonical_mode(const char *list) {
    return list != nullptr && find_keyword(list, kModeKeywords) != nullptr;
}

} // namespace zrl
