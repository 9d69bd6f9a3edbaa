// The linker: reading the files, resolving the symbols (taking library
// members as needed), building and placing the segments, relocating, and
// the absolute program.
#include "outside/lomar/linker.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>

#include "outside/lomar/absfile.h"
#include "outside/lomar/library.h"
#include "outside/lomar/link_internal.h"

namespace lomar {
namespace {

constexpr uint64_t ADDRESS_SPACE = 0x10000;
#ifdef _WIN32
constexpr char SEPARATOR = '\\';
#else
constexpr char SEPARATOR = '/';
#endif
// Debug information of a program beyond this is refused, not allocated.
constexpr uint64_t MAX_DEBUG_SIZE = 64u << 20;

std::string hex4(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%04llX", static_cast<unsigned long long>(v));
    return buf;
}

bool defines(const objfile::Symbol& s) { return (s.flags & SF_DEFINED) != 0; }
bool exports(const objfile::Symbol& s) { return (s.flags & (SF_DEFINED | SF_PUBLIC)) == (SF_DEFINED | SF_PUBLIC); }
bool imports(const objfile::Symbol& s) { return (s.flags & (SF_DEFINED | SF_PUBLIC)) == SF_PUBLIC; }

struct Library {
    std::string name;
    size_t file_line = 0;
    std::vector<LibraryMember> members;
    std::vector<objfile::Object> objects;
    std::vector<bool> taken;
};

class Linker {
public:
    Linker(const LinkScript& script, const LinkOptions& options, Diagnostics& diag)
        : script_(script), options_(options), diag_(diag) {
        state_.script = &script;
    }

    LinkResult run() {
        LinkResult result;
        read_inputs();
        if (diag_.count()) return result;
        resolve();
        if (diag_.count()) return result;
        build_segments();
        if (diag_.count()) return result;
        plan_table();
        if (diag_.count()) return result;
        place_segments();
        if (diag_.count()) return result;
        check_segments();
        value_symbols();
        if (diag_.count()) return result;
        relocate();
        write_table();
        if (diag_.count()) return result;
        result.program = program();
        if (diag_.count()) {
            result.program.clear();
            return result;
        }
        if (options_.map) result.map = make_map(state_, options_.physical_map);
        result.verbose = verbose_;
        return result;
    }

private:
    const LinkScript& script_;
    const LinkOptions& options_;
    Diagnostics& diag_;
    LinkState state_;
    std::vector<Library> libraries_;
    std::vector<std::pair<std::string, size_t>> imports_;  // name, unit that refers to it
    std::string verbose_;
    size_t taken_ = 0;
    std::unordered_map<std::string, int> named_, by_input_;
    std::vector<int> previous_;  // per segment: the one it follows by default
    std::unordered_map<std::string, std::vector<int>> lines_of_;  // +seg lines of each input name

    // ------------------------------------------------------------ inputs

    std::string open_path(const std::string& name) {
        std::error_code ec;
        std::vector<std::string> tries{name};
#ifndef _WIN32
        std::string slashed = name;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        if (slashed != name) tries.push_back(slashed);
#endif
        bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':'));
        if (!absolute)
            for (const std::string& dir : options_.library_dirs)
                for (size_t i = 0, n = tries.size(); i < n; ++i) {
                    std::string d = dir;
                    if (!d.empty() && d.back() != '/' && d.back() != '\\') d += SEPARATOR;
                    tries.push_back(d + tries[i]);
                }
        for (const std::string& t : tries)
            if (std::filesystem::is_regular_file(t, ec)) return t;
        return name;
    }

    bool check_object(const objfile::Object& obj, const std::string& name) {
        bool ok = true;
        size_t nsec = obj.sections.size();
        for (const objfile::Symbol& s : obj.symbols)
            if (defines(s) && !(s.flags & SF_ABSOLUTE) && s.section > nsec) {
                diag_.error(name, 0, "symbol " + s.name + " lies in section " + std::to_string(s.section) +
                                         ", which is not in the file");
                ok = false;
            }
        for (const objfile::DebugRecord& d : obj.debug)
            if (d.section > nsec) {
                diag_.error(name, 0, "debug record in section " + std::to_string(d.section) +
                                         ", which is not in the file");
                ok = false;
                break;
            }
        for (const objfile::Section& s : obj.sections)
            if (s.name.empty()) {
                diag_.error(name, 0, "section without a name");
                ok = false;
            }
        return ok;
    }

