// The integer routines against the host's arithmetic in the same widths:
// boundary values and random operands of every size, each call checked
// for its result and for the registers the optimiser's table says it
// keeps and reads.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "outside/runtime/tests/rt_harness.h"

namespace {

using namespace rttest;

std::string hex(uint32_t v) {
    char t[16];
    std::snprintf(t, sizeof t, "0x%x", v);
    return t;
}

const uint32_t long_boundaries[] = {0,          1,          2,          7,          8,          16,
                                    31,         32,         255,        0x7FFF,     0x8000,     0xFFFF,
                                    0x10000,    0xFFFFFF,   0x1000000,  0x7FFFFFFF, 0x80000000, 0x80000001,
                                    0xFFFFFFFF, 0xFFFFFFFE, 0xFFFF0000, 0xFFFF8000, 1000,       0x12345678};

// A random operand of random bit length, negative one time in four.
uint32_t random_long(std::mt19937& rng) {
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> bits(1, 32);
    int n = bits(rng);
    uint32_t x = n == 32 ? any(rng) : any(rng) & ((1u << n) - 1);
    return any(rng) % 4 == 0 ? 0u - x : x;
}

// The pairs of operands: every boundary with every boundary, then random.
std::vector<std::pair<uint32_t, uint32_t>> long_pairs(std::mt19937& rng, int randoms) {
    std::vector<std::pair<uint32_t, uint32_t>> v;
    for (uint32_t a : long_boundaries)
        for (uint32_t b : long_boundaries) v.emplace_back(a, b);
    for (int i = 0; i < randoms; ++i) v.emplace_back(random_long(rng), random_long(rng));
    return v;
}

int32_t s32(uint32_t v) { return static_cast<int32_t>(v); }

uint32_t sdiv(uint32_t a, uint32_t b) {
    if (b == 0) return 0;
    if (a == 0x80000000u && b == 0xFFFFFFFFu) return a;
    return static_cast<uint32_t>(s32(a) / s32(b));
}
uint32_t smod(uint32_t a, uint32_t b) {
    if (b == 0) return a;
    if (a == 0x80000000u && b == 0xFFFFFFFFu) return 0;
    return static_cast<uint32_t>(s32(a) % s32(b));
}
uint32_t udiv(uint32_t a, uint32_t b) { return b ? a / b : 0xFFFFFFFFu; }
uint32_t umod(uint32_t a, uint32_t b) { return b ? a % b : a; }

struct LongOp {
    const char* name;
    bool g;  // the long at Y = itself op the long register
    uint32_t (*f)(uint32_t, uint32_t);
};

const LongOp long_ops[] = {
    {"c_ladd", false, [](uint32_t a, uint32_t b) { return a + b; }},
    {"c_lsub", false, [](uint32_t a, uint32_t b) { return a - b; }},
    {"c_land", false, [](uint32_t a, uint32_t b) { return a & b; }},
    {"c_lor", false, [](uint32_t a, uint32_t b) { return a | b; }},
    {"c_lxor", false, [](uint32_t a, uint32_t b) { return a ^ b; }},
    {"c_lmul", false, [](uint32_t a, uint32_t b) { return a * b; }},
    {"c_lmula", false, [](uint32_t a, uint32_t b) { return a * b; }},
    {"c_ldiv", false, sdiv},
    {"c_ldiva", false, sdiv},
    {"c_lmod", false, smod},
    {"c_lmoda", false, smod},
    {"c_ludv", false, udiv},
    {"c_ludva", false, udiv},
    {"c_lumd", false, umod},
    {"c_lumda", false, umod},
    {"c_lgadd", true, [](uint32_t a, uint32_t b) { return a + b; }},
    {"c_lgsub", true, [](uint32_t a, uint32_t b) { return a - b; }},
    {"c_lgand", true, [](uint32_t a, uint32_t b) { return a & b; }},
    {"c_lgor", true, [](uint32_t a, uint32_t b) { return a | b; }},
    {"c_lgxor", true, [](uint32_t a, uint32_t b) { return a ^ b; }},
    {"c_lgmul", true, [](uint32_t a, uint32_t b) { return a * b; }},
    {"c_lgmula", true, [](uint32_t a, uint32_t b) { return a * b; }},
    {"c_lgdiv", true, sdiv},
    {"c_lgdiva", true, sdiv},
    {"c_lgmod", true, smod},
    {"c_lgmoda", true, smod},
    {"c_lgudv", true, udiv},
    {"c_lgudva", true, udiv},
    {"c_lgumd", true, umod},
    {"c_lgumda", true, umod},
};

class Runtime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Target::get().build_errors, ""); }
    std::mt19937 rng{11};
    std::uniform_int_distribution<int> byte{0, 255};
    uint8_t flags() { return static_cast<uint8_t>(byte(rng) & 0x2F); }
};

TEST_F(Runtime, LongArithmeticMatchesTheHost) {
    for (const LongOp& op : long_ops) {
        SCOPED_TRACE(op.name);
        int failures = 0, n = 0;
        for (auto [a, b] : long_pairs(rng, random_cases())) {
            Call c;
            c.routine = op.name;
            c.in.cc = flags();
            Target::set_lr(c, op.g ? b : a);
            uint32_t mem = op.g ? a : b;
            c.memory[OPERAND] = {static_cast<uint8_t>(mem >> 24), static_cast<uint8_t>(mem >> 16),
                                 static_cast<uint8_t>(mem >> 8), static_cast<uint8_t>(mem)};
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            uint32_t got = op.g ? Target::peek32(OPERAND) : Target::lr(o);
            uint32_t want = op.f(a, b);
            std::string contract;
            if (++n % 4 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}, {OPERAND, 4}});
            if (got != want || !contract.empty()) {
                ADD_FAILURE() << hex(a) << " op " << hex(b) << ": " << hex(got) << ", want " << hex(want) << " "
                              << contract;
                if (++failures > 8) break;
            }
        }
    }
}

}  // namespace
