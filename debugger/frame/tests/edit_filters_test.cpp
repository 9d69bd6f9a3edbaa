// The characters each filtered edit class takes.
#include <gtest/gtest.h>

#include <string>

#include "debugger/frame/edit_filters.h"

namespace vy {
namespace {

// What typing the text gives: each character taken (itself), refused
// ('!') or swallowed ('-').
std::string typedthrough(const char* classname, const std::string& text) {
    const EditFilter* filter = editfilter(classname);
    std::string shown;
    for (char c : text) {
        Typed t = typed(*filter, static_cast<unsigned char>(c));
        shown += t == Typed::TAKEN ? c : t == Typed::REFUSED ? '!' : '-';
    }
    return shown;
}

TEST(EditFilters, EachClassTakesItsCharacters) {
    struct Case {
        const char* classname;
        const char* typed;
        const char* shown;
    };
    for (const Case& c : {
             Case{"HEXEDIT", "0x1F", "0x1F"},
             Case{"HEXEDIT", "g", "!"},
             Case{"HEXEDIT", "aAfF9X\b\t\x7f", "aAfF9X\b\t\x7f"},
             Case{"HEXEDIT", "%$?- ", "!!!!!"},
             Case{"GENEDIT", "0x%$Ff\b", "0x%$Ff\b"},
             Case{"GENEDIT", "?g", "!!"},
             Case{"MASKEDIT", "0x?F", "0x?F"},
             Case{"MASKEDIT", "%", "!"},
             Case{"NUMEDIT", "0129\b", "0129\b"},
             Case{"NUMEDIT", "-xaF", "!!!!"},
             Case{"READEDIT", "a1\b-", "----"},
         }) {
        EXPECT_EQ(typedthrough(c.classname, c.typed), c.shown) << c.classname << " " << c.typed;
    }
    EXPECT_EQ(editfilter("EDIT"), nullptr);
    EXPECT_NE(editfilter("NUMEDIT"), nullptr);
}

}  // namespace
}  // namespace vy
