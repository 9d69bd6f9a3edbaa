// The host's run of a test program: what each probe call saw, in the order
// of the calls, taken from the program compiled for the host.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace vy::host {

// A value of the host: an integer of any C type, or a floating one.
struct Value {
    bool real = false;
    long long integer = 0;
    double floating = 0;
};

// One probe: its number, the function it was called from, and the
// expressions it names with their values.
struct Note {
    int id;
    std::string function;
    std::vector<std::pair<std::string, Value>> values;
};

// The notes of frames.c run on the host.
std::vector<Note> framesnotes();

}  // namespace vy::host
