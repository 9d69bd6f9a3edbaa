// vyrcmd: the command engine without windows, a test tool.
//
//   vyrcmd [-k] [-s] [CMDFILE|-] [PROGRAM]
//
// Loads PROGRAM (S-records, Intel hex or an object file) when given, then
// runs CMDFILE as a command file (standard input when it is "-" or absent)
// and prints on standard output what the command window would show: each
// line of the file as it runs, what its commands print, and errors as
// "#error: " lines. `output` writes its files as usual. The run ends at
// `quit` or at the end of the file. Message boxes that a debugger with
// windows would show go to standard error as "Error: " lines.
//
// With -s every text that the first pane of the status bar would show is
// printed too, as a line "status: " and the text in double quotes (run
// control shows " Running ", " Stepping: 1 out of 3 ", "Command" there).
//
// With -k the lines are typed at the console of the older command core
// instead: each is shown after the core's prompt "-> " (or the prompt of the
// command that reads it), and the run ends at q or quit or at the end of
// the file.
//
// Exit status: 0, or 1 when the command file cannot be opened or the program
// cannot be loaded, 2 for a wrong command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "debugger/engine/channels.h"
#include "debugger/engine/core.h"
#include "debugger/engine/engine.h"
#include "debugger/engine/headless.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

using namespace vy;

static void toscreen(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

static void tostatus(std::string_view text) {
    std::printf("status: \"%.*s\"\n", static_cast<int>(text.size()), text.data());
}

static void tobox(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    std::fflush(stdout);
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(text.size()), text.data());
}

// The older core's console: the lines of a file, shown as they are typed.
static std::FILE* console;

static bool typeline(std::string& line) {
    line.clear();
    int c = std::getc(console);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(console)) line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    services().cmdoutput(line);
    return true;
}

static bool moretyped() {
    int c = std::getc(console);
    if (c == EOF) return false;
    std::ungetc(c, console);
    return true;
}

int main(int argc, char** argv) {
    bool kvol = false, status = false;
    for (; argc > 1 && (std::strcmp(argv[1], "-k") == 0 || std::strcmp(argv[1], "-s") == 0); --argc, ++argv)
        (argv[1][1] == 'k' ? kvol : status) = true;
    if (argc > 3 || (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr, "usage: vyrcmd [-k] [-s] [CMDFILE|-] [PROGRAM]\n");
        return 2;
    }
    const char* cmdfile = argc > 1 ? argv[1] : "-";
    const char* program = argc > 2 ? argv[2] : nullptr;

    meminit();
    engineinit();
    headless.echo = toscreen;
    headless.boxecho = tobox;
    if (status) headless.statusecho = tostatus;

    int result = 0;
    if (program) {
        dbload(program, nullptr);
        if (LoadFailed) result = 1;
    }
    if (result == 0 && kvol) {
        console = std::strcmp(cmdfile, "-") == 0 ? stdin : std::fopen(cmdfile, "rb");
        if (!console) {
            std::fprintf(stderr, "Error: %s: %s\n", cmdfile, msgtext(MSG_CANTREDIRECT));
            result = 1;
        } else {
            conread = typeline;
            CmdFileRunning = true;
            while (!core.quit && moretyped()) interp(nullptr, 1);
            if (console != stdin) std::fclose(console);
        }
    } else if (result == 0) {
        if (std::strcmp(cmdfile, "-") == 0) runcmdfile(stdin);
        else if (!docmdfile(cmdfile)) result = 1;
    }
    std::fflush(stdout);
    engineclose();
    memclose();
    return result;
}
