// Functions from statement records: code lists, block placement, branch
// shortening, shared exits, switches of each density, the debug directives
// of each mode, the listing, and the errors of a function body.
#include <gtest/gtest.h>

#include <functional>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/ir_builder.h"

namespace {

using vytest::IrBuilder;
using namespace vytest;

using Body = std::function<void(IrBuilder&)>;

struct FunctionShape {
    int param = -1;  // type of the first parameter, -1 none
    int frame = 0;   // lowest frame offset of the locals
    int attr = A_FUNCTION;
    int space = 0;
    int flags = 0;   // header flags
    const char* name = "f";
};

std::vector<std::uint8_t> function_file(const Body& body, FunctionShape shape = {}) {
    IrBuilder b(static_cast<std::uint8_t>(shape.flags));
    b.file("t.c").line(1).function(shape.name, shape.attr, shape.space).body(1, 2);
    if (shape.param >= 0) b.param_type(shape.param);
    b.param_size(shape.param >= 0 ? 2 : 0);
    if (shape.frame) b.frame(shape.frame);
    body(b);
    b.end_function();
    return b.bytes;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

std::string compile(const Body& body, FunctionShape shape = {}, std::vector<std::string> options = {"-no"}) {
    GenRun run = generate(function_file(body, shape), options);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    return joined(body_lines(run.asm_text));
}

// Leaves used below: the parameter a (int, in D on entry), a local r at
// -2, globals g (int) and c (char).
IrBuilder& a(IrBuilder& b) { return b.param(T_INT, 0); }
IrBuilder& r(IrBuilder& b) { return b.local(T_INT, -2); }

void assign_local(IrBuilder& b, int value) { r(b.expr().node(136, T_INT)).constant(T_INT, value); }
void return_local(IrBuilder& b) { b.return_value(T_INT, [](IrBuilder& x) { r(x); }); }

// ------------------------------------------------------------ whole functions

TEST(Functions, ReturnOfASum) {
    Body body = [](IrBuilder& b) {
        b.line(1).return_value(T_INT, [](IrBuilder& x) { a(x.node(222, T_INT)).constant(T_INT, 1); });
    };
    FunctionShape shape{.param = T_INT};
    EXPECT_EQ(compile(body, shape),
              "_f:\n\tpshx\n\tpshd\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"6,0,_f\"\n"
              "\tldd\tOFST+0,x\n\taddd\t#1\n\tpulx\n\tpulx\n\trts\n");
    // with the optimiser's hints
    EXPECT_EQ(compile(body, shape, {}),
              "_f:\nFL:\n\tpshx\n\tpshd\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"6,0,_f\"\n"
              "\tldd\tOFST+0,x\n\taddd\t#1\n\tnoy\n\tpulx\n\tpulx\n\trts\nFL:\n");
}

TEST(Functions, IfElseFallsThroughAndJumpsOverTheElse) {
    Body body = [](IrBuilder& b) {
        a(b.line(2).jump_if(135, 2)).constant(T_INT, 10);  // if (a < 10)
        assign_local(b, 1);
        b.jump(4).label(2, 3);
        assign_local(b, 2);
        b.label(4);
        return_local(b);
    };
    EXPECT_EQ(compile(body, {.param = T_INT, .frame = -2}),
              "_f:\n\tpshx\n\tpshd\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"8,0,_f\"\n"
              "\tldd\tOFST+0,x\n\tcpd\t#10\n\tbge\tL2\n"
              "\tldd\t#1\n\tstd\tOFST-2,x\n\tbra\tL4\n"
              "L2:\n\tldd\t#2\n\tstd\tOFST-2,x\n"
              "L4:\n\tldd\tOFST-2,x\n\tpulx\n\tpulx\n\tpulx\n\trts\n");
}

TEST(Functions, CodeAfterAReturnProducesNothing) {
    Body dead = [](IrBuilder& b) {
        b.ret();
        b.expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 5);
        b.jump(2);
        b.label(2);
        b.ret();
    };
    EXPECT_EQ(compile(dead), "_f:\n\t.dcall\t\"2,0,_f\"\n\trts\n");
}

TEST(Functions, ExitsShareOneSequence) {
    // two returns with a four-byte exit: the first becomes a branch to the
    // second, which the branch around it then takes over
    Body body = [](IrBuilder& b) {
        a(b.jump_if(143, 2)).constant(T_INT, 0);
        b.ret();
        b.label(2, 3);
        assign_local(b, 7);
        b.ret();
    };
    EXPECT_EQ(compile(body, {.param = T_INT, .frame = -8}),
              "_f:\n\tjsr\tc_kents\n\tdc.b\t10\nOFST:\tset\t10\n\t.dcall\t\"16,0,_f\"\n"
              "\tldd\tOFST+0,x\n\tbeq\tL5\n"
              "\tldd\t#7\n\tstd\tOFST-2,x\n"
              "L5:\n\tlds\t0,x\n\tpulx\n\trts\n\txref\tc_kents\n");
}

TEST(Functions, BranchOverAJumpBecomesTheInverseBranch) {
    // if (g == 0) goto L1; goto L2; L1: g = 1; L2: return;
    Body body = [](IrBuilder& b) {
        b.jump_if(138, 2).global(T_INT, "g").constant(T_INT, 0);
        b.jump(4);
        b.label(2, 3).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 1);
        b.label(4, 4).ret();
    };
    EXPECT_EQ(compile(body),
              "_f:\n\t.dcall\t\"2,0,_f\"\n\tldd\t_g\n\tbne\tL4\n\tldd\t#1\n\tstd\t_g\nL4:\n\trts\n");
}

