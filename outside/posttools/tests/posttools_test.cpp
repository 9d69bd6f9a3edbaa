// The stand-ins of the post-link tools and of "analyzer": what they make of
// a linked program, their one error line for a program they cannot read,
// and the browse file made by ccparse.
#include <filesystem>
#include <regex>

#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;

// The memory lines of vyrsim's output ("8000  8E 7F ..."), without the
// load's own lines.
std::string memory_lines(const std::string& out) {
    std::string lines;
    std::regex line("^[0-9A-F]{4}  .*$", std::regex::multiline);
    for (auto m = std::sregex_iterator(out.begin(), out.end(), line); m != std::sregex_iterator(); ++m)
        lines += m->str() + "\n";
    return lines;
}

// A C program of two functions with its debug information, linked by the
// compile driver.
class PostTools : public OutsideTest {
protected:
    // Linked once for the suite, in the folder the tests start in.
    static std::filesystem::path cached() { return std::filesystem::current_path() / "posttools-prog.h11"; }
    static void SetUpTestSuite() { std::filesystem::remove(cached()); }

    void SetUp() override {
        std::filesystem::path cache = cached();
        OutsideTest::SetUp();
        write("prog.c", "int square(int x)\n{\n    return x * x;\n}\n\nint main(void)\n{\n    return square(3);\n}\n");
        if (std::filesystem::exists(cache)) {
            std::filesystem::copy_file(cache, "prog.h11");
        } else {
            ToolRun r = run_tool("cc11", "-x -link -o prog.h11 prog.c");
            ASSERT_EQ(r.status, 0) << r.err;
            std::filesystem::copy_file("prog.h11", cache);
        }
        ASSERT_TRUE(program.read(read_bytes("prog.h11")));
    }
    Program program;

    // The sections that are loaded: with bytes in the file, the debug section aside.
    std::vector<const objfile::Section*> loaded() const {
        std::vector<const objfile::Section*> out;
        for (const objfile::Section& s : program.obj.sections)
            if (!(s.attr & objfile::SEC_BSS) && !s.data.empty() && s.name != ".debug") out.push_back(&s);
        return out;
    }
};

// A program that is missing, empty or damaged: one error line naming it,
// status 1 and no output.
TEST_F(PostTools, AProgramThatCannotBeReadGivesOneErrorLine) {
    std::vector<uint8_t> cut = read_bytes("prog.h11");
    cut.resize(40);
    write_bytes("cut.h11", cut);
    write("empty.h11", "");
    write("text.h11", "not a program\n");
    // Every tool on a damaged program; the one reader's other cases through pirn.
    const std::pair<const char*, const char*> runs[] = {
        {"tesk", "cut.h11"},  {"pirn", "cut.h11"},   {"dremo", "cut.h11"},   {"norvik", "cut.h11"},
        {"tovan", "cut.h11"}, {"pirn", "empty.h11"}, {"pirn", "missing.h11"}, {"dremo", "text.h11"},
    };
    for (const auto& [tool, file] : runs) {
        {
            SCOPED_TRACE(std::string(tool) + " " + file);
            ToolRun r = run_tool(tool, std::string("-o out.txt ") + file);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(std::regex_match(r.err, std::regex(std::string("#error ") + tool + " " +
                                                           std::regex_replace(file, std::regex("\\."), "\\.") +
                                                           ":0 [^\n]+\n")))
                << r.err;
            EXPECT_FALSE(exists("out.txt"));
        }
    }
}

TEST_F(PostTools, OptionsAsThePassesTakeThem) {
    ToolRun r = run_tool("pirn", "-help");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("usage: pirn [options] program"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("-n*> section to convert"), std::string::npos) << r.err;
    // -oNAME and -o NAME alike.
    EXPECT_EQ(run_tool("tesk", "-orep1.txt prog.h11").status, 0);
    EXPECT_EQ(run_tool("tesk", "-o rep2.txt prog.h11").status, 0);
    EXPECT_EQ(read("rep1.txt"), read("rep2.txt"));
    EXPECT_EQ(run_tool("pirn", "-q prog.h11").status, 1);
}

