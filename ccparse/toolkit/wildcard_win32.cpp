// Directory search with FindFirstFile and FindNextFile.
#include "ccparse/toolkit/wildcard.h"

#include <windows.h>

namespace vy {

std::vector<std::string> wildcard_search(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace vy
