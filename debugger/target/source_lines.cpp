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
uint8_t resetstart;
uint8_t forwardflag;
DebugEntry* enteredline;

namespace {

// The main list as a table: its entries in list order (ascending address),
// one bit per address that has an entry, and the debug-table reference of
// every named function start; made again after the list changed.
struct EntryTable {
    bool stale = true;
    std::vector<DebugEntry*> all;
    uint64_t at[65536 / 64];
    std::unordered_map<const DebugEntry*, DebugEntry*> tables;
    // The line range perfcount found last: addresses strictly between low
    // and high count for entry (null: for nothing).
    int32_t perflow = 0, perfhigh = -1;
    DebugEntry* perfentry = nullptr;
};
EntryTable table;

bool passedover(const DebugEntry* e) {
    return e->kind == DBG_FUNCREF || e->kind == DBG_FUNCEND || e->kind == DBG_FILE;
}

bool islinekind(const DebugEntry* e) { return e->kind == DBG_LINE || e->kind == DBG_FUNCSTART; }

void rebuild() {
    EntryTable& t = table;
    t.all.clear();
    t.tables.clear();
    std::memset(t.at, 0, sizeof t.at);
    std::unordered_map<std::string, DebugEntry*> refs;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        t.all.push_back(e);
        if (e->addr <= 0xFFFF) t.at[e->addr >> 6] |= uint64_t{1} << (e->addr & 63);
        if (e->kind == DBG_FUNCREF && e->name) refs.emplace(std::string(e->text()) + '\x01' + e->name, e);
    }
    for (DebugEntry* e : t.all) {
        if (e->kind != DBG_FUNCSTART || !e->name || !e->name[0]) continue;
        auto found = refs.find(std::string(e->text()) + '\x01' + e->name);
        if (found != refs.end()) t.tables.emplace(e, found->second);
    }
    t.perflow = 0;
    t.perfhigh = -1;
    t.perfentry = nullptr;
    t.stale = false;
}

EntryTable& entries() {
    if (table.stale) rebuild();
    return table;
}

bool hasentry(const EntryTable& t, uint16_t address) { return (t.at[address >> 6] >> (address & 63)) & 1; }

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

void entrieschanged() { table.stale = true; }

DebugEntry* entryat(uint16_t address) {
    EntryTable& t = entries();
    if (!hasentry(t, address)) return nullptr;
    for (std::size_t i = firstfrom(t, address); i < t.all.size() && t.all[i]->addr == address; ++i) {
        DebugEntry* e = t.all[i];
        if (!passedover(e)) return e;
        if (e->kind == DBG_FUNCEND && e->next && e->next->addr == address) return e->next;
    }
    return nullptr;
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
    DebugEntry* found = nullptr;
    for (std::size_t i = firstfrom(t, entry->addr); i < t.all.size() && t.all[i]->addr == entry->addr; ++i) {
        if (t.all[i]->kind != kind) continue;
        found = t.all[i];
        if (kind != DBG_LINE) break;
    }
    return found;
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
    if (hasentry(t, address)) {
        for (std::size_t i = firstfrom(t, address); i < t.all.size() && t.all[i]->addr == address; ++i) {
            DebugEntry* e = t.all[i];
            if (!islinekind(e)) continue;
            DebugEntry* second = e->next ? e->next->next : nullptr;
            if (e->kind == DBG_FUNCSTART && second && second->addr == address) {
                second->cycles += cycles;
                ++second->calls;
                ++e->calls;
            } else {
                e->cycles += cycles;
                ++e->calls;
            }
            return;
        }
        return;
    }
    // Between entries: the entry below gets the cycles. Instructions of one
    // line follow each other, so the range found last usually serves.
    if (address <= t.perflow || address >= t.perfhigh) {
        std::size_t above = firstabove(t, address);
        t.perflow = above > 0 ? static_cast<int32_t>(t.all[above - 1]->addr) : -1;
        t.perfhigh = above < t.all.size() ? static_cast<int32_t>(std::min<uint32_t>(t.all[above]->addr, 0x10000))
                                           : 0x10000;
        DebugEntry* below = above > 0 ? t.all[above - 1] : nullptr;
        bool counts = below && below->kind != DBG_SETUP && below->kind != DBG_FUNCREF && below->kind != DBG_FILE;
        t.perfentry = counts ? below : nullptr;
    }
    if (t.perfentry) t.perfentry->cycles += cycles;
}

static void trace(int kind, DebugEntry* e) {
    if (runflags.srctrace && e) services().trcrecord(kind, e);
}

int enterline(DebugEntry* entry) {
    forwardflag = 0;
    if (!entry) return 0;
    if (runpos.exitpending && !reckind(entry, DBG_EXIT)) exitfunc();
    if (entry->func && !entry->func->active) {
        enterfunc(0, entry);
        trace(1, reckind(entry, DBG_LINE));
        return 1;
    }
    int count = 0;
    DebugEntry* start = reckind(entry, DBG_FUNCSTART);
    if (start && start->name && start->name[0]) {
        if (start->func) ++start->func->calls;
        EntryTable& t = entries();
        auto ref = t.tables.find(start);
        if (ref == t.tables.end()) {
            // The program cannot be followed: reported, and the run ends.
            dberror({"can't locate debug tables for: ", printable(start->text()), " ", printable(start->name)});
            dberror({msgtext(MSG_STRIKEKEY)});
            LoadFailed = 1;
            return 0;
        }
        if (enterfunc(ref->second->addr, nullptr)) {
            frameline(start);
            if (start->func && start->func->active) trace(1, start);
            forwardflag = 1;
            count = 1;
        }
    }
    if (DebugEntry* setup = reckind(entry, DBG_SETUP)) frameset(argbase(), setup, count);
    if (DebugEntry* line = reckind(entry, DBG_LINE)) {
        enteredline = forwardflag ? line : nullptr;
        frameline(line);
        if (line->func && line->func->active) trace(1, line);
        ++count;
    }
    if (DebugEntry* exit = exitat(entry)) {
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
int32_t lastpc = -1;
bool lastentered = false;
}  // namespace

void forgetinterrupts() {
    interrupted.clear();
    lastpc = -1;
}

DebugEntry* lineupdate(uint16_t frompc, bool tookinterrupt) {
    uint16_t pc = getpc();
    if (tookinterrupt) {
        if (interrupted.size() == MAXINTERRUPTED) interrupted.erase(interrupted.begin());
        interrupted.push_back({frompc, lastpc == frompc && lastentered});
    } else if (!interrupted.empty() && interrupted.back().pc == pc &&
               getpage(frompc)->data[frompc & (PAGESIZE - 1)] == 0x3B) {
        bool entered = interrupted.back().entered;
        interrupted.pop_back();
        if (entered) return nullptr;
    }
    DebugEntry* e = curline(pc);
    if (e) enterline(e);
    lastpc = pc;
    lastentered = !intpending();
    return e;
}

static void entrypoint(const std::string& rest) {
    dbputs({msgtext(MSG_ENTRYPOINT), " ", rest, "\n"});
}

int startpoint(const char* text) {
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
