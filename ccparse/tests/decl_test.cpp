// Declarations: structure layouts with bit-fields, tags, enumerations,
// declarators and parameter lists, their diagnostics, absolute addresses,
// the space and section pragmas, and the records they leave in the
// intermediate file.
#include "ccparse/decl.h"
#include "ccparse/lexer.h"
#include "ccparse/tests/front_harness.h"
#include "ccparse/types.h"

#include <gtest/gtest.h>

namespace {

using namespace vy::cc;
using vytest::FrontRun;

Symbol* sym(const char* name) { return global_symbol(intern(name)); }

const TypeNode* tag_type(const char* name) {
    for (Symbol* tag = file_tags(); tag; tag = tag->link)
        if (tag->name && tag->name->str() == name) return tag->type;
    return nullptr;
}

// "#error ccparse t.c:L(C) message" lines -> "L:message|..." (the column left out).
std::string messages(const FrontRun& run) { return vytest::messages(run.errors); }

// A layout as "size; member@offset[position:width] ...".
std::string layout(const TypeNode* t) {
    std::string out = std::to_string(t->size) + ";";
    for (const Symbol* m = t->members; m; m = m->link) {
        out += " " + m->name->text + "@" + std::to_string(m->value);
        if (is_bitfield_code(m->type->code))
            out += "[" + std::to_string(m->type->bit_offset) + ":" + std::to_string(m->type->bit_width) + "]";
    }
    return out;
}

TEST(Declarations, StructureLayouts) {
    struct Case {
        const char* body;
        const char* plain;     // the layout without -rb
        const char* reversed;  // with -rb
    } cases[] = {
        {"struct s { int a:3; int b:14; }", "4; a@0[0:3] b@2[0:14]", "4; a@0[13:3] b@2[2:14]"},
        {"struct s { int a:3; int b:13; }", "2; a@0[0:3] b@0[3:13]", "2; a@0[13:3] b@0[0:13]"},
        {"struct s { char a:3; char b:5; char c:1; }", "2; a@0[0:3] b@0[3:5] c@1[0:1]", "2; a@0[5:3] b@0[0:5] c@1[7:1]"},
        {"struct s { char a:3; int b:3; }", "3; a@0[0:3] b@1[0:3]", "3; a@0[5:3] b@1[13:3]"},
        {"struct s { int a:3; int :0; int b:3; }", "4; a@0[0:3] b@2[0:3]", "4; a@0[13:3] b@2[13:3]"},
        {"struct s { int a:3; int :5; int b:8; }", "2; a@0[0:3] b@0[8:8]", "2; a@0[13:3] b@0[0:8]"},
        {"struct s { long a:20; long b:12; long c:1; }", "8; a@0[0:20] b@0[20:12] c@4[0:1]",
         "8; a@0[12:20] b@0[0:12] c@4[31:1]"},
        {"struct s { unsigned short a:1; short b:15; }", "2; a@0[0:1] b@0[1:15]", "2; a@0[15:1] b@0[0:15]"},
        {"enum e { X = 3 }; struct s { enum e a:2; char b:2; }", "1; a@0[0:2] b@0[2:2]", "1; a@0[6:2] b@0[4:2]"},
        {"struct s { char c; int a:3; char d; }", "4; c@0 a@1[0:3] d@3", "4; c@0 a@1[13:3] d@3"},
        {"struct s { char c[3]; long l; int *p; char @far *q; }", "13; c@0 l@3 p@7 q@9", "13; c@0 l@3 p@7 q@9"},
        {"union s { int a:3; long b; char c[3]; }", "4; a@0[0:3] b@0 c@0", "4; a@0[13:3] b@0 c@0"},
        {"struct t { char x; long y; }; struct s { struct t a; struct t b[2]; char z; }", "16; a@0 b@5 z@15",
         "16; a@0 b@5 z@15"},
    };
    for (const Case& c : cases) {
        for (bool rb : {false, true}) {
            FrontRun run = vytest::compile(std::string(c.body) + " v;\n", rb ? std::vector<std::string>{"-rb"}
                                                                             : std::vector<std::string>{});
            EXPECT_EQ(run.status, 0) << c.body << run.errors;
            ASSERT_NE(tag_type("s"), nullptr) << c.body;
            EXPECT_EQ(layout(tag_type("s")), rb ? c.reversed : c.plain) << c.body << (rb ? " -rb" : "");
        }
    }
}

struct ErrorCase {
    const char* source;
    const char* messages;  // "line:message|..."
    std::vector<std::string> options = {};
};

void check_errors(const std::vector<ErrorCase>& cases) {
    for (const ErrorCase& c : cases) {
        FrontRun run = vytest::compile(c.source, c.options);
        EXPECT_EQ(messages(run), c.messages) << c.source;
        EXPECT_EQ(run.status, *c.messages ? 1 : 0) << c.source;
        if (*c.messages) {
            EXPECT_FALSE(run.output_exists) << c.source;
        }
    }
}

TEST(Declarations, StructureErrors) {
    check_errors({
        {"struct { float f:3; } v;\n", "1:invalid bitfield type"},
        {"struct { int a:17; } v;\n", "1:invalid bitfield size"},
        {"struct { int a:0; } v;\n", "1:invalid bitfield size"},
        {"struct { int :-1; int b; } v;\n", "1:invalid bitfield size"},
        {"struct { int; char c; } v;\n", "1:missing member name"},
        {"struct { int a; long a; } v;\n", "1:redefined member a"},
        {"struct { int f(void); } v;\n", "1:invalid function member"},
        {"struct s { int a; struct s self; } v;\n", "1:embedded usage of tag name s"},
        {"struct s { int a; struct s *next; } v;\n", ""},
        {"enum e; struct { enum e a; } v;\n", "1:undefined enum type|1:undefined enum type|1:incomplete enum type"},
        {"struct { int a int b; } v;\n", "1:missing ; in member definition"},
        {"struct { int a; \n", "1:missing } in struct/union definition"},
        {"struct s { } v;\n", "1:missing member declaration"},
        {"struct { static int a; } v;\n", "1:unexpected storage class"},
        {"struct { b; } v;\n", "1:implicit int type in struct/union declaration", {"-ck"}},
        {"struct { b; } v;\n", ""},
    });
}

TEST(Declarations, Tags) {
    check_errors({
        {"struct s { int a; };\nstruct s { int b; };\n", "2:redefined tag name s"},
        {"struct s { int a; };\nunion s x;\n", "2:redefined tag type s|2:struct/union size unknown"},
        {"struct;\n", "1:incomplete type"},
        {"enum e x;\n", "1:undefined enum type|1:enum size unknown"},
        {"enum e x;\n", "", {"-ne"}},
        {"struct s;\n", "1:incomplete declaration"},
        {"struct s *p; struct s { int a; long b; } v; struct s w;\n", ""},
        {"int f(struct s { int a; } *p); struct s { char c; } v;\n", ""},
    });
    FrontRun run = vytest::compile("struct s *p;\nstruct s { int a; long b; };\nstruct s v;\n");
    EXPECT_EQ(type_size_quiet(sym("v")->type), 6u);
    EXPECT_EQ(sym("p")->type->base, sym("v")->type);
}

TEST(Declarations, Enumerations) {
    check_errors({
        {"enum { A, B } x; enum { C = B + 2, D } y;\n", ""},
        {"enum { };\n", "1:missing enumeration member"},
        {"enum { A, };\n", "1:missing enumeration member"},
        {"enum { A, A };\n", "1:redeclared enum member A"},
        {"enum { A B };\n", "1:missing } in enum definition"},
        {"enum { A = x };\n", "1:invalid constant expression|1:x undefined"},
        {"enum { A }; int A;\n", "1:redeclared external A"},
    });
    vytest::compile("enum { A, B } x; enum { C = B + 2, D } y;\n");
    EXPECT_EQ(sym("C")->value, 3);
    EXPECT_EQ(sym("D")->value, 4);
    EXPECT_EQ(sym("D")->kind, KIND_ENUM_CONST);
    // Constants beyond the range of int keep their whole value in later
    // constant expressions and in #if.
    FrontRun run = vytest::compile(
        "enum { A = 70000, B = A + 1, C = -40000, D = C - 1, E = 40000 };\n"
        "char big[A - 69990], wide[E / 10000];\n#if A == 70000 && E > 0\nint yes;\n#endif\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(sym("B")->value, 70001);
    EXPECT_EQ(sym("D")->value, -40001);
    EXPECT_EQ(sym("big")->type->count, 10u);
    EXPECT_EQ(sym("wide")->type->count, 4u);
    EXPECT_NE(sym("yes"), nullptr);
}

TEST(Declarations, DeclaratorsAndParameters) {
    check_errors({
        {"int (*fp)(int), *(*ap[3])(void), (*pa)[4];\n", ""},
        {"int x[](void);\n", "1:invalid array type|1:array size unknown x"},
        {"int f(void)[3];\n", "1:invalid function return type"},
        {"int f(void)(void);\n", "1:invalid function return type"},
        {"int a[0];\n", "1:invalid array dimension|1:array size unknown a"},
        {"int a[-2];\n", "1:invalid array dimension|1:array size unknown a"},
        {"int a[sizeof(long) * 2 + (3 > 2)];\n", ""},
        {"int f(a, b, a);\n", "1:redeclared argument a|1:useless argument list"},
        {"int f(a, b);\n", "1:useless argument list"},
        {"int f(int a, char a);\n", "1:redeclared proto argument a"},
        {"int f(int, void);\n", "1:bad void argument"},
        {"int f(void x);\n", "1:bad void argument"},
        {"int f(int, 3);\n", "1:bad proto argument type"},
        {"int f(void); int g(int, ...); int h(...); int k();\n", ""},
        {"int f(static int a);\n", "1:illegal storage class"},
        {"int f(register int a, int b[], int c(void));\n", ""},
        // An array parameter is a pointer to elements with their space and qualifiers.
        {"int g(char @far s[]); int g(char @far *s);\n", ""},
        {"int h(const char s[2]); int h(const char *s); int x;\n", "", {"-sa"}},
        {"int a; x y;\n", "1:missing ;"},
        {"int *;\n", "1:missing name in declaration"},
        {"int;\n", "1:incomplete declaration"},
        {"auto int x;\n", "1:illegal storage class"},
        {"static extern int x;\n", "1:invalid storage class"},
        {"typedef int t; t t2; int t;\n", "1:redeclared typedef t"},
        {"extern int a;\nstatic int a;\n", "2:redeclared external a"},
        {"int a; long a;\n", "1:redeclared external a"},
        {"typedef int F(void); F f { }\n", "1:invalid function declaration"},
    });
    vytest::compile("int f(register int a, int b[], int c(void), char);\n");
    const Symbol* p = sym("f")->type->params;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->kind, KIND_REG_PARAM);
    EXPECT_EQ(p->link->type->code, T_POINTER);
    EXPECT_EQ(p->link->link->type->code, T_POINTER);
    EXPECT_EQ(p->link->link->type->base->code, T_FUNCTION);
    EXPECT_EQ(p->link->link->link->type->code, T_CHAR);
    // The end mark of a prototype without "...".
    const Symbol* mark = p->link->link->link->link;
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->type->code, T_VOID);
    EXPECT_EQ(mark->name, nullptr);
    EXPECT_EQ(mark->link, nullptr);
    vytest::compile("int g(char @far s[], const int t[]);\n");
    const Symbol* s = sym("g")->type->params;
    EXPECT_EQ(type_size_quiet(s->type), 4u);
    EXPECT_EQ(s->attr, 0);
    EXPECT_EQ(s->link->type->attr, ATTR_CONST);
    EXPECT_EQ(s->link->attr, 0);
}

