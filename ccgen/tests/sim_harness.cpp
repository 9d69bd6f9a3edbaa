#include "ccgen/tests/sim_harness.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "ccasm/asm.h"
#include "ccasm/tools/objfile.h"
#include "ccparse/tests/front_harness.h"
#include "debugger/target/console_services.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "outside/lomar/linker.h"

namespace vytest {

namespace fs = std::filesystem;

const std::vector<std::string>& runtime_routine_names() {
    static const std::vector<std::string> names = {
        "c_bfget",  "c_bfput",  "c_check",  "c_dadd",   "c_dcmp",   "c_ddiv",   "c_dmul",   "c_dmula",  "c_dneg",
        "c_dsub",   "c_dtod",   "c_dtof",   "c_dtoi",   "c_dtol",   "c_dtos",   "c_eewbfb", "c_eewbfd", "c_eewbfx",
        "c_eewrc",  "c_eewrd",  "c_eewrl",  "c_eewrw",  "c_eewstr", "c_entl",   "c_ents",   "c_fadd",   "c_fcmp",
        "c_fdiv",   "c_fgadd",  "c_fgdiv",  "c_fgmul",  "c_fgmula", "c_fgsub",  "c_fmul",   "c_fmula",  "c_fneg",
        "c_fsub",   "c_ftod",   "c_ftoi",   "c_ftol",   "c_idiv",   "c_idiva",  "c_idivb",  "c_ilsh",   "c_imod",
        "c_imoda",  "c_imul",   "c_imul10", "c_imula",  "c_imulb",  "c_irsh",   "c_itod",   "c_itof",   "c_itol",
        "c_jctab",  "c_jltab",  "c_jtab",   "c_kenll",  "c_kenls",  "c_kenlt",  "c_kenst",  "c_kentl",  "c_kents",
        "c_ladd",   "c_land",   "c_lcmp",   "c_ldiv",   "c_ldiva",  "c_lgadd",  "c_lgand",  "c_lgdiv",  "c_lgdiva",
        "c_lglsh",  "c_lgmod",  "c_lgmoda", "c_lgmul",  "c_lgmula", "c_lgor",   "c_lgrsh",  "c_lgsub",  "c_lgudv",
        "c_lgudva", "c_lgumd",  "c_lgumda", "c_lgursh", "c_lgxor",  "c_llsh",   "c_lmod",   "c_lmoda",  "c_lmul",
        "c_lmula",  "c_lneg",   "c_lor",    "c_lrsh",   "c_lrzmp",  "c_lsub",   "c_ltod",   "c_ltof",   "c_ludv",
        "c_ludva",  "c_lumd",   "c_lumda",  "c_lursh",  "c_lxor",   "c_lzmp",   "c_movstb", "c_movstw", "c_mspl",
        "c_mspo",   "c_msps",   "c_slmla",  "c_uitod",  "c_uitof",  "c_ulcmp",  "c_ulmla",  "c_ultod",  "c_ultof",
        "c_ursh",   "c_wcalc",  "c_wcalk",  "c_wcslc",  "c_wcslk",  "c_wsavc",  "c_wsavk",  "c_wssvc",  "c_wssvk",
    };
    return names;
}

std::vector<std::uint8_t> SimRun::bytes(const std::string& symbol, int count) const {
    std::vector<std::uint8_t> out;
    auto it = symbols.find(symbol);
    if (it == symbols.end() || memory.size() < 0x10000) return out;
    for (int i = 0; i < count; ++i) out.push_back(memory[(it->second + static_cast<std::uint32_t>(i)) & 0xFFFF]);
    return out;
}

namespace {

// ------------------------------------------------------------ the model

using vy::getreg;
using vy::setreg;

std::uint16_t rw(std::uint16_t a) { return vy::rdword(a); }
void ww(std::uint16_t a, std::uint16_t v) { vy::wrword(a, v); }
std::uint32_t rl(std::uint16_t a) {
    return static_cast<std::uint32_t>(rw(a)) << 16 | rw(static_cast<std::uint16_t>(a + 2));
}
void wl(std::uint16_t a, std::uint32_t v) {
    ww(a, static_cast<std::uint16_t>(v >> 16));
    ww(static_cast<std::uint16_t>(a + 2), static_cast<std::uint16_t>(v));
}
double rd(std::uint16_t a) {
    std::uint64_t u = static_cast<std::uint64_t>(rl(a)) << 32 | rl(static_cast<std::uint16_t>(a + 4));
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}
void wd(std::uint16_t a, double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    wl(a, static_cast<std::uint32_t>(u >> 32));
    wl(static_cast<std::uint16_t>(a + 4), static_cast<std::uint32_t>(u));
}
float as_float(std::uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

struct Call {
    std::uint16_t ret;   // the return address: the inline operands
    std::uint16_t sp;    // SP inside the routine (the return address above it)
    int inline_bytes = 0;
    bool jumped = false;  // the routine set the PC itself

    std::uint16_t x() const { return static_cast<std::uint16_t>(getreg(vy::REG_X)); }
    std::uint16_t y() const { return static_cast<std::uint16_t>(getreg(vy::REG_Y)); }
    std::uint16_t d() const { return static_cast<std::uint16_t>(getreg(vy::REG_D)); }
    std::uint8_t b() const { return static_cast<std::uint8_t>(getreg(vy::REG_B)); }
    void set_d(std::uint32_t v) { setreg(vy::REG_D, v & 0xFFFF); }
    void set_y(std::uint32_t v) { setreg(vy::REG_Y, v & 0xFFFF); }
    std::uint32_t lr() const { return static_cast<std::uint32_t>(rw(static_cast<std::uint16_t>(x() + 2))) << 16 | d(); }
    void set_lr(std::uint32_t v) {
        ww(static_cast<std::uint16_t>(x() + 2), static_cast<std::uint16_t>(v >> 16));
        set_d(v);
    }
    std::uint8_t op8() {
        inline_bytes = 1;
        return vy::rdbyte(ret);
    }
    std::uint16_t op16() {
        inline_bytes = 2;
        return rw(ret);
    }
    void jump(std::uint16_t to) {
        setreg(vy::REG_PC, to);
        jumped = true;
    }
    // Flags of a compare: Z when equal, N xor V when less (signed), C when
    // less (unsigned).
    void compare_flags(bool equal, bool less_signed, bool less_unsigned) {
        std::uint8_t cc = static_cast<std::uint8_t>(getreg(vy::REG_CCR)) & ~(vy::CC_N | vy::CC_Z | vy::CC_V | vy::CC_C);
        if (equal) cc |= vy::CC_Z;
        if (less_signed) cc |= vy::CC_N;
        if (less_unsigned) cc |= vy::CC_C;
        setreg(vy::REG_CCR, cc);
    }
};

std::int32_t sdiv(std::int32_t a, std::int32_t b, int bits_) {
    if (b == 0) return 0;
    std::int64_t min = -(1ll << (bits_ - 1));
    if (a == min && b == -1) return a;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) / b);
}
std::int32_t smod(std::int32_t a, std::int32_t b, int bits_) {
    if (b == 0) return a;
    std::int64_t min = -(1ll << (bits_ - 1));
    if (a == min && b == -1) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) % b);
}

