// The tool definitions "DEFS11.OPT" in the program directory: the command of
// every tool the environment runs, read into the default project record at
// start-up, and the library models that the link-file editor inserts.
#pragma once

#include <string>
#include <vector>

namespace vesk {

// Reads `programDirectory` + "DEFS11.OPT" (the directory ends with its
// separator): the Cmd of [Compiler], [Assembler], [Tesk], [Dremo], [Norvik]
// and [Pirn] into the default record, which becomes current, then the
// library models. 1 on success; 0 after the message of the first section
// without a command (nothing after it is read) or of the library models.
int LoadToolDefinitions(const std::string& programDirectory);
int ReadToolDefinitions(const std::string& path);

struct LibModel {
    std::string name;
    std::vector<std::string> libraries;
};

// The library tables, filled at start-up.
extern std::string LibDir;
extern std::vector<LibModel> LibModels;
extern int LibModelCount;
extern std::vector<std::string> DefaultLibs;

// Reads [Libs] Dir, the models that [Libs] 1, 2, ... name with their
// libraries, and [DEFLIBS]: 1 when at least one default library was read.
int LoadLibraryModels(const std::string& path);

// The line that inserts a library into a link command file: the quoted
// LibDir, '\' and the library's file name (its text up to the first blank),
// then a carriage return.
std::string LibraryLine(const std::string& entry);

}  // namespace vesk
