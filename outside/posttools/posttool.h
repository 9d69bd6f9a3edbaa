// What the stand-ins of the post-link tools share: the one program file of
// their command line read with the linker's object reader, every problem
// as one "#error" line on standard error, and output files written whole
// or not at all.
#pragma once
#include <string>

#include "ccasm/tools/objfile.h"

namespace posttool {

// Writes "#error PROGRAM FILE:0 MESSAGE" on standard error and returns 1.
int error(const std::string& file, const std::string& message);

// Reads the one program named by the words left after the options (`argc`
// of them at `argv`); false after its error line.
bool read_program(int argc, char** argv, std::string& path, objfile::Object& obj);

// Writes a whole file; false after an error line naming `file` (the file
// worked on), with nothing left of the output.
bool write_output(const std::string& output, const std::string& text, const std::string& file);

// Writes to `output`, or to standard output when it is empty.
bool put_output(const std::string& output, const std::string& text, const std::string& file);

}  // namespace posttool
