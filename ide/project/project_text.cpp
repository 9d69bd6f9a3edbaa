#include "ide/project/project_text.h"

#include "ide/project/tool_definitions.h"

namespace vesk {
namespace {

class Text {
public:
    std::string out;

    void field(const std::string& name, const std::string& value) { out += name + ": " + value + "\n"; }
    void field(const std::string& name, std::uint32_t value) { field(name, std::to_string(value)); }
    void letter(const std::string& name, char c) { field(name, c ? std::string(1, c) : "0"); }
    void list(const std::string& name, const std::vector<std::string>& values) {
        field(name, std::to_string(values.size()) + " item(s)");
        for (std::size_t i = 0; i < values.size(); ++i) field(name + "[" + std::to_string(i) + "]", values[i]);
    }

    void tool(const std::string& name, const ToolBlock& b) {
        field(name + ".Exec", b.Exec);
        field(name + ".Cmd", b.Cmd);
        field(name + ".OutputFile", b.OutputFile);
        field(name + ".UserFlags", b.UserFlags);
        std::visit([&](const auto& s) { specifics(name, s); }, b.specifics);
    }

private:
    void specifics(const std::string& name, const std::monostate&) { field(name + ".Specifics", "none"); }
    void specifics(const std::string& name, const LinkSettings& s) {
        std::string n = name + ".";
        field(n + "Verbose", s.Verbose);
        field(n + "SymbOnly", s.SymbOnly);
        field(n + "Physmap", s.Physmap);
        field(n + "BankSpec", s.BankSpec);
        field(n + "BankSize", s.BankSize);
        field(n + "OutputFile", s.OutputFile);
        field(n + "InCmd", s.InCmd);
        field(n + "MapFile", s.MapFile);
        field(n + "ErrFile", s.ErrFile);
        field(n + "Libs", s.Libs);
        field(n + "LibPath", s.LibPath);
    }
    void specifics(const std::string& name, const PirnOptions& s) {
        std::string n = name + ".";
        letter(n + "Format", s.Format);
        field(n + "Noheader", s.Noheader);
        letter(n + "Paginated", s.Paginated);
        field(n + "Increasing", s.Increasing);
        field(n + "AbsAddr", s.AbsAddr);
        field(n + "Bias", s.Bias);
        field(n + "Entry", s.Entry);
        field(n + "MaxBytes", s.MaxBytes);
        field(n + "HeaderString", s.HeaderString);
        field(n + "OutputFile", s.OutputFile);
        list(n + "Segments", s.Segments);
    }
    void specifics(const std::string& name, const NorvikOptions& s) {
        std::string n = name + ".";
        field(n + "AddLibs", s.AddLibs);
        field(n + "Verbose", s.Verbose);
        field(n + "LocalDir", s.LocalDir);
        field(n + "Paging", s.Paging);
        field(n + "LsSuffix", s.LsSuffix);
        field(n + "LaSuffix", s.LaSuffix);
        field(n + "LsDir", s.LsDir);
    }
    void specifics(const std::string& name, const DremoOptions& s) {
        std::string n = name + ".";
        field(n + "OutputFile", s.OutputFile);
        list(n + "Files", s.Files);
        list(n + "Functions", s.Functions);
    }
    void specifics(const std::string& name, const TovanOptions& s) {
        std::string n = name + ".";
        field(n + "V4Flag", s.V4Flag);
        field(n + "OldFmt", s.OldFmt);
        field(n + "Paged", s.Paged);
        field(n + "DPage", s.DPage);
        field(n + "Reverse", s.Reverse);
        field(n + "Verbose", s.Verbose);
        field(n + "OutputFile", s.OutputFile);
        field(n + "Model", s.Model);
    }
};

}  // namespace

std::string ProjectText(const ProjectRecord& p) {
    Text t;
    t.field("Flags", p.Flags);
    t.field("FileCount", p.FileCount);
    t.field("Name", p.Name);
    t.field("Description", p.Description);
    t.field("ExecName", p.ExecName);
    t.field("Directory", p.Directory);
    t.field("IncPath", p.IncPath);
    t.field("ObjPath", p.ObjPath);
    t.field("DefsChanged", p.DefsChanged);
    t.tool("Assembler", p.Assembler);
    t.tool("Compiler", p.Compiler);
    t.tool("Linker", p.Linker);
    t.field("Debug.Cmd", p.Debug.Cmd);
    t.field("Debug.Options", p.Debug.Options);
    t.field("Debug1.Cmd", p.Debug1.Cmd);
    t.field("Debug1.Options", p.Debug1.Options);
    t.tool("Tesk", p.Tesk);
    t.tool("Dremo", p.Dremo);
    t.tool("Pirn", p.Pirn);
    t.tool("Norvik", p.Norvik);
    t.tool("Tovan", p.Tovan);
    t.tool("BuilderTesk", p.BuilderTesk);
    t.tool("BuilderDremo", p.BuilderDremo);
    t.tool("BuilderPirn", p.BuilderPirn);
    t.tool("BuilderNorvik", p.BuilderNorvik);
    t.tool("BuilderTovan", p.BuilderTovan);
    t.tool("User1", p.User1);
    t.tool("User2", p.User2);
    t.list("Defines", p.Defines);
    t.list("Docs", p.Docs);
    int n = 0;
    for (const ProjectFile& f : p.Files) {
        std::string k = "File" + std::to_string(++n) + ".";
        t.field(k + "FileName", f.FileName);
        t.field(k + "Kind", f.Kind);
        t.field(k + "Exists", f.Exists);
        t.field(k + "OutOfDate", f.OutOfDate);
        t.field(k + "CompCmd", f.CompCmd);
        t.field(k + "UserFlags", f.UserFlags);
        t.field(k + "DefsChanged", f.DefsChanged);
        t.list(k + "Defines", f.Defines);
        t.list(k + "Docs", f.Docs);
        t.field(k + "Group", f.Group);
    }
    return t.out;
}

std::string OptionSetText(const OptionSet& set) {
    std::string out = "header: " + set.Header + "\n";
    for (const OptionRecord& r : set.Options) {
        out += r.Selected ? "* " : "  ";
        if (r.Page) out += std::string(1, r.Page) + ",";
        out += r.Option + "," + r.Label + "," + std::to_string(r.Number) + "\n";
    }
    return out + "command: " + CommandString(set) + "\n";
}

std::string DefinitionsText() {
    Text t;
    const ProjectRecord& d = default_project();
    t.field("Compiler", d.Compiler.Cmd);
    t.field("Assembler", d.Assembler.Cmd);
    t.field("Tesk", d.Tesk.Cmd);
    t.field("Dremo", d.Dremo.Cmd);
    t.field("Norvik", d.Norvik.Cmd);
    t.field("Pirn", d.Pirn.Cmd);
    t.field("LibDir", LibDir);
    t.field("LibModelCount", static_cast<std::uint32_t>(LibModelCount));
    for (const LibModel& m : LibModels) t.list("Model " + m.name, m.libraries);
    t.list("DefaultLibs", DefaultLibs);
    // The lines that insert the default libraries, their carriage returns as "\r".
    for (const std::string& lib : DefaultLibs) {
        std::string line = LibraryLine(lib);
        t.field("Insert", line.substr(0, line.size() - 1) + "\\r");
    }
    return t.out;
}

}  // namespace vesk
