// The expression evaluator: values, types and errors of expressions, the
// names it resolves, assignment, and the printer of its values.
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "debugger/engine/evaluator.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/sink.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "debugger/target/typed_values.h"
#include "engine_fixture.h"
#include "sample_program.h"

namespace vy {
namespace {

class Evaluator : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        loadsample();
        regs = RegImage{};
        *timeptr = 0;
        shown();
    }
    void TearDown() override {
        setnames(nullptr);
        EngineTest::TearDown();
    }
};

struct Value {
    int error = 0;
    int isfloat = 0;
    int32_t integer = 0;
    double real = 0;
};

std::string repeat(const std::string& piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

Value evaluate(const std::string& text, int flag = 1) {
    Value v;
    v.error = Expression(flag, text.c_str(), &v.isfloat, &v.integer, &v.real);
    return v;
}

// What putresult prints for an expression, read back through the capture
// (so aggregates print inline).
std::string printed(const std::string& text, char letter = 0) {
    const char* p = text.c_str();
    int error = 0;
    ResultRecord* r = xexpr(&p, &error, 1);
    WinSetFakeIo();
    char* out = WinitFakeIo();
    putresult(r, letter);
    std::string shown = out;
    WinStopFakeIo();
    WinSetFakeIo();
    xfree(r);
    return error ? "error " + std::to_string(error) : shown;
}

TEST_F(Evaluator, IntegerExpressionsFollowCsPrecedenceAndConversions) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"1+2*3", 7}, {"(1+2)*3", 9}, {"7/2", 3}, {"-7/2", -3}, {"-7%2", -1}, {"1<<4|1", 17},
        {"6&3^1", 3}, {"1||0&&0", 1}, {"2<3==1", 1}, {"5>3>1", 0}, {"10-4-3", 3}, {"2*3%4", 2},
        {"'ab'", 0x6162}, {"'a'", 97}, {"''", 0}, {"0x10+010+0b11", 27}, {"12l", 12}, {"~0", -1}, {"!5", 0},
        {"!0", 1}, {"- -3", 3}, {"-(-3)", 3}, {"+4", 4}, {"#7", 7},
        // 32-bit arithmetic without a trap: wrap, INT_MIN / -1, wide shifts.
        {"2147483647+1", INT_MIN}, {"-2147483647-1", INT_MIN}, {"(-2147483647-1)/-1", INT_MIN},
        {"(-2147483647-1)%-1", 0}, {"65536*65536", 0}, {"1<<31", INT_MIN}, {"1<<32", 0}, {"1<<40", 0},
        {"-1>>40", -1}, {"-8>>1", -4}, {"1 << -1", 0},
        // unsigned long takes part: the operation is unsigned.
        {"(unsigned long)-1>>31", 1}, {"(unsigned long)-1 > 1", 1}, {"-1 > (unsigned long)1", 1}, {"-1 > 1", 0},
        {"(unsigned long)-1/2", INT_MAX}, {"(unsigned long)7 % (unsigned long)-1", 7},
        // Casts cut and extend.
        {"(char)300", 44}, {"(unsigned char)-1", 255}, {"(signed char)200", -56}, {"(short)70000", 4464},
        {"(int)-70000", -4464}, {"(unsigned)-1", 65535}, {"(unsigned short int)70000", 4464},
        {"(long)70000*2", 140000}, {"(unsigned long int)-2", -2}, {"(const volatile int)1", 1},
        {"(int)2.9", 2}, {"(long)-2.9", -2}, {"(char)3e10", 255},
        // The comparison of doubles and the truth of floating operands.
        {"1.5 < 2", 1}, {"2.0 == 2", 1}, {"0.5 && 1", 1}, {"0.0 || 0", 0},
    };
    for (const Case& c : cases) {
        Value v = evaluate(c.text);
        EXPECT_EQ(v.error, 0) << c.text;
        EXPECT_EQ(v.isfloat, 0) << c.text;
        EXPECT_EQ(v.integer, c.value) << c.text;
    }
}

