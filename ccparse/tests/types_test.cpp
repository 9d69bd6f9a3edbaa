// The type model: specifier combinations, sizes, TypeCode, enumeration base
// types, space attributes and type equality, seen through declarations.
#include "ccparse/decl.h"
#include "ccparse/lexer.h"
#include "ccparse/tests/front_harness.h"
#include "ccparse/types.h"

#include <gtest/gtest.h>

namespace {

using namespace vy::cc;
using vytest::FrontRun;

// The global symbol of a name after the last run.
Symbol* sym(const char* name) { return global_symbol(intern(name)); }

std::string message_of(const FrontRun& run) {
    // "#error ccparse t.c:L(C) message" -> "message"
    std::string out;
    for (std::size_t at = 0; at < run.errors.size();) {
        std::size_t end = run.errors.find('\n', at);
        std::string line = run.errors.substr(at, end - at);
        std::size_t text = line.find(' ', line.find(':'));
        out += (out.empty() ? "" : "|") + line.substr(text + 1);
        at = end + 1;
    }
    return out;
}

TEST(Types, SpecifierCombinations) {
    struct Case {
        const char* specifiers;
        std::uint8_t code;
        std::uint32_t size;
        const char* error;
        std::vector<std::string> options = {};
    } cases[] = {
        {"char", T_CHAR, 1, ""},
        {"char", T_UCHAR, 1, "", {"-u"}},
        {"signed char", T_CHAR, 1, "", {"-u"}},
        {"unsigned char", T_UCHAR, 1, ""},
        {"short int", T_SHORT, 2, ""},
        {"unsigned short", T_USHORT, 2, ""},
        {"int", T_INT, 2, ""},
        {"signed", T_INT, 2, ""},
        {"unsigned", T_UINT, 2, ""},
        {"long", T_LONG, 4, ""},
        {"unsigned long int", T_ULONG, 4, ""},
        {"signed long", T_LONG, 4, ""},
        {"float", T_FLOAT, 4, ""},
        {"double", T_DOUBLE, 8, ""},
        {"long double", T_LDOUBLE, 8, ""},
        {"double", T_FLOAT, 4, "", {"-f"}},
        {"long double", T_FLOAT, 4, "", {"-f"}},
        {"long long", T_LONG, 4, "repeated type specification"},
        {"int int", T_INT, 2, "repeated type specification"},
        {"short double", T_INT, 2, "illegal type specification"},
        {"unsigned float", T_INT, 2, "illegal type specification"},
        {"signed unsigned", T_INT, 2, "illegal type specification"},
        {"const const int", T_INT, 2, "repeated type specification"},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string(c.specifiers) + " x;\n", c.options);
        EXPECT_EQ(message_of(run), c.error) << c.specifiers;
        ASSERT_NE(sym("x"), nullptr) << c.specifiers;
        EXPECT_EQ(sym("x")->type->code, c.code) << c.specifiers;
        EXPECT_EQ(type_size_quiet(sym("x")->type), c.size) << c.specifiers;
    }
}

TEST(Types, QualifiersAndImplicitInt) {
    FrontRun run = vytest::compile("const volatile int cv; volatile v; x;\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(sym("cv")->attr, ATTR_CONST | ATTR_VOLATILE);
    EXPECT_EQ(sym("v")->type->code, T_INT);
    EXPECT_EQ(sym("v")->attr, ATTR_VOLATILE);
    run = vytest::compile("x;\n", {"-ck"});
    EXPECT_EQ(message_of(run), "implicit int type in global declaration");
}

TEST(Types, TypeCodes) {
    struct Case {
        const char* declaration;
        std::uint32_t code;
    } cases[] = {
        {"char **x;", 0x50000008},
        {"int x[10];", 0xC0000018},
        {"long *x(void);", 0x90000020},
        {"unsigned char x;", 0x0A},
        {"unsigned int (*x)[3];", 0x7000001A},
        {"void (*x[2])(void);", 0xD8000050},
        {"struct s { int a; } x;", 0x48},
        {"union u { int a; } x;", 0x49},
        {"enum e { A } x;", 0x4B},
        {"enum f { B = 70000 } x;", 0x4E},
        {"double x;", 0x29},
        {"long double x;", 0x2A},
        {"char ***********x;", 0x55555408},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string(c.declaration) + "\n");
        EXPECT_EQ(run.status, 0) << c.declaration << run.errors;
        EXPECT_EQ(debugtype(sym("x")->type), c.code) << c.declaration;
    }
}

TEST(Types, TwelfthDerivationIsTooComplex) {
    vytest::compile("char ************x;\n");
    // The debug information computes the word; the check reports there.
    vytest::ToolHarness harness;
    EXPECT_EQ(debugtype(sym("x")->type), 0x55555408u);
    EXPECT_NE(harness.errors().find("type too complex for debug"), std::string::npos);
}

