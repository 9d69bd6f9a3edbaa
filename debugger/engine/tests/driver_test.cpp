// The headless driver vyrcmd, started as a process: tables of command files
// with what the command window shows and the files they leave.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "debugger/engine/tests/bin_path.h"
#include "support/tests/test_system.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

std::string program() { return vytest::binpath("vyrcmd"); }

using vytest::lf;

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() / ("vyr-vyrcmd-" + std::string(info->name()) + "-" + std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    void write(const std::string& name, const std::string& text) {
        std::filesystem::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool exists(const std::string& name) { return std::filesystem::exists(dir / name); }

    // Runs the driver in the test's directory with the arguments (and, when
    // given, standard input from a file); keeps standard output and error.
    int run(const std::string& args, const std::string& input = "") {
        std::string o = (dir / "stdout.txt").string(), e = (dir / "stderr.txt").string();
        std::string in = input.empty() ? "" : " <" + input;
#ifdef _WIN32
        std::string command = "cd /d \"" + dir.string() + "\" && \"" + program() + "\" " + args + in + " >\"" + o +
                              "\" 2>\"" + e + "\"";
        int status = vytest::system(command);
#else
        std::string command = "cd '" + dir.string() + "' && " + (filelimit ? "ulimit -f 4096 && '" : "'") + program() +
                              "' " + args + in + " >'" + o + "' 2>'" + e + "'";
        int status = std::system(command.c_str());
        status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
        out = lf(read("stdout.txt"));
        err = lf(read("stderr.txt"));
        return status;
    }

    struct Case {
        const char* name;
        Files files;          // written first; "t.in" is the command file
        std::string shown;    // standard output
        Files after = {};     // files expected afterwards (LF line ends)
    };

    // Runs the cases one after the other in the same directory (with -k, at
    // the older core's console).
    void check(const std::vector<Case>& cases, const std::string& options = "") {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            for (const auto& [name, text] : c.files) write(name, text);
            EXPECT_EQ(run(options + "t.in"), 0) << err;
            EXPECT_EQ(out, c.shown);
            EXPECT_EQ(err, "");
            for (const auto& [name, text] : c.after) {
                EXPECT_TRUE(exists(name)) << name;
                EXPECT_EQ(lf(read(name)), text) << name;
            }
        }
    }

    std::filesystem::path dir;
    std::string out, err;
    bool filelimit = false;   // files of at most 2 MB (not on Windows)
};


TEST_F(Driver, CommandLinesAndTheirReports) {
    const std::vector<Driver::Case> cases = {
        {"unknown command", {{"t.in", "gox\n"}}, "gox\n#error: unknown command: gox\n"},
        {"comment", {{"t.in", ";go\n"}}, ";go\n"},
        {"blank before the semicolon", {{"t.in", " ;go\n"}}, " ;go\n#error: unknown command: ;go\n"},
        {"upper case", {{"t.in", "X 1\n"}}, "X 1\n    1 = 1\n"},
        {"abbreviation that is no row", {{"t.in", "ac\n"}}, "ac\n#error: unknown command: ac\n"},
        {"source needed before the frame",
         {{"t.in", "frame\nmove up\n"}},
         "frame\n#error: no C source defined\nmove up\n#error: no C source defined\n"},
        {"every statement of a line", {{"t.in", "del 8; x 2\n"}},
         "del 8; x 2\n#error: breakpoint not found\n    2 = 2\n"},
        {"return ends the line", {{"t.in", "del 8; return; x 2\n"}},
         "del 8; return; x 2\n#error: breakpoint not found\n"},
        {"block", {{"t.in", "{ del 8; x 2 }\n"}},
         "{ del 8; x 2 }\n#error: breakpoint not found\n    2 = 2\n"},
        {"open block", {{"t.in", "{ rem\n"}}, "{ rem\n#error: {}: syntax error\n"},
        {"blank lines and a last line without a line end", {{"t.in", "\n  \nrem a\ngox"}},
         "\n  \nrem a\ngox\n#error: unknown command: gox\n"},
        {"quit ends the run", {{"t.in", "rem a\nquit\ngox\n"}}, "rem a\nquit\n"},
        {"control bytes in a report", {{"t.in", "q\x01q\n"}}, "q\x01q\n#error: unknown command: q\\x01q\n"},
    };
    check(cases);
}

