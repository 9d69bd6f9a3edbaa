#include "debugger/target/tools/sim_run.h"

#include <algorithm>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/typed_values.h"

namespace vy::simrun {


bool online;
LastStep laststep;

bool afterstepslow(uint16_t pc, uint32_t before, bool executed) {
    DebugEntry* e = laststep.entry = lineupdate(pc, before, executed);
    return online = e && updateline && topframe;
}

Stop step(bool armed, bool interrupts) {
    online = false;
    datahit = nullptr;   // a data hit is the step's own
    beforestep();
    uint16_t pc = getpc();
    laststep = LastStep{false, pc, nullptr};
    if (interrupts && irqptr && *irqptr && takeint(irqptr)) {
        afterstep(pc, 0, false);
        return LoadFailed ? Stop::broken : Stop::step;
    }
    uint32_t before = timeptr ? *timeptr : 0;
    runflags.lasthit = 0;
    if (armed) {
        runflags.armed = 1;
        chkmemevt(pc, 5);
        runflags.skipone = 1;
    }
    uint16_t length = decinstr(pc, DEC_EXEC, nullptr);
    runflags.armed = 0;
    runflags.skipone = 0;
    if (length == NOINSTR) {
        online = false;
        return Stop::noinstr;
    }
    laststep.executed = true;
    afterstep(pc, before, true);
    return LoadFailed ? Stop::broken : Stop::step;
}

namespace {

// What a run of plain steps looks at before each instruction, besides
// .irq: the due time of the timed triggers (time null when none), and the
// places a step stops before: the execution checks, the span of the address
// triggers and until.
struct PlainWatch {
    const uint32_t* time;
    uint32_t due;
    uint32_t lowaddr, span;  // lowaddr 0x10000: none
    int32_t until;           // -1: none
};

// A zero for the counters a program may lack (.time, .irq): the loop reads
// it instead of testing the pointer at every step.
const uint32_t nocounter = 0;

// The bounds of the stretch as the plain loop tests them: a PC stays in
// the stretch (low, high) when pc - inlow < inspan.
struct PlainBounds {
    uint32_t inlow, inspan;
};

// Whether a plain step from pc would need more: an interrupt waiting in
// .irq, a timed trigger due (Timed), or a place to stop before at pc
// (Places: the stretch holds one).
template <bool Timed, bool Places>
[[gnu::always_inline]] inline bool needsmore(uint16_t pc, const uint32_t* irq, const PlainWatch& pw) {
    bool more = *irq != 0;
    if constexpr (Timed) more |= *pw.time >= pw.due;
    if constexpr (Places) {
        more |= watched(watch.memexec, pc) | (static_cast<uint32_t>(pc) - pw.lowaddr <= pw.span) |
                (static_cast<int32_t>(pc) == pw.until);
    }
    return more;
}

// Whether any address of low < address < high is a place to stop before.
bool placesin(int32_t low, int32_t high, const PlainWatch& pw) {
    if (pw.until > low && pw.until < high) return true;
    if (pw.lowaddr < 0x10000 && static_cast<int32_t>(pw.lowaddr + pw.span) > low &&
        static_cast<int32_t>(pw.lowaddr) < high)
        return true;
    for (int32_t a = low + 1; a < high;) {
        uint64_t word = watch.memexec[a >> 6] >> (a & 63);
        int32_t next = (a | 63) + 1;
        if (next > high) {
            word &= (uint64_t{1} << (high - a)) - 1;  // high - a < 64 here
        }
        if (word) return true;
        a = next;
    }
    return false;
}

// One step of plainloop from pc, which needs no more (First: the first of
// the run, which records the cycle count after it in first). False when
// the run ends after it: no instruction at pc (nothing executed), the step
// left the stretch or met the event check (full set), its recorded
// accesses left a data hit, or the step from the new PC needs more.
template <bool Timed, bool Places, bool First>
[[gnu::always_inline]] inline bool plainstep(uint16_t& pc, uint64_t& steps, const uint32_t* time, const uint32_t* irq,
                                             uint32_t scans, const PlainBounds& b, const PlainWatch& pw,
                                             uint32_t& before, uint32_t& first, bool& full, bool& noinstr) {
    before = *time;
    // The code page as getcodepage finds it, the recent page laid out as
    // the common case.
    const MemPage* page = __builtin_expect(pc >> 9 == recent.codepage, 1) ? recent.code : getotherpage(pc, true);
    uint16_t length = executors[page->data[pc & (PAGESIZE - 1)]](pc);
    if (length == NOINSTR) [[unlikely]] {
        noinstr = true;
        return false;
    }
    ++steps;
    if constexpr (First) first = *time;
    uint16_t next = getpc();
    bool out = static_cast<uint32_t>(next) - b.inlow >= b.inspan;
    bool scanned = eventscans != scans;
    if (out | scanned | (datahit != nullptr) | needsmore<Timed, Places>(next, irq, pw)) [[unlikely]] {
        if (out || scanned) {
            full = true;
            return false;
        }
        pc = next;
        return false;
    }
    pc = next;
    return true;
}

// The steps of plainsteps from pc, at most limit, in the stretch (low,
// high) (pc may be low itself, and is tested for places to stop before
// whatever the stretch holds). Stops before a step that needs more, or
// after one that left the stretch or met the event check (full set), or
// whose recorded accesses left a data hit. Returns the steps executed.
template <bool Timed, bool Places>
uint64_t plainloop(uint16_t& pc, uint64_t limit, const PlainBounds& b, const PlainWatch& pw, uint32_t& before,
                   uint32_t& first, bool& full, bool& noinstr) {
    const uint32_t* const time = timeptr ? timeptr : &nocounter;
    const uint32_t* const irq = irqptr ? irqptr : &nocounter;
    const uint32_t scans = eventscans;
    uint64_t steps = 0;
    // A step that meets no event leaves lasthit as it found it; a data hit
    // ends the run after its step, so none is left from before it.
    runflags.lasthit = 0;
    datahit = nullptr;
    if (limit == 0 || needsmore<Timed, true>(pc, irq, pw)) return 0;
    if (!plainstep<Timed, Places, true>(pc, steps, time, irq, scans, b, pw, before, first, full, noinstr)) return steps;
    while (steps < limit)
        if (!plainstep<Timed, Places, false>(pc, steps, time, irq, scans, b, pw, before, first, full, noinstr)) break;
    return steps;
}

// The plain steps inside one stretch: those of plainsteps up to the first
// that leaves the stretch (left set after its full line update).
PlainRun stretchrun(uint64_t limit, int32_t until, bool& left) {
    PlainRun run{0, false};
    left = false;
    if (runpos.exitpending || services().alarms || (btimeptr && timeptr) || !stretch.quiet || LoadFailed) return run;
    const int32_t low = stretch.low, high = stretch.high;
    uint16_t pc = getpc();
    if (pc < low || pc >= high) return run;
    const bool fromlow = pc == low;  // the first step counts for the entry there
    const TriggerWatch& w = triggerwatch;
    PlainWatch pw{nullptr, 0, 0x10000, 0, until};
    if (w.armed) {
        limit = std::min(limit, rangechecksfree());
        if (limit == 0) return run;
        if (w.timed && timeptr) pw.time = timeptr, pw.due = w.nextdue;
        if (w.byaddress) pw.lowaddr = w.lowaddr, pw.span = static_cast<uint32_t>(w.highaddr - w.lowaddr);
    }
    uint32_t* const time = timeptr;
    const uint32_t start = time ? *time : 0;
    uint32_t before = start, first = start;
    bool full = false;  // the last step gets the full line update
    runflags.armed = 1;
    const PlainBounds b{static_cast<uint32_t>(low + 1), static_cast<uint32_t>(high - low - 1)};
    const bool places = placesin(low, high, pw);
    if (pw.time)
        run.steps = places ? plainloop<true, true>(pc, limit, b, pw, before, first, full, run.noinstr)
                           : plainloop<true, false>(pc, limit, b, pw, before, first, full, run.noinstr);
    else
        run.steps = places ? plainloop<false, true>(pc, limit, b, pw, before, first, full, run.noinstr)
                           : plainloop<false, false>(pc, limit, b, pw, before, first, full, run.noinstr);
    runflags.armed = 0;
    // Each step passed the trigger check before its instruction.
    if (w.armed && w.ranges) rangeschecked(run.steps);
    // The steps that stayed in the stretch, as lineupdate and stretchstep
    // leave them: a first step from low counts for the entry there.
    uint64_t inside = run.steps - (full ? 1 : 0);
    if (inside) {
        uint32_t end = full ? before : time ? *time : 0;
        uint32_t from = start;
        if (fromlow) {
            if (DebugEntry* e = stretch.lowcount) {
                e->cycles += first - start;
                ++e->calls;
                if (stretch.lowextra) ++stretch.lowextra->calls;
            }
            from = first;
        }
        if (stretch.tail) stretch.tail->cycles += end - from;
        currentline = nullptr;
        stretch.lastpc = pc;
        stretch.lastentered = true;
        online = false;
    }
    if (full) {
        afterstep(pc, before, true);
        left = true;
    }
    return run;
}

}  // namespace

// The runs of the stretches one after the other, as a caller calling again
// after each would make them.
PlainRun plainsteps(uint64_t limit, int32_t until) {
    PlainRun run{0, false};
    for (bool left = true; left && run.steps < limit;) {
        PlainRun part = stretchrun(limit - run.steps, until, left);
        run.steps += part.steps;
        run.noinstr = part.noinstr;
        left = left && !runflags.lasthit && !datahit && !LoadFailed;
    }
    return run;
}

bool atline() { return online; }

int depth() {
    int n = 0;
    for (FrameNode* f = topframe; f; f = f->next) ++n;
    return n;
}

// Steps until a line is reached and the condition on the depth holds.
template <class Done>
static Stop stepping(uint64_t limit, int32_t stop, Done done) {
    for (uint64_t n = 0; n < limit; ++n) {
        Stop s = step();
        if (s != Stop::step) return s;
        if (stop >= 0 && getpc() == stop) return Stop::address;
        if (online && done()) return Stop::line;
    }
    return Stop::limit;
}

Stop linestep(uint64_t limit, int32_t stop) {
    return stepping(limit, stop, [] { return true; });
}

// Outside any function both take the first line reached.
Stop stepover(uint64_t limit, int32_t stop) {
    int start = depth();
    return stepping(limit, stop, [start] { return start == 0 || depth() <= start; });
}

Stop finish(uint64_t limit, int32_t stop) {
    int start = depth();
    return stepping(limit, stop, [start] { return start == 0 || depth() < start; });
}

namespace {

// Output of the display functions, kept in a string.
class Capture : public TargetServices {
public:
    explicit Capture(TargetServices& outer) : outer_(outer) { setservices(this); }
    ~Capture() override { setservices(&outer_); }
    void error(std::string_view text) override { outer_.error(text); }
    void output(std::string_view text) override { text_.append(text); }
    bool evalexpr(uint32_t* value) override { return outer_.evalexpr(value); }
    std::string floattext(double value) override { return outer_.floattext(value); }
    const std::string& text() const { return text_; }

private:
    TargetServices& outer_;
    std::string text_;
};

}  // namespace

std::string valuetext(const LocalRec* rec, const FrameNode* frame) {
    VarPlace p = readvar(rec, frame);
    Capture capture(services());
    if (nderivations(rec->type) == 0 && (static_cast<uint8_t>(rec->type) == 72 || static_cast<uint8_t>(rec->type) == 73)) {
        dispshort(rec, p.address, nullptr);
    } else {
        showvalue(p.address, nullptr, firstdetail(rec), p.cls, typeposition(rec->type));
    }
    return capture.text();
}

std::string frametext(const FrameNode* frame) {
    const FuncRec* fn = frame->func;
    std::string text = fn->name;
    text += '(';
    bool first = true;
    for (const LocalRec* l = fn->locals; l && l < fn->localsend; ++l) {
        if (!isargclass(l->cls)) continue;
        if (!first) text += ", ";
        text += std::string(l->name) + " = " + valuetext(l, frame);
        first = false;
    }
    text += ") ";
    text += fn->file ? fn->file->name : "";
    text += ':' + std::to_string(frame->line);
    return text;
}

std::string variablestext(const FrameNode* frame) {
    std::string text;
    const FuncRec* fn = frame->func;
    for (const LocalRec* l = fn->locals; l && l < fn->localsend; ++l)
        text += "  " + descresult(l) + " = " + valuetext(l, frame) + "\n";
    return text;
}

}  // namespace vy::simrun
