#include "debugger/target/interrupts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

// The 68HC11's interrupt sources with their vector addresses; the position
// is the mask bit, bit 0 serving first.
static IntDesc builtin[] = {
    {"COP clock fail", 0xFFFC, 1u << 0},
    {"COP fail", 0xFFFA, 1u << 1},
    {"XIRQ", 0xFFF4, 1u << 2},
    {"IRQ", 0xFFF2, 1u << 3},
    {"Real Time Interrupt", 0xFFF0, 1u << 4},
    {"Timer Input 1", 0xFFEE, 1u << 5},
    {"Timer Input 2", 0xFFEC, 1u << 6},
    {"Timer Input 3", 0xFFEA, 1u << 7},
    {"Timer Output 1", 0xFFE8, 1u << 8},
    {"Timer Output 2", 0xFFE6, 1u << 9},
    {"Timer Output 3", 0xFFE4, 1u << 10},
    {"Timer Output 4", 0xFFE2, 1u << 11},
    {"Timer Output 5", 0xFFE0, 1u << 12},
    {"Timer Overflow", 0xFFDE, 1u << 13},
    {"Pulse acc overflow", 0xFFDC, 1u << 14},
    {"Pulse Input Edge", 0xFFDA, 1u << 15},
    {"SPI", 0xFFD8, 1u << 16},
    {"SCI", 0xFFD6, 1u << 17},
    {nullptr, 0, 0},
};

IntDesc* inttable = builtin;

// A table read from a file, with its names.
struct LoadedTable {
    std::vector<std::string> names;
    std::vector<IntDesc> descs;
};
static std::unique_ptr<LoadedTable> loaded;

IntDesc* builtininttable() { return builtin; }

int intcount() {
    int n = 0;
    while (inttable[n].name) ++n;
    return n;
}

uint32_t intvector(uint32_t mask) {
    for (IntDesc* d = inttable; d->name; ++d)
        if (d->mask == mask) return d->vector;
    return 0;
}

uint32_t getcycles() { return timeptr ? *timeptr : 0; }

int raiseint(uint32_t vector, const char* name, int byname) {
    for (IntDesc* d = inttable; d->name; ++d) {
        if (byname ? std::strcmp(d->name, name) == 0 : d->vector == vector) {
            if (irqptr) *irqptr |= d->mask;
            return 1;
        }
    }
    return 0;
}

TriggerWatch triggerwatch;

// The sources whose location trigger is armed, each with whether the
// function and line last checked lay in its range.
struct Armed {
    IntDesc* d;
    const FuncRec* func;
    uint32_t line;
    bool in;
};
static std::vector<Armed> locarmed;

void triggerschanged() {
    TriggerWatch& w = triggerwatch;
    w = TriggerWatch{};
    w.nextdue = std::numeric_limits<uint32_t>::max();
    w.lowaddr = 0xFFFF;
    w.inrange = true;  // the next check looks
    locarmed.clear();
    for (IntDesc* d = inttable; d->name; ++d) {
        if (d->timeactive) {
            w.timed = true;
            if (d->nexttime < w.nextdue) w.nextdue = d->nexttime;
        }
        if (!d->locactive) continue;
        locarmed.push_back({d, nullptr, 0, false});
        if (d->byaddress) {
            w.byaddress = true;
            if (d->address < w.lowaddr) w.lowaddr = d->address;
            if (d->address > w.highaddr) w.highaddr = d->address;
        } else {
            w.ranges = true;
        }
    }
    w.armed = w.timed || !locarmed.empty();
}

void resettriggers() {
    for (IntDesc* d = inttable; d->name; ++d) {
        d->timeactive = d->timetriggered = 0;
        d->nexttime = d->firstat = d->period = 0;
        d->locactive = d->loctriggered = 0;
        d->byaddress = d->wholefunc = 0;
        d->staysactive = 0;
        d->hitcount = 1;
        d->hits = 0;
        d->file = nullptr;
        d->func = nullptr;
        d->firstline = d->lastline = 0;
        d->address = 0;
    }
    triggerschanged();
}

static void warnfile(const std::string& text, const std::string& path) {
    dberror({text, printable(path), "\nWill use default description"});
}

// One source line: the vector (at most 20 characters, read with automatic
// base, 16 bits), blanks, the name. False for anything else.
static bool sourceline(const std::string& line, uint32_t& vector, std::string& name) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    std::size_t end = line.find_first_of(" \t", start);
    if (end == std::string::npos || end - start > 20) return false;
    std::string number = line.substr(start, end - start);
    char* stop;
    unsigned long value = std::strtoul(number.c_str(), &stop, 0);
    if (*stop || number[0] == '-' || number[0] == '+' || value > 0xFFFF) return false;
    std::size_t first = line.find_first_not_of(" \t", end);
    if (first == std::string::npos) return false;
    vector = static_cast<uint32_t>(value);
    name = line.substr(first);
    return true;
}

