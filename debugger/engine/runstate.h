// The run state of the target and the frame title that names the current
// place.
#pragma once

namespace vy {

// Set while the target runs; cleared when the run ends or by a stop request.
extern bool RunState;

// Switches menus, buttons and cursor of the frame to running or stopped;
// the long-run flag of run control changes nothing here.
void SetRunState(int running, int longrun);

// The frame title for a place: "Vyr (program)  function():file:line ", the
// function part left out for the function "."; without a function,
// "Vyr (program)"; "Vyr " with no program loaded and "Vyr" while a load is
// being cancelled.
const char* placetitle(const char* file, const char* function, unsigned line);
// Sets the frame title for a place.
void SetPlaceTitle(const char* file, const char* function, unsigned line);

}  // namespace vy
