// Helpers of the rules: operands, aliasing of memory operands, counted
// removal and rewriting.
#include "ccopt/rules.h"
#include "ccparse/toolkit/toolkit.h"

namespace ccopt {

bool iscall(const LineNode* l) {
    if (!l->is_insn()) return false;
    int r = l->row();
    return r == rows.jsr || r == rows.bsr || r == rows.swi || (l->effects & F_HINT) || r == rows.wai;
}

std::uint16_t namereg(const LineNode* l) {
    const char* n = row_of(l).name;
    char last = n[std::char_traits<char>::length(n) - 1];
    return last == 'a' ? R_A : last == 'b' ? R_B : R_D;
}

bool immvalue(std::string_view operand, std::int32_t& value) {
    if (!isimm(operand)) return false;
    std::string t(operand.substr(1));
    const char* end = vy::getnum(t.c_str(), &value, 10);
    return *end == 0;
}

MemRef memref(std::string_view operand) {
    MemRef m;
    if (operand.empty() || operand[0] == '#') {
        m.memory = false;
        return m;
    }
    std::size_t comma = operand.find(',');
    std::string_view base = operand.substr(0, comma);
    if (comma != std::string_view::npos) {
        std::string_view rest = operand.substr(comma);
        if (rest == ",x" || rest == ",X") m.index = 'x';
        else if (rest == ",y" || rest == ",Y") m.index = 'y';
        else return m;
    }
    std::size_t i = 0;
    auto namechar = [](char c, bool first) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' ||
               (!first && c >= '0' && c <= '9');
    };
    while (i < base.size() && namechar(base[i], i == 0)) ++i;
    m.symbol = std::string(base.substr(0, i));
    if (i < base.size()) {
        std::string digits(base.substr(i));
        char c = digits[0];
        if (c != '+' && c != '-' && !(c >= '0' && c <= '9')) return m;
        if ((c == '+' || c == '-') && (digits.size() < 2 || digits[1] < '0' || digits[1] > '9')) return m;
        const char* end = vy::getnum(digits.c_str(), &m.offset, 10);
        if (*end) return m;
    } else if (m.symbol.empty()) {
        if (m.index) m.known = true;  // ",x" is 0,x
        return m;
    }
    m.known = true;
    return m;
}

std::string_view bitaddr(std::string_view operand) {
    std::size_t hash = operand.find(",#");
    return hash == std::string_view::npos ? operand : operand.substr(0, hash);
}

std::string_view bitmask(std::string_view operand) {
    std::size_t hash = operand.find(",#");
    if (hash == std::string_view::npos) return {};
    std::string_view m = operand.substr(hash + 2);
    std::size_t comma = m.find(',');
    return m.substr(0, comma);
}

int opsize(const LineNode* l) {
    const MnemonicRow& r = row_of(l);
    std::uint16_t reg = (r.effects & E_STORE) ? (r.uses & 0x1f) : (r.effects & E_LOAD) ? (r.effects & 0x1f) : 0;
    if (reg) return reg == R_A || reg == R_B ? 1 : 2;
    if (r.effects & E_RMW) return 1;
    int row = l->row();
    if (row == rows.cpd || row == rows.cpx || row == rows.cpy || row == rows.addd || row == rows.subd) return 2;
    return 1;
}

// The equates of the input, for operands at fixed addresses.
static const std::unordered_map<std::string, std::int32_t>* equates = nullptr;
void set_equates(const std::unordered_map<std::string, std::int32_t>* e) { equates = e; }

bool mayalias(std::string_view a, int asize, std::string_view b, int bsize) {
    MemRef ma = memref(a), mb = memref(b);
    if (!ma.memory || !mb.memory) return false;
    if (!ma.known || !mb.known) return true;
    if (ma.index != mb.index) return true;
    if (!ma.index && equates) {
        // Symbols at fixed addresses compare by address.
        auto fixed = [](MemRef& m) {
            if (m.symbol.empty()) return true;
            auto it = equates->find(m.symbol);
            if (it == equates->end()) return false;
            m.offset += it->second;
            m.symbol.clear();
            return true;
        };
        MemRef fa = ma, fb = mb;
        bool ka = fixed(fa), kb = fixed(fb);
        if (ka && kb) {
            std::int64_t a0 = fa.offset, b0 = fb.offset;
            return a0 < b0 + bsize && b0 < a0 + asize;
        }
        if (ka != kb && !(ka ? ma : mb).symbol.empty()) return true;  // a fixed address may be anything's
    }
    if (ma.symbol != mb.symbol) {
        // Two objects: distinct names are distinct objects; a bare address
        // or a frame symbol may be anything.
        return ma.index || ma.symbol.empty() || mb.symbol.empty();
    }
    std::int64_t a0 = ma.offset, b0 = mb.offset;
    return a0 < b0 + bsize && b0 < a0 + asize;
}

bool clobbers(const LineNode* l, std::string_view operand, int size) {
    if (!l->is_insn()) return false;
    const MnemonicRow& r = row_of(l);
    if (iscall(l)) return true;
    if (r.effects & (E_STORE | E_RMW)) {
        std::string_view target = (l->row() == rows.bset || l->row() == rows.bclr) ? bitaddr(l->text) : std::string_view(l->text);
        return mayalias(target, opsize(l), operand, size);
    }
    if ((r.effects & R_SP) && (r.uses & R_SP) && (r.uses & 0x000f)) {
        // A push writes the stack, which only frame and bare addresses reach.
        MemRef m = memref(operand);
        return m.memory && (!m.known || m.index || m.symbol.empty());
    }
    return false;
}

LineNode* destroy(Opt& o, LineNode* l) {
    ++o.destructions;
    return killline(o, l);
}

void rewrite(Opt& o, LineNode* l, int row, std::string_view operand) {
    std::string text(operand);
    droplink(o, l);
    setinsn(o, l, row, text);
    if (l->effects & E_BRANCH) findlabel(o, l);
    ++o.modifications;
}

LineNode* insert_after(Opt& o, LineNode* after, int row, std::string_view operand) {
    return linsert(o, after, newinsn(o, row, operand));
}

LineNode* insert_before(Opt& o, LineNode* before, int row, std::string_view operand) {
    return linsert(o, before->prev, newinsn(o, row, operand));
}

LineNode* insert_branch_after(Opt& o, LineNode* after, int row, std::string_view operand) {
    LineNode* l = insert_after(o, after, row, operand);
    findlabel(o, l);
    return l;
}

}  // namespace ccopt
