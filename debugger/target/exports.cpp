#include "debugger/target/exports.h"

#include "debugger/target/memory.h"
#include "debugger/target/symbols.h"

extern "C" {
uint8_t ReadByte(uint16_t address) { return vy::rdbyte(address); }
void WriteByte(uint16_t address, uint8_t value) { vy::wrbyte(address, value); }
uint16_t ReadWord(uint16_t address) { return vy::rdword(address); }
void WriteWord(uint16_t address, uint16_t value) { vy::wrword(address, value); }
uint32_t ReadLong(uint16_t address) { return vy::rdlong(address); }
void WriteLong(uint16_t address, uint32_t value) { vy::wrlong(address, value); }
vy::SymRec* rensym(const char* name) { return vy::rensym(name); }
}
