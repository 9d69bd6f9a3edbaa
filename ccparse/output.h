// The output of ccparse: the intermediate file, the preprocessed text of -e
// or the dependency line of -md. Writes are checked: a failed write makes
// `out_close` return false.
#pragma once

#include <cstdint>
#include <string_view>

namespace vy::cc {

void output_reset();

// Creates the output file (binary for the intermediate file); false when it
// cannot be created.
bool out_open_file(const char* name, bool binary);
// Writes to standard output.
void out_use_stdout();
bool out_is_open();

void out_byte(std::uint8_t byte);
void out_text(std::string_view text);

// Writes what is buffered and closes the file; false when a write failed.
bool out_close();

// The dependency line of -md: "target:" and the name of each file opened.
void depend_begin(const char* target);
void depend_on(std::string_view name);

}  // namespace vy::cc
