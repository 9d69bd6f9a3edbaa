// Instruction encoding: operand forms, mode choice, byte immediates, errors
// and branch optimisation.
#include "ccasm/tests/asm_fixture.h"

namespace {

struct Encoding {
    const char* name;
    const char* source;
    std::vector<uint8_t> bytes;
};

class EncodingTest : public AsmTest, public ::testing::WithParamInterface<Encoding> {};

TEST_P(EncodingTest, Bytes) {
    const Encoding& e = GetParam();
    AsmRun r = assemble(e.source);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), e.bytes) << e.source;
}

INSTANTIATE_TEST_SUITE_P(
    Operands, EncodingTest,
    ::testing::Values(
        Encoding{"Immediate16UsesTheWordRow", "\tldd\t#1\n", bytes_of({0xCC, 0x00, 0x01})},
        Encoding{"IndexedYHasPrefix", "\tldaa\t0,y\n", bytes_of({0x18, 0xA6, 0x00})},
        Encoding{"CommaXIsOffsetZero", "\tldaa\t,x\n", bytes_of({0xA6, 0x00})},
        Encoding{"RegisterAloneIsIndexed", "\tstaa\tY\n", bytes_of({0x18, 0xA7, 0x00})},
        Encoding{"LargeAddressIsExtended", "\tldaa\t300\n", bytes_of({0xB6, 0x01, 0x2C})},
        Encoding{"LowByteMakesItDirect", "\tldaa\t<300\n", bytes_of({0x96, 0x2C})},
        Encoding{"GreaterForcesExtended", "\tldaa\t>$10\n", bytes_of({0xB6, 0x00, 0x10})},
        Encoding{"DirectWithoutDirectRowIsExtended", "\tjmp\t$10\n", bytes_of({0x7E, 0x00, 0x10})},
        Encoding{"ImmediateByteNegative", "\tldaa\t#-128\n", bytes_of({0x86, 0x80})},
        Encoding{"ImmediateWordFromByteValue", "\tldx\t#-1\n", bytes_of({0xCE, 0xFF, 0xFF})},
        Encoding{"PageThreePrefix", "\tcpd\t#$1234\n", bytes_of({0x1A, 0x83, 0x12, 0x34})},
        Encoding{"PageFourPrefix", "\tldx\t5,y\n", bytes_of({0xCD, 0xEE, 0x05})},
        Encoding{"BitSetDirectWithHash", "\tbset\t$20,#$81\n", bytes_of({0x14, 0x20, 0x81})},
        Encoding{"BitClearIndexedNoHash", "\tbclr\t4,x,$0F\n", bytes_of({0x1D, 0x04, 0x0F})},
        Encoding{"BranchOnBitY", "l:\tbrset\t$10,y,#$80,l\n", bytes_of({0x18, 0x1E, 0x10, 0x80, 0xFB})},
        Encoding{"TestIsOpcodeZero", "\ttest\n", bytes_of({0x00})},
        Encoding{"AliasesShareOpcodes", "\tasld\n\tlsld\n\tasl\t0,x\n\tlsl\t0,x\n",
                 bytes_of({0x05, 0x05, 0x68, 0x00, 0x68, 0x00})},
        Encoding{"UpperCaseMnemonic", "\tLDAA\t#1\n\tNop\n", bytes_of({0x86, 0x01, 0x01})},
        Encoding{"CharacterImmediate", "\tldab\t#'A'\n", bytes_of({0xC6, 0x41})},
        Encoding{"ZeroPageSymbolIsDirect", "\tswitch\t.bsct\nv:\tds.b\t1\n\tswitch\t.text\n\tldaa\tv\n",
                 bytes_of({0x96, 0x00})}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Branches, EncodingTest,
    ::testing::Values(
        Encoding{"BackwardShort", "l:\tnop\n\tbra\tl\n", bytes_of({0x01, 0x20, 0xFD})},
        Encoding{"FarConditionalIsInvertedAroundJmp", "\tbeq\tl\n\tds\t200\nl:\n",
                 [] {
                     auto v = bytes_of({0x26, 0x03, 0x7E, 0x00, 0xCD});
                     v.resize(205, 0);
                     return v;
                 }()},
        Encoding{"JmpNearBecomesBra", "\tjmp\tl\n\tds\t10\nl:\n",
                 [] {
                     auto v = bytes_of({0x20, 0x0A});
                     v.resize(12, 0);
                     return v;
                 }()},
        Encoding{"JsrNearBecomesBsr", "l:\trts\n\tjsr\tl\n", bytes_of({0x39, 0x8D, 0xFD})},
        Encoding{"BrnIsNeverLengthened", "l:\tbrn\tl\n", bytes_of({0x21, 0xFE})},
        Encoding{"ShortAtReachLimit", "\tbne\tl\n\tds\t127\nl:\n",
                 [] {
                     auto v = bytes_of({0x26, 0x7F});
                     v.resize(129, 0);
                     return v;
                 }()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AsmTest, SecondFarBranchUsesTheJumpOfTheFirst) {
    // The first beq becomes bne +3 / jmp far; the second, within reach of
    // that jmp, branches to it.
    AsmRun r = assemble("\tbeq\tfar\n\tnop\n\tbeq\tfar\n\tds\t300\nfar:\trts\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::vector<uint8_t> b = r.bytes();
    ASSERT_GE(b.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 8), bytes_of({0x26, 0x03, 0x7E, 0x01, 0x34, 0x01, 0x27, 0xFA}));
}

TEST_F(AsmTest, SizesThatWouldFlipForeverSettleByGrowing) {
    // direct makes v 256, extended makes it 255: after some passes the
    // instruction may only keep or grow its size, and the loop ends
    AsmRun r = assemble(".a:\tsection\tabs\n\torg\t$FE\n\tldaa\tv\ne:\nv:\tequ\t$200-e\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(".a"), bytes_of({0xB6, 0x00, 0xFF}));
    // a value that grows in every pass stops the loop with a diagnostic
    AsmRun g = assemble(".a:\tsection\tabs\n\tds\tn\ne:\nn:\tequ\te+1\n");
    EXPECT_EQ(g.status, 1);
    EXPECT_EQ(g.diagnostics, "#error ccasm t.s:4\tsymbol n does not settle\n");
}

TEST_F(AsmTest, CascadeOfLengthenedBranchesSettles) {
    const int links = 60;
    AsmRun r = assemble(cascade_of_branches(links, "ds"));
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::vector<uint8_t> b = r.bytes();
    ASSERT_EQ(b.size(), size_t(128 * links + 8));
    for (int i = 0; i < links; ++i) {
        uint32_t target = i + 1 < links ? 128 * (i + 1) + 5 : 128 * i + 135;
        std::vector<uint8_t> branch(b.begin() + 128 * i, b.begin() + 128 * i + 5);
        EXPECT_EQ(branch, bytes_of({0x26, 0x03, 0x7E, int(target >> 8), int(target & 0xFF)})) << "branch " << i;
    }
}

TEST_F(AsmTest, BranchToExternalIsLong) {
    // bsr and bra become jsr and jmp; bne then reaches the jmp to the same
    // external, and a branch to another external is not sent there.
    AsmRun r = assemble("\txref\tf,g\n\tbsr\tf\n\tbra\tf\n\tbne\tf\n\tbne\tg\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0xBD, 0, 0, 0x7E, 0, 0, 0x26, 0xFB, 0x27, 0x03, 0x7E, 0, 0}));
    const objfile::Section* t = r.obj.find(".text");
    ASSERT_EQ(t->relocations.size(), 3u);
    EXPECT_EQ(t->relocations[0].offset, 1u);
    EXPECT_EQ(t->relocations[0].kind, 1);
    // g (bucket 7) goes to the head of the list before f (bucket 6): g is
    // symbol 2 and f symbol 3, after section 1
    EXPECT_EQ(t->relocations[0].index, 3u);
    EXPECT_EQ(t->relocations[2].index, 2u);
}

TEST_F(AsmTest, BitBranchOutOfReachForcesAPassThenFails) {
    AsmRun r = assemble("l:\tbrset\t0,x,#1,far\n\tds\t200\nfar:\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.diagnostics, "#error ccasm t.s:1\tvalue too large\n");
}

struct Failure {
    const char* name;
    const char* source;
    const char* message;
    int line = 1;
};

class EncodingErrorTest : public AsmTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(EncodingErrorTest, Diagnostic) {
    const Failure& f = GetParam();
    ccasm::Options opt;
    opt.no_branch_opt = std::string(f.name).rfind("NoOpt", 0) == 0;
    AsmRun r = assemble(f.source, opt);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.has_object);
    EXPECT_EQ(r.diagnostics, "#error ccasm t.s:" + std::to_string(f.line) + "\t" + f.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Errors, EncodingErrorTest,
    ::testing::Values(
        Failure{"StoreImmediate", "\tstaa\t#1\n", "bad addressing mode"},
        Failure{"InherentWithOperand", "\tnop\t1\n", "bad comment delimiter"},
        Failure{"UnknownMnemonic", "\tldz\t#1\n", "unknown instruction ldz"},
        Failure{"IndexByA", "\tldaa\t0,a\n", "bad index register"},
        Failure{"IndexByNumber", "\tldaa\t0,5\n", "bad index register"},
        Failure{"OffsetTooLarge", "\tldaa\t256,x\n", "value too large"},
        Failure{"NegativeOffset", "\tldaa\t-1,x\n", "value too large"},
        Failure{"ByteImmediateBelowRange", "\tldaa\t#-129\n", "value too large"},
        Failure{"ByteImmediateAboveRange", "\tldab\t#256\n", "value too large"},
        Failure{"WordImmediateTooLarge", "\tldd\t#$10000\n", "value too large"},
        Failure{"MaskTooLarge", "\tbset\t0,x,#$100\n", "value too large"},
        Failure{"MaskWithoutComma", "\tbset\t$20\n", "syntax error"},
        Failure{"BitSetExtended", "\tbset\t$1000,#1\n", "bad addressing mode"},
        Failure{"BranchToOtherSection", "\tswitch\t.data\ndd:\n\tswitch\t.text\n\tbra\tdd\n",
                "bad relocatable expression", 4},
        Failure{"NoOptFarBranch", "\tbeq\tl\n\tds\t200\nl:\n", "value too large"},
        Failure{"NoOptBranchToExternal", "\txref\te\n\tbra\te\n", "bad relocatable expression", 2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
