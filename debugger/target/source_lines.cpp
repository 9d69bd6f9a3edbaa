#include "debugger/target/source_lines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/queries.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

DebugEntry* currentline;
uint16_t startaddress;
uint8_t startfound;
uint8_t resetstart;
uint8_t forwardflag;
DebugEntry* enteredline;
DebugEntry* updateline;

namespace {

// The entries that share an address: where they stand in the table, and
// the ones that line entry and the counts look for.
struct Group {
    uint32_t addr;
    uint32_t first, count;  // positions in the table
    DebugEntry* atpc;       // what curline yields there, or null
    DebugEntry* start;      // the first function start
    DebugEntry* setup;      // the first frame set-up
    DebugEntry* line;       // the last line
    DebugEntry* exit;       // the first function exit
    DebugEntry* counted;    // the first line or function start
    DebugEntry* ref;        // the debug-table reference of a named start
    DebugEntry* tail;       // the entry that counts the cycles above the group
    DebugEntry* exitafter;  // the first function exit at or behind the group
    // What perfcount counts for a step from the group's address: the
    // cycles and an execution, and one more execution (or null).
    DebugEntry* lowcount;
    DebugEntry* lowextra;
};

// The main list as a table: its entries in list order (ascending address),
// its groups, and for every target address the group at or below it (its
// position plus 1, 0 for none); made again after the list changed. The run
// control looks an address up after every instruction.
struct EntryTable {
    bool stale = true;
    std::vector<DebugEntry*> all;
    std::vector<Group> groups;
    std::vector<uint32_t> below;
    // The stretch between two groups looked up last: the addresses above
    // low and below high have no entry; gap is the group at low (null when
    // none lies below). Instructions of one line fall in it one after the
    // other.
    int32_t low = 0, high = 0;
    const Group* gap = nullptr;
};
EntryTable table;

bool passedover(const DebugEntry* e) {
    return e->kind == DBG_FUNCREF || e->kind == DBG_FUNCEND || e->kind == DBG_FILE;
}

bool islinekind(const DebugEntry* e) { return e->kind == DBG_LINE || e->kind == DBG_FUNCSTART; }

// The entry curline takes from a group: the first that is no function
// reference, end or file, or the successor of a function end at the same
// address.
DebugEntry* atpcof(const std::vector<DebugEntry*>& all, const Group& g) {
    for (uint32_t i = g.first; i < g.first + g.count; ++i) {
        DebugEntry* e = all[i];
        if (!passedover(e)) return e;
        if (e->kind == DBG_FUNCEND && e->next && e->next->addr == g.addr) return e->next;
    }
    return nullptr;
}

void rebuild() {
    EntryTable& t = table;
    t.all.clear();
    t.groups.clear();
    std::unordered_map<std::string, DebugEntry*> refs;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (t.groups.empty() || t.groups.back().addr != e->addr) {
            Group g{};
            g.addr = e->addr;
            g.first = static_cast<uint32_t>(t.all.size());
            t.groups.push_back(g);
        }
        Group& g = t.groups.back();
        ++g.count;
        t.all.push_back(e);
        switch (e->kind) {
        case DBG_FUNCSTART: if (!g.start) g.start = e; break;
        case DBG_SETUP: if (!g.setup) g.setup = e; break;
        case DBG_LINE: g.line = e; break;
        case DBG_EXIT: if (!g.exit) g.exit = e; break;
        case DBG_FUNCREF: if (e->name) refs.emplace(std::string(e->text()) + '\x01' + e->name, e); break;
        default: break;
        }
        if (!g.counted && islinekind(e)) g.counted = e;
    }
    DebugEntry* exitafter = nullptr;
    for (std::size_t i = t.groups.size(); i-- > 0;) {
        Group& g = t.groups[i];
        if (g.exit) exitafter = g.exit;
        g.exitafter = exitafter;
        DebugEntry* last = t.all[g.first + g.count - 1];
        if (last->kind != DBG_SETUP && last->kind != DBG_FUNCREF && last->kind != DBG_FILE) g.tail = last;
    }
    for (Group& g : t.groups) {
        g.atpc = atpcof(t.all, g);
        DebugEntry* e = g.counted;
        DebugEntry* second = e && e->next ? e->next->next : nullptr;
        bool both = e && e->kind == DBG_FUNCSTART && second && second->addr == g.addr;
        g.lowcount = both ? second : e;
        g.lowextra = both ? e : nullptr;
        if (!g.start || !g.start->name || !g.start->name[0]) continue;
        auto found = refs.find(std::string(g.start->text()) + '\x01' + g.start->name);
        if (found != refs.end()) g.ref = found->second;
    }
    t.low = t.high = 0;
    t.gap = nullptr;
    stretch.low = stretch.high = 0;
    stretch.tail = stretch.lowcount = stretch.lowextra = nullptr;
    t.below.assign(65536, 0);
    std::size_t next = 0;
    for (uint32_t a = 0; a < 65536; ++a) {
        while (next < t.groups.size() && t.groups[next].addr <= a) ++next;
        t.below[a] = static_cast<uint32_t>(next);
    }
    t.stale = false;
}

