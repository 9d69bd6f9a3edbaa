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
#include "debugger/target/watch.h"
#include "support/list_node.h"

namespace vy {

MemEvent* addmemevent(uint16_t number, uint16_t flags, uint16_t low, uint16_t high,
                      const char* command) {
    auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), nullptr));
    e->number = number;
    e->flags = flags;
    e->low = low;
    e->high = high;
    if (command) {
        std::size_t n = std::strlen(command);
        e->block = static_cast<char*>(newnode(n + 5, nullptr));
        std::memcpy(e->block + 4, command, n + 1);
    }
    MemEvent** link = &memevents;
    while (*link && (*link)->number < number) link = &(*link)->next;
    e->next = *link;
    *link = e;
    reindexevents();
    return e;
}

void freememevents() {
    while (memevents) services().rmbrk(memevents->number);
}

void CoreServices::interp(const char* text, int flag) {
    ++commandsrun;
    std::string t = text;
    reader.cont = t != "{stop}";
    if (t == "{del}") {
        reader.event->flags |= MEV_DELETED;
        reindexevents();
    } else if (t == "{add}") {
        uint16_t last = 0;
        for (MemEvent* e = memevents; e; e = e->next)
            if (e->number > last) last = e->number;
        uint16_t at = static_cast<uint16_t>(rensym(".abrk")->value + 1);
        addmemevent(static_cast<uint16_t>(last + 1), MEV_READ, at, at);
    } else if (t != "{go}") {
        ConsoleServices::interp(text, flag);
    }
}

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
