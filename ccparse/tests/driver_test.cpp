// The ccparse driver: its texts, option errors, files, exit statuses,
// dependency lines and the order of definitions and headers.
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using vytest::FrontRun;
using vytest::TempDir;

const char* const usage =
    "Talvex Software 68HC11 C Cross Compiler V4.3k\n"
    "usage: ccparse [options] file\n"
    "    -ck   extra type checkings\n"
    "    -d*>  define symbol=value\n"
    "    -e    run preprocessor only\n"
    "    +e*   error file name\n"
    "    -f    single precision floats\n"
    "    -h*>  include header\n"
    "    -i*>  include path\n"
    "    -l    output line information\n"
    "    -md   make dependencies\n"
    "    -m#   model configuration\n"
    "    -nc   no const replacement\n"
    "    -ne   no enum optimization\n"
    "    -np   allow pointer narrowing\n"
    "    -nw   do not widen arguments\n"
    "    -o*   output file name\n"
    "    -p    need prototypes\n"
    "    -rb   reverse bitfield order\n"
    "    -sa   strict ansi conformance\n"
    "    -s    do not reorder locals\n"
    "    -u    plain char is unsigned\n"
    "    -xd   debug info for data\n"
    "    -xp   no path in debug info\n"
    "    -xx   extended debug info\n"
    "    -x    output debug info\n";

using vytest::set_env;

