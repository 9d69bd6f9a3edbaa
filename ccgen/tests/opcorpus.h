// The operator corpus: for every C type an intermediate file whose
// functions apply every operator to operands in every place (global, zero
// page, local, parameter, constant, through a pointer, structure member,
// bit-field), and store each result at its own offset of the byte array
// `out`. Beside each file, a C program for the host compiler that
// computes the same results with the types of fixed width (int16_t,
// int32_t, float, double) and prints `out`, most significant byte first,
// as hexadecimal: run in the simulator, the file's `_out` must hold the
// bytes the host prints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vytest {

struct OpProgram {
    std::string name;
    std::vector<std::uint8_t> ir;  // the intermediate file
    std::string host;              // the host program
    int out_bytes = 0;             // the bytes of `out` it fills
    bool needs_runtime = false;    // calls routines of the runtime library
    std::vector<std::string> lines;  // what the statement of each source line does
    std::vector<std::string> slots;  // what the result at each byte of `out` is
};

std::vector<OpProgram> operator_corpus();

}  // namespace vytest
