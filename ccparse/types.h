// The type model: chains of type nodes with their codes, sizes, space
// attributes, enumeration base types, type equality and the 32-bit TypeCode
// under which debug information describes a type.
#pragma once

#include <cstdint>
#include <string_view>

namespace vy::cc {

struct Symbol;
struct Name;

enum TypeCodeByte : std::uint8_t {
    T_INTERNAL1 = 0x01,  // a one-byte internal type without a specifier of its own
    T_CHAR = 0x10,
    T_UCHAR = 0x11,
    T_CHAR_FIELD = 0x13,
    T_SHORT = 0x20,
    T_USHORT = 0x21,
    T_SHORT_FIELD = 0x23,
    T_INT = 0x30,
    T_UINT = 0x31,
    T_INT_FIELD = 0x33,
    T_LONG = 0x40,
    T_ULONG = 0x41,
    T_LONG_FIELD = 0x43,
    T_SHORT_REAL = 0x50,  // real constants with the suffix s
    T_FLOAT = 0x54,
    T_DOUBLE = 0x58,
    T_LDOUBLE = 0x5C,
    T_STRUCT = 0x60,
    T_UNION = 0x64,
    T_ENUM = 0x68,
    T_VOID = 0x70,
    T_POINTER = 0x80,
    T_ARRAY = 0x84,
    T_FUNCTION = 0x88,
};

// Space attribute bits of objects and pointers.
enum SpaceBits : std::uint16_t {
    SPACE_TINY = 0x1000,
    SPACE_NEAR = 0x2000,
    SPACE_FAR = 0x3000,
    SPACE_CLASS = 0x3000,  // the addressing class
    SPACE_NOSTACK = 0x0400,
    SPACE_PACKED = 0x0100,
    ATTR_VOLATILE = 0x4000,
    ATTR_CONST = 0x8000,
};

struct TypeNode {
    TypeNode* base = nullptr;   // the type this one derives from; an enum's underlying type
    std::uint8_t code = 0;
    std::uint16_t debug = 0;    // debug number, 0 until described
    std::uint32_t count = 0;    // array: element count, 0 = unknown
    std::uint16_t attr = 0;     // pointer: the space attributes of the object pointed to
    // Structures, unions and enumerations: the tag's members.
    Symbol* members = nullptr;
    const Name* tag = nullptr;
    bool complete = false;
    std::uint32_t size = 0;     // structure or union size once complete
    // Functions.
    Symbol* params = nullptr;   // prototype parameters (with the void end mark) or the identifier list
    bool prototype = false;
    bool param_names = false;   // an identifier list was given
    // Bit-fields.
    std::uint8_t bit_offset = 0;
    std::uint8_t bit_width = 0;

    bool is(std::uint8_t c) const { return code == c; }
};

void types_reset();

// The predefined base types (plain char follows -u; double follows -f).
TypeNode* type_char();
TypeNode* type_uchar();
TypeNode* type_short();
TypeNode* type_ushort();
TypeNode* type_int();
TypeNode* type_uint();
TypeNode* type_long();
TypeNode* type_ulong();
TypeNode* type_float();
TypeNode* type_double();
TypeNode* type_ldouble();
TypeNode* type_void();
TypeNode* type_signed_char();  // "signed char": always the signed node
// The base type of a code (0x10 .. 0x70).
TypeNode* basic_type(std::uint8_t code);

// A new node of `code` over `base`.
TypeNode* newtype(std::uint8_t code, TypeNode* base);
// Pools of nodes that live while one function is parsed.
std::size_t type_mark();
void type_release(std::size_t mark);

// The size in bytes; an unknown size is reported and counts 0.
std::uint32_t ctypesize(const TypeNode* type);
// The size without reports (0 when unknown).
std::uint32_t type_size_quiet(const TypeNode* type);
std::uint32_t pointer_size(std::uint16_t attr);
// The rank of an addressing class: tiny 1, near (or none) 2, far 3.
int class_rank(std::uint16_t attr);

// The code after an enumeration is replaced by its underlying type.
std::uint8_t effective_code(const TypeNode* type);
bool is_integer_code(std::uint8_t code);
bool is_bitfield_code(std::uint8_t code);
bool is_unsigned_code(std::uint8_t code);

// Space attributes.
void mergespace(std::uint16_t* attr, std::uint16_t more);
// Reads the name after '@' (the '@' already taken) and adds its bits.
void spacemod(std::uint16_t* attr);
// The bit of a space name; 0 and a report when none is left.
std::uint16_t space_bit(std::string_view name, bool* ok);
// Space names defined by the unit, in the order their bits were given.
std::size_t space_name_count();
std::string_view space_name(std::size_t i);

// Default space masks (data, functions, constants) by slot: 0 extern or
// none, 1 static, 2 automatic/register/parameter, 3 reached through a pointer.
struct DefaultSpaces {
    std::uint16_t data[4] = {0, 0, 0, 0};
    std::uint16_t function[4] = {0, 0, 0, 0};
    std::uint16_t constant[4] = {0, 0, 0, 0};
    // The masks constant objects take: the data masks themselves (until a
    // pragma gives constants their own), the function masks, or their own.
    enum Source : std::uint8_t { CONSTANT_DATA, CONSTANT_FUNCTION, CONSTANT_OWN };
    Source constant_source = CONSTANT_DATA;
    const std::uint16_t* constant_masks() const {
        return constant_source == CONSTANT_OWN ? constant : constant_source == CONSTANT_FUNCTION ? function : data;
    }
};
DefaultSpaces& default_spaces();
void setmodel(std::int32_t value);

// The underlying type of an enumeration whose values lie in [low, high].
TypeNode* enum_base(std::int32_t low, std::int32_t high);

bool sametype(const TypeNode* a, const TypeNode* b);
// Merges a redeclaration into the earlier type.
void compose(TypeNode* earlier, const TypeNode* later);
// The TypeCode of a type; "type too complex for debug" beyond eleven derivations.
std::uint32_t debugtype(const TypeNode* type);

}  // namespace vy::cc
