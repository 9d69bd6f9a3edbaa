#include "debugger/engine/program.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "debugger/engine/assertions.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/events.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/run_control.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"

namespace vy {

bool QuitRequested;

const char* doquit(const char* text, int arg) {
    if (CloseFrame()) QuitRequested = true;
    return CMD_END;
}

// `*` and `rem`: the rest of the line is a comment.
const char* dorem(const char* text, int arg) { return CMD_END; }

// Every assertion, monitor and event of the program, without messages.
static void dropuserstate() {
    clearasserts();
    clearmonitors();
    clearevents();
}

// `l`/`load`: /S loads symbols and debug information only, /O: names a
// second file for the loader (taken up to a blank); then the program file.
const char* doload(const char* text, int arg) {
    bool symbolsonly = false;
    const char* p = readoptions(text, [&](const char* at) -> const char* {
        char c = optionletter(*at);
        if (c == 's') {
            symbolsonly = true;
        } else if (c == 'o') {
            if (at[1] != ':') {
                dberror({"Wrong option ", at, "\n"});
                return nullptr;
            }
            for (at += 2; !(static_cast<signed char>(*at) < 33 || *at == 127);) ++at;
            return at;
        } else {
            dberror({"Unknown Option ", at, "\n"});
            return nullptr;
        }
        return at + 1;
    });
    if (!p) return CMD_END;
    if (refusedrunning("load")) return CMD_END;
    std::string name(p, p + std::strcspn(p, ";}"));
    while (!name.empty() && isblankbyte(name.back())) name.pop_back();
    if (name.empty()) {
        dberror({msgtext(MSG_NOINPUTFILE), "\n"});
        return CMD_END;
    }
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) {
        dberror({"DIZOZ: ", msgtext(MSG_CANTOPEN), name, "\n"});
        return CMD_END;
    }
    std::fclose(f);

    dropuserstate();
    ShowAppTree(0);
    KernelReset();
    resetrun();
    uint8_t mode = loadimage;
    if (symbolsonly) loadimage = 0;
    dbload(name.c_str(), nullptr);
    loadimage = mode;
    if (LoadFailed) {
        freedebug(1);
        dropuserstate();
        resetrun();
        clrframes();
        dropsyms();
        startfound = 0;
    }
    InstrMode = false;
    if (resetstart & 2) resetmade();
    RegWinRedraw(0);
    if (StackWindowShown()) RebuildStackWindow();
    UpdateMemWindows(1);
    return CMD_END;
}

}  // namespace vy
