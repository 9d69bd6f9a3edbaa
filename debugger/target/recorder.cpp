#include "debugger/target/recorder.h"

namespace vy {

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
