// Profile files: "[section]" lines followed by "key=value" lines, the form of
// the project files, the tool definitions and the settings file. Two sides
// answer the same three questions: the platform's profile functions (the
// Windows build, where the environment uses them) and a portable reader and
// writer that answers as they do (every build; the native environment's).
//
// What both sides do:
//   - section and key names match without regard to case, blanks around
//     them are ignored; the first section of a name is the one used;
//   - a value loses the blanks around it and one pair of matching quotes
//     ('"' or '\'') around it;
//   - a missing file, section or key reads as the empty text;
//   - a write replaces the key's value in place, or adds the key at the end
//     of its section, or adds the section at the end of the file, and keeps
//     every other line;
//   - a section's keys are the names of its "key=value" lines in file order
//     (lines without '=' and names starting with ';' are no keys).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct ProfileSide {
    const char* name;
    std::string (*read)(const std::string& file, std::string_view section, std::string_view key);
    // False when the file could not be written; it is then unchanged.
    bool (*write)(const std::string& file, std::string_view section, std::string_view key,
                  std::string_view value);
    std::vector<std::string> (*keys)(const std::string& file, std::string_view section);
};

extern const ProfileSide portable_profile;
#ifdef _WIN32
// The platform's functions take a name without a directory from the Windows
// directory, as the settings file is meant to be found.
extern const ProfileSide platform_profile;
#endif

// The side in use: the platform's in the Windows build, else the portable one.
const ProfileSide& profile();
void use_profile(const ProfileSide& side);

// Shorthands on the side in use.
inline std::string profile_read(const std::string& file, std::string_view section, std::string_view key) {
    return profile().read(file, section, key);
}
inline bool profile_write(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view value) {
    return profile().write(file, section, key, value);
}

}  // namespace vesk
