// The template engine: choosing a row for an operator node (`select_row`,
// `fits`) and expanding its text in the template language into the code
// store (`expand_template`, `operand_text`), with the byte counts that
// branch shortening relies on.
#include <algorithm>
#include <cstring>

#include "ccgen/ccgen.h"

namespace ccgen {

// ------------------------------------------------------------ choosing a row

namespace {

// Addressing modes each operand kind allows.
constexpr std::uint16_t kind_modes[16] = {0x004, 0x020, 0x004, 0x094, 0x080, 0x010, 0x090, 0x01A,
                                          0x00A, 0x002, 0x006, 0x110, 0,     0,     0,     0};

constexpr std::int32_t constant_of[16] = {32, 64, 128, 256, 512, 1024, 2048, 4096, 9, 10, 11, 12, 13, 14, 15, 24};

bool plain_constant(const Operand& o) { return o.reg == REG_NONE && o.name[0] == '\0' && o.ind == 0; }

// The smallest class that holds a constant, 0 when none of 1, 2, 3, 5 does.
std::uint8_t constant_class(std::int32_t v) {
    if (v >= -128 && v <= 127) return 1;
    if (v >= 0 && v <= 255) return 2;
    if (v >= -32768 && v <= 32767) return 3;
    if (v >= 0 && v <= 65535) return 5;
    return 0;
}

const Operand& place_of(const Gen& g, const ExprNode* n) { return n ? n->place : g.zero; }

// A value fits only a row of its own class (after the operator's mapping
// of signedness): a char is not taken for an int, a signed value not for
// an unsigned division, nor a bit-field for the unit that holds it; a
// conversion or a special row does that.
bool same_storage(std::uint8_t operand, std::uint8_t descriptor) { return operand == descriptor; }

// The class of an operand: its place's once it has one, else its node's.
std::uint8_t operand_class(const ExprNode* n) {
    if (!n) return 0;
    return type_class(n->code == 0 ? n->place.type : n->type);
}

}  // namespace

std::uint16_t descriptor_modes(std::uint8_t desc) {
    if (desc <= 15 || (desc >= 0x20 && desc <= 0x2F)) return 0x004;
    return kind_modes[desc >> 4];
}

// `n` is the operand's node (null for a given place); an operator node
// that is not evaluated yet is no constant.
bool fits(const Gen& g, const ExprNode* n, const Operand& o, std::uint8_t desc, std::uint16_t modes, std::uint8_t cls) {
    (void)g;
    bool plain = (!n || n->code == 0) && plain_constant(o);
    std::int32_t v = o.offset;
    if (desc < 15) {
        if (!plain) return false;
        switch (desc) {
        case 9: return v == -1;
        case 10: return v >= 0 && v <= 65535;
        case 11: return v == 16;
        case 13: return v >= 0 && v <= 255;
        case 14: return (v & 0xFF) == 0;
        default: return v == desc;
        }
    }
    if (desc >= 0x20 && desc <= 0x2F) return plain && v == constant_of[desc & 15];
    if (desc == 15) return plain;
    std::uint8_t dcls = desc & 15;
    if (!plain && !same_storage(cls, dcls)) return false;
    if (plain) {
        // a constant brought into the long register must be of its class:
        // a narrower one would set only D, not the high word at 2,x, and
        // an integer's bits are no float
        int kind = desc >> 4;
        if ((kind == 4 || kind == 5 || kind == 6) && dcls >= 6 && dcls <= 9 &&
            (class_bytes(cls) != 4 || (cls == 9) != (dcls == 9)))
            return false;
        std::uint8_t c = cls;
        if (class_order(c) > class_order(dcls)) {
            c = constant_class(v);
            if (c == 0 || class_order(c) > class_order(dcls)) return false;
        }
    } else {
        if (class_order(cls) > class_order(dcls)) return false;
        if (modes && class_order(cls) < class_order(dcls)) return false;
    }
    if (modes && !(modes & kind_modes[desc >> 4])) return false;
    return true;
}

// Every row that fits, in the order of the search: the rows that take the
// operands where they are first, then those for which they must move.
std::vector<const TemplateRow*> select_rows(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t free) {
    std::vector<const TemplateRow*> found;
    const OperatorRows* ops = operator_rows(n->code);
    if (!ops || !ops->rows) return found;
    int code = n->code;
    const Operand& left = left_given ? *left_given : place_of(g, n->left);
    const Operand& right = place_of(g, n->right);
    const ExprNode* lnode = left_given ? nullptr : n->left;
    std::uint8_t lc = left_given ? type_class(left.type) : operand_class(n->left);
    std::uint8_t rc = operand_class(n->right);
    std::uint8_t res = n->unused ? 0 : (code == 174 && n->cls ? n->cls : type_class(n->type));
    if (code != 174 && code != 136 && !left_given) {
        if (res > 2 && res != 13) lc = promote_class(lc);
        if ((res == 1 || res == 2 || res == 13) && (lc == 4 || lc == 7 || lc == 13))
            lc = lc == 13 ? 2 : promote_class(lc);
    }
    int flag = operator_flag(code);
    if (flag & 2) {
        lc = unsigned_class(lc);
        rc = unsigned_class(rc);
    } else if (flag & 1) {
        rc = unsigned_class(rc);
    }
    std::uint16_t lmodes = left_given ? mode_of_operand(g, left)
                           : (code == 174 || code == 136) ? mode_of_tree(g, n->left)
                                                          : 0;
    std::uint16_t rmodes = lmodes && n->right ? mode_of_tree(g, n->right) : 0;
    bool unary_pair = n->left && n->right && n->left->code != 0 && n->right->code != 0 &&
                      is_unary_op(n->left->code) && is_unary_op(n->right->code);
    if (unary_pair && lc >= 6 && lc <= 9) {
        rmodes = 0;
        if (code == 174) lmodes = 0;
    }
    auto over_107 = [](const ExprNode* x) {
        return x && (x->code == 107 || (x->code != 0 && is_unary_op(x->code) && x->left && x->left->code == 107));
    };
    for (;;) {
        for (std::size_t i = 0; i < ops->count; ++i) {
            const TemplateRow& row = ops->rows[i];
            std::uint8_t flags = row.flags;
            if (code == 174) {
                std::uint8_t cond = static_cast<std::uint8_t>(g.condition_class);
                if ((flags & cond) != cond) continue;
            }
            if ((flags & 0x40) && res != 0) continue;
            if ((flags & 3) == 3) {
                if (left.flags & 0x10) continue;
                flags &= static_cast<std::uint8_t>(~3);
            }
            if ((flags & 1) && (row.right >> 4) != 4 && !(free & RM_D)) continue;
            if ((row.left >> 4) == 9 && ((row.right >> 4) == 9 || (row.right >> 4) == 10) &&
                (rmodes == 0 || (left.reg == REG_Y && over_107(n->right))))
                continue;
            if ((flags & 2) && left.reg == REG_NONE && !(left.flags & SP_DIR)) continue;
            bool match = fits(g, lnode, left, row.left, lmodes, lc) &&
                         fits(g, n->right, right, row.right, rmodes, rc) &&
                         (code == 174 || row.left <= 15 || (row.left >= 0x20 && row.left <= 0x2F) ||
                          class_order(res) <= class_order(row.left & 15));
            if (!match) continue;
            if ((row.flags & 0x80) && (row.first & 0x40)) {
                i += row.first & 63;
                continue;
            }
            if (std::find(found.begin(), found.end(), &row) == found.end()) found.push_back(&row);
        }
        if (rmodes) {
            rmodes = 0;
        } else if (lmodes && !left_given) {
            lmodes = 0;
        } else {
            return found;
        }
    }
}

const TemplateRow* select_row(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t free) {
    std::vector<const TemplateRow*> rows = select_rows(g, n, left_given, free);
    return rows.empty() ? nullptr : rows.front();
}

// ------------------------------------------------------------ operand text

namespace {

enum Part { PART_WORD, PART_LOW, PART_HIGHWORD, PART_HIGH };

// Stems without a direct-page form: their memory operands take two bytes.
bool no_direct_form(int stem) {
    switch (stem) {
    case 0x0D:  // clr
    case 0x11:  // inc
    case 0x12:  // dec
    case 0x13:
    case 0x14:
    case 0x15:
    case 0x16:
    case 0x17:  // shifts and rotates
    case 0x1C:  // tst
    case 0x1E:  // neg
    case 0x1F:  // com
        return true;
    default: return false;
    }
}

char register_letter(std::uint8_t reg) {
    switch (reg) {
    case REG_D: return 'd';
    case REG_Y: return 'y';
    case REG_S: return 's';
    default: return 'x';  // X, the frame and its temporaries
    }
}

}  // namespace

bool operand_text(Gen& g, const Operand& o, int k, int part, int stem, bool complement, std::string& out,
                  int& size) {
    (void)g;
    int n = o.ind;
    std::uint8_t r = o.reg == REG_TEMP ? std::uint8_t{REG_FRAME} : o.reg;
    bool symbol = o.name[0] != '\0';
    std::int32_t value;
    if (n == 0) {
        std::uint32_t u = static_cast<std::uint32_t>(o.offset);
        std::uint32_t sel = part == PART_HIGHWORD && (k & 3) < 2 ? u >> 16 : u & 0xFFFF;
        if ((k % 2 == 0 && part == PART_HIGH) || k > 3) sel = (sel >> 8) & 0xFF;
        if ((k & 1) || part == PART_LOW || part == PART_HIGH) sel &= 0xFF;
        value = static_cast<std::int32_t>(sel);
    } else {
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(o.offset) + static_cast<std::uint32_t>(k & 3));
    }
    bool immediate = n == 0 && r == REG_NONE;
    if (r == REG_D && n >= 1) return false;  // memory through D cannot be written
    if (n >= 2) return false;                // contents of contents: its address comes first
    if (immediate) {
        out += '#';
        if (complement) value = ~value & 0xFF;
    }
    bool as_signed = n == 0 || symbol || r != REG_NONE;
    std::int32_t shown = as_signed ? static_cast<std::int16_t>(value) : static_cast<std::uint16_t>(value);
    if (symbol) {
        out += o.name;
        if (shown > 0) out += '+';
    } else if (r == REG_FRAME) {
        out += "OFST";
        if (shown >= 0) out += '+';
    }
    if (shown != 0 || (!symbol && (immediate || n >= 1))) out += std::to_string(shown);
    if (r != REG_NONE) {
        if (n >= 1) out += ',';
        out += register_letter(r);
    }
    // bytes of the operand
    if (immediate) {
        size += part == PART_WORD || part == PART_HIGHWORD ? 2 : 1;
    } else if (n == 0) {
        if (r == REG_Y || (r == REG_D && stem == 0x0C)) size += 1;
    } else if (r == REG_NONE) {
        size += !no_direct_form(stem) && symbol && (o.flags & SP_DIR) ? 1 : 2;
    } else {
        size += r == REG_Y ? 2 : 1;
    }
    return true;
}