TEST_F(PostTools, TeskNamesEverySectionAndFunction) {
    ASSERT_EQ(run_tool("tesk", "-o  TESK.TMP  \"prog.h11\"").status, 0);
    std::string report = lf_lines(read("TESK.TMP"));
    for (const objfile::Section& s : program.obj.sections)
        EXPECT_TRUE(std::regex_search(report, std::regex("\nsection [0-9]+ \\" + s.name + " "))) << s.name;
    for (const char* f : {"square", "main", "__stext"})
        EXPECT_TRUE(std::regex_search(report, std::regex(std::string("\nsymbol [0-9]+ _?") + f + " "))) << f;
    // Only the parts chosen.
    ASSERT_EQ(run_tool("tesk", "-h -y -o part.txt prog.h11").status, 0);
    std::string part = lf_lines(read("part.txt"));
    EXPECT_NE(part.find("\nheader: "), std::string::npos);
    EXPECT_NE(part.find("\nsymbol "), std::string::npos);
    EXPECT_EQ(part.find("\nsection "), std::string::npos);
    EXPECT_EQ(part.find("\ndebug "), std::string::npos);
}

TEST_F(PostTools, DremoNamesFilesAndFunctions) {
    ASSERT_EQ(run_tool("dremo", "-oDREMO.TMP \"prog.h11\"").status, 0);
    std::string report = lf_lines(read("DREMO.TMP"));
    EXPECT_NE(report.find("\nfile prog.c lines "), std::string::npos) << report;
    EXPECT_TRUE(std::regex_search(report, std::regex("\n  function square at 0x[0-9a-f]+ .*square\\(int +x\\) lines 1-")))
        << report;
    EXPECT_TRUE(std::regex_search(report, std::regex("\n  function main at 0x[0-9a-f]+ .*main\\(\\) lines 6-")))
        << report;
    ASSERT_EQ(run_tool("dremo", "-fl\"prog.c\" -fcmain -o \"only.txt\" \"prog.h11\"").status, 0);
    std::string only = lf_lines(read("only.txt"));
    EXPECT_NE(only.find("function main"), std::string::npos);
    EXPECT_EQ(only.find("function square"), std::string::npos);
    ASSERT_EQ(run_tool("dremo", "-fl other.c -o none.txt prog.h11").status, 0);
    EXPECT_EQ(read("none.txt").find("file "), std::string::npos);
}

// pirn's three formats, read back by the debugger's loaders: the bytes of
// every loaded section, and nothing of the debug section.
TEST_F(PostTools, PirnFormatsHoldTheLoadedSections) {
    struct Format {
        const char* option;
        const char* file;
        const char* first;
    } formats[] = {{"-fm", "prog.s19", "S0"}, {"-f2", "prog.s28", "S0"}, {"-fi", "prog.hex", ":"}};
    std::string where;
    for (const objfile::Section* s : loaded()) {
        char mem[32];
        std::snprintf(mem, sizeof mem, " mem=0x%x,%zu", s->start, s->data.size());
        where += mem;
    }
    std::string expected = memory_lines(run_tool("vyrsim", "prog.h11" + where).out);
    EXPECT_NE(expected, "");
    for (const Format& f : formats) {
        SCOPED_TRACE(f.option);
        ASSERT_EQ(run_tool("pirn", std::string(f.option) + " -o " + f.file + " prog.h11").status, 0);
        EXPECT_EQ(read(f.file).rfind(f.first, 0), 0u);
        ToolRun hex = run_tool("vyrsim", f.file + where);
        EXPECT_EQ(hex.status, 0) << hex.err;
        EXPECT_EQ(memory_lines(hex.out), expected);
    }
    // One section alone, in records of 4 bytes.
    ASSERT_EQ(run_tool("pirn", "-fm -h -n text -m 4 -o text.s19 prog.h11").status, 0);
    std::string text = lf_lines(read("text.s19"));
    EXPECT_EQ(text.rfind("S107800", 0), 0u) << text;
    EXPECT_EQ(text.find("S1\n"), std::string::npos);
    EXPECT_EQ(text.find("S105FFFE"), std::string::npos);
    // The program's bytes do not fit S1 addresses once biased.
    ToolRun beyond = run_tool("pirn", "-fm -b 0x10000 -o far.s19 prog.h11");
    EXPECT_EQ(beyond.status, 1);
    EXPECT_FALSE(exists("far.s19"));
}

