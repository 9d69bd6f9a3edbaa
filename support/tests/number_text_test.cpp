#include "support/number_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

struct ScanCase {
    const char* name;
    std::string_view text;
    std::int32_t base;
    std::int32_t as_long;   // scanulong gives the same bits
    std::int16_t as_short;
    std::int32_t used;
};

TEST(NumberText, ScanWholeNumbers) {
    const ScanCase cases[] = {
        {"automatic hex with blanks and sign", "  -0x1F", 1, -31, -31, 7},
        {"automatic octal", "017", 1, 15, 15, 3},
        {"automatic binary", "0b101", 1, 5, 5, 5},
        {"trailing L", "12L", 1, 12, 12, 3},
        {"trailing l", "12l+", 10, 12, 12, 3},
        {"upper-case X", "0XFF", 1, 255, 255, 4},
        {"automatic decimal", "+42", 1, 42, 42, 3},
        {"a lone zero", "0", 1, 0, 0, 1},
        {"zero then l", "0l", 1, 0, 0, 2},
        {"octal stops at 9", "09", 1, 0, 0, 1},
        {"a prefix alone is a zero", "0x", 1, 0, 0, 2},
        {"base 16 skips 0x", "0xff", 16, 255, 255, 4},
        {"base 16 without prefix", "Ff", 16, 255, 255, 2},
        {"base 36", "zz", 36, 1295, 1295, 2},
        {"base 2 stops at 2", "1012", 2, 5, 5, 3},
        {"blanks, tabs and DEL are skipped", "\t\x7f 5", 10, 5, 5, 4},
        {"stops at a blank", "1 2", 10, 1, 1, 1},
        {"the count bounds the read", "123"sv.substr(0, 2), 10, 12, 12, 2},
        {"the count bounds the prefix", "0x12"sv.substr(0, 1), 1, 0, 0, 1},
        {"a NUL inside the count stops the number", "1\0002"sv, 10, 1, 1, 1},
        {"wraps in the width", "70000", 10, 70000, 4464, 5},
        {"16-bit minimum", "-32768", 10, -32768, -32768, 6},
        {"32-bit wrap", "4294967296", 10, 0, 0, 10},
        {"32-bit all ones", "4294967295", 10, -1, -1, 10},
        {"minus wraps unsigned", "-1", 10, -1, -1, 2},
        {"no digits", "FF", 10, 0, 0, 0},
        {"blanks only", "   ", 10, 0, 0, 0},
        {"sign only", "-", 10, 0, 0, 0},
        {"empty", "", 1, 0, 0, 0},
        {"l alone", "l", 10, 0, 0, 0},
        {"base 0 has no digits", "5", 0, 0, 0, 0},
        {"a negative base has no digits", "5", -10, 0, 0, 0},
    };
    for (const ScanCase& c : cases) {
        const auto count = static_cast<std::int32_t>(c.text.size());
        std::int32_t l = 99;
        std::uint32_t ul = 99;
        std::int16_t s = 99;
        EXPECT_EQ(vy::scanlong(c.text.data(), count, l, c.base), c.used) << c.name;
        EXPECT_EQ(l, c.as_long) << c.name;
        EXPECT_EQ(vy::scanulong(c.text.data(), count, ul, c.base), c.used) << c.name;
        EXPECT_EQ(ul, static_cast<std::uint32_t>(c.as_long)) << c.name;
        EXPECT_EQ(vy::scanshort(c.text.data(), count, s, c.base), c.used) << c.name;
        EXPECT_EQ(s, c.as_short) << c.name;
    }
}

TEST(NumberText, ScanAgreesWithTheCLibrary) {
    std::mt19937 random(1101);
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t value = random() >> (random() % 32);
        char text[40];
        const struct { const char* format; std::int32_t base; } forms[] = {
            {"%u", 10}, {"%u", 1}, {"%#x", 1}, {"%#X", 16}, {"%x", 16}, {"%#o", 1}, {"%o", 8},
        };
        for (const auto& form : forms) {
            const int length = std::snprintf(text, sizeof text, form.format, static_cast<unsigned>(value));
            const int c_base = form.base == 1 ? 0 : form.base;
            const auto expected = static_cast<std::uint32_t>(std::strtoul(text, nullptr, c_base));
            std::uint32_t got = 0;
            EXPECT_EQ(vy::scanulong(text, length, got, form.base), length) << text;
            EXPECT_EQ(got, expected) << text << " base " << form.base;
        }
        std::int32_t signed_value = 0;
        const int length = std::snprintf(text, sizeof text, "%d", static_cast<std::int32_t>(value));
        EXPECT_EQ(vy::scanlong(text, length, signed_value, 1), length);
        EXPECT_EQ(signed_value, static_cast<std::int32_t>(std::strtol(text, nullptr, 10))) << text;
    }
}

// The digits passing 32 bits are told apart from a value that fits, in
// every base, with leading zeros and a sign.
TEST(NumberText, ScanTellsDigitsPast32Bits) {
    const struct {
        const char* text;
        bool wide;
    } cases[] = {
        {"4294967295", false}, {"4294967296", true},  {"0xffffffff", false}, {"0x100000000", true},
        {"0x0000000000ffff", false}, {"037777777777", false}, {"040000000000", true},
        {"-4294967295", false}, {"-99999999999", true}, {"0b100000000000000000000000000000000", true},
    };
    for (const auto& c : cases) {
        std::uint32_t value = 0;
        bool wide = !c.wide;
        const auto length = static_cast<std::int32_t>(std::strlen(c.text));
        EXPECT_EQ(vy::scanulong(c.text, length, value, 1, wide), length) << c.text;
        EXPECT_EQ(wide, c.wide) << c.text;
    }
}

