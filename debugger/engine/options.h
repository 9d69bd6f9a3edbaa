// The option words of the commands: "/" and letters, in either case, up to
// a byte below 33 (counted signed, so bytes from 128 up end a word too),
// DEL, ':' or ';'; the blanks after a word are skipped. Several letters may
// share one "/" and several groups may follow each other, with or without
// blanks between them: a '/' inside a word starts the next group, so "/r/w"
// reads as "/rw" and "/C:2/E" as "/C:2 /E".
#pragma once
#include <cctype>
#include <cstring>

#include "debugger/engine/scan.h"
#include "debugger/target/services.h"

namespace vy {

inline bool optionend(char c) { return static_cast<signed char>(c) < 33 || c == 127 || c == ':' || c == ';'; }

inline char optionletter(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Reads the option words at p. `take`(at) handles the letter at `at` and
// returns the position after what it used (a value option such as "/C:n"
// goes past its value), or null after reporting. The result is the
// position after the options, or null when a letter was refused.
template <class Take>
const char* readoptions(const char* p, Take take) {
    while (*p == '/') {
        ++p;
        while (!optionend(*p)) {
            if (*p == '/') {
                ++p;
                continue;
            }
            p = take(p);
            if (!p) return nullptr;
        }
        p = skipblanks(p);
    }
    return p;
}

// Options that are letters only: each must be one of `letters` (lower
// case) and `take` gets it in lower case; any other is reported as
// `unknown` followed by the text from that letter.
template <class Take>
const char* readletters(const char* p, const char* letters, Take take, const char* unknown = "Unknown Option ") {
    return readoptions(p, [&](const char* at) -> const char* {
        char c = optionletter(*at);
        if (!std::strchr(letters, c)) {
            dberror({unknown, at, "\n"});
            return nullptr;
        }
        take(c);
        return at + 1;
    });
}

}  // namespace vy
