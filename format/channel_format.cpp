// Formatted output: typeff and typefl to standard output, the channel members
// that fill a format and hand it to one output channel, and the fatal error
// exits that take a format instead of a finished message.
#include <cstdarg>

#include "format/engine.h"
#include "frame/channels.h"

namespace zrl {
namespace {

// typeff and typefl fill at most this many characters.
constexpr int kTypeLimit = 132;

// The message of a formatted error exit lives in a buffer of this size.  A
// message that fills to more than 255 characters keeps its first 255: the
// engine's limit does the cut, so the buffer is never overrun and always
// terminated.
constexpr int kMessageBytes = 256;

// Fills the shared formatting buffer (at most 1023 characters) and hands it to
// the channel.  The channel's result is the member's result; a cut text goes
// out unchanged and the count is not reported.
int channel_format(Channel channel, int newline, const char *format, va_list args) {
    const std::span<char, kFormatBufferSize> buffer = format_buffer();
    format_va(buffer.data(), kFormatBufferSize - 1, format, args);
    return channel_function(channel)(buffer.data(), newline);
}

void error_exit(const char *format, va_list args) {
    char message[kMessageBytes];
    format_va(message, kMessageBytes - 1, format, args);
    errexit(message);
}

} // namespace
} // namespace zrl

using zrl::Channel;

extern "C" ZRL_API void typeff(const char *format, ...) {
    char text[zrl::kTypeLimit + 1];
    va_list args;
    va_start(args, format);
    zrl::format_va(text, zrl::kTypeLimit, format, args);
    va_end(args);
    type(text);
}

extern "C" ZRL_API int typefl(const char *format, ...) {
    char text[zrl::kTypeLimit + 1];
    va_list args;
    va_start(args, format);
    zrl::format_va(text, zrl::kTypeLimit, format, args);
    va_end(args);
    return typeln(text);
}

#define ZRL_CHANNEL_FORMAT(name, channel, newline)                                                 \
    extern "C" ZRL_API int name(const char *format, ...) {                                         \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        const int result = zrl::channel_format(channel, newline, format, args);                    \
        va_end(args);                                                                              \
        return result;                                                                             \
    }

ZRL_CHANNEL_FORMAT(QV_Ctypeff, Channel::C, 0)
ZRL_CHANNEL_FORMAT(QV_Ctypefl, Channel::C, 1)
ZRL_CHANNEL_FORMAT(QV_Ltypeff, Channel::L, 0)
ZRL_CHANNEL_FORMAT(QV_Ltypefl, Channel::L, 1)
ZRL_CHANNEL_FORMAT(QV_Mtypeff, Channel::M, 0)
ZRL_CHANNEL_FORMAT(QV_Mtypefl, Channel::M, 1)
ZRL_CHANNEL_FORMAT(QV_Ttypeff, Channel::T, 0)
ZRL_CHANNEL_FORMAT(QV_Ttypefl, Channel::T, 1)

#undef ZRL_CHANNEL_FORMAT

extern "C" ZRL_API void errexitfmt(const char *format, ...) {
    va_list args;
    va_start(args, format);
    zrl::error_exit(format, args);
    va_end(args);
}

// With no status standing there is nothing to report: the format is not
// filled and the arguments are not read.
extern "C" ZRL_API void errtestfmt(const char *format, ...) {
    if (zrl_error == 0) return;
    va_list args;
    va_start(args, format);
    zrl::error_exit(format, args);
    va_end(args);
}
