// The out-of-date test: whether a source's object is missing or older than
// the source, its options or anything it includes; the include scans behind
// it, the dependency tree of the project window and the ".dep" listing.
//
// Include scans never enter a file twice on one path (a file including
// itself, headers including each other) and stop at a depth bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ide/project/project.h"

namespace vesk {

// The object of a source: the name with its extension replaced by ".o" (or
// ".o" appended when it has none) when that file opens, else the same base
// name in each directory of the object path; none when no object exists.
std::optional<std::string> objectname(const std::string& source);

// 1 when the project file must be compiled (C) or assembled again.
std::uint32_t coutofdate(const ProjectFile& file);
std::uint32_t asmoutofdate(const ProjectFile& file);

// Opens for reading as text.
bool isreadable(const std::string& name);

// The modification time of a file in seconds since 1970; none when it
// cannot be read.
std::optional<std::int64_t> file_time(const std::string& name);

// The headers that the C test looks at for a source, as found (a quoted
// name first as it is, then along the include path; an angle-bracket name
// along the include path only), in the order met.
std::vector<std::string> cheaders(const std::string& source);

// A node of the dependency tree: the include name with its delimiters.
struct DependencyNode {
    std::string text;
    std::vector<DependencyNode> children;
};

// The include nodes of a C or assembler source (nothing for other files):
// C includes are opened by their bare names and nest; an assembler file's
// nested includes stand beside its own.
std::vector<DependencyNode> DependencyTree(const std::string& name);

// The ".dep" listing of the current project: for each file a line break,
// its name and a line break, then each include name on its own line after
// as many tabs as its depth (2 for the source's own).
std::string DependencyText();

}  // namespace vesk
