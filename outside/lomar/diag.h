// Diagnostics of the linker and the librarian: "#error" lines in the form
// the environment's error window reads, one line each whatever the input
// holds, and the file reading that every input goes through.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lomar {

class Diagnostics {
public:
    explicit Diagnostics(std::string program) : program_(std::move(program)) {}

    // "#error PROGRAM FILE:LINE MESSAGE"; bytes below 0x20 (but TAB) and
    // 0x7F in the file or the message are written as \xNN.
    void error(const std::string& file, uint32_t line, const std::string& message);

    int count() const { return static_cast<int>(lines_.size()); }
    const std::vector<std::string>& lines() const { return lines_; }
    std::string text() const;

private:
    std::string program_;
    std::vector<std::string> lines_;
};

// Bytes of a file that is read whole. Files beyond this are refused.
constexpr uint64_t MAX_INPUT_SIZE = 256u << 20;

// Reads a whole file; false with "can't open NAME" or "file too large".
bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes a whole file; on any failure the file is removed and false returned.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

// The name after the last '/' or '\'.
std::string base_name(const std::string& path);

// The path with the extension of its base name replaced (or added).
std::string replace_extension(const std::string& path, const std::string& extension);

}  // namespace lomar
