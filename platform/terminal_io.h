// What the terminal subsystem asks of the operating system: whether the
// standard streams are terminals, a wait for input that uses no processor
// time, and the console text attribute where the system colours text that
// way.  platform/posix and platform/win32 each implement it.
#pragma once

#include <cstdint>

namespace zrl::platform {

// Whether descriptor `fd` (0 standard input, 1 standard output) is a terminal.
bool is_terminal(int fd);

// Waits until standard input has something to read, or will never have
// anything again (closed, hung up, a file at its end), without spinning.
// Returns at once where the system cannot wait on the input.
void wait_for_input();

// ---- Console text attribute ----

// True where text colours are a console attribute (Windows); false where
// they are set by control sequences written with the text (POSIX).
bool colours_by_console();

// A console output handle as a word.  kHandleNotFetched is the null handle
// of a cache that has not asked yet; kHandleUnusable stands for the invalid
// handle and for output that is no console (redirected, or no console at all).
using ConsoleHandle = std::intptr_t;
inline constexpr ConsoleHandle kHandleNotFetched = 0;
inline constexpr ConsoleHandle kHandleUnusable = -1;

// The standard output handle, or kHandleUnusable.
ConsoleHandle console_output();

// The console's current text attribute (a usable handle only).
std::uint16_t console_attribute(ConsoleHandle handle);

// Sets the console's text attribute; the outcome is not reported.
void set_console_attribute(ConsoleHandle handle, std::uint16_t attribute);

} // namespace zrl::platform
