// Expressions: the trees the expression layer builds, after the narrowing
// pass, as the intermediate file holds them (irdump's trees in a compact
// form: "(op:type operands)", leaves "name:type", constants "value:type").
// Each table row is one expression line of a small source (see
// vytest::trees), with the declarations of `decls` before it.
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <regex>
#include <sstream>

namespace {

struct TreeCase {
    const char* line;  // "expr: ...;", "test: ...;", "discard: ...;", "expr8: ...;"
    const char* tree;  // the compact tree
};

const char* const decls =
    "int x, y, z, a[10], *p, *q; char c, *cp; unsigned char u; unsigned w; long l, *pl; unsigned long ul;\n"
    "float f; double d; short sh; int fn(int, char); int fk(); void fv(void); int fe(int, ...);\n"
    "struct S { int a; char b; long m; unsigned f3:3, g5:5; unsigned b1:1; } s, *ps;\n"
    "volatile int vi; volatile long vl; int @far *fp;\n";

void check_trees(const std::vector<TreeCase>& cases, std::vector<std::string> options = {}) {
    std::string source = decls;
    for (const TreeCase& c : cases) source += std::string(c.line) + "\n";
    vytest::TreeRun run = vytest::trees(source, options);
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.trees.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(vytest::compact(run.trees[i]), cases[i].tree) << cases[i].line;
}

TEST(Expressions, ConstantsCarryTheirTypes) {
    check_trees({
        {"expr: -32768;", "-32768:int"},
        {"expr: 32768;", "32768:long"},
        {"expr: -(32768);", "-32768:long"},
        {"expr: - -32768;", "-32768:int"},
        {"expr: -2147483648;", "-2147483648:long"},
        {"expr: 2147483648;", "2147483648:ulong"},
        {"expr: 0x7FFF;", "32767:int"},
        {"expr: 0x8000;", "32768:uint"},
        {"expr: 0;", "0:int"},
        {"expr: 65535;", "65535:long"},
        {"expr: 0xFFFFFFFF;", "4294967295:ulong"},
        {"expr: 'ab';", "24930:int"},
        {"expr: '\\377';", "-1:int"},
        {"expr: 10ul;", "10:ulong"},
        {"expr: (unsigned char)300;", "44:uchar"},
        {"expr: (char)200;", "-56:char"},
        {"expr: (long)-1 + 0u;", "-1:long"},
        {"expr: -1 + 0u;", "65535:uint"},
        {"expr: sizeof(long) + sizeof x + sizeof \"abc\" + sizeof a;", "30:uint"},
        {"expr: sizeof @(char) + sizeof @ a;", "4:uint"},
        {"expr: 3 * 4 - 20 / 3 % 4;", "10:int"},
        {"expr: 1 << 15;", "-32768:int"},
        {"expr: 1 << 16;", "0:int"},
        {"expr: -1 >> 40;", "-1:int"},
        {"expr: 0x8000 >> 15;", "1:uint"},
        {"expr: (-2147483647L - 1) / -1;", "-2147483648:long"},
        {"expr: (-2147483647L - 1) % -1;", "0:long"},
        {"expr: -32768 / -1;", "-32768:int"},
        {"expr: 1 ? 2 : 3L;", "2:long"},
        {"expr: 0 ? c : 3;", "3:int"},
        {"expr: (1, 2);", "2:int"},
        {"expr: !5 + !0 + ~0;", "0:int"},
        {"expr: 2.5 * 2;", "L6:double@0x8000"},
        {"expr: (int)2.9 + (int)-2.9;", "0:int"},
        {"expr: 3 < 4 && 4 > 5 || !0;", "1:int"},
    });
}

TEST(Expressions, RewritesWhileBuilding) {
    check_trees({
        {"expr: x = x + 1;", "(+=:int x:int 1:int)"},
        {"expr: x = 1 + x;", "(+=:int x:int 1:int)"},
        {"expr: x = x - y;", "(-=:int x:int y:int)"},
        {"expr: x = y - x;", "(=:int x:int (-:int y:int x:int))"},
        {"expr: x = x * y;", "(*=:int x:int y:int)"},
        {"expr: x = y << x;", "(=:int x:int (<<:int y:int x:int))"},
        {"expr: c = c + 1;", "(+=:char c:char 1:char)"},
        {"expr: x = (char)x + 1;", "(=:int x:int (+:int (cast:int x+1:char) 1:int))"},
        {"expr: p = p + 1;", "(+=:ptr[0x0000] p:ptr[0x0000] 2:int)"},
        {"expr: a[f3()] = a[f3()] + 1;", "(=:int (ind:int (+:ptr[0x0000] &a:ptr[0x0000] (*:int (call:int f3:int) "
                                          "2:int))) (+:int (ind:int (+:ptr[0x0000] &a:ptr[0x0000] (*:int (call:int "
                                          "f3:int) 2:int))) 1:int))"},
        {"expr: -(x - y);", "(-:int y:int x:int)"},
        {"expr: - -x;", "x:int"},
        {"expr: ~~x;", "x:int"},
        {"expr: ++x;", "(+=:int x:int 1:int)"},
        {"expr: --p;", "(-=:ptr[0x0000] p:ptr[0x0000] 2:int)"},
        {"expr: x++;", "(post++:int x:int 1:int)"},
        {"expr: pl--;", "(post--:ptr[0x0000] pl:ptr[0x0000] 4:int)"},
        {"discard: x++;", "(+=:int x:int 1:int)"},
        {"discard: x++, y--;", "(,:int (+=:int x:int 1:int) (-=:int y:int 1:int))"},
        {"expr: x & ~x;", "0:int"},
        {"expr: x | ~x;", "-1:int"},
        {"expr: (x << 2) ^ (y << 2);", "(<<:int (^:int x:int y:int) 2:char)"},
        {"expr: (x, y);", "y:int"},
        {"expr: (fk(), y);", "(,:int (call:int fk:int) y:int)"},
        {"expr: 3 < x;", "(>:int x:int 3:int)"},
        {"expr: 3 >= x;", "(<=:int x:int 3:int)"},
        {"expr: f == 0.0;", "(==:int f:float 0:int)"},
        {"expr: u == 300;", "0:int"},
        {"expr: u != 300;", "1:int"},
        {"expr: c < 200;", "1:int"},
        {"expr: s.f3 > 8;", "0:int"},
        {"expr: (u = 1) == 300;", "(,:int (cast:int (=:uchar u:uchar 1:uchar)) 0:int)"},
    });
}

TEST(Expressions, AndOrOfComparisonsCombine) {
    check_trees({
        {"expr: x < y && x >= y;", "0:int"},
        {"expr: x >= y && x <= y;", "(==:int x:int y:int)"},
        {"expr: x != y && x < y;", "(<:int x:int y:int)"},
        {"expr: x <= y && x != y;", "(<:int x:int y:int)"},
        {"expr: x < y || x == y;", "(<=:int x:int y:int)"},
        {"expr: x > y || x <= y;", "1:int"},
        {"expr: x < y || x > y;", "(!=:int x:int y:int)"},
        {"expr: x < y || y < x;", "(||:int (<:int x:int y:int) (<:int y:int x:int))"},
        {"expr: x && x;", "(!=:int x:int 0:int)"},
        {"expr: 0 && fk();", "0:int"},
        {"expr: 1 || fk();", "1:int"},
        {"expr: 1 && x;", "(!=:int x:int 0:int)"},
        {"expr: x && 0;", "0:int"},
        {"expr: fk() && 0;", "(&&:int (!=:int (call:int fk:int) 0:int) 0:int)"},
        {"expr: x || 0;", "(!=:int x:int 0:int)"},
        {"expr: vi < 1 && vi >= 1;", "(&&:int (<:int vi:int@0x4000 1:int) (>=:int vi:int@0x4000 1:int))"},
    });
}

TEST(Expressions, PointersMembersAndCalls) {
    check_trees({
        {"expr: p + 3;", "(+:ptr[0x0000] p:ptr[0x0000] 6:int)"},
        {"expr: pl + 3;", "(+:ptr[0x0000] pl:ptr[0x0000] 12:int)"},
        {"expr: 3 + pl;", "(+:ptr[0x0000] pl:ptr[0x0000] 12:int)"},
        {"expr: p + x;", "(+:ptr[0x0000] p:ptr[0x0000] (*:int x:int 2:int))"},
        {"expr: cp + c;", "(+:ptr[0x0000] cp:ptr[0x0000] (cast:int c:char))"},
        {"expr: cp + u;", "(+:ptr[0x0000] cp:ptr[0x0000] u:uchar)"},
        {"expr: cp + l;", "(+:ptr[0x0000] cp:ptr[0x0000] l+2:int)"},
        {"expr: p - q;", "(/:int (-:int p:ptr[0x0000] q:ptr[0x0000]) 2:int)"},
        {"expr: &a[7] - &a[2];", "5:int"},
        {"expr: a + 2;", "&a+4:ptr[0x0000]"},
        {"expr: &a[2];", "&a+4:ptr[0x0000]"},
        {"expr: *&x;", "x:int"},
        {"expr: &*p;", "p:ptr[0x0000]"},
        {"expr: a[3];", "a+6:int"},
        {"expr: 3[a];", "a+6:int"},
        {"expr: *fp;", "(ind:int@0x3000 fp:ptr[0x3000])"},
        {"expr: s.b;", "s+2:char"},
        {"expr: s.m;", "s+3:long"},
        {"expr: ps->m;", "(ind:long (+:ptr[0x0000] ps:ptr[0x0000] 3:int))"},
        {"expr: ps->a;", "(ind:int (cast:ptr[0x0000] ps:ptr[0x0000]))"},
        {"expr: (&s)->b;", "s+2:char"},
        {"expr: s.g5;", "s+8:cfield[3:5]"},
        {"expr: s.b1;", "s+7:cfield[0:1]"},
        {"expr: fn(1, 2);", "(call:int fn:int (arg:int 1:int 2:int))"},
        {"expr: fn(l, c);", "(call:int fn:int (arg:int l+2:int c:char))"},
        {"expr: fn(x, 3L);", "(call:int fn:int (arg:int x:int 3:char))"},
        {"expr: fk(c, f, p);", "(call:int fk:int (arg:int (cast:int c:char) (arg:int (cast:double f:float) "
                               "p:ptr[0x0000])))"},
        {"expr: fe(1, c);", "(call:int fe:int (arg:int 1:int (cast:int c:char)))"},
        {"expr: fv();", "(call:uchar fv:int)"},
        {"expr: undeclared(x);", "(call:int undeclared:int x:int)"},
        {"expr: (*fn)(1, 2);", "(call:int fn:int (arg:int 1:int 2:int))"},
        {"expr: x ? c : l;", "(?::long (!=:int x:int 0:int) (cast:long c:char) l:long)"},
        {"expr: x ? p : 0;", "(?::ptr[0x0000] (!=:int x:int 0:int) p:ptr[0x0000] 0:ptr[0x0000])"},
        {"expr: \"abc\" + 1;", "&L2+1:ptr[0x0000]"},
    });
}

TEST(Expressions, Tests) {
    check_trees({
        {"test: x;", "(!=:int x:int 0:int)"},
        {"test: c;", "(!=:int (cast:int c:char) 0:int)"},
        {"test: p;", "(!=:int p:ptr[0x0000] 0:ptr[0x0000])"},
        {"test: f;", "(!=:int f:float 0:int)"},
        {"test: x < y;", "(<:int x:int y:int)"},
        {"test: 7;", "7:int"},
        {"test: 2.5;", "1:int"},
        {"test: (fk(), x);", "(,:int (call:int fk:int) (!=:int x:int 0:int))"},
        {"test: !x;", "(==:int x:int 0:int)"},
        {"test: !(x < y && c);", "(||:int (>=:int x:int y:int) (==:int (cast:int c:char) 0:int))"},
        {"test: !!p;", "(!=:int p:ptr[0x0000] 0:ptr[0x0000])"},
    });
}

// The narrowing pass: the width each consumer needs.
TEST(Expressions, Narrowing) {
    check_trees({
        {"expr: c = l;", "(=:char c:char l+3:char)"},
        {"expr: c = x >> 8;", "(=:char c:char x:char)"},
        {"expr: c = x & 0x0F;", "(=:char c:char (&:char x+1:char 15:uchar))"},
        {"expr: x = x & 0x0F;", "(&=:int x:int 15:int)"},
        {"expr: y = x & 0x0F;", "(=:int y:int (cast:uint (&:uchar x+1:char 15:uchar)))"},
        {"expr: c = x + y * 3;", "(=:char c:char (+:char x+1:char (*:char y+1:char 3:char)))"},
        {"expr: c = x / y;", "(=:char c:char (cast:char (/:int x:int y:int)))"},
        {"expr: c = (x / y) + 1;", "(=:char c:char (cast:char (+:int (/:int x:int y:int) 1:int)))"},
        {"expr: x = l + 1;", "(=:int x:int (+:int l+2:int 1:int))"},
        {"expr: x = ul >> 16;", "(=:int x:int ul:int)"},
        {"expr8: l >> 8;", "l+2:char"},
        {"expr16: l >> 8;", "l+1:int"},
        {"expr8: l >> 16;", "l+1:char"},
        {"expr16: l >> 16;", "l:int"},
        {"expr16: l >> 24;", "(cast:int l:char)"},
        {"expr16: l >> 20;", "(>>:int l:int 4:int)"},
        {"expr16: l << 8;", "(<<:int l+2:int 8:int)"},
        {"expr8: x >> 8;", "x:char"},
        {"expr8: x >> 4;", "(>>:int x:int 4:char)"},
        {"expr: c = vl;", "(=:char c:char (cast:char vl:long@0x4000))"},
        {"expr: c = vi & 3;", "(=:char c:char (cast:char (&:int vi:int@0x4000 3:int)))"},
        {"expr: c += x;", "(+=:char c:char x+1:char)"},
        {"expr: c /= x;", "(/=:char c:char x:int)"},
        {"expr: x = c < y;", "(=:int x:int (<:int (cast:int c:char) y:int))"},
        {"expr8: x < y;", "(<:uchar x:int y:int)"},
        {"expr: c = s.g5;", "(=:char c:char (cast:char s+8:cfield[3:5]))"},
        {"expr: x = p[l];", "(=:int x:int (ind:int (+:ptr[0x0000] p:ptr[0x0000] (*:int l+2:int 2:int))))"},
        {"expr: u = cp[u];", "(=:uchar u:uchar (cast:uchar (ind:char (+:ptr[0x0000] cp:ptr[0x0000] u:uchar))))"},
        {"expr: c = (char)(x + l);", "(=:char c:char (+:char x+1:char l+3:char))"},
        {"expr: x = (unsigned)y;", "(=:int x:int y:int)"},
        {"expr: x = (unsigned)(y >> 1);", "(=:int x:int (cast:int (>>:int y:int 1:char)))"},
    });
}

// Reads of const objects with known values, and characters of string
// literals, are their values (unless -nc).
TEST(Expressions, ConstReplacement) {
    const char* source =
        "const int k = 5; const int ck[2] = {7, 8}; const char cs[] = \"hi\";\n"
        "const struct { int a; char b; unsigned f:3, g:5; union { int i; char c; } u; } cst = {1, 2, 3, 4, {5}};\n"
        "const long cl = 0x12345678; volatile const int vk = 9; extern const int ek; int *const cp = &ek;\n"
        "int x; long y;\n"
        "expr: x = k;\nexpr: x = ck[1];\nexpr: x = ck[3];\nexpr: x = \"abc\"[1];\nexpr: x = \"abc\"[3];\n"
        "expr: x = cs[1];\nexpr: x = cst.b;\nexpr: x = cst.g;\nexpr: x = cst.u.i;\nexpr: y = cl;\n"
        "expr: x = *(char *)&cl;\nexpr: x = vk;\nexpr: x = ek;\nexpr: x = *cp;\nexpr: k + ck[0] * 2;\n";
    vytest::TreeRun run = vytest::trees(source);
    ASSERT_EQ(run.status, 0) << run.errors;
    std::vector<std::string> trees;
    for (const std::string& t : run.trees) trees.push_back(vytest::compact(t));
    EXPECT_EQ(trees, (std::vector<std::string>{
                         "(=:int x:int 5:int)", "(=:int x:int 8:int)", "(=:int x:int 0:int)",
                         "(=:int x:int 98:int)", "(=:int x:int 0:int)", "(=:int x:int 105:int)",
                         "(=:int x:int 2:int)", "(=:int x:int 4:int)",
                         "(=:int x:int (ind:int@0x8000 &cst+5:ptr[0x8000]))", "(=:long y:long 305419896:long)",
                         "(=:int x:int (cast:int cl:char))", "(=:int x:int vk:int@0xc000)",
                         "(=:int x:int ek:int@0x8000)", "(=:int x:int ek:int)", "19:int"}));
    run = vytest::trees("const int k = 5; int x;\nexpr: x = k;\nexpr: x = \"abc\"[1];\n", {"-nc"});
    ASSERT_EQ(run.trees.size(), 2u);
    EXPECT_EQ(vytest::compact(run.trees[0]), "(=:int x:int k:int@0x8000)");
    EXPECT_EQ(vytest::compact(run.trees[1]), "(=:int x:int (cast:int L2+1:char))");
}

// What the tree writer rewrites: values nobody uses, casts to void, the
// in-place forms, _asm calls.
TEST(Expressions, TreeWriterRewrites) {
    check_trees({
        {"expr: (fk() < y, z = 1);", "(,:int (,:int (call:int fk:int) y:int) (=:int z:int 1:int))"},
        {"expr: (fk() && y, z);", "(,:int (,:int (,:int (call:int fk:int) 0:int) (,:int y:int 0:int)) z:int)"},
        {"expr: (fk() || (z = 1), y);", "(,:int (||:int (!=:int (call:int fk:int) 0:int) (!=:int (=:int z:int "
                                        "1:int) 0:int)) y:int)"},
        {"expr: x = -x;", "(neg-in-place:int x:int)"},
        {"expr: c = -c;", "(neg-in-place:char c:char)"},
        {"expr: x = ~x;", "(not-in-place:int x:int)"},
        {"expr: l = -l;", "(neg-in-place:long l:long)"},
        {"expr: l = -x;", "(=:long l:long (cast:long (neg:int x:int)))"},
        {"expr: s.b1 = s.b1 == 0;", "(not-in-place:cfield[0:1] s+7:cfield[0:1])"},
        {"expr: (void)fk();", "(call:int fk:int)"},
        {"expr: _asm(\"nop\");", "(asm:int _asm:int text=\"nop\")"},
        {"expr: _asm(\"ldaa %a\", x);", "(asm:int _asm:int text=\"ldaa %a\" x:int)"},
    });
}

struct ErrorCase {
    std::string source;
    const char* messages;  // "line:message|..."
    std::vector<std::string> options = {};
};

void check_errors(const std::vector<ErrorCase>& cases) {
    for (const ErrorCase& c : cases) {
        vytest::TreeRun run = vytest::trees(decls + c.source, c.options);
        EXPECT_EQ(vytest::messages(run.errors), c.messages) << c.source;
        EXPECT_EQ(run.status, *c.messages ? 1 : 0) << c.source;
    }
}

// Every type error has its message and status 1; parsing goes on with a
// substitute.
TEST(Expressions, TypeErrors) {
    check_errors({
        {"expr: -s;", "5:invalid operand type"},
        {"expr: ~f;", "5:invalid operand type"},
        {"expr: !s;", "5:invalid operand type"},
        {"expr: +p;", "5:invalid arithmetic operand"},
        {"expr: *x;", "5:invalid indirection operand"},
        {"expr: *(void *)p;", "5:invalid indirection operand"},
        {"expr: &5;", "5:invalid lvalue"},
        {"expr: &(x + 1);", "5:invalid address expression"},
        {"expr: &s.b1;", "5:invalid address type"},
        {"expr: x = s;", "5:incompatible struct/union assignment"},
        {"expr: 3 = x;", "5:invalid lvalue"},
        {"const int k = 1;\nexpr: k = 2;", "6:const assignment"},
        {"expr: a = p;", "5:invalid assignment type"},
        {"struct T { int b; } t;\nexpr: s = t;", "6:incompatible types in struct/union assignment"},
        {"expr: s += s;", "5:invalid struct/union operation"},
        {"struct U *up, *vp;\nexpr: *up = *vp;", "6:incomplete type for assignment"},
        {"expr: p = cp;", "5:incompatible pointer types"},
        {"expr: p = 5;", "5:incompatible pointer types"},
        {"expr: p += p;", "5:incompatible pointer operand"},
        {"expr: p *= 2;", "5:incompatible pointer operation"},
        {"expr: x = p;", "5:incompatible pointer assignment"},
        {"expr: x = fv();", "5:illegal void usage"},
        {"expr: f %= 2;", "5:invalid floating point operation"},
        {"expr: x <<= f;", "5:invalid shift count type"},
        {"expr: x >>= p;", "5:invalid shift count type"},
        {"expr: f <<= 1;", "5:invalid floating point operation"},
        {"expr: fv() + 1;", "5:illegal void operation"},
        {"expr: s + 1;", "5:incompatible struct/union operation"},
        {"expr: f % 2;", "5:invalid floating point operation"},
        {"expr: f << 1;", "5:invalid floating point operation"},
        {"expr: p * 2;", "5:invalid pointer operation"},
        {"expr: 1 - p;", "5:invalid pointer operation"},
        {"expr: p - cp;", "5:invalid pointer types"},
        {"expr: p + f;", "5:invalid pointer operand"},
        {"void *vp;\nexpr: vp + 1;", "6:invalid void pointer"},
        {"expr: p < 5;", "5:incompatible compare types"},
        {"expr: p == cp;", "5:incompatible compare types"},
        {"expr: x ? p : s;", "5:incompatible operand types"},
        {"expr: s ? 1 : 2;", "5:invalid ? test expression"},
        {"expr: s && x;", "5:invalid conditional operand"},
        {"typedef int TD;\nexpr: TD;", "6:invalid typedef usage"},
        {"expr: s.zz;", "5:zz not a member"},
        {"expr: x.a;", "5:bad struct/union operand"},
        {"expr: ps.a;", "5:bad struct/union operand"},
        {"struct U *up;\nexpr: up->a;", "6:undefined struct/union"},
        {"expr: s.;", "5:missing member name"},
        {"expr: fn(1, 2, 3);", "5:too many arguments"},
        {"expr: fn(1);", "5:missing argument"},
        {"expr: fn(p, 1);", "5:incompatible argument type"},
        {"expr: fn(s, 1);", "5:incompatible argument type"},
        {"expr: x(1);", "5:invalid function type"},
        {"struct U fu(void);\nexpr: fu();", "6:incomplete struct/union type"},
        {"expr: (struct S)x;", "5:invalid cast type"},
        {"expr: (int[2])x;", "5:invalid cast type"},
        {"expr: (int *)f;", "5:invalid pointer cast operand"},
        {"expr: (char)s;", "5:invalid cast operand"},
        {"expr: (int *)fp;", "5:invalid narrow pointer cast"},
        {"expr: (char)p;", "5:invalid narrow pointer cast"},
        {"expr: (int x)3;", "5:name unexpected in abstract type"},
        {"expr: sizeof s.b1;", "5:invalid sizeof(type)"},
        {"expr: a[];", "5:missing array subscript"},
        {"expr: ();", "5:missing expression"},
        {"expr: x + ;", "5:missing expression"},
        {"expr: x + int;", "5:invalid expression"},
        {"expr: (x ? : 1);", "5:missing ? test expression"},
        {"expr: (x ? 1 2);", "5:missing :|5:missing )"},
        {"expr: (x + 1;", "5:missing )|5:missing ;"},
        {"expr: zz + 1;", "5:zz undefined"},
        {"int g(int a[N], int b);\nexpr: g(0, 1);", "5:invalid constant expression|5:N undefined"},
        {"expr: x / 0;", "5:zero divide"},
        {"expr: x % (1 - 1);", "5:zero modulus"},
        {"expr: x / 0.0;", "5:zero divide"},
    });
}

TEST(Expressions, CheckingOptions) {
    check_errors({
        {"expr: (int *)fp;", "", {"-np"}},
        {"expr: (char)p;", "", {"-np"}},
        {"expr: u == 300;", "5:compare out of range", {"-ck"}},
        {"test: x = 5;", "5:constant assignment in a test", {"-ck"}},
        {"expr: (int)3e10;", "5:float value too large for integer cast", {"-ck"}},
        {"expr: (int)-3e9;", "5:float value too large for integer cast", {"-ck"}},
        {"expr: (long)4e9;", "", {"-ck"}},
        {"expr: fk(1);", "5:missing prototype", {"-p"}},
        {"expr: _asm(\"nop\");", "", {"-p"}},
        {"expr: c = 300;", "5:value out of range", {"-ck"}},
        {"expr: c = -129;", "5:value out of range", {"-ck"}},
        {"expr: c = -128;", "", {"-ck"}},
        {"expr: u = 255;", "", {"-ck"}},
        {"expr: c = x;", "5:truncating assignment", {"-ck"}},
        {"expr: x = c;", "", {"-ck"}},
        {"expr: x = f;", "5:truncating assignment", {"-ck"}},
        {"expr: fn(1, 300);", "5:value out of range", {"-ck", "-nw"}},
        {"expr: _asm();", "5:missing _asm() argument"},
        {"expr: _asm(x);", "5:bad _asm() argument type"},
        {"expr: _asm(\"" + std::string(300, 'a') + "\");", "5:_asm string too long"},
    });
}

// Hostile depths end with "nesting too deep", never with a crash: the
// parser's recursion and the depth of the trees are bounded.
TEST(Expressions, DeepNestingIsBounded) {
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    const int depth = 100000;
    const std::string deep[] = {
        "expr: " + repeat("(\n", depth) + "x" + repeat(")\n", depth) + ";",
        "expr: " + repeat("-\n", depth) + "x;",
        "expr: " + repeat("!\n", depth) + "x;",
        "expr: " + repeat("(int)\n", depth) + "x;",
        "expr: " + repeat("x =\n", depth) + "1;",
        "expr: " + repeat("x ?\n", depth) + "1" + repeat(" : 2\n", depth) + ";",
        "expr: " + repeat("a[\n", depth) + "1" + repeat("]\n", depth) + ";",
        "expr: " + repeat("fn(\n", depth) + "1" + repeat(", 2)\n", depth) + ";",
        "expr: x" + repeat(" + x\n", depth) + ";",
        "expr: fk()" + repeat(", fk()\n", depth) + ";",
        "expr: fe(1" + repeat(", x\n", depth) + ");",
        // Types as long: every pass over a type follows its chain.
        "char v" + repeat("[1]\n", depth) + ";",
        "int " + repeat("*\n", depth) + "v;",
    };
    for (const std::string& source : deep) {
        vytest::TreeRun run = vytest::trees(std::string(decls) + source + "\nint after;\n");
        EXPECT_EQ(run.status, 1) << source.substr(0, 60);
        EXPECT_NE(run.errors.find("nesting too deep"), std::string::npos)
            << source.substr(0, 60) << "\n" << run.errors.substr(0, 300);
    }
    // Braces deeper than the type are an error at the second brace of a
    // scalar; a type nested that deep through structure members is read
    // without recursion, and its initialiser is bounded.
    for (const char* type : {"int", "int v[1]", "struct S"}) {
        std::string decl = std::string(type) + (std::string(type).find('[') == std::string::npos ? " v" : "");
        vytest::TreeRun run =
            vytest::trees(std::string(decls) + decl + " = " + repeat("{\n", depth) + "1" + repeat("}\n", depth) + ";\n");
        EXPECT_EQ(run.status, 1) << type;
        EXPECT_NE(run.errors.find("invalid expression"), std::string::npos) << type << run.errors.substr(0, 300);
    }
    std::string chain = "struct s0 { int x; };\n";
    for (int i = 1; i < depth; ++i)
        chain += "struct s" + std::to_string(i) + " { struct s" + std::to_string(i - 1) + " a; };\n";
    vytest::TreeRun nested = vytest::trees(chain + "struct s" + std::to_string(depth - 1) + " v = " +
                                           repeat("{\n", depth) + "1" + repeat("}\n", depth) + ";\n");
    EXPECT_EQ(nested.status, 1);
    EXPECT_NE(nested.errors.find("nesting too deep"), std::string::npos) << nested.errors.substr(0, 300);

    // A long sum of constants folds as it goes: no depth at all.
    vytest::TreeRun run = vytest::trees(std::string(decls) + "expr: 1" + repeat(" + 1\n", depth) + ";\n");
    ASSERT_EQ(run.status, 0) << run.errors.substr(0, 300);
    EXPECT_EQ(vytest::compact(run.trees[0]), "-31071:int");
}

}  // namespace

