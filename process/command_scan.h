// The pure text work of the spawning operations: spawn's background marker,
// spawn_nc's working buffer with its background marker and redirections, and
// the split of a command line into program arguments by the rules that
// Windows programs read their command lines with.  Nothing here touches the
// system, so the tests and the fuzzer drive it directly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zrl {

// spawn: the length of the command to keep for a background start (the text
// before its trailing run of blanks and '&'), or 0 when the command is not
// one: no '&' in that run, or nothing but the run.
std::size_t background_length(std::string_view command);

// The most characters spawn_nc takes; its working buffer holds one more byte.
inline constexpr std::size_t kNoConsoleMax = 511;

// spawn_nc's command after the scan.  The working buffer is cut into pieces
// with NULs: the program text at its start, the file names behind it.
struct NoConsoleScan {
    char text[kNoConsoleMax + 1];
    const char *output = nullptr; // points into text; null when not named
    const char *error = nullptr;
    bool background = false;
};

// Fills scan from command (null counts as the empty command).  A command of
// more than kNoConsoleMax characters is refused whole: false, nothing cut,
// and no more of it read than one character past the limit.
bool scan_no_console(const char *command, NoConsoleScan &scan);

// The arguments of a command line as a Windows program's C runtime reads them:
// blanks (space, tab) separate; a double quote starts or ends a quoted part,
// in which blanks are kept and two quotes give one; backslashes are plain,
// except before a double quote, where each pair gives one backslash and an
// odd one left over makes the quote a plain character.  The program name, the
// first argument, is read as Windows reads it: from its first non-blank
// character to a blank outside quotes, quotes dropped, backslashes plain.
std::vector<std::string> split_arguments(std::string_view line);

// The arguments with a null-ended array of pointers to them, as exec takes.
class ArgumentVector {
  public:
    explicit ArgumentVector(std::string_view line);
    ArgumentVector(const ArgumentVector &) = delete;
    ArgumentVector &operator=(const ArgumentVector &) = delete;
    char *const *argv() const { return pointers_.data(); }
    bool empty() const { return words_.empty(); }

  private:
    std::vector<std::string> words_;
    std::vector<char *> pointers_;
};

} // namespace zrl
