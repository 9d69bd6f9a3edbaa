// What ccgen writes is assembled by ccasm without a diagnostic, under
// each debug and listing mode.
#include <gtest/gtest.h>

#include "ccasm/tests/asm_fixture.h"
#include "ccopt/opt.h"
#include "ccparse/toolkit/tests/tool_harness.h"
#include "ccgen/tests/corpus.h"
#include "ccgen/tests/gen_harness.h"

namespace {

class Assembled : public AsmTest {};

struct Mode {
    const char* name;
    std::vector<std::string> options;
    bool full_debug;
};

const Mode modes[] = {
    {"plain", {"-no"}, false},
    {"line_debug", {"-no", "-dl1"}, false},
    {"full_debug", {"-no"}, true},
    {"listing", {"-no", "-l", "-f"}, false},
    {"static_model", {"-no", "-st1", "-bss", "-ct"}, false},
};

TEST_F(Assembled, EveryCorpusFileInEveryMode) {
    for (const vytest::CorpusFile& file : vytest::generator_corpus()) {
        for (const Mode& mode : modes) {
            std::vector<std::uint8_t> ir = file.ir;
            if (mode.full_debug) ir[2] |= 4;
            vytest::GenRun gen = vytest::generate(ir, mode.options);
            ASSERT_EQ(gen.status, 0) << file.name << " " << mode.name << "\n" << gen.errors;
            // without the optimiser no hint and no pseudo-branch remains
            for (const std::string& line : vytest::body_lines(gen.asm_text)) {
                bool hint = line == "FL:" || line == "YTOX:" || line == "VL:" || line == "\tnod" ||
                            line == "\tnoa" || line == "\tnoy" || line.rfind("\tjb", 0) == 0;
                EXPECT_FALSE(hint) << file.name << " " << mode.name << ": " << line;
            }
            ccasm::Options opt;
            opt.include_dirs.push_back(vytest::fixture_dir());
            if (mode.full_debug) opt.full_debug = true;
            AsmRun run = assemble(gen.asm_text, opt);
            EXPECT_EQ(run.status, 0) << file.name << " " << mode.name;
            EXPECT_EQ(run.diagnostics, "") << file.name << " " << mode.name << "\n" << gen.asm_text;
        }
    }
}

// With the optimiser's hints: ccopt reads the text and ccasm assembles
// what it writes.
TEST_F(Assembled, ThroughTheOptimiser) {
    for (const vytest::CorpusFile& file : vytest::generator_corpus()) {
        vytest::GenRun gen = vytest::generate(file.ir);
        ASSERT_EQ(gen.status, 0) << file.name << "\n" << gen.errors;
        write("t.gs", gen.asm_text);
        std::filesystem::remove("t.os");
        int status;
        {
            vytest::ToolHarness harness("ccopt");
            vytest::Args argv({"ccopt", "-o", "t.os", "t.gs"});
            try {
                status = ccopt::optmain(argv.argc(), argv.argv());
            } catch (const vy::ToolExit& e) {
                status = e.status;
            }
            EXPECT_EQ(harness.errors(), "") << file.name;
        }
        ASSERT_EQ(status, 0) << file.name;
        ccasm::Options opt;
        opt.include_dirs.push_back(vytest::fixture_dir());
        AsmRun run = assemble(read_text("t.os"), opt);
        EXPECT_EQ(run.status, 0) << file.name;
        EXPECT_EQ(run.diagnostics, "") << file.name << "\n" << read_text("t.os");
    }
}

}  // namespace
