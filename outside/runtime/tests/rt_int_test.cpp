// The integer routines against the host's arithmetic in the same widths:
// boundary values and random operands of every size, each call checked
// for its result and for the registers the optimiser's table says it
// keeps and reads.
#include <gtest/gtest.h>

#include <climits>

#include "outside/runtime/tests/rt_values.h"
#include "outside/runtime/tools/rtsim.h"

namespace {

using namespace rtsim;

using rtvalues::hexval;

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

using rtvalues::s32;
using rtvalues::sdiv;
using rtvalues::smod;
using rtvalues::udiv;
using rtvalues::umod;

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
                ADD_FAILURE() << hexval(a) << " op " << hexval(b) << ": " << hexval(got) << ", want " << hexval(want) << " "
                              << contract;
                if (++failures > 8) break;
            }
        }
    }
}

TEST_F(Runtime, LongShiftsByEveryCount) {
    const char* names[] = {"c_llsh", "c_lrsh", "c_lursh", "c_lglsh", "c_lgrsh", "c_lgursh"};
    std::vector<uint32_t> counts;
    for (uint32_t n = 0; n <= 40; ++n) counts.push_back(n);
    counts.insert(counts.end(), {63, 64, 127, 128, 255, 256, 257, 0x7FFF, 0x8000, 0xFFFF});
    std::vector<uint32_t> values(std::begin(long_boundaries), std::end(long_boundaries));
    for (int i = 0; i < random_cases() / 10; ++i) values.push_back(random_long(rng));
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(names[k]);
        bool g = k >= 3;
        int failures = 0, n = 0;
        for (uint32_t v : values)
            for (uint32_t count : counts) {
                if (g && count > 255) continue;  // the g forms take B
                Call c;
                c.routine = names[k];
                c.in.cc = flags();
                if (g) {
                    c.memory[OPERAND] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                                         static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
                    c.in.d = static_cast<uint16_t>(byte(rng) << 8 | count);
                    Target::set_lr(c, 0x5A5A0000u | c.in.d);
                } else {
                    Target::set_lr(c, v);
                    c.in.y = static_cast<uint16_t>(count);
                }
                uint32_t want = k % 3 == 0   ? (count >= 32 ? 0 : v << count)
                                : k % 3 == 2 ? (count >= 32 ? 0 : v >> count)
                                             : static_cast<uint32_t>(s32(v) >> (count >= 32 ? 31 : count));
                Outcome o = Target::get().run(c);
                ASSERT_TRUE(o.ok) << o.error;
                uint32_t got = g ? Target::peek32(OPERAND) : Target::lr(o);
                std::string contract;
                if (++n % 3 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}, {OPERAND, 4}});
                if (got != want || !contract.empty()) {
                    ADD_FAILURE() << hexval(v) << " by " << count << ": " << hexval(got) << ", want " << hexval(want) << " "
                                  << contract;
                    if (++failures > 8) return;
                }
            }
    }
}

// The routines of one long register operand or of D into the long register.
TEST_F(Runtime, LongNegationWideningAndWideProducts) {
    int failures = 0, n = 0;
    auto check = [&](const Call& c, uint32_t want, const std::string& what) {
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        uint32_t got = Target::lr(o);
        std::string contract;
        if (++n % 3 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}});
        if (got != want || !contract.empty()) {
            ADD_FAILURE() << c.routine << " " << what << ": " << hexval(got) << ", want " << hexval(want) << " " << contract;
            ++failures;
        }
    };
    for (auto [a, b] : long_pairs(rng, random_cases())) {
        if (failures > 8) return;
        Call c;
        c.in.cc = flags();
        c.routine = "c_lneg";
        Target::set_lr(c, a);
        check(c, 0u - a, hexval(a));
        uint16_t x = static_cast<uint16_t>(a), y = static_cast<uint16_t>(b);
        c.routine = "c_itol";
        Target::set_lr(c, b & 0xFFFF0000u);
        c.in.d = x;
        check(c, static_cast<uint32_t>(static_cast<int16_t>(x)), hexval(x));
        c.routine = "c_ulmla";
        c.in.y = y;
        check(c, static_cast<uint32_t>(x) * y, hexval(x) + " * " + hexval(y));
        c.routine = "c_slmla";
        check(c, static_cast<uint32_t>(static_cast<int16_t>(x) * static_cast<int16_t>(y)), hexval(x) + " * " + hexval(y));
    }
}