TEST(Declarations, DefinitionsOfFunctionsReturningPointersToFunctions) {
    // The definition's own function is the outermost one of its declarator.
    for (const char* source : {"int (*f(void))(int) { }\n", "long (*(*f(int a))[3])(void) { }\n", "int (f)(void) { }\n"}) {
        FrontRun run = vytest::compile(source);
        EXPECT_EQ(run.errors.find("invalid function declaration"), std::string::npos) << source << run.errors;
        ASSERT_NE(sym("f"), nullptr) << source;
        EXPECT_TRUE(sym("f")->defined) << source;
    }
}

TEST(Declarations, EnumerationConstantsInConditionals) {
    FrontRun run = vytest::compile("enum { E = 7 };\n#if E == 7 && F == 0\nint seven;\n#endif\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(sym("seven"), nullptr);
    run = vytest::compile("enum { E = 7 };\n#if E\nint seven;\n#endif\nint x;\n", {"-sa"});
    EXPECT_EQ(sym("seven"), nullptr);
}

TEST(Declarations, AbsoluteAddresses) {
    FrontRun run = vytest::compile("int x @ 0x20;\nint y @ 0x1000;\n#pragma space [] @tiny\nint z @ 0x1000;\nint w @ 7;\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(sym("x")->attr, SPACE_TINY);
    EXPECT_EQ(sym("y")->attr, 0);
    EXPECT_EQ(sym("z")->attr, 0);  // the tiny class came from the defaults
    EXPECT_EQ(sym("w")->attr, SPACE_TINY);
    EXPECT_EQ(sym("x")->kind, KIND_ABSOLUTE);
    EXPECT_EQ(vytest::records(run), (std::vector<std::string>{
                                        "201 absolute model=0 name=\"x\" num=0 nattr=0x91 address=0x0020",
                                        "201 absolute model=0 name=\"y\" num=0 nattr=0x91 address=0x1000",
                                        "201 absolute model=0 name=\"z\" num=0 nattr=0x91 address=0x1000",
                                        "201 absolute model=0 name=\"w\" num=0 nattr=0x91 address=0x0007",
                                    }));
    check_errors({{"int z @ ;\n", "1:bad alias value"}, {"int z @ q;\n", "1:bad alias value|1:q undefined"}});
}

TEST(Declarations, TentativeDefinitionsAndReferences) {
    FrontRun run = vytest::compile("int a[]; int t; int t; static char s; extern long e; static int f(void);\n");
    EXPECT_EQ(messages(run), "1:array size unknown a");
    run = vytest::compile("int t; int t; static char s; extern long e; static int f(void); int g(void);\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(vytest::records(run), (std::vector<std::string>{
                                        "131 declare model=0 name=\"t\" num=0 nattr=0x81",
                                        "147 zero 2",
                                        "210 end-data",
                                        "132 public name=\"t\" num=0 nattr=0x81 attr=0x0000 size=2",
                                        "131 declare model=0 name=\"s\" num=0 nattr=0x81",
                                        "147 zero 1",
                                        "210 end-data",
                                    }));
}

