// Fixtures of the optimiser's tests: function bodies written compactly, one
// instruction or label per '|'-separated piece ("ldaa #0|L1:|nod|rts"), run
// through the optimiser inside one chunk.
#pragma once
#include <string>
#include <string_view>

#include "ccopt/opt.h"

namespace opttest {

// "ldaa #0|L1:" as assembly lines: TAB mnemonic TAB operand, labels as
// they stand, pieces beginning with TAB, ';' or '.' unchanged.
std::string asm_lines(std::string_view compact);

// The optimised body: the pieces as one function between "FL:" markers,
// written back compactly (instructions "mnemonic operand").
std::string optimize_body(std::string_view compact, const ccopt::Options& options = {});

// The same with the rule codes of `disable` switched off ("-d").
std::string optimize_body(std::string_view compact, const char* disable);

// Every rule code: what "-d" takes to switch all rules off.
extern const char* const all_rules;

}  // namespace opttest
