// Reading the intermediate file front to back: bytes, values, names and
// types, the record loop with the effect of every record it handles (data,
// declarations, sections, debug text), switch tables and the pool of long
// constants.
#include <cstring>

#include "ccgen/ccgen.h"
#include "ccparse/interrupt.h"

namespace ccgen {

// ------------------------------------------------------------ bytes and values

int next_input_byte(Gen& g) {
    IrIn& in = g.in;
    if (in.then_read && in.replay_pos == in.replay_end) in.replay_pos = in.replay_end = 0;
    in.last_replayed = in.replay_end != 0;
    if (in.last_replayed) {
        // a body generated again takes the same bytes, no more
        if (in.replay_pos == in.replay_end) genpanic(g, "REPLAY");
        return in.kept[in.replay_pos++];
    }
    if (in.count == 0) {
        if (vy::cc::interrupt_requested()) end_run(g, 2);
        std::size_t n = in.file ? std::fread(in.buffer.data(), 1, in.buffer.size(), in.file) : 0;
        if (n == 0) return IR_EOF;
        in.count = static_cast<std::uint16_t>(n);
        in.pos = 0;
    }
    --in.count;
    if (in.keeping) in.kept.push_back(in.buffer[in.pos]);
    return in.buffer[in.pos++];
}

// A byte can only be put back after one was taken from the same load.
void unread_ir_byte(Gen& g, int byte) {
    IrIn& in = g.in;
    if (in.last_replayed && in.replay_pos > 0) {
        in.kept[--in.replay_pos] = static_cast<std::uint8_t>(byte);
        return;
    }
    if (in.count >= in.buffer.size() || in.pos == 0) genpanic(g, "BACKCH");
    if (in.keeping && !in.kept.empty()) in.kept.pop_back();
    in.buffer[--in.pos] = static_cast<std::uint8_t>(byte);
    ++in.count;
}

std::uint8_t read_ir_byte(Gen& g) {
    int c = next_input_byte(g);
    if (c == IR_EOF) genpanic(g, "EOF");
    return static_cast<std::uint8_t>(c);
}

std::uint16_t read_ir_word(Gen& g) {
    std::uint16_t lo = read_ir_byte(g);
    return static_cast<std::uint16_t>(lo | read_ir_byte(g) << 8);
}

std::uint32_t read_ir_long(Gen& g) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(read_ir_byte(g)) << (8 * i);
    return v;
}

namespace {

std::string read_bytes(Gen& g, std::size_t n) {
    std::string s;
    s.reserve(n);
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(read_ir_byte(g));
    return s;
}

}  // namespace

// The name text: '>' and the label digits when there is a number; '<', the
// class character of a function and the name bytes when there is a name.
const std::string& read_ir_name(Gen& g, std::string* buffer) {
    std::string& s = buffer ? *buffer : g.name_buffer;
    std::uint8_t length = read_ir_byte(g);
    std::uint16_t number = read_ir_word(g);
    s.clear();
    if (number) s = label_text(number);
    if (length) {
        s += '<';
        std::uint8_t attr = read_ir_byte(g);
        if (attr & 0x80) {
            switch (attr & 7) {
            case 4: s += '@'; break;
            case 5: s += '^'; break;
            case 6: s += '&'; break;
            default: break;
            }
        }
        g.last_name = read_bytes(g, length - 1u);
        s += g.last_name;
    }
    return s;
}

std::uint16_t read_ir_node_type(Gen& g, std::uint16_t& space, std::uint16_t& pointer, std::uint32_t& size) {
    std::uint8_t byte = read_ir_byte(g);
    std::uint16_t type = byte & 0x7F;
    space = 0;
    pointer = 0;
    size = 0;
    if (byte & 0x80) space = map_space_modifiers(g, read_ir_word(g));
    switch (type) {
    case 11: pointer = map_space_modifiers(g, read_ir_word(g)); break;
    case 4:
    case 7:
    case 13: {
        unsigned offset = read_ir_byte(g) & 31u;
        unsigned width = read_ir_byte(g) & 63u;
        type = static_cast<std::uint16_t>(type + offset * 16 + width * 1024);
        break;
    }
    case 14: size = read_ir_long(g); break;
    default: break;
    }
    return type;
}

