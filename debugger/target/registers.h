// The register model of the simulated 68HC11. D is A:B; every reader and
// writer goes through getreg and setreg with a register code.
#pragma once
#include <cstdint>

namespace vy {

struct RegImage {
    uint8_t a, b, cc;
    uint16_t x, y, sp, pc;
};
extern RegImage regs;

enum RegCode : uint16_t {
    REG_A = 16, REG_B = 32, REG_CCR = 48, REG_D = 64,
    REG_X = 80, REG_Y = 96, REG_SP = 112, REG_PC = 128,
};

enum : uint8_t {
    CC_S = 0x80, CC_X = 0x40, CC_H = 0x20, CC_I = 0x10,
    CC_N = 0x08, CC_Z = 0x04, CC_V = 0x02, CC_C = 0x01,
};

void badregister();

inline uint32_t getreg(uint16_t code) {
    switch (code) {
    case REG_A: return regs.a;
    case REG_B: return regs.b;
    case REG_CCR: return regs.cc;
    case REG_D: return static_cast<uint32_t>(regs.a) << 8 | regs.b;
    case REG_X: return regs.x;
    case REG_Y: return regs.y;
    case REG_SP: return regs.sp;
    case REG_PC: return regs.pc;
    default: badregister(); return 0;
    }
}

inline void setreg(uint16_t code, uint32_t value) {
    switch (code) {
    case REG_A: regs.a = static_cast<uint8_t>(value); break;
    case REG_B: regs.b = static_cast<uint8_t>(value); break;
    case REG_CCR: regs.cc = static_cast<uint8_t>(value); break;
    case REG_D:
        regs.a = static_cast<uint8_t>(value >> 8);
        regs.b = static_cast<uint8_t>(value);
        break;
    case REG_X: regs.x = static_cast<uint16_t>(value); break;
    case REG_Y: regs.y = static_cast<uint16_t>(value); break;
    case REG_SP: regs.sp = static_cast<uint16_t>(value); break;
    case REG_PC: regs.pc = static_cast<uint16_t>(value); break;
    default: break;
    }
}

inline void putreg(uint16_t code, uint32_t value) { setreg(code, value); }
inline uint16_t getpc() { return regs.pc; }
inline void setpc(uint32_t value) { regs.pc = static_cast<uint16_t>(value); }
inline uint16_t getsp() { return regs.sp; }

uint16_t regcode(const char* name);
const char* regname(uint16_t code);

RegImage* regsave(RegImage* image);
void regrestore(const RegImage* image);
uint32_t regsize();

void cpureset();
// One-line register text for instruction traces (at most 512 bytes).
void regline(char* buffer);
void RegWinRefresh(int code);

}  // namespace vy
