// fakepass: a stand-in for a pass in the compile driver's tests. Copied
// under a pass's name, it appends its name and arguments to passes.log (its
// own directory written as BIN), fails when FAKE_FAIL names it ("ccgen=2"),
// and otherwise writes its -o file: ccgen the file named by FAKE_CCGEN
// (else one comment line), ccopt a copy of its input, lomar a copy of its
// link command file (also kept as linked.lkf), the others one line;
// FAKE_HANG names a pass that waits to be interrupted.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "outside/driver/spawn.h"

namespace {

std::string read(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool exists(const std::string& name) { return std::ifstream(name).good(); }

}  // namespace

int main(int argc, char** argv) {
    std::string self = argv[0];
    size_t slash = self.find_last_of("/\\");
    std::string name = slash == std::string::npos ? self : self.substr(slash + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
    std::string dir = cc11::program_directory(argv[0]);

    std::vector<std::string> args(argv + 1, argv + argc);
    std::string line = name;
    for (std::string a : args) {
        for (size_t at; (at = a.find(dir)) != std::string::npos;) a.replace(at, dir.size(), "BIN");
        line += " " + a;
    }
    std::ofstream("passes.log", std::ios::app) << line << "\n";

    // FAKE_HANG names a pass that announces itself in the file "hanging"
    // and then waits to be interrupted (ten seconds at most).
    if (const char* hang = std::getenv("FAKE_HANG"); hang && name == hang) {
        std::ofstream("hanging") << name << "\n";
        for (int i = 0; i < 1000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    }
    if (const char* fail = std::getenv("FAKE_FAIL")) {
        std::string f = fail;
        size_t at = f.find(name + "=");
        if (at != std::string::npos) return std::atoi(f.c_str() + at + name.size() + 1);
    }
    std::string output, input = args.empty() ? "" : args.back();
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o") output = args[i + 1];
    if (output.empty() || !exists(input)) {
        std::fprintf(stderr, "%s: no output or missing input %s\n", name.c_str(), input.c_str());
        return 3;
    }
    std::string text = name + " output\n";
    if (name == "ccgen") text = std::getenv("FAKE_CCGEN") ? read(std::getenv("FAKE_CCGEN")) : "; generated\n";
    if (name == "ccopt") text = read(input);
    if (name == "lomar") {
        text = read(input);
        std::ofstream("linked.lkf", std::ios::binary) << text;
    }
    std::ofstream(output, std::ios::binary) << text;
    return 0;
}
