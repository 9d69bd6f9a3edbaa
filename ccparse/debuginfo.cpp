// The debug description written with -x. Every entry is written in two
// passes over its symbols: the first writes, for each, a label, its name
// and class and the extra data of its type (derivation words, bit-field
// positions, member lists); the second the table of 16-byte entries that
// link to them (name, value, type word, type data). Labels come from the
// front end's counter; the code generator turns label definitions into
// labels and links into 4-byte addresses.
//
// Layout as the debugger reads it (offsets of words):
//   file node      +0 name, +4 first function node
//   function node  +0 next node, +4 file node, +8 name, +12 first line,
//                  +16 last line, +20 type word, +24 type data,
//                  +28 variable list (0: none), +32 reference node
//   the last node of a file has no next node, no name, and the file's
//   variables; its reference node is not read
//   reference node +0 number of called functions, +4 number of referenced
//                  variables; their names are debug strings at +0 and +4
//   member list    +0 tag name (0: no tag), member entries, a zero name
//                  word, the type's size
#include "ccparse/debuginfo.h"

#include "ccparse/decl.h"
#include "ccparse/expr.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/macro.h"
#include "ccparse/options.h"
#include "ccparse/source.h"
#include "ccparse/stmt.h"
#include "ccparse/types.h"

#include <cstdlib>
#include <vector>

