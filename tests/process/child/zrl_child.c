/*
 * A child program for the spawning tests.  Its arguments are actions, done
 * in order:
 *   -o TEXT   write TEXT to standard output      -e TEXT  to standard error
 *   -a FILE   write every argument to FILE, each in brackets on a line
 *   -x CODE   exit with CODE
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <io.h>
#define write _write
#else
#include <unistd.h>
#endif

int main(int argc, char **argv) {
    int i, k;
    for (i = 1; i + 1 < argc; i += 2) {
        const char *action = argv[i], *value = argv[i + 1];
        FILE *f = strcmp(action, "-a") == 0 ? fopen(value, "wb") : NULL;
        if (strcmp(action, "-o") == 0 || strcmp(action, "-e") == 0) {
            if (write(action[1] == 'o' ? 1 : 2, value, (unsigned)strlen(value)) < 0) return 99;
        } else if (strcmp(action, "-a") == 0 && f != NULL) {
            for (k = 0; k < argc; k++)
                fprintf(f, "[%s]\n", k == 0 ? "program" : argv[k]);
        } else if (strcmp(action, "-x") == 0) {
            return atoi(value);
        }
        if (f != NULL) fclose(f);
    }
    return 0;
}
