// Damaged objects, libraries and link files: the linker reports "#error"
// lines (one line each) or links, and never crashes or hangs; the librarian
// lists and extracts damaged libraries in lines of their own or reports
// them. Set VY_FUZZ_CASES for more cases than the few thousand of a normal
// run.
#include <cstdlib>
#include <filesystem>

#include "outside/lomar/library.h"
#include "outside/tests/outside_fixture.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

namespace {

using namespace outside_test;

class LinkFuzz : public OutsideTest {
protected:
    uint64_t state = 0x9E3779B97F4A7C15ull + vytest::fuzzseed(0);
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 16);
    }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }

    static int cases() { return vytest::fuzzcases(3000, 1000); }

    void mutate(std::vector<uint8_t>& b) {
        int edits = 1 + static_cast<int>(below(4));
        for (int e = 0; e < edits && !b.empty(); ++e) {
            switch (below(6)) {
            case 0: b[below(static_cast<uint32_t>(b.size()))] = static_cast<uint8_t>(next()); break;
            case 1: b[below(static_cast<uint32_t>(b.size()))] ^= static_cast<uint8_t>(1u << below(8)); break;
            case 2: b.resize(below(static_cast<uint32_t>(b.size()))); break;
            case 3: {  // a 32-bit field at an extreme
                size_t at = below(static_cast<uint32_t>(b.size()));
                uint8_t v = below(2) ? 0xFF : 0x00;
                for (size_t i = at; i < at + 4 && i < b.size(); ++i) b[i] = v;
                break;
            }
            case 4: b.insert(b.begin() + below(static_cast<uint32_t>(b.size())), static_cast<uint8_t>(next())); break;
            default: {  // a small number where a count or offset lies
                size_t at = below(static_cast<uint32_t>(b.size()));
                b[at] = static_cast<uint8_t>(below(8));
                break;
            }
            }
        }
    }

    // Every line is one "#error PROGRAM " line.
    static void expect_error_lines(const std::string& errors, const std::string& context,
                                   const std::string& head = "#error lomar ") {
        for (size_t at = 0; at < errors.size();) {
            size_t end = errors.find('\n', at);
            ASSERT_NE(end, std::string::npos) << context;
            ASSERT_EQ(errors.compare(at, head.size(), head), 0) << context << "\n" << errors;
            for (size_t i = at; i < end; ++i)
                ASSERT_TRUE(static_cast<unsigned char>(errors[i]) >= 0x20 || errors[i] == '\t') << context;
            at = end + 1;
        }
    }

    std::string random_line() {
        static const char* const words[] = {"+seg", "+def", ".text", ".data", ".bss", ".bsct", "-b0x8000", "-o0",
                                            "-m10", "-a", "-n", "x", "-id", "-ib", "-it", "-c", "-v", "-s",
                                            "=", "start(", "end(.text)", "size(x)", "0x", "7", "\"", "a.o",
                                            "lib.lib", "b.o", "-b", "-w4", "#", "\t", "_main", "y=x", "x=y"};
        std::string line;
        int n = 1 + static_cast<int>(below(5));
        for (int i = 0; i < n; ++i) line += std::string(words[below(sizeof words / sizeof *words)]) + (below(3) ? " " : "");
        return line;
    }
};

