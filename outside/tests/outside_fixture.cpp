#include "outside/tests/outside_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/tests/test_system.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace outside_test {

std::string lf_lines(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

bool Program::read(const std::vector<uint8_t>& bytes) {
    image = bytes;
    std::string error;
    if (!objfile::read(image, obj, error)) {
        ADD_FAILURE() << error;
        return false;
    }
    memory.clear();
    for (const objfile::Section& s : obj.sections) {
        EXPECT_EQ(s.start, s.start2) << s.name;
        EXPECT_TRUE(s.relocations.empty()) << s.name;
        if ((s.attr & 0x01) || s.name == ".debug") continue;
        for (size_t i = 0; i < s.data.size(); ++i) memory[s.start + static_cast<uint32_t>(i)] = s.data[i];
    }
    return true;
}

uint8_t Program::byte(uint32_t address) const {
    auto it = memory.find(address);
    if (it == memory.end()) {
        ADD_FAILURE() << "no byte at " << address;
        return 0;
    }
    return it->second;
}

uint16_t Program::word(uint32_t address) const { return static_cast<uint16_t>(byte(address) << 8 | byte(address + 1)); }

std::vector<uint8_t> Program::bytes(uint32_t address, size_t count) const {
    std::vector<uint8_t> v;
    for (size_t i = 0; i < count; ++i) v.push_back(byte(address + static_cast<uint32_t>(i)));
    return v;
}

bool Program::has_symbol(const std::string& name) const {
    for (const objfile::Symbol& s : obj.symbols)
        if (s.name == name) return true;
    return false;
}

uint32_t Program::symbol(const std::string& name) const {
    for (const objfile::Symbol& s : obj.symbols)
        if (s.name == name) return s.value;
    ADD_FAILURE() << "no symbol " << name;
    return 0;
}

std::string Program::srecords() const {
    std::string out;
    auto it = memory.begin();
    while (it != memory.end()) {
        uint32_t start = it->first;
        std::vector<uint8_t> chunk;
        while (it != memory.end() && it->first == start + chunk.size() && chunk.size() < 16) chunk.push_back((it++)->second);
        std::vector<uint8_t> body{static_cast<uint8_t>(chunk.size() + 3), static_cast<uint8_t>(start >> 8),
                                  static_cast<uint8_t>(start)};
        body.insert(body.end(), chunk.begin(), chunk.end());
        unsigned sum = 0;
        char hex[4];
        out += "S1";
        for (uint8_t b : body) {
            sum += b;
            std::snprintf(hex, sizeof hex, "%02X", b);
            out += hex;
        }
        std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFF);
        out += std::string(hex) + "\n";
    }
    return out + "S9030000FC\n";
}

void OutsideTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    old_dir = std::filesystem::current_path().string();
    std::string name = std::string("outside_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    dir = (std::filesystem::path(old_dir) / name).string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
}

void OutsideTest::TearDown() {
    std::filesystem::current_path(old_dir);
    std::error_code ec;
    if (!HasFailure()) std::filesystem::remove_all(dir, ec);
}

void OutsideTest::write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
}

void OutsideTest::write_bytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream f(name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string OutsideTest::read(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<uint8_t> OutsideTest::read_bytes(const std::string& name) {
    std::string s = read(name);
    return std::vector<uint8_t>(s.begin(), s.end());
}

bool OutsideTest::exists(const std::string& name) { return std::filesystem::exists(name); }

void OutsideTest::assemble(const std::string& name, const std::string& text, ccasm::Options opt) {
    write(name + ".s", text);
    FILE* err = std::fopen("asm-errors.txt", "w");
    int status;
    {
        ccasm::Asm a;
        a.opt = opt;
        a.err = err;
        status = ccasm::assemble(a, {name + ".s"});
    }
    std::fclose(err);
    ASSERT_EQ(status, 0) << read("asm-errors.txt");
}

LinkRun OutsideTest::link(const std::string& text, const lomar::LinkOptions& options) {
    LinkRun run;
    write("t.lkf", text);
    lomar::Diagnostics diag("lomar");
    lomar::LinkScript script;
    lomar::LinkResult result;
    if (lomar::parse_link_script("t.lkf", text, script, diag)) result = lomar::link(script, options, diag);
    run.errors = diag.text();
    run.ok = diag.count() == 0;
    EXPECT_EQ(run.ok, !result.program.empty()) << run.errors;
    if (run.ok) run.program.read(result.program);
    run.map = result.map;
    run.verbose = result.verbose;
    return run;
}

std::string OutsideTest::bin_dir() {
#ifdef _WIN32
    std::string path = std::string("Z:") + VY_BIN_DIR;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
#else
    return VY_BIN_DIR;
#endif
}

std::string OutsideTest::tool(const std::string& name) {
#ifdef _WIN32
    return bin_dir() + "\\" + name + ".exe";
#else
    return bin_dir() + "/" + name;
#endif
}

ToolRun OutsideTest::run_tool(const std::string& name, const std::string& args) { return run_path(tool(name), args); }

ToolRun OutsideTest::run_path(const std::string& path, const std::string& args) {
    ToolRun r;
    std::filesystem::remove("tool-out.txt");
    std::filesystem::remove("tool-err.txt");
#ifdef _WIN32
    // cmd.exe drops the outer quotes of a line that starts with one
    std::string command = "\"\"" + path + "\" " + args + " >tool-out.txt 2>tool-err.txt\"";
    r.status = vytest::system(command);
#else
    std::string command = "'" + path + "' " + args + " >tool-out.txt 2>tool-err.txt";
    int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    r.out = lf_lines(read("tool-out.txt"));
    r.err = lf_lines(read("tool-err.txt"));
    return r;
}

}  // namespace outside_test
