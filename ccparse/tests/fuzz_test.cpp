// Random and mutated sources through the whole front end in process: the run
// must end (status 0 or 1), quickly, and every line on the error stream must
// be one diagnostic line "#error ccparse file:line " or with "(column) " or
// "(column+span) ", with no control byte in it. Among the sources: nesting
// 100,000 levels deep, NULs and control bytes in names and strings, files
// that include themselves on a line ended by the end of the file, and
// endless includes (/dev/zero, a FIFO). The sanitizer build checks memory
// and undefined behaviour.
#include "ccparse/tests/front_harness.h"
#include "support/one_line.h"
#include "support/tests/endless_input.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <regex>

namespace {

using vytest::FrontRun;

// Pieces the sources are built from: directives, macros with # and ##,
// declarations, structures with bit-fields, enumerations, @ spaces, pragmas,
// assembly blocks, unterminated things and odd bytes.
const char* const pieces[] = {
    "#define F(a,b) a##b\n",
    "#define S(x) #x\n",
    "#define G(x) F(x,1) S(x)\n",
    "#define N 3\n",
    "#define E(...) x\n",
    "#define H(x) # x ## x\n",
    "#define P ##\n",
    "#define Q(x,x) x\n",
    "#define R(x\n",
    "#define defined 1\n",
    "#undef N\n",
    "#undef\n",
    "#if N > 2\n",
    "#if defined(N) && defined M\n",
    "#if 0x7fffffff + 1\n",
    "#if 1 / 0\n",
    "#if 1 % 0\n",
    "#if -2147483647 - 1 / -1\n",
    "#if (-2147483647 - 1) % -1\n",
    "#if 65535u * 65535u\n",
    "#if sizeof(int) == 2\n",
    "#if 'ab' == 0x6162\n",
    "#if (1 ? 2 : 3\n",
    "#if 1 << 40\n",
    "#if -1 >> 33\n",
    "#elif 1\n",
    "#elif\n",
    "#ifdef N\n",
    "#ifndef N\n",
    "#ifdef 3\n",
    "#else\n",
    "#endif\n",
    "#line 10\n",
    "#line 4294967295 \"x.c\"\n",
    "#line 0x10 \"a\\\\b.c\"\n",
    "#line \"z\"\n",
    "#line N junk\n",
    "#error some text here\n",
    "#include \"nofile.h\"\n",
    "#include <nofile.h\n",
    "#include\n",
    "#include \"t.c\"\n",
    "#include <t.c>\n",
    "#define I <t.c>\n#include I\n",
    "#include \"\"\n",
    "#pragma space @ram\n",
    "#pragma space [] @fast\n",
    "#pragma space extern [] @eeprom\n",
    "#pragma section {text}\n",
    "#pragma section const {}\n",
    "#pragma section @near {data}\n",
    "#pragma asm\n",
    "#pragma endasm\n",
    "#pragma other\n",
    "#asm\n",
    "\tldaa #1\n",
    "#endasm\n",
    "# 12 \"q.c\"\n",
    "#\n",
    "#bogus\n",
    "# (\n",
    "int x;\n",
    "char c = 'a';\n",
    "unsigned long int ul;\n",
    "long long ll;\n",
    "short double sd;\n",
    "static int @near n1;\n",
    "int @far *fp;\n",
    "int @tiny @far amb;\n",
    "int @a @b @c @d @e @f @g @h @i spaces;\n",
    "int @ 3 bad;\n",
    "int at @ 0x1000;\n",
    "volatile char port @0x1003;\n",
    "struct s { int a:3; int b:13; unsigned c:1; char d; };\n",
    "struct t { int a:17; int :0; long l:31; char c:9; };\n",
    "struct u { struct u *next; int v[N]; } un;\n",
    "struct w { int f(); int g[]; } ww;\n",
    "union v { long l; char c[3]; } uv;\n",
    "struct s2 { struct s2 inner; } s2v;\n",
    "enum e { A = -1, B = 127, C };\n",
    "enum f { D = 65536, E2 = D * 2 };\n",
    "enum g { G1 = 2147483647, G2 };\n",
    "enum h { H1 = 1 / 0, H2 = 1 % 0, H3 = -2147483647 - 1 / -1 };\n",
    "enum i { I1 = (-2147483647 - 1) % -1, I2 = 1 << 99, I3 = -8 >> 40 };\n",
    "char arr[sizeof(struct s) * 2];\n",
    "char big[65535][65535];\n",
    "long huge[0x7fffffff];\n",
    "char neg[-1];\n",
    "int m[2][3][4];\n",
    "typedef int T; T t1, *t2;\n",
    "typedef struct s S; S sv;\n",
    "extern int f(int a, char *b, ...);\n",
    "int (*fn)(void);\n",
    "int g(a, b) int a; { }\n",
    "int h(int) {\n",
    "void (*sig(int, void (*)(int)))(int);\n",
    "int a[] = {1, 2};\n",
    "const volatile unsigned char reg;\n",
    "register int r;\n",
    "auto int au;\n",
    "float fl = 1.5e;\n",
    "double d = 1e400;\n",
    "double d2 = 2.0s;\n",
    "int x = 0x;\n",
    "int y = 0b102;\n",
    "int z = 10uu;\n",
    "int q = 99999999999;\n",
    "char *s = \"ab\" \"cd\";\n",
    "char *s2 = \"\\x123456789\";\n",
    "char *s3 = \"\\q\\777\\xz\";\n",
    "int c2 = '\\377';\n",
    "int c3 = '';\n",
    "F(in, t) fv;\n",
    "char *str = S(a \"b\\\" 'c);\n",
    "G(int) gv;\n",
    "H(y)\n",
    "F(,)\n",
    "F(a)\n",
    "F(a,b,c)\n",
    "S()\n",
    "int v = __LINE__; char *fnm = __FILE__; char *dt = __DATE__; char *tm = __TIME__;\n",
    "int st = __STDC__ + __TLVX__;\n",
    "/* open comment\n",
    "*/\n",
    "// line comment\n",
    "\"unterminated\n",
    "'x\n",
    "\\\n",
    "?" "?=define TRI 1\n",
    "?" "?/\n",
    "int \\# y;\n",
    "{ } ( ) [ ] ; , : ? . ... -> ++ -- <<= >>= && || ## # @\n",
    "))))]]]]}}}}\n",
    "((((\n",
    "{{{{\n",
    "struct\n",
    "enum {\n",
    "int :;\n",
    "int;\n",
    ";\n",
    "x y z\n",
    "0.5.5e+-3\n",
    ".e1\n",
    "L'a' L\"b\"\n",
    "\t \f\v\n",
    "\r\n",
    "\r",
    "#define A(x) B(x\n#define B(y) y)\nA(1))\n",
    "#define C(x) x(\nC(C)1))\n",
    "#define M() m\nM(1) M( ) M\n",
    "#define V(a,b,c) #a ## #b c ## ## c\nV(1,2,3)\n",
    "#define X(a) a ## 1e+ ## a\nX(.)X(0x)X(\")\n",
    "#if defined\n#endif\n#if defined(\n#endif\n",
    "#if 1 ? 2\n#endif\n#if (\n#endif\n#if ~\n#endif\n",
    "struct { int a : 1 + 1 ; int : -1 ; char b : 0 ; } anon;\n",
    "enum { K1 = sizeof(struct nothere), K2 = K1 + (char)3 };\n",
    "int (*(*(*f3)(int))[4])(char);\n",
    "int f4(int a, int a), f5(x, x), f6(void, int), f7(, ...);\n",
    "extern int rd; static int rd; typedef int rd;\n",
    "struct s; union s; enum s { Z } ; struct s { int q; } ; struct s { int r; };\n",
    // Expressions and initialisers.
    "int i1 = 1 + 2 * 3 - 4 / 2 % 3 << 2 >> 1 & 7 | 8 ^ 9;\n",
    "long l1 = 0x7fffffff + 1, l2 = (-2147483647 - 1) / -1, l3 = 1 << 40, l4 = -1 >> 33;\n",
    "char c1 = 300, c2[] = \"abc\", c3[2] = \"abcd\", c4[3][4] = {\"ab\", \"cd\"};\n",
    "int *p1 = &i1 + 2, *p2 = 0, *p3 = (int *)0x1000, a4[] = {1, 2, 3,}, *p5 = a4 + 1;\n",
    "struct q { int a:3, b:5; char c; long d; } q1 = {1, 2, 3, 4}, q2 = {{1}}, q3 = {1, 2, 3, 4, 5};\n",
    "union r { long l; char c[3]; } r1 = {1}, r2 = {\"ab\"}, r3 = {{1, 2}};\n",
    "const int k1 = 7; const int ka[] = {1, 2}; int k2 = k1 * ka[1] + ka[5] + \"xyz\"[2];\n",
    "float f1 = 1.5e3, f2 = 1 / 0.0, f3 = (float)1e300; double d1 = -2.5, d2 = 3 % 2.0;\n",
    "int z1 = 1 / 0, z2 = 1 % 0, z3 = (1, 2), z4 = x ? 1 : 2, z5 = sizeof(struct q) + sizeof z1;\n",
    "int e1 = (s.a), e2 = *(char *)0, e3 = f(1, 2), e4 = &x, e5 = \"s\", e6 = {1, 2}, e7 = ;\n",
    "int (*fp1)(int) = f, (*fp2)() = &f, g1 = a ? b : c, g2 = !x && y || ~z, g3 = (x = 1);\n",
    "int g4 = x++ + ++y - --z, g5 = x->y.z[3](4), g6 = (int)(char)(long)300, g7 = -(1 - 2);\n",
    "int h1 = ((((((((((((((((((((1)))))))))))))))))))), h2 = - - - - - - - - 1, h3 = !!!!!!!!1;\n",
    "int n1[3] = {1, 2, 3, 4}, n2[2][2] = {1, 2, 3, 4, 5}, n3 = {}, n4[] = {}, n5[2] = 1;\n",
    "struct { int a; } s5 = 1, s6 = {1, 2}, s7 = {{{1}}};\n",
    "extern int ex1 = 5; int ex1 = 6; static int st1 = 1; int *sp = &st1;\n",
    "char @far *fp3 = (char @far *)&i1; int @tiny *tp = (int @tiny *)&i1; int vv = (char)fp3;\n",
    "int m1 = 3 < 4 && 4 > 5 || x < y && x >= y, m2 = \"ab\" == \"ab\", m3 = 1.5 < 2;\n",
    "int w1 = sizeof @ i1 + sizeof(int[3]) + sizeof \"abc\" + sizeof(struct nope) + sizeof(void);\n",
    "int u1 = undefined_thing + 1, u2 = undeclared_fn(1, 2);\n",
    "int (*pf)[3] = &n1, **ppi = &p1, ***pppi = &ppi, ka2 = *ka;\n",
    // Function bodies.
    "int fn1(int a) { int i; for (i = 0; i < a; i++) { if (i == 2) continue; if (i > 5) break; } return i; }\n",
    "void fn2(void) { goto L; x = 1; L: ; goto M; }\n",
    "int fn3(int c) { switch (c) { case 1: case 2: return 1; case 3: break; default: c = 0; } while (c--) ; do c++; while (c < 3); return 0; }\n",
    "int fn4(char c) { switch (c) { case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 300: c++; } switch (2) { case 2: break; } switch (c) { case 9: ; } }\n",
    "void fn5(void) { break; continue; case 1: default: goto; return 1; }\n",
    "int fn6(x) int x; char y; { return x ? fn6(x - 1) : 0; }\n",
    "void fn7(void) {\n#asm\n nop\n#endasm\n}\n",
    "int fn8(void) { if (1) return 1; else if (0) return 2; else { static int s = 3; extern int e; return s + e; } }\n",
    "struct q fn9(void) { struct q v; return v; }\n",
    "union r fn9u(union r a) { return a; }\n",
    "void fn10(void) { { { int a; a = 1; { long a; a = 2; } } } }\n",
    "int fn11(int) { return; }\n",
    "void @nostack fn12(char c, float f) { char d; d = c; f = f * 2; }\n",
    "void fn13(void) { for (;;) ; while (1) ; }\n",
    "int fn14(void) { int a[] = {1, 2, 3}; struct s s2 = {1}; register int r = a[1]; return a[1] + r; }\n",
    "void fn15(void) { if (x) { else } while }\n",
    "void fn16(void) {\n",
    "int fn17(int a, int a) { int a; char a; typedef int T; T t; enum { E1 } e; e = E1; t = e; return t; }\n",
    "void fn18(void) { int i = 0; while (i < 10) i++; for (i = 0; i < 10; i++) ; x = x; }\n",
    "double fn19(float f, double d) { return f < d ? f : d; }\n",
    "int (*fn20(void))(int) { return fn1; }\n",
    "void fn21(void) { static void g(void); extern int h(); h(); g(); _asm(\"nop\\n\"); }\n",
    "int fn22(void) { int x = 1; switch (x) { default: case 1: x = 2; } return x; }\n",
};

// Pieces with NULs and control bytes in names, strings and messages.
const std::string hostile_pieces[] = {
    std::string("#include \"ab\0c.h\"\n", 16),
    "#include \"a\x01\x1b[2J.h\"\n",
    "#include <\x1a\r.h>\n",
    "#error \x1b[31m red \r\x1a end\n",
    std::string("#error nul \0 inside\n", 20),
    "#line 3 \"x\x01\x7f.c\"\nint \x02 q;\n",
    "char *cs = \"\x01\x1b\x7f\r\";\n",
    std::string("char *ns = \"a\0b\";\n", 19),
    "int \x1b\x08\x0c\x7f z;\n",
    std::string("#define M\0(x) x\n", 16),
};

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Nesting 100,000 levels deep, one level per line (a logical line is short).
std::string deep_piece(std::mt19937& random) {
    const int n = 100000;
    switch (random() % 17) {
    case 13: return "void d13(void) {" + repeat("{\n", n) + repeat("}\n", n) + "}\n";
    case 14: return "int d14(int x) {" + repeat("if (x)\n", n) + "x = 1; }\n";
    case 15: return "int d15(int x) {" + repeat("while (x)\n", n) + "x--; }\n";
    case 16: return "int d16(int x) { if (x) x = 0;\n" + repeat("else if (x)\nx = 1;\n", n) + "return x; }\n";
    case 8: return "int d8 = " + repeat("x ?\n", n) + "1" + repeat(": 2\n", n) + ";\n";
    case 9: return "int d9 = x" + repeat("+ x\n", n) + ";\n";
    case 10: return "int d10[] = " + repeat("{\n", n) + "1" + repeat("}\n", n) + ";\n";
    case 11: return "int d11 = " + repeat("f(\n", n) + "1" + repeat(")\n", n) + ";\n";
    case 12: return "int d12 = " + repeat("(\n", n) + "1" + repeat(")\n", n) + ";\n";
    case 0: return "int d0[" + repeat("(\n", n) + "1" + repeat(")\n", n) + "];\n";
    case 1: return "int d1[" + repeat("-\n", n) + "1];\n";
    case 2: return "int " + repeat("(\n", n) + "d2" + repeat(")\n", n) + ";\n";
    case 3: return repeat("struct d3 {\n", n) + "int x;" + repeat("} y;\n", n);
    case 4: return "#define f(x) x\nint d4 = " + repeat("f(\n", n) + "1" + repeat(")\n", n) + ";\n";
    case 5: return "int d5[" + repeat("1?\n", n) + "1" + repeat(":1\n", n) + "];\n";
    case 6: return repeat("#if 1\n", n) + "int d6;\n" + repeat("#endif\n", n);
    default: return "int " + repeat("*\n", n) + "d7;\n";
    }
}

// Ends of the file that end an #include line of the file itself: a joining
// backslash, a comment left open.
const char* const self_including_tails[] = {
    "#include \"t.c\"\\\n",
    "#include\"t.c\"\\",
    "#include \"t.c\"\\\r\n",
    "#include\"t.c\"/*",
    "#include \"t.c\" /* open\nstill open\n",
    "#define SELF \"t.c\"\n#include SELF \\\n",
};

// Mutations of a text: a random byte, a NUL, a high byte, a piece deleted or doubled.
void mutate(std::string& text, std::mt19937& random) {
    if (text.empty()) return;
    std::size_t at = random() % text.size();
    switch (random() % 6) {
    case 0: text[at] = static_cast<char>(random() & 0xFF); break;
    case 1: text.insert(at, 1, '\0'); break;
    case 2: text.insert(at, 1, static_cast<char>(0x80 | (random() & 0x7F))); break;
    case 3: text.erase(at, 1 + random() % 8); break;
    case 4: text.insert(at, text.substr(at, 1 + random() % 16)); break;
    case 5: text.insert(at, 1, "#(),\"'\\/*@{}[];:"[random() % 16]); break;
    }
}

std::string random_source(std::mt19937& random) {
    std::string text;
    int count = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) {
        if (random() % 8 == 0)
            text += hostile_pieces[random() % std::size(hostile_pieces)];
        else
            text += pieces[random() % std::size(pieces)];
    }
    // Not both: a file of 200,000 lines read at 200 include levels is slow
    // by its size, without any fault.
    bool deep = random() % 100 == 0;
    if (deep) text += deep_piece(random);
    int mutations = static_cast<int>(random() % 4);
    for (int i = 0; i < mutations; ++i) mutate(text, random);
    if (!deep && random() % 10 == 0) text += self_including_tails[random() % std::size(self_including_tails)];
#ifndef _WIN32
    if (random() % 100 == 0) text += "#include \"/dev/zero\"\n";
#endif
    return text;
}

