// The Windows debugger driven as a user would drive it, as a whole program
// under Wine: each test starts without the settings file "VYRS11.INI" in
// the Windows folder, starts vyrdbg, talks to its windows through the test
// driver, and reads what the user's actions left: the settings file, the
// output file of `output`, the command log of `record`, the command window.
// Checks of one window go to the in-process window tests instead.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/views/tests/two_file_program.h"
#include "test_files.h"
#include "ui_driver.h"

namespace {

using namespace uidriver;

class Vyrdbg : public ::testing::Test {
protected:
    void SetUp() override {
        // What the test leaves is kept in the artefacts folder: its files,
        // its pictures and the settings file at its end.
        const char* dir = std::getenv("VYR_ARTEFACTS");
        artefacts = dir ? windowspath(dir) + "\\" + testname() : work;
        if (dir) work = artefacts + "\\files";
        ASSERT_TRUE(makefolders(work)) << work;
        DeleteFileA(settingsfile().c_str());
    }
    void TearDown() override { CopyFileA(settingsfile().c_str(), (artefacts + "\\VYRS11.INI").c_str(), FALSE); }

    static std::string testname() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(info->test_suite_name()) + "_" + info->name();
    }

    // Runs vyrdbg with the command line and waits for its frame.
    HWND start(Program& program, const std::string& arguments = "") {
        std::string exe = windowspath(std::string(VY_BIN_DIR) + "/vyrdbg.exe");
        EXPECT_TRUE(program.start("\"" + exe + "\" " + arguments, work));
        return program.waittoplevel("VYR", 30000);
    }

    // A start file holding the lines, run with AUTOCMD as given.
    void startfile(const std::string& lines, bool autocmd = true) {
        writefile(work + "\\start.in", lines);
        setsetting("OPTIONS", "STARTFILE", (work + "\\start.in").c_str());
        setsetting("OPTIONS", "AUTOCMD", autocmd ? "YES" : "NO");
    }

    // Runs vyrdbg on a start file that ends it; its exit status.
    DWORD runtoend(const std::string& arguments = "") {
        Program program;
        std::string exe = windowspath(std::string(VY_BIN_DIR) + "/vyrdbg.exe");
        EXPECT_TRUE(program.start("\"" + exe + "\" " + arguments, work));
        EXPECT_TRUE(program.wait(30000)) << "vyrdbg did not end";
        return program.exitcode();
    }

    // Closes the frame as the menu's Exit does and waits for the end.
    void exit(Program& program, HWND frame) {
        sendanswering(program, frame, WM_COMMAND, 117, 0);
        EXPECT_TRUE(program.wait(20000)) << "vyrdbg did not end after Exit";
        EXPECT_EQ(program.exitcode(), 0u);
    }

    std::string work = "C:\\vyrtest";
    std::string artefacts;
};

// ---------------------------------------------------------------------------
// Start-up, shut-down and the settings file

