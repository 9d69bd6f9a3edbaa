#include "debugger/target/decoder.h"

#include "debugger/target/debug_tables.h"
#include "debugger/target/decode.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

DebugEntry* lineexact(uint16_t address) {
    for (DebugEntry* e = debuglist; e && e->addr <= address; e = e->next)
        if (e->addr == address && (e->kind == DBG_LINE || e->kind == DBG_FUNCSTART)) return e;
    return nullptr;
}

void addrannot(std::string& text, uint16_t address) {
    DebugEntry* e = lineexact(address);
    if (!e) return;
    text += " [";
    text += msgtext(MSG_LINEPREFIX);
    puttext(text, "%i", e->line);
    if (e->col) puttext(text, "(%i)]", e->col);
    else text += "]";
}

bool addrtext(std::string& text, uint32_t value, int width) {
    if (SymRec* s = nearsym(value); s && value - s->value < 100) {
        text += s->name();
        if (value != s->value) puttext(text, "+%l", value - s->value);
        return true;
    }
    puttext(text, "0x%+0nhl", width, value);
    return false;
}

uint16_t decodetext(uint16_t address, int flags, std::string* text) {
    bool exec = flags & DEC_EXEC;
    bool withtext = (flags & DEC_TEXT) && text;
    uint16_t pc = address;
    uint8_t prefix = 0, opcode = rdcode(pc++);
    if (exec) runflags.lasthit = 0;
    if (isprefix(opcode)) {
        prefix = opcode;
        opcode = rdcode(pc++);
    }
    const OpcodeRow* row = oprow(prefix, opcode);
    if (!row) {
        if (withtext) {
            text->clear();
            puttext(*text, "%- 6p(0x%+02hi)", "???", prefix ? prefix : opcode);
        }
        return NOINSTR;
    }
    if (withtext) return decodeafter<true, -1>(address, pc, row, exec, text);
    return decodeafter<false, -1>(address, pc, row, exec, nullptr);
}

}  // namespace vy
