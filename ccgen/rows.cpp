// The template rows: for every operator a list of rows, each with the
// operand forms it accepts (two descriptors), its flags and its text in the
// template language. Rows are tried in order; the first that fits wins.
//
// Descriptor: high nibble the operand kind, low nibble the type class.
//   kind  modes            kind  modes
//   1     S                7     Y or memory
//   3     imm., D or Y     8     memory
//   4     D                9     memory, direct or small index
//   5     Y                10    memory (direct, small index) or imm.
//   6     D or Y           11    Y, or register + small offset
// Descriptors 0x00-0x0E stand for constants (0x09 -1, 0x0A any 16-bit
// unsigned, 0x0B 16, 0x0D a byte, 0x0E low byte 0, else the value itself),
// 0x0F for any plain constant, 0x20-0x2F for the constants 32, 64, 128,
// 256, 512, 1024, 2048, 4096, 9, 10, 11, 12, 13, 14, 15, 24.
//
// Flags: 0x01 D must be free (unless the right is in D); 0x02 the left must
// be a register or direct-page operand; 0x03 both: not for port operands;
// 0x04 sets the node's flag 0x4000 (for the test operator 174 the bits
// 0x08-0x20 are instead the condition classes the row leaves valid:
// 0x08 eq/ne, 0x10 lt/ge, 0x18 le/gt, 0x20 lo/hs, 0x28 ls/hi);
// 0x40 only for a value that is not used (in-place rows of the compound
// assignments); 0x80 special: `first` is the handler number, plus 0x40 for
// a skip row.
//
// Classes after the operator's mapping: = and the arithmetic operators see
// unsigned forms (char 2, int 5, long 8); / % and the test see the
// operands' own (char 1, int 3, long 6 signed); >> sees the left's own.
//
// A value of class long or float "in D" is the long register: the high
// word at 2,x (letter Y), the low word in D. Rows that hand it to a routine
// without naming 2,x mark it with '!'. Instructions on Y carry a prefix
// byte that the operand text does not count: their rows add an 'I'.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

constexpr std::uint8_t D(int kind, int cls) { return static_cast<std::uint8_t>(kind << 4 | cls); }

constexpr std::uint8_t SP = 0x80;        // special row: `first` is the handler
constexpr std::uint8_t UNUSED = 0x40;    // the value is not used
constexpr std::uint8_t DFREE = 0x01;     // D must be free

// Condition classes left valid by a test row: a test against zero (N and
// Z, V and C cleared) serves eq/ne, lt/ge and le/gt; a compare serves all.
constexpr std::uint8_t CC_EQ = 0x08;
constexpr std::uint8_t CC_LT = 0x10;
constexpr std::uint8_t CC_TST = 0x18;
constexpr std::uint8_t CC_UNS = 0x28;
constexpr std::uint8_t CC_ALL = 0x38;

