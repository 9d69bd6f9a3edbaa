// Reading and writing the project file. Each section's keys are a table in
// the order they are written: key, value form, whether it is written always
// or only when set, and the field.
#include "ide/project/project_file.h"

#include <cstdio>
#include <filesystem>
#include <span>
#include <variant>

#include "ide/project/frame_hooks.h"
#include "ide/project/out_of_date.h"
#include "ide/project/profile.h"
#include "support/number_text.h"

namespace vesk {
namespace {

enum class Form {
    text,
    flag,         // "YES"/"NO"; set when the value starts with 'Y' or 'y'
    decimal,      // "%i"
    hex,          // lower-case hexadecimal digits; missing reads 0
    digit,        // the value plus '0'; read as the first character minus '0'
    tovan_paged,  // a digit; read 'Y'/'y' 1, 'N'/'n' or nothing 0
    format,       // pirn's format letter; missing reads 'm'
    paginated,    // "OFF", "Noral", "Promic", "Standard"
};
enum class When { always, set };

template <class R>
using Field = std::variant<std::string R::*, std::uint32_t R::*, char R::*>;

template <class R>
struct Key {
    const char* name;
    Form form;
    When when;
    Field<R> field;
};

// A counted list: the count key, then one key per item numbered from 0.
template <class R>
struct ListKey {
    const char* count;
    const char* item;
    std::vector<std::string> R::*list;
};

const Key<ToolBlock> tool_keys[] = {
    {"Cmd", Form::text, When::always, &ToolBlock::Cmd},
    {"UserFlags", Form::text, When::always, &ToolBlock::UserFlags},
};

const Key<LinkSettings> link_keys[] = {
    {"Verbose", Form::flag, When::always, &LinkSettings::Verbose},
    {"SymbOnly", Form::flag, When::always, &LinkSettings::SymbOnly},
    {"Physmap", Form::flag, When::always, &LinkSettings::Physmap},
    {"BankSpec", Form::flag, When::always, &LinkSettings::BankSpec},
    {"BankSize", Form::hex, When::always, &LinkSettings::BankSize},
    {"OutputFile", Form::text, When::set, &LinkSettings::OutputFile},
    {"InCmd", Form::text, When::set, &LinkSettings::InCmd},
    {"MapFile", Form::text, When::set, &LinkSettings::MapFile},
    {"ErrFile", Form::text, When::set, &LinkSettings::ErrFile},
    {"Libs", Form::text, When::set, &LinkSettings::Libs},
    {"LibPath", Form::text, When::set, &LinkSettings::LibPath},
};

const Key<ToolBlock> tesk_keys[] = {
    {"Cmd", Form::text, When::always, &ToolBlock::Cmd},
    {"OutputFile", Form::text, When::always, &ToolBlock::OutputFile},
};

const Key<DremoOptions> dremo_keys[] = {
    {"OutputFile", Form::text, When::set, &DremoOptions::OutputFile},
};
const ListKey<DremoOptions> dremo_lists[] = {
    {"NbFiles", "FILE", &DremoOptions::Files},
    {"NbFuncs", "FUNC", &DremoOptions::Functions},
};

const Key<PirnOptions> pirn_keys[] = {
    {"Format", Form::format, When::always, &PirnOptions::Format},
    {"Noheader", Form::flag, When::always, &PirnOptions::Noheader},
    {"Paginated", Form::paginated, When::always, &PirnOptions::Paginated},
    {"Increasing", Form::flag, When::always, &PirnOptions::Increasing},
    {"AbsAddr", Form::text, When::always, &PirnOptions::AbsAddr},
    {"Bias", Form::text, When::always, &PirnOptions::Bias},
    {"Entry", Form::text, When::always, &PirnOptions::Entry},
    {"MaxBytes", Form::text, When::always, &PirnOptions::MaxBytes},
    {"HeaderString", Form::text, When::always, &PirnOptions::HeaderString},
    {"OutputFile", Form::text, When::always, &PirnOptions::OutputFile},
};
const ListKey<PirnOptions> pirn_lists[] = {
    {"NbSegs", "SEG", &PirnOptions::Segments},
};

const Key<NorvikOptions> norvik_keys[] = {
    {"AddLibs", Form::flag, When::always, &NorvikOptions::AddLibs},
    {"Verbose", Form::flag, When::always, &NorvikOptions::Verbose},
    {"LocalDir", Form::flag, When::always, &NorvikOptions::LocalDir},
    {"Paging", Form::digit, When::always, &NorvikOptions::Paging},
    {"LsSuffix", Form::text, When::always, &NorvikOptions::LsSuffix},
    {"LsDir", Form::text, When::always, &NorvikOptions::LsDir},
    {"LaSuffix", Form::text, When::always, &NorvikOptions::LaSuffix},
};

const Key<TovanOptions> tovan_keys[] = {
    {"V4Flag", Form::flag, When::always, &TovanOptions::V4Flag},
    {"OldFmt", Form::flag, When::always, &TovanOptions::OldFmt},
    {"Paged", Form::tovan_paged, When::always, &TovanOptions::Paged},
    {"Reverse", Form::flag, When::always, &TovanOptions::Reverse},
    {"Verbose", Form::flag, When::always, &TovanOptions::Verbose},
    {"OutputFile", Form::text, When::always, &TovanOptions::OutputFile},
    {"Model", Form::text, When::always, &TovanOptions::Model},
};

// ------------------------------------------------------------- values

std::string decimal_text(std::int32_t value) { return std::to_string(value); }

std::int32_t decimal_value(const std::string& text) {
    std::int32_t n = 0;
    vy::scanlong(text.data(), static_cast<std::int32_t>(text.size()), n, 10);
    return n;
}

bool flag_value(const std::string& text) { return !text.empty() && (text[0] == 'Y' || text[0] == 'y'); }

std::string encode(Form form, std::uint32_t word, char letter) {
    switch (form) {
        case Form::flag:
            return word ? "YES" : "NO";
        case Form::decimal:
            return decimal_text(static_cast<std::int32_t>(word));
        case Form::hex: {
            char digits[40];
            return std::string(digits, static_cast<std::size_t>(vy::ultotext(digits, word, 16)));
        }
        case Form::digit:
        case Form::tovan_paged:
            return std::string(1, static_cast<char>(word + '0'));
        case Form::format:
            return letter ? std::string(1, letter) : "";
        case Form::paginated:
            return letter == 0 ? "OFF" : letter == 'n' ? "Noral" : letter == 'p' ? "Promic" : "Standard";
        case Form::text:
            break;
    }
    return "";
}

std::uint32_t word_value(Form form, const std::string& text) {
    switch (form) {
        case Form::flag:
            return flag_value(text);
        case Form::decimal:
            return static_cast<std::uint32_t>(decimal_value(text));
        case Form::hex: {
            std::int32_t n = 0;
            vy::scanlong(text.data(), static_cast<std::int32_t>(text.size()), n, 16);
            return static_cast<std::uint32_t>(n);
        }
        case Form::digit:
            return static_cast<std::uint32_t>(static_cast<unsigned char>(text.empty() ? '0' : text[0]) - '0');
        case Form::tovan_paged:
            if (text.empty() || text[0] == 'N' || text[0] == 'n') return 0;
            if (text[0] == 'Y' || text[0] == 'y') return 1;
            return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0]) - '0');
        default:
            return 0;
    }
}

