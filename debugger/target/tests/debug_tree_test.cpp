// Programs with full debug information, written by the program builder as
// the C chain would write them, loaded through dbload: the file, function
// and variable records, their declaration texts, and the refusal of trees
// that do not hold together.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "debugger/target/console_services.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/debug_tree.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/program_builder.h"
#include "target_fixture.h"

namespace vy {
namespace {

namespace pb = progbuild;

class DebugTreeTest : public TargetTest {
protected:
    pb::Built built;

    void load(const pb::Program& program, const char* start = nullptr) {
        built = pb::build(program);
        dbload(tempfile("prog.o", built.image).c_str(), start);
    }

    // The line entry at an address (a function start may stand in front).
    static DebugEntry* lineentry(uint16_t address) {
        for (DebugEntry* e = debuglist; e; e = e->next)
            if (e->addr == address && e->kind == DBG_LINE) return e;
        return nullptr;
    }

    static FuncRec* func(const char* file, const char* name) {
        FileRec* f = findfile(file);
        for (FuncRec* fn = f ? f->funcs : nullptr; fn; fn = fn->next)
            if (std::strcmp(fn->name, name) == 0) return fn;
        return nullptr;
    }
    static FuncRec* filescope(const char* file) {
        FileRec* f = findfile(file);
        FuncRec* fn = f ? f->funcs : nullptr;
        while (fn && fn->next) fn = fn->next;
        return fn;
    }
    static LocalRec* local(FuncRec* fn, const char* name) {
        for (LocalRec* l = fn ? fn->locals : nullptr; l && l < fn->localsend; ++l)
            if (std::strcmp(l->name, name) == 0) return l;
        for (uint32_t i = 0; fn && i < fn->nclass18; ++i)
            if (std::strcmp(fn->members18[i].name, name) == 0) return &fn->members18[i];
        return nullptr;
    }
    const pb::Placed& placed(const std::string& name) const {
        for (const pb::Placed& p : built.funcs)
            if (p.name == name) return p;
        throw std::runtime_error("not placed: " + name);
    }
};

// Storage classes, type words (base type in the low byte, two-bit
// derivations from the top: 01 pointer, 10 function, 11 array) and the
// detail words that complete them.
constexpr uint8_t EXTERN = 6, STATIC = 1, AUTO = 3, REGISTER = 4, ARG = 2, ARGREG = 7, REGARG = 5, LABEL = 18;
constexpr uint32_t INT = 24, CHAR = 9, SHORT = 16, LONG = 32, UCHAR = 10, STRUCT = 72, ENUM = 74;
constexpr uint32_t POINTER = 0x40000000, ARRAY = 0xC0000000, ARRAY2 = 0xF0000000, FUNCPTR = 0x60000000;

using pb::var;

// Two source files of a small C program:
//   struct point { int x; int y; };  struct node { int value; struct node *next; };
//   enum color { RED, GREEN, BLUE };
//   main.c: int counter; static char buf[16]; struct point origin; char *msg; int @far *farp;
//           struct node *head; static enum color hue; struct { char flags:2; } at 0x120;
//           static _Bool ready (bit 19 of the bit area); int table[3][4]; int (*handler)();
//           int main(void) { int i; register char c; static short s; L1: ... }
//           int add(int a, int b) { int t; ... }
//   util.c: long scale(long v, unsigned char k in a register);
//           static struct point *mkpoint(int x, int y);  struct point getp(int q);
//           int proto(void) declared but without code.
pb::Program sample() {
    pb::Program p;
    p.members = {
        {"point", "point", {var("x", 0, 0, INT), var("y", 0, 2, INT)}, 4},
        {"node", "node", {var("value", 0, 0, INT), var("next", 0, 2, POINTER | STRUCT, {0}, "node")}, 4},
        {"color", "color", {var("RED", 12, 0, INT), var("GREEN", 12, 1, INT), var("BLUE", 12, 2, INT)}, 2},
    };
    pb::File main;
    main.name = "main.c";
    main.globals = {
        var("counter", EXTERN, 0x0100, INT),
        var("buf", STATIC, 0x0102, ARRAY | CHAR, {16}),
        var("origin", EXTERN, 0x0112, STRUCT, {}, "point"),
        var("msg", EXTERN, 0x0116, POINTER | CHAR, {0x0000}),
        var("farp", EXTERN, 0x0118, POINTER | INT, {0x3000}),
        var("head", EXTERN, 0x011C, POINTER | STRUCT, {0x2000}, "node"),
        var("hue", STATIC, 0x011E, ENUM, {}, "color"),
        var("flags", EXTERN, 0x0120, 11, {(3 << 8) | 2}),
        var("ready", STATIC, 19, 1, {0}),
        var("table", EXTERN, 0x0122, ARRAY2 | INT, {3, 4}),
        var("handler", EXTERN, 0x013A, FUNCPTR | INT, {0x1000, 0}),
    };
    pb::Function mainf;
    mainf.name = "main";
    mainf.lines = 4;
    mainf.vars = {var("i", AUTO, 2, INT), var("c", REGISTER, 0x40, CHAR), var("s", 16, 0x0130, SHORT), var("L1", LABEL, 0x8003, 88)};
    mainf.called = {"add", "scale"};
    mainf.refs = {"counter", "buf"};
    pb::Function add;
    add.name = "add";
    add.vars = {var("t", AUTO, 1, INT), var("b", ARG, 4, INT), var("a", ARGREG, 0, INT)};
    main.funcs = {mainf, add};
    main.defines = {{"N", "16"}, {"LIMIT", "(N*2)"}};

    pb::File util;
    util.name = "util.c";
    pb::Function scale;
    scale.name = "scale";
    scale.type = LONG;
    scale.vars = {var("v", ARG, 0, LONG), var("k", REGARG, 4, UCHAR, {}, "", 32)};
    pb::Function mkpoint;
    mkpoint.name = "mkpoint";
    mkpoint.cls = STATIC;
    mkpoint.type = POINTER | STRUCT;
    mkpoint.typedetail = {0};
    mkpoint.typemembers = "point";
    mkpoint.plus = true;
    mkpoint.vars = {var("x", ARGREG, 0, INT), var("y", ARG, 2, INT)};
    pb::Function getp;
    getp.name = "getp";
    getp.type = STRUCT;
    getp.typemembers = "point";
    getp.vars = {var("q", ARG, 2, INT)};
    pb::Function proto;
    proto.name = "proto";
    proto.hascode = false;
    util.funcs = {scale, mkpoint, getp, proto};
    p.files = {main, util};
    return p;
}

TEST_F(DebugTreeTest, EveryFileFunctionAndLineOfTheProgramIsKnown) {
    load(sample());
    ASSERT_EQ(console.errors, "");
    ASSERT_EQ(LoadFailed, 0);
    for (const pb::Placed& p : built.funcs) {
        FuncRec* fn = func(p.file.c_str(), p.name.c_str());
        ASSERT_NE(fn, nullptr) << p.name;
        EXPECT_EQ(fn->firstline, p.firstline) << p.name;
        EXPECT_EQ(fn->lastline, p.lastline) << p.name;
        EXPECT_EQ(funcatoffset(p.node), fn) << p.name;
        if (p.name == "proto") {
            EXPECT_EQ(fn->start, nullptr);
            EXPECT_EQ(fn->locals, nullptr);
            continue;
        }
        ASSERT_NE(fn->start, nullptr) << p.name;
        EXPECT_EQ(fn->start->addr, p.start) << p.name;
        ASSERT_NE(fn->setup, nullptr) << p.name;
        EXPECT_EQ(fn->setup->kind, DBG_SETUP) << p.name;
        EXPECT_EQ(findfunc(p.name.c_str()), fn);
        EXPECT_EQ(rensym(("_" + p.name).c_str())->value, p.start);
        for (auto [address, line] : p.lines) {
            DebugEntry* e = lineentry(address);
            ASSERT_NE(e, nullptr) << p.name << " line " << line;
            EXPECT_EQ(e->line, line);
            EXPECT_STREQ(e->name, p.name.c_str());
            EXPECT_STREQ(e->text(), p.file.c_str());
            EXPECT_EQ(e->func, fn);
        }
    }
    // The file records: newest first, the lines of their file-scope nodes.
    ASSERT_TRUE(morefiles(filelist));
    EXPECT_STREQ(filelist->name, "util.c");
    EXPECT_STREQ(filelist->next->name, "main.c");
    EXPECT_FALSE(morefiles(filelist->next->next));
    EXPECT_EQ(findfile("main.c")->firstline, 1u);
    EXPECT_EQ(findfile("main.c")->lastline, placed("add").lastline + 1);
    EXPECT_EQ(findfile("main.c")->flags, unsigned(FILE_HASSETUP));
    // The start point: the first of __stext, __text, .text; then the line there.
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(outsidec, 0);
}

TEST_F(DebugTreeTest, FunctionsHaveTheirDeclarationTexts) {
    load(sample());
    ASSERT_EQ(console.errors, "");
    struct Case {
        const char* file;
        const char* name;
        const char* signature;
        const char* args;
    };
    const Case cases[] = {
        {"main.c", "main", "extern int ", ""},
        {"main.c", "add", "extern int ", "int  b, int  a"},  // the list's order
        {"util.c", "scale", "extern long ", "long  v, unsigned char  k"},
        {"util.c", "mkpoint", "static struct point*", "int  x, int  y"},
        {"util.c", "getp", "extern struct point", "int  q"},
        {"util.c", "proto", "extern int ", ""},
    };
    for (const Case& c : cases) {
        FuncRec* fn = func(c.file, c.name);
        ASSERT_NE(fn, nullptr) << c.name;
        EXPECT_STREQ(fn->signature, c.signature) << c.name;
        EXPECT_STREQ(fn->argtext, c.args) << c.name;
    }
}

TEST_F(DebugTreeTest, VariablesHaveTheirPlacesSizesAndDeclarationTexts) {
    load(sample());
    ASSERT_EQ(console.errors, "");
    struct Case {
        const char* owner;  // a function, or a file for its file-scope record
        const char* name;
        uint16_t value;
        uint32_t size;
        const char* text;
    };
    const Case cases[] = {
        {"main.c", "counter", 0x0100, 2, "extern int  counter"},
        {"main.c", "buf", 0x0102, 16, "static char  buf[16]"},
        {"main.c", "origin", 0x0112, 4, "extern struct point origin"},
        {"main.c", "msg", 0x0116, 2, "extern char  @near *msg"},
        {"main.c", "farp", 0x0118, 2, "extern int  @far *farp"},
        {"main.c", "head", 0x011C, 2, "extern struct node @near *head"},
        {"main.c", "hue", 0x011E, 2, "static enum color hue"},
        {"main.c", "flags", 0x0120, 1, "extern char bit-field  flags"},
        {"main.c", "ready", 2, 1, "static _Bool  ready"},
        {"main.c", "table", 0x0122, 24, "extern int  table[3][4]"},
        {"main.c", "handler", 0x013A, 2, "extern int  (*handler)()"},
        {"main", "i", 2, 2, "auto int  i"},
        {"main", "c", 0x40, 1, "register char  c"},
        {"main", "s", 0x0130, 2, "static auto short  s"},
        {"add", "a", 0, 2, "argument int  a"},
        {"add", "b", 4, 2, "argument int  b"},
        {"scale", "v", 0, 4, "argument long  v"},
        {"scale", "k", 32, 1, "register unsigned char  k"},
        {"mkpoint", "y", 3, 2, "argument int  y"},  // the start's "+" moves a stacked argument by one
        {"getp", "q", 4, 2, "argument int  q"},     // a structure result moves the arguments by two
    };
    for (const Case& c : cases) {
        FuncRec* owner = std::strchr(c.owner, '.') ? filescope(c.owner) : findfunc(c.owner);
        LocalRec* l = local(owner, c.name);
        ASSERT_NE(l, nullptr) << c.name;
        EXPECT_EQ(l->value, c.value) << c.name;
        EXPECT_EQ(l->size, c.size) << c.name;
        EXPECT_EQ(descresult(l), c.text) << c.name;
        EXPECT_EQ(l->func, owner) << c.name;
    }
    LocalRec* k = local(findfunc("scale"), "k");
    EXPECT_EQ(k->offset5, 4);
    EXPECT_EQ(findfunc("scale")->hasreg, 1);
    // A bit variable: its bit address 19 is byte 2, bit 3.
    LocalRec* ready = local(filescope("main.c"), "ready");
    ASSERT_NE(ready->detail, nullptr);
    EXPECT_EQ(ready->detail->words[0], 3u);
    // One member list per structure type, shared.
    LocalRec* origin = local(filescope("main.c"), "origin");
    ASSERT_NE(origin->detail, nullptr);
    MemberList* point = origin->detail->members;
    ASSERT_NE(point, nullptr);
    EXPECT_STREQ(point->tag, "point");
    EXPECT_EQ(point->count, 2u);
    EXPECT_EQ(point->size, 4u);
    EXPECT_STREQ(point->members[1].name, "y");
    EXPECT_EQ(point->members[2].name, nullptr);
    EXPECT_EQ(local(filescope("main.c"), "head")->detail->members->members[1].detail->members,
              local(filescope("main.c"), "head")->detail->members);
}

TEST_F(DebugTreeTest, ArgumentsComeFirstAndLabelsStandApart) {
    load(sample());
    ASSERT_EQ(console.errors, "");
    FuncRec* add = findfunc("add");
    ASSERT_EQ(add->nlocals, 3u);
    EXPECT_EQ(add->nargs, 2u);
    EXPECT_STREQ(add->locals[0].name, "a");  // arguments by value, then the rest in list order
    EXPECT_STREQ(add->locals[1].name, "b");
    EXPECT_STREQ(add->locals[2].name, "t");
    EXPECT_EQ(add->firstlocal, &add->locals[2]);
    EXPECT_EQ(add->localsend->name, nullptr);
    FuncRec* main = findfunc("main");
    EXPECT_EQ(main->nlocals, 3u);
    ASSERT_EQ(main->nclass18, 1u);
    EXPECT_STREQ(main->members18[0].name, "L1");
    EXPECT_EQ(main->members18[0].value, 0x8003);
    EXPECT_EQ(main->hasreg, 1);
}

TEST_F(DebugTreeTest, ListWindowsTypesAndCalledNamesHaveTheirTexts) {
    load(sample());
    ASSERT_EQ(console.errors, "");
    FuncRec* globals = filescope("main.c");
    EXPECT_EQ(desclocal(local(globals, "flags")),
              "\x01\x05" "extern \x01\x05" "char bit-field\x01\x01 \x01\x01\x15Vflags\x1A:2");
    EXPECT_EQ(desclocal(local(globals, "origin")),
              "\x01\x05" "extern \x01\x05" "struct\x01\x01 point \x01\x01\x15Vorigin\x1A");
    EXPECT_EQ(desclocal(local(globals, "msg")),
              "\x01\x05" "extern \x01\x05" "char\x01\x01 \x01\x05@near \x01\x01*\x01\x01\x15Vmsg\x1A");
    const std::string margin(22, ' ');  // 15 + the length of "point {"
    EXPECT_EQ(typetext(local(globals, "origin"), 0),
              "extern struct point {int  x;\n" + margin + "int  y;\n" + margin + "}");
    // A structure that points to itself is written out once.
    const std::string nodemargin(15 + 13, ' ');  // 15 + the length of "node @near *{"
    EXPECT_EQ(typetext(local(globals, "head"), 0),
              "extern struct node @near *{int  value;\n" + nodemargin + "struct node @near *next;\n" + nodemargin + "}");
    EXPECT_EQ(typetext(local(globals, "table"), 0), "extern int  [3][4]");

    FuncRec* main = findfunc("main");
    EXPECT_EQ(main->ncalled, 2u);
    EXPECT_EQ(main->nrefs, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(main->called), 13), std::string("\x03" "add\0\x05" "scale\0\0", 13));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(main->refs), 15), std::string("\x07" "counter\0\x03" "buf\0\0", 15));
    EXPECT_EQ(main->longestcalled, 7u);
    FileRec* file = findfile("main.c");
    ASSERT_EQ(file->ndefines, 2u);
    EXPECT_STREQ(file->defentries[0]->text(), "~#N");
    EXPECT_STREQ(file->deftexts[0], "16");
    EXPECT_STREQ(file->deftexts[1], "(N*2)");
    EXPECT_EQ(findfile("util.c")->ndefines, 0u);
}

