// The object file: header, section records, section data with relocation
// streams, symbol records and debug records, all most significant byte first.
#include <cstring>

#include "ccparse/toolkit/toolkit.h"
#include "ccasm/asm.h"

namespace ccasm {
namespace {

constexpr size_t HEADER_SIZE = 28;
constexpr size_t SECTION_RECORD_SIZE = 40;
constexpr size_t MAX_SECTION_NAME = 14;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v >> 24);
    out[at + 1] = static_cast<uint8_t>(v >> 16);
    out[at + 2] = static_cast<uint8_t>(v >> 8);
    out[at + 3] = static_cast<uint8_t>(v);
}

int field_size(int kind) {
    switch (kind) {
    case 1: case 7: return 2;
    case 2: return 4;
    default: return 1;
    }
}

uint8_t section_number(const Asm& a, int index) {
    return index >= 0 ? static_cast<uint8_t>(a.sections[index].number) : 0;
}

void put_symbol(const Asm& a, std::vector<uint8_t>& out, const Symbol* s, bool keep_public) {
    uint8_t flags = s->flags & 0x7F;
    if (!keep_public) flags &= static_cast<uint8_t>(~SF_PUBLIC);
    if (s->attr & SA_BIT) flags |= SF_BIT;
    put32(out, static_cast<uint32_t>(s->defined() ? s->value : 0));
    out.push_back(flags);
    out.push_back(s->defined() ? section_number(a, s->section) : 0);
    out.push_back(static_cast<uint8_t>(s->name.size()));
    out.insert(out.end(), s->name.begin(), s->name.end());
}

bool written_without_number(const Symbol* s) {
    return s->defined() && !(s->flags & SF_PUBLIC) &&
           !(s->attr & (SA_REGISTER | SA_LOCAL | SA_DEBUG | SA_ALIAS));
}

// The interrupt handler removes an object file that is being written.
char writing_name[4096];

}  // namespace

const char* object_being_written() { return writing_name[0] ? writing_name : nullptr; }

void addreloc(Asm& a, Section& s, int kind, uint32_t index, uint32_t value) {
    std::vector<uint8_t>& r = s.reloc;
    uint32_t gap = s.offset - s.reloc_pos;
    while (gap > 16383) {
        r.push_back(0x7F);
        r.push_back(0xFF);
        gap -= 16383;
    }
    if (gap >= 64) {
        r.push_back(static_cast<uint8_t>(0x40 | (gap >> 8)));
        r.push_back(static_cast<uint8_t>(gap));
    } else if (gap > 0) {
        r.push_back(static_cast<uint8_t>(gap));
    }
    r.push_back(static_cast<uint8_t>(0x80 | kind | (index > 255 ? 0x20 : 0)));
    if (index > 255) r.push_back(static_cast<uint8_t>(index >> 8));
    r.push_back(static_cast<uint8_t>(index));
    if (kind == 4 || kind == 6) {
        r.push_back(static_cast<uint8_t>(value >> 24));
        r.push_back(static_cast<uint8_t>(value >> 16));
        r.push_back(static_cast<uint8_t>(value >> 8));
    } else if (kind == 7) {
        r.push_back(static_cast<uint8_t>(value >> 24));
        r.push_back(static_cast<uint8_t>(value >> 16));
    }
    s.reloc_pos = s.offset + static_cast<uint32_t>(field_size(kind));
    (void)a;
}

std::vector<uint8_t> build_object(Asm& a) {
    std::vector<const Section*> numbered;
    for (const Section& s : a.sections)
        if (s.number) numbered.push_back(&s);
    size_t total = HEADER_SIZE + SECTION_RECORD_SIZE * numbered.size();
    for (const Section* s : numbered) total += s->data.size() + s->reloc.size();
    std::vector<uint8_t> out;
    out.reserve(total);
    out.resize(HEADER_SIZE + SECTION_RECORD_SIZE * numbered.size(), 0);
    out[0] = 0xCC;
    out[1] = 1;
    out[2] = 4;
    out[3] = static_cast<uint8_t>(numbered.size());

    for (size_t i = 0; i < numbered.size(); ++i) {
        const Section& s = *numbered[i];
        size_t rec = HEADER_SIZE + SECTION_RECORD_SIZE * i;
        size_t len = std::min(s.name.size(), MAX_SECTION_NAME);
        out[rec] = s.attr;
        out[rec + 1] = static_cast<uint8_t>(len);
        std::memcpy(&out[rec + 2], s.name.data(), len);
        if (s.attr & SEC_BSS) {
            set32(out, rec + 20, s.offset);
        } else {
            set32(out, rec + 16, static_cast<uint32_t>(out.size()));
            set32(out, rec + 20, static_cast<uint32_t>(s.data.size()));
            out.insert(out.end(), s.data.begin(), s.data.end());
            set32(out, rec + 24, static_cast<uint32_t>(out.size()));
            set32(out, rec + 28, static_cast<uint32_t>(s.reloc.size()));
            out.insert(out.end(), s.reloc.begin(), s.reloc.end());
        }
        set32(out, rec + 32, s.start);
        set32(out, rec + 36, s.start);
    }

    size_t sym_start = out.size();
    uint32_t sym_count = 0;
    for (const Symbol* s = a.sym_head; s; s = s->next)
        if (s->number) {
            put_symbol(a, out, s, true);
            ++sym_count;
        }
    if (a.opt.keep_locals)
        for (const Symbol* s = a.sym_head; s; s = s->next)
            if (!s->number && written_without_number(s)) {
                put_symbol(a, out, s, false);
                ++sym_count;
            }
    set32(out, 4, sym_count);
    set32(out, 8, static_cast<uint32_t>(sym_start));
    set32(out, 12, static_cast<uint32_t>(out.size() - sym_start));

    size_t dbg_start = out.size();
    uint32_t dbg_count = 0;
    const std::vector<DebugRecord>& d = a.debug;
    for (size_t i = 0; i < d.size(); ++i) {
        if (d[i].kind == 0x20 && i + 1 < d.size() && d[i + 1].kind == 0x10 && d[i + 1].section == d[i].section &&
            d[i + 1].value == d[i].value) {
            ++i;  // an empty start/end pair
            continue;
        }
        put32(out, d[i].value);
        out.push_back(d[i].kind);
        out.push_back(section_number(a, d[i].section));
        out.push_back(static_cast<uint8_t>(d[i].text.size()));
        out.insert(out.end(), d[i].text.begin(), d[i].text.end());
        ++dbg_count;
    }
    set32(out, 16, dbg_count);
    set32(out, 20, static_cast<uint32_t>(dbg_start));
    set32(out, 24, static_cast<uint32_t>(out.size() - dbg_start));
    return out;
}

bool writeobj(Asm& a) {
    if (a.number_of_sections > 255) {
        diag_noline(a, a.source, "too many sections");
        ++a.errors;
        return false;
    }
    std::vector<uint8_t> image = build_object(a);
    const std::string& name = a.object_name;
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) {
        diag_noline(a, a.source, "can't create " + name);
        ++a.errors;
        return false;
    }
    std::snprintf(writing_name, sizeof writing_name, "%s", name.c_str());
    bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        vy::removefile(name.c_str());
        diag_noline(a, a.source, "can't write " + name);
        ++a.errors;
    }
    writing_name[0] = '\0';
    return ok;
}

}  // namespace ccasm
