#include "debugger/target/debug_tree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/frames.h"
#include "debugger/target/loader.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/output.h"
#include "debugger/target/services.h"
#include "debugger/target/typed_values.h"
#include "support/list_node.h"

namespace vy {

uint32_t dbgregister;
uint16_t regmap[16];
bool regmapon;
DebugEntry* curoption;
std::string buildmessage;

static bool faulted;
static uint32_t faultat;

bool dbgfault() { return faulted; }
uint32_t dbgfaultoffset() { return faultat; }
void dbgclear() { faulted = false; }

// Whether n bytes stand at the offset; records the first fault.
static bool fits(uint32_t offset, uint32_t n) {
    std::span<const uint8_t> tree = debugsection();
    if (offset <= tree.size() && n <= tree.size() - offset) return true;
    if (!faulted) faulted = true, faultat = offset;
    return false;
}

uint32_t dbgword(uint32_t offset) { return fits(offset, 4) ? ldlong(debugsection().data() + offset) : 0; }

uint32_t dbgtype(uint32_t offset) {
    if (!fits(offset, 4)) return 0;
    const uint8_t* p = debugsection().data() + offset;
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

uint8_t dbgbyte(uint32_t offset) { return fits(offset, 1) ? debugsection()[offset] : 0; }

// Length of the string at the offset, or the rest of the section (a fault)
// when no NUL ends it there.
static uint32_t dbgstrlen(uint32_t offset) {
    std::span<const uint8_t> tree = debugsection();
    if (!fits(offset, 1)) return 0;
    const uint8_t* start = tree.data() + offset;
    const void* nul = std::memchr(start, 0, tree.size() - offset);
    if (nul) return static_cast<uint32_t>(static_cast<const uint8_t*>(nul) - start);
    fits(offset, static_cast<uint32_t>(tree.size() - offset) + 1);
    return static_cast<uint32_t>(tree.size() - offset);
}

std::string dbgstr(uint32_t offset) {
    uint32_t n = dbgstrlen(offset);
    if (faulted) return {};
    return std::string(reinterpret_cast<const char*>(debugsection().data() + offset), n);
}

char* dbgname(uint32_t offset, bool withclass) {
    uint32_t n = dbgstrlen(offset);
    if (faulted) return newtext("\0", withclass ? 1 : 0);  // an empty name, class 0
    const char* s = reinterpret_cast<const char*>(debugsection().data() + offset);
    if (!withclass) return newtext(s, n);
    uint8_t cls = dbgbyte(offset + n + 1);
    char* name = newtext(s, n + 1);
    name[n + 1] = static_cast<char>(cls);  // newtext left room for the NUL behind it
    if (cls == CL_REGARG) dbgregister = dbgword(offset + n + 2);
    return name;
}

void ldregmap(uint32_t offset) {
    uint32_t map = dbgword(offset);
    for (int i = 0; i < 16; ++i) regmap[i] = static_cast<uint16_t>(dbgword(map + 4 * i));
    regmapon = true;
}

uint16_t mapregs(uint32_t mask) {
    uint16_t result = 0x8000;
    for (int i = 0; i < 16; ++i)
        if (mask & (0x8000u >> i)) result |= regmap[i];
    return result;
}

// Lookups for one build pass: the first start entry of each file and
// function, the frame set-up entry behind each start, the debug strings by
// address, the member lists by node offset and the record of each file entry.
struct BuildIndex {
    std::unordered_map<std::string, DebugEntry*> starts;
    std::unordered_map<const DebugEntry*, DebugEntry*> setups;
    std::unordered_map<uint32_t, DebugEntry*> strings;
    std::unordered_map<uint32_t, MemberList*> members;
    std::unordered_map<const DebugEntry*, FileRec*> files;
};
static std::unique_ptr<BuildIndex> build;

static std::string startkey(const char* file, const char* name) {
    std::string key = file;
    key += '\0';
    key += name;
    return key;
}

void beginbuild() {
    build = std::make_unique<BuildIndex>();
    std::vector<DebugEntry*> waiting;  // start entries whose set-up entry is still ahead
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind == DBG_FUNCSTART) {
            build->starts.emplace(startkey(e->text(), e->name), e);
            waiting.push_back(e);
        } else if (e->kind == DBG_SETUP) {
            for (DebugEntry* s : waiting) build->setups[s] = e;
            waiting.clear();
        }
    }
    for (DebugEntry* e = stringlist; e; e = e->next) build->strings.emplace(e->addr, e);
    regmapon = false;
    curoption = nullptr;
}