struct EscapeCase {
    const char* name;
    const char* text;  // starts at the backslash
    const char* set;
    std::int32_t value;
    int cursor;        // where the cursor is left
};

TEST(NumberText, ScanEscape) {
    const EscapeCase cases[] = {
        {"octal", "\\101x", nullptr, 65, 3},
        {"at most three digits", "\\1234", nullptr, 83, 3},
        {"one digit", "\\0", nullptr, 0, 1},
        {"8 and 9 count with their value", "\\89", nullptr, 73, 2},
        {"b", "\\b", nullptr, 8, 1},
        {"upper-case F", "\\F", nullptr, 12, 1},
        {"upper-case N", "\\N", nullptr, 10, 1},
        {"r", "\\r", nullptr, 13, 1},
        {"t", "\\t", nullptr, 9, 1},
        {"v", "\\v", nullptr, 11, 1},
        {"first of the set", "\\(", "()", -1, 1},
        {"second of the set", "\\)", "()", -2, 1},
        {"not in the set", "\\(", nullptr, '(', 1},
        {"letters win over the set", "\\n", "n", 10, 1},
        {"any other character", "\\q", nullptr, 'q', 1},
        {"a high byte is unsigned", "\\\xe9", nullptr, 0xe9, 1},
        {"backslash at the end stays", "\\", nullptr, '\\', 0},
    };
    for (const EscapeCase& c : cases) {
        const char* cursor = c.text;
        EXPECT_EQ(vy::scanesc(cursor, c.set), c.value) << c.name;
        EXPECT_EQ(cursor - c.text, c.cursor) << c.name;
    }
}

struct ToTextCase {
    const char* name;
    std::int32_t (*convert)(char*, std::uint32_t, std::int32_t);
    std::uint32_t value;
    std::int32_t base;
    const char* expected;
};

std::int32_t as_long(char* b, std::uint32_t v, std::int32_t base) { return vy::ltotext(b, static_cast<std::int32_t>(v), base); }
std::int32_t as_short(char* b, std::uint32_t v, std::int32_t base) { return vy::stotext(b, static_cast<std::int16_t>(v), base); }

TEST(NumberText, WholeNumbersToText) {
    const ToTextCase cases[] = {
        {"hex", vy::ultotext, 255, 16, "ff"},
        {"signed minus one", as_long, 0xffffffff, -10, "-1"},
        {"unsigned minus one", as_long, 0xffffffff, 10, "4294967295"},
        {"base 0 is 10", vy::ultotext, 1234, 0, "1234"},
        {"base 0 is signed", vy::ultotext, 0xffffffff, 0, "-1"},
        {"base 0 is signed for ltotext", as_long, 0x80000000, 0, "-2147483648"},
        {"zero", vy::ultotext, 0, 2, "0"},
        {"binary", vy::ultotext, 5, 2, "101"},
        {"base 36", vy::ultotext, 35, 36, "z"},
        {"signed minimum", as_long, 0x80000000, -10, "-2147483648"},
        {"signed hex", as_long, 0xfffffff0, -16, "-10"},
        {"signed positive", as_long, 77, -8, "115"},
        {"base 1 is 10", vy::ultotext, 255, 1, "255"},
        {"base 37 is 10", vy::ultotext, 255, 37, "255"},
        {"base -1 is signed 10", as_long, 0xffffffff, -1, "-1"},
        {"base -37 is signed 10", as_long, 0xfffffff6, -37, "-10"},
        {"huge base", vy::ultotext, 0xffffffff, 1000, "4294967295"},
        {"lowest base", as_long, 0xffffffff, std::numeric_limits<std::int32_t>::min(), "-1"},
        {"16-bit unsigned", as_short, 0xffff, 10, "65535"},
        {"16-bit base 0 is signed", as_short, 0xffff, 0, "-1"},
        {"16-bit base 0, positive", as_short, 0x7fff, 0, "32767"},
        {"16-bit signed", as_short, 0xffff, -10, "-1"},
        {"16-bit minimum", as_short, 0x8000, -16, "-8000"},
        {"16-bit hex", as_short, 0xffff, 16, "ffff"},
    };
    for (const ToTextCase& c : cases) {
        char buffer[40];
        const std::int32_t n = c.convert(buffer, c.value, c.base);
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n)), c.expected) << c.name;
    }
}

TEST(NumberText, ToTextAgreesWithTheCLibrary) {
    std::mt19937 random(1102);
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t value = random() >> (random() % 32);
        const struct { const char* format; std::int32_t base; } forms[] = {
            {"%u", 10}, {"%x", 16}, {"%o", 8}, {"%d", -10},
        };
        for (const auto& form : forms) {
            char expected[40];
            char buffer[40];
            std::snprintf(expected, sizeof expected, form.format, value);
            const std::int32_t n = vy::ultotext(buffer, value, form.base);
            EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n)), expected);
        }
    }
}

}  // namespace
