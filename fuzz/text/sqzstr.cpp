// Fuzzes sqzstr against a step-by-step model of the squeeze on std::string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <zrlshared.h>

namespace {

std::string model(std::string s) {
    if (s.empty()) return s;
    for (char &c : s)
        if (c == '\t') c = ' ';
    std::string collapsed;
    for (char c : s)
        if (!(c == ' ' && !collapsed.empty() && collapsed.back() == ' ')) collapsed += c;
    if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    std::string edited;
    for (std::size_t i = 0; i < collapsed.size(); ++i) {
        const char c = collapsed[i];
        if (i == 0 && c == ' ') continue;
        if (c == '\b') {
            if (!edited.empty()) edited.pop_back();
        } else if (c != '\n') {
            edited += c;
        }
    }
    if (!edited.empty() && edited.back() == ' ') edited.pop_back();
    for (char &c : edited)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return edited;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(std::strlen(text.c_str()));
    const std::size_t len = text.size();
    char *buf = new char[len + 1];
    std::memcpy(buf, text.c_str(), len + 1);

    const int result = sqzstr(buf);

    if (result < 0 || static_cast<std::size_t>(result) > len) std::abort();
    if (std::strlen(buf) != static_cast<std::size_t>(result)) std::abort();
    for (int i = 0; i < result; ++i)
        if ((buf[i] >= 'a' && buf[i] <= 'z') || buf[i] == '\t' || buf[i] == '\n') std::abort();
    if (std::string(buf) != model(text)) std::abort();
    delete[] buf;
    return 0;
}