std::int16_t s16(std::uint32_t v) { return static_cast<std::int16_t>(v); }
std::int32_t s32(std::uint32_t v) { return static_cast<std::int32_t>(v); }

std::uint32_t lshift(std::uint32_t v, unsigned n, int width) { return n >= static_cast<unsigned>(width) ? 0 : v << n; }
std::uint32_t rshift(std::uint32_t v, unsigned n, int width, bool arith) {
    std::uint32_t mask = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    v &= mask;
    bool negative = arith && (v >> (width - 1)) & 1;
    if (n >= static_cast<unsigned>(width)) return negative ? mask : 0;
    std::uint32_t r = v >> n;
    if (negative && n) r |= mask & ~(mask >> n);
    return r;
}

std::int16_t to_int16(double v) {
    if (v >= 32767) return 32767;
    if (v <= -32768) return -32768;
    return static_cast<std::int16_t>(v);
}
// c_ftol and c_dtol: long and unsigned long alike, -2^31 .. 2^32 - 1.
std::int32_t to_int32(double v) {
    if (v >= 4294967295.0) return -1;
    if (v <= -2147483648.0) return static_cast<std::int32_t>(0x80000000u);
    if (v >= 0) return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return static_cast<std::int32_t>(v);
}

// The frame an entry routine builds (docs/abi.md 6.1).
void enter(Call& c, int r, bool word) {
    int n = word ? c.op16() : c.op8();
    std::uint16_t se = static_cast<std::uint16_t>(c.sp + 2);  // SP at the function's entry
    std::uint16_t f = static_cast<std::uint16_t>(se - 1 - r);
    ww(static_cast<std::uint16_t>(se - 1), c.x());
    if (r == 1) vy::wrbyte(f, c.b());
    if (r == 2) ww(f, c.d());
    if (r == 4) {
        ww(f, rw(static_cast<std::uint16_t>(c.x() + 2)));
        ww(static_cast<std::uint16_t>(f + 2), c.d());
    }
    std::uint16_t link = static_cast<std::uint16_t>(f - (n - 2) - 2);
    ww(link, static_cast<std::uint16_t>(se - 2));
    setreg(vy::REG_X, link);
    setreg(vy::REG_SP, static_cast<std::uint16_t>(link - 1));
    c.jump(static_cast<std::uint16_t>(c.ret + (word ? 2 : 1)));
}

