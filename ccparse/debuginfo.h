// The debug description of the unit (-x): for each source file a linked
// tree of data in the intermediate file, which the code generator places in
// its debug section and the debugger walks: the file head, one node per
// function with its variables and the names it uses, and a last node for
// the file's own variables; types with their derivation words and member
// lists.
#pragma once

#include <cstdint>

namespace vy::cc {

struct FunctionDef;
struct SourceFile;
struct Symbol;

void debug_reset();

// Puts a file-level symbol on the debug list of the file where its
// declaration began (once).
void filelink(Symbol* sym, SourceFile* file);

// The entry of a function, written before its records.
void describe_function(FunctionDef& f);

// A source file has been read to its end. Its last node is written at the
// next point between declarations (`debug_flush`), never inside a data
// definition or a function.
void debug_file_ended(SourceFile* file);
void debug_flush();

}  // namespace vy::cc
