// The older core's single-letter commands: memory dump and modify, register
// show and set, disassembly, values, one-instruction execution, the line
// assembler, symbol lists, output redirection, formatted printing, machine
// breakpoints, macro and action editing, the source display and the runs.
// Every number is read by the core's evaluator; every line goes to the
// core's output.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/line_asm.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/number_text.h"
#include "support/pattern.h"

namespace vy {

// Addresses are shown with four hexadecimal digits.
constexpr int ADDRDIGITS = 4;
// The most rows or instructions one command lists: all of memory.
constexpr uint32_t MAXROWS = 4096;
constexpr uint32_t MAXLINES = 65536;
// A string read from target memory for printing stops here without a NUL.
constexpr uint32_t STRINGCAP = 1024;

static char at(int k = 0) { return reader.pos[k]; }
static void skip() { reader.pos = skipwhite(reader.pos); }
static char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
static bool sizeletter(char c) { return c == 'b' || c == 'w' || c == 'l'; }
static int sizebytes(char size) { return size == 'l' ? 4 : size == 'w' ? 2 : 1; }

// The text up to the end of the statement, without the blanks around it.
static std::string restofstatement() {
    skip();
    const char* end = skipstatement(reader.pos);
    const char* last = end;
    while (last > reader.pos && (last[-1] == ' ' || last[-1] == '\t')) --last;
    std::string text(reader.pos, last);
    reader.pos = end;
    return text;
}

static uint32_t readitem(uint16_t address, char size) {
    if (size == 'l') return rdlong(address);
    if (size == 'w') return rdword(address);
    return rdbyte(address);
}

static void writeitem(uint16_t address, char size, uint32_t value) {
    if (size == 'l') wrlong(address, value);
    else if (size == 'w') wrword(address, static_cast<uint16_t>(value));
    else wrbyte(address, static_cast<uint8_t>(value));
}

// Evaluates a line the user typed; the command's own position is kept.
static int32_t evalline(const std::string& line) {
    const char* saved = reader.pos;
    reader.pos = line.c_str();
    int32_t value = evalexpr();
    reader.pos = saved;
    return value;
}

// "[address][, [#]n]": the start (the current address when none) and, when
// given, the count (with '#') or the end address.
struct Range {
    uint16_t start;
    bool counted = false, ended = false;
    int32_t n = 0;
};

static Range readrange() {
    Range r{core.address};
    if (!endofarg()) r.start = static_cast<uint16_t>(evalexpr());
    skip();
    if (at() == ',') {
        ++reader.pos;
        skip();
        if (at() == '#') {
            ++reader.pos;
            r.counted = true;
        } else {
            r.ended = true;
        }
        r.n = evalexpr();
    }
    return r;
}

// ---------------------------------------------------------------------------
// d: dump

static void dumprow(uint16_t address, char size) {
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) bytes[i] = rdbyte(static_cast<uint16_t>(address + i));
    coreprintf("0x%+0nhl   ", ADDRDIGITS, address);
    for (int i = 0; i < 16; i += sizebytes(size)) {
        uint32_t v = 0;
        for (int k = 0; k < sizebytes(size); ++k) v = v << 8 | bytes[i + k];
        if (size == 'l') coreprintf("%+08hl ", v);
        else if (size == 'w') coreprintf("%+04hi ", v);
        else coreprintf("%+02hi ", v);
    }
    char text[16];
    for (int i = 0; i < 16; ++i) {
        char c = static_cast<char>(bytes[i] & 0x7F);
        text[i] = c < 32 || c == 127 ? '.' : c;
    }
    coreprintf("  %b\n", text, 16);
}

static void dumpcmd() {
    if (sizeletter(lower(at()))) core.dumpsize = lower(*reader.pos++);
    Range r = readrange();
    if (coreabandoned()) return;
    uint32_t rows = core.dumprows;
    if (r.counted) rows = r.n > 0 ? (static_cast<uint32_t>(r.n) + 15) / 16 : 0;
    if (r.ended) rows = static_cast<uint16_t>(r.n) >= r.start ? (static_cast<uint16_t>(r.n) - r.start) / 16u + 1 : 0;
    rows = std::min(rows, MAXROWS);
    if (r.counted || r.ended) core.dumprows = rows;
    uint16_t address = r.start;
    for (uint32_t i = 0; i < rows; ++i, address = static_cast<uint16_t>(address + 16)) dumprow(address, core.dumpsize);
    core.address = address;
    core.repeat = 'd';
}

