#include "debugger/engine/events.h"

#include <cstring>

#include "debugger/engine/alarms.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/location.h"
#include "debugger/engine/numtext.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/statements.h"
#include "debugger/engine/typecode.h"
#include "debugger/engine/variables.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"

namespace vy {

Event* events;
static uint16_t lastnumber;
uint64_t codeeventbits[65536 / 64];

// Marks the addresses of the active address events, after every change of
// the list or of an event's activity.
static void indexcode() {
    for (uint64_t& word : codeeventbits) word = 0;
    for (Event* e = events; e; e = e->next) {
        if (!e->active || e->cls != 'C') continue;
        uint16_t at;
        if (e->kind == 'a' || e->kind == 's') at = e->address;
        else if (e->kind == 'l') at = static_cast<uint16_t>(e->expr->address);
        else continue;
        codeeventbits[at >> 6] |= uint64_t{1} << (at & 63);
    }
}

// ---------------------------------------------------------------------------
// The target model's view of the data events: the memory-access recorder
// walks `eventlist` where the watch index says an access can match, and
// leaves the event an access matched in `datahit`. Everything the engine
// does with either is in this section.

// The active data events in number order, as the recorder's list.
static void publishdata() {
    EventRecord** link = &eventlist;
    for (Event* e = events; e; e = e->next) {
        if (e->cls != 'D' || !e->active) continue;
        *link = &e->seen;
        link = &e->seen.next;
    }
    *link = nullptr;
    reindexevents();
}

// The data event that the last recorded access matched, or null.
static Event* pendinghit() {
    if (!datahit) return nullptr;
    for (Event* e = events; e; e = e->next)
        if (&e->seen == datahit) return e;
    return nullptr;
}

static void clearhit() { datahit = nullptr; }

// ---------------------------------------------------------------------------
// Records

// An event deleted while the check runs (by an action, its own or
// another's, or by a load) is unlinked at once but freed only when the
// check is done with it: at the next check, or after a command outside a
// run.
static int checking;
static std::vector<Event*> graveyard;

static void destroy(Event* e) {
    xfree(e->expr);
    delete e;
}

static void purge() {
    if (checking) return;
    for (Event* e : graveyard) destroy(e);
    graveyard.clear();
}

// Unlinks one event and frees it (or leaves it for the end of the check).
static void freeevent(Event* e) {
    for (Event** link = &events; *link; link = &(*link)->next) {
        if (*link != e) continue;
        *link = e->next;
        break;
    }
    e->gone = true;
    indexcode();
    if (e->cls == 'D') {
        if (datahit == &e->seen) clearhit();
        publishdata();
    }
    UpdateEventMarks(e);
    if (checking) graveyard.push_back(e);
    else destroy(e);
}

// A new event in its place in the list: the smallest number not in use.
static Event* newevent(char cls, char kind, const EventMaking& m, std::string action) {
    int16_t number = 1;
    Event** link = &events;
    while (*link && (*link)->number == number) {
        ++number;
        link = &(*link)->next;
    }
    auto* e = new Event{};
    e->next = *link;
    *link = e;
    e->cls = cls;
    e->kind = kind;
    e->number = number;
    e->count = e->left = m.count ? m.count : 1;
    e->watch = m.watch ? 1 : 0;
    e->active = 1;
    e->user = m.user ? 1 : 0;
    e->action = std::move(action);
    lastnumber = static_cast<uint16_t>(number);
    return e;
}

// A made event: a user event shows itself and its marks.
static void announce(Event* e) {
    indexcode();
    if (!e->user) return;
    dbputs({"(", std::to_string(e->number), ")  ", eventdesc(e)});
    UpdateEventMarks(e);
}

// The optional {...} action after a location.
struct Action {
    std::string text;
    bool given = false;
};

static const char* readblock(const char* after, Action& a) {
    const char* p = skipblanks(after);
    if (*p == '{') a.given = readaction(p, a.text);
    return p;
}

// An event made again: a count or an action given replaces the old one.
static void update(Event* e, const EventMaking& m, Action& a) {
    if (m.count) e->count = e->left = m.count;
    if (a.given) e->action = std::move(a.text);
    if (m.user) dbputs({eventdesc(e)});
    UpdateEventMarks(e);
}

// ---------------------------------------------------------------------------
// Texts

static const char* accesstext(char kind) {
    switch (kind) {
    case 'W': return " (write) ";
    case 'R': return " (read) ";
    default: return " (access) ";
    }
}

static std::string linerange(const Event* e) {
    if (!e->first) return ":anyline";
    std::string text = ":" + std::to_string(e->first);
    if (e->last != e->first) text += ":" + std::to_string(e->last);
    return text;
}

std::string kindpart(const Event* e) {
    if (e->cls == 'D') return " " + e->name + accesstext(e->kind);
    switch (e->kind) {
    case 'a': return " at absolute address: " + hexaddr(e->address);
    case 's': return " at: " + e->name + " (" + uhexstr(e->address) + ")";
    case 'l': return " " + std::string(e->expr->text) + " (" + uhexstr(e->expr->address) + ")";
    case 't': {
        std::string text = " " + std::string(e->file ? e->file->name : "");
        if (e->func) text += " " + std::string(e->func->name) + "()";
        return text + linerange(e);
    }
    case 'd': return std::string(e->expr->text) + " ";
    default: return "";
    }
}

std::string eventdesc(const Event* e) {
    std::string text = kindpart(e);
    if (!e->action.empty()) text += "  {" + e->action + "} ";
    text += e->user ? "(user)" : "(internal)";
    text += " (count = " + std::to_string(e->count);
    text += ", left = " + std::to_string(e->left) + ") ";
    text += e->active ? "(on)\n" : "(off)\n";
    return text;
}

void listevents() {
    if (!events) {
        dbputs({msgtext(MSG_NOEVENTS), "\n"});
        return;
    }
    for (Event* e = events; e; e = e->next)
        dbputs({"(", std::to_string(e->number), ")   ", eventdesc(e)});
}

// The location of an event as the break and watch commands read it.
static std::string locationtext(const Event* e) {
    if (e->cls == 'D') return e->name;
    switch (e->kind) {
    case 'a': return "@" + std::string(uhexstr(e->address));
    case 's': return e->name;
    case 't': {
        std::string text = e->func ? std::string(e->func->name) + "()" : std::string(e->file ? e->file->name : "");
        if (!e->first) return text + ":";
        return text + linerange(e);
    }
    default: return e->expr->text;
    }
}

void writeevents(std::FILE* file) {
    for (Event* e = events; e; e = e->next) {
        if (!e->user) continue;
        std::string line = e->cls == 'D' ? "d" : "";
        line += e->watch ? "watch" : "break";
        if (e->cls == 'D' && e->kind != 'A') line += e->kind == 'W' ? " /T:w" : " /T:r";
        if (e->count > 1) line += " /C:" + std::to_string(e->count);
        line += " " + locationtext(e);
        if (!e->action.empty()) line += " {" + e->action + "}";
        line += "\n";
        std::fputs(line.c_str(), file);
    }
}

// ---------------------------------------------------------------------------
// Makers

const char* addabsevt(const char* after, uint16_t address, const EventMaking& m) {
    Action a;
    const char* p = readblock(after, a);
    for (Event* e = events; e; e = e->next) {
        if (e->cls != 'C' || e->kind != 'a' || e->address != address) continue;
        update(e, m, a);
        return p;
    }
    Event* e = newevent('C', 'a', m, std::move(a.text));
    e->address = address;
    announce(e);
    return p;
}

const char* addsymevt(const char* after, const char* symbol, const EventMaking& m) {
    SymRec* s = rensym(symbol);
    if (!s) {
        dberror({msgtext(MSG_SYMBOLNOTFOUND), ": ", symbol, "\n"});
        return nullptr;
    }
    auto address = static_cast<uint16_t>(s->value);
    Action a;
    const char* p = readblock(after, a);
    for (Event* e = events; e; e = e->next) {
        if (e->cls != 'C' || e->kind != 's' || e->address != address) continue;
        update(e, m, a);
        return p;
    }
    Event* e = newevent('C', 's', m, std::move(a.text));
    e->address = address;
    e->name = symbol;
    announce(e);
    return p;
}

const char* addlabevt(const char* after, ResultRecord* label, const EventMaking& m) {
    Action a;
    const char* p = readblock(after, a);
    for (Event* e = events; e; e = e->next) {
        if (e->cls != 'C' || e->kind != 'l' || e->expr->address != label->address) continue;
        xfree(label);
        update(e, m, a);
        return p;
    }
    Event* e = newevent('C', 'l', m, std::move(a.text));
    e->expr = label;
    announce(e);
    return p;
}

// A value event on a register, the cycle counter, a debugger variable or
// an argument still in its register compares the value of the expression;
// any other the bytes of the object in target memory.
static bool byvalue(const ResultRecord* r) {
    switch (r->storage) {
    case ST_REGISTER: case ST_CYCLES: case ST_DEBUGVAR: case CL_ARGREG: case CL_STATICARGREG: return true;
    default: return false;
    }
}

static std::vector<uint8_t> currentbytes(const ResultRecord* r) {
    std::vector<uint8_t> bytes;
    if (byvalue(r)) {
        const char* p = r->text;
        int error = 0;
        ResultRecord* now = xexpr(&p, &error, 1);
        const auto* v = reinterpret_cast<const uint8_t*>(&now->value);
        std::size_t n = isfloating(now->type) ? sizeof now->value.real : sizeof now->value.integer;
        bytes.assign(v, v + n);
        xfree(now);
        return bytes;
    }
    bytes.resize(r->size);
    for (uint32_t i = 0; i < r->size; ++i) bytes[i] = rdbyte(static_cast<uint16_t>(r->address + i));
    return bytes;
}

const char* addexpevt(const char* after, ResultRecord* expression, const EventMaking& m) {
    Action a;
    const char* p = readblock(after, a);
    for (Event* e = events; e; e = e->next) {
        if (e->cls != 'C' || e->kind != 'd' || std::strcmp(e->expr->text, expression->text) != 0) continue;
        xfree(expression);
        update(e, m, a);
        return p;
    }
    Event* e = newevent('C', 'd', m, std::move(a.text));
    e->expr = expression;
    e->snapshot = currentbytes(expression);
    announce(e);
    return p;
}

// Whether a debug entry lies in a file: through its function, or by its
// text for a file made of line entries alone.
static bool entryinfile(const DebugEntry* e, const FileRec* file) {
    if (e->func) return e->func->file == file;
    return std::strcmp(e->text(), file->name) == 0;
}

// The first line of a range, or a line inside it, carries code: a function
// start, a line or a function exit.
static bool hascode(const FileRec* file, uint32_t first, uint32_t last) {
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (!(e->kind & (DBG_FUNCSTART | DBG_LINE | DBG_EXIT))) continue;
        if (e->line >= first && e->line <= last && entryinfile(e, file)) return true;
    }
    return false;
}

