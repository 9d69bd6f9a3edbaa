// The command table and the dispatcher: every action of the debugger ends
// as a command text handed to docmd.
#pragma once
#include <cstdint>

#include "debugger/target/exports.h"

namespace vy {

// A handler gets the text after the keyword (blanks skipped) and the `arg`
// given to docmd; it returns where it stopped in that text, or CMD_END when
// it consumed the rest of the line or refused the command.
using CommandHandler = const char* (*)(const char* text, int arg);

// One row of the command table. Bits 0-7 of the flags are the number of
// characters compared, the keyword's length.
struct CommandRow {
    const char* keyword;
    uint32_t flags;
    CommandHandler handler;
};

enum : uint32_t {
    CMD_LENGTH = 0x00FF,
    CMD_NOREFRESH = 0x0400,   // neither counted nor followed by a refresh
    CMD_NEEDSRC = 0x1000,     // needs C debug information
    CMD_NEEDFRAME = 0x2000,   // needs a current call frame
};

// The end of every line: an empty string at one address.
inline const char CMD_END[1] = "";

// The table, ended by a row whose keyword is null.
extern const CommandRow commandtable[];

// Set by a refused command, a CMD_NOREFRESH row and the commands that only
// list; a quiet command is not counted and not followed by a refresh.
extern bool CommandQuiet;
// Commands executed that were not quiet (wraps as a signed 16-bit value).
extern int16_t CommandCount;
// Every command execcmd began (each one took the window's messages first).
extern uint32_t CommandsBegun;
// Owned by the event checker: an event's action is running; internal events
// are deleted after each command while DeleteInternalEvents is set.
extern bool ActionRunning;
extern bool DeleteInternalEvents;

// Executes one simple command (no control statement).
const char* execcmd(const char* text, int arg);
// The row whose keyword is the first word of the text, or null.
const CommandRow* findcmd(const char* text);
// Runs ";"-separated commands up to "}" or the end of the text.
const char* doblock(const char* text, int arg);
// Runs one line of a command file: as docmd does (a leading ";" makes the
// line a comment) and then every further statement of the line.
void docmdline(const char* line, int arg);

// Reports a command whose work is not built into this debugger yet, and
// passes over its statement.
const char* notbuilt(const char* name, const char* text);

}  // namespace vy

extern "C" {
// The one entry of every command text. `arg` is 1 for the user's commands
// and 0 for internal ones. Returns where execution stopped, or CMD_END.
VY_EXPORT const char* docmd(const char* line, int arg);
}
