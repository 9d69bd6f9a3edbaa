// Hostile object files: good programs of both formats, with and without
// debug trees, mutated at random. No load may crash or hang; a refused file
// leaves target memory exactly as it was and keeps no program symbols or
// tables; what loads can be walked and described whole.
// VY_FUZZ_CASES sets the number of cases, VY_FUZZ_SEED the first seed.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ccasm/asm.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/queries.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/program_builder.h"
#include "support/tests/fuzz_budget.h"
#include "target_fixture.h"

namespace vy {
namespace {

namespace pb = progbuild;

using ObjectFuzzTest = TargetTest;

using pb::var;

// A program with two files, a structure that points to itself, arrays,
// bit-fields, arguments, labels, called names and defines.
std::vector<uint8_t> treeprogram(uint8_t magic) {
    pb::Program p;
    p.magic = magic;
    p.members = {{"node", "node", {var("v", 0, 0, 24), var("next", 0, 2, 0x40000048, {0}, "node")}, 4},
                 {"pair", "", {var("a", 0, 0, 9), var("b", 0, 1, 9)}, 2}};
    pb::File a;
    a.name = "a.c";
    a.globals = {var("g", 6, 0x100, 24), var("list", 6, 0x102, 0x40000048, {0}, "node"),
                 var("grid", 1, 0x104, 0xF0000009, {2, 3}), var("bits", 6, 0x10A, 25, {0x0203}),
                 var("flag", 1, 17, 1, {0}), var("anon", 6, 0x10C, 72, {}, "pair")};
    pb::Function f;
    f.name = "f";
    f.vars = {var("x", 7, 0, 24), var("y", 2, 2, 0x40000009, {0}), var("t", 3, 1, 24), var("L", 18, 0x8001, 88)};
    f.called = {"g"};
    f.refs = {"g", "list"};
    pb::Function h;
    h.name = "h";
    h.type = 0x40000048;
    h.typedetail = {0};
    h.typemembers = "node";
    h.plus = true;
    h.vars = {var("n", 2, 2, 0x40000048, {0}, "node")};
    a.funcs = {f, h};
    a.defines = {{"K", "3"}};
    pb::File b;
    b.name = "b.c";
    pb::Function m;
    m.name = "main";
    m.type = 26;
    m.vars = {var("i", 4, 0, 26)};
    b.funcs = {m};
    b.regmap = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384, 0};
    p.files = {a, b};
    return pb::build(p).image;
}

std::vector<uint8_t> oldprogram(uint8_t first) {
    std::vector<uint8_t> symbols;
    for (auto& s : {pb::oldsymbol(0x8000, 5, 1, "_go"), pb::oldsymbol(0x0010, 6, 2, "_val"),
                    pb::oldsymbol(0x9000, 2, 1, "\tmark")})
        symbols.insert(symbols.end(), s.begin(), s.end());
    return pb::writeold(first, 0, {{"text", 5, 0x8000, 0x8000, {0x86, 1, 0x39}}, {"data", 6, 0x100, 0x100, {7}}},
                        symbols,
                        {{0x8000, 32, 1, "o.c~go:3"}, {0x8000, 8, 1, "o.c:4"}, {0x8002, 4, 1, "o.c~go:0"},
                         {0x8003, 16, 1, "o.c:5"}, {0x0000, 64, 0, "o.c"}});
}

std::vector<uint8_t> assembled(const std::string& dir) {
    std::string source = dir + "/fuzz.s";
    std::FILE* f = std::fopen(source.c_str(), "wb");
    std::fputs("\torg\t$C000\nentry:\tldaa\t#1\n\tjsr\tsub\n\tbra\tentry\nsub:\trts\ntab:\tdc.b\t1,2\n"
               "\tswitch\t.data\n\torg\t$0040\nvar:\tds.b\t4\n",
               f);
    std::fclose(f);
    std::string a0 = "ccasm", a1 = "-a", a2 = "-xx", a3 = "-pl";
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), source.data()};
    EXPECT_EQ(ccasm::asmmain(5, argv), 0);
    f = std::fopen((dir + "/fuzz.o").c_str(), "rb");
    std::vector<uint8_t> image;
    int c;
    while ((c = std::fgetc(f)) != EOF) image.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return image;
}

