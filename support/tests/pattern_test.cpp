#include "support/pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

vy::PatternCode compiled(const std::string& pattern) {
    vy::PatternCode code;
    EXPECT_NE(vy::patcompile(code, 0, pattern.c_str()), nullptr) << pattern;
    return code;
}

bool found(const std::string& pattern, std::string_view text) {
    const vy::PatternCode code = compiled(pattern);
    return vy::patfind(text.data(), static_cast<std::int32_t>(text.size()), code);
}

struct FindCase {
    const char* pattern;
    std::string_view text;
    bool found;
};

TEST(Pattern, Find) {
    const FindCase cases[] = {
        {"a*c", "abbbc", true},
        {"a*c", "ab\nc", false},         // '*' stops at a newline
        {"ab^c", "ac", true},
        {"ab^c", "abbc", true},
        {"ab^c", "adc", false},
        {"[!0-9]", "5", false},
        {"[!0-9]", "\n", false},
        {"[!0-9]", "x", true},
        {"[!a]", "\n", false},
        {"^abc", "xabc", false},
        {"^abc", "abcx", true},
        {"abc$", "xxabc", true},
        {"abc$", "abc\nq", true},
        {"abc$", "abcd", false},
        {"a$b", "a$b", true},            // '$' inside is itself
        {"a?c", "abc", true},
        {"a?c", "a\nc", false},
        {"*", "", true},
        {"", "", true},
        {"^", "", true},
        {"b*", "aab", true},             // a leading literal later in the text
        {"x[abc]y", "xby", true},
        {"x[abc]y", "xdy", false},
        {"[a-c]^d", "abcabd", true},
        {"[a-c]^d", "d", true},
        {"[\\]x]", "]", true},
        {"[a\\-z]", "-", true},
        {"[a\\-z]", "m", false},
        {"[a-]", "-", true},
        {"[\\t]", "\t", true},
        {"[z-a]", "m", false},           // an empty range
        {"\\.", ".", true},
        {"\\.", "x", false},
        {"a\\*", "a*", true},
        {"a\\*", "ab", false},
        {"\\101", "A", true},
        {"\\t", "\t", true},
        {"\\(a\\)^", "a^", true},        // '^' after a group mark is itself
        {"^^", "^x", true},              // '^' after the anchor is itself
        {"^^", "x^", false},
        {"a^^", "aaa^", true},           // '^' after a repeat is itself
        {"a^^", "aaa", false},
        {"*^", "x^", true},
        {"x", "", false},
        {"a\\0b", "a\0b"sv, true},       // NUL bytes in the text
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(found(c.pattern, c.text), c.found) << "'" << c.pattern << "' in '" << c.text << "'";
    }
}

struct MatchCase {
    const char* pattern;
    std::string_view text;
    std::int32_t position;
    std::int32_t end;
};

TEST(Pattern, MatchEnds) {
    const MatchCase cases[] = {
        {"a*", "abc\nd", 0, 3},          // longest run, not past the newline
        {"ab^", "abbbx", 0, 4},
        {"ab^b", "abbb", 0, 4},          // gives back one character
        {"a^a^a^b", "aaaab", 0, 5},
        {"*c", "abcabc", 0, 6},
        {"x", "abc", 0, -1},
        {"b", "abc", 1, 2},
        {"^b", "abc", 1, -1},            // anchored: only at the start
        {"$", "ab\n", 2, 2},
        {"$", "ab", 2, 2},
        {"a", "abc", 4, -1},             // position past the text
        {"a", "abc", -1, -1},
    };
    for (const MatchCase& c : cases) {
        const vy::PatternCode code = compiled(c.pattern);
        EXPECT_EQ(vy::patmatch(c.text.data(), static_cast<std::int32_t>(c.text.size()), c.position, code, nullptr),
                  c.end)
            << "'" << c.pattern << "' in '" << c.text << "'";
    }
}

std::string group_text(const vy::PatternGroup& g) {
    return g.start ? std::string(g.start, static_cast<std::size_t>(g.length)) : "<none>";
}

