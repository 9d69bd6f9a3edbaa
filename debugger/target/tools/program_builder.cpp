#include "debugger/target/tools/program_builder.h"

#include <set>
#include <stdexcept>

namespace vy::progbuild {

Var var(const std::string& name, uint8_t cls, uint32_t value, uint32_t type, std::vector<uint32_t> detail,
        const std::string& members, uint32_t regnumber) {
    Var v;
    v.name = name;
    v.cls = cls;
    v.value = value;
    v.type = type;
    v.detail = std::move(detail);
    v.members = members;
    v.regnumber = regnumber;
    return v;
}

void Tree::label(const std::string& name) { labels_[name] = here(); }

void Tree::word(uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
}

void Tree::link(const std::string& name) {
    if (!name.empty()) links_.emplace_back(here(), name);
    word(0);
}

void Tree::type(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
}

void Tree::byte(uint8_t value) { bytes_.push_back(value); }

void Tree::string(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
}

uint32_t Tree::at(const std::string& name) const {
    auto found = labels_.find(name);
    if (found == labels_.end()) throw std::runtime_error("no label " + name);
    return found->second;
}

std::vector<std::pair<uint32_t, uint32_t>> Tree::links() const {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const auto& [offset, name] : links_) out.emplace_back(offset, at(name));
    return out;
}

