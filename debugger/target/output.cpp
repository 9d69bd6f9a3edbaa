#include "debugger/target/output.h"

namespace vy {

int16_t writeoutput(void* context, const char* bytes, int16_t count) {
    services().output(std::string_view(bytes, static_cast<std::size_t>(count)));
    return count;
}

int16_t writecommand(void* context, const char* bytes, int16_t count) {
    services().cmdoutput(std::string_view(bytes, static_cast<std::size_t>(count)));
    return count;
}

std::string printable(std::string_view text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\t') || c >= 0x7F) {
            s += "\\x";
            s += digits[c >> 4];
            s += digits[c & 15];
        } else {
            s += static_cast<char>(c);
        }
    }
    return s;
}

std::string hexaddr(uint32_t value) {
    char text[16];
    uint32_t n = fmtbuf(text, sizeof text, "0x%hl", value);
    std::string s(text, n);
    if (s.size() < 7) s.append(7 - s.size(), ' ');
    return s;
}

}  // namespace vy
