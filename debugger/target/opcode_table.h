// The 68HC11 opcode table, shared by the decoder, the simulator and the line
// assembler, and the sorted table of mnemonics.
#pragma once
#include <cstdint>

namespace vy {

// Mnemonic indexes: 0 is no instruction; 1-145 in ascending byte order.
enum Mnemonic : uint8_t {
    M_NONE, M_ABA, M_ABX, M_ABY, M_ADCA, M_ADCB, M_ADDA, M_ADDB, M_ADDD, M_ANDA, M_ANDB, M_ASL,
    M_ASLA, M_ASLB, M_ASLD, M_ASR, M_ASRA, M_ASRB, M_BCC, M_BCLR, M_BCS, M_BEQ, M_BGE, M_BGT,
    M_BHI, M_BHS, M_BITA, M_BITB, M_BLE, M_BLO, M_BLS, M_BLT, M_BMI, M_BNE, M_BPL, M_BRA,
    M_BRCLR, M_BRN, M_BRSET, M_BSET, M_BSR, M_BVC, M_BVS, M_CBA, M_CLC, M_CLI, M_CLR, M_CLRA,
    M_CLRB, M_CLV, M_CMPA, M_CMPB, M_COM, M_COMA, M_COMB, M_CPD, M_CPX, M_CPY, M_DAA, M_DEC,
    M_DECA, M_DECB, M_DES, M_DEX, M_DEY, M_EORA, M_EORB, M_FDIV, M_IDIV, M_INC, M_INCA, M_INCB,
    M_INS, M_INX, M_INY, M_JMP, M_JSR, M_LDAA, M_LDAB, M_LDD, M_LDS, M_LDX, M_LDY, M_LSL,
    M_LSLA, M_LSLB, M_LSLD, M_LSR, M_LSRA, M_LSRB, M_LSRD, M_MUL, M_NEG, M_NEGA, M_NEGB, M_NOP,
    M_ORAA, M_ORAB, M_PSHA, M_PSHB, M_PSHX, M_PSHY, M_PULA, M_PULB, M_PULX, M_PULY, M_ROL,
    M_ROLA, M_ROLB, M_ROR, M_RORA, M_RORB, M_RTI, M_RTS, M_SBA, M_SBCA, M_SBCB, M_SEC, M_SEI,
    M_SEV, M_STAA, M_STAB, M_STD, M_STOP, M_STS, M_STX, M_STY, M_SUBA, M_SUBB, M_SUBD, M_SWI,
    M_TAB, M_TAP, M_TBA, M_TEST, M_TPA, M_TST, M_TSTA, M_TSTB, M_TSX, M_TSY, M_TXS, M_TYS,
    M_WAI, M_XGDX, M_XGDY,
    M_COUNT
};
extern const char* const mnemonics[M_COUNT];

// Mode byte: the addressing mode in bits 0-2, a relative offset in bit 3,
// the register operand (register code / 16) in bits 4-7.
enum : uint8_t {
    INH = 0, ACCA = 1, ACCB = 2, DIR = 3, EXT = 4, INDX = 5, INDY = 6, IMM = 7,
    REL = 8,
    R_A = 0x10, R_B = 0x20, R_D = 0x40, R_X = 0x50, R_Y = 0x60, R_S = 0x70,
    R_MEM = 0x90,   // read-modify-write on a memory byte
    R_BIT = 0xA0,   // bit manipulation: a mask byte follows the address
};

inline int addrmode(uint8_t mode) { return mode & 7; }
inline int regnibble(uint8_t mode) { return mode >> 4; }
// Data of loads, stores, arithmetic and immediates is 16-bit for D, X, Y, SP.
inline bool wide(uint8_t mode) { return (mode >> 4) > 3 && (mode >> 4) < 9; }

using Handler = void (*)(uint8_t opcode, uint8_t mode, uint16_t operand);

struct OpcodeRow {
    uint8_t opcode;     // the byte after any prefix
    uint8_t mnemonic;   // index into mnemonics; 0 for a placeholder
    uint8_t mode;
    uint8_t cycles;
    Handler handler;
};

// The rows in opcode-map order; all rows of an opcode stand together, for no
// prefix, then 0x18, 0x1A and 0xCD.
extern const OpcodeRow optable[];
extern const int optablesize;

// The row of each prefix slot and opcode, built from the table.
extern const OpcodeRow* const* const opindex;

// The row of a prefix byte (0 for none, 0x18, 0x1A, 0xCD) and an opcode, or
// null.
inline const OpcodeRow* oprow(uint8_t prefix, uint8_t opcode) {
    int slot = prefix == 0 ? 0 : ((prefix >> 1) & 3) + 1;
    return opindex[slot * 256 + opcode];
}
// Prefix slot of a row: how many rows directly before it carry its opcode
// (0 none, 1 prefix 0x18, 2 prefix 0x1A, 3 prefix 0xCD).
int prefixslot(const OpcodeRow* row);
uint8_t prefixbyte(int slot);

}  // namespace vy
