#include "ide/project/text_lines.h"

#include <cstdio>

#include "support/file_read.h"

namespace vesk {

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        std::size_t cut = end > pos && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(text.substr(pos, cut - pos));
        pos = end + 1;
    }
    return lines;
}

bool read_lines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string text;
    vy::FileRead result = vy::read_whole(f, text);
    std::fclose(f);
    if (result != vy::FileRead::ok) return false;
    lines = split_lines(text);
    return true;
}

}  // namespace vesk
