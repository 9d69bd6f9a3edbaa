// Function entry and exit sequences: the label, the entry sequence chosen
// by the function's kind, its frame needs, the size of its locals and its
// register argument; the frame and call-graph records; and the exit text
// that every exit of the function writes.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

// The pieces begin with their blank: " pshx; pshx".
std::string repeat(const char* piece, int times, const char* join = ";") {
    std::string s;
    for (int i = 0; i < times; ++i) {
        if (i) s += join;
        s += piece;
    }
    return s;
}

std::string num(int n) { return std::to_string(n); }

// " pulx;" per word and " ins;" for an odd byte.
std::string pulls(int bytes) {
    std::string s = bytes & 1 ? " ins;" : "";
    for (int i = 0; i < bytes / 2; ++i) s += " pulx;";
    return s;
}

std::string pushes(int bytes) {
    std::string s;
    for (int i = 0; i < bytes / 2; ++i) s += " pshx;";
    if (bytes & 1) s += " des;";
    return s;
}

struct Sequence {
    std::string entry;
    std::string exit;
    int size = 0;
};

std::string link_exit(const Gen& g) {
    return g.result_type >= 6 ? " ldy 2,x; lds 0,x; pulx; sty 2,x; rts;" : " lds 0,x; pulx; rts;";
}
int link_size(const Gen& g) { return g.result_type >= 6 ? 10 : 4; }

// " tsx; dex;", the adjustment, " pshx; tsx;"
std::string linked_allocation(Gen& g, int amount) {
    std::string adj = stack_adjust_text(g, -amount);
    return " tsx; dex;" + (adj.empty() ? std::string() : adj + ";") + " pshx; tsx;";
}

Sequence interrupt_sequence(Gen& g, int L, int& ofst) {
    std::uint16_t f = g.frame_flags;
    if (L > 0 && (f & FRAME_LOCALS)) return {linked_allocation(g, L), " lds 0,x; rti;", 3};
    if (f & FRAME_LINK) {
        ofst = 2;
        return {" tsx; dex; pshx; tsx;", " pulx; rti;", 2};
    }
    ofst = 0;
    return {f & FRAME_ARGS ? " tsx;" : "", " rti;", 1};
}

Sequence kernel_sequence(Gen& g, int L, int& ofst) {
    std::uint16_t f = g.frame_flags;
    int k = f & FRAME_LOCALS ? L : 0;
    if (f & FRAME_LINK) {
        if (k == 0) {
            ofst = 2;
            return {" tsx; dex; pshx; tsx;", " pulx; rts;", 2};
        }
        if (k <= 10) return {linked_allocation(g, L), " lds 0,x; rts;", 3};
        // the link word takes two bytes more, as in the other linked frames
        return {" tsx; xgdx; tsx; dex; addd #" + num(-(L + 2)) + "; xgdx; txs; std 0,x;", " lds 0,x; rts;", 3};
    }
    if (k == 0) {
        ofst = 0;
        return {"", " rts;", 1};
    }
    if (k <= 10) {
        std::string adj = stack_adjust_text(g, -L);
        return {" pulx;" + (adj.empty() ? std::string() : adj + ";") + " pshx; tsx;", " rts;", 1};
    }
    return {" tsx; xgdx; pulx; addd #" + num(-L) + "; xgdx; txs; std 0,x;", " rts;", 1};
}

