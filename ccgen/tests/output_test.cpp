// The output engine: compact notation to assembly text, numbers and label
// names, debug strings, sections and the final reference lines.
#include <gtest/gtest.h>

#include "ccgen/tests/gen_harness.h"

namespace {

using ccgen::emit_asm;
using ccgen::Gen;
using vytest::engine_text;

struct NotationCase {
    const char* name;
    const char* notation;
    const char* output;
};

const NotationCase notation_cases[] = {
    {"instructions_split_at_semicolons", " ldd #1; std 2,x;", "\tldd\t#1\n\tstd\t2,x\n"},
    {"comment_keeps_its_blanks", "/ a b;", "; a b\n"},
    {"instruction_with_comment", " tsx / frame;", "\ttsx\t; frame\n"},
    {"control_code_stem", "\x0b" "ab #1;", "\tldab\t#1\n"},
    {"every_stem", "\x08y;\x0a;\x0c" "d;\x0d" "b;\x0e" "a;\x1f" "b;", "\txgdy\n\tsex\n\tpshd\n\tclrb\n\tcmpa\n\tcomb\n"},
    {"call_code", "\x07" "c~lmul;", "\tjsr\tc_lmul\n"},
    {"c_name_drops_function_marks", "<@main <&f <^g <x <_asm", "_main\t_f\t_g\t_x\t__asm"},
    {"generated_label", ">41:;", "L41:\n"},
    {"location_counter_and_tilde", "$+2 { ~", "*+2\t~\t_"},
    {"percent_forms", "%% %x %;", "%\t%x\t%\n"},
    {"back_quote_ends_the_text", "ab`cd", "ab"},
    {"raw_mode_keeps_everything", "\x06" "a b;<c>$\x06;", "a b;<c>$\n"},
    {"no_bytes_for_code_01", "a\x01" "b", "ab"},
    {"high_bytes_as_they_stand", "\xe9\xff", "\xe9\xff"},
};

class Notation : public ::testing::TestWithParam<NotationCase> {};

TEST_P(Notation, IsWrittenAsAssemblyText) {
    const NotationCase& c = GetParam();
    EXPECT_EQ(engine_text([&](Gen& g) { emit_asm(g, c.notation); }), c.output);
}

INSTANTIATE_TEST_SUITE_P(Engine, Notation, ::testing::ValuesIn(notation_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Engine, ReturnsOneAtTheEndAndZeroAtABackQuote) {
    int end = -1, quote = -1;
    engine_text([&](Gen& g) {
        end = emit_asm(g, "ab");
        quote = emit_asm(g, "a`b");
    });
    EXPECT_EQ(end, 1);
    EXPECT_EQ(quote, 0);
}

TEST(Engine, NumbersAndLabels) {
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, "%i,%i,%u,%o,%l;", -5, 32767, -1, 8, 305419896); }),
              "-5,32767,65535,10,305419896\n");
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, "%n %n %n %n %n;", 0, 8, 9, 64, 83); }),
              "L\tL01\tL11\tL001\tL321\n");
    EXPECT_EQ(ccgen::label_text(8), ">01");
    EXPECT_EQ(ccgen::label_text(0), ">");
}

TEST(Engine, TextArgumentsGoThroughTheEngine) {
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, " xdef %p;", "<@main"); }), "\txdef\t_main\n");
    // a missing argument writes nothing
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, "a%pb%ic;"); }), "ab0c\n");
}

TEST(Engine, DebugStringsCloseAtTheLineEnd) {
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, "%E%p%~%p:-%u.%u;", "\x06t.c\x06", "main", 2, 6); }),
              "\t.dentry\t\"t.c~main:-2.6\"\n");
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, "%S;", "name"); }), "\t.dstring\t\"~name\"\n");
    // raw text keeps blanks and semicolons; the quote comes at the line end
    EXPECT_EQ(engine_text([](Gen& g) { emit_asm(g, "%G\x06" "a b;c\x06;"); }), "\t.dfile\t\"a b;c\"\n");
    EXPECT_EQ(engine_text([](Gen& g) {
                  emit_asm(g, "%F");
                  emit_asm(g, "t.c:3-3;");
              }),
              "\t.dendfn\t\"t.c:3-3\"\n");
}

TEST(Engine, APercentAtTheEndTakesTheNextTextsFirstByte) {
    EXPECT_EQ(engine_text([](Gen& g) {
                  emit_asm(g, "a%");
                  emit_asm(g, "ib;", 7);
              }),
              "a7b\n");
}

