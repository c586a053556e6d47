// Keyword tables and abbreviation matching.
//
// A keyword table is an array of fixed-size entries whose first member is a
// pointer to the keyword text, such as "S*TREAM_TYPE": the keyword in upper
// case, with an asterisk after the part that must always be typed.  A null
// keyword ends the table, and the first entry that accepts the typed word wins.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace zrl {

// Letters, digits, underscore and dollar make up keywords; every other byte
// (NUL, blanks, punctuation, bytes from 128 up) ends a word.
constexpr bool is_keyword_char(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}
constexpr bool is_keyword_char(char c) {
    return is_keyword_char(static_cast<unsigned char>(c));
}

// The entry of table (entries of stride bytes) that accepts the word at the
// start of text, after one leading non-keyword byte such as "/" or a blank;
// null when none does, when text is empty or null, or when table is null or
// stride is too small to hold the keyword pointer.  A NUL inside text ends it
// just as the end of the view does.
const void *find_keyword(std::string_view text, const void *table, int stride);
const void *find_keyword(const char *text, const void *table, int stride);

// The part of text that find_keyword reads: the leading byte, the word
// behind it and the byte that ends the word (none at the NUL).
std::string_view keyword_view(const char *text);

// The same on a typed table whose entries start with their keyword text.
template <class Entry> const Entry *find_keyword(const char *text, const Entry *table) {
    static_assert(std::is_standard_layout_v<Entry>, "keyword entries are plain records");
    return static_cast<const Entry *>(
        find_keyword(text, static_cast<const void *>(table), static_cast<int>(sizeof(Entry))));
}

// The number of bytes of text taken by its leading keyword: the first byte,
// whatever it is, then every keyword character behind it; 0 for empty text.
std::size_t skip_keyword(std::string_view text);
const char *skip_keyword(const char *text);

} // namespace zrl
