// Addresses of operands brought into a register: the address of a memory
// operand into Y (keeping D) or into D (keeping Y), and an address that an
// operand stands for (a frame object, a register plus an offset) formed in
// D or Y. Each writes compact notation and counts its bytes.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

// "OFST+v" for a frame offset, or the signed number.
std::string offset_text(const Operand& o, std::int32_t extra = 0) {
    std::int32_t v = wrap_add(o.offset, extra);
    if (o.reg == REG_FRAME || o.reg == REG_TEMP) return v < 0 ? "OFST" + std::to_string(v) : "OFST+" + std::to_string(v);
    return std::to_string(static_cast<std::int16_t>(v));
}

// "sym+v" or "sym-v" or "sym", or the number alone.
std::string immediate_text(const Operand& o) {
    std::string s = "#";
    std::int16_t v = static_cast<std::int16_t>(o.offset);
    if (o.name[0] != '\0') {
        s += o.name;
        if (v > 0) s += '+';
        if (v != 0) s += std::to_string(v);
    } else {
        s += std::to_string(v);
    }
    return s;
}

// Y := Y + k, D kept.
void add_to_y(AddrText& t, const std::string& k, std::int32_t value, bool known) {
    if (known && value == 0) return;
    if (known && value >= 1 && value <= 3) {
        for (int i = 0; i < value; ++i) t.add(" iny;", 2);
        return;
    }
    if (known && value >= -3 && value <= -1) {
        for (int i = 0; i < -value; ++i) t.add(" dey;", 2);
        return;
    }
    t.add(" xgdy; addd #" + k + "; xgdy;", 7);
}

}  // namespace

void AddrText::add(const std::string& s, int bytes) {
    text += s;
    size += bytes;
}

// The address of the memory operand `o` (indirection 1 or more) into Y.
bool address_into_y(Gen& g, const Operand& o, AddrText& t) {
    if (o.ind == 0) return false;
    if (o.ind >= 2) {
        // the address is the pointer that the next level holds
        Operand p = o;
        p.ind = static_cast<std::uint8_t>(o.ind - 1);
        if (p.ind >= 2 || p.reg == REG_D) {
            if (!address_into_y(g, p, t)) return false;
            t.add(" ldy 0,y;", 3);
            return true;
        }
        std::string text;
        int size = 0;
        if (!operand_text(g, p, 0, 0, 0x0B, false, text, size)) return false;
        t.add(" ldy " + text + ";", size + 2);
        return true;
    }
    switch (o.reg) {
    case REG_NONE: {
        Operand a = o;
        a.ind = 0;
        t.add(" ldy " + immediate_text(a) + ";", 4);
        return true;
    }
    case REG_Y: add_to_y(t, std::to_string(static_cast<std::int16_t>(o.offset)), o.offset, true); return true;
    case REG_X:
        t.add(" pshx; puly;", 3);
        add_to_y(t, std::to_string(static_cast<std::int16_t>(o.offset)), o.offset, true);
        return true;
    case REG_FRAME:
    case REG_TEMP:
        t.add(" pshx; puly;", 3);
        add_to_y(t, offset_text(o), 0, false);
        return true;
    default: return false;  // through D: no address to take
    }
}

// The address of the memory operand `o` into D; Y is kept unless `o` is
// reached through Y (then Y is lost).
bool address_into_d(Gen& g, const Operand& o, AddrText& t) {
    if (o.ind == 0) return false;
    if (o.ind >= 2) {
        Operand p = o;
        p.ind = static_cast<std::uint8_t>(o.ind - 1);
        if (p.ind >= 2 || p.reg == REG_D) return false;
        std::string text;
        int size = 0;
        if (!operand_text(g, p, 0, 0, 0x0B, false, text, size)) return false;
        t.add(" ldd " + text + ";", size + 1);
        return true;
    }
    switch (o.reg) {
    case REG_NONE: {
        Operand a = o;
        a.ind = 0;
        t.add(" ldd " + immediate_text(a) + ";", 3);
        return true;
    }
    case REG_Y:
        t.add(" xgdy;", 2);
        if (o.offset) t.add(" addd #" + std::to_string(static_cast<std::int16_t>(o.offset)) + ";", 3);
        return true;
    case REG_X:
    case REG_FRAME:
    case REG_TEMP:
        t.add(" pshx; puld;", 3);
        if (o.reg != REG_X || o.offset) t.add(" addd #" + offset_text(o) + ";", 3);
        return true;
    default: return false;
    }
}

// An address that `o` stands for (indirection 0, a register base with an
// offset) formed in register `target` (REG_D or REG_Y). A frame base is
// read from the link word (which gives the frame its link), corrected by
// 1 - regarg_size: the link word holds F - 1 + R.
bool form_address(Gen& g, const Operand& o, std::uint8_t target, AddrText& t) {
    if (o.ind != 0 || o.reg == REG_NONE) return false;
    std::uint8_t r = o.reg == REG_TEMP ? std::uint8_t{REG_FRAME} : o.reg;
    std::int32_t v = o.offset;
    bool symbol = o.name[0] != '\0';
    std::string sym = symbol ? std::string(o.name) : std::string();
    auto plus = [&](std::int32_t k) {
        std::string s = sym;
        if (!s.empty() && k > 0) s += '+';
        if (k != 0 || s.empty()) s += std::to_string(static_cast<std::int16_t>(k));
        return s;
    };
    if (r == REG_FRAME) {
        g.frame_flags |= FRAME_LINK;
        v = wrap_add(v, 1 - g.regarg_size);
    }
    if (target == REG_D) {
        if (r == REG_X || r == REG_Y)
            t.add(r == REG_X ? " pshx; puld;" : " pshy; puld;", r == REG_X ? 3 : 4);
        else if (r == REG_FRAME)
            t.add(" ldd 0,x;", 2);
        else if (r != REG_D)
            return false;
        if (v != 0 || symbol) t.add(" addd #" + plus(v) + ";", 3);
        return true;
    }
    if (target != REG_Y) return false;
    if (r == REG_Y && !symbol) {
        add_to_y(t, std::to_string(static_cast<std::int16_t>(v)), v, true);
        return true;
    }
    if (r == REG_FRAME && !symbol && v >= -2 && v <= 0) {
        t.add(" ldy 0,x;", 3);
        for (std::int32_t i = v; i < 0; ++i) t.add(" dey;", 2);
        return true;
    }
    if (r == REG_D) {
        if (v != 0 || symbol) t.add(" addd #" + plus(v) + ";", 3);
        t.add(" xgdy;", 2);
        return true;
    }
    // through D, which is kept: the two exchanges put it back (a base in
    // Y is in D after the first)
    t.add(" xgdy;", 2);
    if (r == REG_FRAME)
        t.add(" ldd 0,x;", 2);
    else if (r == REG_X)
        t.add(" pshx; puld;", 3);
    if (v != 0 || symbol) t.add(" addd #" + plus(v) + ";", 3);
    t.add(" xgdy;", 2);
    return true;
}

}  // namespace ccgen
