// The template language: row texts expanded with their operands into the
// code store, written out, with the byte counts they add.
#include <gtest/gtest.h>

#include "ccgen/tests/gen_harness.h"

namespace {

using namespace ccgen;

struct Expansion {
    std::string text;
    int size = 0;
    bool ok = false;
};

// Expands `row` with `left` and `right` as the operands' places.
Expansion expand(const char* row, const Operand& left, const Operand& right, Options o = {}, std::uint16_t free = RM_TOP) {
    Expansion e;
    e.text = vytest::engine_text(
        [&](Gen& g) {
            g.func_name = "<@main";
            g.label_counter = 1;
            ExprNode l, r, n;
            l.place = left;
            r.place = right;
            n.code = 222;
            n.left = &l;
            n.right = &r;
            std::int32_t start = g.store.write_pos;
            e.ok = expand_template(g, &n, nullptr, row, free);
            code_end_piece(g);
            e.size = g.code_offset;
            replay_text(g, start);
        },
        o);
    return e;
}

Operand reg(std::uint8_t r, std::uint16_t type = 2) {
    Operand o;
    init_operand(o, type, 0, r, 0);
    return o;
}
Operand constant(std::int32_t v, std::uint16_t type = 5) {
    Operand o;
    init_operand(o, type, 0, REG_NONE, 0);
    o.offset = v;
    return o;
}
Operand memory(const char* name, std::int32_t offset = 0, std::uint16_t flags = 0, std::uint16_t type = 5) {
    Operand o;
    init_operand(o, type, 0, REG_NONE, 1);
    o.name = name;
    o.offset = offset;
    o.flags = flags;
    return o;
}
Operand frame(std::int32_t offset, std::uint8_t r = REG_FRAME) {
    Operand o;
    init_operand(o, 5, 0, r, 1);
    o.offset = offset;
    return o;
}

TEST(Templates, TellingRows) {
    Expansion inc = expand("F3b", reg(REG_D), constant(1));
    EXPECT_EQ(inc.text, "\tincb\n");
    EXPECT_EQ(inc.size, 1);
    Expansion add = expand("F1d R", reg(REG_D, 5), constant(300));
    EXPECT_EQ(add.text, "\taddd\t#300\n");
    EXPECT_EQ(add.size, 3);
    Expansion call = expand("Kimul10", reg(REG_D, 5), constant(10));
    EXPECT_EQ(call.text, "\tjsr\tc_imul10\n\t.dcall\t\"_main:c_imul10\"\n");
    EXPECT_EQ(call.size, 3);
    EXPECT_EQ(expand(" tba;Qb", reg(REG_D, 5), constant(256)).text, "\ttba\n\tclrb\n");
    EXPECT_EQ(expand(" bset I?2255,L?L,#255?", memory("<x"), constant(-1)).text, "\tbset\t_x,#255\n");
}

TEST(Templates, LongWordsAndBytes) {
    // a long in memory plus a long: word by word with carry
    const char* row = "Md UL;F1d SUR;Cd UL;Md L; adcb SVR; adca SUUR;Cd L";
    EXPECT_EQ(expand(row, memory("<a", 0, 0, 6), memory("<b", 0, 0, 6)).text,
              "\tldd\t_a+2\n\taddd\t_b+2\n\tstd\t_a+2\n\tldd\t_a\n\tadcb\t_b+1\n\tadca\t_b\n\tstd\t_a\n");
    EXPECT_EQ(expand(row, memory("<a", 0, 0, 6), constant(0x12345678, 6)).text,
              "\tldd\t_a+2\n\taddd\t#22136\n\tstd\t_a+2\n\tldd\t_a\n\tadcb\t#52\n\tadca\t#18\n\tstd\t_a\n");
    EXPECT_EQ(expand("Mab BR;Mab HR", reg(REG_D), constant(0x1234)).text, "\tldab\t#52\n\tldab\t#18\n");
    EXPECT_EQ(expand(" bclr L,{R", memory("<x", 0, SP_DIR), constant(0x81)).text, "\tbclr\t_x,#126\n");
}

TEST(Templates, OperandForms) {
    EXPECT_EQ(expand("Md L", frame(-4), constant(0)).text, "\tldd\tOFST-4,x\n");
    EXPECT_EQ(expand("Md L", frame(0), constant(0)).text, "\tldd\tOFST+0,x\n");
    EXPECT_EQ(expand("Md L", memory("<x"), constant(0)).text, "\tldd\t_x\n");
    EXPECT_EQ(expand("Md L", memory("<x", -1), constant(0)).text, "\tldd\t_x-1\n");
    EXPECT_EQ(expand("Md L", memory(""), constant(0)).text, "\tldd\t0\n");
    EXPECT_EQ(expand("Md L", memory("", 0xFFFF), constant(0)).text, "\tldd\t65535\n");
    Operand through_y = frame(2, REG_Y);
    EXPECT_EQ(expand("Md L", through_y, constant(0)).text, "\tldd\t2,y\n");
    EXPECT_EQ(expand("Md R", reg(REG_D), constant(-1)).text, "\tldd\t#-1\n");
    // memory through D cannot be written
    EXPECT_FALSE(expand("Md L", frame(0, REG_D), constant(0)).ok);
}

TEST(Templates, ByteCounts) {
    EXPECT_EQ(expand("Md L", memory("<x", 0, SP_DIR), constant(0)).size, 2);  // direct page
    EXPECT_EQ(expand("Md L", memory("<x"), constant(0)).size, 3);             // extended
    EXPECT_EQ(expand("Z1 L", memory("<x", 0, SP_DIR), constant(0)).size, 3);  // tst has no direct form
    EXPECT_EQ(expand("Md L", frame(2), constant(0)).size, 2);
    EXPECT_EQ(expand("Md L", frame(2, REG_Y), constant(0)).size, 3);
    EXPECT_EQ(expand("Pd", reg(REG_D), constant(0)).size, 1 + 0);  // the stem's line
    EXPECT_EQ(expand("P R", reg(REG_D), reg(REG_D, 5)).size, 2);
    EXPECT_EQ(expand("E", reg(REG_D), constant(0)).size, 5);
}

TEST(Templates, ConditionalText) {
    Options alu;
    alu.alu = true;
    EXPECT_EQ(expand("?3Kimula?Kimul?", reg(REG_D, 5), reg(REG_Y, 5), alu).text,
              "\tjsr\tc_imula\n\t.dcall\t\"_main:c_imula\"\n");
    EXPECT_EQ(expand("?3Kimula?Kimul?", reg(REG_D, 5), reg(REG_Y, 5)).text,
              "\tjsr\tc_imul\n\t.dcall\t\"_main:c_imul\"\n");
    EXPECT_EQ(expand("?2 one? two?", reg(REG_D), constant(0)).text, "\ttwo\n");
    EXPECT_EQ(expand("?1 in x? elsewhere?", reg(REG_D), reg(REG_X, 5)).text, "\tin\tx\n");
    EXPECT_EQ(expand("?4 direct? other?", memory("<z", 0, SP_DIR), constant(0)).text, "\tdirect\n");
    EXPECT_EQ(expand("?4 direct? other?", memory("<z", 0, SP_DIR), constant(0), {}, RM_Y).text, "\tother\n");
}

TEST(Templates, LocalLabels) {
    EXPECT_EQ(expand("Maa BR; beq $$;T:D4b;F4a; bne T", reg(REG_D), memory("<n", 0, 0, 2)).text,
              "\tldaa\t_n\n\tbeq\tL3\nL5:\n\tlslb\n\tdeca\n\tbne\tL5\nL3:\n");
    EXPECT_EQ(expand("Z1b; bpl $$;Z3b", reg(REG_D), constant(0)).text, "\ttstb\n\tbpl\tL3\n\tnegb\nL3:\n");
    EXPECT_EQ(expand(" bra T;T:: bra T;T:", reg(REG_D), constant(0)).text, "\tbra\tL3\nL3:\n\tbra\tL5\nL5:\n");
}

TEST(Templates, ClearOfADirectVariable) {
    EXPECT_EQ(expand("Q L", memory("<z", 0, SP_DIR, 2), constant(0)).text, "\tclrb\n\tstab\t_z\n");
    EXPECT_EQ(expand("Q L", memory("<z", 0, SP_DIR, 2), constant(0), {}, RM_Y).text, "\tclr\t_z\n");
    EXPECT_EQ(expand("Q L", memory("<x", 0, 0, 2), constant(0)).text, "\tclr\t_x\n");
}

TEST(Templates, VolatileAccessesGetAHintOnlyForTheOptimiser) {
    Operand v = memory("<v", 0, SP_VOL);
    EXPECT_EQ(expand("Md L;F1d #1", v, constant(0)).text, "\tldd\t_v\nVL:\n\taddd\t#1\n");
    Options no;
    no.no_opt = true;
    EXPECT_EQ(expand("Md L;F1d #1", v, constant(0), no).text, "\tldd\t_v\n\taddd\t#1\n");
}

TEST(Templates, LongPseudoRegister) {
    std::string text = vytest::engine_text([](Gen& g) {
        ExprNode n;
        n.left = n.right = nullptr;
        std::int32_t start = g.store.write_pos;
        expand_template(g, &n, nullptr, "MdY;CdYY", RM_TOP);
        code_end_piece(g);
        EXPECT_TRUE(g.frame_flags & FRAME_LREG);
        replay_text(g, start);
    });
    EXPECT_EQ(text, "\tldd\t2,x\n\tstd\t3,x\n");
}

TEST(Pools, LongConstantsAreWrittenOnce) {
    std::string first, second, other;
    std::string text = vytest::engine_text([&](Gen& g) {
        first = long_const_label(g, 70000);
        second = long_const_label(g, 70000);
        other = long_const_label(g, 1);
    });
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_EQ(text, ".const:\tsection\nL3:\n\tdc.l\t70000\nL5:\n\tdc.l\t1\n");
}

}  // namespace
