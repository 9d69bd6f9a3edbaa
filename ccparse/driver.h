// The ccparse driver: options, files, the order of the passes and the exit status.
#pragma once

namespace vy::cc {

struct SourceFile;

// The program's entry; returns the exit status (0, 1, or 2 when interrupted).
int front_end_main(int argc, char** argv);

// The run in two halves, for tests that drive the lexer themselves:
// `front_end_begin` parses the options, opens the files and returns true
// when the run goes on (else `status` holds the exit status);
// `front_end_end` closes the files and returns the exit status.
bool front_end_begin(int argc, char** argv, int* status);
int front_end_end();

// The separator used to join an include directory and a name.
extern const char path_separator;

// Ends the run with status 2 when the console interrupt came.
void check_interrupt();

// Ends the run at once with status 1, removing the output file.
[[noreturn]] void fatal_exit();

// A source file has been read to its end (debug information hook).
void file_ended(SourceFile* file);

}  // namespace vy::cc
