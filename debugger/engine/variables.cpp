#include "debugger/engine/variables.h"

#include "debugger/target/abi.h"

#include <cstring>

#include "debugger/engine/evaluator.h"
#include "debugger/engine/names.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

bool varvisible = true;

FuncRec* filescope(const FileRec* file) {
    if (!file) return nullptr;
    FuncRec* fn = file->funcs;
    while (fn && fn->next) fn = fn->next;
    return fn;
}

static bool named(const LocalRec* l, const char* name) {
    return l->name && l->cls != CL_TYPEDEF && std::strcmp(l->name, name) == 0;
}

// Any record of that name in a function record: its array, then its
// class-18 records.
static LocalRec* findin(const FuncRec* fn, const char* name) {
    if (!fn) return nullptr;
    for (LocalRec* l = fn->locals; l && l < fn->localsend; ++l)
        if (named(l, name)) return l;
    for (uint32_t i = 0; fn->members18 && i < fn->nclass18; ++i)
        if (named(&fn->members18[i], name)) return &fn->members18[i];
    return nullptr;
}

// A local or static is there while the frame is visible; static arguments
// and static autos (classes 14, 15, 16) always are.
static bool present(const LocalRec* l) {
    return varvisible || l->cls == CL_STATICARG || l->cls == CL_STATICARGREG || l->cls == CL_STATICAUTO;
}

LocalRec* onvarlist(const FuncRec* fn, const char* name) {
    if (!fn) {
        dbputs({"NULL blk to onvarlist!\n"});
        return nullptr;
    }
    LocalRec* first = fn->firstlocal ? fn->firstlocal : fn->localsend;
    for (LocalRec* l = fn->locals; l && l < first; ++l)
        if (l->name && std::strcmp(l->name, name) == 0) return l;
    for (LocalRec* l = first; l && l < fn->localsend; ++l)
        if (named(l, name) && present(l)) return l;
    for (uint32_t i = 0; fn->members18 && i < fn->nclass18; ++i)
        if (named(&fn->members18[i], name) && present(&fn->members18[i])) return &fn->members18[i];
    const FuncRec* scope = filescope(fn->file);
    return scope && scope != fn ? findin(scope, name) : nullptr;
}

// Where a found record is. Records that hold their address (and constants
// and registers) need no frame; a register argument before the frame
// set-up is still in its register; every other class is placed by the
// target model in the frame.
static int place(const LocalRec& rec, FrameNode* frame, bool evaluate, VarRef& var) {
    var.address = rec.value;
    var.type = rec.type;
    var.detail = rec.detail;
    var.aux = rec.offset5;
    var.storage = rec.cls;
    switch (rec.cls) {
    case CL_STATIC: case CL_EXTERN: case CL_ABSOLUTE: case CL_STATICAUTO:
    case CL_LOCAL18: case CL_GLOBAL: case CL_REGISTER: case CL_ENUMMEMBER: case CL_ARG20:
        return 0;
    case CL_ARGREG: case CL_STATICARGREG:
        if (!varvisible) return 0;
        break;
    case CL_REGARG:
        if (varvisible) {
            var.address = rec.offset5;
            var.storage = CL_REGISTER;
            return 0;
        }
        break;
    default:
        break;
    }
    if (!evaluate) return 0;
    if (!frame) return MSG_NOTADDRESSABLE;
    var.address = varaddr(&rec, frame);
    if (rec.cls == CL_REGARG || rec.cls == CL_ARGREG || rec.cls == CL_STATICARGREG) var.storage = ST_MEMORY;
    return 0;
}

static bool settled(const FrameNode* f) { return f && (f->fixed & 1); }

int lookupvar(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) {
    if (file) {
        FileRec* f = findfile(file);
        if (!f) return MSG_FILENOTFOUND;
        LocalRec* rec = findin(filescope(f), name);
        if (!rec) return -1;
        varvisible = true;
        return place(*rec, nullptr, evaluate, var);
    }
    if (function) {
        FuncRec* fn = findfunc(function);
        if (!fn) return MSG_NOFUNCTION;
        if (evaluate) {
            for (FrameNode* f = topframe; f; f = f->next) {
                if (f->func != fn) continue;
                varvisible = settled(f);
                if (LocalRec* rec = onvarlist(fn, name)) return place(*rec, f, evaluate, var);
            }
        }
        varvisible = true;
        LocalRec* rec = onvarlist(fn, name);
        return rec ? place(*rec, nullptr, evaluate, var) : -1;
    }
    if (curframe && curframe->func) {
        varvisible = topframe ? settled(topframe) : true;
        if (LocalRec* rec = onvarlist(curframe->func, name)) return place(*rec, curframe, evaluate, var);
    }
    varvisible = true;
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        if (LocalRec* rec = findin(filescope(f), name)) return place(*rec, nullptr, evaluate, var);
    return -1;
}

bool datavariable(const char* file, const char* function, const char* name, uint16_t& address, uint32_t& size) {
    if (!name) return false;
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        if (file && std::strcmp(f->name, file) != 0) continue;
        FuncRec* owner = filescope(f);
        if (function) {
            owner = nullptr;
            for (FuncRec* fn = f->funcs; fn && fn->next; fn = fn->next)
                if (std::strcmp(fn->name, function) == 0) owner = fn;
        }
        LocalRec* rec = findin(owner, name);
        if (!rec) continue;
        // A local lives in the innermost frame of its function.
        FrameNode* frame = topframe;
        while (frame && frame->func != owner) frame = frame->next;
        varvisible = frame ? settled(frame) : true;
        VarRef var{};
        if (place(*rec, frame, true, var) != 0) return false;
        if (var.storage == CL_ARGREG || var.storage == CL_STATICARGREG || var.storage == CL_ENUMMEMBER) return false;
        address = var.address;
        size = rec->size ? rec->size : 1;
        return true;
    }
    return false;
}

}  // namespace vy
