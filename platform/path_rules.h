// How the file system of this build reads a name: which characters end a
// directory, what the library writes between directories, and whether the
// name can carry a drive or a share.  The parser, the search and the file
// operations ask these questions here; none of them decides by platform on
// its own, so that the text they split and the file the UTF-8 layer reaches
// for the same text are always the same.
//
// Windows.  A backslash ends a directory.  'C:' is a drive, a leading
// backslash starts a device ('\\SERVER\SHARE\' of a share), and a device of
// two or more characters is a logical name.
//
// POSIX.  The UTF-8 layer reads a backslash as '/', so both end a directory,
// and a leading one of either (or two, as in '\\tmp\x') is the root
// directory.  There are no drives and no shares: a colon after one letter is
// part of a name ('C:x.txt' is the file of that name), and the only device is
// a logical name, two or more characters before the first colon with no
// separator in front of them.
#pragma once

namespace zrl::paths {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool kDrivesAndShares = true;
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kDrivesAndShares = false;
#endif

// Whether the full path of an entry is the full path of its directory, a
// separator (unless that path ends with one) and the entry's name.  POSIX
// resolves a path in its text alone, so a search resolves each directory
// once; Windows also drops trailing dots and blanks from a name, so each
// entry is resolved on its own there.
inline constexpr bool kEntriesJoinTheirDirectory = !kDrivesAndShares;

// Whether c ends a directory.
inline constexpr bool ends_directory(char c) {
    return c == '\\' || (!kDrivesAndShares && c == '/');
}

} // namespace zrl::paths
