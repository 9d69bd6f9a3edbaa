// The routines that build frames, move the stack, check it, dispatch
// switches, call far functions, handle long bit-fields, write EEPROM and
// move blocks: each run in the simulator with the registers the
// optimiser's table says it keeps checked.
#include <gtest/gtest.h>

#include <algorithm>

#include "outside/runtime/tests/rt_values.h"
#include "outside/runtime/tools/rtsim.h"

namespace {

using namespace rtsim;

using rtvalues::hexval;

std::vector<uint8_t> word(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }
std::vector<uint8_t> long_bytes(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}

// Machine code for the call sequences written out below.
struct Code {
    std::vector<uint8_t> bytes;
    Code& op(std::initializer_list<uint8_t> b) {
        bytes.insert(bytes.end(), b);
        return *this;
    }
    Code& jsr(uint16_t a) { return op({0xBD, static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)}); }
    Code& ldd(uint16_t v) { return op({0xCC, static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}); }
    Code& ldy(uint16_t v) { return op({0x18, 0xCE, static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}); }
    Code& pshd() { return op({0x37, 0x36}); }
    Code& data(const std::vector<uint8_t>& b) {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
};

class MiscRuntime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Target::get().build_errors, ""); }
    Target& t = Target::get();
    std::mt19937 rng{99};
    uint16_t random_word() { return static_cast<uint16_t>(rng()); }
    uint8_t flags() { return static_cast<uint8_t>(rng() & 0x2F); }
};

TEST_F(MiscRuntime, EveryRoutineOfTheOptimisersTableIsInTheLibrary) {
    for (const std::string& name : table_routines()) EXPECT_TRUE(t.has(name)) << name;
    EXPECT_TRUE(t.has("c_lreg"));
}

// Frame after an entry routine, with SP_e the SP of the call and R the
// register argument: the caller's X at SP_e-1, the argument at F =
// SP_e-1-R, X = F-N holding SP_e-2, SP = X-1; and the linked exit
// "lds 0,x; pulx; rts" of a function returns to its caller.
TEST_F(MiscRuntime, EntryRoutinesBuildTheLinkedFrame) {
    const struct {
        const char* name;
        int r;
        bool wide;
    } rows[] = {{"c_ents", 0, false},  {"c_entl", 0, true},  {"c_kenst", 1, false}, {"c_kenlt", 1, true},
                {"c_kents", 2, false}, {"c_kentl", 2, true}, {"c_kenls", 4, false}, {"c_kenll", 4, true}};
    for (const auto& row : rows)
        for (int n : row.wide ? std::vector<int>{5, 256, 300, 1000} : std::vector<int>{2, 5, 12, 100, 255}) {
            SCOPED_TRACE(std::string(row.name) + " " + std::to_string(n));
            Call c;
            c.routine = row.name;
            c.inline_bytes = row.wide ? word(static_cast<uint16_t>(n)) : std::vector<uint8_t>{static_cast<uint8_t>(n)};
            c.in.d = random_word();
            c.in.y = random_word();
            c.in.cc = flags();
            uint16_t high = random_word();
            c.memory[FRAME + 2] = word(high);
            Outcome o = t.run(c);
            ASSERT_TRUE(o.ok) << o.error;
            uint16_t spe = STACK, f = static_cast<uint16_t>(spe - 1 - row.r);
            EXPECT_EQ(o.out.x, f - n);
            EXPECT_EQ(o.out.sp, o.out.x - 1);
            EXPECT_EQ(Target::peek16(o.out.x), spe - 2);
            EXPECT_EQ(Target::peek16(spe - 1), FRAME);
            if (row.r == 1) {
                EXPECT_EQ(Target::peek(f, 1)[0], c.in.d & 0xFF);
            }
            if (row.r == 2) {
                EXPECT_EQ(Target::peek16(f), c.in.d);
            }
            if (row.r == 4) {
                EXPECT_EQ(Target::peek16(f), high);
                EXPECT_EQ(Target::peek16(f + 2), c.in.d);
            }
            EXPECT_EQ(check_contract(c, o, rng, false, {}), "");

            // A whole function: called from the stub, it enters and leaves.
            uint16_t func = STUB + 0x40;
            Code body;
            body.jsr(t.symbol(row.name)).data(c.inline_bytes).op({0x18, 0xCE, 0x12, 0x34});  // ldy #$1234
            body.op({0xAE, 0x00, 0x38, 0x39});  // lds 0,x; pulx; rts
            Target::poke(func, body.bytes);
            Call whole;
            whole.code = Code().jsr(func).bytes;
            whole.in = c.in;
            Outcome w = t.run(whole);
            ASSERT_TRUE(w.ok) << w.error;
            EXPECT_EQ(w.out.sp, STACK);
            EXPECT_EQ(w.out.x, FRAME);
        }
}

