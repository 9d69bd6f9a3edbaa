#include "debugger/target/output.h"

#include <cstdlib>

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

// Ten significant digits: fixed form for exponents from -4 to 6, else
// "d.ddde+x"; trailing zeros dropped.
std::string shortfloat(double value) {
    char buffer[96];
    uint32_t n = fmtbuf(buffer, sizeof buffer, "%.10d", value);
    std::string full(buffer, n);
    std::size_t e = full.find('e');
    if (e == std::string::npos) return full;  // inf, -inf, nan
    std::string mantissa = full.substr(0, e);
    mantissa.pop_back();
    bool negative = mantissa[0] == '-';
    if (negative) mantissa.erase(0, 1);
    while (mantissa.size() > 3 && mantissa.back() == '0') mantissa.pop_back();
    int exponent = std::atoi(full.c_str() + e + 1);
    std::string digits = mantissa.substr(0, 1) + mantissa.substr(2);
    std::string text = negative ? "-" : "";
    if (exponent < 0 && exponent > -5) {
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (exponent >= 0 && exponent < 7) {
        auto point = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() < point) digits.append(point - digits.size(), '0');
        std::string fraction = digits.substr(point);
        text += digits.substr(0, point) + "." + (fraction.empty() ? "0" : fraction);
    } else {
        std::string power = full.substr(e + 2);
        if (power.size() > 1 && power[0] == '0') power.erase(0, 1);
        text += mantissa + "e" + full[e + 1] + power;
    }
    return text;
}

}  // namespace vy
