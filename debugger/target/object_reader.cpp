#include "debugger/target/object_reader.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "ccasm/tools/objfile.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"

namespace vy {

SectionGroup* sectiongroups;
MarkerNode* markers;
SectionMarker* sectionmarkers[256];
std::vector<std::string> sectionnames;
std::vector<uint8_t> objimage;

// A program file larger than this is refused rather than read.
constexpr long MAXOBJECT = 256L << 20;

static uint32_t debugoffset, debugsize;

std::span<const uint8_t> debugsection() {
    if (debugoffset > objimage.size() || debugsize > objimage.size() - debugoffset) return {};
    return std::span<const uint8_t>(objimage).subspan(debugoffset, debugsize);
}

void releaseobjimage() {
    std::vector<uint8_t>().swap(objimage);
    debugoffset = debugsize = 0;
}

// The bytes of every page that the last object load wrote, as they were.
static std::unique_ptr<uint8_t[]> savedpage[NPAGES];

void undoobjload() {
    for (int i = 0; i < NPAGES; ++i) {
        if (!savedpage[i]) continue;
        MemPage* p = getpage(static_cast<uint16_t>(i * PAGESIZE));
        std::memcpy(p->data, savedpage[i].get(), PAGESIZE);
        p->state |= PAGE_USED | PAGE_DIRTY;
        savedpage[i].reset();
    }
}

void keepobjload() {
    for (auto& page : savedpage) page.reset();
}

void freesections() {
    sectiongroups = static_cast<SectionGroup*>(freechain(sectiongroups, nullptr));
    while (markers) {
        std::free(markers->name);
        markers = static_cast<MarkerNode*>(freenode(markers, markers->next));
    }
    for (SectionMarker*& list : sectionmarkers) list = static_cast<SectionMarker*>(freechain(list, nullptr));
    sectionnames.clear();
}

void dropsectionsymbols() {
    for (const char* name : {".text", ".tsize", ".data", ".dsize", ".bss", ".bsize", ".zpage", ".zsize"})
        undefsym(name);
}

// Copies bytes of the image into target memory a page at a time, keeping
// each page's old bytes first; false when the user stops the load.
static bool loadbytes(uint16_t address, const uint8_t* bytes, uint32_t size) {
    while (size) {
        int index = address / PAGESIZE;
        MemPage* p = getpage(address);
        if (!savedpage[index]) {
            savedpage[index] = std::make_unique<uint8_t[]>(PAGESIZE);
            std::memcpy(savedpage[index].get(), p->data, PAGESIZE);
        }
        uint32_t offset = address & (PAGESIZE - 1);
        uint32_t chunk = PAGESIZE - offset;
        if (chunk > size) chunk = size;
        if (LoadAbortFlag) return false;
        services().gaugestep(chunk);
        std::memcpy(p->data + offset, bytes, chunk);
        p->state = PAGE_USED | PAGE_DIRTY;
        bytes += chunk;
        size -= chunk;
        address = static_cast<uint16_t>(address + chunk);
    }
    return true;
}

// Loads one section's data from the image: at most the 64 KB of the address
// space, wrapping at its end.
static bool loadsection(const char* name, uint32_t first, uint32_t fileoffset, uint32_t size) {
    if (size > 0x10000) size = 0x10000;
    services().gaugeend();
    services().gaugestart(name, first, size);
    bool done = loadbytes(static_cast<uint16_t>(first), objimage.data() + fileoffset, size);
    services().gaugeend();
    return done;
}

static bool inimage(uint64_t offset, uint64_t size) {
    return offset <= objimage.size() && size <= objimage.size() - offset;
}

// Reads the whole file; false (reported) when it cannot be read or is too
// large to be a program.
static bool readimage(std::FILE* f) {
    objimage.clear();
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > MAXOBJECT) {
            dberror({msgtext(MSG_READERROR), " object file: file too large"});
            return false;
        }
        if (size > 0) objimage.reserve(static_cast<std::size_t>(size));
    }
    std::rewind(f);
    uint8_t chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        objimage.insert(objimage.end(), chunk, chunk + n);
        if (objimage.size() > static_cast<std::size_t>(MAXOBJECT)) {
            dberror({msgtext(MSG_READERROR), " object file: file too large"});
            return false;
        }
    }
    if (std::ferror(f)) {
        dberror({msgtext(MSG_READERROR), " object file"});
        return false;
    }
    return true;
}

