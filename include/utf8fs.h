/*
 * utf8fs.h - the UTF-8 file-system layer: UTF-8 variants of the C runtime and
 * Win32 file calls, a sibling shared library of ZRLShared.
 *
 * Each call behaves as the C runtime or Win32 call of the same stem, but takes
 * and gives every name and environment value as NUL-terminated UTF-8.  The
 * header is valid C99 and C++ and declares the same interface on every
 * platform: the layer brings its own records (find data, stat record, handle)
 * instead of the platform's, so that a caller compiles the same code on
 * Windows and POSIX without <windows.h> or <sys/stat.h>.
 *
 * Windows.  Names are converted to UTF-16 and handed to the wide calls; a name
 * that is not valid UTF-8 fails with errno EINVAL (and the Win32 reason
 * ERROR_NO_UNICODE_TRANSLATION for the Win32-style calls).  Names the system
 * hands back that cannot be written as UTF-8 are treated the same way.
 *
 * POSIX.  Names are already UTF-8 and pass to the system unchanged, with one
 * exception: a backslash separates directories, exactly as a slash does, so
 * that texts written the Windows way ("sub\x.txt") reach the same files.  The
 * names that the layer hands back (current directory, full paths) are the
 * system's own, with slashes.  A file whose name holds a backslash cannot be
 * reached through the layer.  The
 * Win32-style calls report their reason in errno (there is no GetLastError).
 *
 * Limits.  A name or path of more than UTF8FS_PATH_MAX - 1 (4095) bytes is
 * refused with errno ENAMETOOLONG, and a result that would be longer is never
 * written; nothing is written beyond the caller's buffer sizes.
 */
#ifndef UTF8FS_H
#define UTF8FS_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#if defined(_WIN32)
#if defined(UTF8FS_BUILDING_LIBRARY)
#define UTF8FS_API __declspec(dllexport)
#else
#define UTF8FS_API __declspec(dllimport)
#endif
#else
#define UTF8FS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Limits ----------------------------------------------------------------- */

/* Longest name or path the layer takes or gives, with its NUL. */
#define UTF8FS_PATH_MAX 4096
/* Longest entry name in UTF-16 units of the Win32 enumeration (MAX_PATH);
   its UTF-8 form needs at most three bytes per unit. */
#define UTF8FS_MAX_PATH 260

/* ---- Handles ---------------------------------------------------------------- */

/* A handle of CreateFile_utf8 or FindFirstFile_utf8.  On Windows it is the
   Win32 HANDLE itself.  On POSIX a handle of CreateFile_utf8 is a file
   descriptor (the macros below convert; close it with close()), and one of
   FindFirstFile_utf8 is the layer's own enumeration object. */
typedef void *UTF8FS_HANDLE;

/* The failure result of both calls, the value of INVALID_HANDLE_VALUE. */
#define UTF8FS_INVALID_HANDLE ((UTF8FS_HANDLE)(intptr_t)-1)

/* POSIX: the descriptor behind a handle of CreateFile_utf8, and back. */
#define UTF8FS_HANDLE_FD(handle) ((int)(intptr_t)(handle))
#define UTF8FS_FD_HANDLE(fd) ((UTF8FS_HANDLE)(intptr_t)(fd))

/* ---- Flags of open_utf8 ----------------------------------------------------- */

/* open_utf8 takes the Windows C runtime's flag values on every platform; the
   POSIX layer translates them.  Bits not listed are accepted and ignored. */
#define UTF8FS_O_RDONLY 0x0000
#define UTF8FS_O_WRONLY 0x0001
#define UTF8FS_O_RDWR 0x0002
#define UTF8FS_O_APPEND 0x0008
#define UTF8FS_O_RANDOM 0x0010     /* access hint: ignored on POSIX */
#define UTF8FS_O_SEQUENTIAL 0x0020 /* access hint: ignored on POSIX */
#define UTF8FS_O_TEMPORARY 0x0040  /* delete the file when it is closed */
#define UTF8FS_O_NOINHERIT 0x0080
#define UTF8FS_O_CREAT 0x0100
#define UTF8FS_O_TRUNC 0x0200
#define UTF8FS_O_EXCL 0x0400
#define UTF8FS_O_TEXT 0x4000   /* no difference on POSIX */
#define UTF8FS_O_BINARY 0x8000 /* no difference on POSIX */

/* ---- The 32-bit stat record ------------------------------------------------- */