char function_kind(const Gen& g, std::string_view name) { return name_marker(g, name); }

// A symbol's attributes after its name: the space word and a u32. The
// result is 1 for a function returning through memory, 0 for another
// function, the u32 itself for an object.
std::uint32_t read_ir_symbol_attrs(Gen& g, std::uint16_t& space, std::string_view name) {
    space = map_space_modifiers(g, read_ir_word(g));
    std::uint32_t v = read_ir_long(g);
    char kind = function_kind(g, name);
    if (kind == 'r' || kind == 'w') return 1;
    if (kind == 'n') return 0;
    return v;
}

// The text of a 203 record. A record of 255 bytes that another 203
// follows is one text that the writer cut (maybe inside a line): it goes
// on in that record.
std::string read_asm_text(Gen& g) {
    std::string text;
    for (;;) {
        std::uint8_t n = read_ir_byte(g);
        text += read_bytes(g, n);
        if (n != 255) return text;
        int c = next_input_byte(g);
        if (c != 203) {
            if (c != IR_EOF) unread_ir_byte(g, c);
            return text;
        }
    }
}

// ------------------------------------------------------------ set-up

void init_reader(Gen& g) {
    static constexpr std::uint8_t eval[15] = {0, 2, 2, 2, 2, 2, 4, 4, 4, 4, 8, 2, 2, 2, 255};
    static constexpr std::uint8_t size_cls[15] = {0, 2, 2, 5, 4, 5, 8, 7, 8, 9, 10, 5, 5, 13, 14};
    static constexpr std::uint8_t prom[15] = {0, 3, 3, 3, 5, 5, 6, 8, 8, 9, 10, 5, 5, 5, 14};
    for (std::size_t i = 0; i < 15; ++i) {
        g.eval_size[i] = eval[i];
        g.size_class[i] = size_cls[i];
        g.promoted[i] = prom[i];
    }
    init_spaces(g);
}

void apply_char_config(Gen& g) {
    g.eval_size[1] = g.eval_size[2] = g.eval_size[13] = 1;
    g.promoted[1] = 1;
    g.promoted[2] = g.promoted[13] = 2;
}

// Record 19: "<name", then a NUL and the directory when there is one.
void set_source_file(Gen& g, const std::string& text) {
    std::string_view t = text;
    if (!t.empty() && t[0] == '<') t.remove_prefix(1);
    std::size_t nul = t.find('\0');
    g.file_name = std::string(t.substr(0, nul));
    g.directory = nul == std::string_view::npos ? std::string() : std::string(t.substr(nul + 1));
    if (std::size_t end = g.directory.find('\0'); end != std::string::npos) g.directory.resize(end);
    g.raw_name = "\x06" + g.file_name + "\x06";
}

// ------------------------------------------------------------ data records

namespace {

void label_line(Gen& g, const std::string& name) { emit_asm(g, "%p:;", name); }

// Uninitialised objects: the zero runs that follow make a bss object when
// a 210 ends them.
bool try_bss_object(Gen& g, const std::string& name, std::uint32_t& size) {
    size = 0;
    if (g.opt.no_bss) return false;
    std::uint32_t total = 0;
    int c;
    while ((c = next_input_byte(g)) == 147) total += read_ir_long(g);
    if (c == 210) {
        select_section(g, OC_BSS);
        label_line(g, name);
        emit_asm(g, " ds.b %l;", static_cast<std::int32_t>(total));
        return true;
    }
    if (c != IR_EOF) unread_ir_byte(g, c);
    size = total;
    return false;
}

void declare_object(Gen& g, std::uint16_t cls, bool bss_allowed) {
    std::string name;
    read_ir_name(g, &name);
    std::uint32_t size = 0;
    if (bss_allowed && try_bss_object(g, name, size)) return;
    select_section(g, cls);
    label_line(g, name);
    if (size) emit_asm(g, " ds.b %l;", static_cast<std::int32_t>(size));
}

void string_data(Gen& g) {
    std::uint8_t n = read_ir_byte(g);
    std::string b = read_bytes(g, n);
    if (n == 0) {
        emit_asm(g, "%p0;", " dc.b ");
        return;
    }
    auto printable = [](unsigned char c) { return c >= 0x20 && c <= 0x7E && c != '"'; };
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(b[i++]);
        if (!printable(c)) {
            emit_asm(g, "%p%i", " dc.b ", c);
            for (int k = 0; k < 5 && i < n; ++k) emit_asm(g, ",%i", static_cast<unsigned char>(b[i++]));
        } else {
            emit_asm(g, " dc.b ");
            out_char(g, '"');
            out_char(g, c);
            bool closed = false;
            for (int k = 0; k < 17 && i < n; ++k) {
                unsigned char d = static_cast<unsigned char>(b[i++]);
                if (!printable(d)) {
                    out_char(g, '"');
                    emit_asm(g, ",%i", d);
                    closed = true;
                    break;
                }
                out_char(g, d);
            }
            if (!closed) out_char(g, '"');
        }
        emit_asm(g, i == n && n != 255 ? ",0;" : ";");
    }
}

