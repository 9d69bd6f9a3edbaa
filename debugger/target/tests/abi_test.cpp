// The target ABI model: floats as the target stores them, where a frame
// pointer lies at a function's entry and from its exit sequence, where
// variables lie in a frame, and where results are.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"
#include "target_fixture.h"

namespace vy {
namespace {

using AbiTest = TargetTest;

std::vector<uint8_t> target(double value, bool isdouble) {
    std::vector<uint8_t> b(isdouble ? 8 : 4);
    dbltotgt(value, b.data(), isdouble);
    return b;
}

TEST_F(AbiTest, FloatsAsTheTargetStoresThem) {
    struct Case {
        const char* meaning;
        double value;
        bool isdouble;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"one, single", 1.0, false, {0x3F, 0x80, 0x00, 0x00}},
        {"one, double", 1.0, true, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
        {"a negative single", -2.5, false, {0xC0, 0x20, 0x00, 0x00}},
        {"0.1 truncated, not rounded", 0.1, false, {0x3D, 0xCC, 0xCC, 0xCC}},
        {"a double keeps every bit of the host's", 0.1, true, {0x3F, 0xB9, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A}},
        {"zero", 0.0, false, {0, 0, 0, 0}},
        {"minus zero is zero", -0.0, true, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"a large double", -2.5e10, true, {0xC2, 0x17, 0x48, 0x76, 0xE8, 0, 0, 0}},
        {"an infinity keeps the largest exponent", INFINITY, false, {0x7F, 0x80, 0x00, 0x00}},
    };
    for (const Case& c : cases) EXPECT_EQ(target(c.value, c.isdouble), c.bytes) << c.meaning;

    struct Read {
        const char* meaning;
        std::vector<uint8_t> bytes;
        double value;
    };
    const Read reads[] = {
        {"one back", {0x3F, 0x80, 0x00, 0x00}, 1.0},
        {"an infinity reads as the largest single", {0x7F, 0x80, 0x00, 0x00}, 3.4028234663852886e+38},
        {"a NaN too, with its sign", {0xFF, 0xC0, 0x00, 0x01}, -3.4028234663852886e+38},
        {"two zero bytes are zero whatever follows", {0x00, 0x00, 0x12, 0x34}, 0.0},
        {"exponent 0 has the hidden bit too", {0x00, 0x40, 0x00, 0x00}, std::ldexp(1.5, -127)},
    };
    for (const Read& r : reads) EXPECT_EQ(tgttodbl(r.bytes.data(), 0), r.value) << r.meaning;
    // Values that a single holds exactly come back exactly, doubles likewise.
    for (double v : {0.25, -1.5, 3.0, -123456.0, 0.0078125, 16777215.0}) {
        EXPECT_EQ(tgttodbl(target(v, false).data(), 0), v) << v;
        EXPECT_EQ(tgttodbl(target(v, true).data(), 1), v) << v;
    }
    for (double v : {0.1, 1.0 / 3, 6.02e23, -2.5e-300}) EXPECT_EQ(tgttodbl(target(v, true).data(), 1), v) << v;
}

TEST_F(AbiTest, TheFramePointerAtEntryIsSpMinusOneMinusTheRegisterArgument) {
    struct Case {
        const char* meaning;
        uint32_t cls;
        uint16_t offset, fp;
    };
    const Case cases[] = {
        {"no register argument: below the return address", 0, 0, 0x00EF},
        {"a char in B", 8, 0, 0x00EE},
        {"a char pushed as a word", 8, 1, 0x00ED},
        {"an int in D", 24, 0, 0x00ED},
        {"a pointer in D", 64, 0, 0x00ED},
        {"a long in D and 2,x", 32, 0, 0x00EB},
        {"a float likewise", 40, 0, 0x00EB},
    };
    regs.sp = 0x00F0;
    for (const Case& c : cases) EXPECT_EQ(framefromsp(c.cls, c.offset), c.fp) << c.meaning;
}

TEST_F(AbiTest, TheFramePointerFromAnExitSequence) {
    struct Case {
        const char* meaning;
        std::vector<uint8_t> exit;
        uint32_t cls;
        uint16_t fp;
    };
    regs.x = 0x1000;
    poke(0x1000, {0x20, 0x00});  // a frame link: the saved SP
    const Case cases[] = {
        {"ins; pulx; rts", {0x31, 0x38, 0x39}, 0, 0x1001},
        {"ins; pulx; pulx", {0x31, 0x38, 0x38}, 0, 0x1003},
        {"pulx; rts", {0x38, 0x39, 0x00}, 0, 0x1000},
        {"pulx; rti", {0x38, 0x3B, 0x00}, 0, 0x1000},
        {"pulx; pulx; rts", {0x38, 0x38, 0x39}, 0, 0x1002},
        {"pulx; pulx; pulx", {0x38, 0x38, 0x38}, 0, 0x1004},
        {"rts", {0x39, 0x00, 0x00}, 0, 0x1000},
        {"lds 0,x: the link plus 1", {0xAE, 0x00, 0x38}, 0, 0x2001},
        {"less a char argument", {0x38, 0x38, 0x39}, 8, 0x1001},
        {"less an int argument", {0x38, 0x38, 0x39}, 24, 0x1000},
        {"read at the start: less 2", {0x38, 0x38, 0x39}, 0x8000, 0x1000},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < c.exit.size(); ++i) wrbyte(static_cast<uint16_t>(0x8000 + i), c.exit[i]);
        EXPECT_EQ(framefromcode(c.cls, 0x8000, 0), c.fp) << c.meaning;
    }
}

// A function record with variables, and frames of it.
struct Fixture {
    FileRec file{};
    FuncRec fn{}, scope{};
    std::vector<LocalRec> locals, globals;
    std::vector<std::string> names;

