// Random and mutated command lines through the engine: every line ends in
// output or messages, never in a crash or a hang. VY_FUZZ_LINES sets how many
// lines run (a few thousand by default).
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/program.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using Fuzz = EngineTest;

int linecount() {
    if (const char* n = std::getenv("VY_FUZZ_LINES")) return std::atoi(n);
#ifdef _WIN32
    return 1000;
#else
    return 4000;
#endif
}

TEST_F(Fuzz, RandomLinesEndInMessages) {
    // Words of the language and the characters that matter to it; no path
    // characters, so every file a line names stays in the test's directory.
    const std::vector<std::string> words = {
        "input ", "output ", "output /a ", "record ", "write /e ", "rem ", "* ", "go", "s", "frame", "b",
        "if (1) ", "while (0) ", "do ", "return", "{", "}", ";", " ", "\t", "x", "f", "q", "sub", "\x01", "\x80",
        "\r", "GO", "/", "/x", "/a", "do x; while (0);",
    };
    write("sub", "rem sub\ninput sub\n{ go; s }\n");
    std::mt19937 random(12345);
    const int lines = linecount();
    for (int i = 0; i < lines; ++i) {
        std::string line;
        int n = 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < n; ++k) {
            if (random() % 4 == 0) line += static_cast<char>(1 + random() % 255);
            else line += words[random() % words.size()];
        }
        if (random() % 50 == 0) line += std::string(random() % 20000, "{};x "[random() % 5]);
        for (char& c : line)
            if (c == '.' || c == '/' || c == '\\' || c == ':' || c == '\n' || c == '\0') c = 'z';
        SCOPED_TRACE(line.substr(0, 200));
        CmdFileRunning = i % 2 == 0;
        docmdline(line.c_str(), 1);
        if (i % 3 == 0) doblock(line.c_str(), 1);
        CmdFileRunning = false;
        QuitRequested = false;
        logopen("");
        setoutput("", false);
        headless.cmdwindow.clear();
        headless.boxes.clear();
    }
    EXPECT_GT(headless.polls, static_cast<uint32_t>(lines));   // commands did run
}

}  // namespace
}  // namespace vy