void int_item(Gen& g) {
    std::uint8_t size = read_ir_byte(g);
    std::uint32_t v = read_ir_long(g);
    if (size == 1)
        emit_asm(g, "%p%i;", " dc.b ", v & 255);
    else if (size == 2)
        emit_asm(g, "%p%i;", " dc.w ", static_cast<std::int16_t>(v));
    else
        emit_asm(g, "%p%l;", " dc.l ", static_cast<std::int32_t>(v));
}

void real_item(Gen& g) {
    std::uint8_t size = read_ir_byte(g);
    std::uint8_t host[8], target[8];
    for (std::uint8_t& b : host) b = read_ir_byte(g);
    target_float(host, size >= 8, target);
    int words = (size > 8 ? 8 : size) / 2;
    if (words == 0) return;
    emit_asm(g, " dc.w ");
    for (int i = 0; i < words; ++i)
        emit_asm(g, i ? ",%i" : "%i", static_cast<std::int16_t>(be16(target[2 * i], target[2 * i + 1])));
    emit_asm(g, ";");
}

bool is_function_name(const Gen& g, const std::string& name) { return name_marker(g, name) != 0; }

void signed_offset(Gen& g, std::int32_t offset, bool wide) {
    if (offset >= 0) out_char(g, '+');
    if (wide)
        emit_asm(g, "%l", offset);
    else
        emit_asm(g, "%i", static_cast<std::int16_t>(offset));
}

void address_item(Gen& g, int code) {
    std::string name;
    read_ir_name(g, &name);
    std::int32_t offset = static_cast<std::int32_t>(read_ir_long(g));
    if (is_function_name(g, name)) emit_asm(g, " .dcall \":%p\";", name);
    if (code == 200) {
        if (name.empty()) {
            emit_asm(g, " dc.l %l;", offset);
            return;
        }
        if (g.current_section && g.current_section->cls == OC_DEBUG) {
            emit_asm(g, " dc.l %p", name);
        } else {
            emit_asm(g, " dc.w page(%p", name);
            if (offset) signed_offset(g, offset, true);
            emit_asm(g, "),%p", name);
        }
        if (offset) signed_offset(g, offset, true);
        emit_asm(g, ";");
        return;
    }
    const char* dc = code == 192 ? " dc.w " : " dc.b ";
    if (name.empty()) {
        emit_asm(g, "%p%i;", dc, static_cast<std::int16_t>(offset));
        return;
    }
    emit_asm(g, "%p%p", dc, name);
    if (offset) signed_offset(g, offset, false);
    emit_asm(g, ";");
}

// Record 203 at file level: the text as it stands, after a .sfile line
// naming where it came from.
void verbatim_text(Gen& g) {
    g.verbatim = true;
    emit_asm(g, " .sfile \"%p%p\",%u;", "\x06" + g.directory + "\x06", g.raw_name, g.line);
    put_chars(g, read_asm_text(g));
    if (g.out.last_byte != '\n') out_char(g, '\n');
}

