#include "debugger/target/exports.h"

#include "debugger/target/memory.h"
#include "debugger/target/symbols.h"

// Addresses use their low 16 bits, values the bits of their size.
extern "C" {
uint32_t ReadByte(uint32_t address) { return vy::rdbyte(static_cast<uint16_t>(address)); }
uint32_t ReadWord(uint32_t address) { return vy::rdword(static_cast<uint16_t>(address)); }
uint32_t ReadLong(uint32_t address) { return vy::rdlong(static_cast<uint16_t>(address)); }
void WriteByte(uint32_t address, uint32_t value) {
    vy::wrbyte(static_cast<uint16_t>(address), static_cast<uint8_t>(value));
}
void WriteWord(uint32_t address, uint32_t value) {
    vy::wrword(static_cast<uint16_t>(address), static_cast<uint16_t>(value));
}
void WriteLong(uint32_t address, uint32_t value) { vy::wrlong(static_cast<uint16_t>(address), value); }
vy::SymRec* rensym(const char* name) { return vy::rensym(name); }
}
