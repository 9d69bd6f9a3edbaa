#include "ccopt/tests/sim_harness.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"
#include "ccopt/tests/opt_fixture.h"
#include "debugger/target/console_services.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace opttest {

namespace {

// What "macro.h11" gives the code generator: pshd, puld and sex (N and Z
// as for D, V clear, C kept).
const char* const macros =
    "pshd:\tmacro\n\tpshb\n\tpsha\n\tendm\n"
    "puld:\tmacro\n\tpula\n\tpulb\n\tendm\n"
    "sex:\tmacro\n\tldaa\t#0\n\torab\t#0\n\tbpl\t*+4\n\tldaa\t#255\n\tendm\n";

const unsigned CODE = 0x8000, STOP = 0x8003, STACK = 0x7f00;

std::filesystem::path workdir() {
    auto dir = std::filesystem::temp_directory_path() / ("ccopt-sim-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

std::string slurp(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct Live {
    bool a = true, b = true, y = true, flags = true;
};

Live live_at_end(std::string_view compact) {
    Live l;
    std::string s(compact);
    std::size_t rts = s.rfind("|rts");
    if (rts == std::string::npos) return l;
    std::string before = s.substr(0, rts);
    std::size_t bar = before.rfind('|');
    std::string hint = bar == std::string::npos ? before : before.substr(bar + 1);
    if (hint == "nod") l = {false, false, false, false};
    else if (hint == "noa") l = {false, true, false, false};
    else if (hint == "noy") l = {true, true, false, true};
    return l;
}

struct State {
    vy::RegImage regs;
    unsigned char mem[0x200];
};

// Runs the code from a state; false when it does not come back.
bool run(const Assembled& code, State& s, long& cycles) {
    // Fresh memory each run: what one run leaves beyond the compared area
    // must not reach the next.
    vy::memclose();
    vy::meminit();
    for (unsigned i = 0; i < 0x200; ++i) vy::wrbyte(static_cast<uint16_t>(i), s.mem[i]);
    for (std::size_t i = 0; i < code.bytes.size(); ++i)
        vy::wrbyte(static_cast<uint16_t>(code.start + i), static_cast<unsigned char>(code.bytes[i]));
    vy::regs = s.regs;
    vy::regs.pc = CODE;
    if (vy::timeptr) *vy::timeptr = 0;
    bool back = false;
    for (int n = 0; n < 20000; ++n) {
        if (vy::getpc() == STOP) {
            back = true;
            break;
        }
        if (vy::decinstr(vy::getpc(), vy::DEC_EXEC, nullptr) == vy::NOINSTR) break;
    }
    cycles = vy::timeptr ? static_cast<long>(*vy::timeptr) : 0;
    s.regs = vy::regs;
    for (unsigned i = 0; i < 0x200; ++i) s.mem[i] = vy::rdbyte(static_cast<uint16_t>(i));
    return back;
}

}  // namespace

std::string sim_program(std::string_view compact) {
    return "\tinclude\t\"macro.h11\"\n"
           "_a:\tequ\t64\n_b:\tequ\t65\n_c:\tequ\t66\n_p:\tequ\t67\n_q:\tequ\t68\n"
           "_x:\tequ\t70\n_y:\tequ\t71\n_z:\tequ\t72\n_u:\tequ\t74\n_v:\tequ\t76\n_w:\tequ\t78\n"
           "_big:\tequ\t384\n_far:\tequ\t416\n"
           "\tswitch\t.text\n\torg\t32768\n\tjsr\t_f\nstop:\n\tbra\tstop\n"
           // A function to call: it changes A, B, Y and the flags, and its
           // flags are not those of A.
           "_g:\n\tldy\t#496\n\tldab\t#128\n\tclra\n\ttstb\n\trts\n"
           "FL:\nFL:\n_f:\nFL:\n" +
           asm_lines(compact) + "FL:\n\tend\n";
}

Assembled assemble_text(const std::string& text) {
    auto dir = workdir();
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream("macro.h11", std::ios::binary) << macros;
    std::ofstream("t.s", std::ios::binary) << text;
    std::filesystem::remove("t.o");
    Assembled r;
    FILE* err = std::fopen("diag.txt", "w");
    {
        ccasm::Asm a;
        a.opt.abs = true;
        a.err = err;
        r.status = ccasm::assemble(a, {"t.s"});
    }
    std::fclose(err);
    r.diagnostics = slurp("diag.txt");
    objfile::Object obj;
    std::string error;
    if (r.status == 0 && objfile::read_file("t.o", obj, error)) {
        if (const objfile::Section* t = obj.find(".text")) {
            r.bytes.assign(t->data.begin(), t->data.end());
            r.start = t->start;
        }
    }
    std::filesystem::current_path(old);
    return r;
}

SimResult sim_compare(std::string_view compact, const ccopt::Options& options, unsigned seed, int trials) {
    SimResult res;
    ccopt::Options off = options;
    off.disable = all_rules;
    std::string program = sim_program(compact);
    std::string before_text = ccopt::optimize_text(program, off);
    std::string after_text = ccopt::optimize_text(program, options);
    Assembled before = assemble_text(before_text), after = assemble_text(after_text);
    if (before.status || !before.diagnostics.empty() || before.bytes.empty()) {
        res.runnable = false;
        res.message = "the original does not assemble: " + before.diagnostics;
        return res;
    }
    if (after.status || !after.diagnostics.empty()) {
        res.ok = false;
        res.message = "the optimised text does not assemble: " + after.diagnostics + "\n" + after_text;
        return res;
    }
    res.before_bytes = static_cast<int>(before.bytes.size());
    res.after_bytes = static_cast<int>(after.bytes.size());
    Live live = live_at_end(compact);

    vy::ConsoleServices console;
    console.capture = true;
    vy::setservices(&console);
    vy::meminit();
    std::mt19937 rng(seed);
    for (int t = 0; t < trials; ++t) {
        State s0;
        auto byte = [&] { return static_cast<unsigned char>(rng() & 0xff); };
        // Values that meet the boundaries of the flags now and then.
        static const unsigned char special[] = {0x00, 0x01, 0x7f, 0x80, 0xff, 0xfe};
        for (unsigned i = 0; i < 0x200; ++i) s0.mem[i] = (t % 3 == 1) ? special[rng() % 6] : byte();
        s0.regs.a = (t % 3 == 2) ? special[rng() % 6] : byte();
        s0.regs.b = (t % 3 == 2) ? special[rng() % 6] : byte();
        s0.regs.cc = static_cast<uint8_t>(0xd0 | (rng() & 0x0f));
        s0.regs.x = static_cast<uint16_t>(0x100 + rng() % 0xf0);
        s0.regs.y = static_cast<uint16_t>(0x100 + rng() % 0xf0);
        s0.regs.sp = STACK;
        State s1 = s0, s2 = s0;
        long c1 = 0, c2 = 0;
        if (!run(before, s1, c1)) continue;
        ++res.trials;
        if (!run(after, s2, c2)) {
            res.ok = false;
            res.message = "the optimised code does not come back";
            break;
        }
        res.before_cycles += c1;
        res.after_cycles += c2;
        std::string diff;
        auto check = [&](const char* what, unsigned x, unsigned y) {
            if (x != y) {
                char text[96];
                std::snprintf(text, sizeof text, "%s: 0x%x before, 0x%x after; ", what, x, y);
                diff += text;
            }
        };
        if (live.a) check("A", s1.regs.a, s2.regs.a);
        if (live.b) check("B", s1.regs.b, s2.regs.b);
        if (live.y) check("Y", s1.regs.y, s2.regs.y);
        if (live.flags) check("NZVC", s1.regs.cc & 0x0f, s2.regs.cc & 0x0f);
        check("X", s1.regs.x, s2.regs.x);
        check("SP", s1.regs.sp, s2.regs.sp);
        for (unsigned i = 0; i < 0x200; ++i) {
            if (s1.mem[i] != s2.mem[i]) {
                char what[32];
                std::snprintf(what, sizeof what, "memory 0x%04x", i);
                check(what, s1.mem[i], s2.mem[i]);
                break;
            }
        }
        if (!diff.empty()) {
            res.ok = false;
            res.message = "trial " + std::to_string(t) + ": " + diff + "\noptimised:\n" + after_text;
            break;
        }
    }
    vy::memclose();
    vy::setservices(nullptr);
    return res;
}

}  // namespace opttest
