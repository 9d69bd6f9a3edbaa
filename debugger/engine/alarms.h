// Alarms watch the whole run rather than one place: the memory alarm fires
// when the simulated program accesses memory inside (or outside) address
// ranges, the PC alarm when the program counter enters (or leaves) ranges,
// and the stack alarm when the stack pointer leaves a window. Each fires at
// most once per configuration and is reported by the event check as a
// pseudo event: one that stops the run when "Break" was checked, and one that
// only reports otherwise.
#pragma once
#include <cstdint>
#include <vector>

namespace vy {

struct Event;

// One range: the condition holds when low <= address < high, or with the
// invert flag when it does not.
struct AlarmRange {
    uint8_t invert;
    uint32_t low, high;
};

enum : uint8_t { ALARM_OR = 0, ALARM_AND = 1 };
enum : uint8_t { ALARM_ANY = 0, ALARM_READ = 1, ALARM_WRITE = 2 };

struct RangeAlarm {
    uint8_t enabled;        // "On"; cleared when the alarm is reported
    uint8_t fired;          // 0, or (memory alarm) the access kind that fired it
    uint8_t filter;         // memory alarm: ALARM_ANY, ALARM_READ, ALARM_WRITE
    uint8_t mode;           // ALARM_OR: any range condition; ALARM_AND: all
    uint8_t brk;            // "Break": the pseudo event stops the run
    std::vector<AlarmRange> ranges;
};

struct StackAlarm {
    uint32_t enabled;
    uint16_t low, high;
    uint8_t brk;
};

// The dialogs' OK: the alarm becomes the one given (none for an empty range
// list), its pseudo event stops the run when brk is set, and it may fire and
// be reported again.
void setmemalarm(const RangeAlarm& alarm);
void setpcalarm(const RangeAlarm& alarm);
void setstkalarm(const StackAlarm& alarm);
// The alarms as configured (null when there is none), for the dialogs.
const RangeAlarm* memalarmconfig();
const RangeAlarm* pcalarmconfig();
const StackAlarm& stkalarmconfig();
// All alarms gone, as at start-up.
void clearalarms();

// Called for each recorded data access (1 read, 2 write): fires the memory
// alarm when the access meets its ranges.
void memalarm(uint16_t address, int kind);
// Whether each alarm has fired; unless quiet, firing also switches it off.
int memalarmstate(int quiet);
int pcalarm(int quiet);
int stkalarm(int quiet);

// The alarm that fired and was not reported yet, reported (unless quiet) with
// its line "!!! MEM Alarm !!! " and the like; null when none. The memory
// alarm comes first, then the PC alarm, then the stack alarm.
Event* chkalarms(int quiet);

// Whether any alarm is on: the event check looks no further when none is.
bool alarmson();

}  // namespace vy
