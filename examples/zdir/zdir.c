/*
 * ZDIR - list the files that file specifications name.
 *
 *   zdir spec[,spec...][/FULL]
 *
 * Without arguments the program asks for its command at the prompt
 * "ZDIR> "; an empty answer leaves.  A specification may hold the wildcards
 * '*', '?' and '%' in its last component and may start with a logical
 * device, an environment variable whose value is a directory or a search
 * list of directories separated by commas (ZDATA=/data/new,/data/old makes
 * ZDATA:*.LIS list the .LIS files of both).  Whatever a specification leaves
 * out comes from the default "*.*", so a directory alone lists all of it.
 * On the command line '/' starts a switch: directories are written with
 * backslashes there ('sub\*.txt') or reached through logical names.
 *
 * The matches are listed by directory, in name order within each one, with
 * their size in bytes and the date and time of their last change, laid out
 * by the library's picture formats; each directory ends with its total, and
 * a listing of several directories with a grand total.  /FULL adds a line
 * for every file with its permissions and its size in 512-byte blocks.  A device that is no
 * defined logical name, or specifications that match nothing at all, stop
 * the program with a fatal message.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <utf8fs.h>
#include <zrlshared.h>

#define MAX_SPECS 64

static int32_t full;

static const ZRL_SWITCH switches[] = {
    {"F*ULL", &full, 0, 0},
    {0, 0, 0, 0},
};
#define NAME_COLUMNS 32

/* One line of the listing: name, size, date, time (hh:mm of hh:mm:ss). */
static const char file_line[] = "'''''''''''''''''''''''''''''''' ########^  '''''''''  '''''~";
static const char other_line[] = "'''''''''''''''''''''''''''''''' ''''''''^  '''''''''  '''''~";

struct totals {
    int files;
    long long bytes;
};

/* The matches of one specification, full paths in the order of the search. */
struct matches {
    zrl_word *paths;
    int count;
    int room;
};

static void out_of_memory(void) {
    zrl_error = 12;
    errexit("not enough memory for the listing");
    exit(4);
}

static void add_match(struct matches *m, const char *path) {
    char *copy;
    if (m->count == m->room) {
        int room = m->room > 0 ? 2 * m->room : 64;
        zrl_word *grown = realloc(m->paths, (size_t)room * sizeof *grown);
        if (grown == 0) out_of_memory();
        m->paths = grown;
        m->room = room;
    }
    copy = malloc(strlen(path) + 1);
    if (copy == 0) out_of_memory();
    strcpy(copy, path);
    m->paths[m->count++] = (zrl_word)copy;
}

static int is_separator(char c) {
    return c == '/' || c == '\\';
}

/* The length of a path's directory, its final separator included; a
   directory's own trailing separator belongs to its name. */
static size_t directory_length(const char *path) {
    size_t n = strlen(path);
    if (n > 0 && is_separator(path[n - 1])) n--;
    while (n > 0 && !is_separator(path[n - 1]))
        n--;
    return n;
}

/* Names in byte order; the trailing separator of a directory does not count,
   so that "build/" comes before "build-old/" as "build" does. */
static int compare_paths(zrl_word a, zrl_word b) {
    const char *x = (const char *)a, *y = (const char *)b;
    size_t m = strlen(x), n = strlen(y);
    int order;
    if (m > 0 && is_separator(x[m - 1])) m--;
    if (n > 0 && is_separator(y[n - 1])) n--;
    order = memcmp(x, y, m < n ? m : n);
    return order != 0 ? order : (m > n) - (m < n);
}

/* The search gives each directory's entries in the order the system keeps
   them; a listing shows them by name.  Runs of one directory are sorted on
   their own, so that the directories keep the order of a search list. */
static void sort_by_directory(struct matches *m) {
    int start = 0;
    while (start < m->count) {
        const char *first = (const char *)m->paths[start];
        size_t length = directory_length(first);
        int end = start + 1;
        while (end < m->count && directory_length((const char *)m->paths[end]) == length &&
               strncmp((const char *)m->paths[end], first, length) == 0)
            end++;
        shsort(m->paths + start, end - start, compare_paths);
        start = end;
    }
}

/* The date and time of the last change, as the library writes them. */
static void change_time(int seconds, char *date, char *hms) {
    time_t when = (time_t)seconds;
    struct tm *local = seconds >= 0 ? localtime(&when) : 0;
    ZRL_DATE d;
    ZRL_TIME t;
    if (local == 0) {
        strcpy(date, "");
        strcpy(hms, "");
        return;
    }
    d.century = (unsigned char)(19 + local->tm_year / 100);
    d.year = (unsigned char)(local->tm_year % 100);
    d.month = (unsigned char)(local->tm_mon + 1);
    d.day = (unsigned char)local->tm_mday;
    t.hour = (unsigned char)local->tm_hour;
    t.minute = (unsigned char)local->tm_min;
    t.second = (unsigned char)local->tm_sec;
    t.zero = 0;
    cvtdta(&d, date);
    cvttma(&t, hms);
}

