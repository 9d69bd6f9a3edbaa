#include "target_fixture.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "debugger/target/memory.h"
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
