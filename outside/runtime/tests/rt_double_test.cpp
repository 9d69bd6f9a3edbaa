// The double routines against the host's IEEE double arithmetic (round to
// nearest, ties to even), bit for bit, under the library's rules (those of
// the floats: exponent field 0 reads as 0, 2047 as the largest finite
// value; too large gives the largest finite value, below the smallest
// normal value 0 of its sign; x / 0 is the largest value of x's sign and
// 0 / 0 is +0), and the conversions between doubles, floats and integers.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "outside/runtime/tests/rt_values.h"
#include "outside/runtime/tools/rtsim.h"

namespace {

using namespace rtsim;
using namespace rtvalues;

uint64_t host(char op, uint64_t a, uint64_t b) {
    volatile double x = read_double(a), y = read_double(b);
    switch (op) {
    case '+': return written_double(x + y);
    case '-': return written_double(x - y);
    case '*': return written_double(x * y);
    default:
        if (y == 0.0) return x == 0.0 ? 0 : (a & DSIGN) | DMAX;
        return written_double(x / y);
    }
}

const uint64_t double_boundaries[] = {
    0x0000000000000000ull, 0x8000000000000000ull, 0x3FF0000000000000ull, 0xBFF0000000000000ull,
    0x3FE0000000000000ull, 0x4000000000000000ull, 0x4008000000000000ull, 0x3FF0000000000001ull,
    0x3FEFFFFFFFFFFFFFull, 0x7FEFFFFFFFFFFFFFull, 0xFFEFFFFFFFFFFFFFull, 0x0010000000000000ull,
    0x8010000000000000ull, 0x0010000000000001ull, 0x001FFFFFFFFFFFFFull, 0x0000000000000001ull,
    0x000FFFFFFFFFFFFFull, 0x7FF0000000000000ull, 0xFFF0000000000000ull, 0x7FF8000000000000ull,
    0x4340000000000000ull, 0x433FFFFFFFFFFFFFull, 0x3CA0000000000000ull, 0x3FD5555555555555ull,
    0x405EC00000000000ull, 0xC05EC00000000000ull, 0x3FB999999999999Aull, 0x41DFFFFFFFC00000ull};

uint64_t random_double(std::mt19937_64& rng, int exponent = -1) {
    uint64_t u = rng();
    if (exponent < 0) return u;
    std::uniform_int_distribution<int> near(-3, 3);
    int e = std::min(2046, std::max(1, exponent + near(rng)));
    return (u & 0x800FFFFFFFFFFFFFull) | static_cast<uint64_t>(e) << 52;
}

std::vector<std::pair<uint64_t, uint64_t>> double_pairs(std::mt19937_64& rng, int randoms) {
    std::vector<std::pair<uint64_t, uint64_t>> v;
    for (uint64_t a : double_boundaries)
        for (uint64_t b : double_boundaries) v.emplace_back(a, b);
    std::uniform_int_distribution<int> exps(1, 2046), kind(0, 3);
    for (int i = 0; i < randoms; ++i) {
        switch (kind(rng)) {
        case 0: v.emplace_back(random_double(rng), random_double(rng)); break;
        case 1: {
            int e = exps(rng);
            v.emplace_back(random_double(rng, e), random_double(rng, e));
            break;
        }
        case 2: {
            int e = kind(rng) % 2 ? 1 + kind(rng) : 2040 + kind(rng);
            v.emplace_back(random_double(rng, e), random_double(rng, kind(rng) % 2 ? e : 1023));
            break;
        }
        default: {
            std::uniform_int_distribution<int> small(-1000, 1000);
            v.emplace_back(dbits(small(rng)), dbits(small(rng) / 8.0));
            break;
        }
        }
    }
    return v;
}

std::vector<uint8_t> bytes8(uint64_t v) {
    std::vector<uint8_t> b(8);
    for (int i = 0; i < 8; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (56 - 8 * i));
    return b;
}
uint64_t peek64(uint16_t address) {
    return static_cast<uint64_t>(Target::peek32(address)) << 32 | Target::peek32(static_cast<uint16_t>(address + 4));
}

class DoubleRuntime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Target::get().build_errors, ""); }
    std::mt19937_64 rng{1729};
    std::mt19937 rng32{1729};
    uint8_t flags() { return static_cast<uint8_t>(rng() & 0x2F); }
};

