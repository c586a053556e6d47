// The file operations on names that the library itself formed or found: the
// file being replaced, its backup, the FDB's own file.  They act on exactly
// that name, never on what it matches as a pattern: '*', '?' and '%' are
// ordinary characters of a name on POSIX, and '%' on Windows too.
#pragma once

namespace zrl {

// Whether an entry of exactly this name exists (a file too large for the
// 32-bit status record as well).
bool exact_exists(const char *name);

// Removes, or renames, the file of exactly this name.  0, or the runtime's
// error number (5 when it gives none); zrl_error is left alone.
int exact_remove(const char *name);
int exact_rename(const char *from, const char *to);

// Renames the file of exactly the name `from` to a caller's specification,
// which takes frename's rules for a new name (its logical device is
// translated).  The status as frename gives it; zrl_error is left alone.
int exact_rename_to_spec(const char *from, const char *new_spec);

} // namespace zrl
