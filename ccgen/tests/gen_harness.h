// Runs ccgen inside a test: the intermediate file is written into a fresh
// directory, the program's endings and standard-error writes are caught,
// and the assembly text is read back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ccgen/ccgen.h"
#include "ccparse/tests/front_harness.h"

namespace vytest {

struct GenRun {
    int status = -1;
    std::string errors;  // standard error
    std::string asm_text;  // the output file, line ends as '\n'
    bool output_exists = false;
};

// Runs ccgen with `args` (without the program name) in `dir`; the output
// file is the one named by -o.
GenRun run_gen(const TempDir& dir, std::vector<std::string> args);

// Writes `ir` as t.ir and runs ccgen with `options` and t.ir; the assembly
// text is what it wrote on standard output, kept whatever the status (an
// output file named by -o is removed after a failure).
GenRun generate(const std::vector<std::uint8_t>& ir, std::vector<std::string> options = {});

// Compiles `source` with ccparse (with `front_options`), then generates.
struct ChainRun {
    FrontRun front;
    GenRun gen;
};
ChainRun compile_and_generate(const std::string& source, std::vector<std::string> front_options = {},
                              std::vector<std::string> gen_options = {});

// The optimiser's rewrite of `asm_text` (its diagnostics and a failing
// status in `errors`).
std::string optimise(const std::string& asm_text, std::string& errors);

// The engine alone on a run of its own: `body` writes through it; the text
// written comes back.
std::string engine_text(const std::function<void(ccgen::Gen&)>& body, ccgen::Options options = {});

// The lines of an assembly text without the file head and the end line.
std::vector<std::string> body_lines(const std::string& asm_text);

// The directory of "macro.h11", which every generated file includes.
inline std::string fixture_dir() { return std::string(VY_SOURCE_DIR) + "/outside/include"; }

}  // namespace vytest
