// The arithmetic and logic instructions against their definitions: every
// 8-bit accumulator, operand and carry through the immediate forms and the
// accumulator read-modify-write forms, and a spread of 16-bit operands,
// with the results and flags computed here in plain signed and unsigned
// arithmetic (the reference manual's definitions; V of the right shifts is
// N xor C, tst clears C and adc counts the carry for H, as the simulator
// follows the manual there).
#include <cstdint>
#include <string>

#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "target_fixture.h"

namespace vy {
namespace {

constexpr uint8_t H = 0x20, N = 0x08, Z = 0x04, V = 0x02, C = 0x01;

// The flags an 8-bit result gives, over the untouched bits of cc.
uint8_t nz8(uint8_t cc, unsigned r) {
    cc &= static_cast<uint8_t>(~(N | Z));
    if ((r & 0xFF) == 0) cc |= Z;
    if (r & 0x80) cc |= N;
    return cc;
}

bool fitsbyte(int v) { return v >= -128 && v <= 127; }
int sbyte(unsigned v) { return static_cast<int8_t>(static_cast<uint8_t>(v)); }

struct Result {
    uint8_t value;
    uint8_t cc;
    bool stores;   // the accumulator takes the result
};

// One 8-bit operation by its low opcode nibble, as the manual defines it.
Result reference8(int op, unsigned acc, unsigned m, uint8_t cc) {
    bool carry = cc & C;
    switch (op) {
    case 0x0:    // sub
    case 0x1:    // cmp
    case 0x2: {  // sbc
        unsigned borrow = op == 0x2 ? carry : 0;
        int diff = static_cast<int>(acc) - static_cast<int>(m) - static_cast<int>(borrow);
        uint8_t f = cc & static_cast<uint8_t>(~(V | C));
        if (diff < 0) f |= C;
        if (!fitsbyte(sbyte(acc) - sbyte(m) - static_cast<int>(borrow))) f |= V;
        return {static_cast<uint8_t>(diff), nz8(f, static_cast<unsigned>(diff)), op != 0x1};
    }
    case 0x9:    // adc
    case 0xB: {  // add
        unsigned in = op == 0x9 ? carry : 0;
        unsigned sum = acc + m + in;
        uint8_t f = cc & static_cast<uint8_t>(~(H | V | C));
        if (sum > 0xFF) f |= C;
        if (!fitsbyte(sbyte(acc) + sbyte(m) + static_cast<int>(in))) f |= V;
        if ((acc & 0x0F) + (m & 0x0F) + in > 0x0F) f |= H;
        return {static_cast<uint8_t>(sum), nz8(f, sum), true};
    }
    case 0x4: return {static_cast<uint8_t>(acc & m), nz8(cc & ~V, acc & m), true};
    case 0x5: return {static_cast<uint8_t>(acc & m), nz8(cc & ~V, acc & m), false};
    case 0x8: return {static_cast<uint8_t>(acc ^ m), nz8(cc & ~V, acc ^ m), true};
    case 0xA: return {static_cast<uint8_t>(acc | m), nz8(cc & ~V, acc | m), true};
    }
    return {0, 0, false};
}

// One read-modify-write operation by its low opcode nibble.
Result referencermw(int op, unsigned v, uint8_t cc) {
    bool carry = cc & C;
    unsigned r = v;
    uint8_t f = cc;
    auto shifted = [&](unsigned result, bool out) {
        f = nz8(static_cast<uint8_t>(f & ~(V | C)) | (out ? C : 0), result);
        bool n = result & 0x80;
        if (n != out) f |= V;
        r = result;
    };
    switch (op) {
    case 0x0:
        r = (0x100 - v) & 0xFF;
        f = static_cast<uint8_t>(f & ~(V | C)) | (v == 0x80 ? V : 0) | (v != 0 ? C : 0);
        break;
    case 0x3: r = ~v & 0xFF; f = static_cast<uint8_t>((f & ~V) | C); break;
    case 0x4: shifted(v >> 1, v & 1); return {static_cast<uint8_t>(r), f, true};
    case 0x6: shifted((v >> 1) | (carry ? 0x80 : 0), v & 1); return {static_cast<uint8_t>(r), f, true};
    case 0x7: shifted((v >> 1) | (v & 0x80), v & 1); return {static_cast<uint8_t>(r), f, true};
    case 0x8: shifted((v << 1) & 0xFF, v & 0x80); return {static_cast<uint8_t>(r), f, true};
    case 0x9: shifted(((v << 1) | (carry ? 1 : 0)) & 0xFF, v & 0x80); return {static_cast<uint8_t>(r), f, true};
    case 0xA: r = (v - 1) & 0xFF; f = static_cast<uint8_t>((f & ~V) | (v == 0x80 ? V : 0)); break;
    case 0xC: r = (v + 1) & 0xFF; f = static_cast<uint8_t>((f & ~V) | (v == 0x7F ? V : 0)); break;
    case 0xD: f = static_cast<uint8_t>(f & ~(V | C)); return {static_cast<uint8_t>(v), nz8(f, v), false};
    case 0xF: r = 0; f = static_cast<uint8_t>(f & ~(V | C)); break;
    }
    return {static_cast<uint8_t>(r), nz8(f, r), true};
}

using AluTest = TargetTest;

// Runs the instruction at 0x8000 and checks A, B and CC.
void expectstep(const char* what, unsigned acc, unsigned m, uint8_t cc, uint8_t a, uint8_t b,
                uint8_t flags, int& failures) {
    regs.pc = 0x8000;
    decinstr(0x8000, DEC_EXEC, nullptr);
    if ((regs.a != a || regs.b != b || regs.cc != flags) && ++failures <= 10)
        ADD_FAILURE() << what << " acc=" << acc << " m=" << m << " cc=" << int(cc) << ": got a="
                      << int(regs.a) << " b=" << int(regs.b) << " cc=" << int(regs.cc)
                      << ", expected a=" << int(a) << " b=" << int(b) << " cc=" << int(flags);
}

TEST_F(AluTest, EightBitOperationsOnEveryOperandPair) {
    const struct {
        const char* name;
        uint8_t opcode;   // immediate form on A; B is 0x40 above
    } ops[] = {{"sub", 0x80}, {"cmp", 0x81}, {"sbc", 0x82}, {"and", 0x84}, {"bit", 0x85},
               {"eor", 0x88}, {"adc", 0x89}, {"or", 0x8A},  {"add", 0x8B}};
    int failures = 0;
    for (const auto& op : ops) {
        for (int onb = 0; onb < 2; ++onb) {
            poke(0x8000, {static_cast<uint8_t>(op.opcode + (onb ? 0x40 : 0)), 0});
            for (unsigned acc = 0; acc < 256; ++acc) {
                for (unsigned m = 0; m < 256; ++m) {
                    // The other flags ride along untouched: S, X and I always
                    // set, H and the carry in both states.
                    uint8_t cc = static_cast<uint8_t>(0xD0 | ((acc ^ m) & 1 ? C : 0) | ((acc + m) & 2 ? H : 0));
                    Result r = reference8(op.opcode & 0x0F, acc, m, cc);
                    wrbyte(0x8001, static_cast<uint8_t>(m));
                    regs.a = static_cast<uint8_t>(onb ? 0x5A : acc);
                    regs.b = static_cast<uint8_t>(onb ? acc : 0xA5);
                    regs.cc = cc;
                    uint8_t value = r.stores ? r.value : static_cast<uint8_t>(acc);
                    expectstep(op.name, acc, m, cc, onb ? 0x5A : value, onb ? value : 0xA5, r.cc, failures);
                }
            }
        }
    }
}

TEST_F(AluTest, AccumulatorReadModifyWriteOnEveryValue) {
    const struct {
        const char* name;
        uint8_t opcode;   // form on A; B is 0x10 above
    } ops[] = {{"neg", 0x40}, {"com", 0x43}, {"lsr", 0x44}, {"ror", 0x46}, {"asr", 0x47}, {"lsl", 0x48},
               {"rol", 0x49}, {"dec", 0x4A}, {"inc", 0x4C}, {"tst", 0x4D}, {"clr", 0x4F}};
    int failures = 0;
    for (const auto& op : ops) {
        for (int onb = 0; onb < 2; ++onb) {
            poke(0x8000, {static_cast<uint8_t>(op.opcode + (onb ? 0x10 : 0))});
            for (unsigned v = 0; v < 256; ++v) {
                for (uint8_t cc : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0xD1}, uint8_t{0x2E}}) {
                    Result r = referencermw(op.opcode & 0x0F, v, cc);
                    regs.a = static_cast<uint8_t>(onb ? 0x5A : v);
                    regs.b = static_cast<uint8_t>(onb ? v : 0xA5);
                    regs.cc = cc;
                    uint8_t value = r.stores ? r.value : static_cast<uint8_t>(v);
                    expectstep(op.name, v, 0, cc, onb ? 0x5A : value, onb ? value : 0xA5, r.cc, failures);
                }
            }
        }
    }
}

