/*
 * utf8fs.h - the UTF-8 file-system layer: UTF-8 variants of the C runtime and
 * Win32 file calls, a sibling shared library of ZRLShared.
 */
#ifndef UTF8FS_H
#define UTF8FS_H

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

/* The calls of the layer are declared here as they are built. */

#ifdef __cplusplus
}
#endif

#endif /* UTF8FS_H */
