// The narrowing pass keeps values: random expressions are evaluated before
// and after narrowing, over the same memory (big-endian, as on the 68HC11,
// every object at an address of its own, filled with random bytes), by a
// small evaluator of trees. The bits the consumer demands, and every byte
// the expression stores, must agree.
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/driver.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/lexer.h"
#include "ccparse/narrow.h"
#include "ccparse/tests/front_harness.h"
#include "ccparse/types.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

namespace {

using namespace vy::cc;

// Target memory (the objects lie in its first kilobyte, and every address
// wraps there) and the addresses of the objects.
struct Machine {
    static constexpr std::uint32_t mask = 0x3FF;
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(mask + 1);
    std::map<const Symbol*, std::uint32_t> address;

    std::uint64_t read(std::uint32_t at, int bytes) const {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | memory[(at + static_cast<std::uint32_t>(i)) & mask];
        return v;
    }
    void write(std::uint32_t at, int bytes, std::uint64_t v) {
        for (int i = bytes - 1; i >= 0; --i, v >>= 8)
            memory[(at + static_cast<std::uint32_t>(i)) & mask] = static_cast<std::uint8_t>(v);
    }
};


int unit_bytes(const TypeNode* t) { return static_cast<int>(type_size_quiet(t)); }

// A value of `type` from raw bits: reduced to its width, extended by its sign.
std::int64_t as_type(std::int64_t v, const TypeNode* type) {
    std::uint8_t code = effective_code(type);
    if (is_bitfield_code(code)) return v & ((std::int64_t{1} << type->bit_width) - 1);
    if (code == T_POINTER) return static_cast<std::uint16_t>(v);
    if (is_integer_code(code)) return reduce_to(v, type);
    return v;
}

class Evaluator {
public:
    explicit Evaluator(Machine& m) : m_(m) {}

    std::int64_t value(const Expr* e) {
        switch (e->op) {
        case OP_LEAF: {
            if (!(e->leaf_flags & LEAF_MEMORY)) return as_type(address(e), e->type);
            return load(address(e), e->type);
        }
        case OP_DEREF: return load(static_cast<std::uint32_t>(value(e->left)), e->type);
        case OP_CAST: return as_type(value(e->left), e->type);
        case OP_NEG: return as_type(-value(e->left), e->type);
        case OP_COMPL: return as_type(~value(e->left), e->type);
        case OP_NOT: return value(e->left) == 0;
        case OP_COMMA:
            value(e->left);
            return value(e->right);
        case OP_QUEST: return value(e->left) ? as_type(value(e->right), e->type) : as_type(value(e->third), e->type);
        case K_ANDAND: return value(e->left) && value(e->right);
        case K_OROR: return value(e->left) || value(e->right);
        case OP_POST_INC:
        case OP_POST_DEC: {
            std::int64_t old = value(e->left);
            std::int64_t step = value(e->right);
            store(e->left, e->op == OP_POST_INC ? old + step : old - step);
            return as_type(old, e->type);
        }
        default: break;
        }
        if (e->op == K_ASSIGN) {
            std::int64_t v = value(e->right);
            return as_type(store(e->left, v), e->type);
        }
        if (e->op >= K_ADD_ASSIGN && e->op <= K_OR_ASSIGN) {
            static const int base[] = {K_PLUS, K_MINUS, K_STAR, K_SLASH, K_PERCENT, K_SHL, K_SHR, K_AMP, K_CARET, K_PIPE};
            std::int64_t old = value(e->left);
            std::int64_t v = value(e->right);
            return as_type(store(e->left, arith(base[e->op - K_ADD_ASSIGN], old, v, e->left->type, e->right->type)),
                           e->type);
        }
        std::int64_t l = value(e->left);
        std::int64_t r = value(e->right);
        if (is_relation(e->op)) return compare(e->op, l, r);
        return as_type(arith(e->op, l, r, e->type, e->right->type), e->type);
    }

private:
    Machine& m_;

    std::uint32_t address(const Expr* e) {
        std::uint32_t base = e->sym ? m_.address.at(e->sym) : 0;
        return static_cast<std::uint32_t>(base + static_cast<std::uint32_t>(e->value)) & 0xFFFF;
    }

    std::int64_t load(std::uint32_t at, const TypeNode* type) {
        std::uint8_t code = effective_code(type);
        if (is_bitfield_code(code)) {
            std::uint64_t unit = m_.read(at, unit_bytes(type));
            return static_cast<std::int64_t>((unit >> type->bit_offset) & ((std::uint64_t{1} << type->bit_width) - 1));
        }
        int bytes = value_width(type);
        return as_type(static_cast<std::int64_t>(m_.read(at, bytes)), type);
    }

