#include "support/file_read.h"

#include <cstring>

namespace vy {

namespace {

template <class Bytes>
FileRead read_into(std::FILE* file, Bytes& content, std::uint64_t limit) {
    content.clear();
    // A regular file tells its size: one allocation, and a file past the
    // bound is refused without reading it. Devices and pipes read as they come.
    const long start = std::ftell(file);
    if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        std::fseek(file, start, SEEK_SET);
        if (end > start) {
            const auto size = static_cast<std::uint64_t>(end - start);
            if (size > limit) return FileRead::too_large;
            content.reserve(static_cast<std::size_t>(size));
        }
    }
    char buffer[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n == 0) break;
        if (content.size() + n > limit) {
            content = Bytes();
            return FileRead::too_large;
        }
        const std::size_t old_size = content.size();
        content.resize(old_size + n);
        std::memcpy(content.data() + old_size, buffer, n);
    }
    return std::ferror(file) ? FileRead::failed : FileRead::ok;
}

}  // namespace

FileRead read_whole(std::FILE* file, std::string& content, std::uint64_t limit) {
    return read_into(file, content, limit);
}

FileRead read_whole(std::FILE* file, std::vector<std::uint8_t>& content, std::uint64_t limit) {
    return read_into(file, content, limit);
}

const char* file_read_message(FileRead result) {
    switch (result) {
    case FileRead::too_large: return "file too large";
    case FileRead::failed: return "read error";
    default: return nullptr;
    }
}

}  // namespace vy
