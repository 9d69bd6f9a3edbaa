// Reading a whole input file of bounded size. A source, include, object or
// program file larger than a program can sensibly hold, or one that never
// ends (a device, a pipe), is refused once the bound is passed instead of
// filling memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vy {

// The bound on every input file read whole or line by line.
constexpr std::uint64_t input_size_limit = std::uint64_t{256} << 20;

enum class FileRead { ok, too_large, failed };

// Reads the rest of `file` into `content` (replacing it). `too_large` as soon
// as more than `limit` bytes have come; `failed` on a read error.
FileRead read_whole(std::FILE* file, std::string& content, std::uint64_t limit = input_size_limit);
FileRead read_whole(std::FILE* file, std::vector<std::uint8_t>& content, std::uint64_t limit = input_size_limit);

// "file too large" or "read error" for a refused read (null for `ok`).
const char* file_read_message(FileRead result);

}  // namespace vy
