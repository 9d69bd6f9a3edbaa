// Branches: the branch table, the choice of a branch code for a compare,
// compare-and-branch sequences (into a code list, or written at once while
// an expression is compiled), jumps for boolean trees, the dispatch of
// switch statements on a byte value, and inline assembly text.
#include <vector>

#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

enum : std::uint16_t {
    JBGE = 135,
    JBGT = 136,
    JBEQ = 138,
    JBR = 139,
    JBLT = 141,
    JBLE = 142,
    JBNE = 143,
    JBLO = 168,
    JBLS = 169,
    JBHI = 170,
    JBHS = 171,
    NEVER = 161,
};

// Short branches first, then the pseudo-branches in the same order.
constexpr BranchRow branch_table[22] = {
    {158, "bra", 2, 0, 0, 0},         {152, "blt", 2, 16, 155, 135},   {153, "ble", 2, 24, 154, 136},
    {154, "bgt", 2, 24, 153, 142},    {155, "bge", 2, 16, 152, 141},   {156, "beq", 2, 8, 157, 143},
    {157, "bne", 2, 8, 156, 138},     {172, "blo", 2, 32, 175, 171},   {173, "bls", 2, 40, 174, 170},
    {174, "bhi", 2, 40, 173, 169},    {175, "bhs", 2, 32, 172, 168},   {139, "jbr", 3, 0, 0, 0},
    {141, "jblt", 5, 16, 155, 135},   {142, "jble", 5, 24, 154, 136},  {136, "jbgt", 5, 24, 153, 142},
    {135, "jbge", 5, 16, 152, 141},   {138, "jbeq", 5, 8, 157, 143},   {143, "jbne", 5, 8, 156, 138},
    {168, "jblo", 5, 32, 175, 171},   {169, "jbls", 5, 40, 174, 170},  {170, "jbhi", 5, 40, 173, 169},
    {171, "jbhs", 5, 32, 172, 168},
};

// Under -no a pseudo-branch is a jmp, or the opposite short branch over a
// jmp (control code 0x05).
constexpr const char* real_branches[11] = {
    "jmp", "bge\x05", "bgt\x05", "ble\x05", "blt\x05", "bne\x05", "beq\x05", "bhs\x05", "bhi\x05", "bls\x05", "blo\x05",
};

int table_index(int code) {
    for (int i = 0; i < 22; ++i)
        if (branch_table[i].code == code) return i;
    return -1;
}

bool plain_constant(const ExprNode* n) { return n && n->code == 0 && is_const(n->leaf); }

bool unsigned_class_of(std::uint8_t c) {
    switch (c) {
    case 2: case 4: case 5: case 7: case 8: case 11: case 12: case 13: return true;
    default: return false;
    }
}

int mirrored(int code) {
    switch (code) {
    case JBLT: return JBGT;
    case JBLE: return JBGE;
    case JBGT: return JBLT;
    case JBGE: return JBLE;
    default: return code;
    }
}

int unsigned_code(int code, bool against_zero) {
    switch (code) {
    case JBLT: return against_zero ? NEVER : JBLO;
    case JBLE: return against_zero ? JBEQ : JBLS;
    case JBGT: return against_zero ? JBNE : JBHI;
    case JBGE: return against_zero ? JBR : JBHS;
    default: return code;
    }
}

std::uint8_t pair_class(const ExprNode* l, const ExprNode* r) {
    std::uint8_t lc = type_class(l->type), rc = type_class(r->type);
    if (lc == 13) return (plain_constant(r) && rc == 2) || rc == 1 ? 13 : rc;
    return lc > rc ? lc : rc;
}