TEST(Declarations, RecordsOfEveryKindOfType) {
    FrontRun run = vytest::compile(
        "char c; unsigned long ul; double d; const int k;\n"
        "char *p; char @tiny *tp; char @far *fp;\n"
        "int arr[3][4];\n"
        "struct b { int a:3; int b:14; char c; } sb;\n"
        "enum e { E1 = 300 } en;\n"
        "@dir int zp; @eeprom @dir long ee; @far int fo;\n",
        {"-xp"});
    EXPECT_EQ(run.status, 0) << run.errors;
    std::vector<std::string> expected;
    auto data = [&](const char* name, const char* declare, int size, const char* attr) {
        expected.push_back(std::string(declare) + " name=\"" + name + "\" num=0 nattr=" +
                           (std::string(attr) == "0x3000" ? "0x89" : "0x81"));
        expected.push_back("147 zero " + std::to_string(size));
        expected.push_back("210 end-data");
        expected.push_back(std::string("132 public name=\"") + name + "\" num=0 nattr=" +
                           (std::string(attr) == "0x3000" ? "0x89" : "0x81") + " attr=" + attr + " size=" +
                           std::to_string(size));
    };
    expected.push_back("186 space name=\"dir\" num=0 nattr=0x00");
    expected.push_back("186 space name=\"eeprom\" num=0 nattr=0x00");
    data("c", "131 declare model=0", 1, "0x0000");
    data("ul", "131 declare model=0", 4, "0x0000");
    data("d", "131 declare model=0", 8, "0x0000");
    data("k", "199 declare model=0 attr=0x8000", 2, "0x8000");
    data("p", "131 declare model=0", 2, "0x0000");
    data("tp", "131 declare model=0", 1, "0x0000");
    data("fp", "131 declare model=0", 4, "0x0000");
    data("arr", "131 declare model=0", 24, "0x0000");
    data("sb", "131 declare model=0", 5, "0x0000");
    data("en", "131 declare model=0", 2, "0x0000");
    data("zp", "199 declare model=0 attr=0x0080", 2, "0x0080");
    data("ee", "199 declare model=0 attr=0x00c0", 4, "0x00c0");
    data("fo", "199 declare model=0 attr=0x3000", 2, "0x3000");
    EXPECT_EQ(vytest::records(run), expected);
    EXPECT_EQ(run.ir[1], "19 file name=\"t.c\" num=0 nattr=0x00");
}

