// What ccparse writes, read by the passes after it: ccgen reads the
// function records, the statements, the switch tables and the literal pool
// and writes text that ccasm assembles; and the debug description, placed
// by ccgen in the debug section and assembled, is read back by the
// debugger's own debug-tree builder, so that writer and reader meet on one
// layout.
#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"
#include "ccgen/tests/gen_harness.h"
#include "ccparse/tests/front_harness.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/tests/target_fixture.h"
#include "ccparse/tools/irdecode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// Assembles `text` in `dir`: the status, the diagnostics, the object's bytes.
struct Assembled {
    int status = -1;
    std::string diagnostics;
    std::string object;
};

Assembled assemble(const vytest::TempDir& dir, const std::string& text) {
    dir.write("t.s", text);
    Assembled out;
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    {
        std::FILE* err = std::fopen("diagnostics.txt", "w");
        ccasm::Asm a;
        a.opt.include_dirs.push_back(vytest::fixture_dir());
        a.err = err;
        out.status = ccasm::assemble(a, {"t.s"});
        std::fclose(err);
    }
    fs::current_path(previous);
    out.diagnostics = vytest::lf_lines(dir.read("diagnostics.txt"));
    if (dir.exists("t.o")) out.object = dir.read("t.o");
    return out;
}

std::vector<std::uint8_t> bytes_of(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

// Every statement form with expressions the code generator's rows cover.
const char statements[] = R"(char *msg;
int g;
char small;
int stmts(int a, char c)
{
    int i, k;
    unsigned char u;
    static int count;

    k = 0;
    for (i = 0; i < 10; i++) {
        if (i == 3) continue;
        if (i == a) break;
        k = k + i;
    }
    i = 0;
    while (i < 4) i++;
    while (k > 100) k = k - 3;
    do { k = k - 1; } while (k > 50);
    for (;;) { if (k < 5) break; k = k - 2; }
    switch (a) { case 1: k = 2; break; case 2: k = 3; break; default: k = 9; }
    switch (c) { case 1: case 2: case 3: case 4: case 5: case 6: case 7: k = 1; break; case 20: k = 4; }
    switch (a) { case 5: g = 5; }
    switch (a) { default: g = 6; }
    switch (2) { case 1: g = 1; break; case 2: g = 2; break; }
    switch (small) { case 'a': case 'b': k = 7; break; case 'z': k = 8; }
    msg = "hello";
    u = c;
    if (u == 255) goto done;
    if (a > 0 && c < 3) g = 1; else if (a < -5 || c == 9) g = 2; else g = 3;
    if (0) g = 4;
    while (0) g = 5;
    count = count + 1;
#asm
    nop
#endasm
done:
    return k;
}

int empty(void) { }
)";

TEST(Chain, EveryStatementFormIsReadAndAssembled) {
    const std::vector<std::vector<std::string>> front_options = {{}, {"-l"}, {"-x"}, {"-xx", "-l"}, {"-nw"}};
    for (const auto& options : front_options) {
        vytest::ChainRun run = vytest::compile_and_generate(statements, options, {"-no"});
        ASSERT_EQ(run.front.status, 0) << run.front.errors;
        EXPECT_EQ(run.gen.status, 0) << run.gen.errors;
        EXPECT_EQ(run.gen.errors, "");
        vytest::TempDir dir;
        Assembled a = assemble(dir, run.gen.asm_text);
        EXPECT_EQ(a.status, 0);
        EXPECT_EQ(a.diagnostics, "") << run.gen.asm_text;
    }
    // Line debugging, and the text for the optimiser.
    vytest::ChainRun run = vytest::compile_and_generate(statements, {"-l"}, {"-dl1"});
    EXPECT_EQ(run.gen.status, 0) << run.gen.errors;
}

// The byte ranges of an intermediate file's records outside the functions,
// and of each function, from irdump's offsets.
struct Split {
    std::string outside;
    std::vector<std::string> functions;
};

Split split_functions(const std::string& ir) {
    vy::irdump::Decoded d = vy::irdump::decode(bytes_of(ir), true);
    EXPECT_TRUE(d.ok) << d.error;
    Split s;
    s.outside = ir.substr(0, 4);
    bool inside = false;
    for (std::size_t i = 1; i < d.lines.size(); ++i) {
        std::size_t at = std::stoul(d.lines[i].substr(0, 6), nullptr, 16);
        std::size_t end = i + 1 < d.lines.size() ? std::stoul(d.lines[i + 1].substr(0, 6), nullptr, 16) : ir.size();
        std::string code = d.lines[i].substr(7, d.lines[i].find(' ', 7) - 7);
        std::string bytes = ir.substr(at, end - at);
        if (code == "134") {
            inside = true;
            s.functions.emplace_back();
        }
        if (inside)
            s.functions.back() += bytes;
        else
            s.outside += bytes;
        if (code == "211") inside = false;
    }
    return s;
}