TEST_F(Driver, OutputRedirection) {
    const std::vector<Driver::Case> cases = {
        {"unknown option", {{"t.in", "output /x f\n"}}, "output /x f\n#error: Unknown Option x f\n"},
        {"redirected lines",
         {{"t.in", "rem a\noutput o.out\ngox\noutput\nrem b\n"}},
         "rem a\noutput o.out\ngox\n#error: unknown command: gox\noutput\nrem b\n",
         {{"o.out", "gox\n#error: unknown command: gox\noutput\n"}}},
        {"append",
         {{"t.in", "output /a o.out\nrem more\noutput\n"}},
         "output /a o.out\nrem more\noutput\n",
         {{"o.out", "gox\n#error: unknown command: gox\noutput\nrem more\noutput\n"}}},
        {"name ends at the statement",
         {{"t.in", "output  p.out  ; rem x\noutput\n"}},
         "output  p.out  ; rem x\noutput\n",
         {{"p.out", "output\n"}}},
        {"cannot open",
         {{"t.in", "output nodir/x.out\n"}},
         "output nodir/x.out\n#error: Can't Open nodir/x.out for output redirection\n"},
    };
    check(cases);
}

TEST_F(Driver, CommandFilesAndTheLog) {
    const std::vector<Driver::Case> cases = {
        {"missing file", {{"t.in", "input nosuch.in\n"}}, "input nosuch.in\n#error: nosuch.in: cannot redirect\n"},
        {"CRLF lines", {{"t.in", "input sub.in\r\nrem back\r\n"}, {"sub.in", "gox\r\n;c\r\n"}},
         "input sub.in\ngox\n#error: unknown command: gox\n;c\nrem back\n"},
        {"a lone CR ending the last line", {{"t.in", "input sub.in\r"}}, "input sub.in\ngox\n#error: unknown command: gox\n;c\n"},
        {"blank inside the name", {{"t.in", "input a b.cmd\n"}, {"a b.cmd", "rem in a b\n"}}, "input a b.cmd\nrem in a b\n"},
        {"errors after a nested file are still lines",
         {{"t.in", "input sub2.in; gox\n"}, {"sub2.in", "rem\n"}},
         "input sub2.in; gox\nrem\n#error: unknown command: gox\n"},
        {"record",
         {{"t.in", "record log.txt\nrem a\nrecord\nrem b\n"}},
         "record log.txt\nrem a\nrecord\nrem b\n",
         {{"log.txt", "rem a\nrecord\n"}}},
        {"record keeps what was given once",
         {{"t.in", "record log2.txt\nrem a; rem b\ninput sub2.in\nrecord log3.txt\nrecord\n"}},
         "record log2.txt\nrem a; rem b\ninput sub2.in\nrem\nrecord log3.txt\n#error: log file already opened\nrecord\n",
         {{"log2.txt", "rem a; rem b\ninput sub2.in\nrecord log3.txt\nrecord\n"}}},
        {"record cannot create", {{"t.in", "record nodir/l.txt\n"}}, "record nodir/l.txt\n#error: cannot create file\n"},
        {"write", {{"t.in", "write st.in\nwrite /E /mf st3.in\nwrite /q st2.in\n"}},
         "write st.in\nwrite /E /mf st3.in\nwrite /q st2.in\n#error: Unknown Option q st2.in\n",
         {{"st.in", ""}, {"st3.in", ""}}},
        {"quit in a nested file ends every file", {{"t.in", "input q.in\nrem not run\n"}, {"q.in", "quit\nrem not run\n"}},
         "input q.in\nquit\n"},
    };
    check(cases);
    EXPECT_FALSE(exists("st2.in"));
}

