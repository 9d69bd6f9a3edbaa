#include "debugger/target/source_lines.h"

#include <cstdlib>
#include <string>

#include "debugger/target/debug_tables.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

DebugEntry* currentline;
uint16_t startaddress;
uint8_t resetstart;

static bool passedover(const DebugEntry* e) {
    return e->kind == DBG_FUNCREF || e->kind == DBG_FUNCEND || e->kind == DBG_FILE;
}

DebugEntry* curline(uint16_t address) {
    DebugEntry* found = nullptr;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (e->addr == address) {
            if (!passedover(e)) {
                found = e;
                break;
            }
            if (e->kind == DBG_FUNCEND && e->next && e->next->addr == address) {
                found = e->next;
                break;
            }
        } else if (e->addr > address && !passedover(e)) {
            break;
        }
    }
    currentline = found;
    return found;
}

// Frames, call counts and the source trace are the call-frame tracker's;
// without it entering a line does nothing more than finding it.
int enterline(DebugEntry* entry) { return 0; }

static void entrypoint(const std::string& rest) {
    dbputs({msgtext(MSG_ENTRYPOINT), " ", rest, "\n"});
}

int startpoint(const char* text) {
    if (text && std::string(text) == "reset") {
        cpureset();
        startaddress = getpc();
        entrypoint(hexaddr(startaddress));
        return 1;
    }
    if (text && *text) {
        char* end;
        unsigned long n = std::strtoul(text, &end, 0);
        if (*end == '\0') {
            startaddress = static_cast<uint16_t>(n);
            for (SymRec* s = symlist; s; s = s->next) {
                if (s->value == startaddress && s->name()[0] == '_') {
                    entrypoint(hexaddr(startaddress) + " (_" + (s->name() + 1) + ")");
                    return 1;
                }
            }
            dberror({msgtext(MSG_ENTRYPOINT), " ", hexaddr(startaddress), "\n"});
            return 0;
        }
        std::string symbol(1, '_');
        symbol += text;
        if (SymRec* s = rensym(symbol.c_str())) {
            startaddress = static_cast<uint16_t>(s->value);
            entrypoint(std::string(text) + " (" + hexaddr(startaddress) + ")");
            return 1;
        }
        dberror({msgtext(MSG_BADENTRY), ": ", printable(text), "\n"});
        LoadFailed = 1;
        return 0;
    }
    for (const char* name : {"__stext", "__text", ".text"}) {
        if (SymRec* s = rensym(name)) {
            startaddress = static_cast<uint16_t>(s->value);
            entrypoint(hexaddr(startaddress));
            return 1;
        }
    }
    startaddress = 0;
    dberror({msgtext(MSG_BADENTRY)});
    return 0;
}

}  // namespace vy
