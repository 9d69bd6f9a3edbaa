// objdump11 on hostile object files: objects of the assembler mutated at
// random (bytes, counts and offsets, names holding line ends, NULs and other
// control bytes, cut files), random bytes, and endless files. Every run ends
// with status 0 or 1; a refused file gives one error line; the dump has one
// line per item, with no control byte in it.
#include <chrono>
#include <cstdlib>
#include <random>
#include <regex>

#include "asm_fixture.h"
#include "ccasm/tools/objfile.h"
#include "ccparse/toolkit/tests/tool_harness.h"
#include "support/one_line.h"
#include "support/tests/endless_input.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

namespace {

const std::regex error_line(R"((objdump11: [^\x00-\x08\x0a-\x1f\x7f]*: [^\x00-\x08\x0a-\x1f\x7f]*\n)*)");

// A suite of its own: a CTest entry of its own.
using ObjdumpFuzz = AsmTest;

TEST_F(ObjdumpFuzz, ErrorLineStaysOneLineWhateverTheSectionName) {
    AsmRun r = assemble(".abcd:\tsection\n\tnop\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::vector<uint8_t> image = r.image;
    image[30 + 2] = '\n';       // the section name ".a\ncd"
    image[30 + 3] = '\0';
    image[44] = 0x7F;           // its data offset far outside the file
    write("bad.o", std::string(image.begin(), image.end()));
    std::string out, errors;
    EXPECT_EQ(objfile::objdump({"bad.o"}, out, errors), 1);
    EXPECT_EQ(errors, "objdump11: bad.o: section .a\\x0a\\x00d: data or relocations outside the file\n");

    image = r.image;
    image[30 + 2] = '\r';
    write("odd.o", std::string(image.begin(), image.end()));
    out.clear();
    errors.clear();
    EXPECT_EQ(objfile::objdump({"odd.o", std::string("no\nfile.o")}, out, errors), 1);
    EXPECT_EQ(errors, "objdump11: no\\x0afile.o: can't open no\\x0afile.o\n");
    EXPECT_EQ(out.rfind("odd.o:\nheader: ", 0), 0u) << out;
    EXPECT_NE(out.find(" .a\\x0dcd attr "), std::string::npos) << out;
}

#ifndef _WIN32
// Running out of memory is an "#error" line naming the file, status 1, as
// in the passes, never an abort.
TEST_F(ObjdumpFuzz, RunningOutOfMemoryIsAnErrorLine) {
    std::string errors;
    EXPECT_EQ(vytest::memory_runs_out(objfile::objdump_main, {"/bin/objdump11.exe", "nosuch.o"}, errors), 1);
    EXPECT_EQ(errors, "#error objdump11 nosuch.o:0 no memory\n");
}

TEST_F(ObjdumpFuzz, EndlessFilesAreFileTooLarge) {
    std::string out, errors;
    if (vytest::has_dev_zero()) {
        EXPECT_EQ(objfile::objdump({"/dev/zero"}, out, errors), 1);
        EXPECT_EQ(errors, "objdump11: /dev/zero: file too large\n");
    }
    vytest::EndlessFifo fifo((dir / "endless.o").string(), "\xCC\x01\x02\x03");
    errors.clear();
    EXPECT_EQ(objfile::objdump({fifo.path()}, out, errors), 1);
    EXPECT_NE(errors.find(": file too large\n"), std::string::npos) << errors;
}
#endif

// VY_FUZZ_SEED and VY_FUZZ_CASES change the seed and the number of cases.
TEST_F(ObjdumpFuzz, MutatedObjectsEndCleanly) {
    const char* const sources[] = {
        "\tnop\n\tldaa\t#1\n",
        "\tswitch\t.data\nv:\tdc.w\tv,ext\n\txref\text\n\txdef\tv\n.abcdefghijklm:\tsection\n\tdc.b\t1,2,3\n",
        "\tjsr\tf\n\tjsr\tg\n\txref\tf\n\txref\tg\nl:\tbra\tl\n\tdc.l\tl\n\t.dfile\t\"a.c\"\n\t.dline\t\"f:1-2\"\n",
    };
    std::vector<std::string> objects;
    ccasm::Options opt;
    opt.line_debug = true;
    for (const char* source : sources) {
        AsmRun r = assemble(source, opt);
        ASSERT_EQ(r.status, 0) << r.diagnostics;
        objects.emplace_back(r.image.begin(), r.image.end());
    }
    std::mt19937 random(static_cast<unsigned>(vytest::fuzzseed(20028)));
    const int cases = vytest::fuzzcases(1500, 300);
    int refused = 0;
    for (int i = 0; i < cases; ++i) {
        std::string file = objects[random() % objects.size()];
        int mutations = static_cast<int>(random() % 5);
        for (int m = 0; m < mutations && !file.empty(); ++m) {
            size_t at = random() % file.size();
            switch (random() % 7) {
            case 0: file[at] = static_cast<char>(random()); break;
            case 1: file[at] = "\0\n\r\x1b\x7f\x1a\t"[random() % 7]; break;   // into a name, likely
            case 2: file.resize(at); break;
            case 3: for (int k = 0; k < 4 && at + k < file.size(); ++k) file[at + k] = '\xFF'; break;
            case 4: file.insert(at, file.substr(at, random() % 64)); break;
            case 5: if (file.size() > 3) file[3] = static_cast<char>(random()); break;  // the section count
            case 6: file.erase(at, 1 + random() % 16); break;
            }
        }
        if (random() % 50 == 0) {
            file.assign(random() % 200, '\0');
            for (char& c : file) c = static_cast<char>(random());
            if (!file.empty() && random() % 2) file[0] = '\xCC';
        }
        write("fuzz.o", file);
        std::string out, errors;
        int status = objfile::objdump({"fuzz.o"}, out, errors);
        SCOPED_TRACE("case " + std::to_string(i));
        ASSERT_TRUE(status == 0 || status == 1);
        ASSERT_TRUE(std::regex_match(errors, error_line)) << vy::one_line(errors);
        ASSERT_EQ(status == 1, !errors.empty());
        ASSERT_TRUE(vytest::clean_lines(out)) << vy::one_line(out);
        refused += status;
    }
    EXPECT_GT(refused, cases / 10);
    EXPECT_LT(refused, cases);
}

}  // namespace
