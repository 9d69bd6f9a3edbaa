// ccopt: the 68HC11 peephole optimiser. It reads the assembly text that the
// code generator writes, one function (chunk) at a time, into a doubly
// linked list of lines, applies the rules of its mnemonic table until a whole
// pass changes nothing, and writes the chunk out again.
//
// The state of a run lives in one `Opt` object that every part takes; the
// files split the work as the design does: lines.cpp reads, classifies and
// writes lines, tables.cpp holds the mnemonic and runtime-routine tables,
// flow.cpp the labels, walks and the rule driver, and the rules live in
// rules_branch.cpp, rules_load.cpp and rules_arith.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ccopt {

// Register and flag bits of `uses` and `effects`.
enum : std::uint16_t {
    R_A = 0x0001,
    R_B = 0x0002,
    R_D = 0x0003,
    R_X = 0x0004,
    R_Y = 0x0008,
    R_SP = 0x0010,
    F_COND = 0x0020,   // uses: tests a condition; effects: changes the flow
    F_C = 0x0040,
    F_N = 0x0080,
    F_Z = 0x0100,
    F_V = 0x0200,
    F_ALL = 0x03c0,
    F_HINT = 0x0400,   // uses: register hint; effects: runtime-routine call
    E_END = 0x0800,    // end of flow
    E_BRANCH = 0x1000, // branch or jump to a label
    E_LOAD = 0x2000,
    E_RMW = 0x4000,
    E_STORE = 0x8000,
};

// Line kinds.
enum : std::uint16_t {
    K_LABEL = 0x8000,
    K_INSN = 0x4000,
    K_TEXT = 0x2000,
    K_BACK = 0x1000,  // instruction: its target stands at or before it
    K_FWD = 0x0800,   // instruction: its target stands after it
    K_LABELTEXT = 0x3800,
    K_KEEP = 0x0400,
    K_ROW = 0x03ff,
    K_MARKDEAD = 0x0002,
    K_MARKFLOW = 0x0001,
};

struct LineNode {
    LineNode* next = nullptr;
    LineNode* prev = nullptr;
    LineNode* link = nullptr;  // instruction: its target label
    std::uint16_t kind = 0;
    std::uint16_t uses = 0;     // label: the mask recorded by the dead walk
    std::uint16_t effects = 0;
    std::string text;  // label "name:"; instruction: operand; other: the line
    // Labels only.
    int lineno = 0;              // the chunk's line number, until linking
    bool table = false;          // in the label chain (owns a referrer table)
    LineNode* chain_next = nullptr;
    LineNode* chain_prev = nullptr;
    std::vector<LineNode*> refs;  // referrers: instructions and dc.w/dc.l lines

    bool is_label() const { return kind & K_LABEL; }
    bool is_insn() const { return kind & K_INSN; }
    bool is_text() const { return kind & K_TEXT; }
    bool kept() const { return kind & K_KEEP; }
    int row() const { return kind & K_ROW; }
    // The label's name, without the colon.
    std::string_view name() const { return std::string_view(text).substr(0, text.size() - 1); }
};

struct Opt;
using Rule = bool (*)(Opt& o, LineNode*& line);

struct MnemonicRow {
    const char* name;
    std::uint16_t uses;
    std::uint16_t effects;
    const Rule* rules;  // null-ended, in order of trial; null for none
};

struct RuntimeRoutine {
    const char* name;
    std::uint16_t uses;
    std::uint16_t effects;
};

extern const MnemonicRow mnemonics[];
extern const int mnemonic_count;
extern const RuntimeRoutine runtime_routines[];
extern const int runtime_count;

