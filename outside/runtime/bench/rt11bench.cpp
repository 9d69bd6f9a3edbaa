// rt11bench: cycles per call of the main runtime routines in the target
// model's simulator, each against a hand-written reference routine for
// the same job (bench/reference.s: page-zero operands, no registers kept,
// nothing reentrant), on the same random operands of several kinds. The
// cycles count from the jsr to the return, the jsr included; the
// library's routines also take their operands through the ABI (the long
// register, Y) and keep what it says they keep. Each result of a
// reference routine is checked against the library's.
// Not a test. Usage: rt11bench [SAMPLES]   (default 500 per row)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "outside/runtime/tools/rtsim.h"

using namespace rtsim;

namespace {

enum Kind { LONG2, FLOAT2, INT_TO, LONG_TO, FLOAT_TO_INT, FLOAT_TO_LONG, DOUBLE2 };

struct Row {
    const char* routine;
    const char* operands;
    const char* reference;  // null: none
    Kind kind;
    std::function<void(std::mt19937&, uint32_t&, uint32_t&)> make;
};

uint32_t any(std::mt19937& r) { return static_cast<uint32_t>(r()); }
uint32_t width(std::mt19937& r, int n) {
    uint32_t v = any(r) & (n == 32 ? 0xFFFFFFFFu : (1u << n) - 1);
    return v | (n == 32 ? 0x80000000u : 1u << (n - 1));  // exactly n bits
}
// A float of random sign with its exponent in [lo, hi].
uint32_t rfloat(std::mt19937& r, int lo, int hi) {
    uint32_t e = static_cast<uint32_t>(lo + static_cast<int>(any(r) % static_cast<uint32_t>(hi - lo + 1)));
    return (any(r) & 0x807FFFFFu) | e << 23;
}

void poke_double(uint16_t address, double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    for (int i = 0; i < 8; ++i) Target::poke(static_cast<uint16_t>(address + i), {static_cast<uint8_t>(u >> (56 - 8 * i))});
}

}  // namespace

