// Reading one line of a stream.
#pragma once

#include <cstdint>
#include <cstdio>

namespace vy {

// Reads bytes into `buffer` until n bytes, the end of the stream, or a
// newline, which is stored and counted; a carriage return before a newline
// is dropped, so CRLF and LF lines read alike. Returns the count (0 at the
// end of the stream). A null stream ends the program with "getl error".
std::int32_t getl(std::FILE* stream, char* buffer, std::int32_t n);

}  // namespace vy
