#include "ide/project/out_of_date.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "ide/project/frame_hooks.h"
#include "ide/project/paths.h"
#include "ide/project/text_lines.h"

namespace vesk {
namespace {

// How deep includes nest before a scan stops going further, and how many
// nodes a tree or listing takes at most (headers that include each other
// in many ways could otherwise make it grow without end).
constexpr int MAX_DEPTH = 200;
constexpr std::size_t MAX_NODES = 100000;

struct Include {
    std::string name;
    char open = 0;  // '"' or '<'
    std::string delimited() const { return open == '<' ? "<" + name + ">" : "\"" + name + "\""; }
};

// "#include" after leading blanks; the name between a pair of double quotes
// or angle brackets.
std::optional<Include> c_include(const std::string& line) {
    std::size_t pos = skipblanks(line);
    if (line.compare(pos, 8, "#include") != 0) return std::nullopt;
    std::size_t open = line.find_first_of("\"<", pos + 8);
    if (open == std::string::npos) return std::nullopt;
    char close = line[open] == '<' ? '>' : '"';
    std::size_t end = line.find(close, open + 1);
    if (end == std::string::npos) return std::nullopt;
    return Include{line.substr(open + 1, end - open - 1), line[open]};
}

// "include" after leading blanks, in any case (or only in lower case); the
// name after a double quote up to the closing one, which must be there, or
// after '<' up to '>' or the end of the line.
std::optional<Include> asm_include(const std::string& line, bool any_case) {
    std::size_t pos = skipblanks(line);
    std::string keyword = line.substr(pos, 7);
    if (any_case)
        for (char& c : keyword) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (keyword != "include") return std::nullopt;
    std::size_t open = line.find_first_of("\"<", pos + 7);
    if (open == std::string::npos) return std::nullopt;
    std::size_t end = line.find(line[open] == '<' ? '>' : '"', open + 1);
    if (end == std::string::npos) {
        if (line[open] == '"') return std::nullopt;
        end = line.size();
    }
    return Include{line.substr(open + 1, end - open - 1), line[open]};
}

// Where the C test finds an include: a quoted name first as it is, then
// along the include path; the first whose time can be read.
std::optional<std::string> find_header(const Include& inc) {
    if (inc.open == '"' && file_time(inc.name)) return inc.name;
    std::size_t pos = 0;
    while (auto candidate = nextpathname(inc.name, shared.IncludeSearch, pos))
        if (file_time(*candidate)) return candidate;
    return std::nullopt;
}

// The C scan: true as soon as a header newer than `object_time` is met
// (never, with no time). Each file is scanned once.
struct CScan {
    std::optional<std::int64_t> object_time;
    std::set<std::string> visited;
    std::vector<std::string> found;
};

bool scan_c(const std::string& file, CScan& scan, int depth) {
    if (depth > MAX_DEPTH || !scan.visited.insert(file).second) return false;
    std::vector<std::string> lines;
    if (!read_lines(file, lines)) return false;
    for (const std::string& line : lines) {
        std::optional<Include> inc = c_include(line);
        if (!inc) continue;
        std::optional<std::string> header = find_header(*inc);
        if (!header) continue;
        if (!scan.visited.count(*header)) scan.found.push_back(*header);
        if (scan.object_time && file_time(*header) > *scan.object_time) return true;
        if (scan_c(*header, scan, depth + 1)) return true;
    }
    return false;
}

// The assembler scan: an include whose time cannot be read, or that is
// newer than the object, makes the source out of date.
bool scan_asm(const std::string& file, std::int64_t object_time, std::set<std::string>& visited, int depth) {
    if (depth > MAX_DEPTH || !visited.insert(file).second) return false;
    std::vector<std::string> lines;
    if (!read_lines(file, lines)) return false;
    for (const std::string& line : lines) {
        std::optional<Include> inc = asm_include(line, true);
        if (!inc) continue;
        std::optional<std::int64_t> t = file_time(inc->name);
        if (!t || *t > object_time) return true;
        if (scan_asm(inc->name, object_time, visited, depth + 1)) return true;
    }
    return false;
}

// Steps 2 to 5 of both tests: the object, the times and the options; none
// when the include scan decides.
std::optional<std::uint32_t> object_test(const ProjectFile& file, std::int64_t& object_time) {
    std::optional<std::string> object = objectname(file.FileName);
    if (!object) return 1;
    std::optional<std::int64_t> ot = file_time(*object), st = file_time(file.FileName);
    if (!ot || !st) return 1;
    const ProjectRecord* project = current_project();
    if (*ot < *st || *ot < file.DefsChanged) return 1;
    if (file.Defines.empty() && project && *ot < project->DefsChanged) return 1;
    if (!isreadable(file.FileName)) {
        frame().error("Can't find file: " + file.FileName);
        return 0;
    }
    object_time = *ot;
    return std::nullopt;
}

template <class Scan>
std::uint32_t checked(const ProjectFile& file, Scan scan) {
    frame().rightstatus(" Checking " + file.FileName);
    std::int64_t object_time = 0;
    std::optional<std::uint32_t> result = object_test(file, object_time);
    std::uint32_t out = result ? *result : scan(object_time);
    frame().rightstatus("");
    return out;
}

}  // namespace

std::optional<std::int64_t> file_time(const std::string& name) {
    struct stat s;
    if (::stat(name.c_str(), &s) != 0) return std::nullopt;
    return static_cast<std::int64_t>(s.st_mtime);
}

bool isreadable(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "rt");
    if (!f) return false;
    std::fclose(f);
    return true;
}

