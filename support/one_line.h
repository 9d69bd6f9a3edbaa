// Texts taken from input inside one-line messages. A diagnostic is always
// one line: every byte below 0x20 other than TAB, and 0x7F, is written as
// \xNN (two lower-case hexadecimal digits), so that a tool reading "#error"
// lines sees every error whole, and a NUL never cuts a line short.
#pragma once

#include <string>
#include <string_view>

namespace vy {

// Appends `text` to `out` with its control bytes written as \xNN.
void append_one_line(std::string& out, std::string_view text);

// `text` with its control bytes written as \xNN.
std::string one_line(std::string_view text);

}  // namespace vy
