// The table of interrupt sources: a name, a vector address and one bit of
// the pending mask ".irq" each. The built-in table holds the 68HC11's own
// sources, highest priority first.
#pragma once
#include <cstdint>

namespace vy {

struct FileRec;
struct FuncRec;

struct IntDesc {
    const char* name;   // null ends the table
    uint32_t vector;
    uint32_t mask;
    // timed trigger
    uint8_t timeactive = 0, timetriggered = 0;
    uint32_t nexttime = 0, firstat = 0, period = 0;
    // location trigger
    uint8_t locactive = 0, loctriggered = 0, byaddress = 0, wholefunc = 0;
    int16_t staysactive = 0, hitcount = 1, hits = 0;
    FileRec* file = nullptr;
    FuncRec* func = nullptr;
    uint32_t firstline = 0, lastline = 0;
    uint16_t address = 0;
};

// The table in use (the built-in one until another is selected).
extern IntDesc* inttable;
IntDesc* builtininttable();

// The vector address of the source with that mask; 0 when there is none.
uint32_t intvector(uint32_t mask);
// The cycle counter .time, or 0 while it is undefined.
uint32_t getcycles();
// Resets the trigger fields of every source of the table in use: no timed
// or location trigger armed, hit count 1.
void resettriggers();
// Raises a source found by name (byname set) or by vector: 1 when found.
int raiseint(uint32_t vector, const char* name, int byname);

}  // namespace vy
