// Declarations at file scope and in parameter lists: specifiers,
// declarators, prototypes, structures and unions with bit-fields,
// enumerations, tags, absolute addresses and default spaces.
#include "ccparse/decl.h"

#include "ccparse/constexpr.h"
#include "ccparse/debuginfo.h"
#include "ccparse/diag.h"
#include "ccparse/function.h"
#include "ccparse/init.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/nesting.h"
#include "ccparse/options.h"
#include "ccparse/source.h"

#include <deque>
#include <unordered_map>
#include <vector>

namespace vy::cc {

namespace {

// A list of symbols with an index by name; symbols keep their order.
struct Scope {
    bool parameters = false;  // a prototype's or identifier list's own scope
    bool function_params = false;  // the scope of a definition's parameters
    Symbol* head = nullptr;
    Symbol* tail = nullptr;
    std::unordered_map<const Name*, Symbol*> index;  // latest symbol of a name
    Symbol* tags = nullptr;
    Symbol* tags_tail = nullptr;
    std::unordered_map<const Name*, Symbol*> tag_index;
};

struct DeclState {
    std::deque<Symbol> symbols;  // every symbol of the run
    std::deque<Scope> scopes;    // [0] is the file scope; then parameter scopes
    std::uint16_t label = 0;
    bool labels_exhausted = false;
    bool any_object = false;
    Nesting depth;  // nesting of declarators and structure bodies
};

DeclState state;

enum Allowed { ALLOW_FILE, ALLOW_PARAM, ALLOW_BLOCK, ALLOW_MEMBER };

struct DeclSpec {
    std::uint8_t storage = KIND_NONE;
    bool has_storage = false;
    TypeNode* type = nullptr;
    std::uint16_t attr = 0;
    bool implicit = false;
    bool any = false;
    bool tag_body = false;  // a structure, union or enumeration body was read
    bool from_typedef = false;  // the type is a typedef's, shared with its other users
};

struct Declarator {
    const Name* name = nullptr;
    TokenPos name_pos;
    TypeNode* type = nullptr;
    std::uint16_t attr = 0;        // attributes of the declared object itself
    TypeNode* own_function = nullptr;  // the outermost function node made by this declarator
};

Symbol* alloc_symbol() { return &state.symbols.emplace_back(); }

Scope& current_scope() { return state.scopes.back(); }

void append(Scope& scope, Symbol* sym) {
    if (scope.tail)
        scope.tail->link = sym;
    else
        scope.head = sym;
    scope.tail = sym;
    if (sym->name) scope.index[sym->name] = sym;
}

// The innermost symbol of a name in the open scopes.
Symbol* find_symbol(const Name* name) {
    for (auto it = state.scopes.rbegin(); it != state.scopes.rend(); ++it) {
        auto found = it->index.find(name);
        if (found != it->index.end() && !(found->second->flags & SYM_HIDDEN)) return found->second;
    }
    return nullptr;
}

Symbol* find_typedef(const Name* name) {
    Symbol* sym = name ? find_symbol(name) : nullptr;
    return sym && sym->kind == KIND_TYPEDEF ? sym : nullptr;
}

int slot_of(std::uint8_t kind) {
    switch (kind) {
    case KIND_STATIC: return 1;
    case KIND_AUTO:
    case KIND_REGISTER:
    case KIND_PARAM:
    case KIND_REG_PARAM: return 2;
    default: return 0;
    }
}

std::uint16_t type_bit(int kind) {
    switch (kind) {
    case K_CHAR: return 0x001;
    case K_SHORT: return 0x002;
    case K_INT: return 0x004;
    case K_LONG: return 0x008;
    case K_FLOAT: return 0x010;
    case K_DOUBLE: return 0x020;
    case K_SIGNED: return 0x040;
    case K_UNSIGNED: return 0x080;
    case K_CONST: return 0x100;
    case K_VOLATILE: return 0x200;
    case K_VOID: return 0x400;
    default: return 0;
    }
}

// The type of a specifier mask (qualifiers taken out), null when none.
TypeNode* mask_type(std::uint16_t mask) {
    struct Row {
        std::uint16_t mask;
        TypeNode* (*type)();
    };
    static const Row rows[] = {
        {0x001, type_char},   {0x041, type_signed_char}, {0x081, type_uchar}, {0x002, type_short},
        {0x042, type_short},  {0x082, type_ushort},      {0x006, type_short}, {0x046, type_short},
        {0x086, type_ushort}, {0x004, type_int},         {0x044, type_int},   {0x084, type_uint},
        {0x040, type_int},    {0x080, type_uint},        {0x008, type_long},  {0x048, type_long},
        {0x088, type_ulong},  {0x00C, type_long},        {0x04C, type_long},  {0x08C, type_ulong},
        {0x010, type_float},  {0x020, type_double},      {0x028, type_ldouble}, {0x400, type_void},
    };
    for (const Row& row : rows)
        if (row.mask == mask) return row.type();
    return nullptr;
}

TypeNode* parse_tag(int kind, DeclSpec& spec);
Declarator declarator(const DeclSpec& spec, bool abstract_ok);

bool declspec(DeclSpec& spec, Allowed allowed) {
    std::uint16_t mask = 0;
    TypeNode* tag_type = nullptr;
    for (;;) {
        const Token& t = nexttoken();
        int kind = t.kind;
        if (kind == K_AT) {
            spacemod(&spec.attr);
            spec.any = true;
            continue;
        }
        if (kind == K_EXTERN || kind == K_STATIC || kind == K_AUTO || kind == K_REGISTER || kind == K_TYPEDEF) {
            spec.any = true;
            if (allowed == ALLOW_MEMBER) {
                puterr("unexpected storage class");
                continue;
            }
            if (spec.has_storage) {
                puterr("invalid storage class");
                continue;
            }
            bool ok = allowed == ALLOW_BLOCK || (allowed == ALLOW_FILE && kind != K_AUTO && kind != K_REGISTER) ||
                      (allowed == ALLOW_PARAM && kind == K_REGISTER);
            if (!ok) {
                puterr("illegal storage class");
                continue;
            }
            spec.has_storage = true;
            spec.storage = static_cast<std::uint8_t>(kind);
            continue;
        }
        if (std::uint16_t bit = type_bit(kind)) {
            spec.any = true;
            if (mask & bit)
                puterr("repeated type specification");
            mask |= bit;
            continue;
        }
        if (kind == K_STRUCT || kind == K_UNION || kind == K_ENUM) {
            spec.any = true;
            if (mask & 0x800) puterr("repeated type specification");
            mask |= 0x800;
            tag_type = parse_tag(kind, spec);
            continue;
        }
        if (kind == K_IDENT && (mask & ~0x300) == 0) {
            if (Symbol* td = find_typedef(t.name)) {
                spec.any = true;
                std::uint16_t quals = static_cast<std::uint16_t>(((td->attr & ATTR_CONST) ? 0x100 : 0) |
                                                                 ((td->attr & ATTR_VOLATILE) ? 0x200 : 0));
                if (mask & quals) puterr("repeated type specification");
                mask |= static_cast<std::uint16_t>(0x1000 | quals);
                tag_type = td->type;
                spec.from_typedef = true;
                spec.attr |= td->attr;
                continue;
            }
        }
        ungettoken();
        break;
    }
    if (mask & 0x100) spec.attr |= ATTR_CONST;
    if (mask & 0x200) spec.attr |= ATTR_VOLATILE;
    std::uint16_t m = mask & static_cast<std::uint16_t>(~0x300);
    if (m == 0) {
        spec.type = type_int();
        spec.implicit = true;
    } else if (m == 0x1000 || m == 0x800) {
        spec.type = tag_type ? tag_type : type_int();
    } else if (TypeNode* type = mask_type(m)) {
        spec.type = type;
    } else {
        puterr("illegal type specification");
        spec.type = type_int();
    }
    if (!spec.has_storage) spec.storage = KIND_NONE;
    return spec.any;
}

// ------------------------------------------------------------------ tags

Symbol* lookup_tag(Scope& scope, const Name* name) {
    auto it = scope.tag_index.find(name);
    return it == scope.tag_index.end() ? nullptr : it->second;
}

Symbol* new_tag(const Name* name, std::uint8_t code) {
    Scope& scope = current_scope();
    Symbol* tag = alloc_symbol();
    tag->name = name;
    tag->kind = code;
    tag->type = newtype(code, nullptr);
    tag->type->tag = name;
    if (scope.tags_tail)
        scope.tags_tail->link = tag;
    else
        scope.tags = tag;
    scope.tags_tail = tag;
    if (name) scope.tag_index[name] = tag;
    return tag;
}

void struct_body(Symbol* tag);
void enum_body(Symbol* tag);

// Appends to a member list kept by its head and tail.
void append_member(Symbol*& head, Symbol*& tail, Symbol* member) {
    if (tail)
        tail->link = member;
    else
        head = member;
    tail = member;
}

TypeNode* parse_tag(int kind, DeclSpec& spec) {
    std::uint8_t code = kind == K_STRUCT ? T_STRUCT : kind == K_UNION ? T_UNION : T_ENUM;
    const Token& t = nexttoken();
    const Name* name = nullptr;
    bool body = false;
    if (t.kind == K_IDENT) {
        name = t.name;
        body = nexttoken().kind == K_LBRACE;
        if (!body) ungettoken();
    } else if (t.kind == K_LBRACE) {
        body = true;
    } else {
        ungettoken();
        puterr("incomplete type");
        return type_int();
    }
    Symbol* tag = nullptr;
    if (name) {
        Symbol* here = lookup_tag(current_scope(), name);
        Symbol* outer = nullptr;
        for (std::size_t i = state.scopes.size() - 1; !here && i-- > 0;)
            if ((outer = lookup_tag(state.scopes[i], name))) break;
        if (here && here->kind == code) {
            if (body && (here->flags & SYM_COMPLETE)) {
                puterr("redefined tag name %.*s", 0, name->str());
                tag = new_tag(name, code);
            } else {
                tag = here;
            }
        } else if (here) {
            puterr("redefined tag type %.*s", 0, name->str());
            tag = new_tag(name, code);
        } else if (outer && outer->kind == code && !body) {
            tag = outer;
        } else {
            tag = new_tag(name, code);
        }
    } else {
        tag = new_tag(nullptr, code);
    }
    if (body) {
        spec.tag_body = true;
        NestingGuard guard(state.depth);
        if (!guard.ok()) {
            set_recovery(K_RBRACE);
            return type_int();
        }
        if (code == T_ENUM)
            enum_body(tag);
        else
            struct_body(tag);
    } else if (code == T_ENUM && !(tag->flags & SYM_COMPLETE)) {
        if (!opt.ne) puterr("undefined enum type");
        if (!tag->type->base) tag->type->base = type_int();
    }
    return tag->type;
}

void enum_body(Symbol* tag) {
    TypeNode* type = tag->type;
    std::int64_t next = 0;
    std::int32_t low = 0, high = 0;
    Scope& scope = current_scope();
    Symbol* members = nullptr;
    Symbol* members_tail = nullptr;
    for (;;) {
        const Token& t = nexttoken();
        if (t.kind != K_IDENT) {
            ungettoken();
            puterr("missing enumeration member");
            set_recovery(K_RBRACE);
            break;
        }
        const Name* name = t.name;
        std::int32_t value = static_cast<std::int32_t>(next);
        if (nexttoken().kind == K_ASSIGN)
            constant_expression(&value, true);
        else
            ungettoken();
        if (scope.index.count(name)) puterr("redeclared enum member %.*s", 0, name->str());
        Symbol* sym = alloc_symbol();
        sym->name = name;
        sym->kind = KIND_ENUM_CONST;
        sym->type = type;
        sym->value = value;
        sym->flags = SYM_DECLARED;
        if (state.scopes.size() == 1) sym->flags |= SYM_FILE_LEVEL;
        append(scope, sym);
        // The enumeration's own member list holds a record of each member.
        Symbol* member = alloc_symbol();
        *member = *sym;
        member->link = nullptr;
        append_member(members, members_tail, member);
        if (value < low) low = value;
        if (value > high) high = value;
        next = static_cast<std::int64_t>(value) + 1;
        int sep = nexttoken().kind;
        if (sep == K_COMMA) continue;
        if (sep != K_RBRACE) {
            ungettoken();
            puterr("missing } in enum definition");
            set_recovery(K_RBRACE);
        }
        break;
    }
    if (members_tail) members_tail->flags |= SYM_LAST_MEMBER;
    type->members = members;
    type->base = enum_base(low, high);
    type->complete = true;
    tag->flags |= SYM_COMPLETE;
}

// Bit-field unit size in bits of a declared type; 0 when it cannot hold one.
int field_unit(const TypeNode* type, std::uint8_t* field_code) {
    switch (effective_code(type)) {
    case T_CHAR:
    case T_UCHAR: *field_code = T_CHAR_FIELD; return 8;
    case T_SHORT:
    case T_USHORT: *field_code = T_SHORT_FIELD; return 16;
    case T_INT:
    case T_UINT: *field_code = T_INT_FIELD; return 2 * 8;
    case T_LONG:
    case T_ULONG: *field_code = T_LONG_FIELD; return 32;
    default: return 0;
    }
}

bool contains_type(const TypeNode* t, const TypeNode* target) {
    for (; t; t = t->base) {
        if (t == target) return true;
        if (t->code == T_POINTER || t->code == T_FUNCTION) return false;
    }
    return false;
}

// The layout of a structure or union being read: members follow each other
// without padding; consecutive bit-fields share a unit of their kind.
struct Layout {
    bool is_union;
    std::uint32_t offset = 0;  // next free byte
    std::uint32_t size = 0;
    std::uint8_t unit_code = 0;  // the open bit-field unit, 0 when none
    int unit_bits = 0;
    int bits_used = 0;

