// The writer of the intermediate file, record by record, read back by the
// decoder: every record form, names, types, switch tables and the literal pool.
#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/options.h"
#include "ccparse/output.h"
#include "ccparse/source.h"
#include "ccparse/tests/front_harness.h"
#include "ccparse/tools/irdecode.h"
#include "ccparse/types.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace vy::cc;

// Writes the header and the records of `body` into a file and returns its
// bytes. The messages go to `errors` when given, else there must be none.
std::string written_bytes(const std::function<void()>& body, std::string* errors = nullptr) {
    vytest::TempDir dir;
    vytest::ToolHarness harness;
    // No source file is open: nothing of an earlier run may remain.
    opt.reset();
    diag_reset();
    source_reset();
    lexer_reset();
    types_reset();
    decl_reset();
    output_reset();
    ir_reset();
    EXPECT_TRUE(out_open_file(dir.file("t.ir").c_str(), true));
    write_ir_header();
    body();
    EXPECT_TRUE(out_close());
    if (errors)
        *errors = harness.errors();
    else
        EXPECT_EQ(harness.errors(), "");
    return dir.read("t.ir");
}

// The records of `body`, decoded (without the header line).
std::vector<std::string> written(const std::function<void()>& body, std::string* errors = nullptr) {
    std::string bytes = written_bytes(body, errors);
    vy::irdump::Decoded decoded = vy::irdump::decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_TRUE(decoded.ok) << decoded.error;
    return std::vector<std::string>(decoded.lines.begin() + 1, decoded.lines.end());
}

std::string hex_bytes(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        static const char digits[] = "0123456789ABCDEF";
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

Symbol* make_symbol(const char* name, TypeNode* type, std::uint16_t attr = 0, std::uint8_t kind = KIND_NONE) {
    static std::deque<Symbol> symbols;
    Symbol& s = symbols.emplace_back();
    s.name = intern(name);
    s.type = type;
    s.attr = attr;
    s.kind = kind;
    return &s;
}

TEST(IrWriter, EveryRecordForm) {
    std::vector<std::string> lines = written([] {
        TypeNode* fn = newtype(T_FUNCTION, type_int());
        TypeNode* dfn = newtype(T_FUNCTION, type_double());
        TypeNode* pointer = newtype(T_POINTER, type_char());
        pointer->attr = SPACE_FAR;
        TypeNode* field = newtype(T_INT_FIELD, nullptr);
        field->bit_offset = 3;
        field->bit_width = 5;
        Symbol* x = make_symbol("x", type_int());
        Symbol* f = make_symbol("f", fn, SPACE_FAR);
        Symbol* g = make_symbol("g", dfn, 0, KIND_EXTERN);
        Symbol* a = make_symbol("a", type_char(), 0, KIND_ABSOLUTE);

        ir_line(7);
        ir_asm(" nop\n");
        ir_section(0x0800, "code");
        ir_section(0, "");
        bool ok = false;
        space_bit("dir", &ok);
        ir_space_names();
        ir_declare(x);
        ir_int_item(2, 0x1234);
        ir_real_item(4, 1.5);
        ir_zero(3);
        ir_string("hi");
        ir_address(IR_ADDRESS4, x, 0, 4);
        ir_address(IR_ADDRESS2, nullptr, 12, 0);
        ir_address(IR_ADDRESS1, nullptr, 0, 0);
        ir_end_data();
        x->attr = 0x0080;
        ir_declare(x);
        ir_absolute(a, 0x20);
        ir_public(x, 2);
        ir_external(g);
        ir_label_data(14);
        ir_debug_file("t.c");
        ir_debug_function("t.c~f");
        ir_debug_label(16);
        ir_used_name("x");
        ir_function(f, 0);
        ir_body(7, 8);
        ir_param_type(pointer, 0, false);
        ir_param_size(6);
        ir_frame(-4);
        ir_label(2, 9, true);
        ir_case_label(4, 10);
        ir_jump(2);
        ir_expression();
        ir_node(ir_tree_code(K_ASSIGN), type_int(), 0, false);
        ir_node(0, type_int(), 0, false);
        ir_leaf_operands(nullptr, 0, static_cast<std::uint32_t>(-2), 32, 1);
        ir_node(ir_tree_code(K_PLUS), type_int(), 0x8000, true);
        ir_node(0, type_int(), 0, false);
        ir_leaf_operands(x, 0, 0, 0, 1);
        ir_node(0, field, 0, false);
        ir_leaf_operands(nullptr, 0, 5, 0, 0);
        ir_cond_jump(K_LE, 6);
        ir_node(0, type_long(), 0, false);
        ir_leaf_operands(x, 0, 0, 0, 1);
        ir_node(0, type_long(), 0, false);
        ir_leaf_operands(nullptr, 0, 100, 0, 0);
        ir_expression();
        ir_node(113, type_int(), 0, false);
        ir_node(0, pointer, 0, false);
        ir_leaf_operands(f, 0, 0, 0, 0);
        ir_asm_call_text("clra");
        ir_position(9, 2, 9, 12);
        ir_switch_head(2, 8);
        ir_return();
        ir_end_function();
    });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "19 file name=- num=0",  // no source file is open here
                         "20 line 7",
                         "203 asm n=5 \" nop\\n\"",
                         "204 section word=0x0800 \"code\"",
                         "204 section word=0x0000 -",
                         "186 space name=\"dir\" num=0 nattr=0x00",
                         "131 declare model=0 name=\"x\" num=0 nattr=0x81",
                         "137 int size=2 value=0x00001234",
                         "133 real size=4 value=1.5",
                         "147 zero 3",
                         "148 string n=2 \"hi\"",
                         "200 address4 name=\"x\" num=0 nattr=0x81 offset=4",
                         "192 address2 name=- num=12 offset=0",
                         "197 address1 name=- num=0 offset=0",
                         "210 end-data",
                         "199 declare model=0 attr=0x0080 name=\"x\" num=0 nattr=0x81",
                         "201 absolute model=0 name=\"a\" num=0 nattr=0x91 address=0x0020",
                         "132 public name=\"x\" num=0 nattr=0x81 attr=0x0080 size=2",
                         "144 extern name=\"g\" num=0 nattr=0x85 attr=0x0000 size=0",
                         "184 data model=0 attr=0x0000 name=- num=14",
                         "215 debug-file model=0 name=\"t.c\" num=0 nattr=0x00",
                         "214 debug-function model=0 name=\"t.c~f\" num=0 nattr=0x00",
                         "213 debug-label model=0 name=- num=16",
                         "187 used \"x\"",
                         "134 function name=\"f\" num=0 nattr=0x8c attr=0x3000 size=0",
                         "251 body first=7 brace=8",
                         "217 param-type ptr[0x3000]",
                         "218 param-size 6",
                         "129 frame -4",
                         "140 label 2 line=9 loop-test",
                         "130 case-label 4 line=10",
                         "139 jump 2",
                         "150 expr (136:= int (0 int name=- num=0 value=-2 storage=32 mem=1) (222:+ int@0x8000 (0 int name=\"x\" "
                         "num=0 nattr=0x81 value=0 storage=0 mem=1) (0 field[3:5] name=- num=0 value=5 storage=0 mem=0)))",
                         "142 jump-if <= 6 (0 long name=\"x\" num=0 nattr=0x81 value=0 storage=0 mem=1) (0 long name=- num=0 "
                         "value=100 storage=0 mem=0)",
                         "150 expr (113:asm int (0 ptr[0x3000] name=\"f\" num=0 nattr=0x8c value=0 storage=0 mem=0) text=\"clra\")",
                         "188 position 9.2-9.12",
                         "149 switch size=2 table=8",
                         "146 return",
                         "211 end-function",
                     }));
}

