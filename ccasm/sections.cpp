// Sections: the predefined ones, lookup, and the emission of bytes, fill
// and relocatable 8-, 16- and 32-bit fields into the current section.
#include "ccasm/asm.h"

namespace ccasm {
namespace {

// Stored bytes per section; beyond this the data would not fit any target.
constexpr uint32_t MAX_SECTION_DATA = 16u << 20;

struct Predefined {
    const char* name;
    uint8_t attr;
    bool debug;
};

constexpr Predefined predefined[] = {
    {".text", SEC_CODE | SEC_HILO, false},
    {".data", SEC_HILO, false},
    {".bss", SEC_BSS | SEC_HILO, false},
    {".bsct", SEC_ZPAGE | SEC_HILO, false},
    {".ubsct", SEC_ZPAGE | SEC_BSS | SEC_HILO, false},
    {".debug", SEC_HILO, true},
};

bool stores_data(const Section& s) { return !(s.attr & SEC_BSS) && !s.pseudo; }

// Appends one byte to a section; false when the section is full.
bool put_byte(Asm& a, Section& s, uint8_t byte) {
    if (recording(a) && stores_data(s)) {
        if (s.data.size() >= MAX_SECTION_DATA) {
            if (!s.overflowed) error(a, "section " + s.name + " too large");  // once per pass
            s.overflowed = true;
            return false;
        }
        s.data.push_back(byte);
    }
    ++s.offset;
    s.got_bytes = true;
    return true;
}

uint32_t reloc_index(Asm& a, const ExprValue& v) {
    uint32_t index = 0;
    if (v.base && !v.base->defined()) {
        index = v.base->number;
        // symbols met in the first pass were reported there
        if (!index && !v.base->referenced_in_pass1) error_name(a, "symbol ", v.base->name, " not defined");
    } else if (v.section >= 0) {
        index = static_cast<uint32_t>(a.sections[v.section].number);
        if (!index) error(a, "bad relocatable expression");
    }
    if (index > 0xFFFF) error(a, "too many symbols");
    return index;
}

// A field of `width` bytes whose low `part` bytes carry the value (a marked
// relocatable value leaves the rest 0), relocated with `kind` when the value
// is relocatable.
void emit_field(Asm& a, const ExprValue& v, int width, int part, int kind) {
    Section& s = cursec(a);
    uint32_t value = static_cast<uint32_t>(v.value);
    bool hilo = s.attr & SEC_HILO;
    bool reloc = v.relocatable() && recording(a) && stores_data(s);
    uint32_t index = reloc ? reloc_index(a, v) : 0;
    if (hilo) {
        for (int i = part; i < width; ++i) emit_byte(a, 0);
        if (reloc) addreloc(a, s, kind, index, value);
        for (int i = part - 1; i >= 0; --i) emit_byte(a, static_cast<uint8_t>(value >> (8 * i)));
    } else {
        if (reloc) addreloc(a, s, kind, index, value);
        for (int i = 0; i < part; ++i) emit_byte(a, static_cast<uint8_t>(value >> (8 * i)));
        for (int i = part; i < width; ++i) emit_byte(a, 0);
    }
}

}  // namespace

bool recording(const Asm& a) { return a.pass > 1; }

Section& cursec(Asm& a) { return a.sections[a.cur]; }

void reset_sections(Asm& a) {
    a.sections.clear();
    for (const Predefined& p : predefined) {
        Section s;
        s.name = p.name;
        s.attr = p.attr;
        s.debug = p.debug;
        if (a.opt.abs && !p.debug) s.attr |= SEC_ABS;
        a.sections.push_back(std::move(s));
    }
    Section offset;
    offset.attr = SEC_ABS | SEC_BSS;
    offset.pseudo = true;
    a.sections.push_back(std::move(offset));
    a.default_attr = SEC_HILO | (a.opt.abs ? SEC_ABS : 0);
    a.new_sections.clear();
    a.old_numbers.assign(256, -1);
    a.number_of_sections = 0;
}

void pass_reset_sections(Asm& a) {
    for (Section& s : a.sections) {
        if (stores_data(s) && s.offset <= MAX_SECTION_DATA) s.data.reserve(s.offset);  // as large as last pass
        s.data.clear();
        s.reloc.clear();
        s.reloc_pos = 0;
        s.offset = 0;
        s.start = 0;
        s.got_bytes = false;
        s.hidden = false;
        s.overflowed = false;
        s.origin_set = false;
        s.jumps.clear();
    }
    a.cur = 0;
    a.before_offset = -1;
    a.save_stack.clear();
    a.new_counter = 0;
}

int find_section(Asm& a, std::string_view name) {
    for (size_t i = 0; i < a.sections.size(); ++i) {
        const Section& s = a.sections[i];
        if (!s.pseudo && !s.hidden && s.name == name) return static_cast<int>(i);
    }
    return -1;
}

int add_section(Asm& a, std::string_view name, uint8_t attr) {
    Section s;
    s.name = std::string(name);
    s.attr = attr;
    a.sections.push_back(std::move(s));
    return static_cast<int>(a.sections.size() - 1);
}

void emit_byte(Asm& a, uint8_t byte) {
    Section& s = cursec(a);
    if (!stores_data(s) && !s.pseudo) error(a, "no data allowed in bss section");
    if (a.list.bytes.empty()) a.list.line_address = s.address();
    put_byte(a, s, byte);
    if (a.list.on && a.list.bytes.size() < 40) a.list.bytes.push_back(byte);
}

// Moves the offset on by count: fill bytes in named sections, nothing
// stored for bss and the offset pseudo-section. False when the offset
// would pass the 32-bit range or the section would grow too large.
bool advance_with(Asm& a, uint32_t count, uint8_t fill) {
    Section& s = cursec(a);
    if (count > UINT32_MAX - s.offset) return false;
    if (!stores_data(s)) {
        s.offset += count;
        if (count) s.got_bytes = true;
        return true;
    }
    if (count > MAX_SECTION_DATA) return false;
    if (count && a.list.bytes.empty()) a.list.line_address = s.address();
    for (uint32_t i = 0; i < count; ++i) {
        if (!put_byte(a, s, fill)) return true;
        if (a.list.on && a.list.bytes.size() < 40) a.list.bytes.push_back(fill);
    }
    return true;
}

bool advance(Asm& a, uint32_t count) { return advance_with(a, count, static_cast<uint8_t>(a.opt.fill)); }

void emitword(Asm& a, const ExprValue& v, int width) {
    if (width == 1) {
        emit_field(a, v, 1, 1, (v.marks & MARK_HIGH) ? 4 : (v.marks & MARK_PAGE) ? 6 : 0);
    } else if (v.relocatable() && (v.marks & MARK_HIGH)) {
        emit_field(a, v, 2, 1, 4);
    } else {
        emit_field(a, v, 2, 2, (v.marks & MARK_PAGE) ? 7 : 1);
    }
}

void emitlong(Asm& a, const ExprValue& v) {
    if (v.relocatable() && (v.marks & MARK_HIGH)) emit_field(a, v, 4, 1, 4);
    else if (v.relocatable() && (v.marks & MARK_PAGE)) emit_field(a, v, 4, 2, 7);
    else emit_field(a, v, 4, 4, 2);
}

void pad_even_sections(Asm& a) {
    int saved = a.cur;
    for (size_t i = 0; i < a.sections.size(); ++i) {
        Section& s = a.sections[i];
        if (s.pseudo || !(s.attr & SEC_EVEN) || !(s.address() & 1)) continue;
        a.cur = static_cast<int>(i);
        advance(a, 1);
    }
    a.cur = saved;
}

}  // namespace ccasm