EntryTable& entries() {
    if (table.stale) rebuild();
    return table;
}

// The group at or below a target address, or null.
const Group* groupbelow(const EntryTable& t, uint16_t address) {
    uint32_t n = t.below[address];
    return n ? &t.groups[n - 1] : nullptr;
}

// Whether an address lies in the stretch looked up last; else the stretch
// above the group at or below the address becomes the one looked at (the
// address is in it unless the group stands at the address).
bool ingap(EntryTable& t, uint16_t address) {
    if (address > t.low && address < t.high) return true;
    uint32_t n = t.below[address];
    const Group* g = n ? &t.groups[n - 1] : nullptr;
    t.gap = g;
    t.low = g ? static_cast<int32_t>(g->addr) : -1;
    t.high = n < t.groups.size() ? static_cast<int32_t>(std::min<uint32_t>(t.groups[n].addr, 0x10000)) : 0x10000;
    stretch.low = t.low;
    stretch.high = t.high;
    stretch.tail = g ? g->tail : nullptr;
    stretch.lowcount = g ? g->lowcount : nullptr;
    stretch.lowextra = g ? g->lowextra : nullptr;
    return !(g && g->addr == address);
}

// The group at an address, or null.
const Group* groupat(const EntryTable& t, uint32_t address) {
    if (address > 0xFFFF) return nullptr;
    const Group* g = groupbelow(t, static_cast<uint16_t>(address));
    return g && g->addr == address ? g : nullptr;
}

// The position of the first entry at or above the address.
std::size_t firstfrom(const EntryTable& t, uint32_t address) {
    return static_cast<std::size_t>(
        std::lower_bound(t.all.begin(), t.all.end(), address,
                         [](const DebugEntry* e, uint32_t a) { return e->addr < a; }) -
        t.all.begin());
}

// The position of the first entry above the address.
std::size_t firstabove(const EntryTable& t, uint32_t address) { return firstfrom(t, address + 1); }

// The last entry at or below a position (exclusive end) of the wanted kinds.
template <class Wanted>
DebugEntry* lastbefore(const EntryTable& t, std::size_t end, Wanted wanted) {
    while (end > 0)
        if (wanted(t.all[--end])) return t.all[end];
    return nullptr;
}

}  // namespace

uint32_t entriesversion;

void entrieschanged() {
    ++entriesversion;
    table.stale = true;
    stretch.low = stretch.high = 0;  // looked up again after the rebuild
    stretch.tail = stretch.lowcount = stretch.lowextra = nullptr;
}

DebugEntry* entryat(uint16_t address) {
    const Group* g = groupat(entries(), address);
    return g ? g->atpc : nullptr;
}

DebugEntry* curline(uint16_t address) { return currentline = entryat(address); }

DebugEntry* lineat(uint16_t address) {
    EntryTable& t = entries();
    return lastbefore(t, firstabove(t, address), islinekind);
}

DebugEntry* recat(uint16_t address) {
    EntryTable& t = entries();
    return lastbefore(t, firstabove(t, address), [](const DebugEntry* e) {
        return e->kind == DBG_SETUP || e->kind == DBG_EXIT || islinekind(e);
    });
}