// A command file being run, the redirection file and the command log are
// never one file, whatever names they go by (a second path, a link).
TEST_F(Driver, AFileIsNeverReadAndWrittenAtOnce) {
    std::vector<Driver::Case> cases = {
        {"the log onto the redirection file",
         {{"t.in", "output o.txt\nrecord ./o.txt\nrem a\noutput\n"}},
         "output o.txt\nrecord ./o.txt\n#error: cannot create file: ./o.txt: the file is the output redirection file\n"
         "rem a\noutput\n",
         {{"o.txt", "record ./o.txt\n#error: cannot create file: ./o.txt: the file is the output redirection file\n"
                    "rem a\noutput\n"}}},
        {"output onto the log",
         {{"t.in", "record l.txt\noutput ./l.txt\nrecord\n"}},
         "record l.txt\noutput ./l.txt\n#error: Can't Open ./l.txt for output redirection: the file is the command log\n"
         "record\n",
         {{"l.txt", "output ./l.txt\nrecord\n"}}},
    };
#ifndef _WIN32
    // Without the refusal these would read their own output without end:
    // the run is held to files of 2 MB.
    filelimit = true;
    std::filesystem::create_symlink("case.in", dir / "link.in");
    const std::vector<Driver::Case> feeding = {
        {"output onto the running file",
         {{"t.in", "input case.in\n"}, {"case.in", "rem a\noutput case.in\noutput ./link.in\nrem b\n"}},
         "input case.in\nrem a\noutput case.in\n"
         "#error: Can't Open case.in for output redirection: the file is a command file being run\n"
         "output ./link.in\n#error: Can't Open ./link.in for output redirection: the file is a command file being run\n"
         "rem b\n",
         {{"case.in", "rem a\noutput case.in\noutput ./link.in\nrem b\n"}}},
        {"output onto a file that runs it",
         {{"t.in", "input case2.in\n"}, {"case2.in", "input inner.in\n"}, {"inner.in", "output case2.in\nrem in\n"}},
         "input case2.in\ninput inner.in\noutput case2.in\n"
         "#error: Can't Open case2.in for output redirection: the file is a command file being run\nrem in\n",
         {{"case2.in", "input inner.in\n"}}},
        {"the log onto the running file",
         {{"t.in", "record t.in\nrem a\n"}},
         "record t.in\n#error: cannot create file: t.in: the file is a command file being run\nrem a\n",
         {{"t.in", "record t.in\nrem a\n"}}},
        {"running the redirection file and the log",
         {{"t.in", "output o2.txt\ninput o2.txt\noutput\nrecord l2.txt\ninput ./l2.txt\nrecord\n"}},
         "output o2.txt\ninput o2.txt\n#error: o2.txt: cannot redirect: the file is the output redirection file\n"
         "output\nrecord l2.txt\ninput ./l2.txt\n#error: ./l2.txt: cannot redirect: the file is the command log\nrecord\n",
         {{"l2.txt", "input ./l2.txt\nrecord\n"}}},
    };
    cases.insert(cases.end(), feeding.begin(), feeding.end());
#endif
    check(cases);
    // Standard input is known by what it is too.
#ifndef _WIN32
    write("s.in", "output s.in\nrem s\n");
    EXPECT_EQ(run("-", "s.in"), 0);
    EXPECT_EQ(out, "output s.in\n#error: Can't Open s.in for output redirection: the file is a command file being run\n"
                   "rem s\n");
    EXPECT_EQ(read("s.in"), "output s.in\nrem s\n");
#endif
}

TEST_F(Driver, NestingEndsInAMessage) {
    // Sixteen files deep is allowed; the seventeenth is refused and the nest
    // is given up back to the outermost file, which goes on.
    write("t.in", "input n1.in\nrem outer goes on\n");
    std::string expect = "input n1.in\n";
    for (int k = 1; k <= 16; ++k) {
        write("n" + std::to_string(k) + ".in", "input n" + std::to_string(k + 1) + ".in\nrem after " + std::to_string(k) + "\n");
        if (k < 16) expect += "input n" + std::to_string(k + 1) + ".in\n";
    }
    expect += "#error: input nested too deeply\nrem outer goes on\n";
    EXPECT_EQ(run("t.in"), 0);
    EXPECT_EQ(out, expect);

    // A file that inputs itself twice ends as soon, not after 2^16 files.
    write("t.in", "input self.in\nrem end\n");
    write("self.in", "input self.in\ninput self.in\n");
    expect = "input self.in\n";
    for (int k = 0; k < 15; ++k) expect += "input self.in\n";
    expect += "#error: input nested too deeply\nrem end\n";
    EXPECT_EQ(run("t.in"), 0);
    EXPECT_EQ(out, expect);
}

TEST_F(Driver, LongLinesRunWhole) {
    std::string rem = "rem " + std::string(100000, 'r');
    std::string word(100000, 'w');
    write("t.in", rem + "\n" + word + "\n" + "{{{" + std::string(100000, '{') + "\n");
    EXPECT_EQ(run("t.in"), 0);
    EXPECT_EQ(out, rem + "\n" + word + "\n#error: unknown command: " + word + "\n{{{" + std::string(100000, '{') +
                       "\n#error: {}: syntax error\n");
}

