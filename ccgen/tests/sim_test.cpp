// The operator corpus run in the target model against the host compiler:
// the results in `_out` are the bytes that the same operations give with
// the types of fixed width on the host. The runtime library is the model
// of docs/abi.md that the simulator harness carries. Native only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>
#include <sstream>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/opcorpus.h"
#include "ccgen/tests/sim_harness.h"

namespace {

using vytest::have_host_cc;
using vytest::host_output;

// What the result that holds byte k is.
std::string slot_note(const vytest::OpProgram& p, std::size_t k) {
    for (std::size_t i = std::min(k, p.slots.size() ? p.slots.size() - 1 : 0) + 1; i-- > 0;)
        if (i < p.slots.size() && !p.slots[i].empty()) return p.slots[i] + (i != k ? " +" + std::to_string(k - i) : "");
    return "";
}

// Each program as ccgen writes it without the optimiser, as the optimiser
// rewrites what ccgen writes for it, with the arithmetic unit's routines,
// and with the static frames in the zero page.
struct Mode {
    const char* name;
    bool through_optimiser;
    std::vector<std::string> options;
};

// Each mode runs the corpus in parts, a test each, so that the parts run
// side by side.
constexpr std::size_t corpus_parts = 3;
const Mode modes[] = {{"plain", false, {}},
                      {"optimised", true, {}},
                      {"arithmetic_unit", false, {"-alu"}},
                      {"zero_page_frames", false, {"-st1"}}};

class CorpusRun : public ::testing::TestWithParam<std::tuple<int, std::size_t>> {};

TEST_P(CorpusRun, EveryProgramComputesWhatTheHostComputes) {
    if (!have_host_cc()) GTEST_SKIP() << "no host C compiler";
    const Mode& mode = modes[std::get<0>(GetParam())];
    const std::size_t part = std::get<1>(GetParam());
    const bool through_optimiser = mode.through_optimiser;
    const std::vector<vytest::OpProgram>& corpus = vytest::operator_corpus();
    const std::size_t first = corpus.size() * part / corpus_parts, end = corpus.size() * (part + 1) / corpus_parts;
    for (std::size_t n = first; n < end; ++n) {
        const vytest::OpProgram& p = corpus[n];
        std::vector<std::string> options = mode.options;
        if (!through_optimiser) options.push_back("-no");
        vytest::GenRun gen = vytest::generate(p.ir, options);
        ASSERT_EQ(gen.status, 0) << p.name << "\n" << gen.errors;
        if (through_optimiser) {
            std::string errors;
            gen.asm_text = vytest::optimise(gen.asm_text, errors);
            ASSERT_EQ(errors, "") << p.name;
        }
        vytest::SimRun run = vytest::simulate(gen.asm_text);
        ASSERT_TRUE(run.ok) << p.name << ": " << run.error;
        vytest::TempDir dir;
        std::string expected = host_output(dir, p.host);
        std::string got = vytest::hexbytes(run.bytes("_out", p.out_bytes));
        if (got == expected) continue;
        std::ostringstream diff;
        int shown = 0;
        for (std::size_t i = 0; i + 1 < expected.size() && i + 1 < got.size() && shown < 40; i += 2)
            if (got.compare(i, 2, expected, i, 2) != 0) {
                diff << "  out+" << i / 2 << ": " << got.substr(i, 2) << " expected " << expected.substr(i, 2) << "  "
                     << slot_note(p, i / 2) << "\n";
                ++shown;
            }
        ADD_FAILURE() << p.name << "\n" << diff.str();
        if (const char* d = std::getenv("VY_CORPUS_DUMP")) std::ofstream(std::string(d) + "/" + p.name + ".s") << gen.asm_text;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CorpusRun,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(modes))),
                                            ::testing::Range(std::size_t{0}, corpus_parts)),
                         [](const ::testing::TestParamInfo<CorpusRun::ParamType>& i) {
                             return std::string(modes[std::get<0>(i.param)].name) + "_" +
                                    std::to_string(std::get<1>(i.param) + 1) + "of" + std::to_string(corpus_parts);
                         });

}  // namespace
