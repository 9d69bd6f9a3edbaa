// vyrcmd: the command engine without windows, a test tool.
//
//   vyrcmd [-k] [-s] [-n COUNT] [CMDFILE|-] [PROGRAM]
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
// With -n COUNT no run goes on for ever: once it has executed COUNT
// instructions it stops as the user's Stop would stop it (a loop of the
// command language too, counting each command it runs as one). Tests and
// fuzzing bound the runs that a program or a script may make endless.
//
// The memory swap file (PID.vyr in TEMP, else the current folder) is
// removed at every end the program sees: the end of the file, `quit`, an
// exit, and the signals that end it (TERM, INT, HUP, QUIT, PIPE).
//
// Exit status: 0, or 1 when the command file cannot be opened or the program
// cannot be loaded, 2 for a wrong command line.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <unistd.h>
#endif

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
    endofline();
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

// The swap file's name, copied where a signal handler can read it.
static char swapname[4096];

extern "C" void endbysignal(int signal) {
    if (swapname[0]) {
#ifdef _WIN32
        std::remove(swapname);
#else
        unlink(swapname);
#endif
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

static void removeswapatend() {
    std::snprintf(swapname, sizeof swapname, "%s", swappath());
    std::atexit(memclose);
    for (int signal : {SIGTERM, SIGINT
#ifndef _WIN32
                       , SIGHUP, SIGQUIT, SIGPIPE
#endif
         })
        std::signal(signal, endbysignal);
}

// A count of instructions: digits only, at least 1.
static bool instructioncount(const char* text, uint32_t& count) {
    char* end = nullptr;
    unsigned long long n = std::strtoull(text, &end, 10);
    if (!*text || *end || text[0] == '-' || n == 0 || n > UINT32_MAX) return false;
    count = static_cast<uint32_t>(n);
    return true;
}

int main(int argc, char** argv) {
    bool kvol = false, status = false, usage = false;
    uint32_t bound = 0;
    for (; argc > 1 && argv[1][0] == '-' && argv[1][1] && !argv[1][2] && std::strchr("ksn", argv[1][1]); --argc, ++argv) {
        if (argv[1][1] == 'n') {
            if (argc < 3 || !instructioncount(argv[2], bound)) usage = true;
            if (argc < 3) break;
            --argc, ++argv;
        } else {
            (argv[1][1] == 'k' ? kvol : status) = true;
        }
    }
    if (usage || argc > 3 || (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr, "usage: vyrcmd [-k] [-s] [-n COUNT] [CMDFILE|-] [PROGRAM]\n");
        return 2;
    }
    const char* cmdfile = argc > 1 ? argv[1] : "-";
    const char* program = argc > 2 ? argv[2] : nullptr;

    meminit();
    removeswapatend();
    engineinit();
    headless.runbound = bound;
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
#ifdef _WIN32
        if (std::strcmp(cmdfile, "-") == 0) runcmdfile(stdin);
#else
        if (std::strcmp(cmdfile, "-") == 0) runcmdfile(stdin, "/dev/stdin");
#endif
        else if (!docmdfile(cmdfile)) result = 1;
    }
    std::fflush(stdout);
    engineclose();
    memclose();
    return result;
}
