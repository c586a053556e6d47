// The four output channels C, L, M and T, their default functions, the shared
// formatting buffer and the QV_ members that hand text to one channel.
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

int channel_vprintf(Channel channel, const char *format, va_list args) {
    const std::span<char, kFormatBufferSize> buffer = format_buffer();
    const int length =
        std::vsnprintf(buffer.data(), buffer.size(), format != nullptr ? format : "", args);
    // A conversion the runtime cannot perform leaves no text worth sending.
    if (length < 0) {
        buffer[0] = '\0';
        return -1;
    }
    const bool cut = length >= kFormatBufferSize;
    if (channel_function(channel)(buffer.data(), 0) == 0 || cut) return -1;
    return length;
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
extern "C" ZRL_API int QV_Cprintf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = zrl::channel_vprintf(Channel::C, format, args);
    va_end(args);
    return result;
}
extern "C" ZRL_API int QV_Lprintf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = zrl::channel_vprintf(Channel::L, format, args);
    va_end(args);
    return result;
}
extern "C" ZRL_API int QV_Mprintf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = zrl::channel_vprintf(Channel::M, format, args);
    va_end(args);
    return result;
}
extern "C" ZRL_API int QV_Tprintf(const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = zrl::channel_vprintf(Channel::T, format, args);
    va_end(args);
    return result;
}

extern "C" ZRL_API int QV_Cvprintf(const char *format, va_list args) {
    return zrl::channel_vprintf(Channel::C, format, args);
}
extern "C" ZRL_API int QV_Lvprintf(const char *format, va_list args) {
    return zrl::channel_vprintf(Channel::L, format, args);
}
extern "C" ZRL_API int QV_Mvprintf(const char *format, va_list args) {
    return zrl::channel_vprintf(Channel::M, format, args);
}
extern "C" ZRL_API int QV_Tvprintf(const char *format, va_list args) {
    return zrl::channel_vprintf(Channel::T, format, args);
}

// type and typeln pass the caller's own pointer on, without copying.
extern "C" ZRL_API int QV_Ctype(const char *text) {
    return zrl::channel_text(Channel::C, text, 0);
}
extern "C" ZRL_API int QV_Ltype(const char *text) {
    return zrl::channel_text(Channel::L, text, 0);
}
extern "C" ZRL_API int QV_Mtype(const char *text) {
    return zrl::channel_text(Channel::M, text, 0);
}
extern "C" ZRL_API int QV_Ttype(const char *text) {
    return zrl::channel_text(Channel::T, text, 0);
}
extern "C" ZRL_API int QV_Ctrm_type(const char *text) {
    return zrl::channel_text(Channel::C, text, 0);
}
extern "C" ZRL_API int QV_Ltrm_type(const char *text) {
    return zrl::channel_text(Channel::L, text, 0);
}
extern "C" ZRL_API int QV_Mtrm_type(const char *text) {
    return zrl::channel_text(Channel::M, text, 0);
}
extern "C" ZRL_API int QV_Ttrm_type(const char *text) {
    return zrl::channel_text(Channel::T, text, 0);
}
extern "C" ZRL_API int QV_Ctypeln(const char *text) {
    return zrl::channel_text(Channel::C, text, 1);
}
extern "C" ZRL_API int QV_Ltypeln(const char *text) {
    return zrl::channel_text(Channel::L, text, 1);
}
extern "C" ZRL_API int QV_Mtypeln(const char *text) {
    return zrl::channel_text(Channel::M, text, 1);
}
extern "C" ZRL_API int QV_Ttypeln(const char *text) {
    return zrl::channel_text(Channel::T, text, 1);
}
extern "C" ZRL_API int QV_Ctrm_typln(const char *text) {
    return zrl::channel_text(Channel::C, text, 1);
}
extern "C" ZRL_API int QV_Ltrm_typln(const char *text) {
    return zrl::channel_text(Channel::L, text, 1);
}
extern "C" ZRL_API int QV_Mtrm_typln(const char *text) {
    return zrl::channel_text(Channel::M, text, 1);
}
extern "C" ZRL_API int QV_Ttrm_typln(const char *text) {
    return zrl::channel_text(Channel::T, text, 1);
}