TEST_F(Vyrdbg, SettingsFileAsTheFrameWritesIt) {
    ASSERT_EQ(GetFileAttributesA(settingsfile().c_str()), INVALID_FILE_ATTRIBUTES) << "a settings file at the start";

    // A first start whose start file quits.
    startfile("quit\n");
    EXPECT_EQ(runtoend(), 0u);
    EXPECT_TRUE(hasline("LayOut", "Save=NO"));
    EXPECT_TRUE(hasline("LayOut", "Status=YES"));
    EXPECT_TRUE(hasline("LayOut", "Buttons=NO"));
    EXPECT_TRUE(hasline("LayOut", "Command=YES")) << "AUTOCMD opened the command window for the start file's echo";
    EXPECT_TRUE(hasline("LayOut", "Registers=NO"));
    EXPECT_TRUE(hasline("Options", "Tile=CASCADE"));
    EXPECT_TRUE(sectionlines("Colors").empty()) << "nothing but the layout is saved without Save=YES";

    // Save Configuration on Exit: colours, fonts and window rectangles.
    setsetting("LayOut", "Save", "YES");
    EXPECT_EQ(runtoend(), 0u);
    EXPECT_TRUE(hasline("LayOut", "Save=YES"));
    std::vector<std::string> colours = sectionlines("Colors");
    ASSERT_EQ(colours.size(), 14u);
    EXPECT_EQ(colours[0], "Assembler=0xffff     /* Color for Assembler Highlihgt */");
    EXPECT_EQ(colours[3], "Source=0xff0000    /* Color for Source Highlight */");
    EXPECT_EQ(colours[7], "Comments=0x8000     /* Color for C Comments */");
    EXPECT_EQ(colours[10], "Preprocessor=0x828282    /* Color for Preprocessor Directives */");
    EXPECT_EQ(colours[13], "Search=0xff00     /* Color for Search */");
    std::vector<std::string> fonts = sectionlines("Fonts");
    ASSERT_EQ(fonts.size(), 8u);
    const std::regex fontline(R"(\w+_Font=-?\d+,-?\d+,-?\d+,-?\d+,\d+,(\d+,){8}[^,]*)");
    EXPECT_EQ(fonts[0].rfind("Assembler_Font=", 0), 0u);
    EXPECT_EQ(fonts[7].rfind("Stack_Font=", 0), 0u);
    for (const std::string& line : fonts) EXPECT_TRUE(std::regex_match(line, fontline)) << line;
    EXPECT_EQ(sectionlines("DisaWindow"),
              (std::vector<std::string>{"Left=20    /* Left side of Disa Window */", "Top=20    /* Top of Disa Window */",
                                        "Right=350    /* Right side of Disa Window */",
                                        "Bottom=100    /* Bottom of Disa Window */"}));
    EXPECT_EQ(sectionlines("RegWindow"),
              (std::vector<std::string>{"Left=0    /* Left side of Register Window */",
                                        "Right=50    /* Right side of Register Window */",
                                        "Top=0    /* Top of Register Window */",
                                        "Bottom=100    /* Bottom of Register Window */"}));
    const std::regex mainline(R"((Left|Top|Right|Bottom)=-?\d+    /\* (Left side of|Top of|Right side of|Bottom of) Main Window \*/)");
    ASSERT_EQ(sectionlines("VyrWindow").size(), 4u);
    for (const std::string& line : sectionlines("VyrWindow")) EXPECT_TRUE(std::regex_match(line, mainline)) << line;
    EXPECT_EQ(sectionlines("CmdWindow").size(), 4u);
    EXPECT_EQ(sectionlines("MonWindow").size(), 4u);
    EXPECT_EQ(sectionlines("StackWindow").size(), 4u);
    EXPECT_TRUE(sectionlines("SrcWindow").empty()) << "the source window was never placed";
    EXPECT_EQ(setting("Options", "LOAD_SYMB_ONLY"), "N");

    // What was written reads back and is written again unchanged.
    std::vector<std::string> before = sectionlines("Colors");
    EXPECT_EQ(runtoend(), 0u);
    EXPECT_EQ(sectionlines("Colors"), before);
    EXPECT_EQ(sectionlines("Fonts"), fonts);

    // A command window saved minimised opens minimised.
    setsetting("LayOut", "Command", "ICONIC");
    setsetting("OPTIONS", "STARTFILE", nullptr);
    {
        Program program;
        HWND frame = start(program);
        ASSERT_NE(frame, nullptr);
        HWND host = nullptr;
        waituntil([&] { return (host = findchild(frame, "CMDHOST")) != nullptr; }, 20000);
        ASSERT_NE(host, nullptr);
        EXPECT_TRUE(waituntil([&] { return IsIconic(host) != 0; }, 5000));
        exit(program, frame);
        EXPECT_TRUE(hasline("LayOut", "Command=ICONIC"));
    }
    startfile("quit\n");

    // Tiling modes by their first letter.
    for (auto [value, written] : {std::pair{"vx", "VERTICAL"}, std::pair{"Horizontal", "HORIZONTAL"},
                                  std::pair{"free", "FREE"}, std::pair{"zz", "CASCADE"}, std::pair{"", "CASCADE"}}) {
        setsetting("Options", "Tile", value);
        EXPECT_EQ(runtoend(), 0u);
        EXPECT_EQ(setting("Options", "Tile"), written) << "Tile=" << value;
    }
}

TEST_F(Vyrdbg, IllegalOptionShowsAnErrorBoxAndLoadsNothing) {
    Program program;
    std::string exe = windowspath(std::string(VY_BIN_DIR) + "/vyrdbg.exe");
    ASSERT_TRUE(program.start("\"" + exe + "\" -x prog.s19", work));
    HWND box = program.waittoplevel("#32770", 30000);
    ASSERT_NE(box, nullptr) << "no box";
    waituntil([&] { return !boxmessage(box).empty(); }, 5000);
    EXPECT_EQ(textof(box), "Error");
    EXPECT_EQ(boxmessage(box), "Illegal Option: -x prog.s19");
    screenshot(box, artefacts + "\\illegal_option.png");
    answer(box);
    EXPECT_TRUE(waituntil([&] { return !IsWindow(box); }, 5000));
    HWND frame = program.waittoplevel("VYR", 30000);
    ASSERT_NE(frame, nullptr);
    // Nothing was loaded: no further box comes.
    EXPECT_FALSE(waituntil([&] { return !program.dialogs().empty(); }, 1500));
    EXPECT_EQ(textof(frame), "Vyr ");
    exit(program, frame);
}

