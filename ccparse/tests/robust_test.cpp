// Hostile input: every case ends with the diagnostic it deserves and status
// 1, never with a crash, a hang or an output file left behind.
#include "ccparse/source.h"
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace {

using vytest::FrontRun;

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct HostileCase {
    const char* name;
    std::string source;
    const char* first_error;  // the message the errors must contain
};

TEST(Robustness, HostileSourcesAreDiagnosed) {
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>(random() & 0xFF);
    std::string chain;
    for (int i = 0; i < 3000; ++i) chain += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + "\n";
    chain += "int M0;\n";
    // Long inputs that must take time in proportion to their length.
    std::string long_call = "#define F(x) x\n#define T int\nF(\n";
    for (int i = 0; i < 20000; ++i) long_call += "T a" + std::to_string(i) + "; T b" + std::to_string(i) + ";\n";
    std::string open_call = long_call;
    long_call += ")\n";
    std::string comment_lines = repeat("a comment line of a directive, with a few words in it\n", 30000);

    const HostileCase cases[] = {
        {"unterminated comment", "int x; /* no end\nint y;\n", "unclosed comment at end of file"},
        {"unterminated string", "char *s = \"abc\n;\n", "unbalanced \""},
        {"unterminated char", "int c = 'a\n;\n", "unbalanced '"},
        {"unterminated #if", "#if 1\nint x;\n", "missing #endif directive"},
        {"macro invocation never closed in a long file", open_call, "bad invocation of macro F"},
        {"macro invocation over many lines", long_call, ""},
        {"comment of a directive over many lines", "#define N 4 /* begins\n" + comment_lines + "*/ + 1\nchar b[N];\n", ""},
        {"comment of a directive never closed", "#define N 4 /* begins\n" + comment_lines, "unclosed comment at end of file"},
        {"unterminated #ifdef in an include", "#include \"t.c\"\n", "#include nested too deeply"},
        {"self-recursive macro", "#define x x + x\nint x;\n", "missing ;"},
        {"mutually recursive function-like macros", "#define f(a) g(a)\n#define g(a) f(a)\nint f(1);\n",
         "bad proto argument type"},
        {"long macro chain", chain, "nesting too deep"},
        {"deeply nested invocation", "#define f(x) x\nint y = " + repeat("f(\n", 2000) + "1" + repeat(")\n", 2000) + ";\n",
         "nesting too deep"},
        {"deeply nested declarator", "int " + repeat("(\n", 5000) + "x" + repeat(")\n", 5000) + ";\n",
         "nesting too deep"},
        {"deeply nested expression", "int a[" + repeat("(\n", 5000) + "1" + repeat(")\n", 5000) + "];\n",
         "nesting too deep"},
        {"unary operators without end", "int a[" + repeat("-\n", 5000) + "1];\n", "nesting too deep"},
        {"conditional chain", "int a[" + repeat("1?\n", 3000) + "1" + repeat(":1\n", 3000) + "];\n",
         "nesting too deep"},
        {"deeply nested structures", repeat("struct a {\n", 2000) + "int x;" + repeat("} y;\n", 2000),
         "nesting too deep"},
        {"very long physical line", "int x" + std::string(6000, ' ') + ";\n", "line too long"},
        {"very long logical line", "int x" + repeat(std::string(1100, ' ') + "\\\n", 4) + "  ;\n",
         "logical line too long"},
        {"long joined lines past the buffer", "int x" + repeat(std::string(1000, ' ') + "\\\n", 8) + ";\n",
         "line too long"},
        {"name longer than a length byte", "int " + std::string(300, 'n') + ";\n", "name too long"},
        {"binary garbage", garbage, "bad character"},
        {"nul bytes", std::string("int\0x;\n", 7), "bad character"},
        {"lone carriage returns", "int\rx;\r", ""},
    };
    for (const HostileCase& c : cases) {
        auto start = std::chrono::steady_clock::now();
        FrontRun run = vytest::compile(c.source);
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (*c.first_error) {
            EXPECT_EQ(run.status, 1) << c.name;
            EXPECT_NE(run.errors.find(c.first_error), std::string::npos) << c.name << "\n" << run.errors.substr(0, 500);
            EXPECT_FALSE(run.output_exists) << c.name;
        } else {
            EXPECT_EQ(run.status, 0) << c.name << run.errors;
        }
        EXPECT_LT(seconds, 20.0) << c.name;
        // -e reads the same input without trouble too.
        FrontRun pre = vytest::preprocess_out(c.source);
        EXPECT_GE(pre.status, 0) << c.name;
    }
}

TEST(Robustness, IncludeLoopEnds) {
    vytest::TempDir dir;
    dir.write("a.h", "#include \"b.h\"\nint a;\n");
    dir.write("b.h", "#include \"a.h\"\nint b;\n");
    dir.write("t.c", "#include \"a.h\"\n");
    FrontRun run = vytest::run_front(dir, {"-o", "t.ir", "t.c"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("#include nested too deeply: "), std::string::npos);
    EXPECT_FALSE(dir.exists("t.ir"));
}

TEST(Robustness, FileIncludingItselfTwiceEnds) {
    // The nesting is given up as a whole each time, instead of walking a
    // tree of 2^200 files; the second report, on the same line 1, is dropped.
    vytest::TempDir dir;
    dir.write("t.c", "#include \"t.c\"\n#include \"t.c\"\nint x;\n");
    auto start = std::chrono::steady_clock::now();
    FrontRun run = vytest::run_front(dir, {"-o", "t.ir", "t.c"});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccparse t.c:1 #include nested too deeply: t.c\n");
    EXPECT_LT(seconds, 10.0);
}

TEST(Robustness, ManyIncludesAreQuick) {
    vytest::TempDir dir;
    dir.write("a.h", "");
    dir.write("t.c", repeat("#include \"a.h\"\n", 30000) + "int x;\n");
    auto start = std::chrono::steady_clock::now();
    FrontRun run = vytest::run_front(dir, {"-md", "t.c"});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(vytest::squeeze(run.out), "t.c a.h");
    EXPECT_LT(seconds, 10.0);
}

TEST(Robustness, ScrambledSourceReadsLikeThePlainOne) {
    vytest::TempDir dir;
    std::string plain = "#define N 4\nchar buf[N];\nint x;\n";
    dir.write("plain.c", plain);
    dir.write("scrambled.c", vy::cc::scramble(plain));
    FrontRun a = vytest::run_front(dir, {"-o", "a.ir", "plain.c"});
    FrontRun b = vytest::run_front(dir, {"-o", "b.ir", "scrambled.c"});
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(b.status, 0) << b.errors;
    EXPECT_EQ(vytest::records(a), vytest::records(b));
    EXPECT_EQ(a.ir.size(), b.ir.size());
}

TEST(Robustness, HundredThousandLinesAreQuick) {
    std::string source = "#define SIZE 16\ntypedef unsigned char byte;\n";
    for (int i = 0; i < 20000; ++i) {
        std::string n = std::to_string(i);
        source += "/* block " + n + ": a comment with some words in it */\n";
        source += "static byte buf" + n + "[SIZE + " + std::to_string(i % 7) + "];\n";
        source += "#if SIZE > " + std::to_string(i % 20) + "\n";
        source += "struct s" + n + " { int a:3; int b:4; long c; char *p; } v" + n + ";\n";
        source += "#endif\n";
    }
    auto start = std::chrono::steady_clock::now();
    FrontRun run = vytest::compile(source);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, 0) << run.errors.substr(0, 300);
    // Well under a second in an optimised build; the bound leaves room for sanitizers.
    EXPECT_LT(seconds, 10.0);
}

}  // namespace
