// The compile driver cc11, run from a directory of its own in which the
// passes are the recording stand-in fakepass or the real programs: the
// order of the passes, the options each receives, the first failure ending
// the run with its status, the intermediate files, and linking.
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "ccparse/toolkit/tests/tool_harness.h"
#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;
namespace fs = std::filesystem;

std::string exe(const std::string& name) {
#ifdef _WIN32
    return name + ".exe";
#else
    return name;
#endif
}

class CompileDriver : public OutsideTest {
protected:
    // A directory "bin" with the driver, its files, and the passes named.
    void install(const std::vector<std::string>& fakes, const std::vector<std::string>& real = {}) {
        fs::create_directories("bin");
        fs::path from = VY_BIN_DIR;
        fs::copy_file(from / exe("cc11"), fs::path("bin") / exe("cc11"));
        for (const char* f : {"macro.h11", "start11.s", "cc11.lkf"}) fs::copy_file(from / f, fs::path("bin") / f);
        for (const std::string& p : fakes) fs::copy_file(from / exe("fakepass"), fs::path("bin") / exe(p));
        for (const std::string& p : real) fs::copy_file(from / exe(p), fs::path("bin") / exe(p));
        vytest::set_env("FAKE_FAIL", nullptr);
        vytest::set_env("FAKE_CCGEN", nullptr);
        vytest::set_env("FAKE_HANG", nullptr);
    }
    void TearDown() override {
        vytest::set_env("FAKE_FAIL", nullptr);
        vytest::set_env("FAKE_CCGEN", nullptr);
        OutsideTest::TearDown();
    }

    ToolRun cc11(const std::string& args) {
        fs::remove("passes.log");
#ifdef _WIN32
        return run_path((fs::current_path() / "bin" / "cc11.exe").string(), args);
#else
        return run_path((fs::current_path() / "bin" / "cc11").string(), args);
#endif
    }
    static std::string log() { return lf_lines(read("passes.log")); }
};

TEST_F(CompileDriver, ACSourceGoesThroughThePassesWithTheirOptions) {
    install({"ccparse", "ccgen", "ccasm"});
    write("t.c", "int x;\n");
    ToolRun r = cc11("-dX=1 -i inc -x +p-ck +g -v +a-l t.c");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(),
              "ccparse -ck -dX=1 -iinc -x -o t.ir t.c\n"
              "ccgen -v -no -o t.gs t.ir\n"
              "ccasm -l -iBIN -o t.o t.gs\n");
    EXPECT_TRUE(exists("t.o"));
    EXPECT_FALSE(exists("t.ir"));
    EXPECT_FALSE(exists("t.gs"));

    // -k keeps them; -o names the object, and the intermediate files follow it
    fs::create_directories("out");
    r = cc11("-k -o out/x.o t.c");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(exists("out/x.o"));
    EXPECT_TRUE(exists("out/x.ir"));
    EXPECT_TRUE(exists("out/x.gs"));
}

TEST_F(CompileDriver, TheOptimiserRunsWhenItIsThereAndNotRefused) {
    install({"ccparse", "ccgen", "ccopt", "ccasm"});
    write("t.c", "int x;\n");
    ToolRun r = cc11("+o-c t.c");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(),
              "ccparse -o t.ir t.c\n"
              "ccgen -o t.gs t.ir\n"
              "ccopt -c -o t.os t.gs\n"
              "ccasm -iBIN -o t.o t.os\n");
    EXPECT_FALSE(exists("t.os"));
    r = cc11("-no t.c");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(), "ccparse -o t.ir t.c\nccgen -no -o t.gs t.ir\nccasm -iBIN -o t.o t.gs\n");
}

TEST_F(CompileDriver, TheFirstFailingPassEndsTheRunWithItsStatus) {
    install({"ccparse", "ccgen", "ccopt", "ccasm"});
    write("t.c", "int x;\n");
    struct {
        const char* fail;
        int status;
        const char* passes;
    } cases[] = {
        {"ccparse=1", 1, "ccparse -o t.ir t.c\n"},
        {"ccgen=1", 1, "ccparse -o t.ir t.c\nccgen -o t.gs t.ir\n"},
        {"ccopt=2", 2, "ccparse -o t.ir t.c\nccgen -o t.gs t.ir\nccopt -o t.os t.gs\n"},
        {"ccasm=1", 1, "ccparse -o t.ir t.c\nccgen -o t.gs t.ir\nccopt -o t.os t.gs\nccasm -iBIN -o t.o t.os\n"},
    };
    for (const auto& c : cases) {
        vytest::set_env("FAKE_FAIL", c.fail);
        ToolRun r = cc11("t.c");
        EXPECT_EQ(r.status, c.status) << c.fail;
        EXPECT_EQ(log(), c.passes) << c.fail;
        for (const char* f : {"t.ir", "t.gs", "t.os", "t.o"}) EXPECT_FALSE(exists(f)) << c.fail << " " << f;
    }
    vytest::set_env("FAKE_FAIL", "ccgen=1");
    ASSERT_EQ(cc11("-k t.c").status, 1);
    EXPECT_TRUE(exists("t.ir"));
}

TEST_F(CompileDriver, AssemblySourcesAreOnlyAssembled) {
    install({"ccasm"});
    write("u.s", "\tnop\n");
    ToolRun r = cc11("-x +a-pl u.s");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(), "ccasm -pl -iBIN -x -o u.o u.s\n");
}

