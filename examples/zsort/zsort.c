/*
 * ZSORT - sort the lines of text files, or of standard input.
 *
 *   zsort [spec[,spec...]][/REVERSE][/UNIQUE][/REPORT]
 *
 * Without arguments the program asks for its command at the prompt
 * "ZSORT> "; an empty answer leaves.  The lines of every file named (a
 * specification may hold wildcards and a logical device; the type defaults
 * to .txt), or of standard input when the command names no file, are kept
 * in nodes allocated from a memory zone, sorted with the library's stable
 * list sort, and written through output channel C; the summary goes to
 * channel L.  /REPORT prints a numbered report instead, laid out with
 * picture formats: a dated heading, right-justified numbers, and the share
 * of lines kept as a real number.  A line too long for the record buffer,
 * or a switch the program does not know, stops the program with a fatal
 * message.
 */
#include <stdio.h>
#include <string.h>

#include <zrlshared.h>

#define MAX_LINE 255
#define MAX_SPECS 64

struct line_node {
    struct line_node *next;
    int number;          /* input line number, for messages */
    char text[1];        /* the line, NUL-terminated; allocated to size */
};

static int32_t reverse, unique, report;

static const ZRL_SWITCH switches[] = {
    {"R*EVERSE", &reverse, 0, 0},
    {"U*NIQUE", &unique, 0, 0},
    {"REP*ORT", &report, 0, 0},
    {0, 0, 0, 0},
};

static int compare_lines(zrl_word a, zrl_word b) {
    const struct line_node *x = (const struct line_node *)a;
    const struct line_node *y = (const struct line_node *)b;
    int order = cmpstr(x->text, y->text);
    return reverse ? -order : order;
}

/* The command: its specifications into spec, its switches applied; the
   number of specifications. */
static int take_command(int argc, char **argv, char **spec) {
    int specs = 0;
    char *next;
    getcmd_arg("ZSORT", argc, argv);
    while ((next = fspec(switches, "bad switch or specification")) != 0) {
        if (*next == '\0') continue; /* switches before the first name */
        if (specs == MAX_SPECS) {
            zrl_error = 22;
            errexit("more than 64 specifications");
        }
        spec[specs++] = next;
    }
    return specs;
}

/* Heading of the report: the program, the date and the time of the run. */
static void print_heading(void) {
    ZRL_DATE today;
    ZRL_TIME now;
    char date_text[16], time_text[16];
    dattim(&today, &now);
    cvtdta(&today, date_text);
    cvttma(&now, time_text);
    QV_Ctypefl("ZSORT sorted listing                      ''''''''' ''''''''", date_text,
               time_text);
    QV_Ctypefl(" No. Line  Text");
}

static ZRL_ZONE zone;
static struct line_node *list, **tail = &list;
static int count;

static void keep_line(const char *text, size_t length) {
    struct line_node *node;
    if (length > MAX_LINE) {
        zrl_error = 22;
        errexitfmt("line # is longer than # characters", count + 1, MAX_LINE);
    }
    node = zrl_zalloc(zone, (unsigned)(sizeof *node + length));
    if (node == 0) {
        zrl_error = 12;
        errexit("out of memory for lines");
    }
    node->next = 0;
    node->number = ++count;
    memcpy(node->text, text, length);
    node->text[length] = '\0';
    *tail = node;
    tail = &node->next;
}

/* The lines of every file that a specification names, read through the
   record I/O. */
static void read_files(const char *spec) {
    char path[4097], line[MAX_LINE + 1];
    ZRL_SEARCH *search = fsinit(0, spec, "*.txt");
    int matched = 0;
    if (search == 0) {
        zrl_error = 12;
        errexit("not enough memory for the search");
    }
    while (fsearch(search, path) > 0) {
        FDB *in;
        char last = path[strlen(path) - 1];
        if (last == '/' || last == '\\') continue; /* a directory */
        ++matched;
        in = fopenr("SEQUENTIAL", path, 0, "cannot open input file");
        while (fgetstr(in, line), zrl_error == 0)
            keep_line(line, strlen(line));
        if (zrl_error != -1) errexit("cannot read input file");
        fclosx(in);
    }
    fsfree(search);
    if (matched == 0) {
        zrl_error = 2;
        errexitfmt("no file matches '", spec);
    }
}

int main(int argc, char **argv) {
    char buffer[MAX_LINE + 2];
    char *spec[MAX_SPECS];
    struct line_node *node, *previous = 0;
    int written = 0, specs, i;

    specs = take_command(argc, argv, spec);
    zone = zrl_zcreate(0, 0);
    if (zone == 0) {
        zrl_error = 12;
        errexit("cannot create the line zone");
        return 4;
    }
    for (i = 0; i < specs; i++)
        read_files(spec[i]);
    while (specs == 0 && fgets(buffer, sizeof buffer, stdin) != 0) {
        size_t length = strcspn(buffer, "\r\n");
        keep_line(buffer, length);
    }

    list = lmsort(list, count, compare_lines);
    if (report) print_heading();
    for (node = list; node != 0; node = node->next) {
        /* The sort is stable: of equal lines the first one read is kept. */
        int repeated = previous != 0 && cmpstr(node->text, previous->text) == 0;
        previous = node;
        if (unique && repeated) continue;
        written++;
        if (report)
            QV_Ctypefl("###^ ###^  '", written, node->number, node->text);
        else
            QV_Ctypeln(node->text);
    }
    if (report)
        QV_Ctypefl("\n####^ lines read, ####^ written, ###^# percent kept", count, written,
                   count > 0 ? 100.0 * written / count : 0.0);
    QV_Lprintf("%%ZSORT-I-SORTED, %d lines read, %d written\n", count, written);

    zrl_zdelete(zone);
    exitnormal();
    return 0;
}
