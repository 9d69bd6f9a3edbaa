// The mnemonic and runtime-routine tables and the operand helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "ccopt/opt.h"

using namespace ccopt;

namespace {

Opt fresh;

LineNode* line(const char* text) { return mkline(fresh, text); }

TEST(Tables, RowsAreSortedAndCounted) {
    EXPECT_EQ(mnemonic_count, 169);
    for (int i = 1; i < mnemonic_count; ++i) EXPECT_LT(std::strcmp(mnemonics[i - 1].name, mnemonics[i].name), 0);
    EXPECT_EQ(runtime_count, 126);  // with c_kenls and c_kenll
    for (int i = 1; i < runtime_count; ++i)
        EXPECT_LT(std::strcmp(runtime_routines[i - 1].name, runtime_routines[i].name), 0);
}

TEST(Tables, FindMnemonic) {
    EXPECT_EQ(findmnem("LDAA"), findmnem("ldaa"));
    EXPECT_GE(findmnem("ldaa"), 0);
    EXPECT_EQ(findmnem("ldaax"), -1);
    EXPECT_EQ(findmnem(""), -1);
    EXPECT_EQ(findmnem("verylongword"), -1);
    LineNode* l = line("\tldaax\t#1");
    EXPECT_TRUE(l->is_text());
    delete l;
}

TEST(Tables, RuntimeCallsTakeTheRoutinesWords) {
    struct {
        const char* text;
        std::uint16_t uses, effects;
    } rows_[] = {
        {"\tjsr\tc_lmul", 0x000b, 0x07cb},
        {"\tjsr\t_f", 0x0003, 0x03db},
        {"\tjmp\tc_jtab", 0x0003, 0x1feb},
        {"\tjsr\tc_kentl", 0x0000, 0x07df},
        {"\tjsr\tc_kenls", 0x0000, 0x07df},
        {"\tjsr\tc_wsavc", 0x0000, 0x07db},
        {"\tjsr\tc_wsavk", 0x0000, 0x07db},
        {"\tjsr\tc_lmu", 0x0003, 0x03db},    // no prefix matches
        {"\tjsr\tc_lmula", 0x000b, 0x07c3},  // a longer name is its own row
        {"\tldaa\t2,x", 0x0004, 0x2381},
        {"\tstd\t0,y", 0x000b, 0x8380},
        {"\tldaa\t#1,x", 0x0000, 0x2381},    // an immediate ends the scan
    };
    for (const auto& r : rows_) {
        LineNode* l = line(r.text);
        EXPECT_EQ(l->uses, r.uses) << r.text;
        EXPECT_EQ(l->effects, r.effects) << r.text;
        delete l;
    }
}

TEST(Tables, Immediates) {
    EXPECT_TRUE(isimm("#-1"));
    EXPECT_TRUE(isimm("#+3"));
    EXPECT_TRUE(isimm("#0"));
    EXPECT_FALSE(isimm("#_x"));
    EXPECT_FALSE(isimm("5"));
    EXPECT_FALSE(isimm("#"));
}

TEST(Tables, NeighbouringBytes) {
    struct {
        const char* in;
        int mode;
        const char* out;
    } rows_[] = {
        {"_x", 0, "_x+1"}, {"_x+1", 1, "_x"},   {"0,x", 0, "1,x"},     {"OFST-4,x", 0, "OFST-3,x"},
        {"_x", 2, "_x-1"}, {"255", 0, "256"},   {"L12_x+2", 0, "L12_x+3"}, {"#5", 0, ""},
        {"_a+_b", 0, ""},  {"", 0, ""},
    };
    for (const auto& r : rows_) EXPECT_EQ(bumpopnd(r.in, r.mode), r.out) << r.in;
}

TEST(Tables, ConditionIndex) {
    const char* names[] = {"jbcc", "jbcs", "jbeq", "jbge", "jbgt", "jbhi", "jbhs", "jble", "jblo",
                           "jbls", "jblt", "jbmi", "jbne", "jbpl", "jbr", "jbvc", "jbvs"};
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(condindex(static_cast<std::uint16_t>(findmnem(names[i]))), i) << names[i];
        if (i != 14) {
            EXPECT_EQ(condindex(static_cast<std::uint16_t>(findmnem(names[i] + 1))), i) << names[i] + 1;
        }
    }
    EXPECT_EQ(condindex(static_cast<std::uint16_t>(findmnem("bra"))), 14);
}

}  // namespace