// ------------------------------------------------------------ expansion

namespace {

class Expander {
public:
    Expander(Gen& g, ExprNode* n, const TemplateRow* row, std::uint16_t free)
        : g_(g), n_(n), row_(row), free_(free), left_(place_of(g, n->left)), right_(place_of(g, n->right)) {}

    bool run(std::string_view text) {
        if (!expand(text)) return false;
        if (wrote_) {
            if (line_open_ || directive_open_) line_end();
            if (t_label_ && !t_defined_) out_ += label_text(t_label_) + ":;";
            if (dollar_) out_ += label_text(dollar_) + ":;";
        }
        code_text(g_, out_);
        g_.code_offset = static_cast<std::uint16_t>(g_.code_offset + size_);
        return true;
    }

private:
    Gen& g_;
    ExprNode* n_;
    const TemplateRow* row_;
    std::uint16_t free_;
    Operand left_, right_;
    std::string out_;
    int size_ = 0;
    int part_ = PART_WORD;
    int k_ = 0;
    bool complement_ = false;
    int stem_ = 0;
    bool wrote_ = false;
    bool line_open_ = false;       // an instruction line is open
    bool directive_open_ = false;  // a call-graph line is open
    bool volatile_line_ = false;
    std::uint32_t t_label_ = 0;
    bool t_defined_ = false;
    std::uint32_t dollar_ = 0;