TEST(Driver, TextsAndOptionErrors) {
    std::vector<std::string> many_defines;
    for (int i = 0; i < 61; ++i) many_defines.push_back("-dN" + std::to_string(i));
    many_defines.push_back("t.c");
    struct Case {
        std::vector<std::string> args;
        std::string errors;
    } cases[] = {
        {{}, usage},
        {{"-help"}, usage},
        {{"-vers"}, "Talvex Software 68HC11 C Cross Compiler V4.3k - 03 Jan 2002 - Win32\n"},
        {{"-q", "t.c"}, "ccparse: unknown option -q\n"},
        {{"+x", "t.c"}, "ccparse: unknown option +x\n"},
        {{"-xlq", "t.c"}, "ccparse: unknown option -q\n"},
        {{"-m12k", "t.c"}, "invalid number: 12k\n"},
        {many_defines, "argument list overflow\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        FrontRun run = vytest::run_front(dir, c.args);
        EXPECT_EQ(run.status, 1) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(run.errors, c.errors) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(run.out, "");
    }
}

TEST(Driver, OptionsWithoutFileDoNothing) {
    TempDir dir;
    FrontRun run = vytest::run_front(dir, {"-x", "-o", "t.ir"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_FALSE(run.output_exists);
}

TEST(Driver, FileErrorsWithoutALine) {
    struct Case {
        std::vector<std::string> args;
        std::string errors;
    } cases[] = {
        {{"t.c"}, "#error ccparse t.c:0 missing output file name\n"},
        {{"-o", "no/such/dir/t.ir", "t.c"}, "#error ccparse t.c:0 can't create no/such/dir/t.ir\n"},
        {{"+e", "no/such/dir/e.txt", "-o", "t.ir", "t.c"}, "#error ccparse t.c:0 can't create no/such/dir/e.txt\n"},
        {{"-o", "t.ir", "missing.c"}, "#error ccparse missing.c:0 can't open missing.c\n"},
        {{"-o", "t.ir", "-h", "missing.h", "t.c"}, "#error ccparse t.c:0 can't open missing.h\n"},
        {{"-e", "-o", "./t.c", "t.c"}, "#error ccparse t.c:0 can't create ./t.c\n"},
        {{"+e", "./t.c", "-o", "t.ir", "t.c"}, "#error ccparse t.c:0 can't create ./t.c\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("t.c", "int x;\n");
        FrontRun run = vytest::run_front(dir, c.args);
        EXPECT_EQ(run.status, 1) << c.errors;
        EXPECT_EQ(run.errors, c.errors);
        EXPECT_FALSE(dir.exists("t.ir")) << c.errors;
        EXPECT_EQ(dir.read("t.c"), "int x;\n") << c.errors;
    }
}

TEST(Driver, ErrorLineWithColumnAndSpan) {
    FrontRun run = vytest::compile("int x;\n  long long y;\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "#error ccparse t.c:2(7+4) repeated type specification\n");
    EXPECT_FALSE(run.output_exists);
}

TEST(Driver, SecondErrorAtTheSamePlaceIsDropped) {
    // "a" is redeclared at the ';' and the line's next error is at another column.
    FrontRun run = vytest::compile("extern int a;\nstatic int a; short double d;\n");
    EXPECT_EQ(run.errors,
              "#error ccparse t.c:2(12) redeclared external a\n"
              "#error ccparse t.c:2(27) illegal type specification\n");
    // Three errors at the very same token (two divisions by zero, and the
    // initialiser that is no constant): only the first is written.
    run = vytest::compile("int z = 1 / 0 + 1 % 0;\n");
    EXPECT_EQ(run.errors, "#error ccparse t.c:1(21) zero divide\n");
    // Errors without a column while the parser reads: one per line.
    run = vytest::compile("int x;\n#if defined(\n#endif\n#line\n#line x\n");
    EXPECT_EQ(run.errors, "#error ccparse t.c:2 bad defined syntax\n#error ccparse t.c:4 missing line number\n"
                          "#error ccparse t.c:5 invalid line number\n");
}

TEST(Driver, ErrorFileKeepsTheErrorsAndIsRemovedWithoutThem) {
    TempDir dir;
    dir.write("bad.c", "long long x;\n");
    dir.write("good.c", "int x;\n");
    FrontRun run = vytest::run_front(dir, {"+e", "err.txt", "-o", "t.ir", "bad.c"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "errors reported in err.txt\n");
    EXPECT_EQ(vytest::lf_lines(dir.read("err.txt")), "#error ccparse bad.c:1(5+4) repeated type specification\n");
    EXPECT_FALSE(dir.exists("t.ir"));

    run = vytest::run_front(dir, {"+eok.txt", "-o", "t.ir", "good.c"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_FALSE(dir.exists("ok.txt"));
    EXPECT_TRUE(dir.exists("t.ir"));
}

TEST(Driver, DependencyLines) {
    TempDir dir;
    std::string includes;
    for (int i = 0; i < 12; ++i) {
        std::string name = "header_number_" + std::to_string(i) + ".h";
        dir.write("inc/" + name, "");
        includes += "#include \"" + name + "\"\n";
    }
    includes += "#include \"header_number_3.h\"\n";  // listed once
    dir.write("a.c", includes);
    dir.write("a.o", "keep");
    FrontRun run = vytest::run_front(dir, {"-md", "-iinc", "-o", "a.o", "a.c"});
    EXPECT_EQ(run.status, 0) << run.errors;
    std::string sep(1, '/');
#ifdef _WIN32
    sep = "\\";
#endif
    std::string expected = "a.o: a.c";
    std::size_t column = 9;
    for (int i = 0; i < 12; ++i) {
        std::string name = "inc" + sep + "header_number_" + std::to_string(i) + ".h";
        if (column + name.size() + 1 > 78) {
            expected += " \\\n";
            column = 0;
        }
        expected += " " + name;
        column += name.size() + 1;
    }
    expected += "\n";
    EXPECT_EQ(vytest::lf_lines(run.out), expected);
    // The -o name is a make target: never removed, even after errors.
    dir.write("b.c", "#include \"none.h\"\n");
    run = vytest::run_front(dir, {"-md", "-o", "a.o", "b.c"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(dir.read("a.o"), "keep");
}

TEST(Driver, DependencyLineWithoutTargetAndWithoutPaths) {
    TempDir dir;
    dir.write("sub/h.h", "");
    dir.write("m.c", "#include \"sub/h.h\"\n");
    FrontRun run = vytest::run_front(dir, {"-md", "-xp", "m.c"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(vytest::squeeze(run.out), "m.c h.h");
    EXPECT_EQ(run.out.substr(0, 1), " ");
}

TEST(Driver, DefinitionsFromLastToFirstAndHeadersInOrder) {
    TempDir dir;
    dir.write("h1.h", "one\n");
    dir.write("h2.h", "two\n");
    dir.write("t.c", "A B\n");
    FrontRun run = vytest::run_front(dir, {"-e", "-dA=x", "-dB", "-h", "h1.h", "-hh2.h", "-o", "t.i", "t.c"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(vytest::squeeze(run.output), "one two x 1");
    // The last -d is defined first, so the earlier one is the redefinition.
    run = vytest::run_front(dir, {"-e", "-dA=first", "-dA=second", "t.c"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(vytest::squeeze(run.out), "second B");
    EXPECT_EQ(run.errors, "#error ccparse t.c:0 can't redefine macro A\n");
}

TEST(Driver, IncludeDirectoriesFromOptionsThenEnvironment) {
    TempDir dir;
    dir.write("opt/x.h", "from_option\n");
    dir.write("env/x.h", "from_environment\n");
    dir.write("env/y.h", "only_environment\n");
    dir.write("t.c", "#include \"x.h\"\n#include <y.h>\n");
    set_env("QVPARSE", (dir.file("env") + "\\").c_str());
    FrontRun run = vytest::run_front(dir, {"-e", "-iopt", "-o", "t.i", "t.c"});
    set_env("QVPARSE", nullptr);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(vytest::squeeze(run.output), "from_option only_environment");
}

TEST(Driver, StrictModeWantsAnObject) {
    FrontRun run = vytest::compile("typedef int t;\n", {"-sa"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("missing object declaration"), std::string::npos);
    EXPECT_FALSE(run.output_exists);
    EXPECT_EQ(vytest::compile("int x;\n", {"-sa"}).status, 0);
}

TEST(Driver, PreprocessedTextGoesToStandardOutputWithoutO) {
    TempDir dir;
    dir.write("t.c", "#define X 42\nX\n");
    FrontRun run = vytest::run_front(dir, {"-e", "t.c"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(vytest::squeeze(run.out), "42");
}

}  // namespace
