/*
 * ZVIEW - view a text file on a VT100/VT220 terminal.
 *
 *   zview file
 *
 * The file is read through the record I/O, line by line.  The screen's top
 * 23 rows are a scrolling region that shows the text; row 24 is an inverse
 * status line with the file name, the lines shown and the keys.
 *
 * Keys: cursor up and down move one line, PREV SCREEN and NEXT SCREEN (also
 * b and the space bar) one screen; PF1 or HELP shows the keys, PF2, FIND or
 * '/' asks for a text and shows the next line that holds it (an empty answer
 * repeats the last search), PF4, q or Ctrl-C quits.
 *
 * The program sets the terminal's raw input mode itself (the library never
 * changes it) and puts the saved mode back on every way out: the normal
 * quit, a fatal error of the library (the exit handler ends in exit, which
 * runs the at-exit list), and the signals that end a program.
 */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

#include <zrlshared.h>

#define TEXT_ROWS 23
#define STATUS_ROW 24
#define COLUMNS 79
#define SHOWN 300 /* a line with its tabs expanded, cut to the room shown */

static char **lines;
static int line_count;
static int top; /* index of the line on row 1 */
static const char *file_name;
static char last_search[64];

/* ---- The terminal's input mode ------------------------------------------ */

#ifdef _WIN32
static HANDLE console_in, console_out;
static DWORD saved_in_mode, saved_out_mode;
static int mode_saved;

static void restore_mode(void) {
    if (!mode_saved) return;
    SetConsoleMode(console_in, saved_in_mode);
    SetConsoleMode(console_out, saved_out_mode);
    mode_saved = 0;
}

/* Keys as bytes, Ctrl-C included, and the VT sequences of the cursor and
   function keys; output that understands the control sequences. */
static void raw_mode(void) {
    console_in = GetStdHandle(STD_INPUT_HANDLE);
    console_out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!GetConsoleMode(console_in, &saved_in_mode) ||
        !GetConsoleMode(console_out, &saved_out_mode))
        return;
    mode_saved = 1;
    atexit(restore_mode);
    SetConsoleMode(console_in, (saved_in_mode & ~(DWORD)(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                                                         ENABLE_PROCESSED_INPUT)) |
                                   0x0200 /* ENABLE_VIRTUAL_TERMINAL_INPUT */);
    SetConsoleMode(console_out, saved_out_mode | 0x0004 /* ENABLE_VIRTUAL_TERMINAL_PROCESSING */);
    _setmode(_fileno(stdin), _O_BINARY);
}
#else
static struct termios saved_mode;
static int mode_saved;

static void restore_mode(void) {
    if (mode_saved) tcsetattr(0, TCSAFLUSH, &saved_mode);
}

/* A signal that ends the program: the mode goes back first. */
static void on_signal(int sig) {
    restore_mode();
    signal(sig, SIG_DFL);
    raise(sig);
}

