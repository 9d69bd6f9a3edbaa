// A constant-expression evaluator over the lexer's tokens. Values carry
// their type; every result is reduced to its type's width.
#include "ccparse/constexpr.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/lexer.h"
#include "ccparse/nesting.h"
#include "ccparse/types.h"

#include <cmath>

namespace vy::cc {

namespace {

struct Value {
    bool constant = true;
    bool real = false;
    std::int64_t i = 0;  // integers, canonical for their type
    double d = 0;
    const TypeNode* type = nullptr;
    bool missing = false;  // no operand at all
};

struct EvalState {
    Nesting depth;
    bool quiet = false;
    bool failed = false;  // a syntax error
    int stop = K_EOF;
};

EvalState eval;

void report(const char* message) {
    eval.failed = true;
    if (!eval.quiet) puterr(message);
}

std::uint8_t code_of(const Value& v) { return effective_code(v.type); }

std::int64_t reduce(std::int64_t x, std::uint8_t code) {
    switch (code) {
    case T_CHAR: return static_cast<std::int8_t>(x);
    case T_UCHAR:
    case T_CHAR_FIELD:
    case T_INTERNAL1: return static_cast<std::uint8_t>(x);
    case T_SHORT:
    case T_INT: return static_cast<std::int16_t>(x);
    case T_USHORT:
    case T_UINT:
    case T_SHORT_FIELD:
    case T_INT_FIELD: return static_cast<std::uint16_t>(x);
    case T_LONG: return static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
    default: return static_cast<std::uint32_t>(x);  // unsigned long, pointers
    }
}

Value make_int(std::int64_t x, const TypeNode* type) {
    Value v;
    v.type = type;
    v.i = reduce(x, effective_code(type));
    return v;
}

Value non_constant(const TypeNode* type) {
    Value v;
    v.constant = false;
    v.type = type;
    return v;
}

// A relation between two values of one type.
template <typename T>
bool compare(int op, T x, T y) {
    switch (op) {
    case K_EQ: return x == y;
    case K_NE: return x != y;
    case K_LT: return x < y;
    case K_GT: return x > y;
    case K_LE: return x <= y;
    default: return x >= y;
    }
}

bool is_real_code(std::uint8_t code) { return code >= T_SHORT_REAL && code <= T_LDOUBLE; }

// The integer promotions: narrow types become int (unsigned short unsigned int).
Value promote(Value v) {
    std::uint8_t code = code_of(v);
    if (v.real || is_real_code(code)) return v;
    if (code == T_CHAR || code == T_UCHAR || code == T_SHORT || code == T_CHAR_FIELD || code == T_SHORT_FIELD ||
        code == T_INTERNAL1) {
        v.type = type_int();
    } else if (code == T_USHORT || code == T_INT_FIELD) {
        v.type = type_uint();
    } else if (code == T_LONG_FIELD) {
        v.type = type_ulong();
    }
    if (v.constant) v.i = reduce(v.i, code_of(v));
    return v;
}

double as_double(const Value& v) { return v.real ? v.d : static_cast<double>(v.i); }

std::int64_t double_to_int(double d) {
    if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18) return 0;
    return static_cast<std::int64_t>(d);
}

Value convert(Value v, const TypeNode* type) {
    std::uint8_t code = effective_code(type);
    if (!v.constant) return non_constant(type);
    if (is_real_code(code)) {
        Value r;
        r.real = true;
        r.d = as_double(v);
        r.type = type;
        return r;
    }
    if (code == T_VOID) return non_constant(type);
    std::int64_t x = v.real ? double_to_int(v.d) : v.i;
    return make_int(x, type);
}

const TypeNode* common_type(const Value& a, const Value& b) {
    return code_of(a) >= code_of(b) ? a.type : b.type;
}

class Parser {
public:
    Value conditional() {
        NestingGuard guard(eval.depth);
        if (!guard.ok()) {
            eval.failed = true;
            return non_constant(type_int());
        }
        Value test = binary(3);
        if (nexttoken().kind != K_QUEST) {
            ungettoken();
            return test;
        }
        Value yes = conditional();
        if (!expect_quiet(K_COLON)) return yes;
        Value no = conditional();
        yes = promote(yes);
        no = promote(no);
        const TypeNode* type = common_type(yes, no);
        if (!test.constant) return non_constant(type);
        bool truth = test.real ? test.d != 0 : test.i != 0;
        return convert(truth ? yes : no, type);
    }

private:
    bool expect_quiet(int kind) {
        if (nexttoken().kind == kind) return true;
        ungettoken();
        report("invalid constant expression");
        return false;
    }