namespace {

// Random expressions over objects of every kind, valid and not, through
// the whole chain: parse, check, fold, narrow at every demand, write. The
// run ends with status 0 or 1, every error line is a diagnostic, and a
// file that was kept decodes record by record.
class ExpressionFuzzer {
public:
    explicit ExpressionFuzzer(unsigned seed) : random_(seed) {}

    // With `valid`, only what type-checks: integer objects and operators.
    std::string expression(int depth, bool valid) {
        if (depth <= 0 || pick(5) == 0) return leaf(valid);
        switch (pick(12)) {
        case 0: {
            std::string op = pick_of(valid ? int_unary_ops : unary_ops);
            if (valid && (op == "++" || op == "--")) return op + pick_of(int_lvalues);
            return op + " " + expression(depth - 1, valid);
        }
        case 1: return "(" + pick_of(valid ? int_types : types) + ")" + expression(depth - 1, valid);
        case 2:
            return expression(depth - 1, valid) + " ? " + expression(depth - 1, valid) + " : " +
                   expression(depth - 1, valid);
        case 3: return "(" + expression(depth - 1, valid) + ", " + expression(depth - 1, valid) + ")";
        case 4:
            return "(" + pick_of(valid ? int_lvalues : lvalues) + " " + pick_of(valid ? int_assign_ops : assign_ops) +
                   " " + expression(depth - 1, valid) + ")";
        case 5:
            return pick_of(valid ? int_functions : functions) + "(" + expression(depth - 1, valid) + ", " +
                   expression(depth - 1, valid) + ")";
        case 6: return pick_of(valid ? int_lvalues : lvalues) + pick_of(valid ? int_postfix_ops : postfix_ops);
        case 7: return valid ? "sizeof(" + pick_of(int_types) + ")" : "sizeof " + expression(depth - 1, valid);
        default: {
            std::string op = pick_of(binary_ops);
            // A divisor that is never 0 where the expression must be valid.
            std::string right = expression(depth - 1, valid);
            if (valid && (op == "/" || op == "%")) right = "((" + right + ") | 1)";
            return "(" + expression(depth - 1, valid) + " " + op + " " + right + ")";
        }
        }
    }

