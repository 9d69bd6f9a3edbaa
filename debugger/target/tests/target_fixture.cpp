#include "target_fixture.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "debugger/target/memory.h"
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
}

void TargetTest::TearDown() {
    memclose();
    setservices(nullptr);
}

void TargetTest::poke(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) wrbyte(address++, b);
}

std::string TargetTest::tempfile(const std::string& name, const std::string& contents) {
    // One folder per process, so that test runs side by side never share a file.
    static const auto dir = std::filesystem::temp_directory_path() /
        ("vyr-target-tests-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    auto path = (dir / (std::string(info->test_suite_name()) + "." + info->name() + "." + name)).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(contents.data(), 1, contents.size(), f);
    std::fclose(f);
    return path;
}

}  // namespace vy