namespace vy::cc {

namespace {

struct DebugState {
    std::uint16_t block_label = 0;  // types described before it are described again
    std::vector<SourceFile*> ended;
    // Member lists whose labels are given but whose description waits, with
    // the label of their tag name.
    std::vector<std::pair<const TypeNode*, std::uint16_t>> deferred;
};

DebugState state;

// Member lists inside member lists are described in place down to this depth;
// deeper ones are described after the symbol that needs them.
constexpr int member_depth_limit = 32;

// Debug class bytes.
enum DebugClass : std::uint8_t {
    DC_NONE = 0,
    DC_STATIC = 1,
    DC_ARG = 2,
    DC_AUTO = 3,
    DC_REGISTER = 4,
    DC_REGARG = 5,
    DC_EXTERN = 6,
    DC_ARGREG = 7,
    DC_ABSOLUTE = 8,
    DC_ENUM_MEMBER = 12,
    DC_STATIC_ARG = 14,
    DC_STATIC_ARGREG = 15,
    DC_STATIC_AUTO = 16,
    DC_TYPEDEF = 17,
    DC_LABEL = 18,
};

constexpr std::uint32_t code_label_word = 0x58000000;

std::string described_name(const SourceFile* file) {
    std::string_view name = file == current_source() ? diag_file_name() : std::string_view(file->name);
    return ir_file_text(name);
}

// The name before the NUL (the base name).
std::string base_text(const std::string& text) { return text.substr(0, text.find('\0')); }

bool has_members(std::uint8_t code) { return code == T_STRUCT || code == T_UNION || code == T_ENUM; }

void describe_members(const TypeNode* type, int depth);

// The first pass of a type: its member list when not yet described here,
// then its data (bit-field word, one word per derivation, the member list
// link) after a label, which is returned (0: no data).
std::uint16_t type_data(const TypeNode* type, int depth) {
    std::vector<std::uint32_t> words;
    const TypeNode* t = type;
    for (; t && (t->code == T_POINTER || t->code == T_ARRAY || t->code == T_FUNCTION); t = t->base) {
        if (words.size() == 11) continue;  // reported with the type word
        words.push_back(t->code == T_POINTER ? t->attr : t->code == T_ARRAY ? t->count : 0);
    }
    bool field = t && is_bitfield_code(t->code);
    bool members = t && has_members(t->code);
    if (members) describe_members(t, depth + 1);
    if (words.empty() && !field && !members) return 0;
    std::uint16_t label = nextlabel();
    ir_debug_label(label);
    if (field) ir_int_item(4, static_cast<std::uint32_t>(t->bit_offset) << 8 | t->bit_width);
    for (std::uint32_t w : words) ir_int_item(4, w);
    if (members) ir_link(t->debug);
    return label;
}

// A symbol's first pass: its label, name, class, and the data of its type.
std::uint16_t first_pass(Symbol* sym, std::uint8_t cls, int depth) {
    sym->debug = nextlabel();
    ir_debug_label(sym->debug);
    ir_string(sym->name ? sym->name->str() : std::string_view());
    ir_int_item(1, cls);
    if (cls == DC_REGARG) ir_int_item(4, static_cast<std::uint32_t>(sym->value));
    if (cls == DC_ENUM_MEMBER) return 0;
    return type_data(sym->type, depth);
}

// Member lists put off by depth, described now (they may put off more).
void write_members(const TypeNode* type, std::uint16_t name_label, int depth);

void describe_deferred() {
    while (!state.deferred.empty()) {
        auto [type, name_label] = state.deferred.back();
        state.deferred.pop_back();
        write_members(type, name_label, 0);
    }
}

// How a symbol's value is written in its entry.
enum ValueForm { VALUE_NUMBER, VALUE_ADDRESS, VALUE_STATIC_FRAME };

struct Entry {
    Symbol* sym;
    std::uint8_t cls;
    std::uint16_t data;
    ValueForm form;
    std::uint32_t value;
};

// The static block of a nostack function: its name followed by ".L".
struct StaticFrame {
    std::string name;
    std::uint8_t attribute = 0x81;
};
StaticFrame frame_block;

// A symbol's second pass: a 16-byte entry.
void second_pass(const Entry& e) {
    ir_link(e.sym->debug);
    switch (e.form) {
    case VALUE_NUMBER: ir_int_item(4, e.value); break;
    case VALUE_ADDRESS: ir_address(IR_ADDRESS4, e.sym, 0, 0); break;
    case VALUE_STATIC_FRAME: ir_named_address(frame_block.name, 0, frame_block.attribute, e.value); break;
    }
    ir_type_word(e.cls == DC_ENUM_MEMBER ? debugtype(type_int()) : debugtype(e.sym->type));
    ir_link(e.data);
}

// A member list, unless this description has one of the type already.
void describe_members(const TypeNode* type, int depth) {
    if (type->debug && type->debug >= state.block_label) return;
    std::uint16_t name_label = type->tag ? nextlabel() : 0;
    const_cast<TypeNode*>(type)->debug = nextlabel();
    if (depth > member_depth_limit)
        state.deferred.emplace_back(type, name_label);
    else
        write_members(type, name_label, depth);
}

void write_members(const TypeNode* type, std::uint16_t name_label, int depth) {
    bool is_enum = type->code == T_ENUM;
    std::vector<Entry> entries;
    for (Symbol* m = type->members; m; m = m->link) {
        std::uint8_t cls = is_enum ? DC_ENUM_MEMBER : DC_NONE;
        entries.push_back({m, cls, first_pass(m, cls, depth), VALUE_NUMBER, static_cast<std::uint32_t>(m->value)});
    }
    if (name_label) {
        ir_debug_label(name_label);
        ir_string(type->tag->str());
    }
    ir_debug_label(type->debug);
    ir_link(name_label);
    for (const Entry& e : entries) second_pass(e);
    ir_link(0);
    ir_int_item(4, type_size_quiet(type));
}

// -------------------------------------------------------------- files

void announce(SourceFile* file) {
    file->handle[0] = nextlabel();
    file->handle[1] = nextlabel();
    std::string name = described_name(file);
    ir_debug_file(name);
    ir_debug_label(file->handle[0]);
    state.block_label = nextlabel();
    ir_link(state.block_label);
    ir_link(file->handle[1]);
    ir_debug_label(state.block_label);
    ir_string(name);
    ir_int_item(1, 140);
}

std::uint8_t file_level_class(const Symbol* sym) {
    switch (sym->kind) {
    case KIND_STATIC: return DC_STATIC;
    case KIND_ABSOLUTE: return DC_ABSOLUTE;
    case KIND_TYPEDEF: return DC_TYPEDEF;
    case KIND_NONE:
    case KIND_EXTERN: return DC_EXTERN;
    default: return DC_NONE;
    }
}

bool describable_global(const Symbol* sym) {
    if (!sym->name || sym->undefined) return false;
    if (sym->kind == KIND_TYPEDEF) return opt.xx;
    if (sym->kind == KIND_EXTERN || sym->kind == KIND_ENUM_CONST) return false;
    return !(sym->type && sym->type->code == T_FUNCTION);
}

// The last node of a file: no next node, no name, lines 1 to the count
// read, and the file's own variables.
void file_end(SourceFile* file) {
    ir_debug_label(file->handle[1]);
    ir_link(0);
    ir_link(file->handle[0]);
    ir_link(0);
    ir_int_item(4, 1);
    ir_int_item(4, file->lines);
    ir_int_item(4, 0);
    ir_link(0);
    std::vector<Symbol*> symbols;
    for (Symbol* s = file->debug_symbols; s; s = s->file_link)
        if (describable_global(s)) symbols.push_back(s);
    if (symbols.empty()) {
        ir_link(0);
    } else {
        std::uint16_t list = nextlabel();
        ir_link(list);
        std::vector<Entry> entries;
        for (Symbol* s : symbols) {
            std::uint8_t cls = file_level_class(s);
            std::uint16_t data = first_pass(s, cls, 0);
            describe_deferred();
            entries.push_back({s, cls, data, cls == DC_TYPEDEF ? VALUE_NUMBER : VALUE_ADDRESS, 0});
        }
        ir_debug_label(list);
        for (const Entry& e : entries) second_pass(e);
        ir_link(0);
    }
    if (opt.xx) {
        for_each_macro([](MacroDef& m) {
            if (!m.used) return;
            m.used = false;
            ir_used_name("#" + m.name);
            ir_string(m.block);
        });
    }
    file->handle[0] = 0;
}

// ------------------------------------------------------------ functions

// Whether the first parameter arrives in a register.
bool first_in_register(const FunctionDef& f, const Symbol* p) {
    std::uint8_t rc = effective_code(f.result);
    if (rc == T_STRUCT || rc == T_UNION || rc == T_DOUBLE || rc == T_LDOUBLE) return false;
    std::uint8_t pc = effective_code(p->type);
    if (pc == T_STRUCT || pc == T_UNION) return false;
    if (type_size_quiet(p->type) > 4) return false;
    return pc != T_FLOAT || opt.nw || opt.f;
}

bool describable_local(const Symbol* sym) {
    if (!sym->name || sym->undefined) return false;
    switch (sym->kind) {
    case KIND_AUTO:
    case KIND_REGISTER:
    case KIND_STATIC:
    case KIND_ABSOLUTE: return !(sym->type && sym->type->code == T_FUNCTION);
    case KIND_TYPEDEF: return opt.xx;
    default: return false;
    }
}

// The names a function uses: functions (called or taken as addresses)
// and variables with a name of their own.
struct UsedNames {
    std::vector<Symbol*> called, referenced;

