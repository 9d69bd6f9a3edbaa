// A decoder of the intermediate file, from its record layouts: u8, u16 and
// u32 least significant byte first; names as length (bytes + 1), number,
// attribute and bytes; types as machine type, optional attribute word and the
// extra bytes of pointers, bit-fields and structures.
#include "ccparse/tools/irdecode.h"

#include "ccparse/toolkit/toolkit.h"
#include "support/file_read.h"
#include "support/one_line.h"

#include <cstdio>
#include <new>
#include <cstring>

namespace vy::irdump {

namespace {

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool at_end() const { return pos_ >= bytes_.size(); }
    std::size_t pos() const { return pos_; }
    bool failed() const { return failed_; }
    std::uint8_t peek() const { return pos_ < bytes_.size() ? bytes_[pos_] : 0; }

    std::uint8_t u8() {
        if (pos_ >= bytes_.size()) {
            failed_ = true;
            return 0;
        }
        return bytes_[pos_++];
    }
    std::uint16_t u16() {
        std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(u8()) << (8 * i);
        return v;
    }
    std::string bytes(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n && !failed_; ++i) s += static_cast<char>(u8());
        return s;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

std::string hex(std::uint32_t v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*x", digits, v);
    return buf;
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string name(Reader& r) {
    std::uint8_t len = r.u8();
    std::uint16_t number = r.u16();
    if (len == 0) return std::string("name=- num=") + std::to_string(number);
    std::uint8_t attr = r.u8();
    std::string text = r.bytes(len - 1u);
    return std::string("name=") + quoted(text) + std::string(" num=") + std::to_string(number) + std::string(" nattr=") + hex(attr, 2);
}

const char* const machine_names[] = {"none", "char", "uchar", "int", "field", "uint", "long", "lfield",
                                     "ulong", "float", "double", "ptr", "sreal", "cfield", "struct"};

std::string type(Reader& r) {
    std::uint8_t byte = r.u8();
    std::uint8_t machine = byte & 0x7F;
    std::string out = machine < 15 ? machine_names[machine] : std::string("type") + std::to_string(machine);
    if (byte & 0x80) out += std::string("@") + hex(r.u16(), 4);
    switch (machine) {
    case 11: out += std::string("[") + hex(r.u16(), 4) + "]"; break;
    case 4:
    case 7:
    case 13: {
        int offset = r.u8();
        int width = r.u8();
        out += std::string("[") + std::to_string(offset) + std::string(":") + std::to_string(width) + "]";
        break;
    }
    case 14: out += std::string("[") + std::to_string(r.u32()) + "]"; break;
    default: break;
    }
    return out;
}

// The C operator of a tree node code, as the record layouts pair them
// (null for a code that has none).
const char* node_name(std::uint8_t code) {
    struct Row {
        std::uint8_t code;
        const char* name;
    };
    static const Row rows[] = {
        {222, "+"},   {216, "-"},    {226, "*"},    {133, "/"},      {153, "%"},      {151, "<<"}, {160, ">>"},
        {193, "&"},   {163, "^"},    {156, "|"},    {149, "<"},      {144, ">="},     {143, ">"},  {150, "<="},
        {148, "=="},  {155, "!="},   {130, "&&"},   {157, "||"},     {136, "="},      {142, "+="}, {139, "-="},
        {145, "*="},  {135, "/="},   {140, "%="},   {137, "<<="},    {138, ">>="},    {134, "&="}, {146, "^="},
        {141, "|="},  {170, "post++"}, {167, "post--"}, {168, ","}, {159, "?:"},     {108, "neg"}, {67, "~"},
        {90, "!"},    {107, "ind"},  {100, "addr"}, {102, "cast"},   {114, "neg-in-place"}, {115, "not-in-place"},
        {169, "call"}, {105, "call"}, {165, "arg"}, {113, "asm"},   {180, "asm"},
    };
    for (const Row& row : rows)
        if (row.code == code) return row.name;
    return nullptr;
}

// The subtrees of a node: none for a leaf (code 0), three for the
// conditional, one for unary codes (below 128) and 113, else two.
int subtrees(std::uint8_t code) {
    if (code == 0) return 0;
    if (code == 159) return 3;
    if (code == 113) return 1;
    return code < 128 ? 1 : 2;
}

// A tree in prefix form: "(code type fields subtrees...)"; 113 and 180 carry
// a text after their first subtree. Read with a stack of open nodes instead
// of recursion, so that a tree of any depth fits.
std::string tree(Reader& r) {
    struct Open {
        std::uint8_t code;
        int done;  // subtrees written
    };
    std::vector<Open> open;
    std::string out;
    while (!r.failed()) {
        std::uint8_t code = r.u8();
        std::uint8_t machine = r.peek() & 0x7F;
        const char* op = node_name(code);
        out += std::string("(") + std::to_string(code) + (op ? std::string(":") + op : std::string()) + " " + type(r);
        if (code != 0) {
            open.push_back({code, 0});
            out += ' ';
            continue;
        }
        std::string leaf_name = name(r);
        std::uint32_t value = r.u32();
        std::uint8_t storage = r.u8();
        std::uint8_t memory = r.u8();
        // Constants of unsigned types (uchar, uint, ulong) read unsigned;
        // offsets of objects signed.
        bool constant = leaf_name == "name=- num=0" && storage == 0;
        bool is_unsigned = constant && (machine == 2 || machine == 5 || machine == 8);
        out += " " + leaf_name + " value=" +
               (is_unsigned ? std::to_string(value) : std::to_string(static_cast<std::int32_t>(value)));
        out += " storage=" + std::to_string(storage) + " mem=" + std::to_string(memory) + ")";
        // Close the nodes whose last subtree this was.
        while (!open.empty()) {
            Open& node = open.back();
            ++node.done;
            if ((node.code == 113 || node.code == 180) && node.done == 1) {
                std::uint8_t n = r.u8();
                std::string text = r.bytes(n ? n - 1u : 0);
                r.u8();  // the terminator
                out += std::string(" text=") + quoted(text);
            }
            if (node.done < subtrees(node.code)) {
                out += ' ';
                break;
            }
            out += ')';
            open.pop_back();
        }
        if (open.empty()) break;
    }
    return out;
}

// One record after its code; false when the code is not a record.
bool record(Reader& r, std::uint8_t code, std::string& out) {
    auto field = [&](const std::string& s) { out += std::string(" ") + s; };
    switch (code) {
    case 19: out += "file"; field(name(r)); break;
    case 20: out += std::string("line ") + std::to_string(r.u16()); break;
    case 203: {
        std::uint8_t n = r.u8();
        out += std::string("asm n=") + std::to_string(n) + std::string(" ") + quoted(r.bytes(n));
        break;
    }
    case 204: {
        std::uint16_t word = r.u16();
        std::uint8_t n = r.u8();
        out += std::string("section word=") + hex(word, 4) + std::string(" ") + (n ? quoted(r.bytes(n)) : std::string("-"));
        break;
    }
    case 186: out += "space"; field(name(r)); break;
    case 131: out += std::string("declare model=") + std::to_string(r.u8()); field(name(r)); break;
    case 199: {
        out += std::string("declare model=") + std::to_string(r.u8());
        field(std::string("attr=") + hex(r.u16(), 4));
        field(name(r));
        break;
    }
    case 201: {
        out += std::string("absolute model=") + std::to_string(r.u8());
        field(name(r));
        field(std::string("address=") + hex(r.u32(), 4));
        break;
    }
    case 132:
    case 134:
    case 144: {
        out += code == 132 ? "public" : code == 134 ? "function" : "extern";
        field(name(r));
        field(std::string("attr=") + hex(r.u16(), 4));
        field(std::string("size=") + std::to_string(r.u32()));
        break;
    }
    case 184: {
        out += std::string("data model=") + std::to_string(r.u8());
        field(std::string("attr=") + hex(r.u16(), 4));
        field(name(r));
        break;
    }
    case 210: out += "end-data"; break;
    case 215:
    case 214:
    case 213: {
        out += code == 215 ? "debug-file" : code == 214 ? "debug-function" : "debug-label";
        field(std::string("model=") + std::to_string(r.u8()));
        field(name(r));
        break;
    }
    case 187: {
        std::uint8_t n = r.u8();
        out += std::string("used ") + quoted(r.bytes(n));
        break;
    }
    case 137: {
        std::uint8_t size = r.u8();
        std::uint32_t value = r.u32();
        out += std::string("int size=") + std::to_string(size) + std::string(" value=") + hex(value, 8);
        break;
    }
    case 133: {
        std::uint8_t size = r.u8();
        std::string raw = r.bytes(8);
        double d = 0;
        if (raw.size() == 8) std::memcpy(&d, raw.data(), 8);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", d);
        out += std::string("real size=") + std::to_string(size) + std::string(" value=") + buf;
        break;
    }
    case 147: out += std::string("zero ") + std::to_string(r.u32()); break;
    case 148: {
        std::uint8_t n = r.u8();
        out += std::string("string n=") + std::to_string(n) + std::string(" ") + quoted(r.bytes(n));
        break;
    }
    case 200:
    case 192:
    case 197: {
        out += code == 200 ? "address4" : code == 192 ? "address2" : "address1";
        field(name(r));
        field(std::string("offset=") + std::to_string(static_cast<std::int32_t>(r.u32())));
        break;
    }
    case 251: {
        std::uint16_t first = r.u16();
        out += std::string("body first=") + std::to_string(first) + std::string(" brace=") + std::to_string(r.u16());
        break;
    }
    case 217: out += std::string("param-type ") + type(r); break;
    case 218: out += std::string("param-size ") + std::to_string(r.u32()); break;
    case 129: out += std::string("frame ") + std::to_string(static_cast<std::int32_t>(r.u32())); break;
    case 211: out += "end-function"; break;
    case 140:
    case 130: {
        std::uint16_t label = r.u16();
        std::uint16_t line = r.u16();
        out += (code == 140 ? "label " : "case-label ") + std::to_string(label) + std::string(" line=") + std::to_string(line & 0x7FFF);
        if (line & 0x8000) out += " loop-test";
        break;
    }
    case 139: out += std::string("jump ") + std::to_string(r.u16()); break;
    case 150: out += std::string("expr ") + tree(r); break;
    case 135:
    case 136:
    case 138:
    case 141:
    case 142:
    case 143: {
        const char* rel = code == 141 ? "<" : code == 135 ? ">=" : code == 136 ? ">" : code == 142 ? "<=" : code == 138 ? "==" : "!=";
        out += std::string("jump-if ") + rel + std::string(" ") + std::to_string(r.u16());
        field(tree(r));
        field(tree(r));
        break;
    }
    case 146: out += "return"; break;
    case 190:
    case 149:
    case 189: {
        int size = code == 190 ? 1 : code == 149 ? 2 : 4;
        out += std::string("switch size=") + std::to_string(size) + std::string(" table=") + std::to_string(r.u16());
        break;
    }
    case 185: {
        std::uint8_t zero = r.u8();
        std::uint16_t table = r.u16(), dflt = r.u16(), count = r.u16(), size = r.u16();
        out += std::string("table ") + std::to_string(zero) + std::string(" label=") + std::to_string(table) + std::string(" default=") + std::to_string(dflt) +
               std::string(" cases=") + std::to_string(count) + std::string(" size=") + std::to_string(size);
        break;
    }
    case 205: {
        std::uint16_t span = r.u16();
        std::uint32_t low = r.u32();
        out += std::string("jump-table span=") + std::to_string(span) + std::string(" low=") + std::to_string(static_cast<std::int32_t>(low)) + " labels=";
        for (std::uint16_t i = 0; i < span && !r.failed(); ++i) out += (i ? "," : "") + std::to_string(r.u16());
        break;
    }
    case 206: {
        std::uint16_t n = r.u16();
        out += std::string("cases n=") + std::to_string(n);
        for (std::uint16_t i = 0; i < n && !r.failed(); ++i) {
            std::int32_t value = static_cast<std::int32_t>(r.u32());
            out += std::string(" ") + std::to_string(value) + std::string(":") + std::to_string(r.u16());
        }
        break;
    }
    case 151: out += "end-table"; break;
    case 188: {
        std::uint16_t a = r.u16(), b = r.u16(), c = r.u16(), d = r.u16();
        out += std::string("position ") + std::to_string(a) + std::string(".") + std::to_string(b) + std::string("-") + std::to_string(c) + std::string(".") + std::to_string(d);
        break;
    }
    default: return false;
    }
    return true;
}

}  // namespace

int irdump_main(int argc, char** argv) {
    std::set_new_handler(vy::nomemory);
    vy::setprogname(argv[0]);
    bool offsets = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-o") == 0) {
        offsets = true;
        ++arg;
    }
    if (arg + 1 != argc) {
        std::fprintf(stderr, "usage: irdump [-o] file\n");
        return 1;
    }
    vy::set_input_name(argv[arg]);
    std::string out, errors;
    int status = irdump(argv[arg], offsets, out, errors);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return status;
}

int irdump(const std::string& path, bool with_offsets, std::string& out, std::string& errors) {
    std::FILE* file = path.find('\0') == std::string::npos ? std::fopen(path.c_str(), "rb") : nullptr;
    if (!file) {
        errors += "irdump: can't open " + one_line(path) + "\n";
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    FileRead read = read_whole(file, bytes);
    std::fclose(file);
    if (read != FileRead::ok) {
        errors += "irdump: " + one_line(path) + ": " + file_read_message(read) + "\n";
        return 1;
    }
    Decoded decoded = decode(bytes, with_offsets);
    for (const std::string& line : decoded.lines) out += line + "\n";
    if (!decoded.ok) {
        errors += "irdump: " + one_line(decoded.error) + "\n";
        return 1;
    }
    return 0;
}

Decoded decode(const std::vector<std::uint8_t>& bytes, bool with_offsets) {
    Decoded result;
    Reader r(bytes);
    if (bytes.size() < 4) {
        result.ok = false;
        result.error = "truncated header";
        return result;
    }
    std::uint8_t magic = r.u8(), model = r.u8(), flags = r.u8(), config = r.u8();
    result.lines.push_back(std::string("header magic=") + hex(magic, 2) + std::string(" model=") + std::to_string(model) + std::string(" flags=") + hex(flags, 2) +
                           std::string(" config=") + std::to_string(config));
    if (magic != 0xCB) {
        result.ok = false;
        result.error = "bad magic";
        return result;
    }
    while (!r.at_end()) {
        std::size_t at = r.pos();
        std::uint8_t code = r.u8();
        std::string line;
        if (with_offsets) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%06zx ", at);
            line = buf;
        }
        line += std::to_string(code) + " ";
        if (!record(r, code, line)) {
            result.ok = false;
            result.error = std::string("unknown record code ") + std::to_string(code) + std::string(" at offset ") + std::to_string(at);
            return result;
        }
        if (r.failed()) {
            result.ok = false;
            result.error = std::string("truncated record ") + std::to_string(code) + std::string(" at offset ") + std::to_string(at);
            return result;
        }
        result.lines.push_back(line);
    }
    return result;
}

}  // namespace vy::irdump
