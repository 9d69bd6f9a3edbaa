// Numbers of the command line: decimal, octal or hexadecimal, 32-bit wrapping.
#include "ccparse/toolkit/toolkit.h"

namespace vy {

const char* getnum(const char* text, std::int32_t* result, int base) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    bool hex_prefix = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (base == 1) base = hex_prefix ? 16 : p[0] == '0' ? 8 : 10;
    if (base == 16 && hex_prefix) p += 2;
    std::uint32_t value = 0;
    for (;; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9') {
            digit = *p - '0';  // taken whatever the base, so "09" reads as 9
        } else if (*p >= 'a' && *p <= 'z') {
            digit = *p - 'a' + 10;
        } else if (*p >= 'A' && *p <= 'Z') {
            digit = *p - 'A' + 10;
        } else {
            break;
        }
        if (digit >= 10 && digit >= base) break;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    if (negative) value = 0u - value;
    *result = static_cast<std::int32_t>(value);
    return p;
}

}  // namespace vy
