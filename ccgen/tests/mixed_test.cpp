// Operands of different types, as the front end writes them: C programs
// compiled by ccparse and ccgen, run in the target model (the runtime
// routines modelled from docs/abi.md) and compared with the host compiler.
// The front end narrows constants (`l *= 37` has an int 37) and gives a
// compound assignment its destination's type, so the code generator must
// find the type the operation is computed in: the usual arithmetic
// conversions of C with a 16-bit int. The host computes each result in
// explicit fixed-width types from the table below. Native only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/sim_harness.h"

namespace {

using vytest::have_host_cc;
using vytest::host_output;

struct Programs {
    std::string target, host;
    int results = 0;
    std::vector<std::string> notes;
};

// out[k] takes each result as 32 bits (a float as its bits).
void result(Programs& p, const std::string& target, const std::string& host, const std::string& note) {
    std::string k = std::to_string(p.results++);
    p.target += "    put(" + k + ", " + target + ");\n";
    p.host += "    put(" + k + ", " + host + ");\n";
    p.notes.push_back(note);
}

std::string host_head() { return "#include <stdint.h>\n#include <stdio.h>\n#include <string.h>\nuint32_t out[400];\n"; }

std::string host_tail(const Programs& p) {
    return "    for (int i = 0; i < " + std::to_string(p.results) + "; ++i) printf(\"%08x\", (unsigned)out[i]);\n" +
           "    printf(\"\\n\");\n    return 0;\n}\n";
}

// Compiles, runs and compares with the host's output: the results that
// differ, with their notes.
std::string run_and_compare(const Programs& p, const std::string& expected, bool optimise) {
    std::vector<std::string> gen_options;
    if (!optimise) gen_options.push_back("-no");
    if (p.results > 400) return "more results than out[] holds";
    vytest::ChainRun chain = vytest::compile_and_generate(p.target, {}, gen_options);
    if (chain.front.status != 0) return "ccparse: " + chain.front.errors;
    if (chain.gen.status != 0) return "ccgen: " + chain.gen.errors;
    std::string text = chain.gen.asm_text;
    if (optimise) {
        std::string errors;
        text = vytest::optimise(text, errors);
        if (!errors.empty()) return "ccopt: " + errors;
    }
    vytest::SimRun run = vytest::simulate(text);
    if (!run.ok) return "run: " + run.error;
    std::string got = vytest::hexbytes(run.bytes("_out", 4 * p.results));
    if (expected.size() != got.size()) return "host: " + expected;
    std::ostringstream diff;
    for (int k = 0; k < p.results; ++k)
        if (got.compare(static_cast<std::size_t>(8 * k), 8, expected, static_cast<std::size_t>(8 * k), 8) != 0)
            diff << "  " << p.notes[static_cast<std::size_t>(k)] << ": " << got.substr(static_cast<std::size_t>(8 * k), 8)
                 << " expected " << expected.substr(static_cast<std::size_t>(8 * k), 8) << "\n";
    return diff.str();
}

// Fields that fill their unit: a long unit of 32 bits and an int unit of
// 16, stored from constants and values, changed in place and read back,
// beside fields that share a unit.
TEST(MixedOperands, FieldsOfAWholeUnit) {
    if (!have_host_cc()) GTEST_SKIP() << "no host C compiler";
    const char* const steps[][2] = {
        {"b.w = 0x12345678UL", "b.w"},  {"b.w = ~b.w", "b.w"},       {"b.w += 3", "b.w"},
        {"b.w = vul", "b.w"},           {"b.w ^= 0xFFFF0000UL", "b.w"}, {"b.w = 0", "b.w"},
        {"b.w = 0xFFFFFFFFUL", "b.w"},  {"b.lo = 0xABC", "b.lo"},    {"b.hi = 0xFEDCBUL", "b.hi"},
        {"b.w = b.hi", "b.w"},          {"b.h = 0xBEEF", "b.h"},     {"b.h = ~b.h", "b.h"},
        {"b.h += vu", "b.h"},           {"b.c = 0xA5", "b.c"},       {"b.lo = 0", "b.hi"},
    };
    Programs p;
    p.target = "unsigned long out[400];\nunsigned long vul = 0x89ABCDEFUL; unsigned int vu = 0x1234;\n"
               "struct B { unsigned long w : 32; unsigned long lo : 12; unsigned long hi : 20;\n"
               "           unsigned int h : 16; unsigned char c : 8; } b;\n"
               "void put(int k, unsigned long v) { out[k] = v; }\nvoid f(void)\n{\n";
    p.host = host_head() +
             "uint32_t vul = 0x89ABCDEFu; uint16_t vu = 0x1234;\n"
             "struct B { uint32_t w : 32; uint32_t lo : 12; uint32_t hi : 20; uint16_t h : 16; uint8_t c : 8; } b;\n"
             "void put(int k, uint32_t v) { out[k] = v; }\nint main(void)\n{\n";
    for (const auto& step : steps) {
        p.target += std::string("    ") + step[0] + ";\n";
        p.host += std::string("    ") + step[0] + ";\n";
        result(p, step[1], step[1], step[0]);
    }
    p.target += "}\n\nint main(void)\n{\n    f();\n    return 0;\n}\n";
    p.host += host_tail(p);
    vytest::TempDir dir;
    std::string expected = host_output(dir, p.host);
    for (bool optimise : {false, true})
        EXPECT_EQ(run_and_compare(p, expected, optimise), "") << (optimise ? "optimised" : "");
}

// A C type of the target and its host twin. Rank orders the integer
// types for the usual arithmetic conversions.
struct Ty {
    const char* target;
    const char* host;
    int size;
    bool is_signed;
    bool floating;
    int rank;  // 1 char, 2 int, 3 long, 4 float
};

const Ty CHAR{"signed char", "int8_t", 1, true, false, 1};
const Ty UCHAR{"unsigned char", "uint8_t", 1, false, false, 1};
const Ty INT{"int", "int16_t", 2, true, false, 2};
const Ty UINT{"unsigned int", "uint16_t", 2, false, false, 2};
const Ty LONG{"long", "int32_t", 4, true, false, 3};
const Ty ULONG{"unsigned long", "uint32_t", 4, false, false, 3};
const Ty FLOAT{"float", "float", 4, true, true, 4};

// The type a binary operator on a and b computes in, with a 16-bit int.
const Ty& common(const Ty& a, const Ty& b) {
    auto promoted = [](const Ty& t) -> const Ty& { return t.rank == 1 ? INT : t; };
    const Ty& x = promoted(a);
    const Ty& y = promoted(b);
    if (x.floating || y.floating) return FLOAT;
    if (x.rank != y.rank) return x.rank > y.rank ? x : y;  // a long holds every unsigned int
    return x.is_signed ? y : x;  // unsigned wins at equal rank
}

// A right operand: a constant as the C source writes it (the front end
// narrows it) or a variable of the table's globals.
struct Right {
    const char* text;  // in the target source
    const char* host;  // the host's value in the right type
    const Ty* t;
};

// Longs against constants that share one word with them: the equality
// tests compare word by word, and a constant's high word is its own.
TEST(MixedOperands, LongsCompareWithConstantsWordByWord) {
    if (!have_host_cc()) GTEST_SKIP() << "no host C compiler";
    const char* const values[] = {"0L", "1L", "-1L", "65536L", "65537L", "-65536L", "0x70007L", "2147483647L",
                                  "-2147483647L - 1L"};
    const Right constants[] = {
        {"1", "(int16_t)1", &INT},           {"-1", "(int16_t)-1", &INT},
        {"7", "(int16_t)7", &INT},           {"40000u", "(uint16_t)40000u", &UINT},
        {"65537L", "(int32_t)65537", &LONG}, {"0x70000L", "(int32_t)0x70000", &LONG},
        {"-65536L", "(int32_t)-65536", &LONG}, {"0x80000000UL", "(uint32_t)0x80000000u", &ULONG},
        {"(-2147483647L - 1L)", "(int32_t)(-2147483647 - 1)", &LONG},
    };
    const char* const relations[] = {"==", "!=", "<", ">="};
    Programs p;
    p.target = "unsigned long out[400];\nlong vl; unsigned long vul;\n"
               "void put(int k, unsigned long v) { out[k] = v; }\nvoid f(void)\n{\n";
    p.host = host_head() + "void put(int k, uint32_t v) { out[k] = v; }\nint main(void)\n{\n    int32_t vl; uint32_t vul;\n";
    int turn = 0;
    for (const char* v : values) {
        p.target += std::string("    vl = ") + v + "; vul = (unsigned long)vl;\n";
        p.host += std::string("    vl = (int32_t)(") + v + "); vul = (uint32_t)vl;\n";
        for (const Right& c : constants) {
            for (const char* rel : relations) {
                // signed and unsigned, as a value and as a branch, in turn
                const char* var = turn & 1 ? "vul" : "vl";
                bool branch = turn++ & 2;
                const Ty& ct = common(var[1] == 'l' ? LONG : ULONG, *c.t);
                std::string host = std::string("(") + ct.host + ")" + var + " " + rel + " (" + ct.host + ")" + c.host;
                std::string test = std::string(var) + " " + rel + " " + c.text;
                std::string note = std::string(var) + " = " + v + ": " + test + (branch ? " (branch)" : "");
                if (!branch) {
                    result(p, "(" + test + ")", host, note);
                    continue;
                }
                std::string k = std::to_string(p.results++);
                p.target += "    if (" + test + ") put(" + k + ", 1); else put(" + k + ", 2);\n";
                p.host += "    put(" + k + ", (" + host + ") ? 1 : 2);\n";
                p.notes.push_back(note);
            }
        }
    }
    p.target += "}\n\nint main(void)\n{\n    f();\n    return 0;\n}\n";
    p.host += host_tail(p);
    vytest::TempDir dir;
    std::string expected = host_output(dir, p.host);
    for (bool optimise : {false, true})
        EXPECT_EQ(run_and_compare(p, expected, optimise), "") << (optimise ? "optimised" : "");
}

const Right rights[] = {
    {"5", "(int16_t)5", &INT},
    {"-3", "(int16_t)-3", &INT},
    {"37", "(int16_t)37", &INT},
    {"200", "(int16_t)200", &INT},
    {"40000u", "(uint16_t)40000u", &UINT},
    {"100000L", "(int32_t)100000", &LONG},
    {"vc", "vc", &CHAR},
    {"vuc", "vuc", &UCHAR},
    {"vi", "vi", &INT},
    {"vu", "vu", &UINT},
    {"vl", "vl", &LONG},
    {"vul", "vul", &ULONG},
    {"vf", "vf", &FLOAT},
};

const char* const globals_target =
    "signed char vc = -5; unsigned char vuc = 200; int vi = -7; unsigned int vu = 50000u;\n"
    "long vl = -123457L; unsigned long vul = 3000000001UL; float vf = 0.75f;\n";
const char* const globals_host =
    "int8_t vc = -5; uint8_t vuc = 200; int16_t vi = -7; uint16_t vu = 50000u;\n"
    "int32_t vl = -123457; uint32_t vul = 3000000001u; float vf = 0.75f;\n";

struct Dest {
    const Ty* t;
    const char* init;
};

const Dest dests[] = {{&CHAR, "-30"},        {&UCHAR, "100"},  {&INT, "-1000"}, {&UINT, "50000u"},
                      {&LONG, "-12345L"},    {&ULONG, "3000000000UL"}, {&FLOAT, "10.5f"}};

// The places a destination is in: a global, a local, an object reached
// through a pointer, a structure member, an object at a fixed address.
const char* const places[] = {"g", "l", "*p", "s.m", "a"};

// The host's text of `d op r` computed in c, converted to the
// destination's type; + - * & | ^ wrap as the target's do.
std::string host_value(const Ty& d, const std::string& op, const std::string& dv, const Right& r) {
    const Ty& c = common(d, *r.t);
    std::string a = "(" + std::string(c.host) + ")(" + dv + ")", b = "(" + std::string(c.host) + ")(" + r.host + ")";
    if (c.floating) return "(" + std::string(d.host) + ")(" + a + " " + op + " " + b + ")";
    if (op == "/" || op == "%") return "(" + std::string(d.host) + ")(" + c.host + ")(" + a + " " + op + " " + b + ")";
    return "(" + std::string(d.host) + ")(" + c.host + ")((uint64_t)" + a + " " + op + " (uint64_t)" + b + ")";
}

// Left out: operators that floats do not have, and conversions of floats
// out of the range of the destination's type, which C leaves undefined.
bool wanted(const Dest& d, const std::string& op, const Right& r) {
    if (r.t->floating && (op == "%" || op == "&" || op == "|" || op == "^")) return false;
    if (d.t->floating && (op == "%" || op == "&" || op == "|" || op == "^")) return false;
    if (r.t->floating && d.t == &ULONG) return false;
    if (r.t->floating && d.t == &UINT && op == "/") return false;
    return true;
}

Programs compound_programs(const Dest& d) {
    Programs p;
    const Ty& t = *d.t;
    std::string ty = t.target, hty = t.host;
    std::string put = t.floating ? "void put(int k, float v) { union { float f; unsigned long u; } x; x.f = v; out[k] = x.u; }\n"
                                 : "void put(int k, unsigned long v) { out[k] = v; }\n";
    std::string hput = t.floating ? "void put(int k, float v) { memcpy(&out[k], &v, 4); }\n"
                                  : "void put(int k, uint32_t v) { out[k] = v; }\n";
    p.target = std::string(globals_target) + "unsigned long out[400];\n" + ty + " g; " + ty + " a @0x1900;\n" +
               "struct S { char pad; " + ty + " m; } s;\n" + put + "void f(void)\n{\n    " + ty + " l; " + ty +
               " *p = &g;\n";
    p.host = host_head() + globals_host + hput + "int main(void)\n{\n";
    const char* const ops[] = {"+", "-", "*", "/", "%", "&", "|", "^"};
    int turn = 0;
    for (const char* op : ops) {
        for (const Right& r : rights) {
            if (!wanted(d, op, r)) continue;
            std::string place = places[turn++ % 5];
            std::string note = std::string(t.target) + " " + place + " " + op + "= " + r.text;
            std::string value = host_value(t, op, "(" + hty + ")" + d.init, r);
            // the assignment's value unused, then used
            p.target += "    " + place + " = " + d.init + "; " + place + " " + op + "= " + r.text + ";\n";
            result(p, place, value, note);
            p.target += "    " + place + " = " + d.init + ";\n";
            result(p, "(" + place + " " + op + "= " + r.text + ")", value, note + " (value used)");
        }
    }
    p.target += "}\n\nint main(void)\n{\n    f();\n    return 0;\n}\n";
    p.host += host_tail(p);
    return p;
}

TEST(MixedOperands, CompoundAssignmentsComputeInTheTypeOfBothOperands) {
    if (!have_host_cc()) GTEST_SKIP() << "no host C compiler";
    for (const Dest& d : dests) {
        Programs p = compound_programs(d);
        vytest::TempDir dir;
        std::string expected = host_output(dir, p.host);
        for (bool optimise : {false, true}) {
            std::string diff = run_and_compare(p, expected, optimise);
            EXPECT_EQ(diff, "") << d.t->target << (optimise ? " (optimised)" : "") << "\n" << p.target;
        }
    }
}

}  // namespace
