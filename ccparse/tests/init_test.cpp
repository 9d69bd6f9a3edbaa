// Initialisers: the data records of static objects (137 integers, 133
// floating values, 148 strings, 147 zeros, 192/197/200 addresses, closed by
// 210) as irdump shows them, and the assignments of automatic objects.
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

namespace {

using Records = std::vector<std::string>;

// The records of a source's data definitions (declaration, data and end),
// without file, line and public records.
Records data_records(const std::string& source, std::vector<std::string> options = {}) {
    vytest::FrontRun run = vytest::compile(source, options);
    EXPECT_EQ(run.status, 0) << source << run.errors;
    Records out;
    for (const std::string& line : vytest::records(run))
        if (line.rfind("132 ", 0) != 0 && line.rfind("144 ", 0) != 0) out.push_back(line);
    return out;
}

struct InitCase {
    const char* source;
    Records records;
};

void check(const std::vector<InitCase>& cases, std::vector<std::string> options = {}) {
    for (const InitCase& c : cases) EXPECT_EQ(data_records(c.source, options), c.records) << c.source;
}

const std::string end = "210 end-data";
std::string decl(const char* name) { return std::string("131 declare model=0 name=\"") + name + "\" num=0 nattr=0x81"; }
std::string item(int size, const char* value) { return "137 int size=" + std::to_string(size) + " value=" + value; }

TEST(Initialisers, ScalarsWithConversionsAndTruncation) {
    check({
        {"int i = 1 + 2 * 3;", {decl("i"), item(2, "0x00000007"), end}},
        {"char c = 300;", {decl("c"), item(1, "0x0000002c"), end}},
        {"char c = 200;", {decl("c"), item(1, "0xffffffc8"), end}},
        {"unsigned char u = -1;", {decl("u"), item(1, "0x000000ff"), end}},
        {"int i = 70000;", {decl("i"), item(2, "0x00001170"), end}},
        {"unsigned w = -1;", {decl("w"), item(2, "0x0000ffff"), end}},
        {"long l = -1;", {decl("l"), item(4, "0xffffffff"), end}},
        {"unsigned long ul = -1;", {decl("ul"), item(4, "0xffffffff"), end}},
        {"long l = 0xFFFF;", {decl("l"), item(4, "0x0000ffff"), end}},
        {"int i = 2.9;", {decl("i"), item(2, "0x00000002"), end}},
        {"long l = -70000.5;", {decl("l"), item(4, "0xfffeee90"), end}},
        {"short s = {-2};", {decl("s"), item(2, "0xfffffffe"), end}},
        {"float f = 1.5;", {decl("f"), "133 real size=4 value=1.5", end}},
        {"double d = 3;", {decl("d"), "133 real size=8 value=3", end}},
        {"float f = 0.1;", {decl("f"), "133 real size=4 value=0.10000000149011612", end}},
        {"enum e { A = 3, B = 300 } e1 = B;", {decl("e1"), item(2, "0x0000012c"), end}},
        {"enum e { A = 3 } e1 = A + 1;", {decl("e1"), item(1, "0x00000004"), end}},
        {"int i = sizeof(long) << 2;", {decl("i"), item(2, "0x00000010"), end}},
    });
    // With -f a double is a float; with -u a plain char is unsigned.
    check({{"double d = 2.5;", {decl("d"), "133 real size=4 value=2.5", end}}}, {"-f"});
    check({{"char c = 200, d = '\\377', s[] = \"\\377\";",
            {decl("c"), item(1, "0x000000c8"), end, decl("d"), item(1, "0x000000ff"), end, decl("s"),
             "148 string n=1 \"\\xff\"", end}}},
          {"-u"});
}

TEST(Initialisers, StringsIntoArraysOfEverySize) {
    check({
        {"char a[4] = \"abcd\";", {decl("a"), item(1, "0x00000061"), item(1, "0x00000062"), item(1, "0x00000063"),
                                   item(1, "0x00000064"), end}},
        {"char a[5] = \"abcd\";", {decl("a"), "148 string n=4 \"abcd\"", end}},
        {"char a[8] = \"abcd\";", {decl("a"), "148 string n=4 \"abcd\"", "147 zero 3", end}},
        {"char a[] = \"abcd\";", {decl("a"), "148 string n=4 \"abcd\"", end}},
        {"char a[] = {\"ab\"};", {decl("a"), "148 string n=2 \"ab\"", end}},
        {"char a[] = \"\";", {decl("a"), "148 string n=0 \"\"", end}},
        {"unsigned char a[2] = \"\\xff\\x80\";", {decl("a"), item(1, "0x000000ff"), item(1, "0x00000080"), end}},
        {"char a[2] = \"\\xff\\x80\";", {decl("a"), item(1, "0xffffffff"), item(1, "0xffffff80"), end}},
        {"char a[2][3] = {\"ab\", \"c\"};", {decl("a"), "148 string n=2 \"ab\"", "148 string n=1 \"c\"",
                                             "147 zero 1", end}},
        {"char a[3] = {'x', 'y'};", {decl("a"), item(1, "0x00000078"), item(1, "0x00000079"), "147 zero 1", end}},
    });
    // A run of 255 characters is followed by an empty chunk.
    Records r = data_records("char a[] = \"" + std::string(255, 'x') + "\";");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1].substr(0, 19), "148 string n=255 \"x");
    EXPECT_EQ(r[2], "148 string n=0 \"\"");
}