// The flags after a comparison, as the branches of its kind read them.
TEST_F(Runtime, LongComparisonsLeaveTheFlagsOfASubtraction) {
    int failures = 0, n = 0;
    auto check = [&](const Call& c, int64_t left, int64_t right, bool is_signed) {
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        bool z = o.out.cc & 0x04, n_ = o.out.cc & 0x08, v = o.out.cc & 0x02, cy = o.out.cc & 0x01;
        bool less = is_signed ? n_ != v : cy;
        std::string contract;
        if (++n % 3 == 0) contract = check_contract(c, o, rng, true, {});
        if (z != (left == right) || less != (left < right) || !contract.empty()) {
            ADD_FAILURE() << c.routine << " " << left << " with " << right << ": flags " << hexval(o.out.cc) << " "
                          << contract;
            ++failures;
        }
    };
    for (auto [a, b] : long_pairs(rng, random_cases())) {
        if (failures > 8) return;
        if (n % 5 == 0) b = a;  // equal operands now and then
        Call c;
        c.in.cc = flags();
        Target::set_lr(c, a);
        c.memory[OPERAND] = {static_cast<uint8_t>(b >> 24), static_cast<uint8_t>(b >> 16),
                             static_cast<uint8_t>(b >> 8), static_cast<uint8_t>(b)};
        c.routine = "c_lcmp";
        check(c, s32(a), s32(b), true);
        c.routine = "c_ulcmp";
        check(c, a, b, false);
        c.routine = "c_lrzmp";
        check(c, s32(a), 0, true);
        c.routine = "c_lzmp";
        check(c, s32(b), 0, true);
        // the zero tests also clear V and C and set N from the sign
        Outcome o = Target::get().run(c);
        EXPECT_EQ(o.out.cc & 0x03, 0) << hexval(b);
        EXPECT_EQ((o.out.cc & 0x08) != 0, s32(b) < 0) << hexval(b);
    }
}

int16_t s16(uint16_t v) { return static_cast<int16_t>(v); }

struct IntOp {
    const char* name;
    uint16_t (*f)(uint16_t, uint16_t);
};

uint16_t isdiv(uint16_t a, uint16_t b) {
    if (b == 0) return 0;
    if (a == 0x8000 && b == 0xFFFF) return a;
    return static_cast<uint16_t>(s16(a) / s16(b));
}
uint16_t ismod(uint16_t a, uint16_t b) {
    if (b == 0) return a;
    if (a == 0x8000 && b == 0xFFFF) return 0;
    return static_cast<uint16_t>(s16(a) % s16(b));
}

const IntOp int_ops[] = {
    {"c_imul", [](uint16_t a, uint16_t b) { return static_cast<uint16_t>(a * b); }},
    {"c_imula", [](uint16_t a, uint16_t b) { return static_cast<uint16_t>(a * b); }},
    {"c_idiv", isdiv},
    {"c_idiva", isdiv},
    {"c_imod", ismod},
    {"c_imoda", ismod},
    {"c_ilsh", [](uint16_t a, uint16_t b) { return static_cast<uint16_t>(b >= 16 ? 0 : a << b); }},
    {"c_ursh", [](uint16_t a, uint16_t b) { return static_cast<uint16_t>(b >= 16 ? 0 : a >> b); }},
    {"c_irsh", [](uint16_t a, uint16_t b) { return static_cast<uint16_t>(s16(a) >> (b >= 16 ? 15 : b)); }},
};

