// The tables shared by the key decoder and the key names: which byte after
// ESC [ or ESC O stands for which key, and the numbers of the VT220 keys
// sent as ESC [ n ~.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zrl::keys {

constexpr int kEsc = 0x1B;
constexpr int kDel = 0x7F;

constexpr int kFirstKey = 256;  // keypad 0
constexpr int kDelete = 278;    // the byte 0x7F
constexpr int kLastKey = 299;   // F20
constexpr int kAltFlag = 0x200; // plain readers: an Alt key is down
constexpr int kAltBits = 16 | 32;
constexpr int kCtrlBit = 8;
constexpr int kShiftBits = 1 | 2 | 4;
constexpr int kModifierEvent = 0x800000;

// A final byte at position i below kFirstDigit is the key 256 + i; the
// positions from kFirstDigit on are the digits 1 to 6 that open ESC [ n ~.
constexpr std::string_view kFinals = "pqrstuvwxyABDCMnPQRSml123456";
constexpr std::size_t kFirstDigit = 22;

// For each byte, its position in kFinals plus one, or 0 when it is none:
// the decoder's lookup of a final byte without a search.
constexpr std::array<unsigned char, 256> kFinalPlusOne = [] {
    std::array<unsigned char, 256> table{};
    for (std::size_t i = 0; i < kFinals.size(); ++i)
        table[static_cast<unsigned char>(kFinals[i])] = static_cast<unsigned char>(i + 1);
    return table;
}();

// The key of ESC [ n ~ for n from 0 to 34; 0 for no key.
constexpr std::array<int, 35> kNumbered = {
    0,   279, 280, 281, 282, 283, 284, 0,   0,   0, 0,   272, 273, 274, 275, 294, 0,  285,
    286, 287, 288, 289, 0,   290, 291, 292, 293, 0, 294, 295, 0,   296, 297, 298, 299};

// The number that the terminal sends for the keys 279 to 299.
constexpr std::array<int, 21> kVt220Numbers = {1,  2,  3,  4,  5,  6,  17, 18, 19, 20, 21,
                                               23, 24, 25, 26, 28, 29, 31, 32, 33, 34};

} // namespace zrl::keys
