#include "debugger/engine/scan.h"

namespace vy {

const char* stmtend(const char* text) {
    int depth = 0;
    for (const char* p = text;; ++p) {
        switch (*p) {
        case '\0': return p;
        case ';':
            if (depth == 0) return p;
            break;
        case '{': ++depth; break;
        case '}':
            if (depth == 0) return p;
            if (--depth == 0) return p + 1;
            break;
        default: break;
        }
    }
}

}  // namespace vy
