#include "debugger/engine/numtext.h"

#include <cstring>

#include "support/number_text.h"

namespace vy {

// Writes the digits into the buffer and ends them with a NUL.
static const char* digits(char* buffer, uint32_t v, int base, const char* prefix = "") {
    std::size_t p = std::strlen(prefix);
    std::memcpy(buffer, prefix, p);
    int32_t n = ultotext(buffer + p, v, base);
    buffer[p + static_cast<std::size_t>(n)] = '\0';
    return buffer;
}

const char* sdecstr(int32_t v) {
    static char b[16];
    int32_t n = ltotext(b, v, 0);
    b[n] = '\0';
    return b;
}

const char* udecstr(uint32_t v) {
    static char b[16];
    return digits(b, v, 10);
}

const char* decstr(int32_t v) {
    static char b[16];
    return digits(b, static_cast<uint32_t>(v), 10);
}

const char* uhexstr(uint32_t v) {
    static char b[16];
    return digits(b, v, 16, "0x");
}

const char* hexstr(uint32_t v) {
    static char b[16];
    return digits(b, v, 16, "0x");
}

// The digits right-justified in the field, or asterisks.
static const char* pad(char* buffer, const char* text, int width, char fill) {
    auto n = static_cast<int>(std::strlen(text));
    if (n > width) {
        std::memset(buffer, '*', static_cast<std::size_t>(width));
    } else {
        std::memset(buffer, fill, static_cast<std::size_t>(width - n));
        std::memcpy(buffer + width - n, text, static_cast<std::size_t>(n));
    }
    buffer[width] = '\0';
    return buffer;
}

const char* padnum(uint32_t v, int width, char fill) {
    static char b[16];
    char text[16];
    if (width < 0 || width > 15) width = 15;
    return pad(b, digits(text, v, 10), width, fill);
}

const char* decpad(int32_t v, int width, char fill) {
    static char b[32];
    char text[16];
    if (width < 0 || width > 31) width = 31;
    int32_t n = ltotext(text, v, 0);
    text[n] = '\0';
    return pad(b, text, width, fill);
}

const char* hexpad(uint32_t v, int width, char fill) {
    static char b[32];
    char text[16];
    if (width < 0 || width > 31) width = 31;
    return pad(b, digits(text, v, 16), width, fill);
}

}  // namespace vy
