// Files of the Windows debugger's tests: texts read and written whole, and
// the settings file "VYRS11.INI" in the Windows folder.
#pragma once
#include <string>
#include <vector>

namespace uidriver {

// The text without its carriage returns.
std::string lf(const std::string& text);
bool endsin(const std::string& text, const std::string& tail);
// A file's text with LF line ends ("" when it cannot be read).
std::string readfile(const std::string& path);
void writefile(const std::string& path, const std::string& text);
// Makes a folder and the folders above it that are missing; false when it
// is not there afterwards.
bool makefolders(const std::string& path);

std::string settingsfile();
void setsetting(const char* section, const char* key, const char* value);
std::string setting(const char* section, const char* key);
// The lines of one section of the settings file, as written.
std::vector<std::string> sectionlines(const std::string& section);
bool hasline(const std::string& section, const std::string& line);

}  // namespace uidriver