// Two constants compared as C compares them: promoted to int, then to
// the wider type, unsigned when that type is.
bool compare_constants(const Gen& g, const ExprNode* l, const ExprNode* r, int code) {
    auto width = [&](std::uint8_t c) {
        int w = g.eval_size[c < 15 ? c : 0];
        return w < 2 || w > 4 ? 2 : w;
    };
    std::uint8_t lc = type_class(l->type), rc = type_class(r->type);
    int lw = width(lc), rw = width(rc);
    bool lu = unsigned_class_of(lc) && g.eval_size[lc] >= 2, ru = unsigned_class_of(rc) && g.eval_size[rc] >= 2;
    int w = lw > rw ? lw : rw;
    bool uns = (lw == w && lu) || (rw == w && ru);
    auto value = [&](const ExprNode* x, int own, bool own_unsigned) {
        std::uint64_t v = static_cast<std::uint32_t>(x->leaf.offset);
        int bits = own * 8;
        std::uint64_t mask = bits >= 64 ? ~0ull : (1ull << bits) - 1;
        v &= mask;
        if (!own_unsigned && (v >> (bits - 1)) & 1) v |= ~mask;
        std::uint64_t wmask = (1ull << (w * 8)) - 1;
        if (uns) return static_cast<std::int64_t>(v & wmask);
        return static_cast<std::int64_t>(v);
    };
    std::int64_t a = value(l, lw, lu), b = value(r, rw, ru);
    switch (code) {
    case JBGE: return a >= b;
    case JBGT: return a > b;
    case JBEQ: return a == b;
    case JBLT: return a < b;
    case JBLE: return a <= b;
    case JBNE: return a != b;
    default: return false;
    }
}

// A store-form call of a runtime routine with its call-graph line.
std::string runtime_call_text(Gen& g, const std::string& name) {
    note_runtime_ref(g, name);
    return "\x07" "c~" + name + "; .dcall \"" + g.func_name + ":c~" + name + "\";";
}

void undo_raised(ExprNode* r) {
    if (r && (r->flags & NF_RAISED)) {
        r->flags &= static_cast<std::uint16_t>(~NF_RAISED);
        r->leaf.offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(r->leaf.offset) - 1);
        r->place = r->leaf;
    }
}

// A constant compared with a float or a double takes its format; operands
// of different sizes are compared in the wider type (a constant keeps its
// value and is narrowed by the choice of the branch).
std::uint8_t own_class(const ExprNode* n) { return type_class(n->code == 0 ? n->leaf.type : n->type); }

// A signed and an unsigned operand of one size compare as unsigned: the
// front end's cast to the unsigned type went with the other casts that
// keep the size, so it is made again here (a constant keeps its value).
void compare_unsigned(Gen& g, ExprNode*& left, ExprNode*& right) {
    std::uint8_t lc = own_class(left), rc = own_class(right);
    if ((lc == 3 || lc == 6) && unsigned_class(lc) == rc && !plain_constant(left))
        left = cast_node(g, left, rc);
    else if ((rc == 3 || rc == 6) && unsigned_class(rc) == lc && !plain_constant(right))
        right = cast_node(g, right, lc);
}

void compare_operands(Gen& g, ExprNode*& left, ExprNode*& right) {
    std::uint8_t lc = own_class(left), rc = own_class(right);
    auto floating = [](std::uint8_t c) { return c == 9 || c == 10; };
    if (plain_constant(left) && plain_constant(right)) return;
    if (bit_field_class(lc) && !plain_constant(right)) left = cast_node(g, left, lc == 7 ? 8 : 5), lc = own_class(left);
    if (bit_field_class(rc) && !plain_constant(left)) right = cast_node(g, right, rc == 7 ? 8 : 5), rc = own_class(right);
    if (floating(lc) || floating(rc)) {
        std::uint16_t t = lc == 10 || rc == 10 ? 10 : 9;
        if (own_class(left) != t) left = cast_node(g, left, t);
        if (own_class(right) != t) right = cast_node(g, right, t);
        return;
    }
    if (plain_constant(right) || plain_constant(left)) {
        compare_unsigned(g, left, right);
        return;
    }
    if (bit_field_class(lc) || bit_field_class(rc)) return;
    int lb = class_bytes(lc), rb = class_bytes(rc);
    if (lb < rb) left = cast_node(g, left, right->code == 0 ? right->leaf.type : right->type);
    if (rb < lb) right = cast_node(g, right, left->code == 0 ? left->leaf.type : left->type);
    compare_unsigned(g, left, right);
}

// Direct mode: a jump and a label definition, recorded for the shortening
// while a value is computed from branches.
void jump_to(Gen& g, std::uint32_t label) {
    std::int32_t at = g.store.write_pos;
    code_text(g, std::string(g.opt.no_opt ? " jmp " : " jbr ") + label_text(label) + ";");
    g.code_offset = static_cast<std::uint16_t>(g.code_offset + 3);
    if (g.recording) g.direct_branches.push_back({0, label, at, g.code_offset});
}

