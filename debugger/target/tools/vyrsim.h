// The vyrsim test tool as a function of its command line (vyrsim.cpp tells
// its commands), so that tests can run it in process.
#pragma once

// Runs vyrsim and returns its exit status: 0, 1 when a file could not be
// loaded or followed, 2 for a wrong command line. Running out of memory
// ends it as it ends the passes: "#error vyrsim FILE:0 no memory", status 1.
int vyrsim_main(int argc, char** argv);

// Makes running out of memory end the program named by `argv0` as it ends
// the passes, naming `input`.
void nomemoryends(const char* argv0, const char* input);
