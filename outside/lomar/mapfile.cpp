// The map of a link: segments, the sections of each file, and the symbols
// by address.
#include <algorithm>
#include <cstdio>

#include "outside/lomar/link_internal.h"

namespace lomar {
namespace {

std::string hex(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04llX", static_cast<unsigned long long>(v));
    return buf;
}

std::string padded(std::string s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

}  // namespace

std::string make_map(const LinkState& state, bool physical) {
    std::string out = "Segments:\n";
    for (size_t i = 0; i < state.segments.size(); ++i) {
        const Segment& s = state.segments[i];
        if (s.parts.empty() && static_cast<int>(i) != state.host) continue;
        uint64_t start = s.address;
        if (physical && s.line && s.line->physical) start = *s.line->physical;
        out += "  " + padded(s.name(), 16) + hex(start) + "-" + hex(start + (s.size ? s.size - 1 : 0)) + "  " +
               padded(std::to_string(s.size), 7) + " " + s.input;
        if (s.all_bss) out += " bss";
        if (s.line && s.line->initialised) out += " copied at start-up";
        if (static_cast<int>(i) == state.host) out += " start-up table at " + hex(s.address + s.table_offset);
        out += "\n";
    }
    out += "\nFiles:\n";
    for (size_t ui : state.order) {
        const Unit& u = state.units[ui];
        out += "  " + u.name + "\n";
        for (size_t k = 0; k < u.obj.sections.size(); ++k) {
            const objfile::Section& sec = u.obj.sections[k];
            out += "    " + padded(sec.name, 16) + hex(u.address[k]) + "  " + std::to_string(sec.size) + "\n";
        }
    }
    struct Entry {
        uint32_t value;
        std::string name, file;
    };
    std::vector<Entry> symbols;
    for (size_t ui : state.order) {
        const Unit& u = state.units[ui];
        for (const objfile::Symbol& s : u.obj.symbols) {
            if (!(s.flags & SF_DEFINED)) continue;
            uint32_t v = s.value;
            if (!(s.flags & SF_ABSOLUTE) && s.section) v = v - u.obj.sections[s.section - 1u].start + u.address[s.section - 1u];
            symbols.push_back({v, s.name, u.name});
        }
    }
    for (const auto& [name, def] : state.globals)
        if (def.source != Definition::UNIT) symbols.push_back({def.value, name, "(link)"});
    std::stable_sort(symbols.begin(), symbols.end(), [](const Entry& a, const Entry& b) {
        return a.value != b.value ? a.value < b.value : a.name < b.name;
    });
    out += "\nSymbols:\n";
    for (const Entry& e : symbols) out += "  " + hex(e.value) + "  " + padded(e.name, 24) + " " + e.file + "\n";
    return out;
}

}  // namespace lomar
