#include "support/line_read.h"

#include "support/fatal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Reads a whole file line by line with pieces of at most n bytes.
std::vector<std::string> read_lines(const std::string& content, std::int32_t n) {
    const char* name = "getl_test.txt";
    std::FILE* f = std::fopen(name, "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    f = std::fopen(name, "rb");
    std::vector<std::string> lines;
    char buffer[64];
    for (std::int32_t got; (got = vy::getl(f, buffer, n)) > 0;) {
        lines.emplace_back(buffer, static_cast<std::size_t>(got));
    }
    std::fclose(f);
    std::remove(name);
    return lines;
}

TEST(LineRead, Lines) {
    using Lines = std::vector<std::string>;
    const struct { const char* name; std::string content; std::int32_t n; Lines lines; } cases[] = {
        {"LF lines, last without a line end", "ab\ncd\nlast", 64, {"ab\n", "cd\n", "last"}},
        {"CRLF lines read as LF", "ab\r\ncd\r\n", 64, {"ab\n", "cd\n"}},
        {"a lone CR is kept", "a\rb\n", 64, {"a\rb\n"}},
        {"a CR at the end is kept", "x\r", 64, {"x\r"}},
        {"n bytes without a newline", "abcdef", 3, {"abc", "def"}},
        {"CRLF across the limit", "ab\r\n", 3, {"ab\n"}},
        {"CRLF after a full piece", "abcdef\r\ng", 3, {"abc", "def", "\n", "g"}},
        {"a lone CR at the limit is kept", "ab\rc", 3, {"ab\r", "c"}},
        {"a line longer than the buffer comes in pieces", std::string(150, 'x') + "\r\n", 64,
         {std::string(64, 'x'), std::string(64, 'x'), std::string(22, 'x') + "\n"}},
        {"empty lines", "\n\r\n", 64, {"\n", "\n"}},
        {"NUL bytes are bytes", std::string("a\0b\n", 4), 64, {std::string("a\0b\n", 4)}},
        {"empty file", "", 64, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(read_lines(c.content, c.n), c.lines) << c.name;
}

TEST(LineRead, NullStreamIsFatal) {
    char buffer[8];
    EXPECT_EXIT(
        {
            vy::programname = "Vyr";
            vy::getl(nullptr, buffer, 8);
        },
        testing::ExitedWithCode(1), "Vyr: getl error");
}

TEST(LineRead, FatalExitMessage) {
    EXPECT_EXIT(vy::fatalexit("cannot open ", "x.c"), testing::ExitedWithCode(1), "cannot open x.c");
    EXPECT_EXIT(
        {
            vy::programname = "Vyr";
            vy::fatalexit("no memory", nullptr);
        },
        testing::ExitedWithCode(1), "Vyr: no memory");
}

}  // namespace
