#include "ioreg/iod_module.h"

#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>

#include "support/list_node.h"

namespace vy {

DebuggerCalls dbgcalls{};

char* newtext(std::string_view text) {
    char* copy = static_cast<char*>(newnode(text.size() + 1, nullptr));
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    return copy;
}

template <class Record>
static Record* newrecord(Record* link) {
    return static_cast<Record*>(newnode(sizeof(Record), link));
}

IodModule* newmodule(IodModule* link, std::string_view title) {
    IodModule* module = newrecord(link);
    module->title = newtext(title);
    return module;
}

IodModule* freemodule(IodModule* module) {
    for (IodRegister* reg = module->registers; reg;) {
        for (IodField* field = reg->fields; field;) {
            for (IodValue* value = field->values; value;) {
                freenode(value->text, nullptr);
                value = static_cast<IodValue*>(freenode(value, value->link));
            }
            freenode(field->name, nullptr);
            field = static_cast<IodField*>(freenode(field, field->link));
        }
        freenode(reg->name, nullptr);
        reg = static_cast<IodRegister*>(freenode(reg, reg->link));
    }
    freenode(module->title, nullptr);
    freenode(module->filename, nullptr);
    return static_cast<IodModule*>(freenode(module, module->link));
}

void freemodules(IodModule*& list) {
    while (list) list = freemodule(list);
}

void unlinkmodule(IodModule*& list, IodModule* module) {
    for (IodModule** p = &list; *p; p = &(*p)->link)
        if (*p == module) {
            *p = module->link;
            module->link = nullptr;
            return;
        }
}

// ---------------------------------------------------------------------------
// Lines and numbers

// Calls `take` with each line of the text as the reader sees it: a line
// (LF or CRLF ended, or the last one without an end) in pieces of at most
// IODPIECE characters, each cut at its first carriage return.
template <class Take>
static void forpieces(std::string_view text, Take take) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        do {
            std::string_view piece = line.substr(0, IODPIECE);
            line.remove_prefix(piece.size());
            if (take(piece.substr(0, piece.find('\r')))) return;
        } while (!line.empty());
    }
}

