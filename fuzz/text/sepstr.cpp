// Fuzzes sepstr against a token-based model of its three modes and checks
// that every field pointer stays inside the string and nothing grows.
//
// Input: byte 0 picks the separator (comma, blank, NUL or byte 1 itself),
// byte 2 is the slot count as a signed byte, the rest is the string.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <zrlshared.h>

namespace {

struct Model {
    std::vector<std::size_t> fields; // start offsets
    std::string image;
};

// Splitting on one separator: tokens between separators, no trailing empty one.
Model model_char(const std::string &s, char sep, std::size_t n) {
    Model m{{}, s};
    std::size_t start = 0;
    while (start < s.size() && m.fields.size() < n) {
        m.fields.push_back(start);
        const std::size_t end = s.find(sep, start);
        if (end == std::string::npos) break;
        m.image[end] = '\0';
        start = end + 1;
    }
    return m;
}

// Words between blanks.
Model model_blank(const std::string &s, std::size_t n) {
    Model m{{}, s};
    std::vector<std::pair<std::size_t, std::size_t>> words;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t end = std::min(s.find(' ', i), s.size());
        words.push_back({i, end});
        i = end;
    }
    if (words.size() < n) {
        for (auto &w : words)
            m.fields.push_back(w.first);
        for (char &c : m.image)
            if (c == ' ') c = '\0';
        return m;
    }
    for (std::size_t k = 0; k < n; ++k)
        m.fields.push_back(words[k].first);
    const auto last = words[n - 1];
    for (std::size_t i = 0; i < last.first; ++i)
        if (m.image[i] == ' ') m.image[i] = '\0';
    if (last.second < s.size()) m.image[last.second] = '\0';
    return m;
}

// Words and commas: a comma is an empty field unless a word came just before.
Model model_comma(const std::string &s, std::size_t n) {
    Model m{{}, s};
    std::vector<std::pair<std::size_t, bool>> fields; // start, is an empty field
    bool after_word = false;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == ' ') {
            ++i;
        } else if (s[i] == ',') {
            if (!after_word) fields.push_back({i, true});
            after_word = false;
            ++i;
        } else {
            fields.push_back({i, false});
            after_word = true;
            while (i < s.size() && s[i] != ' ' && s[i] != ',')
                ++i;
        }
    }
    std::size_t cut_before = s.size();
    if (fields.size() >= n) {
        fields.resize(n);
        cut_before = fields.back().second ? fields.back().first + 1 : fields.back().first;
    }
    for (auto &f : fields)
        m.fields.push_back(f.first);
    for (std::size_t i = 0; i < cut_before; ++i)
        if (m.image[i] == ' ' || m.image[i] == ',') m.image[i] = '\0';
    return m;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3) return 0;
    const char picks[] = {',', ' ', '\0', static_cast<char>(data[1])};
    const char sep = picks[data[0] % 4];
    const int n = static_cast<std::int8_t>(data[2]);
    std::string text(reinterpret_cast<const char *>(data + 3), size - 3);
    text.resize(std::strlen(text.c_str()));

    // An exact-size heap copy lets the address sanitizer see any stray access.
    const std::size_t len = text.size();
    char *buf = new char[len + 1];
    std::memcpy(buf, text.c_str(), len + 1);
    const std::size_t slots_n = n > 0 ? static_cast<std::size_t>(n) : 0;
    char **slots = new char *[slots_n + 1];
    char *const sentinel = reinterpret_cast<char *>(&slots);
    for (std::size_t i = 0; i <= slots_n; ++i)
        slots[i] = sentinel;

    const int count = sepstr(buf, sep, slots, n);

    if (count < 0 || count > (n > 0 ? n : 0)) std::abort();
    if (slots[slots_n] != sentinel) std::abort();
    for (std::size_t i = 0; i < slots_n; ++i) {
        if (slots[i] < buf || slots[i] > buf + len) std::abort();
        if (i >= static_cast<std::size_t>(count) && slots[i] != buf + len) std::abort();
    }
    if (buf[len] != '\0') std::abort();
    for (std::size_t i = 0; i < len; ++i)
        if (buf[i] != text[i] && buf[i] != '\0') std::abort();

    if (n > 0) {
        const Model m = sep == '\0'  ? model_comma(text, slots_n)
                        : sep == ' ' ? model_blank(text, slots_n)
                                     : model_char(text, sep, slots_n);
        if (m.fields.size() != static_cast<std::size_t>(count)) std::abort();
        for (std::size_t i = 0; i < m.fields.size(); ++i)
            if (slots[i] != buf + m.fields[i]) std::abort();
        if (std::memcmp(buf, m.image.data(), len) != 0) std::abort();
    } else if (std::memcmp(buf, text.data(), len) != 0) {
        std::abort();
    }
    delete[] slots;
    delete[] buf;
    return 0;
}
