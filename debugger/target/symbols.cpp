#include "debugger/target/symbols.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "support/list_node.h"

namespace vy {

SymRec* symlist;
uint32_t* irqptr;
uint32_t* timeptr;
uint32_t* btimeptr;

static uint32_t** tracked(const char* name) {
    if (name[0] != '.') return nullptr;
    if (std::strcmp(name, ".irq") == 0) return &irqptr;
    if (std::strcmp(name, ".time") == 0) return &timeptr;
    if (std::strcmp(name, ".btime") == 0) return &btimeptr;
    return nullptr;
}

SymRec* defsym(const char* given, uint32_t value) {
    // The name may live in the node that is replaced: keep a copy.
    std::string name(given);
    undefsym(name.c_str());
    SymRec** link = &symlist;
    while (*link && ((*link)->name()[0] == '.' || (*link)->value <= value)) link = &(*link)->next;
    std::size_t len = name.size();
    auto* s = static_cast<SymRec*>(newnode(sizeof(SymRec) + len + 1, *link));
    std::memcpy(s->name(), name.c_str(), len + 1);
    s->value = value;
    *link = s;
    if (uint32_t** t = tracked(s->name())) *t = &s->value;
    return s;
}

void undefsym(const char* name) {
    for (SymRec** link = &symlist; *link; link = &(*link)->next) {
        if (std::strcmp((*link)->name(), name) == 0) {
            // The name may live in the node itself: look at it before the
            // node is freed.
            if (uint32_t** t = tracked(name)) *t = nullptr;
            SymRec* gone = *link;
            *link = static_cast<SymRec*>(freenode(gone, gone->next));
            return;
        }
    }
}

SymRec* rensym(const char* name) {
    for (SymRec* s = symlist; s; s = s->next)
        if (std::strcmp(s->name(), name) == 0) return s;
    return nullptr;
}

SymRec* nearsym(uint32_t address) {
    SymRec* below = nullptr;
    for (SymRec* s = symlist; s; s = s->next) {
        if (s->name()[0] == '.') continue;
        if (s->value == address) return s;
        if (s->value > address) break;
        below = s;
    }
    return below;
}

void dropsyms() {
    for (SymRec** link = &symlist; *link;) {
        if ((*link)->name()[0] == '.') {
            link = &(*link)->next;
        } else {
            SymRec* gone = *link;
            *link = static_cast<SymRec*>(freenode(gone, gone->next));
        }
    }
}

void defsymbols(const std::vector<SymDef>& defs) {
    // The last definition of each name counts, at the place it was made.
    std::unordered_map<std::string_view, std::size_t> last;
    for (std::size_t i = 0; i < defs.size(); ++i) last[defs[i].name] = i;
    std::vector<const SymDef*> fresh;
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (last[defs[i].name] == i && defs[i].name[0] != '.') fresh.push_back(&defs[i]);
    std::unordered_set<std::string_view> names;
    for (const SymDef* d : fresh) names.insert(d->name);
    for (SymRec** link = &symlist; *link;) {
        if (names.count((*link)->name())) {
            SymRec* gone = *link;
            *link = static_cast<SymRec*>(freenode(gone, gone->next));
        } else {
            link = &(*link)->next;
        }
    }
    std::stable_sort(fresh.begin(), fresh.end(),
                     [](const SymDef* a, const SymDef* b) { return a->value < b->value; });
    // Each goes where defsym puts it; values only grow, so the search goes on
    // from the symbol placed last.
    SymRec** link = &symlist;
    for (const SymDef* d : fresh) {
        while (*link && ((*link)->name()[0] == '.' || (*link)->value <= d->value)) link = &(*link)->next;
        auto* s = static_cast<SymRec*>(newnode(sizeof(SymRec) + d->name.size() + 1, *link));
        std::memcpy(s->name(), d->name.c_str(), d->name.size() + 1);
        s->value = d->value;
        s->section = d->section;
        s->type = d->type;
        *link = s;
        link = &s->next;
    }
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (last[defs[i].name] != i || defs[i].name[0] != '.') continue;
        SymRec* s = defsym(defs[i].name.c_str(), defs[i].value);
        s->section = defs[i].section;
        s->type = defs[i].type;
    }
}

}  // namespace vy
