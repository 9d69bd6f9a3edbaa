// Location specifications and the number texts.
#include <string>

#include "debugger/engine/location.h"
#include "debugger/engine/numtext.h"
#include "debugger/engine/program_lists.h"
#include "debugger/target/debug_tables.h"
#include "engine_fixture.h"
#include "sample_program.h"

namespace vy {
namespace {

using Locations = EngineTest;

std::string text(const char* s) { return s ? s : "(null)"; }

TEST_F(Locations, EveryFormOfALocation) {
    struct Case {
        const char* text;
        const char* form;   // iscount / isline / name / address / function / none
        uint32_t number, column, endline, endcolumn;
        const char* file;
        const char* function;
        const char* name;
        uint16_t address;
        const char* rest;   // the text after what was used
    } cases[] = {
        {"12", "count", 12, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0, ""},
        {" 0x10 x", "count", 16, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0, " x"},
        {"@0x1000", "address", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0x1000, ""},
        {"main()", "function", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, "main", nullptr, 0, ""},
        {"main() {x}", "function", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, "main", nullptr, 0, " {x}"},
        {"f.c:10", "line", 10, NOCOLUMN, 0, NOCOLUMN, "f.c", nullptr, nullptr, 0, ""},
        {"f.c:10.3:12", "line", 10, 3, 12, NOCOLUMN, "f.c", nullptr, nullptr, 0, ""},
        {"f.c:10.3:12.7;x", "line", 10, 3, 12, 7, "f.c", nullptr, nullptr, 0, ";x"},
        {":10", "line", 10, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0, ""},
        {"main():5", "line", 5, NOCOLUMN, 0, NOCOLUMN, nullptr, "main", nullptr, 0, ""},
        {"c:\\src\\f.c:7", "line", 7, NOCOLUMN, 0, NOCOLUMN, "c:\\src\\f.c", nullptr, nullptr, 0, ""},
        {"f.c:x+1", "name", 0, NOCOLUMN, 0, NOCOLUMN, "f.c", nullptr, "x", 0, "+1"},
        {"main():i", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, "main", "i", 0, ""},
        {"u12", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, "u12", 0, ""},
        {"l5", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, "l5", 0, ""},
        {"x+1", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, "x", 0, "+1"},
        {"main(", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, "main", 0, "("},
        {"a@b", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, "a@b", 0, ""},
        {"f.c:", "line", 0, NOCOLUMN, 0, NOCOLUMN, "f.c", nullptr, nullptr, 0, ""},
        {"", "none", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0, ""},
        {"   ", "none", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0, ""},
        {"+1", "none", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, nullptr, 0, "+1"},
        {"x\x80y", "name", 0, NOCOLUMN, 0, NOCOLUMN, nullptr, nullptr, "x", 0, "\x80y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LocationSpec r;
        const char* rest = parseloc(c.text, r);
        EXPECT_STREQ(rest, c.rest);
        std::string form = c.form;
        EXPECT_EQ(r.present != 0, form != "none");
        EXPECT_EQ(iscount(r), form == "count");
        EXPECT_EQ(r.isaddress != 0, form == "address");
        EXPECT_EQ(isline(r), form == "line" || form == "function");   // a function names its lines
        EXPECT_EQ(hasname(r), form == "name");
        EXPECT_EQ(r.number, c.number);
        EXPECT_EQ(r.column, c.column);
        EXPECT_EQ(r.endline, c.endline);
        EXPECT_EQ(r.endcolumn, c.endcolumn);
        EXPECT_EQ(text(r.file), text(c.file));
        EXPECT_EQ(text(r.function), text(c.function));
        EXPECT_EQ(text(r.name), text(c.name));
        EXPECT_EQ(r.address, c.address);
    }
}

TEST_F(Locations, AWordOfAnyLengthIsKeptWhole) {
    std::string name(100000, 'n');
    LocationSpec r;
    parseloc((name + " rest").c_str(), r);
    EXPECT_EQ(text(r.name), name);
    std::string file = std::string(70000, 'f') + ".c:12";
    parseloc(file.c_str(), r);
    EXPECT_EQ(text(r.file).size(), 70002u);
    EXPECT_EQ(r.number, 12u);
}

TEST_F(Locations, NumberTexts) {
    EXPECT_STREQ(sdecstr(-5), "-5");
    EXPECT_STREQ(sdecstr(INT32_MIN), "-2147483648");
    EXPECT_STREQ(udecstr(4294967295u), "4294967295");
    EXPECT_STREQ(decstr(-1), "4294967295");
    EXPECT_STREQ(uhexstr(0xABCDEF01), "0xabcdef01");
    EXPECT_STREQ(hexstr(0), "0x0");
    EXPECT_EQ(hexaddr(0x1f), "0x1f   ");
    EXPECT_EQ(hexaddr(0xffff), "0xffff ");
    EXPECT_STREQ(padnum(12345, 3, ' '), "***");
    EXPECT_STREQ(padnum(42, 5, ' '), "   42");
    EXPECT_STREQ(padnum(7, 0, ' '), "");
    EXPECT_STREQ(padnum(1, 40, '0'), "000000000000001");   // width outside 0-15: 15
    EXPECT_STREQ(hexpad(255, 4, '0'), "00ff");
    EXPECT_STREQ(hexpad(0x12345, 4, '0'), "****");
    EXPECT_STREQ(decpad(-12, 5, ' '), "  -12");
    EXPECT_EQ(std::string(decpad(-12, -1, '.')), std::string(28, '.') + "-12");
    // Each converter has its own buffer.
    const char* a = sdecstr(1);
    const char* b = udecstr(2);
    EXPECT_STREQ(a, "1");
    EXPECT_STREQ(b, "2");
}

TEST_F(Locations, FilesAndFunctionsOfTheLoadedProgram) {
    loadsample();
    shown();
    listfiles();
    EXPECT_EQ(shown(), "          g.c\n          f.c\n");
    listfuncs(nullptr, false);
    EXPECT_EQ(shown(), "Functions in file: g.c\n (on)   helper() at 0x800a \n\n"
                       "Functions in file: f.c\n (on)   main() at 0x8000 \n\n");
    findfunc("helper")->active = 0;
    findfunc("main")->state = 1;
    listfuncs("g.c", true);
    EXPECT_EQ(shown(), "Functions in file: g.c\n (off)  extern signed char *helper(int  n) at 0x800a \n\n");
    listfuncs("f.c", false);
    EXPECT_EQ(shown(), "Functions in file: f.c\n (act)  main() at 0x8000 \n\n");
    listfuncs("none.c", false);
    EXPECT_EQ(shown(), "");
    putwhere(findfunc("main"));
    EXPECT_EQ(shown(), "extern int main() at 0x8000 ");
}

// An '@' form is an address only when the rest is wholly a number of the
// 16-bit address space; otherwise the word stays a name, which the
// commands report, instead of a place at a wrapped or empty address.
TEST_F(Locations, AnAddressIsWhollyASixteenBitNumber) {
    struct Case {
        const char* text;
        bool isaddress;
        uint16_t address;
    } cases[] = {
        {"@0", true, 0},       {"@0xffff", true, 0xFFFF}, {"@8000", true, 8000}, {"@0x10000", false, 0},
        {"@-1", false, 0},     {"@", false, 0},           {"@junk", false, 0},   {"@0x80zz", false, 0},
        // past 32 bits: no wrapping back into the address space
        {"@0x100000000", false, 0}, {"@4294967296", false, 0}, {"@0x100008000", false, 0}, {"@0x00000000ffff", true, 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LocationSpec r;
        parseloc(c.text, r);
        EXPECT_EQ(r.isaddress != 0, c.isaddress);
        EXPECT_EQ(r.address, c.address);
        EXPECT_EQ(hasname(r), !c.isaddress);
    }
    EXPECT_EQ(run("b @junk\nb @0x10000\nb @\ndel @\nb\n"),
              "b @junk\n#error: syntax error: @\nb @0x10000\n#error: syntax error: @\n"
              "b @\n#error: syntax error: @\ndel @\n#error: syntax error: @\nb\nno breakpoint\n");
}

}  // namespace
}  // namespace vy