void endbuild() { build.reset(); }

static bool fail(std::string message) {
    if (buildmessage.empty()) buildmessage = std::move(message);
    return false;
}

// Member lists nest as deep as their types; a deeper tree is refused.
constexpr int MAXNESTING = 200;

static MemberList* memberlist(uint32_t offset, int depth);

// The detail words of a variable entry, as the type-detail array keeps them.
static TypeDetail* ldtypedetail(LocalRec* rec, uint32_t entry, int depth) {
    uint32_t at = dbgword(entry + 12);
    auto word = [&at]() {
        uint32_t w = dbgword(at);
        at += 4;
        return w;
    };
    if (regmapon) rec->regmask = mapregs(word());
    uint8_t base = static_cast<uint8_t>(rec->type);
    auto detail = std::make_unique<TypeDetail>();
    if (hasbitfield(base)) detail->words.push_back(word());
    for (int k = 0; k < nderivations(rec->type); ++k) {
        uint32_t w = word();
        switch (derivation(rec->type, k)) {
        case DERIV_POINTER: detail->words.push_back(regmapon ? mapregs(w) : w); break;
        case DERIV_ARRAY: detail->words.push_back(w); break;
        default: break;
        }
    }
    if (hasmembers(base)) detail->members = memberlist(word(), depth + 1);
    if (detail->words.empty() && !detail->members) return nullptr;
    return detail.release();
}

// Name, class and value of a variable entry, for a member or a class-18 record.
static void readname(LocalRec* rec, uint32_t entry) {
    rec->name = dbgname(dbgword(entry), true);
    rec->cls = classof(rec);
    rec->value = static_cast<uint16_t>(dbgword(entry + 4));
}

static void readvariable(LocalRec* rec, uint32_t entry, int depth) {
    readname(rec, entry);
    rec->type = dbgtype(entry + 8);
    rec->detail = ldtypedetail(rec, entry, depth);
    rec->size = typesize(rec);
}

static uint32_t countentries(uint32_t list) {
    uint32_t n = 0;
    while (dbgword(list + 16 * n) && !faulted) ++n;
    return n;
}

static MemberList* memberlist(uint32_t offset, int depth) {
    uint32_t tag = dbgword(offset);
    if (!tag || faulted) return nullptr;
    if (auto found = build->members.find(offset); found != build->members.end()) return found->second;
    if (depth > MAXNESTING) {
        fail("nesting too deep in the debug information");
        return nullptr;
    }
    auto* m = static_cast<MemberList*>(newnode(sizeof(MemberList), memberlists));
    memberlists = m;
    build->members[offset] = m;  // before the members: a member may point to its own type
    m->offset = offset;
    m->tag = dbgname(tag, false);
    m->count = countentries(offset + 4);
    m->size = dbgword(offset + 4 + 16 * m->count + 4);
    m->members = static_cast<LocalRec*>(newnode(sizeof(LocalRec) * (m->count + 1), nullptr));
    for (uint32_t i = 0; i < m->count && !faulted && buildmessage.empty(); ++i)
        readvariable(&m->members[i], offset + 4 + 16 * i, depth);
    return m;
}

static bool isargentry(uint32_t entry) {
    uint32_t name = dbgword(entry);
    return isargclass(dbgbyte(name + dbgstrlen(name) + 1));
}

