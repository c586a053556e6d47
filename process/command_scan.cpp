#include "process/command_scan.h"

#include <cstring>

namespace zrl {
namespace {

// White space of spawn_nc's scan.
bool is_space(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

// Blanks of a Windows command line.
bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

const char *skip_space(const char *p) {
    while (is_space(*p))
        ++p;
    return p;
}

// Cuts trailing white space and one background marker off text[0..length),
// which is not empty; the first character is never cut as white space.
// Returns whether the marker was there.
bool cut_background(char *text, std::size_t length) {
    std::size_t i = length - 1;
    while (i > 0 && is_space(text[i]))
        text[i--] = '\0';
    if (text[i] != '&') return false;
    text[i] = '\0';
    if (i > 0) {
        --i;
        while (i > 0 && is_space(text[i]))
            text[i--] = '\0';
    }
    return true;
}

// Takes the redirections out from right to left, each cut off before the
// next is looked for, so a stream named twice keeps its leftmost name.  A '>'
// that is not one of " >", " 1>" and " 2>" stays in the text and the search
// goes on to its left: it may belong to an argument such as '->' or 'a>b'.
void take_redirections(char *text, NoConsoleScan &scan) {
    std::size_t limit = std::strlen(text);
    while (limit > 0) {
        std::size_t p = limit;
        while (p > 0 && text[p - 1] != '>')
            --p;
        if (p == 0) return;
        const std::size_t at = p - 1; // the '>'
        const char *name = skip_space(text + at + 1);
        if (at >= 1 && text[at - 1] == ' ') {
            text[at - 1] = '\0';
            scan.output = name;
            limit = at - 1;
        } else if (at >= 2 && text[at - 2] == ' ' && (text[at - 1] == '1' || text[at - 1] == '2')) {
            (text[at - 1] == '2' ? scan.error : scan.output) = name;
            text[at - 2] = '\0';
            limit = at - 2;
        } else {
            limit = at;
        }
    }
}

} // namespace

std::size_t background_length(std::string_view command) {
    std::size_t i = command.size();
    bool marker = false;
    while (i > 0 && (command[i - 1] == ' ' || command[i - 1] == '&')) {
        marker = marker || command[i - 1] == '&';
        --i;
    }
    return marker ? i : 0;
}

bool scan_no_console(const char *command, NoConsoleScan &scan) {
    scan.output = nullptr;
    scan.error = nullptr;
    scan.background = false;
    scan.text[0] = '\0';
    const char *from = command != nullptr ? command : "";
    std::size_t length = 0;
    while (length <= kNoConsoleMax && from[length] != '\0')
        ++length;
    if (length > kNoConsoleMax) return false;
    std::memcpy(scan.text, from, length);
    scan.text[length] = '\0';
    if (length > 0) scan.background = cut_background(scan.text, length);
    take_redirections(scan.text, scan);
    return true;
}

std::vector<std::string> split_arguments(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n && is_blank(line[i]))
        ++i;
    if (i == n) return words;

    // The program name: quotes toggle, nothing else is special.
    std::string word;
    bool quoted = false;
    for (; i < n && (quoted || !is_blank(line[i])); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else
            word += line[i];
    }
    words.push_back(word);

    for (;;) {
        while (i < n && is_blank(line[i]))
            ++i;
        if (i == n) return words;
        word.clear();
        quoted = false;
        while (i < n && (quoted || !is_blank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t run = 0;
                while (i < n && line[i] == '\\') {
                    ++run;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    word.append(run / 2, '\\');
                    if (run % 2 == 1) {
                        word += '"';
                        ++i;
                    }
                } else {
                    word.append(run, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                word += line[i++];
            }
        }
        words.push_back(word);
    }
}

ArgumentVector::ArgumentVector(std::string_view line) : words_(split_arguments(line)) {
    for (std::string &word : words_)
        pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
}

} // namespace zrl
