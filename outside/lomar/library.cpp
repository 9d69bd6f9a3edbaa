// Reading and writing library images.
#include "outside/lomar/library.h"

#include <cstring>

#include "outside/lomar/bytes.h"

namespace lomar {

bool is_library(const std::vector<uint8_t>& image) {
    return image.size() >= 4 && std::memcmp(image.data(), LIBRARY_MAGIC, 4) == 0;
}

bool read_library(const std::vector<uint8_t>& image, std::vector<LibraryMember>& members, std::string& error) {
    members.clear();
    if (!is_library(image) || image.size() < 8) {
        error = "not a library";
        return false;
    }
    uint32_t count = get32(image, 4);
    // every directory entry takes 9 bytes at least
    if (count > (image.size() - 8) / 9) {
        error = "library directory larger than the file";
        return false;
    }
    size_t pos = 8;
    for (uint32_t i = 0; i < count; ++i) {
        if (image.size() - pos < 9) {
            error = "short library directory";
            return false;
        }
        uint32_t offset = get32(image, pos), size = get32(image, pos + 4);
        uint8_t length = image[pos + 8];
        pos += 9;
        if (image.size() - pos < length) {
            error = "short library directory";
            return false;
        }
        LibraryMember m;
        m.name.assign(image.begin() + static_cast<long>(pos), image.begin() + static_cast<long>(pos + length));
        pos += length;
        if (offset > image.size() || size > image.size() - offset) {
            error = "member " + m.name + " lies outside the file";
            return false;
        }
        m.bytes.assign(image.begin() + offset, image.begin() + offset + size);
        members.push_back(std::move(m));
    }
    return true;
}

std::vector<uint8_t> write_library(const std::vector<LibraryMember>& members) {
    std::vector<uint8_t> out(LIBRARY_MAGIC, LIBRARY_MAGIC + 4);
    put32(out, static_cast<uint32_t>(members.size()));
    std::vector<size_t> offset_fields;
    for (const LibraryMember& m : members) {
        offset_fields.push_back(out.size());
        put32(out, 0);
        put32(out, static_cast<uint32_t>(m.bytes.size()));
        size_t n = std::min<size_t>(m.name.size(), 255);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), m.name.begin(), m.name.begin() + static_cast<long>(n));
    }
    for (size_t i = 0; i < members.size(); ++i) {
        set32(out, offset_fields[i], static_cast<uint32_t>(out.size()));
        out.insert(out.end(), members[i].bytes.begin(), members[i].bytes.end());
    }
    return out;
}

}  // namespace lomar
