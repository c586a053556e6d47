#include "process/beside.h"

#include <cstdlib>

#include "support/tree.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zrl_test {

std::string program_directory() {
    char path[4096] = {};
#if defined(_WIN32)
    const long n = static_cast<long>(GetModuleFileNameA(nullptr, path, sizeof path - 1));
#else
    const long n = static_cast<long>(readlink("/proc/self/exe", path, sizeof path - 1));
#endif
    const std::string text(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return text.substr(0, text.find_last_of("/\\") + 1);
}

std::string child_program() {
    return program_directory() + (kWindows ? "zrl_child.exe" : "zrl_child");
}

bool build_programs_start() {
    // The shell starts the child the way the kernel would start any program of
    // the build; once is enough for the whole run.
    static const bool starts =
        kWindows || std::system(("\"" + child_program() + "\" -x 0 >/dev/null 2>&1").c_str()) == 0;
    return starts;
}

} // namespace zrl_test
