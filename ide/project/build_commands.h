// The command lines that a build runs, built piece by piece: the compile and
// assemble commands of a source, the link command, the post-link tools and
// the debugger's launch. Every file name on a line is in double quotes; a
// line grows as long as its pieces make it.
#pragma once

#include <cstdint>
#include <string>

#include "ide/project/project.h"

namespace vesk {

// '"', the text, '"'.
std::string quoted(const std::string& text);

// " -i" and the quoted directory for each element of a path list (an empty
// element between two separators gives an empty quoted directory; a
// trailing separator adds nothing).
void AppendIncludeOptions(std::string& line, const std::string& paths);
// "-l", the quoted directory and " " for each element.
void AppendLibPathOptions(std::string& line, const std::string& paths);

// The command of a source: `file` is its project record, or null for a
// name that is not in the project (then only the project's options count).
// Kind 1 takes the compiler's command, any other the assembler's; the
// options text goes with kinds 1 and 2 only.
std::string SourceCommand(const ProjectRecord& project, const ProjectFile* file, const std::string& name,
                          std::uint16_t kind);

// "lomar" with the link settings; the bank size as its number of bits (a
// Make or Build) or in decimal (the Link command).
enum class BankForm { bits, decimal };
std::string LinkCommand(const ProjectRecord& project, BankForm bank);

// The post-link tools on a program; a null option record gives the tool's
// plain line.
std::string TeskCommand(const std::string& file, const ToolBlock& block);
std::string PirnCommand(const std::string& file, const PirnOptions* options);
std::string NorvikCommand(const std::string& file, const NorvikOptions* options);
std::string DremoCommand(const std::string& file, const DremoOptions* options);
std::string TovanCommand(const std::string& file, const TovanOptions* options);

// The debugger's launch (0 the first debugger, 1 the second): the directory
// to change into first (the command's text before its last separator or
// ':'), and the command line.
std::string DebuggerDirectory(const ProjectRecord& project, int which);
std::string DebuggerCommand(const ProjectRecord& project, int which);

}  // namespace vesk