TEST_F(Driver, ValuesMemoryAndControlFlow) {
    const std::vector<Driver::Case> cases = {
        {"expressions",
         {{"t.in", "x 1+2*3\nx /x 'ab'\nx 1/0\nx 1234.0, 15000000.0\nx $a = 3, .v = $a * 100000\nx /x .v\n"}},
         "x 1+2*3\n    1+2*3 = 7\nx /x 'ab'\n    'ab' = 0x6162\nx 1/0\n#error: zero divide: 1/0\n"
         "x 1234.0, 15000000.0\n    1234.0 = 1234.0\n    15000000.0 = 1.5e+7\n"
         "x $a = 3, .v = $a * 100000\n    $a = 3 = 0x3\n    .v = $a * 100000 = 300000\nx /x .v\n    .v = 0x493e0\n"},
        {"control flow",
         {{"t.in", "if (1) x 10; else x 20\nif 1 x 1\nx /q .n = 3; while (.n) { x .n; x /q .n = .n - 1 }\n"
                   "do x 4; while (0); x 5\nx 6; return; x 7\n"}},
         "if (1) x 10; else x 20\n    10 = 10\nif 1 x 1\n#error: if: syntax error\n"
         "x /q .n = 3; while (.n) { x .n; x /q .n = .n - 1 }\n    .n = 3\n    .n = 2\n    .n = 1\n"
         "do x 4; while (0); x 5\n    4 = 4\n    5 = 5\nx 6; return; x 7\n    6 = 6\n"},
        {"memory",
         {{"t.in", "fill 0x100, 16, 0xaa\ndump 0x100 0x10f\nfill 0x100, 0, 5\nmm /w 0x200 0x1234\ndump 0x200 0x201\n"
                   "dump /a /f:d 0x100, 1\n"}},
         "fill 0x100, 16, 0xaa\ndump 0x100 0x10f\n0100 aa aa aa aa aa aa aa aa aa aa aa aa aa aa aa aa \n"
         "fill 0x100, 0, 5\n#error:  Illegal count (zero) \nmm /w 0x200 0x1234\ndump 0x200 0x201\n"
         "0200 12 34 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \ndump /a /f:d 0x100, 1\n"
         "0100 170 170 170 170 170 170 170 170 170 170 170 170 170 170 170 170 ****************\n"},
        {"update and messages",
         {{"t.in", "u $a = 5\nu $time = 20\nmess \"a=%d t=%u\\n\", $a, $time\nmess x\n"}},
         "u $a = 5\n    machine register $a = 0x0 => 5\nu $time = 20\n    timing register $time = 0 => 20\n"
         "mess \"a=%d t=%u\\n\", $a, $time\na=5 t=20\nmess x\n#error: Missing \" \n"},
    };
    check(cases);

    // A program's bytes through expressions.
    write("p.s19", "S10780008601F3CC32\nS9030000FC\n");
    write("t.in", "x /x *(unsigned short *)0x8000, *(unsigned char *)0x8003\n");
    EXPECT_EQ(run("t.in p.s19"), 0) << err;
    EXPECT_EQ(out, "T: 0x0\nx /x *(unsigned short *)0x8000, *(unsigned char *)0x8003\n"
                   "    *(unsigned short *)0x8000 = 0x8601\n    *(unsigned char *)0x8003 = 0xcc\n");

    // Ten significant digits, rounded at the last.
    write("t.in", "x 0.0001234\n");
    EXPECT_EQ(run("t.in"), 0);
    EXPECT_EQ(out, "x 0.0001234\n    0.0001234 = 0.0001234\n");
}

