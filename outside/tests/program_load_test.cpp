// A C program built by cc11 -x -link with the real passes, the start-up
// code and the runtime library, loaded by the debugger's program loader:
// its bytes stand where the linker put them, every symbol of the program
// file has its linked value, the line and function entries and the
// variables of the debug tree (the merged, relocated .debug section) name
// the linked addresses, and the program runs from reset to its end with
// main's result in D.
#include <filesystem>

#include "debugger/target/abi.h"
#include "debugger/target/console_services.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;

class ProgramLoad : public OutsideTest {
protected:
    vy::ConsoleServices console;

    void SetUp() override {
        OutsideTest::SetUp();
        console.capture = true;
        vy::setservices(&console);
        while (vy::symlist) vy::undefsym(vy::symlist->name());
        vy::LoadFailed = 0;
        vy::meminit();
        vy::regs = vy::RegImage{};
        vy::loadimage = 1;
    }
    void TearDown() override {
        vy::closeobj();
        vy::releaseobjimage();
        vy::keepobjload();
        vy::freesections();
        vy::freedebug(1);
        while (vy::symlist) vy::undefsym(vy::symlist->name());
        vy::memclose();
        vy::setservices(nullptr);
        OutsideTest::TearDown();
    }
};

// Globals of every section kind, a long and a float for the runtime
// library, and a second function.
const char* const SOURCE =
    "long total = 100000;\n"
    "int counter;\n"
    "float scale = 1.5f;\n"
    "static char tag[3] = {1, 2, 3};\n"
    "int add(int a, int b)\n"
    "{\n"
    "    return a + b + tag[2];\n"
    "}\n"
    "int main(void)\n"
    "{\n"
    "    long r = total * 3 / 7;\n"
    "    counter = add(2, 3);\n"
    "    return (int)(r / 1000) + counter + (int)(scale * 4.0f);\n"
    "}\n";

TEST_F(ProgramLoad, ACompiledProgramLoadsWithItsSymbolsLinesAndVariables) {
    write("t.c", SOURCE);
    ToolRun cc = run_tool("cc11", "-x -link -o t.h11 t.c");
    ASSERT_EQ(cc.status, 0) << cc.err << cc.out;
    Program p;
    ASSERT_TRUE(p.read(read_bytes("t.h11")));

    for (uint32_t a = 0; a < 0x10000; ++a) vy::wrbyte(static_cast<uint16_t>(a), static_cast<uint8_t>(0x5A ^ a));
    std::string path = (std::filesystem::current_path() / "t.h11").string();
    vy::dbload(path.c_str(), "reset");
    ASSERT_EQ(vy::LoadFailed, 0) << console.errors;
    EXPECT_EQ(console.errors, "");

    // The bytes of every loaded section; .debug lies at 0 and is not
    // loaded (page zero holds the copied data only after the start-up).
    for (const auto& [address, byte] : p.memory)
        ASSERT_EQ(vy::rdbyte(static_cast<uint16_t>(address)), byte) << std::hex << address;
    const objfile::Section* debug = p.section(".debug");
    ASSERT_NE(debug, nullptr);
    EXPECT_EQ(debug->start, 0u);
    ASSERT_GE(debug->data.size(), 4u);
    for (uint32_t a = 0; a < debug->data.size() && a < 0x100; ++a)
        if (!p.memory.count(a)) {
            ASSERT_EQ(vy::rdbyte(static_cast<uint16_t>(a)), 0x5A ^ a) << a;
        }

    // Every symbol of the program file, at its linked value.
    int symbols = 0;
    for (const objfile::Symbol& s : p.obj.symbols) {
        vy::SymRec* r = vy::rensym(s.name.c_str());
        ASSERT_NE(r, nullptr) << s.name;
        EXPECT_EQ(r->value, s.value) << s.name;
        ++symbols;
    }
    EXPECT_GT(symbols, 10);

    // Functions and lines where the linker put the code.
    uint32_t main_at = p.symbol("_main"), add_at = p.symbol("_add");
    vy::FuncRec* fmain = vy::findfunc("main");
    vy::FuncRec* fadd = vy::findfunc("add");
    ASSERT_NE(fmain, nullptr);
    ASSERT_NE(fadd, nullptr);
    ASSERT_NE(fmain->start, nullptr);
    ASSERT_NE(fadd->start, nullptr);
    EXPECT_EQ(fmain->start->addr, main_at);
    EXPECT_EQ(fadd->start->addr, add_at);
    ASSERT_NE(vy::findfile("t.c"), nullptr);
    const objfile::Section* text = p.section(".text");
    ASSERT_NE(text, nullptr);
    int lines = 0;
    for (vy::DebugEntry* e = vy::debuglist; e; e = e->next)
        if (e->kind == vy::DBG_LINE && e->line >= 11 && e->line <= 13) {
            EXPECT_GT(e->addr, main_at) << e->line;
            EXPECT_LT(e->addr, text->start + text->size) << e->line;
            ++lines;
        }
    EXPECT_GE(lines, 3);

    // Variables of the debug tree: the addresses of the data, bss and
    // static sections as linked.
    for (const char* name : {"total", "counter", "scale", "tag"}) {
        vy::LocalRec* v = vy::funcvar(fmain, name);
        ASSERT_NE(v, nullptr) << name;
        std::string symbol = std::string("_") + name;
        if (p.has_symbol(symbol)) {
            EXPECT_EQ(vy::varaddr(v, nullptr), p.symbol(symbol)) << name;
        }
    }

    // It runs from reset to its end: 300000 / 7 / 1000 + (2 + 3 + 3) + 6.
    uint16_t halt = static_cast<uint16_t>(p.symbol("__halt"));
    vy::cpureset();
    EXPECT_EQ(vy::getpc(), p.symbol("__stext"));
    uint32_t n = 0;
    while (vy::getpc() != halt && n++ < 200000)
        ASSERT_NE(vy::decinstr(vy::getpc(), vy::DEC_EXEC, nullptr), vy::NOINSTR) << std::hex << vy::getpc();
    ASSERT_EQ(vy::getpc(), halt);
    EXPECT_EQ(vy::getreg(vy::REG_D), 42u + 8u + 6u);
    // The initialised data came from their image behind the code.
    EXPECT_EQ(vy::rdword(static_cast<uint16_t>(p.symbol("_total") + 2)), 100000u & 0xFFFF);
}

}  // namespace
