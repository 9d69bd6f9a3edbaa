#include "ccgen/tests/opcorpus.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>

#include "ccgen/tests/ir_builder.h"

namespace vytest {

namespace {

// ------------------------------------------------------------ types

struct Ty {
    const char* host;  // the host's type of the same width
    int m;             // machine type of the intermediate file
    int size;
    bool floating;
    bool is_signed;
    int ptr = 0;       // pointer word of a pointer type
    int bit_off = -1;  // bit-fields: offset and width
    int bit_w = 0;
};

const Ty CHAR{"int8_t", 1, 1, false, true};
const Ty UCHAR{"uint8_t", 2, 1, false, false};
const Ty INT{"int16_t", 3, 2, false, true};
const Ty UINT{"uint16_t", 5, 2, false, false};
const Ty LONG{"int32_t", 6, 4, false, true};
const Ty ULONG{"uint32_t", 8, 4, false, false};
const Ty FLOAT{"float", 9, 4, true, true};
const Ty DOUBLE{"double", 10, 8, true, true};
const Ty NEAR_PTR{"uint16_t", 11, 2, false, false, 0x2000};
const Ty FAR_PTR{"uint32_t", 11, 4, false, false, 0x3000};

// Space masks of the file's space names (record 186), in their order.
constexpr int M_DIR = 0x80, M_EEPROM = 0x40, M_INTERRUPT = 0x20, M_BUILTIN = 0x10;
constexpr int M_NOSTACK = 0x0400, M_FAR = 0x3000;

std::vector<std::uint8_t> type_bytes(const Ty& t, int space = 0) {
    IrBuilder b;
    b.bytes.clear();
    int m = t.bit_off >= 0 ? (t.size == 1 ? 13 : t.size == 2 ? 4 : 7) : t.m;
    b.u8(m | (space ? 0x80 : 0));
    if (space) b.u16(space);
    if (t.m == 11) b.u16(t.ptr);
    if (t.bit_off >= 0) b.u8(t.bit_off).u8(t.bit_w);
    if (t.m == 14) b.u32(t.size);
    return b.bytes;
}

Ty bit_field(const Ty& unit, int off, int width) {
    Ty t = unit;
    t.bit_off = off;
    t.bit_w = width;
    return t;
}

// ------------------------------------------------------------ expressions

struct Ex {
    std::vector<std::uint8_t> ir;
    Ty t;
};

void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

IrBuilder sink() {
    IrBuilder b;
    b.bytes.clear();
    return b;
}

Ex node(int code, const Ty& t, std::initializer_list<const Ex*> operands, int space = 0) {
    Ex e;
    e.t = t;
    e.ir.push_back(static_cast<std::uint8_t>(code));
    append(e.ir, type_bytes(t, space));
    for (const Ex* o : operands) append(e.ir, o->ir);
    return e;
}

Ex leaf(const Ty& t, const std::string& name, std::int64_t value, int storage, int memory, int space = 0,
        int attr = A_OBJECT, int number = 0) {
    Ex e;
    e.t = t;
    IrBuilder b = sink();
    b.u8(0);
    append(b.bytes, type_bytes(t, space));
    if (name.empty() && number)
        b.label_name(number);
    else if (name.empty())
        b.no_name();
    else
        b.name(name, attr);
    b.u32(value).u8(storage).u8(memory);
    e.ir = b.bytes;
    return e;
}

Ex global(const Ty& t, const std::string& name, int offset = 0, int space = 0) {
    return leaf(t, name, offset, 0, 1, space);
}
Ex local(const Ty& t, int offset) { return leaf(t, "", offset, 32, 1); }
Ex param(const Ty& t, int offset) { return leaf(t, "", offset, 160, 1); }
Ex constant(const Ty& t, std::int64_t v) { return leaf(t, "", v, 0, 0); }
Ex address(const Ty& pointer, const std::string& name, int offset = 0) { return leaf(pointer, name, offset, 0, 0); }
Ex cast(const Ty& t, const Ex& a) { return node(102, t, {&a}); }
Ex bin(int code, const Ty& t, const Ex& a, const Ex& b) { return node(code, t, {&a, &b}); }
Ex un(int code, const Ty& t, const Ex& a) { return node(code, t, {&a}); }
Ex deref(const Ty& t, const Ex& pointer) { return node(107, t, {&pointer}); }

Ty pointer_to(const Ty& t, int word = 0x2000) {
    Ty p = NEAR_PTR;
    if (word == 0x3000) p = FAR_PTR;
    p.ptr = word;
    (void)t;
    return p;
}

// ------------------------------------------------------------ values

// The two values of each type that the operands hold, and the host's
// literal text for them.
struct Values {
    double a, b;
};

std::string host_literal(const Ty& t, double v) {
    std::ostringstream s;
    s.precision(17);
    if (t.floating) {
        s << v;
        std::string x = s.str();
        if (x.find('.') == std::string::npos && x.find('e') == std::string::npos) x += ".0";
        return t.m == 9 ? x + "f" : x;
    }
    s << "(" << t.host << ")" << static_cast<long long>(v) << (t.is_signed ? "LL" : "ULL");
    return s.str();
}

std::int64_t raw_value(const Ty& t, double v) {
    if (t.m == 9) {
        float f = static_cast<float>(v);
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        return u;
    }
    return static_cast<std::int64_t>(v);
}

// ------------------------------------------------------------ the program

// C operators of the node codes, and how the host computes them in the
// type's width without undefined behaviour.
struct Op {
    int code;      // the binary node
    int compound;  // its compound assignment
    const char* c;
    bool integer_only;
};

const Op binary_ops[] = {
    {222, 142, "+", false}, {216, 139, "-", false}, {226, 145, "*", false}, {133, 135, "/", false},
    {153, 140, "%", true},  {151, 137, "<<", true}, {160, 138, ">>", true}, {193, 134, "&", true},
    {163, 146, "^", true},  {156, 141, "|", true},
};

class Program {
public:
    explicit Program(std::string name) : name_(std::move(name)) {
        b_.file("t.c").line(1);
        for (const char* s : {"dir", "eeprom", "interrupt", "builtin"}) b_.u8(186).name(s, 0);
    }

    IrBuilder& ir() { return b_; }
    int next_label() { return label_ += 2; }

