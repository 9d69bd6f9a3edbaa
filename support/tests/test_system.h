// std::system for the tests that run our programs through the shell.
#pragma once

#include <cstdlib>
#include <string>

namespace vytest {

// Under Wine, cmd now and then cannot start a program that is there ("Can't
// recognize ... as an internal or external command", status 9009) while the
// machine is busy; the program never ran, so the command is tried again.
inline int system(const std::string& command) {
    int status = std::system(command.c_str());
#ifdef _WIN32
    for (int i = 0; i < 3 && status == 9009; ++i) status = std::system(command.c_str());
#endif
    return status;
}

}  // namespace vytest