std::string corpus_file(const std::string& name) {
    std::ifstream in(std::string(VY_SOURCE_DIR) + "/ccparse/tests/corpus/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The corpus, one function at a time with every record outside the
// functions: each is read without a fault of the records. (An expression
// the code generator has no rows for yet ends its function with the panic
// of its rows, which says nothing about the records.)
TEST(Chain, CorpusFunctionsAreRead) {
    const char* row_panics[] = {"MISSING ENTRY", "FIXOP", "VOID", "LTR bop", "FORCE", "LPLUS", "GENPUSH", "MOVCNT"};
    int complete = 0, total = 0;
    // This folder's corpus and the self-checking programs of the chain.
    std::vector<std::pair<std::string, std::string>> sources;
    for (const char* name : {"kernel.c", "algo.c", "calc.c"}) sources.emplace_back(name, corpus_file(name));
    std::string chain_dir = std::string(VY_SOURCE_DIR) + "/tests/corpus";
    for (const fs::directory_entry& e : fs::directory_iterator(chain_dir)) {
        if (e.path().extension() != ".c") continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        sources.emplace_back(e.path().filename().string(), text.str());
    }
    for (const auto& [name, source] : sources) {
        for (std::vector<std::string> options : {std::vector<std::string>{"-x"}, std::vector<std::string>{"-l"}}) {
            options.insert(options.end(), {"-i", chain_dir});
            vytest::FrontRun front = vytest::compile(source, options);
            ASSERT_EQ(front.status, 0) << name << front.errors;
            Split s = split_functions(front.output);
            for (const std::string& f : s.functions) {
                std::string ir = s.outside + f;
                vytest::GenRun gen = vytest::generate(bytes_of(ir), {"-no"});
                ++total;
                if (gen.status == 0 && gen.errors.empty()) {
                    ++complete;
                    continue;
                }
                bool rows = false;
                for (const char* p : row_panics)
                    rows = rows || gen.errors.find(std::string("PANIC! ") + p) != std::string::npos;
                // ccgen takes the public record of a function with the
                // interrupt space for that of a port object: the word has
                // no function bit.
                bool port = gen.errors.find("can't initialize port objects") != std::string::npos;
                EXPECT_TRUE(rows || port) << name << ": " << gen.errors;
            }
        }
    }
    std::printf("%d of %d corpus functions generated whole\n", complete, total);
}

// ------------------------------------------------------------ debug tree

class DebugChain : public vy::TargetTest {
protected:
    objfile::Object object;  // the object loaded

    // The string at an offset of its debug section.
    std::string debug_string(std::uint32_t offset) const {
        const objfile::Section* s = object.find(".debug");
        if (!s || offset >= s->data.size()) return "(outside)";
        std::string out;
        for (std::size_t i = offset; i < s->data.size() && s->data[i]; ++i) out += static_cast<char>(s->data[i]);
        return out;
    }

    // Compiles `source` as t.c, generates and assembles it, and loads the
    // object with its debug information.
    void load(const std::string& source, std::vector<std::string> options) {
        vytest::ChainRun run = vytest::compile_and_generate(source, options, {"-no"});
        ASSERT_EQ(run.front.status, 0) << run.front.errors;
        ASSERT_EQ(run.gen.status, 0) << run.gen.errors;
        vytest::TempDir dir;
        Assembled a = assemble(dir, run.gen.asm_text);
        ASSERT_EQ(a.diagnostics, "") << run.gen.asm_text;
        ASSERT_EQ(a.status, 0);
        vy::dbload(tempfile("t.o", bytes_of(a.object)).c_str(), nullptr);
        std::string error;
        ASSERT_TRUE(objfile::read(bytes_of(a.object), object, error)) << error;
        ASSERT_EQ(console.errors, "");
        ASSERT_EQ(vy::LoadFailed, 0);
    }

    static vy::FuncRec* filescope(const char* file) {
        vy::FileRec* f = vy::findfile(file);
        vy::FuncRec* fn = f ? f->funcs : nullptr;
        while (fn && fn->next) fn = fn->next;
        return fn;
    }
    static vy::LocalRec* local(vy::FuncRec* fn, const char* name) {
        for (vy::LocalRec* l = fn ? fn->locals : nullptr; l && l < fn->localsend; ++l)
            if (std::strcmp(l->name, name) == 0) return l;
        for (std::uint32_t i = 0; fn && i < fn->nclass18; ++i)
            if (std::strcmp(fn->members18[i].name, name) == 0) return &fn->members18[i];
        return nullptr;
    }
    static std::string names(const std::uint8_t* list) {
        std::string out;
        for (const std::uint8_t* p = list; p && *p; p += *p + 2) {
            if (!out.empty()) out += ' ';
            out.append(reinterpret_cast<const char*>(p + 1), *p);
        }
        return out;
    }
};

const char described[] = R"(#define LIMIT 10
#define TWICE(x) ((x) + (x))
struct point { int x; int y; };
struct node { int value; struct node *next; };
union word { int w; char b[2]; };
enum color { RED, GREEN = 5, BLUE };
typedef struct point point_t;
int counter;
static char buf[16];
struct point origin;
char *msg;
static enum color hue;
struct bits { unsigned flags : 2; unsigned mode : 3; } regs;
int table[3][4];
union word uw;
volatile char port @ 0x1003;

int add(int a, int b) { int t; t = a + b; counter = t; return t; }

char pick(char c, struct node *n)
{
    static int calls;
    register char r;
    point_t p;
    r = c;
    if (r == LIMIT) { p.x = TWICE(1); calls = 2; }
    buf[1] = r;
L1: return r;
}

@nostack int quiet(int a, int b) { int k; k = a; return k + b; }
)";

TEST_F(DebugChain, FilesFunctionsLocalsTypesAndMembers) {
    load(described, {"-xx"});
    vy::FileRec* file = vy::findfile("t.c");
    ASSERT_NE(file, nullptr);
    // The functions in order, then the node of the file's own variables.
    std::string order;
    for (vy::FuncRec* fn = file->funcs; fn; fn = fn->next) order += std::string(fn->name) + ";";
    EXPECT_EQ(order, "add;pick;quiet;;");
    EXPECT_EQ(file->firstline, 1u);
    EXPECT_EQ(file->lastline, 31u);

    struct FunctionCase {
        const char* name;
        std::uint32_t first, last;
        const char* signature;
        const char* args;
        const char* refs;
    };
    const FunctionCase functions[] = {
        {"add", 18, 18, "extern int ", "int  a, int  b", "counter"},
        {"pick", 20, 29, "extern signed char ", "signed char  c, struct node @near *n", "calls buf"},
        {"quiet", 31, 31, "extern int ", "int  a, int  b", ""},
    };
    for (const FunctionCase& c : functions) {
        vy::FuncRec* fn = vy::findfunc(c.name);
        ASSERT_NE(fn, nullptr) << c.name;
        EXPECT_EQ(fn->firstline, c.first) << c.name;
        EXPECT_EQ(fn->lastline, c.last) << c.name;
        EXPECT_STREQ(fn->signature, c.signature) << c.name;
        EXPECT_STREQ(fn->argtext, c.args) << c.name;
        EXPECT_NE(fn->start, nullptr) << c.name;
        EXPECT_EQ(fn->ncalled, 0u) << c.name;
        EXPECT_EQ(names(fn->refs), c.refs) << c.name;
    }

    // Arguments and locals with their frame offsets (those of the stackless
    // function are addresses in its static block).
    struct VariableCase {
        const char* owner;
        const char* name;
        int value;  // -1: an address not checked
        std::uint32_t size;
        const char* text;
    };
    const VariableCase variables[] = {
        {"add", "a", 0, 2, "argument int  a"},
        {"add", "b", 2, 2, "argument int  b"},
        {"add", "t", 2, 2, "auto int  t"},
        {"pick", "c", 1, 1, "argument signed char  c"},
        {"pick", "n", 2, 2, "argument struct node @near *n"},
        {"pick", "calls", -1, 2, "static int  calls"},
        {"pick", "p", 4, 4, "auto struct point p"},
        {"pick", "r", 5, 1, "auto signed char  r"},
        {"pick", "L1", -1, 0, "local   L1"},
        {"quiet", "a", -1, 2, "static argument int  a"},
        {"quiet", "k", -1, 2, "static auto int  k"},
        {"t.c", "point_t", 0, 4, "typedef struct point point_t"},
        {"t.c", "counter", -1, 2, "extern int  counter"},
        {"t.c", "buf", -1, 16, "static signed char  buf[16]"},
        {"t.c", "origin", -1, 4, "extern struct point origin"},
        {"t.c", "msg", -1, 2, "extern signed char  @near *msg"},
        {"t.c", "hue", -1, 1, "static (char) enum  color hue"},
        {"t.c", "regs", -1, 2, "extern struct bits regs"},
        {"t.c", "table", -1, 24, "extern int  table[3][4]"},
        {"t.c", "uw", -1, 2, "extern union word uw"},
        {"t.c", "port", 0x1003, 1, "absolute signed char  port"},
    };
    for (const VariableCase& c : variables) {
        vy::FuncRec* owner = std::strchr(c.owner, '.') ? filescope(c.owner) : vy::findfunc(c.owner);
        vy::LocalRec* l = local(owner, c.name);
        ASSERT_NE(l, nullptr) << c.owner << " " << c.name;
        if (c.value >= 0) {
            EXPECT_EQ(l->value, c.value) << c.name;
        }
        EXPECT_EQ(l->size, c.size) << c.name;
        EXPECT_EQ(vy::descresult(l), c.text) << c.name;
    }
    // The static block of the stackless function holds its locals below its
    // arguments.
    vy::FuncRec* quiet = vy::findfunc("quiet");
    EXPECT_EQ(local(quiet, "a")->value, local(quiet, "k")->value + 2);
    EXPECT_EQ(local(quiet, "b")->value, local(quiet, "a")->value + 2);

    // Member lists, shared by the variables of one type; a structure that
    // points to itself.
    vy::FuncRec* globals = filescope("t.c");
    vy::MemberList* point = local(globals, "origin")->detail->members;
    ASSERT_NE(point, nullptr);
    EXPECT_STREQ(point->tag, "point");
    EXPECT_EQ(point->count, 2u);
    EXPECT_EQ(point->size, 4u);
    EXPECT_STREQ(point->members[1].name, "y");
    EXPECT_EQ(point->members[1].value, 2);
    EXPECT_EQ(local(globals, "point_t")->detail->members, point);
    vy::MemberList* node = local(vy::findfunc("pick"), "n")->detail->members;
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->members[1].detail->members, node);
    vy::MemberList* bits = local(globals, "regs")->detail->members;
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits->members[1].detail->words[0], (2u << 8) | 3u);  // bit 2, 3 bits wide
    vy::MemberList* color = local(globals, "hue")->detail->members;
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->count, 3u);
    EXPECT_STREQ(color->members[1].name, "GREEN");
    EXPECT_EQ(color->members[1].value, 5);
    EXPECT_EQ(color->members[2].value, 6);
    EXPECT_EQ(vy::typetext(local(globals, "table"), 0), "extern int  [3][4]");

    // The macros used: debug strings "~#name" whose address holds the
    // replacement text.
    std::string defines;
    for (vy::DebugEntry* e = vy::stringlist; e; e = e->next)
        if (e->text()[0] && e->text()[1] == '#') defines += std::string(e->text()) + "=" + debug_string(e->addr) + ";";
    EXPECT_EQ(defines, "~#TWICE=((x) + (x));~#LIMIT=10;");
}

