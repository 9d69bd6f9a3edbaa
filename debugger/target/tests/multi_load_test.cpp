// A C program of three files (programs/multi_*.c) through the whole chain:
// cc11 compiles each file with full debug information, lomar links them with
// the start-up code and the runtime library, and dbload loads the result.
// What the debugger knows is compared with a table that the test reads out
// of the sources themselves: every function with its lines and declaration
// text, every statement line, every file-level variable, argument and local
// with its declaration text and size. Addresses are checked against what
// does not come from the debug information: the linker's symbols, the
// targets of the calls the program makes, the PCs it runs through, and the
// values the program leaves in its variables, which must be those of the
// same sources compiled for the host.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/tools/sim_run.h"
#include "debugger/target/typed_values.h"
#include "program_fixture.h"

// The same sources on the host: the values they leave in the file-level
// variables.
namespace multihost {
#define main multi_main
#include "programs/multi_main.c"
#include "programs/multi_shapes.c"
#include "programs/multi_util.c"
#undef main
}  // namespace multihost

namespace vy {
namespace {

const char* const sources[] = {"multi_main.c", "multi_shapes.c", "multi_util.c"};

// The file-level variables after the host's run, as numbers, arrays and
// structures element by element.
std::map<std::string, std::vector<double>> hostvalues() {
    using namespace multihost;
    counter = 0;
    multi_main();
    std::map<std::string, std::vector<double>> v;
    v["counter"] = {double(counter)};
    v["letters"].assign(letters, letters + 6);
    v["origin"] = {double(origin.x), double(origin.y)};
    v["surface"] = {double(surface)};
    v["last"] = {double(last)};
    v["ratio"] = {ratio};
    v["half"] = {half};
    v["factor"] = {double(factor)};
    v["steps"].assign(steps, steps + 3);
    return v;
}

// One declaration of the sources, as the debugger should describe it.
struct Decl {
    std::string name;
    std::string text;   // the declaration text (descresult, or declarg for arguments)
    uint32_t size = 0;  // bytes on the target
    bool pointer = false;
};

struct Function {
    std::string name, file, signature;  // signature: "extern long area(...)" as listed
    uint32_t first = 0, last = 0;
    std::vector<Decl> args, locals;
    std::set<uint32_t> lines;           // lines that hold a statement
    std::set<std::string> words;        // the names its statements use
};

struct Table {
    std::vector<Function> functions;
    std::map<std::string, std::vector<Decl>> filevars;  // by file
};

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// The debugger's names of the C types the sources use, and their sizes on
// the target.
struct CType {
    const char* spelling;
    const char* base;
    const char* tag;
    uint32_t size;
};
const CType ctypes[] = {
    {"unsigned short", "unsigned short", "", 2}, {"unsigned char", "unsigned char", "", 1},
    {"struct point", "struct", "point", 4},      {"double", "double", "", 8},
    {"float", "float", "", 4},                   {"char", "signed char", "", 1},
    {"long", "long", "", 4},                     {"int", "int", "", 2},
};

// "static long last", "struct point *a", "char letters[6]" with its class
// text: the text the debugger writes for it, after the class text.
Decl declaration(std::string text, const std::string& cls, bool argument) {
    text = trim(text);
    if (!text.empty() && text.back() == ';') text.pop_back();
    if (text.rfind("static ", 0) == 0) text.erase(0, 7);
    const CType* type = nullptr;
    for (const CType& t : ctypes)
        if (text.rfind(std::string(t.spelling) + " ", 0) == 0) {
            type = &t;
            break;
        }
    Decl d;
    EXPECT_NE(type, nullptr) << text;
    if (!type) return d;
    std::string declarator = trim(text.substr(std::string(type->spelling).size()));
    d.size = type->size;
    if (declarator[0] == '*') {
        d.pointer = true;
        d.size = 2;
        declarator = "@near " + declarator;
    }
    std::size_t bracket = declarator.find('[');
    if (bracket != std::string::npos) d.size *= static_cast<uint32_t>(std::stoul(declarator.substr(bracket + 1)));
    d.name = declarator.substr(declarator[0] == '@' ? declarator.find('*') + 1 : 0);
    d.name = d.name.substr(0, d.name.find('['));
    d.text = (argument ? "" : cls) + type->base + " " + type->tag + " " + declarator;
    return d;
}

// Reads a source written as the programs folder writes C: file-level
// declarations one to a line; a function as its header line, "{", its
// locals one to a line, a blank line, its statements, and "}" in column 0.
void readsource(const std::string& file, const std::string& text, Table& table) {
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.empty() || l[0] == ' ' || l[0] == '#' || l[0] == '/' || l[0] == '{' || l[0] == '}') continue;
        if (l.back() == ';') {
            bool isstatic = l.rfind("static ", 0) == 0;
            table.filevars[file].push_back(declaration(l, isstatic ? "static " : "extern ", false));
            continue;
        }
        // A function: "[static] type name(args)".
        Function fn;
        fn.file = file;
        fn.first = static_cast<uint32_t>(i + 1);
        std::size_t open = l.find('('), close = l.rfind(')');
        Decl head = declaration(l.substr(0, open), "", false);
        fn.name = head.name;
        std::string args = l.substr(open + 1, close - open - 1), argtext;
        for (std::size_t from = 0; args != "void" && from < args.size();) {
            std::size_t comma = std::min(args.find(',', from), args.size());
            fn.args.push_back(declaration(args.substr(from, comma - from), "argument ", true));
            argtext += (argtext.empty() ? "" : ", ") + fn.args.back().text;
            from = comma + 1;
        }
        fn.signature = std::string(l.rfind("static ", 0) == 0 ? "static " : "extern ") +
                       head.text.substr(0, head.text.size() - fn.name.size() - 1) + fn.name + "(" + argtext + ")";
        std::size_t j = i + 2;  // behind "{"
        for (; j < lines.size() && !trim(lines[j]).empty(); ++j)
            fn.locals.push_back(declaration(lines[j], "auto ", false));
        for (; j < lines.size() && lines[j] != "}"; ++j) {
            std::string s = trim(lines[j]);
            if (!s.empty() && s != "}" && s != "{") fn.lines.insert(static_cast<uint32_t>(j + 1));
            for (std::size_t k = 0; k < s.size();) {
                std::size_t e = k;
                while (e < s.size() && (std::isalnum(static_cast<unsigned char>(s[e])) || s[e] == '_')) ++e;
                if (e > k && !std::isdigit(static_cast<unsigned char>(s[k]))) fn.words.insert(s.substr(k, e - k));
                k = e > k ? e : k + 1;
            }
        }
        fn.last = static_cast<uint32_t>(j + 1);
        table.functions.push_back(fn);
        i = j;
    }
}

class MultiFileLoadTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        // Compiled once for all the tests of the suite.
        static std::string object, failure;
        if (object.empty() && failure.empty()) {
            namespace fs = std::filesystem;
            fs::path dir = fs::path(temppath("multi"));
            fs::create_directories(dir);
            std::string names;
            for (const char* f : {"multi.h", "multi_main.c", "multi_shapes.c", "multi_util.c"}) {
                std::ofstream(dir / f, std::ios::binary) << programtext(f);
                if (std::string(f).back() == 'c') names += std::string(" ") + f;
            }
            std::string command = "cd '" + dir.string() + "' && '" + std::string(VY_BIN_DIR) +
                                  "/cc11' -x -link -o multi.h11" + names + " >cc.out 2>cc.err";
            if (std::system(command.c_str()) == 0) {
                object = (dir / "multi.h11").string();
            } else {
                std::ifstream err(dir / "cc.err");
                std::getline(err, failure);
                failure = "cc11 does not build the program yet: " + failure;
            }
        }
        if (!failure.empty()) GTEST_SKIP() << failure;
        for (const char* f : sources) readsource(f, programtext(f), table);
        dbload(object.c_str(), nullptr);
        ASSERT_EQ(LoadFailed, 0) << console.errors;
        console.errors.clear();  // the start point lies in the start-up code
    }

    // The program run from its start point to __halt by instructions: the
    // targets of its calls and the PCs it went through.
    void runprogram() {
        uint16_t halt = symbol("__halt");
        ASSERT_NE(halt, 0);
        for (uint64_t n = 0; getpc() != halt; ++n) {
            ASSERT_LT(n, 2000000u) << "no halt";
            uint16_t pc = getpc();
            uint8_t op = rdbyte(pc);
            bool call = op == 0x8D || op == 0x9D || op == 0xAD || op == 0xBD ||
                        (op == 0x18 && rdbyte(static_cast<uint16_t>(pc + 1)) == 0xAD);
            ASSERT_EQ(simrun::step(), simrun::Stop::step);
            visited.insert(pc);
            if (call) calltargets.insert(getpc());
        }
    }

    Table table;
    std::set<uint16_t> visited, calltargets;
};

