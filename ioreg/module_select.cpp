#include "ioreg/module_select.h"

#include <cstring>

namespace vy {

void AddAvailableModule(IodModule*& available, const std::string& title, const std::string& filename) {
    available = newmodule(available, title);
    available->filename = newtext(filename);
}

IodModule* MatchSelection(IodModule*& available, const std::vector<std::string>& titles,
                          std::vector<std::string>& unmatched) {
    IodModule* selected = nullptr;
    for (const std::string& title : titles) {
        const IodModule* found = available;
        while (found && std::strcmp(found->title, title.c_str()) != 0) found = found->link;
        if (!found) {
            unmatched.push_back(title);
            continue;
        }
        selected = newmodule(selected, title);
        selected->filename = newtext(found->filename);
    }
    freemodules(available);
    return selected;
}

}  // namespace vy
