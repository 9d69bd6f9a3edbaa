// The preprocessor: directives, conditionals, macro expansion with its
// rescan rules, #asm blocks, and the diagnostics of each.
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using vytest::FrontRun;

struct PpCase {
    const char* name;
    const char* source;
    const char* output;  // with white space squeezed
    const char* errors;  // exact diagnostics
    std::vector<std::string> options = {};
};

void check(const PpCase& c) {
    FrontRun run = vytest::preprocess_out(c.source, c.options);
    EXPECT_EQ(vytest::squeeze(run.out), c.output) << c.name;
    EXPECT_EQ(run.errors, c.errors) << c.name;
    EXPECT_EQ(run.status, *c.errors ? 1 : 0) << c.name;
}

TEST(Preprocessor, Definitions) {
    const PpCase cases[] = {
        {"blank before paren: object-like", "#define F (x) x\nF F(2)\n", "(x) x (x) x(2)", ""},
        {"no blank: function-like", "#define F(x) x+x\nF F(2)\n", "F 2+2", ""},
        {"same body again is silent", "#define A 1 +  2\n#define A 1 + 2\nA\n", "1 + 2", ""},
        {"other body keeps the first", "#define A 1\n#define A 2\nA\n", "1", "#error ccparse t.c:2 can't redefine macro A\n"},
        {"white space counts where it is", "#define A 1+2\n#define A 1 + 2\nA\n", "1+2",
         "#error ccparse t.c:2 can't redefine macro A\n"},
        {"parameter names do not matter", "#define F(a) a\n#define F(b) b\nF(3)\n", "3", ""},
        {"undef then define", "#define A 1\n#undef A\n#define A 2\nA\n", "2", ""},
        {"undef of an unknown name", "#undef NOPE\nok\n", "ok", ""},
        {"predefined names stay", "#define __LINE__ 3\n#undef __STDC__\n__STDC__\n", "1",
         "#error ccparse t.c:1 can't redefine macro __LINE__\n#error ccparse t.c:2 can't undef macro __STDC__\n"},
        {"bad define", "#define 3 x\n#define\n#undef\nz\n", "z",
         "#error ccparse t.c:1 bad #define syntax\n#error ccparse t.c:2 bad #define syntax\n"
         "#error ccparse t.c:3 bad #undef syntax\n"},
        {"parameter errors", "#define F(a,1) a\n#define G(a b) a\n#define H(a\n#define K(a,a) a\nF G H K(1,2)\n",
         "F G H 1",
         "#error ccparse t.c:1 bad macro argument\n#error ccparse t.c:2 bad macro argument syntax\n"
         "#error ccparse t.c:3 bad macro argument syntax\n#error ccparse t.c:4 redeclared parameter\n"},
        {"empty parameter list", "#define E() e\nE() E E(1)\n", "e E E(1)", ""},
        {"body without first blank", "#define S    a   b\n[S]\n", "[a b]", ""},
    };
    for (const PpCase& c : cases) check(c);
}

TEST(Preprocessor, CommandLineDefinitions) {
    const PpCase cases[] = {
        {"-d name is 1", "DEBUG N\n", "1 3", "", {"-dDEBUG", "-dN=3"}},
        {"-d empty value", "E.\n", ".", "", {"-dE="}},
        {"-d starting with a digit", "x\n", "x", "#error ccparse t.c:0 bad symbol definition\n", {"-d3X"}},
        {"-d with junk after the name", "x\n", "x", "#error ccparse t.c:0 bad symbol definition\n", {"-dA+1"}},
        {"__TLVX__ -u -ne", "__TLVX__\n", "36", "", {"-u", "-ne"}},
        {"__TLVX__ all", "__TLVX__\n", "55", "", {"-nw", "-f", "-u", "-rb", "-ne"}},
        {"__TLVX__ -sa sets -ne", "__TLVX__\n", "32", "", {"-sa"}},
    };
    for (const PpCase& c : cases) check(c);
}

