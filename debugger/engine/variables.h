// Variable resolution for the expression evaluator: C names looked up over
// the call frames, the functions' parameters and locals, and the file-level
// variables, with the address each one has in its frame.
#pragma once
#include <cstdint>

namespace vy {

struct FileRec;
struct FrameNode;
struct FuncRec;
struct LocalRec;
struct VarRef;

// The visibility flag of a lookup: the entered-by-call flag (the settled
// bit) of the frame concerned. While it is clear (the frame set-up has not
// run yet) a function's locals are not there to be found, its parameters
// are, and an argument that arrives in a register is still in it.
extern bool varvisible;

// The variable of that name in a function: its parameters first, then its
// locals and statics (not typedefs; locals only while visible, statics
// always), then the file-level variables of its file; null when none. A
// null function is reported and finds nothing.
LocalRec* onvarlist(const FuncRec* fn, const char* name);

// The record of a file that holds its file-level variables.
FuncRec* filescope(const FileRec* file);

// The evaluator's lookup (ProgramNames::variable): 0 with `var` filled, -1
// when there is no variable of that name, or a message number (an unknown
// file or function; MSG_NOTADDRESSABLE, with `var` filled, for a variable
// of a frame that is not on the stack). With a function name the frames of
// that function are searched from the top; a bare name is looked up in the
// selected frame's function, then among the file-level variables of each
// file in order. Without `evaluate` no address is computed.
int lookupvar(const char* file, const char* function, const char* name, bool evaluate, VarRef& var);

// The variable of a data event: in the named function's records, or among
// the file-level variables, of the named file or of every file; its address
// (in the innermost frame of its function, for a local) and size. False
// when there is none, or when it has no address in target memory.
bool datavariable(const char* file, const char* function, const char* name, uint16_t& address, uint32_t& size);

}  // namespace vy
