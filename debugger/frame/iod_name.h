// The name test of I/O-register description files, shared by the
// debugger's plug-in host and the plug-in's module list.
#pragma once

namespace vy {

// Lower-cases `name` in place; 1 when it has at least 5 characters and
// ends in ".iod", else 0.
int IsIodFile(char* name);

}  // namespace vy