// A function with a frame (FRAME_LOCALS or FRAME_LINK).
Sequence framed_sequence(Gen& g, int L, int R, int& ofst) {
    bool link = g.frame_flags & FRAME_LINK;
    if ((g.func_attrs & SP_FAST) && L > 2) {
        std::string e = " pshx;";
        if (R == 1) e += " pshb;";
        if (R == 2) e += " pshd;";
        if (R == 4) e += link ? " pshd; ldd 2,x; tsx; inx; xgdx; pshx;" : " pshd; ldx 2,x; pshx;";
        if (!link) ofst -= 2;
        if (link) L += 2;  // the link word
        if (L > 10 || link) {
            if (link && R == 4 && L <= 8) {
                e += pushes(L) + " tsx;";
            } else {
                e += " tsx; xgdx;";
                if (link && R != 4) e += R == 0 ? " tsx; dex;" : R == 2 ? " tsx; inx;" : " tsx;";
                e += " addd #" + num(-L) + "; xgdx; txs;";
            }
            if (link) return {e + " std 0,x;", link_exit(g), link_size(g)};
            if (g.result_type == 0 && R + L < 256)
                return {e, " tsx; ldab #" + num(R + L) + "; abx; txs; pulx; rts;", 7};
            return {e, " tsx; xgdx; addd #" + num(R + L) + "; xgdx; txs; pulx; rts;", 9};
        }
        e += pushes(L) + " tsx;";
        int bytes = R + L;
        return {e, pulls(bytes) + " pulx; rts;", bytes / 2 + (bytes & 1) + 2};
    }
    if (R == 0 && !link && (L == 3 || L == 4)) {
        ofst -= 2;
        if (L == 3) return {" pshx; pshx; des; tsx;", " ins; pulx; pulx; rts;", 4};
        return {" pshx; pshx; pshx; tsx;", " pulx; pulx; pulx; rts;", 4};
    }
    if (L > 2) {
        int n = L + 2;
        static const char* const small[5] = {"ents", "kenst", "kents", "", "kenls"};
        static const char* const large[5] = {"entl", "kenlt", "kentl", "", "kenll"};
        int r = R == 4 ? 4 : R == 2 ? 2 : R == 1 ? 1 : 0;
        const char* routine = n < 256 ? small[r] : large[r];
        note_runtime_ref(g, routine);
        std::string e = "\x07" "c~" + std::string(routine) + ";" + (n < 256 ? " dc.b " : " dc.w ") + num(n) + ";";
        return {e, link_exit(g), link_size(g)};
    }
    if (R > 0) {
        std::string e;
        if (R == 4)
            e = link ? " pshx; pshd; ldd 2,x; tsx; inx; pshd;" : " pshx; pshd; ldx 2,x; pshx;";
        else
            e = std::string(link ? " pshx; tsx; dex; psh" : " pshx; psh") + (R == 1 ? "b;" : "d;");
        if (L == 1) e += " des;";
        if (L == 2) e += " pshx;";
        if (link) return {e + " pshx; tsx;", link_exit(g), link_size(g)};
        ofst -= 2;
        static const char* const exits[6] = {
            " ins; pulx; rts;",        " pulx; pulx; rts;",        " ins; pulx; pulx; rts;",
            " pulx; pulx; pulx; rts;", " ins; pulx; pulx; pulx; rts;", " pulx; pulx; pulx; pulx; rts;",
        };
        static const int sizes[6] = {3, 3, 4, 4, 5, 5};
        int i = R + L - 1;
        if (i < 0) i = 0;
        if (i > 5) i = 5;
        return {e + " tsx;", exits[i], sizes[i]};
    }
    if (!link) {
        ofst -= 2;
        if (L == 2) return {" pshx; pshx; tsx;", " pulx; pulx; rts;", 3};
        if (L == 1) return {" pshx; des; tsx;", " ins; pulx; rts;", 3};
        return {" pshx; tsx;", " pulx; rts;", 2};
    }
    if (L == 2) return {" pshx; des; tsx; des; pshx; tsx;", link_exit(g), link_size(g)};
    if (L == 1) return {" pshx; des; tsx; pshx; tsx;", link_exit(g), link_size(g)};
    return {" pshx; tsx; dex; pshx; tsx;", link_exit(g), link_size(g)};
}

// A function without a frame.
Sequence frameless_sequence(Gen& g, int R, int& ofst) {
    std::uint16_t f = g.frame_flags;
    ofst = 0;
    bool y_free = g.func_free & RM_Y;
    if (!(f & FRAME_ARGS) && ((f & FRAME_PUSHES) || y_free || g.opt.no_opt || g.stackless)) {
        std::string e;
        if (g.stackless) {
            std::string frame = g.frame_name;
            if (R == 1) e += " stab " + frame + ";";
            if (R == 2) e += " std " + frame + ";";
            if (R == 4) e += " std " + frame + "+2; ldd 2,x; std " + frame + ";";
            if ((f & FRAME_LREG) && R != 4) {
                // the long register of a function without a stack is
                // c_lreg; the caller's X comes back at the exit, with the
                // high word of a long result in the caller's own slot
                e += " pshx; ldx #c~lreg-2;";
                note_runtime_ref(g, "lreg");
                if (g.result_type >= 6) return {e, " ldy 2,x; pulx; sty 2,x; rts;", 8};
                return {e, " pulx; rts;", 2};
            }
        }
        return {e, " rts;", 1};
    }
    switch (R) {
    case 4: return {" pshx; pshd; ldx 2,x; pshx; tsx;", " pulx; pulx; pulx; rts;", 4};
    case 2: return {" pshx; pshd; tsx;", " pulx; pulx; rts;", 3};
    case 1: return {" pshx; pshb; tsx;", " ins; pulx; rts;", 3};
    default: return {f & FRAME_ARGS ? " pshx; tsx;" : " pshx;", " pulx; rts;", 2};
    }
}

const char* call_graph_separator(const Gen& g) { return g.func_attrs & SP_INTERRUPT ? "\x06;\x06" : ","; }

