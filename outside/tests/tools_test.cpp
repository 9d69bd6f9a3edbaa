// The programs lomar and lomlib themselves: command lines, files written,
// error files and exit statuses.
#include <filesystem>

#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;

class Tools : public OutsideTest {
protected:
    void SetUp() override {
        OutsideTest::SetUp();
        assemble("a", "\txdef\t_main\n\txref\t_f\n_main:\tjsr\t_f\n\trts\n");
        assemble("b", "\txdef\t_f\n_f:\trts\n");
        assemble("c", "\txdef\t_f, _g\n_f:\tnop\n_g:\trts\n");
        write("ok.lkf", "+seg .text -b0x8000\na.o\nb.o\n");
        write("bad.lkf", "+seg .text -b0x8000\na.o\n");
    }
};

TEST_F(Tools, LomarWritesTheProgramAndTheMap) {
    ToolRun r = run_tool("lomar", "-m ok.map ok.lkf");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Program p;
    ASSERT_TRUE(p.read(read_bytes("ok.h11")));
    EXPECT_EQ(p.word(0x8001), 0x8004u);
    std::string map = lf_lines(read("ok.map"));
    EXPECT_NE(map.find("Segments:\n  .text           8000-8004  5       .text\n"), std::string::npos) << map;
    EXPECT_NE(map.find("  8004  _f                       b.o\n"), std::string::npos) << map;

    // the object dump reads the program: one section, no relocations
    ToolRun dump = run_tool("objdump11", "ok.h11");
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_NE(dump.out.find("section 1 .text attr 0x92 (hilo,abs,code) size 5 start 0x8000 data @0x44 reloc @0x49 (0 bytes)\n"
                            "  0000: bd 80 04 39 39\n"),
              std::string::npos)
        << dump.out;

    r = run_tool("lomar", "-v -bs14 -o other.x ok.lkf");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "reading a.o\nreading b.o\n");
    EXPECT_EQ(read("other.x"), read("ok.h11"));
}

