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

// The searches stop at the first hit: a string is never measured first, so
// an early hit in a long string costs only the bytes before it.
int chr_pos(char ch, const char *str) {
    if (ch == '\0') return -1;
    const char *at = std::strchr(str, ch);
    return at == nullptr ? -1 : static_cast<int>(at - str);
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

// Whether str holds more than n characters, reading at most n + 1 of them.
bool longer_than(const char *str, int n) {
    for (int i = 0; i <= n; ++i)
        if (str[i] == '\0') return false;
    return true;
}

int pos_str(const char *sub, const char *str, int start) {
    set_status(kSuccess);
    if (start < 0 || !longer_than(str, start)) {
        set_status(kInvalid);
        return length_of(str);
    }
    const char *at = std::strstr(str + start, sub);
    if (at == nullptr) {
        set_status(kInvalid);
        return length_of(str);
    }
    return static_cast<int>(at - str);
}

const char *sub_ptr(const char *sub, const char *str) {
    const char *at = std::strstr(str, sub);
    return at != nullptr ? at : str + std::strlen(str);
}

int sub_pos(const char *sub, const char *str) {
    if (str[0] == '\0') return -1;
    const char *at = std::strstr(str, sub);
    return at == nullptr ? -1 : static_cast<int>(at - str);
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
