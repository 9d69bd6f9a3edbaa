// Object-file reader and printer for tests and the objdump11 tool.
#include "ccasm/tools/objfile.h"

#include <cstdio>
#include <new>

#include "ccparse/toolkit/toolkit.h"
#include "support/file_read.h"
#include "support/one_line.h"

namespace objfile {
namespace {

struct Reader {
    const std::vector<uint8_t>& b;
    size_t pos = 0;
    bool ok = true;
    bool need(size_t n) {
        if (!ok || n > b.size() || pos > b.size() - n) ok = false;
        return ok;
    }
    uint8_t u8() { return need(1) ? b[pos++] : 0; }
    uint32_t u32() {
        if (!need(4)) return 0;
        uint32_t v = (uint32_t(b[pos]) << 24) | (uint32_t(b[pos + 1]) << 16) | (uint32_t(b[pos + 2]) << 8) | b[pos + 3];
        pos += 4;
        return v;
    }
    std::string text(size_t n) {
        if (!need(n)) return {};
        std::string s(b.begin() + static_cast<long>(pos), b.begin() + static_cast<long>(pos + n));
        pos += n;
        return s;
    }
};

bool slice(const std::vector<uint8_t>& image, uint32_t offset, uint32_t size, std::vector<uint8_t>& out) {
    if (offset > image.size() || size > image.size() - offset) return false;
    out.assign(image.begin() + offset, image.begin() + offset + size);
    return true;
}

std::string hex(uint32_t v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*x", digits, v);
    return buf;
}

std::string section_attributes(uint8_t attr) {
    static const char* const names[] = {"bss", "hilo", "even", "zpage", "abs", "bit", "long", "code"};
    std::string s;
    for (int i = 0; i < 8; ++i)
        if (attr & (1 << i)) {
            if (!s.empty()) s += ',';
            s += names[i];
        }
    return s.empty() ? "-" : s;
}

std::string symbol_flags(uint8_t flags) {
    static const char* const names[] = {"defined", "referenced", "public", "zpage", "absolute", "bit", "long", "0x80"};
    std::string s;
    for (int i = 0; i < 8; ++i)
        if (flags & (1 << i)) {
            if (!s.empty()) s += ',';
            s += names[i];
        }
    return s.empty() ? "-" : s;
}

std::string quoted(const std::string& text) {
    std::string s = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            s += "\\x" + hex(c, 2);
        } else {
            s += static_cast<char>(c);
        }
    }
    return s + "\"";
}

}  // namespace

