// Constant folding against the host compiler: random constant expressions
// (decimal, octal, hexadecimal, binary and character literals, casts, every
// operator including ?: and the comma, shifts by 0 to 40, divisions by zero
// on purpose) are folded by ccparse as initialisers of char, unsigned char,
// short, int, unsigned, long and unsigned long objects, and evaluated by a C
// program that the host compiler builds, in int8_t, uint8_t, int16_t,
// uint16_t, int32_t and uint32_t. The host has a 32-bit int, so each
// operation is written with the conversions C makes when int is 16 bits:
// the program casts every operand to the operation's type and the result
// to the node's type; the arithmetic, the conversions, the comparisons and
// the order of evaluation are the host's. Where C leaves a result undefined
// the program applies this system's rule: a division by zero is an error, a
// shift by the width or more gives 0 (or the sign), INT_MIN / -1 is INT_MIN.
//
// VY_FOLD_CASES and VY_FOLD_SEED change the number of cases and the seed;
// VY_FOLD_TRACE names a directory that receives the generated sources.
// Native only.
#include "ccparse/tests/front_harness.h"
#include "ccparse/tests/host_tools.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

// The integer types of the target (int 16 bits, long 32).
enum Type { SCHAR, UCHAR, SHORT, USHORT, INT, UINT, LONG, ULONG };

struct TypeRow {
    const char* ours;  // as ccparse reads it
    const char* host;  // the host's type of the same width and signedness
    int bits;
    bool is_signed;
};
const TypeRow types[] = {
    {"char", "int8_t", 8, true},          {"unsigned char", "uint8_t", 8, false},
    {"short", "int16_t", 16, true},       {"unsigned short", "uint16_t", 16, false},
    {"int", "int16_t", 16, true},         {"unsigned", "uint16_t", 16, false},
    {"long", "int32_t", 32, true},        {"unsigned long", "uint32_t", 32, false},
};

// The integer promotions and the usual arithmetic conversions of C with a
// 16-bit int and a 32-bit long.
Type promote(Type t) {
    if (t == SCHAR || t == UCHAR || t == SHORT) return INT;
    if (t == USHORT) return UINT;
    return t;
}

Type usual(Type a, Type b) {
    a = promote(a);
    b = promote(b);
    if (a == ULONG || b == ULONG) return ULONG;
    if (a == LONG || b == LONG) return LONG;  // a long holds every unsigned int
    if (a == UINT || b == UINT) return UINT;
    return INT;
}

// The helper the host program calls for an operator, by the operation type.
const char* helper_suffix(Type t) {
    switch (t) {
    case INT: return "s16";
    case UINT: return "u16";
    case LONG: return "s32";
    default: return "u32";
    }
}

const char* const host_prelude = R"(#include <stdint.h>
#include <stdio.h>
static int zd;
#define DIVISION(N, T) \
  static T div_##N(T a, T b) { if (!b) { zd = 1; return 0; } if (b == (T)-1 && (T)-1 < 0) return (T)(0 - (uint64_t)a); return (T)(a / b); } \
  static T mod_##N(T a, T b) { if (!b) { zd = 1; return 0; } if (b == (T)-1 && (T)-1 < 0) return 0; return (T)(a % b); }
#define SHIFTS(N, T, BITS) \
  static T shl_##N(T a, long long n) { if (n < 0 || n >= BITS) return 0; return (T)((uint64_t)a << n); } \
  static T shr_##N(T a, long long n) { if (n < 0 || n >= BITS) return a < 0 ? (T)-1 : 0; return (T)(a >> n); }
DIVISION(s16, int16_t) DIVISION(u16, uint16_t) DIVISION(s32, int32_t) DIVISION(u32, uint32_t)
SHIFTS(s16, int16_t, 16) SHIFTS(u16, uint16_t, 16) SHIFTS(s32, int32_t, 32) SHIFTS(u32, uint32_t, 32)
)";

// One generated expression: its text for ccparse, its text for the host
// (an expression of the host type of `type`), its type and its precedence
// (16 primary, 14 unary, 12 to 3 the binary levels, 2 ?:).
struct Gen {
    std::string ours;
    std::string host;
    Type type;
    int prec;
};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    Gen expression(int depth) { return node(depth, false); }
    Type declared_type() { return static_cast<Type>(pick(8)); }

