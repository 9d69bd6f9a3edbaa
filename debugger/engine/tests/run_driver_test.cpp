// Run control and the program commands through the headless driver vyrcmd,
// on a program assembled with ccasm: tables of command files with what the
// command window shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/engine/tests/bin_path.h"
#include "support/tests/test_system.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

// The program: a loop of three rounds (the instruction at 0x8004 runs once
// each round), a tail to 0x8013 and back; an illegal opcode at 0x8100; the
// reset vector names 0x8008.
const char* const source =
    "\tswitch\t.text\n"
    "\torg\t$8000\n"
    "start:\tldx\t#3\n"      // 8000  3 cycles
    "again:\tnop\n"          // 8003  2
    "\tinca\n"               // 8004  2
    "\tdex\n"                // 8005  3
    "\tbne\tagain\n"         // 8006  3
    "\tldab\t#7\n"           // 8008
    "\tstab\t$0100\n"        // 800a
    "\tnop\n\tnop\n\tnop\n"  // 800d
    "\tincb\n"               // 8010
    "\tnop\n\tnop\n"         // 8011
    "\tbra\tstart\n"         // 8013
    "\torg\t$8100\n"
    "\tdc.b\t$41\n"
    "\torg\t$FFFE\n"
    "\tdc.w\t$8008\n";

const char* const loaded = "    T: 0x8000 (32768)  D: 0x0 (0)\nentry point at 0x8000 \n";

std::string bin(const char* name) { return vytest::binpath(name); }

using vytest::lf;

class RunDriver : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("vyr-run-" + std::string(info->name()) + "-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        write("p.s", source);
        ASSERT_EQ(shell("\"" + bin("ccasm") + "\" -a -xx p.s"), 0) << read("stdout.txt");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    void write(const std::string& name, const std::string& text) { std::ofstream(dir / name, std::ios::binary) << text; }
    std::string read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Runs a command line in the test's directory, its output in stdout.txt
    // and stderr.txt; the exit status.
    int shell(const std::string& command) {
        std::string o = (dir / "stdout.txt").string(), e = (dir / "stderr.txt").string();
#ifdef _WIN32
        std::string line = "cd /d \"" + dir.string() + "\" && " + command + " >\"" + o + "\" 2>\"" + e + "\"";
        return vytest::system(line);
#else
        std::string line = "cd '" + dir.string() + "' && " + command + " >'" + o + "' 2>'" + e + "'";
        int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

    // Runs the command file on the program; what vyrcmd printed.
    std::string run(const std::string& lines, const std::string& options = "") {
        write("t.in", lines);
        EXPECT_EQ(shell("\"" + bin("vyrcmd") + "\" " + options + "t.in p.o"), 0) << read("stderr.txt");
        EXPECT_EQ(lf(read("stderr.txt")), "");
        return lf(read("stdout.txt"));
    }

    struct Case {
        const char* name;
        std::string lines;
        std::string shown;   // after the load's lines
    };
    void check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(run(c.lines), loaded + c.shown);
        }
    }

    std::filesystem::path dir;
};

const std::string breakpoint1 = "(1)   at absolute address: 0x8010 (user) (count = 1, left = 1) (on)\n";
const std::string stopped = "***** breakpoint at absolute address: 0x8010 \n";

