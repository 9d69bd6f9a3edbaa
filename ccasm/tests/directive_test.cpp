// Directives: data and space, sections and their attributes, org, offset,
// save and restore, symbols by equ, set and xref.
#include "ccasm/tests/asm_fixture.h"

namespace {

struct Program {
    const char* name;
    const char* source;
    std::vector<uint8_t> bytes;
};

class DirectiveBytesTest : public AsmTest, public ::testing::WithParamInterface<Program> {};

TEST_P(DirectiveBytesTest, Bytes) {
    AsmRun r = assemble(GetParam().source);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Data, DirectiveBytesTest,
    ::testing::Values(
        Program{"DcBytesAndString", "\tdc.b\t1,-1,\"ab\",'c'\n", bytes_of({1, 0xFF, 'a', 'b', 'c'})},
        Program{"FcbFccFdb", "\tfcb\t1\n\tfcc\t\"x\"\n\tfdb\t$1234\n", bytes_of({1, 'x', 0x12, 0x34})},
        Program{"DcWordOfTwoCharString", "\tdc.w\t\"ab\"\n", bytes_of({'a', 'b'})},
        Program{"DcWordOfThreeCharStringIsPadded", "\tdc.w\t\"abc\"\n", bytes_of({0, 'a', 'b', 'c'})},
        Program{"DcWordStringIsAligned", "\tdc.b\t1\n\tdc.w\t\"ab\"\n", bytes_of({1, 0, 'a', 'b'})},
        Program{"DcWordShortStringAsIs", "\tdc.w\t\"a\"\n", bytes_of({'a'})},
        Program{"DcLong", "\tdc.l\t$12345678,-1\n", bytes_of({0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF, 0xFF, 0xFF})},
        Program{"DcbRepeats", "\tdcb.w\t2,$1234\n\tdcb\t3,7\n", bytes_of({0x12, 0x34, 0x12, 0x34, 7, 7, 7})},
        Program{"DsFillsWithZero", "\tds\t2\n\tds.w\t1\n\tds.l\t1\n\trmb\t1\n", std::vector<uint8_t>(9, 0)},
        Program{"AlignWithFill", "\tdc.b\t1\n\talign\t4,$EE\n\tdc.b\t2\n", bytes_of({1, 0xEE, 0xEE, 0xEE, 2})},
        Program{"Even", "\tdc.b\t1\n\teven\n\tdc.b\t2\n\teven\n", bytes_of({1, 0, 2, 0})},
        Program{"OrgMovesForward", "\tdc.b\t1\n\torg\t4\n\tdc.b\t2\n", bytes_of({1, 0, 0, 0, 2})},
        Program{"BaseSixteen", "\tbase\t16\n\tdc.b\t10,1b,10d\n", bytes_of({0x10, 1, 10})},
        Program{"OffsetDefinesFieldOffsets",
                "\toffset\t0\nf1:\tds\t2\nf2:\tds\t1\nsize:\n\tswitch\t.text\n\tdc.b\tf1,f2,size\n", bytes_of({0, 2, 3})},
        Program{"OffsetEndsAtAnInstruction", "\toffset\t4\nf:\tds\t1\nl:\tnop\n\tdc.b\tf\n\tdc.w\tl\n",
                bytes_of({0x01, 4, 0, 0})},
        Program{"EquBitSymbol", "bt:\tequ\t$10,3\n\tdc.b\tbt\n", bytes_of({0x83})},
        Program{"SetMayBeSetAgain", "v:\tset\t1\n\tdc.b\tv\nv:\tset\tv+1\n\tdc.b\tv\n", bytes_of({1, 2})},
        Program{"SaveRestore", "\tsave\n\tswitch\t.data\n\tdc.b\t9\n\trestore\n\tdc.b\t1\n", bytes_of({1})},
        Program{"CommentForms", "\tnop\t; a comment\n\tnop // another\n; whole line\n", bytes_of({1, 1})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AsmTest, FillByteOption) {
    ccasm::Options opt;
    opt.fill = 0xFF;
    AsmRun r = assemble("\tdc.b\t1\n\tds\t2\n\talign\t4\n\tdc.w\t\"abc\"\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({1, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'}));
}

TEST_F(AsmTest, SectionAttributesFromOtherSections) {
    AsmRun r = assemble(".my:\tsection\t.data,+zpage\n\tdc.b\t1\n.nb:\tsection\t.bss,-hilo,even\n\tds\t3\n"
                        ".cd:\tsection\n\tnop\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    ASSERT_NE(r.obj.find(".my"), nullptr);
    EXPECT_EQ(r.obj.find(".my")->attr, 0x0A);
    EXPECT_EQ(r.obj.find(".nb")->attr, 0x05);
    EXPECT_EQ(r.obj.find(".nb")->size, 4u);  // even: padded to 4
    EXPECT_EQ(r.obj.find(".cd")->attr, 0x82);
}

TEST_F(AsmTest, OrgInAbsoluteSectionSetsTheStart) {
    AsmRun r = assemble(".abs:\tsection\tabs\n\torg\t$100\nl:\tdc.b\t1\n\torg\t$104\n\tdc.w\tl\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    const objfile::Section* s = r.obj.find(".abs");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->start, 0x100u);
    EXPECT_EQ(s->start2, 0x100u);
    EXPECT_EQ(s->data, bytes_of({1, 0, 0, 0, 0x01, 0x00}));
    EXPECT_TRUE(s->relocations.empty());  // labels of an absolute section are constants
    AsmRun back = assemble(".abs:\tsection\tabs\n\torg\t$100\n\tnop\n\torg\t$80\n");
    EXPECT_EQ(back.diagnostics, "#error ccasm t.s:4\tcannot move back current pc\n");
    // the first org gives the start; a second one, before any byte, is taken relative to it
    AsmRun again = assemble(".abs:\tsection\tabs\n\torg\t$100\n\torg\t$80\n\tnop\n");
    EXPECT_EQ(again.diagnostics, "#error ccasm t.s:3\tcannot move back current pc\n");
    AsmRun forward = assemble(".abs:\tsection\tabs\n\torg\t$100\n\torg\t$102\n\tnop\n");
    ASSERT_EQ(forward.status, 0) << forward.diagnostics;
    EXPECT_EQ(forward.obj.find(".abs")->start, 0x100u);
    EXPECT_EQ(forward.bytes(".abs"), bytes_of({0, 0, 0x01}));
}

TEST_F(AsmTest, AbsoluteOptionMakesPredefinedSectionsAbsolute) {
    ccasm::Options opt;
    opt.abs = true;
    AsmRun r = assemble("\torg\t$F000\nl:\tbra\tl\n\tjmp\tl\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.obj.find(".text")->attr, 0x92);
    EXPECT_EQ(r.obj.find(".text")->start, 0xF000u);
    EXPECT_EQ(r.bytes(), bytes_of({0x20, 0xFE, 0x7E, 0xF0, 0x00}));
}

TEST_F(AsmTest, NewSectionsOfOneName) {
    AsmRun r = assemble(".s:\tsection\tnew\n\tdc.b\t1\n.s:\tsection\tnew\n\tdc.b\t2\n\tswitch\t.s\n\tdc.b\t3\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    ASSERT_EQ(r.obj.sections.size(), 2u);
    EXPECT_EQ(r.obj.sections[0].data, bytes_of({1}));
    EXPECT_EQ(r.obj.sections[1].data, bytes_of({2, 3}));
}

TEST_F(AsmTest, XrefKinds) {
    AsmRun r = assemble("\txref.b\tz\n\txref.l\tl\n\txbit.b\tbt\n\txdef\tz2\n\tldaa\tz\n\tdc.l\tl\n\tdc.b\tbt\n"
                        "\tswitch\t.bsct\nz2:\tds\t1\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.symbol("z")->flags, 0x0E);  // referenced, public, zpage
    EXPECT_EQ(r.symbol("l")->flags, 0x46);
    EXPECT_EQ(r.symbol("bt")->flags, 0x2E);
    EXPECT_EQ(r.symbol("z2")->flags, 0x0D);  // defined, public, zpage
    EXPECT_EQ(r.bytes(), bytes_of({0x96, 0, 0, 0, 0, 0, 0}));
}

struct Failure {
    const char* name;
    const char* source;
    const char* message;
    int line = 1;
};

class DirectiveErrorTest : public AsmTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(DirectiveErrorTest, Diagnostic) {
    const Failure& f = GetParam();
    AsmRun r = assemble(f.source);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.has_object);
    EXPECT_EQ(r.diagnostics, "#error ccasm t.s:" + std::to_string(f.line) + "\t" + f.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DirectiveErrorTest,
    ::testing::Values(
        Failure{"ByteTooLarge", "\tdc.b\t256\n", "value too large"},
        Failure{"ByteTooSmall", "\tdc.b\t-129\n", "value too large"},
        Failure{"WordTooLarge", "\tdc.w\t$10000\n", "value too large"},
        Failure{"RelocatableWordInByte", "l:\tdc.b\tl\n", "value too large"},
        Failure{"DcbNegativeCount", "\tdcb\t-1,0\n", "value too large"},
        Failure{"DcbByteTooLarge", "\tdcb.b\t2,300\n", "bad relocatable expression"},
        Failure{"DsZero", "\tds\t0\n", "illegal size"},
        Failure{"DsHuge", "\tds\t$7FFFFFFF\n", "illegal size"},
        Failure{"DsRelocatable", "l:\tds\tl\n", "relocatable expression not allowed"},
        Failure{"AlignZero", "\talign\t0\n", "illegal alignment"},
        Failure{"AlignBadFill", "\talign\t2,300\n", "illegal fill value"},
        Failure{"EquWithoutLabel", "\tequ\t1\n", "missing label"},
        Failure{"EquTwice", "a1:\tequ\t1\na1:\tequ\t1\n", "symbol a1 multiply defined", 2},
        Failure{"EquOfRegister", "x:\tequ\t1\n", "bad symbol name: x"},
        Failure{"BitNumber", "bt:\tequ\t1,8\n", "invalid bit number"},
        Failure{"BitOfBitSymbol", "bt:\tequ\t1,2\nc:\tequ\tbt,3\n", "invalid bit definition", 2},
        Failure{"SwitchUnknown", "\tswitch\t.nothere\n", "symbol .nothere not defined"},
        Failure{"RestoreWithoutSave", "\trestore\n", "missing save directive"},
        Failure{"InvalidBase", "\tbase\t3\n", "invalid base"},
        Failure{"UnknownAttribute", ".s:\tsection\tfast\n", "unknown attribute fast"},
        Failure{"SectionNameTooLong", ".abcdefghijklmn:\tsection\n", "section name .abcdefghijklmn too long"},
        Failure{"SectionDeclaredTwice", ".s:\tsection\n.s:\tsection\n", "symbol .s multiply defined", 2},
        Failure{"PredefinedDeclared", ".text:\tsection\n", "symbol .text multiply defined"},
        Failure{"XrefOfRegister", "\txref\ta\n", "bad symbol name: a"},
        Failure{"XrefOfLocal", "\txdef\t1$\n", "bad symbol name: 1$"},
        Failure{"DataInBss", "\tswitch\t.bss\n\tdc.b\t1\n", "no data allowed in bss section", 2},
        Failure{"InstructionInBss", "\tswitch\t.ubsct\n\tnop\n", "no data allowed in bss section", 2},
        Failure{"LabelOnListingDirective", "l:\tpage\n", "label not allowed"},
        Failure{"BadSource", "\t.source\t\"file\"\n", "bad .source directive"},
        Failure{"CommentDelimiter", "\tdc.b\t1 2\n", "bad comment delimiter"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
