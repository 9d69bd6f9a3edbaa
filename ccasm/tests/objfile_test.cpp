// The object file byte for byte: header, section records, relocation
// streams, symbol records and debug records.
#include "ccasm/tests/asm_fixture.h"

namespace {

TEST_F(AsmTest, WholeObjectFileByteForByte) {
    // main (bucket 8) and ext (bucket 9) each go to the head of the list:
    // main is symbol 3 and ext symbol 4, after the two sections.
    AsmRun r = assemble("\txref\text\n\txdef\tmain\nmain:\tjsr\text\n\tswitch\t.bss\nbuf:\tds\t3\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    const std::vector<uint8_t> expect = {
        // header: magic, model 1 and 4, 2 sections, 2 symbols at 0x72 (21 bytes), no debug records at 0x87
        0xCC, 0x01, 0x04, 0x02, 0, 0, 0, 2, 0, 0, 0, 0x72, 0, 0, 0, 21, 0, 0, 0, 0, 0, 0, 0, 0x87, 0, 0, 0, 0,
        // .text: code hilo, data at 0x6C (3 bytes), stream at 0x6F (3 bytes), start 0 twice
        0x82, 5, '.', 't', 'e', 'x', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0x6C, 0, 0, 0, 3, 0, 0, 0, 0x6F, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0,
        // .bss: bss hilo, no data and no stream, length 3
        0x03, 4, '.', 'b', 's', 's', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // .text data: jsr ext
        0xBD, 0x00, 0x00,
        // stream: gap 1, kind 1, index 4
        0x01, 0x81, 0x04,
        // main: value 0, defined and public, section 1
        0, 0, 0, 0, 0x05, 1, 4, 'm', 'a', 'i', 'n',
        // ext: value 0, referenced and public, no section
        0, 0, 0, 0, 0x06, 0, 3, 'e', 'x', 't',
    };
    EXPECT_EQ(r.image, expect);
}

struct Gap {
    int distance;
    std::vector<uint8_t> stream;  // gap bytes, then the item for `l` (section 1)
};

class RelocationGapTest : public AsmTest, public ::testing::WithParamInterface<Gap> {};

TEST_P(RelocationGapTest, GapForms) {
    std::string src = "l:\n";
    if (GetParam().distance) src += "\tds\t" + std::to_string(GetParam().distance) + "\n";
    src += "\tdc.w\tl\n";
    AsmRun r = assemble(src);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.obj.find(".text")->reloc, GetParam().stream);
}

INSTANTIATE_TEST_SUITE_P(
    Stream, RelocationGapTest,
    ::testing::Values(Gap{0, bytes_of({0x81, 0x01})}, Gap{1, bytes_of({0x01, 0x81, 0x01})},
                      Gap{63, bytes_of({0x3F, 0x81, 0x01})}, Gap{64, bytes_of({0x40, 0x40, 0x81, 0x01})},
                      Gap{16383, bytes_of({0x7F, 0xFF, 0x81, 0x01})},
                      Gap{16384, bytes_of({0x7F, 0xFF, 0x01, 0x81, 0x01})},
                      Gap{20000, bytes_of({0x7F, 0xFF, 0x4E, 0x21, 0x81, 0x01})},
                      Gap{32766, bytes_of({0x7F, 0xFF, 0x7F, 0xFF, 0x81, 0x01})}),
    [](const auto& info) { return "Distance" + std::to_string(info.param.distance); });

