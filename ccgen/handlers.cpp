// The special handlers of rows with flag 0x80. Each gets the node whose
// operands are placed, the free-register set and the row, and returns the
// text to expand (in the template language, with L and R for the
// operands) or false when it cannot serve; the generator then tries the
// next row or order.
//
//   0  test of a char or int bit-field in memory against a constant
//   1  = of a constant into a char or int bit-field
//   2  = of a value in D into a char or int bit-field
//   3  = of a bit-field into a register (char, int and long units)
//   4  structure copy
//   5  = of a long or float in memory from a constant or memory
//   6  = onto the stack: argument pushes of longs, floats and doubles
//   7  ~, ^, or, & on a bit-field in memory, in place
//   8  char * / % through the byte routines with their inline operand
//   9  = of a constant into a long bit-field
//   10 = of a value into a long bit-field
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

struct Field {
    int offset = 0;
    int width = 0;
    int unit = 0;         // bytes: 1, 2 or 4
    std::uint32_t mask = 0;
    bool valid = false;
};

Field field_of(const Operand& o) {
    Field f;
    std::uint8_t c = type_class(o.type);
    f.unit = c == 13 ? 1 : c == 4 ? 2 : c == 7 ? 4 : 0;
    f.offset = (o.type >> 4) & 31;
    f.width = (o.type >> 10) & 63;
    f.mask = field_mask(o.type);
    f.valid = f.unit != 0 && f.width > 0 && f.offset + f.width <= 8 * f.unit && o.ind == 1;
    return f;
}

// The byte b of a unit (0 = the most significant, at the lowest address).
std::uint32_t unit_byte(std::uint32_t v, int unit, int b) { return (v >> (8 * (unit - 1 - b))) & 0xFF; }

// The template text of a memory operand b bytes further: "L", "VL",
// "UL", "UVL".
std::string byte_operand(char which, int b) {
    std::string s;
    if (b & 2) s += 'U';
    if (b & 1) s += 'V';
    return s + which;
}

// A byte immediate written as a literal, with its byte counted.
std::string imm8(std::uint32_t v) { return "#I" + std::to_string(v & 0xFF); }
std::string imm16(std::uint32_t v) { return "#II" + std::to_string(v & 0xFFFF); }

// Direct-page or small-index memory: bset and bclr reach it.
bool bit_addressable(const Gen& g, const Operand& o) { return o.ind == 1 && mode_of_operand(g, o) == 0x02; }

bool d_free(std::uint16_t free) { return free & RM_D; }

// Around a routine that takes an address in Y while Y holds something.
std::string save_y(std::uint16_t free, const Operand& dest, const std::string& body) {
    if ((free & RM_Y) || dest.reg == REG_Y) return body;
    return "PIy;" + body + "; pulIy";
}

// ------------------------------------------------------------------ 0
bool test_field(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    (void)g;
    const Operand& l = n->left->place;
    const Operand& r = n->right->place;
    Field f = field_of(l);
    if (!f.valid || f.unit == 4 || !d_free(free) || !is_const(r)) return false;
    std::int64_t k = r.offset;
    if (k < 0 || k > static_cast<std::int64_t>(f.mask >> f.offset)) return false;
    std::uint32_t kk = static_cast<std::uint32_t>(k) << f.offset;
    std::uint32_t mh = unit_byte(f.mask, f.unit, 0), ml = f.unit == 2 ? unit_byte(f.mask, 2, 1) : 0;
    if (f.unit == 1 || mh == 0 || ml == 0) {
        int b = f.unit == 1 || ml == 0 ? 0 : 1;
        std::uint32_t m = unit_byte(f.mask, f.unit, b), v = unit_byte(kk, f.unit, b);
        text = "Mab " + byte_operand('L', b) + ";N1b " + imm8(m);
        if (v) text += ";Xb " + imm8(v);
        return true;
    }
    text = "Md L;N1a " + imm8(mh) + ";N1b " + imm8(ml);
    text += kk ? ";Z2Id " + imm16(kk) : ";F2d #II0";
    return true;
}