// Row indices of the mnemonics that the rules name (filled from the table).
struct Rows {
    int aba, abx, aby, adca, adcb, adda, addb, addd, anda, andb, asla, aslb, asld, asra, asrb, bcc, bcs,
        beq, bge, bgt, bhi, bhs, bita, bitb, ble, blo, bls, blt, bmi, bne, bpl, bra, brclr, brset, bsr, bvc,
        bvs, bclr, bset, cba, clr, clra, clrb, cmpa, cmpb, coma, comb, cpd, cpx, cpy, deca, decb, dey, dex,
        eora, eorb, inc, inca, incb, ins, iny, inx, jbcc, jbeq, jbne, jbr, jmp, jsr, kvol, ldaa, ldab, ldd,
        lds, ldx, ldy, lsla, lslb, lsld, lsra, lsrb, nega, negb, oraa, orab, pshd, pshx, pshy, puld, pulx,
        puly, rola, rolb, rora, rorb, rti, rts, sbca, sex, staa, stab, std, sts, stx, sty, suba, subb, subd,
        swi, tab, tba, tst, tsta, tstb, tsx, tsy, txs, tys, wai, xgdx, xgdy;
};
extern const Rows rows;

// ------------------------------------------------------------ the tables

int findmnem(std::string_view word);
const MnemonicRow& mnemrow(std::uint16_t kind);
const RuntimeRoutine* findroutine(std::string_view name);
void libcall(Opt& o, LineNode* line);
bool isimm(std::string_view operand);
std::string bumpopnd(std::string_view operand, int mode);
int condindex(std::uint16_t kind);

// ------------------------------------------------------------- the run

struct Options {
    bool comments = false;    // -c: keep removed instructions as comments
    std::string disable;      // -d: rule codes switched off
    bool stats = false;       // -v
    bool qvnolo = false;      // QVNOLO in the environment
};

struct Opt {
    Options opts;
    std::uint8_t noopt[26] = {};  // rule-disable table

    // The current chunk.
    LineNode* head = nullptr;
    LineNode* tail = nullptr;
    LineNode* chain = nullptr;  // the label chain
    std::size_t lines = 0;      // nodes in the list
    const char* rule = "";      // current rule code
    int phase = 0;              // 0, 1 (late phase asked for), -1 (late phase)
    bool ytox = false;      // the chunk holds "YTOX:"
    bool ytox_off = false;  // a kept line or a runtime call switched it off
    int pending_marks = 0;       // 1: flow-walk marks set, 2: dead-walk marks set
    LineNode* pending[16] = {};  // pending set of the backward walk
    std::uint16_t pending_used = 0;
    bool single_mark = false;    // previnsn marks single-referrer labels
    long walk_budget = 0;        // steps left to the backward walk of one rule call
    std::vector<LineNode*> marked_flow, marked_dead;  // labels with visit marks

    // The whole run.
    std::vector<std::string> direct_page;  // names of direct-page symbols
    std::unordered_map<std::string, bool> direct_set;
    std::unordered_map<std::string, std::int32_t> equates;  // "_name: equ n" of the input
    long destructions = 0;
    long modifications = 0;
    int banner = 2;
    int label_counter = 0;
    bool end_of_input = false;

    // Reading: the next line of the input without its line end, false at the end.
    std::function<bool(std::string&)> readline;
    // Writing: one output line without its line end.
    std::function<void(std::string_view)> writeline;

    ~Opt();
};

// lines.cpp
LineNode* mkline(Opt& o, std::string_view text);
LineNode* killline(Opt& o, LineNode* line);
LineNode* linsert(Opt& o, LineNode* after, LineNode* node);
LineNode* lmove(Opt& o, LineNode* node, LineNode* after);
void unlink(Opt& o, LineNode* node);
// Takes a branch out of its target's referrers; a target left without any
// is removed (or, when kept, turns into text).
void droplink(Opt& o, LineNode* line);
// A kept label that lost its last referrer leaves the label chain. It is
// written as it stands and, like a label before a function's first
// marker, still ends the walks: a call or another file may reach it.
void unlabel(Opt& o, LineNode* label);
std::string linetext(const LineNode* line);
void freechunk(Opt& o);
std::size_t parseopnd(std::string_view operand, std::uint16_t& uses);
void prescan_line(Opt& o, std::string_view line, bool& in_dp, std::vector<std::string>& user_dp);
int readchunk(Opt& o);
void writechunk(Opt& o);
bool isdirect(const Opt& o, std::string_view operand);
// A new instruction line "mnemonic operand" (the rules' way of making lines).
LineNode* newinsn(Opt& o, int row, std::string_view operand);
// Gives an instruction another row (and its words) and operand.
void setinsn(Opt& o, LineNode* line, int row, std::string_view operand);
void setinsn(Opt& o, LineNode* line, int row);

