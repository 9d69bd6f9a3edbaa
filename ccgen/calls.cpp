// Calls: arguments pushed (last first) or stored into a @nostack callee's
// static frame, the first argument in B, D or the long register, the
// address of a result area for doubles and structures, far calls through
// the runtime's context routines, calls of interrupt functions, inline
// assembly calls, the builtins abs and fabs, and the result taken where
// the call leaves it.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

struct Callee {
    ExprNode* node = nullptr;
    std::string name;  // "<@f", empty for a call through a pointer
    std::uint16_t space = 0;
    bool far = false, interrupt = false, nostack = false, builtin = false;
};

Callee callee_of(const ExprNode* call) {
    Callee c;
    c.node = call->left;
    c.space = c.node->space;
    // *(&f): the front end keeps the indirection of a function's address
    // when the function's space (far, interrupt, one of the file's own)
    // forbids folding it; it is still a call of f by name
    ExprNode* named = c.node;
    if (named->code == 107 && named->left && named->left->code == 0 && named->left->leaf.ind == 0)
        named = named->left;
    if (named->code == 0 && named->leaf.reg == REG_NONE && named->text.size() > 1 && named->text[0] == '<') {
        c.node = named;
        c.name = named->text;
        c.space |= named->leaf.space;
    }
    c.far = c.space & SP_FAR;
    c.interrupt = c.space & SP_INTERRUPT;
    c.nostack = c.space & SP_NOSTACK;
    c.builtin = c.space & SP_BUILTIN;
    return c;
}

// The arguments of a call in source order, from its chain of 165 nodes.
std::vector<ExprNode*> argument_list(Gen& g, ExprNode* chain) {
    std::vector<ExprNode*> args;
    while (chain && chain != &g.empty_node) {
        if (chain->code == 165) {
            args.push_back(chain->left);
            chain = chain->right;
        } else {
            args.push_back(chain);
            break;
        }
    }
    return args;
}

// A structure passed by value: the reader made it its address, which
// keeps the structure's size.
bool structure_value(const ExprNode* a) {
    std::uint8_t c = type_class(a->type);
    return c == 14 || (c == 5 && a->struct_size > 0);
}

// The class an argument is passed in: chars and shorts as ints, a float
// as a double, unless the header turned promotion off.
std::uint16_t passed_type(const Gen& g, std::uint16_t type) {
    std::uint8_t c = type_class(type);
    if (c == 14) return type;
    if (c == 9 && !g.single_precision && !g.no_promotion) return 10;
    if ((c == 1 || c == 2 || c == 13) && g.no_promotion) return c == 13 ? 2 : c;
    std::uint8_t p = g.promoted[c < 15 ? c : 0];
    return p ? p : type;
}

int passed_bytes(const Gen& g, const ExprNode* a) {
    if (structure_value(a)) return static_cast<int>(a->struct_size);
    std::uint8_t c = type_class(passed_type(g, a->type));
    return class_bytes(c) ? class_bytes(c) : 2;
}

// An argument that travels in registers: a scalar of 4 bytes or less.
bool register_argument(const Gen& g, const ExprNode* a) {
    if (structure_value(a)) return false;
    std::uint8_t c = type_class(passed_type(g, a->type));
    return c != 14 && c != 10 && c != 0;
}

ExprNode* as_passed(Gen& g, ExprNode* a) {
    std::uint16_t t = passed_type(g, a->type);
    if (type_class(t) == type_class(a->type) || type_class(t) == 14) return a;
    return cast_node(g, a, t);
}

