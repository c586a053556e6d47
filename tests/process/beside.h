// Programs and plug-ins that the build puts beside the test program.
#pragma once

#include <string>

namespace zrl_test {

// The directory of the running test program, with a final separator.
std::string program_directory();

// The full path of the child program of the spawning tests.
std::string child_program();

} // namespace zrl_test
