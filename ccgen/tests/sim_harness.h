// Runs generated code in the debugger's target model: the assembly text is
// assembled with the start-up code and a stand-in of the runtime library,
// linked with the compile driver's link file, loaded and run from reset to
// __halt. Each `c_` routine of the stand-in is a label that the run stops
// at; the routine is then done by a model written from docs/abi.md (the
// registers it reads and sets, its inline operands, what it does to the
// stack), so that code and contract are checked together.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vytest {

struct SimRun {
    bool ok = false;
    std::string error;                     // assembly, link or run failure
    std::map<std::string, std::uint32_t> symbols;
    std::vector<std::uint8_t> memory;      // 64 KB after the run
    std::uint16_t d = 0;                   // D at __halt
    std::uint64_t steps = 0;
    std::map<std::string, int> routine_calls;  // runtime routines called
    std::uint32_t code_bytes = 0;          // size of the program's .text

    std::vector<std::uint8_t> bytes(const std::string& symbol, int count) const;
};

// Assembles `asm_text` (in a fresh directory), links and runs it.
SimRun simulate(const std::string& asm_text, std::uint64_t step_bound = 20000000);

// The names of the runtime routines (the optimiser's table).
const std::vector<std::string>& runtime_routine_names();

class TempDir;

// Whether the host has a C compiler (cc) for the expected results.
bool have_host_cc();

// Compiles `source` with the host's cc in `dir`, runs it and returns what
// it printed without the last line end, or "host failed: " and the errors.
std::string host_output(const TempDir& dir, const std::string& source);

// The bytes as two lower-case hex digits each.
std::string hexbytes(const std::vector<std::uint8_t>& bytes);

}  // namespace vytest