void define_here(Gen& g, std::uint32_t label) {
    std::int32_t at = g.store.write_pos;
    code_text(g, label_text(label) + ":;");
    if (g.recording) g.direct_branches.push_back({100, label, at, g.code_offset});
}

}  // namespace

const BranchRow* branch_row(int code) {
    int i = table_index(code);
    return i < 0 ? nullptr : &branch_table[i];
}

const char* branch_mnemonic(int code) {
    const BranchRow* r = branch_row(code);
    return r ? r->mnemonic : "BAD JMP";
}

int long_to_short(int code) {
    int i = table_index(code);
    return i >= 11 ? branch_table[i - 11].code : code;
}

// The text of a branch as written: a pseudo-branch, or under -no the real
// instructions in its place.
std::string branch_text(const Gen& g, int code) {
    int i = table_index(code);
    if (i < 0) return "BAD JMP";
    if (i >= 11 && g.opt.no_opt) return real_branches[i - 11];
    return branch_table[i].mnemonic;
}

int choose_branch(Gen& g, ExprNode* cmp, ExprNode*& left, ExprNode*& right, int code) {
    if (plain_constant(left) && plain_constant(right)) return compare_constants(g, left, right, code) ? JBR : NEVER;
    std::uint8_t lc = type_class(left->type), rc = type_class(right->type);
    std::uint8_t pair = pair_class(left, right);
    bool keep = !plain_constant(left) && (left->code != 0 || right->code == 0) &&
                (plain_constant(right) ||
                 ((rc >= 3 || lc < 3 || lc == 13) &&
                  ((pair != 6 && pair != 8) || lc < 6 || rc < 6 || (code != JBLE && code != JBGT))));
    if (!keep) {
        std::swap(left, right);
        code = mirrored(code);
    }
    std::uint8_t c = type_class(left->type);
    if (c == 13) c = 2;
    if (plain_constant(right)) {
        std::int32_t k = right->leaf.offset;
        bool at_max = (c == 6 && k == 0x7FFFFFFF) || ((c == 7 || c == 8) && static_cast<std::uint32_t>(k) == 0xFFFFFFFFu);
        if (k != 0 && c >= 6 && c <= 8 && !at_max && (code == JBLE || code == JBGT)) {
            code = code == JBLE ? JBLT : JBGE;
            right->leaf.offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(k) + 1);
            right->flags |= NF_RAISED;
            right->place = right->leaf;
        }
        k = right->leaf.offset;
        if (c == 2 && k >= 0 && k <= 255) right->type = right->leaf.type = right->place.type = 2;
        if (c == 1 && k >= -128 && k <= 127) right->type = right->leaf.type = right->place.type = 1;
    }
    // bit-field values are unsigned, like the classes 2, 5 and 8
    if (pair_class(left, right) == 2 || c == 5 || c == 8 || c == 4 || c == 7)
        code = unsigned_code(code, plain_constant(right) && right->leaf.offset == 0);
    cmp->left = left;
    cmp->right = right;
    cmp->cls = c;
    cmp->type = c;
    return code;
}

void emit_cond_branch(Gen& g, bool direct, int code, std::uint32_t target, ExprNode* left, ExprNode* right,
                      std::uint16_t regs) {
    ExprNode* cmp = new_expr(g);
    cmp->code = 174;
    compare_operands(g, left, right);
    code = choose_branch(g, cmp, left, right, code);
    LabelNode* t = direct ? nullptr : find_label(g, target);
    if (!direct) begin_text(g);
    if (code == NEVER || code == JBR) {
        if (!gen_void(g, left, regs) || !gen_void(g, right, regs)) genpanic(g, "CVOID");
        if (direct) {
            if (code == JBR) {
                jump_to(g, target);
            }
        } else {
            append_text_item(g);
            append_item(g, new_code_node(g, CODE_DELETED, nullptr, 0));
            if (code == JBR) {
                append_branch(g, CODE_JUMP, t, 3);
                g.open = nullptr;
            }
        }
        undo_raised(right);
        return;
    }
    const BranchRow* row = branch_row(code);
    g.condition_class = row->cls;
    if (!find_template(g, cmp, nullptr, regs)) genpanic(g, "X ? Y");
    if (direct) {
        std::int32_t at = g.store.write_pos;
        code_text(g, " " + branch_text(g, code) + " " + label_text(target) + ";");
        g.code_offset = static_cast<std::uint16_t>(g.code_offset + row->size);
        if (g.recording) g.direct_branches.push_back({table_index(long_to_short(code)), target, at, g.code_offset});
    } else {
        append_text_item(g);
        append_branch(g, static_cast<std::uint16_t>(code), t, row->size);
    }
    undo_raised(right);
}

