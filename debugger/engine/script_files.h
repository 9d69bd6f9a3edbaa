// Script file channels: scripts open text files under channel numbers
// (`fopen`), write formatted values of expressions to them (`fwrite`), read
// formatted input from them into variables (`fread`, which assigns each
// value with an `update` command), go back to their start (`rewind`), close
// them (`fclose`) and delete files (`remove`). The formats follow C's, with
// debugger expressions as their arguments.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace vy {

// One open channel; the list has the newest first.
struct ChannelRecord {
    ChannelRecord* next;
    std::FILE* file;
    uint32_t number;
    std::string name;
    bool lastread;   // the last transfer read (a write after it needs a seek)
};
extern ChannelRecord* channels;

// Closes every channel (a fresh start of the engine).
void closechannels();

// The output engine: writes the format to the file, taking a value for each
// conversion from the argument list (expressions separated by ','); both
// positions advance. Returns the number of characters written.
int chanprintf(std::FILE* file, const char*& format, const char*& arguments);
// The input engine: reads the file (the console without one) as the format
// says and assigns each value read to the next argument text; both
// positions advance. Returns the number of values stored, or -1 when the
// input ended before anything was stored.
int chanscanf(std::FILE* file, const char*& format, const char*& arguments);

// The input engine with another place for the values: the sink gets each
// argument's text with the value's text.
using ScanSink = void (*)(void* context, const std::string& argument, const std::string& value);
int scanformat(std::FILE* file, const char*& format, const char*& arguments, ScanSink sink, void* context);

// One value of an argument: an integer or a floating value.
struct ScriptValue {
    bool real = false;
    int32_t integer = 0;
    double floating = 0;
};

// One conversion of the output engine: flags, width, precision (-1: none)
// and the letter.
struct PrintConversion {
    bool left = false, plus = false, space = false, alternate = false, zero = false;
    int width = 0;
    int precision = -1;
    char letter = 'd';
};
// The text of one value converted.
std::string formatvalue(const PrintConversion& conversion, const ScriptValue& value);

// Evaluates the expression at the position with the expression evaluator
// and moves past it; false (after the evaluator's report) when it fails.
bool evalargument(const char*& position, ScriptValue& value);

}  // namespace vy
