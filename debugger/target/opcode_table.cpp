#include "debugger/target/opcode_table.h"

namespace vy {

const char* const mnemonics[M_COUNT] = {
    "???", "aba", "abx", "aby", "adca", "adcb", "adda", "addb", "addd", "anda", "andb", "asl",
    "asla", "aslb", "asld", "asr", "asra", "asrb", "bcc", "bclr", "bcs", "beq", "bge", "bgt",
    "bhi", "bhs", "bita", "bitb", "ble", "blo", "bls", "blt", "bmi", "bne", "bpl", "bra",
    "brclr", "brn", "brset", "bset", "bsr", "bvc", "bvs", "cba", "clc", "cli", "clr", "clra",
    "clrb", "clv", "cmpa", "cmpb", "com", "coma", "comb", "cpd", "cpx", "cpy", "daa", "dec",
    "deca", "decb", "des", "dex", "dey", "eora", "eorb", "fdiv", "idiv", "inc", "inca", "incb",
    "ins", "inx", "iny", "jmp", "jsr", "ldaa", "ldab", "ldd", "lds", "ldx", "ldy", "lsl",
    "lsla", "lslb", "lsld", "lsr", "lsra", "lsrb", "lsrd", "mul", "neg", "nega", "negb", "nop",
    "oraa", "orab", "psha", "pshb", "pshx", "pshy", "pula", "pulb", "pulx", "puly", "rol",
    "rola", "rolb", "ror", "rora", "rorb", "rti", "rts", "sba", "sbca", "sbcb", "sec", "sei",
    "sev", "staa", "stab", "std", "stop", "sts", "stx", "sty", "suba", "subb", "subd", "swi",
    "tab", "tap", "tba", "test", "tpa", "tst", "tsta", "tstb", "tsx", "tsy", "txs", "tys",
    "wai", "xgdx", "xgdy",
};

int prefixslot(const OpcodeRow* row) {
    int slot = 0;
    while (row - slot > optable && (row - slot - 1)->opcode == row->opcode) ++slot;
    return slot;
}

uint8_t prefixbyte(int slot) {
    static const uint8_t prefixes[4] = {0, 0x18, 0x1A, 0xCD};
    return prefixes[slot & 3];
}

}  // namespace vy
