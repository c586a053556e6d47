// The environment on Windows, through the wide runtime calls so that the
// runtime's tables and the process environment change together.
#ifdef _WIN32

#include "win32_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <windows.h>

using namespace utf8fs::win32;

namespace {

// The UTF-8 values handed out by getenv_utf8, one per name as asked.  A value
// stays where it is until the variable is found changed, so callers may keep
// the pointer as they keep the one of getenv.  The list only grows: a program
// asks for a handful of names.
struct Value {
    Value *next;
    char *name;
    char *text;
};
Value *values = nullptr;

Value *value_for(const char *name) {
    for (Value *v = values; v != nullptr; v = v->next)
        if (std::strcmp(v->name, name) == 0) return v;
    auto *v = static_cast<Value *>(std::malloc(sizeof(Value)));
    char *copy = static_cast<char *>(std::malloc(std::strlen(name) + 1));
    if (v == nullptr || copy == nullptr) {
        std::free(v);
        std::free(copy);
        errno = ENOMEM;
        return nullptr;
    }
    std::strcpy(copy, name);
    *v = Value{values, copy, nullptr};
    values = v;
    return v;
}

} // namespace

extern "C" UTF8FS_API char *getenv_utf8(const char *name) {
    wchar_t *wide = wide_copy(name, kEnvironmentMax);
    if (wide == nullptr) return nullptr;
    const wchar_t *found = _wgetenv(wide);
    std::free(wide);
    if (found == nullptr) return nullptr;
    const int bytes =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, found, -1, nullptr, 0, nullptr, nullptr);
    char *text =
        bytes > 0 ? static_cast<char *>(std::malloc(static_cast<std::size_t>(bytes))) : nullptr;
    if (text == nullptr || to_utf8(found, -1, text, bytes) < 0) {
        std::free(text);
        errno = bytes > 0 ? ENOMEM : EINVAL;
        return nullptr;
    }
    Value *kept = value_for(name);
    if (kept == nullptr) {
        std::free(text);
        return nullptr;
    }
    if (kept->text != nullptr && std::strcmp(kept->text, text) == 0) {
        std::free(text);
    } else {
        std::free(kept->text);
        kept->text = text;
    }
    return kept->text;
}

// The runtime copies the text; the caller's buffer is not needed afterwards
// (the library leaves it allocated all the same).
extern "C" UTF8FS_API int putenv_utf8(const char *text) {
    if (text == nullptr || text[0] == '=' || std::strchr(text, '=') == nullptr) {
        errno = EINVAL;
        return -1;
    }
    wchar_t *wide = wide_copy(text, kEnvironmentMax);
    if (wide == nullptr) return -1;
    const int result = _wputenv(wide);
    std::free(wide);
    return result == 0 ? 0 : -1;
}

#endif
