// Space modifiers: the front end's modifier masks turned into ccgen's own
// space bits. The first seven rows get their masks from record 186, in the
// order the unit defines them.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

constexpr SpaceKeyword space_table[14] = {
    {"dir", 0, SP_DIR},
    {"eeprom", 0, SP_EEPROM},
    {"fast", 0, SP_FAST},
    {"port", 0, SP_PORT},
    {"interrupt", 0, SP_INTERRUPT},
    {"builtin", 0, SP_BUILTIN},
    {"kernel", 0, SP_KERNEL},
    {"nostack", 0x0400, SP_NOSTACK},
    {"func", 0x0800, SP_FUNC},
    {"vol", 0x4000, SP_VOL},
    {"cons", 0x8000, SP_CONST},
    {"far", 0x3000, SP_FAR},
    {"tiny", 0x1000, SP_TINY},
    {"near", 0x2000, SP_NEAR},
};

}  // namespace

void init_spaces(Gen& g) {
    for (std::size_t i = 0; i < 14; ++i) g.spaces[i] = space_table[i];
    g.next_space_bit = 0x0100;
}

std::uint16_t map_space_modifiers(Gen& g, std::uint16_t m) {
    if (m == 0) return 0;
    std::uint16_t r = 0;
    for (const SpaceKeyword& row : g.spaces) {
        std::uint16_t k = row.mask;
        if (k == 0) continue;
        if (k & 0x3000) {
            if ((m & 0x3000) == k) r |= row.bits;
        } else if ((m & k) == k) {
            r |= row.bits;
        }
    }
    if (r == 0) {
        generr(g, "!unknown space modifier");
        return 0;
    }
    if (r & SP_TINY) r |= SP_DIR;
    if (r & SP_VOL)
        r &= static_cast<std::uint16_t>(~SP_CONST);
    else if (r & SP_CONST)
        r &= static_cast<std::uint16_t>(~SP_DIR);
    return static_cast<std::uint16_t>(r & ~SP_NEAR);
}

void define_space(Gen& g, std::string_view name) {
    if (!name.empty() && name[0] == '<') name.remove_prefix(1);
    name = name.substr(0, name.find('\0'));
    for (SpaceKeyword& row : g.spaces) {
        if (name != row.name) continue;
        if (row.mask) {
            generr(g, "!redefined space: ", name);
            return;
        }
        g.next_space_bit >>= 1;
        row.mask = g.next_space_bit;
        return;
    }
    generr(g, "unknown space: ", name);
}

std::uint16_t space_class(std::uint16_t space) {
    if (space & SP_CONST) return OC_CONST;
    if (space & SP_EEPROM) return OC_EEPROM;
    if (space & SP_DIR) return OC_BSCT;
    return OC_DATA;
}

std::uint16_t space_access_kind(std::uint16_t pointer_space) {
    if (pointer_space & SP_TINY) return 2;
    if (pointer_space & SP_FAR) return 8;
    return 5;
}

}  // namespace ccgen