    void note(Symbol* sym) {
        if (!sym->name || sym->name->str() == "_asm") return;
        bool function = sym->type && sym->type->code == T_FUNCTION;
        if (function) {
            if (!(sym->flags & SYM_CALLED)) called.push_back(sym);
            sym->flags |= SYM_CALLED;
            return;
        }
        switch (sym->kind) {
        case KIND_NONE:
        case KIND_EXTERN:
        case KIND_STATIC:
        case KIND_ABSOLUTE:
            if (!(sym->flags & SYM_REFERENCED)) referenced.push_back(sym);
            sym->flags |= SYM_REFERENCED;
            break;
        default: break;
        }
    }
    void tree(const Expr* e) {
        if (!e) return;
        if (e->is_leaf()) {
            if (e->sym) note(e->sym);
            return;
        }
        tree(e->left);
        tree(e->right);
        tree(e->third);
    }
    void statements(Stmt* body) {
        for_each_stmt(body, [this](const Stmt* s) {
            tree(s->expr);
            tree(s->init);
            tree(s->step);
        });
    }
    // Writes the names and counts; clears the marks.
    void write() {
        for (Symbol* s : called) ir_used_name(s->name->str());
        ir_int_item(4, static_cast<std::uint32_t>(called.size()));
        for (Symbol* s : referenced) ir_used_name(s->name->str());
        ir_int_item(4, static_cast<std::uint32_t>(referenced.size()));
        for (Symbol* s : called) s->flags &= static_cast<std::uint16_t>(~SYM_CALLED);
        for (Symbol* s : referenced) s->flags &= static_cast<std::uint16_t>(~SYM_REFERENCED);
    }
};

}  // namespace

void debug_reset() {
    state = DebugState{};
    frame_block = StaticFrame{};
}

void filelink(Symbol* sym, SourceFile* file) {
    if (!opt.x || opt.e || sym->on_debug_list || !sym->name || !file) return;
    sym->on_debug_list = true;
    if (file->debug_tail)
        file->debug_tail->file_link = sym;
    else
        file->debug_symbols = sym;
    file->debug_tail = sym;
}

void debug_file_ended(SourceFile* file) {
    if (!opt.x || opt.e || !file) return;
    state.ended.push_back(file);
}

void debug_flush() {
    for (SourceFile* file : state.ended) {
        if (!file->handle[0] && !file->handle[1] && file->debug_symbols) announce(file);
        if (file->handle[0]) file_end(file);
    }
    state.ended.clear();
}

void describe_function(FunctionDef& f) {
    SourceFile* file = const_cast<SourceFile*>(f.source ? f.source : current_source());
    if (!file) return;
    if (!file->handle[0] && !file->handle[1]) announce(file);
    if (!file->handle[0]) return;  // its description has ended
    Symbol* fn = f.symbol;
    frame_block.name = f.nostack ? std::string(fn->name->str()) + ".L" : std::string();
    frame_block.attribute = static_cast<std::uint8_t>((fn->attr & SPACE_CLASS) == SPACE_FAR ? 0x89 : 0x81);

    // The name, its class and the data of the return type.
    std::uint16_t name = nextlabel();
    ir_debug_label(name);
    ir_string(fn->name->str());
    ir_int_item(1, fn->kind == KIND_STATIC ? DC_STATIC : DC_EXTERN);
    std::uint16_t result_data = type_data(f.result, 0);
    describe_deferred();

    // The node.
    std::string file_name = base_text(described_name(file));
    ir_debug_function(file_name + "~" + std::string(fn->name->str()));
    ir_debug_label(file->handle[1]);
    file->handle[1] = nextlabel();
    ir_link(file->handle[1]);
    ir_link(file->handle[0]);
    ir_link(name);
    ir_int_item(4, f.first_line);
    ir_int_item(4, f.end_line);
    ir_type_word(debugtype(f.result));
    ir_link(result_data);

    // The variables: parameters, then the locals of every block, then (with
    // -xx) the statement labels.
    std::vector<Entry> entries;
    std::uint8_t rc = effective_code(f.result);
    // A union result moves the parameters as a structure result does; the
    // debugger adds that for structures only.
    std::uint32_t union_shift = rc == T_UNION ? 2 : 0;
    bool first = true;
    for (Symbol* p : f.params) {
        if (!p->name) continue;
        bool reg = first && first_in_register(f, p);
        first = false;
        std::uint8_t cls = f.nostack ? (reg ? DC_STATIC_ARGREG : DC_STATIC_ARG) : (reg ? DC_ARGREG : DC_ARG);
        if (f.nostack)
            entries.push_back({p, cls, 0, VALUE_STATIC_FRAME, static_cast<std::uint32_t>(p->value)});
        else
            entries.push_back({p, cls, 0, VALUE_NUMBER, static_cast<std::uint32_t>(std::abs(p->value)) + union_shift});
    }
    std::vector<const Stmt*> blocks;
    for_each_stmt(f.body, [&blocks](const Stmt* s) {
        if (s->kind == S_BLOCK) blocks.push_back(s);
    });
    for (const Stmt* b : blocks) {
        for (Symbol* s : b->locals) {
            if (!describable_local(s)) continue;
            std::uint8_t cls = DC_NONE;
            ValueForm form = VALUE_ADDRESS;
            std::uint32_t value = 0;
            switch (s->kind) {
            case KIND_AUTO:
                cls = f.nostack ? DC_STATIC_AUTO : DC_AUTO;
                form = f.nostack ? VALUE_STATIC_FRAME : VALUE_NUMBER;
                value = f.nostack ? static_cast<std::uint32_t>(s->value) : static_cast<std::uint32_t>(std::abs(s->value));
                break;
            case KIND_STATIC: cls = DC_STATIC; break;
            case KIND_ABSOLUTE: cls = DC_ABSOLUTE; break;
            case KIND_TYPEDEF: cls = DC_TYPEDEF; form = VALUE_NUMBER; break;
            default: break;
            }
            entries.push_back({s, cls, 0, form, value});
        }
    }
    std::vector<GotoLabel*> labels;
    if (opt.xx)
        for (GotoLabel* l : f.labels)
            if (l->stmt && l->stmt->label && l->name) labels.push_back(l);
    std::uint16_t end = nextlabel();
    if (entries.empty() && labels.empty()) {
        ir_link(0);
        ir_link(end);
    } else {
        std::uint16_t list = nextlabel();
        ir_link(list);
        ir_link(end);
        for (Entry& e : entries) {
            e.data = first_pass(e.sym, e.cls, 0);
            describe_deferred();
        }
        for (GotoLabel* l : labels) {
            l->debug = nextlabel();
            ir_debug_label(l->debug);
            ir_string(l->name->str());
            ir_int_item(1, DC_LABEL);
        }
        ir_debug_label(list);
        for (const Entry& e : entries) second_pass(e);
        for (GotoLabel* l : labels) {
            l->stmt->kept_label = true;
            ir_link(l->debug);
            ir_link(l->stmt->label);
            ir_type_word(code_label_word);
            ir_link(0);
        }
        ir_link(0);
    }

    // The reference node: the called functions, then the referenced variables.
    ir_debug_label(end);
    UsedNames used;
    used.statements(f.body);
    used.write();
}

}  // namespace vy::cc
