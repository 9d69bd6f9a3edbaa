#include "debugger/frame/shell_escape.h"

#include <cstring>
#include <iterator>

namespace vy {

bool shellcommandline(const char* interpreter, const char* line, std::string& out) {
    out = interpreter;
    if (*line) {
        out += " /C ";
        out += line;
    }
    return out.size() < 512;
}

// Results 0 to 31 of a program start; the others have no text.
static const char* const failures[32] = {
    "System Out of Memory or Corrupt file",
    "",
    "File not Found",
    "Path not Found",
    "",
    "Attempt to dynamically link a task or Sharing/Network Protection",
    "Library required separate data segments for each task",
    "",
    "There was insufficient memory to start the application",
    "",
    "Windows version was incorrect",
    "Executable file was invalid",
    "Application was designed for another system",
    "Application was designed for MS-DOS4.0",
    "Type of executable file was unknown",
    "Attempt was made to load a real-mode application",
    "Attempt to load a second instance with non read-only data segments",
    "",
    "",
    "Attempt was made to load a compressed exec file",
    "DLL file was invalid. One of the DLLs is corrupt",
    "Application requires Windows 32-bit extensions",
    "", "", "", "", "", "", "", "", "", "",
};
static_assert(std::size(failures) == 32);

const char* startfailuretext(uint32_t result) { return result < 32 ? failures[result] : ""; }

}  // namespace vy