TEST(Functions, JumpsToJumpsGoStraightToTheEnd) {
    // if (g) goto L6; goto L2; L2: goto L4; L4: goto L6; L6: return;  and a
    // loop of jumps. The branch to the next line goes; L6 keeps the
    // reference of the block at L4, which is not placed.
    Body body = [](IrBuilder& b) {
        b.expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 0);
        b.jump_if(143, 6).global(T_INT, "g").constant(T_INT, 0);
        b.jump(2);
        b.label(2, 3).jump(4);
        b.label(4, 4).jump(6);
        b.label(6, 5).ret();
        b.label(8, 6).jump(10);
        b.label(10, 7).jump(8);
    };
    EXPECT_EQ(compile(body),
              "_f:\n\t.dcall\t\"2,0,_f\"\n\tclr\t_g\n\tclr\t_g+1\n\tldd\t_g\nL6:\n\trts\n");
}

TEST(Functions, LongBranchesUnderNoOptimiserSkipAJump) {
    // a branch over 60 lines of inline assembly (3 bytes each) stays long
    std::string pad;
    for (int i = 0; i < 30; ++i) pad += "\tnop\n";
    Body body = [&](IrBuilder& b) {
        b.jump_if(138, 2).global(T_INT, "g").constant(T_INT, 0);
        b.asm_text(pad).asm_text(pad);
        b.label(2, 3).ret();
    };
    std::string text = compile(body);
    EXPECT_NE(text.find("\tldd\t_g\n\tbne\tL5\n\tjmp\tL2\nL5:\n\t.sfile"), std::string::npos) << text;
    // with the optimiser, the pseudo-branch
    std::string hinted = compile(body, {}, {});
    EXPECT_NE(hinted.find("\tldd\t_g\n\tjbeq\tL2\n"), std::string::npos) << hinted;
}

TEST(BranchShortening, ShortRange) {
    EXPECT_TRUE(ccgen::in_short_range(1000 + 129, 1000));
    EXPECT_FALSE(ccgen::in_short_range(1000 + 130, 1000));
    EXPECT_TRUE(ccgen::in_short_range(1000 - 126, 1000));
    EXPECT_FALSE(ccgen::in_short_range(1000 - 127, 1000));
    EXPECT_FALSE(ccgen::in_short_range(0, 10));  // not placed
}

// ------------------------------------------------------------ loops and switches

TEST(Functions, WhileLoopWithItsTestAtTheBottom) {
    // r = 0; while (r < a) r = r + 1; return r;
    Body body = [](IrBuilder& b) {
        assign_local(b, 0);
        b.jump(4).label(2, 3);
        r(r(b.expr().node(136, T_INT)).node(222, T_INT)).constant(T_INT, 1);
        b.label(4, 0x8000 | 2);
        a(r(b.jump_if(141, 2)));
        return_local(b);
    };
    EXPECT_EQ(compile(body, {.param = T_INT, .frame = -2}),
              "_f:\n\tpshx\n\tpshd\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"8,0,_f\"\n"
              "\tclr\tOFST-2,x\n\tclr\tOFST-1,x\n\tbra\tL4\n"
              "L2:\n\tldd\tOFST-2,x\n\taddd\t#1\n\tstd\tOFST-2,x\n"
              "L4:\n\tldd\tOFST-2,x\n\tcpd\tOFST+0,x\n\tblt\tL2\n"
              "\tldd\tOFST-2,x\n\tpulx\n\tpulx\n\tpulx\n\trts\n");
}

