// Program, frame and view commands.
#pragma once

namespace vy {

// Set once `quit` has closed the frame: no further line of a command file
// runs.
extern bool QuitRequested;

}  // namespace vy
