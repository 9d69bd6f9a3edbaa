// Source input: macros, repeat blocks, include files, conditionals, and the
// statement diagnostics that come from them.
#include "ccasm/tests/asm_fixture.h"

namespace {

struct Program {
    const char* name;
    const char* source;
    std::vector<uint8_t> bytes;
};

class SourceBytesTest : public AsmTest, public ::testing::WithParamInterface<Program> {};

TEST_P(SourceBytesTest, Bytes) {
    AsmRun r = assemble(GetParam().source);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Macros, SourceBytesTest,
    ::testing::Values(
        Program{"MissingArgumentIsEmpty", "m:\tmacro\t\\a,\\b\n\tdc.b\t\\a\\b\n\tendm\n\tm\t1\n\tm\t2,3\n", bytes_of({1, 23})},
        Program{"NumberedArguments", "m:\tmacro\n\tdc.b\t\\1,\\2,\\#\n\tendm\n\tm\t4 , 5\n", bytes_of({4, 5, 2})},
        Program{"UniqueLabels", "m:\tmacro\n\\@:\tbra\t\\@\n\tendm\n\tm\n\tm\n", bytes_of({0x20, 0xFE, 0x20, 0xFE})},
        Program{"SizeSuffix", "m:\tmacro\n\tdc.\\0\t1\n\tendm\n\tm.w\n\tm.b\n", bytes_of({0, 1, 1})},
        Program{"AllArguments", "m:\tmacro\n\tdc.b\t\\*\n\tendm\n\tm\t1,2,3\n", bytes_of({1, 2, 3})},
        Program{"QuotedArgumentLosesQuotes", "m:\tmacro\n\tdc.b\t\\1\n\tendm\n\tm\t\"7,8\"\n", bytes_of({7, 8})},
        Program{"ArgumentTen", "m:\tmacro\n\tdc.b\t\\A\n\tendm\n\tm\t1,2,3,4,5,6,7,8,9,10\n", bytes_of({10})},
        Program{"NamedInParentheses", "m:\tmacro\t\\v\n\tdc.b\t\\(v)0\n\tendm\n\tm\t2\n", bytes_of({20})},
        Program{"MacroHidesInstruction", "nop:\tmacro\n\t\\\\nop\n\t\\\\nop\n\tendm\n\tnop\n", bytes_of({0x01, 0x01})},
        Program{"NestedDefinition", "o:\tmacro\ni:\tmacro\n\tdc.b\t9\n\tendm\n\tendm\n\to\n\ti\n", bytes_of({9})},
        Program{"MexitEndsExpansion", "m:\tmacro\n\tdc.b\t1\n\tif\t\\1\n\tmexit\n\tendif\n\tdc.b\t2\n\tendm\n\tm\t1\n\tm\t0\n",
                bytes_of({1, 1, 2})},
        Program{"RecursionWithCondition",
                "m:\tmacro\n\tif\t\\1\n\tdc.b\t\\1\n\tm\t\\1-1\n\tendif\n\tendm\n\tm\t3\n", bytes_of({3, 2, 1})}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Repeats, SourceBytesTest,
    ::testing::Values(
        Program{"CountZeroAssemblesNothing", "\trepeat\t0\n\tnop\n\tendr\n\tswi\n", bytes_of({0x3F})},
        Program{"CountThree", "\trepeat\t3\n\tinx\n\tendr\n", bytes_of({0x08, 0x08, 0x08})},
        Program{"IrpOverThreeItems", "\tirp\t\\r,1,2,3\n\tdc.b\t\\r\n\tendr\n", bytes_of({1, 2, 3})},
        Program{"RepeatlTakesQuotedItems", "\trepeatl\t\\s,\"a\",\"b\"\n\tdc.b\t'\\s'\n\tendr\n", bytes_of({'a', 'b'})},
        Program{"Nested", "\trepeat\t2\n\trepeat\t2\n\tnop\n\tendr\n\tswi\n\tendr\n",
                bytes_of({0x01, 0x01, 0x3F, 0x01, 0x01, 0x3F})},
        Program{"RexitEndsRepeat", "n:\tset\t0\n\trepeat\t10\nn:\tset\tn+1\n\tif\tn==3\n\trexit\n\tendif\n\tdc.b\tn\n\tendr\n",
                bytes_of({1, 2})},
        Program{"UniqueLabelPerIteration", "\trepeat\t2\n\\@:\tbra\t\\@\n\tendr\n", bytes_of({0x20, 0xFE, 0x20, 0xFE})}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Conditionals, SourceBytesTest,
    ::testing::Values(
        Program{"IfElse", "\tif\t0\n\tdc.b\t1\n\telse\n\tdc.b\t2\n\tendif\n", bytes_of({2})},
        Program{"Comparisons",
                "\tifeq\t0\n\tdc.b\t1\n\tendc\n\tiflt\t-1\n\tdc.b\t2\n\tendc\n\tifle\t1\n\tdc.b\t3\n\tendc\n"
                "\tifgt\t1\n\tdc.b\t4\n\tendc\n\tifge\t0\n\tdc.b\t5\n\tendc\n\tifne\t0\n\tdc.b\t6\n\tendc\n",
                bytes_of({1, 2, 4, 5})},
        Program{"Strings", "\tifc\t\"ab\",\"ab\"\n\tdc.b\t1\n\tendif\n\tifnc\t\"ab\",\"ac\"\n\tdc.b\t2\n\tendif\n", bytes_of({1, 2})},
        Program{"InnerIfOfFalseBlockStaysFalse",
                "\tif\t0\n\tif\t1\n\tdc.b\t1\n\telse\n\tdc.b\t2\n\tendif\n\telse\n\tdc.b\t3\n\tendif\n", bytes_of({3})},
        Program{"IfdefBeforeDefinitionIsFalse",
                "\tifdef\tlater\n\tdc.b\t1\n\tendif\nlater:\n\tifdef\tlater\n\tdc.b\t2\n\tendif\n\tifndef\tnever\n\tdc.b\t3\n\tendif\n",
                bytes_of({2, 3})},
        Program{"HashForms", "#define\tFOO\t3\n#ifdef\tFOO\n#if\tFOO==3\n\tdc.b\tFOO\n#else\n\tdc.b\t0\n#endif\n#endif\n", bytes_of({3})},
        Program{"FalseBlockSkipsBadLines", "\tif\t0\n\tgarbage here\n\tldaa\t#999\n\tendif\n", bytes_of({})}),
    [](const auto& info) { return std::string(info.param.name); });

struct Failure {
    const char* name;
    const char* source;
    const char* diagnostics;
};

class SourceErrorTest : public AsmTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(SourceErrorTest, Diagnostics) {
    AsmRun r = assemble(GetParam().source);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.has_object);
    EXPECT_EQ(r.diagnostics, GetParam().diagnostics);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, SourceErrorTest,
    ::testing::Values(
        Failure{"MacroDefinedTwice", "m:\tmacro\n\tendm\nm:\tmacro\n\tendm\n", "#error ccasm t.s:3\tsymbol m multiply defined\n"},
        Failure{"MacroWithoutName", "\tmacro\n\tendm\n", "#error ccasm t.s:1\tmissing label\n"},
        Failure{"MacroNameStartsWithDigit", "1$:\tmacro\n\tendm\n", "#error ccasm t.s:1\tbad symbol name: 1$\n"},
        Failure{"BadParameter", "m:\tmacro\tx\n\tendm\n", "#error ccasm t.s:1\tmissing argument name\n"},
        Failure{"ArgumentBeyondCount", "m:\tmacro\n\tdc.b\t1\\2\n\tendm\n\tm\t1\n", "#error ccasm t.s:4\tbad argument number\n"},
        Failure{"UnknownNamedArgument", "m:\tmacro\t\\a\n\tdc.b\t\\b\n\tendm\n\tm\t1\n",
                "#error ccasm t.s:4\tunknown macro argument b\n"},
        Failure{"TooManyArguments",
                "m:\tmacro\n\tendm\n\tm\t1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,"
                "33,34,35,36,37,38,39,40,41,42,43,44,45,46,47,48,49,50,51,52,53,54,55,56,57,58,59,60,61,62,63\n",
                "#error ccasm t.s:3\ttoo many arguments\n"},
        Failure{"MacroInsideRepeat", "\trepeat\t1\nm:\tmacro\n\tendm\n\tendr\n", "#error ccasm t.s:4\tmisplaced macro directive\n"},
        Failure{"EndmWithoutMacro", "\tendm\n", "#error ccasm t.s:1\tmisplaced endm directive\n"},
        Failure{"MexitOutsideMacro", "\tmexit\n", "#error ccasm t.s:1\tno macro in expansion\n"},
        Failure{"RexitOutsideRepeat", "\trexit\n", "#error ccasm t.s:1\tno repeat in expansion\n"},
        Failure{"UnclosedMacro", "m:\tmacro\n\tnop\n", "#error ccasm t.s:2\tunclosed macro\n"},
        Failure{"UnclosedRepeat", "\trepeat\t2\n\tnop\n", "#error ccasm t.s:2\tunclosed repeat\n"},
        Failure{"UnclosedIf", "\tif\t1\n\tnop\n", "#error ccasm t.s:2\tunclosed if\n"},
        Failure{"BadElse", "\telse\n", "#error ccasm t.s:1\tbad else\n"},
        Failure{"BadEndif", "\tendif\n", "#error ccasm t.s:1\tbad endif\n"},
        Failure{"IfOpenAtEndOfMacro", "m:\tmacro\n\tif\t1\n\tendm\n\tm\n\tnop\n", "#error ccasm t.s:4\tbad if/endif balance\n"},
        Failure{"RelocatableCondition", "l:\n\tif\tl\n\tendif\n", "#error ccasm t.s:2\trelocatable expression not allowed\n"},
        Failure{"MissingString", "\tifc\t\"a\"\n\tendif\n", "#error ccasm t.s:1\tmissing string\n"},
        Failure{"RecursiveMacro", "m:\tmacro\n\tm\n\tendm\n\tm\n", "#error ccasm t.s:4\tmacro nesting too deep\n"},
        // the whole expansion is given up, not each of its 2^1000 calls
        Failure{"MacroCallingItselfTwice", "m:\tmacro\n\tm\n\tm\n\tendm\n\tm\n\tnop\n",
                "#error ccasm t.s:5\tmacro nesting too deep\n"},
        Failure{"MacroUsedBeforeDefinition", "\tm\nm:\tmacro\n\tendm\n", "#error ccasm t.s:1\tunknown instruction m\n"},
        Failure{"RelocatableRepeatCount", "l:\n\trepeat\tl\n\tendr\n", "#error ccasm t.s:2\tbad relocatable expression\n"},
        Failure{"IncludeCannotOpen", "\tinclude\t\"nothere.s\"\n", "#error ccasm t.s:1\tcan't open nothere.s\n"},
        Failure{"IncludeWithoutString", "\tinclude\tfile\n", "#error ccasm t.s:1\tbad file name\n"},
        Failure{"IncludesItself", "\tinclude\t\"t.s\"\n", "#error ccasm t.s:1\tinclude nesting too deep: t.s\n"},
        // each at the line of the source that started it
        Failure{"IncludesItselfTwice", "\tinclude\t\"t.s\"\n\tinclude\t\"t.s\"\n",
                "#error ccasm t.s:1\tinclude nesting too deep: t.s\n#error ccasm t.s:2\tinclude nesting too deep: t.s\n"},
        Failure{"FailWithString", "\tfail\t\"stop here\"\n", "#error ccasm t.s:1\tstop here\n"},
        Failure{"FailWithNumber", "\tfail\t3*4\n", "#error ccasm t.s:1\tfail 12\n"},
        Failure{"LineWithoutName", "\t(1)\n", "#error ccasm t.s:1\tbad comment delimiter\n"},
        Failure{"OldSyntaxStarCommentNeedsM", "* comment\n", "#error ccasm t.s:1\tbad comment delimiter\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AsmTest, OldSyntax) {
    // labels in the first column need no colon, '*' starts a comment line,
    // byte values are not range-checked, ds takes 0, quoted macro arguments
    // keep their quotes, and a missing argument is no error
    ccasm::Options opt;
    opt.old_syntax = true;
    AsmRun r = assemble("* comment\nstart\tnop\nm\tmacro\n\tfcc\t\\1\\2\n\tendm\n\tm\t\"ab\"\n"
                        "\tdc.b\t300\n\tds\t0\n\tbra\tstart\n",
                        opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0x01, 'a', 'b', 0x2C, 0x20, 0xFA}));
    opt.label_syntax = true;  // labels written with ':' are public
    AsmRun p = assemble("one:\tnop\ntwo\tnop\n", opt);
    ASSERT_EQ(p.status, 0) << p.diagnostics;
    ASSERT_EQ(p.obj.symbols.size(), 1u);
    EXPECT_EQ(p.obj.symbols[0].name, "one");
}

TEST_F(AsmTest, OldSyntaxSectionNumbers) {
    ccasm::Options opt;
    opt.old_syntax = true;
    AsmRun r = assemble("s1:\tsection\t5\n\tdc.b\t1\n\tswitch\t.data\n\tdc.b\t9\n\tsection\t5\n\tdc.b\t2\n"
                        "\tsection\t255\n\tdc.b\t3\n",
                        opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes("s1"), bytes_of({1, 2}));
    EXPECT_EQ(r.bytes(".bsct"), bytes_of({3}));
    AsmRun bad = assemble("\tsection\t7\n", opt);
    EXPECT_EQ(bad.diagnostics, "#error ccasm t.s:1\tsection number not assigned\n");
}

TEST_F(AsmTest, IncludeSearchesTheDirectoriesInOrder) {
    write("one/inc.s", "\tdc.b\t1\n");
    write("two/inc.s", "\tdc.b\t2\n");
    write("two/only.s", "\tdc.b\t3\n\tend\n\tdc.b\t4\n");
    ccasm::Options opt;
    opt.include_dirs = {"one", "two"};
    AsmRun r = assemble("\tinclude\t\"inc.s\"\n\tinclude\t\"only.s\"\n\tdc.b\t5\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({1, 3, 5}));
}

TEST_F(AsmTest, IncludeNamesWithEitherSeparator) {
    write("sub/a.s", "\tdc.b\t1\n");
    write("sub/b.s", "\tdc.b\t2\n");
    AsmRun r = assemble("\tinclude\t\"sub\\a.s\"\n\tinclude\t\"sub/b.s\"\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({1, 2}));
}

TEST_F(AsmTest, DiagnosticsNameTheIncludedFileAndTheSfileSource) {
    write("inc.s", "\tnop\n\tbad1\n");
    AsmRun r = assemble("\tinclude\t\"inc.s\"\n\t.sfile\t\"orig.c\",100\n\tnop\n\tbad2\n\t.sfile\n\tbad3\n");
    EXPECT_EQ(r.diagnostics,
              "#error ccasm inc.s:2\tunknown instruction bad1\n"
              "#error ccasm orig.c:101\tunknown instruction bad2\n"
              "#error ccasm t.s:6\tunknown instruction bad3\n");
}

TEST_F(AsmTest, MessgWritesOncePerSource) {
    testing::internal::CaptureStdout();
    AsmRun r = assemble("\tmessg\t\"hello\"\nl:\tbra\tm\n\tds\t200\nm:\n");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(out, "hello\n");
}

TEST_F(AsmTest, LinesOfAnyLengthAndLineEnds) {
    // a long line is one statement, CRLF and a last line without a line end are whole lines
    std::string values;
    for (int i = 0; i < 20000; ++i) values += i ? ",7" : "7";
    AsmRun r = assemble("\tdc.b\t" + values + "\r\n\tnop\r\n\tswi");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::vector<uint8_t> expect(20000, 7);
    expect.push_back(0x01);
    expect.push_back(0x3F);
    EXPECT_EQ(r.bytes(), expect);
    std::string name(100000, 'q');
    AsmRun bad = assemble("\t" + name + "\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.diagnostics, "#error ccasm t.s:1\tunknown instruction " + name + "\n");
}

TEST_F(AsmTest, BinaryGarbageIsDiagnosedNotCrashed) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37 + 11) & 0xFF);
    AsmRun r = assemble(junk);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.has_object);
    EXPECT_EQ(r.diagnostics.rfind("#error ccasm t.s:", 0), 0u);
}

}  // namespace
