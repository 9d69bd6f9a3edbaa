#include "ide/project/paths.h"

#include <cctype>
#include <filesystem>

#include "ide/project/project.h"

namespace vesk {

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool hassuffix(const std::string& name, const std::string& suffix) {
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::optional<std::string> nextpathname(const std::string& file, const std::string& list, std::size_t& position) {
    if (position >= list.size()) return std::nullopt;
    std::size_t end = list.find_first_of(";|", position);
    if (end == std::string::npos) end = list.size();
    std::string element = list.substr(position, end - position);
    position = end < list.size() ? end + 1 : end;
    if (element.empty()) return file;
    if (!is_separator(element.back())) element += PATH_SEPARATOR;
    return element + file;
}

std::string includelist(char quote) {
    const std::string& list = shared.IncludeSearch;
    if (list.empty()) return "";
    return quote == '"' ? "|" + list : list;
}

std::size_t skipblanks(const std::string& text, std::size_t from) {
    while (from < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[from]);
        if (c >= 33 && c <= 126) break;
        ++from;
    }
    return from;
}

bool IsAbsolutePath(const std::string& path) {
    return (!path.empty() && is_separator(path[0])) || path.find(':') != std::string::npos;
}

void AppendExecPath(std::string& text, const ProjectRecord& project) {
    if (!IsAbsolutePath(project.ExecName) && !project.Directory.empty()) {
        text += project.Directory;
        if (!is_separator(project.Directory.back())) text += PATH_SEPARATOR;
    }
    text += project.ExecName;
}

int CreatePath(const std::string& path) {
    std::error_code ec;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !is_separator(path[i])) continue;
        // A level ends here; none at the start and none right after a drive.
        if (i == 0 || path[i - 1] == ':' || is_separator(path[i - 1])) continue;
        std::string level = path.substr(0, i);
        if (std::filesystem::is_directory(level, ec)) continue;
        if (!std::filesystem::create_directory(level, ec) && !std::filesystem::is_directory(level, ec)) return 0;
    }
    return 1;
}

bool IsIdentChar(int c) { return std::isalnum(c & 0xFF) || c == '_' || c == '$'; }

std::string base_name(const std::string& path) {
    std::size_t cut = path.find_last_of("/\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace vesk