// A function of the file (or of any file), or null.
static FuncRec* functionin(const FileRec* file, const char* name) {
    if (!file) return findfunc(name);
    for (FuncRec* fn = file->funcs; fn && fn->next; fn = fn->next)
        if (std::strcmp(fn->name, name) == 0) return fn;
    return nullptr;
}

// A source range from a location in line form: false after reporting why
// there is none. `missing` is the report when no file can be found.
struct SourceRange {
    FileRec* file = nullptr;
    FuncRec* func = nullptr;
    uint32_t first = 0, last = 0;
};

static bool sourcerange(const LocationSpec& where, FrameNode* frame, bool whole, const char* missing,
                        SourceRange& range) {
    if (where.file) {
        range.file = findfile(where.file);
        if (!range.file) {
            dberror({where.file, ": ", msgtext(MSG_FILENOTFOUND), "\n"});
            return false;
        }
    }
    if (where.function) {
        range.func = functionin(range.file, where.function);
        if (!range.func) {
            dberror({where.function, "(): ", msgtext(MSG_NOFUNCTION), "\n"});
            return false;
        }
        if (!range.file) range.file = range.func->file;
    }
    if (!range.file) {
        if (!frame || !frame->func || !frame->func->file) {
            dberror({missing, "\n"});
            return false;
        }
        range.file = frame->func->file;
    }
    range.first = where.number;
    range.last = where.endline ? where.endline : where.number;
    if (range.last < range.first) std::swap(range.first, range.last);
    if (!range.first) {
        if (range.func) {
            range.first = range.func->firstline;
            range.last = whole ? range.func->lastline : range.first;
        }
        return true;
    }
    if (range.func && (range.first < range.func->firstline || range.last > range.func->lastline)) {
        dberror({range.func->name, "():", std::to_string(range.first), ": ", msgtext(MSG_NOLINE), "\n"});
        return false;
    }
    return true;
}

