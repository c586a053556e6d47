/*
 * ZRUN - run a command and report how it ended.
 *
 *   zrun program [arguments] [> out] [1> out] [2> err] [&]
 *
 * The words of the command line are joined into one command text and run
 * detached from the console with spawn_nc: the redirections send the
 * program's output and error to files, a final "&" starts it without
 * waiting.  ZRUN then reports the result on channel L, with the result
 * written by a formatting function that it finds in a plug-in image: the
 * logical name ZRUN_FORMAT names the image (zrunfmt by default, looked for
 * beside ZRUN first, with the type .dll).  ZRUN ends with exitnormal when the
 * program succeeded and exiterror otherwise.
 */
#include <string.h>

#include <zrlshared.h>

#define COMMAND_MAX 511

/* The command text from the program's arguments: the words joined with
   blanks, a word with blanks or quotes quoted by the Windows rules so that
   the program receives it whole.  Returns 0 when there is no command or it
   does not fit in COMMAND_MAX characters. */
static int take_command(int argc, char **argv, char *command) {
    int length = 0, i;
    command[0] = '\0';
    for (i = 1; i < argc; i++) {
        const char *word = argv[i];
        int quote = word[0] == '\0' || strpbrk(word, " \t\"") != NULL;
        int backslashes = 0;
        const char *p;
        char piece[2 * COMMAND_MAX + 4];
        int n = 0;
        if (quote) piece[n++] = '"';
        for (p = word; *p != '\0' && n < 2 * COMMAND_MAX; p++) {
            if (*p == '\\') {
                backslashes++;
            } else {
                /* Backslashes before a quote are doubled, the quote escaped. */
                if (*p == '"') {
                    while (backslashes-- > 0 && n < 2 * COMMAND_MAX) piece[n++] = '\\';
                    piece[n++] = '\\';
                }
                backslashes = 0;
            }
            piece[n++] = *p;
        }
        if (quote) {
            while (backslashes-- > 0 && n < 2 * COMMAND_MAX) piece[n++] = '\\';
            piece[n++] = '"';
        }
        if (length + (i > 1) + n > COMMAND_MAX) return 0;
        if (i > 1) command[length++] = ' ';
        memcpy(command + length, piece, (size_t)n);
        length += n;
        command[length] = '\0';
    }
    return length > 0;
}

/* The directory part of the program's own name, as the image search path,
   so that the plug-in is found beside ZRUN. */
static void search_beside(const char *self) {
    char directory[507];
    int end = 0, i;
    for (i = 0; self[i] != '\0' && i < 506; i++)
        if (self[i] == '/' || self[i] == '\\') end = i + 1;
    if (end == 0 || self[i] != '\0') return;
    memcpy(directory, self, (size_t)end);
    directory[end] = '\0';
    set_image_search_path(directory);
}

int main(int argc, char **argv) {
    char command[COMMAND_MAX + 1];
    ZRL_FormatFn format;
    char translation[4096];
    int status;

    programident = "ZRUN";
    if (!take_command(argc, argv, command))
        errexit("usage: zrun program [arguments] [> out] [2> err] [&] (511 characters)");
    if (lognam("ZRUN_FORMAT", translation) == 0) deflognam("ZRUN_FORMAT", "zrunfmt");
    search_beside(argv[0]);
    format = (ZRL_FormatFn)find_image_symbol("ZRUN_FORMAT", "zrun_format_status");
    if (format == NULL) errexit("no formatting function zrun_format_status in ZRUN_FORMAT");

    status = spawn_nc(command, NULL, NULL);
    QV_Ltypefl("ZRUN-I-ENDED, ' ended: %", command, (zrl_word)status, format);
    if (status == 0)
        exitnormal();
    else
        exiterror();
    return status;
}
