// Debug records: the .d* directives, the records of option x, the preamble,
// the symbol table in .debug, and the passes the records can cause.
#include <map>

#include "ccasm/tests/asm_fixture.h"

namespace {

struct Rec {
    int kind;
    uint32_t value;
    int section;
    std::string text;
    bool operator==(const Rec&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rec& r) {
    return os << "{0x" << std::hex << r.kind << std::dec << ", " << r.value << ", " << r.section << ", \"" << r.text << "\"}";
}

std::vector<Rec> records(const AsmRun& r) {
    std::vector<Rec> out;
    for (const auto& d : r.obj.debug) out.push_back({d.kind, d.value, d.section, d.text});
    return out;
}

uint32_t long_at(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

const char* const hand_written =
    "\txdef\tmain\n"                 // 1
    "main:\tldaa\t#1\n"              // 2
    "\tswitch\t.data\n"              // 3
    "var:\tdc.w\t7\n"                // 4
    "buf:\tds.b\t3\n"                // 5
    "\tswitch\t.text\n"              // 6
    "\tstaa\tbuf\n"                  // 7
    "\trts\n";                       // 8

TEST_F(AsmTest, LineRecordsOfAHandWrittenSource) {
    write("src/h.s", hand_written);
    ccasm::Options opt;
    opt.line_debug = true;
    AsmRun r = assemble_files({"src/h.s"}, opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    // sections: 1 .text, 2 .data, 3 .debug; the preamble switches to .debug
    // and back before line 1, then comes a start record for every switch.
    const std::vector<Rec> expect = {
        {0x10, 0, 1, "src/h.s:0-0"},   {0x20, 0, 3, "src/h.s~:0-0"}, {0x40, 0, 3, "src/h.s"},
        {0x10, 45, 3, "src/h.s:0-0"},  {0x20, 0, 1, "src/h.s~:0-0"}, {0x20, 0, 1, "src/h.s~:1-1"},
        {0x08, 0, 1, "src/h.s:2"},     {0x10, 2, 1, "src/h.s:3-3"},  {0x20, 0, 2, "src/h.s~:3-3"},
        {0x10, 5, 2, "src/h.s:6-6"},   {0x20, 2, 1, "src/h.s~:6-6"}, {0x08, 2, 1, "src/h.s:7"},
        {0x08, 5, 1, "src/h.s:8"},     {0x10, 6, 1, "src/h.s:8-8"},
    };
    EXPECT_EQ(records(r), expect);
    // .debug: the file description of the preamble, then one 32-bit 0
    std::vector<uint8_t> d = r.bytes(".debug");
    ASSERT_EQ(d.size(), 49u);
    EXPECT_EQ(long_at(d, 0), 8u);                   // L1: L2, L3
    EXPECT_EQ(long_at(d, 4), 8u + 9u);
    EXPECT_EQ(std::string(d.begin() + 8, d.begin() + 15), "src/h.s");
    EXPECT_EQ(d[15], 0);
    EXPECT_EQ(d[16], 0x8A);
    EXPECT_EQ(long_at(d, 17 + 16), 8u);             // lines of the source, counted in the pass before
    EXPECT_EQ(long_at(d, 45), 0u);
}

TEST_F(AsmTest, NoPathOptionCutsTheDirectory) {
    write("src/h.s", hand_written);
    ccasm::Options opt;
    opt.line_debug = opt.no_path = true;
    AsmRun r = assemble_files({"src/h.s"}, opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    for (const Rec& rec : records(r)) EXPECT_EQ(rec.text.rfind("h.s", 0), 0u) << rec;
    std::vector<uint8_t> d = r.bytes(".debug");
    ASSERT_GE(d.size(), 11u);
    EXPECT_EQ(std::string(d.begin() + 8, d.begin() + 11), "h.s");
}

TEST_F(AsmTest, FullDebugAppendsTheSymbolTable) {
    write("h.s", std::string(hand_written) + "\tswitch\t.data\nw:\tds\t5\n");
    ccasm::Options opt;
    opt.line_debug = opt.full_debug = true;
    AsmRun r = assemble_files({"h.s"}, opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::vector<uint8_t> d = r.bytes(".debug");
    const uint32_t table = 41;  // the preamble of "h.s" takes 41 bytes
    ASSERT_GT(d.size(), table + 4);
    EXPECT_EQ(long_at(d, table), table + 4);
    std::map<std::string, std::vector<uint32_t>> entries;
    uint32_t count = 0;
    while (long_at(d, table + 4 + 16 * count) != 0) ++count;
    ASSERT_EQ(count, 4u);
    uint32_t names = table + 4 + 16 * count + 4;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t at = table + 4 + 16 * i;
        uint32_t name = long_at(d, at);
        std::string s;
        for (uint32_t p = name; d[p]; ++p) s += static_cast<char>(d[p]);
        entries[s] = {long_at(d, at + 4), long_at(d, at + 8), long_at(d, at + 12), d[name + s.size() + 1]};
        EXPECT_GE(name, names);
    }
    // address, type word by the data size behind the label, pointer to the size, type byte
    EXPECT_EQ(entries["main"], (std::vector<uint32_t>{0, 0x58000000, 0, 19}));
    EXPECT_EQ(entries["var"], (std::vector<uint32_t>{0, 0x11000000, 0, 1}));
    EXPECT_EQ(entries["buf"], (std::vector<uint32_t>{2, 0x0A0000C0, entries["buf"][2], 1}));
    EXPECT_EQ(entries["w"][1], 0x0A0000C0u);
    uint32_t size_at = entries["buf"][2];
    EXPECT_EQ(long_at(d, size_at), 3u);  // the size long behind the name entry
    EXPECT_EQ(long_at(d, entries["w"][2]), 5u);
}

TEST_F(AsmTest, SymbolTableEntryOfALabelInAnEmptySection) {
    // `lab` is neither referenced nor public: its section gets a number all
    // the same, because the table relocates the label's address against it
    ccasm::Options opt;
    opt.line_debug = opt.full_debug = true;
    AsmRun r = assemble("\tswitch\t.data\nlab:\n\tswitch\t.text\n\tnop\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    ASSERT_EQ(r.obj.sections.size(), 3u);
    EXPECT_EQ(r.obj.sections[1].name, ".data");
    EXPECT_EQ(r.obj.sections[1].size, 0u);
    const objfile::Section* d = r.obj.find(".debug");
    ASSERT_NE(d, nullptr);
    const uint32_t table = 41;  // after the preamble of "t.s"
    bool found = false;
    for (const objfile::Relocation& rel : d->relocations)
        if (rel.offset == table + 4 + 4) {
            EXPECT_EQ(rel.index, 2u);  // the address of lab, relocated in .data
            found = true;
        }
    EXPECT_TRUE(found);
}

const char* const compiled =
    "\t.dfile\t\"t.c\"\n"
    "\tswitch\t.text\n"
    "\t.dstart\t\"t.c~f:1-2\"\n"
    "\t.dline\t\"f:1-2\"\n"
    "\t.dentry\t\"t.c~f:-0.2\"\n"
    "_f:\n"
    "\t.dcall\t\"2,0,_f\"\n"
    "\tldd\t#1\n"
    "\tjsr\tc_lmul\n"
    "\t.dcall\t\"_f:c_lmul\"\n"
    "\t.dquit\t\"t.c~f:1\"\n"
    "\trts\n"
    "\t.dendfn\t\"t.c:3-3\"\n"
    "\tswitch\t.debug\n"
    "\t.dopt\t\"opt\",_f+2\n"
    "\tswitch\t.text\n"
    "\txdef\t_f\n"
    "\txref\tc_lmul\n"
    "\tend\n";

const std::vector<Rec> compiled_records = {
    {0x40, 0, 1, "t.c"},       {0x20, 0, 1, "t.c~f:1-2"}, {0x08, 0, 1, "f:1-2"},     {0x01, 0, 1, "t.c~f:-0.2"},
    {0x00, 0, 1, "2,0,_f"},    {0x00, 6, 1, "_f:c_lmul"}, {0x04, 6, 1, "t.c~f:1"},   {0x10, 7, 1, "t.c:3-3"},
    {0x80, 0, 2, "opt"},
};

TEST_F(AsmTest, CompilerDirectivesBecomeRecords) {
    AsmRun r = assemble(compiled);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(records(r), compiled_records);
    // .dopt assembles its value into .debug as a relocatable long
    std::vector<uint8_t> d = r.bytes(".debug");
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(long_at(d, 0), 2u);
    ASSERT_EQ(r.obj.find(".debug")->relocations.size(), 1u);
    EXPECT_EQ(r.obj.find(".debug")->relocations[0].kind, 2);
}

TEST_F(AsmTest, CompilerRecordsReplaceThoseOfOptionX) {
    write("t.s", compiled);
    ccasm::Options opt;
    opt.line_debug = true;
    AsmRun r = assemble_files({"t.s"}, opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(records(r), compiled_records);
    EXPECT_EQ(r.bytes(".debug").size(), 4u);  // the preamble's description is gone
}

TEST_F(AsmTest, ChangedLineTextForcesARebuildAndThePassesEnd) {
    // `size` is unknown in the first pass, so the other .dline is taken
    // there; its text has another length, which rebuilds the records.
    AsmRun r = assemble("\tif\tsize>2\n\t.dline\t\"long name:1\"\n\telse\n\t.dline\t\"x:1\"\n\tendif\n"
                        "s:\tnop\n\tnop\n\tnop\ne:\nsize:\tequ\te-s\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(records(r), (std::vector<Rec>{{0x08, 0, 1, "long name:1"}}));
}

TEST_F(AsmTest, DebugTextsLongerThanTheLengthByte) {
    std::string text(256, 'a');
    AsmRun r = assemble("\t.dline\t\"" + text + "\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.diagnostics, "#error ccasm t.s:1\tdebug text too long\n");
    AsmRun s = assemble("\t.dline\n");
    EXPECT_EQ(s.diagnostics, "#error ccasm t.s:1\tmissing string\n");
    AsmRun ok = assemble("\t.dline\t\"" + std::string(255, 'b') + "\"\n");
    ASSERT_EQ(ok.status, 0) << ok.diagnostics;
    EXPECT_EQ(ok.obj.debug[0].text.size(), 255u);
}

TEST_F(AsmTest, LongFileNameInLineRecords) {
    // the file named by .sfile goes into the line records of option x
    ccasm::Options opt;
    opt.line_debug = true;
    AsmRun r = assemble("\t.sfile\t\"" + std::string(260, 'n') + "\",1\n\tnop\n", opt);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.diagnostics.find(":1\tdebug text too long\n"), std::string::npos) << r.diagnostics;
}

}  // namespace
