// Child processes on POSIX.  Programs are started without a shell
// (posix_spawnp, which looks the program up on PATH) in a session of their
// own, so that they have no controlling terminal; the signal mask and the
// signal dispositions are reset for them.  Only standard input, output and
// error pass to a child: every other descriptor is closed in it, as a
// Windows child inherits no handle that was not made inheritable.
//
// A start without waiting goes through an intermediate process that starts
// the program and exits at once; the caller reaps the intermediate, and the
// program, left without a parent, is reaped by the system.  So no background
// child ever stays behind as a zombie, and the caller's own children (and
// its SIGCHLD disposition) are untouched.
#include "platform/processes.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utf8fs.h>

extern char **environ;

namespace zrl::platform {
namespace {

// The exit status of a wait status: the exit code, or 128 plus the number of
// the signal that ended the program.
int exit_status(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return errno;
    }
    return exit_status(status);
}

// The standard streams a child is to get, as descriptors of the caller; -1
// leaves the caller's own.
struct Streams {
    bool null_device = false; // all three on /dev/null
    int input = -1;
    int output = -1;
    int error = -1;
};

class SpawnSetup {
  public:
    SpawnSetup() {
        ok_ = posix_spawn_file_actions_init(&actions_) == 0;
        ok_ = posix_spawnattr_init(&attributes_) == 0 && ok_;
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    // 0 or the error number.
    int prepare(const Streams &streams) {
        if (!ok_) return ENOMEM;
        int rc = 0;
        if (streams.null_device) {
            rc = posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDWR, 0);
            if (rc == 0) rc = posix_spawn_file_actions_adddup2(&actions_, 0, 1);
            if (rc == 0) rc = posix_spawn_file_actions_adddup2(&actions_, 0, 2);
        }
        // Output first, then error and input from the error descriptor, so
        // that none of them is overwritten before it is copied.
        if (rc == 0 && streams.output >= 0)
            rc = posix_spawn_file_actions_adddup2(&actions_, streams.output, 1);
        if (rc == 0 && streams.error >= 0)
            rc = posix_spawn_file_actions_adddup2(&actions_, streams.error, 2);
        if (rc == 0 && streams.input >= 0)
            rc = posix_spawn_file_actions_adddup2(&actions_, streams.input, 0);
        if (rc == 0) rc = close_the_rest();
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        if (rc == 0) rc = posix_spawnattr_setsigmask(&attributes_, &none);
        if (rc == 0) rc = posix_spawnattr_setsigdefault(&attributes_, &all);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
        flags |= POSIX_SPAWN_SETSID;
#endif
        if (rc == 0) rc = posix_spawnattr_setflags(&attributes_, flags);
        return rc;
    }

    int spawn(pid_t &pid, char *const *argv) {
        return posix_spawnp(&pid, argv[0], &actions_, &attributes_, argv, environ);
    }

  private:
    // Closes every descriptor above the standard three in the child.  A C
    // library without closefrom gets one close for each descriptor that the
    // caller holds open without close-on-exec, below the descriptor limit
    // (at most the first 65,536 are looked at).
    int close_the_rest() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        return posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
#else
        long limit = sysconf(_SC_OPEN_MAX);
        if (limit < 0 || limit > 65536) limit = 65536;
        for (int fd = 3; fd < limit; ++fd) {
            const int flags = fcntl(fd, F_GETFD);
            if (flags < 0 || (flags & FD_CLOEXEC) != 0) continue;
            if (const int rc = posix_spawn_file_actions_addclose(&actions_, fd); rc != 0) return rc;
        }
        return 0;
#endif
    }

    bool ok_ = false;
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Starts the program; waits for it when asked, else goes through the
// intermediate described above.
int start(const ChildProgram &program, const Streams &streams, bool wait) {
    if (program.argv == nullptr || program.argv[0] == nullptr) return ENOENT;
    SpawnSetup setup;
    if (const int rc = setup.prepare(streams); rc != 0) return rc;
    if (wait) {
        pid_t pid = 0;
        if (const int rc = setup.spawn(pid, program.argv); rc != 0) return rc;
        return wait_for(pid);
    }
    const pid_t middle = fork();
    if (middle < 0) return errno;
    if (middle == 0) {
        pid_t pid = 0;
        // The start's error number is the intermediate's exit code.
        _exit(setup.spawn(pid, program.argv) & 0xFF);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) return errno;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
}

// A redirection file, created or truncated; -1 with errno on failure.  The
// descriptor stays with the caller (close-on-exec); the child gets a copy.
int create_file(const char *name, bool read_too) {
    const std::uint32_t access =
        read_too ? UTF8FS_GENERIC_READ | UTF8FS_GENERIC_WRITE : UTF8FS_GENERIC_WRITE;
    UTF8FS_HANDLE handle =
        CreateFile_utf8(name, access, UTF8FS_FILE_SHARE_READ, nullptr, UTF8FS_CREATE_ALWAYS,
                        UTF8FS_FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == UTF8FS_INVALID_HANDLE ? -1 : UTF8FS_HANDLE_FD(handle);
}

} // namespace

int run_interpreter(const char *command) {
    const int status = std::system(command);
    return status == -1 ? -1 : exit_status(status);
}

int start_background(const ChildProgram &program) {
    return start(program, Streams{}, false);
}

int run_detached(const ChildProgram &program, const char *output, const char *error, bool wait) {
    Streams streams;
    if (output == nullptr && error == nullptr) {
        streams.null_device = true;
        return start(program, streams, wait);
    }
    int output_fd = -1;
    int error_fd = -1;
    if (output != nullptr && (output_fd = create_file(output, false)) < 0) return errno;
    if (error != nullptr && (error_fd = create_file(error, true)) < 0) {
        const int rc = errno;
        if (output_fd >= 0) close(output_fd);
        return rc;
    }
    streams.output = output_fd >= 0 ? output_fd : 1;
    streams.error = error_fd >= 0 ? error_fd : 2;
    streams.input = streams.error;
    const int result = start(program, streams, wait);
    if (output_fd >= 0) close(output_fd);
    if (error_fd >= 0) close(error_fd);
    return result;
}

int command_too_long() {
    return E2BIG;
}

} // namespace zrl::platform