// Describes everything a load left, as the views would.
std::size_t walktables() {
    std::size_t n = 0;
    for (FileRec* file = filelist; morefiles(file); file = file->next) {
        for (FuncRec* fn = file->funcs; fn; fn = fn->next) {
            n += std::strlen(fn->name) + (fn->signature ? std::strlen(fn->signature) : 0);
            for (LocalRec* l = fn->locals; l && l < fn->localsend; ++l) {
                n += descresult(l).size() + desclocal(l).size() + typetext(l, 0).size();
                if (l->detail && l->detail->members)
                    for (LocalRec* m = l->detail->members->members; m->name; ++m) n += descresult(m).size();
            }
            for (uint8_t* c = fn->called; c && *c; c += *c + 2) n += *c;
        }
        for (uint32_t line = 0; line < 8; ++line) n += linehascode(file, line);
    }
    for (uint32_t a = 0; a < 0x10000; a += 0x0FFF) n += static_cast<std::size_t>(insource(static_cast<uint16_t>(a)));
    return n;
}

TEST_F(ObjectFuzzTest, HostileObjectFilesNeverCrashAndRefusalsChangeNothing) {
    const int cases = vytest::fuzzcases(3000, 400);
    std::mt19937 rng(static_cast<uint32_t>(vytest::fuzzseed(20270117)));
    auto below = [&rng](uint32_t n) { return n ? static_cast<uint32_t>(rng() % n) : 0u; };
    std::string dir = temppath("corpus");
    std::filesystem::create_directories(dir);
    const std::vector<std::vector<uint8_t>> corpus = {treeprogram(0xCC), treeprogram(0xCD), assembled(dir),
                                                      oldprogram(0x9D), oldprogram(0xC2), oldprogram(0xC3)};
    const std::string path = tempfile("fuzz.o", "");
    fillbytes();
    int refused = 0, loaded = 0;
    for (long round = 0; round < cases; ++round) {
        std::vector<uint8_t> file = corpus[below(static_cast<uint32_t>(corpus.size()))];
        int mutations = below(8) == 0 ? 0 : 1 + static_cast<int>(below(6));
        for (int m = 0; m < mutations && !file.empty(); ++m) {
            std::size_t at = below(static_cast<uint32_t>(file.size()));
            switch (below(8)) {
            case 0: file[at] = static_cast<uint8_t>(rng()); break;
            case 1: file[at] ^= static_cast<uint8_t>(1u << below(8)); break;
            case 2: file.erase(file.begin() + static_cast<long>(at)); break;
            case 3: file.insert(file.begin() + static_cast<long>(at), static_cast<uint8_t>(rng())); break;
            case 4: file.resize(at); break;
            case 5: {  // a 32-bit field set to an edge value
                static const uint32_t edges[] = {0, 1, 0x7FFFFFFF, 0xFFFFFFFF, 0x10000, 0xFFFF, 24, 36};
                uint32_t v = below(3) ? edges[below(8)] : static_cast<uint32_t>(file.size() + below(9) - 4);
                for (int i = 0; i < 4 && at + i < file.size(); ++i) file[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
                break;
            }
            case 6: file[at] = "~:+.-\t#\0"[below(8)]; break;
            default: {  // a byte of the header or of the section records
                std::size_t head = below(static_cast<uint32_t>(std::min<std::size_t>(file.size(), 28 + 40 * 3)));
                file[head] = static_cast<uint8_t>(rng());
                break;
            }
            }
        }
        if (file.empty()) continue;
        // Start from a loaded program now and then, so that a refusal has
        // something to put back.
        if (below(4) == 0) dbload(tempfile("base.o", corpus[0]).c_str(), nullptr);
        std::vector<uint8_t> before = memorybytes();
        console.errors.clear();
        console.out.clear();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        dbload(path.c_str(), below(10) == 0 ? "main" : nullptr);
        if (LoadFailed) {
            ++refused;
            ASSERT_FALSE(console.errors.empty()) << "round " << round;
            ASSERT_TRUE(memorybytes() == before) << "a refused file changed memory, round " << round;
            ASSERT_EQ(debuglist, nullptr) << "round " << round;
            ASSERT_FALSE(morefiles(filelist)) << "round " << round;
            for (SymRec* s = symlist; s; s = s->next) ASSERT_EQ(s->name()[0], '.') << "round " << round;
        } else {
            ++loaded;
            walktables();
        }
    }
    // Both outcomes must be common, or the test proves little.
    EXPECT_GT(refused, cases / 10);
    EXPECT_GT(loaded, cases / 10);
}

}  // namespace
}  // namespace vy
