// Debug records: the .d* directives, the records made for option x (line,
// start and end records), the start-of-file preamble and the symbol table
// assembled into .debug.
#include <algorithm>

#include "ccasm/asm.h"

namespace ccasm {
namespace {

constexpr int DEBUG_SECTION = 5;
constexpr size_t MAX_TEXT = 255;

std::string debug_file_name(Asm& a, std::string name) {
    if (a.opt.no_path) {
        size_t cut = name.find_last_of("/\\");
        if (cut != std::string::npos) name.erase(0, cut + 1);
    }
    return name;
}

uint32_t type_word(uint32_t size) {
    switch (size) {
    case 0: return 0x58000000;
    case 1: return 0x0A000000;
    case 2: return 0x11000000;
    case 4: return 0x21000000;
    default: return 0x0A0000C0;
    }
}

bool size_follows_name(uint32_t size) { return size == 3 || size > 4; }

ExprValue debug_pointer(Asm& a, uint32_t address) {
    ExprValue v;
    v.value = static_cast<int32_t>(address);
    v.kind = VK_REL;
    v.section = DEBUG_SECTION;
    return v;
}

ExprValue absolute_value(int32_t value) {
    ExprValue v;
    v.value = value;
    return v;
}

}  // namespace

bool in_debug_table(const Asm& a, const Symbol* s) {
    if (!(s->flags & (SF_DEFINED | SF_REFERENCED | SF_PUBLIC))) return false;
    if (s->attr & (SA_LOCAL | SA_REGISTER | SA_SET | SA_CMDLINE | SA_DEBUG)) return false;
    return !(s->section >= 0 && a.sections[s->section].debug);
}

void debug_pass_start(Asm& a) {
    if (a.debug_state == Asm::DBG_MISMATCH) {
        a.debug.clear();
        a.debug_state = Asm::DBG_REBUILD;
    } else if (a.debug_state == Asm::DBG_REBUILD) {
        a.debug_state = Asm::DBG_NORMAL;
    }
    a.debug_cursor = 0;
}

void debug_pass_end(Asm& a) {
    if (a.debug_cursor >= a.debug.size()) return;
    if (a.pass == 1 || a.debug_state == Asm::DBG_REBUILD) {
        a.debug.resize(a.debug_cursor);
    } else {
        a.changed = true;
        a.debug_state = Asm::DBG_MISMATCH;
    }
}

void adddebug(Asm& a, std::string_view text, int kind) {
    if (text.size() > MAX_TEXT) {
        error(a, "debug text too long");
        text = text.substr(0, MAX_TEXT);
    }
    bool rebuild = a.pass == 1 || a.debug_state == Asm::DBG_REBUILD;
    if (a.debug_cursor >= a.debug.size()) {
        a.debug.emplace_back();
        if (!rebuild) {
            a.changed = true;
            a.debug_state = Asm::DBG_MISMATCH;
        }
        rebuild = true;
    }
    DebugRecord& r = a.debug[a.debug_cursor++];
    if (rebuild) {
        r.text = std::string(text);
        r.kind = static_cast<uint8_t>(kind);
    } else if (r.text.size() != text.size() || r.kind != kind) {
        a.changed = true;
        a.debug_state = Asm::DBG_MISMATCH;
    } else {
        r.text = std::string(text);
    }
    Section& s = cursec(a);
    r.value = s.address();
    r.section = s.pseudo ? -1 : a.cur;
}

void dodebug(Asm& a, int kind) {
    Token t = gettoken(a);
    if (t.kind != T_STRING || t.bad) {
        error(a, "missing string");
        a.pos = a.line.size();
        a.nback = 0;
        return;
    }
    if (a.pass == 1 && a.line_debug && !a.from_preamble && kind != 0x00) {
        // The source carries its own debug records: stop making ours.
        a.line_debug = false;
        a.full_debug = false;
        a.debug.erase(std::remove_if(a.debug.begin(), a.debug.end(), [](const DebugRecord& r) { return r.kind != 0; }),
                      a.debug.end());
        a.debug_cursor = a.debug.size();
        Section& d = a.sections[DEBUG_SECTION];
        d.offset = 0;
        d.data.clear();
        d.got_bytes = false;
    }
    adddebug(a, t.text, kind);
    if (kind == 0x80) {
        Token c = gettoken(a);
        if (c.kind != T_OP || c.op != OP_COMMA) {
            error(a, "syntax error");
            backtoken(a, c);
            return;
        }
        ExprValue v = getexpr(a);
        int saved = a.cur;
        a.cur = DEBUG_SECTION;
        emitlong(a, v);
        a.cur = saved;
    }
}

void linedebug(Asm& a) {
    adddebug(a, debug_file_name(a, current_file(a)) + ":" + std::to_string(current_line(a)), 0x08);
}

void startdebug(Asm& a) {
    std::string line = std::to_string(current_line(a));
    adddebug(a, debug_file_name(a, current_file(a)) + "~:" + line + "-" + line, 0x20);
}

void enddebug(Asm& a) {
    std::string line = std::to_string(current_line(a));
    adddebug(a, debug_file_name(a, current_file(a)) + ":" + line + "-" + line, 0x10);
}

// The size of the data behind the most recent label, for the symbol table.
void note_data_size(Asm& a) {
    if (!a.line_debug || !a.last_label) return;
    Symbol* s = a.last_label;
    if (s->section != a.cur && !(s->section < 0 && (cursec(a).attr & SEC_ABS))) return;
    s->data_size = cursec(a).address() - static_cast<uint32_t>(s->value);
}

void build_preamble(Asm& a) {
    const char* colon = a.opt.old_syntax ? " " : ":";
    a.preamble = {
        "\tswitch\t.debug",
        "\t.dfile\t\"\\1\"",
        std::string("\\@1") + colon + "\tdc.l\t\\@2,\\@3",
        std::string("\\@2") + colon + "\tdc.b\t\"\\1\",0,$8A",
        std::string("\\@3") + colon + "\tdc.l\t0,\\@1,0,1,\\2,0,0",
        "\tswitch\t.text",
        "\t.dstart\t\"\\1~:1-1\"",
    };
}

void push_preamble(Asm& a) {
    InputEntry e;
    e.body = &a.preamble;
    e.args = {debug_file_name(a, a.source), std::to_string(a.prev_source_lines)};
    e.is_macro = true;
    e.preamble = true;
    push_expansion(a, std::move(e));
}

void symdebug(Asm& a) {
    int saved = a.cur;
    a.cur = DEBUG_SECTION;
    std::vector<Symbol*> table;
    if (a.full_debug)
        for (Symbol* s = a.sym_head; s; s = s->next)
            if (in_debug_table(a, s)) table.push_back(s);
    if (table.empty()) {
        emitlong(a, absolute_value(0));
        a.cur = saved;
        return;
    }
    Section& d = cursec(a);
    uint32_t start = d.address() + 4;
    uint32_t names = start + 16 * static_cast<uint32_t>(table.size()) + 4;
    emitlong(a, debug_pointer(a, start));
    uint32_t entry = names;
    for (Symbol* s : table) {
        uint32_t size = s->data_size;
        uint32_t type = type_word(size);
        emitlong(a, debug_pointer(a, entry));
        ExprValue addr = symbol_value(a, s);
        addr.marks = 0;
        emitlong(a, addr);
        emitlong(a, absolute_value(static_cast<int32_t>(type)));
        uint32_t name_end = entry + static_cast<uint32_t>(s->name.size()) + 2;
        emitlong(a, (type & 0x80) ? debug_pointer(a, name_end) : absolute_value(0));
        entry = name_end + (size_follows_name(size) ? 4 : 0);
    }
    emitlong(a, absolute_value(0));
    for (Symbol* s : table) {
        for (char c : s->name) emit_byte(a, static_cast<uint8_t>(c));
        emit_byte(a, 0);
        bool pub = s->flags & SF_PUBLIC;
        emit_byte(a, pub ? (s->data_size ? 6 : 19) : (s->data_size ? 1 : 18));
        if (size_follows_name(s->data_size)) emitlong(a, absolute_value(static_cast<int32_t>(s->data_size)));
    }
    a.cur = saved;
}

}  // namespace ccasm
