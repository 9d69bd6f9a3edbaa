// The mnemonic table (the 68HC11 instructions, the code generator's
// pseudo-branches and pseudo-instructions) with the registers and flags each
// row reads (`uses`) and changes (`effects`) and the rules tried on its
// lines; the runtime-routine table with the register words of each routine;
// and the small operand helpers that the rules share.
#include <algorithm>
#include <cstring>

#include "ccopt/opt.h"
#include "ccparse/toolkit/toolkit.h"

namespace ccopt {

namespace {

// Rule lists, in order of trial. "T2a" and "T2b" are the two rules with the
// code T2: the register test (tsta, tstb) and the memory test (tst).
const Rule R_A3_A4[] = {rule_A3, rule_A4, nullptr};
const Rule R_A1[] = {rule_A1, nullptr};
const Rule R_C4_A5[] = {rule_C4, rule_A5, nullptr};
const Rule R_A0_A2_C4_B3[] = {rule_A0, rule_A2, rule_C4, rule_B3, nullptr};
const Rule R_M0[] = {rule_M0, nullptr};
const Rule R_S1_S3[] = {rule_S1, rule_S3, nullptr};
const Rule R_B1_C6[] = {rule_B1, rule_C6, nullptr};
const Rule R_B0_M0[] = {rule_B0, rule_M0, nullptr};
const Rule R_A2[] = {rule_A2, nullptr};
const Rule R_B2_B1[] = {rule_B2, rule_B1, nullptr};
const Rule R_M0_S4[] = {rule_M0, rule_S4, nullptr};
const Rule R_C0[] = {rule_C0, nullptr};
const Rule R_C1_C2_C5[] = {rule_C1, rule_C2, rule_C5, nullptr};
const Rule R_D0[] = {rule_D0, nullptr};
const Rule R_E0_C4[] = {rule_E0, rule_C4, nullptr};
const Rule R_I2_M0[] = {rule_I2, rule_M0, nullptr};
const Rule R_I1_I0[] = {rule_I1, rule_I0, nullptr};
const Rule R_C3[] = {rule_C3, nullptr};
const Rule R_L1_L0_L3_L4_L2_L7[] = {rule_L1, rule_L0, rule_L3, rule_L4, rule_L2, rule_L7, nullptr};
const Rule R_L1_L5[] = {rule_L1, rule_L5, nullptr};
const Rule R_S3[] = {rule_S3, nullptr};
const Rule R_N0[] = {rule_N0, nullptr};
const Rule R_O0_C4[] = {rule_O0, rule_C4, nullptr};
const Rule R_P0[] = {rule_P0, nullptr};
const Rule R_S0[] = {rule_S0, nullptr};
const Rule R_S2_S5[] = {rule_S2, rule_S5, nullptr};
const Rule R_A5[] = {rule_A5, nullptr};
const Rule R_T1[] = {rule_T1, nullptr};
const Rule R_T2a_T0_T2b[] = {rule_T2a, rule_T0, rule_T2b, nullptr};
const Rule R_X0_A4_L6[] = {rule_X0, rule_A4, rule_L6, nullptr};

}  // namespace

// Sorted by name in byte order; a line's kind holds its row index.
const MnemonicRow mnemonics[] = {
    {"aba", 0x0003, 0x03c1, nullptr},
    {"abx", 0x0006, 0x0004, nullptr},
    {"aby", 0x000a, 0x0008, R_A3_A4},
    {"adca", 0x0041, 0x03c1, R_A1},
    {"adcb", 0x0042, 0x03c2, nullptr},
    {"adda", 0x0001, 0x03c1, R_C4_A5},
    {"addb", 0x0002, 0x03c2, R_C4_A5},
    {"addd", 0x0003, 0x03c3, R_C4_A5},
    {"anda", 0x0001, 0x0381, R_A0_A2_C4_B3},
    {"andb", 0x0002, 0x0382, R_A0_A2_C4_B3},
    {"asl", 0x0000, 0x43c0, R_M0},
    {"asla", 0x0001, 0x03c1, nullptr},
    {"aslb", 0x0002, 0x03c2, nullptr},
    {"asld", 0x0003, 0x03c3, nullptr},
    {"asr", 0x0000, 0x43c0, R_M0},
    {"asra", 0x0001, 0x03c1, R_S1_S3},
    {"asrb", 0x0002, 0x03c2, nullptr},
    {"bcc", 0x0060, 0x1020, R_B1_C6},
    {"bclr", 0x0000, 0x4380, R_B0_M0},
    {"bcs", 0x0060, 0x1020, R_B1_C6},
    {"beq", 0x0120, 0x1020, R_B1_C6},
    {"bge", 0x02a0, 0x1020, R_B1_C6},
    {"bgt", 0x03a0, 0x1020, R_B1_C6},
    {"bhi", 0x0160, 0x1020, R_B1_C6},
    {"bhs", 0x0060, 0x1020, R_B1_C6},
    {"bita", 0x0001, 0x0380, nullptr},
    {"bitb", 0x0002, 0x0380, R_A2},
    {"ble", 0x03a0, 0x1020, R_B1_C6},
    {"blo", 0x0060, 0x1020, R_B1_C6},
    {"bls", 0x0160, 0x1020, R_B1_C6},
    {"blt", 0x02a0, 0x1020, R_B1_C6},
    {"bmi", 0x00a0, 0x1020, R_B1_C6},
    {"bne", 0x0120, 0x1020, R_B1_C6},
    {"bpl", 0x00a0, 0x1020, R_B1_C6},
    {"bra", 0x0000, 0x1020, R_B2_B1},
    {"brclr", 0x0020, 0x1020, nullptr},
    {"brn", 0x0000, 0x0000, nullptr},
    {"brset", 0x0020, 0x1020, nullptr},
    {"bset", 0x0000, 0x4380, R_B0_M0},
    {"bsr", 0x0003, 0x03db, nullptr},
    {"bvc", 0x0220, 0x1020, R_B1_C6},
    {"bvs", 0x0220, 0x1020, R_B1_C6},
    {"cba", 0x0003, 0x03c0, nullptr},
    {"clc", 0x0000, 0x0040, nullptr},
    {"cli", 0x0000, 0x0000, nullptr},
    {"clr", 0x0000, 0x43c0, R_M0_S4},
    {"clra", 0x0000, 0x03c1, R_C0},
    {"clrb", 0x0000, 0x03c2, R_C0},
    {"clv", 0x0000, 0x0200, nullptr},
    {"cmpa", 0x0001, 0x03c0, R_C1_C2_C5},
    {"cmpb", 0x0002, 0x03c0, R_C1_C2_C5},
    {"com", 0x0000, 0x43c0, R_M0},
    {"coma", 0x0001, 0x03c1, nullptr},
    {"comb", 0x0002, 0x03c2, nullptr},
    {"cpd", 0x0003, 0x03c0, R_C1_C2_C5},
    {"cpx", 0x0004, 0x03c0, R_C1_C2_C5},
    {"cpy", 0x0008, 0x03c0, R_C1_C2_C5},
    {"daa", 0x0001, 0x03c1, nullptr},
    {"dec", 0x0000, 0x4380, R_M0},
    {"deca", 0x0001, 0x0381, nullptr},
    {"decb", 0x0002, 0x0382, nullptr},
    {"des", 0x0010, 0x0010, nullptr},
    {"dex", 0x0004, 0x0104, nullptr},
    {"dey", 0x0008, 0x0108, R_D0},
    {"eora", 0x0001, 0x0381, R_E0_C4},
    {"eorb", 0x0002, 0x0382, R_E0_C4},
    {"fdiv", 0x0007, 0x0347, nullptr},
    {"idiv", 0x0007, 0x0347, nullptr},
    {"inc", 0x0000, 0x4380, R_I2_M0},
    {"inca", 0x0001, 0x0381, nullptr},
    {"incb", 0x0002, 0x0382, nullptr},
    {"ins", 0x0010, 0x0010, R_I1_I0},
    {"inx", 0x0004, 0x0104, nullptr},
    {"iny", 0x0008, 0x0108, nullptr},
    {"jbcc", 0x0060, 0x1020, R_B1_C6},
    {"jbcs", 0x0060, 0x1020, R_B1_C6},
    {"jbeq", 0x0120, 0x1020, R_B1_C6},
    {"jbge", 0x02a0, 0x1020, R_B1_C6},
    {"jbgt", 0x03a0, 0x1020, R_B1_C6},
    {"jbhi", 0x0160, 0x1020, R_B1_C6},
    {"jbhs", 0x0060, 0x1020, R_B1_C6},
    {"jble", 0x03a0, 0x1020, R_B1_C6},
    {"jblo", 0x0060, 0x1020, R_B1_C6},
    {"jbls", 0x0160, 0x1020, R_B1_C6},
    {"jblt", 0x02a0, 0x1020, R_B1_C6},
    {"jbmi", 0x00a0, 0x1020, R_B1_C6},
    {"jbne", 0x0120, 0x1020, R_B1_C6},
    {"jbpl", 0x00a0, 0x1020, R_B1_C6},
    {"jbr", 0x0000, 0x1020, R_B2_B1},
    {"jbvc", 0x0220, 0x1020, R_B1_C6},
    {"jbvs", 0x0220, 0x1020, R_B1_C6},
    {"jmp", 0x0000, 0x1020, R_B2_B1},
    {"jsr", 0x0003, 0x03db, nullptr},
    {"kvol", 0x0000, 0x0000, R_C3},
    {"ldaa", 0x0000, 0x2381, R_L1_L0_L3_L4_L2_L7},
    {"ldab", 0x0000, 0x2382, R_L1_L0_L3_L4_L2_L7},
    {"ldd", 0x0000, 0x2383, R_L1_L0_L3_L4_L2_L7},
    {"lds", 0x0000, 0x2390, nullptr},
    {"ldx", 0x0000, 0x2384, R_L1_L5},
    {"ldy", 0x0000, 0x2388, R_L1_L5},
    {"lsl", 0x0000, 0x43c0, R_M0},
    {"lsla", 0x0001, 0x03c1, nullptr},
    {"lslb", 0x0002, 0x03c2, nullptr},
    {"lsld", 0x0003, 0x03c3, nullptr},
    {"lsr", 0x0000, 0x43c0, R_M0},
    {"lsra", 0x0001, 0x03c1, R_S1_S3},
    {"lsrb", 0x0002, 0x03c2, R_S3},
    {"lsrd", 0x0003, 0x03c3, nullptr},
    {"mul", 0x0003, 0x0043, nullptr},
    {"neg", 0x0000, 0x43c0, R_M0},
    {"nega", 0x0001, 0x03c1, R_N0},
    {"negb", 0x0002, 0x03c2, nullptr},
    {"noa", 0x0400, 0x0001, nullptr},
    {"nod", 0x0400, 0x0003, nullptr},
    {"nop", 0x0000, 0x0000, nullptr},
    {"noy", 0x0400, 0x0008, nullptr},
    {"oraa", 0x0001, 0x0381, R_O0_C4},
    {"orab", 0x0002, 0x0382, R_O0_C4},
    {"psha", 0x0011, 0x0010, nullptr},
    {"pshb", 0x0012, 0x0010, nullptr},
    {"pshd", 0x0013, 0x0010, R_P0},
    {"pshx", 0x0014, 0x0010, R_P0},
    {"pshy", 0x0018, 0x0010, R_P0},
    {"pula", 0x0010, 0x0011, nullptr},
    {"pulb", 0x0010, 0x0012, nullptr},
    {"puld", 0x0010, 0x0013, nullptr},
    {"pulx", 0x0010, 0x0014, nullptr},
    {"puly", 0x0010, 0x0018, nullptr},
    {"rol", 0x0040, 0x43c0, R_M0},
    {"rola", 0x0041, 0x03c1, nullptr},
    {"rolb", 0x0042, 0x03c2, nullptr},
    {"ror", 0x0040, 0x43c0, R_M0},
    {"rora", 0x0041, 0x03c1, nullptr},
    {"rorb", 0x0042, 0x03c2, nullptr},
    {"rti", 0x0010, 0x0bfb, R_B2_B1},
    {"rts", 0x001b, 0x083b, R_B2_B1},
    {"sba", 0x0003, 0x03c1, nullptr},
    {"sbca", 0x0041, 0x03c1, nullptr},
    {"sbcb", 0x0042, 0x03c2, nullptr},
    {"sec", 0x0000, 0x0040, nullptr},
    {"sei", 0x0000, 0x0000, nullptr},
    {"sev", 0x0000, 0x0200, nullptr},
    {"sex", 0x0002, 0x0383, R_S0},
    {"staa", 0x0001, 0x8380, R_S2_S5},
    {"stab", 0x0002, 0x8380, R_S2_S5},
    {"std", 0x0003, 0x8380, R_S2_S5},
    {"stop", 0x0000, 0x0000, nullptr},
    {"sts", 0x0010, 0x8380, R_S2_S5},
    {"stx", 0x0004, 0x8380, R_S2_S5},
    {"sty", 0x0008, 0x8380, R_S2_S5},
    {"suba", 0x0001, 0x03c1, R_A5},
    {"subb", 0x0002, 0x03c2, R_A5},
    {"subd", 0x0003, 0x03c3, R_A5},
    {"swi", 0x0010, 0x0030, nullptr},
    {"tab", 0x0001, 0x0382, R_T1},
    {"tap", 0x0001, 0x03c0, nullptr},
    {"tba", 0x0002, 0x0381, R_T1},
    {"test", 0x0000, 0x0000, nullptr},
    {"tpa", 0x03c0, 0x0001, nullptr},
    {"tst", 0x0000, 0x03c0, R_T2a_T0_T2b},
    {"tsta", 0x0001, 0x03c0, R_T2a_T0_T2b},
    {"tstb", 0x0002, 0x03c0, R_T2a_T0_T2b},
    {"tsx", 0x0010, 0x0004, nullptr},
    {"tsy", 0x0010, 0x0008, nullptr},
    {"txs", 0x0004, 0x0010, nullptr},
    {"tys", 0x0008, 0x0010, nullptr},
    {"wai", 0x0000, 0x0000, nullptr},
    {"xgdx", 0x0007, 0x0007, nullptr},
    {"xgdy", 0x000b, 0x000b, R_X0_A4_L6},
};
const int mnemonic_count = static_cast<int>(std::size(mnemonics));

// Sorted by name in byte order. c_kenls and c_kenll have the words of
// c_kents and c_kentl.
const RuntimeRoutine runtime_routines[] = {
    {"c_bfget", 0x0003, 0x0013},
    {"c_bfput", 0x000b, 0x0013},
    {"c_check", 0x0008, 0x0008},
    {"c_dadd", 0x000b, 0x0000},
    {"c_dcmp", 0x000b, 0x0000},
    {"c_ddiv", 0x000b, 0x0000},
    {"c_dmul", 0x000b, 0x0000},
    {"c_dmula", 0x000b, 0x0000},
    {"c_dneg", 0x0008, 0x0000},
    {"c_dsub", 0x000b, 0x0000},
    {"c_dtod", 0x000b, 0x0010},
    {"c_dtof", 0x0008, 0x0003},
    {"c_dtoi", 0x0008, 0x0003},
    {"c_dtol", 0x0008, 0x0003},
    {"c_dtos", 0x0018, 0x0013},
    {"c_eewbfb", 0x000a, 0x000a},
    {"c_eewbfd", 0x000b, 0x000b},
    {"c_eewbfx", 0x000b, 0x0013},
    {"c_eewrc", 0x000a, 0x0000},
    {"c_eewrd", 0x0008, 0x0000},
    {"c_eewrl", 0x000b, 0x0000},
    {"c_eewrw", 0x000b, 0x0000},
    {"c_eewstr", 0x000b, 0x000b},
    {"c_entl", 0x0000, 0x001f},
    {"c_ents", 0x0000, 0x001f},
    {"c_fadd", 0x000b, 0x0003},
    {"c_fcmp", 0x000b, 0x0000},
    {"c_fdiv", 0x000b, 0x0003},
    {"c_fgadd", 0x000b, 0x0010},
    {"c_fgdiv", 0x000b, 0x0010},
    {"c_fgmul", 0x000b, 0x0010},
    {"c_fgmula", 0x000b, 0x0010},
    {"c_fgsub", 0x000b, 0x0010},
    {"c_fmul", 0x000b, 0x0003},
    {"c_fmula", 0x000b, 0x0003},
    {"c_fneg", 0x0003, 0x0003},
    {"c_fsub", 0x000b, 0x0003},
    {"c_ftod", 0x000b, 0x0000},
    {"c_ftoi", 0x0003, 0x0003},
    {"c_ftol", 0x0003, 0x0003},
    {"c_idiv", 0x000b, 0x000b},
    {"c_idiva", 0x000b, 0x0003},
    {"c_idivb", 0x0003, 0x0003},
    {"c_ilsh", 0x000b, 0x000b},
    {"c_imod", 0x000b, 0x000b},
    {"c_imoda", 0x000b, 0x0003},
    {"c_imul", 0x000b, 0x0003},
    {"c_imul10", 0x0003, 0x0003},
    {"c_imula", 0x000b, 0x0003},
    {"c_imulb", 0x0003, 0x0003},
    {"c_irsh", 0x000b, 0x000b},
    {"c_itod", 0x000b, 0x0010},
    {"c_itof", 0x0003, 0x0003},
    {"c_itol", 0x0003, 0x0003},
    {"c_jctab", 0x0002, 0x0808},
    {"c_jltab", 0x0003, 0x080b},
    {"c_jtab", 0x0003, 0x080b},
    {"c_kenll", 0x0000, 0x001f},
    {"c_kenls", 0x0000, 0x001f},
    {"c_kenlt", 0x0000, 0x001f},
    {"c_kenst", 0x0000, 0x001f},
    {"c_kentl", 0x0000, 0x001f},
    {"c_kents", 0x0000, 0x001f},
    {"c_ladd", 0x000b, 0x0003},
    {"c_land", 0x000b, 0x0003},
    {"c_lcmp", 0x000b, 0x0000},
    {"c_ldiv", 0x000b, 0x000b},
    {"c_ldiva", 0x000b, 0x000b},
    {"c_lgadd", 0x000b, 0x0013},
    {"c_lgand", 0x000b, 0x0013},
    {"c_lgdiv", 0x000b, 0x0010},
    {"c_lgdiva", 0x000b, 0x0010},
    {"c_lglsh", 0x000a, 0x0013},
    {"c_lgmod", 0x000b, 0x0010},
    {"c_lgmoda", 0x000b, 0x0010},
    {"c_lgmul", 0x000b, 0x0010},
    {"c_lgmula", 0x000b, 0x0010},
    {"c_lgor", 0x000b, 0x0013},
    {"c_lgrsh", 0x000a, 0x0013},
    {"c_lgsub", 0x000b, 0x0013},
    {"c_lgudv", 0x000b, 0x0010},
    {"c_lgudva", 0x000b, 0x0010},
    {"c_lgumd", 0x000b, 0x0010},
    {"c_lgumda", 0x000b, 0x0010},
    {"c_lgursh", 0x000a, 0x0013},
    {"c_lgxor", 0x000b, 0x0013},
    {"c_llsh", 0x000b, 0x000b},
    {"c_lmod", 0x000b, 0x000b},
    {"c_lmoda", 0x000b, 0x000b},
    {"c_lmul", 0x000b, 0x000b},
    {"c_lmula", 0x000b, 0x0003},
    {"c_lneg", 0x0003, 0x0003},
    {"c_lor", 0x000b, 0x0003},
    {"c_lrsh", 0x000b, 0x000b},
    {"c_lrzmp", 0x0003, 0x0000},
    {"c_lsub", 0x000b, 0x0003},
    {"c_ltod", 0x000b, 0x0010},
    {"c_ltof", 0x0003, 0x0003},
    {"c_ludv", 0x000b, 0x000b},
    {"c_ludva", 0x000b, 0x000b},
    {"c_lumd", 0x000b, 0x000b},
    {"c_lumda", 0x000b, 0x000b},
    {"c_lursh", 0x000b, 0x000b},
    {"c_lxor", 0x000b, 0x0003},
    {"c_lzmp", 0x0008, 0x0000},
    {"c_movstb", 0x000b, 0x000b},
    {"c_movstw", 0x000b, 0x000b},
    {"c_mspl", 0x0010, 0x0018},
    {"c_mspo", 0x0010, 0x0018},
    {"c_msps", 0x0010, 0x0018},
    {"c_slmla", 0x000b, 0x0003},
    {"c_uitod", 0x000b, 0x0010},
    {"c_uitof", 0x0003, 0x0003},
    {"c_ulcmp", 0x000b, 0x0000},
    {"c_ulmla", 0x000b, 0x0003},
    {"c_ultod", 0x000b, 0x0013},
    {"c_ultof", 0x0003, 0x0003},
    {"c_ursh", 0x000b, 0x000b},
    {"c_wcalc", 0x000b, 0x000b},
    {"c_wcalk", 0x000b, 0x000b},
    {"c_wcslc", 0x000b, 0x000b},
    {"c_wcslk", 0x000b, 0x000b},
    {"c_wsavc", 0x0000, 0x001b},
    {"c_wsavk", 0x0000, 0x001b},
    {"c_wssvc", 0x0008, 0x0013},
    {"c_wssvk", 0x0008, 0x0013},
};
const int runtime_count = static_cast<int>(std::size(runtime_routines));

int findmnem(std::string_view word) {
    if (word.empty() || word.size() > 8) return -1;
    char lower[8];
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view w(lower, word.size());
    int lo = 0, hi = mnemonic_count - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = w.compare(mnemonics[mid].name);
        if (c == 0) return mid;
        if (c < 0) hi = mid - 1;
        else lo = mid + 1;
    }
    return -1;
}

