// The command window in the debugger's own process: typed lines, the
// prompt, the history, the line a command asks for, the limit of its text,
// and what it paints.
#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "window_fixture.h"

namespace {

using namespace windowtest;
using uidriver::endsin;
using uidriver::findchild;
using uidriver::lf;
using uidriver::readfile;
using uidriver::textof;
using uidriver::writefile;

// A command window opened from the frame's menu for each test, closed
// after it.
class CommandWindow : public WindowTest {
protected:
    void SetUp() override {
        if (findchild(frame(), "WINCMD")) command(300);
        command(300);
        edit = findchild(frame(), "WINCMD");
        ASSERT_NE(edit, nullptr) << "menu command 300 opened no command window";
    }
    void TearDown() override {
        if (findchild(frame(), "WINCMD")) command(300);
    }

    // Types the keys; every Enter's command has ended when this returns.
    void typed(const std::string& keys, std::vector<WindowInfo>* boxes = nullptr) { type(edit, keys, boxes); }
    std::string text() { return lf(textof(edit)); }
    std::string lastline() {
        std::string t = text();
        return t.substr(t.find_last_of('\n') + 1);
    }
    bool endswith(const std::string& tail) { return endsin(text(), tail); }

    HWND edit = nullptr;
};

// The history is the process's own: its test runs in a process of its own
// (a suite of its own), where nothing was typed before. The window's text
// past its limit takes long to fill: a process of its own too, beside the
// others.
using CommandHistory = CommandWindow;
using CommandWindowLimit = CommandWindow;

TEST_F(CommandWindow, TypedLinesRunAndThePromptFollows) {
    EXPECT_EQ(text(), "Vyr>");
    // The command log is the record of what was typed.
    std::string log = work() + "\\typed.log";
    typed("record " + log + "\r");
    EXPECT_EQ(text(), "Vyr>record " + log + "\nVyr>");
    typed("rem one\r");
    EXPECT_EQ(text(), "Vyr>record " + log + "\nVyr>rem one\nVyr>");

    // A command file typed in: its lines show as they run.
    writefile(work() + "\\t.in", "rem from the file\n");
    typed("input " + work() + "\\t.in\r");
    EXPECT_TRUE(endswith("\nrem from the file\nVyr>")) << text();

    // An error of a typed command is a box; the prompt follows anyway.
    std::vector<WindowInfo> boxes;
    typed("nosuch\r", &boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].message, "unknown command: nosuch");
    EXPECT_TRUE(endswith("nosuch\nVyr>"));

    // Only the prompt the window wrote is dropped: a "Vyr>" typed after it
    // reaches the command language. An empty line only prompts.
    boxes.clear();
    typed("Vyr>rem prompted\r\r", &boxes);
    EXPECT_TRUE(endswith("Vyr>Vyr>rem prompted\nVyr>\nVyr>")) << text();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message, "unknown command: Vyr>rem prompted");

    // A command shown from the history runs as typed.
    for (int i = 0; i < 4; ++i) key(edit, VK_UP);
    EXPECT_EQ(lastline(), "Vyr>rem one");
    boxes.clear();
    typed("\r", &boxes);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(endswith("Vyr>rem one\nVyr>")) << text();

    // The log holds each command run, once, in order, failed ones too: not
    // the lines of the command file (the logged input runs them again), not
    // the empty line.
    typed("record\r");
    EXPECT_EQ(readfile(log), "rem one\ninput " + work() + "\\t.in\nnosuch\nVyr>rem prompted\nrem one\nrecord\n");
}

TEST_F(CommandWindow, EvalTypedShowsTheResultAndThePrompt) {
    typed("eval 1+2\r");
    EXPECT_TRUE(endswith("Vyr>eval 1+2\n    1+2 = 3\nVyr>")) << text();
}

TEST_F(CommandWindow, ACommandAsksForALineTypedInTheWindow) {
    // The first Enter waits for the answer, so the keys are posted.
    for (char c : std::string("u $a = ?\r5\r")) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_TRUE(waitfor([&] { return endswith("=> 5\nVyr>"); }, 20000)) << text();
    typed("x $a\r");
    EXPECT_TRUE(endswith("    $a = 0x5\nVyr>")) << text();
}

TEST_F(CommandWindow, BackspaceAndLeftStopAtThePrompt) {
    typed("\b");
    key(edit, VK_LEFT);
    EXPECT_EQ(text(), "Vyr>");
    typed("ab\b");
    EXPECT_EQ(text(), "Vyr>a");
    typed("\b\b");
    EXPECT_EQ(text(), "Vyr>");
}