    void close_unit() {
        if (!unit_code) return;
        if (!is_union) offset += static_cast<std::uint32_t>(unit_bits / 8);
        unit_code = 0;
        bits_used = 0;
    }
    void grow(std::uint32_t end) {
        if (end > size) size = end;
    }
    // Places an ordinary member; returns its offset.
    std::uint32_t place(std::uint32_t member_size) {
        close_unit();
        std::uint32_t at = is_union ? 0 : offset;
        if (!is_union) offset += member_size;
        grow(at + member_size);
        return at;
    }
    // Places a bit-field of `width` bits in a unit of `bits`; returns the
    // offset of its unit and sets its position.
    std::uint32_t place_field(std::uint8_t code, int bits, int width, TypeNode* field) {
        if (is_union || unit_code != code || bits_used + width > unit_bits) {
            close_unit();
            unit_code = code;
            unit_bits = bits;
        }
        field->bit_width = static_cast<std::uint8_t>(width);
        field->bit_offset = static_cast<std::uint8_t>(opt.rb ? unit_bits - bits_used - width : bits_used);
        bits_used += width;
        std::uint32_t at = is_union ? 0 : offset;
        grow(at + static_cast<std::uint32_t>(unit_bits / 8));
        return at;
    }
};

void struct_body(Symbol* tag) {
    TypeNode* type = tag->type;
    Layout layout{type->code == T_UNION};
    Symbol* members = nullptr;
    Symbol* members_tail = nullptr;
    for (;;) {
        const Token& t = nexttoken();
        if (t.kind == K_RBRACE) break;
        if (t.kind == K_EOF) {
            puterr("missing } in struct/union definition");
            break;
        }
        ungettoken();
        DeclSpec spec;
        declspec(spec, ALLOW_MEMBER);
        if (opt.ck && spec.implicit) puterr("implicit int type in struct/union declaration");
        for (;;) {
            Declarator d;
            bool has_width = false;
            if (nexttoken().kind == K_COLON) {
                d.type = spec.type;
                has_width = true;
            } else {
                ungettoken();
                d = declarator(spec, true);
                if (!d.name) puterr("missing member name");
                has_width = nexttoken().kind == K_COLON;
                if (!has_width) ungettoken();
            }
            std::int32_t width = 0;
            if (has_width) constant_expression(&width, true);
            TypeNode* mtype = d.type;
            if (mtype && mtype->code == T_FUNCTION) {
                puterr("invalid function member");
                mtype = newtype(T_POINTER, mtype);
            }
            if (contains_type(mtype, type))
                puterr("embedded usage of tag name %.*s", 0, tag->name ? tag->name->str() : std::string_view());
            if (mtype && mtype->code == T_ENUM && !mtype->complete && !opt.ne) puterr("incomplete enum type");
            if (d.name)
                for (Symbol* m = members; m; m = m->link)
                    if (m->name == d.name) puterr("redefined member %.*s", 0, d.name->str());

            bool placed = true;
            std::uint32_t member_offset = 0;
            if (has_width) {
                std::uint8_t field_code = 0;
                int bits = field_unit(mtype, &field_code);
                if (!bits) {
                    puterr("invalid bitfield type");
                    bits = 2 * 8;
                    field_code = T_INT_FIELD;
                }
                if (width < 0 || width > bits || (width == 0 && d.name)) {
                    puterr("invalid bitfield size");
                    width = width == 0 ? 1 : bits;
                }
                if (width == 0) {
                    layout.close_unit();  // an unnamed width-0 field closes the unit
                    placed = false;
                } else {
                    TypeNode* field = newtype(field_code, nullptr);
                    member_offset = layout.place_field(field_code, bits, width, field);
                    mtype = field;
                }
            } else {
                member_offset = layout.place(ctypesize(mtype));
            }
            if (placed && d.name) {
                Symbol* m = alloc_symbol();
                m->name = d.name;
                m->type = mtype;
                m->attr = d.attr;
                m->value = static_cast<std::int32_t>(member_offset);
                m->flags = SYM_DECLARED;
                append_member(members, members_tail, m);
            }
            int sep = nexttoken().kind;
            if (sep == K_COMMA) continue;
            if (sep != K_SEMI) {
                ungettoken();
                puterr("missing ; in member definition");
                if (sep != K_RBRACE) set_recovery(K_SEMI);
            }
            break;
        }
    }
    layout.close_unit();
    if (!members) puterr("missing member declaration");
    if (members_tail) members_tail->flags |= SYM_LAST_MEMBER;
    type->members = members;
    type->size = layout.size;
    type->complete = true;
    tag->flags |= SYM_COMPLETE;
}

// ---------------------------------------------------------- declarators

bool token_starts_declspec(const Token& t) {
    switch (t.kind) {
    case K_AT:
    case K_EXTERN:
    case K_STATIC:
    case K_AUTO:
    case K_REGISTER:
    case K_TYPEDEF:
    case K_STRUCT:
    case K_UNION:
    case K_ENUM: return true;
    case K_IDENT: return find_typedef(t.name) != nullptr;
    default: return type_bit(t.kind) != 0;
    }
}

// Reads the attributes after a '*': @name, const, volatile.
std::uint16_t pointer_qualifiers() {
    std::uint16_t attr = 0;
    for (;;) {
        const Token& t = nexttoken();
        if (t.kind == K_AT) {
            spacemod(&attr);
        } else if (t.kind == K_CONST || t.kind == K_VOLATILE) {
            std::uint16_t bit = t.kind == K_CONST ? ATTR_CONST : ATTR_VOLATILE;
            if (attr & bit) puterr("repeated type specification");
            attr |= bit;
        } else {
            ungettoken();
            return attr;
        }
    }
}

TypeNode* parameter_list();

struct DeclaratorParser {
    std::vector<TypeNode*> pointers;  // pointer nodes made here: their targets take the defaults
    std::vector<TypeNode*> functions;  // function nodes made here (not taken from a typedef)
    int derivations = 0;

