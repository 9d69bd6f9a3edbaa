// Initialisers. The data of a static object is written as it is parsed;
// the writer keeps the byte position within the object, so that every
// value, gap and rest is written to its exact size even after an error and
// the record structure stays sound.
#include "ccparse/init.h"

#include "ccparse/constexpr.h"
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/narrow.h"
#include "ccparse/nesting.h"
#include "ccparse/options.h"
#include "ccparse/treewrite.h"
#include "ccparse/types.h"

#include <algorithm>
#include <deque>

namespace vy::cc {

namespace {

// Where the data of the object being initialised stands.
struct DataWriter {
    std::uint32_t pos = 0;      // bytes written since the object's start
    InitList* kept = nullptr;   // receives a copy of every value
    int mute = 0;               // values parsed but not written
};

struct InitState {
    std::deque<InitList> lists;
    DataWriter data;
    Nesting nesting;
};

InitState state;

bool writing() { return state.data.mute == 0; }

void keep(InitEntry entry) {
    if (state.data.kept && writing()) state.data.kept->entries.push_back(std::move(entry));
}

void zero(std::uint32_t count) {
    if (!count || !writing()) return;
    ir_zero(count);
    state.data.pos += count;
}

// Zero bytes up to `end` (bytes from the object's start).
void pad_to(std::uint32_t end) {
    if (end > state.data.pos) zero(end - state.data.pos);
}

// A zero value of `size` bytes in place of a value that was not valid.
void zero_item(std::uint32_t size) {
    if (size == 1 || size == 2 || size == 4) {
        if (writing()) {
            ir_int_item(static_cast<std::uint8_t>(size), 0);
            state.data.pos += size;
        }
    } else {
        zero(size);
    }
}

void int_item(std::uint32_t size, std::int64_t value, TypeNode* type) {
    if (!writing()) return;
    InitEntry e;
    e.kind = InitEntry::INTEGER;
    e.offset = state.data.pos;
    e.size = size;
    e.value = value;
    e.type = type;
    keep(e);
    ir_int_item(static_cast<std::uint8_t>(size), static_cast<std::uint32_t>(value));
    state.data.pos += size;
}

void real_item(std::uint32_t size, double value, TypeNode* type) {
    if (!writing()) return;
    value = round_real(value, type);
    if (state.data.kept) {
        // The kept value's literal is this very data: its label stands here.
        Constant* c = real_constant(value);
        int k = real_width_index(effective_code(type));
        auto bit = static_cast<std::uint8_t>(1 << k);
        if (!(c->written & bit)) {
            ir_label_data(static_cast<std::uint16_t>(literal_label(c) + 2 * k));
            c->widths = static_cast<std::uint8_t>(c->widths | bit);
            c->written = static_cast<std::uint8_t>(c->written | bit);
        }
        InitEntry e;
        e.kind = InitEntry::REAL;
        e.offset = state.data.pos;
        e.size = size;
        e.real = value;
        e.type = type;
        keep(e);
    }
    ir_real_item(static_cast<std::uint8_t>(size), value);
    state.data.pos += size;
}

void address_item(std::uint32_t size, const Expr* v, TypeNode* type) {
    if (!writing()) return;
    std::uint8_t code = size == 1 ? IR_ADDRESS1 : size == 2 ? IR_ADDRESS2 : IR_ADDRESS4;
    std::uint16_t label = v->literal ? literal_label(v->literal) : 0;
    InitEntry e;
    e.kind = InitEntry::ADDRESS;
    e.offset = state.data.pos;
    e.size = size;
    e.value = v->value;
    e.sym = v->sym;
    e.literal = v->literal;
    e.type = type;
    keep(e);
    ir_address(code, v->sym, label, static_cast<std::uint32_t>(v->value));
    state.data.pos += size;
}

// ------------------------------------------------------------- tokens

int peek_kind() {
    int kind = nexttoken().kind;
    ungettoken();
    return kind;
}

bool take(int kind) {
    if (nexttoken().kind == kind) return true;
    ungettoken();
    return false;
}

// Reads over one value: a braced list to its matching brace, or an
// assignment expression.
void skip_value() {
    if (!take(K_LBRACE)) {
        if (!ends_expression(peek_kind())) parse_assignment();
        return;
    }
    for (int depth = 1; depth > 0;) {
        int kind = nexttoken().kind;
        if (kind == K_EOF) return;
        if (kind == K_LBRACE) ++depth;
        if (kind == K_RBRACE) --depth;
    }
}

// After a value: whether another follows. In a braced list the comma is
// taken, also before the closing brace; without braces a comma before a
// closing brace is left to the enclosing list.
bool more_values(bool braced) {
    if (!take(K_COMMA)) return false;
    int next = peek_kind();
    if (next == K_RBRACE) {
        if (!braced) ungettoken();
        return false;
    }
    return !ends_expression(next) || next == K_COMMA;
}

// Values after the last one a braced aggregate holds.
void excess_values() {
    bool reported = false;
    while (peek_kind() == K_COMMA) {
        nexttoken();
        if (peek_kind() == K_RBRACE) return;
        if (!reported) experr("too many initializers");
        reported = true;
        skip_value();
    }
}

void close_brace() { expect(K_RBRACE); }

// ------------------------------------------------------------ scalars

bool frame_free(const Expr* v) {
    if (!v->sym) return true;
    switch (v->sym->kind) {
    case KIND_AUTO:
    case KIND_PARAM:
    case KIND_REG_PARAM:
    case KIND_REGISTER: return false;
    default: return true;
    }
}

void write_scalar(TypeNode* type, const Expr* v) {
    std::uint8_t tc = effective_code(type);
    std::uint8_t vc = effective_code(v->type);
    std::uint32_t size = ctypesize(type);
    if (tc == T_POINTER) {
        bool address = (isaddress(v) || (isconst(v) && vc == T_POINTER)) && frame_free(v);
        if (isconstint(v) && vc != T_POINTER && v->value == 0) {
            address_item(size, v, type);
        } else if (!address || !assigncompat(type, v) || size < pointer_size(v->type->attr)) {
            experr("invalid pointer initializer");
            zero_item(size);
        } else {
            address_item(size, v, type);
        }
        return;
    }
    if (vc == T_POINTER) {
        experr("invalid initializer");
        zero_item(size);
        return;
    }
    if (is_integer_code(tc)) {
        if (isconstint(v))
            int_item(size, reduce_to(const_value(v), type), type);
        else if (isconstreal(v))
            int_item(size, reduce_to(truncate_real(v->literal->real), type), type);
        else {
            experr("invalid initializer expression");
            zero_item(size);
        }
        return;
    }
    if (is_real_code(tc) && isconst(v)) {
        real_item(size, real_value(v), type);
        return;
    }
    experr("invalid initializer expression");
    zero_item(size);
}

// A scalar's value, in optional braces; `missing` is reported when there is
// none, and the value is then 0.
Expr* scalar_value(const char* missing) {
    bool braced = take(K_LBRACE);
    Expr* value;
    if (ends_expression(peek_kind())) {
        experr(missing);
        value = makeconst(0);
    } else {
        value = parse_assignment();
    }
    if (braced) close_brace();
    return value;
}

void init_scalar(TypeNode* type) {
    std::uint32_t end = state.data.pos + ctypesize(type);
    Expr* v = rvalue(scalar_value("missing initializer"));
    if (opt.ck) rangecheck(type, v);
    narrow(v, 0);
    while (v->op == OP_CAST) v = v->left;
    write_scalar(type, v);
    pad_to(end);
}

// ------------------------------------------------------------- arrays

// A string literal for an array of characters, with or without braces.
bool string_follows(bool* braced) {
    const Token& a = nexttoken();
    int first = a.kind;
    if (first == K_STRING) {
        int next = nexttoken().kind;
        ungettoken();
        ungettoken();
        *braced = false;
        return next == K_COMMA || next == K_RBRACE || next == K_SEMI || next == K_EOF;
    }
    if (first != K_LBRACE) {
        ungettoken();
        return false;
    }
    bool string = nexttoken().kind == K_STRING;
    int after = string ? nexttoken().kind : 0;
    if (string) ungettoken();
    ungettoken();
    ungettoken();
    *braced = true;
    return string && (after == K_RBRACE || after == K_COMMA);
}

void init_string(TypeNode* type, bool braced) {
    if (braced) nexttoken();
    const Token& t = nexttoken();
    std::string bytes = t.constant ? t.constant->bytes : std::string();
    std::uint32_t start = state.data.pos;
    auto n = static_cast<std::uint32_t>(bytes.size());
    std::uint32_t count = type->count;
    if (count == 0) {
        count = n + 1;
        type->count = count;
    }
    if (writing()) {
        InitEntry e;
        e.kind = InitEntry::STRING;
        e.offset = start;
        e.size = count;
        e.bytes = bytes.substr(0, count);
        keep(e);
    }
    TypeNode* element = type->base;
    if (count <= n) {
        if (count < n) experr("string too long");
        // As many characters as the array holds, without the terminator.
        for (std::uint32_t i = 0; i < count && writing(); ++i) {
            ir_int_item(1, static_cast<std::uint32_t>(reduce_to(static_cast<unsigned char>(bytes[i]), element)));
            ++state.data.pos;
        }
    } else if (writing()) {
        ir_string(bytes);
        state.data.pos += n + 1;
        zero(count - n - 1);
    }
    if (braced) {
        take(K_COMMA);
        close_brace();
    }
}

void init_array(TypeNode* type, bool braces_required) {
    TypeNode* element = type->base;
    if (type->count == 0 && state.nesting.depth > 1) {
        // Only the object itself may take its size from its values; an
        // element or member of unknown size was reported with its type.
        skip_value();
        return;
    }
    std::uint8_t ec = effective_code(element);
    bool braced = false;
    if ((ec == T_CHAR || ec == T_UCHAR) && string_follows(&braced)) {
        std::uint32_t start = state.data.pos;
        init_string(type, braced);
        pad_to(start + type->count);
        return;
    }
    std::uint32_t start = state.data.pos;
    std::uint32_t size = ctypesize(element);
    std::uint32_t count = type->count;
    braced = take(K_LBRACE);
    if (!braced && braces_required) experr("missing {");
    std::uint32_t read = 0;
    bool reported = false;
    bool any = !(braced && peek_kind() == K_RBRACE);
    if (!any) experr("missing initializer");
    while (any) {
        if (count && read >= count) {
            if (!braced) break;
            if (!reported) experr("too many initializers");
            reported = true;
            skip_value();
        } else {
            init_value(element, state.data.kept, false);
            ++read;
        }
        if (!braced && count && read >= count) break;
        any = more_values(braced);
    }
    if (braced) close_brace();
    if (!count) {
        count = read;
        type->count = count;
    }
    pad_to(start + count * size);
}

// ------------------------------------------------- structures, unions

// The storage unit of bit-fields being filled.
struct FieldUnit {
    bool open = false;
    std::uint32_t offset = 0;  // from the structure's start
    std::uint32_t size = 0;
    std::uint32_t value = 0;
};

void flush_unit(FieldUnit& unit, std::uint32_t start) {
    if (!unit.open) return;
    unit.open = false;
    pad_to(start + unit.offset);
    if (writing()) {
        ir_int_item(static_cast<std::uint8_t>(unit.size), unit.value);
        state.data.pos += unit.size;
    }
}

void init_field(FieldUnit& unit, const Symbol* m, std::uint32_t start) {
    const TypeNode* field = m->type;
    auto offset = static_cast<std::uint32_t>(m->value);
    if (unit.open && unit.offset != offset) flush_unit(unit, start);
    if (!unit.open) {
        pad_to(start + offset);
        unit = FieldUnit{true, offset, type_size_quiet(field), 0};
    }
    bool braced = take(K_LBRACE);
    std::int32_t value = 0;
    constant_expression(&value, true);
    if (braced) close_brace();
    std::uint32_t mask = field->bit_width >= 32 ? 0xFFFFFFFFu : (1u << field->bit_width) - 1;
    std::uint32_t bits = static_cast<std::uint32_t>(value) & mask;
    unit.value |= bits << field->bit_offset;
    if (writing()) {
        InitEntry e;
        e.kind = InitEntry::FIELD;
        e.offset = start + offset;
        e.size = unit.size;
        e.value = bits;
        e.bit_offset = field->bit_offset;
        e.bit_width = field->bit_width;
        keep(e);
    }
}

void init_struct(TypeNode* type, bool braces_required) {
    std::uint32_t start = state.data.pos;
    if (!type->complete || !type->members) {
        experr("unknown structure");
        skip_value();
        return;
    }
    bool braced = take(K_LBRACE);
    if (!braced && braces_required) experr("missing {");
    FieldUnit unit;
    bool any = !(braced && peek_kind() == K_RBRACE);
    for (const Symbol* m = type->members; any && m; m = m->link) {
        if (is_bitfield_code(m->type->code)) {
            init_field(unit, m, start);
        } else {
            flush_unit(unit, start);
            pad_to(start + static_cast<std::uint32_t>(m->value));
            init_value(m->type, state.data.kept, false);
        }
        if (!m->link) break;
        any = more_values(braced);
    }
    flush_unit(unit, start);
    if (braced) {
        excess_values();
        close_brace();
    }
    pad_to(start + type->size);
}

void init_union(TypeNode* type, bool braces_required) {
    std::uint32_t start = state.data.pos;
    if (!type->complete || !type->members) {
        experr("unknown union");
        skip_value();
        return;
    }
    if (writing()) {
        InitEntry e;
        e.kind = InitEntry::UNION;
        e.offset = start;
        e.size = type->size;
        keep(e);
    }
    // The values of a union are not kept: a read of any member stays.
    InitList* kept = state.data.kept;
    state.data.kept = nullptr;
    bool braced = take(K_LBRACE);
    if (!braced && braces_required) experr("missing {");
    const Symbol* m = type->members;
    if (!(braced && peek_kind() == K_RBRACE)) {
        if (is_bitfield_code(m->type->code)) {
            FieldUnit unit;
            init_field(unit, m, start);
            flush_unit(unit, start);
        } else {
            init_value(m->type, nullptr, false);
        }
    }
    if (braced) {
        excess_values();
        close_brace();
    }
    state.data.kept = kept;
    pad_to(start + type->size);
}

// Writes the whole initialiser of a static object: its declaration, its
// data, the end of data.
void write_static(Symbol* sym, InitList* kept) {
    DataWriter saved = state.data;
    state.data = DataWriter{0, kept, saved.mute};
    ir_space_names();
    if (writing()) ir_declare(sym);
    init_value(sym->type, kept, true);
    if (writing()) ir_end_data();
    if (kept) kept->end = state.data.pos;
    state.data = saved;
}

}  // namespace

void init_reset() { state = InitState{}; }

void init_value(TypeNode* type, InitList* kept, bool braces_required) {
    NestingGuard guard(state.nesting);
    InitList* outer = state.data.kept;
    state.data.kept = kept;
    if (!guard.ok()) {
        std::uint32_t end = state.data.pos + type_size_quiet(type);
        skip_value();
        pad_to(end);
    } else if (type->code == T_STRUCT) {
        init_struct(type, braces_required);
    } else if (type->code == T_UNION) {
        init_union(type, braces_required);
    } else if (type->code == T_ARRAY) {
        init_array(type, braces_required);
    } else {
        init_scalar(type);
    }
    state.data.kept = outer;
}

bool init_global(Symbol* sym) {
    if (!take(K_ASSIGN)) return sym->kind != KIND_EXTERN;
    std::size_t mark = expr_mark();
    bool again = sym->defined;
    if (again) puterr("redeclared external %.*s", 0, sym->name->str());
    if (sym->kind == KIND_EXTERN) sym->kind = KIND_NONE;
    sym->defined = true;
    bool constant = (sym->attr & ATTR_CONST) && !(sym->attr & ATTR_VOLATILE);
    InitList* kept = constant && !again ? &state.lists.emplace_back() : nullptr;
    if (again) ++state.data.mute;
    write_static(sym, kept);
    if (again) --state.data.mute;
    if (kept) sym->kept = kept;
    expr_release(mark);
    return true;
}

Expr* init_local(Symbol* sym) {
    if (!take(K_ASSIGN)) return nullptr;
    switch (sym->kind) {
    case KIND_ABSOLUTE:
    case KIND_TYPEDEF:
        puterr("invalid local initialization");
        skip_value();
        return nullptr;
    case KIND_EXTERN:
        puterr("invalid external initialization");
        skip_value();
        return nullptr;
    case KIND_STATIC:
        sym->defined = true;
        write_static(sym, nullptr);
        return nullptr;
    default: break;
    }
    TypeNode* type = sym->type;
    bool aggregate = type->code == T_ARRAY || ((type->code == T_STRUCT || type->code == T_UNION) && peek_kind() == K_LBRACE);
    if (aggregate) {
        // The initial data lives in an unnamed static object that is copied.
        Symbol* copy = unnamed_static(type);
        write_static(copy, nullptr);
        Expr* dest = symbol_use(sym);
        Expr* source = symbol_use(copy);
        if (type->code == T_ARRAY) {
            TypeNode* block = newtype(T_STRUCT, nullptr);
            block->complete = true;
            block->size = ctypesize(type);
            dest->type = block;
            source->type = block;
        }
        return initialise(dest, source);
    }
    return initialise(symbol_use(sym), scalar_value("missing initialization expression"));
}

// ------------------------------------------------- const replacement

namespace {

Expr* value_of(const InitEntry& e, TypeNode* type) {
    if (e.kind == InitEntry::INTEGER) return castto(makeconst(e.value, e.type), type);
    if (e.kind == InitEntry::REAL) return castto(real_leaf(e.real, e.type), type);
    Expr* a = new_expr(OP_LEAF, e.type);
    a->sym = e.sym;
    a->literal = e.literal;
    a->value = static_cast<std::int32_t>(e.value);
    a->leaf_flags = e.sym ? LEAF_SYMBOL : e.literal ? LEAF_LITERAL : 0;
    a->node_flags = NODE_NOT_LVALUE;
    return castto(a, type);
}

// The kept value a read of `type` at `offset` finds. The entries lie in
// the order of their offsets and do not overlap (the bit-fields of one unit
// share its offset; a union is one entry): the entry that holds the offset
// is found by a binary search.
Expr* kept_value(const InitList* list, std::uint32_t offset, TypeNode* type) {
    std::uint8_t code = effective_code(type);
    bool field = is_bitfield_code(code);
    std::uint32_t size = field ? type_size_quiet(type) : static_cast<std::uint32_t>(value_width(type));
    if (!size) return nullptr;
    const std::vector<InitEntry>& entries = list->entries;
    auto after = std::upper_bound(entries.begin(), entries.end(), offset,
                                  [](std::uint32_t o, const InitEntry& e) { return o < e.offset; });
    // A value that begins inside the read, after its first byte: the read
    // is of part of it.
    if (after != entries.end() && after->offset < offset + size) return nullptr;
    if (after == entries.begin()) return castto(makeconst(0), field ? promote(type, false) : type);
    auto it = after - 1;
    if (it->kind == InitEntry::FIELD && it->offset == offset) {
        if (!field) return nullptr;
        // The fields of the unit: the one with the read's position and width.
        for (;; --it) {
            if (it->bit_offset == type->bit_offset && it->bit_width == type->bit_width)
                return castto(makeconst(it->value, type_int()), promote(type, false));
            if (it == entries.begin() || (it - 1)->offset != offset || (it - 1)->kind != InitEntry::FIELD) break;
        }
        return castto(makeconst(0), promote(type, false));
    }
    if (offset >= it->offset + it->size) {
        // Bytes no value covers were written as zeros (also past the values).
        return castto(makeconst(0), field ? promote(type, false) : type);
    }
    switch (it->kind) {
    case InitEntry::STRING: {
        if (field || size != 1) return nullptr;
        std::uint32_t at = offset - it->offset;
        unsigned char c = at < it->bytes.size() ? static_cast<unsigned char>(it->bytes[at]) : 0;
        return castto(makeconst(c, type_int()), type);
    }
    case InitEntry::INTEGER:
    case InitEntry::REAL:
    case InitEntry::ADDRESS:
        if (field || it->offset != offset || it->size != size) return nullptr;
        return value_of(*it, type);
    default: return nullptr;  // a union, or part of a unit of bit-fields
    }
}

}  // namespace

Expr* const_read(const Expr* read) {
    if (opt.nc || !read->type) return nullptr;
    std::uint8_t code = effective_code(read->type);
    if (!is_integer_code(code) && !is_real_code(code) && code != T_POINTER) return nullptr;
    const Expr* base = nullptr;
    if (read->is_leaf() && (read->leaf_flags & LEAF_MEMORY))
        base = read;
    else if (read->op == OP_DEREF && isaddress(read->left))
        base = read->left;
    if (!base || base->storage || (base->literal && base->literal->is_real)) return nullptr;
    std::int64_t offset = base->value;
    if (base->literal) {
        // A character of a string literal, or its terminator.
        const std::string& bytes = base->literal->bytes;
        if (value_width(read->type) != 1 || is_bitfield_code(code) || offset < 0 ||
            offset > static_cast<std::int64_t>(bytes.size()))
            return nullptr;
        unsigned char c = offset < static_cast<std::int64_t>(bytes.size()) ? static_cast<unsigned char>(bytes[offset]) : 0;
        return castto(makeconst(c, type_int()), read->type);
    }
    const Symbol* sym = base->sym;
    if (!sym || !sym->kept || !(sym->attr & ATTR_CONST) || (sym->attr & ATTR_VOLATILE) || offset < 0) return nullptr;
    return kept_value(sym->kept, static_cast<std::uint32_t>(offset), read->type);
}

}  // namespace vy::cc
