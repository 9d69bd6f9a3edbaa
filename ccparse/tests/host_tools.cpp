#include "ccparse/tests/host_tools.h"

#include <cstdio>
#include <fstream>

namespace vytest {

bool run_command(const std::string& command, std::string& output) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    std::size_t n;
    output.clear();
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    return pclose(pipe) == 0;
}

bool have(const char* tool) {
    std::string out;
    return run_command(std::string("command -v ") + tool + " >/dev/null 2>&1", out);
}

bool run_c_program(const std::string& dir, const std::string& source, std::string& output) {
    std::ofstream(dir + "/host.c", std::ios::binary) << source;
    if (!run_command("cc -std=c99 -O0 -fwrapv -w -o " + dir + "/host " + dir + "/host.c 2>&1", output)) return false;
    return run_command(dir + "/host", output);
}

}  // namespace vytest
