// Random functions through the optimiser: every one must assemble after
// optimisation and compute the same in the simulator; damaged assembly
// text must never crash it. VY_FUZZ_CASES sets the number of programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ccopt/tests/opt_fixture.h"
#include "ccopt/tests/sim_harness.h"
#include "ccparse/toolkit/toolkit.h"
#include "support/tests/fuzz_budget.h"

namespace {

// A random function body in the compact form: straight code, forward
// branches, a loop now and then (also at the function's entry), calls,
// balanced pushes, and a return hint.
std::string random_body(std::mt19937& rng) {
    auto pick = [&](std::initializer_list<const char*> l) { return *(l.begin() + rng() % l.size()); };
    auto mem = [&] { return std::string(pick({"_a", "_b", "_c", "_p", "_x", "_y", "_z", "_w+1", "0,x", "1,x", "2,y", "_big"})); };
    auto word = [&] { return std::string(pick({"_u", "_v", "_w", "_w+1", "0,x", "2,y", "_far"})); };
    auto imm = [&] { return "#" + std::to_string(static_cast<int>(rng() % 258) - 2); };
    auto src = [&] { return rng() % 3 ? mem() : imm(); };
    int n = 4 + static_cast<int>(rng() % 24);
    int labels = 0, pending = 0;
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        switch (rng() % 33) {
        case 0: out.push_back(std::string(pick({"ldaa ", "ldab "})) + src()); break;
        case 1: out.push_back("ldd " + (rng() % 2 ? word() : "#" + std::to_string(rng() % 70000 % 65536))); break;
        case 2: out.push_back(std::string(pick({"staa ", "stab "})) + mem()); break;
        case 3: out.push_back("std " + word()); break;
        case 4: out.push_back(std::string(pick({"adda ", "addb ", "suba ", "subb ", "anda ", "andb ", "oraa ", "orab ", "eora ", "eorb ", "adca ", "sbcb ", "cmpa ", "cmpb ", "bita ", "bitb "})) + src()); break;
        case 5: out.push_back(std::string(pick({"addd ", "subd ", "cpd "})) + (rng() % 2 ? word() : imm())); break;
        case 6: out.push_back(pick({"clra", "clrb", "tsta", "tstb", "tab", "tba", "inca", "decb", "nega", "comb", "lsra", "lsrb", "asla", "aslb", "rola", "rorb", "asra", "lsld", "aba", "sex", "iny", "dey", "abx", "aby", "pshy|xgdy|std _v|xgdy|puly"})); break;
        case 7: out.push_back(std::string(pick({"inc ", "dec ", "clr ", "tst ", "com ", "neg ", "lsr ", "asl ", "rol "})) + mem()); break;
        case 8: out.push_back(std::string(pick({"bset ", "bclr "})) + pick({"_x", "_y", "0,x"}) + ",#" + std::to_string(rng() % 256)); break;
        case 9: out.push_back(std::string(pick({"sty ", "stx "})) + pick({"_u", "_v", "_w"})); break;  // X and Y stay pointers
        case 10: out.push_back(std::string("cmpa ") + pick({"#0", "#1", "#255", "_x"})); break;
        case 11:
        case 12: {
            const char* b = pick({"jbeq", "jbne", "jbcs", "jbcc", "jbmi", "jbpl", "jbvs", "jbge", "jblt", "jbgt", "jble", "jbhi", "jbls", "jbr"});
            out.push_back(std::string(b) + " M" + std::to_string(labels + static_cast<int>(rng() % 2)));
            ++pending;
            break;
        }
        case 13:
            if (pending) {
                out.push_back("M" + std::to_string(labels++) + ":");
                pending = 0;
            }
            break;
        case 14: {  // a push, some code, the pull
            const char* r = pick({"x", "y", "d"});
            out.push_back(std::string("psh") + r);
            out.push_back(std::string(pick({"ldaa ", "ldab ", "adda "})) + src());
            out.push_back(std::string("pul") + r);
            break;
        }
        case 15: out.push_back(std::string(pick({"ins", "des"})) == "ins" ? "pshx" : "pshy"), out.push_back("ins"), out.push_back("ins"); break;
        case 16: out.push_back(std::string("ldab ") + pick({"_p", "_x", "_big"})), out.push_back(std::string("andb #") + pick({"1", "4", "6", "128", "255", "0"})), out.push_back(std::string(pick({"jbeq", "jbne"})) + " M" + std::to_string(labels)), ++pending; break;
        case 17: out.push_back("inc _w+1"), out.push_back("jbne M" + std::to_string(labels)), out.push_back("inc _w"), out.push_back("M" + std::to_string(labels++) + ":"); pending = 0; break;
        case 18: {  // a short counted loop; at the entry it counts what B holds
            std::string l = "Q" + std::to_string(i);
            if (!out.empty()) out.push_back("ldab #" + std::to_string(1 + rng() % 4));
            out.push_back(l + ":");
            out.push_back(std::string(pick({"ldaa _x", "adda _y", "inc _c", "ldaa _z"})));
            out.push_back(std::string(pick({"staa _c", "staa _z", "tsta", "nop"})));
            out.push_back("decb");
            out.push_back("jbne " + l);
            break;
        }
        case 19: out.push_back(std::string(pick({"", "noa|", "nod|"})) + "jsr _g"); break;
        case 20:  // Y stays a pointer
            out.push_back(pick({"iny|sty _w|dey", "iny|sty 0,x|dey", "ldd _w|xgdy|sty _u|xgdy", "xgdy|xgdy",
                                "pshy|ldy _w|sty _v|ldy _v|iny|sty _w|dey|sty _u|puly", "ldd _w|std _v|ldd #1|std _u|ldy #400"}));
            break;
        case 21:
            out.push_back(std::string(pick({"tst _y|jbmi M", "tst _w|jbpl M", "ldab _y|rolb|rolb|andb #1|lslb|jbne M", "lsrb|andb #3|lslb|jbeq M"})) + std::to_string(labels));
            out.push_back(pick({"ldd _y", "ldd _w", "ldd _v", "stab _x"}));
            ++pending;
            break;
        default: out.push_back(std::string(pick({"ldaa ", "ldab ", "staa ", "stab ", "adda ", "ldd ", "std "})) + (rng() % 2 ? mem() : word())); break;
        }
    }
    for (int l = labels; l < labels + 2; ++l) out.push_back("M" + std::to_string(l) + ":");
    out.push_back(pick({"nod", "noa", "noy", "nop"}));
    out.push_back("rts");
    std::string body;
    for (const std::string& s : out) body += (body.empty() ? "" : "|") + s;
    // Immediates and stores on "#": an immediate store is no instruction.
    std::string fixed;
    for (std::size_t p = 0; p < body.size();) {
        std::size_t e = body.find('|', p);
        if (e == std::string::npos) e = body.size();
        std::string piece = body.substr(p, e - p);
        p = e + 1;
        if ((piece.rfind("sta", 0) == 0 || piece.rfind("std", 0) == 0 || piece.rfind("st", 0) == 0 ||
             piece.rfind("inc", 0) == 0 || piece.rfind("clr", 0) == 0) && piece.find('#') != std::string::npos)
            piece = "nop";
        fixed += (fixed.empty() ? "" : "|") + piece;
    }
    return fixed;
}

