// What the files of the older core share among themselves and nobody else
// needs: the running macro's arguments, prompts, and the run requests of
// commands inside texts.
#pragma once
#include <cstdint>

namespace vy {

// Argument n of the running macro (0: their number); false when there is no
// such argument (or, for n 0, no macro running: then value is 0).
bool macroargument(int32_t n, int32_t& value);

// Prints a prompt on the command window when the input is the console.
void coreprompt(const char* text);
// True when lines come from the console, not from a command file.
bool consoleinput();

// g, s and t: inside a given text (a breakpoint action, the register panel)
// or inside a run they only ask the caller to resume; from the console the
// run loop runs at once.
void startrun(int mode, uint32_t count);

// Skips the rest of a statement: to the next ';' or line end outside quotes
// and braces, or to the '}' that closes the block it stands in (not
// consumed).
const char* skipstatement(const char* text);

// The line editor's remembered pattern, replacement and page size go.
void editorinit();

// Source lines for the listing and the run loop (nothing without source-line
// tables): the lines of the entry at an address before its code, and the
// announcement of the PC's line while stepping by lines.
void coreannotate(uint16_t address);
void coreannounce(uint16_t address);

}  // namespace vy
