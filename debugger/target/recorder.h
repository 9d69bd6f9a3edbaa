// The recorded accessors: the loads and stores of the simulated program pass
// the memory alarms and the data events before they reach memory.
#pragma once
#include <cstdint>

#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "debugger/target/watch.h"

namespace vy {

enum : int { ACC_READ = 1, ACC_WRITE = 2 };

// The alarms and the walk of the event list for one access (recorder.cpp).
void recordaccess(uint16_t address, int kind);

// Clears the pending data hit and leaves the first data event that the
// access matches as the new one; shows the access to the memory alarms.
// Where the watch index holds no data event and no alarm is set, nothing
// can match, and only the hit is cleared.
inline void RecordMemoryAccess(uint16_t address, int kind) {
    const uint64_t* bits = kind == ACC_READ ? watch.dataread : watch.datawrite;
    if (services().alarms || watched(bits, address)) recordaccess(address, kind);
    else datahit = nullptr;
}

// recrdbyte and recwrbyte out of line, for all but their common case: no
// alarms, no watch bit and the recent page.
uint8_t recrdbyteslow(uint16_t address);
void recwrbyteslow(uint16_t address, uint8_t value);

// A recorded byte goes to its page directly, without the memory-event check.
inline uint8_t recrdbyte(uint16_t address) {
    if (!services().alarms && !watched(watch.dataread, address) && address >> 9 == recent.datapage) {
        datahit = nullptr;
        return recent.data->data[address & (PAGESIZE - 1)];
    }
    return recrdbyteslow(address);
}

inline void recwrbyte(uint16_t address, uint8_t value) {
    if (!services().alarms && !watched(watch.datawrite, address) && address >> 9 == recent.datapage) {
        datahit = nullptr;
        recent.data->data[address & (PAGESIZE - 1)] = value;
        recent.data->state |= PAGE_DIRTY;
        return;
    }
    recwrbyteslow(address, value);
}

inline uint16_t recrdword(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return rdword(address);
}

inline void recwrword(uint16_t address, uint16_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    wrword(address, value);
}

inline uint32_t recrdlong(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return rdlong(address);
}

inline void recwrlong(uint16_t address, uint32_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    wrlong(address, value);
}

inline uint16_t recgetword(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return getword(address);
}

inline void recputword(uint16_t address, uint16_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    putword(address, value);
}

}  // namespace vy
