// What each 68HC11 instruction does to the registers and to target memory,
// the stacking of registers, and interrupt entry.
#pragma once
#include <array>
#include <cstdint>

#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"

namespace vy {

// Handlers of the opcode table, called as handler(opcode, mode, operand)
// after the decoder has fetched the instruction and advanced the PC.
void load(uint8_t opcode, uint8_t mode, uint16_t operand);
void store(uint8_t opcode, uint8_t mode, uint16_t operand);
void transfer(uint8_t opcode, uint8_t mode, uint16_t operand);
void branch(uint8_t opcode, uint8_t mode, uint16_t operand);
void misc(uint8_t opcode, uint8_t mode, uint16_t operand);
void readmodify(uint8_t opcode, uint8_t mode, uint16_t operand);
void bitop(uint8_t opcode, uint8_t mode, uint16_t operand);
void arith8(uint8_t opcode, uint8_t mode, uint16_t operand);
void arith16(uint8_t opcode, uint8_t mode, uint16_t operand);
void compare16(uint8_t opcode, uint8_t mode, uint16_t operand);
void stack(uint8_t opcode, uint8_t mode, uint16_t operand);
void divide(uint8_t opcode, uint8_t mode, uint16_t operand);

// The simulator's executor of each prefix slot and opcode (slot * 256 +
// opcode): the decoder's body compiled for one opcode-table row, called with
// the instruction's address once its opcode byte is fetched. It executes the
// instruction and returns its length, or NOINSTR where there is none. In
// slot 0 the prefix bytes have executors that fetch the opcode and run the
// executor of their slot.
using Executor = uint16_t (*)(uint16_t address);
extern const std::array<Executor, 4 * 256> executors;

// Result of the bit test or bit change of the last bit instruction decoded.
extern uint8_t bitresult;

// Clears the bits of mask in flags, then sets Z and N from the value (when
// they are in the mask): Z when the 8 or 16 bits are 0, N from the top bit.
inline uint8_t setnz(uint8_t flags, uint32_t value, bool wide, uint8_t mask) {
    uint32_t z = (value & (wide ? 0xFFFF : 0xFF)) == 0 ? 0x04 : 0;
    uint32_t n = (value >> (wide ? 12 : 4)) & 0x08;
    return static_cast<uint8_t>((flags & ~mask) | ((z | n) & mask));
}

// Register sets of pushregs and pullregs.
enum : uint8_t {
    STK_CCR = 0x01, STK_B = 0x02, STK_A = 0x04, STK_X = 0x10, STK_Y = 0x20, STK_PC = 0x80,
    STK_ALL = 0xFF,
};
void pushregs(uint8_t set);
void pullregs(uint8_t set);

// Takes the highest-priority takeable interrupt of the mask: 1 when one was.
int takeint(uint32_t* mask);
// The interrupts the condition codes let through: the reset group always,
// XIRQ unless X is set, the maskable ones unless I is set.
inline uint32_t takeable(uint8_t cc) {
    uint32_t allowed = 0x3;
    if (!(cc & CC_X)) allowed |= 0x4;
    if (!(cc & CC_I)) allowed |= ~0x7u;
    return allowed;
}
// 1 when .irq holds a takeable pending interrupt.
inline int intpending() {
    return irqptr && (*irqptr & takeable(regs.cc)) != 0;
}

}  // namespace vy
