#include "debugger/engine/memory_ops.h"

#include <chrono>
#include <string>

#include "debugger/target/memory.h"
#include "debugger/target/output.h"
#include "debugger/target/services.h"

namespace vy {

// Base code, format, and digits of 1-, 2- and 4-byte items.
struct BaseRow {
    int base;
    const char* format;
    int digits[3];
};
static const BaseRow baserows[] = {
    {BASE_BINARY, "%+0nzl", {8, 16, 32}},
    {BASE_OCTAL, "%+0nol", {3, 6, 12}},
    {BASE_DECIMAL, "%+0nl", {3, 5, 12}},
    {BASE_HEX, "%+0nhl", {2, 4, 8}},
};

static const BaseRow& baserow(int base) {
    for (const BaseRow& r : baserows)
        if (r.base == base) return r;
    return baserows[3];
}

static int sizeindex(int size) { return size == 4 ? 2 : size == 2 ? 1 : 0; }

const char* baseformat(int base) { return baserow(base).format; }
int basedigits(int base, int size) { return baserow(base).digits[sizeindex(size)]; }

static uint32_t readitem(uint16_t address, int size) {
    switch (size) {
    case 2: return rdword(address);
    case 4: return rdlong(address);
    default: return rdbyte(address);
    }
}

static void writeitem(uint16_t address, int size, uint32_t value) {
    switch (size) {
    case 2: wrword(address, static_cast<uint16_t>(value)); break;
    case 4: wrlong(address, value); break;
    default: wrbyte(address, static_cast<uint8_t>(value)); break;
    }
}

void dumpline(uint32_t from, uint32_t to, int size, int base, bool ascii) {
    const char* format = baseformat(base);
    int digits = basedigits(base, size);
    std::string line;
    char field[48];
    for (uint64_t at = from; at <= to; at += 16) {
        line.assign(field, fmtbuf(field, sizeof field, "%+0nhl ", 4, static_cast<uint32_t>(at)));
        for (int i = 0; i < 16; i += size) {
            uint32_t item = readitem(static_cast<uint16_t>(at + i), size);
            line.append(field, fmtbuf(field, sizeof field, format, digits, item));
            line += ' ';
        }
        if (ascii)
            for (int i = 0; i < 16; ++i) {
                char c = static_cast<char>(rdbyte(static_cast<uint16_t>(at + i)) & 0x7F);
                line += c >= 0x20 && c <= 0x7E ? c : '.';
            }
        line += '\n';
        dbputs({line});
    }
}

bool fillmem(uint32_t from, uint32_t to, int size, bool verify, uint32_t value, bool random) {
    if (size != 2 && size != 4) size = 1;
    if (to > 0xFFFF) to = 0xFFFF;
    // One seed for the fill; each item takes the next number of the
    // generator, from 0 to 32767.
    auto seed = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (uint32_t at = from; at <= to; at += static_cast<uint32_t>(size)) {
        uint32_t v = value;
        if (random) {
            seed = seed * 1103515245u + 12345u;
            v = seed >> 16 & 0x7FFF;
        }
        auto address = static_cast<uint16_t>(at);
        writeitem(address, size, v);
        uint32_t mask = size == 4 ? 0xFFFFFFFFu : size == 2 ? 0xFFFFu : 0xFFu;
        if (verify && readitem(address, size) != (v & mask)) {
            dberror({" NO Verify at: ", hexaddr(at), "\n"});
            return false;
        }
    }
    return true;
}

}  // namespace vy
