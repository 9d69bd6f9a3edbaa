#include "debugger/target/frames.h"

#include <algorithm>
#include <cstring>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/messages.h"
#include "debugger/target/recorder.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"

namespace vy {

FrameNode* topframe;
FrameNode* curframe;
RunPosition runpos;

uint32_t chronstamp() { return timeptr ? *timeptr : 0; }

// Frames come and go with every call: the nodes of popped frames are kept
// for the next pushes (as many as were ever in use at once).
static FrameNode* spareframes;

static FrameNode* newframe() {
    if (!spareframes) return static_cast<FrameNode*>(newnode(sizeof(FrameNode), nullptr));
    FrameNode* f = spareframes;
    spareframes = f->next;
    *f = FrameNode{};
    return f;
}

// Keeps a popped frame's node; returns the frame below it.
static FrameNode* dropframe(FrameNode* f) {
    FrameNode* below = f->next;
    f->next = spareframes;
    spareframes = f;
    return below;
}

static bool isdot(const FuncRec* fn) { return fn->name[0] == '.' && fn->name[1] == '\0'; }

// The function leaves its stretch of running: the exit stamp, then the
// next pair (a new block after ten).
static void chronexit(FuncRec* fn) {
    if (!fn->curtiming) return;
    fn->curtiming->exit[fn->ntiming] = chronstamp();
    if (++fn->ntiming < 10) return;
    auto* block = static_cast<ChronBlock*>(newnode(sizeof(ChronBlock), nullptr));
    fn->curtiming->next = block;
    fn->curtiming = block;
    fn->ntiming = 0;
}

static void chronenter(FuncRec* fn) {
    if (fn->curtiming) fn->curtiming->enter[fn->ntiming] = chronstamp();
}

// Where a function entered elsewhere than at its start has its frame: from
// its first exit sequence, or from its start when its end comes first.
static uint16_t framefromexit(const FuncRec* fn, RegArg arg, uint16_t fp) {
    if (!fn->start) return fp;
    for (DebugEntry* e = fn->start->next; e; e = e->next) {
        if (e->kind == DBG_EXIT) return framefromcode(arg.cls, static_cast<uint16_t>(e->addr), arg.offset);
        if (e->kind == DBG_FUNCEND)
            return framefromcode(arg.cls | 0x8000, static_cast<uint16_t>(fn->start->addr), arg.offset);
    }
    return fp;
}

int pushframe(uint32_t offset, DebugEntry* entry) {
    if (intpending()) return 0;
    FuncRec* fn = entry ? entry->func : funcatoffset(offset);
    if (!fn) return 0;
    RegArg arg = regargof(fn);
    uint16_t fp = framefromsp(arg.cls, arg.offset);
    bool elsewhere = entry && !reckind(entry, DBG_FUNCSTART);
    if (elsewhere && !isdot(fn)) fp = framefromexit(fn, arg, fp);
    // A function without debug tables has no exit to read its frame from:
    // its lines belong to the call on top when that is one of it.
    if (elsewhere && isdot(fn) && topframe && topframe->func == fn) fp = static_cast<uint16_t>(topframe->fp);
    if (topframe && topframe->func == fn && topframe->fp == fp) return 0;
    if (runflags.stepover && !isdot(fn)) ++runflags.nesting;
    if (topframe && topframe->func->timing) chronexit(topframe->func);

    FrameNode* frame = newframe();
    frame->next = topframe;
    frame->func = fn;
    frame->line = fn->firstline;
    frame->fp = fp;
    frame->fixed = elsewhere ? 1 : 0;
    topframe = curframe = frame;
    chronenter(fn);
    framesmoved();

    if (entry) {
        DebugEntry* shown = reckind(entry, DBG_FUNCSTART);
        if (!shown) shown = reckind(entry, DBG_LINE);
        frameline(shown ? shown : entry);
    }
    setargbase(arg.cls, arg.offset);
    services().stackwinpush();
    return 1;
}

int enterfunc(uint32_t offset, DebugEntry* entry) { return pushframe(offset, entry); }

int popframe() {
    if (intpending()) return 0;
    if (!topframe) {
        dberror({" EXITING non called function -> ", "Code Probably BROKEN", "\n"});
        dberror({msgtext(MSG_STRIKEKEY)});
        runpos.asmmode = 1;
        services().enterasmmode();
        return 0;
    }
    FuncRec* fn = topframe->func;
    if (runflags.stepover && !isdot(fn) && runflags.nesting > 0) --runflags.nesting;
    chronexit(fn);
    topframe = dropframe(topframe);
    if (topframe) chronenter(topframe->func);
    curframe = topframe;
    framesmoved();
    services().stackwinpop();
    return topframe != nullptr;
}

int exitfunc() {
    runpos.exitpending = 0;
    runpos.exitentry = nullptr;
    return popframe();
}

void frameset(uint16_t fp, DebugEntry* entry, int flag) {
    if (intpending()) return;
    if (!topframe) {
        dberror({"Program EXECUTION PROBABLY BROKEN !LOCALS "});
        return;
    }
    if (topframe->fixed & 1) return;
    topframe->fp = fp;
    topframe->fixed |= 1;
    framesmoved();
}

void frameline(DebugEntry* entry) {
    FrameNode* f = topframe;
    if (!f || !entry) return;
    uint32_t line = entry->line;
    uint32_t spanend = std::max<uint32_t>(line, entry->endline ? entry->endline - 1u : 0u);
    f->entry = entry;
    bool changed = entry->col != 0 || f->line != line || runflags.reshow;
    if (changed && !(forwardflag && f->line < line)) {
        f->line = line;
        f->col = entry->col;
        f->endcol = spanend == line ? entry->endcol : 1024;
    }
    if (changed || f->endline == 0) f->endline = spanend;
}

void freeframes() {
    while (topframe) {
        if (topframe->func && isdot(topframe->func)) topframe->func->active = 0;
        topframe = dropframe(topframe);
    }
    while (spareframes) spareframes = static_cast<FrameNode*>(freenode(spareframes, spareframes->next));
    curframe = nullptr;
    framesmoved();
}

void resetrun() {
    runflags.stepcount = 0;
    runflags.runnesting = 0;
    runflags.stepping = 1;
}

}  // namespace vy
