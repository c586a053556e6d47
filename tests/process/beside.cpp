#include "process/beside.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace zrl_test {

std::string program_directory() {
    char path[4096] = {};
#if defined(_WIN32)
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    const char separator = '\\';
#else
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const char separator = '/';
#endif
    std::string text(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return text.substr(0, text.rfind(separator) + 1);
}

std::string child_program() {
#if defined(_WIN32)
    return program_directory() + "zrl_child.exe";
#else
    return program_directory() + "zrl_child";
#endif
}

} // namespace zrl_test
