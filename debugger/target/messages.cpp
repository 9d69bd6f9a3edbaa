#include "debugger/target/messages.h"

namespace vy {

static const MessageText messages[] = {
    {MSG_BANNER, "SOURCE DEBUGGER FOR"},
    {MSG_AREYOUSURE, "are you sure ?"},
    {MSG_NODEBUG, "no debug symbol table"},
    {MSG_CANTOPEN, "can't open: "},
    {MSG_ABSOLUTE, "***** absolute *****"},
    {MSG_READERROR, "read error"},
    {MSG_UNKNOWNCMD, "unknown command"},
    {MSG_ZERODIVIDE, "zero divide"},
    {MSG_SYNTAX, "syntax error"},
    {MSG_NAMETOOLONG, "name too long"},
    {MSG_SYMBOLNOTFOUND, "symbol not found"},
    {MSG_UNKNOWNREG, "unknown register"},
    {MSG_ILLEGALINSTR, "illegal instruction"},
    {MSG_BREAKPOINT, "***** breakpoint"},
    {MSG_UNCOMPLETE, "uncomplete instruction"},
    {MSG_CANTREDIRECT, "cannot redirect"},
    {MSG_BADSIZE, "incorrect size modifier"},
    {MSG_STACKOVERFLOW, "stack overflow"},
    {MSG_BADARG, "incorrect argument"},
    {MSG_TOOMANYARGS, "too many arguments"},
    {MSG_STRINGTOOLONG, "string too long"},
    {MSG_LOGOPEN, "log file already opened"},
    {MSG_CANTCREATE, "cannot create file"},
    {MSG_LINEPREFIX, "L"},
    {MSG_SOURCEDISPLAY, "C source display /on/off/not avalaible/"},
    {MSG_NOSOURCELINE, "source line not found"},
    {MSG_NOINPUTFILE, "missing input file name "},
    {MSG_NOSOURCE, "no C source defined"},
    {MSG_NOFRAME, "no frame defined"},
    {MSG_INTERNAL, "internal error"},
    {MSG_BADVARIABLE, "incorrect variable"},
    {MSG_NOTADDRESSABLE, "not an addressable variable"},
    {MSG_NOACCESS, "variable can't be accessed"},
    {MSG_ILLEGALTYPE, "illegal type"},
    {MSG_UNKNOWNFIELD, "unkown field"},
    {MSG_ILLEGALOP, "illegal operator"},
    {MSG_BADEXTENSION, "illegal extension for command"},
    {MSG_BADBREAKPOINT, "illegal breakpoint"},
    {MSG_NESTING, "nesting too deep"},
    {MSG_NOTUPDATABLE, "expression not updatable"},
    {MSG_NOMONITOR, "monitor not found"},
    {MSG_MISSING, "missing "},
    {MSG_MODIFIED, " modified"},
    {MSG_NOBREAKPOINT, "breakpoint not found"},
    {MSG_NOEVENTS, "no breakpoint"},
    {MSG_FILENOTFOUND, "file not found"},
    {MSG_NOFUNCTION, "function not found"},
    {MSG_NOLINE, "line not found"},
    {MSG_FUNCSINFILE, "Functions in file"},
    {MSG_NOCODE, "no code at that location"},
    {MSG_INSTACK, "function in stack frame"},
    {MSG_CALLS, " calls"},
    {MSG_NOASSERTION, "assertion not found "},
    {MSG_ILLEGALTERM, " illegal term "},
    {MSG_VALUETOOLARGE, "value too large"},
    {MSG_BADINDEX, "incorrect index register"},
    {MSG_OFFSETTOOLARGE, "offset too large"},
    {MSG_BADMODE, "uncompatible addressing mode"},
    {MSG_SEEKERROR, "seek error"},
    {MSG_MEMOVERFLOW, "memory file overflow"},
    {MSG_ENTRYPOINT, "entry point at"},
    {MSG_BADENTRY, "invalid entry point"},
    {MSG_STRIKEKEY, "Strike any key to continue..."},
};

std::span<const MessageText> messagelist() { return messages; }

const char* messagelookup(int id) {
    for (const MessageText& m : messages)
        if (m.id == id) return m.text;
    return nullptr;
}

}  // namespace vy