// One argument pushed; returns the bytes pushed or -1.
int push_argument(Gen& g, ExprNode* a, std::uint16_t regs) {
    if (structure_value(a)) {
        // a structure: its bytes from the last to the first
        std::uint32_t n = a->struct_size;
        if (!gen_node(g, a, 0x114 | 0x80, regs)) return -1;
        Operand p = a->place;  // the structure's address
        if (n >= 256) {
            std::string adjust = stack_adjust_text(g, -static_cast<int>(n));
            emit_code(g, adjust + ";", 0);
            ExprNode* src = place_leaf(g, p);
            Operand d;
            init_operand(d, 5, 0, REG_D, 0);
            if (!(p.reg == REG_D && p.ind == 0) && !move_to(g, src, d, regs)) return -1;
            emit_code(g, " tsy;", 2);
            note_runtime_ref(g, "movstw");
            emit_code(g, "\x07" "c~movstw; .dcall \"" + g.func_name + ":c~movstw\"; dc.w " + std::to_string(n) + ";", 5);
            g.frame_flags |= FRAME_PUSHES;
            return static_cast<int>(n);
        }
        Operand mem = p;
        bool reachable = p.ind == 0 && (p.reg == REG_NONE || p.reg == REG_Y ||
                                        ((p.reg == REG_FRAME || p.reg == REG_TEMP) && mode_of_operand(g, p) == 0x100));
        if (n <= 4 && reachable && (regs & RM_D)) {
            mem.ind = 1;
            const char* text = n == 1 ? "Mab L;Pb" : n == 2 ? "Md L;PId" : n == 3 ? "Mab UL;Pb;Md L;PId" : "Md UL;PId;Md L;PId";
            if (!expand_places(g, mem, mem, text, regs)) return -1;
            g.frame_flags |= FRAME_PUSHES;
            return static_cast<int>(n);
        }
        // Y just past the structure, then the bytes pushed downwards
        if (!(regs & RM_D)) return -1;
        if (p.reg == REG_NONE && p.ind == 0) {
            Operand past = p;
            past.offset = wrap_add(p.offset, static_cast<std::int32_t>(n));
            if (!expand_places(g, past, past, "MIy L", regs)) return -1;
            emit_code(g, " ldab #" + std::to_string(n) + ";", 2);
        } else {
            ExprNode* src = place_leaf(g, p);
            Operand y;
            init_operand(y, 5, 0, REG_Y, 0);
            if (!(p.reg == REG_Y && p.ind == 0 && p.offset == 0) && !move_to(g, src, y, regs)) return -1;
            emit_code(g, " ldab #" + std::to_string(n) + "; aby;", 4);
        }
        std::string loop = label_text(new_label_number(g));
        emit_code(g, loop + ": dey; ldaa 0,y; psha; decb; bne " + loop + ";", 9);
        g.frame_flags |= FRAME_PUSHES;
        return static_cast<int>(n);
    }
    ExprNode* value = as_passed(g, a);
    std::uint16_t t = value->type;
    // a conversion to double straight onto the stack
    ExprNode* source = value;
    if (type_class(t) == 10 && value->code == 102 && type_class(value->left->type) != 10) source = value->left;
    Operand s;
    init_operand(s, t, 0, REG_S, 0);
    GenState saved;
    save_gen_state(g, saved);
    std::uint16_t want = type_class(source->type) == 10 ? 0x0A : 0x80 | 0x0E;
    if (source != value) want = 0x80;
    if (!gen_node(g, source, want, regs)) return -1;
    if (!move_to(g, source, s, regs)) {
        restore_gen_state(g, saved);
        return -1;
    }
    g.frame_flags |= FRAME_PUSHES;
    return class_bytes(type_class(t)) ? class_bytes(type_class(t)) : 2;
}

// The first argument into B, D or the long register.
bool load_register_argument(Gen& g, ExprNode* a, std::uint16_t regs) {
    ExprNode* value = as_passed(g, a);
    if (!gen_node(g, value, 0x80, regs)) return false;
    return value->place.reg == REG_D && value->place.ind == 0;
}

// Arguments of a @nostack callee stored into its static frame.
bool store_args(Gen& g, const std::vector<ExprNode*>& args, const std::string& frame, int first_offset,
                std::uint16_t regs, ExprNode*& in_register) {
    int offset = first_offset;
    for (std::size_t i = 0; i < args.size(); ++i) {
        ExprNode* a = args[i];
        int bytes = passed_bytes(g, a);
        if (i == 0 && first_offset == 0 && register_argument(g, a) && bytes <= 4) {
            in_register = a;
            offset += bytes;
            continue;
        }
        ExprNode* dest = new_expr(g);
        dest->text = frame;
        init_operand(dest->leaf, passed_type(g, a->type), 0, REG_NONE, 1);
        dest->leaf.name = dest->text.c_str();
        dest->leaf.offset = offset;
        if (g.opt.static_model & 0x01) dest->leaf.flags |= SP_DIR;
        dest->type = dest->leaf.type;
        dest->place = dest->leaf;
        ExprNode* assign = new_expr(g);
        assign->code = static_cast<std::uint16_t>(structure_value(a) ? 164 : 136);
        assign->type = dest->type;
        assign->struct_size = a->struct_size;
        assign->unused = true;
        if (assign->code == 164) {
            ExprNode* address = place_leaf(g, dest->leaf);
            address->leaf.ind = address->place.ind = 0;
            address->leaf.type = address->place.type = address->type = 5;
            assign->left = address;
        } else {
            assign->left = dest;
        }
        assign->right = as_passed(g, a);
        if (!gen_node(g, assign, MODE_VOID, regs)) genpanic(g, "SARG");
        offset += bytes;
    }
    return true;
}