TEST(Initialisers, ArraysStructuresUnionsAndBitFields) {
    check({
        {"int a[4] = {1, 2};", {decl("a"), item(2, "0x00000001"), item(2, "0x00000002"), "147 zero 4", end}},
        {"int a[] = {1, 2, 3,};", {decl("a"), item(2, "0x00000001"), item(2, "0x00000002"), item(2, "0x00000003"), end}},
        {"int a[2][2] = {{1}, {2, 3}};", {decl("a"), item(2, "0x00000001"), "147 zero 2", item(2, "0x00000002"),
                                          item(2, "0x00000003"), end}},
        {"int a[2][2] = {1, 2, 3};", {decl("a"), item(2, "0x00000001"), item(2, "0x00000002"), item(2, "0x00000003"),
                                      "147 zero 2", end}},
        {"struct { int a:3, b:5; char c; } x = {1, 2, 3};", {decl("x"), item(2, "0x00000011"), item(1, "0x00000003"), end}},
        {"struct { int a:3, b:5; char c; } x = {1};", {decl("x"), item(2, "0x00000001"), "147 zero 1", end}},
        {"struct { int a:3; int :0; int b:3; } x = {7, 9};", {decl("x"), item(2, "0x00000007"), item(2, "0x00000001"), end}},
        {"struct { long a:20, b:12; } x = {-1, 0x1234};", {decl("x"), item(4, "0x234fffff"), end}},
        {"struct { char c; long l; int a[2]; } x = {1, 2};", {decl("x"), item(1, "0x00000001"), item(4, "0x00000002"),
                                                              "147 zero 4", end}},
        {"struct p { int x, y; } x[2] = {{1}, 2, 3};", {decl("x"), item(2, "0x00000001"), "147 zero 2",
                                                         item(2, "0x00000002"), item(2, "0x00000003"), end}},
        {"union { long l; char c[3]; } u = {5};", {decl("u"), item(4, "0x00000005"), end}},
        {"union { char c[2]; long l; } u = {\"a\"};", {decl("u"), "148 string n=1 \"a\"", "147 zero 2", end}},
        {"union { int b:4; long l; } u = {0x1F};", {decl("u"), item(2, "0x0000000f"), "147 zero 2", end}},
        {"struct { int a; } s = {};", {decl("s"), "147 zero 2", end}},
    });
    // With -rb the fields count from the top of their unit.
    check({{"struct { int a:3, b:5; } x = {1, 2};", {decl("x"), item(2, "0x00002200"), end}}}, {"-rb"});
}