TEST_F(Evaluator, FloatingExpressions) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"1.5", 1.5}, {"1.5e3", 1500}, {"2E-1", 0.2}, {"1.5*2", 3}, {"1/2.0", 0.5}, {"-1.5", -1.5},
        {"1.5+1", 2.5}, {"(float)0.1", static_cast<double>(0.1f)}, {"(double)3", 3}, {"(unsigned long)-1 + 0.0", 4294967295.0},
        {"f", 1.5}, {"d", -2.25}, {"f * 2 + d", 0.75},
    };
    for (const Case& c : cases) {
        Value v = evaluate(c.text);
        EXPECT_EQ(v.error, 0) << c.text;
        EXPECT_EQ(v.isfloat, 1) << c.text;
        EXPECT_EQ(v.real, c.value) << c.text;
    }
}

TEST_F(Evaluator, ErrorsAreMessageNumbers) {
    struct Case {
        const char* text;
        int error;
    } cases[] = {
        {"1/0", MSG_ZERODIVIDE}, {"1%0", MSG_ZERODIVIDE}, {"1.0/0", MSG_ZERODIVIDE}, {"1/(2-2)", MSG_ZERODIVIDE},
        {"(", MSG_SYNTAX}, {"1+", MSG_SYNTAX}, {"(1", MSG_SYNTAX}, {"'ab", MSG_SYNTAX}, {"", MSG_SYNTAX},
        {")", MSG_SYNTAX}, {"1 + )", MSG_SYNTAX}, {"@5", MSG_SYNTAX}, {"arr[1", MSG_SYNTAX},
        {"nosuch", MSG_NOACCESS}, {"$foo", MSG_NOACCESS}, {"nosuch()", MSG_NOACCESS}, {"f.c:nosuch", MSG_NOACCESS},
        {"$sp", MSG_NOACCESS}, {"$ccr", MSG_NOACCESS},   // the register names are a b cc d x y s pc
        {"h.c:x", MSG_FILENOTFOUND}, {"g.c:x", MSG_NOACCESS}, {"f.c:10", MSG_BADVARIABLE}, {".5", MSG_BADVARIABLE},
        {"&$a", MSG_NOTADDRESSABLE}, {"&3", MSG_NOTADDRESSABLE}, {"&$time", MSG_NOTADDRESSABLE},
        {"&r", MSG_NOACCESS}, {"r", MSG_NOACCESS}, {"main():nosuch", MSG_NOACCESS}, {"nomain():x", MSG_NOFUNCTION},
        {"3 = 4", MSG_NOTUPDATABLE}, {"s = 1", MSG_ILLEGALTYPE}, {"arr = 0", MSG_NOTUPDATABLE},
        {"1.5 % 2", MSG_ILLEGALOP}, {"1.5 << 1", MSG_ILLEGALOP}, {"p * 2", MSG_ILLEGALOP}, {"p && q", MSG_ILLEGALOP},
        {"~1.5", MSG_ILLEGALTYPE}, {"!d", MSG_ILLEGALTYPE}, {"*3", MSG_ILLEGALTYPE}, {"3[1]", MSG_ILLEGALTYPE},
        {"arr[1.5]", MSG_ILLEGALTYPE}, {"p + q", MSG_ILLEGALTYPE}, {"1 - p", MSG_ILLEGALTYPE}, {"s + 1", MSG_ILLEGALTYPE},
        {"-s", MSG_ILLEGALTYPE}, {"p[#]", MSG_ILLEGALTYPE}, {"arr[1#-1]", MSG_ILLEGALTYPE}, {"p < str", MSG_ILLEGALTYPE},
        {"p = str", MSG_ILLEGALTYPE}, {"p = 1", MSG_ILLEGALTYPE}, {"arr.x", MSG_ILLEGALTYPE}, {"p + 1.5", MSG_ILLEGALTYPE},
        {"s.z", MSG_UNKNOWNFIELD}, {"ps->z", MSG_UNKNOWNFIELD},
        {"(struct point)s", MSG_SYNTAX}, {"(int)c", MSG_SYNTAX}, {"(struct point *)1.5", MSG_SYNTAX},
        {"1 2", MSG_BADEXTENSION}, {"1 ? 2", MSG_BADEXTENSION}, {"1 , 2", MSG_BADEXTENSION},
    };
    for (const Case& c : cases) EXPECT_EQ(evaluate(c.text).error, c.error) << c.text;
}

