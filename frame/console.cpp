// Plain console output and line input on standard output and standard input,
// outside the output channels.
#include <array>
#include <span>
#include <cstdio>
#include <cstring>

#include "frame/console.h"
#include "frame/status.h"

namespace zrl {
namespace {

// The line readers are given no buffer length, so they promise one: they
// store at most kMaxLine characters and the NUL, which a buffer of
// kMaxLine + 1 bytes always holds.  The rest of a longer line is read and
// discarded, so that the next call starts at the next line.
constexpr std::size_t kMaxLine = 255;

// Reads one line from standard input into text, keeping at most
// text.size() - 1 characters and the NUL.  A line ends at LF or at CR LF (a
// file written with CR LF line ends, read where the runtime does not
// translate them); the line end is not stored.  The last line of the input
// may lack its line end.
Line read_line(std::span<char> text) {
    const std::size_t keep = text.size() - 1;
    std::size_t length = 0;
    std::size_t seen = 0;
    int c;
    int last = EOF;
    while ((c = std::getchar()) != EOF && c != '\n') {
        if (length < keep) text[length++] = static_cast<char>(c);
        ++seen;
        last = c;
    }
    // The characters of the line itself: a CR before the LF is its end.
    std::size_t content = seen;
    if (c == '\n' && last == '\r') {
        --content;
        if (length > content) length = content;
    }
    // A line cut short by a read failure counts as no line at all.
    const bool failed = c == EOF && (seen == 0 || std::ferror(stdin));
    if (failed) length = 0;
    text[length] = '\0';
    return {!failed, !failed && content > length, length};
}

// Copies the line and its NUL to the caller; a null buffer takes nothing.
int deliver(char *buffer, const std::array<char, kMaxLine + 1> &text, std::size_t length) {
    if (buffer != nullptr) std::memcpy(buffer, text.data(), length + 1);
    return static_cast<int>(length);
}

void put_text(const char *text) {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text)
        std::putchar(static_cast<unsigned char>(*text));
}

// Both readers store an empty line at the end of input (or on a read
// failure), so that the buffer never keeps an earlier line.  getlin has no
// end-of-input report: it returns 0 as for an empty line and leaves the status
// code alone.
int get_line(char *buffer, const char *prompt) {
    std::array<char, kMaxLine + 1> text;
    const Line line = prompt_line(prompt, text);
    return deliver(buffer, text, line.length);
}

// sgetlin reports the end of input as status 5.
int get_line_with_status(char *buffer, const char *prompt) {
    std::printf("%s ", prompt != nullptr ? prompt : "");
    std::fflush(stdout);
    std::array<char, kMaxLine + 1> text;
    const Line line = read_line(text);
    set_status(line.read ? kSuccess : kIoFailure);
    return deliver(buffer, text, line.length);
}

} // namespace

Line prompt_line(const char *prompt, std::span<char> text) {
    put_text(prompt);
    std::fflush(stdout);
    return read_line(text);
}

} // namespace zrl

extern "C" ZRL_API void type(const char *text) {
    zrl::put_text(text);
}

extern "C" ZRL_API int typeln(const char *text) {
    const int result = std::puts(text != nullptr ? text : "");
    return result < 0 ? -1 : result;
}

extern "C" ZRL_API int getlin(char *buffer, const char *prompt) {
    return zrl::get_line(buffer, prompt);
}

extern "C" ZRL_API int sgetlin(char *buffer, const char *prompt) {
    return zrl::get_line_with_status(buffer, prompt);
}
