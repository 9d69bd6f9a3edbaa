#include "debugger/frame/edit_filters.h"

#include <cctype>
#include <cstring>

namespace vy {

const EditFilter editfilters[5] = {
    //  class        hex    digits controls others   readonly
    {"GENEDIT",  true,  false, true,  "xX%$", false},
    {"HEXEDIT",  true,  false, true,  "xX",   false},
    {"MASKEDIT", true,  false, true,  "xX?",  false},
    {"NUMEDIT",  false, true,  true,  "",     false},
    {"READEDIT", false, false, false, "",     true},
};

const EditFilter* editfilter(std::string_view classname) {
    for (const EditFilter& f : editfilters)
        if (classname == f.classname) return &f;
    return nullptr;
}

Typed typed(const EditFilter& filter, unsigned char c) {
    if (filter.readonly) return Typed::SWALLOWED;
    bool taken = (filter.hexdigits && std::isxdigit(c)) || (filter.digits && std::isdigit(c)) ||
                 (filter.controls && std::iscntrl(c)) || (c != 0 && std::strchr(filter.others, c));
    return taken ? Typed::TAKEN : Typed::REFUSED;
}

}  // namespace vy
