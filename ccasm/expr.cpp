// Expressions with relocatable values: primaries, unary and binary operators.
#include <climits>

#include "ccasm/asm.h"

namespace ccasm {
namespace {

int precedence(const Token& t) {
    if (t.kind != T_OP) return 0;
    switch (t.op) {
    case OP_MUL: case OP_DIV: case OP_MOD: return 14;
    case OP_PLUS: case OP_MINUS: return 13;
    case OP_SHL: case OP_SHR: return 12;
    case OP_LT: case OP_LE: case OP_GT: case OP_GE: return 11;
    case OP_EQ: case OP_NE: return 10;
    case OP_AND: return 9;
    case OP_XOR: return 8;
    case OP_OR: return 7;
    case OP_LAND: return 6;
    case OP_LOR: return 5;
    default: return 0;
    }
}

ExprValue absolute(int32_t v) {
    ExprValue r;
    r.value = v;
    return r;
}

bool rests_on_undefined(const ExprValue& v) {
    return v.relocatable() && v.base && !v.base->defined();
}

void bad_relocatable(Asm& a) { error(a, "bad relocatable expression"); }

ExprValue current_address(Asm& a) {
    Section& s = cursec(a);
    ExprValue v;
    v.value = static_cast<int32_t>(s.address());
    if (s.attr & SEC_ABS) return v;
    v.kind = (s.attr & SEC_LONG) ? VK_LONG : VK_REL;
    v.section = a.cur;
    return v;
}

ExprValue exprterm(Asm& a);

ExprValue parenthesised(Asm& a) {
    ExprValue v = getexpr(a);
    Token t = gettoken(a);
    if (t.kind != T_OP || t.op != OP_RPAREN) {
        error(a, "syntax error");
        if (t.kind == T_END) backtoken(a, t);
    }
    return v;
}

ExprValue low_byte(Asm& a, ExprValue v) {
    if (!v.relocatable()) return absolute(v.value & 0xFF);
    if (v.marks) bad_relocatable(a);
    v.kind = VK_BYTE;
    return v;
}

ExprValue opfunc(Asm& a, uint8_t f) {
    Token t = gettoken(a);  // the '(' that made the name an operator
    (void)t;
    if (f == F_STRLEN) {
        Token s = gettoken(a);
        ExprValue r;
        if (s.kind != T_STRING) {
            error(a, "syntax error");
            if (s.kind == T_END) backtoken(a, s);
            return r;
        }
        if (s.bad) error(a, "bad string constant");
        else if (s.too_long) error(a, "string constant too long");
        r.value = static_cast<int32_t>(s.text.size());
        Token c = gettoken(a);
        if (c.kind != T_OP || c.op != OP_RPAREN) {
            error(a, "syntax error");
            if (c.kind == T_END) backtoken(a, c);
        }
        return r;
    }
    ExprValue v = parenthesised(a);
    switch (f) {
    case F_HIGH:
        if (!v.relocatable()) return absolute((v.value >> 8) & 0xFF);
        if (v.marks) bad_relocatable(a);
        v.marks = MARK_HIGH;
        return v;
    case F_LOW:
        return low_byte(a, v);
    default:  // page
        if (!v.relocatable() || v.marks) bad_relocatable(a);
        v.marks = MARK_PAGE;
        return v;
    }
}

// Terms nest through parentheses, unary operators and functions: past this
// depth the expression is "nesting too deep" and the rest of the statement
// is dropped, so that no line, however deep, overflows the stack.
constexpr int MAX_TERM_DEPTH = 256;

ExprValue term(Asm& a);

ExprValue exprterm(Asm& a) {
    if (a.expr_depth >= MAX_TERM_DEPTH) {
        error(a, "nesting too deep");
        a.pos = a.line.size();
        a.nback = 0;
        return absolute(0);
    }
    ++a.expr_depth;
    ExprValue v = term(a);
    --a.expr_depth;
    return v;
}

ExprValue term(Asm& a) {
    Token t = gettoken(a);
    switch (t.kind) {
    case T_NUMBER:
        if (t.bad) error(a, "bad constant");
        return absolute(t.number);
    case T_STRING:
        if (t.bad) {
            error(a, "bad string constant");
            return absolute(0);
        }
        if (t.text.size() != 1) {
            error(a, "bad character constant");
            return absolute(0);
        }
        return absolute(static_cast<uint8_t>(t.text[0]));
    case T_NAME:
    case T_LOCAL: {
        Symbol* s = name_symbol(a, t);
        if (!s) return absolute(0);
        reference(a, s);
        return symbol_value(a, s);
    }
    case T_OPFUNC:
        return opfunc(a, t.op);
    case T_OP:
        switch (t.op) {
        case OP_MUL:
            return current_address(a);
        case OP_LPAREN:
            return parenthesised(a);
        case OP_LT:
            return low_byte(a, exprterm(a));
        case OP_GT:
            return exprterm(a);
        case OP_MINUS: case OP_PLUS: case OP_NOT: case OP_COMPL: {
            ExprValue v = exprterm(a);
            if (v.relocatable()) {
                bad_relocatable(a);
                v = absolute(v.value);
            }
            uint32_t u = static_cast<uint32_t>(v.value);
            if (t.op == OP_MINUS) u = 0u - u;
            else if (t.op == OP_NOT) u = u == 0;
            else if (t.op == OP_COMPL) u = ~u;
            v.value = static_cast<int32_t>(u);
            v.base = nullptr;
            return v;
        }
        default:
            break;
        }
        break;
    default:
        break;
    }
    error(a, "syntax error");
    if (t.kind == T_END) backtoken(a, t);
    return absolute(0);
}

ExprValue combine(Asm& a, uint8_t op, ExprValue l, const ExprValue& r) {
    uint32_t x = static_cast<uint32_t>(l.value), y = static_cast<uint32_t>(r.value);
    if (op == OP_PLUS) {
        if (l.relocatable() && r.relocatable()) {
            bad_relocatable(a);
            return absolute(static_cast<int32_t>(x + y));
        }
        ExprValue res = r.relocatable() ? r : l;
        if (res.relocatable() && res.marks) bad_relocatable(a);
        if (!res.relocatable()) res.base = nullptr;
        res.value = static_cast<int32_t>(x + y);
        return res;
    }
    if (op == OP_MINUS) {
        if (r.relocatable()) {
            if (l.relocatable() && l.section == r.section && l.section >= 0 && !l.marks && !r.marks &&
                !rests_on_undefined(l) && !rests_on_undefined(r))
                return absolute(static_cast<int32_t>(x - y));
            bad_relocatable(a);
            return absolute(static_cast<int32_t>(x - y));
        }
        if (l.relocatable() && l.marks) bad_relocatable(a);
        if (!l.relocatable()) l.base = nullptr;
        l.value = static_cast<int32_t>(x - y);
        return l;
    }
    if (l.relocatable() || r.relocatable()) bad_relocatable(a);
    int32_t sx = static_cast<int32_t>(x), sy = static_cast<int32_t>(y);
    uint32_t res = 0;
    switch (op) {
    case OP_MUL: res = x * y; break;
    case OP_DIV:
        if (y == 0) { error(a, "zero divide"); break; }
        if (sx == INT32_MIN && sy == -1) res = x;
        else res = static_cast<uint32_t>(sx / sy);
        break;
    case OP_MOD:
        if (y == 0) { error(a, "zero divide"); break; }
        res = x % y;
        break;
    case OP_SHL: res = y >= 32 ? 0 : x << y; break;
    case OP_SHR: res = y >= 32 ? 0 : x >> y; break;
    case OP_LT: res = sx < sy; break;
    case OP_LE: res = sx <= sy; break;
    case OP_GT: res = sx > sy; break;
    case OP_GE: res = sx >= sy; break;
    case OP_EQ: res = x == y; break;
    case OP_NE: res = x != y; break;
    case OP_AND: res = x & y; break;
    case OP_XOR: res = x ^ y; break;
    case OP_OR: res = x | y; break;
    case OP_LAND: res = x && y; break;
    case OP_LOR: res = x || y; break;
    default: break;
    }
    return absolute(static_cast<int32_t>(res));
}

bool may_be_operator(char c) {
    switch (c) {
    case '*': case '/': case '%': case '+': case '-': case '<': case '>': case '=': case '!':
    case '&': case '^': case '|': case '\x01':
        return true;
    default:
        return false;
    }
}

ExprValue exprbinop(Asm& a, int min_prec) {
    ExprValue left = exprterm(a);
    for (;;) {
        if (!may_be_operator(next_char(a))) return left;
        Token t = gettoken(a);
        int prec = precedence(t);
        if (prec == 0 || prec < min_prec) {
            backtoken(a, t);
            return left;
        }
        ExprValue right = exprbinop(a, prec + 1);
        left = combine(a, t.op, left, right);
    }
}

}  // namespace

ExprValue getexpr(Asm& a) { return exprbinop(a, 1); }

bool getabs(Asm& a, int32_t& value) {
    ExprValue v = getexpr(a);
    value = v.value;
    if (v.relocatable()) {
        error(a, "relocatable expression not allowed");
        return false;
    }
    return true;
}

}  // namespace ccasm
