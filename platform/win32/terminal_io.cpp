// The terminal on Windows: _isatty, a wait on the console input handle, and
// the console text attribute.
#include "platform/terminal_io.h"

#include <io.h>
#include <windows.h>

namespace zrl::platform {

bool is_terminal(int fd) {
    return _isatty(fd) != 0;
}

// The handle under the runtime's standard input, which the readers read.  A
// console input handle is signalled while input events wait in its buffer.
// A file or pipe cannot be waited on: its end is met again at once, and a
// short rest keeps the caller's retry from spinning.
void wait_for_input() {
    HANDLE in = reinterpret_cast<HANDLE>(_get_osfhandle(0));
    DWORD mode;
    if (in != nullptr && in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode))
        WaitForSingleObject(in, INFINITE);
    else
        Sleep(50);
}

bool colours_by_console() {
    return true;
}

// No handle, the invalid one and output that is no console (redirected to a
// file or a pipe, or a program without a console) are all unusable: the
// caller keeps that answer and colours nothing.
ConsoleHandle console_output() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (out == nullptr || out == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out, &info))
        return kHandleUnusable;
    return reinterpret_cast<ConsoleHandle>(out);
}

std::uint16_t console_attribute(ConsoleHandle handle) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(reinterpret_cast<HANDLE>(handle), &info);
    return info.wAttributes;
}

void set_console_attribute(ConsoleHandle handle, std::uint16_t attribute) {
    SetConsoleTextAttribute(reinterpret_cast<HANDLE>(handle), attribute);
}

} // namespace zrl::platform