// ------------------------------------------------------------------ 1 and 9
// A constant into a field: bclr and bset per byte, or through B.
bool store_field_constant(Gen& g, ExprNode* n, std::uint16_t free, std::string& text, int units) {
    const Operand& l = n->left->place;
    const Operand& r = n->right->place;
    Field f = field_of(l);
    if (!f.valid || !is_const(r) || (units == 4) != (f.unit == 4)) return false;
    std::uint32_t v = (static_cast<std::uint32_t>(r.offset) << f.offset) & f.mask;
    if (l.flags & SP_EEPROM) {
        if (!d_free(free)) return false;
        std::string body;
        if (f.unit == 1)
            body = "Mab " + imm8(v) + ";&LKeewbfb; dc.b " + std::to_string(f.mask) + "I";
        else if (f.unit == 2)
            body = "Md " + imm16(v) + ";&LKeewbfd; dc.w " + std::to_string(f.mask) + "II";
        else
            body = "SMd " + imm16(static_cast<std::uint32_t>(r.offset) >> 16) + ";CdY;Md " +
                   imm16(static_cast<std::uint32_t>(r.offset)) + ";&LKeewbfx; dc.w " +
                   std::to_string(f.offset * 256 + f.width) + "I";
        text = save_y(free, l, body);
        return true;
    }
    bool bits = bit_addressable(g, l);
    if (!bits && !d_free(free)) return false;
    text.clear();
    for (int b = 0; b < f.unit; ++b) {
        std::uint32_t m = unit_byte(f.mask, f.unit, b), vb = unit_byte(v, f.unit, b);
        if (m == 0) continue;
        std::string at = byte_operand('L', b);
        if (!text.empty()) text += ';';
        if (m == 0xFF && vb == 0) {
            text += "Q " + at;
        } else if (bits) {
            std::uint32_t clear = m & ~vb;
            if (clear) text += " bclr " + at + "," + imm8(clear);
            if (clear && vb) text += ';';
            if (vb) text += " bset " + at + "," + imm8(vb);
        } else if (m == 0xFF) {
            text += "Mab " + imm8(vb) + ";Cab " + at;
        } else {
            text += "Mab " + at + ";N1b " + imm8(~m);
            if (vb) text += ";N3b " + imm8(vb);
            text += ";Cab " + at;
        }
    }
    return true;
}

bool store_field_constant_short(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    return store_field_constant(g, n, free, text, 2);
}
bool store_field_constant_long(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    return store_field_constant(g, n, free, text, 4);
}

// ------------------------------------------------------------------ 2
// A value in D shifted into place, masked and merged.
bool store_field_value(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    const Operand& l = n->left->place;
    Field f = field_of(l);
    if (!f.valid || f.unit == 4 || n->right->place.reg != REG_D || n->right->place.ind != 0) return false;
    std::string shift;
    if (f.unit == 1) {
        for (int i = 0; i < f.offset; ++i) shift += "D4b;";
        shift += "N1b " + imm8(f.mask);
    } else {
        if (f.offset >= 8) {
            shift = " tba;Qb;";
            for (int i = 8; i < f.offset; ++i) shift += "D4a;";
        } else {
            for (int i = 0; i < f.offset; ++i) shift += "D4d;";
        }
        std::uint32_t mh = unit_byte(f.mask, 2, 0), ml = unit_byte(f.mask, 2, 1);
        shift += mh == 0 ? "Qa" : mh == 0xFF ? "" : "N1a " + imm8(mh);
        if (mh != 0xFF && ml != 0xFF) shift += ";";
        shift += ml == 0 ? "Qb" : ml == 0xFF ? "" : "N1b " + imm8(ml);
    }
    if (!shift.empty() && shift.back() == ';') shift.pop_back();
    if (l.flags & SP_EEPROM) {
        std::string body = f.unit == 1 ? "&LKeewbfb; dc.b " + std::to_string(f.mask) + "I"
                                       : "&LKeewbfd; dc.w " + std::to_string(f.mask) + "II";
        text = shift + ";" + save_y(free, l, body);
        return true;
    }
    if (bit_addressable(g, l)) {
        std::string clear;
        for (int b = 0; b < f.unit; ++b) {
            std::uint32_t m = unit_byte(f.mask, f.unit, b);
            if (m) clear += ";" + std::string(m == 0xFF ? "Q " + byte_operand('L', b)
                                                        : " bclr " + byte_operand('L', b) + "," + imm8(m));
        }
        text = shift + clear + (f.unit == 1 ? ";N3b L;Cab L" : ";N3a L;N3b VL;Cd L");
        return true;
    }
    if (f.unit == 1) {
        text = shift + ";Maa L;N1a " + imm8(~f.mask) + "; aba;Caa L";
        return true;
    }
    if (!(free & RM_Y) || l.reg == REG_Y) return false;
    text = shift + ";PId; Itsy;Md L;N1a " + imm8(~unit_byte(f.mask, 2, 0)) + ";N1b " + imm8(~unit_byte(f.mask, 2, 1)) +
           ";N3a II0,y;N3b II1,y; ins; ins;Cd L";
    return true;
}