const char* addlinevt(const char* after, const LocationSpec& where, FrameNode* frame, const EventMaking& m) {
    SourceRange r;
    if (!sourcerange(where, frame, m.wholefunction, "Missing File/function specification for ", r)) return nullptr;
    if (r.first && !hascode(r.file, r.first, r.last)) {
        dberror({r.file->name, ":", std::to_string(r.first), ": ", msgtext(MSG_NOCODE), "\n"});
        return nullptr;
    }
    Action a;
    const char* p = readblock(after, a);
    for (Event* e = events; e; e = e->next) {
        if (e->cls != 'C' || e->kind != 't' || e->file != r.file || e->func != r.func || e->first != r.first ||
            e->last != r.last)
            continue;
        update(e, m, a);
        return p;
    }
    Event* e = newevent('C', 't', m, std::move(a.text));
    e->file = r.file;
    e->func = r.func;
    e->first = r.first;
    e->last = r.last;
    announce(e);
    return p;
}

const char* adddataevt(const char* after, const LocationSpec& where, const char* written, char access,
                       const EventMaking& m) {
    uint16_t address = 0;
    uint32_t size = 0;
    if (!datavariable(where.file, where.function, where.name, address, size)) {
        dberror({"Illegal Variable Specification for DATA Event", "\n"});
        return nullptr;
    }
    Action a;
    const char* p = readblock(after, a);
    EventMaking made = m;
    made.user = 1;   // data events are always the user's
    Event* e = newevent('D', access, made, std::move(a.text));
    e->name = written;
    e->place = EventVar{address, size};
    e->seen = EventRecord{nullptr, 'D', access, &e->place};
    publishdata();
    announce(e);
    return p;
}

