// The command line of vyrdbg: a session to restore and a program to load.
#include <gtest/gtest.h>

#include "debugger/frame/shell_escape.h"
#include "debugger/frame/startup_options.h"

namespace vy {
namespace {

TEST(CommandLine, SessionAndProgram) {
    struct Case {
        const char* line;
        bool illegal;
        const char* session;
        const char* rest;
    };
    for (const Case& c : {
             Case{"", false, "", ""},
             Case{"  prog.h11  ", false, "", "prog.h11"},
             Case{"-s work prog.h11", false, "session /l work", "prog.h11"},
             Case{"-s   work", false, "session /l work", ""},
             Case{"-s \"my work\"  prog.h11", false, "session /l my work", "prog.h11"},
             Case{"-s \"unended", false, "session /l unended", ""},
             Case{"-swork prog", false, "session /l work", "prog"},
             Case{"-x", true, "", ""},
             Case{"-x prog.h11", true, "", ""},
             Case{"-S work", true, "", ""},
         }) {
        StartupOptions o = parsecommandline(c.line);
        EXPECT_EQ(o.illegal, c.illegal) << c.line;
        EXPECT_EQ(o.session, c.session) << c.line;
        EXPECT_EQ(o.rest, c.rest) << c.line;
    }
}

TEST(ShellEscape, TheInterpreterWithTheLine) {
    std::string line;
    EXPECT_TRUE(shellcommandline("C:\\windows\\system32\\cmd.exe", "dir /w", line));
    EXPECT_EQ(line, "C:\\windows\\system32\\cmd.exe /C dir /w");
    EXPECT_TRUE(shellcommandline("cmd.exe", "", line));
    EXPECT_EQ(line, "cmd.exe");
    EXPECT_FALSE(shellcommandline("cmd.exe", std::string(600, 'x').c_str(), line)) << "longer than the buffer";
}

TEST(ShellEscape, FailureTexts) {
    EXPECT_STREQ(startfailuretext(0), "System Out of Memory or Corrupt file");
    EXPECT_STREQ(startfailuretext(2), "File not Found");
    EXPECT_STREQ(startfailuretext(21), "Application requires Windows 32-bit extensions");
    EXPECT_STREQ(startfailuretext(1), "");
    EXPECT_STREQ(startfailuretext(31), "");
    EXPECT_STREQ(startfailuretext(32), "");
}

}  // namespace
}  // namespace vy