// A refused file: the message has been given; nothing of it stays.
static int refuse() {
    undoobjload();
    freedebug(1);
    dropsyms();
    dropsectionsymbols();
    freesections();
    byteorder = 0;
    LoadFailed = 1;
    return 0;
}

static int refuse(std::initializer_list<std::string_view> texts) {
    dberror(texts);
    return refuse();
}

// Section symbols and totals of one load.
struct SectionTotals {
    uint32_t text = 0, data = 0, bss = 0, zpage = 0;
    bool hastext = false, hasdata = false, hasbss = false, haszpage = false;
    uint32_t textfirst = 0, datafirst = 0;

    void addtext(uint32_t first, uint32_t size) {
        if (!hastext) defsym(".text", first), textfirst = first;
        hastext = true;
        text += size;
    }
    void adddata(uint32_t first, uint32_t size) {
        if (!hasdata) defsym(".data", first), datafirst = first;
        hasdata = true;
        data += size;
    }
    void addbss(uint32_t first, uint32_t size) {
        if (!hasbss) defsym(".bss", first);
        hasbss = true;
        bss += size;
    }
    void addzpage(uint32_t first, uint32_t size) {
        if (!haszpage) defsym(".zpage", first);
        haszpage = true;
        zpage += size;
    }
    void definesizes() const {
        defsym(".tsize", text);
        if (hasdata) defsym(".dsize", data);
        if (hasbss) defsym(".bsize", bss);
        if (haszpage) defsym(".zsize", zpage);
    }
};

static void addgroup(uint8_t attributes, uint8_t index, const std::string& name, uint32_t first,
                     uint32_t second, uint32_t fileoffset, uint32_t size) {
    SectionGroup** link = &sectiongroups;
    while (*link && (*link)->first <= first) link = &(*link)->next;
    auto* g = static_cast<SectionGroup*>(newnode(sizeof(SectionGroup), *link));
    g->attributes = attributes;
    g->index = index;
    std::memcpy(g->name, name.data(), name.size() < 14 ? name.size() : 14);
    g->first = first;
    g->second = second;
    g->fileoffset = fileoffset;
    g->size = size;
    g->last = first + size - 1;
    *link = g;
}

static void addmarker(uint32_t value, uint8_t count, const std::string& name, bool sorted) {
    MarkerNode** link = &markers;
    if (sorted)
        while (*link && (*link)->value <= value) link = &(*link)->next;
    auto* m = static_cast<MarkerNode*>(newnode(sizeof(MarkerNode), *link));
    m->value = value;
    m->count = count;
    m->name = newtext(name);
    *link = m;
}

// The debug records of the current format, sorted in and cleaned up. False
// (refused) when a record names no section or the records do not hold
// together; true also when the user stops the load.
static bool lddebug(const std::vector<objfile::DebugRecord>& records, const std::vector<uint32_t>& offsets) {
    clearentries();
    if (records.empty()) return true;
    services().gaugestart("DEBUG SYMBOLS", 0, static_cast<uint32_t>(records.size()));
    srcinfo = 1;
    for (const objfile::DebugRecord& r : records) {
        if (LoadAbortFlag) {
            services().gaugeend();
            return true;
        }
        services().gaugestep(1);
        if (r.section > offsets.size()) {
            services().gaugeend();
            refuse({msgtext(MSG_READERROR), " debug symbol: no section ", std::to_string(r.section)});
            return false;
        }
        uint32_t addr = r.value + (r.section ? offsets[r.section - 1] : 0);
        DebugEntry* e = newentry(r.kind, addr, r.text.data(), r.text.size());
        parseentry(e);
        insertentry(e);
    }
    services().gaugeend();
    std::string message;
    if (!cleanentries(message)) {
        refuse({printable(message)});
        return false;
    }
    return true;
}

