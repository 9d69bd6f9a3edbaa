// Character classes of the command language, blank skipping and the end of
// a statement.
#pragma once

namespace vy {

// A blank of the command language: every byte from 1 to 32, DEL, and every
// byte from 128 to 255.
inline bool isblankbyte(char c) { return c != '\0' && (static_cast<signed char>(c) < 33 || c == 127); }

// The first character that is NUL or not a blank.
inline const char* skipblanks(const char* text) {
    while (isblankbyte(*text)) ++text;
    return text;
}

// The first ";" outside braces, the position after the "}" that closes the
// first "{", a "}" that closes a block the statement stands in, or the end.
const char* stmtend(const char* text);

}  // namespace vy
