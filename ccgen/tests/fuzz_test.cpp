// Mutated intermediate files through the code generator in process: files
// that ccparse wrote (and the corpus of functions built from the record
// layouts), with bytes flipped, inserted, removed, repeated and cut. The
// run must end with status 0 or 1, quickly, and every line on the error
// stream must be a diagnostic line. The sanitizer build checks memory and
// undefined behaviour.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <regex>

#include "ccgen/tests/corpus.h"
#include "ccgen/tests/gen_harness.h"
#include "support/one_line.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Sources for ccparse; those it cannot compile yet are left out.
const char* const seed_sources[] = {
    "char c; int i; long l; unsigned char b[10]; struct s { char a; int b:3; long c; } st;\n",
    "static int n; extern int e; int x @ 0x20; @dir int z; @eeprom char ee;\n",
    "#pragma section {mydata}\nint md;\n#pragma section [myvars]\nint mv;\n#pragma section []\nint w;\n",
    "#asm\n\tnop\n\tldaa #1\n#endasm\nint after;\n",
    "int a = 1; char s[] = \"text\"; float f = 1.5; int *p = &a; long t[3] = {1, 2, 3};\n",
    "int f(int a) { return a + 1; }\n",
    "int g; void h(void) { int i; for (i = 0; i < 10; i++) { if (g == i) break; g = g + i; } }\n",
    "char c; void k(void) { switch (c) { case 1: c = 2; break; case 5: c = 0; default: c = 1; } }\n",
};

std::vector<Bytes> seeds() {
    std::vector<Bytes> out;
    for (const char* source : seed_sources) {
        for (std::vector<std::string> options : {std::vector<std::string>{}, {"-x", "-l"}}) {
            vytest::FrontRun run = vytest::compile(source, options);
            if (run.status == 0 && run.output_exists) out.emplace_back(run.output.begin(), run.output.end());
        }
    }
    for (const vytest::CorpusFile& f : vytest::generator_corpus()) out.push_back(f.ir);
    return out;
}

// Bytes that mean something to the reader.
constexpr std::uint8_t telling[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 19, 20, 129, 130, 131, 134, 137, 139, 140, 146, 147,
                                    148, 150, 151, 185, 186, 189, 190, 191, 203, 205, 206, 210, 211, 217, 218, 251};

Bytes mutate(const std::vector<Bytes>& pool, std::mt19937& random) {
    Bytes b = pool[random() % pool.size()];
    int steps = 1 + static_cast<int>(random() % 4);
    for (int s = 0; s < steps; ++s) {
        std::size_t n = b.size();
        std::size_t at = n ? random() % n : 0;
        switch (random() % 7) {
        case 0:
            if (n) b[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            break;
        case 1:
            if (n) b[at] = telling[random() % sizeof telling];
            break;
        case 2: {
            std::size_t count = 1 + random() % 8;
            for (std::size_t i = 0; i < count; ++i)
                b.insert(b.begin() + static_cast<long>(at), static_cast<std::uint8_t>(random()));
            break;
        }
        case 3:
            if (n) b.erase(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(std::min(n, at + 1 + random() % 16)));
            break;
        case 4:
            b.resize(at);
            break;
        case 5:
            if (n) {
                std::size_t len = std::min(n - at, static_cast<std::size_t>(1 + random() % 64));
                Bytes piece(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + len));
                b.insert(b.begin() + static_cast<long>(random() % (n + 1)), piece.begin(), piece.end());
            }
            break;
        default: {
            const Bytes& other = pool[random() % pool.size()];
            if (other.size() > 4) {
                std::size_t from = 4 + random() % (other.size() - 4);
                std::size_t len = std::min(other.size() - from, static_cast<std::size_t>(1 + random() % 128));
                b.insert(b.begin() + static_cast<long>(at), other.begin() + static_cast<long>(from),
                         other.begin() + static_cast<long>(from + len));
            }
            break;
        }
        }
    }
    return b;
}

std::string stray_lines(const std::string& errors) {
    static const std::regex diagnostic("#error ccgen [^\\t]*:[0-9]+\\t.*");
    std::string out;
    std::size_t start = 0;
    while (start < errors.size()) {
        std::size_t end = errors.find('\n', start);
        if (end == std::string::npos) end = errors.size();
        std::string line = errors.substr(start, end - start);
        if (!std::regex_match(line, diagnostic)) out += line + "\n";
        start = end + 1;
    }
    return out;
}

