// What the dispatcher needs of parts of the engine that are not built in
// yet; each answers as an engine without that part would.
#pragma once
#include <cstdio>

namespace vy {

// True when there is a current call frame (there is none yet).
bool framepresent();
// Deletes the internal events that run control made for one command.
void rmintevents();
// Write the events and the monitors as commands (there are none yet).
void writeevents(std::FILE* file);
void writemonits(std::FILE* file);
// Refreshes the views that follow the target (the monitors among them).
void refreshfollowers();

}  // namespace vy