TEST(Initialisers, AddressesOfObjectsPlusOffsets) {
    check({
        {"int v; int *p = &v + 2;", {decl("p"), "192 address2 name=\"v\" num=0 nattr=0x81 offset=4", end,
                                     decl("v"), "147 zero 2", end}},
        {"long a[4]; long *p = &a[3];", {decl("p"), "192 address2 name=\"a\" num=0 nattr=0x81 offset=12", end,
                                         decl("a"), "147 zero 16", end}},
        {"struct s { char c; int i; } v; int *p = &v.i;", {decl("p"), "192 address2 name=\"v\" num=0 nattr=0x81 offset=1",
                                                           end, decl("v"), "147 zero 3", end}},
        {"char *p = \"hi\" + 1;", {decl("p"), "192 address2 name=- num=2 offset=1", end,
                                   "184 data model=0 attr=0x0000 name=- num=2", "148 string n=2 \"hi\"", end}},
        {"int *p = 0;", {decl("p"), "192 address2 name=- num=0 offset=0", end}},
        {"char *p = (char *)0x1000;", {decl("p"), "192 address2 name=- num=0 offset=4096", end}},
        {"int f(int); int (*fp)(int) = f, (*gp)(int) = &f;",
         {decl("fp"), "192 address2 name=\"f\" num=0 nattr=0x84 offset=0", end, decl("gp"),
          "192 address2 name=\"f\" num=0 nattr=0x84 offset=0", end}},
        {"char c @ 0x1003; char *p = &c;", {"201 absolute model=0 name=\"c\" num=0 nattr=0x91 address=0x1003",
                                            decl("p"), "192 address2 name=\"c\" num=0 nattr=0x91 offset=0", end}},
        {"int v; int @tiny *tp = 0; char @far *fp = (char @far *)&v;",
         {decl("tp"), "197 address1 name=- num=0 offset=0", end, decl("fp"),
          "200 address4 name=\"v\" num=0 nattr=0x81 offset=0", end, decl("v"), "147 zero 2", end}},
        {"static int s; int *p = &s;", {decl("p"), "192 address2 name=\"s\" num=0 nattr=0x81 offset=0", end,
                                        decl("s"), "147 zero 2", end}},
        {"int v, *pa[2] = {&v, 0};", {decl("pa"), "192 address2 name=\"v\" num=0 nattr=0x81 offset=0",
                                      "192 address2 name=- num=0 offset=0", end, decl("v"), "147 zero 2", end}},
    });
}

TEST(Initialisers, ConstObjectsKeepTheirValues) {
    // A floating value of a const object is also its literal: the label
    // stands at the object's data, and the pool does not repeat it.
    check({
        {"const double cd = 2.5; double d = cd;",
         {"199 declare model=0 attr=0x8000 name=\"cd\" num=0 nattr=0x81", "184 data model=0 attr=0x0000 name=- num=6",
          "133 real size=8 value=2.5", end, decl("d"), "133 real size=8 value=2.5", end}},
        {"const int k[3] = {4, 5}; int a[3] = {k[0], k[1], k[2]};",
         {"199 declare model=0 attr=0x8000 name=\"k\" num=0 nattr=0x81", item(2, "0x00000004"), item(2, "0x00000005"),
          "147 zero 2", end, decl("a"), item(2, "0x00000004"), item(2, "0x00000005"), item(2, "0x00000000"), end}},
    });
}