char letter_value(Form form, const std::string& text) {
    if (form == Form::format) return text.empty() ? 'm' : text[0];
    // paginated
    switch (text.empty() ? 0 : text[0]) {
        case 'Y': case 'y': case 'S': case 's': return 's';
        case 'N': case 'n': return 'n';
        case 'P': case 'p': return 'p';
        default: return 0;
    }
}

// A value that reading would change (blanks around it, or one pair of
// matching quotes around it) is written inside double quotes, which reading
// takes away again.
std::string protect(const std::string& value) {
    if (value.empty()) return value;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; };
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (blank(value.front()) || blank(value.back()) || quoted) return "\"" + value + "\"";
    return value;
}

// ------------------------------------------------------------ reading

class Reader {
public:
    explicit Reader(std::string file) : file_(std::move(file)) {}
    std::string get(const std::string& section, const std::string& key) const {
        return profile_read(file_, section, key);
    }

    template <class R>
    void keys(const std::string& section, R& record, std::span<const Key<R>> table) const {
        for (const Key<R>& k : table) {
            std::string value = get(section, k.name);
            std::visit(
                [&](auto member) {
                    using T = std::remove_reference_t<decltype(record.*member)>;
                    if constexpr (std::is_same_v<T, std::string>)
                        record.*member = value;
                    else if constexpr (std::is_same_v<T, std::uint32_t>)
                        record.*member = word_value(k.form, value);
                    else
                        record.*member = letter_value(k.form, value);
                },
                k.field);
        }
    }

