// Ending the program on a condition it cannot go on from.
#pragma once

namespace vy {

// The name written before fatal messages ("Vyr" in the debugger); none when null.
extern const char* programname;

// Writes "name: ", the message and the argument (each only when present)
// and a newline to the standard error, then ends the program with status 1.
[[noreturn]] void fatalexit(const char* message, const char* argument);

}  // namespace vy