TEST(Fuzz, RandomFunctionsKeepTheirMeaning) {
    std::mt19937 rng(vytest::fuzzseed(20261210u));
    int programs = vytest::fuzzcases(300, 60);
    int ran = 0;
    for (int i = 0; i < programs; ++i) {
        std::string body = random_body(rng);
        opttest::SimResult r = opttest::sim_compare(body, {}, static_cast<unsigned>(i), 12);
        ASSERT_TRUE(r.ok) << "program " << i << ": " << body << "\n" << r.message;
        ASSERT_TRUE(r.runnable) << body << "\n" << r.message;
        if (r.trials) ++ran;
    }
    EXPECT_GT(ran, programs / 2);
}

// Damaged text: random bytes, cut lines, labels and branches that lead
// nowhere. The optimiser ends normally or with its fatal message.
TEST(Fuzz, DamagedTextNeverCrashes) {
    std::mt19937 rng(vytest::fuzzseed(77));
    static std::string errors;
    vy::ExitHook old = vy::set_exit_hook([](int status) { throw vy::ToolExit{status}; });
    vy::ErrorWriter old_writer = vy::set_error_writer([](std::string_view t) { errors += t; });
    int programs = vytest::fuzzcases(400, 80);
    for (int i = 0; i < programs; ++i) {
        std::string text = opttest::sim_program(random_body(rng));
        int damage = 1 + static_cast<int>(rng() % 8);
        for (int d = 0; d < damage && !text.empty(); ++d) {
            std::size_t at = rng() % text.size();
            switch (rng() % 5) {
            case 0: text[at] = static_cast<char>(rng() % 256); break;
            case 1: text.erase(at, rng() % 20); break;
            case 2: text.insert(at, std::string(1 + rng() % 4, static_cast<char>("\n:|,#;\t L"[rng() % 9]))); break;
            case 3: text.insert(at, "\tjbne\tnowhere\n"); break;
            default: text.insert(at, "FL:\nYTOX:\nVL:\n"); break;
            }
        }
        errors.clear();
        try {
            ccopt::optimize_text(text, {});
        } catch (const vy::ToolExit& e) {
            EXPECT_EQ(e.status, 1);
            EXPECT_TRUE(errors.find(": bad branch to label ") != std::string::npos || errors.ends_with(": EOF\n"))
                << errors;
            EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
        }
    }
    vy::set_exit_hook(old);
    vy::set_error_writer(old_writer);
}

}  // namespace