// The name of a debug record (214, 215) without its '<', up to a NUL.
std::string debug_name(Gen& g) {
    read_ir_byte(g);
    std::string_view t = read_ir_name(g);
    if (!t.empty() && t[0] == '<') t.remove_prefix(1);
    select_section(g, OC_DEBUG);
    return std::string(t.substr(0, t.find('\0')));
}

void debug_table(Gen& g) {
    std::string t = debug_name(g);
    std::size_t tilde = t.find('~');
    std::string first = t.substr(0, tilde);
    std::string second = tilde == std::string::npos ? std::string() : t.substr(tilde + 1);
    emit_asm(g, "%T%p%~%p;", "\x06" + first + "\x06", "\x06" + second + "\x06");
}

void debug_file(Gen& g) { emit_asm(g, "%G%p;", "\x06" + debug_name(g) + "\x06"); }

}  // namespace

void end_verbatim(Gen& g) {
    if (!g.verbatim) return;
    g.verbatim = false;
    SectionRecord* s = g.current_section;
    g.current_section = nullptr;
    if (s) {
        g.current_section = s;
        write_section_switch(g, s);
    }
    emit_asm(g, " .sfile;");
}

// ------------------------------------------------------------ switch tables and pools

namespace {

void emit_value_word(Gen& g, std::uint16_t value_size, std::uint32_t v) {
    if (value_size == 4)
        emit_asm(g, " dc.l %l;", static_cast<std::int32_t>(v));
    else
        emit_asm(g, " dc.w %i;", static_cast<std::int16_t>(v));
}

int next_code(Gen& g) {
    int c = next_input_byte(g);
    return c == IR_EOF ? -1 : c;
}

}  // namespace

int read_switch_table(Gen& g) {
    read_ir_byte(g);
    std::uint16_t table = read_ir_word(g);
    std::uint16_t dflt = read_ir_word(g);
    read_ir_word(g);  // the case count
    std::uint16_t value_size = read_ir_word(g);
    if (value_size == 1) {
        g.switch_table = table;
        g.switch_default = dflt;
        return 191;
    }
    bool write = g.dead_depth <= 0;
    if (write) {
        select_section(g, OC_CONST);
        label_line(g, label_text(table));
    }
    int c = next_code(g);
    while (c == 205) {
        std::uint16_t span = read_ir_word(g);
        std::uint32_t first = read_ir_long(g);
        if (write) {
            emit_asm(g, " dc.w %u;", span);
            emit_value_word(g, value_size, first);
        }
        for (std::uint32_t i = 0; i < span; ++i) {
            std::uint16_t l = read_ir_word(g);
            if (write) emit_asm(g, " dc.w %n;", l);
        }
        c = next_code(g);
    }
    if (c == 206) {
        std::uint16_t n = read_ir_word(g);
        if (write) emit_asm(g, "%p0,%u;", " dc.w ", n);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t v = read_ir_long(g);
            std::uint16_t l = read_ir_word(g);
            if (write) {
                emit_asm(g, " dc.w %n;", l);
                emit_value_word(g, value_size, v);
            }
        }
        c = next_code(g);
    }
    if (write) emit_asm(g, " dc.w %n;", dflt);
    return c;
}

std::string long_const_label(Gen& g, std::uint32_t value) {
    for (const Gen::PoolEntry& e : g.long_pool)
        if (e.value == value) return e.label;
    std::uint32_t number = new_label_number(g);
    g.pool_label_high = number;
    std::string label = label_text(number);
    g.long_pool.push_back({value, label});
    select_section(g, OC_CONST);
    label_line(g, label);
    emit_asm(g, " dc.l %l;", static_cast<std::int32_t>(value));
    return label;
}

std::string far_descriptor(Gen& g, std::string_view name) {
    if (name.empty()) genpanic(g, "FAR CALL");
    for (const Gen::FarEntry& e : g.far_pool)
        if (e.name == name) return e.label;
    std::uint32_t number = new_label_number(g);
    g.pool_label_high = number;
    std::string label = label_text(number);
    g.far_pool.push_back({std::string(name), label});
    select_section(g, OC_CONST);
    label_line(g, label);
    std::string n(name);
    emit_asm(g, "%ppage(%p),%p;", " dc.w ", n, n);
    return label;
}

