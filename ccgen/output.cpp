// The output layer: the buffer, the engine that writes the compact notation
// as assembly text, sections, and the lists of runtime routines and external
// names referred to.
#include <cstring>

#include "ccgen/ccgen.h"

namespace ccgen {

// ------------------------------------------------------------ the buffer

namespace {

void write_block(Gen& g) {
    AsmOut& o = g.out;
    if (o.fill == 0 || o.failed) {
        o.fill = 0;
        return;
    }
    if (o.holding) {
        if (o.held.empty() || o.held.back().first) o.held.emplace_back(false, std::string());
        o.held.back().second.append(reinterpret_cast<const char*>(o.buffer.data()), o.fill);
        o.fill = 0;
        return;
    }
    std::size_t n = std::fwrite(o.buffer.data(), 1, o.fill, o.file);
    bool ok = n == o.fill;
    o.fill = 0;
    if (!ok) {
        o.failed = true;
        write_failed(g);
    }
}

}  // namespace

void out_char(Gen& g, int byte) {
    AsmOut& o = g.out;
    if (byte < 0) {
        write_block(g);
        return;
    }
    o.buffer[o.fill++] = static_cast<std::uint8_t>(byte);
    o.last_byte = byte;
    if (o.fill == o.buffer.size()) write_block(g);
}

void out_flush(Gen& g) { out_char(g, -1); }

// Writes what was held back, in its order; the bytes still in the buffer
// follow it.
void release_output(Gen& g) {
    AsmOut& o = g.out;
    if (!o.holding) return;
    o.holding = false;
    std::vector<std::pair<bool, std::string>> held = std::move(o.held);
    o.held.clear();
    for (const auto& [diagnostic, text] : held) {
        if (diagnostic) {
            write_diagnostic(g, text);
        } else if (o.file && !o.failed && std::fwrite(text.data(), 1, text.size(), o.file) != text.size()) {
            o.failed = true;
            write_failed(g);
        }
    }
}

void put_chars(Gen& g, std::string_view text) {
    for (char c : text) out_char(g, static_cast<unsigned char>(c));
}

// ------------------------------------------------------------ the engine

namespace {

// Mnemonic stems of the control codes 0x08 to 0x1F.
const char* const stems[24] = {
    "xgd", "st",  "sex", "ld",  "psh", "clr", "cmp", "add",  // 0x08-0x0F
    "sub", "inc", "dec", "asr", "lsr", "ror", "lsl", "rol",  // 0x10-0x17
    "and", "bit", "ora", "eor", "tst", "cp",  "neg", "com",  // 0x18-0x1F
};

void put_number(Gen& g, const std::string& digits) { put_chars(g, digits); }

void line_end(Gen& g) {
    AsmOut& o = g.out;
    if (o.debug_string) {
        out_char(g, '"');
        o.debug_string = false;
    }
    out_char(g, o.kept_separator ? ';' : '\n');
    o.in_comment = false;
    if (o.skip_label_pending) {
        o.skip_label_pending = false;
        std::string l = label_text(o.skip_label) + ":;";
        emit_asm_v(g, l.c_str(), nullptr, 0);
    }
}

const char* debug_directive(int letter) {
    switch (letter) {
    case 'E': return " .dentry \"";
    case 'F': return " .dendfn \"";
    case 'G': return " .dfile \"";
    case 'I': return " .dline \"";
    case 'J': return " .dstart \"";
    case 'Q': return " .dquit \"";
    case 'T': return " .dtable \"";
    case 'S': return " .dstring \"";
    default: return nullptr;
    }
}

struct ArgCursor {
    const AsmArg* args;
    std::size_t count;
    std::size_t next = 0;
    // A missing or mistyped argument writes nothing.
    const char* text() {
        if (next >= count) return "";
        const AsmArg& a = args[next++];
        return a.is_text ? a.text : "";
    }
    std::int32_t number() {
        if (next >= count) return 0;
        const AsmArg& a = args[next++];
        return a.is_text ? 0 : a.number;
    }
};

// A directive; false when the letter is none (the '%' was written and the
// letter is to be handled as an ordinary byte).
bool directive(Gen& g, int letter, ArgCursor& args) {
    switch (letter) {
    case '%': out_char(g, '%'); return true;
    case 'p': emit_asm_v(g, args.text(), nullptr, 0); return true;
    case 'i': put_number(g, short_text(static_cast<std::int16_t>(args.number()), 0)); return true;
    case 'u': put_number(g, short_text(static_cast<std::int16_t>(args.number()), 10)); return true;
    case 'o': put_number(g, short_text(static_cast<std::int16_t>(args.number()), 8)); return true;
    case 'l': put_number(g, long_text(args.number(), 0)); return true;
    case 'n': {
        std::string l = label_text(static_cast<std::uint32_t>(args.number()));
        emit_asm_v(g, l.c_str(), nullptr, 0);
        return true;
    }
    case '~': out_char(g, '~'); return true;
    default: break;
    }
    if (const char* d = debug_directive(letter)) {
        emit_asm_v(g, d, nullptr, 0);
        g.out.debug_string = true;
        if (letter == 'S') {
            out_char(g, '~');
            emit_asm_v(g, args.text(), nullptr, 0);
        }
        return true;
    }
    out_char(g, '%');
    return false;
}

}  // namespace

int emit_asm_v(Gen& g, const char* text, const AsmArg* arg_list, std::size_t count) {
    AsmOut& o = g.out;
    ArgCursor args{arg_list, count};
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    if (o.split_percent && *p) {
        o.split_percent = false;
        if (directive(g, *p, args)) ++p;
    }
    for (;;) {
        int c = *p++;
        if (c == 0) return 1;
        if (o.raw) {
            if (c == 0x06)
                o.raw = false;
            else
                out_char(g, c);
            continue;
        }
        if (o.skip_class) {
            o.skip_class = false;
            if (c == '@' || c == '^' || c == '&') continue;
        }
        if (c >= 0x08 && c <= 0x1F) {
            out_char(g, '\t');
            emit_asm_v(g, stems[c - 0x08], nullptr, 0);
            continue;
        }
        switch (c) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04: break;
        case 0x05: {
            std::uint32_t n = new_label_number(g);
            out_char(g, '\t');
            std::string l = label_text(n);
            emit_asm_v(g, l.c_str(), nullptr, 0);
            out_char(g, '\n');
            put_chars(g, "\tjmp");
            o.skip_label_pending = true;
            o.skip_label = n;
            break;
        }
        case 0x06: o.raw = true; break;
        case 0x07: emit_asm_v(g, " jsr ", nullptr, 0); break;
        case ' ': out_char(g, o.in_comment || o.kept_separator ? ' ' : '\t'); break;
        case '$': out_char(g, '*'); break;
        case '%':
            if (*p == 0) {
                o.split_percent = true;
                return 1;
            }
            if (directive(g, *p, args)) ++p;
            break;
        case '/':
            out_char(g, ';');
            o.in_comment = true;
            break;
        case ';': line_end(g); break;
        case '<':
            out_char(g, '_');
            o.skip_class = true;
            break;
        case '>': out_char(g, 'L'); break;
        case '`': return 0;
        case '{': out_char(g, '~'); break;
        case '~': out_char(g, '_'); break;
        default: out_char(g, c); break;
        }
    }
}

