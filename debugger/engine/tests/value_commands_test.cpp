// The value commands x, u and mess, and the memory commands dump, fill and
// mm, as lines of a command file.
#include <cstring>
#include <string>

#include "debugger/engine/headless.h"
#include "debugger/engine/memory_ops.h"
#include "debugger/engine/names.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "engine_fixture.h"
#include "sample_program.h"

namespace vy {
namespace {

class Commands : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        regs = RegImage{};
        *timeptr = 0;
        for (uint32_t a = 0; a < 0x10000; ++a) wrbyte(static_cast<uint16_t>(a), 0);
    }
    void TearDown() override {
        setnames(nullptr);
        EngineTest::TearDown();
    }

    struct Case {
        const char* line;
        const char* shown;   // after the echo of the line
    };
    void check(std::initializer_list<Case> cases) {
        for (const Case& c : cases)
            EXPECT_EQ(run(std::string(c.line) + "\n"), std::string(c.line) + "\n" + c.shown) << c.line;
    }
};

TEST_F(Commands, Eval) {
    defsym("TIMER", 0x1000);
    wrlong(0x1000, 0x12345678);
    check({
        {"x 1+2*3", "    1+2*3 = 7\n"},
        {"x 1, 2", "    1 = 1\n    2 = 2\n"},
        {"eval 3,4", "    3 = 3\n    4 = 4\n"},
        {"x /x 'ab'", "    'ab' = 0x6162\n"},
        {"x /X /d 255", "    255 = 255\n"},
        {"x /Xd 255", "    255 = 255\n"},
        {"x /q 5", ""},
        {"x /q .q = 9; x .q", "    .q = 9\n"},
        {"x /c 65, /s 1", "    65 = 'A'\n#error: syntax error: /s\n"},
        {"x /o 8", "    8 = 010\n"},
        {"x /b 5", "    5 = 0b101\n"},
        {"x /u -1", "    -1 = 65535\n"},
        {"x /h -1", "    -1 = ffffffff\n"},
        {"x 1/0", "#error: zero divide: 1/0\n"},
        {"x 1/0; x 2", "#error: zero divide: 1/0\n    2 = 2\n"},
        {"x 1, nosuch, 3; x 4", "    1 = 1\n#error: variable can't be accessed: nosuch\n    4 = 4\n"},
        {"x", "#error: syntax error: \n"},
        {"x /z 1", "#error: Unknown Option z 1\n"},
        {"x /f 1", "#error:  Wrong option \n"},
        {"x /f:q 1", "#error: Wrong Format for /F: f:q 1\n"},
        {"x 0.0001, 1234.0, 15000000.0", "    0.0001 = 0.0001\n    1234.0 = 1234.0\n    15000000.0 = 1.5e+7\n"},
        {"x TIMER", "    TIMER = 4096\n"},
        {"x /x TIMER", "    TIMER = 0x1000\n"},
        {"x /f:w TIMER", "    [TIMER].w = 4660\n"},
        {"x /F:B /x TIMER", "    [TIMER].b = 0x12\n"},
        {"x /f:l /x TIMER", "    [TIMER].l = 0x12345678\n"},
        {"x /f:w TIMER+1", "    TIMER+1 = 4097\n"},
        {"x $time", "    $time = 0\n"},
    });
}

// Names that know a register variable r, found without an address.
class RegisterNames : public ProgramNames {
public:
    int variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) override {
        if (std::strcmp(name, "r") != 0) return ProgramNames::variable(file, function, name, evaluate, var);
        var = {0, 24, nullptr, 0, 4};
        return MSG_NOTADDRESSABLE;
    }
};

TEST_F(Commands, EvalAcceptsARegisterVariableWithoutAnAddress) {
    loadsample();
    shown();
    RegisterNames names;
    setnames(&names);
    check({
        {"x r", "    r = 0\n"},
        {"x &r", "#error: not an addressable variable: &r\n"},
        {"x s.y, arr[1#2]", "    s.y = -1\n    arr[1#2] = {2, 3}\n"},
    });
}