    // Every pass over a type follows its chain: a chain longer than the
    // nesting bound is reported once and cut there.
    bool one_more_derivation() {
        if (++derivations <= nesting_limit) return true;
        if (derivations == nesting_limit + 1) puterr("nesting too deep");
        return false;
    }

    // Parses a declarator over `base`, whose object has the attributes `attr`.
    TypeNode* parse(TypeNode* base, std::uint16_t attr, Declarator& out) {
        TypeNode* type = base;
        while (nexttoken().kind == K_STAR) {
            if (!one_more_derivation()) {
                pointer_qualifiers();
                continue;
            }
            TypeNode* p = newtype(T_POINTER, type);
            p->attr = attr;
            pointers.push_back(p);
            type = p;
            attr = pointer_qualifiers();
        }
        ungettoken();

        TypeNode* hole = nullptr;
        TypeNode* inner = nullptr;
        NestingGuard guard(state.depth);
        const Token& t = nexttoken();
        if (t.kind == K_LPAREN && guard.ok() && nested_follows()) {
            hole = newtype(0, nullptr);
            inner = parse(hole, attr, out);
            expect(K_RPAREN);
        } else if (t.kind == K_IDENT) {
            out.name = t.name;
            out.name_pos = t;
            out.attr = attr;
        } else {
            ungettoken();
            out.attr = attr;
        }
        type = suffixes(type);
        if (!hole) return type;
        // Plug the outer type into the hole of the inner declarator.
        if (inner == hole) return type;
        for (TypeNode* n = inner; n; n = n->base) {
            if (n->base == hole) {
                n->base = type;
                break;
            }
        }
        return inner;
    }

