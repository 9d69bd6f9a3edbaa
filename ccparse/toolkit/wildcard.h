// The directory search behind wildcard expansion; one file per platform.
#pragma once

#include <string>
#include <vector>

namespace vy {

// The names of the files in the pattern's directory that match the last
// component of `pattern` ('*' any run, '?' one character), in the order the
// search returns them; bare names without the directory part. Directories
// (and "." and "..") are not returned.
std::vector<std::string> wildcard_search(const std::string& pattern);

}  // namespace vy
