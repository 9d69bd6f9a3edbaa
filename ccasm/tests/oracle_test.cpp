// Differential test against the GNU assembler for the 68HC11: every opcode
// row of the instruction table in its addressing mode with boundary
// operands, and branch lengthening on far targets. Native only; skipped
// when binutils-m68hc1x is not installed.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ccasm/tests/asm_fixture.h"

namespace {

using ccasm::AsmOpcodeRow;

// One instruction (or a small block) in both dialects.
struct Case {
    std::string ours;
    std::string gas;
};

bool have_tool(const char* name) {
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Operand texts for the address part of a mode: {ours, gas}.
std::vector<std::pair<std::string, std::string>> address_operands(uint8_t mode) {
    switch (mode & 0x07) {
    case ccasm::MODE_DIR:
        return {{"0", "*0"}, {"0xFF", "*0xFF"}, {"0x7F", "*0x7F"}};
    case ccasm::MODE_EXT:
        return {{">0", "0"}, {"0x100", "0x100"}, {"0xFFFF", "0xFFFF"}};
    case ccasm::MODE_INDX:
        return {{"0,x", "0,x"}, {"255,X", "255,x"}, {",x", "0,x"}};
    case ccasm::MODE_INDY:
        return {{"0,y", "0,y"}, {"255,Y", "255,y"}, {"y", "0,y"}};
    case ccasm::MODE_IMM8:
        return {{"#0", "#0"}, {"#255", "#0xFF"}, {"#-128", "#-128"}, {"#127", "#0x7F"}};
    case ccasm::MODE_IMM16:
        return {{"#0", "#0"}, {"#0xFFFF", "#0xFFFF"}, {"#-32768", "#-32768"}, {"#255", "#0xFF"}};
    default:
        return {};
    }
}

// Every row of the table with boundary operands. Relative targets are
// labels placed by padding, so that the displacements are exactly -128
// and +127.
std::vector<Case> instruction_cases() {
    std::vector<Case> cases;
    const AsmOpcodeRow* rows = ccasm::opcode_rows();
    int label = 0;
    for (int i = 1; i < ccasm::opcode_row_count(); ++i) {
        const AsmOpcodeRow& r = rows[i];
        if (!r.mnemonic) continue;
        std::string mn(ccasm::mnemonic_name(r.mnemonic));
        int length = (r.prefix ? 1 : 0) + 1;
        if (r.mode == ccasm::MODE_INH) {
            cases.push_back({"\t" + mn, "\t" + mn});
            continue;
        }
        if (r.mode & ccasm::MODE_MASK) {
            // bset/bclr and brset/brclr: address byte, mask, maybe a target
            std::vector<std::pair<std::string, std::string>> addrs;
            switch (r.mode & 0x07) {
            case ccasm::MODE_DIR: addrs = {{"0", "*0"}, {"0xFF", "*0xFF"}}; break;
            case ccasm::MODE_INDX: addrs = {{"0,x", "0,x"}, {"255,x", "255,x"}}; break;
            default: addrs = {{"0,y", "0,y"}, {"255,y", "255,y"}}; break;
            }
            const char* masks[][2] = {{"#0xFF", "#0xFF"}, {"0", "#0"}};
            length += 2;
            for (int k = 0; k < 2; ++k) {
                std::string ours = "\t" + mn + "\t" + addrs[k].first + "," + masks[k][0];
                std::string gas = "\t" + mn + "\t" + addrs[k].second + " " + masks[k][1];
                if (!(r.mode & ccasm::MODE_TARGET)) {
                    cases.push_back({ours, gas});
                    continue;
                }
                length = (r.prefix ? 1 : 0) + 4;
                std::string f = "F" + std::to_string(++label), b = "B" + std::to_string(label);
                if (k == 0)
                    cases.push_back({ours + "," + f + "\n\tds\t127\n" + f + ":", gas + " " + f + "\n\t.skip\t127\n" + f + ":"});
                else
                    cases.push_back({b + ":\tds\t" + std::to_string(128 - length) + "\n" + ours + "," + b,
                                     b + ":\t.skip\t" + std::to_string(128 - length) + "\n" + gas + " " + b});
            }
            continue;
        }
        if (r.mode == ccasm::MODE_REL) {
            std::string f = "F" + std::to_string(++label), b = "B" + std::to_string(label);
            cases.push_back({"\t" + mn + "\t" + f + "\n\tds\t127\n" + f + ":", "\t" + mn + "\t" + f + "\n\t.skip\t127\n" + f + ":"});
            cases.push_back({b + ":\tds\t126\n\t" + mn + "\t" + b, b + ":\t.skip\t126\n\t" + mn + "\t" + b});
            continue;
        }
        for (const auto& [ours, gas] : address_operands(r.mode))
            cases.push_back({"\t" + mn + "\t" + ours, "\t" + mn + "\t" + gas});
    }
    return cases;
}

class OracleTest : public AsmTest {
protected:
    void SetUp() override {
        AsmTest::SetUp();
        if (!have_tool("m68hc11-as") || !have_tool("m68hc11-objcopy") || !have_tool("m68hc11-ld"))
            GTEST_SKIP() << "binutils-m68hc1x is not installed";
    }

    // Code bytes of the GNU assembler; `relax` links the object so that
    // lengthened branches get their targets.
    static bool gas_bytes(const std::string& text, bool relax, std::vector<uint8_t>& bytes, std::string& error) {
        write("g.s", text + "\n");
        write("l.x", "SECTIONS { .text 0x0 : { *(.text) } }\n");
        std::filesystem::remove("g.bin");
        std::string cmd = relax ? "m68hc11-as -o g.o g.s 2>g.err && m68hc11-ld -T l.x -o g.elf g.o 2>>g.err && "
                                  "m68hc11-objcopy -O binary -j .text g.elf g.bin 2>>g.err"
                                : "m68hc11-as -S -o g.o g.s 2>g.err && m68hc11-objcopy -O binary -j .text g.o g.bin 2>>g.err";
        if (std::system(cmd.c_str()) != 0) {
            error = read("g.err");
            return false;
        }
        bytes = read_bytes("g.bin");
        return true;
    }

    static bool our_bytes(const std::string& text, bool relax, std::vector<uint8_t>& bytes, std::string& error) {
        ccasm::Options opt;
        opt.no_branch_opt = !relax;
        AsmRun r = assemble(text + "\n", opt);
        if (r.status != 0 || !r.has_object) {
            error = r.diagnostics;
            return false;
        }
        bytes = r.bytes();
        return true;
    }

    // Compares the whole program; on a difference, each case alone.
    void compare(const std::vector<Case>& cases, bool relax) {
        std::string ours, gas;
        for (const Case& c : cases) {
            ours += c.ours + "\n";
            gas += c.gas + "\n";
        }
        std::vector<uint8_t> a, b;
        std::string error;
        ASSERT_TRUE(gas_bytes(gas, relax, b, error)) << error;
        ASSERT_TRUE(our_bytes(ours, relax, a, error)) << error;
        if (a == b) return;
        for (const Case& c : cases) {
            std::vector<uint8_t> x, y;
            std::string e1, e2;
            bool ok1 = our_bytes(c.ours, relax, x, e1), ok2 = gas_bytes(c.gas, relax, y, e2);
            EXPECT_TRUE(ok1 && ok2 && x == y) << c.ours << "\n" << e1 << e2 << "bytes " << x.size() << " vs " << y.size();
        }
        FAIL() << "the programs differ";
    }
};

TEST_F(OracleTest, EveryOpcodeRowInItsModeWithBoundaryOperands) {
    std::vector<Case> cases = instruction_cases();
    // every opcode and prefix combination of the table appears
    std::set<int> combos;
    const AsmOpcodeRow* rows = ccasm::opcode_rows();
    for (int i = 1; i < ccasm::opcode_row_count(); ++i)
        if (rows[i].mnemonic) combos.insert(rows[i].prefix << 8 | rows[i].opcode);
    EXPECT_EQ(combos.size(), 308u);
    compare(cases, false);
}

TEST_F(OracleTest, FarBranchesAreLengthenedLikeTheGnuAssembler) {
    static const char* const conditional[] = {"bhi", "bls", "bcc", "bcs", "bne", "beq", "bvc", "bvs",
                                              "bpl", "bmi", "bge", "blt", "bgt", "ble", "bhs", "blo"};
    std::vector<Case> cases;
    int n = 0;
    for (const char* mn : conditional) {
        std::string t = "T" + std::to_string(++n);
        // forward over 300 bytes, then backward over 300 bytes to a new label
        cases.push_back({std::string("\t") + mn + "\t" + t + "\n\tds\t300\n" + t + ":\tnop",
                         std::string("\t") + mn + "\t" + t + "\n\t.skip\t300\n" + t + ":\tnop"});
        std::string u = "U" + std::to_string(n);
        cases.push_back({u + ":\tds\t300\n\t" + mn + "\t" + u, u + ":\t.skip\t300\n\t" + mn + "\t" + u});
    }
    // reach limits: +127 and -128 stay short, +128 and -129 grow
    cases.push_back({"\tbeq\tE1\n\tds\t127\nE1:", "\tbeq\tE1\n\t.skip\t127\nE1:"});
    cases.push_back({"\tbeq\tE2\n\tds\t128\nE2:", "\tbeq\tE2\n\t.skip\t128\nE2:"});
    cases.push_back({"E3:\tds\t126\n\tbne\tE3", "E3:\t.skip\t126\n\tbne\tE3"});
    cases.push_back({"E4:\tds\t127\n\tbne\tE4", "E4:\t.skip\t127\n\tbne\tE4"});
    // bra and bsr become jmp and jsr
    cases.push_back({"\tbra\tJ1\n\tbsr\tJ2\n\tds\t400\nJ1:\tnop\nJ2:\trts", "\tbra\tJ1\n\tbsr\tJ2\n\t.skip\t400\nJ1:\tnop\nJ2:\trts"});
    cases.push_back({"K1:\tds\t400\n\tbsr\tK1\n\tbra\tK1", "K1:\t.skip\t400\n\tbsr\tK1\n\tbra\tK1"});
    // a chain of far branches whose lengthening moves later targets
    std::string ours, gas;
    for (int i = 0; i < 6; ++i) {
        std::string l = "C" + std::to_string(i);
        ours += "\tbeq\t" + l + "\n\tds\t60\n";
        gas += "\tbeq\t" + l + "\n\t.skip\t60\n";
    }
    for (int i = 0; i < 6; ++i) {
        ours += "C" + std::to_string(i) + ":\tnop\n";
        gas += "C" + std::to_string(i) + ":\tnop\n";
    }
    cases.push_back({ours, gas});
    // a chain in which each lengthened branch pushes the one before it out of reach
    cases.push_back({cascade_of_branches(60, "ds"), cascade_of_branches(60, ".skip")});
    compare(cases, true);
}


// Random programs in the part of the language that both assemblers read
// alike: labels, equates defined before and after their use, expressions,
// data, space, branches near the ends of their reach and the choice between
// direct and extended addresses. The generator knows every value and size,
// so it writes the forced direct form for the GNU assembler ('*') exactly
// where this assembler must choose direct by itself.
//
// Deliberate limits, where the two dialects differ:
// - precedence: the GNU assembler ranks << >> with * / %, and & | ^ on one
//   level above + -; a subexpression goes without parentheses only where
//   both rankings parse it the same way;
// - '>>' is logical here and '/' '%' differ on negative operands: those
//   operators only get operands of 0 or more, and no intermediate value may
//   leave the signed 32-bit range (the GNU assembler computes in 64 bits);
// - values are masked to the field's range, because the two assemblers
//   warn about different out-of-range values;
// - a small constant address without '*' is extended for the GNU assembler;
// - an equate rests only on equates defined before it: the GNU assembler
//   keeps an assignment from symbols not yet defined as an expression and
//   folds some operators of it wrongly (q|8425 with q defined later gives
//   8425);
// - branch optimisation is off in both (-S and option b): the GNU assembler
//   does not shorten jmp to bra.
class RandomProgram {
public:
    explicit RandomProgram(uint32_t seed) : state_(seed * 2654435761u + 1) {}

    std::string ours, gas;

    void generate() {
        int equates = range(3, 8);
        for (int i = 0; i < equates; ++i) {
            bool forward = chance(40);
            Equate e{"q" + std::to_string(i), 0, forward};
            if (forward) {
                e.value = chance(50) ? range(0, 255) : range(256, 0xFFFF);
                equ_.push_back(e);
                continue;
            }
            only_backward_ = true;
            Expr x = expression(3);
            only_backward_ = false;
            e.value = x.value;
            equ_.push_back(e);
            ours += e.name + ":\tequ\t" + x.text + "\n";
            gas += e.name + " = " + x.text + "\n";
        }
        int items = range(15, 45);
        for (int i = 0; i < items; ++i) item();
        // Branch targets are chosen once every address is known.
        resolve_branches();
        for (const Line& l : body_) {
            ours += l.ours + "\n";
            gas += l.gas + "\n";
        }
        for (const Equate& e : equ_)
            if (e.forward) {
                ours += e.name + ":\tequ\t" + std::to_string(e.value) + "\n";
                gas += e.name + " = " + std::to_string(e.value) + "\n";
            }
    }

private:
    struct Equate {
        std::string name;
        int64_t value;
        bool forward;
    };
    struct Expr {
        std::string text;
        int64_t value = 0;
        int op = 0;  // index in binary_ops + 1; 0 for a primary
        bool unary = false;
    };
    // A line of each dialect; a branch gets its target later.
    struct Line {
        std::string ours, gas;
        uint32_t address = 0;
        int size = 0;
        bool branch = false;
        int label = -1;         // label defined on this line
    };
    struct BinaryOp {
        const char* text;
        int ours_rank, gas_rank;
    };
    static constexpr BinaryOp binary_ops[] = {
        {"*", 14, 9}, {"/", 14, 9}, {"%", 14, 9}, {"+", 13, 7}, {"-", 13, 7},
        {"<<", 12, 9}, {">>", 12, 9}, {"&", 9, 8}, {"^", 8, 8}, {"|", 7, 8},
    };

    uint64_t state_;
    bool only_backward_ = false;
    std::vector<Equate> equ_;
    std::vector<Line> body_;
    std::vector<uint32_t> labels_;  // address of each label
    uint32_t pc_ = 0;

    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<uint32_t>(state_ >> 11);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint32_t>(hi - lo + 1)); }
    bool chance(int percent) { return range(0, 99) < percent; }

