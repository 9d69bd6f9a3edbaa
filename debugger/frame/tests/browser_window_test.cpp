// The file and function browsers and the symbol list on a loaded program,
// in the debugger's own process: the saved lists through the save dialog,
// a file link opening its function list, a function's mark switched by a
// double-click (seen in the record log), the function list printed through
// its spool file, the symbols in both orders, and a fill that runs out of
// memory.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "debugger/engine/commands.h"
#include "debugger/frame/browse_dialogs.h"
#include "debugger/frame/frame.h"
#include "debugger/frame/print_text.h"
#include "debugger/frame/text_buffer.h"
#include "debugger/views/browser_text.h"
#include "debugger/views/file_browsers.h"
#include "debugger/views/list_text.h"
#include "debugger/views/list_window.h"
#include "debugger/views/symbol_list.h"
#include "debugger/views/view_messages.h"
#include "debugger/target/output.h"
#include "debugger/views/tests/two_file_program.h"
#include "window_fixture.h"

namespace {

using namespace windowtest;
using namespace vy;

// Whether one of the boxes said this.
static ::testing::AssertionResult said(const std::vector<WindowInfo>& boxes, const std::string& part) {
    std::string all;
    for (const WindowInfo& b : boxes) {
        if (b.message.find(part) != std::string::npos) return ::testing::AssertionSuccess();
        all += "\n  " + b.message;
    }
    return ::testing::AssertionFailure() << "no box said \"" << part << "\"; the boxes:" << all;
}

// The two-file program of the views' tests, loaded once for the suite.
class Browsers : public WindowTest {
protected:
    static void SetUpTestSuite() {
        progbuild::Built built = progbuild::build(viewprogram());
        std::string path = work() + "\\view.o";
        uidriver::writefile(path, std::string(built.image.begin(), built.image.end()));
        docmd(("load " + path).c_str(), 1);
        pump();
        for (const progbuild::Placed& p : built.funcs) starts.push_back({p.name, p.start});
    }
    void TearDown() override {
        CloseListWindows();
        pump();
        answered();
    }

    static std::string addressof(const std::string& name) {
        for (const auto& [n, start] : starts)
            if (n == name) return hexaddr(start);
        ADD_FAILURE() << "no function " << name;
        return "";
    }

    static HWND client() {
        HWND w = GetWindow(frame(), GW_CHILD);
        while (w && uidriver::classof(w) != "MDIClient") w = GetWindow(w, GW_HWNDNEXT);
        return w;
    }
    // The list window of a host of this title.
    static HWND hosted(const std::string& title) {
        HWND host = FindWindowExA(client(), nullptr, "LISTHOST", title.c_str());
        return host ? uidriver::findchild(host, "LISTWIN") : nullptr;
    }
    // The first line (from 1) whose shown text contains `part`; 0 if none.
    static int lineof(HWND list, const std::string& part) {
        std::string_view text = viewrecord(list)->text.text();
        for (int n = 1; n <= viewrecord(list)->linecount; ++n)
            if (plaintext(textline(text, n)).find(part) != std::string::npos) return n;
        return 0;
    }
    // An item of a hosted window's own menu bar: the bar sends it to the
    // work window.
    static std::vector<WindowInfo> menu(HWND list, int id) {
        std::vector<WindowInfo> boxes;
        send(list, WM_COMMAND, static_cast<WPARAM>(id), 0, &boxes);
        return boxes;
    }
    // A double-click in the middle of a column's cell.
    static std::vector<WindowInfo> doubleclick(HWND list, int line, int column, WPARAM keys = 0) {
        const ViewRecord& r = *viewrecord(list);
        int x = (column - r.firstcolumn) * r.charwidth + r.charwidth / 2;
        int y = (line - 1 - r.topline) * r.lineheight + r.lineheight / 2;
        std::vector<WindowInfo> boxes;
        send(list, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, MAKELPARAM(x, y), &boxes);
        return boxes;
    }

