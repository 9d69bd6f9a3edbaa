// Programs for the tests made as the toolchain makes them: assembly text
// through ccasm, with the debug tree of a program description appended as
// the compiler's debug directives would write it.
#pragma once
#include <string>
#include <vector>

#include "debugger/target/tools/program_builder.h"
#include "target_fixture.h"

namespace vy {

// Assembles a source file with ccasm's own driver; the object file's path.
std::string assemble(const std::string& source, std::vector<std::string> options);

// A file of the tests' programs folder.
std::string programtext(const std::string& name);

class ProgramTest : public TargetTest {
protected:
    // Assembles the code with the tree of the description (absolute, with
    // its local symbols) and loads the object file; false after a failure.
    bool loadprogram(const std::string& name, const std::string& code, const progbuild::Program& tree);
    // The value of a program symbol (0 when there is none).
    static uint16_t symbol(const char* name);
};

}  // namespace vy
