#include <cstring>
#include <string>
#include <vector>

#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "target_fixture.h"

namespace vy {
namespace {

using LoaderTest = TargetTest;

TEST_F(LoaderTest, SRecordsLoadTheirDataAndStartAddress) {
    std::string file =
        "S00600004844521B\r\n"
        "S1130000000102030405060708090A0B0C0D0E0F74\r\n"
        "S20801800011223344CC\r\n"
        "$ comment lines are passed over\r\n"
        "S5030002FA\r\n"
        "S9031234B6\r\n";
    EXPECT_EQ(ldprog(tempfile("a.s19", file).c_str(), 0, 0, 0, 0), 0);
    EXPECT_EQ(console.errors, "");
    EXPECT_EQ(LoadFailed, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rdbyte(static_cast<uint16_t>(i)), i);
    EXPECT_EQ(rdlong(0x8000), 0x11223344u);  // S2: only the low 16 address bits
    EXPECT_EQ(rensym(".text")->value, 0x1234u);
    EXPECT_EQ(loadformat, 'S');
    EXPECT_EQ(console.out, "T: 0x1234\n");
}

TEST_F(LoaderTest, IntelHexLoadsAndPassesOverAddressRecords) {
    std::string file =
        ":020000040000FA\n"
        ":02001000ABCD76\n"
        ":03FFFF00010203F9\n"
        ":040000030000E00019\n"
        ":00000001FF";  // no line end after the last line
    ldprog(tempfile("a.hex", file).c_str(), 0, 0, 0, 0);
    EXPECT_EQ(console.errors, "");
    EXPECT_EQ(rdword(0x0010), 0xABCD);
    EXPECT_EQ(rdbyte(0xFFFF), 0x01);  // data running past 0xFFFF wrap to 0x0000
    EXPECT_EQ(rdword(0x0000), 0x0203);
    EXPECT_EQ(loadformat, ':');
    EXPECT_EQ(rensym(".text")->value, 0u);
}

TEST_F(LoaderTest, LoadingStopsAtTheEndRecord) {
    std::string file =
        "S1040000AA51\n"
        "S9030000FC\n"
        "S1040001BB3F\n";
    ldprog(tempfile("end.s19", file).c_str(), 0, 0, 0, 0);
    EXPECT_EQ(rdbyte(0), 0xAA);
    EXPECT_EQ(rdbyte(1), 0x00);
    // Nothing behind the end record is read: an end-of-file byte or a
    // trailer there does not spoil the file.
    for (const char* trailer : {"\x1A", "garbage\r\n\x1A"}) {
        console.errors.clear();
        wrbyte(0x0010, 0);
        std::string name = std::string("trailer") + std::to_string(trailer[0]);
        ldprog(tempfile(name + ".s19", "S1040010CC1F\nS9030000FC\n" + std::string(trailer)).c_str(), 0, 0, 0, 0);
        ldprog(tempfile(name + ".hex", ":0100100001EE\n:00000001FF\n" + std::string(trailer)).c_str(), 0, 0, 0, 0);
        EXPECT_EQ(console.errors, "") << trailer;
        EXPECT_EQ(LoadFailed, 0) << trailer;
        EXPECT_EQ(loadformat, ':') << trailer;
        EXPECT_EQ(rdbyte(0x0010), 0x01) << trailer;
    }
}

TEST_F(LoaderTest, MalformedTextFilesAreRefusedAndMemoryIsLeftAlone) {
    struct Case { const char* name; const char* line; };
    const Case cases[] = {
        {"bad_count", "S1050000AA51"},
        {"bad_checksum", "S1040000AA52"},
        {"bad_character", "S1040000AG51"},
        {"truncated", "S1040000AA"},
        {"odd_digits", "S1040000AA5"},
        {"unknown_type", "S4040000AA51"},
        {"unknown_kind", "X1040000AA51"},
        {"intel_bad_count", ":03000000ABCD85"},
        {"intel_bad_checksum", ":02000000ABCD87"},
        {"intel_truncated", ":02000000AB"},
        {"intel_unknown_type", ":00000006FA"},
        {"intel_bad_character", ":02000000ABCZ86"},
    };
    for (const Case& c : cases) {
        console.errors.clear();
        wrbyte(0x0100, 0x77);
        // The good first record would write 0x00 to 0x0100.
        std::string file = "S104010000FA\n" + std::string(c.line) + "\nS9030000FC\n";
        EXPECT_EQ(ldprog(tempfile(std::string(c.name) + ".s19", file).c_str(), 0, 0, 0, 0), 0);
        EXPECT_EQ(LoadFailed, 1) << c.name;
        EXPECT_EQ(console.errors, "read error S-record/Hex, line 2\n") << c.name;
        EXPECT_EQ(rdbyte(0x0100), 0x77) << c.name;
    }
    // The target model goes on working after a refused file.
    std::string good = "S1040100AA50\nS9030000FC\n";
    console.errors.clear();
    ldprog(tempfile("good.s19", good).c_str(), 0, 0, 0, 0);
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_EQ(console.errors, "");
    EXPECT_EQ(rdbyte(0x0100), 0xAA);
}

TEST_F(LoaderTest, MissingFileIsReportedAndTheLoadAbandoned) {
    EXPECT_EQ(ldprog("no/such/file.s19", 0, 0, 0, 0), 0);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "!PANIC can't open: no/such/file.s19\n");
}

TEST_F(LoaderTest, RawImagesLoadAtTheBaseAndWrap) {
    std::string image;
    for (int i = 0; i < 600; ++i) image += static_cast<char>(i & 0xFF);
    ldprog(tempfile("a.bin", image).c_str(), 0, 0, 0xFF00, 0);
    EXPECT_EQ(console.errors, "***** absolute *****\n");
    EXPECT_EQ(console.out, "A: 0xff00(600)\n");
    EXPECT_EQ(rdbyte(0xFF00), 0);
    EXPECT_EQ(rdbyte(0xFFFF), 0xFF);
    EXPECT_EQ(rdbyte(0x0000), 0x00);  // byte 256
    EXPECT_EQ(rdbyte(0x0157), 0x57);  // byte 599
    EXPECT_EQ(rensym(".text")->value, 0xFF00u);
    EXPECT_EQ(rensym(".tsize")->value, 600u);
    EXPECT_EQ(getpc(), 0xFF00);
    EXPECT_EQ(loadformat, 'A');
}

// An image fills the address space once at most: a larger file is refused
// and memory stays as it was, rather than wrapping round and round.
TEST_F(LoaderTest, RawImageLargerThanTheAddressSpaceIsRefused) {
    wrbyte(0x0000, 0x5A);
    std::string image(65537, '\x11');
    EXPECT_EQ(ldprog(tempfile("big.bin", image).c_str(), 0, 0, 0, 0), 0);
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(console.errors, "***** absolute *****\nread error absolu: file too large\n");
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(rdbyte(0x0000), 0x5A);
    EXPECT_EQ(rdbyte(0x0001), 0x00);
    EXPECT_EQ(rensym(".tsize"), nullptr);

    // The whole address space, from a base in the middle, wraps once.
    image.pop_back();
    image[0] = '\x22';
    image[65535] = '\x33';
    console.errors.clear();
    ldprog(tempfile("whole.bin", image).c_str(), 1, 0, 0x8000, 0);
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_EQ(rdbyte(0x8000), 0x22);
    EXPECT_EQ(rdbyte(0x0000), 0x11);
    EXPECT_EQ(rdbyte(0x7FFF), 0x33);
    EXPECT_EQ(rensym(".tsize")->value, 65536u);
}

TEST_F(LoaderTest, EmptyRawFileAndForcedRaw) {
    ldprog(tempfile("empty.bin", "").c_str(), 0, 0, 0x4000, 0);
    EXPECT_EQ(rensym(".tsize")->value, 0u);
    EXPECT_EQ(getpc(), 0x4000);
    // With raw set even a text file is an image.
    ldprog(tempfile("text.bin", "S1").c_str(), 1, 0, 0x100, 0);
    EXPECT_EQ(rdword(0x100), ('S' << 8) | '1');
}

TEST_F(LoaderTest, SectionsCopyPageByPageAndReportShortReads) {
    std::string data(1000, '\x5A');
    std::string path = tempfile("section.bin", data);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(ldsection(f, 0x01F0, 1000), 1);
    EXPECT_EQ(rdbyte(0x01F0), 0x5A);
    EXPECT_EQ(rdbyte(0x01F0 + 999), 0x5A);
    EXPECT_EQ(rdbyte(0x01F0 + 1000), 0x00);
    std::rewind(f);
    EXPECT_EQ(ldsection(f, 0x2000, 1001), 0);
    EXPECT_EQ(console.out, "read error section\n");
    LoadAbortFlag = 1;
    std::rewind(f);
    EXPECT_EQ(ldsection(f, 0x3000, 10), 0);
    EXPECT_EQ(rdbyte(0x3000), 0);
    std::fclose(f);
}

// A short read still puts the bytes it got into the page; they must not
// vanish later when the page goes out to the swap file and comes back.
TEST_F(LoaderTest, BytesOfAShortSectionReadSurviveThePageGoingOut) {
    auto pushout = [] {  // touches more pages than the cache holds
        for (uint32_t a = 0; a < 0x10000; a += PAGESIZE)
            if (a != 0x2000) rdbyte(static_cast<uint16_t>(a));
    };
    wrbyte(0x2000, 0x11);
    pushout();
    EXPECT_EQ(rdbyte(0x2000), 0x11);  // back from the swap file, unchanged
    std::FILE* f = std::fopen(tempfile("short.bin", "\x5A\x5A").c_str(), "rb");
    EXPECT_EQ(ldsection(f, 0x2000, 10), 0);
    std::fclose(f);
    EXPECT_EQ(rdbyte(0x2000), 0x5A);
    pushout();
    EXPECT_EQ(rdbyte(0x2000), 0x5A);
    EXPECT_EQ(rdbyte(0x2001), 0x5A);
    EXPECT_EQ(rdbyte(0x2002), 0x00);
}

TEST_F(LoaderTest, BufferedReaderAndByteOrder) {
    std::string data;
    for (int i = 0; i < 1200; ++i) data += static_cast<char>(i * 7);
    std::FILE* f = std::fopen(tempfile("buf.bin", data).c_str(), "rb");
    ldbuf(nullptr, nullptr, 0);
    uint8_t out[700];
    EXPECT_EQ(ldbuf(f, out, 700), 700u);
    EXPECT_EQ(out[699], static_cast<uint8_t>(699 * 7));
    EXPECT_EQ(ldbuf(f, out, 500), 500u);
    EXPECT_EQ(out[499], static_cast<uint8_t>(1199 * 7));
    EXPECT_EQ(ldbuf(f, out, 1), 0u);
    std::fclose(f);

    const uint8_t field[4] = {0x12, 0x34, 0x56, 0x78};
    byteorder = 0;
    EXPECT_EQ(ldlong(field), 0x12345678u);
    EXPECT_EQ(ldword(field), 0x1234);
    byteorder = BO_LSBFIRST;
    EXPECT_EQ(ldlong(field), 0x78563412u);
    EXPECT_EQ(ldword(field), 0x3412);
    uint8_t fix[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    byteorder = BO_LONG;
    ldfix(fix);
    uint32_t value;
    std::memcpy(&value, fix, 4);
    EXPECT_EQ(value, 0xDEADBEEFu);
    byteorder = 0;
}

}  // namespace
}  // namespace vy