    void put_stem(int code) {
        out_ += static_cast<char>(code);
        stem_ = code;
        line_open_ = wrote_ = true;
    }

    void line_end() {
        out_ += ';';
        if (line_open_) ++size_;
        if (volatile_line_ && !g_.opt.no_opt) out_ += "VL:;";
        line_open_ = directive_open_ = volatile_line_ = false;
    }

    bool operand(const Operand& o) {
        if (!operand_text(g_, o, k_, part_, stem_, complement_, out_, size_)) return false;
        if ((o.flags & SP_VOL) && o.ind >= 1) volatile_line_ = true;
        k_ = 0;
        complement_ = false;
        line_open_ = wrote_ = true;
        return true;
    }

    bool condition(char c) const {
        switch (c) {
        case '1': return right_.reg == REG_X && right_.ind == 0;
        case '3': return g_.opt.alu;
        case '4': return (free_ & RM_D) && direct_variable(left_);
        default: return false;
        }
    }

    static bool direct_variable(const Operand& o) {
        return o.ind == 1 && o.reg == REG_NONE && o.name[0] != '\0' && (o.flags & SP_DIR);
    }

    // A local label's number, taken on first use.
    std::uint32_t label(std::uint32_t& l) {
        if (!l) l = new_label_number(g_);
        return l;
    }

