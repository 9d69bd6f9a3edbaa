// Numbered messages of the debugger that the target model reports.
// The numbers are those of the program's string table; the texts below are
// the one list from which the native table and the Windows string table are
// both made.
#pragma once
#include <cstdint>
#include <span>

namespace vy {

enum MessageId : int {
    MSG_BANNER = 1,            // "SOURCE DEBUGGER FOR"
    MSG_AREYOUSURE = 2,        // "are you sure ?"
    MSG_NODEBUG = 3,           // "no debug symbol table"
    MSG_CANTOPEN = 5,          // "can't open: "
    MSG_ABSOLUTE = 6,          // "***** absolute *****"
    MSG_READERROR = 8,         // "read error"
    MSG_UNKNOWNCMD = 11,       // "unknown command"
    MSG_ZERODIVIDE = 12,       // "zero divide"
    MSG_SYNTAX = 13,           // "syntax error"
    MSG_NAMETOOLONG = 14,      // "name too long"
    MSG_SYMBOLNOTFOUND = 15,   // "symbol not found"
    MSG_UNKNOWNREG = 16,       // "unknown register"
    MSG_ILLEGALINSTR = 17,     // "illegal instruction"
    MSG_BREAKPOINT = 18,       // "***** breakpoint"
    MSG_UNCOMPLETE = 21,       // "uncomplete instruction"
    MSG_CANTREDIRECT = 22,     // "cannot redirect"
    MSG_BADSIZE = 29,          // "incorrect size modifier"
    MSG_STACKOVERFLOW = 30,    // "stack overflow"
    MSG_BADARG = 32,           // "incorrect argument"
    MSG_TOOMANYARGS = 33,      // "too many arguments"
    MSG_STRINGTOOLONG = 34,    // "string too long"
    MSG_LOGOPEN = 36,          // "log file already opened"
    MSG_CANTCREATE = 37,       // "cannot create file"
    MSG_LINEPREFIX = 39,       // "L"
    MSG_SOURCEDISPLAY = 40,    // "C source display /on/off/not avalaible/"
    MSG_NOSOURCELINE = 41,     // "source line not found"
    MSG_NOINPUTFILE = 44,      // "missing input file name "
    MSG_NOSOURCE = 45,         // "no C source defined"
    MSG_NOFRAME = 46,          // "no frame defined"
    MSG_INTERNAL = 51,         // "internal error"
    MSG_BADVARIABLE = 52,      // "incorrect variable"
    MSG_NOTADDRESSABLE = 53,   // "not an addressable variable"
    MSG_NOACCESS = 54,         // "variable can't be accessed"
    MSG_ILLEGALTYPE = 55,      // "illegal type"
    MSG_UNKNOWNFIELD = 56,     // "unkown field"
    MSG_ILLEGALOP = 57,        // "illegal operator"
    MSG_BADEXTENSION = 58,     // "illegal extension for command"
    MSG_BADBREAKPOINT = 59,    // "illegal breakpoint"
    MSG_NESTING = 60,          // "nesting too deep"
    MSG_NOTUPDATABLE = 61,     // "expression not updatable"
    MSG_NOMONITOR = 66,        // "monitor not found"
    MSG_MISSING = 68,          // "missing "
    MSG_MODIFIED = 70,         // " modified"
    MSG_NOBREAKPOINT = 73,     // "breakpoint not found"
    MSG_NOEVENTS = 74,         // "no breakpoint"
    MSG_FILENOTFOUND = 75,     // "file not found"
    MSG_NOFUNCTION = 76,       // "function not found"
    MSG_NOLINE = 77,           // "line not found"
    MSG_FUNCSINFILE = 78,      // "Functions in file"
    MSG_NOCODE = 85,           // "no code at that location"
    MSG_INSTACK = 86,          // "function in stack frame"
    MSG_CALLS = 95,            // " calls"
    MSG_NOASSERTION = 97,      // "assertion not found "
    MSG_ILLEGALTERM = 99,      // " illegal term "
    MSG_VALUETOOLARGE = 180,   // "value too large"
    MSG_BADINDEX = 181,        // "incorrect index register"
    MSG_OFFSETTOOLARGE = 182,  // "offset too large"
    MSG_BADMODE = 183,         // "uncompatible addressing mode"
    MSG_SEEKERROR = 184,       // "seek error"
    MSG_MEMOVERFLOW = 185,     // "memory file overflow"
    MSG_ENTRYPOINT = 186,      // "entry point at"
    MSG_BADENTRY = 187,        // "invalid entry point"
    MSG_STRIKEKEY = 188,       // "Strike any key to continue..."
};

struct MessageText {
    int id;
    const char* text;
};

// The whole list, in number order.
std::span<const MessageText> messagelist();

// The text of a message from the list, or null when it has none.
const char* messagelookup(int id);

}  // namespace vy