// ------------------------------------------------------------ file head and end

void write_file_head(Gen& g) { emit_asm(g, " include \"macro.h11\";"); }

void write_file_end(Gen& g) {
    if (g.interrupt_entry) {
        // entered by jsr with the interrupt function's address in Y: the
        // rest of the frame an interrupt pushes (Y's place holds X), then
        // the function; its rti returns behind the jsr
        select_section(g, OC_TEXT);
        emit_asm(g, "%n:; pshx; pshx; psha; pshb; tpa; psha; jmp 0,y;", g.interrupt_entry);
    }
    write_runtime_refs(g);
    write_extern_refs(g);
    emit_asm(g, " end;");
    out_flush(g);
}

// ------------------------------------------------------------ sections

namespace {

ClassEntry* class_entry(Gen& g, std::uint16_t cls) {
    for (ClassEntry& e : g.classes)
        if (e.cls == cls) return &e;
    return nullptr;
}

}  // namespace

SectionRecord* find_section(Gen& g, std::uint8_t flags, std::uint8_t cls, std::string_view name) {
    for (auto it = g.sections.rbegin(); it != g.sections.rend(); ++it)
        if (it->name == name) return &*it;
    g.sections.push_back(SectionRecord{flags, cls, std::string(name)});
    return &g.sections.back();
}

void init_sections(Gen& g) {
    g.sections.clear();
    SectionRecord* data = find_section(g, 3, OC_DATA, "data");
    SectionRecord* text = find_section(g, 3, OC_TEXT, "text");
    SectionRecord* cnst = g.opt.const_in_code ? nullptr : find_section(g, 2, OC_CONST, "const");
    SectionRecord* bss = g.opt.no_bss ? nullptr : find_section(g, 3, OC_BSS, "bss");
    SectionRecord* bsct = find_section(g, 3, OC_BSCT, "bsct");
    SectionRecord* debug = find_section(g, 3, OC_DEBUG, "debug");
    SectionRecord* eeprom = find_section(g, 2, OC_EEPROM, "eeprom");
    // the class table in its order: data, text, const, bss, bsct, debug, eeprom
    g.classes[0] = {OC_DATA, OC_DATA, data};
    g.classes[1] = {OC_TEXT, OC_TEXT, text};
    g.classes[2] = cnst ? ClassEntry{OC_CONST, OC_CONST, cnst} : ClassEntry{OC_CONST, OC_TEXT, text};
    g.classes[3] = bss ? ClassEntry{OC_BSS, OC_BSS, bss} : ClassEntry{OC_BSS, OC_DATA, data};
    g.classes[4] = {OC_BSCT, OC_BSCT, bsct};
    g.classes[5] = {OC_DEBUG, OC_DEBUG, debug};
    g.classes[6] = {OC_EEPROM, OC_EEPROM, eeprom};
    for (int i = 0; i < 7; ++i) g.initial_sections[static_cast<std::size_t>(i)] = g.classes[static_cast<std::size_t>(i)].section;
    g.current_section = text;
}