TEST_F(DebugTreeTest, ARegisterMapTranslatesMasksAndPointerWords) {
    pb::Program p;
    pb::File f;
    f.name = "regs.c";
    f.regmap = {0x0100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0002};
    pb::Var p0 = var("p", EXTERN, 0x0200, POINTER | INT, {0x8001});
    p0.regmask = 0x8001;
    f.globals = {p0, var("n", EXTERN, 0x0202, INT)};
    p.files = {f};
    load(p);
    ASSERT_EQ(console.errors, "");
    EXPECT_EQ(mapregs(0), 0x8000);
    LocalRec* l = local(filescope("regs.c"), "p");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->regmask, 0x8102u);  // 0x8000, entry 0 for 0x8000, entry 15 for 1
    EXPECT_EQ(l->detail->words[0], 0x8102u);
    EXPECT_EQ(local(filescope("regs.c"), "n")->regmask, 0x8000u);
    EXPECT_NE(findfile("regs.c")->option, nullptr);
}

TEST_F(DebugTreeTest, AnArgumentListOfMoreThan511CharactersEndsInDots) {
    pb::Program p;
    pb::File f;
    f.name = "many.c";
    pb::Function fn;
    fn.name = "wide";
    for (int i = 0; i < 40; ++i)
        fn.vars.push_back(var("argument_number_" + std::to_string(i), ARG, static_cast<uint32_t>(2 * i), INT));
    f.funcs = {fn};
    p.files = {f};
    load(p);
    ASSERT_EQ(console.errors, "");
    std::string args = findfunc("wide")->argtext;
    EXPECT_LE(args.size(), 511u);
    EXPECT_GT(args.size(), 511u - 25);
    EXPECT_EQ(args.substr(args.size() - 28), "int  argument_number_19, ...");
    EXPECT_EQ(args.substr(0, 26), "int  argument_number_0, in");
}