    // After '(': a nested declarator rather than a parameter list.
    bool nested_follows() {
        const Token& next = nexttoken();
        bool nested = next.kind == K_STAR || next.kind == K_LPAREN || next.kind == K_LBRACKET ||
                      (next.kind == K_IDENT && !find_typedef(next.name));
        ungettoken();
        return nested;
    }

    TypeNode* suffixes(TypeNode* base) {
        std::vector<TypeNode*> list;
        for (;;) {
            const Token& t = nexttoken();
            if (t.kind == K_LPAREN) {
                TypeNode* fn = parameter_list();
                if (one_more_derivation()) list.push_back(fn);
            } else if (t.kind == K_LBRACKET) {
                TypeNode* array = newtype(T_ARRAY, nullptr);
                if (nexttoken().kind != K_RBRACKET) {
                    ungettoken();
                    std::int32_t count = 0;
                    if (constant_expression(&count, true)) {
                        if (count <= 0)
                            puterr("invalid array dimension");
                        else
                            array->count = static_cast<std::uint32_t>(count);
                    }
                    expect(K_RBRACKET);
                }
                if (one_more_derivation()) list.push_back(array);
            } else {
                ungettoken();
                break;
            }
        }
        TypeNode* type = base;
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            (*it)->base = type;
            type = *it;
        }
        for (TypeNode* n : list)
            if (n->code == T_FUNCTION) functions.push_back(n);
        return type;
    }
};

// Checks the finished chain and gives the pointer targets their default spaces.
void finish_type(DeclaratorParser& parser, TypeNode* type) {
    for (TypeNode* n = type; n && n->base; n = n->base) {
        std::uint8_t base = n->base->code;
        if (n->code == T_FUNCTION && (base == T_FUNCTION || base == T_ARRAY)) {
            puterr("invalid function return type");
            n->base = type_int();
        } else if (n->code == T_ARRAY && base == T_FUNCTION) {
            puterr("invalid array type");
        }
    }
    for (TypeNode* p : parser.pointers) p->attr = defspace(p->attr, 3, p->base);
}

// A copy of the pointer, array and function nodes at the top of a chain:
// a redeclaration completes its symbol's own nodes (array count, prototype,
// pointer attributes), never those of a typedef that others use too.
TypeNode* copy_derivations(TypeNode* type) {
    TypeNode* head = type;
    TypeNode** link = &head;
    for (TypeNode* t = type; t && (t->code == T_POINTER || t->code == T_ARRAY || t->code == T_FUNCTION); t = t->base) {
        TypeNode* copy = newtype(t->code, nullptr);
        *copy = *t;
        *link = copy;
        link = &copy->base;
    }
    return head;
}

Declarator declarator(const DeclSpec& spec, bool abstract_ok) {
    Declarator d;
    DeclaratorParser parser;
    d.type = parser.parse(spec.from_typedef ? copy_derivations(spec.type) : spec.type, spec.attr, d);
    finish_type(parser, d.type);
    for (TypeNode* fn : parser.functions)
        if (fn == d.type) d.own_function = fn;
    (void)abstract_ok;
    return d;
}

// A parameter of array or function type is passed as a pointer. The
// attributes given with it (space bits and qualifiers) are those of the
// elements or of the function: they become the pointer's, as with '*'.
TypeNode* adjust_parameter(TypeNode* type, std::uint16_t attr) {
    if (type && (type->code == T_ARRAY || type->code == T_FUNCTION)) {
        TypeNode* target = type->code == T_ARRAY ? type->base : type;
        TypeNode* p = newtype(T_POINTER, target);
        p->attr = defspace(attr, 3, target);
        return p;
    }
    return type;
}

// Parses a parameter list after '(' up to its ')'; returns the function node.
TypeNode* parameter_list() {
    TypeNode* fn = newtype(T_FUNCTION, nullptr);
    state.scopes.emplace_back().parameters = true;
    Scope& scope = state.scopes.back();
    const Token& first = nexttoken();
    if (first.kind == K_RPAREN) {
        state.scopes.pop_back();
        return fn;
    }
    if (first.kind == K_ELLIPSIS) {
        expect(K_RPAREN);
        state.scopes.pop_back();
        return fn;
    }
    if (first.kind == K_IDENT && !find_typedef(first.name)) {
        // An identifier list.
        ungettoken();
        fn->param_names = true;
        for (;;) {
            const Token& t = nexttoken();
            if (t.kind != K_IDENT) {
                ungettoken();
                puterr("syntax error");
                break;
            }
            if (scope.index.count(t.name))
                puterr("redeclared argument %.*s", 0, t.name->str());
            Symbol* p = alloc_symbol();
            p->name = t.name;
            p->kind = KIND_PARAM;
            append(scope, p);
            if (nexttoken().kind != K_COMMA) {
                ungettoken();
                break;
            }
        }
        expect(K_RPAREN);
        fn->params = scope.head;
        state.scopes.pop_back();
        return fn;
    }
    ungettoken();
    fn->prototype = true;
    bool ellipsis = false;
    bool first_param = true;
    for (;;) {
        const Token& t = nexttoken();
        if (!first_param && t.kind == K_ELLIPSIS) {
            ellipsis = true;
            break;
        }
        if (!token_starts_declspec(t)) {
            ungettoken();
            puterr("bad proto argument type");
            break;
        }
        ungettoken();
        DeclSpec spec;
        declspec(spec, ALLOW_PARAM);
        Declarator d = declarator(spec, true);
        if (d.type && d.type->code == T_VOID) {
            bool alone = first_param && !d.name && nexttoken().kind == K_RPAREN;
            if (first_param && !d.name) ungettoken();
            if (!alone) puterr("bad void argument");
            if (alone) {
                Symbol* mark = alloc_symbol();
                mark->type = type_void();
                mark->kind = KIND_PARAM;
                append(scope, mark);
                break;
            }
        }
        if (d.name && scope.index.count(d.name)) puterr("redeclared proto argument %.*s", 0, d.name->str());
        Symbol* p = alloc_symbol();
        p->name = d.name;
        p->type = adjust_parameter(d.type, d.attr);
        p->kind = spec.storage == K_REGISTER ? KIND_REG_PARAM : KIND_PARAM;
        p->attr = defspace(p->type == d.type ? d.attr : 0, 2, p->type);
        p->implicit = spec.implicit;
        append(scope, p);
        first_param = false;
        if (nexttoken().kind != K_COMMA) {
            ungettoken();
            break;
        }
    }
    expect(K_RPAREN);
    if (!ellipsis && !(scope.tail && scope.tail->type && scope.tail->type->code == T_VOID && !scope.tail->name)) {
        Symbol* mark = alloc_symbol();
        mark->type = type_void();
        mark->kind = KIND_PARAM;
        append(scope, mark);
    }
    fn->params = scope.head;
    state.scopes.pop_back();
    return fn;
}

// ------------------------------------------------------ declarations

void absolute_address(Symbol* sym, std::uint16_t explicit_attr) {
    if (sym->flags & SYM_USED) puterr("redefined alias %.*s", 0, sym->name->str());
    std::int32_t address = 0;
    if (!quiet_constant_expression(&address)) puterr("bad alias value");
    sym->kind = KIND_ABSOLUTE;
    sym->value = address;
    if (sym->type && sym->type->code != T_FUNCTION && !(explicit_attr & SPACE_CLASS)) {
        if (address >= 0 && address <= 255)
            sym->attr = static_cast<std::uint16_t>((sym->attr & ~SPACE_CLASS) | SPACE_TINY);
        else if ((sym->attr & SPACE_CLASS) == SPACE_TINY)
            sym->attr &= static_cast<std::uint16_t>(~SPACE_CLASS);
    }
    ir_absolute(sym, static_cast<std::uint32_t>(address));
}

// Enters or merges a file-level declaration; returns the symbol.
Symbol* declare_global(const Declarator& d, std::uint8_t kind) {
    Symbol* old = global_symbol(d.name);
    std::uint16_t attr = kind == KIND_TYPEDEF ? d.attr : defspace(d.attr, slot_of(kind), d.type);
    if (!old) {
        Symbol* sym = alloc_symbol();
        sym->name = d.name;
        sym->kind = kind;
        sym->type = d.type;
        sym->attr = attr;
        append(state.scopes.front(), sym);
        return sym;
    }
    if (old->undefined) {
        // A name used before its declaration takes the declaration.
        old->undefined = false;
        old->kind = kind;
        old->type = d.type;
        old->attr = attr;
        return old;
    }
    if (old->kind == KIND_TYPEDEF || kind == KIND_TYPEDEF) {
        puterr("redeclared typedef %.*s", 0, d.name->str());
        return old;
    }
    if (old->kind == KIND_ENUM_CONST || !sametype(old->type, d.type) ||
        (kind == KIND_STATIC && old->kind != KIND_STATIC)) {
        puterr("redeclared external %.*s", 0, d.name->str());
        return old;
    }
    compose(old->type, d.type);
    mergespace(&old->attr, attr);
    if (old->kind == KIND_EXTERN && kind != KIND_EXTERN) old->kind = kind;
    return old;
}

}  // namespace

