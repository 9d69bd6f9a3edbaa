#include "debugger/target/registers.h"

#include <cstring>

#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "support/format.h"
#include "support/list_node.h"

namespace vy {

RegImage regs;

static const char* const regnames[] = {"MC68HC11", "a", "b", "cc", "d", "x", "y", "s", "pc"};

void badregister() { msgout(MSG_UNKNOWNREG); }

uint16_t regcode(const char* name) {
    for (uint16_t i = 1; i < 9; ++i)
        if (std::strcmp(name, regnames[i]) == 0) return static_cast<uint16_t>(i * 16);
    return 0;
}

const char* regname(uint16_t code) {
    unsigned i = code / 16u;
    return i < 9 ? regnames[i] : nullptr;
}

RegImage* regsave(RegImage* image) {
    if (!image) image = static_cast<RegImage*>(newnode(sizeof(RegImage), nullptr));
    *image = regs;
    return image;
}

void regrestore(const RegImage* image) { regs = *image; }

uint32_t regsize() { return sizeof(RegImage); }

void cpureset() {
    regs.pc = rdword(0xFFFE);
    regs.cc = CC_X | CC_I;
    regs.a = regs.b = 0;
    regs.x = regs.y = regs.sp = 0;
}

void regline(char* buffer) {
    char flags[9];
    for (int i = 0; i < 8; ++i) flags[i] = (regs.cc & (0x80 >> i)) ? "SXHINZVC"[i] : '.';
    flags[8] = '\0';
    uint32_t n = fmtbuf(buffer, 511, "cc:%p a:%+02hi b:%+02hi x:%+04hi y:%+04hi s:%+04hi pc:%+04hi",
                        flags, regs.a, regs.b, regs.x, regs.y, regs.sp, regs.pc);
    buffer[n] = '\0';
}

void RegWinRefresh(int code) { services().regwinrefresh(code); }

}  // namespace vy
