// The debugger's dialog controls in its own process, without a program:
// what the edit classes take from the keyboard and when they beep, the
// caption of the 3-D group box with its underlined letter, and the file
// combo filled with nothing to list.
#include <algorithm>
#include <string>
#include <vector>

#include "debugger/frame/dialog_controls.h"

#include "debugger/frame/browse_dialogs.h"
#include "debugger/frame/frame.h"
#include "window_fixture.h"

namespace {

using namespace windowtest;
using namespace vy;

class DialogControls : public WindowTest {
protected:
    void TearDown() override {
        for (HWND w : made) DestroyWindow(w);
        made.clear();
        pump();
    }
    HWND make(const char* classname, const char* text, DWORD style = 0, int width = 200, int height = 24) {
        HWND w = CreateWindowExA(0, classname, text, WS_CHILD | WS_VISIBLE | style, 10, 10 + 80 * static_cast<int>(made.size()),
                                 width, height, frame(), nullptr, hinst, nullptr);
        EXPECT_NE(w, nullptr) << classname;
        if (w) made.push_back(w);
        pump();
        return w;
    }
    std::vector<HWND> made;
};

TEST_F(DialogControls, EachEditClassTakesItsKeysAndBeepsAtTheOthers) {
    struct Case {
        const char* classname;
        const char* keys;
        const char* text;   // the control's text afterwards (from empty)
        uint32_t beeps;
    };
    for (const Case& c : {Case{"HEXEDIT", "0x1F", "0x1F", 0}, Case{"HEXEDIT", "g", "", 1},
                          Case{"NUMEDIT", "1-2x3", "123", 2}, Case{"READEDIT", "abc", "", 0},
                          Case{"GENEDIT", "$1f% ", "$1f%", 1}, Case{"MASKEDIT", "x?q", "x?", 1}}) {
        HWND edit = make(c.classname, "");
        uint32_t before = errorbeeps;
        type(edit, c.keys);
        EXPECT_EQ(uidriver::textof(edit), c.text) << c.classname << " typed " << c.keys;
        EXPECT_EQ(errorbeeps - before, c.beeps) << c.classname << " typed " << c.keys;
    }
    // A read-only edit keeps the text it was given.
    HWND read = make("READEDIT", "kept");
    type(read, "xyz\b");
    EXPECT_EQ(uidriver::textof(read), "kept");
}

// A caption drawn at the left of a white bitmap: its pixels and where the
// text ended.
static std::vector<uint32_t> caption(const char* text, int* end) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 120, -30, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, 120, 30, WHITENESS);
    auto font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    HFONT underlined = CreateFontIndirectA(&lf);
    *end = DrawMnemonicCaption(dc, 2, 2, text, font, underlined);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 120 * 30);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteObject(underlined);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(DialogControls, AGroupCaptionUnderlinesTheLetterAfterItsAmpersand) {
    int markedend = 0, plainend = 0;
    std::vector<uint32_t> marked = caption("&Memory", &markedend), plain = caption("Memory", &plainend);
    EXPECT_EQ(markedend, plainend) << "the '&' is not drawn";
    // The two differ only in a short line under the M.
    RECT changed{120, 30, -1, -1};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (marked[y * 120 + x] != plain[y * 120 + x]) {
                changed.left = std::min<LONG>(changed.left, x), changed.right = std::max<LONG>(changed.right, x);
                changed.top = std::min<LONG>(changed.top, y), changed.bottom = std::max<LONG>(changed.bottom, y);
            }
    ASSERT_GE(changed.right, changed.left) << "no underline";
    EXPECT_LE(changed.bottom - changed.top, 1) << "a line one or two pixels high";
    EXPECT_GE(changed.left, 2);
    EXPECT_LE(changed.right - changed.left + 1, (plainend - 2) / 3) << "under the M alone";

    // The group box draws its caption so.
    HWND group = make("GROUP3D", "&Memory", 0, 200, 60);
    Picture::onscreen(group, true).save(work() + "\\group3d_memory.png");
}

TEST_F(DialogControls, WithoutAProgramTheFileComboStaysEmpty) {
    HWND combo = make("COMBOBOX", "", CBS_DROPDOWNLIST, 200, 100);
    SetWindowLongPtrA(combo, GWLP_ID, 610);
    for (bool all : {true, false}) {
        FillFileCombo(frame(), 610, all);
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0) << "not even *.*";
    }
    FillFunctionCombo(frame(), 610, "");
    FillVariableCombo(frame(), 610, "*.*");
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
}

}  // namespace
