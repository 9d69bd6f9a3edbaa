// Directory search with opendir and fnmatch.
#include "ccparse/toolkit/wildcard.h"

#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace vy {

std::vector<std::string> wildcard_search(const std::string& pattern) {
    auto slash = pattern.find_last_of("/\\");
    std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    if (directory.empty()) directory = "/";
    std::string name_pattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    std::vector<std::string> names;
    DIR* dir = opendir(directory.c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (fnmatch(name_pattern.c_str(), name.c_str(), FNM_NOESCAPE) != 0) continue;
        struct stat info;
        std::string path = directory + "/" + name;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
        names.push_back(name);
    }
    closedir(dir);
    // readdir's order is arbitrary; sorted names make runs repeatable.
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vy
