/*
 * zrlshared.h - the public interface of the ZRLShared runtime-support library.
 *
 * Every exported function and data object of the library is declared here, and
 * nothing else is exported.  The header is valid C99 and C++.
 *
 * Words and pointers.  The interface was laid out for 32-bit Windows, where a
 * 32-bit word can hold a pointer.  Every such word is a `zrl_word` (intptr_t):
 * on a 32-bit build the documented layout holds exactly; on a 64-bit build
 * those words are 64 bits wide.  Status codes, counts and plain integers stay
 * 32-bit `int` on every build.
 *
 * Memory zones.  A 32-bit build has the documented numbers: 8-byte granule,
 * 8-byte chunk header, 8192-byte default chunk (8184-byte minimum extension),
 * a 4-byte length word in front of every counted block.  On a 64-bit build a
 * free-list node and a chunk header are two machine words (16 bytes), blocks
 * are multiples of 16 bytes, the default chunk is still 8192 bytes (8176-byte
 * minimum extension) and the length word of a counted block is 8 bytes with
 * counted lengths in multiples of 8, so that every block handed out, counted
 * blocks included, is aligned for any pointer and double.
 */
#ifndef ZRLSHARED_H
#define ZRLSHARED_H

#include <stdarg.h>
#include <stdio.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(ZRL_BUILDING_LIBRARY)
#define ZRL_API __declspec(dllexport)
#else
#define ZRL_API __declspec(dllimport)
#endif
#else
#define ZRL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Shared types ------------------------------------------------------ */

/* A word of the 32-bit layout that may hold a pointer. */
typedef intptr_t zrl_word;

/* Compare function of the sorts: > 0 means a belongs after b. */
typedef int (*ZRL_Compare)(zrl_word a, zrl_word b);

/* Output channel: write text, then a line end when newline is nonzero;
   nonzero on success. */
typedef int (*ZRL_OutputFn)(const char *text, int newline);

/* The exit handler and the error action. */
typedef void (*ZRL_ExitFn)(int status);
typedef void (*ZRL_ErrorAction)(const char *message);

/* A memory zone (opaque). */
typedef struct ZRL_ZoneHeader *ZRL_ZONE;

/* ---- Status codes, messages and exit handling -------------------------- */

ZRL_API extern int zrl_error;
ZRL_API extern const char *programident;
ZRL_API extern ZRL_ExitFn ZRL_ExitHandler;

ZRL_API const char *libmsg(int code);
ZRL_API ZRL_ErrorAction erractio(ZRL_ErrorAction action);
ZRL_API void errfacil(const char *name);
ZRL_API void errexit(const char *message);
ZRL_API void exits(int status);
ZRL_API void exitnormal(void);
ZRL_API void exitwarn(void);
ZRL_API void exiterror(void);
ZRL_API void exitsevere(void);
ZRL_API void eitoas(const void *source, void *destination, int count);

/* ---- Output channels and plain console output -------------------------- */

ZRL_API extern ZRL_OutputFn ZRL_COutput;
ZRL_API extern ZRL_OutputFn ZRL_LOutput;
ZRL_API extern ZRL_OutputFn ZRL_MOutput;
ZRL_API extern ZRL_OutputFn ZRL_TOutput;

ZRL_API int ZRL_OutputToStdOut(const char *text, int newline);
ZRL_API int ZRL_OutputToStdErr(const char *text, int newline);

