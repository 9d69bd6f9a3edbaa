#include "support/line_read.h"

#include "support/fatal.h"

namespace vy {

std::int32_t getl(std::FILE* stream, char* buffer, std::int32_t n) {
    if (!stream) fatalexit("getl error", nullptr);
    std::int32_t count = 0;
    while (count < n) {
        int c = std::getc(stream);
        if (c == EOF) break;
        if (c == '\r') {
            const int after = std::getc(stream);
            if (after == '\n') {
                c = '\n';
            } else if (after != EOF) {
                std::ungetc(after, stream);
            }
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    return count;
}

}  // namespace vy
