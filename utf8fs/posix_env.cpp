// The environment on POSIX: the plain calls, whose texts are UTF-8 already.
#ifndef _WIN32

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <utf8fs.h>

extern "C" UTF8FS_API char *getenv_utf8(const char *name) {
    if (name == nullptr) return nullptr;
    return std::getenv(name);
}

// The text itself joins the environment (putenv keeps the pointer), which is
// what the library expects: it hands over a buffer that it never frees.  A
// text without "=" or with an empty name is refused, as the Windows runtime
// does, instead of glibc's reading of "NAME" as a removal.
extern "C" UTF8FS_API int putenv_utf8(const char *text) {
    if (text == nullptr || text[0] == '=' || std::strchr(text, '=') == nullptr) {
        errno = EINVAL;
        return -1;
    }
    return ::putenv(const_cast<char *>(text)) == 0 ? 0 : -1;
}

#endif