// ------------------------------------------------------------ boolean trees

namespace {

int relation_code(int node, bool when_true) {
    switch (node) {
    case 149: return when_true ? JBLT : JBGE;
    case 150: return when_true ? JBLE : JBGT;
    case 143: return when_true ? JBGT : JBLE;
    case 144: return when_true ? JBGE : JBLT;
    case 148: return when_true ? JBEQ : JBNE;
    case 155: return when_true ? JBNE : JBEQ;
    default: return 0;
    }
}

std::uint32_t branch_on(Gen& g, ExprNode* tree, std::uint32_t label, std::uint32_t define_after, std::uint16_t regs,
                        bool when_true) {
    if (!label) label = new_label_number(g);
    while (tree->code == 168) {
        if (!gen_void(g, tree->left, regs)) genpanic(g, "CVOID");
        tree = tree->right;
    }
    switch (tree->code) {
    case 90: branch_on(g, tree->left, label, 0, regs, !when_true); break;
    case 130:
    case 157: {
        bool all_same = (tree->code == 130) != when_true;  // && on false, || on true
        if (all_same) {
            branch_on(g, tree->left, label, 0, regs, when_true);
            branch_on(g, tree->right, label, 0, regs, when_true);
        } else {
            std::uint32_t over = branch_on(g, tree->left, 0, 0, regs, !when_true);
            branch_on(g, tree->right, label, over, regs, when_true);
        }
        break;
    }
    default:
        if (int code = relation_code(tree->code, when_true)) {
            emit_cond_branch(g, true, code, label, tree->left, tree->right, regs);
        } else {
            // compared with 0 (an int 0, converted to a floating type)
            std::uint16_t t = type_class(tree->type) == 9 || type_class(tree->type) == 10 ? 3 : tree->type;
            ExprNode* zero = new_expr(g);
            zero->type = t;
            init_operand(zero->leaf, t, 0, REG_NONE, 0);
            zero->place = zero->leaf;
            emit_cond_branch(g, true, when_true ? JBNE : JBEQ, label, tree, zero, regs);
        }
        break;
    }
    if (define_after) {
        std::int32_t at = g.store.write_pos;
        code_text(g, label_text(define_after) + ":;");
        if (g.recording) g.direct_branches.push_back({100, define_after, at, g.code_offset});
    }
    return label;
}

}  // namespace

std::uint32_t branch_false(Gen& g, ExprNode* tree, std::uint32_t label, std::uint32_t define_after,
                           std::uint16_t regs) {
    return branch_on(g, tree, label, define_after, regs, false);
}

std::uint32_t branch_true(Gen& g, ExprNode* tree, std::uint32_t label, std::uint32_t define_after,
                          std::uint16_t regs) {
    return branch_on(g, tree, label, define_after, regs, true);
}

// ------------------------------------------------------------ switch on a byte

