/*
 * ZSORT - sort the lines of standard input.
 *
 *   zsort [/REVERSE] [/UNIQUE] [/REPORT] < input
 *
 * The lines are kept in nodes allocated from a memory zone, sorted with the
 * library's stable list sort, and written through output channel C; the
 * summary goes to channel L.  /REPORT prints a numbered report instead, laid
 * out with picture formats: a dated heading, right-justified numbers, and the
 * share of lines kept as a real number.  A line too long for the record
 * buffer, or a switch the program does not know, stops the program with a
 * fatal message.
 */
#include <stdio.h>
#include <string.h>

#include <zrlshared.h>

#define MAX_LINE 256

struct line_node {
    struct line_node *next;
    int number;          /* input line number, for messages */
    char text[1];        /* the line, NUL-terminated; allocated to size */
};

struct switch_entry {
    const char *keyword;
    int *flag;
};

static int reverse, unique, report;

static int compare_lines(zrl_word a, zrl_word b) {
    const struct line_node *x = (const struct line_node *)a;
    const struct line_node *y = (const struct line_node *)b;
    int order = cmpstr(x->text, y->text);
    return reverse ? -order : order;
}

static void parse_switches(int argc, char **argv) {
    static const struct switch_entry switches[] = {
        {"R*EVERSE", &reverse},
        {"U*NIQUE", &unique},
        {"REP*ORT", &report},
        {0, 0},
    };
    int i;
    for (i = 1; i < argc; i++) {
        const struct switch_entry *hit;
        if (argv[i][0] != '/' ||
            (hit = findkeyword(argv[i], switches, (int)sizeof switches[0])) == 0 ||
            *skipkeyword(argv[i]) != '\0') {
            zrl_error = 22;
            errexitfmt("unknown switch '", argv[i]);
            return;
        }
        *hit->flag = 1;
    }
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

int main(int argc, char **argv) {
    char buffer[MAX_LINE + 2];
    struct line_node *list = 0, **tail = &list, *node, *previous = 0;
    int count = 0, written = 0;
    ZRL_ZONE zone;

    errfacil("ZSORT");
    parse_switches(argc, argv);

    zone = zrl_zcreate(0, 0);
    if (zone == 0) {
        zrl_error = 12;
        errexit("cannot create the line zone");
        return 4;
    }

    while (fgets(buffer, sizeof buffer, stdin) != 0) {
        size_t length = strcspn(buffer, "\r\n");
        if (buffer[length] == '\0' && length > MAX_LINE) {
            zrl_error = 22;
            errexitfmt("line # is longer than # characters", count + 1, MAX_LINE);
            return 4;
        }
        buffer[length] = '\0';
        node = zrl_zalloc(zone, (unsigned)(sizeof *node + length));
        if (node == 0) {
            zrl_error = 12;
            errexit("out of memory for lines");
            return 4;
        }
        node->next = 0;
        node->number = ++count;
        memcpy(node->text, buffer, length + 1);
        *tail = node;
        tail = &node->next;
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