DebugEntry* linebelow(uint16_t address) {
    EntryTable& t = entries();
    return lastbefore(t, firstfrom(t, address), islinekind);
}

DebugEntry* nextline(uint16_t address, int lines) {
    EntryTable& t = entries();
    for (std::size_t i = firstabove(t, address); i < t.all.size(); ++i) {
        DebugEntry* e = t.all[i];
        if (islinekind(e) || (!lines && e->kind == DBG_FUNCEND)) return e;
    }
    return nullptr;
}

DebugEntry* reckind(const DebugEntry* entry, uint8_t kind) {
    if (!entry) return nullptr;
    EntryTable& t = entries();
    const Group* g = groupat(t, entry->addr);
    if (!g) return nullptr;
    switch (kind) {
    case DBG_FUNCSTART: return g->start;
    case DBG_SETUP: return g->setup;
    case DBG_LINE: return g->line;
    case DBG_EXIT: return g->exit;
    default:
        for (uint32_t i = g->first; i < g->first + g->count; ++i)
            if (t.all[i]->kind == kind) return t.all[i];
        return nullptr;
    }
}

DebugEntry* exitfrom(uint16_t address) {
    const Group* g = groupbelow(entries(), address);
    if (g && g->addr == address) return g->exitafter;
    for (DebugEntry* e = g ? table.all[g->first + g->count - 1]->next : debuglist; e; e = e->next)
        if (e->kind == DBG_EXIT) return e;
    return nullptr;
}

DebugEntry* exitat(const DebugEntry* entry) {
    if (!entry) return nullptr;
    uint16_t pc = getpc();
    if (entry->addr == pc) return reckind(entry, DBG_EXIT);
    for (DebugEntry* e = entry->next; e && e->addr <= pc; e = e->next)
        if (e->kind == DBG_EXIT) return e;
    return nullptr;
}

DebugEntry* functable(const char* file, const char* name) {
    for (DebugEntry* e = debuglist; e; e = e->next)
        if (e->kind == DBG_FUNCREF && e->name && std::strcmp(e->name, name) == 0 &&
            (!file || std::strcmp(e->text(), file) == 0))
            return e;
    return nullptr;
}

DebugEntry* findline(DebugEntry* start, const char* file, uint32_t line, uint32_t col, int exact) {
    for (DebugEntry* e = start ? start : debuglist; e; e = e->next) {
        if (!(e->kind == DBG_LINE || e->kind == DBG_FUNCEND || e->kind == DBG_FUNCSTART)) continue;
        if (std::strcmp(e->text(), file) != 0) continue;
        if (exact) {
            if (e->line == line && e->col == col) return e;
        } else {
            uint32_t end = e->endline == e->line ? e->line + 1u : e->endline;
            if (e->line <= line && line < end) return e;
        }
    }
    return nullptr;
}

int32_t lineaddr(const char* file, uint32_t line, uint32_t col) {
    std::string name;
    if (file) {
        name = file;
    } else {
        EntryTable& t = entries();
        DebugEntry* here = lastbefore(t, firstabove(t, getpc()), [](const DebugEntry*) { return true; });
        if (!here) {
            msgout(MSG_NOSOURCELINE);
            return -1;
        }
        name = here->text();
    }
    // Only entries of source lines: a set-up entry's numbers are frame sizes.
    for (DebugEntry* e = debuglist; e; e = e->next)
        if ((e->kind == DBG_LINE || e->kind == DBG_FUNCEND || e->kind == DBG_FUNCSTART) && e->line == line &&
            e->col == col && name == e->text())
            return static_cast<int32_t>(e->addr & 0xFFFF);
    msgout(MSG_NOSOURCELINE);
    return -1;
}

void addrrange(uint16_t address, uint16_t* low, uint16_t* high) {
    EntryTable& t = entries();
    std::size_t above = firstabove(t, address);
    *low = above > 0 ? static_cast<uint16_t>(t.all[above - 1]->addr) : 0;
    *high = above < t.all.size() && t.all[above]->addr <= 0x10000 ? static_cast<uint16_t>(t.all[above]->addr - 1)
                                                                  : 0xFFFF;
}

