// The writer of the intermediate file.
#include "ccparse/irwrite.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/lexer.h"
#include "ccparse/options.h"
#include "ccparse/output.h"
#include "ccparse/source.h"
#include "ccparse/types.h"

#include <cstring>
#include <vector>
#include <string>

namespace vy::cc {

namespace {

struct IrState {
    std::string last_file;
    bool file_written = false;
    std::size_t spaces_written = 0;
};

IrState state;

constexpr std::size_t max_name = 254;

// A count byte and the bytes of a name; a longer name is reported and cut.
void ir_counted_text(std::string_view name) {
    if (name.size() > 255) {
        puterr("name too long: %.*s", 0, name.substr(0, 32));
        name = name.substr(0, 255);
    }
    ir_u8(static_cast<std::uint8_t>(name.size()));
    for (char c : name) ir_u8(static_cast<std::uint8_t>(c));
}

}  // namespace

void ir_reset() { state = IrState{}; }

void ir_u8(std::uint8_t value) { out_byte(value); }

void ir_u16(std::uint16_t value) {
    out_byte(static_cast<std::uint8_t>(value));
    out_byte(static_cast<std::uint8_t>(value >> 8));
}

void ir_u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out_byte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void write_ir_header() {
    ir_u8(0xCB);
    ir_u8(0);
    ir_u8(static_cast<std::uint8_t>((opt.f ? 1 : 0) | (opt.nw ? 2 : 0) | (opt.x ? 4 : 0) | (opt.xd ? 8 : 0)));
    ir_u8(0);
}

void ir_name(std::string_view text, std::uint16_t number, std::uint8_t attribute) {
    if (text.size() > max_name) {
        puterr("name too long: %.*s", 0, text.substr(0, 32));
        text = text.substr(0, max_name);
    }
    if (text.empty()) {
        ir_u8(0);
        ir_u16(number);
        return;
    }
    ir_u8(static_cast<std::uint8_t>(text.size() + 1));
    ir_u16(number);
    ir_u8(attribute);
    for (char c : text) ir_u8(static_cast<std::uint8_t>(c));
}

void ir_label_name(std::uint16_t label) { ir_name({}, label, 0); }

std::uint8_t name_attribute(const Symbol* sym) {
    std::uint8_t attribute = 0x81;
    const TypeNode* type = sym->type;
    if (type && type->code == T_FUNCTION) {
        std::uint8_t ret = effective_code(type->base);
        attribute = 0x84;
        if (ret == T_DOUBLE || ret == T_LDOUBLE) attribute = 0x85;
        if (ret == T_STRUCT || ret == T_UNION) attribute = 0x86;
    }
    if ((sym->attr & SPACE_CLASS) == SPACE_FAR) attribute |= 0x08;
    if (sym->kind == KIND_ABSOLUTE) attribute |= 0x10;
    return attribute;
}

void ir_symbol_name(const Symbol* sym) {
    // Only statics local to a function carry their number in the name.
    std::uint16_t number = sym->kind == KIND_STATIC && !(sym->flags & SYM_FILE_LEVEL) ? sym->label : 0;
    ir_name(sym->name ? sym->name->str() : std::string_view(), number, name_attribute(sym));
}

std::uint8_t machine_type(const TypeNode* type) {
    std::uint8_t code = effective_code(type);
    if (code == T_ARRAY || code == T_FUNCTION) code = T_INT;
    switch (code) {
    case T_CHAR: return 1;
    case T_UCHAR: return 2;
    case T_SHORT:
    case T_INT: return 3;
    case T_USHORT:
    case T_UINT: return 5;
    case T_LONG: return 6;
    case T_ULONG: return 8;
    case T_FLOAT: return 9;
    case T_DOUBLE:
    case T_LDOUBLE: return 10;
    case T_SHORT_REAL: return 12;
    case T_CHAR_FIELD: return 13;
    case T_SHORT_FIELD:
    case T_INT_FIELD: return 4;
    case T_LONG_FIELD: return 7;
    case T_POINTER: return 11;
    case T_STRUCT:
    case T_UNION: return 14;
    case T_VOID: return 2;
    case T_INTERNAL1: return 13;
    default:
        puterr("PANIC! bad type code: %x", code);
        return 1;
    }
}

void ir_type(const TypeNode* type, std::uint16_t attr, bool with_attr) {
    std::uint8_t machine = machine_type(type);
    ir_u8(static_cast<std::uint8_t>(machine | (with_attr ? 0x80 : 0)));
    if (with_attr) ir_u16(attr);
    const TypeNode* t = type && type->code == T_ENUM && type->base ? type->base : type;
    switch (machine) {
    case 11: ir_u16(t->attr); break;
    case 4:
    case 7:
    case 13:
        // Bit-fields: position and width (the internal one-byte type has none of its own).
        ir_u8(t && is_bitfield_code(t->code) ? t->bit_offset : 0);
        ir_u8(t && is_bitfield_code(t->code) ? t->bit_width : 8);
        break;
    case 14: ir_u32(type_size_quiet(t)); break;
    default: break;
    }
}

void ir_file_if_changed() { ir_file_record(diag_file_name()); }

void ir_file_record(std::string_view name) {
    if (state.file_written && state.last_file == name) return;
    state.file_written = true;
    state.last_file = name;
    ir_u8(IR_FILE);
    ir_name(ir_file_text(name), 0, 0);
}

std::string ir_file_text(std::string_view full) {
    // The base name, then a NUL and the directory when there is one.
    auto slash = full.find_last_of("\\/");
    if (slash == std::string_view::npos) return std::string(full);
    std::string text(full.substr(slash + 1));
    if (!opt.xp) {
        text += '\0';
        text += full.substr(0, slash + 1);
    }
    return text;
}

void ir_line(std::uint32_t line) {
    ir_file_if_changed();
    ir_line_record(line);
}

void ir_line_record(std::uint32_t line) {
    ir_u8(IR_LINE);
    ir_u16(static_cast<std::uint16_t>(line));
}

void ir_asm(std::string_view text) {
    while (!text.empty()) {
        std::size_t n = text.size() < 255 ? text.size() : 255;
        ir_u8(IR_ASM);
        ir_u8(static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < n; ++i) ir_u8(static_cast<std::uint8_t>(text[i]));
        text.remove_prefix(n);
    }
}

void ir_section(std::uint16_t word, std::string_view name) {
    ir_u8(IR_SECTION);
    ir_u16(word);
    ir_counted_text(name);
}

void ir_space_names() {
    for (; state.spaces_written < space_name_count(); ++state.spaces_written) {
        ir_u8(IR_SPACE_NAME);
        ir_name(space_name(state.spaces_written), 0, 0);
    }
}

void ir_declare(const Symbol* sym) {
    ir_u8(sym->attr ? IR_DECLARE_SPACE : IR_DECLARE);
    ir_u8(0);  // model byte
    if (sym->attr) ir_u16(sym->attr);
    ir_symbol_name(sym);
}

void ir_absolute(const Symbol* sym, std::uint32_t address) {
    ir_u8(IR_ABSOLUTE);
    ir_u8(0);
    ir_symbol_name(sym);
    ir_u32(address);
}

void ir_public(const Symbol* sym, std::uint32_t size) {
    ir_u8(IR_PUBLIC);
    ir_symbol_name(sym);
    ir_u16(sym->attr);
    ir_u32(size);
}

void ir_external(const Symbol* sym) {
    if (sym->name && sym->name->str() == "_asm") return;
    ir_u8(IR_EXTERN);
    ir_symbol_name(sym);
    ir_u16(sym->attr);
    ir_u32(0);
}

void ir_label_data(std::uint16_t label) {
    ir_u8(IR_LABEL_DATA);
    ir_u8(0);
    ir_u16(0);
    ir_label_name(label);
}

void ir_end_data() { ir_u8(IR_END_DATA); }

void ir_int_item(std::uint8_t size, std::uint32_t value) {
    ir_u8(IR_INT_ITEM);
    ir_u8(size);
    ir_u32(value);
}

void ir_real_item(std::uint8_t size, double value) {
    ir_u8(IR_REAL_ITEM);
    ir_u8(size);
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    for (unsigned char b : bytes) ir_u8(b);
}

void ir_zero(std::uint32_t count) {
    ir_u8(IR_ZERO);
    ir_u32(count);
}

void ir_string(std::string_view bytes) {
    for (;;) {
        std::size_t n = bytes.size() < 255 ? bytes.size() : 255;
        ir_u8(IR_STRING);
        ir_u8(static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < n; ++i) ir_u8(static_cast<std::uint8_t>(bytes[i]));
        bytes.remove_prefix(n);
        if (n < 255) return;
    }
}

void ir_address(std::uint8_t code, const Symbol* sym, std::uint16_t label, std::uint32_t offset) {
    ir_u8(code);
    if (sym)
        ir_symbol_name(sym);
    else
        ir_label_name(label);
    ir_u32(offset);
}

void ir_function(const Symbol* sym, std::uint32_t size) {
    ir_u8(IR_FUNCTION);
    ir_symbol_name(sym);
    ir_u16(sym->attr);
    ir_u32(size);
}

void ir_body(std::uint16_t first_line, std::uint16_t brace_line) {
    ir_u8(IR_BODY);
    ir_u16(first_line);
    ir_u16(brace_line);
}

void ir_param_type(const TypeNode* type, std::uint16_t attr, bool with_attr) {
    ir_u8(IR_PARAM_TYPE);
    ir_type(type, attr, with_attr);
}

void ir_param_size(std::uint32_t size) {
    ir_u8(IR_PARAM_SIZE);
    ir_u32(size);
}

void ir_frame(std::int32_t lowest) {
    ir_u8(IR_FRAME);
    ir_u32(static_cast<std::uint32_t>(lowest));
}

void ir_end_function() { ir_u8(IR_END_FUNCTION); }

void ir_label(std::uint16_t label, std::uint16_t line, bool loop_test) {
    ir_u8(IR_LABEL);
    ir_u16(label);
    ir_u16(static_cast<std::uint16_t>(loop_test ? line | 0x8000 : line & 0x7FFF));
}

void ir_case_label(std::uint16_t label, std::uint16_t line) {
    ir_u8(IR_SWITCH_LABEL);
    ir_u16(label);
    ir_u16(line);
}

void ir_jump(std::uint16_t label) {
    ir_u8(IR_JUMP);
    ir_u16(label);
}

void ir_expression() { ir_u8(IR_EXPR); }

namespace {

// The relations with their jump and tree node codes.
struct Relation {
    int op;
    std::uint8_t jump;
    std::uint8_t node;
};
const Relation relations[] = {
    {K_LT, 141, 149}, {K_GE, 135, 144}, {K_GT, 136, 143}, {K_LE, 142, 150}, {K_EQ, 138, 148}, {K_NE, 143, 155},
};

// Front-end operator codes and their tree node codes.
struct TreeRow {
    int op;
    std::uint8_t node;
};
const TreeRow tree_rows[] = {
    {0, 0},           // leaf
    {K_PLUS, 222},    {K_MINUS, 216},   {K_STAR, 226},    {K_SLASH, 133},   {K_PERCENT, 153},
    {K_SHL, 151},     {K_SHR, 160},     {K_AMP, 193},     {K_CARET, 163},   {K_PIPE, 156},
    {K_LT, 149},      {K_GE, 144},      {K_GT, 143},      {K_LE, 150},      {K_EQ, 148},
    {K_NE, 155},      {K_ANDAND, 130},  {K_OROR, 157},    {K_ASSIGN, 136},  {K_ADD_ASSIGN, 142},
    {K_SUB_ASSIGN, 139}, {K_MUL_ASSIGN, 145}, {K_DIV_ASSIGN, 135}, {K_MOD_ASSIGN, 140}, {K_SHL_ASSIGN, 137},
    {K_SHR_ASSIGN, 138}, {K_AND_ASSIGN, 134}, {K_XOR_ASSIGN, 146}, {K_OR_ASSIGN, 141},
    {K_INC, 170},     // postfix ++
    {K_DEC, 167},     // postfix --
    {K_COMMA, 168},   {K_QUEST, 159},
    {34, 108},        // unary -
    {K_TILDE, 67},    {K_NOT, 90},
    {35, 107},        // unary * (indirection)
    {40, 100},        // unary & (address of)
    {26, 102},        // cast
    {27, 169},        // call
    {25, 165},        // argument link
};

}  // namespace

void ir_cond_jump(int relation, std::uint16_t label) {
    for (const Relation& r : relations) {
        if (r.op == relation) {
            ir_u8(r.jump);
            ir_u16(label);
            return;
        }
    }
    puterr("PANIC! unknown op %o", relation);
}

std::uint8_t ir_tree_code(int op) {
    for (const TreeRow& row : tree_rows)
        if (row.op == op) return row.node;
    return 0;
}

void ir_return() { ir_u8(IR_RETURN); }

void ir_switch_head(int value_size, std::uint16_t table) {
    ir_u8(value_size == 1 ? 190 : value_size == 2 ? 149 : 189);
    ir_u16(table);
}

void ir_position(std::uint16_t from_line, std::uint16_t from_column, std::uint16_t to_line, std::uint16_t to_column) {
    ir_u8(IR_POSITION);
    ir_u16(from_line);
    ir_u16(from_column);
    ir_u16(to_line);
    ir_u16(to_column);
}

bool write_ir_switch(std::uint16_t table, std::uint16_t exit, const SwitchCase* cases, std::size_t count,
                     std::uint16_t default_label, std::uint16_t value_size) {
    std::uint16_t dflt = default_label ? default_label : exit;
    std::vector<SwitchCase> left(cases, cases + count);
    ir_u8(IR_TABLE);
    ir_u8(0);
    ir_u16(table);
    ir_u16(dflt);
    ir_u16(static_cast<std::uint16_t>(count));
    ir_u16(value_size);
    while (left.size() > 6) {
        // The longest run that stays at least half full, the first on a tie.
        std::size_t best = 0, best_length = 0;
        // A run from a later start can be no longer than what is left after
        // it: once that is not longer than the best, no later start wins.
        for (std::size_t start = 0; start < left.size() && left.size() - start > best_length; ++start) {
            std::size_t length = 0;
            for (std::size_t k = start; k < left.size(); ++k) {
                std::uint32_t distance = static_cast<std::uint32_t>(left[k].value) - static_cast<std::uint32_t>(left[start].value);
                if (k - start + 1 < (distance >> 1)) break;
                length = k - start + 1;
            }
            if (length > best_length) {
                best = start;
                best_length = length;
            }
        }
        if (best_length < 6) break;
        const SwitchCase& first = left[best];
        const SwitchCase& last = left[best + best_length - 1];
        std::uint32_t span = static_cast<std::uint32_t>(last.value) - static_cast<std::uint32_t>(first.value) + 1;
        ir_u8(IR_JUMP_TABLE);
        ir_u16(static_cast<std::uint16_t>(span));
        ir_u32(static_cast<std::uint32_t>(first.value));
        std::size_t k = best;
        for (std::uint32_t v = 0; v < span; ++v) {
            std::int32_t value = static_cast<std::int32_t>(static_cast<std::uint32_t>(first.value) + v);
            if (k < best + best_length && left[k].value == value)
                ir_u16(left[k++].label);
            else
                ir_u16(dflt);
        }
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(best),
                   left.begin() + static_cast<std::ptrdiff_t>(best + best_length));
    }
    ir_u8(IR_CASES);
    ir_u16(static_cast<std::uint16_t>(left.size()));
    for (const SwitchCase& c : left) {
        ir_u32(static_cast<std::uint32_t>(c.value));
        ir_u16(c.label);
    }
    ir_u8(IR_SWITCH_END);
    return default_label == 0;
}

