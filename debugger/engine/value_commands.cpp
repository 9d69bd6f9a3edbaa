// The commands that print and change values: `x`/`eval`, `u`/`updat`/
// `update` and `mess`.
#include <cctype>
#include <cstring>
#include <string>

#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/options.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/typecode.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/number_text.h"

namespace vy {

// The longest string literal that `u` writes.
constexpr std::size_t STRINGMAX = 80;

// The evaluator's message for a text: the message, ": " and the text.
static void exprerror(int error, const char* text) { dberror({msgtext(error), ": ", text, "\n"}); }

// A linker symbol printed as a memory cell of the chosen width at its
// value, or (no width) as its value.
static void putcell(SymRec* s, char cell, char letter) {
    ResultRecord r{};
    r.address = static_cast<uint16_t>(s->value);
    r.storage = ST_MEMORY;
    switch (cell) {
    case 'b':
        dbputs({"    [", s->name(), "].b = "});
        r.type = T_UCHAR;
        r.value.integer = rdbyte(r.address);
        break;
    case 'w':
        dbputs({"    [", s->name(), "].w = "});
        r.type = T_USHORT;
        r.value.integer = rdword(r.address);
        break;
    case 'l':
        dbputs({"    [", s->name(), "].l = "});
        r.type = T_ULONG;
        r.value.integer = static_cast<int32_t>(rdlong(r.address));
        break;
    default:
        dbputs({"    ", s->name(), " = "});
        r.type = T_ULONG;
        r.storage = ST_SYMBOL;
        r.value.integer = static_cast<int32_t>(s->value);
        break;
    }
    putresult(&r, letter);
    dbputs({"\n"});
}

const char* doeval(const char* text, int arg) {
    char letter = 0, cell = 0;
    bool quiet = false;
    const char* p = readoptions(text, [&](const char* at) -> const char* {
        char c = optionletter(*at);
        if (std::strchr("dbhusocx", c)) {
            letter = c;
        } else if (c == 'q') {
            quiet = true;
        } else if (c == 'f') {
            if (at[1] != ':') {
                dberror({" Wrong option ", "\n"});
                return nullptr;
            }
            char f = optionletter(at[2]);
            if (!f || !std::strchr("bwl", f)) {
                dberror({"Wrong Format for /F: ", at, "\n"});
                return nullptr;
            }
            cell = f;
            return at + 3;
        } else {
            dberror({"Unknown Option ", at, "\n"});
            return nullptr;
        }
        return at + 1;
    });
    if (!p) return CMD_END;
    if (letter == 'c') letter = 'C';
    if (letter == 's') letter = 'S';

    for (;;) {
        int error = 0;
        ResultRecord* r = xexpr(&p, &error, 1);
        SymRec* symbol = error || r->storage == ST_SYMBOL ? rensym(r->text) : nullptr;
        bool accepted = !error || (error == MSG_NOTADDRESSABLE && isframeclass(r->storage)) || symbol;
        if (!accepted) {
            exprerror(error, r->text);
            xfree(r);
            refreshfollowers();
            return stmtend(p);
        }
        if (!quiet && r->storage != 127) {
            if (symbol) putcell(symbol, cell, letter);
            else putevalline(r, letter);
        }
        xfree(r);
        p = skipblanks(p);
        if (*p != ',') break;
        p = skipblanks(p + 1);
    }
    refreshfollowers();
    return p;
}

// ---------------------------------------------------------------------------
// Update

// A line the user types, asked for with the status texts of a wait.
static bool askuser(const char* prompt, std::string& line) {
    LeftStatus("WAITING");
    RightStatus(prompt);
    bool given = ReadUserLine(prompt, line);
    LeftStatus("Command");
    RightStatus("");
    return given;
}

// String literals in double quotes, with C escapes, separated by ",": their
// bytes one after the other (each literal cut at STRINGMAX characters).
static const char* readliterals(const char* p, std::string& bytes) {
    while (*p == '"') {
        std::size_t n = 0;
        for (++p; *p && *p != '"'; ++p) {
            char c = *p;
            if (c == '\\') c = static_cast<char>(scanesc(p, nullptr));
            if (n++ < STRINGMAX) bytes += c;
            if (!*p) break;
        }
        if (*p == '"') ++p;
        p = skipblanks(p);
        if (*p != ',') break;
        const char* q = skipblanks(p + 1);
        if (*q != '"') break;
        p = q;
    }
    return p;
}

// The symbol of a debugger variable written ".name".
static std::string debugsymbol(const char* text) {
    const char* p = skipblanks(text + 1);
    const char* q = p;
    while (std::isalnum(static_cast<unsigned char>(*q)) || *q == '_' || *q == '$') ++q;
    return ".." + std::string(p, q);
}

static const char* updatestrings(ResultRecord* target, const char* p) {
    std::string bytes;
    if (*p == '?') {
        p += 2;
        std::string line;
        if (askuser("Enter String", line)) bytes = line.substr(0, STRINGMAX);
    } else {
        p = readliterals(p, bytes);
    }
    uint16_t address = topderiv(target->type) == DERIV_POINTER ? static_cast<uint16_t>(target->value.integer)
                                                                : target->address;
    dbputs({"    ", names().describe(*target).c_str(), " = "});
    putresult(target, 'S');
    for (std::size_t i = 0; i < bytes.size(); ++i) wrbyte(static_cast<uint16_t>(address + i), static_cast<uint8_t>(bytes[i]));
    UpdateMemWindows(1);
    std::string shown = "\"";
    for (char c : bytes) {
        char e[4];
        shown.append(e, static_cast<std::size_t>(escchar(e, c)));
    }
    dbputs({" => ", shown, "\"\n"});
    return p;
}

const char* doupdate(const char* text, int arg) {
    const char* p = text;
    int error = 0;
    exprassign = false;
    ResultRecord* target = xexpr(&p, &error, 1);
    exprassign = true;
    if (error) {
        exprerror(error, target->text);
        xfree(target);
        return CMD_END;
    }
    p = skipblanks(p);
    if (*p == '=') p = skipblanks(p + 1);

    bool strings = *p == '"' || (p[0] == '?' && (p[1] == 's' || p[1] == 'S'));
    uint8_t base = basetype(target->type);
    bool updatable = target->storage != ST_VALUE && !isaggregate(target->type) &&
                     topderiv(target->type) != DERIV_FUNCTION &&
                     !(topderiv(target->type) == DERIV_NONE && (base == T_STRUCT || base == T_UNION));
    if (strings ? !isstring(target) : !updatable) {
        exprerror(strings ? MSG_ILLEGALTYPE : MSG_NOTUPDATABLE, target->text);
        xfree(target);
        return CMD_END;
    }
    if (strings) {
        p = updatestrings(target, p);
        xfree(target);
        refreshfollowers();
        return p;
    }

    ResultRecord* source = nullptr;
    if (*p == '?') {
        ++p;
        std::string line;
        askuser("Enter Expression", line);
        const char* q = line.c_str();
        source = xexpr(&q, &error, 1);
    } else {
        source = xexpr(&p, &error, 1);
    }
    if (error) {
        exprerror(error, source->text);
        xfree(target);
        xfree(source);
        return CMD_END;
    }

    int32_t value = intvalue(source);
    double real = isfloating(source->type)      ? source->value.real
                  : isunsignedtype(source->type) ? static_cast<double>(static_cast<uint32_t>(value))
                                                 : static_cast<double>(value);
    std::string name;
    switch (target->storage) {
    case ST_REGISTER: {
        uint16_t pc = getpc();
        setreg(target->address, static_cast<uint32_t>(value));
        if (getpc() != pc) RegsChanged(1);
        break;
    }
    case ST_CYCLES:
        if (target->address == 1 && timeptr) {
            *timeptr = static_cast<uint32_t>(value);
            RunStartCycles = static_cast<uint32_t>(value);
        }
        break;
    case ST_DEBUGVAR:
        name = debugsymbol(target->text);
        defsym(name.c_str(), static_cast<uint32_t>(value));
        break;
    default:
        names().writevalue(*target, value, real);
        UpdateMemWindows(1);
        break;
    }
    std::string described = target->storage == ST_DEBUGVAR ? std::string(target->text) : names().describe(*target);
    dbputs({"    ", described, " = "});
    putresult(target, 0);
    dbputs({" => "});
    putresult(source, 0);
    dbputs({"\n"});
    refreshfollowers();
    xfree(target);
    xfree(source);
    return p;
}

// ---------------------------------------------------------------------------
// Messages

const char* domess(const char* text, int arg) {
    const char* p = skipblanks(text);
    if (*p != '"') {
        dberror({"Missing \" ", "\n"});
        return CMD_END;
    }
    const char* message = p + 1;
    const char* close = message;
    while (*close && !(*close == '"' && close[-1] != '\\')) ++close;
    const char* args = *close ? close + 1 : close;
    const char* end = args;
    args = skipblanks(args);
    if (*args == ',') args = skipblanks(args + 1);

    std::string run;
    auto flush = [&] {
        if (!run.empty()) dbputs({run});
        run.clear();
    };
    for (const char* m = message; m < close; ++m) {
        if (*m == '\\') {
            const char* c = m;
            run += static_cast<char>(scanesc(c, nullptr));
            m = c < close ? c : close - 1;
            continue;
        }
        if (*m != '%') {
            run += *m;
            continue;
        }
        char f = m + 1 < close ? m[1] : '\0';
        if (!f) break;
        ++m;
        if (!std::strchr("bcdhosux", f)) {
            run += f;   // "%%" and "%" with another letter print the letter
            continue;
        }
        flush();
        int error = 0;
        ResultRecord* r = xexpr(&args, &error, 1);
        if (error) {
            dberror({msgtext(error), "\n"});
            xfree(r);
            return args;
        }
        putresult(r, f);
        xfree(r);
        args = skipblanks(args);
        end = args;
        if (*args == ',') args = skipblanks(args + 1);
    }
    flush();
    return end;
}

}  // namespace vy