ZRL_API int QV_Cprintf(const char *format, ...);
ZRL_API int QV_Lprintf(const char *format, ...);
ZRL_API int QV_Mprintf(const char *format, ...);
ZRL_API int QV_Tprintf(const char *format, ...);
ZRL_API int QV_Cvprintf(const char *format, va_list args);
ZRL_API int QV_Lvprintf(const char *format, va_list args);
ZRL_API int QV_Mvprintf(const char *format, va_list args);
ZRL_API int QV_Tvprintf(const char *format, va_list args);
ZRL_API int QV_Ctype(const char *text);
ZRL_API int QV_Ltype(const char *text);
ZRL_API int QV_Mtype(const char *text);
ZRL_API int QV_Ttype(const char *text);
ZRL_API int QV_Ctrm_type(const char *text);
ZRL_API int QV_Ltrm_type(const char *text);
ZRL_API int QV_Mtrm_type(const char *text);
ZRL_API int QV_Ttrm_type(const char *text);
ZRL_API int QV_Ctypeln(const char *text);
ZRL_API int QV_Ltypeln(const char *text);
ZRL_API int QV_Mtypeln(const char *text);
ZRL_API int QV_Ttypeln(const char *text);
ZRL_API int QV_Ctrm_typln(const char *text);
ZRL_API int QV_Ltrm_typln(const char *text);
ZRL_API int QV_Mtrm_typln(const char *text);
ZRL_API int QV_Ttrm_typln(const char *text);

ZRL_API void type(const char *text);
ZRL_API int typeln(const char *text);
/* The line readers store at most 255 characters and the NUL (a 256-byte
   buffer always suffices) and discard the rest of a longer line.  At the end
   of input both store an empty line and return 0; sgetlin also sets
   zrl_error to 5. */
ZRL_API int getlin(char *buffer, const char *prompt);
ZRL_API int sgetlin(char *buffer, const char *prompt);

/* ---- String primitives ------------------------------------------------- */

ZRL_API int appstr(char *dest, const char *src);
ZRL_API int chrstr(char ch, const char *str);
ZRL_API int cposstr(char ch, const char *str);
ZRL_API char *pcposstr(char ch, const char *str);
ZRL_API int cmpstr(const char *a, const char *b);
ZRL_API int cmpbuf(const char *a, const char *b, int n);
ZRL_API int posstr(const char *sub, const char *str, int start);
ZRL_API char *psposstr(const char *sub, const char *str);
ZRL_API int sposstr(const char *sub, const char *str);
ZRL_API int sepstr(char *str, char sep, char **fields, int n);
ZRL_API int sqzstr(char *str);

/* ---- Keyword tables ---------------------------------------------------- */

/* A table is an array of entries of `stride` bytes whose first member is the
   keyword text (const char *); a null keyword ends it.  The result points at
   the matching entry. */
ZRL_API void *findkeyword(const char *text, const void *table, int stride);
ZRL_API char *skipkeyword(const char *text);

/* ---- Sorting and integer arithmetic ------------------------------------ */

/* List nodes are records whose first member is the pointer to the next node;
   the compare function receives node pointers as words. */
ZRL_API void *lmsort(void *list, int n, ZRL_Compare compare);
ZRL_API void *lmerge(void *a, void *b, ZRL_Compare compare);
ZRL_API void shsort(zrl_word *array, int n, ZRL_Compare compare);
ZRL_API int muldiv(int a, int b, int c);
ZRL_API int rmuldiv(int a, int b, int c);
ZRL_API int qrmd(int a, int b, int c);
ZRL_API int qrdv(unsigned int low, int high, int d);
ZRL_API int lsqrt(int n);

/* ---- Memory zones ------------------------------------------------------ */

/* A zone header is eight words: rover, chunk list, self, total, base node
   (size, next), flags, extension size.  Flags of zrl_zcreate: 1 the size is
   also a first chunk (obtained even for a fixed zone), 2 the size is the
   extension size, 4 release chunks that become wholly free, 0x80 fixed (never
   grow after creation).  Sizes that round past 2^32, and counted requests
   whose count x size or length does not fit in 32 bits, give null.  A free
   (plain or counted) is refused with -1, touching nothing, unless its block
   lies wholly inside one chunk the zone holds, at a granule start, clear of
   free space (so a block freed twice, after its chunk was released, with too
   large a size, or from elsewhere is refused); zrl_zcfree of null is -1.
   Zone operations never set zrl_error. */