bool readinttable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        warnfile("Can't open INTERRUPT file ", path);
        return false;
    }
    constexpr long LIMIT = 64 * 1024;  // 32 sources take far less
    long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    std::rewind(f);
    if (size < 0 || size > LIMIT) {
        std::fclose(f);
        warnfile("Too large INTERRUPT file ", path);
        return false;
    }
    auto table = std::make_unique<LoadedTable>();
    std::vector<uint32_t> vectors;
    std::string line;
    int lineno = 0;
    bool bad = false, toomany = false;
    while (!bad && !toomany && readtextline(f, line)) {
        ++lineno;
        if (line.empty() || line[0] == ';' || line[0] == '\r' || line[0] == '\n') continue;
        uint32_t vector;
        std::string name;
        if (!sourceline(line, vector, name)) {
            bad = true;
        } else if (vectors.size() == MAXINTS) {
            toomany = true;
        } else {
            vectors.push_back(vector);
            table->names.push_back(name);
        }
    }
    std::fclose(f);
    if (toomany) {
        dberror({"Too Many Interrupts (Max 32)"});
        return false;
    }
    if (bad) {
        warnfile("Bad line " + std::to_string(lineno) + " in INTERRUPT file ", path);
        return false;
    }
    if (vectors.empty()) {
        warnfile("No interrupt in INTERRUPT file ", path);
        return false;
    }
    std::size_t n = vectors.size();
    for (std::size_t k = 0; k < n; ++k)
        table->descs.push_back(IntDesc{table->names[k].c_str(), vectors[k], 1u << (n - 1 - k)});
    table->descs.push_back(IntDesc{nullptr, 0, 0});
    loaded = std::move(table);
    inttable = loaded->descs.data();
    triggerschanged();
    return true;
}

// "Timing Not Avalaible" is said once a session.
static bool timingwarned;

void LoadInterruptTable(int read) {
    if (read) {
        timingwarned = false;
        inttable = builtin;
        std::string path = services().profilestring("TARGET", "Interrupts", "VYRS11.INI");
        if (!path.empty()) readinttable(path);
    }
    resettriggers();
}

bool saveinttable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        dberror({"Can't write ", printable(path)});
        return false;
    }
    bool ok = true;
    for (IntDesc* d = inttable; d->name; ++d)
        ok = std::fprintf(f, "%s %s\n", hexaddr(d->vector).c_str(), d->name) > 0 && ok;
    if (std::fclose(f) != 0 || !ok) {
        dberror({"Can't write ", printable(path)});
        return false;
    }
    return true;
}

static IntDesc* descat(int index) { return index >= 0 && index < intcount() ? &inttable[index] : nullptr; }

void settimeint(int index, int active, uint32_t firstat, uint32_t period) {
    IntDesc* d = descat(index);
    if (!d) return;
    d->timeactive = active ? 1 : 0;
    d->timetriggered = 0;
    d->firstat = firstat;
    d->period = period;
    if (active && timeptr) {
        d->nexttime = firstat + *timeptr;
    } else if (active) {
        d->timeactive = 0;
        if (!timingwarned) dberror({"Timing Not Avalaible"});
        timingwarned = true;
    }
    triggerschanged();
}

bool setlocint(int index, int active, const LocationTrigger& trigger) {
    IntDesc* d = descat(index);
    if (!d || trigger.hitcount < 1) return false;
    d->locactive = active ? 1 : 0;
    d->loctriggered = 0;
    d->byaddress = trigger.byaddress ? 1 : 0;
    d->wholefunc = trigger.whole ? 1 : 0;
    d->address = trigger.byaddress ? trigger.address : 0;
    d->file = trigger.byaddress ? nullptr : trigger.file;
    d->func = trigger.byaddress ? nullptr : trigger.func;
    d->firstline = trigger.byaddress ? 0 : trigger.firstline;
    d->lastline = trigger.byaddress ? 0 : trigger.lastline;
    d->hitcount = trigger.hitcount;
    d->hits = 0;
    d->staysactive = 0;
    triggerschanged();
    return true;
}

// Whether a line-range trigger looks at the function: its file's, or its own.
static bool lookson(const IntDesc* d, const FuncRec* fn) {
    return fn && (d->file ? fn->file == d->file : fn == d->func);
}