// ------------------------------------------------------------------ 3
// A field read into D (the long register for a long unit), zero-extended.
bool load_field(Gen& g, ExprNode* n, std::uint16_t, const TemplateRow&, std::string& text) {
    (void)g;
    const Operand& r = n->right->place;
    Field f = field_of(r);
    if (!f.valid) return false;
    if (f.unit == 4) {
        text = "SMd R;CdY;Md UR;Kbfget; dc.w " + std::to_string(f.offset * 256 + f.width) + "I";
        return true;
    }
    int byte = -1, shift = f.offset;
    if (f.unit == 1) {
        byte = 0;
    } else if (f.offset >= 8) {
        byte = 0;
        shift = f.offset - 8;
    } else if (f.offset + f.width <= 8) {
        byte = 1;
    }
    if (byte >= 0) {
        text = "Mab " + byte_operand('R', byte);
        for (int i = 0; i < shift; ++i) text += ";D2b";
        if (shift + f.width < 8) text += ";N1b " + imm8((1u << f.width) - 1);
        text += ";Qa";
        return true;
    }
    text = "Md R";
    for (int i = 0; i < f.offset; ++i) text += ";D2d";
    if (f.offset + f.width < 16) {
        std::uint32_t m = (1u << f.width) - 1;
        std::uint32_t mh = m >> 8;
        text += mh == 0 ? ";Qa" : mh == 0xFF ? "" : ";N1a " + imm8(mh);
        if ((m & 0xFF) != 0xFF) text += ";N1b " + imm8(m);
    }
    return true;
}

// ------------------------------------------------------------------ 4
// A structure copy: load and store pairs for a few bytes when both places
// can be reached as memory, else the block move routines (EEPROM: eewstr)
// with the source address in D and the destination in Y.
bool copy_structure(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    const Operand& dst = n->left->place;
    const Operand& src = n->right->place;
    std::uint32_t size = n->struct_size;
    if (size == 0) {
        text.clear();
        return true;
    }
    // an address that becomes a memory operand with one more level
    auto reachable = [&](const Operand& a) {
        if (a.ind != 0) return false;
        if (a.reg == REG_NONE) return true;
        if (a.reg == REG_Y) return a.offset >= 0 && a.offset <= 240 && a.name[0] == '\0';
        return (a.reg == REG_FRAME || a.reg == REG_TEMP) && mode_of_operand(g, a) == 0x100;
    };
    bool eeprom = n->left->space & SP_EEPROM;
    if (!eeprom && size <= 4 && d_free(free) && reachable(dst) && reachable(src) &&
        !(dst.reg == REG_Y && src.reg == REG_Y)) {
        text = "JLJR";
        std::uint32_t k = 0;
        for (; k + 2 <= size; k += 2) {
            std::string o = k & 2 ? "U" : "";
            text += "Md " + o + "R;Cd " + o + "L;";
        }
        if (k < size) {
            std::string o = k & 2 ? "U" : "";
            text += "Mab " + o + "R;Cab " + o + "L";
        }
        if (!text.empty() && text.back() == ';') text.pop_back();
        return true;
    }
    if (!(dst.reg == REG_Y && dst.ind == 0 && dst.offset == 0 && src.reg == REG_D && src.ind == 0))
        return false;
    if (eeprom)
        text = "Keewstr; dc.w " + std::to_string(size) + "I";
    else if (size < 256)
        text = "Kmovstb; dc.b " + std::to_string(size);
    else
        text = "Kmovstw; dc.w " + std::to_string(size) + "I";
    return true;
}

// ------------------------------------------------------------------ 5
bool move_long(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    (void)g;
    const Operand& l = n->left->place;
    const Operand& r = n->right->place;
    bool y_used = (l.reg == REG_Y && l.ind) || (r.reg == REG_Y && r.ind);
    if (d_free(free))
        text = "SMd UR;Cd UL;Md R;Cd L";
    else if ((free & RM_Y) && !y_used)
        text = "SMIy UR;CIy UL;MIy R;CIy L";
    else
        text = "PId;SMd UR;Cd UL;Md R;Cd L; pulId";
    return true;
}

