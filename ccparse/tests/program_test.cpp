// The ccparse program itself, started as a process: its name from argv[0]
// (a path and ".exe" under Windows), its texts and exit statuses, and (on
// POSIX) the console interrupt.
#include "ccparse/tests/front_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/tests/test_system.h"

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string program() {
#ifdef _WIN32
    std::string path = std::string("Z:") + VY_BIN_DIR + "/ccparse.exe";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
#else
    return std::string(VY_BIN_DIR) + "/ccparse";
#endif
}

// Runs ccparse with `args` in `dir`; returns its exit status and what it wrote.
int run(const vytest::TempDir& dir, const std::string& args, std::string& out, std::string& err) {
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
    out = vytest::lf_lines(dir.read("out.txt"));
    err = vytest::lf_lines(dir.read("err.txt"));
    return status;
}

TEST(Program, TextsAndStatuses) {
    vytest::TempDir dir;
    dir.write("t.c", "#define A 1\nint x = A;\n");
    dir.write("ok.c", "#define A 1\nint x; A\n");
    std::string out, err;
    EXPECT_EQ(run(dir, "", out, err), 1);
    EXPECT_EQ(err.substr(0, 76), "Talvex Software 68HC11 C Cross Compiler V4.3k\nusage: ccparse [options] file\n");
    EXPECT_EQ(run(dir, "-vers", out, err), 1);
    EXPECT_EQ(err, "Talvex Software 68HC11 C Cross Compiler V4.3k - 03 Jan 2002 - Win32\n");
    EXPECT_EQ(run(dir, "-zz t.c", out, err), 1);
    EXPECT_EQ(err, "ccparse: unknown option -zz\n");
    EXPECT_EQ(run(dir, "+q t.c", out, err), 1);
    EXPECT_EQ(err, "ccparse: unknown option +q\n");
    EXPECT_EQ(run(dir, "-m12k t.c", out, err), 1);
    EXPECT_EQ(err, "invalid number: 12k\n");
    std::string defines;
    for (int i = 0; i < 61; ++i) defines += " -dN" + std::to_string(i);
    EXPECT_EQ(run(dir, defines + " t.c", out, err), 1);
    EXPECT_EQ(err, "argument list overflow\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(run(dir, "-e ok.c", out, err), 0);
    EXPECT_EQ(vytest::squeeze(out), "int x; 1");
    EXPECT_EQ(run(dir, "-o t.ir -sa ok.c", out, err), 1);
    EXPECT_EQ(err, "#error ccparse ok.c:2(7) missing name in declaration\n");
    EXPECT_FALSE(dir.exists("t.ir"));
}

#ifndef _WIN32
TEST(Program, InterruptRemovesTheOutputAndEndsWithStatus2) {
    vytest::TempDir dir;
    std::string fifo = dir.file("source.c");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(99);
        execl(program().c_str(), "ccparse", "-o", "out.ir", "source.c", static_cast<char*>(nullptr));
        _exit(98);
    }
    // Feed a first line, wait until the output exists, then interrupt.
    int fd = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "int x;\n", 7), 7);
    for (int i = 0; i < 200 && !dir.exists("out.ir"); ++i) usleep(10000);
    EXPECT_TRUE(dir.exists("out.ir"));
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_FALSE(dir.exists("out.ir"));
}

TEST(Program, FailedWriteIsAnError) {
    // A file-size limit makes the writes fail (SIGXFSZ ignored, so they return an error).
    vytest::TempDir dir;
    std::string source;
    for (int i = 0; i < 400; ++i) source += "int variable_number_" + std::to_string(i) + ";\n";
    dir.write("t.c", source);
    std::string out, err;
    int status = run(dir, "-o t.ir t.c", out, err);
    ASSERT_EQ(status, 0) << err;
    std::string command = "cd '" + dir.path().string() + "' && sh -c \"trap '' XFSZ; ulimit -f 2; exec '" +
                          program() + "' -o small.ir t.c\" 2>err2.txt";
    int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(dir.read("err2.txt"), "#error ccparse t.c:0 can't write small.ir\n");
    EXPECT_FALSE(dir.exists("small.ir"));
}
#endif

}  // namespace
