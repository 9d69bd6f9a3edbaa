// docmd, the executor of one command with its checks and after-command
// work, the keyword lookup and the block runner.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "debugger/engine/assertions.h"
#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/events.h"
#include "debugger/engine/frame_moves.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/statements.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"

namespace vy {

bool CommandQuiet;
int16_t CommandCount;
uint32_t CommandsBegun;
bool ActionRunning;
bool DeleteInternalEvents = true;

// The command log holds what the user gave, once: a line is written by the
// outermost docmd only (not the lines of a command file that a logged
// "input" runs, which the log replays by itself, nor those of an event's or
// an assertion's action), and the later statements of a line that
// docmdline or doblock go on with are not written again.
static int docmddepth;
static bool continuing;

static void logline(const char* line) {
    if (!logfile || ActionRunning || AssertsRunning || docmddepth > 0 || continuing) return;
    std::fputs(line, logfile);
    std::fputc('\n', logfile);
    std::fflush(logfile);
}

}  // namespace vy

using namespace vy;

const char* docmd(const char* line, int arg) {
    logline(line);
    if (line[0] == ';') return line;   // the whole line is a comment
    ++docmddepth;
    const char* result = cmdlang(skipblanks(line), arg);
    --docmddepth;
    return result ? result : CMD_END;
}

namespace vy {

// The statements of a line after the one docmd ran.
static const char* runrest(const char* text, int arg) {
    bool was = continuing;
    continuing = true;
    const char* p = skipblanks(text);
    while (*p != '\0' && *p != '}') {
        p = skipblanks(docmd(p, arg));
        while (*p == ';') p = skipblanks(p + 1);
    }
    continuing = was;
    return p;
}

const char* doblock(const char* text, int arg) {
    const char* p = skipblanks(text);
    if (*p != '\0' && *p != '}') {
        p = skipblanks(docmd(p, arg));
        while (*p == ';') p = skipblanks(p + 1);
        p = runrest(p, arg);
    }
    if (*p == '}') return p;
    return runflags.stepping ? p : nullptr;
}

void docmdline(const char* line, int arg) {
    if (*skipblanks(line) == '\0') return;   // an empty line runs nothing
    const char* p = docmd(line, arg);
    if (p == line) return;   // a comment
    p = skipblanks(p);
    while (*p == ';') p = skipblanks(p + 1);
    runrest(p, arg);
}

const CommandRow* findcmd(const char* text) {
    char word[17];
    int n = 0;
    for (; n < 16 && text[n]; ++n) word[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[n])));
    word[n] = '\0';
    for (const CommandRow* row = commandtable; row->keyword; ++row) {
        std::size_t len = row->flags & CMD_LENGTH;
        if (std::strncmp(word, row->keyword, len) != 0) continue;
        char after = word[len];
        if (after == '\0' || after == ';' || static_cast<signed char>(after) < 33 || after == 127) return row;
    }
    return nullptr;
}

const char* execcmd(const char* text, int arg) {
    PollMessages();
    ++CommandsBegun;
    CommandQuiet = false;
    const char* result = CMD_END;
    const CommandRow* row = findcmd(text);
    if (!row) {
        dberror({msgtext(MSG_UNKNOWNCMD), ": ", text, "\n"});
        CommandQuiet = true;
    } else if ((row->flags & CMD_NEEDSRC) && !debuglist) {
        dberror({msgtext(MSG_NOSOURCE), "\n"});
        CommandQuiet = true;
    } else if ((row->flags & CMD_NEEDFRAME) && !framepresent()) {
        dberror({msgtext(MSG_NOFRAME), "\n"});
        CommandQuiet = true;
    } else {
        const char* rest = skipblanks(text + (row->flags & CMD_LENGTH));
        if (row->flags & CMD_NOREFRESH) CommandQuiet = true;
        if (row->handler) {
            result = row->handler(rest, arg);
        } else {
            dberror({"!!PANIC ON ", text + (row->flags & CMD_LENGTH), "\n"});
            result = rest;
        }
    }
    if (!CommandQuiet) {
        CommandCount = static_cast<int16_t>(CommandCount + 1);
        if (runflags.runnesting == 0) GotoPCLine();
    }
    if (DeleteInternalEvents) rmintevents();
    RegWinRefresh(0);
    return result;
}

const char* notbuilt(const char* name, const char* text) {
    dberror({name, ": not built into this debugger yet\n"});
    CommandQuiet = true;
    return stmtend(text);
}

}  // namespace vy