TEST_F(Commands, Update) {
    check({
        {"u $a = 5", "    machine register $a = 0x0 => 5\n"},
        {"u $a 6", "    machine register $a = 0x5 => 6\n"},
        {"updat $x = $a * 2", "    machine register $x = 0x0 => 12\n"},
        {"update $pc = 0x8000", "    machine register $pc = 0x0 => -32768\n"},
        {"u $time = 1000", "    timing register $time = 0 => 1000\n"},
        {"u .v = 7; x .v", "    .v = 0 => 7\n    .v = 7\n"},
        {"u .big = (long)100000; x /x .big", "    .big = 0 => 100000\n    .big = 0x186a0\n"},
        {"u *(unsigned short *)0x200 = 0x1234", "    static unsigned short  *(unsigned short *)0x200 = 0 => 4660\n"},
        {"u *(double *)0x210 = 2", "    static double  *(double *)0x210 = 0.0 => 2\n"},
        {"u *(char *)0x220 = 1.5", "    static unsigned char  *(char *)0x220 = 0 => 1.5\n"},
        {"u 3 = 4", "#error: expression not updatable: 3\n"},
        {"u nosuch = 4", "#error: variable can't be accessed: nosuch\n"},
        {"u $a = 1/0", "#error: zero divide: 1/0\n"},
        {"u (char *)0x300 = \"ab\", \"cd\"", "    unsigned char  @near *(char *)0x300 = \"\" => \"abcd\"\n"},
        {"u (char *)0x300 \"x\\ty\\n\"", "    unsigned char  @near *(char *)0x300 = \"abcd\" => \"x\\ty\\n\"\n"},
        {"u 5 = \"ab\"", "#error: illegal type: 5\n"},
    });
    EXPECT_EQ(regs.a, 6);
    EXPECT_EQ(regs.x, 12);
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(headless.regschanged, 1u);
    EXPECT_EQ(*timeptr, 1000u);
    EXPECT_EQ(RunStartCycles, 1000u);
    EXPECT_EQ(rensym("..v")->value, 7u);
    EXPECT_EQ(rdword(0x200), 0x1234);
    EXPECT_EQ(rdlong(0x210), 0x40000000u);
    EXPECT_EQ(rdbyte(0x220), 1);
    EXPECT_EQ(rdlong(0x300), 0x7809790Au);   // "x\ty\n" over "abcd", no NUL written
    EXPECT_GT(headless.memupdates, 0u);
}

TEST_F(Commands, UpdateOfProgramVariables) {
    loadsample();
    shown();
    check({
        {"u s.x = 9", "    static int  s.x = 5 => 9\n"},
        {"u buf \"ab\", \"cd\"", "    static signed char  buf[8] = \"hello\" => \"abcd\"\n"},
        {"u str = \"HE\"", "    extern signed char  @near *str = \"abcdo\" => \"HE\"\n"},
        {"u main():calls = calls + 1", "#error: variable can't be accessed: calls + 1\n"},
        {"u main():calls = main():calls + 1", "    static auto int  main():calls = 12 => 13\n"},
        {"u c = blue", "#error: variable can't be accessed: blue\n"},
        {"u c = 2; x c", "    static (int) enum color c = green => 2\n    c = blue\n"},
        {"u s = 1", "#error: expression not updatable: s\n"},
        {"u arr = 1", "#error: expression not updatable: arr\n"},
        {"u main = 1", "#error: expression not updatable: main\n"},
        {"u s.x = \"a\"", "#error: illegal type: s.x\n"},
    });
    EXPECT_EQ(rdword(0x320), 9);
    EXPECT_EQ(rdlong(0x340), 0x48456364u);   // "HEcd": the string goes where str points
    EXPECT_EQ(rdword(0x350), 0x340);          // and str itself stays
}

TEST_F(Commands, UpdateAsksTheUser) {
    headless.answers = {"40 + 2", "typed"};
    check({
        {"u $b = ?", "    machine register $b = 0x0 => 42\n"},
        {"u (char *)0x300 = ?s", "    unsigned char  @near *(char *)0x300 = \"\" => \"typed\"\n"},
        {"u $b = ?", "#error: syntax error: \n"},
    });
    EXPECT_EQ(regs.b, 42);
    EXPECT_EQ(headless.prompts, (std::vector<std::string>{"Enter Expression", "Enter String", "Enter Expression"}));
    EXPECT_EQ(headless.leftstatus, "Command");
}

