#include "debugger/engine/runstate.h"

#include <string>

#include "debugger/engine/hooks.h"
#include "debugger/target/loader.h"
#include "debugger/target/services.h"

namespace vy {

bool RunState;
bool StopRequest;
uint32_t RunStartCycles;

void SetRunState(int running, int longrun) {
    RunState = running != 0;
    ShowRunState(RunState);
}

const char* placetitle(const char* file, const char* function, unsigned line) {
    static std::string title;
    if (LoadAbortFlag) return title = "Vyr", title.c_str();
    title = "Vyr ";
    if (progname.empty()) return title.c_str();
    title += "(" + progname + ")";
    if (!function) return title.c_str();
    title += "  ";
    if (std::string(function) != ".") title += std::string(function) + "():";
    title += std::string(file ? file : "") + ":" + std::to_string(line) + " ";
    return title.c_str();
}

void SetPlaceTitle(const char* file, const char* function, unsigned line) {
    SetFrameTitle(placetitle(file, function, line));
}

}  // namespace vy