    void add_unit(std::string name, objfile::Object obj, size_t file_line, size_t taken) {
        Unit u;
        u.name = std::move(name);
        u.obj = std::move(obj);
        u.file_line = file_line;
        u.taken = taken;
        size_t index = state_.units.size();
        state_.units.push_back(std::move(u));
        const Unit& unit = state_.units.back();
        for (size_t i = 0; i < unit.obj.symbols.size(); ++i) {
            const objfile::Symbol& s = unit.obj.symbols[i];
            if (exports(s)) define(s.name, Definition{Definition::UNIT, index, i}, unit.name, 0);
            else if (imports(s)) imports_.push_back({s.name, index});
        }
    }

    void read_inputs() {
        if (script_.files.empty()) diag_.error(script_.path, 0, "nothing to link");
        for (size_t f = 0; f < script_.files.size(); ++f) {
            const FileLine& line = script_.files[f];
            std::string path = open_path(line.name);
            std::vector<uint8_t> bytes;
            std::string error;
            if (!read_file(path, bytes, error)) {
                diag_.error(script_.path, line.line, error == "can't open " + path ? "can't open " + line.name : error);
                continue;
            }
            if (options_.verbose) verbose_ += "reading " + path + "\n";
            if (is_library(bytes)) {
                read_library_file(line.name, f, bytes);
                continue;
            }
            objfile::Object obj;
            if (bytes.empty() || bytes[0] != 0xCC) {
                diag_.error(line.name, 0, "not an object file or library");
                continue;
            }
            if (!objfile::read(bytes, obj, error)) {
                diag_.error(line.name, 0, error);
                continue;
            }
            if (check_object(obj, line.name)) add_unit(line.name, std::move(obj), f, 0);
        }
        for (const DefLine& d : script_.defs) define(d.symbol, Definition{Definition::SCRIPT, 0, 0, size_t(&d - script_.defs.data())},
                                                     script_.path, d.line);
    }

    void read_library_file(const std::string& name, size_t file_line, const std::vector<uint8_t>& bytes) {
        Library lib;
        lib.name = name;
        lib.file_line = file_line;
        std::string error;
        if (!read_library(bytes, lib.members, error)) {
            diag_.error(name, 0, error);
            return;
        }
        for (const LibraryMember& m : lib.members) {
            objfile::Object obj;
            std::string member = name + "(" + m.name + ")";
            if (!objfile::read(m.bytes, obj, error)) diag_.error(member, 0, error);
            else check_object(obj, member);
            lib.objects.push_back(std::move(obj));
        }
        lib.taken.assign(lib.members.size(), false);
        libraries_.push_back(std::move(lib));
    }

    // --------------------------------------------------------- symbols

    std::string where(const Definition& d) const {
        switch (d.source) {
        case Definition::UNIT: return state_.units[d.unit].name;
        case Definition::SCRIPT: return script_.path + ":" + std::to_string(script_.defs[d.def].line);
        default: return "the linker";
        }
    }

    void define(const std::string& name, Definition def, const std::string& file, uint32_t line) {
        auto [it, fresh] = state_.globals.emplace(name, def);
        if (!fresh) diag_.error(file, line, "symbol " + name + " multiply defined, first in " + where(it->second));
    }