// A table dispatch of c_jtab (wide = false) and c_jltab.
void dispatch(Call& c, std::uint32_t value, bool wide) {
    std::uint16_t p = c.op16();
    int vsize = wide ? 4 : 2;
    std::uint32_t mask = wide ? 0xFFFFFFFFu : 0xFFFFu;
    for (;;) {
        std::uint16_t span = rw(p);
        if (span == 0) break;
        std::uint32_t first = wide ? rl(static_cast<std::uint16_t>(p + 2)) : rw(static_cast<std::uint16_t>(p + 2));
        std::uint32_t k = (value - first) & mask;
        std::uint16_t labels = static_cast<std::uint16_t>(p + 2 + vsize);
        if (k < span) {
            c.jump(rw(static_cast<std::uint16_t>(labels + 2 * k)));
            return;
        }
        p = static_cast<std::uint16_t>(labels + 2 * span);
    }
    std::uint16_t n = rw(static_cast<std::uint16_t>(p + 2));
    std::uint16_t q = static_cast<std::uint16_t>(p + 4);
    for (std::uint16_t i = 0; i < n; ++i, q = static_cast<std::uint16_t>(q + 2 + vsize)) {
        std::uint32_t v = wide ? rl(static_cast<std::uint16_t>(q + 2)) : rw(static_cast<std::uint16_t>(q + 2));
        if ((v & mask) == (value & mask)) {
            c.jump(rw(q));
            return;
        }
    }
    c.jump(rw(q));
}

using Model = std::function<void(Call&)>;

std::uint32_t long_op(char op, std::uint32_t a, std::uint32_t b) {
    switch (op) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': return a * b;
    case '&': return a & b;
    case '|': return a | b;
    case '^': return a ^ b;
    case '/': return static_cast<std::uint32_t>(sdiv(s32(a), s32(b), 32));
    case '%': return static_cast<std::uint32_t>(smod(s32(a), s32(b), 32));
    case 'u': return b ? a / b : 0xFFFFFFFFu;
    case 'm': return b ? a % b : a;
    default: return 0;
    }
}

float float_op(char op, float a, float b) {
    switch (op) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': return a * b;
    default: return a / b;
    }
}