TEST_F(LinkFuzz, DamagedInputsGiveErrorLinesOrAProgram) {
    assemble("a",
             "\txdef\t_main, tab\n\txref\tf, __itable\n\txref.b\tz\n_main:\tjsr\tf\n\tldaa\tz\n"
             "\tldab\t#high(tab)\n\tldy\t#__itable\n\tswitch\t.data\ntab:\tdc.w\t_main,f+2\n\tdc.l\ttab\n"
             "\tswitch\t.bss\n\tds.b\t3\n");
    ccasm::Options x;
    x.line_debug = true;
    assemble("b", "\txdef\tf, z\nf:\tldd\t#f\n\trts\n\tswitch\t.bsct\nz:\tdc.b\t1\n", x);
    std::vector<uint8_t> a = read_bytes("a.o"), b = read_bytes("b.o");
    std::vector<uint8_t> lib = lomar::write_library({{"b.o", b}});
    const std::string lkf = "+seg .text -b0x8000 -n code\n+seg .data -b0x2000 -id\n+seg .bss\n+seg .bsct -b0\n"
                            "+def top=end(code)\na.o\nlib.lib\n";
    write_bytes("b.o", b);
    int linked = 0;
    for (int i = 0, n = cases(); i < n; ++i) {
        std::vector<uint8_t> ma = a, mlib = lib;
        std::string text = lkf;
        uint32_t what = below(4);
        if (what == 0) mutate(ma);
        else if (what == 1) mutate(mlib);
        else if (what == 2) {
            std::vector<uint8_t> t(text.begin(), text.end());
            mutate(t);
            text.assign(t.begin(), t.end());
        } else {
            text += random_line() + "\n" + random_line() + "\n";
        }
        write_bytes("a.o", ma);
        write_bytes("lib.lib", mlib);
        LinkRun r = link(text);
        std::string context = "case " + std::to_string(i);
        if (r.ok) ++linked;
        else expect_error_lines(r.errors, context);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(linked, 0);
}

// The librarian on damaged libraries (a process each, so fewer cases): a
// listing is one line a member, an extraction writes plain files in the
// current folder only, and a refusal is "#error lomlib" lines.
using LibraryFuzz = LinkFuzz;   // a CTest entry of its own

TEST_F(LibraryFuzz, DamagedLibrariesListAndExtractCleanly) {
    assemble("a", "\txdef\t_main, tab\n_main:\trts\n\tswitch\t.data\ntab:\tdc.w\t_main\n");
    assemble("b", "\txdef\tf\nf:\trts\n");
    const std::vector<uint8_t> lib = lomar::write_library({{"a.o", read_bytes("a.o")}, {"b.o", read_bytes("b.o")}});
    std::filesystem::create_directories("x");
    for (int i = 0, n = vytest::fuzzcases(30, 8); i < n; ++i) {
        std::vector<uint8_t> damaged = lib;
        mutate(damaged);
        write_bytes("x/lib.lib", damaged);
        std::string context = "case " + std::to_string(i);
        ToolRun r = run_tool("lomlib", below(2) ? "-t -v x/lib.lib" : "-t x/lib.lib");
        ASSERT_TRUE(r.status == 0 || r.status == 1) << context;
        ASSERT_TRUE(vytest::clean_lines(r.out)) << context << "\n" << vy::one_line(r.out);
        expect_error_lines(r.err, context, "#error lomlib ");
        std::filesystem::current_path("x");
        r = run_tool("lomlib", "-x lib.lib");
        std::filesystem::current_path("..");
        ASSERT_TRUE(r.status == 0 || r.status == 1) << context;
        expect_error_lines(r.err, context, "#error lomlib ");
        for (const auto& entry : std::filesystem::recursive_directory_iterator("x"))
            ASSERT_TRUE(entry.is_regular_file()) << context << ": " << vy::one_line(entry.path().string());
        std::filesystem::remove_all("x");
        std::filesystem::create_directories("x");
    }
}

// Segment chains and definition chains of any length take no stack.
TEST_F(LinkFuzz, LongChainsOfSegmentsAndDefinitions) {
    assemble("a", "\txref\td0\n\tdc.w\td0\n");
    const int n = 100000, segments = 20000;
    std::string lkf;
    for (int i = 0; i < segments; ++i)
        lkf += "+seg s" + std::to_string(i) + " -n s" + std::to_string(i) + " -a s" + std::to_string(i + 1) + "\n";
    lkf += "+seg .text -n s" + std::to_string(segments) + " -b0x100\n";
    for (int i = 0; i < n; ++i) lkf += "+def d" + std::to_string(i) + "=d" + std::to_string(i + 1) + "\n";
    lkf += "+def d" + std::to_string(n) + "=0x1234\na.o\n";
    LinkRun r = link(lkf);
    ASSERT_TRUE(r.ok) << r.errors.substr(0, 500);
    EXPECT_EQ(r.program.word(0x100), 0x1234u);

    // a loop is an error, not a hang
    r = link("+seg loop1 -n l1 -a l2\n+seg loop2 -n l2 -a l1\n+def d0=1\na.o\n");
    EXPECT_NE(r.errors.find("is placed behind itself"), std::string::npos) << r.errors.substr(0, 500);
}

}  // namespace