    // A global with its initial bytes (most significant first).
    void data(const std::string& name, const std::vector<std::uint8_t>& bytes, int space = 0) {
        if (space)
            b_.declare_space(space, name);
        else
            b_.declare(name);
        for (std::uint8_t x : bytes) b_.int_item(1, x);
        b_.end_data().pub(name, space);
    }
    void zeros(const std::string& name, int size, int space = 0) {
        if (space)
            b_.declare_space(space, name);
        else
            b_.declare(name);
        b_.zero(size).end_data().pub(name, space);
    }
    static std::vector<std::uint8_t> bytes_of(const Ty& t, double v) {
        std::vector<std::uint8_t> out;
        if (t.m == 10) {
            std::uint64_t u;
            std::memcpy(&u, &v, 8);
            for (int i = 7; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
            return out;
        }
        std::uint64_t u = static_cast<std::uint64_t>(raw_value(t, v));
        for (int i = t.size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
        return out;
    }

    // A floating constant: a literal of the pool, read from memory.
    Ex float_constant(const Ty& t, double v) {
        int l = next_label();
        label_ += 6;  // a floating literal owns four label numbers
        literals_.push_back({l + (t.m == 9 ? 2 : 4), t.m == 9 ? 4 : 8, v});
        return leaf(t, "", 0, 0, 1, 0x8000, A_OBJECT, l + (t.m == 9 ? 2 : 4));
    }

    // The result slot `out+k` of type t.
    Ex result(const Ty& t) {
        Ex e = global(t, "out", out_);
        last_slot_ = out_;
        out_ += t.size;
        return e;
    }
    int last_slot() const { return last_slot_; }

    // Statements of the function being written.
    void stmt(const Ex& e) {
        line_record();
        body_.push_back(150);
        append(body_, e.ir);
    }
    // Each statement its own line, so that a diagnostic names it.
    void line_record() {
        ++line_;
        if (lines_.size() <= static_cast<std::size_t>(line_)) lines_.resize(static_cast<std::size_t>(line_) + 1);
        lines_[static_cast<std::size_t>(line_)] = fn_name_ + ": " + note_;
        body_.push_back(20);
        body_.push_back(static_cast<std::uint8_t>(line_ & 0xFF));
        body_.push_back(static_cast<std::uint8_t>(line_ >> 8));
    }
    void raw(std::initializer_list<int> bytes) {
        for (int x : bytes) body_.push_back(static_cast<std::uint8_t>(x));
    }
    void raw(const std::vector<std::uint8_t>& bytes) { append(body_, bytes); }
    void store(const Ex& dest, const Ex& value) { stmt(bin(136, dest.t, dest, value)); }

    // out[k] = value; the host computes `host` of the same type.
    void put(const Ex& value, const std::string& host) {
        Ex slot = result(value.t);
        note_slot();
        store(slot, value);
        host_ += "    { " + std::string(value.t.host) + " r = (" + value.t.host + ")(" + host + "); put(" +
                 std::to_string(last_slot_) + ", &r, sizeof r); }\n";
    }
    void host(const std::string& line) { host_ += "    " + line + "\n"; }
    void host_decl(const std::string& line) { host_decls_ += line + "\n"; }

    // A function: parameters (types, most 2), locals (bytes), then the body.
    void function(const std::string& name, const std::vector<Ty>& params, int frame, int space = 0,
                  int attr = A_FUNCTION) {
        flush_function();
        fn_name_ = name;
        fn_space_ = space;
        fn_attr_ = attr;
        fn_params_ = params;
        fn_frame_ = frame;
        calls_.push_back(name);
    }

    // return value; (the value assigned to the return slot)
    void ret(const Ty& t, const Ex& value) {
        stmt(bin(136, t, leaf(t, "", 0, 1, 0), value));
        body_.push_back(146);
    }

    OpProgram finish(bool runtime) {
        flush_function();
        // main calls every function with the values of its type
        b_.line(1).function("main").body(1, 2);
        b_.param_size(0);
        for (const std::string& call : main_calls_) {
            b_.expr();
            b_.bytes.insert(b_.bytes.end(), call.begin(), call.end());
        }
        b_.return_value(INT.m, [](IrBuilder& x) { x.constant(INT.m, 0); });
        b_.end_function();
        b_.u8(132).name("main", A_FUNCTION).u16(0).u32(0);
        zeros("out", out_ ? out_ : 1);
        for (const Literal& l : literals_) {
            b_.label_data(l.label).real_item(l.size, l.value).end_data();
        }
        OpProgram p;
        p.name = name_;
        p.ir = b_.bytes;
        p.out_bytes = out_;
        p.needs_runtime = runtime;
        p.lines = lines_;
        p.slots = slots_;
        p.host = "#include <stdint.h>\n#include <stdio.h>\n#include <string.h>\n"
                 "static unsigned char out[" + std::to_string(out_ ? out_ : 1) + "];\n"
                 "static void put(int k, const void* v, int n) {\n"
                 "    unsigned char b[8];\n    memcpy(b, v, n);\n"
                 "    for (int i = 0; i < n; ++i) out[k + i] = b[n - 1 - i];\n}\n"
                 + host_decls_ + "int main(void) {\n" + host_ +
                 "    for (int i = 0; i < (int)sizeof out; ++i) printf(\"%02x\", out[i]);\n"
                 "    printf(\"\\n\");\n    return 0;\n}\n";
        return p;
    }

    // main's call of the current function with its arguments.
    void call_from_main(const std::vector<Ex>& args, int attr = A_FUNCTION, int space = 0) {
        Ty v = UCHAR;  // void
        Ex callee = leaf(INT, fn_name_, 0, 0, 1, space, attr);
        Ex call;
        if (args.empty()) {
            call = node(105, v, {&callee});
        } else {
            Ex chain = args.back();
            for (std::size_t i = args.size() - 1; i-- > 0;) chain = node(165, INT, {&args[i], &chain});
            call = node(169, v, {&callee, &chain});
        }
        main_calls_.push_back(std::string(call.ir.begin(), call.ir.end()));
    }

private:
    struct Literal {
        int label;
        int size;
        double value;
    };
    std::string name_;
    IrBuilder b_;
    std::string host_;
    std::string host_decls_;
    int out_ = 0;
    int last_slot_ = 0;
    int label_ = 1000;
    int line_ = 1;
    std::vector<std::string> lines_;
    std::string note_;

public:
    void note(const std::string& n) { note_ = n; }
    void note_slot() {
        if (slots_.size() <= static_cast<std::size_t>(last_slot_)) slots_.resize(static_cast<std::size_t>(last_slot_) + 1);
        slots_[static_cast<std::size_t>(last_slot_)] = fn_name_ + ": " + note_;
    }
    std::vector<std::string> slots_;

private:
    std::vector<Literal> literals_;
    std::vector<std::string> calls_, main_calls_;
    std::string fn_name_;
    int fn_space_ = 0;
    int fn_attr_ = A_FUNCTION;
    int fn_frame_ = 0;
    std::vector<Ty> fn_params_;
    std::vector<std::uint8_t> body_;

    void flush_function() {
        if (fn_name_.empty()) return;
        b_.line(1).function(fn_name_, fn_attr_, fn_space_).body(1, 2);
        int size = 0;
        for (const Ty& p : fn_params_) size += p.floating && p.m == 9 ? 8 : (p.size < 2 ? 2 : p.size);
        if (!fn_params_.empty()) {
            const Ty& first = fn_params_[0];
            if (first.m == 14) {
                b_.u8(217).u8(14).u32(first.size);
            } else {
                int t = first.m == 11 ? (first.size == 4 ? 8 : 5) : (first.size < 2 ? 3 : first.m);
                if (first.m == 9) t = 10;
                b_.param_type(t);
            }
        }
        b_.param_size(size);
        if (fn_frame_) b_.frame(fn_frame_);
        b_.bytes.insert(b_.bytes.end(), body_.begin(), body_.end());
        b_.ret().end_function();
        body_.clear();
        fn_name_.clear();
    }
};

// ------------------------------------------------------------ host expressions

// The host's text of `a op b` in the width of t, wrapping like the target.
std::string host_binary(const Ty& t, const std::string& op, const std::string& a, const std::string& b) {
    if (t.floating) return a + " " + op + " " + b;
    std::string wide = t.size == 4 ? "uint64_t" : "uint32_t";
    std::string sw = t.size == 4 ? "int64_t" : "int32_t";
    if (op == "+" || op == "-" || op == "*" || op == "&" || op == "|" || op == "^")
        return "(" + wide + ")(" + a + ") " + op + " (" + wide + ")(" + b + ")";
    if (op == "<<") return "(" + wide + ")(" + a + ") << (" + b + ")";
    // / % >> in the type's own signedness
    std::string cast = t.is_signed ? sw : wide;
    return "(" + cast + ")(" + a + ") " + op + " (" + cast + ")(" + b + ")";
}

// ------------------------------------------------------------ places

// An operand place of the corpus: how the target reads the operand that
// holds value a or b.
enum Place { GLOBAL, ZERO_PAGE, LOCAL, PARAM, CONSTANT, POINTER, MEMBER, FIELD, N_PLACES };
const char* const place_names[] = {"global", "zero_page", "local", "param", "constant", "pointer", "member", "field"};

struct TypeCase {
    const char* name;
    Ty t;
    double a, b;  // b is small: a shift count and a divisor too
    int field_width;
};

// A program for one type: its globals, and the functions of each family.
class TypeProgram {
public:
    explicit TypeProgram(const TypeCase& tc) : tc_(tc), p_(std::string("ops_") + tc.name) {
        const Ty& t = tc_.t;
        p_.data("ga", Program::bytes_of(t, tc_.a));
        p_.data("gb", Program::bytes_of(t, tc_.b));
        p_.data("za", Program::bytes_of(t, tc_.a), M_DIR);
        p_.data("zb", Program::bytes_of(t, tc_.b), M_DIR);
        // a structure: a char, then a and b
        std::vector<std::uint8_t> s{0x5A};
        for (double v : {tc_.a, tc_.b})
            for (std::uint8_t x : Program::bytes_of(t, v)) s.push_back(x);
        p_.data("st", s);
        p_.zeros("xs", 1 + 2 * t.size);
        p_.zeros("xa", t.size);
        p_.zeros("xz", t.size, M_DIR);
        p_.zeros("xe", t.size, M_EEPROM);
        p_.zeros("xef", t.size, M_EEPROM);
        // pointers to ga, gb and xa
        p_.ir().declare("pa").address(192, "ga", 0).end_data().pub("pa");
        p_.ir().declare("pb").address(192, "gb", 0).end_data().pub("pb");
        p_.ir().declare("px").address(192, "xa", 0).end_data().pub("px");
        if (!t.floating) {
            // the unit of two fields: bits 0-2 set, a at 3, b after it, and
            // the unit's top bit set when the fields leave it free
            int unit = t.size;
            int w = tc_.field_width;
            std::uint64_t v = 5 | (field_value(tc_.a) << 3) | (field_value(tc_.b) << (3 + w));
            if (3 + 2 * w < unit * 8) v |= 1ull << (unit * 8 - 1);
            std::vector<std::uint8_t> bytes;
            for (int i = unit - 1; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
            p_.data("bf", bytes);
            p_.data("bx", bytes);
        }
    }

    std::int64_t field_value(double v) const {
        return static_cast<std::int64_t>(v) & ((1ll << tc_.field_width) - 1);
    }

    double value(int which) const { return which ? tc_.b : tc_.a; }

    // The operand `which` (0: a, 1: b) in place `pl`, with its host value.
    bool operand(Place pl, int which, Ex& e, std::string& host) {
        const Ty& t = tc_.t;
        double v = value(which);
        host = host_literal(t, v);
        std::string n = which ? "b" : "a";
        switch (pl) {
        case GLOBAL: e = global(t, "g" + n); return true;
        case ZERO_PAGE: e = global(t, "z" + n, 0, M_DIR); return true;
        case LOCAL: e = local(t, -t.size * (which + 1)); return true;
        case PARAM:
            if (t.m == 9) return false;  // a float parameter arrives as a double
            e = param(t, param_offset(which));
            return true;
        case CONSTANT: e = t.floating ? p_.float_constant(t, v) : constant(t, raw_value(t, v)); return true;
        case POINTER: e = deref(t, global(NEAR_PTR, "p" + n)); return true;
        case MEMBER: e = global(t, "st", 1 + t.size * which); return true;
        case FIELD: {
            if (t.floating) return false;
            Ty f = bit_field(t, 3 + which * tc_.field_width, tc_.field_width);
            e = cast(t, global(f, "bf"));
            host = "(" + std::string(t.host) + ")" + std::to_string(field_value(v));
            return true;
        }
        default: return false;
        }
    }

    // A place assigned to: it holds `a` first.
    bool destination(Place pl, Ex& e) {
        const Ty& t = tc_.t;
        switch (pl) {
        case GLOBAL: e = global(t, "xa"); break;
        case ZERO_PAGE: e = global(t, "xz", 0, M_DIR); break;
        case LOCAL: e = local(t, -t.size * 3); break;
        case PARAM:
            if (t.m == 9) return false;
            e = param(t, param_offset(0));
            break;
        case POINTER: e = deref(t, global(NEAR_PTR, "px")); break;
        case MEMBER: e = global(t, "xs", 1); break;
        case FIELD:
            if (t.floating) return false;
            e = global(bit_field(t, 3, tc_.field_width), "bx");
            break;
        default: return false;
        }
        Ex a, ignored;
        std::string h;
        operand(GLOBAL, 0, a, h);
        p_.store(e, pl == FIELD ? cast(e.t, a) : a);
        return true;
    }

    int param_offset(int which) const {
        const Ty& t = tc_.t;
        int slot = t.size < 2 ? 2 : t.size;
        int off = which * slot;
        return t.size == 1 ? off + 1 : off;
    }

    // The function of a family: two parameters of the type, three locals.
    void function(const std::string& name) {
        const Ty& t = tc_.t;
        p_.function(name, {t, t}, -3 * t.size);
        p_.store(local(t, -t.size), global(t, "ga"));
        p_.store(local(t, -2 * t.size), global(t, "gb"));
        p_.call_from_main({global(t, "ga"), global(t, "gb")});
    }

    // The value of a field destination, read back as the type.
    Ex read_back(const Ex& dest) const { return dest.t.bit_off >= 0 ? cast(tc_.t, dest) : dest; }

    std::string host_field(const std::string& v) const {
        if (tc_.t.floating) return v;
        return "(" + std::string(tc_.t.host) + ")((" + v + ") & " + std::to_string((1ll << tc_.field_width) - 1) + ")";
    }

    Program& program() { return p_; }
    const TypeCase& tc() const { return tc_; }

private:
    TypeCase tc_;
    Program p_;
};

bool integer_op(const Op& op) { return op.integer_only; }

// Every binary operator over the pairs of places: each place with its own
// kind, with a constant and with a global.
void binary_cases(TypeProgram& tp) {
    Program& p = tp.program();
    const Ty& t = tp.tc().t;
    for (const Op& op : binary_ops) {
        if (integer_op(op) && t.floating) continue;
        tp.function(std::string("bin_") + std::to_string(op.code));
        for (int left = 0; left < N_PLACES; ++left) {
            for (int right : {left, static_cast<int>(CONSTANT), static_cast<int>(GLOBAL)}) {
                if (left == CONSTANT && right == CONSTANT) continue;
                Ex a, b;
                std::string ha, hb;
                if (!tp.operand(static_cast<Place>(left), 0, a, ha) || !tp.operand(static_cast<Place>(right), 1, b, hb))
                    continue;
                std::string host = host_binary(t, op.c, ha, hb);
                p.note(std::string(op.c) + " " + place_names[left] + " " + place_names[right]);
                if (op.code == 151 || op.code == 160)
                    p.put(bin(op.code, t, a, cast(INT, b)), host);  // the count is an int
                else
                    p.put(bin(op.code, t, a, b), host);
            }
        }
    }
}

// Compound assignments into every place that can be assigned, with the
// right operand a constant, a global and a local; the value read back.
void compound_cases(TypeProgram& tp) {
    Program& p = tp.program();
    const Ty& t = tp.tc().t;
    for (const Op& op : binary_ops) {
        if (integer_op(op) && t.floating) continue;
        tp.function(std::string("set_") + std::to_string(op.compound));
        for (int dest = 0; dest < N_PLACES; ++dest) {
            for (int right : {static_cast<int>(CONSTANT), static_cast<int>(GLOBAL), static_cast<int>(LOCAL)}) {
                Ex d, b;
                std::string ha, hb;
                p.note(std::string(op.c) + "= " + place_names[dest] + " " + place_names[right]);
                if (!tp.destination(static_cast<Place>(dest), d)) continue;
                tp.operand(GLOBAL, 0, b, ha);
                if (!tp.operand(static_cast<Place>(right), 1, b, hb)) continue;
                std::string host = host_binary(t, op.c, ha, hb);
                if (dest == FIELD) {
                    host = tp.host_field(host_binary(t, op.c, "(" + std::string(t.host) + ")" +
                                                                   std::to_string(tp.field_value(tp.value(0))),
                                                     hb));
                    p.stmt(bin(op.compound, d.t, d, op.code == 151 || op.code == 160 ? cast(INT, b) : b));
                } else {
                    p.stmt(bin(op.compound, t, d, op.code == 151 || op.code == 160 ? cast(INT, b) : b));
                }
                p.put(tp.read_back(d), host);
                // the same with the assignment's value used
                Ex again;
                tp.destination(static_cast<Place>(dest), again);
                Ex used = bin(op.compound, dest == FIELD ? d.t : t, again, op.code == 151 || op.code == 160 ? cast(INT, b) : b);
                p.put(dest == FIELD ? cast(t, used) : used, host);
            }
        }
    }
}

// Unary - and ~, their in-place forms, and postfix ++ and --.
void unary_cases(TypeProgram& tp) {
    Program& p = tp.program();
    const Ty& t = tp.tc().t;
    tp.function("unary");
    for (int pl = 0; pl < N_PLACES; ++pl) {
        Ex a;
        std::string ha;
        if (!tp.operand(static_cast<Place>(pl), 0, a, ha)) continue;
        p.note(std::string("- ~ ") + place_names[pl]);
        std::string wide = t.size == 4 ? "uint64_t" : "uint32_t";
        p.put(un(108, t, a), t.floating ? "-" + ha : "0 - (" + wide + ")(" + ha + ")");
        if (!t.floating) p.put(un(67, t, a), "~(" + wide + ")(" + ha + ")");
    }
    for (int pl = 0; pl < N_PLACES; ++pl) {
        p.note(std::string("in place, postfix ") + place_names[pl]);
        std::string ha = host_literal(t, tp.value(0));
        std::string wide = t.size == 4 ? "uint64_t" : "uint32_t";
        if (pl == FIELD) ha = "(" + std::string(t.host) + ")" + std::to_string(tp.field_value(tp.value(0)));
        Ex d;
        if (tp.destination(static_cast<Place>(pl), d)) {
            p.stmt(un(114, d.t, d));
            p.put(tp.read_back(d), pl == FIELD ? tp.host_field("0 - (" + wide + ")(" + ha + ")")
                                               : t.floating ? "-" + ha : "0 - (" + wide + ")(" + ha + ")");
        }
        if (!t.floating && tp.destination(static_cast<Place>(pl), d)) {
            p.stmt(un(115, d.t, d));
            p.put(tp.read_back(d), pl == FIELD ? tp.host_field("~(" + wide + ")(" + ha + ")") : "~(" + wide + ")(" + ha + ")");
        }
        if (t.floating || pl == FIELD) continue;
        // postfix ++ and --, the old value used and not
        for (int code : {170, 167}) {
            std::string step = code == 170 ? "+" : "-";
            if (!tp.destination(static_cast<Place>(pl), d)) continue;
            p.put(bin(code, t, d, constant(t, 1)), ha);
            p.put(d, "(" + wide + ")(" + ha + ") " + step + " 1");
            tp.destination(static_cast<Place>(pl), d);
            p.stmt(bin(code, t, d, constant(t, 1)));
            p.put(d, "(" + wide + ")(" + ha + ") " + step + " 1");
        }
    }
}

// Assignments between places, and the tests of every relation as a branch
// and as a value.
void move_and_compare_cases(TypeProgram& tp) {
    Program& p = tp.program();
    const Ty& t = tp.tc().t;
    tp.function("moves");
    for (int pl = 0; pl < N_PLACES; ++pl) {
        Ex d, b;
        std::string hb;
        if (!tp.operand(static_cast<Place>(pl), 1, b, hb)) continue;
        for (int dest = 0; dest < N_PLACES; ++dest) {
            if (dest == FIELD) continue;
            p.note(std::string("= ") + place_names[dest] + " " + place_names[pl]);
            if (!tp.destination(static_cast<Place>(dest), d)) continue;
            p.store(d, b);
            p.put(d, hb);
        }
    }
    struct Rel {
        int node, jump;
        const char* c;
    };
    // the node of each relation and its jump record (taken when it holds)
    const Rel rels[] = {{149, 141, "<"}, {144, 135, ">="}, {143, 136, ">"}, {150, 142, "<="}, {148, 138, "=="}, {155, 143, "!="}};
    tp.function("compares");
    for (const Rel& r : rels) {
        for (int left = 0; left < N_PLACES; ++left) {
            for (int right : {left, static_cast<int>(CONSTANT), static_cast<int>(GLOBAL)}) {
                if (left == CONSTANT && right == CONSTANT) continue;
                Ex a, b;
                std::string ha, hb;
                if (!tp.operand(static_cast<Place>(left), 0, a, ha) || !tp.operand(static_cast<Place>(right), 1, b, hb))
                    continue;
                // as a value
                std::string host = "(" + ha + ") " + r.c + " (" + hb + ")";
                p.note(std::string(r.c) + " " + place_names[left] + " " + place_names[right]);
                p.put(cast(INT, bin(r.node, INT, a, b)), host);
                // as a branch: out = 1; if (!(a rel b)) out = 0;
                Ex slot = p.result(CHAR);
                int k = p.last_slot();
                p.note_slot();
                p.store(slot, constant(CHAR, 1));
                int l = p.next_label();
                std::vector<std::uint8_t> j{static_cast<std::uint8_t>(r.jump), static_cast<std::uint8_t>(l & 0xFF),
                                            static_cast<std::uint8_t>(l >> 8)};
                append(j, a.ir);
                append(j, b.ir);
                p.raw(j);
                p.store(global(CHAR, "out", k), constant(CHAR, 0));
                p.raw({140, l & 0xFF, l >> 8, 0, 0});
                p.host("{ int8_t r = (" + host + ") ? 0 : 0; (void)r; }");
                p.host("{ int8_t r = (" + host + ") ? 1 : 0; put(" + std::to_string(k) + ", &r, 1); }");
            }
        }
    }
}

// Conversions to every type, truth values, the conditional operator and
// stores into EEPROM objects.
void conversion_cases(TypeProgram& tp) {
    Program& p = tp.program();
    const Ty& t = tp.tc().t;
    const Ty* targets[] = {&CHAR, &UCHAR, &INT, &UINT, &LONG, &ULONG, &FLOAT, &DOUBLE};
    tp.function("convert");
    for (int pl : {static_cast<int>(GLOBAL), static_cast<int>(LOCAL), static_cast<int>(POINTER),
                   static_cast<int>(CONSTANT), static_cast<int>(FIELD)}) {
        Ex a;
        std::string ha;
        if (!tp.operand(static_cast<Place>(pl), 0, a, ha)) continue;
        for (const Ty* to : targets) {
            // a floating value converted to an integer type it does not
            // fit is undefined in C: those pairs are left out
            double v = pl == FIELD ? static_cast<double>(tp.field_value(tp.value(0))) : tp.value(0);
            if (t.floating && !to->floating) {
                double lo = to->is_signed ? -std::ldexp(1.0, 8 * to->size - 1) : 0;
                double hi = std::ldexp(1.0, 8 * to->size - (to->is_signed ? 1 : 0));
                if (v <= lo - 1 || v >= hi) continue;
            }
            p.note(std::string("(") + to->host + ") " + place_names[pl]);
            p.put(cast(*to, a), ha);
        }
    }
    // truth values: !, && and ||, the relations as values, ?:
    tp.function("truth");
    Ex a, b, z;
    std::string ha, hb;
    tp.operand(GLOBAL, 0, a, ha);
    tp.operand(LOCAL, 1, b, hb);
    z = t.floating ? p.float_constant(t, 0) : constant(t, 0);
    p.note("!");
    p.put(node(90, INT, {&a}), "!(" + ha + ")");
    p.put(node(90, INT, {&z}), "1");
    p.note("&& and ||");
    Ex lt = bin(149, INT, a, b), gt = bin(143, INT, a, b), eq0 = bin(148, INT, a, z);
    p.put(bin(130, INT, lt, gt), "((" + ha + ") < (" + hb + ")) && ((" + ha + ") > (" + hb + "))");
    p.put(bin(157, INT, lt, gt), "((" + ha + ") < (" + hb + ")) || ((" + ha + ") > (" + hb + "))");
    p.put(bin(157, INT, eq0, bin(130, INT, gt, lt)), "0");
    p.note("?:");
    {
        Ex c1 = bin(149, INT, a, b), c2 = bin(143, INT, a, b);
        p.put(node(159, t, {&c1, &a, &b}), "(" + ha + ") < (" + hb + ") ? (" + ha + ") : (" + hb + ")");
        p.put(node(159, t, {&c2, &a, &b}), "(" + ha + ") > (" + hb + ") ? (" + ha + ") : (" + hb + ")");
        Ex one = constant(INT, 1);
        p.put(node(159, t, {&one, &b, &a}), hb);
    }
    // EEPROM: the stores go through the routines
    tp.function("eeprom");
    Ex e = global(t, "xe", 0, M_EEPROM);
    p.note("= into EEPROM");
    p.store(e, a);
    p.put(e, ha);
    p.note("+= into EEPROM");
    p.stmt(bin(142, t, e, b));
    p.put(e, host_binary(t, "+", ha, hb));
    if (!t.floating) {
        p.note("|= into EEPROM");
        p.stmt(bin(141, t, e, b));
        p.put(e, host_binary(t, "|", "(" + std::string(t.host) + ")(" + host_binary(t, "+", ha, hb) + ")", hb));
        // a bit-field of a unit in EEPROM: a value, a constant, the unit's
        // other bits kept
        int w = tp.tc().field_width;
        std::int64_t mask = (1ll << w) - 1;
        Ty f = bit_field(t, 2, w);
        Ex ef = global(f, "xef", 0, M_EEPROM);
        p.note("a bit-field in EEPROM");
        p.store(global(t, "xef", 0, M_EEPROM), constant(t, -1));
        p.store(ef, cast(f, b));
        p.put(cast(t, ef), tp.host_field(hb));
        p.store(ef, constant(f, 1));
        p.put(cast(t, ef), "1");
        std::int64_t unit_mask = t.size == 4 ? 0xFFFFFFFFll : (1ll << (8 * t.size)) - 1;
        std::int64_t rest = unit_mask & ~(mask << 2);
        p.put(bin(193, t, global(t, "xef", 0, M_EEPROM), constant(t, rest)),
              "(" + std::string(t.host) + ")" + std::to_string(rest) + (t.size == 4 ? "u" : ""));
    }
}

// ------------------------------------------------------------ calls

const Ty STRUCT3{"struct S3", 14, 3, false, false};  // char a; int b;
const Ty STRUCT7{"struct S7", 14, 7, false, false};  // char a[3]; long b;
const Ty STRUCT300{"struct S300", 14, 300, false, false};  // unsigned char a[300];

// A call of `name` (attribute `attr`, callee space `space`) with `args`.
Ex call(const Ty& result, const std::string& name, const std::vector<Ex>& args, int attr = A_FUNCTION,
        int space = 0) {
    Ex callee = leaf(INT, name, 0, 0, 1, space, attr);
    if (args.empty()) return node(105, result, {&callee});
    Ex chain = args.back();
    for (std::size_t i = args.size() - 1; i-- > 0;) chain = node(165, INT, {&args[i], &chain});
    return node(169, result, {&callee, &chain});
}

// Calls of every kind: with a stack (register and stack arguments of each
// type), without a stack, far, of an interrupt function, through a
// pointer, of inline assembly, of the builtins; arguments and results of
// every size, structures by value both ways.
OpProgram call_program() {
    Program p("calls");
    p.data("gi", Program::bytes_of(INT, 1234));
    p.data("gl", Program::bytes_of(LONG, 100000));
    p.data("gc", Program::bytes_of(CHAR, -7));
    p.data("gd", Program::bytes_of(DOUBLE, 2.5));
    p.data("gf", Program::bytes_of(FLOAT, -1.25));
    p.data("gs3", {9, 0x12, 0x34});
    p.data("gs7", {1, 2, 3, 0, 0, 0x10, 0x20});
    {
        std::vector<std::uint8_t> big(300);
        for (int i = 0; i < 300; ++i) big[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 1);
        p.data("gs300", big);
        p.zeros("hs300", 300);
        p.zeros("ks300", 300);
    }
    p.zeros("hs3", 3);
    p.zeros("hs7", 7);
    p.zeros("ks7", 7);
    p.zeros("counter", 2);
    p.ir().declare("gfp").address(192, "add_int", 0, A_FUNCTION).end_data().pub("gfp");
    p.ir().declare("gft").address(192, "add_int", 0, A_FUNCTION).address(192, "seven", 0, A_FUNCTION).end_data().pub("gft");
    p.data("gk", Program::bytes_of(INT, 1));
    p.ir().declare("gip").address(192, "tick", 0, A_FUNCTION).end_data().pub("gip");
    const int M_NOSTACK_ = M_NOSTACK;

    // the callees
    p.function("add_int", {INT, INT}, 0);
    p.ret(INT, bin(216, INT, param(INT, 0), bin(226, INT, param(INT, 2), constant(INT, 2))));
    p.function("add_char", {CHAR, CHAR}, 0);
    p.ret(CHAR, bin(222, CHAR, param(CHAR, 1), param(CHAR, 3)));
    p.function("add_long", {LONG, LONG}, 0);
    p.ret(LONG, bin(222, LONG, param(LONG, 0), param(LONG, 4)));
    p.function("mul_double", {DOUBLE, DOUBLE}, 0, 0, A_FUNCTION_DOUBLE);
    p.ret(DOUBLE, bin(226, DOUBLE, param(DOUBLE, 0), param(DOUBLE, 8)));
    p.function("half_float", {FLOAT}, 0);
    p.ret(FLOAT, cast(FLOAT, bin(133, DOUBLE, param(DOUBLE, 0), p.float_constant(DOUBLE, 2.0))));
    p.function("make_s3", {INT}, -3, 0, A_FUNCTION_STRUCT);
    p.store(local(CHAR, -3), constant(CHAR, 5));
    p.store(local(INT, -2), param(INT, 0));
    p.ret(STRUCT3, leaf(STRUCT3, "", -3, 32, 1));
    p.function("sum_s3", {STRUCT3}, 0);
    p.ret(INT, bin(222, INT, cast(INT, param(CHAR, 0)), param(INT, 1)));
    p.function("sum_s7", {INT, STRUCT7}, 0);
    p.ret(LONG, bin(222, LONG, cast(LONG, param(INT, 0)), param(LONG, 5)));
    p.function("nos", {INT, INT}, 0, M_NOSTACK_);
    p.ret(INT, bin(216, INT, param(INT, 0), param(INT, 2)));
    p.function("nosl", {LONG, INT}, 0, M_NOSTACK_);
    p.ret(LONG, bin(222, LONG, param(LONG, 0), cast(LONG, param(INT, 4))));
    p.function("nosy", {INT}, -4, M_NOSTACK_);  // the long register is c_lreg
    p.store(local(LONG, -4), bin(226, LONG, cast(LONG, param(INT, 0)), constant(LONG, 1000)));
    p.ret(INT, cast(INT, bin(133, LONG, local(LONG, -4), constant(LONG, 7))));
    p.function("nosx", {LONG}, -4, M_NOSTACK_);  // in its caller's slot
    p.store(local(LONG, -4), bin(226, LONG, param(LONG, 0), constant(LONG, 3)));
    p.ret(LONG, bin(222, LONG, local(LONG, -4), constant(LONG, 1)));
    p.function("nosz", {INT}, 0, M_NOSTACK_);  // calls another
    p.ret(INT, bin(222, INT, call(INT, "nos", {param(INT, 0), constant(INT, 1)}, A_FUNCTION, M_NOSTACK_),
                   call(INT, "nosy", {param(INT, 0)}, A_FUNCTION, M_NOSTACK_)));
    p.function("nosf", {INT}, 0, M_NOSTACK_);  // a far call without a stack
    p.ret(INT, call(INT, "farf", {param(INT, 0), constant(INT, 1)}, A_FUNCTION, M_FAR));
    p.function("sum300", {INT, STRUCT300}, 0);  // a large structure by value
    p.ret(INT, bin(222, INT, param(INT, 0),
                   bin(222, INT, cast(INT, param(UCHAR, 2)), cast(INT, param(UCHAR, 2 + 299)))));
    p.function("copy_local", {}, -7);  // copies into and out of the frame
    p.store(local(STRUCT7, -7), leaf(STRUCT7, "gs7", 0, 0, 1));
    p.store(leaf(STRUCT7, "ks7", 0, 0, 1), local(STRUCT7, -7));
    p.ret(LONG, local(LONG, -4));
    p.function("pass300", {STRUCT300}, 0, 0, A_FUNCTION_STRUCT);
    p.ret(STRUCT300, leaf(STRUCT300, "", 0, 160, 1));
    // a local written before a large structure's result goes straight to
    // its destination: the frame stays small, the local within reach
    p.function("big_copy", {INT}, -2);
    p.store(local(INT, -2), param(INT, 0));
    p.store(leaf(STRUCT300, "ks300", 0, 0, 1), call(STRUCT300, "pass300", {leaf(STRUCT300, "gs300", 0, 0, 1)},
                                                    A_FUNCTION_STRUCT));
    p.ret(INT, bin(222, INT, local(INT, -2), cast(INT, global(UCHAR, "ks300", 299))));
    p.function("seven", {}, 0);
    p.ret(INT, constant(INT, 7));
    p.function("farf", {INT, INT}, 0, M_FAR);
    p.ret(INT, bin(222, INT, param(INT, 0), param(INT, 2)));
    p.function("tick", {}, 0, M_INTERRUPT);
    p.store(global(INT, "counter"), bin(222, INT, global(INT, "counter"), constant(INT, 1)));
    p.function("many", {INT, LONG, CHAR, INT}, 0);
    p.ret(INT, bin(222, INT, bin(222, INT, param(INT, 0), cast(INT, param(LONG, 2))),
                   bin(222, INT, cast(INT, param(CHAR, 7)), param(INT, 8))));
    p.host_decl("static int16_t add_int(int16_t a, int16_t b) { return (int16_t)(a - b * 2); }");
    p.host_decl("static int8_t add_char(int8_t a, int8_t b) { return (int8_t)(a + b); }");
    p.host_decl("static int32_t add_long(int32_t a, int32_t b) { return a + b; }");

    // the calls
    p.function("tests", {}, 0);
    p.call_from_main({});
    Ex gi = global(INT, "gi"), gl = global(LONG, "gl"), gc = global(CHAR, "gc"), gd = global(DOUBLE, "gd");
    p.note("stack function, register and stack argument");
    p.put(call(INT, "add_int", {gi, constant(INT, 3)}), "add_int(1234, 3)");
    p.note("calls as arguments");
    p.put(call(INT, "add_int", {call(INT, "add_int", {gi, constant(INT, 1)}), call(INT, "add_int", {constant(INT, 2), gi})}),
          "add_int(add_int(1234, 1), add_int(2, 1234))");
    p.note("two calls in a sum");
    p.put(bin(222, INT, call(INT, "add_int", {gi, constant(INT, 1)}), call(INT, "add_int", {constant(INT, 2), gi})),
          "add_int(1234, 1) + add_int(2, 1234)");
    p.note("char arguments and result");
    p.put(call(CHAR, "add_char", {cast(INT, gc), constant(INT, 5)}), "add_char(-7, 5)");
    p.note("long arguments and result");
    p.put(call(LONG, "add_long", {gl, constant(LONG, -3)}), "add_long(100000, -3)");
    p.put(bin(222, LONG, call(LONG, "add_long", {gl, gl}), call(LONG, "add_long", {constant(LONG, 7), gl})),
          "add_long(100000, 100000) + add_long(7, 100000)");
    p.note("double arguments and result through memory");
    p.put(call(DOUBLE, "mul_double", {gd, p.float_constant(DOUBLE, 4.0)}, A_FUNCTION_DOUBLE), "2.5 * 4.0");
    p.put(bin(222, DOUBLE, call(DOUBLE, "mul_double", {gd, gd}, A_FUNCTION_DOUBLE), gd), "2.5 * 2.5 + 2.5");
    p.note("a float argument passed as a double");
    p.put(call(FLOAT, "half_float", {cast(DOUBLE, global(FLOAT, "gf"))}), "(float)(-1.25 / 2.0)");
    p.note("a structure returned and one passed");
    p.put(deref(INT, bin(222, NEAR_PTR, call(STRUCT3, "make_s3", {constant(INT, 77)}, A_FUNCTION_STRUCT), constant(INT, 1))),
          "77");
    p.put(call(INT, "sum_s3", {leaf(STRUCT3, "gs3", 0, 0, 1)}), "9 + 0x1234");
    p.put(call(LONG, "sum_s7", {constant(INT, 5), leaf(STRUCT7, "gs7", 0, 0, 1)}), "5 + 0x1020");
    p.note("functions without a stack");
    p.put(call(INT, "nos", {gi, constant(INT, 5)}, A_FUNCTION, M_NOSTACK_), "1234 - 5");
    p.put(call(LONG, "nosl", {gl, constant(INT, 7)}, A_FUNCTION, M_NOSTACK_), "100000 + 7");
    p.put(call(INT, "nosy", {gi}, A_FUNCTION, M_NOSTACK_), "(int16_t)(1234L * 1000 / 7)");
    p.put(call(LONG, "nosx", {gl}, A_FUNCTION, M_NOSTACK_), "100000L * 3 + 1");
    p.put(call(INT, "nosz", {gi}, A_FUNCTION, M_NOSTACK_), "(int16_t)(1234 - 1 + (int16_t)(1234L * 1000 / 7))");
    p.note("a far call from a function without a stack");
    p.put(call(INT, "nosf", {gi}, A_FUNCTION, M_NOSTACK_), "1234 + 1");
    p.note("a structure of 300 bytes by value, and copied");
    p.put(call(INT, "sum300", {constant(INT, 5), leaf(STRUCT300, "gs300", 0, 0, 1)}), "5 + 1 + (uint8_t)(299 * 7 + 1)");
    p.store(leaf(STRUCT300, "hs300", 0, 0, 1), leaf(STRUCT300, "gs300", 0, 0, 1));
    p.put(global(UCHAR, "hs300", 299), "(uint8_t)(299 * 7 + 1)");
    p.put(global(UCHAR, "hs300", 150), "(uint8_t)(150 * 7 + 1)");
    p.put(call(INT, "big_copy", {constant(INT, 1000)}), "1000 + (uint8_t)(299 * 7 + 1)");
    p.note("a far function");
    p.put(call(INT, "farf", {gi, constant(INT, 9)}, A_FUNCTION, M_FAR), "1234 + 9");
    p.note("an interrupt function called");
    p.stmt(call(UCHAR, "tick", {}, A_FUNCTION, M_INTERRUPT));
    p.put(global(INT, "counter"), "1");
    p.note("the front end's form of calls of interrupt and far functions: *(&f)");
    {
        const Ty irq_ptr{"uint16_t", 11, 2, false, false, M_INTERRUPT};
        Ex tick_address = leaf(irq_ptr, "tick", 0, 0, 0, 0, A_FUNCTION);
        Ex direct = node(107, INT, {&tick_address}, M_INTERRUPT);
        p.stmt(node(105, UCHAR, {&direct}));
        Ex vector = global(irq_ptr, "gip");  // through a pointer: Y is loaded, and kept
        Ex through = node(107, INT, {&vector}, M_INTERRUPT);
        p.stmt(node(105, UCHAR, {&through}));
        p.put(global(INT, "counter"), "3");
        Ex far_address = leaf(FAR_PTR, "farf", 0, 0, 0, 0, A_FUNCTION);
        Ex far_callee = node(107, INT, {&far_address}, M_FAR);
        Ex a1 = gi, a2 = constant(INT, 4);
        Ex chain = node(165, INT, {&a1, &a2});
        p.put(node(169, INT, {&far_callee, &chain}), "1234 + 4");
    }
    p.note("four arguments of three sizes");
    p.put(call(INT, "many", {constant(INT, 1), constant(LONG, 2), constant(INT, 3), constant(INT, 4)}), "10");
    p.note("a call through a pointer");
    {
        Ex fp = global(NEAR_PTR, "gfp");
        Ex callee = deref(INT, fp);
        Ex a1 = gi, a2 = constant(INT, 2);
        Ex chain = node(165, INT, {&a1, &a2});
        p.put(node(169, INT, {&callee, &chain}), "add_int(1234, 2)");
    }
    p.note("calls through a table element that the index computes (D busy with it)");
    {
        auto element = [&](const Ex& index) {
            return deref(INT, deref(NEAR_PTR, bin(222, NEAR_PTR, address(NEAR_PTR, "gft"),
                                                  bin(226, INT, index, constant(INT, 2)))));
        };
        Ex callee = element(bin(216, INT, global(INT, "gk"), constant(INT, 1)));
        Ex a1 = gi, a2 = constant(INT, 2);
        Ex chain = node(165, INT, {&a1, &a2});
        p.put(node(169, INT, {&callee, &chain}), "add_int(1234, 2)");
        Ex alone = element(global(INT, "gk"));
        p.put(node(105, INT, {&alone}), "7");
    }
    p.note("inline assembly as a value");
    {
        Ex callee = leaf(INT, "_asm", 0, 0, 1, 0, A_FUNCTION);
        Ex e = node(113, INT, {&callee});
        std::string text = "\tldd\t#4321\n";
        e.ir.push_back(static_cast<std::uint8_t>(text.size() + 1));
        for (char c : text) e.ir.push_back(static_cast<std::uint8_t>(c));
        e.ir.push_back(0);
        p.put(e, "4321");
    }
    p.note("the builtins");
    p.put(call(INT, "abs", {constant(INT, -5)}, A_FUNCTION, M_BUILTIN), "5");
    p.put(call(INT, "abs", {cast(INT, gc)}, A_FUNCTION, M_BUILTIN), "7");
    p.put(call(FLOAT, "fabs", {global(FLOAT, "gf")}, A_FUNCTION, M_BUILTIN), "1.25f");
    p.note("structure copies");
    p.store(leaf(STRUCT3, "hs3", 0, 0, 1), leaf(STRUCT3, "gs3", 0, 0, 1));
    p.put(global(INT, "hs3", 1), "0x1234");
    p.store(leaf(STRUCT7, "hs7", 0, 0, 1), leaf(STRUCT7, "gs7", 0, 0, 1));
    p.put(global(LONG, "hs7", 3), "0x1020");
    p.note("a structure copied into a local and back out");
    p.put(call(LONG, "copy_local", {}), "0x1020");
    p.put(global(CHAR, "ks7", 2), "3");
    return p.finish(true);
}

// Pointers of each size: arithmetic, differences, comparisons, postfix
// steps, pointers to pointers and to structures, arrays in the frame, and
// the objects that tiny and far pointers address.
OpProgram pointer_program() {
    Program p("pointers");
    const Ty TINY_PTR{"uint8_t", 11, 1, false, false, 0x1000};
    p.data("arr", {0, 10, 0, 20, 0, 30, 0, 40});
    p.data("carr", {1, 2, 3, 4});
    p.data("ss", {7, 0x01, 0x02, 0, 1, 0, 0});  // char a; int b; long c
    p.ir().declare("gp").address(192, "arr", 0).end_data().pub("gp");
    p.ir().declare("gq").address(192, "arr", 6).end_data().pub("gq");
    p.ir().declare("gpp").address(192, "gp", 0).end_data().pub("gpp");
    p.ir().declare("sp").address(192, "ss", 0).end_data().pub("sp");
    p.data("zi", {0x0A, 0xBC}, M_DIR);
    p.ir().declare("tp").address(197, "zi", 0).end_data().pub("tp");
    p.data("fi", {0x12, 0x34});
    p.ir().declare("fp").address(200, "fi", 0).end_data().pub("fp");

    p.function("ptrs", {NEAR_PTR, INT}, -6);
    p.call_from_main({address(NEAR_PTR, "arr", 2), constant(INT, 1)});
    Ex gp = global(NEAR_PTR, "gp"), gq = global(NEAR_PTR, "gq"), i = param(INT, 2);
    p.note("pointer plus a constant, plus a scaled index, a parameter pointer");
    p.put(deref(INT, bin(222, NEAR_PTR, gp, constant(INT, 4))), "30");
    p.put(deref(INT, bin(222, NEAR_PTR, gp, bin(226, INT, i, constant(INT, 2)))), "20");
    p.put(deref(INT, bin(222, NEAR_PTR, param(NEAR_PTR, 0), constant(INT, 2))), "30");
    p.note("difference and comparison");
    p.put(bin(133, INT, bin(216, INT, gq, gp), constant(INT, 2)), "3");
    p.put(cast(INT, bin(149, INT, gp, gq)), "1");
    p.put(cast(INT, bin(143, INT, gp, gq)), "0");
    p.note("postfix step of a pointer, a pointer to a pointer");
    p.put(deref(INT, bin(170, NEAR_PTR, gp, constant(INT, 2))), "10");
    p.put(deref(INT, gp), "20");
    p.put(deref(INT, deref(NEAR_PTR, global(NEAR_PTR, "gpp"))), "20");
    p.stmt(bin(139, NEAR_PTR, gp, constant(INT, 2)));
    p.note("members through a pointer");
    p.put(deref(INT, bin(222, NEAR_PTR, global(NEAR_PTR, "sp"), constant(INT, 1))), "0x0102");
    p.put(deref(LONG, bin(222, NEAR_PTR, global(NEAR_PTR, "sp"), constant(INT, 3))), "0x10000");
    p.note("an array in the frame");
    Ex la = leaf(NEAR_PTR, "", -6, 32, 0);
    p.store(deref(INT, la), constant(INT, 5));
    p.store(deref(INT, bin(222, NEAR_PTR, la, bin(226, INT, i, constant(INT, 2)))), constant(INT, 7));
    p.store(deref(INT, bin(222, NEAR_PTR, la, constant(INT, 4))), constant(INT, 9));
    p.put(deref(INT, bin(222, NEAR_PTR, la, constant(INT, 2))), "7");
    p.put(bin(222, INT, deref(INT, la), deref(INT, bin(222, NEAR_PTR, la, constant(INT, 4)))), "14");
    p.note("char pointers");
    p.put(deref(CHAR, bin(222, NEAR_PTR, address(NEAR_PTR, "carr"), constant(INT, 3))), "4");
    p.put(deref(CHAR, bin(222, NEAR_PTR, address(NEAR_PTR, "carr"), i)), "2");
    p.note("tiny and far pointers");
    p.put(deref(INT, global(TINY_PTR, "tp")), "0x0ABC");
    p.put(deref(INT, global(FAR_PTR, "fp")), "0x1234");
    p.store(deref(INT, global(FAR_PTR, "fp")), constant(INT, 0x4321));
    p.put(global(INT, "fi"), "0x4321");
    return p.finish(true);
}

// Switches on values of 1, 2 and 4 bytes: a dense run dispatched through
// a table (c_jctab, c_jtab, c_jltab), pairs compared one by one, the
// default for the holes and the values outside.
OpProgram switch_program() {
    Program p("switches");
    struct Width {
        Ty t;
        int head;  // 190, 149, 189
        std::int64_t base, pair1, pair2;
    };
    const Width widths[] = {{CHAR, 190, -3, 100, -100}, {INT, 149, 1000, -30000, 12345}, {LONG, 189, 100000, -5000000, 70000}};
    int label = 3000;
    for (const Width& w : widths) {
        std::string name = std::string("sw_") + std::to_string(w.t.size);
        p.function(name, {w.t}, -2);
        int s_label = label += 2, x_label = label += 2, d_label = label += 2;
        Ex v = param(w.t, w.t.size == 1 ? 1 : 0), slot = leaf(w.t, "", 0, 2, 0), r = local(INT, -2);
        p.store(slot, v);
        p.raw({w.head, s_label & 0xFF, s_label >> 8});
        std::vector<int> cases;
        std::vector<std::int64_t> values;
        for (int i = 0; i < 7; ++i) {
            if (i == 3) continue;  // a hole
            cases.push_back(label += 2);
            values.push_back(w.base + i);
        }
        cases.push_back(label += 2);
        values.push_back(w.pair1);
        cases.push_back(label += 2);
        values.push_back(w.pair2);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            p.raw({130, cases[i] & 0xFF, cases[i] >> 8, 0, 0});
            p.store(r, constant(INT, static_cast<std::int64_t>(i) + 1));
            p.raw({139, x_label & 0xFF, x_label >> 8});
        }
        p.raw({130, d_label & 0xFF, d_label >> 8, 0, 0});
        p.store(r, constant(INT, 0));
        // the table: one run of 7 with the hole, two pairs
        IrBuilder t = sink();
        t.u8(185).u8(0).u16(s_label).u16(d_label).u16(static_cast<int>(cases.size())).u16(w.t.size);
        t.u8(205).u16(7).u32(w.base);
        for (int i = 0, k = 0; i < 7; ++i) t.u16(i == 3 ? d_label : cases[static_cast<std::size_t>(k++)]);
        t.u8(206).u16(2).u32(w.pair1).u16(cases[6]).u32(w.pair2).u16(cases[7]).u8(151);
        p.raw(t.bytes);
        p.raw({130, x_label & 0xFF, x_label >> 8, 0, 0});
        p.ret(INT, r);
    }
    p.function("tests", {}, 0);
    p.call_from_main({});
    for (const Width& w : widths) {
        std::string name = std::string("sw_") + std::to_string(w.t.size);
        std::int64_t tries[] = {w.base, w.base + 1, w.base + 2, w.base + 3, w.base + 4, w.base + 6,
                                w.base - 1, w.base + 7, w.pair1, w.pair2, w.pair2 + 1};
        std::string host_fn = "static int16_t " + name + "(int64_t v) { int64_t b = " + std::to_string(w.base) +
                              "; if (v >= b && v < b + 7 && v != b + 3) return (int16_t)(v - b + (v > b + 3 ? 0 : 1)); " +
                              "if (v == " + std::to_string(w.pair1) + ") return 7; if (v == " + std::to_string(w.pair2) +
                              ") return 8; return 0; }";
        p.host_decl(host_fn);
        for (std::int64_t v : tries) {
            p.note(name + " of " + std::to_string(v));
            p.put(call(INT, name, {constant(w.t, v)}), name + "(" + std::to_string(v) + ")");
        }
    }
    return p.finish(true);
}

}  // namespace

std::vector<OpProgram> operator_corpus() {
    const TypeCase types[] = {
        {"char", CHAR, -93, 3, 2},          {"uchar", UCHAR, 200, 3, 2},
        {"int", INT, -12345, 5, 6},         {"uint", UINT, 50000, 5, 6},
        {"long", LONG, -123456789, 7, 12},  {"ulong", ULONG, 3000000000.0, 9, 12},
        {"float", FLOAT, 1.5, -2.25, 0},    {"double", DOUBLE, 1234.5, -0.125, 0},
    };
    const std::pair<const char*, void (*)(TypeProgram&)> families[] = {
        {"bin", binary_cases},   {"set", compound_cases},         {"unary", unary_cases},
        {"move", move_and_compare_cases}, {"convert", conversion_cases}};
    std::vector<OpProgram> corpus;
    for (const TypeCase& tc : types) {
        for (const auto& [family, cases] : families) {
            TypeProgram tp(tc);
            cases(tp);
            OpProgram p = tp.program().finish(tc.t.size > 2 || tc.t.floating);
            p.name += std::string("_") + family;
            corpus.push_back(std::move(p));
        }
    }
    corpus.push_back(call_program());
    corpus.push_back(pointer_program());
    corpus.push_back(switch_program());
    return corpus;
}

}  // namespace vytest
