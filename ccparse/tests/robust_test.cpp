// Hostile input: every case ends with the diagnostic it deserves and status
// 1, never with a crash, a hang or an output file left behind.
#include "ccparse/source.h"
#include "ccparse/tests/front_harness.h"
#include "support/tests/endless_input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
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
        // each level would hold a copy of the rest: the nesting is given up
        // once the levels hold too much, in time and memory well bounded
        {"100000 nested invocations", "#define f(x) x\nint y = " + repeat("f(\n", 100000) + "1" + repeat(")\n", 100000) + ";\n",
         "nesting too deep"},
        {"100000 nested parentheses", "int a[" + repeat("(\n", 100000) + "1" + repeat(")\n", 100000) + "];\n",
         "nesting too deep"},
        {"100000 nested declarators", "int " + repeat("(\n", 100000) + "x" + repeat(")\n", 100000) + ";\n",
         "nesting too deep"},
        {"100000 nested structures", repeat("struct a {\n", 100000) + "int x;" + repeat("} y;\n", 100000),
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
        FrontRun run = vytest::compile(c.source);
        if (*c.first_error) {
            EXPECT_EQ(run.status, 1) << c.name;
            EXPECT_NE(run.errors.find(c.first_error), std::string::npos) << c.name << "\n" << run.errors.substr(0, 500);
            EXPECT_FALSE(run.output_exists) << c.name;
        } else {
            EXPECT_EQ(run.status, 0) << c.name << run.errors;
        }
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
    FrontRun run = vytest::run_front(dir, {"-o", "t.ir", "t.c"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccparse t.c:1 #include nested too deeply: t.c\n");
}

// A file whose #include line is ended by the end of the file (a joining
// backslash, a comment left open): the line ends with its file, so the
// include nests as deep as the file does and the loop stops at the bound.
TEST(Robustness, IncludeLoopsEndedByTheEndOfTheFileStop) {
    struct LoopCase {
        const char* name;
        std::map<std::string, std::string> files;
        const char* source;
        const char* errors;
    };
    const LoopCase cases[] = {
        {"itself, joined to the end of the file", {{"case.c", "#include \"case.c\"\\\n"}}, "case.c",
         "#error ccparse case.c:1 #include nested too deeply: case.c\n"},
        {"itself, backslash without a line end", {{"case.c", "#include\"case.c\"\\"}}, "case.c",
         "#error ccparse case.c:1 #include nested too deeply: case.c\n"},
        {"itself, joined with CRLF", {{"case.c", "#include \"case.c\"\\\r\n"}}, "case.c",
         "#error ccparse case.c:1 #include nested too deeply: case.c\n"},
        {"itself, comment left open", {{"case2.c", "#include\"case2.c\"/*"}}, "case2.c",
         "#error ccparse case2.c:1 unclosed comment at end of file\n"},
        {"itself, comment open over lines", {{"case2.c", "#include \"case2.c\" /* a\nb\n"}}, "case2.c",
         "#error ccparse case2.c:2 unclosed comment at end of file\n"},
        {"through a header, joined",
         {{"t.c", "#include \"a.h\"\n"}, {"a.h", "#include \"b.h\"\\\n"}, {"b.h", "#include \"a.h\"\\\n"}},
         "t.c", "#error ccparse b.h:1 #include nested too deeply: a.h\n"},
        {"through a header, comment left open",
         {{"t.c", "#include \"a.h\"\nint x;\n"}, {"a.h", "#include \"t.c\" /*"}}, "t.c",
         "#error ccparse a.h:1 unclosed comment at end of file\n"},
    };
    for (const LoopCase& c : cases) {
        vytest::TempDir dir;
        for (const auto& [name, text] : c.files) dir.write(name, text);
        FrontRun run = vytest::run_front(dir, {"-e", c.source});
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.errors, c.errors) << c.name;
    }
    // Joined lines inside one file still join.
    FrontRun joined = vytest::preprocess_out("#define N \\\n 4\nint a[N];\n");
    EXPECT_EQ(joined.status, 0) << joined.errors;
    EXPECT_EQ(vytest::squeeze(joined.out), "int a[4];");
}

// Control bytes and NULs of the input never split or cut a diagnostic line:
// they are written as \xNN.
TEST(Robustness, DiagnosticsStayOneLine) {
    std::string source("#include \"ab\0c.h\"\n"
                       "#include \"zz.h\"\n"
                       "#error a\rb\x1a end\n"
                       "int x\x1b;\n"
                       "#line 9 \"q\x01.c\"\n"
                       "int y\x7f;\n",
                       81);
    FrontRun run = vytest::compile(source);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors,
              "#error ccparse t.c:1 can't open ab\\x00c.h\n"
              "#error ccparse t.c:2 can't open zz.h\n"
              "#error ccparse t.c:3 a\\x0db\\x1a end\n"
              "#error ccparse t.c:4(5) bad character \\x1b\n"
              "#error ccparse q\\x01.c:9(5) bad character \\x7f\n");
    // A name with a NUL never opens the file named by the bytes before it.
    vytest::TempDir dir;
    dir.write("ab", "int wrong;\n");
    dir.write("t.c", std::string("#include \"ab\0c\"\n", 16));
    FrontRun cut = vytest::run_front(dir, {"-e", "t.c"});
    EXPECT_EQ(cut.errors, "#error ccparse t.c:1 can't open ab\\x00c\n");
    EXPECT_EQ(cut.out.find("wrong"), std::string::npos);
}

#ifndef _WIN32
// An endless include (a device, a FIFO fed without end) is refused past the
// input bound, quickly and without filling memory.
TEST(Robustness, EndlessIncludesAreTooLarge) {
    if (vytest::has_dev_zero()) {
        FrontRun run = vytest::preprocess("#include \"/dev/zero\"\nint x;\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors,
                  "#error ccparse /dev/zero:1 line too long\n"
                  "#error ccparse /dev/zero:1 file too large\n");
        EXPECT_FALSE(run.output_exists);
        // Compiling, the second report on the same line is dropped.
        run = vytest::compile("#include \"/dev/zero\"\nint x;\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors.rfind("#error ccparse /dev/zero:1 ", 0), 0u) << run.errors;
    }
    vytest::TempDir dir;
    vytest::EndlessFifo fifo(dir.file("endless.h"), "int a, b, c; /* no line end */ ");
    ASSERT_TRUE(fifo.made());
    dir.write("t.c", "#include \"endless.h\"\n");
    FrontRun run = vytest::run_front(dir, {"-e", "t.c"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("endless.h:1 file too large\n"), std::string::npos) << run.errors;
}
#endif

TEST(Robustness, ManyIncludesAreQuick) {
    vytest::TempDir dir;
    dir.write("a.h", "");
    dir.write("t.c", repeat("#include \"a.h\"\n", 30000) + "int x;\n");
    FrontRun run = vytest::run_front(dir, {"-md", "t.c"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(vytest::squeeze(run.out), "t.c a.h");
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
    FrontRun run = vytest::compile(source);
    EXPECT_EQ(run.status, 0) << run.errors.substr(0, 300);
    // Well under a second in an optimised build; the bound leaves room for sanitizers.
}

}  // namespace