ZRL_API ZRL_ZONE zrl_zcreate(int flags, unsigned int size);
ZRL_API void *zrl_zalloc(ZRL_ZONE zone, unsigned int size);
ZRL_API int zrl_zfree(ZRL_ZONE zone, void *block, unsigned int size);
ZRL_API void *zrl_zcalloc(ZRL_ZONE zone, unsigned int count, unsigned int size);
ZRL_API int zrl_zcfree(ZRL_ZONE zone, void *block);
ZRL_API int zrl_zreset(ZRL_ZONE zone);
ZRL_API int zrl_zdelete(ZRL_ZONE zone);

/* ---- Number and text conversions --------------------------------------- */

/* Parsers skip no blanks and return the number of characters consumed. */
ZRL_API int convai(const char *text, int *value);
ZRL_API int conval(const char *text, int *value);
ZRL_API int convax(const char *text, unsigned int *value);
ZRL_API unsigned int atox(const char *text);
ZRL_API int convad(const char *text, double *value);
ZRL_API double atod(const char *text);
/* RAD-50: one word per three characters; the number of words. */
ZRL_API int conva5(const char *text, uint16_t *words);

/* Writers store the text and a NUL and return the length of the text.
   Buffer sizes that always suffice: 12 bytes for convia, convla, convua,
   utoa, convoa and otoa; 13 for convha and htoa; 9 for convxa and xtoa;
   18 for convlg; 16 for convda, dtoa and convda_noexp; 3 * count + 1 for
   conv5a.  convda writes infinities as "INF" or "-INF" and NaNs as "NAN".
   convda_noexp cuts its text to 8 characters and returns the uncut length;
   it gives the empty text and 0 for numbers of 10^7 and more, infinities
   and NaNs.  convlg clamps mindigits to 16. */
ZRL_API int convia(const int *value, char *buffer);
ZRL_API int convla(const int *value, char *buffer);
ZRL_API int convha(const int *value, char *buffer);
ZRL_API int htoa(int value, char *buffer);
ZRL_API int convlg(const int *value, char *buffer, int mindigits, int strip);
ZRL_API int convoa(const unsigned int *value, char *buffer);
ZRL_API int otoa(unsigned int value, char *buffer);
ZRL_API int convua(const unsigned int *value, char *buffer);
ZRL_API int utoa(unsigned int value, char *buffer);
ZRL_API int convxa(const unsigned int *value, char *buffer);
ZRL_API int xtoa(unsigned int value, char *buffer);
ZRL_API int convda(const double *value, char *buffer);
ZRL_API int dtoa(double value, char *buffer);
ZRL_API int convda_noexp(const double *value, char *buffer);
ZRL_API int conv5a(char *buffer, const uint16_t *words, int count);

/* ---- Format language --------------------------------------------------- */

/* Formatting function of a "%" field: writes a NUL-terminated text of at most
   132 bytes (NUL included) for `value` into `buffer`; its result is ignored.
   The value is a word, so that it may carry a pointer: pass it to the format
   engine as a zrl_word (cast), followed by the function. */
typedef int (*ZRL_FormatFn)(zrl_word value, char *buffer);

ZRL_API int vfmtstrmax(char *out, int max, const char *format, va_list args);
ZRL_API int vfmtstr(char *out, const char *format, va_list args);
ZRL_API int fmtstr(char *out, const char *format, ...);
ZRL_API int fmtstrmax(char *out, int max, const char *format, ...);
ZRL_API void typeff(const char *format, ...);
ZRL_API int typefl(const char *format, ...);
/* block[0] is the format, block[1] onward the argument words, ended by a
   zero word. */
ZRL_API int fmt2(const zrl_word *block, char *out);
ZRL_API int fmt2v(const zrl_word *block, char *out);
ZRL_API void filw(int value, uint16_t *dest, int count);

