// The index of watched addresses: one bit per target address and access
// kind, telling whether an access there can match a memory event or a data
// event at all. The accessors test one bit, and only where it is set does
// the event check walk its list, so that events cost little on the
// simulator's fast path. The bits are a superset of what can match: the
// walk decides exactly, as if every access had been checked.
//
// reindexevents rebuilds the index from the lists `memevents` and
// `eventlist` (services.h); whoever adds, removes or changes an event in
// either list calls it afterwards. A check that runs event commands calls it
// itself, since the commands may change the events.
#pragma once
#include <cstdint>

namespace vy {

constexpr int WATCHWORDS = 65536 / 64;

struct WatchIndex {
    // Memory events: reads (kind 1), writes (kind 2), and the execution
    // check (kind 5), which matches read events and events on any address.
    uint64_t memread[WATCHWORDS];
    uint64_t memwrite[WATCHWORDS];
    uint64_t memexec[WATCHWORDS];
    // Data events of the event list, for the recorded accesses.
    uint64_t dataread[WATCHWORDS];
    uint64_t datawrite[WATCHWORDS];
};
extern WatchIndex watch;
// While set, the index marks every address, so that every access walks the
// lists (the reference step's runs, reference_step.h).
extern bool watchall;

inline bool watched(const uint64_t* bits, uint16_t address) {
    return (bits[address >> 6] >> (address & 63)) & 1;
}

void reindexevents();

}  // namespace vy
