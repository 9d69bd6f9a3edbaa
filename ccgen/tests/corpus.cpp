#include "ccgen/tests/corpus.h"

#include <functional>

#include "ccgen/tests/ir_builder.h"

namespace vytest {

namespace {

using Body = std::function<void(IrBuilder&)>;

// Space names in their order of definition: the first gets the mask 0x80.
void spaces(IrBuilder& b) {
    for (const char* s : {"interrupt", "kernel", "fast", "dir", "eeprom"}) b.u8(186).name(s, 0);
}
constexpr int M_INTERRUPT = 0x80, M_KERNEL = 0x40, M_FAST = 0x20, M_DIR = 0x10, M_NOSTACK = 0x0400;

struct Fn {
    const char* name;
    int param = -1;
    int frame = 0;
    int space = 0;
    int attr = A_FUNCTION;
    Body body;
};

void function(IrBuilder& b, const Fn& f) {
    b.line(1).function(f.name, f.attr, f.space).body(1, 2);
    if (f.param >= 0) b.param_type(f.param);
    b.param_size(f.param >= 0 ? 2 : 0);
    if (f.frame) b.frame(f.frame);
    f.body(b);
    b.end_function();
}

IrBuilder& g(IrBuilder& b) { return b.global(T_INT, "g"); }
IrBuilder& c(IrBuilder& b) { return b.global(T_CHAR, "c"); }
IrBuilder& uc(IrBuilder& b) { return b.global(T_UCHAR, "uc"); }
IrBuilder& r(IrBuilder& b) { return b.local(T_INT, -2); }
IrBuilder& a(IrBuilder& b) { return b.param(T_INT, 0); }

void set_global(IrBuilder& b, int v) { g(b.expr().node(136, T_INT)).constant(T_INT, v); }

std::vector<std::uint8_t> program(const std::vector<Fn>& fns) {
    IrBuilder b;
    b.file("t.c").line(1);
    spaces(b);
    for (const Fn& f : fns) function(b, f);
    b.declare("g").zero(2).end_data().pub("g");
    b.declare("c").zero(1).end_data().pub("c");
    b.declare("uc").zero(1).end_data().pub("uc");
    b.declare_space(M_DIR, "z").zero(2).end_data().pub("z", M_DIR);
    b.u8(131).u8(0).name("p").zero(2).end_data().pub("p");
    return b.bytes;
}

const std::vector<Fn> functions = {
    {"sum", T_INT, 0, 0, A_FUNCTION,
     [](IrBuilder& b) { b.return_value(T_INT, [](IrBuilder& x) { a(x.node(222, T_INT)).constant(T_INT, 1); }); }},
    {"choose", T_INT, -2, 0, A_FUNCTION,
     [](IrBuilder& b) {
         a(b.jump_if(135, 2)).constant(T_INT, 10);
         r(b.expr().node(136, T_INT)).constant(T_INT, 1);
         b.jump(4).label(2, 3);
         r(b.expr().node(136, T_INT)).constant(T_INT, 2);
         b.label(4);
         b.return_value(T_INT, [](IrBuilder& x) { r(x); });
     }},
    {"count", T_INT, -2, 0, A_FUNCTION,
     [](IrBuilder& b) {
         r(b.expr().node(136, T_INT)).constant(T_INT, 0);
         b.jump(8).label(6, 3);
         r(r(b.expr().node(136, T_INT)).node(222, T_INT)).constant(T_INT, 1);
         g(r(b.expr().node(139, T_INT)));  // g -= r
         b.label(8, 0x8000 | 2);
         a(r(b.jump_if(141, 6)));
         b.jump_if(141, 6).global(T_UINT, "g").constant(T_UINT, 100);  // unsigned compare
         b.return_value(T_INT, [](IrBuilder& x) { r(x); });
     }},
    {"bytes", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         // c = uc; if (c > 5) c = c + 1; if (uc) uc = uc - 1; c = (char)(c + 300);
         uc(c(b.expr().node(136, T_CHAR)));
         c(b.jump_if(142, 10)).constant(T_CHAR, 5);
         c(c(b.expr().node(136, T_CHAR)).node(222, T_CHAR)).constant(T_CHAR, 1);
         b.label(10, 4);
         uc(b.jump_if(138, 12)).constant(T_UCHAR, 0);
         uc(uc(b.expr().node(136, T_UCHAR)).node(216, T_UCHAR)).constant(T_UCHAR, 1);
         b.label(12, 5);
         c(b.expr().node(136, T_CHAR)).node(102, T_CHAR).node(222, T_INT);
         c(b.node(102, T_INT)).constant(T_INT, 300);
         g(b.expr().node(136, T_INT)).node(102, T_INT);
         uc(b);
         b.return_value(T_CHAR, [](IrBuilder& x) { c(x); });
     }},
    {"pointer", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         // *p = 5; g = *p;
         b.expr().node(136, T_INT).node(107, T_INT).u8(0).u8(T_PTR).u16(0x2000).name("p").u32(0).u8(0).u8(1);
         b.constant(T_INT, 5);
         g(b.expr().node(136, T_INT)).node(107, T_INT).u8(0).u8(T_PTR).u16(0x2000).name("p").u32(0).u8(0).u8(1);
         b.ret();
     }},
    {"zero_page", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         b.expr().node(136, T_INT).u8(0).u8(0x80 | T_INT).u16(M_DIR).name("z").u32(0).u8(0).u8(1);
         g(b);
         b.jump_if(143, 2).u8(0).u8(0x80 | T_INT).u16(M_DIR).name("z").u32(0).u8(0).u8(1).constant(T_INT, 0);
         set_global(b, 3);
         b.label(2, 4).ret();
     }},
    {"few_cases", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         c(b.expr().node(136, T_CHAR).switch_slot(T_CHAR));
         b.u8(190).u16(10);
         b.case_label(14, 4);
         set_global(b, 1);
         b.jump(12).case_label(16, 5);
         set_global(b, 5);
         b.jump(12).case_label(18, 6);
         set_global(b, 0);
         b.u8(185).u8(0).u16(10).u16(18).u16(2).u16(1);
         b.u8(206).u16(2).u32(-1).u16(14).u32(2).u16(16).u8(151);
         b.case_label(12, 0).ret();
     }},
    {"dense_cases", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         c(b.expr().node(136, T_CHAR).switch_slot(T_CHAR));
         b.u8(190).u16(10);
         for (int i = 0; i < 8; ++i) {
             b.case_label(20 + 2 * i, 3 + i);
             set_global(b, i);
             b.jump(12);
         }
         b.case_label(40, 11);
         b.u8(185).u8(0).u16(10).u16(40).u16(8).u16(1);
         b.u8(205).u16(7).u32(1);
         for (int i = 0; i < 7; ++i) b.u16(20 + 2 * i);
         b.u8(206).u16(1).u32(100).u16(34).u8(151);
         b.case_label(12, 0).ret();
     }},
    {"word_cases", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         g(b.expr().node(136, T_INT).switch_slot(T_INT));
         b.u8(149).u16(10);
         b.case_label(20, 3);
         set_global(b, 1);
         b.jump(12).case_label(22, 4);
         set_global(b, 2);
         b.jump(12);
         b.u8(185).u8(0).u16(10).u16(12).u16(9).u16(2);
         b.u8(205).u16(8).u32(1).u16(20).u16(22).u16(20).u16(22).u16(20).u16(22).u16(20).u16(22);
         b.u8(206).u16(1).u32(1000).u16(22).u8(151);
         b.case_label(12, 0).ret();
     }},
    {"assembly", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         b.asm_text("\tnop\n\tldaa\t#1\n");
         b.ret();
     }},
    {"handler", -1, -2, M_INTERRUPT, A_FUNCTION,
     [](IrBuilder& b) {
         g(r(b.expr().node(136, T_INT)));
         r(g(b.expr().node(136, T_INT)));
         b.ret();
     }},
    {"kernel_task", -1, -12, M_KERNEL, A_FUNCTION,
     [](IrBuilder& b) {
         g(r(b.expr().node(136, T_INT)));
         b.ret();
     }},
    {"quick", T_INT, -12, M_FAST, A_FUNCTION,
     [](IrBuilder& b) {
         a(r(b.expr().node(136, T_INT)));
         b.return_value(T_INT, [](IrBuilder& x) { r(x); });
     }},
    {"quick_small", T_INT, -5, M_FAST, A_FUNCTION,
     [](IrBuilder& b) {
         a(r(b.expr().node(136, T_INT)));
         b.return_value(T_INT, [](IrBuilder& x) { r(x); });
     }},
    {"big_frame", -1, -300, 0, A_FUNCTION,
     [](IrBuilder& b) {
         g(b.expr().node(136, T_INT)).local(T_INT, -300);
         a(b.jump_if(138, 2)).constant(T_INT, 0);
         b.ret();
         b.label(2, 3).ret();
     }},
    {"static_frame", T_INT, -2, M_NOSTACK, A_FUNCTION,
     [](IrBuilder& b) {
         b.expr().node(136, T_INT).local(T_INT, -2).param(T_INT, 0);
         b.return_value(T_INT, [](IrBuilder& x) { x.local(T_INT, -2); });
     }},
    {"far_loop", -1, 0, 0, A_FUNCTION,
     [](IrBuilder& b) {
         std::string pad;
         for (int i = 0; i < 25; ++i) pad += "\tnop\n";
         b.label(2, 2);
         b.asm_text(pad).asm_text(pad);
         g(b.jump_if(143, 2)).constant(T_INT, 0);
         g(b.jump_if(141, 2)).constant(T_INT, 7);
         b.ret();
     }},
};

}  // namespace