int isstop(uint16_t address) {
    if (!insource(address)) return 0;
    DebugEntry* here = recat(address);
    FuncRec* fn = here ? here->func : nullptr;
    if (!fn || !fn->active || !fn->start) return 0;
    for (DebugEntry* e = fn->start; e; e = e->next) {
        if (e->addr == address &&
            (fn->state || e->kind == DBG_SETUP || e->kind == DBG_EXIT || e->kind == DBG_FUNCSTART))
            return 1;
        if (e->kind == DBG_FUNCEND && e != fn->start) break;
    }
    return 0;
}

std::string rdstring(uint16_t address, int onemore) {
    constexpr int LIMIT = 127;
    std::string text;
    uint16_t a = address;
    for (int i = 0; i < LIMIT; ++i, ++a) {
        char c = static_cast<char>(rdbyte(a));
        if (!c) break;
        text += c;
    }
    if (onemore) {
        text += '\0';
        text += static_cast<char>(rdbyte(static_cast<uint16_t>(address + text.size())));
    }
    return text;
}

void perfcount(uint16_t address, uint32_t before) {
    uint32_t cycles = (timeptr ? *timeptr : 0) - before;
    EntryTable& t = entries();
    if (ingap(t, address)) {
        // Between entries: the last entry below gets the cycles, unless it
        // is a set-up, reference or file entry.
        if (t.gap && t.gap->tail) t.gap->tail->cycles += cycles;
        return;
    }
    DebugEntry* e = groupbelow(t, address)->counted;  // a group stands at the address
    if (e) countentry(e, address, cycles);
}

void countentry(DebugEntry* e, uint16_t address, uint32_t cycles) {
    DebugEntry* second = e->next ? e->next->next : nullptr;
    if (e->kind == DBG_FUNCSTART && second && second->addr == address) {
        second->cycles += cycles;
        ++second->calls;
        ++e->calls;
    } else {
        e->cycles += cycles;
        ++e->calls;
    }
}

static void trace(int kind, DebugEntry* e) {
    if (runflags.srctrace && e) services().trcrecord(kind, e);
}

static int entergroup(DebugEntry* entry, const Group* g);

int enterline(DebugEntry* entry) {
    forwardflag = 0;
    if (!entry) return 0;
    const Group* g = groupat(entries(), entry->addr);
    return g ? entergroup(entry, g) : 0;  // an entry not on the list does nothing
}

static int entergroup(DebugEntry* entry, const Group* g) {
    forwardflag = 0;
    if (runpos.exitpending && !g->exit) exitfunc();
    if (entry->func && !entry->func->active) {
        enterfunc(0, entry);
        trace(1, g->line);
        // Its exit still ends its call, at the next step.
        if (g->exit && entry->addr == getpc()) {
            runpos.exitpending = 1;
            runpos.exitentry = g->exit;
        }
        return 1;
    }
    int count = 0;
    DebugEntry* start = g->start;
    if (start && start->name && start->name[0]) {
        if (start->func) ++start->func->calls;
        if (!g->ref) {
            // The program cannot be followed: reported, and the run ends.
            dberror({"can't locate debug tables for: ", printable(start->text()), " ", printable(start->name)});
            dberror({msgtext(MSG_STRIKEKEY)});
            LoadFailed = 1;
            return 0;
        }
        if (enterfunc(g->ref->addr, nullptr)) {
            frameline(start);
            if (start->func && start->func->active) trace(1, start);
            forwardflag = 1;
            count = 1;
        }
    }
    if (DebugEntry* setup = g->setup) frameset(argbase(), setup, count);
    if (DebugEntry* line = g->line) {
        enteredline = forwardflag ? line : nullptr;
        frameline(line);
        if (line->func && line->func->active) trace(1, line);
        ++count;
    }
    if (DebugEntry* exit = entry->addr == getpc() ? g->exit : exitat(entry)) {
        trace(0, exit);
        if (count == 0) {
            if (!exitfunc()) ++count;
        } else {
            runpos.exitpending = 1;
            runpos.exitentry = exit;
        }
    }
    forwardflag = 0;
    return count;
}

