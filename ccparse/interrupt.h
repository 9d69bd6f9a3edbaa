// The console interrupt: the output file is removed and the run ends with status 2.
#pragma once

namespace vy::cc {

// Installs the handler; `output` names the file to remove (may be null and
// may change through `set_interrupt_output`).
void install_interrupt_handler();
void remove_interrupt_handler();
void set_interrupt_output(const char* path);
// True once the interrupt came (where it cannot end the program at once).
bool interrupt_requested();

}  // namespace vy::cc