TEST_F(CompileDriver, LinkingAddsTheStartupCodeAndRemovesItsFiles) {
    install({"ccparse", "ccgen", "ccasm", "lomar"});
    write("t.c", "int x;\n");
    write("u.s", "\tnop\n");
    write("extra.o", "");
    ToolRun r = cc11("-link -o p.h11 +l-m +lp.map t.c extra.o u.s");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(),
              "ccparse -o t.ir t.c\n"
              "ccgen -no -o t.gs t.ir\n"
              "ccasm -iBIN -o t.o t.gs\n"
              "ccasm -iBIN -o u.o u.s\n"
              "ccasm -iBIN -o p.st~ " + (fs::path("BIN") / "start11.s").string() + "\n"
              "lomar -m p.map -o p.h11 p.lk~\n");
    EXPECT_EQ(lf_lines(read("linked.lkf")),
              lf_lines(read("bin/cc11.lkf")) + "\"p.st~\"\n\"t.o\"\n\"extra.o\"\n\"u.o\"\n");
    EXPECT_TRUE(exists("p.h11"));
    EXPECT_FALSE(exists("p.st~"));
    EXPECT_FALSE(exists("p.lk~"));
    // without -o the program is named after the first file
    ASSERT_EQ(cc11("-link u.s").status, 0);
    EXPECT_TRUE(exists("u.h11"));
}

TEST_F(CompileDriver, MistakesAreReportedBeforeAnyPassRuns) {
    install({"ccparse", "ccasm"});
    write("t.c", "int x;\n");
    write("u.s", "\tnop\n");
    struct {
        const char* args;
        const char* error;
    } cases[] = {
        {"-o x.o t.c u.s", "#error cc11 t.c:0 only one source file with -o option\n"},
        {"t.c x.o", "#error cc11 x.o:0 object files and libraries are only linked (-link)\n"},
        {"-o u.s u.s", "#error cc11 u.s:0 the object would overwrite the source\n"},
    };
    for (const auto& c : cases) {
        ToolRun r = cc11(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err, c.error);
        EXPECT_FALSE(exists("passes.log")) << c.args;
    }
    // no code generator: the front end's file does not stay
    ToolRun r = cc11("t.c");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, 28), "#error cc11 t.c:0 can't find") << r.err;
    EXPECT_FALSE(exists("t.ir"));
    // a pass that is no program
    fs::remove(fs::path("bin") / exe("ccasm"));
    write((fs::path("bin") / exe("ccasm")).string(), "not a program\n");
    r = cc11("u.s");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, 27), "#error cc11 u.s:0 can't run") << r.err;
}

#ifndef _WIN32
// A console interrupt reaches the pass; the driver removes what the source
// left behind and ends with status 2.
TEST_F(CompileDriver, AnInterruptEndsTheRunWithStatus2) {
    install({"ccparse", "ccgen", "ccasm"});
    write("t.c", "int x;\n");
    vytest::set_env("FAKE_HANG", "ccgen");
    std::string driver = (fs::current_path() / "bin" / "cc11").string();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setpgid(0, 0);
        execl(driver.c_str(), "cc11", "t.c", static_cast<char*>(nullptr));
        _exit(99);
    }
    setpgid(child, child);
    for (int i = 0; i < 500 && !exists("hanging"); ++i) usleep(10000);
    ASSERT_TRUE(exists("hanging"));
    EXPECT_TRUE(exists("t.ir"));
    kill(-child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    vytest::set_env("FAKE_HANG", nullptr);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_FALSE(exists("t.ir"));
    EXPECT_EQ(log(), "ccparse -o t.ir t.c\nccgen -no -o t.gs t.ir\n");
}
#endif

// The passes that exist today with a code generator that writes a known
// program: the object links with the start-up code and runs to its end.
TEST_F(CompileDriver, RealPassesBuildAProgramThatRunsToItsEnd) {
    install({"ccgen"}, {"ccparse", "ccasm", "lomar"});
    write("t.c", "int x;\n");
    write("gen.s",
          "\tinclude\t\"macro.h11\"\n"
          "\txdef\t_main\n"
          "\tswitch\t.text\n"
          "_main:\tldab\t#-42\n"
          "\tsex\n"
          "\tcoma\n"
          "\tcomb\n"
          "\taddd\t#1\n"
          "\trts\n"
          "\tend\n");
    vytest::set_env("FAKE_CCGEN", (fs::current_path() / "gen.s").string().c_str());
    ToolRun r = cc11("-link -o prog.h11 +l-m +lprog.map t.c");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_FALSE(exists("t.ir"));
    EXPECT_FALSE(exists("t.gs"));
    Program p;
    ASSERT_TRUE(p.read(read_bytes("prog.h11")));
    EXPECT_NE(read("prog.map").find("_main"), std::string::npos);
    write("prog.s19", p.srecords());
    char until[32];
    std::snprintf(until, sizeof until, "until=0x%04x", static_cast<unsigned>(p.symbol("__halt")));
    ToolRun sim = run_tool("vyrsim", std::string("prog.s19 reset ") + until + " regs");
    ASSERT_EQ(sim.status, 0) << sim.err;
    EXPECT_NE(sim.out.find(" a:00 b:2a "), std::string::npos) << sim.out;
}

}  // namespace
