#include "debugger/target/decoder.h"

#include "debugger/target/debug_tables.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/format.h"

namespace vy {

DebugEntry* lineexact(uint16_t address) {
    for (DebugEntry* e = debuglist; e && e->addr <= address; e = e->next)
        if (e->addr == address && (e->kind == DBG_LINE || e->kind == DBG_FUNCSTART)) return e;
    return nullptr;
}

template <class... A>
static void put(std::string& text, const char* format, const A&... args) {
    char buffer[64];
    uint32_t n = fmtbuf(buffer, sizeof buffer, format, args...);
    text.append(buffer, n);
}

void addrannot(std::string& text, uint16_t address) {
    DebugEntry* e = lineexact(address);
    if (!e) return;
    text += " [";
    text += msgtext(MSG_LINEPREFIX);
    put(text, "%i", e->line);
    if (e->col) put(text, "(%i)]", e->col);
    else text += "]";
}

// An address as the nearest symbol below it (name or name+offset) when that
// lies less than 100 bytes away; else in hexadecimal of the given width.
// Returns whether a symbol was used.
static bool addrtext(std::string& text, uint32_t value, int width) {
    if (SymRec* s = nearsym(value); s && value - s->value < 100) {
        text += s->name();
        if (value != s->value) put(text, "+%l", value - s->value);
        return true;
    }
    put(text, "0x%+0nhl", width, value);
    return false;
}

// One body for both uses: instantiated without text for the simulator's
// fast path, and with text for the views and traces.
template <bool WithText>
static uint16_t decode(uint16_t address, bool exec, std::string* text) {
    if (!WithText) text = nullptr;
    uint16_t pc = address;
    uint8_t prefix = 0, opcode = rdbyte(pc++);
    if (exec) runflags.lasthit = 0;
    if (opcode == 0x18 || opcode == 0x1A || opcode == 0xCD) {
        prefix = opcode;
        opcode = rdbyte(pc++);
    }
    const OpcodeRow* row = oprow(prefix, opcode);
    if (!row) {
        if (text) {
            text->clear();
            put(*text, "%- 6p(0x%+02hi)", "???", prefix ? prefix : opcode);
        }
        return NOINSTR;
    }
    uint8_t mode = row->mode;
    uint32_t operand = 0;
    if (text) {
        text->clear();
        put(*text, "%- 6p", mnemonics[row->mnemonic]);
    }
    switch (addrmode(mode)) {
    case DIR:
        operand = rdbyte(pc++);
        if (text) {
            *text += '<';
            addrtext(*text, operand, 2);
        }
        break;
    case EXT:
        operand = rdword(pc);
        pc += 2;
        if (text && !addrtext(*text, operand, 4)) addrannot(*text, static_cast<uint16_t>(operand));
        break;
    case INDX:
    case INDY: {
        uint8_t offset = rdbyte(pc++);
        operand = (addrmode(mode) == INDX ? regs.x : regs.y) + offset;
        if (text) put(*text, addrmode(mode) == INDX ? "%l,x" : "%l,y", offset);
        break;
    }
    case IMM:
        if (wide(mode)) {
            operand = rdword(pc);
            pc += 2;
            if (text) {
                *text += '#';
                addrtext(*text, operand, 4);
            }
        } else {
            operand = rdbyte(pc++);
            if (text) put(*text, "#0x%+0nhl", 2, operand);
        }
        break;
    default:
        break;
    }
    if (regnibble(mode) == 10) {
        uint8_t mask = rdbyte(pc++);
        if (text) put(*text, ",0x%+02hi", mask);
        if (exec) {
            uint8_t b = rdbyte(static_cast<uint16_t>(operand));
            switch (row->mnemonic) {
            case M_BCLR: bitresult = static_cast<uint8_t>(~mask & b); break;
            case M_BSET: bitresult = mask | b; break;
            case M_BRCLR: bitresult = mask & b; break;
            default: bitresult = static_cast<uint8_t>(mask & ~b); break;
            }
        }
    }
    if (mode & REL) {
        int8_t offset = static_cast<int8_t>(rdbyte(pc++));
        operand = static_cast<uint16_t>(pc + offset);
        if (text) {
            if (addrmode(mode)) *text += ',';
            SymRec* s = nearsym(operand);
            if (s && s->value == operand) {
                *text += s->name();
            } else {
                put(*text, "0x%+04hl", operand);
                addrannot(*text, static_cast<uint16_t>(operand));
            }
        }
    }
    if (exec) {
        if (timeptr) *timeptr += row->cycles;
        regs.pc = pc;
        row->handler(opcode, mode, static_cast<uint16_t>(operand));
    }
    return static_cast<uint16_t>(pc - address);
}

uint16_t decinstr(uint16_t address, int flags, std::string* text) {
    if ((flags & DEC_TEXT) && text) return decode<true>(address, flags & DEC_EXEC, text);
    return decode<false>(address, flags & DEC_EXEC, nullptr);
}

}  // namespace vy
