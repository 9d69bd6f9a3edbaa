// Object files: programs assembled by ccasm load with their bytes, symbols
// and summary lines; the section records, symbols and markers of the
// current format and the records of the old format are read as laid out;
// start points; and damaged files are refused without changing memory.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"
#include "debugger/target/decoder.h"
#include "debugger/target/registers.h"
#include "outside/lomar/linker.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/program_builder.h"
#include "program_fixture.h"

namespace vy {
namespace {

namespace pb = progbuild;

using ObjectLoadTest = TargetTest;

// An absolute program with code, data and the reset vector.
const char* const absolute_source =
    "; an absolute program with code, data and a vector\n"
    "\torg\t$8000\n"
    "start:\tlds\t#$00FF\n"
    "\tldaa\t#5\n"
    "loop:\tdeca\n"
    "\tbne\tloop\n"
    "\tjsr\tsub\n"
    "\tbra\tstart\n"
    "sub:\tldx\t#table\n"
    "\tstx\tcount\n"
    "\trts\n"
    "table:\tdc.b\t1,2,3\n"
    "\tswitch\t.data\n"
    "\torg\t$0100\n"
    "count:\tdc.w\t0\n"
    "\tswitch\t.text\n"
    "\torg\t$FFFE\n"
    "\tdc.w\tstart\n"
    "\tend\n";

TEST_F(ObjectLoadTest, AnAbsoluteProgramFromTheAssemblerLoadsWithItsSymbolsAndLines) {
    std::string source = tempfile("abs.s", absolute_source);
    std::string object = assemble(source, {"-a", "-x", "-pl"});
    objfile::Object obj;
    std::string why;
    ASSERT_TRUE(objfile::read_file(object, obj, why)) << why;
    dbload(object.c_str(), nullptr);
    EXPECT_EQ(console.errors, "");
    EXPECT_EQ(console.out, "    T: 0x8000 (32768)  D: 0x100 (2)\nentry point at 0x8000 \n");
    for (const char* section : {".text", ".data"}) {
        const objfile::Section* s = obj.find(section);
        for (uint32_t i = 0; i < s->size; ++i)
            ASSERT_EQ(rdbyte(static_cast<uint16_t>(s->start + i)), s->data[i]) << section << " +" << i;
    }
    struct Sym {
        const char* name;
        uint32_t value;
    };
    for (Sym s : {Sym{"start", 0x8000}, Sym{"loop", 0x8005}, Sym{"sub", 0x800D}, Sym{"table", 0x8014},
                  Sym{"count", 0x0100}, Sym{".text", 0x8000}, Sym{".tsize", 32768}, Sym{".data", 0x0100},
                  Sym{".dsize", 2}}) {
        ASSERT_NE(rensym(s.name), nullptr) << s.name;
        EXPECT_EQ(rensym(s.name)->value, s.value) << s.name;
    }
    EXPECT_EQ(rensym(".bsize"), nullptr);
    EXPECT_EQ(rensym(".zsize"), nullptr);
    // In value order, the special symbols in front.
    uint32_t last = 0;
    for (SymRec* s = symlist; s; s = s->next) {
        if (s->name()[0] == '.') continue;
        EXPECT_LE(last, s->value) << s->name();
        last = s->value;
    }
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(outsidec, 0);
    // Every source line with code, at its address, in one unnamed region.
    const uint16_t lines[][2] = {{0x8000, 3}, {0x8003, 4}, {0x8005, 5}, {0x8006, 6}, {0x8008, 7},
                                 {0x800B, 8}, {0x800D, 9}, {0x8010, 10}, {0x8013, 11}};
    DebugEntry* e = debuglist;
    for (const auto& [address, line] : lines) {
        while (e && (e->kind != DBG_LINE || e->addr < address)) e = e->next;
        ASSERT_NE(e, nullptr) << line;
        EXPECT_EQ(e->addr, address);
        EXPECT_EQ(e->line, line);
        EXPECT_STREQ(e->text(), source.c_str());
        EXPECT_STREQ(e->name, "");
        e = e->next;
    }
    ASSERT_TRUE(morefiles(filelist));
    EXPECT_EQ(filelist->lastline, 19u);
    // The section groups of the loaded sections, by first address.
    ASSERT_NE(sectiongroups, nullptr);
    EXPECT_STREQ(sectiongroups->name, ".data");
    EXPECT_EQ(sectiongroups->last, 0x0101u);
    EXPECT_STREQ(sectiongroups->next->name, ".text");
    EXPECT_EQ(sectiongroups->next->next, nullptr);
}

TEST_F(ObjectLoadTest, AProgramLinkedFromTwoFilesLoadsWithTheLinesOfBoth) {
    std::string main = tempfile("main.s",
                                "\txdef\t_main\n\txref\t_twice\n\tswitch\t.text\n"
                                "_main:\tldd\t#21\n\tjsr\t_twice\n\tstd\t_result\n\trts\n"
                                "\tswitch\t.bss\n_result:\tds.w\t1\n\txdef\t_result\n");
    std::string util = tempfile("util.s", "\txdef\t_twice\n\tswitch\t.text\n_twice:\tlsld\n\trts\n");
    std::string mainobj = assemble(main, {"-x"}), utilobj = assemble(util, {"-x"});
    lomar::Diagnostics diag("lomar");
    lomar::LinkScript script;
    ASSERT_TRUE(lomar::parse_link_script(
        "t.lkf", "+seg .text -b0x8000\n+seg .bss -b0x2000\n" + mainobj + "\n" + utilobj + "\n", script, diag));
    lomar::LinkResult linked = lomar::link(script, lomar::LinkOptions(), diag);
    ASSERT_EQ(diag.text(), "");
    dbload(tempfile("prog.h11", linked.program).c_str(), "main");
    ASSERT_EQ(console.errors, "");
    EXPECT_EQ(console.out, "    T: 0x8000 (12)  D: 0x0 (0)\nentry point at main (0x8000 )\n");
    EXPECT_EQ(rensym("_twice")->value, 0x800Au);
    EXPECT_EQ(rensym("_result")->value, 0x2000u);
    EXPECT_EQ(rensym(".bsize")->value, 2u);
    struct Line {
        const std::string& file;
        uint16_t address, line;
    };
    for (Line l : {Line{main, 0x8000, 4}, Line{main, 0x8003, 5}, Line{main, 0x8006, 6}, Line{main, 0x8009, 7},
                   Line{util, 0x800A, 3}, Line{util, 0x800B, 4}}) {
        DebugEntry* e = debuglist;
        while (e && !(e->kind == DBG_LINE && e->addr == l.address)) e = e->next;
        ASSERT_NE(e, nullptr) << l.address;
        EXPECT_EQ(e->text(), l.file);
        EXPECT_EQ(e->line, l.line);
        ASSERT_NE(findfile(l.file.c_str()), nullptr);
    }
    // And it runs: main doubles 21 into _result.
    regs.sp = 0x7FFF;
    for (int i = 0; i < 5; ++i) ASSERT_NE(decinstr(getpc(), DEC_EXEC, nullptr), NOINSTR);
    EXPECT_EQ(rdword(0x2000), 42);
}

TEST_F(ObjectLoadTest, AProgramWithoutDebugRecordsLoadsWithoutSourceInformation) {
    std::string object = assemble(tempfile("plain.s", absolute_source), {"-a", "-pl"});
    dbload(object.c_str(), nullptr);
    EXPECT_EQ(console.errors, "no debug symbol table\n");
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_EQ(debuglist, nullptr);
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(outsidec, 1);
    EXPECT_EQ(rdword(0xFFFE), 0x8000);
}

// A current-format file of two sections with chosen addresses.
pb::Object twosections(uint32_t textfirst, uint32_t textsecond, int namelength = -1) {
    pb::Object o;
    pb::Section text{".text", 0x80, textfirst, textsecond, {0x86, 0x2A, 0x39}};
    text.namelength = namelength;
    o.sections = {text, {".data", 0x00, 0x0200, 0x0200, {0x12, 0x34}}};
    o.symbols = {{textsecond, 0x05, 1, "_entry"}, {0x0200, 0x01, 2, "_var"}, {0x4000, 0x10, 0, "_abs"}};
    o.records = {{textsecond, 32, 1, "t.c~entry:1-2"}, {textsecond, 8, 1, "t.c:3"}, {textsecond + 3, 16, 1, "t.c:4-4"}};
    return o;
}

TEST_F(ObjectLoadTest, SectionAddressesMoveSymbolsAndRecordsByTheirDifference) {
    struct Case {
        const char* meaning;
        uint32_t first, second;
        int namelength;
        uint16_t entry;  // where the symbol and the line end up
        const char* out;
    };
    const Case cases[] = {
        {"equal addresses add nothing", 0x8000, 0x8000, -1, 0x8000,
         "    T: 0x8000 (3)  D: 0x200 (2)\nentry point at 0x8000 \n"},
        {"a section loaded elsewhere than it was linked", 0x9000, 0x8000, -1, 0x9000,
         "    T: 0x9000 (3)  D: 0x200 (2)\nentry point at 0x9000 \n"},
        // no line at the start address: a line end instead
        {"a name length with bit 7 means the second address is the first", 0x9000, 0x8000, 0x85, 0x8000,
         "    T: 0x9000 (3)  D: 0x200 (2)\nentry point at 0x9000 \n\n"},
    };
    for (const Case& c : cases) {
        console.out.clear();
        dbload(tempfile("moved.o", twosections(c.first, c.second, c.namelength).write()).c_str(), nullptr);
        ASSERT_EQ(console.errors, "") << c.meaning;
        EXPECT_EQ(rdbyte(static_cast<uint16_t>(c.first)), 0x86) << c.meaning;  // data stand at the first address
        EXPECT_EQ(rensym("_entry")->value, c.entry) << c.meaning;
        EXPECT_EQ(rensym("_entry")->type, 5) << c.meaning;  // flag bit 0
        EXPECT_EQ(rensym("_abs")->value, 0x4000u) << c.meaning;
        EXPECT_EQ(rensym("_abs")->type, 0) << c.meaning;
        ASSERT_NE(debuglist, nullptr) << c.meaning;
        EXPECT_EQ(debuglist->addr, c.entry) << c.meaning;
        EXPECT_EQ(console.out, c.out) << c.meaning;
    }
}

TEST_F(ObjectLoadTest, ZeroPageAndBssSectionsAreCountedAndNamed) {
    pb::Object o;
    pb::Section bss{".bss", 0x01, 0x0300, 0x0300, {}};
    bss.bsssize = 16;
    o.sections = {{".bsct", 0x08, 0x0010, 0x0010, {1, 2, 3}}, {".text", 0x80, 0xE000, 0xE000, {0x39}}, bss};
    dbload(tempfile("zp.o", o.write()).c_str(), nullptr);
    EXPECT_EQ(console.out, "    T: 0xe000 (1)  D: 0x0 (0)  Z: 0x10 (3)\nentry point at 0xe000 \n\n");
    EXPECT_EQ(rensym(".zpage")->value, 0x10u);
    EXPECT_EQ(rensym(".zsize")->value, 3u);
    EXPECT_EQ(rensym(".bss")->value, 0x300u);
    EXPECT_EQ(rensym(".bsize")->value, 16u);
    EXPECT_EQ(rensym(".dsize"), nullptr);
    EXPECT_EQ(rdbyte(0x0012), 3);
}

TEST_F(ObjectLoadTest, WithoutTheMemoryImageOnlySymbolsAndTablesAreLoaded) {
    pb::Program p;
    pb::File f;
    f.name = "n.c";
    pb::Function fn;
    fn.name = "main";
    f.funcs = {fn};
    p.files = {f};
    pb::Built b = pb::build(p);
    fillbytes();
    std::vector<uint8_t> before = memorybytes();
    loadimage = 0;
    dbload(tempfile("n.o", b.image).c_str(), nullptr);
    EXPECT_EQ(console.errors, "");
    EXPECT_TRUE(memorybytes() == before);
    EXPECT_NE(findfunc("main"), nullptr);
    EXPECT_EQ(rensym("_main")->value, 0x8000u);
}

TEST_F(ObjectLoadTest, TheOtherFirstByteOfTheFormatReadsTheSame) {
    pb::Object o = twosections(0x8000, 0x8000);
    o.magic = 0xCD;
    dbload(tempfile("cd.o", o.write()).c_str(), nullptr);
    EXPECT_EQ(console.errors, "");
    EXPECT_EQ(loadformat, '4');
    EXPECT_EQ(rensym("_entry")->value, 0x8000u);
}

// Big-endian words for hand-made records.
void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

TEST_F(ObjectLoadTest, MarkerSymbolsBecomeSectionMarkersOfTheirFiles) {
    pb::Program p;
    pb::File f;
    f.name = "mod.c";
    pb::Function fn;
    fn.name = "f";
    f.funcs = {fn};
    p.files = {f};
    pb::Object o = pb::build(p).object;
    // A marker: flags 0, the record count in the section byte, the file
    // offset of its 24-byte records as the value.
    auto marker = [](uint8_t section, const std::string& name, uint32_t value) {
        std::vector<uint8_t> r = {section, static_cast<uint8_t>(name.size() | 0x80)};
        for (std::size_t i = 0; i < 14; ++i) r.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
        put32(r, value);
        put32(r, 0);
        return r;
    };
    for (auto& r : {marker(1, "mod_text2", 0x8010), marker(1, "mod_text1", 0x8004), marker(2, "mod_dbg", 0)})
        o.trailer.insert(o.trailer.end(), r.begin(), r.end());
    o.symbols.push_back({0, 0, 3, "mod.o"});
    o.symbols.push_back({0x1234, 0, 0, ""});  // an empty marker is passed over
    o.symbols[o.symbols.size() - 2].value = o.traileroffset();
    dbload(tempfile("mark.o", o.write()).c_str(), nullptr);
    ASSERT_EQ(console.errors, "");
    EXPECT_EQ(rensym("mod.o"), nullptr);
    ASSERT_NE(markers, nullptr);
    EXPECT_EQ(markers->file, findfile("mod.c"));
    ASSERT_NE(sectionmarkers[1], nullptr);
    EXPECT_STREQ(sectionmarkers[1]->name, "mod_text1");
    EXPECT_EQ(sectionmarkers[1]->value, 0x8004u);
    EXPECT_STREQ(sectionmarkers[1]->next->name, "mod_text2");
    EXPECT_EQ(sectionmarkers[1]->next->marker, markers);
    EXPECT_STREQ(sectionmarkers[2]->name, "mod_dbg");
    EXPECT_EQ(filebybase(".c"), nullptr);
    EXPECT_EQ(filebybase("mod.whatever"), findfile("mod.c"));
}

TEST_F(ObjectLoadTest, APlacementMarkerMovesSectionsAfterTheyAreLoaded) {
    pb::Object o = twosections(0x8000, 0x8000);
    // The first symbol: flags 0, no name, one placement record.
    o.symbols.insert(o.symbols.begin(), pb::Symbol{0, 0, 1, ""});
    o.symbols[0].value = o.traileroffset();
    std::vector<uint8_t> r = {1};
    r.resize(16, 0);
    put32(r, 0xA000);  // new first address
    put32(r, 0x8000);  // new second address
    o.trailer = r;
    dbload(tempfile("place.o", o.write()).c_str(), nullptr);
    ASSERT_EQ(console.errors, "");
    EXPECT_EQ(rdbyte(0x8000), 0x86);  // the data stay where they were loaded
    EXPECT_EQ(rensym("_entry")->value, 0xA000u);
    EXPECT_EQ(debuglist->addr, 0xA000u);
    SectionGroup* text = sectiongroups->next;
    ASSERT_STREQ(text->name, ".text");
    EXPECT_EQ(text->first, 0xA000u);
    EXPECT_EQ(text->last, 0xA002u);
}

TEST_F(ObjectLoadTest, LoadingWithABaseMovesTheTextSection) {
    std::string path = tempfile("base.o", twosections(0x8000, 0x8000).write());
    EXPECT_EQ(ldprog(path.c_str(), 0, 0, 0x100, 0x20), 1);
    closeobj();
    EXPECT_EQ(rdbyte(0x8100), 0x86);
    EXPECT_EQ(rdbyte(0x0220), 0x12);
    EXPECT_EQ(rensym("_entry")->value, 0x8100u);
    EXPECT_EQ(rensym("_var")->value, 0x0220u);
    EXPECT_EQ(rensym(".text")->value, 0x8100u);
}

TEST_F(ObjectLoadTest, OldFormatFilesLoadTheirSectionsSymbolsAndRecords) {
    std::vector<pb::OldSection> sections = {{"text", 0x05, 0x9000, 0x8000, {0x86, 0x01, 0x39}},
                                        {"data", 0x06, 0x0100, 0x0100, {0x55}},
                                        {"bss", 0x0E, 0x0200, 0x0200, {}}};
    std::vector<uint8_t> symbols;
    for (auto& s : {pb::oldsymbol(0x8000, 5, 1, "_go"), pb::oldsymbol(0x0010, 6, 2, "_val"), pb::oldsymbol(0x0042, 3, 0, "_k"),
                    pb::oldsymbol(0x0001, 1, 0, "_skipped"), pb::oldsymbol(0x9000, 2, 1, "\tmarker")})
        symbols.insert(symbols.end(), s.begin(), s.end());
    std::vector<pb::OldRecord> records = {{0x8000, 32, 1, "o.c~go:3"}, {0x8000, 8, 1, "o.c:4.2-6"}, {0x8003, 16, 1, "o.c:6"}};
    for (uint8_t first : {0x9D, 0xC2, 0xC3}) {
        freedebug(1);
        std::string path = tempfile("old" + std::to_string(first) + ".o",
                                    pb::writeold(first, 0, sections, symbols, records));
        EXPECT_EQ(ldprog(path.c_str(), 0, 0, 0x10, 0x20), 1) << int(first);
        closeobj();
        EXPECT_EQ(loadformat, '3');
        EXPECT_EQ(console.errors, "");
        EXPECT_EQ(rdbyte(0x9010), 0x86) << int(first);      // text at its first address plus the base
        EXPECT_EQ(rdbyte(0x0120), 0x55) << int(first);      // data plus the data offset
        EXPECT_EQ(rensym("_go")->value, 0x8010u);           // type 5: plus the base
        EXPECT_EQ(rensym("_val")->value, 0x0030u);          // type 6: plus the data offset
        EXPECT_EQ(rensym("_k")->value, 0x0042u);
        EXPECT_EQ(rensym("_k")->type, 3);
        EXPECT_EQ(rensym("_skipped"), nullptr);
        ASSERT_NE(markers, nullptr);
        EXPECT_STREQ(markers->name, "marker");
        EXPECT_EQ(rensym(".tsize")->value, 3u);
        EXPECT_EQ(rensym(".bsize")->value, 0u);
        if (first == 0x9D) {
            EXPECT_EQ(debuglist, nullptr);
            continue;
        }
        // Only variant 2 moves its records by their section's offset.
        uint32_t start = first == 0xC3 ? 0x9010 : 0x8000;
        ASSERT_NE(debuglist, nullptr);
        EXPECT_EQ(debuglist->addr, start);
        EXPECT_STREQ(debuglist->name, "go");
        DebugEntry* line = debuglist->next;
        EXPECT_EQ(line->kind, DBG_LINE);
        EXPECT_EQ(line->line, 4);
        EXPECT_EQ(line->col, 2);
        EXPECT_EQ(line->endline, 6);
        EXPECT_STREQ(line->name, "go");
    }
}

TEST_F(ObjectLoadTest, AnOldProgramsDebugTreeKeepsItsArgumentsInReverse) {
    // The old format's locals: arguments first, the list's first argument in
    // the last argument slot.
    pb::Program p;
    pb::File f;
    f.name = "o.c";
    pb::Function fn;
    fn.name = "add";
    pb::Var a, b, t;
    a.name = "a", a.cls = 2, a.value = 2;
    b.name = "b", b.cls = 2, b.value = 4;
    t.name = "t", t.cls = 3, t.value = 1;
    fn.vars = {a, b, t};
    f.funcs = {fn};
    p.files = {f};
    pb::Built built = pb::build(p);
    std::vector<pb::OldRecord> records;
    for (const pb::Record& r : built.object.records)
        records.push_back({static_cast<uint16_t>(r.value), r.kind, r.section, r.text});
    std::vector<uint8_t> image = pb::writeold(0xC2, 0, {{"text", 0x05, 0x8000, 0x8000, built.object.sections[0].data},
                                                     {"debug", 0, 0, 0, built.tree}},
                                           {}, records);
    dbload(tempfile("oldtree.o", image).c_str(), nullptr);
    ASSERT_EQ(console.errors, "");
    FuncRec* add = findfunc("add");
    ASSERT_NE(add, nullptr);
    ASSERT_EQ(add->nlocals, 3u);
    EXPECT_STREQ(add->locals[0].name, "b");
    EXPECT_STREQ(add->locals[1].name, "a");
    EXPECT_STREQ(add->locals[2].name, "t");
    EXPECT_EQ(add->locals[0].func, nullptr);  // only the current format sets the owner
    EXPECT_STREQ(add->argtext, "int  b, int  a");
    EXPECT_EQ(add->start->addr, 0x8000u);
}

TEST_F(ObjectLoadTest, StartPoints) {
    pb::Object o = twosections(0x8000, 0x8000);
    o.symbols.push_back({0x8002, 0x01, 1, "_init"});
    o.sections[0].data = {0x86, 0x2A, 0x39, 0x00};
    std::string path = tempfile("start.o", o.write());
    wrword(0xFFFE, 0x1234);  // the reset vector is not loaded: it stays
    struct Case {
        const char* text;
        int failed;
        uint16_t pc;
        const char* out;
        const char* errors;
    };
    const Case cases[] = {
        {nullptr, 0, 0x8000, "entry point at 0x8000 \n", ""},
        {"entry", 0, 0x8000, "entry point at entry (0x8000 )\n", ""},
        {"0x8002", 0, 0x8002, "entry point at 0x8002  (_init)\n\n", ""},  // no line there: a line end
        {"reset", 0, 0x1234, "entry point at 0x1234 \n\n", ""},
        {"0x8001", 0, 0x4444, "\n", "entry point at 0x8001 \n\n"},
        {"nosuch", 1, 0x4444, "", "invalid entry point: nosuch\n\n"},
    };
    for (const Case& c : cases) {
        setpc(0x4444);
        console.out.clear();
        console.errors.clear();
        dbload(path.c_str(), c.text);
        EXPECT_EQ(LoadFailed, c.failed) << (c.text ? c.text : "none");
        EXPECT_EQ(getpc(), c.pc) << (c.text ? c.text : "none");
        EXPECT_EQ(console.out.substr(console.out.find('\n') + 1), c.out) << (c.text ? c.text : "none");
        EXPECT_EQ(console.errors, c.errors) << (c.text ? c.text : "none");
    }
    EXPECT_EQ(rensym("_entry"), nullptr);  // the refused load keeps nothing
}

TEST_F(ObjectLoadTest, DamagedFilesAreRefusedAndMemoryStaysAsItWas) {
    std::vector<uint8_t> good = twosections(0x8000, 0x8000).write();
    struct Case {
        const char* meaning;
        std::vector<uint8_t> image;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"a header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 20),
                     "read error object file: short header"});
    auto bad = good;
    bad[28 + 16 + 1] = 0x10;  // the first section's data offset far outside
    cases.push_back({"section data outside the file", bad, "read error object file: section .text: data or relocations outside the file"});
    bad = good;
    bad[15] += 1;  // one more symbol byte than the records hold
    cases.push_back({"symbol bytes that do not match the records", bad,
                     "read error object file: symbol bytes do not match the symbol count"});
    pb::Object o = twosections(0x8000, 0x8000);
    o.symbols.push_back({1, 0x01, 7, "_f\x01\n"});
    cases.push_back({"a symbol of a section that does not exist", o.write(),
                     "read error symbole: no section 7 for _f\\x01\\x0A"});
    o = twosections(0x8000, 0x8000);
    o.records.push_back({1, 8, 9, "t.c:9"});
    cases.push_back({"a record of a section that does not exist", o.write(), "read error debug symbol: no section 9"});
    o = twosections(0x8000, 0x8000);
    o.records.insert(o.records.begin(), pb::Record{0x7000, 8, 0, "t.c:1"});
    cases.push_back({"a line before any function", o.write(), "Missing function for Line: t.c 1"});
    o = twosections(0x8000, 0x8000);
    o.symbols.insert(o.symbols.begin(), pb::Symbol{0x7FFFFF, 0, 2, ""});
    cases.push_back({"a placement marker outside the file", o.write(), "read error .init marker symbol"});
    cases.push_back({"an old file cut short", {0xC2, 0, 0, 0}, "read error object file: short header"});
    cases.push_back({"an old file with its sections outside", {0x9D, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0},
                     "read error object file: short section record"});

