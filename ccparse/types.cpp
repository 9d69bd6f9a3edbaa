// The type model of the 68HC11 front end: int is 2 bytes, long 4, pointers
// 1, 2 or 4 by their space.
#include "ccparse/types.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/lexer.h"
#include "ccparse/options.h"

#include <deque>
#include <string>
#include <vector>

namespace vy::cc {

namespace {

struct TypeState {
    // unsigned char, char, unsigned short, short, unsigned int, int,
    // unsigned long, long, float, double, long double, void
    TypeNode base[12];
    std::deque<TypeNode> pool;
    std::size_t next = 0;
    std::vector<std::string> space_names;  // in the order of their bits
    DefaultSpaces spaces;
};

TypeState state;

const std::uint8_t base_codes[12] = {T_UCHAR, T_CHAR,  T_USHORT, T_SHORT,  T_UINT,    T_INT,
                                     T_ULONG, T_LONG, T_FLOAT,  T_DOUBLE, T_LDOUBLE, T_VOID};

struct BuiltinSpace {
    const char* name;
    std::uint16_t bits;
};
const BuiltinSpace builtin_spaces[] = {
    {"tiny", SPACE_TINY}, {"near", SPACE_NEAR}, {"far", SPACE_FAR}, {"nostack", SPACE_NOSTACK}, {"packed", SPACE_PACKED},
};

bool is_pointer_to_void(const TypeNode* t) {
    return t && t->code == T_POINTER && t->base && t->base->code == T_VOID;
}

const TypeNode* skip_enum(const TypeNode* t) {
    return t && t->code == T_ENUM && t->base ? t->base : t;
}

// A parameter type that argument widening leaves unchanged.
bool widening_keeps(const TypeNode* t) {
    if (opt.nw) return true;
    std::uint8_t code = effective_code(t);
    if (code == T_CHAR || code == T_UCHAR || code == T_CHAR_FIELD) return false;
    if (code == T_FLOAT && !opt.f) return false;
    return true;
}

int param_count(const Symbol* p, bool stop_at_void) {
    int n = 0;
    for (; p; p = p->link) {
        if (stop_at_void && p->type && p->type->code == T_VOID && !p->name) break;
        ++n;
    }
    return n;
}

bool same_function(const TypeNode* a, const TypeNode* b) {
    if (a->prototype && b->prototype) {
        const Symbol* p = a->params;
        const Symbol* q = b->params;
        for (; p && q; p = p->link, q = q->link) {
            const TypeNode* x = p->type;
            const TypeNode* y = q->type;
            if (x && y && x->code == T_POINTER && y->code == T_POINTER) {
                if (opt.sa && (x->attr & 0xC000) != (y->attr & 0xC000)) return false;
                if (is_pointer_to_void(x) || is_pointer_to_void(y)) continue;
            }
            if (!sametype(x, y)) return false;
        }
        return !p && !q;
    }
    if (a->prototype != b->prototype) {
        const TypeNode* proto = a->prototype ? a : b;
        const TypeNode* other = a->prototype ? b : a;
        for (const Symbol* p = proto->params; p; p = p->link) {
            if (p->type && p->type->code == T_VOID && !p->name) break;
            if (!widening_keeps(p->type)) return false;
        }
        if (other->param_names && param_count(other->params, false) != param_count(proto->params, true))
            return false;
    }
    return true;
}

}  // namespace

void types_reset() {
    state.pool.clear();
    state.next = 0;
    state.space_names.clear();
    state.spaces = DefaultSpaces{};
    for (int i = 0; i < 12; ++i) {
        state.base[i] = TypeNode{};
        state.base[i].code = base_codes[i];
    }
    if (opt.f) {
        state.base[9].code = T_FLOAT;
        state.base[10].code = T_FLOAT;
    }
}

TypeNode* type_uchar() { return &state.base[0]; }
TypeNode* type_signed_char() { return &state.base[1]; }
TypeNode* type_char() { return opt.u ? &state.base[0] : &state.base[1]; }
TypeNode* type_ushort() { return &state.base[2]; }
TypeNode* type_short() { return &state.base[3]; }
TypeNode* type_uint() { return &state.base[4]; }
TypeNode* type_int() { return &state.base[5]; }
TypeNode* type_ulong() { return &state.base[6]; }
TypeNode* type_long() { return &state.base[7]; }
TypeNode* type_float() { return &state.base[8]; }
TypeNode* type_double() { return &state.base[9]; }
TypeNode* type_ldouble() { return &state.base[10]; }
TypeNode* type_void() { return &state.base[11]; }

TypeNode* basic_type(std::uint8_t code) {
    switch (code) {
    case T_CHAR: return type_signed_char();
    case T_UCHAR: return type_uchar();
    case T_SHORT: return type_short();
    case T_USHORT: return type_ushort();
    case T_INT: return type_int();
    case T_UINT: return type_uint();
    case T_LONG: return type_long();
    case T_ULONG: return type_ulong();
    case T_FLOAT: return type_float();
    case T_DOUBLE: return type_double();
    case T_LDOUBLE: return type_ldouble();
    case T_VOID: return type_void();
    default: return type_int();
    }
}

TypeNode* newtype(std::uint8_t code, TypeNode* base) {
    TypeNode* node;
    if (state.next < state.pool.size()) {
        node = &state.pool[state.next];
        *node = TypeNode{};
    } else {
        node = &state.pool.emplace_back();
    }
    ++state.next;
    node->code = code;
    node->base = base;
    return node;
}

std::size_t type_mark() { return state.next; }
void type_release(std::size_t mark) {
    if (mark < state.next) state.next = mark;
}

std::uint32_t pointer_size(std::uint16_t attr) {
    switch (attr & SPACE_CLASS) {
    case SPACE_TINY: return 1;
    case SPACE_FAR: return 4;
    default: return 2;
    }
}

int class_rank(std::uint16_t attr) {
    switch (attr & SPACE_CLASS) {
    case SPACE_TINY: return 1;
    case SPACE_FAR: return 3;
    default: return 2;
    }
}

std::uint8_t effective_code(const TypeNode* type) {
    const TypeNode* t = skip_enum(type);
    return t ? t->code : 0;
}

bool is_bitfield_code(std::uint8_t code) {
    return code == T_CHAR_FIELD || code == T_SHORT_FIELD || code == T_INT_FIELD || code == T_LONG_FIELD;
}

bool is_integer_code(std::uint8_t code) { return code == T_INTERNAL1 || (code >= T_CHAR && code <= T_LONG_FIELD); }

bool is_unsigned_code(std::uint8_t code) { return (code & 0x0F) == 1 || is_bitfield_code(code); }

static std::uint32_t size_of(const TypeNode* type, bool report) {
    if (!type) return 0;
    switch (type->code) {
    case T_INTERNAL1:
    case T_CHAR:
    case T_UCHAR:
    case T_CHAR_FIELD: return 1;
    case T_SHORT:
    case T_USHORT:
    case T_SHORT_FIELD:
    case T_INT:
    case T_UINT:
    case T_INT_FIELD: return 2;
    case T_LONG:
    case T_ULONG:
    case T_LONG_FIELD:
    case T_FLOAT: return 4;
    case T_DOUBLE:
    case T_LDOUBLE: return opt.f ? 4 : 8;
    case T_STRUCT:
    case T_UNION:
        if (!type->complete) {
            if (report) puterr("struct/union size unknown");
            return 0;
        }
        return type->size;
    case T_ENUM:
        if (!type->complete && !opt.ne) {
            if (report) puterr("enum size unknown");
            return 0;
        }
        return type->base ? size_of(type->base, report) : 2;
    case T_POINTER: return pointer_size(type->attr);
    case T_ARRAY: {
        if (type->count == 0) {
            if (report) puterr("array size unknown");
            return 0;
        }
        std::uint64_t size = static_cast<std::uint64_t>(type->count) * size_of(type->base, report);
        return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(size);
    }
    default:
        if (report) puterr("size unknown");
        return 0;
    }
}

std::uint32_t ctypesize(const TypeNode* type) { return size_of(type, true); }
std::uint32_t type_size_quiet(const TypeNode* type) { return size_of(type, false); }

void mergespace(std::uint16_t* attr, std::uint16_t more) {
    if ((*attr & SPACE_CLASS) && (more & SPACE_CLASS) && (*attr & SPACE_CLASS) != (more & SPACE_CLASS))
        puterr("space attribute conflict");
    *attr |= more;
}

std::uint16_t space_bit(std::string_view name, bool* ok) {
    *ok = true;
    for (const BuiltinSpace& s : builtin_spaces)
        if (name == s.name) return s.bits;
    for (std::size_t i = 0; i < state.space_names.size(); ++i)
        if (state.space_names[i] == name) return static_cast<std::uint16_t>(0x80 >> i);
    if (state.space_names.size() >= 8) {
        puterr("too many space modifiers");
        *ok = false;
        return 0;
    }
    state.space_names.emplace_back(name);
    return static_cast<std::uint16_t>(0x80 >> (state.space_names.size() - 1));
}

void spacemod(std::uint16_t* attr) {
    const Token& t = nexttoken();
    if (t.kind != K_IDENT) {
        ungettoken();
        puterr("bad space modifier");
        return;
    }
    bool ok;
    std::uint16_t bits = space_bit(t.name->str(), &ok);
    if (!ok) return;
    if ((bits & SPACE_CLASS) && (*attr & SPACE_CLASS)) {
        puterr("ambiguous space modifier");
        return;
    }
    *attr |= bits;
}

std::size_t space_name_count() { return state.space_names.size(); }
std::string_view space_name(std::size_t i) { return state.space_names[i]; }

DefaultSpaces& default_spaces() { return state.spaces; }

void setmodel(std::int32_t value) {
    if (value & 0xFF) {
        auto mask = static_cast<std::uint16_t>((value & 0xFF) << 8);
        for (auto& m : state.spaces.function) m = mask;
    }
    if (value >= 256) {
        auto mask = static_cast<std::uint16_t>(value & 0xFF00);
        for (auto& m : state.spaces.data) m = mask;
    }
}

TypeNode* enum_base(std::int32_t low, std::int32_t high) {
    if (opt.ne) {
        if (low < -32768 || high > 32767) puterr("enum value out of int range");
        return type_int();
    }
    if (low < 0) {
        if (low >= -128 && high <= 127) return type_signed_char();
        if (low < -32768 || high > 32767) return type_long();
        return type_short();
    }
    std::uint32_t top = static_cast<std::uint32_t>(high);
    if (top < 256) return type_uchar();
    if (top > 65535) return type_ulong();
    return type_ushort();
}

bool sametype(const TypeNode* a, const TypeNode* b) {
    for (;;) {
        a = skip_enum(a);
        b = skip_enum(b);
        if (!a || !b) return a == b;
        if (a == b) return true;
        if (a->code != b->code) return false;
        switch (a->code) {
        case T_STRUCT:
        case T_UNION:
            return false;  // different tags
        case T_POINTER:
            if ((a->attr & SPACE_CLASS) != (b->attr & SPACE_CLASS)) return false;
            break;
        case T_ARRAY:
            if (a->count && b->count && a->count != b->count) return false;
            break;
        case T_FUNCTION:
            if (!same_function(a, b)) return false;
            break;
        default:
            if (is_bitfield_code(a->code))
                return a->bit_offset == b->bit_offset && a->bit_width == b->bit_width;
            break;
        }
        a = a->base;
        b = b->base;
    }
}

void compose(TypeNode* earlier, const TypeNode* later) {
    for (; earlier && later; earlier = earlier->base, later = later->base) {
        if (earlier->code != later->code) return;
        if (earlier->code == T_POINTER) earlier->attr |= later->attr;
        if (earlier->code == T_ARRAY && earlier->count == 0) earlier->count = later->count;
        if (earlier->code == T_FUNCTION && !earlier->prototype && later->prototype) {
            earlier->prototype = true;
            earlier->params = later->params;
            earlier->param_names = later->param_names;
        }
        if (earlier->code == T_STRUCT || earlier->code == T_UNION || earlier->code == T_ENUM) return;
    }
}

std::uint32_t debugtype(const TypeNode* type) {
    std::uint32_t word = 0;
    int derivations = 0;
    const TypeNode* t = type;
    for (; t && (t->code == T_POINTER || t->code == T_FUNCTION || t->code == T_ARRAY); t = t->base) {
        if (derivations == 11) {
            puterr("type too complex for debug");
            break;
        }
        std::uint32_t field = t->code == T_POINTER ? 1 : t->code == T_FUNCTION ? 2 : 3;
        word |= field << (30 - 2 * derivations);
        ++derivations;
    }
    while (t && (t->code == T_POINTER || t->code == T_FUNCTION || t->code == T_ARRAY)) t = t->base;
    std::uint8_t base = 0;
    if (t) {
        switch (t->code) {
        case T_CHAR: base = 0x08; break;
        case T_UCHAR: base = 0x0A; break;
        case T_CHAR_FIELD: base = 0x0B; break;
        case T_SHORT: base = 0x10; break;
        case T_USHORT: base = 0x11; break;
        case T_INT: base = 0x18; break;
        case T_SHORT_FIELD:
        case T_INT_FIELD: base = 0x19; break;
        case T_UINT: base = 0x1A; break;
        case T_LONG: base = 0x20; break;
        case T_ULONG: base = 0x21; break;
        case T_LONG_FIELD: base = 0x22; break;
        case T_FLOAT: base = 0x28; break;
        case T_DOUBLE: base = 0x29; break;
        case T_LDOUBLE: base = 0x2A; break;
        case T_STRUCT: base = 0x48; break;
        case T_UNION: base = 0x49; break;
        case T_ENUM: {
            std::uint8_t under = t->base ? t->base->code : static_cast<std::uint8_t>(T_INT);
            base = static_cast<std::uint8_t>(0x4B + ((under >> 4) - 1));
            break;
        }
        case T_VOID: base = 0x50; break;
        default: base = 0; break;
        }
    }
    return word | base;
}

}  // namespace vy::cc
