// The older core's line editor, driven from the console.
#include <string>
#include <vector>

#include "core_fixture.h"

namespace vy {
namespace {

class LineEditor : public CoreTest {
protected:
    // Edits `lines` with the commands typed; returns what was shown after
    // the "[n]" line, without the prompts.
    std::string edit(std::vector<std::string>& lines, std::vector<std::string> commands) {
        commands.push_back("q");
        queue(commands);
        shown();
        editlines(lines);
        return shown();
    }

    // Each case on its own list: what is shown and the list afterwards.
    template <class Cases>
    void check(const Cases& cases) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            std::vector<std::string> lines = c.before;
            EXPECT_EQ(edit(lines, c.commands), c.shown);
            EXPECT_EQ(lines, c.after);
        }
    }
};

struct Case {
    const char* name;
    std::vector<std::string> before;
    std::vector<std::string> commands;
    std::vector<std::string> after;
    std::string shown;
};

TEST_F(LineEditor, CommandsOfTheDesign) {
    const std::vector<Case> cases = {
        {"append to an empty list", {}, {"a", "one", "two", "."}, {"one", "two"},
         "[0]\n>a\n1 \tone\n2 \ttwo\n3 \t.\n>q\n"},
        {"print all", {"a", "b", "c"}, {"1,$p"}, {"a", "b", "c"}, "[3]\n>1,$p\n1 \ta\n2 \tb\n3 \tc\n>q\n"},
        {"double every x of the current line", {"xax", "yxy"}, {"1", "s/x/&&/g"}, {"xxaxx", "yxy"},
         "[2]\n>1\n1 \txax\n>s/x/&&/g\n1 \txxaxx\n>q\n"},
        {"no line 3", {"a", "b"}, {"3d"}, {"a", "b"}, "[2]\n>3d\n?\n>q\n"},
    };
    check(cases);
}

TEST_F(LineEditor, AddressesAndCommands) {
    const std::vector<Case> cases = {
        {"an empty line prints the next", {"a", "b", "c"}, {"1", "", ""}, {"a", "b", "c"},
         "[3]\n>1\n1 \ta\n>\n2 \tb\n>\n3 \tc\n>q\n"},
        {"past the last line", {"a"}, {""}, {"a"}, "[1]\n>\n?\n>q\n"},
        {"page size", {"a", "b", "c", "d"}, {"n 2", "1", ""}, {"a", "b", "c", "d"},
         "[4]\n>n 2\n>1\n1 \ta\n>\n2 \tb\n3 \tc\n>q\n"},
        {"dot, dollar and offsets", {"a", "b", "c", "d"}, {"$-1", ".-", "$", "2+1-"}, {"a", "b", "c", "d"},
         "[4]\n>$-1\n3 \tc\n>.-\n2 \tb\n>$\n4 \td\n>2+1-\n2 \tb\n>q\n"},
        {"a range past the end stops at the end", {"a", "b"}, {"2,9p"}, {"a", "b"}, "[2]\n>2,9p\n2 \tb\n>q\n"},
        {"line 0 of a list", {"a"}, {"0p"}, {"a"}, "[1]\n>0p\n?\n>q\n"},
        {"append after a line, text given", {"a", "c"}, {"1a b", "p"}, {"a", "b", "c"},
         "[2]\n>1a b\n>p\n2 \tb\n>q\n"},
        {"insert before a line", {"b"}, {"1i", "a", "."}, {"a", "b"}, "[1]\n>1i\n1 \ta\n2 \t.\n>q\n"},
        {"insert into an empty list", {}, {"i first"}, {"first"}, "[0]\n>i first\n>q\n"},
        {"change lines", {"a", "b", "c"}, {"1,2c x"}, {"x", "c"}, "[3]\n>1,2c x\n>q\n"},
        {"change on an empty list", {}, {"c x"}, {}, "[0]\n>c x\n?\n>q\n"},
        {"delete prints the line after", {"a", "b", "c"}, {"1,2d"}, {"c"}, "[3]\n>1,2d\n1 \tc\n>q\n"},
        {"delete the last line", {"a", "b"}, {"2d", "p"}, {"a"}, "[2]\n>2d\n>p\n1 \ta\n>q\n"},
        {"unknown command", {"a"}, {"1z"}, {"a"}, "[1]\n>1z\n?\n>q\n"},
    };
    check(cases);
}

TEST_F(LineEditor, Substitutions) {
    const std::vector<Case> cases = {
        {"first match only", {"aaa"}, {"s/a/b/"}, {"baa"}, "[1]\n>s/a/b/\n1 \tbaa\n>q\n"},
        {"another delimiter and an escaped &", {"a/b"}, {"s|/|\\&|"}, {"a&b"}, "[1]\n>s|/|\\&|\n1 \ta&b\n>q\n"},
        {"a pattern of the matcher", {"abc123"}, {"s/[0-9]*/<&>/"}, {"abc<123>"},
         "[1]\n>s/[0-9]*/<&>/\n1 \tabc<123>\n>q\n"},
        {"anchored", {"aa"}, {"s/^a/b/g"}, {"ba"}, "[1]\n>s/^a/b/g\n1 \tba\n>q\n"},
        {"no match", {"abc", "xyz"}, {"1,2s/b/B/"}, {"aBc", "xyz"}, "[2]\n>1,2s/b/B/\n1 \taBc\n?\n>q\n"},
        {"repeat and the last pattern", {"aaa"}, {"s/a/b/", "s", "s//c/"}, {"bbc"},
         "[1]\n>s/a/b/\n1 \tbaa\n>s\n1 \tbba\n>s//c/\n1 \tbbc\n>q\n"},
        {"repeat as a global one", {"aaa"}, {"s/a/b/", "sg"}, {"bbb"}, "[1]\n>s/a/b/\n1 \tbaa\n>sg\n1 \tbbb\n>q\n"},
        {"an empty match moves on", {"ab"}, {"s/x^/-/g"}, {"-a-b-"}, "[1]\n>s/x^/-/g\n1 \t-a-b-\n>q\n"},
        {"pattern too long", {"a"}, {"s/" + std::string(41, 'a') + "/b/"}, {"a"},
         "[1]\n>s/" + std::string(41, 'a') + "/b/\n#error: string too long\n>q\n"},
        {"result too long", {std::string(200, 'a')}, {"s/a/&&/g"}, {std::string(200, 'a')},
         "[1]\n>s/a/&&/g\n#error: string too long\n>q\n"},
        {"no closing delimiter", {"a"}, {"s/a"}, {"a"}, "[1]\n>s/a\n?\n>q\n"},
        {"a malformed pattern", {"a"}, {"s/[a/b/"}, {"a"}, "[1]\n>s/[a/b/\n?\n>q\n"},
    };
    check(cases);
}

TEST_F(LineEditor, MacrosAreEditedWithIt) {
    EXPECT_EQ(type({"v f mac", "a", "x \\1", "x \\0", ".", "q", "mac 7, 8, 9", "v f mac", "1,$d", "q", "lf"}),
              "-> v f mac\n[0]\n>a\n1 \tx \\1\n2 \tx \\0\n3 \t.\n>q\n"
              "-> mac 7, 8, 9\n7\n3\n"
              "-> v f mac\n[2]\n>1,$d\n>q\n"
              "-> lf\n");
}

TEST_F(LineEditor, TheEndOfInputLeavesIt) {
    std::vector<std::string> lines = {"a"};
    shown();
    editlines(lines);
    EXPECT_EQ(shown(), "[1]\n>#error: no more input\n");
    EXPECT_EQ(lines, std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace vy