TEST_F(Evaluator, NestingOfAnyDepthEndsInAMessage) {
    const std::string n(100000, '(');
    const std::string close(100000, ')');
    for (const std::string& text : {n + "1" + close, n + "1", std::string(100000, '-') + "1",
                                    std::string(100000, '!') + "1", std::string(100000, '*') + "p",
                                    repeat("*&", 50000) + "s", repeat("arr[", 100000) + "0",
                                    std::string(30000, '(') + std::string(30000, '~') + "(int)(char)1",
                                    "sizeof(" + n + "1" + close + ")"}) {
        EXPECT_EQ(evaluate(text).error, MSG_NESTING) << text.substr(0, 20);
    }
    // Deep but within bounds, and long but flat.
    EXPECT_EQ(evaluate(std::string(100, '(') + "7" + std::string(100, ')')).integer, 7);
    std::string sum = "1";
    for (int i = 0; i < 50000; ++i) sum += "+1";
    EXPECT_EQ(evaluate(sum).integer, 50001);
    std::string names = "arr[0]";
    for (int i = 0; i < 20000; ++i) names += "+arr[0]";
    EXPECT_EQ(evaluate(names).integer, 20001);
}

TEST_F(Evaluator, AssignmentAssociatesToTheLeft) {
    // .a = .b = 5 assigns .b to .a and then 5 to the result, .a.
    EXPECT_EQ(evaluate(".b = 7").integer, 7);
    Value v = evaluate(".a = .b = 5");
    EXPECT_EQ(v.error, 0);
    EXPECT_EQ(v.integer, 5);
    EXPECT_EQ(evaluate(".a").integer, 5);
    EXPECT_EQ(evaluate(".b").integer, 7);
    EXPECT_EQ(rensym("..a")->value, 5u);
}

TEST_F(Evaluator, AssignmentWritesRegistersCounterVariablesAndMemory) {
    EXPECT_EQ(evaluate("$a = 0x1234").integer, 0x34);   // an 8-bit register keeps 8 bits
    EXPECT_EQ(regs.a, 0x34);
    EXPECT_EQ(evaluate("$D = 0xABCD").error, 0);
    EXPECT_EQ(regs.a, 0xAB);
    EXPECT_EQ(regs.b, 0xCD);
    EXPECT_EQ(headless.regschanged, 0u);
    EXPECT_EQ(evaluate("$PC = 0x8000").integer, 0x8000);   // either case (E3)
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(headless.regschanged, 1u);
    EXPECT_EQ(evaluate("$s = $pc - 1").error, 0);
    EXPECT_EQ(regs.sp, 0x7FFF);
    EXPECT_EQ(evaluate("$cc = 0xD0").integer, 0xD0);

    EXPECT_EQ(evaluate("$time = 1000").error, 0);
    EXPECT_EQ(*timeptr, 1000u);
    EXPECT_EQ(RunStartCycles, 1000u);
    EXPECT_EQ(evaluate("$time * 2").integer, 2000);

    EXPECT_EQ(evaluate("*(unsigned short *)0x200 = 0x1234").integer, 0x1234);
    EXPECT_EQ(rdbyte(0x200), 0x12);
    EXPECT_EQ(rdbyte(0x201), 0x34);
    EXPECT_EQ(evaluate("*(char *)0x202 = 300").integer, 44);   // the value the object holds
    EXPECT_EQ(evaluate("*(signed char *)0x202 = 200").integer, -56);
    EXPECT_EQ(evaluate("*(long *)0x204 = -2").integer, -2);
    EXPECT_EQ(rdlong(0x204), 0xFFFFFFFEu);
    EXPECT_EQ(evaluate("*(float *)0x208 = 1.5").real, 1.5);
    EXPECT_EQ(rdlong(0x208), 0x3FC00000u);
    EXPECT_EQ(evaluate("*(double *)0x210 = 3").real, 3.0);
    EXPECT_EQ(rdlong(0x210), 0x40080000u);

    // C variables: members, elements, pointers, bit-fields (the other bits kept).
    EXPECT_EQ(evaluate("s.y = 9").integer, 9);
    EXPECT_EQ(rdword(0x322), 9);
    EXPECT_EQ(evaluate("ps->x = arr[3]").integer, 4);
    EXPECT_EQ(rdword(0x320), 4);
    EXPECT_EQ(evaluate("p = q").error, 0);
    EXPECT_EQ(rdword(0x310), 0x300);
    EXPECT_EQ(evaluate("p = 0").integer, 0);
    EXPECT_EQ(evaluate("bits").integer, 7);
    EXPECT_EQ(evaluate("bits = 2").integer, 2);
    EXPECT_EQ(rdbyte(0x370), 0xA0);
    EXPECT_EQ(evaluate("uc = 300").integer, 44);
    EXPECT_EQ(evaluate("d = 1").real, 1.0);

    // An assignment after an error does nothing.
    EXPECT_EQ(evaluate("*(char *)0x220 = 1/0").error, MSG_ZERODIVIDE);
    EXPECT_EQ(rdbyte(0x220), 0);
}

