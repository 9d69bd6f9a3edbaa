// The loop the simulator benchmarks run at 0x8000: a counter byte in the
// direct page loaded, incremented and stored 65,536 times a round, for ever.
#pragma once

#include <cstdint>

namespace vy {

inline constexpr uint8_t benchloop[] = {
    0xCE, 0x00, 0x00,  // 8000 start: ldx #0
    0x96, 0x10,        // 8003 loop:  ldaa <0x10
    0x8B, 0x01,        // 8005        adda #1
    0x97, 0x10,        // 8007        staa <0x10
    0x09,              // 8009        dex
    0x26, 0xF7,        // 800A        bne loop
    0x20, 0xF2,        // 800C        bra start
};

}  // namespace vy
