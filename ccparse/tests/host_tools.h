// The host's tools as test oracles (native only): running a command and
// compiling a C program.
#pragma once

#include <string>

namespace vytest {

// Runs a shell command; its standard output, and whether it succeeded.
bool run_command(const std::string& command, std::string& output);
// Whether a program is on the path.
bool have(const char* tool);
// Compiles the C program `source` in `dir` with the host compiler and runs
// it; its standard output, or false with the compiler's messages.
bool run_c_program(const std::string& dir, const std::string& source, std::string& output);

}  // namespace vytest