TEST_F(Evaluator, WithoutEvaluatingNoMemoryIsReadOrWritten) {
    // Registers, the counter and debugger variables are still used.
    EXPECT_EQ(evaluate("$b = 3", 0).error, 0);
    EXPECT_EQ(regs.b, 3);
    EXPECT_EQ(evaluate(".w = 4", 0).error, 0);
    EXPECT_EQ(evaluate(".w").integer, 4);
    Value v = evaluate("*(char *)0x230 = 5", 0);
    EXPECT_EQ(v.error, 0);
    EXPECT_EQ(rdbyte(0x230), 0);
    EXPECT_EQ(evaluate("arr[1]", 0).integer, 0);
    EXPECT_EQ(evaluate("arr[1]").integer, 2);
    // A divisor read from memory is not known, so not zero.
    EXPECT_EQ(evaluate("1 / arr[1]", 0).error, 0);
    EXPECT_EQ(evaluate("sizeof(arr) / 0", 0).error, MSG_ZERODIVIDE);
}

TEST_F(Evaluator, RegistersInEitherCaseTheCounterAndDebuggerVariables) {
    regs.x = 0x1234;
    regs.pc = 0xE000;
    *timeptr = 0x12345678;
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"$x", 0x1234}, {"$X", 0x1234}, {"$pc", 0xE000}, {"$PC", 0xE000}, {"$d", 0}, {"$cc", 0}, {"$s", 0},
        {"$time", 0x12345678}, {"$TIME", 0x12345678}, {".fresh", 0}, {"$x + 1", 0x1235},
    };
    for (const Case& c : cases) EXPECT_EQ(evaluate(c.text).integer, c.value) << c.text;
    EXPECT_NE(rensym("..fresh"), nullptr);   // created by its first use
    // Thirty-two bits, not cut for hexadecimal or unsigned output (E15).
    EXPECT_EQ(printed("$time", 'x'), "0x12345678");
    EXPECT_EQ(printed("$time"), "305419896");
    EXPECT_EQ(evaluate(".v = 100000").error, 0);
    EXPECT_EQ(printed(".v"), "100000");
    EXPECT_EQ(printed(".v", 'x'), "0x186a0");
    EXPECT_EQ(printed("$pc"), "0xe000");
}

TEST_F(Evaluator, SymbolsByNameAndUnderscoreName) {
    defsym("TIMER", 0x1000);
    defsym("_count", 0x1002);
    wrbyte(0x1002, 0x9C);
    EXPECT_EQ(evaluate("TIMER").integer, 0x1000);
    EXPECT_EQ(evaluate("TIMER + 2").integer, 0x1002);
    EXPECT_EQ(evaluate("count").integer, 0x9C);   // an unsigned char at the symbol
    EXPECT_EQ(evaluate("&count").integer, 0x1002);
    EXPECT_EQ(evaluate("count = 7").integer, 7);
    EXPECT_EQ(rdbyte(0x1002), 7);
    EXPECT_EQ(evaluate("TIMER = 0x55").error, 0);   // a symbol is written as an int at its value
    EXPECT_EQ(rdword(0x1000), 0x55);
}