    // Takes library members for the symbols still undefined, in link
    // order of the libraries; a symbol that several members define comes
    // from the first.
    void resolve() {
        std::unordered_map<std::string, std::pair<size_t, size_t>> offered;
        for (size_t l = 0; l < libraries_.size(); ++l)
            for (size_t m = 0; m < libraries_[l].objects.size(); ++m)
                for (const objfile::Symbol& s : libraries_[l].objects[m].symbols)
                    if (exports(s)) offered.emplace(s.name, std::make_pair(l, m));
        std::deque<std::string> wanted;
        for (const auto& [name, unit] : imports_) wanted.push_back(name);
        for (const DefLine& d : script_.defs)
            if (d.kind == DefLine::SYMBOL) wanted.push_back(d.ref);
        size_t seen = imports_.size();
        while (!wanted.empty()) {
            std::string name = std::move(wanted.front());
            wanted.pop_front();
            if (state_.globals.count(name)) continue;
            auto it = offered.find(name);
            if (it == offered.end()) continue;
            auto [l, m] = it->second;
            Library& lib = libraries_[l];
            if (lib.taken[m]) continue;
            lib.taken[m] = true;
            std::string member = lib.name + "(" + lib.members[m].name + ")";
            if (options_.verbose) verbose_ += "taking " + member + " for " + name + "\n";
            add_unit(member, std::move(lib.objects[m]), lib.file_line, ++taken_);
            for (; seen < imports_.size(); ++seen) wanted.push_back(imports_[seen].first);
        }
        if (references_table() && !state_.globals.count(INIT_TABLE))
            state_.globals.emplace(INIT_TABLE, Definition{Definition::TABLE});
        std::unordered_map<std::string, bool> reported;
        for (const auto& [name, unit] : imports_)
            if (!state_.globals.count(name) && !reported[name]) {
                reported[name] = true;
                diag_.error(state_.units[unit].name, 0, "symbol " + name + " not defined");
            }
        for (const DefLine& d : script_.defs)
            if (d.kind == DefLine::SYMBOL && !state_.globals.count(d.ref))
                diag_.error(script_.path, d.line, "symbol " + d.ref + " not defined");

        state_.order.resize(state_.units.size());
        for (size_t i = 0; i < state_.order.size(); ++i) state_.order[i] = i;
        std::stable_sort(state_.order.begin(), state_.order.end(), [&](size_t a, size_t b) {
            const Unit &x = state_.units[a], &y = state_.units[b];
            return x.file_line != y.file_line ? x.file_line < y.file_line : x.taken < y.taken;
        });
    }

    bool references_table() const {
        for (const auto& [name, unit] : imports_)
            if (name == INIT_TABLE) return true;
        return false;
    }

    // -------------------------------------------------------- segments

    // A segment by its -n name, else by its input name (the first one).
    int find_segment(const std::string& name) const {
        auto it = named_.find(name);
        if (it != named_.end()) return it->second;
        it = by_input_.find(name);
        return it != by_input_.end() ? it->second : -1;
    }

    void index_segments() {
        for (size_t i = 0; i < state_.segments.size(); ++i) {
            const Segment& s = state_.segments[i];
            if (s.line && !s.line->name.empty()) named_.emplace(s.line->name, static_cast<int>(i));
            if (!s.fixed && !s.debug) by_input_.emplace(s.input, static_cast<int>(i));
        }
        int last = -1;
        previous_.assign(state_.segments.size(), -1);
        for (size_t i = 0; i < state_.segments.size(); ++i) {
            previous_[i] = last;
            if (!state_.segments[i].fixed && !state_.segments[i].debug) last = static_cast<int>(i);
        }
    }

    // The segment that takes a section named `name` of a file on the line
    // with `before` segment lines above it.
    int segment_for(const std::string& name, size_t before, std::map<std::string, int>& made) {
        auto lines = lines_of_.find(name);
        if (lines != lines_of_.end()) {
            const std::vector<int>& v = lines->second;
            auto it = std::lower_bound(v.begin(), v.end(), static_cast<int>(before));
            return it != v.begin() ? *(it - 1) : *it;
        }
        auto it = made.find(name);
        if (it != made.end()) return it->second;
        Segment s;
        s.input = name;
        state_.segments.push_back(s);
        return made[name] = static_cast<int>(state_.segments.size() - 1);
    }

