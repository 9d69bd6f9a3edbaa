#include "engine_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "debugger/engine/channels.h"
#include "debugger/engine/engine.h"
#include "debugger/engine/headless.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/tests/fuzz_budget.h"
#include "support/tests/test_system.h"

namespace vy {

void startengine() {
    while (symlist) undefsym(symlist->name());
    meminit();
    engineinit();
    resetheadless();
}

void stopengine() {
    closeobj();
    releaseobjimage();
    keepobjload();
    freesections();
    freedebug(1);
    progname.clear();
    LoadFailed = 0;
    engineclose();
    memclose();
    setservices(nullptr);
}

void EngineTest::SetUp() {
    home_ = std::filesystem::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("vyr-engine-" + std::string(info->test_suite_name()) + "." + info->name() + "-" +
            std::to_string(std::random_device{}()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    startengine();
}

void EngineTest::TearDown() {
    stopengine();
    std::filesystem::current_path(home_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void EngineTest::write(const std::string& name, const std::string& contents) {
    std::ofstream(name, std::ios::binary) << contents;
}

std::string EngineTest::read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool EngineTest::exists(const std::string& name) { return std::filesystem::exists(name); }

std::string EngineTest::run(const std::string& lines) {
    write("run.in", lines);
    shown();
    docmdfile("run.in");
    return shown();
}

std::string EngineTest::shown() {
    std::string text = headless.cmdwindow;
    headless.cmdwindow.clear();
    return text;
}

bool EngineTest::assemble(const std::string& name, const std::string& source) {
    write(name + ".s", source);
#ifdef _WIN32
    std::string assembler = std::string("Z:") + VY_BIN_DIR + "/ccasm.exe";
    for (char& c : assembler)
        if (c == '/') c = '\\';
    std::string command = "\"\"" + assembler + "\" -a -xx -pl " + name + ".s >asm.txt 2>&1\"";
#else
    std::string command = "'" + std::string(VY_BIN_DIR) + "/ccasm' -a -xx -pl " + name + ".s >asm.txt 2>&1";
#endif
    if (vytest::system(command) != 0 || !exists(name + ".o")) {
        ADD_FAILURE() << "ccasm: " << read("asm.txt");
        return false;
    }
    dbload((name + ".o").c_str(), nullptr);
    return !LoadFailed;
}

int generatedcases(int native) { return vytest::fuzzcases(native, native / 4); }

std::string lflines(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

}  // namespace vy
