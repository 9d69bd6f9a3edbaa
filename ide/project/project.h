// The project in memory: the project record with its files, tool blocks,
// link settings and the option records of the post-link tools, the file-kind
// tests, and the current project.
//
// Every text and list is owned by the record that holds it. A text that is
// empty is an absent text (written "when set" only when it is not empty);
// an empty counted list is an absent list.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <variant>
#include <vector>

namespace vesk {

// A node of the project tree, made and used by the project window.
using TreeItem = void*;

struct LinkSettings {
    std::uint32_t Verbose = 0;   // "-v "
    std::uint32_t SymbOnly = 0;  // "-s "
    std::uint32_t Physmap = 0;   // "-p "
    std::uint32_t BankSpec = 0;  // the bank-size option is given
    std::uint32_t BankSize = 0;  // in bytes
    std::string OutputFile;      // "-o"; the loader sets it to ExecName
    std::string InCmd;           // the link command file; needed to link
    std::string MapFile;         // "-m"
    std::string ErrFile;         // "-e"
    std::string Libs;            // libraries chosen in library selection
    std::string LibPath;         // library directories, ';'-separated
};

struct PirnOptions {
    char Format = 0;  // 'm' S1/S9, '2' S2/S8, 'i' Intel hex
    std::uint32_t Noheader = 0;
    char Paginated = 0;  // 0 off, 's' standard, 'n' NORAL, 'p' PROMIC
    std::uint32_t Increasing = 0;
    std::string AbsAddr, Bias, Entry, MaxBytes, HeaderString, OutputFile;
    std::vector<std::string> Segments;
};

struct NorvikOptions {
    std::uint32_t AddLibs = 0, Verbose = 0, LocalDir = 0;
    std::uint32_t Paging = 0;  // 0 none, 1 plain, 2 "pp", 3 "pn"
    std::string LsSuffix, LaSuffix, LsDir;
};

struct DremoOptions {
    std::string OutputFile;
    std::vector<std::string> Files, Functions;
};

struct TovanOptions {
    std::uint32_t V4Flag = 0, OldFmt = 0;
    std::uint32_t Paged = 0;  // 0 off, 1 "+page1", 2 "+page2"
    std::uint32_t DPage = 0, Reverse = 0, Verbose = 0;
    std::string OutputFile;
    std::string Model;  // kept with the project, never on a command line
};

// A tool's option record; monostate when the tool has none.
using Specifics = std::variant<std::monostate, LinkSettings, PirnOptions, NorvikOptions, DremoOptions, TovanOptions>;

struct ToolBlock {
    std::uint32_t Exec = 0;  // Build runs the tool after linking
    std::string Cmd;         // command or program word
    std::string OutputFile;  // tesk's output file
    std::string UserFlags;   // options added after the command
    Specifics specifics;
};

struct DebuggerEntry {
    std::string Cmd, Options;
};

struct ProjectFile {
    std::uint32_t Exists = 0;
    std::uint32_t OutOfDate = 0;
    std::uint32_t Changed = 0;
    std::uint16_t BuildMark = 0;  // 1 assemble, 2 compile
    std::uint16_t Kind = 0;       // filekind
    std::uint32_t DefsChanged = 0;
    TreeItem FileNode = nullptr, DefinesNode = nullptr, DepsNode = nullptr, DocsNode = nullptr;
    std::uint32_t DefinesLevel = 0, DepsLevel = 0, DocsLevel = 0;
    std::string FileName;
    std::string CompCmd;    // replaces the project's Cmd
    std::string UserFlags;  // replace the project's UserFlags
    std::string Group;
    std::vector<std::string> Defines;  // replace the project's Defines
    std::vector<std::string> Docs;
};

struct ProjectRecord {
    std::uint16_t Flags = 0;  // bit 1 (value 2): a real project
    std::uint16_t FileCount = 0;
    std::uint32_t Untitled = 0;
    std::uint32_t Modified = 0;
    std::uint32_t TipsMade = 0;
    std::uint32_t DefinesLevel = 0, DocsLevel = 0, FilesLevel = 0;
    std::uint32_t DefsChanged = 0;
    TreeItem DefinesNode = nullptr, FilesNode = nullptr, CommandFileNode = nullptr, DocsNode = nullptr;
    std::string ProjectPath;
    std::string Name;
    std::string ExecName;
    std::string Description;
    std::string Directory;
    std::string IncPath;  // include directories, ';'-separated
    std::string ObjPath;
    ToolBlock Assembler, Compiler;
    ToolBlock Linker;  // specifics: the LinkSettings
    DebuggerEntry Debug, Debug1;
    ToolBlock Tesk, Dremo, Pirn, Norvik, Tovan;
    std::list<ProjectFile> Files;
    std::vector<std::string> Defines;
    std::vector<std::string> Docs;
    ToolBlock BuilderTesk, BuilderDremo, BuilderPirn, BuilderNorvik, BuilderTovan;
    ToolBlock User1, User2;  // Exec and Cmd
    TreeItem RootNode = nullptr, ExecNode = nullptr, DescriptionNode = nullptr, DirectoryNode = nullptr,
             IncPathNode = nullptr, ObjPathNode = nullptr, ToolsNode = nullptr;
};

constexpr std::uint16_t REAL_PROJECT = 2;

// The project's link settings (every record made by New, the loader or the
// tool definitions has them).
LinkSettings& linksettings(ProjectRecord& project);
const LinkSettings& linksettings(const ProjectRecord& project);

template <class T>
T* options_of(ToolBlock& block) {
    return std::get_if<T>(&block.specifics);
}
template <class T>
const T* options_of(const ToolBlock& block) {
    return std::get_if<T>(&block.specifics);
}

// Values that the settings file and the project file share with the frame.
struct SharedValues {
    std::string CExtensions;    // extra C-source extensions, ';'-separated
    std::string AsmExtensions;  // extra assembler-source extensions
    int FileType = 324;         // the default file type, a command 324-330
    std::int32_t TabWidth = 8;
    std::string IncludeSearch;  // the loaded project's IncPath
    std::string ObjectPath;     // the loaded project's ObjPath
};
extern SharedValues shared;

// File kinds.
enum : std::uint16_t { KIND_C = 1, KIND_ASM = 2, KIND_LINK = 8, KIND_OTHER = 128 };

bool iscsource(const std::string& name);
bool isasmsource(const std::string& name);
bool islinkfile(const std::string& name);
bool ish11file(const std::string& name);
bool isobjfile(const std::string& name);
std::uint16_t filekind(const std::string& name);

// The current project: the default record until a project is made or loaded.
ProjectRecord& default_project();
ProjectRecord* current_project();
void set_current_project(ProjectRecord* project);
// The current project when it is a real one, else null.
ProjectRecord* real_project();

// A new real record with what New takes from the default record: the
// assemble and compile commands with their options texts, and the commands
// of tesk, dremo, norvik and pirn (the caller makes it current).
ProjectRecord* NewProjectRecord();
// Frees a real project with all it owns; the default record stays.
void FreeProject(ProjectRecord* project);

// The file of the current project whose name equals `name` ignoring case.
ProjectFile* FindProjectFile(const std::string& name);

}  // namespace vesk
