// The print layout on a recording device: rows, pages, tabs, line ends,
// and the ends of a printing that fails.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "debugger/frame/print_layout.h"

namespace vy {
namespace {

// Every character is 10 units wide; pieces are kept with their place.
class Recorder : public PrintDevice {
public:
    struct Piece {
        int page;
        int32_t x, y;
        std::string text;
    };
    int32_t textwidth(std::string_view text) override { return 10 * static_cast<int32_t>(text.size()); }
    void drawtext(int32_t x, int32_t y, std::string_view text) override {
        pieces.push_back({pages, x, y, std::string(text)});
    }
    bool startpage() override {
        ++pages;
        return true;
    }
    bool endpage() override {
        ++ended;
        if (abortafter && ended >= abortafter) stopped = true;
        return !failpage || ended < failpage;
    }
    bool aborted() override { return stopped; }

    int pages = 0, ended = 0;
    int failpage = 0;    // ending this page fails
    int abortafter = 0;  // the user aborts while this page ends
    bool stopped = false;
    std::vector<Piece> pieces;
};

// A reader over lines held by the test.
PrintReader over(const std::vector<std::string>& lines) {
    auto next = std::make_shared<std::size_t>(0);
    return [lines, next](bool first) -> const char* {
        if (first) *next = 0;
        return *next < lines.size() ? lines[(*next)++].c_str() : nullptr;
    };
}

const PrintMetrics metrics{12, 60, 40};

TEST(PrintLayout, LinesFillPagesRowByRowFromTheTop) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 130; ++i) lines.push_back("line " + std::to_string(i) + "\n");
    Recorder device;
    PrintResult result = printlines(device, metrics, over(lines));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.pages, 3);
    EXPECT_EQ(device.pages, 3);
    EXPECT_EQ(device.ended, 3);
    ASSERT_EQ(device.pieces.size(), 130u);
    for (int i = 0; i < 130; ++i) {
        const Recorder::Piece& p = device.pieces[static_cast<std::size_t>(i)];
        EXPECT_EQ(p.text, "line " + std::to_string(i + 1));
        EXPECT_EQ(p.page, i / 60 + 1);
        EXPECT_EQ(p.y, (i % 60) * 12) << "row " << i % 60 + 1 << " is drawn at (row - 1) x line height";
        EXPECT_EQ(p.x, 0);
    }
    // A page's last row lies inside the page.
    EXPECT_LE(device.pieces[59].y + metrics.lineheight, metrics.linesperpage * metrics.lineheight);

    // Exactly a page: one page, no empty one after it.
    Recorder one;
    EXPECT_EQ(printlines(one, metrics, over(std::vector<std::string>(60, "x"))).pages, 1);
    EXPECT_EQ(one.ended, 1);
}

TEST(PrintLayout, AnEmptyReaderPrintsAnEmptyDocument) {
    Recorder device;
    PrintResult result = printlines(device, metrics, over({}));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.pages, 0);
    EXPECT_EQ(device.pages, 0);
    EXPECT_TRUE(device.pieces.empty());
}

TEST(PrintLayout, TabsLineEndsAndEmptyLines) {
    Recorder device;
    printlines(device, metrics, over({"ab\tc\td\r\n", "\tx", "\r\n", "\n\n", "keep\r", "", "last"}));
    // A tab moves to the next multiple of the tab stop (40): "ab" is 20
    // wide, "c" starts at 40, "d" at 80; a leading tab starts at 40.
    ASSERT_EQ(device.pieces.size(), 6u);
    EXPECT_EQ(device.pieces[0].text, "ab");
    EXPECT_EQ(device.pieces[1].x, 40);
    EXPECT_EQ(device.pieces[1].text, "c");
    EXPECT_EQ(device.pieces[2].x, 80);
    EXPECT_EQ(device.pieces[2].text, "d") << "CR LF is not printed";
    EXPECT_EQ(device.pieces[3].x, 40);
    EXPECT_EQ(device.pieces[3].y, 12);
    EXPECT_EQ(device.pieces[4].text, "keep");
    EXPECT_EQ(device.pieces[4].y, 4 * 12) << "an empty line takes its row";
    EXPECT_EQ(device.pieces[5].text, "last");
    EXPECT_EQ(device.pieces[5].y, 6 * 12);
    // A line of three line ends keeps the third.
    Recorder more;
    printlines(more, metrics, over({"x\n\r\n"}));
    ASSERT_EQ(more.pieces.size(), 1u);
    EXPECT_EQ(more.pieces[0].text, "x\n");
}

TEST(PrintLayout, AFailedPageOrAnAbortEndsThePrinting) {
    std::vector<std::string> lines(200, "x");
    Recorder failing;
    failing.failpage = 2;
    PrintResult failed = printlines(failing, metrics, over(lines));
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failing.pages, 2);
    EXPECT_EQ(failed.lines, 120) << "nothing is read after the failed page";

    Recorder stopping;
    stopping.abortafter = 1;
    PrintResult aborted = printlines(stopping, metrics, over(lines));
    EXPECT_FALSE(aborted.ok);
    EXPECT_EQ(stopping.pages, 1);

    // An abort during the last, partial page.
    Recorder late;
    late.abortafter = 1;
    EXPECT_FALSE(printlines(late, metrics, over({"a", "b"})).ok);
}

}  // namespace
}  // namespace vy
