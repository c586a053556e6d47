// Fuzzes the command scan of the spawning operations: spawn_nc's working
// buffer with its background marker and redirections, spawn's background
// marker, and the split into arguments.  Checks that the scan reads and
// writes only inside its texts, that the pieces it leaves are the command's
// own text, and that the split agrees with what the text holds.
//
// Input: the command (any bytes up to a NUL).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "process/command_scan.h"

namespace {

bool inside(const char *p, const char *base, std::size_t size) {
    return p >= base && p <= base + size;
}

// Every character of an argument comes from the text (quotes and some
// backslashes are dropped, nothing is added but a backslash or quote that
// was there).
bool drawn_from(const std::string &word, const std::string &text) {
    for (char c : word)
        if (text.find(c) == std::string::npos) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(std::strlen(text.c_str()));

    // An exact-size heap copy lets the address sanitizer see any stray read.
    char *command = new char[text.size() + 1];
    std::memcpy(command, text.c_str(), text.size() + 1);

    auto *scan = new zrl::NoConsoleScan;
    const bool taken = zrl::scan_no_console(command, *scan);
    if (taken != (text.size() <= zrl::kNoConsoleMax)) std::abort();
    if (taken) {
        const std::size_t program = std::strlen(scan->text);
        if (program > text.size()) std::abort();
        if (std::memcmp(scan->text, text.data(), program) != 0) std::abort();
        for (const char *name : {scan->output, scan->error}) {
            if (name == nullptr) continue;
            if (!inside(name, scan->text, text.size())) std::abort();
            const std::size_t n = std::strlen(name);
            if (name + n > scan->text + text.size()) std::abort();
            // A name is the command's text at the same place.
            if (std::memcmp(name, text.data() + (name - scan->text), n) != 0) std::abort();
            if (name <= scan->text + program) std::abort();
        }
        // The program text holds no redirection any more.
        for (std::size_t i = 0; i + 1 < program; ++i) {
            const char *p = scan->text + i;
            if (p[0] == ' ' && p[1] == '>') std::abort();
            if (i + 2 < program && p[0] == ' ' && (p[1] == '1' || p[1] == '2') && p[2] == '>')
                std::abort();
        }
        for (const std::string &word : zrl::split_arguments(scan->text))
            if (!drawn_from(word, scan->text)) std::abort();
    }
    const std::size_t keep = zrl::background_length(text);
    if (keep > text.size()) std::abort();
    if (keep > 0 && text.find('&', keep) == std::string::npos) std::abort();

    const zrl::ArgumentVector arguments(text);
    std::size_t count = 0;
    while (arguments.argv()[count] != nullptr)
        ++count;
    if (count != zrl::split_arguments(text).size()) std::abort();
    delete scan;
    delete[] command;
    return 0;
}
