// Program name, banner and version line.
#include "ccparse/toolkit/toolkit.h"

#include <string>

namespace vy {

const char* version_text = nullptr;
const char* date_text = nullptr;

namespace {
std::string program_name;
}

const char* progname() { return program_name.c_str(); }

void setprogname(const char* first_word) {
    std::string_view word = first_word ? first_word : "";
    auto slash = word.find_last_of("/\\");
    if (slash != std::string_view::npos) word.remove_prefix(slash + 1);
    word = word.substr(0, word.find('.'));
    program_name.clear();
    for (char c : word) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        program_name += c;
    }
}

std::string banner_text(const char* title) {
    std::string text = "Talvex Software";
    if (title) {
        if (title[0] != ' ') text += ' ';
        text += title;
    }
    if (version_text) {
        text += ' ';
        text += version_text;
    }
    return text;
}

void putbanner(const char* title) { toolwrite(banner_text(title)); }

std::string version_line(const char* title) {
    std::string text = banner_text(title);
    if (date_text) {
        text += " - ";
        text += date_text;
    }
    text += " - Win32\n";
    return text;
}

}  // namespace vy