// switch (c) { case 1: g = 1; break; case 2: g = 5; break; default: g = 0; }
void small_switch(IrBuilder& b) {
    b.expr().node(136, T_CHAR).switch_slot(T_CHAR).global(T_CHAR, "c");
    b.u8(190).u16(10);
    b.case_label(14, 4).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 1);
    b.jump(12);
    b.case_label(16, 5).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 5);
    b.jump(12);
    b.case_label(18, 6).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 0);
    b.u8(185).u8(0).u16(10).u16(18).u16(2).u16(1);
    b.u8(206).u16(2).u32(1).u16(14).u32(2).u16(16).u8(151);
    b.case_label(12, 0);
    b.ret();
}

TEST(Switches, FewCasesOnAByteCompareOneByOne) {
    EXPECT_EQ(compile(small_switch),
              "_f:\n\t.dcall\t\"2,0,_f\"\n\tldab\t_c\n"
              "\tdecb\n\tbeq\tL61\n\tdecb\n\tbeq\tL02\n\tbra\tL22\n"
              "L61:\n\tldd\t#1\n\tstd\t_g\n\tbra\tL41\n"
              "L02:\n\tldd\t#5\n\tstd\t_g\n\tbra\tL41\n"
              "L22:\n\tclr\t_g\n\tclr\t_g+1\nL41:\n\trts\n");
}

TEST(Switches, DenseCasesOnAByteGoThroughARangeTable) {
    // cases 1..7 to the labels 20..32, default 40
    Body body = [](IrBuilder& b) {
        b.expr().node(136, T_CHAR).switch_slot(T_CHAR).global(T_CHAR, "c");
        b.u8(190).u16(10);
        for (int i = 0; i < 7; ++i) b.case_label(20 + 2 * i, 3 + i).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, i);
        b.case_label(40, 11);
        b.u8(185).u8(0).u16(10).u16(40).u16(7).u16(1);
        b.u8(205).u16(7).u32(1);
        for (int i = 0; i < 7; ++i) b.u16(20 + 2 * i);
        b.u8(206).u16(0).u8(151);
        b.ret();
    };
    std::string text = compile(body);
    EXPECT_NE(text.find("\tldab\t_c\n\tdecb\n\tcmpb\t#7\n\tbhs\tL7\n\tjsr\tc_jctab\n\t.dcall\t\"_f:c_jctab\"\n"
                        "\tdc.w\tL42\n\tdc.w\tL62\n\tdc.w\tL03\n\tdc.w\tL23\n\tdc.w\tL43\n\tdc.w\tL63\n\tdc.w\tL04\n"
                        "L7:\nL5:\n\trts\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\txref\tc_jctab\n"), std::string::npos);
}

TEST(Switches, WordValuesJumpThroughTheirTable) {
    Body body = [](IrBuilder& b) {
        b.expr().node(136, T_INT).switch_slot(T_INT).global(T_INT, "g");
        b.u8(149).u16(10);
        b.case_label(20, 3).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 1);
        b.case_label(22, 4).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 2);
        b.u8(185).u8(0).u16(10).u16(24).u16(2).u16(2);
        b.u8(206).u16(2).u32(100).u16(20).u32(200).u16(22).u8(151);
        b.case_label(24, 0);
        b.ret();
    };
    EXPECT_EQ(compile(body),
              ".const:\tsection\nL21:\n\tdc.w\t0,2\n\tdc.w\tL42\n\tdc.w\t100\n\tdc.w\tL62\n\tdc.w\t200\n\tdc.w\tL03\n"
              "\tswitch\t.text\n_f:\n\t.dcall\t\"2,0,_f\"\n\tldd\t_g\n\tjsr\tc_jtab\n\tdc.w\tL21\n"
              "L42:\n\tldd\t#1\n\tstd\t_g\nL62:\n\tldd\t#2\n\tstd\t_g\nL03:\n\trts\n\txref\tc_jtab\n");
}

// ------------------------------------------------------------ debug directives and listing

TEST(Debug, FullDebugFramesTheFunctionAndEachExit) {
    Body body = [](IrBuilder& b) {
        b.line(3).u8(188).u16(3).u16(5).u16(3).u16(9);
        b.expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 1);
        b.ret();
    };
    EXPECT_EQ(compile(body, {.flags = 4}, {"-no", "-dl1"}),
              "_f:\n\t.dstart\t\"t.c~f:1-2\"\n\t.dentry\t\"t.c~f:-0.0\"\n\t.dcall\t\"2,0,_f\"\n"
              "\t.dline\t\"t.c:3.5.9\"\n\tldd\t#1\n\tstd\t_g\n\t.dquit\t\"t.c~f:0\"\n\trts\n\t.dendfn\t\"t.c:3-3\"\n");
}