/* ---- Formatted channel output and error exits -------------------------- */

ZRL_API int QV_Ctypeff(const char *format, ...);
ZRL_API int QV_Ctypefl(const char *format, ...);
ZRL_API int QV_Ltypeff(const char *format, ...);
ZRL_API int QV_Ltypefl(const char *format, ...);
ZRL_API int QV_Mtypeff(const char *format, ...);
ZRL_API int QV_Mtypefl(const char *format, ...);
ZRL_API int QV_Ttypeff(const char *format, ...);
ZRL_API int QV_Ttypefl(const char *format, ...);
ZRL_API void errexitfmt(const char *format, ...);
ZRL_API void errtestfmt(const char *format, ...);

/* ---- Date and time ----------------------------------------------------- */

/* A calendar date: century 19 or 20 (only 20 counts as such, any other value
   as 19), year of century 0-99, month 1-12, day 1-31. */
typedef struct ZRL_DATE {
    unsigned char century;
    unsigned char year;
    unsigned char month;
    unsigned char day;
} ZRL_DATE;

/* A time of day: hour 0-23, minute 0-59, second 0-59, and a byte that is set
   to 0 whenever a complete time is written. */
typedef struct ZRL_TIME {
    unsigned char hour;
    unsigned char minute;
    unsigned char second;
    unsigned char zero;
} ZRL_TIME;

/* The current local date and time into the records that are not null. */
ZRL_API void dattim(ZRL_DATE *date, ZRL_TIME *hms);
/* dd-MMM-yy, dd/mm/yy and their shorter forms, hh:mm:ss: the fields found
   and in range are stored, the others keep their value; the result is the
   number of characters consumed.  Nothing is read past the text's NUL. */
ZRL_API int cvtadt(const char *text, ZRL_DATE *date);
ZRL_API int cvtatm(const char *text, ZRL_TIME *hms);
/* dd-MMM-yy into at least 10 bytes, hh:mm:ss into at least 9; the result is
   the number of characters written (9 and 8).  Out-of-range fields never
   make the text longer than that. */
ZRL_API int cvtdta(const ZRL_DATE *date, char *out);
ZRL_API int cvttma(const ZRL_TIME *hms, char *out);
/* Day of the year 1-366, day of the week Monday = 1 to Sunday = 7, week of the
   year 0-53 (week 1 holds the year's first Thursday).  A month outside 1-12
   or a null record gives 0 from all three. */
ZRL_API int dayyear(const ZRL_DATE *date);
ZRL_API int dayweek(const ZRL_DATE *date);
ZRL_API int weekyear(const ZRL_DATE *date);
/* Milliseconds of process CPU time and of wall-clock time since the first
   call, which returns 0. */
ZRL_API int cputime(void);
ZRL_API int elapsed(void);

/* ---- Logical names ----------------------------------------------------- */

/* A logical name is an environment variable; its value is the translation.
   deflognam hands a "name=value" text to the environment layer, which keeps
   it, and returns that layer's result (0, or -1 on failure).  lognam writes
   one translation, unbounded; reclognam follows the chain (at most 100
   translations) and writes at most 256 bytes: a translation of 256
   characters or more is cut to 255 and ends the chain.  Both give the length
   written, 0 and an empty out for a name without a (non-empty) translation. */
ZRL_API int deflognam(const char *name, const char *value);
ZRL_API int lognam(const char *name, char *out);
ZRL_API int reclognam(const char *name, char *out);

/* ---- File specification parser ----------------------------------------- */

/* Fields NODE 1, DEVICE 2, DIRECTORY 4, NAME 8, TYPE 16, VERSION 32, chosen
   by a field list such as "nam,typ" (null or empty: all).  out holds max + 1
   bytes: 4097 for fparse and fparseio.  A negative max writes nothing.  out
   may be the buffer of spec or of the default.  A field list that starts
   with CANONICAL makes fparse and fparseio write the canonical form
   'DEVICE:name.type' or, with zrl_error 22, the empty text. */