namespace {
// The places where the interrupts being served were taken, innermost
// last, with whether their entries had been entered in full; and the PC
// whose entries were entered last.
struct Interrupted {
    uint16_t pc;
    bool entered;
};
std::vector<Interrupted> interrupted;
constexpr std::size_t MAXINTERRUPTED = 256;  // handlers that never return
}  // namespace

LineStretch stretch;

void forgetinterrupts() {
    interrupted.clear();
    stretch.quiet = true;
    stretch.lastpc = -1;
}

DebugEntry* lineupdate(uint16_t frompc, uint32_t before, bool executed) {
    // A step from an entry's address into the stretch above it: perfcount
    // counts it for the entry there, and the new PC has no entry.
    if (executed && stretch.quiet && frompc == stretch.low) {
        uint16_t pc = getpc();
        if (pc > stretch.low && pc < stretch.high) {
            if (DebugEntry* e = stretch.lowcount) {
                e->cycles += (timeptr ? *timeptr : 0) - before;
                ++e->calls;
                if (stretch.lowextra) ++stretch.lowextra->calls;
            }
            currentline = nullptr;
            stretch.lastpc = pc;
            stretch.lastentered = true;
            return nullptr;
        }
    }
    return lineupdatefull(frompc, before, executed);
}

DebugEntry* lineupdatefull(uint16_t frompc, uint32_t before, bool executed) {
    if (executed) perfcount(frompc, before);
    uint16_t pc = getpc();
    if (!executed) {
        if (interrupted.size() == MAXINTERRUPTED) interrupted.erase(interrupted.begin());
        interrupted.push_back({frompc, stretch.lastpc == frompc && stretch.lastentered});
        stretch.quiet = false;
    } else if (!interrupted.empty() && interrupted.back().pc == pc &&
               getpage(frompc)->data[frompc & (PAGESIZE - 1)] == 0x3B) {
        bool entered = interrupted.back().entered;
        interrupted.pop_back();
        stretch.quiet = interrupted.empty();
        if (entered) {
            // Still entered in full: an interrupt taken here at once
            // comes back to entries that are not to be entered again.
            stretch.lastpc = pc;
            stretch.lastentered = true;
            return nullptr;
        }
    }
    EntryTable& t = entries();
    const Group* g = ingap(t, pc) ? nullptr : groupat(t, pc);
    DebugEntry* e = currentline = g ? g->atpc : nullptr;
    stretch.lastpc = pc;
    stretch.lastentered = true;
    if (!e) return nullptr;
    updateline = g->line;
    entergroup(e, g);
    stretch.lastentered = !intpending();
    return e;
}

static void entrypoint(const std::string& rest) {
    dbputs({msgtext(MSG_ENTRYPOINT), " ", rest, "\n"});
}

static int choosestart(const char* text);

int startpoint(const char* text) { return startfound = static_cast<uint8_t>(choosestart(text)); }

static int choosestart(const char* text) {
    if (text && std::string(text) == "reset") {
        cpureset();
        startaddress = getpc();
        entrypoint(hexaddr(startaddress));
        return 1;
    }
    if (text && *text) {
        char* end;
        unsigned long n = std::strtoul(text, &end, 0);
        if (*end == '\0') {
            startaddress = static_cast<uint16_t>(n);
            for (SymRec* s = symlist; s; s = s->next) {
                if (s->value == startaddress && s->name()[0] == '_') {
                    entrypoint(hexaddr(startaddress) + " (_" + (s->name() + 1) + ")");
                    return 1;
                }
            }
            dberror({msgtext(MSG_ENTRYPOINT), " ", hexaddr(startaddress), "\n"});
            return 0;
        }
        std::string symbol(1, '_');
        symbol += text;
        if (SymRec* s = rensym(symbol.c_str())) {
            startaddress = static_cast<uint16_t>(s->value);
            entrypoint(std::string(text) + " (" + hexaddr(startaddress) + ")");
            return 1;
        }
        dberror({msgtext(MSG_BADENTRY), ": ", printable(text), "\n"});
        LoadFailed = 1;
        return 0;
    }
    for (const char* name : {"__stext", "__text", ".text"}) {
        if (SymRec* s = rensym(name)) {
            startaddress = static_cast<uint16_t>(s->value);
            entrypoint(hexaddr(startaddress));
            return 1;
        }
    }
    startaddress = 0;
    dberror({msgtext(MSG_BADENTRY)});
    return 0;
}

