// The project records and option sets as text, one field a line: what the
// test tool veskcore prints and what the tests compare.
#pragma once

#include <string>

#include "ide/project/option_files.h"
#include "ide/project/project.h"

namespace vesk {

std::string ProjectText(const ProjectRecord& project);

// The header, then each option in chain order as its line would read in
// the file ("*" before a selected one), then the command string.
std::string OptionSetText(const OptionSet& set);

// The default record's commands and the library tables.
std::string DefinitionsText();

}  // namespace vesk
