// The lexer: constants and their types, escapes, keywords, joined strings,
// assembly text and token positions.
#include "ccparse/driver.h"
#include "ccparse/lexer.h"
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

namespace {

using namespace vy::cc;
using vytest::LexRun;

struct ConstCase {
    const char* text;
    int kind;
    std::uint32_t value;
    const char* errors;  // the message part of the diagnostic, or ""
    std::vector<std::string> options = {};
};

void check_constants(const std::vector<ConstCase>& cases) {
    for (const ConstCase& c : cases) {
        LexRun run = vytest::lex(std::string(c.text) + "\n", c.options);
        ASSERT_EQ(run.tokens.size(), 1u) << c.text << " " << run.errors;
        EXPECT_EQ(run.tokens[0].kind, c.kind) << c.text;
        if (is_int_constant(c.kind)) {
            EXPECT_EQ(static_cast<std::uint32_t>(run.tokens[0].value), c.value) << c.text;
        }
        std::string expected = *c.errors ? std::string("#error ccparse t.c:1(0+") + std::to_string(std::string(c.text).size()) +
                                               ") " + c.errors + "\n"
                                         : "";
        EXPECT_EQ(run.errors, expected) << c.text;
    }
}

TEST(Lexer, IntegerConstantTypes) {
    check_constants({
        {"0", K_INT_CONST, 0, ""},
        {"32767", K_INT_CONST, 32767, ""},
        {"32768", K_INT_CONST, 32768, ""},  // the decimal 32768 stays int here
        {"32769", K_LONG_CONST, 32769, ""},
        {"65536", K_LONG_CONST, 65536, ""},
        {"2147483648", K_LONG_CONST, 0x80000000u, ""},
        {"4294967295", K_ULONG_CONST, 0xFFFFFFFFu, ""},
        {"0x7FFF", K_INT_CONST, 0x7FFF, ""},
        {"0x8000", K_UINT_CONST, 0x8000, ""},
        {"0177777", K_UINT_CONST, 0xFFFF, ""},
        {"0b1010", K_INT_CONST, 10, ""},
        {"0x10000", K_LONG_CONST, 0x10000, ""},
        {"0x80000000", K_LONG_CONST, 0x80000000u, ""},
        {"0xFFFFFFFF", K_ULONG_CONST, 0xFFFFFFFFu, ""},
        {"10u", K_UINT_CONST, 10, ""},
        {"70000U", K_ULONG_CONST, 70000, ""},
        {"10l", K_LONG_CONST, 10, ""},
        {"0x80000001L", K_ULONG_CONST, 0x80000001u, ""},
        {"10ul", K_ULONG_CONST, 10, ""},
        {"10LU", K_ULONG_CONST, 10, ""},
    });
}

TEST(Lexer, IntegerConstantErrors) {
    check_constants({
        {"10uu", K_UINT_CONST, 10, "bad integer constant "},
        {"12ab", K_INT_CONST, 12, "bad integer constant "},
        {"09", K_INT_CONST, 0, "bad integer constant "},
        {"0x", K_INT_CONST, 0, "bad integer constant "},
        {"0xg", K_INT_CONST, 0, "invalid hexadecimal number"},
        {"0b2", K_INT_CONST, 0, "invalid binary number"},
        {"4294967296", K_INT_CONST, 0, "integer constant too large"},
        {"0x123456789", K_LONG_CONST, 0x23456789u, "integer constant too large"},
    });
}

TEST(Lexer, RealConstants) {
    check_constants({
        {"1.5", K_DOUBLE_CONST, 0, ""},
        {".5e3", K_DOUBLE_CONST, 0, ""},
        {"2.0s", K_SHORT_REAL, 0, ""},
        {"2.0f", K_FLOAT_CONST, 0, ""},
        {"2.0L", K_LDOUBLE_CONST, 0, ""},
        {"2.0", K_FLOAT_CONST, 0, "", {"-f"}},
        {"2.0L", K_FLOAT_CONST, 0, "", {"-f"}},
        {"2.0S", K_SHORT_REAL, 0, "", {"-f"}},
        {"1.5e", K_DOUBLE_CONST, 0, "missing exponent in real"},
        {"1e400", K_DOUBLE_CONST, 0, "exponent overflow in real"},
        {"1.0fl", K_DOUBLE_CONST, 0, "bad real constant 1.0fl"},
    });
    struct Value {
        const char* text;
        double value;
    } values[] = {{"1.5", 1.5}, {"12.5e-1", 1.25}, {"1e10", 1e10}, {"0.001", 0.001}, {"1e-400", 0.0}, {"3e+2", 300.0}};
    for (const Value& v : values) {
        LexRun run = vytest::lex(std::string(v.text) + "\n");
        ASSERT_EQ(run.tokens.size(), 1u);
        EXPECT_DOUBLE_EQ(run.tokens[0].real, v.value) << v.text;
    }
}

TEST(Lexer, CharacterConstants) {
    check_constants({
        {"'a'", K_INT_CONST, 'a', ""},
        {"'ab'", K_INT_CONST, 0x6162, ""},
        {"'\\377'", K_INT_CONST, 0xFFFFFFFFu, ""},
        {"'\\377'", K_INT_CONST, 255, "", {"-u"}},
        {"'\\x41'", K_INT_CONST, 0x41, ""},
        {"'\\n'", K_INT_CONST, 10, ""},
        {"'\\a\\b\\f'", K_INT_CONST, 0x07080C, ""},
        {"'\\q'", K_INT_CONST, ('\\' << 8) | 'q', ""},
        {"'\\x'", K_INT_CONST, 0, "invalid hexadecimal character"},
        {"'\\x123456789'", K_INT_CONST, 0x23456789u, "hexadecimal constant too large"},
    });
}

TEST(Lexer, StringsJoinAndDecode) {
    LexRun run = vytest::lex("\"ab\" \"cd\";\n\"e\\x41\\101\\0z\"\n");
    ASSERT_EQ(run.tokens.size(), 3u);
    EXPECT_EQ(run.tokens[0].kind, K_STRING);
    EXPECT_EQ(run.tokens[0].text, "abcd");
    EXPECT_EQ(run.tokens[1].kind, K_SEMI);
    EXPECT_EQ(run.tokens[2].text, std::string("eAA\0z", 5));
    // Strings on consecutive lines are one constant too.
    run = vytest::lex("\"x\"\n\n\"y\"\n");
    ASSERT_EQ(run.tokens.size(), 1u);
    EXPECT_EQ(run.tokens[0].text, "xy");
}

TEST(Lexer, KeywordsNamesAndPunctuators) {
    LexRun run = vytest::lex("auto while unsigned _int intx int @ ... .. -> <<= >>= ## \\# | || |= sizeof\n");
    std::vector<int> kinds;
    for (const auto& t : run.tokens) kinds.push_back(t.kind);
    EXPECT_EQ(kinds, (std::vector<int>{K_AUTO, K_WHILE, K_UNSIGNED, K_IDENT, K_IDENT, K_INT, K_AT, K_ELLIPSIS, K_DOT,
                                       K_DOT, K_ARROW, K_SHL_ASSIGN, K_SHR_ASSIGN, K_HASHHASH, K_BSHASH, K_PIPE, K_OROR,
                                       K_OR_ASSIGN, K_SIZEOF}));
    EXPECT_EQ(run.tokens[3].text, "_int");
    EXPECT_EQ(run.errors, "");
}

TEST(Lexer, BadCharactersAreSkipped) {
    LexRun run = vytest::lex("a $ ` \\ b\n");
    ASSERT_EQ(run.tokens.size(), 2u);
    EXPECT_EQ(run.errors,
              "#error ccparse t.c:1(2) bad character $\n#error ccparse t.c:1(4) bad character `\n"
              "#error ccparse t.c:1(6) bad character \\\n");
}

TEST(Lexer, PositionsFollowPhysicalLines) {
    LexRun run = vytest::lex("\tab  cd\\\n  ef\n#define M x + y\n  M\n");
    ASSERT_EQ(run.tokens.size(), 6u);
    auto where = [&](std::size_t i) {
        return std::to_string(run.tokens[i].line) + ":" + std::to_string(run.tokens[i].column) + "+" +
               std::to_string(run.tokens[i].span);
    };
    EXPECT_EQ(where(0), "1:1+2");
    EXPECT_EQ(where(1), "1:5+2");
    EXPECT_EQ(where(2), "2:2+2");  // on the joined line
    EXPECT_EQ(where(3), "4:2+1");  // expansion tokens stand where the macro was named
    EXPECT_EQ(where(5), "4:2+1");
}

TEST(Lexer, AssemblyLinesMerge) {
    LexRun run = vytest::lex("#asm\n ldaa #1\n staa 0\n#endasm\nint\n#asm\n nop\n#endasm\n");
    ASSERT_EQ(run.tokens.size(), 3u);
    EXPECT_EQ(run.tokens[0].kind, K_ASM);
    EXPECT_EQ(run.tokens[0].text, " ldaa #1\n staa 0\n");
    EXPECT_EQ(run.tokens[1].kind, K_INT);
    EXPECT_EQ(run.tokens[2].text, " nop\n");
}

TEST(Lexer, SlashSlashPasteEndsTheLine) {
    LexRun run = vytest::lex("#define C / ## /\na C b c\nd\n");
    ASSERT_EQ(run.tokens.size(), 2u);
    EXPECT_EQ(run.tokens[0].text, "a");
    EXPECT_EQ(run.tokens[1].text, "d");
}

TEST(Lexer, FourthGivenBackTokenIsFatal) {
    vytest::TempDir dir;
    dir.write("t.c", "a b c d e\n");
    vytest::Args args({"ccparse", "-o", dir.file("t.ir"), dir.file("t.c")});
    vytest::ToolHarness harness;
    int status = -1;
    ASSERT_TRUE(front_end_begin(args.argc(), args.argv(), &status));
    for (int i = 0; i < 4; ++i) nexttoken();
    ungettoken();
    ungettoken();
    ungettoken();
    EXPECT_EQ(nexttoken().name->text, "b");  // given back tokens come again in order
    ungettoken();
    try {
        ungettoken();
        ADD_FAILURE() << "no end";
    } catch (const vy::ToolExit& exit) {
        EXPECT_EQ(exit.status, 1);
    }
    EXPECT_NE(harness.errors().find("token overflow"), std::string::npos);
    EXPECT_FALSE(dir.exists("t.ir"));
}

}  // namespace