// Byte fixtures written out by hand from the record layouts: the writer
// must produce them, and the decoder must read them as listed.
struct ByteFixture {
    const char* name;
    std::string bytes;                // in hexadecimal, header included
    std::vector<std::string> decoded;  // the decoder's lines, header included
};

void check_fixture(const ByteFixture& f, const std::string& actual) {
    EXPECT_EQ(hex_bytes(actual), f.bytes) << f.name;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < f.bytes.size(); i += 3)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(f.bytes.substr(i, 2), nullptr, 16)));
    vy::irdump::Decoded decoded = vy::irdump::decode(bytes);
    EXPECT_TRUE(decoded.ok) << f.name << decoded.error;
    EXPECT_EQ(decoded.lines, f.decoded) << f.name;
}

TEST(IrWriter, BytesAsTheRecordLayoutsGiveThem) {
    ByteFixture unit{
        "a unit with a space name and a tentative definition",
        "CB 00 00 00 "
        "13 04 00 00 00 74 2E 63 "           // file "t.c"
        "14 01 00 "                          // line 1
        "BA 04 00 00 00 64 69 72 "           // space "dir"
        "C7 00 80 00 02 00 00 81 78 "        // declare x with its attribute word
        "93 02 00 00 00 "                    // 2 zero bytes
        "D2 "                                // end of data
        "84 02 00 00 81 78 80 00 02 00 00 00",  // public x, attribute, size
        {
            "header magic=0xcb model=0 flags=0x00 config=0",
            "19 file name=\"t.c\" num=0 nattr=0x00",
            "20 line 1",
            "186 space name=\"dir\" num=0 nattr=0x00",
            "199 declare model=0 attr=0x0080 name=\"x\" num=0 nattr=0x81",
            "147 zero 2",
            "210 end-data",
            "132 public name=\"x\" num=0 nattr=0x81 attr=0x0080 size=2",
        }};
    vytest::FrontRun run = vytest::compile("@dir int x;\n");
    EXPECT_EQ(run.status, 0) << run.errors;
    check_fixture(unit, run.output);

    ByteFixture records{
        "trees, a conditional jump, a switch table and data items",
        "CB 00 00 00 "
        "96 88 86 00 80 "                                   // expr: = typed long with attribute 0x8000
        "00 0B 00 30 00 0C 00 FE FF FF FF 20 01 "           // leaf: far pointer, label 12, -2, storage 32, contents
        "00 04 03 05 00 00 00 05 00 00 00 00 00 "           // leaf: int bit-field at 3, 5 wide, constant 5
        "8D 34 12 "                                         // jump if < to label 0x1234
        "00 0E 05 00 00 00 00 00 00 00 00 00 00 00 00 "     // leaf: structure of 5 bytes
        "00 02 00 00 00 07 00 00 00 00 00 "                 // leaf: unsigned char constant 7
        "B9 00 02 00 04 00 07 00 04 00 "                    // table 2, default 4, 7 cases, 4-byte value
        "CD 07 00 01 00 00 00 64 00 65 00 66 00 67 00 68 00 69 00 6A 00 "
        "CE 00 00 "
        "97 "
        "85 08 00 00 00 00 00 00 F0 3F "                    // 1.0 as the host's double
        "94 02 61 62 "                                      // "ab"
        "C9 00 02 00 00 91 61 20 00 00 00",                 // a at 0x20
        {
            "header magic=0xcb model=0 flags=0x00 config=0",
            "150 expr (136:= long@0x8000 (0 ptr[0x3000] name=- num=12 value=-2 storage=32 mem=1) (0 field[3:5] name=- "
            "num=0 value=5 storage=0 mem=0))",
            "141 jump-if < 4660 (0 struct[5] name=- num=0 value=0 storage=0 mem=0) (0 uchar name=- num=0 value=7 "
            "storage=0 mem=0)",
            "185 table 0 label=2 default=4 cases=7 size=4",
            "205 jump-table span=7 low=1 labels=100,101,102,103,104,105,106",
            "206 cases n=0",
            "151 end-table",
            "133 real size=8 value=1",
            "148 string n=2 \"ab\"",
            "201 absolute model=0 name=\"a\" num=0 nattr=0x91 address=0x0020",
        }};
    std::string actual = written_bytes([] {
        TypeNode* far_pointer = newtype(T_POINTER, type_char());
        far_pointer->attr = SPACE_FAR;
        TypeNode* field = newtype(T_INT_FIELD, nullptr);
        field->bit_offset = 3;
        field->bit_width = 5;
        TypeNode* structure = newtype(T_STRUCT, nullptr);
        structure->complete = true;
        structure->size = 5;
        ir_expression();
        ir_node(ir_tree_code(K_ASSIGN), type_long(), 0x8000, true);
        ir_node(0, far_pointer, 0, false);
        ir_leaf_operands(nullptr, 12, static_cast<std::uint32_t>(-2), 32, 1);
        ir_node(0, field, 0, false);
        ir_leaf_operands(nullptr, 0, 5, 0, 0);
        ir_cond_jump(K_LT, 0x1234);
        ir_node(0, structure, 0, false);
        ir_leaf_operands(nullptr, 0, 0, 0, 0);
        ir_node(0, type_uchar(), 0, false);
        ir_leaf_operands(nullptr, 0, 7, 0, 0);
        const SwitchCase cases[] = {{1, 100}, {2, 101}, {3, 102}, {4, 103}, {5, 104}, {6, 105}, {7, 106}};
        write_ir_switch(2, 4, cases, 7, 0, 4);
        ir_real_item(8, 1.0);
        ir_string("ab");
        ir_absolute(make_symbol("a", type_char(), 0, KIND_ABSOLUTE), 0x20);
    });
    check_fixture(records, actual);
}