// VY_FUZZ_SEED and VY_FUZZ_CASES change the seed and the number of cases
// for a longer search by hand.
TEST(Fuzz, MutatedIntermediateFilesEndWithDiagnostics) {
    std::vector<Bytes> pool = seeds();
    ASSERT_GE(pool.size(), 10u);
    std::mt19937 random(static_cast<unsigned>(vytest::fuzzseed(1313)));
    const std::vector<std::vector<std::string>> option_sets = {
        {}, {"-no"}, {"-no", "-dl1", "-l", "-f"}, {"-bss", "-ct", "-st3"}, {"-v", "-ck"},
    };
    vytest::TempDir dir;
    for (int i = 0; i < vytest::fuzzcases(1500, 300); ++i) {
        Bytes ir = mutate(pool, random);
        std::vector<std::string> options = option_sets[random() % option_sets.size()];
        dir.write("t.ir", std::string(ir.begin(), ir.end()));
        options.insert(options.end(), {"-o", "t.s", "t.ir"});
        vytest::GenRun run = vytest::run_gen(dir, options);
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_TRUE(run.status == 0 || run.status == 1) << run.status;
        EXPECT_EQ(run.output_exists, run.status == 0);   // a failed run leaves no output
        std::filesystem::remove(dir.file("t.s"));
        std::string errors = run.errors;
        // -v names each function on the error stream
        if (std::find(options.begin(), options.end(), "-v") != options.end()) {
            std::string kept;
            std::size_t s = 0;
            while (s < errors.size()) {
                std::size_t e = errors.find('\n', s);
                if (e == std::string::npos) e = errors.size();
                std::string line = errors.substr(s, e - s);
                if (line.rfind("#error", 0) == 0) kept += line + "\n";
                s = e + 1;
            }
            errors = kept;
        }
        EXPECT_EQ(stray_lines(errors), "") << run.errors;
        if (HasFailure()) {
            std::string name = "fuzz-failure.ir";
            std::FILE* f = std::fopen(name.c_str(), "wb");
            if (f) {
                std::fwrite(ir.data(), 1, ir.size(), f);
                std::fclose(f);
            }
            break;
        }
    }
}

// The code generator's assembly, damaged, through the optimiser (the text
// it reads): lines lost, repeated and swapped, bytes changed, hint labels
// and branches to nowhere put in, the text cut. It optimises, or ends with
// status 1, its one-line message and no output file.
TEST(Fuzz, MutatedGeneratedAssemblyThroughTheOptimiser) {
    std::vector<std::string> texts;
    for (const Bytes& ir : seeds()) {
        vytest::GenRun run = vytest::generate(ir);
        if (run.status == 0 && run.asm_text.find("FL:") != std::string::npos) texts.push_back(run.asm_text);
    }
    ASSERT_GE(texts.size(), 5u);
    const char* const pieces[] = {"FL:\n", "YTOX:\n", "VL:\n", "\tjbne\tnowhere\n", "\tnod\n", "L99:\n",
                                  "\trts\n", "\tjsr\tc_lmul\n", "\tpshx\n", "\x01\x7f\n", "_f:\n"};
    std::mt19937 random(vytest::fuzzseed(4101));
    auto below = [&random](std::size_t n) { return n ? static_cast<std::size_t>(random() % n) : 0; };
    for (int i = 0, n = vytest::fuzzcases(300, 60); i < n; ++i) {
        std::vector<std::string> lines;
        const std::string& seed = texts[below(texts.size())];
        for (std::size_t at = 0; at < seed.size();) {
            std::size_t end = seed.find('\n', at);
            lines.push_back(seed.substr(at, end - at + 1));
            at = end + 1;
        }
        for (std::size_t m = 1 + below(6); m > 0 && !lines.empty(); --m) {
            std::size_t at = below(lines.size());
            switch (below(6)) {
            case 0: lines.erase(lines.begin() + static_cast<long>(at)); break;
            case 1: lines.insert(lines.begin() + static_cast<long>(at), lines[below(lines.size())]); break;
            case 2: std::swap(lines[at], lines[below(lines.size())]); break;
            case 3:
                if (!lines[at].empty()) lines[at][below(lines[at].size())] = static_cast<char>(random());
                break;
            case 4: lines.insert(lines.begin() + static_cast<long>(at), pieces[below(std::size(pieces))]); break;
            default: lines.resize(at); break;
            }
        }
        std::string text;
        for (const std::string& line : lines) text += line;
        std::string errors;
        std::string out = vytest::optimise(text, errors);
        SCOPED_TRACE("case " + std::to_string(i));
        if (errors.empty()) continue;
        ASSERT_TRUE(vytest::clean_lines(errors)) << vy::one_line(errors);
        ASSERT_TRUE(errors.starts_with("ccopt: ") || errors.starts_with("#error ccopt ")) << errors;
        ASSERT_TRUE(errors.ends_with("status 1\n")) << errors;
        ASSERT_EQ(out, "");
    }
}

}  // namespace