TEST_F(CommandWindow, ALineTypedIsPaintedAfterThePrompt) {
    typed("rem painted\r");
    ASSERT_EQ(text(), "Vyr>rem painted\nVyr>");
    // Where the characters are: the first line's typed part begins after
    // the prompt, the second line holds the prompt alone.
    LRESULT typedat = SendMessageA(edit, EM_POSFROMCHAR, 4, 0);
    LRESULT secondline = SendMessageA(edit, EM_POSFROMCHAR, static_cast<WPARAM>(text().find('\n') + 2), 0);
    LRESULT secondend = SendMessageA(edit, EM_POSFROMCHAR, static_cast<WPARAM>(text().size() + 1), 0);
    int x = LOWORD(typedat), top = HIWORD(typedat), bottom = HIWORD(secondline), end = LOWORD(secondend);
    ASSERT_GT(bottom, top);

    Picture picture(edit);
    picture.save(work() + "\\command_window_line.png");
    COLORREF paper = picture.at(picture.width() - 2, picture.height() - 2);
    EXPECT_EQ(paper, RGB(255, 255, 255)) << "the window's paper is white";
    // "rem painted" is ink right of the prompt on the first line; after the
    // second prompt there is none.
    EXPECT_GT(picture.differing(RECT{x, top, x + 60, bottom}, paper), 20);
    EXPECT_EQ(picture.differing(RECT{end + 2, bottom, picture.width() - 20, 2 * bottom - top}, paper), 0);
}

TEST_F(CommandHistory, HistoryKeepsTheLastTwentyCommands) {
    key(edit, VK_UP);
    EXPECT_EQ(text(), "Vyr>") << "Up with an empty history does nothing";
    for (const char* line : {"rem a\r", "rem b\r", "rem c\r"}) typed(line);
    key(edit, VK_UP);
    EXPECT_EQ(lastline(), "Vyr>rem c");
    key(edit, VK_UP);
    key(edit, VK_UP);
    EXPECT_EQ(lastline(), "Vyr>rem a");
    key(edit, VK_UP);
    EXPECT_EQ(lastline(), "Vyr>rem a") << "the oldest stays";
    key(edit, VK_DOWN);
    EXPECT_EQ(lastline(), "Vyr>rem b");
    typed("\r");   // runs the entry shown
    key(edit, VK_UP);
    EXPECT_EQ(lastline(), "Vyr>rem b");

    // Twenty-one more: the first of them has been pushed out.
    typed("\r");
    for (int i = 1; i <= 21; ++i) typed("rem n" + std::to_string(i) + "\r");
    for (int i = 0; i < 25; ++i) key(edit, VK_UP);
    EXPECT_EQ(lastline(), "Vyr>rem n2");
}

TEST_F(CommandWindowLimit, OutputPastTheLimitEmptiesTheWindowFirst) {
    // 40 lines of 914 characters: past the limit of 32000 with the 36th.
    std::string lines;
    for (int i = 0; i < 40; ++i) lines += "rem line " + std::to_string(1000 + i) + " " + std::string(900, 'x') + "\n";
    writefile(work() + "\\big.in", lines);
    // The Enter returns when the file's commands have ended; the prompt
    // written after them is the sign.
    typed("input " + work() + "\\big.in\r");
    ASSERT_TRUE(waitfor([&] { return endswith("\nVyr>"); }, 20000)) << "no prompt after the file";
    std::string t = text();
    EXPECT_EQ(t.find("line 1000 "), std::string::npos) << "the first lines were emptied out";
    // No more than the limit, the line ends the control adds, and the prompt.
    std::size_t linefeeds = static_cast<std::size_t>(std::count(t.begin(), t.end(), '\n'));
    EXPECT_LE(t.size() - linefeeds, 32001u + 914u + 4u);

    // The window was emptied before a line, not inside one: it begins with
    // a whole line N, and every line from N to the last follows, whole and
    // in order, then the prompt.
    std::vector<std::string> shown;
    std::istringstream in(t);
    for (std::string line; std::getline(in, line);) shown.push_back(line);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.back(), "Vyr>");
    std::smatch first;
    ASSERT_TRUE(std::regex_match(shown[0], first, std::regex("rem line (\\d{4}) x{900}")))
        << "the first line is not a whole line: " << shown[0].substr(0, 40) << "... (" << shown[0].size()
        << " characters)";
    int n = std::stoi(first[1].str());
    EXPECT_GT(n, 1000);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(1039 - n + 2)) << "lines missing or left over after line " << n;
    for (int i = n; i <= 1039; ++i)
        EXPECT_EQ(shown[static_cast<std::size_t>(i - n)], "rem line " + std::to_string(i) + " " + std::string(900, 'x'))
            << "line " << i;
    std::printf("the window begins with line %d\n", n);
}

}  // namespace