TEST(Declarations, HeaderFlags) {
    struct Case {
        std::vector<std::string> options;
        const char* header;
    } cases[] = {
        {{}, "header magic=0xcb model=0 flags=0x00 config=0"},
        {{"-f"}, "header magic=0xcb model=0 flags=0x01 config=0"},
        {{"-nw"}, "header magic=0xcb model=0 flags=0x02 config=0"},
        {{"-x"}, "header magic=0xcb model=0 flags=0x04 config=0"},
        {{"-xx"}, "header magic=0xcb model=0 flags=0x04 config=0"},
        {{"-xd"}, "header magic=0xcb model=0 flags=0x0c config=0"},
        {{"-f", "-nw", "-xd"}, "header magic=0xcb model=0 flags=0x0f config=0"},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile("int x;\n", c.options);
        ASSERT_FALSE(run.ir.empty());
        EXPECT_EQ(run.ir[0], c.header);
        EXPECT_TRUE(run.ir_ok);
    }
}

TEST(Declarations, FileAndLineRecords) {
    vytest::TempDir dir;
    dir.write("inc/h.h", "int h;\n");
    dir.write("t.c", "int a;\n#include \"inc/h.h\"\n\nint b;\n#asm\n nop\n#endasm\n");
    FrontRun run = vytest::run_front(dir, {"-o", "t.ir", "t.c"});
    EXPECT_EQ(run.status, 0) << run.errors;
    std::string sep = "/";
#ifdef _WIN32
    sep = "/";
#endif
    std::vector<std::string> head(run.ir.begin() + 1, run.ir.begin() + 9);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "19 file name=\"t.c\" num=0 nattr=0x00",
                        "20 line 1",
                        "19 file name=\"h.h\\x00inc" + sep + "\" num=0 nattr=0x00",
                        "20 line 1",
                        "19 file name=\"t.c\" num=0 nattr=0x00",
                        "20 line 4",
                        "20 line 6",
                        "203 asm n=5 \" nop\\n\"",
                    }));
    run = vytest::run_front(dir, {"-xp", "-o", "t.ir", "t.c"});
    EXPECT_EQ(run.ir[3], "19 file name=\"h.h\" num=0 nattr=0x00");
}

