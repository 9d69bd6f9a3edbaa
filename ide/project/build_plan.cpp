#include "ide/project/build_plan.h"

#include "ide/project/build_commands.h"
#include "ide/project/frame_hooks.h"
#include "ide/project/out_of_date.h"

namespace vesk {
namespace {

PlanStep message(StepKind kind, const std::string& text) {
    PlanStep s;
    s.kind = kind;
    s.title = text;
    return s;
}

// A plan that is only a message.
BuildPlan ended(StepKind kind, const std::string& text) {
    BuildPlan plan;
    plan.steps.push_back(message(kind, text));
    return plan;
}

// Marks the sources of one kind that must be built: 1 assemble, 2 compile.
// Without the tool's command the user is asked whether to go on without
// it; false when the answer is No.
bool mark(ProjectRecord& p, bool assemble, int& marked) {
    const ToolBlock& tool = assemble ? p.Assembler : p.Compiler;
    if (tool.Cmd.empty()) {
        return assemble ? frame().yesno("BUILD", "Assemble not Defined Skip ?? ")
                        : frame().yesno("BUILD ", "Compile not Defined Skip ?? ");
    }
    for (ProjectFile& f : p.Files) {
        bool source = assemble ? isasmsource(f.FileName) : iscsource(f.FileName);
        if (!source) continue;
        if (f.Changed || (assemble ? asmoutofdate(f) : coutofdate(f))) {
            f.BuildMark = assemble ? 1 : 2;
            ++marked;
        }
    }
    return true;
}

struct PostLinkRow {
    ToolBlock ProjectRecord::*block;
    const char* title;
    const char* aborted;
};

// In the order they run.
const PostLinkRow post_link[] = {
    {&ProjectRecord::BuilderTesk, "Object Inspector", "BUILD Aborted"},
    {&ProjectRecord::BuilderPirn, "Hex Conversion", "BUILD Aborted"},
    {&ProjectRecord::BuilderNorvik, "Absolute Lister", "BUILD Aborted"},
    {&ProjectRecord::BuilderDremo, "Debug Info Examiner", "BUILD Aborted"},
    {&ProjectRecord::BuilderTovan, "IEEE695 Conversion", "BUILD Aborted"},
    {&ProjectRecord::User1, "User Filter 1", "User Filter Aborted"},
    {&ProjectRecord::User2, "User Filter 2", "User Filter Aborted"},
};

bool user_filter(const ProjectRecord& p, const ToolBlock& b) { return &b == &p.User1 || &b == &p.User2; }

// A step runs when its Exec is set; a user filter needs its command too.
bool runs(const ProjectRecord& p, const ToolBlock& b) { return b.Exec && (!user_filter(p, b) || !b.Cmd.empty()); }

PlanStep post_link_step(const ProjectRecord& p, const PostLinkRow& row) {
    const ToolBlock& b = p.*row.block;
    const std::string& file = p.ExecName;
    PlanStep s;
    s.kind = StepKind::tool;
    s.title = s.status = row.title;
    s.aborted = row.aborted;
    if (row.block == &ProjectRecord::BuilderTesk) {
        s.command = TeskCommand(file, b);
        if (b.OutputFile.empty()) s.show = "TESK.TMP";
    } else if (row.block == &ProjectRecord::BuilderPirn) {
        const PirnOptions* o = options_of<PirnOptions>(b);
        s.command = PirnCommand(file, o);
        if (!o || o->OutputFile.empty()) s.show = s.remove = "PIRN.TMP";
    } else if (row.block == &ProjectRecord::BuilderNorvik) {
        s.command = NorvikCommand(file, options_of<NorvikOptions>(b));
    } else if (row.block == &ProjectRecord::BuilderDremo) {
        const DremoOptions* o = options_of<DremoOptions>(b);
        s.command = DremoCommand(file, o);
        if (!o || o->OutputFile.empty()) s.show = s.remove = "DREMO.TMP";
    } else if (row.block == &ProjectRecord::BuilderTovan) {
        s.command = TovanCommand(file, options_of<TovanOptions>(b));
    } else {
        s.command = b.Cmd;
    }
    return s;
}

PlanStep source_step(ProjectRecord& p, ProjectFile& f, bool assemble) {
    PlanStep s;
    s.kind = assemble ? StepKind::assemble : StepKind::compile;
    s.title = s.status = (assemble ? "Assembling " : "Compiling ") + f.FileName;
    s.command = SourceCommand(p, &f, f.FileName, assemble ? KIND_ASM : KIND_C);
    s.file = &f;
    s.aborted = "BUILD Aborted";
    return s;
}

}  // namespace

BuildPlan PlanBuild(bool build) {
    ProjectRecord* p = real_project();
    if (!p) return ended(StepKind::warning, "No defined Project");
    BuildPlan plan;
    plan.batch = true;
    for (ProjectFile& f : p->Files) f.BuildMark = 0;
    int marked = 0;
    if (!mark(*p, true, marked) || !mark(*p, false, marked)) return plan;
    int post = 0;
    if (build)
        for (const PostLinkRow& row : post_link) post += runs(*p, p->*row.block);
    plan.total = marked + 1 + post;
    plan.box = build ? "BUILDPROGRESS" : "MAKEPROGRESS";
    plan.caption = build ? "Build Project" : "Make Project";
    for (int m = 1; m <= 2; ++m)
        for (ProjectFile& f : p->Files)
            if (f.BuildMark == m) plan.steps.push_back(source_step(*p, f, m == 1));

    const LinkSettings& link = linksettings(*p);
    if (link.InCmd.empty()) {
        plan.steps.push_back(message(StepKind::error, "Missing Command file for Linker "));
        return plan;
    }
    PlanStep s;
    s.kind = StepKind::link;
    s.title = "   Linking ... ";
    s.status = "  Linking ... ";
    s.command = LinkCommand(*p, BankForm::bits);
    s.aborted = "Command Aborted";
    plan.steps.push_back(s);
    if (!build || post == 0) return plan;
    if (p->ExecName.empty()) {
        plan.steps.push_back(message(StepKind::error, "Can't Execute Utilities. Exec File Not Specified"));
        return plan;
    }
    for (const PostLinkRow& row : post_link)
        if (runs(*p, p->*row.block)) plan.steps.push_back(post_link_step(*p, row));
    return plan;
}

BuildPlan PlanLink() {
    ProjectRecord* p = real_project();
    if (!p) return ended(StepKind::warning, "No defined Project");
    BuildPlan plan;
    plan.batch = true;
    if (linksettings(*p).InCmd.empty()) {
        frame().yesno("BUILD", "Missing Command file for Linker  Skip ?? ");
        return plan;
    }
    plan.box = "ONECMD";
    plan.caption = "Status";
    plan.total = 1;
    PlanStep s;
    s.kind = StepKind::link;
    s.title = "Linking";
    s.command = LinkCommand(*p, BankForm::decimal);
    s.aborted = "Command Aborted";
    plan.steps.push_back(s);
    return plan;
}

BuildPlan PlanCompile(const std::string& name) {
    ProjectRecord& p = *current_project();
    BuildPlan plan;
    plan.batch = true;
    plan.box = "ONECMD";
    plan.caption = "Status";
    plan.total = 1;
    ProjectFile* f = FindProjectFile(name);
    std::uint16_t kind = f ? f->Kind : filekind(name);
    PlanStep s;
    s.kind = kind == KIND_C ? StepKind::compile : StepKind::assemble;
    s.title = (kind == KIND_C ? " Compiling " : " Assembling ") + name;
    s.command = SourceCommand(p, f, name, kind);
    s.file = f;
    s.aborted = "Command Aborted";
    plan.steps.push_back(s);
    return plan;
}

std::string PlanText(const BuildPlan& plan) {
    std::string out;
    if (!plan.box.empty()) out += "box: " + plan.box + " \"" + plan.caption + "\"\n";
    out += "total: " + std::to_string(plan.total) + "\n";
    for (const PlanStep& s : plan.steps) {
        switch (s.kind) {
            case StepKind::error:
                out += "error: " + s.title + "\n";
                continue;
            case StepKind::warning:
                out += "warning: " + s.title + "\n";
                continue;
            case StepKind::assemble: out += "assemble"; break;
            case StepKind::compile: out += "compile"; break;
            case StepKind::link: out += "link"; break;
            case StepKind::tool: out += "tool"; break;
        }
        out += " [" + s.title + "]";
        if (!s.remove.empty()) out += " remove " + s.remove;
        if (!s.show.empty()) out += " show " + s.show;
        out += "\n  " + s.command + "\n";
    }
    return out;
}

}  // namespace vesk