// ---------------------------------------------------------------------------
// Finding and deleting

static Event* findkind(char kind, uint16_t address) {
    for (Event* e = events; e; e = e->next)
        if (e->cls == 'C' && e->kind == kind && e->address == address) return e;
    return nullptr;
}

Event* evtataddr(uint16_t address) { return findkind('a', address); }
Event* evtatsym(uint16_t address) { return findkind('s', address); }

// A source range event covers a position: the line lies in its range (when
// it has one), and file and function are the same where both are known.
static bool covers(const Event* e, uint32_t line, const FileRec* file, const FuncRec* func) {
    if (e->first && line && (line < e->first || line > e->last)) return false;
    if (e->file && file && e->file != file) return false;
    if (e->func && func && e->func != func) return false;
    return true;
}

Event* evtatline(uint32_t line, const FileRec* file, const FuncRec* func) {
    for (Event* e = events; e; e = e->next)
        if (e->cls == 'C' && e->kind == 't' && covers(e, line, file, func)) return e;
    return nullptr;
}

// Deletes every event that `doomed` picks; whether there was one.
template <class Pick>
static bool rmwhere(Pick doomed) {
    bool any = false;
    for (Event* e = events; e;) {
        Event* next = e->next;
        if (doomed(e)) {
            freeevent(e);
            any = true;
        }
        e = next;
    }
    return any;
}

bool rmabsevts(uint16_t address) {
    return rmwhere([&](Event* e) { return e->cls == 'C' && e->kind == 'a' && e->address == address; });
}

bool rmexpevts(const char* text) {
    return rmwhere([&](Event* e) { return e->cls == 'C' && e->kind == 'd' && std::strcmp(e->expr->text, text) == 0; });
}

bool rmlabevts(uint16_t address) {
    return rmwhere([&](Event* e) { return e->cls == 'C' && e->kind == 'l' && e->expr->address == address; });
}

bool rmsymevts(const char* name) {
    return rmwhere([&](Event* e) { return e->cls == 'C' && e->kind == 's' && e->name == name; });
}

int rmlinevts(const LocationSpec& where, FrameNode* frame) {
    SourceRange r;
    if (!sourcerange(where, frame, false, "Missing File/function specification for Event ", r)) return -1;
    uint32_t line = where.number;
    return rmwhere([&](Event* e) { return e->cls == 'C' && e->kind == 't' && covers(e, line, r.file, r.func); });
}

void rmintevents() {
    rmwhere([](Event* e) { return !e->user; });
    if (!runflags.runnesting) purge();
}

void activevent(char letter, int number) {
    uint32_t on = letter == 'a' || letter == 'A';
    bool found = false;
    for (Event* e = events; e; e = e->next) {
        if (number == -1 ? !e->user : e->number != number) continue;
        found = true;
        e->active = on;
        UpdateEventMarks(e);
    }
    if (!found && number != -1) dberror({msgtext(MSG_NOBREAKPOINT), "\n"});
    publishdata();
    indexcode();
}

void clearevents() {
    while (events) freeevent(events);
    clearhit();
    purge();
    lastnumber = 0;
}

// ---------------------------------------------------------------------------
// The per-step check

// The source line a step reached, as the record that holds it: the context
// itself when it is a line or function-start record; else the line (or
// function-start) record at its address, since the numbers of the other
// records are no source line (a set-up record holds frame sizes, a call
// record none; the return from a call lands on such a record); null when
// the step reached no line.
static const DebugEntry* steppedline(const DebugEntry* context) {
    if (context->kind == DBG_LINE || context->kind == DBG_FUNCSTART) return context;
    const DebugEntry* at = reckind(context, DBG_LINE);
    return at ? at : reckind(context, DBG_FUNCSTART);
}

