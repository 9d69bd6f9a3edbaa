// The Windows string table made from the message list holds every message
// with the same text as the native table.
#include <gtest/gtest.h>
#include <windows.h>

#include "debugger/target/messages.h"

namespace vy {
namespace {

TEST(StringTable, EveryMessageLoadsWithItsText) {
    int count = 0;
    for (const MessageText& m : messagelist()) {
        char text[256] = {};
        int n = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(m.id), text, sizeof text);
        EXPECT_EQ(n, static_cast<int>(std::string(m.text).size())) << m.id;
        EXPECT_STREQ(text, m.text) << m.id;
        ++count;
    }
    EXPECT_GT(count, 20);
    char none[256] = {};
    EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 9999, none, sizeof none), 0);
}

}  // namespace
}  // namespace vy
