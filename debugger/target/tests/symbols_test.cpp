#include <string>

#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"
#include "target_fixture.h"

namespace vy {
namespace {

using SymbolTest = TargetTest;

// The program symbols in list order, '.' names left out.
static std::string order() {
    std::string names;
    for (SymRec* s = symlist; s; s = s->next)
        if (s->name()[0] != '.') names += s->name();
    return names;
}

TEST_F(SymbolTest, ListStaysInValueOrderWithEarlierDefinitionsFirst) {
    defsym("a", 5);
    defsym("b", 3);
    defsym("c", 5);
    EXPECT_EQ(order(), "bac");
    EXPECT_STREQ(nearsym(5)->name(), "a");
    EXPECT_STREQ(nearsym(4)->name(), "b");
    EXPECT_EQ(nearsym(2), nullptr);
    defsym("a", 7);
    EXPECT_EQ(order(), "bca");
    undefsym("c");
    EXPECT_EQ(order(), "ba");
    undefsym("nothing");
    EXPECT_EQ(order(), "ba");
}

TEST_F(SymbolTest, DotNamesNeverHideProgramSymbols) {
    defsym("buf", 0x100);
    defsym(".small", 0x101);
    EXPECT_STREQ(nearsym(0x101)->name(), "buf");
    EXPECT_STREQ(nearsym(0x200)->name(), "buf");
}

TEST_F(SymbolTest, LookupIsCaseSensitive) {
    defsym("main", 0x8000);
    EXPECT_NE(rensym("main"), nullptr);
    EXPECT_EQ(rensym("Main"), nullptr);
}

TEST_F(SymbolTest, CyclesStopWhileTimeIsUndefinedAndRestartFromItsNewValue) {
    poke(0x8000, {0x01, 0x01, 0x01});  // nop nop nop
    setpc(0x8000);
    undefsym(".time");
    EXPECT_EQ(timeptr, nullptr);
    EXPECT_EQ(decinstr(getpc(), DEC_EXEC, nullptr), 1);
    EXPECT_EQ(getpc(), 0x8001);
    defsym(".time", 1000);
    decinstr(getpc(), DEC_EXEC, nullptr);
    EXPECT_EQ(rensym(".time")->value, 1002u);
}

TEST_F(SymbolTest, ASymbolCanBeRedefinedOrRemovedByItsOwnName) {
    // The name handed over lives in the node that goes away.
    defsym("x", 1);
    defsym(rensym("x")->name(), 9);
    EXPECT_EQ(rensym("x")->value, 9u);
    defsym(rensym(".time")->name(), 5);
    EXPECT_EQ(*timeptr, 5u);
    undefsym(rensym(".time")->name());
    EXPECT_EQ(rensym(".time"), nullptr);
    EXPECT_EQ(timeptr, nullptr);
    undefsym(rensym("x")->name());
    EXPECT_EQ(rensym("x"), nullptr);
}

TEST_F(SymbolTest, DropKeepsOnlyTheSpecialSymbols) {
    defsym("x", 1);
    defsym(".text", 0x8000);
    dropsyms();
    EXPECT_EQ(rensym("x"), nullptr);
    EXPECT_NE(rensym(".text"), nullptr);
    EXPECT_NE(rensym(".time"), nullptr);
    EXPECT_NE(timeptr, nullptr);
}

}  // namespace
}  // namespace vy
