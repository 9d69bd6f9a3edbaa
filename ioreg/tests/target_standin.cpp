#include "target_standin.h"

#include <cstdio>
#include <cstring>

namespace vy::standin {

uint8_t memory[65536];
std::vector<std::string> calls;

static void log(const char* name, uint32_t address) {
    char line[64];
    std::snprintf(line, sizeof line, "%s 0x%x", name, static_cast<unsigned>(address));
    calls.push_back(line);
}

static void log(const char* name, uint32_t address, uint32_t value) {
    char line[64];
    std::snprintf(line, sizeof line, "%s 0x%x 0x%x", name, static_cast<unsigned>(address), static_cast<unsigned>(value));
    calls.push_back(line);
}

static uint8_t& at(uint32_t address) { return memory[address & 0xFFFF]; }

void mdiupdate() { calls.push_back("MDIUpdate"); }

uint32_t readbyte(uint32_t address) {
    log("ReadByte", address);
    return at(address);
}

uint32_t readword(uint32_t address) {
    log("ReadWord", address);
    return static_cast<uint32_t>(at(address)) << 8 | at(address + 1);
}

uint32_t readlong(uint32_t address) {
    log("ReadLong", address);
    uint32_t value = 0;
    for (uint32_t i = 0; i < 4; ++i) value = value << 8 | at(address + i);
    return value;
}

void writebyte(uint32_t address, uint32_t value) {
    log("WriteByte", address, value);
    at(address) = static_cast<uint8_t>(value);
}

void writeword(uint32_t address, uint32_t value) {
    log("WriteWord", address, value);
    at(address) = static_cast<uint8_t>(value >> 8);
    at(address + 1) = static_cast<uint8_t>(value);
}

void writelong(uint32_t address, uint32_t value) {
    log("WriteLong", address, value);
    for (uint32_t i = 0; i < 4; ++i) at(address + i) = static_cast<uint8_t>(value >> (24 - 8 * i));
}

int32_t datamemupdate(int32_t full) {
    calls.push_back("VyrDataMemUpdate " + std::to_string(full));
    return 1;
}

DebuggerCalls table() {
    return {mdiupdate, readbyte, readword, readlong, writebyte, writeword, writelong, datamemupdate};
}

void reset() {
    std::memset(memory, 0, sizeof memory);
    calls.clear();
}

std::vector<std::string> callsof(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : calls)
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}

}  // namespace vy::standin
