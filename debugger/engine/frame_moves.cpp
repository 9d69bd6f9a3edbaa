#include "debugger/engine/frame_moves.h"

#include <cctype>
#include <cstring>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/location.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/variables.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/services.h"
#include "debugger/target/typed_values.h"

namespace vy {

bool framepresent() { return curframe != nullptr; }

// A frame matches a location: file and function (when given) are the
// frame's, the variable (when given) is one of its function's, and the line
// (when given) is the frame's line.
static bool matches(const FrameNode* f, const LocationSpec& where) {
    const FuncRec* fn = f->func;
    if (!fn) return false;
    if (where.file && (!fn->file || std::strcmp(where.file, fn->file->name) != 0)) return false;
    if (where.function && std::strcmp(where.function, fn->name) != 0) return false;
    if (where.name) {
        bool visible = varvisible;
        varvisible = true;
        bool found = onvarlist(fn, where.name) != nullptr;
        varvisible = visible;
        if (!found) return false;
    }
    return !where.number || where.number == f->line;
}

// The frame that the given one called, or null at the top.
static FrameNode* callee(const FrameNode* f) {
    for (FrameNode* g = topframe; g; g = g->next)
        if (g->next == f) return g;
    return nullptr;
}

void framemove(char letter, const LocationSpec* where) {
    bool located = where && where->present;
    switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'b':
        curframe = topframe;
        return;
    case 't':
        for (curframe = topframe; curframe && curframe->next;) curframe = curframe->next;
        return;
    case 'u':
        if (!curframe || !curframe->next) return;
        curframe = curframe->next;
        if (located) {
            // Up to the first frame that matches, or one up when none does.
            for (FrameNode* f = curframe; f; f = f->next) {
                if (!matches(f, *where)) continue;
                curframe = f;
                break;
            }
        }
        return;
    case 'd':
        if (FrameNode* f = callee(curframe)) curframe = f;
        else return;
        while (located && !matches(curframe, *where) && curframe != topframe) curframe = callee(curframe);
        return;
    default:
        dbputs({"usage: i[udtb] (Up Down Top Bottom)\n"});
        return;
    }
}

void framelines() {
    const FrameNode* f = curframe;
    if (!f || !f->func) return;
    const FuncRec* fn = f->func;
    const char* file = fn->file ? fn->file->name : "";
    std::string where = fn->name[0] == '.' ? std::string(file) + ":" : std::string(fn->name) + "():";
    uint32_t last = f->endline > f->line ? f->endline : f->line;
    for (uint32_t line = f->line; line <= last; ++line) {
        const char* text = readsrcline(file, line);
        dbputs({"| ", where, std::to_string(line), "|", text ? text : "", "\n"});
        if (line == UINT32_MAX) break;
    }
}

void showframes(const char* text) {
    FrameNode* selected = curframe;
    bool values = text[0] == 'v' || text[0] == 'V';
    framelines();
    if (values) showvars(curframe, "p");
    while (curframe && curframe->next) {
        curframe = curframe->next;
        framelines();
        if (values) showvars(curframe, "p");
    }
    curframe = selected;
}

// ---------------------------------------------------------------------------
// The frame commands

const char* domove(const char* text, int arg) {
    char letter = ' ';
    const char* p = readletters(text, "udtb", [&](char c) { letter = c; });
    if (!p) return CMD_END;
    LocationSpec where{};
    p = parseloc(p, where);
    framemove(letter, &where);
    RebuildStackWindow();
    return p;
}

const char* doframe(const char* text, int arg) {
    showframes(text);
    return stmtend(text);
}

}  // namespace vy
