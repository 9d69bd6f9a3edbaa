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
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ide/project/frame_hooks.h"
#include "ide/project/option_files.h"
#include "ide/project/project_file.h"
#include "ide/project/project_text.h"
#include "ide/project/tool_definitions.h"

namespace {

const char* const USAGE =
    "usage: veskcore opt FILE [TEXT] | opt DIR | defs FILE | prj FILE [OUT]\n";

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
    else
        std::fputs(USAGE, stderr);
    std::fflush(stdout);
    return status;
}