TEST_F(DebugChain, WithoutExtendedInformation) {
    load(described, {"-x"});
    // No typedef names, no statement labels, no macros.
    EXPECT_EQ(local(filescope("t.c"), "point_t"), nullptr);
    EXPECT_EQ(local(vy::findfunc("pick"), "L1"), nullptr);
    for (vy::DebugEntry* e = vy::stringlist; e; e = e->next) EXPECT_NE(e->text()[1], '#') << e->text();
    EXPECT_NE(local(vy::findfunc("pick"), "r"), nullptr);
}

TEST_F(DebugChain, DataOnly) {
    load(described, {"-xd"});
    vy::FileRec* file = vy::findfile("t.c");
    ASSERT_NE(file, nullptr);
    // No function nodes: the debugger makes its own records for the code.
    for (vy::FuncRec* fn = file->funcs; fn && fn->next; fn = fn->next) EXPECT_STREQ(fn->name, ".");
    EXPECT_STREQ(filescope("t.c")->name, "");
    EXPECT_NE(local(filescope("t.c"), "counter"), nullptr);
    EXPECT_NE(local(filescope("t.c"), "origin"), nullptr);
}


// The reference node of each function: the functions it calls under the
// node's first count, the variables it reads or writes under the second, as
// the debugger's builder reads them back.
TEST_F(DebugChain, CalledFunctionsAndUsedVariables) {
    load("int g(int a) { return a; }\n"
         "int h(void) { return 2; }\n"
         "int x, y;\n"
         "static int s;\n"
         "int f(void) { static int t; int local; local = g(x) + h() + g(y); s = t + local; return s; }\n"
         "int leaf(void) { return 0; }\n",
         {"-x"});
    struct Case {
        const char* name;
        std::uint32_t ncalled, nrefs;
        const char* called;
        const char* refs;
    };
    const Case cases[] = {
        {"f", 2, 4, "g h", "x y s t"},
        {"g", 0, 0, "", ""},
        {"leaf", 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        vy::FuncRec* fn = vy::findfunc(c.name);
        ASSERT_NE(fn, nullptr) << c.name;
        EXPECT_EQ(fn->ncalled, c.ncalled) << c.name;
        EXPECT_EQ(fn->nrefs, c.nrefs) << c.name;
        EXPECT_EQ(names(fn->called), c.called) << c.name;
        EXPECT_EQ(names(fn->refs), c.refs) << c.name;
    }
}

}  // namespace
