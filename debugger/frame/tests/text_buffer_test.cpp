// The views' growable text buffer: doubling, the disabled state after a
// failed growth, and the decimal text of floating values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "debugger/frame/text_buffer.h"
#include "debugger/target/console_services.h"

namespace vy {
namespace {

class TextBufTest : public ::testing::Test {
protected:
    void SetUp() override {
        console.capture = true;
        setservices(&console);
    }
    void TearDown() override {
        textbufrealloc = realalloc;
        setservices(nullptr);
    }
    ConsoleServices console;
    decltype(textbufrealloc) realalloc = textbufrealloc;
};

// An allocator that refuses every block larger than `limit`.
std::size_t limit;
void* limited(void* block, std::size_t size) { return size > limit ? nullptr : std::realloc(block, size); }

TEST_F(TextBufTest, AppendsDoubleTheBlockAsOftenAsNeededAndKeepAllText) {
    TextBuf buf;
    ASSERT_TRUE(TextBufOpen(buf));
    EXPECT_EQ(buf.capacity, 1024u);
    EXPECT_EQ(buf.free, 1023u) << "one byte is kept for the closing NUL";
    std::string first(1000, 'a'), second(3000, 'b');
    TextBufAppend(buf, 1000, first.data());
    TextBufAppend(buf, 3000, second.data());
    EXPECT_EQ(buf.capacity, 4096u);
    EXPECT_EQ(buf.used, 4000u);
    EXPECT_EQ(buf.free, 4096u - 1 - 4000);
    EXPECT_EQ(buf.write, buf.base + 4000);
    EXPECT_EQ(buf.text(), first + second);
    EXPECT_EQ(buf.base[buf.used], '\0');

    // Cat ends the text with a NUL that is not counted; exactly filling the
    // free room does not grow the block.
    TextBufCat(buf, {std::string(95, 'c'), ""});
    EXPECT_EQ(buf.capacity, 4096u);
    EXPECT_EQ(buf.free, 0u);
    EXPECT_EQ(buf.base[4095], '\0');
    TextBufCat(buf, {"d"});
    EXPECT_EQ(buf.capacity, 8192u);
    EXPECT_EQ(buf.text().back(), 'd');
    EXPECT_EQ(console.errors, "");
}

TEST_F(TextBufTest, AFailedGrowthIsReportedOnceAndLaterAppendsAreIgnored) {
    limit = 2048;
    textbufrealloc = limited;
    TextBuf buf;
    ASSERT_TRUE(TextBufOpen(buf));
    std::string text(1500, 'x');
    TextBufAppend(buf, 1500, text.data());   // grows to 2048
    ASSERT_NE(buf.base, nullptr);
    TextBufAppend(buf, 1500, text.data());   // needs 4096
    EXPECT_EQ(buf.base, nullptr) << "the buffer is disabled";
    EXPECT_EQ(buf.text(), "");
    EXPECT_NE(buf.handle, nullptr) << "the text so far stays in the old block";
    TextBufCat(buf, {"more"});
    TextBufFixed(buf, 1.5);
    TextBufAppend(buf, 1500, text.data());
    EXPECT_EQ(buf.used, 1500u);
    EXPECT_EQ(console.errors, "Out of memory for Window Display\n");

    // A refill starts afresh; a block that cannot be had at all leaves none.
    textbufrealloc = realalloc;
    ASSERT_TRUE(TextBufOpen(buf));
    TextBufCat(buf, {"again"});
    EXPECT_EQ(buf.text(), "again");
    limit = 100;
    textbufrealloc = limited;
    EXPECT_FALSE(TextBufOpen(buf));
    EXPECT_EQ(buf.handle, nullptr);
    EXPECT_EQ(buf.base, nullptr);
}

TEST_F(TextBufTest, FixedTextOfFloatingValues) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c : {
             Case{0.0001, "0.0001"},
             Case{256, "256.0"},
             Case{-0.5, "-0.5"},
             Case{1.25e-2, "0.0125"},
             Case{1.5e+3, "1500.0"},
             Case{1e7, "1.0e+7"},
             Case{-2.5e7, "-2.5e+7"},
             Case{1e6, "1000000.0"},
             Case{1.5e-5, "1.5e-5"},
             Case{0, "0.0"},
             Case{1, "1.0"},
             Case{-1, "-1.0"},
             Case{3.25, "3.25"},
             Case{0.1, "0.1"},
             Case{1.0 / 3, "0.3333333333"},
             Case{2.0 / 3, "0.6666666666"},
             Case{123456.789, "123456.789"},
             Case{2.0 / 3 * 1e-3, "0.0006666666666"},
             Case{123456789.0, "1.23456789e+8"},
             Case{1e-12, "1.0e-12"},
             Case{6.02e23, "6.02e+23"},
             Case{1.5e100, "1.5e+100"},
         }) {
        EXPECT_EQ(fixedtext(c.value), c.text) << c.value;
    }
    TextBuf buf;
    ASSERT_TRUE(TextBufOpen(buf));
    TextBufFixed(buf, -0.5);
    TextBufFixed(buf, 256);
    EXPECT_EQ(buf.text(), "-0.5256.0");
}

}  // namespace
}  // namespace vy
