// spawn and spawn_nc: the command text is scanned here; starting, waiting
// and the redirection files are the platform's (platform/processes.h).
#include <string>
#include <string_view>

#include "platform/processes.h"
#include "process/command_scan.h"
#include <zrlshared.h>

namespace zrl {
namespace {

int run_spawn(const char *command) {
    if (command == nullptr) return -1;
    const std::size_t keep = background_length(command);
    if (keep == 0) return platform::run_interpreter(command);
    const std::string line(command, keep);
    const ArgumentVector arguments(line);
    return platform::start_background({line.c_str(), arguments.argv()});
}

// A command longer than the working buffer is refused with the platform's
// "argument list too long" number and nothing is started: a cut command
// would run another program or write to another file.
int run_no_console(const char *command, const char *output, const char *error) {
    NoConsoleScan scan;
    if (!scan_no_console(command, scan)) return platform::command_too_long();
    if (scan.output != nullptr) output = scan.output;
    if (scan.error != nullptr) error = scan.error;
    const ArgumentVector arguments(scan.text);
    return platform::run_detached({scan.text, arguments.argv()}, output, error, !scan.background);
}

} // namespace
} // namespace zrl

extern "C" {

ZRL_API int spawn(const char *command) {
    const bool attached = _zrl_attach != 0;
    if (attached) trm_detach();
    const int result = zrl::run_spawn(command);
    if (attached) trm_attach();
    return result;
}

ZRL_API int spawn_nc(const char *command, const char *output, const char *error) {
    return zrl::run_no_console(command, output, error);
}

} // extern "C"