TEST_F(Evaluator, ProgramVariablesArraysStructuresAndPointers) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"arr[0]", 1}, {"arr[3]", 4}, {"*arr", 1}, {"*(arr + 2)", 3}, {"arr + 1", 0x302}, {"1 + arr", 0x302},
        {"&arr[2]", 0x304}, {"*p", 4}, {"p[-1]", 3}, {"p - q", 3}, {"q - p", -3}, {"p - 1", 0x304},
        {"p > q", 1}, {"p == &arr[3]", 1}, {"s.x", 5}, {"s.y", -1}, {"ps->y", -1}, {"(*ps).x", 5},
        {"pts[1].y", 4}, {"pts[0].y + pts[1].x", 5}, {"&pts[1]", 0x33C}, {"&pts[1].y", 0x33E},
        {"buf[1]", 'e'}, {"*str", 'h'}, {"str[4]", 'o'}, {"c", 1}, {"c + 1", 2}, {"uc", 200}, {"sc", -1},
        {"main", 0x8000}, {"main()", 0x8000}, {"f.c:arr[1]", 2}, {"main():calls", 12}, {"calls", 0},
        {"sizeof(arr)", 8}, {"sizeof(s)", 4}, {"sizeof(struct point)", 4}, {"sizeof(point_t *)", 2},
        {"sizeof(char)", 1}, {"sizeof(long)", 4}, {"sizeof(double)", 8}, {"sizeof(pts)", 8}, {"sizeof pts", 0},
        {"((struct point *)0x320)->y", -1}, {"((point_t *)0x338)[1].x", 3}, {"(enum color)2", 0},
        {"*(int *)&s", 5}, {"(long)&arr[1]", 0x302},
    };
    for (const Case& c : cases) {
        Value v = evaluate(c.text);
        std::string t = c.text;
        if (t == "sizeof pts") {
            EXPECT_EQ(v.error, MSG_NOACCESS);   // without "(" it is a name
            continue;
        }
        if (t == "calls") {
            EXPECT_EQ(v.error, MSG_NOACCESS);   // a static of a function is not file-level
            continue;
        }
        if (t == "(enum color)2") {
            EXPECT_EQ(v.error, MSG_SYNTAX);   // an enumeration takes a cast only with '*'
            continue;
        }
        EXPECT_EQ(v.error, 0) << c.text;
        EXPECT_EQ(v.integer, c.value) << c.text;
    }
}

TEST_F(Evaluator, XexprCutsTheTextAndKeepsTheStorageKindBehindIt) {
    const char* text = "  :arr[1] + 2  ; x 3";
    const char* p = text;
    int error = -1;
    ResultRecord* r = xexpr(&p, &error, 1);
    EXPECT_EQ(error, 0);
    EXPECT_STREQ(r->text, "arr[1] + 2");
    EXPECT_EQ(r->text[std::strlen(r->text) + 1], 9);   // computed: 9
    EXPECT_EQ(p, text + 15);                           // at the ';'
    EXPECT_EQ(r->size, 0u);
    xfree(r);

    p = "s.y, 1";
    r = xexpr(&p, &error, 1);
    EXPECT_STREQ(r->text, "s.y");
    EXPECT_EQ(r->text[4], ST_MEMORY);
    EXPECT_EQ(r->address, 0x322);
    EXPECT_EQ(r->size, 2u);
    EXPECT_STREQ(p, ", 1");
    xfree(r);

    // '=' ends the expression while assignment is off (the update command).
    exprassign = false;
    p = "s.y == 1 = 2";
    r = xexpr(&p, &error, 1);
    exprassign = true;
    EXPECT_STREQ(r->text, "s.y == 1");
    EXPECT_STREQ(p, "= 2");
    xfree(r);

    // Each terminator ends an expression without being taken.
    for (const char* t : {"7\"", "7,", "7;", "7?", "7{"}) {
        p = t;
        r = xexpr(&p, &error, 1);
        EXPECT_EQ(p, t + 1) << t;
        EXPECT_EQ(r->value.integer, 7);
        xfree(r);
    }
    xfree(nullptr);
}

// A program whose name lookup evaluates an expression of its own, as a
// monitor refreshed in the middle of a command would.
class NestedNames : public ProgramNames {
public:
    int variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) override {
        if (!inside) {
            inside = true;
            int isfloat = 0;
            int32_t integer = 0;
            double real = 0;
            nested = Expression(1, "1/0 + nosuch", &isfloat, &integer, &real);
            inside = false;
        }
        return ProgramNames::variable(file, function, name, evaluate, var);
    }
    int nested = 0;
    bool inside = false;
};

