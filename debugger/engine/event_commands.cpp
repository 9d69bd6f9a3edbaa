// The event commands: `b`/`break` and `w`/`watch` (code and value events),
// `db`/`dbreak` and `dw`/`dwatch` (data events), each also listing,
// activating and suspending events, and `del`/`delete` (events or
// monitors).
#include <cctype>
#include <cstring>
#include <string>

#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/events.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/location.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

bool EventMarksStale;

struct EventOptions {
    bool activate = false, suspend = false;
    bool wholefunction = true;     // cleared by /E
    uint32_t count = 0;            // /C:n, 0 when not given
    char access = 'A';             // /T:A, /T:R, /T:W
};

// Reads the options of the letters allowed (A, S, C and E or T): null after
// reporting a letter that is not allowed or a value option without ':'.
static const char* eventoptions(const char* p, const char* letters, EventOptions& o) {
    return readoptions(p, [&](const char* at) -> const char* {
        char c = optionletter(*at);
        if (!std::strchr(letters, c)) {
            dberror({"Unknown Option ", at, "\n"});
            return nullptr;
        }
        if ((c == 'c' || c == 't') && at[1] != ':') {
            dberror({"Wrong option ", at, "\n"});
            return nullptr;
        }
        switch (c) {
        case 'a': o.activate = true; return at + 1;
        case 's': o.suspend = true; return at + 1;
        case 'e': o.wholefunction = false; return at + 1;
        case 'c': {
            uint32_t n = 0;
            for (at += 2; std::isdigit(static_cast<unsigned char>(*at)); ++at) n = (n * 10 + static_cast<uint32_t>(*at - '0')) & 0xFFFF;
            o.count = n;
            return at;
        }
        default: {   // 't'
            char t = static_cast<char>(std::toupper(static_cast<unsigned char>(at[2])));
            if (t == 'A' || t == 'R' || t == 'W') o.access = t;
            return at + (at[2] ? 3 : 2);
        }
        }
    });
}

// A label of the program: a local label (class 18) or a global one (class
// 19, the labels of assembler files).
static bool islabel(const ResultRecord* r) { return r->storage == CL_LOCAL18 || r->storage == CL_GLOBAL; }

// An item of a list that names nothing: the end of the text or of the
// statement, or an empty item before a ','.
static bool noitem(const char* p) { return *p == '\0' || *p == ';' || *p == ',' || *p == '}'; }

// "/A" or "/S": "*" or a list of event numbers.
static const char* activation(const char* p, const EventOptions& o) {
    char letter = o.activate ? 'a' : 's';
    p = skipblanks(p);
    if (*p == '*') {
        activevent(letter, -1);
        return skipblanks(p + 1);
    }
    for (;;) {
        LocationSpec item{};
        const char* after = parseloc(p, item);
        if (!iscount(item)) {
            std::string text(p, std::strcspn(p, ",;"));
            dberror({msgtext(MSG_BADARG), " for: ", text, "\n"});
            return p + std::strcspn(p, ";");
        }
        activevent(letter, static_cast<int>(item.number));
        p = skipblanks(after);
        if (*p != ',') return p;
        p = skipblanks(p + 1);
    }
}

static const char* codeevents(const char* text, int arg, int watch) {
    EventOptions o;
    const char* p = eventoptions(text, "asce", o);
    if (!p) return CMD_END;
    if (o.activate || o.suspend) return activation(p, o);
    EventMaking m{o.count, arg, watch, o.wholefunction};
    for (;;) {
        p = skipblanks(p);
        if (noitem(p)) {
            listevents();
            CommandQuiet = true;
            return p;
        }
        LocationSpec where{};
        const char* after = parseloc(p, where);
        const char* next = nullptr;
        if (where.isaddress) {
            next = addabsevt(after, where.address, m);
        } else if (isline(where)) {
            next = addlinevt(after, where, curframe, m);
        } else {
            // Any other location is an expression, read whole.
            const char* q = p;
            int error = 0;
            ResultRecord* r = xexpr(&q, &error, 1);
            if (error || r->storage == ST_VALUE) {
                dberror({msgtext(error ? error : MSG_BADBREAKPOINT), ": ", r->text, "\n"});
                xfree(r);
                return CMD_END;
            }
            if (r->storage == ST_SYMBOL) {
                std::string symbol = r->text;
                xfree(r);
                next = addsymevt(q, symbol.c_str(), m);
            } else if (islabel(r)) {
                next = addlabevt(q, r, m);
            } else {
                next = addexpevt(q, r, m);
            }
        }
        if (!next) return CMD_END;
        p = skipblanks(next);
        if (*p != ',') return p;
        ++p;
    }
}