ZRL_API int fparse(char *out, const char *spec, const char *defspec, const char *fields);
ZRL_API int fparsemax(char *out, int max, const char *spec, const char *defspec,
                      const char *fields);
ZRL_API int fparseio(char *out, const char *spec, const char *related_default,
                     const char *related_spec, const char *fields);

/* ---- Wildcard search ---------------------------------------------------- */

/* A search context: fsinit enumerates every match at once into list, count
   slots of ZRL_SEARCH_SLOT bytes, each a NUL-terminated full path; fsearch
   hands them out in order (0, an empty out and zrl_error -1 at the end).  out
   of fsearch and ffspec holds 4097 bytes.  fsfree releases the list and the
   context itself, so a context passed to fsinit must come from malloc if it
   is to be released with fsfree.  Wildcards '*' and '?' (and '%', made '?')
   work in the last component.  A device of two or more characters is a
   logical name whose translation may be a comma-separated search list. */
#define ZRL_SEARCH_SLOT 4096
typedef struct ZRL_SEARCH {
    int next;
    char pattern[ZRL_SEARCH_SLOT];
    int count;
    char *list;
} ZRL_SEARCH;

ZRL_API ZRL_SEARCH *fsinit(ZRL_SEARCH *context, const char *spec, const char *defspec);
ZRL_API int fsearch(ZRL_SEARCH *context, char *out);
ZRL_API int fsfree(ZRL_SEARCH *context);
/* The full long path of the existing file or directory that spec names, or
   its first wildcard match; 0 when nothing is found.  zrl_error is kept. */
ZRL_API int ffspec(char *out, const char *spec, const char *defspec);

/* The light search: a plain listing of one directory (names starting with a
   dot left out), each entry the directory prefix and its name.  ffsearch
   copies the next path to out without a bound and gives 1, or 0 at the end. */
typedef struct ZRL_LightSearch *ZRL_LIGHT_SEARCH;
ZRL_API ZRL_LIGHT_SEARCH ffsinit(void *unused, const char *spec, const char *pattern);
ZRL_API int ffsearch(ZRL_LIGHT_SEARCH search, char *out);
ZRL_API int ffsfree(ZRL_LIGHT_SEARCH search);

/* ---- Devices, directories, delete and rename ---- */

/* devinfo: the space, in 512-byte blocks, of the device that spec names, for
   the query "FREE*BLOCKS" or "AVAI*LABLEBLOCKS" (free for this process) or
   "MAX*BLOCKS" (total).  Windows asks about the drive of spec's device, or
   of the current directory; POSIX about the file system that holds spec's
   directory, or the current one.  0x7FFFFFFF when the space cannot be read
   (zrl_error unchanged); larger counts are given as 0x7FFFFFFE.  An unknown
   query gives 0 and zrl_error 22.
   setdir: changes to path when it is not empty ('D:' is the root of D) and
   writes the current directory with a final separator over path, which
   holds at least 81 bytes; the length, or 0 and an empty path when the
   directory cannot be read or is longer than 79 characters.
   fdelete, frename: the status, 0 on success; 22 when the file is not
   found (the first match of a wildcard is taken), else the runtime's error
   number.  A new name whose device is a logical name goes to the first
   directory of its translation; frename never replaces an existing file. */
ZRL_API unsigned int devinfo(const char *spec, const char *query);
ZRL_API int setdir(char *path);
ZRL_API int fdelete(const char *spec);
ZRL_API int frename(const char *old_spec, const char *new_spec);

/* ---- Command lines ----------------------------------------------------- */

/* A switch table entry; a null keyword ends the table.  flag (when not null)
   receives 1 for the switch, 0 for it with the prefix NO.  A value written
   after '=' or ':' goes to convert(value, dest) when there is a converter,
   else its text pointer is stored in dest (a char **); a converter rejects
   a value by setting zrl_error.  16 bytes on a 32-bit build. */
