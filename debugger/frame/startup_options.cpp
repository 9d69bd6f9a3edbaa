#include "debugger/frame/startup_options.h"

#include <cstring>

namespace vy {

static const char* skipspaces(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// The command line without the blanks around it.
static std::string trimmed(const char* p) {
    p = skipspaces(p);
    std::size_t n = std::strlen(p);
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\t')) --n;
    return std::string(p, n);
}

StartupOptions parsecommandline(const char* text) {
    StartupOptions options;
    const char* p = skipspaces(text);
    if (*p != '-') {
        options.rest = trimmed(p);
        return options;
    }
    if (p[1] != 's') {
        options.illegal = true;
        return options;
    }
    p = skipspaces(p + 2);
    options.session = "session /l ";
    const char* end;
    if (*p == '"') {
        ++p;
        end = std::strchr(p, '"');
        if (!end) end = p + std::strlen(p);
    } else {
        end = p + std::strcspn(p, " \t");
    }
    options.session.append(p, end);
    if (*end) ++end;
    options.rest = trimmed(end);
    return options;
}

}  // namespace vy
