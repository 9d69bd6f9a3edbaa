// The older core's line editor: short line-addressed commands that print,
// append, insert, change, delete and substitute lines of a macro body or a
// breakpoint's action, read from the core's input.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "support/pattern.h"

namespace vy {

// A pattern or a replacement holds at most 40 characters; a substituted line
// must fit the line buffer.
constexpr std::size_t PATTERNMAX = 40;
constexpr std::size_t LINEBUFFER = 256;

// Kept from one substitution (and one editing session) to the next.
static struct Editor {
    PatternCode pattern;
    bool havepattern = false;
    std::string replacement;
    bool substituted = false;   // a substitution has been made before
    bool global = false;
    int pagesize = 1;
    int pending = 1;
} editor;

void editorinit() { editor = Editor{}; }

struct Selection {
    int first = 0;
    int count = 0;
};

static void refuse() { coreputs("?\n"); }

static void printline(const std::vector<std::string>& lines, int number) {
    coreprintf("%- 2i\t%p\n", number, lines[static_cast<std::size_t>(number - 1)].c_str());
}

// A line number, "$" or "." (nothing: the current line), then "+n" and "-n"
// terms (an empty n counts 1). `given` tells whether anything stood there.
static int readaddress(const char*& p, int current, int last, bool& given) {
    int value = current;
    given = false;
    if (std::isdigit(static_cast<unsigned char>(*p))) {
        value = static_cast<int>(std::strtol(p, const_cast<char**>(&p), 10) & 0x7FFFFFFF);
        given = true;
    } else if (*p == '$') {
        value = last;
        ++p;
        given = true;
    } else if (*p == '.') {
        ++p;
        given = true;
    }
    while (*p == '+' || *p == '-') {
        int sign = *p++ == '-' ? -1 : 1;
        int k = 1;
        if (std::isdigit(static_cast<unsigned char>(*p))) k = static_cast<int>(std::strtol(p, const_cast<char**>(&p), 10) & 0xFFFFFF);
        value += sign * k;
        given = true;
    }
    return value;
}

// Lines typed after a, i and c up to a line ".".
static std::vector<std::string> readlines(int number) {
    std::vector<std::string> typed;
    for (std::string line;; ++number) {
        if (consoleinput()) cmdprintf("%- 2i\t", number);
        if (!rdline(line) || line == ".") return typed;
        typed.push_back(line);
    }
}

// The text after a, i or c on the command line, as one line, or the lines
// typed after it.
static std::vector<std::string> newlines(const char* text, int number) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text) return {std::string(text)};
    return readlines(number);
}

// One substitution in a line: false when the pattern does not match.
static bool substitute(const std::string& line, std::string& out) {
    const char* text = line.c_str();
    auto length = static_cast<int32_t>(line.size());
    out.clear();
    int32_t pos = 0;
    bool matched = false;
    while (pos <= length) {
        int32_t start = pos, end = -1;
        for (; start <= length; ++start)
            if ((end = patmatch(text, length, start, editor.pattern, nullptr)) >= 0) break;
        if (end < 0) break;
        matched = true;
        out.append(text + pos, static_cast<std::size_t>(start - pos));
        for (std::size_t i = 0; i < editor.replacement.size(); ++i) {
            char r = editor.replacement[i];
            if (r == '&') out.append(text + start, static_cast<std::size_t>(end - start));
            else if (r == '\\' && i + 1 < editor.replacement.size()) out += editor.replacement[++i];
            else out += r;
        }
        pos = end;
        if (!editor.global) break;
        if (end == start) {
            // An empty match moves on by one character.
            if (start < length) out += text[start];
            pos = start + 1;
        }
    }
    if (pos < length) out.append(text + pos, static_cast<std::size_t>(length - pos));
    return matched;
}

// "s/pattern/replacement/[g]", or "s" and "sg" to repeat the last one.
// False after a report.
static bool readsubstitution(const char* p) {
    if (*p == '\0' || (*p == 'g' && p[1] == '\0')) {
        if (!editor.substituted) {
            refuse();
            return false;
        }
        if (*p == 'g') editor.global = true;
        return true;
    }
    char delimiter = *p++;
    const char* pattern = p;
    while (*p && *p != delimiter) p += *p == '\\' && p[1] ? 2 : 1;
    if (!*p) {
        refuse();
        return false;
    }
    std::size_t patternlength = static_cast<std::size_t>(p - pattern);
    const char* replacement = ++p;
    while (*p && *p != delimiter) p += *p == '\\' && p[1] ? 2 : 1;
    std::size_t replacementlength = static_cast<std::size_t>(p - replacement);
    if (patternlength > PATTERNMAX || replacementlength > PATTERNMAX) {
        coreerror(MSG_STRINGTOOLONG);
        return false;
    }
    if (patternlength == 0) {
        if (!editor.havepattern) {
            refuse();
            return false;
        }
    } else {
        std::string text(pattern, patternlength);
        if (!patcompile(editor.pattern, '\0', text.c_str())) {
            editor.havepattern = false;
            refuse();
            return false;
        }
        editor.havepattern = true;
    }
    editor.replacement.assign(replacement, replacementlength);
    if (*p == delimiter) ++p;
    editor.global = *p == 'g';
    editor.substituted = true;
    return true;
}

