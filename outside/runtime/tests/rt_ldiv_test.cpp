// Long division and remainder along each of their paths: divisors below
// 2^16 (one idiv; idiv, fdiv and idiv; the sum that carries past 16 bits),
// divisors of 17 to 24 bits and of 25 bits or more (the step loops, with
// partial remainders that equal the divisor in their high part), dividends
// just below, at and above multiples of the divisor, in all four sign
// combinations, against the host. Also: the operand that is not the
// result is left alone, and the g forms work on a long at address 0.
#include <gtest/gtest.h>

#include "outside/runtime/tests/rt_values.h"
#include "outside/runtime/tools/rtsim.h"

namespace {

using namespace rtsim;

using rtvalues::hexval;

using rtvalues::s32;
using rtvalues::sdiv;
using rtvalues::smod;
using rtvalues::udiv;
using rtvalues::umod;

struct DivOp {
    const char* name;
    bool g;
    uint32_t (*f)(uint32_t, uint32_t);
};

const DivOp div_ops[] = {
    {"c_ludv", false, udiv},  {"c_lumd", false, umod},  {"c_ldiv", false, sdiv},  {"c_lmod", false, smod},
    {"c_lgudv", true, udiv},  {"c_lgumd", true, umod},  {"c_lgdiv", true, sdiv},  {"c_lgmod", true, smod},
};

// Dividend and divisor pairs (as magnitudes) for every path.
std::vector<std::pair<uint32_t, uint32_t>> division_pairs(std::mt19937& rng) {
    std::uniform_int_distribution<uint32_t> any;
    std::vector<std::pair<uint32_t, uint32_t>> v;
    // n = q * d + r when it fits in 32 bits.
    auto add = [&](uint64_t q, uint32_t d, uint64_t r) {
        uint64_t n = q * d + r;
        if (n <= 0xFFFFFFFFu) v.emplace_back(static_cast<uint32_t>(n), d);
    };
    auto bits = [&](int n) {  // exactly n bits
        uint32_t x = any(rng) & (n == 32 ? 0xFFFFFFFFu : (1u << n) - 1);
        return x | 1u << (n - 1);
    };

    // Divisors below 2^16: the dividend's high word 0, below, at and above
    // the divisor; low words that make ra + N low carry (large divisors,
    // remainders near the divisor, low words near 2^16).
    std::vector<uint32_t> small = {1, 2, 3, 10, 255, 256, 257, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
    for (int i = 0; i < 8; ++i) small.push_back(bits(1 + i * 2));
    for (int i = 0; i < 8; ++i) small.push_back(0x8000 | (any(rng) & 0x7FFF));
    for (uint32_t d : small) {
        for (uint32_t high : {0u, d - 1, d, 0xFFFFu, any(rng) & 0xFFFF})
            for (uint32_t low : {0u, 0xFFFFu, 0x10000u - d, any(rng) & 0xFFFF, 0xFF00u | (any(rng) & 0xFF)})
                v.emplace_back((high & 0xFFFF) << 16 | (low & 0xFFFF), d);
        for (int i = 0; i < 6; ++i) {
            uint64_t q = any(rng) / d;
            add(q, d, d - 1);
            add(q, d, 0);
            add(q, d, any(rng) % d);
        }
    }
    // Divisors of 17 to 32 bits: quotients 0, 1, 2, the largest that fits,
    // and random; remainders 0, 1, d - 1, d - 2, random, and dividends with
    // the divisor's high word.
    std::vector<uint32_t> wide = {0x10000, 0x10001, 0x1FFFF, 0x7FFFFF, 0x800000, 0xFFFFFF, 0x1000000, 0x1000001,
                                  0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFF0000, 0xFFFFFFFF, 0xFFFFFFFE};
    for (int i = 0; i < 16; ++i) wide.push_back(bits(17 + i % 8));  // 16 steps: more of them
    for (int n = 17; n <= 32; ++n) wide.push_back(bits(n));
    for (uint32_t d : wide) {
        uint64_t most = 0xFFFFFFFFu / d;
        for (uint64_t q : {uint64_t{0}, uint64_t{1}, uint64_t{2}, most, most - 1, uint64_t{any(rng)} % (most + 1)})
            for (uint64_t r : {uint64_t{0}, uint64_t{1}, uint64_t{d} - 1, uint64_t{any(rng) % d}})
                add(q, d, r);
        v.emplace_back((d & 0xFFFF0000u) | (any(rng) & 0xFFFF), d);
        v.emplace_back((d & 0xFFFF0000u) | (d & 0xFFFF), d);
        v.emplace_back(d - 1, d);
    }
    for (int i = 0; i < random_cases(); ++i) {  // random lengths of both
        uint32_t d = bits(1 + static_cast<int>(any(rng) % 32));
        v.emplace_back(bits(1 + static_cast<int>(any(rng) % 32)), d);
    }
    v.emplace_back(0, 0);
    v.emplace_back(0xFFFFFFFF, 0);
    v.emplace_back(0x12345, 0);
    return v;
}

TEST(LongDivision, EveryPathMatchesTheHost) {
    ASSERT_EQ(Target::get().build_errors, "");
    std::mt19937 rng(15);
    std::uniform_int_distribution<int> byte(0, 255);
    auto pairs = division_pairs(rng);
    for (const DivOp& op : div_ops) {
        SCOPED_TRACE(op.name);
        bool is_signed = op.f == sdiv || op.f == smod;
        int failures = 0, n = 0, i = 0;
        for (auto [x, y] : pairs) {
            if (op.g && i++ % 2) continue;  // the g forms run the same code: half the pairs
            // the signed routines take the four sign combinations in turn
            int signs = is_signed ? n % 4 : 0;
            uint32_t a = signs & 1 ? 0u - x : x, b = signs & 2 ? 0u - y : y;
            Call c;
            c.routine = op.name;
            c.in.cc = static_cast<uint8_t>(byte(rng) & 0x2F);
            Target::set_lr(c, op.g ? b : a);
            uint32_t mem = op.g ? a : b;
            c.memory[OPERAND] = {static_cast<uint8_t>(mem >> 24), static_cast<uint8_t>(mem >> 16),
                                 static_cast<uint8_t>(mem >> 8), static_cast<uint8_t>(mem)};
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            uint32_t got = op.g ? Target::peek32(OPERAND) : Target::lr(o);
            // the operand that is not the result stays as it was
            uint32_t other = op.g ? Target::lr(o) : Target::peek32(OPERAND);
            uint32_t want = op.f(a, b);
            std::string contract;
            if (++n % 3 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}, {OPERAND, 4}});
            if (got != want || other != b || !contract.empty()) {
                ADD_FAILURE() << hexval(a) << " op " << hexval(b) << ": " << hexval(got) << ", want " << hexval(want)
                              << "; the other operand " << hexval(other) << " " << contract;
                if (++failures > 8) break;
            }
        }
    }
}

// The g forms run the long register routines with X = Y - 2, which wraps
// for a long at address 0 or 1.
TEST(LongDivision, GFormsOnALongAtTheBottomOfMemory) {
    ASSERT_EQ(Target::get().build_errors, "");
    const uint32_t a = 0x89ABCDEF, b = 0x00001234;
    for (const DivOp& op : div_ops) {
        if (!op.g) continue;
        for (uint16_t at : {0, 1}) {
            Call c;
            c.routine = op.name;
            c.in.y = at;
            Target::set_lr(c, b);
            c.memory[at] = {static_cast<uint8_t>(a >> 24), static_cast<uint8_t>(a >> 16), static_cast<uint8_t>(a >> 8),
                            static_cast<uint8_t>(a)};
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            EXPECT_EQ(Target::peek32(at), op.f(a, b)) << op.name << " at " << at;
            EXPECT_EQ(Target::lr(o), b) << op.name << " at " << at;
            EXPECT_EQ(o.out.y, at) << op.name;
        }
    }
}

}  // namespace