TEST(Declarations, LongAssemblyTextIsCutInto255ByteRecords) {
    std::string line(299, 'x');
    FrontRun run = vytest::compile("#asm\n" + line + "\n#endasm\n");
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> asm_records;
    for (const std::string& r : vytest::records(run))
        if (r.rfind("203 ", 0) == 0) asm_records.push_back(r.substr(0, 14));
    EXPECT_EQ(asm_records, (std::vector<std::string>{"203 asm n=255 ", "203 asm n=45 \""}));
}

TEST(Declarations, SpacePragmas) {
    struct Case {
        const char* source;
        std::uint16_t x_attr;
        const char* messages;
    } cases[] = {
        {"#pragma space [] @near\nint x;", SPACE_NEAR, ""},
        {"#pragma space () @near\nint x;", 0, ""},
        {"#pragma space () @far\nint x(void);", SPACE_FAR, ""},
        {"#pragma space static @dir\nstatic int x; int y;", 0x0080, ""},
        {"#pragma space extern [] @far volatile\nint x;", SPACE_FAR | ATTR_VOLATILE, ""},
        {"#pragma space const @dir\nconst int x;", ATTR_CONST | 0x0080, ""},
        {"#pragma space const @dir\nint x;", 0, ""},
        // After "const ()" or "const []" constants follow the function or data masks, later changes included.
        {"#pragma space const @dir\n#pragma space const ()\n#pragma space () @far\nconst int x;", ATTR_CONST | SPACE_FAR, ""},
        {"#pragma space const @dir\n#pragma space const []\n#pragma space [] @near\nconst int x;", ATTR_CONST | SPACE_NEAR,
         ""},
        {"#pragma space const []\n#pragma space const @dir\n#pragma space [] @near\nconst int x;", ATTR_CONST | 0x0080, ""},
        {"#pragma space [] @near\nint @far x;", SPACE_FAR, ""},
        {"#pragma space [] @dir\nint @nostack x;", SPACE_NOSTACK, ""},
        {"#pragma space [] @near @far\nint x;", SPACE_NEAR, "1:ambiguous space modifier"},
        {"#pragma space [] near\nint x;", 0, "1:bad #pragma space directive"},
        {"#pragma space [] @\nint x;", 0, "1:bad space modifier"},
        {"#pragma unknown stuff\nint x;", 0, ""},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string(c.source) + "\n");
        EXPECT_EQ(messages(run), c.messages) << c.source;
        ASSERT_NE(sym("x"), nullptr) << c.source;
        EXPECT_EQ(sym("x")->attr, c.x_attr) << c.source;
    }
}