// The program's symbols: file markers and symbols, ordered by value.
static bool ldsymb(const std::vector<objfile::Symbol>& symbols, const std::vector<uint32_t>& offsets,
                   uint32_t size) {
    while (markers) {
        std::free(markers->name);
        markers = static_cast<MarkerNode*>(freenode(markers, markers->next));
    }
    if (size) {
        services().gaugeend();
        services().gaugestart("STANDARD SYMBOLS", 0, size);
    }
    std::vector<SymDef> defs;
    defs.reserve(symbols.size());
    for (const objfile::Symbol& s : symbols) {
        if (LoadAbortFlag) break;
        services().gaugestep(static_cast<uint32_t>(7 + s.name.size()));
        if (s.flags == 0) {
            if (!s.name.empty()) addmarker(s.value, s.section, s.name, false);
            continue;
        }
        if (s.section > offsets.size()) {
            services().gaugeend();
            refuse({msgtext(MSG_READERROR), " symbole: no section ", std::to_string(s.section), " for ", printable(s.name)});
            return false;
        }
        uint32_t value = s.value + (s.section ? offsets[s.section - 1] : 0);
        defs.push_back({s.name, value, s.section, static_cast<uint8_t>(s.flags & 1 ? 5 : 0)});
    }
    services().gaugeend();
    services().beginwait();
    services().leftstatus("Ordering Symbols");
    services().gaugestart("ORDERING SYMBOLS", 0, static_cast<uint32_t>(defs.size()));
    defsymbols(defs);
    services().gaugeend();
    services().leftstatus("");
    services().endwait();
    return true;
}

int ldobj(std::FILE* handle, int nocode, uint32_t base, uint32_t dataoffset) {
    freedebug(1);
    keepobjload();
    byteorder = BO_LONG;
    if (!readimage(handle)) return refuse();
    objfile::Object obj;
    std::string why;
    if (!objfile::read(objimage, obj, why, false)) return refuse({msgtext(MSG_READERROR), " object file: ", printable(why)});

    // The placement marker: a first symbol with flags 0 and no name gives
    // the count and file offset of records that move sections.
    struct Placement {
        uint8_t index;
        uint32_t first, second;
    };
    std::vector<Placement> placements;
    bool placed = !obj.symbols.empty() && obj.symbols[0].flags == 0 && obj.symbols[0].name.empty();
    if (placed) {
        uint32_t at = obj.symbols[0].value, n = obj.symbols[0].section;
        if (!inimage(at, 24ull * n)) return refuse({msgtext(MSG_READERROR), " .init marker symbol"});
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* r = objimage.data() + at + 24 * i;
            placements.push_back({static_cast<uint8_t>(r[0] - 1), ldlong(r + 16), ldlong(r + 20)});
        }
    }

    freesections();
    dropsyms();
    std::vector<uint32_t> offsets(obj.sections.size());
    SectionTotals totals;
    bool complete = true;
    for (std::size_t i = 0; i < obj.sections.size() && complete; ++i) {
        const objfile::Section& s = obj.sections[i];
        uint32_t first = s.start, second = s.start2;
        if (!placed && (s.name_length & 0x80)) second = first;
        sectionnames.push_back(s.name);
        bool debug = s.name == ".debug";
        if (!debug && s.size) addgroup(s.attr, static_cast<uint8_t>(i), s.name, first, second, s.data_offset, s.size);
        if (debug) {
            debugsize = s.size;
        } else if (s.name == ".text") {
            first += base;
            totals.addtext(first, s.size);
        } else if (s.name == ".bsct") {
            totals.addzpage(first, s.size);
        } else if (s.name == ".data") {
            first += dataoffset;
            totals.adddata(first, s.size);
        } else if (s.name == ".bss") {
            totals.addbss(first, s.size);
        }
        offsets[i] = first - second;
        if (!s.data_offset) continue;
        if (!inimage(s.data_offset, s.size)) {
            return refuse({msgtext(MSG_READERROR), " section ", printable(s.name)});
        }
        if (debug) {
            setdebugbase(handle, s.data_offset, s.size);
            debugoffset = s.data_offset;
        } else if (s.size && !nocode) {
            complete = loadsection(s.name.c_str(), first, s.data_offset, s.size);
        }
    }
    for (const Placement& p : placements) {
        for (SectionGroup* g = sectiongroups; g; g = g->next) {
            if (g->index != p.index) continue;
            g->first = p.first;
            g->last = p.first + g->size - 1;
            offsets[p.index] = p.first - p.second;
        }
    }
    totals.definesizes();
    cmdprintf("    T: 0x%hl (%l)", totals.textfirst, totals.text);
    cmdprintf("  D: 0x%hl (%l)", totals.datafirst, totals.data);
    if (totals.haszpage) {
        SymRec* z = rensym(".zpage");
        cmdprintf("  Z: 0x%hl (%l)", z ? z->value : 0, totals.zpage);
    }
    cmdprintf("\n");

    services().beginwait();
    bool ok = ldsymb(obj.symbols, offsets, obj.symbol_bytes);
    services().endwait();
    if (!ok) return 0;
    if (complete && !lddebug(obj.debug, offsets)) return 0;
    byteorder = 0;
    return complete ? 1 : 0;
}

