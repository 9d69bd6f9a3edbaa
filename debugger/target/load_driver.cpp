#include "debugger/target/load_driver.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "debugger/target/debug_tables.h"
#include "debugger/target/debug_tree.h"
#include "debugger/target/frames.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/loader.h"
#include "debugger/target/messages.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/output.h"
#include "debugger/target/queries.h"
#include "debugger/target/recorder.h"
#include "debugger/target/reference_step.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"

namespace vy {

uint8_t loadimage = 1;
uint8_t outsidec;
uint32_t loadcycles;

void clrframes() {
    freeframes();
    forgetinterrupts();
    reference::forget();
    runpos = RunPosition{};
}

DebugEntry* nextfile(DebugEntry* entry) {
    for (DebugEntry* e = entry ? entry->next : nullptr; e; e = e->next)
        if (e->kind == DBG_FILE) return e;
    return nullptr;
}

FileRec* filebybase(const char* name) {
    const char* dot = std::strchr(name, '.');
    if (!dot || dot == name) return nullptr;
    std::size_t n = static_cast<std::size_t>(dot - name);
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        if (std::strncmp(f->name, name, n) == 0) return f;
    return nullptr;
}

static std::string loadmessage;

bool updmarkers() {
    uint8_t saved = byteorder;
    byteorder = BO_LONG;
    for (MarkerNode* m = markers; m; m = m->next) {
        m->file = filebybase(m->name);
        uint64_t at = m->value, size = 24ull * m->count;
        if (m->count && (at > objimage.size() || size > objimage.size() - at)) {
            byteorder = saved;
            loadmessage = std::string(msgtext(MSG_READERROR)) + " marker " + printable(m->name);
            return false;
        }
        for (uint32_t i = 0; i < m->count; ++i) {
            const uint8_t* r = objimage.data() + at + 24 * i;
            auto* sm = static_cast<SectionMarker*>(newnode(sizeof(SectionMarker), nullptr));
            sm->marker = m;
            std::size_t n = r[1] & 0x7F;
            std::memcpy(sm->name, r + 2, n < 14 ? n : 14);
            sm->value = ldlong(r + 16);
            SectionMarker** link = &sectionmarkers[r[0]];
            while (*link && (*link)->value < sm->value) link = &(*link)->next;
            sm->next = *link;
            *link = sm;
        }
    }
    byteorder = saved;
    return true;
}

// The state of one load around its reports.
struct Load {
    bool waiting = false;
    bool progress = false;

    void wait() {
        if (!waiting) services().beginwait();
        waiting = true;
    }
    void endwait() {
        if (waiting) services().endwait();
        waiting = false;
    }
    void closeprogress() {
        if (!progress) return;
        services().resetloadprogress();
        services().loadprogress(0, 0);
        progress = false;
    }
    // The program cannot be used: the message, then nothing of it stays.
    void abandon(const std::string& message) {
        if (!message.empty()) dberror({message});
        undoobjload();
        freedebug(1);
        dropsyms();
        dropsectionsymbols();
        freesections();
        endbuild();
        releaseobjimage();
        closeobj();
        services().gaugeend();
        closeprogress();
        services().rightstatus("");
        services().leftstatus("Command");
        services().enableprogrammenus(0);
        endwait();
        LoadFailed = 1;
    }
};

// A function record named "." for a function start that has none.
static FuncRec* dotfunction(FileRec* file, DebugEntry* start) {
    auto* fn = static_cast<FuncRec*>(newnode(sizeof(FuncRec), file->funcs));
    file->funcs = fn;
    fn->file = file;
    fn->name = newtext(".", 1);
    fn->signature = newtext("", 0);
    fn->argtext = newtext("", 0);
    fn->firstline = 1;
    fn->lastline = 40;
    fn->start = start;
    return fn;
}

// The records of the files that only line entries name (included files):
// lines 1 to the largest last line seen.
static void linefile(DebugEntry* e) {
    FileRec* file = findfile(e->text());
    if (file) {
        if (e->endline > file->lastline) file->lastline = e->endline;
        return;
    }
    file = static_cast<FileRec*>(newnode(sizeof(FileRec), filelist));
    filelist = file;
    file->name = newtext(e->text(), std::strlen(e->text()));
    file->firstline = 1;
    file->lastline = e->endline > 1 ? e->endline : 1;
    auto* fn = static_cast<FuncRec*>(newnode(sizeof(FuncRec), nullptr));
    file->funcs = fn;
    fn->file = file;
    fn->name = newtext("", 0);
    fn->signature = newtext("", 0);
    fn->argtext = newtext("", 0);
    fn->nextunnamed = unnamedfuncs;
    unnamedfuncs = fn;
}

static DebugEntry* optionfor(const DebugEntry* file) {
    for (DebugEntry* o = optionlist; o; o = o->next)
        if (std::strcmp(o->text(), file->text()) == 0) return o;
    return nullptr;
}

// The build pass over the main list; false when the tree of a file cannot
// be read (the message in loadmessage).
static bool buildtables() {
    beginbuild();
    DebugEntry* file = nullptr;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (LoadAbortFlag) return true;
        switch (e->kind) {
        case DBG_FILE:
            file = e;
            regmapon = false;
            if (DebugEntry* o = optionfor(e)) {
                curoption = o;
                ldregmap(o->addr);
            }
            if (!buildfile(e)) {
                loadmessage = !buildmessage.empty() ? buildmessage
                              : std::string(msgtext(MSG_READERROR)) + " debug information of " +
                                    printable(e->text()) + " at offset " + std::to_string(dbgfaultoffset());
                return false;
            }
            curoption = nullptr;
            break;
        case DBG_LINE:
            if (!file || std::strcmp(e->text(), file->text()) != 0) linefile(e);
            break;
        case DBG_FUNCSTART:
            if (FileRec* f = findfile(e->text())) f->flags = (f->flags & ~6u) | FILE_HASSTART;
            break;
        case DBG_SETUP:
            if (FileRec* f = findfile(e->text())) f->flags = (f->flags & ~6u) | FILE_HASSETUP;
            break;
        default:
            if (e->kind >= DBG_OPTION) curoption = e;
            break;
        }
    }
    return true;
}