const MnemonicRow& mnemrow(std::uint16_t kind) { return mnemonics[kind & K_ROW]; }

const RuntimeRoutine* findroutine(std::string_view name) {
    const RuntimeRoutine* end = runtime_routines + runtime_count;
    const RuntimeRoutine* r = std::lower_bound(runtime_routines, end, name,
                                               [](const RuntimeRoutine& a, std::string_view n) { return n.compare(a.name) > 0; });
    return r != end && name == r->name ? r : nullptr;
}

static bool isjump(int row) {
    return row == rows.jmp || row == rows.jbr || (row >= rows.jbcc && row <= rows.jbcc + 16);
}

void libcall(Opt& o, LineNode* line) {
    const RuntimeRoutine* r = findroutine(line->text);
    if (!r) return;
    line->uses = r->uses;
    std::uint16_t effects = static_cast<std::uint16_t>(r->effects | 0x07c0);
    if (isjump(line->row())) effects |= line->effects & (E_BRANCH | F_COND);
    line->effects = effects;
    if (r->uses & R_Y) o.ytox_off = true;
}

bool isimm(std::string_view operand) {
    if (operand.size() < 2 || operand[0] != '#') return false;
    std::size_t i = 1;
    if (operand[i] == '+' || operand[i] == '-') ++i;
    return i < operand.size() && operand[i] >= '0' && operand[i] <= '9';
}

