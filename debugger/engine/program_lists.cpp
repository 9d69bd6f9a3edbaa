#include "debugger/engine/program_lists.h"

#include <cstring>

#include "debugger/target/debug_tables.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/services.h"

namespace vy {

void listfiles() {
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        if (!(f->flags & FILE_NOTUNIQUE)) dbputs({"          ", f->name, "\n"});
}

static const char* text(const char* t) { return t ? t : ""; }

void putwhere(const FuncRec* fn) {
    dbputs({text(fn->signature), text(fn->name), "(", text(fn->argtext), ") at ",
            hexaddr(fn->start ? fn->start->addr : 0)});
}

// The functions of one file. A record without a start entry (a declared
// function, or the record of the file's own variables) has no address and
// is left out.
static void listfile(FileRec* f, bool declarations) {
    dbputs({msgtext(MSG_FUNCSINFILE), ": ", f->name, "\n"});
    for (FuncRec* fn = f->funcs; fn; fn = fn->next) {
        if (!fn->start || (fn->name && fn->name[0] == '.')) continue;
        const char* state = fn->active != 1 ? " (off)  " : fn->state ? " (act)  " : " (on)   ";
        dbputs({state});
        if (declarations) putwhere(fn);
        else dbputs({text(fn->name), "() at ", hexaddr(fn->start->addr)});
        dbputs({"\n"});
    }
    dbputs({"\n"});
}

void listfuncs(const char* file, bool declarations) {
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        if (file) {
            if (std::strcmp(f->name, file) != 0) continue;
            listfile(f, declarations);
            return;
        }
        if (!(f->flags & FILE_NOTUNIQUE)) listfile(f, declarations);
    }
}

}  // namespace vy