std::string call_graph_line(const Gen& g, const std::string& caller, const std::string& callee) {
    if (g.stackless && !(g.opt.static_model & 0x02)) return "";
    return " .dcall \"" + caller + ":" + callee + "\";";
}

// The call operand: the function (a symbol, or through Y).
bool call_operand(Gen& g, Callee& c, std::uint16_t regs, Operand& out) {
    ExprNode* f = c.node;
    if (!c.name.empty()) {
        // a function called by name: its symbol, whatever its space bits
        init_operand(out, 5, 0, REG_NONE, 1);
        out.name = f->leaf.name;
        out.offset = f->leaf.offset;
        out.flags = 0;
        return true;
    }
    // `regs` leaves D out while it holds the register argument
    if (!gen_node(g, f, 0x0B, regs)) return false;
    out = f->place;
    if (out.ind >= 2 || (out.ind == 1 && out.reg == REG_D)) {
        // the address is a pointer in memory, or reached through D: into Y
        Operand pointer = out;
        pointer.ind = static_cast<std::uint8_t>(pointer.ind - 1);
        pointer.type = 5;
        pointer.flags = static_cast<std::uint16_t>(pointer.ind ? 1 : 0);
        Operand y;
        init_operand(y, 5, 0, REG_Y, 0);
        if (!(regs & RM_Y) && out.reg != REG_Y) return false;
        if (!move_to(g, place_leaf(g, pointer), y, regs)) return false;
        take_free_reg(g, RM_Y);
        out = y;
    }
    if (out.ind == 0) {
        // an address held in a register or as a constant: call through it
        if (!(out.reg == REG_Y || out.reg == REG_NONE)) {
            Operand y;
            init_operand(y, 5, 0, REG_Y, 0);
            if (!move_to(g, f, y, regs & ~RM_D)) genpanic(g, "FNFORCE");
            out = f->place;
        }
        out.ind = 1;
    }
    return true;
}

// A far callee reached through a far pointer: the pointer's four bytes
// (page, address) are the far-call descriptor, so Y gets the address of
// the place that holds them (a temporary when the value is in a register).
bool far_descriptor_into_y(Gen& g, ExprNode* p, std::uint16_t regs) {
    if (type_class(p->code == 0 ? p->leaf.type : p->type) != 8) return gen_node(g, p, 0x10, regs);
    if (!gen_node(g, p, 0x0B, regs)) return false;
    if (p->place.ind == 0) {
        Operand t;
        alloc_value_temp(g, 4, t, p->place.type);
        if (!move_to(g, p, t, regs)) return false;
        p->place = t;
    }
    Operand a = p->place;
    a.ind = static_cast<std::uint8_t>(a.ind - 1);
    a.type = 5;
    a.flags = static_cast<std::uint16_t>(a.ind ? 1 : 0);
    return gen_node(g, place_leaf(g, a), 0x10, regs);
}

bool emit_builtin(Gen& g, ExprNode* n, const Callee& c, const std::vector<ExprNode*>& args, std::uint16_t modes,
                  std::uint16_t regs) {
    if (c.name == "<@abs" && args.size() == 1 && type_class(args[0]->type) < 6) {
        std::uint8_t cls = type_class(args[0]->type);
        if (!gen_node(g, args[0], 0x80, regs)) return false;
        bool byte = class_bytes(cls) == 1;
        if (!expand_places(g, args[0]->place, args[0]->place, byte ? "Z1b; bpl $$;Z3b" : "Z1a; bpl $$;Z3a;Z3b; sbca #I0",
                           regs))
            return false;
        n->place = args[0]->place;
        n->place.type = n->type;
        return (modes & MODE_VOID) || force_reg(g, n, modes, regs);
    }
    if (c.name == "<@fabs" && args.size() == 1) {
        ExprNode* v = args[0];
        if (type_class(v->type) != 9) v = cast_node(g, v, 9);
        if (!gen_node(g, v, 0x80, regs)) return false;
        emit_code(g, " bclr 2,x,#128;", 3);
        g.frame_flags |= FRAME_LREG;
        n->place = v->place;
        n->place.type = 9;
        if (type_class(n->type) != 9) {
            ExprNode* back = cast_node(g, place_leaf(g, n->place), n->type);
            if (!gen_node(g, back, 0x8A, regs)) return false;
            n->place = back->place;
        }
        return (modes & MODE_VOID) || force_reg(g, n, modes, regs);
    }
    return false;
}

}  // namespace