TEST_F(MultiFileLoadTest, EveryFunctionAndLineIsWhereTheProgramRunsIt) {
    ASSERT_NO_FATAL_FAILURE(runprogram());
    ASSERT_EQ(table.functions.size(), 5u);
    int files = 0;
    for (FileRec* f = filelist; morefiles(f); f = f->next) ++files;
    EXPECT_EQ(files, 3);
    std::set<std::pair<std::string, uint32_t>> seen;  // (function, line) of each line entry
    for (const Function& want : table.functions) {
        SCOPED_TRACE(want.name);
        FuncRec* fn = findfunc(want.name.c_str());
        ASSERT_NE(fn, nullptr);
        ASSERT_NE(fn->file, nullptr);
        EXPECT_EQ(fn->file->name, want.file);
        EXPECT_EQ(fn->firstline, want.first);
        EXPECT_EQ(fn->lastline, want.last);
        EXPECT_EQ(std::string(fn->signature ? fn->signature : "") + fn->name + "(" + (fn->argtext ? fn->argtext : "") +
                      ")",
                  want.signature);
        ASSERT_NE(fn->start, nullptr);
        uint16_t start = static_cast<uint16_t>(fn->start->addr);
        // The linker's symbol, for functions that have one; every function
        // of the program is called, and its calls go to its start.
        if (want.signature.rfind("static ", 0) != 0) {
            EXPECT_EQ(symbol(("_" + want.name).c_str()), start);
        }
        EXPECT_TRUE(calltargets.count(start)) << "no call goes to " << hexaddr(start);
        // Its line entries: each in its code, reached by the run, on a line
        // that holds a statement, with columns inside that line.
        const DebugEntry* end = nullptr;
        for (const DebugEntry* e = fn->start; e && !end; e = e->next)
            if (e->kind == DBG_FUNCEND && e->func == fn) end = e;
        ASSERT_NE(end, nullptr);
        std::istringstream src(programtext(want.file));
        std::vector<std::string> srclines;
        for (std::string l; std::getline(src, l);) srclines.push_back(l);
        for (const DebugEntry* e = debuglist; e; e = e->next) {
            if (e->kind != DBG_LINE || e->func != fn) continue;
            SCOPED_TRACE("line " + std::to_string(e->line) + " at " + hexaddr(e->addr));
            EXPECT_EQ(std::string(e->text()), want.file);
            EXPECT_TRUE(e->addr > start && e->addr < end->addr);
            EXPECT_TRUE(visited.count(static_cast<uint16_t>(e->addr)));
            EXPECT_TRUE(want.lines.count(e->line));
            ASSERT_LE(e->line, srclines.size());
            if (e->endline == e->line) {
                EXPECT_LT(e->col, e->endcol);
                EXPECT_LE(e->endcol, srclines[e->line - 1].size());
            }
            seen.insert({want.name, e->line});
        }
        for (uint32_t line : want.lines) EXPECT_TRUE(seen.count({want.name, line})) << "line " << line;
    }
}

