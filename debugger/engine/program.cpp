#include "debugger/engine/program.h"

#include "debugger/engine/commands.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"

namespace vy {

bool QuitRequested;

const char* doquit(const char* text, int arg) {
    if (CloseFrame()) QuitRequested = true;
    return CMD_END;
}

// `*` and `rem`: the rest of the line is a comment.
const char* dorem(const char* text, int arg) { return CMD_END; }

}  // namespace vy
