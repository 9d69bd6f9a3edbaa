#include "debugger/engine/statements.h"

#include <cstring>

#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/program.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

static bool startswith(const char* text, const char* word) {
    return std::strncmp(text, word, std::strlen(word)) == 0;
}

static void syntaxerror(const char* statement) { dberror({statement, ": ", msgtext(MSG_SYNTAX), "\n"}); }

// How deep statements nest inside each other right now, and whether the
// statement ended in "return" or in a nesting report, which leave their
// blocks without a report of their own.
static int depth;
static bool returned;

bool condition(const char* position, bool& value, const char*& after) {
    const char* p = position;
    int error = 0;
    ResultRecord* r = xexpr(&p, &error, 1);
    value = isfloating(r->type) ? r->value.real != 0 : r->value.integer != 0;
    if (error) dberror({msgtext(error), ": ", r->text, "\n"});
    xfree(r);
    p = skipblanks(p);
    if (error || *p != ')') return false;
    after = p + 1;
    return true;
}

const char* runstmt(const char* text, int arg) {
    if (*text != '{') return cmdlang(text, arg);
    // Nested braces are counted here, not recursed into.
    int braces = 1;
    const char* p = skipblanks(text + 1);
    for (;;) {
        if (*p == '{') {
            ++braces;
            p = skipblanks(p + 1);
            continue;
        }
        if (*p == '}') {
            ++p;
            if (--braces == 0) return p;
            p = skipblanks(p);
            continue;
        }
        returned = false;
        const char* next = *p ? cmdlang(p, arg) : nullptr;
        if (!next) {
            if (!returned) syntaxerror("{}");
            return nullptr;
        }
        p = skipblanks(next);
    }
}

const char* skipstmt(const char* text) {
    int count = 1;
    if (*text == '{') {
        const char* p = text + 1;
        for (; *p; ++p) {
            if (*p == '{') ++count;
            else if (*p == '}' && --count == 0) return p + 1;
        }
        return p;
    }
    // A simple statement ends at its ";", or before the "}" of the block it
    // stands in; a "{" inside it makes the next ";" not end it.
    int braces = 0;
    const char* p = text;
    for (; *p; ++p) {
        if (*p == '{') {
            ++count;
            ++braces;
        } else if (*p == ';') {
            if (--count == 0) return p + 1;
        } else if (*p == '}') {
            if (braces == 0) return p;
            --braces;
        }
    }
    return p;
}

// A loop of the language stops at the user's stop request, and when the
// debugger is closing. Every command takes the window's messages; a turn
// whose body ran none (a false inner loop, an empty block) takes them
// itself, so that Stop still reaches the loop.
static bool stopped(bool bodyrancommands) {
    if (!bodyrancommands) PollMessages();
    return StopRequest || QuitRequested;
}

static const char* ifstatement(const char* text, int arg) {
    // A statement without its "(" ends the line: the text after the keyword
    // is its condition, never a command of its own.
    const char* p = skipblanks(text + 2);
    if (*p != '(') {
        syntaxerror("if");
        return nullptr;
    }
    bool value = false;
    const char* after = nullptr;
    if (!condition(p + 1, value, after) || !*skipblanks(after)) {
        syntaxerror("if");
        return nullptr;
    }
    const char* s = skipblanks(after);
    if (value) {
        const char* q = runstmt(s, arg);
        if (!q) return nullptr;
        q = skipblanks(q);
        if (!startswith(q, "else")) return q;
        const char* e = skipblanks(q + 4);
        if (!*e) {
            syntaxerror("else");
            return nullptr;
        }
        return skipstmt(e);
    }
    const char* q = skipblanks(skipstmt(s));
    if (!startswith(q, "else")) return q;
    const char* e = skipblanks(q + 4);
    if (!*e) {
        syntaxerror("else");
        return nullptr;
    }
    return runstmt(e, arg);
}

static const char* whilestatement(const char* text, int arg) {
    const char* p = skipblanks(text + 5);
    if (*p != '(') {
        syntaxerror("while");
        return nullptr;
    }
    std::string cond(p + 1);
    bool value = false;
    const char* after = nullptr;
    if (!condition(p + 1, value, after) || !*skipblanks(after)) {
        syntaxerror("while");
        return nullptr;
    }
    const char* s = skipblanks(after);
    std::string statement(s);
    for (bool ran = true; value && !stopped(ran);) {
        const uint32_t begun = CommandsBegun;
        if (!runstmt(statement.c_str(), arg)) return nullptr;
        ran = CommandsBegun != begun;
        const char* ignored = nullptr;
        if (!condition(cond.c_str(), value, ignored)) {
            syntaxerror("while");
            return nullptr;
        }
    }
    return skipstmt(s);
}

static const char* dostatement(const char* text, int arg) {
    const char* s = skipblanks(text + 2);
    if (!*s) {
        syntaxerror("do");
        return nullptr;
    }
    std::string statement(s);
    const char* q = runstmt(s, arg);
    if (!q) return nullptr;
    q = skipblanks(q);
    if (!*q) {
        syntaxerror("do");
        return nullptr;
    }
    if (!startswith(q, "while")) {
        syntaxerror("do");
        return q;
    }
    const char* w = skipblanks(q + 5);
    if (*w != '(') {
        syntaxerror("do while");
        return nullptr;
    }
    std::string cond(w + 1);
    bool value = false;
    const char* after = nullptr;
    for (bool ran = true;;) {
        if (!condition(cond.c_str(), value, after)) {
            syntaxerror("do while");
            return nullptr;
        }
        if (!value || stopped(ran)) break;
        const uint32_t begun = CommandsBegun;
        if (!runstmt(statement.c_str(), arg)) return nullptr;
        ran = CommandsBegun != begun;
    }
    // The ";" that ends the statement, in the line itself.
    const char* end = skipblanks(w + 1 + (after - cond.c_str()));
    if (*end != ';') {
        syntaxerror("do while");
        return end;
    }
    return end + 1;
}

struct Depth {
    Depth() { ++depth; }
    ~Depth() { --depth; }
};

const char* cmdlang(const char* text, int arg) {
    Depth nested;
    if (depth > STATEMENTDEPTH) {
        dberror({msgtext(MSG_NESTING), "\n"});
        returned = true;
        return nullptr;
    }
    if (startswith(text, "if")) return ifstatement(text, arg);
    if (startswith(text, "while")) return whilestatement(text, arg);
    if (startswith(text, "do")) return dostatement(text, arg);
    if (startswith(text, "return")) {
        returned = true;
        return nullptr;
    }
    if (*text == '{') return runstmt(text, arg);

    const char* p = skipblanks(execcmd(text, arg));
    if (*p == '\0') return p;
    if (*p == ';') return p + 1;
    if (*p == '}') return p;   // the end of the block the command stands in
    dberror({msgtext(MSG_MISSING), "';': ", p, "\n"});
    return p;
}

bool readaction(const char*& position, std::string& action) {
    const char* p = position;
    if (!p || !*p) return false;
    if (*p == '{') {
        int braces = 1;
        const char* q = p + 1;
        for (; *q; ++q) {
            if (*q == '{') ++braces;
            else if (*q == '}' && --braces == 0) break;
        }
        action.assign(p + 1, q);
        if (!*q) {
            dbputs({"'}' missing, assumed at end of line\n"});
            position = q;
        } else {
            position = skipblanks(q + 1);
        }
        return true;
    }
    const char* q = p + std::strcspn(p, ";");
    action.assign(p, q);
    position = q;
    return true;
}

}  // namespace vy
