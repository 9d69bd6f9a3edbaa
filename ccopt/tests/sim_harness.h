// Runs a function body before and after optimisation in the target model's
// simulator and compares what is live at its end.
#pragma once
#include <string>
#include <string_view>

#include "ccopt/opt.h"

namespace opttest {

struct SimResult {
    bool ok = true;
    std::string message;  // what differed, or why the body cannot run
    bool runnable = true;  // false: no return, or an external reference
    int trials = 0;        // trials in which the original returned
    long before_cycles = 0, after_cycles = 0;
    int before_bytes = 0, after_bytes = 0;
};

// The data symbols a body may name: _a _b _c _p _q _x _y _z and the words
// _u _v _w on the direct page, _big and _far beyond it; "jsr _g" calls a
// function that changes A, B, Y and the flags (N set, A clear). X and Y start in
// 0x0100..0x01ef; memory 0x0000..0x01ff starts random and is compared.
SimResult sim_compare(std::string_view compact, const ccopt::Options& options, unsigned seed, int trials);

// Assembles a text with ccasm; the diagnostics ("" when clean) and the
// .text bytes and start address.
struct Assembled {
    int status = 0;
    std::string diagnostics;
    std::string bytes;
    unsigned start = 0;
};
Assembled assemble_text(const std::string& text);

// The header of the simulated program (macros, data symbols, the caller)
// and the body wrapped as one function "_f". The caller stands in a chunk
// of its own, so that "_f" begins its chunk as a function of a file does.
std::string sim_program(std::string_view compact);

}  // namespace opttest
