// The project record: file kinds, lookups, what New takes from the default
// record, and freeing.
#include "ide/project/project.h"
#include "project_fixture.h"

namespace {

using vesk::filekind;

class ProjectTest : public vesk_test::ProjectFixture {};

TEST_F(ProjectTest, FileKinds) {
    struct Row {
        const char* name;
        std::uint16_t kind;
    } rows[] = {
        {".c", 1},        {"c", 128},          {"main.C", 1},       {"main.cc", 128},  {"x.ASM", 2},
        {"x.asm", 2},     {"x.AsM", 2},        {".asm", 128},       {"start.S", 2},    {".s", 2},
        {"a.lkf", 8},     {"a.LKF", 8},        {".lkf", 128},       {"a.h", 128},      {"a.h11", 128},
        {"dir.c\\x", 128}, {"prog.s.bak", 128}, {"main.c ", 128},
    };
    for (const Row& r : rows) EXPECT_EQ(filekind(r.name), r.kind) << r.name;
    EXPECT_TRUE(vesk::ish11file("prog.H11"));
    EXPECT_FALSE(vesk::ish11file(".h11"));
    EXPECT_TRUE(vesk::isobjfile("a.O"));
    EXPECT_FALSE(vesk::isobjfile("a.obj"));
}

// The extension lists match exactly, case and all, each element whole.
TEST_F(ProjectTest, ExtensionListsMatchExactly) {
    vesk::shared.CExtensions = ".cpp;.CXX;";
    vesk::shared.AsmExtensions = ".a11;.src";
    struct Row {
        const char* name;
        std::uint16_t kind;
    } rows[] = {
        {"x.cpp", 1}, {"x.CPP", 128}, {"x.CXX", 1}, {"x.cxx", 128}, {"x.a11", 2},
        {"x.A11", 128}, {"x.src", 2},  {"x.sr", 128}, {"x.pp", 128},
    };
    for (const Row& r : rows) EXPECT_EQ(filekind(r.name), r.kind) << r.name;
}

TEST_F(ProjectTest, FindProjectFileIgnoresCase) {
    vesk::ProjectRecord* p = vesk::NewProjectRecord();
    vesk::set_current_project(p);
    p->Files.push_back({});
    p->Files.back().FileName = "main.c";
    p->Files.push_back({});
    p->Files.back().FileName = "C:\\Work\\Start.S";
    EXPECT_EQ(vesk::FindProjectFile("MAIN.C"), &p->Files.front());
    EXPECT_EQ(vesk::FindProjectFile("c:\\work\\start.s"), &p->Files.back());
    EXPECT_EQ(vesk::FindProjectFile("main"), nullptr);
    vesk::set_current_project(nullptr);
    EXPECT_EQ(vesk::FindProjectFile("main.c"), nullptr);
    vesk::FreeProject(p);
}

TEST_F(ProjectTest, NewTakesTheToolCommandsOfTheDefaultRecord) {
    vesk::ProjectRecord& d = vesk::default_project();
    d.Assembler = {0, "ccasm", "", "-l", {}};
    d.Compiler = {0, "cc11 -x", "", "+p-ck", {}};
    d.Tesk.Cmd = "tesk";
    d.Dremo.Cmd = "dremo";
    d.Norvik.Cmd = "norvik";
    d.Pirn.Cmd = "pirn";
    d.Tovan.Cmd = "tovan";
    d.Linker.Cmd = "lomar";
    d.Debug.Cmd = "vyrdbg";
    vesk::ProjectRecord* p = vesk::NewProjectRecord();
    EXPECT_EQ(p->Flags, vesk::REAL_PROJECT);
    EXPECT_EQ(p->Untitled, 1u);
    EXPECT_EQ(p->Assembler.UserFlags, "-l");
    EXPECT_EQ(p->Compiler.Cmd, "cc11 -x");
    EXPECT_EQ(p->Compiler.UserFlags, "+p-ck");
    EXPECT_EQ(p->Norvik.Cmd, "norvik");
    EXPECT_EQ(p->Pirn.Cmd, "pirn");
    EXPECT_EQ(p->Tovan.Cmd, "");
    EXPECT_EQ(p->Linker.Cmd, "");
    EXPECT_EQ(p->Debug.Cmd, "");
    EXPECT_NE(vesk::options_of<vesk::LinkSettings>(p->Linker), nullptr);
    vesk::FreeProject(p);
}

TEST_F(ProjectTest, OnlyARealProjectIsFreed) {
    vesk::ProjectRecord& d = vesk::default_project();
    d.Flags = 1;
    vesk::FreeProject(&d);
    EXPECT_EQ(vesk::current_project(), &d);
    vesk::ProjectRecord* p = vesk::NewProjectRecord();
    vesk::set_current_project(p);
    EXPECT_EQ(vesk::real_project(), p);
    vesk::FreeProject(p);
    EXPECT_EQ(vesk::current_project(), &d);
    EXPECT_EQ(vesk::real_project(), nullptr);
}

}  // namespace
