// Entry and exit sequences of every frame form, and stack adjustments.
#include <gtest/gtest.h>

#include <functional>

#include "ccgen/tests/gen_harness.h"

namespace {

using ccgen::Gen;

struct Frame {
    std::string text;  // what the prologue writes
    std::string exit;
    int size = 0;
};

Frame prologue(const std::function<void(Gen&)>& setup, ccgen::Options o = {}) {
    o.no_opt = true;
    Frame f;
    f.text = vytest::engine_text(
        [&](Gen& g) {
            g.func_name = "<@f";
            g.plain_name = "f";
            g.func_free = 4;
            setup(g);
            f.exit = ccgen::emit_prologue(g);
            f.size = g.epilogue_size;
        },
        o);
    return f;
}

struct FrameCase {
    const char* name;
    std::function<void(Gen&)> setup;
    const char* text;
    const char* exit;
    int size;
};

using namespace ccgen;

const FrameCase frame_cases[] = {
    // no frame
    {"nothing_to_save", [](Gen&) {}, "_f:\n\t.dcall\t\"2,0,_f\"\n", " rts;", 1},
    {"interrupt_with_arguments", [](Gen& g) { g.func_attrs = SP_INTERRUPT; g.frame_flags = FRAME_ARGS; },
     "_f:\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"9,0;_f\"\n", " rti;", 1},
    {"interrupt_without_frame", [](Gen& g) { g.func_attrs = SP_INTERRUPT; }, "_f:\n\t.dcall\t\"9,0;_f\"\n", " rti;", 1},
    {"interrupt_with_locals",
     [](Gen& g) { g.func_attrs = SP_INTERRUPT; g.frame_flags = FRAME_LOCALS; g.frame_low = -3; },
     "_f:\n\ttsx\n\tdex\n\tpshx\n\tdes\n\tpshx\n\ttsx\nOFST:\tset\t5\n\t.dcall\t\"14,0;_f\"\n", " lds 0,x; rti;", 3},
    {"register_argument_of_two_bytes", [](Gen& g) { g.regarg_size = 2; g.frame_flags = FRAME_ARGS; },
     "_f:\n\tpshx\n\tpshd\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"6,0,_f\"\n", " pulx; pulx; rts;", 3},
    {"register_argument_of_one_byte", [](Gen& g) { g.regarg_size = 1; g.frame_flags = FRAME_ARGS; },
     "_f:\n\tpshx\n\tpshb\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"5,0,_f\"\n", " ins; pulx; rts;", 3},
    {"register_argument_of_four_bytes", [](Gen& g) { g.regarg_size = 4; g.frame_flags = FRAME_ARGS; },
     "_f:\n\tpshx\n\tpshd\n\tldx\t2,x\n\tpshx\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"8,0,_f\"\n",
     " pulx; pulx; pulx; rts;", 4},
    {"arguments_on_the_stack", [](Gen& g) { g.frame_flags = FRAME_ARGS; g.stackarg_size = 4; },
     "_f:\n\tpshx\n\ttsx\nOFST:\tset\t0\n\t.dcall\t\"2,4,_f\"\n", " pulx; rts;", 2},
    // small frames
    {"one_byte_of_locals", [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -1; },
     "_f:\n\tpshx\n\tdes\n\ttsx\nOFST:\tset\t1\n\t.dcall\t\"5,0,_f\"\n", " ins; pulx; rts;", 3},
    {"two_bytes_of_locals", [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -2; },
     "_f:\n\tpshx\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"6,0,_f\"\n", " pulx; pulx; rts;", 3},
    {"three_bytes_of_locals", [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -3; },
     "_f:\n\tpshx\n\tpshx\n\tdes\n\ttsx\nOFST:\tset\t3\n\t.dcall\t\"7,0,_f\"\n", " ins; pulx; pulx; rts;", 4},
    {"four_bytes_of_locals", [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -4; },
     "_f:\n\tpshx\n\tpshx\n\tpshx\n\ttsx\nOFST:\tset\t4\n\t.dcall\t\"8,0,_f\"\n", " pulx; pulx; pulx; rts;", 4},
    {"register_argument_and_locals",
     [](Gen& g) { g.frame_flags = FRAME_LOCALS | FRAME_ARGS; g.frame_low = -2; g.regarg_size = 2; },
     "_f:\n\tpshx\n\tpshd\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"8,0,_f\"\n", " pulx; pulx; pulx; rts;", 4},
    {"byte_argument_and_a_byte",
     [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -1; g.regarg_size = 1; },
     "_f:\n\tpshx\n\tpshb\n\tdes\n\ttsx\nOFST:\tset\t1\n\t.dcall\t\"6,0,_f\"\n", " pulx; pulx; rts;", 3},
    // frames through the entry routines
    {"entry_routine_with_a_byte_count",
     [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -8; },
     "_f:\n\tjsr\tc_ents\n\tdc.b\t10\nOFST:\tset\t10\n\t.dcall\t\"14,0,_f\"\n", " lds 0,x; pulx; rts;", 4},
    {"entry_routine_with_a_word_count",
     [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -300; },
     "_f:\n\tjsr\tc_entl\n\tdc.w\t302\nOFST:\tset\t302\n\t.dcall\t\"306,0,_f\"\n", " lds 0,x; pulx; rts;", 4},
    {"entry_routine_for_a_register_argument",
     [](Gen& g) { g.frame_flags = FRAME_LOCALS | FRAME_ARGS; g.frame_low = -8; g.regarg_size = 2; },
     "_f:\n\tjsr\tc_kents\n\tdc.b\t10\nOFST:\tset\t10\n\t.dcall\t\"16,0,_f\"\n", " lds 0,x; pulx; rts;", 4},
    {"long_result_keeps_its_high_word",
     [](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -8; g.result_type = 6; },
     "_f:\n\tjsr\tc_ents\n\tdc.b\t10\nOFST:\tset\t10\n\t.dcall\t\"14,0,_f\"\n",
     " ldy 2,x; lds 0,x; pulx; sty 2,x; rts;", 10},
    {"linked_frame_without_locals", [](Gen& g) { g.frame_flags = FRAME_LINK; },
     "_f:\n\tpshx\n\ttsx\n\tdex\n\tpshx\n\ttsx\n\t.dcall\t\"6,0,_f\"\n", " lds 0,x; pulx; rts;", 4},
    {"long_register_makes_a_linked_frame", [](Gen& g) { g.frame_flags = FRAME_LREG; },
     "_f:\n\tpshx\n\tdes\n\ttsx\n\tdes\n\tpshx\n\ttsx\nOFST:\tset\t4\n\t.dcall\t\"8,0,_f\"\n",
     " lds 0,x; pulx; rts;", 4},
    {"linked_frame_with_a_register_argument",
     [](Gen& g) { g.frame_flags = FRAME_LINK | FRAME_ARGS; g.regarg_size = 2; },
     "_f:\n\tpshx\n\ttsx\n\tdex\n\tpshd\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"8,0,_f\"\n",
     " lds 0,x; pulx; rts;", 4},
    {"linked_frame_with_a_long_register_argument",
     [](Gen& g) { g.frame_flags = FRAME_LINK | FRAME_ARGS; g.regarg_size = 4; },
     "_f:\n\tpshx\n\tpshd\n\tldd\t2,x\n\ttsx\n\tinx\n\tpshd\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"10,0,_f\"\n",
     " lds 0,x; pulx; rts;", 4},
    {"stackless_long_register_saves_x",
     [](Gen& g) { g.stackless = true; g.frame_name = "<@f.L"; g.frame_flags = FRAME_LREG; g.result_type = 6; },
     "_f:\n\tpshx\n\tldx\t#c_lreg-2\n", " ldy 2,x; pulx; sty 2,x; rts;", 8},
    {"stackless_long_argument_works_in_the_callers_slot",
     [](Gen& g) { g.stackless = true; g.frame_name = "<@f.L"; g.frame_flags = FRAME_LREG; g.regarg_size = 4; },
     "\tswitch\t.bss\n_f.L:\n\tds.b\t4\n\txdef\t_f.L\n\tswitch\t.text\n_f:\n\tstd\t_f.L+2\n\tldd\t2,x\n\tstd\t_f.L\n",
     " rts;", 1},
    // fast functions
    {"fast_with_a_large_frame",
     [](Gen& g) { g.func_attrs = SP_FAST; g.frame_flags = FRAME_LOCALS; g.frame_low = -12; },
     "_f:\n\tpshx\n\ttsx\n\txgdx\n\taddd\t#-12\n\txgdx\n\ttxs\nOFST:\tset\t12\n\t.dcall\t\"16,0,_f\"\n",
     " tsx; ldab #12; abx; txs; pulx; rts;", 7},
    {"fast_with_a_result",
     [](Gen& g) { g.func_attrs = SP_FAST; g.frame_flags = FRAME_LOCALS; g.frame_low = -12; g.result_type = 3; },
     "_f:\n\tpshx\n\ttsx\n\txgdx\n\taddd\t#-12\n\txgdx\n\ttxs\nOFST:\tset\t12\n\t.dcall\t\"16,0,_f\"\n",
     " tsx; xgdx; addd #12; xgdx; txs; pulx; rts;", 9},
    {"fast_with_a_middle_frame",
     [](Gen& g) { g.func_attrs = SP_FAST; g.frame_flags = FRAME_LOCALS; g.frame_low = -5; g.regarg_size = 2; },
     "_f:\n\tpshx\n\tpshd\n\tpshx\n\tpshx\n\tdes\n\ttsx\nOFST:\tset\t5\n\t.dcall\t\"11,0,_f\"\n",
     " ins; pulx; pulx; pulx; pulx; rts;", 6},
    // kernel functions
    {"kernel_linked_without_locals", [](Gen& g) { g.func_attrs = SP_KERNEL; g.frame_flags = FRAME_LINK; },
     "_f:\n\ttsx\n\tdex\n\tpshx\n\ttsx\n\t.dcall\t\"6,0,_f\"\n", " pulx; rts;", 2},
    {"kernel_linked_large_frame_counts_the_link",
     [](Gen& g) { g.func_attrs = SP_KERNEL; g.frame_flags = FRAME_LINK | FRAME_LOCALS; g.frame_low = -12; },
     "_f:\n\ttsx\n\txgdx\n\ttsx\n\tdex\n\taddd\t#-14\n\txgdx\n\ttxs\n\tstd\t0,x\nOFST:\tset\t14\n\t.dcall\t\"18,0,_f\"\n",
     " lds 0,x; rts;", 3},
    {"kernel_small_frame",
     [](Gen& g) { g.func_attrs = SP_KERNEL; g.frame_flags = FRAME_LOCALS; g.frame_low = -4; },
     "_f:\n\tpulx\n\tpshx\n\tpshx\n\tpshx\n\ttsx\nOFST:\tset\t6\n\t.dcall\t\"10,0,_f\"\n", " rts;", 1},
};

class Frames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(Frames, EntryAndExitSequences) {
    const FrameCase& c = GetParam();
    Frame f = prologue(c.setup);
    EXPECT_EQ(f.text, c.text);
    EXPECT_EQ(f.exit, c.exit);
    EXPECT_EQ(f.size, c.size);
}

INSTANTIATE_TEST_SUITE_P(Prologue, Frames, ::testing::ValuesIn(frame_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Prologue, CodeThatTookYSavesXForTheOptimiser) {
    std::string exit;
    std::string text = vytest::engine_text([&](Gen& g) {
        g.func_name = "<@f";
        g.func_free = 0;  // Y was taken
        exit = ccgen::emit_prologue(g);
    });
    EXPECT_EQ(text, "_f:\nFL:\nYTOX:\n\tpshx\n\t.dcall\t\"2,0,_f\"\n");
    EXPECT_EQ(exit, " pulx; rts;");
    // under -no there is nothing to save
    Frame plain = prologue([](Gen& g) { g.func_free = 0; });
    EXPECT_EQ(plain.exit, " rts;");
}

// The frame set-up entry tells the debugger that the register argument
// lies in the frame from there on: a function whose entry leaves the
// argument in D writes none, and the debugger reads D.
TEST(Prologue, TheFrameSetUpEntryFollowsTheRegisterArgument) {
    auto debug = [](std::uint16_t flags, int regarg) {
        return [=](Gen& g) {
            g.full_debug = true;
            g.raw_name = "\x06t.c\x06";
            g.frame_flags = flags;
            g.regarg_size = regarg;
        };
    };
    // the argument never read: no entry sequence, no set-up entry
    Frame kept = prologue(debug(0, 2));
    EXPECT_EQ(kept.text.find(".dentry"), std::string::npos) << kept.text;
    EXPECT_EQ(kept.exit, " rts;");
    // pushed by the entry sequence: the set-up entry follows it
    Frame pushed = prologue(debug(FRAME_ARGS, 2));
    EXPECT_NE(pushed.text.find("\tpshd\n\ttsx\nOFST:\tset\t0\n\t.dentry\t\"t.c~f:-0.4\"\n"), std::string::npos)
        << pushed.text;
    Frame linked = prologue(debug(FRAME_LOCALS, 4));
    EXPECT_NE(linked.text.find(".dentry"), std::string::npos) << linked.text;
    // without a register argument the entry is written as before
    Frame none = prologue(debug(0, 0));
    EXPECT_NE(none.text.find("\t.dentry\t\"t.c~f:-0.0\"\n"), std::string::npos) << none.text;
}

TEST(Prologue, StackCheck) {
    ccgen::Options o;
    o.check_stack = true;
    Frame f = prologue([](Gen& g) { g.frame_flags = FRAME_LOCALS; g.frame_low = -2; }, o);
    EXPECT_EQ(f.text, "_f:\n\tldy\t#-12\n\tjsr\tc_check\n\tpshx\n\tpshx\n\ttsx\nOFST:\tset\t2\n\t.dcall\t\"6,0,_f\"\n");
}

TEST(Prologue, StaticFrameOfAFunctionWithoutStack) {
    auto setup = [](Gen& g) {
        g.func_attrs = SP_NOSTACK;
        g.stackless = true;
        g.frame_name = "<@f.L";
        g.frame_low = -4;
        g.regarg_size = 2;
        g.stackarg_size = 2;
    };
    Frame f = prologue(setup);
    EXPECT_EQ(f.text, "\tswitch\t.bss\n\tds.b\t4\n_f.L:\n\tds.b\t4\n\txdef\t_f.L\n\tswitch\t.text\n_f:\n\tstd\t_f.L\n");
    EXPECT_EQ(f.exit, " rts;");
    ccgen::Options declared;
    declared.static_model = 3;
    Frame d = prologue(setup, declared);
    EXPECT_EQ(d.text, "\t.dcall\t\"4,4,_f.L\"\n\txref.b\t_f.L\n_f:\n\tstd\t_f.L\n");
}

TEST(StackAdjust, TextAndSize) {
    struct Case {
        int n;
        const char* text;
        int size;
    } cases[] = {
        {-7, " pshx; pshx; pshx; des", 4}, {-10, " pshx; pshx; pshx; pshx; pshx", 5}, {-1, " des", 1},
        {0, "", 0},  {3, " ins; ins; ins", 3},  {200, "\x07" "c~msps; dc.b 200", 4},
        {300, "\x07" "c~mspl; dc.w 300", 5}, {-20, "\x07" "c~mspo; dc.w -18", 5},
    };
    for (const Case& c : cases) {
        vytest::engine_text([&](Gen& g) {
            std::string t = ccgen::stack_adjust_text(g, c.n);
            EXPECT_EQ(t, c.text) << c.n;
            EXPECT_EQ(g.code_offset, c.size) << c.n;
        });
    }
}

}  // namespace