typedef struct ZRL_SWITCH {
    const char *keyword;
    int32_t *flag;
    void (*convert)(const char *value, void *dest);
    void *dest;
} ZRL_SWITCH;

/* fspec hands out the next file specification of the current command line
   (a NUL-terminated piece of it) and applies the switches behind it; null
   at the end.  pspec applies switches at the cursor.  A failure sets
   zrl_error (22, or a converter's code) and calls errexit(message).
   getcml_arg joins argv[1..argc-1] with blanks into the 4096-byte command
   buffer; getcmu_arg also prompts "<prompt>> " when there are no arguments
   (an empty answer ends the program with exitsevere) and makes the text the
   current command line; getcmd_arg then normalises it (blank runs become
   commas).  setcmd makes text the current command line, normalised, and
   returns the previous cursor.  A prompt is shown cut to 77 characters; a
   typed line longer than 4095 characters is refused whole and the prompt
   asked again. */
ZRL_API char *fspec(const ZRL_SWITCH *table, const char *message);
ZRL_API void pspec(const ZRL_SWITCH *table, const char *message);
ZRL_API char *getcml_arg(int argc, char **argv);
ZRL_API char *getcmu_arg(const char *prompt, int argc, char **argv);
ZRL_API char *getcmd_arg(const char *prompt, int argc, char **argv);
ZRL_API char *setcmd(char *text);

/* ---- Record file I/O ------------------------------------------------------ */

/* The file descriptor block: one open file of the record I/O with its buffer.
   The first byte of the record is 0xFF while the FDB is not open (it then
   spoils datptr, which every open sets afresh); the opens tell an FDB from
   attribute text by it.  handle is -1 while no file is open. */
#define ZRL_FDB_SPEC 4096
typedef struct FDB {
    char *datptr;   /* next byte to read, or place of the next byte to write */
    char *endptr;   /* end of the usable part of the buffer */
    char *bufptr;   /* start of the buffer (bufsize + 1 bytes); null until the first open */
    int32_t handle; /* the runtime's file descriptor, -1 when not open */
    int32_t bufsize;
    int32_t position; /* file offset of the byte at bufptr */
    uint32_t f_flags;
    uint32_t alloc; /* 512-byte blocks wanted free before a create; 0: no check */
    char filspc[ZRL_FDB_SPEC];
    char bakspc[ZRL_FDB_SPEC];
} FDB;

/* The flag word f_flags. */
#define ZRL_FDB_WRITE 0x0001u
#define ZRL_FDB_READ 0x0002u
#define ZRL_FDB_IMAGE 0x0010u
#define ZRL_FDB_DELETE 0x0020u
#define ZRL_FDB_TEMPORARY_FDB 0x0040u
#define ZRL_FDB_SEQUENTIAL 0x0080u
#define ZRL_FDB_TERMINAL 0x0100u
#define ZRL_FDB_BACKUP 0x0200u
#define ZRL_FDB_FAST_TRANSFER 0x1000u
#define ZRL_FDB_EOF 0x2000u
#define ZRL_FDB_UNWRITTEN 0x4000u
#define ZRL_FDB_NOPFS 0x8000u

ZRL_API FDB *fdballoc(void);
ZRL_API FDB *fdbset(FDB *fdb, const char *attributes);
ZRL_API FDB *fdbload(FDB *fdb, const FDB *model);
ZRL_API int fdbinfo(FDB *fdb, const char *keyword);
ZRL_API int fdbfree(FDB *fdb);
ZRL_API int isstream(FDB *fdb);

/* The opens take an FDB, a null pointer or attribute text as their first
   argument, so it is declared const void *: either passes without a cast. */
