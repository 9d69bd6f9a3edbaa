// Location specifications: the first argument of run control, the event
// commands, assertions and the listing commands, and the names of the
// expression evaluator. A location is a count ("12"), an address
// ("@0x1000"), a function ("main()"), a line form ("f.c:10",
// "f.c:10.3:12", "main():5", ":10") or a name.
#pragma once
#include <cstdint>

namespace vy {

constexpr uint32_t NOCOLUMN = 0xFFFFFFFF;

struct LocationSpec {
    uint32_t number;      // a plain number; in line form the first line
    uint32_t column;      // first column, NOCOLUMN when none is given
    uint32_t endline;     // last line of a range
    uint32_t endcolumn;   // NOCOLUMN when none is given
    const char* file;     // line form file:line
    const char* function; // name() or name():line
    const char* name;     // a symbol or expression, or the text after ':' that is no line range
    uint32_t reserved;
    uint16_t address;     // the "@" form
    uint8_t isaddress;
    uint8_t present;      // anything was given
    uint8_t isline;       // a form with ':'
};

// The one shared record that the commands parse into.
extern LocationSpec location;

// Fills the record from the first word of the text and returns the position
// after the word it used. The names point into one buffer that the next
// parse overwrites. Parsing never reports: a word that fits no form becomes
// the name.
const char* parseloc(const char* text, LocationSpec& record);

// A letter, a digit, '_' or '$'.
bool isnamech(char c);

// A line form: no name, and a file or a function, or a line number.
bool isline(const LocationSpec& r);
// A plain number.
bool iscount(const LocationSpec& r);
bool hasname(const LocationSpec& r);

}  // namespace vy