    void add_part(Segment& seg, Unit& unit, size_t k, int index) {
        const objfile::Section& sec = unit.obj.sections[k];
        uint64_t offset = seg.size;
        if ((sec.attr & SEC_EVEN) && (offset & 1)) ++offset;
        unit.segment[k] = index;
        unit.offset[k] = static_cast<uint32_t>(std::min<uint64_t>(offset, UINT32_MAX));
        seg.size = offset + sec.size;
        seg.attr |= sec.attr;
        if (!(sec.attr & SEC_BSS)) seg.all_bss = false;
        seg.parts.push_back({static_cast<size_t>(&unit - state_.units.data()), k});
    }

    void build_segments() {
        for (const SegmentLine& l : script_.segments) {
            lines_of_[l.input].push_back(static_cast<int>(state_.segments.size()));
            Segment s;
            s.input = l.input;
            s.line = &l;
            state_.segments.push_back(s);
        }
        std::map<std::string, int> made;
        std::vector<std::pair<size_t, size_t>> debug_parts;
        for (size_t ui : state_.order) {
            Unit& u = state_.units[ui];
            size_t before = script_.files[u.file_line].segments_before;
            u.segment.assign(u.obj.sections.size(), -1);
            u.offset.assign(u.obj.sections.size(), 0);
            u.address.assign(u.obj.sections.size(), 0);
            for (size_t k = 0; k < u.obj.sections.size(); ++k) {
                const objfile::Section& sec = u.obj.sections[k];
                if (sec.name == ".debug") {
                    debug_parts.push_back({ui, k});
                } else if (sec.attr & SEC_ABS) {
                    Segment s;
                    s.input = sec.name;
                    s.fixed = true;
                    s.address = sec.start;
                    s.placed = true;
                    state_.segments.push_back(s);
                    int index = static_cast<int>(state_.segments.size() - 1);
                    add_part(state_.segments.back(), u, k, index);
                    if (sec.start > ADDRESS_SPACE)
                        diag_.error(u.name, 0, "section " + sec.name + " lies at " + hex4(sec.start) +
                                                   ", beyond the 64 KB address space");
                } else {
                    int index = segment_for(sec.name, before, made);
                    add_part(state_.segments[static_cast<size_t>(index)], u, k, index);
                }
            }
        }
        Segment debug;
        debug.input = ".debug";
        debug.debug = true;
        debug.placed = true;
        state_.segments.push_back(debug);
        int index = static_cast<int>(state_.segments.size() - 1);
        for (auto [ui, k] : debug_parts) add_part(state_.segments.back(), state_.units[ui], k, index);
        index_segments();
        for (const Segment& s : state_.segments) {
            uint64_t limit = s.debug ? MAX_DEBUG_SIZE : ADDRESS_SPACE;
            if (s.size > limit)
                diag_.error(s.line ? script_.path : std::string(), s.line ? s.line->line : 0,
                            "segment " + s.name() + " is " + std::to_string(s.size) + " bytes, more than " +
                                std::to_string(limit));
        }
    }

    // -------------------------------------------------- start-up table

    bool cleared(const Segment& s) const {
        return s.all_bss && !s.parts.empty() && s.size > 0 && !s.fixed && !(s.line && s.line->not_cleared);
    }
    bool copied(const Segment& s) const { return s.line && s.line->initialised && s.holds_bytes() && s.size > 0; }