std::optional<std::string> objectname(const std::string& source) {
    std::size_t dot = source.rfind('.');
    std::size_t dir = source.find_last_of("/\\:");
    bool has_extension = dot != std::string::npos && (dir == std::string::npos || dot > dir);
    std::string object = (has_extension ? source.substr(0, dot) : source) + ".o";
    if (isreadable(object)) return object;
    const std::string& paths = shared.ObjectPath;
    if (paths.empty()) return std::nullopt;
    std::string bare = base_name(object);
    std::size_t pos = 0;
    while (auto candidate = nextpathname(bare, paths, pos))
        if (isreadable(*candidate)) return candidate;
    return std::nullopt;
}

std::uint32_t coutofdate(const ProjectFile& file) {
    return checked(file, [&](std::int64_t object_time) {
        CScan scan;
        scan.object_time = object_time;
        return static_cast<std::uint32_t>(scan_c(file.FileName, scan, 0));
    });
}

std::uint32_t asmoutofdate(const ProjectFile& file) {
    return checked(file, [&](std::int64_t object_time) {
        std::set<std::string> visited;
        return static_cast<std::uint32_t>(scan_asm(file.FileName, object_time, visited, 0));
    });
}

std::vector<std::string> cheaders(const std::string& source) {
    CScan scan;
    scan_c(source, scan, 0);
    return scan.found;
}

namespace {

// Walks the includes of a file along one include path: `visit` gets each
// include with its depth (0 for the file's own) and says whether to go into
// it. A file already on the path is not entered again.
struct Walk {
    bool c = true;
    bool any_case = true;  // an assembler keyword in any case
    std::size_t nodes = 0;
    std::vector<std::string> path;
};

template <class Visit>
void walk(const std::string& file, Walk& w, int depth, Visit& visit) {
    std::vector<std::string> lines;
    if (depth > MAX_DEPTH || !read_lines(file, lines)) return;
    w.path.push_back(file);
    for (const std::string& line : lines) {
        std::optional<Include> inc = w.c ? c_include(line) : asm_include(line, w.any_case);
        if (!inc || ++w.nodes > MAX_NODES) continue;
        bool enter = std::find(w.path.begin(), w.path.end(), inc->name) == w.path.end();
        if (visit(*inc, depth, enter) && enter) walk(inc->name, w, depth + 1, visit);
        visit.leave(*inc, depth);
    }
    w.path.pop_back();
}

// Builds the tree: C includes nest under their includer, an assembler
// file's nested includes stand beside its own.
struct TreeBuilder {
    bool nest;
    std::vector<std::vector<DependencyNode>*> parents;
    bool operator()(const Include& inc, int depth, bool enter) {
        std::vector<DependencyNode>& siblings = *parents.back();
        siblings.push_back({inc.delimited(), {}});
        if (nest) parents.push_back(&siblings.back().children);
        return true;
    }
    void leave(const Include&, int) {
        if (nest) parents.pop_back();
    }
};

struct ListingWriter {
    std::string& out;
    bool operator()(const Include& inc, int depth, bool enter) {
        out += std::string(static_cast<std::size_t>(depth) + 2, '\t') + inc.name + "\n";
        return true;
    }
    void leave(const Include&, int) {}
};

}  // namespace

std::vector<DependencyNode> DependencyTree(const std::string& name) {
    std::vector<DependencyNode> nodes;
    Walk w;
    if (iscsource(name))
        w.c = true;
    else if (isasmsource(name))
        w.c = false;
    else
        return nodes;
    TreeBuilder builder{w.c, {&nodes}};
    walk(name, w, 0, builder);
    return nodes;
}

std::string DependencyText() {
    std::string out;
    const ProjectRecord* project = current_project();
    if (!project) return out;
    for (const ProjectFile& f : project->Files) {
        out += "\n" + f.FileName + "\n";
        Walk w;
        w.any_case = false;  // the listing takes the keyword in lower case only
        if (iscsource(f.FileName))
            w.c = true;
        else if (isasmsource(f.FileName))
            w.c = false;
        else
            continue;
        ListingWriter writer{out};
        walk(f.FileName, w, 0, writer);
    }
    return out;
}

}  // namespace vesk
