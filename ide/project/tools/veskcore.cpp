// veskcore: the environment's project layer without windows. Messages that
// the environment shows in boxes are printed as "Error: " or "Warning: "
// lines.
//
//   veskcore opt FILE [TEXT]   an option-description file in chain order
//                              (TESK.OPT in its own form); TEXT marks options
//   veskcore opt DIR           the start-up load of the option files in DIR
//   veskcore defs FILE         the tool definitions and library tables
//   veskcore prj FILE [OUT]    the records of a project file; with OUT they
//                              are saved there again
//   veskcore cmdline build|make|link|compile PRJ [FILE]
//                              the plan of a run: questions (answered Yes),
//                              steps with their command lines, messages
//   veskcore ood PRJ           each file's out-of-date mark, its object and
//                              the C headers the test looks at
//   veskcore deps PRJ          each file's dependency tree, then the ".dep" text
//   veskcore errparse FILE     the diagnostic lines of FILE as the error
//                              window reads them, with the span they select
//                              on the line they name (tab width 8)
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ide/project/build_plan.h"
#include "ide/project/error_line.h"
#include "ide/project/frame_hooks.h"
#include "ide/project/option_files.h"
#include "ide/project/out_of_date.h"
#include "ide/project/project_file.h"
#include "ide/project/project_text.h"
#include "ide/project/text_lines.h"
#include "ide/project/tool_definitions.h"

namespace {

const char* const USAGE =
    "usage: veskcore opt FILE [TEXT] | opt DIR | defs FILE | prj FILE [OUT]\n"
    "       veskcore cmdline build|make|link|compile PRJ [FILE] | ood PRJ | deps PRJ | errparse FILE\n";

std::string base_upper(const std::string& path) {
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

int options(int argc, char** argv) {
    std::string file = argv[2];
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        std::filesystem::current_path(file, ec);
        if (!vesk::LoadOptionFiles()) return 1;
        std::printf("ASM11.OPT\n%sCOMP11.OPT\n%sTESK.OPT\n%s", vesk::OptionSetText(vesk::AsmOptions).c_str(),
                    vesk::OptionSetText(vesk::CompOptions).c_str(), vesk::OptionSetText(vesk::TeskOptions).c_str());
        return 0;
    }
    vesk::OptionSet set;
    bool tesk = base_upper(file) == "TESK.OPT";
    if (!(tesk ? vesk::LoadToolOptionFile(set, file) : vesk::LoadOptionFile(set, file))) {
        std::printf("Error: can't read %s\n", file.c_str());
        return 1;
    }
    if (argc > 3) vesk::MarkOptions(argv[3], set, 0);
    std::fputs(vesk::OptionSetText(set).c_str(), stdout);
    return 0;
}

int definitions(const std::string& file) {
    if (!vesk::ReadToolDefinitions(absolute(file))) return 1;
    std::fputs(vesk::DefinitionsText().c_str(), stdout);
    return 0;
}

int project(int argc, char** argv) {
    std::string out = argc > 3 ? absolute(argv[3]) : "";
    vesk::ProjectRecord* p = vesk::LoadProject(absolute(argv[2]));
    std::fputs(vesk::ProjectText(*p).c_str(), stdout);
    int status = 0;
    if (!out.empty() && !vesk::SaveProject(out)) status = 1;
    vesk::FreeProject(p);
    return status;
}

vesk::ProjectRecord* load(const char* path) { return vesk::LoadProject(absolute(path)); }

int plan(int argc, char** argv) {
    std::string what = argv[2];
    if (what != "build" && what != "make" && what != "link" && what != "compile") return 2;
    if ((what == "compile") != (argc == 5)) return 2;
    std::string file = argc == 5 ? argv[4] : "";
    vesk::ProjectRecord* p = load(argv[3]);
    vesk::BuildPlan plan = what == "link" ? vesk::PlanLink()
                           : what == "compile" ? vesk::PlanCompile(file)
                                               : vesk::PlanBuild(what == "build");
    std::fputs(vesk::PlanText(plan).c_str(), stdout);
    vesk::FreeProject(p);
    return 0;
}

int outofdate(const char* path) {
    vesk::ProjectRecord* p = load(path);
    for (const vesk::ProjectFile& f : p->Files) {
        std::optional<std::string> object = vesk::objectname(f.FileName);
        std::printf("%s: exists %u, out of date %u, object %s\n", f.FileName.c_str(), f.Exists, f.OutOfDate,
                    object ? object->c_str() : "(none)");
        if (vesk::iscsource(f.FileName))
            for (const std::string& h : vesk::cheaders(f.FileName)) std::printf("  header %s\n", h.c_str());
    }
    vesk::FreeProject(p);
    return 0;
}

void print_tree(const std::vector<vesk::DependencyNode>& nodes, int depth) {
    for (const vesk::DependencyNode& n : nodes) {
        std::printf("%*s%s\n", 2 * depth, "", n.text.c_str());
        print_tree(n.children, depth + 1);
    }
}

int dependencies(const char* path) {
    vesk::ProjectRecord* p = load(path);
    for (const vesk::ProjectFile& f : p->Files) {
        std::printf("%s\n", f.FileName.c_str());
        print_tree(vesk::DependencyTree(f.FileName), 1);
    }
    std::printf("--- .dep\n%s", vesk::DependencyText().c_str());
    vesk::FreeProject(p);
    return 0;
}

int errors(const char* path) {
    std::vector<std::string> lines;
    if (!vesk::read_lines(path, lines)) {
        std::printf("Error: can't read %s\n", path);
        return 1;
    }
    for (const std::string& line : lines) {
        if (!vesk::IsErrorLine(line)) continue;
        std::optional<vesk::ErrorLine> e = vesk::ParseErrorLine(line);
        if (!e) {
            std::printf("(no file)\n");
            continue;
        }
        std::printf("program %s file %s line %d", e->program.c_str(), e->file.c_str(), e->line);
        if (e->has_column) std::printf(" column %d length %d", e->column, e->length);
        std::vector<std::string> source;
        if (vesk::read_lines(e->file, source) && !source.empty()) {
            std::int32_t n = vesk::target_line(*e, static_cast<std::int32_t>(source.size()));
            vesk::DisplaySpan span = vesk::ErrorSpan(*e, source[static_cast<std::size_t>(n - 1)], 8);
            std::printf(" selects line %d columns %d-%d", n, span.start, span.end);
        }
        std::printf("\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    int status = 2;
    if (command == "opt" && argc >= 3 && argc <= 4)
        status = options(argc, argv);
    else if (command == "defs" && argc == 3)
        status = definitions(argv[2]);
    else if (command == "prj" && argc >= 3 && argc <= 4)
        status = project(argc, argv);
    else if (command == "cmdline" && argc >= 4 && argc <= 5)
        status = plan(argc, argv);
    else if (command == "ood" && argc == 3)
        status = outofdate(argv[2]);
    else if (command == "deps" && argc == 3)
        status = dependencies(argv[2]);
    else if (command == "errparse" && argc == 3)
        status = errors(argv[2]);
    if (status == 2) std::fputs(USAGE, stderr);
    std::fflush(stdout);
    return status;
}
