// The statement layer above the simple commands: blocks, "return", and the
// control statements "if", "while" and "do".
#pragma once

namespace vy {

// Runs one statement (blanks skipped before it) and returns the position
// after it (after its ";" when one follows), or null when it ended in an
// error or in "return".
const char* cmdlang(const char* text, int arg);

// Runs a statement or a {...} block; returns the position after it, or null.
const char* runstmt(const char* text, int arg);

}  // namespace vy