// Runs a command of the older core with memory events disarmed, as a
// listing when listing is set.
static void quietly(const char* command, bool listing) {
    uint8_t armed = runflags.armed, wasl = runflags.listing;
    runflags.armed = 0;
    if (listing) runflags.listing = 1;
    services().interp(command, 1);
    runflags.armed = armed;
    runflags.listing = wasl;
}

void runlistcmd() {
    dbputs({"\n"});
    quietly("E", true);
}

// The source file lineannot reads: the last one asked for, and the number
// of the line it reads next.
namespace {
struct SourceReader {
    std::string name;
    std::FILE* file = nullptr;
    uint32_t next = 1;
    void close() {
        if (file) std::fclose(file);
        file = nullptr;
    }
    ~SourceReader() { close(); }
};
SourceReader source;

// One line up to and including its line feed; false at the end.
bool srcline1(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    while ((c = std::getc(f)) != EOF) {
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    return !line.empty();
}
}  // namespace

int lineannot(const DebugEntry* entry) {
    if (!entry) return 0;
    const char* name = entry->text();
    if (!source.file || source.name != name || entry->line < source.next) {
        source.close();
        source.name = name;
        source.file = services().srcopen(name);
        source.next = 1;
    }
    if (!source.file) {
        outprintf("%+ np %p %p%i\n", 24, name, "", msgtext(MSG_LINEPREFIX), entry->line);
        return 0;
    }
    int printed = 0;
    std::string line;
    uint32_t last = std::max(entry->line, entry->endline);
    while (source.next <= last) {
        if (!srcline1(source.file, line)) {
            source.close();
            break;
        }
        if (source.next++ < entry->line) continue;
        outprintf("%p:%i | %b", name, source.next - 1, line.data(), static_cast<uint32_t>(line.size()));
        ++printed;
    }
    return printed;
}

void runblock(const char* text) {
    std::string block = "{";
    block += skipwhite(text);
    block += " }";
    quietly(block.c_str(), false);
}

void srcrange(const char* file, const char* prefix, uint32_t first, uint32_t last) {
    constexpr uint32_t MAXLINES = 65536;  // a range from a typing slip ends
    for (uint32_t line = first, n = 0; line <= last && n < MAXLINES; ++line, ++n) {
        const char* text = services().readsrcline(file, line);
        outprintf("%p():%i%p\n", prefix, line, text ? text : "");
        if (line == UINT32_MAX) break;
    }
}

void framelist(uint32_t count, int mode, int mixed) {
    FrameNode* f = curframe;
    if (!f || !f->func || !f->func->file) {
        msgout(MSG_NOFRAME);
        return;
    }
    FileRec* file = f->func->file;
    uint32_t current = f->line, first;
    if (mode == 1) first = current;
    else if (mode == 0) first = current > count / 2 ? current - count / 2 : 1;
    else first = current >= count ? current - count + 1 : 1;
    for (uint32_t line = first; line < first + count; ++line) {
        const char* text = services().readsrcline(file->name, line);
        outprintf("%p%i %p\n", line == current ? "==>>" : "    ", line, text ? text : "");
        if (!mixed) continue;
        if (DebugEntry* e = linecode(file, line)) {
            uint16_t low, high;
            addrrange(static_cast<uint16_t>(e->addr), &low, &high);
            char command[32];
            std::snprintf(command, sizeof command, "e 0x%x,0x%x", static_cast<unsigned>(e->addr & 0xFFFF),
                          static_cast<unsigned>(high));
            quietly(command, true);
        }
    }
}

}  // namespace vy