TEST_F(Driver, EventsAndMonitors) {
    const std::vector<Driver::Case> cases = {
        {"the smallest free number",
         {{"t.in", "b @0x8000\nb @0x8002\nb @0x8004\ndel 2\nb @0x8006\n"}},
         "b @0x8000\n(1)   at absolute address: 0x8000 (user) (count = 1, left = 1) (on)\n"
         "b @0x8002\n(2)   at absolute address: 0x8002 (user) (count = 1, left = 1) (on)\n"
         "b @0x8004\n(3)   at absolute address: 0x8004 (user) (count = 1, left = 1) (on)\n"
         "del 2\n"
         "b @0x8006\n(2)   at absolute address: 0x8006 (user) (count = 1, left = 1) (on)\n"},
        {"deleting", {{"t.in", "b @0x8000\ndel 9\ndel *\ndel *\nb\n"}},
         "b @0x8000\n(1)   at absolute address: 0x8000 (user) (count = 1, left = 1) (on)\n"
         "del 9\n#error: breakpoint not found\ndel *\ndel *\nno breakpoint\nb\nno breakpoint\n"},
        {"options", {{"t.in", "b /C5 main()\nw /C:2 /x @0x8000\ndb f.c:10\ndw /T:w\n"}},
         "b /C5 main()\n#error: Wrong option C5 main()\nw /C:2 /x @0x8000\n#error: Unknown Option x @0x8000\n"
         "db f.c:10\n#error: Illegal Variable specification for DATA Event\ndw /T:w\nno breakpoint\n"},
        {"a location evaluated whole", {{"t.in", "b 1+2\nb .v\nb *(char *)0x100 {x 1}\n"}},
         "b 1+2\n#error: illegal breakpoint: 1+2\nb .v\n(1)  .v (user) (count = 1, left = 1) (on)\n"
         "b *(char *)0x100 {x 1}\n(2)  *(char *)0x100   {x 1} (user) (count = 1, left = 1) (on)\n"},
        {"a monitor written and read back",
         {{"t.in", "monit /x *(unsigned char *)0x100\nwrite st.in\ninput st.in\nwrite st2.in\n"
                   "del /m *(unsigned char *)0x100\ndel /m *(unsigned char *)0x100\n"}},
         "monit /x *(unsigned char *)0x100\nwrite st.in\ninput st.in\nmonit /x *(unsigned char *)0x100\n"
         "write st2.in\ndel /m *(unsigned char *)0x100\ndel /m *(unsigned char *)0x100\n"
         "#error:  Unknown Monitor: *(unsigned char *)0x100\n",
         {{"st.in", "monit /x *(unsigned char *)0x100\n"}, {"st2.in", "monit /x *(unsigned char *)0x100\n"}}},
        {"monitors", {{"t.in", "monit /s /c $a, $b\nmonit $a\nmonit /q $a\nmonit nosuch; x 1\nwrite m.in\n"}},
         "monit /s /c $a, $b\nmonit $a\nmonit /q $a\n#error: Unknown Option q $a\n"
         "monit nosuch; x 1\n#error: variable can't be accessed: nosuch\n    1 = 1\nwrite m.in\n",
         {{"m.in", "monit $a\nmonit /c $b\n"}}},
    };
    check(cases);
}

// Events of every kind on a program assembled with ccasm, written and read
// back to the same list.
TEST_F(Driver, WrittenEventsReadBackToTheSameList) {
    write("p.s", "\txdef\t_main\n\tswitch\t.text\n\torg\t$8000\n_main:\tldaa\t#1\n\tstaa\tcnt\n\tldab\tcnt\n"
                 "tick:\tinc\twide\n\tbra\t_main\n\tswitch\t.data\n\torg\t$0100\ncnt:\tds.b\t1\nwide:\tds.w\t1\n");
#ifdef _WIN32
    std::string command = "cd /d \"" + dir.string() + "\" && \"" + vytest::binpath("ccasm") + "\" -a -xx p.s >asm.txt 2>&1";
#else
    std::string command = "cd '" + dir.string() + "' && '" + vytest::binpath("ccasm") + "' -a -xx p.s >asm.txt 2>&1";
#endif
    ASSERT_EQ(vytest::system(command), 0) << read("asm.txt");
    const std::string made =
        "b @0x8002\n"
        "w /C:4 @0x8005 {x 1; x 2}\n"
        "b tick\n"
        "b _main {x $a}\n"
        "b p.s:6\n"
        "w /C:2 p.s:7:8\n"
        "b *(unsigned char *)0x101\n"
        "w $b\n"
        "db cnt\n"
        "dw /T:r /C:3 wide\n"
        "db /T:w p.s:cnt {x 3}\n";
    write("t.in", made + "b\nwrite ev.in\ndel *\ninput ev.in\nb\n");
    ASSERT_EQ(run("t.in p.o"), 0) << err;
    EXPECT_EQ(out.find("#error"), std::string::npos) << out;
    std::size_t first = out.find("\nb\n"), second = out.rfind("\nb\n");
    ASSERT_NE(first, second);
    std::string before = out.substr(first + 3, out.find("write ev.in") - first - 3);
    EXPECT_EQ(out.substr(second + 3), before);
    EXPECT_NE(before.find("(11)    p.s:cnt (write)   {x 3} (user) (count = 1, left = 1) (on)"), std::string::npos) << before;
    EXPECT_EQ(lf(read("ev.in")),
              "break @0x8002\n"
              "watch /C:4 @0x8005 {x 1; x 2}\n"
              "break tick\n"
              "break _main {x $a}\n"
              "break p.s:6\n"
              "watch /C:2 p.s:7:8\n"
              "break *(unsigned char *)0x101\n"
              "watch $b\n"
              "dbreak cnt\n"
              "dwatch /T:r /C:3 wide\n"
              "dbreak /T:w p.s:cnt {x 3}\n");
}

