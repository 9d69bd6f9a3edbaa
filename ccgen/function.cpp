// One function: its statement records read into code lists, one list per
// label; then block placement, the entry sequence, branch shortening and
// the emission of the placed blocks, framed by the debug directives.
#include "ccgen/ccgen.h"
#include "ccparse/toolkit/toolkit.h"

#include <algorithm>

namespace ccgen {

// ------------------------------------------------------------ labels and items

namespace {

LabelNode* new_label_node(Gen& g, std::uint32_t number) {
    g.label_pool.emplace_back();
    LabelNode* l = &g.label_pool.back();
    l->number = number;
    return l;
}

void link_last(Gen& g, LabelNode* l) {
    l->next = nullptr;
    l->prev = g.labels_tail;
    if (g.labels_tail)
        g.labels_tail->next = l;
    else
        g.labels = l;
    g.labels_tail = l;
}

void unlink(Gen& g, LabelNode* l) {
    if (l->prev)
        l->prev->next = l->next;
    else
        g.labels = l->next;
    if (l->next)
        l->next->prev = l->prev;
    else
        g.labels_tail = l->prev;
    l->next = l->prev = nullptr;
}

}  // namespace

// The label of that number, created (as a forward reference) when absent.
LabelNode* find_label(Gen& g, std::uint32_t number) {
    auto it = g.label_index.find(number);
    if (it != g.label_index.end()) return it->second;
    LabelNode* l = new_label_node(g, number);
    l->flags = LF_FORWARD;
    g.label_index.emplace(number, l);
    link_last(g, l);
    return l;
}

// A label of the generator's own, in no list (exits, switch splits).
LabelNode* new_generated_label(Gen& g) { return new_label_node(g, new_label_number(g)); }

void move_label_last(Gen& g, LabelNode* l) {
    l->flags &= static_cast<std::uint16_t>(~LF_FORWARD);
    unlink(g, l);
    link_last(g, l);
}

void set_code_node(CodeNode* c, std::uint16_t code, LabelNode* target, std::uint16_t size) {
    c->code = code;
    c->target = target;
    c->size = size;
}

CodeNode* new_code_node(Gen& g, std::uint16_t code, LabelNode* target, std::uint16_t size) {
    g.code_pool.emplace_back();
    CodeNode* c = &g.code_pool.back();
    set_code_node(c, code, target, size);
    return c;
}

// Appends to the open list; an item that is not stored text takes over the
// debug lines stored since the last item.
void append_item(Gen& g, CodeNode* c) {
    if (c->code != CODE_TEXT && g.pending_lines >= 0) {
        c->text = g.pending_lines;
        code_end_piece(g);
        g.pending_lines = -1;
    }
    LabelNode* l = g.open;
    if (!l) return;
    c->next = nullptr;
    if (l->tail)
        l->tail->next = c;
    else
        l->head = c;
    l->tail = c;
    g.stmt_item = c;
}

void begin_text(Gen& g) {
    g.item_text = g.pending_lines >= 0 ? g.pending_lines : g.store.write_pos;
    g.pending_lines = -1;
    g.code_offset = 0;
}

// The text stored since `begin_text` as one item.
void append_text_item(Gen& g) {
    code_end_piece(g);
    CodeNode* c = new_code_node(g, CODE_TEXT, nullptr, g.code_offset);
    c->text = g.item_text;
    append_item(g, c);
    g.code_offset = 0;
}

void append_branch(Gen& g, std::uint16_t code, LabelNode* target, std::uint16_t size) {
    append_item(g, new_code_node(g, code, target, size));
    if (target) ++target->refs;
}

void free_function(Gen& g) {
    g.labels = g.labels_tail = g.open = nullptr;
    g.label_pool.clear();
    g.label_index.clear();
    g.code_pool.clear();
    g.stmt_item = nullptr;
    g.pending_lines = -1;
    store_reset(g);
    free_exprs(g);
}

// ------------------------------------------------------------ lines and listing

void emit_line_record(Gen& g, std::uint16_t line, std::uint16_t column, std::uint16_t end_line,
                      std::uint16_t end_column) {
    if (!g.open) return;  // unreachable code has no lines
    if (g.pending_lines < 0) g.pending_lines = g.store.write_pos;
    std::string t = "%I";
    t += g.opt.line_debug_kind == 1 ? g.plain_name : g.raw_name;
    t += ':' + std::to_string(line);
    if (column || (end_column && end_line == line)) t += '.' + std::to_string(column);
    if (end_line != line) t += '-' + std::to_string(end_line);
    if (end_column != column) t += '.' + std::to_string(end_column);
    t += ';';
    code_text(g, t);
}

void list_source(Gen& g, std::uint16_t first, std::uint16_t last) {
    if (!g.writing_code || !g.opt.listing || first == 0) return;
    if (g.opt.full_listing && first > g.listed_last && g.listed_last) first = static_cast<std::uint16_t>(g.listed_last + 1);
    if (last < first) last = first;
    std::string t = "\t.source\t\"";
    t += g.listing_current;
    t += ':' + std::to_string(first);
    if (last != first) t += '-' + std::to_string(last);
    t += "\"\n";
    put_chars(g, t);
    out_flush(g);
    if (last > g.listed_last) g.listed_last = last;
}

namespace {

// With -l: the statement's last item carries its lines and file.
void note_statement_source(Gen& g) {
    CodeNode* c = g.stmt_item;
    g.stmt_item = nullptr;
    if (!g.opt.listing || !c) return;
    std::string name = g.directory + g.file_name;
    if (g.listing_names.empty() || g.listing_names.back() != name) g.listing_names.push_back(name);
    c->file = &g.listing_names.back();
    c->first_line = g.line;
    c->last_line = g.end_line > g.line ? g.end_line : g.line;
}

void close_list(Gen& g) { g.open = nullptr; }

// A label definition (130, 140).
void define_label(Gen& g, int code) {
    std::uint16_t number = read_ir_word(g);
    std::uint16_t line = read_ir_word(g);
    ++g.label_records;
    LabelNode* l = find_label(g, number);
    if (l->flags & LF_FORWARD) move_label_last(g, l);
    if (line & 0x7FFF) g.line = line & 0x7FFF;
    if (line & 0x8000) l->flags |= LF_KEPT;
    l->line = g.line;
    bool was_open = g.open != nullptr;
    if (was_open) append_branch(g, CODE_JUMP, l, 3);
    if (code == 130) {
        l->flags |= LF_KEPT;
        if (g.dead_depth == 0) ++l->refs;
        if (g.dead_depth >= 1 && !was_open) return;
    }
    g.open = l;
}

void jump_record(Gen& g) {
    std::uint16_t number = read_ir_word(g);
    if (g.open) append_branch(g, CODE_JUMP, find_label(g, number), 3);
    close_list(g);
}

void param_type(Gen& g) {
    std::uint16_t space, pointer;
    std::uint32_t size;
    int t = read_ir_node_type(g, space, pointer, size) & 15;
    bool wide_float = t == 9 && !(g.single_precision || g.no_promotion);
    if (g.stack_only_args || (g.func_attrs & SP_INTERRUPT) || t == 14 || t == 10 || wide_float)
        g.regarg_size = 0;
    else if (g.no_promotion && t < 3)
        g.regarg_size = 1;
    else if (t >= 6 && t != 11)
        g.regarg_size = 4;
    else
        g.regarg_size = 2;
}

void switch_dispatch(Gen& g) {
    LabelNode* d = find_label(g, g.switch_table);
    LabelNode* f = find_label(g, g.switch_default);
    LabelNode* c = nullptr;
    if (g.open) {
        c = new_generated_label(g);
        link_last(g, c);
        append_branch(g, CODE_JUMP, c, 3);
    }
    if (d->flags & LF_FORWARD) move_label_last(g, d);
    g.open = d;
    emit_switch_chain(g, g.switch_default);
    append_branch(g, CODE_JUMP, f, 3);
    if (c) {
        c->line = g.line;
        g.open = c;
    } else {
        close_list(g);
    }
    if (g.dead_depth >= 1) --g.dead_depth;
}

void expression_statement(Gen& g) {
    std::int16_t frame = g.frame_cur;
    ExprNode* tree = read_ir_tree(g);
    if (g.open) {
        begin_text(g);
        if (!gen_void(g, tree, static_cast<std::uint16_t>(g.stmt_free | RM_TOP))) genpanic(g, "VOID");
        append_text_item(g);
    }
    g.frame_cur = frame;
    free_exprs(g);
}

void branch_statement(Gen& g, int code) {
    std::uint16_t target = read_ir_word(g);
    std::int16_t frame = g.frame_cur;
    ExprNode* left = read_ir_tree(g);
    ExprNode* right = read_ir_tree(g);
    if (g.open) emit_cond_branch(g, false, code, target, left, right, static_cast<std::uint16_t>(g.stmt_free | RM_TOP));
    g.frame_cur = frame;
    free_exprs(g);
}

void reset_function(Gen& g) {
    free_function(g);
    g.frame_low = g.frame_cur = 0;
    g.last_area.offset = 1;
    g.result_type = 0;
    g.stmt_free = g.func_free = 4;
    g.frame_flags = 0;
    g.regarg_size = 0;
    g.stackarg_size = 0;
    g.stackless = g.func_attrs & SP_NOSTACK;
    g.frame_name = g.stackless ? g.func_name + ".L" : std::string();
    g.epilogue_size = 4;
    g.dead_depth = 0;
    g.exit_number = 0;
    g.label_records = 0;
    g.code_offset = 0;
    g.end_line = 0;
    g.listed_last = 0;
    g.frame_need = INT32_MIN;
    g.frame_reached = 0;
    g.in_function = true;
    LabelNode* entry = new_generated_label(g);
    entry->flags = LF_KEPT;
    entry->line = g.line;
    link_last(g, entry);
    g.open = entry;
}

// The statement records of the body, up to the code that ends it.
int read_body(Gen& g) {
    for (;;) {
        int c = read_ir_records(g, 1);
        g.stmt_item = nullptr;
        g.attempts = 0;
        switch (c) {
        case 134:
        case 211:
        case 0: return c;
        case -1: genpanic(g, "EOF");
        case 129: {
            std::int32_t v = static_cast<std::int32_t>(read_ir_long(g));
            if (v < -32768) v = -32768;
            if (v > 32767) v = 32767;
            g.frame_cur = static_cast<std::int16_t>(v);
            if (g.frame_cur < g.frame_low) g.frame_low = g.frame_cur;
            if (g.frame_low < g.frame_reached) g.frame_reached = g.frame_low;
            break;
        }
        case 130:
        case 140: define_label(g, c); break;
        case 135:
        case 136:
        case 138:
        case 141:
        case 142:
        case 143: branch_statement(g, c); break;
        case 139: jump_record(g); break;
        case 145: {
            std::uint8_t b = read_ir_byte(g);
            g.stmt_free = static_cast<std::uint16_t>(b | 4);
            g.func_free &= g.stmt_free;
            break;
        }
        case 146:
            if (g.open) append_branch(g, CODE_EXIT, nullptr, 4);
            close_list(g);
            break;
        case 149:
        case 189: {
            std::uint16_t table = read_ir_word(g);
            bool was_open = g.open != nullptr;
            if (was_open) {
                CodeNode* t = new_code_node(g, static_cast<std::uint16_t>(c), nullptr, 5);
                t->table_label = table;
                append_item(g, t);
            }
            if (!(g.dead_depth < 1 && was_open)) ++g.dead_depth;
            close_list(g);
            break;
        }
        case 150: expression_statement(g); break;
        case 151:
            if (g.dead_depth >= 1) --g.dead_depth;
            break;
        case 188: {
            std::uint16_t line = read_ir_word(g), column = read_ir_word(g);
            std::uint16_t end_line = read_ir_word(g), end_column = read_ir_word(g);
            g.end_line = end_line;
            if (g.full_debug || g.line_debug) emit_line_record(g, line, column, end_line, end_column);
            break;
        }
        case 190:
            if (g.dead_depth > 0 || !g.open) ++g.dead_depth;
            jump_record(g);
            break;
        case 191: switch_dispatch(g); break;
        case 203: {
            std::string text = read_asm_text(g);
            if (g.open) emit_inline_asm(g, text);
            break;
        }
        case 208:
        case 209: break;
        case 217: param_type(g); break;
        case 218:
            g.stackarg_size = static_cast<int>(read_ir_long(g) & 0xFFFF) - g.regarg_size;
            break;
        default: genpanic(g, "BAD INPUT");
        }
        note_statement_source(g);
    }
}

// What generating a body changes outside the function's own store, kept
// so that the body can be generated again from the same start.
struct BodyStart {
    AsmOut out;
    std::uint32_t label_counter = 0, pool_label_high = 0, interrupt_entry = 0;
    std::uint32_t switch_table = 0, switch_default = 0;
    std::size_t long_pool = 0, far_pool = 0, double_pool = 0, runtime_refs = 0, extern_refs = 0;
    std::size_t listing_names = 0;
    std::vector<std::uint8_t> section_flags;
    std::array<ClassEntry, 7> classes{};
    SectionRecord* current_section = nullptr;
    std::array<SpaceKeyword, 14> spaces{};
    std::uint16_t next_space_bit = 0;
    std::string file_name, raw_name, directory;
    std::uint16_t line = 0, first_line = 0, brace_line = 0;
    bool verbatim = false, errors = false;
};

template <class C>
void cut_to(C& c, std::size_t n) {
    while (c.size() > n) c.pop_back();
}

void save_body_start(const Gen& g, BodyStart& s) {
    s.out = g.out;
    s.label_counter = g.label_counter;
    s.pool_label_high = g.pool_label_high;
    s.interrupt_entry = g.interrupt_entry;
    s.switch_table = g.switch_table;
    s.switch_default = g.switch_default;
    s.long_pool = g.long_pool.size();
    s.far_pool = g.far_pool.size();
    s.double_pool = g.double_pool.size();
    s.runtime_refs = g.runtime_refs.size();
    s.extern_refs = g.extern_refs.size();
    s.listing_names = g.listing_names.size();
    s.section_flags.clear();
    for (const SectionRecord& r : g.sections) s.section_flags.push_back(r.flags);
    s.classes = g.classes;
    s.current_section = g.current_section;
    s.spaces = g.spaces;
    s.next_space_bit = g.next_space_bit;
    s.file_name = g.file_name;
    s.raw_name = g.raw_name;
    s.directory = g.directory;
    s.line = g.line;
    s.first_line = g.first_line;
    s.brace_line = g.brace_line;
    s.verbatim = g.verbatim;
    s.errors = g.errors;
}

void restore_body_start(Gen& g, const BodyStart& s) {
    g.out = s.out;
    g.label_counter = s.label_counter;
    g.pool_label_high = s.pool_label_high;
    g.interrupt_entry = s.interrupt_entry;
    g.switch_table = s.switch_table;
    g.switch_default = s.switch_default;
    cut_to(g.long_pool, s.long_pool);
    cut_to(g.far_pool, s.far_pool);
    cut_to(g.double_pool, s.double_pool);
    cut_to(g.runtime_refs, s.runtime_refs);
    cut_to(g.extern_refs, s.extern_refs);
    cut_to(g.listing_names, s.listing_names);
    cut_to(g.sections, s.section_flags.size());
    for (std::size_t i = 0; i < s.section_flags.size(); ++i) g.sections[i].flags = s.section_flags[i];
    g.classes = s.classes;
    g.current_section = s.current_section;
    g.spaces = s.spaces;
    g.next_space_bit = s.next_space_bit;
    g.file_name = s.file_name;
    g.raw_name = s.raw_name;
    g.directory = s.directory;
    g.line = s.line;
    g.first_line = s.first_line;
    g.brace_line = s.brace_line;
    g.verbatim = s.verbatim;
    g.errors = s.errors;
}

// The body, generated again when a frame place was given a small index
// that the frame puts out of reach (the frame grew after it, by a later
// block's locals, a call's result area or a temporary of the same
// statement): with the lowest frame reached as the floor of every
// classification, and if an index then still does not fit, once more with
// a floor that low again, and last as if the frame were as large as it can
// be (no small frame index at all). A generation that fails on such an
// index is given up where it fails, not only one that ends with it. The
// output and diagnostics of a generation are held back until it stands.
int generate_body(Gen& g) {
    constexpr int last_pass = 3;
    BodyStart start;
    g.out.holding = true;
    save_body_start(g, start);
    IrIn& in = g.in;
    in.kept.clear();
    in.keeping = true;
    in.then_read = false;
    bool body_read = false;  // a generation read the whole body
    const int move_count = g.move_count;
    g.frame_floor = 0;
    int c = 0;
    for (int pass = 0;; ++pass) {
        reset_function(g);
        g.frame_retry = pass < last_pass;
        bool given_up = false;
        try {
            c = read_body(g);
        } catch (const FrameRetry&) {
            given_up = true;
            g.move_count = move_count;
            free_exprs(g);
        }
        g.frame_retry = false;
        if (!given_up) {
            if (pass > 0 && in.replay_pos != in.replay_end) genpanic(g, "REPLAY");
            body_read = true;
            in.keeping = false;
            in.then_read = false;
            if (pass == last_pass || g.frame_low >= g.frame_need) break;
        }
        std::int16_t low = given_up ? g.frame_reached : g.frame_low;
        g.frame_floor = pass + 1 == last_pass ? INT16_MIN : std::min(low, g.frame_floor);
        restore_body_start(g, start);
        in.replay_pos = 0;
        in.replay_end = in.kept.size();
        in.then_read = !body_read;
    }
    in.replay_pos = in.replay_end = 0;
    in.kept.clear();
    in.then_read = false;
    g.frame_floor = 0;
    release_output(g);
    return c;
}

}  // namespace

// Record 134 and the body that follows; returns the next top-level code.
int compile_function(Gen& g) {
    read_ir_name(g, &g.func_name);
    g.plain_name = plain_name_of(g.func_name);
    if (g.opt.verbose) vy::toolwrite(g.plain_name + ":\n");
    std::uint16_t space;
    std::uint32_t returns = read_ir_symbol_attrs(g, space, g.func_name);
    g.func_attrs = space;
    g.func_kind = name_marker(g, g.func_name);
    g.stack_only_args = returns != 0;
    int c = generate_body(g);

    for (LabelNode* l = g.labels; l; l = l->next)
        if ((l->flags & 3) == LF_KEPT) {
            l->flags |= LF_VISITED | LF_BLOCK;
            place_blocks(g, l, g.label_records);
        }
    g.writing_code = true;
    g.listing_current = g.directory + g.file_name;
    list_source(g, g.first_line, g.brace_line);
    std::string exit_text = emit_prologue(g);
    relax_branches(g);
    emit_function_code(g, exit_text);
    if (g.full_debug && g.opt.line_debug_kind < 0) emit_asm(g, "%F%p:%u-%u;", g.raw_name, g.line, g.line);
    if (!g.opt.no_opt) emit_asm(g, "%p:;", "FL");
    g.writing_code = false;
    g.in_function = false;
    free_function(g);
    return c == 211 ? read_ir_records(g, 0) : c;
}

}  // namespace ccgen
