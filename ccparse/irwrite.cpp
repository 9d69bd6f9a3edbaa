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

void ir_file_if_changed() {
    std::string_view name = diag_file_name();
    if (state.file_written && state.last_file == name) return;
    state.file_written = true;
    state.last_file = name;
    // The base name, then a NUL and the directory when there is one.
    std::string_view full = name;
    auto slash = full.find_last_of("\\/");
    std::string text;
    if (slash == std::string_view::npos) {
        text = full;
    } else if (opt.xp) {
        text = full.substr(slash + 1);
    } else {
        text = full.substr(slash + 1);
        text += '\0';
        text += full.substr(0, slash + 1);
    }
    ir_u8(IR_FILE);
    ir_name(text, 0, 0);
}

void ir_line(std::uint32_t line) {
    ir_file_if_changed();
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
    if (name.size() > 255) {
        puterr("name too long: %.*s", 0, name.substr(0, 32));
        name = name.substr(0, 255);
    }
    if (name.empty()) {
        ir_u8(0);
        return;
    }
    ir_u8(static_cast<std::uint8_t>(name.size()));
    for (char c : name) ir_u8(static_cast<std::uint8_t>(c));
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

void ir_flush_pending() { ir_space_names(); }

void ir_end_unit() { ir_space_names(); }

}  // namespace vy::cc