TEST_F(MiscRuntime, StackMovesKeepDAndXAndWriteNothingTheyKeep) {
    struct Row {
        const char* name;
        int count;     // the inline operand
        int move;      // how SP moves
    };
    std::vector<Row> rows;
    for (int n : {5, 6, 7, 8, 100, 254, 255}) rows.push_back({"c_msps", n, n});
    for (int n : {256, 257, 1000, 30000}) rows.push_back({"c_mspl", n, n});
    for (int n : {-11, -12, -13, -100, -1000}) rows.push_back({"c_mspo", n + 2, n});
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.count));
        Call c;
        c.routine = row.name;
        c.in.sp = 0x5000;
        c.in.d = random_word();
        c.in.cc = flags();
        c.inline_bytes = row.move > 0 && row.count < 256 ? std::vector<uint8_t>{static_cast<uint8_t>(row.count)}
                                                         : word(static_cast<uint16_t>(row.count));
        uint16_t after = static_cast<uint16_t>(0x5000 + row.move);
        // what lies above both the old and the new SP stays
        uint16_t kept = static_cast<uint16_t>(std::max(0x5000, 0x5000 + row.move) + 1);
        std::vector<uint8_t> guard(24);
        for (auto& b : guard) b = static_cast<uint8_t>(rng());
        c.memory[kept] = guard;
        Outcome o = t.run(c);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.out.sp, after);
        EXPECT_EQ(Target::peek(kept, 24), guard);
        EXPECT_EQ(check_contract(c, o, rng, false, {}), "");
    }
}

TEST_F(MiscRuntime, StackCheckStopsTheProgramWhenTheFunctionWouldReachTheData) {
    uint16_t limit = t.symbol("__memory");
    ASSERT_NE(limit, 0);
    const struct {
        uint16_t sp;
        int locals;
        bool stops;
    } rows[] = {{STACK, 10, false}, {static_cast<uint16_t>(limit + 20), 10, false},
                {static_cast<uint16_t>(limit + 19), 10, true}, {static_cast<uint16_t>(limit + 100), 200, true},
                {0x0030, 100, true}, {0xFF00, 2000, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(hexval(row.sp) + " " + std::to_string(row.locals));
        Call c;
        c.routine = "c_check";
        c.in.sp = row.sp;
        c.in.d = random_word();
        c.in.y = static_cast<uint16_t>(-(row.locals + 10));
        c.stops = {t.symbol("c_stkerr")};
        Outcome o = t.run(c, 2000);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.pc == t.symbol("c_stkerr"), row.stops);
        if (!row.stops) {
            EXPECT_EQ(check_contract(c, o, rng, false, {}), "");
        }
    }
}

// A switch table as the front end writes it, and where a value goes.
struct SwitchTable {
    struct Run {
        uint32_t first;
        std::vector<uint16_t> labels;
    };
    std::vector<Run> runs;
    std::vector<std::pair<uint16_t, uint32_t>> pairs;  // label, value
    uint16_t fallback = 0;