TEST(Pattern, Groups) {
    vy::PatternGroup groups[vy::kPatternGroups];
    const std::string text = "key-123;";
    const vy::PatternCode code = compiled("\\(*\\)-\\([0-9]^\\)");
    EXPECT_EQ(vy::patmatch(text.data(), static_cast<std::int32_t>(text.size()), 0, code, groups), 7);
    EXPECT_EQ(group_text(groups[0]), "key-123");
    EXPECT_EQ(group_text(groups[1]), "key");
    EXPECT_EQ(group_text(groups[2]), "123");
    for (int n = 3; n < vy::kPatternGroups; ++n) EXPECT_EQ(groups[n].start, nullptr);

    // The groups are those of the successful attempt.
    const std::string repeated = "aaab";
    const vy::PatternCode back = compiled("\\(a^\\)\\(ab\\)");
    EXPECT_EQ(vy::patmatch(repeated.data(), 4, 0, back, groups), 4);
    EXPECT_EQ(group_text(groups[1]), "aa");
    EXPECT_EQ(group_text(groups[2]), "ab");

    // Nested groups are numbered by their start; past nine none is recorded.
    const std::string letters = "abcdefghijk";
    const vy::PatternCode many = compiled("\\(a\\(b\\)\\)\\(c\\)\\(d\\)\\(e\\)\\(f\\)\\(g\\)\\(h\\)\\(i\\)\\(j\\)k");
    EXPECT_EQ(vy::patmatch(letters.data(), 11, 0, many, groups), 11);
    EXPECT_EQ(group_text(groups[1]), "ab");
    EXPECT_EQ(group_text(groups[2]), "b");
    EXPECT_EQ(group_text(groups[9]), "i");

    // Deep nesting: the innermost nine are not recorded.
    std::string deep = "x";
    for (int i = 0; i < 100; ++i) deep = "\\(" + deep + "\\)";
    const vy::PatternCode nested = compiled(deep + "y");
    EXPECT_EQ(vy::patmatch("xy", 2, 0, nested, groups), 2);
    EXPECT_EQ(group_text(groups[9]), "x");

    // No match: no groups.
    EXPECT_EQ(vy::patmatch("zzz", 3, 0, code, groups), -1);
    EXPECT_EQ(groups[0].start, nullptr);
}

TEST(Pattern, Delimiter) {
    vy::PatternCode code;
    const char pattern[] = "a\\/b/rest";
    const char* end = vy::patcompile(code, '/', pattern);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end - pattern, 4);
    EXPECT_TRUE(vy::patfind("xa/b", 4, code));

    const char with_set[] = "[/]x/";  // a set holds the delimiter as a character
    end = vy::patcompile(code, '/', with_set);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end - with_set, 4);

    const char dollar[] = "ab$/";
    ASSERT_NE(vy::patcompile(code, '/', dollar), nullptr);
    EXPECT_TRUE(vy::patfind("ab\n", 3, code));
    EXPECT_FALSE(vy::patfind("abc", 3, code));
}

TEST(Pattern, ManyRepeatsStayFast) {
    // Plain backtracking would try about n^8 splits here.
    const std::string line(1000, 'a');
    EXPECT_FALSE(found("*a*a*a*a*a*a*a*b", line));
    EXPECT_FALSE(found("a^a^a^a^a^a^a^b", line));
    EXPECT_TRUE(found("*a*a*a*a*a*a*a*a", line));
    const std::string last = line + "b";
    EXPECT_TRUE(found("*a*a*a*a*a*a*a*b", last));
    const vy::PatternCode code = compiled("a^a^a^b");
    EXPECT_EQ(vy::patmatch(last.data(), static_cast<std::int32_t>(last.size()), 0, code, nullptr), 1001);

    // Every repeat at every position is remembered, however many repeats
    // and however long the line.
    std::string many;
    for (int n = 0; n < 60; ++n) many += "*a";
    const std::string longer(800, 'a');
    EXPECT_FALSE(found(many + "b", longer));
    EXPECT_TRUE(found(many + "b", longer + "b"));
}

TEST(Pattern, MalformedOrTooLong) {
    const struct { const char* name; std::string pattern; char delimiter; } cases[] = {
        {"no delimiter", "abc", '/'},
        {"unclosed group", "\\(abc", 0},
        {"group end without start", "abc\\)", 0},
        {"crossed groups", "\\)a\\(", 0},
        {"unclosed set", "[abc", 0},
        {"unclosed set at the delimiter", "[abc/", '/'},
        {"too many literals", std::string(254, 'a'), 0},
        {"too long a set", "[" + std::string(300, 'a') + "]", 0},
        {"an unclosed group past the ninth", "\\(\\(\\(\\(\\(\\(\\(\\(\\(\\(a\\)\\)\\)\\)\\)\\)\\)\\)\\)", 0},
    };
    for (const auto& c : cases) {
        vy::PatternCode code;
        EXPECT_EQ(vy::patcompile(code, c.delimiter, c.pattern.c_str()), nullptr) << c.name;
        EXPECT_FALSE(vy::patfind(c.pattern.data(), static_cast<std::int32_t>(c.pattern.size()), code)) << c.name;
    }
    // The longest literal pattern that fits, with a repeat in its last byte.
    const std::string longest(253, 'a');
    vy::PatternCode code;
    ASSERT_NE(vy::patcompile(code, 0, (longest + "^").c_str()), nullptr);
    EXPECT_TRUE(vy::patfind(longest.data(), 253, code));
    EXPECT_TRUE(vy::patfind(longest.data(), 252, code));
    ASSERT_NE(vy::patcompile(code, 0, longest.c_str()), nullptr);
    EXPECT_FALSE(vy::patfind(longest.data(), 252, code));
}

}  // namespace