bool emit_call(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    Callee c = callee_of(n);
    bool inline_asm = n->code == 113 || n->code == 180;
    std::vector<ExprNode*> args = n->code == 169 || n->code == 180 ? argument_list(g, n->right) : std::vector<ExprNode*>{};
    if (c.builtin) {
        GenState saved;
        save_gen_state(g, saved);
        if (c.name.empty()) generr(g, "bad builtin");
        else if (emit_builtin(g, n, c, args, modes, regs)) return true;
        restore_gen_state(g, saved);
    }
    if (!(inline_asm && args.empty()) && (regs & RM_TOP) != RM_TOP) return false;
    std::uint8_t rcls = type_class(n->type);
    ExprNode* area = n->third;  // the result area of a double or a structure
    bool through_memory = area && (rcls == 10 || rcls == 14);
    int pushed = 0;
    std::string caller = g.func_name;

    // far calls keep a context on the stack (or in a static frame)
    bool k = g.opt.proc_type == 'k';
    int context = k ? 5 : 6;
    if (c.far) {
        if (!g.stackless) {
            note_runtime_ref(g, k ? "wsavk" : "wsavc");
            emit_code(g, std::string("\x07") + (k ? "c~wsavk" : "c~wsavc") + ";" +
                             call_graph_line(g, caller, k ? "c~wsavk" : "c~wsavc"), 3);
        } else {
            Operand t;
            std::int16_t off = alloc_value_temp(g, context, t, 5);
            emit_code(g, " ldy #" + g.frame_name + (off < 0 ? "" : "+") + std::to_string(off) + ";", 4);
            note_runtime_ref(g, k ? "wssvk" : "wssvc");
            emit_code(g, std::string("\x07") + (k ? "c~wssvk" : "c~wssvc") + ";" +
                             call_graph_line(g, caller, k ? "c~wssvk" : "c~wssvc"), 3);
        }
        g.frame_flags |= FRAME_PUSHES;
    }

    ExprNode* in_register = nullptr;
    Operand area_place;  // where the result area's address was before the call
    if (area) area_place = area->place;
    std::string callee_frame;
    if (c.nostack && !c.name.empty() && !inline_asm) {
        callee_frame = c.name + ".L";
        if (callee_frame[0] != '>') note_extern_ref(g, callee_frame);
        std::string saved_caller = g.func_name;
        g.func_name = c.name;  // routines called meanwhile are charged to the callee
        store_args(g, args, callee_frame, through_memory ? 2 : 0, regs, in_register);
        if (through_memory) {
            ExprNode* store = new_expr(g);
            store->code = 136;
            store->type = 5;
            store->unused = true;
            ExprNode* dest = new_expr(g);
            dest->text = callee_frame;
            init_operand(dest->leaf, 5, 0, REG_NONE, 1);
            dest->leaf.name = dest->text.c_str();
            if (g.opt.static_model & 0x01) dest->leaf.flags |= SP_DIR;
            dest->type = 5;
            dest->place = dest->leaf;
            store->left = dest;
            store->right = area;
            if (!gen_node(g, store, MODE_VOID, regs)) genpanic(g, "SARG");
            area_place = area->place;
        }
        g.func_name = saved_caller;
    } else if (c.nostack && !inline_asm && (!args.empty() || through_memory)) {
        generr(g, "invalid @nostack indirect call");
        args.clear();
        through_memory = false;
    } else {
        std::size_t first = through_memory || args.empty() || !register_argument(g, args[0]) ? 0 : 1;
        if (through_memory) first = 0;
        for (std::size_t i = args.size(); i > first; --i) {
            int bytes = push_argument(g, args[i - 1], regs);
            if (bytes < 0) genpanic(g, "PUSH");
            pushed += bytes;
        }
        if (first == 1) in_register = args[0];
        if (through_memory) {
            // the result area's address, pushed last
            Operand s;
            init_operand(s, 5, 0, REG_S, 0);
            if (!gen_node(g, area, 0x80 | 0x04 | 0x0A, regs)) genpanic(g, "PUSH");
            area_place = area->place;
            if (!move_to(g, area, s, regs)) genpanic(g, "PUSH");
            pushed += 2;
            g.frame_flags |= FRAME_PUSHES;
        }
    }
    if (in_register && !load_register_argument(g, in_register, regs)) genpanic(g, "ARG");
    std::uint16_t busy = in_register ? RM_D : 0;
    std::uint16_t call_regs = static_cast<std::uint16_t>(regs & ~busy);

    if (inline_asm) {
        std::string text = c.node->text;
        if (text.empty()) text = n->text;
        emit_code(g, asm_block_text(g, text), 0);
    } else if (c.interrupt) {
        Operand f;
        if (!call_operand(g, c, call_regs, f)) genpanic(g, "FNCALL1");
        // the callee's address in Y, then the file's interrupt entry,
        // which builds below the return address the frame that the CPU
        // builds for an interrupt, so that the callee's rti comes back; the
        // optimiser sees a call that falls through (and keeps the load of
        // Y, which it cannot see used)
        if (!g.interrupt_entry) g.interrupt_entry = new_label_number(g);
        if (f.reg == REG_Y && f.ind == 1 && f.offset == 0) {
            // the operand's code loaded Y: its last instruction is kept too
            emit_code(g, g.opt.no_opt ? "" : "VL:;", 0);
        } else {
            Operand a = f;
            a.ind = 0;
            std::string op;
            int size = 0;
            if (!operand_text(g, a, 0, 0, 0x0B, false, op, size)) genpanic(g, "FNCALL1");
            emit_code(g, " ldy " + op + ";" + (g.opt.no_opt ? "" : "VL:;"), 4);
        }
        emit_code(g, " jsr " + label_text(g.interrupt_entry) + ";", 3);
    } else if (c.far) {
        if (!c.name.empty()) {
            std::string d = far_descriptor(g, c.name);
            emit_code(g, " ldy #" + d + ";", 4);
        } else {
            ExprNode* f = c.node;
            if (!far_descriptor_into_y(g, f->code == 107 ? f->left : f, call_regs)) genpanic(g, "FNFORCE");
        }
        const char* routine = g.stackless ? (k ? "wcslk" : "wcslc") : (k ? "wcalk" : "wcalc");
        note_runtime_ref(g, routine);
        emit_code(g, std::string("\x07") + "c~" + routine + ";" + call_graph_line(g, caller, std::string("c~") + routine),
                  3);
    } else {
        Operand f;
        GenState saved;
        save_gen_state(g, saved);
        bool pushed_d = false;
        if (!call_operand(g, c, call_regs, f)) {
            if (!in_register) genpanic(g, "FNCALL1");
            restore_gen_state(g, saved);
            emit_code(g, " pshd;", 2);
            if (!call_operand(g, c, regs, f)) genpanic(g, "FNCALL2");
            emit_code(g, " puld;", 2);
            pushed_d = true;
        }
        (void)pushed_d;
        if (!g.opt.no_opt) {
            if (!in_register)
                emit_code(g, " nod;", 0);
            else if (type_class(in_register->type) < 3 && g.no_promotion)
                emit_code(g, " noa;", 0);
        }
        std::string op;
        int size = 0;
        if (!operand_text(g, f, 0, 0, 0, false, op, size)) genpanic(g, "FNCALL1");
        emit_code(g, " jsr " + op + ";", 1 + size);
    }
    if (!inline_asm && (!g.stackless || (g.opt.static_model & 0x02)))
        emit_code(g, call_graph_line(g, caller, c.name), 0);

    // the result
    if (rcls >= 6 && rcls <= 9) g.frame_flags |= FRAME_LREG;
    int release = pushed + (c.far && !g.stackless ? context : 0);
    bool popped = false;
    if (through_memory) {
        // the area's address, where it was: a plain place is still good
        const Operand& a = area_place;
        bool plain = a.reg != REG_D && a.reg != REG_Y && a.reg != REG_S && a.ind <= 1 && rcls != 5;
        if (plain) {
            n->place = a;
            n->place.ind = static_cast<std::uint8_t>(a.ind + 1);
            n->place.type = n->type;
            if (rcls == 14) n->place = a;  // a structure is its address
        } else if (!callee_frame.empty()) {
            emit_code(g, " ldy " + callee_frame + ";", 4);
            init_operand(n->place, rcls == 14 ? 5 : n->type, 0, REG_Y, rcls == 14 ? 0 : 1);
            take_free_reg(g, RM_Y);
        } else {
            emit_code(g, " puld;", 2);
            release -= 2;
            popped = true;
            init_operand(n->place, rcls == 14 ? 5 : n->type, 0, REG_Y, rcls == 14 ? 0 : 1);
            take_free_reg(g, RM_Y);
        }
    } else {
        init_operand(n->place, n->type, 0, REG_D, 0);
    }
    if (!c.interrupt && release > 0) emit_code(g, stack_adjust_text(g, release) + ";", 0);
    if (popped) emit_code(g, " xgdy;", 2);
    if (modes & MODE_VOID) return true;
    return force_reg(g, n, modes, regs) || (mode_of_operand(g, n->place) & modes);
}

}  // namespace ccgen
