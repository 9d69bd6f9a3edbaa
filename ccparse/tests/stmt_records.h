// The records of function bodies in a short form for tests: trees compact,
// label numbers renamed L1, L2, ... in order of first appearance.
//
//   function f            134
//   body 1 1              251 first line, line of the brace
//   param-type int        217
//   param-size 2          218
//   frame -4              129
//   line 3                20
//   label L1 3            140 (line 0 left out; "loop" when bit 15 is set)
//   case L1 3             130
//   jump L1               139
//   if< L1 a:int 3:int    135-143, the relation and both trees
//   expr (=:int x:int 1:int)  150
//   return                146
//   switch2 L1            190, 149, 189 by the value's size
//   table L1 default=L2 cases=3 size=2   185
//   jump-table 1 L3 L4 L2   205 (the lowest value, then the labels)
//   pairs 100:L5          206
//   end-table             151
//   position 3.4-3.9      188
//   asm "text"            203
//   end                   211
#pragma once

#include <string>
#include <vector>

namespace vytest {

// The records from the first function record on, up to the end of the last
// function, in the short form; records outside functions (data, debug
// description) are left out, and so are file records. With `lines` false the
// line records are left out too.
std::vector<std::string> body_records(const std::vector<std::string>& decoded, bool lines = true);

// The whole list joined with " | ".
std::string joined(const std::vector<std::string>& records);

}  // namespace vytest
