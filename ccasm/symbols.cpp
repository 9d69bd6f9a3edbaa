// The symbol table: lookup and creation in bucket order, definitions,
// references, local-label scopes, the end-of-first-pass numbering.
#include <algorithm>

#include "ccasm/asm.h"

namespace ccasm {
namespace {

constexpr size_t MAX_NAME = 255;

std::string local_key(std::string_view name, uint32_t scope) {
    std::string key(name);
    key += '\x01';
    key += std::to_string(scope);
    return key;
}

// Puts a new symbol behind the last one of its bucket, or at the head of
// the list when the bucket is empty.
void link_symbol(Asm& a, Symbol* s) {
    Symbol*& last = a.bucket_last[s->bucket];
    if (last) {
        s->next = last->next;
        last->next = s;
        last->attr &= static_cast<uint16_t>(~SA_LASTINBUCKET);
    } else {
        s->next = a.sym_head;
        a.sym_head = s;
    }
    s->attr |= SA_LASTINBUCKET;
    last = s;
}

Symbol* create_symbol(Asm& a, std::string_view name, bool local) {
    auto owned = std::make_unique<Symbol>();
    Symbol* s = owned.get();
    s->name = std::string(name);
    s->bucket = symbol_hash(name);
    if (local) {
        s->attr |= SA_LOCAL;
        s->scope = a.scope;
        a.local_symbols.emplace(local_key(name, a.scope), s);
    } else {
        a.symbols.set(s->name, s);
    }
    a.symbol_store.push_back(std::move(owned));
    link_symbol(a, s);
    return s;
}

bool in_debug_section(const Asm& a, const Symbol* s) {
    return s->section >= 0 && a.sections[s->section].debug;
}

}  // namespace

uint8_t symbol_hash(std::string_view name) {
    uint32_t h = 0;
    for (char c : name) h = (h >> 1) + static_cast<uint8_t>(c);
    return static_cast<uint8_t>(h & 31);
}

Symbol* lookup_symbol(Asm& a, std::string_view name, bool local) {
    if (local) {
        auto it = a.local_symbols.find(local_key(name, a.scope));
        return it == a.local_symbols.end() ? nullptr : it->second;
    }
    return a.symbols.find(name);
}

Symbol* findsym(Asm& a, std::string_view name, bool local) {
    if (Symbol* s = lookup_symbol(a, name, local)) return s;
    return create_symbol(a, name, local);
}

// The symbol a name token stands for; null (after a diagnostic) for a name
// too long for the object file.
Symbol* name_symbol(Asm& a, const Token& t) {
    std::string_view name = t.text;
    if (name.size() > MAX_NAME) {
        error_name(a, "symbol name ", name.substr(0, 32), "... too long");
        name = name.substr(0, MAX_NAME);
    }
    return findsym(a, name, t.kind == T_LOCAL);
}

void reference(Asm& a, Symbol* s) {
    s->flags |= SF_REFERENCED;
    if (a.pass == 1) {
        s->referenced_in_pass1 = true;
        if (s->file.empty() && !s->defined()) {
            s->file = current_file(a);
            s->line = current_line(a);
        }
    }
    if (a.list.on) {  // reference lines are shown in the listing only
        uint32_t line = a.opt.cross_ref ? a.pass_lines : current_line(a);
        if (s->refs.empty() || s->refs.back() != line) s->refs.push_back(line);
    }
    if (a.opt.undefined_at_use && a.pass > 1 && !s->defined() && !(s->flags & SF_PUBLIC))
        error_name(a, "symbol ", s->name, " not defined");
}

ExprValue symbol_value(Asm& a, Symbol* s) {
    ExprValue v;
    v.base = s;
    if (s->attr & SA_ALIAS) {
        Symbol* t = s->alias;
        v.base = t;
        v.value = s->value;
        v.kind = (t->flags & SF_ZPAGE) ? VK_BYTE : (t->flags & SF_LONG) ? VK_LONG : VK_REL;
        return v;
    }
    if (s->defined()) {
        v.value = s->value;
        if (s->flags & SF_ABSOLUTE) return v;
        v.section = s->section;
    }
    v.kind = (s->flags & SF_ZPAGE) ? VK_BYTE : (s->flags & SF_LONG) ? VK_LONG : VK_REL;
    return v;
}

// Defines a symbol with a value; returns false when it is a second
// definition. A value that differs from the previous pass marks the pass
// changed, which drives the pass loop.
bool define_symbol(Asm& a, Symbol* s, const ExprValue& v, bool is_set) {
    bool again = s->def_pass == a.pass && !(is_set && (s->attr & SA_SET));
    if ((s->attr & (SA_REGISTER | SA_CMDLINE)) || again) {
        s->multiply = true;
        error_name(a, "symbol ", s->name, " multiply defined");
        return false;
    }
    uint8_t flags = SF_DEFINED;
    Symbol* alias = nullptr;
    int section = -1;
    if (!v.relocatable()) {
        flags |= SF_ABSOLUTE;
    } else if (v.base && !v.base->defined()) {
        alias = v.base;
    } else {
        section = v.section;
        if (v.kind == VK_BYTE) flags |= SF_ZPAGE;
        if (v.kind == VK_LONG) flags |= SF_LONG;
    }
    if (a.pass > 1 && !is_set) {
        bool moved = s->def_pass < 0 ? (s->flags & SF_REFERENCED) != 0
                                     : s->value != v.value || s->section != section || s->alias != alias;
        if (moved) {
            a.changed = true;
            a.last_moved = s;
        }
    }
    if (s->def_pass < 0) {
        s->file = current_file(a);
        s->line = current_line(a);
    } else if (a.pass > 1 && !s->multiply) {
        s->line = current_line(a);
    }
    s->value = v.value;
    s->section = section;
    s->alias = alias;
    if (alias) s->attr |= SA_ALIAS;
    else s->attr &= static_cast<uint16_t>(~SA_ALIAS);
    s->flags = static_cast<uint8_t>((s->flags & (SF_REFERENCED | SF_PUBLIC | SF_BIT)) | flags);
    if (is_set) s->attr |= SA_SET;
    s->def_pass = a.pass;
    if (a.opt.cross_ref) s->xref_line = a.pass_lines;
    return true;
}

// A label at the current address of the current section.
void define_label(Asm& a, Symbol* s) {
    Section& sec = cursec(a);
    ExprValue v;
    v.value = static_cast<int32_t>(sec.address());
    if (!(sec.attr & SEC_ABS)) {
        v.section = a.cur;
        v.kind = (sec.attr & SEC_ZPAGE) ? VK_BYTE : (sec.attr & SEC_LONG) ? VK_LONG : VK_REL;
    }
    if (!define_symbol(a, s, v, false)) return;
    if (!(sec.attr & SEC_ABS)) {
        // a label in a zero-page section keeps the zpage flag; long and bit likewise
        if (sec.attr & SEC_ZPAGE) s->flags |= SF_ZPAGE;
        if (sec.attr & SEC_LONG) s->flags |= SF_LONG;
    }
    if (sec.attr & SEC_BIT) {
        s->flags |= SF_BIT;
        s->attr |= SA_BIT;
    }
    if (sec.debug) s->attr |= SA_DEBUG;
    else s->attr &= static_cast<uint16_t>(~SA_DEBUG);
    a.last_label = s;
}

void init_registers(Asm& a) {
    static const char* const names[] = {"a", "A", "b", "B", "ccr", "CCR", "d", "D", "x", "X", "y", "Y"};
    for (int i = 0; i < 12; ++i) {
        Symbol* s = findsym(a, names[i], false);
        s->attr |= SA_REGISTER;
        s->flags = SF_DEFINED | SF_ABSOLUTE;
        s->regnum = i / 2 + 1;
        s->value = s->regnum;
        s->def_pass = 0;
    }
}

bool cmddefine(Asm& a, const std::string& text, std::string& message) {
    a.line = text;
    a.pos = 0;
    a.nback = 0;
    a.has_error = false;
    a.error_text.clear();
    a.after_operand = false;
    Token t = gettoken(a);
    if (t.kind != T_NAME) {
        message = "bad symbol name: " + text;
        return false;
    }
    Symbol* s = name_symbol(a, t);
    ExprValue v;
    v.value = 1;
    Token eq = gettoken(a);
    if (eq.kind == T_OP && eq.op == OP_EQ) {
        int32_t value = 0;
        if (getabs(a, value)) v.value = value;
    } else {
        backtoken(a, eq);
    }
    if (!a.has_error && !at_statement_end(a)) error(a, "bad comment delimiter");
    if (!a.has_error && s) {
        if (s->defined()) {
            error_name(a, "symbol ", s->name, " multiply defined");
        } else {
            s->value = v.value;
            s->flags = SF_DEFINED | SF_ABSOLUTE;
            s->section = -1;
            s->attr |= SA_CMDLINE;
            s->def_pass = 0;
        }
    }
    message = a.error_text;
    return !a.has_error;
}

// Keeps only register names and command-line symbols, in their order.
void resetsyms(Asm& a) {
    std::vector<std::unique_ptr<Symbol>> kept;
    std::vector<Symbol*> order;
    for (Symbol* s = a.sym_head; s; s = s->next)
        if (s->attr & (SA_REGISTER | SA_CMDLINE)) order.push_back(s);
    for (auto& owned : a.symbol_store)
        if (owned->attr & (SA_REGISTER | SA_CMDLINE)) kept.push_back(std::move(owned));
    a.symbol_store = std::move(kept);
    a.symbols.clear();
    a.local_symbols.clear();
    a.sym_head = nullptr;
    std::fill(std::begin(a.bucket_last), std::end(a.bucket_last), nullptr);
    for (Symbol* s : order) {
        s->next = nullptr;
        s->attr &= static_cast<uint16_t>(~SA_LASTINBUCKET);
        s->flags &= static_cast<uint8_t>(~(SF_REFERENCED | SF_PUBLIC));
        s->refs.clear();
        s->number = 0;
        s->referenced_in_pass1 = false;
        a.symbols.set(s->name, s);
        link_symbol(a, s);
    }
}

namespace {

// Numbers the sections that get a record, in list order: those that
// received bytes or were numbered before, and those holding a symbol that is
// referenced or public (any defined symbol with pl), or whose address the
// debug symbol table relocates (xx). Returns whether a section got a number
// it did not have.
bool number_sections(Asm& a) {
    std::vector<bool> needed(a.sections.size());
    for (size_t i = 0; i < a.sections.size(); ++i) needed[i] = a.sections[i].got_bytes || a.sections[i].number;
    for (Symbol* s = a.sym_head; s; s = s->next) {
        if (s->section < 0 || !s->defined()) continue;
        if ((s->flags & (SF_REFERENCED | SF_PUBLIC)) || a.opt.keep_locals || (a.full_debug && in_debug_table(a, s)))
            needed[static_cast<size_t>(s->section)] = true;
    }
    int number = 0;
    bool added = false;
    for (size_t i = 0; i < a.sections.size(); ++i) {
        Section& sec = a.sections[i];
        int old = sec.number;
        sec.number = !sec.pseudo && needed[i] ? ++number : 0;
        added = added || (sec.number && !old);
    }
    a.number_of_sections = number;
    return added;
}

// Public symbols are numbered after the sections, in list order.
void number_symbols(Asm& a) {
    int number = a.number_of_sections;
    for (Symbol* s = a.sym_head; s; s = s->next) {
        s->number = 0;
        if ((s->flags & SF_PUBLIC) && !(s->attr & SA_ALIAS) && !(s->attr & SA_REGISTER))
            s->number = static_cast<uint32_t>(++number);
    }
}

}  // namespace

void endpass1(Asm& a) {
    number_sections(a);
    for (Symbol* s = a.sym_head; s; s = s->next) {
        if (s->attr & SA_REGISTER) continue;
        if (!s->defined() && !(s->flags & SF_PUBLIC)) {
            bool only_tested = (s->attr & SA_TESTED) && !s->referenced_in_pass1;
            if (!only_tested && !a.opt.undefined_at_use && s->referenced_in_pass1) {
                report_at(a, s->file, s->line, "symbol " + s->name + " not defined");
            }
        }
        if ((s->attr & SA_ALIAS) && (s->flags & SF_PUBLIC) && s->alias && !s->alias->defined())
            report_at(a, s->file, s->line, "bad relocatable expression");
        if (!s->defined() && !(s->flags & SF_REFERENCED)) s->flags &= static_cast<uint8_t>(~SF_PUBLIC);
        if (a.all_public && s->defined() &&
            !(s->attr & (SA_LOCAL | SA_REGISTER | SA_SET | SA_CMDLINE | SA_DEBUG)) && !in_debug_section(a, s))
            s->flags |= SF_PUBLIC;
    }
    number_symbols(a);
}

bool renumber(Asm& a) {
    if (!number_sections(a)) return false;
    number_symbols(a);
    return true;
}

}  // namespace ccasm
