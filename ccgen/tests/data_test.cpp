// Data records to assembly text: items, strings, floats, spaces, address
// items, sections, debug text and switch tables, from intermediate files
// built byte by byte and from files that ccparse writes.
#include <gtest/gtest.h>

#include <functional>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/ir_builder.h"

namespace {

using vytest::IrBuilder;

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

struct RecordCase {
    const char* name;
    std::function<void(IrBuilder&)> records;
    const char* text;  // the body: without the include line and the end line
    std::vector<std::string> options = {};
    bool error = false;
};

const RecordCase record_cases[] = {
    {"short_string_gets_its_zero", [](IrBuilder& b) { b.string("abc"); }, "\tdc.b\t\"abc\",0\n"},
    {"control_bytes_as_numbers", [](IrBuilder& b) { b.string("\x01\x02\x03"); }, "\tdc.b\t1,2,3,0\n"},
    {"quote_closes_the_run", [](IrBuilder& b) { b.string("ab\"c"); }, "\tdc.b\t\"ab\",34\n\tdc.b\t\"c\",0\n"},
    {"numbers_six_to_a_line",
     [](IrBuilder& b) { b.string(std::string("\x80\x81\x82\x83\x84\x85\x86zz")); },
     "\tdc.b\t128,129,130,131,132,133\n\tdc.b\t134,122,122,0\n"},
    {"characters_eighteen_to_a_line", [](IrBuilder& b) { b.string("abcdefghijklmnopqrstuvwxyz"); },
     "\tdc.b\t\"abcdefghijklmnopqr\"\n\tdc.b\t\"stuvwxyz\",0\n"},
    {"semicolons_and_blanks_in_strings", [](IrBuilder& b) { b.string("a b;/<$%"); },
     "\tdc.b\t\"a b;/<$%\",0\n"},
    {"full_chunk_then_empty_chunk",
     [](IrBuilder& b) { b.string(std::string(255, 'x')); },
     nullptr},
    {"empty_string_is_a_zero", [](IrBuilder& b) { b.u8(148).u8(0); }, "\tdc.b\t0\n"},
    {"integer_items",
     [](IrBuilder& b) { b.int_item(1, 0x1FF).int_item(2, 0xFFFF).int_item(2, 32767).int_item(4, 0x12345678).int_item(4, -1); },
     "\tdc.b\t255\n\tdc.w\t-1\n\tdc.w\t32767\n\tdc.l\t305419896\n\tdc.l\t-1\n"},
    {"floating_items_as_words",
     [](IrBuilder& b) { b.real_item(8, 1.0).real_item(4, 1.0).real_item(4, 0.1).real_item(8, -0.5); },
     "\tdc.w\t16368,0,0,0\n\tdc.w\t16256,0\n\tdc.w\t15820,-13107\n\tdc.w\t-16416,0,0,0\n"},
    {"bss_object", [](IrBuilder& b) { b.declare("x").zero(2).zero(3).end_data(); },
     "\tswitch\t.bss\n_x:\n\tds.b\t5\n"},
    {"bss_refused_under_option", [](IrBuilder& b) { b.declare("x").zero(2).end_data(); },
     "\tswitch\t.data\n_x:\n\tds.b\t2\n", {"-bss"}},
    {"initialised_object",
     [](IrBuilder& b) { b.declare("x").zero(1).int_item(1, 7).end_data().pub("x"); },
     "\tswitch\t.data\n_x:\n\tds.b\t1\n\tdc.b\t7\n\txdef\t_x\n"},
    {"zero_page_and_eeprom_spaces",
     [](IrBuilder& b) {
         b.u8(186).name("dir", 0).u8(186).name("eeprom", 0);
         b.declare_space(0x80, "z").zero(2).end_data();
         b.declare_space(0x40, "e").int_item(2, 5).end_data();
         b.external("q", 0x80);
     },
     "\tbsct\n_z:\n\tds.b\t2\n.eeprom:\tsection\n_e:\n\tdc.w\t5\n\txref.b\t_q\n"},
    {"constant_object",
     [](IrBuilder& b) { b.declare_space(0x8000, "k").int_item(2, 7).end_data(); },
     ".const:\tsection\n_k:\n\tdc.w\t7\n"},
    {"constants_in_code",
     [](IrBuilder& b) { b.declare_space(0x8000, "k").int_item(2, 7).end_data(); },
     "_k:\n\tdc.w\t7\n", {"-ct"}},
    {"literal_block", [](IrBuilder& b) { b.label_data(12).string("hi").end_data(); },
     ".const:\tsection\nL41:\n\tdc.b\t\"hi\",0\n"},
    {"address_items",
     [](IrBuilder& b) {
         b.address(192, "x", 0).address(192, "x", 4).address(192, "x", -2).address(192, "", 77);
         b.address(197, "x", 1).u8(192).label_name(12).u32(0);
         b.address(192, "f", 0, vytest::A_FUNCTION);
     },
     "\tdc.w\t_x\n\tdc.w\t_x+4\n\tdc.w\t_x-2\n\tdc.w\t77\n\tdc.b\t_x+1\n\tdc.w\tL41\n"
     "\t.dcall\t\":_f\"\n\tdc.w\t_f\n"},
    {"far_address_items",
     [](IrBuilder& b) { b.address(200, "tab", 4).address(200, "", 9).address(200, "tab", 0); },
     "\tdc.w\tpage(_tab+4),_tab+4\n\tdc.l\t9\n\tdc.w\tpage(_tab),_tab\n"},
    {"absolute_symbol_is_an_equate", [](IrBuilder& b) { b.u8(201).u8(0).name("x", 0x91).u32(0x20); },
     "_x:\tequ\t32\n"},
    {"public_and_external_names", [](IrBuilder& b) { b.pub("x", 0, 2).external("y").pub("main", 0, 0); },
     "\txdef\t_x\n\txref\t_y\n\txdef\t_main\n"},
    {"verbatim_text_and_its_end",
     [](IrBuilder& b) { b.line(4).asm_text("\tnop\n").asm_text(" x: ; y\n").line(6).declare("v").zero(1).end_data(); },
     "\t.sfile\t\"t.c\",4\n\tnop\n\t.sfile\t\"t.c\",4\n x: ; y\n\tswitch\t.text\n\t.sfile\n"
     "\tswitch\t.bss\n_v:\n\tds.b\t1\n"},
    {"verbatim_text_cut_by_the_writer_is_one_text",
     [](IrBuilder& b) {
         std::string text(250, 'a');
         text += "\tldaa #26\n";
         b.asm_text(text.substr(0, 255)).asm_text(text.substr(255));
     },
     nullptr},
    {"sections_by_pragma",
     [](IrBuilder& b) {
         b.u8(204).u16(0x4000).u8(6).text("mydata").declare("a").int_item(1, 1).end_data();
         b.u8(204).u16(0x0000).u8(6).text("myvars").declare("b").zero(1).end_data();
         b.u8(204).u16(0x8000).u8(5).text("myrom").declare_space(0x8000, "c").int_item(1, 2).end_data();
         b.u8(204).u16(0x4000).u8(0).declare("d").int_item(1, 3).end_data();
     },
     ".mydata:\tsection\n_a:\n\tdc.b\t1\n.myvars:\tsection\t.bss\n_b:\n\tds.b\t1\n"
     ".myrom:\tsection\n_c:\n\tdc.b\t2\n\tswitch\t.data\n_d:\n\tdc.b\t3\n"},
    {"section_name_too_long",
     [](IrBuilder& b) { b.u8(204).u16(0x4000).u8(16).text("abcdefghijklmnop").declare("a").int_item(1, 1); },
     ".abcdefghijklm:\tsection\n_a:\n\tdc.b\t1\n", {}, true},
    {"debug_description",
     [](IrBuilder& b) {
         b.u8(215).u8(0).name("t.c", 0).u8(213).u8(0).label_name(2).int_item(4, 0x58000000);
         b.u8(214).u8(0).name("t.c~main", 0).u8(187).u8(4).text("main").u8(200).label_name(2).u32(0);
     },
     "\tswitch\t.debug\n\t.dfile\t\"t.c\"\nL2:\n\tdc.l\t1476395008\n\t.dtable\t\"t.c~main\"\n"
     "\t.dstring\t\"~main\"\n\tdc.l\tL2\n"},
    {"space_errors",
     [](IrBuilder& b) {
         b.u8(186).name("dir", 0).u8(186).name("eeprom", 0).u8(186).name("dir", 0).u8(186).name("bogus", 0);
         b.declare_space(0x0001, "x").zero(1).end_data();
     },
     "\tswitch\t.bss\n_x:\n\tds.b\t1\n", {}, true},
    {"port_objects_cannot_be_initialised",
     [](IrBuilder& b) { b.u8(186).name("dir", 0).u8(186).name("eeprom", 0).u8(186).name("fast", 0).u8(186).name("port", 0).pub("p", 0x10); },
     "\txdef\t_p\n", {}, true},
    // interrupt functions share the port bit: defining one is no error
    {"interrupt_function_is_no_port_object",
     [](IrBuilder& b) { b.u8(186).name("interrupt", 0).u8(132).name("h", vytest::A_FUNCTION).u16(0x80).u32(0); },
     "\txdef\t_h\n"},
    {"failed_front_end_text",
     [](IrBuilder& b) { b.u8(254).u16(7).text("a b;c d"); },
     "a b;c d\tend\n", {}, true},
};

class Records : public ::testing::TestWithParam<RecordCase> {};

TEST_P(Records, AreWrittenAsData) {
    const RecordCase& c = GetParam();
    IrBuilder b;
    b.file("t.c").line(1);
    c.records(b);
    vytest::GenRun run = vytest::generate(b.bytes, c.options);
    ASSERT_TRUE(run.output_exists) << run.errors;
    EXPECT_EQ(run.status, c.error ? 1 : 0) << run.errors;
    EXPECT_EQ(run.errors.empty(), !c.error || std::string(c.name) == "failed_front_end_text") << run.errors;
    if (c.text) {
        EXPECT_EQ(joined(vytest::body_lines(run.asm_text)), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(Data, Records, ::testing::ValuesIn(record_cases),
                         [](const auto& info) { return std::string(info.param.name); });

std::string body_of(const std::function<void(IrBuilder&)>& records, std::vector<std::string> options = {}) {
    IrBuilder b;
    b.file("t.c").line(1);
    records(b);
    return joined(vytest::body_lines(vytest::generate(b.bytes, options).asm_text));
}

TEST(Data, ThePortObjectErrorNamesTheObject) {
    IrBuilder b;
    b.file("t.c").line(3).u8(186).name("port", 0).pub("p", 0x80);
    EXPECT_EQ(vytest::generate(b.bytes).errors, "#error ccgen t.c:3\tcan't initialize port objects: p\n");
}

TEST(Data, A255ByteRunHasNoZeroAndTheEmptyChunkEndsIt) {
    std::string text = body_of([](IrBuilder& b) { b.string(std::string(255, 'x')); });
    std::string line = "\tdc.b\t\"" + std::string(18, 'x') + "\"\n";
    std::string expected;
    for (int i = 0; i < 14; ++i) expected += line;
    expected += "\tdc.b\t\"" + std::string(3, 'x') + "\"\n\tdc.b\t0\n";
    EXPECT_EQ(text, expected);
}

TEST(Data, VerbatimTextCutInsideALineStaysOneText) {
    std::string text(250, 'a');
    text += "\tldaa #26\n";
    std::string out = body_of([&](IrBuilder& b) { b.asm_text(text.substr(0, 255)).asm_text(text.substr(255)); });
    EXPECT_EQ(out, "\t.sfile\t\"t.c\",1\n" + text + "\tswitch\t.text\n\t.sfile\n");
}

TEST(Data, SpaceMasksAreGivenInTheOrderOfDefinition) {
    vytest::engine_text([&](ccgen::Gen& e) {
        ccgen::define_space(e, "<dir");
        ccgen::define_space(e, "<eeprom");
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x0080), ccgen::SP_DIR);
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x0040), ccgen::SP_EEPROM);
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x1000), ccgen::SP_TINY | ccgen::SP_DIR);
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x3000), ccgen::SP_FAR);
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x2000), 0);
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x8080), ccgen::SP_CONST);  // const drops zero page
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0xC000), ccgen::SP_VOL);   // volatile drops const
        EXPECT_FALSE(e.errors);
        EXPECT_EQ(ccgen::map_space_modifiers(e, 0x0001), 0);
        EXPECT_TRUE(e.errors);
    });
}

