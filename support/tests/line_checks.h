// Checks of what a program writes, for the robustness tests: every line
// whole, and no control byte inside a line.
#pragma once

#include "support/one_line.h"

#include <regex>
#include <string>

namespace vytest {

// True when `text` is whole lines (or nothing) holding no byte below 0x20
// but TAB, and no 0x7F.
inline bool clean_lines(const std::string& text) {
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && b != '\t' && b != '\n') || b == 0x7F) return false;
    }
    return text.empty() || text.back() == '\n';
}

// The lines of `errors` that do not match `line`, each made one line, and a
// last line without its line end.
inline std::string stray_lines(const std::string& errors, const std::regex& line) {
    std::string out;
    std::size_t start = 0;
    while (start < errors.size()) {
        std::size_t end = errors.find('\n', start);
        if (end == std::string::npos) return out + "(no line end) " + vy::one_line(errors.substr(start)) + "\n";
        std::string text = errors.substr(start, end - start);
        if (!std::regex_match(text, line)) out += vy::one_line(text) + "\n";
        start = end + 1;
    }
    return out;
}

}  // namespace vytest