TEST_F(DebugTreeTest, AFunctionStartWithoutANodeGetsADotRecordInItsFile) {
    pb::Program p = sample();
    pb::Function ghost;
    ghost.name = "ghost";
    ghost.intree = false;
    p.files[1].funcs.push_back(ghost);
    load(p);
    ASSERT_EQ(console.errors, "");
    FileRec* util = findfile("util.c");
    ASSERT_STREQ(util->funcs->name, ".");
    EXPECT_EQ(util->funcs->firstline, 1u);
    EXPECT_EQ(util->funcs->lastline, 40u);
    EXPECT_STREQ(util->funcs->start->name, "ghost");
    EXPECT_EQ(util->funcs->start->func, util->funcs);
    EXPECT_EQ(findfunc("ghost"), nullptr);
    EXPECT_EQ(findfunc("."), nullptr);
}

// Services that count the progress of a load and press its cancel button
// after a number of gauge steps.
class Progress : public ConsoleServices {
public:
    uint32_t total = 0, steps = 0, cancelat = 0;
    std::vector<std::string> files;
    void loadprogress(int open, uint32_t n) override {
        if (open) total = n;
    }
    void showloadfile(const char* name) override { files.push_back(name); }
    void gaugestep(uint32_t n) override {
        ++steps;
        if (steps == cancelat) LoadAbortFlag = 1;
    }
};