std::vector<CorpusFile> generator_corpus() {
    std::vector<CorpusFile> corpus;
    for (const Fn& f : functions) corpus.push_back({f.name, program({f})});
    std::vector<Fn> several;  // functions whose labels differ
    for (const Fn& f : functions)
        for (const char* name : {"sum", "choose", "count", "few_cases", "handler", "quick", "static_frame", "pointer"})
            if (std::string(f.name) == name) several.push_back(f);
    corpus.push_back({"several_functions", program(several)});

    IrBuilder d;
    d.file("t.c").line(1);
    spaces(d);
    d.declare("s").string("text with \"quotes\"; and \x01 bytes").end_data().pub("s");
    d.declare("w").int_item(2, -1).int_item(4, 70000).int_item(1, 255).end_data().pub("w");
    d.declare("r").real_item(4, 0.1).real_item(8, -2.5).end_data().pub("r");
    d.declare("ptrs").address(192, "s", 3).address(192, "w", -1).address(197, "zp", 1);
    d.u8(192).label_name(12).u32(0);
    d.address(192, "main", 0, A_FUNCTION).end_data().pub("ptrs");
    d.u8(144).name("main", A_FUNCTION).u16(0).u32(0);
    d.label_data(12).string("lit").end_data();
    d.u8(204).u16(0x4000).u8(5).text("extra").declare("e").int_item(2, 9).end_data();
    d.u8(204).u16(0x0000).u8(5).text("quiet").declare("q").zero(3).end_data();
    d.u8(204).u16(0x4000).u8(0);
    d.declare_space(M_DIR, "zp").int_item(1, 1).end_data();
    d.declare_space(0x8000, "k").int_item(2, 7).end_data();
    d.u8(201).u8(0).name("port", 0x91).u32(0x1000);
    d.external("outside");
    d.asm_text("\tnop\n");
    d.u8(215).u8(0).name("t.c", 0).u8(213).u8(0).label_name(2).int_item(4, 0x58000000);
    d.u8(214).u8(0).name("t.c~main", 0).u8(187).u8(4).text("main").u8(200).label_name(2).u32(0);
    d.u8(200).no_name().u32(0);
    corpus.push_back({"data", d.bytes});
    return corpus;
}