static const char* dataevents(const char* text, int arg, int watch) {
    EventOptions o;
    const char* p = eventoptions(text, "asct", o);
    if (!p) return CMD_END;
    if (o.activate || o.suspend) return activation(p, o);
    EventMaking m{o.count, arg, watch, true};
    for (;;) {
        p = skipblanks(p);
        if (noitem(p)) {
            listevents();
            CommandQuiet = true;
            return p;
        }
        LocationSpec where{};
        const char* after = parseloc(p, where);
        if (!hasname(where)) {
            dberror({"Illegal Variable specification for DATA Event", "\n"});
            return CMD_END;
        }
        std::string written(p, after);
        const char* next = adddataevt(after, where, written.c_str(), o.access, m);
        if (!next) return CMD_END;
        p = skipblanks(next);
        if (*p != ',') return p;
        ++p;
    }
}

const char* dobreak(const char* text, int arg) { return codeevents(text, arg, 0); }
const char* dowatch(const char* text, int arg) { return codeevents(text, arg, 1); }
const char* dodbreak(const char* text, int arg) { return dataevents(text, arg, 0); }
const char* dodwatch(const char* text, int arg) { return dataevents(text, arg, 1); }

// ---------------------------------------------------------------------------
// Delete

// One event item: a number, a source range, an address or an expression.
static const char* deleteevent(const char* p) {
    LocationSpec where{};
    const char* after = parseloc(p, where);
    std::string item(p, after);
    // A number alone names an event; "1+1" is an expression.
    if (iscount(where) && (noitem(skipblanks(after)) || isblankbyte(*after))) {
        rmevent(static_cast<int>(where.number), 1);
        return after;
    }
    if (where.isaddress) {
        if (!rmabsevts(where.address)) dberror({"Unknown Absolute Event: ", item, "\n"});
        return after;
    }
    if (isline(where)) {
        if (rmlinevts(where, curframe) == 0) dberror({"Unknown Code Event: ", item, "\n"});
        return after;
    }
    const char* q = p;
    int error = 0;
    ResultRecord* r = xexpr(&q, &error, 1);
    if (error || r->storage == ST_VALUE) {
        dberror({msgtext(error ? error : MSG_BADBREAKPOINT), ": ", r->text, "\n"});
    } else if (r->storage == ST_SYMBOL) {
        if (!rmsymevts(r->text)) dberror({"Unknown Symbol Event: ", r->text, "\n"});
    } else if (islabel(r)) {
        if (!rmlabevts(r->address)) dberror({"Unknown Label Event: ", r->text, "\n"});
    } else if (!rmexpevts(r->text)) {
        dberror({"Unknown Data Event: ", r->text, "\n"});
    }
    xfree(r);
    return q;
}

// One monitor item: an expression, parsed without evaluating; null after
// an error that ends the command.
static const char* deletemonitor(const char* p) {
    const char* q = p;
    int error = 0;
    ResultRecord* r = xexpr(&q, &error, 0);
    if (error && !(error == MSG_NOTADDRESSABLE && isframeclass(r->storage))) {
        dberror({msgtext(error), ": ", r->text, "\n"});
        xfree(r);
        return nullptr;
    }
    if (!rmmonittext(r->text)) dberror({" Unknown Monitor: ", r->text, "\n"});
    xfree(r);
    return q;
}

const char* dodelete(const char* text, int arg) {
    bool ofmonitors = false;
    const char* p = readletters(text, "em", [&](char c) { ofmonitors = c == 'm'; });
    if (!p) return CMD_END;
    if (!ofmonitors) EventMarksStale = true;
    // "*" alone is everything; "*p" is an expression.
    if (*p == '*' && noitem(skipblanks(p + 1))) {
        if (ofmonitors) rmmonit(-1);
        else rmevent(-1, 1);
        return skipblanks(p + 1);
    }
    for (;;) {
        p = skipblanks(p);
        if (noitem(p)) return p;
        const char* next = ofmonitors ? deletemonitor(p) : deleteevent(p);
        if (!next) return stmtend(p);
        p = skipblanks(next);
        if (*p != ',') return p;
        ++p;
    }
}

}  // namespace vy
