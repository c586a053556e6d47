// Stopping the program: the exit handler, the error action run before a fatal
// message, and the name printed in front of that message.
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <zrlshared.h>

const char *programident = "???";
ZRL_ExitFn ZRL_ExitHandler = std::exit;

namespace zrl {
namespace {

void no_action(const char *) {}

// Not exported: erractio is the only way in.
ZRL_ErrorAction error_action = no_action;

constexpr int kFatalStatus = 4;

// Every stop goes through the caller's handler.  A handler that a caller
// cleared to null would leave no way to stop at all, so the runtime's exit
// stands in for it.
void stop(int status) {
    ZRL_ExitFn handler = ZRL_ExitHandler;
    if (handler == nullptr) handler = std::exit;
    handler(status);
}

ZRL_ErrorAction replace_error_action(ZRL_ErrorAction action) {
    return std::exchange(error_action, action);
}

void fatal_exit(const char *message) {
    if (message == nullptr) return;
    const int status = zrl_error;
    // The action is taken out before it runs, so that an action which itself
    // ends in errexit finds the do-nothing routine instead of itself.
    const ZRL_ErrorAction action = std::exchange(error_action, no_action);
    if (status != 0 && status != -1) std::printf("%s\n", libmsg(status));
    if (action != nullptr) action(message);
    // A name cleared to null prints as nothing rather than reaching printf.
    std::printf("%s-%s", programident != nullptr ? programident : "", message);
    // The handler may end the process without the runtime's stream cleanup;
    // the message must not be lost in the buffer.
    std::fflush(stdout);
    stop(kFatalStatus);
}

} // namespace
} // namespace zrl

extern "C" ZRL_API ZRL_ErrorAction erractio(ZRL_ErrorAction action) {
    return zrl::replace_error_action(action);
}
extern "C" ZRL_API void errfacil(const char *name) {
    programident = name;
}
extern "C" ZRL_API void errexit(const char *message) {
    zrl::fatal_exit(message);
}
extern "C" ZRL_API void exits(int status) {
    zrl::stop(status);
}
extern "C" ZRL_API void exitnormal(void) {
    zrl::stop(0);
}
extern "C" ZRL_API void exitwarn(void) {
    zrl::stop(1);
}
extern "C" ZRL_API void exiterror(void) {
    zrl::stop(2);
}
extern "C" ZRL_API void exitsevere(void) {
    zrl::stop(4);
}