TEST_F(Driver, CommandLine) {
    write("t.in", "gox\nquit\n");
    EXPECT_EQ(run("-", "t.in"), 0);
    EXPECT_EQ(out, "gox\n#error: unknown command: gox\nquit\n");
    EXPECT_EQ(run("", "t.in"), 0);
    EXPECT_EQ(out, "gox\n#error: unknown command: gox\nquit\n");
    EXPECT_EQ(run("nosuch.in"), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Error: nosuch.in: cannot redirect\n");
    EXPECT_EQ(run("t.in noprogram.s19"), 1);
    EXPECT_NE(err, "");
    EXPECT_EQ(run("a b c"), 2);
    EXPECT_EQ(err, "usage: vyrcmd [-k] [-s] [-n COUNT] [CMDFILE|-] [PROGRAM]\n");
    for (const char* bad : {"-n", "-n 0 t.in", "-n x t.in", "-n -5 t.in", "-n 4294967296 t.in"}) {
        EXPECT_EQ(run(bad), 2) << bad;
        EXPECT_EQ(err, "usage: vyrcmd [-k] [-s] [-n COUNT] [CMDFILE|-] [PROGRAM]\n") << bad;
    }
    write("p.s19", "S10580008601F3\nS9030000FC\n");
    EXPECT_EQ(run("t.in p.s19"), 0) << err;
    EXPECT_EQ(out, "T: 0x0\ngox\n#error: unknown command: gox\nquit\n");
}

// The bound of -n stops each line's runs after that many instructions (and
// a loop of the language after as many commands), as Stop would; the next
// line counts again from 0.
TEST_F(Driver, RunsEndAtTheInstructionBound) {
    write("p.s19", "S105800020FE5C\nS9030000FC\n");   // 8000 bra 8000
    write("t.in",
          "u $pc = 0x8000\ng\nx /d $time\nsi 5000\nx /d $time\n"
          "while (.n >= 0) x /q .n = .n + 1\nx .n\n"
          "g\nx /d $time\n");
    EXPECT_EQ(run("-n 1000 t.in p.s19"), 0) << err;
    EXPECT_EQ(out,
              "T: 0x0\nu $pc = 0x8000\n    machine register $pc = 0x0 => -32768\n"
              "g\nx /d $time\n    $time = 3000\nsi 5000\nx /d $time\n    $time = 6000\n"
              "while (.n >= 0) x /q .n = .n + 1\nx .n\n    .n = 1000\n"
              "g\nx /d $time\n    $time = 9000\n");
}

#ifndef _WIN32
// A signal that ends the driver (a timeout's TERM, an interrupt) leaves no
// swap file behind, as the end of the file or quit does.
TEST_F(Driver, NoSwapFileIsLeftAtAnyEnd) {
    write("p.s19", "S105800020FE5C\nS9030000FC\n");
    write("t.in", "u $pc = 0x8000\ng\n");
    write("q.in", "quit\n");
    auto swapfiles = [&] {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".vyr") ++n;
        return n;
    };
    const std::string temp = "TEMP='" + dir.string() + "' ";
    const std::string driver = "'" + program() + "'";
    for (const char* signal : {"TERM", "INT", "HUP"}) {
        SCOPED_TRACE(signal);
        std::string command = "cd '" + dir.string() + "' && { " + temp + driver + " t.in p.s19 >/dev/null 2>&1 & " +
                              "sleep 0.5; kill -" + signal + " $!; wait $!; } 2>/dev/null";
        std::system(command.c_str());
        EXPECT_EQ(swapfiles(), 0);
    }
    std::string command = "cd '" + dir.string() + "' && " + temp + driver + " q.in >/dev/null 2>&1";
    std::system(command.c_str());
    write("w.in", "while (1) x 1\n");   // writes until the pipe closes
    command = "cd '" + dir.string() + "' && " + temp + driver + " w.in 2>&1 | head -c 1 >/dev/null";
    std::system(command.c_str());
    EXPECT_EQ(swapfiles(), 0);
}
#endif

