// Running the passes: the one place where the compile driver meets the
// operating system's processes.
#pragma once
#include <string>
#include <vector>

namespace cc11 {

// The suffix of executable files: ".exe" on Windows, else empty.
extern const char* const EXE_SUFFIX;

// The directory that holds this program's executable (no separator at the
// end); `argv0` serves when the system cannot tell.
std::string program_directory(const char* argv0);

// Runs `path` with `args` (args[0] is the program's name) with the standard
// streams of this program and stores its exit status (a pass that a signal
// ended counts as status 1, or 2 for the console interrupt); false when it
// could not be started. A console interrupt while it runs reaches the pass
// and is remembered here.
bool run_program(const std::string& path, const std::vector<std::string>& args, int& status);

// True once a console interrupt came.
bool interrupted();

// Catches the console interrupt from now on, so that the driver can clean
// up after its pass.
void catch_interrupt();

// The text of a command line for messages: arguments quoted as needed.
std::string command_text(const std::vector<std::string>& args);

}  // namespace cc11
