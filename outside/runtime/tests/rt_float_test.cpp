// The float routines against the host's IEEE single arithmetic (round to
// nearest, ties to even), bit for bit, under the library's rules: an
// operand with exponent field 0 is 0 (of its sign) and one with exponent
// field 255 the largest finite value of its sign; a result too large is
// the largest finite value, one below the smallest normal value is 0 of
// its sign; x / 0 is the largest value of x's sign and 0 / 0 is +0.
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

// The operation as the host does it, with volatile operands so that the
// compiler folds nothing.
uint32_t host(char op, uint32_t a, uint32_t b) {
    volatile float x = read_float(a), y = read_float(b);
    switch (op) {
    case '+': return written_float(x + y);
    case '-': return written_float(x - y);
    case '*': return written_float(x * y);
    default:
        if (y == 0.0f) return x == 0.0f ? 0 : (a & 0x80000000u) | FMAX;
        return written_float(x / y);
    }
}

const uint32_t float_boundaries[] = {
    0x00000000, 0x80000000, 0x3F800000, 0xBF800000, 0x3F000000, 0x40000000, 0x40400000, 0x3F800001,
    0x3F7FFFFF, 0x7F7FFFFF, 0xFF7FFFFF, 0x7F7FFFFE, 0x00800000, 0x80800000, 0x00800001, 0x00FFFFFF,
    0x01000000, 0x00000001, 0x807FFFFF, 0x007FFFFF, 0x7F800000, 0xFF800000, 0x7FC00000, 0xFFC00001,
    0x4B800000, 0x4B7FFFFF, 0x33800000, 0x34000000, 0x3EAAAAAB, 0x42F60000, 0xC2F60000, 0x3DCCCCCD};

// Random floats: any bits, or exponents close to a given one.
uint32_t random_float(std::mt19937& rng, int exponent = -1) {
    std::uniform_int_distribution<uint32_t> any;
    uint32_t u = any(rng);
    if (exponent < 0) return u;
    std::uniform_int_distribution<int> near(-3, 3);
    int e = std::min(254, std::max(1, exponent + near(rng)));
    return (u & 0x807FFFFFu) | static_cast<uint32_t>(e) << 23;
}

std::vector<std::pair<uint32_t, uint32_t>> float_pairs(std::mt19937& rng, int randoms) {
    std::vector<std::pair<uint32_t, uint32_t>> v;
    for (uint32_t a : float_boundaries)
        for (uint32_t b : float_boundaries) v.emplace_back(a, b);
    std::uniform_int_distribution<int> exps(1, 254), kind(0, 3);
    for (int i = 0; i < randoms; ++i) {
        switch (kind(rng)) {
        case 0: v.emplace_back(random_float(rng), random_float(rng)); break;
        case 1: {  // exponents close together: alignment and cancellation
            int e = exps(rng);
            v.emplace_back(random_float(rng, e), random_float(rng, e));
            break;
        }
        case 2: {  // near the ends of the range
            int e = kind(rng) % 2 ? 1 + kind(rng) : 250 + kind(rng);
            v.emplace_back(random_float(rng, e), random_float(rng, kind(rng) % 2 ? e : 127));
            break;
        }
        default: {  // small integers and their neighbours
            std::uniform_int_distribution<int> small(-1000, 1000);
            v.emplace_back(fbits(static_cast<float>(small(rng))), fbits(static_cast<float>(small(rng)) / 8));
            break;
        }
        }
    }
    return v;
}

class FloatRuntime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Target::get().build_errors, ""); }
    std::mt19937 rng{4711};
    std::uniform_int_distribution<int> byte{0, 255};
    uint8_t flags() { return static_cast<uint8_t>(byte(rng) & 0x2F); }

    static void set_operand(Call& c, uint32_t v) {
        c.memory[OPERAND] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                             static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    }
};

struct FloatOp {
    const char* name;
    char op;
    bool g;  // the float at Y = itself op the long register
};

const FloatOp float_ops[] = {
    {"c_fadd", '+', false},  {"c_fsub", '-', false},  {"c_fmul", '*', false},  {"c_fmula", '*', false},
    {"c_fdiv", '/', false},  {"c_fgadd", '+', true},  {"c_fgsub", '-', true},  {"c_fgmul", '*', true},
    {"c_fgmula", '*', true}, {"c_fgdiv", '/', true},
};

TEST_F(FloatRuntime, ArithmeticIsBitExactWithTheHost) {
    for (const FloatOp& op : float_ops) {
        SCOPED_TRACE(op.name);
        int failures = 0, n = 0;
        for (auto [a, b] : float_pairs(rng, random_cases(400))) {
            Call c;
            c.routine = op.name;
            c.in.cc = flags();
            Target::set_lr(c, op.g ? b : a);
            set_operand(c, op.g ? a : b);
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            uint32_t got = op.g ? Target::peek32(OPERAND) : Target::lr(o);
            uint32_t want = host(op.op, a, b);
            std::string contract;
            if (++n % 4 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}, {OPERAND, 4}});
            if (got != want || !contract.empty()) {
                ADD_FAILURE() << hex(a) << " " << op.op << " " << hex(b) << " (" << read_float(a) << " " << op.op << " "
                              << read_float(b) << "): " << hex(got) << ", want " << hex(want) << " " << contract;
                if (++failures > 8) break;
            }
        }
    }
}