private:
    std::mt19937 random_;

    unsigned pick(unsigned n) { return static_cast<unsigned>(random_() % n); }

    static std::string in_host_type(const Gen& g, Type t) {
        return std::string("((") + types[t].host + ")(" + g.host + "))";
    }
    static std::string wrap(const Gen& g, int prec) { return g.prec >= prec ? g.ours : "(" + g.ours + ")"; }

    // A literal; `after_minus` when it stands right after a unary minus.
    Gen literal(bool after_minus) {
        static const std::uint32_t values[] = {0,     1,     2,     3,      7,          8,          15,
                                               16,    31,    127,   128,    255,        256,        1000,
                                               32767, 32768, 32769, 65535,  65536,      100000,     0x7FFFFFFF,
                                               0x80000000u, 0xFFFFFFFFu, 40000, 0x8000, 0xFFFF, 12345, 0x12345678};
        std::uint32_t v;
        switch (pick(4)) {
        case 0: v = random_() & 0xFFFF; break;
        case 1: v = random_(); break;
        default: v = values[pick(std::size(values))]; break;
        }
        unsigned form = pick(10);
        if (form == 0 && v < 128) {
            // A character constant.
            char text[16];
            if (v >= 32 && v < 127 && v != '\'' && v != '\\')
                std::snprintf(text, sizeof text, "'%c'", static_cast<char>(v));
            else
                std::snprintf(text, sizeof text, "'\\%o'", v);
            return {text, std::string("((int16_t)(") + text + "))", INT, 16};
        }
        if (form == 1) return {"'\\377'", "((int16_t)('\\377'))", INT, 16};
        bool decimal = form >= 5;
        char digits[48];
        if (decimal)
            std::snprintf(digits, sizeof digits, "%" PRIu32, v);
        else if (form == 2)
            std::snprintf(digits, sizeof digits, "0%" PRIo32, v);
        else if (form == 3 && v < 0x10000) {
            std::string bits;
            for (std::uint32_t b = v; b; b >>= 1) bits.insert(bits.begin(), static_cast<char>('0' + (b & 1)));
            std::snprintf(digits, sizeof digits, "0b%s", bits.empty() ? "0" : bits.c_str());
        } else
            std::snprintf(digits, sizeof digits, "0x%" PRIX32, v);
        if (std::string(digits) == "00") std::snprintf(digits, sizeof digits, "0");
        bool u = false, l = false;
        switch (pick(12)) {
        case 0: u = true; break;
        case 1: l = true; break;
        case 2: u = l = true; break;
        default: break;
        }
        std::string text = std::string(digits) + (u ? "u" : "") + (l ? "L" : "");
        Type t;
        if (u && l) t = ULONG;
        else if (u) t = v > 65535 ? ULONG : UINT;
        else if (l) t = (v & 0x80000000u) ? ULONG : LONG;
        else if (v <= 32767) t = INT;
        else if (decimal && v == 32768) t = after_minus ? INT : LONG;  // -32768 is an int
        else if (!decimal && v <= 65535) t = UINT;
        else if (v < 0x80000000u) t = LONG;
        else if (v == 0x80000000u) t = after_minus ? LONG : ULONG;  // -2147483648 is a long
        else t = ULONG;
        // The host reads the same digits (0b is a GNU C extension) and takes
        // the value as that type.
        std::string host = std::string("((") + types[t].host + ")(" + digits + "ull))";
        return {text, host, t, 16};
    }

    Gen shift_count() {
        unsigned n = pick(41);
        switch (pick(6)) {
        case 0: return {std::to_string(n) + "L", std::string("((int32_t)") + std::to_string(n) + ")", LONG, 16};
        case 1: return {std::to_string(n) + "u", std::string("((uint16_t)") + std::to_string(n) + ")", UINT, 16};
        default: return {std::to_string(n), std::string("((int16_t)") + std::to_string(n) + ")", INT, 16};
        }
    }

    Gen node(int depth, bool after_minus) {
        if (depth <= 0 || pick(10) < 2) return literal(after_minus);
        unsigned choice = pick(100);
        if (choice < 14) return unary(depth);
        if (choice < 24) return cast(depth);
        if (choice < 30) return conditional(depth);
        if (choice < 33) return comma(depth);
        return binary(depth);
    }

    Gen unary(int depth) {
        static const char* const ops[] = {"-", "~", "!", "+"};
        std::string op = ops[pick(4)];
        Gen x = node(depth - 1, op == "-");
        if (op == "!")
            return {"!" + wrap(x, 14), "((int16_t)(!" + x.host + "))", INT, 14};
        Type t = promote(x.type);
        std::string operand = wrap(x, 14);
        if (operand[0] == '-' || operand[0] == '+') operand = " " + operand;
        std::string value = in_host_type(x, t);
        std::string host;
        if (op == "-")
            host = std::string("((") + types[t].host + ")(0 - (uint64_t)" + value + "))";
        else if (op == "~")
            host = std::string("((") + types[t].host + ")(~(uint64_t)" + value + "))";
        else
            host = value;
        return {op + operand, host, t, 14};
    }

    Gen cast(int depth) {
        Type t = static_cast<Type>(pick(8));
        Gen x = node(depth - 1, false);
        return {std::string("(") + types[t].ours + ")" + wrap(x, 14), in_host_type(x, t), t, 14};
    }

    Gen conditional(int depth) {
        Gen c = node(depth - 1, false), a = node(depth - 1, false), b = node(depth - 1, false);
        Type t = usual(a.type, b.type);
        std::string host = std::string("((") + types[t].host + ")((" + c.host + ") ? " + in_host_type(a, t) + " : " +
                           in_host_type(b, t) + "))";
        return {wrap(c, 3) + " ? " + a.ours + " : " + wrap(b, 2), host, t, 2};
    }

    Gen comma(int depth) {
        Gen a = node(depth - 1, false), b = node(depth - 1, false);
        return {"(" + wrap(a, 2) + ", " + wrap(b, 2) + ")", "((void)(" + a.host + "), " + b.host + ")", b.type, 16};
    }

    Gen binary(int depth) {
        struct Op {
            const char* text;
            int prec;
        };
        static const Op ops[] = {{"*", 12},  {"/", 12},  {"%", 12}, {"+", 11},  {"-", 11},  {"<<", 10}, {">>", 10},
                                 {"<", 9},   {"<=", 9},  {">", 9},  {">=", 9},  {"==", 8},  {"!=", 8},  {"&", 7},
                                 {"^", 6},   {"|", 5},   {"&&", 4}, {"||", 3}};
        const Op& op = ops[pick(std::size(ops))];
        std::string o = op.text;
        Gen a = node(depth - 1, false);
        if (o == "<<" || o == ">>") {
            Gen n = pick(4) ? shift_count() : node(0, false);
            Type t = promote(a.type);
            std::string host = std::string(o == "<<" ? "shl_" : "shr_") + helper_suffix(t) + "(" + in_host_type(a, t) +
                               ", (long long)(" + n.host + "))";
            return {wrap(a, op.prec) + " " + o + " " + wrap(n, op.prec + 1), host, t, op.prec};
        }
        Gen b = node(depth - 1, false);
        if (o == "/" || o == "%") {
            // Divisions by zero now and then on purpose.
            if (pick(8) == 0) b = {"0", "((int16_t)0)", INT, 16};
        }
        std::string ours = wrap(a, op.prec) + " " + o + " " + wrap(b, op.prec + 1);
        if (o == "&&" || o == "||")
            return {ours, "((int16_t)((" + a.host + ") " + o + " (" + b.host + ")))", INT, op.prec};
        Type t = usual(a.type, b.type);
        std::string x = in_host_type(a, t), y = in_host_type(b, t);
        if (op.prec == 9 || op.prec == 8) return {ours, "((int16_t)(" + x + " " + o + " " + y + "))", INT, op.prec};
        if (o == "/" || o == "%")
            return {ours, std::string(o == "/" ? "div_" : "mod_") + helper_suffix(t) + "(" + x + ", " + y + ")", t,
                    op.prec};
        return {ours, std::string("((") + types[t].host + ")((uint64_t)" + x + " " + o + " (uint64_t)" + y + "))", t,
                op.prec};
    }
};

int setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

struct Case {
    std::string source_line;  // "T vN = expression;"
    std::string expected;     // the 137 item's value, or "Z" for a division by zero
    Type declared;
};

// The value each initialiser's 137 record holds, by object name.
std::map<std::string, std::string> int_items(const std::vector<std::string>& ir) {
    std::map<std::string, std::string> values;
    std::string name;
    for (const std::string& line : ir) {
        if (line.rfind("131 declare", 0) == 0) {
            std::size_t at = line.find("name=\"") + 6;
            name = line.substr(at, line.find('"', at) - at);
        } else if (line.rfind("137 int", 0) == 0 && !name.empty()) {
            values[name] = line.substr(line.find("value=0x") + 8);
            name.clear();
        }
    }
    return values;
}

TEST(FoldOracle, ConstantExpressionsAgreeWithTheHostCompiler) {
    if (!vytest::have("cc")) GTEST_SKIP() << "no host compiler";
    int count = setting("VY_FOLD_CASES", 3000);
    Generator generator(static_cast<unsigned>(setting("VY_FOLD_SEED", 1101)));

    std::vector<Case> cases;
    std::string program = std::string(host_prelude) + "int main(void) {\n";
    for (int i = 0; i < count; ++i) {
        Gen g = generator.expression(1 + static_cast<int>(i % 5));
        Type d = generator.declared_type();
        std::string name = "v" + std::to_string(i);
        cases.push_back({std::string(types[d].ours) + " " + name + " = " + g.ours + ";", "", d});
        const TypeRow& row = types[d];
        program += std::string("  { zd = 0; ") + row.host + " r = (" + row.host + ")(" + g.host +
                   "); if (zd) puts(\"Z\"); else printf(\"%08x\\n\", (unsigned)(uint32_t)" +
                   (row.is_signed ? "(int32_t)r" : "r") + "); }\n";
    }
    program += "  return 0;\n}\n";

    vytest::TempDir dir;
    std::string output;
    ASSERT_TRUE(vytest::run_c_program(dir.path().string(), program, output)) << output;
    std::istringstream lines(output);
    for (Case& c : cases) std::getline(lines, c.expected);

    // The cases without division by zero in one file: every record must
    // hold the host's value.
    std::string source;
    std::vector<const Case*> valued, zero;
    for (const Case& c : cases) (c.expected == "Z" ? zero : valued).push_back(&c);
    for (const Case* c : valued) source += c->source_line + "\n";
    if (const char* trace = std::getenv("VY_FOLD_TRACE")) {
        std::ofstream(std::string(trace) + "/fold.c", std::ios::binary) << source;
        std::ofstream(std::string(trace) + "/host.c", std::ios::binary) << program;
    }
    vytest::FrontRun run = vytest::compile(source);
    ASSERT_EQ(run.status, 0) << run.errors.substr(0, 2000);
    std::map<std::string, std::string> values = int_items(run.ir);
    int mismatches = 0;
    for (const Case* c : valued) {
        std::string name = c->source_line.substr(c->source_line.find(" v") + 1);
        name = name.substr(0, name.find(' '));
        EXPECT_EQ(values[name], c->expected) << c->source_line;
        if (values[name] != c->expected && ++mismatches > 20) break;
    }

    // The cases the host found a division by zero in: one line each, each
    // reported as "zero divide" or "zero modulus" on its line.
    if (zero.empty()) return;
    source.clear();
    for (const Case* c : zero) source += c->source_line + "\n";
    run = vytest::compile(source);
    EXPECT_EQ(run.status, 1);
    for (std::size_t i = 0; i < zero.size(); ++i) {
        std::string head = "t.c:" + std::to_string(i + 1) + "(";
        std::size_t at = run.errors.find(head);
        bool reported = at != std::string::npos;
        if (reported) {
            std::string line = run.errors.substr(at, run.errors.find('\n', at) - at);
            reported = line.find("zero divide") != std::string::npos || line.find("zero modulus") != std::string::npos;
        }
        EXPECT_TRUE(reported) << zero[i]->source_line << "\n" << run.errors.substr(0, 2000);
    }
    std::printf("%zu cases folded, %zu with a division by zero\n", valued.size(), zero.size());
}

}  // namespace