TEST_F(Commands, Mess) {
    wrbyte(0x300, 'h'), wrbyte(0x301, 'i');
    check({
        {"mess \"i=%d\\n\", 5", "i=5\n"},
        {"mess \"i=%d\\n\" 5", "i=5\n"},
        {"mess \"%x %o %b %u\\n\", 255, 8, 5, -1", "0xff 010 0b101 65535\n"},
        {"mess \"[%s|%c|%h|%S]\\n\", (char *)0x300, 65, 255", "[hi|A|ff|S]\n"},
        {"mess \"100%% %q\\n\"", "100% q\n"},
        {"mess \"tab\\there\\n\"", "tab\there\n"},
        {"mess \"quote \\\" inside\\n\"", "quote \" inside\n"},
        {"mess \"no end\"; x 1", "no end    1 = 1\n"},
        {"mess \"a=%d b=%d\\n\", 1, 1/0", "a=1 b=#error: zero divide\n"},
        {"mess i", "#error: Missing \" \n"},
        {"mess", "#error: Missing \" \n"},
        {"mess \"unclosed", "unclosed"},
    });
}

TEST_F(Commands, Dump) {
    for (int i = 0; i < 32; ++i) wrbyte(static_cast<uint16_t>(0x100 + i), static_cast<uint8_t>(0x41 + i));
    wrbyte(0x105, 0x0A);
    wrbyte(0x106, 0xC1);
    check({
        {"dump 0x100 0x10f", "0100 41 42 43 44 45 0a c1 48 49 4a 4b 4c 4d 4e 4f 50 \n"},
        {"dump 0x100, 16", "0100 41 42 43 44 45 0a c1 48 49 4a 4b 4c 4d 4e 4f 50 \n"},
        {"dump 0x100, 1", "0100 41 42 43 44 45 0a c1 48 49 4a 4b 4c 4d 4e 4f 50 \n"},
        {"dump 0x108, 17",
         "0108 49 4a 4b 4c 4d 4e 4f 50 51 52 53 54 55 56 57 58 \n"
         "0118 59 5a 5b 5c 5d 5e 5f 60 00 00 00 00 00 00 00 00 \n"},
        {"dump /a 0x100 0x101", "0100 41 42 43 44 45 0a c1 48 49 4a 4b 4c 4d 4e 4f 50 ABCDE.AHIJKLMNOP\n"},
        {"dump /w 0x100 0x101", "0100 4142 4344 450a c148 494a 4b4c 4d4e 4f50 \n"},
        {"dump /l 0x100 0x101", "0100 41424344 450ac148 494a4b4c 4d4e4f50 \n"},
        {"dump /f:d 0x100 0x101", "0100 065 066 067 068 069 010 193 072 073 074 075 076 077 078 079 080 \n"},
        {"dump /f:o /w 0x100 0x101",
         "0100 040502 041504 042412 140510 044512 045514 046516 047520 \n"},
        {"dump /F:B /l 0x100 0x101",
         "0100 01000001010000100100001101000100 01000101000010101100000101001000 "
         "01001001010010100100101101001100 01001101010011100100111101010000 \n"},
        {"dump 0x1000 0x1000", "#error:  Wrong Range for DUMP \n"},
        {"dump 0x100, 0", "#error:  Wrong Range for DUMP \n"},
        {"dump 0x100, -4", "#error:  Wrong Range for DUMP \n"},
        {"dump 0x100 0x50", "#error:  Wrong Range for DUMP \n"},
        {"dump", "#error:  Wrong Start Address for DUMP \n"},
        {"dump 0x10000 0x10010", "#error:  Wrong Start Address for DUMP \n"},
        {"dump nosuch 0x10", "#error:  Wrong Start Address for DUMP \n"},
        {"dump 0x100", "#error:  Wrong Size or End Address for DUMP \n"},
        {"dump 0x100,", "#error:  Wrong Size or End Address for DUMP \n"},
        {"dump /q 1", "#error:  333 Unknown Option q 1\n"},
        {"dump /f 1", "#error:  Wrong option \n"},
        {"dump /f:x 1", "#error:  Wrong Option for /F \n"},
        {"dump 0xfff0, 0x100", "fff0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"},
        {"dump 0xfff8 0xffffffff",
         "fff8 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"},   // 16 bytes a line, wrapping to 0
    });
}