/* One byte per key, no echo, Ctrl-C and Ctrl-Z as keys, output as it was. */
static void raw_mode(void) {
    struct termios raw;
    if (tcgetattr(0, &saved_mode) != 0) return;
    mode_saved = 1;
    atexit(restore_mode);
    signal(SIGTERM, on_signal);
    signal(SIGHUP, on_signal);
    raw = saved_mode;
    raw.c_lflag &= ~(tcflag_t)(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~(tcflag_t)(IXON | ICRNL | INLCR | ISTRIP);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(0, TCSAFLUSH, &raw);
}
#endif

/* ---- The file ------------------------------------------------------------ */

/* The name of the file to view.  One function, so that a command-line
   parser can take its place. */
static const char *take_command(int argc, char **argv) {
    if (argc != 2) {
        typeln("usage: zview file");
        exits(1);
    }
    return argv[1];
}

/* Tabs become blanks to the next multiple of 8, other control characters '?'. */
static char *shown_line(const char *text) {
    char out[SHOWN + 1];
    int n = 0;
    for (; *text != '\0' && n < SHOWN; ++text) {
        if (*text == '\t') {
            do
                out[n++] = ' ';
            while (n % 8 != 0 && n < SHOWN);
        } else {
            out[n++] = (unsigned char)*text < 32 ? '?' : *text;
        }
    }
    out[n] = '\0';
    return strcpy(malloc((size_t)n + 1), out);
}

static void load(const char *name) {
    char line[256];
    int room = 0;
    FDB *fdb = fopenr("SEQUENTIAL", name, 0, "cannot open the file to view");
    for (;;) {
        fgetstr(fdb, line);
        if (zrl_error != 0) break;
        if (line_count == room) {
            room = room != 0 ? 2 * room : 256;
            lines = realloc(lines, (size_t)room * sizeof *lines);
        }
        lines[line_count++] = shown_line(line);
    }
    fclosx(fdb);
}

/* ---- The screen ----------------------------------------------------------- */

static void show_row(int row) {
    const int at = top + row - 1;
    trm_showfield(at < line_count ? lines[at] : "", row, 1, COLUMNS, 0);
}

static void show_status(void) {
    char status[COLUMNS + 1];
    const int last = top + TEXT_ROWS < line_count ? top + TEXT_ROWS : line_count;
    fmtstrmax(status, COLUMNS, " ' lines #-# of #   PF1 help  PF2 find  PF4 quit", file_name,
              line_count > 0 ? top + 1 : 0, last, line_count);
    trm_showfield(status, STATUS_ROW, 1, -1, 2);
}

static void show_all(void) {
    int row;
    for (row = 1; row <= TEXT_ROWS; ++row)
        show_row(row);
    show_status();
}

static int last_top(void) {
    return line_count > TEXT_ROWS ? line_count - TEXT_ROWS : 0;
}

static void move_to(int new_top) {
    if (new_top > last_top()) new_top = last_top();
    if (new_top < 0) new_top = 0;
    if (new_top == top + 1) { /* one line on: the region scrolls up */
        top = new_top;
        trm_scroll(1);
        show_row(TEXT_ROWS);
        show_status();
    } else if (new_top == top - 1) {
        top = new_top;
        trm_scroll(-1);
        show_row(1);
        show_status();
    } else if (new_top != top) {
        top = new_top;
        show_all();
    }
}

static void help(void) {
    static const char *const text[] = {
        "ZVIEW keys",
        "",
        "  up, down                  one line",
        "  PREV SCREEN, NEXT SCREEN  one screen (also b and space)",
        "  PF1, HELP                 these lines",
        "  PF2, FIND, /              find a text (empty: the last one again)",
        "  PF4, q, Ctrl-C            quit",
        "",
        "Press any key to go back to the text.",
        0};
    int row;
    trm_erase();
    for (row = 0; text[row] != 0; ++row)
        trm_showfield(text[row], row + 2, 4, -1, row == 0 ? 4 : 0);
    trm_showfield(" help", STATUS_ROW, 1, -1, 2);
    trm_flush();
    trm_key();
    show_all();
}

/* Reads the text to find on the status line; 0 when the search is off. */
static int ask(char *answer, int room) {
    int n = 0;
    answer[0] = '\0';
    for (;;) {
        char prompt[COLUMNS + 1];
        int key;
        fmtstrmax(prompt, COLUMNS, " Find: '", answer);
        trm_showfield(prompt, STATUS_ROW, 1, -1, 2);
        trm_setcursor(STATUS_ROW, 8 + n);
        trm_flush();
        key = trm_key();
        if (key == 13) return 1;
        if (key == 3 || key == trm_lookupcode("PF4")) return 0;
        if ((key == 278 || key == 8) && n > 0) {
            answer[--n] = '\0';
        } else if (key >= 32 && key < 256 && key != 127 && n < room - 1) {
            answer[n++] = (char)key;
            answer[n] = '\0';
        }
    }
}

static void find(void) {
    char answer[sizeof last_search];
    int at;
    if (!ask(answer, (int)sizeof answer)) {
        show_status();
        return;
    }
    if (answer[0] != '\0') strcpy(last_search, answer);
    if (last_search[0] == '\0') {
        show_status();
        return;
    }
    for (at = top + 1; at < line_count; ++at) {
        if (sposstr(last_search, lines[at]) >= 0) {
            top = at;
            show_all();
            return;
        }
    }
    show_status();
    trm_showfield(" not found", STATUS_ROW, 1, -1, 2);
    trm_beep();
}

static void finish(void) {
    trm_setregion(1, 24);
    trm_setvideo(0);
    trm_erase();
    trm_setcursor(1, 1);
    trm_keypad(0);
    trm_flush();
}

int main(int argc, char **argv) {
    int key;
    file_name = take_command(argc, argv);
    load(file_name);
    trm_attach();
    raw_mode();
    trm_keypad(1);
    trm_setregion(1, TEXT_ROWS);
    trm_erase();
    show_all();
    for (;;) {
        const char *name;
        trm_setcursor(STATUS_ROW, COLUMNS);
        trm_flush();
        key = trm_key();
        name = trm_lookupkey(key);
        if (key == 'q' || key == 3 || (name != 0 && strcmp(name, "PF4") == 0)) break;
        if (key == trm_lookupcode("DOWN") || key == 13)
            move_to(top + 1);
        else if (key == trm_lookupcode("UP"))
            move_to(top - 1);
        else if (key == trm_lookupcode("NXT") || key == ' ')
            move_to(top + TEXT_ROWS);
        else if (key == trm_lookupcode("PRV") || key == 'b')
            move_to(top - TEXT_ROWS);
        else if (key == trm_lookupcode("PF1") || key == trm_lookupcode("HELP"))
            help();
        else if (key == trm_lookupcode("PF2") || key == trm_lookupcode("FIND") || key == '/')
            find();
    }
    finish();
    return 0;
}
