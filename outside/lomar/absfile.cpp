// The absolute program file: header, section records, section bytes (each
// followed by an empty relocation stream), symbols and debug records.
#include "outside/lomar/absfile.h"

#include <algorithm>

#include "outside/lomar/bytes.h"

namespace lomar {
namespace {

constexpr size_t HEADER_SIZE = 28;
constexpr size_t SECTION_RECORD_SIZE = 40;

void put_text(std::vector<uint8_t>& out, const std::string& text) {
    out.push_back(static_cast<uint8_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::vector<uint8_t> write_program(const std::vector<OutSection>& sections, const std::vector<objfile::Symbol>& symbols,
                                   const std::vector<objfile::DebugRecord>& debug) {
    std::vector<uint8_t> out(HEADER_SIZE + SECTION_RECORD_SIZE * sections.size(), 0);
    out[0] = 0xCC;
    out[1] = 1;
    out[2] = 4;
    out[3] = static_cast<uint8_t>(sections.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        const OutSection& s = sections[i];
        size_t rec = HEADER_SIZE + SECTION_RECORD_SIZE * i;
        size_t len = std::min<size_t>(s.name.size(), 14);
        out[rec] = static_cast<uint8_t>(s.data ? s.attr & ~objfile::SEC_BSS : s.attr | objfile::SEC_BSS);
        out[rec + 1] = static_cast<uint8_t>(len);
        std::copy(s.name.begin(), s.name.begin() + static_cast<long>(len), out.begin() + static_cast<long>(rec + 2));
        set32(out, rec + 20, s.size);
        if (s.data) {
            set32(out, rec + 16, static_cast<uint32_t>(out.size()));
            out.insert(out.end(), s.data->begin(), s.data->end());
            set32(out, rec + 24, static_cast<uint32_t>(out.size()));  // an empty stream
        }
        set32(out, rec + 32, s.address);
        set32(out, rec + 36, s.address);
    }
    size_t start = out.size();
    for (const objfile::Symbol& s : symbols) {
        put32(out, s.value);
        out.push_back(s.flags);
        out.push_back(s.section);
        put_text(out, s.name);
    }
    set32(out, 4, static_cast<uint32_t>(symbols.size()));
    set32(out, 8, static_cast<uint32_t>(start));
    set32(out, 12, static_cast<uint32_t>(out.size() - start));
    start = out.size();
    for (const objfile::DebugRecord& d : debug) {
        put32(out, d.value);
        out.push_back(d.kind);
        out.push_back(d.section);
        put_text(out, d.text);
    }
    set32(out, 16, static_cast<uint32_t>(debug.size()));
    set32(out, 20, static_cast<uint32_t>(start));
    set32(out, 24, static_cast<uint32_t>(out.size() - start));
    return out;
}

}  // namespace lomar
