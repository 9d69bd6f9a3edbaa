#include "debugger/target/semantics.h"

#include <utility>

#include "debugger/target/decode.h"
#include "debugger/target/decoder.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/memory.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/recorder.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"

namespace vy {

uint8_t bitresult;

static uint16_t regof(uint8_t mode) { return static_cast<uint16_t>((mode >> 4) * 16); }

void load(uint8_t opcode, uint8_t mode, uint16_t operand) {
    bool w = wide(mode);
    uint8_t flags = regs.cc & ~CC_V;
    uint32_t value = addrmode(mode) == IMM ? operand : w ? recrdword(operand) : recrdbyte(operand);
    flags = setnz(flags, value, w, CC_N | CC_Z);
    setreg(regof(mode), value);
    regs.cc = flags;
}

void store(uint8_t opcode, uint8_t mode, uint16_t operand) {
    bool w = wide(mode);
    uint8_t flags = regs.cc & ~CC_V;
    uint32_t value = getreg(regof(mode));
    flags = setnz(flags, value, w, CC_N | CC_Z);
    if (w) recwrword(operand, static_cast<uint16_t>(value));
    else recwrbyte(operand, static_cast<uint8_t>(value));
    regs.cc = flags;
}

void transfer(uint8_t opcode, uint8_t mode, uint16_t operand) {
    uint16_t* index = regnibble(mode) == 5 ? &regs.x : &regs.y;
    switch (opcode) {
    case 0x06: {  // tap: only tap can clear X, never set it again
        uint8_t cc = regs.a;
        if (!(regs.cc & CC_X)) cc &= ~CC_X;
        regs.cc = cc;
        break;
    }
    case 0x07: regs.a = regs.cc; break;
    case 0x16:
        regs.b = regs.a;
        regs.cc = setnz(regs.cc, regs.b, false, CC_N | CC_Z | CC_V);
        break;
    case 0x17:
        regs.a = regs.b;
        regs.cc = setnz(regs.cc, regs.a, false, CC_N | CC_Z | CC_V);
        break;
    case 0x30: *index = static_cast<uint16_t>(regs.sp + 1); break;
    case 0x35: regs.sp = static_cast<uint16_t>(*index - 1); break;
    case 0x8F: {
        uint16_t d = static_cast<uint16_t>(getreg(REG_D));
        setreg(REG_D, *index);
        *index = d;
        break;
    }
    }
}

static bool condition(uint8_t opcode, uint8_t cc) {
    bool c = cc & CC_C, z = cc & CC_Z, v = cc & CC_V, n = cc & CC_N;
    bool holds = false;
    switch (opcode & 0x0E) {
    case 0: holds = false; break;
    case 2: holds = c || z; break;
    case 4: holds = c; break;
    case 6: holds = z; break;
    case 8: holds = v; break;
    case 10: holds = n; break;
    case 12: holds = n != v; break;
    case 14: holds = z || (n != v); break;
    }
    return (opcode & 1) ? holds : !holds;
}

void branch(uint8_t opcode, uint8_t mode, uint16_t operand) {
    bool taken;
    if (regnibble(mode) == 10) {
        taken = bitresult == 0;
    } else if (opcode < 0x20 || opcode > 0x2F) {
        taken = true;
        if ((opcode & 0x0F) != 0x0E) {  // jsr and bsr; not jmp
            pushregs(STK_PC);
            runflags.callmade = 1;
        }
    } else {
        taken = condition(opcode, regs.cc);
    }
    if (taken) regs.pc = operand;
}

void misc(uint8_t opcode, uint8_t mode, uint16_t operand) {
    uint8_t cc = regs.cc;
    switch (opcode) {
    case 0x04: {  // lsrd
        uint16_t d = static_cast<uint16_t>(getreg(REG_D));
        cc &= ~(CC_C | CC_V);
        if (d & 1) cc |= CC_C;
        d >>= 1;
        cc = setnz(cc, d, true, CC_N | CC_Z);
        if (((cc & CC_N) != 0) != ((cc & CC_C) != 0)) cc |= CC_V;
        setreg(REG_D, d);
        break;
    }
    case 0x05: {  // lsld
        uint16_t d = static_cast<uint16_t>(getreg(REG_D));
        cc &= ~(CC_C | CC_V);
        if (d & 0x8000) cc |= CC_C;
        d = static_cast<uint16_t>(d << 1);
        cc = setnz(cc, d, true, CC_N | CC_Z);
        if (((cc & CC_N) != 0) != ((cc & CC_C) != 0)) cc |= CC_V;
        setreg(REG_D, d);
        break;
    }
    case 0x08:
    case 0x09: {
        uint16_t* r = regnibble(mode) == 5 ? &regs.x : &regs.y;
        *r = static_cast<uint16_t>(opcode == 0x08 ? *r + 1 : *r - 1);
        cc = setnz(cc, *r, true, CC_Z);
        break;
    }
    case 0x0A: cc &= ~CC_V; break;
    case 0x0B: cc |= CC_V; break;
    case 0x0C: cc &= ~CC_C; break;
    case 0x0D: cc |= CC_C; break;
    case 0x0E: cc &= ~CC_I; break;
    case 0x0F: cc |= CC_I; break;
    case 0x19: {  // daa
        unsigned a = regs.a, low = a & 0x0F, high = a >> 4, correction = 0;
        if (low > 9 || (cc & CC_H)) correction |= 0x06;
        if ((cc & CC_C) || high > 9 || (high > 8 && low > 9)) correction |= 0x60;
        unsigned sum = a + correction;
        if (sum & 0x100) cc |= CC_C;
        regs.a = static_cast<uint8_t>(sum);
        cc = setnz(cc, regs.a, false, CC_N | CC_Z);
        break;
    }
    case 0x31: ++regs.sp; break;
    case 0x34: --regs.sp; break;
    case 0x3A: {
        uint16_t* r = regnibble(mode) == 5 ? &regs.x : &regs.y;
        *r = static_cast<uint16_t>(*r + regs.b);
        break;
    }
    case 0x3D: {  // mul changes C only
        uint16_t d = static_cast<uint16_t>(regs.a * regs.b);
        setreg(REG_D, d);
        cc = (d & 0x80) ? (cc | CC_C) : (cc & ~CC_C);
        break;
    }
    default: break;  // test, nop, wai, stop: only their cycles
    }
    regs.cc = cc;
}

void readmodify(uint8_t opcode, uint8_t mode, uint16_t operand) {
    int reg = regnibble(mode);
    uint8_t value = reg == 1 ? regs.a : reg == 2 ? regs.b : rdbyte(operand);
    uint8_t cc = regs.cc, result = value;
    bool carry = cc & CC_C;
    switch (opcode & 0x0F) {
    case 0x0:  // neg
        cc &= ~(CC_V | CC_C);
        if (value == 0x80) cc |= CC_V;
        if (value != 0) cc |= CC_C;
        result = static_cast<uint8_t>(-value);
        break;
    case 0x3:  // com
        cc = (cc & ~CC_V) | CC_C;
        result = static_cast<uint8_t>(~value);
        break;
    case 0x4:  // lsr
    case 0x6:  // ror
    case 0x7:  // asr
        cc &= ~CC_C;
        if (value & 1) cc |= CC_C;
        result = value >> 1;
        if ((opcode & 0x0F) == 0x6 && carry) result |= 0x80;
        if ((opcode & 0x0F) == 0x7) result |= value & 0x80;
        break;
    case 0x8:  // lsl
    case 0x9:  // rol
        cc &= ~(CC_V | CC_C);
        if (value & 0x80) cc |= CC_C;
        if (((value >> 7) ^ (value >> 6)) & 1) cc |= CC_V;
        result = static_cast<uint8_t>(value << 1);
        if ((opcode & 0x0F) == 0x9 && carry) result |= 1;
        break;
    case 0xA:  // dec
        cc &= ~CC_V;
        if (value == 0x80) cc |= CC_V;
        result = static_cast<uint8_t>(value - 1);
        break;
    case 0xC:  // inc
        cc &= ~CC_V;
        if (value == 0x7F) cc |= CC_V;
        result = static_cast<uint8_t>(value + 1);
        break;
    case 0xD:  // tst
        cc &= ~(CC_V | CC_C);
        break;
    case 0xF:  // clr
        cc &= ~(CC_V | CC_C);
        result = 0;
        break;
    }
    cc = setnz(cc, result, false, CC_N | CC_Z);
    switch (opcode & 0x0F) {
    case 0x4:
    case 0x6:
    case 0x7:  // shifts right: V = N xor C
        cc &= ~CC_V;
        if (((cc & CC_N) != 0) != ((cc & CC_C) != 0)) cc |= CC_V;
        break;
    }
    regs.cc = cc;
    if ((opcode & 0x0F) == 0xD) return;
    if (reg == 1) regs.a = result;
    else if (reg == 2) regs.b = result;
    else recwrbyte(operand, result);
}

void bitop(uint8_t opcode, uint8_t mode, uint16_t operand) {
    recwrbyte(operand, bitresult);
    regs.cc = setnz(regs.cc, bitresult, false, CC_N | CC_Z | CC_V);
}

void arith8(uint8_t opcode, uint8_t mode, uint16_t operand) {
    int am = addrmode(mode);
    unsigned m = am == INH ? regs.b : am == IMM ? (operand & 0xFF) : rdbyte(operand);
    uint8_t* accp = regnibble(mode) == 1 ? &regs.a : &regs.b;
    unsigned acc = *accp, r = acc;
    uint8_t cc = regs.cc;
    int op = opcode & 0x0F;
    // The flags come from the result bits: C from bit 8 (inverted for a
    // borrow), V from bit 7 of the sign test, H from the carry into bit 4.
    switch (op) {
    case 0x0:  // sub
    case 0x1:  // cmp
    case 0x2: {  // sbc
        unsigned carryin = op == 0x2 ? (~cc & CC_C) : 1;
        r = (~m & 0xFF) + carryin + acc;
        cc = static_cast<uint8_t>((cc & ~(CC_V | CC_C)) | (((m ^ acc) & (r ^ acc) & 0x80) >> 6) |
                                  ((~r >> 8) & CC_C));
        break;
    }
    case 0x9:  // adc
    case 0xB: {  // add
        unsigned carryin = op == 0x9 ? (cc & CC_C) : 0;
        unsigned half = (acc & 0x0F) + (m & 0x0F) + carryin;
        r = acc + m + carryin;
        cc = static_cast<uint8_t>((cc & ~(CC_H | CC_V | CC_C)) | ((half << 1) & CC_H) |
                                  ((~(m ^ acc) & (r ^ acc) & 0x80) >> 6) | ((r >> 8) & CC_C));
        break;
    }
    case 0x4:  // and
    case 0x5:  // bit
        cc &= ~CC_V;
        r = acc & m;
        break;
    case 0x8:  // eor
        cc &= ~CC_V;
        r = acc ^ m;
        break;
    case 0xA:  // or
        cc &= ~CC_V;
        r = acc | m;
        break;
    }
    regs.cc = setnz(cc, r, false, CC_N | CC_Z);
    if (op != 0x1 && op != 0x5) *accp = static_cast<uint8_t>(r);
}

// 16-bit add, subtract and compare; the result is kept unless it compares.
static void arith16op(uint8_t opcode, uint8_t mode, uint16_t operand, bool keep) {
    uint32_t m = addrmode(mode) == IMM ? operand : rdword(operand);
    uint16_t reg = regof(mode);
    uint32_t acc = getreg(reg), r;
    uint8_t cc = regs.cc & ~(CC_V | CC_C);
    if (opcode & 0x40) {
        r = acc + m;
        cc |= ((r >> 16) & CC_C) | ((~(m ^ acc) & (r ^ acc) & 0x8000) >> 14);
    } else {
        r = (~m & 0xFFFF) + acc + 1;
        cc |= ((~r >> 16) & CC_C) | (((m ^ acc) & (r ^ acc) & 0x8000) >> 14);
    }
    regs.cc = setnz(cc, r, true, CC_N | CC_Z);
    if (keep) setreg(reg, r & 0xFFFF);
}

void arith16(uint8_t opcode, uint8_t mode, uint16_t operand) {
    arith16op(opcode, mode, operand, true);
}

void compare16(uint8_t opcode, uint8_t mode, uint16_t operand) {
    arith16op(opcode, mode, operand, false);
}

void stack(uint8_t opcode, uint8_t mode, uint16_t operand) {
    uint8_t index = regnibble(mode) == 5 ? STK_X : STK_Y;
    switch (opcode) {
    case 0x32: pullregs(STK_A); break;
    case 0x33: pullregs(STK_B); break;
    case 0x36: pushregs(STK_A); break;
    case 0x37: pushregs(STK_B); break;
    case 0x38: pullregs(index); break;
    case 0x3C: pushregs(index); break;
    case 0x39: pullregs(STK_PC); break;
    case 0x3B: {  // rti: X, once clear, stays clear
        bool xclear = !(regs.cc & CC_X);
        pullregs(STK_ALL);
        if (xclear) regs.cc &= ~CC_X;
        break;
    }
    case 0x3F: {  // swi
        uint8_t cc = regs.cc;
        pushregs(STK_ALL);
        regs.cc = cc | CC_I;
        regs.pc = rdword(0xFFF6);
        break;
    }
    }
}

void divide(uint8_t opcode, uint8_t mode, uint16_t operand) {
    uint8_t cc = regs.cc & ~(CC_Z | CC_V | CC_C);
    uint32_t d = getreg(REG_D);
    if (regs.x == 0) {  // fdiv also overflows: a zero divisor is never above D
        cc |= opcode == 0x03 ? CC_C | CC_V : CC_C;
        regs.x = 0xFFFF;
    } else if (opcode == 0x03 && regs.x <= d) {
        cc |= CC_V;
        regs.x = 0xFFFF;
    } else {
        uint32_t dividend = opcode == 0x03 ? d << 16 : d;
        uint32_t divisor = regs.x;
        regs.x = static_cast<uint16_t>(dividend / divisor);
        setreg(REG_D, dividend % divisor);
        if (regs.x == 0) cc |= CC_Z;
    }
    regs.cc = cc;
}

void pushregs(uint8_t set) {
    uint16_t sp = regs.sp;
    auto pushword = [&sp](uint16_t value) {
        wrword(static_cast<uint16_t>(sp - 1), value);
        sp = static_cast<uint16_t>(sp - 2);
    };
    auto pushbyte = [&sp](uint8_t value) {
        wrbyte(sp, value);
        sp = static_cast<uint16_t>(sp - 1);
    };
    if (set & STK_PC) pushword(regs.pc);
    if (set & STK_Y) pushword(regs.y);
    if (set & STK_X) pushword(regs.x);
    if (set & STK_A) pushbyte(regs.a);
    if (set & STK_B) pushbyte(regs.b);
    if (set & STK_CCR) pushbyte(regs.cc);
    regs.sp = sp;
}

void pullregs(uint8_t set) {
    uint16_t sp = regs.sp;
    auto pullbyte = [&sp]() {
        sp = static_cast<uint16_t>(sp + 1);
        return rdbyte(sp);
    };
    auto pullword = [&sp]() {
        uint16_t value = rdword(static_cast<uint16_t>(sp + 1));
        sp = static_cast<uint16_t>(sp + 2);
        return value;
    };
    if (set & STK_CCR) regs.cc = pullbyte();
    if (set & STK_B) regs.b = pullbyte();
    if (set & STK_A) regs.a = pullbyte();
    if (set & STK_X) regs.x = pullword();
    if (set & STK_Y) regs.y = pullword();
    if (set & STK_PC) regs.pc = pullword();
    regs.sp = sp;
}

int takeint(uint32_t* mask) {
    if (!mask || *mask == 0) return 0;
    uint32_t ready = *mask & takeable(regs.cc);
    if (!ready) return 0;
    int bit = 0;
    while (!(ready & (1u << bit))) ++bit;
    uint32_t vector = intvector(1u << bit);
    *mask &= ~(1u << bit);
    uint8_t cc = regs.cc;
    pushregs(STK_ALL);
    regs.cc = cc | CC_I | (bit <= 2 ? CC_X : 0);
    regs.pc = rdword(static_cast<uint16_t>(vector));
    if (timeptr) *timeptr += 12;
    return 1;
}

// Every pending bit counts; none is dropped while it waits for its mask.
// The executors: every row of the opcode table with the decoder's body and
// its handler compiled together, the row's constants folded in. Flattening
// inlines the handler and what it calls in this file, so that the tests of
// the opcode and the mode inside the handler fold away too. The operand
// bytes start behind the opcode and its prefix, so the length is a
// constant as well.
template <int Row>
[[gnu::flatten]] static uint16_t execute(uint16_t address) {
    if constexpr (optable[Row].handler == nullptr) {
        return NOINSTR;
    } else {
        uint16_t pc = static_cast<uint16_t>(address + (rowslot(Row) ? 2 : 1));
        return decodeafter<false, Row>(address, pc, nullptr, true, nullptr);
    }
}

// No instruction: nothing is executed.
static uint16_t noinstr(uint16_t address) { return NOINSTR; }

// A prefix byte in slot 0: the opcode follows, and the executor of the
// prefix's slot runs.
template <int Slot>
static uint16_t prefixed(uint16_t address) {
    uint8_t opcode = rdcode(static_cast<uint16_t>(address + 1));
    return executors[Slot * 256 + opcode](address);
}

template <int... Rows>
static constexpr std::array<Executor, optablesize> rowexecutors(std::integer_sequence<int, Rows...>) {
    return {{&execute<Rows>...}};
}

static constexpr std::array<Executor, 4 * 256> buildexecutors() {
    constexpr std::array<Executor, optablesize> rows =
        rowexecutors(std::make_integer_sequence<int, optablesize>{});
    std::array<Executor, 4 * 256> table{};
    for (int i = 0; i < 4 * 256; ++i) table[i] = opindex.row[i] < 0 ? noinstr : rows[opindex.row[i]];
    table[0x18] = prefixed<prefixslotof(0x18)>;
    table[0x1A] = prefixed<prefixslotof(0x1A)>;
    table[0xCD] = prefixed<prefixslotof(0xCD)>;
    return table;
}
constexpr std::array<Executor, 4 * 256> executors = buildexecutors();

}  // namespace vy