    std::vector<uint8_t> bytes(bool wide) const {
        std::vector<uint8_t> b;
        auto value = [&](uint32_t v) {
            std::vector<uint8_t> x = wide ? long_bytes(v) : word(static_cast<uint16_t>(v));
            b.insert(b.end(), x.begin(), x.end());
        };
        auto w = [&](uint16_t v) { b.push_back(static_cast<uint8_t>(v >> 8)), b.push_back(static_cast<uint8_t>(v)); };
        for (const Run& r : runs) {
            w(static_cast<uint16_t>(r.labels.size()));
            value(r.first);
            for (uint16_t l : r.labels) w(l);
        }
        w(0);
        w(static_cast<uint16_t>(pairs.size()));
        for (auto [l, v] : pairs) {
            w(l);
            value(v);
        }
        w(fallback);
        return b;
    }
    uint16_t target(uint32_t v, bool wide) const {
        uint32_t mask = wide ? 0xFFFFFFFFu : 0xFFFFu;
        for (const Run& r : runs)
            if (((v - r.first) & mask) < r.labels.size()) return r.labels[(v - r.first) & mask];
        for (auto [l, value] : pairs)
            if (((value ^ v) & mask) == 0) return l;
        return fallback;
    }
};

TEST_F(MiscRuntime, SwitchDispatchJumpsToTheCaseOfTheValue) {
    // c_jctab: the labels after the call, B the index
    std::vector<uint16_t> labels;
    for (int i = 0; i < 40; ++i) labels.push_back(static_cast<uint16_t>(0x1100 + 3 * i));
    Call c;
    c.routine = "c_jctab";
    for (uint16_t l : labels) {
        std::vector<uint8_t> w = word(l);
        c.inline_bytes.insert(c.inline_bytes.end(), w.begin(), w.end());
    }
    c.stops = labels;
    for (int i = 0; i < 40; ++i) {
        c.in.d = static_cast<uint16_t>((random_word() & 0xFF00) | i);
        c.in.cc = flags();
        Outcome o = t.run(c);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.pc, labels[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(check_contract(c, o, rng, false, {}), "") << i;
    }

    // c_jtab and c_jltab: runs, pairs and a default
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "c_jltab" : "c_jtab");
        for (int table = 0; table < 12; ++table) {
            SwitchTable s;
            uint16_t next = 0x1100;
            std::vector<uint16_t> all;
            auto label = [&] {
                all.push_back(next);
                next = static_cast<uint16_t>(next + 3);
                return all.back();
            };
            s.fallback = label();
            std::vector<uint32_t> probes{0, 1, 0xFFFF, 0x8000, 0x7FFF, 0xFFFFFFFF, 0x80000000, 0x10000, 0xFFFF0000};
            int runs = static_cast<int>(rng() % 3);
            for (int r = 0; r < runs; ++r) {
                SwitchTable::Run run;
                run.first = wide ? static_cast<uint32_t>(rng()) : random_word();
                if (table % 3 == 0) run.first = static_cast<uint32_t>(static_cast<int32_t>(rng() % 64) - 32);
                int span = 1 + static_cast<int>(rng() % 12);
                for (int k = 0; k < span; ++k) run.labels.push_back(rng() % 4 ? label() : s.fallback);
                for (int k = -2; k <= span + 1; ++k) probes.push_back(run.first + static_cast<uint32_t>(k));
                s.runs.push_back(run);
            }
            int pairs = static_cast<int>(rng() % 8);
            for (int p = 0; p < pairs; ++p) {
                uint32_t v = wide ? static_cast<uint32_t>(rng()) : random_word();
                if (p % 2) v = static_cast<uint32_t>(static_cast<int32_t>(rng() % 64) - 32);
                s.pairs.emplace_back(label(), v);
                probes.push_back(v);
                probes.push_back(v + 1);
                probes.push_back(v ^ 0x10000);
            }
            for (int k = 0; k < 10; ++k) probes.push_back(static_cast<uint32_t>(rng()));
            Call c;
            c.routine = wide ? "c_jltab" : "c_jtab";
            c.memory[0x3200] = s.bytes(wide);
            c.inline_bytes = word(0x3200);
            c.stops = all;
            for (uint32_t v : probes) {
                if (wide) Target::set_lr(c, v);
                else c.in.d = static_cast<uint16_t>(v);
                c.in.cc = flags();
                Outcome o = t.run(c);
                ASSERT_TRUE(o.ok) << o.error;
                EXPECT_EQ(o.pc, s.target(v, wide)) << "table " << table << " value " << hexval(v);
                std::string contract = check_contract(c, o, rng, false, {});
                EXPECT_EQ(contract, "");
            }
        }
    }
}