const Section* Object::find(const std::string& name) const {
    for (const Section& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

bool decode_relocations(const std::vector<uint8_t>& stream, std::vector<Relocation>& out, std::string& error) {
    out.clear();
    uint32_t pos = 0;
    size_t i = 0;
    auto byte = [&](uint8_t& b) {
        if (i >= stream.size()) return false;
        b = stream[i++];
        return true;
    };
    while (i < stream.size()) {
        uint8_t first = stream[i++];
        if (first < 0x40) {
            if (first == 0) {
                error = "relocation stream: zero byte at " + std::to_string(i - 1);
                return false;
            }
            pos += first;
            continue;
        }
        if (first < 0x80) {
            uint8_t low;
            if (!byte(low)) {
                error = "relocation stream: short gap";
                return false;
            }
            pos += (uint32_t(first & 0x3F) << 8) | low;
            continue;
        }
        Relocation r;
        r.offset = pos;
        r.kind = first & 0x1F;
        r.wide_index = first & 0x20;
        uint8_t b0 = 0, b1 = 0, b2 = 0;
        if (!byte(b0) || (r.wide_index && !byte(b1))) {
            error = "relocation stream: short index";
            return false;
        }
        r.index = b0;
        if (r.wide_index) {
            r.index = (uint32_t(b0) << 8) | b1;
        }
        int field = 1;
        switch (r.kind) {
        case 0: field = 1; break;
        case 1: field = 2; break;
        case 2: field = 4; break;
        case 4: case 6:
            if (!byte(b0) || !byte(b1) || !byte(b2)) {
                error = "relocation stream: short addend";
                return false;
            }
            r.high = (uint32_t(b0) << 24) | (uint32_t(b1) << 16) | (uint32_t(b2) << 8);
            field = 1;
            break;
        case 7:
            if (!byte(b0) || !byte(b1)) {
                error = "relocation stream: short addend";
                return false;
            }
            r.high = (uint32_t(b0) << 24) | (uint32_t(b1) << 16);
            field = 2;
            break;
        default:
            error = "relocation stream: unknown kind " + std::to_string(r.kind);
            return false;
        }
        out.push_back(r);
        pos += static_cast<uint32_t>(field);
    }
    return true;
}

bool read(const std::vector<uint8_t>& image, Object& obj, std::string& error, bool relocations) {
    obj = Object();
    Reader r{image};
    obj.magic = r.u8();
    obj.model1 = r.u8();
    obj.model2 = r.u8();
    uint8_t nsections = r.u8();
    obj.symbol_count = r.u32();
    obj.symbol_offset = r.u32();
    obj.symbol_bytes = r.u32();
    obj.debug_count = r.u32();
    obj.debug_offset = r.u32();
    obj.debug_bytes = r.u32();
    if (!r.ok) {
        error = "short header";
        return false;
    }
    if (obj.magic != 0xCC && obj.magic != 0xCD) {
        error = "not an object file (first byte 0x" + hex(obj.magic, 2) + ")";
        return false;
    }
    for (int i = 0; i < nsections; ++i) {
        Section s;
        s.attr = r.u8();
        s.name_length = r.u8();
        std::string name = r.text(14);
        s.name = name.substr(0, s.name_length & 0x0F);
        s.data_offset = r.u32();
        s.size = r.u32();
        s.reloc_offset = r.u32();
        s.reloc_size = r.u32();
        s.start = r.u32();
        s.start2 = r.u32();
        if (!r.ok) {
            error = "short section record " + std::to_string(i + 1);
            return false;
        }
        if (!(s.attr & 0x01)) {
            if (!slice(image, s.data_offset, s.size, s.data) ||
                (relocations && !slice(image, s.reloc_offset, s.reloc_size, s.reloc))) {
                error = "section " + s.name + ": data or relocations outside the file";
                return false;
            }
            if (!decode_relocations(s.reloc, s.relocations, error)) {
                error = "section " + s.name + ": " + (error.empty() ? "truncated relocation stream" : error);
                return false;
            }
        }
        obj.sections.push_back(std::move(s));
    }
    Reader sr{image};
    sr.pos = obj.symbol_offset;
    size_t end = size_t(obj.symbol_offset) + obj.symbol_bytes;
    if (end > image.size()) {
        error = "symbols outside the file";
        return false;
    }
    for (uint32_t i = 0; i < obj.symbol_count; ++i) {
        Symbol s;
        s.value = sr.u32();
        s.flags = sr.u8();
        s.section = sr.u8();
        uint8_t len = sr.u8();
        s.name = sr.text(len);
        if (!sr.ok || sr.pos > end) {
            error = "short symbol record " + std::to_string(i + 1);
            return false;
        }
        obj.symbols.push_back(std::move(s));
    }
    if (sr.pos != end) {
        error = "symbol bytes do not match the symbol count";
        return false;
    }
    Reader dr{image};
    dr.pos = obj.debug_offset;
    end = size_t(obj.debug_offset) + obj.debug_bytes;
    if (end > image.size()) {
        error = "debug records outside the file";
        return false;
    }
    for (uint32_t i = 0; i < obj.debug_count; ++i) {
        DebugRecord d;
        d.value = dr.u32();
        d.kind = dr.u8();
        d.section = dr.u8();
        uint8_t len = dr.u8();
        d.text = dr.text(len);
        if (!dr.ok || dr.pos > end) {
            error = "short debug record " + std::to_string(i + 1);
            return false;
        }
        obj.debug.push_back(std::move(d));
    }
    if (dr.pos != end) {
        error = "debug bytes do not match the debug count";
        return false;
    }
    if (!relocations) return true;
    // One index space: sections from 1, then the numbered (public) symbols,
    // which come first among the symbol records.
    size_t numbered = 0;
    while (numbered < obj.symbols.size() && (obj.symbols[numbered].flags & 0x04)) ++numbered;
    for (const Section& s : obj.sections)
        for (const Relocation& rel : s.relocations) {
            uint32_t field = rel.kind == 2 ? 4 : rel.kind == 1 || rel.kind == 7 ? 2 : 1;
            if (rel.index == 0 || rel.index > obj.sections.size() + numbered) {
                error = "section " + s.name + ": relocation at 0x" + hex(rel.offset, 4) + " has index " +
                        std::to_string(rel.index);
                return false;
            }
            if (rel.offset > s.size || field > s.size - rel.offset) {
                error = "section " + s.name + ": relocation at 0x" + hex(rel.offset, 4) + " outside the data";
                return false;
            }
        }
    return true;
}

bool read_file(const std::string& path, Object& obj, std::string& error) {
    FILE* f = path.find('\0') == std::string::npos ? std::fopen(path.c_str(), "rb") : nullptr;
    if (!f) {
        error = "can't open " + path;
        return false;
    }
    std::vector<uint8_t> image;
    vy::FileRead result = vy::read_whole(f, image);
    std::fclose(f);
    if (result != vy::FileRead::ok) {
        error = vy::file_read_message(result);
        return false;
    }
    return read(image, obj, error);
}

int objdump(const std::vector<std::string>& paths, std::string& out, std::string& errors) {
    int status = 0;
    for (const std::string& path : paths) {
        vy::set_input_name(path);
        Object obj;
        std::string error;
        if (!read_file(path, obj, error)) {
            errors += "objdump11: " + vy::one_line(path) + ": " + vy::one_line(error) + "\n";
            status = 1;
            continue;
        }
        if (paths.size() > 1) out += vy::one_line(path) + ":\n";
        out += dump(obj);
    }
    return status;
}

int objdump_main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::setprogname(argv[0]);
    if (argc < 2) {
        std::fputs("usage: objdump11 file...\n", stderr);
        return 1;
    }
    std::string out, errors;
    int status = objdump(std::vector<std::string>(argv + 1, argv + argc), out, errors);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return status;
}

std::string dump(const Object& obj) {
    std::string out;
    out += "header: magic 0x" + hex(obj.magic, 2) + " model " + std::to_string(obj.model1) + "," +
           std::to_string(obj.model2) + " sections " + std::to_string(obj.sections.size()) + " symbols " +
           std::to_string(obj.symbol_count) + " (offset 0x" + hex(obj.symbol_offset, 0) + ", " +
           std::to_string(obj.symbol_bytes) + " bytes) debug " + std::to_string(obj.debug_count) + " (offset 0x" +
           hex(obj.debug_offset, 0) + ", " + std::to_string(obj.debug_bytes) + " bytes)\n";
    for (size_t i = 0; i < obj.sections.size(); ++i) {
        const Section& s = obj.sections[i];
        out += "section " + std::to_string(i + 1) + " " + vy::one_line(s.name) + " attr 0x" + hex(s.attr, 2) + " (" +
               section_attributes(s.attr) + ") size " + std::to_string(s.size) + " start 0x" + hex(s.start, 4);
        if (s.start2 != s.start) out += "/0x" + hex(s.start2, 4);
        if (!(s.attr & 0x01))
            out += " data @0x" + hex(s.data_offset, 0) + " reloc @0x" + hex(s.reloc_offset, 0) + " (" +
                   std::to_string(s.reloc_size) + " bytes)";
        out += "\n";
        for (size_t p = 0; p < s.data.size(); p += 16) {
            out += "  " + hex(static_cast<uint32_t>(p), 4) + ":";
            for (size_t k = p; k < s.data.size() && k < p + 16; ++k) out += " " + hex(s.data[k], 2);
            out += "\n";
        }
        for (const Relocation& r : s.relocations) {
            out += "  reloc " + hex(r.offset, 4) + " kind " + std::to_string(r.kind) + " index " + std::to_string(r.index);
            if (r.wide_index) out += " (wide)";
            if (r.kind == 4 || r.kind == 6 || r.kind == 7) out += " high 0x" + hex(r.high, 8);
            out += "\n";
        }
    }
    for (size_t i = 0; i < obj.symbols.size(); ++i) {
        const Symbol& s = obj.symbols[i];
        out += "symbol " + std::to_string(i + 1) + " " + vy::one_line(s.name) + " value 0x" + hex(s.value, 4) + " flags 0x" +
               hex(s.flags, 2) + " (" + symbol_flags(s.flags) + ") section " + std::to_string(s.section) + "\n";
    }
    for (size_t i = 0; i < obj.debug.size(); ++i) {
        const DebugRecord& d = obj.debug[i];
        out += "debug " + std::to_string(i + 1) + " kind 0x" + hex(d.kind, 2) + " value 0x" + hex(d.value, 4) +
               " section " + std::to_string(d.section) + " " + quoted(d.text) + "\n";
    }
    return out;
}

}  // namespace objfile