TEST_F(Commands, FillAndModify) {
    check({
        {"fill 0x100, 16, 0xaa", ""},
        {"dump 0x100 0x10f", "0100 aa aa aa aa aa aa aa aa aa aa aa aa aa aa aa aa \n"},
        {"fill 0x100, 0, 5", "#error:  Illegal count (zero) \n"},
        {"fill 0x100 0x0ff 1", "#error:  Wrong Range for FILL \n"},
        {"fill 0x100, -3, 1", "#error:  Wrong Range for FILL \n"},
        {"fill 0x100, 4", "#error:  Missing Filler Value \n"},
        {"fill 0x100 0x103", "#error:  Missing Filler Value \n"},
        {"fill /x 0x100, 4, 1", "#error:  Unknown Option \n"},
        {"fill", "#error:  Wrong Start Address for FILL \n"},
        {"fill 0x100", "#error:  Wrong Size or End Address for FILL \n"},
        {"fill 0x104 0x104 7", ""},
        {"fill /w 0x108, 4, 0x1234", ""},
        {"fill /l /v 0x110 0x117 0x11223344", ""},
        {"dump 0x100 0x10f", "0100 aa aa aa aa 07 aa aa aa 12 34 12 34 aa aa aa aa \n"},
        {"dump 0x110 0x110", "#error:  Wrong Range for DUMP \n"},
        {"dump 0x110, 1", "0110 11 22 33 44 11 22 33 44 00 00 00 00 00 00 00 00 \n"},
        {"fill 0xfffe, 100, 0x5a", ""},
        {"fill /w 0xffff 0xffff 0xbeef", ""},
        {"mm /w 0x200 0x1234", ""},
        {"dump 0x200 0x201", "0200 12 34 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"},
        {"mm 0x203, 300", ""},
        {"mm /l 0x204, -1", ""},
        {"dump 0x200, 8", "0200 12 34 00 2c ff ff ff ff 00 00 00 00 00 00 00 00 \n"},
        {"mm 0x200", "#error:  Missing Value \n"},
        {"mm", "#error:  Wrong Start Address for FILL \n"},
        {"mm 0x10000 1", "#error:  Wrong Start Address for FILL \n"},
        {"mm /y 0x200 1", "#error:  Unknown Option \n"},
        // option groups written together
        {"fill /w/r 0x300, 2", ""},
        {"fill /l/v 0x308, 4, 0x01020304", ""},
        {"dump /w/f:d 0x308, 4", "0308 00258 00772 00000 00000 00000 00000 00000 00000 \n"},
        {"mm /b/w 0x30c 0xabcd", ""},
        {"x /d/x *(short *)0x30c", "    *(short *)0x30c = 0xabcd\n"},
    });
    EXPECT_EQ(rdbyte(0xFFFE), 0x5A);
    EXPECT_EQ(rdbyte(0xFFFF), 0xBE);   // a word at the top wraps to address 0
    EXPECT_EQ(rdbyte(0x0000), 0xEF);
    EXPECT_GE(headless.memupdates, 7u);
}

TEST_F(Commands, RandomFillsTakeNumbersUpTo32767) {
    run("fill /r /w 0x1000 0x1fff\n");
    int nonzero = 0;
    for (uint16_t a = 0x1000; a < 0x2000; a += 2) {
        EXPECT_LE(rdword(a), 0x7FFF);
        nonzero += rdword(a) != 0;
    }
    EXPECT_GT(nonzero, 1000);
    EXPECT_EQ(rdbyte(0x2000), 0);
    // A byte fill keeps the low byte.
    EXPECT_TRUE(fillmem(0x3000, 0x30FF, 1, true, 0, true));
}

TEST_F(Commands, DisplayBases) {
    struct Case {
        int base, size, digits;
        const char* format;
    } cases[] = {
        {BASE_BINARY, 1, 8, "%+0nzl"}, {BASE_BINARY, 2, 16, "%+0nzl"}, {BASE_BINARY, 4, 32, "%+0nzl"},
        {BASE_OCTAL, 1, 3, "%+0nol"}, {BASE_OCTAL, 2, 6, "%+0nol"}, {BASE_OCTAL, 4, 12, "%+0nol"},
        {BASE_DECIMAL, 1, 3, "%+0nl"}, {BASE_DECIMAL, 2, 5, "%+0nl"}, {BASE_DECIMAL, 4, 12, "%+0nl"},
        {BASE_HEX, 1, 2, "%+0nhl"}, {BASE_HEX, 2, 4, "%+0nhl"}, {BASE_HEX, 4, 8, "%+0nhl"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(basedigits(c.base, c.size), c.digits);
        EXPECT_EQ(cellwidth(c.base, c.size), c.digits + 1);
        EXPECT_STREQ(baseformat(c.base), c.format);
    }
}

}  // namespace
}  // namespace vy
