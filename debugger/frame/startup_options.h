// The command line of the debugger: "-s" and a session name (in double
// quotes when it holds blanks) restores that session; the rest names the
// program to load. Any other option is refused.
#pragma once
#include <string>

namespace vy {

struct StartupOptions {
    bool illegal = false;   // an option other than -s: nothing is loaded
    std::string session;    // the command that restores the session, or empty
    std::string rest;       // what remains: the program to load
};

// Reads a command line; one that does not begin with '-' is all program.
StartupOptions parsecommandline(const char* text);

}  // namespace vy
