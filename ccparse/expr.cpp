// The expression parser: primary, postfix and prefix forms, the binary
// operators by precedence, ?:, assignments and the comma, each node handed
// to its constructor (operators.cpp) as soon as its operands are built. Also
// the node pool and the small helpers every pass over a tree uses.
#include "ccparse/expr.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/fold.h"
#include "ccparse/lexer.h"
#include "ccparse/nesting.h"
#include "ccparse/options.h"
#include "ccparse/types.h"

#include <deque>

namespace vy::cc {

namespace {

struct ExprState {
    std::deque<Expr> pool;
    std::size_t next = 0;
    int loop_depth = 0;
    bool quiet = false;
    bool failed = false;
    Nesting nesting;
    bool deep_reported = false;  // "nesting too deep" for a tree, once per tree
    TypeNode short_real;         // the type of real constants with the suffix s
};

ExprState state;

// Binary operators by precedence (higher binds tighter); 0: not binary.
int binary_level(int kind) {
    switch (kind) {
    case K_OROR: return 3;
    case K_ANDAND: return 4;
    case K_PIPE: return 5;
    case K_CARET: return 6;
    case K_AMP: return 7;
    case K_EQ:
    case K_NE: return 8;
    case K_LT:
    case K_GE:
    case K_GT:
    case K_LE: return 9;
    case K_SHL:
    case K_SHR: return 10;
    case K_PLUS:
    case K_MINUS: return 11;
    case K_STAR:
    case K_SLASH:
    case K_PERCENT: return 12;
    default: return 0;
    }
}

bool is_assignment_op(int kind) { return kind == K_ASSIGN || (kind >= K_ADD_ASSIGN && kind <= K_OR_ASSIGN); }

}  // namespace

bool ends_expression(int kind) {
    switch (kind) {
    case K_SEMI:
    case K_RPAREN:
    case K_RBRACKET:
    case K_RBRACE:
    case K_COMMA:
    case K_COLON:
    case K_EOF: return true;
    default: return false;
    }
}

namespace {

Expr* parse_postfix(bool after_minus);

// Takes a token of `kind`; when the expression is parsed quietly a missing
// one only fails the expression (no message, no recovery).
bool need(int kind) {
    if (!state.quiet) return expect(kind);
    if (nexttoken().kind == kind) return true;
    ungettoken();
    state.failed = true;
    return false;
}

// A use of a symbol: its weighted use count and its used flag.
void count_use(Symbol* sym) {
    unsigned uses = sym->uses + 1u + 2u * static_cast<unsigned>(state.loop_depth);
    sym->uses = static_cast<std::uint16_t>(uses > 0xFFFF ? 0xFFFF : uses);
    sym->flags |= SYM_USED;
}

Expr* symbol_leaf(Symbol* sym) {
    Expr* e = new_expr(OP_LEAF, sym->type);
    e->sym = sym;
    e->leaf_flags = LEAF_SYMBOL | LEAF_MEMORY;
    e->attr = sym->attr;
    return e;
}

Expr* identifier(const Token& t) {
    const Name* name = t.name;
    TokenPos where = t;
    Symbol* sym = find_visible(name);
    if (!sym) {
        bool call = nexttoken().kind == K_LPAREN;
        ungettoken();
        sym = call ? declare_implicit_function(name) : declare_undefined(name, where);
    }
    if (sym->kind == KIND_TYPEDEF) {
        experr("invalid typedef usage");
        return makeconst(0);
    }
    count_use(sym);
    if (sym->kind == KIND_ENUM_CONST) {
        // An enumeration constant is an int, or a long beyond int's range.
        bool fits = sym->value >= -32768 && sym->value <= 32767;
        return makeconst(sym->value, fits ? type_int() : type_long());
    }
    return symbol_leaf(sym);
}

Expr* string_leaf(Constant* c) {
    TypeNode* array = newtype(T_ARRAY, type_char());
    array->count = static_cast<std::uint32_t>(c->bytes.size() + 1);
    Expr* e = new_expr(OP_LEAF, array);
    e->literal = c;
    e->leaf_flags = LEAF_LITERAL | LEAF_MEMORY;
    return e;
}

Expr* parse_primary(bool after_minus) {
    const Token& t = nexttoken();
    switch (t.kind) {
    case K_INT_CONST:
        // A decimal 32768 that no unary minus precedes is a long.
        if (static_cast<std::uint32_t>(t.value) == 32768 && !after_minus) return makeconst(32768, type_long());
        return makeconst(t.value, type_int());
    case K_UINT_CONST: return makeconst(static_cast<std::uint32_t>(t.value), type_uint());
    case K_LONG_CONST:
        // 2147483648 that no unary minus precedes is an unsigned long.
        if (static_cast<std::uint32_t>(t.value) == 0x80000000u && !after_minus)
            return makeconst(0x80000000LL, type_ulong());
        return makeconst(t.value, type_long());
    case K_ULONG_CONST: return makeconst(static_cast<std::uint32_t>(t.value), type_ulong());
    case K_SHORT_REAL: return real_leaf(t.constant ? t.constant->real : 0, &state.short_real);
    case K_FLOAT_CONST: return real_leaf(t.constant ? t.constant->real : 0, type_float());
    case K_DOUBLE_CONST: return real_leaf(t.constant ? t.constant->real : 0, type_double());
    case K_LDOUBLE_CONST: return real_leaf(t.constant ? t.constant->real : 0, type_ldouble());
    case K_STRING: return string_leaf(t.constant);
    case K_IDENT: return identifier(t);
    case K_LPAREN: {
        if (nexttoken().kind == K_RPAREN) {
            experr("missing expression");
            return makeconst(0);
        }
        ungettoken();
        Expr* e = parse_expression(false);
        need(K_RPAREN);
        return e;
    }
    default:
        ungettoken();
        experr(ends_expression(t.kind) ? "missing expression" : "invalid expression");
        return makeconst(0);
    }
}

// The member named after . or ->; `base` is the structure or the pointer.
Expr* member(Expr* base, bool arrow) {
    const Token& t = nexttoken();
    if (t.kind != K_IDENT) {
        ungettoken();
        experr("missing member name");
        return makeconst(0);
    }
    const Name* name = t.name;
    Expr* address = nullptr;
    const TypeNode* stype = nullptr;
    if (arrow) {
        address = rvalue(base);
        const TypeNode* pt = address->type;
        if (pt && pt->code == T_POINTER && pt->base &&
            (pt->base->code == T_STRUCT || pt->base->code == T_UNION))
            stype = pt->base;
    } else {
        std::uint8_t code = effective_code(base->type);
        if (code == T_STRUCT || code == T_UNION) {
            stype = base->type;
            address = address_of(base);
        }
    }
    if (!stype || !address) {
        experr("bad struct/union operand");
        return makeconst(0);
    }
    if (!stype->complete || !stype->members) {
        experr("undefined struct/union");
        return makeconst(0);
    }
    const Symbol* m = stype->members;
    while (m && m->name != name) m = m->link;
    if (!m) {
        experr("%.*s not a member", 0, name->str());
        return makeconst(0);
    }
    std::uint16_t attr = static_cast<std::uint16_t>(address->type->attr | m->attr);
    return unary(OP_DEREF, add_offset(address, m->value, m->type, attr));
}

// The arguments after '(' up to ')', linked through argument nodes.
Expr* arguments() {
    if (nexttoken().kind == K_RPAREN) return nullptr;
    ungettoken();
    Expr* first = nullptr;
    Expr* last_link = nullptr;
    Expr* previous = nullptr;  // the argument waiting for a link
    for (;;) {
        Expr* a = parse_assignment();
        if (!previous) {
            first = a;
        } else {
            Expr* link = new_expr(OP_ARG, type_int(), previous, a);
            if (last_link)
                last_link->right = link;
            else
                first = link;
            last_link = link;
        }
        previous = a;
        if (nexttoken().kind != K_COMMA) {
            ungettoken();
            break;
        }
    }
    need(K_RPAREN);
    // The depths of the links, from the last one back.
    fix_chain_depth(first);
    return first;
}

Expr* parse_postfix(bool after_minus) {
    Expr* e = parse_primary(after_minus);
    for (;;) {
        const Token& t = nexttoken();
        switch (t.kind) {
        case K_LBRACKET: {
            if (nexttoken().kind == K_RBRACKET) {
                experr("missing array subscript");
                break;
            }
            ungettoken();
            Expr* index = parse_expression(false);
            need(K_RBRACKET);
            e = unary(OP_DEREF, binary(K_PLUS, e, index));
            break;
        }
        case K_LPAREN: {
            Expr* callee = e;
            Expr* args = arguments();
            e = make_call(callee, args);
            break;
        }
        case K_DOT:
        case K_ARROW: e = member(e, t.kind == K_ARROW); break;
        case K_INC:
        case K_DEC: e = assign(t.kind == K_INC ? OP_POST_INC : OP_POST_DEC, e, nullptr); break;
        default: ungettoken(); return e;
        }
    }
}

Expr* parse_sizeof() {
    bool as_argument = false;
    if (nexttoken().kind == K_AT)
        as_argument = true;
    else
        ungettoken();
    TypeNode* type = nullptr;
    const Token& open = nexttoken();
    if (open.kind == K_LPAREN) {
        const Token& next = nexttoken();
        bool is_type = starts_typename(next.kind, next.name);
        ungettoken();
        if (is_type) {
            type = parse_typename();
            need(K_RPAREN);
        } else {
            ungettoken();
        }
    } else {
        ungettoken();
    }
    if (!type) type = parse_unary()->type;
    if (!type) type = type_int();
    if (as_argument) {
        if (type->code == T_ARRAY || type->code == T_FUNCTION) {
            TypeNode* target = type->code == T_ARRAY ? type->base : type;
            TypeNode* pointer = newtype(T_POINTER, target);
            pointer->attr = defspace(0, 3, target);
            type = pointer;
        }
        if (!opt.nw) type = promote(type, true);
    }
    if (is_bitfield_code(type->code)) {
        experr("invalid sizeof(type)");
        return makeconst(0, type_uint());
    }
    return makeconst(ctypesize(type), type_uint());
}

// After `discarded` parsing: a postfix step whose value is not used is an
// ordinary compound assignment.
Expr* drop_postfix(Expr* e) {
    if (e->op == OP_POST_INC || e->op == OP_POST_DEC) {
        e->op = e->op == OP_POST_INC ? K_ADD_ASSIGN : K_SUB_ASSIGN;
    } else if (e->op == OP_COMMA) {
        e->left = drop_postfix(e->left);
        e->right = drop_postfix(e->right);
    }
    return e;
}

}  // namespace

// ------------------------------------------------------------ node pool

void expr_reset() {
    state.pool.clear();
    state.next = 0;
    state.loop_depth = 0;
    state.quiet = false;
    state.failed = false;
    state.nesting = Nesting{};
    state.deep_reported = false;
    state.short_real = TypeNode{};
    state.short_real.code = T_SHORT_REAL;
}

std::size_t expr_mark() { return state.next; }
void expr_release(std::size_t mark) {
    if (mark < state.next) state.next = mark;
}

Expr* new_expr(int op, TypeNode* type, Expr* left, Expr* right) {
    Expr* e;
    if (state.next < state.pool.size()) {
        e = &state.pool[state.next];
        *e = Expr{};
    } else {
        e = &state.pool.emplace_back();
    }
    ++state.next;
    e->op = static_cast<std::uint8_t>(op);
    e->type = type;
    e->left = left;
    e->right = right;
    set_depth(e);
    return e;
}

namespace {

// The effects of the node itself, its operands aside.
bool own_effects(const Expr* e) {
    switch (e->op) {
    case OP_LEAF:
        // A read of a volatile object, and a division by a constant zero,
        // are never dropped.
        return ((e->leaf_flags & LEAF_MEMORY) && (e->attr & ATTR_VOLATILE)) ||
               (e->node_flags & (NODE_ZERO_DIVIDE | NODE_ZERO_MODULUS));
    case OP_CALL:
    case OP_POST_INC:
    case OP_POST_DEC: return true;
    case OP_DEREF: return (e->attr & ATTR_VOLATILE) != 0;
    default: return is_assignment_op(e->op);
    }
}

}  // namespace

void set_depth(Expr* e) {
    int depth = 0;
    bool effects = false;
    if (e->op != OP_LEAF) {
        for (const Expr* c : {e->left, e->right, e->third}) {
            if (!c) continue;
            if (c->depth > depth) depth = c->depth;
            effects = effects || side_effects(c);
        }
        effects = effects || own_effects(e);
        // Kept with the node, so that asking costs nothing however deep the
        // tree: every change of a node's operands or attributes sets it anew.
        e->node_flags = static_cast<std::uint8_t>(effects ? e->node_flags | NODE_EFFECTS
                                                          : e->node_flags & ~NODE_EFFECTS);
    }
    e->depth = static_cast<std::uint16_t>(depth + 1 > 0xFFFF ? 0xFFFF : depth + 1);
}

Expr* bound_depth(Expr* e) {
    if (e->depth <= tree_depth_limit) return e;
    // A tree that deep is cut: every pass over it recurses.
    if (!state.deep_reported) {
        state.deep_reported = true;
        experr("nesting too deep");
    }
    return makeconst(0);
}

void fix_chain_depth(Expr* e) {
    // Argument chains are built from the front; their depths are set from
    // the back without recursion.
    std::deque<Expr*> links;
    for (Expr* l = e; l && l->op == OP_ARG; l = l->right) links.push_back(l);
    for (auto it = links.rbegin(); it != links.rend(); ++it) set_depth(*it);
}

void set_loop_depth(int depth) { state.loop_depth = depth; }
int loop_depth() { return state.loop_depth; }

void experr(std::string_view format, std::int32_t number, std::string_view text) {
    state.failed = true;
    if (!state.quiet) puterr(format, number, text);
}

bool set_expr_quiet(bool quiet) {
    bool was = state.quiet;
    state.quiet = quiet;
    return was;
}

bool expr_failed() { return state.failed; }
void experr_mark_failed() { state.failed = true; }

Expr* symbol_use(Symbol* sym) {
    count_use(sym);
    return symbol_leaf(sym);
}
void clear_expr_failed() {
    state.failed = false;
    state.deep_reported = false;
}

// ------------------------------------------------------------- helpers

Expr* makeconst(std::int64_t value, TypeNode* type) {
    Expr* e = new_expr(OP_LEAF, type);
    e->value = static_cast<std::int32_t>(static_cast<std::uint32_t>(reduce_to(value, type)));
    e->node_flags = NODE_NOT_LVALUE;
    return e;
}

Expr* makeconst(std::int32_t value) { return makeconst(static_cast<std::int64_t>(value), type_int()); }

Expr* real_leaf(double value, TypeNode* type) {
    Expr* e = new_expr(OP_LEAF, type);
    e->literal = real_constant(round_real(value, type));
    e->leaf_flags = LEAF_LITERAL | LEAF_MEMORY;
    e->node_flags = NODE_NOT_LVALUE;
    return e;
}

bool isconstint(const Expr* e) {
    if (!e->is_leaf() || e->sym || e->literal || e->storage) return false;
    std::uint8_t code = effective_code(e->type);
    return is_integer_code(code);
}

bool isconstreal(const Expr* e) { return e->is_leaf() && e->literal && e->literal->is_real; }

bool isconst(const Expr* e) {
    if (isconstreal(e)) return true;
    if (!e->is_leaf() || e->sym || e->literal || e->storage) return false;
    std::uint8_t code = effective_code(e->type);
    return is_integer_code(code) || code == T_POINTER;
}

bool isaddress(const Expr* e) {
    return e->is_leaf() && (e->sym || (e->literal && !e->literal->is_real)) && !(e->leaf_flags & LEAF_MEMORY);
}

std::int64_t const_value(const Expr* e) {
    std::uint8_t code = effective_code(e->type);
    if (code == T_POINTER || is_unsigned_code(code)) return static_cast<std::uint32_t>(e->value);
    return e->value;
}

double real_value(const Expr* e) {
    if (isconstreal(e)) return e->literal->real;
    std::int64_t v = const_value(e);
    return static_cast<double>(v);
}

bool is_relation(int op) { return op >= K_LT && op <= K_NE; }

int mirror_relation(int op) {
    switch (op) {
    case K_LT: return K_GT;
    case K_GT: return K_LT;
    case K_LE: return K_GE;
    case K_GE: return K_LE;
    default: return op;
    }
}

int negate_relation(int op) { return ((op - 1) ^ 1) + 1; }

Expr* negatecond(Expr* test) {
    if (is_relation(test->op)) {
        Expr* e = new_expr(negate_relation(test->op), test->type, test->left, test->right);
        return e;
    }
    if (test->op == K_ANDAND || test->op == K_OROR) {
        Expr* l = negatecond(test->left);
        Expr* r = negatecond(test->right);
        return bound_depth(new_expr(test->op == K_ANDAND ? K_OROR : K_ANDAND, test->type, l, r));
    }
    if (test->op == OP_COMMA) return new_expr(OP_COMMA, test->type, test->left, negatecond(test->right));
    if (isconst(test)) return makeconst(is_zero(test) ? 1 : 0);
    if (test->op == OP_NOT) return test->left;
    Expr* e = new_expr(OP_NOT, type_int(), test);
    e->node_flags |= NODE_NOT_LVALUE;
    return e;
}

bool sametree(const Expr* a, const Expr* b) {
    if (a == b) return true;
    if (!a || !b) return false;
    if (a->op != b->op || !sametype(a->type, b->type)) return false;
    if (a->is_leaf())
        return a->sym == b->sym && a->literal == b->literal && a->value == b->value &&
               a->leaf_flags == b->leaf_flags && a->storage == b->storage;
    return sametree(a->left, b->left) && sametree(a->right, b->right) && sametree(a->third, b->third);
}

bool side_effects(const Expr* e) {
    if (!e) return false;
    return e->is_leaf() ? own_effects(e) : (e->node_flags & NODE_EFFECTS) != 0;
}

bool is_lvalue(const Expr* e) {
    if (e->node_flags & NODE_NOT_LVALUE) return false;
    if (e->is_leaf()) return (e->leaf_flags & LEAF_MEMORY) && (e->sym || e->literal) && !e->storage;
    return e->op == OP_DEREF;
}

Expr* unary(int op, Expr* operand) { return make_unary(new_expr(op, nullptr, operand)); }
Expr* binary(int op, Expr* left, Expr* right) { return make_binary(new_expr(op, nullptr, left, right)); }
Expr* assign(int op, Expr* dest, Expr* value) { return make_assign(new_expr(op, nullptr, dest, value)); }
Expr* initialise(Expr* dest, Expr* value) { return make_assign(new_expr(K_ASSIGN, nullptr, dest, value), true); }
Expr* cast(TypeNode* type, Expr* operand) { return make_cast(new_expr(OP_CAST, type, operand)); }

// -------------------------------------------------------------- parser

Expr* parse_unary() {
    NestingGuard guard(state.nesting);
    if (!guard.ok()) {
        state.failed = true;
        return makeconst(0);
    }
    const Token& t = nexttoken();
    switch (t.kind) {
    case K_PLUS: return unary_plus(parse_unary());
    case K_MINUS: {
        // A constant right after the minus keeps the type the negation fits.
        int next = nexttoken().kind;
        ungettoken();
        Expr* operand = (next == K_INT_CONST || next == K_LONG_CONST) ? parse_postfix(true) : parse_unary();
        return unary(OP_NEG, operand);
    }
    case K_TILDE: return unary(OP_COMPL, parse_unary());
    case K_NOT: return unary(OP_NOT, parse_unary());
    case K_STAR: return unary(OP_DEREF, parse_unary());
    case K_AMP: return unary(OP_ADDR, parse_unary());
    case K_INC:
    case K_DEC: {
        // The token is read before the operand's tokens take its place.
        int op = t.kind == K_INC ? K_ADD_ASSIGN : K_SUB_ASSIGN;
        return assign(op, parse_unary(), nullptr);
    }
    case K_SIZEOF: return parse_sizeof();
    case K_LPAREN: {
        const Token& next = nexttoken();
        bool is_type = starts_typename(next.kind, next.name);
        ungettoken();
        if (is_type) {
            TypeNode* type = parse_typename();
            need(K_RPAREN);
            return cast(type, parse_unary());
        }
        ungettoken();
        return parse_postfix(false);
    }
    default: ungettoken(); return parse_postfix(false);
    }
}

namespace {

Expr* parse_binary(int min_level) {
    Expr* left = parse_unary();
    for (;;) {
        const Token& t = nexttoken();
        int level = binary_level(t.kind);
        if (level == 0 || level < min_level) {
            ungettoken();
            return left;
        }
        int op = t.kind;
        Expr* right = parse_binary(level + 1);
        left = binary(op, left, right);
    }
}

}  // namespace

Expr* parse_conditional() {
    Expr* test = parse_binary(3);
    if (nexttoken().kind != K_QUEST) {
        ungettoken();
        return test;
    }
    NestingGuard guard(state.nesting);
    if (!guard.ok()) {
        state.failed = true;
        return makeconst(0);
    }
    Expr* yes;
    if (ends_expression(nexttoken().kind)) {
        ungettoken();
        experr("missing ? test expression");
        yes = makeconst(0);
    } else {
        ungettoken();
        yes = parse_expression(false);
    }
    // Without the ':' the value if false is not read: the recovery skips it.
    Expr* no = need(K_COLON) ? parse_conditional() : makeconst(0);
    return make_conditional(test, yes, no);
}

Expr* parse_assignment() {
    Expr* left = parse_conditional();
    const Token& t = nexttoken();
    if (!is_assignment_op(t.kind)) {
        ungettoken();
        return left;
    }
    int op = t.kind;
    NestingGuard guard(state.nesting);
    if (!guard.ok()) {
        state.failed = true;
        return makeconst(0);
    }
    Expr* right = parse_assignment();
    return assign(op, left, right);
}

Expr* parse_expression(bool discarded) {
    NestingGuard guard(state.nesting);
    if (!guard.ok()) {
        state.failed = true;
        return makeconst(0);
    }
    Expr* e = parse_assignment();
    while (nexttoken().kind == K_COMMA) {
        if (discarded) e = drop_postfix(e);
        Expr* right = parse_assignment();
        e = make_comma(e, right);
    }
    ungettoken();
    if (discarded) e = drop_postfix(e);
    return e;
}

}  // namespace vy::cc
