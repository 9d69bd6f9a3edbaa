// State that the target model shares with the command engine: the run-control
// flags, the older core's command reader and memory events, the event list,
// and the load flags. The engine owns the meaning of most fields; they live
// here so that the target model and the engine can be linked either way round.
#pragma once
#include <cstdint>

namespace vy {

struct RunFlags {
    uint8_t armed;           // memory events are checked while set
    uint8_t skipone;         // the next rdbyte goes unchecked (then cleared)
    uint32_t lasthit;        // number of the memory event that fired last
    uint16_t lasthitaddr;    // address at which it fired
    uint8_t callmade;        // set by jsr and bsr
    uint8_t stepover;        // step-over mode
    int32_t nesting;         // step-over call depth
    uint8_t reshow;          // forces the current line to be shown again
    uint8_t listing;         // a listing command is running
    uint8_t srctrace;        // source trace on
    uint32_t stepcount;      // remaining steps of a run
    uint32_t runnesting;     // run nesting
    uint8_t stepping;        // stepping mode
    uint8_t runrequest[2];   // the two run requests a load clears
    uint32_t tracecount;     // source-trace count
};
extern RunFlags runflags;

// One memory event of the older command core, kept in number order.
struct MemEvent {
    MemEvent* next;
    uint16_t flags;       // MEV_READ, MEV_WRITE, MEV_ANY, MEV_DELETED
    uint16_t number;
    uint16_t low, high;   // inclusive address range
    char* block;          // command block; its text starts 4 bytes in
};
enum : uint16_t { MEV_READ = 1, MEV_WRITE = 2, MEV_ANY = 4, MEV_DELETED = 8 };
extern MemEvent* memevents;

// The older core's command reader: the text position, the event whose
// command runs, and the continue flag that such a command sets.
struct CommandReader {
    const char* pos;
    MemEvent* event;
    uint8_t cont;
};
extern CommandReader reader;

// A variable as an event of the event list sees it.
struct EventVar {
    uint16_t address;
    uint32_t size;
};

// One event of the debugger's event list; the recorder looks at data events.
struct EventRecord {
    EventRecord* next;
    char cls;          // 'D' for a data event
    char access;       // 'A' any, 'R' read, 'W' write
    EventVar* var;
};
extern EventRecord* eventlist;
extern EventRecord* datahit;   // data event matched by the last recorded access

// Set by the progress dialog's cancel button; loaders stop between records.
extern uint8_t LoadAbortFlag;
// Set when a load failed so that the program cannot be used; the load
// command tests it.
extern uint8_t LoadFailed;

}  // namespace vy
