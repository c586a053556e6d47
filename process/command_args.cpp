// The command line of a program: its arguments joined in the command buffer,
// or a line typed at its prompt, made the current command line for fspec and
// pspec.
#include <cstddef>
#include <cstring>
#include <span>

#include "filespec/command_line.h"
#include "frame/console.h"
#include <zrlshared.h>

namespace zrl {
namespace {

// The command buffer: at most 4095 characters and the NUL.
constexpr std::size_t kCommandSize = 4096;
char command_buffer[kCommandSize];

// The prompt line is the prompt, '>' and a blank in 80 bytes: a longer
// prompt is shown cut to its first 77 characters.  Only the display is cut;
// the facility name of messages is the caller's whole text.
constexpr std::size_t kPromptLineSize = 80;
constexpr std::size_t kPromptMax = kPromptLineSize - 3;

// An argument and its blank are taken only when they fit with the NUL;
// the first one that does not fit ends the text, so an argument is never
// cut.  A null argument ends the vector, as argv[argc] does.
char *join_arguments(int argc, char **argv) {
    std::size_t length = 0;
    for (int i = 1; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        const std::size_t size = std::strlen(argv[i]);
        const bool last = i == argc - 1;
        if (length + size + (last ? 0 : 1) + 1 > kCommandSize) break;
        std::memcpy(command_buffer + length, argv[i], size);
        length += size;
        if (!last) command_buffer[length++] = ' ';
    }
    command_buffer[length] = '\0';
    return command_buffer;
}

// A typed line longer than the buffer holds is refused whole, never cut (a
// cut command could name a file the user did not), and the prompt is asked
// again.  An empty answer, or the end of input, ends the program.
void read_command(const char *prompt) {
    char prompt_text[kPromptLineSize];
    std::size_t shown = 0;
    while (shown < kPromptMax && prompt[shown] != '\0')
        ++shown;
    std::memcpy(prompt_text, prompt, shown);
    std::memcpy(prompt_text + shown, "> ", 3);
    for (;;) {
        const Line line = prompt_line(prompt_text, std::span<char>(command_buffer, kCommandSize));
        if (!line.cut) break;
        command_buffer[0] = '\0';
        typeln("Command line too long (at most 4095 characters): ignored.");
    }
    if (command_buffer[0] == '\0') exitsevere();
}

char *take_command(const char *prompt, int argc, char **argv) {
    if (prompt != nullptr) errfacil(prompt);
    join_arguments(argc, argv);
    if (command_buffer[0] == '\0' && prompt != nullptr) read_command(prompt);
    command_cursor = command_buffer;
    return command_buffer;
}

} // namespace
} // namespace zrl

extern "C" {

ZRL_API char *getcml_arg(int argc, char **argv) {
    return zrl::join_arguments(argc, argv);
}

ZRL_API char *getcmu_arg(const char *prompt, int argc, char **argv) {
    return zrl::take_command(prompt, argc, argv);
}

ZRL_API char *getcmd_arg(const char *prompt, int argc, char **argv) {
    char *text = zrl::take_command(prompt, argc, argv);
    zrl::normalise_command(text);
    return text;
}

ZRL_API char *setcmd(char *text) {
    char *previous = zrl::command_cursor;
    zrl::command_cursor = text;
    if (text != nullptr) zrl::normalise_command(text);
    return previous;
}

} // extern "C"
