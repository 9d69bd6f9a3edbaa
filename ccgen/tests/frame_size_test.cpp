// Functions whose frame outgrows the indexed mode only after their first
// statements were generated: every frame place must still be reached, by
// an index the final frame allows or by an address formed first. The
// programs are compiled, assembled, linked and run in the target model.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/sim_harness.h"

namespace {

const char* const big_struct = "struct big { unsigned w[150]; unsigned char last; };\n";

// The indexed frame operands whose index (with up to 3 more for the later
// bytes of a value) leaves 0..255 under the function's OFST.
std::string indexes_out_of_range(const std::string& asm_text) {
    std::istringstream in(asm_text);
    std::string line, bad;
    long ofst = 0;
    static const std::regex set_line(R"(^OFST:\s+set\s+(-?\d+))");
    static const std::regex operand(R"(OFST([+-]\d+)?,x)");
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, set_line)) {
            ofst = std::stol(m[1]);
            continue;
        }
        if (std::regex_search(line, m, operand)) {
            long index = ofst + (m[1].matched ? std::stol(m[1]) : 0);
            if (index < 0 || index + 3 > 255) bad += line + " (OFST " + std::to_string(ofst) + ")\n";
        }
    }
    return bad;
}

std::size_t count_lines(const std::string& text, const std::string& line) {
    std::size_t n = 0;
    for (const std::string& l : vytest::body_lines(text)) n += l == line;
    return n;
}

struct Program {
    const char* name;
    std::string source;        // defines `out` and main
    std::vector<std::uint16_t> expected;  // out[0], out[1], ...
};

std::vector<Program> programs() {
    std::string head = std::string(big_struct) + "struct big gb;\nunsigned out[4];\n";
    return {
        // the call's result area is taken after the small locals were used
        {"result_area_after_small_locals",
         head + "struct big dbl(struct big b) { b.last = (unsigned char)(b.last * 2); return b; }\n"
                "unsigned f(void) { unsigned a = 1; unsigned char x[10]; x[1] = 3; a += x[1];"
                " return a + dbl(gb).last; }\n"
                "int main(void) { gb.last = 21; out[0] = f(); return 0; }\n",
         {46}},
        // a large array of an inner block, after and before uses of the
        // function's small locals
        {"large_array_in_an_inner_block",
         head + "unsigned g(unsigned n)\n{\n"
                "    unsigned s = n; unsigned char k[4];\n"
                "    k[0] = 5; s += k[0];\n"
                "    {\n"
                "        unsigned char big[300]; unsigned i;\n"
                "        for (i = 0; i < 300; ++i) big[i] = (unsigned char)i;\n"
                "        s += big[299] + big[7];\n"
                "    }\n"
                "    s += k[0];\n"
                "    return s;\n}\n"
                "int main(void) { out[0] = g(1000); out[1] = g(1); return 0; }\n",
         {1060, 61}},
        // two calls returning large structures, in one statement and in two
        {"two_large_results",
         head + "struct big mk(unsigned char v) { struct big r; r.last = v; r.w[149] = v; return r; }\n"
                "unsigned h(void)\n{\n"
                "    unsigned char c[2]; unsigned t;\n"
                "    c[0] = 9; t = c[0];\n"
                "    t += mk(1).last;\n"
                "    t += mk(2).w[149];\n"
                "    t += mk(3).last + mk(4).last;\n"
                "    t += c[0];\n"
                "    return t;\n}\n"
                "int main(void) { out[0] = h(); return 0; }\n",
         {28}},
        // generated again: the data, strings, switch table and constants
        // its records and code write come out once
        {"body_with_data_of_its_own",
         head + "unsigned long lk;\n"
                "struct big dbl(struct big b) { b.last = (unsigned char)(b.last * 2); return b; }\n"
                "unsigned f(unsigned v)\n{\n"
                "    static unsigned char st[3] = {1, 2, 3};\n"
                "    static unsigned su;\n"
                "    const char *p = \"hey\";\n"
                "    unsigned a = 1; unsigned char x[10];\n"
                "    x[1] = 3;\n"
                "    a += x[1] + st[2] + p[1];\n"
                "    switch (v) { case 100: a += 1; break; case 1000: a += 2; break;"
                " case 30000: a += 3; break; default: a += 4; }\n"
                "    lk += 0x12345678UL;\n"
                "    return a + dbl(gb).last + ++su;\n}\n"
                "int main(void) { gb.last = 21; out[0] = f(1000); out[1] = f(7);"
                " out[2] = (unsigned)(lk >> 16); return 0; }\n",
         {153, 156, 0x2468}},
    };
}

