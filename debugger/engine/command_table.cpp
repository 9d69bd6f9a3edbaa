// The command table: keyword, characters compared (the keyword's length)
// with the flags, and the handler. The first row whose keyword is the whole
// first word wins, so every abbreviation is a row of its own.
#include <cstddef>
#include <iterator>
#include <string_view>

#include "debugger/engine/commands.h"
#include "debugger/engine/handlers.h"

namespace vy {

constexpr uint32_t NOREFRESH = CMD_NOREFRESH, NEEDSRC = CMD_NEEDSRC, NEEDFRAME = CMD_NEEDFRAME;

// Declared extern in commands.h, so this constant table has external linkage.
constexpr CommandRow commandtable[] = {
    {"a",         1 | NEEDSRC,              doactiv},
    {"activ",     5 | NEEDSRC,              doactiv},
    {"deact",     5 | NEEDSRC,              dodeact},
    {"b",         1 | NOREFRESH,            dobreak},
    {"break",     5 | NOREFRESH,            dobreak},
    {"w",         1,                        dowatch},
    {"watch",     5,                        dowatch},
    {"del",       3,                        dodelete},
    {"delete",    6,                        dodelete},
    {"db",        2,                        dodbreak},
    {"dbreak",    6,                        dodbreak},
    {"dw",        2,                        dodwatch},
    {"dwatch",    6,                        dodwatch},
    {"disa",      4 | NOREFRESH,            dodisa},
    {"path",      4,                        dopath},
    {"g",         1,                        dogo},
    {"go",        2,                        dogo},
    {"tgo",       3,                        dotgo},
    {"tigo",      4,                        dotigo},
    {"record",    6,                        dorecord},
    {"move",      4 | NEEDSRC | NEEDFRAME,  domove},
    {"l",         1,                        doload},
    {"load",      4,                        doload},
    {"m",         1,                        domonit},
    {"monit",     5,                        domonit},
    {"files",     5 | NEEDSRC | NOREFRESH,  dofiles},
    {"funcs",     5 | NEEDSRC | NOREFRESH,  dofuncs},
    {"print",     5 | NEEDSRC,              doprint},
    {"quit",      4,                        doquit},
    {"r",         1,                        doregs},
    {"regs",      4,                        doregs},
    {"wregs",     5,                        dowregs},
    {"s",         1,                        dostep},
    {"step",      4,                        dostep},
    {"si",        2,                        doistep},
    {"istep",     5,                        doistep},
    {"so",        2,                        doostep},
    {"ostep",     5,                        doostep},
    {"stack",     5,                        dostack},
    {"wstack",    6,                        dowstack},
    {"frame",     5 | NEEDSRC | NEEDFRAME | NOREFRESH, doframe},
    {"u",         1,                        doupdate},
    {"updat",     5,                        doupdate},
    {"update",    6,                        doupdate},
    {"v",         1 | NEEDSRC | NOREFRESH,  dovars},
    {"vars",      4 | NEEDSRC | NOREFRESH,  dovars},
    {"write",     5,                        dowrite},
    {"x",         1,                        doeval},
    {"eval",      4,                        doeval},
    {"zero",      4,                        dozero},
    {"mess",      4,                        domess},
    {"perf",      4 | NEEDSRC | NOREFRESH,  doperf},
    {"sys",       3,                        dosys},
    {"input",     5,                        doinput},
    {"output",    6,                        dooutput},
    {"*",         1,                        dorem},
    {"rem",       3,                        dorem},
    {"dump",      4,                        dodump},
    {"fill",      4,                        dofill},
    {"finish",    6,                        dofinish},
    {"mm",        2,                        domm},
    {"fopen",     5,                        dofopen},
    {"fclose",    6,                        dofclose},
    {"fread",     5,                        dofread},
    {"fwrite",    6,                        dofwrite},
    {"rewind",    6,                        dorewind},
    {"remove",    6,                        doremove},
    {"pause",     5,                        dopause},
    {"reset",     5,                        doreset},
    {"session",   7,                        dosession},
    {"layout",    6,                        dolayout},
    {"int",       3,                        dointerrupt},
    {"interrupt", 9,                        dointerrupt},
    {nullptr,     0,                        nullptr},
};

// Every row compares exactly its keyword's length; lookup copies at most 16
// characters of the typed word.
consteval bool lengthsagree() {
    for (const CommandRow& r : commandtable) {
        if (!r.keyword) return true;
        std::size_t n = std::string_view(r.keyword).size();
        if (n != (r.flags & CMD_LENGTH) || n > 16) return false;
    }
    return false;
}
static_assert(lengthsagree(), "a row's compared count differs from its keyword's length");
static_assert(std::size(commandtable) == 73 + 1, "the command table has 73 rows and the null row");

}  // namespace vy
