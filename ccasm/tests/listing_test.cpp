// The listing: line layout, suppression, page headers, the symbol table,
// the pass that writes it, and the verilog file.
#include <regex>

#include "ccasm/tests/asm_fixture.h"

namespace {

std::string fixture(const std::string& name) { return std::string(VY_SOURCE_DIR) + "/ccasm/tests/fixtures/" + name; }

class ListingTest : public AsmTest {
protected:
    // Assembles the listing fixture with the options given and returns the listing.
    std::string listing_of(ccasm::Options opt) {
        write("listing.s", read(fixture("listing.s")));
        AsmRun r = assemble_files({"listing.s"}, opt);
        EXPECT_EQ(r.status, 1);  // the fixture has two errors, which are listed too
        return read_text("listing.ls");
    }
};

TEST_F(ListingTest, LinesOfTheFixture) {
    ccasm::Options opt;
    opt.listing = true;
    EXPECT_EQ(listing_of(opt), read_text(fixture("listing.l.expected")));
}

TEST_F(ListingTest, CrossReferenceCountsPassLinesAndAddsTheSymbolTable) {
    ccasm::Options opt;
    opt.listing = opt.cross_ref = true;
    EXPECT_EQ(listing_of(opt), read_text(fixture("listing.c.expected")));
}

TEST_F(ListingTest, ListingControlShowsWhatIsHidden) {
    ccasm::Options opt;
    opt.listing = true;
    AsmRun r = assemble("\tclist\ton\n\tmlist\ton\n\tdlist\ton\n\tif\t0\n\tnop\n\tendif\nm:\tmacro\n\tswi\n\tendm\n\tm\n"
                        "\t.dline\t\"x:1\"\n\tnolist\n\trts\n\tlist\n\tspc\t2\n\tnop\n",
                        opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.listing,
              "   4                     \tif\t0\n"
              "   5                     \tnop\n"
              "   6                     \tendif\n"
              "   7                     m:\tmacro\n"
              "   8                     \tswi\n"
              "   9                     \tendm\n"
              "  10                     \tm\n"
              "  10  0000 3f            \tswi\n"
              "  11                     \t.dline\t\"x:1\"\n"
              "\n\n"
              "  16  0002 01            \tnop\n");
}

TEST_F(ListingTest, PageHeadersWithTitleAndSubtitle) {
    ccasm::Options opt;
    opt.listing = true;
    std::string src = "\ttitle\t\"Demo program\"\n\tsubttl\t\"part one\"\n\tplen\t12\n";
    for (int i = 0; i < 6; ++i) src += "\tnop\n";
    src += "\tpage\n\tswi\n";
    AsmRun r = assemble(src, opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    // the date is the only part that changes from run to run
    std::string text = std::regex_replace(r.listing, std::regex("[ 0-9][0-9] [A-Z][a-z][a-z] [0-9]{4} [0-9:]{8}"), "DATE");
    std::string header = "DATE Demo program" + std::string(47 - 12, ' ') + " t.s page ";
    std::string expect = header + "1\npart one\n\n\n";
    for (int i = 0; i < 5; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%4d  %04x 01            \tnop\n", 4 + i, i);
        expect += line;
    }
    expect += "\n\n" + header + "2\npart one\n\n\n   9  0005 01            \tnop\n";
    expect += "\n\n\n\n";  // page ends with blank lines
    expect += "\n\n" + header + "3\npart one\n\n\n  11  0006 3f            \tswi\n\n\n\n\n";
    EXPECT_EQ(text, expect);
}

TEST_F(ListingTest, ForcedTitleUsesTheDateAndFormFeeds) {
    ccasm::Options opt;
    opt.listing = opt.force_title = opt.formfeed = true;
    AsmRun r = assemble("\tnop\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    std::regex header("^[ 0-9][0-9] [A-Z][a-z][a-z] [0-9]{4} [0-9:]{8} {47} t\\.s page 1\n\n\n   1  0000 01            \tnop\n\f$");
    EXPECT_TRUE(std::regex_search(r.listing, header)) << r.listing;
}

TEST_F(ListingTest, WithoutTitleNoHeaders) {
    ccasm::Options opt;
    opt.listing = true;
    AsmRun r = assemble("\tplen\t10\n\tnop\n\tpage\n\tnop\n", opt);
    EXPECT_EQ(r.listing, "   2  0000 01            \tnop\n   4  0001 01            \tnop\n");
}

TEST_F(ListingTest, HeldListingShowsTheFinalPassAndErrorsOnce) {
    // With branch optimisation the listing is written by one extra pass:
    // the lengthened branch appears once, with its final bytes, and the
    // error goes once to the error stream and once into the listing.
    ccasm::Options opt;
    opt.listing = true;
    AsmRun r = assemble("\tbeq\tfar\n\tbad\n\tds\t200\nfar:\n", opt);
    EXPECT_EQ(r.diagnostics, "#error ccasm t.s:2\tunknown instruction bad\n");
    EXPECT_EQ(r.listing,
              "   1  0000 26037e00cd    \tbeq\tfar\n"
              "   2                     \tbad\n"
              "******** ERROR:  unknown instruction bad  ********\n"
              "   3  0005 000000000000  \tds\t200\n"
              "   4  00cd               far:\n");
    opt.no_branch_opt = true;
    AsmRun b = assemble("\tbra\tnear\n\tbad\nnear:\n", opt);
    EXPECT_EQ(b.diagnostics, "#error ccasm t.s:2\tunknown instruction bad\n");
    EXPECT_NE(b.listing.find("******** ERROR:  unknown instruction bad  ********\n"), std::string::npos);
}

TEST_F(ListingTest, ListingNameOptionAndCannotCreate) {
    ccasm::Options opt;
    opt.listing = true;
    opt.listing_name = "out/x.lst";
    std::filesystem::create_directories("out");
    AsmRun r = assemble("\tnop\n", opt);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_text("out/x.lst"), "   1  0000 01            \tnop\n");
    opt.listing_name = "nodir/x.lst";
    AsmRun bad = assemble("\tnop\n", opt);
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.diagnostics.find("#error ccasm t.s:0 can't create nodir/x.lst\n"), std::string::npos);
}

TEST_F(ListingTest, SourceLinesOfAnotherFile) {
    write("orig.c", "int a;\r\nint b;\nint c;\n");
    ccasm::Options opt;
    opt.listing = true;
    AsmRun r = assemble("\t.source\t\"orig.c:2-3\"\n\tnop\n\t.source\t\"orig.c:1\"\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(r.listing,
              "   1                     \t.source\t\"orig.c:2-3\"\n"
              ";    2int b;\n;    3int c;\n"
              "   2  0000 01            \tnop\n"
              "   3                     \t.source\t\"orig.c:1\"\n"
              ";    1int a;\n");
    AsmRun bad = assemble("\t.source\t\"orig.c:3-2\"\n", opt);
    EXPECT_EQ(bad.diagnostics, "#error ccasm t.s:1\tbad .source directive\n");
    AsmRun spc = assemble("\tspc\t100000\n", opt);
    EXPECT_EQ(spc.diagnostics, "#error ccasm t.s:1\tvalue too large\n");
    // a page ends with blank lines: its length is bounded too
    AsmRun plen = assemble("\ttitle\t\"x\"\n\tplen\t100000000\n\tnop\n", opt);
    EXPECT_EQ(plen.diagnostics, "#error ccasm t.s:2\tvalue too large\n");
    EXPECT_LT(plen.listing.size(), 1000u);
}

TEST_F(ListingTest, VerilogFile) {
    ccasm::Options opt;
    opt.listing = opt.abs = true;
    opt.verilog_name = "t.v";
    AsmRun r = assemble("\torg\t$1000\n&// constants\nstart:\tnop\n\tfuna\tSTART\n\tfuna\tVALUE,$1234\n\tfuna\tNEXT,start+2-1\n", opt);
    ASSERT_EQ(r.status, 0) << r.diagnostics;
    EXPECT_EQ(read_text("t.v"), "// constants\nSTART = 16'h1001;\nVALUE = 16'h1234;\nNEXT = 16'h1001;\n");
}

}  // namespace
