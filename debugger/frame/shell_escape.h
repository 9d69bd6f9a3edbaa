// The shell escape of the `sys` command: the command interpreter started
// with the user's line, without waiting for it.
#pragma once
#include <cstdint>
#include <string>

namespace vy {

// The command line that starts the interpreter: "INTERPRETER /C LINE", or
// the interpreter alone for an empty line. False when the line would not
// fit the 512-byte command buffer (the line is then refused).
bool shellcommandline(const char* interpreter, const char* line, std::string& out);

// The text that explains a failed start (a result below 32), or "" when
// the result has none.
const char* startfailuretext(uint32_t result);

// ShellCommand (hooks.h) starts a line through the interpreter.

}  // namespace vy
