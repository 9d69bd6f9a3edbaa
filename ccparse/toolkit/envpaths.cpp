// Directory lists from environment variables.
#include "ccparse/toolkit/toolkit.h"

#include <cstdlib>

namespace vy {

void envpaths(OptionList& list, const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return;
    std::string_view rest = value;
    while (!rest.empty()) {
        auto semicolon = rest.find(';');
        std::string_view dir = rest.substr(0, semicolon);
        rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
        if (list.free_slots() <= 0) {
            toolstream("too many pathnames\n");
            toolexit(1);
        }
        if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.remove_suffix(1);
        list.add(list.keep(dir));
    }
}

}  // namespace vy