std::string bumpopnd(std::string_view operand, int mode) {
    std::size_t comma = operand.find(',');
    std::string_view base = operand.substr(0, comma);
    std::string_view rest = comma == std::string_view::npos ? std::string_view() : operand.substr(comma);
    // The symbol part is a name; the number starts at a sign, or at a digit
    // that comes before any symbol character. Anything else (an immediate,
    // an expression) has no neighbour that can be written: "".
    std::size_t i = 0;
    auto namechar = [](char c, bool first) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' ||
               (!first && c >= '0' && c <= '9');
    };
    while (i < base.size() && namechar(base[i], i == 0)) ++i;
    std::string symbol(base.substr(0, i));
    std::int32_t number = 0;
    if (i < base.size()) {
        std::string digits(base.substr(i));
        if (digits[0] != '+' && digits[0] != '-' && !(digits[0] >= '0' && digits[0] <= '9')) return "";
        if ((digits[0] == '+' || digits[0] == '-') && (digits.size() < 2 || digits[1] < '0' || digits[1] > '9'))
            return "";
        const char* end = vy::getnum(digits.c_str(), &number, 10);
        if (*end) return "";
    } else if (symbol.empty()) {
        return "";
    }
    number = static_cast<std::int32_t>(static_cast<std::uint32_t>(number) + (mode == 1 || mode == 2 ? 0xffffffffu : 1u));
    if (number == 0 && rest.empty() && !symbol.empty()) return symbol;
    std::string out = symbol;
    if (number > 0 && !symbol.empty()) out += '+';
    out += std::to_string(number);
    out += rest;
    return out;
}