TEST(IrWriter, NamesLongerThanALengthByteAreCut) {
    vytest::TempDir dir;
    vytest::FrontRun run = vytest::compile("int " + std::string(254, 'a') + "; int " + std::string(255, 'b') + ";\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("name too long: bbbb"), std::string::npos);
    EXPECT_EQ(run.errors.find("name too long: aaaa"), std::string::npos);
}

TEST(IrWriter, StringRunsAndAsmChunks) {
    std::vector<std::string> lines = written([] {
        ir_string(std::string(255, 'x'));
        ir_string("");
        ir_asm(std::string(300, 'y'));
    });
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].substr(0, 14), "148 string n=2");
    EXPECT_EQ(lines[1], "148 string n=0 \"\"");
    EXPECT_EQ(lines[2], "148 string n=0 \"\"");
    EXPECT_EQ(lines[3].substr(0, 14), "203 asm n=255 ");
    EXPECT_EQ(lines[4].substr(0, 13), "203 asm n=45 ");
}

TEST(IrWriter, AsmCallTextIsCutToFitItsLengthByte) {
    for (std::size_t length : {254u, 255u, 300u}) {
        std::string errors;
        std::vector<std::string> lines = written(
            [&] {
                ir_expression();
                ir_node(113, type_int(), 0, false);
                ir_node(0, type_int(), 0, false);
                ir_leaf_operands(nullptr, 0, 0, 0, 0);
                ir_asm_call_text(std::string(length, 'z'));
                ir_return();
            },
            &errors);
        ASSERT_EQ(lines.size(), 2u) << length;
        EXPECT_NE(lines[0].find("text=\"" + std::string(254, 'z') + "\")"), std::string::npos) << length;
        EXPECT_EQ(lines[1], "146 return") << length;
        EXPECT_EQ(errors.find("_asm string too long") != std::string::npos, length > 254) << length << errors;
    }
}