TEST(Preprocessor, Conditionals) {
    const PpCase cases[] = {
        {"undefined name is false", "#if FOO\na\n#else\nb\n#endif\n", "b", ""},
        {"sizeof in #if", "#if sizeof(int) == 2 && sizeof(long) == 4 && sizeof(char *) == 2\nyes\n#endif\n", "yes", ""},
        {"sizeof under -sa is 0, and 0(int) no expression", "#if sizeof(int)\nyes\n#endif\n", "",
         "#error ccparse t.c:1 bad #if expression\n", {"-sa"}},
        {"elif after a taken branch", "#if 1\na\n#elif 1\nb\n#elif 1\nc\n#else\nd\n#endif\n", "a", ""},
        {"elif taken", "#if 0\na\n#elif 0\nb\n#elif 2\nc\n#elif 1\nd\n#else\ne\n#endif\n", "c", ""},
        {"nested in inactive text", "#if 0\n#if 1\na\n#else\nb\n#endif\n#bogus\n#else\nc\n#endif\n", "c", ""},
        {"ifdef and ifndef", "#define D\n#ifdef D\na\n#endif\n#ifndef D\nb\n#endif\n#ifdef __FILE__\nc\n#endif\n", "a c",
         ""},
        {"defined forms", "#define X\n#if defined X && defined(X) && !defined ( Y )\nok\n#endif\n", "ok", ""},
        {"int arithmetic is 16 bits", "#if 32767 + 1 < 0 && -32768 < 0 && 65535u > 0 && 40000 > 0\nok\n#endif\n", "ok",
         ""},
        {"char constant and shifts", "#if 'A' == 65 && (1 << 20) == 0 && (1L << 20) == 1048576\nok\n#endif\n", "ok",
         ""},
        {"division by zero", "#if 1 / 0\na\n#endif\n#if 1 % 0\nb\n#endif\nc\n", "c",
         "#error ccparse t.c:1(9) zero divide\n#error ccparse t.c:4(9) zero modulus\n"},
        {"bad expressions", "#if\n#endif\n#if 1 +\n#endif\n#if 1 2\n#endif\n#if 0\n#elif (\n#endif\nz\n", "z",
         "#error ccparse t.c:1 bad #if expression\n#error ccparse t.c:3 bad #if expression\n"
         "#error ccparse t.c:5 incomplete #if expression\n#error ccparse t.c:8 bad #elif expression\n"},
        {"else and endif errors", "#else\n#endif\n#elif 1\n#if 1\n#else\n#else\n#elif 1\n#endif\nz\n", "z",
         "#error ccparse t.c:1 bad #else\n#error ccparse t.c:2 bad #endif\n#error ccparse t.c:3 bad #else\n"
         "#error ccparse t.c:6 bad #else\n#error ccparse t.c:7 bad #else\n"},
        {"ifdef syntax", "#ifdef 3\na\n#endif\n#ifndef\nb\n#endif\nz\n", "z",
         "#error ccparse t.c:1 bad #ifdef syntax\n#error ccparse t.c:4 bad #ifndef syntax\n"},
        {"strict trailing tokens", "#ifdef A B\n#else C\n#endif D\n#undef A B\nz\n", "z",
         "#error ccparse t.c:1 unexpected token\n#error ccparse t.c:2 unexpected token\n"
         "#error ccparse t.c:3 unexpected token\n#error ccparse t.c:4 unexpected token\n",
         {"-sa"}},
        {"trailing tokens allowed", "#ifdef A B\n#else C\nz\n#endif D\n", "z", ""},
        {"missing endif", "#if 1\n#if 0\nz\n", "", "#error ccparse t.c:3 missing #endif directive\n#error ccparse t.c:3 missing #endif directive\n"},
        {"unknown directives", "#foo\n# 12\n#\nz\n#if 0\n#foo\n#endif\n", "z",
         "#error ccparse t.c:1 bad # directive: foo\n#error ccparse t.c:2 bad # syntax\n"},
    };
    for (const PpCase& c : cases) check(c);
}