int condindex(std::uint16_t kind) {
    int row = kind & K_ROW;
    if (row >= rows.jbcc && row <= rows.jbcc + 16) return row - rows.jbcc;
    if (row == rows.bra) return rows.jbr - rows.jbcc;
    std::string jb = std::string("j") + mnemonics[row].name;
    int r = findmnem(jb);
    return r < 0 ? -1 : r - rows.jbcc;
}

static Rows make_rows() {
    static const struct {
        const char* name;
        int Rows::*row;
    } named[] = {
    {"aba", &Rows::aba}, {"abx", &Rows::abx}, {"aby", &Rows::aby}, {"adca", &Rows::adca},
    {"adcb", &Rows::adcb}, {"adda", &Rows::adda}, {"addb", &Rows::addb}, {"addd", &Rows::addd},
    {"anda", &Rows::anda}, {"andb", &Rows::andb}, {"asla", &Rows::asla}, {"aslb", &Rows::aslb},
    {"asld", &Rows::asld}, {"asra", &Rows::asra}, {"asrb", &Rows::asrb}, {"bcc", &Rows::bcc},
    {"bcs", &Rows::bcs}, {"beq", &Rows::beq}, {"bge", &Rows::bge}, {"bgt", &Rows::bgt}, {"bhi", &Rows::bhi},
    {"bhs", &Rows::bhs}, {"bita", &Rows::bita}, {"bitb", &Rows::bitb}, {"ble", &Rows::ble},
    {"blo", &Rows::blo}, {"bls", &Rows::bls}, {"blt", &Rows::blt}, {"bmi", &Rows::bmi}, {"bne", &Rows::bne},
    {"bpl", &Rows::bpl}, {"bra", &Rows::bra}, {"brclr", &Rows::brclr}, {"brset", &Rows::brset},
    {"bsr", &Rows::bsr}, {"bvc", &Rows::bvc}, {"bvs", &Rows::bvs}, {"bclr", &Rows::bclr},
    {"bset", &Rows::bset}, {"cba", &Rows::cba}, {"clr", &Rows::clr}, {"clra", &Rows::clra},
    {"clrb", &Rows::clrb}, {"cmpa", &Rows::cmpa}, {"cmpb", &Rows::cmpb}, {"coma", &Rows::coma},
    {"comb", &Rows::comb}, {"cpd", &Rows::cpd}, {"cpx", &Rows::cpx}, {"cpy", &Rows::cpy},
    {"deca", &Rows::deca}, {"decb", &Rows::decb}, {"dey", &Rows::dey}, {"dex", &Rows::dex},
    {"eora", &Rows::eora}, {"eorb", &Rows::eorb}, {"inc", &Rows::inc}, {"inca", &Rows::inca},
    {"incb", &Rows::incb}, {"ins", &Rows::ins}, {"iny", &Rows::iny}, {"inx", &Rows::inx},
    {"jbcc", &Rows::jbcc}, {"jbeq", &Rows::jbeq}, {"jbne", &Rows::jbne}, {"jbr", &Rows::jbr},
    {"jmp", &Rows::jmp}, {"jsr", &Rows::jsr}, {"kvol", &Rows::kvol}, {"ldaa", &Rows::ldaa},
    {"ldab", &Rows::ldab}, {"ldd", &Rows::ldd}, {"lds", &Rows::lds}, {"ldx", &Rows::ldx}, {"ldy", &Rows::ldy},
    {"lsla", &Rows::lsla}, {"lslb", &Rows::lslb}, {"lsld", &Rows::lsld}, {"lsra", &Rows::lsra},
    {"lsrb", &Rows::lsrb}, {"nega", &Rows::nega}, {"negb", &Rows::negb}, {"oraa", &Rows::oraa},
    {"orab", &Rows::orab}, {"pshd", &Rows::pshd}, {"pshx", &Rows::pshx}, {"pshy", &Rows::pshy},
    {"puld", &Rows::puld}, {"pulx", &Rows::pulx}, {"puly", &Rows::puly}, {"rola", &Rows::rola},
    {"rolb", &Rows::rolb}, {"rora", &Rows::rora}, {"rorb", &Rows::rorb}, {"rti", &Rows::rti},
    {"rts", &Rows::rts}, {"sbca", &Rows::sbca}, {"sex", &Rows::sex}, {"staa", &Rows::staa},
    {"stab", &Rows::stab}, {"std", &Rows::std}, {"sts", &Rows::sts}, {"stx", &Rows::stx}, {"sty", &Rows::sty},
    {"suba", &Rows::suba}, {"subb", &Rows::subb}, {"subd", &Rows::subd}, {"swi", &Rows::swi},
    {"tab", &Rows::tab}, {"tba", &Rows::tba}, {"tst", &Rows::tst}, {"tsta", &Rows::tsta},
    {"tstb", &Rows::tstb}, {"tsx", &Rows::tsx}, {"tsy", &Rows::tsy}, {"txs", &Rows::txs}, {"tys", &Rows::tys},
    {"wai", &Rows::wai}, {"xgdx", &Rows::xgdx}, {"xgdy", &Rows::xgdy},
    };
    Rows r{};
    for (const auto& n : named) {
        int row = findmnem(n.name);
        if (row < 0) std::abort();  // a name the table lacks: a fault of this file
        r.*n.row = row;
    }
    return r;
}

const Rows rows = make_rows();

}  // namespace ccopt
