#include "debugger/target/memory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "debugger/target/loader.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"

#ifdef _WIN32
#include <process.h>
#define vy_getpid _getpid
#else
#include <unistd.h>
#define vy_getpid getpid
#endif

namespace vy {

MemPage* resident[NPAGES];
uint16_t usestamp;
RecentPages recent = {-1, -1, nullptr, nullptr};

static MemPage* slots;
static std::FILE* swapfile;
static std::string swapfilename;
// Swap-file page list: page addresses in the order first touched; a page's
// position is its index in the swap file. swapindex maps back (-1 = absent).
static uint16_t swaplist[NPAGES];
static int swapcount;
static int16_t swapindex[NPAGES];
// Pages the swap file could not take stay here, so that none is ever lost.
static std::unique_ptr<uint8_t[]> keptpage[NPAGES];

void meminit() {
    kvolmode = startedas("kvol");
    if (!slots) slots = static_cast<MemPage*>(newnode(sizeof(MemPage) * NSLOTS, nullptr));
    initswap();
    reindexevents();
    byteorder = 0;
    defsym(".irq", 0);
    defsym(".time", 0);
    defsym(".merr", 0);
}

void initswap() {
    for (int i = 0; i < NSLOTS; ++i) slots[i].state = 0;
    for (int i = 0; i < NPAGES; ++i) {
        resident[i] = nullptr;
        swapindex[i] = -1;
        keptpage[i].reset();
    }
    swapcount = 0;
    usestamp = 0;
    recent = {-1, -1, nullptr, nullptr};
    if (swapfile) {
        std::fclose(swapfile);
        std::remove(swapfilename.c_str());
        swapfile = nullptr;
    }
    const char* temp = std::getenv("TEMP");
    swapfilename = temp ? temp : "";
    if (!swapfilename.empty() && swapfilename.back() != '\\' && swapfilename.back() != '/')
#ifdef _WIN32
        swapfilename += '\\';
#else
        swapfilename += '/';
#endif
    swapfilename += std::to_string(vy_getpid()) + ".vyr";
    swapfile = std::fopen(swapfilename.c_str(), "r+b");
    if (!swapfile) swapfile = std::fopen(swapfilename.c_str(), "w+b");
    if (!swapfile) dberror({msgtext(MSG_CANTOPEN), swapfilename, "\n"});
}

int tgtready() { return 1; }

void memclose() {
    if (!swapfile) return;
    std::fclose(swapfile);
    std::remove(swapfilename.c_str());
    swapfile = nullptr;
}

const char* swappath() { return swapfilename.c_str(); }

// Renumbers the use stamps in their present order when the counter wraps,
// so that replacement stays least recently used.
void restamp() {
    MemPage* order[NSLOTS];
    int n = 0;
    for (int i = 0; i < NSLOTS; ++i)
        if (slots[i].state) order[n++] = &slots[i];
    std::stable_sort(order, order + n,
                     [](const MemPage* a, const MemPage* b) { return a->stamp < b->stamp; });
    for (int i = 0; i < n; ++i) order[i]->stamp = static_cast<uint16_t>(i);
    usestamp = static_cast<uint16_t>(n);
}

static void stamp(MemPage* p) {
    p->stamp = usestamp;
    if (++usestamp == 0) restamp();
}

MemPage* getotherpage(uint16_t address, bool code) {
    if (recent.code) stamp(recent.code);
    if (recent.data) stamp(recent.data);
    int32_t page = address >> 9;
    MemPage* p = resident[page];
    if (p) stamp(p);
    else p = pagein(address);
    if (code) {
        recent.codepage = page;
        recent.code = p;
    } else {
        recent.datapage = page;
        recent.data = p;
    }
    return p;
}

uint8_t rdbyteslow(uint16_t address) {
    rdcheck(address);
    return getpage(address)->data[address & (PAGESIZE - 1)];
}

uint8_t rdcodeslow(uint16_t address) {
    rdcheck(address);
    return getcodepage(address)->data[address & (PAGESIZE - 1)];
}

void wrbyteslow(uint16_t address, uint8_t value) {
    MemPage* p = getpage(address);
    p->data[address & (PAGESIZE - 1)] = value;
    p->state |= PAGE_DIRTY;
    if (watched(watch.memwrite, address) && runflags.armed) scanmemevt(address, 2);
}

static void keep(const MemPage* p) {
    int index = p->swapoffset / PAGESIZE;
    if (!keptpage[index]) keptpage[index] = std::make_unique<uint8_t[]>(PAGESIZE);
    std::memcpy(keptpage[index].get(), p->data, PAGESIZE);
}

static void writeback(const MemPage* p) {
    int index = p->swapoffset / PAGESIZE;
    if (!swapfile) {
        keep(p);
        return;
    }
    if (std::fseek(swapfile, static_cast<long>(p->swapoffset), SEEK_SET) != 0) {
        dberror({msgtext(MSG_SEEKERROR), " write"});
        keep(p);
        return;
    }
    if (std::fwrite(p->data, 1, PAGESIZE, swapfile) != PAGESIZE || std::fflush(swapfile) != 0) {
        dbputs({msgtext(MSG_MEMOVERFLOW), " bloc"});
        keep(p);
        return;
    }
    keptpage[index].reset();
}

// Fills a slot with a page that was pushed out before. A page that only
// lives in host memory comes back dirty, so that it is written out again.
static void readback(MemPage* p, int index) {
    if (keptpage[index]) {
        std::memcpy(p->data, keptpage[index].get(), PAGESIZE);
        keptpage[index].reset();
        p->state = PAGE_USED | PAGE_DIRTY;
        return;
    }
    p->state = PAGE_USED;
    if (!swapfile || std::fseek(swapfile, static_cast<long>(index) * PAGESIZE, SEEK_SET) != 0) {
        dberror({msgtext(MSG_SEEKERROR), " read"});
        std::memset(p->data, 0, PAGESIZE);
        return;
    }
    if (std::fread(p->data, 1, PAGESIZE, swapfile) != PAGESIZE) {
        dberror({msgtext(MSG_READERROR), " bloc"});
        std::memset(p->data, 0, PAGESIZE);
    }
}

MemPage* pagein(uint16_t address) {
    if (!slots) {
        slots = static_cast<MemPage*>(newnode(sizeof(MemPage) * NSLOTS, nullptr));
        initswap();
    }
    uint16_t pageaddr = address & 0xFE00;
    int page = pageaddr >> 9;
    MemPage* victim = nullptr;
    for (int i = 0; i < NSLOTS && !victim; ++i)
        if (slots[i].state == 0) victim = &slots[i];
    if (!victim) {
        victim = &slots[0];
        for (int i = 1; i < NSLOTS; ++i)
            if (slots[i].stamp < victim->stamp) victim = &slots[i];
        if (victim->state & PAGE_DIRTY) writeback(victim);
        resident[victim->pageaddr >> 9] = nullptr;
        if (recent.code == victim || recent.data == victim) recent = {-1, -1, nullptr, nullptr};
    }
    int index = swapindex[page];
    if (index < 0) {
        index = swapcount++;
        swaplist[index] = pageaddr;
        swapindex[page] = static_cast<int16_t>(index);
        std::memset(victim->data, 0, PAGESIZE);
        victim->state = PAGE_USED | PAGE_DIRTY;
    } else {
        readback(victim, index);
    }
    victim->pageaddr = pageaddr;
    victim->swapoffset = static_cast<uint32_t>(index) * PAGESIZE;
    stamp(victim);
    resident[page] = victim;
    return victim;
}

void rdblock(uint8_t* buffer, uint16_t address, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) buffer[i] = rdbyte(static_cast<uint16_t>(address + i));
}

void wrblock(uint16_t address, const uint8_t* buffer, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) wrbyte(static_cast<uint16_t>(address + i), buffer[i]);
}

}  // namespace vy
