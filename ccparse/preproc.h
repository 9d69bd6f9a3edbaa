// The preprocessor: logical lines, directives, conditionals, #asm blocks and
// the preprocessed text of -e.
#pragma once

#include "ccparse/pptoken.h"

namespace vy::cc {

void pp_reset();

// The next line for the parser: a macro-expanded line of active text, or an
// #asm line (one K_ASM token), each closed by a line-end token. Null at the
// end of all input. With -e, a #pragma line of active text comes back as it is.
TokenList* pp_next_line();

// The next line when it is a line of the same #asm block (one K_ASM token),
// else null; the line is then kept for `pp_next_line`. The arena is not reset.
TokenList* pp_next_asm_line();

// Appends the tokens of the next logical line to `list` while a top-level
// macro invocation looks for its arguments. False at the end of input, while
// a directive runs, or when the next line is a directive (it is kept for
// its own turn).
bool pp_read_more(TokenList& list);

// Storage for the texts of the current line.
TextArena& pp_arena();

// Reports and clears a /* comment left open when a file ends.
bool pp_comment_at_end_of_file();

// Reports the conditionals still open at the end of input.
void pp_finish();

// 1 when no conditional is open or the innermost one is being taken.
bool condactive();

// With -e: copies the preprocessed text to the output.
void pponly();

// Frees the definitions removed by #undef once no token can point into them.
void macro_release_retired();

}  // namespace vy::cc
