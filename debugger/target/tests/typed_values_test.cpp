// Typed values: reading and writing every scalar type from memory,
// registers, the result and constants; bit-fields; pointers of each width;
// the display formats by type and radix; and variables printed whole.
#include <string>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/typed_values.h"
#include "target_fixture.h"

namespace vy {
namespace {

class TypedValuesTest : public TargetTest {
protected:
    void SetUp() override {
        TargetTest::SetUp();
        radix = 0;
    }
    void TearDown() override {
        radix = 0;
        TargetTest::TearDown();
    }
    // What showvalue prints.
    std::string shown(uint16_t address, const char* format, uint32_t detail, uint8_t cls, int position) {
        console.out.clear();
        showvalue(address, format, detail, cls, position);
        return console.out;
    }
};

constexpr uint32_t PTR = 0x40000000, ARRAY = 0xC0000000;

TEST_F(TypedValuesTest, ScalarsFromMemory) {
    struct Case {
        const char* meaning;
        std::vector<uint8_t> bytes;
        uint32_t type, detail, bits;
    };
    const Case cases[] = {
        {"a char is sign-extended", {0xFF}, 9, 0, 0xFFFFFFFF},
        {"a signed char too", {0x80}, 8, 0, 0xFFFFFF80},
        {"an unsigned char", {0xFE}, 10, 0, 0xFE},
        {"a 16-bit signed int is", {0xFF, 0xFF}, 24, 0, 0xFFFFFFFF},
        {"a short too", {0x80, 0x00}, 16, 0, 0xFFFF8000},
        {"an unsigned int is masked", {0xFF, 0xFF}, 26, 0, 0xFFFF},
        {"a long, most significant byte first", {0x12, 0x34, 0x56, 0x78}, 32, 0, 0x12345678},
        {"an unsigned long", {0xFF, 0xFF, 0xFF, 0xFE}, 33, 0, 0xFFFFFFFE},
        {"a 3-bit field at shift 4", {0xF0}, 11, 4 << 8 | 3, 7},
        {"a 5-bit field at shift 3 of a word", {0x00, 0x88}, 25, 3 << 8 | 5, 17},
        {"a field of a long", {0x00, 0x0F, 0x00, 0x00}, 34, 16 << 8 | 8, 0x0F},
        {"one bit", {0x04}, 1, 2, 1},
        {"another bit of the same byte", {0x04}, 1, 1, 0},
        {"a near pointer", {0x12, 0x34}, PTR | 9, 0x0000, 0x1234},
        {"a pointer of one byte", {0x12, 0x34}, PTR | 9, 0x1000, 0x12},
        {"a far pointer", {0x00, 0x01, 0x12, 0x34}, PTR | 24, 0x3000, 0x11234},
        {"a char enum", {0x03}, 75, 0, 3},
        {"an array is no scalar", {0x01}, ARRAY | 9, 0, 0},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < c.bytes.size(); ++i) wrbyte(static_cast<uint16_t>(0x0200 + i), c.bytes[i]);
        TargetValue v = rdvalue(0x0200, c.detail, CL_AUTO, c.type);
        EXPECT_EQ(v.bits, c.bits) << c.meaning;
        EXPECT_FALSE(v.isreal) << c.meaning;
    }
    poke(0x0200, {0xC0, 0x20, 0x00, 0x00, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(rdvalue(0x0200, 0, CL_AUTO, 40).real, -2.5);
    EXPECT_EQ(rdvalue(0x0204, 0, CL_AUTO, 41).real, 1.0);
    EXPECT_EQ(rdvalue(0x0204, 0, CL_AUTO, 42).real, 1.0);
}

TEST_F(TypedValuesTest, RegistersTheResultAndConstants) {
    setreg(REG_D, 0x80FF);
    regs.x = 0x0300;
    poke(0x0302, {0x40, 0x49});  // high half of a float result: 3.140625
    setreg(REG_D, 0x0000);
    EXPECT_EQ(rdvalue(0, 0, 4, 40).real, 3.140625);
    setreg(REG_D, 0x80FF);
    EXPECT_EQ(rdvalue(0, 0, 7, 24).bits, 0xFFFF80FF);  // a register argument: D
    EXPECT_EQ(rdvalue(0, 0, 15, 9).bits, 0xFFFFFFFF);  // a char from D's low byte
    EXPECT_EQ(rdvalue(0, 0, 4, 32).bits, 0x404980FF);  // a long result: D and the word at 2,x
    EXPECT_EQ(rdvalue(0, 0, 7, 33).bits, 0x404980FF);
    EXPECT_EQ(rdvalue(0, 0, 5, 1).bits, 0x80FF);       // a bit in a result is the whole value
    EXPECT_EQ(rdvalue(0x1234, 0, CL_ENUMMEMBER, 24).bits, 0x1234u);
    EXPECT_EQ(rdvalue(0x1234, 0, CL_ENUMMEMBER, 9).bits, 0x34u);
    EXPECT_EQ(rdvalue(0x12F4, 0, CL_ENUMMEMBER, 10).bits, 0xF4u);
    EXPECT_EQ(readpointer(7, 0x0302, 0x3000), 0x80FFu);  // a register, whatever the width
}

TEST_F(TypedValuesTest, WritesKeepEveryBitOutsideAField) {
    struct Case {
        const char* meaning;
        std::vector<uint8_t> before;
        uint32_t type, detail, value;
        std::vector<uint8_t> after;
    };
    const Case cases[] = {
        {"3 bits at shift 4 of a char", {0xF0}, 11, 4 << 8 | 3, 2, {0xA0}},
        {"the value is cut to the field", {0x00}, 11, 4 << 8 | 3, 0xFF, {0x70}},
        {"5 bits at shift 3 of a word", {0xFF, 0xFF}, 25, 3 << 8 | 5, 0, {0xFF, 0x07}},
        {"a short field", {0x12, 0x34}, 18, 8 << 8 | 4, 0xA, {0x1A, 0x34}},
        {"a long field", {0xFF, 0xFF, 0xFF, 0xFF}, 34, 12 << 8 | 8, 0x00, {0xFF, 0xF0, 0x0F, 0xFF}},
        {"writing 0 to a bit clears it", {0xFF}, 1, 3, 0, {0xF7}},
        {"writing anything else sets it", {0x00}, 1, 3, 7, {0x08}},
        {"a char", {0x00}, 9, 0, 0x141, {0x41}},
        {"an int", {0, 0}, 24, 0, 0xFFFF8001, {0x80, 0x01}},
        {"an unsigned short", {0, 0}, 17, 0, 0xABCD, {0xAB, 0xCD}},
        {"a long", {0, 0, 0, 0}, 33, 0, 0xDEADBEEF, {0xDE, 0xAD, 0xBE, 0xEF}},
        {"a near pointer", {0, 0}, PTR | 9, 0, 0x1234, {0x12, 0x34}},
        {"a one-byte pointer", {0, 0}, PTR | 9, 0x1000, 0x1234, {0x34, 0x00}},
        {"a far pointer", {0, 0, 0, 0}, PTR | 9, 0x3000, 0x00051234, {0x00, 0x05, 0x12, 0x34}},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < c.before.size(); ++i) wrbyte(static_cast<uint16_t>(0x0400 + i), c.before[i]);
        TargetValue v;
        v.bits = c.value;
        wrvalue(v, 0x0400, c.type, CL_AUTO, c.detail);
        std::vector<uint8_t> after;
        for (std::size_t i = 0; i < c.after.size(); ++i) after.push_back(rdbyte(static_cast<uint16_t>(0x0400 + i)));
        EXPECT_EQ(after, c.after) << c.meaning;
    }
    TargetValue real;
    real.isreal = true;
    real.real = -2.5;
    wrvalue(real, 0x0400, 40, CL_AUTO, 0);
    EXPECT_EQ(rdlong(0x0400), 0xC0200000u);
    wrvalue(real, 0x0400, 41, CL_AUTO, 0);
    EXPECT_EQ(rdvalue(0x0400, 0, CL_AUTO, 41).real, -2.5);
    // Register and result classes set D; a pointer in a register stays.
    TargetValue d;
    d.bits = 0x1357;
    wrvalue(d, 0, 24, 7, 0);
    EXPECT_EQ(getreg(REG_D), 0x1357u);
    writepointer(7, 0x0400, 0x2468, 0);
    EXPECT_EQ(getreg(REG_D), 0x1357u);
}

TEST_F(TypedValuesTest, FormatsByTypeAndRadix) {
    struct Case {
        const char* meaning;
        uint32_t type;
        int radix;
        uint32_t detail;
        const char* format;
    };
    const Case cases[] = {
        {"char", 9, 0, 0, "%c"},
        {"unsigned int", 26, 0, 0, "%us"},
        {"unsigned long", 33, 0, 0, "%ul"},
        {"long in octal", 32, 1, 0, "0%ol"},
        {"char in hexadecimal", 9, 2, 0, "0x%hc"},
        {"unsigned char in binary", 10, 4, 0, "0b%zc"},
        {"float never in hexadecimal", 40, 2, 0, "%d"},
        {"a bit-field keeps decimal", 25, 2, 0, "%s"},
        {"a near pointer", PTR | 9, 0, 0x2000, "0x%hs"},
        {"a pointer of one byte", PTR | 24, 2, 0x1000, "0x%hc"},
        {"a far pointer", PTR | 24, 0, 0x3000, "0x%hl"},
        {"a struct has none", 72, 0, 0, ""},
        {"an unknown type has none", 99, 0, 0, ""},
    };
    for (const Case& c : cases) {
        radix = c.radix;
        EXPECT_STREQ(typefmt(typeposition(c.type), c.detail), c.format) << c.meaning;
    }
    radix = 0;
    EXPECT_EQ(setradix(462), 0);
    EXPECT_EQ(radix, 2);
    EXPECT_EQ(setradix(463), 0);
    EXPECT_EQ(radix, 4);
    EXPECT_EQ(setradix(464), 464);
    EXPECT_EQ(radix, 4);
    EXPECT_EQ(setradix(460), 0);
    EXPECT_EQ(radix, 0);
    for (const char* f : {"%p", "%-*12p", "%+ 8p", "x %p %c", "%.3p"}) EXPECT_EQ(fmtisstr(f), 1) << f;
    for (const char* f : {"%c", "0x%hs", "no conversion", "%s %p"}) EXPECT_EQ(fmtisstr(f), 0) << f;
}

TEST_F(TypedValuesTest, ShowingValues) {
    poke(0x0500, {0xFF, 0x06, 0x00, 0x68, 0x69, 0x00, 0x3F, 0xC0, 0x00, 0x00});
    poke(0x0600, {0x05, 0x03, 0x00, 0x00});
    EXPECT_EQ(shown(0x0500, nullptr, 0, CL_AUTO, typeposition(9)), "-1");
    EXPECT_EQ(shown(0x0500, nullptr, 0, CL_AUTO, typeposition(10)), "255");
    radix = 2;
    EXPECT_EQ(shown(0x0500, nullptr, 0, CL_AUTO, typeposition(9)), "0xff");
    radix = 0;
    EXPECT_EQ(shown(0x0600, "%p", 0, CL_AUTO, typeposition(PTR | 9)), "hi");  // the string it points to
    EXPECT_EQ(shown(0x0602, "%p", 0, CL_AUTO, typeposition(PTR | 9)), " NULL");
    EXPECT_EQ(shown(0x0506, nullptr, 0, CL_AUTO, typeposition(40)), "1.5");
    EXPECT_EQ(shown(0x0500, nullptr, 0, CL_AUTO, typeposition(72)), "(no format)");
    EXPECT_EQ(shown(0x0600, nullptr, 0, CL_AUTO, typeposition(PTR | 9)), "0x503");
}

TEST_F(TypedValuesTest, VariablesPrintedWhole) {
    // struct point { int x; char tag; unsigned f : 4; } and an array of 3 of them.
    std::string names[] = {"x", "tag", "f"};
    LocalRec members[4] = {};
    TypeDetail fdetail{{4 << 8 | 4}};
    for (int i = 0; i < 3; ++i) members[i].name = names[i].data();
    members[0].type = 24, members[0].value = 0, members[0].size = 2;
    members[1].type = 9, members[1].value = 2, members[1].size = 1;
    members[2].type = 25, members[2].value = 3, members[2].size = 2, members[2].detail = &fdetail;
    std::string tag = "point";
    MemberList list{nullptr, 0, tag.data(), 3, 5, members};
    TypeDetail sdetail{{}, &list}, adetail{{3}, &list}, edetail{};
    std::string pname = "p", aname = "row", ename = "e";
    LocalRec p{}, a{};
    p.name = pname.data(), p.type = 72, p.detail = &sdetail, p.size = 5;
    a.name = aname.data(), a.type = ARRAY | 72, a.detail = &adetail, a.size = 15;
    poke(0x0700, {0x00, 0x07, 0x41, 0x00, 0xA0});
    poke(0x0705, {0xFF, 0xFE, 0x42, 0x00, 0x10, 0x00, 0x00, 0x43, 0x00, 0xF0});

    console.out.clear();
    EXPECT_EQ(dispshort(&p, 0x0700, nullptr), 5u);
    EXPECT_EQ(console.out, " {7,65,10}");
    console.out.clear();
    EXPECT_EQ(dispshort(&a, 0x0700, nullptr), 15u);
    EXPECT_EQ(console.out, "  {7,65,10}  {-2,66,1}  {0,67,15}");
    console.out.clear();
    dispvar(&p, 0x0700, nullptr);
    EXPECT_EQ(console.out, " {\n"
                           "int  x        at 0x700   7\n"
                           "char  tag        at 0x702   65\n"
                           "bit-field  f        at 0x703   10\n"
                           "        }\n");
    // An enumeration shows the name of its value, or the value.
    std::string red = "red", green = "green", colour = "colour";
    LocalRec enumerators[3] = {};
    enumerators[0].name = red.data(), enumerators[0].value = 0, enumerators[0].cls = CL_ENUMMEMBER;
    enumerators[1].name = green.data(), enumerators[1].value = 5, enumerators[1].cls = CL_ENUMMEMBER;
    MemberList colours{nullptr, 0, colour.data(), 2, 2, enumerators};
    edetail.members = &colours;
    LocalRec e{};
    e.name = ename.data(), e.type = 77, e.detail = &edetail, e.size = 2;
    poke(0x0800, {0x00, 0x05, 0x00, 0x06});
    console.out.clear();
    dispshort(&e, 0x0800, nullptr);
    dispshort(&e, 0x0802, nullptr);
    EXPECT_EQ(console.out, "green6");
}

TEST_F(TypedValuesTest, PointerDepthSignednessAndCallableFunctions) {
    EXPECT_EQ(ptrdepth(PTR | PTR >> 2 | 9), 2);
    EXPECT_EQ(ptrdepth(ARRAY | PTR >> 2 | 9), 0);
    EXPECT_EQ(ptrdepth(24), 0);
    LocalRec r{};
    r.type = ARRAY | 24;
    setptrdepth(&r, 3);
    EXPECT_EQ(r.type, PTR | PTR >> 2 | PTR >> 4 | 24);
    for (uint32_t t : {10u, 17u, 26u, 33u}) EXPECT_EQ(isunsigned(t), 1) << t;
    for (uint32_t t : {9u, 24u, 32u, 40u}) EXPECT_EQ(isunsigned(t), 0) << t;

    std::string n = "a";
    LocalRec args[2] = {};
    args[0].name = n.data();
    args[0].cls = CL_ARG;
    FuncRec fn{};
    fn.locals = args;
    fn.localsend = args + 1;
    struct Case {
        uint32_t result, arg;
        int callable;
    };
    for (Case c : {Case{24, 24, 1}, Case{PTR | 72, 24, 0}, Case{40, 24, 0}, Case{24, 73, 0}, Case{24, ARRAY | 9, 0},
                   Case{24, PTR | 9, 1}, Case{80, 41, 0}}) {
        fn.type = c.result;
        args[0].type = c.arg;
        EXPECT_EQ(callable(&fn), c.callable) << c.result << " " << c.arg;
    }
}

}  // namespace
}  // namespace vy
