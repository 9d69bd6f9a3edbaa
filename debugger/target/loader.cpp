#include "debugger/target/loader.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/file_read.h"

namespace vy {

uint8_t loadformat;
std::string progname;
uint8_t byteorder;
std::FILE* objfile;
uint32_t debugbase;
uint8_t oldvariant;

void closeobj() {
    if (objfile) std::fclose(objfile);
    objfile = nullptr;
}

static int hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One line of an S-record or Intel hex file, checked and decoded.
struct TextRecord {
    enum Kind { SKIP, DATA, END } kind = SKIP;
    uint32_t address = 0;
    std::vector<uint8_t> data;
};

// Decodes the hexadecimal byte pairs of text; false on a bad character or an
// odd count.
static bool hexbytes(std::string_view text, std::vector<uint8_t>& bytes) {
    if (text.size() % 2) return false;
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = hexdigit(text[i]), low = hexdigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

// S<type><count><address><data><check>: the count covers the address, the
// data and the check byte, whose ones' complement sum makes 0xFF. A record
// whose check byte is wrong is refused: loading it would put damaged code
// into target memory without a word.
static bool parsesrecord(std::string_view line, TextRecord& rec) {
    if (line.size() < 4) return false;
    int type = line[1] - '0';
    if (type < 0 || type > 9 || type == 4) return false;
    std::vector<uint8_t> bytes;
    if (!hexbytes(line.substr(2), bytes)) return false;
    std::size_t addrbytes = (type == 3 || type == 7) ? 4 : (type == 2 || type == 8) ? 3 : 2;
    if (bytes[0] != bytes.size() - 1 || bytes.size() < addrbytes + 2) return false;
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    if (sum != 0xFF) return false;
    for (std::size_t i = 0; i < addrbytes; ++i) rec.address = rec.address << 8 | bytes[1 + i];
    if (type >= 7) {
        rec.kind = TextRecord::END;
    } else if (type >= 1 && type <= 3) {
        rec.kind = TextRecord::DATA;
        rec.data.assign(bytes.begin() + 1 + addrbytes, bytes.end() - 1);
    }
    return true;  // S0 and the record counts S5, S6 carry nothing to load
}

// :<count><address><type><data><check>: all bytes sum to 0. Type
// 00 is data and 01 the end; the extended and start address records (02 to
// 05) carry nothing for a 16-bit address space and are passed over.
static bool parseintel(std::string_view line, TextRecord& rec) {
    std::vector<uint8_t> bytes;
    if (!hexbytes(line.substr(1), bytes) || bytes.size() < 5) return false;
    if (bytes[0] != bytes.size() - 5) return false;
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    if (sum != 0) return false;
    rec.address = static_cast<uint32_t>(bytes[1]) << 8 | bytes[2];
    switch (bytes[3]) {
    case 0x00:
        rec.kind = TextRecord::DATA;
        rec.data.assign(bytes.begin() + 4, bytes.end() - 1);
        return true;
    case 0x01: rec.kind = TextRecord::END; return true;
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05: return true;
    default: return false;
    }
}

static bool blankline(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

static bool parseline(std::string_view line, TextRecord& rec) {
    rec = TextRecord();
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.empty() || line[0] == '$') return true;
    if (line[0] == 'S') return parsesrecord(line, rec);
    if (line[0] == ':') return parseintel(line, rec);
    return false;
}

// Takes the next line of `text` from `pos` on (LF or CRLF ends; a last
// line without one still counts); false at the end of the text.
static bool nextline(std::string_view text, std::size_t& pos, std::string_view& line) {
    if (pos >= text.size()) return false;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::size_t stop = end;
    if (stop > pos && text[stop - 1] == '\r') --stop;
    line = text.substr(pos, stop - pos);
    pos = end + 1;
    return true;
}

// The text formats. Every line up to the end record is checked before the
// first byte is stored, so that a malformed file leaves target memory as it
// was; what follows the end record is never read. The text is walked twice,
// checking and then storing, so that nothing is kept per line: a file up to
// the input bound costs its own size only, and a larger or endless one is
// refused as "file too large".
static int ldtext(std::FILE* f) {
    std::string all;
    FileRead read = read_whole(f, all);
    if (read != FileRead::ok) {
        if (read == FileRead::too_large)
            dberror({msgtext(MSG_READERROR), " S-record/Hex: file too large"});
        else
            dberror({msgtext(MSG_READERROR), " S-record/Hex"});
        LoadFailed = 1;
        return 0;
    }
    std::size_t pos = 0;
    std::string_view line;
    TextRecord rec;
    uint32_t count = 0;
    for (bool ended = false; nextline(all, pos, line);) {
        ++count;
        if (ended || blankline(line)) continue;
        if (!parseline(line, rec)) {
            dberror({msgtext(MSG_READERROR), " S-record/Hex, line ", std::to_string(count)});
            LoadFailed = 1;
            return 0;
        }
        ended = rec.kind == TextRecord::END;
    }
    services().gaugestart("Memory Records", 0, count);
    pos = 0;
    while (nextline(all, pos, line)) {
        if (LoadAbortFlag) return 0;
        services().gaugestep(1);
        if (blankline(line)) continue;
        parseline(line, rec);
        if (rec.kind == TextRecord::END) {
            defsym(".text", rec.address);
            cmdprintf("T: 0x%hl\n", rec.address);
            loadformat = static_cast<uint8_t>(line[0]);
            break;
        }
        uint16_t address = static_cast<uint16_t>(rec.address);
        for (uint8_t b : rec.data) wrbyte(address++, b);
    }
    return 0;
}

// A raw image fills at most the 64 KB of the address space. It is read whole
// before a byte is stored, so that a larger (or endless) file is refused as
// "file too large" and leaves memory as it was, instead of wrapping around
// the address space for ever. False when refused; `count` gets the bytes.
static bool ldraw(std::FILE* f, uint16_t address, uint32_t& count) {
    std::fseek(f, 0, SEEK_SET);
    std::vector<uint8_t> image;
    FileRead read = read_whole(f, image, 0x10000);
    if (read == FileRead::too_large) {
        dberror({msgtext(MSG_READERROR), " absolu: file too large"});
        return false;
    }
    if (read == FileRead::failed) dberror({msgtext(MSG_READERROR), " absolu"});  // loads what was read
    count = static_cast<uint32_t>(image.size());
    for (std::size_t done = 0; done < image.size();) {
        MemPage* p = getpage(address);
        std::size_t offset = address & (PAGESIZE - 1);
        std::size_t n = std::min<std::size_t>(PAGESIZE - offset, image.size() - done);
        std::memcpy(p->data + offset, image.data() + done, n);
        p->state = PAGE_USED | PAGE_DIRTY;
        done += n;
        address = static_cast<uint16_t>(address + n);
    }
    return true;
}

int ldprog(const char* name, int raw, int nocode, uint32_t base, uint32_t dataoffset) {
    loadformat = 0;
    LoadFailed = 0;
    std::FILE* f = std::fopen(name, "rb");
    if (!f) {
        dberror({"!PANIC ", msgtext(MSG_CANTOPEN), printable(name)});  // a name never splits the line
        LoadFailed = 1;
        return 0;
    }
    progname = name;
    if (!raw) {
        oldvariant = 0;
        int first = std::fgetc(f);
        int format = 0;
        switch (first) {
        case ':':
        case 'S': {
            loadformat = 2;
            std::rewind(f);
            int result = ldtext(f);
            std::fclose(f);
            return result;
        }
        case 0x9D: format = '3'; oldvariant = 0; break;
        case 0xC2: format = '3'; oldvariant = 1; break;
        case 0xC3: format = '3'; oldvariant = 2; break;
        case 0xCC:
        case 0xCD: format = '4'; break;
        default: break;
        }
        if (format) {
            std::rewind(f);
            closeobj();
            int result = format == '4' ? ldobj(f, nocode, base, dataoffset)
                                       : ldoldobj(f, nocode, base, dataoffset);
            loadformat = static_cast<uint8_t>(format);
            objfile = f;
            return result;
        }
    }
    dberror({msgtext(MSG_ABSOLUTE)});
    uint32_t count = 0;
    if (!ldraw(f, static_cast<uint16_t>(base), count)) {
        std::fclose(f);
        LoadFailed = 1;
        return 0;
    }
    cmdprintf("A: 0x%hl(%l)\n", base, count);
    defsym(".text", base);
    defsym(".tsize", count);
    setpc(base);
    std::fclose(f);
    loadformat = 'A';
    return 0;
}

int ldsection(std::FILE* handle, uint16_t address, uint16_t size) {
    while (size) {
        MemPage* p = getpage(address);
        uint16_t offset = address & (PAGESIZE - 1);
        uint16_t chunk = static_cast<uint16_t>(PAGESIZE - offset);
        if (chunk > size) chunk = size;
        if (LoadAbortFlag) return 0;
        services().gaugestep(chunk);
        std::size_t n = std::fread(p->data + offset, 1, chunk, handle);
        if (n) p->state = PAGE_USED | PAGE_DIRTY;  // even a short read changed the page
        if (n != chunk) {
            dbputs({msgtext(MSG_READERROR), " section\n"});
            return 0;
        }
        size = static_cast<uint16_t>(size - chunk);
        address = static_cast<uint16_t>(address + chunk);
    }
    return 1;
}

static uint8_t ldbuffer[512];
static uint32_t ldbufpos, ldbufcount;

uint32_t ldbuf(std::FILE* handle, void* destination, uint32_t n) {
    if (!handle) {
        ldbufpos = ldbufcount = 0;
        return 0;
    }
    auto* out = static_cast<uint8_t*>(destination);
    uint32_t done = 0;
    while (done < n) {
        if (ldbufpos == ldbufcount) {
            ldbufpos = 0;
            ldbufcount = static_cast<uint32_t>(std::fread(ldbuffer, 1, sizeof ldbuffer, handle));
            if (ldbufcount == 0) return 0;
        }
        uint32_t take = ldbufcount - ldbufpos;
        if (take > n - done) take = n - done;
        std::memcpy(out + done, ldbuffer + ldbufpos, take);
        ldbufpos += take;
        done += take;
    }
    return n;
}

uint32_t ldlong(const uint8_t* field) {
    if (byteorder & BO_LSBFIRST)
        return static_cast<uint32_t>(field[3]) << 24 | static_cast<uint32_t>(field[2]) << 16 |
               static_cast<uint32_t>(field[1]) << 8 | field[0];
    return static_cast<uint32_t>(field[0]) << 24 | static_cast<uint32_t>(field[1]) << 16 |
           static_cast<uint32_t>(field[2]) << 8 | field[3];
}

uint16_t ldword(const uint8_t* field) {
    if (byteorder & BO_LSBFIRST) return static_cast<uint16_t>(field[1] << 8 | field[0]);
    return static_cast<uint16_t>(field[0] << 8 | field[1]);
}

void ldfix(void* field) {
    auto* bytes = static_cast<uint8_t*>(field);
    if (byteorder & BO_LONG) {
        uint32_t value = ldlong(bytes);
        std::memcpy(field, &value, 4);
    } else {
        uint16_t value = ldword(bytes);
        std::memcpy(field, &value, 2);
    }
}

void setdebugbase(std::FILE* handle, uint32_t offset, uint32_t size) { debugbase = offset; }

}  // namespace vy
