// The statement layer above the simple commands: "if" with its "else",
// "while", "do" ... "while", "return", { } blocks and ";" between
// statements; and the reader of the {...} action that follows an event's
// location.
#pragma once
#include <string>

namespace vy {

// Statements nest this deep (an "if" inside an "if" ...); the next one is
// refused with "nesting too deep".
constexpr int STATEMENTDEPTH = 64;

// Runs one statement (blanks skipped before it) and returns the position
// after it (after its ";" when one follows), or null when it ended in an
// error or in "return".
const char* cmdlang(const char* text, int arg);

// Runs a statement or a {...} block; returns the position after it, or null.
const char* runstmt(const char* text, int arg);

// Passes over a statement or block without running it.
const char* skipstmt(const char* text);

// Evaluates the condition at the position (just after "(") and steps over
// its ")": false when it does not parse (its error reported), else the
// value's truth in `value` and the position after the ")" in `after`.
bool condition(const char* position, bool& value, const char*& after);

// The action of an event: a {...} block (nested braces counted; the rest of
// the line when its "}" is missing) or the text up to the next ";". The
// position moves past it; false when there is no action.
bool readaction(const char*& position, std::string& action);

}  // namespace vy