void decl_reset() {
    state = DeclState{};
    state.scopes.emplace_back();
}

std::uint16_t nextlabel() {
    // Label numbers are 16 bits wide and 0 means none: past the last one
    // the numbers would repeat, and jumps would go to the wrong labels.
    if (state.label >= 0xFFFE) {
        if (!state.labels_exhausted) puterr("too many labels");
        state.labels_exhausted = true;
        return 0xFFFE;
    }
    state.label = static_cast<std::uint16_t>(state.label + 2);
    return state.label;
}

Symbol* newsym(Symbol** list, const Name* name, std::uint8_t kind, TypeNode* type) {
    Symbol* sym = alloc_symbol();
    sym->name = name;
    sym->kind = kind;
    sym->type = type;
    sym->link = *list;
    *list = sym;
    return sym;
}

Symbol* lookupsym(const Name* name, Symbol* list, const Symbol* end) {
    for (Symbol* s = list; s && s != end; s = s->link)
        if (s->name == name && !(s->flags & SYM_HIDDEN)) return s;
    return nullptr;
}

Symbol* global_symbol(const Name* name) {
    if (!name) return nullptr;
    auto& index = state.scopes.front().index;
    auto it = index.find(name);
    return it == index.end() ? nullptr : it->second;
}

Symbol* global_symbols() { return state.scopes.front().head; }
Symbol* file_tags() { return state.scopes.front().tags; }