TEST(Debug, LineDebugNamesTheFunctionOrTheFile) {
    Body body = [](IrBuilder& b) {
        b.line(3).u8(188).u16(3).u16(0).u16(4).u16(0);
        b.ret();
    };
    EXPECT_EQ(compile(body, {}, {"-no", "-dl1"}), "_f:\n\t.dline\t\"f:1-2\"\n\t.dcall\t\"2,0,_f\"\n\t.dline\t\"f:3-4\"\n\trts\n");
    EXPECT_EQ(compile(body, {}, {"-no", "-dl2"}), "_f:\n\t.dline\t\"t.c:1-2\"\n\t.dcall\t\"2,0,_f\"\n\t.dline\t\"t.c:3-4\"\n\trts\n");
    EXPECT_EQ(compile(body, {}, {"-no"}), "_f:\n\t.dcall\t\"2,0,_f\"\n\trts\n");
}

TEST(Listing, SourceDirectivesForTheHeadAndEachStatement) {
    Body body = [](IrBuilder& b) {
        b.line(3).expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 1);
        b.line(5).ret();
    };
    EXPECT_EQ(compile(body, {}, {"-no", "-l"}),
              "\t.source\t\"t.c:1-2\"\n_f:\n\t.dcall\t\"2,0,_f\"\n\t.source\t\"t.c:3\"\n\tldd\t#1\n\tstd\t_g\n"
              "\t.source\t\"t.c:5\"\n\trts\n");
    EXPECT_EQ(compile(body, {}, {"-no", "-l", "-f"}),
              "\t.source\t\"t.c:1-2\"\n_f:\n\t.dcall\t\"2,0,_f\"\n\t.source\t\"t.c:3\"\n\tldd\t#1\n\tstd\t_g\n"
              "\t.source\t\"t.c:4-5\"\n\trts\n");
}

TEST(Verbose, LabelLinesCarryLineAndOffset) {
    Body body = [](IrBuilder& b) {
        b.jump_if(138, 2).global(T_INT, "g").constant(T_INT, 0);
        b.expr().node(136, T_INT).global(T_INT, "g").constant(T_INT, 1);
        b.label(2, 7).ret();
    };
    GenRun run = generate(function_file(body), {"-no", "-v"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "f:\n");
    EXPECT_NE(run.asm_text.find("L2:\t\t; line 7, offset 14\n"), std::string::npos) << run.asm_text;
}

TEST(Functions, LongSums) {
    // g + g + ... + g, 1999 terms, nested to the left and to the right: a
    // row that an operand cannot take is passed over before the other
    // operand is evaluated, so the work stays linear
    for (bool left : {true, false}) {
        Body body = [&](IrBuilder& b) {
            b.expr().node(136, T_INT).global(T_INT, "r");
            for (int i = 0; i < 1998; ++i) {
                b.node(222, T_INT);
                if (!left) b.global(T_INT, "g");
            }
            b.global(T_INT, "g");
            if (left)
                for (int i = 0; i < 1998; ++i) b.global(T_INT, "g");
            b.ret();
        };
        GenRun run = generate(function_file(body), {"-no"});
        EXPECT_EQ(run.status, 0) << run.errors;
        if (left) EXPECT_NE(run.asm_text.find("\tldd\t_g\n\taddd\t_g\n\taddd\t_g\n"), std::string::npos);
    }
}

// ------------------------------------------------------------ errors

TEST(Errors, BadStatementRecord) {
    GenRun run = generate(function_file([](IrBuilder& b) { b.u8(99); }), {"-no"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccgen t.c:1\tf() PANIC! BAD INPUT\n");
    EXPECT_NE(run.asm_text.find("\t;PANIC BAD INPUT\n"), std::string::npos) << run.asm_text;
}

TEST(Errors, FileEndsInsideAFunction) {
    std::vector<std::uint8_t> ir = function_file([](IrBuilder& b) { b.ret(); });
    ir.pop_back();  // the end of the function
    GenRun run = generate(ir, {"-no"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccgen t.c:1\tf() PANIC! EOF\n");
}

TEST(Errors, StatementAtFileLevel) {
    IrBuilder b;
    b.file("t.c").line(4).ret();
    GenRun run = generate(b.bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccgen t.c:4\tPANIC! NO FUNC\n");
}

TEST(Errors, ExpressionsNestedTooDeeply) {
    GenRun run = generate(function_file([](IrBuilder& b) {
        b.expr();
        for (int i = 0; i < 100000; ++i) b.node(108, T_INT);
        b.constant(T_INT, 1);
    }));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccgen t.c:1\tf() nesting too deep\n");
}

}  // namespace
