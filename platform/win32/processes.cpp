// Child processes on Windows: CreateProcessA, the wait for the process and
// its exit code, and the C runtime's system for the interpreter.
#include "platform/processes.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include <utf8fs.h>

namespace zrl::platform {
namespace {

// CreateProcessA may write into the command line, so it gets a copy.
std::vector<char> writable(const char *line) {
    const std::string text = line != nullptr ? line : "";
    return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}

// A redirection file, created or truncated, inheritable; INVALID_HANDLE_VALUE
// with the reason for GetLastError on failure.
HANDLE create_file(const char *name, bool read_too) {
    UTF8FS_SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const std::uint32_t access =
        read_too ? UTF8FS_GENERIC_READ | UTF8FS_GENERIC_WRITE : UTF8FS_GENERIC_WRITE;
    return static_cast<HANDLE>(CreateFile_utf8(name, access, UTF8FS_FILE_SHARE_READ, &inherit,
                                               UTF8FS_CREATE_ALWAYS,
                                               UTF8FS_FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

int run_interpreter(const char *command) {
    return std::system(command);
}

int start_background(const ChildProgram &program) {
    std::vector<char> line = writable(program.line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const DWORD flags = GetStdHandle(STD_OUTPUT_HANDLE) == INVALID_HANDLE_VALUE ? DETACHED_PROCESS : 0;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &process))
        return static_cast<int>(GetLastError());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int run_detached(const ChildProgram &program, const char *output, const char *error, bool wait) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    HANDLE output_file = INVALID_HANDLE_VALUE;
    HANDLE error_file = INVALID_HANDLE_VALUE;
    if (output != nullptr || error != nullptr) {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (output != nullptr) {
            output_file = create_file(output, false);
            if (output_file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
            out = output_file;
        }
        HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
        if (error != nullptr) {
            error_file = create_file(error, true);
            if (error_file == INVALID_HANDLE_VALUE) {
                const DWORD code = GetLastError();
                if (output_file != INVALID_HANDLE_VALUE) CloseHandle(output_file);
                return static_cast<int>(code);
            }
            err = error_file;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = err;
        startup.hStdInput = err;
    }
    std::vector<char> line = writable(program.line);
    PROCESS_INFORMATION process = {};
    int result = 0;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
        result = static_cast<int>(GetLastError());
    } else {
        if (wait) {
            DWORD code = 0;
            WaitForSingleObject(process.hProcess, INFINITE);
            GetExitCodeProcess(process.hProcess, &code);
            result = static_cast<int>(code);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    if (output_file != INVALID_HANDLE_VALUE) CloseHandle(output_file);
    if (error_file != INVALID_HANDLE_VALUE) CloseHandle(error_file);
    return result;
}

int command_too_long() {
    return ERROR_FILENAME_EXCED_RANGE;
}

} // namespace zrl::platform