Symbol* find_visible(const Name* name) { return name ? find_symbol(name) : nullptr; }

Symbol* declare_implicit_function(const Name* name) {
    TypeNode* fn = newtype(T_FUNCTION, type_int());
    Symbol* sym = alloc_symbol();
    sym->name = name;
    sym->kind = KIND_EXTERN;
    sym->type = fn;
    sym->attr = defspace(0, 0, fn);
    sym->flags = SYM_DECLARED | SYM_FILE_LEVEL;
    append(state.scopes.front(), sym);
    return sym;
}

Symbol* declare_undefined(const Name* name, const TokenPos& where) {
    // Not in a parameter list, whose scope lists the parameters.
    std::size_t level = state.scopes.size() - 1;
    while (level > 0 && state.scopes[level].parameters) --level;
    Symbol* sym = alloc_symbol();
    sym->name = name;
    sym->kind = level == 0 ? KIND_NONE : KIND_AUTO;
    sym->type = type_int();
    sym->undefined = true;
    sym->first_use = where;
    if (level == 0) sym->flags |= SYM_FILE_LEVEL;
    append(state.scopes[level], sym);
    return sym;
}

Symbol* unnamed_static(TypeNode* type) {
    Symbol* sym = alloc_symbol();
    sym->kind = KIND_STATIC;
    sym->type = type;
    sym->label = nextlabel();
    sym->attr = defspace(ATTR_CONST, 1, type);
    sym->flags = SYM_DECLARED;
    sym->defined = true;
    return sym;
}

void report_undefined(const Symbol* sym) {
    const TokenPos* saved = current_token();
    TokenPos at = sym->first_use;
    at.kind = K_IDENT;
    set_current_token(&at);
    puterr("%.*s undefined", 0, sym->name->str());
    set_current_token(saved);
}

bool enum_constant_value(std::string_view name, std::int32_t* value) {
    Symbol* sym = find_symbol(intern(name));
    if (!sym || sym->kind != KIND_ENUM_CONST) return false;
    *value = sym->value;
    return true;
}

std::uint16_t defspace(std::uint16_t attr, int slot, const TypeNode* type) {
    const DefaultSpaces& spaces = default_spaces();
    const std::uint16_t* masks = spaces.data;
    if (type && type->code == T_FUNCTION)
        masks = spaces.function;
    else if (attr & ATTR_CONST)
        masks = spaces.constant_masks();
    std::uint16_t m = masks[slot];
    if (!(attr & SPACE_CLASS)) attr |= m & SPACE_CLASS;
    if (!(attr & 0x05FF)) attr |= m & 0xCFFF;
    return attr;
}

bool starts_typename(int kind, const Name* name) {
    if (kind == K_IDENT) return find_typedef(name) != nullptr;
    return type_bit(kind) != 0 || kind == K_STRUCT || kind == K_UNION || kind == K_ENUM || kind == K_AT;
}

TypeNode* parse_typename() {
    DeclSpec spec;
    declspec(spec, ALLOW_MEMBER);
    Declarator d = declarator(spec, true);
    if (d.name) puterr("name unexpected in abstract type");
    return d.type;
}

bool any_object_declared() { return state.any_object; }

bool in_function_body() { return function_body_open(); }

void extdecl() {
    const Token& first = nexttoken();
    if (first.kind == K_EOF) return;
    std::uint32_t first_line = first.line;
    SourceFile* source = current_source();
    ir_line(first_line);
    if (first.kind == K_SEMI) return;  // an empty declaration
    ungettoken();

    DeclSpec spec;
    declspec(spec, ALLOW_FILE);
    if (opt.ck && spec.implicit) puterr("implicit int type in global declaration");
    if (nexttoken().kind == K_SEMI) {
        if (!spec.tag_body) puterr("incomplete declaration");
        return;
    }
    ungettoken();

    for (;;) {
        Declarator d = declarator(spec, false);
        if (!d.name) {
            puterr("missing name in declaration");
        } else {
            Symbol* sym = declare_global(d, spec.storage);
            if (sym->kind != KIND_TYPEDEF) {
                sym->flags |= SYM_DECLARED | SYM_FILE_LEVEL;
                if (sym->kind == KIND_STATIC && !sym->label) sym->label = nextlabel();
                bool is_function = d.type && d.type->code == T_FUNCTION;
                const Token& t = nexttoken();
                if (t.kind == K_AT) {
                    absolute_address(sym, d.attr);
                } else if (is_function) {
                    ungettoken();
                    bool body = function_follows();
                    if (body && !d.own_function) puterr("invalid function declaration");
                    if (body) {
                        state.any_object = true;
                        parse_function(sym, d.own_function ? d.own_function : d.type, first_line);
                        return;
                    }
                    if (d.type->param_names) puterr("useless argument list");
                    if (sym->kind == KIND_NONE && !sym->defined) sym->kind = KIND_EXTERN;
                } else {
                    ungettoken();
                    if (init_global(sym)) state.any_object = true;
                }
                if (!is_function && sym->kind != KIND_EXTERN) filelink(sym, source);
            } else if (opt.xx) {
                filelink(sym, source);
            }
        }
        const Token& sep = nexttoken();
        if (sep.kind == K_COMMA) continue;
        if (sep.kind != K_SEMI) {
            ungettoken();
            expect(K_SEMI);
            recover();
        }
        return;
    }
}