// ------------------------------------------------------------------ =
const TemplateRow assign_rows[] = {
    // char: into B
    {D(4, 2), D(4, 2), 0, 0, ""},
    {D(4, 2), D(10, 2), 0, 0, "Mab R"},
    {D(4, 2), D(8, 2), 0, 0, "Mab R"},
    {D(4, 2), D(4, 5), 0, 0, ""},          // the low byte of an int in D
    {D(4, 2), D(5, 5), 0, 0, "AIy"},
    {D(4, 2), D(10, 5), 0, 0, "Mab VR"},
    {D(4, 2), D(8, 5), 0, 0, "Mab VR"},
    {D(4, 2), D(4, 8), 0, 0, ""},          // the low byte of the long register
    {D(4, 2), D(10, 8), 0, 0, "Mab UVR"},
    {D(4, 2), D(8, 8), 0, 0, "Mab UVR"},
    // char: stores
    {D(9, 2), 0x09, 0, 0, " bset I?2255,L?L,#255?"},
    {D(8, 2), 0x00, 0, 0, "Q L"},
    {D(8, 2), D(4, 2), 0, 0, "Cab L"},
    {D(8, 2), D(4, 5), 0, 0, "Cab L"},
    {D(8, 2), D(4, 8), 0, 0, "Cab L"},
    // bit-fields of a char, an int or a long unit
    {D(4, 5), D(8, 13), SP, 3, ""},
    {D(4, 5), D(8, 4), SP, 3, ""},
    {D(4, 8), D(8, 7), SP, 3, ""},
    {D(8, 13), 0x0F, SP, 1, ""},
    {D(8, 4), 0x0F, SP, 1, ""},
    {D(8, 7), 0x0F, SP, 9, ""},
    {D(8, 13), D(4, 5), SP, 2, ""},
    {D(8, 4), D(4, 5), SP, 2, ""},
    {D(8, 7), D(4, 8), SP, 10, ""},
    // int and near pointers: into D or Y
    {D(4, 5), D(4, 5), 0, 0, ""},
    {D(4, 5), D(5, 5), 0, 0, "AIy"},
    {D(4, 5), D(10, 5), 0, 0, "Md R"},
    {D(4, 5), D(8, 5), 0, 0, "Md R"},
    {D(4, 5), D(4, 8), 0, 0, ""},          // the low word of the long register
    {D(4, 5), D(10, 8), 0, 0, "Md UR"},
    {D(4, 5), D(8, 8), 0, 0, "Md UR"},
    {D(5, 5), D(5, 5), 0, 0, ""},
    {D(5, 5), D(4, 5), 0, 0, "AIy"},
    {D(5, 5), D(10, 5), 0, 0, "MIy R"},
    {D(5, 5), D(8, 5), 0, 0, "MIy R"},
    {D(5, 5), D(10, 8), 0, 0, "MIy UR"},
    {D(5, 5), D(8, 8), 0, 0, "MIy UR"},
    // int: stores
    {D(8, 5), 0x00, DFREE, 0, "Qa;Qb;Cd L"},
    {D(8, 5), 0x00, 0, 0, "Q L;Q VL"},
    {D(8, 5), D(4, 5), 0, 0, "Cd L"},
    {D(8, 5), D(5, 5), 0, 0, "CIy L"},
    {D(8, 5), D(4, 8), 0, 0, "Cd L"},
    // long and float: into the long register
    {D(4, 8), D(4, 8), 0, 0, ""},
    {D(4, 8), D(10, 8), 0, 0, "SMd R;CdY;Md UR"},
    {D(4, 8), D(8, 8), 0, 0, "SMd R;CdY;Md UR"},
    {D(4, 8), D(4, 5), 0, 0, "QY;QYY"},    // an unsigned int or near pointer widened
    {D(4, 8), D(5, 5), 0, 0, "AIy;QY;QYY"},
    {D(4, 9), D(4, 9), 0, 0, ""},
    {D(4, 9), D(10, 9), 0, 0, "SMd R;CdY;Md UR"},
    {D(4, 9), D(8, 9), 0, 0, "SMd R;CdY;Md UR"},
    // long and float: stores, and moves between memory
    {D(8, 8), D(4, 8), 0, 0, "Cd UL;MdY;Cd L"},
    {D(8, 8), D(10, 8), SP, 5, ""},
    {D(8, 8), D(8, 8), SP, 5, ""},
    {D(8, 9), D(4, 9), 0, 0, "Cd UL;MdY;Cd L"},
    {D(8, 9), D(10, 9), SP, 5, ""},
    {D(8, 9), D(8, 9), SP, 5, ""},
    // double: copies between memory
    {D(8, 10), D(8, 10), 0, 0, "OKdtod"},
    // pushes of arguments: the stack is the destination
    {D(1, 2), D(4, 2), 0, 0, "Pb"},
    {D(1, 5), D(4, 5), 0, 0, "PId"},
    {D(1, 5), D(5, 5), 0, 0, "PIy"},
    {D(1, 8), D(4, 8), 0, 0, "PId;MdY;PId"},
    {D(1, 8), D(10, 8), SP, 6, ""},
    {D(1, 8), D(8, 8), SP, 6, ""},
    {D(1, 9), D(4, 9), 0, 0, "PId;MdY;PId"},
    {D(1, 9), D(10, 9), SP, 6, ""},
    {D(1, 9), D(8, 9), SP, 6, ""},
    {D(1, 10), D(8, 10), SP, 6, ""},
    {D(1, 10), D(4, 5), SP, 6, ""},
    {D(1, 10), D(4, 8), SP, 6, ""},
    {D(1, 10), D(4, 9), SP, 6, ""},
};

