// The plug-in in its test host, under Wine: one process loads VYRIOREG.DLL
// as the debugger does, drives its selection dialog and message boxes
// (a timer answers them from inside their modal loops), right-clicks and
// types into its trees, and reads back the item texts and the log of the
// debugger calls the plug-in made.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ioreg_host.h"
#include "ui_driver.h"
#include "target_standin.h"

namespace {

using Calls = std::vector<std::string>;
namespace standin = vy::standin;
using uidriver::boxmessage;
using uidriver::classof;
using uidriver::textof;

// ---------------------------------------------------------------------------
// Files: a folder of modules, one of names to list, one without modules.

std::string topdir;

std::string folder(const char* name) { return topdir + "\\" + name; }

void writefile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void makefolders() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    topdir = std::string(temp) + "ioreg-wine-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(topdir.c_str(), nullptr);
    for (const char* name : {"main", "select", "empty"}) CreateDirectoryA(folder(name).c_str(), nullptr);
    CopyFileA("Z:" VY_SOURCE_DIR "/ioreg/tests/fixtures/hc11.iod", (folder("main") + "\\hc11.iod").c_str(), FALSE);
    writefile(folder("main") + "\\ports.iod", "Ports B and C\nB 1004,PORTB\nB 1003,PORTC\n W 7,0,ALL\n  X,pins\n");
    writefile(folder("main") + "\\single.iod", "One port\nB 1000,PORTA\n");

    writefile(folder("select") + "\\a.iod", "Module A\nB 0,R\n");
    writefile(folder("select") + "\\B.IOD", "Module B\r\nB 0,R\r\n");
    writefile(folder("select") + "\\x.io", "Module X\n");
    writefile(folder("select") + "\\h.iod", "Hidden\n");
    SetFileAttributesA((folder("select") + "\\h.iod").c_str(), FILE_ATTRIBUTE_HIDDEN);
    writefile(folder("select") + "\\e.iod", "");
    CreateDirectoryA((folder("select") + "\\d.iod").c_str(), nullptr);

    writefile(folder("empty") + "\\readme.txt", "no modules here\n");
}

void removefolders() {
    SetCurrentDirectoryA("C:\\");
    SetFileAttributesA((folder("select") + "\\h.iod").c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const char* name : {"main\\hc11.iod", "main\\ports.iod", "main\\single.iod", "select\\a.iod",
                             "select\\B.IOD", "select\\x.io", "select\\h.iod", "select\\e.iod", "empty\\readme.txt"})
        DeleteFileA(folder(name).c_str());
    for (const char* name : {"select\\d.iod", "main", "select", "empty"}) RemoveDirectoryA(folder(name).c_str());
    RemoveDirectoryA(topdir.c_str());
}

// ---------------------------------------------------------------------------
// Modal windows: the selection dialog goes to a handler, message boxes are
// answered with OK and kept.

struct Box {
    std::string caption, text;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& box, std::ostream* out) { *out << box.caption << ": \"" << box.text << '"'; }

std::function<void(HWND)> dialoghandler;
std::vector<Box> answered;
std::set<HWND> seen;
int dialogs;

BOOL CALLBACK collectdialog(HWND window, LPARAM list) {
    if (classof(window) == "#32770" && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

void CALLBACK watchmodals(HWND, UINT, UINT_PTR, DWORD) {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectdialog, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (!seen.insert(window).second) continue;
        if (textof(window) == "Select I/O Module") {
            ++dialogs;
            if (dialoghandler) dialoghandler(window);
            else SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
        } else {
            answered.push_back({textof(window), boxmessage(window)});
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        }
    }
}

// Runs `action` while the modal windows it opens are handled; returns the
// message boxes answered.
std::vector<Box> withmodals(const std::function<void()>& action, std::function<void(HWND)> dialog = {}) {
    dialoghandler = std::move(dialog);
    answered.clear();
    seen.clear();
    dialogs = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, watchmodals);
    action();
    KillTimer(nullptr, timer);
    dialoghandler = nullptr;
    ioreghost::pump();
    return answered;
}

