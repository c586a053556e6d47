// Fuzzes findkeyword and skipkeyword on any text against fixed tables, with a
// reference matcher that reads each keyword as "full word + typed minimum".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "text/keywords.h"
#include <zrlshared.h>

namespace {

const char *const kKeywords[] = {
    "NOPFS",     "S*TREAM_TYPE", "V*ARIABLE_TYPE", "D*EFAULT", "SEQ*UENTIAL", "FA*ST_FILE_TRANSFER",
    "NOR*ECORD", "END1",         "END2",           "NOD*E",    "DIR*ECTORY",  "$SYS*_1",
    "",          "*ALL",         "X-Y*Z",          "l*ower",   "Q*R*S",       "A**B",
    "TAIL*",
};
constexpr std::size_t kCount = sizeof kKeywords / sizeof kKeywords[0];

bool keyword_char(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// A keyword text read as the full word and the number of its characters that
// must be typed.  An asterisk is stepped over unless it directly follows the
// one just stepped over.
bool reference_accepts(const char *keyword, const std::string &typed) {
    std::string full;
    std::size_t minimum = std::string::npos;
    bool just_skipped = false;
    for (const char *k = keyword; *k != '\0'; ++k) {
        if (*k == '*' && !just_skipped) {
            if (minimum == std::string::npos) minimum = full.size();
            just_skipped = true;
            continue;
        }
        just_skipped = false;
        if (!keyword_char(static_cast<unsigned char>(*k))) break;
        full += upper(*k);
    }
    if (typed.size() > full.size() || full.compare(0, typed.size(), typed) != 0) return false;
    return typed.size() == full.size() || (minimum != std::string::npos && minimum <= typed.size());
}

long reference_find(const char *text) {
    if (*text == '\0') return -1;
    if (!keyword_char(static_cast<unsigned char>(*text))) ++text;
    if (*text == '\0') return -1;
    std::string typed;
    while (keyword_char(static_cast<unsigned char>(*text)))
        typed += upper(*text++);
    for (std::size_t i = 0; i < kCount; ++i)
        if (reference_accepts(kKeywords[i], typed)) return static_cast<long>(i);
    return -1;
}

// The same keywords in a two-word layout and in a packed layout whose keyword
// pointers are unaligned.
struct Entry {
    const char *keyword;
    zrl_word index;
};
Entry g_words[kCount + 1];
constexpr std::size_t kOdd = sizeof(const char *) + 3;
unsigned char g_packed[(kCount + 1) * kOdd];

void build_tables() {
    for (std::size_t i = 0; i <= kCount; ++i) {
        const char *keyword = i < kCount ? kKeywords[i] : nullptr;
        g_words[i] = {keyword, static_cast<zrl_word>(i)};
        std::memcpy(g_packed + i * kOdd, &keyword, sizeof keyword);
    }
}

long entry_index(const void *hit, const void *base, std::size_t stride) {
    if (hit == nullptr) return -1;
    const auto offset =
        static_cast<const unsigned char *>(hit) - static_cast<const unsigned char *>(base);
    if (offset < 0 || static_cast<std::size_t>(offset) % stride != 0 ||
        static_cast<std::size_t>(offset) / stride >= kCount)
        std::abort();
    return static_cast<long>(static_cast<std::size_t>(offset) / stride);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool built = (build_tables(), true);
    (void)built;
    const std::string_view raw(reinterpret_cast<const char *>(data), size);
    std::string text(raw);
    text.resize(std::strlen(text.c_str()));
    const std::size_t len = text.size();
    char *buf = new char[len + 1];
    std::memcpy(buf, text.c_str(), len + 1);

    const long want = reference_find(buf);
    const long by_words =
        entry_index(findkeyword(buf, g_words, sizeof(Entry)), g_words, sizeof(Entry));
    const long by_packed =
        entry_index(findkeyword(buf, g_packed, static_cast<int>(kOdd)), g_packed, kOdd);
    const long by_view =
        entry_index(zrl::find_keyword(raw, g_words, sizeof(Entry)), g_words, sizeof(Entry));
    if (by_words != want || by_packed != want || by_view != want) std::abort();
    if (std::strcmp(buf, text.c_str()) != 0) std::abort();

    const char *after = skipkeyword(buf);
    if (after < buf || after > buf + len || (len > 0 && after == buf)) std::abort();
    if (static_cast<std::size_t>(after - buf) != zrl::skip_keyword(raw)) std::abort();

    // Walking the text as a keyword list always advances and ends on the NUL.
    for (const char *p = buf; *p != '\0';) {
        (void)findkeyword(p, g_words, sizeof(Entry));
        const char *next = skipkeyword(p);
        if (next <= p || next > buf + len) std::abort();
        p = next;
    }
    delete[] buf;
    return 0;
}
