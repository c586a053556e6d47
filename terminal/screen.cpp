// Screen control: fixed VT100 sequences, cursor moves, the scrolling region,
// video attributes and text fields, all written to standard output through
// type and typeff and never flushed here.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include <zrlshared.h>

#include "platform/terminal_io.h"

namespace zrl {
namespace {

constexpr int kScreenRows = 24;

// The scrolling region, 1-based rows; sent to the terminal only by
// trm_setregion.
int region_top = 1;
int region_bottom = kScreenRows;

// The SGR parameter lists of the video attributes, indexed by the sum of
// 1 underline, 2 reverse, 4 bold and 8 blink.
constexpr const char *kVideoRows[16] = {"0",   "4",     "7",     "7;4",    "1",   "1;4",
                                        "1;7", "1;7;4", "5",     "5;4",    "5;7", "5;7;4",
                                        "5;1", "5;1;4", "5;1;7", "5;1;7;4"};
constexpr int kReverse = 2;

// An index outside 0-15 keeps only its four attribute bits.
void select_video(int video) {
    typeff("\033['m", kVideoRows[video & 15]);
}

// Fields and runs go out through a buffer of this many characters and its
// NUL, in as many pieces as they need: a field of any width is written whole.
constexpr std::size_t kPiece = 133;

void type_text(const char *text, std::size_t n) {
    char piece[kPiece + 1];
    while (n > 0) {
        const std::size_t k = std::min(n, kPiece);
        std::memcpy(piece, text, k);
        piece[k] = '\0';
        type(piece);
        text += k;
        n -= k;
    }
}

// A run of one byte; a run of NULs is the empty string and writes nothing.
void type_run(char ch, std::size_t n) {
    char run[kPiece];
    std::memset(run, ch, std::min(n, kPiece));
    for (std::size_t k; n > 0; n -= k) {
        k = std::min(n, kPiece);
        type_text(run, k);
    }
}

void erase_region() {
    if (region_top == 1 && region_bottom == kScreenRows) {
        type("\033[2J");
        return;
    }
    int row = region_top;
    do
        typeff("\033[#H\033[K", row);
    while (++row <= region_bottom);
}

void scroll(int n) {
    if (n > 0) {
        typeff("\033[#;#H", region_bottom, 1);
        for (int i = 0; i < n; ++i)
            type("\033D\r");
    } else {
        typeff("\033[#;#H", region_top, 1);
        for (int i = n; i < 0; ++i)
            type("\033M\r");
    }
}

void set_region(int top, int bottom) {
    bottom = std::min(bottom, kScreenRows);
    typeff("\033[#;#r", top, bottom);
    region_top = top;
    region_bottom = bottom;
}

void forward(int n) {
    if (n == 0) return;
    if (n == 1)
        type("\033[C");
    else if (n == -1)
        type("\b");
    else if (n > 1)
        typeff("\033[#C", n);
    else
        typeff("\033[#D", -n);
}

// The console attribute cache: the handle (not fetched yet, unusable, or a
// console), the colours at the first call and their inverse.
platform::ConsoleHandle video_handle = platform::kHandleNotFetched;
std::uint16_t normal_attribute = 0;
std::uint16_t inverse_attribute = 0;

void set_video(int inverse) {
    if (!platform::colours_by_console()) {
        select_video(inverse > 0 ? kReverse : 0);
        return;
    }
    if (video_handle == platform::kHandleNotFetched) {
        video_handle = platform::console_output();
        if (video_handle == platform::kHandleUnusable) return;
        normal_attribute = platform::console_attribute(video_handle);
        inverse_attribute = static_cast<std::uint16_t>(normal_attribute ^ 0x77);
    }
    if (video_handle == platform::kHandleUnusable) return;
    platform::set_console_attribute(video_handle,
                                    inverse > 0 ? inverse_attribute : normal_attribute);
}

void show_field(const char *text, int row, int col, int width, int video) {
    if (text == nullptr) text = "";
    std::size_t len = std::strlen(text);
    std::size_t w = len;
    bool erase_rest = false;
    if (width > 0) {
        w = static_cast<std::size_t>(width);
        len = std::min(len, w);
    } else if (width < 0) {
        if (video == 0)
            erase_rest = true;
        else
            w = 79;
        len = std::min(len, w);
    }
    typeff("\033[#;#H", row, col);
    if (video != 0) select_video(video);
    type_text(text, len);
    type_run(' ', w - len);
    if (erase_rest) type("\033[K");
    if (video != 0) select_video(0);
}

void type_character(int ch, int video, int count) {
    if (video != 0) select_video(video);
    if (count > 0) type_run(static_cast<char>(ch), static_cast<std::size_t>(count));
}

void no_effect() {}

} // namespace
} // namespace zrl

extern "C" ZRL_API void trm_beep(void) {
    type("\a");
}
extern "C" ZRL_API void trm_cr(void) {
    type("\r");
}
extern "C" ZRL_API void trm_clreol(void) {
    type("\033[K");
}
extern "C" ZRL_API void trm_savcur(void) {
    type("\0337");
}
extern "C" ZRL_API void trm_rescur(void) {
    type("\0338");
}
extern "C" ZRL_API void trm_erase(void) {
    zrl::erase_region();
}
extern "C" ZRL_API void trm_forw(int n) {
    zrl::forward(n);
}
extern "C" ZRL_API void trm_scroll(int n) {
    zrl::scroll(n);
}
extern "C" ZRL_API void trm_setcursor(int row, int col) {
    typeff("\033[#;#H", row, col);
}
extern "C" ZRL_API void trm_setregion(int top, int bottom) {
    zrl::set_region(top, bottom);
}
extern "C" ZRL_API void trm_keypad(int application) {
    type(application != 0 ? "\033=" : "\033>\033[?1l");
}
extern "C" ZRL_API void trm_setvideo(int inverse) {
    zrl::set_video(inverse);
}
extern "C" ZRL_API void trm_showfield(const char *text, int row, int col, int width, int video) {
    zrl::show_field(text, row, col, width, video);
}
extern "C" ZRL_API void trm_typch(int ch, int video, int count) {
    zrl::type_character(ch, video, count);
}
extern "C" ZRL_API void trm_type(const char *text) {
    type(text);
}
extern "C" ZRL_API int trm_typln(const char *text) {
    return typeln(text);
}
extern "C" ZRL_API int trm_getinfo(void) {
    return 0;
}
extern "C" ZRL_API void trm_keyslo(void) {
    zrl::no_effect();
}
extern "C" ZRL_API void trm_setshape(void) {
    zrl::no_effect();
}