    void put_text(const AddrText& t) {
        if (line_open_ || directive_open_) line_end();
        out_ += t.text;
        size_ += t.size;
        if (!t.text.empty()) wrote_ = true;
    }

    // Y may be taken: it is free, or it holds the operand's own base.
    bool y_usable(const Operand& o) const { return (free_ & RM_Y) || (o.reg == REG_Y && o.ind >= 1); }

    // '&': the operand's address into Y.
    bool address_into_y(const Operand& o) {
        if (!y_usable(o)) return false;
        AddrText t;
        if (!ccgen::address_into_y(g_, o, t)) return false;
        put_text(t);
        return true;
    }

    // 'O': the left operand's address into Y and the right's into D.
    bool addresses() {
        if (!(free_ & RM_Y) && !(left_.reg == REG_Y && left_.ind >= 1) && !(right_.reg == REG_Y && right_.ind >= 1))
            return false;
        AddrText t;
        if (left_.reg == REG_Y && left_.ind == 1) {
            if (right_.reg == REG_Y && right_.ind >= 1) return false;
            if (!ccgen::address_into_y(g_, left_, t) || !ccgen::address_into_d(g_, right_, t)) return false;
        } else {
            if (!ccgen::address_into_y(g_, right_, t)) return false;
            t.add(" xgdy;", 2);
            if (!ccgen::address_into_y(g_, left_, t)) return false;
        }
        put_text(t);
        return true;
    }

