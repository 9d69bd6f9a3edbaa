// Macro definitions and their expansion.
#pragma once

#include "ccparse/pptoken.h"

#include <string>
#include <string_view>

namespace vy::cc {

struct MacroDef {
    MacroDef* link = nullptr;  // hash chain
    std::string name;
    std::string block;         // the texts of the body's tokens
    TokenList body;
    int params = 0;            // 0 object-like, -1 empty list "()", else the count
    int state = 0;             // 0 free, 1 being substituted, 2 rescan complete
    bool used = false;         // expanded since the mark was last cleared
};

void macro_reset();

// The hash of a name: for each character hash = hash / 2 + character.
int name_hash(std::string_view name);

MacroDef* find_macro(std::string_view name);
bool is_predefined(std::string_view name);
// The macros of the table, chain by chain (0..31), each chain from its head.
template <typename F>
void for_each_macro(F f);
MacroDef* macro_chain(int chain);

// The #define handler: `tokens` holds the line after "define".
void ppdefine(const PpTok* tokens, std::size_t count);
// The #undef handler for a name.
void ppundef(const PpTok& name);
// A -d option: "NAME" or "NAME=value".
void optdefine(const char* text);

// Expansion modes: 0 a top-level line, 1 pre-expansion of an argument and the
// first rescan of a result, 3 the further rescans.
bool expand(TokenList& list, int mode);

// The value of __TLVX__ from the options.
int tlvx_value();

template <typename F>
void for_each_macro(F f) {
    for (int chain = 0; chain < 32; ++chain)
        for (MacroDef* m = macro_chain(chain); m; m = m->link) f(*m);
}

}  // namespace vy::cc