TEST_F(FloatRuntime, ComparisonOrdersTheValuesAndNegationFlipsTheSign) {
    int failures = 0, n = 0;
    for (auto [a, b] : float_pairs(rng, random_cases(400))) {
        if (n % 7 == 0) b = a;
        Call c;
        c.routine = "c_fcmp";
        c.in.cc = flags();
        Target::set_lr(c, a);
        set_operand(c, b);
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        float x = read_float(a), y = read_float(b);
        bool z = o.out.cc & 0x04, less = ((o.out.cc >> 3) ^ (o.out.cc >> 1)) & 1;
        std::string contract;
        if (++n % 4 == 0) contract = check_contract(c, o, rng, true, {});
        if (z != (x == y) || less != (x < y) || !contract.empty()) {
            ADD_FAILURE() << "c_fcmp " << hex(a) << " with " << hex(b) << ": flags " << hex(uint32_t{o.out.cc}) << " "
                          << contract;
            if (++failures > 8) return;
        }
        c.routine = "c_fneg";
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        uint32_t want = (a >> 23 & 0xFF) == 0 ? (a ^ 0x80000000u) & 0x80000000u : a ^ 0x80000000u;
        if (Target::lr(o) != want) {
            ADD_FAILURE() << "c_fneg " << hex(a) << ": " << hex(Target::lr(o));
            if (++failures > 8) return;
        }
    }
}

TEST_F(FloatRuntime, IntegersBecomeFloatsRoundedToNearestEven) {
    int failures = 0, n = 0;
    std::vector<uint32_t> values{0,          1,          2,          3,          0x7FFF,     0x8000,    0x8001,
                                 0xFFFF,     0x10000,    0xFFFFFF,   0x1000000,  0x1000001,  0x1000002, 0x1000003,
                                 0x2000003,  0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF, 0xFFFFFF7F,
                                 0xFFFFFF80, 0xFFFFFF81, 0x7FFFFFC0, 0x7FFFFFBF, 0xFFFFFFC0};
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> bits(1, 32);
    for (int i = 0; i < random_cases(1000); ++i) {
        int k = bits(rng);
        values.push_back(k == 32 ? any(rng) : any(rng) & ((1u << k) - 1));
    }
    for (uint32_t v : values) {
        Call c;
        c.in.cc = flags();
        struct {
            const char* name;
            bool wide;
            uint32_t want;
        } rows[] = {
            {"c_itof", false, fbits(static_cast<float>(static_cast<int16_t>(v)))},
            {"c_uitof", false, fbits(static_cast<float>(static_cast<uint16_t>(v)))},
            {"c_ltof", true, written_float(static_cast<float>(static_cast<int32_t>(v)))},
            {"c_ultof", true, written_float(static_cast<float>(v))},
        };
        for (const auto& row : rows) {
            c.routine = row.name;
            Target::set_lr(c, row.wide ? v : (v ^ 0xA5A50000u));
            c.in.d = static_cast<uint16_t>(v);
            Outcome o = Target::get().run(c);
            ASSERT_TRUE(o.ok) << o.error;
            std::string contract;
            if (++n % 4 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}});
            if (Target::lr(o) != written_float(float_of(row.want)) || !contract.empty()) {
                ADD_FAILURE() << row.name << " " << hex(v) << ": " << hex(Target::lr(o)) << ", want " << hex(row.want)
                              << " " << contract;
                if (++failures > 8) return;
            }
        }
    }
}

TEST_F(FloatRuntime, FloatsBecomeIntegersTruncatedAndClampedToTheRange) {
    int failures = 0, n = 0;
    std::vector<uint32_t> values(std::begin(float_boundaries), std::end(float_boundaries));
    for (float f : {32767.0f, 32767.9f, 32768.0f, -32768.0f, -32768.9f, -32769.0f, 0.999f, -0.999f, 2147483520.0f,
                    2147483648.0f, -2147483648.0f, -2147483904.0f, 65535.0f, 1e10f, -1e10f, 123.75f, -123.75f,
                    3e9f, 4294967040.0f, 4294967296.0f})
        values.push_back(fbits(f));
    std::uniform_int_distribution<int> exps(120, 160);
    for (int i = 0; i < random_cases(1000); ++i) values.push_back(random_float(rng, exps(rng)));
    for (uint32_t v : values) {
        double x = read_float(v);
        double t = std::trunc(x);
        int16_t want_i = t >= 32767 ? 32767 : t <= -32768 ? -32768 : static_cast<int16_t>(t);
        // long and unsigned long alike: -2^31 .. 2^32 - 1
        uint32_t want_l = t >= 4294967295.0  ? 0xFFFFFFFFu
                          : t <= -2147483648.0 ? 0x80000000u
                          : t >= 0             ? static_cast<uint32_t>(t)
                                               : static_cast<uint32_t>(static_cast<int32_t>(t));
        Call c;
        c.in.cc = flags();
        Target::set_lr(c, v);
        c.routine = "c_ftoi";
        Outcome o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        std::string contract;
        if (++n % 4 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}});
        if (o.out.d != static_cast<uint16_t>(want_i) || Target::peek32(FRAME + 2) >> 16 != v >> 16 ||
            !contract.empty()) {
            ADD_FAILURE() << "c_ftoi " << hex(v) << " (" << x << "): " << static_cast<int16_t>(o.out.d) << " "
                          << contract;
            if (++failures > 8) return;
        }
        c.routine = "c_ftol";
        o = Target::get().run(c);
        ASSERT_TRUE(o.ok) << o.error;
        if (++n % 4 == 0) contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}});
        if (Target::lr(o) != want_l || !contract.empty()) {
            ADD_FAILURE() << "c_ftol " << hex(v) << " (" << x << "): " << static_cast<int32_t>(Target::lr(o)) << " "
                          << contract;
            if (++failures > 8) return;
        }
    }
}

}  // namespace
