// The command line, the files and the header: messages and exit statuses,
// the error file, and (as a process) standard output, write failures and
// the console interrupt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ccgen/tests/gen_harness.h"
#include "ccgen/tests/ir_builder.h"

#include "support/tests/test_system.h"

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace vytest;

std::string bytes_text(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

std::vector<std::uint8_t> data_file() {
    IrBuilder b;
    b.file("t.c").line(1).declare("x").zero(2).end_data().pub("x");
    return b.bytes;
}

TEST(Driver, FilesThatCannotBeUsed) {
    TempDir dir;
    dir.write("t.ir", bytes_text(data_file()));
    GenRun run = run_gen(dir, {"-no"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "missing input file\n");
    run = run_gen(dir, {"nosuch.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "can't open input file nosuch.ir\n");
    run = run_gen(dir, {"-o", "no/such/dir/t.s", "t.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "can't create output file no/such/dir/t.s\n");
    // the input is never the output
    run = run_gen(dir, {"-o", "t.ir", "t.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "can't create output file t.ir\n");
    EXPECT_EQ(dir.read("t.ir"), bytes_text(data_file()));
    run = run_gen(dir, {"-o", "t.s", "+e", "no/such/dir/e.txt", "t.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "can't create error file no/such/dir/e.txt\n");
    EXPECT_FALSE(dir.exists("t.s"));
    run = run_gen(dir, {"-zz", "t.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "ccgen: unknown option -zz\n");
}

TEST(Driver, UsageAndVersion) {
    TempDir dir;
    GenRun run = run_gen(dir, {"-help"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors,
              "Talvex Software 68HC11 Code Generator V4.3k\nusage: ccgen [options] file\n"
              "    -alu   use arithmetic unit\n    -a     optimize _asm code\n    -bss   do not use bss\n"
              "    -ck    check stack frame\n    -ct    constants in code\n    -dl#   output line information\n"
              "    +e*    error file name\n    -f     full source display\n    -l     output listing\n"
              "    -no    do not use optimizer\n    -o*    output file name\n    -st#   static models\n"
              "    -t?    processor type\n    -v     verbose\n");
    run = run_gen(dir, {"-vers"});
    EXPECT_EQ(run.errors, "Talvex Software 68HC11 Code Generator V4.3k - 03 Jan 2002 - Win32\n");
}

struct HeaderCase {
    const char* name;
    std::vector<std::uint8_t> header;
    const char* error;
    bool goes_on;
};

const HeaderCase header_cases[] = {
    {"empty_file", {}, "#error ccgen t.ir:0\tbad intermediate file t.ir\n", false},
    {"bad_magic", {0xCC, 0, 0, 0}, "#error ccgen t.ir:0\tbad intermediate file t.ir\n", false},
    {"cut_header", {0xCB, 0}, "#error ccgen t.ir:0\tbad intermediate file t.ir\n", false},
    {"model_bits", {0xCB, 0x01, 0, 0}, "#error ccgen t.ir:0\tbad flags for MC68HC11 target t.ir\n", false},
    {"parser_configuration", {0xCB, 0, 0, 1}, "#error ccgen t.ir:0\tbad parser configuration t.ir\n", true},
};

class Headers : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(Headers, AreChecked) {
    const HeaderCase& c = GetParam();
    std::vector<std::uint8_t> ir = c.header;
    if (c.goes_on) {
        std::vector<std::uint8_t> rest = data_file();
        ir.insert(ir.end(), rest.begin() + 4, rest.end());
    }
    GenRun run = generate(ir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, c.error);
    if (c.goes_on)
        EXPECT_NE(run.asm_text.find("\txdef\t_x\n\tend\n"), std::string::npos) << run.asm_text;
    else
        EXPECT_EQ(run.asm_text, "\tinclude\t\"macro.h11\"\n");
}

INSTANTIATE_TEST_SUITE_P(Driver, Headers, ::testing::ValuesIn(header_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Driver, ErrorFileIsKeptOnlyWithErrorsAndTheOutputOnlyWithout) {
    TempDir dir;
    dir.write("ok.ir", bytes_text(data_file()));
    IrBuilder bad;
    bad.file("t.c").line(3).u8(186).name("bogus", 0);
    dir.write("bad.ir", bytes_text(bad.bytes));
    GenRun run = run_gen(dir, {"+e", "e.txt", "-o", "ok.s", "ok.ir"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_FALSE(dir.exists("e.txt"));
    run = run_gen(dir, {"+e", "e.txt", "-o", "bad.s", "bad.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "errors reported in e.txt\n");
    EXPECT_EQ(lf_lines(dir.read("e.txt")), "#error ccgen t.c:3\tunknown space: bogus\n");
    EXPECT_FALSE(dir.exists("bad.s"));
}

// Whatever ends a run with status 1 (a damaged header, a record the
// generator stops at, a PANIC), the output file it created goes; the PANIC
// is on the error stream.
TEST(Driver, FailedRunsLeaveNoOutputFile) {
    TempDir dir;
    IrBuilder panic;
    panic.file("t.c").line(4).ret();
    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{0xCC, 0, 0, 0}, "#error ccgen t.ir:0\tbad intermediate file t.ir\n"},
        {{0xCB, 0, 0, 1}, "#error ccgen t.ir:0\tbad parser configuration t.ir\n"},
        {panic.bytes, "#error ccgen t.c:4\tPANIC! NO FUNC\n"},
    };
    for (const auto& [ir, error] : cases) {
        std::vector<std::uint8_t> bytes = ir;
        if (bytes.size() == 4) {
            std::vector<std::uint8_t> rest = data_file();
            bytes.insert(bytes.end(), rest.begin() + 4, rest.end());
        }
        dir.write("t.ir", bytes_text(bytes));
        GenRun run = run_gen(dir, {"-o", "out.gs", "t.ir"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, error);
        EXPECT_FALSE(dir.exists("out.gs")) << error;
    }
}

TEST(Driver, DiagnosticsStayOneLine) {
    IrBuilder b;
    b.file("t\x01.c").line(2).u8(186).name("a\nb", 0);
    GenRun run = generate(b.bytes);
    EXPECT_EQ(run.errors, "#error ccgen t\\x01.c:2\tunknown space: a\\x0ab\n");
}

// ------------------------------------------------------------ the program as a process

std::string program() {
#ifdef _WIN32
    std::string path = std::string("Z:") + VY_BIN_DIR + "/ccgen.exe";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
#else
    return std::string(VY_BIN_DIR) + "/ccgen";
#endif
}

int run_program(const TempDir& dir, const std::string& args, std::string& out, std::string& err) {
    std::string o = dir.file("out.txt"), e = dir.file("err.txt");
#ifdef _WIN32
    std::string command = "cd /d \"" + dir.path().string() + "\" && \"" + program() + "\" " + args + " >\"" + o +
                          "\" 2>\"" + e + "\"";
    int status = vytest::system(command);
#else
    std::string command = "cd '" + dir.path().string() + "' && '" + program() + "' " + args + " >'" + o + "' 2>'" + e + "'";
    int status = std::system(command.c_str());
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    out = lf_lines(dir.read("out.txt"));
    err = lf_lines(dir.read("err.txt"));
    return status;
}

TEST(Program, WritesToStandardOutputWithoutAnOutputFile) {
    TempDir dir;
    dir.write("t.ir", bytes_text(data_file()));
    std::string out, err;
    EXPECT_EQ(run_program(dir, "-v t.ir", out, err), 0);
    EXPECT_EQ(out, "\tinclude\t\"macro.h11\"\n\tswitch\t.bss\n_x:\n\tds.b\t2\n\txdef\t_x\n\tend\n");
    EXPECT_EQ(err, "");
}

#ifndef _WIN32
TEST(Driver, AnInputLargerThanAnyIntermediateFileIsRefused) {
    TempDir dir;
    dir.write("big.ir", bytes_text(data_file()));
    std::filesystem::resize_file(dir.file("big.ir"), (256u << 20) + 1);  // sparse
    GenRun run = run_gen(dir, {"-o", "t.s", "big.ir"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "file too large: big.ir\n");
    EXPECT_FALSE(dir.exists("t.s"));
}

TEST(Program, FailedWriteRemovesThePartialOutput) {
    TempDir dir;
    IrBuilder b;
    b.file("t.c").line(1);
    for (int i = 0; i < 300; ++i) b.declare("variable_" + std::to_string(i)).zero(2).end_data();
    dir.write("t.ir", bytes_text(b.bytes));
    std::string command = "cd '" + dir.path().string() + "' && sh -c \"trap '' XFSZ; ulimit -f 2; exec '" +
                          program() + "' -o t.s t.ir\" 2>err.txt";
    int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(dir.read("err.txt"), "can't write!\n");
    EXPECT_FALSE(dir.exists("t.s"));
    // and on standard output
    command = "cd '" + dir.path().string() + "' && '" + program() + "' t.ir >/dev/full 2>err.txt";
    raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(dir.read("err.txt"), "can't write!\n");
}

TEST(Program, InterruptRemovesTheOutputAndEndsWithStatus2) {
    TempDir dir;
    std::string fifo = dir.file("t.ir");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(99);
        execl(program().c_str(), "ccgen", "-o", "out.s", "t.ir", static_cast<char*>(nullptr));
        _exit(98);
    }
    int fd = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    std::vector<std::uint8_t> head = data_file();
    ASSERT_EQ(write(fd, head.data(), 4), 4);
    for (int i = 0; i < 200 && !dir.exists("out.s"); ++i) usleep(10000);
    EXPECT_TRUE(dir.exists("out.s"));
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_FALSE(dir.exists("out.s"));
}
#endif

}  // namespace