std::vector<DataProgram> data_programs() {
    DataProgram p;
    p.name = "every_type";
    p.source =
        "char c = 'a';\n"
        "unsigned char uc = 200;\n"
        "int i = -5;\n"
        "unsigned u = 65535;\n"
        "long l = 0x12345678;\n"
        "unsigned long ul = 4000000000;\n"
        "float f = 0.1;\n"
        "double d = -2.25e-10;\n"
        "char str[] = \"hi\\n\";\n"
        "char arr[5] = \"ab\";\n"
        "int ia[4] = {1, -2};\n"
        "struct S { char a; int b; long c; float d; unsigned char e[2]; } st = {1, 2, -3, 4.5, {7}};\n"
        "const int k = 7;\n"
        "const char kc[] = \"rom\";\n";
    p.host =
        "#include <stdint.h>\n#include <stdio.h>\n#include <string.h>\n"
        "static void be(const void* v, int n) {\n"
        "    const unsigned char* b = (const unsigned char*)v;\n"
        "    for (int i = n - 1; i >= 0; --i) printf(\"%02x\", b[i]);\n}\n"
        "#define BE(x) be(&(x), (int)sizeof(x))\n"
        "#define EACH(a) for (size_t k_ = 0; k_ < sizeof(a) / sizeof((a)[0]); ++k_) BE((a)[k_])\n"
        "int8_t c = 'a'; uint8_t uc = 200; int16_t i = -5; uint16_t u = 65535; int32_t l = 0x12345678;\n"
        "uint32_t ul = 4000000000u; float f = 0.1; double d = -2.25e-10; int8_t str[] = \"hi\\n\";\n"
        "int8_t arr[5] = \"ab\"; int16_t ia[4] = {1, -2};\n"
        "struct S { int8_t a; int16_t b; int32_t c; float d; uint8_t e[2]; } st = {1, 2, -3, 4.5, {7}};\n"
        "const int16_t k = 7; const int8_t kc[] = \"rom\";\n"
        "int main(void) {\n"
        "    printf(\"data \");\n"
        "    BE(c); BE(uc); BE(i); BE(u); BE(l); BE(ul); BE(f); BE(d); EACH(str); EACH(arr); EACH(ia);\n"
        "    BE(st.a); BE(st.b); BE(st.c); BE(st.d); EACH(st.e);\n"
        "    printf(\"\\nconst \");\n"
        "    BE(k); EACH(kc);\n"
        "    printf(\"\\n\");\n"
        "    return 0;\n}\n";
    IrBuilder b;
    b.file("t.c").line(1);
    auto object = [&](const char* name, const std::function<void()>& items) {
        b.declare(name);
        items();
        b.end_data().pub(name);
    };
    object("c", [&] { b.int_item(1, 'a'); });
    object("uc", [&] { b.int_item(1, 200); });
    object("i", [&] { b.int_item(2, -5); });
    object("u", [&] { b.int_item(2, 65535); });
    object("l", [&] { b.int_item(4, 0x12345678); });
    object("ul", [&] { b.int_item(4, 4000000000LL); });
    object("f", [&] { b.real_item(4, 0.1); });
    object("d", [&] { b.real_item(8, -2.25e-10); });
    object("str", [&] { b.string("hi\n"); });
    object("arr", [&] { b.string("ab").zero(2); });
    object("ia", [&] { b.int_item(2, 1).int_item(2, -2).zero(4); });
    object("st", [&] { b.int_item(1, 1).int_item(2, 2).int_item(4, -3).real_item(4, 4.5).int_item(1, 7).zero(1); });
    b.declare_space(0x8000, "k").int_item(2, 7).end_data().pub("k", 0x8000);
    b.declare_space(0x8000, "kc").string("rom").end_data().pub("kc", 0x8000);
    p.ir = b.bytes;
    return {p};
}

}  // namespace vytest
