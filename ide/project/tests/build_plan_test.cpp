// The plans of Make, Build, Link and Compile: marks, step count, the lines
// in run order, and the questions and messages on the way.
#include "ide/project/build_plan.h"
#include "project_fixture.h"

namespace {

using vesk::BuildPlan;
using vesk::StepKind;

class BuildPlanTest : public vesk_test::ProjectFixture {
protected:
    vesk::ProjectRecord* p = nullptr;

    void SetUp() override {
        ProjectFixture::SetUp();
        p = open_project();
        p->Compiler.Cmd = "cc11 -x";
        p->Assembler.Cmd = "ccasm";
        p->ExecName = "prog.h11";
        vesk::linksettings(*p).InCmd = "prog.lkf";
        add("main.c");
        add("util.c");
        add("start.s");
        // Every object newer than its source.
        for (const char* s : {"main.c", "util.c", "start.s"}) stamp(s, -100);
        for (const char* o : {"main.o", "util.o", "start.o"}) stamp(o, -50);
    }
    void add(const std::string& name) { add_file(*p, name).Exists = 1; }
    vesk::ProjectFile& file(const std::string& name) { return *vesk::FindProjectFile(name); }

    // The kinds and titles of the steps.
    static std::vector<std::string> steps(const BuildPlan& plan) {
        std::vector<std::string> out;
        for (const vesk::PlanStep& s : plan.steps) {
            const char* kind[] = {"assemble", "compile", "link", "tool", "error", "warning"};
            out.push_back(std::string(kind[static_cast<int>(s.kind)]) + ": " + s.title);
        }
        return out;
    }
};

TEST_F(BuildPlanTest, NothingOutOfDateLinksOnly) {
    BuildPlan plan = vesk::PlanBuild(false);
    EXPECT_EQ(plan.total, 1);
    EXPECT_EQ(plan.box, "MAKEPROGRESS");
    EXPECT_EQ(plan.caption, "Make Project");
    EXPECT_EQ(steps(plan), std::vector<std::string>{"link:    Linking ... "});
    EXPECT_EQ(plan.steps[0].status, "  Linking ... ");
    EXPECT_EQ(plan.steps[0].command, "lomar \"prog.lkf\"");
    EXPECT_TRUE(frame.messages.empty());
}

TEST_F(BuildPlanTest, AssemblyFirstThenCompilesInListOrder) {
    file("util.c").Changed = 1;  // its object is newer, yet it is compiled
    stamp("start.s", 0);        // newer than its object
    std::filesystem::remove("main.o");
    BuildPlan plan = vesk::PlanBuild(false);
    EXPECT_EQ(plan.total, 4);
    EXPECT_EQ(steps(plan), (std::vector<std::string>{"assemble: Assembling start.s", "compile: Compiling main.c",
                                                     "compile: Compiling util.c", "link:    Linking ... "}));
    EXPECT_EQ(plan.steps[1].command, "cc11 -x \"main.c\"");
    EXPECT_EQ(plan.steps[1].file, &file("main.c"));
    EXPECT_EQ(plan.steps[0].aborted, "BUILD Aborted");
    EXPECT_EQ(file("start.s").BuildMark, 1);
    EXPECT_EQ(file("util.c").BuildMark, 2);
}

TEST_F(BuildPlanTest, AMissingCommandAsksWhetherToSkip) {
    p->Assembler.Cmd.clear();
    stamp("start.s", 0);
    frame.answer = 0;
    EXPECT_TRUE(vesk::PlanBuild(false).steps.empty());
    EXPECT_EQ(frame.messages, std::vector<std::string>{"BUILD: Assemble not Defined Skip ?? "});
    frame.messages.clear();
    frame.answer = 1;
    EXPECT_EQ(steps(vesk::PlanBuild(false)), std::vector<std::string>{"link:    Linking ... "});
    EXPECT_EQ(frame.messages, std::vector<std::string>{"BUILD: Assemble not Defined Skip ?? "});
    frame.messages.clear();
    p->Compiler.Cmd.clear();
    EXPECT_EQ(steps(vesk::PlanBuild(false)), std::vector<std::string>{"link:    Linking ... "});
    EXPECT_EQ(frame.messages,
              (std::vector<std::string>{"BUILD: Assemble not Defined Skip ?? ", "BUILD : Compile not Defined Skip ?? "}));
}

TEST_F(BuildPlanTest, NoLinkCommandFileEndsAfterTheSources) {
    vesk::linksettings(*p).InCmd.clear();
    file("main.c").Changed = 1;
    BuildPlan plan = vesk::PlanBuild(true);
    EXPECT_EQ(steps(plan), (std::vector<std::string>{"compile: Compiling main.c", "error: Missing Command file for Linker "}));
}

TEST_F(BuildPlanTest, PostLinkStepsOfABuild) {
    // A Make and a Build without steps never ask for the program's name.
    p->ExecName.clear();
    p->BuilderTesk.Exec = 1;
    EXPECT_EQ(steps(vesk::PlanBuild(false)), std::vector<std::string>{"link:    Linking ... "});
    p->BuilderTesk.Exec = 0;
    EXPECT_EQ(steps(vesk::PlanBuild(true)), std::vector<std::string>{"link:    Linking ... "});
    p->BuilderTesk.Exec = 1;
    EXPECT_EQ(steps(vesk::PlanBuild(true)).back(), "error: Can't Execute Utilities. Exec File Not Specified");

    p->ExecName = "prog.h11";
    for (vesk::ToolBlock* b : {&p->BuilderPirn, &p->BuilderNorvik, &p->BuilderDremo, &p->BuilderTovan, &p->User1,
                               &p->User2})
        b->Exec = 1;
    p->User2.Cmd = "filter2 prog.h11";  // User1 has no command: neither counted nor run
    p->BuilderDremo.specifics = vesk::DremoOptions{"", {"main.c", "util.c"}, {"main"}};
    BuildPlan plan = vesk::PlanBuild(true);
    EXPECT_EQ(plan.total, 1 + 6);
    EXPECT_EQ(plan.box, "BUILDPROGRESS");
    EXPECT_EQ(steps(plan), (std::vector<std::string>{"link:    Linking ... ", "tool: Object Inspector",
                                                     "tool: Hex Conversion", "tool: Absolute Lister",
                                                     "tool: Debug Info Examiner", "tool: IEEE695 Conversion",
                                                     "tool: User Filter 2"}));
    EXPECT_EQ(plan.steps[1].command, "tesk -o  TESK.TMP  \"prog.h11\"");
    EXPECT_EQ(plan.steps[1].show, "TESK.TMP");
    EXPECT_EQ(plan.steps[2].command, "pirn -o PIRN.TMP \"prog.h11\"");
    EXPECT_EQ(plan.steps[2].remove, "PIRN.TMP");
    EXPECT_EQ(plan.steps[4].command, "dremo -fl\"main.c\" -fl\"util.c\" -fcmain -o DREMO.TMP \"prog.h11\"");
    EXPECT_EQ(plan.steps[4].show, "DREMO.TMP");
    EXPECT_EQ(plan.steps[5].show, "");
    EXPECT_EQ(plan.steps[6].command, "filter2 prog.h11");
    EXPECT_EQ(plan.steps[6].aborted, "User Filter Aborted");
    EXPECT_EQ(plan.steps[3].aborted, "BUILD Aborted");
}

TEST_F(BuildPlanTest, LinkAlone) {
    vesk::LinkSettings& s = vesk::linksettings(*p);
    s.BankSpec = 1;
    s.BankSize = 16384;
    BuildPlan plan = vesk::PlanLink();
    EXPECT_EQ(plan.box, "ONECMD");
    EXPECT_EQ(steps(plan), std::vector<std::string>{"link: Linking"});
    EXPECT_EQ(plan.steps[0].command, "lomar -bs16384 \"prog.lkf\"");
    EXPECT_EQ(vesk::PlanBuild(false).steps[0].command, "lomar -bs14 \"prog.lkf\"");
    s.InCmd.clear();
    EXPECT_TRUE(vesk::PlanLink().steps.empty());
    EXPECT_EQ(frame.messages, std::vector<std::string>{"BUILD: Missing Command file for Linker  Skip ?? "});
}

TEST_F(BuildPlanTest, CompileOneFile) {
    file("util.c").UserFlags = "+p-ck";
    p->Defines = {"A"};
    BuildPlan plan = vesk::PlanCompile("UTIL.C");
    EXPECT_EQ(steps(plan), std::vector<std::string>{"compile:  Compiling UTIL.C"});
    EXPECT_EQ(plan.steps[0].command, "cc11 -x +p-ck -dA \"UTIL.C\"");
    EXPECT_EQ(plan.steps[0].file, &file("util.c"));
    p->Assembler.UserFlags = "-l";
    plan = vesk::PlanCompile("other.s");
    EXPECT_EQ(steps(plan), std::vector<std::string>{"assemble:  Assembling other.s"});
    EXPECT_EQ(plan.steps[0].command, "ccasm -l -dA \"other.s\"");
    EXPECT_EQ(plan.steps[0].file, nullptr);
    EXPECT_EQ(vesk::PlanCompile("notes.txt").steps[0].command, "ccasm -dA \"notes.txt\"");
}

TEST_F(BuildPlanTest, NoProject) {
    vesk::set_current_project(nullptr);
    EXPECT_EQ(steps(vesk::PlanBuild(true)), std::vector<std::string>{"warning: No defined Project"});
    EXPECT_EQ(steps(vesk::PlanLink()), std::vector<std::string>{"warning: No defined Project"});
    vesk::set_current_project(p);
}

}  // namespace
