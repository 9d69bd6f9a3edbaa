// Moving the selected call frame up and down the call stack, and printing
// the frames. The selected frame (the target model's current frame) is
// where names are looked up; the run loop sets it to the top frame after
// every stop.
#pragma once

namespace vy {

struct FrameNode;
struct LocationSpec;

// Whether there is a current frame (commands that need one check it).
bool framepresent();

// 'b' the top (innermost) frame, 't' the outermost, 'u' the caller of the
// selected frame, 'd' its callee; with a location, 'u' and 'd' go on to the
// first frame that matches it. Any other letter prints the usage line.
void framemove(char letter, const LocationSpec* where);

// The frame command: the selected frame's line, then each caller's, each
// with its variables when the text begins with 'v'; the selection is kept.
void showframes(const char* text);

// The source lines of the current frame: "| main():12|" and the text.
void framelines();

}  // namespace vy