void ir_node(std::uint8_t code, const TypeNode* type, std::uint16_t attr, bool with_attr) {
    ir_u8(code);
    ir_type(type, attr, with_attr);
}

void ir_leaf_operands(const Symbol* sym, std::uint16_t label, std::uint32_t value, std::uint8_t storage,
                      std::uint8_t memory) {
    if (sym)
        ir_symbol_name(sym);
    else
        ir_label_name(label);
    ir_u32(value);
    ir_u8(storage);
    ir_u8(memory);
}

void ir_asm_call_text(std::string_view text) {
    // The count byte holds the length + 1.
    if (text.size() > max_name) {
        puterr("_asm string too long");
        text = text.substr(0, max_name);
    }
    ir_u8(static_cast<std::uint8_t>(text.size() + 1));
    for (char c : text) ir_u8(static_cast<std::uint8_t>(c));
    ir_u8(0);
}

void ir_type_word(std::uint32_t word) {
    ir_u8(IR_INT_ITEM);
    ir_u8(4);
    for (int shift = 24; shift >= 0; shift -= 8) ir_u8(static_cast<std::uint8_t>(word >> shift));
}

void ir_link(std::uint16_t label) {
    ir_u8(IR_ADDRESS4);
    ir_label_name(label);
    ir_u32(0);
}

