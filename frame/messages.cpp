// The status code and the message texts that belong to its values.
#include <array>
#include <cstdio>
#include <cstring>

#include "frame/status.h"

int zrl_error = zrl::kSuccess;

namespace zrl {
namespace {

// Room for "UNDEFINED ERROR ", the most negative int and the trailing space.
std::array<char, 32> undefined_text{};

const char *message_text(int code) {
    if (code == kSuccess) return "No error";
    if (code == kEndOfFile) return "End of file";
    if (code > 0) {
        const char *text = std::strerror(code);
        if (text != nullptr && text[0] != '\0') return text;
    }
    std::snprintf(undefined_text.data(), undefined_text.size(), "UNDEFINED ERROR %d ", code);
    return undefined_text.data();
}

} // namespace
} // namespace zrl

extern "C" ZRL_API const char *libmsg(int code) {
    return zrl::message_text(code);
}
