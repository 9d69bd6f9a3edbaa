// The 68HC11 instruction table of the assembler: mnemonics and opcode rows.
#pragma once
#include <cstdint>
#include <string_view>

namespace ccasm {

// Addressing modes of an opcode row. Bit 0x10: a mask byte follows the
// address; bit 0x08: a relative target follows.
enum : uint8_t {
    MODE_INH = 0,
    MODE_DIR = 1,
    MODE_EXT = 2,
    MODE_INDX = 3,
    MODE_INDY = 4,
    MODE_IMM8 = 5,
    MODE_IMM16 = 6,
    MODE_REL = 8,
    MODE_MASK = 0x10,
    MODE_TARGET = 0x08,
    MODE_BIT_DIR = 17,
    MODE_BIT_X = 19,
    MODE_BIT_Y = 20,
    MODE_BRBIT_DIR = 25,
    MODE_BRBIT_X = 27,
    MODE_BRBIT_Y = 28,
};

// Mnemonic indices, 1..145 in alphabetical order.
enum Mnemonic : uint8_t {
    MN_NONE,
    ABA, ABX, ABY, ADCA, ADCB, ADDA, ADDB, ADDD, ANDA, ANDB, ASL, ASLA, ASLB, ASLD, ASR,
    ASRA, ASRB, BCC, BCLR, BCS, BEQ, BGE, BGT, BHI, BHS, BITA, BITB, BLE, BLO, BLS, BLT, BMI,
    BNE, BPL, BRA, BRCLR, BRN, BRSET, BSET, BSR, BVC, BVS, CBA, CLC, CLI, CLR, CLRA, CLRB,
    CLV, CMPA, CMPB, COM, COMA, COMB, CPD, CPX, CPY, DAA, DEC, DECA, DECB, DES, DEX, DEY,
    EORA, EORB, FDIV, IDIV, INC, INCA, INCB, INS, INX, INY, JMP, JSR, LDAA, LDAB, LDD, LDS,
    LDX, LDY, LSL, LSLA, LSLB, LSLD, LSR, LSRA, LSRB, LSRD, MUL, NEG, NEGA, NEGB, NOP, ORAA,
    ORAB, PSHA, PSHB, PSHX, PSHY, PULA, PULB, PULX, PULY, ROL, ROLA, ROLB, ROR, RORA, RORB,
    RTI, RTS, SBA, SBCA, SBCB, SEC, SEI, SEV, STAA, STAB, STD, STOP, STS, STX, STY, SUBA,
    SUBB, SUBD, SWI, TAB, TAP, TBA, TEST, TPA, TST, TSTA, TSTB, TSX, TSY, TXS, TYS, WAI,
    XGDX, XGDY,
};
static_assert(XGDY == 145);

struct AsmOpcodeRow {
    uint8_t opcode;
    uint8_t mnemonic;  // index into the mnemonic table, 1-based; 0 ends
    uint8_t prefix;    // 0, or 0x18, 0x1A, 0xCD emitted before the opcode
    uint8_t mode;
};

constexpr int MNEMONIC_COUNT = 145;

// Mnemonic text of index 1..145.
std::string_view mnemonic_name(int index);

// The opcode rows; rows of one mnemonic are consecutive. Row 0 is all zero
// and the table ends with a zero row.
const AsmOpcodeRow* opcode_rows();
int opcode_row_count();

// First row of a mnemonic (1-based index), never null for a valid index.
const AsmOpcodeRow* first_row(int mnemonic);

// Mnemonic index of a lower-case name, 0 when unknown.
int mnemonic_index(std::string_view name);

}  // namespace ccasm