void endscope(bool final) {
    for (Symbol* sym = global_symbols(); sym; sym = sym->link) {
        if (sym->undefined) {
            if (final) report_undefined(sym);
            continue;
        }
        if (!(sym->flags & SYM_DECLARED)) continue;
        bool is_function = sym->type && sym->type->code == T_FUNCTION;
        if ((sym->kind == KIND_NONE || sym->kind == KIND_STATIC) && !(sym->flags & SYM_WRITTEN)) {
            if (is_function) {
                if (sym->kind == KIND_STATIC && (sym->flags & SYM_USED) && !sym->defined)
                    puterr("static function %.*s undefined", 0, sym->name->str());
            } else if (!sym->defined) {
                if (sym->type && sym->type->code == T_ARRAY && sym->type->count == 0) {
                    puterr("array size unknown %.*s", 0, sym->name->str());
                    sym->type->count = 1;
                }
                ir_space_names();
                ir_declare(sym);
                ir_zero(ctypesize(sym->type));
                ir_end_data();
                sym->flags |= SYM_WRITTEN;
            }
            if (!is_function) sym->flags |= SYM_WRITTEN;
        }
        if (!final) continue;
        if (sym->kind == KIND_EXTERN && (sym->flags & SYM_USED)) {
            ir_external(sym);
        } else if (sym->kind == KIND_NONE) {
            std::uint32_t size = 0;
            if (!is_function) {
                if (sym->type && sym->type->code == T_ARRAY && sym->type->count == 0)
                    puterr("array %.*s size unknown", 0, sym->name->str());
                else
                    size = ctypesize(sym->type);
            }
            ir_public(sym, size);
        }
    }
}

// -------------------------------------------------------------- pragmas

void pragma_space(const TokenList& tokens) {
    std::size_t i = 0;
    auto at = [&](std::size_t k) -> const PpTok& { return tokens[k < tokens.size() ? k : tokens.size() - 1]; };
    int slot = -1;
    bool is_const = false;
    std::string_view word = at(i).kind == K_IDENT ? at(i).str() : std::string_view();
    if (word == "extern") slot = 0, ++i;
    else if (word == "static") slot = 1, ++i;
    else if (word == "auto") slot = 2, ++i;
    else if (word == "const") is_const = true, ++i;
    else if (at(i).kind == K_STAR) slot = 3, ++i;
    bool data = true, functions = true;
    if (at(i).kind == K_LBRACKET && at(i + 1).kind == K_RBRACKET) {
        functions = false;
        i += 2;
    } else if (at(i).kind == K_LPAREN && at(i + 1).kind == K_RPAREN) {
        data = false;
        i += 2;
    }
    std::uint16_t mask = 0;
    for (;;) {
        const PpTok& t = at(i);
        if (t.kind == K_AT && at(i + 1).kind == K_IDENT) {
            bool ok;
            std::uint16_t bits = space_bit(at(i + 1).str(), &ok);
            if ((bits & SPACE_CLASS) && (mask & SPACE_CLASS))
                puterr("ambiguous space modifier");
            else
                mask |= bits;
            i += 2;
        } else if (t.kind == K_AT) {
            puterr("bad space modifier");
            i += 1;
        } else if (t.kind == K_IDENT && t.str() == "volatile") {
            mask |= ATTR_VOLATILE;
            i += 1;
        } else {
            break;
        }
    }
    if (at(i).kind != K_SEMI || i + 1 != tokens.size()) {
        puterr("bad #pragma space directive");
        return;
    }
    DefaultSpaces& spaces = default_spaces();
    auto fill = [&](std::uint16_t* masks) {
        if (slot < 0)
            for (int k = 0; k < 4; ++k) masks[k] = mask;
        else
            masks[slot] = mask;
    };
    if (is_const) {
        if (data && functions) {
            spaces.constant_source = DefaultSpaces::CONSTANT_OWN;
            for (int k = 0; k < 4; ++k) spaces.constant[k] = mask;
        } else {
            // The constants take the data or the function masks themselves,
            // so that later changes of those reach them too.
            spaces.constant_source = data ? DefaultSpaces::CONSTANT_DATA : DefaultSpaces::CONSTANT_FUNCTION;
        }
        return;
    }
    if (data) fill(spaces.data);
    if (functions) fill(spaces.function);
}

void pragma_section(const TokenList& tokens) {
    if (in_function_body()) {
        puterr("misplaced #pragma section directive");
        return;
    }
    std::size_t i = 0;
    std::uint16_t word = 0;
    for (;; ++i) {
        if (i >= tokens.size()) return;
        const PpTok& t = tokens[i];
        if (t.kind == K_IDENT && t.str() == "const") {
            word |= 0x8000;
        } else if (t.kind == K_AT && i + 1 < tokens.size() && tokens[i + 1].kind == K_IDENT) {
            bool ok;
            word |= space_bit(tokens[++i].str(), &ok) & 0x3FFF;
        } else {
            break;
        }
    }
    int open = tokens[i].kind;
    int close = open == K_LPAREN ? K_RPAREN : open == K_LBRACKET ? K_RBRACKET : open == K_LBRACE ? K_RBRACE : 0;
    if (!close) return;  // any other token: no effect
    if (open == K_LPAREN) word |= 0x0800;
    if (open == K_LBRACE) word |= 0x4000;
    std::string name;
    std::size_t k = i + 1;
    for (; k < tokens.size() && tokens[k].kind != close && tokens[k].kind != K_SEMI; ++k) name += tokens[k].str();
    if (k >= tokens.size() || tokens[k].kind != close || k + 2 != tokens.size() || tokens[k + 1].kind != K_SEMI) {
        puterr("bad #pragma section directive");
        return;
    }
    ir_flush_pending();
    if (open == K_LBRACE && error_count() == 0) ir_literal_pool();
    if (open == K_LBRACKET) endscope(false);
    ir_line(tokens[i].line);
    ir_section(word, name);
}

}  // namespace vy::cc

// ------------------------------------------------------- function bodies

