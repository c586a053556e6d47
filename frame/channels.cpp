// The four output channels C, L, M and T, their default functions, the shared
// formatting buffer and the QV_ members that hand text to one channel.
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>

#include "frame/channels.h"

namespace zrl {
namespace {

// A null text is written as an empty one, so that a channel can be handed any
// pointer a caller passed on.
int write_stream(std::FILE *stream, const char *text, int newline) {
    if (std::fputs(text != nullptr ? text : "", stream) == EOF) return 0;
    if (newline != 0 && std::fputc('\n', stream) == EOF) return 0;
    return 1;
}

} // namespace
} // namespace zrl

extern "C" ZRL_API int ZRL_OutputToStdOut(const char *text, int newline) {
    return zrl::write_stream(stdout, text, newline);
}
extern "C" ZRL_API int ZRL_OutputToStdErr(const char *text, int newline) {
    return zrl::write_stream(stderr, text, newline);
}

ZRL_OutputFn ZRL_COutput = ZRL_OutputToStdOut;
ZRL_OutputFn ZRL_LOutput = ZRL_OutputToStdErr;
ZRL_OutputFn ZRL_MOutput = ZRL_OutputToStdErr;
ZRL_OutputFn ZRL_TOutput = ZRL_OutputToStdErr;

namespace zrl {
namespace {

std::array<char, kFormatBufferSize> shared_buffer{};

int refuse_output(const char *, int) {
    return 0;
}

// A conversion that the runtime cannot perform (a wide character that the
// locale cannot encode, say) ends the formatting with -1.  The channel is
// called all the same, with the text formatted before that conversion: the
// buffer is cleared first and its last byte is kept NUL, so what the runtime
// left is always terminated and no text of an earlier call shows behind it.
// The member then returns -1.
int channel_vprintf(Channel channel, const char *format, va_list args) {
    const std::span<char, kFormatBufferSize> buffer = format_buffer();
    std::fill(buffer.begin(), buffer.end(), '\0');
    const int length =
        std::vsnprintf(buffer.data(), buffer.size(), format != nullptr ? format : "", args);
    buffer.back() = '\0';
    const bool sent = channel_function(channel)(buffer.data(), 0) != 0;
    return sent && length >= 0 && length < kFormatBufferSize ? length : -1;
}

int channel_text(Channel channel, const char *text, int newline) {
    return channel_function(channel)(text, newline);
}

} // namespace

ZRL_OutputFn channel_function(Channel channel) {
    ZRL_OutputFn *const pointers[] = {&ZRL_COutput, &ZRL_LOutput, &ZRL_MOutput, &ZRL_TOutput};
    const ZRL_OutputFn function = *pointers[static_cast<int>(channel)];
    return function != nullptr ? function : refuse_output;
}

std::span<char, kFormatBufferSize> format_buffer() {
    return shared_buffer;
}

} // namespace zrl

using zrl::Channel;

// Each member uses only the channel named by the letter after QV_.
#define ZRL_CHANNEL_PRINTF(name, channel)                                                          \
    extern "C" ZRL_API int name(const char *format, ...) {                                         \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        const int result = zrl::channel_vprintf(channel, format, args);                            \
        va_end(args);                                                                              \
        return result;                                                                             \
    }
#define ZRL_CHANNEL_VPRINTF(name, channel)                                                         \
    extern "C" ZRL_API int name(const char *format, va_list args) {                                \
        return zrl::channel_vprintf(channel, format, args);                                        \
    }
// type and typeln pass the caller's own pointer on, without copying.
#define ZRL_CHANNEL_TEXT(name, channel, newline)                                                   \
    extern "C" ZRL_API int name(const char *text) {                                                \
        return zrl::channel_text(channel, text, newline);                                          \
    }

ZRL_CHANNEL_PRINTF(QV_Cprintf, Channel::C)
ZRL_CHANNEL_PRINTF(QV_Lprintf, Channel::L)
ZRL_CHANNEL_PRINTF(QV_Mprintf, Channel::M)
ZRL_CHANNEL_PRINTF(QV_Tprintf, Channel::T)
ZRL_CHANNEL_VPRINTF(QV_Cvprintf, Channel::C)
ZRL_CHANNEL_VPRINTF(QV_Lvprintf, Channel::L)
ZRL_CHANNEL_VPRINTF(QV_Mvprintf, Channel::M)
ZRL_CHANNEL_VPRINTF(QV_Tvprintf, Channel::T)

ZRL_CHANNEL_TEXT(QV_Ctype, Channel::C, 0)
ZRL_CHANNEL_TEXT(QV_Ltype, Channel::L, 0)
ZRL_CHANNEL_TEXT(QV_Mtype, Channel::M, 0)
ZRL_CHANNEL_TEXT(QV_Ttype, Channel::T, 0)
ZRL_CHANNEL_TEXT(QV_Ctrm_type, Channel::C, 0)
ZRL_CHANNEL_TEXT(QV_Ltrm_type, Channel::L, 0)
ZRL_CHANNEL_TEXT(QV_Mtrm_type, Channel::M, 0)
ZRL_CHANNEL_TEXT(QV_Ttrm_type, Channel::T, 0)
ZRL_CHANNEL_TEXT(QV_Ctypeln, Channel::C, 1)
ZRL_CHANNEL_TEXT(QV_Ltypeln, Channel::L, 1)
ZRL_CHANNEL_TEXT(QV_Mtypeln, Channel::M, 1)
ZRL_CHANNEL_TEXT(QV_Ttypeln, Channel::T, 1)
ZRL_CHANNEL_TEXT(QV_Ctrm_typln, Channel::C, 1)
ZRL_CHANNEL_TEXT(QV_Ltrm_typln, Channel::L, 1)
ZRL_CHANNEL_TEXT(QV_Mtrm_typln, Channel::M, 1)
ZRL_CHANNEL_TEXT(QV_Ttrm_typln, Channel::T, 1)

#undef ZRL_CHANNEL_PRINTF
#undef ZRL_CHANNEL_VPRINTF
#undef ZRL_CHANNEL_TEXT
