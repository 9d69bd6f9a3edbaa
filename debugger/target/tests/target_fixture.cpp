#include "target_fixture.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "debugger/target/debug_tables.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/semantics.h"
#include "debugger/target/symbols.h"

namespace vy {

void TargetTest::SetUp() {
    console.capture = true;
    setservices(&console);
    while (symlist) undefsym(symlist->name());
    runflags = RunFlags{};
    reader = CommandReader{};
    memevents = nullptr;
    eventlist = nullptr;
    datahit = nullptr;
    LoadAbortFlag = 0;
    LoadFailed = 0;
    bitresult = 0;
    meminit();
    regs = RegImage{};
    loadimage = 1;
    resetstart = 0;
}

void TargetTest::TearDown() {
    closeobj();
    releaseobjimage();
    keepobjload();
    freesections();
    freedebug(1);
    memclose();
    setservices(nullptr);
}

void TargetTest::poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) wrbyte(address++, b);
}

std::string TargetTest::temppath(const std::string& name) {
    // One folder per process, so that test runs side by side never share a file.
    static const auto dir = std::filesystem::temp_directory_path() /
        ("vyr-target-tests-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return (dir / (std::string(info->test_suite_name()) + "." + info->name() + "." + name)).string();
}

std::string TargetTest::tempfile(const std::string& name, const std::string& contents) {
    std::string path = temppath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path;
    if (!f) return path;
    std::fwrite(contents.data(), 1, contents.size(), f);
    std::fclose(f);
    return path;
}

std::string TargetTest::tempfile(const std::string& name, const std::vector<uint8_t>& contents) {
    return tempfile(name, std::string(contents.begin(), contents.end()));
}

std::vector<uint8_t> TargetTest::memorybytes() {
    std::vector<uint8_t> bytes(0x10000);
    for (uint32_t a = 0; a < 0x10000; a += PAGESIZE)
        std::memcpy(&bytes[a], getpage(static_cast<uint16_t>(a))->data, PAGESIZE);
    return bytes;
}

void TargetTest::fillbytes() {
    for (uint32_t a = 0; a < 0x10000; a += 7) wrbyte(static_cast<uint16_t>(a), static_cast<uint8_t>(a >> 3 | 1));
}

}  // namespace vy
