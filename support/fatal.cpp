#include "support/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace vy {

const char* programname = nullptr;

void fatalexit(const char* message, const char* argument) {
    if (programname && *programname) {
        std::fputs(programname, stderr);
        std::fputs(": ", stderr);
    }
    if (message) std::fputs(message, stderr);
    if (argument) std::fputs(argument, stderr);
    std::fputc('\n', stderr);
    std::exit(1);
}

}  // namespace vy