// The words of a variable entry's derivations (a function's too), in order.
static std::vector<uint32_t> treederivations(uint32_t entry, uint32_t type, uint32_t* next) {
    uint32_t at = dbgword(entry + 12) + (regmapon ? 4 : 0) + (hasbitfield(static_cast<uint8_t>(type)) ? 4 : 0);
    std::vector<uint32_t> words;
    for (int k = 0; k < nderivations(type); ++k, at += 4) {
        uint32_t w = dbgword(at);
        words.push_back(derivation(type, k) == DERIV_POINTER && regmapon ? mapregs(w) : w);
    }
    if (next) *next = at;
    return words;
}

static std::string treetag(uint32_t memberlistnode) {
    uint32_t tag = dbgword(memberlistnode);
    return tag ? dbgstr(tag) : std::string();
}

std::string declarg(uint32_t entry) {
    uint32_t type = dbgtype(entry + 8);
    uint8_t base = static_cast<uint8_t>(type);
    uint32_t after;
    std::vector<uint32_t> words = treederivations(entry, type, &after);
    std::string tag = hasmembers(base) ? treetag(dbgword(after)) : std::string();
    const char* name = basetypename(base);
    return std::string(name ? name : "") + " " + tag + " " + declarator(dbgstr(dbgword(entry)), type, words, false);
}

// The argument declarations joined by ", ", at most 511 characters: the
// first that does not fit becomes "...".
static std::string argstext(uint32_t list, FuncRec* fn) {
    std::vector<uint32_t> args;
    uint32_t n = countentries(list);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t entry = list + 16 * i;
        if (isargentry(entry)) args.push_back(entry);
        else if (loadformat != '4') break;
    }
    if (loadformat != '4') std::reverse(args.begin(), args.end());
    constexpr std::size_t LIMIT = 511;
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string piece = (i ? ", " : "") + declarg(args[i]);
        if (text.size() + piece.size() > LIMIT) {
            std::string cut = (i ? ", " : "") + std::string("...");
            text += cut.substr(0, std::min(cut.size(), LIMIT - text.size()));
            break;
        }
        text += piece;
    }
    return text;
}

// The function's own type as text: class, base type, tag, one '*' per
// pointer derivation.
static bool funcsig(uint32_t node, FuncRec* fn, uint32_t list) {
    uint8_t base = static_cast<uint8_t>(fn->type);
    const char* name = basetypename(base);
    if (!name) return fail("INCONSISTENT DEBUG INFO\n\nPROBABLE TARGET MISMATCH\n");
    uint32_t nameat = dbgword(node + 8);
    uint8_t cls = nameat ? dbgbyte(nameat + dbgstrlen(nameat) + 1) : 0;
    std::string sig = std::string(classtext(cls)) + name + " ";
    if (base == 72) {
        uint32_t at = dbgword(node + 24) + (regmapon ? 4 : 0) + 4 * nderivations(fn->type);
        sig += treetag(dbgword(at));
    }
    for (int k = 0; k < nderivations(fn->type); ++k)
        if (derivation(fn->type, k) == DERIV_POINTER) sig += '*';
    fn->signature = newtext(sig);
    fn->argtext = newtext(list ? argstext(list, fn) : std::string());
    return true;
}

