// Expression code: the telling rows of the templates and the edge cases of
// the expression generator, calls and branches, each as the lines a small
// function compiles to.
#include <gtest/gtest.h>

#include <functional>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/ir_builder.h"

namespace {

using namespace vytest;

using Body = std::function<void(IrBuilder&)>;

// The code lines of a function `f` (no parameters, `frame` bytes of
// locals) whose body is `body`, between its entry and exit sequences;
// globals: g, h (int), c, d (char), u (unsigned char), l, m (long).
std::string code_of(const Body& body, int frame = 0, std::vector<std::string> options = {"-no"}) {
    IrBuilder b;
    b.file("t.c").line(1);
    b.function("f").body(1, 2).param_size(0);
    if (frame) b.frame(frame);
    body(b);
    b.ret().end_function();
    GenRun run = generate(b.bytes, options);
    EXPECT_EQ(run.status, 0) << run.errors;
    std::string text;
    bool in = false;
    for (const std::string& line : body_lines(run.asm_text)) {
        if (line.rfind("\t.dcall\t\"", 0) == 0 && line.find(",_f\"") != std::string::npos) {
            in = true;
            continue;
        }
        if (!in) continue;
        if (line == "\trts" || line == "\tpulx") break;
        text += line + "\n";
    }
    return text;
}

IrBuilder& g(IrBuilder& b) { return b.global(T_INT, "g"); }

TEST(Scratch, X) {
    std::string s = code_of([](IrBuilder& b) { b.expr().node(136, 10).global(10, "o").node(102, 10).constant(T_INT, 5); });
    std::printf("double const\n%s", s.c_str());
    s = code_of([](IrBuilder& b) { b.expr().node(136, T_INT).global(T_INT, "o").node(90, T_INT).global(9, "f"); });
    std::printf("not float\n%s", s.c_str());
}

}  // namespace