// ---------------------------------------------------------------------------
// The start file and the output file

TEST_F(Vyrdbg, StartFileRunsAndOutputFileHoldsWhatItPrinted) {
    std::string out = work + "\\out.txt";
    std::string log = work + "\\start.log";
    startfile("output " + out + "\nrecord " + log + "\nrem the echo path\nnosuch 1\nquit\n");
    EXPECT_EQ(runtoend(), 0u);
    EXPECT_EQ(readfile(out), "record " + log + "\nrem the echo path\nnosuch 1\n#error: unknown command: nosuch 1\nquit\n");
    // The command log holds the commands given after it opened, the failed
    // one and the last one too.
    EXPECT_EQ(readfile(log), "rem the echo path\nnosuch 1\nquit\n");

    // The output file is written whether or not the command window opens.
    DeleteFileA(out.c_str());
    WritePrivateProfileStringA("LayOut", nullptr, nullptr, settingsfile().c_str());
    startfile("output " + out + "\nrem no window\nquit\n", false);
    EXPECT_EQ(runtoend(), 0u);
    EXPECT_EQ(readfile(out), "rem no window\nquit\n");
    EXPECT_TRUE(hasline("LayOut", "Command=NO"));
}

TEST_F(Vyrdbg, EvalFromTheStartFileWritesTheEchoAndTheResult) {
    std::string out = work + "\\out.txt";
    startfile("output " + out + "\neval 1+2\nquit\n");
    EXPECT_EQ(runtoend(), 0u);
    EXPECT_EQ(readfile(out), "eval 1+2\n    1+2 = 3\nquit\n");

    // In the saved default integer format; the prompt follows the file,
    // below its last output, which ends no line, so the lines typed next run
    // as typed: the command log holds them as they were typed.
    std::string log = work + "\\typed.log";
    setsetting("Options", "DefIntFormat", "Hexadecimal");
    startfile("output " + out + "\nrecord " + log + "\neval 1+2\nmess \"done\"\n");
    Program program;
    HWND frame = start(program);
    ASSERT_NE(frame, nullptr);
    HWND edit = nullptr;
    waituntil([&] { return (edit = findchild(frame, "WINCMD")) != nullptr; }, 20000);
    ASSERT_NE(edit, nullptr) << "AUTOCMD opens the command window for the start file's echo";
    EXPECT_TRUE(waituntil([&] { return endsin(lf(textof(edit)), "\ndone\nVyr>"); }, 20000)) << lf(textof(edit));
    std::vector<WindowInfo> boxes;
    EXPECT_TRUE(type(program, edit, "eval 4+5\r", &boxes));
    for (const WindowInfo& box : boxes) ADD_FAILURE() << box.title << ": " << box.message;
    EXPECT_TRUE(endsin(lf(textof(edit)), "\ndone\nVyr>eval 4+5\n    4+5 = 0x9\nVyr>")) << lf(textof(edit));
    type(program, edit, "quit\r");
    EXPECT_TRUE(program.wait(20000)) << "quit did not end the debugger";
    EXPECT_EQ(readfile(log), "eval 1+2\nmess \"done\"\neval 4+5\nquit\n");
    std::string printed = "record " + log + "\neval 1+2\n    1+2 = 0x3\nmess \"done\"\ndone";
    EXPECT_EQ(readfile(out).substr(0, printed.size()), printed);
}

// ---------------------------------------------------------------------------
// Loading a program, and what is left after it

