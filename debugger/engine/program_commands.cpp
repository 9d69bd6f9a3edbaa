// The program, frame and view commands that are not load, quit or rem:
// which functions are debugged (activ, deact), the reset of the run state
// (zero, reset), the call stack, registers and variables (regs, wregs, disa, vars), the program's files and functions (files,
// funcs), the source path, sessions and layouts, pauses and system
// commands.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/events.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/location.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/options.h"
#include "debugger/engine/program.h"
#include "debugger/engine/program_lists.h"
#include "debugger/engine/run_control.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/queries.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"

namespace vy {

// ---------------------------------------------------------------------------
// Options

bool refusedrunning(const char* command) {
    if (!running()) return false;
    dberror({command, ": not while the program runs\n"});
    return true;
}

// ---------------------------------------------------------------------------
// activ and deact

// Whether a function has a frame on the call stack.
static bool onstack(const FuncRec* fn) {
    for (const FrameNode* f = topframe; f; f = f->next)
        if (f->func == fn) return true;
    return false;
}

static void setstate(FuncRec* fn, uint8_t state) {
    if (state == 0 && curframe && onstack(fn)) {
        dberror({fn->name, "(): ", msgtext(MSG_INSTACK), "\n"});
        return;
    }
    fn->active = state;
    fn->state = 0;
    EventMarksStale = true;
}

static const char* setactive(const char* text, uint8_t state) {
    const char* p = skipblanks(text);
    if (*p == '\0' || *p == ';') {
        dbputs({"Missing function for activate \n"});
        return p;
    }
    if (*p == '*') {
        for (FileRec* f = filelist; morefiles(f); f = f->next)
            for (FuncRec* fn = f->funcs; fn; fn = fn->next)
                if (fn->name && fn->name[0] && fn->name[0] != '.' && fn->start) setstate(fn, state);
        return skipblanks(p + 1);
    }
    for (;;) {
        LocationSpec where{};
        const char* after = parseloc(p, where);
        if (!where.function || where.isline || where.name) {
            std::string word(p, static_cast<std::size_t>(after - p));
            dberror({msgtext(MSG_BADARG), ": ", word, "\n"});
            return stmtend(p);
        }
        if (FuncRec* fn = findfunc(where.function)) setstate(fn, state);
        else dberror({where.function, "(): ", msgtext(MSG_NOFUNCTION), "\n"});
        p = skipblanks(after);
        if (*p != ',') return p;
        p = skipblanks(p + 1);
    }
}

const char* doactiv(const char* text, int arg) { return setactive(text, 1); }
const char* dodeact(const char* text, int arg) { return setactive(text, 0); }

// ---------------------------------------------------------------------------
// zero and reset

static const char* dozeroing(const char* text, bool reset) {
    bool events = false, monits = false;
    const char* p = readletters(text, "emr", [&](char c) {
        if (c == 'e') events = true;
        else if (c == 'm') monits = true;
        else reset = true;
    });
    if (!p) return CMD_END;
    if (refusedrunning(reset ? "reset" : "zero")) return CMD_END;

    TraceLines = TraceInstr = false;
    bool stack = StackWindowShown();
    for (DebugEntry* e = debuglist; e; e = e->next) e->calls = e->cycles = 0;
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        for (FuncRec* fn = f->funcs; fn; fn = fn->next) fn->calls = fn->cycles = 0;
    if (monits) rmmonit(-1);
    if (events) rmevent(-1, 0);
    if (reset) resetstart = static_cast<uint8_t>(resetstart | 2);

    if (startfound) setpc(startaddress);
    if (resetstart & 1) resetstart = 3;
    if (resetstart & 2) {
        cpureset();
        resetmade();
    }
    clrframes();
    InstrMode = false;
    runpos.asmmode = outsidec = static_cast<uint8_t>(!insource(getpc()));
    EventMarksStale = true;
    if (debuglist)
        if (DebugEntry* e = curline(getpc())) enterline(e);
    resetrun();
    if (stack) RebuildStackWindow();
    return p;
}

const char* dozero(const char* text, int arg) { return dozeroing(text, false); }
const char* doreset(const char* text, int arg) { return dozeroing(text, true); }

// ---------------------------------------------------------------------------
// Registers, disassembly and variables

const char* doregs(const char* text, int arg) {
    char line[512];
    regline(line);
    dbputs({line, "\n"});
    return stmtend(text);
}

const char* dowregs(const char* text, int arg) {
    ShowRegisterWindow();
    return stmtend(text);
}

const char* dodisa(const char* text, int arg) {
    ToggleAsmPane();
    return stmtend(text);
}

// The innermost frame of a function, or null.
static FrameNode* frameof(const FuncRec* fn) {
    for (FrameNode* f = topframe; f; f = f->next)
        if (f->func == fn) return f;
    return nullptr;
}

// The word of a file or function argument: up to a blank or the end of the
// statement (a file name keeps its '.').
static std::string argword(const char*& p) {
    const char* start = p;
    while (*p && !isblankbyte(*p) && *p != ';' && *p != '}') ++p;
    return std::string(start, p);
}

const char* dovars(const char* text, int arg) {
    bool addresses = false, values = false;
    const char* p = readletters(text, "av", [&](char c) { (c == 'a' ? addresses : values) = true; });
    if (!p) return CMD_END;
    std::string word = argword(p);
    FrameNode* frame = curframe;
    FileRec* file = nullptr;
    if (word.size() > 2 && word.compare(word.size() - 2, 2, "()") == 0) {
        std::string name = word.substr(0, word.size() - 2);
        FuncRec* fn = findfunc(name.c_str());
        if (!fn) {
            dberror({name, "(): ", msgtext(MSG_NOFUNCTION), "\n"});
            return stmtend(p);
        }
        frame = frameof(fn);
        if (!frame) {
            dberror({name, "(): ", msgtext(MSG_NOFRAME), "\n"});
            return stmtend(p);
        }
    } else if (!word.empty() && !(file = findfile(word.c_str()))) {
        dberror({word, ": ", msgtext(MSG_FILENOTFOUND), "\n"});
        return stmtend(p);
    }
    ShowVariables(file ? nullptr : frame, file, values ? 1 : 0, addresses ? 1 : 0);
    return skipblanks(p);
}

const char* dofiles(const char* text, int arg) {
    listfiles();
    return stmtend(text);
}

const char* dofuncs(const char* text, int arg) {
    bool declarations = false;
    const char* p = readletters(text, "nv", [&](char c) { declarations = c == 'v'; });
    if (!p) return CMD_END;
    std::string word = argword(p);
    if (word.empty()) {
        listfuncs(nullptr, declarations);
    } else if (findfile(word.c_str())) {
        listfuncs(word.c_str(), declarations);
    } else {
        dberror({msgtext(MSG_BADARG), ": ", word, "\n"});
        return stmtend(p);
    }
    return skipblanks(p);
}

// ---------------------------------------------------------------------------
// The source path

const char* dopath(const char* text, int arg) {
    const char* p = skipblanks(text);
    if (*p == '\0' || *p == ';' || *p == '}') {
        dbputs({"\"", SourcePath, "\"\n"});
        return p;
    }
    const char* close = *p == '"' ? std::strchr(p + 1, '"') : nullptr;
    if (!close) {
        dberror({msgtext(MSG_SYNTAX), "\n"});
        return CMD_END;
    }
    std::string path(p + 1, close);
    if (!path.empty() && path[0] == '|') SourcePath += path;
    else SourcePath = path;
    readsrcline(nullptr, 0);   // the file it had open may lie elsewhere now
    GotoPCLine();
    return skipblanks(close + 1);
}

// ---------------------------------------------------------------------------
// Sessions and layouts

static const char* sessionfile(const char* text, int session) {
    bool load = false;
    const char* p = readletters(text, "sl", [&](char c) { load = c == 'l'; }, " Unknown Option ");
    if (!p) return CMD_END;
    std::string name(p, std::strcspn(p, ";}"));
    while (!name.empty() && isblankbyte(name.back())) name.pop_back();
    if (name.empty()) {
        dberror({msgtext(MSG_NOINPUTFILE), "\n"});
        return CMD_END;
    }
    std::string path = name.find_first_of("\\/") != std::string::npos ? name : ".\\" + name;
#ifndef _WIN32
    // ".\" is the Windows form of the current directory.
    std::string opened = path.compare(0, 2, ".\\") == 0 ? "./" + name : path;
#else
    std::string opened = path;
#endif
    // Only a check that the file can be made or read: the frame writes
    // and reads it.
    std::FILE* f = std::fopen(opened.c_str(), load ? "r" : "w");
    if (!f) {
        dberror({"Can't Access File: ", path, "\n"});
        return CMD_END;
    }
    std::fclose(f);
    if (load) ReadSession(path.c_str(), session);
    else WriteSession(path.c_str(), session);
    return CMD_END;
}

const char* dosession(const char* text, int arg) { return sessionfile(text, 1); }
const char* dolayout(const char* text, int arg) { return sessionfile(text, 0); }

// ---------------------------------------------------------------------------
// Pauses and system commands

const char* dopause(const char* text, int arg) {
    const char* p = skipblanks(text);
    char* end = nullptr;
    unsigned long ms = std::isdigit(static_cast<unsigned char>(*p)) ? std::strtoul(p, &end, 0) : 0;
    if (ms) {
        BeginWait();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        EndWait();
    } else {
        WaitForKey();
    }
    return CMD_END;
}

const char* dosys(const char* text, int arg) {
    ShellCommand(skipblanks(text));
    return CMD_END;
}

}  // namespace vy