namespace vy::cc {

namespace {

std::uint8_t local_kind(const DeclSpec& spec, const TypeNode* type) {
    if (spec.storage != KIND_NONE) return spec.storage;
    return type && type->code == T_FUNCTION ? KIND_EXTERN : KIND_AUTO;
}

bool has_linkage(const Symbol* s) {
    return s->kind == KIND_NONE || s->kind == KIND_EXTERN || s->kind == KIND_STATIC || s->kind == KIND_ABSOLUTE;
}

// The name is declared in the block itself (or, in the outermost block of a
// body, as a parameter).
Symbol* declared_here(const Name* name) {
    Scope& scope = current_scope();
    auto it = scope.index.find(name);
    if (it != scope.index.end()) return it->second;
    if (state.scopes.size() >= 2) {
        Scope& below = state.scopes[state.scopes.size() - 2];
        if (below.function_params) {
            auto p = below.index.find(name);
            if (p != below.index.end()) return p->second;
        }
    }
    return nullptr;
}

// A function declared in a block has linkage: it is the file's symbol.
Symbol* local_function(const Declarator& d, std::uint8_t kind) {
    if (d.type->param_names) puterr("useless argument list");
    Symbol* sym = declare_global(d, kind == KIND_STATIC ? KIND_STATIC : KIND_EXTERN);
    sym->flags |= SYM_DECLARED | SYM_FILE_LEVEL;
    if (sym->kind == KIND_STATIC && !sym->label) sym->label = nextlabel();
    current_scope().index[d.name] = sym;
    return sym;
}

// An extern object declared in a block: the file's symbol when there is
// one, else a symbol of the block.
Symbol* local_extern(const Declarator& d) {
    Symbol* outer = find_symbol(d.name);
    if (outer && has_linkage(outer) && !outer->undefined) {
        if (!sametype(outer->type, d.type)) puterr("redeclared external %.*s", 0, d.name->str());
        current_scope().index[d.name] = outer;
        return outer;
    }
    Symbol* sym = alloc_symbol();
    sym->name = d.name;
    sym->kind = KIND_EXTERN;
    sym->type = d.type;
    sym->attr = defspace(d.attr, 0, d.type);
    sym->flags = SYM_DECLARED;
    append(current_scope(), sym);
    return sym;
}

}  // namespace

void open_parameter_scope(const std::vector<Symbol*>& params) {
    Scope& scope = state.scopes.emplace_back();
    scope.parameters = true;
    scope.function_params = true;
    // Only the index: the parameters stay linked as their prototype lists them.
    for (Symbol* p : params)
        if (p->name) scope.index[p->name] = p;
}

void close_parameter_scope() {
    if (state.scopes.size() > 1) state.scopes.pop_back();
}

void open_block_scope() { state.scopes.emplace_back(); }

std::vector<Symbol*> close_block_scope() {
    std::vector<Symbol*> out;
    if (state.scopes.size() <= 1) return out;
    for (Symbol* s = current_scope().head; s; s = s->link) out.push_back(s);
    state.scopes.pop_back();
    return out;
}

void parameter_declarations(TypeNode* function) {
    for (;;) {
        const Token& t = nexttoken();
        ungettoken();
        if (t.kind == K_LBRACE || t.kind == K_EOF || !token_starts_declspec(t)) return;
        DeclSpec spec;
        declspec(spec, ALLOW_PARAM);
        if (opt.ck && spec.implicit) puterr("implicit int type in argument declaration");
        for (;;) {
            Declarator d = declarator(spec, false);
            Symbol* p = nullptr;
            if (!d.name) {
                puterr("missing argument name");
            } else {
                if (function && !function->prototype)
                    for (Symbol* q = function->params; q && !p; q = q->link)
                        if (q->name == d.name) p = q;
                if (!p) {
                    const TokenPos* saved = current_token();
                    set_current_token(&d.name_pos);
                    puterr("%.*s not an argument", 0, d.name->str());
                    set_current_token(saved);
                }
            }
            if (p) {
                p->type = adjust_parameter(d.type, d.attr);
                p->attr = defspace(p->type == d.type ? d.attr : 0, 2, p->type);
                p->kind = spec.storage == K_REGISTER ? KIND_REG_PARAM : KIND_PARAM;
                p->implicit = spec.implicit;
            }
            int sep = nexttoken().kind;
            if (sep == K_COMMA) continue;
            if (sep != K_SEMI) {
                ungettoken();
                puterr("missing ; in argument declaration");
                // The body may begin right here.
                if (sep != K_LBRACE) {
                    set_recovery(K_SEMI);
                    recover();
                }
            }
            break;
        }
    }
}

bool local_declaration_follows() {
    const Token& t = nexttoken();
    if (!token_starts_declspec(t)) {
        ungettoken();
        return false;
    }
    if (t.kind != K_IDENT) {
        ungettoken();
        return true;
    }
    // A typedef name followed by ':' is a label.
    bool label = nexttoken().kind == K_COLON;
    ungettoken();
    ungettoken();
    return !label;
}

void local_declaration(std::vector<LocalInit>& inits) {
    DeclSpec spec;
    declspec(spec, ALLOW_BLOCK);
    if (opt.ck && spec.implicit) puterr("implicit int type in local declaration");
    if (nexttoken().kind == K_SEMI) {
        if (!spec.tag_body) puterr("incomplete declaration");
        return;
    }
    ungettoken();
    for (;;) {
        Declarator d = declarator(spec, false);
        if (!d.name) {
            puterr("missing local name");
        } else {
            std::uint8_t kind = local_kind(spec, d.type);
            bool is_function = d.type && d.type->code == T_FUNCTION;
            Symbol* sym = nullptr;
            if (is_function && kind != KIND_TYPEDEF) {
                sym = local_function(d, kind);
            } else if (kind == KIND_EXTERN) {
                Symbol* here = declared_here(d.name);
                if (here && !here->undefined && here->kind != KIND_EXTERN && !has_linkage(here))
                    puterr("redeclared local %.*s", 0, d.name->str());
                sym = local_extern(d);
            } else {
                Symbol* here = declared_here(d.name);
                if (here && here->undefined && current_scope().index.count(d.name)) {
                    // A name used before its declaration takes the declaration.
                    sym = here;
                    sym->undefined = false;
                } else {
                    if (here) puterr("redeclared local %.*s", 0, d.name->str());
                    sym = alloc_symbol();
                    sym->name = d.name;
                    append(current_scope(), sym);
                }
                sym->kind = kind;
                sym->type = d.type;
                sym->attr = kind == KIND_TYPEDEF ? d.attr : defspace(d.attr, slot_of(kind), d.type);
                sym->implicit = spec.implicit;
                if (kind != KIND_TYPEDEF) sym->flags |= SYM_DECLARED;
                if (kind == KIND_STATIC) sym->label = nextlabel();
            }
            const Token& t = nexttoken();
            if (t.kind == K_AT && !is_function && kind != KIND_TYPEDEF && kind != KIND_EXTERN) {
                absolute_address(sym, d.attr);
            } else {
                ungettoken();
                TokenPos start = d.name_pos;
                if (Expr* assign = init_local(sym)) inits.push_back({assign, start, *current_token()});
            }
        }
        const Token& sep = nexttoken();
        if (sep.kind == K_COMMA) continue;
        if (sep.kind != K_SEMI) {
            ungettoken();
            puterr("missing ; in local declaration");
            set_recovery(K_SEMI);
            recover();
        }
        return;
    }
}

}  // namespace vy::cc
