// The input filters of the debugger's edit controls: which typed
// characters each class takes. A refused character beeps and is swallowed;
// READEDIT swallows every one without a beep.
#pragma once
#include <string_view>

namespace vy {

enum class Typed { TAKEN, REFUSED, SWALLOWED };

struct EditFilter {
    const char* classname;
    bool hexdigits;       // 0-9, a-f, A-F
    bool digits;          // 0-9
    bool controls;        // control characters (backspace and the like)
    const char* others;   // further characters taken
    bool readonly;        // nothing is typed, silently
};

// GENEDIT, HEXEDIT, MASKEDIT, NUMEDIT, READEDIT, in that order.
extern const EditFilter editfilters[5];
const EditFilter* editfilter(std::string_view classname);

Typed typed(const EditFilter& filter, unsigned char c);

}  // namespace vy
