// Builds intermediate files byte by byte from the record layouts, for the
// records that the front end does not write yet (function bodies,
// initialised data) and for hostile files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vytest {

// Machine types of the intermediate file.
enum : std::uint8_t { T_CHAR = 1, T_UCHAR = 2, T_INT = 3, T_UINT = 5, T_LONG = 6, T_ULONG = 8, T_PTR = 11 };

// Attribute bytes of names.
enum : std::uint8_t { A_OBJECT = 0x81, A_FUNCTION = 0x84, A_FUNCTION_DOUBLE = 0x85, A_FUNCTION_STRUCT = 0x86 };

class IrBuilder {
public:
    explicit IrBuilder(std::uint8_t flags = 0) : bytes{0xCB, 0, flags, 0} {}

    std::vector<std::uint8_t> bytes;

    IrBuilder& u8(int v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    IrBuilder& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    IrBuilder& u32(std::int64_t v) {
        for (int i = 0; i < 4; ++i) u8(static_cast<int>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    IrBuilder& text(const std::string& s) {
        for (unsigned char c : s) u8(c);
        return *this;
    }

    // IrName: a symbol, or a label number only.
    IrBuilder& name(const std::string& s, int attr = A_OBJECT, int number = 0) {
        return u8(static_cast<int>(s.size()) + 1).u16(number).u8(attr).text(s);
    }
    IrBuilder& label_name(int number) { return u8(0).u16(number); }
    IrBuilder& no_name() { return u8(0).u16(0); }

    // Top-level records.
    IrBuilder& file(const std::string& s) { return u8(19).name(s, 0); }
    IrBuilder& line(int n) { return u8(20).u16(n); }
    IrBuilder& declare(const std::string& s) { return u8(131).u8(0).name(s); }
    IrBuilder& declare_space(int attr, const std::string& s) { return u8(199).u8(0).u16(attr).name(s); }
    IrBuilder& pub(const std::string& s, int attr = 0, int size = 0) { return u8(132).name(s).u16(attr).u32(size); }
    IrBuilder& external(const std::string& s, int attr = 0) { return u8(144).name(s).u16(attr).u32(0); }
    IrBuilder& label_data(int label) { return u8(184).u8(0).u16(0).label_name(label); }
    IrBuilder& end_data() { return u8(210); }
    IrBuilder& int_item(int size, std::int64_t v) { return u8(137).u8(size).u32(v); }
    IrBuilder& real_item(int size, double d) {
        u8(133).u8(size);
        std::uint8_t raw[8];
        std::memcpy(raw, &d, 8);
        for (std::uint8_t b : raw) u8(b);
        return *this;
    }
    IrBuilder& zero(std::int64_t n) { return u8(147).u32(n); }
    // A string run: 255-byte chunks, a shorter (maybe empty) one ends it.
    IrBuilder& string(const std::string& s) {
        std::size_t i = 0;
        for (;;) {
            std::size_t n = s.size() - i < 255 ? s.size() - i : 255;
            u8(148).u8(static_cast<int>(n)).text(s.substr(i, n));
            i += n;
            if (n < 255) return *this;
        }
    }
    IrBuilder& address(int code, const std::string& s, std::int64_t offset, int attr = A_OBJECT) {
        u8(code);
        if (s.empty())
            no_name();
        else
            name(s, attr);
        return u32(offset);
    }
    IrBuilder& asm_text(const std::string& s) { return u8(203).u8(static_cast<int>(s.size())).text(s); }

    // Function records.
    IrBuilder& function(const std::string& s, int attr = A_FUNCTION, int space = 0, int size = 0) {
        return u8(134).name(s, attr).u16(space).u32(size);
    }
    IrBuilder& body(int first, int brace) { return u8(251).u16(first).u16(brace); }
    IrBuilder& param_type(int type) { return u8(217).u8(type); }
    IrBuilder& param_size(int size) { return u8(218).u32(size); }
    IrBuilder& frame(int lowest) { return u8(129).u32(lowest); }
    IrBuilder& end_function() { return u8(211); }

    // Statements.
    IrBuilder& label(int l, int line = 0) { return u8(140).u16(l).u16(line); }
    IrBuilder& case_label(int l, int line = 0) { return u8(130).u16(l).u16(line); }
    IrBuilder& jump(int l) { return u8(139).u16(l); }
    IrBuilder& expr() { return u8(150); }
    IrBuilder& jump_if(int code, int l) { return u8(code).u16(l); }
    IrBuilder& ret() { return u8(146); }

    // Trees: a node's code and type, or a leaf.
    IrBuilder& node(int code, int type) { return u8(code).u8(type); }
    IrBuilder& constant(int type, std::int64_t v) { return u8(0).u8(type).no_name().u32(v).u8(0).u8(0); }
    IrBuilder& global(int type, const std::string& s, int offset = 0) {
        return u8(0).u8(type).name(s).u32(offset).u8(0).u8(1);
    }
    IrBuilder& local(int type, int offset) { return u8(0).u8(type).no_name().u32(offset).u8(32).u8(1); }
    IrBuilder& param(int type, int offset) { return u8(0).u8(type).no_name().u32(offset).u8(160).u8(1); }
    IrBuilder& result_slot(int type) { return u8(0).u8(type).no_name().u32(0).u8(1).u8(0); }
    IrBuilder& switch_slot(int type) { return u8(0).u8(type).no_name().u32(0).u8(2).u8(0); }

    // `return value;` as the front end writes it: 150 with the assignment
    // to the return slot, then 146.
    template <class Value>
    IrBuilder& return_value(int type, Value value) {
        expr().node(136, type).result_slot(type);
        value(*this);
        return ret();
    }
};

}  // namespace vytest
