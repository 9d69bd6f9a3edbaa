// Text files read as whole lines: CR LF and LF end a line, a last line
// without an end is a whole line, and no line is cut or split, however long.
#pragma once

#include <string>
#include <vector>

namespace vesk {

// The lines of a file without their ends; false when it cannot be opened
// or read (or is larger than any input the environment reads).
bool read_lines(const std::string& path, std::vector<std::string>& lines);

// The lines of a text.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace vesk
