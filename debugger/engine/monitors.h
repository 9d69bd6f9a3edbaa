// Monitors: expressions whose values the monitors window shows after every
// stop, and the refresh of the views that follow the target.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace vy {

struct ResultRecord;

struct MonitorRecord {
    MonitorRecord* next;
    std::string value;      // the value text last shown (the monitors window's)
    uint32_t number;        // 1 upwards, the smallest free
    uint32_t on;            // 1 shown, 0 switched off
    uint32_t celladdress;   // a memory-cell monitor's address
    char size;              // a memory-cell monitor: 'b', 'w' or 'l'; else 0
    char format;            // the putresult letter; 0 = natural
    std::string text;       // the expression as written
};

// The monitor list, sorted by number, and its length.
extern MonitorRecord* monitors;
extern uint32_t monitorcount;
// The list changed since the monitors window was last refreshed.
extern bool monitorschanged;
// Set while a source trace is replayed: the views that follow the target
// show the trace, not the target.
extern bool norefresh;

// Adds a monitor on the expression's text with a format letter ('s' and
// 'c' are kept as 'S' and 'C'); a monitor with that text already there
// only takes the letter.
void addmonit(const ResultRecord* r, char letter);
// The monitor-as-byte, -word and -long items (927, 928, 929): a hex monitor
// of the memory cell "[name].b" (".w", ".l") at the address.
void monitcell(const char* name, uint32_t address, int menuid);
// Deletes a monitor ("monitor not found" when absent), or with -1 all.
void rmmonit(int number);
// Deletes the monitor with that text: whether there was one.
bool rmmonittext(const char* text);
MonitorRecord* findmonit(uint32_t number);
// Its text, or an empty text when there is none.
const char* monittext(uint32_t number);
void setmonfmt(MonitorRecord* m, char letter);
// Writes each monitor as the command that makes it again.
void writemonits(std::FILE* file);
// Deletes every monitor without a message.
void clearmonitors();

// The monitors as the source trace records them: livemonitors and
// monitorvalue of source_trace.h.

// The views that follow the target, in order: the I/O-register plug-in, the
// data memory windows, the variables windows, the monitors window (when
// there are monitors or it is shown) and the kernel-awareness library.
void refreshfollowers();

}  // namespace vy
