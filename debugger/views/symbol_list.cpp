#include "debugger/views/symbol_list.h"

#include <algorithm>
#include <cstring>

#include "debugger/target/debug_tables.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/symbols.h"
#include "debugger/views/list_text.h"
#include "support/format.h"

namespace vy {

std::string hexfield(uint32_t value, int width) {
    char digits[16];
    std::string text(digits, fmtbuf(digits, sizeof digits, "%hl", value));
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return "0x" + text;
}

std::vector<const SymRec*> valueorder() {
    std::vector<const SymRec*> order;
    for (const SymRec* s = symlist; s; s = s->next) order.push_back(s);
    return order;
}

std::vector<const SymRec*> nameorder() {
    std::vector<const SymRec*> order = valueorder();
    std::stable_sort(order.begin(), order.end(), [](const SymRec* a, const SymRec* b) {
        return std::strcmp(a->name(), b->name()) < 0;   // bytes compare unsigned
    });
    return order;
}

bool listedsymbol(const SymRec& symbol) { return symbol.name()[0] != '.'; }

// The object module of the symbol's segment that holds its value: the
// last one starting at or below it.
static const SectionMarker* moduleof(const SymRec& symbol) {
    const SectionMarker* found = nullptr;
    for (const SectionMarker* m = sectionmarkers[symbol.section]; m; m = m->next)
        if (m->value <= symbol.value) found = m;
    return found;
}

static std::string segmentname(uint8_t section) {
    if (section == 0 || section > sectionnames.size()) return {};
    const std::string& name = sectionnames[section - 1];
    return name.empty() ? name : name.substr(1);
}

std::string symbolline(const SymRec& symbol) {
    std::string line = "  " + hexfield(symbol.value, 4) + "  " + colour(2) + symbol.name() + colour(1);
    if (symbol.section == 0) return line + "  absolute" + "  \n";
    line += " in segment " + colour(3) + segmentname(symbol.section) + colour(1);
    if (const SectionMarker* m = moduleof(symbol)) {
        const MarkerNode* module = m->marker;
        if (module && module->file)
            line += std::string(" in: ") + colour(4) + LT_LINK + 'F' + module->file->name + LT_END + colour(1);
        else if (module)
            line += std::string(" in object file: ") + (module->name ? module->name : "");
    }
    return line + "  \n";
}

bool fillsymbols(TextBuf& buf, const std::vector<const SymRec*>& order) {
    if (!TextBufOpen(buf)) return false;
    for (const SymRec* s : order) {
        if (!listedsymbol(*s)) continue;
        std::string line = symbolline(*s);
        TextBufCat(buf, {line});
        if (!buf.base) break;
    }
    if (buf.base) return true;
    TextBufFree(buf);
    return false;
}

}  // namespace vy