// ---------------------------------------------------------------------------
// m: modify

// ms: strings in double quotes (C escapes decoded) and lines read for '?'.
static void modifystring() {
    uint16_t address = core.address;
    skip();
    if (at() != '"' && at() != '?' && !endofarg()) address = static_cast<uint16_t>(evalexpr());
    skip();
    if (at() == ',') ++reader.pos;
    for (;;) {
        skip();
        if (at() == '"') {
            for (++reader.pos; at() && at() != '"'; ++reader.pos) {
                char c = at();
                if (c == '\\') c = static_cast<char>(scanesc(reader.pos, nullptr));
                wrbyte(address++, static_cast<uint8_t>(c));
            }
            if (at() == '"') ++reader.pos;
        } else if (at() == '?') {
            ++reader.pos;
            int32_t most = endofarg() ? 0 : evalexpr();
            if (coreabandoned()) return;
            std::string line;
            coreprompt("?> ");
            if (!rdline(line)) break;
            std::size_t n = line.size();
            if (most > 0) n = std::min(n, static_cast<std::size_t>(most));
            for (std::size_t i = 0; i < n; ++i) wrbyte(address++, static_cast<uint8_t>(line[i]));
        } else {
            if (!endofarg()) coreerror(MSG_SYNTAX);
            break;
        }
        skip();
        if (at() != ',') break;
        ++reader.pos;
    }
    core.address = address;
}

static void modifycmd() {
    if (lower(at()) == 's') {
        ++reader.pos;
        modifystring();
        return;
    }
    if (sizeletter(lower(at()))) core.modifysize = lower(*reader.pos++);
    char size = core.modifysize;
    int step = sizebytes(size);
    uint16_t address = core.address;
    skip();
    if (at() != '=' && !endofarg()) address = static_cast<uint16_t>(evalexpr());
    skip();
    if (at() == ',' || at() == '=') {
        ++reader.pos;
        for (;;) {
            auto value = static_cast<uint32_t>(evalexpr());
            if (coreabandoned()) return;
            writeitem(address, size, value);
            address = static_cast<uint16_t>(address + step);
            skip();
            if (at() != ',') break;
            ++reader.pos;
        }
    } else {
        // Interactive: an empty line goes on to the next item, "." ends.
        for (std::string line;;) {
            coreprintf("0x%+0nhl: 0x%+0nhl = ", ADDRDIGITS, address, 2 * step, readitem(address, size));
            if (!rdline(line)) break;
            const char* text = skipwhite(line.c_str());
            if (*text == '.') break;
            if (*text) {
                auto value = static_cast<uint32_t>(evalline(line));
                if (coreabandoned()) return;
                writeitem(address, size, value);
            }
            address = static_cast<uint16_t>(address + step);
        }
    }
    core.address = address;
}

// ---------------------------------------------------------------------------
// x and $: values

// A value in one of the formats of x: 'd', 'h', 'o', or 's' (a symbol and
// an offset, else the default format).
static void putvalue(int32_t value, char format) {
    if (format == 's') {
        if (SymRec* s = nearsym(static_cast<uint32_t>(value))) {
            if (s->value == static_cast<uint32_t>(value)) coreprintf("%p", s->name());
            else coreprintf("%p+%l", s->name(), static_cast<uint32_t>(value) - s->value);
            return;
        }
        format = core.xformat == 's' ? 'd' : core.xformat;
    }
    if (format == 'h') coreprintf("0x%hl", value);
    else if (format == 'o') coreprintf("0%ol", value);
    else coreprintf("%l", value);
}