    std::int64_t store(const Expr* dest, std::int64_t v) {
        std::uint32_t at = dest->op == OP_DEREF ? static_cast<std::uint32_t>(value(dest->left)) & 0xFFFF : address(dest);
        const TypeNode* type = dest->type;
        if (is_bitfield_code(effective_code(type))) {
            int bytes = unit_bytes(type);
            std::uint64_t mask = ((std::uint64_t{1} << type->bit_width) - 1) << type->bit_offset;
            std::uint64_t unit = m_.read(at, bytes);
            unit = (unit & ~mask) | ((static_cast<std::uint64_t>(v) << type->bit_offset) & mask);
            m_.write(at, bytes, unit);
            return as_type(v, type);
        }
        m_.write(at, value_width(type), static_cast<std::uint64_t>(v));
        return as_type(v, type);
    }

    static std::int64_t compare(int op, std::int64_t l, std::int64_t r) {
        switch (op) {
        case K_LT: return l < r;
        case K_GE: return l >= r;
        case K_GT: return l > r;
        case K_LE: return l <= r;
        case K_EQ: return l == r;
        default: return l != r;
        }
    }

    // An operator in the width of `type`: a shift by the width or more
    // gives 0 or the sign, a division by zero 0.
    static std::int64_t arith(int op, std::int64_t l, std::int64_t r, const TypeNode* type, const TypeNode*) {
        int bits = 8 * value_width(type);
        switch (op) {
        case K_PLUS: return l + r;
        case K_MINUS: return l - r;
        case K_STAR: return static_cast<std::int64_t>(static_cast<std::uint64_t>(l) * static_cast<std::uint64_t>(r));
        case K_SLASH: return r == 0 ? 0 : l / r;
        case K_PERCENT: return r == 0 ? 0 : l % r;
        case K_AMP: return l & r;
        case K_PIPE: return l | r;
        case K_CARET: return l ^ r;
        case K_SHL: return r < 0 || r >= bits ? 0 : static_cast<std::int64_t>(static_cast<std::uint64_t>(l) << r);
        case K_SHR: return r < 0 || r >= bits ? (l < 0 ? -1 : 0) : l >> r;
        default: return 0;
        }
    }
};

Expr* deep_copy(const Expr* e) {
    if (!e) return nullptr;
    Expr* c = new_expr(e->op, e->type);
    *c = *e;
    c->left = deep_copy(e->left);
    c->right = deep_copy(e->right);
    c->third = deep_copy(e->third);
    return c;
}

const char* const decls =
    "int x, y, a[8]; char c; unsigned char u; unsigned w; long l; unsigned long ul; short sh;\n"
    "int *p; char *cp; long *pl;\n"
    "struct S { int i; char b; long m; unsigned f3:3, g5:5; unsigned b1:1; long lf:20; char cf:3; } s, *ps;\n";

std::string random_expression(std::mt19937& random, int depth) {
    static const char* const lvalues[] = {"x", "y", "c", "u", "w", "l", "ul", "sh", "a[1]", "a[u & 7]", "cp[u & 7]",
                                          "pl[c & 1]", "s.i", "s.b", "s.m", "s.f3", "s.g5", "s.b1", "s.lf", "s.cf",
                                          "ps->m", "ps->g5", "*p"};
    static const char* const binary_ops[] = {"+", "-", "*", "/", "%", "<<", ">>", "<", "<=", ">", ">=",
                                             "==", "!=", "&", "^", "|", "&&", "||"};
    static const char* const assign_ops[] = {"=", "+=", "-=", "*=", "&=", "^=", "|=", "<<=", ">>="};
    static const char* const types[] = {"char", "unsigned char", "int", "unsigned", "long", "unsigned long", "short"};
    static const char* const constants[] = {"0", "1", "3", "8", "15", "255", "0x8000", "65535", "0x12345678", "-1",
                                            "16", "24", "31", "7L", "0xFFu"};
    auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    if (depth <= 0 || pick(4) == 0) return pick(3) ? lvalues[pick(std::size(lvalues))] : constants[pick(std::size(constants))];
    switch (pick(10)) {
    case 9: {
        // A shift by a constant of an object in memory: the bytes that hold
        // the bits wanted may be read instead.
        static const char* const wide[] = {"l", "ul", "s.m", "ps->m", "pl[c & 1]", "x", "w", "a[2]", "*p"};
        static const char* const counts[] = {"8", "16", "24", "17", "20", "31", "4", "12"};
        return std::string("(") + wide[pick(std::size(wide))] + (pick(3) ? " >> " : " << ") + counts[pick(std::size(counts))] + ")";
    }
    case 0: return std::string("-~!"[pick(3)] == '-' ? "- " : pick(2) ? "~ " : "! ") + random_expression(random, depth - 1);
    case 1: return std::string("(") + types[pick(std::size(types))] + ")(" + random_expression(random, depth - 1) + ")";
    case 2:
        return "(" + random_expression(random, depth - 1) + " ? " + random_expression(random, depth - 1) + " : " +
               random_expression(random, depth - 1) + ")";
    case 3: {
        std::string op = assign_ops[pick(std::size(assign_ops))];
        std::string right = random_expression(random, depth - 1);
        if (op == "<<=" || op == ">>=") right = "(" + right + " & 15)";
        return "(" + std::string(lvalues[pick(std::size(lvalues))]) + " " + op + " " + right + ")";
    }
    case 4: return "(" + std::string(lvalues[pick(std::size(lvalues))]) + (pick(2) ? "++)" : "--)");
    default: {
        // Shift counts stay below 16 or are constants: a count of 256 or
        // more is not a value C gives a meaning to, and the count of a
        // shift of a byte is read as a byte.
        std::string op = binary_ops[pick(std::size(binary_ops))];
        std::string right = random_expression(random, depth - 1);
        if ((op == "<<" || op == ">>") && pick(3)) right = "(" + right + " & 15)";
        else if (op == "<<" || op == ">>") right = constants[pick(std::size(constants))];
        return "(" + random_expression(random, depth - 1) + " " + op + " " + right + ")";
    }
    }
}

TEST(Narrowing, ValuesAndStoresAgreeBeforeAndAfter) {
    const char* env = std::getenv("VY_NARROW_CASES");
    int count = env ? std::atoi(env) : 3000;
    std::mt19937 random(static_cast<unsigned>(std::getenv("VY_NARROW_SEED") ? std::atoi(std::getenv("VY_NARROW_SEED")) : 5));
    static const std::uint8_t demands[] = {0, T_CHAR, T_UCHAR, T_INT, T_UINT, T_LONG};
    static const char* const consumers[] = {"", "c = ", "u = ", "x = ", "w = ", "l = ", "s.g5 = ", "s.lf = "};

    std::string source = decls;
    std::vector<std::string> lines;
    std::vector<std::uint8_t> line_demand;
    for (int i = 0; i < count; ++i) {
        std::string consumer = consumers[random() % std::size(consumers)];
        lines.push_back(consumer + random_expression(random, 1 + static_cast<int>(random() % 4)));
        line_demand.push_back(consumer.empty() ? demands[random() % std::size(demands)] : 0);
        source += "expr: " + lines.back() + ";\n";
    }
    vytest::TempDir dir;
    dir.write("t.c", source);
    Machine machine;
    std::uint32_t next = 0x100;
    std::size_t line = 0;
    int checked = 0;
    vytest::InProcessRun run = vytest::run_in_process(dir, {}, [&] {
        for (;;) {
            const Token& t = nexttoken();
            if (t.kind == K_EOF) break;
            if (!(t.kind == K_IDENT && t.name->text == "expr")) {
                ungettoken();
                extdecl();
                continue;
            }
            expect(K_COLON);
            if (machine.address.empty()) {
                for (Symbol* sym = global_symbols(); sym; sym = sym->link) {
                    machine.address[sym] = next;
                    next += type_size_quiet(sym->type) + 2;
                }
            }
            std::size_t mark = expr_mark();
            Expr* tree = parse_expression(false);
            expect(K_SEMI);
            Expr* narrowed = deep_copy(tree);
            std::uint8_t demand = line_demand[line];
            narrow(narrowed, demand);
            for (int run = 0; run < 4; ++run) {
                for (auto& byte : machine.memory) byte = static_cast<std::uint8_t>(random());
                // The pointers point into the objects.
                for (const char* name : {"p", "cp", "pl", "ps"}) {
                    const Symbol* sym = global_symbol(intern(name));
                    const Symbol* target = global_symbol(intern(name[1] == 's' ? "s" : "a"));
                    machine.write(machine.address.at(sym), 2, machine.address.at(target) + (random() % 4));
                }
                Machine before = machine, after = machine;
                std::int64_t v1 = Evaluator(before).value(tree);
                std::int64_t v2 = Evaluator(after).value(narrowed);
                int width = demand == 0 ? 8 : demand < T_SHORT ? 1 : demand < T_LONG ? 2 : 4;
                std::uint64_t mask = width == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * width)) - 1;
                if (demand == 0) {
                    v1 = as_type(v1, tree->type);
                    v2 = as_type(v2, tree->type);
                }
                ASSERT_EQ(static_cast<std::uint64_t>(v1) & mask, static_cast<std::uint64_t>(v2) & mask)
                    << lines[line] << " (demand " << int(demand) << ")";
                ASSERT_TRUE(before.memory == after.memory) << lines[line];
            }
            ++checked;
            expr_release(mark);
            ++line;
        }
    });
    // Constant divisors 0 now and then: the only diagnostics.
    std::istringstream lines_out(run.errors);
    std::string others;
    for (std::string l; std::getline(lines_out, l);)
        if (l.find(") zero divide") == std::string::npos && l.find(") zero modulus") == std::string::npos) others += l + "\n";
    EXPECT_EQ(others, "");
    EXPECT_EQ(checked, count);
}

}  // namespace
