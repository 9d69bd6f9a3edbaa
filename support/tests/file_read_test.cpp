#include "support/file_read.h"

#include "support/tests/endless_input.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string temp_file(const std::string& name, const std::string& content) {
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

TEST(FileRead, WholeFilesUpToTheBound) {
    std::string path = temp_file("vy_file_read_ok.bin", std::string("ab\0\r\ncd", 7));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string content;
    EXPECT_EQ(vy::read_whole(f, content, 7), vy::FileRead::ok);
    EXPECT_EQ(content, std::string("ab\0\r\ncd", 7));
    std::fclose(f);

    f = std::fopen(path.c_str(), "rb");
    std::vector<std::uint8_t> bytes{9, 9};
    EXPECT_EQ(vy::read_whole(f, bytes, 6), vy::FileRead::too_large);
    EXPECT_TRUE(bytes.empty());
    std::fclose(f);
    std::filesystem::remove(path);
    EXPECT_STREQ(vy::file_read_message(vy::FileRead::too_large), "file too large");
    EXPECT_EQ(vy::file_read_message(vy::FileRead::ok), nullptr);
}

TEST(FileRead, ReadsFromTheCurrentPosition) {
    std::string path = temp_file("vy_file_read_pos.bin", "0123456789");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_EQ(std::fgetc(f), '0');
    std::string content;
    EXPECT_EQ(vy::read_whole(f, content, 9), vy::FileRead::ok);
    EXPECT_EQ(content, "123456789");
    std::fclose(f);
    std::filesystem::remove(path);
}

#ifndef _WIN32
TEST(FileRead, EndlessInputsStopAtTheBound) {
    if (vytest::has_dev_zero()) {
        std::FILE* zero = std::fopen("/dev/zero", "rb");
        std::string content;
        EXPECT_EQ(vy::read_whole(zero, content, 1 << 20), vy::FileRead::too_large);
        std::fclose(zero);
    }
    std::string fifo_path = (std::filesystem::temp_directory_path() / "vy_file_read.fifo").string();
    vytest::EndlessFifo fifo(fifo_path, "S1 endless text\n");
    ASSERT_TRUE(fifo.made());
    std::FILE* f = std::fopen(fifo.path().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string content;
    EXPECT_EQ(vy::read_whole(f, content, 1 << 20), vy::FileRead::too_large);
    std::fclose(f);
}
#endif

}  // namespace