// The variable records of a function: one block for the array and the
// class-18 area.
static void ldlocals(uint32_t list, FuncRec* fn) {
    uint32_t count = countentries(list);
    bool format4 = loadformat == '4';
    std::vector<LocalRec> all(count);
    for (uint32_t i = 0; i < count && !faulted && buildmessage.empty(); ++i) {
        LocalRec& rec = all[i];
        uint32_t entry = list + 16 * i;
        readname(&rec, entry);
        if (rec.cls == CL_REGISTER || rec.cls == CL_REGARG) fn->hasreg = 1;
        if (rec.cls == CL_LOCAL18) continue;  // name and value only
        uint32_t regnumber = dbgregister;
        rec.type = dbgtype(entry + 8);
        rec.detail = ldtypedetail(&rec, entry, 0);
        rec.size = typesize(&rec);
        if (isargclass(rec.cls) && (fn->type == 72 || fn->type == 41 || fn->type == 42)) rec.value += 2;
        if (rec.cls == CL_REGARG) {
            rec.offset5 = rec.value;
            rec.value = static_cast<uint16_t>(regnumber);
        }
        if (!format4) continue;
        if (rec.type == 1 && rec.detail && !rec.detail->words.empty()) {
            uint32_t& bit = rec.detail->words[0];
            if (bit) {
                bit >>= 8;
            } else {
                bit = rec.value & 7;
                rec.value = static_cast<uint16_t>(rec.value >> 3);
            }
        }
        if (rec.cls == CL_ARG && fn->start && (fn->start->flags & DE_PLUS)) rec.value += 1;
    }
    std::vector<LocalRec*> order, area18;
    std::vector<LocalRec*> args;
    for (LocalRec& rec : all) {
        if (rec.cls == CL_LOCAL18) area18.push_back(&rec);
        else if (isargclass(rec.cls)) args.push_back(&rec);
    }
    if (format4) {
        // Arguments first by value, the others in list order.
        std::stable_sort(args.begin(), args.end(), [](const LocalRec* a, const LocalRec* b) { return a->value < b->value; });
    } else {
        std::reverse(args.begin(), args.end());
    }
    order = args;
    for (LocalRec& rec : all)
        if (rec.cls != CL_LOCAL18 && !isargclass(rec.cls)) order.push_back(&rec);

    auto* block = static_cast<LocalRec*>(newnode(sizeof(LocalRec) * (count + 1), nullptr));
    fn->locals = block;
    fn->nlocals = static_cast<uint32_t>(order.size());
    fn->nargs = static_cast<uint32_t>(args.size());
    fn->localsend = block + order.size();
    fn->nclass18 = static_cast<uint32_t>(area18.size());
    fn->members18 = area18.empty() ? nullptr : fn->localsend + 1;
    for (std::size_t i = 0; i < order.size(); ++i) block[i] = *order[i];
    for (std::size_t i = 0; i < area18.size(); ++i) fn->members18[i] = *area18[i];
    fn->firstlocal = fn->localsend;
    for (LocalRec* l = block; l < fn->localsend; ++l) {
        if (format4) l->func = fn;
        if (fn->firstlocal == fn->localsend &&
            (l->cls == CL_AUTO || l->cls == CL_REGISTER || l->cls == CL_STATICAUTO || l->cls == CL_STATIC))
            fn->firstlocal = l;
    }
    if (format4)
        for (uint32_t i = 0; i < fn->nclass18; ++i) fn->members18[i].func = fn;
}

// The names of the functions called and the variables referenced: the debug
// strings at the two words of the reference node.
static void ldcalled(FuncRec* fn, uint32_t node) {
    if (!debugstrings || !fn->name[0]) return;
    uint32_t ref = dbgword(node + 32);
    for (int which = 0; which < 2; ++which) {
        uint32_t at = ref + 4 * which;
        uint32_t count = dbgword(at);
        std::string packed;
        uint32_t n = 0;
        auto first = build->strings.find(at);
        for (DebugEntry* e = first == build->strings.end() ? nullptr : first->second;
             e && e->addr == at && n < count; e = e->next) {
            std::string name = e->text()[0] ? e->text() + 1 : "";
            if (name.empty()) continue;
            if (name.size() > 255) name.resize(255);
            packed += static_cast<char>(name.size());
            packed += name;
            packed += '\0';
            fn->longestcalled = std::max(fn->longestcalled, static_cast<uint32_t>(name.size()));
            ++n;
        }
        if (!n) continue;
        packed += '\0';
        auto* list = static_cast<uint8_t*>(std::malloc(packed.size()));
        if (!list) throw std::bad_alloc();
        std::memcpy(list, packed.data(), packed.size());
        (which ? fn->nrefs : fn->ncalled) = n;
        (which ? fn->refs : fn->called) = list;
    }
}

