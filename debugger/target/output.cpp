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

std::string hexaddr(uint32_t value) {
    char text[16];
    uint32_t n = fmtbuf(text, sizeof text, "0x%hl", value);
    std::string s(text, n);
    if (s.size() < 7) s.append(7 - s.size(), ' ');
    return s;
}

}  // namespace vy
