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
// 0x40 only for a value that is not used; 0x80 special: `first` is the
// handler number, plus 0x40 for a skip row.
//
// Classes after the operator's mapping: = and the arithmetic operators see
// unsigned forms (char 2, int 5, long 8); the test sees the operands' own.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

constexpr std::uint8_t D(int kind, int cls) { return static_cast<std::uint8_t>(kind << 4 | cls); }

// Condition classes left valid: a test against zero (N and Z, V cleared)
// serves eq/ne, lt/ge and le/gt; a compare serves all.
constexpr std::uint8_t CC_TST = 0x18;
constexpr std::uint8_t CC_ALL = 0x38;

// ------------------------------------------------------------------ =
const TemplateRow assign_rows[] = {
    // char: a value in B stays; loads; stores
    {D(4, 2), D(4, 2), 0, 0, ""},
    {D(4, 2), D(4, 5), 0, 0, ""},
    {D(4, 2), D(10, 2), 0, 0, "Mab R"},
    {D(4, 2), D(8, 2), 0, 0, "Mab R"},
    {D(4, 2), D(10, 5), 0, 0, "Mab VR"},  // the low byte of an int
    {D(4, 2), D(8, 5), 0, 0, "Mab VR"},
    {D(8, 2), D(4, 2), 0, 0, "Cab L"},
    {D(8, 2), D(4, 5), 0, 0, "Cab L"},
    {D(8, 2), 0x00, 0, 0, "Q L"},
    // int
    {D(4, 5), D(4, 5), 0, 0, ""},
    {D(4, 5), D(5, 5), 0, 0, " xgdy"},
    {D(4, 5), D(10, 5), 0, 0, "Md R"},
    {D(4, 5), D(8, 5), 0, 0, "Md R"},
    {D(5, 5), D(5, 5), 0, 0, ""},
    {D(5, 5), D(4, 5), 0, 0, " xgdy"},
    {D(5, 5), D(10, 5), 0, 0, "My R"},
    {D(5, 5), D(8, 5), 0, 0, "My R"},
    {D(8, 5), D(4, 5), 0, 0, "Cd L"},
    {D(8, 5), D(5, 5), 0, 0, "Cy L"},
    {D(8, 5), 0x00, 0, 0, "Q L;Q VL"},
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
    // int against 0: the load sets N and Z; in D subd #0
    {D(4, 3), 0x00, CC_ALL, 0, "F2d R"},
    {D(4, 5), 0x00, CC_ALL, 0, "F2d R"},
    {D(8, 3), 0x00, 0x01 | CC_TST, 0, "Md L"},
    {D(8, 5), 0x00, 0x01 | CC_TST, 0, "Md L"},
    // int against a constant or a word in memory: cpd
    {D(4, 3), D(10, 3), CC_ALL, 0, "Z2d R"},
    {D(4, 5), D(10, 5), CC_ALL, 0, "Z2d R"},
    {D(4, 3), D(8, 3), CC_ALL, 0, "Z2d R"},
    {D(4, 5), D(8, 5), CC_ALL, 0, "Z2d R"},
    {D(5, 3), D(10, 3), CC_ALL, 0, "Z2y R"},
    {D(5, 5), D(10, 5), CC_ALL, 0, "Z2y R"},
};

// ------------------------------------------------------------------ + += ++
const TemplateRow add_rows[] = {
    {D(4, 2), 0x01, 0, 0, "F3b"},
    {D(8, 2), 0x01, 0, 0, "F3 L"},
    {D(4, 2), D(10, 2), 0, 0, "F1b R"},
    {D(4, 2), D(8, 2), 0, 0, "F1b R"},
    {D(4, 5), 0x0F, 0x04, 0, "F1d R"},
    {D(4, 5), D(10, 5), 0, 0, "F1d R"},
    {D(4, 5), D(8, 5), 0, 0, "F1d R"},
};

// ------------------------------------------------------------------ - -= --
const TemplateRow sub_rows[] = {
    {D(4, 2), 0x01, 0, 0, "F4b"},
    {D(8, 2), 0x01, 0, 0, "F4 L"},
    {D(4, 2), D(10, 2), 0, 0, "F2b R"},
    {D(4, 2), D(8, 2), 0, 0, "F2b R"},
    {D(4, 5), 0x0F, 0, 0, "F2d R"},
    {D(4, 5), D(10, 5), 0, 0, "F2d R"},
    {D(4, 5), D(8, 5), 0, 0, "F2d R"},
};

template <std::size_t N>
constexpr OperatorRows rows_of(std::uint8_t a, std::uint8_t b, std::uint8_t c, const TemplateRow (&rows)[N]) {
    return OperatorRows{{a, b, c}, rows, N};
}
constexpr OperatorRows no_rows(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return OperatorRows{{a, b, c}, nullptr, 0};
}

// The 29 operator codes in their row lists. Lists without rows yet are
// the operators whose rows come with the code for every type.
const OperatorRows operator_table[] = {
    no_rows(226, 145, 0),           // * *=
    no_rows(133, 135, 0),           // / /=
    no_rows(153, 140, 0),           // % %=
    rows_of(222, 142, 170, add_rows),  // + += postfix ++
    rows_of(216, 139, 167, sub_rows),  // - -= postfix --
    no_rows(151, 137, 0),           // << <<=
    no_rows(160, 138, 0),           // >> >>=
    no_rows(193, 134, 0),           // & &=
    no_rows(163, 146, 0),           // ^ ^=
    no_rows(156, 141, 0),           // or, or-assign
    no_rows(67, 115, 0),            // ~, complement in place
    no_rows(108, 114, 0),           // unary -, negate in place
    rows_of(174, 0, 0, test_rows),  // test for a branch
    rows_of(136, 0, 0, assign_rows),  // =
    no_rows(164, 0, 0),             // structure copy
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
