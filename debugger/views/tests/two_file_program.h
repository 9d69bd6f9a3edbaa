// The program of the views' tests, described for the test tool that writes
// object files with full debug information:
//
//   main.c: int main(void), static char helper(int n)
//   util.c: int add(int a, int b), a function ".init", a declared function
//   old.c twice: the first one's name is not unique and is not listed
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/tools/program_builder.h"

namespace vy {

// A function and a file of a description.
progbuild::Function function(const std::string& name, uint8_t cls = 6, uint32_t type = 24);
progbuild::File file(const std::string& name, std::vector<progbuild::Function> funcs);

progbuild::Program viewprogram();

}  // namespace vy