std::map<std::string, Model> models() {
    std::map<std::string, Model> m;
    // frames and the stack
    m["c_ents"] = [](Call& c) { enter(c, 0, false); };
    m["c_entl"] = [](Call& c) { enter(c, 0, true); };
    m["c_kenst"] = [](Call& c) { enter(c, 1, false); };
    m["c_kenlt"] = [](Call& c) { enter(c, 1, true); };
    m["c_kents"] = [](Call& c) { enter(c, 2, false); };
    m["c_kentl"] = [](Call& c) { enter(c, 2, true); };
    m["c_kenls"] = [](Call& c) { enter(c, 4, false); };
    m["c_kenll"] = [](Call& c) { enter(c, 4, true); };
    m["c_check"] = [](Call&) {};
    m["c_msps"] = [](Call& c) {
        int n = c.op8();
        setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2 + n));
        c.jump(static_cast<std::uint16_t>(c.ret + 1));
    };
    m["c_mspl"] = [](Call& c) {
        int n = c.op16();
        setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2 + n));
        c.jump(static_cast<std::uint16_t>(c.ret + 2));
    };
    m["c_mspo"] = [](Call& c) {
        int n = static_cast<std::int16_t>(c.op16());
        setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + n));
        c.jump(static_cast<std::uint16_t>(c.ret + 2));
    };
    // switch dispatch
    m["c_jctab"] = [](Call& c) {
        setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2));
        c.jump(rw(static_cast<std::uint16_t>(c.ret + 2 * c.b())));
    };
    m["c_jtab"] = [](Call& c) {
        setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2));
        dispatch(c, c.d(), false);
    };
    m["c_jltab"] = [](Call& c) {
        setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2));
        dispatch(c, c.lr(), true);
    };
    // far calls: one page, so the call is a plain one
    for (const char* n : {"c_wsavc", "c_wsavk"})
        m[n] = [k = n[6] == 'k'](Call& c) {
            std::uint16_t ret = c.ret;
            setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2 - (k ? 5 : 6)));
            c.jump(ret);
        };
    for (const char* n : {"c_wssvc", "c_wssvk"}) m[n] = [](Call&) {};
    for (const char* n : {"c_wcalc", "c_wcalk", "c_wcslc", "c_wcslk"})
        m[n] = [](Call& c) { c.jump(rw(static_cast<std::uint16_t>(c.y() + 2))); };
    // integers
    for (const char* n : {"c_imul", "c_imula"}) m[n] = [](Call& c) { c.set_d(static_cast<std::uint32_t>(c.d()) * c.y()); };
    m["c_imul10"] = [](Call& c) { c.set_d(c.d() * 10u); };
    m["c_imulb"] = [](Call& c) { c.set_d(static_cast<std::uint32_t>(s16(c.d()) * static_cast<std::int8_t>(c.op8()))); };
    for (const char* n : {"c_idiv", "c_idiva"})
        m[n] = [](Call& c) { c.set_d(static_cast<std::uint32_t>(sdiv(s16(c.d()), s16(c.y()), 16))); };
    for (const char* n : {"c_imod", "c_imoda"})
        m[n] = [](Call& c) { c.set_d(static_cast<std::uint32_t>(smod(s16(c.d()), s16(c.y()), 16))); };
    m["c_idivb"] = [](Call& c) {
        std::int8_t k = static_cast<std::int8_t>(c.op8());
        std::int32_t q = sdiv(s16(c.d()), k, 16), r = smod(s16(c.d()), k, 16);
        setreg(vy::REG_B, static_cast<std::uint32_t>(q) & 0xFF);
        setreg(vy::REG_A, static_cast<std::uint32_t>(r) & 0xFF);
    };
    m["c_ilsh"] = [](Call& c) { c.set_d(lshift(c.d(), c.y(), 16)); };
    m["c_irsh"] = [](Call& c) { c.set_d(rshift(c.d(), c.y(), 16, true)); };
    m["c_ursh"] = [](Call& c) { c.set_d(rshift(c.d(), c.y(), 16, false)); };
    m["c_slmla"] = [](Call& c) { c.set_lr(static_cast<std::uint32_t>(s16(c.d()) * s16(c.y()))); };
    m["c_ulmla"] = [](Call& c) { c.set_lr(static_cast<std::uint32_t>(c.d()) * c.y()); };
    m["c_itol"] = [](Call& c) { c.set_lr(static_cast<std::uint32_t>(static_cast<std::int32_t>(s16(c.d())))); };
    // longs: LR op M[Y], and the g forms M[Y] op LR
    const std::pair<const char*, char> lops[] = {{"add", '+'}, {"sub", '-'}, {"mul", '*'}, {"mula", '*'}, {"and", '&'},
                                                 {"or", '|'},  {"xor", '^'}, {"div", '/'}, {"diva", '/'}, {"mod", '%'},
                                                 {"moda", '%'}, {"udv", 'u'}, {"udva", 'u'}, {"umd", 'm'}, {"umda", 'm'}};
    for (const auto& [name, op] : lops) {
        m[std::string("c_l") + name] = [op = op](Call& c) { c.set_lr(long_op(op, c.lr(), rl(c.y()))); };
        m[std::string("c_lg") + name] = [op = op](Call& c) { wl(c.y(), long_op(op, rl(c.y()), c.lr())); };
    }
    m["c_llsh"] = [](Call& c) { c.set_lr(lshift(c.lr(), c.y(), 32)); };
    m["c_lrsh"] = [](Call& c) { c.set_lr(rshift(c.lr(), c.y(), 32, true)); };
    m["c_lursh"] = [](Call& c) { c.set_lr(rshift(c.lr(), c.y(), 32, false)); };
    m["c_lglsh"] = [](Call& c) { wl(c.y(), lshift(rl(c.y()), c.b(), 32)); };
    m["c_lgrsh"] = [](Call& c) { wl(c.y(), rshift(rl(c.y()), c.b(), 32, true)); };
    m["c_lgursh"] = [](Call& c) { wl(c.y(), rshift(rl(c.y()), c.b(), 32, false)); };
    m["c_lneg"] = [](Call& c) { c.set_lr(0u - c.lr()); };
    m["c_lcmp"] = [](Call& c) {
        std::uint32_t a = c.lr(), b = rl(c.y());
        c.compare_flags(a == b, s32(a) < s32(b), a < b);
    };
    m["c_ulcmp"] = [](Call& c) {
        std::uint32_t a = c.lr(), b = rl(c.y());
        c.compare_flags(a == b, s32(a) < s32(b), a < b);
    };
    m["c_lzmp"] = [](Call& c) {
        std::uint32_t a = rl(c.y());
        c.compare_flags(a == 0, s32(a) < 0, false);
    };
    m["c_lrzmp"] = [](Call& c) {
        std::uint32_t a = c.lr();
        c.compare_flags(a == 0, s32(a) < 0, false);
    };
    // floats in the long register, doubles in memory
    const std::pair<const char*, char> fops[] = {{"add", '+'}, {"sub", '-'}, {"mul", '*'}, {"mula", '*'}, {"div", '/'}};
    for (const auto& [name, op] : fops) {
        m[std::string("c_f") + name] = [op = op](Call& c) {
            c.set_lr(bits(float_op(op, as_float(c.lr()), as_float(rl(c.y())))));
        };
        m[std::string("c_fg") + name] = [op = op](Call& c) {
            wl(c.y(), bits(float_op(op, as_float(rl(c.y())), as_float(c.lr()))));
        };
    }
    m["c_fneg"] = [](Call& c) { c.set_lr(c.lr() ^ 0x80000000u); };
    m["c_fcmp"] = [](Call& c) {
        float a = as_float(c.lr()), b = as_float(rl(c.y()));
        c.compare_flags(a == b, a < b, a < b);
    };
    const std::pair<const char*, char> dops[] = {{"add", '+'}, {"sub", '-'}, {"mul", '*'}, {"mula", '*'}, {"div", '/'}};
    for (const auto& [name, op] : dops)
        m[std::string("c_d") + name] = [op = op](Call& c) {
            double a = rd(c.y()), b = rd(c.d());
            wd(c.y(), op == '+' ? a + b : op == '-' ? a - b : op == '*' ? a * b : a / b);
        };
    m["c_dneg"] = [](Call& c) { wd(c.y(), -rd(c.y())); };
    m["c_dcmp"] = [](Call& c) {
        double a = rd(c.y()), b = rd(c.d());
        c.compare_flags(a == b, a < b, a < b);
    };
    // conversions
    m["c_itof"] = [](Call& c) { c.set_lr(bits(static_cast<float>(s16(c.d())))); };
    m["c_uitof"] = [](Call& c) { c.set_lr(bits(static_cast<float>(c.d()))); };
    m["c_ltof"] = [](Call& c) { c.set_lr(bits(static_cast<float>(s32(c.lr())))); };
    m["c_ultof"] = [](Call& c) { c.set_lr(bits(static_cast<float>(c.lr()))); };
    m["c_ftoi"] = [](Call& c) { c.set_d(static_cast<std::uint16_t>(to_int16(as_float(c.lr())))); };
    m["c_ftol"] = [](Call& c) { c.set_lr(static_cast<std::uint32_t>(to_int32(as_float(c.lr())))); };
    m["c_itod"] = [](Call& c) { wd(c.y(), s16(c.d())); };
    m["c_uitod"] = [](Call& c) { wd(c.y(), c.d()); };
    m["c_ltod"] = [](Call& c) { wd(c.y(), s32(c.lr())); };
    m["c_ultod"] = [](Call& c) { wd(c.y(), c.lr()); };
    m["c_ftod"] = [](Call& c) { wd(c.y(), as_float(c.lr())); };
    m["c_dtoi"] = [](Call& c) { c.set_d(static_cast<std::uint16_t>(to_int16(rd(c.y())))); };
    m["c_dtol"] = [](Call& c) { c.set_lr(static_cast<std::uint32_t>(to_int32(rd(c.y())))); };
    m["c_dtof"] = [](Call& c) { c.set_lr(bits(static_cast<float>(rd(c.y())))); };
    m["c_dtod"] = [](Call& c) { wd(c.y(), rd(c.d())); };
    m["c_dtos"] = [](Call& c) {
        double v = rd(c.y());
        std::uint16_t sp = static_cast<std::uint16_t>(c.sp + 2 - 8);
        std::uint16_t ret = c.ret;
        wd(static_cast<std::uint16_t>(sp + 1), v);
        setreg(vy::REG_SP, sp);
        c.jump(ret);
    };
    // bit-fields
    m["c_bfget"] = [](Call& c) {
        std::uint16_t desc = c.op16();
        int off = desc >> 8, w = desc & 0xFF;
        std::uint32_t mask = w >= 32 ? 0xFFFFFFFFu : (1u << w) - 1;
        c.set_lr((c.lr() >> off) & mask);
    };
    m["c_bfput"] = [](Call& c) {
        std::uint16_t desc = c.op16();
        int off = desc >> 8, w = desc & 0xFF;
        std::uint32_t mask = (w >= 32 ? 0xFFFFFFFFu : (1u << w) - 1) << off;
        wl(c.y(), (rl(c.y()) & ~mask) | ((c.lr() << off) & mask));
    };
    // EEPROM: plain memory here
    m["c_eewrc"] = [](Call& c) { vy::wrbyte(c.y(), c.b()); };
    m["c_eewrw"] = [](Call& c) { ww(c.y(), c.d()); };
    m["c_eewrl"] = [](Call& c) { wl(c.y(), c.lr()); };
    m["c_eewrd"] = [](Call& c) { wd(c.y(), rd(static_cast<std::uint16_t>(c.sp + 3))); };
    m["c_eewbfb"] = [](Call& c) {
        std::uint8_t mask = c.op8();
        vy::wrbyte(c.y(), static_cast<std::uint8_t>((vy::rdbyte(c.y()) & ~mask) | (c.b() & mask)));
    };
    m["c_eewbfd"] = [](Call& c) {
        std::uint16_t mask = c.op16();
        ww(c.y(), static_cast<std::uint16_t>((rw(c.y()) & ~mask) | (c.d() & mask)));
    };
    m["c_eewbfx"] = m["c_bfput"];
    // block moves
    auto move = [](Call& c, int n) {
        for (int i = 0; i < n; ++i)
            vy::wrbyte(static_cast<std::uint16_t>(c.y() + i), vy::rdbyte(static_cast<std::uint16_t>(c.d() + i)));
    };
    m["c_movstb"] = [move](Call& c) { move(c, c.op8()); };
    m["c_movstw"] = [move](Call& c) { move(c, c.op16()); };
    m["c_eewstr"] = [move](Call& c) { move(c, c.op16()); };
    return m;
}