static void valuecmd() {
    char format = core.xformat;
    if (at() && std::strchr("DHOdhos", at())) {
        format = lower(at());
        if (std::isupper(static_cast<unsigned char>(at()))) core.xformat = format;
        ++reader.pos;
    }
    int32_t value = evalexpr();
    if (coreabandoned()) return;
    putvalue(value, format);
    coreputs("\n");
}

static void registercmd() {
    char name[64];
    if (!rdident(name, 63)) return;
    std::string lowered(name);
    for (char& c : lowered) c = lower(c);
    uint16_t code = regcode(lowered.c_str());
    if (!code) {
        coreerror(MSG_UNKNOWNREG);
        return;
    }
    skip();
    if (at() == '=') ++reader.pos;
    if (endofarg()) {
        coreprintf("%p = ", name);
        putvalue(static_cast<int32_t>(getreg(code)), core.xformat);
        coreputs("\n");
        return;
    }
    auto value = static_cast<uint32_t>(evalexpr());
    if (!coreabandoned()) setreg(code, value);
}

// ---------------------------------------------------------------------------
// e: disassembly

static bool breakat(uint16_t address) {
    for (MemEvent* e = memevents; e; e = e->next)
        if (!(e->flags & (MEV_ANY | MEV_DELETED)) && e->low <= address && address <= e->high) return true;
    return false;
}

// One instruction of a listing; returns its length.
static uint16_t listone(uint16_t address) {
    if (SymRec* s = nearsym(address); s && s->value == address)
        coreprintf("    0x%+0nhl %np%p:\n", ADDRDIGITS, address, 13, "", s->name());
    if (core.sourcedisplay) coreannotate(address);
    std::string text;
    uint16_t length = decinstr(address, DEC_TEXT, &text);
    if (length == NOINSTR) length = 1;
    const char* mark = "    ";
    if (!runflags.listing) {
        if (address == getpc()) mark = "--> ";
        else if (breakat(address)) mark = "(B) ";
    }
    coreprintf("%p0x%+0nhl ", mark, ADDRDIGITS, address);
    for (int i = 0; i < 6; ++i) {
        if (i < length) coreprintf("%+02hi", rdbyte(static_cast<uint16_t>(address + i)));
        else coreputs("  ");
    }
    coreprintf(" %p\n", text.c_str());
    return length;
}

static void listcmd() {
    Range r = readrange();
    if (coreabandoned()) return;
    uint16_t address = r.start;
    if (r.ended) {
        auto end = static_cast<uint16_t>(r.n);
        for (uint32_t done = 0; address <= end && done < MAXLINES; ++done) {
            uint32_t next = address + listone(address);
            if (next > 0xFFFF) {
                address = static_cast<uint16_t>(next);
                break;
            }
            address = static_cast<uint16_t>(next);
        }
    } else {
        uint32_t count = core.listlines;
        if (r.counted) count = core.listlines = r.n > 0 ? std::min(static_cast<uint32_t>(r.n), MAXLINES) : 0;
        for (uint32_t i = 0; i < count; ++i) address = static_cast<uint16_t>(address + listone(address));
    }
    core.address = address;
    core.repeat = 'e';
}

// ---------------------------------------------------------------------------
// / and a: the line assembler

static bool instructionstart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }

// Assembles at the PC into a saved copy, runs it once and puts the bytes
// back; the PC stays at the instruction when execution fell through.
static void executecmd() {
    skip();
    if (endofarg()) {
        coreerror(MSG_UNCOMPLETE);
        return;
    }
    if (!instructionstart(at())) {
        coreerror(MSG_ILLEGALINSTR);
        return;
    }
    uint16_t pc = getpc();
    uint8_t saved[5];
    for (int i = 0; i < 5; ++i) saved[i] = rdbyte(static_cast<uint16_t>(pc + i));
    uint16_t n = asmline(pc);
    if (n == 0) return;
    uint16_t length = decinstr(pc, DEC_EXEC, nullptr);
    for (int i = 0; i < 5; ++i) wrbyte(static_cast<uint16_t>(pc + i), saved[i]);
    if (length != NOINSTR && getpc() == static_cast<uint16_t>(pc + length)) setpc(pc);
}

