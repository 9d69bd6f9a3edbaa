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

}  // namespace vy