    void plan_table() {
        bool wanted = state_.globals.count(INIT_TABLE) && state_.globals[INIT_TABLE].source == Definition::TABLE;
        if (!wanted) {
            for (const Segment& s : state_.segments)
                if (copied(s))
                    diag_.error(script_.path, s.line->line,
                                "segment " + s.name() + " is copied at start-up (-id), but no file refers to " +
                                    INIT_TABLE);
            return;
        }
        for (size_t i = 0; i < state_.segments.size(); ++i) {
            const Segment& s = state_.segments[i];
            if (s.line && s.line->init_host) {
                if (state_.host >= 0) diag_.error(script_.path, s.line->line, "a second segment with -it");
                else state_.host = static_cast<int>(i);
            }
        }
        if (state_.host < 0)
            for (size_t i = 0; i < state_.segments.size(); ++i) {
                const Segment& s = state_.segments[i];
                if (!s.fixed && !s.debug && s.holds_bytes() && (s.attr & SEC_CODE)) {
                    state_.host = static_cast<int>(i);
                    break;
                }
            }
        if (state_.host < 0) {
            diag_.error(script_.path, 0, "no segment can hold the start-up table: mark one with -it");
            return;
        }
        Segment& host = state_.segments[static_cast<size_t>(state_.host)];
        if (host.line && host.line->initialised)
            diag_.error(script_.path, host.line->line, "the segment that holds the start-up table cannot be copied (-id)");
        host.all_bss = false;
        uint64_t table = 4, images = 0;
        for (const Segment& s : state_.segments) {
            if (copied(s)) {
                table += 6;
                images += s.size;
            }
            if (cleared(s)) table += 4;
        }
        host.table_offset = static_cast<uint32_t>(host.size);
        host.size += table + images;
        state_.table_size = static_cast<uint32_t>(table);
        if (host.size > ADDRESS_SPACE)
            diag_.error(script_.path, host.line ? host.line->line : 0,
                        "segment " + host.name() + " with the start-up table is more than 64 KB");
    }

    // -------------------------------------------------------- placement

    // The segment that must be placed first, -1 when none.
    int depends_on(size_t index) {
        const Segment& s = state_.segments[index];
        if (s.placed || (s.line && (s.line->logical || s.line->physical))) return -1;
        if (s.line && !s.line->after.empty()) return find_segment(s.line->after);
        return previous_[index];
    }

    // Places a segment and, first, those it is placed behind; a chain of
    // any length takes no stack.
    void place(size_t index) {
        std::vector<size_t> stack{index};
        while (!stack.empty()) {
            size_t i = stack.back();
            Segment& s = state_.segments[i];
            if (s.placed) {
                stack.pop_back();
                continue;
            }
            int dep = depends_on(i);
            if (dep >= 0 && !state_.segments[static_cast<size_t>(dep)].placed) {
                if (state_.segments[static_cast<size_t>(dep)].placing) {
                    diag_.error(script_.path, s.line ? s.line->line : 0, "segment " + s.name() + " is placed behind itself");
                    s.placed = true;
                    s.placing = false;
                    stack.pop_back();
                    continue;
                }
                s.placing = true;
                stack.push_back(static_cast<size_t>(dep));
                continue;
            }
            uint64_t address = 0;
            if (s.line && s.line->logical) address = *s.line->logical;
            else if (s.line && s.line->physical) address = *s.line->physical;
            else if (dep >= 0) address = state_.segments[static_cast<size_t>(dep)].end() + ((s.attr & SEC_EVEN) ? 1 : 0);
            else if (s.line && !s.line->after.empty()) diag_.error(script_.path, s.line->line, "no segment " + s.line->after);
            if (dep >= 0 && (s.attr & SEC_EVEN)) address &= ~uint64_t(1);
            s.address = static_cast<uint32_t>(std::min<uint64_t>(address, UINT32_MAX));
            s.placing = false;
            s.placed = true;
            stack.pop_back();
        }
    }

    void place_segments() {
        for (size_t i = 0; i < state_.segments.size(); ++i) place(i);
        for (Unit& u : state_.units)
            for (size_t k = 0; k < u.segment.size(); ++k)
                u.address[k] = state_.segments[static_cast<size_t>(u.segment[k])].address + u.offset[k];
    }

    std::string span(const Segment& s) const {
        return s.name() + " (" + hex4(s.address) + "-" + hex4(s.end() - 1) + ")";
    }

