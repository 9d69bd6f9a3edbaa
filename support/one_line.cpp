#include "support/one_line.h"

namespace vy {

void append_one_line(std::string& out, std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else {
            out += c;
        }
    }
}

std::string one_line(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    append_one_line(out, text);
    return out;
}

}  // namespace vy
