// What the rules share: line tests, operand parsing, memory aliasing,
// counted removal and rewriting.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "ccopt/opt.h"

namespace ccopt {

inline const MnemonicRow& row_of(const LineNode* l) { return mnemonics[l->row()]; }
inline bool is(const LineNode* l, int row) { return l && l->is_insn() && l->row() == row; }
inline bool touchable(const LineNode* l) { return l && l->is_insn() && !l->kept(); }
// The registers a load or read-modify-write of a register sets, or a store stores.
inline std::uint16_t loadreg(const LineNode* l) { return row_of(l).effects & 0x001f; }
inline std::uint16_t storereg(const LineNode* l) { return row_of(l).uses & 0x001f; }
inline bool isload(const LineNode* l) { return l->is_insn() && (row_of(l).effects & E_LOAD); }
inline bool isstore(const LineNode* l) { return l->is_insn() && (row_of(l).effects & E_STORE); }
inline bool isrmw(const LineNode* l) { return l->is_insn() && (row_of(l).effects & E_RMW); }
inline bool isbranch(const LineNode* l) { return l->is_insn() && (l->effects & E_BRANCH); }
inline bool iscond(const LineNode* l) { return l->is_insn() && (l->uses & F_COND) && (l->effects & E_BRANCH); }
inline bool isjump(const LineNode* l) { return isbranch(l) && !(l->uses & F_COND); }
// Registers that address the operand (",x", ",y").
inline std::uint16_t addrregs(const LineNode* l) {
    return static_cast<std::uint16_t>(l->uses & ~row_of(l).uses & (R_X | R_Y));
}
inline std::uint16_t flagsof(const LineNode* l) { return l->effects & F_ALL; }
bool iscall(const LineNode* l);
// The line's register by its name: A for "...a", B for "...b", else D.
std::uint16_t namereg(const LineNode* l);

// Immediate operands.
bool immvalue(std::string_view operand, std::int32_t& value);
inline bool isimm8(const LineNode* l, std::int32_t& v) { return immvalue(l->text, v); }

// Memory operands: "sym+off", "off,x". Not known: the parse fails.
struct MemRef {
    bool known = false;
    bool memory = true;  // false for an immediate or an empty operand
    std::string symbol;
    std::int32_t offset = 0;
    char index = 0;  // 'x', 'y' or 0
};
MemRef memref(std::string_view operand);
// The address part of a bit instruction's operand ("_x,#4" gives "_x").
std::string_view bitaddr(std::string_view operand);
std::string_view bitmask(std::string_view operand);
// Bytes that an instruction reads or writes at its operand.
int opsize(const LineNode* l);
bool mayalias(std::string_view a, int asize, std::string_view b, int bsize);
void set_equates(const std::unordered_map<std::string, std::int32_t>* equates);
// True when the instruction may change the `size` bytes at `operand`.
bool clobbers(const LineNode* l, std::string_view operand, int size);

// Counted changes.
LineNode* destroy(Opt& o, LineNode* l);  // killline, one destruction
void rewrite(Opt& o, LineNode* l, int row, std::string_view operand);  // one modification
LineNode* insert_after(Opt& o, LineNode* after, int row, std::string_view operand);
LineNode* insert_before(Opt& o, LineNode* before, int row, std::string_view operand);
// A branch line to the label that ends its operand.
LineNode* insert_branch_after(Opt& o, LineNode* after, int row, std::string_view operand);

// True when every register and flag of `mask` is dead after `l`.
inline bool deadafter(Opt& o, LineNode* l, std::uint16_t mask) { return isdead(o, l->next, mask); }

}  // namespace ccopt