TEST_F(RunDriver, InstructionStepsBreakpointsAndReset) {
    check({
        // ldx #3, nop, inca, dex, bne: 3 + 2 + 2 + 3 + 3 cycles.
        {"instruction steps add the reference manual's cycles",
         "u $time = 0\nsi 5\nx $time, $pc\nsi\nx $time\n",
         "u $time = 0\n    timing register $time = 0 => 0\nsi 5\nx $time, $pc\n    $time = 13\n    $pc = 0x8003\n"
         "si\nx $time\n    $time = 15\n"},
        {"go stops at a breakpoint", "b @0x8010\ng\nx /x $pc\n",
         "b @0x8010\n" + breakpoint1 + "g\n" + stopped + "x /x $pc\n    $pc = 0x8010\n"},
        {"go to an address: its event lives for the command only",
         "b @0x8010\ng\ng @0x8012\nx /x $pc\nb\n",
         "b @0x8010\n" + breakpoint1 + "g\n" + stopped + "g @0x8012\nx /x $pc\n    $pc = 0x8012\nb\n"
         "(1)    at absolute address: 0x8010 (user) (count = 1, left = 1) (on)\n"},
        {"a count of steps, and a breakpoint that ends them first", "b @0x8005\nsi 100\nx /x $pc\nsi 2\nx /x $pc\n",
         "b @0x8005\n(1)   at absolute address: 0x8005 (user) (count = 1, left = 1) (on)\nsi 100\n"
         "***** breakpoint at absolute address: 0x8005 \nx /x $pc\n    $pc = 0x8005\nsi 2\nx /x $pc\n    $pc = 0x8003\n"},
        {"reset puts the PC at the reset vector's address", "g @0x8004\nreset\nx /x $pc\nsi\nr\n",
         "g @0x8004\nreset\nx /x $pc\n    $pc = 0x8008\nsi\nr\ncc:.X.I.... a:00 b:07 x:0000 y:0000 s:0000 pc:800a\n"},
        {"a PC set after reset is kept", "reset\nu $pc = 0x8003\nsi\nx /x $pc\n",
         "reset\nu $pc = 0x8003\n    machine register $pc = 0x8008 => -32765\nsi\nx /x $pc\n    $pc = 0x8004\n"},
        {"zero puts the PC at the entry point; its options",
         "g @0x8005\nb @0x8010\nmonit $a\nzero /e/m\nx /x $pc\nb\nzero /q\n",
         "g @0x8005\nb @0x8010\n" + breakpoint1 + "monit $a\nzero /e/m\nx /x $pc\n    $pc = 0x8000\nb\nno breakpoint\n"
         "zero /q\n#error: Unknown Option q\n"},
        {"an illegal instruction ends the run", "u $pc = 0x8100\ng\nx /x $pc\nsi\ns\n",
         "u $pc = 0x8100\n    machine register $pc = 0x8000 => -32512\ng\n#error: illegal instruction at 0x8100\n"
         "x /x $pc\n    $pc = 0x8100\nsi\n#error: illegal instruction at 0x8100\ns\n#error: illegal instruction at 0x8100\n"},
        {"a run target that cannot be used", "g $a+1\ng nosuch\n",
         "g $a+1\n#error: illegal breakpoint: $a+1\ng nosuch\n#error: variable can't be accessed: nosuch\n"},
    });
}

TEST_F(RunDriver, WatchpointActionsAndRefusedCommands) {
    check({
        {"a watchpoint counts its hits without stopping",
         "w @0x8004 {x .h = .h + 1}\nb @0x8010\ng\nx .h\n",
         "w @0x8004 {x .h = .h + 1}\n(1)   at absolute address: 0x8004   {x .h = .h + 1} (user) (count = 1, left = 1) (on)\n"
         "b @0x8010\n(2)   at absolute address: 0x8010 (user) (count = 1, left = 1) (on)\ng\n"
         "    .h = .h + 1 = 1\n    .h = .h + 1 = 2\n    .h = .h + 1 = 3\n"
         "***** breakpoint at absolute address: 0x8010 \nx .h\n    .h = 3\n"},
        {"load and zero from an action during a run are refused",
         "w @0x8004 {zero}\nw @0x8005 {load p.o}\nw @0x8006 {reset}\ng @0x8008\nx /x $pc\n",
         "w @0x8004 {zero}\n(1)   at absolute address: 0x8004   {zero} (user) (count = 1, left = 1) (on)\n"
         "w @0x8005 {load p.o}\n(2)   at absolute address: 0x8005   {load p.o} (user) (count = 1, left = 1) (on)\n"
         "w @0x8006 {reset}\n(3)   at absolute address: 0x8006   {reset} (user) (count = 1, left = 1) (on)\n"
         "g @0x8008\n"
         "#error: zero: not while the program runs\n#error: load: not while the program runs\n#error: reset: not while the program runs\n"
         "#error: zero: not while the program runs\n#error: load: not while the program runs\n#error: reset: not while the program runs\n"
         "#error: zero: not while the program runs\n#error: load: not while the program runs\n#error: reset: not while the program runs\n"
         "x /x $pc\n    $pc = 0x8008\n"},
        {"a go in an action does not stop the run", "b @0x8004 {g}\nb @0x8010\ng\nx /x $pc\n",
         "b @0x8004 {g}\n(1)   at absolute address: 0x8004   {g} (user) (count = 1, left = 1) (on)\n"
         "b @0x8010\n(2)   at absolute address: 0x8010 (user) (count = 1, left = 1) (on)\ng\n"
         "***** breakpoint at absolute address: 0x8004 \n***** breakpoint at absolute address: 0x8004 \n"
         "***** breakpoint at absolute address: 0x8004 \n***** breakpoint at absolute address: 0x8010 \n"
         "x /x $pc\n    $pc = 0x8010\n"},
    });
}