ZRL_API FDB *fopenr(const void *fdb, const char *spec, const char *defspec, const char *message);
ZRL_API FDB *fopenu(const void *fdb, const char *spec, const char *defspec, const char *message);
ZRL_API FDB *fopenw(const void *fdb, const char *spec, const char *defspec, const char *message);
ZRL_API FDB *fopent(const void *fdb, const char *spec, const char *defspec, const char *message);
ZRL_API FDB *fopena(const void *fdb, const char *spec, const char *defspec, const char *message);
ZRL_API int fclosx(FDB *fdb);
ZRL_API int fcldelete(FDB *fdb);
ZRL_API int fclrename(FDB *fdb, const char *new_spec, const char *defspec);
ZRL_API int fcleof(FDB *fdb);
ZRL_API int fclspool(FDB *fdb);

/* Plain openers without an FDB: flags and permissions as open_utf8 takes
   them (the Windows runtime's values on every platform). */
ZRL_API FILE *fopen_asc(const char *name, const char *mode);
ZRL_API FILE *fopen_bin(const char *name, const char *mode);
ZRL_API FILE *fopen_asc_seq(const char *name, const char *mode);
ZRL_API FILE *fopen_bin_seq(const char *name, const char *mode);
ZRL_API int open_asc(const char *name, int flags);
ZRL_API int open_bin(const char *name, int flags);
ZRL_API int open_asc_seq(const char *name, int flags);
ZRL_API int open_bin_seq(const char *name, int flags);
ZRL_API int creatx_asc(const char *name, int flags, int permissions);
ZRL_API int creatx_asc_seq(const char *name, int flags, int permissions);
ZRL_API int creatx_bin(const char *name, int flags, int permissions);
ZRL_API int creatx_bin_seq(const char *name, int flags, int permissions);

/* Buffer write-back; the status is left in zrl_error. */
ZRL_API void fflushx(FDB *fdb);

ZRL_API char fgetb(FDB *fdb);
ZRL_API int fgetw(FDB *fdb);
ZRL_API int32_t fgetl(FDB *fdb);
ZRL_API int64_t fgetll(FDB *fdb);
ZRL_API int fgetm(FDB *fdb, void *to, int count);
ZRL_API int fgetstr(FDB *fdb, char *to);
ZRL_API int fgetnstr(FDB *fdb, char *to, int max);
ZRL_API int fgetblk(FDB *fdb, void *to, int count);
ZRL_API int32_t fgeteof(FDB *fdb);
ZRL_API int32_t fgetp(FDB *fdb);
ZRL_API void fgetctx(FDB *fdb, int32_t *context);
ZRL_API int fgetspec(FDB *fdb, char *to);

ZRL_API void fputb(FDB *fdb, char byte);
ZRL_API void fputw(FDB *fdb, int value);
ZRL_API void fputl(FDB *fdb, int32_t value);
ZRL_API int fputm(FDB *fdb, const void *from, int count);
ZRL_API int fputstr(FDB *fdb, const char *text);
ZRL_API int fputnstr(FDB *fdb, const char *text, int count);
ZRL_API int fputblk(FDB *fdb, const void *from, int count);
ZRL_API int32_t fputp(FDB *fdb, int32_t position);
ZRL_API void fputctx(FDB *fdb, const int32_t *context);
ZRL_API int frewind(FDB *fdb);
ZRL_API int ftoeof(FDB *fdb);
ZRL_API int32_t fskipb(FDB *fdb, int32_t count);
ZRL_API int32_t fskipw(FDB *fdb, int32_t count);
ZRL_API int32_t fskipl(FDB *fdb, int32_t count);
ZRL_API int32_t fskipm(FDB *fdb, int32_t count, int32_t size);
ZRL_API int32_t fsetblk(FDB *fdb, int32_t block);

/* Compact integers: 1 to 5 bytes, 7 bits each, most significant first. */
ZRL_API int fmtcbin(unsigned char *buffer, int32_t value);
ZRL_API int defmtcbin(const unsigned char *buffer, int32_t *result);
ZRL_API int32_t fgetcbin(FDB *fdb);

