#include "debugger/target/queries.h"

#include <cstring>
#include <string>

#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"
#include "support/format.h"
#include "support/list_node.h"

namespace vy {

int insource(uint16_t address) {
    for (DebugEntry* e = debuglist; e; e = e->next) {
        switch (e->kind) {
        case DBG_LINE:
            if (e->addr == address) return 1;
            break;
        case DBG_FUNCSTART:
            if (e->name[0]) {
                if (e->addr > address) return 0;
            } else {
                if (e->next && e->next->kind == DBG_LINE && e->next->addr == address) return 1;
                if (e->addr >= address) return 0;
            }
            break;
        case DBG_FUNCEND:
            if (e->addr > address) return 1;
            break;
        default: break;
        }
    }
    return 0;
}

FuncRec* filevarrec(const char* name) {
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        FuncRec* last = f->funcs;
        while (last && last->next) last = last->next;
        if (!last || !last->locals) continue;
        for (LocalRec* l = last->locals; l < last->localsend; ++l)
            if (std::strcmp(l->name, name) == 0) return last;
    }
    return nullptr;
}

DebugEntry* linecode(FileRec* file, uint32_t line) {
    if (!file) return nullptr;
    FuncRec* first = file->funcs;
    if (first && first->name[0]) {
        for (FuncRec* fn = first; fn; fn = fn->next) {
            if (!fn->name[0]) continue;
            for (DebugEntry* e = fn->start; e && e->func == fn; e = e->next)
                if ((e->kind & (DBG_LINE | DBG_FUNCEND | DBG_FUNCSTART)) && e->line == line) return e;
        }
        return nullptr;
    }
    for (DebugEntry* e = debuglist; e; e = e->next)
        if (e->line == line && std::strcmp(e->text(), file->name) == 0) return e;
    return nullptr;
}

int linehascode(FileRec* file, uint32_t line) { return linecode(file, line) ? 1 : 0; }

void ShowLineAddress(void* owner, uint32_t line, FileRec* file) {
    if (!file) return;
    DebugEntry* e = linecode(file, line);
    if (!e) {
        dberror({" No code at that location"});
        return;
    }
    char text[16];
    uint32_t n = fmtbuf(text, sizeof text, "0x%hl", e->addr);
    services().infobox("Address of", std::string_view(text, n));
}

void resetprog() {
    initswap();
    for (const char* name : {".text", ".tsize", ".data", ".dsize", ".bss", ".bsize"}) undefsym(name);
    if (irqptr) *irqptr = 0;
    resetrun();
    freedebug(1);
}

void dropdebug() {
    freedebug(0);
    resetrun();
}

void clrbreaks() {
    if (reader.event) {
        for (MemEvent* m = memevents; m; m = m->next) m->flags |= MEV_DELETED;
        reindexevents();  // every check reaches them, and purges them
        return;
    }
    while (memevents) {
        freenode(memevents->block, nullptr);
        memevents = static_cast<MemEvent*>(freenode(memevents, memevents->next));
    }
    reindexevents();
    undefsym(".abrk");
    undefsym(".nbrk");
}

void dbwarn(std::initializer_list<std::string_view> texts) {
    std::string joined;
    for (std::string_view t : texts) joined += t;
    services().warningbox(joined);
}

void promptstub() { dberror({"WPROMPT!! NOT INTERFACED "}); }

void interpnull() { services().interp(nullptr, 0); }

}  // namespace vy
