// Fuzzes the command-line parsers: the normalisation, then fspec and pspec
// until the line is used up, on a text of any bytes.  Every specification and
// value handed out must lie inside the text, the text may only lose bytes to
// NULs (after the normalisation), and the parse must end.
//
// Input: byte 0 picks whether pspec runs before each fspec and whether the
// converter refuses values; the rest is the command text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <zrlshared.h>

namespace {

const char *text_begin = nullptr;
const char *text_end = nullptr;
bool refuse_values = false;

void inside(const char *p) {
    if (p == nullptr) return;
    if (p < text_begin || p > text_end) std::abort();
    if (std::strlen(p) > static_cast<std::size_t>(text_end - p)) std::abort();
}

void convert(const char *value, void *dest) {
    inside(value);
    if (refuse_values) zrl_error = 22;
    *static_cast<const char **>(dest) = value;
}

int32_t flags[4];
char *values[4];
const ZRL_SWITCH kTable[] = {
    {"L*OG", &flags[0], nullptr, nullptr},
    {"W*IDTH", &flags[1], nullptr, &values[0]},
    {"C*ONVERT", &flags[2], convert, &values[1]},
    {"NOTE", &flags[3], nullptr, &values[2]},
    {nullptr, nullptr, nullptr, nullptr},
};

void keep_going(int) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    ZRL_ExitHandler = keep_going;
    const bool with_pspec = (data[0] & 1) != 0;
    refuse_values = (data[0] & 2) != 0;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    text.resize(std::strlen(text.c_str()));

    // An exact-size heap copy lets the address sanitizer see any stray access.
    const std::size_t length = text.size();
    char *line = new char[length + 1];
    std::memcpy(line, text.c_str(), length + 1);
    setcmd(line);
    const std::string normalised(line);
    if (normalised.size() > length) std::abort();
    text_begin = line;
    text_end = line + normalised.size();

    // Each call moves the cursor on or ends the line, so a parse takes at most
    // one call per byte, and a failure ends it.
    for (std::size_t calls = 0;; ++calls) {
        if (calls > normalised.size() + 1) std::abort();
        if (with_pspec) {
            pspec(kTable, nullptr);
            if (zrl_error != 0) break;
        }
        const char *spec = fspec(kTable, nullptr);
        if (spec == nullptr) break;
        inside(spec);
        for (const char *value : values)
            inside(value);
    }
    for (std::size_t i = 0; i < normalised.size(); ++i)
        if (line[i] != normalised[i] && line[i] != '\0') std::abort();
    setcmd(nullptr);
    for (char *&value : values)
        value = nullptr;
    delete[] line;
    return 0;
}
