// Option-description files: the options that the assembler, the compiler
// and tesk accept, read at start-up from "ASM11.OPT", "COMP11.OPT" and
// "TESK.OPT" in the current directory, and the marking of options from a
// command text that every option dialog uses.
//
// Line 1 of a file is the header, which starts every command built from the
// set. In ASM11.OPT and COMP11.OPT every further line is
//     page letter "," option "," label "," number
// (a line whose second character is no comma, or that lacks a comma after
// its option text or label, ends the program with exit code 3); TESK.OPT's
// lines have no page letter and no check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

struct OptionRecord {
    std::uint32_t Selected = 0;
    char Page = 0;  // 'g', 'o', 'l', 'm' (lower case); 0 in the tesk set
    std::int32_t Number = 0;
    std::string Label;
    std::string Option;  // as it stands on the command line
};

struct OptionSet {
    // Chain order: each record read goes in front, so the options stand in
    // the reverse of their order in the file.
    std::vector<OptionRecord> Options;
    std::string UserFlags;
    std::string Header;
};

extern OptionSet AsmOptions, CompOptions, TeskOptions;

// 1 when the file was opened and its header read, 0 when it could not be
// opened or is empty.
int LoadOptionFile(OptionSet& set, const std::string& name);
int LoadToolOptionFile(OptionSet& set, const std::string& name);

// The start-up load, in order: "ASM11.OPT", "COMP11.OPT", the default link
// command file "6811LKF.LKF", "TESK.OPT"; the first missing one gives its
// error box and 0.
int LoadOptionFiles();
int CheckDefaultLinkFile();

// Sets the Selected flags from the words of a command text; page 0 means
// every page.
void MarkOptions(const std::string& text, OptionSet& set, char page);

// The header, then a blank and the option text of every selected option,
// in chain order.
std::string CommandString(const OptionSet& set);

}  // namespace vesk
