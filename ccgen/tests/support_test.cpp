// Support routines: numbers as text, target floating constants, names,
// the constant forms of the template descriptors, the code store.
#include <gtest/gtest.h>

#include <cstring>

#include "ccgen/tests/gen_harness.h"

namespace {

std::vector<int> target_bytes(double d, bool wide) {
    std::uint8_t host[8], out[8];
    std::memcpy(host, &d, 8);
    ccgen::target_float(host, wide, out);
    return std::vector<int>(out, out + (wide ? 8 : 4));
}

TEST(Numbers, ShortText) {
    char buf[20];
    EXPECT_EQ(ccgen::stotext16(buf, -5, -10), 2);
    EXPECT_EQ(std::string(buf, 2), "-5");
    EXPECT_EQ(ccgen::stotext16(buf, 255, 16), 2);
    EXPECT_EQ(std::string(buf, 2), "ff");
    EXPECT_EQ(ccgen::short_text(-1, 10), "65535");
    EXPECT_EQ(ccgen::short_text(-1, 0), "-1");
    EXPECT_EQ(ccgen::long_text(-2147483647 - 1, 0), "-2147483648");
}

TEST(Floats, TargetConstantsMostSignificantByteFirst) {
    EXPECT_EQ(target_bytes(1.0, true), (std::vector<int>{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(target_bytes(1.0, false), (std::vector<int>{0x3F, 0x80, 0, 0}));
    EXPECT_EQ(target_bytes(0.0, true), (std::vector<int>(8, 0)));
    EXPECT_EQ(target_bytes(0.0, false), (std::vector<int>(4, 0)));
    EXPECT_EQ(target_bytes(-2.5, false), (std::vector<int>{0xC0, 0x20, 0, 0}));
    // the nearest float, as the host compiler gives it
    EXPECT_EQ(target_bytes(0.1, false), (std::vector<int>{0x3D, 0xCC, 0xCC, 0xCD}));
    EXPECT_EQ(target_bytes(1e-40, false), (std::vector<int>{0x00, 0x01, 0x16, 0xC2}));
    EXPECT_EQ(target_bytes(1e300, false), (std::vector<int>{0x7F, 0x80, 0, 0}));
}

TEST(Floats, SplitDouble) {
    double one = 1.0;
    std::uint8_t host[8], m[8];
    std::memcpy(host, &one, 8);
    EXPECT_EQ(ccgen::split_double(host, m), 1);
    EXPECT_EQ(m[0], 0);
    EXPECT_EQ(m[1], 0x80);  // the leading 1 at the top of byte 1
    double minus_three = -3.0;
    std::memcpy(host, &minus_three, 8);
    EXPECT_EQ(ccgen::split_double(host, m), 2);
    EXPECT_EQ(m[0], 0x80);
    EXPECT_EQ(m[1], 0xC0);
}

TEST(Names, PlainNamesAndMarkers) {
    ccgen::Gen g;
    EXPECT_EQ(ccgen::plain_name_of("<@main"), "main");
    EXPECT_EQ(ccgen::plain_name_of(">5<n"), "n");
    EXPECT_EQ(ccgen::plain_name_of("x"), "x");
    EXPECT_EQ(ccgen::name_marker(g, "<&f"), 'w');
    EXPECT_EQ(ccgen::name_marker(g, "<@f"), 'n');
    EXPECT_EQ(ccgen::name_marker(g, "<^f"), 'r');
    EXPECT_EQ(ccgen::name_marker(g, "<f"), 0);
    g.single_precision = true;
    EXPECT_EQ(ccgen::name_marker(g, "<^f"), 'n');
}

TEST(Descriptors, ConstantsNarrowToTheSmallestClass) {
    ccgen::Gen g;
    ccgen::Operand c;
    ccgen::init_operand(c, 5, 0, ccgen::REG_NONE, 0);
    auto fits = [&](std::int32_t v, std::uint8_t desc) {
        c.offset = v;
        return ccgen::fits(g, nullptr, c, desc, 0, 5);
    };
    EXPECT_TRUE(fits(200, 0x82));   // 200 is an unsigned char
    EXPECT_FALSE(fits(200, 0x81));
    EXPECT_TRUE(fits(-1, 0x81));    // -1 is a char
    EXPECT_FALSE(fits(300, 0x82));
    EXPECT_TRUE(fits(-1, 0x09));
    EXPECT_TRUE(fits(16, 0x0B));
    EXPECT_TRUE(fits(256, 0x0E));
    EXPECT_TRUE(fits(1024, 0x25));
    EXPECT_FALSE(fits(3, 0x05));
    EXPECT_TRUE(fits(77, 0x0F));
}

TEST(CodeStore, ChunksHoldAtMost511BytesAndReadBackWhole) {
    std::string piece(1000, 'a');
    std::string text = vytest::engine_text([&](ccgen::Gen& g) {
        ccgen::code_text(g, "b");
        ccgen::code_end_piece(g);
        std::int32_t start = g.store.write_pos;
        ccgen::code_text(g, piece);
        ccgen::code_end_piece(g);
        ASSERT_EQ(g.store.chunks.size(), 2u);
        EXPECT_EQ((*g.store.chunks[0])[511], '\0');
        ccgen::replay_text(g, start);
    });
    EXPECT_EQ(text, piece);
}

}  // namespace