TEST_F(Evaluator, NestedEvaluationsKeepTheOuterState) {
    NestedNames nested;
    setnames(&nested);
    Value v = evaluate("arr[2] * 10", 1);
    EXPECT_EQ(nested.nested, MSG_ZERODIVIDE);
    EXPECT_EQ(v.error, 0);
    EXPECT_EQ(v.integer, 30);
    v = evaluate("(arr[1] + 2) * 1/0");
    EXPECT_EQ(v.error, MSG_ZERODIVIDE);
    setnames(nullptr);
}

TEST_F(Evaluator, FormatLetters) {
    struct Case {
        const char* text;
        char letter;
        const char* shown;
    } cases[] = {
        {"(unsigned char)200", 'x', "0xc8"}, {"(signed char)-1", 'u', "255"}, {"-1", 'u', "65535"},
        {"-1", 'x', "0xffff"}, {"(long)-1", 'x', "0xffffffff"}, {"-1", 'h', "ffffffff"}, {"-1", 'd', "-1"},
        {"(unsigned long)-1", 'd', "-1"}, {"5", 'b', "0b101"}, {"(char)-1", 'b', "0b11111111"}, {"8", 'o', "010"},
        {"65", 'c', "A"}, {"65", 'C', "'A'"}, {"10", 'C', "'\\n'"}, {"200", 'C', "'\\310'"}, {"39", 'C', "'''"},
        {"0x12345", 0, "9029"}, {"0x12345", 'd', "74565"}, {"(long)0x12345", 0, "74565"}, {"(unsigned)40000", 0, "40000"},
        {"-1", 0, "-1"}, {"(unsigned char)200", 0, "200"}, {"(signed char)200", 0, "-56"}, {"1.5", 'x', "0x1"},
        {"p", 0, "0x306"}, {"p", 'x', "0x306"}, {"nil", 0, "NULL"}, {"nil", 'S', "NULL"}, {"(char *)0", 0, "NULL"},
        {"str", 'S', "\"hello\""}, {"str", 's', "hello"}, {"buf", 'S', "\"hello\""}, {"buf", 's', "hello"},
        {"p", 'S', "0x306"}, {"main", 0, "(main)"}, {"(int (*)())0", 0, "error 54"}, {"c", 0, "green"},
        {"c + 0", 0, "1"}, {"*(enum color *)0x362", 0, "-14081 (unknown enum value)"}, {"f", 0, "1.5"}, {"d", 0, "-2.25"},
        {"s", 0, "{x=5, y=-1}"}, {"s", 'x', "{x=0x5, y=0xffff}"}, {"pts[1]", 0, "{x=3, y=4}"}, {"arr", 0, "@0x300"},
        {"arr[#]", 0, "{1, 2, 3, 4}"}, {"arr[1#2]", 'x', "{0x2, 0x3}"}, {"p[-3#3]", 0, "{1, 2, 3}"},
        {"pts[#]", 0, "{{x=1, y=2}, {x=3, y=4}}"}, {"arr[2#0]", 0, "3"}, {"#arr[#]", 0, "1"},
    };
    for (const Case& c : cases) EXPECT_EQ(printed(c.text, c.letter), c.shown) << c.text << " /" << c.letter;

    // A long string is cut at 80 characters, ending in "...".
    std::string cut = printed("longstr", 's');
    ASSERT_EQ(cut.size(), 80u);
    EXPECT_EQ(cut.substr(0, 10), "abcdefghij");
    EXPECT_EQ(cut.substr(77), "...");
    std::string quoted = printed("longstr", 'S');
    EXPECT_EQ(quoted.size(), 82u);
    EXPECT_EQ(quoted.substr(quoted.size() - 4), "...\"");
    // Escapes count toward the limit.
    for (int i = 0; i < 60; ++i) wrbyte(static_cast<uint16_t>(0x500 + i), 1);
    wrbyte(0x500 + 60, 0);
    std::string controls = printed("(char *)0x500", 'S');
    EXPECT_EQ(controls.size(), 82u);
    EXPECT_EQ(controls.substr(0, 9), "\"\\001\\001");
}