TEST_F(DoubleRuntime, ArithmeticIsBitExactWithTheHost) {
    const struct {
        const char* name;
        char op;
    } ops[] = {{"c_dadd", '+'}, {"c_dsub", '-'}, {"c_dmul", '*'}, {"c_dmula", '*'}, {"c_ddiv", '/'}};
    for (const auto& op : ops) {
        SCOPED_TRACE(op.name);
        int failures = 0, n = 0;
        for (auto [a, b] : double_pairs(rng, random_cases(150))) {
            Call c;
            c.routine = op.name;
            c.in.cc = flags();
            c.in.d = OPERAND2;
            c.memory[OPERAND] = bytes8(a);
            c.memory[OPERAND2] = bytes8(b);
            Target::set_lr(c, static_cast<uint32_t>(rng()));
            c.in.d = OPERAND2;
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            uint64_t got = peek64(OPERAND), want = host(op.op, a, b);
            std::string contract;
            if (++n % 4 == 0) contract = check_contract(c, o, rng32, false, {{OPERAND, 8}, {OPERAND2, 8}});
            if (got != want || !contract.empty()) {
                ADD_FAILURE() << hex(a) << " " << op.op << " " << hex(b) << " (" << read_double(a) << " " << op.op << " "
                              << read_double(b) << "): " << hex(got) << ", want " << hex(want) << " " << contract;
                if (++failures > 8) break;
            }
        }
    }
}

TEST_F(DoubleRuntime, ComparisonOrdersTheValuesAndNegationFlipsTheSign) {
    int failures = 0, n = 0;
    for (auto [a, b] : double_pairs(rng, random_cases(300))) {
        if (n % 7 == 0) b = a;
        Call c;
        c.routine = "c_dcmp";
        c.in.cc = flags();
        c.in.d = OPERAND2;
        c.memory[OPERAND] = bytes8(a);
        c.memory[OPERAND2] = bytes8(b);
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        double x = read_double(a), y = read_double(b);
        bool z = o.out.cc & 0x04, less = ((o.out.cc >> 3) ^ (o.out.cc >> 1)) & 1;
        std::string contract;
        if (++n % 4 == 0) contract = check_contract(c, o, rng32, true, {{OPERAND, 8}});
        if (z != (x == y) || less != (x < y) || !contract.empty()) {
            ADD_FAILURE() << "c_dcmp " << hex(a) << " with " << hex(b) << ": flags " << hex(uint32_t{o.out.cc}) << " "
                          << contract;
            if (++failures > 8) return;
        }
        c.routine = "c_dneg";
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        if (n % 4 == 0) contract = check_contract(c, o, rng32, false, {{OPERAND, 8}});
        uint64_t want = (a >> 52 & 0x7FF) == 0 ? (a ^ DSIGN) & DSIGN : a ^ DSIGN;
        if (peek64(OPERAND) != want || !contract.empty()) {
            ADD_FAILURE() << "c_dneg " << hex(a) << ": " << hex(peek64(OPERAND)) << " " << contract;
            if (++failures > 8) return;
        }
    }
}

// Integers and floats to doubles, exactly.
TEST_F(DoubleRuntime, IntegersAndFloatsBecomeDoublesExactly) {
    int failures = 0, n = 0;
    std::vector<uint32_t> values{0,          1,          2,          0x7FFF,     0x8000,     0xFFFF,     0x10000,
                                 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF, 0x00800000, 0x7F7FFFFF, 0xFF7FFFFF,
                                 0x7F800000, 0x7FC00000, 0x00000001, 0x80000001, 0x3F800000, 0x3EAAAAAB};
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> bits(1, 32);
    for (int i = 0; i < random_cases(600); ++i) {
        int k = bits(rng32);
        values.push_back(k == 32 ? any(rng32) : any(rng32) & ((1u << k) - 1));
    }
    for (uint32_t v : values) {
        struct {
            const char* name;
            uint64_t want;
        } rows[] = {
            {"c_itod", dbits(static_cast<int16_t>(v))},
            {"c_uitod", dbits(static_cast<uint16_t>(v))},
            {"c_ltod", dbits(static_cast<int32_t>(v))},
            {"c_ultod", dbits(v)},
            {"c_ftod", written_double(read_float(v))},
        };
        for (const auto& row : rows) {
            Call c;
            c.routine = row.name;
            c.in.cc = flags();
            Target::set_lr(c, v);
            c.memory[OPERAND] = bytes8(rng());
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            std::string contract;
            if (++n % 4 == 0) contract = check_contract(c, o, rng32, false, {{OPERAND, 8}, {FRAME + 2, 2}});
            if (peek64(OPERAND) != row.want || !contract.empty()) {
                ADD_FAILURE() << row.name << " " << std::hex << v << ": " << hex(peek64(OPERAND)) << ", want "
                              << hex(row.want) << " " << contract;
                if (++failures > 8) return;
            }
        }
    }
}

