// String primitives on NUL-terminated 8-bit strings, for the rest of the
// library.  Bytes compare as unsigned values; nothing here allocates or checks
// for null pointers.
#pragma once

#include <span>
#include <string_view>

namespace zrl {

// Appends src (with its NUL) behind dest; the length of dest afterwards.
// Unbounded: the caller provides room for both strings.
int append_str(char *dest, const char *src);

// Position of the first ch in str; a NUL ch finds the terminating NUL.  A miss
// gives the length of str with status 22; a hit sets the status to 0.
int chr_str(char ch, const char *str);

// Position of the first ch in str, or -1 (also for a NUL ch).
int chr_pos(char ch, const char *str);

// The first ch in str, or str's terminating NUL; never null.
const char *chr_ptr(char ch, const char *str);
inline char *chr_ptr(char ch, char *str) {
    return const_cast<char *>(chr_ptr(ch, static_cast<const char *>(str)));
}

// Difference of the first differing bytes (a's minus b's, unsigned), else 0.
int compare_str(const char *a, const char *b);
// As compare_str over at most n bytes; n < 1 gives 0 without reading.
int compare_buf(const char *a, const char *b, int n);

// Position of sub in str at or after start.  A start outside the string, or a
// miss, gives the length of str with status 22; a hit sets the status to 0.
int pos_str(const char *sub, const char *str, int start);

// The first occurrence of sub in str, or str's terminating NUL.
const char *sub_ptr(const char *sub, const char *str);
// Position of the first occurrence of sub in str, or -1; an empty str never
// matches, not even an empty sub.
int sub_pos(const char *sub, const char *str);

// Splits str in place into at most fields.size() fields; see sepstr.cpp.
int sep_str(char *str, char sep, std::span<char *> fields);

// Squeezes a typed line into canonical command text in place; the new length.
int sqz_str(char *str);

} // namespace zrl