    // Binary operators by precedence level: 3 ||, 4 &&, 5 |, 6 ^, 7 &,
    // 8 == !=, 9 relations, 10 shifts, 11 + -, 12 * / %.
    static int level_of(int kind) {
        switch (kind) {
        case K_OROR: return 3;
        case K_ANDAND: return 4;
        case K_PIPE: return 5;
        case K_CARET: return 6;
        case K_AMP: return 7;
        case K_EQ:
        case K_NE: return 8;
        case K_LT:
        case K_GT:
        case K_LE:
        case K_GE: return 9;
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

    Value binary(int level) {
        if (level > 12) return unary();
        Value left = binary(level + 1);
        for (;;) {
            int op = nexttoken().kind;
            if (level_of(op) != level) {
                ungettoken();
                return left;
            }
            Value right = binary(level + 1);
            left = apply(op, left, right);
        }
    }

    Value apply(int op, Value a, Value b) {
        if (a.missing || b.missing) return a.missing ? a : b;
        if (op == K_ANDAND || op == K_OROR) {
            if (!a.constant || !b.constant) return non_constant(type_int());
            bool x = a.real ? a.d != 0 : a.i != 0;
            bool y = b.real ? b.d != 0 : b.i != 0;
            return make_int(op == K_ANDAND ? (x && y) : (x || y), type_int());
        }
        a = promote(a);
        b = promote(b);
        const TypeNode* type = (op == K_SHL || op == K_SHR) ? a.type : common_type(a, b);
        bool relation = op == K_EQ || op == K_NE || op == K_LT || op == K_GT || op == K_LE || op == K_GE;
        if (!a.constant || !b.constant) return non_constant(relation ? type_int() : type);
        if (a.real || b.real || is_real_code(effective_code(type))) {
            double x = as_double(a), y = as_double(b);
            switch (op) {
            case K_PLUS: return convert(real_value(x + y), type);
            case K_MINUS: return convert(real_value(x - y), type);
            case K_STAR: return convert(real_value(x * y), type);
            case K_SLASH:
                if (y == 0) {
                    zero("zero divide");
                    return make_int(0, type_int());
                }
                return convert(real_value(x / y), type);
            default:
                if (relation) return make_int(compare(op, x, y), type_int());
                return non_constant(type);  // no integer operator applies
            }
        }
        std::uint8_t code = effective_code(type);
        bool is_unsigned = is_unsigned_code(code);
        std::int64_t x = reduce(a.i, code), y = reduce(b.i, code);
        int width = code >= T_LONG ? 32 : 16;
        switch (op) {
        case K_PLUS: return make_int(x + y, type);
        case K_MINUS: return make_int(x - y, type);
        case K_STAR: return make_int(static_cast<std::int64_t>(static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(y)), type);
        case K_SLASH:
        case K_PERCENT:
            if (y == 0) {
                zero(op == K_SLASH ? "zero divide" : "zero modulus");
                return make_int(0, type);
            }
            return make_int(op == K_SLASH ? x / y : x % y, type);
        case K_AMP: return make_int(x & y, type);
        case K_PIPE: return make_int(x | y, type);
        case K_CARET: return make_int(x ^ y, type);
        case K_SHL:
        case K_SHR: {
            std::uint64_t count = static_cast<std::uint64_t>(reduce(b.i, effective_code(b.type)));
            if (!is_unsigned_code(effective_code(b.type)) && reduce(b.i, effective_code(b.type)) < 0) count = 64;
            if (count >= static_cast<std::uint64_t>(width))
                return make_int(op == K_SHR && !is_unsigned && x < 0 ? -1 : 0, type);
            if (op == K_SHL) return make_int(static_cast<std::int64_t>(static_cast<std::uint64_t>(x) << count), type);
            return make_int(x >> count, type);
        }
        default:
            if (relation) return make_int(compare(op, x, y), type_int());
            return non_constant(type);
        }
    }

    static Value real_value(double d) {
        Value v;
        v.real = true;
        v.d = d;
        v.type = type_double();
        return v;
    }

    void zero(const char* message) {
        // Division by zero is the program's error even where no other
        // message is given.
        puterr(message);
    }

    Value unary() {
        NestingGuard guard(eval.depth);
        if (!guard.ok()) {
            eval.failed = true;
            return non_constant(type_int());
        }
        const Token& t = nexttoken();
        switch (t.kind) {
        case K_PLUS: return promote(unary());
        case K_MINUS: {
            // -32768 and -2147483648 keep the type that the negation fits.
            const Token& next = nexttoken();
            int kind = next.kind;
            std::uint32_t bits = static_cast<std::uint32_t>(next.value);
            ungettoken();
            if (kind == K_INT_CONST && bits == 32768) {
                nexttoken();
                return make_int(-32768, type_int());
            }
            if (kind == K_LONG_CONST && bits == 0x80000000u) {
                nexttoken();
                return make_int(-2147483648LL, type_long());
            }
            Value v = promote(unary());
            if (!v.constant || v.missing) return v;
            if (v.real) return real_value(-v.d);
            return make_int(-v.i, v.type);
        }
        case K_TILDE: {
            Value v = promote(unary());
            if (!v.constant || v.missing) return v;
            if (v.real) return non_constant(v.type);
            return make_int(~v.i, v.type);
        }
        case K_NOT: {
            Value v = unary();
            if (!v.constant || v.missing) return non_constant(type_int());
            return make_int(v.real ? v.d == 0 : v.i == 0, type_int());
        }
        case K_STAR: {
            Value v = unary();
            const TypeNode* type = v.type;
            if (type && (type->code == T_POINTER || type->code == T_ARRAY)) type = type->base;
            return non_constant(type ? type : type_int());
        }
        case K_AMP: {
            Value v = unary();
            TypeNode* pointer = newtype(T_POINTER, const_cast<TypeNode*>(v.type ? v.type : type_int()));
            return non_constant(pointer);
        }
        case K_SIZEOF: return size_of();
        case K_LPAREN: {
            const Token& next = nexttoken();
            bool is_type = starts_typename(next.kind, next.name);
            ungettoken();
            if (is_type) {
                TypeNode* type = parse_typename();
                if (!expect_quiet(K_RPAREN)) return non_constant(type_int());
                return convert(unary(), type);
            }
            ungettoken();
            return postfix();
        }
        default:
            ungettoken();
            return postfix();
        }
    }

    Value size_of() {
        const Token& t = nexttoken();
        const TypeNode* type = nullptr;
        if (t.kind == K_LPAREN) {
            const Token& next = nexttoken();
            bool is_type = starts_typename(next.kind, next.name);
            ungettoken();
            if (is_type) {
                type = parse_typename();
                expect_quiet(K_RPAREN);
            } else {
                ungettoken();
                type = unary().type;
            }
        } else {
            ungettoken();
            type = unary().type;
        }
        if (!type) type = type_int();
        if (is_bitfield_code(type->code)) {
            if (!eval.quiet) puterr("invalid sizeof(type)");
            eval.failed = true;
        }
        return make_int(ctypesize(type), type_uint());
    }

    Value postfix() {
        Value v = primary();
        for (;;) {
            const Token& t = nexttoken();
            if (t.kind == K_LBRACKET) {
                conditional();
                expect_quiet(K_RBRACKET);
                const TypeNode* type = v.type;
                v = non_constant(type && (type->code == T_ARRAY || type->code == T_POINTER) ? type->base : type_int());
            } else if (t.kind == K_DOT || t.kind == K_ARROW) {
                const TypeNode* type = v.type;
                if (t.kind == K_ARROW && type && (type->code == T_POINTER || type->code == T_ARRAY)) type = type->base;
                const Token& member = nexttoken();
                const TypeNode* found = nullptr;
                if (member.kind == K_IDENT && type && (type->code == T_STRUCT || type->code == T_UNION))
                    for (const Symbol* m = type->members; m; m = m->link)
                        if (m->name == member.name) found = m->type;
                if (!found) report("invalid constant expression");
                v = non_constant(found ? found : type_int());
            } else {
                ungettoken();
                return v;
            }
        }
    }

    Value primary() {
        const Token& t = nexttoken();
        switch (t.kind) {
        case K_INT_CONST:
            // A decimal 32768 that no minus precedes is a long.
            if (static_cast<std::uint32_t>(t.value) == 32768) return make_int(32768, type_long());
            return make_int(t.value, type_int());
        case K_UINT_CONST: return make_int(static_cast<std::uint32_t>(t.value), type_uint());
        case K_LONG_CONST:
            if (static_cast<std::uint32_t>(t.value) == 0x80000000u) return make_int(0x80000000LL, type_ulong());
            return make_int(t.value, type_long());
        case K_ULONG_CONST: return make_int(static_cast<std::uint32_t>(t.value), type_ulong());
        case K_SHORT_REAL:
        case K_FLOAT_CONST:
        case K_DOUBLE_CONST:
        case K_LDOUBLE_CONST: {
            Value v = real_value(t.constant ? t.constant->real : 0);
            v.type = t.kind == K_FLOAT_CONST ? type_float() : t.kind == K_LDOUBLE_CONST ? type_ldouble() : type_double();
            return v;
        }
        case K_STRING: {
            TypeNode* array = newtype(T_ARRAY, type_char());
            array->count = static_cast<std::uint32_t>(t.constant ? t.constant->bytes.size() + 1 : 1);
            return non_constant(array);
        }
        case K_IDENT: {
            std::int32_t value = 0;
            if (enum_constant_value(t.name->str(), &value)) return make_int(value, type_int());
            Symbol* sym = global_symbol(t.name);
            return non_constant(sym ? sym->type : type_int());
        }
        case K_LPAREN: {
            Value v = conditional();
            expect_quiet(K_RPAREN);
            return v;
        }
        default: {
            ungettoken();
            Value v;
            v.missing = true;
            v.constant = false;
            v.type = type_int();
            return v;
        }
        }
    }
};

bool evaluate(std::int32_t* value, bool required, bool quiet) {
    EvalState saved = eval;
    eval = EvalState{};
    eval.depth = saved.depth;
    eval.quiet = quiet;
    Parser parser;
    Value v = parser.conditional();
    bool ok = !eval.failed;
    if (v.missing) {
        if (required && !quiet) puterr("missing expression");
        ok = false;
    } else if (ok && (!v.constant || v.real)) {
        if (!quiet) puterr("invalid constant expression");
        ok = false;
    }
    if (ok) *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v.i));
    eval = saved;
    return ok;
}

}  // namespace

bool constant_expression(std::int32_t* value, bool required) { return evaluate(value, required, false); }

bool quiet_constant_expression(std::int32_t* value) { return evaluate(value, true, true); }

bool if_expression(TokenList& tokens, std::int32_t* value) {
    settokens(&tokens);
    bool ok = evaluate(value, true, true);
    eval.stop = settokens(nullptr);
    return ok;
}

int last_stop_kind() { return eval.stop; }

}  // namespace vy::cc
