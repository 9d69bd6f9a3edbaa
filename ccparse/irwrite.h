// The writer of the intermediate file: one routine per record form, every
// value written byte by byte, least significant byte first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vy::cc {

struct Symbol;
struct TypeNode;

// Record codes of the intermediate file.
enum IrCode : std::uint8_t {
    IR_FILE = 19,
    IR_LINE = 20,
    IR_FRAME = 129,
    IR_SWITCH_LABEL = 130,
    IR_DECLARE = 131,
    IR_PUBLIC = 132,
    IR_REAL_ITEM = 133,
    IR_FUNCTION = 134,
    IR_INT_ITEM = 137,
    IR_JUMP = 139,
    IR_LABEL = 140,
    IR_EXTERN = 144,
    IR_RETURN = 146,
    IR_ZERO = 147,
    IR_STRING = 148,
    IR_EXPR = 150,
    IR_SWITCH_END = 151,
    IR_LABEL_DATA = 184,
    IR_TABLE = 185,
    IR_SPACE_NAME = 186,
    IR_USED_NAME = 187,
    IR_POSITION = 188,
    IR_ADDRESS2 = 192,
    IR_ADDRESS1 = 197,
    IR_DECLARE_SPACE = 199,
    IR_ADDRESS4 = 200,
    IR_ABSOLUTE = 201,
    IR_ASM = 203,
    IR_SECTION = 204,
    IR_JUMP_TABLE = 205,
    IR_CASES = 206,
    IR_END_DATA = 210,
    IR_END_FUNCTION = 211,
    IR_DEBUG_LABEL = 213,
    IR_DEBUG_FUNCTION = 214,
    IR_DEBUG_FILE = 215,
    IR_PARAM_TYPE = 217,
    IR_PARAM_SIZE = 218,
    IR_BODY = 251,
};

void ir_reset();

// The header: magic, model byte, flags (-f 1, -nw 2, -x 4, -xd 8), 0.
void write_ir_header();

void ir_u8(std::uint8_t value);
void ir_u16(std::uint16_t value);
void ir_u32(std::uint32_t value);

// An IrName: length (bytes + 1, 0 for none), number, attribute, bytes. A name
// longer than 254 bytes is reported and cut.
void ir_name(std::string_view text, std::uint16_t number, std::uint8_t attribute);
// The name-less IrName that carries a label number.
void ir_label_name(std::uint16_t label);
void ir_symbol_name(const Symbol* sym);
std::uint8_t name_attribute(const Symbol* sym);

// The machine type of an internal type code (enums, arrays and functions
// replaced first).
std::uint8_t machine_type(const TypeNode* type);
// An IrType, with the attribute word when `with_attr`.
void ir_type(const TypeNode* type, std::uint16_t attr, bool with_attr);

// The file record when the source file changed, then the line record.
void ir_line(std::uint32_t line);
void ir_file_if_changed();
// The file record when `name` is not the file last written.
void ir_file_record(std::string_view name);
// The text under which a file is named: its base name, then (unless -xp)
// a NUL and its directory.
std::string ir_file_text(std::string_view full);
// The line record alone.
void ir_line_record(std::uint32_t line);

void ir_asm(std::string_view text);
void ir_section(std::uint16_t word, std::string_view name);
// The space names defined since the last call (186 records).
void ir_space_names();

void ir_declare(const Symbol* sym);                       // 131 or 199
void ir_absolute(const Symbol* sym, std::uint32_t address); // 201
void ir_public(const Symbol* sym, std::uint32_t size);    // 132
void ir_external(const Symbol* sym);                      // 144
void ir_label_data(std::uint16_t label);                  // 184
void ir_end_data();                                       // 210
void ir_int_item(std::uint8_t size, std::uint32_t value); // 137
void ir_real_item(std::uint8_t size, double value);       // 133
void ir_zero(std::uint32_t count);                        // 147
void ir_string(std::string_view bytes);                   // 148 run
// An address item (200, 192 or 197) naming a symbol, a label or nothing.
void ir_address(std::uint8_t code, const Symbol* sym, std::uint16_t label, std::uint32_t offset);

// Function records.
void ir_function(const Symbol* sym, std::uint32_t size);           // 134
void ir_body(std::uint16_t first_line, std::uint16_t brace_line);  // 251
void ir_param_type(const TypeNode* type, std::uint16_t attr, bool with_attr);  // 217
void ir_param_size(std::uint32_t size);                            // 218
void ir_frame(std::int32_t lowest);                                // 129
void ir_end_function();                                            // 211

// Statement records (a tree follows 150 and two follow a conditional jump).
void ir_label(std::uint16_t label, std::uint16_t line, bool loop_test = false);  // 140
void ir_case_label(std::uint16_t label, std::uint16_t line);       // 130
void ir_jump(std::uint16_t label);                                 // 139
void ir_expression();                                              // 150
// A conditional jump for a relation operator (K_LT .. K_NE).
void ir_cond_jump(int relation, std::uint16_t label);
void ir_return();                                                  // 146
void ir_switch_head(int value_size, std::uint16_t table);          // 190, 149, 189
void ir_position(std::uint16_t from_line, std::uint16_t from_column, std::uint16_t to_line,
                 std::uint16_t to_column);                         // 188

// A switch table: the cases in ascending order of value. Writes 185, the
// dense runs as jump tables (205), the rest as pairs (206) and 151; returns
// true when `exit` is still the default target (no default case).
struct SwitchCase {
    std::int32_t value;
    std::uint16_t label;
};
bool write_ir_switch(std::uint16_t table, std::uint16_t exit, const SwitchCase* cases, std::size_t count,
                     std::uint16_t default_label, std::uint16_t value_size);

// Expression trees, in prefix form: a node's code and type, then its operands.
// The node code of a front-end operator (0 when it has none).
std::uint8_t ir_tree_code(int op);
void ir_node(std::uint8_t code, const TypeNode* type, std::uint16_t attr, bool with_attr);
// The operands of a leaf after its node: the name, the value or offset, the
// storage byte and the memory flag.
void ir_leaf_operands(const Symbol* sym, std::uint16_t label, std::uint32_t value, std::uint8_t storage,
                      std::uint8_t memory);
// The text of an _asm call (113, 180): length + 1, the bytes, a 0. A text
// longer than 254 bytes is reported ("_asm string too long") and cut.
void ir_asm_call_text(std::string_view text);

// The debug description's own records. A type word is an integer item of 4
// bytes that stands most significant byte first; a link is a 4-byte address
// item of a label (0: the null link).
void ir_type_word(std::uint32_t word);
void ir_link(std::uint16_t label);
void ir_named_address(std::string_view name, std::uint16_t number, std::uint8_t attribute, std::uint32_t offset);
void ir_debug_file(std::string_view name);      // 215
void ir_debug_function(std::string_view name);  // 214
void ir_debug_label(std::uint16_t label);       // 213
void ir_used_name(std::string_view name);       // 187

// The literals of the constant pool that have a label and were not written.
void ir_literal_pool();

// Pending records before the end of the unit, and the end itself.
void ir_flush_pending();
void ir_end_unit();

}  // namespace vy::cc