    std::string line(bool valid) {
        static const char* const modes[] = {"expr", "expr8", "expr8u", "expr16", "expr16u", "expr32", "discard", "test"};
        std::string text =
            std::string(modes[pick(8)]) + ": " + expression(1 + static_cast<int>(pick(5)), valid) + ";";
        // Now and then a token dropped, doubled or replaced.
        if (!valid && pick(8) == 0 && text.size() > 8) {
            std::size_t at = 6 + pick(static_cast<unsigned>(text.size() - 7));
            switch (pick(3)) {
            case 0: text.erase(at, 1); break;
            case 1: text.insert(at, text.substr(at, 1)); break;
            default: text[at] = "()[]{}+-*/,;?:~!&|^<>=.'\"0x@"[pick(29)]; break;
            }
        }
        return text;
    }

private:
    std::mt19937 random_;
    unsigned pick(unsigned n) { return static_cast<unsigned>(random_() % n); }
    std::string pick_of(const std::vector<std::string>& list) { return list[pick(static_cast<unsigned>(list.size()))]; }

    std::string leaf(bool valid) {
        switch (pick(4)) {
        case 0: return std::to_string(random_() % 70000);
        case 1: return pick_of(valid ? int_constants : constants);
        default: return pick_of(valid ? int_lvalues : lvalues);
        }
    }

