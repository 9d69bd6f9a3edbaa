// Statements and function definitions as the intermediate file holds them:
// the records of each statement, the simplifying pass (dead branches, small
// and constant switches, loops made for loops, frame offsets), the errors
// with their recovery, and statements nested without bound.
#include "ccparse/tests/front_harness.h"
#include "ccparse/tests/stmt_records.h"

#include <gtest/gtest.h>

namespace {

using vytest::FrontRun;

// The records of the functions of `source` (line records left out unless
// `lines`); the compilation must succeed.
std::string lowered(const std::string& source, std::vector<std::string> options = {}, bool lines = false) {
    FrontRun run = vytest::compile(source, options);
    EXPECT_EQ(run.errors, "") << source;
    EXPECT_EQ(run.status, 0) << source;
    return vytest::joined(vytest::body_records(run.ir, lines));
}

// The records of the one function's body statements: from the first record
// after the parameter records to the end of the function.
std::string body_of(const std::string& source, std::vector<std::string> options = {}) {
    FrontRun run = vytest::compile(source, options);
    EXPECT_EQ(run.errors, "") << source;
    std::vector<std::string> all = vytest::body_records(run.ir, false);
    std::vector<std::string> body;
    bool head = true;
    for (const std::string& r : all) {
        bool head_record = r.rfind("function", 0) == 0 || r.rfind("body", 0) == 0 || r.rfind("param-", 0) == 0 ||
                           r.rfind("frame", 0) == 0;
        if (head && head_record) continue;
        head = false;
        if (r == "end") break;
        body.push_back(r);
    }
    return vytest::joined(body);
}

struct Case {
    const char* name;
    const char* source;
    const char* records;
};

void check(const Case* cases, std::size_t n, std::vector<std::string> options = {}) {
    for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(body_of(cases[i].source, options), cases[i].records) << cases[i].name;
}

TEST(Functions, TheRecordsOfAFunction) {
    EXPECT_EQ(lowered("int f(int a){return a+1;}", {}, true),
              "function f | body 1 1 | param-type int | param-size 2 | line 1 | "
              "expr (=:int ret:int (+:int param(0):int 1:int)) | return | end");
    // The first line is that of the declaration, the second that of the brace.
    EXPECT_EQ(lowered("static long\ng(void)\n{\n  return 1;\n}\n", {}, true),
              "function g | body 1 3 | param-size 0 | line 4 | expr (=:long ret:long 1:long) | return | end");
}

TEST(Functions, ParametersWhereTheyArePassed) {
    // A char lives in the low byte of its int slot; a float is passed as a
    // double and converted into its own type first.
    EXPECT_EQ(lowered("char f(char c, int n) { return c + n; }"),
              "function f | body 1 1 | param-type int | param-size 4 | "
              "expr (=:char ret:char (+:char param(1):char param(3):char)) | return | end");
    EXPECT_EQ(lowered("char f(char c, int n) { return c + n; }", {"-nw"}),
              "function f | body 1 1 | param-type char | param-size 3 | "
              "expr (=:char ret:char (+:char param(0):char param(2):char)) | return | end");
    EXPECT_EQ(lowered("float h(float x) { return x; }"),
              "function h | body 1 1 | param-type double | param-size 8 | "
              "expr (=:float param(0):float (cast:float param(0):double)) | expr (=:float ret:float param(0):float) | "
              "return | end");
    EXPECT_EQ(lowered("float h(float x) { return x; }", {"-f"}),
              "function h | body 1 1 | param-type float | param-size 4 | "
              "expr (=:float ret:float param(0):float) | return | end");
    // Old-style parameters, one of them never declared (an int).
    EXPECT_EQ(lowered("long k(a, b) char a; { return a + b; }"),
              "function k | body 1 1 | param-type int | param-size 4 | "
              "expr (=:long ret:long (cast:long (+:int (cast:int param(1):char) param(2):int))) | return | end");
    // A structure result: the size of the structure in the function record.
    FrontRun run = vytest::compile("struct s { long a, b; } f(void) { struct s v; return v; }");
    EXPECT_EQ(run.errors, "");
    EXPECT_NE(vytest::joined(run.ir).find("134 function name=\"f\" num=0 nattr=0x86 attr=0x0000 size=8"), std::string::npos);
    EXPECT_EQ(vytest::joined(vytest::body_records(run.ir, false)),
              "function f | body 1 1 | param-size 0 | frame -8 | expr (=:struct[8] ret:struct[8] local(-8):struct[8]) | "
              "return | end");
}

TEST(Functions, LocalsAndTheirFrame) {
    // Sorted by weighted use: a local used in a loop lies below one that is not.
    EXPECT_EQ(lowered("int f(int n) { int inside, outside; outside = 1; while (n--) inside = inside + 2; "
                      "return outside + inside; }"),
              "function f | body 1 1 | param-type int | param-size 2 | frame -4 | "
              "expr (=:int local(-2):int 1:int) | jump L1 | label L2 1 | expr (+=:int local(-4):int 2:int) | "
              "label L1 1 loop | if!= L2 (post--:int param(0):int 1:int) 0:int | "
              "expr (=:int ret:int (+:int local(-2):int local(-4):int)) | return | end");
    // With -s the locals keep their order; blocks side by side share space;
    // a local never used takes none.
    EXPECT_EQ(lowered("void f(void) { int a, b, unused; { long x; x = 1; } { char y; y = 2; } b = 3; a = b; }", {"-s"}),
              "function f | body 1 1 | param-size 0 | frame -8 | expr (=:long local(-8):long 1:long) | "
              "expr (=:char local(-5):char 2:char) | expr (=:int local(-4):int 3:int) | "
              "expr (=:int local(-2):int local(-4):int) | return | end");
    // Statics and externs of a block: their records come before the function's.
    FrontRun run = vytest::compile("void f(void) { static int s; extern int e; s = e; }");
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(vytest::joined(vytest::records(run)),
              "131 declare model=0 name=\"s\" num=2 nattr=0x81 | 147 zero 2 | 210 end-data | "
              "144 extern name=\"e\" num=0 nattr=0x81 attr=0x0000 size=0 | "
              "134 function name=\"f\" num=0 nattr=0x84 attr=0x0000 size=0 | 251 body first=1 brace=1 | "
              "218 param-size 0 | 150 expr (136:= int (0 int name=\"s\" num=2 nattr=0x81 value=0 storage=0 mem=1) "
              "(0 int name=\"e\" num=0 nattr=0x81 value=0 storage=0 mem=1)) | 146 return | 211 end-function | "
              "132 public name=\"f\" num=0 nattr=0x84 attr=0x0000 size=0");
    // An initialised automatic aggregate copies an unnamed static object.
    EXPECT_EQ(body_of("void f(void) { int a[2] = {1, 2}; int n = a[1]; }"),
              "expr (=:struct[4] local(-6):struct[4] L2:struct@0x8000[4]) | expr (=:int local(-2):int local(-4):int) | "
              "return");
}

const Case loops[] = {
    {"while", "int x; void f(void) { while (x) x--; }",
     "jump L1 | label L2 1 | expr (-=:int x:int 1:int) | label L1 1 loop | if!= L2 x:int 0:int | return"},
    {"while forever", "int x; void f(void) { while (1) { if (x) break; x++; } }",
     "label L1 1 | if== L2 x:int 0:int | jump L3 | label L2 | expr (+=:int x:int 1:int) | jump L1 | label L3 | return"},
    {"while never", "int x; void f(void) { while (0) x = 1; x = 2; }", "expr (=:int x:int 2:int) | return"},
    {"while made a for", "int x; void f(void) { x = 0; while (x < 10) x++; }",
     "expr (=:int x:int 0:int) | label L1 1 | expr (+=:int x:int 1:int) | if< L1 x:int 10:int | return"},
    {"while made a for, test not known", "int x, n; void f(void) { x = 0; while (x < n) x++; }",
     "expr (=:int x:int 0:int) | jump L1 | label L2 1 | expr (+=:int x:int 1:int) | label L1 1 loop | "
     "if< L2 x:int n:int | return"},
    {"do", "int x; void f(void) { do x--; while (x > 0); }",
     "label L1 1 | expr (-=:int x:int 1:int) | label L2 1 | if> L1 x:int 0:int | return"},
    {"do with continue and break", "int x; void f(void) { do { if (x == 3) continue; if (x == 9) break; } while (x++); }",
     "label L1 1 | if!= L2 x:int 3:int | jump L3 | label L2 | if!= L4 x:int 9:int | jump L5 | label L4 | "
     "label L3 1 | if!= L1 (post++:int x:int 1:int) 0:int | label L5 | return"},
    {"do once", "int x; void f(void) { do { if (x) break; x = 1; } while (0); }",
     "label L1 1 | if== L2 x:int 0:int | jump L3 | label L2 | expr (=:int x:int 1:int) | label L3 | return"},
    {"for", "int x, i; void f(void) { for (i = 0; i < x; i++) x--; }",
     "expr (=:int i:int 0:int) | jump L1 | label L2 1 | expr (-=:int x:int 1:int) | expr (+=:int i:int 1:int) | "
     "label L1 1 loop | if< L2 i:int x:int | return"},
    {"for known true on entry", "int x, i; void f(void) { for (i = 0; i < 8; i++) x--; }",
     "expr (=:int i:int 0:int) | label L1 1 | expr (-=:int x:int 1:int) | expr (+=:int i:int 1:int) | "
     "if< L1 i:int 8:int | return"},
    {"for with continue and break", "int x, i; void f(void) { for (i = 0; i < x; i++) { if (i == 2) continue; if (i == 5) break; } }",
     "expr (=:int i:int 0:int) | jump L1 | label L2 1 | if!= L3 i:int 2:int | jump L4 | label L3 | "
     "if!= L5 i:int 5:int | jump L6 | label L5 | label L4 1 | expr (+=:int i:int 1:int) | label L1 1 loop | "
     "if< L2 i:int x:int | label L6 | return"},
    {"for without test", "int x; void f(void) { for (;;) { if (x) break; } }",
     "label L1 1 | if== L2 x:int 0:int | jump L3 | label L2 | jump L1 | label L3 | return"},
    {"for forever with a step and continue", "int x; void f(void) { for (;; x++) { if (x) continue; } }",
     "label L1 1 | if== L2 x:int 0:int | jump L3 | label L2 | label L3 1 | expr (+=:int x:int 1:int) | jump L1"},
    {"for never", "int x, i; void f(void) { for (i = 3; 0; i++) x = 1; }", "expr (=:int i:int 3:int) | return"},
};

TEST(Statements, LoopsOfEveryKind) { check(loops, std::size(loops)); }

const Case conditionals[] = {
    {"if", "int x; void f(void) { if (x > 2) x = 0; }", "if<= L1 x:int 2:int | expr (=:int x:int 0:int) | label L1 | return"},
    {"if else", "int x; void f(void) { if (x) x = 0; else x = 1; }",
     "if== L1 x:int 0:int | expr (=:int x:int 0:int) | jump L2 | label L1 1 | expr (=:int x:int 1:int) | label L2 | return"},
    {"else if", "int x; void f(void) { if (x == 1) x = 5; else if (x == 2) x = 6; else x = 7; }",
     "if!= L1 x:int 1:int | expr (=:int x:int 5:int) | jump L2 | label L1 1 | if!= L3 x:int 2:int | "
     "expr (=:int x:int 6:int) | jump L4 | label L3 1 | expr (=:int x:int 7:int) | label L4 | label L2 | return"},
    {"and on false", "int x, y; void f(void) { if (x && y) x = 0; }",
     "if== L1 x:int 0:int | if== L1 y:int 0:int | expr (=:int x:int 0:int) | label L1 | return"},
    {"or on false", "int x, y; void f(void) { if (x || y) x = 0; }",
     "if!= L1 x:int 0:int | if== L2 y:int 0:int | label L1 | expr (=:int x:int 0:int) | label L2 | return"},
    {"and at the bottom of a loop", "int x, y; void f(void) { do x++; while (x < 5 && y); }",
     "label L1 1 | expr (+=:int x:int 1:int) | label L2 1 | if>= L3 x:int 5:int | if!= L1 y:int 0:int | label L3 | return"},
    {"comma", "int x, y; void f(void) { if (x = 2, y) y = 0; }",
     "expr (=:int x:int 2:int) | if== L1 y:int 0:int | expr (=:int y:int 0:int) | label L1 | return"},
    {"constant true", "int x; void f(void) { if (1) x = 1; else x = 2; }", "expr (=:int x:int 1:int) | return"},
    {"constant false", "int x; void f(void) { if (0) x = 1; else x = 2; }", "expr (=:int x:int 2:int) | return"},
    {"constant false with a label inside", "int x; void f(void) { if (0) { L: x = 1; } goto L; }",
     "jump L1 | label L2 1 | expr (=:int x:int 1:int) | label L1 | jump L2"},
    {"in place", "int x; void f(void) { x = -x; x = ~x; }",
     "expr (neg-in-place:int x:int) | expr (not-in-place:int x:int) | return"},
};

TEST(Statements, Conditionals) { check(conditionals, std::size(conditionals)); }

const Case switches[] = {
    {"sparse", "int x; void f(int c) { switch (c) { case 100: x = 1; break; case -5: x = 2; break; default: x = 3; } }",
     "expr (=:int switch:int param(0):int) | switch2 L1 | case L2 1 | expr (=:int x:int 1:int) | jump L3 | "
     "case L4 1 | expr (=:int x:int 2:int) | jump L3 | case L5 1 | expr (=:int x:int 3:int) | "
     "table L1 default=L5 cases=2 size=2 | pairs -5:L4 100:L2 | end-table | case L3 | return"},
    {"dense", "int x; void f(int c) { switch (c) { case 1: case 2: case 4: x = 1; case 5: case 6: case 7: case 8: x = 2; case 30: x = 3; } }",
     "expr (=:int switch:int param(0):int) | switch2 L1 | case L2 1 | expr (=:int x:int 1:int) | "
     "case L3 1 | expr (=:int x:int 2:int) | case L4 1 | expr (=:int x:int 3:int) | "
     "table L1 default=L5 cases=8 size=2 | jump-table 1 L2 L2 L5 L2 L3 L3 L3 L3 | pairs 30:L4 | end-table | case L5 | return"},
    {"char value", "char x; void f(char c) { switch (c) { case 1: x = 1; break; case 2: x = 2; } }",
     "expr (=:char switch:char param(1):char) | switch1 L1 | case L2 1 | expr (=:char x:char 1:char) | jump L3 | "
     "case L4 1 | expr (=:char x:char 2:char) | table L1 default=L3 cases=2 size=1 | pairs 1:L2 2:L4 | end-table | "
     "case L3 | return"},
    {"long value", "long v; int x; void f(void) { switch (v) { case 100000: x = 1; break; case 3: x = 2; } }",
     "expr (=:long switch:long v:long) | switch4 L1 | case L2 1 | expr (=:int x:int 1:int) | jump L3 | "
     "case L4 1 | expr (=:int x:int 2:int) | table L1 default=L3 cases=2 size=4 | pairs 3:L4 100000:L2 | "
     "end-table | case L3 | return"},
    {"bit-field value", "struct { int a:3; } s; int x; void f(void) { switch (s.a) { case 1: x = 1; break; case 2: x = 2; } }",
     "expr (=:uchar switch:uchar s+1:cfield[0:3]) | switch1 L1 | case L2 1 | expr (=:int x:int 1:int) | jump L3 | "
     "case L4 1 | expr (=:int x:int 2:int) | table L1 default=L3 cases=2 size=1 | pairs 1:L2 2:L4 | end-table | "
     "case L3 | return"},
    {"one case and a default", "int x; void f(int c) { switch (c) { case 1: x = 1; break; default: x = 2; } }",
     "if!= L1 param(0):int 1:int | jump L2 | case L2 1 | expr (=:int x:int 1:int) | jump L3 | case L4 1 | "
     "expr (=:int x:int 2:int) | jump L5 | label L1 1 | jump L4 | label L5 | label L3 | return"},
    {"one case, no default: out when it does not match", "int x; void f(int c) { switch (c) { case 7: x = 1; } x = 5; }",
     "if!= L1 param(0):int 7:int | jump L2 | case L2 1 | expr (=:int x:int 1:int) | label L1 | expr (=:int x:int 5:int) | return"},
    {"only a default", "int x; void f(int c) { switch (c) { default: x = 1; } }",
     "expr (=:int switch:int param(0):int) | switch2 L1 | case L2 1 | expr (=:int x:int 1:int) | "
     "table L1 default=L2 cases=0 size=2 | pairs | end-table | return"},
    {"cases that only break leave the table",
     "int x; void f(int c) { switch (c) { case 1: break; case 2: x = 2; break; case 3: break; case 4: x = 4; } }",
     "expr (=:int switch:int param(0):int) | switch2 L1 | case L2 1 | jump L3 | case L4 1 | expr (=:int x:int 2:int) | "
     "jump L3 | case L5 1 | jump L3 | case L6 1 | expr (=:int x:int 4:int) | table L1 default=L3 cases=2 size=2 | "
     "pairs 2:L4 4:L6 | end-table | case L3 | return"},
    {"constant value", "int x; void f(void) { switch (3) { case 1: x = 1; case 3: x = 3; case 4: x = 4; break; case 5: x = 5; } }",
     "case L1 1 | expr (=:int x:int 3:int) | case L2 1 | expr (=:int x:int 4:int) | jump L3 | label L3 | return"},
    {"constant value, no case", "int x; void f(void) { switch (9) { case 1: x = 1; } x = 2; }", "expr (=:int x:int 2:int) | return"},
    {"no cases", "int x; int g(void); void f(void) { switch (g()) { x = 1; } }", "expr (call:int g:int) | return"},
};

TEST(Statements, SwitchesOfEveryDensity) { check(switches, std::size(switches)); }

TEST(Statements, UnreachableStatementsWriteNothing) {
    const Case cases[] = {
        {"after return", "int x; int f(void) { return 1; x = 2; x = 3; }", "expr (=:int ret:int 1:int) | return"},
        {"after goto, up to a label", "int x; void f(void) { goto L; x = 1; L: x = 2; }",
         "jump L1 | label L1 1 | expr (=:int x:int 2:int) | return"},
        {"after break, up to a case", "int x; void f(int c) { switch (c) { case 1: break; x = 1; case 2: x = 2; case 3: x = 3; } }",
         "expr (=:int switch:int param(0):int) | switch2 L1 | case L2 1 | jump L3 | case L4 1 | expr (=:int x:int 2:int) | "
         "case L5 1 | expr (=:int x:int 3:int) | table L1 default=L3 cases=2 size=2 | pairs 2:L4 3:L5 | end-table | "
         "case L3 | return"},
        {"no return after an endless loop", "int x; int f(void) { for (;;) x++; }", "label L1 1 | expr (+=:int x:int 1:int) | jump L1"},
        {"no return after both parts return", "int f(int c) { if (c) return 1; else return 2; }",
         "if== L1 param(0):int 0:int | expr (=:int ret:int 1:int) | return | jump L2 | label L1 1 | "
         "expr (=:int ret:int 2:int) | return | label L2"},
    };
    check(cases, std::size(cases));
}

TEST(Statements, AssemblyTextAndLineInformation) {
    // Each part of a block: its position, its text in records of up to 255 bytes.
    std::string text = "\tldaa\t#1\n" + std::string(300, ';') + "\n";
    EXPECT_EQ(body_of("void f(void)\n{\n#asm\n" + text + "#endasm\n}\n", {"-l"}),
              "position 4.0-5.0 | asm \"\\x09ldaa\\x09#1\\n" + std::string(246, ';') + "\" | asm \"" +
                  std::string(54, ';') + "\\n\" | position 7.0-7.0 | return");
    // The parts of a for: the initial expression, the step, the test.
    EXPECT_EQ(body_of("int i, x;\nvoid f(void)\n{\n  for (i = 0; i < x;\n       i++)\n    x--;\n}\n", {"-l"}),
              "position 4.2-4.12 | expr (=:int i:int 0:int) | jump L1 | label L2 6 | position 6.4-6.7 | "
              "expr (-=:int x:int 1:int) | position 4.20-5.10 | expr (+=:int i:int 1:int) | label L1 4 loop | "
              "position 4.13-4.19 | if< L2 i:int x:int | position 7.0-7.0 | return");
    // A do test from its '(' on; a while test at its end.
    EXPECT_EQ(body_of("int x;\nvoid f(void)\n{\n  do x++;\n  while (x < 3);\n  while (x) x--;\n}\n", {"-l"}),
              "label L1 4 | position 4.5-4.8 | expr (+=:int x:int 1:int) | label L2 4 | position 5.8-5.15 | "
              "if< L1 x:int 3:int | jump L3 | label L4 6 | position 6.12-6.15 | expr (-=:int x:int 1:int) | "
              "label L3 6 loop | position 6.2-6.10 | if!= L4 x:int 0:int | position 7.0-7.0 | return");
}

// Diagnostics as "line:message", joined with '|'.
struct ErrorCase {
    const char* source;
    const char* messages;
};

TEST(Statements, ErrorsAndRecovery) {
    const ErrorCase cases[] = {
        {"void f(void) { break; continue; }", "1:invalid break|1:invalid continue"},
        {"void f(int c) {\ncase 1: c = 2;\ndefault: c = 3;\n}", "2:invalid case|3:invalid default"},
        {"void f(int c) { switch (c) {\ncase 1: case 1: c = 2;\ndefault: default: c = 3; } }",
         "2:duplicate case|3:duplicate default"},
        {"void f(void) { goto nowhere; }", "1:undefined label nowhere"},
        {"void f(int c) {\nL: c = 1;\nL: c = 2; }", "3:redefined label L"},
        {"void f(int a) { int a; }", "1:redeclared local a"},
        {"void f(void) { int b; char b; }", "1:redeclared local b"},
        {"void f(void) { return 1; }", "1:unexpected return expression"},
        {"int *f(void) { return 5; }", "1:incompatible return type"},
        {"struct s { int a; } f(void) { return 1; }", "1:bad structure for return"},
        {"int f(void) { if 1) return 2; return 3; }", "1:missing (|1:invalid expression|1:missing expression"},
        {"int f(int x) {\n x = 1\n}\nint g;", "3:missing ;"},
        {"void f(int x) { do x++; (x); }", "1:missing while|1:missing (|1:missing expression"},
        {"void f(int x) {\n while () x++;\n if () x--;\n switch () {}\n}",
         "2:missing while test expression|3:missing if test expression|4:missing switch test expression"},
        {"struct s { int a; } v;\nvoid f(void) {\n if (v) ;\n while (v) ;\n do ; while (v);\n for (; v ;) ;\n switch (v) ;\n}",
         "3:invalid if test type|4:invalid while test type|5:invalid do test type|6:invalid for test type|"
         "7:invalid switch test type"},
        {"void f(void) {\n x = 1;\n}", "2:x undefined"},
        {"void f(void) {\n int x;\n", "2:unexpected end of file"},
        {"int f(a) int b; { return a; }", "1:b not an argument"},
        {"int f(int) { return 0; }", "1:missing argument name"},
        {"int f(void) { return 0; }\nint f(void) { return 1; }", "2:redeclared function f"},
        {"struct t f(void) { }", "1:incomplete return type"},
        {"int f(a) int a; int b { return a; }", "1:b not an argument|1:missing ; in argument declaration"},
        {"void f(void) { static int g(void); extern int e(int a, int b); g(); }", "1:static function g undefined"},
        {"void f(void) { int q = ; }", "1:missing initialization expression"},
    };
    for (const ErrorCase& c : cases) {
        FrontRun run = vytest::compile(c.source);
        EXPECT_EQ(run.status, 1) << c.source;
        EXPECT_FALSE(run.output_exists) << c.source;
        EXPECT_EQ(vytest::messages(run.errors), c.messages) << c.source;
    }
    // The checks of -ck.
    const ErrorCase checked[] = {
        {"int f(int x) {\n if (x) return 1;\n}", "3:missing explicit return"},
        {"int f(int x) {\n return;\n}", "2:missing return expression"},
        {"f(x) { return x; }", "1:implicit int type in global declaration"},
        {"void f(a) register a; { }", "1:implicit int type in argument declaration"},
        {"void f(void) { static q; q = 1; }", "1:implicit int type in local declaration"},
        {"char f(void) { return 300; }", "1:value out of range"},
    };
    for (const ErrorCase& c : checked) {
        FrontRun run = vytest::compile(c.source, {"-ck"});
        EXPECT_EQ(vytest::messages(run.errors), c.messages) << c.source;
    }
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(Statements, NestingHasABound) {
    const int n = 100000;
    const std::string deep[] = {
        "void f(void) {" + repeat("{\n", n) + repeat("}\n", n) + "}\n",
        "int x; void f(void) {" + repeat("if (x)\n", n) + "x = 1; }\n",
        "int x; void f(void) {" + repeat("while (x)\n", n) + "x--; }\n",
        "int x; void f(void) {" + repeat("do\n", n) + "x--;" + repeat(" while (x);\n", n) + "}\n",
        "int x; void f(void) {" + repeat("for (;;) {\n", n) + repeat("}\n", n) + "}\n",
        "int x; void f(void) {" + repeat("switch (x) { case 1:\n", n) + "x = 1;" + repeat("}\n", n) + "}\n",
        "int x; void f(void) {" + repeat("L: if (x) {\n", n) + repeat("} else {\n", n) + "}}\n",
    };
    for (const std::string& source : deep) {
        FrontRun run = vytest::compile(source);
        EXPECT_EQ(run.status, 1) << source.substr(0, 60);
        EXPECT_NE(run.errors.find("nesting too deep"), std::string::npos) << source.substr(0, 60);
    }
    // Chains of else-if and of labels do not nest.
    std::string chain = "int x; int f(void) { if (x == 0) return 0;\n";
    for (int i = 1; i < 10000; ++i) chain += "else if (x == " + std::to_string(i) + ") return " + std::to_string(i) + ";\n";
    chain += "return -1; }\n";
    FrontRun run = vytest::compile(chain);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    std::string labels = "int x; void f(int c) { switch (c) {\n";
    for (int i = 0; i < 20000; ++i) labels += "case " + std::to_string(i) + ": L" + std::to_string(i) + ":\n";
    labels += "x = 1; } }\n";
    run = vytest::compile(labels);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
}

TEST(Statements, LabelNumbersDoNotRepeat) {
    // Each if with an else takes two of the 32767 label numbers.
    std::string source = "int x; void f(void) {\n";
    for (int i = 0; i < 17000; ++i) source += "if (x) x = 1; else x = 2;\n";
    source += "}\n";
    FrontRun run = vytest::compile(source);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(vytest::messages(run.errors), "17002:too many labels");
    EXPECT_FALSE(run.output_exists);
}


// The remaining messages of function bodies, each with its recovery: the
// rest of the function is still read (the second error is found) and no
// intermediate file is left.
TEST(Statements, MoreErrorsAndRecovery) {
    const ErrorCase cases[] = {
        {"int f(int x) {\n do x++; while ();\n return y;\n}", "2:missing do test expression|3:y undefined"},
        {"void f(void) {\n goto ;\n goto 3;\n}", "2:missing goto label|3:missing goto label"},
        {"void f(void) {\n int 3;\n x = 1;\n}", "2:missing local name|3:x undefined"},
        {"void f(void) {\n int a\n a = 1;\n int b;\n}", "3:missing ; in local declaration"},
        {"int f(a) int a; return a;", "1:bad function declaration"},
        {"int f(void) {\n register int r;\n int *p;\n p = &r;\n return *p + q;\n}",
         "4:invalid address operand|5:q undefined"},
    };
    for (const ErrorCase& c : cases) {
        FrontRun run = vytest::compile(c.source);
        EXPECT_EQ(run.status, 1) << c.source;
        EXPECT_FALSE(run.output_exists) << c.source;
        EXPECT_EQ(vytest::messages(run.errors), c.messages) << c.source;
    }
}

}  // namespace