// ------------------------------------------------------------------ test
const TemplateRow test_rows[] = {
    // char against 0: tstb, tst
    {D(4, 1), 0x00, CC_TST, 0, "Z1b"},
    {D(4, 2), 0x00, CC_TST, 0, "Z1b"},
    {D(8, 1), 0x00, CC_TST, 0, "Z1 L"},
    {D(8, 2), 0x00, CC_TST, 0, "Z1 L"},
    // char against a constant or a byte in memory: cmpb
    {D(4, 1), D(10, 1), CC_ALL, 0, "Xb R"},
    {D(4, 2), D(10, 2), CC_ALL, 0, "Xb R"},
    {D(4, 1), D(8, 1), CC_ALL, 0, "Xb R"},
    {D(4, 2), D(8, 2), CC_ALL, 0, "Xb R"},
    // int against 0: the load sets N and Z; in D subd #0; in Y cpy #0
    {D(4, 3), 0x00, CC_ALL, 0, "F2d R"},
    {D(4, 5), 0x00, CC_ALL, 0, "F2d R"},
    {D(8, 3), 0x00, DFREE | CC_TST, 0, "Md L"},
    {D(8, 5), 0x00, DFREE | CC_TST, 0, "Md L"},
    {D(5, 3), 0x00, CC_ALL, 0, "Z2Iy R"},
    {D(5, 5), 0x00, CC_ALL, 0, "Z2Iy R"},
    // int against a constant or a word in memory: cpd, cpy
    {D(4, 3), D(10, 3), CC_ALL, 0, "Z2Id R"},
    {D(4, 5), D(10, 5), CC_ALL, 0, "Z2Id R"},
    {D(4, 3), D(8, 3), CC_ALL, 0, "Z2Id R"},
    {D(4, 5), D(8, 5), CC_ALL, 0, "Z2Id R"},
    {D(5, 3), D(10, 3), CC_ALL, 0, "Z2Iy R"},
    {D(5, 5), D(10, 5), CC_ALL, 0, "Z2Iy R"},
    {D(5, 3), D(8, 3), CC_ALL, 0, "Z2Iy R"},
    {D(5, 5), D(8, 5), CC_ALL, 0, "Z2Iy R"},
    // bit-fields in memory against a constant: masked in place
    {D(8, 13), 0x0F, SP | DFREE | CC_ALL, 0, ""},
    {D(8, 4), 0x0F, SP | DFREE | CC_ALL, 0, ""},
    // long against 0: the high word first, the low word only when it is 0
    {D(8, 6), 0x00, DFREE | CC_EQ, 0, "Md L; bne T;Md UL"},
    {D(8, 8), 0x00, DFREE | CC_EQ, 0, "Md L; bne T;Md UL"},
    {D(8, 6), 0x00, CC_LT, 0, "Z1 L"},
    {D(8, 6), 0x00, CC_TST, 0, "&LKlzmp"},
    {D(4, 6), 0x00, CC_TST, 0, "!Klrzmp"},
    {D(4, 8), 0x00, CC_TST, 0, "!Klrzmp"},
    // long against long: word by word for eq/ne (a constant's low word
    // SUR, its high word SR), else the routines
    {D(8, 6), D(10, 6), DFREE | CC_EQ, 0, "Md UL;Z2Id SUR; bne T;Md L;Z2Id SR"},
    {D(8, 8), D(10, 8), DFREE | CC_EQ, 0, "Md UL;Z2Id SUR; bne T;Md L;Z2Id SR"},
    {D(8, 6), D(8, 6), DFREE | CC_EQ, 0, "Md UL;Z2Id SUR; bne T;Md L;Z2Id SR"},
    {D(8, 8), D(8, 8), DFREE | CC_EQ, 0, "Md UL;Z2Id SUR; bne T;Md L;Z2Id SR"},
    {D(4, 6), D(8, 6), CC_TST, 0, "!&RKlcmp"},
    {D(4, 8), D(8, 8), CC_UNS, 0, "!&RKulcmp"},
    // float and double
    {D(4, 9), D(8, 9), CC_TST, 0, "!&RKfcmp"},
    {D(8, 10), D(8, 10), CC_TST, 0, "OKdcmp"},
};