// 16-bit add, subtract and compare on D, X and Y: operands from a spread
// of edge values and a simple generator.
TEST_F(AluTest, SixteenBitOperations) {
    std::vector<unsigned> values = {0x0000, 0x0001, 0x007F, 0x0080, 0x00FF, 0x0100, 0x7FFE, 0x7FFF,
                                    0x8000, 0x8001, 0xFF00, 0xFFFE, 0xFFFF};
    uint32_t seed = 12345;
    for (int i = 0; i < 40; ++i) {
        seed = seed * 1103515245u + 12345u;
        values.push_back((seed >> 8) & 0xFFFF);
    }
    const struct {
        const char* name;
        std::vector<uint8_t> code;   // immediate form, operand bytes follow
        uint16_t reg;
        bool add, keeps;
    } ops[] = {{"addd", {0xC3}, REG_D, true, true},     {"subd", {0x83}, REG_D, false, true},
               {"cpd", {0x1A, 0x83}, REG_D, false, false}, {"cpx", {0x8C}, REG_X, false, false},
               {"cpy", {0x18, 0x8C}, REG_Y, false, false}};
    int failures = 0;
    for (const auto& op : ops) {
        uint16_t at = 0x8000;
        for (uint8_t b : op.code) wrbyte(at++, b);
        for (unsigned acc : values) {
            for (unsigned m : values) {
                wrword(at, static_cast<uint16_t>(m));
                int sacc = static_cast<int16_t>(acc), sm = static_cast<int16_t>(m);
                int wide = op.add ? sacc + sm : sacc - sm;
                unsigned r = (op.add ? acc + m : acc - m) & 0xFFFF;
                uint8_t cc = 0xD0 | H;
                uint8_t flags = cc;
                if (op.add ? acc + m > 0xFFFF : acc < m) flags |= C;
                if (wide < -32768 || wide > 32767) flags |= V;
                if (r == 0) flags |= Z;
                if (r & 0x8000) flags |= N;
                setreg(REG_D, 0x1111);
                regs.x = 0x2222;
                regs.y = 0x3333;
                setreg(op.reg, acc);
                regs.cc = cc;
                regs.pc = 0x8000;
                decinstr(0x8000, DEC_EXEC, nullptr);
                uint32_t expected = op.keeps ? r : acc;
                if ((getreg(op.reg) != expected || regs.cc != flags) && ++failures <= 10)
                    ADD_FAILURE() << op.name << " acc=" << acc << " m=" << m << ": got "
                                  << getreg(op.reg) << " cc=" << int(regs.cc) << ", expected "
                                  << expected << " cc=" << int(flags);
            }
        }
    }
}

}  // namespace
}  // namespace vy
