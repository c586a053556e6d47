// findkeyword and skipkeyword: abbreviation matching against keyword tables.
#include "text/keywords.h"

#include <array>
#include <cstring>

#include <zrlshared.h>

namespace zrl {

namespace {

// Every byte's keyword character folded to upper case, or 0 for a byte that
// ends a word: one lookup per character in the matching loop.
constexpr std::array<unsigned char, 256> kFolded = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_keyword_char(byte))
            table[byte] = byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A')
                                                      : byte;
    }
    return table;
}();

constexpr unsigned char folded(unsigned char c) {
    return kFolded[c];
}

// Whether the keyword text accepts the typed word.  The word is known to end
// at a non-keyword byte or at the end of its view.
bool accepts(const char *keyword, std::string_view word) {
    bool abbreviation_passed = false;
    for (std::size_t i = 0;; ++i, ++keyword) {
        if (*keyword == '*') {
            abbreviation_passed = true;
            ++keyword;
        }
        const unsigned char typed = i < word.size() ? folded(word[i]) : 0;
        const unsigned char wanted = folded(static_cast<unsigned char>(*keyword));
        if (typed == 0) return wanted == 0 || abbreviation_passed;
        if (typed != wanted) return false;
    }
}

bool ended(std::string_view text) {
    return text.empty() || text.front() == '\0';
}

} // namespace

// Entries are read byte-wise, so a table may have any stride, even one that
// leaves its keyword pointers unaligned.
const void *find_keyword(std::string_view text, const void *table, int stride) {
    if (table == nullptr || stride < static_cast<int>(sizeof(const char *)) || ended(text))
        return nullptr;
    if (!is_keyword_char(text.front())) {
        text.remove_prefix(1);
        if (ended(text)) return nullptr;
    }
    std::size_t word_len = 0;
    while (word_len < text.size() && is_keyword_char(text[word_len]))
        ++word_len;
    const std::string_view word = text.substr(0, word_len);

    for (auto entry = static_cast<const unsigned char *>(table);; entry += stride) {
        const char *keyword;
        std::memcpy(&keyword, entry, sizeof keyword);
        if (keyword == nullptr) return nullptr;
        if (accepts(keyword, word)) return entry;
    }
}

// Only the leading byte, the word behind it and the byte that ends the word
// are read, never the whole text: a keyword is often the start of a long
// command line or attribute text.
std::string_view keyword_view(const char *text) {
    const char *end = text;
    if (*end != '\0' && !is_keyword_char(*end)) ++end;
    while (is_keyword_char(*end))
        ++end;
    if (*end != '\0') ++end;
    return {text, static_cast<std::size_t>(end - text)};
}

const void *find_keyword(const char *text, const void *table, int stride) {
    if (text == nullptr) return nullptr;
    return find_keyword(keyword_view(text), table, stride);
}

std::size_t skip_keyword(std::string_view text) {
    if (ended(text)) return 0;
    std::size_t n = 1;
    while (n < text.size() && is_keyword_char(text[n]))
        ++n;
    return n;
}

const char *skip_keyword(const char *text) {
    if (*text == '\0') return text;
    ++text;
    while (is_keyword_char(*text))
        ++text;
    return text;
}

} // namespace zrl

extern "C" {

ZRL_API void *findkeyword(const char *text, const void *table, int stride) {
    return const_cast<void *>(zrl::find_keyword(text, table, stride));
}

ZRL_API char *skipkeyword(const char *text) {
    return const_cast<char *>(zrl::skip_keyword(text));
}

} // extern "C"
