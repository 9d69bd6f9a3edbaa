// The recorded accessors: the loads and stores of the simulated program pass
// the memory alarms and the data events before they reach memory.
#pragma once
#include <cstdint>

namespace vy {

enum : int { ACC_READ = 1, ACC_WRITE = 2 };

void RecordMemoryAccess(uint16_t address, int kind);

uint8_t recrdbyte(uint16_t address);
void recwrbyte(uint16_t address, uint8_t value);
uint16_t recrdword(uint16_t address);
void recwrword(uint16_t address, uint16_t value);
uint32_t recrdlong(uint16_t address);
void recwrlong(uint16_t address, uint32_t value);
uint16_t recgetword(uint16_t address);
void recputword(uint16_t address, uint16_t value);

}  // namespace vy