TEST(Preprocessor, Expansion) {
    const PpCase cases[] = {
        {"arguments over several lines", "#define F(a,b) a-b\nF(1,\n  2\n)+F\n(3,4)\n", "1-2+3-4", ""},
        {"name without parenthesis stays", "#define F(a) a\nF + F\n", "F + F", ""},
        {"nested arguments expand first", "#define F(a) [a]\n#define G 2\nF(F(G))\n", "[[2]]", ""},
        {"parenthesised commas", "#define F(a,b) a|b\nF((1,2),(3))\n", "(1,2)|(3)", ""},
        {"empty arguments", "#define F(a,b) <a|b>\nF(,)\n", "<|>", ""},
        {"no self expansion", "#define foo foo + 1\nfoo\n", "foo + 1", ""},
        {"no mutual recursion", "#define a b\n#define b a\na b\n", "a b", ""},
        {"name at the end takes the following arguments", "#define f g\n#define g(x) (x)\nf(1)\n", "(1)", ""},
        // Expansion states belong to macros, not tokens: a macro expanded in
        // an argument may be expanded again in the first rescan of the result.
        {"first rescan expands an argument's macro again", "#define z z[0]\n#define f(a) a\nf(z) z\n",
         "z[0][0] z[0]", ""},
        {"an invocation that the result leaves open",
         "#define h g(~\n#define g f\n#define f(a) [a]\nh 5)\n", "f(~ 5)",
         "#error ccparse t.c:4 bad invocation of macro f\n"},
        {"later rescans expand what earlier passes formed",
         "#define lp (\n#define f(x) x\n#define g f lp 1)\ng\n", "1", ""},
        {"argument errors", "#define F(a,b) a\nF(1) F(1,2,3) F()\n#define G(a) a\nG()\n", "F(1) F(1,2,3) F() G()",
         "#error ccparse t.c:2 missing argument for macro F\n#error ccparse t.c:2 too many arguments for macro F\n"
         "#error ccparse t.c:2 missing argument for macro F\n#error ccparse t.c:4 missing argument for macro G\n"},
        {"unclosed invocation", "#define F(a) a\nF(1\n", "F(1",
         "#error ccparse t.c:2 bad invocation of macro F\n"},
        {"directive ends the search for arguments", "#define F(a) a\nF\n#define X 2\n(X)\n", "F (2)", ""},
        {"stringify", R"(#define S(x) #x
S( a  +	b ) S("q\"" '\\'))" "\n",
         R"("a + b" "\"q\\\"\" '\\\\'")", ""},
        {"stringify needs a parameter", "#define S(x) #y\nS(1)\n#define T # x\nT\n", "S(1) # x",
         "#error ccparse t.c:2 bad # argument in macro S\n"},
        {"paste", "#define C(a,b) a ## b\n#define D(a) x ## a ## y\nC(ab,12) C(+,=) D(1) C(,z) C(y,)\n",
         "ab12 += x1y z y", ""},
        {"paste operands are not expanded", "#define C(a,b) a##b\n#define AB no\n#define A x\nC(A,B)\n", "no", ""},
        {"paste errors", "#define P ## a\n#define Q a ##\n#define R(a,b) a##b\nP Q R(,)\n", "P Q R(,)",
         "#error ccparse t.c:4 missing ## argument in macro P\n#error ccparse t.c:4 missing ## argument in macro Q\n"
         "#error ccparse t.c:4 bad ## arguments in macro R\n"},
        {"pasting two slashes comments the rest out", "#define C / ## /\na C b c\nd\n", "a // b c d", ""},
        {"a macro can make a directive", "#define DEF \\# define Z 9\nDEF\nZ\n", "9", ""},
        {"defined outside #if", "#define A\ndefined(A) defined B\n", "1 0", ""},
        {"defined errors", "defined ( 1 ) defined(A\n", "0 ( 1 ) 0",
         "#error ccparse t.c:1 bad defined syntax\n#error ccparse t.c:1 missing ) in defined expansion\n"},
        {"line and file", "a __LINE__\n#line 100 \"x\\\\y.c\"\n__LINE__ __FILE__\n__LINE__\n", "a 1 100 \"x\\\\y.c\" 101", ""},
        {"a quote in the file name is escaped too", "#line 3 \"a\\\"b.c\"\n__FILE__\n", "\"a\\\"b.c\"", ""},
        {"unterminated string in a stringified argument", "#define S(x) #x\nS(\")\n", "S(\")",
         "#error ccparse t.c:2 unbalanced \"\n#error ccparse t.c:2 bad invocation of macro S\n"},
    };
    for (const PpCase& c : cases) check(c);
}

TEST(Preprocessor, LinesCommentsAndTrigraphs) {
    const PpCase cases[] = {
        {"joined lines", "#define L 1 \\\n + 2\nL \\\nafter\n", "1 + 2 after", ""},
        {"comments are white space", "a/* x */b /* y\nz */ c // d\ne\n", "a/* x */b /* y z */ c // d e", ""},
        {"slash comments are two slashes with -sa", "#define B x\na // B\n", "a // x", "", {"-sa"}},
        {"slash comments", "#define B x\na // B\n", "a // B", ""},
        {"comment in a directive takes the next line", "#define A 1 /* x\ny */ 2\nA\n", "1 /* xy */ 2", ""},
        {"crlf line ends", "#define A 1\r\nA\r\nB", "1 B", ""},
        {"line directive renumbers diagnostics", "#line 50 \"other.c\"\n#error here\n", "",
         "#error ccparse other.c:50 here\n"},
        {"line errors", "#line\n#line x\n#line 5 6\n", "",
         "#error ccparse t.c:1 missing line number\n#error ccparse t.c:2 invalid line number\n"
         "#error ccparse t.c:3 string constant expected\n"},
        {"a file name with a line end is refused", "#line 7 \"a\\nb.c\"\n#error here\n", "",
         "#error ccparse t.c:1 string constant expected\n#error ccparse t.c:2 here\n"},
        {"error text with its white space", "#error  one   two %s\n", "", "#error ccparse t.c:1 one   two %s\n"},
        {"unbalanced quotes", "a \"b\nc 'd\n", "a \"b c 'd",
         "#error ccparse t.c:1 unbalanced \"\n#error ccparse t.c:2 unbalanced '\n"},
        {"unclosed comment", "a /* b\n", "a /* b", "#error ccparse t.c:1 unclosed comment at end of file\n"},
    };
    for (const PpCase& c : cases) check(c);
}