void write_section_switch(Gen& g, SectionRecord* s) {
    if (s->flags == 3 && s->cls == OC_BSCT) {
        emit_asm(g, " bsct;");
        return;
    }
    if (!(s->flags & SECTION_DECLARED)) {
        s->flags |= SECTION_DECLARED;
        const char* kind = s->cls == OC_BSCT ? " .bsct" : s->cls == OC_BSS ? " .bss" : "";
        emit_asm(g, ".%p: section%p;", "\x06" + s->name + "\x06", kind);
        return;
    }
    emit_asm(g, " switch .%p;", "\x06" + s->name + "\x06");
}

// Sections are compared, not classes, so that two classes that share an
// effective class but not a section (a named section under -ct or -bss)
// still switch.
void select_section(Gen& g, std::uint16_t cls) {
    ClassEntry* e = class_entry(g, cls);
    if (!e || !e->section || e->section == g.current_section) return;
    g.current_section = e->section;
    write_section_switch(g, e->section);
}

// Record 204. The class comes from the space bits; a section of neither
// code nor constants is the data section when the directive used braces
// (`{name}`, bit 0x4000 of the record's word), else the section of
// uninitialised variables (`[name]`).
void set_class_section(Gen& g, std::uint16_t word, std::uint16_t space, std::string_view name) {
    std::uint16_t cls = space & SP_FUNC    ? OC_TEXT
                        : space & SP_CONST ? OC_CONST
                        : space & SP_EEPROM ? OC_EEPROM
                        : space & SP_DIR   ? OC_BSCT
                        : word & 0x4000    ? OC_DATA
                                           : OC_BSS;
    ClassEntry* e = class_entry(g, cls);
    SectionRecord* s = nullptr;
    if (!name.empty()) {
        std::string n(name.substr(0, name.find('\0')));
        if (n.size() > 13) {
            generr(g, "section name too long: ", n);
            n.resize(13);
        }
        s = find_section(g, 0, static_cast<std::uint8_t>(cls), n);
        if (s->cls != cls) generr(g, "section type conflict: ", n);
    } else {
        for (SectionRecord& r : g.sections)
            if ((r.flags & SECTION_PREDEFINED) && r.cls == cls) {
                s = &r;
                break;
            }
        if (!s) s = g.initial_sections[static_cast<std::size_t>(e - g.classes.data())];
    }
    e->section = s;
}

// ------------------------------------------------------------ references

std::size_t name_length(std::string_view name) {
    std::size_t n = 0;
    while (n < name.size() && name[n] != '\0' && name[n] != ';' && name[n] != '?') ++n;
    return n;
}

void note_runtime_ref(Gen& g, std::string_view name) {
    std::string_view n = name.substr(0, name_length(name));
    for (const std::string& r : g.runtime_refs)
        if (r == n) return;
    g.runtime_refs.emplace_back(n);
}

void write_runtime_refs(Gen& g) {
    for (auto it = g.runtime_refs.rbegin(); it != g.runtime_refs.rend(); ++it)
        emit_asm(g, " xref c~%p;", *it);
}

void note_extern_ref(Gen& g, std::string_view name) {
    for (const std::string& r : g.extern_refs)
        if (r == name) return;
    g.extern_refs.emplace_back(name);
}

void write_extern_refs(Gen& g) {
    const char* form = g.opt.static_model & 0x01 ? " xref.b %p;" : " xref %p;";
    for (auto it = g.extern_refs.rbegin(); it != g.extern_refs.rend(); ++it) emit_asm(g, form, *it);
}

void call_runtime(Gen& g, std::string_view name) {
    note_runtime_ref(g, name);
    std::string n(name.substr(0, name_length(name)));
    emit_asm(g, "\x07" "c~%p;", n);
}

std::string jump_runtime_text(Gen& g, std::string_view name) {
    note_runtime_ref(g, name);
    return " jmp c~" + std::string(name.substr(0, name_length(name))) + ";";
}

}  // namespace ccgen