    fillbytes();
    for (const Case& c : cases) {
        dbload(tempfile("good.o", good).c_str(), nullptr);  // a program is loaded ...
        ASSERT_EQ(LoadFailed, 0);
        std::vector<uint8_t> before = memorybytes();
        console.errors.clear();
        dbload(tempfile("bad.o", c.image).c_str(), nullptr);  // ... and a damaged one refused
        EXPECT_EQ(LoadFailed, 1) << c.meaning;
        EXPECT_EQ(console.errors, std::string(c.message) + "\n") << c.meaning;
        EXPECT_TRUE(memorybytes() == before) << c.meaning;
        EXPECT_EQ(debuglist, nullptr) << c.meaning;
        EXPECT_EQ(rensym("_entry"), nullptr) << c.meaning;
        EXPECT_EQ(rensym(".text"), nullptr) << c.meaning;
        EXPECT_NE(rensym(".time"), nullptr) << c.meaning;
    }
}

TEST_F(ObjectLoadTest, AFileThatCannotBeOpenedIsReported) {
    dbload("no/such/program.o", nullptr);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "!PANIC can't open: no/such/program.o\n");
}

#ifndef _WIN32
TEST_F(ObjectLoadTest, AnObjectFileLargerThanAnyProgramIsRefusedUnread) {
    std::string path = tempfile("huge.o", std::vector<uint8_t>{0xCC});
    std::filesystem::resize_file(path, (256u << 20) + 1);  // sparse: nothing is written
    dbload(path.c_str(), nullptr);
    std::filesystem::remove(path);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "read error object file: file too large\n");
}
#endif

}  // namespace
}  // namespace vy