TEST(Engine, SkipOverALongJump) {
    std::string text = engine_text([](Gen& g) {
        g.label_counter = 1;  // the next label is 3
        emit_asm(g, " bge\x05 %n;", 5);
    });
    EXPECT_EQ(text, "\tbge\tL3\n\tjmp\tL5\nL3:\n");
}

TEST(Engine, KeptSeparatorMode) {
    EXPECT_EQ(engine_text([](Gen& g) {
                  g.out.kept_separator = true;
                  emit_asm(g, "a b;c`");
              }),
              "a b;c");
}

TEST(Engine, OutputOfExactlyTwoBlocks) {
    std::string line(127, 'x');
    std::string text = engine_text([&](Gen& g) {
        emit_asm(g, (line + ";" + line + ";").c_str());
        EXPECT_EQ(g.out.fill, 0);  // both blocks are out; the flush has nothing left
    });
    EXPECT_EQ(text.size(), 256u);
}

// ------------------------------------------------------------ sections

TEST(Sections, FirstSelectionsSwitchOrDeclare) {
    std::string text = engine_text([](Gen& g) {
        ccgen::select_section(g, ccgen::OC_TEXT);  // text is current at the start
        ccgen::select_section(g, ccgen::OC_DATA);
        ccgen::select_section(g, ccgen::OC_CONST);
        ccgen::select_section(g, ccgen::OC_CONST);
        ccgen::select_section(g, ccgen::OC_BSS);
        ccgen::select_section(g, ccgen::OC_BSCT);
        ccgen::select_section(g, ccgen::OC_EEPROM);
        ccgen::select_section(g, ccgen::OC_DEBUG);
        ccgen::select_section(g, ccgen::OC_CONST);
    });
    EXPECT_EQ(text,
              "\tswitch\t.data\n"
              ".const:\tsection\n"
              "\tswitch\t.bss\n"
              "\tbsct\n"
              ".eeprom:\tsection\n"
              "\tswitch\t.debug\n"
              "\tswitch\t.const\n");
}

TEST(Sections, ConstantsInCodeAndNoBss) {
    ccgen::Options o;
    o.const_in_code = true;
    o.no_bss = true;
    std::string text = engine_text(
        [](Gen& g) {
            ccgen::select_section(g, ccgen::OC_CONST);  // text is current: nothing
            ccgen::select_section(g, ccgen::OC_BSS);
            ccgen::select_section(g, ccgen::OC_DATA);
        },
        o);
    EXPECT_EQ(text, "\tswitch\t.data\n");
}

TEST(Sections, NamedSectionsAndTheirErrors) {
    std::string text = engine_text([](Gen& g) {
        ccgen::set_class_section(g, 0x4000, 0, "mydata");
        ccgen::select_section(g, ccgen::OC_DATA);
        ccgen::set_class_section(g, 0, 0, "myvars");
        ccgen::select_section(g, ccgen::OC_BSS);
        ccgen::set_class_section(g, 0x0800, ccgen::SP_FUNC, "mydata");  // was data
        ccgen::set_class_section(g, 0, 0, "averyveryverylongname");
        ccgen::set_class_section(g, 0x4000, 0, "");  // back to .data
        ccgen::select_section(g, ccgen::OC_DATA);
        ccgen::select_section(g, ccgen::OC_BSS);
        EXPECT_TRUE(g.errors);
    });
    EXPECT_EQ(text,
              ".mydata:\tsection\n"
              ".myvars:\tsection\t.bss\n"
              "\tswitch\t.data\n"
              ".averyveryvery:\tsection\t.bss\n");
}

TEST(References, RuntimeRoutinesAndExternalNamesOnceEachNewestFirst) {
    std::string text = engine_text([](Gen& g) {
        ccgen::call_runtime(g, "lmul");
        ccgen::note_runtime_ref(g, "ldiv;more");
        ccgen::note_runtime_ref(g, "lmul");
        EXPECT_EQ(ccgen::jump_runtime_text(g, "lmul"), " jmp c~lmul;");
        ccgen::note_extern_ref(g, "<a");
        ccgen::note_extern_ref(g, "<b");
        ccgen::note_extern_ref(g, "<a");
        ccgen::write_file_end(g);
    });
    EXPECT_EQ(text, "\tjsr\tc_lmul\n\txref\tc_ldiv\n\txref\tc_lmul\n\txref\t_b\n\txref\t_a\n\tend\n");
}

TEST(References, ZeroPageExternalNamesUnderStaticModelOne) {
    ccgen::Options o;
    o.static_model = 1;
    EXPECT_EQ(engine_text(
                  [](Gen& g) {
                      ccgen::note_extern_ref(g, "<f.L");
                      ccgen::write_extern_refs(g);
                  },
                  o),
              "\txref.b\t_f.L\n");
}

}  // namespace