// A far function called through its descriptor sees its page selected and
// its stack argument where an ordinary call puts it, and returns with D;
// the caller's page and the context chain come back.
TEST_F(MiscRuntime, FarCallsSelectThePageOfTheCalleeAndRestoreTheCallers) {
    uint16_t page = t.symbol("c_wpage"), ctx = t.symbol("c_wctx");
    ASSERT_NE(page, 0);
    // the far function: records the page and its stack argument, D + 1
    uint16_t func = 0x1200;
    Target::poke(func, {0x18, 0xFE, static_cast<uint8_t>(page >> 8), static_cast<uint8_t>(page),  // ldy c_wpage
                        0x18, 0xFF, 0x33, 0x00,                                                    // sty $3300
                        0x18, 0x30,                                                                // tsy
                        0x18, 0xEE, 0x02,                                                          // ldy 2,y
                        0x18, 0xFF, 0x33, 0x02,                                                    // sty $3302
                        0xC3, 0x00, 0x01,                                                          // addd #1
                        0x39});                                                                    // rts
    const struct {
        const char* save;
        const char* call;
        bool stackless;
        int context;
    } rows[] = {{"c_wsavc", "c_wcalc", false, 6},
                {"c_wsavk", "c_wcalk", false, 5},
                {"c_wssvc", "c_wcslc", true, 6},
                {"c_wssvk", "c_wcslk", true, 5}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.call);
        uint16_t descriptor = 0x3400, old_page = random_word(), new_page = random_word(), arg = random_word();
        Target::poke(descriptor, {static_cast<uint8_t>(new_page >> 8), static_cast<uint8_t>(new_page),
                                  static_cast<uint8_t>(func >> 8), static_cast<uint8_t>(func)});
        Target::poke(page, word(old_page));
        Target::poke(ctx, word(0x4321));
        Code code;
        if (row.stackless) code.ldy(0x3500).jsr(t.symbol(row.save));
        else code.jsr(t.symbol(row.save));
        code.ldd(arg).pshd().ldd(0x1234).ldy(descriptor).jsr(t.symbol(row.call));
        Call c;
        c.code = code.bytes;
        Outcome o = t.run(c);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.out.d, 0x1235);
        EXPECT_EQ(o.out.x, FRAME);
        EXPECT_EQ(o.out.sp, STACK - 2 - (row.stackless ? 0 : row.context));
        uint16_t used = row.context == 6 ? 0xFFFF : 0x00FF;  // type k selects a byte
        EXPECT_EQ(Target::peek16(0x3300) & used, new_page & used);
        EXPECT_EQ(Target::peek16(0x3302), arg);
        EXPECT_EQ(Target::peek16(page) & used, old_page & used);
        EXPECT_EQ(Target::peek16(ctx), 0x4321);
    }
    // the saves alone keep what the table says
    for (const auto& row : rows) {
        Call c;
        c.memory[ctx] = word(0x4321);
        c.memory[page] = word(0x5678);
        c.routine = row.save;
        c.in.y = 0x3500;
        c.in.cc = flags();
        Outcome o = t.run(c);
        ASSERT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.out.sp, STACK - (row.stackless ? 0 : row.context)) << row.save;
        EXPECT_EQ(check_contract(c, o, rng, false, {}), "");
    }
}

