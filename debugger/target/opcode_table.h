// The 68HC11 opcode table, shared by the decoder, the simulator and the line
// assembler, and the sorted table of mnemonics.
#pragma once
#include <cstdint>

#include "debugger/target/semantics.h"

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
// prefix, then 0x18, 0x1A and 0xCD. The table is a constant in this header
// so that the simulator can compile each row into its own executor
// (semantics.cpp).
// Alias rows (bhs, blo, asld, asla, aslb, asl) stand behind a row of another
// opcode, so that the decoder always finds the first name while the line
// assembler accepts both. Placeholder rows keep the prefix distance where a
// later prefix exists and an earlier one does not.
inline constexpr OpcodeRow optable[] = {
    {0x00, M_TEST, INH, 0, misc},
    {0x01, M_NOP, INH, 2, misc},
    {0x02, M_IDIV, INH, 41, divide},
    {0x03, M_FDIV, INH, 41, divide},
    {0x04, M_LSRD, R_D|INH, 3, misc},
    {0x05, M_LSLD, R_D|INH, 3, misc},
    {0x06, M_TAP, R_A|INH, 2, transfer},
    {0x05, M_ASLD, R_D|INH, 3, misc},
    {0x07, M_TPA, R_A|INH, 2, transfer},
    {0x08, M_INX, R_X|INH, 3, misc},
    {0x08, M_INY, R_Y|INH, 4, misc},
    {0x09, M_DEX, R_X|INH, 3, misc},
    {0x09, M_DEY, R_Y|INH, 4, misc},
    {0x0A, M_CLV, INH, 2, misc},
    {0x0B, M_SEV, INH, 2, misc},
    {0x0C, M_CLC, INH, 2, misc},
    {0x0D, M_SEC, INH, 2, misc},
    {0x0E, M_CLI, INH, 2, misc},
    {0x0F, M_SEI, INH, 2, misc},
    {0x10, M_SBA, R_A|INH, 2, arith8},
    {0x11, M_CBA, R_A|INH, 2, arith8},
    {0x12, M_BRSET, R_BIT|REL|DIR, 6, branch},
    {0x13, M_BRCLR, R_BIT|REL|DIR, 6, branch},
    {0x14, M_BSET, R_BIT|DIR, 6, bitop},
    {0x15, M_BCLR, R_BIT|DIR, 6, bitop},
    {0x16, M_TAB, R_B|INH, 2, transfer},
    {0x17, M_TBA, R_A|INH, 2, transfer},
    {0x19, M_DAA, R_A|INH, 2, misc},
    {0x1B, M_ABA, R_A|INH, 2, arith8},
    {0x1C, M_BSET, R_BIT|INDX, 7, bitop},
    {0x1C, M_BSET, R_BIT|INDY, 8, bitop},
    {0x1D, M_BCLR, R_BIT|INDX, 7, bitop},
    {0x1D, M_BCLR, R_BIT|INDY, 8, bitop},
    {0x1E, M_BRSET, R_BIT|REL|INDX, 7, branch},
    {0x1E, M_BRSET, R_BIT|REL|INDY, 8, branch},
    {0x1F, M_BRCLR, R_BIT|REL|INDX, 7, branch},
    {0x1F, M_BRCLR, R_BIT|REL|INDY, 8, branch},
    {0x20, M_BRA, REL, 3, branch},
    {0x21, M_BRN, REL, 3, branch},
    {0x22, M_BHI, REL, 3, branch},
    {0x23, M_BLS, REL, 3, branch},
    {0x24, M_BCC, REL, 3, branch},
    {0x25, M_BCS, REL, 3, branch},
    {0x24, M_BHS, REL, 3, branch},
    {0x25, M_BLO, REL, 3, branch},
    {0x26, M_BNE, REL, 3, branch},
    {0x27, M_BEQ, REL, 3, branch},
    {0x28, M_BVC, REL, 3, branch},
    {0x29, M_BVS, REL, 3, branch},
    {0x2A, M_BPL, REL, 3, branch},
    {0x2B, M_BMI, REL, 3, branch},
    {0x2C, M_BGE, REL, 3, branch},
    {0x2D, M_BLT, REL, 3, branch},
    {0x2E, M_BGT, REL, 3, branch},
    {0x2F, M_BLE, REL, 3, branch},
    {0x30, M_TSX, R_X|INH, 3, transfer},
    {0x30, M_TSY, R_Y|INH, 4, transfer},
    {0x31, M_INS, R_S|INH, 3, misc},
    {0x32, M_PULA, R_A|INH, 4, stack},
    {0x33, M_PULB, R_B|INH, 4, stack},
    {0x34, M_DES, R_S|INH, 3, misc},
    {0x35, M_TXS, R_X|INH, 3, transfer},
    {0x35, M_TYS, R_Y|INH, 4, transfer},
    {0x36, M_PSHA, R_A|INH, 3, stack},
    {0x37, M_PSHB, R_B|INH, 3, stack},
    {0x38, M_PULX, R_X|INH, 5, stack},
    {0x38, M_PULY, R_Y|INH, 6, stack},
    {0x39, M_RTS, INH, 5, stack},
    {0x3A, M_ABX, R_X|INH, 3, misc},
    {0x3A, M_ABY, R_Y|INH, 4, misc},
    {0x3B, M_RTI, INH, 12, stack},
    {0x3C, M_PSHX, R_X|INH, 4, stack},
    {0x3C, M_PSHY, R_Y|INH, 5, stack},
    {0x3D, M_MUL, R_D|INH, 10, misc},
    {0x3E, M_WAI, INH, 14, misc},
    {0x3F, M_SWI, INH, 14, stack},
    {0x40, M_NEGA, R_A|ACCA, 2, readmodify},
    {0x43, M_COMA, R_A|ACCA, 2, readmodify},
    {0x44, M_LSRA, R_A|ACCA, 2, readmodify},
    {0x46, M_RORA, R_A|ACCA, 2, readmodify},
    {0x47, M_ASRA, R_A|ACCA, 2, readmodify},
    {0x48, M_LSLA, R_A|ACCA, 2, readmodify},
    {0x49, M_ROLA, R_A|ACCA, 2, readmodify},
    {0x48, M_ASLA, R_A|ACCA, 2, readmodify},
    {0x4A, M_DECA, R_A|ACCA, 2, readmodify},
    {0x4C, M_INCA, R_A|ACCA, 2, readmodify},
    {0x4D, M_TSTA, R_A|ACCA, 2, readmodify},
    {0x4F, M_CLRA, R_A|ACCA, 2, readmodify},
    {0x50, M_NEGB, R_B|ACCB, 2, readmodify},
    {0x53, M_COMB, R_B|ACCB, 2, readmodify},
    {0x54, M_LSRB, R_B|ACCB, 2, readmodify},
    {0x56, M_RORB, R_B|ACCB, 2, readmodify},
    {0x57, M_ASRB, R_B|ACCB, 2, readmodify},
    {0x58, M_LSLB, R_B|ACCB, 2, readmodify},
    {0x59, M_ROLB, R_B|ACCB, 2, readmodify},
    {0x58, M_ASLB, R_B|ACCB, 2, readmodify},
    {0x5A, M_DECB, R_B|ACCB, 2, readmodify},
    {0x5C, M_INCB, R_B|ACCB, 2, readmodify},
    {0x5D, M_TSTB, R_B|ACCB, 2, readmodify},
    {0x5F, M_CLRB, R_B|ACCB, 2, readmodify},
    {0x60, M_NEG, R_MEM|INDX, 6, readmodify},
    {0x60, M_NEG, R_MEM|INDY, 7, readmodify},
    {0x63, M_COM, R_MEM|INDX, 6, readmodify},
    {0x63, M_COM, R_MEM|INDY, 7, readmodify},
    {0x64, M_LSR, R_MEM|INDX, 6, readmodify},
    {0x64, M_LSR, R_MEM|INDY, 7, readmodify},
    {0x66, M_ROR, R_MEM|INDX, 6, readmodify},
    {0x66, M_ROR, R_MEM|INDY, 7, readmodify},
    {0x67, M_ASR, R_MEM|INDX, 6, readmodify},
    {0x67, M_ASR, R_MEM|INDY, 7, readmodify},
    {0x68, M_LSL, R_MEM|INDX, 6, readmodify},
    {0x68, M_LSL, R_MEM|INDY, 7, readmodify},
    {0x69, M_ROL, R_MEM|INDX, 6, readmodify},
    {0x69, M_ROL, R_MEM|INDY, 7, readmodify},
    {0x68, M_ASL, R_MEM|INDX, 6, readmodify},
    {0x68, M_ASL, R_MEM|INDY, 7, readmodify},
    {0x6A, M_DEC, R_MEM|INDX, 6, readmodify},
    {0x6A, M_DEC, R_MEM|INDY, 7, readmodify},
    {0x6C, M_INC, R_MEM|INDX, 6, readmodify},
    {0x6C, M_INC, R_MEM|INDY, 7, readmodify},
    {0x6D, M_TST, R_MEM|INDX, 6, readmodify},
    {0x6D, M_TST, R_MEM|INDY, 7, readmodify},
    {0x6E, M_JMP, INDX, 3, branch},
    {0x6E, M_JMP, INDY, 4, branch},
    {0x6F, M_CLR, R_MEM|INDX, 6, readmodify},
    {0x6F, M_CLR, R_MEM|INDY, 7, readmodify},
    {0x70, M_NEG, R_MEM|EXT, 6, readmodify},
    {0x73, M_COM, R_MEM|EXT, 6, readmodify},
    {0x74, M_LSR, R_MEM|EXT, 6, readmodify},
    {0x76, M_ROR, R_MEM|EXT, 6, readmodify},
    {0x77, M_ASR, R_MEM|EXT, 6, readmodify},
    {0x78, M_LSL, R_MEM|EXT, 6, readmodify},
    {0x79, M_ROL, R_MEM|EXT, 6, readmodify},
    {0x78, M_ASL, R_MEM|EXT, 6, readmodify},
    {0x7A, M_DEC, R_MEM|EXT, 6, readmodify},
    {0x7C, M_INC, R_MEM|EXT, 6, readmodify},
    {0x7D, M_TST, R_MEM|EXT, 6, readmodify},
    {0x7E, M_JMP, EXT, 3, branch},
    {0x7F, M_CLR, R_MEM|EXT, 6, readmodify},
    {0x80, M_SUBA, R_A|IMM, 2, arith8},
    {0x81, M_CMPA, R_A|IMM, 2, arith8},
    {0x82, M_SBCA, R_A|IMM, 2, arith8},
    {0x83, M_SUBD, R_D|IMM, 4, arith16},
    {0x83, M_NONE, 0, 0, nullptr},
    {0x83, M_CPD, R_D|IMM, 5, compare16},
    {0x84, M_ANDA, R_A|IMM, 2, arith8},
    {0x85, M_BITA, R_A|IMM, 2, arith8},
    {0x86, M_LDAA, R_A|IMM, 2, load},
    {0x88, M_EORA, R_A|IMM, 2, arith8},
    {0x89, M_ADCA, R_A|IMM, 2, arith8},
    {0x8A, M_ORAA, R_A|IMM, 2, arith8},
    {0x8B, M_ADDA, R_A|IMM, 2, arith8},
    {0x8C, M_CPX, R_X|IMM, 4, compare16},
    {0x8C, M_CPY, R_Y|IMM, 5, compare16},
    {0x8D, M_BSR, REL, 6, branch},
    {0x8E, M_LDS, R_S|IMM, 3, load},
    {0x8F, M_XGDX, R_X|INH, 3, transfer},
    {0x8F, M_XGDY, R_Y|INH, 4, transfer},
    {0x90, M_SUBA, R_A|DIR, 3, arith8},
    {0x91, M_CMPA, R_A|DIR, 3, arith8},
    {0x92, M_SBCA, R_A|DIR, 3, arith8},
    {0x93, M_SUBD, R_D|DIR, 5, arith16},
    {0x93, M_NONE, 0, 0, nullptr},
    {0x93, M_CPD, R_D|DIR, 6, compare16},
    {0x94, M_ANDA, R_A|DIR, 3, arith8},
    {0x95, M_BITA, R_A|DIR, 3, arith8},
    {0x96, M_LDAA, R_A|DIR, 3, load},
    {0x97, M_STAA, R_A|DIR, 3, store},
    {0x98, M_EORA, R_A|DIR, 3, arith8},
    {0x99, M_ADCA, R_A|DIR, 3, arith8},
    {0x9A, M_ORAA, R_A|DIR, 3, arith8},
    {0x9B, M_ADDA, R_A|DIR, 3, arith8},
    {0x9C, M_CPX, R_X|DIR, 5, compare16},
    {0x9C, M_CPY, R_Y|DIR, 6, compare16},
    {0x9D, M_JSR, DIR, 5, branch},
    {0x9E, M_LDS, R_S|DIR, 4, load},
    {0x9F, M_STS, R_S|DIR, 4, store},
    {0xA0, M_SUBA, R_A|INDX, 4, arith8},
    {0xA0, M_SUBA, R_A|INDY, 5, arith8},
    {0xA1, M_CMPA, R_A|INDX, 4, arith8},
    {0xA1, M_CMPA, R_A|INDY, 5, arith8},
    {0xA2, M_SBCA, R_A|INDX, 4, arith8},
    {0xA2, M_SBCA, R_A|INDY, 5, arith8},
    {0xA3, M_SUBD, R_D|INDX, 6, arith16},
    {0xA3, M_SUBD, R_D|INDY, 7, arith16},
    {0xA3, M_CPD, R_D|INDX, 7, compare16},
    {0xA3, M_CPD, R_D|INDY, 7, compare16},
    {0xA4, M_ANDA, R_A|INDX, 4, arith8},
    {0xA4, M_ANDA, R_A|INDY, 5, arith8},
    {0xA5, M_BITA, R_A|INDX, 4, arith8},
    {0xA5, M_BITA, R_A|INDY, 5, arith8},
    {0xA6, M_LDAA, R_A|INDX, 4, load},
    {0xA6, M_LDAA, R_A|INDY, 5, load},
    {0xA7, M_STAA, R_A|INDX, 4, store},
    {0xA7, M_STAA, R_A|INDY, 5, store},
    {0xA8, M_EORA, R_A|INDX, 4, arith8},
    {0xA8, M_EORA, R_A|INDY, 5, arith8},
    {0xA9, M_ADCA, R_A|INDX, 4, arith8},
    {0xA9, M_ADCA, R_A|INDY, 5, arith8},
    {0xAA, M_ORAA, R_A|INDX, 4, arith8},
    {0xAA, M_ORAA, R_A|INDY, 5, arith8},
    {0xAB, M_ADDA, R_A|INDX, 4, arith8},
    {0xAB, M_ADDA, R_A|INDY, 5, arith8},
    {0xAC, M_CPX, R_X|INDX, 6, compare16},
    {0xAC, M_CPY, R_Y|INDY, 7, compare16},
    {0xAC, M_CPY, R_Y|INDX, 7, compare16},
    {0xAC, M_CPX, R_X|INDY, 7, compare16},
    {0xAD, M_JSR, INDX, 6, branch},
    {0xAD, M_JSR, INDY, 7, branch},
    {0xAE, M_LDS, R_S|INDX, 5, load},
    {0xAE, M_LDS, R_S|INDY, 6, load},
    {0xAF, M_STS, R_S|INDX, 5, store},
    {0xAF, M_STS, R_S|INDY, 6, store},
    {0xB0, M_SUBA, R_A|EXT, 4, arith8},
    {0xB1, M_CMPA, R_A|EXT, 4, arith8},
    {0xB2, M_SBCA, R_A|EXT, 4, arith8},
    {0xB3, M_SUBD, R_D|EXT, 6, arith16},
    {0xB3, M_NONE, 0, 0, nullptr},
    {0xB3, M_CPD, R_D|EXT, 7, compare16},
    {0xB4, M_ANDA, R_A|EXT, 4, arith8},
    {0xB5, M_BITA, R_A|EXT, 4, arith8},
    {0xB6, M_LDAA, R_A|EXT, 4, load},
    {0xB7, M_STAA, R_A|EXT, 4, store},
    {0xB8, M_EORA, R_A|EXT, 4, arith8},
    {0xB9, M_ADCA, R_A|EXT, 4, arith8},
    {0xBA, M_ORAA, R_A|EXT, 4, arith8},
    {0xBB, M_ADDA, R_A|EXT, 4, arith8},
    {0xBC, M_CPX, R_X|EXT, 6, compare16},
    {0xBC, M_CPY, R_Y|EXT, 7, compare16},
    {0xBD, M_JSR, EXT, 6, branch},
    {0xBE, M_LDS, R_S|EXT, 5, load},
    {0xBF, M_STS, R_S|EXT, 5, store},
    {0xC0, M_SUBB, R_B|IMM, 2, arith8},
    {0xC1, M_CMPB, R_B|IMM, 2, arith8},
    {0xC2, M_SBCB, R_B|IMM, 2, arith8},
    {0xC3, M_ADDD, R_D|IMM, 4, arith16},
    {0xC4, M_ANDB, R_B|IMM, 2, arith8},
    {0xC5, M_BITB, R_B|IMM, 2, arith8},
    {0xC6, M_LDAB, R_B|IMM, 2, load},
    {0xC8, M_EORB, R_B|IMM, 2, arith8},
    {0xC9, M_ADCB, R_B|IMM, 2, arith8},
    {0xCA, M_ORAB, R_B|IMM, 2, arith8},
    {0xCB, M_ADDB, R_B|IMM, 2, arith8},
    {0xCC, M_LDD, R_D|IMM, 3, load},
    {0xCE, M_LDX, R_X|IMM, 3, load},
    {0xCE, M_LDY, R_Y|IMM, 4, load},
    {0xCF, M_STOP, INH, 2, misc},
    {0xD0, M_SUBB, R_B|DIR, 3, arith8},
    {0xD1, M_CMPB, R_B|DIR, 3, arith8},
    {0xD2, M_SBCB, R_B|DIR, 3, arith8},
    {0xD3, M_ADDD, R_D|DIR, 5, arith16},
    {0xD4, M_ANDB, R_B|DIR, 3, arith8},
    {0xD5, M_BITB, R_B|DIR, 3, arith8},
    {0xD6, M_LDAB, R_B|DIR, 3, load},
    {0xD7, M_STAB, R_B|DIR, 3, store},
    {0xD8, M_EORB, R_B|DIR, 3, arith8},
    {0xD9, M_ADCB, R_B|DIR, 3, arith8},
    {0xDA, M_ORAB, R_B|DIR, 3, arith8},
    {0xDB, M_ADDB, R_B|DIR, 3, arith8},
    {0xDC, M_LDD, R_D|DIR, 4, load},
    {0xDD, M_STD, R_D|DIR, 4, store},
    {0xDE, M_LDX, R_X|DIR, 4, load},
    {0xDE, M_LDY, R_Y|DIR, 5, load},
    {0xDF, M_STX, R_X|DIR, 4, store},
    {0xDF, M_STY, R_Y|DIR, 5, store},
    {0xE0, M_SUBB, R_B|INDX, 4, arith8},
    {0xE0, M_SUBB, R_B|INDY, 5, arith8},
    {0xE1, M_CMPB, R_B|INDX, 4, arith8},
    {0xE1, M_CMPB, R_B|INDY, 5, arith8},
    {0xE2, M_SBCB, R_B|INDX, 4, arith8},
    {0xE2, M_SBCB, R_B|INDY, 5, arith8},
    {0xE3, M_ADDD, R_D|INDX, 6, arith16},
    {0xE3, M_ADDD, R_D|INDY, 7, arith16},
    {0xE4, M_ANDB, R_B|INDX, 4, arith8},
    {0xE4, M_ANDB, R_B|INDY, 5, arith8},
    {0xE5, M_BITB, R_B|INDX, 4, arith8},
    {0xE5, M_BITB, R_B|INDY, 5, arith8},
    {0xE6, M_LDAB, R_B|INDX, 4, load},
    {0xE6, M_LDAB, R_B|INDY, 5, load},
    {0xE7, M_STAB, R_B|INDX, 4, store},
    {0xE7, M_STAB, R_B|INDY, 5, store},
    {0xE8, M_EORB, R_B|INDX, 4, arith8},
    {0xE8, M_EORB, R_B|INDY, 5, arith8},
    {0xE9, M_ADCB, R_B|INDX, 4, arith8},
    {0xE9, M_ADCB, R_B|INDY, 5, arith8},
    {0xEA, M_ORAB, R_B|INDX, 4, arith8},
    {0xEA, M_ORAB, R_B|INDY, 5, arith8},
    {0xEB, M_ADDB, R_B|INDX, 4, arith8},
    {0xEB, M_ADDB, R_B|INDY, 5, arith8},
    {0xEC, M_LDD, R_D|INDX, 5, load},
    {0xEC, M_LDD, R_D|INDY, 6, load},
    {0xED, M_STD, R_D|INDX, 5, store},
    {0xED, M_STD, R_D|INDY, 6, store},
    {0xEE, M_LDX, R_X|INDX, 5, load},
    {0xEE, M_LDY, R_Y|INDY, 6, load},
    {0xEE, M_LDY, R_Y|INDX, 6, load},
    {0xEE, M_LDX, R_X|INDY, 6, load},
    {0xEF, M_STX, R_X|INDX, 5, store},
    {0xEF, M_STY, R_Y|INDY, 6, store},
    {0xEF, M_STY, R_Y|INDX, 6, store},
    {0xEF, M_STX, R_X|INDY, 6, store},
    {0xF0, M_SUBB, R_B|EXT, 4, arith8},
    {0xF1, M_CMPB, R_B|EXT, 4, arith8},
    {0xF2, M_SBCB, R_B|EXT, 4, arith8},
    {0xF3, M_ADDD, R_D|EXT, 6, arith16},
    {0xF4, M_ANDB, R_B|EXT, 4, arith8},
    {0xF5, M_BITB, R_B|EXT, 4, arith8},
    {0xF6, M_LDAB, R_B|EXT, 4, load},
    {0xF7, M_STAB, R_B|EXT, 4, store},
    {0xF8, M_EORB, R_B|EXT, 4, arith8},
    {0xF9, M_ADCB, R_B|EXT, 4, arith8},
    {0xFA, M_ORAB, R_B|EXT, 4, arith8},
    {0xFB, M_ADDB, R_B|EXT, 4, arith8},
    {0xFC, M_LDD, R_D|EXT, 5, load},
    {0xFD, M_STD, R_D|EXT, 5, store},
    {0xFE, M_LDX, R_X|EXT, 5, load},
    {0xFE, M_LDY, R_Y|EXT, 6, load},
    {0xFF, M_STX, R_X|EXT, 5, store},
    {0xFF, M_STY, R_Y|EXT, 6, store},
};
inline constexpr int optablesize = sizeof optable / sizeof optable[0];

