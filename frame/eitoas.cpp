// Punched-tape text in the EIA RS-244 code, converted to ASCII byte by byte.
#include <array>

#include <zrlshared.h>

namespace zrl {
namespace {

struct TapeCode {
    unsigned char code;
    char ascii;
};

// The tape codes that stand for a character; every other code is NUL.
constexpr TapeCode kTapeCodes[] = {
    {0x01, '1'},  {0x02, '2'}, {0x04, '4'}, {0x07, '7'}, {0x08, '8'},  {0x0B, '%'}, {0x0E, '&'},
    {0x10, ' '},  {0x13, '3'}, {0x15, '5'}, {0x16, '6'}, {0x19, '9'},  {0x1A, '('}, {0x20, '0'},
    {0x23, 'T'},  {0x25, 'V'}, {0x26, 'W'}, {0x29, 'Z'}, {0x2A, '\b'}, {0x31, '/'}, {0x32, 'S'},
    {0x34, 'U'},  {0x37, 'X'}, {0x38, 'Y'}, {0x3B, ','}, {0x3E, '\t'}, {0x40, '-'}, {0x43, 'L'},
    {0x45, 'N'},  {0x46, 'O'}, {0x49, 'R'}, {0x4A, ')'}, {0x51, 'J'},  {0x52, 'K'}, {0x54, 'M'},
    {0x57, 'P'},  {0x58, 'Q'}, {0x61, 'A'}, {0x62, 'B'}, {0x64, 'D'},  {0x67, 'G'}, {0x68, 'H'},
    {0x6B, '.'},  {0x70, '+'}, {0x73, 'C'}, {0x75, 'E'}, {0x76, 'F'},  {0x79, 'I'}, {0x7F, 0x7F},
    {0x80, '\n'},
};

constexpr std::array<unsigned char, 256> make_tape_table() {
    std::array<unsigned char, 256> table{};
    for (const TapeCode &entry : kTapeCodes)
        table[entry.code] = static_cast<unsigned char>(entry.ascii);
    return table;
}

constexpr std::array<unsigned char, 256> kTapeToAscii = make_tape_table();

// Each byte is read before the same position is written, so the source and
// the destination may be one buffer.
void tape_to_ascii(const unsigned char *source, unsigned char *destination, int count) {
    for (int i = 0; i < count; ++i)
        destination[i] = kTapeToAscii[source[i]];
}

} // namespace
} // namespace zrl

extern "C" ZRL_API void eitoas(const void *source, void *destination, int count) {
    if (count <= 0) return;
    zrl::tape_to_ascii(static_cast<const unsigned char *>(source),
                       static_cast<unsigned char *>(destination), count);
}
