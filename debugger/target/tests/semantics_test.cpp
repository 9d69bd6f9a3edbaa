#include <string>
#include <utility>
#include <vector>

#include "debugger/target/decoder.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/semantics.h"
#include "debugger/target/symbols.h"
#include "target_fixture.h"

namespace vy {
namespace {

using Bytes = std::vector<std::pair<uint16_t, uint8_t>>;

// One instruction executed from `origin` (0x8000 unless given): registers
// and memory before, registers (PC included), cycles and memory after.
struct Step {
    const char* name;
    std::vector<uint8_t> code;
    RegImage in = {};
    Bytes mem = {};
    RegImage out = {};
    uint32_t cycles;
    Bytes memout = {};
    uint16_t origin = 0x8000;
};

// CCR bits by letter, for readable cases.
constexpr uint8_t S = 0x80, X = 0x40, H = 0x20, I = 0x10, N = 0x08, Z = 0x04, V = 0x02, C = 0x01;

// Register images read a, b, cc, x, y, sp, pc.
const Step steps[] = {
    // loads and stores
    {"ldaa_imm_sets_N_keeps_C", {0x86, 0x80}, {0, 0, C, 0, 0, 0, 0}, {}, {0x80, 0, N | C, 0, 0, 0, 0x8002}, 2},
    {"ldd_ext_reads_a_word", {0xFC, 0x12, 0x00}, {0, 0, V, 0, 0, 0, 0}, {{0x1200, 0x00}, {0x1201, 0x00}}, {0, 0, Z, 0, 0, 0, 0x8003}, 5},
    {"ldy_indexed_x_prefix_1a", {0x1A, 0xEE, 0x02}, {0, 0, 0, 0x1000, 0, 0, 0}, {{0x1002, 0x80}, {0x1003, 0x01}}, {0, 0, N, 0x1000, 0x8001, 0, 0x8003}, 6},
    {"ldx_indexed_y_prefix_cd", {0xCD, 0xEE, 0x00}, {0, 0, 0, 0, 0x1000, 0, 0}, {{0x1000, 0x12}, {0x1001, 0x34}}, {0, 0, 0, 0x1234, 0x1000, 0, 0x8003}, 6},
    {"staa_dir_clears_V", {0x97, 0x20}, {0, 0, V | C, 0, 0, 0, 0}, {}, {0, 0, Z | C, 0, 0, 0, 0x8002}, 3, {{0x20, 0}}},
    {"std_indexed_y", {0x18, 0xED, 0x01}, {0xAB, 0xCD, 0, 0, 0x2000, 0, 0}, {}, {0xAB, 0xCD, N, 0, 0x2000, 0, 0x8003}, 6, {{0x2001, 0xAB}, {0x2002, 0xCD}}},
    // 8-bit arithmetic
    {"adda_overflow_sets_V_and_H", {0x8B, 0x01}, {0x7F, 0, 0, 0, 0, 0, 0}, {}, {0x80, 0, H | N | V, 0, 0, 0, 0x8002}, 2},
    {"adca_carry_in_counts_for_H", {0x89, 0x00}, {0x0F, 0, C, 0, 0, 0, 0}, {}, {0x10, 0, H, 0, 0, 0, 0x8002}, 2},
    {"adda_carry_out", {0x8B, 0x01}, {0xFF, 0, 0, 0, 0, 0, 0}, {}, {0x00, 0, H | Z | C, 0, 0, 0, 0x8002}, 2},
    {"suba_borrow", {0x80, 0x01}, {0x00, 0, 0, 0, 0, 0, 0}, {}, {0xFF, 0, N | C, 0, 0, 0, 0x8002}, 2},
    {"sbca_borrow_in", {0x82, 0x00}, {0x00, 0, C, 0, 0, 0, 0}, {}, {0xFF, 0, N | C, 0, 0, 0, 0x8002}, 2},
    {"suba_signed_overflow", {0x80, 0x01}, {0x80, 0, 0, 0, 0, 0, 0}, {}, {0x7F, 0, V, 0, 0, 0, 0x8002}, 2},
    {"cmpa_keeps_A", {0x81, 0x05}, {0x05, 0, N, 0, 0, 0, 0}, {}, {0x05, 0, Z, 0, 0, 0, 0x8002}, 2},
    {"bitb_keeps_B_and_C", {0xC5, 0x0F}, {0, 0xF0, C | V, 0, 0, 0, 0}, {}, {0, 0xF0, Z | C, 0, 0, 0, 0x8002}, 2},
    {"eora_dir", {0x98, 0x30}, {0xFF, 0, 0, 0, 0, 0, 0}, {{0x30, 0x0F}}, {0xF0, 0, N, 0, 0, 0, 0x8002}, 3},
    {"orab_indexed_y", {0x18, 0xEA, 0x00}, {0, 0x01, 0, 0, 0x40, 0, 0}, {{0x40, 0x80}}, {0, 0x81, N, 0, 0x40, 0, 0x8003}, 5},
    {"sba", {0x10}, {0x05, 0x06, 0, 0, 0, 0, 0}, {}, {0xFF, 0x06, N | C, 0, 0, 0, 0x8001}, 2},
    {"cba_keeps_A", {0x11}, {0x06, 0x06, 0, 0, 0, 0, 0}, {}, {0x06, 0x06, Z, 0, 0, 0, 0x8001}, 2},
    {"aba", {0x1B}, {0x08, 0x08, 0, 0, 0, 0, 0}, {}, {0x10, 0x08, H, 0, 0, 0, 0x8001}, 2},
    {"daa_corrects_both_nibbles", {0x19}, {0x9A, 0, 0, 0, 0, 0, 0}, {}, {0x00, 0, Z | C, 0, 0, 0, 0x8001}, 2},
    {"daa_after_half_carry", {0x19}, {0x10, 0, H, 0, 0, 0, 0}, {}, {0x16, 0, H, 0, 0, 0, 0x8001}, 2},
    // read-modify-write
    {"lsra_sets_V_as_N_xor_C", {0x44}, {0x01, 0, 0, 0, 0, 0, 0}, {}, {0x00, 0, Z | V | C, 0, 0, 0, 0x8001}, 2},
    {"asra_keeps_the_sign", {0x47}, {0x81, 0, 0, 0, 0, 0, 0}, {}, {0xC0, 0, N | C, 0, 0, 0, 0x8001}, 2},
    {"rora_brings_C_in", {0x46}, {0x02, 0, C, 0, 0, 0, 0}, {}, {0x81, 0, N | V, 0, 0, 0, 0x8001}, 2},
    {"lsrb_clears_V_when_N_equals_C", {0x54}, {0, 0x02, V, 0, 0, 0, 0}, {}, {0, 0x01, 0, 0, 0, 0, 0x8001}, 2},
    {"lsla_V_from_bits_7_and_6", {0x48}, {0x40, 0, C, 0, 0, 0, 0}, {}, {0x80, 0, N | V, 0, 0, 0, 0x8001}, 2},
    {"rolb_takes_C", {0x59}, {0, 0x80, C, 0, 0, 0, 0}, {}, {0, 0x01, V | C, 0, 0, 0, 0x8001}, 2},
    {"nega_of_0x80", {0x40}, {0x80, 0, 0, 0, 0, 0, 0}, {}, {0x80, 0, N | V | C, 0, 0, 0, 0x8001}, 2},
    {"negb_of_0", {0x50}, {0, 0, C, 0, 0, 0, 0}, {}, {0, 0, Z, 0, 0, 0, 0x8001}, 2},
    {"comb_sets_C", {0x53}, {0, 0x0F, V, 0, 0, 0, 0}, {}, {0, 0xF0, N | C, 0, 0, 0, 0x8001}, 2},
    {"deca_0x80_overflows", {0x4A}, {0x80, 0, C, 0, 0, 0, 0}, {}, {0x7F, 0, V | C, 0, 0, 0, 0x8001}, 2},
    {"incb_0x7f_overflows", {0x5C}, {0, 0x7F, 0, 0, 0, 0, 0}, {}, {0, 0x80, N | V, 0, 0, 0, 0x8001}, 2},
    {"tsta_clears_C", {0x4D}, {0x00, 0, C | V, 0, 0, 0, 0}, {}, {0x00, 0, Z, 0, 0, 0, 0x8001}, 2},
    {"clra", {0x4F}, {0x55, 0, N | V | C, 0, 0, 0, 0}, {}, {0, 0, Z, 0, 0, 0, 0x8001}, 2},
    {"inc_extended", {0x7C, 0x10, 0x00}, {0, 0, 0, 0, 0, 0, 0}, {{0x1000, 0xFF}}, {0, 0, Z, 0, 0, 0, 0x8003}, 6, {{0x1000, 0x00}}},
    {"clr_indexed_y", {0x18, 0x6F, 0x01}, {0, 0, C, 0, 0x30, 0, 0}, {{0x31, 0x99}}, {0, 0, Z, 0, 0x30, 0, 0x8003}, 7, {{0x31, 0x00}}},
    {"tst_memory_stores_nothing", {0x6D, 0x00}, {0, 0, C, 0x50, 0, 0, 0}, {{0x50, 0x80}}, {0, 0, N, 0x50, 0, 0, 0x8002}, 6, {{0x50, 0x80}}},
    // bit instructions
    {"bset_direct", {0x14, 0x20, 0x81}, {0, 0, V, 0, 0, 0, 0}, {{0x20, 0x02}}, {0, 0, N, 0, 0, 0, 0x8003}, 6, {{0x20, 0x83}}},
    {"bclr_indexed_y", {0x18, 0x1D, 0x01, 0x0F}, {0, 0, 0, 0, 0x40, 0, 0}, {{0x41, 0x0F}}, {0, 0, Z, 0, 0x40, 0, 0x8004}, 8, {{0x41, 0x00}}},
    {"brset_indexed_x_taken", {0x1E, 0x12, 0x80, 0x10}, {0, 0, 0, 0x100, 0, 0, 0}, {{0x112, 0xFF}}, {0, 0, 0, 0x100, 0, 0, 0x8014}, 7},
    {"brset_not_taken", {0x12, 0x20, 0x81, 0x10}, {0, 0, 0, 0, 0, 0, 0}, {{0x20, 0x80}}, {0, 0, 0, 0, 0, 0, 0x8004}, 6},
    {"brclr_direct_taken_backwards", {0x13, 0x20, 0x01, 0xFC}, {0, 0, 0, 0, 0, 0, 0}, {{0x20, 0xFE}}, {0, 0, 0, 0, 0, 0, 0x8000}, 6},
    // 16-bit arithmetic
    {"subd_imm_borrows", {0x83, 0x00, 0x01}, {0, 0, 0, 0, 0, 0, 0}, {}, {0xFF, 0xFF, N | C, 0, 0, 0, 0x8003}, 4},
    {"addd_overflow_and_carry", {0xC3, 0x80, 0x00}, {0x80, 0x00, 0, 0, 0, 0, 0}, {}, {0, 0, Z | V | C, 0, 0, 0, 0x8003}, 4},
    {"cpd_prefix_1a_keeps_D", {0x1A, 0x83, 0x12, 0x34}, {0x12, 0x34, N, 0, 0, 0, 0}, {}, {0x12, 0x34, Z, 0, 0, 0, 0x8004}, 5},
    {"cpx_dir", {0x9C, 0x10}, {0, 0, 0, 0x1000, 0, 0, 0}, {{0x10, 0x20}, {0x11, 0x00}}, {0, 0, N | C, 0x1000, 0, 0, 0x8002}, 5},
    {"cpy_imm", {0x18, 0x8C, 0x00, 0x01}, {0, 0, 0, 0, 0x0002, 0, 0}, {}, {0, 0, 0, 0, 0x0002, 0, 0x8004}, 5},
    // inherent group
    {"lsrd_V_as_N_xor_C", {0x04}, {0x00, 0x01, 0, 0, 0, 0, 0}, {}, {0, 0, Z | V | C, 0, 0, 0, 0x8001}, 3},
    {"lsld_carry_out", {0x05}, {0xC0, 0x00, 0, 0, 0, 0, 0}, {}, {0x80, 0x00, N | C, 0, 0, 0, 0x8001}, 3},
    {"inx_changes_only_Z", {0x08}, {0, 0, N | C, 0xFFFF, 0, 0, 0}, {}, {0, 0, N | Z | C, 0, 0, 0, 0x8001}, 3},
    {"dey", {0x18, 0x09}, {0, 0, Z, 0, 0x0002, 0, 0}, {}, {0, 0, 0, 0, 0x0001, 0, 0x8002}, 4},
    {"abx", {0x3A}, {0, 0xFF, 0, 0xFF01, 0, 0, 0}, {}, {0, 0xFF, 0, 0x0000, 0, 0, 0x8001}, 3},
    {"aby", {0x18, 0x3A}, {0, 0x10, 0, 0, 0x10, 0, 0}, {}, {0, 0x10, 0, 0, 0x20, 0, 0x8002}, 4},
    {"mul_changes_only_C", {0x3D}, {0x10, 0x10, Z | N | V, 0, 0, 0, 0}, {}, {0x01, 0x00, Z | N | V, 0, 0, 0, 0x8001}, 10},
    {"mul_C_from_bit_7", {0x3D}, {0x0C, 0x0C, 0, 0, 0, 0, 0}, {}, {0x00, 0x90, C, 0, 0, 0, 0x8001}, 10},
    {"idiv", {0x02}, {0x00, 100, N, 7, 0, 0, 0}, {}, {0, 2, N, 14, 0, 0, 0x8001}, 41},
    {"idiv_by_zero", {0x02}, {0x12, 0x34, Z | V, 0, 0, 0, 0}, {}, {0x12, 0x34, C, 0xFFFF, 0, 0, 0x8001}, 41},
    {"idiv_zero_quotient", {0x02}, {0, 3, 0, 7, 0, 0, 0}, {}, {0, 3, Z, 0, 0, 0, 0x8001}, 41},
    {"fdiv", {0x03}, {0x40, 0x00, 0, 0x8000, 0, 0, 0}, {}, {0, 0, 0, 0x8000, 0, 0, 0x8001}, 41},
    {"fdiv_overflow", {0x03}, {0x40, 0x00, 0, 0x4000, 0, 0, 0}, {}, {0x40, 0x00, V, 0xFFFF, 0, 0, 0x8001}, 41},
    {"sei", {0x0F}, {0, 0, 0, 0, 0, 0, 0}, {}, {0, 0, I, 0, 0, 0, 0x8001}, 2},
    {"clv", {0x0A}, {0, 0, 0xFF, 0, 0, 0, 0}, {}, {0, 0, 0xFD, 0, 0, 0, 0x8001}, 2},
    {"wai_moves_on", {0x3E}, {0, 0, 0, 0, 0, 0x100, 0}, {}, {0, 0, 0, 0, 0, 0x100, 0x8001}, 14},
    {"stop_moves_on", {0xCF}, {}, {}, {0, 0, 0, 0, 0, 0, 0x8001}, 2},
    {"test_spends_nothing", {0x00}, {}, {}, {0, 0, 0, 0, 0, 0, 0x8001}, 0},
    // transfers
    {"tap_cannot_set_X_again", {0x06}, {0xFF, 0, 0, 0, 0, 0, 0}, {}, {0xFF, 0, 0xBF, 0, 0, 0, 0x8001}, 2},
    {"tap_clears_X", {0x06}, {0x00, 0, X | I, 0, 0, 0, 0}, {}, {0x00, 0, 0, 0, 0, 0, 0x8001}, 2},
    {"tpa", {0x07}, {0, 0, 0xD0, 0, 0, 0, 0}, {}, {0xD0, 0, 0xD0, 0, 0, 0, 0x8001}, 2},
    {"tab_clears_V", {0x16}, {0x80, 0, V, 0, 0, 0, 0}, {}, {0x80, 0x80, N, 0, 0, 0, 0x8001}, 2},
    {"tsx", {0x30}, {0, 0, 0, 0, 0, 0x00FF, 0}, {}, {0, 0, 0, 0x0100, 0, 0x00FF, 0x8001}, 3},
    {"tys", {0x18, 0x35}, {0, 0, 0, 0, 0x0100, 0, 0}, {}, {0, 0, 0, 0, 0x0100, 0x00FF, 0x8002}, 4},
    {"xgdx", {0x8F}, {0x12, 0x34, 0, 0x5678, 0, 0, 0}, {}, {0x56, 0x78, 0, 0x1234, 0, 0, 0x8001}, 3},
    {"xgdy", {0x18, 0x8F}, {0x12, 0x34, 0, 0, 0x5678, 0, 0}, {}, {0x56, 0x78, 0, 0, 0x1234, 0, 0x8002}, 4},
    // stack, calls and returns
    {"psha", {0x36}, {0x42, 0, 0, 0, 0, 0x0100, 0}, {}, {0x42, 0, 0, 0, 0, 0x00FF, 0x8001}, 3, {{0x0100, 0x42}}},
    {"pulb", {0x33}, {0, 0, 0, 0, 0, 0x00FF, 0}, {{0x0100, 0x24}}, {0, 0x24, 0, 0, 0, 0x0100, 0x8001}, 4},
    {"pshy", {0x18, 0x3C}, {0, 0, 0, 0, 0xBEEF, 0x0100, 0}, {}, {0, 0, 0, 0, 0xBEEF, 0x00FE, 0x8002}, 5, {{0x00FF, 0xBE}, {0x0100, 0xEF}}},
    {"pulx", {0x38}, {0, 0, 0, 0, 0, 0x00FE, 0}, {{0x00FF, 0x12}, {0x0100, 0x34}}, {0, 0, 0, 0x1234, 0, 0x0100, 0x8001}, 5},
    {"jsr_extended_pushes_the_return", {0xBD, 0x90, 0x00}, {0, 0, 0, 0, 0, 0x0100, 0}, {}, {0, 0, 0, 0, 0, 0x00FE, 0x9000}, 6, {{0x00FF, 0x80}, {0x0100, 0x03}}},
    {"jsr_indexed_y", {0x18, 0xAD, 0x04}, {0, 0, 0, 0, 0x9000, 0x0100, 0}, {}, {0, 0, 0, 0, 0x9000, 0x00FE, 0x9004}, 7, {{0x00FF, 0x80}, {0x0100, 0x03}}},
    {"bsr", {0x8D, 0x10}, {0, 0, 0, 0, 0, 0x0100, 0}, {}, {0, 0, 0, 0, 0, 0x00FE, 0x8012}, 6, {{0x00FF, 0x80}, {0x0100, 0x02}}},
    {"jmp_indexed_pushes_nothing", {0x6E, 0x10}, {0, 0, 0, 0x9000, 0, 0x0100, 0}, {}, {0, 0, 0, 0x9000, 0, 0x0100, 0x9010}, 3},
    {"rts", {0x39}, {0, 0, 0, 0, 0, 0x00FE, 0}, {{0x00FF, 0x90}, {0x0100, 0x00}}, {0, 0, 0, 0, 0, 0x0100, 0x9000}, 5},
    {"swi_stacks_everything", {0x3F}, {0x11, 0x22, 0x00, 0x3344, 0x5566, 0x00FF, 0}, {{0xFFF6, 0x90}, {0xFFF7, 0x00}}, {0x11, 0x22, I, 0x3344, 0x5566, 0x00F6, 0x9000}, 14,
     {{0xF7, 0x00}, {0xF8, 0x22}, {0xF9, 0x11}, {0xFA, 0x33}, {0xFB, 0x44}, {0xFC, 0x55}, {0xFD, 0x66}, {0xFE, 0x80}, {0xFF, 0x01}}},
    {"rti_keeps_X_clear", {0x3B}, {0, 0, 0x00, 0, 0, 0x00F6, 0}, {{0xF7, 0xFF}, {0xF8, 0x22}, {0xF9, 0x11}, {0xFA, 0x33}, {0xFB, 0x44}, {0xFC, 0x55}, {0xFD, 0x66}, {0xFE, 0x90}, {0xFF, 0x00}},
     {0x11, 0x22, 0xBF, 0x3344, 0x5566, 0x00FF, 0x9000}, 12},
    {"rti_restores_X_when_it_was_set", {0x3B}, {0, 0, X, 0, 0, 0x00F6, 0}, {{0xF7, 0xFF}, {0xFE, 0x90}, {0xFF, 0x00}}, {0, 0, 0xFF, 0, 0, 0x00FF, 0x9000}, 12},
    // branches
    {"branch_target_wraps_at_64k", {0x20, 0x7F}, {}, {}, {0, 0, 0, 0, 0, 0, 0x007F}, 3, {}, 0xFFFE},
    {"bra_backwards", {0x20, 0xFE}, {}, {}, {0, 0, 0, 0, 0, 0, 0x8000}, 3},
    {"brn_never", {0x21, 0x10}, {}, {}, {0, 0, 0, 0, 0, 0, 0x8002}, 3},
    {"bhi_when_C_and_Z_clear", {0x22, 0x10}, {}, {}, {0, 0, 0, 0, 0, 0, 0x8012}, 3},
    {"bhi_not_with_Z", {0x22, 0x10}, {0, 0, Z, 0, 0, 0, 0}, {}, {0, 0, Z, 0, 0, 0, 0x8002}, 3},
    {"bls_with_C", {0x23, 0x10}, {0, 0, C, 0, 0, 0, 0}, {}, {0, 0, C, 0, 0, 0, 0x8012}, 3},
    {"bcc_not_with_C", {0x24, 0x10}, {0, 0, C, 0, 0, 0, 0}, {}, {0, 0, C, 0, 0, 0, 0x8002}, 3},
    {"bcs_with_C", {0x25, 0x10}, {0, 0, C, 0, 0, 0, 0}, {}, {0, 0, C, 0, 0, 0, 0x8012}, 3},
    {"bne_when_Z_clear", {0x26, 0x10}, {}, {}, {0, 0, 0, 0, 0, 0, 0x8012}, 3},
    {"beq_with_Z", {0x27, 0x10}, {0, 0, Z, 0, 0, 0, 0}, {}, {0, 0, Z, 0, 0, 0, 0x8012}, 3},
    {"bvc_not_with_V", {0x28, 0x10}, {0, 0, V, 0, 0, 0, 0}, {}, {0, 0, V, 0, 0, 0, 0x8002}, 3},
    {"bvs_with_V", {0x29, 0x10}, {0, 0, V, 0, 0, 0, 0}, {}, {0, 0, V, 0, 0, 0, 0x8012}, 3},
    {"bpl_not_with_N", {0x2A, 0x10}, {0, 0, N, 0, 0, 0, 0}, {}, {0, 0, N, 0, 0, 0, 0x8002}, 3},
    {"bmi_with_N", {0x2B, 0x10}, {0, 0, N, 0, 0, 0, 0}, {}, {0, 0, N, 0, 0, 0, 0x8012}, 3},
    {"bge_when_N_equals_V", {0x2C, 0x10}, {0, 0, N | V, 0, 0, 0, 0}, {}, {0, 0, N | V, 0, 0, 0, 0x8012}, 3},
    {"blt_when_N_differs_from_V", {0x2D, 0x10}, {0, 0, V, 0, 0, 0, 0}, {}, {0, 0, V, 0, 0, 0, 0x8012}, 3},
    {"bgt_not_with_Z", {0x2E, 0x10}, {0, 0, Z, 0, 0, 0, 0}, {}, {0, 0, Z, 0, 0, 0, 0x8002}, 3},
    {"ble_with_Z", {0x2F, 0x10}, {0, 0, Z, 0, 0, 0, 0}, {}, {0, 0, Z, 0, 0, 0, 0x8012}, 3},
    // decimal adjust: every row of the published correction table
    {"daa_no_correction", {0x19}, {0x45, 0, 0, 0, 0, 0, 0}, {}, {0x45, 0, 0, 0, 0, 0, 0x8001}, 2},
    {"daa_low_nibble_over_9", {0x19}, {0x4C, 0, 0, 0, 0, 0, 0}, {}, {0x52, 0, 0, 0, 0, 0, 0x8001}, 2},
    {"daa_half_carry_low_0_to_3", {0x19}, {0x42, 0, H, 0, 0, 0, 0}, {}, {0x48, 0, H, 0, 0, 0, 0x8001}, 2},
    {"daa_high_nibble_over_9", {0x19}, {0xA5, 0, 0, 0, 0, 0, 0}, {}, {0x05, 0, C, 0, 0, 0, 0x8001}, 2},
    {"daa_high_9_low_over_9", {0x19}, {0x9C, 0, 0, 0, 0, 0, 0}, {}, {0x02, 0, C, 0, 0, 0, 0x8001}, 2},
    {"daa_high_over_9_and_half_carry", {0x19}, {0xB2, 0, H, 0, 0, 0, 0}, {}, {0x18, 0, H | C, 0, 0, 0, 0x8001}, 2},
    {"daa_carry_in", {0x19}, {0x25, 0, C, 0, 0, 0, 0}, {}, {0x85, 0, N | C, 0, 0, 0, 0x8001}, 2},
    {"daa_carry_in_low_over_9", {0x19}, {0x1B, 0, C, 0, 0, 0, 0}, {}, {0x81, 0, N | C, 0, 0, 0, 0x8001}, 2},
    {"daa_carry_and_half_carry_in_keeps_V", {0x19}, {0x31, 0, H | V | C, 0, 0, 0, 0}, {}, {0x97, 0, H | N | V | C, 0, 0, 0, 0x8001}, 2},
    // carry-in of adc and sbc
    {"adca_carry_in_overflows", {0x89, 0x00}, {0x7F, 0, C, 0, 0, 0, 0}, {}, {0x80, 0, H | N | V, 0, 0, 0, 0x8002}, 2},
    {"adcb_carry_in_carries_out", {0xC9, 0xFF}, {0, 0xFF, C, 0, 0, 0, 0}, {}, {0, 0xFF, H | N | C, 0, 0, 0, 0x8002}, 2},
    {"sbca_carry_in_overflows_keeps_H", {0x82, 0x7F}, {0x80, 0, H | C, 0, 0, 0, 0}, {}, {0x00, 0, H | Z | V, 0, 0, 0, 0x8002}, 2},
    {"sbcb_carry_in_borrows", {0xC2, 0xFF}, {0, 0x00, C, 0, 0, 0, 0}, {}, {0, 0x00, Z | C, 0, 0, 0, 0x8002}, 2},
    {"subb_keeps_H", {0xC0, 0x01}, {0, 0x01, H | N | V | C, 0, 0, 0, 0}, {}, {0, 0x00, H | Z, 0, 0, 0, 0x8002}, 2},
    // negate, complement, clear and the shifts on memory
    {"negb_of_1", {0x50}, {0, 0x01, V, 0, 0, 0, 0}, {}, {0, 0xFF, N | C, 0, 0, 0, 0x8001}, 2},
    {"com_indexed_of_0xff", {0x63, 0x00}, {0, 0, N | V, 0x40, 0, 0, 0}, {{0x40, 0xFF}}, {0, 0, Z | C, 0x40, 0, 0, 0x8002}, 6, {{0x40, 0x00}}},
    {"clr_extended", {0x7F, 0x10, 0x00}, {0, 0, N | V | C, 0, 0, 0, 0}, {{0x1000, 0x99}}, {0, 0, Z, 0, 0, 0, 0x8003}, 6, {{0x1000, 0x00}}},
    {"asr_extended_V_as_N_xor_C", {0x77, 0x10, 0x00}, {}, {{0x1000, 0x01}}, {0, 0, Z | V | C, 0, 0, 0, 0x8003}, 6, {{0x1000, 0x00}}},
    {"rol_indexed_x", {0x69, 0x01}, {0, 0, C, 0x40, 0, 0, 0}, {{0x41, 0x40}}, {0, 0, N | V, 0x40, 0, 0, 0x8002}, 6, {{0x41, 0x81}}},
    {"ror_indexed_y", {0x18, 0x66, 0x00}, {0, 0, 0, 0, 0x40, 0, 0}, {{0x40, 0x01}}, {0, 0, Z | V | C, 0, 0x40, 0, 0x8003}, 7, {{0x40, 0x00}}},
    {"lsr_extended_of_0x80", {0x74, 0x10, 0x00}, {0, 0, V | C, 0, 0, 0, 0}, {{0x1000, 0x80}}, {0, 0, 0, 0, 0, 0, 0x8003}, 6, {{0x1000, 0x40}}},
    {"asl_extended", {0x78, 0x10, 0x00}, {}, {{0x1000, 0xC0}}, {0, 0, N | C, 0, 0, 0, 0x8003}, 6, {{0x1000, 0x80}}},
    // 16-bit compares with every prefix
    {"cpd_dir_prefix_1a", {0x1A, 0x93, 0x10}, {0x10, 0x00, 0, 0, 0, 0, 0}, {{0x10, 0x20}, {0x11, 0x00}}, {0x10, 0x00, N | C, 0, 0, 0, 0x8003}, 6},
    {"cpd_indexed_x_prefix_1a", {0x1A, 0xA3, 0x00}, {0x00, 0x05, 0, 0x40, 0, 0, 0}, {{0x40, 0x00}, {0x41, 0x05}}, {0x00, 0x05, Z, 0x40, 0, 0, 0x8003}, 7},
    {"cpd_indexed_y_prefix_cd_overflows", {0xCD, 0xA3, 0x00}, {0x80, 0x00, 0, 0, 0x40, 0, 0}, {{0x40, 0x00}, {0x41, 0x01}}, {0x80, 0x00, V, 0, 0x40, 0, 0x8003}, 7},
    {"cpd_extended_prefix_1a", {0x1A, 0xB3, 0x10, 0x00}, {0x7F, 0xFF, 0, 0, 0, 0, 0}, {{0x1000, 0xFF}, {0x1001, 0xFF}}, {0x7F, 0xFF, N | V | C, 0, 0, 0, 0x8004}, 7},
    {"cpy_indexed_x_prefix_1a", {0x1A, 0xAC, 0x02}, {0, 0, 0, 0x40, 0x1234, 0, 0}, {{0x42, 0x12}, {0x43, 0x34}}, {0, 0, Z, 0x40, 0x1234, 0, 0x8003}, 7},
    {"cpx_indexed_y_prefix_cd", {0xCD, 0xAC, 0x00}, {0, 0, 0, 0x0001, 0x40, 0, 0}, {{0x40, 0x00}, {0x41, 0x02}}, {0, 0, N | C, 0x0001, 0x40, 0, 0x8003}, 7},
    {"cpy_indexed_y_prefix_18", {0x18, 0xAC, 0x00}, {0, 0, 0, 0, 0x40, 0, 0}, {{0x40, 0x00}, {0x41, 0x40}}, {0, 0, Z, 0, 0x40, 0, 0x8003}, 7},
    {"cpy_extended_prefix_18", {0x18, 0xBC, 0x10, 0x00}, {0, 0, 0, 0, 0x0002, 0, 0}, {{0x1000, 0x00}, {0x1001, 0x01}}, {0, 0, 0, 0, 0x0002, 0, 0x8004}, 7},
    {"cpx_extended", {0xBC, 0x10, 0x00}, {0, 0, 0, 0x8000, 0, 0, 0}, {{0x1000, 0x00}, {0x1001, 0x01}}, {0, 0, V, 0x8000, 0, 0, 0x8003}, 6},
    // division and multiplication
    {"fdiv_by_zero_sets_C_and_V", {0x03}, {0x12, 0x34, Z | N, 0, 0, 0, 0}, {}, {0x12, 0x34, N | V | C, 0xFFFF, 0, 0, 0x8001}, 41},
    {"fdiv_equal_operands_overflow", {0x03}, {0x12, 0x34, C, 0x1234, 0, 0, 0}, {}, {0x12, 0x34, V, 0xFFFF, 0, 0, 0x8001}, 41},
    {"fdiv_smallest_fraction", {0x03}, {0x00, 0x01, 0, 0xFFFF, 0, 0, 0}, {}, {0x00, 0x01, 0, 0x0001, 0, 0, 0x8001}, 41},
    {"fdiv_zero_dividend", {0x03}, {0x00, 0x00, 0, 0x8000, 0, 0, 0}, {}, {0x00, 0x00, Z, 0x0000, 0, 0, 0x8001}, 41},
    {"idiv_by_one", {0x02}, {0xFF, 0xFF, V | C, 0x0001, 0, 0, 0}, {}, {0x00, 0x00, 0, 0xFFFF, 0, 0, 0x8001}, 41},
    {"mul_largest", {0x3D}, {0xFF, 0xFF, C, 0, 0, 0, 0}, {}, {0xFE, 0x01, 0, 0, 0, 0, 0x8001}, 10},
    {"mul_zero_keeps_Z_clear", {0x3D}, {0x00, 0x80, 0, 0, 0, 0, 0}, {}, {0x00, 0x00, 0, 0, 0, 0, 0x8001}, 10},
    // bit instructions through Y
    {"brset_indexed_y_taken", {0x18, 0x1E, 0x02, 0x81, 0x10}, {0, 0, 0, 0, 0x100, 0, 0}, {{0x102, 0x81}}, {0, 0, 0, 0, 0x100, 0, 0x8015}, 8},
    {"brclr_indexed_y_not_taken", {0x18, 0x1F, 0x02, 0x81, 0x10}, {0, 0, 0, 0, 0x100, 0, 0}, {{0x102, 0x01}}, {0, 0, 0, 0, 0x100, 0, 0x8005}, 8},
    {"brclr_indexed_y_taken", {0x18, 0x1F, 0x02, 0x81, 0x10}, {0, 0, 0, 0, 0x100, 0, 0}, {{0x102, 0x7E}}, {0, 0, 0, 0, 0x100, 0, 0x8015}, 8},
    {"bset_indexed_y", {0x18, 0x1C, 0xFF, 0x80}, {0, 0, V | C, 0, 0x100, 0, 0}, {{0x1FF, 0x01}}, {0, 0, N | C, 0, 0x100, 0, 0x8004}, 8, {{0x1FF, 0x81}}},
    {"bclr_indexed_x", {0x1D, 0x00, 0x01}, {0, 0, 0, 0x40, 0, 0, 0}, {{0x40, 0x81}}, {0, 0, N, 0x40, 0, 0, 0x8003}, 7, {{0x40, 0x80}}},
    // transfers, exchanges and index arithmetic change no flags
    {"tsy", {0x18, 0x30}, {0, 0, 0xFF, 0, 0, 0xFFFF, 0}, {}, {0, 0, 0xFF, 0, 0x0000, 0xFFFF, 0x8002}, 4},
    {"txs_wraps", {0x35}, {0, 0, 0, 0x0000, 0, 0, 0}, {}, {0, 0, 0, 0x0000, 0, 0xFFFF, 0x8001}, 3},
    {"xgdx_keeps_flags", {0x8F}, {0x00, 0x00, 0xFF, 0x8000, 0, 0, 0}, {}, {0x80, 0x00, 0xFF, 0x0000, 0, 0, 0x8001}, 3},
    {"abx_keeps_flags", {0x3A}, {0, 0x80, 0xFF, 0x0080, 0, 0, 0}, {}, {0, 0x80, 0xFF, 0x0100, 0, 0, 0x8001}, 3},
    {"aby_wraps", {0x18, 0x3A}, {0, 0x02, 0, 0, 0xFFFF, 0, 0}, {}, {0, 0x02, 0, 0, 0x0001, 0, 0x8002}, 4},
    {"iny_wraps_to_zero", {0x18, 0x08}, {0, 0, 0, 0, 0xFFFF, 0, 0}, {}, {0, 0, Z, 0, 0x0000, 0, 0x8002}, 4},
    {"sev", {0x0B}, {0, 0, 0, 0, 0, 0, 0}, {}, {0, 0, V, 0, 0, 0, 0x8001}, 2},
    {"tap_with_X_clear", {0x06}, {0x40, 0, 0, 0, 0, 0, 0}, {}, {0x40, 0, 0, 0, 0, 0, 0x8001}, 2},
    {"tba_sets_Z", {0x17}, {0x55, 0x00, N | V, 0, 0, 0, 0}, {}, {0x00, 0x00, Z, 0, 0, 0, 0x8001}, 2},
    {"swi_keeps_X", {0x3F}, {0, 0, X, 0, 0, 0x00FF, 0}, {{0xFFF6, 0x90}, {0xFFF7, 0x00}}, {0, 0, X | I, 0, 0, 0x00F6, 0x9000}, 14, {{0xF7, X}}},
};

void PrintTo(const Step& s, std::ostream* os) { *os << s.name; }

class StepTest : public TargetTest, public ::testing::WithParamInterface<Step> {};

TEST_P(StepTest, Executes) {
    const Step& s = GetParam();
    for (auto [address, value] : s.mem) wrbyte(address, value);
    uint16_t a = s.origin;
    for (uint8_t b : s.code) wrbyte(a++, b);
    regs = s.in;
    regs.pc = s.origin;
    EXPECT_EQ(decinstr(s.origin, DEC_EXEC, nullptr), s.code.size());
    EXPECT_EQ(regs.a, s.out.a);
    EXPECT_EQ(regs.b, s.out.b);
    EXPECT_EQ(regs.cc, s.out.cc);
    EXPECT_EQ(regs.x, s.out.x);
    EXPECT_EQ(regs.y, s.out.y);
    EXPECT_EQ(regs.sp, s.out.sp);
    EXPECT_EQ(regs.pc, s.out.pc);
    EXPECT_EQ(*timeptr, s.cycles);
    for (auto [address, value] : s.memout) EXPECT_EQ(rdbyte(address), value) << std::hex << address;
    EXPECT_EQ(console.errors, "");
}

INSTANTIATE_TEST_SUITE_P(Instructions, StepTest, ::testing::ValuesIn(steps),
                         [](const auto& info) { return std::string(info.param.name); });

using InterruptTest = TargetTest;

TEST_F(InterruptTest, XirqWaitsForXThenStacksAndTakesItsVector) {
    poke(0xFFF4, {0x90, 0x00});
    regs = RegImage{1, 2, X, 3, 4, 0x0100, 0x8000};
    *irqptr = 0x4;
    EXPECT_EQ(takeint(irqptr), 0);
    EXPECT_EQ(intpending(), 0);
    EXPECT_EQ(*irqptr, 0x4u);
    regs.cc = 0;
    EXPECT_EQ(intpending(), 1);
    EXPECT_EQ(takeint(irqptr), 1);
    EXPECT_EQ(*irqptr, 0u);
    EXPECT_EQ(regs.pc, 0x9000);
    EXPECT_EQ(regs.cc, X | I);
    EXPECT_EQ(regs.sp, 0x0100 - 9);
    EXPECT_EQ(*timeptr, 12u);
    EXPECT_EQ(rdbyte(0x0100 - 8), 0);  // the stacked CCR
    EXPECT_EQ(rdword(0x00FF), 0x8000);  // the stacked PC
}

TEST_F(InterruptTest, LowestTakeableBitServesFirstAndMaskedBitsWait) {
    poke(0xFFF2, {0xA0, 0x00});   // IRQ, bit 3
    poke(0xFFD6, {0xB0, 0x00});   // SCI, bit 17
    regs.sp = 0x0200;
    regs.cc = I;
    *irqptr = (1u << 17) | (1u << 3);
    EXPECT_EQ(takeint(irqptr), 0);
    regs.cc = 0;
    EXPECT_EQ(takeint(irqptr), 1);
    EXPECT_EQ(regs.pc, 0xA000);
    EXPECT_EQ(regs.cc, I);
    EXPECT_EQ(*irqptr, 1u << 17);
    regs.cc = 0;
    EXPECT_EQ(takeint(irqptr), 1);
    EXPECT_EQ(regs.pc, 0xB000);
    EXPECT_EQ(*irqptr, 0u);
}

TEST_F(InterruptTest, PendingBitsAboveTheTableAreKeptAndServed) {
    regs.sp = 0x0200;
    *irqptr = 1u << 25;
    regs.cc = I;
    EXPECT_EQ(intpending(), 0);
    EXPECT_EQ(*irqptr, 1u << 25);
    regs.cc = 0;
    EXPECT_EQ(intpending(), 1);
    EXPECT_EQ(takeint(irqptr), 1);
    EXPECT_EQ(*irqptr, 0u);
}

TEST_F(InterruptTest, BuiltInTableHasThePublishedVectors) {
    struct Case { const char* name; uint32_t vector; };
    const Case cases[] = {{"COP clock fail", 0xFFFC}, {"COP fail", 0xFFFA}, {"XIRQ", 0xFFF4},
                          {"IRQ", 0xFFF2}, {"Real Time Interrupt", 0xFFF0}, {"Timer Input 1", 0xFFEE},
                          {"Timer Output 5", 0xFFE0}, {"Timer Overflow", 0xFFDE},
                          {"Pulse Input Edge", 0xFFDA}, {"SPI", 0xFFD8}, {"SCI", 0xFFD6}};
    for (const Case& c : cases) {
        *irqptr = 0;
        EXPECT_EQ(raiseint(0, c.name, 1), 1) << c.name;
        EXPECT_EQ(intvector(*irqptr), c.vector) << c.name;
    }
    EXPECT_EQ(raiseint(0, "sci", 1), 0);
}

TEST_F(InterruptTest, CallsSetTheCallMadeFlag) {
    poke(0x8000, {0xBD, 0x90, 0x00, 0x7E, 0x90, 0x00});
    regs.sp = 0x0100;
    decinstr(0x8000, DEC_EXEC, nullptr);
    EXPECT_EQ(runflags.callmade, 1);
    runflags.callmade = 0;
    decinstr(0x8003, DEC_EXEC, nullptr);
    EXPECT_EQ(runflags.callmade, 0);
}

}  // namespace
}  // namespace vy
