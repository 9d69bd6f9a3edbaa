#include "debugger/target/decl_text.h"

#include <cstring>

#include "debugger/target/debug_tables.h"
#include "debugger/target/typed_values.h"

namespace vy {

// Colour and link codes of list windows.
constexpr char COLOUR = '\x01';
constexpr char LINK = '\x15';
constexpr char LINKEND = '\x1A';

std::string pointername(uint32_t word, bool codes) {
    const char* marker = "";
    switch (word & 0x3000) {
    case 0x0000:
    case 0x2000: marker = "@near "; break;
    case 0x3000: marker = "@far "; break;
    default: break;
    }
    if (!codes || !*marker) return std::string(marker) + "*";
    return std::string{COLOUR, '\x05'} + marker + std::string{COLOUR, '\x01'} + "*";
}

// "[count]".
static std::string bounds(uint32_t count) {
    std::string b(1, '[');
    b += std::to_string(count);
    b += ']';
    return b;
}

std::string declarator(const std::string& name, uint32_t type, const std::vector<uint32_t>& words, bool codes) {
    std::string d = name;
    for (int k = 0; k < nderivations(type); ++k) {
        uint32_t word = static_cast<std::size_t>(k) < words.size() ? words[k] : 0;
        switch (derivation(type, k)) {
        case DERIV_POINTER: d = pointername(word, codes) + d; break;
        case DERIV_FUNCTION: d = "(" + d + ")()"; break;
        case DERIV_ARRAY: d += bounds(word); break;
        default: break;
        }
    }
    return d;
}

std::vector<uint32_t> derivationwords(const LocalRec* rec) {
    std::vector<uint32_t> words;
    const TypeDetail* d = rec->detail;
    std::size_t next = d && hasbitfield(static_cast<uint8_t>(rec->type)) ? 1 : 0;
    for (int k = 0; k < nderivations(rec->type); ++k) {
        if (derivation(rec->type, k) == DERIV_FUNCTION || !d || next >= d->words.size()) {
            words.push_back(0);
            continue;
        }
        words.push_back(d->words[next++]);
    }
    return words;
}

const char* tagof(const LocalRec* rec) {
    if (!hasmembers(static_cast<uint8_t>(rec->type)) || !rec->detail || !rec->detail->members) return nullptr;
    const char* tag = rec->detail->members->tag;
    return tag && *tag ? tag : nullptr;
}

static const char* basename(const LocalRec* rec) {
    const char* name = basetypename(static_cast<uint8_t>(rec->type));
    return name ? name : "";
}

std::string timingregname(uint16_t value) { return value == 1 ? "timing register $time" : "????? "; }

std::string descresult(const LocalRec* rec) {
    if (rec->cls == CL_MACHINEREG) return std::string("machine register ") + rec->name;
    if (rec->cls == CL_TIMINGREG) return timingregname(rec->value);
    const char* tag = tagof(rec);
    return std::string(classtext(rec->cls)) + basename(rec) + " " + (tag ? tag : "") + " " +
           declarator(rec->name, rec->type, derivationwords(rec), false);
}

std::string desclocal(const LocalRec* rec) {
    if (rec->cls == CL_MACHINEREG) return std::string("machine register ") + rec->name;
    if (rec->cls == CL_TIMINGREG) return timingregname(rec->value);
    std::string name = std::string{COLOUR, '\x01', LINK, 'V'} + rec->name + LINKEND;
    uint8_t base = static_cast<uint8_t>(rec->type);
    if (base != 1 && hasbitfield(base) && rec->detail && !rec->detail->words.empty())
        name += ':', name += std::to_string(rec->detail->words[0] & 0xFF);
    const char* tag = tagof(rec);
    std::string text{COLOUR, '\x05'};
    text += classtext(rec->cls);
    text += std::string{COLOUR, '\x05'} + basename(rec) + std::string{COLOUR, '\x01'};
    if (tag) text += std::string(" ") + tag;
    return text + " " + declarator(name, rec->type, derivationwords(rec), true);
}

// open holds the member lists being written, so that a structure that
// points to itself is written once; the budget of member lists written keeps
// a tree of types that refer to each other from growing without end.
struct TypeWalk {
    std::vector<const MemberList*> open;
    int budget = 256;
};

static std::string typetext(const LocalRec* rec, int indent, TypeWalk& walk) {
    // From the inside out, as a declarator grows from its name.
    std::vector<uint32_t> words = derivationwords(rec);
    std::string t;
    for (int k = 0; k < nderivations(rec->type); ++k) {
        switch (derivation(rec->type, k)) {
        case DERIV_POINTER: t = pointername(words[k], false) + t; break;
        case DERIV_ARRAY: t += bounds(words[k]); break;
        case DERIV_FUNCTION: t = "(" + t + ")()"; break;
        default: break;
        }
    }
    t = " " + t;
    if (const char* tag = tagof(rec)) t = tag + t;
    uint8_t base = static_cast<uint8_t>(rec->type);
    const MemberList* m = rec->detail ? rec->detail->members : nullptr;
    bool isopen = false;
    for (const MemberList* o : walk.open) isopen |= o == m;
    if ((base == 72 || base == 73) && m && m->count && !isopen && walk.budget > 0) {
        --walk.budget;
        walk.open.push_back(m);
        t += "{";
        std::string margin((indent ? indent + 6 : 15) + t.size(), ' ');
        for (uint32_t i = 0; i < m->count; ++i) {
            const LocalRec* member = &m->members[i];
            if (i) t += margin;
            t += typetext(member, static_cast<int>(margin.size()), walk) + member->name + ";\n";
        }
        t += margin + "}";
        walk.open.pop_back();
    }
    return std::string(classtext(rec->cls)) + basename(rec) + " " + t;
}

std::string typetext(const LocalRec* rec, int indent) {
    TypeWalk walk;
    return typetext(rec, indent, walk);
}

}  // namespace vy