TEST_F(Vyrdbg, LoadingAProgramLeaksNoWindowsOrHandlesAndQuitEndsCleanly) {
    writefile(work + "\\prog.s19",
              "S007000070726F6740\nS10AE000862AB7100020FE80\nS105FFFEE0001D\nS5030002FA\n");
    setsetting("LayOut", "Command", "YES");
    Program program;
    HWND frame = start(program, work + "\\prog.s19");
    ASSERT_NE(frame, nullptr);
    HWND edit = nullptr;
    waituntil([&] { return (edit = findchild(frame, "WINCMD")) != nullptr; }, 20000);
    ASSERT_NE(edit, nullptr) << "the saved layout opens the command window";

    // Characters posted behind the load that the command line asked for:
    // once they have run, so has the load. Its boxes are answered.
    for (char c : std::string("rem loaded\r")) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    std::vector<std::string> answered;
    std::set<HWND> seen;
    EXPECT_TRUE(waituntil(
        [&] {
            for (const WindowInfo& d : program.dialogs()) {
                if (!seen.insert(d.window).second) continue;
                answered.push_back(d.title + ": " + d.message);
                answer(d.window);
            }
            return lf(textof(edit)).find("rem loaded\nVyr>") != std::string::npos;
        },
        20000));
    for (const std::string& a : answered) std::printf("answered %s\n", a.c_str());

    std::vector<HWND> windows = program.allwindows();
    std::multiset<std::string> classes;
    for (HWND w : windows) classes.insert(classof(w));
    HandleCounts before = handlecounts(program.process());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(type(program, edit, "load " + work + "\\prog.s19\r"));
    std::multiset<std::string> after;
    for (HWND w : program.allwindows()) after.insert(classof(w));
    EXPECT_EQ(after, classes) << "loading left windows behind";
    HandleCounts now = handlecounts(program.process());
    EXPECT_LE(now.user, before.user);
    EXPECT_LE(now.gdi, before.gdi);
    EXPECT_LE(now.kernel, before.kernel + 2) << "kernel handles grow with each load";
    std::printf("windows %zu, USER %lu, GDI %lu, kernel %lu\n", windows.size(), now.user, now.gdi, now.kernel);

    // The picture of the frame with its command window after the loads.
    std::string shown = lf(textof(edit));
    EXPECT_TRUE(endsin(shown, "\nVyr>") && shown.find("Vyr>load " + work + "\\prog.s19\n") != std::string::npos) << shown;
    EXPECT_TRUE(screenshot(frame, artefacts + "\\frame_with_command_window.png")) << "no picture taken";

    type(program, edit, "quit\r");
    EXPECT_TRUE(program.wait(20000)) << "quit did not end the debugger";
    EXPECT_EQ(program.exitcode(), 0u);
}

// ---------------------------------------------------------------------------
// The browsers of a loaded program, and the print spool at the end

TEST_F(Vyrdbg, BrowsersSaveTheirListsAndAnotherRunsSpoolFileStays) {
    vy::progbuild::Built built = vy::progbuild::build(vy::viewprogram());
    writefile(work + "\\view.o", std::string(built.image.begin(), built.image.end()));
    // A print spool that this run did not make: shut-down leaves it.
    writefile(work + "\\VYR_TEMP.VYR", "another run's\n");
    // Loaded by the start file; the command window shows when the load
    // has ended.
    startfile("load " + work + "\\view.o\n", true);
    Program program;
    HWND frame = start(program);
    ASSERT_NE(frame, nullptr);
    HWND edit = nullptr;
    EXPECT_TRUE(waituntil(
        [&] {
            edit = findchild(frame, "WINCMD");
            return edit && textof(edit).find("entry point at") != std::string::npos;
        },
        20000));
    // The file list of the loaded program, as the menu asks for it.
    PostMessageA(frame, WM_COMMAND, 640, 0);
    HWND files = nullptr;
    std::set<HWND> seen;
    EXPECT_TRUE(waituntil(
        [&] {
            for (const WindowInfo& d : program.dialogs())
                if (seen.insert(d.window).second) answer(d.window);
            for (HWND w : program.allwindows())
                if (classof(w) == "LISTHOST" && textof(w) == "File Browser") files = findchild(w, "LISTWIN");
            return files != nullptr;
        },
        20000));
    ASSERT_NE(files, nullptr);

    // Save of the window's own menu, the name given in the save dialog.
    answerfilewith(work + "\\program.fls");
    sendanswering(program, files, WM_COMMAND, 118, 0);
    EXPECT_EQ(lf(readfile(work + "\\program.fls")), "\n\t\tFiles List\n\n\told.c\n\tutil.c\n\tmain.c\n");
    EXPECT_TRUE(screenshot(GetParent(files), artefacts + "\\file_browser.png")) << "no picture taken";

    exit(program, frame);
    EXPECT_EQ(lf(readfile(work + "\\VYR_TEMP.VYR")), "another run's\n");
}

