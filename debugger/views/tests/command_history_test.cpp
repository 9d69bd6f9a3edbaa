// The command window's history of the last 20 commands.
#include <gtest/gtest.h>

#include <string>

#include "debugger/views/command_history.h"

namespace vy {
namespace {

std::string shown(const std::string* entry) { return entry ? *entry : "(none)"; }

TEST(CommandHistory, UpAndDownWalkTheEntries) {
    CommandHistory h;
    EXPECT_EQ(h.older(), nullptr) << "Up with an empty history";
    EXPECT_EQ(h.newer(), nullptr);
    for (const char* c : {"go", "step", "regs"}) h.add(c);
    EXPECT_EQ(shown(h.older()), "regs");
    EXPECT_EQ(shown(h.older()), "step");
    EXPECT_EQ(shown(h.older()), "go");
    EXPECT_EQ(h.older(), nullptr) << "a fourth Up stays at the oldest";
    EXPECT_EQ(shown(h.newer()), "step");
    EXPECT_EQ(shown(h.newer()), "regs");
    EXPECT_EQ(h.newer(), nullptr);
    h.add("x 1");
    EXPECT_EQ(shown(h.older()), "x 1") << "adding resets the cursor";
}

TEST(CommandHistory, TheTwentyFirstPushesTheOldestOut) {
    CommandHistory h;
    for (int i = 1; i <= 21; ++i) h.add("c" + std::to_string(i));
    EXPECT_EQ(h.size(), 20u);
    std::string oldest;
    while (const std::string* e = h.older()) oldest = *e;
    EXPECT_EQ(oldest, "c2");
}

}  // namespace
}  // namespace vy
