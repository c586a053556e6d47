// Programs and plug-ins that the build puts beside the test program.
#pragma once

#include <string>

namespace zrl_test {

// The directory of the running test program, with a final separator.
std::string program_directory();

// The full path of the child program of the spawning tests.
std::string child_program();

// Whether the machine can start the programs of this build: a 32-bit Linux
// build run under qemu-i386 on a kernel without 32-bit support cannot, so the
// tests that start children skip there.
bool build_programs_start();

} // namespace zrl_test
