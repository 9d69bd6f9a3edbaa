// Hostile sources: expressions nested without end, NULs and control bytes in
// the texts a diagnostic quotes, and endless include files. Each ends with
// its diagnostic on one line and status 1, quickly.
#include <chrono>

#include "asm_fixture.h"
#include "support/tests/endless_input.h"

namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST_F(AsmTest, ExpressionsNestedBeyondTheBoundAreNestingTooDeep) {
    struct Case {
        const char* name;
        std::string source;
    };
    const Case cases[] = {
        {"20000 parentheses", "\tldaa\t#" + repeat("(", 20000) + "1" + repeat(")", 20000) + "\n"},
        {"40000 minus signs", "\tldaa\t#" + repeat("-", 40000) + "1\n"},
        {"100000 unary operators", "\tdc.w\t" + repeat("-~+", 100000 / 3) + "1\n"},
        {"100000 functions", "\tdc.b\t" + repeat("low(", 100000) + "1" + repeat(")", 100000) + "\n"},
        {"100000 parentheses in a condition", "\tif\t" + repeat("(", 100000) + "\n\tendif\n"},
    };
    for (const Case& c : cases) {
        AsmRun r = assemble(c.source);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_FALSE(r.has_object) << c.name;
        EXPECT_EQ(r.diagnostics, "#error ccasm t.s:1\tnesting too deep\n") << c.name;
    }
    // Nesting within the bound is assembled.
    AsmRun ok = assemble("\tldaa\t#" + repeat("(-", 100) + "1" + repeat(")", 100) + "\n");
    ASSERT_EQ(ok.status, 0) << ok.diagnostics;
    EXPECT_EQ(ok.bytes(), bytes_of({0x86, 0x01}));
}

TEST_F(AsmTest, DiagnosticsQuotingInputStayOneLine) {
    std::string source("\tinclude\t\"ab\0c.s\"\n"
                       "\tinclude\t\"zz.s\"\n"
                       "\tfail\t\"\x1b[31m red\r\x1a\"\n"
                       "\t\x7fname\n",
                       61);
    write("ab", "\tnop\n");  // the bytes before the NUL name another file
    AsmRun r = assemble(source);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.diagnostics,
              "#error ccasm t.s:1\tcan't open ab\\x00c.s\n"
              "#error ccasm t.s:2\tcan't open zz.s\n"
              "#error ccasm t.s:3\t\\x1b[31m red\\x0d\\x1a\n"
              "#error ccasm t.s:4\tbad comment delimiter\n");
}

#ifndef _WIN32
TEST_F(AsmTest, EndlessIncludeFilesAreTooLarge) {
    if (vytest::has_dev_zero()) {
        AsmRun r = assemble("\tinclude\t\"/dev/zero\"\n\tnop\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.diagnostics, "#error ccasm t.s:1\tfile too large: /dev/zero\n");
        EXPECT_FALSE(r.has_object);

        ccasm::Options opt;
        opt.object_name = "zero.o";
        AsmRun source = assemble_files({"/dev/zero"}, opt, "zero.o");
        EXPECT_EQ(source.status, 1);
        EXPECT_EQ(source.diagnostics, "#error ccasm /dev/zero:0 file too large\n");
    }
    vytest::EndlessFifo fifo((dir / "endless.s").string(), "\tnop\n");
    ASSERT_TRUE(fifo.made());
    AsmRun r = assemble("\tinclude\t\"endless.s\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.diagnostics, "#error ccasm t.s:1\tfile too large: endless.s\n");
}
#endif

}  // namespace
