// The output channels of the command engine and the commands that move text
// in and out of files: command files (`input`), output redirection
// (`output`), the command log (`record`), saved state (`write`), and the
// reader of source lines by number.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vy {

// Set while the lines of a command file run: errors are then written as
// "#error: " lines on the output instead of message boxes.
extern bool CmdFileRunning;
// Output redirection: while it is on, what goes to the command window is
// also written to the file.
extern bool RedirectOn;
// The command log of `record`, or null.
extern std::FILE* logfile;
// Result of the last `input`: 1 run, 0 not run.
extern int InputResult;
// The source search path: elements separated by '|'.
extern std::string SourcePath;

// Command files nest this deep; the next `input` is refused.
constexpr int INPUTDEPTH = 16;

// The error channel: an "Error" box, or while a command file runs one
// "#error: " line on the output.
void reporterror(std::string_view text);

// Runs a command file found as named or along the search path: 1 when it
// ran (or the name is empty), 0 when it could not be opened.
int docmdfile(const char* name);
// Runs the lines of an open command file; `path`, when known, names it, so
// that output is never redirected onto it while it runs.
void runcmdfile(std::FILE* file, const char* path = nullptr);

// Starts redirection to a file (appending or new), or with an empty name
// only stops it: 1 on success, 0 when the file cannot be opened.
int setoutput(const char* name, bool append);
void redirwrite(const char* text, uint32_t length);
void redirclose();

// `record`: opens the command log, or with an empty name closes it.
void logopen(const char* name);

// `write`: saves events and monitors as commands that `input` replays.
enum : unsigned { WRITE_EVENTS = 1, WRITE_MONITORS = 2, WRITE_FUNCTIONS = 4 };
void writestate(unsigned parts, const char* name);

// Line `line` (from 1; 0 for the next one) of a source file found along the
// search path, tabs expanded to every 4 columns; "file not found" as the line
// when it cannot be opened, null after its end. A null name closes the file.
const char* readsrcline(const char* name, uint32_t line);

// Opens a file along the search path (an absolute name first, else the name
// as given after the path elements); null when none opens.
std::FILE* srcopen(const char* name, bool binary);

}  // namespace vy