std::vector<std::string> switch_table(std::vector<std::int32_t> values, std::uint16_t default_label, bool* exit_default) {
    std::vector<SwitchCase> cases;
    std::uint16_t label = 100;
    for (std::int32_t v : values) cases.push_back({v, label++});
    return written([&] { *exit_default = write_ir_switch(2, 4, cases.data(), cases.size(), default_label, 2); });
}

TEST(IrWriter, SwitchTables) {
    bool exit_default = false;
    EXPECT_EQ(switch_table({1, 2, 3, 4, 5, 6}, 0, &exit_default),
              (std::vector<std::string>{"185 table 0 label=2 default=4 cases=6 size=2",
                                        "206 cases n=6 1:100 2:101 3:102 4:103 5:104 6:105", "151 end-table"}));
    EXPECT_TRUE(exit_default);
    EXPECT_EQ(switch_table({1, 2, 3, 4, 5, 6, 7}, 0, &exit_default),
              (std::vector<std::string>{"185 table 0 label=2 default=4 cases=7 size=2",
                                        "205 jump-table span=7 low=1 labels=100,101,102,103,104,105,106",
                                        "206 cases n=0", "151 end-table"}));
    EXPECT_EQ(switch_table({-3, -1, 0, 2, 4, 5, 6, 1000}, 50, &exit_default),
              (std::vector<std::string>{"185 table 0 label=2 default=50 cases=8 size=2",
                                        "205 jump-table span=10 low=-3 labels=100,50,101,102,50,103,50,104,105,106",
                                        "206 cases n=1 1000:107", "151 end-table"}));
    EXPECT_FALSE(exit_default);
    // Too sparse for a table: every case is a pair.
    EXPECT_EQ(switch_table({0, 10, 20, 30, 40, 50, 60}, 0, &exit_default)[1],
              "206 cases n=7 0:100 10:101 20:102 30:103 40:104 50:105 60:106");
}

TEST(IrWriter, LiteralPool) {
    std::vector<std::string> lines = written([] {
        Constant* s = string_constant("ab");
        s->number = 10;
        Constant* empty = string_constant("");
        empty->number = 12;
        string_constant("unused");
        Constant* r = real_constant(2.5);
        r->number = 20;
        r->widths = 2 | 4;
        ir_literal_pool();
        ir_literal_pool();  // each literal once
    });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "184 data model=0 attr=0x0000 name=- num=10",
                         "148 string n=2 \"ab\"",
                         "210 end-data",
                         "184 data model=0 attr=0x0000 name=- num=12",
                         "137 int size=1 value=0x00000000",
                         "210 end-data",
                         "184 data model=0 attr=0x0000 name=- num=22",
                         "133 real size=4 value=2.5",
                         "210 end-data",
                         "184 data model=0 attr=0x0000 name=- num=24",
                         "133 real size=8 value=2.5",
                         "210 end-data",
                     }));
}

TEST(IrWriter, TreeCodesOfOperators) {
    struct Case {
        int op;
        int node;
    } cases[] = {{K_PLUS, 222}, {K_SLASH, 133}, {K_OROR, 157}, {K_OR_ASSIGN, 141}, {K_INC, 170},
                 {K_QUEST, 159}, {34, 108},     {35, 107},      {40, 100},         {27, 169},  {K_ARROW, 0}};
    for (const Case& c : cases) EXPECT_EQ(ir_tree_code(c.op), c.node) << c.op;
}

}  // namespace

