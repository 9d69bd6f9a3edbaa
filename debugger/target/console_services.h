// The native stand-in of the debugger's windows and command engine: errors
// as "#error: " lines on standard error, output on standard output, a small
// expression reader (numbers, symbols, + and -) and no dialogs.
#pragma once
#include <cstdio>
#include <set>
#include <string>

#include "debugger/target/services.h"

namespace vy {

class ConsoleServices : public TargetServices {
public:
    void error(std::string_view text) override;
    void output(std::string_view text) override;
    bool evalexpr(uint32_t* value) override;
    void interp(const char* text, int flag) override;
    bool hasmacro(const char* name) override { return macros.count(name) != 0; }

    // When capture is set, output and errors are kept here instead of printed.
    bool capture = false;
    std::string out;          // everything written on the output channels
    std::string errors;       // every error, one per line
    std::string commands;     // every command text that interp was given
    std::set<std::string> macros;
};

}  // namespace vy