    // A count below 0 reads as 0, one above the bound as the bound.
    int count(const std::string& section, const std::string& key) const {
        std::int32_t n = decimal_value(get(section, key));
        return n < 0 ? 0 : n > MAX_LIST_COUNT ? MAX_LIST_COUNT : n;
    }

    // Every item of the count, numbered from 0; an empty one is an empty text.
    std::vector<std::string> every_item(const std::string& section, const std::string& count_key,
                                        const std::string& item) const {
        std::vector<std::string> list;
        int n = count(section, count_key);
        for (int i = 0; i < n; ++i) list.push_back(get(section, item + std::to_string(i)));
        return list;
    }

    // Items from the last down to 0, up to the first missing or empty one;
    // the list keeps file order.
    std::vector<std::string> docs(const std::string& section) const {
        std::vector<std::string> list;
        for (int i = count(section, "NbDocs") - 1; i >= 0; --i) {
            std::string value = get(section, "DOC" + std::to_string(i));
            if (value.empty()) break;
            list.insert(list.begin(), value);
        }
        return list;
    }

    template <class R>
    void lists(const std::string& section, R& record, std::span<const ListKey<R>> table) const {
        for (const ListKey<R>& l : table) record.*l.list = every_item(section, l.count, l.item);
    }

private:
    std::string file_;
};

// The option record of a tool, read when SPECIFICS says there is one.
template <class R>
void read_specifics(const Reader& in, const std::string& section, ToolBlock& block, std::span<const Key<R>> keys,
                    std::span<const ListKey<R>> lists = {}) {
    block.specifics = std::monostate{};
    if (!flag_value(in.get(section, "SPECIFICS"))) return;
    R options;
    in.keys(section, options, keys);
    in.lists(section, options, lists);
    block.specifics = std::move(options);
}

void read_dremo(const Reader& in, const std::string& section, ToolBlock& block) {
    block.Cmd = in.get(section, "Cmd");
    read_specifics<DremoOptions>(in, section, block, dremo_keys, dremo_lists);
}

void read_pirn(const Reader& in, const std::string& section, ToolBlock& block) {
    std::string cmd = in.get(section, "Cmd");
    if (!cmd.empty()) block.Cmd = cmd;
    read_specifics<PirnOptions>(in, section, block, pirn_keys, pirn_lists);
}

void read_debugger(const Reader& in, const std::string& section, DebuggerEntry& d) {
    d.Cmd = in.get(section, "Cmd");
    if (!d.Cmd.empty()) d.Options = in.get(section, "Options");
}

void read_file_options(const Reader& in, int n, ProjectFile& f) {
    std::string section = "FILE" + std::to_string(n) + "OPTS";
    f.CompCmd = in.get(section, "CompCmd");
    f.UserFlags = in.get(section, "UserFlags");
    std::uint32_t stamp = 0;
    std::string text = in.get(section, "DefsChanged");
    vy::scanulong(text.data(), static_cast<std::int32_t>(text.size()), stamp, 10);
    f.DefsChanged = stamp;
    f.Defines = in.every_item(section, "NbDefines", "DEF");
    f.Docs = in.docs(section);
    f.Group = in.get(section, "Group");
}

bool is_directory(const std::string& path);