TEST_F(Tools, LomarErrorsLeaveNoProgram) {
    ToolRun r = run_tool("lomar", "bad.lkf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "#error lomar a.o:0 symbol _f not defined\n");
    EXPECT_FALSE(exists("bad.h11"));

    // with an error file: the lines go there, the console names it
    r = run_tool("lomar", "-e errors.txt bad.lkf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "errors reported in errors.txt\n");
    EXPECT_EQ(lf_lines(read("errors.txt")), "#error lomar a.o:0 symbol _f not defined\n");
    r = run_tool("lomar", "-e errors.txt ok.lkf");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(exists("errors.txt"));

    EXPECT_EQ(run_tool("lomar", "-o a.o ok.lkf").err, "#error lomar ok.lkf:2 the program would overwrite a.o\n");
    r = run_tool("lomar", "-m out.h11 -o out.h11 ok.lkf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "#error lomar ok.lkf:0 the map would overwrite the program out.h11\n");
    EXPECT_FALSE(exists("out.h11"));
    EXPECT_EQ(run_tool("lomar", "-bs3000 ok.lkf").err, "#error lomar ok.lkf:0 bad bank size 3000\n");
    EXPECT_EQ(run_tool("lomar", "missing.lkf").err, "#error lomar missing.lkf:0 can't open missing.lkf\n");
    // a damaged object
    std::vector<uint8_t> cut = read_bytes("a.o");
    cut.resize(40);
    write_bytes("cut.o", cut);
    write("cut.lkf", "+seg .text -b0x8000\ncut.o\nb.o\n");
    r = run_tool("lomar", "cut.lkf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "#error lomar cut.o:0 short section record 1\n");
    EXPECT_FALSE(exists("cut.h11"));
    r = run_tool("lomar", "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("usage: lomar [options] file.lkf\n"), std::string::npos) << r.err;
}

// A member's name is one line in a listing, whatever bytes a damaged
// library holds, and a name with a control byte is never added.
TEST_F(Tools, LomlibMemberNamesStayOneLine) {
    ASSERT_EQ(run_tool("lomlib", "-r my.lib a.o b.o").status, 0);
    std::vector<uint8_t> lib = read_bytes("my.lib");
    ASSERT_EQ(lib[16], 3);   // the first entry's name length, then "a.o"
    lib[18] = '\n';
    write_bytes("my.lib", lib);
    EXPECT_EQ(run_tool("lomlib", "-t my.lib").out, "a\\x0ao\nb.o\n");
    EXPECT_EQ(run_tool("lomlib", "-t -v my.lib").out, "a\\x0ao: _main\nb.o: _f\n");
#ifndef _WIN32
    std::filesystem::copy_file("b.o", "bad\nname.o");
    ToolRun r = run_tool("lomlib", "-r new.lib 'bad\nname.o'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "#error lomlib bad\\x0aname.o:0 member name bad\\x0aname.o holds a control character\n");
    EXPECT_FALSE(exists("new.lib"));
#endif
}

TEST_F(Tools, LomarFindsLibrariesInTheLibraryPath) {
    std::filesystem::create_directories("libs");
    ASSERT_EQ(run_tool("lomlib", "-r libs/f.lib b.o").status, 0);
    write("lib.lkf", "+seg .text -b0\na.o\nf.lib\n");
    EXPECT_EQ(run_tool("lomar", "lib.lkf").status, 1);
    ToolRun r = run_tool("lomar", "-l libs lib.lkf");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(Tools, LomlibBuildsListsEditsAndExtracts) {
    ToolRun r = run_tool("lomlib", "-r my.lib a.o b.o");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(run_tool("lomlib", "-t my.lib").out, "a.o\nb.o\n");
    EXPECT_EQ(run_tool("lomlib", "-t -v my.lib").out, "a.o: _main\nb.o: _f\n");

    // replacing keeps the member's place; a new member goes last
    std::filesystem::create_directories("new");
    std::filesystem::copy_file("c.o", "new/b.o");
    ASSERT_EQ(run_tool("lomlib", "new/b.o my.lib").status, 1);  // the library comes first
    ASSERT_EQ(run_tool("lomlib", "my.lib new/b.o").status, 0);
    std::string listing = run_tool("lomlib", "-t -v my.lib").out;
    EXPECT_TRUE(listing == "a.o: _main\nb.o: _f _g\n" || listing == "a.o: _main\nb.o: _g _f\n") << listing;

    // two members may not define one symbol: the library stays as it was
    std::filesystem::copy_file("b.o", "d.o");
    std::vector<uint8_t> before = read_bytes("my.lib");
    r = run_tool("lomlib", "-r my.lib d.o");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "#error lomlib my.lib:0 symbol _f defined in b.o and d.o\n");
    EXPECT_EQ(read_bytes("my.lib"), before);
    r = run_tool("lomlib", "-r my.lib ok.lkf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_bytes("my.lib"), before);

    EXPECT_EQ(run_tool("lomlib", "-d my.lib a.o").status, 0);
    EXPECT_EQ(run_tool("lomlib", "-t my.lib").out, "b.o\n");
    EXPECT_EQ(run_tool("lomlib", "-d my.lib a.o").err, "#error lomlib my.lib:0 no member a.o\n");

    std::filesystem::create_directories("out");
    std::filesystem::current_path("out");
    EXPECT_EQ(run_tool("lomlib", "-x ../my.lib").status, 0);
    EXPECT_EQ(read_bytes("b.o"), read_bytes("../c.o"));
    std::filesystem::current_path("..");

    EXPECT_EQ(run_tool("lomlib", "-t ok.lkf").err, "#error lomlib ok.lkf:0 not a library\n");
    EXPECT_EQ(run_tool("lomlib", "-t -d my.lib").err, "#error lomlib my.lib:0 choose one of -r, -d, -t, -x\n");
}

}  // namespace
