#include "debugger/target/line_asm.h"

#include <cctype>
#include <cstring>

#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

int mnemindex(const char* text) {
    int low = 1, high = M_COUNT - 1;
    while (low <= high) {
        int mid = (low + high) / 2;
        int c = std::strcmp(text, mnemonics[mid]);
        if (c == 0) return mid;
        if (c < 0) high = mid - 1;
        else low = mid + 1;
    }
    return 0;
}

const OpcodeRow* rowformode(int mnemonic, int code, int* slot) {
    for (int i = 0; i < optablesize; ++i) {
        const OpcodeRow* row = &optable[i];
        if (row->mnemonic != mnemonic) continue;
        if (code != 0 && (row->mode & 0x0F) != code) continue;
        if (slot) *slot = prefixslot(row);
        return row;
    }
    return nullptr;
}

int offsetbad(int32_t value) { return value < -128 || value > 127; }

static bool endofoperand(char c) { return c == '\0' || c == ' ' || c == '\t' || c == ','; }

static uint16_t refuse(int message) {
    msgout(message);
    return 0;
}

uint16_t asmline(uint16_t address) {
    reader.pos = skipwhite(reader.pos);
    char c = *reader.pos;
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') {
        uint32_t value = 0;
        services().evalexpr(&value);
        return static_cast<uint16_t>(value);
    }

    char name[65];
    if (!rdident(name, 64)) return 0;
    for (;;) {
        reader.pos = skipwhite(reader.pos);
        if (*reader.pos != ':') break;
        defsym(name, address);
        reader.pos = skipwhite(reader.pos + 1);
        if (*reader.pos == '\0') return 0;
        if (!rdident(name, 64)) return 0;
    }

    int index = mnemindex(name);
    int slot = 0;
    const OpcodeRow* row = index ? rowformode(index, 0, &slot) : nullptr;
    if (!row) return refuse(MSG_ILLEGALINSTR);
    if ((row->mode & 0x0F) < DIR) {
        uint16_t n = 0;
        if (slot) wrbyte(static_cast<uint16_t>(address + n++), prefixbyte(slot));
        wrbyte(static_cast<uint16_t>(address + n++), row->opcode);
        return n;
    }

    int code = 0, size = 0;
    uint32_t value = 0;
    bool eightbit = regnibble(row->mode) <= 3;
    const char* p = skipwhite(reader.pos);
    if (*p == '#') {
        reader.pos = p + 1;
        if (!services().evalexpr(&value)) return 0;
        code = IMM;
        size = eightbit ? 1 : 2;
        int32_t v = static_cast<int32_t>(value);
        if (eightbit ? (v < -128 || v > 255) : (v < -32768 || v > 65535))
            return refuse(MSG_VALUETOOLARGE);
    } else if (*p == '<') {
        reader.pos = p + 1;
        if (!services().evalexpr(&value)) return 0;
        code = DIR;
        size = 1;
        if (value >= 256) return refuse(MSG_VALUETOOLARGE);
    } else if ((row->mode & 0x07) != 0) {
        reader.pos = p;
        if (!services().evalexpr(&value)) return 0;
        const char* q = skipwhite(reader.pos);
        code = EXT;
        size = 2;
        if (*q == ',' && q[1] != '\0' && endofoperand(q[2])) {
            char r = static_cast<char>(std::tolower(static_cast<unsigned char>(q[1])));
            if (r != 'x' && r != 'y') return refuse(MSG_BADINDEX);
            code = r == 'x' ? INDX : INDY;
            size = 1;
            reader.pos = q + 2;
            if (value >= 256) return refuse(MSG_VALUETOOLARGE);
        } else if (value > 0xFFFF) {
            return refuse(MSG_VALUETOOLARGE);
        }
    }

    bool hasmask = regnibble(row->mode) == 10;
    uint32_t mask = 0;
    if (hasmask) {
        const char* q = skipwhite(reader.pos);
        if (*q == ',') ++q;
        reader.pos = q;
        if (!services().evalexpr(&mask)) return 0;
        if (mask >= 256) return refuse(MSG_VALUETOOLARGE);
    }

    int32_t offset = 0;
    if (row->mode & REL) {
        const char* q = skipwhite(reader.pos);
        if (*q == ',') ++q;
        reader.pos = q;
        uint32_t target = 0;
        if (!services().evalexpr(&target)) return 0;
        code |= REL;
        int branchslot = 0;
        if (!rowformode(index, code, &branchslot)) return refuse(MSG_BADMODE);
        int16_t distance = static_cast<int16_t>(static_cast<uint16_t>(target) - address - (branchslot ? 3 : 2) - size -
                                                (hasmask ? 1 : 0));
        offset = distance;
        if (offsetbad(offset)) return refuse(MSG_OFFSETTOOLARGE);
    }

    row = rowformode(index, code, &slot);
    if (!row) return refuse(MSG_BADMODE);

    uint16_t n = 0;
    auto put = [&](uint8_t byte) { wrbyte(static_cast<uint16_t>(address + n++), byte); };
    if (slot) put(prefixbyte(slot));
    put(row->opcode);
    if (size == 2) {
        put(static_cast<uint8_t>(value >> 8));
        put(static_cast<uint8_t>(value));
    } else if (size == 1) {
        put(static_cast<uint8_t>(value));
    }
    if (hasmask) put(static_cast<uint8_t>(mask));
    if (row->mode & REL) put(static_cast<uint8_t>(offset));
    return n;
}

}  // namespace vy
