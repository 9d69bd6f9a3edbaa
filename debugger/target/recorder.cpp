#include "debugger/target/recorder.h"

#include "debugger/target/memory.h"
#include "debugger/target/services.h"

namespace vy {

void RecordMemoryAccess(uint16_t address, int kind) {
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

uint8_t recrdbyte(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return getpage(address)->data[address & (PAGESIZE - 1)];
}

void recwrbyte(uint16_t address, uint8_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    MemPage* p = getpage(address);
    p->data[address & (PAGESIZE - 1)] = value;
    p->state |= PAGE_DIRTY;
}

uint16_t recrdword(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return rdword(address);
}

void recwrword(uint16_t address, uint16_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    wrword(address, value);
}

uint32_t recrdlong(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return rdlong(address);
}

void recwrlong(uint16_t address, uint32_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    wrlong(address, value);
}

uint16_t recgetword(uint16_t address) {
    RecordMemoryAccess(address, ACC_READ);
    return getword(address);
}

void recputword(uint16_t address, uint16_t value) {
    RecordMemoryAccess(address, ACC_WRITE);
    putword(address, value);
}

}  // namespace vy
