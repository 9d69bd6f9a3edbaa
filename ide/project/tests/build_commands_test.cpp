// The command lines of a build, piece by piece.
#include "ide/project/build_commands.h"
#include "ide/project/paths.h"
#include "project_fixture.h"

namespace {

using vesk::ProjectRecord;

class BuildCommandsTest : public vesk_test::ProjectFixture {
protected:
    ProjectRecord p;
    void SetUp() override {
        ProjectFixture::SetUp();
        p.Compiler.Cmd = "cc11 -x";
        p.Assembler.Cmd = "ccasm";
        vesk::linksettings(p);
    }
};

TEST_F(BuildCommandsTest, SourceCommands) {
    vesk::ProjectFile f;
    f.FileName = "main.c";
    p.IncPath = "a;b";
    EXPECT_EQ(vesk::SourceCommand(p, &f, "main.c", vesk::KIND_C), "cc11 -x -i\"a\" -i\"b\" \"main.c\"");
    p.IncPath = "a;";
    p.Compiler.UserFlags = "+p-ck";
    p.Defines = {"A", "B=2"};
    EXPECT_EQ(vesk::SourceCommand(p, &f, "main.c", vesk::KIND_C), "cc11 -x -i\"a\" +p-ck -dA -dB=2 \"main.c\"");
    // The file's own options replace the project's.
    f.UserFlags = "-v";
    f.Defines = {"C"};
    f.CompCmd = "mycc";
    EXPECT_EQ(vesk::SourceCommand(p, &f, "main.c", vesk::KIND_C), "mycc -i\"a\" -v -dC \"main.c\"");
    p.IncPath = "a;;b|c";
    EXPECT_EQ(vesk::SourceCommand(p, nullptr, "x.s", vesk::KIND_ASM),
              "ccasm -i\"a\" -i\"\" -i\"b\" -i\"c\" -dA -dB=2 \"x.s\"");
    // A file of another kind takes the assembler's command without options.
    p.Assembler.UserFlags = "-l";
    p.IncPath.clear();
    EXPECT_EQ(vesk::SourceCommand(p, nullptr, "x.lkf", vesk::KIND_LINK), "ccasm -dA -dB=2 \"x.lkf\"");
    EXPECT_EQ(vesk::SourceCommand(p, nullptr, "x.s", vesk::KIND_ASM), "ccasm -l -dA -dB=2 \"x.s\"");
}

TEST_F(BuildCommandsTest, LinkCommands) {
    vesk::LinkSettings& s = vesk::linksettings(p);
    s.InCmd = "prog.lkf";
    EXPECT_EQ(vesk::LinkCommand(p, vesk::BankForm::bits), "lomar \"prog.lkf\"");
    s = {1, 1, 1, 1, 16384, "prog.h11", "prog.lkf", "prog.map", "prog.err", "rt11.lib", "lib;c:\\x"};
    EXPECT_EQ(vesk::LinkCommand(p, vesk::BankForm::bits),
              "lomar -v -s -p -bs14 -o \"prog.h11\" -m \"prog.map\" -e \"prog.err\" -l\"lib\" -l\"c:\\x\" \"prog.lkf\"");
    EXPECT_EQ(vesk::LinkCommand(p, vesk::BankForm::decimal),
              "lomar -v -s -p -bs16384 -o \"prog.h11\" -m \"prog.map\" -e \"prog.err\" -l\"lib\" -l\"c:\\x\" \"prog.lkf\"");
    s.BankSize = 0;
    EXPECT_EQ(vesk::LinkCommand(p, vesk::BankForm::bits).substr(0, 18), "lomar -v -s -p -bs");
}

TEST_F(BuildCommandsTest, PostLinkCommands) {
    vesk::ToolBlock tesk;
    EXPECT_EQ(vesk::TeskCommand("prog.h11", tesk), "tesk -o  TESK.TMP  \"prog.h11\"");
    tesk.Cmd = "tesk -h -s";
    tesk.OutputFile = "rep.txt";
    EXPECT_EQ(vesk::TeskCommand("prog.h11", tesk), "tesk -h -s -o \"rep.txt\" \"prog.h11\"");

    EXPECT_EQ(vesk::PirnCommand("prog.h11", nullptr), "pirn -o PIRN.TMP \"prog.h11\"");
    vesk::PirnOptions pirn{'i', 1, 'n', 1, "0x8000", "2", "0x8000", "16", "HDR", "", {"text", "const"}};
    EXPECT_EQ(vesk::PirnCommand("prog.h11", &pirn),
              "pirn -a0x8000 -fi -h -pn -s -b2 -e0x8000 -m16 +hHDR -ntext -nconst -o PIRN.TMP \"prog.h11\"");
    pirn = {'m', 0, 's', 0, "", "", "", "", "", "out.s19", {}};
    EXPECT_EQ(vesk::PirnCommand("prog.h11", &pirn), "pirn -fm -p -o \"out.s19\" \"prog.h11\"");

    EXPECT_EQ(vesk::NorvikCommand("prog.h11", nullptr), "norvik \"prog.h11\"");
    vesk::NorvikOptions norvik{1, 1, 1, 3, ".ls", ".la", "list"};
    EXPECT_EQ(vesk::NorvikCommand("prog.h11", &norvik), "norvik -a -v -l -pn -cllist -r.ls -s.la \"prog.h11\"");

    EXPECT_EQ(vesk::DremoCommand("prog.h11", nullptr), "dremo -oDREMO.TMP \"prog.h11\"");
    vesk::DremoOptions dremo{"", {"main.c", "util.c"}, {"main"}};
    EXPECT_EQ(vesk::DremoCommand("prog.h11", &dremo),
              "dremo -fl\"main.c\" -fl\"util.c\" -fcmain -o DREMO.TMP \"prog.h11\"");

    EXPECT_EQ(vesk::TovanCommand("prog.h11", nullptr), "tovan \"prog.h11\"");
    vesk::TovanOptions tovan{1, 1, 2, 1, 1, 1, "p.695", "small"};
    EXPECT_EQ(vesk::TovanCommand("prog.h11", &tovan), "tovan -v +V4 +old +page2 +dpage -rb -o \"p.695\" \"prog.h11\"");
}

TEST_F(BuildCommandsTest, DebuggerLaunch) {
    p.Debug = {"c:\\tools\\vyrdbg", ""};
    p.Debug1 = {"vyrdbg", "-s last"};
    EXPECT_EQ(vesk::DebuggerDirectory(p, 0), "c:\\tools");
    EXPECT_EQ(vesk::DebuggerCommand(p, 0), "c:\\tools\\vyrdbg ");
    EXPECT_EQ(vesk::DebuggerCommand(p, 1), "vyrdbg -s last");
    EXPECT_EQ(vesk::DebuggerDirectory(p, 1), "vyrdbg");
    p.ExecName = "prog.h11";
    EXPECT_EQ(vesk::DebuggerCommand(p, 0), "c:\\tools\\vyrdbg  prog.h11");
    p.Directory = "c:\\work";
    EXPECT_EQ(vesk::DebuggerCommand(p, 1), std::string("vyrdbg -s last c:\\work") + vesk::PATH_SEPARATOR + "prog.h11");
    p.Directory = "c:\\work\\";
    EXPECT_EQ(vesk::DebuggerCommand(p, 1), "vyrdbg -s last c:\\work\\prog.h11");
    p.ExecName = "d:\\out\\prog.h11";
    EXPECT_EQ(vesk::DebuggerCommand(p, 1), "vyrdbg -s last d:\\out\\prog.h11");
}

// Lines grow with their pieces: nothing is cut.
TEST_F(BuildCommandsTest, LongLinesAreWhole) {
    std::string paths, expected = "cc11 -x";
    for (int i = 0; paths.size() < 5000; ++i) {
        std::string dir = "directory" + std::to_string(i);
        paths += (paths.empty() ? "" : ";") + dir;
        expected += " -i\"" + dir + "\"";
    }
    p.IncPath = paths;
    EXPECT_EQ(vesk::SourceCommand(p, nullptr, "main.c", vesk::KIND_C), expected + " \"main.c\"");
}

}  // namespace
