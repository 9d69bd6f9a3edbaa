// Instruction statements: operand parsing, addressing-mode and row choice,
// emission, and branch optimisation (lengthening and shortening).
#include "ccasm/asm.h"

namespace ccasm {
namespace {

bool rests_on_undefined(const ExprValue& v) { return v.relocatable() && v.base && !v.base->defined(); }

bool byte_marked(const ExprValue& v) { return v.kind == VK_BYTE || v.marks != 0; }

// '#' operands: a byte when absolute -256..255 or a marked relocatable value.
bool immediate_byte(const ExprValue& v) {
    if (!v.relocatable()) return v.value >= -256 && v.value <= 255;
    return byte_marked(v);
}

// Direct addresses and index offsets: absolute 0..255 or a marked value.
bool zero_page(const ExprValue& v) {
    if (!v.relocatable()) return v.value >= 0 && v.value <= 255;
    return byte_marked(v);
}

bool fits_word(const ExprValue& v) { return v.relocatable() || (v.value >= -32768 && v.value <= 65535); }

bool fits_disp(int32_t d) { return d >= -128 && d <= 127; }

// A label of the current section that this pass has not reached yet: its
// value is still the one of the previous pass.
bool ahead_in_section(const Asm& a, const ExprValue& v) {
    return v.relocatable() && v.base && v.base->defined() && v.base->def_pass < a.pass && v.section == a.cur;
}

const AsmOpcodeRow* find_row(const AsmOpcodeRow* first, int mode) {
    for (const AsmOpcodeRow* r = first; r->mnemonic == first->mnemonic; ++r)
        if (r->mode == mode) return r;
    return nullptr;
}

int operand_width(const AsmOpcodeRow* r) {
    switch (r->mode) {
    case MODE_INH: case MODE_REL: return 0;
    case MODE_EXT: case MODE_IMM16: return 2;
    default: return 1;
    }
}

int row_size(const AsmOpcodeRow* r) {
    int n = (r->prefix ? 1 : 0) + 1 + operand_width(r);
    if (r->mode & MODE_MASK) ++n;
    if (r->mode & MODE_TARGET) ++n;
    return n;
}

void emit_opcode(Asm& a, const AsmOpcodeRow* r) {
    if (r->prefix) emit_byte(a, r->prefix);
    emit_byte(a, r->opcode);
}

JumpKey jump_key(const ExprValue& t) {
    bool ext = rests_on_undefined(t);
    return {t.value, ext ? t.base : nullptr, t.relocatable() && !ext ? t.section : -1};
}

// Records that a jump to the target starts at the current address.
void notejmp(Asm& a, const ExprValue& target) {
    Section& s = cursec(a);
    s.jumps[jump_key(target)] = s.address();
}

// Address of a recorded jump to the target in the current section.
bool findjmp(Asm& a, const ExprValue& target, uint32_t& address) {
    Section& s = cursec(a);
    auto it = s.jumps.find(jump_key(target));
    if (it == s.jumps.end()) return false;
    address = it->second;
    return true;
}

void emit_displacement(Asm& a, const ExprValue& target, bool bit_branch) {
    if (rests_on_undefined(target)) {
        error(a, "bad relocatable expression");
        emit_byte(a, 0);
        return;
    }
    int32_t disp = static_cast<int32_t>(static_cast<uint32_t>(target.value) - (cursec(a).address() + 1));
    if (!fits_disp(disp)) {
        if (!bit_branch || a.opt.no_branch_opt) error(a, "value too large");
        else if (a.pass == 2 || a.changed) a.changed = true;
        else error(a, "value too large");
    }
    emit_byte(a, static_cast<uint8_t>(disp));
}

void emit_long_jump(Asm& a, uint8_t opcode, const ExprValue& target, bool note) {
    if (note) notejmp(a, target);
    emit_byte(a, opcode);
    emitword(a, target, 2);
}

// A relative branch: short when the target is in reach, else a jump, or an
// inverted branch around a jump, or a branch to a nearby jump to the target.
// `near_target` is the target as far as this pass can tell where it lies;
// `target` is what the code refers to.
void emit_branch(Asm& a, const AsmOpcodeRow* r, const ExprValue& target, const ExprValue& near_target,
                 uint32_t address, bool keep_long) {
    int mn = r->mnemonic;
    if (!a.opt.no_branch_opt && mn != BRN) {
        // A label not met yet in the first pass is taken to be near: branches
        // start short and grow, which finds the shortest code.
        if (a.pass == 1 && rests_on_undefined(target) && !(target.base->flags & SF_PUBLIC)) {
            emit_byte(a, r->opcode);
            emit_byte(a, 0);
            return;
        }
        bool in_section = !target.relocatable() || (!rests_on_undefined(target) && target.section == a.cur);
        int32_t disp = static_cast<int32_t>(static_cast<uint32_t>(near_target.value) - (address + 2));
        if (!in_section || !fits_disp(disp) || keep_long) {
            if (mn == BRA) return emit_long_jump(a, 0x7E, target, true);
            if (mn == BSR) return emit_long_jump(a, 0xBD, target, false);
            uint32_t jump = 0;
            if (!keep_long && findjmp(a, target, jump) && fits_disp(static_cast<int32_t>(jump - (address + 2)))) {
                emit_byte(a, r->opcode);
                emit_byte(a, static_cast<uint8_t>(jump - (address + 2)));
                return;
            }
            emit_byte(a, static_cast<uint8_t>(r->opcode ^ 1));
            emit_byte(a, 3);
            return emit_long_jump(a, 0x7E, target, true);
        }
    }
    emit_byte(a, r->opcode);
    emit_displacement(a, target, false);
}

// Notes the size an instruction took in this pass, and whether it grew.
void note_size(Asm& a, Asm::InsnPlace& place, uint32_t size) {
    if (place.size && size > place.size) a.insn_grew = true;
    place.size = static_cast<uint8_t>(size);
    a.insn_bytes += size;
}

}  // namespace

void hc11init(Asm& a) {
    init_registers(a);
    const AsmOpcodeRow* rows = opcode_rows();
    for (int i = 1; i < opcode_row_count(); ++i) {
        if (rows[i].mnemonic == 0 || rows[i].mnemonic == rows[i - 1].mnemonic) continue;
        OpEntry e{OP_INSN};
        e.row = &rows[i];
        addop(a, mnemonic_name(rows[i].mnemonic), e);
    }
    a.default_attr = SEC_HILO;
}

void asminsn(Asm& a, const AsmOpcodeRow* first) {
    const uint8_t M = first->mode;
    Section& sec = cursec(a);
    const uint32_t start_offset = sec.offset;
    const uint32_t address = sec.address();
    size_t index = a.insn_index++;
    if (index >= a.insn_places.size()) a.insn_places.push_back(Asm::InsnPlace{0, -1, 0});
    Asm::InsnPlace& place = a.insn_places[index];
    const uint8_t prev = place.size;
    const bool grow_only = a.pass >= GROWTH_ONLY_PASS && prev != 0;
    // How far this instruction moved since the previous pass: labels ahead
    // of it, not yet defined in this pass, have moved at least as far.
    const int32_t shift = place.section == a.cur ? static_cast<int32_t>(address - place.address) : 0;
    place.address = address;
    place.section = static_cast<int16_t>(a.cur);

    if (M == MODE_INH) {
        emit_opcode(a, first);
        note_size(a, place, sec.offset - start_offset);
        return;
    }

    // address part
    int mode = -1;
    ExprValue operand;
    bool mask_comma = false;
    if (M & ~(MODE_MASK | MODE_TARGET)) {
        if (accept(a, '#')) {
            operand = getexpr(a);
            mode = immediate_byte(operand) ? MODE_IMM8 : MODE_IMM16;
        } else {
            bool force_ext = accept(a, '>');
            // a register name alone stands for ',' and that register
            int reg = accept_register(a);
            if (!reg) {
                if (next_char(a) != ',') operand = getexpr(a);
                if (accept(a, ',')) {
                    reg = accept_register(a);
                    if (!reg) {
                        if (M & MODE_MASK) mask_comma = true;
                        else error(a, "bad index register");
                    }
                }
            }
            if (reg) {
                if (reg == 5) mode = MODE_INDX;
                else if (reg == 6) mode = MODE_INDY;
                else {
                    error(a, "bad index register");
                    mode = MODE_INDX;
                }
                if (!zero_page(operand)) error(a, "value too large");
            }
            if (mode < 0) mode = force_ext ? MODE_EXT : zero_page(operand) ? MODE_DIR : MODE_EXT;
        }
    }

    // mask
    ExprValue mask;
    if (M & MODE_MASK) {
        if (!mask_comma && !accept(a, ',')) error(a, "syntax error");
        accept(a, '#');
        mask = getexpr(a);
        if (mask.relocatable() ? !byte_marked(mask) : (mask.value < -128 || mask.value > 255))
            error(a, "value too large");
        if ((M & MODE_TARGET) && !accept(a, ',')) error(a, "syntax error");
    }

    // branch target
    ExprValue target;
    if (M & MODE_TARGET) {
        target = getexpr(a);
        if (target.relocatable() && !rests_on_undefined(target) && target.section != a.cur)
            error(a, "bad relocatable expression");
    }
    ExprValue near_target = M & MODE_TARGET ? target : operand;
    if (ahead_in_section(a, near_target)) near_target.value += shift;

    // row
    int chosen = mode < 0 ? M : mode | (M & (MODE_MASK | MODE_TARGET));
    const AsmOpcodeRow* row = find_row(first, chosen);
    if (!row && chosen == MODE_IMM8) row = find_row(first, MODE_IMM16);
    if (!row && chosen == MODE_DIR) row = find_row(first, MODE_EXT);
    if (!row && chosen == MODE_IMM16 && (row = find_row(first, MODE_IMM8))) error(a, "value too large");
    if (!row) {
        error(a, "bad addressing mode");
        return;
    }
    if (row->mode == MODE_IMM8 && !operand.relocatable() && (operand.value < -128 || operand.value > 255))
        error(a, "value too large");
    if ((row->mode == MODE_IMM16 || row->mode == MODE_EXT) && !fits_word(operand)) error(a, "value too large");
    if (grow_only && row->mode == MODE_DIR && row_size(row) < prev) {
        if (const AsmOpcodeRow* ext = find_row(first, MODE_EXT)) row = ext;
    }

    // emission
    const bool optimise = !a.opt.no_branch_opt;
    const int mn = row->mnemonic;
    if (row->mode == MODE_REL) {
        emit_branch(a, row, target, near_target, address, grow_only && prev > 2);
    } else if (optimise && (mn == JMP || mn == JSR) && row->mode == MODE_EXT && operand.relocatable() &&
               !rests_on_undefined(operand) && operand.section == a.cur) {
        int32_t disp = static_cast<int32_t>(static_cast<uint32_t>(near_target.value) - (address + 2));
        if (fits_disp(disp) && !(grow_only && prev > 2)) {
            emit_byte(a, mn == JMP ? 0x20 : 0x8D);
            emit_byte(a, static_cast<uint8_t>(disp));
        } else {
            emit_long_jump(a, row->opcode, operand, mn == JMP);
        }
    } else {
        emit_opcode(a, row);
        int width = operand_width(row);
        if (width) emitword(a, operand, width);
        if (row->mode & MODE_MASK) emitword(a, mask, 1);
        if (row->mode & MODE_TARGET) emit_displacement(a, target, true);
    }
    note_size(a, place, sec.offset - start_offset);
}

}  // namespace ccasm
