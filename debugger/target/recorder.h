// The recorded accessors: the loads and stores of the simulated program pass
// the memory alarms and the data events before they reach memory, and every
// program variable whose storage they touch gets an entry in its usage log.
#pragma once
#include <cstdint>

#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "debugger/target/watch.h"

namespace vy {

struct FuncRec;
struct LocalRec;

enum : int { ACC_READ = 1, ACC_WRITE = 2 };

// One access of a variable's usage log, as its readers see it.
struct UsageEntry {
    uint8_t kind;    // ACC_READ or ACC_WRITE
    uint32_t line;   // source line of the access, or 0
    FuncRec* func;   // function of the access, or null
    uint32_t stamp;  // .time, or 0 without it
};

// The usage log of a variable: every access in order, with the counts of
// reads and writes. Made on the first access; freed with the variable
// (freeusage). A log keeps every access for as long as the program is
// loaded, so its entries are packed: each holds its kind, the change of
// the cycle stamp since the entry before, and the function and the line
// only when they differ from that entry's; most take one or two bytes.
// The bytes go into chunks that double in size as the log grows. Read the
// entries with forusage or a UsageReader.
struct UsageChunk {
    UsageChunk* next;
    uint32_t size, used;  // bytes
    uint8_t bytes[1];     // size of them
};
struct UsageLog {
    UsageChunk* first;
    UsageChunk* current;
    uint32_t reads, writes;
    // The entry appended last, which the next one is packed against.
    uint32_t stamp, line;
    FuncRec* func;

    uint64_t count() const { return static_cast<uint64_t>(reads) + writes; }
};

// The entries of a log, first to last.
class UsageReader {
public:
    explicit UsageReader(const UsageLog* log) : chunk_(log ? log->first : nullptr) {}
    // The next entry into e; false at the end.
    bool next(UsageEntry& e);

private:
    const UsageChunk* chunk_;
    uint32_t at_ = 0;
    UsageEntry last_{0, 0, nullptr, 0};
};

template <class F>
void forusage(const UsageLog* log, F each) {
    UsageReader reader(log);
    UsageEntry e;
    while (reader.next(e)) each(e);
}

// Frees a log (null is no log); returns null.
UsageLog* freeusage(UsageLog* log);

// Appends one access to a variable's log: the cycle stamp, and the function
// and line of the top frame (else of the line at or below the PC).
void logusage(LocalRec* rec, int kind);
// Appends an entry to a log (made when null).
void appendusage(UsageLog*& log, int kind, uint32_t stamp, FuncRec* func, uint32_t line);

// Which addresses the usage logs look at: bit 0 for the storage of a
// file-level variable, bit 1 for a variable of the top frame's function.
// An access elsewhere logs nothing; one here goes through logaccess.
extern uint8_t usagemap[65536];
inline bool usagewatched(uint16_t address) { return usagemap[address] != 0; }
void logaccess(uint16_t address, int kind);
// The file-level variables of the loaded program (after a load, or after
// the tables were freed) and the top frame (after it moved, was fixed, or
// another frame came on top) are marked again.
void variableschanged();
void framesmoved();

// The alarms, the walk of the event list and the usage logs for one access
// (recorder.cpp).
void recordaccess(uint16_t address, int kind);

// Clears the pending data hit and leaves the first data event that the
// access matches as the new one; shows the access to the memory alarms;
// logs it for the variables whose storage it touches. Where the watch index
// holds no data event, no alarm is set and no variable lies, nothing can
// match, and only the hit is cleared.
inline void RecordMemoryAccess(uint16_t address, int kind) {
    const uint64_t* bits = kind == ACC_READ ? watch.dataread : watch.datawrite;
    if (services().alarms || watched(bits, address) || usagewatched(address)) recordaccess(address, kind);
    else datahit = nullptr;
}

// recrdbyte and recwrbyte out of line, for all but their common case: no
// alarms, no watch bit, no variable and the recent page.
uint8_t recrdbyteslow(uint16_t address);
void recwrbyteslow(uint16_t address, uint8_t value);

// A recorded byte goes to its page directly, without the memory-event check.
inline uint8_t recrdbyte(uint16_t address) {
    if (!services().alarms && !watched(watch.dataread, address) && !usagewatched(address) &&
        address >> 9 == recent.datapage) {
        datahit = nullptr;
        return recent.data->data[address & (PAGESIZE - 1)];
    }
    return recrdbyteslow(address);
}

inline void recwrbyte(uint16_t address, uint8_t value) {
    if (!services().alarms && !watched(watch.datawrite, address) && !usagewatched(address) &&
        address >> 9 == recent.datapage) {
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
