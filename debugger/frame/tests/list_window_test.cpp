// The list window in the debugger's own process: the view messages with
// their buffers, the top line and the scroll ranges a text gets, the font
// message, scrolling by keys, the colours it paints, the link under a
// click, and the browsers without a program.
#include <string>
#include <vector>

#include "debugger/frame/frame.h"
#include "debugger/frame/settings_forms.h"
#include "debugger/views/list_text.h"
#include "debugger/views/list_window.h"
#include "debugger/views/view_messages.h"
#include "window_fixture.h"

namespace {

using namespace windowtest;
using namespace vy;

// A hosted list window made for each test and filled with its text.
class ListWindow : public WindowTest {
protected:
    void TearDown() override {
        if (list) DestroyListWindow(list);
        pump();
    }

    // A fresh window holding the text (no text block at all for `none`).
    HWND show(const std::string& text, bool none = false) {
        if (list) DestroyListWindow(list);
        list = CreateListWindow("Test List", LIST_HOSTED, 0, nullptr);
        EXPECT_NE(list, nullptr);
        if (!list) return nullptr;
        if (!none) {
            TextBufOpen(record().text);
            TextBufCat(record().text, {text});
        }
        send(list, VWM_TEXTREADY, 0, 0);
        pump();
        return list;
    }
    ViewRecord& record() { return *viewrecord(list); }

    // VWM_GETLINE into a buffer of `capacity` bytes, the count returned and
    // the bytes behind the buffer left as they were.
    std::string getline(int n, uint16_t capacity, LRESULT* count = nullptr) {
        std::vector<char> buffer(capacity + 8u, '#');
        *reinterpret_cast<uint16_t*>(buffer.data()) = capacity;
        LRESULT got = SendMessageA(list, VWM_GETLINE, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(buffer.data()));
        if (count) *count = got;
        EXPECT_EQ(std::string(buffer.data() + capacity, 8), std::string(8, '#')) << "written past the capacity";
        return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
    }

    // Scroll ranges and positions.
    static std::pair<int, int> range(HWND w, int bar) {
        int low = -1, high = -1;
        GetScrollRange(w, bar, &low, &high);
        return {low, high};
    }

    // A window whose client area is this many columns wide and lines high.
    void resize(int columns, int lines) {
        RECT window, client;
        GetWindowRect(list, &window);
        GetClientRect(list, &client);
        int extrawidth = (window.right - window.left) - client.right;
        int extraheight = (window.bottom - window.top) - client.bottom;
        POINT at{window.left, window.top};
        ScreenToClient(GetParent(list), &at);
        MoveWindow(list, at.x, at.y, columns * record().charwidth + extrawidth,
                   lines * record().lineheight + extraheight, TRUE);
        pump();
    }

    // Where a column of a line is drawn: the middle of its cell.
    POINT cell(int line, int column) {
        return {(column - record().firstcolumn) * record().charwidth + record().charwidth / 2,
                (line - 1 - record().topline) * record().lineheight + record().lineheight / 2};
    }

    static std::string lines(int count) {
        std::string text;
        for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\n";
        return text;
    }

    HWND list = nullptr;
};

TEST_F(ListWindow, AnEmptyTextHasOneLineAndNoScrollBars) {
    show("");
    EXPECT_EQ(record().linecount, 1);
    EXPECT_EQ(record().longest, 0);
    EXPECT_EQ(range(list, SB_VERT), std::make_pair(0, 0));
    EXPECT_EQ(range(list, SB_HORZ), std::make_pair(0, 0));
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) << "the bars are hidden";
    EXPECT_EQ(getline(0, 64), "");
    EXPECT_EQ(getline(1, 64), "");
    EXPECT_EQ(SendMessageA(list, VWM_GETLINELEN, 1, 0), 0);

    // A view without a text block answers the line messages with 0.
    show("", true);
    LRESULT count = -1;
    EXPECT_EQ(getline(1, 64, &count), "");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SendMessageA(list, VWM_GETLINELEN, 1, 0), 0);
    Picture blank(list);
    EXPECT_EQ(blank.differing({0, 0, blank.width(), blank.height()}, RGB(255, 255, 255)), 0);
}