// Step 1: the static frame of a function without a stack.
void static_frame(Gen& g) {
    int locals = -g.frame_low;
    int args = g.stackarg_size + g.regarg_size;
    if (!(locals > 0 || args > 0 || (g.func_attrs & SP_INTERRUPT))) return;
    const std::string& frame = g.frame_name;
    if (g.opt.static_model & 0x02) {
        emit_asm(g, " .dcall \"%u,%u%p%p\";", locals, args, call_graph_separator(g), frame);
        emit_asm(g, g.opt.static_model & 0x01 ? " xref.b %p;" : " xref %p;", frame);
    } else {
        select_section(g, g.opt.static_model & 0x01 ? OC_BSCT : OC_BSS);
        if (locals) emit_asm(g, " ds.b %u;", locals);
        emit_asm(g, "%p:;", frame);
        if (args) emit_asm(g, " ds.b %u;", args);
        if (frame.empty() || frame[0] != '>') emit_asm(g, " xdef %p;", frame);
    }
    g.frame_low = 0;
}

}  // namespace

std::string stack_adjust_text(Gen& g, int n) {
    std::string text;
    int size = 0;
    if (n >= -10 && n <= -1) {
        if (n % 2 == 0) {
            text = repeat(" pshx", -n / 2);
            size = -n / 2;
        } else {
            text = repeat(" pshx", (-n - 1) / 2);
            text += text.empty() ? " des" : "; des";  // " pshx; des"
            size = (1 - n) / 2;
        }
    } else if (n >= 1 && n <= 4) {
        text = repeat(" ins", n);
        size = n;
    } else if (n >= 5 && n <= 255) {
        note_runtime_ref(g, "msps");
        text = "\x07" "c~msps; dc.b " + num(n);
        size = 4;
    } else if (n >= 256) {
        note_runtime_ref(g, "mspl");
        text = "\x07" "c~mspl; dc.w " + num(n);
        size = 5;
    } else if (n < -10) {
        note_runtime_ref(g, "mspo");
        text = "\x07" "c~mspo; dc.w " + num(n + 2);
        size = 5;
    }
    g.code_offset = static_cast<std::uint16_t>(g.code_offset + size);
    return text;
}

std::string emit_prologue(Gen& g) {
    int R = g.regarg_size;
    bool interrupt = g.func_attrs & SP_INTERRUPT;
    if (g.stackless) static_frame(g);
    if ((g.frame_flags & FRAME_LREG) && !g.stackless) {
        g.frame_low = static_cast<std::int16_t>(g.frame_low - 2);
        g.frame_flags |= FRAME_LOCALS | FRAME_LINK;
    }
    int L = -g.frame_low;
    int ofst = 2 - g.frame_low;
    g.epilogue_size = 4;

    select_section(g, OC_TEXT);
    emit_asm(g, "%p:;", g.func_name);
    if (!g.opt.no_opt) {
        emit_asm(g, "%p:;", "FL");
        std::uint16_t busy = FRAME_ARGS | FRAME_LOCALS | FRAME_LINK | FRAME_PUSHES;
        if (g.stackless) busy |= FRAME_LREG;
        if (!(g.frame_flags & busy)) emit_asm(g, "%p:;", "YTOX");
    }
    if (g.line_debug)
        emit_asm(g, "%I%p:%u-%u;", g.opt.line_debug_kind == 1 ? g.plain_name : g.raw_name, g.first_line,
                 g.brace_line);
    else if (g.full_debug)
        emit_asm(g, "%J%p%~%p:%u-%u;", g.raw_name, g.plain_name, g.first_line, g.brace_line);

    Sequence s;
    if (interrupt) {
        s = interrupt_sequence(g, L, ofst);
    } else if (g.func_attrs & SP_KERNEL) {
        s = kernel_sequence(g, L, ofst);
    } else {
        if (g.opt.check_stack) {
            emit_asm(g, " ldy #%i;", -L - 10);
            call_runtime(g, "check");
        }
        if (g.frame_flags & (FRAME_LOCALS | FRAME_LINK))
            s = framed_sequence(g, L, R, ofst);
        else
            s = frameless_sequence(g, R, ofst);
    }
    if (!s.entry.empty()) emit_asm(g, s.entry.c_str());
    g.epilogue_size = static_cast<std::uint16_t>(s.size);
    g.ofst = ofst;
    if (g.frame_flags & (FRAME_ARGS | FRAME_LOCALS)) emit_asm(g, "OFST: set %i;", ofst);

    int frame = ofst + R;
    if (interrupt)
        frame += 7;
    else if (frame)
        frame += 2;
    // The frame set-up entry tells the debugger that the register argument
    // now lies in the frame: a frameless entry that leaves it in B, D or
    // the long register writes none, and the argument is read there.
    bool argument_kept = R > 0 && !interrupt && !(g.func_attrs & SP_KERNEL) && !g.stackless && s.entry.empty();
    if (g.full_debug && !g.line_debug && !argument_kept)
        emit_asm(g, "%E%p%~%p:-%u.%u;", g.raw_name, g.plain_name, ofst, frame);
    if (!g.stackless) emit_asm(g, " .dcall \"%u,%u%p%p\";", frame + 2, g.stackarg_size, call_graph_separator(g), g.func_name);
    return s.exit;
}

}  // namespace ccgen