    void emit(const std::string& o, const std::string& g, int size) {
        body_.push_back({o, g, pc_, size});
        pc_ += static_cast<uint32_t>(size);
    }

    static bool fits32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

    Expr primary() {
        Expr e;
        if (!equ_.empty() && chance(35)) {
            const Equate& q = equ_[static_cast<size_t>(range(0, static_cast<int>(equ_.size()) - 1))];
            if (!(only_backward_ && q.forward)) {
                e.text = q.name;
                e.value = q.value;
                return e;
            }
        }
        e.value = chance(70) ? range(0, 300) : range(0, 0xFFFF);
        if (chance(30)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(e.value));
            e.text = buf;
        } else {
            e.text = std::to_string(e.value);
        }
        return e;
    }

    static std::string wrap(const Expr& e) { return "(" + e.text + ")"; }

    // An expression whose value and every intermediate fit 32 bits.
    Expr expression(int depth) {
        for (;;) {
            Expr e = try_expression(depth);
            if (fits32(e.value) && !e.text.empty()) return e;
        }
    }

    Expr try_expression(int depth) {
        if (depth == 0 || chance(30)) return primary();
        if (chance(15)) {
            Expr x = try_expression(depth - 1);
            if (x.text.empty()) return x;
            Expr e;
            e.unary = true;
            bool neg = chance(50);
            e.value = neg ? -x.value : ~x.value;
            e.text = std::string(neg ? "-" : "~") + (x.op || x.unary ? wrap(x) : x.text);
            return e;
        }
        int op = range(0, 9);
        Expr l = try_expression(depth - 1), r = try_expression(depth - 1);
        Expr bad;
        if (l.text.empty() || r.text.empty()) return bad;
        int64_t v = 0;
        switch (op) {
        case 0: v = l.value * r.value; break;
        case 1:
        case 2:
            if (l.value < 0 || r.value <= 0) return bad;
            v = op == 1 ? l.value / r.value : l.value % r.value;
            break;
        case 3: v = l.value + r.value; break;
        case 4: v = l.value - r.value; break;
        case 5:
        case 6:
            if (l.value < 0 || r.value < 0 || r.value > 15) return bad;
            v = op == 5 ? l.value << r.value : l.value >> r.value;
            break;
        case 7: v = l.value & r.value; break;
        case 8: v = l.value ^ r.value; break;
        default: v = l.value | r.value; break;
        }
        if (!fits32(l.value) || !fits32(r.value) || !fits32(v)) return bad;
        const BinaryOp& p = binary_ops[op];
        auto plain = [&](const Expr& c, bool left) {
            if (c.op == 0) return !(c.unary && !left);
            const BinaryOp& k = binary_ops[c.op - 1];
            bool ours_ok = k.ours_rank > p.ours_rank || (left && k.ours_rank == p.ours_rank);
            bool gas_ok = k.gas_rank > p.gas_rank || (left && k.gas_rank == p.gas_rank);
            return ours_ok && gas_ok && chance(80);
        };
        Expr e;
        e.op = op + 1;
        e.value = v;
        e.text = (plain(l, true) ? l.text : wrap(l)) + p.text + (plain(r, false) ? r.text : wrap(r));
        return e;
    }

    // An expression masked into 0..max.
    Expr masked(int depth, int64_t max) {
        Expr e = expression(depth);
        if (e.value < 0 || e.value > max) {
            e.text = wrap(e) + "&" + std::to_string(max);
            e.value &= max;
            e.op = 8;
        }
        return e;
    }

    static const AsmOpcodeRow* row(const std::string& mn, int mode) {
        const AsmOpcodeRow* rows = ccasm::opcode_rows();
        for (int i = 1; i < ccasm::opcode_row_count(); ++i)
            if (rows[i].mnemonic && ccasm::mnemonic_name(rows[i].mnemonic) == mn && rows[i].mode == mode) return &rows[i];
        return nullptr;
    }
    static int size_of(const AsmOpcodeRow& r) {
        int n = (r.prefix ? 1 : 0) + 1;
        int mode = r.mode & 0x07;
        if (mode == ccasm::MODE_EXT || mode == ccasm::MODE_IMM16) n += 2;
        else if (mode != ccasm::MODE_INH) n += 1;
        if (r.mode & ccasm::MODE_MASK) n += 1;
        if (r.mode & ccasm::MODE_TARGET) n += 1;
        return n;
    }

    void place_label() {
        int n = static_cast<int>(labels_.size());
        labels_.push_back(pc_);
        std::string name = "L" + std::to_string(n);
        body_.push_back({name + ":", name + ":", pc_, 0});
        body_.back().label = n;
    }

    void item() {
        if (chance(30)) place_label();
        static const char* const inherent[] = {"nop", "aba", "abx", "aby", "clra", "comb", "deca", "incb", "inx",
                                               "dey", "iny", "lsld", "asla", "rorb", "tab", "tsx", "tsy", "xgdy",
                                               "pshx", "puly", "mul", "daa", "clc", "sev", "tpa", "fdiv", "negb"};
        static const char* const byte_ops[] = {"ldaa", "ldab", "adda", "andb", "oraa", "eorb", "cmpa", "subb",
                                               "sbca", "adcb", "bita", "staa", "stab"};
        static const char* const word_ops[] = {"ldd", "ldx", "ldy", "lds", "addd", "subd", "cpd", "cpx", "cpy",
                                               "std", "stx", "sty", "sts", "jsr"};
        static const char* const memory_ops[] = {"clr", "inc", "dec", "tst", "com", "neg", "asl", "lsr", "rol", "ror", "asr", "jmp"};
        int kind = range(0, 11);
        switch (kind) {
        case 0: {
            const AsmOpcodeRow* r = row(inherent[range(0, std::size(inherent) - 1)], ccasm::MODE_INH);
            std::string mn(ccasm::mnemonic_name(r->mnemonic));
            emit("\t" + mn, "\t" + mn, size_of(*r));
            break;
        }
        case 1:
        case 2: {
            bool word = kind == 2;
            std::string mn = word ? word_ops[range(0, std::size(word_ops) - 1)] : byte_ops[range(0, std::size(byte_ops) - 1)];
            int how = range(0, 3);
            if (how == 0 && row(mn, word ? ccasm::MODE_IMM16 : ccasm::MODE_IMM8)) {
                int mode = word ? ccasm::MODE_IMM16 : ccasm::MODE_IMM8;
                std::string text;
                if (word && !labels_.empty() && chance(30)) {
                    text = "L" + std::to_string(range(0, static_cast<int>(labels_.size()) - 1));
                } else {
                    text = masked(3, word ? 0xFFFF : 0xFF).text;
                }
                emit("\t" + mn + "\t#" + text, "\t" + mn + "\t#" + text, size_of(*row(mn, mode)));
            } else if (how == 1) {
                bool y = chance(40);
                Expr e = masked(2, 0xFF);
                std::string op = "\t" + mn + "\t" + e.text + (y ? ",y" : ",x");
                emit(op, op, size_of(*row(mn, y ? ccasm::MODE_INDY : ccasm::MODE_INDX)));
            } else {
                address(mn);
            }
            break;
        }
        case 3: {
            std::string mn = memory_ops[range(0, std::size(memory_ops) - 1)];
            if (chance(50)) {
                address(mn);
            } else {
                bool y = chance(40);
                Expr e = masked(2, 0xFF);
                std::string op = "\t" + mn + "\t" + e.text + (y ? ",y" : ",x");
                emit(op, op, size_of(*row(mn, y ? ccasm::MODE_INDY : ccasm::MODE_INDX)));
            }
            break;
        }
        case 4: {  // bytes
            bool fcb = chance(50);
            std::string o = fcb ? "\tfcb\t" : "\tdc.b\t", g = "\t.byte\t";
            int n = range(1, 4);
            for (int i = 0; i < n; ++i) {
                std::string t = masked(3, 0xFF).text;
                o += (i ? "," : "") + t;
                g += (i ? "," : "") + t;
            }
            emit(o, g, n);
            break;
        }
        case 5: {  // words, with labels and label differences
            bool fdb = chance(50);
            std::string o = fdb ? "\tfdb\t" : "\tdc.w\t", g = "\t.word\t";
            int n = range(1, 3);
            for (int i = 0; i < n; ++i) {
                std::string t;
                int what = range(0, 2);
                int count = static_cast<int>(labels_.size()) + 3;  // a few forward labels too
                if (what == 0) t = "L" + std::to_string(range(0, count - 1));
                else if (what == 1) t = "L" + std::to_string(range(0, count - 1)) + "-L" + std::to_string(range(0, count - 1));
                else t = masked(3, 0xFFFF).text;
                o += (i ? "," : "") + t;
                g += (i ? "," : "") + t;
            }
            emit(o, g, 2 * n);
            forward_labels_needed_ = std::max(forward_labels_needed_, static_cast<int>(labels_.size()) + 3);
            break;
        }
        case 6: {
            std::string s;
            int n = range(1, 12);
            for (int i = 0; i < n; ++i) s += "abcdefghijklmnopqrstuvwxyz0123456789 "[range(0, 36)];
            emit("\tfcc\t\"" + s + "\"", "\t.ascii\t\"" + s + "\"", n);
            break;
        }
        case 7: {  // space, sometimes most of a branch's reach
            int n = chance(25) ? range(100, 127) : range(1, 20);
            bool rmb = chance(30);
            emit(std::string("\t") + (rmb ? "rmb" : "ds") + "\t" + std::to_string(n), "\t.skip\t" + std::to_string(n), n);
            break;
        }
        case 8:
        case 9: {  // relative branch, target chosen later
            static const char* const branches[] = {"bra", "brn", "bhi", "bls", "bcc", "bcs", "bne", "beq", "bvc", "bvs",
                                                   "bpl", "bmi", "bge", "blt", "bgt", "ble", "bsr", "bhs", "blo"};
            std::string mn = branches[range(0, std::size(branches) - 1)];
            emit("\t" + mn + "\t", "\t" + mn + "\t", 2);
            body_.back().branch = true;
            break;
        }
        case 10: {  // bset/bclr/brset/brclr
            static const char* const bits[] = {"bset", "bclr", "brset", "brclr"};
            std::string mn = bits[range(0, 3)];
            bool target = mn[1] == 'r';
            int where = range(0, 2);
            Expr a = masked(2, 0xFF), m = masked(2, 0xFF);
            std::string ao = a.text, ag = "*" + a.text;
            int mode = target ? ccasm::MODE_BRBIT_DIR : ccasm::MODE_BIT_DIR;
            if (where) {
                ao = ag = a.text + (where == 1 ? ",x" : ",y");
                mode = (target ? ccasm::MODE_BRBIT_X : ccasm::MODE_BIT_X) + (where == 2 ? 1 : 0);
            }
            std::string o = "\t" + mn + "\t" + ao + ",#" + m.text, g = "\t" + mn + "\t" + ag + " #" + m.text;
            emit(o + (target ? "," : ""), g + (target ? " " : ""), size_of(*row(mn, mode)));
            body_.back().branch = target;
            break;
        }
        default: {  // a jump to a label: extended with branch optimisation off
            int count = static_cast<int>(labels_.size()) + 3;
            std::string t = "L" + std::to_string(range(0, count - 1));
            std::string mn = chance(50) ? "jmp" : "jsr";
            emit("\t" + mn + "\t" + t, "\t" + mn + "\t" + t, 3);
            forward_labels_needed_ = std::max(forward_labels_needed_, count);
            break;
        }
        }
    }
    int forward_labels_needed_ = 0;

    // Direct or extended address, decided by the value.
    void address(const std::string& mn) {
        Expr e = masked(3, 0xFFFF);
        const AsmOpcodeRow* dir = row(mn, ccasm::MODE_DIR);
        if (e.value <= 0xFF && dir) {
            emit("\t" + mn + "\t" + e.text, "\t" + mn + "\t*" + e.text, size_of(*dir));
        } else {
            const AsmOpcodeRow* ext = row(mn, ccasm::MODE_EXT);
            // force extended for a small value where there is no direct row
            emit("\t" + mn + "\t" + e.text, "\t" + mn + "\t" + e.text, size_of(*ext));
        }
    }

    void resolve_branches() {
        while (static_cast<int>(labels_.size()) < forward_labels_needed_) place_label();
        for (Line& l : body_) {
            if (!l.branch) continue;
            int64_t after = static_cast<int64_t>(l.address) + l.size;
            std::vector<int> reach;
            int far = -1;
            for (size_t i = 0; i < labels_.size(); ++i) {
                int64_t d = static_cast<int64_t>(labels_[i]) - after;
                if (d < -128 || d > 127) continue;
                reach.push_back(static_cast<int>(i));
                if (far < 0 || std::llabs(d) > std::llabs(static_cast<int64_t>(labels_[static_cast<size_t>(far)]) - after)) far = static_cast<int>(i);
            }
            if (reach.empty()) {  // nothing in reach: space of the same size
                l.ours = "\tds\t" + std::to_string(l.size);
                l.gas = "\t.skip\t" + std::to_string(l.size);
                continue;
            }
            int t = chance(50) ? far : reach[static_cast<size_t>(range(0, static_cast<int>(reach.size()) - 1))];
            l.ours += "L" + std::to_string(t);
            l.gas += "L" + std::to_string(t);
        }
    }
};