// ------------------------------------------------------------------ 6
// Pushes: a long or float word by word (through D, or Y), a double from a
// double by dtos, or converted into eight bytes reserved on the stack.
bool push_wide(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    const Operand& r = n->right->place;
    std::uint8_t to = type_class(n->left->place.type);
    std::uint8_t from = type_class(r.type);
    g.frame_flags |= FRAME_PUSHES;
    if (to == 10) {
        if (from == 10) {
            text = "&RKdtos";
            return true;
        }
        const char* routine = nullptr;
        switch (from) {
        case 1: case 2: case 3: routine = "itod"; break;
        case 4: case 5: case 11: case 12: case 13: routine = "uitod"; break;
        case 6: routine = "ltod"; break;
        case 7: case 8: routine = "ultod"; break;
        case 9: routine = "ftod"; break;
        default: return false;
        }
        if (r.reg != REG_D || r.ind != 0) return false;
        text = std::string(from >= 6 ? "!" : "") + "Px;Px;Px;Px; Itsy;K" + routine;
        return true;
    }
    bool y_used = r.reg == REG_Y && r.ind;
    if (d_free(free))
        text = "SMd UR;PId;Md R;PId";
    else if ((free & RM_Y) && !y_used)
        text = "SMIy UR;PIy;MIy R;PIy";
    else
        genpanic(g, "LGTOST");
    return true;
}

// ------------------------------------------------------------------ 7
// In place on a field: bset for or, bclr for and, eor for ^ and ~.
bool field_logic(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    const Operand& l = n->left->place;
    Field f = field_of(l);
    if (!f.valid || f.unit == 4 || (l.flags & SP_EEPROM)) return false;
    std::uint32_t k;
    int op = n->code;
    if (op == 115) {
        k = f.mask;
        op = 146;  // a complement toggles every bit of the field
    } else {
        const Operand& r = n->right->place;
        if (!is_const(r)) return false;
        k = (static_cast<std::uint32_t>(r.offset) << f.offset) & f.mask;
    }
    bool bits = bit_addressable(g, l);
    text.clear();
    for (int b = 0; b < f.unit; ++b) {
        std::uint32_t m = unit_byte(f.mask, f.unit, b), kb = unit_byte(k, f.unit, b);
        std::string at = byte_operand('L', b);
        std::string piece;
        switch (op) {
        case 141:
        case 156:  // or: set the bits of k
            if (!kb) continue;
            piece = bits ? " bset " + at + "," + imm8(kb) : "Mab " + at + ";N3b " + imm8(kb) + ";Cab " + at;
            break;
        case 134:
        case 193: {  // and: clear the bits of the field that k lacks
            std::uint32_t clear = m & ~kb;
            if (!clear) continue;
            piece = bits ? " bclr " + at + "," + imm8(clear) : "Mab " + at + ";N1b " + imm8(~clear) + ";Cab " + at;
            break;
        }
        default:  // exclusive or
            if (!kb) continue;
            piece = "Mab " + at + ";N4b " + imm8(kb) + ";Cab " + at;
            break;
        }
        if (piece[0] != ' ' && !d_free(free)) return false;
        if (!text.empty()) text += ';';
        text += piece;
    }
    return true;
}

// ------------------------------------------------------------------ 8
// The byte routines take their operand inline after the call.
bool byte_routine(Gen& g, ExprNode* n, std::uint16_t, const TemplateRow& row, std::string& text) {
    (void)g;
    const Operand& r = n->right->place;
    if (!is_const(r)) return false;
    std::int32_t k = r.offset;
    bool is_signed = type_class(n->left->place.type) == 1;
    if (k == 0 || k > 127 || (!is_signed && k < 1)) return false;
    text = row.text ? row.text : "";
    std::size_t call = text.find("Kidivb");
    if (call == std::string::npos) call = text.find("Kimulb");
    if (call == std::string::npos) return false;
    text.insert(call + 6, "; dc.b " + std::to_string(k));
    return true;
}

// ------------------------------------------------------------------ 10
bool store_long_field(Gen& g, ExprNode* n, std::uint16_t free, const TemplateRow&, std::string& text) {
    (void)g;
    const Operand& l = n->left->place;
    Field f = field_of(l);
    if (!f.valid || f.unit != 4) return false;
    std::string desc = std::to_string(f.offset * 256 + f.width) + "I";
    text = save_y(free, l, std::string("!&LK") + (l.flags & SP_EEPROM ? "eewbfx" : "bfput") + "; dc.w " + desc);
    return true;
}

}  // namespace

const SpecialHandler special_handlers[11] = {
    test_field,     store_field_constant_short, store_field_value, load_field,
    copy_structure, move_long,                  push_wide,         field_logic,
    byte_routine,   store_field_constant_long,  store_long_field,
};

}  // namespace ccgen
