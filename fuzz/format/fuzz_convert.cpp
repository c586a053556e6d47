// Any bytes into the number parsers, and numbers taken from the bytes into
// every writer.  Each writer gets a heap buffer of exactly its documented size,
// so that the sanitizer sees a single byte written too far.
#include <zrlshared.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

template <class T> T take(const std::uint8_t *&data, std::size_t &size) {
    T value{};
    const std::size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

// The text a writer left in buffer of `room` bytes: it must end inside.
int text_length(const std::vector<char> &buffer) {
    const void *nul = std::memchr(buffer.data(), '\0', buffer.size());
    check(nul != nullptr);
    return static_cast<int>(static_cast<const char *>(nul) - buffer.data());
}

void parsers(const std::string &text) {
    const int length = static_cast<int>(std::strlen(text.c_str()));

    int i = 0;
    const int ni = convai(text.c_str(), &i);
    check(ni >= 0 && ni <= length);
    int l = 0;
    check(conval(text.c_str(), &l) == ni && l == i);
    // What convia writes convai reads back whole.
    std::vector<char> digits(12);
    const int nd = convia(&i, digits.data());
    int back = 0;
    check(convai(digits.data(), &back) == nd && back == i);

    unsigned x = 0;
    const int nx = convax(text.c_str(), &x);
    check(nx >= 0 && nx <= length);
    check(atox(text.c_str()) == x);

    double d = 0.0;
    const int nr = convad(text.c_str(), &d);
    check(nr >= 0 && nr <= length);
    check(!std::isnan(d));
    const double again = atod(text.c_str());
    check(std::memcmp(&again, &d, sizeof d) == 0);
    // A prefix that stops where convad stopped reads the same.
    const std::string prefix = text.substr(0, static_cast<std::size_t>(nr));
    double p = 1.0;
    check(convad(prefix.c_str(), &p) == nr && std::memcmp(&p, &d, sizeof d) == 0);

    const std::size_t word_count = (static_cast<std::size_t>(length) + 2) / 3;
    std::vector<std::uint16_t> words(word_count == 0 ? 1 : word_count);
    check(conva5(text.c_str(), words.data()) == static_cast<int>(word_count));
}

void writers(const std::uint8_t *data, std::size_t size) {
    const auto i = take<int>(data, size);
    const auto u = take<unsigned>(data, size);
    const auto r = take<double>(data, size);
    const auto mindigits = take<int>(data, size);
    const auto strip = take<std::uint8_t>(data, size);

    std::vector<char> b12(12), b13(13), b9(9), b18(18), b16(16);
    check(convia(&i, b12.data()) == text_length(b12));
    check(convla(&i, b12.data()) == text_length(b12));
    check(convua(&u, b12.data()) == text_length(b12));
    check(utoa(u, b12.data()) == text_length(b12));
    check(convoa(&u, b12.data()) == text_length(b12));
    check(otoa(u, b12.data()) == text_length(b12));
    check(convxa(&u, b9.data()) == 8 && text_length(b9) == 8);
    check(xtoa(u, b9.data()) == 8 && text_length(b9) == 8);
    check(convha(&i, b13.data()) == text_length(b13));
    check(htoa(i, b13.data()) == text_length(b13));
    check(convlg(&i, b18.data(), mindigits, strip & 1) == text_length(b18));

    const int n = convda(&r, b16.data());
    check(n == text_length(b16) && n <= 15);
    check(dtoa(r, b16.data()) == n);
    if (std::isfinite(r) && std::fabs(r) > 1e-300 && std::fabs(r) < 1e300) {
        double back = 0.0;
        check(convad(b16.data(), &back) == n);
        check(std::fabs(back - r) <= 6.1e-7 * std::fabs(r));
    }

    const int m = convda_noexp(&r, b16.data());
    const int kept = text_length(b16);
    check(kept <= 8 && b16[8] == '\0' && m >= kept && m <= 15);
    check(m <= 8 ? m == kept : kept == 8);

    // The rest of the bytes are RAD-50 words.
    const std::size_t count = size / 2;
    std::vector<std::uint16_t> words(count == 0 ? 1 : count);
    if (count > 0) std::memcpy(words.data(), data, count * 2);
    std::vector<char> text(3 * count + 1);
    check(conv5a(text.data(), words.data(), static_cast<int>(count)) ==
          3 * static_cast<int>(count));
    check(text_length(text) == 3 * static_cast<int>(count));
    std::vector<std::uint16_t> back(count == 0 ? 1 : count);
    check(conva5(text.data(), back.data()) == static_cast<int>(count));
    for (std::size_t k = 0; k < count; ++k)
        check(back[k] == words[k] % 64000);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    parsers(std::string(reinterpret_cast<const char *>(data), size));
    writers(data, size);
    return 0;
}