static void assemblecmd() {
    uint16_t address = endofarg() ? core.address : static_cast<uint16_t>(evalexpr());
    for (std::string line; !coreabandoned();) {
        if (SymRec* s = nearsym(address); s && s->value == address)
            coreprintf("0x%+0nhl  %p:\n", ADDRDIGITS, address, s->name());
        std::string text;
        uint16_t length = decinstr(address, DEC_TEXT, &text);
        if (length == NOINSTR) length = 1;
        char shown[64];
        uint32_t n = fmtbuf(shown, sizeof shown - 1, "0x%+0nhl     ", ADDRDIGITS, address);
        shown[n] = '\0';
        coreprintf("%- 30p", (std::string(shown) + text).c_str());
        if (!rdline(line)) break;
        const char* p = skipwhite(line.c_str());
        if (*p == '.') break;
        if (!*p) {
            address = static_cast<uint16_t>(address + length);
            continue;
        }
        if (!instructionstart(*p)) {
            coreerror(MSG_ILLEGALINSTR);
            continue;
        }
        const char* saved = reader.pos;
        reader.pos = p;
        address = static_cast<uint16_t>(address + asmline(address));
        reader.pos = saved;
    }
    core.address = address;
}

// ---------------------------------------------------------------------------
// l, k and >: symbols and output

static void symbolscmd() {
    char kind = 's';
    if (at() && std::strchr("spfi", lower(at()))) kind = lower(*reader.pos++);
    int columns = 1;
    if (at() >= '1' && at() <= '5') columns = *reader.pos++ - '0';
    else if (std::isdigit(static_cast<unsigned char>(at()))) ++reader.pos;
    std::string pattern = restofstatement();
    PatternCode code;
    if (!pattern.empty() && !patcompile(code, '\0', pattern.c_str())) {
        coreerror(MSG_SYNTAX);
        return;
    }
    auto matches = [&](const char* name) {
        if (pattern.empty()) return true;
        auto n = static_cast<int32_t>(std::strlen(name));
        return patmatch(name, n, 0, code, nullptr) == n;
    };
    int width = std::min(78 / columns, 64);
    int shown = 0;
    auto endentry = [&] {
        if (++shown % columns == 0) coreputs("\n");
    };
    if (kind == 'f') {
        for (const CoreMacro& m : coremacros)
            if (matches(m.name.c_str())) {
                coreprintf("%- np", width, m.name.c_str());
                endentry();
            }
    } else {
        for (SymRec* s = symlist; s; s = s->next) {
            bool dotted = s->name()[0] == '.';
            if ((kind == 's' && dotted) || (kind == 'p' && !dotted) || !matches(s->name())) continue;
            coreprintf("0x%+0nhl: %- np", s->value > 0xFFFF ? 8 : 4, s->value, width - 10, s->name());
            endentry();
        }
    }
    if (shown % columns != 0) coreputs("\n");
}

static void killcmd() {
    for (;;) {
        skip();
        if (at() == ',') {
            ++reader.pos;
            continue;
        }
        if (endofarg()) return;
        char name[64];
        const char* before = reader.pos;
        if (!rdident(name, 63)) continue;
        if (reader.pos == before) {
            coreerror(MSG_SYNTAX);
            return;
        }
        if (rensym(name)) undefsym(name);
        else coreerror(MSG_SYMBOLNOTFOUND);
    }
}

static void redirectcmd() {
    std::string name = restofstatement();
    if (!coreredirect(name.c_str())) coreerror(MSG_CANTREDIRECT);
}