    bool expand(std::string_view t) {
        for (std::size_t i = 0; i < t.size(); ++i) {
            char c = t[i];
            char next = i + 1 < t.size() ? t[i + 1] : '\0';
            switch (c) {
            case 'M': put_stem(0x0B); break;
            case 'C': put_stem(0x09); break;
            case 'A': put_stem(0x08); break;
            case 'E':
                put_stem(0x0A);
                size_ += 4;
                break;
            case 'P': put_stem(0x0C); break;
            case 'Q':
                if (next == ' ' && direct_variable(left_) && (free_ & RM_D)) {
                    out_ += "\x0D" "b;" "\x09" "ab";
                    stem_ = 0x09;
                    size_ += 2;
                    line_open_ = wrote_ = true;
                } else {
                    put_stem(0x0D);
                }
                break;
            case 'X': put_stem(0x0E); break;
            case 'F':
            case 'D':
            case 'N':
            case 'Z': {
                int d = next - '0';
                ++i;
                if (c == 'F' && d >= 1 && d <= 4) put_stem(0x0F + d - 1);
                else if (c == 'D' && d >= 1 && d <= 5) put_stem(0x13 + d - 1);
                else if (c == 'N' && d >= 1 && d <= 5) put_stem(0x18 + d - 1);
                else if (c == 'Z' && d >= 1 && d <= 4) put_stem(0x1C + d - 1);
                else return false;
                break;
            }
            case 'B': part_ = PART_LOW; break;
            case 'W': part_ = PART_WORD; break;
            case 'S': part_ = PART_HIGHWORD; break;
            case 'H': part_ = PART_HIGH; break;
            case 'U': k_ += 2; break;
            case 'V': k_ += 1; break;
            case 'L':
                if (!operand(left_)) return false;
                break;
            case 'R':
                if (!operand(right_)) return false;
                break;
            case '{': complement_ = true; break;
            case '}': break;
            case 'I': ++size_; break;
            case 'J':
                if (next == 'L') ++left_.ind;
                else if (next == 'R') ++right_.ind;
                ++i;
                break;
            case 'K': {
                std::size_t end = i + 1;
                while (end < t.size() && t[end] != ';' && t[end] != '?') ++end;
                std::string name(t.substr(i + 1, end - i - 1));
                if (line_open_ || directive_open_) line_end();
                out_ += "\x07" "c~" + name + "; .dcall \"" + g_.func_name + ":c~" + name + "\"";
                note_runtime_ref(g_, name);
                size_ += 3;
                if (row_ && row_->right == 0x55) g_.frame_flags |= FRAME_PUSHES;
                directive_open_ = wrote_ = true;
                i = end - 1;
                break;
            }
            case '&':
                if (!address_into_y(next == 'L' ? left_ : right_)) return false;
                ++i;
                break;
            case 'O':
                if (!addresses()) return false;
                break;
            case 'Y': {
                if (out_.empty() || out_.back() != ',') out_ += ' ';
                bool two = next == 'Y';
                out_ += two ? "3,x" : "2,x";
                if (two) ++i;
                g_.frame_flags |= FRAME_LREG;
                ++size_;
                line_open_ = wrote_ = true;
                break;
            }
            case '!': g_.frame_flags |= FRAME_LREG; break;
            case 'T': {
                std::uint32_t l = label(t_label_);
                if (next == ':') {
                    bool forget = i + 2 < t.size() && t[i + 2] == ':';
                    if (line_open_ || directive_open_) line_end();
                    out_ += label_text(l) + ":;";
                    wrote_ = true;
                    i += forget ? 2 : 1;
                    if (forget) {
                        t_label_ = 0;
                        t_defined_ = false;
                    } else {
                        t_defined_ = true;
                    }
                } else {
                    out_ += label_text(l);
                    ++size_;
                    line_open_ = wrote_ = true;
                }
                break;
            }
            case '$':
                if (next == '$') {
                    out_ += label_text(label(dollar_));
                    ++i;
                } else {
                    out_ += '$';
                }
                ++size_;
                line_open_ = wrote_ = true;
                break;
            case ';': line_end(); break;
            case '?': {
                std::size_t first = i + 2;
                std::size_t mid = t.find('?', first);
                if (mid == std::string_view::npos) return false;
                std::size_t end = t.find('?', mid + 1);
                if (end == std::string_view::npos) return false;
                bool holds = condition(next);
                if (!expand(holds ? t.substr(first, mid - first) : t.substr(mid + 1, end - mid - 1))) return false;
                i = end;
                break;
            }
            case '"': {
                std::size_t end = t.find('"', i + 1);
                if (end == std::string_view::npos) end = t.size();
                out_ += t.substr(i + 1, end - i - 1);
                line_open_ = wrote_ = true;
                i = end;
                break;
            }
            case '`': break;
            default:
                out_ += c;
                if (c != ' ') line_open_ = wrote_ = true;
                break;
            }
        }
        return true;
    }
};

}  // namespace

bool expand_template(Gen& g, ExprNode* n, const TemplateRow* row, const char* text, std::uint16_t free) {
    Expander e(g, n, row, free);
    return e.run(text);
}

}  // namespace ccgen
