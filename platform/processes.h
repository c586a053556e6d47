// Child processes: the part of spawn and spawn_nc that asks the system.  The
// portable side (process/spawn.cpp) has already scanned the command text;
// these calls start, wait for and detach the programs.
//
// Results, on every platform: the exit code of a child that was waited for,
// 0 for a start without waiting, or the system's error number when a file or
// the process cannot be created (GetLastError on Windows, errno on POSIX).
#pragma once

namespace zrl::platform {

// One program to start: its command line as the caller wrote it (what
// Windows hands to the new process) and the same line split into arguments
// by the Windows rules (what POSIX hands to exec; a null-ended array).
struct ChildProgram {
    const char *line;
    char *const *argv;
};

// The command through the C runtime's command interpreter (`system`), waited
// for.  POSIX gives the exit status (128 plus the signal number for a child
// killed by a signal; -1 when no interpreter could be started) where the
// runtime gives a wait status.
int run_interpreter(const char *command);

// spawn's background start: the program shares the caller's console and
// standard streams, inherits nothing else, and is not waited for.
int start_background(const ChildProgram &program);

// spawn_nc: the program detached from the console.  Without an output and an
// error file name it gets no standard streams from the caller; otherwise its
// output goes to the output file (or the caller's standard output), its error
// and its input are both the error file (or the caller's standard error).
// The files are created or truncated before the start; when one cannot be,
// nothing is started.  wait: wait for the exit code; otherwise the result is
// 0 as soon as the program runs.
int run_detached(const ChildProgram &program, const char *output, const char *error, bool wait);

// The error number for a command too long for spawn_nc's working buffer.
int command_too_long();

} // namespace zrl::platform
