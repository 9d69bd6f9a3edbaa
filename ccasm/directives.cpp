// Directives: the directive table and its handlers (symbols, data and space,
// sections, conditionals, macros and repeats, files, listing control).
#include <cstring>

#include "ccasm/asm.h"

namespace ccasm {
namespace {

bool is_op(const Token& t, uint8_t op) { return t.kind == T_OP && t.op == op; }

bool is_name(const Token& t) { return t.kind == T_NAME || t.kind == T_LOCAL; }

// Consumes a ',' when one follows.
bool take_comma(Asm& a) {
    Token t = gettoken(a);
    if (is_op(t, OP_COMMA)) return true;
    backtoken(a, t);
    return false;
}

void skip_rest(Asm& a) {
    a.pos = a.line.size();
    a.nback = 0;
}

// A string operand; false (after "missing string" or the string's own
// error) when there is none.
bool get_string(Asm& a, std::string_view& text) {
    Token t = gettoken(a);
    if (t.kind != T_STRING) {
        error(a, "missing string");
        if (t.kind == T_END) backtoken(a, t);
        return false;
    }
    if (t.bad) {
        error(a, "bad string constant");
        return false;
    }
    if (t.too_long) error(a, "string constant too long");
    text = t.text;
    return true;
}

bool fits_byte(const ExprValue& v) {
    if (v.relocatable()) return v.kind == VK_BYTE || v.marks;
    return v.value >= -128 && v.value <= 255;
}

// ---------------------------------------------------------------- symbols

// What follows the definition of an equate: public with option pe when it
// is absolute, and its value in the listing.
void equate_defined(Asm& a, Symbol* s, const ExprValue& v, bool is_set) {
    if (a.opt.public_equates && !is_set && !v.relocatable()) s->flags |= SF_PUBLIC;
    a.list.value_line = true;
    a.list.value = v.value;
}

void d_equ(Asm& a, int variant) {
    if (!a.has_label) {
        error(a, "missing label");
        return skip_rest(a);
    }
    if (a.label_tok.kind == T_REGISTER) {
        error_name(a, "bad symbol name: ", a.label_tok.text, "");
        return skip_rest(a);
    }
    Symbol* s = name_symbol(a, a.label_tok);
    ExprValue v = getexpr(a);
    bool bit = false;
    if (take_comma(a)) {
        int32_t number = 0;
        getabs(a, number);
        if (number < 0 || number > 7) error(a, "invalid bit number");
        if (v.relocatable()) error(a, "relocatable expression not allowed");
        else if (v.base && (v.base->attr & SA_BIT)) error(a, "invalid bit definition");
        ExprValue b;
        b.value = static_cast<int32_t>(static_cast<uint32_t>(v.value) * 8u + static_cast<uint32_t>(number & 7));
        v = b;
        bit = true;
    }
    if (v.relocatable() && v.marks) {
        error(a, "bad relocatable expression");
        v.kind = VK_ABS;
        v.marks = 0;
    }
    if (!s || !define_symbol(a, s, v, variant == 1)) return;
    if (bit) {
        s->attr |= SA_BIT;
        s->flags |= SF_BIT;
    }
    equate_defined(a, s, v, variant == 1);
}

void d_define(Asm& a, int) {
    Token n = gettoken(a);
    if (!is_name(n)) {
        error(a, "syntax error");
        return skip_rest(a);
    }
    Symbol* s = name_symbol(a, n);
    take_comma(a);
    ExprValue v;
    v.value = 1;
    if (!at_statement_end(a)) v = getexpr(a);
    if (v.relocatable() && v.marks) {
        error(a, "bad relocatable expression");
        v.kind = VK_ABS;
    }
    if (s && define_symbol(a, s, v, false)) equate_defined(a, s, v, false);
}

void apply_xref(Asm& a, Symbol* s, int variant) {
    s->flags |= SF_PUBLIC;
    if (s->defined()) return;
    switch (variant) {
    case 1: s->flags |= SF_ZPAGE; break;
    case 3: if (a.default_attr & SEC_LONG) s->flags |= SF_LONG; break;
    case 4: s->flags |= SF_LONG; break;
    case 5: s->flags |= SF_BIT; s->attr |= SA_BIT; break;
    case 6: s->flags |= SF_BIT | SF_ZPAGE; s->attr |= SA_BIT; break;
    default: break;
    }
}

void d_xref(Asm& a, int variant) {
    do {
        Token t = gettoken(a);
        if (t.kind == T_REGISTER || t.kind == T_LOCAL) {
            error_name(a, "bad symbol name: ", t.text, "");
            continue;
        }
        if (t.kind != T_NAME) {
            error(a, "syntax error");
            return skip_rest(a);
        }
        if (Symbol* s = name_symbol(a, t)) apply_xref(a, s, variant);
    } while (take_comma(a));
}

// ---------------------------------------------------------------- data and space

void emit_string(Asm& a, std::string_view text, int size) {
    if (size > 1 && text.size() >= static_cast<size_t>(size)) {
        uint32_t misalign = cursec(a).address() % static_cast<uint32_t>(size);
        if (misalign) advance(a, static_cast<uint32_t>(size) - misalign);
        size_t rest = text.size() % static_cast<size_t>(size);
        if (rest) advance(a, static_cast<uint32_t>(size - static_cast<int>(rest)));
    }
    for (char c : text) emit_byte(a, static_cast<uint8_t>(c));
}

void d_dc(Asm& a, int size) {
    do {
        Token t = gettoken(a);
        if (t.kind == T_STRING) {
            Token n = peektoken(a);
            if (n.kind == T_END || is_op(n, OP_COMMA)) {
                if (t.bad) error(a, "bad string constant");
                else if (t.too_long) error(a, "string constant too long");
                emit_string(a, t.text, size);
                continue;
            }
        }
        backtoken(a, t);
        ExprValue v = getexpr(a);
        if (size == 1) {
            if (!a.opt.old_syntax && !fits_byte(v)) error(a, "value too large");
            emitword(a, v, 1);
        } else if (size == 2) {
            if (!v.relocatable() && (v.value < -32768 || v.value > 65535)) error(a, "value too large");
            emitword(a, v, 2);
        } else {
            emitlong(a, v);
        }
    } while (take_comma(a));
    note_data_size(a);
}

void d_dcb(Asm& a, int size) {
    int32_t count = 0;
    if (!getabs(a, count)) return skip_rest(a);
    // a count whose bytes no section could hold is refused before the loop
    if (count < 0 || static_cast<uint64_t>(count) * static_cast<uint64_t>(size) > (16u << 20)) {
        error(a, "value too large");
        return skip_rest(a);
    }
    Token c = gettoken(a);
    if (!is_op(c, OP_COMMA)) {
        error(a, "syntax error");
        return skip_rest(a);
    }
    ExprValue v = getexpr(a);
    if (size == 1 && !fits_byte(v)) error(a, "bad relocatable expression");
    uint32_t before = cursec(a).offset;
    for (int32_t i = 0; i < count; ++i) {
        if (size == 1) emitword(a, v, 1);
        else if (size == 2) emitword(a, v, 2);
        else emitlong(a, v);
        if (cursec(a).offset == before) break;  // nothing can be stored here
        if (recording(a) && a.has_error) break;
    }
    note_data_size(a);
}

void d_ds(Asm& a, int shift) {
    int32_t count = 0;
    if (!getabs(a, count)) return;
    if (count < (a.opt.old_syntax ? 0 : 1)) {
        error(a, "illegal size");
        return;
    }
    uint64_t bytes = static_cast<uint64_t>(count) << shift;
    if (bytes > UINT32_MAX || !advance(a, static_cast<uint32_t>(bytes))) error(a, "illegal size");
    note_data_size(a);
}

void d_align(Asm& a, int) {
    int32_t n = 0;
    if (!getabs(a, n)) return;
    if (n <= 0) {
        error(a, "illegal alignment");
        return skip_rest(a);
    }
    uint8_t fill = static_cast<uint8_t>(a.opt.fill);
    if (take_comma(a)) {
        int32_t f = 0;
        if (!getabs(a, f)) return;
        if (f < -128 || f > 255) {
            error(a, "illegal fill value");
            return;
        }
        fill = static_cast<uint8_t>(f);
    }
    uint32_t misalign = cursec(a).address() % static_cast<uint32_t>(n);
    if (misalign && !advance_with(a, static_cast<uint32_t>(n) - misalign, fill)) error(a, "illegal size");
}

void d_even(Asm& a, int) {
    if (cursec(a).address() & 1) advance(a, 1);
}

void d_org(Asm& a, int) {
    a.list.blank_line = true;  // an org line shows neither address nor bytes
    int32_t value = 0;
    if (!getabs(a, value)) return;
    Section& s = cursec(a);
    int64_t target = static_cast<uint32_t>(value);
    if (s.attr & SEC_ABS) {
        if (s.offset == 0 && !s.got_bytes && !s.pseudo && !s.origin_set) {
            s.start = static_cast<uint32_t>(target);
            s.origin_set = true;
            return;
        }
        target -= s.start;
    }
    if (target < s.offset) {
        error(a, "cannot move back current pc");
        return;
    }
    if (!advance(a, static_cast<uint32_t>(target - s.offset))) error(a, "illegal size");
}

void d_offset(Asm& a, int) {
    int32_t value = 0;
    if (!getabs(a, value)) return;
    if (a.before_offset < 0) a.before_offset = a.cur;
    a.cur = 6;  // the offset pseudo-section
    Section& s = cursec(a);
    s.offset = static_cast<uint32_t>(value);
    s.start = 0;
}

// ---------------------------------------------------------------- sections

struct AttributeName {
    const char* name;
    uint8_t bits;
};

constexpr AttributeName attribute_names[] = {
    {"abs", SEC_ABS}, {"bit", SEC_BIT}, {"bss", SEC_BSS}, {"new", 0}, {"code", SEC_CODE},
    {"even", SEC_EVEN}, {"hilo", SEC_HILO}, {"long", SEC_LONG}, {"zpage", SEC_ZPAGE},
};

void switch_to_number(Asm& a, int number) {
    int idx = number == 255 ? 3 : a.old_numbers[static_cast<size_t>(number)];
    if (idx < 0) {
        error(a, "section number not assigned");
        return;
    }
    select_section(a, idx);
}

void d_section(Asm& a, int) {
    uint8_t attr = a.default_attr;
    bool any = false, is_new = false;
    int number = -1;
    while (!at_statement_end(a)) {
        Token t = gettoken(a);
        bool remove = false;
        if (is_op(t, OP_PLUS) || is_op(t, OP_MINUS)) {
            remove = t.op == OP_MINUS;
            t = gettoken(a);
        }
        uint8_t bits = 0;
        bool known = false;
        if (t.kind == T_NAME) {
            for (const AttributeName& n : attribute_names)
                if (t.text.size() == std::strlen(n.name) && std::equal(t.text.begin(), t.text.end(), n.name,
                    [](char x, char y) { return (x | 0x20) == y; })) {
                    bits = n.bits;
                    known = true;
                    if (!n.bits) is_new = true;
                }
            if (!known) {
                int other = find_section(a, t.text);
                if (other >= 0) {
                    bits = a.sections[other].attr;
                    known = true;
                }
            }
        } else if (t.kind == T_NUMBER && a.opt.old_syntax) {
            known = true;
            if (t.number < 0 || t.number > 255) error(a, "value too large");
            else number = t.number;
        }
        if (!known) {
            error_name(a, "unknown attribute ", t.text, "");
            return skip_rest(a);
        }
        any = true;
        attr = remove ? static_cast<uint8_t>(attr & ~bits) : static_cast<uint8_t>(attr | bits);
        if (!take_comma(a)) break;
    }
    if (!any) attr = a.sections[0].attr;

    if (!a.has_label) {
        if (a.opt.old_syntax && number >= 0) return switch_to_number(a, number);
        error(a, "missing label");
        return;
    }
    Token label = a.label_tok;
    std::string_view name = label.text;
    if (label.kind != T_NAME) {
        error_name(a, "bad symbol name: ", name, "");
        return;
    }
    if (name.size() > 14) {
        error_name(a, "section name ", name, " too long");
        name = name.substr(0, 14);
    }
    int idx;
    if (is_new) {
        size_t n = static_cast<size_t>(a.new_counter++);
        if (n < a.new_sections.size()) {
            idx = a.new_sections[n];
        } else {
            idx = add_section(a, name, attr);
            a.new_sections.push_back(idx);
        }
        for (int j = 0; j < idx; ++j)
            if (a.sections[j].name == name) a.sections[j].hidden = true;
    } else {
        idx = find_section(a, name);
        if (idx < 0) {
            idx = add_section(a, name, attr);
        } else {
            Section& s = a.sections[idx];
            bool same_number = a.opt.old_syntax && number >= 0 && s.old_number == number;
            if ((idx < 6 || s.decl_pass == a.pass) && !same_number) error_name(a, "symbol ", name, " multiply defined");
        }
    }
    a.sections[idx].decl_pass = a.pass;
    if (number >= 0) {
        int bound = a.old_numbers[static_cast<size_t>(number)];
        if (bound >= 0 && bound != idx) error(a, "section number already assigned");
        else {
            a.old_numbers[static_cast<size_t>(number)] = idx;
            a.sections[idx].old_number = number;
        }
    }
    select_section(a, idx);
}

void d_switch(Asm& a, int variant) {
    if (variant == 1) return select_section(a, 3);
    Token t = gettoken(a);
    if (t.kind != T_NAME) {
        error(a, "syntax error");
        return skip_rest(a);
    }
    int idx = find_section(a, t.text);
    if (idx < 0) {
        error_name(a, "symbol ", t.text, " not defined");
        return;
    }
    select_section(a, idx);
}

void d_save(Asm& a, int variant) {
    leave_offset(a);
    if (variant == 0) {
        a.save_stack.push_back(a.cur);
        return;
    }
    if (a.save_stack.empty()) {
        error(a, "missing save directive");
        return;
    }
    int idx = a.save_stack.back();
    a.save_stack.pop_back();
    select_section(a, idx);
}

void d_base(Asm& a, int) {
    int32_t b = 0;
    if (!getabs(a, b)) return;
    if (b != 2 && b != 8 && b != 10 && b != 16) {
        error(a, "invalid base");
        return;
    }
    a.base = b;
}

// ---------------------------------------------------------------- conditionals

bool string_pair(Asm& a, bool& equal) {
    std::string_view s1, s2;
    if (!get_string(a, s1)) return false;
    Token c = gettoken(a);
    if (!is_op(c, OP_COMMA)) {
        error(a, "missing string");
        backtoken(a, c);
        return false;
    }
    if (!get_string(a, s2)) return false;
    equal = s1 == s2;
    return true;
}

void d_if(Asm& a, int variant) {
    if (!assembling(a)) {
        a.conds.push_back({false, true, true});
        return skip_rest(a);
    }
    bool cond = false;
    if (variant <= 5) {
        ExprValue v = getexpr(a);
        if (v.relocatable()) {
            error(a, "relocatable expression not allowed");
        } else {
            int32_t x = v.value;
            static constexpr bool (*tests[])(int32_t) = {
                [](int32_t x) { return x != 0; }, [](int32_t x) { return x == 0; },
                [](int32_t x) { return x < 0; },  [](int32_t x) { return x <= 0; },
                [](int32_t x) { return x > 0; },  [](int32_t x) { return x >= 0; },
            };
            cond = tests[variant](x);
        }
    } else if (variant <= 7) {
        bool equal = false;
        if (string_pair(a, equal)) cond = (variant == 6) == equal;
    } else {
        Token t = gettoken(a);
        bool defined = false;
        if (t.kind == T_REGISTER) {
            defined = true;
        } else if (is_name(t)) {
            Symbol* s = lookup_symbol(a, t.text, t.kind == T_LOCAL);
            if (!s) s = findsym(a, t.text, t.kind == T_LOCAL);
            s->attr |= SA_TESTED;
            defined = s->defined() && (s->def_pass == a.pass || (s->attr & (SA_CMDLINE | SA_REGISTER)));
        } else {
            error(a, "syntax error");
            skip_rest(a);
        }
        cond = (variant == 8) == defined;
    }
    a.conds.push_back({cond, cond, false});
}

void d_else(Asm& a, int) {
    if (a.conds.empty()) {
        error(a, "bad else");
        return;
    }
    CondBlock& b = a.conds.back();
    if (!b.outer_false) b.state = !b.state;
}

void d_endif(Asm& a, int) {
    if (a.conds.empty()) {
        error(a, "bad endif");
        return;
    }
    a.conds.pop_back();
}

// ---------------------------------------------------------------- macros and repeats

bool inside_repeat(const Asm& a) {
    for (const InputEntry& e : a.input)
        if (e.kind == 'M' && e.is_repeat) return true;
    return false;
}

OpEntry* find_macro_entry(Asm& a, const std::string& name) {
    OpEntry* e = a.ops.find(name);
    return e && e->kind == OP_MACRO ? e : nullptr;
}

void d_macro(Asm& a, int) {
    a.collect = Collect();
    a.collect.kind = Collect::MACRO;
    a.collect.nesting = 1;
    if (!a.has_label) {
        error(a, "missing label");
        return skip_rest(a);
    }
    Token label = a.label_tok;
    if (label.kind != T_NAME) {
        error_name(a, "bad symbol name: ", label.text, "");
        return skip_rest(a);
    }
    if (inside_repeat(a)) {
        error(a, "misplaced macro directive");
        return skip_rest(a);
    }
    std::vector<std::string> params;
    while (!at_statement_end(a)) {
        skip_blanks(a);
        size_t p = a.pos;
        if (p >= a.line.size() || a.line[p] != '\\') {
            error(a, "missing argument name");
            return skip_rest(a);
        }
        size_t end = p + 1;
        while (end < a.line.size() && is_name_char(a.line[end]) && a.line[end] != '.' && a.line[end] != '$') ++end;
        if (end == p + 1) {
            error(a, "missing argument name");
            return skip_rest(a);
        }
        params.emplace_back(a.line.substr(p + 1, end - p - 1));
        a.pos = end;
        if (!take_comma(a)) break;
    }
    std::string name(label.text);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    OpEntry* existing = find_macro_entry(a, name);
    if (existing) {
        if (existing->macro->def_pass == a.pass) error_name(a, "symbol ", label.text, " multiply defined");
        existing->macro->def_pass = a.pass;
        return;
    }
    auto m = std::make_unique<Macro>();
    m->name = name;
    m->params = std::move(params);
    m->def_pass = a.pass;
    OpEntry e{OP_MACRO};
    e.macro = m.get();
    a.collect.macro = m.get();
    addop(a, name, e);
    a.macros.push_back(std::move(m));
}

void d_endm(Asm& a, int variant) { error(a, variant ? "misplaced endr directive" : "misplaced endm directive"); }

void end_innermost(Asm& a, bool macro) {
    for (size_t i = a.input.size(); i-- > 0;) {
        const InputEntry& e = a.input[i];
        if (e.kind == 'M' && (macro ? e.is_macro : e.is_repeat)) {
            size_t depth = e.if_depth;
            a.input.resize(i);
            if (a.conds.size() > depth) a.conds.resize(depth);
            return;
        }
    }
    error(a, macro ? "no macro in expansion" : "no repeat in expansion");
}

void d_mexit(Asm& a, int variant) { end_innermost(a, variant == 0); }

void d_repeat(Asm& a, int variant) {
    Collect c;
    c.kind = Collect::REPEAT;
    c.nesting = 1;
    c.body = std::make_shared<std::vector<std::string>>();
    if (variant == 0) {
        ExprValue v = getexpr(a);
        if (v.relocatable()) error(a, "bad relocatable expression");
        else if (v.value < 0) error(a, "value too large");
        else c.count = v.value;
    } else {
        c.list = true;
        skip_blanks(a);
        size_t p = a.pos;
        size_t end = p + 1;
        if (p < a.line.size() && a.line[p] == '\\')
            while (end < a.line.size() && is_name_char(a.line[end]) && a.line[end] != '.' && a.line[end] != '$') ++end;
        if (p >= a.line.size() || a.line[p] != '\\' || end == p + 1) {
            error(a, "missing argument name");
            skip_rest(a);
        } else {
            c.param = std::string(a.line.substr(p + 1, end - p - 1));
            a.pos = end;
            take_comma(a);
            split_arguments(a, c.items);
            skip_rest(a);
        }
    }
    a.collect = std::move(c);
}

// ---------------------------------------------------------------- files and messages

void d_local(Asm& a, int) { ++a.scope; }

void d_include(Asm& a, int) {
    Token t = gettoken(a);
    if (t.kind != T_STRING || t.bad) {
        error(a, "bad file name");
        return skip_rest(a);
    }
    if (openinc(a, std::string(t.text), true)) ++a.scope;
}

void d_fail(Asm& a, int) {
    Token t = gettoken(a);
    if (t.kind == T_STRING && !t.bad) {
        error(a, std::string(t.text));
        return skip_rest(a);
    }
    backtoken(a, t);
    int32_t v = 0;
    getabs(a, v);
    error(a, "fail " + std::to_string(v));
}

void d_messg(Asm& a, int) {
    std::string_view text;
    if (!get_string(a, text)) return;
    if (a.pass == 1) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

void d_end(Asm& a, int) {
    while (!a.input.empty() && a.input.back().kind != 'F') {
        size_t depth = a.input.back().if_depth;
        a.input.pop_back();
        if (a.conds.size() > depth) a.conds.resize(depth);
    }
    if (!a.input.empty()) a.input.back().pos = a.input.back().file->content.size();
}

void d_sfile(Asm& a, int) {
    InputEntry* f = current_file_entry(a);
    if (at_statement_end(a)) {
        if (f) f->sfile = false;
        return;
    }
    std::string_view name;
    if (!get_string(a, name)) return;
    int32_t line = 1;
    if (!take_comma(a)) {
        error(a, "syntax error");
        return;
    }
    if (!getabs(a, line)) return;
    if (f) {
        f->sfile = true;
        f->sfile_name = std::string(name);
        f->sfile_line = static_cast<uint32_t>(line);
        f->sfile_base = f->line;
    }
}

void d_source(Asm& a, int) {
    std::string_view text;
    if (!get_string(a, text)) return;
    size_t colon = text.rfind(':');
    bool ok = colon != std::string_view::npos && colon > 0;
    uint32_t first = 0, last = 0;
    if (ok) {
        size_t p = colon + 1;
        auto number = [&](uint32_t& v) {
            size_t start = p;
            v = 0;
            while (p < text.size() && text[p] >= '0' && text[p] <= '9') v = v * 10 + static_cast<uint32_t>(text[p++] - '0');
            return p > start;
        };
        ok = number(first);
        last = first;
        if (ok && p < text.size() && text[p] == '-') {
            ++p;
            ok = number(last);
        }
        ok = ok && p == text.size() && first >= 1 && last >= first;
    }
    if (!ok) {
        error(a, "bad .source directive");
        return;
    }
    if (!a.list.on) return;
    vy::FileRead read = vy::FileRead::failed;
    SourceFile* f = load_source(a, std::string(text.substr(0, colon)), &read);
    if (!f) {
        error(a, refusal(read, std::string(text.substr(0, colon))));
        return;
    }
    const std::string& c = f->content;
    size_t pos = 0;
    for (uint32_t n = 1; pos < c.size() && n <= last; ++n) {
        size_t end = c.find('\n', pos);
        if (end == std::string::npos) end = c.size();
        if (n >= first) {
            size_t stop = end;
            if (stop > pos && c[stop - 1] == '\r') --stop;
            char head[16];
            std::snprintf(head, sizeof head, ";%5u", n);
            a.list.source_lines.push_back(head + c.substr(pos, std::min<size_t>(stop - pos, 502)));
        }
        pos = end + 1;
    }
}

// ---------------------------------------------------------------- listing control

void d_list(Asm& a, int variant) { a.list.nolist = variant == 1; }

void d_listopt(Asm& a, int variant) {
    Token t = gettoken(a);
    bool on;
    if (t.kind == T_NAME && (t.text == "on" || t.text == "ON")) on = true;
    else if (t.kind == T_NAME && (t.text == "off" || t.text == "OFF")) on = false;
    else {
        error(a, "syntax error");
        return skip_rest(a);
    }
    (variant == 0 ? a.list.clist : variant == 1 ? a.list.dlist : a.list.mlist) = on;
}

void d_title(Asm& a, int variant) { list_title(a, variant); }

// Pages end with blank lines up to their length: a length is bounded so
// that a listing cannot grow without bound. Below 10 there are no headers.
constexpr int32_t MAX_PAGE_LENGTH = 65535;

void d_plen(Asm& a, int) {
    int32_t n = 0;
    if (!getabs(a, n)) return;
    if (n > MAX_PAGE_LENGTH) {
        error(a, "value too large");
        return;
    }
    a.list.page_length = n;
}

void d_page(Asm& a, int) { list_page(a); }

void d_spc(Asm& a, int) {
    int32_t n = 1;
    if (!at_statement_end(a) && !getabs(a, n)) return;
    if (n < 0 || n > 255) {
        error(a, "value too large");
        return;
    }
    list_space(a, n);
}

void d_tabs(Asm& a, int) { skip_rest(a); }

void d_funa(Asm& a, int) {
    Token n = gettoken(a);
    if (n.kind != T_NAME) {
        error(a, "syntax error");
        return skip_rest(a);
    }
    int32_t value = static_cast<int32_t>(cursec(a).address());
    if (take_comma(a)) value = getexpr(a).value;
    Token t = gettoken(a);
    if (is_op(t, OP_PLUS) || is_op(t, OP_MINUS)) {
        int32_t adj = getexpr(a).value;
        value = static_cast<int32_t>(t.op == OP_PLUS ? static_cast<uint32_t>(value) + static_cast<uint32_t>(adj)
                                                     : static_cast<uint32_t>(value) - static_cast<uint32_t>(adj));
    } else {
        backtoken(a, t);
    }
    if (a.list.on && a.list.verilog)
        std::fprintf(a.list.verilog, "%.*s = 16'h%04x;\n", static_cast<int>(n.text.size()), n.text.data(),
                     static_cast<unsigned>(value) & 0xFFFF);
}

void d_debug(Asm& a, int kind) { dodebug(a, kind); }

// ---------------------------------------------------------------- the table

constexpr uint16_t D = DF_DIRECTIVE;
constexpr uint16_t L = DF_LABEL_OPERAND;
constexpr uint16_t C = DF_ALWAYS | DF_CONDITIONAL;
constexpr uint16_t N = DF_NOLIST;
constexpr uint16_t E = DF_ENDS_BODY;
constexpr uint16_t T = DF_DATA;
constexpr uint16_t G = DF_DEBUG;

constexpr Directive directives[] = {
    {"equ", d_equ, D | L | 0},
    {"set", d_equ, D | L | 1},
    {"#define", d_define, D | 0},
    {"macro", d_macro, D | L},
    {"endm", d_endm, D | E | 0},
    {"endr", d_endm, D | E | 1},
    {"mexit", d_mexit, D | 0},
    {"rexit", d_mexit, D | 1},
    {"repeat", d_repeat, D | 0},
    {"repeatl", d_repeat, D | 1},
    {"irp", d_repeat, D | 1},
    {"local", d_local, D},
    {"include", d_include, D},
    {"#include", d_include, D},
    {"dc", d_dc, D | T | 1},
    {"dc.b", d_dc, D | T | 1},
    {"fcb", d_dc, D | T | 1},
    {"fcc", d_dc, D | T | 1},
    {"dc.w", d_dc, D | T | 2},
    {"fdb", d_dc, D | T | 2},
    {"dc.l", d_dc, D | T | 4},
    {"dcb", d_dcb, D | T | 1},
    {"dcb.b", d_dcb, D | T | 1},
    {"dcb.w", d_dcb, D | T | 2},
    {"dcb.l", d_dcb, D | T | 4},
    {"ds", d_ds, D | 0},
    {"ds.b", d_ds, D | 0},
    {"rmb", d_ds, D | 0},
    {"ds.w", d_ds, D | 1},
    {"ds.l", d_ds, D | 2},
    {"align", d_align, D | 1},
    {"even", d_even, D | 0},
    {"org", d_org, D},
    {"offset", d_offset, D},
    {"section", d_section, D | L},
    {"switch", d_switch, D | 0},
    {"bsct", d_switch, D | 1},
    {"save", d_save, D | 0},
    {"restore", d_save, D | 1},
    {"base", d_base, D},
    {"if", d_if, D | C | 0},
    {"ifne", d_if, D | C | 0},
    {"ifeq", d_if, D | C | 1},
    {"iflt", d_if, D | C | 2},
    {"ifle", d_if, D | C | 3},
    {"ifgt", d_if, D | C | 4},
    {"ifge", d_if, D | C | 5},
    {"ifc", d_if, D | C | 6},
    {"ifnc", d_if, D | C | 7},
    {"ifdef", d_if, D | C | 8},
    {"ifndef", d_if, D | C | 9},
    {"#ifdef", d_if, D | C | 8},
    {"#ifndef", d_if, D | C | 9},
    {"#if", d_if, D | C | 0},
    {"else", d_else, D | C},
    {"elsec", d_else, D | C},
    {"#else", d_else, D | C},
    {"endif", d_endif, D | C},
    {"endc", d_endif, D | C},
    {"#endif", d_endif, D | C},
    {"fail", d_fail, D},
    {"#error", d_fail, D},
    {"messg", d_messg, D},
    {"end", d_end, D},
    {"xdef", d_xref, D | 3},
    {"xref", d_xref, D | 3},
    {"xref.b", d_xref, D | 1},
    {"xrefb", d_xref, D | 1},
    {"xref.w", d_xref, D | 2},
    {"xref.l", d_xref, D | 4},
    {"xbit", d_xref, D | 5},
    {"xbit.w", d_xref, D | 5},
    {"xbit.b", d_xref, D | 6},
    {"list", d_list, D | N | 0},
    {"nolist", d_list, D | N | 1},
    {"nol", d_list, D | N | 1},
    {"clist", d_listopt, D | N | 0},
    {"dlist", d_listopt, D | N | 1},
    {"mlist", d_listopt, D | N | 2},
    {"title", d_title, D | N | 0},
    {"ttl", d_title, D | N | 0},
    {"subttl", d_title, D | N | 1},
    {"page", d_page, D | N},
    {"nopage", d_page, D | N},
    {"plen", d_plen, D | N},
    {"spc", d_spc, D | N},
    {"tabs", d_tabs, D | N},
    {"funa", d_funa, D},
    {".source", d_source, D},
    {".sfile", d_sfile, D},
    {".dcall", d_debug, D | G | 0x00},
    {".dentry", d_debug, D | G | 0x01},
    {".dtable", d_debug, D | G | 0x02},
    {".dquit", d_debug, D | G | 0x04},
    {".dline", d_debug, D | G | 0x08},
    {".dendfn", d_debug, D | G | 0x10},
    {".dstart", d_debug, D | G | 0x20},
    {".dfile", d_debug, D | G | 0x40},
    {".dstring", d_debug, D | G | 0x41},
    {".dopt", d_debug, D | G | 0x80},
};
static_assert(std::size(directives) == 100);

}  // namespace

void init_directives(Asm& a) {
    for (const Directive& d : directives) {
        OpEntry e{OP_DIRECTIVE};
        e.dir = &d;
        addop(a, d.name, e);
    }
}

void leave_offset(Asm& a) {
    if (a.before_offset < 0) return;
    a.cur = a.before_offset;
    a.before_offset = -1;
}

void select_section(Asm& a, int index) {
    leave_offset(a);
    if (index == a.cur) return;
    if (a.line_debug) enddebug(a);
    a.cur = index;
    if (a.line_debug) startdebug(a);
}

}  // namespace ccasm
