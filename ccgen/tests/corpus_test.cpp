// The operator corpus: every operator over every type and operand place
// compiles without an internal error and assembles without a diagnostic,
// with and without the optimiser's hints.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ccasm/tests/asm_fixture.h"
#include "ccopt/opt.h"
#include "ccparse/toolkit/tests/tool_harness.h"
#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/opcorpus.h"

namespace {

class OperatorCorpus : public AsmTest {};

TEST_F(OperatorCorpus, CompilesAndAssembles) {
    for (const vytest::OpProgram& p : vytest::operator_corpus()) {
        vytest::GenRun gen = vytest::generate(p.ir, {"-no"});
        if (const char* dir = std::getenv("VY_CORPUS_DUMP")) {
            // the files, for a look or a run elsewhere
            std::ofstream(std::string(dir) + "/" + p.name + ".ir", std::ios::binary)
                .write(reinterpret_cast<const char*>(p.ir.data()), static_cast<std::streamsize>(p.ir.size()));
            std::ofstream(std::string(dir) + "/" + p.name + ".s") << gen.asm_text;
            std::ofstream(std::string(dir) + "/" + p.name + ".c") << p.host;
            std::ofstream(std::string(dir) + "/" + p.name + ".err") << gen.errors;
        }
        std::string where;
        std::size_t colon = gen.errors.find("t.c:");
        if (colon != std::string::npos) {
            std::size_t line = std::strtoul(gen.errors.c_str() + colon + 4, nullptr, 10);
            if (line < p.lines.size()) where = p.lines[line];
        }
        EXPECT_EQ(gen.status, 0) << p.name << "\n" << gen.errors << where;
        EXPECT_EQ(gen.asm_text.find("PANIC"), std::string::npos) << p.name;
        ccasm::Options opt;
        opt.include_dirs.push_back(vytest::fixture_dir());
        AsmRun run = assemble(gen.asm_text, opt);
        EXPECT_EQ(run.diagnostics, "") << p.name;
    }
}

// The bytes of code (section .text) of the corpus, without the optimiser
// and through it: a figure printed for comparison, not a bound.
TEST_F(OperatorCorpus, CodeSize) {
    std::size_t plain_total = 0, optimised_total = 0;
    std::printf("%-20s %8s %8s\n", "program", "ccgen", "ccopt");
    for (const vytest::OpProgram& p : vytest::operator_corpus()) {
        std::size_t sizes[2] = {0, 0};
        for (int optimised = 0; optimised < 2; ++optimised) {
            vytest::GenRun gen = vytest::generate(p.ir, optimised ? std::vector<std::string>{} : std::vector<std::string>{"-no"});
            ASSERT_EQ(gen.status, 0) << p.name;
            std::string text = gen.asm_text;
            if (optimised) {
                write("t.gs", text);
                std::filesystem::remove("t.os");
                vytest::ToolHarness harness("ccopt");
                vytest::Args argv({"ccopt", "-o", "t.os", "t.gs"});
                try {
                    ccopt::optmain(argv.argc(), argv.argv());
                } catch (const vy::ToolExit&) {
                }
                text = read_text("t.os");
            }
            ccasm::Options opt;
            opt.include_dirs.push_back(vytest::fixture_dir());
            AsmRun run = assemble(text, opt);
            ASSERT_EQ(run.diagnostics, "") << p.name;
            sizes[optimised] = run.bytes(".text").size();
        }
        std::printf("%-20s %8zu %8zu\n", p.name.c_str(), sizes[0], sizes[1]);
        plain_total += sizes[0];
        optimised_total += sizes[1];
    }
    std::printf("%-20s %8zu %8zu\n", "total", plain_total, optimised_total);
}

}  // namespace
