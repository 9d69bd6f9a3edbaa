#include "ide/project/project.h"

#include <cctype>

namespace vesk {

SharedValues shared;

LinkSettings& linksettings(ProjectRecord& project) {
    if (!options_of<LinkSettings>(project.Linker)) project.Linker.specifics = LinkSettings{};
    return std::get<LinkSettings>(project.Linker.specifics);
}

const LinkSettings& linksettings(const ProjectRecord& project) {
    static const LinkSettings none;
    const LinkSettings* s = options_of<LinkSettings>(project.Linker);
    return s ? *s : none;
}

namespace {

bool ends_with(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The last four characters, lower-cased, equal `suffix`, for names of five
// characters or more.
bool ends_lowered(const std::string& name, const char* suffix) {
    if (name.size() < 5) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == suffix;
}

// The name ends exactly in one of the extensions of a ';'-separated list.
bool ends_in_list(const std::string& name, const std::string& list) {
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t sep = list.find(';', pos);
        if (sep == std::string::npos) sep = list.size();
        std::string ext = list.substr(pos, sep - pos);
        if (!ext.empty() && ends_with(name, ext)) return true;
        pos = sep + 1;
    }
    return false;
}

}  // namespace

bool iscsource(const std::string& name) {
    if (name.size() >= 2 && (ends_with(name, ".C") || ends_with(name, ".c"))) return true;
    return ends_in_list(name, shared.CExtensions);
}

bool isasmsource(const std::string& name) {
    return ends_lowered(name, ".asm") || ends_with(name, ".S") || ends_with(name, ".s") ||
           ends_in_list(name, shared.AsmExtensions);
}

bool islinkfile(const std::string& name) { return ends_lowered(name, ".lkf"); }
bool ish11file(const std::string& name) { return ends_lowered(name, ".h11"); }
bool isobjfile(const std::string& name) { return ends_with(name, ".O") || ends_with(name, ".o"); }

std::uint16_t filekind(const std::string& name) {
    if (iscsource(name)) return KIND_C;
    if (isasmsource(name)) return KIND_ASM;
    if (islinkfile(name)) return KIND_LINK;
    return KIND_OTHER;
}

namespace {
ProjectRecord default_record;
ProjectRecord* current = &default_record;
}  // namespace

ProjectRecord& default_project() { return default_record; }
ProjectRecord* current_project() { return current; }
void set_current_project(ProjectRecord* project) { current = project ? project : &default_record; }
ProjectRecord* real_project() { return current && (current->Flags & REAL_PROJECT) ? current : nullptr; }

ProjectRecord* NewProjectRecord() {
    const ProjectRecord& d = default_record;
    auto* p = new ProjectRecord;
    linksettings(*p);
    p->Assembler.Cmd = d.Assembler.Cmd;
    p->Assembler.UserFlags = d.Assembler.UserFlags;
    p->Compiler.Cmd = d.Compiler.Cmd;
    p->Compiler.UserFlags = d.Compiler.UserFlags;
    p->Tesk.Cmd = d.Tesk.Cmd;
    p->Dremo.Cmd = d.Dremo.Cmd;
    p->Norvik.Cmd = d.Norvik.Cmd;
    p->Pirn.Cmd = d.Pirn.Cmd;
    p->Untitled = 1;
    p->Flags = REAL_PROJECT;
    return p;
}

void FreeProject(ProjectRecord* project) {
    if (!project || !(project->Flags & REAL_PROJECT) || project == &default_record) return;
    if (current == project) current = &default_record;
    delete project;
}

namespace {
std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

ProjectFile* FindProjectFile(const std::string& name) {
    if (!current) return nullptr;
    std::string wanted = lower(name);
    for (ProjectFile& f : current->Files)
        if (lower(f.FileName) == wanted) return &f;
    return nullptr;
}

}  // namespace vesk
