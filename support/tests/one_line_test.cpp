#include "support/one_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct OneLineCase {
    const char* name;
    std::string text;
    std::string written;
};

TEST(OneLine, ControlBytesAreWrittenAsHexEscapes) {
    const OneLineCase cases[] = {
        {"plain text stays", "can't open a.s", "can't open a.s"},
        {"tab stays", "a\tb", "a\tb"},
        {"nul", std::string("ab\0c.s", 6), "ab\\x00c.s"},
        {"line ends", "x\r\ny\n", "x\\x0d\\x0ay\\x0a"},
        {"escape sequence", "\x1b[31mred", "\\x1b[31mred"},
        {"end of file mark and delete", "\x1a\x7f", "\\x1a\\x7f"},
        {"high bytes and backslashes stay", "\xe9\\x41", "\xe9\\x41"},
        {"empty", "", ""},
    };
    for (const OneLineCase& c : cases) EXPECT_EQ(vy::one_line(c.text), c.written) << c.name;
}

TEST(OneLine, AppendsToWhatIsThere) {
    std::string line = "#error ccasm ";
    vy::append_one_line(line, std::string("a\0b", 3));
    EXPECT_EQ(line, "#error ccasm a\\x00b");
}

}  // namespace