// The stand-in library: each routine a label of its own, and c_lreg.
std::string stub_library() {
    std::string s = "\tswitch\t.text\n";
    for (const std::string& n : runtime_routine_names()) s += "\txdef\t" + n + "\n" + n + ":\n\tnop\n";
    s += "\tswitch\t.bss\n\txdef\tc_lreg\nc_lreg:\n\tds.b\t2\n\tend\n";
    return s;
}

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool assemble_file(const std::string& name, std::string& error) {
    FILE* err = std::fopen("asm-errors.txt", "w");
    int status;
    {
        ccasm::Asm a;
        a.opt.include_dirs.push_back(std::string(VY_SOURCE_DIR) + "/outside/include");
        a.err = err;
        status = ccasm::assemble(a, {name});
    }
    std::fclose(err);
    if (status != 0) error = name + ": " + read_file("asm-errors.txt");
    return status == 0;
}

}  // namespace

SimRun simulate(const std::string& asm_text, std::uint64_t step_bound) {
    SimRun run;
    TempDir dir;
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    std::ofstream("t.s") << asm_text;
    std::ofstream("rt.s") << stub_library();
    std::ofstream("start11.s") << read_file(std::string(VY_SOURCE_DIR) + "/outside/startup/start11.s");
    std::string lkf = read_file(std::string(VY_SOURCE_DIR) + "/outside/startup/cc11.lkf") + "start11.o\nt.o\nrt.o\n";
    std::vector<std::uint8_t> program;
    if (assemble_file("start11.s", run.error) && assemble_file("t.s", run.error) && assemble_file("rt.s", run.error)) {
        lomar::Diagnostics diag("lomar");
        lomar::LinkScript script;
        lomar::LinkResult result;
        if (lomar::parse_link_script("t.lkf", lkf, script, diag)) result = lomar::link(script, {}, diag);
        if (diag.count())
            run.error = diag.text();
        else
            program = result.program;
    }
    fs::current_path(previous);
    if (program.empty()) return run;

    objfile::Object obj;
    std::string error;
    if (!objfile::read(program, obj, error)) {
        run.error = error;
        return run;
    }
    for (const objfile::Symbol& s : obj.symbols) run.symbols[s.name] = s.value;
    vy::ConsoleServices console;
    console.capture = true;
    vy::setservices(&console);
    vy::meminit();
    vy::regs = vy::RegImage{};
    for (std::uint32_t a = 0; a < 0x10000; ++a) vy::wrbyte(static_cast<std::uint16_t>(a), static_cast<std::uint8_t>(0xA5 ^ a));
    for (const objfile::Section& s : obj.sections) {
        if ((s.attr & 0x01) || s.name == ".debug") continue;
        if (s.name == ".text") run.code_bytes = static_cast<std::uint32_t>(s.data.size());
        for (std::size_t i = 0; i < s.data.size(); ++i)
            vy::wrbyte(static_cast<std::uint16_t>(s.start + i), s.data[i]);
    }
    std::map<std::uint16_t, std::string> routines;
    for (const std::string& n : runtime_routine_names())
        if (run.symbols.count(n)) routines[static_cast<std::uint16_t>(run.symbols[n])] = n;
    static const std::map<std::string, Model> table = models();
    std::uint16_t halt = static_cast<std::uint16_t>(run.symbols["__halt"]);
    vy::setpc(vy::rdword(0xFFFE));
    for (; run.steps < step_bound; ++run.steps) {
        std::uint16_t pc = vy::getpc();
        if (pc == halt) {
            run.ok = true;
            break;
        }
        auto r = routines.find(pc);
        if (r != routines.end()) {
            ++run.routine_calls[r->second];
            Call c;
            c.sp = vy::getsp();
            c.ret = vy::rdword(static_cast<std::uint16_t>(c.sp + 1));
            auto m = table.find(r->second);
            if (m == table.end()) {
                run.error = "no model of " + r->second;
                break;
            }
            m->second(c);
            if (!c.jumped) {
                setreg(vy::REG_SP, static_cast<std::uint16_t>(c.sp + 2));
                setreg(vy::REG_PC, static_cast<std::uint16_t>(c.ret + c.inline_bytes));
            }
            continue;
        }
        if (vy::decinstr(pc, vy::DEC_EXEC, nullptr) == vy::NOINSTR) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "no instruction at 0x%04x", pc);
            run.error = buf;
            break;
        }
    }
    if (!run.ok && run.error.empty()) run.error = "step bound reached";
    run.d = static_cast<std::uint16_t>(getreg(vy::REG_D));
    run.memory.resize(0x10000);
    for (std::uint32_t a = 0; a < 0x10000; ++a) run.memory[a] = vy::rdbyte(static_cast<std::uint16_t>(a));
    vy::memclose();
    vy::setservices(nullptr);
    return run;
}

bool have_host_cc() { return std::system("command -v cc >/dev/null 2>&1") == 0; }

std::string host_output(const TempDir& dir, const std::string& source) {
    dir.write("host.c", source);
    std::string cmd = "cd '" + dir.path().string() + "' && cc -std=c99 -O0 -o host host.c 2>host.err && ./host >host.out";
    if (std::system(cmd.c_str()) != 0) return "host failed: " + dir.read("host.err");
    std::string out = dir.read("host.out");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string hexbytes(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (std::uint8_t x : bytes) {
        std::snprintf(b, sizeof b, "%02x", x);
        s += b;
    }
    return s;
}

}  // namespace vytest