char editlines(std::vector<std::string>& lines) {
    int current = static_cast<int>(lines.size());
    if (consoleinput()) cmdprintf("[%i]\n", static_cast<int32_t>(lines.size()));
    for (std::string command;;) {
        if (coreabandoned()) return 'q';
        coreprompt(">");
        if (!rdline(command)) continue;
        const int last = static_cast<int>(lines.size());
        const char* p = command.c_str();
        while (*p == ' ' || *p == '\t') ++p;

        // The selection.
        Selection s;
        bool valid = true;
        if (!*p) {
            s = {current + 1, editor.pagesize};
            valid = s.first >= 1 && s.first <= last;
        } else {
            bool given = false;
            int a = readaddress(p, current, last, given);
            int b = a;
            if (*p == ',') {
                ++p;
                b = std::min(readaddress(p, current, last, given), last);
            }
            s = {a, std::max(b - a + 1, 1)};
            valid = last == 0 ? true : a >= 1 && a <= last;
            if (last == 0) s = {0, 0};
        }
        while (*p == ' ' || *p == '\t') ++p;
        char letter = *p ? *p++ : 'p';
        if (letter == 'q') return 'q';
        if (!valid) {
            refuse();
            continue;
        }
        const int end = std::min(s.first + s.count - 1, last);
        auto at = [&](int number) { return lines.begin() + number; };

        switch (letter) {
        case 'p':
            for (int i = s.first; i >= 1 && i <= end; ++i) {
                printline(lines, i);
                current = i;
            }
            break;
        case 'a': {
            int after = last == 0 ? 0 : end;
            std::vector<std::string> typed = newlines(p, after + 1);
            lines.insert(at(after), typed.begin(), typed.end());
            if (!typed.empty()) current = after + static_cast<int>(typed.size());
            break;
        }
        case 'i': {
            int before = last == 0 ? 0 : s.first - 1;
            std::vector<std::string> typed = newlines(p, before + 1);
            lines.insert(at(before), typed.begin(), typed.end());
            if (!typed.empty()) current = before + static_cast<int>(typed.size());
            break;
        }
        case 'c': {
            if (last == 0) {
                refuse();
                break;
            }
            lines.erase(at(s.first - 1), at(end));
            std::vector<std::string> typed = newlines(p, s.first);
            lines.insert(at(s.first - 1), typed.begin(), typed.end());
            current = std::min(s.first - 1 + static_cast<int>(typed.size()), static_cast<int>(lines.size()));
            if (typed.empty() && current == 0 && !lines.empty()) current = 1;
            break;
        }
        case 'd':
            if (last == 0) {
                refuse();
                break;
            }
            lines.erase(at(s.first - 1), at(end));
            if (s.first <= static_cast<int>(lines.size())) {
                current = s.first;
                printline(lines, current);
            } else {
                current = static_cast<int>(lines.size());
            }
            break;
        case 'n': {
            while (*p == ' ' || *p == '\t') ++p;
            int k = std::isdigit(static_cast<unsigned char>(*p)) ? std::atoi(p) : 0;
            if (k > 0) editor.pagesize = editor.pending = k;
            else editor.pending = editor.pagesize;
            break;
        }
        case 's': {
            if (last == 0) {
                refuse();
                break;
            }
            if (!readsubstitution(p)) break;
            for (int i = s.first; i <= end; ++i) {
                std::string changed;
                if (!substitute(lines[static_cast<std::size_t>(i - 1)], changed)) {
                    refuse();
                } else if (changed.size() >= LINEBUFFER) {
                    coreerror(MSG_STRINGTOOLONG);
                } else {
                    lines[static_cast<std::size_t>(i - 1)] = changed;
                    printline(lines, i);
                    current = i;
                }
            }
            break;
        }
        default:
            refuse();
            break;
        }
    }
}

}  // namespace vy
