// A whole build under Wine, as the environment runs it: a project of two C
// sources and an assembler source (an include path, a definition, the
// object inspector and the hex converter in its build steps) is saved and
// loaded through the platform's profile functions, its Build is planned
// from the delivered tool definitions, and the planned lines run one after
// another with standard error captured in "VESK.ERR" and each line written
// to "VESKBLD.BAT". The debugger then loads the program with its source
// lines, and the hex converter's S-records, from a start file whose output
// file is the oracle. A compile that fails leaves its diagnostic in
// "VESK.ERR" naming the file and line.
//
// The debugger's start file is named in its settings file in the Windows
// folder; the test sets it for its run and takes it away again.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "ide/project/build_plan.h"
#include "ide/project/error_line.h"
#include "ide/project/frame_hooks.h"
#include "ide/project/out_of_date.h"
#include "ide/project/project_file.h"
#include "ide/project/text_lines.h"
#include "ide/project/tool_definitions.h"

namespace {

namespace fs = std::filesystem;

std::string bin_dir() {
    std::string path = std::string("Z:") + VY_BIN_DIR;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string readfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string out;
    for (char c : s.str())
        if (c != '\r') out += c;
    return out;
}

void writefile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Runs a command line as the environment's runner does: standard error into
// a new "VESK.ERR", searched for as the system searches (this program's
// folder, the programs' folder, first). The exit code, or -1 with the
// system's error in `run_error`.
DWORD run_error = 0;
int run_captured(const std::string& command) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE err = CreateFileA("VESK.ERR", GENERIC_READ | GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (err == INVALID_HANDLE_VALUE) {
        run_error = GetLastError();
        return -1;
    }
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    start.wShowWindow = SW_HIDE;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = err;
    PROCESS_INFORMATION info{};
    std::string line = command;
    BOOL made = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &info);
    run_error = made ? 0 : GetLastError();
    CloseHandle(err);
    if (!made) return -1;
    DWORD code = 1;
    if (WaitForSingleObject(info.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return static_cast<int>(code);
}

// Starts a program as the environment starts the debugger (no capture, no
// handles inherited) and waits for its end; false when it did not start or end.
bool launch(const std::string& command) {
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION info{};
    std::string line = command;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &info)) {
        run_error = GetLastError();
        return false;
    }
    bool ended = WaitForSingleObject(info.hProcess, 120000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return ended;
}

class Recording : public vesk::HeadlessFrame {
public:
    std::vector<std::string> messages;
    void error(const std::string& text) override { messages.push_back("Error: " + text); }
    void warning(const std::string& text) override { messages.push_back("Warning: " + text); }
};

TEST(BuildUnderWine, PlannedLinesBuildAProgramThatTheDebuggerLoads) {
    Recording frame;
    vesk::setframe(&frame);
    const std::string work = (fs::temp_directory_path() / "vesk_build_under_wine").string();
    fs::remove_all(work);
    fs::create_directories(work + "\\inc");
    fs::current_path(work);
    writefile("inc\\scale.h", "#define TWICE(x) ((x) * SCALE)\n");
    writefile("inc\\fast.h11", "STEP:\tequ\t1\n");
    writefile("main.c",
              "#include \"scale.h\"\nint twice(int x);\nint fast(int x);\n\nint main(void)\n{\n"
              "    int r = twice(20);\n    return fast(r);\n}\n");
    writefile("util.c", "#include <scale.h>\n\nint twice(int x)\n{\n    return TWICE(x);\n}\n");
    writefile("fast.s", "\tinclude\t\"inc\\fast.h11\"\n\txdef\t_fast\n\tswitch\t.text\n_fast:\n\taddd\t#STEP\n\trts\n");

    // The tool definitions and the default link command file delivered
    // beside the programs.
    ASSERT_EQ(vesk::LoadToolDefinitions(bin_dir() + "\\"), 1);
    std::string link = readfile(bin_dir() + "\\6811LKF.LKF");
    ASSERT_NE(link.find("start11.o\""), std::string::npos) << link;
    for (const char* o : {"main.o", "util.o", "fast.o"}) link += std::string("\"") + o + "\"\n";
    std::string library = vesk::LibraryLine(vesk::DefaultLibs.at(0));
    writefile("prog.lkf", link + library.substr(0, library.size() - 1) + "\n");

    vesk::ProjectRecord* p = vesk::NewProjectRecord();
    vesk::set_current_project(p);
    p->Directory = work;
    p->Name = "demo";
    p->ExecName = "prog.h11";
    p->IncPath = "inc";
    p->Defines = {"SCALE=2"};
    p->Assembler.UserFlags = "-l";  // a listing (line records of assembler code the debugger does not take)
    vesk::LinkSettings& settings = vesk::linksettings(*p);
    settings.InCmd = "prog.lkf";
    settings.OutputFile = "prog.h11";
    p->BuilderTesk.Exec = 1;
    p->BuilderPirn.Exec = 1;
    p->BuilderPirn.specifics = vesk::PirnOptions{'m', 0, 0, 0, "", "", "0x8000", "", "", "prog.s19", {}};
    for (const char* name : {"main.c", "util.c", "fast.s"}) {
        vesk::ProjectFile& f = p->Files.emplace_back();
        f.FileName = name;
        f.Kind = vesk::filekind(name);
        f.Exists = 1;
    }
    ASSERT_TRUE(vesk::SaveProject(work + "\\demo.prj"));
    vesk::ProjectRecord* loaded = vesk::LoadProject(work + "\\demo.prj");
    vesk::FreeProject(p);
    EXPECT_TRUE(frame.messages.empty());
    for (const vesk::ProjectFile& f : loaded->Files) EXPECT_EQ(f.OutOfDate, 1u) << f.FileName;

    vesk::BuildPlan plan = vesk::PlanBuild(true);
    ASSERT_EQ(plan.total, 3 + 1 + 2);
    std::string batch;
    for (const vesk::PlanStep& s : plan.steps) {
        SCOPED_TRACE(s.command);
        ASSERT_TRUE(s.kind != vesk::StepKind::error && s.kind != vesk::StepKind::warning) << s.title;
        if (!s.remove.empty()) fs::remove(s.remove);
        batch += s.command + "\n";
        writefile("VESKBLD.BAT", batch);
        ASSERT_EQ(run_captured(s.command), 0) << readfile("VESK.ERR");
        EXPECT_EQ(readfile("VESK.ERR").find("#error"), std::string::npos) << readfile("VESK.ERR");
    }
    EXPECT_NE(readfile("VESKBLD.BAT").find("pirn -fm -e0x8000 -o \"prog.s19\" \"prog.h11\""), std::string::npos);
    EXPECT_NE(readfile("TESK.TMP").find("section 1 .text"), std::string::npos);
    for (vesk::ProjectFile& f : loaded->Files) {
        EXPECT_EQ(vesk::iscsource(f.FileName) ? vesk::coutofdate(f) : vesk::asmoutofdate(f), 0u) << f.FileName;
    }

    // The debugger runs the start file of its settings, which loads the
    // program and then the S-records. It starts from settings of its own
    // (another program's run may have left a number format in them); the
    // settings file found is put back afterwards.
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string ini = std::string(windows) + "\\VYRS11.INI";
    const std::string kept = work + "\\VYRS11.kept";
    const bool hadsettings = fs::exists(ini);
    if (hadsettings) CopyFileA(ini.c_str(), kept.c_str(), FALSE);
    fs::remove(ini);
    WritePrivateProfileStringA("OPTIONS", "STARTFILE", (work + "\\start.in").c_str(), ini.c_str());
    writefile("start.in",
              "output " + work + "\\out.txt\nload prog.h11\nfiles\nfuncs\ndump 0x8000 0x800f\nbreak util.c:5\ngo\n"
              "stack\nload prog.s19\ndump 0x8000 0x800f\nquit\n");
    bool ended = launch("vyrdbg");
    if (hadsettings)
        CopyFileA(kept.c_str(), ini.c_str(), FALSE);
    else
        fs::remove(ini);
    ASSERT_TRUE(ended) << run_error;
    std::string out = readfile("out.txt");
    EXPECT_NE(out.find("util.c"), std::string::npos) << out;
    EXPECT_TRUE(std::regex_search(out, std::regex("twice\\(\\) at 0x"))) << out;
    EXPECT_NE(out.find("***** breakpoint util.c:5"), std::string::npos) << out;
    EXPECT_TRUE(std::regex_search(out, std::regex("stack\ntwice\\(20\\)\nmain\\(\\)\n"))) << out;
    std::smatch dumps;
    std::regex dump("\n8000 ([0-9a-f ]+)\n");
    std::string rest = out;
    std::vector<std::string> seen;
    while (std::regex_search(rest, dumps, dump)) {
        seen.push_back(dumps[1]);
        rest = dumps.suffix();
    }
    ASSERT_EQ(seen.size(), 2u) << out;
    EXPECT_EQ(seen[0], seen[1]);

    // A compile that fails: its diagnostic names the file and the line.
    writefile("util.c", "#include <scale.h>\n\nint twice(int x)\n{\n    return TWICE(x)\n}\n");
    vesk::BuildPlan compile = vesk::PlanCompile("util.c");
    ASSERT_EQ(compile.steps.size(), 1u);
    EXPECT_EQ(run_captured(compile.steps[0].command), 1) << run_error;
    std::vector<std::string> lines;
    ASSERT_TRUE(vesk::read_lines("VESK.ERR", lines));
    std::optional<vesk::ErrorLine> e;
    for (const std::string& l : lines)
        if (!e) e = vesk::ParseErrorLine(l);
    ASSERT_TRUE(e) << readfile("VESK.ERR");
    EXPECT_EQ(e->file, "util.c");
    EXPECT_EQ(e->line, 6);

    vesk::FreeProject(loaded);
    vesk::setframe(nullptr);
}

}  // namespace
