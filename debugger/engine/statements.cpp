#include "debugger/engine/statements.h"

#include <cstring>

#include "debugger/engine/commands.h"
#include "debugger/engine/scan.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

static bool startswith(const char* text, const char* word) {
    return std::strncmp(text, word, std::strlen(word)) == 0;
}

const char* runstmt(const char* text, int arg) {
    if (*text != '{') return cmdlang(text, arg);
    // Nested braces are counted here, not recursed into, so no depth of
    // braces can exhaust the stack.
    int depth = 1;
    const char* p = skipblanks(text + 1);
    for (;;) {
        if (*p == '{') {
            ++depth;
            p = skipblanks(p + 1);
            continue;
        }
        if (*p == '}') {
            ++p;
            if (--depth == 0) return p;
            p = skipblanks(p);
            continue;
        }
        const char* next = *p ? cmdlang(p, arg) : nullptr;
        if (!next) {
            if (!startswith(p, "return")) dberror({"{}: ", msgtext(MSG_SYNTAX), "\n"});
            return nullptr;
        }
        p = skipblanks(next);
    }
}

const char* cmdlang(const char* text, int arg) {
    for (const char* word : {"if", "while", "do"})
        if (startswith(text, word)) {
            notbuilt(word, text);
            return nullptr;
        }
    if (startswith(text, "return")) return nullptr;
    if (*text == '{') return runstmt(text, arg);

    const char* p = skipblanks(execcmd(text, arg));
    if (*p == '\0') return p;
    if (*p == ';') return p + 1;
    if (*p == '}') return p;   // the end of the block the command stands in
    dberror({msgtext(MSG_MISSING), "';': ", p, "\n"});
    return p;
}

}  // namespace vy
