// The older command core at its console: statements, macros, the
// single-letter commands, machine breakpoints and the run loop.
#include <string>

#include "core_fixture.h"
#include "debugger/engine/headless.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"

namespace vy {
namespace {

using Core = CoreTest;

// What the console shows for a typed line: the prompt, the line, its end.
std::string typed(const std::string& line) { return "-> " + line + "\n"; }

std::string registers() {
    char line[512];
    regline(line);
    return line;
}

// ---------------------------------------------------------------------------
// Statements and macros

TEST_F(Core, StatementsBlocksAndSymbols) {
    struct Case {
        const char* line;
        const char* shown;
    } cases[] = {
        {"x 1; x 2", "1\n2\n"},
        {"{x 1; x 2} x 3", "1\n2\n3\n"},
        {"v1 = 5; x v1 * 2", "10\n"},
        {"if 0 {x 1; x 2} else x 3", "3\n"},
        {"if 1 {x 1; x 2} else x 3", "1\n2\n"},
        {"if 1 x 1; else x 2; x 4", "1\n4\n"},
        {"if 0 x 1; x 4", "4\n"},
        {"{ if 1 x 5 } x 6", "5\n6\n"},
        {"{ if 1 } x 6", "6\n"},
        {"i = 0; while i < 3 { x i; i = i + 1 }; x 9", "0\n1\n2\n9\n"},
        {"while 0 x 1; x 2", "2\n"},
        {"if 0 { while 1 x 1 } else x 2", "2\n"},
        {"else x 1; x 2", "2\n"},
        {"* a comment; x 1", ""},
        {"x 1 * 3 ; ; x 2", "3\n2\n"},
        {"}} x 1", "1\n"},
        {"w 1", "#error: unknown command\n"},
        {"\x81", "#error: unknown command\n"},
        {"return; x 1", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(type({c.line}), typed(c.line) + c.shown) << c.line;
}

TEST_F(Core, MacrosTakeArgumentsAndEndAtReturn) {
    setmacro("five", {"x 1", "return", "x 3", "x 4", "x 5"});
    setmacro("args", {"x \\0; x \\1 + \\3"});
    setmacro("sh", {"shift; x \\0; x \\1", "shift 2; x \\0; x \\1"});
    setmacro("nest", {"x \\1", "args \\1 * 2, 0, 1; x \\1"});
    setmacro("loop", {"while \\0 > 0", "{", "x \\1", "shift", "}", "x 99"});
    setmacro("choose", {"if \\1 == 1", "x 10", "else", "{", "x 20", "x 21", "}", "x 30"});
    struct Case {
        const char* line;
        const char* shown;
    } cases[] = {
        {"five; x 9", "1\n9\n"},
        {"args 7, 8, 9", "3\n16\n"},
        {"sh 1, 2, 3, 4", "3\n2\n2\n2\n"},
        {"nest 5", "5\n3\n11\n5\n"},
        {"loop 4, 5, 6", "4\n5\n6\n99\n"},
        {"choose 1", "10\n30\n"},
        {"choose 2", "20\n21\n30\n"},
        {"if 0 five; x 8", "8\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(type({c.line}), typed(c.line) + c.shown) << c.line;
}

TEST_F(Core, AnEmptyLineRepeatsDumpListingAndStep) {
    for (int i = 0; i < 64; ++i) wrbyte(static_cast<uint16_t>(0x100 + i), static_cast<uint8_t>('A' + i % 26));
    auto row = [](int address) {
        std::string text;
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%04x   ", address);
        text = buffer;
        std::string chars;
        for (int i = 0; i < 16; ++i) {
            char c = static_cast<char>('A' + (address - 0x100 + i) % 26);
            std::snprintf(buffer, sizeof buffer, "%02x ", c);
            text += buffer;
            chars += c;
        }
        return text + "  " + chars + "\n";
    };
    EXPECT_EQ(type({"d 0x100, #20", ""}),
              typed("d 0x100, #20") + row(0x100) + row(0x110) + typed("") + row(0x120) + row(0x130));
    // Another command in between ends the repetition.
    EXPECT_EQ(type({"x 1", ""}), typed("x 1") + "1\n" + typed(""));
}

TEST_F(Core, DumpSizesAndRanges) {
    poke(0x200, {0x12, 0x34, 0x56, 0x78, 0x00, 0x7F, 0x80, 0xC1});
    EXPECT_EQ(type({"dw 0x200, 0x20f"}), typed("dw 0x200, 0x20f") +
                                             "0x0200   1234 5678 007f 80c1 0000 0000 0000 0000   .4Vx...A........\n");
    EXPECT_EQ(type({"dl 0x200, #1"}), typed("dl 0x200, #1") +
                                          "0x0200   12345678 007f80c1 00000000 00000000   .4Vx...A........\n");
    EXPECT_EQ(type({"d 0x210, 0x200"}), typed("d 0x210, 0x200"));
}

TEST_F(Core, ValuesRegistersAndSymbols) {
    defsym("start", 0x8000);
    poke(0x500, {'h', 'i', 0});
    struct Case {
        const char* line;
        const char* shown;
    } cases[] = {
        {"x 255", "255\n"},
        {"xh 255", "0xff\n"},
        {"x 16", "16\n"},
        {"xH 255", "0xff\n"},       // and hexadecimal from now on
        {"x 16", "0x10\n"},
        {"xd 16", "16\n"},
        {"xo 8", "010\n"},
        {"xs start+2", "start+2\n"},
        {"xs start", "start\n"},
        {"xs 5", "0x5\n"},
        {"xD -1", "-1\n"},
        {"$a = 5; $a", "a = 5\n"},
        {"$X 0x1234; $x", "x = 4660\n"},
        {"$q", "#error: unknown register\n"},
        {"\"a=%d h=%h o=%o c=%c s=%s l=%l b=%b %% %q\\n\", 10, 255, 8, 65, 0x500, start+1, 0x500, 2",
         "a=10 h=0xff o=010 c=A s=hi l=start+1 b=hi % q\n"},
        {"\"tab\\tend\"", "tab\tend"},
        {"k start; xs 0x8000", "32768\n"},
        {"k nosuch", "#error: symbol not found\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(type({c.line}), typed(c.line) + c.shown) << c.line;
}

TEST_F(Core, ModifyMemory) {
    EXPECT_EQ(type({"m 0x300", "5", "", "7", "."}),
              typed("m 0x300") + "0x0300: 0x00 = 5\n0x0301: 0x00 = \n0x0302: 0x00 = 7\n0x0303: 0x00 = .\n");
    EXPECT_EQ(rdbyte(0x300), 5);
    EXPECT_EQ(rdbyte(0x302), 7);
    EXPECT_EQ(type({"mw 0x200 = 0x1234, 0x5678; x [0x202].w"}), typed("mw 0x200 = 0x1234, 0x5678; x [0x202].w") + "22136\n");
    // The size letter stays: the next m writes words too.
    EXPECT_EQ(type({"m 0x310, 1, 2"}), typed("m 0x310, 1, 2"));
    EXPECT_EQ(rdword(0x310), 1);
    EXPECT_EQ(rdword(0x312), 2);
    EXPECT_EQ(type({"ms 0x400, \"ab\\n\", ?2", "xyz"}), typed("ms 0x400, \"ab\\n\", ?2") + "?> xyz\n");
    EXPECT_EQ(rdword(0x400), 0x6162);
    EXPECT_EQ(rdword(0x402), 0x0A78);
    EXPECT_EQ(rdbyte(0x404), 0x79);
    EXPECT_EQ(rdbyte(0x405), 0);
}

TEST_F(Core, OutputRedirection) {
    EXPECT_EQ(type({"> out.txt; x 5; >", "x 6"}), typed("> out.txt; x 5; >") + typed("x 6") + "6\n");
    EXPECT_EQ(lflines(read("out.txt")), "5\n");
    EXPECT_EQ(type({"> nodir/x.txt"}), typed("> nodir/x.txt") + "#error: cannot redirect\n");
}

TEST_F(Core, SymbolAndMacroLists) {
    defsym("alpha", 0x10);
    defsym("beta", 0x12345);
    defsym("abc", 0x20);
    setmacro("m1", {"x 1"});
    setmacro("m2", {"x 2"});
    std::string s54(54, ' ');
    EXPECT_EQ(type({"l"}), typed("l") + "0x0010: alpha" + std::string(49, ' ') + "\n0x0020: abc" +
                               std::string(51, ' ') + "\n0x00012345: beta" + std::string(50, ' ') + "\n");
    EXPECT_EQ(type({"l a*"}), typed("l a*") + "0x0010: alpha" + std::string(49, ' ') + "\n0x0020: abc" +
                                  std::string(51, ' ') + "\n");
    EXPECT_EQ(type({"lf2"}), typed("lf2") + "m1" + std::string(37, ' ') + "m2" + std::string(37, ' ') + "\n");
    EXPECT_EQ(type({"lp .t*"}), typed("lp .t*") + "0x0000: .time" + std::string(49, ' ') + "\n");
}

TEST_F(Core, SourceDisplayNeedsDebugInformation) {
    EXPECT_EQ(type({"p"}), typed("p") + "C source display not avalaible\n");
}

TEST_F(Core, QuitAsksFirst) {
    EXPECT_EQ(type({"q", "n"}), typed("q") + "are you sure ?n\n");
    EXPECT_FALSE(core.quit);
    EXPECT_EQ(type({"q", "y"}), typed("q") + "are you sure ?y\n");
    EXPECT_TRUE(core.quit);
    core.quit = false;
    EXPECT_EQ(type({"quit"}), typed("quit"));
    EXPECT_TRUE(core.quit);
}

// ---------------------------------------------------------------------------
// Nothing ends the process

TEST_F(Core, FatalMessagesGiveUpTheLineOnly) {
    setmacro("rec", {"rec"});
    setmacro("m", {"x \\0"});
    std::string ifs;
    for (int i = 0; i < 30; ++i) ifs += "if 1 ";
    struct Case {
        std::string line;
        std::string shown;
    } cases[] = {
        {"rec; x 1", "#error: stack overflow\n"},
        {ifs + "x 1; x 2", "#error: stack overflow\n"},
        {"m 1,2,3,4,5,6,7,8,9; m 1,2,3,4,5,6,7,8,9,10; x 1", "9\n#error: too many arguments\n"},
        {"shift; x 1", "#error: incorrect argument\n"},
        {"x 1; x \\1; x 2", "1\n#error: incorrect argument\n"},
        {std::string(100000, '{') + "x 1", "1\n"},
        {"x " + std::string(100000, '!') + "0; x 2", "#error: stack overflow\n"},
        {std::string(100000, '!') + "0; x 2", "#error: unknown command\n2\n"},
        {"x " + std::string(100000, '('), "#error: stack overflow\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(type({c.line, "x 7"}), typed(c.line) + c.shown + typed("x 7") + "7\n") << c.line.substr(0, 60);
    }
    setmacro("sh", {"shift 3"});
    EXPECT_EQ(type({"sh 1, 2; x 3"}), typed("sh 1, 2; x 3") + "#error: incorrect argument\n");
}

TEST_F(Core, TheEndOfTheConsoleIsAMessage) {
    interp(nullptr, 1);
    EXPECT_EQ(shown(), "-> #error: no more input\n");
    EXPECT_EQ(type({"m 0x10"}), typed("m 0x10") + "0x0010: 0x00 = #error: no more input\n");
    EXPECT_EQ(type({"x ? + 1"}), typed("x ? + 1") + "?> #error: no more input\n");
    EXPECT_EQ(type({"x ? + 1", "2*3"}), typed("x ? + 1") + "?> 2*3\n7\n");
}

TEST_F(Core, LinesFromACommandFileAndTheJournal) {
    write("cmds.in", "x 1\r\nx 2\n");
    ASSERT_EQ(coreinput("cmds.in"), 1);
    ASSERT_EQ(corejournal("journal.txt"), 1);
    interp(nullptr, 1);
    interp(nullptr, 1);
    interp(nullptr, 1);   // the end of the file: back to the console
    EXPECT_EQ(shown(), "1\n2\n");
    EXPECT_EQ(type({"x 3"}), typed("x 3") + "3\n");
    corejournal("");
    EXPECT_EQ(lflines(read("journal.txt")), "x 1\nx 2\nx 3\n");
    EXPECT_EQ(coreinput("nosuch.in"), 0);
}

TEST_F(Core, Banner) {
    corebanner();
    EXPECT_EQ(shown(),
              "          VYR 68HC11 COMMAND CORE\n"
              "          Single-letter commands, macros and machine breakpoints\n"
              "          ---- SOURCE DEBUGGER FOR MC68HC11 ----\n");
}

// ---------------------------------------------------------------------------
// The line assembler, listings, breakpoints and runs

// 0x8000 ldaa #3; inca; inca; illegal. 0x8010 jsr 0x8020; nop; illegal.
// 0x8020 inca; rts.
void program() {
    poke(0x8000, {0x86, 0x03, 0x4C, 0x4C, 0x41});
    poke(0x8010, {0xBD, 0x80, 0x20, 0x01, 0x41});
    poke(0x8020, {0x4C, 0x39});
    setreg(REG_SP, 0x01FF);
    setpc(0x8000);
}

TEST_F(Core, ListingMarksThePcAndBreakpoints) {
    program();
    defsym("sub", 0x8020);
    EXPECT_EQ(type({"b 0x8002; e 0x8000, #3"}), typed("b 0x8002; e 0x8000, #3") +
                                                   "--> 0x8000 8603         ldaa  #0x03\n"
                                                   "(B) 0x8002 4c           inca  \n"
                                                   "    0x8003 4c           inca  \n");
    EXPECT_EQ(type({"E 0x8020, 0x8021"}), typed("E 0x8020, 0x8021") +
                                              "    0x8020              sub:\n"
                                              "    0x8020 4c           inca  \n"
                                              "    0x8021 39           rts   \n");
    runflags.listing = 1;
    EXPECT_EQ(type({"e 0x8000, #1"}), typed("e 0x8000, #1") + "    0x8000 8603         ldaa  #0x03\n");
    runflags.listing = 0;
    // An empty line lists the next ones.
    EXPECT_EQ(type({""}), typed("") + "(B) 0x8002 4c           inca  \n");
}

TEST_F(Core, AssembleAndExecuteOneInstruction) {
    program();
    EXPECT_EQ(type({"a 0x9000", "ldaa #5", "", "nop", "."}),
              typed("a 0x9000") + "0x9000     test               ldaa #5\n" +
                  "0x9002     test               \n" + "0x9003     test               nop\n" +
                  "0x9004     test               .\n");
    EXPECT_EQ(rdword(0x9000), 0x8605);
    EXPECT_EQ(rdbyte(0x9003), 0x01);
    setreg(REG_A, 1);
    EXPECT_EQ(type({"/ inca"}), typed("/ inca"));
    EXPECT_EQ(getreg(REG_A), 2u);
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(rdbyte(0x8000), 0x86);   // the bytes are back
    EXPECT_EQ(type({"/ bra 0x8010"}), typed("/ bra 0x8010"));
    EXPECT_EQ(getpc(), 0x8010);
    EXPECT_EQ(type({"/", "/ 5", "/ nosuch"}), typed("/") + "#error: uncomplete instruction\n" + typed("/ 5") +
                                                   "#error: illegal instruction\n" + typed("/ nosuch") +
                                                   "#error: illegal instruction\n");
}

TEST_F(Core, TheLineAssemblerReadsTheCoresExpressions) {
    defsym("table", 0x10);
    EXPECT_EQ(type({"a 0x9100", "ldx #table+2*3", "ldaa #'A'", "ldab #1|2+4", "."}).find("#error"), std::string::npos);
    EXPECT_EQ(rdword(0x9100), 0xCE00);
    EXPECT_EQ(rdword(0x9102), 0x1686);
    EXPECT_EQ(rdword(0x9104), 0x41C6);
    EXPECT_EQ(rdbyte(0x9106), 0x07);
    EXPECT_EQ(type({"a 0x9200", "ldaa #nosuch", "."}),
              typed("a 0x9200") + "0x9200     test               ldaa #nosuch\n#error: symbol not found\n" +
                  "0x9200     test               .\n");
}

TEST_F(Core, TheTimeBreakRunsTheMacroFtime) {
    poke(0x8000, {0x01, 0x01, 0x01, 0x01, 0x41});
    setpc(0x8000);
    *timeptr = 0;
    defsym(".btime", 4);
    setmacro(".ftime", {"x 99"});
    std::string shown = type({"g"});
    EXPECT_EQ(shown, typed("g") + "99\n" + registers() + " (nop   )\n\n***** breakpoint (65535) 0x8002\n");
    undefsym(".btime");
}

TEST_F(Core, BreakpointsAreSetListedReusedAndDeleted) {
    defsym("sub", 0x8020);
    EXPECT_EQ(type({"b 0x8000; br 0x100, 0x10f ? [0x100] == 3; bw sub+2 {x 1; g}; b ? $a == 9; b"}),
              typed("b 0x8000; br 0x100, 0x10f ? [0x100] == 3; bw sub+2 {x 1; g}; b ? $a == 9; b") +
                  "(1) 0x8000 \n"
                  "(2) 0x0100 , 0x010f (r) ? [0x100] == 3\n"
                  "(3) sub+2 (w) ? {x 1; g}\n"
                  "(4) ... ? $a == 9\n");
    EXPECT_EQ(rensym(".lbrk")->value, 4u);
    // The same range with an overlapping kind takes the new action.
    EXPECT_EQ(type({"bw 0x8000 {x 2}; bk 2 4; b 0x200; b"}),
              typed("bw 0x8000 {x 2}; bk 2 4; b 0x200; b") +
                  "(1) 0x8000 ? {x 2}\n"
                  "(2) 0x0200 \n"
                  "(3) sub+2 (w) ? {x 1; g}\n");
    // An action's lines are edited with the line editor.
    EXPECT_EQ(type({"v b 1", "a", "x 3", ".", "q", "b"}),
              typed("v b 1") + "[1]\n>a\n2 \tx 3\n3 \t.\n>q\n" + typed("b") +
                  "(1) 0x8000 ? {x 2}\n\t\tx 3\n(2) 0x0200 \n(3) sub+2 (w) ? {x 1; g}\n");
    EXPECT_EQ(type({"b 0x300 ?", "a", "$a == 1", ".", "q", "b"}),
              typed("b 0x300 ?") + "[0]\n>a\n1 \t$a == 1\n2 \t.\n>q\n" + typed("b") +
                  "(1) 0x8000 ? {x 2}\n\t\tx 3\n(2) 0x0200 \n(3) sub+2 (w) ? {x 1; g}\n(4) 0x0300 ? $a == 1\n");
    EXPECT_EQ(type({"v b 9"}), typed("v b 9") + "#error: incorrect argument\n");
}

TEST_F(Core, RunsStopAtBreakpointsWhoseConditionHolds) {
    program();
    setmacro(".panel", {"xh $pc"});
    EXPECT_EQ(type({"b 0x8003 ? $a == 9; b 0x8002 ? $a == 3; g"}),
              typed("b 0x8003 ? $a == 9; b 0x8002 ? $a == 3; g") + "0x8002\n (inca  )\n\n***** breakpoint (2) 0x8002\n");
    EXPECT_EQ(core.stopped, 2);
    // bk 0 deletes the breakpoint that stopped the run.
    EXPECT_EQ(type({"bk 0; b"}), typed("bk 0; b") + "(1) 0x8003 ? $a == 9\n");
    // An action that asks for a run goes on; one that does not stops.
    EXPECT_EQ(type({"n = 0; b 0x8003 {n = n + 1; g}; g 0x8000", "x n"}),
              typed("n = 0; b 0x8003 {n = n + 1; g}; g 0x8000") + "#error: illegal instruction\n" + typed("x n") +
                  "1\n");
    EXPECT_EQ(type({"b 0x8003 {x 77}; g 0x8000"}),
              typed("b 0x8003 {x 77}; g 0x8000") + "77\n0x8003\n (inca  )\n\n***** breakpoint (1) 0x8003\n");
}

TEST_F(Core, DataBreakpointsStopAfterTheAccess) {
    // 0x8000 ldd 0x0120; std 0x0122; illegal. Word accesses meet the
    // breakpoints byte by byte.
    poke(0x8000, {0xFC, 0x01, 0x20, 0xFD, 0x01, 0x22, 0x41});
    setpc(0x8000);
    std::string shown = type({"bw 0x123; g"});
    EXPECT_EQ(shown, typed("bw 0x123; g") + registers() + " (???   (0x41))\n\n***** breakpoint (1) 0x0123\n");
    EXPECT_EQ(getpc(), 0x8006);
    shown = type({"bk 1; br 0x121; g 0x8000"});
    EXPECT_EQ(shown, typed("bk 1; br 0x121; g 0x8000") + registers() + " (std   0x0122)\n\n***** breakpoint (1) 0x0121\n");
    EXPECT_EQ(getpc(), 0x8003);
}

TEST_F(Core, TraceAndStepPrintEveryInstruction) {
    program();
    setmacro(".panel", {"xh $pc"});
    EXPECT_EQ(type({"t"}), typed("t") + "0x8000\n ldaa  #0x03\n0x8002\n inca  \n0x8003\n inca  \n0x8004\n" +
                               "#error: illegal instruction\n");
    setpc(0x8000);
    EXPECT_EQ(type({"s 2", ""}), typed("s 2") + "0x8000\n ldaa  #0x03\n0x8002\n inca  \n0x8003\n (inca  )\n" +
                                     typed("") + "0x8003\n inca  \n0x8004\n" +
                                     "#error: illegal instruction\n");
}

TEST_F(Core, StepOverRunsTheSubroutineSilently) {
    program();
    setpc(0x8010);
    setmacro(".panel", {"xh $pc"});
    EXPECT_EQ(type({"so 1"}), typed("so 1") + "0x8010\n jsr   0x8020\n0x8013\n (nop   )\n");
    EXPECT_EQ(getsp(), 0x01FF);
    EXPECT_EQ(getreg(REG_A), 1u);
    setpc(0x8010);
    EXPECT_EQ(type({"si 2"}), typed("si 2") + "0x8010\n jsr   0x8020\n0x8020\n inca  \n0x8021\n (rts   )\n");
}

TEST_F(Core, RunsEndAtTheStopRequest) {
    poke(0x8000, {0x20, 0xFE});   // bra to itself
    setpc(0x8000);
    headless.stopafter = headless.polls + 1000;
    EXPECT_EQ(type({"g"}), typed("g") + registers() + " (bra   0x8000)\n");
    headless.stopafter = 0;
    headless.stopafter = headless.polls + 1000;
    EXPECT_EQ(type({"while 1 {}; x 1"}), typed("while 1 {}; x 1") + "1\n");
    headless.stopafter = 0;
}

}  // namespace
}  // namespace vy
