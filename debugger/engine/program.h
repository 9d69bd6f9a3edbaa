// Program, frame and view commands.
#pragma once

namespace vy {

// Set once `quit` has closed the frame: no further line of a command file
// runs.
extern bool QuitRequested;

// Reports that the command may not run while the program runs (it would
// load, reset or zero the program under the run): true when refused.
bool refusedrunning(const char* command);

}  // namespace vy
