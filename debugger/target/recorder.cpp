#include "debugger/target/recorder.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"

namespace vy {

uint8_t usagemap[65536];

enum : uint8_t { WATCH_FILE = 1, WATCH_FRAME = 2 };

namespace {

// A variable's storage: low <= address < low + size.
struct Storage {
    uint32_t low, end;
    LocalRec* rec;
};

// The file-level variables, byte by byte in the order the recorder walks
// them (module records in list order, their variables in order), and the
// variables of the top frame with the frame they were placed in.
std::vector<std::pair<uint16_t, LocalRec*>> filebytes;
// Where the variables of an address start in filebytes: those of address a
// (from filelow on) are filebytes[filefirst[a - filelow]] up to, not
// including, filebytes[filefirst[a - filelow + 1]].
std::vector<uint32_t> filefirst;
uint32_t filelow;
std::vector<Storage> framevars;

void mark(uint32_t low, uint32_t end, uint8_t bit, bool on) {
    for (uint32_t a = low; a < end && a < 0x10000; ++a)
        usagemap[a] = on ? static_cast<uint8_t>(usagemap[a] | bit) : static_cast<uint8_t>(usagemap[a] & ~bit);
}

bool hasaddress(uint8_t cls) { return cls == CL_STATIC || cls == CL_EXTERN || cls == CL_ABSOLUTE; }

}  // namespace

void variableschanged() {
    for (const auto& [address, rec] : filebytes) usagemap[address] &= static_cast<uint8_t>(~WATCH_FILE);
    filebytes.clear();
    for (FuncRec* fn = unnamedfuncs; fn; fn = fn->nextunnamed) {
        if (!fn->locals) continue;
        for (LocalRec* l = fn->locals; l < fn->localsend; ++l) {
            if (!hasaddress(l->cls) || l->size == 0) continue;
            uint32_t end = std::min<uint32_t>(static_cast<uint32_t>(l->value) + l->size, 0x10000);
            for (uint32_t a = l->value; a < end; ++a) filebytes.emplace_back(static_cast<uint16_t>(a), l);
        }
    }
    std::stable_sort(filebytes.begin(), filebytes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [address, rec] : filebytes) usagemap[address] |= WATCH_FILE;
    filefirst.clear();
    filelow = filebytes.empty() ? 0 : filebytes.front().first;
    if (filebytes.empty()) return;
    uint32_t span = filebytes.back().first - filelow + 1u;
    filefirst.assign(span + 1u, 0);
    uint32_t i = 0;
    for (uint32_t a = 0; a <= span; ++a) {
        while (i < filebytes.size() && filebytes[i].first < filelow + a) ++i;
        filefirst[a] = i;
    }
}

void framesmoved() {
    for (const Storage& s : framevars) mark(s.low, s.end, WATCH_FRAME, false);
    framevars.clear();
    FrameNode* f = topframe;
    if (!f || !f->func || !f->func->locals) return;
    for (LocalRec* l = f->func->locals; l < f->func->localsend; ++l) {
        if (l->size == 0 || l->cls == CL_ENUMMEMBER || l->cls == CL_TYPEDEF) continue;
        if (l->cls == CL_ARGREG && !(f->fixed & 1)) continue;  // still in a register
        uint32_t low = frameaddr(l, f);
        framevars.push_back({low, std::min<uint32_t>(low + l->size, 0x10000), l});
    }
    for (const Storage& s : framevars) mark(s.low, s.end, WATCH_FRAME, true);
}

// Where an access is logged: the cycle stamp, and the function and line
// of the top frame (else of the line at or below the PC).
struct AccessPlace {
    uint32_t stamp;
    FuncRec* func;
    uint32_t line;
};

static AccessPlace accessplace() {
    AccessPlace p{timeptr ? *timeptr : 0, nullptr, 0};
    if (topframe) {
        p.func = topframe->func;
        p.line = topframe->line;
    } else if (DebugEntry* e = lineat(getpc())) {
        p.func = e->func;
        p.line = e->line;
    }
    return p;
}

// logaccess, for recordaccess too.
[[gnu::always_inline]] static inline void logat(uint16_t address, int kind) {
    uint8_t watched = usagemap[address];
    const AccessPlace p = accessplace();
    if (watched & WATCH_FILE) {
        uint32_t at = static_cast<uint32_t>(address) - filelow;
        if (at + 1u < filefirst.size()) {
            for (uint32_t i = filefirst[at], end = filefirst[at + 1]; i < end; ++i)
                appendusage(filebytes[i].second->usage, kind, p.stamp, p.func, p.line);
        }
    }
    if (watched & WATCH_FRAME) {
        for (const Storage& s : framevars)
            if (s.low <= address && address < s.end) appendusage(s.rec->usage, kind, p.stamp, p.func, p.line);
    }
}

void logaccess(uint16_t address, int kind) { logat(address, kind); }

namespace {

// The packing of a usage entry: a head byte, then the stamp's change when
// it did not fit in the head, the function when it changed, the line's
// change when it changed.
enum : uint8_t { HEAD_WRITE = 1, HEAD_LINE = 2, HEAD_FUNC = 4 };
constexpr uint32_t HEADSTAMPS = 31;  // stamp changes below this sit in the head
constexpr uint32_t MAXENTRY = 1 + 5 + sizeof(FuncRec*) + 5;
constexpr uint32_t FIRSTCHUNK = 64, LASTCHUNK = 1u << 20;

UsageChunk* newchunk(uint32_t size) {
    auto* c = static_cast<UsageChunk*>(std::malloc(offsetof(UsageChunk, bytes) + size));
    if (!c) throw std::bad_alloc();
    c->next = nullptr;
    c->size = size;
    c->used = 0;
    return c;
}

uint8_t* putvarint(uint8_t* p, uint64_t v) {
    while (v >= 0x80) {
        *p++ = static_cast<uint8_t>(v | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<uint8_t>(v);
    return p;
}

const uint8_t* getvarint(const uint8_t* p, uint64_t& v) {
    v = 0;
    for (int shift = 0;; shift += 7) {
        uint8_t b = *p++;
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return p;
    }
}

}  // namespace

void logusage(LocalRec* rec, int kind) {
    const AccessPlace p = accessplace();
    appendusage(rec->usage, kind, p.stamp, p.func, p.line);
}

// A new log, or a new chunk for a log whose chunk has no room for another
// entry; returns the chunk to write into.
[[gnu::noinline, gnu::cold]] static UsageChunk* makeroom(UsageLog*& into) {
    UsageLog* log = into;
    if (!log) {
        // The header and the first chunk in one block.
        std::size_t header = (sizeof(UsageLog) + alignof(UsageChunk) - 1) / alignof(UsageChunk) * alignof(UsageChunk);
        log = static_cast<UsageLog*>(std::malloc(header + offsetof(UsageChunk, bytes) + FIRSTCHUNK));
        if (!log) throw std::bad_alloc();
        *log = UsageLog{};
        auto* c = reinterpret_cast<UsageChunk*>(reinterpret_cast<char*>(log) + header);
        c->next = nullptr;
        c->size = FIRSTCHUNK;
        c->used = 0;
        log->first = log->current = c;
        into = log;
        return c;
    }
    UsageChunk* c = log->current;
    UsageChunk* next = newchunk(std::min(c->size * 2, LASTCHUNK));
    c->next = next;
    return log->current = next;
}

void appendusage(UsageLog*& into, int kind, uint32_t stamp, FuncRec* func, uint32_t line) {
    UsageChunk* c = into ? into->current : nullptr;
    if (!c || c->size - c->used < MAXENTRY) [[unlikely]]
        c = makeroom(into);
    UsageLog* log = into;
    if (kind == ACC_READ) ++log->reads;
    else ++log->writes;

    uint8_t* p = c->bytes + c->used;
    uint8_t* head = p++;
    uint32_t change = stamp - log->stamp;
    uint8_t h = kind == ACC_READ ? 0 : HEAD_WRITE;
    if (change < HEADSTAMPS) {
        h |= static_cast<uint8_t>(change << 3);
    } else {
        h |= static_cast<uint8_t>(HEADSTAMPS << 3);
        p = putvarint(p, change - HEADSTAMPS);
    }
    if (func != log->func) {
        h |= HEAD_FUNC;
        std::memcpy(p, &func, sizeof func);
        p += sizeof func;
    }
    if (line != log->line) {
        h |= HEAD_LINE;
        int64_t d = static_cast<int64_t>(line) - static_cast<int64_t>(log->line);
        p = putvarint(p, static_cast<uint64_t>(d) << 1 ^ static_cast<uint64_t>(d >> 63));
    }
    *head = h;
    c->used = static_cast<uint32_t>(p - c->bytes);
    log->stamp = stamp;
    log->func = func;
    log->line = line;
}

bool UsageReader::next(UsageEntry& e) {
    while (chunk_ && at_ >= chunk_->used) {
        chunk_ = chunk_->next;
        at_ = 0;
    }
    if (!chunk_) return false;
    const uint8_t* p = chunk_->bytes + at_;
    uint8_t h = *p++;
    uint32_t change = h >> 3;
    if (change == HEADSTAMPS) {
        uint64_t v;
        p = getvarint(p, v);
        change = static_cast<uint32_t>(v + HEADSTAMPS);
    }
    last_.stamp += change;
    last_.kind = h & HEAD_WRITE ? ACC_WRITE : ACC_READ;
    if (h & HEAD_FUNC) {
        std::memcpy(&last_.func, p, sizeof last_.func);
        p += sizeof last_.func;
    }
    if (h & HEAD_LINE) {
        uint64_t v;
        p = getvarint(p, v);
        int64_t d = static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
        last_.line = static_cast<uint32_t>(static_cast<int64_t>(last_.line) + d);
    }
    at_ = static_cast<uint32_t>(p - chunk_->bytes);
    e = last_;
    return true;
}

UsageLog* freeusage(UsageLog* log) {
    if (!log) return nullptr;
    UsageChunk* c = log->first->next;  // the first lives in the header's block
    while (c) {
        UsageChunk* next = c->next;
        std::free(c);
        c = next;
    }
    std::free(log);
    return nullptr;
}

void recordaccess(uint16_t address, int kind) {
    TargetServices& s = services();
    if (s.alarms) s.memalarm(address, kind);
    datahit = nullptr;
    // The watch index holds every address a data event can match.
    const uint64_t* bits = kind == ACC_READ ? watch.dataread : watch.datawrite;
    for (EventRecord* e = watched(bits, address) ? eventlist : nullptr; e; e = e->next) {
        if (e->cls != 'D' || !e->var) continue;
        uint32_t low = e->var->address;
        if (address < low || address >= low + e->var->size) continue;
        if (e->access == 'A' || (e->access == 'R' && kind == ACC_READ) ||
            (e->access == 'W' && kind == ACC_WRITE)) {
            datahit = e;
            break;
        }
    }
    if (usagewatched(address)) logat(address, kind);
}

uint8_t recrdbyteslow(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return getpage(address)->data[address & (PAGESIZE - 1)];
}

void recwrbyteslow(uint16_t address, uint8_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    MemPage* p = getpage(address);
    p->data[address & (PAGESIZE - 1)] = value;
    p->state |= PAGE_DIRTY;
}

}  // namespace vy