/* The layout of the Windows runtime's struct _stat32.  The times are seconds
   since 1970 (UTC); they are named with a "32" because POSIX headers define
   st_atime and friends as macros.  POSIX fills st_mode, st_nlink, st_size and
   the times and leaves dev, ino, uid, gid and rdev 0 (Windows gives the drive
   number in dev and rdev).  Directories have size 0. */
struct utf8fs_stat32 {
    uint32_t st_dev;
    uint16_t st_ino;
    uint16_t st_mode;
    int16_t st_nlink;
    int16_t st_uid;
    int16_t st_gid;
    uint32_t st_rdev;
    int32_t st_size;
    int32_t st_atime32;
    int32_t st_mtime32;
    int32_t st_ctime32;
};

/* st_mode: the kind of entry, and the permission bits in the low nine bits. */
#define UTF8FS_S_IFMT 0xF000
#define UTF8FS_S_IFDIR 0x4000
#define UTF8FS_S_IFCHR 0x2000
#define UTF8FS_S_IFIFO 0x1000
#define UTF8FS_S_IFREG 0x8000

/* ---- Enumeration ------------------------------------------------------------ */

/* A FILETIME: 100-nanosecond intervals since 1601-01-01 (UTC), low word first. */
typedef struct UTF8FS_FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
} UTF8FS_FILETIME;

/* One entry of FindFirstFile_utf8 / FindNextFile_utf8: the WIN32_FIND_DATA
   fields that callers read, with the name in UTF-8.  Directories have size 0.
   On POSIX the creation time is the time of the last status change. */
typedef struct WIN32_FIND_DATA_UTF8 {
    uint32_t dwFileAttributes; /* UTF8FS_FILE_ATTRIBUTE_* bits */
    UTF8FS_FILETIME ftCreationTime;
    UTF8FS_FILETIME ftLastAccessTime;
    UTF8FS_FILETIME ftLastWriteTime;
    uint32_t nFileSizeHigh;
    uint32_t nFileSizeLow;
    char cFileName[UTF8FS_MAX_PATH * 3];
} WIN32_FIND_DATA_UTF8;

/* Attribute bits (the Win32 values).  POSIX sets DIRECTORY for directories,
   READONLY for other entries that their owner may not write, and NORMAL for
   the rest. */
#define UTF8FS_FILE_ATTRIBUTE_READONLY 0x00000001u
#define UTF8FS_FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define UTF8FS_FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define UTF8FS_FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define UTF8FS_FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define UTF8FS_FILE_ATTRIBUTE_NORMAL 0x00000080u

/* ---- CreateFile_utf8 -------------------------------------------------------- */

/* Access, share mode and disposition: the Win32 values.  POSIX maps access to
   O_RDONLY / O_WRONLY / O_RDWR (GENERIC_ALL is both, no access at all opens
   for reading), CREATE_NEW to O_CREAT|O_EXCL, CREATE_ALWAYS to O_CREAT|O_TRUNC,
   OPEN_EXISTING to nothing, OPEN_ALWAYS to O_CREAT and TRUNCATE_EXISTING to
   O_TRUNC (which needs write access, as on Windows); other dispositions fail
   with EINVAL.  Share mode and template are ignored there; of the attributes
   only READONLY acts (a created file gets 0444 instead of 0666, less the
   umask).  The descriptor is inherited by child programs only when the
   security attributes ask for it, as on Windows. */
#define UTF8FS_GENERIC_READ 0x80000000u
#define UTF8FS_GENERIC_WRITE 0x40000000u
#define UTF8FS_GENERIC_ALL 0x10000000u
#define UTF8FS_FILE_SHARE_READ 0x00000001u
#define UTF8FS_FILE_SHARE_WRITE 0x00000002u
#define UTF8FS_FILE_SHARE_DELETE 0x00000004u
#define UTF8FS_CREATE_NEW 1u
#define UTF8FS_CREATE_ALWAYS 2u
#define UTF8FS_OPEN_EXISTING 3u
#define UTF8FS_OPEN_ALWAYS 4u
#define UTF8FS_TRUNCATE_EXISTING 5u

/* The layout of SECURITY_ATTRIBUTES; on Windows a real one may be passed. */
typedef struct UTF8FS_SECURITY_ATTRIBUTES {
    uint32_t nLength;
    void *lpSecurityDescriptor;
    int bInheritHandle;
} UTF8FS_SECURITY_ATTRIBUTES;

/* ---- The calls -------------------------------------------------------------- */