// ------------------------------------------------------------------ + += ++
const TemplateRow add_rows[] = {
    // char
    {D(4, 2), 0x01, 0, 0, "F3b"},
    {D(4, 2), 0x09, 0, 0, "F4b"},
    {D(4, 2), D(10, 2), 0, 0, "F1b R"},
    {D(4, 2), D(8, 2), 0, 0, "F1b R"},
    {D(8, 2), 0x01, UNUSED, 0, "F3 L"},
    {D(8, 2), 0x09, UNUSED, 0, "F4 L"},
    // int and pointers: the telling row first
    {D(4, 5), 0x0F, 0x04, 0, "F1d R"},
    {D(4, 5), D(8, 2), 0, 0, "F1b BR; adca #I0"},  // an unsigned char added
    {D(4, 5), D(10, 5), 0, 0, "F1d R"},
    {D(4, 5), D(8, 5), 0, 0, "F1d R"},
    {D(4, 5), D(5, 5), 0, 0, "PIy; Itsy;F1d 0,y; pulIy"},
    {D(5, 5), 0x01, 0, 0, " Iiny"},
    {D(5, 5), 0x02, 0, 0, " Iiny; Iiny"},
    {D(5, 5), 0x09, 0, 0, " Idey"},
    // long: in place, word by word with carry
    {D(8, 8), D(10, 8), DFREE | UNUSED, 0, "Md UL;F1d SUR;Cd UL;Md L; adcb SVR; adca SUUR;Cd L"},
    {D(8, 8), D(8, 8), DFREE | UNUSED, 0, "Md UL;F1d SUR;Cd UL;Md L; adcb SVR; adca SUUR;Cd L"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&LKlgadd"},
    {D(4, 8), D(8, 8), 0, 0, "!&RKladd"},
    // float
    {D(8, 9), D(4, 9), UNUSED, 0, "!&LKfgadd"},
    {D(4, 9), D(8, 9), 0, 0, "!&RKfadd"},
    // double
    {D(8, 10), D(8, 10), 0, 0, "OKdadd"},
};

// ------------------------------------------------------------------ - -= --
const TemplateRow sub_rows[] = {
    // char
    {D(4, 2), 0x01, 0, 0, "F4b"},
    {D(4, 2), 0x09, 0, 0, "F3b"},
    {D(4, 2), D(10, 2), 0, 0, "F2b R"},
    {D(4, 2), D(8, 2), 0, 0, "F2b R"},
    {D(8, 2), 0x01, UNUSED, 0, "F4 L"},
    {D(8, 2), 0x09, UNUSED, 0, "F3 L"},
    // a constant right operand of an int or a long is not a byte: the
    // byte rows that follow are passed over
    {D(4, 5), 0x0F, SP, 0x40 | 1, ""},
    {D(4, 5), D(8, 2), 0, 0, "F2b BR; sbca #I0"},
    {D(4, 5), 0x0F, 0, 0, "F2d R"},
    {D(4, 5), D(10, 5), 0, 0, "F2d R"},
    {D(4, 5), D(8, 5), 0, 0, "F2d R"},
    {D(4, 5), D(5, 5), 0, 0, "PIy; Itsy;F2d 0,y; pulIy"},
    {D(5, 5), 0x01, 0, 0, " Idey"},
    {D(5, 5), 0x02, 0, 0, " Idey; Idey"},
    {D(5, 5), 0x09, 0, 0, " Iiny"},
    // long
    {D(8, 8), D(10, 8), DFREE | UNUSED, 0, "Md UL;F2d SUR;Cd UL;Md L; sbcb SVR; sbca SUUR;Cd L"},
    {D(8, 8), D(8, 8), DFREE | UNUSED, 0, "Md UL;F2d SUR;Cd UL;Md L; sbcb SVR; sbca SUUR;Cd L"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&LKlgsub"},
    {D(4, 8), D(8, 8), 0, 0, "!&RKlsub"},
    // float
    {D(8, 9), D(4, 9), UNUSED, 0, "!&LKfgsub"},
    {D(4, 9), D(8, 9), 0, 0, "!&RKfsub"},
    // double
    {D(8, 10), D(8, 10), 0, 0, "OKdsub"},
};

// ------------------------------------------------------------------ * *=
const TemplateRow mul_rows[] = {
    // char: shifts, the hardware multiply
    {D(4, 2), 0x01, 0, 0, ""},
    {D(4, 2), 0x02, 0, 0, "D4b"},
    {D(4, 2), 0x04, 0, 0, "D4b;D4b"},
    {D(4, 2), 0x08, 0, 0, "D4b;D4b;D4b"},
    {D(4, 2), 0x0B, 0, 0, "D4b;D4b;D4b;D4b"},
    {D(4, 2), D(10, 2), 0, 0, "Maa BR; mul"},
    {D(4, 2), D(8, 2), 0, 0, "Maa BR; mul"},
    // int: shifts, byte moves, the routines
    {D(4, 5), 0x01, 0, 0, ""},
    {D(4, 5), 0x02, 0, 0, "D4d"},
    {D(4, 5), 0x04, 0, 0, "D4d;D4d"},
    {D(4, 5), 0x08, 0, 0, "D4d;D4d;D4d"},
    {D(4, 5), 0x0B, 0, 0, "D4d;D4d;D4d;D4d"},
    {D(4, 5), 0x23, 0, 0, " tba;Qb"},
    {D(4, 5), 0x24, 0, 0, " tba;Qb;D4a"},
    {D(4, 5), 0x29, 0, 0, "Kimul10"},
    {D(4, 5), D(5, 5), 0, 0, "?3Kimula?Kimul?"},
    // long, float, double
    {D(8, 8), D(4, 8), UNUSED, 0, "!&L?3Klgmula?Klgmul?"},
    {D(4, 8), D(8, 8), 0, 0, "!&R?3Klmula?Klmul?"},
    {D(8, 9), D(4, 9), UNUSED, 0, "!&L?3Kfgmula?Kfgmul?"},
    {D(4, 9), D(8, 9), 0, 0, "!&R?3Kfmula?Kfmul?"},
    {D(8, 10), D(8, 10), 0, 0, "O?3Kdmula?Kdmul?"},
};

// ------------------------------------------------------------------ / /=
const TemplateRow div_rows[] = {
    // char by a byte constant: the routine with its inline operand
    {D(4, 1), 0x0D, SP, 8, "E;Kidivb"},
    {D(4, 2), 0x0D, SP, 8, "Qa;Kidivb"},
    // unsigned int: shifts, the divide instruction
    {D(4, 5), 0x01, 0, 0, ""},
    {D(4, 5), 0x02, 0, 0, "D2d"},
    {D(4, 5), 0x04, 0, 0, "D2d;D2d"},
    {D(4, 5), 0x08, 0, 0, "D2d;D2d;D2d"},
    {D(4, 5), 0x23, 0, 0, " tab;Qa"},
    {D(4, 5), D(10, 5), 0, 0, " pshx;Mx R; idiv;Ax; pulx"},
    {D(4, 5), D(8, 5), 0, 0, " pshx;Mx R; idiv;Ax; pulx"},
    {D(4, 5), D(5, 5), 0, 0, " pshx;PIy; pulx; idiv;Ax; pulx"},
    // signed int
    {D(4, 3), 0x01, 0, 0, ""},
    {D(4, 3), D(5, 3), 0, 0, "?3Kidiva?Kidiv?"},
    // long, float, double
    {D(8, 6), D(4, 6), UNUSED, 0, "!&L?3Klgdiva?Klgdiv?"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&L?3Klgudva?Klgudv?"},
    {D(4, 6), D(8, 6), 0, 0, "!&R?3Kldiva?Kldiv?"},
    {D(4, 8), D(8, 8), 0, 0, "!&R?3Kludva?Kludv?"},
    {D(8, 9), D(4, 9), UNUSED, 0, "!&LKfgdiv"},
    {D(4, 9), D(8, 9), 0, 0, "!&RKfdiv"},
    {D(8, 10), D(8, 10), 0, 0, "OKddiv"},
};

// ------------------------------------------------------------------ % %=
const TemplateRow mod_rows[] = {
    {D(4, 1), 0x0D, SP, 8, "E;Kidivb; tab"},
    {D(4, 2), 0x0D, SP, 8, "Qa;Kidivb; tab"},
    // unsigned int: masks, the divide instruction
    {D(4, 5), 0x01, 0, 0, "Qa;Qb"},
    {D(4, 5), 0x02, 0, 0, "Qa;N1b #I1"},
    {D(4, 5), 0x04, 0, 0, "Qa;N1b #I3"},
    {D(4, 5), 0x08, 0, 0, "Qa;N1b #I7"},
    {D(4, 5), 0x0B, 0, 0, "Qa;N1b #I15"},
    {D(4, 5), 0x23, 0, 0, "Qa"},
    {D(4, 5), D(10, 5), 0, 0, " pshx;Mx R; idiv; pulx"},
    {D(4, 5), D(8, 5), 0, 0, " pshx;Mx R; idiv; pulx"},
    {D(4, 5), D(5, 5), 0, 0, " pshx;PIy; pulx; idiv; pulx"},
    // signed int
    {D(4, 3), D(5, 3), 0, 0, "?3Kimoda?Kimod?"},
    // long
    {D(8, 6), D(4, 6), UNUSED, 0, "!&L?3Klgmoda?Klgmod?"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&L?3Klgumda?Klgumd?"},
    {D(4, 6), D(8, 6), 0, 0, "!&R?3Klmoda?Klmod?"},
    {D(4, 8), D(8, 8), 0, 0, "!&R?3Klumda?Klumd?"},
};

// ------------------------------------------------------------------ << <<=
const TemplateRow lsh_rows[] = {
    // char
    {D(4, 2), 0x00, 0, 0, ""},
    {D(4, 2), 0x01, 0, 0, "D4b"},
    {D(4, 2), 0x02, 0, 0, "D4b;D4b"},
    {D(4, 2), 0x03, 0, 0, "D4b;D4b;D4b"},
    {D(4, 2), 0x04, 0, 0, "D4b;D4b;D4b;D4b"},
    {D(8, 2), 0x01, UNUSED, 0, "D4 L"},
    {D(4, 2), D(10, 5), 0, 0, "Maa BVR; beq $$;T:D4b;F4a; bne T"},
    {D(4, 2), D(8, 5), 0, 0, "Maa BVR; beq $$;T:D4b;F4a; bne T"},
    // int
    {D(4, 5), 0x00, 0, 0, ""},
    {D(4, 5), 0x01, 0, 0, "D4d"},
    {D(4, 5), 0x02, 0, 0, "D4d;D4d"},
    {D(4, 5), 0x03, 0, 0, "D4d;D4d;D4d"},
    {D(4, 5), 0x04, 0, 0, "D4d;D4d;D4d;D4d"},
    {D(4, 5), 0x08, 0, 0, " tba;Qb"},
    {D(4, 5), 0x28, 0, 0, " tba;Qb;D4a"},
    {D(4, 5), 0x2A, 0, 0, " tba;Qb;D4a;D4a;D4a"},
    {D(4, 5), 0x0B, 0, 0, "Qa;Qb"},
    {D(8, 5), 0x01, UNUSED, 0, "D4 VL;D5 L"},
    {D(4, 5), D(5, 5), 0, 0, "Kilsh"},
    // long
    {D(4, 8), 0x00, 0, 0, ""},
    {D(4, 8), 0x01, 0, 0, "D4d;D5YY;D5Y"},
    {D(4, 8), 0x0B, 0, 0, "CdY;Qa;Qb"},
    {D(4, 8), 0x2F, 0, 0, "CabY;QYY;Qa;Qb"},
    {D(8, 8), 0x01, UNUSED, 0, "D4 UVL;D5 UL;D5 VL;D5 L"},
    {D(8, 8), D(4, 5), UNUSED, 0, "&LKlglsh"},
    {D(4, 8), D(5, 5), 0, 0, "!Kllsh"},
};

// ------------------------------------------------------------------ >> >>=
const TemplateRow rsh_rows[] = {
    // char: signed and unsigned
    {D(4, 1), 0x00, 0, 0, ""},
    {D(4, 1), 0x01, 0, 0, "D1b"},
    {D(4, 1), 0x02, 0, 0, "D1b;D1b"},
    {D(4, 1), 0x03, 0, 0, "D1b;D1b;D1b"},
    {D(4, 2), 0x00, 0, 0, ""},
    {D(4, 2), 0x01, 0, 0, "D2b"},
    {D(4, 2), 0x02, 0, 0, "D2b;D2b"},
    {D(4, 2), 0x03, 0, 0, "D2b;D2b;D2b"},
    {D(8, 1), 0x01, UNUSED, 0, "D1 L"},
    {D(8, 2), 0x01, UNUSED, 0, "D2 L"},
    {D(4, 1), D(10, 5), 0, 0, "Maa BVR; beq $$;T:D1b;F4a; bne T"},
    {D(4, 1), D(8, 5), 0, 0, "Maa BVR; beq $$;T:D1b;F4a; bne T"},
    {D(4, 2), D(10, 5), 0, 0, "Maa BVR; beq $$;T:D2b;F4a; bne T"},
    {D(4, 2), D(8, 5), 0, 0, "Maa BVR; beq $$;T:D2b;F4a; bne T"},
    // int: signed and unsigned
    {D(4, 3), 0x00, 0, 0, ""},
    {D(4, 3), 0x01, 0, 0, "D1a;D3b"},
    {D(4, 3), 0x02, 0, 0, "D1a;D3b;D1a;D3b"},
    {D(4, 3), 0x08, 0, 0, " tab;E"},
    {D(4, 3), D(5, 5), 0, 0, "Kirsh"},
    {D(4, 5), 0x00, 0, 0, ""},
    {D(4, 5), 0x01, 0, 0, "D2d"},
    {D(4, 5), 0x02, 0, 0, "D2d;D2d"},
    {D(4, 5), 0x03, 0, 0, "D2d;D2d;D2d"},
    {D(4, 5), 0x04, 0, 0, "D2d;D2d;D2d;D2d"},
    {D(4, 5), 0x08, 0, 0, " tab;Qa"},
    {D(4, 5), 0x28, 0, 0, " tab;Qa;D2b"},
    {D(4, 5), 0x0B, 0, 0, "Qa;Qb"},
    {D(8, 3), 0x01, UNUSED, 0, "D1 L;D3 VL"},
    {D(8, 5), 0x01, UNUSED, 0, "D2 L;D3 VL"},
    {D(4, 5), D(5, 5), 0, 0, "Kursh"},
    // long: signed and unsigned
    {D(4, 6), 0x00, 0, 0, ""},
    {D(4, 6), 0x01, 0, 0, "D1Y;D3YY;D3a;D3b"},
    {D(4, 8), 0x00, 0, 0, ""},
    {D(4, 8), 0x01, 0, 0, "D2Y;D3YY;D3a;D3b"},
    {D(4, 8), 0x0B, 0, 0, "MdY;QY;QYY"},
    {D(8, 6), 0x01, UNUSED, 0, "D1 L;D3 VL;D3 UL;D3 UVL"},
    {D(8, 8), 0x01, UNUSED, 0, "D2 L;D3 VL;D3 UL;D3 UVL"},
    {D(8, 6), D(4, 5), UNUSED, 0, "&LKlgrsh"},
    {D(8, 8), D(4, 5), UNUSED, 0, "&LKlgursh"},
    {D(4, 6), D(5, 5), 0, 0, "!Klrsh"},
    {D(4, 8), D(5, 5), 0, 0, "!Klursh"},
};

// ------------------------------------------------------------------ & &=
const TemplateRow and_rows[] = {
    // bit-fields in memory: in place
    {D(8, 13), 0x0F, SP | UNUSED, 7, ""},
    {D(8, 4), 0x0F, SP | UNUSED, 7, ""},
    // char
    {D(4, 2), D(10, 2), 0, 0, "N1b R"},
    {D(4, 2), D(8, 2), 0, 0, "N1b R"},
    {D(9, 2), 0x0F, UNUSED, 0, " bclr L,{BR"},
    // int
    {D(4, 5), 0x0D, 0, 0, "Qa;N1b BR"},
    {D(4, 5), 0x0E, 0, 0, "N1a HR;Qb"},
    {D(4, 5), D(10, 5), 0, 0, "N1a HR;N1b BVR"},
    {D(4, 5), D(8, 5), 0, 0, "N1a HR;N1b BVR"},
    {D(4, 5), D(5, 5), 0, 0, "PIy; Itsy;N1a 0,y;N1b 1,y; pulIy"},
    {D(9, 5), 0x0F, UNUSED, 0, " bclr L,{HR; bclr VL,{BVR"},
    // long
    {D(8, 8), D(10, 8), DFREE | UNUSED, 0, "Md L;N1a SUUR;N1b SVR;Cd L;Md UL;N1a HUR;N1b BUVR;Cd UL"},
    {D(8, 8), D(8, 8), DFREE | UNUSED, 0, "Md L;N1a SUUR;N1b SVR;Cd L;Md UL;N1a HUR;N1b BUVR;Cd UL"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&LKlgand"},
    {D(4, 8), D(8, 8), 0, 0, "!&RKland"},
};

// ------------------------------------------------------------------ ^ ^=
const TemplateRow xor_rows[] = {
    {D(8, 13), 0x0F, SP | UNUSED, 7, ""},
    {D(8, 4), 0x0F, SP | UNUSED, 7, ""},
    {D(4, 2), D(10, 2), 0, 0, "N4b R"},
    {D(4, 2), D(8, 2), 0, 0, "N4b R"},
    {D(4, 5), 0x0D, 0, 0, "N4b BR"},
    {D(4, 5), D(10, 5), 0, 0, "N4a HR;N4b BVR"},
    {D(4, 5), D(8, 5), 0, 0, "N4a HR;N4b BVR"},
    {D(4, 5), D(5, 5), 0, 0, "PIy; Itsy;N4a 0,y;N4b 1,y; pulIy"},
    {D(8, 8), D(10, 8), DFREE | UNUSED, 0, "Md L;N4a SUUR;N4b SVR;Cd L;Md UL;N4a HUR;N4b BUVR;Cd UL"},
    {D(8, 8), D(8, 8), DFREE | UNUSED, 0, "Md L;N4a SUUR;N4b SVR;Cd L;Md UL;N4a HUR;N4b BUVR;Cd UL"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&LKlgxor"},
    {D(4, 8), D(8, 8), 0, 0, "!&RKlxor"},
};

// ------------------------------------------------------------------ | |=
const TemplateRow or_rows[] = {
    {D(8, 13), 0x0F, SP | UNUSED, 7, ""},
    {D(8, 4), 0x0F, SP | UNUSED, 7, ""},
    {D(4, 2), D(10, 2), 0, 0, "N3b R"},
    {D(4, 2), D(8, 2), 0, 0, "N3b R"},
    {D(9, 2), 0x0F, UNUSED, 0, " bset L,BR"},
    {D(4, 5), 0x0D, 0, 0, "N3b BR"},
    {D(4, 5), D(10, 5), 0, 0, "N3a HR;N3b BVR"},
    {D(4, 5), D(8, 5), 0, 0, "N3a HR;N3b BVR"},
    {D(4, 5), D(5, 5), 0, 0, "PIy; Itsy;N3a 0,y;N3b 1,y; pulIy"},
    {D(9, 5), 0x0F, UNUSED, 0, " bset L,HR; bset VL,BVR"},
    {D(8, 8), D(10, 8), DFREE | UNUSED, 0, "Md L;N3a SUUR;N3b SVR;Cd L;Md UL;N3a HUR;N3b BUVR;Cd UL"},
    {D(8, 8), D(8, 8), DFREE | UNUSED, 0, "Md L;N3a SUUR;N3b SVR;Cd L;Md UL;N3a HUR;N3b BUVR;Cd UL"},
    {D(8, 8), D(4, 8), UNUSED, 0, "!&LKlgor"},
    {D(4, 8), D(8, 8), 0, 0, "!&RKlor"},
};

// ------------------------------------------------------------------ ~
const TemplateRow com_rows[] = {
    {D(8, 13), 0x00, SP | UNUSED, 7, ""},
    {D(8, 4), 0x00, SP | UNUSED, 7, ""},
    {D(4, 2), 0x00, 0, 0, "Z4b"},
    {D(8, 2), 0x00, UNUSED, 0, "Z4 L"},
    {D(4, 5), 0x00, 0, 0, "Z4a;Z4b"},
    {D(8, 5), 0x00, UNUSED, 0, "Z4 L;Z4 VL"},
    {D(4, 8), 0x00, 0, 0, "Z4a;Z4b;Z4Y;Z4YY"},
    {D(8, 8), 0x00, UNUSED, 0, "Z4 L;Z4 VL;Z4 UL;Z4 UVL"},
};

// ------------------------------------------------------------------ unary -
const TemplateRow neg_rows[] = {
    {D(4, 2), 0x00, 0, 0, "Z3b"},
    {D(8, 2), 0x00, UNUSED, 0, "Z3 L"},
    {D(4, 5), 0x00, 0, 0, "Z3a;Z3b; sbca #I0"},
    {D(8, 5), 0x00, UNUSED, 0, "Z4 L;Z3 VL; bcs $$;F3 L"},
    {D(4, 8), 0x00, 0, 0, "!Klneg"},
    {D(4, 9), 0x00, 0, 0, "!Kfneg"},
    {D(8, 10), 0x00, 0, 0, "&LKdneg"},
};

// ------------------------------------------------------------------ structure copy
const TemplateRow copy_rows[] = {
    {D(3, 5), D(3, 5), SP, 4, ""},
    {D(11, 5), D(3, 5), SP, 4, ""},
    {D(3, 5), D(11, 5), SP, 4, ""},
    {D(11, 5), D(11, 5), SP, 4, ""},
    // the routines take the destination's address in Y and the source's
    // in D: the last row puts them there
    {D(5, 5), D(4, 5), SP, 4, ""},
};

template <std::size_t N>
constexpr OperatorRows rows_of(std::uint8_t a, std::uint8_t b, std::uint8_t c, const TemplateRow (&rows)[N]) {
    return OperatorRows{{a, b, c}, rows, N};
}

// The 29 operator codes in their row lists.
const OperatorRows operator_table[] = {
    rows_of(226, 145, 0, mul_rows),    // * *=
    rows_of(133, 135, 0, div_rows),    // / /=
    rows_of(153, 140, 0, mod_rows),    // % %=
    rows_of(222, 142, 170, add_rows),  // + += postfix ++
    rows_of(216, 139, 167, sub_rows),  // - -= postfix --
    rows_of(151, 137, 0, lsh_rows),    // << <<=
    rows_of(160, 138, 0, rsh_rows),    // >> >>=
    rows_of(193, 134, 0, and_rows),    // & &=
    rows_of(163, 146, 0, xor_rows),    // ^ ^=
    rows_of(156, 141, 0, or_rows),     // or, or-assign
    rows_of(67, 115, 0, com_rows),     // ~, complement in place
    rows_of(108, 114, 0, neg_rows),    // unary -, negate in place
    rows_of(174, 0, 0, test_rows),     // test for a branch
    rows_of(136, 0, 0, assign_rows),   // =
    rows_of(164, 0, 0, copy_rows),     // structure copy
};

}  // namespace

const OperatorRows* operator_rows(int code) {
    if (code <= 0) return nullptr;
    for (const OperatorRows& o : operator_table)
        for (std::uint8_t c : o.codes)
            if (c == code) return &o;
    return nullptr;
}

// Operator flags: 2 both classes to their unsigned forms, 1 the right
// class only, 3 both.
int operator_flag(int code) {
    switch (code) {
    case 226: case 222: case 216: case 136: case 145: case 142: case 139: case 114: case 115: return 2;
    case 151: case 193: case 163: case 156: case 67: case 108: case 137: case 134: case 146: case 141:
    case 170: case 167: return 3;
    case 160: case 138: return 1;
    default: return 0;
    }
}

}  // namespace ccgen