// Seeds 1 to 300 in four parts, each a test of its own, so that the parts
// run side by side.
class RandomPrograms : public OracleTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RandomPrograms, GiveTheSameCode) {
    write("l.x", "SECTIONS { .text 0x0 : { *(.text) } }\n");
    int failures = 0;
    for (uint32_t seed = GetParam() * 75 + 1; seed <= GetParam() * 75 + 75 && failures < 5; ++seed) {
        RandomProgram p(seed);
        p.generate();
        write("g.s", p.gas);
        std::filesystem::remove("g.bin");
        std::string cmd = "m68hc11-as -S -o g.o g.s 2>g.err && m68hc11-ld -T l.x -o g.elf g.o 2>>g.err && "
                          "m68hc11-objcopy -O binary -j .text g.elf g.bin 2>>g.err";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << "seed " << seed << "\n" << p.gas << read("g.err");
        std::vector<uint8_t> theirs = read_bytes("g.bin");
        ccasm::Options opt;
        opt.no_branch_opt = true;
        AsmRun r = assemble(p.ours, opt);
        std::vector<uint8_t> mine = r.bytes();
        if (r.status == 0 && mine == theirs) continue;
        ++failures;
        size_t at = 0;
        while (at < mine.size() && at < theirs.size() && mine[at] == theirs[at]) ++at;
        ADD_FAILURE() << "seed " << seed << ": status " << r.status << ", sizes " << mine.size() << " and "
                      << theirs.size() << ", first difference at 0x" << std::hex << at << std::dec << "\n"
                      << r.diagnostics << "--- ours\n" << p.ours << "--- gas\n" << p.gas;
    }
}

INSTANTIATE_TEST_SUITE_P(Parts, RandomPrograms, ::testing::Range(0u, 4u));

}  // namespace
