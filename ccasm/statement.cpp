// One statement: label, operation and operands, dispatched to an
// instruction, a macro or a directive; the statement's single diagnostic.
#include <algorithm>

#include "ccasm/asm.h"

namespace ccasm {
namespace {

// Operation names are looked up folded to lower case.
class LowerName {
public:
    explicit LowerName(std::string_view s) {
        if (s.size() > sizeof small_) {
            long_.assign(s);
            fold(long_.data(), long_.size());
            view_ = long_;
        } else {
            std::copy(s.begin(), s.end(), small_);
            fold(small_, s.size());
            view_ = std::string_view(small_, s.size());
        }
    }
    std::string_view view() const { return view_; }

private:
    static void fold(char* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (p[i] >= 'A' && p[i] <= 'Z') p[i] = static_cast<char>(p[i] - 'A' + 'a');
    }
    char small_[32];
    std::string long_;
    std::string_view view_;
};

OpEntry* find_exact(Asm& a, std::string_view name) {
    LowerName low(name);
    return a.ops.find(low.view());
}

// A macro that is not yet defined in this pass, or a line marked to look
// past macros, reaches the entry the macro hides.
OpEntry* past_macros(Asm& a, OpEntry* e) {
    while (e && e->kind == OP_MACRO && (a.skip_macro || e->macro->def_pass != a.pass)) e = e->older;
    return e;
}

bool starts_scope(std::string_view name) {
    return !(name.size() >= 2 && name[0] == '.' && name[1] >= '0' && name[1] <= '9');
}

}  // namespace

bool assembling(const Asm& a) { return a.conds.empty() || a.conds.back().state; }

void error(Asm& a, const std::string& message) {
    if (a.has_error) return;
    a.has_error = true;
    a.error_text = message;
}

void error_name(Asm& a, const char* before, std::string_view name, const char* after) {
    if (a.has_error) return;
    std::string m(before);
    m.append(name);
    m += after;
    error(a, m);
}

void addop(Asm& a, std::string_view name, OpEntry e) {
    auto owned = std::make_unique<OpEntry>(e);
    OpEntry* p = owned.get();
    a.op_store.push_back(std::move(owned));
    p->older = a.ops.find(name);
    a.ops.set(name, p);
}

// Looks an operation up; a name ending in '.' and one letter is looked up
// without the suffix first, which is then kept unless a directive was found.
OpEntry* findop(Asm& a, std::string_view name) {
    size_t n = name.size();
    if (n >= 3 && name[n - 2] == '.' && is_name_start(name[n - 1]) && name[n - 1] != '_' && name[n - 1] != '.') {
        OpEntry* e = find_exact(a, name.substr(0, n - 2));
        if (e) {
            if (e->kind == OP_DIRECTIVE) return find_exact(a, name);
            a.size_suffix = name[n - 1];
            return e;
        }
    }
    return find_exact(a, name);
}

void end_statement(Asm& a) {
    if (a.has_error && a.pass > 1) {
        if (!a.final_listing_pass) a.pending_diags.push_back(error_line(a, current_file(a), current_line(a), a.error_text));
    }
    listing_line(a, a.line, a.from_expansion);
    if (a.has_error && a.pass > 1) listing_error(a, a.error_text);
}

void asmstmt(Asm& a, std::string_view line) {
    a.line = line;
    a.pos = 0;
    a.nback = 0;
    a.has_error = false;
    a.error_text.clear();
    a.after_operand = false;
    a.size_suffix = 0;
    a.has_label = false;
    a.list.bytes.clear();
    a.list.show_address = false;
    a.list.value_line = false;
    a.list.blank_line = false;
    a.list.suppress = false;
    a.list.is_conditional = false;
    a.list.is_debug = false;
    a.list.address_section = a.cur;
    if (!a.expand_error.empty()) error(a, a.expand_error);

    if (!line.empty() && line[0] == '&' && !a.opt.verilog_name.empty()) {
        if (assembling(a) && !collecting(a)) verilog_line(a, line.substr(1));
        end_statement(a);
        return;
    }
    if (a.opt.old_syntax && !line.empty() && line[0] == '*') {
        end_statement(a);
        return;
    }

    // label and operation
    Token label;
    std::string_view op_name;
    skip_blanks(a);
    if (a.pos < line.size() && line[a.pos] == '#') {
        size_t p = a.pos + 1;
        while (p < line.size() && is_name_char(line[p])) ++p;
        op_name = line.substr(a.pos, p - a.pos);
        a.pos = p;
    } else {
        Token t = gettoken(a);
        if (t.kind == T_NAME || t.kind == T_LOCAL || t.kind == T_REGISTER) {
            size_t after = a.pos;
            skip_blanks(a);
            bool colon = a.pos < line.size() && line[a.pos] == ':';
            if (colon) ++a.pos;
            else a.pos = after;
            if (colon || (a.opt.old_syntax && t.start == 0)) {
                label = t;
                a.has_label = true;
                a.label_colon = colon;
                Token o = gettoken(a);
                if (o.kind == T_NAME || o.kind == T_REGISTER) {
                    op_name = o.text;
                } else if (o.kind == T_OP && o.op == OP_HASH && a.pos < line.size() && is_name_start(line[a.pos])) {
                    size_t p = a.pos;
                    while (p < line.size() && is_name_char(line[p])) ++p;
                    op_name = line.substr(a.pos - 1, p - a.pos + 1);
                    a.pos = p;
                } else if (o.kind != T_END) {
                    if (!collecting(a) && assembling(a)) error(a, "bad comment delimiter");
                    a.pos = line.size();
                    a.nback = 0;
                }
            } else {
                a.after_operand = false;
                op_name = t.text;
            }
        } else if (t.kind != T_END && !collecting(a)) {
            if (assembling(a)) error(a, "bad comment delimiter");
            end_statement(a);
            return;
        }
    }

    if (collecting(a)) {
        collect_line(a, line, LowerName(op_name).view());
        a.has_error = false;  // body lines are checked when they are expanded
        end_statement(a);
        return;
    }

    OpEntry* op = nullptr;
    if (!op_name.empty()) op = past_macros(a, findop(a, op_name));

    if (!assembling(a)) {
        bool ran = false;
        if (op && op->kind == OP_DIRECTIVE && (op->dir->flags & DF_ALWAYS)) {
            a.list.is_conditional = (op->dir->flags & DF_CONDITIONAL) != 0;
            a.has_error = false;
            op->dir->handler(a, op->dir->flags & DF_VARIANT);
            ran = true;
        }
        a.has_error = a.has_error && ran;  // only the conditional directives report here
        a.list.in_false_block = true;
        end_statement(a);
        a.list.in_false_block = false;
        return;
    }

    if (!op && !op_name.empty()) {
        error_name(a, "unknown instruction ", op_name, "");
        a.pos = line.size();
        a.nback = 0;
        if (a.has_label && label.kind != T_REGISTER) {
            // the label still marks the address, so that later lines do not cascade
            if (Symbol* s = name_symbol(a, label)) define_label(a, s);
        }
        end_statement(a);
        return;
    }

    const Directive* dir = op && op->kind == OP_DIRECTIVE ? op->dir : nullptr;
    a.label_tok = label;
    if (dir && (dir->flags & DF_LABEL_OPERAND)) {
        // the directive takes the label itself
    } else if (a.has_label) {
        if (dir && (dir->flags & DF_NOLIST)) {
            error(a, "label not allowed");
        } else if (label.kind == T_REGISTER) {
            error_name(a, "bad symbol name: ", label.text, "");
        } else {
            if (op && (op->kind == OP_INSN || (dir && (dir->flags & DF_DATA)))) leave_offset(a);
            if (label.kind == T_NAME && starts_scope(label.text)) ++a.scope;
            if (Symbol* s = name_symbol(a, label)) {
                define_label(a, s);
                if (a.opt.label_syntax && a.label_colon) s->flags |= SF_PUBLIC;
            }
            a.list.show_address = true;
            a.list.address_section = a.cur;
            a.list.line_address = cursec(a).address();
        }
    }

    if (!op) {
        // a label alone
    } else if (op->kind == OP_INSN) {
        leave_offset(a);
        if (a.line_debug) linedebug(a);
        a.list.address_section = a.cur;
        asminsn(a, op->row);
    } else if (op->kind == OP_MACRO) {
        call_macro(a, op->macro);
    } else {
        if (dir->flags & DF_DATA) leave_offset(a);
        a.list.is_conditional = (dir->flags & DF_CONDITIONAL) != 0;
        a.list.is_debug = (dir->flags & DF_DEBUG) != 0;
        if (dir->flags & DF_NOLIST) a.list.suppress = true;
        dir->handler(a, dir->flags & DF_VARIANT);
    }
    if (!a.has_error && !at_statement_end(a)) error(a, "bad comment delimiter");
    end_statement(a);
}

}  // namespace ccasm
