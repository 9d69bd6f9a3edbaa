// What the tests that run the built programs through the shell share.
#pragma once

#include <cstddef>
#include <string>

namespace vytest {

// A program of the build's bin folder as the platform's shell names it.
inline std::string binpath(const std::string& name) {
#ifdef _WIN32
    std::string path = std::string("Z:") + VY_BIN_DIR + "/" + name + ".exe";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
#else
    return std::string(VY_BIN_DIR) + "/" + name;
#endif
}

// The text with its CRLF line ends made LF.
inline std::string lf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

}  // namespace vytest
