// Random and mutated command lines through the engine: every line ends in
// output or messages, never in a crash or a hang. VY_FUZZ_CASES sets how
// many lines run (a few thousand by default).
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/core.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/events.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/program.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/script_files.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/registers.h"
#include "engine_fixture.h"
#include "sample_program.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

namespace vy {
namespace {

using Fuzz = EngineTest;

int linecount() { return generatedcases(4000); }

TEST_F(Fuzz, RandomLinesEndInMessages) {
    // Words of the language and the characters that matter to it; no path
    // characters, so every file a line names stays in the test's directory.
    const std::vector<std::string> words = {
        "input ", "output ", "output /a ", "record ", "write /e ", "rem ", "* ", "go", "s", "frame", "b",
        "if (1) ", "while (0) ", "do ", "return", "{", "}", ";", " ", "\t", "x", "f", "q", "sub", "\x01", "\x80",
        "\r", "GO", "/", "/x", "/a", "do x; while (0);",
        "fopen /c:1 ch", "fopen /a/c:2 ch2", "fwrite /c:1 \"%d %5.2f %*x %s\\n\", 1, 2, ", "fread /c:1 \"%d %s %[ab]\", ",
        "fclose 1", "fclose /c:2", "rewind 1", "remove ch", "\"%", "%*", ", ",
    };
    write("sub", "rem sub\ninput sub\n{ go; s }\n");
    std::mt19937 random(vytest::fuzzseed(12345));
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
        // A run on the empty memory ends only at the stop request.
        headless.stopafter = headless.polls + 2000;
        docmdline(line.c_str(), 1);
        headless.stopafter = headless.polls + 2000;
        if (i % 3 == 0) doblock(line.c_str(), 1);
        CmdFileRunning = false;
        QuitRequested = false;
        logopen("");
        setoutput("", false);
        headless.cmdwindow.clear();
        headless.boxes.clear();
    }
    EXPECT_GT(headless.polls, static_cast<uint32_t>(lines));   // commands did run
    closechannels();
}

// The older core's console: random lines of its language, with runs that a
// stop request ends and commands that read more lines than there are.
TEST_F(Fuzz, RandomCoreLinesEndInMessages) {
    const std::vector<std::string> words = {
        "d", "db", "dw 0x100", "m", "mw 0x40,", "ms 0x50, \"ab\", ?", "e", "x", "xH", "$a", "$pc = 0x10", "/ nop",
        "a", "l", "lf2 *", "k", "> core.out", ">", "\"%d %s %b %l\", ", "r", "ri", "b", "br", "bk 0", "b ? 1",
        "b {g}", "v f mac", "v b 1", "p", "g", "t", "s", "so 2", "s@", "q", "quit", "*", "if", "else", "while",
        "return", "shift", "mac", "mac 1,2", "{", "}", ";", " ", "\\1", "\\(", "?", "(", ")", "[", "].w", "'", "@",
        "1", "0x8000", "+", "-", "*", "/", "%", "&&", "||", "<<", "==", "!", "~", "=", ",", "\t", "\x80", ".panel",
    };
    std::mt19937 random(vytest::fuzzseed(25));
    // Every line is typed at the console; a command that asks for more
    // gets the end of the input.
    static std::string typed;
    static bool given;
    conread = [](std::string& line) {
        if (given) return false;
        given = true;
        line = typed;
        return true;
    };
    CmdFileRunning = true;
    const int lines = linecount();
    for (int i = 0; i < lines; ++i) {
        std::string line;
        int n = 1 + static_cast<int>(random() % 10);
        for (int k = 0; k < n; ++k) {
            if (random() % 5 == 0) line += static_cast<char>(1 + random() % 255);
            else line += words[random() % words.size()];
            if (random() % 2) line += ' ';
        }
        if (random() % 100 == 0) line += std::string(random() % 20000, "({[!~"[random() % 5]);
        for (char& c : line)
            if (c == '\\' || c == ':' || c == '\0') c = 'z';
        // No path characters in what '>' takes as a file name.
        for (std::size_t at = line.find('>'); at != std::string::npos; at = line.find('>', at + 1))
            for (std::size_t k = at + 1; k < line.size() && line[k] != ';'; ++k)
                if (line[k] == '/') line[k] = 'z';
        SCOPED_TRACE(line.substr(0, 200));
        headless.stopafter = headless.polls + 2000;
        typed = line;
        given = false;
        if (i % 4 == 0) interp(line.c_str(), 1);
        else interp(nullptr, 1);
        core.quit = false;
        headless.cmdwindow.clear();
        headless.boxes.clear();
    }
    headless.stopafter = 0;
    CmdFileRunning = false;
    conread = nullptr;
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
    std::mt19937 random(vytest::fuzzseed(2022));
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

// Event and monitor commands in random order, with checks between them as
// the run loop makes them: actions that delete events or load the program
// meanwhile leave nothing used after it is freed.
TEST_F(Fuzz, RandomEventCommandsAndChecks) {
    const std::vector<std::string> commands = {"b ", "w ", "db ", "dw ", "del ", "del /m ", "monit ", "monit /x "};
    const std::vector<std::string> options = {"/C:3 ", "/C:0 ", "/C ", "/a ", "/s ", "/E ", "/T:w ", "/T:r ", "/T: ", "/q "};
    const std::vector<std::string> places = {
        "@0x8000", "@0x8003", "@0x8006", "main()", "helper()", "f.c:3", "f.c:4:5", "f.c:", ":4", "f.c:arr",
        "main():calls", "arr", "uc", "$a", ".v", "*p", "*", "1", "2", "9", "", "x", "1+1", "@",
        // Where the steps below end: instructions of the sample's code lead
        // to these.
        "@0", "@0x8004",
    };
    const std::vector<std::string> actions = {
        "", "", " {x 1}", " {del *}", " {del 1}", " {load sample.o}", " {b @0x8003 {del *}}", " {w @0x8000}",
        " {monit uc}", " {del /m *}", " {", " junk", " {b @0x8003; del 2}",
    };
    loadsample();
    std::mt19937 random(vytest::fuzzseed(2024));
    const int lines = linecount() / 2;
    int hits = 0;
    for (int i = 0; i < lines; ++i) {
        std::string line;
        for (int statement = 1 + static_cast<int>(random() % 2); statement > 0; --statement) {
            if (!line.empty()) line += "; ";
            line += commands[random() % commands.size()];
            for (int k = static_cast<int>(random() % 3); k > 0; --k) line += options[random() % options.size()];
            for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k) {
                line += places[random() % places.size()];
                if (k > 1) line += ", ";
            }
            line += actions[random() % actions.size()];
        }
        if (i % 50 == 0) line = i % 100 ? "write ev.in" : "del *; input ev.in";
        SCOPED_TRACE(line);
        CmdFileRunning = true;
        docmdline(line.c_str(), random() % 4 ? 1 : 0);
        CmdFileRunning = false;
        // A few steps over main's lines, each checked as a line step is.
        for (int step = 0; step < 4; ++step) {
            FuncRec* main = findfunc("main");   // a load makes the tables anew
            if (!main) break;
            FrameNode frame{nullptr, main, nullptr, 3 + static_cast<uint32_t>(random() % 3), 0, 0, 0, 0x1F0, 1};
            setpc(static_cast<uint16_t>(0x8000 + 3 * (random() % 4)));
            decinstr(getpc(), DEC_EXEC, nullptr);
            if (Event* e = chkevents(nullptr, nullptr, 1)) {
                EXPECT_GT(e->count, 0u);
            }
            if (Event* e = chkevents(lineexact(getpc()), &frame, 0)) {
                EXPECT_GT(e->count, 0u);
                ++hits;
            }
        }
        headless.cmdwindow.clear();
        headless.boxes.clear();
    }
    EXPECT_GT(hits, lines / 10);   // events did trigger
    rmevent(-1, 0);
}

// Command files as the engine reads them, mutated from seeds of their own:
// nested input, output and record onto the files of the nest itself, a
// channel, loops, runs, blocks, long lines, CR, NUL and control bytes, a
// last line without its end. Run from the outermost file, every case ends
// (the run bound stops runs and loops), no file grows past a bound, and
// every report is one line.
TEST_F(Fuzz, MutatedCommandFilesEndCleanly) {
    const std::vector<std::string> seeds = {
        "rem a\ninput inb\nx 1\n",
        "output o\nx 2\ninput ina\noutput\nx 3",
        "record l\ninput inb\nrecord\n",
        "output ina\nrecord inb\ninput o\ninput l\noutput /a l\nrecord o\n",
        "fopen /c:1 ch\nfwrite /c:1 \"%d %s\\n\", 5, 6\nrewind 1\nfread /c:1 \"%d\", $a\nfclose 1\n",
        "while ($a < 5) { x $a; u $a = $a + 1 }\r\nwhile (1) x 7\n",
        "b @0x100 {x 1; input inb}\ng\nsi 3\nreset\ng\n",
        "{ x 1; x 2 }\nif (1) x 3 else x 4\ndo x 5; while (0);\n",
        "input self\ninput self\n",
        "write w\ninput w\ndel *\nx $pc\n",
    };
    const char* const names[] = {"ina", "inb", "self"};
    const char specials[] = {'\0', '\r', '\n', '\x1a', '\x80', '\x01', '{', '}', ';', '"', '%', ' '};
    std::mt19937 random(vytest::fuzzseed(2026));
    auto below = [&random](std::size_t n) { return n ? static_cast<std::size_t>(random() % n) : 0; };
    const int cases = vytest::fuzzcases(400, 100);
    for (int i = 0; i < cases; ++i) {
        for (const char* name : names) {
            std::string file = seeds[below(seeds.size())];
            if (below(2)) file += seeds[below(seeds.size())];
            for (std::size_t m = below(5); m > 0 && !file.empty(); --m) {
                std::size_t at = below(file.size());
                switch (below(6)) {
                case 0: file[at] = static_cast<char>(random()); break;
                case 1: file.insert(at, 1, specials[below(sizeof specials)]); break;
                case 2: file.erase(at, below(8)); break;
                case 3: file.resize(at); break;
                case 4: file.insert(at, std::string(below(3) ? below(40) : 5000 + below(20000), "x{;} "[below(5)])); break;
                default: file.insert(at, seeds[below(seeds.size())]); break;
                }
            }
            // Every file a line names stays in the test's folder.
            for (char& c : file)
                if (c == '.' || c == '/' || c == '\\' || c == ':') c = 'z';
            write(name, file);
        }
        headless.runbound = 300;
        docmdfile("ina");
        std::string shown = headless.cmdwindow;
        for (std::size_t at = 0; (at = shown.find("#error", at)) != std::string::npos;) {
            std::size_t end = shown.find('\n', at);
            ASSERT_NE(end, std::string::npos) << "case " << i;
            ASSERT_TRUE(vytest::clean_lines(shown.substr(at, end + 1 - at))) << "case " << i << ": "
                                                                             << vy::one_line(shown.substr(at, end - at));
            at = end;
        }
        for (const char* name : {"ina", "inb", "self", "o", "l", "ch", "w"}) {
            if (exists(name)) {
                ASSERT_LT(std::filesystem::file_size(name), 4u << 20) << "case " << i << ": " << name;
            }
        }
        headless.runbound = 0;
        endofline();
        logopen("");
        setoutput("", false);
        closechannels();
        rmevent(-1, 0);
        QuitRequested = false;
        headless.cmdwindow.clear();
        headless.boxes.clear();
    }
}

}  // namespace
}  // namespace vy