// flow.cpp
void setnoopt(Opt& o, std::string_view text);
void optchunk(Opt& o);
void linkrefs(Opt& o);
bool mergelabels(Opt& o);
void usehints(Opt& o);
void ytox(Opt& o);
LineNode* nextinsn(Opt& o, LineNode* line, int mode);
LineNode* previnsn(Opt& o, LineNode* line, bool follow);
LineNode* poplabel(Opt& o, int reset);
bool pushlabel(Opt& o, LineNode* line);
bool isdead(Opt& o, LineNode* line, std::uint16_t mask);
LineNode* newlabel(Opt& o, LineNode* before, int count);
void findlabel(Opt& o, LineNode* line);
void clrmarks(Opt& o, int mask);
void forgetmarks(Opt& o, LineNode* label);  // before a label is deleted
void newcall(Opt& o);  // the state the driver clears before each rule call
void dropref(LineNode* label, LineNode* line);
// True when the rule `code` may run now: sets the current rule code and
// tests the disable table.
bool rulestart(Opt& o, const char* code);
// For a late rule: true in the late phase; otherwise asks for it.
bool late(Opt& o);
bool fallsthrough(const LineNode* line);
// True when only jumps reach the label: the line before it is an
// instruction that does not fall through (no other label, not the
// function's entry).
bool nofallin(const LineNode* label);
LineNode* previnsn_text(LineNode* line);  // previous instruction in text order
LineNode* nextinsn_text(LineNode* line);  // next instruction in text order
bool isdata(const LineNode* line);        // a dc/ds/fcb line

// numjoin.cpp: a signed decimal number between a prefix and a suffix.
std::string num_join(std::string_view prefix, std::int32_t number, std::string_view suffix);

// The rules.
bool rule_B4(Opt& o, LineNode* label);
bool rule_M1(Opt& o, LineNode* label);
bool rule_M2(Opt& o, LineNode* label);
bool rule_F0(Opt& o, LineNode* label);

#define CCOPT_RULE(name) bool rule_##name(Opt& o, LineNode*& line)
CCOPT_RULE(B1);
CCOPT_RULE(B2);
CCOPT_RULE(C6);
CCOPT_RULE(C3);
CCOPT_RULE(L0);
CCOPT_RULE(L1);
CCOPT_RULE(L2);
CCOPT_RULE(L3);
CCOPT_RULE(L4);
CCOPT_RULE(L5);
CCOPT_RULE(L6);
CCOPT_RULE(L7);
CCOPT_RULE(S2);
CCOPT_RULE(S4);
CCOPT_RULE(S5);
CCOPT_RULE(C0);
CCOPT_RULE(T1);
CCOPT_RULE(X0);
CCOPT_RULE(P0);
CCOPT_RULE(I0);
CCOPT_RULE(I1);
CCOPT_RULE(D0);
CCOPT_RULE(A0);
CCOPT_RULE(A1);
CCOPT_RULE(A2);
CCOPT_RULE(A3);
CCOPT_RULE(A4);
CCOPT_RULE(A5);
CCOPT_RULE(B0);
CCOPT_RULE(B3);
CCOPT_RULE(C1);
CCOPT_RULE(C2);
CCOPT_RULE(C4);
CCOPT_RULE(C5);
CCOPT_RULE(E0);
CCOPT_RULE(O0);
CCOPT_RULE(N0);
CCOPT_RULE(M0);
CCOPT_RULE(S0);
CCOPT_RULE(S1);
CCOPT_RULE(S3);
CCOPT_RULE(T0);
CCOPT_RULE(T2a);
CCOPT_RULE(T2b);
CCOPT_RULE(I2);
#undef CCOPT_RULE

// optmain.cpp
[[noreturn]] void optfatal(const char* message, std::string_view argument);
int optmain(int argc, char** argv);
// The whole optimisation of a text, as the program does it for a file.
std::string optimize_text(std::string_view input, const Options& options, long* destructions = nullptr,
                          long* modifications = nullptr);

}  // namespace ccopt
