// The platform side of the profile functions: the values are read whole,
// whatever their length, into a buffer that grows until the value fits.
#include <windows.h>

#include <string>

#include "ide/project/profile.h"

namespace vesk {
namespace {

// A section's key list comes back as names each ended by a NUL; the
// function reports a full buffer as its size less 2, a cut value as its
// size less 1.
std::string query(const std::string& file, const char* section, const char* key) {
    std::string buffer(1024, '\0');
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section, key, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                           file.c_str());
        if (n + 2 < buffer.size()) return buffer.substr(0, n);
        buffer.assign(buffer.size() * 2, '\0');
    }
}

std::string platform_read(const std::string& file, std::string_view section, std::string_view key) {
    return query(file, std::string(section).c_str(), std::string(key).c_str());
}

bool platform_write(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view value) {
    return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                      std::string(value).c_str(), file.c_str()) != 0;
}

std::vector<std::string> platform_keys(const std::string& file, std::string_view section) {
    std::string all = query(file, std::string(section).c_str(), nullptr);
    std::vector<std::string> keys;
    for (std::size_t pos = 0; pos < all.size();) {
        std::size_t nul = all.find('\0', pos);
        if (nul == std::string::npos) nul = all.size();
        if (nul > pos) keys.push_back(all.substr(pos, nul - pos));
        pos = nul + 1;
    }
    return keys;
}

}  // namespace

const ProfileSide platform_profile = {"platform", platform_read, platform_write, platform_keys};

}  // namespace vesk
