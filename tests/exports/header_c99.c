/* The public header must compile on its own as strict C99, and a C caller must
   be able to pass its own pointers where the interface takes untyped ones. */
#include <zrlshared.h>
#include <utf8fs.h>

static int by_value(zrl_word a, zrl_word b) { return (a > b) - (a < b); }

void zrl_header_c99_uses(void);
void zrl_header_c99_uses(void) {
    zrl_word words[2] = {2, 1};
    unsigned char tape[2] = {0x20, 0x80};
    char text[4] = "abc";
    shsort(words, 2, by_value);
    eitoas(tape, text, 2);
    (void)findkeyword(text, words, (int)sizeof words[0]);
}