    const std::vector<std::string> unary_ops = {"-", "~", "!", "+", "*", "&", "++", "--"};
    const std::vector<std::string> int_unary_ops = {"-", "~", "!", "+", "++", "--"};
    const std::vector<std::string> postfix_ops = {"++", "--", "[1]", "[x]", ".a", "->m", "(1)"};
    const std::vector<std::string> int_postfix_ops = {"++", "--"};
    const std::vector<std::string> binary_ops = {"+", "-", "*", "/", "%", "<<", ">>", "<", "<=", ">", ">=",
                                                 "==", "!=", "&", "^", "|", "&&", "||"};
    const std::vector<std::string> assign_ops = {"=", "+=", "-=", "*=", "/=", "%=", "<<=", ">>=", "&=", "^=", "|="};
    const std::vector<std::string> int_assign_ops = {"=", "+=", "-=", "*=", "<<=", ">>=", "&=", "^=", "|="};
    const std::vector<std::string> types = {"char", "unsigned char", "int", "unsigned", "long", "unsigned long",
                                            "float", "double", "char *", "int *", "long @far *", "void", "struct S",
                                            "short", "void *"};
    const std::vector<std::string> int_types = {"char", "unsigned char", "int", "unsigned", "long",
                                                "unsigned long", "short", "unsigned short"};
    const std::vector<std::string> functions = {"fn", "fk", "fe", "fv", "_asm", "(*fp)", "x", "undeclared"};
    const std::vector<std::string> int_functions = {"fn", "fk", "fe"};
    const std::vector<std::string> constants = {"0", "1", "-1", "0x8000", "32768", "2147483648", "1.5", "0.0",
                                                "'a'", "\"str\"", "k", "ck[1]", "1L", "255u", "0 / 0", "1 % 0"};
    const std::vector<std::string> int_constants = {"0", "1", "-1", "0x8000", "32768", "2147483648", "'a'", "k",
                                                    "ck[1]", "1L", "255u", "0xFFFFFFFF", "sizeof(long)"};
    const std::vector<std::string> lvalues = {"x", "y", "c", "u", "w", "l", "ul", "f", "d", "sh", "p", "cp",
                                              "pl", "a[2]", "a[x]", "s.a", "s.b", "s.m", "s.f3", "s.g5", "s.b1",
                                              "ps->m", "ps->b1", "*p", "vi", "vl", "*fp", "s", "a", "fn"};
    const std::vector<std::string> int_lvalues = {"x", "y", "c", "u", "w", "l", "ul", "sh", "a[2]", "a[x]",
                                                  "a[l]", "cp[u]", "s.a", "s.b", "s.m", "s.f3", "s.g5", "s.b1",
                                                  "ps->m", "ps->b1", "*p", "vi", "vl", "*fp", "pl[c]"};
};

TEST(Expressions, RandomExpressionsEndWithDiagnosticsAndDecodableFiles) {
    const char* env = std::getenv("VY_EXPR_FUZZ_CASES");
#ifdef _WIN32
    int files = env ? std::atoi(env) : 20;
#else
    int files = env ? std::atoi(env) : 150;
#endif
    ExpressionFuzzer fuzzer(static_cast<unsigned>(std::getenv("VY_EXPR_FUZZ_SEED") ? std::atoi(std::getenv("VY_EXPR_FUZZ_SEED")) : 11));
    const std::regex error_line(R"(#error ccparse [^\n]*:[0-9]+( |\([0-9]+\) |\([0-9]+\+[0-9]+\) )[^\n]*)");
    std::string prelude = std::string(decls) + "const int k = 3; const int ck[2] = {1, 2}; int fa[] = {1, 2};\n";
    int kept = 0;
    for (int i = 0; i < files; ++i) {
        std::string source = prelude;
        bool valid = i % 2 == 0;
        for (int n = 0; n < 40; ++n) source += fuzzer.line(valid) + "\n";
        vytest::TreeRun run = vytest::trees(source);
        SCOPED_TRACE(source);
        ASSERT_TRUE(run.status == 0 || run.status == 1) << run.status;
        std::istringstream errors(run.errors);
        for (std::string l; std::getline(errors, l);) ASSERT_TRUE(std::regex_match(l, error_line)) << l;
        if (valid) {
            EXPECT_EQ(run.status, 0) << run.errors.substr(0, 500);
        }
        if (run.status == 0) {
            ++kept;
            ASSERT_TRUE(run.ir_ok);
            EXPECT_EQ(run.trees.size(), 40u);
        }
    }
    std::printf("%d of %d files without errors\n", kept, files);
}

}  // namespace
