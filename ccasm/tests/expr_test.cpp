// Expressions, constants, relocatable values and the symbol table.
#include "ccasm/tests/asm_fixture.h"

namespace {

uint32_t long_at(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

struct Value {
    const char* expr;
    uint32_t value;
};

class ExprValueTest : public AsmTest, public ::testing::WithParamInterface<Value> {};

TEST_P(ExprValueTest, Evaluates) {
    AsmRun r = assemble(std::string("\tdc.l\t") + GetParam().expr + "\n");
    ASSERT_EQ(r.status, 0) << GetParam().expr << "\n" << r.diagnostics;
    ASSERT_EQ(r.bytes().size(), 4u);
    EXPECT_EQ(long_at(r.bytes(), 0), GetParam().value) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, ExprValueTest,
    ::testing::Values(
        Value{"1+2*3", 7}, Value{"10-4-3", 3}, Value{"1<<4|1", 17}, Value{"-1>>28", 15},
        Value{"2+3<<1", 10}, Value{"(2+3)*2", 10}, Value{"7%3", 1}, Value{"-7/2", 0xFFFFFFFD},
        Value{"-1%10", 5},  // unsigned remainder of 0xFFFFFFFF
        Value{"~0", 0xFFFFFFFF}, Value{"!5", 0}, Value{"!0", 1}, Value{"-(-3)", 3},
        Value{"1==1&&2", 1}, Value{"0||0", 0}, Value{"3=3", 1}, Value{"5<>4", 1}, Value{"5!=5", 0},
        Value{"-1<0", 1}, Value{"2>=3", 0}, Value{"6&3^1|8", 11},
        Value{"1<<32", 0}, Value{"$80000000>>32", 0}, Value{"1<<31", 0x80000000},
        Value{"$80000000/-1", 0x80000000},
        Value{"0ah", 10}, Value{"101b", 5}, Value{"17q", 15}, Value{"99d", 99}, Value{"0x1F", 31},
        Value{"$1f", 31}, Value{"%101", 5}, Value{"@17", 15}, Value{"0FFFFh", 0xFFFF},
        Value{"0+'a'", 97}, Value{"0+\"z\"", 122}, Value{"strlen(\"abc\")", 3}, Value{"STRLEN('')", 0},
        Value{"high($1234)", 0x12}, Value{"low($1234)", 0x34}, Value{"<$1234", 0x34}, Value{">$1234", 0x1234},
        Value{"4294967295+2", 1}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

struct Failure {
    const char* expr;
    const char* message;
};

class ExprErrorTest : public AsmTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(ExprErrorTest, Diagnostic) {
    AsmRun r = assemble(std::string("a1:\tnop\na2:\tnop\n\tdc.w\t") + GetParam().expr + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.diagnostics, std::string("#error ccasm t.s:3\t") + GetParam().message + "\n") << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ExprErrorTest,
    ::testing::Values(
        Failure{"1/0", "zero divide"}, Failure{"1%0", "zero divide"}, Failure{"12h5", "bad constant"},
        Failure{"0x", "bad constant"}, Failure{"$", "bad constant"}, Failure{"@8", "bad constant"},
        Failure{"19q", "bad constant"}, Failure{"1+'ab'", "bad character constant"},
        Failure{"\"abc", "bad string constant"}, Failure{"1+", "syntax error"}, Failure{"(1", "syntax error"},
        Failure{"a1+a2", "bad relocatable expression"}, Failure{"-a1", "bad relocatable expression"},
        Failure{"a1*2", "bad relocatable expression"}, Failure{"1-a1", "bad relocatable expression"},
        Failure{"page(1)", "bad relocatable expression"}, Failure{"high(high(a1))", "bad relocatable expression"},
        Failure{"x", "syntax error"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(AsmTest, DifferenceOfLabelsIsAbsolute) {
    AsmRun r = assemble("l1:\tnop\n\tnop\nl2:\tldaa\t#l2-l1\n\tdc.w\tl2+1\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0x01, 0x01, 0x86, 0x02, 0x00, 0x03}));
    const objfile::Section* t = r.obj.find(".text");
    ASSERT_EQ(t->relocations.size(), 1u);  // only l2+1
    EXPECT_EQ(t->relocations[0].offset, 4u);
    EXPECT_EQ(t->relocations[0].index, 1u);
}

TEST_F(AsmTest, HighLowAndPageOfRelocatableValues) {
    AsmRun r = assemble("\txref\te\n\tldaa\t#high(e+$1234)\n\tldab\t#low(e)\n\tldx\t#page(e)\n\tdc.w\thigh(e)\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0x86, 0x34, 0xC6, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00}));
    const auto& rel = r.obj.find(".text")->relocations;
    ASSERT_EQ(rel.size(), 4u);
    EXPECT_EQ(rel[0].kind, 4);
    EXPECT_EQ(rel[0].high, 0x00001200u);
    EXPECT_EQ(rel[1].kind, 0);
    EXPECT_EQ(rel[2].kind, 7);
    EXPECT_EQ(rel[2].offset, 5u);
    EXPECT_EQ(rel[3].kind, 4);    // the high byte in a word: low byte of the field
    EXPECT_EQ(rel[3].offset, 8u);
}

TEST_F(AsmTest, EquOfAnExternalIsAnAlias) {
    // uses of the alias relocate against the external; an alias cannot be exported
    AsmRun r = assemble("\txref\text\nal:\tequ\text+2\n\tdc.w\tal\n\tldd\t#al\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0x00, 0x02, 0xCC, 0x00, 0x02}));
    ASSERT_EQ(r.obj.symbols.size(), 1u);
    for (const auto& rel : r.obj.find(".text")->relocations) EXPECT_EQ(rel.index, 2u);
    AsmRun pub = assemble("\txref\text\n\txdef\tal\nal:\tequ\text\n\tdc.w\tal\n");
    EXPECT_EQ(pub.diagnostics, "#error ccasm t.s:3\tbad relocatable expression\n");
}

TEST_F(AsmTest, LocalLabelsBelongToTheirScope) {
    AsmRun r = assemble("f:\n10$:\tbra\t10$\ng:\n\tnop\n10$:\tbra\t10$\n\tlocal\n10$:\tbra\t10$\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0x20, 0xFE, 0x01, 0x20, 0xFE, 0x20, 0xFE}));
    AsmRun bad = assemble("f:\n10$:\tnop\ng:\n\tbra\t10$\n");
    EXPECT_EQ(bad.diagnostics, "#error ccasm t.s:4\tsymbol 10$ not defined\n");
}

TEST_F(AsmTest, MovingLabelForcesAnotherPass) {
    // `v` is not known in the first pass, so ldaa is sized extended; once
    // it is direct the label l moves, and the word of l follows it.
    AsmRun r = assemble("\tldaa\tv\nl:\tbra\tl\nv:\tequ\t$10\n\tdc.w\tl\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({0x96, 0x10, 0x20, 0xFE, 0x00, 0x02}));
}

TEST_F(AsmTest, SymbolDiagnostics) {
    AsmRun r = assemble("lab:\tnop\nlab:\tnop\n\tldaa\tundef\n\tifdef\ttested\n\tendif\n\tldab\tundef\n");
    EXPECT_EQ(r.status, 1);
    // undefined: once, at its first reference; only-tested names are not reported
    EXPECT_EQ(r.diagnostics,
              "#error ccasm t.s:3\tsymbol undef not defined\n"
              "#error ccasm t.s:2\tsymbol lab multiply defined\n");
    ccasm::Options u;
    u.undefined_at_use = true;
    AsmRun each = assemble("\tldaa\tundef\n\tldab\tundef\n", u);
    EXPECT_EQ(each.diagnostics,
              "#error ccasm t.s:1\tsymbol undef not defined\n#error ccasm t.s:2\tsymbol undef not defined\n");
}

TEST_F(AsmTest, SymbolRecordsFollowTheHashBucketOrder) {
    // e and E share bucket 5, c is in bucket 3: the list reads c, e, E.
    AsmRun r = assemble("\txref\te,c,E\n\tdc.w\te,c,E\n");
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    ASSERT_EQ(r.obj.symbols.size(), 3u);
    EXPECT_EQ(r.obj.symbols[0].name, "c");
    EXPECT_EQ(r.obj.symbols[1].name, "e");
    EXPECT_EQ(r.obj.symbols[2].name, "E");
    const auto& rel = r.obj.find(".text")->relocations;
    ASSERT_EQ(rel.size(), 3u);
    EXPECT_EQ(rel[0].index, 3u);  // e is symbol 3 (section 1 comes first)
    EXPECT_EQ(rel[1].index, 2u);
    EXPECT_EQ(ccasm::symbol_hash("e"), 5);
    EXPECT_EQ(ccasm::symbol_hash("E"), 5);
    EXPECT_EQ(ccasm::symbol_hash("c"), 3);
}

TEST_F(AsmTest, PublicOptions) {
    const char* src = "\txdef\tpub\npub:\tnop\nloc:\tnop\n10$:\tnop\nk:\tequ\t5\ns:\tset\t6\n\tdc.b\tloc,k,s\n";
    auto names = [](const AsmRun& r) {
        std::string s;
        for (const auto& sym : r.obj.symbols) s += sym.name + ((sym.flags & 0x04) ? "+ " : " ");
        return s;
    };
    ccasm::Options none, all, equates, locals;
    all.all_public = true;
    equates.public_equates = true;
    locals.keep_locals = true;
    locals.old_syntax = true;  // loc is a relocatable word address, fine in a byte with old syntax
    none.old_syntax = all.old_syntax = equates.old_syntax = true;
    EXPECT_EQ(names(assemble(src, none)), "pub+ ");
    EXPECT_EQ(names(assemble(src, all)), "k+ loc+ pub+ ");  // list order: buckets 11, 21, 24
    EXPECT_EQ(names(assemble(src, equates)), "k+ pub+ ");
    EXPECT_EQ(names(assemble("#define\tK\t5\n\tdc.b\tK\n", equates)), "K+ ");  // #define is an equate too
    EXPECT_EQ(names(assemble(src, locals)), "pub+ s k loc ");
}

TEST_F(AsmTest, CommandLineDefinitions) {
    ccasm::Options opt;
    opt.defines = {"ONE", "TWO=1+1"};
    AsmRun r = assemble("\tdc.b\tONE,TWO\n\tifdef\tONE\n\tnop\n\tendif\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.bytes(), bytes_of({1, 2, 0x01}));
    opt.defines = {"BAD=1 2"};
    EXPECT_EQ(assemble("\tnop\n", opt).status, 1);
    opt.defines = {"Q", "Q"};
    AsmRun twice = assemble("\tnop\n", opt);
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.diagnostics.find("symbol Q multiply defined"), std::string::npos);
}

}  // namespace
