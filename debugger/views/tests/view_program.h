// The views' tests with a program loaded as the debugger loads one: the
// program of two_file_program.h, or another description.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/tools/program_builder.h"
#include "two_file_program.h"
#include "debugger/target/tests/target_fixture.h"

namespace vy {

class ViewProgramTest : public TargetTest {
protected:
    // Builds and loads the description; false when the load reported.
    bool load(const progbuild::Program& program);
    // Builds and loads viewprogram().
    bool loadviewprogram();
    // Where the builder put a function's start.
    uint16_t startof(const std::string& name) const;

    progbuild::Built built;
};

}  // namespace vy
