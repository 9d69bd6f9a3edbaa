// Random and mutated command lines through the engine: every line ends in
// output or messages, never in a crash or a hang. VY_FUZZ_LINES sets how many
// lines run (a few thousand by default).
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/program.h"
#include "debugger/engine/runstate.h"
#include "engine_fixture.h"
#include "sample_program.h"

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

// Pieces of expressions and of the commands that take them.
const std::vector<std::string> pieces = {
    "1", "0", "-1", "0x7fff", "2147483647", "'ab'", "1.5", "1e308", "0.0", "$a", "$PC", "$time", ".v", ".w",
    "arr", "arr[1]", "arr[#]", "p", "q", "*p", "s", "s.x", "ps->y", "pts[1]", "buf", "str", "c", "f", "d",
    "bits", "main", "main()", "f.c:arr", "main():s", "sizeof(", "(char *)", "(struct point *)", "(long)",
    "(unsigned long)", "(double)", "(point_t *)", "+", "-", "*", "/", "%", "<<", ">>", "<", "<=", "==", "!=",
    "&", "^", "|", "&&", "||", "=", "!", "~", "#", "(", ")", "[", "]", "->", ".", ",", ";", "?", "{", "}",
    "\"", "'", ":", "@", " ", "\t", "\x01", "\xff", "x ", "x /x ", "x /f:w ", "u ", "u .v = ", "mess \"%d %s %x\", ",
    "dump ", "dump /a /l ", "fill ", "fill /r /v ", "mm /w ", "if (", "while (", "do ", "else ", "return",
};

// A line built from pieces, then bent: bytes dropped, doubled or replaced,
// and now and then a construct repeated 100,000 times.
std::string randomline(std::mt19937& random) {
    std::string line;
    int n = 1 + static_cast<int>(random() % 16);
    for (int k = 0; k < n; ++k) line += pieces[random() % pieces.size()];
    for (int m = static_cast<int>(random() % 4); m > 0 && !line.empty(); --m) {
        std::size_t at = random() % line.size();
        switch (random() % 3) {
        case 0: line.erase(at, 1); break;
        case 1: line.insert(at, 1, line[at]); break;
        default: line[at] = static_cast<char>(1 + random() % 255); break;
        }
    }
    if (random() % 100 == 0) {
        static const char* deep[] = {"(", "-", "*&", "if (1) ", "{ ", "arr[", "while (1) ", "do ", "!", "(char)"};
        std::string piece = deep[random() % std::size(deep)];
        std::string repeated;
        for (int i = 0; i < 100000; ++i) repeated += piece;
        line = (random() % 2 ? "x " : "") + repeated + line;
    }
    for (char& c : line)
        if (c == '/' || c == '\\' || c == '\n' || c == '\0') c = 'z';
    return line;
}

TEST_F(Fuzz, RandomExpressionsAndValueCommandsEndInValuesOrMessages) {
    loadsample();
    std::mt19937 random(2022);
    const int lines = linecount();
    for (int i = 0; i < lines; ++i) {
        std::string line = randomline(random);
        SCOPED_TRACE(line.substr(0, 200));
        // As an expression: a value or an error number, and the position
        // stays within the text.
        const char* p = line.c_str();
        int error = 0;
        ResultRecord* r = xexpr(&p, &error, static_cast<int>(i % 2));
        EXPECT_GE(p, line.c_str());
        EXPECT_LE(p, line.c_str() + line.size());
        EXPECT_GE(error, 0);
        xfree(r);
        // As a command line: every loop ends (a stop request comes after
        // enough polls), and an `x` of it prints a value or a message, or
        // opens a browser on an aggregate.
        headless.stopafter = headless.polls + 2000;
        CmdFileRunning = true;
        docmdline(line.c_str(), 1);
        std::string x = "x " + line;
        headless.cmdwindow.clear();
        headless.browsed.clear();
        docmdline(x.c_str(), 1);
        EXPECT_FALSE(headless.cmdwindow.empty() && headless.browsed.empty());
        CmdFileRunning = false;
        StopRequest = false;
        QuitRequested = false;
        logopen("");
        setoutput("", false);
        headless.cmdwindow.clear();
        headless.boxes.clear();
        headless.browsed.clear();
        headless.answers.clear();
    }
}

}  // namespace
}  // namespace vy
