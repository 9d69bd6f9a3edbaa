// Assertions: command blocks run after every step, everywhere or only while
// the program is at a source location.
#pragma once
#include <cstdint>
#include <string>

namespace vy {

struct LocationSpec;

struct AssertRecord {
    AssertRecord* next;
    uint32_t active;        // 1 on creation
    uint32_t number;        // 1 upwards, the smallest free
    uint32_t first, last;   // the line range; first 0 = any line
    std::string file, function;
    bool haslocation;
    std::string action;
    bool gone;              // deleted, waiting to be freed after the check
};

// The assertion list, sorted by number.
extern AssertRecord* assertions;
// Set while the assertions' actions run.
extern bool AssertsRunning;

// Adds an assertion with its action, everywhere (a location that names
// nothing) or at a file, a function and a line range. A variable in the
// location is " illegal term "; an unknown file or function is reported.
// Returns its number, 0 when nothing was made.
uint32_t addassert(const char* action, const LocationSpec& where);
// Deletes an assertion ("assertion not found "), or with -1 all.
void rmassert(int number);
// 'a' switches one (or with -1 every) assertion on, any other letter off.
void activassert(char letter, int number);
void listasserts();
// Deletes every assertion without a message.
void clearasserts();

// After every step: runs the action of each active assertion whose
// location the top frame is at, then refreshes the views that follow the
// target.
void chkasserts();

}  // namespace vy
