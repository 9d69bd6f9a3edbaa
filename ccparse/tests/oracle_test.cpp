// The host's C preprocessor and compiler as oracles: preprocessed text is
// compared token by token with "cpp -P" where our expansion rules are the
// standard ones, and structure layouts without bit-fields with packed
// structures of int8_t, int16_t and int32_t members. Native only.
#include "ccparse/decl.h"
#include "ccparse/lexer.h"
#include "ccparse/tests/front_harness.h"
#include "ccparse/tests/host_tools.h"
#include "ccparse/types.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>

namespace {

using vytest::have;
using vytest::run_command;

// C tokens of a text, independent of the white space between them.
std::vector<std::string> tokens(const std::string& text) {
    static const std::regex token(
        R"rx("(\\.|[^"\\\n])*"|'(\\.|[^'\\\n])*'|[A-Za-z_]\w*|\.?[0-9]([\w.]|[eE][-+])*|\.\.\.|<<=|>>=|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^]=|##|\S)rx");
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), token); it != std::sregex_iterator(); ++it)
        out.push_back(it->str());
    return out;
}

struct MacroExample {
    const char* name;
    const char* source;
};

// Examples where the expansion rules agree with the standard ones.
const MacroExample examples[] = {
    {"standard example: strings and pasting",
     "#define str(s) # s\n"
     "#define xstr(s) str(s)\n"
     "#define debug(s, t) printf(\"x\" # s \"= %d, x\" # t \"= %s\", \\\n"
     " x ## s, x ## t)\n"
     "#define INCFILE(n) vers ## n\n"
     "#define glue(a, b) a ## b\n"
     "#define xglue(a, b) glue(a, b)\n"
     "#define HIGHLOW \"hello\"\n"
     "#define LOW LOW \", world\"\n"
     "debug(1, 2);\n"
     "fputs(str(strncmp(\"abc\\0d\", \"abc\", '\\4') // this goes away\n"
     " == 0) str(: @\\n), s);\n"
     "xstr(INCFILE(2).h)\n"
     "glue(HIGH, LOW);\n"
     "xglue(HIGH, LOW)\n"},
    {"standard example: rescanning",
     "#define x 3\n"
     "#define f(a) f(x * (a))\n"
     "#undef x\n"
     "#define x 2\n"
     "#define g f\n"
     "#define m(a) a(w)\n"
     "#define w 0,1\n"
     "#define t(a) a\n"
     "#define p() int\n"
     "#define q(x) x\n"
     "#define r(x,y) x ## y\n"
     "#define str(x) # x\n"
     "f(y+1) + t(g)(2) + t(t)(3);\n"
     "g(x+(3,4)-w) | m\n(f)^m(m);\n"
     "p() i[q(1)] = { q(1), r(2,3), r(4,5) };\n"
     "char c[2][6] = { str(hello), str(  a   \"b\\n\" ) };\n"},
    {"standard example: a pasted ## and allowed redefinitions",
     "#define hash_hash # ## #\n"
     "#define mkstr(a) # a\n"
     "#define in_between(a) mkstr(a)\n"
     "#define join(c, d) in_between(c hash_hash d)\n"
     "char p[] = join(x, y);\n"
     "#define OBJ_LIKE (1-1)\n"
     "#define OBJ_LIKE /* white space */ (1-1) /* other */\n"
     "#define FUNC_LIKE(a) ( a )\n"
     "#define FUNC_LIKE( a )( /* note the white space */ \\\n"
     " a /* other stuff on this line\n"
     " */ )\n"
     "#define t(x,y,z) x ## y ## z\n"
     "int j[] = { t(1,2,3), t(,4,5), t(6,,7), t(8,9,),\n"
     " t(10,,), t(,11,), OBJ_LIKE, FUNC_LIKE(3) };\n"},
    {"everyday macros",
     "#define MAX(a, b) ((a) > (b) ? (a) : (b))\n"
     "#define MIN(a, b) ((a) < (b) ? (a) : (b))\n"
     "#define CLAMP(v, lo, hi) MIN(MAX(v, lo), hi)\n"
     "#define FIELD(n) int field_##n;\n"
     "#define ARRAY_SIZE(a) (sizeof(a) / sizeof((a)[0]))\n"
     "#define EMPTY\n"
     "#define CALL(f, args) f args\n"
     "int v = CLAMP(x + 1,\n"
     "              0, 10);\n"
     "FIELD(a) FIELD(b) EMPTY FIELD(c)\n"
     "n = ARRAY_SIZE(table) + CALL(g, (1, 2));\n"
     "MAX EMPTY (1, 2) MAX;\n"},
    {"conditional text",
     "#define VERSION 3\n"
     "#define FEATURE\n"
     "#if VERSION >= 2 && defined(FEATURE) && !defined NOPE\n"
     "a\n"
     "#if VERSION == 3\n"
     "b\n"
     "#elif VERSION == 2\n"
     "c\n"
     "#else\n"
     "d\n"
     "#endif\n"
     "#elif 1\n"
     "e\n"
     "#endif\n"
     "#ifndef FEATURE\n"
     "f\n"
     "#else\n"
     "g (VERSION * 100 / 7 % 5 << 2 | 1 ^ 3)\n"
     "#endif\n"
     "#if (1 ? 2 : 3) == 2 && 'a' == 97 && (10 >> 1) == 5 && -1 < 0\n"
     "h\n"
     "#endif\n"},
    {"lines and undefinitions",
     "#define A 1\n"
     "#undef A\n"
     "#ifdef A\n"
     "bad\n"
     "#endif\n"
     "#define A 2\n"
     "A __STDC__\n"
     "#line 200\n"
     "__LINE__\n"
     "#define S(x) #x\n"
     "#define XS(x) S(x)\n"
     "XS(__LINE__) S(a\\tb) S('\"')\n"},
};

