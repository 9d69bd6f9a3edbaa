// The run state of the target and the frame title that names the current
// place.
#pragma once
#include <cstdint>

namespace vy {

// Set while the target runs; cleared when the run ends or by a stop request.
extern bool RunState;
// The user's stop request (Esc or the Stop command, seen by the message
// poll): it ends a run, and a loop of the command language.
extern bool StopRequest;
// The cycle counter's value when the current run started; setting `$time`
// sets it too.
extern uint32_t RunStartCycles;

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
