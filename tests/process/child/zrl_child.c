/*
 * A child program for the spawning tests.  Its arguments are actions, done
 * in order:
 *   -o TEXT   write TEXT to standard output      -e TEXT  to standard error
 *   -a FILE   write every argument to FILE, each in brackets on a line
 *   -w FILE   create FILE holding "done"         -x CODE  exit with CODE
 *   -k SIG    raise signal SIG
 *   -p FILE   (POSIX) write to FILE what standard input, output and error
 *             are ("null" for the null device, else device and inode) and
 *             whether the program leads its own session
 */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <io.h>
#define write_fd _write
#else
#include <sys/stat.h>
#include <unistd.h>
#define write_fd write
#endif

static void write_text(int fd, const char *text) {
    if (write_fd(fd, text, (unsigned)strlen(text)) < 0) exit(99);
}

static FILE *create(const char *name) {
    FILE *f = fopen(name, "wb");
    if (f == NULL) exit(98);
    return f;
}

#if !defined(_WIN32)
static void probe(FILE *f) {
    struct stat null_device, s;
    int fd;
    stat("/dev/null", &null_device);
    for (fd = 0; fd < 3; fd++) {
        if (fstat(fd, &s) != 0)
            fprintf(f, "closed\n");
        else if (s.st_dev == null_device.st_dev && s.st_ino == null_device.st_ino)
            fprintf(f, "null\n");
        else
            fprintf(f, "%lu:%lu\n", (unsigned long)s.st_dev, (unsigned long)s.st_ino);
    }
    fprintf(f, "%s\n", getsid(0) == getpid() ? "leader" : "member");
}
#endif

int main(int argc, char **argv) {
    int i;
    for (i = 1; i + 1 < argc; i += 2) {
        const char *action = argv[i], *value = argv[i + 1];
        if (strcmp(action, "-o") == 0) {
            write_text(1, value);
        } else if (strcmp(action, "-e") == 0) {
            write_text(2, value);
        } else if (strcmp(action, "-a") == 0) {
            FILE *f = create(value);
            int k;
            for (k = 0; k < argc; k++)
                fprintf(f, "[%s]\n", k == 0 ? "program" : argv[k]);
            fclose(f);
        } else if (strcmp(action, "-w") == 0) {
            FILE *f = create(value);
            fputs("done", f);
            fclose(f);
        } else if (strcmp(action, "-x") == 0) {
            return atoi(value);
        } else if (strcmp(action, "-k") == 0) {
            raise(atoi(value));
#if !defined(_WIN32)
        } else if (strcmp(action, "-p") == 0) {
            FILE *f = create(value);
            probe(f);
            fclose(f);
#endif
        }
    }
    return 0;
}
