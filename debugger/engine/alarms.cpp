#include "debugger/engine/alarms.h"

#include "debugger/engine/events.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"

namespace vy {

// A range alarm without ranges is none.
static RangeAlarm memory, pc;
static StackAlarm stack;

// The pseudo events that the event check returns: count 1, a watchpoint
// unless "Break" was checked, and `left` as the reported flag.
static Event memevent, pcevent, stkevent;

static void setpseudo(Event& e, uint8_t brk) {
    e.cls = 'C';
    e.count = 1;
    e.active = 1;
    e.user = 1;
    e.watch = brk ? 0 : 1;
    e.left = 0;
}

// The memory-access recorder shows an access to the alarm only while it
// can still fire.
static void armrecorder() { services().alarms = !memory.ranges.empty() && memory.enabled && !memory.fired; }

void setmemalarm(const RangeAlarm& alarm) {
    memory = alarm;
    setpseudo(memevent, alarm.brk);
    armrecorder();
}

void setpcalarm(const RangeAlarm& alarm) {
    pc = alarm;
    setpseudo(pcevent, alarm.brk);
}

void setstkalarm(const StackAlarm& alarm) {
    stack = alarm;
    setpseudo(stkevent, alarm.brk);
}

const RangeAlarm* memalarmconfig() { return memory.ranges.empty() ? nullptr : &memory; }
const RangeAlarm* pcalarmconfig() { return pc.ranges.empty() ? nullptr : &pc; }
const StackAlarm& stkalarmconfig() { return stack; }

void clearalarms() {
    setmemalarm({});
    setpcalarm({});
    setstkalarm({});
}

// The ranges' verdict on an address: in mode Or the first condition that
// holds fires, in mode And the first that fails ends the walk.
static bool inranges(const RangeAlarm& a, uint32_t address) {
    for (const AlarmRange& r : a.ranges) {
        bool holds = (r.low <= address && address < r.high) != (r.invert != 0);
        if (a.mode == ALARM_OR && holds) return true;
        if (a.mode == ALARM_AND && !holds) return false;
    }
    return a.mode == ALARM_AND;
}

void memalarm(uint16_t address, int kind) {
    if (memory.ranges.empty() || !memory.enabled || memory.fired) return;
    if (inranges(memory, address)) {
        memory.fired = static_cast<uint8_t>(kind);
        armrecorder();
    }
}

int memalarmstate(int quiet) {
    if (memory.ranges.empty() || !memory.enabled || !memory.fired) return 0;
    if (memory.filter != ALARM_ANY && memory.filter != memory.fired) return 0;
    if (!quiet) memory.enabled = 0;
    return 1;
}

int pcalarm(int quiet) {
    if (pc.ranges.empty() || !pc.enabled || !inranges(pc, getpc())) return 0;
    pc.fired = 1;
    if (!quiet) pc.enabled = 0;
    return 1;
}

int stkalarm(int quiet) {
    if (!stack.enabled) return 0;
    uint16_t sp = getsp();
    if (sp >= stack.low && sp <= stack.high) return 0;
    if (!quiet) stack.enabled = 0;
    return 1;
}

// A fired alarm not reported yet: found (quiet), or reported once.
static Event* report(int fired, Event& e, const char* line, int quiet) {
    if (!fired || e.left) return nullptr;
    if (quiet) return &e;
    e.left = 1;
    dbputs({line});
    return &e;
}

Event* chkalarms(int quiet) {
    if (Event* e = report(memalarmstate(quiet), memevent, "!!! MEM Alarm !!! \n", quiet)) return e;
    if (Event* e = report(pcalarm(quiet), pcevent, "!!! Pc Alarm !!! \n", quiet)) return e;
    return report(stkalarm(quiet), stkevent, "!!! Stack Alarm !!! \n", quiet);
}

bool alarmson() {
    return (!memory.ranges.empty() && memory.enabled) || (!pc.ranges.empty() && pc.enabled) || stack.enabled;
}

}  // namespace vy
