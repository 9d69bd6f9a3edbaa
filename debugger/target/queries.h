// The small operations around a load: the lookups that the command engine
// and the source views make in the debug tables, and the resets of the
// target and its tables.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace vy {

struct DebugEntry;
struct FileRec;
struct FuncRec;

// 1 when the address lies in C code.
int insource(uint16_t address);
// The file-scope record of the first file that has a variable of the name.
FuncRec* filevarrec(const char* name);
// The line, function-end or function-start entry of a line of a file (or,
// for a file made from line entries, any entry of that line), or null.
DebugEntry* linecode(FileRec* file, uint32_t line);
int linehascode(FileRec* file, uint32_t line);
// Shows the code address of a line in a box titled "Address of", or reports
// " No code at that location".
void ShowLineAddress(void* owner, uint32_t line, FileRec* file);

// Back to no program: memory, section symbols, the pending-interrupt mask,
// the run counters and the debug tables.
void resetprog();
// Frees the call frames and resets the run counters.
void dropdebug();
// The older core's memory events: marked deleted while one runs, else freed
// with the symbols ".abrk" and ".nbrk".
void clrbreaks();
// A warning box of the joined texts.
void dbwarn(std::initializer_list<std::string_view> texts);
void promptstub();
// Runs the older core's interpreter on a null statement.
void interpnull();

}  // namespace vy
