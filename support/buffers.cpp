#include "support/buffers.h"

#include <cstring>

namespace vy {

char* joinstr(char* destination, std::initializer_list<const char*> strings) {
    for (const char* s : strings) {
        if (!s) break;
        while (*s != 0) *destination++ = *s++;
    }
    *destination = 0;
    return destination;
}

std::int32_t bufcopy(void* destination, const void* source, std::int32_t n) {
    if (n <= 0) return 0;
    std::memmove(destination, source, static_cast<std::size_t>(n));
    return n;
}

std::int32_t buffill(void* destination, std::int32_t n, std::uint8_t byte) {
    if (n <= 0) return 0;
    std::memset(destination, byte, static_cast<std::size_t>(n));
    return n;
}

bool bufequal(const void* a, const void* b, std::int32_t n) {
    return n <= 0 || std::memcmp(a, b, static_cast<std::size_t>(n)) == 0;
}

bool textequal(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

std::int32_t findchar(const char* text, char c) {
    std::int32_t i = 0;
    while (text[i] != 0 && text[i] != c) ++i;
    return i;
}

std::int32_t findany(const char* text, const char* set) {
    return static_cast<std::int32_t>(std::strcspn(text, set));
}

}  // namespace vy
