// Source-level run control through the headless driver vyrcmd, on a C
// program built by the compiler driver cc11 with its passes and the runtime:
// tables of command files with what the command window shows. The values
// the debugger shows are those that the same file prints when the host's
// compiler builds it with HOST defined.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

// main calls f once and g once; f calls g twice: g runs three times.
// Lines 10 to 12 are f's declarations, its first statement and its loop.
const char* const program =
    "int g(int x);\n"                                   // 1
    "#ifdef HOST\n"                                     // 2
    "#include <stdio.h>\n"                              // 3
    "#define SHOW(v) printf(#v \" = %d\\n\", v)\n"      // 4
    "#else\n"                                           // 5
    "#define SHOW(v)\n"                                 // 6
    "#endif\n"                                          // 7
    "int f(int n)\n"                                    // 8
    "{\n"                                               // 9
    "    int i, s;\n"                                   // 10
    "    s = 0;\n"                                      // 11
    "    for (i = 0; i < n; i++)\n"                     // 12
    "        s = s + g(i);\n"                           // 13
    "    SHOW(s);\n"                                    // 14
    "    return s;\n"                                   // 15
    "}\n"                                               // 16
    "\n"                                                // 17
    "int main(void)\n"                                  // 18
    "{\n"                                               // 19
    "    int r, total;\n"                               // 20
    "    r = f(2);\n"                                   // 21
    "    SHOW(r);\n"                                    // 22
    "    total = r + g(2);\n"                           // 23
    "    SHOW(total);\n"                                // 24
    "    return total;\n"                               // 25
    "}\n"                                               // 26
    "\n"                                                // 27
    "int g(int x)\n"                                    // 28
    "{\n"                                               // 29
    "    return x * x + 3;\n"                           // 30
    "}\n";                                              // 31

std::string bin(const char* name) { return std::string(VY_BIN_DIR) + "/" + name; }

