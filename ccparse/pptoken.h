// Preprocessor tokens: the white space before a token, its text, where it
// stands and its kind. A line is a list of them ending with a line-end token.
#pragma once

#include "ccparse/tokens.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace vy::cc {

struct PpTok {
    const char* ws = "";
    std::uint32_t wslen = 0;
    const char* text = "";
    std::uint32_t len = 0;
    std::uint32_t line = 0;
    std::uint16_t column = 0;
    std::uint16_t kind = K_NONE;
    std::uint16_t param = 0;  // K_PARAM: the parameter's index

    std::string_view str() const { return {text, len}; }
    std::string_view space() const { return {ws, wslen}; }
    bool is(std::uint16_t k) const { return kind == k; }
};

using TokenList = std::vector<PpTok>;

// Storage for the texts of the lines being worked on: copied lines, pasted
// and stringified texts. Blocks never move, so tokens may point into them;
// `reset` makes the whole space free again for the next line.
class TextArena {
public:
    const char* copy(std::string_view text) {
        char* p = alloc(text.size());
        if (!text.empty()) std::memcpy(p, text.data(), text.size());
        return p;
    }
    char* alloc(std::size_t size) {
        if (blocks_.empty() || used_ + size > blocks_[current_].size) next_block(size);
        char* p = blocks_[current_].data.get() + used_;
        used_ += size;
        return p;
    }
    void reset() {
        current_ = 0;
        used_ = 0;
        // Blocks made for one huge text are not kept.
        while (blocks_.size() > 1 && blocks_.back().size > block_size) blocks_.pop_back();
    }

private:
    static constexpr std::size_t block_size = 1 << 16;
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t size;
    };
    void next_block(std::size_t size) {
        std::size_t next = blocks_.empty() ? 0 : current_ + 1;
        while (next < blocks_.size() && blocks_[next].size < size) ++next;
        if (next >= blocks_.size()) {
            std::size_t n = size > block_size ? size : block_size;
            blocks_.push_back({std::make_unique<char[]>(n), n});
            next = blocks_.size() - 1;
        }
        current_ = next;
        used_ = 0;
    }
    std::vector<Block> blocks_;
    std::size_t current_ = 0;
    std::size_t used_ = 0;
};

}  // namespace vy::cc