// The older object format, all fields most significant byte first.
int ldoldobj(std::FILE* handle, int nocode, uint32_t base, uint32_t dataoffset) {
    freedebug(1);
    keepobjload();
    if (!readimage(handle)) return refuse();
    const std::vector<uint8_t>& b = objimage;
    bool short0 = oldvariant == 0;
    uint32_t headsize = short0 ? 16 : 28, sectionsat = short0 ? 16 : 26;
    if (b.size() < headsize) return refuse({msgtext(MSG_READERROR), " object file: short header"});
    byteorder = BO_LONG;
    uint8_t symformat = b[1];
    uint16_t nsections = ldword(&b[4]);
    uint32_t symoffset, symsize, debugcount = 0, debugfield = 0, debugat = 0;
    if (short0) {
        symoffset = ldlong(&b[8]);
        symsize = ldlong(&b[12]);
    } else {
        debugcount = ldword(&b[8]);
        debugfield = ldlong(&b[10]);
        debugat = ldlong(&b[14]);
        symoffset = ldlong(&b[18]);
        symsize = ldlong(&b[22]);
    }
    if (!inimage(sectionsat, 40ull * nsections))
        return refuse({msgtext(MSG_READERROR), " object file: short section record"});
    if (!inimage(symoffset, symsize)) return refuse({msgtext(MSG_READERROR), " symbole"});

    freesections();
    dropsyms();
    std::vector<uint32_t> offsets(nsections);
    SectionTotals totals;
    bool complete = true;
    for (uint32_t i = 0; i < nsections && complete; ++i) {
        const uint8_t* r = &b[sectionsat + 40 * i];
        uint8_t attributes = r[1];
        std::string name(reinterpret_cast<const char*>(r + 2), 15);
        name.resize(std::strlen(name.c_str()));
        uint32_t first = ldlong(r + 16), second = ldlong(r + 20), fileoffset = ldlong(r + 24), size = ldlong(r + 28);
        sectionnames.push_back(name);
        bool debug = name == "debug";
        if (debug) {
            debugsize = size;
        } else if (name == "text" || (attributes & 7) == 5) {
            first += base;
            totals.addtext(first, size);
        } else if (name == "data" || attributes == 6) {
            first += dataoffset;
            totals.adddata(first, size);
        } else if (name == "bss" || attributes == 0x0E) {
            totals.addbss(first, size);
        } else if (name == "zpage") {
            totals.addzpage(first, size);
        }
        offsets[i] = first - second;
        if (!fileoffset) continue;
        if (!inimage(fileoffset, size)) return refuse({msgtext(MSG_READERROR), " section ", printable(name)});
        if (debug) {
            setdebugbase(handle, fileoffset, size);
            debugoffset = fileoffset;
        } else if (size && !nocode) {
            complete = loadsection(name.c_str(), first, fileoffset, size);
        }
    }
    totals.definesizes();
    byteorder = 0;

    // Symbols: a value, a type and either a section byte, a length and the
    // name, or a name field of fixed width.
    services().gaugeend();
    services().gaugestart("SYMBOLS", 0, symsize);
    while (markers) {
        std::free(markers->name);
        markers = static_cast<MarkerNode*>(freenode(markers, markers->next));
    }
    std::vector<SymDef> defs;
    uint32_t fixedname = (symformat & 7) ? 2u * (symformat & 7) + 1 : 0;
    for (uint32_t at = symoffset, end = symoffset + symsize; at < end && !LoadAbortFlag;) {
        uint32_t head = fixedname ? 3 + fixedname : 5;
        if (end - at < head) return refuse({msgtext(MSG_READERROR), " symbole"});
        uint16_t value = ldword(&b[at]);
        uint8_t type = b[at + 2];
        uint8_t section = 0;
        std::string name;
        if (fixedname) {
            name.assign(reinterpret_cast<const char*>(&b[at + 3]), fixedname);
            name.resize(std::strlen(name.c_str()));
        } else {
            section = b[at + 3];
            uint8_t length = b[at + 4];
            if (end - at - head < length) return refuse({msgtext(MSG_READERROR), " symbole"});
            name.assign(reinterpret_cast<const char*>(&b[at + 5]), length);
            head += length;
        }
        at += head;
        services().gaugestep(head);
        uint32_t v = value;
        switch (type & 7) {
        case 0:
        case 1: continue;
        case 5: v += base; break;
        case 6: v += dataoffset; break;
        default: break;
        }
        if (!name.empty() && name[0] == '\t') addmarker(v, 0, name.substr(1), true);
        else defs.push_back({name, v, section, type});
    }
    services().gaugeend();
    services().leftstatus(" Ordering Symbols");
    defsymbols(defs);
    services().leftstatus("");
    if (short0 || !complete) return complete ? 1 : 0;

    // Debug records: a 16-bit value, the kind, flags, a section byte in
    // variant 2, the text.
    clearentries();
    if (debugcount) {
        services().gaugestart("DEBUG SYMBOLS", 0, debugcount);
        srcinfo = 1;
    }
    bool withsection = oldvariant == 2;
    uint32_t at = debugat;
    for (uint32_t i = 0; i < debugcount && !LoadAbortFlag; ++i) {
        uint32_t head = withsection ? 6 : 5;
        if (!inimage(at, head)) {
            services().gaugeend();
            return refuse({msgtext(MSG_READERROR), " debug symbol"});
        }
        byteorder = BO_LONG;
        uint32_t addr = ldword(&b[at]);
        byteorder = 0;
        uint8_t kind = b[at + 2];
        uint8_t section = withsection ? b[at + 4] : 0;
        uint8_t length = b[at + head - 1];
        if (!inimage(at + head, length)) {
            services().gaugeend();
            return refuse({msgtext(MSG_READERROR), " debug symbol"});
        }
        if (withsection && section && !(kind & (0x80 | 0x40 | 0x02))) {
            if (section > offsets.size()) {
                services().gaugeend();
                return refuse({msgtext(MSG_READERROR), " debug symbol: no section ", std::to_string(section)});
            }
            addr += offsets[section - 1];
        }
        DebugEntry* e = newentry(kind, addr, reinterpret_cast<const char*>(&b[at + head]), length);
        at += head + length;
        services().gaugestep(1);
        parseoldentry(e);
        insertoldentry(e, debugfield >= 0x10000);
    }
    services().gaugeend();
    if (!LoadAbortFlag) cleanoldentries();
    return 1;
}

}  // namespace vy
