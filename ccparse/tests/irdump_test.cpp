// irdump on deep, hostile and endless intermediate files: trees of any depth
// are read without recursion, names with control bytes stay on their line,
// endless files are "file too large", and mutated files of the compiler end
// with status 0 or 1 and one error line.
#include "ccparse/tests/front_harness.h"
#include "ccparse/toolkit/tests/tool_harness.h"
#include "ccparse/tools/irdecode.h"
#include "support/one_line.h"
#include "support/tests/endless_input.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <regex>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The header, then one record 150 whose tree is `depth` unary minus nodes
// (code 1, type int) over a leaf named `leaf_name`.
Bytes deep_expression(int depth, const std::string& leaf_name) {
    Bytes b = {0xCB, 0, 0, 0, 150};
    for (int i = 0; i < depth; ++i) b.insert(b.end(), {1, 3});
    b.insert(b.end(), {0, 3});                                             // leaf, int
    b.push_back(static_cast<std::uint8_t>(leaf_name.size() + 1));         // name length + 1
    b.insert(b.end(), {7, 0, 0});                                          // number, attribute
    b.insert(b.end(), leaf_name.begin(), leaf_name.end());
    b.insert(b.end(), {5, 0, 0, 0, 1, 2});                                 // value, storage, mem
    return b;
}

TEST(Irdump, TreesOfAnyDepthAreReadWhole) {
    const int depth = 100000;
    vy::irdump::Decoded d = vy::irdump::decode(deep_expression(depth, std::string("x\n\0y", 4)));
    ASSERT_TRUE(d.ok) << d.error;
    ASSERT_EQ(d.lines.size(), 2u);
    const std::string& line = d.lines[1];
    std::string open;
    for (int i = 0; i < depth; ++i) open += "(1 int ";
    EXPECT_EQ(line.substr(0, 9 + open.size()), "150 expr " + open);
    EXPECT_EQ(line.substr(9 + open.size()),
              "(0 int name=\"x\\n\\x00y\" num=7 nattr=0x00 value=5 storage=1 mem=2)" + std::string(depth, ')'));

    // A tree cut short is a truncated record, however deep.
    Bytes cut = deep_expression(depth, "x");
    cut.resize(cut.size() / 2);
    d = vy::irdump::decode(cut);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.error, "truncated record 150 at offset 4");
}

TEST(Irdump, ErrorLinesStayOneLine) {
    vytest::TempDir dir;
    std::string out, errors;
    EXPECT_EQ(vy::irdump::irdump(dir.file("no\x1b[2J\rthing.ir"), false, out, errors), 1);
    EXPECT_NE(errors.find("no\\x1b[2J\\x0dthing.ir\n"), std::string::npos) << errors;
    EXPECT_TRUE(vytest::clean_lines(errors));
    errors.clear();
    EXPECT_EQ(vy::irdump::irdump(dir.file(std::string("a\0b", 3)), false, out, errors), 1);
    EXPECT_NE(errors.find("a\\x00b\n"), std::string::npos) << errors;
}

#ifndef _WIN32
// Running out of memory is an "#error" line naming the file, status 1, as
// in the passes, never an abort.
TEST(Irdump, RunningOutOfMemoryIsAnErrorLine) {
    std::string errors;
    EXPECT_EQ(vytest::memory_runs_out(vy::irdump::irdump_main, {"irdump", "-o", "nosuch.ir"}, errors), 1);
    EXPECT_EQ(errors, "#error irdump nosuch.ir:0 no memory\n");
}

TEST(Irdump, EndlessFilesAreTooLarge) {
    std::string out, errors;
    if (vytest::has_dev_zero()) {
        EXPECT_EQ(vy::irdump::irdump("/dev/zero", false, out, errors), 1);
        EXPECT_EQ(errors, "irdump: /dev/zero: file too large\n");
    }
    vytest::TempDir dir;
    vytest::EndlessFifo fifo(dir.file("endless.ir"), "\xCB\x01\x02\x03");
    errors.clear();
    EXPECT_EQ(vy::irdump::irdump(fifo.path(), false, out, errors), 1);
    EXPECT_NE(errors.find(": file too large\n"), std::string::npos) << errors;
}
#endif