TEST_F(Evaluator, TheNaturalFormatIsInTheDefaultRadix) {
    struct Case {
        int radix;   // the menu command of Setup > Default Int Format
        const char* text;
        char letter;
        const char* shown;
    } cases[] = {
        {462, "-1", 0, "0xffff"}, {462, "(signed char)-1", 0, "0xff"}, {462, "(long)0x12345", 0, "0x12345"},
        {462, "(unsigned char)200", 0, "0xc8"}, {462, "s", 0, "{x=0x5, y=0xffff}"},
        {462, "arr[#]", 0, "{0x1, 0x2, 0x3, 0x4}"}, {461, "8", 0, "010"}, {461, "(long)-1", 0, "037777777777"},
        {463, "5", 0, "0b101"}, {463, "uc", 0, "0b11001000"}, {462, ".big", 0, "0x12345"}, {460, ".big", 0, "74565"},
        // A letter, a pointer, an enumeration, a float, a bit-field, a
        // register and the cycle counter keep their own formats.
        {462, "8", 'd', "8"}, {462, "p", 0, "0x306"}, {462, "c", 0, "green"}, {462, "f", 0, "1.5"},
        {462, "bits", 0, "7"}, {463, "$a", 0, "0x0"}, {462, "$time", 0, "0"},
        {460, "-1", 0, "-1"}, {460, "uc", 0, "200"},
    };
    evaluate(".big = 0x12345");
    for (const Case& c : cases) {
        setradix(c.radix);
        EXPECT_EQ(printed(c.text, c.letter), c.shown) << c.text << " /" << c.letter << " after command " << c.radix;
    }
    setradix(460);
}

TEST_F(Evaluator, AggregatesOpenBrowsersUnlessTheOutputIsInline) {
    EXPECT_EQ(run("x s\nx arr\nx arr[#]\nx s.x\n"), "x s\nx arr\nx arr[#]\n    arr[#] = {1, 2, 3, 4}\nx s.x\n    s.x = 5\n");
    ASSERT_EQ(headless.browsed.size(), 2u);
    EXPECT_EQ(headless.browsed[0], "struct s /-");
    EXPECT_EQ(headless.browsed[1], "array arr /-");
    headless.cmdwindowbusy = true;
    EXPECT_EQ(run("x /x s\nx arr\n"), "x /x s\n{x=0x5, y=0xffff}\nx arr\n@0x300\n");
    EXPECT_EQ(headless.browsed.size(), 2u);
}

TEST_F(Evaluator, EscapedCharacters) {
    struct Case {
        char c;
        const char* text;
    } cases[] = {
        {'a', "a"}, {' ', " "}, {'~', "~"}, {'\a', "\\a"}, {'\b', "\\b"}, {'\f', "\\f"}, {'\n', "\\n"},
        {'\r', "\\r"}, {'\t', "\\t"}, {'\v', "\\v"}, {'\0', "\\000"}, {'\x1b', "\\033"}, {'\x7f', "\\177"},
        {'\xff', "\\377"},
    };
    for (const Case& c : cases) {
        char out[4];
        int n = escchar(out, c.c);
        EXPECT_EQ(std::string(out, static_cast<std::size_t>(n)), c.text) << static_cast<int>(c.c);
    }
}

TEST_F(Evaluator, FloatsPrintInTheShortForm) {
    // Ten significant digits, rounded at the last one: 0.3 is not
    // 0.2999999999.
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {1234.0, "1234.0"}, {15000000.0, "1.5e+7"}, {0.5, "0.5"}, {0.0, "0.0"},
        {-2.5, "-2.5"}, {1e100, "1.0e+100"}, {1e-100, "1.0e-100"},
        {123456.0, "123456.0"}, {1234567.0, "1234567.0"}, {12345678.0, "1.2345678e+7"},
        {0.001, "0.001"}, {1e-5, "1.0e-5"}, {0.000123, "0.000123"}, {7.0, "7.0"},
        {1.0 / 0.0, "inf"}, {-1.0 / 0.0, "-inf"}, {std::nan(""), "nan"},
        {0.0001234, "0.0001234"}, {0.3, "0.3"}, {1234567.8, "1234567.8"},
        {3.4028234663852886e+38, "3.402823466e+38"}, {2.0 / 3.0, "0.6666666666"},
    };
    for (const Case& c : cases) EXPECT_STREQ(floattext(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace vy