// Whether the running code is where a file/function trigger looks: the
// top frame's function and line; they change only at line entries, so the
// answer for the last pair checked serves until then.
[[gnu::always_inline]] static inline bool inrange(Armed& a) {
    const FrameNode* f = topframe;
    const FuncRec* fn = f ? f->func : nullptr;
    uint32_t line = f ? f->line : 0;
    if (fn == a.func && line == a.line) return a.in;
    const IntDesc* d = a.d;
    a.func = fn;
    a.line = line;
    a.in = lookson(d, fn) && !(d->firstline && d->firstline > line) &&
           !(d->lastline && d->lastline < line);
    return a.in;
}

static void pend(const IntDesc* d) {
    if (irqptr) *irqptr |= d->mask;
}

void firetimed(IntDesc* d) {
    d->nexttime += d->period;
    pend(d);
    d->timeactive = d->period != 0;
    d->timetriggered = 1;
}

bool firelocation(IntDesc* d) {
    if (++d->hits != d->hitcount) return false;
    d->locactive = d->byaddress ? 0 : d->staysactive != 0;
    d->loctriggered = 1;
    pend(d);
    d->hits = 0;
    return true;
}

void checktriggers() {
    TriggerWatch& w = triggerwatch;
    bool changed = false;
    if (w.timed && timeptr && w.nextdue <= *timeptr) {
        for (IntDesc* d = inttable; d->name; ++d) {
            if (!d->timeactive || d->nexttime > *timeptr) continue;
            firetimed(d);
            changed = true;
        }
    }
    uint16_t pc = getpc();
    bool inany = false;
    for (Armed& a : locarmed) {
        IntDesc* d = a.d;
        if (!d->locactive) continue;
        if (!d->byaddress) {
            if (!inrange(a)) continue;
            inany = true;
        } else if (d->address != pc) {
            continue;
        }
        if (firelocation(d)) changed = true;
    }
    if (changed) {
        triggerschanged();
        return;
    }
    w.func = topframe ? topframe->func : nullptr;
    w.line = topframe ? topframe->line : 0;
    w.inrange = inany;
}

uint64_t rangechecksfreeslow() {
    TriggerWatch& w = triggerwatch;
    if (!w.ranges) return UINT64_MAX;
    const FrameNode* f = topframe;
    const FuncRec* fn = f ? f->func : nullptr;
    uint32_t line = f ? f->line : 0;
    if (fn != w.func || line != w.line) {
        // The frame moved since the last check: the next check would look
        // at the ranges again, finding what inrange finds here (it counts
        // the hits; rangeschecked does that for the plain steps).
        if (!w.rangesknown || fn != w.rangesfunc) {
            // Whether a range lies in the function at all (its own, or its
            // file's): for a function without one, only its line changes,
            // and no range holds it.
            w.funcranges = false;
            w.rangesfirst = UINT32_MAX;
            w.rangeslast = 0;
            for (const Armed& a : locarmed) {
                const IntDesc* d = a.d;
                if (d->locactive && !d->byaddress && lookson(d, fn)) {
                    w.funcranges = true;
                    w.rangesfirst = std::min<uint32_t>(w.rangesfirst, d->firstline);  // 0: from the first line
                    w.rangeslast = std::max<uint32_t>(w.rangeslast, d->lastline ? d->lastline : UINT32_MAX);
                }
            }
            w.rangesfunc = fn;
            w.rangesknown = true;
        }
        bool inany = false;
        if (w.funcranges) {
            for (Armed& a : locarmed)
                if (a.d->locactive && !a.d->byaddress && inrange(a)) inany = true;
        }
        w.func = fn;
        w.line = line;
        w.inrange = inany;
    }
    if (!w.inrange) return UINT64_MAX;  // no range holds the frame: nothing counts
    uint64_t room = UINT64_MAX;
    for (const Armed& a : locarmed) {
        const IntDesc* d = a.d;
        if (!d->locactive || d->byaddress) continue;
        if (a.func != fn || a.line != line) return 0;
        if (!a.in) continue;
        // The check that makes the count reach the hit count fires.
        int64_t left = static_cast<int64_t>(d->hitcount) - static_cast<int64_t>(d->hits) - 1;
        if (left <= 0) return 0;
        room = std::min<uint64_t>(room, static_cast<uint64_t>(left));
    }
    return room;
}

void rangescheckedslow(uint64_t n) {
    for (Armed& a : locarmed)
        if (a.d->locactive && !a.d->byaddress && a.in) a.d->hits = static_cast<decltype(a.d->hits)>(a.d->hits + n);
}

int InterruptMenu(int id) {
    switch (id) {
    case 221:
    case 222:
    case 224: services().interruptdialog(id); return 0;
    case 225: {
        std::string path = services().savefilename("Save Interrupt Description", "Interrupt Files(*.int)", "desc.int");
        if (!path.empty()) saveinttable(path);
        return 0;
    }
    default: return id;
    }
}

}  // namespace vy
