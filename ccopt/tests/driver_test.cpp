// The program around the rules: reading chunks, the hints, the banner,
// the options, the output, and bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ccopt/opt.h"
#include "ccopt/tests/opt_fixture.h"
#include "ccparse/toolkit/toolkit.h"

namespace {

struct MainRun {
    int status = 0;
    std::string errors;
    std::string output;
};

std::string unix_lines(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

std::string slurp(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class Driver : public ::testing::Test {
protected:
    std::filesystem::path old_dir, dir;
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        old_dir = std::filesystem::current_path();
        dir = old_dir / (std::string("opt_") + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(old_dir);
        std::error_code ec;
        if (!HasFailure()) std::filesystem::remove_all(dir, ec);
    }
    static void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    // Runs the program with its words; the output goes to "out.s".
    static MainRun run(std::vector<std::string> words, bool to_file = true) {
        words.insert(words.begin(), "ccopt");
        if (to_file) words.insert(words.begin() + 1, {"-o", "out.s"});
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        static std::string errors;
        errors.clear();
        vy::ExitHook old = vy::set_exit_hook([](int status) { throw vy::ToolExit{status}; });
        vy::ErrorWriter old_writer = vy::set_error_writer([](std::string_view t) { errors += t; });
        MainRun r;
        try {
            r.status = ccopt::optmain(static_cast<int>(words.size()), argv.data());
        } catch (const vy::ToolExit& e) {
            r.status = e.status;
        }
        vy::set_exit_hook(old);
        vy::set_error_writer(old_writer);
        r.errors = errors;
        if (std::filesystem::exists("out.s")) r.output = unix_lines(slurp("out.s"));
        return r;
    }
};

std::string opt(const std::string& text, const char* disable = "", bool comments = false) {
    ccopt::Options o;
    o.disable = disable;
    o.comments = comments;
    return ccopt::optimize_text(text, o);
}

TEST_F(Driver, InputWithoutFunctionsStaysAsItIs) {
    std::string in = "; head\n\tswitch\t.data\nloop: deca \n\tbne\tloop ; back\n  LDAA   #1\t\n_v:\tdc.b\t1\n";
    EXPECT_EQ(opt(in), "; head\n\tswitch\t.data\n; Optimizer V4.1l - 28 Nov 2001\nloop:\n\tdeca\n\tbne\tloop\n\tldaa\t#1\n_v:\tdc.b\t1\n");
}

TEST_F(Driver, LabelsWithTextOnTheirLine) {
    std::string out = opt("_f:\nFL:\nname: ldaa #1\n\tstaa\t_x\nsym: equ 5\n\tnod\n\trts\nFL:\n");
    EXPECT_EQ(out, "_f:\nname:\n\tldaa\t#1\n\tstaa\t_x\nsym: equ 5\n\trts\n");
}

TEST_F(Driver, HintLabelsNeverReachTheOutput) {
    std::string out = opt("_f:\nFL:\nYTOX:\n\tldy\t_w\n\tldaa\t0,y\nVL:\n\tstaa\t_x\n\tnod\n\trts\nFL:\n");
    EXPECT_EQ(out.find("FL:"), std::string::npos);
    EXPECT_EQ(out.find("VL:"), std::string::npos);
    EXPECT_EQ(out.find("YTOX:"), std::string::npos);
    // The line before "VL:" is kept from the rules; the renaming of Y to X
    // covers it as every other line.
    EXPECT_EQ(out, "_f:\n\tldx\t_w\n\tldaa\t0,x\n\tstaa\t_x\n\trts\n");
}

TEST_F(Driver, CommentsOnInstructionsAndLabelsGo) {
    EXPECT_EQ(opt("\tldaa\t#1 ; load\nL1: ; here\n"), "\tldaa\t#1\nL1:\n");
}

TEST_F(Driver, RemovedLinesStayAsCommentsWithC) {
    std::string out = opt("_f:\nFL:\n\tldaa\t_y\n\tjbr\tL1\nL1:\n\tstaa\t_x\n\tnod\n\trts\nFL:\n", "", true);
    EXPECT_EQ(out, "_f:\n\tldaa\t_y\n;***** jbr L1 ***** B4\n\tstaa\t_x\n\trts\n");
}

TEST_F(Driver, DisableSwitchesOffOneRule) {
    const char* body = "ldaa _y|jbr L1|L1:|staa _x|nod|rts";
    EXPECT_EQ(opttest::optimize_body(body, "B4"), "ldaa _y|bra L1|L1:|staa _x|rts");
    EXPECT_EQ(opttest::optimize_body(body, "b4"), "ldaa _y|bra L1|L1:|staa _x|rts");
    EXPECT_EQ(opttest::optimize_body(body, "B8xB"), "ldaa _y|staa _x|rts");  // no rule named
    EXPECT_EQ(opttest::optimize_body(body, "L1B2"), "ldaa _y|staa _x|rts");
}

TEST_F(Driver, OnlyDecimalEquatesBelow256AreDirectPage) {
    const std::string body = "_f:\nFL:\n\tldab\t_port\n\tandb\t#4\n\tjbne\tL1\n\tstaa\t_x\nL1:\n\tnod\n\trts\nFL:\n";
    EXPECT_NE(opt("_port:\tequ\t32\n" + body).find("\tbrset\t_port,#4,L1\n"), std::string::npos);
    EXPECT_NE(opt("_port:\tequ\t32 ; the port\n" + body).find("\tbrset\t_port,#4,L1\n"), std::string::npos);
    for (const char* value : {"4096", "0x1000", "$20", "_base+2"})
        EXPECT_NE(opt(std::string("_port:\tequ\t") + value + "\n" + body).find("\tldab\t_port\n"), std::string::npos)
            << value;
}

TEST_F(Driver, AdjacentLabelsBecomeOne) {
    std::string out = opt("_f:\nFL:\n\tldab\t_y\n\tjsr\tc_jtab\n\tdc.w\tL2\n\tdc.w\tL1\nL1:\n; between\nL2:\n"
                          "\tstab\t_x\n\tjbne\tL2\n\tnod\n\trts\nFL:\n");
    EXPECT_EQ(out, "_f:\n\tldab\t_y\n\tjsr\tc_jtab\n\tdc.w\tL1\n\tdc.w\tL1\n; Optimizer V4.1l - 28 Nov 2001\n"
                   "L1:\n; between\n\tstab\t_x\n\tbne\tL1\n\trts\n");
}

TEST_F(Driver, JumpsOutOfTheFunctionEndTheFlow) {
    std::string out = opt("_f:\nFL:\n\tldaa\t_y\n\tjmp\t_other\n\tstaa\t_x\n\tjbr\tc_jtab\n\tnod\n\trts\nFL:\n");
    EXPECT_EQ(out, "_f:\n\tldaa\t_y\n\tjmp\t_other\n");
}

TEST_F(Driver, HintBeforeACallLetsTheArgumentLoadGo) {
    EXPECT_EQ(opttest::optimize_body("ldab _y|noa|jsr _g|nod|rts"), "ldab _y|jsr _g|rts");
    EXPECT_EQ(opttest::optimize_body("ldaa _y|noa|jsr _g|nod|rts"), "jsr _g|rts");
    EXPECT_EQ(opttest::optimize_body("ldaa _y|jsr _g|nod|rts"), "ldaa _y|jsr _g|rts");
}

TEST_F(Driver, QvnoloKeepsALoadWhoseBackEdgeValueIsItsOwn) {
    const char* body = "ldx #0|L1:|ldab _y|abx|cpx #400|jbls L1|stx _u|nod|rts";
    ccopt::Options o;
    EXPECT_EQ(opttest::optimize_body(body, o), "ldx #0|ldab _y|L1:|abx|cpx #400|bls L1|stx _u|rts");
    o.qvnolo = true;
    EXPECT_EQ(opttest::optimize_body(body, o), "ldx #0|L1:|ldab _y|abx|cpx #400|bls L1|stx _u|rts");
    o.qvnolo = false;
    o.disable = "M2";
    EXPECT_EQ(opttest::optimize_body(body, o), "ldx #0|L1:|ldab _y|abx|cpx #400|bls L1|stx _u|rts");
}

TEST_F(Driver, StatisticsAndOutputFile) {
    write("a.s", "_f:\nFL:\n\tldaa\t_y\n\tjbr\tL1\nL1:\n\tstaa\t_x\n\tnod\n\trts\nFL:\n");
    MainRun r = run({"-v", "a.s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, "opt: 1 destructions, 0 modifications\n");
    EXPECT_EQ(r.output, "_f:\n\tldaa\t_y\n\tstaa\t_x\n\trts\n");
    write("b.s", "\tnop\n");
    r = run({"-v", "b.s"});
    EXPECT_EQ(r.errors, "opt: 0 destructions, 0 modifications\n");
    r = run({"-d", "B4", "-c", "a.s"});
    EXPECT_EQ(r.output, "_f:\n\tldaa\t_y\n\tbra\tL1\nL1:\n\tstaa\t_x\n\trts\n");
}

TEST_F(Driver, CommandLineErrors) {
    MainRun r = run({"missing.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "ccopt: can't open missing.s\n");
    write("a.s", "\tnop\n");
    r = run({"-o", "no/such/dir/x.s", "a.s"}, false);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "ccopt: can't create no/such/dir/x.s\n");
    r = run({}, false);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("usage: ccopt [options] file"), std::string::npos);
    EXPECT_NE(r.errors.find("    -d*  disable specific optimizations\n"), std::string::npos) << r.errors;
    r = run({"-v"}, false);
    EXPECT_EQ(r.status, 0);
    r = run({"-vers"}, false);
    EXPECT_EQ(r.errors, "Talvex Software 68HC11 Optimizer V4.1l - 28 Nov 2001 - Win32\n");
}

// An input past the bound of every input is refused at once, with the
// "#error" line of every pass: a file that says its size before any byte
// is read, and one that never ends after the bound.
TEST_F(Driver, InputsPastTheBoundAreTooLarge) {
    write("big.s", "\tnop\n");
    std::filesystem::resize_file("big.s", (256u << 20) + 1);   // sparse
    MainRun r = run({"big.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccopt big.s:0 file too large\n");
    EXPECT_FALSE(std::filesystem::exists("out.s"));
#ifndef _WIN32
    r = run({"/dev/zero"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccopt /dev/zero:0 file too large\n");
#endif
}

TEST_F(Driver, BadBranchStopsWithoutOutput) {
    write("a.s", "_f:\nFL:\n\tldaa\t_y\n\tjbne\t_other\n\tnod\n\trts\nFL:\n");
    MainRun r = run({"a.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "ccopt: bad branch to label _other\n");
    EXPECT_FALSE(std::filesystem::exists("out.s"));
    // Control bytes in the operand are shown, so the message stays one line.
    write("b.s", "_f:\nFL:\n\tjbeq\tL\r9\x01\n\trts\nFL:\n");
    r = run({"b.s"});
    EXPECT_EQ(r.errors, "ccopt: bad branch to label L\\x0d9\\x01\n");
}

TEST_F(Driver, FunctionCutShortIsAnError) {
    // The text ends inside a function: its closing marker never came.
    write("a.s", "_f:\nFL:\n\tldaa\t_y\n\tjbr\tL1\nL1:\n\tstaa\t_x\n\tnod\n\trts");
    MainRun r = run({"a.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "ccopt: EOF\n");
    EXPECT_FALSE(std::filesystem::exists("out.s"));
    write("b.s", "_f:\nFL:\n\trts\nFL:\n_g:\nFL:\n");
    r = run({"b.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "ccopt: EOF\n");
    // A closed function whose marker has no line end is whole.
    write("c.s", "_f:\nFL:\n\tldaa\t_y\n\tjbr\tL1\nL1:\n\tstaa\t_x\n\tnod\n\trts\nFL:");
    r = run({"c.s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "_f:\n\tldaa\t_y\n\tstaa\t_x\n\trts\n");
}

TEST_F(Driver, CrlfAndVeryLongLines) {
    std::string longname = "_" + std::string(100000, 'n');
    write("a.s", "_f:\r\nFL:\r\n\tldaa\t" + longname + "\r\n\tstaa\t_x\r\n; " + std::string(70000, 'c') +
                     "\r\n\tnod\r\n\trts\r\nFL:\r\n");
    MainRun r = run({"a.s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "_f:\n\tldaa\t" + longname + "\n\tstaa\t_x\n; " + std::string(70000, 'c') + "\n\trts\n");
}

TEST_F(Driver, BannerFollowsTheSecondTextLine) {
    EXPECT_EQ(opt("\tinclude\t\"macro.h11\"\n\tswitch\t.text\n\tswitch\t.data\n"),
              "\tinclude\t\"macro.h11\"\n\tswitch\t.text\n; Optimizer V4.1l - 28 Nov 2001\n\tswitch\t.data\n");
    EXPECT_EQ(opt("\tnop\n; one\n"), "\tnop\n; one\n");
}

TEST_F(Driver, DeepAndWideInputs) {
    // Many labels on one line, many branches to one label, a long chain of
    // conditional branches: no recursion depth, no referrer limit.
    std::string labels;
    for (int i = 0; i < 20000; ++i) labels += "a" + std::to_string(i) + ": ";
    labels += "nop";
    std::string text = "_f:\nFL:\n" + labels + "\n";
    for (int i = 0; i < 3000; ++i) text += "\tldab\t_y\n\tjbne\tL1\n\tstab\t_z\n";
    text += "L1:\n\tnod\n\trts\nFL:\n";
    std::string out = opt(text);
    EXPECT_NE(out.find(labels + "\n"), std::string::npos);  // a label before a label is text
    EXPECT_NE(out.find("L1:\n\trts\n"), std::string::npos);
}

}  // namespace
