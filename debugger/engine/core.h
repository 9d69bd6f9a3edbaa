// The older command core: a line-oriented language of single-letter
// commands beneath the command table, with its own integer expressions,
// statements (if, else, while, return, shift), user macros with up to nine
// arguments, machine-level breakpoints whose conditions and actions it runs,
// an instruction-level run loop and a line editor for macro bodies and
// breakpoint actions.
//
// Its text position is the target model's command reader (reader.pos), which
// the line assembler and the machine-breakpoint check share. No input ends
// the process: what would be fatal is reported and the text being run is
// abandoned.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/format.h"

namespace vy {

struct MemEvent;

// ---------------------------------------------------------------------------
// State kept between commands

struct CoreSettings {
    uint16_t address = 0;       // current address of d, e, m and a
    char dumpsize = 'b';        // item size of d
    char modifysize = 'b';      // item size of m
    uint32_t dumprows = 8;      // rows of d without a count
    uint32_t listlines = 8;     // instructions of e without a count
    char xformat = 'd';         // default format of x
    char repeat = 0;            // 'd', 'e' or 's': an empty console line repeats it
    uint32_t stepcount = 1;     // instructions (or lines) of s without a count
    bool sourcedisplay = false; // source lines shown by e and the run loop
    bool sourcestep = false;    // s steps by source lines
    bool stepover = false;      // s steps over calls
    uint16_t stopped = 0;       // breakpoint that stopped the last run, 0 none
    bool quit = false;          // set by q and quit
};
extern CoreSettings core;

// A macro: its name and its body, a list of lines. A running call keeps its
// own reference to the body, so editing or deleting the macro meanwhile is
// safe.
using CoreBody = std::vector<std::string>;
struct CoreMacro {
    std::string name;
    std::shared_ptr<const CoreBody> body;
};
extern std::vector<CoreMacro> coremacros;
CoreMacro* findmacro(std::string_view name);
// Defines or replaces a macro; an empty body deletes it.
void setmacro(std::string_view name, CoreBody body);

// Back to the state of a fresh start; frees breakpoints and macros, closes
// the input file, the journal and the redirection.
void coreinit();
void corefree();

// ---------------------------------------------------------------------------
// Statement interpreter

// With a text: runs one statement or one block of it, self-contained.
// Without: reads one line of the input (the console or a command file) and
// runs all its statements. The enabled flag is set for the call (0: only
// skip) and restored after it. Returns 1.
int interp(const char* text, int enabled);
// True while statements are executed, not only skipped.
bool coreexecuting();
// True when a macro of that name exists.
bool coremacroexists(const char* name);

// The console of the core: the next line the user typed, without its line
// end; false when there is none. The debugger's console reads nothing.
extern bool (*conread)(std::string& line);
// Reads the next input line: from the command file (false at its end, where
// input returns to the console) or from the console (false at its end,
// after "no more input", and the text being run is abandoned). A journal
// gets a copy of every line.
bool rdline(std::string& line);
// Command file input and the journal: 1 on success; an empty name closes.
int coreinput(const char* name);
void coreclosecmd();
int corejournal(const char* name);

// The three banner lines on the command window.
void corebanner();

// ---------------------------------------------------------------------------
// Output and errors

// The core's current output: the command window, or the file given to '>'.
void coreputs(std::string_view text);
int16_t corewriter(void* context, const char* bytes, int16_t count);
template <FormatArgument... A>
void coreprintf(const char* format, const A&... args) {
    fmtout(corewriter, nullptr, format, args...);
}
// Redirects the output, appending, to a file (an empty name ends it); false
// when the file cannot be opened.
bool coreredirect(const char* name);

// Reports a numbered message. Fatal ones (stack overflow, incorrect
// argument, too many arguments) also abandon the text being run.
void coreerror(int id);
void corefatal(int id);
bool coreabandoned();

// ---------------------------------------------------------------------------
// Integer expressions and the scanner (all at reader.pos)

// Evaluates the expression at the text position and leaves the position
// after it; errors are reported and evaluation goes on with the value it
// has.
int32_t evalexpr();
// Evaluations that reported an error so far (a caller compares counts).
uint32_t coreevalerrors();
// After blanks: NUL, ';', ',', '}' or a line end.
bool endofarg();
// Digits as a 16-bit number.
uint16_t rddecimal();

// The code address of a source line (file null: the current one); reports
// and gives 0 when the line has no code.
uint32_t corelineaddr(const char* file, uint32_t line, uint32_t column);

// ---------------------------------------------------------------------------
// Commands, breakpoints and the run loop

// Runs the single-letter command at the text position (the position is on
// its letter).
void corecommand();

// Run modes of the run loop.
enum : int { RUN_GO = 1, RUN_TRACE = 2, RUN_STEP = 4 };
// Runs the target from the PC: RUN_GO until a breakpoint, RUN_TRACE the same
// printing every instruction, RUN_STEP `count` instructions (or lines).
// Inside a breakpoint action or another run it only asks the caller to
// resume.
void corerun(int mode, uint32_t count);

// Machine breakpoints are the target model's MemEvent list (flags read 1,
// write 2, anywhere 4, deleted 8). An action's lines are kept in its block
// one after the other, each ended by a line end but the last.
//
// Removes a breakpoint; while breakpoints are being checked it is only
// marked deleted.
void rmbrk(uint16_t number);
// The action lines of a breakpoint.
std::vector<std::string> actionlines(const MemEvent* e);
// Frees the action blocks replaced while they might be running.
void flushactions();

// The line editor, on a list of lines; returns the command character that
// ended it ('q').
char editlines(std::vector<std::string>& lines);

}  // namespace vy