// Whether an opcode byte is a prefix: 0x18, 0x1A or 0xCD.
constexpr bool isprefix(uint8_t byte) { return byte == 0x18 || byte == 0x1A || byte == 0xCD; }
// Prefix slot of a prefix byte: 0 for none, 1 for 0x18, 2 for 0x1A, 3 for 0xCD.
constexpr int prefixslotof(uint8_t prefix) { return prefix == 0 ? 0 : ((prefix >> 1) & 3) + 1; }

// The row of each prefix slot and opcode (slot * 256 + opcode): its index in
// the table, or -1. A prefixed row must stand in an unbroken run of rows of
// its opcode: a row of the same opcode further on (an alias) is no prefixed
// instruction.
// Prefix slot of the row at index i: how many rows directly before it carry
// its opcode.
constexpr int rowslot(int i) {
    int slot = 0;
    while (slot < i && optable[i - slot - 1].opcode == optable[i].opcode) ++slot;
    return slot;
}

struct OpIndex {
    int16_t row[4 * 256];
};
constexpr OpIndex buildopindex() {
    OpIndex index{};
    for (int16_t& r : index.row) r = -1;
    for (int i = optablesize - 1; i >= 0; --i)
        index.row[rowslot(i) * 256 + optable[i].opcode] = static_cast<int16_t>(optable[i].mnemonic ? i : -1);
    return index;
}
inline constexpr OpIndex opindex = buildopindex();

// The row of a prefix byte (0 for none, 0x18, 0x1A, 0xCD) and an opcode, or
// null.
inline const OpcodeRow* oprow(uint8_t prefix, uint8_t opcode) {
    int i = opindex.row[prefixslotof(prefix) * 256 + opcode];
    return i < 0 ? nullptr : &optable[i];
}
// Prefix slot of a row: how many rows directly before it carry its opcode
// (0 none, 1 prefix 0x18, 2 prefix 0x1A, 3 prefix 0xCD).
int prefixslot(const OpcodeRow* row);
uint8_t prefixbyte(int slot);

}  // namespace vy