static void list_entry(const char *path, size_t dir_length, struct totals *sum) {
    const char *name = path + dir_length;
    struct utf8fs_stat32 status;
    char date[16], hms[16];
    int ok = stat32_utf8(path, &status) == 0;

    /* A name too long for its column gets a line of its own. */
    if (strlen(name) > NAME_COLUMNS) {
        typeln(name);
        name = "";
    }
    if (!ok) {
        typefl(other_line, name, "?", "", "");
        return;
    }
    change_time(status.st_mtime32, date, hms);
    if ((status.st_mode & UTF8FS_S_IFMT) == UTF8FS_S_IFDIR) {
        typefl(other_line, name, "<DIR>", date, hms);
        return;
    }
    typefl(file_line, name, (int)status.st_size, date, hms);
    if (full) {
        char rights[10];
        const char *letters = "rwxrwxrwx";
        int bit;
        for (bit = 0; bit < 9; bit++)
            rights[bit] = (status.st_mode & (0400 >> bit)) != 0 ? letters[bit] : '-';
        rights[9] = '\0';
        typefl("    Protection: '''''''''  Blocks: #", rights, (int)((status.st_size + 511) / 512));
    }
    sum->files++;
    sum->bytes += status.st_size;
}

/* "Total of 3 files, 1234 bytes." - in 512-byte blocks once the bytes no
   longer fit the integer field. */
static void total_line(const char *what, const struct totals *sum, int directories) {
    char line[160];
    const char *files = sum->files == 1 ? "file" : "files";
    long long blocks = (sum->bytes + 511) / 512;
    int n = directories > 0
                ? fmtstr(line, "' of # directories, # ', ", what, directories, sum->files, files)
                : fmtstr(line, "' of # ', ", what, sum->files, files);
    if (sum->bytes <= 0x7FFFFFFF)
        fmtstr(line + n, "# bytes.", (int)sum->bytes);
    else
        fmtstr(line + n, "# blocks.", blocks > 0x7FFFFFFF ? 0x7FFFFFFF : (int)blocks);
    typeln(line);
}

/* Lists one specification; the number of matches.  Of several
   specifications, one that matches nothing is reported and passed over. */
static int list_spec(const char *spec, int several, struct totals *grand, int *directories) {
    struct matches m = {0, 0, 0};
    char path[4097];
    ZRL_SEARCH *search = fsinit(0, spec, "*.*");
    int i;

    if (search == 0) out_of_memory();
    if (zrl_error == 22) {
        /* The device is a logical name without translation. */
        fsfree(search);
        fparse(path, spec, 0, "dev");
        errexitfmt("the logical name ' is not defined", path);
        exit(4);
    }
    while (fsearch(search, path) > 0)
        add_match(&m, path);
    fsfree(search);
    if (m.count == 0 && several) {
        fflush(stdout); /* keep the warning in its place between the listings */
        QV_Mtypefl("ZDIR-W-NOFILES, no file matches '", spec);
    }

    sort_by_directory(&m);
    for (i = 0; i < m.count;) {
        const char *first = (const char *)m.paths[i];
        size_t length = directory_length(first);
        struct totals sum = {0, 0};
        char directory[4097], line[4120];
        memcpy(directory, first, length);
        directory[length] = '\0';
        fmtstr(line, "Directory '", directory);
        typeln(line);
        typeln("");
        while (i < m.count && directory_length((const char *)m.paths[i]) == length &&
               strncmp((const char *)m.paths[i], first, length) == 0)
            list_entry((const char *)m.paths[i++], length, &sum);
        typeln("");
        total_line("Total", &sum, 0);
        typeln("");
        grand->files += sum.files;
        grand->bytes += sum.bytes;
        ++*directories;
    }
    for (i = 0; i < m.count; i++)
        free((void *)m.paths[i]);
    free(m.paths);
    return m.count;
}

int main(int argc, char **argv) {
    struct totals grand = {0, 0};
    char *spec[MAX_SPECS];
    int directories = 0, found = 0, specs = 0, i;
    char *next, none[] = "";

    getcmd_arg("ZDIR", argc, argv);
    while ((next = fspec(switches, "bad switch or specification")) != 0) {
        if (*next == '\0') continue; /* switches before a name */
        if (specs == MAX_SPECS) {
            zrl_error = 22;
            errexit("more than 64 specifications");
            return 4;
        }
        spec[specs++] = next;
    }
    if (specs == 0) spec[specs++] = none; /* switches alone: the current directory */
    for (i = 0; i < specs; i++)
        found += list_spec(spec[i], specs > 1, &grand, &directories);
    if (found == 0) {
        zrl_error = 2; /* the runtime's number for "no such file" */
        if (specs == 1)
            errexitfmt("no file matches '", spec[0]);
        else
            errexit("no file matches the specifications");
        return 4;
    }
    if (directories > 1) total_line("Grand total", &grand, directories);
    exitnormal();
    return 0;
}