bool buildfile(DebugEntry* entry) {
    if (!build) beginbuild();
    buildmessage.clear();
    dbgclear();
    uint32_t node = entry->addr;
    std::string filename = dbgstr(dbgword(node));
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        if (filename == f->name) f->flags |= FILE_NOTUNIQUE;
    auto* file = static_cast<FileRec*>(newnode(sizeof(FileRec), filelist));
    filelist = file;
    file->name = newtext(filename);
    file->option = curoption;
    build->files[entry] = file;
    services().showloadfile(file->name);
    services().gaugestep(1);

    std::unordered_set<uint32_t> seen;
    FuncRec** link = &file->funcs;
    FuncRec* last = nullptr;
    for (uint32_t fnode = dbgword(node + 4); fnode && !faulted; fnode = dbgword(fnode)) {
        if (LoadAbortFlag) return true;
        if (!seen.insert(fnode).second) return fail("the function nodes of " + printable(filename) + " form a loop");
        auto* fn = static_cast<FuncRec*>(newnode(sizeof(FuncRec), nullptr));
        *link = fn;
        link = &fn->next;
        last = fn;
        fn->file = file;
        funcindex = static_cast<FuncIndex*>(newnode(sizeof(FuncIndex), funcindex));
        funcindex->offset = fnode;
        funcindex->func = fn;
        funcindexchanged();
        uint32_t nameat = dbgword(fnode + 8);
        fn->name = nameat ? dbgname(nameat, false) : newtext("", 0);
        if (!nameat) {
            fn->nextunnamed = unnamedfuncs;
            unnamedfuncs = fn;
        }
        fn->timing = fn->curtiming = static_cast<ChronBlock*>(newnode(sizeof(ChronBlock), nullptr));
        services().showloadfunction(fn->name);
        services().gaugestep(1);
        fn->firstline = dbgword(fnode + 12);
        fn->lastline = dbgword(fnode + 16);
        fn->active = 1;
        fn->work1 = -1;
        fn->type = dbgtype(fnode + 20);
        uint32_t list = dbgword(fnode + 28);
        if (dbgword(fnode) && !funcsig(fnode, fn, list)) return false;
        if (!fn->signature) fn->signature = newtext("", 0);
        if (!fn->argtext) fn->argtext = newtext("", 0);

        auto start = build->starts.find(startkey(file->name, fn->name));
        if (start == build->starts.end()) {
            if (fn->name[0]) continue;  // a named function without code
        } else {
            fn->start = start->second;
            if (std::strcmp(fn->name, ".") == 0) {
                fn->setup = fn->start;
            } else if (auto setup = build->setups.find(fn->start); setup != build->setups.end()) {
                fn->setup = setup->second;
            }
        }
        if (list) {
            if (loadformat != '3' && loadformat != '4') return fail("Unknown format for Locals ");
            ldlocals(list, fn);
        }
        if (!buildmessage.empty()) return false;
        ldcalled(fn, fnode);
    }
    if (faulted) return false;
    if (last) {
        file->firstline = last->firstline;
        file->lastline = last->lastline;
    }
    return true;
}

int builddefines() {
    if (!build) return 1;
    std::vector<DebugEntry*> files;
    DebugEntry* lastentry = nullptr;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind == DBG_FILE) files.push_back(e);
        lastentry = e;
    }
    DebugEntry* s = stringlist;
    for (std::size_t i = 0; i < files.size(); ++i) {
        uint32_t low = files[i]->addr, high = i + 1 < files.size() ? files[i + 1]->addr : lastentry->addr;
        std::vector<DebugEntry*> defines;
        while (s && s->addr <= low) s = s->next;
        for (; s && s->addr <= high; s = s->next)
            if (s->text()[0] && s->text()[1] == '#') defines.push_back(s);
        auto found = build->files.find(files[i]);
        if (found == build->files.end() || defines.empty()) continue;
        FileRec* file = found->second;
        file->ndefines = static_cast<uint32_t>(defines.size());
        file->defentries = static_cast<DebugEntry**>(std::calloc(defines.size(), sizeof(DebugEntry*)));
        file->deftexts = static_cast<char**>(std::calloc(defines.size(), sizeof(char*)));
        if (!file->defentries || !file->deftexts) throw std::bad_alloc();
        for (std::size_t k = 0; k < defines.size(); ++k) {
            file->defentries[k] = defines[k];
            file->deftexts[k] = newtext(dbgstr(defines[k]->addr));
        }
    }
    return 1;
}

}  // namespace vy
