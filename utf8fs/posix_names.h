// Names on POSIX: the layer takes names in which a backslash separates
// directories as a slash does, so that Windows-shaped texts reach the same
// files; it hands paths back in the system's own form, with slashes.
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

} // namespace utf8fs::posix

#endif
