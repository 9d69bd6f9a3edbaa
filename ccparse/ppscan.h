// The preprocessor's scanner: cuts a logical line into tokens.
#pragma once

#include "ccparse/pptoken.h"

#include <string_view>

namespace vy::cc {

// Where each joined physical line starts inside a logical line.
struct LinePiece {
    std::uint32_t offset;
    std::uint32_t line;
};

struct ScanInput {
    const char* text;  // stable text of the logical line, without its line end
    std::uint32_t len;
    const LinePiece* pieces;
    std::size_t piece_count;
};

// Appends the tokens of a line to `out`, closed by a line-end token. A /*
// comment still open at the end of the line leaves `comment_open` set, and a
// set flag on entry continues a comment begun on an earlier line.
void scan_line(const ScanInput& input, TokenList& out, bool& comment_open, bool slash_comments);

// Cuts a text made by pasting into tokens (no line end, no position).
void scan_text(std::string_view text, TokenList& out, bool slash_comments);

}  // namespace vy::cc