// ---------------------------------------------------------------------------
// Every command of the frame menu reaches the dispatcher

// The command ids of the frame menu, read from the program's resources.
void menuids(HMENU menu, std::vector<UINT>& ids) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) menuids(sub, ids);
        else if (UINT id = GetMenuItemID(menu, i); id != 0 && id != static_cast<UINT>(-1)) ids.push_back(id);
    }
}

TEST_F(Vyrdbg, EveryMenuCommandIsAnswered) {
    std::string exe = windowspath(std::string(VY_BIN_DIR) + "/vyrdbg.exe");
    HMODULE resources = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr);
    HMENU menu = LoadMenuA(resources, "MDIVYRMENU");
    ASSERT_NE(menu, nullptr);
    std::vector<UINT> ids;
    menuids(menu, ids);
    DestroyMenu(menu);
    FreeLibrary(resources);
    EXPECT_GT(ids.size(), 150u);

    Program program;
    HWND frame = start(program);
    ASSERT_NE(frame, nullptr);
    std::ofstream log(artefacts + "\\menu_commands.txt");
    std::map<UINT, std::vector<WindowInfo>> answers;
    for (UINT id : ids) {
        // The help files (none here) and Exit are left out.
        if ((id >= 13001 && id <= 13003) || id == 117) continue;
        std::vector<WindowInfo> answered = sendanswering(program, frame, WM_COMMAND, id, 0);
        ASSERT_TRUE(program.running()) << "command " << id << " ended the debugger";
        EXPECT_LE(answered.size(), id == 208 ? 2u : 1u) << "command " << id;   // 208 runs two commands
        log << id;
        for (const WindowInfo& a : answered) log << "  [" << a.title << "] " << a.message;
        log << "\n";
        answers[id] = answered;
    }
    auto answer = [&](UINT id) { return answers[id].empty() ? std::string("none") : answers[id][0].title + ": " + answers[id][0].message; };
    EXPECT_EQ(answer(201), "none") << "go reports in the command window";
    EXPECT_EQ(answer(310), "Error: Register window: not built into this debugger yet");
    EXPECT_EQ(answer(1301), "Error: Utilities: not built into this debugger yet");
    EXPECT_EQ(answer(111), "none");
    EXPECT_EQ(answers[113].size(), 1u);
    if (!answers[113].empty()) {
        EXPECT_EQ(answers[113][0].title, "About Vyr");
    }
    EXPECT_EQ(answers[401].size(), 1u) << "the font dialog";
    EXPECT_EQ(answers[411].size(), 1u) << "the colour dialog";

    // Toggles: the status bar and the command window, each twice.
    for (const char* classname : {"msctls_statusbar32", "WINCMD"}) {
        UINT id = std::string(classname) == "WINCMD" ? 300 : 390;
        bool shown = findchild(frame, classname) != nullptr;
        sendanswering(program, frame, WM_COMMAND, id, 0);
        EXPECT_EQ(findchild(frame, classname) != nullptr, !shown) << classname;
        sendanswering(program, frame, WM_COMMAND, id, 0);
        EXPECT_EQ(findchild(frame, classname) != nullptr, shown) << classname;
    }

    // The help line of the status bar follows the menu selection.
    if (!findchild(frame, "msctls_statusbar32")) sendanswering(program, frame, WM_COMMAND, 390, 0);
    HWND status = findchild(frame, "msctls_statusbar32");
    ASSERT_NE(status, nullptr);
    struct Selection {
        WPARAM wparam;
        LPARAM menu;
        const char* help;
    };
    for (const Selection& s : {Selection{MAKEWPARAM(201, MF_STRING), 1, " Go. Resume Execution "},
                               Selection{MAKEWPARAM(180, MF_STRING), 1, " Command "},
                               Selection{MAKEWPARAM(117, MF_STRING), 1, " Exit Vyr "},
                               Selection{MAKEWPARAM(0, 0xFFFF), 0, " Command "}}) {
        sendanswering(program, frame, WM_MENUSELECT, s.wparam, s.menu);
        EXPECT_EQ(textof(status), s.help);
    }

    // A command id with a notification code in its high word is not the
    // plug-in's, and the dispatcher gives it to the default processing.
    EXPECT_TRUE(sendanswering(program, frame, WM_COMMAND, MAKEWPARAM(9100, 1), 0).empty());
    exit(program, frame);
    EXPECT_EQ(setting("Options", "DefIntFormat"), "Binary") << "the last radix command chosen";
}

}  // namespace
