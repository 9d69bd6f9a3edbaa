// Small path and text helpers of the environment. Paths are cut at '/' and
// '\' alike and joined with the host's separator; path lists are separated
// by ';' or '|' (an empty element is the current directory).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vesk {

struct ProjectRecord;

#ifdef _WIN32
constexpr char PATH_SEPARATOR = '\\';
#else
constexpr char PATH_SEPARATOR = '/';
#endif

bool is_separator(char c);

// True when the name is longer than the suffix and ends with exactly its bytes.
bool hassuffix(const std::string& name, const std::string& suffix);

// The next element of a path list from `position`, joined with the file
// name (a separator between them unless the element ends in one; an empty
// element gives the bare name); `position` moves past the element and its
// separator. None when the list is used up.
std::optional<std::string> nextpathname(const std::string& file, const std::string& list, std::size_t& position);

// The project's include list, with a leading '|' (the current directory
// first) for an include written with double quotes; empty without a list.
std::string includelist(char quote);

// The index of the first character that is printable and not a blank
// (33-126), or the text's length.
std::size_t skipblanks(const std::string& text, std::size_t from = 0);

// Begins with a separator or holds a ':'.
bool IsAbsolutePath(const std::string& path);

// Appends the project's executable name, after the project directory and a
// separator when the name is not absolute and the project has a directory.
void AppendExecPath(std::string& text, const ProjectRecord& project);

// Makes every missing directory level of the path and the path itself; a
// leading separator and one right after ':' start no level. 1 on success.
int CreatePath(const std::string& path);

// Letters, digits, '_' and '$'.
bool IsIdentChar(int c);

// The part of a name after its last separator or ':'.
std::string base_name(const std::string& path);

}  // namespace vesk
