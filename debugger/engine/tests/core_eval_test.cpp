// The older core's integer expressions: the design's examples, the host's
// own arithmetic on generated expressions, errors and depth.
#include <cstdlib>
#include <random>
#include <string>

#include "core_fixture.h"
#include "debugger/engine/headless.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"

namespace vy {
namespace {

using CoreEval = CoreTest;

// Evaluates a whole text; `rest` gets what the evaluator left.
int32_t eval(const std::string& text, std::string* rest = nullptr) {
    reader.pos = text.c_str();
    int32_t value = evalexpr();
    if (rest) *rest = reader.pos;
    return value;
}

TEST_F(CoreEval, ValuesOfTheDesignAndAround) {
    defsym("sym", 0x1234);
    defsym(".dot", 7);
    poke(0x1000, {0x12, 0x34, 0x56, 0x78});
    setreg(REG_A, 3);
    setreg(REG_X, 0xBEEF);
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"1+2*3", 7},
        {"1|2+4", 7},                // or binds like addition
        {"6&3<<1", 4},               // and and shifts bind alike, left to right
        {"3>2>1", 0},
        {"1<2==1", 1},
        {"'AB'", 0x4142},
        {"'A", 0x41},                // an unclosed quote ends with the text
        {"''", 0},
        {"[0x1000]", 0x12},
        {"[0x1000].w", 0x1234},
        {"[0x1000].l", 0x12345678},
        {"[0x1000].B+1", 0x13},
        {"$a", 3},
        {"$A==3", 1},
        {"$x", 0xBEEF},
        {"sym+1", 0x1235},
        {".dot*2", 14},
        {"0x10+010+0b11+9", 16 + 8 + 3 + 9},
        {"-2*3", -6},
        {"-6&3", -2},                // the sign applies to the whole first term
        {"+5", 5},
        {"!0", 1},
        {"!7", 0},
        {"~0", -1},
        {"!!5", 1},
        {"(1+2)*3", 9},
        {"7/2", 3},
        {"-7/2", -3},
        {"-7%3", -1},
        {"-2147483647-1", INT32_MIN},
        {"(-2147483647-1)/(-1)", INT32_MIN},
        {"(-2147483647-1)%(-1)", 0},
        {"2147483647+1", INT32_MIN},
        {"1<<33", 2},                // the low five bits of the count
        {"-8>>1", -4},               // arithmetic
        {"1&&2", 1},
        {"0||0", 0},
        {"3||0", 1},
        {"2<=2", 1},
        {"2>=3", 0},
        {"2!=3", 1},
        {"5^1", 4},
        {"\\0", 0},                  // no macro running
    };
    for (const Case& c : cases) EXPECT_EQ(eval(c.text), c.value) << c.text;
    EXPECT_EQ(shown(), "");
}

TEST_F(CoreEval, WhereAnExpressionEnds) {
    struct Case {
        const char* text;
        int32_t value;
        const char* rest;
    } cases[] = {
        {"1 = 2", 1, "= 2"},         // a single '=' ends it
        {"4 !5", 4, "!5"},           // so does a single '!'
        {"5 6", 5, "6"},
        {"2, 3", 2, ", 3"},
        {"1 ; x", 1, "; x"},
        {"7 }", 7, "}"},
        {"  9", 9, ""},
    };
    for (const Case& c : cases) {
        std::string rest;
        EXPECT_EQ(eval(c.text, &rest), c.value) << c.text;
        EXPECT_EQ(rest, c.rest) << c.text;
    }
}

