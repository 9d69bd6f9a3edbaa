// Conversions between the arithmetic types (casts), and double arithmetic,
// whose values live in memory: a result is a temporary of eight bytes in
// the frame, made by copying the left operand and applying the routine of
// the operation with the right.
#include <cstring>

#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

enum Kind { K_CHAR, K_INT, K_LONG, K_FLOAT, K_DOUBLE, K_OTHER };

Kind kind_of(std::uint8_t c) {
    switch (c) {
    case 1: case 2: case 13: return K_CHAR;
    case 3: case 4: case 5: case 11: case 12: return K_INT;
    case 6: case 7: case 8: return K_LONG;
    case 9: return K_FLOAT;
    case 10: return K_DOUBLE;
    default: return K_OTHER;
    }
}

bool is_signed_class(std::uint8_t c) { return c == 1 || c == 3 || c == 6; }

// The plain constant `v` of class `from` as a value of class `to`.
bool fold_constant(Gen& g, std::int32_t v, std::uint8_t from, std::uint8_t to, Operand& out, ExprNode* n) {
    double d;
    if (kind_of(from) == K_LONG && !is_signed_class(from))
        d = static_cast<double>(static_cast<std::uint32_t>(v));
    else if (kind_of(from) == K_INT && !is_signed_class(from))
        d = static_cast<double>(static_cast<std::uint16_t>(v));
    else if (kind_of(from) == K_CHAR && !is_signed_class(from))
        d = static_cast<double>(static_cast<std::uint8_t>(v));
    else if (kind_of(from) == K_INT)
        d = static_cast<double>(static_cast<std::int16_t>(v));
    else if (kind_of(from) == K_CHAR)
        d = static_cast<double>(static_cast<std::int8_t>(v));
    else
        d = static_cast<double>(v);
    init_operand(out, n->type, 0, REG_NONE, 0);
    std::uint8_t host[8], target[8];
    std::memcpy(host, &d, 8);
    switch (kind_of(to)) {
    case K_CHAR: out.offset = is_signed_class(to) ? static_cast<std::int8_t>(v) : static_cast<std::uint8_t>(v); return true;
    case K_INT: out.offset = is_signed_class(to) ? static_cast<std::int16_t>(v) : static_cast<std::uint16_t>(v); return true;
    case K_LONG: out.offset = v; return true;
    case K_FLOAT:
        target_float(host, false, target);
        out.offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(target[0]) << 24 | target[1] << 16 |
                                               target[2] << 8 | target[3]);
        return true;
    case K_DOUBLE:
        out.name = kept_name(g, double_const_label(g, d));
        out.ind = 1;
        return true;
    default: return false;
    }
}

bool d_and_y(std::uint16_t regs) { return (regs & (RM_D | RM_Y)) == (RM_D | RM_Y); }

// A value already evaluated, in D or memory, converted by `text` (its left
// operand the destination place, its right the value).
bool convert_with(Gen& g, ExprNode* n, const Operand& value, const Operand& dest, const char* text,
                  std::uint16_t regs) {
    if (!expand_places(g, dest, value, text, regs)) return false;
    n->place = dest;
    return true;
}

Operand d_place(std::uint16_t type) {
    Operand d;
    init_operand(d, type, 0, REG_D, 0);
    return d;
}

}  // namespace

std::string double_const_label(Gen& g, double value) {
    std::uint8_t host[8], t[8];
    std::memcpy(host, &value, 8);
    target_float(host, true, t);
    std::string key(reinterpret_cast<const char*>(t), 8);
    for (const Gen::DoubleEntry& e : g.double_pool)
        if (e.bytes == key) return e.label;
    std::uint32_t number = new_label_number(g);
    g.pool_label_high = number;
    std::string label = label_text(number);
    g.double_pool.push_back({key, label});
    select_section(g, OC_CONST);
    emit_asm(g, "%p:;", label);
    emit_asm(g, " dc.w %i,%i,%i,%i;", static_cast<std::int16_t>(t[0] << 8 | t[1]),
             static_cast<std::int16_t>(t[2] << 8 | t[3]), static_cast<std::int16_t>(t[4] << 8 | t[5]),
             static_cast<std::int16_t>(t[6] << 8 | t[7]));
    return label;
}