TEST(Oracle, PreprocessorAgreesWithHostCpp) {
    if (!have("cpp")) GTEST_SKIP() << "no host cpp";
    for (const MacroExample& example : examples) {
        vytest::TempDir dir;
        dir.write("t.c", example.source);
        std::string host;
        ASSERT_TRUE(run_command("cpp -P -undef " + dir.file("t.c") + " 2>&1", host)) << example.name << host;
        vytest::FrontRun run = vytest::run_front(dir, {"-e", "t.c"});
        EXPECT_EQ(run.status, 0) << example.name << run.errors;
        EXPECT_EQ(tokens(run.out), tokens(host)) << example.name << "\nours:\n" << run.out << "\nhost:\n" << host;
    }
}

// A member of a layout case: its type in ccparse's terms, the host's packed
// equivalent, and an element count (0: not an array).
struct Member {
    const char* ours;
    const char* host;
    int count;
};

struct LayoutCase {
    const char* name;
    const char* kind;  // "struct" or "union"
    std::vector<Member> members;
};

TEST(Oracle, PackedLayoutsAgreeWithHostCompiler) {
    if (!have("cc")) GTEST_SKIP() << "no host compiler";
    const LayoutCase cases[] = {
        {"scalars", "struct", {{"char", "int8_t", 0}, {"int", "int16_t", 0}, {"long", "int32_t", 0}, {"unsigned char", "uint8_t", 0}}},
        {"pointers", "struct", {{"char", "int8_t", 0}, {"char *", "int16_t", 0}, {"long @far *", "int32_t", 0}, {"int @tiny *", "int8_t", 0}}},
        {"arrays", "struct", {{"char", "int8_t", 3}, {"int", "int16_t", 5}, {"short", "int16_t", 0}, {"long", "int32_t", 2}}},
        {"floats", "struct", {{"char", "int8_t", 0}, {"float", "float", 0}, {"double", "double", 0}}},
        {"union", "union", {{"char", "int8_t", 3}, {"long", "int32_t", 0}, {"int", "int16_t", 0}}},
        {"nested", "struct", {{"struct inner", "struct inner", 0}, {"char", "int8_t", 0}, {"struct inner", "struct inner", 2}}},
        {"enumerations", "struct", {{"enum small", "uint8_t", 0}, {"enum big", "int32_t", 0}, {"char", "int8_t", 0}}},
    };
    const std::string ours_prelude =
        "struct inner { char a; long b; int c; };\nenum small { S1 = 1, S2 = 200 };\nenum big { B1 = -1, B2 = 70000 };\n";
    const std::string host_prelude =
        "#include <stdint.h>\n#include <stdio.h>\n#include <stddef.h>\n"
        "struct __attribute__((packed)) inner { int8_t a; int32_t b; int16_t c; };\n";
    for (const LayoutCase& c : cases) {
        std::string ours = ours_prelude + std::string(c.kind) + " probe {";
        std::string host = host_prelude + std::string(c.kind) + " __attribute__((packed)) probe {";
        std::string print = "int main(void) { printf(\"%u\", (unsigned)sizeof(" + std::string(c.kind) + " probe));";
        for (std::size_t i = 0; i < c.members.size(); ++i) {
            std::string name = "m" + std::to_string(i);
            std::string dims = c.members[i].count ? "[" + std::to_string(c.members[i].count) + "]" : "";
            std::string type = c.members[i].ours;
            bool pointer = type.back() == '*';
            ours += " " + type + (pointer ? "" : " ") + name + dims + ";";
            host += " " + std::string(c.members[i].host) + " " + name + dims + ";";
            print += " printf(\" %u\", (unsigned)offsetof(" + std::string(c.kind) + " probe, " + name + "));";
        }
        ours += " } v;\n";
        host += " };\n" + print + " return 0; }\n";

        vytest::TempDir dir;
        dir.write("host.c", host);
        std::string expected;
        ASSERT_TRUE(run_command("cc -o " + dir.file("host") + " " + dir.file("host.c") + " 2>&1", expected)) << expected;
        ASSERT_TRUE(run_command(dir.file("host"), expected));

        dir.write("t.c", ours);
        vytest::FrontRun run = vytest::run_front(dir, {"-o", "t.ir", "t.c"});
        ASSERT_EQ(run.status, 0) << c.name << run.errors;
        // The layout as the front end keeps it: the tag's size and its members' offsets.
        const vy::cc::TypeNode* probe = nullptr;
        for (vy::cc::Symbol* tag = vy::cc::file_tags(); tag; tag = tag->link)
            if (tag->name && tag->name->str() == "probe") probe = tag->type;
        ASSERT_NE(probe, nullptr);
        std::string actual = std::to_string(probe->size);
        for (const vy::cc::Symbol* m = probe->members; m; m = m->link) actual += " " + std::to_string(m->value);
        EXPECT_EQ(actual, expected) << c.name;
    }
}

}  // namespace