// A file (not a directory) that opens for reading.
bool readable(const std::string& name) {
    if (is_directory(name)) return false;
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool is_directory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// The profile functions of the platform look for a name without a
// directory in the Windows directory: a project file is named in full.
std::string full_path(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

// ------------------------------------------------------------ writing

class Writer {
public:
    explicit Writer(std::string file) : file_(std::move(file)) {}
    bool failed() const { return failed_; }

    void put(const std::string& section, const std::string& key, const std::string& value) {
        if (!failed_ && !profile_write(file_, section, key, protect(value))) failed_ = true;
    }

    template <class R>
    void keys(const std::string& section, const R& record, std::span<const Key<R>> table) {
        for (const Key<R>& k : table) {
            std::visit(
                [&](auto member) {
                    using T = std::remove_cvref_t<decltype(record.*member)>;
                    if constexpr (std::is_same_v<T, std::string>) {
                        if (k.when == When::always || !(record.*member).empty()) put(section, k.name, record.*member);
                    } else if constexpr (std::is_same_v<T, std::uint32_t>) {
                        put(section, k.name, encode(k.form, record.*member, 0));
                    } else {
                        put(section, k.name, encode(k.form, 0, record.*member));
                    }
                },
                k.field);
        }
    }

    void list(const std::string& section, const std::string& count, const std::string& item,
              const std::vector<std::string>& values, int first) {
        if (values.empty()) return;
        put(section, count, decimal_text(static_cast<std::int32_t>(values.size())));
        for (std::size_t i = 0; i < values.size(); ++i)
            put(section, item + std::to_string(static_cast<int>(i) + first), values[i]);
    }

    template <class R>
    void lists(const std::string& section, const R& record, std::span<const ListKey<R>> table) {
        for (const ListKey<R>& l : table) list(section, l.count, l.item, record.*l.list, 0);
    }

private:
    std::string file_;
    bool failed_ = false;
};

// SPECIFICS and the option record's keys; `always` writes "NO" for a tool
// without one (the builder steps), else nothing is written for it.
template <class R>
void write_specifics(Writer& out, const std::string& section, const ToolBlock& block, std::span<const Key<R>> keys,
                     std::span<const ListKey<R>> lists = {}, bool always = true) {
    const R* options = options_of<R>(block);
    if (!options) {
        if (always) out.put(section, "SPECIFICS", "NO");
        return;
    }
    out.put(section, "SPECIFICS", "YES");
    out.keys(section, *options, keys);
    out.lists(section, *options, lists);
}

void write_dremo(Writer& out, const std::string& section, const ToolBlock& block) {
    out.put(section, "Cmd", block.Cmd);
    write_specifics<DremoOptions>(out, section, block, dremo_keys, dremo_lists);
}

void write_debugger(Writer& out, const std::string& section, const DebuggerEntry& d) {
    out.put(section, "Cmd", d.Cmd);
    if (!d.Cmd.empty() && !d.Options.empty()) out.put(section, "Options", d.Options);
}

void write_file_options(Writer& out, int n, const ProjectFile& f) {
    std::string section = "FILE" + std::to_string(n) + "OPTS";
    out.put(section, "FileName", f.FileName);
    if (!f.CompCmd.empty()) out.put(section, "CompCmd", f.CompCmd);
    if (!f.UserFlags.empty()) out.put(section, "UserFlags", f.UserFlags);
    out.put(section, "DefsChanged", decimal_text(static_cast<std::int32_t>(f.DefsChanged)));
    out.list(section, "NbDefines", "DEF", f.Defines, 0);
    out.list(section, "NbDocs", "DOC", f.Docs, 0);
    if (!f.Group.empty()) out.put(section, "Group", f.Group);
}

void write_project(Writer& out, const ProjectRecord& p) {
    const char* P = "Project";
    out.put(P, "Directory", p.Directory);
    out.put(P, "IncPath", p.IncPath);
    out.put(P, "ObjPath", p.ObjPath);
    out.put(P, "Name", p.Name);
    out.put(P, "Description", p.Description);
    out.put(P, "ExecName", p.ExecName);
    out.put(P, "DefsChanged", decimal_text(static_cast<std::int32_t>(p.DefsChanged)));
    out.put(P, "FileType", decimal_text(shared.FileType));
    out.put(P, "AsmExtensions", shared.AsmExtensions);
    out.put(P, "TabWidth", decimal_text(shared.TabWidth));

    out.keys<ToolBlock>("Assembler", p.Assembler, tool_keys);
    out.keys<ToolBlock>("Compiler", p.Compiler, tool_keys);
    out.put("Linker", "Cmd", p.Linker.Cmd);
    out.keys<LinkSettings>("Linker", linksettings(p), link_keys);
    write_debugger(out, "Debug", p.Debug);
    write_debugger(out, "Debug1", p.Debug1);
    out.keys<ToolBlock>("Tesk", p.Tesk, tesk_keys);
    write_dremo(out, "Dremo", p.Dremo);
    write_specifics<PirnOptions>(out, "Pirn", p.Pirn, pirn_keys, pirn_lists, false);
    write_specifics<NorvikOptions>(out, "Norvik", p.Norvik, norvik_keys, {}, false);
    write_specifics<TovanOptions>(out, "Tovan", p.Tovan, tovan_keys, {}, false);

    auto exec = [&](const char* section, const ToolBlock& b) { out.put(section, "Exec", encode(Form::flag, b.Exec, 0)); };
    exec("Builder.Tesk", p.BuilderTesk);
    out.keys<ToolBlock>("Builder.Tesk", p.BuilderTesk, tesk_keys);
    exec("Builder.Dremo", p.BuilderDremo);
    write_dremo(out, "Builder.Dremo", p.BuilderDremo);
    exec("Builder.Pirn", p.BuilderPirn);
    write_specifics<PirnOptions>(out, "Builder.Pirn", p.BuilderPirn, pirn_keys, pirn_lists);
    exec("Builder.Norvik", p.BuilderNorvik);
    write_specifics<NorvikOptions>(out, "Builder.Norvik", p.BuilderNorvik, norvik_keys);
    exec("Builder.Tovan", p.BuilderTovan);
    write_specifics<TovanOptions>(out, "Builder.Tovan", p.BuilderTovan, tovan_keys);
    exec("Builder.User1", p.User1);
    out.put("Builder.User1", "Cmd", p.User1.Cmd);
    exec("Builder.User2", p.User2);
    out.put("Builder.User2", "Cmd", p.User2.Cmd);

    out.list("PROJ_DEFINES", "Number", "", p.Defines, 1);
    out.list("PROJ_DOCS", "NbDocs", "DOC", p.Docs, 0);

    int n = 0;
    for (const ProjectFile& f : p.Files) {
        ++n;
        out.put("Files", std::to_string(n), f.FileName);
        write_file_options(out, n, f);
    }
}

}  // namespace

ProjectRecord* LoadProject(const std::string& path) {
    // 1. A new real record with its link settings becomes current.
    auto* p = new ProjectRecord;
    p->Flags = REAL_PROJECT;
    p->ProjectPath = path;
    LinkSettings& link = linksettings(*p);
    set_current_project(p);
    Reader in(full_path(path));
    const char* P = "Project";

    // 2. The names, and the project directory made current.
    p->Name = in.get(P, "Name");
    p->Description = in.get(P, "Description");
    p->ExecName = in.get(P, "ExecName");
    link.OutputFile = p->ExecName;
    p->Directory = in.get(P, "Directory");
    if (!p->Directory.empty()) {
        if (is_directory(p->Directory))
            frame().changedir(p->Directory);
        else
            frame().error("Project Directory: " + p->Directory + " Does not EXIST ");
    }

    // 3. The search lists and the values the frame keeps.
    p->IncPath = in.get(P, "IncPath");
    shared.IncludeSearch = p->IncPath;
    p->ObjPath = in.get(P, "ObjPath");
    shared.ObjectPath = p->ObjPath;
    std::string value = in.get(P, "AsmExtensions");
    if (!value.empty()) shared.AsmExtensions = value;
    value = in.get(P, "TabWidth");
    if (!value.empty()) shared.TabWidth = decimal_value(value);

    // 4. The assembler.
    in.keys<ToolBlock>("Assembler", p->Assembler, tool_keys);

    // 5. The default file type, shown checked whether or not the file names one.
    value = in.get(P, "FileType");
    if (!value.empty()) {
        std::int32_t type = decimal_value(value);
        if (type >= 324 && type <= 330) shared.FileType = type;
    }
    frame().filetype(shared.FileType);

    // 6-7. The options' time, the compiler and the linker.
    p->DefsChanged = static_cast<std::uint32_t>(decimal_value(in.get(P, "DefsChanged")));
    in.keys<ToolBlock>("Compiler", p->Compiler, tool_keys);
    p->Linker.Cmd = in.get("Linker", "Cmd");
    std::string exec_copy = link.OutputFile;
    in.keys<LinkSettings>("Linker", link, link_keys);
    if (link.OutputFile.empty()) link.OutputFile = exec_copy;

    // 8. The debuggers.
    read_debugger(in, "Debug", p->Debug);
    read_debugger(in, "Debug1", p->Debug1);

    // 9. The post-link tools run from the tool tree.
    p->Tesk.Cmd = in.get("Tesk", "Cmd");
    p->Tesk.OutputFile = in.get("Tesk", "OutputFile");
    read_dremo(in, "Dremo", p->Dremo);
    read_pirn(in, "Pirn", p->Pirn);
    read_specifics<NorvikOptions>(in, "Norvik", p->Norvik, norvik_keys);
    read_specifics<TovanOptions>(in, "Tovan", p->Tovan, tovan_keys);

    // 10. The build steps.
    auto exec = [&](const char* section, ToolBlock& b) { b.Exec = flag_value(in.get(section, "Exec")); };
    exec("Builder.Tesk", p->BuilderTesk);
    in.keys<ToolBlock>("Builder.Tesk", p->BuilderTesk, tesk_keys);
    exec("Builder.Dremo", p->BuilderDremo);
    read_dremo(in, "Builder.Dremo", p->BuilderDremo);
    exec("Builder.Pirn", p->BuilderPirn);
    read_pirn(in, "Builder.Pirn", p->BuilderPirn);
    exec("Builder.Norvik", p->BuilderNorvik);
    read_specifics<NorvikOptions>(in, "Builder.Norvik", p->BuilderNorvik, norvik_keys);
    exec("Builder.Tovan", p->BuilderTovan);
    read_specifics<TovanOptions>(in, "Builder.Tovan", p->BuilderTovan, tovan_keys);
    exec("Builder.User1", p->User1);
    p->User1.Cmd = in.get("Builder.User1", "Cmd");
    exec("Builder.User2", p->User2);
    p->User2.Cmd = in.get("Builder.User2", "Cmd");

    // 11. The project's definitions (from key 1 up to the first missing
    // one) and documents.
    int defines = in.count("PROJ_DEFINES", "Number");
    for (int i = 1; i <= defines; ++i) {
        std::string d = in.get("PROJ_DEFINES", std::to_string(i));
        if (d.empty()) break;
        p->Defines.push_back(d);
    }
    p->Docs = in.docs("PROJ_DOCS");

    // 12. The files, up to the first missing number. A file's own options
    // are read before its out-of-date test, which depends on them.
    for (int n = 1;; ++n) {
        std::string name = in.get("Files", std::to_string(n));
        if (name.empty()) break;
        ++p->FileCount;
        ProjectFile& f = p->Files.emplace_back();
        f.FileName = name;
        f.Kind = filekind(name);
        f.Exists = readable(name);
        read_file_options(in, n, f);
        if (f.Exists) {
            if (iscsource(name))
                f.OutOfDate = coutofdate(f);
            else if (isasmsource(name))
                f.OutOfDate = asmoutofdate(f);
        }
    }

    // 13. The project directory once more.
    if (!p->Directory.empty() && is_directory(p->Directory)) frame().changedir(p->Directory);
    return p;
}

bool SaveProject(const std::string& path) {
    const ProjectRecord* p = current_project();
    std::string target = full_path(path);
    std::string temp = target + ".sav~";
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    Writer out(temp);
    write_project(out, *p);
    if (!out.failed()) {
        std::filesystem::rename(temp, target, ec);
        if (!ec) return true;
    }
    std::filesystem::remove(temp, ec);
    frame().error("Can't Write Project File: " + path);
    return false;
}

}  // namespace vesk
