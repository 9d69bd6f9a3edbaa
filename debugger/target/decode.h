// The body of decinstr (decoder.h) behind the opcode: one template for both
// of its uses. The disassembler instantiates it with text and the row it
// found at run time (Row < 0). The simulator instantiates it once for each
// row of the opcode table without text (Row >= 0): the row is then a
// constant, so its operand fetch, cycles and handler compile into one
// function without a test of the mode (the executors of semantics.h).
#pragma once
#include <cstdint>
#include <string>

#include "debugger/target/memory.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/symbols.h"
#include "support/format.h"

namespace vy {

template <class... A>
void puttext(std::string& text, const char* format, const A&... args) {
    char buffer[64];
    uint32_t n = fmtbuf(buffer, sizeof buffer, format, args...);
    text.append(buffer, n);
}

// An address as the nearest symbol below it (name or name+offset) when that
// lies less than 100 bytes away; else in hexadecimal of the given width.
// Returns whether a symbol was used.
bool addrtext(std::string& text, uint32_t value, int width);
void addrannot(std::string& text, uint16_t address);

template <int Row>
inline const OpcodeRow& rowof(const OpcodeRow* row) {
    if constexpr (Row >= 0) return optable[Row];
    else return *row;
}

// Decodes the instruction at address whose opcode byte (and prefix) have
// been fetched: pc points behind them. With exec the instruction is
// executed; with WithText its text is written.
template <bool WithText, int Row>
inline uint16_t decodeafter(uint16_t address, uint16_t pc, const OpcodeRow* found, bool exec,
                            std::string* text) {
    const OpcodeRow& row = rowof<Row>(found);
    const uint8_t mode = row.mode;
    uint32_t operand = 0;
    if constexpr (WithText) {
        text->clear();
        puttext(*text, "%- 6p", mnemonics[row.mnemonic]);
    }
    switch (addrmode(mode)) {
    case DIR:
        operand = rdcode(pc++);
        if constexpr (WithText) {
            *text += '<';
            addrtext(*text, operand, 2);
        }
        break;
    case EXT:
        operand = rdcodeword(pc);
        pc += 2;
        if constexpr (WithText) {
            if (!addrtext(*text, operand, 4)) addrannot(*text, static_cast<uint16_t>(operand));
        }
        break;
    case INDX:
    case INDY: {
        uint8_t offset = rdcode(pc++);
        operand = (addrmode(mode) == INDX ? regs.x : regs.y) + offset;
        if constexpr (WithText) puttext(*text, addrmode(mode) == INDX ? "%l,x" : "%l,y", offset);
        break;
    }
    case IMM:
        if (wide(mode)) {
            operand = rdcodeword(pc);
            pc += 2;
            if constexpr (WithText) {
                *text += '#';
                addrtext(*text, operand, 4);
            }
        } else {
            operand = rdcode(pc++);
            if constexpr (WithText) puttext(*text, "#0x%+0nhl", 2, operand);
        }
        break;
    default:
        break;
    }
    if (regnibble(mode) == 10) {
        uint8_t mask = rdcode(pc++);
        if constexpr (WithText) puttext(*text, ",0x%+02hi", mask);
        if (exec) {
            uint8_t b = rdbyte(static_cast<uint16_t>(operand));
            switch (row.mnemonic) {
            case M_BCLR: bitresult = static_cast<uint8_t>(~mask & b); break;
            case M_BSET: bitresult = mask | b; break;
            case M_BRCLR: bitresult = mask & b; break;
            default: bitresult = static_cast<uint8_t>(mask & ~b); break;
            }
        }
    }
    if (mode & REL) {
        int8_t offset = static_cast<int8_t>(rdcode(pc++));
        operand = static_cast<uint16_t>(pc + offset);
        if constexpr (WithText) {
            if (addrmode(mode)) *text += ',';
            SymRec* s = nearsym(operand);
            if (s && s->value == operand) {
                *text += s->name();
            } else {
                puttext(*text, "0x%+04hl", operand);
                addrannot(*text, static_cast<uint16_t>(operand));
            }
        }
    }
    if (exec) {
        if (timeptr) *timeptr += row.cycles;
        regs.pc = pc;
        row.handler(row.opcode, mode, static_cast<uint16_t>(operand));
    }
    return static_cast<uint16_t>(pc - address);
}

}  // namespace vy
