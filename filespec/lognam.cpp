// Logical names: environment variables whose values are their translations.
// Every access to the environment goes through the UTF-8 file-system layer.
// Names are passed on unchanged, so whether 'data' and 'DATA' are one logical
// name is the environment's affair: the same on Windows, different on POSIX.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <utf8fs.h>
#include <zrlshared.h>

namespace zrl {
namespace {

// reclognam's work buffer: one translation of at most 255 characters.
constexpr std::size_t kTranslationMax = 255;
// reclognam translates at most this many times, so a loop ends.
constexpr int kChainLimit = 100;

// The translation of name, or null when it has none.  A null name has none.
const char *translation(const char *name) {
    if (name == nullptr) return nullptr;
    return getenv_utf8(name);
}

// The length of text, but at most limit; reads no further than that.
std::size_t bounded_length(const char *text, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return n;
}

} // namespace

// The buffer becomes part of the environment and is never freed here, unless
// the layer refuses it (an empty name, for one): then nothing holds it and it
// is released.  A null name defines nothing (-1); a null value counts as the
// empty value.
int define_logical(const char *name, const char *value) {
    if (name == nullptr) return -1;
    if (value == nullptr) value = "";
    const std::size_t name_len = std::strlen(name);
    const std::size_t value_len = std::strlen(value);
    char *entry = static_cast<char *>(std::malloc(name_len + value_len + 2));
    if (entry == nullptr) return -1;
    std::memcpy(entry, name, name_len);
    entry[name_len] = '=';
    std::memcpy(entry + name_len + 1, value, value_len + 1);
    const int result = putenv_utf8(entry);
    if (result != 0) std::free(entry);
    return result;
}

int translate_once(const char *name, char *out) {
    const char *value = translation(name);
    if (value == nullptr) value = "";
    const std::size_t n = std::strlen(value);
    std::memcpy(out, value, n + 1);
    return static_cast<int>(n);
}

// A translation longer than the work buffer is cut to its first 255
// characters and ends the chain: the cut text is not a name whose own
// translation could be trusted, and out never receives more than 256 bytes.
int translate_fully(const char *name, char *out) {
    char current[kTranslationMax + 1];
    std::size_t length = 0;
    out[0] = '\0';
    const char *lookup = name;
    for (int step = 0; step < kChainLimit; ++step) {
        const char *value = translation(lookup);
        if (value == nullptr) break;
        const std::size_t n = bounded_length(value, kTranslationMax + 1);
        if (n == 0) break;
        length = n > kTranslationMax ? kTranslationMax : n;
        std::memcpy(current, value, length);
        current[length] = '\0';
        std::memcpy(out, current, length + 1);
        if (n > kTranslationMax) break;
        lookup = current;
    }
    return static_cast<int>(length);
}

} // namespace zrl

extern "C" {

ZRL_API int deflognam(const char *name, const char *value) {
    return zrl::define_logical(name, value);
}

// A null out receives nothing and gives 0.
ZRL_API int lognam(const char *name, char *out) {
    return out != nullptr ? zrl::translate_once(name, out) : 0;
}

ZRL_API int reclognam(const char *name, char *out) {
    return out != nullptr ? zrl::translate_fully(name, out) : 0;
}

} // extern "C"