TEST(Preprocessor, Trigraphs) {
    // "TG" stands for the two question marks, which C++ sources cannot hold here.
    std::string source = "TG=define X TG( TG) TG< TG> TG! TG' TG- TG/# TG/\n +\nX\n";
    for (std::size_t p; (p = source.find("TG")) != std::string::npos;) source.replace(p, 2, "??");
    FrontRun run = vytest::preprocess_out(source);
    EXPECT_EQ(vytest::squeeze(run.out), "[ ] { } | ^ ~ \\# +");
    EXPECT_EQ(run.errors, "");
}

TEST(Preprocessor, AsmBlocks) {
    const PpCase cases[] = {
        {"asm lines pass through", "a\n#asm\n ldaa #'x ; \"\n#endasm\nb\n", "a #asm ldaa #'x ; \" #endasm b", ""},
        {"asm errors", "#endasm\n#asm\n#asm\n#endasm\n", "",
         "#error ccparse t.c:1 bad #endasm directive\n#error ccparse t.c:3 bad #asm directive\n"},
        {"pragmas pass through with -e", "#pragma space [] @near\n#pragma whatever 1\nx\n",
         "#pragma space [] @near #pragma whatever 1 x", ""},
        {"a pragma made by a macro passes through too", "#define P \\# pragma whatever 1\nP\nx\n",
         "# pragma whatever 1 x", ""},
        {"each block has its own markers", "#asm\n a\n#endasm\n#asm\n b\n#endasm\n",
         "#asm a #endasm #asm b #endasm", ""},
    };
    for (const PpCase& c : cases) check(c);
}

TEST(Preprocessor, Includes) {
    vytest::TempDir dir;
    dir.write("inc/a.h", "in_a\n#include \"b.h\"\n");
    dir.write("inc/b.h", "in_b\n");
    dir.write("t.c",
              "#define HDR <a.h>\n#include HDR\n#include < b . h >\n#include \"inc/b.h\"\n"
              "#include\n#include x\n#include \"\"\n#include <a.h\n#include \"none.h\"\n#include \"b.hx\nend\n");
    FrontRun run = vytest::run_front(dir, {"-e", "-iinc", "t.c"});
    EXPECT_EQ(vytest::squeeze(run.out), "in_a in_b in_b in_b end");
    EXPECT_EQ(run.errors,
              "#error ccparse t.c:5 bad #include syntax\n#error ccparse t.c:6 bad #include syntax\n"
              "#error ccparse t.c:7 missing file name in #include\n#error ccparse t.c:8 missing '>' in #include\n"
              "#error ccparse t.c:9 can't open none.h\n"
              "#error ccparse t.c:10 unbalanced \"\n#error ccparse t.c:10 bad #include syntax\n");
}

TEST(Preprocessor, CommentOpenAtTheEndOfAHeader) {
    // The comment ends with its file: the including file goes on as text.
    FrontRun run = vytest::preprocess_out("#include \"h.h\"\nafter\n#define B 2\nB\n", {},
                                          {{"h.h", "#define A 1 /* open\nline\n"}});
    EXPECT_EQ(vytest::squeeze(run.out), "after 2");
    EXPECT_EQ(run.errors, "#error ccparse h.h:2 unclosed comment at end of file\n");
}

TEST(Preprocessor, DirectoryIsNoSourceFile) {
    vytest::TempDir dir;
    dir.write("inc/sub/x.h", "");
    dir.write("sub/x.h", "from_sub\n");
    dir.write("t.c", "#include \"sub\"\n#include \"sub/x.h\"\n");
    FrontRun run = vytest::run_front(dir, {"-e", "-iinc", "t.c"});
    EXPECT_EQ(vytest::squeeze(run.out), "from_sub");
    EXPECT_EQ(run.errors, "#error ccparse t.c:1 can't open sub\n");
}

TEST(Preprocessor, BackslashPathsAreAccepted) {
    vytest::TempDir dir;
    dir.write("sub/h.h", "from_sub\n");
    dir.write("t.c", "#include \"sub\\h.h\"\n");
    FrontRun run = vytest::run_front(dir, {"-e", "t.c"});
    EXPECT_EQ(vytest::squeeze(run.out), "from_sub");
    EXPECT_EQ(run.errors, "");
}

TEST(Preprocessor, DateAndTime) {
    FrontRun run = vytest::preprocess_out("__DATE__ __TIME__\n");
    EXPECT_TRUE(std::regex_match(vytest::squeeze(run.out),
                                 std::regex("\"[A-Z][a-z][a-z] [ 1-3][0-9] [0-9]{4}\" \"[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\"")))
        << run.out;
}

}  // namespace