TEST_F(ListWindow, GetLineCopiesTheLineCutToTheCallersCapacity) {
    std::string longline(300, 'x');
    show("first\n" + colour(2) + "second\n" + longline + "\nlast");
    EXPECT_EQ(getline(0, 64), "") << "line numbers start at 1";
    EXPECT_EQ(getline(1, 64), "first");
    EXPECT_EQ(getline(2, 64), colour(2) + "second") << "codes are copied";
    EXPECT_EQ(SendMessageA(list, VWM_GETLINELEN, 2, 0), 8) << "a colour pair counts 2";
    EXPECT_EQ(getline(3, 10), std::string(10, 'x'));
    EXPECT_EQ(getline(3, 400), longline);
    EXPECT_EQ(getline(4, 64), "last");
    EXPECT_EQ(getline(5, 64), "") << "beyond the text";
    EXPECT_EQ(record().linecount, 4);

    // PUTLINE writes over a line's start in place.
    LinePut put{"FIRST", 5};
    SendMessageA(list, VWM_PUTLINE, 1, reinterpret_cast<LPARAM>(&put));
    EXPECT_EQ(getline(1, 64), "FIRST");
}

TEST_F(ListWindow, TextReadyShowsTheWantedLineFourth) {
    show(lines(200));
    resize(40, 20);
    send(list, VWM_TEXTREADY, 0, 10);
    EXPECT_EQ(record().topline, 7);
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 7);
    EXPECT_EQ(range(list, SB_VERT), std::make_pair(0, 200 - record().visiblelines));
    send(list, VWM_TEXTREADY, 0, 3);
    EXPECT_EQ(record().topline, 0);
    EXPECT_EQ(GetScrollPos(list, SB_VERT), 0);

    // GOTOLINE brings a line to the top, but keeps the last page full.
    send(list, VWM_GOTOLINE, 0, 50);
    EXPECT_EQ(record().topline, 50);
    send(list, VWM_GOTOLINE, 0, 199);
    EXPECT_EQ(record().topline, 200 - record().visiblelines);
}

TEST_F(ListWindow, AWideLineGetsAHorizontalRangeAndAWideWindowShowsItFromItsStart) {
    show(std::string(80, 'w') + "\n");
    resize(40, 5);
    EXPECT_EQ(record().visiblecolumns, 40);
    EXPECT_EQ(range(list, SB_HORZ), std::make_pair(0, 40));
    EXPECT_EQ(range(list, SB_VERT), std::make_pair(0, 0));
    for (int i = 0; i < 5; ++i) key(list, VK_RIGHT);
    EXPECT_EQ(record().firstcolumn, 5);
    EXPECT_EQ(GetScrollPos(list, SB_HORZ), 5);
    resize(100, 5);
    EXPECT_EQ(record().firstcolumn, 0);
    EXPECT_EQ(range(list, SB_HORZ), std::make_pair(0, 0));
}

TEST_F(ListWindow, KeysScrollAndTheScreenShowsWhatAFullPaintShows) {
    show(lines(100) + std::string(120, 'z') + "\n");
    resize(30, 10);
    int page = record().clientheight / record().lineheight;
    struct Step {
        UINT key;
        int top, first;
    };
    for (const Step& s : {Step{VK_DOWN, 1, 0}, Step{VK_NEXT, 1 + page, 0}, Step{VK_UP, page, 0},
                          Step{VK_END, 101 - record().visiblelines, 0}, Step{VK_RIGHT, 101 - record().visiblelines, 1},
                          Step{VK_LEFT, 101 - record().visiblelines, 0}, Step{VK_HOME, 0, 0}, Step{VK_UP, 0, 0}}) {
        key(list, s.key);
        EXPECT_EQ(record().topline, s.top) << "key " << s.key;
        EXPECT_EQ(record().firstcolumn, s.first) << "key " << s.key;
    }
    // Lines and columns moved on the screen, then a full paint: the same
    // pixels.
    for (UINT k : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_UP, VK_LEFT}) {
        key(list, k);
        UpdateWindow(list);
        Picture scrolled = Picture::onscreen(list);
        InvalidateRect(list, nullptr, TRUE);
        UpdateWindow(list);
        EXPECT_TRUE(scrolled == Picture::onscreen(list)) << "after key " << k;
    }
}

TEST_F(ListWindow, SetFontWithTheSameFontAndColourDoesNotRepaint) {
    show(lines(3));
    UpdateWindow(list);
    ValidateRect(list, nullptr);
    HFONT font = record().font;
    COLORREF colour = record().textcolour;
    SendMessageA(list, VWM_SETFONT, reinterpret_cast<WPARAM>(font), static_cast<LPARAM>(colour));
    EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
    SendMessageA(list, VWM_SETFONT, reinterpret_cast<WPARAM>(font), static_cast<LPARAM>(RGB(0, 0, 128)));
    EXPECT_TRUE(GetUpdateRect(list, nullptr, FALSE));
    EXPECT_EQ(record().textcolour, RGB(0, 0, 128));
}