// The function of the intermediate file's description, record by record.
TEST(Irdump, TheRecordsOfAFunction) {
    vytest::FrontRun run = vytest::compile("int f(int a){return a+1;}");
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::vector<std::string> expected = {
        "header magic=0xcb model=0 flags=0x00 config=0",
        "19 file name=\"t.c\" num=0 nattr=0x00",
        "20 line 1",
        "134 function name=\"f\" num=0 nattr=0x84 attr=0x0000 size=0",
        "251 body first=1 brace=1",
        "217 param-type int",
        "218 param-size 2",
        "20 line 1",
        "150 expr (136:= int (0 int name=- num=0 value=0 storage=1 mem=0) (222:+ int (0 int name=- num=0 value=0 "
        "storage=160 mem=1) (0 int name=- num=0 value=1 storage=0 mem=0)))",
        "146 return",
        "211 end-function",
        "132 public name=\"f\" num=0 nattr=0x84 attr=0x0000 size=0",
    };
    EXPECT_EQ(run.ir, expected);
}

// VY_FUZZ_SEED and VY_FUZZ_CASES change the seed and the number of cases.
TEST(Irdump, MutatedFilesEndCleanly) {
    const char* const sources[] = {
        "#line 3 \"q\x01\x1b.c\"\nint x; char *s; long l[4];\n",
        "struct s { int a:3; char c; } v; enum e { A, B = 5 } ev;\n#asm\n\tldaa #1\n#endasm\n",
        "extern int f(int a, char *b); unsigned char buf[10]; int (*fp)(void);\n",
        "int g(int c) { int i; for (i = 0; i < c; i++) switch (i) { case 1: case 2: case 3: case 4: case 5: "
        "case 6: case 7: c--; break; case 9: return 2; } while (c) c--; return c ? g(c - 1) : 0; }\n",
    };
    std::vector<Bytes> files;
    for (const char* source : sources) {
        vytest::FrontRun run = vytest::compile(source, {"-x"});
        ASSERT_EQ(run.status, 0) << run.errors;
        files.emplace_back(run.output.begin(), run.output.end());
    }
    files.push_back(deep_expression(1000, "deep"));
    const std::regex error_line(R"(irdump: [^\x00-\x08\x0a-\x1f\x7f]*\n)");
    vytest::TempDir dir;
    const std::string path = dir.file("fuzz.ir");
    std::mt19937 random(static_cast<unsigned>(vytest::fuzzseed(28020)));
    const int cases = vytest::fuzzcases(2000, 300);
    int refused = 0;
    for (int i = 0; i < cases; ++i) {
        Bytes file = files[random() % files.size()];
        int mutations = static_cast<int>(random() % 5);
        for (int m = 0; m < mutations && !file.empty(); ++m) {
            std::size_t at = random() % file.size();
            switch (random() % 6) {
            case 0: file[at] = static_cast<std::uint8_t>(random()); break;
            case 1: file[at] = static_cast<std::uint8_t>("\0\n\r\x1b\x7f\x1a"[random() % 6]); break;
            case 2: file.resize(at); break;
            case 3: file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), 1 + random() % 40, 1); break;  // deeper trees
            case 4: file.erase(file.begin() + static_cast<std::ptrdiff_t>(at)); break;
            case 5: file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), 150); break;
            }
        }
        if (random() % 100 == 0) {
            Bytes deep = deep_expression(100000, "z\x01");
            file.insert(file.end(), deep.begin() + 4, deep.end());
        }
        dir.write("fuzz.ir", std::string(file.begin(), file.end()));
        std::string out, errors;
        int status = vy::irdump::irdump(path, random() % 2, out, errors);
        SCOPED_TRACE("case " + std::to_string(i));
        ASSERT_TRUE(status == 0 || status == 1);
        ASSERT_EQ(status == 1, !errors.empty());
        if (status) {
            ASSERT_TRUE(std::regex_match(errors, error_line)) << vy::one_line(errors);
        }
        ASSERT_TRUE(vytest::clean_lines(out));
        refused += status;
    }
    EXPECT_GT(refused, cases / 10);
    EXPECT_LT(refused, cases);
}

}  // namespace