TEST_F(MiscRuntime, LongBitFieldsReadAndWriteOnlyTheirBits) {
    int failures = 0, n = 0;
    for (int offset = 0; offset < 32; ++offset)
        for (int width = 1; offset + width <= 32; ++width) {
            if (++n % 3 && random_cases() < 1000) continue;
            uint32_t unit = static_cast<uint32_t>(rng()), value = static_cast<uint32_t>(rng());
            uint32_t mask = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
            std::vector<uint8_t> descriptor{static_cast<uint8_t>(offset), static_cast<uint8_t>(width)};
            Call c;
            c.in.cc = flags();
            c.inline_bytes = descriptor;
            c.routine = "c_bfget";
            Target::set_lr(c, unit);
            Outcome o = t.run(c);
            ASSERT_TRUE(o.ok) << o.error;
            std::string contract = check_contract(c, o, rng, false, {{FRAME + 2, 2}});
            if (Target::lr(o) != ((unit >> offset) & mask) || !contract.empty()) {
                ADD_FAILURE() << "c_bfget " << hexval(unit) << " " << offset << ":" << width << ": "
                              << hexval(Target::lr(o)) << " " << contract;
                if (++failures > 8) return;
            }
            for (const char* name : {"c_bfput", "c_eewbfx"}) {
                c.routine = name;
                Target::set_lr(c, value);
                c.memory[OPERAND] = long_bytes(unit);
                o = t.run(c);
                ASSERT_TRUE(o.ok) << o.error;
                uint32_t want = (unit & ~(mask << offset)) | ((value & mask) << offset);
                contract = check_contract(c, o, rng, false, {{OPERAND, 4}});
                if (Target::peek32(OPERAND) != want || !contract.empty()) {
                    ADD_FAILURE() << name << " " << hexval(value) << " into " << hexval(unit) << " " << offset << ":"
                                  << width << ": " << hexval(Target::peek32(OPERAND)) << " " << contract;
                    if (++failures > 8) return;
                }
            }
        }
}

TEST_F(MiscRuntime, EepromWritesStoreTheirBytes) {
    for (int i = 0; i < 50; ++i) {
        uint32_t lr = static_cast<uint32_t>(rng());
        uint16_t old = random_word();
        uint8_t mask = static_cast<uint8_t>(rng()), mask2 = static_cast<uint8_t>(rng());
        Call c;
        c.in.cc = flags();
        Target::set_lr(c, lr);
        c.memory[OPERAND] = {static_cast<uint8_t>(old >> 8), static_cast<uint8_t>(old), 0x11, 0x22, 0x33, 0x44,
                             0x55, 0x66, 0x77, 0x88};
        struct {
            const char* name;
            std::vector<uint8_t> inline_bytes;
            std::vector<uint8_t> want;
        } rows[] = {
            {"c_eewrc", {}, {static_cast<uint8_t>(lr), static_cast<uint8_t>(old)}},
            {"c_eewrw", {}, word(static_cast<uint16_t>(lr))},
            {"c_eewrl", {}, long_bytes(lr)},
            {"c_eewbfb",
             {mask},
             {static_cast<uint8_t>(((old >> 8) & ~mask) | (lr & mask)), static_cast<uint8_t>(old)}},
            {"c_eewbfd",
             {mask, mask2},
             {static_cast<uint8_t>(((old >> 8) & ~mask) | ((lr >> 8) & mask)),
              static_cast<uint8_t>((old & ~mask2) | (lr & mask2))}},
        };
        for (const auto& row : rows) {
            c.routine = row.name;
            c.inline_bytes = row.inline_bytes;
            Outcome o = t.run(c);
            ASSERT_TRUE(o.ok) << o.error;
            std::vector<uint8_t> got = Target::peek(OPERAND, row.want.size());
            EXPECT_EQ(got, row.want) << row.name;
            EXPECT_EQ(Target::peek(OPERAND + 6, 4), (std::vector<uint8_t>{0x55, 0x66, 0x77, 0x88})) << row.name;
            EXPECT_EQ(check_contract(c, o, rng, false, {{OPERAND, 8}}), "");
        }
    }
    // c_eewrd: the double pushed just before the call
    std::vector<uint8_t> dbl{1, 2, 3, 4, 5, 6, 7, 8};
    Code code;
    code.ldd(0x0708).pshd().ldd(0x0506).pshd().ldd(0x0304).pshd().ldd(0x0102).pshd();
    code.ldd(0xBEEF).ldy(OPERAND).jsr(t.symbol("c_eewrd"));
    Call c;
    c.code = code.bytes;
    Outcome o = t.run(c);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(Target::peek(OPERAND, 8), dbl);
    EXPECT_EQ(o.out.d, 0xBEEF);
    EXPECT_EQ(o.out.y, OPERAND);
    EXPECT_EQ(o.out.sp, STACK - 8);
    // c_eewstr: n bytes from D
    for (int count : {1, 7, 255, 256, 300}) {
        Call s;
        s.routine = "c_eewstr";
        s.in.d = 0x4000;
        s.inline_bytes = word(static_cast<uint16_t>(count));
        std::vector<uint8_t> src(static_cast<size_t>(count));
        for (auto& b : src) b = static_cast<uint8_t>(rng());
        s.memory[0x4000] = src;
        s.memory[static_cast<uint16_t>(OPERAND + count)] = {0xA5};
        Outcome w = t.run(s);
        ASSERT_TRUE(w.ok) << w.error;
        EXPECT_EQ(Target::peek(OPERAND, static_cast<size_t>(count)), src) << count;
        EXPECT_EQ(Target::peek(static_cast<uint16_t>(OPERAND + count), 1)[0], 0xA5) << count;
        EXPECT_EQ(check_contract(s, w, rng, false, {}), "");
    }
}