TEST_F(RunDriver, StatusTexts) {
    std::string load = "status: \"Loading... Please Wait\"\n" + std::string(loaded).substr(0, std::string(loaded).find('\n') + 1) +
                       "status: \"Ordering Symbols\"\nstatus: \"\"\nstatus: \"Command\"\nentry point at 0x8000 \n";
    EXPECT_EQ(run("si 3\nsi\nb @0x8010\ng\n", "-s "),
              load + "si 3\nstatus: \" Stepping \"\nstatus: \" Stepping: 1 out of 3 \"\n"
                     "status: \" Stepping: 2 out of 3 \"\nstatus: \" Stepping: 3 out of 3 \"\nstatus: \"Command\"\n"
                     "si\nstatus: \" Stepping \"\nstatus: \" Stepping: 1 out of 1 \"\nstatus: \"Command\"\n"
                     "b @0x8010\n" + breakpoint1 + "g\nstatus: \" Running \"\n" + stopped + "status: \"Command\"\n");
}

TEST_F(RunDriver, InterruptsPathsAndRegisters) {
    check({
        {"interrupts by vector address and by name",
         "u $s = 0x200\nint @0xfff2\nsi\nr\nint XIRQ\nsi\nr\nint @0x1234\nint @\nint nothing\n",
         "u $s = 0x200\n    machine register $s = 0x0 => 512\nint @0xfff2\nsi\nr\n"
         "cc:...I.... a:00 b:00 x:0000 y:0000 s:01f7 pc:0000\nint XIRQ\nsi\nr\n"
         "cc:.X.I.... a:00 b:00 x:0000 y:0000 s:01ee pc:0000\nint @0x1234\n#error: Unknown Interrupt Vector: 0x1234\n"
         "int @\n#error: Missing Interrupt number: \nint nothing\n#error: Unknown Interrupt: nothing\n"},
        {"the source path", "path\npath \"a|b\"\npath \"|c\"\npath\npath a\npath \"a\n",
         "path\n\"\"\npath \"a|b\"\npath \"|c\"\npath\n\"a|b|c\"\npath a\n#error: syntax error\npath \"a\n#error: syntax error\n"},
        {"sessions and layouts", "session /l none.ssn\nlayout /q x\nsession\n",
         "session /l none.ssn\n#error: Can't Access File: .\\none.ssn\nlayout /q x\n#error:  Unknown Option q x\n"
         "session\n#error: missing input file name \n"},
        {"registers", "r\nregs\n", "r\ncc:........ a:00 b:00 x:0000 y:0000 s:0000 pc:8000\nregs\n"
                                   "cc:........ a:00 b:00 x:0000 y:0000 s:0000 pc:8000\n"},
    });
}

}  // namespace