// "format" args: %s a string at an address, %b n bytes at an address, %c,
// %d, %h, %o, %l (symbol and offset), "%%"; other letters as themselves.
static void printcmd() {
    std::string format;
    for (; at() && at() != '"'; ++reader.pos) {
        if (at() == '\\' && at(1)) format += *reader.pos++;
        format += at();
    }
    if (at() == '"') ++reader.pos;
    skip();
    if (at() == ',') ++reader.pos;
    auto argument = [] {
        int32_t v = evalexpr();
        skip();
        if (at() == ',') ++reader.pos;
        return v;
    };
    for (const char* f = format.c_str(); *f && !coreabandoned(); ++f) {
        if (*f == '\\') {
            char c = static_cast<char>(scanesc(f, nullptr));
            coreputs(std::string_view(&c, 1));
            continue;
        }
        if (*f != '%' || !f[1]) {
            coreputs(std::string_view(f, 1));
            continue;
        }
        switch (*++f) {
        case 's': {
            auto address = static_cast<uint16_t>(argument());
            std::string text;
            for (uint32_t i = 0; i < STRINGCAP; ++i) {
                uint8_t b = rdbyte(static_cast<uint16_t>(address + i));
                if (!b) break;
                text += static_cast<char>(b);
            }
            coreputs(text);
            break;
        }
        case 'b': {
            auto address = static_cast<uint16_t>(argument());
            uint32_t n = static_cast<uint32_t>(argument()) & 0xFFFF;
            std::string text;
            for (uint32_t i = 0; i < n; ++i) text += static_cast<char>(rdbyte(static_cast<uint16_t>(address + i)));
            coreputs(text);
            break;
        }
        case 'c': coreprintf("%ac", argument()); break;
        case 'd': coreprintf("%l", argument()); break;
        case 'h': coreprintf("0x%hl", argument()); break;
        case 'o': coreprintf("0%ol", argument()); break;
        case 'l': {
            auto value = static_cast<uint32_t>(argument());
            if (SymRec* s = nearsym(value)) {
                if (s->value == value) coreprintf("%p", s->name());
                else coreprintf("%p+%l", s->name(), value - s->value);
            } else {
                coreprintf("0x%hl", value);
            }
            break;
        }
        default: coreputs(std::string_view(f, 1)); break;
        }
    }
}

static void regscmd() {
    char line[512];
    regline(line);
    coreputs(line);
    if (lower(at()) == 'i') {
        ++reader.pos;
        std::string text;
        decinstr(getpc(), DEC_TEXT, &text);
        coreprintf(" (%p)", text.c_str());
    }
    coreputs("\n");
}

// ---------------------------------------------------------------------------
// b and v: breakpoints, macros and the line editor

void setbreak(uint16_t flags, uint16_t low, uint16_t high, const std::vector<std::string>& action);
MemEvent* findbreak(uint16_t number);
void setaction(MemEvent* e, const std::vector<std::string>& action);
void listbreaks();

static void breakcmd() {
    if (lower(at()) == 'k') {
        ++reader.pos;
        while (!endofarg()) {
            const char* before = reader.pos;
            auto n = static_cast<uint16_t>(evalexpr());
            if (coreabandoned() || reader.pos == before) return;
            rmbrk(n == 0 ? core.stopped : n);
        }
        return;
    }
    uint16_t flags = 0;
    for (;; ++reader.pos) {
        if (lower(at()) == 'r') flags |= MEV_READ;
        else if (lower(at()) == 'w') flags |= MEV_WRITE;
        else break;
    }
    bool letters = flags != 0;
    if (!flags) flags = MEV_READ | MEV_WRITE;
    skip();
    if (!letters && endofarg() && at() != ',') {
        listbreaks();
        return;
    }
    uint16_t low = 0xFFFF, high = 0;
    if (at() == '?' || at() == '{') {
        flags |= MEV_ANY;
    } else {
        low = high = static_cast<uint16_t>(evalexpr());
        skip();
        if (at() == ',') {
            ++reader.pos;
            high = static_cast<uint16_t>(evalexpr());
        }
        skip();
    }
    std::vector<std::string> action;
    if (at() == '?') {
        ++reader.pos;
        std::string text = restofstatement();
        if (text.empty()) editlines(action);
        else action.push_back(text);
    } else if (at() == '{') {
        action.push_back(restofstatement());
    }
    if (coreabandoned()) return;
    setbreak(flags, low, high, action);
}

