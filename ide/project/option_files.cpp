#include "ide/project/option_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "ide/project/frame_hooks.h"
#include "ide/project/text_lines.h"
#include "support/number_text.h"

namespace vesk {

OptionSet AsmOptions, CompOptions, TeskOptions;

namespace {

const char* const DEFAULT_LINK_FILE = "6811LKF.LKF";

// The header line of a file, cut at its first CR or LF; false for a file
// that cannot be opened or holds nothing.
bool read_set(OptionSet& set, const std::string& name, std::vector<std::string>& lines) {
    if (!read_lines(name, lines) || lines.empty()) return false;
    set.Options.clear();
    set.UserFlags.clear();
    set.Header = lines[0].substr(0, lines[0].find('\r'));
    return true;
}

std::int32_t number_of(const std::string& text) {
    std::int32_t n = 0;
    vy::scanlong(text.data(), static_cast<std::int32_t>(text.size()), n, 10);
    return n;
}

// Skips blanks and control characters.
std::size_t skip_blanks(const std::string& s, std::size_t pos) {
    while (pos < s.size() && static_cast<unsigned char>(s[pos]) <= ' ') ++pos;
    return pos;
}

// option "," label "," number from `pos`; false when a comma is missing.
bool parse_fields(const std::string& line, std::size_t pos, OptionRecord& r) {
    std::size_t comma = line.find(',', pos);
    r.Option = line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    if (comma == std::string::npos) return false;
    pos = skip_blanks(line, comma + 1);
    comma = line.find(',', pos);
    r.Label = line.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    if (comma == std::string::npos) return false;
    r.Number = number_of(line.substr(comma + 1));
    return true;
}

// Each record read went in front of the chain.
void in_chain_order(OptionSet& set) { std::reverse(set.Options.begin(), set.Options.end()); }

[[noreturn]] void incorrect(const std::string& line, const std::string& name) {
    frame().error("INCORRECT OPTIONS: " + line + " IN FILE: " + name);
    frame().endprogram(3);
    std::abort();  // a frame's endprogram does not come back
}

}  // namespace

int LoadOptionFile(OptionSet& set, const std::string& name) {
    std::vector<std::string> lines;
    if (!read_set(set, name, lines)) return 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        OptionRecord r;
        if (line.size() < 2 || line[1] != ',') incorrect(line, name);
        r.Page = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (!parse_fields(line, 2, r)) incorrect(line, name);
        set.Options.push_back(std::move(r));
    }
    in_chain_order(set);
    return 1;
}

int LoadToolOptionFile(OptionSet& set, const std::string& name) {
    std::vector<std::string> lines;
    if (!read_set(set, name, lines)) return 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        OptionRecord r;
        parse_fields(lines[i], 0, r);
        set.Options.push_back(std::move(r));
    }
    in_chain_order(set);
    return 1;
}

int CheckDefaultLinkFile() {
    std::FILE* f = std::fopen(DEFAULT_LINK_FILE, "r");
    if (!f) return 0;
    std::fclose(f);
    return 1;
}

int LoadOptionFiles() {
    const char* message = nullptr;
    if (!LoadOptionFile(AsmOptions, "ASM11.OPT"))
        message = "Missing Asm Options File";
    else if (!LoadOptionFile(CompOptions, "COMP11.OPT"))
        message = "Missing Compiler Options File";
    else if (!CheckDefaultLinkFile())
        message = "Missing Linker Config File";
    else if (!LoadToolOptionFile(TeskOptions, "TESK.OPT"))
        message = "Missing Tesk Options File";
    if (!message) return 1;
    frame().error(message);
    return 0;
}

void MarkOptions(const std::string& text, OptionSet& set, char page) {
    for (OptionRecord& r : set.Options)
        if (page == 0 || r.Page == page) r.Selected = 0;
    std::size_t pos = 0;
    auto printable = [](char c) { return c >= 33 && c <= 126; };
    while (pos < text.size()) {
        while (pos < text.size() && !printable(text[pos])) ++pos;
        std::size_t end = pos;
        while (end < text.size() && printable(text[end])) ++end;
        if (end == pos) break;
        std::string word = text.substr(pos, end - pos);
        for (OptionRecord& r : set.Options) {
            if ((page == 0 || r.Page == page) && r.Option == word) {
                r.Selected = 1;
                break;
            }
        }
        pos = end;
    }
}

std::string CommandString(const OptionSet& set) {
    std::string command = set.Header;
    for (const OptionRecord& r : set.Options)
        if (r.Selected) command += " " + r.Option;
    return command;
}

}  // namespace vesk
