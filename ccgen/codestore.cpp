// The code store: the text of the current function until it is emitted, in
// chunks of 512 bytes whose last byte stays NUL, addressed by a 32-bit
// position. Each piece of text ends with a back-quote.
#include <algorithm>
#include <cstring>

#include "ccgen/ccgen.h"

namespace ccgen {

void store_reset(Gen& g) {
    g.store.write_pos = 0;
    g.store.read_pos = 0;
}

void code_bytes(Gen& g, const char* bytes, std::size_t count) {
    CodeStore& s = g.store;
    while (count) {
        std::size_t chunk = static_cast<std::size_t>(s.write_pos / CodeStore::CHUNK);
        std::int32_t offset = s.write_pos % CodeStore::CHUNK;
        if (offset == CodeStore::CHUNK - 1) {
            s.write_pos = static_cast<std::int32_t>((chunk + 1) * CodeStore::CHUNK);
            continue;
        }
        while (s.chunks.size() <= chunk) {
            s.chunks.push_back(std::make_unique<std::array<char, CodeStore::CHUNK>>());
            s.chunks.back()->fill('\0');
        }
        std::size_t n = std::min(count, static_cast<std::size_t>(CodeStore::CHUNK - 1 - offset));
        std::memcpy(s.chunks[chunk]->data() + offset, bytes, n);
        s.write_pos += static_cast<std::int32_t>(n);
        bytes += n;
        count -= n;
    }
}

void code_text(Gen& g, std::string_view text) { code_bytes(g, text.data(), text.size()); }

void code_end_piece(Gen& g) { code_bytes(g, "`", 1); }

const char* code_read_chunk(Gen& g) {
    CodeStore& s = g.store;
    std::size_t chunk = static_cast<std::size_t>(s.read_pos / CodeStore::CHUNK);
    if (s.read_pos < 0 || chunk >= s.chunks.size()) genpanic(g, "CHREAD");
    const char* p = s.chunks[chunk]->data() + s.read_pos % CodeStore::CHUNK;
    s.read_pos = static_cast<std::int32_t>((chunk + 1) * CodeStore::CHUNK);
    return p;
}

// Writes the piece that starts at `pos`, up to its back-quote.
void replay_text(Gen& g, std::int32_t pos) {
    g.store.read_pos = pos;
    while (emit_asm_v(g, code_read_chunk(g), nullptr, 0) == 1) {
    }
}

}  // namespace ccgen