    LocalRec make(const char* name, uint8_t cls, uint16_t value, uint32_t type) {
        names.emplace_back(name);
        LocalRec l{};
        l.name = names.back().data();
        l.cls = cls;
        l.value = value;
        l.type = type;
        l.size = 2;
        return l;
    }
    void finish() {
        locals.push_back(LocalRec{});
        globals.push_back(LocalRec{});
        fn.locals = locals.data();
        fn.localsend = locals.data() + locals.size() - 1;
        scope.locals = globals.data();
        scope.localsend = globals.data() + globals.size() - 1;
        fn.name = const_cast<char*>("f");
        scope.name = const_cast<char*>("");
        fn.file = scope.file = &file;
        file.funcs = &fn;
        fn.next = &scope;
    }
};

TEST_F(AbiTest, WhereVariablesLieInAFrame) {
    Fixture f;
    f.names.reserve(32);
    f.locals = {f.make("count", CL_AUTO, 4, 24), f.make("arg", CL_ARG, 0, 24), f.make("b", CL_ARGREG, 0, 9),
                f.make("d", CL_ARGREG, 0, 24), f.make("s", CL_STATIC, 0x0123, 24), f.make("r", CL_REGISTER, 0x40, 24),
                f.make("k", 20, 0, 24)};
    f.globals = {f.make("g", CL_EXTERN, 0x0200, 24)};
    f.finish();
    FrameNode frame{};
    frame.func = &f.fn;
    frame.fp = 0x00E0;
    FileRec other{};
    FuncRec elsewhere{};
    elsewhere.file = &other;
    elsewhere.name = const_cast<char*>("h");
    FrameNode newer{};
    newer.func = &elsewhere;
    newer.next = &frame;
    struct Case {
        const char* meaning;
        const LocalRec* rec;
        const FrameNode* frame;
        uint8_t fixed;
        uint16_t address;
    };
    const LocalRec* l = f.fn.locals;
    const Case cases[] = {
        {"an automatic lies below the frame pointer", &l[0], &frame, 1, 0x00DC},
        {"an argument above the return address", &l[1], &frame, 1, 0x00E4},
        {"a register argument in a fixed frame lies at the frame pointer", &l[3], &frame, 1, 0x00E0},
        {"before its frame is fixed a char argument is in B", &l[2], &frame, 0, REG_B},
        {"an int one in D", &l[3], &frame, 0, REG_D},
        {"a static is its address, with no frame", &l[4], nullptr, 0, 0x0123},
        {"a register variable its address, in a frame", &l[5], &frame, 1, 0x0040},
        {"class 20 the frame pointer", &l[6], &frame, 1, 0x00E0},
        {"the frame is found below newer frames", &l[0], &newer, 1, 0x00DC},
        {"no frame holds it", &l[0], nullptr, 1, 0},
        {"a file-level variable is its address", &f.globals[0], &frame, 1, 0x0200},
    };
    for (const Case& c : cases) {
        frame.fixed = c.fixed;
        EXPECT_EQ(varaddr(c.rec, c.frame), c.address) << c.meaning;
    }
    // funcvar looks at the function's own variables, then its file's.
    EXPECT_EQ(funcvar(&f.fn, "count"), &l[0]);
    EXPECT_EQ(funcvar(&f.fn, "g"), &f.globals[0]);
    EXPECT_EQ(funcvar(&f.fn, "none"), nullptr);
    EXPECT_EQ(funcvar(&elsewhere, "g"), nullptr);
}

TEST_F(AbiTest, ResultsAndTheRegisterArgumentClass) {
    EXPECT_STREQ(resultreg(8), "reg. b");
    EXPECT_STREQ(resultreg(24), "reg. d");
    EXPECT_STREQ(resultreg(0x21), "reg. d and (2,x)");
    setreg(REG_D, 0x5678);
    regs.x = 0x0300;
    poke(0x0302, {0x12, 0x34});
    EXPECT_EQ(getresult(0), 0x5678u);
    EXPECT_EQ(getresult(1), 0x12345678u);
    writreg(0, 0xBEEF);
    EXPECT_EQ(getreg(REG_D), 0xBEEFu);
    writreg(4, 1);
    EXPECT_EQ(console.out, "!PANIC writreg\n");
    EXPECT_EQ(getreg(REG_D), 0xBEEFu);
    EXPECT_EQ(typeextra(72), 2u);
    EXPECT_EQ(typeextra(41), 2u);
    EXPECT_EQ(typeextra(0x40000048), 0u);  // a pointer to a struct comes back in D
    EXPECT_EQ(typeextra(24), 0u);
    struct Case {
        uint32_t type;
        uint32_t cls;
    };
    for (Case c : {Case{75, 8}, Case{76, 16}, Case{78, 32}, Case{24, 24}, Case{9, 9}, Case{0x40000009, 64},
                   Case{0xC0000018, 64}}) {
        Fixture f;
        f.names.reserve(8);
        f.locals = {f.make("a", CL_AUTO, 2, 24), f.make("x", CL_ARGREG, 1, c.type)};
        f.finish();
        RegArg arg = regargof(&f.fn);
        EXPECT_EQ(arg.cls, c.cls) << c.type;
        EXPECT_EQ(arg.offset, 1);
    }
}

TEST_F(AbiTest, AFunctionEndingInRtiHasItsArgumentsAboveTheStackedRegisters) {
    // An interrupt handler's exit is found from the line entry at the PC.
    std::string start = "h.c~isr:1-2", exit = "h.c~isr:0";
    for (auto [kind, addr, text] : {std::tuple{DBG_FUNCSTART, 0x8000u, start}, std::tuple{DBG_EXIT, 0x8004u, exit}}) {
        DebugEntry* e = newentry(kind, addr, text.c_str(), text.size());
        parseentry(e);
        insertentry(e);
    }
    poke(0x8004, {0x38, 0x3B, 0x01});
    regs.pc = 0x8000;
    regs.sp = 0x00F0;
    setargbase(0, 0);
    EXPECT_EQ(argbase(), 0x00F1);
    setargbase(24, 0);  // a register argument decides
    EXPECT_EQ(argbase(), 0x00ED);
    poke(0x8004, {0x38, 0x39, 0x01});
    setargbase(0, 0);
    EXPECT_EQ(argbase(), 0x00EF);
}

}  // namespace
}  // namespace vy
