// The listings of the loaded program's source files and functions, and the
// line that names where a function is.
#pragma once

namespace vy {

struct FuncRec;

// Every source file whose name is unique, one a line after ten blanks.
void listfiles();
// The functions of every file, or of the file of that name (null: all):
// their state, their names (with `declarations`, the declaration texts) and
// start addresses.
void listfuncs(const char* file, bool declarations);
// A function's declaration text and " at " its start address; no line end.
void putwhere(const FuncRec* fn);

}  // namespace vy