TEST_F(AsmTest, FieldsFollowEachOtherWithoutGaps) {
    AsmRun r = assemble("l:\tdc.w\tl,l\n\tdc.l\tl\n\tdc.b\t<l\n\tnop\n\tdc.b\t<l\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.obj.find(".text")->reloc, bytes_of({0x81, 1, 0x81, 1, 0x82, 1, 0x80, 1, 0x01, 0x80, 1}));
}

TEST_F(AsmTest, SymbolIndexAbove255TakesTwoBytes) {
    std::string src = "\txref\t";
    for (int i = 0; i < 300; ++i) src += (i ? ",e" : "e") + std::to_string(i);
    src += "\n";
    for (int i = 0; i < 300; ++i) src += "\tdc.b\t<e" + std::to_string(i) + "\n";
    AsmRun r = assemble(src);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    const objfile::Section* t = r.obj.find(".text");
    ASSERT_EQ(t->relocations.size(), 300u);
    bool wide = false;
    for (const objfile::Relocation& rel : t->relocations) {
        EXPECT_EQ(rel.wide_index, rel.index > 255);
        wide = wide || rel.wide_index;
        ASSERT_GE(rel.index, 2u);
        std::string expect = "e";
        expect += std::to_string(rel.offset);
        EXPECT_EQ(r.obj.symbols[rel.index - 2].name, expect);
    }
    EXPECT_TRUE(wide);
    // the item of symbol number 256: kind byte 0xA0, then 0x01 0x00
    std::string name = r.obj.symbols[256 - 2].name;
    size_t offset = static_cast<size_t>(std::stoi(name.substr(1)));
    size_t pos = 0, at = 0;
    std::vector<uint8_t> s = t->reloc;
    while (pos < s.size()) {
        if (s[pos] >= 0x80) {
            bool w = s[pos] & 0x20;
            if (at == offset) {
                EXPECT_EQ(s[pos], 0xA0);
                EXPECT_EQ(s[pos + 1], 0x01);
                EXPECT_EQ(s[pos + 2], 0x00);
            }
            pos += w ? 3 : 2;
            ++at;
        } else {
            ++pos;  // every field follows the previous one, so no gaps
        }
    }
}

TEST_F(AsmTest, SectionNameOfFourteenCharacters) {
    AsmRun r = assemble(".abcdefghijklm:\tsection\n\tnop\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::vector<uint8_t> rec(r.image.begin() + 28, r.image.begin() + 44);
    EXPECT_EQ(rec, bytes_of({0x82, 14, '.', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm'}));
}

TEST_F(AsmTest, EmptySectionsAreLeftOutUnlessASymbolLiesThere) {
    AsmRun r = assemble("\tswitch\t.data\n\tswitch\t.bsct\nz:\n\tswitch\t.text\n\tldaa\tz\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    ASSERT_EQ(r.obj.sections.size(), 2u);
    EXPECT_EQ(r.obj.sections[0].name, ".text");
    EXPECT_EQ(r.obj.sections[1].name, ".bsct");
    EXPECT_EQ(r.obj.sections[1].size, 0u);
    EXPECT_EQ(r.obj.find(".text")->relocations[0].index, 2u);
}

TEST_F(AsmTest, SectionsThatReceiveBytesOnlyAfterTheFirstPass) {
    // `yes` is not known when the first pass meets the condition: the bytes
    // of .data and of the new section come later, and are kept all the same
    AsmRun r = assemble("\tif\tyes\n\tswitch\t.data\n\tdc.b\t1\n.late:\tsection\n\tdc.b\t2\n\tswitch\t.text\n\tendif\n"
                        "l:\tdc.w\tl\nyes:\tequ\t1\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    ASSERT_EQ(r.obj.sections.size(), 3u);
    EXPECT_EQ(r.bytes(".data"), bytes_of({1}));
    EXPECT_EQ(r.bytes(".late"), bytes_of({2}));
    const objfile::Section* t = r.obj.find(".text");
    ASSERT_EQ(t->relocations.size(), 1u);
    EXPECT_EQ(t->relocations[0].index, 1u);
}

TEST_F(AsmTest, EmptyStartEndPairIsNotWritten) {
    AsmRun r = assemble("\t.dstart\t\"f~:1-1\"\n\t.dendfn\t\"f:1-1\"\n\t.dstart\t\"g~:2-2\"\n\tnop\n\t.dendfn\t\"g:2-2\"\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.obj.debug_count, 2u);
    ASSERT_EQ(r.obj.debug.size(), 2u);
    EXPECT_EQ(r.obj.debug[0].text, "g~:2-2");
    EXPECT_EQ(r.obj.debug[0].kind, 0x20);
    EXPECT_EQ(r.obj.debug[1].value, 1u);
    EXPECT_EQ(r.obj.debug[1].section, 1);
}

TEST_F(AsmTest, ObjectOfAGeneratedStyleProgram) {
    // sections, relocations against sections and symbols, symbols and debug
    // records of a compiler-style source, through the dump tool's text
    std::string dir = std::string(VY_SOURCE_DIR) + "/ccasm/tests/fixtures/";
    write("program.s", read(dir + "program.s"));
    AsmRun r = assemble_files({"program.s"});
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(objfile::dump(r.obj), read_text(dir + "program.dump.expected"));
}

TEST_F(AsmTest, ObjectNameFromTheSourceName) {
    write("dir.v2/prog.asm", "\tnop\n");
    write("noext", "\tnop\n");
    AsmRun r = assemble_files({"dir.v2/prog.asm", "noext"});
    EXPECT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_TRUE(std::filesystem::exists("dir.v2/prog.o"));
    EXPECT_TRUE(std::filesystem::exists("noext.o"));
}

TEST_F(AsmTest, NoObjectAfterErrorsAndNoPartialObject) {
    write("u.s", "\tbad\n");
    write("u.o", "old");
    AsmRun r = assemble_files({"u.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read("u.o"), "old");  // an object of an earlier run stays as it was
    std::filesystem::create_directories("t2.o");
    write("t2.s", "\tnop\n");
    AsmRun c = assemble_files({"t2.s"});
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.diagnostics, "#error ccasm t2.s:0 can't create t2.o\n");
}

}  // namespace