    void check_segments() {
        std::vector<const Segment*> used;
        for (const Segment& s : state_.segments) {
            if (s.debug) continue;
            std::string file = s.line ? script_.path : (s.parts.empty() ? "" : state_.units[s.parts[0].unit].name);
            uint32_t line = s.line ? s.line->line : 0;
            if (s.end() > ADDRESS_SPACE)
                diag_.error(file, line, "segment " + s.name() + " ends at " + hex4(s.end()) + ", beyond 64 KB");
            if (s.line && s.line->max_size && s.size > *s.line->max_size)
                diag_.error(file, line, "segment " + s.name() + " is " + std::to_string(s.size) +
                                            " bytes, more than its maximum of " + std::to_string(*s.line->max_size));
            for (const Part& p : s.parts) {
                const Unit& u = state_.units[p.unit];
                const objfile::Section& sec = u.obj.sections[p.section];
                if ((sec.attr & SEC_ZPAGE) && uint64_t(u.address[p.section]) + sec.size > 0x100) {
                    diag_.error(u.name, 0, "zero-page section " + sec.name + " ends beyond 0xFF");
                    break;
                }
            }
            if (s.size > 0 && !(s.line && s.line->no_overlap_check)) used.push_back(&s);
        }
        std::stable_sort(used.begin(), used.end(), [](const Segment* a, const Segment* b) { return a->address < b->address; });
        for (size_t i = 0; i < used.size(); ++i) {
            const std::string space = used[i]->line ? used[i]->line->space : "";
            for (size_t j = i + 1; j < used.size() && used[j]->address < used[i]->end(); ++j) {
                if ((used[j]->line ? used[j]->line->space : "") != space) continue;
                const Segment* later = used[j];
                std::string file = later->line ? script_.path : state_.units[later->parts[0].unit].name;
                diag_.error(file, later->line ? later->line->line : 0,
                            "segment " + span(*later) + " overlaps segment " + span(*used[i]));
            }
        }
    }

    // ---------------------------------------------------------- values

    uint32_t unit_symbol_value(const Unit& u, const objfile::Symbol& s) const {
        if ((s.flags & SF_ABSOLUTE) || s.section == 0) return s.value;
        size_t k = s.section - 1u;
        return s.value - u.obj.sections[k].start + u.address[k];
    }

    // The value of a definition that does not name another symbol.
    bool direct_value(Definition& d, const std::string& name) {
        switch (d.source) {
        case Definition::UNIT: {
            const Unit& u = state_.units[d.unit];
            d.value = unit_symbol_value(u, u.obj.symbols[d.symbol]);
            return true;
        }
        case Definition::TABLE: {
            const Segment& host = state_.segments[static_cast<size_t>(state_.host)];
            d.value = host.address + host.table_offset;
            return true;
        }
        case Definition::SCRIPT: break;
        }
        const DefLine& line = script_.defs[d.def];
        if (line.kind == DefLine::VALUE) {
            d.value = line.value;
            return true;
        }
        int seg = find_segment(line.ref);
        if (seg < 0) {
            diag_.error(script_.path, line.line, "no segment " + line.ref);
            return false;
        }
        const Segment& s = state_.segments[static_cast<size_t>(seg)];
        d.value = static_cast<uint32_t>(line.kind == DefLine::START ? s.address : line.kind == DefLine::SIZE ? s.size : s.end());
        (void)name;
        return true;
    }

    // The value of a global symbol, following definitions by other
    // symbols without recursion; false (reported once) for a loop or a
    // missing segment.
    bool global_value(const std::string& name, uint32_t& value) {
        std::vector<Definition*> chain;
        const std::string* current = &name;
        bool ok = false;
        for (;;) {
            auto it = state_.globals.find(*current);
            if (it == state_.globals.end()) break;
            Definition& d = it->second;
            if (d.valued) {
                value = d.value;
                ok = !d.failed;
                break;
            }
            if (d.source == Definition::SCRIPT && script_.defs[d.def].kind == DefLine::SYMBOL) {
                if (d.visiting) {
                    const DefLine& line = script_.defs[d.def];
                    diag_.error(script_.path, line.line, "symbol " + line.symbol + " is defined by itself");
                    break;
                }
                d.visiting = true;
                chain.push_back(&d);
                current = &script_.defs[d.def].ref;
                continue;
            }
            ok = direct_value(d, it->first);
            d.valued = true;
            d.failed = !ok;
            value = d.value;
            break;
        }
        for (Definition* c : chain) {
            c->visiting = false;
            c->valued = true;
            c->failed = !ok;
            c->value = ok ? value : 0;
        }
        return ok;
    }

    void value_symbols() {
        for (auto& [name, def] : state_.globals) {
            uint32_t v;
            global_value(name, v);
        }
    }

