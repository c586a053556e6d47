// Names on POSIX: the library hands the layer Windows-shaped paths, in which a
// backslash separates directories.  These helpers turn them into the system's
// form and turn the system's paths back into the library's.
#pragma once
#ifndef _WIN32

#include <string>
#include <string_view>

namespace utf8fs::posix {

// The system's form of name in out: every backslash becomes a slash.  Returns
// 0, or the errno for a null name (EINVAL) or one of more than 4095 bytes
// (ENAMETOOLONG).
int native_name(const char *name, std::string &out);

// Like native_name, but sets errno and returns false on failure.
bool take_name(const char *name, std::string &out);

// A system path written with backslashes, as the layer hands paths back.
std::string backslashed(std::string_view path);

} // namespace utf8fs::posix

#endif