// Whether an event's place is reached: its address at the PC, a value that
// changed (at line steps only; the snapshot follows the value), or a source
// range that holds the line reached.
static bool reached(Event* e, uint16_t pc, DebugEntry* context, FrameNode* frame) {
    switch (e->kind) {
    case 'a': case 's': return e->address == pc;
    case 'l': return e->expr->address == pc;
    case 'd': {
        if (!context) return false;
        std::vector<uint8_t> now = currentbytes(e->expr);
        if (now == e->snapshot) return false;
        e->snapshot = std::move(now);
        return true;
    }
    case 't': {
        // A line step that an event ended inside a line has the line it
        // stands in as its context, but reached no line: only a step that
        // reached the context's record at the PC did.
        if (!context || !frame || context->addr != pc) return false;
        FuncRec* func = context->func ? context->func : frame->func;
        const DebugEntry* at = steppedline(context);
        if (!at && e->first) return false;
        return covers(e, at ? at->line : 0, func ? func->file : nullptr, func);
    }
    default: return false;
    }
}

// Numbers the per-instruction checks, for the hits they counted.
static uint32_t instructionchecks = 1;

// The action of an event, run as the user's commands (or the internal ones
// of an internal event). A watchpoint's action leaves internal events alone.
static void runaction(const Event* e) {
    std::string action = e->action;   // the action may change or delete its event
    bool wasrunning = ActionRunning, wasdeleting = DeleteInternalEvents;
    int16_t before = CommandCount;
    ActionRunning = true;
    if (e->watch) DeleteInternalEvents = false;
    CommandCount = 0;
    doblock(action.c_str(), static_cast<int>(e->user));
    if (CommandCount == 0) CommandQuiet = false;
    CommandCount = static_cast<int16_t>(before + CommandCount);
    ActionRunning = wasrunning;
    DeleteInternalEvents = wasdeleting;
}

Event* chkevents(DebugEntry* context, FrameNode* frame, int quiet) {
    purge();
    struct Checking {
        Checking() { ++checking; }
        ~Checking() { --checking; }
    } during;
    if (!quiet) StaleStructWindows();
    // The per-instruction check of a line step counts the hits and finds
    // the event that triggers; the check at the end of the step reports it.
    // A hit that the per-instruction check counted at this PC is not
    // counted again by the check that ends the same step.
    bool perinstruction = !context && !frame && quiet;
    uint32_t mark = perinstruction ? ++instructionchecks : instructionchecks++;

    if (alarmson())
        if (Event* alarm = chkalarms(quiet)) return alarm;

    if (Event* d = pendinghit()) {
        if (!context && !frame) return d;
        dbputs({d->watch ? "***** watchpoint:" : "***** breakpoint:", kindpart(d), "\n"});
        return d;
    }

    uint16_t pc = getpc();
    Event* hit = nullptr;
    for (Event* e = events; e && !hit; e = e->next) {
        if (!e->active || e->cls != 'C' || !reached(e, pc, context, frame)) continue;
        bool counted = !perinstruction && e->counted == mark;
        if (perinstruction) e->counted = mark;
        if (e->left == 0 || (!counted && --e->left == 0)) hit = e;
    }
    if (!hit || perinstruction) return hit;

    if (RunState) {
        if (hit->kind == 'd') {
            std::string where = "????";
            if (frame && frame->func) where = std::string(frame->func->name) + "():" + std::to_string(frame->line);
            dbputs({hit->expr->text, msgtext(MSG_MODIFIED), " ", where, "\n"});
        } else if (hit->user && !hit->watch) {
            dbputs({"***** breakpoint", kindpart(hit), "\n"});
        }
    }
    if (!hit->action.empty()) runaction(hit);
    if (!hit->user && !hit->gone) freeevent(hit);
    if (hit->watch) ++hit->hits;
    hit->left = hit->count;
    AmcBkptCheck(hit->number);
    return hit;
}

void exithook(FrameNode* frame) {}

}  // namespace vy

using namespace vy;

int rmevent(int number, int verbose) {
    clearhit();
    if (number == -1) {
        if (!events) {
            if (verbose) dbputs({msgtext(MSG_NOEVENTS), "\n"});
            return 0;
        }
        while (events) freeevent(events);
        return 1;
    }
    for (Event* e = events; e; e = e->next) {
        if (e->number != number) continue;
        freeevent(e);
        return 1;
    }
    dberror({msgtext(MSG_NOBREAKPOINT), "\n"});
    return 0;
}

uint16_t GetLastBkptNum() { return lastnumber; }
