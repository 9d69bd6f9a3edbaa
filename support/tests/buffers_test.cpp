#include "support/buffers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Buffers, JoinChains) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    char* end = vy::joinstr(buffer, "ab", "", "cd");
    EXPECT_EQ(end, buffer + 4);
    EXPECT_EQ(*end, 0);
    end = vy::joinstr(end, "ef", nullptr, "never");  // a null ends the list
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(end, buffer + 6);
    end = vy::joinstr(end);
    EXPECT_EQ(end, buffer + 6);
    EXPECT_EQ(buffer[7], '#');
}

TEST(Buffers, CopyFillCompare) {
    char text[] = "abcdef";
    EXPECT_EQ(vy::bufcopy(text + 1, text, 4), 4);  // overlapping areas
    EXPECT_STREQ(text, "aabcdf");
    EXPECT_EQ(vy::buffill(text, 3, 'z'), 3);
    EXPECT_STREQ(text, "zzzcdf");
    EXPECT_EQ(vy::bufcopy(text, "xx", 0), 0);
    EXPECT_EQ(vy::bufcopy(text, "xx", -1), 0);
    EXPECT_EQ(vy::buffill(text, -5, 'q'), 0);
    EXPECT_STREQ(text, "zzzcdf");

    const struct { const char* a; const char* b; std::int32_t n; bool equal; } cases[] = {
        {"abc", "abd", 2, true},
        {"abc", "abd", 3, false},
        {"x", "y", 0, true},
        {"a\0b", "a\0c", 3, false},
    };
    for (const auto& c : cases) EXPECT_EQ(vy::bufequal(c.a, c.b, c.n), c.equal) << c.a << " " << c.n;

    EXPECT_TRUE(vy::textequal("abc", "abc"));
    EXPECT_FALSE(vy::textequal("abc", "ab"));
    EXPECT_TRUE(vy::textequal("", ""));
}

TEST(Buffers, Find) {
    const struct { const char* text; char c; std::int32_t index; } chars[] = {
        {"hello", 'l', 2},
        {"hello", 'z', 5},
        {"hello", 0, 5},
        {"", 'a', 0},
    };
    for (const auto& c : chars) EXPECT_EQ(vy::findchar(c.text, c.c), c.index) << c.text << " " << c.c;

    const struct { const char* text; const char* set; std::int32_t index; } sets[] = {
        {"name.ext", "./\\", 4},
        {"dir\\name", "./\\", 3},
        {"plain", "./\\", 5},
        {"abc", "", 3},
    };
    for (const auto& c : sets) EXPECT_EQ(vy::findany(c.text, c.set), c.index) << c.text;
}

}  // namespace