void emit_switch_chain(Gen& g, std::uint32_t default_label) {
    (void)default_label;
    bool live = g.dead_depth <= 0 && g.open;
    std::int32_t previous = 0;
    auto difference = [&](std::int32_t value) {
        std::int32_t d = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) - static_cast<std::uint32_t>(previous));
        if (d < -128) d += 256;
        if (d < -128 || d > 255) d &= 255;
        return d;
    };
    int c = next_input_byte(g);
    bool text = false;
    while (c == 205) {
        std::uint16_t span = read_ir_word(g);
        std::int32_t first = static_cast<std::int32_t>(read_ir_long(g));
        std::vector<std::uint16_t> labels(span);
        for (std::uint16_t& l : labels) l = read_ir_word(g);
        if (live) {
            if (!text) begin_text(g);
            text = true;
            std::uint32_t skip = new_label_number(g);
            std::int32_t d = difference(first);
            if (d == 1) {
                code_text(g, " decb;");
                g.code_offset += 1;
            } else if (d != 0) {
                code_text(g, " subb #" + std::to_string(d) + ";");
                g.code_offset += 2;
            }
            if (span < 256) {
                code_text(g, " cmpb #" + std::to_string(span) + "; bhs " + label_text(skip) + ";");
                g.code_offset = static_cast<std::uint16_t>(g.code_offset + (span < 63 ? 4 : 7));
            }
            code_text(g, runtime_call_text(g, "jctab"));
            g.code_offset += 3;
            for (std::uint16_t l : labels) {
                code_text(g, " dc.w " + label_text(l) + ";");
                g.code_offset += 2;
                ++find_label(g, l)->refs;
            }
            code_text(g, label_text(skip) + ":;");
            previous = first;
        }
        c = next_input_byte(g);
    }
    if (text) append_text_item(g);
    if (c == 206) {
        std::uint16_t n = read_ir_word(g);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::int32_t value = static_cast<std::int32_t>(read_ir_long(g));
            std::uint16_t l = read_ir_word(g);
            if (!live) continue;
            begin_text(g);
            std::int32_t d = difference(value);
            if (d == 1) {
                code_text(g, " decb;");
                g.code_offset += 1;
            } else if (d == -1 || d == 255) {
                code_text(g, " incb;");
                g.code_offset += 1;
            } else if (d == 0) {
                code_text(g, " tstb;");
                g.code_offset += 1;
            } else {
                code_text(g, " subb #" + std::to_string(d) + ";");
                g.code_offset += 2;
            }
            append_text_item(g);
            LabelNode* target = find_label(g, l);
            append_item(g, new_code_node(g, JBEQ, target, 5));
            if (target->refs == 1) {
                target->flags ^= LF_KEPT;
                if (target->flags & LF_KEPT) ++target->refs;
            } else {
                ++target->refs;
            }
            previous = value;
        }
        c = next_input_byte(g);
    }
    // the code that ends the table (151) is consumed here
}

// ------------------------------------------------------------ inline assembly

// The lines of an inline assembly block between its .sfile directives, each
// followed by the volatile hint unless -no or -a; 3 bytes counted per line.
std::string asm_block_text(Gen& g, std::string_view text) {
    std::string t = " .sfile \"\x06" + g.directory + g.file_name + "\"," + std::to_string(g.line) + "\n";
    std::string line;
    auto end_line = [&]() {
        t += line;
        t += '\n';
        if (!g.opt.no_opt && !g.opt.asm_opt) t += "VL:\n";
        g.code_offset += 3;
        line.clear();
    };
    for (char c : text) {
        if (c == '\0' || c == '\x06') continue;  // they would end the stored text or raw mode
        if (c == '\n')
            end_line();
        else
            line += c;
    }
    if (!line.empty()) end_line();
    t += "\x06 .sfile;";
    return t;
}

void emit_inline_asm(Gen& g, std::string_view text) {
    begin_text(g);
    code_text(g, asm_block_text(g, text));
    append_text_item(g);
}

// ------------------------------------------------------------ values from branches