// The selection dialog's list and fields.
std::vector<std::string> listentries(HWND dialog) {
    std::vector<std::string> entries;
    LRESULT count = SendDlgItemMessageA(dialog, 120, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[600] = "";
        SendDlgItemMessageA(dialog, 120, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

void pick(HWND dialog, const std::vector<std::string>& titles) {
    std::vector<std::string> entries = listentries(dialog);
    for (std::size_t i = 0; i < entries.size(); ++i)
        for (const std::string& title : titles)
            if (entries[i] == title) SendDlgItemMessageA(dialog, 120, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
}

void press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Command 9100 with the titles picked and the offset typed, then OK.
std::vector<Box> openmodules(const std::vector<std::string>& titles, const char* offset = "") {
    return withmodals([] { ioreghost::command(9100); },
                      [=](HWND dialog) {
                          pick(dialog, titles);
                          SetDlgItemTextA(dialog, 126, offset);
                          press(dialog, IDOK);
                      });
}

// ---------------------------------------------------------------------------
// Viewers and trees

std::vector<HWND> viewers() {
    std::vector<HWND> found;
    for (HWND child = GetWindow(ioreghost::client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (classof(child) == "IOREGHOST") found.push_back(child);
    return found;
}

HWND viewer(const std::string& title) {
    for (HWND v : viewers())
        if (textof(v) == title) return v;
    return nullptr;
}

HWND treeof(HWND viewer) { return viewer ? GetWindow(viewer, GW_CHILD) : nullptr; }

HTREEITEM next(HWND tree, HTREEITEM item, UINT how) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

std::string itemtext(HWND tree, HTREEITEM item) {
    char text[1024] = "";
    TVITEMA get{};
    get.mask = TVIF_TEXT;
    get.hItem = item;
    get.pszText = text;
    get.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
    return text;
}

TVITEMA iteminfo(HWND tree, HTREEITEM item) {
    TVITEMA get{};
    get.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;
    get.stateMask = TVIS_STATEIMAGEMASK;
    get.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
    return get;
}

int stateimage(HWND tree, HTREEITEM item) { return static_cast<int>((iteminfo(tree, item).state & TVIS_STATEIMAGEMASK) >> 12); }

// The tree as indented lines, two blanks a level.
void outline(HWND tree, HTREEITEM item, int depth, std::string& text) {
    for (; item; item = next(tree, item, TVGN_NEXT)) {
        text += std::string(2 * depth, ' ') + itemtext(tree, item) + "\n";
        outline(tree, next(tree, item, TVGN_CHILD), depth + 1, text);
    }
}

std::string outline(HWND tree) {
    std::string text;
    outline(tree, next(tree, nullptr, TVGN_ROOT), 0, text);
    return text;
}

// The register or field item of that name.
HTREEITEM finditem(HWND tree, HTREEITEM item, const std::string& name) {
    for (; item; item = next(tree, item, TVGN_NEXT)) {
        std::string text = itemtext(tree, item);
        if (text.rfind(name + " ", 0) == 0 || text.find("] " + name + " ") != std::string::npos) return item;
        if (HTREEITEM found = finditem(tree, next(tree, item, TVGN_CHILD), name)) return found;
    }
    return nullptr;
}

HTREEITEM finditem(HWND tree, const std::string& name) { return finditem(tree, next(tree, nullptr, TVGN_ROOT), name); }

// The point left of an item's text where the hit test finds `what`.
POINT pointbeside(HWND tree, HTREEITEM item, UINT what) {
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    POINT at{rect.left - 1, (rect.top + rect.bottom) / 2};
    for (; at.x >= 0; --at.x) {
        TVHITTESTINFO hit{at, 0, nullptr};
        SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.flags & what) break;
    }
    return at;
}

// A left click on the item's expand button, as the mouse gives it.
void clickbutton(HWND tree, HTREEITEM item) {
    POINT at = pointbeside(tree, item, TVHT_ONITEMBUTTON);
    ASSERT_GE(at.x, 0) << "no button beside " << itemtext(tree, item);
    LPARAM point = MAKELPARAM(at.x, at.y);
    SendMessageA(tree, WM_MOUSEMOVE, 0, point);
    PostMessageA(tree, WM_LBUTTONUP, 0, point);
    SendMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, point);
    ioreghost::pump();
}

// A right click, as the mouse gives it: the pointer moves there, the
// button goes down and up. On the item's text, or on its state image.
void rightclick(HWND tree, HTREEITEM item, bool stateicon = false) {
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
    POINT at{rect.left + 3, (rect.top + rect.bottom) / 2};
    if (stateicon) {
        at = pointbeside(tree, item, TVHT_ONITEMSTATEICON);
        ASSERT_GE(at.x, 0) << "no state image beside " << itemtext(tree, item);
    }
    LPARAM point = MAKELPARAM(at.x, at.y);
    SendMessageA(tree, WM_MOUSEMOVE, 0, point);
    PostMessageA(tree, WM_RBUTTONUP, 0, point);
    SendMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, point);
    ioreghost::pump();
}

HWND editbox(HWND tree) { return FindWindowExA(tree, nullptr, "IOREGEDIT", nullptr); }
HWND listbox(HWND tree) { return FindWindowExA(tree, nullptr, "IOREGCOMBO", nullptr); }

// Types a whole text into an edit box and presses Enter.
void typeenter(HWND edit, const char* text) {
    SetWindowTextA(edit, text);
    SendMessageA(edit, WM_CHAR, '\r', 0);
    ioreghost::pump();
}

std::vector<std::string> comboentries(HWND combo) {
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[600] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

POINT placeintree(HWND tree, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    POINT corner{rect.left, rect.top};
    ScreenToClient(tree, &corner);
    return corner;
}

Calls reads() {
    Calls found;
    for (const std::string& call : standin::calls)
        if (call.rfind("Read", 0) == 0) found.push_back(call);
    return found;
}

// The target bytes of the 68HC11 fixture's registers.
void presetregisters() {
    standin::memory[0x1000] = 0xA5;
    standin::memory[0x100E] = 0x12;
    standin::memory[0x100F] = 0x34;
    standin::memory[0x1020] = 0x9A;
    standin::memory[0x102E] = 0xC0;
}

const char* const hc11outline =
    "68HC11 Ports, Timer and SCI\n"
    "  [00001000] PORTA    <0xa5>\n"
    "    PA7   High <0x1>\n"
    "    PA2:PA0   inputs 0x5\n"
    "  [0000100e] TCNT    <0x1234>\n"
    "    Count   count 0x1234\n"
    "  [00001020] TCTL1    <0x9a>\n"
    "    OM2:OL2   Clear <0x2>\n"
    "    OM3:OL3   Toggle <0x1>\n"
    "    OM5:OL5   Other 0x2\n"
    "  [0000102e] SCSR    <0xc0>\n"
    "    TDRE   Empty <0x1>\n"
    "    TC   Complete <0x1>\n"
    "    RDRF   <0x0>\n"
    "    OR:NF:FE   None <0x0>\n";

const char* const hc11 = "68HC11 Ports, Timer and SCI";

// ---------------------------------------------------------------------------

class IORegPlugin : public testing::Test {
protected:
    static void SetUpTestSuite() {
        makefolders();
        ioreghost::createframe(SW_SHOWNORMAL);
    }
    static void TearDownTestSuite() {
        ioreghost::freeplugin();
        if (ioreghost::frame) DestroyWindow(ioreghost::frame);
        ioreghost::pump();
        removefolders();
    }
    void SetUp() override {
        if (!ioreghost::frame) GTEST_SKIP() << "no frame window (no display?)";
        SetCurrentDirectoryA(folder("main").c_str());
        if (!ioreghost::plugin) {
            ASSERT_TRUE(ioreghost::loadplugin());
        }
        standin::reset();
    }
    void TearDown() override {
        for (HWND v : viewers()) SendMessageA(ioreghost::client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(v), 0);
        ioreghost::pump();
        SetCurrentDirectoryA(folder("main").c_str());
    }
};

TEST_F(IORegPlugin, KeptOnlyWithAnIodFileInTheCurrentDirectory) {
    ioreghost::freeplugin();
    SetCurrentDirectoryA(folder("empty").c_str());
    EXPECT_FALSE(ioreghost::loadplugin());
    EXPECT_EQ(GetModuleHandleA("vyrioreg.dll"), nullptr);
    EXPECT_FALSE(ioreghost::viewenabled());
    // Loaded again once a module is there: its classes are registered anew.
    SetCurrentDirectoryA(folder("main").c_str());
    ASSERT_TRUE(ioreghost::loadplugin());
    EXPECT_TRUE(ioreghost::viewenabled());
    openmodules({hc11});
    EXPECT_EQ(viewers().size(), 1u);
}

TEST_F(IORegPlugin, InitNeedsAllEightDebuggerFunctions) {
    HMODULE partial = LoadLibraryA("ioregpartial.dll");
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(ioreghost::ioreginit(ioreghost::frame, ioreghost::client, partial, ioreghost::plugin), 0);
    FreeLibrary(partial);
    EXPECT_EQ(ioreghost::ioreginit(ioreghost::frame, ioreghost::client, GetModuleHandleA(nullptr), ioreghost::plugin), 1);
    openmodules({hc11});
    EXPECT_EQ(viewers().size(), 1u);
}

TEST_F(IORegPlugin, OnlyCommands9100And9110AreHandled) {
    std::vector<Box> boxes = withmodals([] {
        EXPECT_EQ(ioreghost::ioreg(ioreghost::frame, WM_COMMAND, 9101, 0), 0);
        EXPECT_EQ(ioreghost::ioreg(ioreghost::frame, WM_COMMAND, 9199, 0), 0);
        EXPECT_EQ(ioreghost::ioreg(ioreghost::frame, WM_INITDIALOG, 9100, 0), 0);
        EXPECT_EQ(ioreghost::ioreg(ioreghost::frame, WM_COMMAND, 9110, 0), 1);
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(viewers().empty());
    EXPECT_TRUE(standin::calls.empty());
}

TEST_F(IORegPlugin, SelectionListsPlainIodFilesByTitle) {
    SetCurrentDirectoryA(folder("select").c_str());
    std::vector<std::string> listed;
    withmodals([] { EXPECT_EQ(ioreghost::command(9100), 1); },
               [&](HWND dialog) {
                   listed = listentries(dialog);
                   press(dialog, IDCANCEL);
               });
    EXPECT_EQ(dialogs, 1);
    std::set<std::string> titles(listed.begin(), listed.end());
    EXPECT_EQ(titles, (std::set<std::string>{"Module A", "Module B"}));
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_TRUE(viewers().empty());
}

TEST_F(IORegPlugin, CancelOpensNothing) {
    openmodules({"One port"}, "0x100");
    HWND tree = treeof(viewer("One port Browser"));
    ASSERT_NE(tree, nullptr);
    standin::calls.clear();
    withmodals([] { ioreghost::command(9100); },
               [](HWND dialog) {
                   pick(dialog, {hc11, "Ports B and C"});
                   SetDlgItemTextA(dialog, 126, "0x2000");
                   press(dialog, IDCANCEL);
               });
    EXPECT_EQ(viewers().size(), 1u);
    EXPECT_TRUE(standin::calls.empty());
    EXPECT_EQ(itemtext(tree, finditem(tree, "PORTA")), "[00001100] PORTA    <0x0>");
}

TEST_F(IORegPlugin, ThreeSelectedModulesOpenThreeViewers) {
    std::vector<Box> boxes = openmodules({hc11, "Ports B and C", "One port"});
    EXPECT_TRUE(boxes.empty());
    std::set<std::string> titles;
    for (HWND v : viewers()) titles.insert(textof(v));
    EXPECT_EQ(titles, (std::set<std::string>{std::string(hc11) + " Browser", "Ports B and C Browser", "One port Browser"}));
    EXPECT_EQ(standin::callsof("MDIUpdate").size(), 3u);
}

TEST_F(IORegPlugin, UnmatchedTitleShowsPanicAndOpensNothingForIt) {
    std::vector<Box> boxes = withmodals([] { ioreghost::command(9100); },
                                        [](HWND dialog) {
                                            SendDlgItemMessageA(dialog, 120, LB_ADDSTRING, 0,
                                                                reinterpret_cast<LPARAM>("Ghost"));
                                            pick(dialog, {"Ghost", "One port"});
                                            press(dialog, IDOK);
                                        });
    EXPECT_EQ(boxes, (std::vector<Box>{{"Error", "PANIC FOR NAME: Ghost"}}));
    ASSERT_EQ(viewers().size(), 1u);
    EXPECT_EQ(textof(viewers()[0]), "One port Browser");
}

TEST_F(IORegPlugin, TreeShowsTheRegisterMapWithTheTargetsBytes) {
    presetregisters();
    openmodules({hc11});
    HWND tree = treeof(viewer(std::string(hc11) + " Browser"));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(outline(tree), hc11outline);
    EXPECT_EQ(standin::calls,
              (Calls{"MDIUpdate", "ReadByte 0x1000", "ReadWord 0x100e", "ReadByte 0x1020", "ReadByte 0x102e"}));

    HTREEITEM root = next(tree, nullptr, TVGN_ROOT);
    HTREEITEM porta = finditem(tree, "PORTA");
    EXPECT_EQ(iteminfo(tree, root).iImage, 1);
    EXPECT_EQ(iteminfo(tree, root).lParam, 1);
    EXPECT_EQ(iteminfo(tree, porta).iImage, 3);
    EXPECT_EQ(iteminfo(tree, porta).lParam, 2);
    EXPECT_EQ(stateimage(tree, porta), 1);
    EXPECT_EQ(iteminfo(tree, finditem(tree, "PA7")).iImage, 0);
    EXPECT_EQ(iteminfo(tree, finditem(tree, "PA7")).lParam, 4);
    clickbutton(tree, root);
    clickbutton(tree, porta);
    EXPECT_EQ(iteminfo(tree, root).iImage, 2);
    EXPECT_EQ(iteminfo(tree, root).iSelectedImage, 2);
    EXPECT_EQ(iteminfo(tree, porta).iImage, 4);
    clickbutton(tree, porta);
    EXPECT_EQ(iteminfo(tree, porta).iImage, 3);
    clickbutton(tree, root);
    EXPECT_EQ(iteminfo(tree, root).iImage, 1);
}

TEST_F(IORegPlugin, OffsetMovesEveryRegister) {
    standin::memory[0x3000] = 0x5C;
    openmodules({"One port"}, "0x2000");
    HWND tree = treeof(viewer("One port Browser"));
    EXPECT_EQ(outline(tree), "One port\n  [00003000] PORTA    <0x5c>\n");
    EXPECT_EQ(reads(), (Calls{"ReadByte 0x3000"}));

    standin::calls.clear();
    openmodules({"One port"}, "-4");
    HWND second = nullptr;
    for (HWND v : viewers())
        if (treeof(v) != tree) second = treeof(v);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(itemtext(second, finditem(second, "PORTA")), "[00000ffc] PORTA    <0x0>");
    EXPECT_EQ(reads(), (Calls{"ReadByte 0xffc"}));
}

TEST_F(IORegPlugin, TypedValueIsWrittenAndShownUntilTheNextStop) {
    presetregisters();
    openmodules({hc11});
    HWND tree = treeof(viewers()[0]);
    HTREEITEM porta = finditem(tree, "PORTA");
    rightclick(tree, porta);
    HWND edit = editbox(tree);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(textof(edit), "0xa5");
    EXPECT_EQ(itemtext(tree, porta), "[00001000] PORTA   ");
    EXPECT_EQ(GetWindowLongPtrA(viewers()[0], sizeof(LONG_PTR)), reinterpret_cast<LONG_PTR>(edit));
    standin::calls.clear();
    typeenter(edit, "0x1FF");
    EXPECT_EQ(editbox(tree), nullptr);
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1000 0x1ff", "VyrDataMemUpdate 1"}));
    EXPECT_EQ(standin::memory[0x1000], 0xFF);
    EXPECT_EQ(itemtext(tree, porta), "[00001000] PORTA    <0x1ff>");
    EXPECT_EQ(itemtext(tree, finditem(tree, "PA2:PA0")), "PA2:PA0   inputs 0x7");
    ioreghost::command(9110);
    EXPECT_EQ(itemtext(tree, porta), "[00001000] PORTA    <0xff>");
}

TEST_F(IORegPlugin, TextWithoutANumberWritesNothing) {
    presetregisters();
    openmodules({hc11});
    HWND tree = treeof(viewers()[0]);
    HTREEITEM tcnt = finditem(tree, "TCNT");
    rightclick(tree, tcnt);
    standin::calls.clear();
    typeenter(editbox(tree), "none");
    EXPECT_TRUE(standin::calls.empty());
    EXPECT_EQ(itemtext(tree, tcnt), "[0000100e] TCNT    <0x1234>");
    // A word register takes -1 as 0xffff.
    rightclick(tree, tcnt);
    typeenter(editbox(tree), "-1");
    EXPECT_EQ(standin::calls, (Calls{"WriteWord 0x100e 0xffffffff", "VyrDataMemUpdate 1"}));
    EXPECT_EQ(standin::memory[0x100E], 0xFF);
    EXPECT_EQ(standin::memory[0x100F], 0xFF);
}

TEST_F(IORegPlugin, ReadOnlyFieldWarnsAndKeepsItsText) {
    presetregisters();
    openmodules({hc11});
    HWND tree = treeof(viewers()[0]);
    HTREEITEM tdre = finditem(tree, "TDRE");
    std::vector<Box> boxes = withmodals([&] { rightclick(tree, tdre); });
    EXPECT_EQ(boxes, (std::vector<Box>{{"Warning", "Field is READ ONLY "}}));
    EXPECT_EQ(itemtext(tree, tdre), "TDRE   Empty <0x1>");
    EXPECT_EQ(editbox(tree), nullptr);
    EXPECT_EQ(listbox(tree), nullptr);
}

TEST_F(IORegPlugin, NamedValueWritesOnlyItsFieldsBits) {
    presetregisters();
    standin::memory[0x1020] = 0xC3;
    openmodules({hc11});
    HWND tree = treeof(viewers()[0]);
    HTREEITEM field = finditem(tree, "OM3:OL3");
    rightclick(tree, field);
    HWND combo = listbox(tree);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(comboentries(combo), (Calls{"Disconnected", "Toggle", "Clear", "Set"}));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(itemtext(tree, field), "OM3:OL3   ");
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    standin::calls.clear();
    SendMessageA(combo, WM_CHAR, '\r', 0);
    ioreghost::pump();
    EXPECT_EQ(listbox(tree), nullptr);
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1020 0xe3", "VyrDataMemUpdate 1"}));
    EXPECT_EQ(itemtext(tree, field), "OM3:OL3   Clear <0x2>");
    EXPECT_EQ(itemtext(tree, finditem(tree, "TCTL1")), "[00001020] TCTL1    <0xe3>");
}

TEST_F(IORegPlugin, OtherValueThenEnterOpensAnEditBoxInTheListsPlace) {
    presetregisters();
    openmodules({hc11});
    HWND tree = treeof(viewers()[0]);
    HTREEITEM field = finditem(tree, "OM5:OL5");
    rightclick(tree, field);
    HWND combo = listbox(tree);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(comboentries(combo), (Calls{"Other value", "Both"}));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    POINT place = placeintree(tree, combo);
    standin::calls.clear();
    SendMessageA(combo, WM_CHAR, '\r', 0);
    ioreghost::pump();
    EXPECT_EQ(listbox(tree), nullptr);
    HWND edit = editbox(tree);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(placeintree(tree, edit).x, place.x);
    EXPECT_EQ(placeintree(tree, edit).y, place.y);
    EXPECT_EQ(textof(edit), "0x2");
    EXPECT_TRUE(standin::calls.empty());
    typeenter(edit, "0x11");
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1020 0x99", "VyrDataMemUpdate 1"}));
    EXPECT_EQ(itemtext(tree, field), "OM5:OL5   Other 0x1");

    // Closed any other way, a list showing "Other value" writes nothing.
    rightclick(tree, field);
    combo = listbox(tree);
    ASSERT_NE(combo, nullptr);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    standin::calls.clear();
    SendMessageA(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    ioreghost::pump();
    EXPECT_EQ(listbox(tree), nullptr);
    EXPECT_EQ(editbox(tree), nullptr);
    EXPECT_TRUE(standin::calls.empty());
    EXPECT_EQ(itemtext(tree, field), "OM5:OL5   Other 0x1");
}

TEST_F(IORegPlugin, ScrollingTheTreeWritesTheTypedValue) {
    presetregisters();
    openmodules({hc11});
    HWND tree = treeof(viewers()[0]);
    HTREEITEM porta = finditem(tree, "PORTA");
    rightclick(tree, porta);
    ASSERT_NE(editbox(tree), nullptr);
    SetWindowTextA(editbox(tree), "0x42");
    standin::calls.clear();
    SendMessageA(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    ioreghost::pump();
    EXPECT_EQ(editbox(tree), nullptr);
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1000 0x42", "VyrDataMemUpdate 1"}));
    EXPECT_EQ(itemtext(tree, porta), "[00001000] PORTA    <0x42>");
}

TEST_F(IORegPlugin, FrozenRegisterIsNeitherReadNorAnnounced) {
    presetregisters();
    openmodules({hc11, "Ports B and C"});
    HWND tree = treeof(viewer(std::string(hc11) + " Browser"));
    ASSERT_NE(tree, nullptr);
    HTREEITEM porta = finditem(tree, "PORTA");
    standin::calls.clear();
    rightclick(tree, porta, true);
    EXPECT_EQ(stateimage(tree, porta), 2);
    EXPECT_EQ(editbox(tree), nullptr);
    EXPECT_EQ(listbox(tree), nullptr);
    EXPECT_TRUE(standin::calls.empty());

    standin::memory[0x1000] = 0x11;
    standin::memory[0x1004] = 0x22;
    ioreghost::command(9110);
    Calls readnow = reads();
    std::set<std::string> read(readnow.begin(), readnow.end());
    EXPECT_EQ(read, (std::set<std::string>{"ReadWord 0x100e", "ReadByte 0x1020", "ReadByte 0x102e", "ReadByte 0x1004",
                                           "ReadByte 0x1003"}));
    EXPECT_EQ(readnow.size(), 5u);
    EXPECT_EQ(itemtext(tree, porta), "[00001000] PORTA    <0xa5>");
    HWND ports = treeof(viewer("Ports B and C Browser"));
    EXPECT_EQ(itemtext(ports, finditem(ports, "PORTB")), "[00001004] PORTB    <0x22>");

    rightclick(tree, porta);
    standin::calls.clear();
    typeenter(editbox(tree), "5");
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1000 0x5"}));

    standin::calls.clear();
    rightclick(tree, porta, true);
    EXPECT_EQ(stateimage(tree, porta), 1);
    EXPECT_EQ(standin::calls, (Calls{"ReadByte 0x1000"}));
    EXPECT_EQ(itemtext(tree, porta), "[00001000] PORTA    <0x5>");
}

TEST_F(IORegPlugin, ClosingAViewerCommitsItsEditorFirst) {
    presetregisters();
    openmodules({hc11, "One port"});
    HWND hc11viewer = viewer(std::string(hc11) + " Browser");
    HWND tree = treeof(hc11viewer);
    rightclick(tree, finditem(tree, "PORTA"));
    ASSERT_NE(editbox(tree), nullptr);
    SetWindowTextA(editbox(tree), "0x33");
    standin::calls.clear();
    SendMessageA(ioreghost::client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hc11viewer), 0);
    ioreghost::pump();
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1000 0x33", "VyrDataMemUpdate 1", "MDIUpdate"}));
    EXPECT_EQ(viewers().size(), 1u);

    // The other viewer lives on; once it is gone too, nothing is read.
    standin::calls.clear();
    ioreghost::command(9110);
    EXPECT_EQ(reads(), (Calls{"ReadByte 0x1000"}));
    SendMessageA(ioreghost::client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(viewers()[0]), 0);
    ioreghost::pump();
    standin::calls.clear();
    ioreghost::command(9110);
    EXPECT_TRUE(standin::calls.empty());
}

}  // namespace