std::vector<uint8_t> Tree::finish() const {
    std::vector<uint8_t> out = bytes_;
    for (const auto& [offset, name] : links_) {
        uint32_t v = at(name);
        for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
    return out;
}

static void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Object::traileroffset() const {
    uint32_t at = 28 + 40 * static_cast<uint32_t>(sections.size());
    for (const Section& s : sections) at += static_cast<uint32_t>(s.data.size());
    for (const Symbol& s : symbols) at += 7 + static_cast<uint32_t>(s.name.size());
    for (const Record& r : records) at += 7 + static_cast<uint32_t>(r.text.size());
    return at;
}

std::vector<uint8_t> Object::write() const {
    std::vector<uint8_t> head, body;
    uint32_t at = 28 + 40 * static_cast<uint32_t>(sections.size());
    std::vector<uint8_t> records_;
    for (const Section& s : sections) {
        head.push_back(s.attr);
        head.push_back(static_cast<uint8_t>(s.namelength < 0 ? s.name.size() : s.namelength));
        for (std::size_t i = 0; i < 14; ++i) head.push_back(i < s.name.size() ? static_cast<uint8_t>(s.name[i]) : 0);
        bool bss = s.attr & 1;
        uint32_t size = bss ? s.bsssize : static_cast<uint32_t>(s.data.size());
        put32(head, bss ? 0 : at);
        put32(head, size);
        put32(head, bss ? 0 : at + size);
        put32(head, 0);
        put32(head, s.first);
        put32(head, s.second);
        if (!bss) {
            body.insert(body.end(), s.data.begin(), s.data.end());
            at += size;
        }
    }
    uint32_t symbolsat = at, symbolbytes = 0;
    for (const Symbol& s : symbols) {
        put32(body, s.value);
        body.push_back(s.flags);
        body.push_back(s.section);
        body.push_back(static_cast<uint8_t>(s.name.size()));
        body.insert(body.end(), s.name.begin(), s.name.end());
        symbolbytes += 7 + static_cast<uint32_t>(s.name.size());
    }
    uint32_t debugat = symbolsat + symbolbytes, debugbytes = 0;
    for (const Record& r : records) {
        put32(body, r.value);
        body.push_back(r.kind);
        body.push_back(r.section);
        body.push_back(static_cast<uint8_t>(r.text.size()));
        body.insert(body.end(), r.text.begin(), r.text.end());
        debugbytes += 7 + static_cast<uint32_t>(r.text.size());
    }
    body.insert(body.end(), trailer.begin(), trailer.end());
    std::vector<uint8_t> out = {magic, 1, 4, static_cast<uint8_t>(sections.size())};
    put32(out, static_cast<uint32_t>(symbols.size()));
    put32(out, symbolsat);
    put32(out, symbolbytes);
    put32(out, static_cast<uint32_t>(records.size()));
    put32(out, debugat);
    put32(out, debugbytes);
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

namespace {

constexpr uint8_t TEXT = 1, DEBUG = 2;

// A debug record whose value is a tree label, resolved at the end.
struct TreeRecord {
    uint8_t kind;
    std::string label;
    uint32_t plus;
    std::string text;
};

struct Writer {
    const Program& program;
    Tree tree;
    std::vector<TreeRecord> treerecords;
    std::vector<Record> coderecords;
    std::vector<Symbol> symbols;
    std::vector<uint8_t> codebytes;
    uint32_t address;
    Built built;
    int serial = 0;

    explicit Writer(const Program& p) : program(p), address(p.codebase) {}

    std::string fresh(const std::string& what) { return what + "#" + std::to_string(serial++); }

    // The variable list at the label: entries, the zero entry, then names
    // and details.
    void varlist(const std::string& list, const std::vector<Var>& vars, bool regmap) {
        std::vector<std::string> names, details;
        tree.label(list);
        for (const Var& v : vars) {
            names.push_back(fresh("name"));
            bool detail = regmap || !v.detail.empty() || !v.members.empty();
            details.push_back(detail ? fresh("detail") : "");
            tree.link(names.back());
            tree.word(v.value);
            tree.type(v.type);
            tree.link(details.back());
        }
        for (int i = 0; i < 4; ++i) tree.word(0);
        for (std::size_t i = 0; i < vars.size(); ++i) {
            const Var& v = vars[i];
            tree.label(names[i]);
            tree.string(v.name);
            tree.byte(v.cls);
            if (v.cls == 5) tree.word(v.regnumber);
            if (details[i].empty()) continue;
            tree.label(details[i]);
            if (regmap) tree.word(v.regmask);
            for (uint32_t w : v.detail) tree.word(w);
            if (!v.members.empty()) tree.link(v.members);
        }
    }

    void record(uint8_t kind, const std::string& text) {
        coderecords.push_back({address, kind, TEXT, text});
    }

    void function(const File& file, const Function& fn, const std::string& label, const std::string& next,
                  uint32_t& line) {
        bool regmap = !file.regmap.empty();
        std::string name = fn.name.empty() ? "" : fresh("fname");
        std::string detail = fn.typedetail.empty() && fn.typemembers.empty() ? "" : fresh("typedetail");
        std::string ref = fresh("ref");
        tree.label(label);
        tree.link(next);
        tree.link("file:" + file.name);
        tree.link(name);
        uint32_t first = fn.first ? fn.first : line;
        uint32_t last = fn.last ? fn.last : first + static_cast<uint32_t>(fn.lines) + 2;
        tree.word(first);
        tree.word(last);
        tree.type(fn.type);
        tree.link(detail);
        std::string vars = fresh("varlist");
        tree.link(fn.vars.empty() ? "" : vars);
        tree.link(ref);
        if (!name.empty()) {
            tree.label(name);
            tree.string(fn.name);
            tree.byte(fn.cls);
        }
        if (!detail.empty()) {
            tree.label(detail);
            if (regmap) tree.word(0);
            for (uint32_t w : fn.typedetail) tree.word(w);
            if (!fn.typemembers.empty()) tree.link(fn.typemembers);
        }
        if (!fn.vars.empty()) varlist(vars, fn.vars, regmap);
        tree.label(ref);
        tree.word(static_cast<uint32_t>(fn.called.size()));
        tree.word(static_cast<uint32_t>(fn.refs.size()));
        std::string qualified = file.name + "~" + fn.name;
        treerecords.push_back({2, label, 0, qualified});
        for (const std::string& c : fn.called) treerecords.push_back({65, ref, 0, "~" + c});
        for (const std::string& r : fn.refs) treerecords.push_back({65, ref, 4, "~" + r});

        Placed placed{file.name, fn.name, 0, 0, 0, 0, first, last, {}};
        if (fn.hascode) code(file, fn, qualified, first, last, &placed);
        built.funcs.push_back(placed);
        line = last + 1;
    }

    // The code of a function with its start, set-up, line, exit and end records.
    void code(const File& file, const Function& fn, const std::string& qualified, uint32_t first, uint32_t last,
              Placed* out) {
        Placed placed{file.name, fn.name, 0, 0, 0, 0, first, last, {}};
        placed.start = static_cast<uint16_t>(address);
        record(32, qualified + ":" + (fn.plus ? "+" : "") + std::to_string(first) + "-" + std::to_string(first + 1));
        if (fn.setup) record(1, qualified + ":-4.6");
        for (int i = 0; i < fn.lines; ++i) {
            uint32_t l = first + 2 + static_cast<uint32_t>(i);
            record(8, file.name + ":" + std::to_string(l));
            placed.lines.emplace_back(static_cast<uint16_t>(address), l);
            for (uint32_t k = 0; k < program.linebytes; ++k) codebytes.push_back(0x01);
            address += program.linebytes;
        }
        placed.exit = static_cast<uint16_t>(address);
        record(4, qualified + ":0");
        codebytes.push_back(0x39);
        address += 1;
        placed.end = static_cast<uint16_t>(address);
        record(16, file.name + ":" + std::to_string(last) + "-" + std::to_string(last));
        if (!fn.name.empty()) symbols.push_back({placed.start, 0x05, TEXT, "_" + fn.name});
        if (out) *out = placed;
    }

    void file(const File& f) {
        std::string fname = fresh("filename");
        tree.label("file:" + f.name);
        tree.link(fname);
        std::vector<const Function*> nodes;
        for (const Function& fn : f.funcs)
            if (fn.intree) nodes.push_back(&fn);
        std::vector<std::string> labels;
        for (std::size_t i = 0; i < nodes.size(); ++i) labels.push_back(fresh("func"));
        std::string scope = fresh("scope");
        tree.link(labels.empty() ? scope : labels[0]);
        tree.label(fname);
        tree.string(f.name);
        tree.byte(0x8C);
        treerecords.push_back({64, "file:" + f.name, 0, f.name});
        uint32_t line = 1;
        for (std::size_t i = 0; i < nodes.size(); ++i)
            function(f, *nodes[i], labels[i], i + 1 < labels.size() ? labels[i + 1] : scope, line);
        for (const Function& fn : f.funcs)
            if (!fn.intree) code(f, fn, f.name + "~" + fn.name, line, line + static_cast<uint32_t>(fn.lines) + 2, nullptr);
        tree.label(scope);
        tree.word(0);
        tree.link("file:" + f.name);
        tree.word(0);
        tree.word(1);
        tree.word(line);
        tree.type(0);
        tree.word(0);
        std::string globals = fresh("globals");
        tree.link(f.globals.empty() ? "" : globals);
        tree.word(0);
        if (!f.globals.empty()) varlist(globals, f.globals, !f.regmap.empty());
        for (const Var& v : f.globals)
            if (v.cls == 1 || v.cls == 6) symbols.push_back({v.value, 0x15, 0, "_" + v.name});
        for (const auto& [name, text] : f.defines) {
            std::string at = fresh("define");
            tree.label(at);
            tree.string(text);
            treerecords.push_back({65, at, 0, "~#" + name});
        }
        if (!f.regmap.empty()) {
            std::string word = fresh("optword"), map = fresh("regmap");
            tree.label(word);
            tree.link(map);
            tree.label(map);
            for (uint16_t r : f.regmap) tree.word(r);
            treerecords.push_back({128, word, 0, f.name});
        }
    }
    void memberlist(const Members& m) {
        std::string tag = m.tag.empty() ? "" : fresh("tag");
        std::vector<std::string> names, details;
        tree.label(m.label);
        tree.link(tag);
        for (const Var& v : m.members) {
            names.push_back(fresh("mname"));
            details.push_back(v.detail.empty() && v.members.empty() ? "" : fresh("mdetail"));
            tree.link(names.back());
            tree.word(v.value);
            tree.type(v.type);
            tree.link(details.back());
        }
        tree.word(0);
        tree.word(m.size);
        tree.word(0);
        tree.word(0);
        if (!tag.empty()) {
            tree.label(tag);
            tree.string(m.tag);
        }
        for (std::size_t i = 0; i < m.members.size(); ++i) {
            tree.label(names[i]);
            tree.string(m.members[i].name);
            tree.byte(m.members[i].cls);
            if (details[i].empty()) continue;
            tree.label(details[i]);
            for (uint32_t w : m.members[i].detail) tree.word(w);
            if (!m.members[i].members.empty()) tree.link(m.members[i].members);
        }
    }
};

}  // namespace

Built build(const Program& program) {
    Writer w(program);
    for (const File& f : program.files) w.file(f);
    for (const Members& m : program.members) w.memberlist(m);
    std::vector<uint8_t> tree = w.tree.finish();

    Object obj;
    obj.magic = program.magic;
    obj.sections.push_back({".text", 0x92, program.codebase, program.codebase, w.codebytes});
    obj.sections.push_back({".debug", 0x02, 0, 0, tree});
    obj.symbols = w.symbols;
    for (const TreeRecord& r : w.treerecords)
        obj.records.push_back({w.tree.at(r.label) + r.plus, r.kind, DEBUG, r.text});
    obj.records.insert(obj.records.end(), w.coderecords.begin(), w.coderecords.end());

    Built built = std::move(w.built);
    for (Placed& p : built.funcs) p.node = 0;
    std::size_t k = 0;
    for (const TreeRecord& r : w.treerecords)
        if (r.kind == 2) built.funcs[k++].node = w.tree.at(r.label);
    built.image = obj.write();
    built.object = obj;
    built.tree = tree;
    built.links = w.tree.links();
    built.labels = w.tree.labels();
    built.codeend = static_cast<uint16_t>(w.address);
    return built;
}

std::string treesource(const Built& built) {
    std::map<uint32_t, uint32_t> links(built.links.begin(), built.links.end());
    std::map<uint32_t, std::vector<const Record*>> records;
    std::set<uint32_t> targets;
    for (const auto& [at, to] : built.links) targets.insert(to);
    for (const Record& r : built.object.records)
        if (r.section == DEBUG) records[r.value].push_back(&r);
    auto label = [](uint32_t offset) { return "T_" + std::to_string(offset); };
    auto directive = [](uint8_t kind) {
        switch (kind) {
        case 2: return ".dtable";
        case 64: return ".dfile";
        case 65: return ".dstring";
        default: return ".dopt";
        }
    };
    std::string out = "\tswitch\t.debug\n";
    const std::vector<uint8_t>& tree = built.tree;
    uint32_t size = static_cast<uint32_t>(tree.size());
    for (uint32_t at = 0; at < size || records.count(at) || targets.count(at);) {
        if (targets.count(at)) out += label(at) + ":\n";
        bool optword = false;
        if (auto r = records.find(at); r != records.end()) {
            for (const Record* rec : r->second) {
                out += std::string("\t") + directive(rec->kind) + "\t\"" + rec->text + "\"";
                if (rec->kind >= 128 && links.count(at)) {
                    out += "," + label(links[at]);
                    optword = true;
                }
                out += "\n";
            }
        }
        if (optword) {
            at += 4;
            continue;
        }
        if (at >= size) break;
        if (auto l = links.find(at); l != links.end()) {
            out += "\tdc.l\t" + label(l->second) + "\n";
            at += 4;
            continue;
        }
        // Bytes up to the next place that needs its own line.
        std::string bytes;
        uint32_t n = 0;
        do {
            bytes += (n ? "," : "") + std::to_string(tree[at]);
            ++at;
            ++n;
        } while (at < size && n < 16 && !links.count(at) && !records.count(at) && !targets.count(at));
        out += "\tdc.b\t" + bytes + "\n";
    }
    return out;
}

std::vector<uint8_t> writeold(uint8_t first, uint8_t symformat, const std::vector<OldSection>& sections,
                               const std::vector<uint8_t>& symbols, const std::vector<OldRecord>& records) {
    bool short0 = first == 0x9D;
    uint32_t sectionsat = short0 ? 16 : 26;
    uint32_t at = sectionsat + 40 * static_cast<uint32_t>(sections.size());
    std::vector<uint8_t> heads, body;
    for (const OldSection& s : sections) {
        std::vector<uint8_t> h = {0, s.attr};
        for (std::size_t i = 0; i < 14; ++i) h.push_back(i < s.name.size() ? static_cast<uint8_t>(s.name[i]) : 0);
        put32(h, s.first);
        put32(h, s.second);
        put32(h, s.data.empty() ? 0 : at + static_cast<uint32_t>(body.size()));
        put32(h, static_cast<uint32_t>(s.data.size()));
        h.resize(40, 0);
        heads.insert(heads.end(), h.begin(), h.end());
        body.insert(body.end(), s.data.begin(), s.data.end());
    }
    uint32_t symat = at + static_cast<uint32_t>(body.size());
    body.insert(body.end(), symbols.begin(), symbols.end());
    uint32_t debugat = at + static_cast<uint32_t>(body.size());
    for (const OldRecord& r : records) {
        body.push_back(static_cast<uint8_t>(r.value >> 8));
        body.push_back(static_cast<uint8_t>(r.value));
        body.push_back(r.kind);
        body.push_back(0);
        if (first == 0xC3) body.push_back(r.section);
        body.push_back(static_cast<uint8_t>(r.text.size()));
        body.insert(body.end(), r.text.begin(), r.text.end());
    }
    std::vector<uint8_t> out = {first, symformat, 0, 0, 0, static_cast<uint8_t>(sections.size())};
    out.resize(8, 0);
    if (short0) {
        put32(out, symat);
        put32(out, static_cast<uint32_t>(symbols.size()));
    } else {
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(records.size()));
        put32(out, 0);
        put32(out, debugat);
        put32(out, symat);
        put32(out, static_cast<uint32_t>(symbols.size()));
    }
    out.resize(sectionsat, 0);
    out.insert(out.end(), heads.begin(), heads.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> oldsymbol(uint16_t value, uint8_t type, uint8_t section, const std::string& name) {
    std::vector<uint8_t> s;
    s.reserve(5 + name.size());
    for (uint8_t b : {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value), type, section,
                      static_cast<uint8_t>(name.size())})
        s.push_back(b);
    for (char c : name) s.push_back(static_cast<uint8_t>(c));
    return s;
}

}  // namespace vy::progbuild