namespace {

// The stored text from `from` to the write position, with the store
// position of each of its bytes.
std::string stored_since(Gen& g, std::int32_t from, std::vector<std::int32_t>& positions) {
    std::string text;
    for (std::int32_t p = from; p < g.store.write_pos; ++p) {
        std::int32_t offset = p % CodeStore::CHUNK;
        if (offset == CodeStore::CHUNK - 1) continue;
        text += (*g.store.chunks[static_cast<std::size_t>(p / CodeStore::CHUNK)])[static_cast<std::size_t>(offset)];
        positions.push_back(p);
    }
    return text;
}

// Direct-mode shortening: each branch recorded since `mark` whose label
// lies less than 128 bytes ahead takes the short mnemonic; the jump saves
// one byte, a conditional branch three, and the code that follows moves up.
void shorten_direct_branches(Gen& g, std::size_t mark, std::int32_t start) {
    std::vector<DirectBranch>& rec = g.direct_branches;
    std::vector<std::pair<std::int32_t, std::string>> rewrites;
    for (std::size_t i = mark; i < rec.size(); ++i) {
        if (rec[i].kind == 100) continue;
        const DirectBranch* target = nullptr;
        for (std::size_t j = i + 1; j < rec.size(); ++j)
            if (rec[j].kind == 100 && rec[j].label == rec[i].label) {
                target = &rec[j];
                break;
            }
        if (!target || target->offset - rec[i].offset >= 128) continue;
        int saved = rec[i].kind == 0 ? 1 : 3;
        const char* mnemonic = rec[i].kind == 0 ? "bra" : branch_table[rec[i].kind].mnemonic;
        rewrites.push_back({rec[i].line_pos, std::string(" ") + mnemonic + " " + label_text(rec[i].label) + ";"});
        for (std::size_t j = i + 1; j < rec.size(); ++j) rec[j].offset = static_cast<std::uint16_t>(rec[j].offset - saved);
        g.code_offset = static_cast<std::uint16_t>(g.code_offset - saved);
    }
    if (rewrites.empty()) return;
    std::vector<std::int32_t> positions;
    std::string text = stored_since(g, start, positions);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (next < rewrites.size() && positions[i] == rewrites[next].first) {
            std::size_t end = text.find(';', i);
            out += rewrites[next].second;
            i = end == std::string::npos ? text.size() : end + 1;
            ++next;
            continue;
        }
        out += text[i++];
    }
    g.store.write_pos = start;
    code_text(g, out);
}

// One arm of a conditional: its value into the result's place.
bool arm_value(Gen& g, ExprNode* arm, const Operand& target, std::uint16_t regs) {
    bool memory = target.ind != 0;
    if (!gen_node(g, arm, memory ? 0x0A : 0x80, regs)) return false;
    if (same_place(arm->place, target)) return true;
    if (!memory && arm->place.reg == REG_D && arm->place.ind == 0) return true;
    return move_to(g, arm, target, regs);
}

}  // namespace

namespace {

// Branches written at once while a value is computed from them: recorded,
// and shortened when the value is done.
struct Recording {
    Gen& g;
    bool was;
    std::size_t mark;
    std::int32_t start;
    explicit Recording(Gen& gen)
        : g(gen), was(gen.recording), mark(gen.direct_branches.size()), start(gen.store.write_pos) {
        g.recording = true;
    }
    void finish() {
        shorten_direct_branches(g, mark, start);
        g.direct_branches.resize(mark);
        g.recording = was;
    }
};

}  // namespace

bool emit_conditional(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if ((regs & RM_TOP) != RM_TOP) return false;
    Recording rec(g);
    std::uint8_t cls = type_class(n->type);
    Operand target;
    if (cls == 10 && !n->unused)
        alloc_value_temp(g, 8, target, n->type);
    else
        init_operand(target, n->type, 0, REG_D, 0);
    std::uint32_t false_label = branch_false(g, n->left, 0, 0, regs);
    std::uint32_t end = new_label_number(g);
    if (n->unused ? !gen_void(g, n->third, regs) : !arm_value(g, n->third, target, regs)) genpanic(g, "? X");
    jump_to(g, end);
    define_here(g, false_label);
    if (n->unused ? !gen_void(g, n->right, regs) : !arm_value(g, n->right, target, regs)) genpanic(g, ": X");
    define_here(g, end);
    rec.finish();
    n->place = target;
    return settle(g, n, modes, regs);
}

// A relation, !, && or || as a value: 1 or 0 in D.
bool gen_truth_value(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if ((regs & RM_TOP) != RM_TOP) return false;
    Recording rec(g);
    std::uint32_t false_label = branch_false(g, n, 0, 0, regs);
    std::uint32_t end = new_label_number(g);
    code_text(g, " ldd #1;");
    g.code_offset = static_cast<std::uint16_t>(g.code_offset + 3);
    jump_to(g, end);
    define_here(g, false_label);
    code_text(g, " clra; clrb;");
    g.code_offset = static_cast<std::uint16_t>(g.code_offset + 2);
    define_here(g, end);
    rec.finish();
    init_operand(n->place, n->type, 0, REG_D, 0);
    return settle(g, n, modes, regs);
}

}  // namespace ccgen
