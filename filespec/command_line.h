// The current command line: the process-wide cursor from which fspec and
// pspec take specifications and switches, and the normalisation that turns a
// typed line into the comma-separated form they read.
#pragma once

namespace zrl {

// Where the parsers continue in the current command line; null while there
// is none.  The text is the caller's (or the command buffer) and is cut up in
// place as it is parsed.
extern char *command_cursor;

// Rewrites text in place: leading blanks and tabs dropped; outside double
// quotes and parentheses a run of blanks and tabs becomes one comma between
// two items and nothing before a '/' or at the end.
void normalise_command(char *text);

} // namespace zrl