static bool isblankline(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

static int hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a hexadecimal number at `pos` as a "%x" conversion does: white
// space skipped, an optional "0x", then digits of either case (wrapping in
// 32 bits). Returns the position after the digits, or `pos` itself (and 0)
// when no digit stands there.
static std::size_t readhex(std::string_view line, std::size_t pos, uint32_t& value) {
    value = 0;
    std::size_t p = pos;
    while (p < line.size() && (line[p] == ' ' || (line[p] >= '\t' && line[p] <= '\r'))) ++p;
    if (p + 2 < line.size() && line[p] == '0' && (line[p + 1] == 'x' || line[p + 1] == 'X') &&
        hexdigit(line[p + 2]) >= 0)
        p += 2;
    if (p >= line.size() || hexdigit(line[p]) < 0) return pos;
    for (; p < line.size() && hexdigit(line[p]) >= 0; ++p) value = value << 4 | static_cast<uint32_t>(hexdigit(line[p]));
    return p;
}

// The position after the first ',' at or after `pos`, or the line's end.
static std::size_t pastcomma(std::string_view line, std::size_t pos) {
    std::size_t comma = pos < line.size() ? line.find(',', pos) : std::string_view::npos;
    return comma == std::string_view::npos ? line.size() : comma + 1;
}

static std::string_view rest(std::string_view line, std::size_t pos) {
    return pos < line.size() ? line.substr(pos) : std::string_view();
}

// ---------------------------------------------------------------------------
// The reader

namespace {

struct Reader {
    IodModule* module;
    IodRegister** nextreg;
    IodRegister* reg = nullptr;
    IodField** nextfield = nullptr;
    IodField* field = nullptr;
    IodValue** nextvalue = nullptr;

    explicit Reader(IodModule* m) : module(m), nextreg(&m->registers) {
        while (*nextreg) nextreg = &(*nextreg)->link;
    }

    // "B 1020,TCTL1": size letter, column 2 unread, address, name.
    void registerline(std::string_view line) {
        reg = newrecord<IodRegister>(nullptr);
        *nextreg = reg;
        nextreg = &reg->link;
        nextfield = &reg->fields;
        field = nullptr;
        char letter = line[0];
        reg->size = letter == 'B' || letter == 'b' ? 1 : letter == 'W' || letter == 'w' ? 2 : 4;
        uint32_t address = 0;
        std::size_t p = line.size() > 2 ? readhex(line, 2, address) : line.size();
        if (p < line.size() && line[p] == ',') ++p;
        reg->address = address + static_cast<uint32_t>(module->offset);
        reg->name = newtext(rest(line, p));
        reg->value = ReadRegister(reg);
    }

    // " W 7,6,OM2": access, high bit, low bit (or the mask), name.
    void fieldline(std::string_view line) {
        field = newrecord<IodField>(nullptr);
        *nextfield = field;
        nextfield = &field->link;
        nextvalue = &field->values;
        field->reg = reg;
        field->access = line[1];
        uint32_t high = 0, second = 0;
        if (line.size() > 3) readhex(line, 3, high);
        std::size_t p = pastcomma(line, 3);
        readhex(line, p, second);
        p = pastcomma(line, p);
        field->highbit = static_cast<uint8_t>(high);
        if (field->highbit == SCATTERED) field->mask = second;
        else field->lowbit = static_cast<uint8_t>(second);
        field->name = newtext(rest(line, p));
    }

    // "  1,Toggle" or "  X,Other".
    void valueline(std::string_view line) {
        IodValue* value = newrecord<IodValue>(nullptr);
        *nextvalue = value;
        nextvalue = &value->link;
        value->field = field;
        ++field->valuecount;
        if (line.size() > 2 && line[2] == 'X') value->other = 1;
        else if (line.size() > 2) readhex(line, 2, value->value);
        value->text = newtext(rest(line, pastcomma(line, 2)));
    }

    // A line of blanks, a field line before any register and a value line
    // before any field of its register have no record.
    void line(std::string_view line) {
        if (isblankline(line)) return;
        if (line[0] != ' ') registerline(line);
        else if (line[1] != ' ') {
            if (reg) fieldline(line);
        } else if (field) valueline(line);
    }
};

}  // namespace

void LoadIodText(IodModule* module, std::string_view text) {
    Reader reader(module);
    bool title = true;
    forpieces(text, [&](std::string_view line) {
        if (title) title = false;
        else reader.line(line);
        return false;
    });
}

static bool readfile(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool LoadIodModule(IodModule* module) {
    std::string text;
    if (!module->filename || !readfile(module->filename, text)) return false;
    LoadIodText(module, text);
    return true;
}

bool ReadIodTitle(const char* path, std::string& title) {
    std::string text;
    if (!readfile(path, text) || text.empty()) return false;
    forpieces(text, [&](std::string_view line) {
        title = line;
        return true;
    });
    return true;
}

// ---------------------------------------------------------------------------
// Registers and fields

uint32_t ReadRegister(const IodRegister* reg) {
    switch (reg->size) {
    case 1: return dbgcalls.readbyte(reg->address) & 0xFF;
    case 2: return dbgcalls.readword(reg->address) & 0xFFFF;
    default: return dbgcalls.readlong(reg->address);
    }
}

void WriteRegister(const IodRegister* reg) {
    switch (reg->size) {
    case 1: dbgcalls.writebyte(reg->address, reg->value); break;
    case 2: dbgcalls.writeword(reg->address, reg->value); break;
    default: dbgcalls.writelong(reg->address, reg->value); break;
    }
    if (!reg->frozen) dbgcalls.datamemupdate(1);
}

// n low one-bits, n up to 32.
static uint32_t lowbits(unsigned n) { return static_cast<uint32_t>((uint64_t{1} << n) - 1); }

static bool isrange(const IodField* field) { return field->highbit != SCATTERED; }

// A bit range with a bit number above 31 or its low bit above its high bit
// covers no bit.
static bool emptyrange(const IodField* field) { return field->highbit > 31 || field->lowbit > field->highbit; }

uint32_t FieldWidthMask(const IodField* field) {
    if (!isrange(field)) return lowbits(static_cast<unsigned>(std::popcount(field->mask)));
    if (emptyrange(field)) return 0;
    return lowbits(field->highbit - field->lowbit + 1u);
}

uint32_t FieldValue(uint32_t regvalue, const IodField* field) {
    if (isrange(field)) return emptyrange(field) ? 0 : regvalue >> field->lowbit & FieldWidthMask(field);
    uint32_t packed = 0, bit = 1;
    for (uint32_t mask = field->mask; mask; mask &= mask - 1, bit <<= 1)
        if (regvalue & mask & -mask) packed |= bit;
    return packed;
}

uint32_t FieldInserted(uint32_t regvalue, uint32_t value, const IodField* field) {
    value &= FieldWidthMask(field);
    if (isrange(field)) {
        if (emptyrange(field)) return regvalue;
        uint32_t bits = FieldWidthMask(field) << field->lowbit;
        return (regvalue & ~bits) | value << field->lowbit;
    }
    uint32_t spread = 0, bit = 1;
    for (uint32_t mask = field->mask; mask; mask &= mask - 1, bit <<= 1)
        if (value & bit) spread |= mask & -mask;
    return (regvalue & ~field->mask) | spread;
}

void InsertField(uint32_t value, IodField* field, IodRegister* reg) {
    reg->value = FieldInserted(reg->value, value, field);
    WriteRegister(reg);
}

}  // namespace vy
