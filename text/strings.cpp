// Append, compare and search on NUL-terminated strings.
#include "text/strings.h"

#include <cstring>

#include "frame/status.h"

namespace zrl {

namespace {

constexpr unsigned char byte(char c) {
    return static_cast<unsigned char>(c);
}

int length_of(const char *str) {
    return static_cast<int>(std::strlen(str));
}

} // namespace

int append_str(char *dest, const char *src) {
    const int dest_len = length_of(dest);
    const int src_len = length_of(src);
    std::memcpy(dest + dest_len, src, static_cast<std::size_t>(src_len) + 1);
    return dest_len + src_len;
}

int chr_str(char ch, const char *str) {
    set_status(kSuccess);
    const char *p = str;
    while (*p != ch && *p != '\0')
        ++p;
    // A NUL ch stops on the terminating NUL and counts as found.
    if (*p != ch) set_status(kInvalid);
    return static_cast<int>(p - str);
}

int chr_pos(char ch, std::string_view str) {
    if (ch == '\0') return -1;
    const std::size_t at = str.find(ch);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

const char *chr_ptr(char ch, const char *str) {
    while (*str != ch && *str != '\0')
        ++str;
    return str;
}

int compare_str(const char *a, const char *b) {
    while (*a == *b && *a != '\0') {
        ++a;
        ++b;
    }
    return byte(*a) - byte(*b);
}

int compare_buf(const char *a, const char *b, int n) {
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) return byte(a[i]) - byte(b[i]);
        if (a[i] == '\0') break;
    }
    return 0;
}

int pos_str(std::string_view sub, const char *str, int start) {
    set_status(kSuccess);
    const std::string_view text(str);
    const int len = static_cast<int>(text.size());
    if (start < 0 || start >= len) {
        set_status(kInvalid);
        return len;
    }
    const std::size_t at = text.find(sub, static_cast<std::size_t>(start));
    if (at == std::string_view::npos) {
        set_status(kInvalid);
        return len;
    }
    return static_cast<int>(at);
}

const char *sub_ptr(std::string_view sub, const char *str) {
    const std::string_view text(str);
    const std::size_t at = text.find(sub);
    return str + (at == std::string_view::npos ? text.size() : at);
}

int sub_pos(std::string_view sub, std::string_view str) {
    if (str.empty()) return -1;
    const std::size_t at = str.find(sub);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

} // namespace zrl

extern "C" {

ZRL_API int appstr(char *dest, const char *src) {
    return zrl::append_str(dest, src);
}

ZRL_API int chrstr(char ch, const char *str) {
    return zrl::chr_str(ch, str);
}

ZRL_API int cposstr(char ch, const char *str) {
    return zrl::chr_pos(ch, str);
}

ZRL_API char *pcposstr(char ch, const char *str) {
    return const_cast<char *>(zrl::chr_ptr(ch, str));
}

ZRL_API int cmpstr(const char *a, const char *b) {
    return zrl::compare_str(a, b);
}

ZRL_API int cmpbuf(const char *a, const char *b, int n) {
    return zrl::compare_buf(a, b, n);
}

ZRL_API int posstr(const char *sub, const char *str, int start) {
    return zrl::pos_str(sub, str, start);
}

ZRL_API char *psposstr(const char *sub, const char *str) {
    return const_cast<char *>(zrl::sub_ptr(sub, str));
}

ZRL_API int sposstr(const char *sub, const char *str) {
    return zrl::sub_pos(sub, str);
}

} // extern "C"