void ir_named_address(std::string_view name, std::uint16_t number, std::uint8_t attribute, std::uint32_t offset) {
    ir_u8(IR_ADDRESS4);
    ir_name(name, number, attribute);
    ir_u32(offset);
}

void ir_debug_file(std::string_view name) {
    ir_u8(IR_DEBUG_FILE);
    ir_u8(0);
    ir_name(name, 0, 0);
}

void ir_debug_function(std::string_view name) {
    ir_u8(IR_DEBUG_FUNCTION);
    ir_u8(0);
    ir_name(name, 0, 0);
}

void ir_debug_label(std::uint16_t label) {
    ir_u8(IR_DEBUG_LABEL);
    ir_u8(0);
    ir_label_name(label);
}

void ir_used_name(std::string_view name) {
    ir_u8(IR_USED_NAME);
    ir_counted_text(name);
}

void ir_literal_pool() {
    static const std::uint8_t sizes[4] = {2, 4, 8, 8};
    for (Constant* c = first_constant(); c; c = c->link) {
        if (!c->number) continue;
        if (c->is_real) {
            for (int k = 0; k < 4; ++k) {
                std::uint8_t width = static_cast<std::uint8_t>(1 << k);
                if (!(c->widths & width) || (c->written & width)) continue;
                c->written |= width;
                ir_label_data(static_cast<std::uint16_t>(c->number + 2 * k));
                ir_real_item(sizes[k], c->real);
                ir_end_data();
            }
        } else if (!c->written) {
            c->written = 1;
            ir_label_data(c->number);
            if (c->bytes.empty())
                ir_int_item(1, 0);
            else
                ir_string(c->bytes);
            ir_end_data();
        }
    }
}

void ir_flush_pending() { ir_space_names(); }

void ir_end_unit() {
    ir_space_names();
    ir_literal_pool();
}

}  // namespace vy::cc
