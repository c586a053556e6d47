/*
 * ZTYPE - type or copy text files.
 *
 *   ztype [/NUMBER] [/OUTPUT=spec] [/BACKUP] spec[,spec...] ...
 *
 * Every specification may hold wildcards and a logical device (a search
 * list included); a missing name or type comes from the default '*.txt'.
 * The lines of every matching file are typed on the terminal, or with
 * /OUTPUT copied into one new file (default type '.lis').  /BACKUP keeps the
 * previous version of the output file until the new one is complete, so a
 * copy that fails half-way leaves the old file in place.  /NUMBER puts the
 * line number in front of every line.  Files are read and written through
 * the record I/O: FDBs opened with attribute text, lines read with fgetstr
 * and written with fputstr.
 */
#include <stdio.h>
#include <string.h>

#include <zrlshared.h>

#define MAX_SPECS 64

static int numbered, backup;
static const char *output_spec;

/* The switches; an argument that is none of them is a specification, so
   that absolute POSIX paths, which start with '/', are taken as such. */
static int take_switch(const char *arg) {
    static const char *const switches[] = {"N*UMBER", "B*ACKUP", "O*UTPUT", 0};
    const char *const *hit;
    if (arg[0] != '/') return 0;
    hit = findkeyword(arg, switches, (int)sizeof switches[0]);
    if (hit == 0) return 0;
    if (hit == &switches[0] && *skipkeyword(arg) == '\0') {
        numbered = 1;
        return 1;
    }
    if (hit == &switches[1] && *skipkeyword(arg) == '\0') {
        backup = 1;
        return 1;
    }
    if (hit == &switches[2]) {
        const char *value = skipkeyword(arg);
        if ((*value == '=' || *value == ':') && value[1] != '\0') {
            output_spec = value + 1;
            return 1;
        }
        zrl_error = 22;
        errexit("/OUTPUT needs a file specification");
    }
    return 0;
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
    int specs = 0, files = 0, lines = 0, i;
    FDB *out = 0;

    errfacil("ZTYPE");
    for (i = 1; i < argc; i++) {
        int commas = 0;
        const char *c;
        if (take_switch(argv[i])) continue;
        for (c = argv[i]; *c != '\0'; c++)
            commas += *c == ',';
        if (commas >= MAX_SPECS - specs) {
            zrl_error = 22;
            errexit("more than 64 specifications");
        }
        specs += sepstr(argv[i], ',', spec + specs, MAX_SPECS - specs);
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
        QV_Ltypefl("ZTYPE-I-COPIED, # lines of # files to '", lines, files, path);
    }
    if (files == 0) {
        zrl_error = 2;
        errexit("no file matches the specifications");
    }
    exitnormal();
    return 0;
}