TEST_F(DebugTreeTest, TheLoadShowsItsProgressAndStopsWhenCancelled) {
    Progress progress;
    progress.capture = true;
    setservices(&progress);
    load(sample());
    ASSERT_EQ(progress.errors, "");
    EXPECT_EQ(progress.total, 2 * 2 + 5u);  // two steps a file, one a function start
    EXPECT_EQ(progress.files, (std::vector<std::string>{"main.c", "util.c"}));
    uint32_t all = progress.steps;
    // Cancelled anywhere: the load stops, is not a failure, and the next
    // load starts afresh.
    for (uint32_t at = 1; at < all; at += 3) {
        progress.steps = 0;
        progress.cancelat = at;
        load(sample());
        EXPECT_EQ(LoadFailed, 0) << at;
        EXPECT_EQ(progress.errors, "") << at;
        LoadAbortFlag = 0;
    }
    progress.cancelat = 0;
    load(sample());
    EXPECT_NE(findfunc("getp"), nullptr);
    setservices(&console);
}

TEST_F(DebugTreeTest, TreesThatDoNotHoldTogetherAreRefusedAndLeaveMemoryAlone) {
    auto patch = [](std::vector<uint8_t>& tree, uint32_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) tree[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    };
    struct Case {
        const char* meaning;
        void (*spoil)(pb::Built&, decltype(patch)&);
        const char* message;
        const char* start = nullptr;
    };
    const Case cases[] = {
        {"a function returning a type the debugger does not know",
         [](pb::Built& b, decltype(patch)& set) {
             std::vector<uint8_t>& tree = b.object.sections[1].data;
             tree[b.funcs[0].node + 20] = 34;  // a long bit-field
         },
         "INCONSISTENT DEBUG INFO\n\nPROBABLE TARGET MISMATCH\n"},
        {"a function start in a file that has no record",
         [](pb::Built& b, decltype(patch)&) {
             b.object.records.push_back({b.codeend, 32, 1, "nowhere.c~lost:1-2"});
             b.object.records.push_back({b.codeend + 1u, 16, 1, "nowhere.c:3-3"});
         },
         "INCONSISTENT DEBUG INFO.\nFILE: nowhere.c\nIS REREFENCED BUT CANNOT BE FOUND"},
        {"a variable list outside the section",
         [](pb::Built& b, decltype(patch)& set) { set(b.object.sections[1].data, b.funcs[0].node + 28, 0x00FFFFF0); },
         "read error debug information of main.c at offset 16777200"},
        {"function nodes that link in a ring",
         [](pb::Built& b, decltype(patch)& set) { set(b.object.sections[1].data, b.funcs[1].node, b.funcs[0].node); },
         "the function nodes of main.c form a loop"},
        {"a start point on a function start whose debug-table reference is missing",
         [](pb::Built& b, decltype(patch)&) {
             auto& r = b.object.records;
             r.erase(std::remove_if(r.begin(), r.end(),
                                    [](const auto& e) { return e.kind == 2 && e.text == "main.c~main"; }),
                     r.end());
         },
         "can't locate debug tables for: main.c main\nStrike any key to continue...", "main"},
    };
    for (const Case& c : cases) {
        built = pb::build(sample());
        c.spoil(built, patch);
        fillbytes();
        std::vector<uint8_t> before = memorybytes();
        console.errors.clear();
        dbload(tempfile("bad.o", built.object.write()).c_str(), c.start);
        EXPECT_EQ(LoadFailed, 1) << c.meaning;
        EXPECT_EQ(console.errors, std::string(c.message) + "\n") << c.meaning;
        EXPECT_TRUE(memorybytes() == before) << c.meaning;
        EXPECT_EQ(debuglist, nullptr) << c.meaning;
        EXPECT_FALSE(morefiles(filelist)) << c.meaning;
        EXPECT_EQ(rensym("_main"), nullptr) << c.meaning;
        EXPECT_EQ(rensym(".text"), nullptr) << c.meaning;
    }
}

TEST_F(DebugTreeTest, MemberListsNestingWithoutEndAreRefused) {
    pb::Program p;
    auto label = [](int i) {
        std::string s(1, 's');
        return s += std::to_string(i);
    };
    const int depth = 1000;  // five times the bound
    for (int i = 0; i < depth; ++i) {
        std::string next = i + 1 < depth ? label(i + 1) : "";
        pb::Var inner = var("inner", 0, 0, next.empty() ? INT : STRUCT, {}, next);
        p.members.push_back({label(i), label(i), {inner}, 2});
    }
    pb::File f;
    f.name = "deep.c";
    f.globals = {var("top", EXTERN, 0x0100, STRUCT, {}, "s0")};
    p.files = {f};
    load(p);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "nesting too deep in the debug information\n");
    EXPECT_FALSE(morefiles(filelist));
}

}  // namespace
}  // namespace vy
