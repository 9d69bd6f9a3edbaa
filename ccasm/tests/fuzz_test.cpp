// Random and mutated sources through the whole assembler in process: every
// run ends with status 0 or 1, quickly; every line on the error stream is
// one diagnostic line "#error ccasm file:line<TAB>message" (or ":0 message"),
// with no control byte in it; a failed run leaves no object file. Among the
// sources: expressions nested 100,000 levels deep, NULs and control bytes in
// names and strings, files that include themselves on their last line, and
// endless include files (/dev/zero, a FIFO). The sanitizer build checks
// memory and undefined behaviour.
#include <chrono>
#include <cstdlib>
#include <random>
#include <regex>

#include "asm_fixture.h"
#include "support/one_line.h"
#include "support/tests/endless_input.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/line_checks.h"

namespace {

const std::string pieces[] = {
    "\tnop\n",
    "\tldaa\t#1\n",
    "\tldd\t#$1234\n",
    "\tldx\t#lab\n",
    "\tstaa\t<$20\n",
    "\tbset\t0,x,#$81\n",
    "\tbrclr\t$10,y,#$80,lab\n",
    "\tbeq\tlab\n",
    "\tjbr\tfar\n",
    "\tjsr\t_ext\n",
    "lab:\n",
    "far:\tds.b\t300\n",
    "lab:\tnop\n",
    ".1:\tbra\t.1\n",
    "val:\tequ\t3*4+(2<<3)\n",
    "val:\tset\tval+1\n",
    "\tdc.b\t1,2,\"str\",'c'\n",
    "\tdc.w\tlab,val,high(lab),low(lab)\n",
    "\tdc.l\tstrlen(\"abc\")\n",
    "\tfcc\t\"text\"\n",
    "\tds.w\t4\n",
    "\tdcb.b\t3,$ff\n",
    "\talign\t4\n",
    "\teven\n",
    "\torg\t$8000\n",
    "\tswitch\t.data\n",
    "\tswitch\t.text\n",
    ".ram:\tsection\n",
    "\tbsct\n",
    "\tsave\n",
    "\trestore\n",
    "\toffset\t0\n",
    "\txdef\tlab\n",
    "\txref\t_ext\n",
    "\tbase\t16\n",
    "\tif\tval>3\n",
    "\tifdef\tlab\n",
    "\tifc\t\"a\",\"a\"\n",
    "\telse\n",
    "\tendif\n",
    "m:\tmacro\n\tdc.b\t\\1,\\#\n\tendm\n",
    "\tm\t1,2\n",
    "r:\tmacro\n\tr\n\tendm\n",
    "\tr\n",
    "\trepeat\t3\n\tnop\n\tendr\n",
    "\trepeatl\t\\x,1,2,3\n\tdc.b\t\\x\n\tendr\n",
    "\tirp\t\\y,a,b\n\tendr\n",
    "\tinclude\t\"inc.s\"\n",
    "\tinclude\t\"t.s\"\n",
    "\tinclude\t\"nothere.s\"\n",
    "\tfail\t\"stop\"\n",
    "\tfail\t1/0\n",
    "\tlist\n",
    "\ttitle\t\"t\"\n",
    "\t.dline\t\"f:1-2\"\n",
    "\t.dfile\t\"f.c\"\n",
    "\t.source\t\"inc.s:1-2\"\n",
    "\tend\n",
    "; comment\n",
    "\t(\n",
    "\tldaa\t#((1+2)*3\n",
    "\tldaa\t#999\n",
    "\tdc.b\t\"unterminated\n",
    "))))((((\n",
    "\t\"\n",
    // NULs and control bytes in names, strings and messages
    std::string("\tinclude\t\"ab\0c.s\"\n", 17),
    "\tinclude\t\"\x1b[2J\r.s\"\n",
    "\tfail\t\"\x1b[31m red\r\x1a\"\n",
    std::string("\tfail\t\"nul\0inside\"\n", 19),
    "na\x01me:\tnop\n",
    "\t\x7f\x08op\n",
    "\tdc.b\t\"\x01\x02\x7f\"\n",
};

std::string repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Expressions nested 100,000 levels deep.
std::string deep_piece(std::mt19937& random) {
    const int n = 100000;
    switch (random() % 5) {
    case 0: return "\tldaa\t#" + repeat("(", n) + "1" + repeat(")", n) + "\n";
    case 1: return "\tldaa\t#" + repeat("-", n) + "1\n";
    case 2: return "\tdc.w\t" + repeat("~", n) + "1\n";
    case 3: return "\tdc.b\t" + repeat("high(", n) + "1" + repeat(")", n) + "\n";
    default: return "\tif\t" + repeat("!(", n) + "0\n\tendif\n";
    }
}

// The last line of the file includes the file itself, without a line end.
const char* const self_including_tails[] = {
    "\tinclude\t\"t.s\"",
    "\tinclude\t\"t.s\"\r",
    "\tinclude\t\"t.s\" ; and a comment",
    "s:\tmacro\n\tinclude\t\"t.s\"\n\tendm\n\ts",
};

void mutate(std::string& text, std::mt19937& random) {
    if (text.empty()) return;
    size_t at = random() % text.size();
    switch (random() % 6) {
    case 0: text[at] = static_cast<char>(random() & 0xFF); break;
    case 1: text.insert(at, 1, '\0'); break;
    case 2: text.insert(at, 1, static_cast<char>(random() & 0x1F)); break;
    case 3: text.erase(at, 1 + random() % 8); break;
    case 4: text.insert(at, text.substr(at, 1 + random() % 16)); break;
    case 5: text.insert(at, 1, "#(),\"'\\;:$%*<>"[random() % 14]); break;
    }
}

std::string random_source(std::mt19937& random) {
    std::string text;
    int count = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    if (random() % 50 == 0) text += deep_piece(random);
    int mutations = static_cast<int>(random() % 4);
    for (int i = 0; i < mutations; ++i) mutate(text, random);
    if (random() % 10 == 0) text += self_including_tails[random() % std::size(self_including_tails)];
#ifndef _WIN32
    if (random() % 150 == 0) text += "\tinclude\t\"/dev/zero\"\n";
#endif
    return text;
}

const std::regex error_line(
    R"(#error ccasm [^\x00-\x08\x0a-\x1f\x7f]*:([0-9]+\t|0 )[^\x00-\x08\x0a-\x1f\x7f]*)");

// Fewer cases under Wine, where every file operation is slow.
// VY_FUZZ_SEED and VY_FUZZ_CASES change the seed and the number of cases.
// Natively the cases run in four parts of one random stream, each part a
// test of its own, so that the parts run side by side; the fewer cases
// under Wine stay one part, large enough to reach both outcomes.
#ifdef _WIN32
constexpr int random_parts = 1;
#else
constexpr int random_parts = 4;
#endif
class RandomSources : public AsmTest, public ::testing::WithParamInterface<int> {};

TEST_P(RandomSources, EndWithOneLineDiagnostics) {
    std::mt19937 random(vytest::fuzzseed(11028));
    write("inc.s", "\tnop\n\tdc.b\t1\n");
    const int cases = vytest::fuzzcases(400, 100);
    const int first = cases * GetParam() / random_parts, end = cases * (GetParam() + 1) / random_parts;
    int failed = 0;
    for (int i = 0; i < end; ++i) {
        // Every case draws its numbers, so that a part's cases are those
        // of the whole stream.
        std::string source = random_source(random);
        ccasm::Options opt;
        opt.listing = random() % 4 == 0;
        opt.line_debug = random() % 4 == 0;
        opt.old_syntax = random() % 8 == 0;
#ifndef _WIN32
        const bool endless = random() % 300 == 0;
#else
        const bool endless = false;
#endif
        if (i < first) continue;
        AsmRun r;
#ifndef _WIN32
        if (endless) {
            vytest::EndlessFifo fifo((dir / "endless.s").string(), "\tnop\n\tdc.b\t1,2,3\n");
            r = assemble("\tinclude\t\"endless.s\"\n" + source, opt);
        } else
#endif
            r = assemble(source, opt);
        SCOPED_TRACE("case " + std::to_string(i) + ":\n" + vy::one_line(source.substr(0, 2000)));
        EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status;
        EXPECT_EQ(vytest::stray_lines(r.diagnostics, error_line), "");
        if (r.status == 1) {
            EXPECT_FALSE(r.has_object);
            ++failed;
        }
        if (HasFailure()) break;
    }
    // The generator must reach both outcomes, or the test proves little.
    EXPECT_GT(failed, (end - first) / 10);
    EXPECT_LT(failed, end - first);
}

INSTANTIATE_TEST_SUITE_P(Parts, RandomSources, ::testing::Range(0, random_parts));

}  // namespace
