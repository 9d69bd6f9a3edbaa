// Target memory: the flat 64 KB of the simulated 68HC11, kept in 512-byte
// pages in a cache of 124 slots, with a swap file for pages pushed out.
// Every access goes through the accessors here; words and longs are
// big-endian.
#pragma once
#include <cstdint>

#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"

namespace vy {

constexpr int PAGESIZE = 512;
constexpr int NSLOTS = 124;
constexpr int NPAGES = 65536 / PAGESIZE;

enum : uint8_t { PAGE_USED = 1, PAGE_DIRTY = 2 };

struct MemPage {
    uint16_t pageaddr;     // address of the page's first byte
    uint32_t swapoffset;   // page index in the swap file times 512
    uint8_t state;         // 0 free, PAGE_USED, PAGE_USED | PAGE_DIRTY
    uint16_t stamp;        // use stamp, for least-recently-used replacement
    uint8_t data[PAGESIZE];
};

// The slot that holds each page, or null.
extern MemPage* resident[NPAGES];
extern uint16_t usestamp;

// The page used last for instruction bytes and the page used last for
// data, each with its slot (page number -1 for none). Using one of them
// takes no stamp: both are newer than every other page, so neither can be
// the least recently used one. When another page is used, both get their
// stamps first, so that the stamps order every page by its last use before
// a victim is chosen.
struct RecentPages {
    int32_t codepage, datapage;
    MemPage* code;
    MemPage* data;
};
extern RecentPages recent;

void meminit();
void initswap();
int tgtready();
void memclose();

MemPage* pagein(uint16_t address);
void restamp();
// getpage for a page other than the recent one of its kind.
MemPage* getotherpage(uint16_t address, bool code);

inline MemPage* getpage(uint16_t address) {
    if (address >> 9 == recent.datapage) return recent.data;
    return getotherpage(address, false);
}

// getpage for the bytes of instructions.
inline MemPage* getcodepage(uint16_t address) {
    if (address >> 9 == recent.codepage) return recent.code;
    return getotherpage(address, true);
}

uint32_t scanmemevt(uint16_t address, int kind);
// Counts the walks of scanmemevt: a run loop that keeps state between
// steps sees by it whether an event was checked (its conditions and
// commands may have changed anything).
extern uint32_t eventscans;

// Whether an access of this kind at this address can match a memory event:
// its bit in the watch index, and for the execution check a due time break.
inline bool memevtpossible(uint16_t address, int kind) {
    switch (kind) {
    case 1: return watched(watch.memread, address);
    case 2: return watched(watch.memwrite, address);
    case 5:
        return watched(watch.memexec, address) ||
               (btimeptr && timeptr && *btimeptr <= *timeptr);
    default: return true;
    }
}

// The memory-event check: kind 1 read, 2 write, 5 the execution check at
// the PC. Returns the number of the event that fired last, or 0. Where no
// event can match, the walk could find nothing and is skipped.
inline uint32_t chkmemevt(uint16_t address, int kind) {
    if (!memevtpossible(address, kind)) return runflags.lasthit;
    return scanmemevt(address, kind);
}

// The event check of a read: unless the one-shot skip flag is set (it is
// cleared instead), a read is checked while events are armed, where its
// watch bit says that an event can match.
inline void rdcheck(uint16_t address) {
    if (runflags.skipone) [[unlikely]]
        runflags.skipone = 0;
    else if (watched(watch.memread, address) && runflags.armed) [[unlikely]]
        scanmemevt(address, 1);
}

// rdbyte and rdcode out of line, for all but their common case: no skip
// pending, no watch bit, and the recent page.
uint8_t rdbyteslow(uint16_t address);
uint8_t rdcodeslow(uint16_t address);

inline uint8_t rdbyte(uint16_t address) {
    if (!runflags.skipone && !watched(watch.memread, address) && address >> 9 == recent.datapage)
        return recent.data->data[address & (PAGESIZE - 1)];
    return rdbyteslow(address);
}

// rdbyte for the bytes of an instruction.
inline uint8_t rdcode(uint16_t address) {
    if (!runflags.skipone && !watched(watch.memread, address) && address >> 9 == recent.codepage)
        return recent.code->data[address & (PAGESIZE - 1)];
    return rdcodeslow(address);
}

inline uint16_t rdcodeword(uint16_t address) {
    uint16_t high = rdcode(address);
    return static_cast<uint16_t>(high << 8 | rdcode(static_cast<uint16_t>(address + 1)));
}

// wrbyte out of line, for all but its common case: no watch bit and the
// recent page.
void wrbyteslow(uint16_t address, uint8_t value);

// The store comes first, then the event check while events are armed.
inline void wrbyte(uint16_t address, uint8_t value) {
    if (!watched(watch.memwrite, address) && address >> 9 == recent.datapage) {
        recent.data->data[address & (PAGESIZE - 1)] = value;
        recent.data->state |= PAGE_DIRTY;
        return;
    }
    wrbyteslow(address, value);
}

inline uint16_t rdword(uint16_t address) {
    uint16_t high = rdbyte(address);
    return static_cast<uint16_t>(high << 8 | rdbyte(static_cast<uint16_t>(address + 1)));
}

inline void wrword(uint16_t address, uint16_t value) {
    wrbyte(address, static_cast<uint8_t>(value >> 8));
    wrbyte(static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value));
}

inline uint32_t rdlong(uint16_t address) {
    uint32_t high = rdword(address);
    return high << 16 | rdword(static_cast<uint16_t>(address + 2));
}

inline void wrlong(uint16_t address, uint32_t value) {
    wrword(address, static_cast<uint16_t>(value >> 16));
    wrword(static_cast<uint16_t>(address + 2), static_cast<uint16_t>(value));
}

inline uint16_t getword(uint16_t address) { return rdword(address); }
inline void putword(uint16_t address, uint16_t value) { wrword(address, value); }

void rdblock(uint8_t* buffer, uint16_t address, uint16_t count);
void wrblock(uint16_t address, const uint8_t* buffer, uint16_t count);

// The swap file's path (empty before initswap).
const char* swappath();

}  // namespace vy
