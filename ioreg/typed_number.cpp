#include "ioreg/typed_number.h"

namespace vy {

static int digitof(char c, unsigned base) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    return d >= 0 && static_cast<unsigned>(d) < base ? d : -1;
}

bool ReadTypedNumber(std::string_view text, uint32_t& value) {
    value = 0;
    std::size_t p = text.find_first_not_of(" \t");
    if (p == std::string_view::npos) return false;
    text.remove_prefix(p);
    unsigned base = 10;
    bool negative = false;
    if (text.starts_with("0x")) {
        base = 16;
        text.remove_prefix(2);
        // "0x" without a digit after it is the 0 before the x.
        if (text.empty() || digitof(text[0], 16) < 0) return true;
    } else if (text.size() > 1 && text[0] == '0' && digitof(text[1], 10) >= 0) {
        base = 8;
        text.remove_prefix(1);
        if (digitof(text[0], 8) < 0) return true;   // "09": the 0
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || digitof(text[0], base) < 0) return false;
    for (char c : text) {
        int d = digitof(c, base);
        if (d < 0) break;
        value = value * base + static_cast<uint32_t>(d);
    }
    if (negative) value = 0u - value;
    return true;
}

int32_t OffsetValue(std::string_view text) {
    uint32_t value;
    ReadTypedNumber(text, value);
    return static_cast<int32_t>(value);
}

}  // namespace vy
