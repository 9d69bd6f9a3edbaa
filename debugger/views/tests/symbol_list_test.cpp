// The symbol list: hexfield, value and name order, and the lines with their
// segments and the modules the symbols come from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/symbols.h"
#include "debugger/views/list_text.h"
#include "debugger/views/symbol_list.h"
#include "view_program.h"

namespace vy {
namespace {

namespace pb = progbuild;

TEST(SymbolList, HexfieldPadsToItsWidthAndKeepsLongerValues) {
    struct Case {
        uint32_t value;
        int width;
        const char* text;
    };
    for (const Case& c : {Case{0x12, 4, "0x0012"}, Case{0x8000, 4, "0x8000"}, Case{0, 4, "0x0000"},
                          Case{0xabcd, 4, "0xabcd"}, Case{0x12345, 4, "0x12345"}, Case{0xFFFFFFFF, 4, "0xffffffff"},
                          Case{0x5, 1, "0x5"}, Case{0x5, 0, "0x5"}})
        EXPECT_EQ(hexfield(c.value, c.width), c.text);
}

using SymbolLines = ViewProgramTest;

// A file marker: its records (one per module piece) behind the object.
std::vector<uint8_t> marker(uint8_t section, const std::string& name, uint32_t value) {
    std::vector<uint8_t> r = {section, static_cast<uint8_t>(name.size() | 0x80)};
    for (std::size_t i = 0; i < 14; ++i) r.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
    for (uint32_t v : {value, 0u})
        for (int shift = 24; shift >= 0; shift -= 8) r.push_back(static_cast<uint8_t>(v >> shift));
    return r;
}

TEST_F(SymbolLines, EachSymbolWithItsSegmentAndModule) {
    pb::Program p;
    p.files = {file("main.c", {function("main"), function("second")})};
    p.files[0].globals = {pb::var("counter", 6, 0x40, 24)};
    pb::Built b = pb::build(p);
    pb::Object& o = b.object;
    uint16_t second = b.funcs[1].start;
    // Two modules in .text: lib.o from the first function's start on (no
    // source), main.o from the second's; a symbol "_below" before both.
    o.symbols.push_back({b.funcs[0].start - 2u, 0x05, 1, "_below"});
    // A marker symbol: flags 0, its record count as the section, the file
    // offset of its 24-byte records as the value.
    std::vector<uint8_t> lib = marker(1, "lib_text", b.funcs[0].start), mod = marker(1, "main_text", second);
    o.trailer = lib;
    o.trailer.insert(o.trailer.end(), mod.begin(), mod.end());
    o.symbols.push_back({0, 0, 1, "lib.o"});
    o.symbols.push_back({0, 0, 1, "main.o"});
    o.symbols[o.symbols.size() - 2].value = o.traileroffset();
    o.symbols.back().value = o.traileroffset() + 24;
    dbload(tempfile("marked.o", o.write()).c_str(), nullptr);
    ASSERT_EQ(console.errors, "");

    auto line = [](const char* name) { return plaintext(symbolline(*rensym(name))); };
    EXPECT_EQ(line("_second"), "  " + hexfield(second, 4) + "  _second in segment text in: main.c  \n");
    EXPECT_EQ(line("_main"), "  " + hexfield(b.funcs[0].start, 4) + "  _main in segment text in object file: lib.o  \n");
    EXPECT_EQ(line("_below"), "  " + hexfield(b.funcs[0].start - 2u, 4) + "  _below in segment text  \n");
    EXPECT_EQ(line("_counter"), "  0x0040  _counter  absolute  \n");
    // The codes: the name in colour 2, the segment in colour 3, the file as
    // a link in colour 4.
    std::string raw = symbolline(*rensym("_second"));
    EXPECT_NE(raw.find(colour(2) + "_second" + colour(1)), std::string::npos);
    EXPECT_NE(raw.find(colour(3) + "text" + colour(1)), std::string::npos);
    EXPECT_NE(raw.find(" in: " + colour(4) + std::string{LT_LINK, 'F'} + "main.c" + LT_END + colour(1)), std::string::npos);
    EXPECT_EQ(linkat(raw, 40), "Fmain.c");

    // The window text: the '.' symbols are not listed.
    TextBuf buf;
    ASSERT_TRUE(fillsymbols(buf, valueorder()));
    std::string plain = plaintext(buf.text());
    EXPECT_EQ(plain.find(".time"), std::string::npos);
    EXPECT_NE(plain.find("_counter"), std::string::npos);
    EXPECT_EQ(measuretext(buf.text()).lines, 4);
}

// A symbol list made by hand, for orders the loader never makes.
class HandSymbols : public ::testing::Test {
protected:
    void add(const char* name, uint32_t value) {
        auto* s = static_cast<SymRec*>(std::calloc(1, sizeof(SymRec) + std::strlen(name) + 1));
        s->value = value;
        std::strcpy(s->name(), name);
        *tail = s;
        tail = &s->next;
    }
    void SetUp() override { saved = symlist, symlist = nullptr, tail = &symlist; }
    void TearDown() override {
        while (symlist) {
            SymRec* next = symlist->next;
            std::free(symlist);
            symlist = next;
        }
        symlist = saved;
    }
    SymRec* saved = nullptr;
    SymRec** tail = nullptr;
};

TEST_F(HandSymbols, NameOrderIsByteOrderWithEqualNamesInValueOrder) {
    add("beta", 1);
    add("alpha", 2);
    add("beta", 3);
    add("Zed", 4);
    add(".time", 5);
    add("\xE9t\xE9", 6);
    add("alpha", 7);
    std::vector<std::string> names;
    for (const SymRec* s : nameorder()) names.push_back(std::string(s->name()) + ":" + std::to_string(s->value));
    EXPECT_EQ(names, (std::vector<std::string>{".time:5", "Zed:4", "alpha:2", "alpha:7", "beta:1", "beta:3",
                                               "\xE9t\xE9:6"}));
    TextBuf buf;
    ASSERT_TRUE(fillsymbols(buf, nameorder()));
    EXPECT_EQ(measuretext(buf.text()).lines, 6) << "the '.' symbol is sorted but not listed";
    EXPECT_EQ(plaintext(textline(buf.text(), 2)), "  0x0002  alpha  absolute  ");
    EXPECT_EQ(plaintext(textline(buf.text(), 3)), "  0x0007  alpha  absolute  ");
}

}  // namespace
}  // namespace vy