// ------------------------------------------------------------ the record loop

int read_ir_records(Gen& g, int mode) {
    for (;;) {
        int c = next_input_byte(g);
        if (c == IR_EOF) {
            if (mode == 0) end_verbatim(g);
            return -1;
        }
        if (mode == 0 && g.verbatim && c != 203 && c != 20) end_verbatim(g);
        switch (c) {
        case 19: set_source_file(g, read_ir_name(g)); break;
        case 20: g.line = read_ir_word(g); break;
        case 131:
            read_ir_byte(g);
            declare_object(g, OC_DATA, true);
            break;
        case 199: {
            read_ir_byte(g);
            std::uint16_t space = map_space_modifiers(g, read_ir_word(g));
            declare_object(g, space_class(space), !(space & (SP_CONST | SP_EEPROM | SP_DIR)));
            break;
        }
        case 132: {
            std::string name;
            read_ir_name(g, &name);
            std::uint16_t space;
            read_ir_symbol_attrs(g, space, name);
            emit_asm(g, " xdef %p;", name);
            // the bit of port objects is also that of interrupt functions:
            // a function (its name says so) is defined, not initialised
            if ((space & SP_PORT) && !(space & SP_FUNC) && !is_function_name(g, name))
                generr(g, "can't initialize port objects: ", g.last_name);
            break;
        }
        case 144: {
            std::string name;
            read_ir_name(g, &name);
            std::uint16_t space;
            read_ir_symbol_attrs(g, space, name);
            emit_asm(g, space & SP_DIR ? " xref.b %p;" : " xref %p;", name);
            break;
        }
        case 137: int_item(g); break;
        case 133: real_item(g); break;
        case 147: emit_asm(g, " ds.b %l;", static_cast<std::int32_t>(read_ir_long(g))); break;
        case 148: string_data(g); break;
        case 184: {
            read_ir_byte(g);
            read_ir_word(g);
            const std::string& name = read_ir_name(g);
            select_section(g, OC_CONST);
            label_line(g, name);
            break;
        }
        case 185: return read_switch_table(g);
        case 186: define_space(g, read_ir_name(g)); break;
        case 187: {
            std::uint8_t n = read_ir_byte(g);
            std::string text = read_bytes(g, n);
            emit_asm(g, "%S;", "\x06" + text + "\x06");
            break;
        }
        case 192:
        case 197:
        case 200: address_item(g, c); break;
        case 201: {
            read_ir_byte(g);
            std::string name;
            read_ir_name(g, &name);
            std::uint32_t address = read_ir_long(g);
            emit_asm(g, "%p: equ %l;", name, static_cast<std::int32_t>(address));
            break;
        }
        case 203:
            if (mode == 1) return 203;
            verbatim_text(g);
            break;
        case 204: {
            std::uint16_t word = read_ir_word(g);
            std::uint16_t space = map_space_modifiers(g, word & 0xBFFF);
            std::uint8_t n = read_ir_byte(g);
            std::string name = read_bytes(g, n);
            set_class_section(g, word, space, name);
            break;
        }
        case 210: break;
        case 213: {
            read_ir_byte(g);
            const std::string& name = read_ir_name(g);
            select_section(g, OC_DEBUG);
            label_line(g, name);
            break;
        }
        case 214: debug_table(g); break;
        case 215: debug_file(g); break;
        case 251:
            g.first_line = read_ir_word(g);
            g.brace_line = read_ir_word(g);
            break;
        case 254: {
            std::uint16_t n = read_ir_word(g);
            std::string text = read_bytes(g, n);
            for (char& ch : text)
                if (ch == '\0') ch = ' ';
            g.errors = true;
            g.out.kept_separator = true;
            emit_asm(g, (text + "`").c_str());
            g.out.kept_separator = false;
            g.out.raw = false;
            break;
        }
        default: return c;
        }
    }
}

}  // namespace ccgen
