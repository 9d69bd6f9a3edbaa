// The pattern matcher of text searches.
//
//   '^' first          match only at the start of the text
//   '$' last           match at a newline or at the end of the text
//   '*'                any run of characters except newline
//   '?'                any one character except newline
//   '^' after an item  the item repeated zero or more times
//   [set] [!set]       one character of (not of, nor newline) the set;
//                      a-b is a range, a backslash escapes a character
//   \( \)              group start and end; groups 1-9 are recorded
//   \c                 the character c (escapes as scanesc decodes them)
// Anything else stands for itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vy {

// Compiled form of a pattern. A pattern that does not fit is refused.
constexpr std::size_t kPatternCodeSize = 512;
struct PatternCode {
    std::uint8_t bytes[kPatternCodeSize];
};

// Byte code of the compiled form.
enum PatternOp : std::uint8_t {
    pat_literal = 1,      // c
    pat_any = 2,
    pat_start = 3,
    pat_end = 4,
    pat_repeat = 5,       // the next item zero or more times
    pat_set = 6,          // items (pat_literal c, pat_range lo hi) up to pat_set_end
    pat_not_set = 7,
    pat_range = 8,        // lo hi
    pat_set_end = 9,
    pat_stop = 10,
    pat_group_end = 19,   // n
    pat_group_start = 20, // n
};

// Group 0 is the whole match.
constexpr int kPatternGroups = 10;
struct PatternGroup {
    const char* start;
    std::int32_t length;
};

// Compiles the pattern up to `delimiter` (or the NUL when the delimiter is
// NUL) and returns a pointer to the delimiter; null when the pattern is
// malformed (no delimiter, unbalanced groups, an unclosed set) or too long;
// the code then matches nothing.
const char* patcompile(PatternCode& code, char delimiter, const char* pattern);

// True when the pattern matches somewhere in the text (at 0 when anchored).
bool patfind(const char* text, std::int32_t length, const PatternCode& code);

// Matches at `position` and returns the end of the match, or -1. When
// `groups` is given, kPatternGroups pairs are stored (start null and
// length 0 for a group that took no part).
std::int32_t patmatch(const char* text, std::int32_t length, std::int32_t position,
                      const PatternCode& code, PatternGroup* groups);

}  // namespace vy
