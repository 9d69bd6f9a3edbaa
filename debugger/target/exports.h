// Functions of the debugger program that plug-ins look up by name.
#pragma once
#include <cstdint>

#ifdef _WIN32
#define VY_EXPORT __declspec(dllexport)
#else
#define VY_EXPORT
#endif

namespace vy {
struct SymRec;
}

extern "C" {
VY_EXPORT uint8_t ReadByte(uint16_t address);
VY_EXPORT void WriteByte(uint16_t address, uint8_t value);
VY_EXPORT uint16_t ReadWord(uint16_t address);
VY_EXPORT void WriteWord(uint16_t address, uint16_t value);
VY_EXPORT uint32_t ReadLong(uint16_t address);
VY_EXPORT void WriteLong(uint16_t address, uint32_t value);
VY_EXPORT vy::SymRec* rensym(const char* name);
}