// Doubles to integers (truncated, limited to the range) and to floats
// (rounded to nearest even, under the float rules).
TEST_F(DoubleRuntime, DoublesBecomeIntegersAndFloats) {
    int failures = 0, n = 0;
    std::vector<uint64_t> values(std::begin(double_boundaries), std::end(double_boundaries));
    for (double f : {32767.0, 32767.99, 32768.0, -32768.0, -32768.99, -32769.0, 0.999, -0.999, 2147483647.0,
                     2147483647.99, 2147483648.0, -2147483648.0, -2147483648.99, -2147483649.0, 1e300, -1e300,
                     3e9, 4294967295.0, 4294967295.99, 4294967296.0,
                     123.75, -123.75, 3.4028235677973366e38, 3.4028234663852886e38, 1.1754943508222875e-38,
                     1.1754942807573643e-38, 1.1754942106924411e-38, 1.4e-45, 1.0000000596046448, 1.0000001788139343})
        values.push_back(dbits(f));
    std::uniform_int_distribution<int> exps(1000, 1060), fexps(890, 1160);
    for (int i = 0; i < random_cases(600); ++i) {
        values.push_back(random_double(rng, exps(rng32)));
        values.push_back(random_double(rng, fexps(rng32)));
    }
    for (uint64_t v : values) {
        double x = read_double(v);
        double t = std::trunc(x);
        int16_t want_i = t >= 32767 ? 32767 : t <= -32768 ? -32768 : static_cast<int16_t>(t);
        // long and unsigned long alike: -2^31 .. 2^32 - 1
        uint32_t want_l = t >= 4294967295.0  ? 0xFFFFFFFFu
                          : t <= -2147483648.0 ? 0x80000000u
                          : t >= 0             ? static_cast<uint32_t>(t)
                                               : static_cast<uint32_t>(static_cast<int32_t>(t));
        volatile double vx = x;
        uint32_t want_f = written_float(static_cast<float>(vx));
        Call c;
        c.in.cc = flags();
        Target::set_lr(c, static_cast<uint32_t>(rng()));
        c.memory[OPERAND] = bytes8(v);
        c.routine = "c_dtoi";
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        std::string contract;
        if (++n % 4 == 0) contract = check_contract(c, o, rng32, false, {{FRAME + 2, 2}});
        if (o.out.d != static_cast<uint16_t>(want_i) || !contract.empty()) {
            ADD_FAILURE() << "c_dtoi " << hex(v) << " (" << x << "): " << static_cast<int16_t>(o.out.d) << " "
                          << contract;
            if (++failures > 8) return;
        }
        c.routine = "c_dtol";
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        if (n % 4 == 0) contract = check_contract(c, o, rng32, false, {{FRAME + 2, 2}});
        if (Target::lr(o) != want_l || !contract.empty()) {
            ADD_FAILURE() << "c_dtol " << hex(v) << " (" << x << "): " << static_cast<int32_t>(Target::lr(o)) << " "
                          << contract;
            if (++failures > 8) return;
        }
        c.routine = "c_dtof";
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        if (n % 4 == 0) contract = check_contract(c, o, rng32, false, {{FRAME + 2, 2}});
        if (Target::lr(o) != want_f || !contract.empty()) {
            ADD_FAILURE() << "c_dtof " << hex(v) << " (" << x << "): " << std::hex << Target::lr(o) << ", want "
                          << want_f << " " << contract;
            if (++failures > 8) return;
        }
    }
}

}  // namespace
