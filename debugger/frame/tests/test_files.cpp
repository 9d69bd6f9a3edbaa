#include "test_files.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace uidriver {

std::string lf(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

bool endsin(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string readfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return lf(s.str());
}

void writefile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool makefolders(const std::string& path) {
    for (std::size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string settingsfile() {
    char dir[MAX_PATH] = "";
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\VYRS11.INI";
}

void setsetting(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, settingsfile().c_str());
}

std::string setting(const char* section, const char* key) {
    char value[512] = "";
    GetPrivateProfileStringA(section, key, "", value, sizeof value, settingsfile().c_str());
    return value;
}

std::vector<std::string> sectionlines(const std::string& section) {
    std::vector<std::string> lines;
    std::istringstream in(readfile(settingsfile()));
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inside = _stricmp(line.c_str(), ("[" + section + "]").c_str()) == 0;
            continue;
        }
        if (inside && !line.empty()) lines.push_back(line);
    }
    return lines;
}

bool hasline(const std::string& section, const std::string& line) {
    for (const std::string& l : sectionlines(section))
        if (l == line) return true;
    return false;
}

}  // namespace uidriver
