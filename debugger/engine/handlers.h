// The handlers of the command table, by the file that holds them. Each takes
// the text after the keyword and docmd's `arg`, and returns where it stopped
// (or CMD_END).
#pragma once

namespace vy {

// channels.cpp: command files, redirection, the command log, saved state.
const char* doinput(const char* text, int arg);
const char* dooutput(const char* text, int arg);
const char* dorecord(const char* text, int arg);
const char* dowrite(const char* text, int arg);

// program.cpp: program, frame and view commands.
const char* doload(const char* text, int arg);
const char* doquit(const char* text, int arg);
const char* dorem(const char* text, int arg);

// event_commands.cpp: setting, listing and deleting events.
const char* dobreak(const char* text, int arg);
const char* dowatch(const char* text, int arg);
const char* dodbreak(const char* text, int arg);
const char* dodwatch(const char* text, int arg);
const char* dodelete(const char* text, int arg);

// monitors.cpp: adding monitors.
const char* domonit(const char* text, int arg);

// frame_moves.cpp: moving through and printing the call frames.
const char* domove(const char* text, int arg);
const char* doframe(const char* text, int arg);

// script_files.cpp: script file channels.
const char* dofopen(const char* text, int arg);
const char* dofclose(const char* text, int arg);
const char* dofread(const char* text, int arg);
const char* dofwrite(const char* text, int arg);
const char* dorewind(const char* text, int arg);
const char* doremove(const char* text, int arg);

// value_commands.cpp: printing and assigning values.
const char* doeval(const char* text, int arg);
const char* doupdate(const char* text, int arg);
const char* domess(const char* text, int arg);

// memory_commands.cpp: dumping, filling and modifying memory.
const char* dodump(const char* text, int arg);
const char* dofill(const char* text, int arg);
const char* domm(const char* text, int arg);

// run_control.cpp: running and stepping.
const char* dogo(const char* text, int arg);
const char* dotgo(const char* text, int arg);
const char* dotigo(const char* text, int arg);
const char* dostep(const char* text, int arg);
const char* doistep(const char* text, int arg);
const char* doostep(const char* text, int arg);
const char* dofinish(const char* text, int arg);

// program_commands.cpp: the other program, frame and view commands.
const char* doactiv(const char* text, int arg);
const char* dodeact(const char* text, int arg);
const char* dozero(const char* text, int arg);
const char* doreset(const char* text, int arg);
const char* dostack(const char* text, int arg);
const char* dowstack(const char* text, int arg);
const char* doregs(const char* text, int arg);
const char* dowregs(const char* text, int arg);
const char* dodisa(const char* text, int arg);
const char* dovars(const char* text, int arg);
const char* dofiles(const char* text, int arg);
const char* dofuncs(const char* text, int arg);
const char* dopath(const char* text, int arg);
const char* dosession(const char* text, int arg);
const char* dolayout(const char* text, int arg);
const char* dointerrupt(const char* text, int arg);
const char* dopause(const char* text, int arg);
const char* dosys(const char* text, int arg);

// source_listing.cpp: source listings with figures.
const char* doprint(const char* text, int arg);
const char* doperf(const char* text, int arg);

}  // namespace vy