std::string readfile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int shell(const std::filesystem::path& dir, const std::string& command) {
    std::string line = "cd '" + dir.string() + "' && " + command + " >stdout.txt 2>stderr.txt";
    int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CompiledRun : public ::testing::Test {
protected:
    // The program built once for the suite by cc11 and by the host, and the
    // values the host's run printed ("name = value" lines).
    static void SetUpTestSuite() {
        dir = std::filesystem::temp_directory_path() / ("vyr-compiled-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "f.c", std::ios::binary) << program;
        if (shell(dir, "'" + bin("cc11") + "' -x -link -o p.h11 f.c") != 0) {
            failure = "cc11: " + readfile(dir / "stdout.txt") + readfile(dir / "stderr.txt");
            return;
        }
        if (shell(dir, "cc -DHOST -o host f.c") != 0) {
            failure = "host compiler: " + readfile(dir / "stderr.txt");
            return;
        }
        shell(dir, "./host");   // its exit status is main's result
        std::istringstream lines(readfile(dir / "stdout.txt"));
        std::string name, equals, value;
        while (lines >> name >> equals >> value) host[name] = value;
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    void SetUp() override { ASSERT_EQ(failure, "") << failure; }

    // Runs the command file on the program; what vyrcmd printed from the
    // first command on (the load's lines hold sizes that follow the
    // compiler's code).
    static std::string run(const std::string& lines, const std::string& options = "") {
        std::ofstream(dir / "t.in", std::ios::binary) << lines;
        EXPECT_EQ(shell(dir, "timeout 60 '" + bin("vyrcmd") + "' " + options + "t.in p.h11"), 0)
            << readfile(dir / "stderr.txt");
        EXPECT_EQ(readfile(dir / "stderr.txt"), "");
        std::string shown = readfile(dir / "stdout.txt");
        std::string first = lines.substr(0, lines.find('\n') + 1);
        std::size_t at = shown.find("\n" + first);
        return at == std::string::npos ? shown : shown.substr(at + 1);
    }

    struct Case {
        const char* name;
        std::string lines;
        std::string shown;
    };
    static void check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(run(c.lines), c.shown);
        }
    }

    static std::filesystem::path dir;
    static std::string failure;
    static std::map<std::string, std::string> host;
};

std::filesystem::path CompiledRun::dir;
std::string CompiledRun::failure;
std::map<std::string, std::string> CompiledRun::host;

const std::string inmain = "| main():21|    r = f(2);\n";

TEST_F(CompiledRun, TheHostPrintsItsValues) {
    // The values the tables below compare against.
    EXPECT_EQ(host["s"], "7");
    EXPECT_EQ(host["r"], "7");
    EXPECT_EQ(host["total"], "14");
}

TEST_F(CompiledRun, StepsAndStepsOverCalls) {
    check({
        {"a function breakpoint stops at main's entry; steps enter f",
         "b main()\ng\nframe\ns\nframe\ndel 1\ns 2\nframe\n",
         "b main()\n(1)   f.c main():18:26(user) (count = 1, left = 1) (on)\ng\n***** breakpoint f.c main():18:26\n"
         "frame\n| main():18|int main(void)\ns\n***** breakpoint f.c main():18:26\nframe\n" + inmain + "del 1\n" +
         "s 2\nframe\n| f():11|    s = 0;\n" + inmain},
        {"finish returns to main with r's value; so passes over g",
         "g f()\nframe\nfinish\nframe\nx r\nso\nframe\nx r, total\n",
         "g f()\nframe\n| f():8|int f(int n)\n" + inmain + "finish\nframe\n| main():23|    total = r + g(2);\n"
         "x r\n    r = " + host["r"] + "\nso\nframe\n| main():25|    return total;\n"
         "x r, total\n    r = " + host["r"] + "\n    total = " + host["total"] + "\n"},
        {"a breakpoint on a line of f: s as the host printed it",
         "b f.c:15\ng\nframe\nx s\n",
         "b f.c:15\n(1)   f.c:15(user) (count = 1, left = 1) (on)\ng\n***** breakpoint f.c:15\n"
         "frame\n| f():15|    return s;\n" + inmain + "x s\n    s = " + host["s"] + "\n"},
        // The line of g's call holds again in the second round; g's own
        // lines (whose first address carries its frame set-up) do not.
        {"a line range is reached in its own lines only", "g f.c:13\ng f.c:13\nframe\nx i\n",
         "g f.c:13\ng f.c:13\nframe\n| f():13|        s = s + g(i);\n" + inmain + "x i\n    i = 1\n"},
        {"a function breakpoint holds every line of the function", "b g()\ng\nframe\ng\nframe\n",
         "b g()\n(1)   f.c g():28:31(user) (count = 1, left = 1) (on)\ng\n***** breakpoint f.c g():28:31\n"
         "frame\n| g():28|int g(int x)\n| f():13|        s = s + g(i);\n" + inmain +
         "g\n***** breakpoint f.c g():28:31\nframe\n| g():30|    return x * x + 3;\n| f():13|        s = s + g(i);\n" +
         inmain},
    });
}

TEST_F(CompiledRun, StepStatusTexts) {
    // Three counted steps show their number out of three; finish and so
    // count the steps they pass over calls without a total.
    EXPECT_EQ(run("b main()\ng\ndel 1\ns 3\ns\nso\n", "-s "),
              "b main()\n(1)   f.c main():18:26(user) (count = 1, left = 1) (on)\n"
              "g\nstatus: \" Running \"\n***** breakpoint f.c main():18:26\nstatus: \"Command\"\n"
              "del 1\ns 3\nstatus: \" Stepping \"\nstatus: \" Stepping: 1 out of 3 \"\nstatus: \" Stepping: 2 out of 3 \"\n"
              "status: \" Stepping: 3 out of 3 \"\nstatus: \"Command\"\n"
              "s\nstatus: \" Stepping \"\nstatus: \" Stepping: 1 out of 1 \"\nstatus: \"Command\"\n"
              "so\nstatus: \" Stepping \"\nstatus: \" Stepping: 1\"\nstatus: \"Command\"\n");
}

TEST_F(CompiledRun, AssignmentsListingsAndFigures) {
    check({
        // i set to 5 ends f's loop after one round: s = 0 + g(0).
        {"an assignment to a local shows its new value", "g f.c:13\nx i, s\nu i = 5\ng f.c:15\nx i, s\n",
         "g f.c:13\nx i, s\n    i = 0\n    s = 0\nu i = 5\n    auto int  i = 0 => 5\ng f.c:15\nx i, s\n"
         "    i = 6\n    s = " + std::to_string(0 + 0 * 0 + 3) + "\n"},
        {"a listing of three lines", "print f.c:10:12\n",
         "print f.c:10:12\n10      int i, s;\n11      s = 0;\n12      for (i = 0; i < n; i++)\n"},
        {"every function's share of the calls from f's entry to the end",
         "g f()\nperf /z\nperf\ng __halt\nperf\n",
         "g f()\nperf /z\nperf\nFunctions in file: f.c\n    f() 0  calls\n    main() 0  calls\n    g() 0  calls\n"
         "g __halt\nperf\nFunctions in file: f.c\n    f() 1 / 4  calls =  25.00%\n"
         "    main() 0 / 4  calls =   0.00%\n    g() 3 / 4  calls =  75.00%\n"},
    });
}

}  // namespace