TEST(Declarations, SectionPragmas) {
    FrontRun run = vytest::compile(
        "int a;\n#pragma section (code)\n#pragma section [bss]\n#pragma section const @dir {consts}\n"
        "#pragma section ()\n#pragma section junk\nint b;\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(vytest::records(run), (std::vector<std::string>{
                                        "204 section word=0x0800 \"code\"",
                                        "131 declare model=0 name=\"a\" num=0 nattr=0x81",
                                        "147 zero 2",
                                        "210 end-data",
                                        "204 section word=0x0000 \"bss\"",
                                        "186 space name=\"dir\" num=0 nattr=0x00",
                                        "204 section word=0xc080 \"consts\"",
                                        "204 section word=0x0800 -",
                                        "132 public name=\"a\" num=0 nattr=0x81 attr=0x0000 size=2",
                                        "131 declare model=0 name=\"b\" num=0 nattr=0x81",
                                        "147 zero 2",
                                        "210 end-data",
                                        "132 public name=\"b\" num=0 nattr=0x81 attr=0x0000 size=2",
                                    }));
    check_errors({
        {"#pragma section (code\n", "1:bad #pragma section directive"},
        {"#pragma section (code) x\n", "1:bad #pragma section directive"},
    });
}

}  // namespace

namespace {

// The type of an integer constant decides comparisons and sizes: an array
// of 1 or 2 bytes shows which way each test went.
TEST(Declarations, ConstantTypesInConstantExpressions) {
    struct Case {
        const char* expression;
        int size;
    } cases[] = {
        {"(-1 < 0x7FFF) ? 1 : 2", 1},        {"(-1 < 0x8000) ? 1 : 2", 2},
        {"(-1 < 0177777) ? 1 : 2", 2},       {"(-1 < 0b1111111111111111) ? 1 : 2", 2},
        {"(-1 < 0x10000) ? 1 : 2", 1},       {"(-1 < 32768) ? 1 : 2", 1},
        {"(-1 < 65535) ? 1 : 2", 1},         {"(-1 < 0xFFFFFFFF) ? 1 : 2", 2},
        {"(-1 < 2147483648) ? 1 : 2", 2},    {"(0x80000000 > 0) ? 1 : 2", 1},
        {"(-0x80000000 < 0) ? 1 : 2", 1},    {"(-1 < 0u) ? 1 : 2", 2},
        {"(-1 < 1l) ? 1 : 2", 1},            {"sizeof(0x8000)", 2},
        {"sizeof(32768)", 4},                {"sizeof(-32768)", 2},
        {"sizeof(65535)", 4},                {"sizeof(0xFFFF)", 2},
        {"sizeof(10ul)", 4},                 {"sizeof('a')", 2},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string("char x[") + c.expression + "];\n");
        EXPECT_EQ(run.errors, "") << c.expression;
        std::string want = "size=" + std::to_string(c.size);
        bool found = false;
        for (const std::string& line : run.ir)
            if (line.rfind("132 public name=\"x\"", 0) == 0) found = line.ends_with(want);
        EXPECT_TRUE(found) << c.expression << " wants " << want;
    }
}

}  // namespace
