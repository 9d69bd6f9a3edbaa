// A stand-in for the debugger behind the plug-in's eight calls: a 64 KB
// target memory (big-endian words and longs, addresses cut to 16 bits) and
// a log of every call, one line each ("ReadByte 0x3000", "WriteWord 0x1000
// 0xffffffff", "VyrDataMemUpdate 1", "MDIUpdate"). The native tests call it
// through the plug-in's function table; the Windows test host exports it
// under the debugger's names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/plugin_exports.h"

namespace vy::standin {

extern uint8_t memory[65536];
extern std::vector<std::string> calls;

void mdiupdate();
uint32_t readbyte(uint32_t address);
uint32_t readword(uint32_t address);
uint32_t readlong(uint32_t address);
void writebyte(uint32_t address, uint32_t value);
void writeword(uint32_t address, uint32_t value);
void writelong(uint32_t address, uint32_t value);
int32_t datamemupdate(int32_t full);

// The table of the eight, as the plug-in would have looked them up.
DebuggerCalls table();
// Memory all zero and an empty log.
void reset();
// The log lines that begin with `prefix`.
std::vector<std::string> callsof(const std::string& prefix);

}  // namespace vy::standin