TEST_F(Driver, ScriptFileChannels) {
    const std::vector<Driver::Case> cases = {
        {"write, close and the file's text",
         {{"t.in", "fopen /C:1 o.txt\nfwrite /C:1 \"%d %x\\n\", 10, 255\nfclose 1\n"}},
         "fopen /C:1 o.txt\nfwrite /C:1 \"%d %x\\n\", 10, 255\nfclose 1\n",
         {{"o.txt", "10 ff\n"}}},
        {"a channel used twice",
         {{"t.in", "fopen /C:1 x\nfopen /C:1 x\nfclose 1\n"}},
         "fopen /C:1 x\nfopen /C:1 x\n#error: Channel 1 already used\nfclose 1\n"},
        {"an unknown channel", {{"t.in", "fclose 7\n"}}, "fclose 7\n#error: Unknown Channel:7\n"},
        {"formats of C",
         {{"t.in", "fopen /a/c:2 f.txt\nfwrite /c:2 \"[%5d|%-4d|%#o|%#x|%+d|%c|%%]\\n\", 42, 7, 8, 255, 3, 65\nfclose 2\n"}},
         "fopen /a/c:2 f.txt\nfwrite /c:2 \"[%5d|%-4d|%#o|%#x|%+d|%c|%%]\\n\", 42, 7, 8, 255, 3, 65\nfclose 2\n",
         {{"f.txt", "[   42|7   |010|0xff|+3|A|%]\n"}}},
        {"read a number into a debugger variable",
         {{"n.txt", "42"}, {"t.in", "fopen /C:1 n.txt\nfread /C:1 \"%d\", .v\nfclose 1\nx .v\n"}},
         "fopen /C:1 n.txt\nfread /C:1 \"%d\", .v\n    .v = 0 => 42\nfclose 1\nx .v\n    .v = 42\n"},
        // A text file of the platform: the Windows C library finds the
        // position of a text stream wrong after an LF-only line end.
        {"read on where the last read ended, then write",
#ifdef _WIN32
         {{"n.txt", "1 -2 ab\r\n"},
#else
         {{"n.txt", "1 -2 ab\n"},
#endif
          {"t.in", "fopen /c:1 n.txt\nfread /c:1 \"%d\", .a\nfread /c:1 \" %d %2c\", .b, .c, .d\n"
                   "fwrite /c:1 \"|%5.2f|%d\", 2.5, .a + .b + .c\nfclose 1\n"}},
         "fopen /c:1 n.txt\nfread /c:1 \"%d\", .a\n    .a = 0 => 1\nfread /c:1 \" %d %2c\", .b, .c, .d\n"
         "    .b = 0 => -2\n    .c = 0 => 97\n    .d = 0 => 98\nfwrite /c:1 \"|%5.2f|%d\", 2.5, .a + .b + .c\nfclose 1\n",
         {{"n.txt", "1 -2 ab| 2.50|96"}}},
        {"remove", {{"t.in", "remove f.txt\nremove f.txt\n"}},
         "remove f.txt\nremove f.txt\n#error: Can't remove file: f.txt\n"},
    };
    check(cases);
    EXPECT_FALSE(exists("f.txt"));
}

TEST_F(Driver, TheOlderCoreAtItsConsole) {
    const std::vector<Driver::Case> cases = {
        {"expressions", {{"t.in", "x 1|2+4; x 6&3<<1; x 3>2>1; x 5/0\n"}},
         "-> x 1|2+4; x 6&3<<1; x 3>2>1; x 5/0\n7\n4\n0\n#error: zero divide\n5\n"},
        {"a macro edited with the line editor",
         {{"t.in", "v f twice\na\nx \\1 x\n.\ns/1/1*2/\ns/x/&h/\ns/ x/&&/g\nq\ntwice 21\n"}},
         "-> v f twice\n[0]\n>a\n1 \tx \\1 x\n2 \t.\n>s/1/1*2/\n1 \tx \\1*2 x\n>s/x/&h/\n1 \txh \\1*2 x\n"
         ">s/ x/&&/g\n1 \txh \\1*2 x x\n>q\n"
         "-> twice 21\n0x2a\n"},
        {"a dump and its repetition",
         {{"t.in", "m 0x100 = 0x41, 0x42; d 0x100, #1\n\nq\ny\nx 1\n"}},
         "-> m 0x100 = 0x41, 0x42; d 0x100, #1\n"
         "0x0100   41 42 00 00 00 00 00 00 00 00 00 00 00 00 00 00   AB..............\n"
         "-> \n"
         "0x0110   00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   ................\n"
         "-> q\nare you sure ?y\n"},
        {"nothing ends the process",
         {{"t.in", "x " + std::string(100000, '(') + "\nrec = 1; v f rec\na rec\nq\nrec\nshift\nm\n"}},
         "-> x " + std::string(100000, '(') + "\n#error: stack overflow\n"
         "-> rec = 1; v f rec\n[0]\n>a rec\n>q\n"
         "-> rec\n#error: stack overflow\n"
         "-> shift\n#error: incorrect argument\n"
         "-> m\n0x0000: 0x00 = #error: no more input\n"},
    };
    check(cases, "-k ");
}

// Symbol events (a linker symbol without debug information) are written
// and read back too.
TEST_F(Driver, WrittenSymbolEventsReadBackToTheSameList) {
    write("s.s", "\txdef\t_main\n\txdef\ttick\n\tswitch\t.text\n\torg\t$8000\n_main:\tldaa\t#1\n"
                 "tick:\tinc\t$100\n\tbra\t_main\n");
#ifdef _WIN32
    std::string command = "cd /d \"" + dir.string() + "\" && \"" + vytest::binpath("ccasm") + "\" -a s.s >asm.txt 2>&1";
#else
    std::string command = "cd '" + dir.string() + "' && '" + vytest::binpath("ccasm") + "' -a s.s >asm.txt 2>&1";
#endif
    ASSERT_EQ(vytest::system(command), 0) << read("asm.txt");
    write("t.in", "b _main {x $a}\nw /C:3 tick\nb\nwrite ev.in\ndel *\ninput ev.in\nb\n");
    ASSERT_EQ(run("t.in s.o"), 0) << err;
    const std::string list = "(1)    at: _main (0x8000)  {x $a} (user) (count = 1, left = 1) (on)\n"
                             "(2)    at: tick (0x8002)(user) (count = 3, left = 3) (on)\n";
    EXPECT_NE(out.find("b\n" + list + "write ev.in"), std::string::npos) << out;
    EXPECT_TRUE(out.size() > list.size() && out.compare(out.size() - list.size() - 2, std::string::npos, "b\n" + list) == 0)
        << out;
    EXPECT_EQ(out.find("#error"), std::string::npos) << out;
    EXPECT_EQ(lf(read("ev.in")), "break _main {x $a}\nwatch /C:3 tick\n");
}

// write by parts; the log of record holds what was given, not the update
// commands that fread runs for its values.
TEST_F(Driver, WriteByPartsAndWhatTheLogLeavesOut) {
    const std::vector<Driver::Case> cases = {
        {"parts",
         {{"n.txt", "5\n"},
          {"t.in", "b .v {x 1}\nmonit /x $a\nrecord lg.txt\nwrite all.in\nwrite /e ev.in\nwrite /M mon.in\n"
                   "write /f fn.in\nfopen /C:1 n.txt\nfread /C:1 \"%d\", .z\nfclose 1\nrecord\n"}},
         "b .v {x 1}\n(1)  .v   {x 1} (user) (count = 1, left = 1) (on)\nmonit /x $a\nrecord lg.txt\nwrite all.in\n"
         "write /e ev.in\nwrite /M mon.in\nwrite /f fn.in\nfopen /C:1 n.txt\nfread /C:1 \"%d\", .z\n"
         "    .z = 0 => 5\nfclose 1\nrecord\n",
         {{"all.in", "break .v {x 1}\nmonit /x $a\n"},
          {"ev.in", "break .v {x 1}\n"},
          {"mon.in", "monit /x $a\n"},
          {"fn.in", ""},
          {"lg.txt", "write all.in\nwrite /e ev.in\nwrite /M mon.in\nwrite /f fn.in\nfopen /C:1 n.txt\n"
                     "fread /C:1 \"%d\", .z\nfclose 1\nrecord\n"}}},
    };
    check(cases);
}

}  // namespace