// ------------------------------------------------------------ what ccparse writes

struct SourceCase {
    const char* name;
    const char* source;
    const char* text;
    std::vector<std::string> options = {};
};

const SourceCase source_cases[] = {
    {"uninitialised_objects",
     "char c;\nint i;\nlong l;\nint a[4];\nstruct s { char x; int y; } st;\n",
     "\tswitch\t.bss\n_c:\n\tds.b\t1\n\txdef\t_c\n_i:\n\tds.b\t2\n\txdef\t_i\n_l:\n\tds.b\t4\n\txdef\t_l\n"
     "_a:\n\tds.b\t8\n\txdef\t_a\n_st:\n\tds.b\t3\n\txdef\t_st\n"},
    {"without_bss", "int i;\n", "\tswitch\t.data\n_i:\n\tds.b\t2\n\txdef\t_i\n", {"-bss"}},
    {"static_object", "static int n;\n", "\tswitch\t.bss\n_n:\n\tds.b\t2\n"},
    {"object_at_an_address", "int x @ 0x20;\nchar port @ 0x1000;\n", "_x:\tequ\t32\n_port:\tequ\t4096\n"},
    {"zero_page_and_eeprom",
     "@dir int z;\n@eeprom char e;\n",
     "\tbsct\n_z:\n\tds.b\t2\n\txdef\t_z\n.eeprom:\tsection\n_e:\n\tds.b\t1\n\txdef\t_e\n"},
    {"section_pragmas",
     "#pragma section [myvars]\nint v;\n#pragma section []\nint w;\n",
     ".myvars:\tsection\t.bss\n_v:\n\tds.b\t2\n\txdef\t_v\n\tswitch\t.bss\n_w:\n\tds.b\t2\n\txdef\t_w\n"},
    {"assembly_block",
     "#asm\n\tnop\n#endasm\nint i;\n",
     "\t.sfile\t\"t.c\",2\n\tnop\n\tswitch\t.text\n\t.sfile\n\tswitch\t.bss\n_i:\n\tds.b\t2\n\txdef\t_i\n"},
};

class Sources : public ::testing::TestWithParam<SourceCase> {};

TEST_P(Sources, AreWrittenAsData) {
    const SourceCase& c = GetParam();
    vytest::ChainRun run = vytest::compile_and_generate(c.source, {}, c.options);
    ASSERT_EQ(run.front.status, 0) << run.front.errors;
    ASSERT_EQ(run.gen.status, 0) << run.gen.errors;
    EXPECT_EQ(joined(vytest::body_lines(run.gen.asm_text)), c.text);
}

INSTANTIATE_TEST_SUITE_P(Data, Sources, ::testing::ValuesIn(source_cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