int main(int argc, char** argv) {
    int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    Target t({std::string(VY_SOURCE_DIR) + "/outside/runtime/bench/reference.s"});
    if (!t.build_errors.empty()) {
        std::fprintf(stderr, "%s", t.build_errors.c_str());
        return 1;
    }
    const Row rows[] = {
        {"c_lmul", "32 x 32 bits", "ref_lmul", LONG2, [](auto& r, auto& a, auto& b) { a = any(r), b = any(r); }},
        {"c_lmul", "16 x 16 bits", "ref_lmul", LONG2,
         [](auto& r, auto& a, auto& b) { a = any(r) & 0xFFFF, b = any(r) & 0xFFFF; }},
        {"c_ludv", "32 / 32 bits", "ref_udiv", LONG2, [](auto& r, auto& a, auto& b) { a = width(r, 32), b = width(r, 32); }},
        {"c_ludv", "32 / 24 bits", "ref_udiv", LONG2, [](auto& r, auto& a, auto& b) { a = width(r, 32), b = width(r, 24); }},
        {"c_ludv", "32 / 16 bits", "ref_udiv", LONG2, [](auto& r, auto& a, auto& b) { a = width(r, 32), b = width(r, 16); }},
        {"c_ludv", "32 / 8 bits", "ref_udiv", LONG2, [](auto& r, auto& a, auto& b) { a = width(r, 32), b = width(r, 8); }},
        {"c_ludv", "16 / 16 bits", "ref_udiv", LONG2, [](auto& r, auto& a, auto& b) { a = width(r, 16), b = width(r, 9); }},
        {"c_ldiv", "32 / 16 bits signed", nullptr, LONG2,
         [](auto& r, auto& a, auto& b) { a = any(r), b = static_cast<uint32_t>(static_cast<int16_t>(any(r) | 0x100)); }},
        {"c_fadd", "exponents 8 apart at most", "ref_fadd", FLOAT2,
         [](auto& r, auto& a, auto& b) {
             a = rfloat(r, 120, 128);
             b = rfloat(r, 120, 128);
         }},
        {"c_fadd", "any exponents", "ref_fadd", FLOAT2,
         [](auto& r, auto& a, auto& b) { a = rfloat(r, 64, 190), b = rfloat(r, 64, 190); }},
        {"c_fmul", "random", "ref_fmul", FLOAT2, [](auto& r, auto& a, auto& b) { a = rfloat(r, 64, 190), b = rfloat(r, 64, 190); }},
        {"c_fdiv", "random", "ref_fdiv", FLOAT2, [](auto& r, auto& a, auto& b) { a = rfloat(r, 64, 190), b = rfloat(r, 64, 190); }},
        {"c_itof", "int", "ref_itof", INT_TO, [](auto& r, auto& a, auto& b) { a = any(r) & 0xFFFF, b = 0; }},
        {"c_ltof", "long", "ref_ltof", LONG_TO, [](auto& r, auto& a, auto& b) { a = any(r), b = 0; }},
        {"c_ftoi", "|x| < 32768", "ref_ftoi", FLOAT_TO_INT, [](auto& r, auto& a, auto& b) { a = rfloat(r, 127, 141), b = 0; }},
        {"c_ftol", "|x| < 2^31", "ref_ftol", FLOAT_TO_LONG, [](auto& r, auto& a, auto& b) { a = rfloat(r, 127, 157), b = 0; }},
        {"c_dadd", "exponents 8 apart at most", nullptr, DOUBLE2, nullptr},
        {"c_dmul", "random", nullptr, DOUBLE2, nullptr},
        {"c_ddiv", "random", nullptr, DOUBLE2, nullptr},
    };
    std::printf("%-8s %-26s %9s %-9s %9s %6s\n", "routine", "operands", "cycles", "reference", "cycles", "ratio");
    std::mt19937 rng(2024);
    int mismatches = 0;
    for (const Row& row : rows) {
        double total = 0, ref_total = 0;
        for (int i = 0; i < samples; ++i) {
            uint32_t a = 0, b = 0;
            Call c;
            c.routine = row.routine;
            if (row.kind == DOUBLE2) {
                std::uniform_real_distribution<double> u(1.0, 2.0);
                double x = u(rng), y = u(rng) * std::ldexp(1.0, static_cast<int>(rng() % 9) - 4);
                if (row.routine[3] != 'a') y = u(rng) * std::ldexp(1.0, static_cast<int>(rng() % 200) - 100);
                poke_double(OPERAND, rng() % 2 ? x : -x);
                poke_double(OPERAND2, y);
                c.in.d = OPERAND2;
            } else {
                row.make(rng, a, b);
                if (row.kind == INT_TO) c.in.d = static_cast<uint16_t>(a);
                else Target::set_lr(c, a);
                c.memory[OPERAND] = {static_cast<uint8_t>(b >> 24), static_cast<uint8_t>(b >> 16),
                                     static_cast<uint8_t>(b >> 8), static_cast<uint8_t>(b)};
            }
            Outcome o = t.run(c);
            if (!o.ok) {
                std::fprintf(stderr, "%s: %s\n", row.routine, o.error.c_str());
                return 1;
            }
            total += o.cycles;
            uint32_t got = row.kind == FLOAT_TO_INT ? o.out.d : Target::lr(o);
            if (!row.reference) continue;
            Call r;
            r.routine = row.reference;
            if (row.kind == INT_TO) r.memory[0x00] = {static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)};
            else r.memory[0x00] = {static_cast<uint8_t>(a >> 24), static_cast<uint8_t>(a >> 16),
                                   static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)};
            r.memory[0x04] = c.memory[OPERAND];
            Outcome ro = t.run(r);
            if (!ro.ok) {
                std::fprintf(stderr, "%s: %s\n", row.reference, ro.error.c_str());
                return 1;
            }
            ref_total += ro.cycles;
            uint32_t want = row.kind == FLOAT_TO_INT ? Target::peek16(0x08) : Target::peek32(0x08);
            if (got != want && ++mismatches <= 10)
                std::fprintf(stderr, "%s %08x, %08x: %08x, reference %08x\n", row.routine, a, b, got, want);
        }
        double mean = total / samples;
        if (row.reference) {
            double ref = ref_total / samples;
            std::printf("%-8s %-26s %9.0f %-9s %9.0f %6.2f\n", row.routine, row.operands, mean, row.reference + 4, ref,
                        mean / ref);
        } else {
            std::printf("%-8s %-26s %9.0f %-9s %9s %6s\n", row.routine, row.operands, mean, "-", "", "");
        }
    }
    if (mismatches) std::printf("%d results differ from the reference routines'\n", mismatches);
    return mismatches ? 1 : 0;
}
