#include "debugger/target/recorder.h"

#include <algorithm>
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

void logaccess(uint16_t address, int kind) {
    uint8_t watched = usagemap[address];
    if (watched & WATCH_FILE) {
        auto range = std::equal_range(filebytes.begin(), filebytes.end(), std::make_pair(address, nullptr),
                                      [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto i = range.first; i != range.second; ++i) logusage(i->second, kind);
    }
    if (watched & WATCH_FRAME) {
        for (const Storage& s : framevars)
            if (s.low <= address && address < s.end) logusage(s.rec, kind);
    }
}

void logusage(LocalRec* rec, int kind) {
    UsageLog* log = rec->usage;
    if (!log) {
        log = static_cast<UsageLog*>(newnode(sizeof(UsageLog), newnode(sizeof(UsageBlock), nullptr)));
        log->current = log->first;
        rec->usage = log;
    }
    UsageBlock* b = log->current;
    uint16_t i = log->used++;
    b->kind[i] = static_cast<uint8_t>(kind);
    if (kind == ACC_READ) ++log->reads;
    else ++log->writes;
    b->stamp[i] = timeptr ? *timeptr : 0;
    if (topframe) {
        b->func[i] = topframe->func;
        b->line[i] = topframe->line;
    } else if (DebugEntry* e = lineat(getpc())) {
        b->func[i] = e->func;
        b->line[i] = e->line;
    }
    if (log->used == 10) {
        auto* next = static_cast<UsageBlock*>(newnode(sizeof(UsageBlock), nullptr));
        b->next = next;
        log->current = next;
        log->used = 0;
    }
}

void recordaccess(uint16_t address, int kind) {
    TargetServices& s = services();
    if (s.alarms) s.memalarm(address, kind);
    datahit = nullptr;
    for (EventRecord* e = eventlist; e; e = e->next) {
        if (e->cls != 'D' || !e->var) continue;
        uint32_t low = e->var->address;
        if (address < low || address >= low + e->var->size) continue;
        if (e->access == 'A' || (e->access == 'R' && kind == ACC_READ) ||
            (e->access == 'W' && kind == ACC_WRITE)) {
            datahit = e;
            break;
        }
    }
    if (usagewatched(address)) logaccess(address, kind);
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
