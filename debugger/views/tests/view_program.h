// A program for the views' tests, made by the test tool that writes object
// files with full debug information, and loaded as the debugger loads one:
//
//   main.c: int main(void), static char helper(int n)
//   util.c: int add(int a, int b), a function ".init", a declared function
//   old.c twice: the first one's name is not unique and is not listed
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/tools/program_builder.h"
#include "debugger/target/tests/target_fixture.h"

namespace vy {

// A function and a file of a description.
progbuild::Function function(const std::string& name, uint8_t cls = 6, uint32_t type = 24);
progbuild::File file(const std::string& name, std::vector<progbuild::Function> funcs);

class ViewProgramTest : public TargetTest {
protected:
    // Builds and loads the description; false when the load reported.
    bool load(const progbuild::Program& program);
    // Builds and loads the program above.
    bool loadviewprogram();
    // Where the builder put a function's start.
    uint16_t startof(const std::string& name) const;

    progbuild::Built built;
};

}  // namespace vy