TEST_F(Runtime, IntArithmeticMatchesTheHost) {
    const uint16_t boundaries[] = {0,  1,  2,   7,   8,   9,      10,     15,     16,     17,   31,
                                   255, 256, 0x7FFF, 0x8000, 0x8001, 0xFFFF, 0xFFFE, 0xFF00, 1000, 0xC000};
    std::uniform_int_distribution<int> word(0, 0xFFFF);
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
    for (uint16_t a : boundaries)
        for (uint16_t b : boundaries) pairs.emplace_back(a, b);
    for (int i = 0; i < random_cases(); ++i) {
        uint16_t b = static_cast<uint16_t>(word(rng));
        if (i % 2) b >>= byte(rng) % 16;  // small divisors and counts too
        pairs.emplace_back(static_cast<uint16_t>(word(rng)), b);
    }
    for (const IntOp& op : int_ops) {
        SCOPED_TRACE(op.name);
        int failures = 0, n = 0;
        for (auto [a, b] : pairs) {
            Call c;
            c.routine = op.name;
            c.in.cc = flags();
            c.in.d = a;
            c.in.y = b;
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            uint16_t want = op.f(a, b);
            std::string contract;
            if (++n % 4 == 0) contract = check_contract(c, o, rng, false, {});
            if (o.out.d != want || !contract.empty()) {
                ADD_FAILURE() << hexval(a) << " op " << hexval(b) << ": " << hexval(o.out.d) << ", want " << hexval(want) << " "
                              << contract;
                if (++failures > 8) break;
            }
        }
    }
}

// c_imul10, and the byte operand after the call of c_imulb and c_idivb.
TEST_F(Runtime, IntProductsAndQuotientsByConstants) {
    std::uniform_int_distribution<int> word(0, 0xFFFF);
    int failures = 0;
    for (int i = 0; i < 256 + random_cases(); ++i) {
        uint16_t a = static_cast<uint16_t>(i < 256 ? (i * 0x0101) ^ 0x8000 : word(rng));
        int k = i < 256 ? i : byte(rng);
        int8_t sk = static_cast<int8_t>(k);
        Call c;
        c.in.cc = flags();
        c.in.d = a;
        c.in.y = static_cast<uint16_t>(word(rng));
        c.routine = "c_imul10";
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        std::string contract = check_contract(c, o, rng, false, {});
        EXPECT_TRUE(o.out.d == static_cast<uint16_t>(a * 10) && contract.empty()) << hexval(a) << " " << contract;

        c.routine = "c_imulb";
        c.inline_bytes = {static_cast<uint8_t>(k)};
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        contract = check_contract(c, o, rng, false, {});
        uint16_t want = static_cast<uint16_t>(s16(a) * sk);
        if (o.out.d != want || !contract.empty()) {
            ADD_FAILURE() << "c_imulb " << hexval(a) << " * " << int(sk) << ": " << hexval(o.out.d) << " " << contract;
            ++failures;
        }

        // the dividend of c_idivb is a char widened to an int (or an int)
        c.routine = "c_idivb";
        if (i % 2) c.in.d = static_cast<uint16_t>(static_cast<int8_t>(a));
        int16_t x = s16(c.in.d);
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        contract = check_contract(c, o, rng, false, {});
        int q = sk == 0 ? 0 : x / sk, r = sk == 0 ? x : x % sk;
        if ((o.out.d & 0xFF) != (q & 0xFF) || (o.out.d >> 8) != (r & 0xFF) || !contract.empty()) {
            ADD_FAILURE() << "c_idivb " << x << " / " << int(sk) << ": B " << (o.out.d & 0xFF) << " A "
                          << (o.out.d >> 8) << " " << contract;
            ++failures;
        }
        if (failures > 8) return;
    }
}

}  // namespace