#ifndef _WIN32
// srecord reads the three formats, and finds in them the sections' bytes.
TEST_F(PostTools, PirnFormatsPassSrecord) {
    if (std::system("srec_info --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no srecord";
    std::string inputs;
    for (const objfile::Section* s : loaded()) {
        std::string bin = s->name.substr(1) + ".bin";
        write_bytes(bin, s->data);
        char offset[32];
        std::snprintf(offset, sizeof offset, "0x%x", s->start);
        inputs += " " + bin + " -binary -offset " + offset;
    }
    ASSERT_EQ(std::system(("srec_cat" + inputs + " -o expected.s19 >/dev/null 2>&1").c_str()), 0);
    for (const char* f : {"-fm:prog.s19:", "-f2:prog.s28:", "-fi:prog.hex:-intel"}) {
        std::string spec = f;
        std::string option = spec.substr(0, 3), file = spec.substr(4, 8), kind = spec.substr(13);
        SCOPED_TRACE(option);
        ASSERT_EQ(run_tool("pirn", option + " -e 0x8000 -o " + file + " prog.h11").status, 0);
        EXPECT_EQ(std::system(("srec_info " + file + " " + kind + " >info.txt 2>&1").c_str()), 0) << read("info.txt");
        EXPECT_EQ(read("info.txt").find("warning"), std::string::npos) << read("info.txt");
        EXPECT_EQ(std::system(("srec_cmp " + file + " " + kind + " expected.s19 >cmp.txt 2>&1").c_str()), 0)
            << read("cmp.txt");
    }
}
#endif

TEST_F(PostTools, NorvikAndTovanCheckTheProgram) {
    EXPECT_EQ(run_tool("norvik", "-a -v -l -pn -cllist -r.ls -s.la \"prog.h11\"").status, 0);
    ToolRun r = run_tool("tovan", "-v +V4 +old +page2 +dpage -rb -o \"p.695\" \"prog.h11\"");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(read("p.695").find("section 1 .text"), std::string::npos);
    EXPECT_EQ(run_tool("tovan", "prog.h11").status, 0);
    EXPECT_TRUE(exists("prog.695"));
}

// analyzer writes what ccparse -x writes; a syntax error leaves no file.
TEST_F(PostTools, AnalyzerWritesTheBrowseFileOfTheFrontEnd) {
    std::filesystem::create_directory("inc");
    write("inc/defs.h", "struct point { int x, y; };\n");
    write("main.c", "#include \"defs.h\"\nstruct point origin;\nint area(struct point *p) { return p->x * p->y; }\n");
    ToolRun a = run_tool("analyzer", "-iinc -x -omain.sbr main.c");
    ASSERT_EQ(a.status, 0) << a.err;
    ToolRun c = run_tool("ccparse", "-x -iinc -o ref.sbr main.c");
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(read("main.sbr"), read("ref.sbr"));
    EXPECT_EQ(static_cast<uint8_t>(read("main.sbr")[0]), 0xCB);

    write("bad.c", "int a\nint b;\n");
    write("bad.sbr", "an older browse file");
    ToolRun bad = run_tool("analyzer", "-i inc -x -o bad.sbr bad.c");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("#error ccparse bad.c:2"), std::string::npos) << bad.err;
    EXPECT_FALSE(exists("bad.sbr"));
}

}  // namespace
