// The memory commands `dump`, `fill` and `mm`. Their messages begin and end
// with a blank. A command that fails changes no target memory.
#include <cctype>
#include <cstring>

#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/memory_ops.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/target/services.h"

namespace vy {

constexpr uint32_t TOP = 0xFFFF;   // the last address of the target

// One expression's value as 32 bits; false after an evaluation error.
static bool value(const char*& p, uint32_t& v) {
    int error = 0;
    ResultRecord* r = xexpr(&p, &error, 1);
    v = static_cast<uint32_t>(intvalue(r));
    xfree(r);
    p = skipblanks(p);
    return error == 0;
}

// An address of the target: an expression whose value fits in 16 bits.
static bool address(const char*& p, uint32_t& a) { return value(p, a) && a <= TOP; }

// The options of fill and mm: "/B", "/W", "/L" item size, and the letters
// of `more`, each setting its bit in `chosen`; null after reporting an
// unknown letter.
static const char* options(const char* p, const char* more, unsigned& chosen, int& size) {
    return readoptions(p, [&](const char* at) -> const char* {
        char c = optionletter(*at);
        if (c == 'b' || c == 'w' || c == 'l') {
            size = c == 'b' ? 1 : c == 'w' ? 2 : 4;
        } else if (const char* bit = std::strchr(more, c)) {
            chosen |= 1u << (bit - more);
        } else {
            dberror({" Unknown Option ", "\n"});
            return nullptr;
        }
        return at + 1;
    });
}

// A range: a start address, then "," and a count (last = start + count -
// 1, so a count of 0 ends before the start) or an end address, kept within
// the target. A bad start or end is reported for the command (DUMP, FILL).
struct Range {
    uint32_t start = 0;
    int64_t last = 0;
    bool counted = false;
    int32_t count = 0;
};

static bool readrange(const char*& p, const char* command, Range& r) {
    if (!address(p, r.start)) {
        dberror({" Wrong Start Address for ", command, " ", "\n"});
        return false;
    }
    r.counted = *p == ',';
    if (r.counted) p = skipblanks(p + 1);
    uint32_t v = 0;
    if (!value(p, v)) {
        dberror({" Wrong Size or End Address for ", command, " ", "\n"});
        return false;
    }
    r.count = static_cast<int32_t>(v);
    r.last = r.counted ? static_cast<int64_t>(r.start) + r.count - 1 : static_cast<int64_t>(v);
    if (r.last > TOP) r.last = TOP;
    return true;
}

const char* dodump(const char* text, int arg) {
    int size = 1, base = BASE_HEX;
    bool ascii = false;
    const char* p = readoptions(text, [&](const char* at) -> const char* {
        char c = optionletter(*at);
        if (c == 'a') {
            ascii = true;
        } else if (c == 'b' || c == 'w' || c == 'l') {
            size = c == 'b' ? 1 : c == 'w' ? 2 : 4;
        } else if (c == 'f') {
            if (at[1] != ':') {
                dberror({" Wrong option ", "\n"});
                return nullptr;
            }
            const char* letter = std::strchr("bodh", optionletter(at[2]));
            if (!at[2] || !letter) {
                dberror({" Wrong Option for /F ", "\n"});
                return nullptr;
            }
            base = static_cast<int>(letter - "bodh") + 1;
            return at + 3;
        } else {
            dberror({" 333 Unknown Option ", at, "\n"});
            return nullptr;
        }
        return at + 1;
    });
    if (!p) return CMD_END;
    Range r;
    if (!readrange(p, "DUMP", r)) return CMD_END;
    // A count may end where it starts; an end address must lie above the start.
    if (r.counted ? r.last < r.start : r.last <= r.start) {
        dberror({" Wrong Range for DUMP ", "\n"});
        return CMD_END;
    }
    dumpline(r.start, static_cast<uint32_t>(r.last), size, base, ascii);
    return p;
}

const char* dofill(const char* text, int arg) {
    enum : unsigned { RANDOM = 1, VERIFY = 2 };
    unsigned chosen = 0;
    int size = 1;
    const char* p = options(text, "rv", chosen, size);
    if (!p) return CMD_END;
    Range r;
    if (!readrange(p, "FILL", r)) return CMD_END;
    if (r.counted && r.count == 0) {
        dberror({" Illegal count (zero) ", "\n"});
        return CMD_END;
    }
    if (r.last < r.start) {
        dberror({" Wrong Range for FILL ", "\n"});
        return CMD_END;
    }
    uint32_t filler = 0;
    if (!(chosen & RANDOM)) {
        if (*p == ',') p = skipblanks(p + 1);
        if (!value(p, filler)) {
            dberror({" Missing Filler Value ", "\n"});
            return CMD_END;
        }
    }
    fillmem(r.start, static_cast<uint32_t>(r.last), size, chosen & VERIFY, filler, chosen & RANDOM);
    UpdateMemWindows(1);
    return p;
}

const char* domm(const char* text, int arg) {
    unsigned chosen = 0;
    int size = 1;
    const char* p = options(text, "", chosen, size);
    if (!p) return CMD_END;
    uint32_t at = 0, v = 0;
    if (!address(p, at)) {
        dberror({" Wrong Start Address for FILL ", "\n"});
        return CMD_END;
    }
    if (*p == ',') p = skipblanks(p + 1);
    if (!value(p, v)) {
        dberror({" Missing Value ", "\n"});
        return CMD_END;
    }
    fillmem(at, at, size, false, v, false);
    UpdateMemWindows(1);
    return p;
}

}  // namespace vy
