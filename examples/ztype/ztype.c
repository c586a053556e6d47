/*
 * ZTYPE - type or copy text files.
 *
 *   ztype spec[,spec...][/NUMBER][/WIDTH=n][/OUTPUT=spec][/BACKUP][/[NO]LOG]
 *
 * Without arguments the program asks for its command at the prompt
 * "ZTYPE> "; an empty answer leaves.  Every specification may hold
 * wildcards and a logical device (a search list included); a missing name
 * or type comes from the default '*.txt'.  The lines of every matching file
 * are typed on the terminal, or with /OUTPUT copied into one new file
 * (default type '.lis').  /BACKUP keeps the previous version of the output
 * file until the new one is complete, so a copy that fails half-way leaves
 * the old file in place.  /NUMBER puts the line number in front of every
 * line; /WIDTH=n cuts lines to n characters; /LOG (the default with
 * /OUTPUT) reports what was copied.  Files are read and written through the
 * record I/O: FDBs opened with attribute text, lines read with fgetstr and
 * written with fputstr.
 */
#include <stdio.h>
#include <string.h>

#include <zrlshared.h>

#define MAX_SPECS 64

static int32_t numbered, backup, output_given, logged = -1, width_given;
static const char *output_spec;
static int width;

/* /WIDTH takes a whole number from 1 to 255; anything else is refused. */
static void take_width(const char *value, void *dest) {
    int n = 0;
    if (*value == '\0' || convai(value, &n) != (int)strlen(value) || n < 1 || n > 255) {
        zrl_error = 22;
        return;
    }
    *(int *)dest = n;
}

static const ZRL_SWITCH switches[] = {
    {"N*UMBER", &numbered, 0, 0},
    {"B*ACKUP", &backup, 0, 0},
    {"O*UTPUT", &output_given, 0, &output_spec},
    {"W*IDTH", &width_given, take_width, &width},
    {"L*OG", &logged, 0, 0},
    {0, 0, 0, 0},
};

/* The command: its specifications into spec, its switches applied; the
   number of specifications. */
static int take_command(int argc, char **argv, char **spec) {
    int specs = 0;
    char *next;
    getcmd_arg("ZTYPE", argc, argv);
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

/* Types or copies one file; the number of lines. */
static int copy_file(const char *path, FDB *out, int several) {
    char line[256], numbered_line[300];
    int lines = 0;
    /* Attribute text in the place of the FDB: the open makes an FDB that the
       close releases. */
    FDB *in = fopenr("SEQUENTIAL", path, 0, "cannot open input file");
    if (several) {
        fmtstr(numbered_line, "==> ' <==", path);
        if (out != 0)
            fputstr(out, numbered_line);
        else
            typeln(numbered_line);
    }
    for (;;) {
        const char *text = line;
        fgetstr(in, line);
        if (zrl_error != 0) break; /* -1 at the end of the file */
        ++lines;
        if (width_given && strlen(line) > (size_t)width) line[width] = '\0';
        if (numbered) {
            fmtstr(numbered_line, "#####^  '", lines, line);
            text = numbered_line;
        }
        if (out == 0) {
            typeln(text);
        } else if (fputstr(out, text) == 0 && zrl_error != 0) {
            errexit("cannot write the output file");
        }
    }
    if (zrl_error != -1) errexit("cannot read input file");
    fclosx(in);
    return lines;
}

int main(int argc, char **argv) {
    char *spec[MAX_SPECS];
    char path[4097];
    int specs, files = 0, lines = 0, i;
    FDB *out = 0;

    specs = take_command(argc, argv, spec);
    if (output_given && (output_spec == 0 || *output_spec == '\0')) {
        zrl_error = 22;
        errexit("/OUTPUT needs a file specification");
    }
    if (specs == 0) {
        zrl_error = 22;
        errexit("no file specification");
    }

    if (output_spec != 0) {
        out = fopenw(backup ? "BACKUP" : "DEFAULT", output_spec, ".lis",
                     "cannot create output file");
    }

    for (i = 0; i < specs; i++) {
        ZRL_SEARCH *search = fsinit(0, spec[i], "*.txt");
        int matched = 0;
        if (search == 0) {
            zrl_error = 12;
            errexit("not enough memory for the search");
        }
        if (zrl_error == 22) errexitfmt("the logical name in ' is not defined", spec[i]);
        while (fsearch(search, path) > 0) {
            char last = path[strlen(path) - 1];
            if (last == '/' || last == '\\') continue; /* a directory */
            ++matched;
            ++files;
            lines += copy_file(path, out, specs > 1 || search->count > 1);
        }
        fsfree(search);
        if (matched == 0) QV_Mtypefl("ZTYPE-W-NOFILES, no file matches '", spec[i]);
    }

    if (out != 0) {
        fgetspec(out, path);
        if (fclosx(out) != 0) errexit("cannot close the output file");
    }
    if (out != 0 ? logged != 0 : logged == 1) {
        if (out == 0) strcpy(path, "the terminal");
        QV_Ltypefl("ZTYPE-I-COPIED, # lines of # files to '", lines, files, path);
    }
    if (files == 0) {
        zrl_error = 2;
        errexit("no file matches the specifications");
    }
    exitnormal();
    return 0;
}