/* Environment.  getenv_utf8 gives the value or null when the variable is not
   defined.  On Windows the UTF-8 value is kept by the layer, one per name: the
   pointer stays valid until the variable's value changes and getenv_utf8 is
   asked for it again.  putenv_utf8 takes "name=value" (the name not empty) and
   gives 0, or -1 with errno; on POSIX the text itself becomes part of the
   environment and must stay unchanged.  Windows removes a variable given an
   empty value; POSIX keeps it, defined and empty. */
UTF8FS_API char *getenv_utf8(const char *name);
UTF8FS_API int putenv_utf8(const char *text);

/* Streams and descriptors.  open_utf8 takes UTF8FS_O_* flags and permission
   bits (on Windows only the owner's read and write bits count).  On POSIX a
   directory cannot be opened with either call (EACCES, as on Windows), and a
   temporary file (UTF8FS_O_TEMPORARY) loses its name as soon as it is open. */
UTF8FS_API FILE *fopen_utf8(const char *name, const char *mode);
UTF8FS_API int open_utf8(const char *name, int flags, int permissions);

/* 0 with the record filled, or -1 with errno.  A name that ends with a
   separator names a directory: it fails (ENOENT on Windows, ENOTDIR on POSIX)
   when the entry is a file.  A file of more than 2147483647 bytes fails with
   EOVERFLOW; a time outside the 32-bit range is given as -1. */
UTF8FS_API int stat32_utf8(const char *name, struct utf8fs_stat32 *record);

/* 0, or nonzero with errno.  rename_utf8 never replaces an existing entry
   (EEXIST); remove_utf8 removes files only (EACCES for a directory). */
UTF8FS_API int rename_utf8(const char *old_name, const char *new_name);
UTF8FS_API int remove_utf8(const char *name);

/* The current directory in buffer (size bytes with the NUL), or null with errno
   ERANGE when it does not fit.  A null buffer gives a copy from malloc of at
   least size bytes, which the caller releases with free. */
UTF8FS_API char *getcwd_utf8(char *buffer, int size);
UTF8FS_API int chdir_utf8(const char *path);

/* Enumeration of the entries that the last component of pattern matches, with
   the Windows wildcards: '*' any run of characters, '?' one character (or none
   before a dot or at the end), a '.' before a wildcard or at the end also
   matching the end of a name, so that "*.*" matches every name and "*." the
   names without a dot.  POSIX compares as the file system does (case matters)
   and delivers "." and ".." where the pattern matches them; a pattern without
   wildcards finds that one entry or nothing.  FindFirstFile_utf8 gives the
   invalid handle when nothing matches; FindNextFile_utf8 gives nonzero with the
   next entry, 0 at the end.  Windows entries whose names cannot be written as
   UTF-8 are left out.  Close the enumeration with FindClose_utf8 (on Windows
   the platform's FindClose works as well); it gives nonzero on success. */
UTF8FS_API UTF8FS_HANDLE FindFirstFile_utf8(const char *pattern, WIN32_FIND_DATA_UTF8 *data);
UTF8FS_API int FindNextFile_utf8(UTF8FS_HANDLE search, WIN32_FIND_DATA_UTF8 *data);
UTF8FS_API int FindClose_utf8(UTF8FS_HANDLE search);

/* The full path of name: relative names are taken from the current directory,
   "." and ".." are resolved in the text, the file need not exist.  The result
   is its length without the NUL, or 0 on failure; unlike the Win32 call, a path
   that does not fit in size bytes gives 0 (ENAMETOOLONG), so a nonzero result
   always means buffer holds the path.  *name_part (when name_part is not null)
   points into buffer at the last component, or is null when the path ends with
   a separator.  POSIX writes slashes and collapses repeated separators. */
UTF8FS_API uint32_t GetFullPathName_utf8(const char *name, uint32_t size, char *buffer,
                                         char **name_part);

/* The long form of an existing name (on POSIX the name itself) in long_name,
   which may be the same buffer as short_name.  Its length, or 0 on failure
   (the name does not exist, or the result does not fit in size bytes). */
UTF8FS_API uint32_t GetLongPathName_utf8(const char *short_name, char *long_name, uint32_t size);

/* An open handle, or UTF8FS_INVALID_HANDLE with the reason for GetLastError
   (POSIX: errno).  See the constants above for what POSIX makes of the
   arguments. */
UTF8FS_API UTF8FS_HANDLE CreateFile_utf8(const char *name, uint32_t access, uint32_t share_mode,
                                         void *security, uint32_t disposition,
                                         uint32_t flags_and_attributes,
                                         UTF8FS_HANDLE template_file);

#ifdef __cplusplus
}
#endif

#endif /* UTF8FS_H */