// One line: no byte below 0x20 but TAB, and no 0x7F, anywhere in it.
const std::regex error_line(R"(#error ccparse [^\x00-\x08\x0a-\x1f\x7f]*:[0-9]+( |\([0-9]+\) |\([0-9]+\+[0-9]+\) )[^\x00-\x08\x0a-\x1f\x7f]*)");

// VY_FUZZ_SEED and VY_FUZZ_CASES change the seed and the number of cases for
// a longer search by hand; VY_FUZZ_TRACE names a file that receives each
// source before it runs, so the one that hangs or crashes is left there.
// Fewer cases under Wine, where every file operation is slow.
//
// The cases run in eight parts of one random stream, each part a test of
// its own, so that the parts run side by side.
constexpr int random_parts = 8;
class RandomSources : public ::testing::TestWithParam<int> {};

TEST_P(RandomSources, EndWithDiagnosticLines) {
    std::mt19937 random(static_cast<unsigned>(vytest::fuzzseed(20260)));
    const std::vector<std::vector<std::string>> option_sets = {
        {}, {"-sa"}, {"-u", "-ne"}, {"-f", "-rb"}, {"-x", "-l"}, {"-e"}, {"-ck", "-nw"}, {"-xx", "-s"}, {"-xd", "-xp"},
    };
    const int cases = vytest::fuzzcases(600, 150);
    const int first = cases * GetParam() / random_parts, end = cases * (GetParam() + 1) / random_parts;
    for (int i = 0; i < end; ++i) {
        // Every case draws its numbers, so that a part's cases are those
        // of the whole stream.
        std::string source = random_source(random);
        std::vector<std::string> options = option_sets[random() % option_sets.size()];
#ifndef _WIN32
        const bool endless = random() % 300 == 0;
#endif
        if (i < first) continue;
        if (const char* trace = std::getenv("VY_FUZZ_TRACE")) {
            std::FILE* file = std::fopen(trace, "wb");
            if (file) {
                std::fwrite(source.data(), 1, source.size(), file);
                std::fclose(file);
            }
        }
        FrontRun run;
#ifndef _WIN32
        if (endless) {
            // An include fed without end through a FIFO, before the source
            // (which may include itself, but never the FIFO again).
            vytest::TempDir dir;
            vytest::EndlessFifo fifo(dir.file("endless.h"), "int endless; /* and so on */ ");
            dir.write("t.c", source);
            dir.write("m.c", "#include \"endless.h\"\n#include \"t.c\"\n");
            options.insert(options.end(), {"-o", "t.ir", "m.c"});
            run = vytest::run_front(dir, options);
            run.output_exists = dir.exists("t.ir");
        } else
#endif
            run = vytest::compile(source, options);
        SCOPED_TRACE("case " + std::to_string(i) + ":\n" + source);
        EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status;
        EXPECT_EQ(vytest::stray_lines(run.errors, error_line), "") << vy::one_line(run.errors);
        if (run.status == 1) {
            EXPECT_FALSE(run.output_exists);
        }
        if (HasFailure()) break;
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, RandomSources, ::testing::Range(0, random_parts));

}  // namespace
