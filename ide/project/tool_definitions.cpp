#include "ide/project/tool_definitions.h"

#include "ide/project/frame_hooks.h"
#include "ide/project/profile.h"
#include "ide/project/project.h"

namespace vesk {

namespace {

struct DefinitionRow {
    const char* section;
    ToolBlock ProjectRecord::*block;
    const char* missing;
};

// In the order they are read.
const DefinitionRow definitions[] = {
    {"Compiler", &ProjectRecord::Compiler, " Missing Compiler Definition "},
    {"Assembler", &ProjectRecord::Assembler, " Missing Assembler Definition "},
    {"Tesk", &ProjectRecord::Tesk, " Missing TESK Definition "},
    {"Dremo", &ProjectRecord::Dremo, " Missing DREMO Definition "},
    {"Norvik", &ProjectRecord::Norvik, " Missing NORVIK Definition "},
    {"Pirn", &ProjectRecord::Pirn, " Missing PIRN Definition "},
};

}  // namespace

int ReadToolDefinitions(const std::string& path) {
    ProjectRecord& d = default_project();
    for (const DefinitionRow& row : definitions) {
        std::string value = profile_read(path, row.section, "Cmd");
        if (value.empty()) {
            frame().error(row.missing);
            return 0;
        }
        (d.*row.block).Cmd = value;
    }
    d.Linker.specifics = LinkSettings{};
    d.Flags = 1;
    set_current_project(&d);
    return LoadLibraryModels(path);
}

int LoadToolDefinitions(const std::string& programDirectory) {
    return ReadToolDefinitions(programDirectory + "DEFS11.OPT");
}

std::string LibDir;
std::vector<LibModel> LibModels;
int LibModelCount = 0;
std::vector<std::string> DefaultLibs;

namespace {

// The values of the keys "1", "2", ... (each key the next character code)
// up to the first missing or empty one.
std::vector<std::string> numbered_list(const std::string& path, const std::string& section) {
    std::vector<std::string> values;
    for (char key = '1'; key <= '~'; ++key) {
        std::string value = profile_read(path, section, std::string(1, key));
        if (value.empty()) break;
        values.push_back(value);
    }
    return values;
}

}  // namespace

int LoadLibraryModels(const std::string& path) {
    std::string dir = profile_read(path, "Libs", "Dir");
    if (dir.empty()) {
        frame().error("Missing Lib def");
        return 0;
    }
    LibDir = dir;
    LibModels.clear();
    for (const std::string& name : numbered_list(path, "Libs")) LibModels.push_back({name, numbered_list(path, name)});
    LibModelCount = static_cast<int>(LibModels.size());
    DefaultLibs = numbered_list(path, "DEFLIBS");
    if (DefaultLibs.empty()) {
        frame().error("MISSING DEFAULT LIBS SPECIFICATION");
        return 0;
    }
    return 1;
}

std::string LibraryLine(const std::string& entry) {
    return "\"" + LibDir + "\\" + entry.substr(0, entry.find(' ')) + "\"\r";
}

}  // namespace vesk