// Every entry gets its function record; a function start that has none
// gets a "." record in its file.
static bool checkconsistency() {
    std::unordered_map<std::string, FuncRec*> byname;  // as findfunc finds them
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        for (FuncRec* fn = f->funcs; fn && fn->next; fn = fn->next)
            if (fn->name[0] != '.') byname.emplace(fn->name, fn);
    FuncRec* current = nullptr;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind == DBG_FUNCSTART) {
            auto found = e->name[0] == '.' ? byname.end() : byname.find(e->name);
            current = found == byname.end() ? nullptr : found->second;
            if (!current) {
                FileRec* file = findfile(e->text());
                if (!file) {
                    loadmessage = std::string("INCONSISTENT DEBUG INFO.\nFILE: ") + printable(e->text()) +
                                  "\nIS REREFENCED BUT CANNOT BE FOUND";
                    return false;
                }
                current = dotfunction(file, e);
            }
        }
        e->func = current;
    }
    return true;
}

void dbload(const char* name, const char* start) {
    Load load;
    LoadFailed = 0;
    loadmessage.clear();
    keepobjload();
    resettriggers();
    runflags.tracecount = 0;
    loadcycles = getcycles();
    dropsyms();

    services().leftstatus("Loading... Please Wait");
    load.wait();
    services().fileloadbox(1, name);
    int result = ldprog(name, 0, loadimage ? 0 : 1, 0, 0);
    services().fileloadbox(0, name);
    if (LoadFailed) {
        load.abandon("");
        return;
    }
    if (!result) {
        load.endwait();
        services().leftstatus("Command");
        return;
    }

    clrframes();
    if (LoadAbortFlag) {
        load.endwait();
        return;
    }
    services().rightstatus("Building debug info");
    services().loadprogress(1, 2 * nfileentries + nstartentries);
    load.progress = true;
    if (!buildtables()) return load.abandon(loadmessage);
    if (LoadAbortFlag) {
        endbuild();
        load.closeprogress();
        services().rightstatus("");
        load.endwait();
        return;
    }
    services().rightstatus("Checking Consistency");
    if (!checkconsistency()) return load.abandon(loadmessage);
    services().rightstatus("Updating Markers");
    if (!updmarkers()) return load.abandon(loadmessage);
    services().rightstatus("Building define info");
    dbgclear();
    builddefines();
    if (dbgfault())
        return load.abandon(std::string(msgtext(MSG_READERROR)) + " define texts at offset " +
                            std::to_string(dbgfaultoffset()));
    endbuild();
    variableschanged();

    load.closeprogress();
    load.endwait();
    releaseobjimage();
    closeobj();
    services().rightstatus("");
    services().enableprogrammenus(debuglist != nullptr);
    if (!debuglist) msgout(MSG_NODEBUG);
    services().leftstatus("Command");

    uint16_t pcbefore = getpc();
    if (startpoint(start)) setpc(startaddress);
    if (LoadFailed) return load.abandon("");

    services().repaintasmwindow();
    runflags.runrequest[0] = runflags.runrequest[1] = 0;
    outsidec = !insource(getpc());
    if (resetstart) resetstart = 3;
    if (DebugEntry* e = curline(getpc())) {
        enterline(e);
        if (LoadFailed) {
            // The tables cannot follow the program from its start (the
            // message is out): nothing of it stays, as for any refusal.
            setpc(pcbefore);
            return load.abandon("");
        }
    } else {
        dbputs({"\n"});
        services().clearlinemarker();
    }
    keepobjload();
}

}  // namespace vy
