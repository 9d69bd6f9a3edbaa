// Source listings with figures: `print` lists lines of a source file,
// optionally with the execution counts of each line and its machine code,
// and `perf` lists the counts (or, without a location, every function's
// share of all calls). Also the source lines that the older command core
// shows beside its disassembly and its steps.
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/location.h"
#include "debugger/engine/numtext.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"

namespace vy {

// The number of decimal digits of a value (at least 1).
static int digitsof(uint64_t v) {
    int n = 1;
    while (v >= 10) v /= 10, ++n;
    return n;
}

// " = ", the integer part of 100 x part / whole in 3 columns, ".", two
// decimals and "%" (whole not 0; in 64 bits, so large counts do not wrap).
static std::string share(uint32_t part, uint32_t whole) {
    uint64_t hundredths = static_cast<uint64_t>(part) * 10000 / whole;
    std::string text = " = ";
    text += padnum(static_cast<uint32_t>(hundredths / 100), 3, ' ');
    text += ".";
    text += padnum(static_cast<uint32_t>(hundredths % 100), 2, '0');
    return text + "%";
}

// Whether a line or function-start entry lies in a file.
static bool entryinfile(const DebugEntry* e, const char* file) {
    if (e->func && e->func->file) return std::strcmp(e->func->file->name, file) == 0;
    return std::strcmp(e->text(), file) == 0;
}

static bool countedkind(const DebugEntry* e) { return e->kind == DBG_LINE || e->kind == DBG_FUNCSTART; }

// Runs the older core's listing of an address range, as a listing (no PC or
// breakpoint marks) and with the memory events disarmed.
static void listcode(uint32_t start, uint32_t end) {
    uint8_t armed = runflags.armed, listing = runflags.listing;
    runflags.armed = 0;
    runflags.listing = 1;
    std::string command = "e " + std::to_string(start) + " , " + std::to_string(end);
    interp(command.c_str(), 1);
    runflags.armed = armed;
    runflags.listing = listing;
}

// The machine code of a line: each group of entries that starts at the line,
// with the further lines it covers, then its code up to the next entry.
// Returns the last line covered.
static uint32_t linecode(const char* file, uint32_t line, uint32_t last) {
    uint32_t covered = line;
    for (DebugEntry* e = findline(nullptr, file, line, 0, 0); e; e = findline(e->next, file, line, 0, 0)) {
        if (e->line != line || !countedkind(e)) continue;
        uint32_t end = e->endline > e->line ? e->endline - 1 : e->line;
        for (uint32_t l = covered + 1; l <= end && l <= last; ++l) {
            const char* text = readsrcline(file, l);
            if (!text) break;
            dbputs({std::to_string(l), "  ", text, "\n"});
            covered = l;
        }
        DebugEntry* next = nextline(static_cast<uint16_t>(e->addr), 0);
        uint32_t stop = next ? next->addr - 1 : e->addr;
        if (stop < e->addr) stop = e->addr;
        listcode(e->addr, stop);
    }
    return covered;
}

// Lists the lines of a location, with their figures and machine code when
// asked; with `zero` the figures of those lines are cleared instead.
static void srclist(bool asmcode, const LocationSpec& where, bool figures, bool zero) {
    uint32_t first = where.number ? where.number : 1;
    uint32_t last = where.endline ? where.endline : first;
    if (last < first) last = first;
    if (!where.number) last = UINT32_MAX;

    std::string file;
    if (where.file) {
        file = where.file;
        if (FileRec* f = findfile(where.file)) {
            if (f->firstline && first < f->firstline) first = f->firstline;
            if (f->lastline && last > f->lastline) last = f->lastline;
        }
    } else if (where.function) {
        FuncRec* fn = findfunc(where.function);
        if (!fn || !fn->file) {
            dberror({where.function, "(): ", msgtext(MSG_NOFUNCTION), "\n"});
            return;
        }
        file = fn->file->name;
        if (first < fn->firstline || first > fn->lastline) first = fn->firstline;
        if (last > fn->lastline || last < fn->firstline) last = fn->lastline;
    } else if (!where.number) {
        dberror({msgtext(MSG_BADARG), "\n"});
        return;
    } else {
        if (!curframe || !curframe->func || !curframe->func->file) {
            dberror({msgtext(MSG_NOFRAME), "\n"});
            return;
        }
        file = curframe->func->file->name;
    }
    if (last < first) return;

    // The counts of the lines, from their line and function-start entries.
    std::map<uint32_t, uint32_t> counts;
    if (figures) {
        for (DebugEntry* e = debuglist; e; e = e->next) {
            if (!countedkind(e) || e->line < first || e->line > last || !entryinfile(e, file.c_str())) continue;
            if (zero) e->calls = 0;
            else counts[e->line] += e->calls;
        }
        if (zero) return;
    }
    uint64_t sum = 0;
    for (uint32_t line = first; figures && line <= last; ++line) {
        if (!readsrcline(file.c_str(), line)) break;
        auto c = counts.find(line);
        if (c != counts.end()) sum += c->second;
        if (line == UINT32_MAX) break;
    }
    uint32_t total = static_cast<uint32_t>(sum);
    int width = digitsof(total);
    std::string blank(total == 0 ? width : 2 * width + 13, ' ');

    for (uint32_t line = first; line <= last; ++line) {
        const char* text = readsrcline(file.c_str(), line);
        if (!text) break;
        std::string shown;
        if (figures) {
            auto c = counts.find(line);
            if (c == counts.end()) {
                shown = blank;
            } else {
                shown = padnum(c->second, width, ' ');
                if (total != 0) {
                    shown += " / ";
                    shown += padnum(total, width, ' ');
                    shown += share(c->second, total);
                }
            }
            shown += " | ";
        }
        shown += std::to_string(line) + "  " + text + "\n";
        dbputs({shown});
        if (asmcode) line = linecode(file.c_str(), line, last);
        if (line == UINT32_MAX) break;
    }
    readsrcline(nullptr, 0);
}

// The option letters, each one of `letters` marking its place in `given`.
static const char* options(const char* p, const char* letters, bool* given) {
    return readletters(p, letters, [&](char c) { given[std::strchr(letters, c) - letters] = true; });
}

const char* doprint(const char* text, int arg) {
    bool given[2] = {false, false};   // /A machine code, /P figures
    const char* p = options(text, "ap", given);
    if (!p) return CMD_END;
    LocationSpec where{};
    const char* after = parseloc(p, where);
    if (!where.present) return after;
    if (isline(where)) {
        srclist(given[0], where, given[1], false);
    } else {
        std::string word(p, static_cast<std::size_t>(after - p));
        dberror({msgtext(hasname(where) ? MSG_UNKNOWNCMD : MSG_BADARG), ": ", word, "\n"});
    }
    return skipblanks(after);
}

const char* doperf(const char* text, int arg) {
    bool zero = false;
    const char* p = options(text, "z", &zero);
    if (!p) return CMD_END;
    LocationSpec where{};
    const char* after = parseloc(p, where);
    if (where.present) {
        srclist(false, where, true, zero);
        return skipblanks(after);
    }
    if (zero) {
        for (DebugEntry* e = debuglist; e; e = e->next) e->calls = 0;
        return after;
    }
    // Every function's calls, as a share of all calls: the count of a
    // function is the count of its start entry.
    auto listed = [](const FuncRec* fn) { return fn->name && fn->name[0] && fn->name[0] != '.' && fn->start; };
    uint64_t sum = 0;
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        for (FuncRec* fn = f->funcs; fn; fn = fn->next)
            if (listed(fn)) sum += fn->start->calls;
    uint32_t total = static_cast<uint32_t>(sum);
    int width = digitsof(total);
    std::string totaltext = padnum(total, width, ' ');
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        dbputs({msgtext(MSG_FUNCSINFILE), ": ", f->name, "\n"});
        for (FuncRec* fn = f->funcs; fn; fn = fn->next) {
            if (!listed(fn)) continue;
            uint32_t calls = fn->start->calls;
            std::string line = std::string("    ") + fn->name + "() " + padnum(calls, width, ' ');
            if (total == 0) line += std::string(" ") + msgtext(MSG_CALLS);
            else line += " / " + totaltext + " " + msgtext(MSG_CALLS) + share(calls, total);
            dbputs({line, "\n"});
        }
    }
    return after;
}

// ---------------------------------------------------------------------------
// Source lines of the older command core

uint32_t corelineaddr(const char* file, uint32_t line, uint32_t column) {
    int32_t address = lineaddr(file, line, column == NOCOLUMN ? 0 : column);
    return address < 0 ? 0 : static_cast<uint32_t>(address);
}

// The source lines of the line or function start exactly at an address,
// before its code in a listing.
void coreannotate(uint16_t address) {
    if (DebugEntry* e = lineexact(address)) lineannot(e);
}

// The line the PC reaches while the core steps by source lines.
void coreannounce(uint16_t address) {
    if (DebugEntry* e = lineexact(address)) lineannot(e);
}

}  // namespace vy
