// The project file ".prj": a profile file with the sections [Project],
// [Assembler], [Compiler], [Linker], [Debug], [Debug1], [Tesk], [Dremo],
// [Pirn], [Norvik], [Tovan], the seven [Builder.*] steps, [PROJ_DEFINES],
// [PROJ_DOCS], [Files] and one FILE<n>OPTS section per file.
#pragma once

#include <string>

#include "ide/project/project.h"

namespace vesk {

// Makes a new real record from the file and makes it the current project
// (the caller keeps the previous record and frees it). Problems are
// reported through the frame and loading goes on.
ProjectRecord* LoadProject(const std::string& path);

// Writes the current project into `path`: into a new file beside it, put
// in place only when every write succeeded. On failure "Can't Write Project
// File: " and the path, the old file untouched, and false.
bool SaveProject(const std::string& path);

// The largest count of a list that the loader takes from a file.
constexpr int MAX_LIST_COUNT = 4096;

}  // namespace vesk
