#include "ide/project/build_commands.h"

#include "ide/project/paths.h"

namespace vesk {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

namespace {

// Calls `each` with every element of a ';' or '|' separated list; a
// trailing separator ends the list.
template <class F>
void for_each_element(const std::string& list, F each) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find_first_of(";|", pos);
        if (end == std::string::npos) end = list.size();
        each(list.substr(pos, end - pos));
        pos = end + 1;
    }
}

// A piece followed by a value, when the value is set.
void piece(std::string& line, const char* text, const std::string& value) {
    if (!value.empty()) line += text + value;
}

void flag(std::string& line, const char* text, std::uint32_t set) {
    if (set) line += text;
}

}  // namespace

void AppendIncludeOptions(std::string& line, const std::string& paths) {
    for_each_element(paths, [&](const std::string& dir) { line += " -i" + quoted(dir); });
}

void AppendLibPathOptions(std::string& line, const std::string& paths) {
    for_each_element(paths, [&](const std::string& dir) { line += "-l" + quoted(dir) + " "; });
}

std::string SourceCommand(const ProjectRecord& project, const ProjectFile* file, const std::string& name,
                          std::uint16_t kind) {
    const ToolBlock& tool = kind == KIND_C ? project.Compiler : project.Assembler;
    std::string line = file && !file->CompCmd.empty() ? file->CompCmd : tool.Cmd;
    if (!project.IncPath.empty()) AppendIncludeOptions(line, project.IncPath);
    if (kind == KIND_C || kind == KIND_ASM) {
        if (file && !file->UserFlags.empty())
            line += " " + file->UserFlags;
        else if (!tool.UserFlags.empty())
            line += " " + tool.UserFlags;
    }
    const std::vector<std::string>& defines = file && !file->Defines.empty() ? file->Defines : project.Defines;
    for (const std::string& d : defines) line += " -d" + d;
    return line + " " + quoted(name);
}

std::string LinkCommand(const ProjectRecord& project, BankForm bank) {
    const LinkSettings& s = linksettings(project);
    std::string line = "lomar ";
    flag(line, "-v ", s.Verbose);
    flag(line, "-s ", s.SymbOnly);
    flag(line, "-p ", s.Physmap);
    if (s.BankSpec) {
        std::uint32_t number = s.BankSize;
        if (bank == BankForm::bits) {
            number = 0;
            for (std::uint32_t size = s.BankSize; size >>= 1;) ++number;
        }
        line += "-bs" + std::to_string(number) + " ";
    }
    if (!s.OutputFile.empty()) line += "-o " + quoted(s.OutputFile) + " ";
    if (!s.MapFile.empty()) line += "-m " + quoted(s.MapFile) + " ";
    if (!s.ErrFile.empty()) line += "-e " + quoted(s.ErrFile) + " ";
    if (!s.LibPath.empty()) AppendLibPathOptions(line, s.LibPath);
    return line + quoted(s.InCmd);
}

std::string TeskCommand(const std::string& file, const ToolBlock& block) {
    std::string line = block.Cmd.empty() ? "tesk" : block.Cmd;
    line += " -o ";
    line += block.OutputFile.empty() ? " TESK.TMP " : quoted(block.OutputFile);
    return line + " " + quoted(file);
}

std::string PirnCommand(const std::string& file, const PirnOptions* o) {
    if (!o) return "pirn -o PIRN.TMP " + quoted(file);
    std::string line = "pirn";
    piece(line, " -a", o->AbsAddr);
    // A record without a format reads back as S-records.
    line += std::string(" -f") + (o->Format ? o->Format : 'm');
    flag(line, " -h", o->Noheader);
    if (o->Paginated == 'n')
        line += " -pn";
    else if (o->Paginated == 'p')
        line += " -pp";
    else if (o->Paginated)
        line += " -p";
    flag(line, " -s", o->Increasing);
    piece(line, " -b", o->Bias);
    piece(line, " -e", o->Entry);
    piece(line, " -m", o->MaxBytes);
    piece(line, " +h", o->HeaderString);
    for (const std::string& s : o->Segments) line += " -n" + s;
    line += " -o ";
    line += o->OutputFile.empty() ? "PIRN.TMP" : quoted(o->OutputFile);
    return line + " " + quoted(file);
}

std::string NorvikCommand(const std::string& file, const NorvikOptions* o) {
    std::string line = "norvik";
    if (o) {
        flag(line, " -a", o->AddLibs);
        flag(line, " -v", o->Verbose);
        flag(line, " -l", o->LocalDir);
        if (o->Paging == 3)
            line += " -pn";
        else if (o->Paging == 2)
            line += " -pp";
        else if (o->Paging)
            line += " -p";
        piece(line, " -cl", o->LsDir);
        piece(line, " -r", o->LsSuffix);
        piece(line, " -s", o->LaSuffix);
    }
    return line + " " + quoted(file);
}

std::string DremoCommand(const std::string& file, const DremoOptions* o) {
    if (!o) return "dremo -oDREMO.TMP " + quoted(file);
    std::string line = "dremo";
    for (const std::string& f : o->Files) line += " -fl" + quoted(f);
    for (const std::string& f : o->Functions) line += " -fc" + f;
    line += " -o ";
    line += o->OutputFile.empty() ? "DREMO.TMP" : quoted(o->OutputFile);
    return line + " " + quoted(file);
}

std::string TovanCommand(const std::string& file, const TovanOptions* o) {
    std::string line = "tovan";
    if (o) {
        flag(line, " -v", o->Verbose);
        flag(line, " +V4", o->V4Flag);
        flag(line, " +old", o->OldFmt);
        if (o->Paged == 2)
            line += " +page2";
        else if (o->Paged == 1)
            line += " +page1";
        flag(line, " +dpage", o->DPage);
        flag(line, " -rb", o->Reverse);
        if (!o->OutputFile.empty()) line += " -o " + quoted(o->OutputFile);
    }
    return line + " " + quoted(file);
}

namespace {
const DebuggerEntry& debugger(const ProjectRecord& project, int which) {
    return which ? project.Debug1 : project.Debug;
}
}  // namespace

std::string DebuggerDirectory(const ProjectRecord& project, int which) {
    const std::string& cmd = debugger(project, which).Cmd;
    std::size_t cut = cmd.find_last_of("/\\:");
    return cut == std::string::npos ? cmd : cmd.substr(0, cut);
}

std::string DebuggerCommand(const ProjectRecord& project, int which) {
    const DebuggerEntry& d = debugger(project, which);
    std::string line = d.Cmd + " " + d.Options;
    if (project.ExecName.empty()) return line;
    line += " ";
    AppendExecPath(line, project);
    return line;
}

}  // namespace vesk
