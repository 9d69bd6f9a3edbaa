// The linker: cross references, relocation kinds, debug records, libraries,
// placement, the start-up table, and the errors that leave no program.
#include "outside/tests/outside_fixture.h"

#include <fstream>
#include <iterator>

#include "outside/lomar/library.h"

namespace {

using namespace outside_test;

class Link : public OutsideTest {};

TEST_F(Link, ObjectsReferToEachOtherAcrossSections) {
    assemble("a",
             "\txdef\t_main, table\n"
             "\txref\t_f, _g, counter\n"
             "\txref.b\tzflag\n"
             "\tswitch\t.text\n"
             "_main:\tjsr\t_f\n"
             "\tldx\t#table+4\n"
             "\tldaa\tzflag\n"
             "\tldab\t#high(_g)\n"
             "\tldaa\t#low(_g+1)\n"
             "\tstd\tcounter\n"
             "\trts\n"
             "\tswitch\t.data\n"
             "table:\tdc.w\t_main, _g, counter+2\n"
             "\tdc.l\t_f\n"
             "\tdc.b\tlow(_g)\n");
    assemble("b",
             "\txdef\t_f, _g, msg, fptr\n"
             "\txref\ttable\n"
             "\tswitch\t.text\n"
             "_f:\tldd\ttable\n"
             "\trts\n"
             "_g:\tbsr\t_f\n"
             "\trts\n"
             ".const:\tsection\n"
             "msg:\tdc.b\t\"hi\",0\n"
             "\tswitch\t.data\n"
             "fptr:\tdc.w\t_g, msg\n");
    assemble("c",
             "\txdef\tcounter, zflag\n"
             "\tswitch\t.bss\n"
             "counter:\tds.w\t2\n"
             "\tswitch\t.bsct\n"
             "zflag:\tdc.b\t1\n");
    LinkRun r = link("+seg .text -b0x8000 -n code\n"
                     "+seg .const -a code\n"
                     "+seg .data -b0x2000\n"
                     "+seg .bss\n"
                     "+seg .bsct -b0x40\n"
                     "a.o\n\"b.o\"\nc.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    const Program& p = r.program;
    // placement: code in link order, constants behind it, bss behind data
    EXPECT_EQ(p.symbol("_main"), 0x8000u);
    EXPECT_EQ(p.symbol("_f"), 0x8010u);
    EXPECT_EQ(p.symbol("_g"), 0x8014u);
    EXPECT_EQ(p.symbol("msg"), 0x8017u);
    EXPECT_EQ(p.symbol("table"), 0x2000u);
    EXPECT_EQ(p.symbol("fptr"), 0x200Bu);
    EXPECT_EQ(p.symbol("counter"), 0x200Fu);
    EXPECT_EQ(p.symbol("zflag"), 0x40u);
    // every relocated field
    uint32_t m = 0x8000, g = 0x8014;
    EXPECT_EQ(p.word(m + 1), 0x8010u);            // jsr _f
    EXPECT_EQ(p.word(m + 4), 0x2004u);            // ldx #table+4
    EXPECT_EQ(p.byte(m + 6), 0x96);               // direct mode
    EXPECT_EQ(p.byte(m + 7), 0x40);               // zflag
    EXPECT_EQ(p.byte(m + 9), g >> 8);             // high(_g)
    EXPECT_EQ(p.byte(m + 11), (g + 1) & 0xFF);    // low(_g+1)
    EXPECT_EQ(p.word(m + 13), 0x200Fu);           // std counter
    EXPECT_EQ(p.bytes(0x2000, 11),
              (std::vector<uint8_t>{0x80, 0x00, 0x80, 0x14, 0x20, 0x11, 0x00, 0x00, 0x80, 0x10, 0x14}));
    EXPECT_EQ(p.word(0x8011), 0x2000u);           // ldd table
    EXPECT_EQ(p.bytes(0x8014, 2), (std::vector<uint8_t>{0x8D, 0xFA}));  // bsr _f stays relative
    EXPECT_EQ(p.bytes(0x200B, 4), (std::vector<uint8_t>{0x80, 0x14, 0x80, 0x17}));
    EXPECT_EQ(p.byte(0x40), 1);
    // the bss segment holds no bytes but keeps its size
    const objfile::Section* bss = p.section(".bss");
    ASSERT_NE(bss, nullptr);
    EXPECT_TRUE(bss->attr & 0x01);
    EXPECT_EQ(bss->size, 4u);
    EXPECT_EQ(bss->start, 0x200Fu);
}

TEST_F(Link, PageAndLongRelocationsOfImportedSymbols) {
    assemble("a",
             "\txref\tfar\n"
             "\tdc.b\tpage(far+0x10000)\n"
             "\tdc.w\tpage(far)\n"
             "\tdc.l\tfar+2\n"
             "\tdc.b\thigh(far)\n"
             "\tdc.w\thigh(far+0x100)\n");
    LinkRun r = link("+seg .text -b0x100\n+def far=0x123456\na.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.program.bytes(0x100, 10),
              (std::vector<uint8_t>{0x13, 0x00, 0x12, 0x00, 0x12, 0x34, 0x58, 0x34, 0x00, 0x35}));
}

// A word field takes the relocated value only when it fits (as the
// assembler takes a word: -32768..65535), and so does the byte of a
// direct-page import (-128..255); else "value too large" with what it
// refers to, and no program. Any other byte field is the low byte of the
// value, as low() makes it.
TEST_F(Link, RelocatedValuesMustFitTheirField) {
    assemble("fit", "\txref.b\tzp\n\txref\ttop, far\n\tldaa\tzp\n\tdc.w\ttop\n\tdc.w\ttop-0x10000\n"
                    "\tdc.b\tlow(far)\n\tdc.w\ttop+1\n");
    LinkRun r = link("+seg .text -b0x100\n+def zp=0xff\n+def top=0xfffe\n+def far=0x1234\nfit.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.program.bytes(0x100, 9), (std::vector<uint8_t>{0x96, 0xFF, 0xFF, 0xFE, 0xFF, 0xFE, 0x34, 0xFF, 0xFF}));

    assemble("big", "\txref.b\tzp\n\txref\ttop\n\tldaa\tzp+1\n\tdc.w\ttop+2\n");
    r = link("+seg .text -b0x100\n+def zp=0xff\n+def top=0xfffe\nbig.o\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "#error lomar big.o:0 value too large: zp\n#error lomar big.o:0 value too large: top\n");

    assemble("wrap", "\tswitch\t.data\n\tdc.w\there+0x10\nhere:\tdc.b\t0\n");
    r = link("+seg .data -b0xfff0\nwrap.o\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "#error lomar wrap.o:0 value too large: section .data\n");
}

TEST_F(Link, LowByteFirstSectionsKeepTheirByteOrder) {
    assemble("a",
             "\txdef\tw\n"
             "\txref\ttarget\n"
             "lo:\tsection\t-hilo\n"
             "w:\tdc.w\ttarget+1\n"
             "\tdc.l\ttarget\n");
    assemble("b", "\txdef\ttarget\ntarget:\tnop\n");
    LinkRun r = link("+seg .text -b0x8000\n+seg lo -b0x100\na.o\nb.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.program.bytes(0x100, 6), (std::vector<uint8_t>{0x01, 0x80, 0x00, 0x80, 0x00, 0x00}));
}

TEST_F(Link, DebugRecordsFollowTheirCodeAndDebugSectionsMergeAtZero) {
    ccasm::Options x;
    x.line_debug = true;
    assemble("one", "\txdef\t_one\n_one:\tnop\n\trts\n", x);
    assemble("two", "\txdef\t_two\n\txref\t_one\n_two:\tjsr\t_one\n\trts\n", x);
    std::string error;
    objfile::Object o1, o2;
    ASSERT_TRUE(objfile::read_file("one.o", o1, error)) << error;
    ASSERT_TRUE(objfile::read_file("two.o", o2, error)) << error;
    uint32_t debug1 = o1.find(".debug")->size;

    LinkRun r = link("+seg .text -b0x8000\none.o\ntwo.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    const objfile::Object& p = r.program.obj;
    const objfile::Section* debug = p.find(".debug");
    ASSERT_NE(debug, nullptr);
    EXPECT_EQ(debug->start, 0u);
    EXPECT_EQ(debug->size, debug1 + o2.find(".debug")->size);
    EXPECT_FALSE(debug->attr & 0x10);
    // every record of both files, in link order, moved with its section
    ASSERT_EQ(p.debug.size(), o1.debug.size() + o2.debug.size());
    uint8_t text = 0, dbg = 0;
    for (size_t i = 0; i < p.sections.size(); ++i) {
        if (p.sections[i].name == ".text") text = static_cast<uint8_t>(i + 1);
        if (p.sections[i].name == ".debug") dbg = static_cast<uint8_t>(i + 1);
    }
    for (size_t i = 0; i < p.debug.size(); ++i) {
        bool second = i >= o1.debug.size();
        const objfile::DebugRecord& in = second ? o2.debug[i - o1.debug.size()] : o1.debug[i];
        const objfile::Object& obj = second ? o2 : o1;
        const objfile::DebugRecord& out = p.debug[i];
        EXPECT_EQ(out.kind, in.kind);
        EXPECT_EQ(out.text, in.text);
        std::string name = in.section ? obj.sections[in.section - 1u].name : "";
        if (name == ".text") {
            EXPECT_EQ(out.section, text);
            EXPECT_EQ(out.value, in.value + 0x8000 + (second ? 2u : 0u));
        } else if (name == ".debug") {
            EXPECT_EQ(out.section, dbg);
            EXPECT_EQ(out.value, in.value + (second ? debug1 : 0u));
        }
    }
    // the file description of the second file points into its own part
    auto get32 = [&](uint32_t at) {
        return uint32_t(debug->data[at]) << 24 | uint32_t(debug->data[at + 1]) << 16 |
               uint32_t(debug->data[at + 2]) << 8 | debug->data[at + 3];
    };
    uint32_t file2 = 0;
    for (const objfile::DebugRecord& d : p.debug)
        if (d.kind == 0x40 && d.text == "two.s") file2 = d.value;
    ASSERT_EQ(file2, debug1);
    EXPECT_EQ(get32(file2), get32(0) + debug1);
    // symbols: only defined ones, the import of _one resolved
    EXPECT_EQ(r.program.symbol("_two"), 0x8002u);
    EXPECT_EQ(r.program.word(0x8003), 0x8000u);
    for (const objfile::Symbol& s : p.symbols) EXPECT_TRUE(s.flags & 0x01) << s.name;
}

// A library of four members: m1 needs m2, m3 is never needed.
std::vector<uint8_t> library_of(const std::vector<std::string>& names) {
    std::vector<lomar::LibraryMember> members;
    for (const std::string& n : names) {
        std::ifstream f(n + ".o", std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        members.push_back({n + ".o", bytes});
    }
    return lomar::write_library(members);
}

TEST_F(Link, LibraryMembersAreTakenOnlyWhenNeeded) {
    assemble("main", "\txdef\t_main\n\txref\tf1, f4\n_main:\tjsr\tf1\n\tjsr\tf4\n\trts\n");
    assemble("m1", "\txdef\tf1\n\txref\tf2\nf1:\tjsr\tf2\n\trts\n");
    assemble("m2", "\txdef\tf2\nf2:\trts\n");
    assemble("m3", "\txdef\tf3\nf3:\tnop\n\trts\n");
    assemble("m4", "\txdef\tf4, shared\nf4:\tnop\nshared:\trts\n");
    write_bytes("lib.lib", library_of({"m1", "m2", "m3", "m4"}));
    lomar::LinkOptions verbose;
    verbose.verbose = true;
    // the library named before the object still serves it
    LinkRun r = link("+seg .text -b0x8000\nlib.lib\nmain.o\n", verbose);
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_FALSE(r.program.has_symbol("f3"));
    EXPECT_EQ(r.program.obj.find(".text")->size, 7u + 4u + 1u + 2u);
    EXPECT_NE(r.verbose.find("taking lib.lib(m1.o) for f1\n"), std::string::npos) << r.verbose;
    EXPECT_NE(r.verbose.find("taking lib.lib(m2.o) for f2\n"), std::string::npos) << r.verbose;
    EXPECT_EQ(r.verbose.find("m3.o"), std::string::npos);
    // members sit at their library's line, before main.o
    EXPECT_EQ(r.program.symbol("_main"), 0x8007u);
    EXPECT_LT(r.program.symbol("f1"), 0x8007u);

    // an object that defines a member's symbol keeps the member out
    assemble("own", "\txdef\tf4\nf4:\trts\n");
    LinkRun r2 = link("+seg .text -b0x8000\nmain.o\nown.o\nlib.lib\n");
    ASSERT_TRUE(r2.ok) << r2.errors;
    EXPECT_FALSE(r2.program.has_symbol("shared"));
}

TEST_F(Link, SegmentsAreChosenAndPlacedByTheLinkFile) {
    assemble("a", "\tnop\n\tswitch\t.data\n\tdc.b\t1\nodd:\tsection\n\tdc.b\t2,2\nev:\tsection\n\tdc.b\t9\n");
    assemble("b", "\txdef\tbt\nbt:\tdc.b\t3,4\n\tswitch\t.data\nbd:\tdc.b\t5\nev:\tsection\teven\n\tdc.b\t6\n");
    assemble("c", "\txdef\tct\nct:\tdc.b\t7\nfix:\tsection\tabs\n\torg\t0x300\n\tdc.b\t8\n");
    // a.o comes before any .text line: it takes the first one below it;
    // c.o takes the second .text segment; sections without a line follow
    // the last declared segment; ev holds an even section, so the segment
    // and that section start on even addresses
    LinkRun r = link("a.o\n"
                     "+seg .text -b0x1000 -n t1\n"
                     "+seg .data -a t1\n"
                     "b.o\n"
                     "+seg .text -o0x4000 -b0x9000\n"
                     "c.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    const Program& p = r.program;
    EXPECT_EQ(p.bytes(0x1000, 3), (std::vector<uint8_t>{0x01, 0x03, 0x04}));
    EXPECT_EQ(p.bytes(0x1003, 2), (std::vector<uint8_t>{0x01, 0x05}));
    EXPECT_EQ(p.symbol("ct"), 0x4000u);
    EXPECT_EQ(p.bytes(0x4001, 2), (std::vector<uint8_t>{0x02, 0x02}));  // behind the last declared segment
    EXPECT_EQ(p.byte(0x4004), 0x09);
    EXPECT_EQ(p.byte(0x4006), 0x06);
    EXPECT_EQ(p.byte(0x0300), 0x08);  // abs: its own address
}

TEST_F(Link, OverlapIsCheckedPerSpaceAndSymbolOnlySegmentsHoldNoBytes) {
    assemble("a",
             "\tdc.b\t1,2,3,4\nsx:\tsection\n\tdc.b\t5,6\nsy:\tsection\n\tdc.b\t7\n"
             "\txdef\trom\nsz:\tsection\nrom:\tdc.b\t8\n");
    LinkRun r = link("+seg .text -b0x100\n+seg sx -b0x100 -s other\n+seg sy -b0x101 -v\n+seg sz -b0x200 -c\na.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.program.symbol("rom"), 0x200u);
    EXPECT_EQ(r.program.memory.count(0x200), 0u);
    EXPECT_EQ(r.program.section("sz")->size, 1u);
    // the whole program without bytes, the sections as they were
    lomar::LinkOptions symbols;
    symbols.symbols_only = true;
    r = link("+seg .text -b0x100\n+seg sx -b0x100 -s other\n+seg sy -b0x101 -v\n+seg sz -b0x200\na.o\n", symbols);
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_TRUE(r.program.memory.empty());
    EXPECT_EQ(r.program.section(".text")->size, 4u);
    EXPECT_EQ(r.program.symbol("rom"), 0x200u);
}

TEST_F(Link, DefinitionsOfSymbolsFromSegmentsAndOtherSymbols) {
    assemble("a", "\txdef\t_a\n\txref\tlo, hi, len, top, alias\n_a:\tdc.w\tlo, hi, len, top, alias\n");
    LinkRun r = link("+seg .text -b0x8000 -n code\n"
                     "+def lo=start(code)\n+def hi=end(.text)\n+def len=size(code)\n"
                     "+def top=0x7fff\n+def alias=top\n"
                     "a.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.program.bytes(0x8000, 10),
              (std::vector<uint8_t>{0x80, 0x00, 0x80, 0x0A, 0x00, 0x0A, 0x7F, 0xFF, 0x7F, 0xFF}));
    EXPECT_EQ(r.program.symbol("alias"), 0x7FFFu);
}

// The start-up table: what is copied and what is cleared.
TEST_F(Link, TheStartupTableListsCopiedAndClearedSegments) {
    assemble("s", "\txref\t__itable\n\tldy\t#__itable\n");
    assemble("d",
             "\tswitch\t.data\nd1:\tdc.b\t1,2,3\n\tswitch\t.bss\n\tds.b\t5\n"
             "\tswitch\t.ubsct\n\tds.b\t2\nkeep:\tsection\tbss\n\tds.b\t9\n");
    LinkRun r = link("+seg .text -b0x8000\n+seg .data -b0x2000 -id\n+seg .bss\n+seg .ubsct -b0x10\n"
                     "+seg keep -b0x3000 -ib\ns.o\nd.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    const Program& p = r.program;
    uint32_t table = p.symbol("__itable");
    EXPECT_EQ(table, 0x8004u);
    EXPECT_EQ(p.word(0x8002), table);
    std::vector<uint8_t> expected{
        0x00, 0x03, 0x20, 0x00, 0x80, 0x16,  // copy 3 bytes to 0x2000 from the image
        0x00, 0x00,                          // end of the copies
        0x00, 0x05, 0x20, 0x03,              // clear .bss
        0x00, 0x02, 0x00, 0x10,              // clear .ubsct (keep has -ib)
        0x00, 0x00,                          // end
        0x01, 0x02, 0x03};                   // the image of .data
    EXPECT_EQ(p.bytes(table, expected.size()), expected);
    // the copied segment holds no bytes in the program
    EXPECT_TRUE(p.section(".data")->attr & 0x01);
    EXPECT_EQ(p.memory.count(0x2000), 0u);
}

// Undefined and doubly defined symbols, overlaps and every bad line of a
// link file: "#error" lines, and no program.
struct ErrorCase {
    const char* name;
    const char* lkf;
    const char* expected;  // one of the error lines
};

const ErrorCase error_cases[] = {
    {"undefined", "+seg .text -b0\nmain.o\n", "#error lomar main.o:0 symbol _missing not defined\n"},
    {"doubly_defined", "+seg .text -b0\nmain.o\nlow.o\nother.o\ntwice.o\n",
     "#error lomar twice.o:0 symbol _missing multiply defined, first in other.o\n"},
    {"defined_in_file_and_link_file", "+seg .text -b0\nmain.o\nlow.o\nother.o\n+def _missing=4\n",
     "#error lomar t.lkf:5 symbol _missing multiply defined, first in other.o\n"},
    {"overlap", "+seg .text -b0x8000\n+seg .bsct -b0x8002\nmain.o\nlow.o\nother.o\n",
     "#error lomar t.lkf:2 segment .bsct (0x8002-0x8003) overlaps segment .text (0x8000-0x8006)\n"},
    {"beyond_64k", "+seg .text -b0xfffe\nmain.o\nlow.o\nother.o\n",
     "#error lomar t.lkf:1 segment .text ends at 0x10005, beyond 64 KB\n"},
    {"over_maximum", "+seg .text -b0 -m4\nmain.o\nlow.o\nother.o\n",
     "#error lomar t.lkf:1 segment .text is 7 bytes, more than its maximum of 4\n"},
    {"zero_page", "+seg .text -b0\n+seg .bsct -b0xff\nmain.o\nlow.o\nother.o\n",
     "#error lomar low.o:0 zero-page section .bsct ends beyond 0xFF\n"},
    {"unknown_directive", "+sag .text\n", "#error lomar t.lkf:1 unknown directive +sag\n"},
    {"no_input", "+seg\n", "#error lomar t.lkf:1 missing input segment\n"},
    {"bad_number", "+seg .text -b0x80g0\n", "#error lomar t.lkf:1 bad number 0x80g0 for -b\n"},
    {"octal_digit", "+seg .text -b0800\n", "#error lomar t.lkf:1 bad number 0800 for -b\n"},
    {"address_too_big", "+seg .text -b0x10000\n", "#error lomar t.lkf:1 value 0x10000 of -b is out of range\n"},
    {"number_beyond_32_bits", "+seg .text -b0x100008000\n", "#error lomar t.lkf:1 bad number 0x100008000 for -b\n"},
    {"definition_beyond_32_bits", "+def x=4294967296\n", "#error lomar t.lkf:1 bad number 4294967296 for x\n"},
    {"unknown_option", "+seg .text -q\n", "#error lomar t.lkf:1 unknown segment option -q\n"},
    {"missing_value", "+seg .text -b\n", "#error lomar t.lkf:1 missing value for -b\n"},
    {"banks", "+seg .text -w0x4000\n", "#error lomar t.lkf:1 bank segments (-w) are not supported\n"},
    {"shared", "+seg .text -is\n", "#error lomar t.lkf:1 shared segments (-is) are not supported\n"},
    {"debug_segment", "+seg .debug -b0\n", "#error lomar t.lkf:1 segment .debug is placed by the linker\n"},
    {"after_and_address", "+seg .text -at -b0\n", "#error lomar t.lkf:1 a segment placed with -a takes no address\n"},
    {"missing_equals", "+def x 4\n", "#error lomar t.lkf:1 missing '=' in symbol definition\n"},
    {"bad_definition", "+def x=start(.text\n", "#error lomar t.lkf:1 bad segment reference start(.text\n"},
    {"unclosed_quote", "\"main.o\n", "#error lomar t.lkf:1 bad file name \"main.o\n"},
    {"no_such_file", "nothere.o\n", "#error lomar t.lkf:1 can't open nothere.o\n"},
    {"not_an_object", "t.lkf\n", "#error lomar t.lkf:0 not an object file or library\n"},
    {"nothing", "# only a comment\n", "#error lomar t.lkf:0 nothing to link\n"},
    {"unknown_after", "+seg .text -anone\nmain.o\nlow.o\nother.o\n", "#error lomar t.lkf:1 no segment none\n"},
    {"placed_behind_itself", "+seg .text -n a -a b\n+seg .data -n b -a a\nmain.o\nlow.o\nother.o\n",
     "placed behind itself\n"},
    {"segment_of_definition", "+def x=end(nowhere)\nmain.o\nlow.o\nother.o\n", "#error lomar t.lkf:1 no segment nowhere\n"},
    {"definition_loop", "+def x=y\n+def y=x\nmain.o\nlow.o\nother.o\n", "is defined by itself\n"},
    {"undefined_in_definition", "+def x=nowhere\nmain.o\nlow.o\nother.o\n",
     "#error lomar t.lkf:1 symbol nowhere not defined\n"},
    {"copied_without_startup", "+seg .text -b0\n+seg .bsct -b0 -id\nmain.o\nlow.o\nother.o\n",
     "#error lomar t.lkf:2 segment .bsct is copied at start-up (-id), but no file refers to __itable\n"},
    {"two_hosts", "+seg .text -it\n+seg .bsct -it\nmain.o\nlow.o\nother.o\nstart.o\n",
     "#error lomar t.lkf:2 a second segment with -it\n"},
};

class LinkErrors : public Link, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(LinkErrors, GiveErrorLinesAndNoProgram) {
    assemble("main", "\txdef\t_main\n\txref\t_missing\n_main:\tjsr\t_missing\n\trts\n");
    assemble("low", "\tswitch\t.bsct\n\tdc.b\t1,2\n");
    assemble("other", "\txdef\t_missing\n_missing:\tnop\n\tnop\n\trts\n");
    assemble("twice", "\txdef\t_missing\n_missing:\trts\n");
    assemble("start", "\txref\t__itable\n\tldx\t#__itable\n");
    const ErrorCase& c = GetParam();
    LinkRun r = link(c.lkf);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.errors.find(c.expected), std::string::npos) << r.errors;
    for (size_t at = 0; at < r.errors.size();) {
        size_t end = r.errors.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(r.errors.compare(at, 13, "#error lomar "), 0) << r.errors;
        at = end + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkErrors, ::testing::ValuesIn(error_cases),
                         [](const ::testing::TestParamInfo<ErrorCase>& i) { return std::string(i.param.name); });

}  // namespace
