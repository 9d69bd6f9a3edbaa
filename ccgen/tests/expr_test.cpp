// Expression code: the telling rows of the templates and the edge cases of
// the expression generator, of calls and of branches, each as the lines a
// small function compiles to.
#include <gtest/gtest.h>

#include <functional>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/ir_builder.h"

namespace {

using namespace vytest;

using Body = std::function<void(IrBuilder&)>;

constexpr int T_FLOAT = 9, T_DOUBLE = 10;
constexpr int M_DIR = 0x80, M_VOL = 0x4000;

struct Compiled {
    std::string code;  // the lines between the entry and the exit sequence
    std::string all;   // the whole output
    std::string errors;
};

// A function `f` (locals down to `frame`) whose body is `body`, in a file
// that names the space "dir"; its code lines from after the .dcall line of
// its entry up to its exit.
Compiled compile_body(const Body& body, int frame = 0, std::vector<std::string> options = {"-no"}) {
    IrBuilder b;
    b.file("t.c").line(1).u8(186).name("dir", 0);
    b.function("f").body(1, 2).param_size(0);
    if (frame) b.frame(frame);
    body(b);
    b.ret().end_function();
    GenRun run = generate(b.bytes, options);
    Compiled c;
    c.all = run.asm_text;
    c.errors = run.errors;
    bool in = false;
    for (const std::string& line : body_lines(run.asm_text)) {
        if (!in) {
            in = line.rfind("\t.dcall\t\"", 0) == 0 && line.find(",_f\"") != std::string::npos;
            continue;
        }
        if (line == "\trts" || line == "\tpulx" || line == "\tlds\t0,x" || line == "\tnod" || line == "FL:") break;
        c.code += line + "\n";
    }
    return c;
}

std::string code_of(const Body& body, int frame = 0, std::vector<std::string> options = {"-no"}) {
    Compiled c = compile_body(body, frame, options);
    EXPECT_EQ(c.errors, "");
    return c.code;
}

// Leaves: globals of each type, a zero-page char, a local int.
IrBuilder& gi(IrBuilder& b, const char* n = "i") { return b.global(T_INT, n); }
IrBuilder& gu(IrBuilder& b, const char* n = "u") { return b.global(T_UCHAR, n); }
IrBuilder& gl(IrBuilder& b, const char* n = "l") { return b.global(T_LONG, n); }
IrBuilder& zu(IrBuilder& b) { return b.u8(0).u8(0x80 | T_UCHAR).u16(M_DIR).name("z").u32(0).u8(0).u8(1); }
IrBuilder& cast_int(IrBuilder& b) { return b.node(102, T_UINT); }

struct Case {
    const char* name;
    Body body;
    const char* code;
    std::vector<std::string> options = {"-no"};
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Rows : public ::testing::TestWithParam<Case> {};

TEST_P(Rows, CompileTo) { EXPECT_EQ(code_of(GetParam().body, 0, GetParam().options), GetParam().code); }

const Case telling_rows[] = {
    // + on an unsigned char in B with 1, with a byte in memory
    {"uchar_plus_one", [](IrBuilder& b) { gu(gu(b.expr().node(136, T_UCHAR)).node(222, T_UCHAR)).constant(T_UCHAR, 1); },
     "\tldab\t_u\n\tincb\n\tstab\t_u\n"},
    {"uchar_plus_byte", [](IrBuilder& b) { gu(gu(gu(b.expr().node(136, T_UCHAR), "v").node(222, T_UCHAR)), "w"); },
     "\tldab\t_u\n\taddb\t_w\n\tstab\t_v\n"},
    // + on int in D with a constant
    {"int_plus_constant", [](IrBuilder& b) { gi(gi(b.expr().node(136, T_INT)).node(222, T_INT)).constant(T_INT, 300); },
     "\tldd\t_i\n\taddd\t#300\n\tstd\t_i\n"},
    // a long in memory plus a long: word by word with the carry
    {"long_in_place", [](IrBuilder& b) { gl(gl(b.expr().node(142, T_LONG)), "m"); },
     "\tldd\t_l+2\n\taddd\t_m+2\n\tstd\t_l+2\n\tldd\t_l\n\tadcb\t_m+1\n\tadca\t_m\n\tstd\t_l\n"},
    // * on unsigned char by 2, 4, 8, 16; int by 256, by 10, in general
    {"uchar_times_2", [](IrBuilder& b) { gu(gu(b.expr().node(136, T_UCHAR)).node(226, T_UCHAR)).constant(T_UCHAR, 2); },
     "\tldab\t_u\n\tlslb\n\tstab\t_u\n"},
    {"uchar_times_16", [](IrBuilder& b) { gu(gu(b.expr().node(136, T_UCHAR)).node(226, T_UCHAR)).constant(T_UCHAR, 16); },
     "\tldab\t_u\n\tlslb\n\tlslb\n\tlslb\n\tlslb\n\tstab\t_u\n"},
    {"int_times_256", [](IrBuilder& b) { gi(gi(b.expr().node(136, T_INT)).node(226, T_INT)).constant(T_INT, 256); },
     "\tldd\t_i\n\ttba\n\tclrb\n\tstd\t_i\n"},
    {"int_times_10", [](IrBuilder& b) { gi(gi(b.expr().node(136, T_INT)).node(226, T_INT)).constant(T_INT, 10); },
     "\tldd\t_i\n\tjsr\tc_imul10\n\t.dcall\t\"_f:c_imul10\"\n\tstd\t_i\n"},
    {"int_times_int", [](IrBuilder& b) { gi(gi(gi(b.expr().node(136, T_INT)).node(226, T_INT)), "j"); },
     "\tldd\t_i\n\tldy\t_j\n\tjsr\tc_imul\n\t.dcall\t\"_f:c_imul\"\n\tstd\t_i\n"},
    {"int_times_int_with_the_unit", [](IrBuilder& b) { gi(gi(gi(b.expr().node(136, T_INT)).node(226, T_INT)), "j"); },
     "\tldd\t_i\n\tldy\t_j\n\tjsr\tc_imula\n\t.dcall\t\"_f:c_imula\"\n\tstd\t_i\n", {"-no", "-alu"}},
    {"char_times_char", [](IrBuilder& b) { gu(gu(gu(b.expr().node(136, T_UCHAR)).node(226, T_UCHAR)), "w"); },
     "\tldab\t_u\n\tldaa\t_w\n\tmul\n\tstab\t_u\n"},
    // = of -1 to an unsigned char in the zero page: bset
    {"minus_one_into_a_byte", [](IrBuilder& b) { zu(b.expr().node(136, T_UCHAR)).constant(T_UCHAR, -1); },
     "\tbset\t_z,#255\n"},
    // test of a long in memory against 0: the second word only when the first is 0
    {"long_against_zero",
     [](IrBuilder& b) {
         gl(b.jump_if(143, 2)).constant(T_LONG, 0);
         gi(b.expr().node(136, T_INT)).constant(T_INT, 1);
         b.label(2, 3);
     },
     "\tldd\t_l\n\tbne\tL5\n\tldd\t_l+2\nL5:\n\tbne\tL2\n\tldd\t#1\n\tstd\t_i\nL2:\n"},
};
INSTANTIATE_TEST_SUITE_P(Telling, Rows, ::testing::ValuesIn(telling_rows),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ the generator

const Case generator_cases[] = {
    // x = x (same place, same class, not volatile) writes nothing
    {"same_place", [](IrBuilder& b) { gi(gi(b.expr().node(136, T_INT))); }, ""},
    // an int product of two unsigned chars: the hardware multiply
    {"product_of_two_bytes",
     [](IrBuilder& b) { gu(cast_int(gu(cast_int(gi(b.expr().node(136, T_INT)).node(226, T_UINT)))), "w"); },
     "\tldab\t_u\n\tldaa\t_w\n\tmul\n\tstd\t_i\n"},
    {"byte_times_a_constant",
     [](IrBuilder& b) { gu(cast_int(gi(b.expr().node(136, T_INT)).node(226, T_UINT))).constant(T_UINT, 200); },
     "\tldab\t_u\n\tldaa\t#200\n\tmul\n\tstd\t_i\n"},
    // by 4 or 8: shifts
    {"byte_times_four",
     [](IrBuilder& b) { gu(cast_int(gi(b.expr().node(136, T_INT)).node(226, T_UINT))).constant(T_UINT, 4); },
     "\tldab\t_u\n\tclra\n\tlsld\n\tlsld\n\tstd\t_i\n"},
    // an int plus an unsigned char: the byte added, the carry into A
    {"int_plus_byte", [](IrBuilder& b) { gu(cast_int(gi(gi(b.expr().node(136, T_INT)).node(222, T_UINT)))); },
     "\tldd\t_i\n\taddb\t_u\n\tadca\t#0\n\tstd\t_i\n"},
    // a long product of two ints under -alu: the 16 x 16 routine
    {"long_product_of_ints",
     [](IrBuilder& b) {
         gi(gi(gl(b.expr().node(136, T_LONG)).node(226, T_LONG).node(102, T_LONG)).node(102, T_LONG), "j");
     },
     "\tldy\t_j\n\tldd\t_i\n\tjsr\tc_slmla\n\t.dcall\t\"_f:c_slmla\"\n\tstd\t_l+2\n\tldd\t2,x\n\tstd\t_l\n",
     {"-no", "-alu"}},
    // int to long: the sign through the routine, an unsigned value cleared
    {"int_to_long", [](IrBuilder& b) { gi(gl(b.expr().node(136, T_LONG)).node(102, T_LONG)); },
     "\tldd\t_i\n\tjsr\tc_itol\n\t.dcall\t\"_f:c_itol\"\n\tstd\t_l+2\n\tldd\t2,x\n\tstd\t_l\n"},
    {"unsigned_to_long", [](IrBuilder& b) { gl(b.expr().node(136, T_LONG)).node(102, T_LONG).global(T_UINT, "w"); },
     "\tldd\t_w\n\tclr\t2,x\n\tclr\t3,x\n\tstd\t_l+2\n\tldd\t2,x\n\tstd\t_l\n"},
    // a char divided by a constant: the byte routine and its operand
    {"char_by_a_constant",
     [](IrBuilder& b) { b.expr().node(136, T_CHAR).global(T_CHAR, "c").node(133, T_CHAR).global(T_CHAR, "c").constant(T_CHAR, 3); },
     "\tldab\t_c\n\tsex\n\tjsr\tc_idivb\n\t.dcall\t\"_f:c_idivb\"\n\tdc.b\t3\n\tstab\t_c\n"},
    // a double sum: the left copied into a temporary, then the routine
    {"double_sum",
     [](IrBuilder& b) {
         b.expr().node(136, T_DOUBLE).global(T_DOUBLE, "d").node(222, T_DOUBLE).global(T_DOUBLE, "e").global(T_DOUBLE, "d");
     },
     "\tldy\t#_e\n\txgdy\n\tpshx\n\tpuly\n\txgdy\n\taddd\t#OFST-8\n\txgdy\n\tjsr\tc_dtod\n\t.dcall\t\"_f:c_dtod\"\n"
     "\tldy\t#_d\n\txgdy\n\tpshx\n\tpuly\n\txgdy\n\taddd\t#OFST-8\n\txgdy\n\tjsr\tc_dadd\n\t.dcall\t\"_f:c_dadd\"\n"
     "\tpshx\n\tpuly\n\txgdy\n\taddd\t#OFST-8\n\txgdy\n\txgdy\n\tldy\t#_d\n\tjsr\tc_dtod\n\t.dcall\t\"_f:c_dtod\"\n"},
};
INSTANTIATE_TEST_SUITE_P(Generator, Rows, ::testing::ValuesIn(generator_cases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ branches

// if (left rel right) i = 1; (the jump record takes the negation)
Body branch(int jump_false, const Body& left, const Body& right) {
    return [=](IrBuilder& b) {
        b.jump_if(jump_false, 2);
        left(b);
        right(b);
        gi(b.expr().node(136, T_INT)).constant(T_INT, 1);
        b.label(2, 3);
    };
}
Body konst(int type, std::int64_t v) {
    return [=](IrBuilder& b) { b.constant(type, v); };
}
Body global_of(int type, const char* n) {
    return [=](IrBuilder& b) { b.global(type, n); };
}

const Case branch_cases[] = {
    // 1 < 2 jumping on false (jbge): never taken, the assignment stays
    {"constants_never", branch(135, konst(T_INT, 1), konst(T_INT, 2)), "\tldd\t#1\n\tstd\t_i\n"},
    // 1 > 2 jumping on false (jble): always taken, the assignment goes
    {"constants_always", branch(142, konst(T_INT, 1), konst(T_INT, 2)), ""},
    // an unsigned value below 0 never; at or above 0 always
    // (the jump record is taken when the relation holds; the operand is
    // still read for its effect)
    {"unsigned_below_zero_never", branch(141, global_of(T_UINT, "w"), konst(T_UINT, 0)),
     "\tldd\t_w\n\tldd\t#1\n\tstd\t_i\n"},
    {"unsigned_at_or_above_zero_always", branch(135, global_of(T_UINT, "w"), konst(T_UINT, 0)), "\tldd\t_w\n"},
    // a long x <= 5, jumping on false (x > 5), compiled as x >= 6
    {"long_at_most_five", branch(136, global_of(T_LONG, "l"), konst(T_LONG, 5)),
     "\tldd\t_l\n\tstd\t2,x\n\tldd\t_l+2\n\tldy\t#L5\n\tjsr\tc_lcmp\n\t.dcall\t\"_f:c_lcmp\"\n\tbge\tL2\n"
     "\tldd\t#1\n\tstd\t_i\nL2:\n"},
    // a bit-field against a constant: masked and compared in place
    {"field_against_a_constant",
     branch(143, [](IrBuilder& b) { b.u8(0).u8(13).u8(2).u8(3).name("s").u32(0).u8(0).u8(1); }, konst(T_UCHAR, 5)),
     "\tldab\t_s\n\tandb\t#28\n\tcmpb\t#20\n\tbne\tL2\n\tldd\t#1\n\tstd\t_i\nL2:\n"},
};
INSTANTIATE_TEST_SUITE_P(Branches, Rows, ::testing::ValuesIn(branch_cases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ values of branches

const Case value_cases[] = {
    // a relation as a value: 1 or 0 in D, the jumps short
    {"relation_value", [](IrBuilder& b) { gi(gi(gi(b.expr().node(136, T_INT)).node(149, T_INT)), "j"); },
     "\tldd\t_i\n\tcpd\t_j\n\tbge\tL5\n\tldd\t#1\n\tbra\tL7\nL5:\n\tclra\n\tclrb\nL7:\n\tstd\t_i\n"},
    // the conditional operator: each arm into D
    {"conditional",
     [](IrBuilder& b) {
         gi(b.expr().node(136, T_INT)).node(159, T_INT);
         gi(gi(b.node(149, T_INT)), "j");
         b.constant(T_INT, 7);
         gi(b, "j");
     },
     "\tldd\t_i\n\tcpd\t_j\n\tbge\tL5\n\tldd\t#7\n\tbra\tL7\nL5:\n\tldd\t_j\nL7:\n\tstd\t_i\n"},
};
INSTANTIATE_TEST_SUITE_P(Values, Rows, ::testing::ValuesIn(value_cases),
                         [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ calls

IrBuilder& callee(IrBuilder& b, const char* name, int space = 0) {
    if (space) return b.u8(0).u8(0x80 | T_INT).u16(space).name(name, A_FUNCTION).u32(0).u8(0).u8(1);
    return b.u8(0).u8(T_INT).name(name, A_FUNCTION).u32(0).u8(0).u8(1);
}

// A file whose first space name is `space` (its mask 0x80), with `f`.
GenRun file_with(const char* space, const Body& body) {
    IrBuilder ir;
    ir.file("t.c").line(1).u8(186).name(space, 0);
    ir.function("f").body(1, 2).param_size(0);
    body(ir);
    ir.ret().end_function();
    return generate(ir.bytes, {"-no"});
}

TEST(Calls, ArgumentsPushedLastFirstTheFirstInD) {
    std::string code = code_of([](IrBuilder& b) {
        gi(b.expr().node(136, T_INT));
        callee(b.node(169, T_INT), "g").node(165, T_INT);
        gi(b).node(165, T_INT).global(T_LONG, "l").constant(T_INT, 3);
    });
    EXPECT_EQ(code,
              "\tldd\t#3\n\tpshd\n\tldd\t_l+2\n\tpshd\n\tldd\t_l\n\tpshd\n\tldd\t_i\n\tjsr\t_g\n\t.dcall\t\"_f:_g\"\n"
              "\tjsr\tc_msps\n\tdc.b\t6\n\tstd\t_i\n");
}

TEST(Calls, AnInterruptFunctionReturnsThroughTheFilesEntry) {
    GenRun run = file_with("interrupt", [](IrBuilder& b) { callee(b.expr().node(105, T_UCHAR), "h", 0x80); });
    EXPECT_NE(run.asm_text.find("\tldy\t#_h\n\tjsr\tL5\n\t.dcall\t\"_f:_h\"\n"), std::string::npos) << run.asm_text;
    EXPECT_NE(run.asm_text.find("L5:\n\tpshx\n\tpshx\n\tpsha\n\tpshb\n\ttpa\n\tpsha\n\tjmp\t0,y\n"), std::string::npos)
        << run.asm_text;
}

TEST(Calls, AStacklessFunctionThroughAPointerTakesNoArguments) {
    Compiled c = compile_body([](IrBuilder& b) {
        b.expr().node(169, T_INT).u8(107).u8(0x80 | T_INT).u16(0x0400);
        b.global(T_UINT, "fp").constant(T_INT, 1);
    });
    EXPECT_NE(c.errors.find("invalid @nostack indirect call"), std::string::npos) << c.errors;
}

TEST(Calls, AbsOfALongIsAnOrdinaryCallOfAnIntInline) {
    GenRun run = file_with("builtin", [](IrBuilder& b) {
        b.expr().node(136, T_LONG).global(T_LONG, "l").node(169, T_LONG);
        callee(b, "abs", 0x80).global(T_LONG, "m");
    });
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.asm_text.find("\tjsr\t_abs\n"), std::string::npos) << run.asm_text;
    run = file_with("builtin", [](IrBuilder& b) {
        b.expr().node(136, T_INT).global(T_INT, "i").node(169, T_INT);
        callee(b, "abs", 0x80).global(T_INT, "i");
    });
    EXPECT_NE(run.asm_text.find("\tldd\t_i\n\ttsta\n\tbpl\tL5\n\tnega\n\tnegb\n\tsbca\t#0\nL5:\n\tstd\t_i\n"),
              std::string::npos)
        << run.asm_text;
}

TEST(Calls, InlineAssemblyWithArguments) {
    // _asm("\taddd\t#1\n", i, 5): the first argument in D, the second
    // pushed; the text inline; the result from D
    std::string code = code_of([](IrBuilder& b) {
        gi(b.expr().node(136, T_INT)).node(180, T_INT).u8(0).u8(T_INT).name("_asm", A_FUNCTION).u32(0).u8(0).u8(1);
        std::string text = "\taddd\t#1\n";
        b.u8(static_cast<int>(text.size()) + 1).text(text).u8(0);
        gi(b.node(165, T_INT)).constant(T_INT, 5);
    });
    EXPECT_EQ(code, "\tldd\t#5\n\tpshd\n\tldd\t_i\n\t.sfile\t\"t.c\",1\n\taddd\t#1\n\t.sfile\n\tins\n\tins\n\tstd\t_i\n");
}

// ((((a * b + c) * b + c) ...): an operand that fails in one order or row
// is not evaluated again, and one that succeeds is replayed, so deep trees
// of every type compile within the attempts of a statement.
TEST(Expressions, DeepTreesOfEveryType) {
    for (int type : {static_cast<int>(T_INT), static_cast<int>(T_LONG), T_FLOAT, T_DOUBLE}) {
        Compiled c = compile_body([=](IrBuilder& b) {
            b.expr().node(136, type).global(type, "o");
            for (int i = 0; i < 60; ++i) b.node(i % 2 ? 226 : 222, type).node(226, type).global(type, "a").global(type, "b");
            b.global(type, "c");
        });
        EXPECT_EQ(c.errors, "") << type;
        EXPECT_NE(c.all.find("_o"), std::string::npos) << type;
    }
}

}  // namespace