/* ---- Terminal: screen control ------------------------------------------ */

/* Non-zero while the program drives the terminal (trm_attach). */
ZRL_API extern int _zrl_attach;

ZRL_API void trm_attach(void);
ZRL_API void trm_detach(void);
ZRL_API int trm_flush(void);
ZRL_API void trm_beep(void);
ZRL_API void trm_cr(void);
ZRL_API void trm_clreol(void);
ZRL_API void trm_savcur(void);
ZRL_API void trm_rescur(void);
ZRL_API void trm_erase(void);
ZRL_API void trm_forw(int n);
ZRL_API void trm_scroll(int n);
ZRL_API void trm_setcursor(int row, int col);
ZRL_API void trm_setregion(int top, int bottom);
ZRL_API void trm_keypad(int application);
/* Inverse colours for a value above 0, the normal ones otherwise: the
   console attribute on Windows, the SGR sequence ESC[7m or ESC[0m elsewhere. */
ZRL_API void trm_setvideo(int inverse);
/* video: bit 1 underline, 2 reverse, 4 bold, 8 blink; 0 leaves the
   rendition alone.  Only the four bits count.  Fields and runs of any length
   are written whole. */
ZRL_API void trm_showfield(const char *text, int row, int col, int width, int video);
ZRL_API void trm_typch(int ch, int video, int count);
ZRL_API void trm_type(const char *text);
ZRL_API int trm_typln(const char *text);
ZRL_API int trm_getinfo(void);
ZRL_API void trm_keyslo(void);
ZRL_API void trm_setshape(void);

/* ---- Terminal: keys and key names ------------------------------------- */

/* Key codes: 0-255 characters, 256-299 keys (278 is DEL); the plain readers
   add 512 while an Alt key is down, the modifier-aware readers put the
   modifier state in bits 24-31 and mark a modifier event with 0x800000.
   Input that is at its end for good ends the program: "ERROR : end of input
   on stdin" on standard error, exit status -1. */
ZRL_API int trm_key(void);
ZRL_API int trm_keyr(void);
ZRL_API int trm_keyt(int timeout);
ZRL_API int trm_mkey(void);
ZRL_API int trm_mkeyr(void);
ZRL_API int trm_mkeyt(int timeout);
ZRL_API int trm_init_mkey(int mask);
ZRL_API const char *trm_lookupkey(int code);
ZRL_API const char *trm_mlookupkey(int code);
ZRL_API int trm_lookupcode(const char *name);
ZRL_API int trm_mlookupcode(const char *name);
/* buffer: at least 6 bytes.  Codes above 299 have no sequence: the empty
   text, 0. */
ZRL_API int trm_translate_code(char *buffer, int code);

/* ---- Processes and shared images --------------------------------------- */

/* spawn: -1 for a null command; a command ending in '&' (blanks and further
   '&' around it allowed) starts in the background and gives 0; any other
   goes to the command interpreter and gives its exit status.  spawn_nc runs
   a program detached from the console with the redirections " >", " 1>" and
   " 2>" taken out of the command (the leftmost name of a stream wins), and
   output and error as default file names; it takes at most 511 characters.
   Both give the system's error number when a file or the process cannot be
   created.  On POSIX the program is found on PATH and started without a
   shell, its arguments split by the Windows rules for command lines. */
ZRL_API int spawn(const char *command);
ZRL_API int spawn_nc(const char *command, const char *output, const char *error);
/* A null image is the program itself; a name gets the type ".dll" when it
   has none.  The search path holds at most 506 characters; a longer one
   turns the search path off.  Names may be as long as any file name. */
ZRL_API void *find_image_symbol(const char *image, const char *symbol);
ZRL_API void set_image_search_path(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* ZRLSHARED_H */