TEST_F(MultiFileLoadTest, EveryVariableHasItsDeclarationTextSizeAndPlace) {
    ASSERT_NO_FATAL_FAILURE(runprogram());
    std::map<std::string, std::vector<double>> host = hostvalues();
    std::size_t checked = 0;
    for (const auto& [file, vars] : table.filevars) {
        for (const Decl& want : vars) {
            SCOPED_TRACE(file + ": " + want.name);
            bool isstatic = want.text.rfind("static ", 0) == 0;
            LocalRec* rec = filevar(want.name.c_str(), file.c_str(), isstatic ? CL_STATIC : CL_EXTERN);
            ASSERT_NE(rec, nullptr);
            EXPECT_EQ(descresult(rec), want.text);
            EXPECT_EQ(rec->size, want.size);
            if (!isstatic) {
                EXPECT_EQ(symbol(("_" + want.name).c_str()), rec->value);
            }
            if (want.pointer) continue;
            // What the program left there is what the host computes.
            ASSERT_TRUE(host.count(want.name));
            const std::vector<double>& values = host[want.name];
            std::vector<std::pair<uint16_t, const LocalRec*>> places;  // address, scalar record
            uint32_t type = rec->type, detail = firstdetail(rec);
            if (derivation(type, 0) == 3) {
                type = ((type & 0x3FFFFF00u) << 2) | (type & 0xFFu);
                uint32_t step = rec->size / static_cast<uint32_t>(values.size());
                for (uint32_t k = 0; k < values.size(); ++k)
                    places.push_back({static_cast<uint16_t>(rec->value + k * step), nullptr});
            } else if ((type & 0xFF) == 72) {
                ASSERT_TRUE(rec->detail && rec->detail->members);
                for (const LocalRec* m = rec->detail->members->members; m->name; ++m)
                    places.push_back({static_cast<uint16_t>(rec->value + m->value), m});
            } else {
                places.push_back({rec->value, nullptr});
            }
            ASSERT_EQ(places.size(), values.size());
            for (std::size_t k = 0; k < places.size(); ++k) {
                const LocalRec* m = places[k].second;
                TargetValue v = rdvalue(places[k].first, m ? firstdetail(m) : detail, rec->cls, m ? m->type : type);
                double got = v.isreal ? v.real : isunsigned(m ? m->type : type) ? double(v.bits)
                                                                                 : double(int32_t(v.bits));
                if ((type & 0xFF) == 8 || (type & 0xFF) == 9) got = double(int8_t(v.bits));
                EXPECT_EQ(got, values[k]) << "element " << k;
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, host.size());
}

// A CalledNames list as a set of names.
std::set<std::string> namesof(const uint8_t* list) {
    std::set<std::string> names;
    for (const uint8_t* c = list; c && *c; c += *c + 2) names.insert(reinterpret_cast<const char*>(c + 1));
    return names;
}

TEST_F(MultiFileLoadTest, EachFunctionNamesTheFunctionsItCallsAndTheVariablesItUses) {
    std::set<std::string> functions, variables;
    for (const Function& f : table.functions) functions.insert(f.name);
    for (const auto& [file, vars] : table.filevars)
        for (const Decl& d : vars) variables.insert(d.name);
    for (const Function& want : table.functions) {
        SCOPED_TRACE(want.name);
        std::set<std::string> calls, uses;
        for (const std::string& w : want.words) {
            if (functions.count(w)) calls.insert(w);
            if (variables.count(w)) uses.insert(w);
        }
        FuncRec* fn = findfunc(want.name.c_str());
        ASSERT_NE(fn, nullptr);
        EXPECT_EQ(namesof(fn->called), calls);
        EXPECT_EQ(fn->ncalled, calls.size());
        EXPECT_EQ(namesof(fn->refs), uses);
        EXPECT_EQ(fn->nrefs, uses.size());
    }
}

TEST_F(MultiFileLoadTest, ArgumentsAndLocalsHaveTheirDeclarationsAndSeparateSlots) {
    for (const Function& want : table.functions) {
        SCOPED_TRACE(want.name);
        FuncRec* fn = findfunc(want.name.c_str());
        ASSERT_NE(fn, nullptr);
        std::vector<const LocalRec*> args, locals;
        for (const LocalRec* l = fn->locals; l && l < fn->localsend; ++l)
            (isargclass(l->cls) ? args : locals).push_back(l);
        EXPECT_EQ(fn->nargs, want.args.size());
        ASSERT_EQ(args.size(), want.args.size());
        for (std::size_t k = 0; k < args.size(); ++k) {
            EXPECT_EQ(args[k]->name, want.args[k].name);
            EXPECT_EQ(descresult(args[k]), "argument " + want.args[k].text);
            EXPECT_EQ(args[k]->size, want.args[k].size);
        }
        ASSERT_EQ(locals.size(), want.locals.size());
        // Locals in any order; each in its own bytes below the frame pointer.
        std::map<std::string, const LocalRec*> byname;
        for (const LocalRec* l : locals) byname[l->name] = l;
        std::vector<std::pair<int, int>> slots;
        for (const Decl& d : want.locals) {
            ASSERT_TRUE(byname.count(d.name)) << d.name;
            const LocalRec* l = byname[d.name];
            EXPECT_EQ(descresult(l), d.text);
            EXPECT_EQ(l->size, d.size);
            EXPECT_EQ(l->cls, CL_AUTO);
            EXPECT_GE(l->value, l->size) << d.name << " reaches above the frame pointer";
            slots.push_back({-int(l->value), -int(l->value) + int(l->size)});
        }
        std::sort(slots.begin(), slots.end());
        for (std::size_t k = 1; k < slots.size(); ++k) EXPECT_LE(slots[k - 1].second, slots[k].first);
    }
}

}  // namespace
}  // namespace vy
