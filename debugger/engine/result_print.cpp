// Printing the values of the evaluator in the debugger's formats: the
// format letters, the natural format of each type, strings, structures and
// arrays, and the short form of floating values.
#include <cstdlib>
#include <cstring>
#include <string>

#include "debugger/engine/evaluator.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/sink.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/memory.h"
#include "debugger/target/output.h"
#include "debugger/target/typed_values.h"

namespace vy {

// Structures nested deeper than this print as "{...}".
constexpr int MAXNESTING = 32;
// The longest string printed, in output characters.
constexpr std::size_t STRINGLIMIT = 80;

bool printinline() { return CmdWindowBusy() || capture1.on || capture2.on; }

int isstring(const ResultRecord* r) {
    return ispointerlike(r->type) && nderivations(r->type) == 1 && basetype(r->type) < 11;
}

int escchar(char* out, char c) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 32 && u <= 126) {
        out[0] = c;
        return 1;
    }
    static const char controls[] = "\aa\bb\ff\nn\rr\tt\vv";
    for (const char* p = controls; *p; p += 2)
        if (*p == c) {
            out[0] = '\\';
            out[1] = p[1];
            return 2;
        }
    out[0] = '\\';
    out[1] = static_cast<char>('0' + (u >> 6));
    out[2] = static_cast<char>('0' + (u >> 3 & 7));
    out[3] = static_cast<char>('0' + (u & 7));
    return 4;
}

const char* floattext(double value) {
    static std::string text;
    return (text = shortfloat(value)).c_str();
}

void putfloat(const double* value) { dbputs({floattext(*value)}); }

void fetchval(ResultRecord* r) {
    if (isaggregate(r->type) || topderiv(r->type) == DERIV_FUNCTION || r->storage == 18) {
        r->value.integer = r->address;
        return;
    }
    names().readvalue(*r);
}

// A string in target memory, read 20 bytes at a time: with 'S' escaped and
// in double quotes, with 's' as it is.
static void putstring(uint16_t address, char letter) {
    std::string out;
    bool cut = false, done = false;
    for (uint16_t a = address; !done; a = static_cast<uint16_t>(a + 20)) {
        uint8_t chunk[20];
        for (int i = 0; i < 20; ++i) chunk[i] = rdbyte(static_cast<uint16_t>(a + i));
        for (int i = 0; i < 20 && !done; ++i) {
            if (chunk[i] == 0) {
                done = true;
                break;
            }
            char piece[4];
            int n = 1;
            piece[0] = static_cast<char>(chunk[i]);
            if (letter == 'S') n = escchar(piece, piece[0]);
            if (out.size() + static_cast<std::size_t>(n) > STRINGLIMIT) {
                cut = done = true;
                break;
            }
            out.append(piece, static_cast<std::size_t>(n));
        }
    }
    if (cut && out.size() > 3) out.replace(out.size() - 3, 3, "...");
    if (letter == 'S') out = "\"" + out + "\"";
    dbputs({out});
}

static void putone(ResultRecord* r, char letter, int depth);

// A structure or union inline: "{" name=value, ... "}".
static void putmembers(ResultRecord* r, char letter, int depth) {
    if (depth >= MAXNESTING) {
        dbputs({"{...}"});
        return;
    }
    dbputs({"{"});
    const MemberList* list = r->detail ? r->detail->members : nullptr;
    for (uint32_t k = 0; list && k < list->count; ++k) {
        const LocalRec& m = list->members[k];
        if (k > 0) dbputs({", "});
        ResultRecord member{};
        member.text = r->text;
        member.address = static_cast<uint16_t>(r->address + m.value);
        member.type = m.type;
        member.detail = m.detail;
        member.aux = m.offset5;
        member.storage = ST_MEMORY;
        fetchval(&member);
        dbputs({m.name ? m.name : "", "="});
        putone(&member, letter, depth + 1);
    }
    dbputs({"}"});
}

// Hexadecimal, octal, binary and unsigned output cut the value to the
// type's width; the cycle counter and debugger variables keep 32 bits.
static uint32_t cutvalue(const ResultRecord* r, uint32_t v) {
    if (r->storage == ST_CYCLES || r->storage == ST_DEBUGVAR) return v;
    if (topderiv(r->type) == DERIV_POINTER) return v & pointermax(r->type, r->detail);
    if (topderiv(r->type) != DERIV_NONE) return v;
    switch (basetype(r->type)) {
    case 8: case 9: case 10: case 11: case 75: return v & 0xFF;
    case 16: case 17: case 18: case 24: case 25: case 26: case 74: case 76: case 77: return v & 0xFFFF;
    default: return v;
    }
}