TEST_F(CoreEval, ErrorsAreReportedAndTheValueSoFarKept) {
    const std::string longname(70, 'n');
    struct Case {
        const char* text;
        int32_t value;
        const char* message;
    } cases[] = {
        {"5/0", 5, "zero divide"},
        {"5%0", 5, "zero divide"},
        {"nosuch+1", 1, "symbol not found"},
        {"$q", 0, "unknown register"},
        {"(1+2", 3, "syntax error"},
        {"[0x10", 0, "syntax error"},
        {"[0x10].q", 0, "incorrect size modifier"},
        {"@", 0, "syntax error"},
        {"@f.c:", 0, "syntax error"},
        {"@12.", 0, "syntax error"},
        {"@12", 0, "source line not found"},
        {"#", 0, "syntax error"},
        {"1+", 1, "syntax error"},
        {"2*-3", -3, "syntax error"},   // no sign inside a term: 2*0-3
        {"\\x", 0, "syntax error"},
        {longname.c_str(), 0, "name too long"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(eval(c.text), c.value) << c.text;
        EXPECT_EQ(shown(), std::string("#error: ") + c.message + "\n") << c.text;
    }
    // An argument that does not exist gives up the text being run.
    EXPECT_EQ(type({"x \\3 + 1; x 5", "x 6"}), "-> x \\3 + 1; x 5\n#error: incorrect argument\n-> x 6\n6\n");
}

TEST_F(CoreEval, AListingTakesUnknownSymbolsAsMinusOne) {
    runflags.listing = 1;
    EXPECT_EQ(eval("nosuch"), -1);
    runflags.listing = 0;
    EXPECT_EQ(shown(), "");
}

TEST_F(CoreEval, DeepNestingEndsInAMessage) {
    const int deep = 100000;
    for (std::string open : {"(", "!", "~", "[", "\\("}) {
        std::string text;
        for (int i = 0; i < deep; ++i) text += open;
        text += "1";
        eval(text);
        EXPECT_EQ(shown(), "#error: stack overflow\n") << open;
        // The core is usable again at the next line.
        EXPECT_EQ(type({"x 2"}), "-> x 2\n2\n");
    }
}

// ---------------------------------------------------------------------------
// Generated expressions against the host's own arithmetic.

struct Expr {
    std::string text;
    int32_t value;
    int zerodivides;
};

class Generator {
public:
    explicit Generator(uint32_t seed) : random_(seed) {}

    Expr make(int depth) {
        if (depth == 0 || pick(4) == 0) return leaf();
        if (pick(10) == 0) {
            Expr e = make(depth - 1);
            bool bang = pick(2) == 0;
            return {std::string(bang ? "!" : "~") + "(" + e.text + ")", bang ? e.value == 0 : ~e.value, e.zerodivides};
        }
        static const char* const ops[] = {"+", "-", "*", "/", "%", "&", "|", "^", "<<", ">>", "<", ">",
                                          "<=", ">=", "==", "!=", "&&", "||"};
        std::string op = ops[pick(18)];
        Expr a = make(depth - 1);
        Expr b = (op == "<<" || op == ">>") ? count() : make(depth - 1);
        if ((op == "/" || op == "%") && a.value == INT32_MIN && b.value == -1) b = {"1", 1, 0};
        Expr r{"(" + a.text + blank() + op + blank() + b.text + ")", 0, a.zerodivides + b.zerodivides};
        int64_t x = a.value, y = b.value;
        if (op == "+") r.value = static_cast<int32_t>(static_cast<uint32_t>(x + y));
        else if (op == "-") r.value = static_cast<int32_t>(static_cast<uint32_t>(x - y));
        else if (op == "*") r.value = static_cast<int32_t>(static_cast<uint32_t>(x * y));
        else if (op == "/" || op == "%") {
            if (y == 0) {
                r.value = a.value;
                ++r.zerodivides;
            } else {
                r.value = op == "/" ? a.value / b.value : a.value % b.value;
            }
        } else if (op == "&") r.value = a.value & b.value;
        else if (op == "|") r.value = a.value | b.value;
        else if (op == "^") r.value = a.value ^ b.value;
        else if (op == "<<") r.value = static_cast<int32_t>(static_cast<uint32_t>(a.value) << b.value);
        else if (op == ">>") r.value = a.value >> b.value;
        else if (op == "<") r.value = a.value < b.value;
        else if (op == ">") r.value = a.value > b.value;
        else if (op == "<=") r.value = a.value <= b.value;
        else if (op == ">=") r.value = a.value >= b.value;
        else if (op == "==") r.value = a.value == b.value;
        else if (op == "!=") r.value = a.value != b.value;
        else if (op == "&&") r.value = a.value && b.value;
        else r.value = a.value || b.value;
        return r;
    }

    // Terms joined by + - * / % without parentheses: precedence as in C.
    Expr flat(int terms) {
        std::vector<int32_t> values;
        std::vector<char> ops;
        Expr r{"", 0, 0};
        for (int i = 0; i < terms; ++i) {
            Expr t = leaf();
            if (t.text[0] == '(') t = {"7", 7, 0};
            values.push_back(t.value);
            r.text += t.text;
            if (i + 1 < terms) {
                char op = "+-*/%"[pick(5)];
                ops.push_back(op);
                r.text += blank() + std::string(1, op) + blank();
            }
        }
        // Multiplicative runs first, then the sum, as C groups them.
        std::vector<int32_t> sums{values[0]};
        std::vector<char> signs;
        for (std::size_t i = 0; i < ops.size(); ++i) {
            int32_t& last = sums.back();
            int32_t v = values[i + 1];
            switch (ops[i]) {
            case '*': last = static_cast<int32_t>(static_cast<uint32_t>(last) * static_cast<uint32_t>(v)); break;
            case '/':
            case '%':
                if (v == 0) ++r.zerodivides;
                else if (!(last == INT32_MIN && v == -1)) last = ops[i] == '/' ? last / v : last % v;
                else last = ops[i] == '/' ? last : 0;
                break;
            default:
                signs.push_back(ops[i]);
                sums.push_back(v);
                break;
            }
        }
        uint32_t total = static_cast<uint32_t>(sums[0]);
        for (std::size_t i = 0; i < signs.size(); ++i)
            total = signs[i] == '+' ? total + static_cast<uint32_t>(sums[i + 1]) : total - static_cast<uint32_t>(sums[i + 1]);
        r.value = static_cast<int32_t>(total);
        return r;
    }

private:
    uint32_t pick(uint32_t n) { return random_() % n; }
    std::string blank() { return pick(3) == 0 ? " " : ""; }

    Expr leaf() {
        int32_t v;
        switch (pick(4)) {
        case 0: v = static_cast<int32_t>(pick(10)); break;
        case 1: v = static_cast<int32_t>(pick(1000)); break;
        case 2: v = static_cast<int32_t>(random_() & 0x7FFFFFFF); break;
        default: v = static_cast<int32_t>(pick(65536)); break;
        }
        std::string text = pick(3) == 0 ? "0x" + hex(static_cast<uint32_t>(v)) : std::to_string(v);
        if (pick(5) == 0) return {"(0-" + text + ")", static_cast<int32_t>(0u - static_cast<uint32_t>(v)), 0};
        return {text, v, 0};
    }

    Expr count() {
        int32_t n = static_cast<int32_t>(pick(32));
        return {std::to_string(n), n, 0};
    }

    static std::string hex(uint32_t v) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%x", v);
        return buffer;
    }

    std::mt19937 random_;
};

int cases() { return generatedcases(3000); }

std::string zerodivides(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "#error: zero divide\n";
    return text;
}

TEST_F(CoreEval, GeneratedExpressionsAgreeWithTheHost) {
    Generator generate(2025);
    for (int i = 0, n = cases(); i < n; ++i) {
        Expr e = generate.make(1 + i % 6);
        SCOPED_TRACE(e.text);
        std::string rest;
        EXPECT_EQ(eval(e.text, &rest), e.value);
        EXPECT_EQ(rest, "");
        EXPECT_EQ(shown(), zerodivides(e.zerodivides));
    }
}

TEST_F(CoreEval, FlatSumsAndProductsGroupAsInC) {
    Generator generate(77);
    for (int i = 0, n = cases(); i < n; ++i) {
        Expr e = generate.flat(2 + i % 7);
        SCOPED_TRACE(e.text);
        EXPECT_EQ(eval(e.text), e.value);
        EXPECT_EQ(shown(), zerodivides(e.zerodivides));
    }
}

}  // namespace
}  // namespace vy
