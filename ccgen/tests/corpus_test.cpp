// The operator corpus: every operator over every type and operand place
// compiles without an internal error and assembles without a diagnostic,
// as ccgen writes it and as the optimiser rewrites it. The bytes of code
// are printed (a figure for comparison, not a bound). VY_CORPUS_DUMP=dir
// writes each program's intermediate file, assembly text and host program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ccasm/tests/asm_fixture.h"
#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/opcorpus.h"

namespace {

class OperatorCorpus : public AsmTest {};

// What the statement of the diagnostic's line does.
std::string where(const vytest::OpProgram& p, const std::string& errors) {
    std::size_t at = errors.find("t.c:");
    if (at == std::string::npos) return "";
    std::size_t line = std::strtoul(errors.c_str() + at + 4, nullptr, 10);
    return line < p.lines.size() ? p.lines[line] : "";
}

TEST_F(OperatorCorpus, CompilesAndAssemblesWithAndWithoutTheOptimiser) {
    std::size_t totals[2] = {0, 0};
    std::printf("%-20s %8s %8s\n", "bytes of code", "ccgen", "ccopt");
    for (const vytest::OpProgram& p : vytest::operator_corpus()) {
        std::size_t sizes[2] = {0, 0};
        for (int through_optimiser = 0; through_optimiser < 2; ++through_optimiser) {
            vytest::GenRun gen =
                vytest::generate(p.ir, through_optimiser ? std::vector<std::string>{} : std::vector<std::string>{"-no"});
            ASSERT_EQ(gen.status, 0) << p.name << "\n" << gen.errors << where(p, gen.errors);
            ASSERT_EQ(gen.asm_text.find("PANIC"), std::string::npos) << p.name;
            if (const char* dir = std::getenv("VY_CORPUS_DUMP"); dir && !through_optimiser) {
                std::ofstream(std::string(dir) + "/" + p.name + ".ir", std::ios::binary)
                    .write(reinterpret_cast<const char*>(p.ir.data()), static_cast<std::streamsize>(p.ir.size()));
                std::ofstream(std::string(dir) + "/" + p.name + ".s") << gen.asm_text;
                std::ofstream(std::string(dir) + "/" + p.name + ".c") << p.host;
            }
            std::string errors;
            std::string text = through_optimiser ? vytest::optimise(gen.asm_text, errors) : gen.asm_text;
            EXPECT_EQ(errors, "") << p.name;
            ccasm::Options opt;
            opt.include_dirs.push_back(vytest::fixture_dir());
            AsmRun run = assemble(text, opt);
            EXPECT_EQ(run.diagnostics, "") << p.name << (through_optimiser ? " optimised" : "");
            sizes[through_optimiser] = run.bytes(".text").size();
            totals[through_optimiser] += sizes[through_optimiser];
        }
        std::printf("%-20s %8zu %8zu\n", p.name.c_str(), sizes[0], sizes[1]);
    }
    std::printf("%-20s %8zu %8zu\n", "total", totals[0], totals[1]);
}

}  // namespace
