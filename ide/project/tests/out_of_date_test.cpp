// The out-of-date test, the include scans, the dependency tree and the
// ".dep" listing.
#include <cstdlib>
#include <set>
#include <sstream>

#include "ide/project/out_of_date.h"
#include "ide/project/paths.h"
#include "project_fixture.h"
#include "support/tests/test_system.h"

namespace {

using vesk::DependencyNode;

std::string sep(std::string text) {
    for (char& c : text)
        if (c == '/') c = vesk::PATH_SEPARATOR;
    return text;
}

class OutOfDateTest : public vesk_test::ProjectFixture {
protected:
    vesk::ProjectRecord* p = nullptr;
    void SetUp() override {
        ProjectFixture::SetUp();
        p = open_project();
    }
    vesk::ProjectFile& add(const std::string& name) { return add_file(*p, name); }
    // A source and its object, the object 50 seconds newer.
    vesk::ProjectFile& built(const std::string& name, const std::string& text) {
        write(name, text);
        stamp(name, -100);
        std::string object = name.substr(0, name.rfind('.')) + ".o";
        stamp(object, -50);
        return add(name);
    }
    static std::string tree(const std::vector<DependencyNode>& nodes, int depth = 0) {
        std::string out;
        for (const DependencyNode& n : nodes) out += std::string(2 * depth, ' ') + n.text + "\n" + tree(n.children, depth + 1);
        return out;
    }
};

TEST_F(OutOfDateTest, ObjectNames) {
    EXPECT_EQ(vesk::objectname("a.c"), std::nullopt);
    write("a.o", "");
    EXPECT_EQ(vesk::objectname("a.c"), "a.o");
    std::filesystem::create_directories("d.x/obj");
    write("d.x/name.o", "");
    EXPECT_EQ(vesk::objectname("d.x/name"), "d.x/name.o");
    write("d.x/obj/b.o", "");
    EXPECT_EQ(vesk::objectname("d.x/b.s"), std::nullopt);
    vesk::shared.ObjectPath = "nowhere;d.x/obj";
    EXPECT_EQ(vesk::objectname("d.x/b.s"), std::string("d.x/obj") + vesk::PATH_SEPARATOR + "b.o");
    EXPECT_EQ(vesk::objectname("c:\\zz.s"), std::nullopt);
    // The name without its directory is looked for along the path.
    EXPECT_EQ(vesk::objectname("c:\\src\\b.s"), std::string("d.x/obj") + vesk::PATH_SEPARATOR + "b.o");
}

TEST_F(OutOfDateTest, TimesAndOptions) {
    vesk::ProjectFile& a = built("a.c", "int a;\n");
    EXPECT_EQ(vesk::coutofdate(a), 0u);
    stamp("a.c", 0);
    EXPECT_EQ(vesk::coutofdate(a), 1u);
    stamp("a.c", -100);
    std::filesystem::remove("a.o");
    EXPECT_EQ(vesk::coutofdate(a), 1u);
    // Only in an object directory.
    std::filesystem::create_directory("obj");
    stamp("obj/a.o", -50);
    vesk::shared.ObjectPath = "obj";
    EXPECT_EQ(vesk::coutofdate(a), 0u);

    // New project options: every file without its own definitions.
    vesk::ProjectFile& b = built("b.c", "int b;\n");
    b.Defines = {"B"};
    b.DefsChanged = static_cast<std::uint32_t>(*vesk::file_time("b.o") - 10);
    p->DefsChanged = static_cast<std::uint32_t>(*vesk::file_time("b.o") + 10);
    EXPECT_EQ(vesk::coutofdate(a), 1u);
    EXPECT_EQ(vesk::coutofdate(b), 0u);
    b.DefsChanged = p->DefsChanged;
    EXPECT_EQ(vesk::coutofdate(b), 1u);
}

TEST_F(OutOfDateTest, CHeadersAlongTheIncludePath) {
    std::filesystem::create_directory("inc");
    vesk::ProjectFile& m = built("main.c", "#include \"only.h\"\n#include \"nowhere.h\"\n");
    stamp("inc/only.h", -200);
    vesk::shared.IncludeSearch = "inc";
    EXPECT_EQ(vesk::coutofdate(m), 0u);
    stamp("inc/only.h", 0);
    EXPECT_EQ(vesk::coutofdate(m), 1u);

    // A quoted header is found in the current directory first, an angle
    // one only along the path.
    vesk::ProjectFile& q = built("q.c", "#include \"h.h\"\n");
    stamp("h.h", -200);
    stamp("inc/h.h", 0);
    EXPECT_EQ(vesk::coutofdate(q), 0u);
    vesk::ProjectFile& a = built("angle.c", "  #include <g.h>\n");
    stamp("g.h", 0);
    stamp("inc/g.h", -200);
    EXPECT_EQ(vesk::coutofdate(a), 0u);
    stamp("inc/g.h", 0);
    EXPECT_EQ(vesk::coutofdate(a), 1u);
    // Nested, and only matching delimiters count.
    vesk::ProjectFile& n = built("nest.c", "#include \"x.h>\n#include \"n1.h\"\n");
    write("n1.h", "#include <n2.h>\n");
    stamp("n1.h", -200);
    stamp("inc/n2.h", 0);
    EXPECT_EQ(vesk::coutofdate(n), 1u);
    EXPECT_EQ(vesk::cheaders("nest.c"), (std::vector<std::string>{"n1.h", sep("inc/n2.h")}));
}

TEST_F(OutOfDateTest, AssemblerIncludes) {
    vesk::ProjectFile& s = built("s.s", "\tINCLUDE \"m.h11\"\n");
    EXPECT_EQ(vesk::asmoutofdate(s), 1u);  // not found
    stamp("m.h11", -200);
    EXPECT_EQ(vesk::asmoutofdate(s), 0u);
    write("m.h11", "include \"deep.h11\"\n");
    stamp("m.h11", -200);
    stamp("deep.h11", 0);
    EXPECT_EQ(vesk::asmoutofdate(s), 1u);
    stamp("deep.h11", -200);
    EXPECT_EQ(vesk::asmoutofdate(s), 0u);
    vesk::ProjectFile& t = built("t.s", " include \"unclosed\n include <angle.h11>\n");
    stamp("angle.h11", -200);
    EXPECT_EQ(vesk::asmoutofdate(t), 0u);
}

// Includes that come back to themselves end every scan.
TEST_F(OutOfDateTest, IncludeCyclesEnd) {
    vesk::ProjectFile& self = built("self.c", "#include \"self.c\"\n#include \"x.h\"\n");
    write("x.h", "#include \"y.h\"\n");
    write("y.h", "#include \"x.h\"\n#include \"self.c\"\n");
    for (const char* h : {"x.h", "y.h"}) stamp(h, -200);
    EXPECT_EQ(vesk::coutofdate(self), 0u);
    vesk::ProjectFile& s = built("a.s", "include \"a.s\"\ninclude \"b.h11\"\n");
    write("b.h11", "include \"a.s\"\ninclude \"b.h11\"\n");
    stamp("b.h11", -200);
    stamp("a.s", -100);
    EXPECT_EQ(vesk::asmoutofdate(s), 0u);
    EXPECT_EQ(tree(vesk::DependencyTree("self.c")),
              "\"self.c\"\n"
              "\"x.h\"\n"
              "  \"y.h\"\n"
              "    \"x.h\"\n"
              "    \"self.c\"\n");
    EXPECT_EQ(tree(vesk::DependencyTree("a.s")), "\"a.s\"\n\"b.h11\"\n\"a.s\"\n\"b.h11\"\n");
    vesk::DependencyText();
}

TEST_F(OutOfDateTest, DependencyTreeAndListing) {
    add("main.c");
    write("main.c", "#include \"a.h\"\nint main(void) { return 0; }\n");
    write("a.h", "#include <b.h>\n");
    write("b.h", "/* nothing */\n");
    add("s.s");
    write("s.s", " INCLUDE \"caps.h11\"\n include \"m.h11\"\n");
    write("m.h11", "include \"n.h11\"\n");
    add("prog.lkf");
    EXPECT_EQ(tree(vesk::DependencyTree("main.c")), "\"a.h\"\n  <b.h>\n");
    EXPECT_EQ(tree(vesk::DependencyTree("s.s")), "\"caps.h11\"\n\"m.h11\"\n\"n.h11\"\n");
    EXPECT_TRUE(vesk::DependencyTree("prog.lkf").empty());
    EXPECT_EQ(vesk::DependencyText(),
              "\nmain.c\n\t\ta.h\n\t\t\tb.h\n"
              "\ns.s\n\t\tm.h11\n\t\t\tn.h11\n"
              "\nprog.lkf\n");
}

TEST_F(OutOfDateTest, TheListingOfTheExample) {
    add("main.c");
    write("main.c", "#include \"a.h\"\n");
    write("a.h", "#include \"b.h\"\n");
    write("b.h", "");
    EXPECT_EQ(vesk::DependencyText(), "\nmain.c\n\t\ta.h\n\t\t\tb.h\n");
}

#ifndef _WIN32
// The headers that the C test finds are those that gcc -MM names for the
// same include directories, for trees whose quoted includers lie in the
// current directory or beside the headers they include.
TEST_F(OutOfDateTest, CHeadersMatchTheHostCompiler) {
    if (vytest::system("gcc --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gcc";
    struct Tree {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::string dirs;
    } trees[] = {
        {"one header", {{"main.c", "#include \"a.h\"\n"}, {"a.h", ""}}, ""},
        {"a chain through the path",
         {{"main.c", "#include \"a.h\"\n"}, {"inc/a.h", "#include \"b.h\"\n"}, {"inc/b.h", "#include <c.h>\n"},
          {"lib/c.h", ""}},
         "inc;lib"},
        {"angle brackets along the path",
         {{"main.c", "#include <x.h>\n#include <y.h>\n"}, {"p1/x.h", "#include <y.h>\n"}, {"p2/y.h", ""},
          {"p2/x.h", ""}},
         "p1;p2"},
        {"headers that include each other",
         {{"main.c", "#include \"a.h\"\n"}, {"a.h", "#ifndef A\n#define A\n#include \"b.h\"\n#endif\n"},
          {"b.h", "#include \"a.h\"\n"}},
         ""},
        {"the first directory that has it",
         {{"main.c", "#include <s.h>\n  #  include \"t.h\"\n#include \"t.h\"\n"}, {"d1/s.h", ""}, {"d2/s.h", ""},
          {"d2/t.h", ""}},
         "d1;d2"},
    };
    for (const Tree& t : trees) {
        SCOPED_TRACE(t.name);
        std::filesystem::current_path(dir);
        std::filesystem::path work = dir / "tree";
        std::filesystem::remove_all(work);
        std::filesystem::create_directories(work);
        std::filesystem::current_path(work);
        for (const auto& [name, text] : t.files) {
            std::filesystem::create_directories(std::filesystem::path(name).parent_path().empty()
                                                    ? std::filesystem::path(".")
                                                    : std::filesystem::path(name).parent_path());
            write(name, text);
        }
        vesk::shared.IncludeSearch = t.dirs;
        std::vector<std::string> found = vesk::cheaders("main.c");
        std::set<std::string> ours(found.begin(), found.end());

        std::string command = "gcc -MM";
        std::stringstream dirs(t.dirs);
        for (std::string d; std::getline(dirs, d, ';');) command += " -I" + d;
        ASSERT_EQ(vytest::system(command + " main.c >deps.txt 2>&1"), 0) << read("deps.txt");
        std::string deps = read("deps.txt");
        std::set<std::string> theirs;
        std::stringstream words(deps);
        for (std::string w; words >> w;)
            if (w != "\\" && w != "main.o:" && w != "main.c") theirs.insert(w);
        EXPECT_EQ(ours, theirs) << deps;
    }
}
#endif

}  // namespace
