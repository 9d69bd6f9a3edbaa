// The command line: option rules, the error file, several sources, include
// directories from QVLIB, and the exit statuses.
#include <csignal>
#include <cstdlib>

#include "ccasm/tests/asm_fixture.h"
#include "ccparse/toolkit/toolkit.h"

namespace {

struct MainRun {
    int status = 0;
    std::string errors;  // standard error
};

MainRun run_main(std::vector<std::string> words) {
    words.insert(words.begin(), "ccasm");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    vy::ExitHook old = vy::set_exit_hook([](int status) { throw vy::ToolExit{status}; });
    static std::string tool_errors;
    tool_errors.clear();
    vy::ErrorWriter old_writer = vy::set_error_writer([](std::string_view t) { tool_errors += t; });
    MainRun r;
    testing::internal::CaptureStderr();
    try {
        r.status = ccasm::asmmain(static_cast<int>(words.size()), argv.data());
    } catch (const vy::ToolExit& e) {
        r.status = e.status;
    }
    r.errors = unix_lines(testing::internal::GetCapturedStderr() + tool_errors);
    vy::set_exit_hook(old);
    vy::set_error_writer(old_writer);
    return r;
}

void set_env(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value) setenv(name, value, 1);
    else unsetenv(name);
#endif
}

TEST_F(AsmTest, OutputNameWithTwoSourcesStopsBeforeAssembling) {
    write("a.s", "\tnop\n");
    write("b.s", "\tnop\n");
    MainRun r = run_main({"-o", "x.o", "a.s", "b.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccasm a.s:0 only one source file with -o option\n");
    EXPECT_FALSE(std::filesystem::exists("x.o"));
    EXPECT_FALSE(std::filesystem::exists("a.o"));
    r = run_main({"+l", "x.ls", "a.s", "b.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccasm a.s:0 only one source file with +l option\n");
}

TEST_F(AsmTest, ErrorFileRemainsOnlyWithErrors) {
    write("good.s", "\tnop\n");
    write("bad.s", "\tnop\n\tbogus\n");
    MainRun r = run_main({"+e", "err.txt", "good.s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, "");
    EXPECT_FALSE(std::filesystem::exists("err.txt"));
    r = run_main({"+eerr.txt", "bad.s", "good.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "errors reported in err.txt\n");
    EXPECT_EQ(read_text("err.txt"), "#error ccasm bad.s:2\tunknown instruction bogus\n");
    EXPECT_FALSE(std::filesystem::exists("bad.o"));
    EXPECT_TRUE(std::filesystem::exists("good.o"));  // the run goes on with the next source
}

TEST_F(AsmTest, MissingSource) {
    MainRun r = run_main({"nothere.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccasm nothere.s:0 can't open nothere.s\n");
}

TEST_F(AsmTest, VerboseNamesEachSource) {
    write("a.s", "\tnop\n");
    write("b.s", "\tnop\n");
    MainRun r = run_main({"-v", "a.s", "b.s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, "a.s:\nb.s:\n");
}

TEST_F(AsmTest, EachSourceStartsWithOnlyRegistersAndCommandLineSymbols) {
    write("a.s", "m:\tmacro\n\tendm\nx1:\tequ\t1\n\tdc.b\tK\n");
    write("b.s", "x1:\tequ\t2\n\tdc.b\tx1,K\n\tm\n");
    MainRun r = run_main({"-dK=7", "+e", "e.txt", "a.s", "b.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_text("e.txt"), "#error ccasm b.s:3\tunknown instruction m\n");
    objfile::Object obj;
    std::string error;
    ASSERT_TRUE(objfile::read_file("a.o", obj, error)) << error;
    EXPECT_EQ(obj.find(".text")->data, bytes_of({7}));
}

TEST_F(AsmTest, IncludeDirectoriesComeBeforeQvlib) {
    write("i1/x.s", "\tdc.b\t1\n");
    write("q1/x.s", "\tdc.b\t2\n");
    write("q2/y.s", "\tdc.b\t3\n");
    write("main.s", "\tinclude\t\"x.s\"\n\tinclude\t\"y.s\"\n");
    set_env("QVLIB", "q1;q2\\");
    MainRun r = run_main({"-i", "i1", "main.s"});
    set_env("QVLIB", nullptr);
    EXPECT_EQ(r.status, 0) << r.errors;
    objfile::Object obj;
    std::string error;
    ASSERT_TRUE(objfile::read_file("main.o", obj, error)) << error;
    EXPECT_EQ(obj.find(".text")->data, bytes_of({1, 3}));
}

TEST_F(AsmTest, FullDebugOptionTurnsAllPublicOff) {
    write("p.s", "f:\tnop\n");
    MainRun r = run_main({"-p", "p.s"});
    ASSERT_EQ(r.status, 0);
    objfile::Object obj;
    std::string error;
    ASSERT_TRUE(objfile::read_file("p.o", obj, error)) << error;
    ASSERT_EQ(obj.symbols.size(), 1u);
    r = run_main({"-p", "-xx", "p.s"});
    ASSERT_EQ(r.status, 0);
    ASSERT_TRUE(objfile::read_file("p.o", obj, error)) << error;
    EXPECT_TRUE(obj.symbols.empty());
    EXPECT_FALSE(obj.debug.empty());
}

TEST_F(AsmTest, HeaderFileComesBeforeEachSource) {
    write("hdr.inc", "ONE:\tequ\t1\nm:\tmacro\n\tdc.b\t\\1\n\tendm\n");
    write("a.s", "\tm\tONE\n");
    write("b.s", "\tm\tONE+1\n");
    MainRun r = run_main({"-h", "hdr.inc", "a.s", "b.s"});
    EXPECT_EQ(r.status, 0) << r.errors;
    objfile::Object obj;
    std::string error;
    ASSERT_TRUE(objfile::read_file("b.o", obj, error)) << error;
    EXPECT_EQ(obj.find(".text")->data, bytes_of({2}));
    r = run_main({"-h", "none.inc", "a.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccasm none.inc:0 can't open none.inc\n#error ccasm a.s:1\tunknown instruction m\n");
}

TEST_F(AsmTest, InterruptEndsWithStatusTwo) {
#ifdef _WIN32
    GTEST_SKIP() << "the console interrupt is raised by a console, not by raise(), on Windows";
#endif
    write("a.s", "\tnop\n");
    EXPECT_EXIT(
        {
            ccasm::Asm a;
            ccasm::assemble(a, {"a.s"});  // installs the interrupt handler
            std::raise(SIGINT);
        },
        ::testing::ExitedWithCode(2), "");
}

TEST_F(AsmTest, UsageVersionAndBadOptions) {
    MainRun r = run_main({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors.rfind("Talvex Software 68HC11 Macro-Assembler V4.3k\nusage: ccasm [options] files\n", 0), 0u);
    EXPECT_NE(r.errors.find("    -a   absolute assembler\n"), std::string::npos);
    EXPECT_EQ(r.errors.find("verilog"), std::string::npos);  // a hidden option
    r = run_main({"-vers"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "Talvex Software 68HC11 Macro-Assembler V4.3k - 03 Jan 2002 - Win32\n");
    r = run_main({"-q", "a.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "ccasm: unknown option -q\n");
    r = run_main({"-b"});
    EXPECT_EQ(r.status, 0);  // options and no source: nothing to do
}

TEST_F(AsmTest, BadCommandLineDefinition) {
    write("a.s", "\tnop\n");
    MainRun r = run_main({"-dN=1+", "a.s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "#error ccasm a.s:0 -dN=1+: syntax error\n");
    EXPECT_FALSE(std::filesystem::exists("a.o"));
}

}  // namespace
