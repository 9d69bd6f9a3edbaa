// Diagnostic lines and whole-file reads and writes.
#include "outside/lomar/diag.h"

#include "ccparse/toolkit/toolkit.h"
#include "support/one_line.h"

#include <cstdio>

namespace lomar {

void Diagnostics::error(const std::string& file, uint32_t line, const std::string& message) {
    std::string s = "#error " + program_ + " ";
    vy::append_one_line(s, file);
    s += ':';
    s += std::to_string(line);
    s += ' ';
    vy::append_one_line(s, message);
    lines_.push_back(s + "\n");
}

std::string Diagnostics::text() const {
    std::string all;
    for (const std::string& l : lines_) all += l;
    return all;
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "can't open " + path;
        return false;
    }
    uint8_t buf[65536];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (bytes.size() + n > MAX_INPUT_SIZE) {
            error = "file too large";
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), buf, buf + n);
    }
    if (ok && std::ferror(f)) {
        error = "read error";
        ok = false;
    }
    std::fclose(f);
    if (!ok) bytes.clear();
    return ok;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) vy::removefile(path.c_str());
    return ok;
}

std::string base_name(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string replace_extension(const std::string& path, const std::string& extension) {
    size_t base = path.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < base) return path + extension;
    return path.substr(0, dot) + extension;
}

}  // namespace lomar