static void putnatural(ResultRecord* r) {
    uint32_t type = r->type;
    auto v = static_cast<uint32_t>(r->value.integer);
    if (topderiv(type) == DERIV_POINTER) {
        if (derivation(type, 1) == DERIV_FUNCTION && v != 0) {
            if (const char* name = names().functionat(v)) {
                dbputs({"(", name, ")"});
                return;
            }
        }
        if (v == 0) dbputs({"NULL"});
        else outprintf("0x%hl", v);
        return;
    }
    if (isfloating(type)) {
        putfloat(&r->value.real);
        return;
    }
    if (topderiv(type) == DERIV_NONE && isenum(basetype(type))) {
        // Enumerators hold 16-bit values.
        const MemberList* list = r->detail ? r->detail->members : nullptr;
        for (uint32_t k = 0; list && k < list->count; ++k) {
            const LocalRec& m = list->members[k];
            if (m.name && (m.value == r->value.integer || static_cast<int16_t>(m.value) == r->value.integer)) {
                dbputs({m.name});
                return;
            }
        }
        outprintf("%l (unknown enum value)", v);
        return;
    }
    // The rest in the default radix (Setup > Default Int Format); a debugger
    // variable keeps its 32 bits.
    if (r->storage == ST_REGISTER) outprintf("0x%hl", v);
    else if (r->storage == ST_CYCLES) outprintf("%ul", v);
    else if (r->storage == ST_DEBUGVAR) outprintf(typefmt(typeposition(T_LONG), 0), v);
    else outprintf(typefmt(typeposition(type), 0), v);
}

static void putone(ResultRecord* r, char letter, int depth) {
    // A character array with a string letter prints its string; other
    // aggregates come before the letter.
    bool text = (letter == 'S' || letter == 's') && isstring(r);
    if (isaggregate(r->type) && !text) {
        bool array = topderiv(r->type) == DERIV_ARRAY;
        if (!printinline()) {
            if (array) BrowseArray(r, r->text, letter);
            else BrowseStruct(r, r->text, letter);
        } else if (array) {
            outprintf("@0x%hl", r->address);
        } else {
            putmembers(r, letter, depth);
        }
        return;
    }
    uint32_t v = static_cast<uint32_t>(intvalue(r));
    switch (letter) {
    case 'C': {
        char text[4];
        int n = escchar(text, static_cast<char>(v));
        dbputs({"'", std::string_view(text, static_cast<std::size_t>(n)), "'"});
        return;
    }
    case 'S':
    case 's':
        if (!text) break;
        if (r->value.integer == 0) dbputs({"NULL"});
        else putstring(static_cast<uint16_t>(r->value.integer), letter);
        return;
    case 'b': outprintf("0b%zl", cutvalue(r, v)); return;
    case 'c': outprintf("%ac", v); return;
    case 'd': outprintf("%l", v); return;
    case 'h': outprintf("%hl", v); return;
    case 'o': outprintf("0%ol", cutvalue(r, v)); return;
    case 'u': outprintf("%ul", cutvalue(r, v)); return;
    case 'x': outprintf("0x%hl", cutvalue(r, v)); return;
    default: break;
    }
    putnatural(r);
}

void putevalline(ResultRecord* r, char letter) {
    bool aggregate = isaggregate(r->type);
    if (!aggregate) dbputs({"    ", r->text, " = "});
    putresult(r, letter);
    if (!aggregate || CmdWindowBusy()) dbputs({"\n"});
}

}  // namespace vy

using namespace vy;

void putresult(ResultRecord* r, int letter) {
    auto l = static_cast<char>(letter);
    if (r->count == 0) {
        putone(r, l, 0);
        return;
    }
    ResultRecord element = *r;
    element.count = 0;
    uint32_t size = sizeoftype(r->type, r->detail);
    dbputs({"{"});
    for (uint32_t i = 0; i < r->count; ++i) {
        if (i > 0) {
            dbputs({", "});
            element.address = static_cast<uint16_t>(element.address + size);
            fetchval(&element);
        }
        putone(&element, l, 0);
    }
    dbputs({"}"});
}