TEST_F(MiscRuntime, BlockMovesCopyForwardAndNoMore) {
    for (bool wide : {false, true})
        for (int count : wide ? std::vector<int>{0, 1, 2, 255, 256, 257, 511, 512, 1000}
                              : std::vector<int>{1, 2, 3, 100, 255}) {
            for (int overlap : {0, 3}) {
                SCOPED_TRACE((wide ? "c_movstw " : "c_movstb ") + std::to_string(count) + " " +
                             std::to_string(overlap));
                uint16_t src = 0x4000, dst = overlap ? static_cast<uint16_t>(src - overlap) : 0x3000;
                std::vector<uint8_t> bytes(static_cast<size_t>(count));
                for (auto& b : bytes) b = static_cast<uint8_t>(rng());
                Call c;
                c.routine = wide ? "c_movstw" : "c_movstb";
                c.inline_bytes = wide ? word(static_cast<uint16_t>(count))
                                      : std::vector<uint8_t>{static_cast<uint8_t>(count)};
                c.in.d = src;
                c.in.y = dst;
                c.in.cc = flags();
                c.memory[src] = bytes;
                if (!overlap) c.memory[static_cast<uint16_t>(dst + count)] = {0x5A, 0xA5};
                c.memory[static_cast<uint16_t>(dst - 1)] = {0x77};
                Outcome o = t.run(c);
                ASSERT_TRUE(o.ok) << o.error;
                EXPECT_EQ(Target::peek(dst, static_cast<size_t>(count)), bytes);
                if (!overlap) {
                    EXPECT_EQ(Target::peek(static_cast<uint16_t>(dst + count), 2), (std::vector<uint8_t>{0x5A, 0xA5}));
                }
                EXPECT_EQ(Target::peek(static_cast<uint16_t>(dst - 1), 1)[0], 0x77);
                EXPECT_EQ(check_contract(c, o, rng, false, {}), "");
            }
        }
}

TEST_F(MiscRuntime, DoublesAreCopiedAndPushed) {
    std::vector<uint8_t> dbl{0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18};
    Call c;
    c.routine = "c_dtod";
    c.in.d = OPERAND2;
    c.memory[OPERAND2] = dbl;
    c.memory[OPERAND] = std::vector<uint8_t>(8, 0);
    Outcome o = t.run(c);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(Target::peek(OPERAND, 8), dbl);
    EXPECT_EQ(check_contract(c, o, rng, false, {{OPERAND, 8}}), "");

    c.routine = "c_dtos";
    c.memory.clear();
    c.memory[OPERAND] = dbl;
    o = t.run(c);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.out.sp, STACK - 8);
    EXPECT_EQ(Target::peek(STACK - 7, 8), dbl);
    EXPECT_EQ(check_contract(c, o, rng, false, {}), "");
}

}  // namespace