static void editcmd() {
    skip();
    char what = lower(at());
    if (what) ++reader.pos;
    skip();
    if (what == 'b') {
        auto n = static_cast<uint16_t>(evalexpr());
        MemEvent* e = findbreak(n);
        if (!e) {
            coreerror(MSG_BADARG);
            return;
        }
        std::vector<std::string> lines = actionlines(e);
        editlines(lines);
        if ((e = findbreak(n))) setaction(e, lines);
    } else if (what == 'f') {
        char name[64];
        if (!rdident(name, 63)) return;
        if (!name[0]) {
            coreerror(MSG_SYNTAX);
            return;
        }
        std::vector<std::string> lines;
        if (CoreMacro* m = findmacro(name)) lines = *m->body;
        editlines(lines);
        setmacro(name, std::move(lines));
    } else {
        coreerror(MSG_SYNTAX);
    }
}

// p: the source display on or off.
static void sourcecmd() {
    std::string text = msgtext(MSG_SOURCEDISPLAY);
    std::size_t slash = text.find('/');
    std::string head = text.substr(0, slash);
    std::string fields[3];
    for (int i = 0; i < 3 && slash != std::string::npos; ++i) {
        std::size_t next = text.find('/', slash + 1);
        fields[i] = text.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1);
        slash = next;
    }
    int field = 2;
    if (debuglist) {
        core.sourcedisplay = !core.sourcedisplay;
        field = core.sourcedisplay ? 0 : 1;
    }
    coreputs(head + fields[field] + "\n");
}

// ---------------------------------------------------------------------------
// g, t, s and q

static void gocmd(int mode) {
    if (!endofarg()) setpc(static_cast<uint32_t>(evalexpr()));
    if (coreabandoned()) return;
    startrun(mode, 0);
}

static void stepcmd() {
    for (;; ++reader.pos) {
        char c = lower(at());
        if (c == 'o') core.stepover = true;
        else if (c == 'i') core.stepover = false;
        else if (c == '@') {
            if (debuglist) core.sourcestep = !core.sourcestep;
            else core.sourcedisplay = !core.sourcedisplay;
        } else break;
    }
    if (!endofarg()) core.stepcount = static_cast<uint32_t>(evalexpr());
    if (coreabandoned()) return;
    startrun(RUN_STEP, core.stepcount);
    core.repeat = 's';   // after the run, whose register panel runs statements
}

static void quitcmd() {
    if (std::strncmp(reader.pos - 1, "quit", 4) == 0 && !std::isalnum(static_cast<unsigned char>(reader.pos[3]))) {
        reader.pos += 3;
        core.quit = true;
        return;
    }
    coreprintf("%p", msgtext(MSG_AREYOUSURE));
    std::string answer;
    if (rdline(answer) && lower(*skipwhite(answer.c_str())) == 'y') core.quit = true;
}

// '*': the rest of the line is a comment.
static void commentcmd() { reader.pos += std::strcspn(reader.pos, "\n"); }

// ---------------------------------------------------------------------------
// The table

struct CoreCommand {
    char letter;
    void (*run)();
};

static const CoreCommand corecommands[] = {
    {'d', dumpcmd},
    {'m', modifycmd},
    {'$', registercmd},
    {'e', listcmd},
    {'x', valuecmd},
    {'/', executecmd},
    {'a', assemblecmd},
    {'l', symbolscmd},
    {'k', killcmd},
    {'>', redirectcmd},
    {'"', printcmd},
    {'r', regscmd},
    {'b', breakcmd},
    {'v', editcmd},
    {'p', sourcecmd},
    {'g', [] { gocmd(RUN_GO); }},
    {'t', [] { gocmd(RUN_TRACE); }},
    {'s', stepcmd},
    {'q', quitcmd},
    {'*', commentcmd},
};

void corecommand() {
    char letter = at() == 'E' ? 'e' : at();   // the listing in either case
    for (const CoreCommand& c : corecommands)
        if (c.letter == letter) {
            ++reader.pos;
            c.run();
            return;
        }
    coreerror(MSG_UNKNOWNCMD);
}

}  // namespace vy