TEST_F(ListWindow, ColoursPaintInTheirPaletteEntriesAndNineteenOrMoreInEntryOne) {
    uint32_t saved = textpalette[1];
    SetTextColour(1, RGB(0, 160, 0));
    // Columns 0-3 plain, 4-7 entry 2 (red), 8-11 code 19, 12-15 code 200,
    // 16-19 entry 3 (blue).
    show("AAAA" + colour(2) + "BBBB" + colour(19) + "HHHH" + colour(200) + "DDDD" + colour(3) + "EEEE\n" +
         "next line in the text colour\n");
    Picture picture(list);
    picture.save(work() + "\\list_window_colours.png");
    SetTextColour(1, saved);
    auto ink = [&](int first, int last, COLORREF colour) {
        RECT r{first * record().charwidth, 0, (last + 1) * record().charwidth, record().lineheight};
        int all = (r.right - r.left) * (r.bottom - r.top);
        return all - picture.differing(r, colour);
    };
    EXPECT_GT(ink(4, 7, RGB(255, 0, 0)), 10);
    EXPECT_GT(ink(8, 11, RGB(0, 160, 0)), 10);
    EXPECT_EQ(ink(8, 11, RGB(255, 0, 0)), 0);
    EXPECT_GT(ink(12, 15, RGB(0, 160, 0)), 10);
    EXPECT_GT(ink(16, 19, RGB(0, 0, 255)), 10);
    EXPECT_GT(ink(0, 3, record().textcolour), 10);
    EXPECT_EQ(ink(0, 3, RGB(0, 160, 0)), 0);
    // The next line starts in the text colour again.
    RECT second{0, record().lineheight, 4 * record().charwidth, 2 * record().lineheight};
    EXPECT_EQ(picture.differing(second, RGB(0, 160, 0)), (second.right - second.left) * (second.bottom - second.top));
}

TEST_F(ListWindow, ABlankInsideALinksPayloadEndsTheLink) {
    show("  " + std::string{LT_LINK, 'X'} + "two words" + LT_END + "\n");
    // "two" at columns 2-4, the blank at 5, "words" at 6-10.
    std::vector<WindowInfo> boxes;
    send(list, WM_LBUTTONDBLCLK, 0, MAKELPARAM(cell(1, 7).x, cell(1, 7).y), &boxes);
    EXPECT_TRUE(boxes.empty()) << "right of the blank there is no link";
    send(list, WM_LBUTTONDBLCLK, 0, MAKELPARAM(cell(1, 5).x, cell(1, 5).y), &boxes);
    EXPECT_TRUE(boxes.empty()) << "on the blank neither";
    send(list, WM_LBUTTONDBLCLK, 0, MAKELPARAM(cell(1, 3).x, cell(1, 3).y), &boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message, "!!! SELECT Xtwo") << "a link of an unknown letter";
}

TEST_F(ListWindow, BrowsingWithoutAProgramGivesEmptyLists) {
    for (int id : {640, 650, 671, 672}) EXPECT_TRUE(command(id).empty()) << id;
    HWND client = GetWindow(frame(), GW_CHILD);
    while (client && std::string(uidriver::classof(client)) != "MDIClient") client = GetWindow(client, GW_HWNDNEXT);
    ASSERT_NE(client, nullptr);
    HWND files = FindWindowExA(client, nullptr, "LISTHOST", "File Browser");
    HWND symbols = FindWindowExA(client, nullptr, "LISTWIN", "Symbols");
    ASSERT_NE(files, nullptr);
    ASSERT_NE(symbols, nullptr);
    EXPECT_EQ(viewrecord(uidriver::findchild(files, "LISTWIN"))->text.text(), "\n\n");
    EXPECT_EQ(viewrecord(symbols)->text.text(), "");
    Picture::onscreen(files, true).save(work() + "\\empty_file_browser.png");
    CloseListWindows();
    pump();
    EXPECT_EQ(FindWindowExA(client, nullptr, "LISTHOST", nullptr), nullptr);
    EXPECT_EQ(FindWindowExA(client, nullptr, "LISTWIN", nullptr), nullptr);
}

}  // namespace