TEST(Types, EnumerationBaseTypes) {
    struct Case {
        const char* members;
        std::uint8_t base;
        std::uint32_t size;
        const char* error;
        std::vector<std::string> options = {};
    } cases[] = {
        {"A = -1, B = 127", T_CHAR, 1, ""},
        {"A = -128", T_CHAR, 1, ""},
        {"A = -129", T_SHORT, 2, ""},
        {"A = 255", T_UCHAR, 1, ""},
        {"A, B, C", T_UCHAR, 1, ""},
        {"A = 256", T_USHORT, 2, ""},
        {"A = 65535", T_USHORT, 2, ""},
        {"A = 65536", T_ULONG, 4, ""},
        {"A = -1, B = 40000", T_LONG, 4, ""},
        {"A = -40000", T_LONG, 4, ""},
        {"A = 255", T_INT, 2, "", {"-ne"}},
        {"A = 40000", T_INT, 2, "enum value out of int range", {"-ne"}},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string("enum e { ") + c.members + " } x;\n", c.options);
        EXPECT_EQ(message_of(run), c.error) << c.members;
        const TypeNode* t = sym("x")->type;
        ASSERT_EQ(t->code, T_ENUM);
        EXPECT_EQ(t->base->code, c.base) << c.members;
        EXPECT_EQ(type_size_quiet(t), c.size) << c.members;
    }
    FrontRun run = vytest::compile("enum e { A = 3, B, C = A + 10, D } x;\n");
    EXPECT_EQ(sym("B")->value, 4);
    EXPECT_EQ(sym("D")->value, 14);
}

TEST(Types, PointerSizesBySpace) {
    struct Case {
        const char* source;
        std::uint32_t size;
    } cases[] = {
        {"char *x;", 2},
        {"char @tiny *x;", 1},
        {"char @near *x;", 2},
        {"char @far *x;", 4},
        {"#pragma space * @tiny\nchar *x;", 1},
        {"#pragma space * @far\nchar *x;", 4},
        {"#pragma space * @far\nchar @tiny *x;", 1},
        {"char @far * @tiny *x;", 1},  // x points to a tiny pointer to far chars
        {"int (*x)(void);", 2},
        {"#pragma space () @far\nint (*x)(void);", 4},
        {"#pragma space * [] @far\nint (*x)(void);", 2},
        {"#pragma space * [] @far\nint **x;", 4},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string(c.source) + "\n");
        EXPECT_EQ(run.status, 0) << c.source << run.errors;
        ASSERT_NE(sym("x"), nullptr) << c.source;
        EXPECT_EQ(type_size_quiet(sym("x")->type), c.size) << c.source;
    }
}

TEST(Types, SpaceModifiers) {
    struct Case {
        const char* source;
        std::uint16_t attr;
        const char* error;
    } cases[] = {
        {"@dir int x;", 0x0080, ""},
        {"@dir int y; @eeprom @dir int x;", 0x00C0, ""},
        {"@near @dir int x;", 0x2080, ""},
        {"@nostack @packed int x;", 0x0500, ""},
        {"@near @far int x;", 0x2000, "ambiguous space modifier"},
        {"@3 int x;", 0, "bad space modifier"},
        {"@a int x1; @b int x2; @c int x3; @d int x4; @e int x5; @f int x6; @g int x7; @h int x8; @i int x;", 0,
         "too many space modifiers"},
        {"extern int @near x; int @far x;", 0x3000, "space attribute conflict"},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string(c.source) + "\n");
        EXPECT_EQ(message_of(run), c.error) << c.source;
        if (sym("x")) {
            EXPECT_EQ(sym("x")->attr, c.attr) << c.source;
        }
    }
}

TEST(Types, RedeclarationsUseTypeEquality) {
    struct Case {
        const char* source;
        bool same;
        std::vector<std::string> options = {};
    } cases[] = {
        {"int x; int x;", true},
        {"int x; long x;", false},
        {"int x[]; int x[5];", true},
        {"int x[4]; int x[5];", false},
        {"char *x; int *x;", false},
        {"int @far *x; int @near *x;", false},
        {"int @far *x; int @far *x;", true},
        {"struct s { int a; } *x; struct t { int a; } *x;", false},
        {"enum e { A } x; unsigned char x;", true},
        {"int x(); int x(int);", true},
        {"int x(char); int x();", false},
        {"int x(char); int x();", true, {"-nw"}},
        {"int x(float); int x();", false},
        {"int x(float); int x();", true, {"-f"}},
        {"int x(int, long); int x(a, b) ;", true},
        {"int x(int, long); int x(int);", false},
        {"int x(int, ...); int x(int);", false},
        {"int x(void *); int x(char *);", true},
        {"int x(const char *); int x(char *);", true},
        {"int x(const char *); int x(char *);", false, {"-sa"}},
        {"int (*x)(int); int (*x)(int);", true},
        {"int x(void); long x(void);", false},
    };
    for (const Case& c : cases) {
        FrontRun run = vytest::compile(std::string(c.source) + "\n", c.options);
        bool reported = run.errors.find("redeclared external x") != std::string::npos;
        EXPECT_EQ(!reported, c.same) << c.source << "\n" << run.errors;
    }
}

TEST(Types, RedeclarationTakesThePrototype) {
    FrontRun run = vytest::compile("int f(); int f(int a, char *b);\nint n[]; int n[7];\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(sym("f")->type->prototype);
    EXPECT_EQ(sym("n")->type->count, 7u);
}

TEST(Types, ModelConfiguration) {
    FrontRun run = vytest::compile("int data; int fn(void);\n", {"-m0x2010"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(sym("data")->attr, 0x2000);
    EXPECT_EQ(sym("fn")->attr, 0x1000);
    run = vytest::compile("int data; int fn(void);\n", {"-m0x30"});
    EXPECT_EQ(sym("data")->attr, 0);
    EXPECT_EQ(sym("fn")->attr, 0x3000);
}

}  // namespace