TEST(Initialisers, AutomaticObjects) {
    const char* source =
        "int i; struct s { int a, b; } st; int arr[3]; long l; char str[]; int @far fi;\n"
        "int f(void);\n"
        "local auto i = f();\n"
        "local auto st = {1, 2};\n"
        "local auto arr = {7};\n"
        "local auto l = {3};\n"
        "local register i = 4;\n"
        "local auto str = \"ab\";\n"
        "local static i = 9;\n"
        "local auto st = st;\n";
    vytest::TreeRun run = vytest::trees(source);
    ASSERT_EQ(run.status, 0) << run.errors;
    std::vector<std::string> trees;
    for (const std::string& t : run.trees) trees.push_back(vytest::compact(t));
    EXPECT_EQ(trees, (std::vector<std::string>{
                         "(=:int local(0):int (call:int f:int))",
                         "(=:struct[4] local(0):struct[4] L2:struct@0x8000[4])",
                         "(=:struct[6] local(0):struct[6] L4:struct@0x8000[6])",
                         "(=:long local(0):long 3:long)",
                         "(=:int 0:int 4:int)",
                         "(=:struct[3] local(0):struct[3] L6:struct@0x8000[3])",
                         "(=:struct[4] local(0):struct[4] st:struct[4])"}));
    // The unnamed statics hold the data (in a const space); the local static
    // is named and numbered; the tentative definitions follow at the end.
    Records data;
    for (const std::string& line : run.ir)
        if (line.rfind("199 ", 0) == 0 || line.rfind("131 declare model=0 name=\"l_i", 0) == 0 ||
            line.rfind("137 ", 0) == 0 || line.rfind("148 ", 0) == 0 || line.rfind("147 ", 0) == 0)
            data.push_back(line);
    EXPECT_EQ(data, (Records{"199 declare model=0 attr=0x8000 name=- num=2", item(2, "0x00000001"),
                             item(2, "0x00000002"), "199 declare model=0 attr=0x8000 name=- num=4", item(2, "0x00000007"),
                             "147 zero 4", "199 declare model=0 attr=0x8000 name=- num=6", "148 string n=2 \"ab\"",
                             "131 declare model=0 name=\"l_i\" num=8 nattr=0x81", item(2, "0x00000009"),
                             "147 zero 2", "147 zero 4", "147 zero 6", "147 zero 4", "147 zero 3",
                             "199 declare model=0 attr=0x3000 name=\"fi\" num=0 nattr=0x89", "147 zero 2"}));
}

struct ErrorCase {
    std::string source;
    const char* messages;
    std::vector<std::string> options = {};
};

TEST(Initialisers, Errors) {
    const ErrorCase cases[] = {
        {"int x; int y = x;", "1:invalid initializer expression"},
        {"int x; int y = &x;", "1:invalid initializer"},
        {"int x; char *p = &x;", "1:invalid pointer initializer"},
        {"char *p = 5;", "1:invalid pointer initializer"},
        {"int f(void); int x = f();", "1:invalid initializer expression"},
        {"int x = ;", "1:missing initializer"},
        {"int a[2] = {};", "1:missing initializer"},
        {"int a[2] = {1, 2, 3};", "1:too many initializers"},
        {"struct { int a; } s = {1, 2};", "1:too many initializers"},
        {"struct { int a; } s = 1;", "1:missing {"},
        {"int a[2] = 1;", "1:missing {"},
        {"char a[2] = \"abc\";", "1:string too long"},
        {"struct t *p; struct t x = {1};", "1:unknown structure|1:struct/union size unknown"},
        {"union u *p; union u x = {1};", "1:unknown union|1:struct/union size unknown"},
        {"int x = 1; int x = 2;", "1:redeclared external x"},
        {"int z = 1 / 0;", "1:zero divide"},
        {"int z = 1 % 0;", "1:zero modulus"},
        {"struct { int a:3; } s = {x};", "1:invalid constant expression|1:x undefined"},
        {"int @far v; int *p = &v;", "1:invalid pointer initializer"},
        {"struct { int n; int a[]; } s = {1, {2, 3}};", "1:array size unknown"},
        {"char c = 300;", "1:value out of range", {"-ck"}},
        {"int i; local typedef i = 1;", "1:invalid local initialization"},
        {"int j; local extern j = 2;", "1:invalid external initialization"},
        {"int i; local auto i = ;", "1:missing initialization expression"},
    };
    for (const ErrorCase& c : cases) {
        vytest::TreeRun run = vytest::trees(c.source + "\n", c.options);
        EXPECT_EQ(vytest::messages(run.errors), c.messages) << c.source;
        EXPECT_EQ(run.status, 1) << c.source;
    }
}

}  // namespace
