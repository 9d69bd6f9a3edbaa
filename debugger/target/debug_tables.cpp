#include "debugger/target/debug_tables.h"

#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "debugger/target/frames.h"
#include "debugger/target/recorder.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "support/list_node.h"

namespace vy {

DebugEntry* debuglist;
DebugEntry* stringlist;
DebugEntry* optionlist;
uint32_t nfileentries, nstartentries;
uint8_t debugstrings;
uint8_t srcinfo;

FileRec fileend;
FileRec* filelist = &fileend;
FuncIndex* funcindex;
FuncRec* unnamedfuncs;
MemberList* memberlists;

// Insertion points: the entry inserted last on the main list with the link
// that leads to the first entry of its address, and the last debug string.
static DebugEntry* lastmain;
static DebugEntry** lastgroup;
static DebugEntry* laststring;

bool isargclass(uint8_t cls) {
    return cls == CL_ARG || cls == CL_REGARG || cls == CL_ARGREG || cls == CL_STATICARG ||
           cls == CL_STATICARGREG || cls == CL_ARG20;
}

const char* classtext(uint8_t cls) {
    switch (cls) {
    case CL_STATIC: return "static ";
    case CL_ARG:
    case CL_ARGREG:
    case CL_ARG20: return "argument ";
    case CL_AUTO: return "auto ";
    case CL_REGISTER:
    case CL_REGARG: return "register ";
    case CL_EXTERN: return "extern ";
    case CL_ABSOLUTE: return "absolute ";
    case CL_ENUMMEMBER: return "enum member ";
    case CL_STATICARG:
    case CL_STATICARGREG: return "static argument ";
    case CL_STATICAUTO: return "static auto ";
    case CL_TYPEDEF: return "typedef ";
    case CL_LOCAL18: return "local ";
    case CL_GLOBAL: return "global ";
    default: return "";
    }
}

struct BaseType {
    uint8_t code;
    const char* name;
};
static const BaseType basetypes[] = {
    {1, "_Bool"},
    {8, "signed char"},
    {9, "char"},
    {10, "unsigned char"},
    {11, "char bit-field"},
    {16, "short"},
    {17, "unsigned short"},
    {24, "int"},
    {25, "bit-field"},
    {26, "unsigned int"},
    {32, "long"},
    {33, "unsigned long"},
    {40, "float"},
    {41, "double"},
    {42, "long double"},
    {64, "pointer to"},
    {65, "array"},
    {72, "struct"},
    {73, "union"},
    {74, "enum"},
    {75, "(char) enum "},
    {76, "(short) enum "},
    {77, "(int) enum"},
    {78, "(long) enum"},
    {80, "void"},
    {88, "label "},
};

const char* basetypename(uint8_t base) {
    for (const BaseType& b : basetypes)
        if (b.code == base) return b.name;
    return nullptr;
}

char* newtext(const char* text, std::size_t n) {
    auto* t = static_cast<char*>(std::malloc(n + 1));
    if (!t) throw std::bad_alloc();
    std::memcpy(t, text, n);
    t[n] = '\0';
    return t;
}

char* newtext(const std::string& text) { return newtext(text.data(), text.size()); }

uint8_t classof(const LocalRec* rec) {
    const char* name = rec->name;
    return static_cast<uint8_t>(name[std::strlen(name) + 1]);
}

DebugEntry* newentry(uint8_t kind, uint32_t addr, const char* text, std::size_t length) {
    auto* e = static_cast<DebugEntry*>(newnode(sizeof(DebugEntry) + length + 1, nullptr));
    e->kind = kind;
    e->addr = addr;
    std::memcpy(e->text(), text, length);
    e->text()[length] = '\0';
    return e;
}

// A decimal number of at most seven digits; false when none stands there.
static bool readnum(char*& p, uint16_t& value) {
    if (*p < '0' || *p > '9') return false;
    uint32_t v = 0;
    for (int n = 0; n < 7 && *p >= '0' && *p <= '9'; ++n) v = v * 10 + static_cast<uint32_t>(*p++ - '0');
    value = static_cast<uint16_t>(v);
    return true;
}

// Line form: the text is cut at its last ':'; behind it an optional '+',
// the line, '.' and the column, '-' and the last line, '.' and the last
// column.
static void lineform(DebugEntry* e, char* text) {
    char* colon = std::strrchr(text, ':');
    if (!colon) return;
    *colon = '\0';
    char* p = colon + 1;
    if (*p == '+') {
        e->flags |= DE_PLUS;
        ++p;
    }
    readnum(p, e->line);
    e->col = 0;
    if (*p == '.') ++p, readnum(p, e->col);
    e->endline = e->line;
    if (*p == '-') ++p, readnum(p, e->endline);
    e->endcol = e->col;
    if (*p == '.') ++p, readnum(p, e->endcol);
}

// The old format's line form: the line, '.' and the column, then the last
// line when more text follows the next separator; no '+', no last column.
static void oldlineform(DebugEntry* e, char* text) {
    char* colon = std::strrchr(text, ':');
    if (!colon) return;
    *colon = '\0';
    char* p = colon + 1;
    readnum(p, e->line);
    e->col = 0;
    if (*p == '.') ++p, readnum(p, e->col);
    e->endline = e->line;
    if (*p && p[1]) {
        ++p;
        readnum(p, e->endline);
    }
    e->endcol = 0;
}

// Name form: the text is cut at its '~', the name behind it at its first
// ':'; a frame set-up point reads its three numbers from behind that ':'.
static void nameform(DebugEntry* e, bool old) {
    e->line = e->col = 0;
    char* tilde = std::strchr(e->text(), '~');
    if (!tilde) return;
    *tilde = '\0';
    e->name = tilde + 1;
    char* colon = std::strchr(e->name, ':');
    if (!colon) return;
    *colon = '\0';
    if (e->kind != DBG_SETUP) return;
    char* p = colon + 1;
    if (*p == '-') ++p;
    readnum(p, e->line);
    if (old) return;
    e->endline = e->line;
    if (*p == '.') ++p, readnum(p, e->endline);
    if (*p == '.') ++p, readnum(p, e->extra);
}

// Start form: cut at the '~', then the line form behind it, so that the
// function name ends at its last ':'. A text without '~' has an empty name.
static void startform(DebugEntry* e, bool old) {
    char* text = e->text();
    char* tilde = std::strchr(text, '~');
    char* rest = text;
    if (tilde) {
        *tilde = '\0';
        rest = tilde + 1;
        e->name = rest;
    } else {
        e->name = text + std::strlen(text);
    }
    if (old) oldlineform(e, rest);
    else lineform(e, rest);
}

static void parse(DebugEntry* e, bool old) {
    switch (e->kind) {
    case DBG_LINE: old ? oldlineform(e, e->text()) : lineform(e, e->text()); break;
    case DBG_FUNCSTART: startform(e, old); break;
    case DBG_STRING: debugstrings = 1; break;
    case DBG_CALL:
    case DBG_SETUP:
    case DBG_FUNCREF:
    case DBG_EXIT:
    case DBG_FUNCEND:
    case DBG_FILE: nameform(e, old); break;
    default:
        if (e->kind >= DBG_OPTION) old ? oldlineform(e, e->text()) : lineform(e, e->text());
        break;
    }
    if (e->kind == DBG_FILE) ++nfileentries;
    if (e->kind == DBG_FUNCSTART) ++nstartentries;
}

void parseentry(DebugEntry* e) { parse(e, false); }
void parseoldentry(DebugEntry* e) { parse(e, true); }

// Whether entry x stays in front of a new entry e on the main list.
static bool infront(const DebugEntry* x, const DebugEntry* e) {
    if (x->addr != e->addr) return x->addr < e->addr;
    return !(e->kind == DBG_FUNCEND && x->kind == DBG_FUNCSTART);
}

static void insertmain(DebugEntry* e) {
    // Loading an address-ordered file stays linear: the search starts at
    // the last entry inserted, or at the first entry of its address.
    DebugEntry** link = &debuglist;
    if (lastmain && lastmain->addr < e->addr) link = &lastmain->next;
    else if (lastmain && lastmain->addr == e->addr) link = lastgroup;
    DebugEntry** group = nullptr;
    while (*link && infront(*link, e)) {
        if (!group && (*link)->addr == e->addr) group = link;
        link = &(*link)->next;
    }
    e->next = *link;
    *link = e;
    lastmain = e;
    lastgroup = group ? group : link;
}

void insertentry(DebugEntry* e) {
    entrieschanged();
    if (e->kind >= DBG_OPTION) {
        e->next = optionlist;
        optionlist = e;
    } else if (e->kind == DBG_STRING) {
        DebugEntry** link = laststring && laststring->addr <= e->addr ? &laststring->next : &stringlist;
        while (*link && (*link)->addr <= e->addr) link = &(*link)->next;
        e->next = *link;
        *link = e;
        laststring = e;
    } else {
        insertmain(e);
    }
}

static void removeentry(DebugEntry** link) {
    entrieschanged();
    DebugEntry* gone = *link;
    *link = gone->next;
    freenode(gone, nullptr);
}

// Whether a new old-format entry e goes in front of x at the same address.
static bool oldinfront(const DebugEntry* e, const DebugEntry* x) {
    return e->kind == DBG_FUNCEND || (e->kind == DBG_FUNCSTART && x->kind == DBG_SETUP) ||
           (e->kind == DBG_LINE && x->kind == DBG_EXIT);
}

void insertoldentry(DebugEntry* e, bool appendfiles) {
    entrieschanged();
    if (e->kind == DBG_STRING) {
        insertentry(e);
        return;
    }
    if (e->kind == DBG_FILE && appendfiles) {
        DebugEntry** link = lastmain ? &lastmain->next : &debuglist;
        while (*link) link = &(*link)->next;
        e->next = nullptr;
        *link = e;
        lastmain = nullptr;  // out of order: the next search starts at the head
        return;
    }
    DebugEntry** link = &debuglist;
    if (lastmain && lastmain->addr < e->addr) link = &lastmain->next;
    else if (lastmain && lastmain->addr == e->addr) link = lastgroup;
    while (*link && (*link)->addr < e->addr) link = &(*link)->next;
    DebugEntry** group = link;
    while (*link && (*link)->addr == e->addr && !oldinfront(e, *link)) link = &(*link)->next;
    e->next = *link;
    *link = e;
    lastmain = e;
    lastgroup = group;
}

void cleanoldentries() {
    entrieschanged();
    char* current = nullptr;
    // Lines outside any function move behind the next function start, in
    // their order; the start found is kept while the walk has not reached it.
    DebugEntry* nextstart = nullptr;
    DebugEntry** moveto = nullptr;
    bool nostartahead = false;
    for (DebugEntry** link = &debuglist; *link;) {
        DebugEntry* e = *link;
        if (e == nextstart) nextstart = nullptr;
        switch (e->kind) {
        case DBG_FUNCSTART: current = e->name; break;
        case DBG_FUNCEND: current = nullptr; break;
        case DBG_LINE:
            if (e->next && e->next->kind == DBG_LINE && e->next->addr == e->addr) {
                removeentry(link);
                continue;
            }
            if (!current && !nostartahead) {
                if (!nextstart) {
                    for (nextstart = e->next; nextstart && nextstart->kind != DBG_FUNCSTART;)
                        nextstart = nextstart->next;
                    moveto = nextstart ? &nextstart->next : nullptr;
                    nostartahead = !nextstart;
                }
                if (nextstart) {
                    *link = e->next;
                    e->next = *moveto;
                    *moveto = e;
                    moveto = &e->next;
                    continue;
                }
            }
            e->name = current;
            break;
        default: break;
        }
        link = &(*link)->next;
    }
}

void clearentries() {
    entrieschanged();
    for (DebugEntry** list : {&debuglist, &stringlist, &optionlist})
        while (*list) *list = static_cast<DebugEntry*>(freenode(*list, (*list)->next));
    lastmain = nullptr;
    lastgroup = nullptr;
    laststring = nullptr;
    nfileentries = nstartentries = 0;
    debugstrings = 0;
}

// A copy of an entry that carries another file text in front of its name.
static DebugEntry* withfile(const DebugEntry* e, const char* file) {
    std::size_t n = std::strlen(file);
    auto* c = static_cast<DebugEntry*>(newnode(sizeof(DebugEntry) + n + 2, nullptr));
    *c = *e;
    std::memcpy(c->text(), file, n + 1);
    c->name = c->text() + n + 1;  // an empty name behind the file text
    c->name[0] = '\0';
    if (e->kind != DBG_FUNCSTART) c->name = nullptr;
    return c;
}

// A start entry with an empty function name that stands directly before a
// line of another file at its address names that file (a section change in
// an assembly source included from elsewhere); so does the function end
// behind the run of lines.
static void fixsectionnames() {
    entrieschanged();
    for (DebugEntry** link = &debuglist; *link;) {
        DebugEntry* e = *link;
        DebugEntry* line = e->next;
        if (e->kind != DBG_FUNCSTART || e->name[0] || !line || line->kind != DBG_LINE ||
            line->addr != e->addr || std::strcmp(line->text(), e->text()) == 0) {
            link = &e->next;
            continue;
        }
        const char* file = line->text();
        DebugEntry* copy = withfile(e, file);
        *link = copy;
        freenode(e, nullptr);
        DebugEntry** after = &copy->next;
        while (*after && (*after)->kind == DBG_LINE) after = &(*after)->next;
        if (*after && (*after)->kind == DBG_FUNCEND) {
            DebugEntry* end = *after;
            *after = withfile(end, file);
            freenode(end, nullptr);
        }
        link = after;
    }
}

// An assembly source's own records open with the end of the section it
// leaves for its preamble in ".debug", at the address of its first start: in
// a linked program that is where the function before it ends. That end
// closes nothing (it is dropped): it is known by a start of its own file at
// its address.
static bool opensafile(const DebugEntry* end) {
    const char* colon = std::strrchr(end->text(), ':');
    std::size_t n = colon ? static_cast<std::size_t>(colon - end->text()) : std::strlen(end->text());
    for (const DebugEntry* e = end->next; e && e->addr == end->addr; e = e->next)
        if (e->kind == DBG_FUNCSTART && std::strlen(e->text()) == n && std::strncmp(e->text(), end->text(), n) == 0)
            return true;
    return false;
}

bool cleanentries(std::string& message) {
    fixsectionnames();
    static char unnamed[] = "";
    char* current = nullptr;          // current function name; "" in an unnamed region
    DebugEntry* namedstart = nullptr;
    DebugEntry** group = nullptr;     // first entry at the current address behind the named start
    for (DebugEntry** link = &debuglist; *link;) {
        DebugEntry* e = *link;
        if (!group || (*group)->addr != e->addr) group = link;
        switch (e->kind) {
        case DBG_FUNCSTART:
            current = e->name[0] ? e->name : unnamed;
            if (e->name[0]) {
                namedstart = e;
                group = &e->next;
            } else if (e->next && e->next->kind == DBG_LINE) {
                e->line = e->next->line;
                e->col = e->next->col;
                e->endline = e->next->endline;
                e->endcol = e->next->endcol;
            }
            break;
        case DBG_FUNCEND:
            if (!current) {
                if (opensafile(e)) {
                    removeentry(link);
                    continue;
                }
                message = std::string("MISSING START INFO FOR: ") + e->text();
                return false;
            }
            if (current[0]) current = nullptr;
            if (namedstart) {
                // Nothing of the function stands at its end address.
                DebugEntry** p = group;
                while (*p != e) {
                    if ((*p)->kind != DBG_FILE && (*p)->kind != DBG_FUNCREF) removeentry(p);
                    else p = &(*p)->next;
                }
                link = p;
                namedstart = nullptr;
            }
            group = nullptr;
            break;
        case DBG_LINE:
            if (!current) {
                message = std::string("Missing function for Line: ") + e->text() + " " + std::to_string(e->line);
                return false;
            }
            if (!current[0]) {
                while (e->next && e->next->kind == DBG_LINE && e->next->line == e->line) removeentry(&e->next);
            } else if (e->next && e->next->kind == DBG_LINE && e->next->addr == e->addr) {
                removeentry(link);  // the later line at this address is kept
                continue;
            }
            e->name = current;
            break;
        default: break;
        }
        link = &(*link)->next;
    }
    return true;
}

FileRec* findfile(const char* name) {
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        if (std::strcmp(f->name, name) == 0) return f;
    return nullptr;
}

FuncRec* findfunc(const char* name) {
    if (name[0] == '.') return nullptr;
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        for (FuncRec* fn = f->funcs; fn && fn->next; fn = fn->next)
            if (std::strcmp(fn->name, name) == 0) return fn;
    return nullptr;
}

// The index list in a table, made again after the list changed: the
// call-frame code looks a function up on every call.
static std::unordered_map<uint32_t, FuncRec*> funcoffsets;
static bool funcoffsetsstale = true;

void funcindexchanged() { funcoffsetsstale = true; }

FuncRec* funcatoffset(uint32_t offset) {
    if (funcoffsetsstale) {
        funcoffsets.clear();
        for (FuncIndex* i = funcindex; i; i = i->next) funcoffsets.emplace(i->offset, i->func);
        funcoffsetsstale = false;
    }
    auto found = funcoffsets.find(offset);
    return found == funcoffsets.end() ? nullptr : found->second;
}

void gotoaddr(uint16_t address) { enterline(curline(address)); }

static void freelocal(LocalRec* l) {
    std::free(l->name);
    delete l->detail;
    freeusage(l->usage);
}

static void freefunc(FuncRec* fn) {
    if (fn->locals) {
        for (LocalRec* l = fn->locals; l < fn->localsend; ++l) freelocal(l);
        for (uint32_t i = 0; i < fn->nclass18; ++i) freelocal(&fn->members18[i]);
        freenode(fn->locals, nullptr);
    }
    std::free(fn->signature);
    std::free(fn->argtext);
    std::free(fn->name);
    freechain(fn->timing, nullptr);
    std::free(fn->called);
    std::free(fn->refs);
}

static void freefile(FileRec* f) {
    for (FuncRec* fn = f->funcs; fn;) {
        freefunc(fn);
        fn = static_cast<FuncRec*>(freenode(fn, fn->next));
    }
    for (uint32_t i = 0; i < f->ndefines; ++i) std::free(f->deftexts[i]);
    std::free(f->deftexts);
    std::free(f->defentries);
    std::free(f->attached);
    std::free(f->name);
}

void freedebug(int all) {
    freeframes();
    if (!all) return;
    funcindex = static_cast<FuncIndex*>(freechain(funcindex, nullptr));
    funcindexchanged();
    clearentries();
    srcinfo = 0;
    unnamedfuncs = nullptr;
    while (morefiles(filelist)) {
        FileRec* f = filelist;
        freefile(f);
        filelist = static_cast<FileRec*>(freenode(f, f->next));
    }
    filelist = nullptr;
    while (memberlists) {
        MemberList* m = memberlists;
        for (LocalRec* l = m->members; l && l->name; ++l) freelocal(l);
        freenode(m->members, nullptr);
        std::free(m->tag);
        memberlists = static_cast<MemberList*>(freenode(m, m->next));
    }
    variableschanged();
    services().trcfree();
}

}  // namespace vy