bool gen_cast(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    ExprNode* l = n->left;
    std::uint8_t to = type_class(n->type);
    std::uint8_t from = type_class(l->code == 0 ? l->leaf.type : l->type);
    if (to == 0 || to == 14 || from == 14) {
        // a structure's value is its address
        if (!gen_node(g, l, modes, regs)) return false;
        n->place = l->place;
        if (from == 14 && to != 14 && to != 0) n->place.type = n->type;
        return settle(g, n, modes, regs);
    }
    // a constant converted at compile time
    if (l->code == 0 && is_const(l->leaf) && kind_of(from) <= K_LONG) {
        Operand c;
        if (fold_constant(g, l->leaf.offset, from, to, c, n)) {
            n->place = c;
            return settle(g, n, modes, regs);
        }
    }
    bool evaluated = false;
    if (bit_field_class(from)) {
        // a bit-field is read first: the unsigned type of its unit
        if (!gen_node(g, l, 0x80, regs)) return false;
        from = type_class(l->place.type);
        evaluated = true;
    }
    Kind fk = kind_of(from), tk = kind_of(to);
    if (fk == K_OTHER || tk == K_OTHER) genpanic(g, "FIXOP");
    if (fk == tk) {
        // the same size: only the type changes
        if (!evaluated && !gen_node(g, l, modes, regs)) return false;
        n->place = l->place;
        n->place.type = n->type;
        return settle(g, n, modes, regs);
    }
    if (tk <= K_LONG && fk <= K_LONG && tk < fk) {
        // narrowing between integers: the low bytes, in D or further on
        // in memory
        if (!evaluated && !gen_node(g, l, 0x8E, regs)) return false;
        Operand p = l->place;
        if (p.ind == 1 && p.reg != REG_D && p.reg != REG_S && !(p.flags & SP_VOL)) {
            p.offset = wrap_add(p.offset, class_bytes(from) - class_bytes(to));
        } else if (!(p.ind == 0 && (p.reg == REG_D || is_const(p)))) {
            if (!force_reg(g, l, 0x80, regs)) return false;
            p = l->place;
        }
        p.type = n->type;
        n->place = p;
        return settle(g, n, modes, regs);
    }
    // the operand evaluated where the conversion takes it: in D (the long
    // register), or a double in memory
    std::uint16_t want = fk == K_DOUBLE ? 0x0A : 0x80;
    if (!evaluated && !gen_node(g, l, want, regs)) return false;
    Operand v = l->place;
    std::uint16_t rest = static_cast<std::uint16_t>(regs | RM_D);
    if (fk == K_CHAR) {
        // widened to an int first
        if (!expand_places(g, v, v, is_signed_class(from) ? "E" : "Qa", rest)) return false;
        std::uint8_t c = is_signed_class(from) ? 3 : 5;
        v = d_place(c);
        from = c;
        fk = K_INT;
        if (tk == K_INT) {
            n->place = d_place(n->type);
            return settle(g, n, modes, regs);
        }
    }
    bool sgn = is_signed_class(from);
    switch (tk) {
    case K_CHAR:
    case K_INT:
        if (fk == K_FLOAT) {
            // an unsigned int through a long, so that 32768 and above arrive
            const char* t = tk == K_INT && !is_signed_class(to) ? "!Kftol" : "!Kftoi";
            if (!convert_with(g, n, v, d_place(n->type), t, rest)) return false;
        } else if (fk == K_DOUBLE) {
            if (!(regs & RM_Y) && v.reg != REG_Y) return false;
            const char* t = tk == K_INT && !is_signed_class(to) ? "!&RKdtol" : "&RKdtoi";
            if (!convert_with(g, n, v, d_place(n->type), t, rest)) return false;
        } else {
            return false;
        }
        break;
    case K_LONG:
        if (fk == K_INT) {
            if (!convert_with(g, n, v, d_place(n->type), sgn ? "!Kitol" : "QY;QYY", rest)) return false;
        } else if (fk == K_FLOAT) {
            if (!convert_with(g, n, v, d_place(n->type), "!Kftol", rest)) return false;
        } else if (fk == K_DOUBLE) {
            if (!(regs & RM_Y) && v.reg != REG_Y) return false;
            if (!convert_with(g, n, v, d_place(n->type), "!&RKdtol", rest)) return false;
        } else {
            return false;
        }
        break;
    case K_FLOAT:
        if (fk == K_INT) {
            if (!convert_with(g, n, v, d_place(n->type), sgn ? "!Kitof" : "!Kuitof", rest)) return false;
        } else if (fk == K_LONG) {
            if (!convert_with(g, n, v, d_place(n->type), sgn ? "!Kltof" : "!Kultof", rest)) return false;
        } else if (fk == K_DOUBLE) {
            if (!(regs & RM_Y) && v.reg != REG_Y) return false;
            if (!convert_with(g, n, v, d_place(n->type), "!&RKdtof", rest)) return false;
        } else {
            return false;
        }
        break;
    case K_DOUBLE: {
        if (!(regs & RM_Y)) return false;
        Operand t;
        alloc_value_temp(g, 8, t, n->type);
        const char* text = fk == K_INT     ? (sgn ? "&LKitod" : "&LKuitod")
                           : fk == K_LONG  ? (sgn ? "!&LKltod" : "!&LKultod")
                           : fk == K_FLOAT ? "!&LKftod"
                                           : nullptr;
        if (!text || !convert_with(g, n, v, t, text, rest)) return false;
        break;
    }
    default: return false;
    }
    n->place.type = n->type;
    return settle(g, n, modes, regs);
}

// + - * / and unary - of doubles: the left copied into a temporary, the
// operation applied to it with the right; the temporary is the result.
bool gen_double_operation(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if (!d_and_y(regs)) return false;
    GenState saved;
    save_gen_state(g, saved);
    ExprNode* l = n->left;
    if (type_class(l->type) != 10) l = cast_node(g, l, 10);
    if (!gen_node(g, l, 0x0A, regs)) return false;
    Operand t;
    alloc_value_temp(g, 8, t, 10);
    if (!expand_places(g, t, l->place, "OKdtod", regs)) {
        restore_gen_state(g, saved);
        return false;
    }
    if (n->code == 108) {
        if (!expand_places(g, t, t, "&LKdneg", regs)) {
            restore_gen_state(g, saved);
            return false;
        }
    } else {
        ExprNode* r = n->right;
        if (type_class(r->type) != 10) r = cast_node(g, r, 10);
        if (!gen_node(g, r, 0x0A, regs)) {
            restore_gen_state(g, saved);
            return false;
        }
        const char* text = n->code == 222 ? "OKdadd" : n->code == 216 ? "OKdsub" : n->code == 226 ? "O?3Kdmula?Kdmul?" : "OKddiv";
        if (!expand_places(g, t, r->place, text, regs)) {
            restore_gen_state(g, saved);
            return false;
        }
    }
    n->place = t;
    return settle(g, n, modes, regs);
}

}  // namespace ccgen