    static std::vector<std::pair<std::string, uint16_t>> starts;
};
std::vector<std::pair<std::string, uint16_t>> Browsers::starts;

TEST_F(Browsers, TheFileListIsSavedAndAFileLinkOpensItsFunctions) {
    command(640);
    HWND files = hosted("File Browser");
    ASSERT_NE(files, nullptr);
    Picture::onscreen(GetParent(files), true).save(work() + "\\file_browser.png");

    std::string saved = work() + "\\files.fls";
    uidriver::answerfilewith(saved);
    menu(files, 118);
    EXPECT_EQ(uidriver::readfile(saved), "\n\t\tFiles List\n\n\told.c\n\tutil.c\n\tmain.c\n");

    // A plain double-click opens the file's source (a stand-in as yet),
    // with Shift its function list.
    int util = lineof(files, "util.c");
    ASSERT_GT(util, 0);
    EXPECT_TRUE(said(doubleclick(files, util, 10), "Source window for util.c"));
    EXPECT_TRUE(doubleclick(files, util, 10, MK_SHIFT).empty());
    HWND functions = hosted("Function Browser for util.c");
    ASSERT_NE(functions, nullptr);
    EXPECT_EQ(plaintext(viewrecord(functions)->text.text()),
              "\nFunctions in file: util.c\n (on)   extern int add(int  a, int  b) at " + addressof("add") + "\n\n");
    Picture::onscreen(GetParent(functions), true).save(work() + "\\function_browser_util.png");
}

TEST_F(Browsers, TheFunctionListIsSavedWithoutHiddenFunctions) {
    command(650);
    ASSERT_NE(hosted("Function Browser"), nullptr);
    std::string saved = work() + "\\functions.fns";
    uidriver::answerfilewith(saved);
    menu(hosted("Function Browser"), 118);
    std::string text = uidriver::readfile(saved);
    EXPECT_EQ(text.rfind("\n\t\tFunction List\n\n", 0), 0u) << text;
    EXPECT_NE(text.find("\textern int add(int  a, int  b) at " + addressof("add") + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\tstatic char helper(int  n) at " + addressof("helper") + "\n"), std::string::npos) << text;
    for (const char* absent : {"gone", ".init", "declared"}) EXPECT_EQ(text.find(absent), std::string::npos) << absent;
}

TEST_F(Browsers, ADoubleClickOnAMarkSwitchesTheFunctionOffAndOn) {
    command(650);
    HWND functions = hosted("Function Browser");
    ASSERT_NE(functions, nullptr);
    // The program stands in main (its frame is on the stack, and such a
    // function is not switched off): add is switched.
    int add = lineof(functions, "int add(");
    ASSERT_GT(add, 0);
    LRESULT length = SendMessageA(functions, VWM_GETLINELEN, static_cast<WPARAM>(add), 0);
    std::string log = work() + "\\toggle.log";
    docmd(("record " + log).c_str(), 1);

    doubleclick(functions, add, 2);
    EXPECT_EQ(plaintext(textline(viewrecord(functions)->text.text(), add)).substr(0, 8), " (off)  ");
    EXPECT_EQ(SendMessageA(functions, VWM_GETLINELEN, static_cast<WPARAM>(add), 0), length);
    Picture::onscreen(GetParent(functions), true).save(work() + "\\function_browser_off.png");
    doubleclick(functions, add, 2);
    EXPECT_EQ(plaintext(textline(viewrecord(functions)->text.text(), add)).substr(0, 8), " (on)   ");
    EXPECT_EQ(SendMessageA(functions, VWM_GETLINELEN, static_cast<WPARAM>(add), 0), length);
    docmd("record", 1);

    std::string recorded = uidriver::readfile(log);
    std::size_t deact = recorded.find("deact add()");
    EXPECT_NE(deact, std::string::npos) << recorded;
    EXPECT_NE(recorded.find("activ add()", deact), std::string::npos) << recorded;

    // A refused switch leaves the mark as it was.
    int main = lineof(functions, "int main()");
    EXPECT_TRUE(said(doubleclick(functions, main, 2), "main(): function in stack frame"));
    EXPECT_EQ(plaintext(textline(viewrecord(functions)->text.text(), main)).substr(0, 8), " (on)   ");
}

// A printer that keeps the lines drawn on it (a line's first piece is
// drawn at x 0) and a picture of the box that shows the printing.
class KeptPrinter : public PrinterDevice {
public:
    static std::vector<std::string> lines;
    static int pages;
    static bool boxseen;
    int32_t textwidth(std::string_view text) override { return static_cast<int32_t>(text.size()) * 10; }
    void drawtext(int32_t x, int32_t, std::string_view text) override {
        if (!boxseen) {
            HWND box = FindWindowA(nullptr, "Printing");
            boxseen = box != nullptr;
            if (box) Picture::onscreen(box, true).save(WindowTest::work() + "\\printing_box.png");
        }
        if (x == 0 || lines.empty()) lines.emplace_back();
        lines.back() += text;
    }
    bool startpage() override { return ++pages, true; }
    bool endpage() override { return true; }
    bool aborted() override { return false; }
    bool startdoc(const std::string&) override { return true; }
    void enddoc(bool) override {}
    PrintMetrics metrics() override { return {10, 60, 80}; }
};
std::vector<std::string> KeptPrinter::lines;
int KeptPrinter::pages = 0;
bool KeptPrinter::boxseen = false;

TEST_F(Browsers, TheFunctionListPrintsThroughTheSpoolFile) {
    command(650);
    ASSERT_NE(hosted("Function Browser"), nullptr);
    DeleteFileA(SPOOLFILE);
    tempfilecreated = false;
    auto real = chooseprinter;
    chooseprinter = [] { return std::unique_ptr<PrinterDevice>(new KeptPrinter); };
    menu(hosted("Function Browser"), 121);
    chooseprinter = real;
    EXPECT_TRUE(tempfilecreated);
    std::string spool = uidriver::readfile(SPOOLFILE);
    EXPECT_EQ(spool.rfind("\n\t\tFunction List\n\n\nFunctions in file: old.c\n", 0), 0u) << spool;
    EXPECT_NE(spool.find("\nextern int main() at " + addressof("main") + "\n"), std::string::npos) << spool;
    EXPECT_EQ(KeptPrinter::pages, 1);
    EXPECT_NE(std::find(KeptPrinter::lines.begin(), KeptPrinter::lines.end(), "extern int main() at " + addressof("main")),
              KeptPrinter::lines.end());
    EXPECT_TRUE(KeptPrinter::boxseen) << "the box of the printing is up while it prints";
}

// A printer whose second page cannot be ended, or whose user presses the
// Cancel of the printing box while the first page is drawn.
class FailingPrinter : public KeptPrinter {
public:
    enum Fault { PAGE, ABORT } fault;
    explicit FailingPrinter(Fault fault) : fault(fault) {}
    void drawtext(int32_t x, int32_t y, std::string_view text) override {
        if (fault == ABORT)
            if (HWND box = FindWindowA(nullptr, "Printing")) SendMessageA(box, WM_COMMAND, 100, 0);
        KeptPrinter::drawtext(x, y, text);
    }
    bool endpage() override { return fault != PAGE || pages < 2; }
    bool aborted() override { return printaborted; }
};

TEST_F(Browsers, AFailedPageOrTheUsersCancelEndsThePrinting) {
    auto real = chooseprinter;
    for (FailingPrinter::Fault fault : {FailingPrinter::PAGE, FailingPrinter::ABORT}) {
        static FailingPrinter::Fault next;
        next = fault;
        chooseprinter = [] { return std::unique_ptr<PrinterDevice>(new FailingPrinter(next)); };
        KeptPrinter::pages = 0;
        KeptPrinter::lines.clear();
        int line = 0;
        std::string text;
        std::vector<WindowInfo> boxes;
        send(frame(), WM_NULL, 0, 0, &boxes);
        PrintText("Lines", [&](bool first) -> const char* {
            if (first) line = 0;
            if (line >= 150) return nullptr;
            text = "line " + std::to_string(++line) + "\r\n";
            return text.c_str();
        });
        send(frame(), WM_NULL, 0, 0, &boxes);
        EXPECT_TRUE(said(boxes, "Error while Printing, Print Cancelled")) << fault;
        EXPECT_EQ(FindWindowA(nullptr, "Printing"), nullptr) << "the box of the printing is gone";
        EXPECT_TRUE(IsWindowEnabled(frame()));
        EXPECT_LT(KeptPrinter::lines.size(), 150u) << fault;
    }
    chooseprinter = real;
}

TEST_F(Browsers, SymbolsInValueAndInNameOrder) {
    command(671);
    HWND symbols = FindWindowExA(client(), nullptr, "LISTWIN", "Symbols");
    ASSERT_NE(symbols, nullptr);
    std::string byvalue = plaintext(viewrecord(symbols)->text.text());
    Picture::onscreen(symbols, true).save(work() + "\\symbols.png");
    uint16_t mainstart = 0;
    for (const auto& [name, start] : starts)
        if (name == "main") mainstart = start;
    std::string mainline = "  " + hexfield(mainstart, 4) + "  _main in segment text  \n";
    EXPECT_NE(byvalue.find(mainline), std::string::npos) << byvalue;
    // Value order: each line's value at least the one before.
    std::string last;
    for (int n = 1; n <= viewrecord(symbols)->linecount; ++n) {
        std::string value = plaintext(textline(viewrecord(symbols)->text.text(), n)).substr(0, 8);
        if (value.size() < 8) continue;
        EXPECT_LE(last, value) << byvalue;
        last = value;
    }
    EXPECT_EQ(byvalue.find(" ."), std::string::npos) << "names beginning with '.' are not listed";
    CloseListWindows();
    pump();

    command(672);
    symbols = FindWindowExA(client(), nullptr, "LISTWIN", "Symbols");
    ASSERT_NE(symbols, nullptr);
    std::string byname = plaintext(viewrecord(symbols)->text.text());
    EXPECT_LT(byname.find("_add"), byname.find("_main")) << byname;
    EXPECT_EQ(byname.size(), byvalue.size()) << "the same lines in another order";
}

TEST_F(Browsers, AFillThatRunsOutOfMemoryClosesItsWindow) {
    auto real = textbufrealloc;
    textbufrealloc = [](void*, std::size_t) -> void* { return nullptr; };
    struct Case {
        int id;
        const char* message;
    };
    for (const Case& c : {Case{640, "Not Enough Memory for File Browsing"},
                          Case{650, "Not Enough Memory for Function Browsing"},
                          Case{671, "Not Enough Memory for Symbol Browsing"}}) {
        EXPECT_TRUE(said(command(c.id), c.message)) << c.id;
        EXPECT_EQ(FindWindowExA(client(), nullptr, "LISTHOST", nullptr), nullptr) << c.id;
        EXPECT_EQ(FindWindowExA(client(), nullptr, "LISTWIN", nullptr), nullptr) << c.id;
    }
    textbufrealloc = real;
}

// The combo's entries.
static std::vector<std::string> entries(HWND dialog, int control) {
    std::vector<std::string> all;
    LRESULT n = SendDlgItemMessageA(dialog, control, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[600] = "";
        SendDlgItemMessageA(dialog, control, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        all.push_back(text);
    }
    return all;
}

static void press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST_F(Browsers, TheSelectionDialogsOfFilesFunctionsAndSymbols) {
    answered();
    // Browse > Function: "Ok" wants a function; a chosen one opens its
    // source (a stand-in as yet).
    std::vector<WindowInfo> boxes;
    uint32_t beeps = errorbeeps;
    bool stayed = false;
    std::vector<std::string> files, functions;
    EXPECT_TRUE(dialog("Function Browser", [&] { boxes = command(622); },
                       [&](HWND d) {
                           files = entries(d, 610);
                           functions = entries(d, 611);
                           SetDlgItemTextA(d, 611, "");
                           press(d, 609);
                           stayed = IsWindow(d);
                           Picture::onscreen(d, true).save(work() + "\\function_browser_dialog.png");
                           SetDlgItemTextA(d, 611, "add");
                           press(d, 609);
                       }));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(errorbeeps - beeps, 1u);
    EXPECT_EQ(files, (std::vector<std::string>{"old.c", "util.c", "main.c", "*.*"}));
    for (const char* name : {"kept", "add", "main", "helper"})
        EXPECT_NE(std::find(functions.begin(), functions.end(), name), functions.end()) << name;
    EXPECT_EQ(std::count(functions.begin(), functions.end(), "kept"), 1) << "a hidden file's functions are not offered";
    EXPECT_EQ(std::find(functions.begin(), functions.end(), ".init"), functions.end());
    EXPECT_TRUE(said(boxes, "Source window for add()"));

    // Browse > File: the listed files, the current one chosen.
    EXPECT_TRUE(dialog("File Browser", [&] { boxes = command(620); },
                       [&](HWND d) {
                           files = entries(d, 610);
                           Picture::onscreen(d, true).save(work() + "\\file_browser_dialog.png");
                           SetDlgItemTextA(d, 610, "util.c");
                           SendMessageA(d, WM_COMMAND, MAKEWPARAM(610, CBN_EDITCHANGE),
                                        reinterpret_cast<LPARAM>(GetDlgItem(d, 610)));
                           press(d, 601);
                       }));
    EXPECT_EQ(files, (std::vector<std::string>{"old.c", "util.c", "main.c"}));
    EXPECT_TRUE(said(boxes, "Source window for util.c"));

    // The symbol selection: a typed name shows its value; the names with
    // '.' first are not offered.
    std::string value;
    std::vector<std::string> symbols;
    int chosen = 0;
    uint32_t got = 0;
    EXPECT_TRUE(dialog("Select Symbol", [&] { chosen = SelectSymbolDialog(&got, frame()); },
                       [&](HWND d) {
                           symbols = entries(d, 612);
                           SetDlgItemTextA(d, 612, "_add");
                           SendMessageA(d, WM_COMMAND, MAKEWPARAM(612, CBN_EDITCHANGE),
                                        reinterpret_cast<LPARAM>(GetDlgItem(d, 612)));
                           char text[32] = "";
                           GetDlgItemTextA(d, 613, text, sizeof text);
                           value = text;
                           Picture::onscreen(d, true).save(work() + "\\symbol_select.png");
                           press(d, 614);
                       }));
    EXPECT_EQ(value, "0x8014");
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(got, 0x8014u);
    EXPECT_NE(std::find(symbols.begin(), symbols.end(), "_main"), symbols.end());
    for (const std::string& s : symbols) EXPECT_NE(s[0], '.') << s;

    // The symbol browser of the Browse menu: the same dialog, owned by a
    // window of its own.
    EXPECT_TRUE(dialog("Symbol Browser", [&] { command(670); },
                       [&](HWND d) {
                           symbols = entries(d, 612);
                           Picture::onscreen(d, true).save(work() + "\\symbol_browser.png");
                       }));
    EXPECT_NE(std::find(symbols.begin(), symbols.end(), "_add"), symbols.end());
}

}  // namespace