    // ------------------------------------------------------- relocation

    static uint32_t get(const std::vector<uint8_t>& b, size_t at, int n, bool hilo) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            uint8_t byte = b[at + static_cast<size_t>(hilo ? i : n - 1 - i)];
            v = (v << 8) | byte;
        }
        return v;
    }

    static void put(std::vector<uint8_t>& b, size_t at, int n, bool hilo, uint32_t v) {
        for (int i = 0; i < n; ++i) {
            uint8_t byte = static_cast<uint8_t>(v >> (8 * (n - 1 - i)));
            b[at + static_cast<size_t>(hilo ? i : n - 1 - i)] = byte;
        }
    }

    void relocate() {
        for (Segment& s : state_.segments) {
            if (!s.holds_bytes()) continue;
            s.bytes.assign(static_cast<size_t>(s.size), 0);
            for (const Part& p : s.parts) {
                const Unit& u = state_.units[p.unit];
                const objfile::Section& sec = u.obj.sections[p.section];
                if (sec.attr & SEC_BSS) continue;
                size_t base = u.offset[p.section];
                std::copy(sec.data.begin(), sec.data.end(), s.bytes.begin() + static_cast<long>(base));
                for (const objfile::Relocation& r : sec.relocations) relocate_field(s.bytes, base, u, sec, r);
            }
        }
    }

    void relocate_field(std::vector<uint8_t>& b, size_t base, const Unit& u, const objfile::Section& sec,
                        const objfile::Relocation& r) {
        size_t nsec = u.obj.sections.size();
        uint32_t delta = 0;
        std::string target;   // what the field refers to, for a report
        bool zpage = false;   // an import declared in the direct page (xref.b)
        if (r.index <= nsec) {
            size_t k = r.index - 1;
            delta = u.address[k] - u.obj.sections[k].start;
            target = "section " + u.obj.sections[k].name;
        } else {
            const objfile::Symbol& sym = u.obj.symbols[r.index - nsec - 1];
            if (!global_value(sym.name, delta)) {
                diag_.error(u.name, 0, "symbol " + sym.name + " not defined");
                return;
            }
            target = sym.name;
            zpage = sym.flags & 0x08;
        }
        bool hilo = sec.attr & SEC_HILO;
        size_t at = base + r.offset;
        // A word field holds its offset as the assembler took it (-32768..
        // 65535), and the relocated value must fit the same range, or it
        // would be cut. A byte field is the low byte of the value by the
        // object format (low(x) makes one too), so only a direct-page import
        // must fit it (-128..255).
        auto fits = [&](int n) {
            uint32_t field = get(b, at, n, hilo);
            int64_t offset = n == 1 ? static_cast<int8_t>(field) : static_cast<int16_t>(field);
            int64_t value = offset + static_cast<int32_t>(delta);
            int64_t low = n == 1 ? -128 : -32768, high = n == 1 ? 0xFF : 0xFFFF;
            if (value >= low && value <= high) return true;
            diag_.error(u.name, 0, "value too large: " + target);
            return false;
        };
        switch (r.kind) {
        case 0:
            if (!zpage || fits(1)) put(b, at, 1, hilo, get(b, at, 1, hilo) + delta);
            break;
        case 1:
            if (fits(2)) put(b, at, 2, hilo, get(b, at, 2, hilo) + delta);
            break;
        case 2: put(b, at, 4, hilo, get(b, at, 4, hilo) + delta); break;
        case 4: put(b, at, 1, hilo, ((r.high | get(b, at, 1, hilo)) + delta) >> 8); break;
        case 6: put(b, at, 1, hilo, ((r.high | get(b, at, 1, hilo)) + delta) >> 16); break;
        case 7: put(b, at, 2, hilo, ((r.high | get(b, at, 2, hilo)) + delta) >> 16); break;
        default: diag_.error(u.name, 0, "relocation of unknown kind " + std::to_string(r.kind)); break;
        }
    }

    void write_table() {
        if (state_.host < 0) return;
        Segment& host = state_.segments[static_cast<size_t>(state_.host)];
        size_t at = host.table_offset;
        uint32_t image = host.address + host.table_offset + state_.table_size;
        auto word = [&](uint32_t v) {
            put(host.bytes, at, 2, true, v);
            at += 2;
        };
        size_t image_at = host.table_offset + state_.table_size;
        for (const Segment& s : state_.segments)
            if (copied(s)) {
                word(static_cast<uint32_t>(s.size));
                word(s.address);
                word(image);
                std::copy(s.bytes.begin(), s.bytes.end(), host.bytes.begin() + static_cast<long>(image_at));
                image += static_cast<uint32_t>(s.size);
                image_at += s.size;
            }
        word(0);
        for (const Segment& s : state_.segments)
            if (cleared(s)) {
                word(static_cast<uint32_t>(s.size));
                word(s.address);
            }
        word(0);
    }

    // ---------------------------------------------------------- output

    std::vector<uint8_t> program() {
        std::vector<OutSection> sections;
        for (Segment& s : state_.segments) {
            bool used = !s.parts.empty() || static_cast<int>(&s - state_.segments.data()) == state_.host;
            if (!used) continue;
            OutSection o;
            o.name = s.input;
            o.address = s.address;
            o.size = static_cast<uint32_t>(s.size);
            bool bytes = s.holds_bytes() && !copied(s) && !(s.line && s.line->symbols_only) &&
                         (!options_.symbols_only || s.debug);
            o.data = bytes ? &s.bytes : nullptr;
            o.attr = static_cast<uint8_t>((s.attr & ~SEC_BSS) | (s.debug ? 0 : SEC_ABS));
            sections.push_back(o);
            s.output = static_cast<int>(sections.size());
        }
        if (sections.size() > 255) {
            diag_.error(script_.path, 0, "more than 255 segments");
            return {};
        }
        auto out_section = [&](const Unit& u, uint8_t section) -> uint8_t {
            if (section == 0) return 0;
            return static_cast<uint8_t>(state_.segments[static_cast<size_t>(u.segment[section - 1u])].output);
        };
        auto moved = [&](const Unit& u, uint32_t value, uint8_t section) {
            if (section == 0) return value;
            return value - u.obj.sections[section - 1u].start + u.address[section - 1u];
        };
        std::vector<objfile::Symbol> symbols;
        std::vector<objfile::DebugRecord> debug;
        for (size_t ui : state_.order) {
            const Unit& u = state_.units[ui];
            for (const objfile::Symbol& s : u.obj.symbols) {
                if (!defines(s)) continue;
                bool absolute = (s.flags & SF_ABSOLUTE) || s.section == 0;
                symbols.push_back({unit_symbol_value(u, s), static_cast<uint8_t>(s.flags & ~SF_REFERENCED),
                                   absolute ? uint8_t(0) : out_section(u, s.section), s.name});
            }
        }
        for (const DefLine& d : script_.defs) {
            uint32_t v = 0;
            global_value(d.symbol, v);
            symbols.push_back({v, SF_DEFINED | SF_PUBLIC | SF_ABSOLUTE, 0, d.symbol});
        }
        if (state_.host >= 0) {
            uint32_t v = 0;
            global_value(INIT_TABLE, v);
            symbols.push_back({v, SF_DEFINED | SF_PUBLIC,
                               static_cast<uint8_t>(state_.segments[static_cast<size_t>(state_.host)].output),
                               INIT_TABLE});
        }
        for (size_t ui : state_.order) {
            const Unit& u = state_.units[ui];
            for (const objfile::DebugRecord& d : u.obj.debug)
                debug.push_back({moved(u, d.value, d.section), d.kind, out_section(u, d.section), d.text});
        }
        std::vector<uint8_t> image = write_program(sections, symbols, debug);
        if (image.size() > UINT32_MAX) {
            diag_.error(script_.path, 0, "program too large");
            return {};
        }
        return image;
    }
};

}  // namespace

LinkResult link(const LinkScript& script, const LinkOptions& options, Diagnostics& diag) {
    Linker linker(script, options, diag);
    return linker.run();
}

}  // namespace lomar
