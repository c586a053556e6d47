// Punched-tape text to ASCII.
#include <array>
#include <map>
#include <utility>

#include <gtest/gtest.h>
#include <zrlshared.h>

namespace {

// The tape codes that stand for a character, written out independently of
// the library's table.
const std::map<int, char> kExpected = {
    {0x01, '1'},  {0x02, '2'}, {0x04, '4'}, {0x07, '7'}, {0x08, '8'},  {0x0B, '%'}, {0x0E, '&'},
    {0x10, ' '},  {0x13, '3'}, {0x15, '5'}, {0x16, '6'}, {0x19, '9'},  {0x1A, '('}, {0x20, '0'},
    {0x23, 'T'},  {0x25, 'V'}, {0x26, 'W'}, {0x29, 'Z'}, {0x2A, 0x08}, {0x31, '/'}, {0x32, 'S'},
    {0x34, 'U'},  {0x37, 'X'}, {0x38, 'Y'}, {0x3B, ','}, {0x3E, 0x09}, {0x40, '-'}, {0x43, 'L'},
    {0x45, 'N'},  {0x46, 'O'}, {0x49, 'R'}, {0x4A, ')'}, {0x51, 'J'},  {0x52, 'K'}, {0x54, 'M'},
    {0x57, 'P'},  {0x58, 'Q'}, {0x61, 'A'}, {0x62, 'B'}, {0x64, 'D'},  {0x67, 'G'}, {0x68, 'H'},
    {0x6B, '.'},  {0x70, '+'}, {0x73, 'C'}, {0x75, 'E'}, {0x76, 'F'},  {0x79, 'I'}, {0x7F, 0x7F},
    {0x80, 0x0A},
};

// Every code, converted into another buffer and in place.
TEST(Eitoas, ConvertsEveryCodeOfTheTable) {
    std::array<unsigned char, 256> ascii{}, in_place{};
    for (int i = 0; i < 256; ++i)
        in_place[i] = static_cast<unsigned char>(i);
    const auto source = in_place;
    eitoas(source.data(), ascii.data(), 256);
    eitoas(in_place.data(), in_place.data(), 256);
    EXPECT_EQ(in_place, ascii);
    EXPECT_EQ(kExpected.size(), 50u);
    for (int code = 0; code < 256; ++code) {
        const auto entry = kExpected.find(code);
        const int want = entry == kExpected.end() ? 0 : static_cast<unsigned char>(entry->second);
        EXPECT_EQ(ascii[code], want) << "code 0x" << std::hex << code;
    }
}

// Exactly count bytes are written, with no terminator.
TEST(Eitoas, WritesExactlyCountBytes) {
    const unsigned char tape[] = {0x61, 0x62, 0x73, 0x80};
    for (const auto &[count, result] :
         {std::pair<int, const char *>{2, "AB######"}, {-3, "########"}}) {
        char out[9] = "########";
        eitoas(tape, out, count);
        EXPECT_STREQ(out, result) << "count " << count;
    }
}

} // namespace