TEST(LargeFrames, PlacesUsedBeforeTheFrameGrewAreStillReached) {
    for (const Program& p : programs()) {
        for (bool optimise : {false, true}) {
            SCOPED_TRACE(std::string(p.name) + (optimise ? " optimised" : " -no"));
            std::vector<std::string> options;
            if (!optimise) options.push_back("-no");
            vytest::ChainRun chain = vytest::compile_and_generate(p.source, {}, options);
            ASSERT_EQ(chain.front.status, 0) << chain.front.errors;
            ASSERT_EQ(chain.gen.status, 0) << chain.gen.errors;
            EXPECT_EQ(chain.gen.errors, "");
            std::string text = chain.gen.asm_text;
            EXPECT_EQ(indexes_out_of_range(text), "") << text;
            if (optimise) {
                std::string errors;
                text = vytest::optimise(text, errors);
                ASSERT_EQ(errors, "");
            }
            vytest::SimRun run = vytest::simulate(text);
            ASSERT_TRUE(run.ok) << run.error << "\n" << text;
            std::vector<std::uint8_t> out = run.bytes("_out", 2 * static_cast<int>(p.expected.size()));
            for (std::size_t i = 0; i < p.expected.size(); ++i)
                EXPECT_EQ(out[2 * i] << 8 | out[2 * i + 1], p.expected[i]) << "out[" << i << "]";
        }
    }
}

TEST(LargeFrames, ABodyGeneratedAgainWritesItsDataOnce) {
    const Program p = programs()[3];
    vytest::ChainRun chain = vytest::compile_and_generate(p.source, {}, {"-no"});
    ASSERT_EQ(chain.gen.status, 0) << chain.gen.errors;
    const std::string& t = chain.gen.asm_text;
    EXPECT_EQ(count_lines(t, "\tdc.b\t\"hey\",0"), 1u) << t;
    EXPECT_EQ(count_lines(t, "\tdc.w\t30000"), 1u) << t;
    EXPECT_EQ(count_lines(t, "\tdc.b\t3"), 1u) << t;
    EXPECT_EQ(count_lines(t, ".const:\tsection"), 1u) << t;
    EXPECT_EQ(count_lines(t, "\tds.b\t2"), 1u) << t;
    EXPECT_EQ(count_lines(t, "\txref\tc_movstw"), 1u) << t;
}

// A frame that grows past the indexed range with no small place used
// before: nothing is generated twice and the frame's own places keep
// their small indexes.
TEST(LargeFrames, SmallPlacesDecidedOnTheLargeFrameKeepTheirIndexes) {
    vytest::ChainRun chain = vytest::compile_and_generate(
        "unsigned out[2];\nunsigned f(void) { unsigned char big[300]; unsigned s; s = 4; big[0] = 1;"
        " return s + big[0]; }\nint main(void) { out[0] = f(); return 0; }\n",
        {}, {"-no"});
    ASSERT_EQ(chain.gen.status, 0) << chain.gen.errors;
    EXPECT_EQ(indexes_out_of_range(chain.gen.asm_text), "") << chain.gen.asm_text;
    EXPECT_NE(chain.gen.asm_text.find("OFST-"), std::string::npos) << chain.gen.asm_text;
    vytest::SimRun run = vytest::simulate(chain.gen.asm_text);
    ASSERT_TRUE(run.ok) << run.error;
    std::vector<std::uint8_t> out = run.bytes("_out", 2);
    EXPECT_EQ(out[0] << 8 | out[1], 5);
}

}  // namespace
