// The call stack as the stack command prints it and the stack window shows
// it, and the stack window's switch.
#include <string>
#include <vector>

#include "debugger/engine/commands.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/services.h"
#include "debugger/target/tools/sim_run.h"
#include "support/list_node.h"

namespace vy {

// A frame as the stack shows it: the function's name and the values of its
// parameters, "walk(3,65,0x7ff0)".
static std::string stackline(FrameNode* frame) {
    const FuncRec* fn = frame->func;
    std::string text = std::string(fn->name) + "(";
    bool first = true;
    for (const LocalRec* l = fn->locals; l && l < fn->localsend; ++l) {
        if (!isargclass(l->cls)) continue;
        if (!first) text += ",";
        text += simrun::valuetext(l, frame);
        first = false;
    }
    return text + ")";
}

const char* dostack(const char* text, int arg) {
    FrameNode* selected = curframe;
    for (FrameNode* f = topframe; f; f = f->next) {
        if (!f->func || f->func->name[0] == '.') continue;
        curframe = f;
        std::string line = stackline(f);
        dbputs({line, "\n"});
    }
    curframe = selected;
    return stmtend(text);
}

// The stack as the stack window shows it, for a source-trace snapshot: a
// list of its lines, newest first.
void* copystack() {
    auto* lines = new std::vector<std::string>;
    FrameNode* selected = curframe;
    for (FrameNode* f = topframe; f; f = f->next) {
        if (!f->func) continue;
        curframe = f;
        lines->push_back(stackline(f));
    }
    curframe = selected;
    return lines;
}

void freestackcopy(void* copy) { delete static_cast<std::vector<std::string>*>(copy); }
void freeframecopy(void* copy) { freechain(copy, nullptr); }

const char* dowstack(const char* text, int arg) {
    bool open = !StackWindowShown();
    CreateStackWindow(open ? 1 : 0);
    if (open) RebuildStackWindow();
    return stmtend(text);
}

}  // namespace vy
